// The camera tag in the host: resolution, viewport tint, release, show/hide rules and the
// render region drawn over the camera view.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless/resources/resources.h"
#include "headless/scene/view.h"
#include "tags/camera_tag.h"
#include "tests/support/module_fixture.h"
#include "tests/support/settings_test_support.h"

namespace {

using headless::DrawCall;
using testing_support::ModuleTest;

const DisplayColor kHostDefaultColor{0, {1, 1, 1}, false};
const DisplayColor kTint{2, {0.29412f, 0, 0.5098f}, false};

class CameraTagTest : public ModuleTest {
protected:
    // "Cam" (the scene camera) and "Other" (a camera the view does not look through) carry a
    // camera tag with the given parameters; so does the null "N".
    void Load(const std::string& params) {
        const std::string tag = R"({"type": "CameraTag", "params": {)" + params + "}}";
        LoadDocument(R"({"render": {"5007": 3, "5008": 100, "5009": 100}, "camera": "Cam", "objects": [
            {"type": "camera", "name": "Cam", "tags": [)" + tag + R"(]},
            {"type": "camera", "name": "Other", "tags": [)" + tag + R"(]},
            {"type": "null", "name": "N", "tags": [)" + tag + "]}]}");
    }
    HostObject& Object(const char* name) { return *host_.Document()->SearchObject(name); }
    HostTag& Tag(const char* name) { return *Object(name).GetTag(1022083); }
    static TagData& Plugin(HostTag& tag) { return *dynamic_cast<TagData*>(tag.GetNodeData()); }
    headless::HlView& View() { return dynamic_cast<headless::HlView&>(*host_.Document()->GetActiveView()); }

    bool Describe(const char* object, headless::HlDescription& description, int32_t& flags) {
        return Plugin(Tag(object)).GetDDescription(&Tag(object), &description, flags);
    }
    std::vector<int32_t> Resolution() {
        const ParamContainer& data = host_.Document()->GetActiveRenderData();
        return {data.Get<int32_t>(5007), data.Get<int32_t>(5008), data.Get<int32_t>(5009)};
    }
    bool Draw(const char* object) { return Plugin(Tag(object)).Draw(&Tag(object), &Object(object), &View()); }
};

TEST_F(CameraTagTest, NewTagOnTheSceneCameraSetsTheRenderResolution) {
    Load("");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 4;
    EXPECT_TRUE(Describe("Cam", description, flags));
    EXPECT_EQ(flags, 4 | kDescriptionLoaded);
    EXPECT_EQ(Resolution(), (std::vector<int32_t>{0, 640, 480}));
    EXPECT_EQ(Object("Cam").GetDisplayColor(), kTint);
}

TEST_F(CameraTagTest, ResolutionIsTheTagsImageSizeInWholePixels) {
    Load(R"("1955": 1920.7, "1956": 1080)");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    Describe("Cam", description, flags);
    EXPECT_EQ(Resolution(), (std::vector<int32_t>{0, 1920, 1080}));
}

TEST_F(CameraTagTest, OtherCamerasAreTintedButLeaveTheResolution) {
    Load(R"("1955": 1920)");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    EXPECT_TRUE(Describe("Other", description, flags));
    EXPECT_EQ(Resolution(), (std::vector<int32_t>{3, 100, 100}));
    EXPECT_EQ(Object("Other").GetDisplayColor(), kTint);
    EXPECT_EQ(Object("Cam").GetDisplayColor(), kHostDefaultColor);
}

TEST_F(CameraTagTest, TagOnAnotherObjectTouchesNothing) {
    Load(R"("1988": true)");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    EXPECT_TRUE(Describe("N", description, flags));
    EXPECT_EQ(Resolution(), (std::vector<int32_t>{3, 100, 100}));
    EXPECT_EQ(Object("N").GetDisplayColor(), kHostDefaultColor);
    EXPECT_TRUE(Draw("N"));
    EXPECT_TRUE(View().Calls().empty());
    Plugin(Tag("N")).Free(&Tag("N"));
    EXPECT_EQ(Object("N").GetDisplayColor(), kHostDefaultColor);
}

