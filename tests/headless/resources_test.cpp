#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "headless/resources/resources.h"
#include "tests/support/command_support.h"

namespace headless {
namespace {

namespace fs = std::filesystem;
using testing_support::WithSlashes;

const std::string kFixtures = VEXLOR_SOURCE_DIR "/tests/data";

class HeadlessResourcesLoaded : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(resources_.Load(kFixtures)) << resources_.Error(); }
    Resources resources_;
};

TEST_F(HeadlessResourcesLoaded, StringTable) {
    EXPECT_TRUE(resources_.Loaded());
    EXPECT_EQ(resources_.String(10000), "Render Settings");
    EXPECT_EQ(resources_.String(10001), "Export & render");
    EXPECT_EQ(resources_.String(10002), "Größe");
    EXPECT_TRUE(resources_.HasString(10003));
    EXPECT_EQ(resources_.String(10003), "");
    EXPECT_FALSE(resources_.HasString(4711));
    EXPECT_EQ(resources_.String(4711), "");
}

TEST_F(HeadlessResourcesLoaded, DialogLayout) {
    ASSERT_EQ(resources_.Dialog(4711), nullptr);
    const DialogResource* dialog = resources_.Dialog(10016);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->title, "Export");
    ASSERT_EQ(dialog->gadgets.size(), 6u);
    const Gadget& group = dialog->gadgets[0];
    EXPECT_EQ(group.kind, GadgetKind::kGroup);
    EXPECT_EQ(group.label, "Output");
    ASSERT_EQ(group.children.size(), 5u);
    const Gadget& choice = group.children[4];
    EXPECT_EQ(choice.kind, GadgetKind::kChoice);
    EXPECT_EQ(choice.choices, (std::vector<std::pair<int32_t, std::string>>{
                                  {1660, "Below normal"}, {1661, "Normal"}, {1662, "High"}}));
    EXPECT_EQ(dialog->gadgets[1].kind, GadgetKind::kSeparator);
    EXPECT_EQ(dialog->gadgets[2].kind, GadgetKind::kStaticText);
    EXPECT_EQ(dialog->gadgets[2].id, 0);

    std::vector<std::pair<int32_t, GadgetKind>> walked;
    dialog->ForEach([&](const Gadget& g) { walked.emplace_back(g.id, g.kind); });
    const std::vector<std::pair<int32_t, GadgetKind>> expected = {
        {1000, GadgetKind::kGroup},  {1652, GadgetKind::kText},      {1653, GadgetKind::kCheckBox},
        {1707, GadgetKind::kInteger}, {1699, GadgetKind::kReal},      {1664, GadgetKind::kChoice},
        {0, GadgetKind::kSeparator}, {0, GadgetKind::kStaticText},  {1658, GadgetKind::kButton},
        {1659, GadgetKind::kButton}, {1657, GadgetKind::kButton},
    };
    EXPECT_EQ(walked, expected);
}

struct ParamCase {
    int32_t id;
    ParamType type;
    std::string kind;
    int32_t group;
    std::optional<ParamValue> defaultValue;
};

