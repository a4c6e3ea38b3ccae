#include <gtest/gtest.h>

#include <filesystem>

#include "plugin/run_script.h"
#include "tests/support/module_fixture.h"

namespace {

RunScriptOptions TwoFrames() {
    RunScriptOptions o;
    o.rendererPath = "C:\\Apps\\R\\orvane.exe";
    o.sceneFile = "C:\\s\\room.ovs";
    o.console = true;
    o.firstFrame = 3;
    o.lastFrame = 4;
    return o;
}

struct ScriptCase {
    const char* name;
    RunScriptOptions options;
    const char* text;
};

class RunScriptTextTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(RunScriptTextTest, IsByteForByte) { EXPECT_EQ(RunScriptText(GetParam().options), GetParam().text); }

std::vector<ScriptCase> Cases() {
    std::vector<ScriptCase> cases;
    cases.push_back({"two frames", TwoFrames(),
                     "@echo off\ncd /d \"C:\\Apps\\R\"\n"
                     "echo Rendering frame 3...\nstart /wait /min orvane_console.exe \"C:\\s\\room_frame3.ovs\"\n"
                     "echo Done!\necho ------------------\n"
                     "echo Rendering frame 4...\nstart /wait /min orvane_console.exe \"C:\\s\\room_frame4.ovs\"\n"
                     "echo Done!\necho ------------------\n"});
    RunScriptOptions frame0 = TwoFrames();
    frame0.firstFrame = frame0.lastFrame = 0;
    frame0.console = false;
    cases.push_back({"frame 0 with the window program", frame0,
                     "@echo off\ncd /d \"C:\\Apps\\R\"\n"
                     "echo Rendering frame 0...\nstart /wait /min orvane.exe \"C:\\s\\room_frame0.ovs\"\n"
                     "echo Done!\necho ------------------\n"});
    RunScriptOptions below = frame0;
    below.priority = 1660;
    below.networkRender = true;
    below.networkPort = PortNumber(7777.9);
    below.imageFile = "D:\\img\\shot.png";
    cases.push_back({"below normal, network and image", below,
                     "@echo off\ncd /d \"C:\\Apps\\R\"\n"
                     "echo Rendering frame 0...\nstart /belownormal /wait /min orvane.exe \"C:\\s\\room_frame0.ovs\""
                     " -n wm -p 7777 -o \"D:\\img\\shot_frame0.png\"\n"
                     "echo Done!\necho ------------------\n"});
    RunScriptOptions reversed = TwoFrames();
    reversed.firstFrame = 5;
    reversed.lastFrame = 4;
    cases.push_back({"range 5 to 4", reversed, "@echo off\ncd /d \"C:\\Apps\\R\"\n"});
    RunScriptOptions dotted = frame0;
    dotted.sceneFile = "C:\\s\\my.scene.ovs";
    cases.push_back({"a dotted scene name keeps its dot", dotted,
                     "@echo off\ncd /d \"C:\\Apps\\R\"\n"
                     "echo Rendering frame 0...\nstart /wait /min orvane.exe \"C:\\s\\my.scene_frame0.ovs\"\n"
                     "echo Done!\necho ------------------\n"});
    // "%" is doubled in every path; a script holding a byte that is not ASCII switches the
    // command processor to UTF-8 first.
    RunScriptOptions percent = frame0;
    percent.rendererPath = "C:\\100% R\\orvane.exe";
    percent.sceneFile = "C:\\s\\%PATH%.ovs";
    percent.imageFile = "C:\\i\\50%.png";
    cases.push_back({"percent signs", percent,
                     "@echo off\ncd /d \"C:\\100%% R\"\n"
                     "echo Rendering frame 0...\nstart /wait /min orvane.exe \"C:\\s\\%%PATH%%_frame0.ovs\""
                     " -o \"C:\\i\\50%%_frame0.png\"\n"
                     "echo Done!\necho ------------------\n"});
    RunScriptOptions unicode = frame0;
    unicode.sceneFile = "C:\\R\xC3\xA4ume\\room.ovs";
    cases.push_back({"a path that is not ASCII", unicode,
                     "@echo off\nchcp 65001 > nul\ncd /d \"C:\\Apps\\R\"\n"
                     "echo Rendering frame 0...\nstart /wait /min orvane.exe \"C:\\R\xC3\xA4ume\\room_frame0.ovs\"\n"
                     "echo Done!\necho ------------------\n"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunScriptTextTest, testing::ValuesIn(Cases()));

TEST(RunScriptPort, TruncatesTowardZeroWithinThe32BitRange) {
    EXPECT_EQ(PortNumber(7777.9), 7777);
    EXPECT_EQ(PortNumber(-12.7), -12);
    EXPECT_EQ(PortNumber(9e18), 2147483647);
    EXPECT_EQ(PortNumber(-9e18), -2147483647 - 1);
}

class RunScriptFile : public testing_support::ModuleTest {};

TEST_F(RunScriptFile, IsWrittenIntoTheModulesDirectory) {
    const HostFilename path = WriteRunScript(TwoFrames());
    EXPECT_EQ(path.Str(), host_.Files().ToHost(ModuleFile("run.cmd")).Str());
    EXPECT_EQ(testing_support::ReadText(ModuleFile("run.cmd")), RunScriptText(TwoFrames()));
}

TEST_F(RunScriptFile, UnwritableScriptIsReportedAndGivesNoPath) {
    std::filesystem::create_directory(ModuleFile("run.cmd"));  // a directory stands in its place
    EXPECT_TRUE(WriteRunScript(TwoFrames()).IsEmpty());
    EXPECT_NE(ConsoleText().find("* Error: the run script could not be written: "), std::string::npos);
}

}  // namespace
