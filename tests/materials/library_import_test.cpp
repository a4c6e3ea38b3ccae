// Importing material libraries: the command, the type readers, media, textures and blends.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/ids.h"
#include "materials/library_import.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

std::string Library(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<scenedata>\n"
           "<material><name>nullMat</name><null_material /></material>\n" +
           body + "\n</scenedata>\n";
}

std::string Material(const std::string& name, const std::string& body) {
    return "<material><name>" + name + "</name>" + body + "</material>\n";
}

std::string Rgb(const std::string& wrapper, const std::string& colour, const std::string& gamma = "2.2") {
    return "<" + wrapper + "><rgb><rgb>" + colour + "</rgb><gamma>" + gamma + "</gamma></rgb></" + wrapper + ">";
}

class LibraryImportTest : public testing_support::ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        LoadDocument(R"({"objects": [{"type": "cube", "name": "Box"}]})");
    }
    // Writes the library into the scratch directory and runs the import command on it.
    void Import(const std::string& text, const std::string& name = "lib.ovm") {
        std::ofstream(NativePath(name), std::ios::binary) << text;
        Run(HostPath(name).Str());
    }
    void Run(const json& answer) {
        std::string error;
        ASSERT_TRUE(host_.Ui().SetScript(json::array({{{"file", answer}}}), "test", error)) << error;
        const headless::PluginEntry* command = host_.Registry().Find(plugin_id::kImportOvm);
        ASSERT_TRUE(command && command->command);
        imported_ = command->command->Execute(host_.Document());
    }
    bool imported_ = false;  // what the command answered: whether a library was imported
    HostObject* Holder() { return host_.Document()->SearchObject(kImportHolderName); }
    std::vector<std::string> HeldNames() {
        std::vector<std::string> names;
        for (HostObject* o = Holder() ? Holder()->GetDown() : nullptr; o; o = o->GetNext()) names.push_back(o->GetName().Str());
        return names;
    }
    std::vector<std::string> MaterialNames() {
        std::vector<std::string> names;
        for (HostMaterial* m = host_.Document()->GetFirstMaterial(); m; m = m->GetNext()) names.push_back(m->GetName().Str());
        return names;
    }
    // The helper tag's parameters of the imported material of that name.
    const ParamContainer& Params(const std::string& name) {
        for (HostObject* o = Holder() ? Holder()->GetDown() : nullptr; o; o = o->GetNext()) {
            if (o->GetName() == HostString(name)) return o->GetTag(plugin_id::kMaterialHelper)->Data();
        }
        ADD_FAILURE() << "no imported material " << name;
        static const ParamContainer none;
        return none;
    }
    HostNode* Linked(const std::string& name, int32_t id) { return Params(name).GetLink(id, host_.Document()); }
    HostChannel* Channel(const std::string& material, int32_t n) {
        return host_.Document()->SearchMaterial(material)->GetChannel(n);
    }
    bool ConsoleHas(const std::string& text) { return ConsoleText().find(text) != std::string::npos; }
};

TEST_F(LibraryImportTest, NoOvmWhenNothingOrAnotherKindOfFileIsChosen) {
    std::ofstream(NativePath("lib.xml")) << Library("");
    const int32_t events = host_.EventCount();
    for (const json& answer : {json(nullptr), json(HostPath("lib.xml").Str())}) {
        host_.ClearRecords();
        Run(answer);
        EXPECT_EQ(ConsoleText(), "no ovm\n");
        EXPECT_FALSE(imported_);
    }
    EXPECT_EQ(Holder(), nullptr);
    EXPECT_EQ(host_.EventCount(), events);
}

