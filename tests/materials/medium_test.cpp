#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <string>

#include "core/ids.h"

#include "materials/medium.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ExpectMatchesGolden;
using testing_support::ReadText;
using testing_support::SourcePath;

const char* kMaterials = R"("materials": [{"name": "Clear Glass"}, {"name": "Jade"}, {"name": "Wax"},
    {"name": "Ink"}, {"name": "Milk"}, {"name": "Skin"}, {"name": "Red Glass"}])";

std::string Helper(const std::string& object, const std::string& params) {
    return R"({"type": "null", "name": ")" + object + R"(", "tags": [{"type": "MyMaterialHelper", "params": )" +
           params + "}]}";
}

class MediumTest : public testing_support::ModuleTest {
protected:
    void Load(const std::string& objects) {
        LoadDocument(std::string("{") + kMaterials + ", \"objects\": [" + objects + "]}");
    }
    ParamContainer& TagData(const std::string& object) {
        return host_.Document()->SearchObject(object)->GetTag(plugin_id::kMaterialHelper)->Data();
    }
    // The medium element of the object's helper tag.
    std::string Medium(const std::string& object, bool compact = true) {
        TiXmlElement parent("scene");
        EXPECT_TRUE(WriteMedium(host_.Document(), TagData(object), parent));
        const TiXmlElement* medium = parent.FirstChildElement("medium");
        if (!medium) return "no medium";
        EXPECT_EQ(medium, parent.LastChild());  // exactly one element is appended
        TiXmlPrinter printer;
        printer.SetIndent(compact ? "" : "  ");
        if (compact) printer.SetStreamPrinting();
        medium->Accept(&printer);
        return printer.Str();
    }
    // One helper tag with the parameters; the medium element, compact.
    std::string MediumOf(const std::string& params) {
        Load(Helper("Object", params));
        return Medium("Object");
    }
};

TEST_F(MediumTest, GoldenMediaOfEveryKind) {
    Load(Helper("clear", R"({"1001": {"material": "Clear Glass"}, "1002": 1005, "1032": 1033, "1040": 1.5,
                             "1041": 0.0042, "1042": 1044, "1054": [0.9, 0.95, 1], "1099": 2, "1055": 2.2})") +
         "," +
         Helper("jade", R"({"1001": {"material": "Jade"}, "1002": 1006, "1039": 3, "1032": 1033, "1040": 1.61,
                            "1042": 1045, "1051": 4000, "1052": 0.5, "1078": true, "1056": 1058,
                            "1068": [0.2, 0.6, 0.3], "1098": 3, "1069": 1.5, "1070": 1072, "1106": 1107,
                            "1074": 0.7})") +
         "," +
         Helper("wax", R"({"1001": {"material": "Wax"}, "1032": 1033, "1042": 1046, "1053": 0.25, "1078": true,
                           "1056": 1059, "1065": 5000, "1066": 0.8, "1070": 1071})") +
         "," +
         Helper("ink", R"({"1001": {"material": "Ink"}, "1032": 1033, "1042": 1120, "1122": "400", "1123": "700",
                           "1125": 4, "1124": "0.1 0.2 0.3 0.4", "1078": true, "1056": 1114, "1116": "380",
                           "1117": "780", "1119": 3, "1118": "1 2 3", "1070": 1072, "1106": 1108, "1109": 0.1,
                           "1110": 0.2, "1111": 0.3, "1113": 2.2})") +
         "," +
         Helper("milk", R"({"1001": {"material": "Milk"}, "1032": 1033, "1042": 1043, "1078": true, "1056": 1060,
                            "1067": 12, "1070": 1999})") +
         "," + Helper("dermis", R"({"1001": {"material": "Skin"}, "1032": 1034, "1075": 0.02})") + "," +
         Helper("epidermis", R"({"1001": {"material": "Skin"}, "1032": 1035, "1076": 0.3, "1077": 0.6})") + "," +
         Helper("unknown", R"({"1032": 1999})"));
    std::string media;
    for (const char* object : {"clear", "jade", "wax", "ink", "milk", "dermis", "epidermis", "unknown"}) {
        media += Medium(object, false);
    }
    ExpectMatchesGolden(media, "media/media_kinds.xml");
}

struct AbsorptionCase {
    const char* colour;
    const char* gain;
    const char* expected;  // the rgb text
};

class MediumAbsorption : public MediumTest, public testing::WithParamInterface<AbsorptionCase> {};

TEST_P(MediumAbsorption, ComplementsTheColourThenScalesIt) {
    const AbsorptionCase& c = GetParam();
    const std::string medium = MediumOf(std::string(R"({"1032": 1033, "1042": 1044, "1055": 1.2, "1054": )") +
                                        c.colour + R"(, "1099": )" + c.gain + "}");
    EXPECT_NE(medium.find(std::string("<absorption_coefficient_spectrum><rgb><rgb>") + c.expected +
                          "</rgb><gamma>1.2</gamma></rgb></absorption_coefficient_spectrum>"),
              std::string::npos)
        << medium;
}

