// Whole scene files of documents with and without render settings and camera tag, and the
// export driver's choice of the render settings object.
#include <gtest/gtest.h>

#include <string>

#include "export/frame_loop.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ExpectMatchesGolden;
using testing_support::ModuleTest;
using testing_support::ReadText;
using testing_support::SourcePath;

class SettingsScene : public ModuleTest {
protected:
    // Exports the current frame of the document text; the scene file's text.
    std::string Exported(const std::string& json) {
        LoadDocument(json);
        EXPECT_EQ(ExportFrames(*host_.Document(), HostPath("scene.ovs"), {}).framesWritten, 1);
        return ReadText(NativePath("scene_frame0.ovs"));
    }
    static bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

class SettingsGolden : public SettingsScene, public testing::WithParamInterface<const char*> {};

TEST_P(SettingsGolden, SceneFileMatches) {
    const std::string base = std::string("settings/") + GetParam();
    ExpectMatchesGolden(Exported(ReadText(SourcePath("tests/data/golden/" + base + ".json"))), base + "_frame0.ovs");
}

// "tagged": a render settings object (scale 100, sky with a sun object) and a camera tag with
// most of its options; "plain": a switched-off render settings object and an untagged camera.
INSTANTIATE_TEST_SUITE_P(Settings, SettingsGolden, testing::Values("tagged", "plain"));

TEST_F(SettingsScene, FirstRenderSettingsObjectInTreeOrderIsUsed) {
    const std::string scene = Exported(R"({"camera": "Cam", "objects": [
        {"type": "null", "children": [{"type": "MyRenderSettings", "params": {"1340": 2.0, "1334": 1335}}]},
        {"type": "MyRenderSettings", "params": {"1340": 3.0, "1334": 1338}},
        {"type": "camera", "name": "Cam", "position": [1, 0, 0]}]})");
    EXPECT_TRUE(Holds(scene, "<metropolis>false</metropolis>"));
    EXPECT_TRUE(Holds(scene, "<ray_origin_nudge_distance>0.00020</ray_origin_nudge_distance>"));
    EXPECT_TRUE(Holds(scene, "<pos>2.00000 0.00000 0.00000</pos>"));
}

TEST_F(SettingsScene, StudioExampleExports) {
    const std::string scene = Exported(ReadText(SourcePath("examples/studio.json")));
    EXPECT_TRUE(Holds(scene, "<ray_origin_nudge_distance>0.01000</ray_origin_nudge_distance>\n"
                             "        <width>1280</width>"));
    EXPECT_TRUE(Holds(scene, "<skylight>\n        <sundir>42.39992 -31.79994 84.79984</sundir>"));
    EXPECT_TRUE(Holds(scene, "<reinhard>\n            <pre_scale>2</pre_scale>\n            <post_scale>1</post_scale>\n"
                             "            <burn>6</burn>"));
}

}  // namespace
