#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "core/ids.h"
#include "headless/resources/resources.h"
#include "tags/light_presets.h"
#include "tags/light_tag.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace light_param;

using Cycle = std::vector<std::pair<int32_t, std::string>>;

const char* kTestPresets = R"(<presets>
  <light><id>1</id><name>Studio</name><spec_type>blackbody</spec_type><value>3000</value><gain>2</gain>
    <le_scale><power_drawn>60</power_drawn><overall_le>15</overall_le></le_scale></light>
  <light><id>2</id><name>Sky</name><spec_type>blackbody</spec_type><value>5000</value></light>
  <light><id>3</id><name>Coloured</name><spec_type>rgb</spec_type><value>4000</value></light>
  <light><id>0</id><name>Zero</name><spec_type>blackbody</spec_type><value>1234</value></light>
  <light><id>4</id><name>Partial</name><spec_type>blackbody</spec_type>
    <le_scale><power_drawn>80</power_drawn></le_scale></light>
  <light><id>2</id><name>Sky again</name><spec_type>blackbody</spec_type><value>9000</value></light>
</presets>)";

class LightTagTest : public testing_support::ModuleTest {
protected:
    HostTag& Tag(const std::string& params = "{}") {
        LoadDocument(R"({"objects": [{"type": "polygon", "name": "Lamp", "tags": [{"type": "MyLightTag", "params": )" +
                     params + "}]}]}");
        return *host_.Document()->SearchObject("Lamp")->GetTag(plugin_id::kLightTag);
    }
    // Puts a presets folder of its own into the module's directory: with a file holding the
    // text, or without a file.
    void UsePresets(const std::optional<std::string>& text) {
        const fs::path folder = scratch_ / "module" / "presets";
        fs::remove_all(folder);
        fs::create_directory(folder);
        if (text) std::ofstream(folder / "LightPresets.xml", std::ios::binary) << *text;
    }
    headless::HlDescription Describe(HostTag& tag, int32_t& flags, bool& result) {
        headless::HlDescription description(&host_.GetResources());
        result = tag.GetNodeData()->GetDDescription(&tag, &description, flags);
        return description;
    }
    // The selector entry of the tag's description; the callback's flags go to `flags`.
    const headless::DescriptionParam* Selector(HostTag& tag, int32_t* flags = nullptr) {
        int32_t ownFlags = 0;
        bool result = false;
        description_ = Describe(tag, flags ? *flags : ownFlags, result);
        EXPECT_TRUE(result);
        for (const headless::DescriptionParam& entry : description_->Entries()) {
            if (entry.id == kPreset) return &entry;
        }
        return nullptr;
    }
    // A parameter set as the host sets it: the hook, then the value unless the hook took it.
    void Set(HostTag& tag, int32_t id, const ParamValue& value) {
        int32_t flags = 0;
        EXPECT_TRUE(tag.GetNodeData()->SetDParameter(&tag, id, value, flags));
        if (!(flags & kParameterHandled)) tag.Data().SetValue(id, value);
    }

    std::optional<headless::HlDescription> description_;
};

TEST_F(LightTagTest, SelectorOffersTheShippedPresetsAfterNone) {
    HostTag& tag = Tag(R"({"1235": 3})");
    int32_t flags = 4;
    const headless::DescriptionParam* selector = Selector(tag, &flags);
    EXPECT_EQ(flags, 4 | kDescriptionLoaded);
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->type, ParamType::kInt);
    EXPECT_EQ(selector->label, "Preset");
    EXPECT_EQ(selector->group, kMainGroup);
    const std::vector<LightPreset> shipped = ReadLightPresets(LightPresetsFile());
    ASSERT_GE(shipped.size(), 12u);
    ASSERT_EQ(selector->cycle.size(), shipped.size() + 1);
    EXPECT_EQ(selector->cycle[0], (std::pair<int32_t, std::string>{0, "- NONE -"}));
    EXPECT_EQ(selector->cycle[1], (std::pair<int32_t, std::string>{shipped[0].id, shipped[0].name->Str()}));
    EXPECT_EQ(tag.Data().Get<int32_t>(kPreset), 3);  // the chosen preset stays chosen
}

struct SelectorCase {
    const char* what;
    std::optional<std::string> file;
    Cycle expected;
};
void PrintTo(const SelectorCase& c, std::ostream* os) { *os << c.what; }

class LightTagSelector : public LightTagTest, public testing::WithParamInterface<SelectorCase> {};

TEST_P(LightTagSelector, ListsThePresetsOfTheFile) {
    UsePresets(GetParam().file);
    HostTag& tag = Tag();
    const headless::DescriptionParam* selector = Selector(tag);
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->cycle, GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    LightFiles, LightTagSelector,
    testing::Values(
        SelectorCase{"later ids replace labels; id 0 stays none",
                     kTestPresets,
                     {{0, "- NONE -"}, {1, "Studio"}, {2, "Sky again"}, {3, "Coloured"}, {4, "Partial"}}},
        SelectorCase{"missing file", std::nullopt, {{0, "- NONE -"}}},
        SelectorCase{"malformed file", "<presets><light><id>1</id><name>x</name></presets>", {{0, "- NONE -"}}},
        SelectorCase{"huge file",
                     "<presets><light><id>1</id><name>x</name></light><!--" + std::string(kMaxPresetsBytes + 8192, '-') +
                         "--></presets>",
                     {{0, "- NONE -"}}}));

