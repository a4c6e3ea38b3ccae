#include <gtest/gtest.h>

#include "core/ids.h"
#include "materials/convert.h"
#include "plugin/preview_dialog.h"
#include "plugin/renderer_location.h"
#include "plugin/run_script.h"
#include "tests/support/module_fixture.h"

namespace {

using json = nlohmann::json;
using testing_support::ReadText;

TEST(PreviewScript, CommandLineByQualityPreset) {
    struct Case {
        int32_t preset;
        const char* option;
    };
    for (const Case& c : {Case{1669, " -haltspp 400"}, Case{1670, " -haltspp 200"}, Case{1671, " -haltspp 75"},
                          Case{1702, " -haltspp 1000"}, Case{1703, ""}, Case{0, ""}}) {
        EXPECT_EQ(PreviewScriptText("C:\\R\\orvane.exe", "C:\\P\\preview\\preview.ovs", "C:\\P\\preview\\renders\\1.png",
                                    c.preset),
                  std::string("@echo off\ncd /d \"C:\\R\"\n") +
                      "start /min /belownormal orvane_console.exe \"C:\\P\\preview\\preview.ovs\" -o "
                      "\"C:\\P\\preview\\renders\\1.png\"" +
                      c.option + "\n")
            << c.preset;
    }
}

class PreviewDialogTest : public testing_support::ModuleTest {
protected:
    void Script(const json& steps) {
        std::string error;
        ASSERT_TRUE(host_.Ui().SetScript(steps, "test", error)) << error;
    }
};

TEST_F(PreviewDialogTest, RendersWithTheDefaultPresetAndReplacesTheExportScript) {
    LoadDocument(R"({"materials": [{"name": "Wood"}], "objects": [{"type": "null", "name": "N", "tags": [
                     {"type": "MyMaterialHelper", "params": {"1001": {"material": "Wood"}}}]}]})");
    Script(json::array({{{"file", "C:\\R"}}}));
    ChooseRendererDirectory();
    RunScriptOptions exportScript;
    exportScript.rendererPath = "C:\\R\\orvane.exe";
    exportScript.sceneFile = "C:\\s\\room.ovs";
    WriteRunScript(exportScript);

    Script(json::array({{{"dialog", 10017}, {"press", 1675}}}));
    HostTag* tag = host_.Document()->SearchObject("N")->GetFirstTag();
    OpenPreviewDialog("C:\\img\\shot.png", tag);
    ASSERT_NE(host_.Ui().LastDialog(), nullptr);
    EXPECT_TRUE(host_.Ui().LastDialog()->Result());
    const std::string preview = host_.Files().ToHost(ModuleFile("preview")).Str();
    EXPECT_EQ(ReadText(ModuleFile("run.cmd")),
              "@echo off\ncd /d \"C:\\R\"\nstart /min /belownormal orvane_console.exe \"" + preview +
                  "\\preview.ovs\" -o \"C:\\img\\shot.png\" -haltspp 200\n");
    ASSERT_EQ(host_.Files().ExecutedFiles().size(), 1u);
}

// A run script that cannot be written is reported and not run; the library is still written
// and the dialog closes as after any press of the render button.
TEST_F(PreviewDialogTest, UnwritableScriptIsReportedAndNotRun) {
    LoadDocument(R"({"materials": [{"name": "Wood"}], "objects": [{"type": "null", "name": "N", "tags": [
                     {"type": "MyMaterialHelper", "params": {"1001": {"material": "Wood"}}}]}]})");
    std::filesystem::create_directories(ModuleFile("run.cmd"));  // a directory where the script goes
    Script(json::array({{{"file", "C:\\R"}}, {{"dialog", 10017}, {"press", 1675}}}));
    OpenPreviewDialog("C:\\img\\shot.png", host_.Document()->SearchObject("N")->GetFirstTag());
    ASSERT_NE(host_.Ui().LastDialog(), nullptr);
    EXPECT_TRUE(host_.Ui().LastDialog()->Result());
    EXPECT_NE(ConsoleText().find("* Error: the run script could not be written: "), std::string::npos)
        << ConsoleText();
    EXPECT_TRUE(host_.Files().ExecutedFiles().empty());
    EXPECT_NE(ReadText(ModuleFile("preview/preview.ovm")).find("<name>previewMat</name>"), std::string::npos);
}

TEST_F(PreviewDialogTest, CancelWritesNothing) {
    LoadDocument(R"({"objects": []})");
    Script(json::array({{{"file", "C:\\R"}}, {{"dialog", 10017}, {"set", {{"1668", 1669}}}, {"press", 1676}}}));
    OpenPreviewDialog("C:\\img\\shot.png", nullptr);
    EXPECT_FALSE(host_.Ui().LastDialog()->Result());
    EXPECT_FALSE(std::filesystem::exists(ModuleFile("run.cmd")));
    EXPECT_TRUE(host_.Files().ExecutedFiles().empty());
}