TEST_F(LibraryImportTest, EachTypeElementFillsItsParameters) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<std::pair<int32_t, ParamValue>> expected;
    };
    const Case cases[] = {
        {"Paint", "<diffuse>" + Rgb("albedo_spectrum", "0.8 0.1 0.05", "2.4") + "</diffuse>",
         {{1002, 1003}, {1013, Vector{0.8f, 0.1f, 0.05f}}, {1014, 2.4f}}},
        {"Clay", "<oren_nayar>" + Rgb("albedo_spectrum", "0.5 0.4 0.3", "1.8") + "<sigma>0.35</sigma></oren_nayar>",
         {{1002, 1101}, {1102, Vector{0.5f, 0.4f, 0.3f}}, {1103, 1.8f}, {1104, 0.35f}}},
        {"Paper", "<diffuse_transmitter>" + Rgb("albedo_spectrum", "0.9 0.9 0.85", "2") + "</diffuse_transmitter>",
         {{1002, 1023}, {1024, Vector{0.9f, 0.9f, 0.85f}}, {1080, 2.0f}}},
        {"Varnish", "<phong><ior>1.5</ior>" + Rgb("specular_reflectivity_spectrum", "0.2 0.3 0.4", "1") +
                        "<exponent>800</exponent></phong>",
         {{1002, 1004}, {1016, 1.5f}, {1105, true}, {1015, Vector{0.2f, 0.3f, 0.4f}}, {1095, 1.0f}, {1017, 800.0f}}},
        {"Old", "<phong>" + Rgb("specular_reflection_spectrum", "0.6 0.6 0.6") + "</phong>",
         {{1002, 1004}, {1105, true}, {1015, Vector{0.6f, 0.6f, 0.6f}}}},
        {"Plastic", "<phong><ior>1.3</ior>" + Rgb("diffuse_albedo_spectrum", "0.1 0.2 0.3") + "</phong>",
         {{1002, 1004}, {1016, 1.3f}, {1015, Vector{0.1f, 0.2f, 0.3f}}}},
        {"Gold", "<phong><nk_data>nkdata/Au.nk</nk_data><ior>9</ior><exponent>5000</exponent></phong>",
         {{1002, 1004}, {1018, true}, {1019, HostString("Au.nk")}, {1016, 1.0f}, {1017, 5000.0f}}},
        {"Bare", "<phong><nk_data>Ag.nk</nk_data></phong>", {{1018, true}, {1019, HostString("Ag.nk")}}},
        {"Window", "<specular><transparent>TRUE</transparent></specular>", {{1002, 1005}, {1020, true}}},
        {"Mirror", "<specular><transparent>yes</transparent></specular>", {{1002, 1005}, {1020, false}}},
        {"Frost", "<glossy_transparent><exponent>250</exponent></glossy_transparent>", {{1002, 1006}, {1022, 250.0f}}},
        {"Odd", "<diffuse><sigma>3</sigma>" + Rgb("albedo_spectrum", "x y z", "two") + "</diffuse>",
         {{1013, Vector{0, 0, 0}}, {1014, 0.0f}, {1104, 0.2f}}},  // not numbers give 0; strays are not read
        {"Huge", "<glossy_transparent><exponent>1e39</exponent></glossy_transparent>", {{1022, 1000.0f}}},
    };
    std::string body;
    for (const Case& c : cases) body += Material(c.name, c.body);
    Import(Library(body));
    for (const Case& c : cases) {
        const ParamContainer& data = Params(c.name);
        for (const auto& [id, value] : c.expected) {
            const ParamValue* held = data.Find(id);
            ASSERT_NE(held, nullptr) << c.name << " " << id;
            EXPECT_TRUE(*held == value) << c.name << " " << id;
        }
        EXPECT_EQ(Linked(c.name, 1001), host_.Document()->SearchMaterial(c.name)) << c.name;
    }
    EXPECT_FALSE(Params("Plastic").Get<bool>(1105));
}

TEST_F(LibraryImportTest, CreatesANamedMaterialNullHelperAndTextureTagPerMaterial) {
    const int32_t events = host_.EventCount();
    Import(Library(Material("Red Paint", "<diffuse />") + Material("Stone", "<oren_nayar />")));
    EXPECT_TRUE(imported_);
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"Red Paint", "Stone"}));
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"Red Paint", "Stone"}));
    HostObject* null = Holder()->GetDown();
    EXPECT_EQ(null->GetType(), host_type::kNull);
    HostTag* helper = null->GetFirstTag();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->GetType(), plugin_id::kMaterialHelper);
    ASSERT_NE(helper->GetNext(), nullptr);
    EXPECT_EQ(helper->GetNext()->GetType(), host_type::kTextureTag);
    EXPECT_EQ(helper->GetNext()->GetMaterial(), host_.Document()->SearchMaterial("Red Paint"));
    EXPECT_EQ(host_.Document()->SearchMaterial("Stone")->GetType(), host_type::kStandardMaterial);
    // The holder is a null at the top of the document; the change is announced.
    EXPECT_EQ(host_.Document()->GetFirstObject(), Holder());
    EXPECT_EQ(Holder()->GetType(), host_type::kNull);
    EXPECT_EQ(host_.EventCount(), events + 1);
}

