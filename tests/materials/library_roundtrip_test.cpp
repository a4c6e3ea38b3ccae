// Export → import → export gives the same material library: for every material type and
// medium kind, with textures and blends, from the example libraries and from random values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>

#include "core/ids.h"
#include "materials/library_import.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using testing_support::ReadText;
using testing_support::SourcePath;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Trimmed(const std::string& line) {
    const size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : line.substr(first);
}

// Keeps the open elements of a library written one element per line.
void Track(const std::string& line, std::vector<std::string>& open) {
    const std::string t = Trimmed(line);
    if (t.size() < 3 || t[0] != '<' || t[1] == '?' || t[1] == '!' || t.ends_with("/>")) return;
    if (t[1] == '/') {
        if (!open.empty()) open.pop_back();
    } else if (t.find("</") == std::string::npos) {
        open.push_back(t.substr(1, t.find_first_of(" >") - 1));
    }
}

// The colour leaf of a medium's coefficient spectrum: the numbers that the import divides by
// their largest one, keeping it as the spectrum's gain.
bool IsScaledColour(const std::string& line, const std::vector<std::string>& open) {
    const std::string t = Trimmed(line);
    return t.starts_with("<rgb>") && t.ends_with("</rgb>") && open.size() >= 2 && open.back() == "rgb" &&
           (open[open.size() - 2] == "absorption_coefficient_spectrum" ||
            open[open.size() - 2] == "scattering_coefficient_spectrum");
}

bool NumbersAgree(const std::string& a, const std::string& b) {
    std::istringstream inA(Trimmed(a).substr(5)), inB(Trimmed(b).substr(5));
    double x = 0, y = 0;
    int count = 0;
    while (inA >> x) {
        if (!(inB >> y) || std::fabs(x - y) > 1e-6 * std::max(std::fabs(x), std::fabs(y))) return false;
        ++count;
    }
    return count == 3;
}

// Empty when the libraries agree: byte for byte, except the scaled colours, whose numbers
// agree within 1e-6 relative.
std::string LibraryDifference(const std::string& first, const std::string& second) {
    const std::vector<std::string> a = Lines(first), b = Lines(second);
    if (a.size() != b.size()) return "line counts differ:\n" + first + "\n----\n" + second;
    if (first.ends_with('\n') != second.ends_with('\n')) return "one ends in a line end, the other not";
    std::vector<std::string> open;
    for (size_t i = 0; i < a.size(); ++i) {
        Track(a[i], open);
        if (a[i] == b[i] || (IsScaledColour(a[i], open) && a[i].find('<') == b[i].find('<') && NumbersAgree(a[i], b[i])))
            continue;
        return "line " + std::to_string(i + 1) + ":\n" + a[i] + "\n" + b[i];
    }
    return "";
}

TEST(LibraryComparison, ToleratesOnlyScaledColoursOfMedia) {
    const std::string medium = "<medium>\n    <basic>\n        <absorption_coefficient_spectrum>\n            <rgb>\n"
                               "                <rgb>0.4000001 2.8 3.2</rgb>\n";
    const std::string albedo = "<diffuse>\n    <albedo_spectrum>\n        <rgb>\n            <rgb>0.4000001 2.8 3.2</rgb>\n";
    EXPECT_EQ(LibraryDifference(medium, medium), "");
    std::string changed = medium;
    changed.replace(changed.find("0.4000001"), 9, "0.4");
    EXPECT_EQ(LibraryDifference(medium, changed), "");
    changed.replace(changed.find("0.4"), 3, "0.41");
    EXPECT_NE(LibraryDifference(medium, changed), "");
    std::string albedoChanged = albedo;
    albedoChanged.replace(albedoChanged.find("0.4000001"), 9, "0.4");
    EXPECT_NE(LibraryDifference(albedo, albedoChanged), "");
    EXPECT_NE(LibraryDifference(medium, medium + "x"), "");
}

// Objects of the example document, one material helper tag each: what a library of each
// name holds.  "specular_peak" does not come back the same (PeakMediumComesBackAsTheDefaultKind).
const char* const kCases[] = {"diffuse",          "oren_nayar",       "phong",     "phong_albedo",
                              "phong_nk",         "diffuse_transmitter", "specular", "glossy_transparent",
                              "specular_uniform", "glossy_tabulated", "dermis",    "epidermis",
                              "blend",            "blend_nested",     "blend_null"};

