#include "tests/support/module_fixture.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/module.h"
#include "plugin/registration.h"

namespace testing_support {

std::string SourcePath(const std::string& relative) { return std::string(VEXLOR_SOURCE_DIR) + "/" + relative; }

std::string ReadText(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ModuleTest::SetUp() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = std::filesystem::temp_directory_path() /
               (std::string("vexlor-") + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" +
                info->name());
    std::filesystem::remove_all(scratch_);
    std::filesystem::create_directories(scratch_);

    SetHostRecord(host_.Record());
    // The module's directory is inside the scratch directory, with the repository's
    // installation folders linked or copied into it; what the module writes beside itself
    // lands in scratch.
    const std::filesystem::path module = scratch_ / "module";
    std::filesystem::create_directories(module);
    for (const char* folder : {"res", "presets"}) {
#ifdef _WIN32
        std::filesystem::copy(SourcePath(folder), module / folder, std::filesystem::copy_options::recursive);
#else
        std::filesystem::create_directory_symlink(SourcePath(folder), module / folder);
#endif
    }
    // The preview folder is written to (the preview library, rendered images): a copy.
    std::filesystem::copy(SourcePath("preview"), module / "preview", std::filesystem::copy_options::recursive);
    module::SetModulePath(host_.Files().ToHost((module / "vexlor.so").string()).Str().c_str());
    ASSERT_TRUE(host_.InitResources(module::PluginDirectory())) << host_.GetResources().Error();
    ASSERT_TRUE(RegisterModule());
    host_.ClearRecords();
}

void ModuleTest::TearDown() {
    host_.SetDocument(nullptr);
    SetHostRecord(nullptr);
    std::filesystem::remove_all(scratch_);
}

headless::HlDocument& ModuleTest::LoadDocument(const std::string& json) {
    headless::LoadError error;
    auto document = headless::LoadDocument(json, "test.json", host_.Files().ToHost(scratch_.string()),
                                           &host_.Registry(), error);
    if (!document) {
        ADD_FAILURE() << error.message;
        document = std::make_unique<headless::HlDocument>(&host_.Registry());
    }
    host_.SetDocument(std::move(document));
    return *host_.Document();
}

HostFilename ModuleTest::HostPath(const std::string& name) const {
    return host_.Files().ToHost((scratch_ / name).string());
}

std::string ModuleTest::ConsoleText() const {
    std::string text;
    for (const std::string& line : host_.Console()) text += line + "\n";
    return text;
}

}  // namespace testing_support
