// The instance object's drawing: its bounds box in the object pass, and in every pass the
// host's own drawing, whose result it returns.
#include <gtest/gtest.h>

#include "headless/scene/view.h"
#include "tags/orvane_instance.h"
#include "tests/support/module_fixture.h"

namespace {

class InstanceDraw : public testing_support::ModuleTest {};

TEST_F(InstanceDraw, BoxInTheObjectPassThenTheHostsDrawingInEveryPass) {
    struct Case {
        const char* params;
        int32_t pass;
        const char* firstCalls;  // the pen and the first edge; empty: nothing drawn
    };
    const Case cases[] = {
        {"", draw_pass::kObject, "pen 0.29412 0 0.5098\nline3d -50 50 50 - 50 50 50\n"},
        {R"("10001": true, "10003": [2, 4, 6])", draw_pass::kObject, "pen 0.29412 0 0.5098\nline3d -1 2 3 - 1 2 3\n"},
        {"", draw_pass::kHighlights, ""},
        {"", draw_pass::kHandles, ""},
    };
    for (const Case& c : cases) {
        LoadDocument(std::string(R"({"objects": [{"type": "OrvaneInstance", "name": "I", "params": {)") + c.params +
                     "}}]}");
        HostObject& object = *host_.Document()->SearchObject("I");
        auto& view = dynamic_cast<headless::HlView&>(*host_.Document()->GetActiveView());
        ObjectData hostDefault;
        const bool expected = hostDefault.Draw(&object, c.pass, &view);
        EXPECT_TRUE(view.Calls().empty());
        ObjectData& instance = dynamic_cast<ObjectData&>(*object.GetNodeData());
        EXPECT_EQ(instance.Draw(&object, c.pass, &view), expected) << c.params << " pass " << c.pass;
        const std::string drawn = view.Describe();
        EXPECT_EQ(drawn.substr(0, std::string(c.firstCalls).size()), c.firstCalls) << drawn;
        EXPECT_EQ(view.Calls().size(), *c.firstCalls ? 13u : 0u) << drawn;
    }
}

}  // namespace
