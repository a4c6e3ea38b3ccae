// The environment element: background spectra, sky with sun, environment maps.
#include <gtest/gtest.h>

#include <string>

#include "export/settings_elements.h"
#include "tags/render_settings.h"
#include "tests/support/module_fixture.h"

#include "tests/support/settings_test_support.h"

namespace {

using settings_testing::Compact;

using testing_support::ModuleTest;

class EnvironmentTest : public ModuleTest {
protected:
    // A document with a render settings object "RS" (params as JSON) and the given other objects.
    ParamContainer Load(const std::string& params, const std::string& objects = "") {
        LoadDocument(R"({"materials": [{"name": "M"}], "objects": [)" + objects +
                     R"({"type": "MyRenderSettings", "name": "RS", "params": {)" + params + "}}]}");
        return host_.Document()->SearchObject("RS")->GetData();
    }
    // The children that WriteEnvironment appends to "scene".
    std::string Written(const ParamContainer* settings, float sceneScale = 1.0f) {
        TiXmlElement scene("scene");
        WriteEnvironment({host_.Document(), HostPath("room.ovs").GetDirectory(), sceneScale}, settings, scene);
        const std::string xml = Compact(scene);
        return xml == "<scene />" ? "" : xml.substr(7, xml.size() - 7 - 8);
    }
    std::string WrittenFor(const std::string& params, float sceneScale = 1.0f) {
        const ParamContainer settings = Load(params);
        return Written(&settings, sceneScale);
    }
    std::string MapPathFor(const HostFilename& image) {
        ParamContainer settings = Load(R"("1368": 1365)");
        settings.Set<HostFilename>(settings_param::kMapFile, image);
        TiXmlDocument xml;
        xml.Parse(Written(&settings).c_str());
        const TiXmlElement* path = TiXmlHandle(&xml).FirstChild("env_map").FirstChild("latlong").FirstChild("path").ToElement();
        return path && path->GetText() ? path->GetText() : "";
    }
};

const char* const kWhiteBackground = "<background><spectrum><rgb><rgb>1 1 1</rgb><gamma>2.2</gamma></rgb></spectrum></background>";

TEST_F(EnvironmentTest, WithoutRenderSettingsTheBackgroundIsWhite) {
    Load("");
    EXPECT_EQ(Written(nullptr), kWhiteBackground);
}

struct BackgroundCase {
    const char* name;
    const char* params;
    const char* xml;
};

class EnvironmentBackground : public EnvironmentTest, public testing::WithParamInterface<BackgroundCase> {};

TEST_P(EnvironmentBackground, WritesTheChosenSpectrum) { EXPECT_EQ(WrittenFor(GetParam().params), GetParam().xml); }

INSTANTIATE_TEST_SUITE_P(
    Environment, EnvironmentBackground,
    testing::Values(
        BackgroundCase{"NewObject", "", kWhiteBackground},
        BackgroundCase{"Colour", R"("1068": [0.5, 0.25, 1], "1384": 1.8)",
                       "<background><spectrum><rgb><rgb>0.5 0.25 1</rgb><gamma>1.8</gamma></rgb></spectrum></background>"},
        BackgroundCase{"Uniform", R"("1374": 1371, "1067": 0.7)",
                       "<background><spectrum><uniform><value>0.7</value></uniform></spectrum></background>"},
        BackgroundCase{"Blackbody", R"("1374": 1372, "1065": 5000, "1066": 2.5)",
                       "<background><spectrum><blackbody><temperature>5000</temperature><gain>2.5</gain>"
                       "</blackbody></spectrum></background>"},
        BackgroundCase{"EmptySpectrum", R"("1374": 1373)", "<background><spectrum /></background>"},
        BackgroundCase{"NoEnvironment", R"("1368": 1379)", ""},
        BackgroundCase{"UnknownEnvironment", R"("1368": 1380)", ""}),
    [](const testing::TestParamInfo<BackgroundCase>& info) { return std::string(info.param.name); });

struct SkyCase {
    const char* name;
    const char* params;
    const char* sun;  // the sun object, or ""
    float sceneScale;
    const char* xml;
};

class EnvironmentSky : public EnvironmentTest, public testing::WithParamInterface<SkyCase> {};

TEST_P(EnvironmentSky, PointsTheSunAtTheSunObject) {
    const SkyCase& c = GetParam();
    const ParamContainer settings = Load(std::string(R"("1368": 1364)") + c.params, c.sun);
    EXPECT_EQ(Written(&settings, c.sceneScale), c.xml);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, EnvironmentSky,
    testing::Values(
        SkyCase{"NoSunWhateverTheScale", "", "", 100,
                "<skylight><sundir>0.00000 0.00000 1.00000</sundir><turbidity>2</turbidity>"
                "<extra_atmospheric>false</extra_atmospheric></skylight>"},
        SkyCase{"SunAboveScaled", R"(, "1301": {"object": "Sun"})",
                R"({"type": "null", "name": "Sun", "position": [0, 10, 0]},)", 2,
                "<skylight><sundir>0.00000 0.00000 2.00000</sundir><turbidity>2</turbidity>"
                "<extra_atmospheric>false</extra_atmospheric></skylight>"},
        SkyCase{"SunDirectionNormalisedInSceneAxes", R"(, "1301": {"object": "Sun"}, "1303": 3.3, "1381": true)",
                R"({"type": "null", "name": "Sun", "position": [30, 40, 0]},)", 1,
                "<skylight><sundir>0.60000 0.00000 0.80000</sundir><turbidity>3.3</turbidity>"
                "<extra_atmospheric>true</extra_atmospheric></skylight>"},
        // A sun at the origin shows no direction: the sun stands straight up.
        SkyCase{"SunAtTheOrigin", R"(, "1301": {"object": "Sun"})", R"({"type": "null", "name": "Sun"},)", 2,
                "<skylight><sundir>0.00000 0.00000 1.00000</sundir><turbidity>2</turbidity>"
                "<extra_atmospheric>false</extra_atmospheric></skylight>"},
        SkyCase{"LinkToAMaterial", R"(, "1301": {"material": "M"})", "", 2,
                "<skylight><sundir>0.00000 0.00000 1.00000</sundir><turbidity>2</turbidity>"
                "<extra_atmospheric>false</extra_atmospheric></skylight>"}),
    [](const testing::TestParamInfo<SkyCase>& info) { return std::string(info.param.name); });

TEST_F(EnvironmentTest, SunUsesItsOwnPositionNotItsParents) {
    const ParamContainer settings = Load(R"("1368": 1364, "1301": {"object": "Sun"})",
                                         R"({"type": "null", "position": [100, 0, 0], "children": [
                                              {"type": "null", "name": "Sun", "position": [0, 0, 5]}]},)");
    EXPECT_NE(Written(&settings).find("<sundir>0.00000 1.00000 0.00000</sundir>"), std::string::npos);
}

