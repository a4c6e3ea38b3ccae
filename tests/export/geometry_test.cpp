#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>

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
    EXPECT_EQ(Texts(0, "mesh_name"), (std::vector<std::string>{"room-0", "room-1"}));
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

}  // namespace
