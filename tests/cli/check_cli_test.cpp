// `vexlor check` end to end: exit statuses, the summary line, no plug-ins folder needed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/command_support.h"

namespace {

namespace fs = std::filesystem;

class CheckCli : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("vexlor-check-cli-" + std::to_string(getpid()) + "-" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "maps");
        std::ofstream(root_ / "maps" / "sky.hdr") << "hdr";
        Write("good.ovs", "<scene>\n<env_map><latlong><path>maps\\sky.hdr</path><gain>1</gain></latlong></env_map>\n"
                          "<plane><material_name>defaultMat</material_name></plane>\n</scene>\n");
        Write("bad.ovs", "<scene>\n<model><mesh_name>x</mesh_name></model>\n</scene>\n");
        Write("mapped.ovs", "<scene>\n<env_map><latlong><path>D:\\sky.hdr</path></latlong></env_map>\n</scene>\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& name, const std::string& text) { std::ofstream(root_ / name) << text; }
    testing_support::CommandResult Run(const std::string& arguments) {
        return testing_support::RunCommand(testing_support::InFolder(root_) + VEXLOR_CLI +
                                           " --plugins /nonexistent " + arguments + " 2>&1");
    }

    fs::path root_;
};

TEST_F(CheckCli, NothingWrongIsStatusZeroAndOneLine) {
    const auto r = Run("check good.ovs");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "checked 1 scene: no problems (0 meshes, 0 models, 0 materials, 0 OBJ files)\n");
}

TEST_F(CheckCli, ProblemsAreStatusOne) {
    const auto r = Run("check good.ovs bad.ovs");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "bad.ovs:2: mesh_name \"x\": no mesh declares this name\n"
                        "checked 2 scenes: 1 problem in 1 scene\n");
}

TEST_F(CheckCli, AnUnreadableSceneIsStatusTwo) {
    const auto r = Run("check good.ovs none.ovs");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("vexlor: none.ovs: cannot read the file: No such file or directory\n"), std::string::npos)
        << r.output;
    EXPECT_NE(Run("check .").output.find("vexlor: .: cannot read the file: not a regular file\n"), std::string::npos);
}

#ifndef _WIN32  // the drive map of the Linux build
TEST_F(CheckCli, DrivesAreMappedByTheOption) {
    EXPECT_EQ(Run("check mapped.ovs").status, 1);
    EXPECT_EQ(Run("--drive D=maps check mapped.ovs").status, 0);
}
#endif

}  // namespace
