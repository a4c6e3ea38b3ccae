// The instance object's drawing: its bounds box in the object pass, and in every pass the
// host's own drawing, whose result it returns.
#include <gtest/gtest.h>

#include <tuple>

#include "headless/scene/view.h"
#include "tags/orvane_instance.h"
#include "tests/support/module_fixture.h"

namespace {

class InstanceDraw : public testing_support::ModuleTest {};

TEST_F(InstanceDraw, BoxInTheObjectPassThenTheHostsDrawingInEveryPass) {
    const std::tuple<const char*, int32_t, const char*> cases[] = {  // parameters, pass, the pen and first edge
        {"", draw_pass::kObject, "pen 0.29412 0 0.5098\nline3d -50 50 50 - 50 50 50\n"},
        {R"("10001": true, "10003": [2, 4, 6])", draw_pass::kObject, "pen 0.29412 0 0.5098\nline3d -1 2 3 - 1 2 3\n"},
        {"", draw_pass::kHighlights, ""},
        {"", draw_pass::kHandles, ""}};
    for (const auto& [params, pass, first] : cases) {
        LoadDocument(std::string(R"({"objects": [{"type": "OrvaneInstance", "name": "I", "params": {)") + params + "}}]}");
        HostObject& object = *host_.Document()->SearchObject("I");
        auto& view = dynamic_cast<headless::HlView&>(*host_.Document()->GetActiveView());
        const bool hostsOwn = ObjectData().Draw(&object, pass, &view);
        EXPECT_EQ(dynamic_cast<ObjectData&>(*object.GetNodeData()).Draw(&object, pass, &view), hostsOwn) << pass;
        EXPECT_EQ(view.Describe().substr(0, std::string(first).size()), first) << params << pass;
        EXPECT_EQ(view.Calls().size(), *first ? 13u : 0u) << params << pass;
    }
}

}  // namespace
