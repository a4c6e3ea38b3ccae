// The module as the host loads it: the shared library in a plug-ins folder, reached only
// through its entry point.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "core/version.h"
#include "headless/host/host.h"
#include "headless/host/module_loader.h"
#include "tests/support/command_support.h"

namespace {

namespace fs = std::filesystem;

// A private copy of the built plug-ins folder, so that every test loads a fresh module (its
// own statics) and may change the resources.
class PluginFolder {
public:
    explicit PluginFolder(const std::string& name) {
        path_ = fs::temp_directory_path() / ("vexlor-plugins-" + name);
        fs::remove_all(path_);
        fs::copy(VEXLOR_PLUGIN_DIR, path_, fs::copy_options::recursive);
    }
    ~PluginFolder() { fs::remove_all(path_); }
    std::string Path() const { return path_.string(); }
    void Remove(const std::string& relative) { fs::remove(path_ / relative); }
    void RemoveString(int id) {
        const fs::path strings = path_ / "res" / "strings.xml";
        std::ifstream in(strings);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text = std::regex_replace(text, std::regex("<string id=\"" + std::to_string(id) + "\">[^<]*</string>"), "");
        std::ofstream(strings) << text;
    }

private:
    fs::path path_;
};

std::vector<int32_t> RegisteredIds(headless::HeadlessHost& host) {
    std::vector<int32_t> ids;
    for (const auto& entry : host.Registry().Entries()) ids.push_back(entry.id);
    return ids;
}

const std::vector<int32_t> kAllIds = {1020892, 1020893, 1021223, 1022083, 1022560, 1021741, 1020894,
                                      1021852, 1022469, 1022273, 1020896, 1022283, 1022284};

TEST(ModuleEntry, StartUpRegistersTheThirteenClassesInOrder) {
    PluginFolder folder("all");
    headless::HeadlessHost host;
    headless::LoadedModule module;
    std::string error;
    ASSERT_TRUE(module.Load(host, folder.Path(), error)) << error;
    EXPECT_EQ(module.StartResult(), 1);
    EXPECT_EQ(RegisteredIds(host), kAllIds);
    EXPECT_EQ(host.Console(), std::vector<std::string>{kVersionLine});

    const auto& entries = host.Registry().Entries();
    EXPECT_EQ(entries[0].description.Str(), "tMyLightTag");
    EXPECT_EQ(entries[1].flags, 3);
    EXPECT_EQ(entries[5].help.Str(), "Export and Run");
    EXPECT_EQ(entries[10].description.Str(), "oMyRenderSettings");
    EXPECT_TRUE(entries[10].hasSmallIcon);
    EXPECT_EQ(entries[11].name.Str(), "#$3 --");
    EXPECT_EQ(entries[12].name.Str(), "#$6 --");
    EXPECT_FALSE(entries[12].hasIcon);
}

TEST(ModuleEntry, MissingNameLeavesOneClassOut) {
    PluginFolder folder("noname");
    folder.RemoveString(10009);
    headless::HeadlessHost host;
    headless::LoadedModule module;
    std::string error;
    ASSERT_TRUE(module.Load(host, folder.Path(), error)) << error;
    std::vector<int32_t> expected = kAllIds;
    expected.erase(std::find(expected.begin(), expected.end(), 1022083));
    EXPECT_EQ(RegisteredIds(host), expected);
    EXPECT_EQ(module.StartResult(), 1);
    EXPECT_EQ(host.Console(), std::vector<std::string>{kVersionLine});
}

TEST(ModuleEntry, MissingIconStopsStartUp) {
    PluginFolder folder("noicon");
    folder.Remove("res/About.tif");
    headless::HeadlessHost host;
    headless::LoadedModule module;
    std::string error;
    ASSERT_TRUE(module.Load(host, folder.Path(), error)) << error;
    EXPECT_EQ(module.StartResult(), 0);
    EXPECT_EQ(RegisteredIds(host), (std::vector<int32_t>{1020892, 1020893, 1021223, 1022083, 1022560, 1021741}));
    EXPECT_TRUE(host.Console().empty());
}

// Calls the entry point directly, as the host does, on a freshly opened library.
class RawEntry : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::make_unique<PluginFolder>(testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::string library = folder_->Path() + "/vexlor.so";
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        entry_ = reinterpret_cast<headless::EntryPoint>(dlsym(handle_, "c4d_main"));
        ASSERT_NE(entry_, nullptr);
        path_ = host_.Files().ToHost(library).Str();
    }
    void TearDown() override {
        host_.Registry().Clear();
        if (handle_) dlclose(handle_);
    }
    int32_t Call(int32_t action, void* p1 = nullptr, void* p3 = nullptr) { return entry_(action, p1, nullptr, p3); }
    int32_t Message(intptr_t message) { return entry_(6, reinterpret_cast<void*>(message), nullptr, nullptr); }
    void* Record() { return const_cast<HostInterfaceRecord*>(host_.Record()); }
    void* PathArg() { return path_.data(); }

