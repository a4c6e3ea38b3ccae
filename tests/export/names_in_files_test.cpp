// Names that would break a file: characters XML does not allow, line breaks in mesh files,
// names longer than an element text.
#include <gtest/gtest.h>

#include <regex>

#include "core/xml.h"
#include "export/frame_loop.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ReadText;

TEST(XmlSafeText, ReplacesWhatXmlDoesNotAllow) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"plain name", "plain name"},
        {"tab\tline\nreturn\r", "tab\tline\nreturn\r"},
        {std::string("c\x01" "d", 3), "c\xEF\xBF\xBD" "d"},
        {std::string("nul\0x", 5), "nul\xEF\xBF\xBDx"},
        {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD"},        // U+FFFE, U+FFFF
        {"R\xC3\xA4ume \xE2\x82\xAC \xF0\x9F\x8C\xB3", "R\xC3\xA4ume \xE2\x82\xAC \xF0\x9F\x8C\xB3"},
        {"latin \xE4 x", "latin \xEF\xBF\xBD x"},                          // not UTF-8
        {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},                  // a sequence cut short
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},                                     // a surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(XmlSafeText(c.in), c.out) << c.in;
}

class NamesInFiles : public testing_support::ModuleTest {
protected:
    void Export() {
        ExportOptions options;
        ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
        scene_ = ReadText(NativePath("room_frame0.ovs"));
        mesh_ = ReadText(NativePath("models.room/room-0.obj"));
    }
    static std::string Quote(const std::string& text) { return nlohmann::json(text).dump(); }
    std::string scene_;
    std::string mesh_;
};

TEST_F(NamesInFiles, ControlCharactersKeepBothFilesWhole) {
    const std::string longName(2100, 'm');
    const std::string material = Quote("m\x01x y\nz");
    const std::string other = Quote(longName);
    LoadDocument(R"({"materials": [{"name": )" + material + R"(}, {"name": )" + other + R"(}],
        "objects": [{"type": "polygon", "name": )" + Quote("c\x01" "d\tline\nbreak\xEF\xBF\xBE") + R"(,
          "points": [[0,0,0],[1,0,0],[1,0,1],[0,0,1]], "polygons": [[0,1,2,3]],
          "tags": [{"type": "selection", "name": "first", "polygons": [0]},
                   {"type": "texture", "material": )" + material + R"(, "restriction": "first"},
                   {"type": "texture", "material": )" + other + R"(},
                   {"type": "MyMaterialHelper", "params": {"1001": {"material": )" + material + R"(}}},
                   {"type": "MyMaterialHelper", "params": {"1001": {"material": )" + other + R"(}}}]}]})");
    Export();
    ASSERT_FALSE(scene_.empty());
    // The scene is XML: nothing it holds needs replacing, and no character reference names a
    // character that XML does not allow.
    EXPECT_EQ(XmlSafeText(scene_), scene_);
    EXPECT_FALSE(std::regex_search(scene_, std::regex("&#x(0[0-8BCEF]|1[0-9A-F]);")));
    EXPECT_NE(scene_.find("<!--c\xEF\xBF\xBD" "d\tline\nbreak\xEF\xBF\xBD-->"), std::string::npos);
    // One "g" line, and the material names of the mesh file are those of the scene.
    EXPECT_NE(mesh_.find("\ng c_d_line_break\xEF\xBF\xBE\n"), std::string::npos);
    const std::string cut(kMaxValueTextBytes, 'm');
    for (const std::string& name : {std::string("m_x_y_z"), cut}) {
        EXPECT_NE(mesh_.find("\nusemtl " + name + "\n"), std::string::npos) << name.size();
        EXPECT_NE(scene_.find("<name>" + name + "</name>"), std::string::npos) << name.size();
    }
}

}  // namespace
