#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <string>

#include "core/ids.h"
#include "export/export_xml.h"
#include "export/frame_loop.h"
#include "tags/light_tag.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

using namespace light_param;
using testing_support::ExpectMatchesGolden;
using testing_support::ReadText;
using testing_support::SourcePath;

const char* kQuad = R"("points": [[0,0,0],[100,0,0],[100,0,100],[0,0,100]], "polygons": [[0,1,2,3]])";

std::string LightObject(const std::string& name, const std::string& params, const std::string& placement = "") {
    return R"({"type": "polygon", "name": ")" + name + "\", " + kQuad + placement +
           R"(, "tags": [{"type": "MyLightTag", "params": )" + params + "}]}";
}

// A JSON string holding the text (backslashes escaped).
std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out + "\"";
}

std::string Print(const TiXmlNode& node, bool compact) {
    TiXmlPrinter printer;
    if (compact) printer.SetStreamPrinting();
    else printer.SetIndent("  ");
    node.Accept(&printer);
    return printer.Str();
}

class LightMeshTest : public testing_support::ModuleTest {
protected:
    // Exports frame 0 of the active document as room.ovs and keeps the scene file's XML.
    void Export() {
        ExportOptions options;
        ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
        scene_.Clear();
        scene_.Parse(ReadText(NativePath("room_frame0.ovs")).c_str());
    }
    std::vector<const TiXmlElement*> Elements(const char* name) const {
        std::vector<const TiXmlElement*> out;
        const TiXmlElement* root = scene_.FirstChildElement("scene");
        for (const TiXmlElement* e = root ? root->FirstChildElement(name) : nullptr; e; e = e->NextSiblingElement(name))
            out.push_back(e);
        return out;
    }
    // The comment and keys that place a model or a mesh light (up to "spectrum"), compact.
    static std::string Placement(const TiXmlElement& element) {
        std::string out;
        for (const TiXmlNode* n = element.FirstChild(); n && n->ValueStr() != "spectrum"; n = n->NextSibling()) {
            out += Print(*n, true);
        }
        return out;
    }
    // The keys of a mesh light after its placement ("spectrum" onwards), compact.
    std::string Emission(const TiXmlElement& light) const {
        std::string out;
        for (const TiXmlElement* e = light.FirstChildElement("spectrum"); e; e = e->NextSiblingElement()) {
            out += Print(*e, true);
        }
        return out;
    }

    TiXmlDocument scene_;
};

TEST_F(LightMeshTest, GoldenMeshLightsOfEverySpectrumAndScaling) {
    const std::string ies = HostPath("ies/spot.ies").Str();
    LoadDocument(std::string(R"({"objects": [
        {"type": "MyRenderSettings", "name": "Settings", "params": {"1340": 0.01}},)") +
                 LightObject("Default light", "{}") + ",\n" +
                 LightObject("Peak light", R"({"1215": 1216})", R"(, "position": [10, 20, 30])") + ",\n" +
                 LightObject("Colour light", R"({"1215": 1217, "1227": [1, 0.5, 0.25], "1228": 1.8})",
                             R"(, "rotation": [90, 0, 0], "scale": [2, 1, 1])") +
                 ",\n" + LightObject("Blackbody light", R"({"1215": 1218, "1224": 3200, "1225": 2.5})") + ",\n" +
                 LightObject("Uniform light", R"({"1215": 1219, "1226": 7.5})") + ",\n" +
                 LightObject("IES light", R"({"1215": 1218, "1229": true, "1211": true, "1230": {"file": )" +
                                              JsonText(ies) + "}}") +
                 ",\n" + LightObject("Efficacy light", R"({"1215": 1218, "1224": 2700, "1211": true, "1212": 60,
                                                         "1213": 13.7})") +
                 "]}");
    Export();
    std::string lights;
    for (const TiXmlElement* light : Elements("meshlight")) lights += Print(*light, false);
    ExpectMatchesGolden(lights, "lights/meshlights_frame0.xml");
    EXPECT_TRUE(Elements("model").empty());
}

TEST_F(LightMeshTest, PlacedLikeTheModelOfTheSameObject) {
    const std::string placement = R"(, "position": [5, -7, 12], "rotation": [30, 45, 10], "scale": [1, 2, 3])";
    LoadDocument("{\"objects\": [" + LightObject("Lamp", "{}", placement) + "]}");
    Export();
    ASSERT_EQ(Elements("meshlight").size(), 1u);
    const std::string asLight = Placement(*Elements("meshlight")[0]);
    LoadDocument(R"({"objects": [{"type": "polygon", "name": "Lamp", )" + std::string(kQuad) + placement + "}]}");
    Export();
    ASSERT_EQ(Elements("model").size(), 1u);
    EXPECT_EQ(asLight, Placement(*Elements("model")[0]));
    EXPECT_NE(asLight.find("<!--Lamp--><scale>1.00000</scale><pos>"), std::string::npos) << asLight;
    EXPECT_NE(asLight.find("<mesh_name>room-0</mesh_name>"), std::string::npos) << asLight;
}

struct EmissionCase {
    const char* what;
    std::string params;
    std::function<void(ParamContainer&)> tweak;  // applied to the tag after loading
    std::string expected;
};
void PrintTo(const EmissionCase& c, std::ostream* os) { *os << c.what; }

