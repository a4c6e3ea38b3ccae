#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "headless/resources/resources.h"
#include "headless/ui/ui.h"

namespace headless {
namespace {

std::string Events(const ScriptedUi& ui) {
    std::string text;
    for (const UiEvent& e : ui.Events()) text += e.kind + "|" + e.title + "|" + e.answer + "\n";
    return text;
}

struct ScriptError {
    std::string script;
    std::string message;
};

TEST(HeadlessUiScript, ValidationMessages) {
    const ScriptError cases[] = {
        {R"({"file": 1})", "s.json: steps: expected a list of steps"},
        {R"([1])", "s.json: steps[0]: expected an object"},
        {R"([{}])", R"(s.json: steps[0]: expected one of "file", "question", "message", "dialog")"},
        {R"([{"file": null, "question": true}])", R"(s.json: steps[0]: "file" and "question" in one step)"},
        {R"([{"file": 3}])", "s.json: steps[0].file: expected a host path or null"},
        {R"([{"question": "yes"}])", "s.json: steps[0].question: expected true or false"},
        {R"([{"message": 1}])", "s.json: steps[0].message: expected true or false"},
        {R"([{"dialog": "x"}])", "s.json: steps[0].dialog: expected a dialog resource ID"},
        {R"([{"dialog": -1}])", "s.json: steps[0].dialog: expected a dialog resource ID"},
        {R"([{"dialog": 1, "set": []}])", "s.json: steps[0].set: expected an object of gadget values"},
        {R"([{"dialog": 1, "set": {"abc": 1}}])", "s.json: steps[0].set.abc: expected a gadget ID as the key"},
        {R"([{"dialog": 1, "set": {"5": null}}])", "s.json: steps[0].set.5: expected true, false, a number or a text"},
        {R"([{"file": null}, {"file": "Z:\\a"}, {"dialog": 0, "press": "x"}])",
         "s.json: steps[2].press: expected a gadget ID"},
        {R"([{"dialog": 0, "press": [1, 2.5]}])", "s.json: steps[0].press[1]: expected a gadget ID"},
        {R"([{"dialog": 0, "press": 4294967296}])", "s.json: steps[0].press: expected a gadget ID"},
        {R"([{"dialog": 0, "steps": [{"message": true}, {"bogus": 1}]}])",
         "s.json: steps[0].steps[1].bogus: unknown key"},
        {R"([{"dialog": 0, "steps": {}}])", "s.json: steps[0].steps: expected a list of steps"},
        {R"([{"file": null, "press": 1}])", "s.json: steps[0].press: only a dialog step takes this key"},
        {R"([{"dialog": 0, "colour": 1}])", "s.json: steps[0].colour: unknown key"},
        // Syntax errors carry line and column.
        {R"([{"file": tru}])",
         "s.json:1:14: syntax error while parsing value - invalid literal; last read: '\"file\": tru}'"},
        {"[\n  {\"file\": null},\n  {\"question\" true}\n]",
         "s.json:3:18: syntax error while parsing object separator - unexpected true literal; expected ':'"},
        {"[",
         "s.json:1:2: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
        {"[1e999]", "s.json:1:6: number overflow parsing '1e999'"},
        {std::string(600, '['), "s.json:1:513: nesting deeper than 512 levels"},
        {"[\"[[[[\", " + std::string(513, '{'), "s.json:1:521: nesting deeper than 512 levels"},
    };
    for (const ScriptError& c : cases) {
        ScriptedUi ui(nullptr);
        std::string error;
        EXPECT_FALSE(ui.LoadScriptText(c.script, "s.json", error)) << c.script;
        EXPECT_EQ(error, c.message) << c.script;
    }
}

TEST(HeadlessUiScript, FailedLoadKeepsTheScriptBefore) {
    ScriptedUi ui(nullptr);
    std::string error;
    ASSERT_TRUE(ui.LoadScriptText(R"([{"question": true}, {"message": true}])", "a.json", error)) << error;
    EXPECT_FALSE(ui.LoadScriptText(R"([{"question": 1}])", "b.json", error));
    EXPECT_EQ(ui.PendingSteps(), 2u);
    EXPECT_TRUE(ui.Question("Overwrite?"));
}

TEST(HeadlessUiScript, ScriptFileErrorsNameTheFile) {
    ScriptedUi ui(nullptr);
    std::string error;
    EXPECT_FALSE(ui.LoadScriptFile("/nonexistent/ui.json", error));
    EXPECT_EQ(error, "/nonexistent/ui.json: cannot read the file");
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vexlor-ui-" + std::to_string(::getpid()) + ".json")).string();
    { std::ofstream(path) << "[{\"file\": \"Z:\\\\tmp\\\\a.ovs\"}]"; }
    ASSERT_TRUE(ui.LoadScriptFile(path, error)) << error;
    std::string chosen;
    EXPECT_TRUE(ui.FileSelect(FileSelectMode::kSave, "Export", chosen));
    EXPECT_EQ(chosen, "Z:\\tmp\\a.ovs");
    { std::ofstream empty(path); }
    EXPECT_FALSE(ui.LoadScriptFile(path, error));
    EXPECT_EQ(error, path + ":1:1: syntax error while parsing value - unexpected end of input; expected '[', '{', or a "
                            "literal");
    std::filesystem::remove(path);
    EXPECT_FALSE(ui.LoadScriptFile(std::filesystem::temp_directory_path().string(), error));
    EXPECT_EQ(error, std::filesystem::temp_directory_path().string() + ": cannot read the file");
}

TEST(HeadlessUiPrompts, AnsweredInOrder) {
    ScriptedUi ui(nullptr);
    std::string error;
    ASSERT_TRUE(ui.LoadScriptText(R"([{"file": "Z:\\scenes\\room.ovs"}, {"question": false}, {"message": true},
                                      {"file": null}, {"question": true}])",
                                  "s.json", error))
        << error;
    std::string chosen = "before";
    EXPECT_TRUE(ui.FileSelect(FileSelectMode::kLoad, "Open scene", chosen));
    EXPECT_EQ(chosen, "Z:\\scenes\\room.ovs");
    EXPECT_FALSE(ui.Question("Overwrite?"));
    ui.Message("Done");
    EXPECT_FALSE(ui.FileSelect(FileSelectMode::kSave, "Save as", chosen));
    EXPECT_TRUE(ui.Question("Render now?"));
    EXPECT_EQ(ui.PendingSteps(), 0u);
    EXPECT_EQ(Events(ui),
              "file|Open scene|Z:\\scenes\\room.ovs\n"
              "question|Overwrite?|no\n"
              "message|Done|ok\n"
              "file|Save as|\n"
              "question|Render now?|yes\n");
}

TEST(HeadlessUiPrompts, StepOfAnotherKindWaits) {
    ScriptedUi ui(nullptr);
    std::string error;
    ASSERT_TRUE(ui.LoadScriptText(R"([{"question": true}, {"file": "Z:\\a"}])", "s.json", error)) << error;
    std::string chosen;
    EXPECT_FALSE(ui.FileSelect(FileSelectMode::kLoad, "Open", chosen));
    ui.Message("Note");
    EXPECT_EQ(ui.PendingSteps(), 2u);
    EXPECT_TRUE(ui.Question("Sure?"));
    EXPECT_TRUE(ui.FileSelect(FileSelectMode::kLoad, "Open", chosen));
    EXPECT_EQ(chosen, "Z:\\a");
    EXPECT_EQ(Events(ui), "file|Open|\nmessage|Note|\nquestion|Sure?|yes\nfile|Open|Z:\\a\n");
}

TEST(HeadlessUiPrompts, NoScriptCancelsEverything) {
    ScriptedUi ui(nullptr);
    std::string chosen = "x";
    EXPECT_FALSE(ui.FileSelect(FileSelectMode::kDirectory, "Folder", chosen));
    EXPECT_EQ(chosen, "");
    EXPECT_FALSE(ui.Question("Sure?"));
    EXPECT_EQ(ui.PendingSteps(), 0u);
}

// A dialog like the module's export dialog, laid out from the fixture resources.
class ExportDialog : public GeDialog {
public:
    explicit ExportDialog(ScriptedUi* ui) : ui_(ui) {}
    bool CreateLayout() override { return layoutOk && LoadDialogResource(10016); }
    bool InitValues() override {
        SetString(1652, "Vexlor");
        SetBool(1653, false);
        SetInt32(1707, 2, 1, 64);
        SetReal(1699, 2.2, 0.1, 10);
        SetInt32(1664, 1661);
        return initOk;
    }
    bool Command(int32_t id, const ParamContainer&) override {
        commands.push_back(id);
        if (id == 1659) browsed = ui_->FileSelect(FileSelectMode::kLoad, "Scene", chosen);
        if (id == 1657) Close(false);
        if (id == 1658) {
            GetString(1652, renderer);
            GetBool(1653, render);
            GetInt32(1707, threads);
            GetReal(1699, gamma);
            GetInt32(1664, priority);
            Close(true);
        }
        return true;
    }

