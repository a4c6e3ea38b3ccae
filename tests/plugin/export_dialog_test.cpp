#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/version.h"
#include "plugin/about.h"
#include "plugin/commands.h"
#include "plugin/export_dialog.h"
#include "plugin/renderer_location.h"
#include "plugin/run_script.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using testing_support::ReadText;

class ExportDialogTest : public testing_support::ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        LoadDocument(R"({"fps": 30, "frame": 2, "objects": []})");
    }
    // Runs "Export and Run" with a UI script.
    void Run(const json& steps) {
        std::string error;
        ASSERT_TRUE(host_.Ui().SetScript(steps, "test", error)) << error;
        MyExportAndRun().Execute(host_.Document());
    }
    void StoreRenderer(const std::string& directory) {
        std::string error;
        ASSERT_TRUE(host_.Ui().SetScript(json::array({{{"file", directory}}}), "test", error)) << error;
        ChooseRendererDirectory();
    }
    json ExportStep(json set, json prompts) const {
        return {{"dialog", 10016}, {"set", std::move(set)}, {"press", 1658}, {"steps", std::move(prompts)}};
    }
    std::string Out(const std::string& name) const { return HostPath(name).Str(); }
    const headless::GadgetState* Gadget(int32_t id) {
        const headless::HlDialogBackend* dialog = host_.Ui().LastDialog();
        if (!dialog) return nullptr;
        for (const auto& gadget : dialog->Gadgets()) {
            if (gadget.id == id) return &gadget;
        }
        return nullptr;
    }
    bool DialogClosedOk() { return host_.Ui().LastDialog() && host_.Ui().LastDialog()->Result(); }
    std::vector<std::string> SceneFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_)) {
            if (entry.path().extension() == ".ovs") names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ExportDialogTest, InitialValuesAndTheRendererPathShown) {
    StoreRenderer("C:\\Apps\\R");
    Run(json::array({{{"dialog", 10016}, {"press", 1659}}}));
    EXPECT_FALSE(DialogClosedOk());
    struct Expected {
        int32_t id;
        ParamValue value;
    };
    for (const Expected& e : {Expected{1652, HostString("C:\\Apps\\R\\orvane.exe")}, Expected{1653, false},
                              Expected{1664, int32_t{1661}}, Expected{1690, false}, Expected{1695, false},
                              Expected{1697, false}, Expected{1699, 7777.0f}, Expected{1706, false},
                              Expected{1707, int32_t{0}}, Expected{1708, int32_t{0}}, Expected{1709, true}}) {
        const headless::GadgetState* gadget = Gadget(e.id);
        ASSERT_NE(gadget, nullptr) << e.id;
        EXPECT_EQ(gadget->value, e.value) << e.id;
    }
}

TEST_F(ExportDialogTest, ExportsTheCurrentFrameAndClosesWithOk) {
    StoreRenderer("C:\\Apps\\R");
    Run(json::array({ExportStep({{"1707", 9}, {"1708", 12}}, json::array({{{"file", Out("room")}}}))}));
    EXPECT_TRUE(DialogClosedOk());
    EXPECT_EQ(SceneFiles(), std::vector<std::string>{"room_frame2.ovs"});  // 1707/1708 unused without 1706
    EXPECT_FALSE(fs::exists(ModuleFile("run.cmd")));
}

TEST_F(ExportDialogTest, FrameRangeAndRenderWriteAndRunTheScript) {
    StoreRenderer("C:\\Apps\\R");
    Run(json::array({ExportStep({{"1706", true}, {"1707", 3}, {"1708", 4}, {"1653", true}, {"1695", true}},
                                json::array({{{"file", Out("room.ovs")}}}))}));
    EXPECT_EQ(SceneFiles(), (std::vector<std::string>{"room_frame3.ovs", "room_frame4.ovs"}));
    RunScriptOptions expected;
    expected.rendererPath = "C:\\Apps\\R\\orvane.exe";
    expected.sceneFile = Out("room.ovs");
    expected.console = true;
    expected.firstFrame = 3;
    expected.lastFrame = 4;
    expected.networkPort = 7777;
    EXPECT_EQ(ReadText(ModuleFile("run.cmd")), RunScriptText(expected));
    ASSERT_EQ(host_.Files().ExecutedFiles().size(), 1u);
    EXPECT_EQ(host_.Files().ExecutedFiles()[0].Str(), host_.Files().ToHost(ModuleFile("run.cmd")).Str());
}

TEST_F(ExportDialogTest, UnwritableRunScriptIsNotExecuted) {
    StoreRenderer("C:\\Apps\\R");
    fs::create_directory(ModuleFile("run.cmd"));
    Run(json::array({ExportStep({{"1653", true}}, json::array({{{"file", Out("room.ovs")}}}))}));
    EXPECT_TRUE(host_.Files().ExecutedFiles().empty());
    EXPECT_NE(ConsoleText().find("* Error: the run script could not be written"), std::string::npos);
}

struct CancelCase {
    const char* name;
    bool image;
    json prompts;
    bool existing;
};

class ExportDialogCancel : public ExportDialogTest, public testing::WithParamInterface<CancelCase> {};

