// The parameter descriptions in res/ must agree with what the classes' initialisation
// writes: every default the code writes is described, with the same type and value.
#include <gtest/gtest.h>

#include "core/ids.h"
#include "headless/resources/resources.h"
#include "tags/camera_tag.h"
#include "tags/light_tag.h"
#include "tags/marker_tags.h"
#include "tags/material_helper.h"
#include "tags/orvane_instance.h"
#include "tags/render_settings.h"

namespace {

struct ClassCase {
    const char* description;
    int32_t pluginId;
    ParamTable defaults;
};

class DescriptionDefaults : public testing::TestWithParam<ClassCase> {
protected:
    static void SetUpTestSuite() {
        resources_ = new headless::Resources;
        ASSERT_TRUE(resources_->Load(VEXLOR_SOURCE_DIR)) << resources_->Error();
    }
    static void TearDownTestSuite() {
        delete resources_;
        resources_ = nullptr;
    }
    static headless::Resources* resources_;
};

headless::Resources* DescriptionDefaults::resources_ = nullptr;

TEST_P(DescriptionDefaults, MatchTheInitialisation) {
    const ClassCase& c = GetParam();
    const headless::DescriptionResource* description = resources_->DescriptionByName(c.description);
    ASSERT_NE(description, nullptr) << c.description;
    EXPECT_EQ(description->pluginId, c.pluginId);
    EXPECT_EQ(resources_->DescriptionById(c.pluginId), description);
    for (const ParamDefault& entry : c.defaults) {
        const headless::DescriptionParam* param = description->Find(entry.id);
        ASSERT_NE(param, nullptr) << c.description << " lacks " << entry.id;
        ParamContainer fromCode;
        fromCode.SetValue(entry.id, entry.value);
        EXPECT_EQ(param->type, fromCode.TypeOf(entry.id)) << c.description << " " << entry.id;
        ASSERT_TRUE(param->defaultValue.has_value()) << c.description << " " << entry.id;
        EXPECT_EQ(*param->defaultValue, entry.value) << c.description << " " << entry.id;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Classes, DescriptionDefaults,
    testing::Values(ClassCase{"TCameraTag", plugin_id::kCameraTag, CameraTag::Defaults()},
                    ClassCase{"tMyLightTag", plugin_id::kLightTag, MyLightTag::Defaults()},
                    ClassCase{"TMyMaterialHelper", plugin_id::kMaterialHelper, MyMaterialHelper::Defaults()},
                    ClassCase{"TMyExitPortal", plugin_id::kExitPortal, MyExitPortal::Defaults()},
                    ClassCase{"TAnimationTag", plugin_id::kAnimationTag, AnimationTag::Defaults()},
                    ClassCase{"Oorvaneinstance", plugin_id::kOrvaneInstance, OrvaneInstance::Defaults()},
                    // The thread count is the host's; its description carries no default.
                    ClassCase{"oMyRenderSettings", plugin_id::kRenderSettings, [] {
                                  ParamTable table = MyRenderSettings::Defaults(4);
                                  std::erase_if(table, [](const ParamDefault& p) { return p.id == 1357; });
                                  return table;
                              }()}));

TEST(DialogResources, HoldTheGadgetsTheDialogsUse) {
    headless::Resources resources;
    ASSERT_TRUE(resources.Load(VEXLOR_SOURCE_DIR)) << resources.Error();
    struct Expected {
        int32_t dialog;
        std::vector<std::pair<int32_t, headless::GadgetKind>> gadgets;
    };
    using K = headless::GadgetKind;
    const Expected dialogs[] = {
        {10016,
         {{1652, K::kText},     {1653, K::kCheckBox}, {1658, K::kButton},   {1659, K::kButton},  {1664, K::kChoice},
          {1666, K::kButton},   {1690, K::kCheckBox}, {1692, K::kCheckBox}, {1695, K::kCheckBox}, {1697, K::kCheckBox},
          {1699, K::kReal},     {1703, K::kCheckBox}, {1704, K::kCheckBox}, {1706, K::kCheckBox}, {1707, K::kInteger},
          {1708, K::kInteger},  {1709, K::kCheckBox}, {1710, K::kCheckBox}}},
        {10017, {{1668, K::kChoice}, {1675, K::kButton}, {1676, K::kButton}, {1680, K::kButton}, {1682, K::kText}}},
    };
    for (const Expected& expected : dialogs) {
        const headless::DialogResource* dialog = resources.Dialog(expected.dialog);
        ASSERT_NE(dialog, nullptr) << expected.dialog;
        for (auto [id, kind] : expected.gadgets) {
            bool found = false;
            dialog->ForEach([&](const headless::Gadget& gadget) {
                if (gadget.id == id) found = gadget.kind == kind;
            });
            EXPECT_TRUE(found) << expected.dialog << ": gadget " << id;
        }
    }
}

}  // namespace