struct VisibilityCase {
    int32_t spectrum;
    bool ies;
    bool efficacy;
    std::set<int32_t> hidden;
};

class LightTagVisibility : public LightTagTest, public testing::WithParamInterface<VisibilityCase> {};

TEST_P(LightTagVisibility, ShowsWhatTheSwitchesUse) {
    const VisibilityCase& c = GetParam();
    HostTag& tag = Tag("{\"1215\": " + std::to_string(c.spectrum) + ", \"1229\": " + (c.ies ? "true" : "false") +
                       ", \"1211\": " + (c.efficacy ? "true" : "false") + "}");
    int32_t flags = 0;
    bool result = false;
    headless::HlDescription description = Describe(tag, flags, result);
    ASSERT_TRUE(result);
    std::set<int32_t> hidden;
    for (int32_t id : {kPeakGroup, kColourGroup, kBlackbodyGroup, kUniformGroup, kIesFile, kEfficacyOn, kEfficacyGroup}) {
        if (description.IsHidden(id)) hidden.insert(id);
    }
    EXPECT_EQ(hidden, c.hidden) << c.spectrum << " " << c.ies << " " << c.efficacy;
}

INSTANTIATE_TEST_SUITE_P(
    LightSwitches, LightTagVisibility,
    testing::Values(
        VisibilityCase{kPeak, false, false, {kColourGroup, kBlackbodyGroup, kUniformGroup, kIesFile, kEfficacyGroup}},
        VisibilityCase{kColour, false, true, {kPeakGroup, kBlackbodyGroup, kUniformGroup, kIesFile}},
        VisibilityCase{kBlackbody, true, false, {kPeakGroup, kColourGroup, kUniformGroup, kEfficacyOn, kEfficacyGroup}},
        // With the IES profile on, the efficacy switch and its group hide whatever 1211 holds.
        VisibilityCase{kUniform, true, true, {kPeakGroup, kColourGroup, kBlackbodyGroup, kEfficacyOn, kEfficacyGroup}},
        // A spectrum value outside the cycle leaves the spectrum groups as they are.
        VisibilityCase{5000, false, false, {kIesFile, kEfficacyGroup}}));

struct PresetCase {
    const char* what;
    int32_t chosen;
    std::function<void(ParamContainer&)> changes;  // what choosing changes besides 1235
};
void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.what; }

class LightTagPreset : public LightTagTest, public testing::WithParamInterface<PresetCase> {};

TEST_P(LightTagPreset, ChoosingCopiesTheBlackBodyPreset) {
    UsePresets(kTestPresets);
    HostTag& tag = Tag(R"({"1211": true, "1212": 70, "1213": 20, "1225": 3})");
    ParamContainer expected = tag.Data();
    expected.Set<int32_t>(kPreset, GetParam().chosen);
    if (GetParam().changes) GetParam().changes(expected);
    Set(tag, kPreset, GetParam().chosen);
    EXPECT_TRUE(tag.Data() == expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    LightChoices, LightTagPreset,
    testing::Values(
        PresetCase{"black body with efficacy", 1,
                   [](ParamContainer& d) {
                       d.Set<int32_t>(kSpectrum, kBlackbody);
                       d.Set<float>(kTemperature, 3000);
                       d.Set<float>(kBlackbodyGain, 2);
                       d.Set<bool>(kEfficacyOn, true);
                       d.Set<float>(kPowerDrawn, 60);
                       d.Set<float>(kEfficacy, 15);
                   }},
        PresetCase{"black body without le_scale switches efficacy off; the first of an id counts", 2,
                   [](ParamContainer& d) {
                       d.Set<int32_t>(kSpectrum, kBlackbody);
                       d.Set<float>(kTemperature, 5000);
                       d.Set<bool>(kEfficacyOn, false);
                   }},
        PresetCase{"a partial preset sets what it has", 4,
                   [](ParamContainer& d) {
                       d.Set<int32_t>(kSpectrum, kBlackbody);
                       d.Set<float>(kPowerDrawn, 80);
                   }},
        PresetCase{"another spectrum type changes nothing", 3, nullptr},
        PresetCase{"none applies nothing, even with a preset of id 0", 0, nullptr},
        PresetCase{"an id the file lacks", 77, nullptr}));

TEST_F(LightTagTest, ChoosingWithoutAPresetsFileChangesOnlyTheSelector) {
    UsePresets(std::nullopt);
    HostTag& tag = Tag();
    ParamContainer expected = tag.Data();
    expected.Set<int32_t>(kPreset, 1);
    Set(tag, kPreset, 1);
    EXPECT_TRUE(tag.Data() == expected);
}

TEST_F(LightTagTest, AnEditAfterChoosingLeavesThePreset) {
    UsePresets(kTestPresets);
    HostTag& tag = Tag();
    Set(tag, kPreset, 1);
    ASSERT_EQ(tag.Data().Get<float>(kTemperature), 3000.0f);
    Set(tag, kTemperature, 4200.0f);
    EXPECT_EQ(tag.Data().Get<int32_t>(kPreset), kNoPreset);
    EXPECT_EQ(tag.Data().Get<float>(kTemperature), 4200.0f);
    EXPECT_EQ(tag.Data().Get<int32_t>(kSpectrum), kBlackbody);  // the preset's values stay
}

}  // namespace