TEST_P(ExportDialogCancel, WritesNothingAndLeavesTheDialogOpen) {
    StoreRenderer("C:\\Apps\\R");
    const CancelCase& c = GetParam();
    if (c.existing) std::ofstream(NativePath("room.ovs")) << "kept";
    json prompts = json::array();
    for (const json& prompt : c.prompts) {
        prompts.push_back(prompt.contains("file") && prompt["file"] == "OUT" ? json{{"file", Out("room.ovs")}} : prompt);
    }
    Run(json::array({ExportStep({{"1710", c.image}}, prompts)}));
    EXPECT_FALSE(DialogClosedOk());
    EXPECT_TRUE(SceneFiles() == (c.existing ? std::vector<std::string>{"room.ovs"} : std::vector<std::string>{}));
    // The dialog was still open after the export button: the script closed it.
    EXPECT_EQ(host_.Ui().Events().back().kind, "close");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExportDialogCancel,
    testing::Values(CancelCase{"scene dialog cancelled", false, json::array({{{"file", nullptr}}}), false},
                    CancelCase{"image dialog cancelled", true, json::array({{{"file", "OUT"}}, {{"file", nullptr}}}),
                               false},
                    CancelCase{"overwrite answered no", false, json::array({{{"file", "OUT"}}, {{"question", false}}}),
                               true}));

TEST_F(ExportDialogTest, OverwriteQuestionIsAskedForTheChosenNameOnly) {
    StoreRenderer("C:\\Apps\\R");
    std::ofstream(NativePath("room_frame2.ovs")) << "old";
    Run(json::array({ExportStep(json::object(), json::array({{{"file", Out("room.ovs")}}}))}));
    EXPECT_TRUE(DialogClosedOk());  // per-frame files of that name do not ask
    std::ofstream(NativePath("room.ovs")) << "chosen";
    Run(json::array({ExportStep(json::object(), json::array({{{"file", Out("room.ovs")}}, {{"question", true}}}))}));
    EXPECT_TRUE(DialogClosedOk());
    const auto& events = host_.Ui().Events();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const headless::UiEvent& e) {
        return e.kind == "question" && e.title == "File already exists. Overwrite?" && e.answer == "yes";
    }));
}

TEST_F(ExportDialogTest, WithoutARendererLocationTheChooserIsAskedAndCancellingKeepsTheDialogShut) {
    Run(json::array({ExportStep(json::object(), json::array({{{"file", Out("room.ovs")}}}))}));
    EXPECT_FALSE(DialogClosedOk());
    EXPECT_TRUE(SceneFiles().empty());
    EXPECT_FALSE(fs::exists(ModuleFile("vexlor.cfg")));
    const auto& events = host_.Ui().Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().kind, "file");
    EXPECT_EQ(events.front().title, "Choose Orvane dir");
}

TEST_F(ExportDialogTest, ChosenDirectoryIsStoredWithTheProgramName) {
    Run(json::array({{{"file", "C:\\Apps\\R"}}, {{"dialog", 10016}, {"press", 1659}}}));
    HostFilename stored;
    ASSERT_TRUE(ReadRendererPath(stored));
    EXPECT_EQ(stored.Str(), "C:\\Apps\\R\\orvane.exe");
    const headless::GadgetState* shown = Gadget(1652);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->value, ParamValue(HostString("C:\\Apps\\R\\orvane.exe")));
}

TEST_F(ExportDialogTest, CancellingTheChooserButtonKeepsTheLocation) {
    StoreRenderer("C:\\Apps\\R");
    Run(json::array({{{"dialog", 10016}, {"press", json::array({1666, 1659})}, {"steps", json::array({{{"file", nullptr}}})}}}));
    HostFilename stored;
    ASSERT_TRUE(ReadRendererPath(stored));
    EXPECT_EQ(stored.Str(), "C:\\Apps\\R\\orvane.exe");
    EXPECT_EQ(Gadget(1652)->value, ParamValue(HostString("C:\\Apps\\R\\orvane.exe")));
}

TEST_F(ExportDialogTest, DamagedConfigurationIsRefusedWithAConsoleLine) {
    StoreRenderer("C:\\Apps\\R");
    std::string bytes = ReadText(ModuleFile("vexlor.cfg"));
    bytes[bytes.size() / 2] ^= 0x20;
    std::ofstream(ModuleFile("vexlor.cfg"), std::ios::binary) << bytes;
    HostFilename stored = "unchanged";
    EXPECT_FALSE(ReadRendererPath(stored));
    EXPECT_EQ(stored.Str(), "unchanged");
    EXPECT_NE(ConsoleText().find("is damaged; choose the renderer directory again."), std::string::npos);
}

TEST_F(ExportDialogTest, AboutShowsTheVersionAndCreditLines) {
    ShowAbout about;
    EXPECT_TRUE(about.Execute(host_.Document()));
    const headless::HlDialogBackend* dialog = host_.Ui().LastDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Title(), "About");
    const auto& gadgets = dialog->Gadgets();
    ASSERT_EQ(gadgets.size(), 14u);
    EXPECT_EQ(gadgets[0].id, 177162);
    EXPECT_EQ(gadgets[0].value, ParamValue(HostString(kVersionLine)));
    EXPECT_EQ(gadgets[2].kind, "separator");
    EXPECT_EQ(gadgets[5].kind, "separator");
    EXPECT_EQ(gadgets[6].value, ParamValue(HostString("Special thanks to:")));
    EXPECT_EQ(gadgets[11].value, ParamValue(HostString("and anyone who uses this plugin,")));
    EXPECT_EQ(gadgets[12].value, ParamValue(HostString("who reported bugs")));
    EXPECT_EQ(gadgets[13].value, ParamValue(HostString("and to anyone i forgot!")));
    for (size_t i = 1; i < gadgets.size(); ++i) {
        if (gadgets[i].kind != "separator") {
            EXPECT_EQ(gadgets[i].id, 177163) << i;
        }
    }
    // A second opening shows the same.
    std::vector<headless::GadgetState> first = gadgets;
    about.Execute(host_.Document());
    ASSERT_EQ(host_.Ui().LastDialog()->Gadgets().size(), first.size());
}

}  // namespace