TEST_F(HeadlessResourcesLoaded, DescriptionParameters) {
    const DescriptionResource* byName = resources_.DescriptionByName("TCameraTag");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(resources_.DescriptionById(1022083), byName);
    EXPECT_EQ(resources_.DescriptionById(1), nullptr);
    EXPECT_EQ(resources_.DescriptionByName("Tnone"), nullptr);
    const ParamCase cases[] = {
        {1941, ParamType::kNone, "group", 0, std::nullopt},
        {1955, ParamType::kReal, "real", 1941, ParamValue(640.0f)},
        {1956, ParamType::kBool, "bool", 1941, ParamValue(true)},
        {1957, ParamType::kInt, "int", 1941, ParamValue(int32_t{16})},
        {1958, ParamType::kVector, "vector", 1941, ParamValue(Vector(1, 0.5f, -2))},
        {1959, ParamType::kVector, "color", 1941, ParamValue(Vector(1, 1, 1))},
        {1960, ParamType::kString, "string", 1941, ParamValue(HostString("main"))},
        {1961, ParamType::kFilename, "filename", 1941, std::nullopt},
        {1962, ParamType::kLink, "link", 1941, std::nullopt},
        {1927, ParamType::kInt, "cycle", 1941, ParamValue(int32_t{1936})},
        {1970, ParamType::kNone, "group", 1941, std::nullopt},
        {1083, ParamType::kNone, "button", 1970, std::nullopt},
        {1096, ParamType::kNone, "custom", 1970, std::nullopt},
        {0, ParamType::kNone, "separator", 0, std::nullopt},
    };
    ASSERT_EQ(byName->params.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const DescriptionParam& p = byName->params[i];
        EXPECT_EQ(p.id, cases[i].id) << i;
        EXPECT_EQ(p.type, cases[i].type) << p.id;
        EXPECT_EQ(p.kind, cases[i].kind) << p.id;
        EXPECT_EQ(p.group, cases[i].group) << p.id;
        EXPECT_EQ(p.defaultValue, cases[i].defaultValue) << p.id;
    }
    EXPECT_EQ(byName->Find(1927)->cycle,
              (std::vector<std::pair<int32_t, std::string>>{{1928, "Pinhole"}, {1936, "Thin lens"}}));
    EXPECT_EQ(byName->Find(1955)->label, "Width");
    EXPECT_EQ(byName->Find(4711), nullptr);
}

TEST_F(HeadlessResourcesLoaded, HlDescriptionEditsACopy) {
    HlDescription description(&resources_);
    EXPECT_FALSE(description.LoadDescription(1));
    ASSERT_TRUE(description.LoadDescription(1022083));
    EXPECT_TRUE(description.HasEntry(1955));
    EXPECT_FALSE(description.HasEntry(4711));
    EXPECT_EQ(description.GetLabel(1956).Str(), "Depth of field");
    EXPECT_EQ(description.GetLabel(4711).Str(), "");

    description.SetHidden(1955, true);
    description.SetHidden(4711, true);
    EXPECT_TRUE(description.IsHidden(1955));
    EXPECT_FALSE(description.IsHidden(4711));
    EXPECT_FALSE(description.HasEntry(4711));
    description.SetHidden(1955, false);
    EXPECT_FALSE(description.IsHidden(1955));

    ASSERT_TRUE(description.SetCycleEntry(1957, "Quality", {{1, "Low"}, {2, "High"}}, 1970));
    const size_t count = description.Entries().size();
    const DescriptionParam& replaced = description.Entries()[3];
    EXPECT_EQ(replaced.id, 1957);
    EXPECT_EQ(replaced.type, ParamType::kInt);
    EXPECT_EQ(replaced.kind, "cycle");
    EXPECT_EQ(replaced.label, "Quality");
    EXPECT_EQ(replaced.group, 1970);
    EXPECT_EQ(replaced.cycle, (std::vector<std::pair<int32_t, std::string>>{{1, "Low"}, {2, "High"}}));
    ASSERT_TRUE(description.SetCycleEntry(5000, "New", {{7, "Seven"}}, 0));
    EXPECT_EQ(description.Entries().size(), count + 1);
    EXPECT_EQ(description.Entries().back().id, 5000);
    EXPECT_EQ(description.GetLabel(5000).Str(), "New");
    // The resource itself is untouched.
    EXPECT_EQ(resources_.DescriptionById(1022083)->Find(1957)->kind, "int");
}

struct ParseCase {
    std::string text;
    std::string error;
};