class LibraryRoundTrip : public testing_support::ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        fs::copy(SourcePath("tests/data/libraries"), scratch_, fs::copy_options::recursive);
    }
    // Presses the library button of a helper tag: the file chosen, no texture copies.
    void Export(HostTag& tag, const std::string& name) {
        Script(json::array({{{"file", HostPath(name).Str()}}, {{"question", false}}}));
        DescriptionCommand button{1083};
        tag.Message(node_message::kDescriptionCommand, &button);
        ASSERT_TRUE(fs::exists(NativePath(name))) << name << "\n" << ConsoleText();
    }
    // Imports a library into a new document; the tag of the library's last material.
    HostTag* ImportIntoNewDocument(const std::string& name) {
        LoadDocument(R"({"objects": []})");
        Script(json::array({{{"file", HostPath(name).Str()}}}));
        host_.Registry().Find(plugin_id::kImportOvm)->command->Execute(host_.Document());
        HostObject* holder = host_.Document()->SearchObject(kImportHolderName);
        HostObject* last = holder ? holder->GetDown() : nullptr;
        while (last && last->GetNext()) last = last->GetNext();
        return last ? last->GetTag(plugin_id::kMaterialHelper) : nullptr;
    }
    void Script(const json& steps) {
        std::string error;
        ASSERT_TRUE(host_.Ui().SetScript(steps, "test", error)) << error;
    }
    // Exports the library again from its import; the difference to the original.
    std::string RoundTrip(const std::string& library) {
        HostTag* top = ImportIntoNewDocument(library);
        if (!top) return "nothing imported from " + library;
        const std::string again = "again_" + library;
        Export(*top, again);
        return LibraryDifference(ReadText(NativePath(library)), ReadText(NativePath(again)));
    }
};

TEST_F(LibraryRoundTrip, ExampleLibrariesComeBackTheSame) {
    for (const char* name : kCases) {
        const std::string library = std::string(name) + ".ovm";
        EXPECT_EQ(RoundTrip(library), "") << library;
        EXPECT_EQ(ConsoleText().find("Failed to load texture"), std::string::npos) << ConsoleText();
    }
}

// A peak medium writes an empty absorption spectrum, and an empty spectrum names
// no kind to the import: the tag keeps its default kind, RGB, and the library
// written again holds that RGB spectrum where the first held an empty one.
TEST_F(LibraryRoundTrip, PeakMediumComesBackAsTheDefaultKind) {
    const std::string first = ReadText(NativePath("specular_peak.ovm"));
    ASSERT_NE(first.find("<absorption_coefficient_spectrum />"), std::string::npos);
    HostTag* top = ImportIntoNewDocument("specular_peak.ovm");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->Data().Get<int32_t>(1042), 1044);
    Export(*top, "again_specular_peak.ovm");
    const std::string again = ReadText(NativePath("again_specular_peak.ovm"));
    EXPECT_EQ(again.find("<absorption_coefficient_spectrum />"), std::string::npos);
    EXPECT_NE(again.find("<absorption_coefficient_spectrum>"), std::string::npos);
}

// The example document's values replaced by random ones (colours and gains kept where the
// writers and the import keep them: albedo and g colours within 0..1, absorption colours
// whose scaled form has a part above 1 whenever the gain is not 1).
void Randomize(ParamContainer& data, std::mt19937& random) {
    const auto uniform = [&random](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
    const auto colour = [&](float low, float high) { return Vector{uniform(low, high), uniform(low, high), uniform(low, high)}; };
    std::vector<int32_t> ids;
    for (const auto& entry : data) ids.push_back(entry.first);
    for (int32_t id : ids) {
        switch (data.TypeOf(id)) {
            case ParamType::kReal:
                data.Set<float>(id, id >= 1109 && id <= 1111 ? uniform(0.05f, 1) : uniform(0.01f, 5000));
                break;
            case ParamType::kVector:
                data.Set<Vector>(id, colour(0, 0.9f));
                break;
            default:
                break;
        }
    }
    const bool scaleAbsorption = random() % 2 == 0;
    data.Set<float>(1099, scaleAbsorption ? uniform(2.5f, 10) : 1.0f);
    Vector absorption = data.Get<Vector>(1054);
    absorption.x = uniform(0, 0.5f);  // (1 - 0.5) * 2.5 > 1: the import takes the gain back
    data.Set<Vector>(1054, absorption);
    data.Set<float>(1098, random() % 2 == 0 ? uniform(1, 10) : 1.0f);
    data.Set<bool>(1105, random() % 2 == 0);
    data.Set<bool>(1020, random() % 2 == 0);
    data.Set<int32_t>(1039, static_cast<int32_t>(random() % 100));
}

TEST_F(LibraryRoundTrip, RandomValuesOfEveryTypeComeBackTheSame) {
    const std::string document = ReadText(SourcePath("tests/data/libraries/materials.json"));
    std::mt19937 random(20240607);
    for (int round = 0; round < 8; ++round) {
        for (const char* name : kCases) {
            LoadDocument(document);
            for (HostObject* o = host_.Document()->GetFirstObject(); o; o = o->GetNext()) {
                Randomize(o->GetTag(plugin_id::kMaterialHelper)->Data(), random);
            }
            HostTag* tag = host_.Document()->SearchObject(name)->GetTag(plugin_id::kMaterialHelper);
            Export(*tag, "random.ovm");
            EXPECT_EQ(RoundTrip("random.ovm"), "") << name << ", round " << round;
        }
    }
}

}  // namespace
