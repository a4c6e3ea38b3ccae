#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "export/export_xml.h"
#include "export/frame_loop.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ExpectMatchesGolden;
using testing_support::ReadText;
using testing_support::SourcePath;

const char* kQuad = R"("points": [[0,0,0],[100,0,0],[100,0,100],[0,0,100]], "polygons": [[0,1,2,3]])";

std::string Polygon(const std::string& name, const std::string& extra = "") {
    return R"({"type": "polygon", "name": ")" + name + "\", " + kQuad + extra + "}";
}

class GeometryTest : public testing_support::ModuleTest {
protected:
    ExportResult Export(int32_t first, int32_t last, bool shareStatic = true) {
        ExportOptions options;
        options.useFrameRange = true;
        options.firstFrame = first;
        options.lastFrame = last;
        options.shareStaticMeshes = shareStatic;
        return ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
    }
    // The geometry elements of a frame's scene file, as text.
    std::string Geometry(int32_t frame) {
        TiXmlDocument xml;
        const std::string text = ReadText(NativePath("room_frame" + std::to_string(frame) + ".ovs"));
        xml.Parse(text.c_str());
        std::string out;
        const TiXmlElement* scene = xml.FirstChildElement("scene");
        if (!scene) return "no scene";
        for (const TiXmlElement* e = scene->FirstChildElement(); e; e = e->NextSiblingElement()) {
            static const std::set<std::string> kinds = {"mesh", "model", "exit_portal", "plane", "sphere"};
            if (!kinds.count(e->ValueStr())) continue;
            TiXmlPrinter printer;
            printer.SetIndent("  ");
            e->Accept(&printer);
            out += printer.Str();
        }
        return out;
    }
    std::vector<std::string> Texts(int32_t frame, const std::string& key) {
        const std::string geometry = Geometry(frame);
        std::vector<std::string> texts;
        const std::regex pattern("<" + key + ">([^<]*)</" + key + ">");
        for (auto it = std::sregex_iterator(geometry.begin(), geometry.end(), pattern); it != std::sregex_iterator();
             ++it) {
            texts.push_back((*it)[1]);
        }
        return texts;
    }
    bool MeshFile(const std::string& name) { return fs::exists(NativePath("models.room/" + name + ".obj")); }
    // Every "mesh_name" of the frame names exactly one mesh element, and every written mesh
    // path is a file.
    void ExpectMeshNamesResolve(int32_t frame) {
        const std::vector<std::string> names = Texts(frame, "name");
        for (const std::string& name : names) EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
        for (const std::string& used : Texts(frame, "mesh_name")) {
            EXPECT_NE(std::find(names.begin(), names.end(), used), names.end()) << frame << ": " << used;
        }
        for (std::string path : Texts(frame, "path")) {
            if (path.starts_with("models.")) {
                std::replace(path.begin(), path.end(), '\\', '/');
                EXPECT_TRUE(fs::exists(NativePath(path))) << frame << ": " << path;
            }
        }
    }
};

TEST_F(GeometryTest, GoldenSceneElements) {
    LoadDocument(std::string(R"({"materials": [{"name": "Red Metal", "type": "standard"}], "objects": [
        {"type": "null", "name": "Hidden group", "render": "off", "children": [)") + Polygon("A") + R"(]},
        )" + Polygon("B", R"(, "position": [10, 20, 30], "tags": [{"type": "smoothing"},
            {"type": "texture", "material": "Red Metal"}])") + R"(,
        )" + Polygon("Portal", R"(, "tags": [{"type": "MyExitPortal"}, {"type": "MyLightTag"}])") + R"(,
        {"type": "polygon", "name": "Empty"},
        {"type": "instance", "name": "B again", "position": [0, 0, 500], "rotation": [90, 0, 0],
         "params": {"1001": {"object": "B"}}},
        {"type": "floor", "name": "Ground", "position": [0, 3, 0], "rotation": [0, 30, 10]},
        {"type": "sphere", "name": "Ball", "position": [1, 2, 3], "params": {"1110": 50},
         "tags": [{"type": "texture", "material": "Red Metal"}]}]})");
    Export(0, 0);
    ExpectMatchesGolden(Geometry(0), "geometry/scene_frame0.xml");
    EXPECT_FALSE(MeshFile("room-0"));  // A is hidden but takes number 0
    EXPECT_TRUE(MeshFile("room-1"));
    EXPECT_TRUE(MeshFile("room-2"));
    EXPECT_FALSE(MeshFile("room-3"));  // an object without polygons
}

