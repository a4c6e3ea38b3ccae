// The "renderer_settings" keys written from a render settings object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/settings_elements.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ModuleTest;

// One "key text" line per child element, in file order.
std::string KeyLines(const TiXmlElement& element) {
    std::string lines;
    for (const TiXmlElement* key = element.FirstChildElement(); key; key = key->NextSiblingElement()) {
        lines += key->ValueStr() + " " + (key->GetText() ? key->GetText() : "") + "\n";
    }
    return lines;
}

struct WriterCase {
    const char* name;
    const char* params;  // of a new object; null: a container without any entry
    float sceneScale;
    std::vector<std::string> blocks;  // runs of lines that appear as they are
    std::vector<std::string> absent;  // keys that are not written
};

class SettingsWriter : public ModuleTest, public testing::WithParamInterface<WriterCase> {
protected:
    std::string Written(const WriterCase& c) {
        ParamContainer settings;
        if (c.params) {
            LoadDocument(std::string(R"({"objects": [{"type": "MyRenderSettings", "name": "RS", "params": {)") +
                         c.params + "}}]}");
            settings = host_.Document()->SearchObject("RS")->GetData();
        } else {
            LoadDocument(R"({"objects": []})");
        }
        const SceneContext context{host_.Document(), HostPath("room.ovs").GetDirectory(), c.sceneScale};
        TiXmlElement element("renderer_settings");
        EXPECT_EQ(WriteRendererSettings(context, element, settings), 1);
        return KeyLines(element);
    }
};

TEST_F(SettingsWriter, NewObjectWritesItsDefaults) {
    EXPECT_EQ(Written({"", "", 1.0f, {}, {}}),
              "metropolis true\n"
              "halt_time -1\n"
              "halt_samples_per_pixel -1\n"
              "bidirectional true\n"
              "hybrid false\n"
              "logging true\n"
              "display_period 60\n"
              "image_save_period 300\n"
              "save_untonemapped_exr false\n"
              "save_tonemapped_exr false\n"
              "save_ovi true\n"
              "auto_choose_num_threads true\n"
              "cache_trees true\n"
              "polarisation false\n");
}

TEST_P(SettingsWriter, WritesTheKeysTheValuesAskFor) {
    const std::string written = Written(GetParam());
    for (const std::string& block : GetParam().blocks) {
        EXPECT_NE(written.find(block), std::string::npos) << "missing:\n" << block << "in:\n" << written;
    }
    for (const std::string& key : GetParam().absent) {
        EXPECT_EQ(("\n" + written).find("\n" + key + " "), std::string::npos) << key << " in:\n" << written;
    }
}

const char* const kAdvancedKeys[] = {"large_mutation_prob", "max_change", "max_num_consec_rejections", "max_depth",
                                     "bih_tri_threshold"};
std::vector<std::string> AdvancedKeys() { return {std::begin(kAdvancedKeys), std::end(kAdvancedKeys)}; }

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsWriter,
    testing::Values(
        WriterCase{"PathTracing", R"("1334": 1335)", 1, {"metropolis false\n", "bidirectional false\n"}, {}},
        WriterCase{"BidirectionalOnly", R"("1334": 1336)", 1, {"metropolis false\n", "bidirectional true\n"}, {}},
        WriterCase{"MetropolisOnly", R"("1334": 1337)", 1, {"metropolis true\n", "bidirectional false\n"}, {}},
        // A value the cycle does not offer counts as the default, both on.
        WriterCase{"UnknownIntegrator", R"("1334": 1334)", 1, {"metropolis true\n", "bidirectional true\n"}, {}},
        WriterCase{"AdvancedOff", "", 1, {"metropolis true\nhalt_time -1\n"}, AdvancedKeys()},
        WriterCase{"AdvancedOn",
                   R"("1319": true)",
                   1,
                   {"metropolis true\n"
                    "large_mutation_prob 0.40000\n"
                    "max_change 0.01000\n"
                    "max_num_consec_rejections 1000\n"
                    "max_depth 10000\n"
                    "bih_tri_threshold 800000\n"
                    "halt_time -1\n"},
                   {}},
        // The threshold in thousands stays within the 32-bit range instead of wrapping.
        WriterCase{"HugeTriangleThreshold", R"("1319": true, "1362": 3000000)", 1,
                   {"bih_tri_threshold 2147483647\n"}, {}},
        WriterCase{"NegativeTriangleThreshold", R"("1319": true, "1362": -3000000)", 1,
                   {"bih_tri_threshold -2147483648\n"}, {}},
        WriterCase{"HaltValuesWithoutDecimals", R"("1332": 90.7, "1382": 1000.4)", 1,
                   {"halt_time 91\nhalt_samples_per_pixel 1000\n"}, {}},
        WriterCase{"PeriodsReadAsWholeNumbers", R"("1353": 60.9, "1354": 299.99)", 1,
                   {"display_period 60\nimage_save_period 299\n"}, {}},
        WriterCase{"ThreadsByHand", R"("1383": false, "1357": 3)", 1,
                   {"auto_choose_num_threads false\nnum_threads 3\ncache_trees true\n"}, {}},
        WriterCase{"ThreadsByTheRenderer", R"("1357": 3)", 1, {"auto_choose_num_threads true\ncache_trees true\n"},
                   {"num_threads"}},
        WriterCase{"ScaleOne", "", 1, {}, {"ray_origin_nudge_distance"}},
        WriterCase{"ScaleBelowOne", "", 0.5f, {}, {"ray_origin_nudge_distance"}},
        WriterCase{"ScaleHundred", "", 100, {"polarisation false\nray_origin_nudge_distance 0.01000\n"}, {}},
        WriterCase{"ScaleOneAndAHalf", "", 1.5f, {"ray_origin_nudge_distance 0.00015\n"}, {}},
        // Every entry missing: each read gives 0, the integrator counts as the default.
        WriterCase{"NoEntries", nullptr, 1,
                   {"metropolis true\nhalt_time 0\nhalt_samples_per_pixel 0\nbidirectional true\nhybrid false\n",
                    "auto_choose_num_threads false\nnum_threads 0\ncache_trees false\npolarisation false\n"},
                   AdvancedKeys()}),
    [](const testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.name); });

}  // namespace