TEST_F(LibraryImportTest, DispatchOrderDuplicatesNullAndUntypedMaterials) {
    Import(Library(Material("Both", "<phong /><diffuse />") + Material("Twice", "<diffuse />") +
                   Material("Twice", "<phong />") + Material("Plain", "<unknown />")));
    EXPECT_EQ(Params("Both").Get<int32_t>(1002), 1003);
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"Both", "Twice", "Plain"}));
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"Both", "Twice", "Plain"}));
    EXPECT_EQ(Params("Twice").Get<int32_t>(1002), 1003);
    // Without a type element the helper tag keeps its defaults, linked to its material.
    EXPECT_EQ(Params("Plain").Get<int32_t>(1002), 1003);
    EXPECT_EQ(Params("Plain").Get<Vector>(1013), (Vector{0.8f, 0.8f, 0.8f}));
    EXPECT_EQ(Linked("Plain", 1001), host_.Document()->SearchMaterial("Plain"));
}

TEST_F(LibraryImportTest, OnlyTheNullMaterialGivesOnlyTheHolder) {
    Import(Library(""));
    ASSERT_NE(Holder(), nullptr);
    EXPECT_EQ(Holder()->GetDown(), nullptr);
    EXPECT_EQ(host_.Document()->GetFirstMaterial(), nullptr);
}

TEST_F(LibraryImportTest, HolderIsReusedWhenItIsANullAndMadeAnewOtherwise) {
    LoadDocument(R"({"objects": [{"type": "cube", "name": "Imported Materials"}]})");
    Import(Library(Material("A", "<diffuse />")));
    HostObject* first = host_.Document()->GetFirstObject();
    EXPECT_EQ(first->GetType(), host_type::kNull);
    EXPECT_EQ(first->GetName(), HostString(kImportHolderName));
    EXPECT_EQ(first->GetDown()->GetName(), HostString("A"));
    EXPECT_EQ(first->GetNext()->GetType(), host_type::kCube);

    LoadDocument(R"({"objects": [{"type": "null", "name": "Imported Materials", "children": [{"type": "null", "name": "Old"}]}]})");
    Import(Library(Material("A", "<diffuse />")));
    Import(Library(Material("A", "<diffuse />")));  // a second run imports again
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"Old", "A", "A"}));
    EXPECT_EQ(host_.Document()->GetFirstObject()->GetNext(), nullptr);
}

