// `vexlor` under ordinary file-system trouble and hostile arguments: every case ends with a
// message and status 1 or 2, writes nowhere but the folder chosen, and loses no file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/command_support.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;

using Result = testing_support::CommandResult;
using testing_support::ReadText;

class HostileCli : public testing::Test {
protected:
    void SetUp() override {
        root_ = testing_support::TestFolder("vexlor-hostile-");
        fs::create_directories(root_ / "work");
        testing_support::CopyPluginsFolder(root_ / "plugins");
        fs::copy(std::string(VEXLOR_SOURCE_DIR) + "/examples/room.json", root_ / "work" / "room.json");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // Runs vexlor in the work folder, stderr with stdout.
    Result Run(const std::string& arguments, const std::string& prefix = "") const {
        return testing_support::RunCommand("cd '" + (root_ / "work").string() + "' && " + prefix + VEXLOR_CLI +
                                           " --plugins " + (root_ / "plugins").string() + " " + arguments + " 2>&1");
    }
    static bool Says(const Result& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

    fs::path root_;
};

TEST_F(HostileCli, RefusalsAndFailuresEndInAMessageAndAStatus) {
    fs::create_directories(root_ / "plugins" / "vexlor.cfg");  // the stored renderer cannot be written
    const std::string longPath(5000, 'p');
    const std::string longName(250, 'n');
    struct Case {
        std::string arguments;
        int status;
        std::string says;
    } cases[] = {
        {"export room.json -o '' --renderer r", 2, "-o '': an empty path"},
        {"export room.json -o " + longPath + "/x.ovs --renderer r", 2, "File name too long"},
        {"export room.json -o x.ovs --renderer r", 1, "vexlor.cfg: not written: Is a directory"},
        {"renderer r", 1, "vexlor.cfg: not written: Is a directory"},
        {"info /dev/zero", 2, "/dev/zero"},
        {"--ui room.json export room.json -o x.ovs", 2, "--ui cannot be used with export"},
        {"convert-materials room.json -o " + longName + ".json", 0, "Wrote "},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.output;
        EXPECT_TRUE(Says(r, c.says)) << c.arguments << "\n" << r.output;
    }
    EXPECT_TRUE(fs::is_regular_file(root_ / "work" / (longName + ".json")));
}

TEST_F(HostileCli, BackslashesDoNotClimbOutOfTheFolder) {
    fs::copy(std::string(VEXLOR_SOURCE_DIR) + "/examples/materials.json", root_ / "work" / "materials.json");
    fs::remove(root_.parent_path() / "lib.ovm");
    for (const std::string& arguments :
         {std::string("export room.json -o 'x\\..\\..\\escape.ovs' --renderer r"),
          std::string("export-ovm materials.json --object 'Paper Panel' -o 'a\\..\\..\\..\\lib.ovm'")}) {
        const Result r = Run(arguments);
        EXPECT_EQ(r.status, 2) << arguments << "\n" << r.output;
        EXPECT_TRUE(Says(r, "holds a backslash")) << r.output;
    }
    for (const auto& entry : fs::directory_iterator(root_)) {
        EXPECT_TRUE(entry.path().filename() == "work" || entry.path().filename() == "plugins") << entry.path();
    }
    EXPECT_FALSE(fs::exists(root_.parent_path() / "lib.ovm"));
}

TEST_F(HostileCli, DocumentsAreWrittenBesideUnderANameOfTheirOwn) {
    // A file and a link where a fixed temporary name would go stay as they are.
    std::ofstream(root_ / "victim") << "keep";
    std::ofstream(root_ / "work" / "out.json.tmp") << "mine";
    fs::create_symlink(root_ / "victim", root_ / "work" / "out2.json.tmp");
    ASSERT_EQ(Run("-q convert-materials room.json -o out.json").status, 0);
    ASSERT_EQ(Run("-q convert-materials room.json -o out2.json").status, 0);
    EXPECT_EQ(ReadText((root_ / "victim").string()), "keep");
    EXPECT_EQ(ReadText((root_ / "work" / "out.json.tmp").string()), "mine");
    EXPECT_TRUE(fs::is_symlink(root_ / "work" / "out2.json.tmp"));
    EXPECT_NE(ReadText((root_ / "work" / "out.json").string()).find("\"objects\""), std::string::npos);
}

TEST_F(HostileCli, AFailedExportSaysSoEvenQuietlyAndKeepsThePreviousScene) {
    ASSERT_EQ(Run("-q export room.json -o room.ovs --renderer r").status, 0);
    const fs::path scene = root_ / "work" / "room_frame0.ovs";
    const std::string before = ReadText(scene.string());
    fs::path mesh;
    for (const auto& entry : fs::directory_iterator(root_ / "work" / "models.room")) mesh = entry.path();
    ASSERT_FALSE(mesh.empty());
    fs::remove(mesh);
    fs::create_directory(mesh);  // the mesh file cannot be written
    const Result r = Run("-q export room.json -o room.ovs --overwrite");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Says(r, mesh.string() + ": not written: Is a directory")) << r.output;
    EXPECT_EQ(ReadText(scene.string()), before);
}

TEST_F(HostileCli, APreviewThatCouldNotBeWrittenFails) {
    fs::copy(std::string(VEXLOR_SOURCE_DIR) + "/examples/materials.json", root_ / "work" / "materials.json");
    fs::create_directories(root_ / "plugins" / "run.cmd");
    fs::remove(root_ / "plugins" / "preview" / "preview.ovm");
    fs::create_directories(root_ / "plugins" / "preview" / "preview.ovm");
    const Result r = Run("preview materials.json --object 'Paper Panel' --renderer r");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Says(r, "run.cmd: not written")) << r.output;
    EXPECT_FALSE(Says(r, "Preview image")) << r.output;
}

