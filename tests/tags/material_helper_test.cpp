// The material helper tag: its description's hide rules, the linked host material kept in
// step, the preview-image entry and the preview button.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <tuple>

#include "core/ids.h"
#include "headless/resources/resources.h"
#include "tags/material_helper.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::SourcePath;

class MaterialHelperTest : public testing_support::ModuleTest {
protected:
    // A document with material "M" (channels as given) and one helper tag with the parameters.
    HostTag* Load(const std::string& params, const std::string& channels = "", const std::string& link = "M") {
        LoadDocument(R"({"materials": [{"name": "M", "params": {"1005": 7.0}, "channels": {)" + channels +
                     R"(}}], "objects": [{"type": "null", "name": "holder", "tags": [{"type": "MyMaterialHelper",
                         "params": {"1001": )" +
                     (link.empty() ? "null" : R"({"material": ")" + link + "\"}") + (params.empty() ? "" : ", ") +
                     params + "}}]}]}");
        return host_.Document()->SearchObject("holder")->GetTag(plugin_id::kMaterialHelper);
    }
    headless::HlMaterial& Material() {
        return *static_cast<headless::HlMaterial*>(host_.Document()->SearchMaterial("M"));
    }
    bool Describe(HostTag* tag, headless::HlDescription& description, int32_t& flags) {
        return tag->GetNodeData()->GetDDescription(tag, &description, flags);
    }
    bool Describe(HostTag* tag) {
        headless::HlDescription description(&host_.GetResources());
        int32_t flags = 0;
        return Describe(tag, description, flags);
    }
};

// --- hide rules ------------------------------------------------------------------------------

struct VisibilityCase {
    const char* name;
    std::string params;
    std::string channels;
    bool linked;
    std::set<int32_t> hidden;
    std::set<int32_t> shown;
};

class MaterialHelperVisibility : public MaterialHelperTest, public testing::WithParamInterface<VisibilityCase> {};

TEST_P(MaterialHelperVisibility, HidesWhatTheSettingsDoNotUse) {
    const VisibilityCase& c = GetParam();
    HostTag* tag = Load(c.params, c.channels, c.linked ? "M" : "");
    headless::HlDescription description(&host_.GetResources());
    int32_t flags = 0;
    ASSERT_TRUE(Describe(tag, description, flags));
    EXPECT_EQ(flags & kDescriptionLoaded, kDescriptionLoaded);
    for (int32_t id : c.hidden) EXPECT_TRUE(description.IsHidden(id)) << id;
    for (int32_t id : c.shown) EXPECT_FALSE(description.IsHidden(id)) << id;
}

const char* kTextured = R"("6": {"texture": "bump.png"}, "9": {"texture": "gloss.png"})";

INSTANTIATE_TEST_SUITE_P(
    Material, MaterialHelperVisibility,
    testing::Values(
        VisibilityCase{"NewTag",
                       "",
                       "",
                       true,
                       {1097, 1100, 1008, 1009, 1010, 1011, 1012, 1031, 1019, 1093, 1094, 1050, 1047, 1049, 1121, 1064,
                        1061, 1063, 1115, 1073, 1037, 1038, 1079},
                       {1007, 1015, 1016, 1105, 1048, 1062, 1036}},
        VisibilityCase{"SpecularWithBumpTexture", R"("1002": 1005)", kTextured, true, {1007, 1093}, {1009, 1031, 1094}},
        VisibilityCase{"GlossyShowsTheMedium", R"("1002": 1006)", "", true, {1009, 1094}, {1010, 1031}},
        VisibilityCase{"PhongWithMeasuredData",
                       R"("1002": 1004, "1018": true)",
                       kTextured,
                       true,
                       {1015, 1016, 1105, 1031},
                       {1008, 1019, 1093, 1094}},
        VisibilityCase{"PhongWithoutTextureNames", R"("1002": 1004)", R"("6": {"on": true})", true, {1093, 1094}, {}},
        VisibilityCase{"BlendHasNoBumpMap", R"("1002": 1030)", kTextured, true, {1094, 1093, 1031}, {1012}},
        VisibilityCase{"TransmitterHasNoBumpMap", R"("1002": 1023)", kTextured, true, {1094}, {1011}},
        VisibilityCase{"MediumChoices",
                       R"("1042": 1120, "1056": 1059, "1070": 1072, "1106": 1108, "1032": 1035, "1078": true)",
                       "",
                       true,
                       {1048, 1062, 1074, 1036, 1037},
                       {1121, 1061, 1073, 1112, 1038, 1079}},
        VisibilityCase{"UniformAsymmetry", R"("1070": 1072, "1106": 1107)", "", true, {1112}, {1073, 1074}},
        VisibilityCase{"NoLinkHidesTheTextureGroups", R"("1002": 1004)", "", false, {1093, 1094}, {1008}},
        VisibilityCase{"UnknownTypeChangesNoTypeGroup",
                       R"("1002": 4242)",
                       "",
                       true,
                       {1097},
                       {1007, 1100, 1008, 1009, 1010, 1011, 1012, 1031}}),
    [](const testing::TestParamInfo<VisibilityCase>& info) { return info.param.name; });