TEST_F(EnvironmentTest, MapPathIsRelativeToTheSceneDirectory) {
    EXPECT_EQ(MapPathFor(HostPath("sky.hdr")), "sky.hdr");
    EXPECT_EQ(MapPathFor(HostPath("maps/sky.hdr")), "maps\\sky.hdr");
    EXPECT_EQ(MapPathFor(HostPath("../sky.hdr")), "..\\sky.hdr");
    EXPECT_EQ(MapPathFor("D:\\hdri\\sky.hdr"), "D:\\hdri\\sky.hdr");
    // Too short to be made relative: written as it is.
    EXPECT_EQ(MapPathFor("a.h"), "a.h");
}

TEST_F(EnvironmentTest, MapProjections) {
    ParamContainer settings = Load(R"("1368": 1365, "1347": 1.5)");
    settings.Set<HostFilename>(settings_param::kMapFile, HostPath("sky.hdr"));
    EXPECT_EQ(Written(&settings), "<env_map><latlong><path>sky.hdr</path><gain>1.5</gain></latlong></env_map>");
    settings.Set<int32_t>(settings_param::kMapProjection, settings_param::kSpherical);
    settings.Set<int32_t>(settings_param::kMapWidth, 1024);
    EXPECT_EQ(Written(&settings),
              "<env_map><spherical><path>sky.hdr</path><width>1024</width><gain>1.5</gain></spherical></env_map>");
    settings.Set<int32_t>(settings_param::kMapProjection, 1);  // not a latitude-longitude map
    EXPECT_NE(Written(&settings).find("<spherical>"), std::string::npos);
}

TEST_F(EnvironmentTest, MapWithoutImageWritesNothing) {
    ParamContainer settings = Load(R"("1368": 1365)");
    EXPECT_EQ(Written(&settings), "");
    settings.Set<HostFilename>(settings_param::kMapFile, HostFilename(""));
    EXPECT_EQ(Written(&settings), "");
}

}  // namespace