TEST_F(LibraryImportTest, MediumOfSpecularAndGlossyMaterials) {
    const std::string media =
        "<medium><name>MedGlass</name><precedence>20</precedence><basic><ior>1.5</ior><cauchy_b_coeff>0.01</cauchy_b_coeff>"
        "<absorption_coefficient_spectrum><rgb><rgb>1.5 0.5 0.25</rgb><gamma>1.1</gamma></rgb></absorption_coefficient_spectrum>"
        "<subsurface_scattering><scattering_coefficient_spectrum><rgb><rgb>4 2 1</rgb><gamma>1.2</gamma></rgb>"
        "</scattering_coefficient_spectrum><phase_function><henyey_greenstein><g_spectrum><rgb><rgb>0.7 2 0.5</rgb>"
        "<gamma>1.3</gamma></rgb></g_spectrum></henyey_greenstein></phase_function></subsurface_scattering></basic></medium>"
        "<medium><name>MedSkin</name><precedence>5</precedence><dermis><hemoglobin_fraction>0.02</hemoglobin_fraction>"
        "</dermis></medium>"
        "<medium><name>MedTan</name><precedence>6</precedence><epidermis><melanin_fraction>0.3</melanin_fraction>"
        "<melanin_type_blend>0.7</melanin_type_blend></epidermis></medium>"
        "<medium><name>MedBody</name><precedence>7</precedence><basic><absorption_coefficient_spectrum><uniform><value>3"
        "</value></uniform><blackbody><temperature>3000</temperature><gain>2</gain></blackbody>"
        "</absorption_coefficient_spectrum><subsurface_scattering><scattering_coefficient_spectrum><regular_tabulated>"
        "<start_wavelength>400</start_wavelength><end_wavelength>700</end_wavelength><num_values>3</num_values>"
        "<values>1 2 3</values></regular_tabulated></scattering_coefficient_spectrum><phase_function><uniform />"
        "</phase_function></subsurface_scattering></basic></medium>"
        "<medium><name>MedVoid</name><precedence>8</precedence><basic><absorption_coefficient_spectrum />"
        "</basic></medium>"
        "<medium><name>MedNoPrecedence</name><basic><ior>3</ior></basic></medium>";
    Import(Library(media + Material("Glass", "<specular><internal_medium_name>MedGlass</internal_medium_name></specular>") +
                   Material("Skin", "<glossy_transparent><internal_medium_name>MedSkin</internal_medium_name></glossy_transparent>") +
                   Material("Tan", "<specular><internal_medium_name>MedTan</internal_medium_name></specular>") +
                   Material("Body", "<specular><internal_medium_name>MedBody</internal_medium_name></specular>") +
                   Material("Void", "<specular><internal_medium_name>MedVoid</internal_medium_name></specular>") +
                   Material("Loose", "<specular><internal_medium_name>MedNoPrecedence</internal_medium_name></specular>")));

    const ParamContainer& glass = Params("Glass");
    EXPECT_EQ(glass.Get<int32_t>(1039), 20);
    EXPECT_EQ(glass.Get<int32_t>(1032), 1033);
    EXPECT_EQ(glass.Get<float>(1040), 1.5f);
    EXPECT_EQ(glass.Get<float>(1041), 0.01f);
    // The absorption colour is scaled by its largest part, which goes to the gain, and given
    // back as the colour that passes.
    EXPECT_EQ(glass.Get<int32_t>(1042), 1044);
    EXPECT_EQ(glass.Get<float>(1099), 1.5f);
    const Vector absorption = glass.Get<Vector>(1054);
    EXPECT_EQ(absorption.x, 0.0f);
    EXPECT_FLOAT_EQ(absorption.y, 1 - 0.5f / 1.5f);
    EXPECT_FLOAT_EQ(absorption.z, 1 - 0.25f / 1.5f);
    EXPECT_EQ(glass.Get<float>(1055), 1.1f);
    EXPECT_TRUE(glass.Get<bool>(1078));
    EXPECT_EQ(glass.Get<int32_t>(1056), 1058);
    EXPECT_EQ(glass.Get<Vector>(1068), (Vector{1, 0.5f, 0.25f}));  // not complemented
    EXPECT_EQ(glass.Get<float>(1098), 4.0f);
    EXPECT_EQ(glass.Get<float>(1069), 1.2f);
    EXPECT_EQ(glass.Get<int32_t>(1070), 1072);
    EXPECT_EQ(glass.Get<int32_t>(1106), 1108);
    EXPECT_FLOAT_EQ(glass.Get<float>(1109), 0.35f);  // scaled, no gain to keep it
    EXPECT_EQ(glass.Get<float>(1110), 1.0f);
    EXPECT_EQ(glass.Get<float>(1111), 0.25f);
    EXPECT_EQ(glass.Get<float>(1113), 1.3f);

    EXPECT_EQ(Params("Skin").Get<int32_t>(1032), 1034);
    EXPECT_EQ(Params("Skin").Get<float>(1075), 0.02f);
    EXPECT_EQ(Params("Tan").Get<int32_t>(1032), 1035);
    EXPECT_EQ(Params("Tan").Get<float>(1076), 0.3f);
    EXPECT_EQ(Params("Tan").Get<float>(1077), 0.7f);

    const ParamContainer& body = Params("Body");
    EXPECT_EQ(body.Get<int32_t>(1042), 1045);  // the last kind present counts
    EXPECT_EQ(body.Get<float>(1053), 3.0f);
    EXPECT_EQ(body.Get<float>(1051), 3000.0f);
    EXPECT_EQ(body.Get<float>(1052), 2.0f);
    EXPECT_EQ(body.Get<int32_t>(1056), 1114);
    EXPECT_EQ(body.Get<HostString>(1116), HostString("400"));
    EXPECT_EQ(body.Get<HostString>(1117), HostString("700"));
    EXPECT_EQ(body.Get<int32_t>(1119), 3);
    EXPECT_EQ(body.Get<HostString>(1118), HostString("1 2 3"));
    EXPECT_EQ(body.Get<int32_t>(1070), 1071);
    // An empty spectrum keeps the default kind.
    EXPECT_EQ(Params("Void").Get<int32_t>(1042), 1044);
    EXPECT_FALSE(Params("Void").Get<bool>(1078));

    // A medium without precedence sets nothing, not even its kind or ior.
    const ParamContainer& loose = Params("Loose");
    EXPECT_EQ(loose.Get<int32_t>(1039), 10);
    EXPECT_EQ(loose.Get<float>(1040), 1.0f);
    EXPECT_EQ(loose.Get<int32_t>(1002), 1005);
}