TEST(HeadlessResourcesParse, StringErrors) {
    const ParseCase cases[] = {
        {"", "s.xml:1: no <strings> element"},
        {"<dialog/>", "s.xml:1: expected <strings> as the root element, found <dialog>"},
        {"<strings><string>x</string></strings>", "s.xml:1: <string> needs an id"},
        {"<strings><string id=\"1x\">x</string></strings>", "s.xml:1: id \"1x\" of <string> is not a whole number"},
        {"<strings><string id=\"99999999999\">x</string></strings>",
         "s.xml:1: id \"99999999999\" of <string> is not a whole number"},
        {"<strings>\n<string id=\"1\">a</string>\n<string id=\"1\">b</string>\n</strings>",
         "s.xml:3: string 1 defined twice (first on line 2)"},
        {"<strings>\r\n<string id=\"0\">a</string>\r\n\r\n<string id=\"0\">b</string></strings>",
         "s.xml:4: string 0 defined twice (first on line 2)"},
        {"<strings><text id=\"1\"/></strings>", "s.xml:1: unknown element <text> in <strings>"},
        {"<strings>\n  <string id=\"1\"><b/></string></strings>", "s.xml:2: <string> holds text only"},
        {"<strings>\n<string id=\"1\" lang=\"de\">x</string></strings>",
         "s.xml:2: unknown attribute \"lang\" on <string>"},
        {"<strings>\nloose text</strings>", "s.xml:2: text inside <strings>"},
        {"<strings>\n<string id=\"1\">a</string>", "s.xml:1: <strings> is not closed"},
        {"<strings>\n<string id=\"1\">a</string></strings", "s.xml:2: malformed end tag"},
        {"<strings>\n<string id=\"1\"", "s.xml:2: <string> without '>'"},
        {"<strings></string>", "s.xml:1: end tag </string> does not match <strings>"},
        {"\n\n<strings a=1/>", "s.xml:3: malformed attribute in <strings>"},
        {"<strings/>junk", "s.xml:1: text outside the root element"},
        {"<strings/>\n<!-- -->\n<strings/>", "s.xml:3: a second root element <strings>"},
        {"<!DOCTYPE x>\n<strings/>", "s.xml:1: markup declarations (<!...>) are not supported"},
        {"<?xml-stylesheet href=\"a\"?><strings/>", "s.xml:1: processing instructions are not supported"},
        {"<strings><?php echo 1 ?></strings>", "s.xml:1: processing instructions are not supported"},
        {"<?xml", "s.xml:1: processing instructions are not supported"},
        {"<?xml version=\"1.0\" foo=\"x\"?><strings/>", "s.xml:1: malformed XML declaration"},
        {"<strings>\n<!-- open comment</strings>", "s.xml:2: comment without an end"},
        {"<strings>\n\n< string/></strings>", "s.xml:3: '<' not followed by an element name"},
        {"<strings>\xC3(</strings>", "s.xml:1: not UTF-8 text"},
        {std::string("<strings>\n\0</strings>", 21), "s.xml:2: NUL byte"},
        {std::string(300, '\n') + "<a>", "s.xml:301: <a> is not closed"},
        {"   \n\t", "s.xml:1: no <strings> element"},
        {"\n<strings " + [] {
             std::string many;
             for (int i = 0; i < 70; ++i) many += " a" + std::to_string(i) + "=\"1\"";
             return many;
         }() + "/>",
         "s.xml:2: more than 64 attributes on <strings>"},
    };
    for (const ParseCase& c : cases) {
        std::map<int32_t, std::string> out{{5, "kept"}};
        std::string error;
        EXPECT_FALSE(Resources::ParseStrings(c.text, "s.xml", out, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(out, (std::map<int32_t, std::string>{{5, "kept"}}));
    }
}

TEST(HeadlessResourcesParse, DeepNestingIsRefusedBeforeParsing) {
    // Attribute values that look like tag ends must not hide the nesting.
    for (const std::string level : {"<g>", "<g label=\"/>\">", "<g label='a>b'>"}) {
        std::string deep;
        for (int i = 0; i < 100000; ++i) deep += level;
        std::string error;
        DialogResource dialog;
        EXPECT_FALSE(Resources::ParseDialog("<dialog id=\"1\">\n" + deep, "d.xml", dialog, error));
        EXPECT_EQ(error, "d.xml:2: elements nested deeper than 256") << level;
    }
}

TEST(HeadlessResourcesParse, StringsAcceptedForms) {
    std::map<int32_t, std::string> out;
    std::string error;
    ASSERT_TRUE(Resources::ParseStrings(
        "\xEF\xBB\xBF<?xml version='1.0'?>\n<strings><!-- note --><string id=\"-3\">a<![CDATA[<b>]]>c</string>"
        "<string id='7'>x &lt; y</string><string id='8'>  two \n\t words  </string></strings>\n<!-- end -->",
        "s.xml", out, error))
        << error;
    EXPECT_EQ(out, (std::map<int32_t, std::string>{{-3, "a<b>c"}, {7, "x < y"}, {8, "two words"}}));
}

TEST(HeadlessResourcesParse, DialogErrors) {
    const ParseCase cases[] = {
        {"<dialog title=\"x\"/>", "d.xml:1: <dialog> needs an id"},
        {"<dialog id=\"1\" size=\"3\"/>", "d.xml:1: unknown attribute \"size\" on <dialog>"},
        {"<dialog id=\"1\">\n<check label=\"x\"/></dialog>", "d.xml:2: <check> needs an id"},
        {"<dialog id=\"1\">\n<check id=\"5\"/>\n<group><button id=\"5\"/></group></dialog>",
         "d.xml:3: gadget 5 defined twice (first on line 2)"},
        {"<dialog id=\"1\"><slider id=\"2\"/></dialog>", "d.xml:1: unknown element <slider> in <dialog>"},
        {"<dialog id=\"1\"><group>\n<slider id=\"2\"/></group></dialog>",
         "d.xml:2: unknown element <slider> in <group>"},
        {"<dialog id=\"1\"><choice id=\"2\">\n<item id=\"3\"/></choice></dialog>",
         "d.xml:2: unknown element <item> in <choice>"},
        {"<dialog id=\"1\"><choice id=\"2\"><option label=\"a\"/></choice></dialog>", "d.xml:1: <option> needs an id"},
        {"<dialog id=\"1\"><choice id=\"2\"><option id=\"3\"/>\n<option id=\"3\"/></choice></dialog>",
         "d.xml:2: option 3 defined twice (first on line 1)"},
        {"<dialog id=\"1\"><check id=\"2\">\n<b/></check></dialog>", "d.xml:2: <check> holds no elements"},
        {"<dialog id=\"1\">hello</dialog>", "d.xml:1: text inside <dialog>"},
        {"<strings/>", "d.xml:1: expected <dialog> as the root element, found <strings>"},
    };
    for (const ParseCase& c : cases) {
        DialogResource out;
        out.id = 99;
        std::string error;
        EXPECT_FALSE(Resources::ParseDialog(c.text, "d.xml", out, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(out.id, 99);
    }
}

TEST(HeadlessResourcesParse, DescriptionErrors) {
    const std::string head = "<description name=\"T\" id=\"9\">\n";
    const ParseCase cases[] = {
        {"<description id=\"9\"/>", "x.xml:1: <description> needs a name"},
        {"<description name=\"T\"/>", "x.xml:1: <description> needs an id"},
        {head + "<real id=\"1\" default=\"abc\"/></description>",
         "x.xml:2: bad default \"abc\" of <real>: expected a number"},
        {head + "<real id=\"1\" default=\"1e99\"/></description>",
         "x.xml:2: bad default \"1e99\" of <real>: expected a number"},
        {head + "<vector id=\"1\" default=\"1 2\"/></description>",
         "x.xml:2: bad default \"1 2\" of <vector>: expected three numbers"},
        {head + "<color id=\"1\" default=\"1 2 3 4\"/></description>",
         "x.xml:2: bad default \"1 2 3 4\" of <color>: expected three numbers"},
        {head + "<bool id=\"1\" default=\"yes\"/></description>",
         "x.xml:2: bad default \"yes\" of <bool>: expected true or false"},
        {head + "<int id=\"1\" default=\"1.5\"/></description>",
         "x.xml:2: bad default \"1.5\" of <int>: expected a whole number"},
        {head + "<link id=\"1\" default=\"x\"/></description>", "x.xml:2: unknown attribute \"default\" on <link>"},
        {head + "<cycle id=\"7\" default=\"5\"><option id=\"1\" label=\"a\"/></cycle></description>",
         "x.xml:2: default 5 is not an option of cycle 7"},
        {head + "<group id=\"1\">\n<int id=\"2\"/></group>\n<int id=\"2\"/></description>",
         "x.xml:4: parameter 2 defined twice (first on line 3)"},
        {head + "<slider id=\"1\"/></description>", "x.xml:2: unknown element <slider> in <description>"},
        {head + "<real/></description>", "x.xml:2: <real> needs an id"},
    };
    for (const ParseCase& c : cases) {
        DescriptionResource out;
        out.name = "kept";
        std::string error;
        EXPECT_FALSE(Resources::ParseDescription(c.text, "x.xml", out, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(out.name, "kept");
    }
}

// A plug-in folder of its own, built from the fixtures and then damaged.
class HeadlessResourcesFolder : public ::testing::Test {
protected:
    // The error, and the paths expected in it, with "/" between folders on every system.
    std::string SlashedError() const { return WithSlashes(resources_.Error()); }
    void SetUp() override {
        dir_ = testing_support::ScratchFolder("vexlor-res-").string();
        fs::copy(kFixtures + "/res", dir_ + "/res", fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ + "/res/" + name) << text; }

    std::string dir_;
    Resources resources_;
};

TEST_F(HeadlessResourcesFolder, MissingPartsAndFiles) {
    fs::remove_all(dir_ + "/res/dialogs");
    fs::remove_all(dir_ + "/res/descriptions");
    ASSERT_TRUE(resources_.Load(dir_)) << resources_.Error();
    EXPECT_EQ(resources_.Dialog(10016), nullptr);

    Write("strings.xml", "");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(), WithSlashes(dir_ + "/res/strings.xml:1: no <strings> element"));

    fs::remove(dir_ + "/res/strings.xml");
    fs::create_directory(dir_ + "/res/strings.xml");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(), WithSlashes(dir_ + "/res/strings.xml: cannot read the string table"));
    fs::remove(dir_ + "/res/strings.xml");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(), WithSlashes(dir_ + "/res/strings.xml: cannot read the string table"));
    EXPECT_FALSE(resources_.Loaded());

    EXPECT_FALSE(resources_.Load(dir_ + "/nowhere"));
    EXPECT_EQ(SlashedError(), WithSlashes(dir_ + "/nowhere/res: no resource folder"));
}

TEST_F(HeadlessResourcesFolder, ErrorsNameTheFileAndEmptyTheTables) {
    Write("dialogs/zz_broken.xml", "<dialog id=\"5\">\n<check/></dialog>");
    Write("dialogs/notes.txt", "not read");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(), WithSlashes(dir_ + "/res/dialogs/zz_broken.xml:2: <check> needs an id"));
    EXPECT_FALSE(resources_.Loaded());
    EXPECT_FALSE(resources_.HasString(10000));

    Write("dialogs/zz_broken.xml", "<?xml version=\"1.0\"?>\n<!-- <b> -->\n\n<dialog id=\"10016\"/>");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(),
              WithSlashes(dir_ + "/res/dialogs/zz_broken.xml:4: dialog 10016 is also defined in " + dir_ +
                                      "/res/dialogs/export.xml"));
    fs::remove(dir_ + "/res/dialogs/zz_broken.xml");

    Write("descriptions/other.xml", "<description name=\"TCameraTag\" id=\"5\"/>");
    EXPECT_FALSE(resources_.Load(dir_));
    EXPECT_EQ(SlashedError(),
              WithSlashes(dir_ + "/res/descriptions/other.xml:1: description TCameraTag (5) is defined twice"));
    fs::remove(dir_ + "/res/descriptions/other.xml");

    ASSERT_TRUE(resources_.Load(dir_)) << resources_.Error();
    EXPECT_TRUE(resources_.Error().empty());
    resources_.Clear();
    EXPECT_FALSE(resources_.Loaded());
    EXPECT_EQ(resources_.DescriptionById(1022083), nullptr);
}

}  // namespace
}  // namespace headless