    std::unique_ptr<PluginFolder> folder_;
    headless::HeadlessHost host_;
    void* handle_ = nullptr;
    headless::EntryPoint entry_ = nullptr;
    std::string path_;
};

TEST_F(RawEntry, ActionsAndMessagesAnswerByTheirTables) {
    EXPECT_EQ(Call(1, Record(), PathArg()), 1);
    EXPECT_EQ(Call(4), 2);
    EXPECT_EQ(Call(5), -1);
    EXPECT_EQ(Call(99), -1);
    EXPECT_EQ(Message(0), 1);
    EXPECT_EQ(Message(7), -1);
    EXPECT_EQ(Message(1), 1);
    EXPECT_TRUE(host_.GetResources().Loaded());
    EXPECT_EQ(Call(2), 1);
    EXPECT_EQ(Call(3), 1);
    EXPECT_FALSE(host_.GetResources().Loaded());
}

TEST_F(RawEntry, OldInterfaceOrMissingPathIsRefused) {
    HostInterfaceRecord old = *host_.Record();
    old.version = 7499;
    EXPECT_EQ(Call(1, &old, PathArg()), -3);
    EXPECT_EQ(Call(2), 0);  // nothing registers without a usable set-up
    EXPECT_EQ(Message(1), -1);
    EXPECT_TRUE(host_.Registry().Entries().empty());
}

TEST_F(RawEntry, MissingPathIsRefused) { EXPECT_EQ(Call(1, Record(), nullptr), -3); }

TEST_F(RawEntry, RepeatedSetUpIsCountedAndKeepsTheFirstRecord) {
    EXPECT_EQ(Call(1, Record(), PathArg()), 1);
    HostInterfaceRecord other = *host_.Record();
    other.version = 1;  // would be refused if it were read again
    EXPECT_EQ(Call(1, &other, nullptr), 1);
    EXPECT_EQ(Message(1), 1);
    EXPECT_EQ(Call(3), 1);
    EXPECT_TRUE(host_.GetResources().Loaded());  // one tear-down of two releases nothing
    EXPECT_EQ(Call(3), 1);
    EXPECT_FALSE(host_.GetResources().Loaded());
}

TEST_F(RawEntry, ResourcesThatDoNotLoadAnswerMinusOne) {
    folder_->Remove("res/strings.xml");
    EXPECT_EQ(Call(1, Record(), PathArg()), 1);
    EXPECT_EQ(Message(1), -1);
}

TEST(ModuleLibrary, ExportsOnlyTheEntryPoint) {
    const std::string library = std::string(VEXLOR_PLUGIN_DIR) + "/vexlor.so";
    const testing_support::CommandResult symbols =
        testing_support::RunCommand("nm -D --defined-only " + library + " | awk '{print $3}' | grep -v '^$'");
    ASSERT_NE(symbols.status, -1);
    EXPECT_EQ(symbols.output, "c4d_main\n");
}

}  // namespace
