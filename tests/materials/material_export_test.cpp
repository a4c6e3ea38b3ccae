// Material elements of exported scene files: every material type with and without textures,
// clay mode, and which helper tags give which elements in which order.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "export/frame_loop.h"
#include "headless/json/document_json.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ExpectMatchesGolden;
using testing_support::ReadText;
using testing_support::SourcePath;

// A null object carrying one helper tag with the given parameters (a JSON object's body).
std::string HelperObject(const std::string& name, const std::string& params, const std::string& render = "default") {
    return R"({"type": "null", "name": ")" + name + R"(", "render": ")" + render +
           R"(", "tags": [{"type": "MyMaterialHelper", "params": {)" + params + "}}]}";
}

std::string Link(const std::string& id, const std::string& material) {
    return "\"" + id + R"(": {"material": ")" + material + "\"}";
}

class MaterialExport : public testing_support::ModuleTest {
protected:
    TiXmlDocument& Export(const std::string& json, ExportOptions options = {}) {
        LoadDocument(json);
        ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
        scene_.Parse(ReadText(NativePath("room_frame0.ovs")).c_str());
        EXPECT_FALSE(scene_.Error()) << scene_.ErrorDesc();
        return scene_;
    }
    const TiXmlElement* Scene() const { return scene_.FirstChildElement("scene"); }
    // "medium NAME" and "material NAME" for the scene's media and materials, in file order.
    std::vector<std::string> MaterialSequence() const {
        std::vector<std::string> names;
        if (!Scene()) return names;
        for (const TiXmlElement* e = Scene()->FirstChildElement(); e; e = e->NextSiblingElement()) {
            if (e->ValueStr() != "material" && e->ValueStr() != "medium") continue;
            const TiXmlElement* name = e->FirstChildElement("name");
            names.push_back(e->ValueStr() + " " + (name && name->GetText() ? name->GetText() : ""));
        }
        return names;
    }
    // The scene's material elements (and media, with `media`), printed.
    std::string MaterialText(bool media) const {
        std::string out;
        if (!Scene()) return out;
        for (const TiXmlElement* e = Scene()->FirstChildElement(); e; e = e->NextSiblingElement()) {
            if (e->ValueStr() != "material" && !(media && e->ValueStr() == "medium")) continue;
            TiXmlPrinter printer;
            printer.SetIndent("  ");
            e->Accept(&printer);
            out += printer.Str();
        }
        return out;
    }
    // The text of a child path below the material named `name`, e.g. {"blend", "a_name"}.
    std::string MaterialKey(const std::string& name, std::initializer_list<const char*> path) const {
        for (const TiXmlElement* e = Scene()->FirstChildElement("material"); e; e = e->NextSiblingElement("material")) {
            const TiXmlElement* n = e->FirstChildElement("name");
            if (!n || !n->GetText() || name != n->GetText()) continue;
            const TiXmlElement* at = e;
            for (const char* step : path) at = at ? at->FirstChildElement(step) : nullptr;
            if (!at) return "<missing>";
            return at->GetText() ? at->GetText() : "";
        }
        return "<no material>";
    }
    void WriteImage(const std::string& relative) {
        fs::create_directories(fs::path(NativePath(relative)).parent_path());
        std::ofstream(NativePath(relative)) << "image " << relative;
    }

    TiXmlDocument scene_;
};

// Materials of every type, once without textures and once with all four texture channels on,
// with values that differ from the defaults so that every parameter is seen to be read.
std::string EveryTypeDocument() {
    const std::string textured =
        R"("channels": {"0": {"on": true, "texture": "albedo.png"}, "6": {"on": true, "texture": "bump.png"},
                        "7": {"on": true, "texture": "mask.png"}, "9": {"on": true, "texture": "gloss.png"}})";
    std::string materials;
    std::string objects;
    const std::pair<const char*, const char*> types[] = {
        {"Diffuse", R"("1002": 1003, "1013": [0.5, 0.25, 0.125], "1014": 1.8)"},
        {"Oren", R"("1002": 1101, "1102": [0.1, 0.2, 0.3], "1103": 2.0, "1104": 0.3)"},
        {"Phong", R"("1002": 1004, "1015": [0.4, 0.5, 0.6], "1095": 1.9, "1016": 1.7, "1017": 50)"},
        {"Metal", R"("1002": 1004, "1015": [0.9, 0.8, 0.7], "1105": true, "1016": 2.5)"},
        {"Glass", R"("1002": 1005, "1020": false, "1040": 1.5)"},
        {"Frost", R"("1002": 1006, "1022": 123, "1040": 1.3)"},
        {"Paper", R"("1002": 1023, "1024": [0.7, 0.7, 0.6], "1080": 2.4)"},
        {"Mix", R"("1002": 1030, "1025": {"material": "Diffuse"}, "1026": {"material": "Phong Tex"}, "1028": 0.25)"},
    };
    const std::string textureParams =
        R"(, "1081": 0.5, "1082": 0.1, "1087": 0.2, "1088": 0.3, "1089": 2, "1090": 0.4, "1091": 500, "1092": 0.6)";
    for (const auto& [name, params] : types) {
        for (const std::string suffix : {"", " Tex"}) {
            const std::string material = name + suffix;
            if (!materials.empty()) materials += ",\n";
            materials += R"({"name": ")" + material + "\"" + (suffix.empty() ? "" : ", " + textured) + "}";
            if (!objects.empty()) objects += ",\n";
            objects += HelperObject(material, Link("1001", material) + ", " + params + textureParams);
        }
    }
    return R"({"materials": [)" + materials + R"(], "objects": [)" + objects + "]}";
}