    bool layoutOk = true, initOk = true;
    std::vector<int32_t> commands;
    bool browsed = false;
    std::string chosen;
    HostString renderer;
    bool render = false;
    int32_t threads = 0, priority = 0;
    double gamma = 0;

private:
    ScriptedUi* ui_;
};

class HeadlessUiDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(resources_.Load(VEXLOR_SOURCE_DIR "/tests/data")) << resources_.Error(); }
    void Script(const std::string& text) {
        std::string error;
        ASSERT_TRUE(ui_.LoadScriptText(text, "s.json", error)) << error;
    }

    Resources resources_;
    ScriptedUi ui_{&resources_};
    ExportDialog dialog_{&ui_};
};

TEST_F(HeadlessUiDialog, SetAndPressReadsBackConvertedValues) {
    Script(R"([{"dialog": 10016, "set": {"1652": "Other", "1653": true, "1664": 1662, "1699": 1.5, "1707": 100},
               "press": 1658}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 1);
    EXPECT_EQ(dialog_.commands, std::vector<int32_t>{1658});
    EXPECT_EQ(dialog_.renderer.Str(), "Other");
    EXPECT_TRUE(dialog_.render);
    EXPECT_EQ(dialog_.threads, 64);  // clamped into the range InitValues gave
    EXPECT_EQ(dialog_.priority, 1662);
    EXPECT_DOUBLE_EQ(dialog_.gamma, 1.5);
    EXPECT_EQ(dialog_.Backend(), nullptr);
    ASSERT_NE(ui_.LastDialog(), nullptr);
    EXPECT_TRUE(ui_.LastDialog()->Closed());
    EXPECT_TRUE(ui_.LastDialog()->Result());
    EXPECT_EQ(ui_.PendingSteps(), 0u);
    EXPECT_EQ(Events(ui_),
              "dialog|Export|\n"
              "text|1652 Renderer|Vexlor\n"
              "text|1653 Render after export|false\n"
              "text|1707 Threads|2\n"
              "text|1699 Gamma|2.2\n"
              "text|1664 Priority|1661\n"
              "text|0 Files are replaced only when complete.|Files are replaced only when complete.\n"
              "set|1652 Renderer|Other\n"
              "set|1653 Render after export|true\n"
              "set|1664 Priority|1662\n"
              "set|1699 Gamma|1.5\n"
              "set|1707 Threads|64\n"
              "press|1658 Export|\n"
              "close|Export|ok\n");
}