class LightMeshEmission : public LightMeshTest, public testing::WithParamInterface<EmissionCase> {};

TEST_P(LightMeshEmission, WritesTheSpectrumAndScalingTheTagAsks) {
    const EmissionCase& c = GetParam();
    LoadDocument("{\"objects\": [" + LightObject("Lamp", c.params) + "]}");
    if (c.tweak) c.tweak(host_.Document()->SearchObject("Lamp")->GetTag(plugin_id::kLightTag)->Data());
    Export();
    ASSERT_EQ(Elements("meshlight").size(), 1u) << c.what;
    EXPECT_EQ(Emission(*Elements("meshlight")[0]), c.expected) << c.what;
}

const std::string kWhite = "<spectrum><rgb><rgb>1 1 1</rgb><gamma>2.2</gamma></rgb></spectrum>";

INSTANTIATE_TEST_SUITE_P(
    LightTags, LightMeshEmission,
    testing::Values(
        EmissionCase{"defaults", "{}", nullptr, kWhite},
        EmissionCase{"peak defaults", R"({"1215": 1216})", nullptr,
                     "<spectrum><peak><peak_min>300</peak_min><peak_width>550</peak_width><base_value>0</base_value>"
                     "<peak_value>200</peak_value></peak></spectrum>"},
        EmissionCase{"unknown spectrum kind", R"({"1215": 1300})", nullptr, "<spectrum />"},
        EmissionCase{"IES profile wins over efficacy; another drive stays absolute",
                     R"({"1229": true, "1211": true, "1230": {"file": "D:\\ies\\a.ies"}})", nullptr,
                     kWhite + "<ies_profile><path>D:\\ies\\a.ies</path></ies_profile>"},
        EmissionCase{"IES file entry missing", R"({"1229": true})", [](ParamContainer& d) { d.Remove(kIesFile); },
                     kWhite + "<ies_profile><path>Fileneme/not/set</path></ies_profile>"},
        EmissionCase{"IES path too short to be made relative", R"({"1229": true, "1230": {"file": "C:\\"}})", nullptr,
                     kWhite + "<ies_profile><path>C:\\</path></ies_profile>"},
        EmissionCase{"efficacy scaling with the tag's defaults", R"({"1211": true})", nullptr,
                     kWhite + "<efficacy_scale><power_drawn>95</power_drawn>"
                              "<overall_luminous_efficacy>14</overall_luminous_efficacy></efficacy_scale>"},
        EmissionCase{"missing reals read as 0", R"({"1215": 1218})",
                     [](ParamContainer& d) {
                         d.Remove(kTemperature);
                         d.Remove(kBlackbodyGain);
                     },
                     "<spectrum><blackbody><temperature>0</temperature><gain>0</gain></blackbody></spectrum>"},
        EmissionCase{"missing colour reads as black", "{}",
                     [](ParamContainer& d) {
                         d.Remove(kColourValue);
                         d.Remove(kGamma);
                     },
                     "<spectrum><rgb><rgb>0 0 0</rgb><gamma>0</gamma></rgb></spectrum>"}));

TEST_F(LightMeshTest, TheFirstTextureTagsMaterialGivesTheLightTexture) {
    LoadDocument(std::string(R"({"materials": [{"name": "Shade", "channels": {"0": {"on": true, "texture": "glow.png",
        "folder": )") + JsonText(HostPath("maps").Str()) + R"(}}}], "objects": [{"type": "polygon", "name": "Lamp", )" +
                 kQuad + R"(, "tags": [{"type": "MyLightTag", "params": {"1211": true}},
                                {"type": "texture", "material": "Shade"}]}]})");
    Export();
    ASSERT_EQ(Elements("meshlight").size(), 1u);
    EXPECT_EQ(Emission(*Elements("meshlight")[0]),
              kWhite + "<efficacy_scale><power_drawn>95</power_drawn><overall_luminous_efficacy>14"
                       "</overall_luminous_efficacy></efficacy_scale><texture><uv_set>default</uv_set>"
                       "<path>maps\\glow.png</path><exponent>2.2</exponent></texture>");
}

TEST_F(LightMeshTest, ATextureTagWithoutAUsableMaterialWritesNoTexture) {
    LoadDocument(std::string(R"({"materials": [{"name": "Base", "type": "base"},
        {"name": "Shade", "channels": {"0": {"on": true, "texture": "glow.png", "folder": "C:\\maps"}}}], "objects": [)") +
                 R"({"type": "polygon", "name": "A", )" + kQuad +
                 R"(, "tags": [{"type": "MyLightTag"}, {"type": "texture", "material": "Base"}]},)" +
                 R"({"type": "polygon", "name": "B", )" + kQuad +
                 R"(, "tags": [{"type": "MyLightTag"}, {"type": "texture"}]},)" +
                 R"({"type": "polygon", "name": "C", )" + kQuad +
                 R"(, "tags": [{"type": "MyLightTag"}, {"type": "texture", "material": "Base"},
                               {"type": "texture", "material": "Shade"}]}]})");
    Export();
    ASSERT_EQ(Elements("meshlight").size(), 3u);
    for (const TiXmlElement* light : Elements("meshlight")) EXPECT_EQ(light->FirstChildElement("texture"), nullptr);
}

}  // namespace