class MaterialGolden : public MaterialExport {
protected:
    void SetUp() override {
        MaterialExport::SetUp();
        for (const char* image : {"tex/albedo.png", "tex/bump.png", "tex/mask.png", "tex/gloss.png"}) WriteImage(image);
    }
};

TEST_F(MaterialGolden, EveryTypeWithAndWithoutTextures) {
    Export(EveryTypeDocument());
    ExpectMatchesGolden(MaterialText(false), "materials/every_type.xml");
    const std::vector<std::string> sequence = MaterialSequence();
    const std::vector<std::string> expectedStart = {"material defaultMat", "material nullMat", "material Diffuse"};
    ASSERT_GE(sequence.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(sequence.begin(), sequence.begin() + 3), expectedStart);
}

TEST_F(MaterialGolden, ClayModeKeepsBlendsAndBumpMapsAndWritesNoMedia) {
    ExportOptions options;
    options.clayMode = true;
    Export(EveryTypeDocument(), options);
    ExpectMatchesGolden(MaterialText(true), "materials/clay.xml");
    for (const std::string& entry : MaterialSequence()) EXPECT_EQ(entry.rfind("medium", 0), std::string::npos) << entry;
    EXPECT_EQ(MaterialKey("Glass_Tex", {"oren_nayar", "bump_map", "path"}), "tex\\bump.png");
    EXPECT_EQ(MaterialKey("Mix", {"blend", "b_name"}), "Phong_Tex");
}

// Which elements a document gives, in file order (after defaultMat and nullMat).
struct SequenceCase {
    const char* name;
    std::string objects;
    std::vector<std::string> expected;
};

class MaterialSequenceTest : public MaterialExport, public testing::WithParamInterface<SequenceCase> {};