TEST_F(GeometryTest, AnimationTagDecidesNamesAndRewrites) {
    LoadDocument("{\"objects\": [" +
                 Polygon("Anim", R"(, "tags": [{"type": "AnimationTag", "params": {"70001": 10, "70002": 20}}])") +
                 "]}");
    Export(5, 25);
    EXPECT_EQ(Texts(5, "mesh_name"), std::vector<std::string>{"room-0"});
    EXPECT_EQ(Texts(15, "mesh_name"), std::vector<std::string>{"room-0_frame15"});
    EXPECT_EQ(Texts(25, "mesh_name"), std::vector<std::string>{"room-0_frame20"});
    EXPECT_TRUE(MeshFile("room-0"));
    for (int frame = 10; frame <= 20; ++frame) EXPECT_TRUE(MeshFile("room-0_frame" + std::to_string(frame)));
    EXPECT_FALSE(MeshFile("room-0_frame9"));
    EXPECT_FALSE(MeshFile("room-0_frame21"));
    // Every scene of the range names files that exist.
    for (int frame = 5; frame <= 25; ++frame) {
        for (const std::string& path : Texts(frame, "path")) {
            std::string native = path;
            std::replace(native.begin(), native.end(), '\\', '/');
            EXPECT_TRUE(fs::exists(NativePath(native))) << frame << ": " << path;
        }
    }
}

TEST_F(GeometryTest, StaticMeshesAreWrittenOnceUnlessSharingIsOff) {
    LoadDocument("{\"objects\": [" + Polygon("Still") + "]}");
    Export(1, 2);
    EXPECT_TRUE(MeshFile("room-0"));
    EXPECT_EQ(Texts(2, "mesh_name"), std::vector<std::string>{"room-0"});
    fs::remove_all(NativePath("models.room"));
    Export(1, 2, false);
    EXPECT_TRUE(MeshFile("room-0_frame1"));
    EXPECT_TRUE(MeshFile("room-0_frame2"));
    EXPECT_EQ(Texts(2, "mesh_name"), std::vector<std::string>{"room-0_frame2"});
}

// A mesh file that cannot be written is reported, and the export goes on with the next object.
TEST_F(GeometryTest, AnUnwritableMeshFileDoesNotStopTheOthers) {
    LoadDocument("{\"objects\": [" + Polygon("Blocked") + ", " + Polygon("Free") + "]}");
    fs::create_directories(NativePath("models.room/room-0.obj"));  // a directory where the file goes
    Export(0, 0);
    const std::vector<std::string>& console = host_.Console();
    EXPECT_NE(std::find(console.begin(), console.end(),
                        "* Error: the mesh file could not be written: " +
                            host_.Files().ToHost(NativePath("models.room/room-0.obj")).Str()),
              console.end());
    EXPECT_TRUE(MeshFile("room-1"));
    EXPECT_FALSE(fs::exists(NativePath("room_frame0.ovs")));  // a scene would name the missing mesh
}

TEST_F(GeometryTest, EqualFirstAndLastFrameMeanNoAnimation) {
    LoadDocument("{\"objects\": [" +
                 Polygon("Anim", R"(, "tags": [{"type": "AnimationTag", "params": {"70001": 3, "70002": 3}}])") + "]}");
    Export(3, 3);
    EXPECT_EQ(Texts(3, "mesh_name"), std::vector<std::string>{"room-0"});
}

TEST_F(GeometryTest, InstancesOfOneExternalFileShareOneMesh) {
    std::string objects;
    for (int i = 0; i < 3; ++i) {
        objects += std::string(i ? "," : "") + R"({"type": "OrvaneInstance", "name": "I)" + std::to_string(i) +
                   R"(", "position": [)" + std::to_string(i * 10) +
                   R"(, 0, 0], "params": {"10001": true, "10002": {"file": "D:\\lib\\tree.obj"}}})";
    }
    LoadDocument("{\"objects\": [" + objects + "]}");
    Export(0, 0);
    EXPECT_EQ(Texts(0, "name"), std::vector<std::string>{"tree.obj"});
    EXPECT_EQ(Texts(0, "path"), std::vector<std::string>{"D:\\lib\\tree.obj"});
    EXPECT_EQ(Texts(0, "mesh_name"), (std::vector<std::string>{"tree.obj", "tree.obj", "tree.obj"}));
}

