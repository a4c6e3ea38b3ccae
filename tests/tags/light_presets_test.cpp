#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tags/light_presets.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ReadText;
using testing_support::SourcePath;

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

std::string Presets(const std::string& lights) { return "<presets>" + lights + "</presets>"; }

std::string Light(const std::string& id, const std::string& name, const std::string& more = "") {
    return "<light><id>" + id + "</id><name>" + name + "</name>" + more + "</light>";
}

// Ids and names as the reader gives them, for comparison.
std::vector<std::pair<int32_t, std::string>> IdsAndNames(const std::vector<LightPreset>& presets) {
    std::vector<std::pair<int32_t, std::string>> out;
    for (const LightPreset& preset : presets) out.emplace_back(preset.id, preset.name ? preset.name->Str() : "(none)");
    return out;
}

TEST(LightPresetsFile, ShippedFileOffersBlackBodyLampsWithDistinctIds) {
    const std::vector<LightPreset> presets = ParseLightPresets(ReadText(SourcePath("presets/LightPresets.xml")));
    ASSERT_GE(presets.size(), 12u);
    std::set<int32_t> ids;
    for (const LightPreset& preset : presets) {
        EXPECT_TRUE(ids.insert(preset.id).second) << preset.id;
        EXPECT_NE(preset.id, kNoPreset);
        ASSERT_TRUE(preset.name && preset.specType && preset.temperature && preset.gain) << preset.id;
        EXPECT_EQ(preset.specType->Str(), "blackbody");
        EXPECT_GE(*preset.temperature, 1000.0f) << preset.name->Str();
        EXPECT_LE(*preset.temperature, 10000.0f) << preset.name->Str();
        if (preset.efficacyScaling) {
            ASSERT_TRUE(preset.powerDrawn && preset.overallEfficacy) << preset.name->Str();
            EXPECT_GT(*preset.powerDrawn, 0.0f);
            EXPECT_GT(*preset.overallEfficacy, 5.0f);    // above a candle's
            EXPECT_LT(*preset.overallEfficacy, 200.0f);  // below the best lamps'
        }
    }
    EXPECT_EQ(BuildPresetCycle(presets).size(), presets.size() + 1);
}

struct ParseCase {
    const char* what;
    std::string text;
    std::vector<std::pair<int32_t, std::string>> expected;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class LightPresetsParse : public testing::TestWithParam<ParseCase> {};

TEST_P(LightPresetsParse, GivesThePresetsOfTheText) {
    EXPECT_EQ(IdsAndNames(ParseLightPresets(GetParam().text)), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    LightTexts, LightPresetsParse,
    testing::Values(
        ParseCase{"two presets in file order", Presets(Light("5", "B") + Light("2", "A")), {{5, "B"}, {2, "A"}}},
        ParseCase{"ids by the host's number conversion",
                  Presets(Light(" 7", "blank") + Light("12abc", "suffix") + Light("abc", "word") + Light("-3", "neg") +
                          Light("99999999999", "huge")),
                  {{7, "blank"}, {12, "suffix"}, {0, "word"}, {-3, "neg"}, {INT32_MAX, "huge"}}},
        ParseCase{"a preset without id is skipped, one without name kept",
                  Presets("<light><name>no id</name></light><light><id>4</id></light>"), {{4, "(none)"}}},
        ParseCase{"elements after the first light count, elements before it do not",
                  Presets("<lamp><id>1</id><name>before</name></lamp>" + Light("2", "first") +
                          "<lamp><id>3</id><name>after</name></lamp>"),
                  {{2, "first"}, {3, "after"}}},
        ParseCase{"the first presets element is the list",
                  "<?xml version=\"1.0\"?><!-- c --><presets>" + Light("1", "x") + "</presets>", {{1, "x"}}},
        ParseCase{"a comment that holds markup", Presets("<light><!-- <id>9</id> --><id>3</id><name>c</name></light>"),
                  {{3, "c"}}},
        ParseCase{"another root", "<lights>" + Light("1", "x") + "</lights>", {}},
        ParseCase{"empty text", "", {}},
        ParseCase{"not closed", "<presets>" + Light("1", "x"), {}},
        ParseCase{"not UTF-8", Presets(Light("1", "caf\xe9")), {}},
        ParseCase{"nested within the limit", Presets(Light("1", "x") + Repeat("<a>", 28) + Repeat("</a>", 28)),
                  {{1, "x"}}},
        ParseCase{"nested too deeply", Presets(Light("1", "x") + Repeat("<a>", 40) + Repeat("</a>", 40)), {}},
        ParseCase{"larger than the limit",
                  Presets(Light("1", "x") + "<!--" + std::string(kMaxPresetsBytes, ' ') + "-->"), {}}));

TEST(LightPresetsParse, NumbersBeyondTheHostsRealsAreNotTaken) {
    const std::vector<LightPreset> presets = ParseLightPresets(Presets(Light(
        "1", "x",
        "<value>1e999</value><gain>nan</gain><le_scale><power_drawn>abc</power_drawn>"
        "<overall_le>4e38</overall_le></le_scale>")));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_FALSE(presets[0].temperature);
    EXPECT_FALSE(presets[0].gain);
    EXPECT_TRUE(presets[0].efficacyScaling);
    ASSERT_TRUE(presets[0].powerDrawn);
    EXPECT_EQ(*presets[0].powerDrawn, 0.0f);  // no number at all: the conversion's 0
    EXPECT_FALSE(presets[0].overallEfficacy);
}

TEST(LightPresetsCycle, NoneFirstThenNamedPresetsLaterIdsReplacingLabels) {
    std::vector<LightPreset> presets(5);
    presets[0] = {.id = 4, .name = HostString("Four")};
    presets[1] = {.id = 0, .name = HostString("Zero")};
    presets[2] = {.id = 9};
    presets[3] = {.id = 2, .name = HostString("Two")};
    presets[4] = {.id = 4, .name = HostString("Four again")};
    const PresetCycle expected = {{0, "- NONE -"}, {4, "Four again"}, {2, "Two"}};
    EXPECT_EQ(BuildPresetCycle(presets), expected);
    EXPECT_EQ(FindPreset(presets, 4), &presets[0]);  // choosing finds the first of an id
    EXPECT_EQ(FindPreset(presets, 9), &presets[2]);
    EXPECT_EQ(FindPreset(presets, 5), nullptr);
}

}  // namespace