TEST_P(MaterialSequenceTest, ElementsInFileOrder) {
    Export(R"({"materials": [{"name": "Red Glass"}, {"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "Stone"}],
               "objects": [)" +
           GetParam().objects + "]}");
    std::vector<std::string> expected = {"material defaultMat", "material nullMat"};
    expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_EQ(MaterialSequence(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Material, MaterialSequenceTest,
    testing::Values(
        SequenceCase{"MediumBeforeItsMaterial",
                     HelperObject("g", Link("1001", "A") + R"(, "1002": 1006)") + "," +
                         HelperObject("s", Link("1001", "Red Glass") + R"(, "1002": 1005)"),
                     {"medium MedA", "material A", "medium MedRed Glass", "material Red_Glass"}},
        SequenceCase{"BlendComponentsFirstAndNotAgain",
                     HelperObject("mix", Link("1001", "C") + R"(, "1002": 1030, )" + Link("1025", "B") + ", " +
                                             Link("1026", "A")) +
                         "," + HelperObject("a", Link("1001", "A")) + "," + HelperObject("b", Link("1001", "B")),
                     {"material B", "material A", "material C"}},
        SequenceCase{"TwoTagsLinkingOneMaterial",
                     HelperObject("a1", Link("1001", "A")) + "," + HelperObject("a2", Link("1001", "A")),
                     {"material A", "material A"}},
        SequenceCase{"BlendUsingOneComponentTwice",
                     HelperObject("mix", Link("1001", "C") + R"(, "1002": 1030, )" + Link("1025", "A") + ", " +
                                             Link("1026", "A")) +
                         "," + HelperObject("a", Link("1001", "A")),
                     {"material A", "material C"}},
        SequenceCase{"TwoBlendsLinkingEachOther",
                     HelperObject("b1", Link("1001", "A") + R"(, "1002": 1030, )" + Link("1025", "B")) + "," +
                         HelperObject("b2", Link("1001", "B") + R"(, "1002": 1030, )" + Link("1025", "A")),
                     {"material B", "material A"}},
        SequenceCase{"BlendLinkingItself",
                     HelperObject("self", Link("1001", "A") + R"(, "1002": 1030, )" + Link("1025", "A") + ", " +
                                              Link("1026", "A")),
                     {"material A"}},
        SequenceCase{"ComponentSharedByTwoBlendComponents",
                     HelperObject("mix", Link("1001", "A") + R"(, "1002": 1030, )" + Link("1025", "B") + ", " +
                                             Link("1026", "C")) +
                         "," + HelperObject("b", Link("1001", "B") + R"(, "1002": 1030, )" + Link("1025", "Stone")) +
                         "," + HelperObject("c", Link("1001", "C") + R"(, "1002": 1030, )" + Link("1025", "Stone")) +
                         "," + HelperObject("s", Link("1001", "Stone")),
                     {"material Stone", "material B", "material C", "material A"}},
        SequenceCase{"CycleOfThreeEnteredInTheMiddle",
                     HelperObject("b1", Link("1001", "B") + R"(, "1002": 1030, )" + Link("1025", "C")) + "," +
                         HelperObject("b2", Link("1001", "A") + R"(, "1002": 1030, )" + Link("1025", "B")) + "," +
                         HelperObject("b3", Link("1001", "C") + R"(, "1002": 1030, )" + Link("1025", "A")),
                     {"material A", "material C", "material B"}},
        SequenceCase{"BlendReachingItselfThroughComponentB",
                     HelperObject("x", Link("1001", "A") + R"(, "1002": 1030, )" + Link("1026", "B")) + "," +
                         HelperObject("y", Link("1001", "B") + R"(, "1002": 1030, )" + Link("1025", "C") + ", " +
                                           Link("1026", "A")) +
                         "," + HelperObject("z", Link("1001", "C")),
                     {"material C", "material B", "material A"}},
        SequenceCase{"ComponentThatNoTagLinksIsNotExported",
                     HelperObject("mix", Link("1001", "C") + R"(, "1002": 1030, )" + Link("1025", "Stone")),
                     {"material C"}},
        SequenceCase{"HiddenObjectsGiveNoMaterial",
                     HelperObject("off", Link("1001", "A"), "off") + "," + HelperObject("b", Link("1001", "B")),
                     {"material B"}},
        SequenceCase{"EmptyLink", HelperObject("none", R"("1002": 1003)"), {"material MATERIAL LINK NOT SET!"}}),
    [](const testing::TestParamInfo<SequenceCase>& info) { return info.param.name; });

// 40 000 blends, each the next one's component A and the last one's A the first: every
// component before its blend, the cycle cut where it closes.
TEST_F(MaterialExport, ChainOfFortyThousandBlendsInALoop) {
    constexpr int kLinks = 40000;
    std::string materials, objects;
    std::vector<std::string> expected = {"material defaultMat", "material nullMat"};
    for (int i = 0; i < kLinks; ++i) {
        const std::string name = "M" + std::to_string(i), next = "M" + std::to_string((i + 1) % kLinks);
        materials += std::string(i ? "," : "") + R"({"name": ")" + name + "\"}";
        objects += (i ? "," : "") + HelperObject(name, Link("1001", name) + R"(, "1002": 1030, )" + Link("1025", next));
        expected.push_back("material M" + std::to_string(kLinks - 1 - i));
    }
    Export(R"({"materials": [)" + materials + R"(], "objects": [)" + objects + "]}");
    EXPECT_EQ(MaterialSequence(), expected);
    EXPECT_EQ(MaterialKey("M39999", {"blend", "a_name"}), "M0");
}