// A coefficient spectrum's kind comes only from a kind it holds: an empty one, or one of
// elements the reader does not know, leaves the default.
TEST_F(LibraryImportTest, SpectrumKindComesOnlyFromAKindThatIsPresent) {
    const std::pair<std::string, std::pair<int32_t, int32_t>> cases[] = {
        {"", {1044, 1058}}, {"<sampled />", {1044, 1058}}, {"<peak />", {1043, 1057}}, {"<peak /><x />", {1043, 1057}}};
    std::string body;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string n = std::to_string(i), inside = cases[i].first;
        body += "<medium><name>MedM" + n + "</name><precedence>1</precedence><basic><absorption_coefficient_spectrum>" +
                inside + "</absorption_coefficient_spectrum><subsurface_scattering><scattering_coefficient_spectrum>" +
                inside + "</scattering_coefficient_spectrum></subsurface_scattering></basic></medium>" +
                Material("M" + n, "<specular><internal_medium_name>MedM" + n + "</internal_medium_name></specular>");
    }
    Import(Library(body));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Params("M" + std::to_string(i)).Get<int32_t>(1042), cases[i].second.first) << cases[i].first;
        EXPECT_EQ(Params("M" + std::to_string(i)).Get<int32_t>(1056), cases[i].second.second) << cases[i].first;
    }
}

TEST_F(LibraryImportTest, ColourScaleIsKeptOnlyWhereAGainHoldsIt) {
    const std::string text = "1.5 0.5 0.25";
    Import(Library(Material("Paint", "<diffuse>" + Rgb("albedo_spectrum", text) + "</diffuse>") +
                   "<medium><name>MedInk</name><precedence>1</precedence><basic><absorption_coefficient_spectrum>"
                   "<rgb><rgb>0.2 0.5 1</rgb><gamma>1</gamma></rgb></absorption_coefficient_spectrum></basic></medium>" +
                   Material("Ink", "<specular><internal_medium_name>MedInk</internal_medium_name></specular>")));
    const Vector paint = Params("Paint").Get<Vector>(1013);
    EXPECT_EQ(paint.x, 1.0f);
    EXPECT_NEAR(paint.y, 0.3333333, 1e-6);
    EXPECT_NEAR(paint.z, 0.1666667, 1e-6);
    // Nothing above 1: colour as read (complemented), gain left at its default.
    EXPECT_EQ(Params("Ink").Get<float>(1099), 1.0f);
    EXPECT_FLOAT_EQ(Params("Ink").Get<Vector>(1054).x, 0.8f);
    EXPECT_EQ(Params("Ink").Get<Vector>(1054).y, 0.5f);
    EXPECT_EQ(Params("Ink").Get<Vector>(1054).z, 0.0f);
}

