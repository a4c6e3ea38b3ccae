// The problems that keep the module's classes from registering: each icon that did not load,
// with its file and the reason, and each description the resources do not hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "headless/host/host.h"
#include "headless/host/module_loader.h"

namespace {

namespace fs = std::filesystem;

TEST(RegistrationProblems, NameTheFileOrTheDescription) {
    enum class Change { kNone, kRemove, kFolder, kText };
    const struct {
        Change change;
        const char* file;     // in the module's folder
        std::string problem;  // FILE: the file's path
    } cases[] = {
        {Change::kNone, "", ""},
        {Change::kRemove, "res/About.tif", "FILE: cannot read the icon: No such file or directory"},
        {Change::kFolder, "res/Export.tif", "FILE: cannot read the icon: Is a directory"},
        {Change::kText, "res/LightTag.tif",
         "FILE: cannot read the icon: not a TIFF or PNG picture that loads (another kind of file, damaged or too "
         "large)"},
        {Change::kRemove, "res/descriptions/tMyLightTag.xml",
         "the module's resources hold no description \"tMyLightTag\" (class 1020892 is not registered)"},
    };
    const fs::path scratch = fs::temp_directory_path() / ("vexlor-registration-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    int number = 0;
    for (const auto& c : cases) {
        // A folder of its own for each load, so that each loads a fresh module.
        const fs::path folder = scratch / std::to_string(number++);
        fs::copy(VEXLOR_PLUGIN_DIR, folder, fs::copy_options::recursive);
        const fs::path file = (folder / c.file).make_preferred();
        if (c.change != Change::kNone) fs::remove(file);
        if (c.change == Change::kFolder) fs::create_directory(file);
        if (c.change == Change::kText) std::ofstream(file) << "not a picture";
        std::vector<std::string> expected;
        if (!c.problem.empty()) expected.push_back(c.problem.starts_with("FILE") ? file.string() + c.problem.substr(4)
                                                                                 : c.problem);
        headless::HeadlessHost host;
        headless::LoadedModule module;
        std::string error;
        ASSERT_TRUE(module.Load(host, folder.string(), error)) << error;
        EXPECT_EQ(host.RegistrationProblems(), expected) << c.file;
        // A picture that fails to load after the start-up is not the registration's.
        EXPECT_EQ(host.LoadBitmap(host.Files().ToHost((folder / "res" / "missing.tif").string())), nullptr);
        EXPECT_EQ(host.RegistrationProblems(), expected) << c.file;
    }
    fs::remove_all(scratch);
}

}  // namespace