TEST_F(MaterialExport, BlendNamesItsComponentsAndTheNullMaterialForAnEmptyLink) {
    Export(R"({"materials": [{"name": "Old Paint"}, {"name": "Rust"}, {"name": "Stone"}], "objects": [)" +
           HelperObject("mix", Link("1001", "Old Paint") + R"(, "1002": 1030, )" + Link("1025", "Rust") +
                                   R"(, "1026": null, "1028": 0.75)") +
           "," + HelperObject("self", Link("1001", "Rust") + R"(, "1002": 1030, )" + Link("1025", "Stone")) + "]}");
    EXPECT_EQ(MaterialKey("Old_Paint", {"blend", "a_name"}), "Rust");
    EXPECT_EQ(MaterialKey("Old_Paint", {"blend", "b_name"}), "nullMat");
    EXPECT_EQ(MaterialKey("Old_Paint", {"blend", "blend_factor"}), "0.75");
    // A component that no helper tag links is named all the same.
    EXPECT_EQ(MaterialKey("Rust", {"blend", "a_name"}), "Stone");
    EXPECT_EQ(MaterialKey("Stone", {"name"}), "<no material>");
}

TEST_F(MaterialExport, BlankInTheNameIsAnUnderscoreExceptInTheMediumName) {
    Export(R"({"materials": [{"name": "Red Glass"}], "objects": [)" +
           HelperObject("g", Link("1001", "Red Glass") + R"(, "1002": 1005)") + "]}");
    EXPECT_EQ(MaterialKey("Red_Glass", {"specular", "internal_medium_name"}), "MedRed Glass");
    EXPECT_EQ(MaterialKey("Red_Glass", {"specular", "transparent"}), "true");
    const TiXmlElement* medium = Scene()->FirstChildElement("medium");
    ASSERT_NE(medium, nullptr);
    EXPECT_STREQ(medium->FirstChildElement("name")->GetText(), "MedRed Glass");
}

TEST_F(MaterialExport, GeometryNamesAMaterialThatNoTagWrites) {
    Export(R"({"materials": [{"name": "Stone"}], "objects": [
        {"type": "sphere", "name": "Ball", "tags": [{"type": "texture", "material": "Stone"}]}]})");
    const TiXmlElement* sphere = Scene()->FirstChildElement("sphere");
    ASSERT_NE(sphere, nullptr);
    EXPECT_STREQ(sphere->FirstChildElement("material_name")->GetText(), "Stone");
    EXPECT_EQ(MaterialSequence(), (std::vector<std::string>{"material defaultMat", "material nullMat"}));
}