TEST_F(GeometryTest, InstanceOfAHiddenSourceWritesNoModel) {
    LoadDocument("{\"objects\": [" + Polygon("P", R"(, "render": "off")") +
                 R"(, {"type": "OrvaneInstance", "name": "I", "params": {"10000": {"object": "P"}}}]})");
    Export(0, 0);
    EXPECT_TRUE(Texts(0, "mesh_name").empty());
}

TEST_F(GeometryTest, InstanceWithoutASourceIsSkippedWithAConsoleLine) {
    LoadDocument(R"({"objects": [{"type": "instance", "name": "Lonely"}]})");
    Export(0, 0);
    EXPECT_TRUE(Texts(0, "mesh_name").empty());
    EXPECT_NE(ConsoleText().find("* Skipped instance \"Lonely\": it repeats no object."), std::string::npos);
}

TEST_F(GeometryTest, RepeatingLeavesTheSourceExactlyWhereItWas) {
    headless::HlDocument& document = LoadDocument(
        "{\"objects\": [{\"type\": \"null\", \"name\": \"Parent\", \"rotation\": [33, 12, 5], \"scale\": [2, 3, 4], "
        "\"children\": [" +
        Polygon("P", R"(, "position": [1.1, 2.2, 3.3], "rotation": [10, 20, 30], "scale": [0.5, 0.25, 2])") +
        R"(]}, {"type": "instance", "name": "I", "position": [7, 8, 9], "params": {"1001": {"object": "P"}}}]})");
    const std::string before = headless::SaveDocument(document);
    Export(0, 0);
    EXPECT_EQ(headless::SaveDocument(document), before);
    const auto names = Texts(0, "mesh_name");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], names[1]);
    const auto positions = Texts(0, "pos");
    ASSERT_EQ(positions.size(), 2u);
    // The repeated model stands at the instance's place (x, z, y in scene axes), up to the
    // rounding of moving the source under its rotated, scaled parent.
    float x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(positions[1].c_str(), "%f %f %f", &x, &y, &z), 3) << positions[1];
    EXPECT_NEAR(x, 7.0f, 1e-5f);
    EXPECT_NEAR(y, 9.0f, 1e-5f);
    EXPECT_NEAR(z, 8.0f, 1e-5f);
}

// Sources hidden under a switched-off parent and repeated by visible instances: their meshes
// are written (file and element), the sources themselves are not placed.
TEST_F(GeometryTest, HiddenSourcesOfInstancesGetTheirMeshes) {
    LoadDocument(std::string(R"({"objects": [{"type": "null", "name": "Library", "render": "off", "children": [)") +
                 Polygon("Tree", R"(, "children": [)" + Polygon("Leaves") + "]") + "," +
                 Polygon("Portal", R"(, "tags": [{"type": "MyExitPortal"}])") + R"(]},
        {"type": "instance", "name": "T1", "position": [500, 0, 0], "params": {"1001": {"object": "Tree"}}},
        {"type": "OrvaneInstance", "name": "T2", "params": {"10000": {"object": "Tree"}}},
        {"type": "instance", "name": "P1", "params": {"1001": {"object": "Portal"}}}]})");
    Export(0, 0);
    EXPECT_EQ(Texts(0, "name"), (std::vector<std::string>{"room-0", "room-1", "room-2"}));
    EXPECT_EQ(Texts(0, "mesh_name"),
              (std::vector<std::string>{"room-0", "room-1", "room-0", "room-1", "room-2"}));
    for (const char* name : {"room-0", "room-1", "room-2"}) EXPECT_TRUE(MeshFile(name)) << name;
    ExpectMeshNamesResolve(0);
    // The hidden originals are not placed: two copies of Tree and Leaves, one portal.
    EXPECT_EQ(Texts(0, "pos").size(), 5u);
}

