// `vexlor import` and scene files given to `vexlor export`: a glTF scene written here (a camera,
// a sun, a point light, an emitting box that slides and turns, a textured floor) comes out of
// the renderer's files where the file puts it, seen from its camera.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/command_support.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;

using testing_support::ReadText;
using Result = testing_support::CommandResult;

class ImportCliTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = testing_support::TestFolder("vexlor-import-cli-");
        testing_support::CopyPluginsFolder(root_ / "plugins");
    }
    void TearDown() override { fs::remove_all(root_); }

    Result Run(const std::string& arguments) {
        return testing_support::RunCommand(std::string(VEXLOR_CLI) + " --plugins " + (root_ / "plugins").string() +
                                           " " + arguments + " 2>&1");
    }
    static std::string Scene() { return std::string(VEXLOR_SOURCE_DIR) + "/tests/data/import/room.gltf"; }
    // The text of the first element `name` after the last comment `comment` (the model or light
    // of an object comes after its mesh's declaration); the first of the file without a comment.
    static std::string Key(const std::string& text, const std::string& comment, const std::string& name) {
        const size_t at = comment.empty() ? 0 : text.rfind("<!--" + comment + "-->");
        if (at == std::string::npos) return "(no " + comment + ")";
        const size_t open = text.find("<" + name + ">", at);
        if (open == std::string::npos) return "(no " + name + ")";
        const size_t begin = open + name.size() + 2;
        return text.substr(begin, text.find("</" + name + ">", begin) - begin);
    }

    fs::path root_;
};

TEST_F(ImportCliTest, ImportedSceneExportsWhereTheFilePutsIt) {
    const Result imported = Run("import " + Scene() + " -o " + (root_ / "doc" / "room.json").string());
    ASSERT_EQ(imported.status, 0) << imported.output;
    for (const char* line : {R"(room.gltf: light "Sun" (directional) -> sun of the render settings)",
                             R"(room.gltf: light "Lamp" (point) -> emitting mesh "Lamp")", "Wrote "}) {
        EXPECT_NE(imported.output.find(line), std::string::npos) << line << "\n" << imported.output;
    }
    const std::string options = " --frames all --renderer /opt/orvane";
    ASSERT_EQ(Run("-q export " + (root_ / "doc" / "room.json").string() + " -o " + (root_ / "a" / "room.ovs").string() +
                  options).status,
              0);
    // The scene file itself, imported in memory, exports to the same files.
    const Result direct = Run("-q export " + Scene() + " -o " + (root_ / "b" / "room.ovs").string() + options);
    ASSERT_EQ(direct.status, 0) << direct.output;
    for (const char* file : {"room_frame0.ovs", "room_frame30.ovs", "models.room/room-2.obj"}) {
        EXPECT_EQ(ReadText((root_ / "a" / file).string()), ReadText((root_ / "b" / file).string())) << file;
    }

    // The file is y-up and right-handed; the renderer's scenes are z-up: (x, y, z) → (x, -z, y).
    const std::string first = ReadText((root_ / "a" / "room_frame0.ovs").string());
    const std::string last = ReadText((root_ / "a" / "room_frame30.ovs").string());
    EXPECT_EQ(Key(first, "", "pos"), "0.00000 -5.00000 1.00000");  // the camera at (0, 1, 5)
    EXPECT_EQ(Key(first, "", "forwards"), "0.00000 1.00000 0.00000");  // looking along -z
    EXPECT_EQ(Key(first, "", "up"), "0.00000 0.00000 1.00000");
    EXPECT_EQ(Key(first, "", "aspect_ratio"), "1.50000");
    EXPECT_EQ(Key(first, "", "sundir"), "0.00000 -0.50000 0.86603");  // lit from 60 degrees up
    // The box slides from (0, 0.5, 0) to (0, 0.5, -2) and turns 90 degrees about y.
    EXPECT_EQ(Key(first, "Box", "pos"), "0.00000000 0.00000000 0.50000000");
    EXPECT_EQ(Key(last, "Box", "pos"), "0.00000000 2.00000000 0.50000000");
    EXPECT_EQ(Key(last, "Box", "matrix"), "0.00000008 -0.99999988 0.00000000 0.99999988 0.00000008 0.00000000 "
                                          "0.00000000 0.00000000 1.00000000");
    EXPECT_EQ(Key(first, "Lamp", "pos"), "1.00000000 0.00000000 2.00000000");
    EXPECT_NE(Key(first, "Box", "spectrum").find("<rgb>1 0.8 0.6</rgb>"), std::string::npos);  // its emission
    // The materials keep their names, the floor its texture.
    EXPECT_NE(Key(first, "", "albedo_texture").find("tests\\data\\import\\wood.png</path>"), std::string::npos);
    EXPECT_NE(first.find("<name>Glow</name>"), std::string::npos);
    // The floor's corners (-2, 0, ±2), (2, 0, ±2) lie in the ground plane, its normals up, and its
    // faces turn counter-clockwise seen from above: the file's front.
    const std::string floor = ReadText((root_ / "a" / "models.room" / "room-2.obj").string());
    EXPECT_NE(floor.find("v -2.00000000 -2.00000000 0.00000000\nv 2.00000000 -2.00000000 0.00000000\n"
                         "v 2.00000000 2.00000000 0.00000000\nv -2.00000000 2.00000000 0.00000000\n"),
              std::string::npos)
        << floor;
    EXPECT_NE(floor.find("vn 0.00000000 0.00000000 1.00000000\n"), std::string::npos);
    EXPECT_NE(floor.find("f 2/3/3 3/2/2 1/1/1\n"), std::string::npos);
}

TEST_F(ImportCliTest, RefusedScenesAndMissingTextures) {
    std::ofstream(root_ / "broken.glb") << "glTF not really";
    const Result broken = Run("import " + (root_ / "broken.glb").string() + " -o " + (root_ / "x.json").string());
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.output.find("vexlor: " + (root_ / "broken.glb").string() + ": cannot import the scene: "),
              std::string::npos)
        << broken.output;
    EXPECT_FALSE(fs::exists(root_ / "x.json"));
    EXPECT_EQ(Run("-q export " + (root_ / "broken.glb").string() + " -o " + (root_ / "x.ovs").string() +
                  " --renderer /opt/r").status,
              2);

    // A texture that is not there: one warning, and the import goes on.
    std::ofstream(root_ / "one.obj") << "mtllib one.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Paint\nf 1 2 3\n";
    std::ofstream(root_ / "one.mtl") << "newmtl Paint\nmap_Kd lost.png\n";
    const Result missing = Run("import --no-convert " + (root_ / "one.obj").string() + " -o " +
                               (root_ / "one.json").string());
    EXPECT_EQ(missing.status, 0) << missing.output;
    EXPECT_NE(missing.output.find("vexlor: warning: one.obj: material \"Paint\": texture file " +
                                  (root_ / "lost.png").string() + " not found\n"),
              std::string::npos)
        << missing.output;
    EXPECT_EQ(ReadText((root_ / "one.json").string()).find("MyMaterialHelper"), std::string::npos);  // --no-convert
}

}  // namespace
