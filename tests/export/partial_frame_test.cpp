// A frame that could not write all of its files writes no scene file: the scene file an
// earlier export left stays as it was, and the frame counts as failed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/frame_loop.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadText;

struct PartialCase {
    const char* name;
    bool networkRender;
    const char* tags;     // of the one polygon object, whose material has a texture
    const char* blocked;  // the file of the frame that cannot be written
};
void PrintTo(const PartialCase& c, std::ostream* out) { *out << c.name; }

class PartialFrame : public testing_support::ModuleTest, public testing::WithParamInterface<PartialCase> {};

TEST_P(PartialFrame, KeepsThePreviousSceneFilesAndFails) {
    const PartialCase& c = GetParam();
    fs::create_directories(scratch_ / "maps");
    std::ofstream(scratch_ / "maps" / "oak.jpg") << "oak";
    LoadDocument(R"({"materials": [{"name": "Wood", "channels": {"0": {"on": true, "texture": "oak.jpg", "folder": )" +
                 nlohmann::json(HostPath("maps").Str()).dump() + R"(}}}], "objects": [{"type": "polygon", )" +
                 R"("points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0,1,2]], "tags": )" + c.tags + "}]}");
    const std::string previous[] = {"<scene>frame 0</scene>\n", "<scene>frame 1</scene>\r\n"};
    for (int frame : {0, 1}) {
        std::ofstream(NativePath("room_frame" + std::to_string(frame) + ".ovs"), std::ios::binary) << previous[frame];
    }
    fs::create_directories(NativePath(c.blocked));  // the host's writer refuses a name that is a folder
    ExportOptions options;
    options.networkRender = c.networkRender;
    options.useFrameRange = true;
    options.lastFrame = 1;  // the second frame tries the meshes that the first could not write again

    ExportResult result = ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
    EXPECT_EQ(result.framesWritten, 0);
    EXPECT_EQ(result.framesFailed, 2);
    const std::string console = ConsoleText();
    EXPECT_NE(console.find(HostPath(c.blocked).Str()), std::string::npos) << console;  // the file's own line
    for (int frame : {0, 1}) {
        const std::string name = "room_frame" + std::to_string(frame) + ".ovs";
        EXPECT_EQ(ReadText(NativePath(name)), previous[frame]) << name;
        EXPECT_NE(console.find("* Error: the scene file was not written, because not every file of the frame could "
                               "be written: " + HostPath(name).Str() + "\n"),
                  std::string::npos)
            << console;
    }
    // The same document exports whole once the way is clear.
    fs::remove(NativePath(c.blocked));
    result = ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
    EXPECT_EQ(result.framesWritten, 2);
    EXPECT_NE(ReadText(NativePath("room_frame0.ovs")), previous[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PartialFrame,
    testing::Values(
        PartialCase{"MeshFile", false, "[]", "models.room/room-0.obj"},
        PartialCase{"MaterialTextureCopy", true,
                    R"([{"type": "texture", "material": "Wood"},
                        {"type": "MyMaterialHelper", "params": {"1001": {"material": "Wood"}}}])",
                    "textures.room/Wood.oak.jpg"},
        PartialCase{"MeshLightTextureCopy", true,
                    R"([{"type": "texture", "material": "Wood"}, {"type": "MyLightTag", "params": {}}])",
                    "textures.room/Wood.oak.jpg"}),
    [](const testing::TestParamInfo<PartialCase>& info) { return std::string(info.param.name); });

}  // namespace