// An animation that ended before the first exported frame: that frame writes the mesh under
// the name its elements use (also when the tag sits on an ancestor).
TEST_F(GeometryTest, AnimationEndedBeforeTheFirstFrame) {
    const std::string tag = R"("tags": [{"type": "AnimationTag", "params": {"70001": 10, "70002": 20}}])";
    for (const bool onParent : {false, true}) {
        fs::remove_all(NativePath("models.room"));
        LoadDocument("{\"objects\": [" +
                     (onParent ? R"({"type": "null", "name": "Rig", )" + tag + R"(, "children": [)" + Polygon("A") + "]}"
                               : Polygon("A", ", " + tag)) +
                     "]}");
        Export(25, 27);
        for (int32_t frame = 25; frame <= 27; ++frame) {
            EXPECT_EQ(Texts(frame, "mesh_name"), std::vector<std::string>{"room-0_frame20"}) << onParent;
            ExpectMeshNamesResolve(frame);
        }
        EXPECT_TRUE(MeshFile("room-0_frame20"));
        EXPECT_FALSE(MeshFile("room-0"));
    }
}

// Distinct external files with one file-name part get distinct mesh names; paths that the
// host's comparison finds equal share one mesh, and each model names its file's mesh.
TEST_F(GeometryTest, ExternalMeshNamesAreUniquePerFile) {
    const char* files[] = {R"(D:/m/x.obj)", R"(x.obj)", R"(C:\\M\\X.OBJ)", R"(c:\\m\\x.obj)", R"(D:\\M\\x.obj)",
                           R"(E:\\y\\x-2.obj)"};
    std::string objects;
    for (const char* file : files) {
        objects += std::string(objects.empty() ? "" : ",") +
                   R"({"type": "OrvaneInstance", "name": "I", "params": {"10001": true, "10002": {"file": ")" + file +
                   "\"}}}";
    }
    LoadDocument("{\"objects\": [" + objects + "]}");
    Export(0, 0);
    EXPECT_EQ(Texts(0, "name"), (std::vector<std::string>{"x.obj", "x-2.obj", "X-3.OBJ", "x-2-2.obj"}));
    EXPECT_EQ(Texts(0, "path"), (std::vector<std::string>{"D:/m/x.obj", "x.obj", "C:\\M\\X.OBJ", "E:\\y\\x-2.obj"}));
    EXPECT_EQ(Texts(0, "mesh_name"),
              (std::vector<std::string>{"x.obj", "x-2.obj", "X-3.OBJ", "X-3.OBJ", "x.obj", "x-2-2.obj"}));
}

// The copy of a source under a non-uniformly scaled parent is placed as the instance is: the
// same rotation as an object placed there by hand.
TEST_F(GeometryTest, InstanceCopiesTakeTheInstancesAxes) {
    LoadDocument(std::string(R"({"objects": [{"type": "null", "name": "Stretch", "scale": [1, 2, 1], "children": [)") +
                 Polygon("Source") + R"(]},
        {"type": "instance", "name": "Copy", "position": [10, 0, 0], "rotation": [90, 0, 0],
         "params": {"1001": {"object": "Source"}}},)" +
                 Polygon("By hand", R"(, "position": [10, 0, 0], "rotation": [90, 0, 0])") + "]}");
    Export(0, 0);
    const auto matrices = Texts(0, "matrix");
    ASSERT_EQ(matrices.size(), 3u);
    EXPECT_EQ(matrices[1], matrices[2]);
    EXPECT_NE(matrices[0], matrices[1]);
}

// Under a rotated, non-uniformly scaled parent an object's axes are sheared: the rotation
// text holds the axes of its global matrix, in scene order.
TEST_F(GeometryTest, ShearedAxesAreWrittenAsTheyAre) {
    headless::HlDocument& document = LoadDocument(
        std::string(R"({"objects": [{"type": "null", "name": "N", "scale": [1, 3, 1], "children": [)") +
        Polygon("P", R"(, "rotation": [0, 0, 45])") + "]}]}");
    Export(0, 0);
    const Matrix g = document.GetFirstObject()->GetDown()->GetMg();
    const float expected[9] = {g.v1.x, g.v3.x, g.v2.x, g.v1.z, g.v3.z, g.v2.z, g.v1.y, g.v3.y, g.v2.y};
    std::istringstream numbers(Texts(0, "matrix").at(0));
    for (float e : expected) {
        float value = 0;
        ASSERT_TRUE(numbers >> value);
        EXPECT_NEAR(value, e, 1e-6f);
    }
    EXPECT_GT(std::fabs(g.v1.x * g.v2.x + g.v1.y * g.v2.y + g.v1.z * g.v2.z), 0.1f);  // really sheared
}

}  // namespace