INSTANTIATE_TEST_SUITE_P(MediumColours, MediumAbsorption,
                         testing::Values(AbsorptionCase{"[1, 1, 1]", "1", "0 0 0"},
                                         AbsorptionCase{"[0.2, 0.5, 1]", "1", "0.8 0.5 0"},
                                         AbsorptionCase{"[0.2, 0.5, 1]", "2", "1.6 1 0"},
                                         AbsorptionCase{"[0, 0, 0]", "0.5", "0.5 0.5 0.5"}));

struct StructureCase {
    const char* what;
    std::string params;
    std::function<void(ParamContainer&)> tweak;  // applied to the tag after loading
    std::string expected;                        // the medium after its name
};
void PrintTo(const StructureCase& c, std::ostream* os) { *os << c.what; }

class MediumStructure : public MediumTest, public testing::WithParamInterface<StructureCase> {};

TEST_P(MediumStructure, WritesTheKeysOfItsKind) {
    const StructureCase& c = GetParam();
    Load(Helper("Object", c.params));
    if (c.tweak) c.tweak(TagData("Object"));
    const std::string medium = Medium("Object");
    const std::string head = "<medium><name>MedMATERIAL LINK NOT SET!</name>";
    ASSERT_EQ(medium.substr(0, head.size()), head) << c.what;
    EXPECT_EQ(medium.substr(head.size()), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    MediumKinds, MediumStructure,
    testing::Values(
        StructureCase{"without scattering the basic medium ends after absorption",
                      R"({"1032": 1033, "1040": 1.33, "1041": 0.01, "1042": 1046, "1053": 0.5, "1078": false})",
                      nullptr,
                      "<precedence>10</precedence><basic><ior>1.33</ior><cauchy_b_coeff>0.01</cauchy_b_coeff>"
                      "<absorption_coefficient_spectrum><uniform><value>0.5</value></uniform>"
                      "</absorption_coefficient_spectrum></basic></medium>"},
        StructureCase{"scattering black body is written from 1065 and 1066",
                      R"({"1032": 1033, "1042": 7, "1078": true, "1056": 1059, "1065": 3500, "1066": 0.25,
                          "1067": 9, "1070": 1071})",
                      nullptr,
                      "<precedence>10</precedence><basic><ior>1</ior><cauchy_b_coeff>0</cauchy_b_coeff>"
                      "<absorption_coefficient_spectrum /><subsurface_scattering><scattering_coefficient_spectrum>"
                      "<blackbody><temperature>3500</temperature><gain>0.25</gain></blackbody>"
                      "</scattering_coefficient_spectrum><phase_function><uniform /></phase_function>"
                      "</subsurface_scattering></basic></medium>"},
        StructureCase{"an unknown g kind leaves g_spectrum empty",
                      R"({"1032": 1033, "1042": 0, "1078": true, "1056": 0, "1070": 1072, "1106": 4})", nullptr,
                      "<precedence>10</precedence><basic><ior>1</ior><cauchy_b_coeff>0</cauchy_b_coeff>"
                      "<absorption_coefficient_spectrum /><subsurface_scattering><scattering_coefficient_spectrum />"
                      "<phase_function><henyey_greenstein><g_spectrum /></henyey_greenstein></phase_function>"
                      "</subsurface_scattering></basic></medium>"},
        StructureCase{"missing entries: precedence 1, g uniform, reals 0",
                      R"({"1032": 1033, "1042": 0, "1078": true, "1056": 0, "1070": 1072})",
                      [](ParamContainer& d) {
                          for (int32_t id : {1039, 1040, 1041, 1106, 1074}) d.Remove(id);
                      },
                      "<precedence>1</precedence><basic><ior>0</ior><cauchy_b_coeff>0</cauchy_b_coeff>"
                      "<absorption_coefficient_spectrum /><subsurface_scattering><scattering_coefficient_spectrum />"
                      "<phase_function><henyey_greenstein><g_spectrum><uniform><value>0</value></uniform>"
                      "</g_spectrum></henyey_greenstein></phase_function></subsurface_scattering></basic></medium>"},
        StructureCase{"dermis writes no ior and no spectrum", R"({"1032": 1034, "1039": -2, "1075": 0.05})", nullptr,
                      "<precedence>-2</precedence><dermis><hemoglobin_fraction>0.05</hemoglobin_fraction></dermis>"
                      "</medium>"}));

TEST_F(MediumTest, NameIsMedAndTheLinkedMaterialsNameWithBlanksKept) {
    Load(Helper("glass", R"({"1001": {"material": "Red Glass"}})") + "," + Helper("empty", "{}") + "," +
         Helper("object", R"({"1001": {"object": "glass"}})"));
    const HostDocument* document = host_.Document();
    EXPECT_EQ(MediumName(TagData("glass"), document).Str(), "MedRed Glass");
    EXPECT_EQ(MediumName(TagData("empty"), document).Str(), "MedMATERIAL LINK NOT SET!");
    EXPECT_EQ(MediumName(TagData("object"), document).Str(), "MedMATERIAL LINK NOT SET!");  // not a material
    EXPECT_NE(Medium("glass").find("<name>MedRed Glass</name>"), std::string::npos);
}

}  // namespace