TEST_F(LibraryImportTest, OverlongColourTextIsRefusedWithALine) {
    std::string text = "0.5 0.5 0.5";
    text.resize(kMaxColourTextBytes + 1, '0');  // (runs of blanks would be condensed by the parser)
    Import(Library(Material("Long", "<diffuse>" + Rgb("albedo_spectrum", text, "1.5") + "</diffuse>")));
    EXPECT_EQ(Params("Long").Get<Vector>(1013), (Vector{0.8f, 0.8f, 0.8f}));
    EXPECT_EQ(Params("Long").Get<float>(1014), 1.5f);
    EXPECT_TRUE(ConsoleHas("Colour text of 1000 characters (more than 999) not read in " + HostPath("lib.ovm").Str()))
        << ConsoleText();
}

TEST_F(LibraryImportTest, NameWithBlanksComesBackFromItsMedium) {
    Import(Library("<medium><name>MedRed Glass</name><precedence>3</precedence></medium>" +
                   Material("Red_Glass", "<specular><internal_medium_name>MedRed Glass</internal_medium_name></specular>") +
                   Material("Odd_One", "<specular><internal_medium_name>MedOther One</internal_medium_name></specular>") +
                   Material("Mix", "<blend><a_name>Red_Glass</a_name></blend>")));
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"Red Glass", "Odd_One", "Mix"}));
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"Red Glass", "Odd_One", "Mix"}));
    EXPECT_EQ(Params("Red Glass").Get<int32_t>(1039), 3);
    EXPECT_EQ(Linked("Mix", 1025), host_.Document()->SearchMaterial("Red Glass"));
}

class LibraryTextureTest : public LibraryImportTest {
protected:
    void SetUp() override {
        LibraryImportTest::SetUp();
        fs::create_directories(NativePath("lib/tex"));
        fs::create_directories(NativePath("maps"));
        for (const char* file : {"lib/tex/wood.png", "maps/bump.png", "maps/shine.png"}) std::ofstream(NativePath(file)) << "x";
    }
};

TEST_F(LibraryTextureTest, PathsNumbersAndMessages) {
    const std::string absolute = HostPath("maps").Str();
    Import(Library(Material(
                       "Wood",
                       "<phong><albedo_texture><uv_set>default</uv_set><path>tex/wood.png</path><exponent>1.8</exponent>"
                       "</albedo_texture><bump_map><path>" + absolute + "\\bump.png</path><a>0.1</a><b>0.2</b><c>0.3</c>"
                       "<gamma>1.4</gamma></bump_map><exponent_map><path>../maps/shine.png</path><a>1</a><b>2</b><c>3"
                       "</c><exponent>4</exponent></exponent_map></phong>") +
                   Material("Gone", "<diffuse><albedo_texture><path>tex\\none.png</path><gamma>2.4</gamma></albedo_texture>"
                                    "<bump_map><path>..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\x.png</path></bump_map></diffuse>") +
                   Material("Mix", "<blend><blend_map><path>tex/wood.png</path><exponent>7</exponent></blend_map></blend>")),
           "lib/lib.ovm");
    const std::string wood = HostPath("lib").Str() + "\\tex\\wood.png";
    // "..\" climbs one folder of the library's folder.
    const std::string shine = HostPath("maps").Str() + "\\shine.png";
    struct Expected {
        const char* material;
        int32_t channel;
        std::string texture;  // empty: the channel stays off
    };
    for (const Expected& e : {Expected{"Wood", 0, wood}, Expected{"Wood", 6, absolute + "\\bump.png"},
                              Expected{"Wood", 9, shine},
                              Expected{"Mix", 7, wood}, Expected{"Gone", 0, ""}, Expected{"Gone", 6, ""}}) {
        HostChannel* channel = Channel(e.material, e.channel);
        EXPECT_EQ(channel->IsOn(), !e.texture.empty()) << e.material << e.channel;
        EXPECT_EQ(channel->Data().Get<HostString>(1002), HostString(e.texture)) << e.material << e.channel;
        if (!e.texture.empty()) {
            EXPECT_TRUE(ConsoleHas("Loaded texture: " + e.texture + "\n")) << ConsoleText();
        }
    }
    EXPECT_TRUE(ConsoleHas("Failed to load texture from: " + HostPath("lib").Str() + "\\tex\\none.png\n"));
    EXPECT_TRUE(ConsoleHas("Failed to load texture from: ..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\x.png\n"));

    const ParamContainer& p = Params("Wood");
    for (const auto& [id, value] : std::vector<std::pair<int32_t, float>>{
             {1080, 1.8f}, {1082, 0.1f}, {1087, 0.2f}, {1088, 0.3f}, {1081, 1.4f}, {1090, 1}, {1091, 2}, {1092, 3}, {1089, 4}}) {
        EXPECT_EQ(p.Get<float>(id), value) << id;
    }
    EXPECT_EQ(Params("Gone").Get<float>(1080), 2.4f);  // read although the image is missing
}