// --- the host material in step ------------------------------------------------------------------

struct SyncCase {
    const char* name;
    std::string params;
    Vector colour;
    bool transparency, reflection, specular;
    std::optional<bool> fresnel;
    std::optional<float> refraction, reflectionStrength;
};

class MaterialHelperSync : public MaterialHelperTest, public testing::WithParamInterface<SyncCase> {};

TEST_P(MaterialHelperSync, DescriptionSetsTheHostMaterial) {
    const SyncCase& c = GetParam();
    // Reflection starts on and specular off, so that leaving them alone shows.
    HostTag* tag = Load(c.params, R"("2": {"on": true}, "3": {"on": true}, "8": {"on": false})");
    ASSERT_TRUE(Describe(tag));
    const ParamContainer& data = Material().Data();
    EXPECT_EQ(data.Get<Vector>(2100), c.colour);
    EXPECT_EQ(data.Get<float>(2101), 1.0f);
    EXPECT_EQ(Material().GetChannel(2)->IsOn(), c.transparency);
    EXPECT_EQ(Material().GetChannel(3)->IsOn(), c.reflection);
    EXPECT_EQ(Material().GetChannel(8)->IsOn(), c.specular);
    EXPECT_EQ(data.Has(1003), c.fresnel.has_value());
    if (c.fresnel) {
        EXPECT_EQ(data.Get<bool>(1003), *c.fresnel);
    }
    EXPECT_FLOAT_EQ(data.Get<float>(1005), c.refraction.value_or(7.0f));  // 7: the material's own value
    EXPECT_EQ(data.Has(2501), c.reflectionStrength.has_value());
    if (c.reflectionStrength) {
        EXPECT_FLOAT_EQ(data.Get<float>(2501), *c.reflectionStrength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Material, MaterialHelperSync,
    testing::Values(
        SyncCase{"NewTag", "", {0.8f, 0.8f, 0.8f}, false, true, false, false, {}, {}},
        SyncCase{"OrenNayar", R"("1002": 1101, "1102": [0.1, 0.2, 0.3])", {0.1f, 0.2f, 0.3f}, false, true, false,
                 false, {}, {}},
        SyncCase{"Phong", R"("1002": 1004, "1015": [0.3, 0.2, 0.1])", {0.3f, 0.2f, 0.1f}, false, true, true, false,
                 {}, {}},
        SyncCase{"TransparentSpecular", R"("1002": 1005, "1040": 1.5, "1054": [0.9, 0.8, 0.7])", {0.9f, 0.8f, 0.7f},
                 true, false, true, true, 1.5f, {}},
        SyncCase{"OpaqueSpecular", R"("1002": 1005, "1020": false, "1040": 1.5, "1054": [0.9, 0.8, 0.7])",
                 {0.9f, 0.8f, 0.7f}, false, true, true, {}, {}, 0.03f},
        SyncCase{"GlossyTransparent", R"("1002": 1006, "1040": 1.3)", {1, 1, 1}, true, true, true, true, 1.3f, {}},
        SyncCase{"TransmitterWithoutColour", R"("1002": 1023)", {0, 0, 0}, false, true, false, false, {}, {}},
        SyncCase{"Blend", R"("1002": 1030)", {1, 1, 1}, false, true, false, false, {}, {}}),
    [](const testing::TestParamInfo<SyncCase>& info) { return info.param.name; });

TEST_F(MaterialHelperTest, KeepingInStepSwitchedOffLeavesTheMaterialAlone) {
    HostTag* tag = Load(R"("1086": false, "1002": 1005)", R"("2": {"on": false})");
    const ParamContainer before = Material().Data();
    ASSERT_TRUE(Describe(tag));
    EXPECT_TRUE(Material().Data() == before);
    EXPECT_FALSE(Material().GetChannel(2)->IsOn());
    EXPECT_EQ(Material().UpdateCount(), 0);
}

TEST_F(MaterialHelperTest, APreviewImageRefreshesTheMaterial) {
    HostTag* tag = Load(R"("1097": {"file": "Z:\\tmp\\p.png"})");
    const int32_t events = host_.EventCount();
    ASSERT_TRUE(Describe(tag));
    EXPECT_EQ(Material().UpdateCount(), 1);
    EXPECT_EQ(host_.EventCount(), events + 1);
}

TEST_F(MaterialHelperTest, PreviewEntryIsHandledAndNeverStored) {
    HostTag* tag = Load("");
    NodeData& plugin = *tag->GetNodeData();
    ParamValue value;
    int32_t flags = 0;
    ASSERT_TRUE(plugin.GetDParameter(tag, 1096, value, flags));
    EXPECT_EQ(flags, kParameterHandled);
    EXPECT_EQ(std::get<HostLink>(value), tag->GetLink());
    flags = 0;
    ASSERT_TRUE(plugin.GetDParameter(tag, 1013, value, flags));
    EXPECT_EQ(flags, 0);
    ASSERT_TRUE(plugin.SetDParameter(tag, 1096, ParamValue(HostString("x")), flags));
    EXPECT_EQ(flags, kParameterHandled);
    flags = 0;
    ASSERT_TRUE(plugin.SetDParameter(tag, 1014, ParamValue(1.0f), flags));
    EXPECT_EQ(flags, 0);
}

// --- preview ----------------------------------------------------------------------------------

class MaterialHelperPreview : public MaterialHelperTest {
protected:
    void SetUp() override {
        MaterialHelperTest::SetUp();
        // The module's preview folder is a copy; start without its renders folder.
        fs::remove_all(ModuleFile("preview/renders"));
    }
    void Press(HostTag* tag) {
        DescriptionCommand command{1085};
        EXPECT_TRUE(tag->Message(node_message::kDescriptionCommand, &command));
    }
    std::unique_ptr<HostBitmap> RequestBitmap(HostTag* tag, int32_t id = 1096) {
        DescriptionBitmapRequest request{id, nullptr};
        EXPECT_TRUE(tag->Message(node_message::kDescriptionBitmap, &request));
        return std::unique_ptr<HostBitmap>(request.bitmap);
    }
};

TEST_F(MaterialHelperPreview, ImageNameSkipsNamesThatExist) {
    HostTag* tag = Load("");
    fs::create_directories(ModuleFile("preview/renders"));
    for (const char* taken : {"100.png", "101.png", "300.png"}) std::ofstream(ModuleFile("preview/renders/") + taken);
    std::vector<int64_t> readings = {100, 100, 300, 300};
    size_t next = 0;
    host_.SetFakeTimer([&] { return readings[std::min(next++, readings.size() - 1)]; });
    Press(tag);
    // 100 is taken, the timer stands still (101 taken), 300 is taken, then 301.
    EXPECT_EQ(tag->Data().Get<HostFilename>(1097).Str(),
              host_.Files().ToHost(ModuleFile("preview/renders/301.png")).Str());
}

// A new image name (and the renders folder) only when 1097 holds a name or is missing
// ("NOPATH"); an empty name goes to the dialog as it is; without a link nothing happens.
HostFilename g_previewImage("not opened");

TEST_F(MaterialHelperPreview, NewImageNameOnlyWhenTheNameIsNotEmpty) {
    const std::string fresh = host_.Files().ToHost(ModuleFile("preview/renders/42.png")).Str();
    const std::tuple<const char*, const char*, std::string> cases[] = {  // 1097, link, image handed to the dialog
        {"", "M", fresh}, {R"("1097": {"file": "Z:\\old.png"})", "M", fresh}, {R"("1097": {"file": ""})", "M", ""},
        {R"("1097": {"file": ""})", "", "not opened"}};
    host_.SetFakeTimer([] { return int64_t{42}; });
    SetMaterialHelperActions({nullptr, [](const HostFilename& image, HostTag*) { g_previewImage = image; }});
    for (const auto& [params, link, image] : cases) {
        fs::remove_all(ModuleFile("preview/renders"));
        g_previewImage = HostFilename("not opened");
        HostTag* tag = Load(params, "", link);
        Press(tag);
        EXPECT_EQ(g_previewImage.Str(), image) << params << link;
        EXPECT_EQ(tag->Data().Get<HostFilename>(1097, HostFilename("missing")).Str(), *link ? image : "") << params;
        EXPECT_EQ(fs::is_directory(ModuleFile("preview/renders")), image == fresh) << params << link;
    }
}

TEST_F(MaterialHelperPreview, BitmapOfThePreviewImageAlsoScaledIntoTheMaterial) {
    const std::string image = NativePath("preview.png");
    fs::copy_file(SourcePath("examples/tex/oak.png"), image);
    HostTag* tag = Load(R"("1097": {"file": )" + nlohmann::json(host_.Files().ToHost(image).Str()).dump() + "}");
    Material().SetPreviewBitmap(std::make_unique<headless::HlBitmap>(2, 2));

    std::unique_ptr<HostBitmap> bitmap = RequestBitmap(tag);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 4);
    headless::HlBitmap expected(2, 2);
    bitmap->ScaleInto(expected);
    EXPECT_EQ(Material().GetPreviewBitmap(0)->GetPixel(1, 1), expected.GetPixel(1, 1));
    EXPECT_NE(Material().GetPreviewBitmap(0)->GetPixel(1, 1), HostBitmap::Pixel{});

    EXPECT_EQ(RequestBitmap(tag, 1013), nullptr);  // another entry
    fs::remove(image);
    EXPECT_EQ(RequestBitmap(tag), nullptr);  // the image is gone
}

TEST_F(MaterialHelperPreview, NoBitmapWithoutALinkOrWithoutAnImageName) {
    const std::string image = NativePath("preview.png");
    fs::copy_file(SourcePath("examples/tex/oak.png"), image);
    EXPECT_EQ(RequestBitmap(Load(R"("1097": {"file": )" + nlohmann::json(host_.Files().ToHost(image).Str()).dump() + "}",
                                 "", "")),
              nullptr);
    EXPECT_EQ(RequestBitmap(Load("")), nullptr);
}

}  // namespace
