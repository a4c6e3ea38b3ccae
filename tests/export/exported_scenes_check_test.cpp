// Every example document and every golden input document that is exported to a scene goes
// through the export and then through the scene check (headless/check/), which must find
// nothing: a scene that names a mesh, material, medium or file that is not there fails here,
// whichever writer it comes from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/frame_loop.h"
#include "headless/check/check.h"
#include "materials/convert.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;

using testing_support::ModuleTest;
using testing_support::SourcePath;

struct ExportCase {
    const char* document;  // relative to the repository
    bool frameRange;       // frames 0 to 2 with shared static meshes, else the current frame
    bool network;          // texture copies beside the scene
    bool convert;          // Convert Materials first: helper tags for the host materials
    int32_t first = 0;     // the first frame of a range
};

class ExportedScenesCheck : public ModuleTest, public testing::WithParamInterface<ExportCase> {};

TEST_P(ExportedScenesCheck, CheckFindsNothing) {
    const ExportCase& c = GetParam();
#ifdef _WIN32
    // Drive C: is this machine's own on Windows, not a folder the test can fill.
    if (const std::string name = c.document; name.ends_with("tagged.json") || name.ends_with("sound_scenes.json")) {
        GTEST_SKIP() << c.document << " names files on drive C:";
    }
#endif
    // The files that documents name on drive C:.
    const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    for (const char* file : {"maps/dust.png", "curves/film.txt", "m/x.obj", "n/x.obj", "../out/x.obj"}) {
        fs::create_directories((scratch_ / "c" / file).parent_path());
        std::ofstream(scratch_ / "c" / file) << (fs::path(file).extension() == ".obj" ? kTriangle : "data");
    }
    host_.Files().MapDrive('C', (scratch_ / "c").string());

    headless::LoadError error;
    auto document = headless::LoadDocumentFile(SourcePath(c.document), host_.Files(), &host_.Registry(), error);
    ASSERT_TRUE(document) << error.message;
    host_.SetDocument(std::move(document));
    if (c.convert) {
        ASSERT_TRUE(ConvertMaterials(*host_.Document()));
    }
    ExportOptions options;
    options.useFrameRange = c.frameRange;
    options.firstFrame = c.first;
    options.lastFrame = c.frameRange ? c.first + 2 : c.first;
    options.networkRender = c.network;
    fs::create_directories(scratch_ / "out");
    const ExportResult result = ExportFrames(*host_.Document(), HostPath("out/scene.ovs"), options);
    ASSERT_GE(result.framesWritten, 1);
    ASSERT_TRUE(result.Ok());

    int scenes = 0;
    for (const auto& entry : fs::directory_iterator(scratch_ / "out")) {
        if (entry.path().extension() != ".ovs") continue;
        ++scenes;
        const headless::SceneCheck check = headless::CheckScene(entry.path().string(), host_.Files());
        ASSERT_TRUE(check.readable) << entry.path();
        for (const headless::CheckProblem& problem : check.problems) ADD_FAILURE() << headless::FormatProblem(problem);
    }
    EXPECT_EQ(scenes, result.framesWritten);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ExportedScenesCheck,
    testing::Values(ExportCase{"examples/room.json", false, false, true},
                    ExportCase{"examples/room.json", true, false, true},
                    ExportCase{"examples/studio.json", false, false, true},
                    ExportCase{"examples/glass_and_light.json", false, false, false},
                    ExportCase{"examples/materials.json", false, false, false},
                    ExportCase{"examples/materials.json", true, true, false},
                    ExportCase{"tests/data/golden/settings/plain.json", false, false, false},
                    ExportCase{"tests/data/golden/settings/tagged.json", false, false, false},
                    // Hidden instance sources, an animation that ended before the range,
                    // external files of one name, names with control characters.
                    ExportCase{"tests/data/docs/sound_scenes.json", true, false, false, 25}),
    [](const testing::TestParamInfo<ExportCase>& info) {
        std::string name = fs::path(info.param.document).stem().string();
        if (info.param.frameRange) name += "_frames";
        if (info.param.network) name += "_network";
        if (info.param.convert) name += "_converted";
        return name;
    });

// The golden scene files themselves: names and numbers (the files they name are not kept
// beside them).
TEST(GoldenScenesCheck, CheckFindsNothing) {
    const headless::FileSystem files;
    headless::CheckOptions options;
    options.checkFiles = false;
    int scenes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(SourcePath("tests/data/golden"))) {
        if (entry.path().extension() != ".ovs") continue;
        ++scenes;
        const headless::SceneCheck check = headless::CheckScene(entry.path().string(), files, options);
        ASSERT_TRUE(check.readable) << entry.path();
        for (const headless::CheckProblem& problem : check.problems) ADD_FAILURE() << headless::FormatProblem(problem);
    }
    EXPECT_GE(scenes, 3);
}

}  // namespace