class LibraryBlendTest : public LibraryImportTest {};

TEST_F(LibraryBlendTest, ComponentsAreLinkedAndImportedOnce) {
    Import(Library(Material("Top", "<blend><a_name>Late</a_name><b_name>Early</b_name><blend_factor>0.3</blend_factor></blend>") +
                   Material("Early", "<diffuse />") + Material("Late", "<phong />") +
                   Material("Nulls", "<blend><a_name>nullMat</a_name><b_name>Missing</b_name></blend>")));
    EXPECT_EQ(Linked("Top", 1025), host_.Document()->SearchMaterial("Late"));
    EXPECT_EQ(Linked("Top", 1026), host_.Document()->SearchMaterial("Early"));
    EXPECT_EQ(Params("Top").Get<float>(1028), 0.3f);
    EXPECT_EQ(Params("Top").Get<int32_t>(1002), 1030);
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"Top", "Late", "Early", "Nulls"}));
    EXPECT_EQ(HeldNames(), MaterialNames());
    EXPECT_FALSE(Params("Nulls").Has(1025));
    EXPECT_FALSE(Params("Nulls").Has(1026));
}

TEST_F(LibraryBlendTest, CyclesLinkTheMaterialBeingRead) {
    Import(Library(Material("Self", "<blend><a_name>Self</a_name><b_name>Self</b_name></blend>") +
                   Material("Ping", "<blend><a_name>Pong</a_name></blend>") +
                   Material("Pong", "<blend><a_name>Ping</a_name><b_name>Pong</b_name></blend>")));
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"Self", "Ping", "Pong"}));
    EXPECT_EQ(Linked("Self", 1025), host_.Document()->SearchMaterial("Self"));
    EXPECT_EQ(Linked("Self", 1026), host_.Document()->SearchMaterial("Self"));
    EXPECT_EQ(Linked("Ping", 1025), host_.Document()->SearchMaterial("Pong"));
    EXPECT_EQ(Linked("Pong", 1025), host_.Document()->SearchMaterial("Ping"));
    EXPECT_EQ(Linked("Pong", 1026), host_.Document()->SearchMaterial("Pong"));
}

TEST_F(LibraryBlendTest, ChainsDeeperThanTheLimitStopWithALine) {
    // B0 blends B1, which blends B2, ... every one is imported; the link that would go deeper
    // than the limit is left unset.
    std::string body;
    const int count = static_cast<int>(kMaxBlendNesting) + 10;
    for (int i = 0; i < count; ++i) {
        body += Material("B" + std::to_string(i), "<blend><a_name>B" + std::to_string(i + 1) + "</a_name></blend>");
    }
    Import(Library(body));
    EXPECT_EQ(MaterialNames().size(), static_cast<size_t>(count));
    const std::string cut = "B" + std::to_string(kMaxBlendNesting);
    EXPECT_TRUE(ConsoleHas("Blend components nested deeper than 64 levels in " + HostPath("lib.ovm").Str() + "; \"" +
                           cut + "\" is not linked"))
        << ConsoleText();
    EXPECT_EQ(Linked("B0", 1025), host_.Document()->SearchMaterial("B1"));
    EXPECT_EQ(Linked("B" + std::to_string(kMaxBlendNesting - 1), 1025), nullptr);
    EXPECT_EQ(Linked(cut, 1025), host_.Document()->SearchMaterial("B" + std::to_string(kMaxBlendNesting + 1)));
}