TEST_F(MaterialExport, EmptyLinkWritesTheSpectraButNoTextures) {
    WriteImage("tex/albedo.png");
    Export(R"({"materials": [{"name": "A", "channels": {"0": {"on": true, "texture": "albedo.png"}}}], "objects": [)" +
           HelperObject("none", R"("1002": 1003, "1013": [0.2, 0.4, 0.6])") + "]}");
    EXPECT_EQ(MaterialKey("MATERIAL LINK NOT SET!", {"diffuse", "albedo_spectrum", "rgb", "rgb"}), "0.2 0.4 0.6");
    EXPECT_EQ(MaterialKey("MATERIAL LINK NOT SET!", {"diffuse", "albedo_texture"}), "<missing>");
}

TEST_F(MaterialExport, PhongWithMeasuredDataWritesNoIorNorColour) {
    Export(R"({"materials": [{"name": "Gold"}], "objects": [)" +
           HelperObject("p", Link("1001", "Gold") + R"(, "1002": 1004, "1018": true, "1019": "Au.nk", "1017": 80)") +
           "]}");
    EXPECT_EQ(MaterialKey("Gold", {"phong", "nk_data"}), "nkdata/Au.nk");
    EXPECT_EQ(MaterialKey("Gold", {"phong", "exponent"}), "80");
    EXPECT_EQ(MaterialKey("Gold", {"phong", "ior"}), "<missing>");
    EXPECT_EQ(MaterialKey("Gold", {"phong", "diffuse_albedo_spectrum"}), "<missing>");
    EXPECT_EQ(MaterialKey("Gold", {"phong", "specular_reflectivity_spectrum"}), "<missing>");
}

TEST_F(MaterialExport, UnknownTypeWritesOnlyTheName) {
    Export(R"({"materials": [{"name": "A"}], "objects": [)" + HelperObject("x", Link("1001", "A") + R"(, "1002": 4242)") +
           "]}");
    const TiXmlElement* material = Scene()->FirstChildElement("material")->NextSiblingElement("material")
                                       ->NextSiblingElement("material");
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->FirstChildElement("name")->GetText(), "A");
    EXPECT_EQ(material->FirstChildElement("name")->NextSiblingElement(), nullptr);
}

TEST_F(MaterialExport, ExampleDocumentHoldsEveryTypeWithItsTextures) {
    headless::LoadError error;
    auto document = headless::LoadDocumentFile(SourcePath("examples/materials.json"), host_.Files(), &host_.Registry(), error);
    ASSERT_NE(document, nullptr) << error.message;
    host_.SetDocument(std::move(document));
    ExportOptions options;
    options.networkRender = true;
    ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
    scene_.Parse(ReadText(NativePath("room_frame0.ovs")).c_str());
    ASSERT_NE(Scene(), nullptr);
    std::set<std::string> types;
    int textures = 0;
    for (const TiXmlElement* m = Scene()->FirstChildElement("material"); m; m = m->NextSiblingElement("material")) {
        const TiXmlElement* body = m->FirstChildElement("name")->NextSiblingElement();
        types.insert(body->ValueStr());
        for (const TiXmlElement* t = body->FirstChildElement(); t; t = t->NextSiblingElement()) {
            const TiXmlElement* path = t->FirstChildElement("path");
            if (!path) continue;
            ++textures;
            std::string native = path->GetText();
            std::replace(native.begin(), native.end(), '\\', '/');
            EXPECT_TRUE(fs::is_regular_file(NativePath(native))) << native;
        }
    }
    EXPECT_EQ(types, (std::set<std::string>{"diffuse", "oren_nayar", "phong", "specular", "glossy_transparent",
                                            "diffuse_transmitter", "blend", "null_material"}));
    EXPECT_EQ(textures, 10);
}

}  // namespace