TEST_F(HostileCli, ASecondExportToTheSameSceneStops) {
    const int held = ::open((root_ / "work" / ".room.vexlor-lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const Result r = Run("export room.json -o room.ovs --renderer r");
    ::close(held);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Says(r, "another export to this scene is running")) << r.output;
    EXPECT_FALSE(fs::exists(root_ / "work" / "room_frame0.ovs"));
    EXPECT_EQ(Run("-q export room.json -o room.ovs --renderer r").status, 0);
    EXPECT_FALSE(fs::exists(root_ / "work" / ".room.vexlor-lock"));
}

TEST_F(HostileCli, FilesWrittenComeFromTheHostNotFromWalkingFolders) {
    // A folder beside the output that the user may not read.  As root the export runs as
    // "nobody", for whom the folder is closed too.
    fs::create_directories(root_ / "work" / "private" / "inner");
    fs::permissions(root_ / "work" / "private", fs::perms::none);
    std::string prefix;
    if (::geteuid() == 0) {
        fs::permissions(root_, fs::perms::all);
        for (const auto& entry : fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied)) {
            if (entry.path().filename() != "private") fs::permissions(entry.path(), fs::perms::all);
        }
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const Result r = Run("export room.json -o room.ovs --renderer r", prefix);
    fs::permissions(root_ / "work" / "private", fs::perms::owner_all);
    EXPECT_EQ(r.status, 0) << r.output;
    const size_t listed = r.output.find("Files written:\n");
    ASSERT_NE(listed, std::string::npos) << r.output;
    EXPECT_NE(r.output.find("  " + (root_ / "work" / "room_frame0.ovs").string() + "\n", listed), std::string::npos)
        << r.output;
}

TEST_F(HostileCli, MissingIconsAreNamed) {
    fs::remove(root_ / "plugins" / "res" / "Export.tif");
    const Result info = Run("info room.json");
    EXPECT_EQ(info.status, 1) << info.output;
    EXPECT_TRUE(Says(info, "Export.tif")) << info.output;
    const Result exported = Run("export room.json -o room.ovs --renderer r");
    EXPECT_EQ(exported.status, 1) << exported.output;
    EXPECT_TRUE(Says(exported, "Export.tif")) << exported.output;
}

}  // namespace