// Libraries in the single-byte encoding their declaration names are read as UTF-8; a document
// type without an internal subset is passed over; what stays refused keeps its line.
TEST_F(LibraryImportTest, DeclaredEncodingsAndDocumentTypes) {
    const auto library = [](const std::string& encoding, const std::string& prolog, const std::string& name) {
        return "<?xml version='1.0' encoding='" + encoding + "'?>\n" + prolog + "<scenedata><material><name>" + name +
               "</name><diffuse /></material></scenedata>";
    };
    const std::pair<std::string, std::string> cases[] = {  // the text; the material's name, or the problem
        {library("ISO-8859-1", "", "Caf\xE9\x80"), "Caf\xC3\xA9\xC2\x80"},
        {library("Windows-1252", "", "\x80\x92\xE9"), "\xE2\x82\xAC\xE2\x80\x99\xC3\xA9"},
        {"\xEF\xBB\xBF" + library("latin1", "", "\xC3\xA9"), "\xC3\xA9"},  // the byte order mark says UTF-8
        {library("UTF-8", "<!DOCTYPE scenedata>\n", "D"), "D"},
        {library("cp1252", "<!DOCTYPE scenedata SYSTEM 'a.dtd'>\n", "S\x8A"), "S\xC5\xA0"},
        {library("windows-1252", "\n", "\x81"), "line 3: byte 0x81 is not a windows-1252 character"},
        {library("UTF-8", "", "\xE9"), "line 2: not UTF-8 text"},
        {library("latin1", "", std::string("\0", 1)), "line 2: NUL byte"},
        {library("UTF-8", "<!DOCTYPE scenedata [<!ENTITY e 'x'>]>\n", "E"), "line 2: declarations (<!...>) are not read"},
        {library("UTF-8", "<!DOCTYPE a>\n<!DOCTYPE a>\n", "T"), "line 3: declarations (<!...>) are not read"},
    };
    for (const auto& [text, outcome] : cases) {
        LoadDocument("{}");
        host_.ClearRecords();
        Import(text);
        EXPECT_EQ(imported_, !outcome.starts_with("line ")) << text;
        if (outcome.starts_with("line ")) {
            EXPECT_EQ(ConsoleText(), kLibraryNotImported + HostPath("lib.ovm").Str() + ": " + outcome + "\n");
        } else {
            EXPECT_EQ(MaterialNames(), std::vector<std::string>{outcome}) << text << ConsoleText();
        }
    }
}

TEST_F(LibraryImportTest, RefusedLibrariesNameTheFileAndChangeNothing) {
    std::string deep = "<scenedata>";
    for (int i = 0; i < 100; ++i) deep += "<material>";
    std::string many;
    for (size_t i = 0; i <= kMaxLibraryMaterials; ++i) many += "<material/>";
    const std::pair<std::string, std::string> cases[] = {
        {"<other><material><name>A</name><diffuse/></material></other>", "the root element is not <scenedata>"},
        {"<scenedata><material></scenedata>", "line 1: </scenedata> does not close <material>"},
        {deep, "line 1: elements nested deeper than 64 levels"},
        {"<scenedata><name>\xFF</name></scenedata>", "line 1: not UTF-8 text"},
        {"<scenedata>" + many + "</scenedata>", "more than 1000 materials"},
        {"", "line 1: no element"},
    };
    for (const auto& [text, problem] : cases) {
        host_.ClearRecords();
        Import(text);
        EXPECT_EQ(ConsoleText(), kLibraryNotImported + HostPath("lib.ovm").Str() + ": " + problem + "\n");
        EXPECT_FALSE(imported_);
        EXPECT_EQ(Holder(), nullptr);
    }
    host_.ClearRecords();
    Run(HostPath("missing.ovm").Str());
    EXPECT_EQ(ConsoleText(), kLibraryNotImported + HostPath("missing.ovm").Str() + ": the file cannot be read\n");
}

}  // namespace
