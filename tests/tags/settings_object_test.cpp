// The render settings object in the host: its defaults, its description's show/hide rules
// and its drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless/resources/resources.h"
#include "headless/scene/view.h"
#include "tags/render_settings.h"
#include "tests/support/module_fixture.h"
#include "tests/support/settings_test_support.h"

namespace {

using testing_support::ModuleTest;

// The entries whose hide flag the description callback decides, ascending.
const std::vector<int32_t> kRuledEntries = {1330, 1331, 1342, 1348, 1350, 1351, 1357,
                                            1362, 1366, 1367, 1375, 1376, 1377, 1378};

class SettingsObject : public ModuleTest {
protected:
    HostObject& LoadSettings(const std::string& params) {
        LoadDocument(R"({"objects": [{"type": "MyRenderSettings", "name": "RS", "params": {)" + params + "}}]}");
        return *host_.Document()->SearchObject("RS");
    }
    static ObjectData& Plugin(HostObject& object) { return *dynamic_cast<ObjectData*>(object.GetNodeData()); }

    // The ruled entries that the callback left hidden.
    std::vector<int32_t> HiddenEntries(HostObject& object, int32_t& flags) {
        headless::HlDescription description(&host_.GetResources());
        EXPECT_TRUE(Plugin(object).GetDDescription(&object, &description, flags));
        return settings_testing::HiddenAmong(description, kRuledEntries);
    }
};

TEST_F(SettingsObject, NewObjectTakesTheThreadCountFromTheHost) {
    HostObject& object = LoadSettings("");
    EXPECT_EQ(object.Data().Get<int32_t>(1357), host_.GetCpuCount());
    EXPECT_EQ(object.Data().Get<int32_t>(1334), 1338);
    EXPECT_FALSE(object.Data().Has(1301));  // no sun until the user links one
}

struct VisibilityCase {
    const char* name;
    const char* params;
    std::vector<int32_t> hidden;  // ascending
};

class SettingsVisibility : public SettingsObject, public testing::WithParamInterface<VisibilityCase> {};

TEST_P(SettingsVisibility, HidesWhatTheValuesDoNotUse) {
    HostObject& object = LoadSettings(GetParam().params);
    int32_t flags = 1;
    EXPECT_EQ(HiddenEntries(object, flags), GetParam().hidden);
    EXPECT_EQ(flags, 1 | kDescriptionLoaded);
}

const std::vector<int32_t> kAdvanced = {1330, 1331, 1350, 1351, 1362};

std::vector<int32_t> Sorted(std::vector<int32_t> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}
std::vector<int32_t> With(std::vector<int32_t> ids, const std::vector<int32_t>& more) {
    ids.insert(ids.end(), more.begin(), more.end());
    return Sorted(ids);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsVisibility,
    testing::Values(
        // Background with its colour group, threads chosen by the renderer, latitude-longitude
        // map, advanced sampling off.
        VisibilityCase{"Defaults", "", With({1342, 1348, 1357, 1367, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"Sky", R"("1368": 1364)", With({1342, 1348, 1357, 1366, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"EnvironmentMap", R"("1368": 1365)",
                       With({1348, 1357, 1366, 1367, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"NoEnvironment", R"("1368": 1379)",
                       With({1342, 1348, 1357, 1366, 1367, 1376, 1377, 1378}, kAdvanced)},
        // A kind the cycle does not offer leaves the three groups as they are.
        VisibilityCase{"UnknownEnvironment", R"("1368": 7)", With({1348, 1357, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"Uniform", R"("1374": 1371)", With({1342, 1348, 1357, 1367, 1375, 1377, 1378}, kAdvanced)},
        VisibilityCase{"Blackbody", R"("1374": 1372)", With({1342, 1348, 1357, 1367, 1375, 1376, 1378}, kAdvanced)},
        VisibilityCase{"EmptySpectrum", R"("1374": 1373)",
                       With({1342, 1348, 1357, 1367, 1375, 1376, 1377}, kAdvanced)},
        VisibilityCase{"UnknownSpectrum", R"("1374": 1369)", With({1342, 1348, 1357, 1367}, kAdvanced)},
        VisibilityCase{"ThreadsChosenByHand", R"("1383": false)",
                       With({1342, 1348, 1367, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"SphericalMap", R"("1343": 1345)", With({1342, 1357, 1367, 1376, 1377, 1378}, kAdvanced)},
        VisibilityCase{"AdvancedSampling", R"("1319": true)", Sorted({1342, 1348, 1357, 1367, 1376, 1377, 1378})}),
    [](const testing::TestParamInfo<VisibilityCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsObject, DescriptionThatCannotBeLoadedIsReported) {
    HostObject& object = LoadSettings("");
    headless::HlDescription description(nullptr);  // a host that has no descriptions
    int32_t flags = 0;
    EXPECT_FALSE(Plugin(object).GetDDescription(&object, &description, flags));
    EXPECT_EQ(flags, 0);
}

TEST_F(SettingsObject, DrawsThreeAxesInTheHandlesPassOnly) {
    HostObject& object = LoadSettings("");
    auto& view = dynamic_cast<headless::HlView&>(*host_.Document()->GetActiveView());
    for (int32_t pass : {draw_pass::kObject, draw_pass::kHighlights}) {
        EXPECT_TRUE(Plugin(object).Draw(&object, pass, &view));
        EXPECT_TRUE(view.Calls().empty()) << "pass " << pass;
    }
    EXPECT_TRUE(Plugin(object).Draw(&object, draw_pass::kHandles, &view));
    EXPECT_EQ(view.Describe(),
              "pen 0.29412 0 0.5098\n"
              "line3d 0 0 0 - 200 0 0\n"
              "line3d 0 0 0 - 0 200 0\n"
              "line3d 0 0 0 - 0 0 200\n");
}

}  // namespace