class ConvertTest : public testing_support::ModuleTest {
protected:
    const ParamContainer& Converted(const char* material) {
        HostObject* holder = host_.Document()->SearchObject("Materials");
        EXPECT_NE(holder, nullptr);
        for (HostObject* null = holder ? holder->GetDown() : nullptr; null; null = null->GetNext()) {
            if (null->GetName() == HostString(material)) return null->GetTag(plugin_id::kMaterialHelper)->Data();
        }
        ADD_FAILURE() << material;
        static ParamContainer none;
        return none;
    }
};

TEST_F(ConvertTest, ChannelsChooseTheTypeAndTheFormulasFillIt) {
    LoadDocument(R"({"materials": [
        {"name": "Glass", "params": {"2100": [0.5, 1, 0.25], "2101": 2, "1005": 1.5},
         "channels": {"2": {"on": true}, "3": {"on": true}}},
        {"name": "Frosted", "params": {"1120": 1}, "channels": {"2": {"on": true}}},
        {"name": "Haze", "params": {"1120": 0.01}, "channels": {"2": {"on": true}}},
        {"name": "Chrome", "params": {"2501": 0.5, "1130": 0}, "channels": {"3": {"on": true}}},
        {"name": "Plastic", "params": {"1017": 0.5, "1016": 0.2}, "channels": {"8": {"on": true}}},
        {"name": "Paint", "params": {"2100": [0.2, 0.4, 0.6], "1009": 25}, "channels": {"6": {"on": true}}},
        {"name": "Other", "type": "base"}],
        "objects": []})");
    EXPECT_TRUE(ConvertMaterials(*host_.Document()));

    const ParamContainer& glass = Converted("Glass");
    EXPECT_EQ(glass.Get<int32_t>(1002), 1005);  // channel 2 before channel 3
    EXPECT_EQ(glass.Get<float>(1040), 1.5f);
    EXPECT_EQ(glass.Get<Vector>(1054), (Vector{1, 2, 0.5f}));
    EXPECT_EQ(glass.Get<float>(1099), 10.0f);
    EXPECT_FALSE(glass.Get<bool>(1086, true));
    EXPECT_EQ(glass.GetLink(1001, host_.Document()), host_.Document()->SearchMaterial("Glass"));

    EXPECT_EQ(Converted("Frosted").Get<int32_t>(1002), 1006);
    EXPECT_EQ(Converted("Frosted").Get<float>(1022), 25.0f);
    EXPECT_EQ(Converted("Haze").Get<float>(1022), 4975.0f);
    EXPECT_EQ(Converted("Chrome").Get<int32_t>(1002), 1004);
    EXPECT_EQ(Converted("Chrome").Get<float>(1016), 3.5f);
    EXPECT_EQ(Converted("Chrome").Get<float>(1017), 100000.0f);
    EXPECT_FLOAT_EQ(Converted("Plastic").Get<float>(1016), 1.3521127f);
    EXPECT_EQ(Converted("Plastic").Get<float>(1017), 10.0f);
    EXPECT_EQ(Converted("Paint").Get<int32_t>(1002), 1003);
    EXPECT_EQ(Converted("Paint").Get<Vector>(1013), (Vector{0.2f, 0.4f, 0.6f}));
    EXPECT_EQ(Converted("Paint").Get<float>(1087), 0.5f);

    // One null per standard material, in the document's order, each with a texture tag on it.
    HostObject* holder = host_.Document()->SearchObject("Materials");
    std::vector<std::string> names;
    for (HostObject* null = holder->GetDown(); null; null = null->GetNext()) {
        names.push_back(null->GetName().Str());
        ASSERT_NE(null->GetTag(host_type::kTextureTag), nullptr);
        EXPECT_EQ(null->GetTag(host_type::kTextureTag)->GetMaterial()->GetName(), null->GetName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Glass", "Frosted", "Haze", "Chrome", "Plastic", "Paint"}));
}

TEST_F(ConvertTest, OnlyOtherMaterialsStillMakeTheHolder) {
    LoadDocument(R"({"materials": [{"name": "Other", "type": "base"}], "objects": []})");
    ConvertMaterials(*host_.Document());
    HostObject* holder = host_.Document()->SearchObject("Materials");
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->GetDown(), nullptr);
}

TEST_F(ConvertTest, NoMaterialsNoHolder) {
    LoadDocument(R"({"objects": []})");
    EXPECT_FALSE(ConvertMaterials(*host_.Document()));
    EXPECT_EQ(host_.Document()->SearchObject("Materials"), nullptr);
}

}  // namespace