TEST_F(HeadlessUiDialog, WithoutAStepTheDialogIsCancelled) {
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 0);
    EXPECT_TRUE(dialog_.commands.empty());
    EXPECT_TRUE(ui_.LastDialog()->Closed());
    EXPECT_FALSE(ui_.LastDialog()->Result());
    EXPECT_EQ(ui_.Events().back().kind, "close");
    EXPECT_EQ(ui_.Events().back().answer, "cancel");
}

TEST_F(HeadlessUiDialog, StepMatchesByResourceId) {
    Script(R"([{"dialog": 10099, "press": 1658}, {"dialog": 0, "press": 1658}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 0);  // the step is for another dialog: left in place
    EXPECT_EQ(ui_.PendingSteps(), 2u);
    EXPECT_TRUE(dialog_.commands.empty());
}

TEST_F(HeadlessUiDialog, AnyDialogStepAndPressOrder) {
    Script(R"([{"dialog": 0, "press": [1659, 1657, 1658]}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 0);
    EXPECT_EQ(dialog_.commands, (std::vector<int32_t>{1659, 1657}));  // closed by 1657
    EXPECT_FALSE(dialog_.browsed);                                     // no answer for the file prompt
}

TEST_F(HeadlessUiDialog, PressesThatLeaveItOpenEndInCancel) {
    Script(R"([{"dialog": 10016, "press": [1659, 1659]}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 0);
    EXPECT_EQ(dialog_.commands, (std::vector<int32_t>{1659, 1659}));
    EXPECT_EQ(ui_.Events().back().answer, "cancel");
}

TEST_F(HeadlessUiDialog, BadSetValuesAreErrorsAndCancel) {
    const std::pair<std::string, std::string> cases[] = {
        {R"("9999": 1)", "s.json: steps[0].set.9999: dialog 10016 has no gadget 9999"},
        {R"("1653": 1)", "s.json: steps[0].set.1653: check box 1653 takes true or false"},
        {R"("1707": 1.5)", "s.json: steps[0].set.1707: integer field 1707 takes a whole number"},
        {R"("1699": "x")", "s.json: steps[0].set.1699: real field 1699 takes a number"},
        {R"("1652": 3)", "s.json: steps[0].set.1652: text field 1652 takes a text"},
        {R"("1664": 7)", "s.json: steps[0].set.1664: choice 1664 takes one of 1660, 1661, 1662"},
        {R"("1658": true)", "s.json: steps[0].set.1658: button 1658 takes no value"},
    };
    for (const auto& [set, message] : cases) {
        ScriptedUi ui(&resources_);
        ExportDialog dialog(&ui);
        std::string error;
        ASSERT_TRUE(ui.LoadScriptText(R"([{"dialog": 10016, "set": {)" + set + R"(}, "press": 1658}])", "s.json",
                                      error))
            << error;
        EXPECT_EQ(ui.RunDialog(dialog, true), 0) << set;
        EXPECT_TRUE(dialog.commands.empty()) << set;
        const std::vector<UiEvent>& events = ui.Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[events.size() - 2].kind, "error");
        EXPECT_EQ(events[events.size() - 2].title, message);
        EXPECT_EQ(events.back().answer, "cancel");
    }
}

TEST_F(HeadlessUiDialog, PressOfUnknownGadgetIsAnError) {
    Script(R"([{"dialog": 10016, "press": [1659, 4242, 1658]}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 0);
    EXPECT_EQ(dialog_.commands, std::vector<int32_t>{1659});
    const std::vector<UiEvent>& events = ui_.Events();
    EXPECT_EQ(events[events.size() - 2].title, "s.json: steps[0].press[1]: dialog 10016 has no gadget 4242");
}

TEST_F(HeadlessUiDialog, NestedStepsAnswerPromptsInsideTheDialog) {
    Script(R"([{"dialog": 10016, "press": [1659, 1658], "steps": [{"file": "Z:\\scenes\\room.ovs"}]},
               {"file": "Z:\\outer.ovs"}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 1);
    EXPECT_TRUE(dialog_.browsed);
    EXPECT_EQ(dialog_.chosen, "Z:\\scenes\\room.ovs");
    std::string chosen;
    EXPECT_TRUE(ui_.FileSelect(FileSelectMode::kSave, "Outer", chosen));
    EXPECT_EQ(chosen, "Z:\\outer.ovs");
}

TEST_F(HeadlessUiDialog, NestedStepsStayInsideTheDialog) {
    // The nested list runs dry: the second prompt is cancelled and does not reach the outer
    // list; nested steps left over are reported.
    Script(R"([{"dialog": 10016, "press": [1659, 1659, 1658], "steps": [{"file": null}]}, {"file": "Z:\\outer"}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 1);
    EXPECT_FALSE(dialog_.browsed);
    EXPECT_EQ(ui_.PendingSteps(), 1u);

    Script(R"([{"dialog": 10016, "press": 1658, "steps": [{"question": true}]}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), 1);
    const std::vector<UiEvent>& events = ui_.Events();
    EXPECT_EQ(events[events.size() - 2].title, "s.json: steps[0].steps[0]: not used while the dialog was open");
}

TEST_F(HeadlessUiDialog, FailedLayoutOrInitialValues) {
    dialog_.layoutOk = false;
    EXPECT_EQ(ui_.RunDialog(dialog_, true), -1);
    EXPECT_EQ(dialog_.Backend(), nullptr);
    EXPECT_NE(ui_.LastDialog(), nullptr);
    dialog_.layoutOk = true;
    dialog_.initOk = false;
    Script(R"([{"dialog": 10016, "press": 1658}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, true), -1);
    EXPECT_EQ(ui_.PendingSteps(), 1u);
    EXPECT_EQ(ui_.Events().back().kind, "error");
}

TEST_F(HeadlessUiDialog, NonModalDialogTakesNoStep) {
    Script(R"([{"dialog": 10016, "press": 1658}])");
    EXPECT_EQ(ui_.RunDialog(dialog_, false), 1);
    EXPECT_EQ(ui_.PendingSteps(), 1u);
    EXPECT_TRUE(dialog_.commands.empty());
    EXPECT_EQ(dialog_.Backend(), nullptr);
    EXPECT_FALSE(ui_.LastDialog()->Closed());
}

TEST_F(HeadlessUiDialog, BackendInitialValuesAndRanges) {
    HlDialogBackend backend(&resources_);
    EXPECT_FALSE(backend.LoadDialogResource(4711));
    ASSERT_TRUE(backend.LoadDialogResource(10016));
    EXPECT_EQ(backend.Title(), "Export");
    const std::pair<int32_t, ParamValue> initial[] = {
        {1652, HostString("")}, {1653, false}, {1707, int32_t{0}}, {1699, 0.0f}, {1664, int32_t{1660}},
    };
    for (const auto& [id, value] : initial) {
        ParamValue got;
        EXPECT_TRUE(backend.GetValue(id, got)) << id;
        EXPECT_EQ(got, value) << id;
    }
    ParamValue got;
    EXPECT_FALSE(backend.GetValue(1658, got));  // buttons hold no value
    EXPECT_FALSE(backend.GetValue(0, got));     // gadgets without an ID cannot be addressed
    EXPECT_EQ(backend.Gadgets()[6].kind, "static");
    EXPECT_EQ(backend.Gadgets()[6].value, ParamValue(HostString("Files are replaced only when complete.")));
    EXPECT_FALSE(backend.GetValue(4711, got));
    EXPECT_FALSE(backend.SetValue(4711, true));
    EXPECT_FALSE(backend.SetRange(4711, 0, 1, 1));
    EXPECT_FALSE(backend.SetValue(1658, true));
    EXPECT_FALSE(backend.SetValue(1707, HostString("3")));
    EXPECT_FALSE(backend.SetRange(1707, 5, 1, 1));

    ASSERT_TRUE(backend.SetValue(1707, int32_t{50}));
    ASSERT_TRUE(backend.SetRange(1707, 1, 10, 1));  // the value follows the new range
    ASSERT_TRUE(backend.GetValue(1707, got));
    EXPECT_EQ(got, ParamValue(int32_t{10}));
    ASSERT_TRUE(backend.SetValue(1707, -7.9f));
    ASSERT_TRUE(backend.GetValue(1707, got));
    EXPECT_EQ(got, ParamValue(int32_t{1}));
    ASSERT_TRUE(backend.SetRange(1699, -1, 1, 0.1));
    ASSERT_TRUE(backend.SetValue(1699, int32_t{3}));
    ASSERT_TRUE(backend.GetValue(1699, got));
    EXPECT_EQ(got, ParamValue(1.0f));
    ASSERT_TRUE(backend.SetValue(1653, int32_t{2}));
    ASSERT_TRUE(backend.GetValue(1653, got));
    EXPECT_EQ(got, ParamValue(true));
    EXPECT_EQ(backend.ChoiceOptions(1664), (std::vector<int32_t>{1660, 1661, 1662}));

    ASSERT_TRUE(backend.AddStaticText(77, 0, 0, 0, "Status", 0));
    ASSERT_TRUE(backend.AddSeparatorH(100));
    ASSERT_TRUE(backend.SetValue(77, HostString("Busy")));
    EXPECT_EQ(backend.FindGadget(77)->label, "Busy");
    EXPECT_EQ(backend.Gadgets().back().kind, "separator");
    EXPECT_FALSE(backend.Closed());
    backend.Close(true);
    EXPECT_TRUE(backend.Closed());
    EXPECT_TRUE(backend.Result());
}

}  // namespace
}  // namespace headless
