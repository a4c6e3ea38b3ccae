// The "tonemapping" element, from the camera tag of the scene camera.
#include <gtest/gtest.h>

#include <string>

#include "export/settings_elements.h"
#include "tests/support/module_fixture.h"
#include "tests/support/settings_test_support.h"

namespace {

using testing_support::ModuleTest;

const char* const kFixedReinhard =
    "<tonemapping><reinhard><pre_scale>3</pre_scale><post_scale>1</post_scale><burn>10</burn></reinhard></tonemapping>";

class ToneMapping : public ModuleTest {
protected:
    std::string Written() {
        TiXmlElement scene("scene");
        AppendMarker(scene);
        EXPECT_EQ(WriteToneMapping(host_.Document(), scene), 1);
        const TiXmlNode* written = scene.LastChild();
        EXPECT_NE(written, scene.FirstChild()) << "nothing appended";
        return settings_testing::Compact(*written);
    }
    // The scene camera "Cam" with a camera tag of these parameters.
    std::string WrittenForTag(const std::string& params) {
        LoadDocument(R"({"camera": "Cam", "objects": [{"type": "camera", "name": "Cam", "tags": [
                         {"type": "CameraTag", "params": {)" + params + "}}]}]}");
        return Written();
    }
    static void AppendMarker(TiXmlElement& scene) { scene.LinkEndChild(new TiXmlElement("camera")); }
};

TEST_F(ToneMapping, CameraWithoutTagGetsTheFixedReinhardMapping) {
    LoadDocument(R"({"camera": "Cam", "objects": [{"type": "camera", "name": "Cam"},
                     {"type": "camera", "name": "Other", "tags": [{"type": "CameraTag", "params": {"1945": 1946}}]}]})");
    EXPECT_EQ(Written(), kFixedReinhard);
}

TEST_F(ToneMapping, EditorCameraHasNoTag) {
    LoadDocument(R"({"objects": [{"type": "camera", "name": "Cam", "tags": [{"type": "CameraTag", "params": {"1945": 1946}}]}]})");
    EXPECT_EQ(Written(), kFixedReinhard);
}

struct ToneCase {
    const char* name;
    const char* params;
    const char* xml;
};

class ToneMappingMethods : public ToneMapping, public testing::WithParamInterface<ToneCase> {};

TEST_P(ToneMappingMethods, WriteTheMethodTheTagChose) { EXPECT_EQ(WrittenForTag(GetParam().params), GetParam().xml); }

INSTANTIATE_TEST_SUITE_P(
    ToneMapping, ToneMappingMethods,
    testing::Values(
        // A new tag's values give the same texts as the fixed mapping.
        ToneCase{"NewTag", "", kFixedReinhard},
        ToneCase{"Reinhard", R"("1949": 3.3, "1950": 0.8, "1952": 4.25, "1943": 2)",
                 "<tonemapping><reinhard><pre_scale>3.3</pre_scale><post_scale>0.8</post_scale><burn>4.25</burn>"
                 "</reinhard></tonemapping>"},
        ToneCase{"LinearScaleOnly", R"("1945": 1946, "1949": 2.5, "1950": 7, "1952": 9)",
                 "<tonemapping><linear><scale>2.5</scale></linear></tonemapping>"},
        ToneCase{"CameraResponse",
                 R"("1945": 1948, "1942": 400, "1943": -1.333, "1944": {"file": "C:\\curves\\film 1.txt"})",
                 "<tonemapping><camera><film_iso>400</film_iso><ev_adjust>-1.333</ev_adjust>"
                 "<response_function_path>C:\\curves\\film 1.txt</response_function_path></camera></tonemapping>"},
        // An empty file name is written empty; only a missing one is said to be not set.
        ToneCase{"CameraResponseWithoutFile", R"("1945": 1948)",
                 "<tonemapping><camera><film_iso>100</film_iso><ev_adjust>0</ev_adjust>"
                 "<response_function_path></response_function_path></camera></tonemapping>"},
        ToneCase{"UnknownMethod", R"("1945": 1949)", "<tonemapping />"}),
    [](const testing::TestParamInfo<ToneCase>& info) { return std::string(info.param.name); });

TEST_F(ToneMapping, MissingResponseFileIsSaidToBeNotSet) {
    LoadDocument(R"({"camera": "Cam", "objects": [{"type": "camera", "name": "Cam", "tags": [
                     {"type": "CameraTag", "params": {"1945": 1948}}]}]})");
    host_.Document()->SearchObject("Cam")->GetTag(1022083)->Data().Remove(1944);
    EXPECT_NE(Written().find("<response_function_path>Fileneme/not/set</response_function_path>"), std::string::npos);
}

}  // namespace
