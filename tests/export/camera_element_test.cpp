// The "camera" element and the image keys a camera tag adds to "renderer_settings".
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/xml.h"
#include "export/settings_elements.h"
#include "tests/support/module_fixture.h"

#include "tests/support/settings_test_support.h"

namespace {

using settings_testing::Compact;

using testing_support::ModuleTest;

struct Written {
    std::string settings;  // "renderer_settings", which held one key before
    std::string camera;
};

class CameraElement : public ModuleTest {
protected:
    // The scene camera "Cam": `camera` holds its placement and parameters (JSON members),
    // `tag` the camera tag's parameters (null: no tag).
    Written Write(const std::string& camera, const char* tag, float sceneScale = 1.0f) {
        std::string tags;
        if (tag) tags = std::string(R"(, "tags": [{"type": "CameraTag", "params": {)") + tag + "}}]";
        LoadDocument(R"({"camera": "Cam", "objects": [{"type": "camera", "name": "Cam")" +
                     (camera.empty() ? "" : ", " + camera) + tags + "}]}");
        return Run(sceneScale);
    }
    Written Run(float sceneScale) {
        const SceneContext context{host_.Document(), HostPath("room.ovs").GetDirectory(), sceneScale};
        TiXmlElement scene("scene");
        TiXmlElement settings("renderer_settings");
        AppendKey(settings, "render_foreground_alpha", "false");
        EXPECT_EQ(WriteCamera(context, scene, settings), 1);
        const TiXmlElement* camera = scene.FirstChildElement("camera");
        EXPECT_NE(camera, nullptr);
        EXPECT_EQ(camera, scene.LastChild());
        return {Compact(settings), camera ? Compact(*camera) : ""};
    }
    // The text of one key of the camera element.
    static std::string Key(const Written& written, const std::string& key) {
        const size_t start = written.camera.find("<" + key + ">");
        if (start == std::string::npos) return "(none)";
        const size_t from = start + key.size() + 2;
        return written.camera.substr(from, written.camera.find('<', from) - from);
    }
};

const char* const kStandardLens = R"("params": {"500": 36.0, "1006": 36.0, "1010": 0.0})";
const char* const kOnlyAlpha = "<renderer_settings><render_foreground_alpha>false</render_foreground_alpha></renderer_settings>";

TEST_F(CameraElement, WithoutTagTheCameraIsCompleteWithFixedValues) {
    const Written written = Write(std::string(R"("position": [1, 2, 3], )") + kStandardLens, nullptr);
    EXPECT_EQ(written.settings, kOnlyAlpha);
    EXPECT_EQ(written.camera,
              "<camera><pos>1.00000 3.00000 2.00000</pos><up>0.00000 0.00000 1.00000</up>"
              "<forwards>0.00000 1.00000 0.00000</forwards><focus_distance>1.00000</focus_distance>"
              "<sensor_width>0.03600</sensor_width><lens_sensor_dist>0.03600</lens_sensor_dist>"
              "<aperture_radius>0.00225</aperture_radius><aperture_shape><circular></circular></aperture_shape>"
              "<aspect_ratio>1.333</aspect_ratio><white_balance>D65</white_balance>"
              "<exposure_duration>0.033</exposure_duration><autofocus /></camera>");
}

TEST_F(CameraElement, NewTagWritesTheImageKeysAfterTheExistingOnes) {
    const Written written = Write(kStandardLens, "");
    EXPECT_EQ(written.settings,
              "<renderer_settings><render_foreground_alpha>false</render_foreground_alpha>"
              "<width>640</width><height>480</height><aperture_diffraction>false</aperture_diffraction>"
              "<post_process_diffraction>false</post_process_diffraction><super_sample_factor>2</super_sample_factor>"
              "<splat_filter><mn_cubic><ring>0.20000</ring><blur>0.60000</blur></mn_cubic></splat_filter>"
              "<downsize_filter><mn_cubic><ring>0.20000</ring><blur>0.60000</blur></mn_cubic></downsize_filter>"
              "</renderer_settings>");
    EXPECT_EQ(written.camera,
              "<camera><pos>0.00000 0.00000 0.00000</pos><up>0.00000 0.00000 1.00000</up>"
              "<forwards>0.00000 1.00000 0.00000</forwards><focus_distance>1.00000</focus_distance>"
              "<sensor_width>0.03600</sensor_width><lens_sensor_dist>0.03600</lens_sensor_dist>"
              "<aperture_radius>0.00112</aperture_radius><aperture_shape><circular></circular></aperture_shape>"
              "<aspect_ratio>1.33333</aspect_ratio><white_balance>D65</white_balance>"
              "<exposure_duration>0.03333</exposure_duration><autofocus /></camera>");
}

TEST_F(CameraElement, PlacementInSceneAxesOnlyThePositionScaled) {
    const Written written = Write(
        std::string(R"("matrix": {"offset": [1, 2, 3], "x": [1, 0, 0], "y": [0, 0, 2], "z": [0, -1, 0]}, )") +
            kStandardLens,
        nullptr, 2.0f);
    EXPECT_EQ(Key(written, "pos"), "2.00000 6.00000 4.00000");
    EXPECT_EQ(Key(written, "up"), "0.00000 2.00000 0.00000");  // as stored: not normalised
    EXPECT_EQ(Key(written, "forwards"), "0.00000 0.00000 -1.00000");
}

struct FocusCase {
    float focus;
    float sceneScale;
    const char* text;
};

class CameraFocus : public CameraElement, public testing::WithParamInterface<FocusCase> {};

TEST_P(CameraFocus, ShortDistancesBecomeOne) {
    const std::string params = R"("params": {"500": 36.0, "1006": 36.0, "1010": )" + std::to_string(GetParam().focus) + "}";
    EXPECT_EQ(Key(Write(params, nullptr, GetParam().sceneScale), "focus_distance"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Camera, CameraFocus,
                         testing::Values(FocusCase{0, 1, "1.00000"}, FocusCase{-5, 1, "1.00000"},
                                         FocusCase{0.005f, 2, "1.00000"}, FocusCase{0.006f, 2, "0.01200"},
                                         FocusCase{500, 0.01f, "5.00000"}));

struct LensCase {
    const char* name;
    const char* lens;                // host camera parameters
    std::optional<std::string> tag;  // none: no tag
    const char* lensSensorDist;
    const char* apertureRadius;
};

class CameraLens : public CameraElement, public testing::WithParamInterface<LensCase> {};

TEST_P(CameraLens, LensSensorDistanceAndApertureRadius) {
    const std::optional<std::string>& tag = GetParam().tag;
    const Written written = Write(std::string(R"("params": {)") + GetParam().lens + "}", tag ? tag->c_str() : nullptr);
    EXPECT_EQ(Key(written, "lens_sensor_dist"), GetParam().lensSensorDist);
    EXPECT_EQ(Key(written, "aperture_radius"), GetParam().apertureRadius);
}

// A sensor 1.28 wide behind a lens that sees as much as the film keeps the aperture radii
// clear of rounding ties: 1.28 / (2 N).
LensCase FNumberCase(const char* name, int32_t value, const char* radius) {
    return {name, R"("500": 36.0, "1006": 36.0)", R"("1953": 1.28, "1927": )" + std::to_string(value), "1.28000",
            radius};
}

INSTANTIATE_TEST_SUITE_P(
    Camera, CameraLens,
    testing::Values(
        LensCase{"EqualFocalLengthAndFilm", R"("500": 36.0, "1006": 36.0)", R"("1927": 1934)", "0.03600", "0.00225"},
        LensCase{"LongLens", R"("500": 72.0, "1006": 36.0)", R"("1927": 1934)", "0.07200", "0.00450"},
        LensCase{"NarrowSensor", R"("500": 36.0, "1006": 36.0)", R"("1953": 0.024, "1927": 1934)", "0.02400",
                 "0.00150"},
        // A camera without a usable lens counts as the host's standard lens.
        LensCase{"NoLensParameters", R"("1010": 0.0)", std::nullopt, "0.03600", "0.00225"},
        LensCase{"ZeroFocalLength", R"("500": 0.0, "1006": 36.0)", std::nullopt, "0.03600", "0.00225"},
        LensCase{"NegativeFilm", R"("500": 50.0, "1006": -36.0)", std::nullopt, "0.03600", "0.00225"},
        FNumberCase("F1", 1928, "0.64000"), FNumberCase("F1_4", 1929, "0.45714"),
        FNumberCase("F2", 1930, "0.32000"), FNumberCase("F2_8", 1931, "0.22857"),
        FNumberCase("F4", 1932, "0.16000"), FNumberCase("F5_6", 1933, "0.11429"),
        FNumberCase("F8", 1934, "0.08000"), FNumberCase("F11", 1935, "0.05818"),
        FNumberCase("F16", 1936, "0.04000"), FNumberCase("F22", 1937, "0.02909"),
        FNumberCase("F32", 1938, "0.02000"), FNumberCase("F45", 1939, "0.01422"),
        FNumberCase("F64", 1940, "0.01000"), FNumberCase("UnknownIsF8", 1941, "0.08000"),
        FNumberCase("BelowTheCycleIsF8", 1927, "0.08000")),
    [](const testing::TestParamInfo<LensCase>& info) { return std::string(info.param.name); });

struct TagCase {
    const char* name;
    const char* tag;
    const char* settings;  // a run of the "renderer_settings" XML, or ""
    const char* camera;    // a run of the "camera" XML, or ""
    const char* absent;    // a run that neither holds, or ""
};

class CameraTagged : public CameraElement, public testing::WithParamInterface<TagCase> {};

TEST_P(CameraTagged, WritesWhatTheTagSays) {
    const Written written = Write(kStandardLens, GetParam().tag);
    EXPECT_NE(written.settings.find(GetParam().settings), std::string::npos) << written.settings;
    EXPECT_NE(written.camera.find(GetParam().camera), std::string::npos) << written.camera;
    if (*GetParam().absent) {
        EXPECT_EQ(written.settings.find(GetParam().absent), std::string::npos) << written.settings;
        EXPECT_EQ(written.camera.find(GetParam().absent), std::string::npos) << written.camera;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Camera, CameraTagged,
    testing::Values(
        TagCase{"BoxSplat", R"("1977": 1975)", "<splat_filter><box /></splat_filter><downsize_filter><mn_cubic>", "",
                ""},
        TagCase{"GaussianSplat", R"("1977": 1976)", "<splat_filter><gaussian /></splat_filter>", "", ""},
        TagCase{"UnknownSplat", R"("1977": 1)", "<splat_filter /><downsize_filter>", "", ""},
        TagCase{"BoxDownsize", R"("1978": 1975, "1986": 0.5)", "<downsize_filter><box /></downsize_filter>", "",
                "0.50000"},
        // The downsize filter has no gaussian.
        TagCase{"GaussianDownsize", R"("1978": 1976)", "<downsize_filter /></renderer_settings>", "", "gaussian"},
        TagCase{"CubicValues", R"("1984": 0.333, "1985": 0.25, "1986": 1, "1987": 0)",
                "<splat_filter><mn_cubic><ring>0.33300</ring><blur>0.25000</blur></mn_cubic></splat_filter>"
                "<downsize_filter><mn_cubic><ring>1.00000</ring><blur>0.00000</blur></mn_cubic></downsize_filter>",
                "", ""},
        TagCase{"ImageSizeAndSuperSampling", R"("1955": 1920.4, "1956": 1080.5, "1960": 3)",
                "<width>1920</width><height>1080</height><aperture_diffraction>false</aperture_diffraction>"
                "<post_process_diffraction>false</post_process_diffraction><super_sample_factor>3"
                "</super_sample_factor>",
                "<aspect_ratio>1.77733</aspect_ratio>", ""},
        TagCase{"PostProcessDiffraction", R"("1962": 1982, "1979": true, "1980": {"file": "C:\\dust.png"})",
                "<aperture_diffraction>false</aperture_diffraction><post_process_diffraction>true"
                "</post_process_diffraction>",
                "", "obstacle_map"},
        TagCase{"ApertureDiffraction", R"("1962": 1983)",
                "<aperture_diffraction>true</aperture_diffraction><post_process_diffraction>false"
                "</post_process_diffraction>",
                "", "obstacle_map"},
        TagCase{"ObstacleMap", R"("1962": 1983, "1979": true, "1980": {"file": "C:\\maps\\dust.png"})", "",
                "</aperture_shape><obstacle_map><path>C:\\maps\\dust.png</path></obstacle_map><aspect_ratio>", ""},
        TagCase{"RenderRegion", R"("1988": true, "1990": 150, "1992": 150)",
                "</downsize_filter><render_region><x1>0</x1><x2>150</x2><y1>0</y1><y2>150</y2></render_region>"
                "</renderer_settings>",
                "", "watermark"},
        TagCase{"WatermarkAndRegion", R"("1961": true, "1988": true, "1989": 5, "1990": 6, "1991": 7, "1992": 8)",
                "<watermark>true</watermark><render_region><x1>5</x1><x2>6</x2><y1>7</y1><y2>8</y2></render_region>",
                "", ""},
        TagCase{"GeneratedAperture", R"("1963": 1965, "1967": 8, "1968": 0.5)", "",
                "<aperture_shape><generated><num_blades>8</num_blades><blade_offset>0.50000</blade_offset>"
                "<blade_curvature_radius>3.00000</blade_curvature_radius><start_angle>0.20000</start_angle>"
                "</generated></aperture_shape>",
                ""},
        TagCase{"ImageAperture", R"("1963": 1966, "1971": {"file": "C:\\apertures\\hex 6.png"})", "",
                "<aperture_shape><image><path>C:\\apertures\\hex 6.png</path></image></aperture_shape>", ""},
        TagCase{"UnknownAperture", R"("1963": 1967)", "", "<aperture_shape /><aspect_ratio>", ""},
        TagCase{"AspectByHand", R"("1958": false, "1957": 2.35)", "", "<aspect_ratio>2.35000</aspect_ratio>", ""},
        // Without a height the image size gives no ratio; the tag's own ratio stands in.
        TagCase{"AspectWithoutHeight", R"("1956": 0, "1957": 1.5)", "", "<aspect_ratio>1.50000</aspect_ratio>", ""},
        TagCase{"WhiteBalanceE", R"("1917": 1905)", "", "<white_balance>E</white_balance>", ""},
        TagCase{"WhiteBalanceF11", R"("1917": 1916)", "", "<white_balance>F11</white_balance>", ""},
        TagCase{"UnknownWhiteBalance", R"("1917": 1904)", "", "<white_balance>D65</white_balance>", ""},
        TagCase{"ExposureAndNoAutofocus", R"("1926": 0.5, "1925": false)", "",
                "<exposure_duration>0.50000</exposure_duration></camera>", "autofocus"}),
    [](const testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });

TEST_F(CameraElement, MissingFileNamesAreSaidSo) {
    LoadDocument(R"({"camera": "Cam", "objects": [{"type": "camera", "name": "Cam", "tags": [
        {"type": "CameraTag", "params": {"1963": 1966, "1962": 1983, "1979": true}}]}]})");
    ParamContainer& tag = host_.Document()->SearchObject("Cam")->GetTag(1022083)->Data();
    tag.Remove(1971);
    tag.Remove(1980);
    const std::string camera = Run(1.0f).camera;
    EXPECT_NE(camera.find("<image><path>element not found</path></image>"), std::string::npos) << camera;
    EXPECT_NE(camera.find("<obstacle_map><path>element not found</path></obstacle_map>"), std::string::npos) << camera;
}

TEST_F(CameraElement, TheEditorCameraStandsInWhenTheDocumentNamesNone) {
    LoadDocument(R"({"objects": [{"type": "camera", "name": "Cam", "position": [5, 5, 5],
                                  "tags": [{"type": "CameraTag"}]}]})");
    const Written written = Run(1.0f);
    EXPECT_EQ(written.settings, kOnlyAlpha);
    EXPECT_EQ(Key(written, "pos"), "0.00000 0.00000 0.00000");
    EXPECT_EQ(Key(written, "aspect_ratio"), "1.333");
}

}  // namespace