TEST_F(CameraTagTest, ReleaseGivesTheCameraTheHostsDefaultColour) {
    Load("");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    Describe("Cam", description, flags);
    ASSERT_EQ(Object("Cam").GetDisplayColor(), kTint);
    Plugin(Tag("Cam")).Free(&Tag("Cam"));
    EXPECT_EQ(Object("Cam").GetDisplayColor(), kHostDefaultColor);
}

TEST_F(CameraTagTest, DescriptionThatCannotBeLoadedIsReported) {
    Load("");
    headless::HlDescription description(nullptr);
    int32_t flags = 0;
    EXPECT_FALSE(Describe("Cam", description, flags));
    EXPECT_EQ(flags, 0);
}

// --- show/hide rules ----------------------------------------------------------------------------

const std::vector<int32_t> kRuledEntries = {1941, 1950, 1951, 1952, 1957, 1972, 1973,
                                            1979, 1980, 1984, 1985, 1986, 1987, 1993};

struct VisibilityCase {
    const char* name;
    const char* params;
    std::vector<int32_t> hidden;  // ascending
};

class CameraTagVisibility : public CameraTagTest, public testing::WithParamInterface<VisibilityCase> {};

TEST_P(CameraTagVisibility, HidesWhatTheValuesDoNotUse) {
    Load(GetParam().params);
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    ASSERT_TRUE(Describe("Cam", description, flags));
    EXPECT_EQ(settings_testing::HiddenAmong(description, kRuledEntries), GetParam().hidden);
}

INSTANTIATE_TEST_SUITE_P(
    Camera, CameraTagVisibility,
    testing::Values(
        // Reinhard, circular aperture, cubic filters, aspect from the size, no region, no
        // diffraction.
        VisibilityCase{"Defaults", "", {1941, 1957, 1972, 1973, 1979, 1980, 1993}},
        VisibilityCase{"Linear", R"("1945": 1946)", {1941, 1950, 1952, 1957, 1972, 1973, 1979, 1980, 1993}},
        VisibilityCase{"CameraResponse", R"("1945": 1948)", {1951, 1957, 1972, 1973, 1979, 1980, 1993}},
        VisibilityCase{"GeneratedAperture", R"("1963": 1965)", {1941, 1957, 1973, 1979, 1980, 1993}},
        VisibilityCase{"ImageAperture", R"("1963": 1966)", {1941, 1957, 1972, 1979, 1980, 1993}},
        VisibilityCase{"BoxSplat", R"("1977": 1975)", {1941, 1957, 1972, 1973, 1979, 1980, 1984, 1985, 1993}},
        VisibilityCase{"GaussianSplat", R"("1977": 1976)", {1941, 1957, 1972, 1973, 1979, 1980, 1984, 1985, 1993}},
        VisibilityCase{"BoxDownsize", R"("1978": 1975)", {1941, 1957, 1972, 1973, 1979, 1980, 1986, 1987, 1993}},
        VisibilityCase{"AspectByHand", R"("1958": false)", {1941, 1972, 1973, 1979, 1980, 1993}},
        VisibilityCase{"RegionOn", R"("1988": true)", {1941, 1957, 1972, 1973, 1979, 1980}},
        VisibilityCase{"ApertureDiffraction", R"("1962": 1983)", {1941, 1957, 1972, 1973, 1980, 1993}},
        VisibilityCase{"ApertureDiffractionWithMap", R"("1962": 1983, "1979": true)",
                       {1941, 1957, 1972, 1973, 1993}},
        VisibilityCase{"PostProcessDiffractionWithMap", R"("1962": 1982, "1979": true)",
                       {1941, 1957, 1972, 1973, 1979, 1980, 1993}}),
    [](const testing::TestParamInfo<VisibilityCase>& info) { return std::string(info.param.name); });

