#include <gtest/gtest.h>

#include <string>

#include "mesh/texture_tag.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ModuleTest;
using testing_support::ReadText;
using testing_support::SourcePath;

struct SearchCase {
    const char* object;
    const char* selection;  // a selection tag of the object by name, or null
    const char* found;      // the texture tag's name, or null
    const char* material;   // the name written to the file
};

void PrintTo(const SearchCase& c, std::ostream* out) {
    *out << c.object << " / " << (c.selection ? c.selection : "(none)");
}

class MeshTextureTag : public ModuleTest, public testing::WithParamInterface<SearchCase> {};

TEST_P(MeshTextureTag, FindsTheTagThatApplies) {
    const SearchCase& c = GetParam();
    LoadDocument(ReadText(SourcePath("tests/data/docs/texture_tags.json")));
    HostDocument* document = host_.Document();
    HostObject* object = document->SearchObject(c.object);
    ASSERT_NE(object, nullptr);
    HostTag* selection = nullptr;
    if (c.selection) {
        for (HostTag* tag = object->GetFirstTag(); tag; tag = tag->GetNext()) {
            if (tag->GetType() == host_type::kPolygonSelectionTag && tag->GetName().Str() == c.selection) selection = tag;
        }
        ASSERT_NE(selection, nullptr) << c.selection;
    }
    const HostTag* found = FindTextureTag(object, document, selection);
    EXPECT_EQ(found ? found->GetName().Str() : std::string("(none)"), c.found ? c.found : "(none)");
    EXPECT_EQ(TextureTagMaterialName(found).Str(), c.material);
}

INSTANTIATE_TEST_SUITE_P(
    MeshSearch, MeshTextureTag,
    testing::Values(
        // The first tag restricted to the selection's name wins.
        SearchCase{"Part", "Top", "PartTop", "Metal"},
        // No tag restricted to it: the default tag, here on the parent.
        SearchCase{"Part", "Other", "RootWood", "Wood"},
        // The restricted tag is taken, but links no material: nothing, no fallback.
        SearchCase{"Part", "Bare", nullptr, "defaultMat"},
        // A link that names an object is no material.
        SearchCase{"Part", "Odd", nullptr, "defaultMat"},
        // Without a selection: the default tag up the tree, two levels up here.
        SearchCase{"Part", nullptr, "RootWood", "Wood"},
        SearchCase{"Deep", nullptr, "RootWood", "Wood"},
        // The object's own unrestricted tag comes before its parent's.
        SearchCase{"Own", nullptr, "OwnGlass", "Glass"},
        // A default tag without material: nothing.
        SearchCase{"Alone", nullptr, nullptr, "defaultMat"}));

TEST(MeshMaterialName, BlanksAndControlCharactersBecomeUnderscores) {
    EXPECT_EQ(SanitizeMaterialName("Red Metal").Str(), "Red_Metal");
    EXPECT_EQ(SanitizeMaterialName(" a  b ").Str(), "_a__b_");
    EXPECT_EQ(SanitizeMaterialName("Tab\there\nand\x7F").Str(), "Tab_here_and_");
    EXPECT_EQ(SanitizeMaterialName("odd\xEF\xBF\xBF").Str(), "odd\xEF\xBF\xBD");
    EXPECT_EQ(SanitizeMaterialName("").Str(), "");
    // Cut as the scene cuts an element text, after the last whole character.
    EXPECT_EQ(SanitizeMaterialName(std::string(1998, 'a') + "\xC3\xA4").Str(), std::string(1998, 'a'));
}

}  // namespace