// A rule whose deciding entry is missing leaves its entries as they are.
TEST(CameraTagRules, MissingEntriesDecideNothing) {
    headless::Resources resources;
    ASSERT_TRUE(resources.Load(VEXLOR_SOURCE_DIR)) << resources.Error();
    headless::HlDescription description(&resources);
    ASSERT_TRUE(description.LoadDescription(1022083));
    ApplyCameraTagVisibility(ParamContainer{}, description);
    EXPECT_EQ(settings_testing::HiddenAmong(description, kRuledEntries), std::vector<int32_t>{});
}

// --- the render region over the camera view ------------------------------------------------------

DrawCall Pen(Vector colour) { return {DrawCall::Kind::kPen, colour, {}}; }
DrawCall Line(float x1, float y1, float x2, float y2) { return {DrawCall::Kind::kLine2D, {x1, y1, 0}, {x2, y2, 0}}; }
// The pen and the four sides of the rectangle (x1, y1) - (x2, y2), in drawing order.
std::vector<DrawCall> Rectangle(float x1, float y1, float x2, float y2) {
    return {Pen({1, 0, 0}), Line(x1, y1, x2, y1), Line(x1, y2, x2, y2), Line(x1, y1, x1, y2), Line(x2, y1, x2, y2)};
}

struct RegionCase {
    const char* name;
    HostView::Frame frame;
    HostView::SafeFrame safe;
    const char* params;
    std::vector<DrawCall> calls;
};

class CameraRegion : public CameraTagTest, public testing::WithParamInterface<RegionCase> {};

TEST_P(CameraRegion, IsDrawnInTheSafeFrame) {
    Load(std::string(R"("1988": true)") + GetParam().params);
    View().SetFrame(GetParam().frame);
    View().SetSafeFrame(GetParam().safe);
    EXPECT_TRUE(Draw("Cam"));
    EXPECT_EQ(View().Calls(), GetParam().calls) << View().Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Camera, CameraRegion,
    testing::Values(
        // The safe frame spans 100 ... 740 across; the image's 640 pixels fill it.
        RegionCase{"Horizontal", {0, 0, 900, 960}, {100, 740, 1}, "", Rectangle(101, 0, 251, 300)},
        // The safe frame spans 50 ... 550 down; the image's 480 rows fill it.
        RegionCase{"Vertical",
                   {0, 0, 800, 700},
                   {50, 550, 2},
                   R"(, "1989": 64, "1990": 320, "1991": 48, "1992": 240)",
                   Rectangle(80, 101, 400, 301)},
        RegionCase{"OtherOrientation", {0, 0, 800, 600}, {0, 0, 0}, "", Rectangle(0, 0, 150, 150)},
        // An image without size has no region to show.
        RegionCase{"ZeroWidth", {0, 0, 800, 600}, {0, 800, 1}, R"(, "1955": 0)", {}},
        RegionCase{"ZeroHeight", {0, 0, 800, 600}, {0, 600, 2}, R"(, "1956": 0)", {}}),
    [](const testing::TestParamInfo<RegionCase>& info) { return std::string(info.param.name); });

TEST_F(CameraTagTest, RegionIsDrawnOnlyWhenOnAndOverTheSceneCamera) {
    Load("");
    EXPECT_TRUE(Draw("Cam"));
    EXPECT_TRUE(View().Calls().empty());
    Load(R"("1988": true)");
    EXPECT_TRUE(Draw("Other"));
    EXPECT_TRUE(View().Calls().empty());
}

TEST(CameraRegionMapping, MissingEntriesTakeTheirFallbacks) {
    ParamContainer data;
    headless::HlView view(nullptr);
    view.SetSafeFrame({0, 0, 0});
    RegionLines region{};
    ASSERT_TRUE(MapRenderRegion(data, view, region));
    EXPECT_EQ(std::vector<float>({region.x1, region.x2, region.y1, region.y2}), std::vector<float>({10, 10, 20, 20}));
}

}  // namespace
