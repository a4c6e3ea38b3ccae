// The `vexlor` command end to end: a private copy of the plug-ins folder per test, so that the
// stored renderer location and run.cmd stay apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "core/version.h"
#include "tests/support/command_support.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;

using testing_support::HostPathOf;
using testing_support::ReadText;
using Result = testing_support::CommandResult;

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = testing_support::TestFolder("vexlor-cli-");
        testing_support::CopyPluginsFolder(root_ / "plugins");
    }
    void TearDown() override { fs::remove_all(root_); }

    Result Run(const std::string& arguments) {
        return testing_support::RunCommand(std::string(VEXLOR_CLI) + " --plugins " + (root_ / "plugins").string() +
                                           " " + arguments + " 2>&1");
    }
    static std::string Read(const fs::path& path) { return ReadText(path.string()); }
    std::string Example() const { return std::string(VEXLOR_SOURCE_DIR) + "/examples/room.json"; }

    fs::path root_;
};

TEST_F(CliTest, ExportWritesTheFramesAndTheRunScript) {
    const fs::path out = root_ / "x" / "room.ovs";
    Result r = Run("export " + Example() + " -o " + out.string() +
                   " --frames 0:1 --render --console --renderer /opt/r");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(root_ / "x" / "room_frame0.ovs"));
    EXPECT_TRUE(fs::exists(root_ / "x" / "room_frame1.ovs"));
    const std::string expected = "@echo off\ncd /d \"Z:\\opt\\r\"\n"
                                 "echo Rendering frame 0...\nstart /wait /min orvane_console.exe \"" +
                                 HostPathOf(root_ / "x" / "room_frame0.ovs") +
                                 "\"\necho Done!\necho ------------------\n"
                                 "echo Rendering frame 1...\nstart /wait /min orvane_console.exe \"" +
                                 HostPathOf(root_ / "x" / "room_frame1.ovs") +
                                 "\"\necho Done!\necho ------------------\n";
    EXPECT_EQ(Read(root_ / "plugins" / "run.cmd"), expected);
    const size_t listed = r.output.find("Files written:\n");
    ASSERT_NE(listed, std::string::npos) << r.output;
    EXPECT_NE(r.output.find("  " + (root_ / "x" / "room_frame0.ovs").string() + "\n", listed), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("  " + (root_ / "plugins" / "run.cmd").string() + "\n", listed), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("no execute handler set"), std::string::npos);
}

TEST_F(CliTest, ExistingOutputNeedsOverwrite) {
    fs::create_directories(root_ / "x");
    std::ofstream(root_ / "x" / "room.ovs") << "mine";
    Result r = Run("export " + Example() + " -o " + (root_ / "x" / "room.ovs").string() + " --renderer /opt/r");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("room.ovs exists; use --overwrite to replace it"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(root_ / "x" / "room_frame0.ovs"));
    r = Run("export " + Example() + " -o " + (root_ / "x" / "room.ovs").string() + " --renderer /opt/r --overwrite");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(root_ / "x" / "room_frame0.ovs"));
}

TEST_F(CliTest, ExportWithoutAStoredRendererNeedsTheOption) {
    Result r = Run("export " + Example() + " -o " + (root_ / "room.ovs").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--renderer DIR"), std::string::npos) << r.output;
}

TEST_F(CliTest, RefusedDocumentGivesOneMessageAndStatusTwo) {
    std::ofstream(root_ / "bad.json") << "{\"objects\": [}";
    Result r = Run("export " + (root_ / "bad.json").string() + " -o " + (root_ / "room.ovs").string() +
                   " --renderer /opt/r");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find((root_ / "bad.json").string() + ":1:"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(root_ / "room_frame0.ovs"));
}

TEST_F(CliTest, ExportOfAllFramesTakesTheDocumentsRange) {
    std::ofstream(root_ / "ranged.json") << Read(Example()).insert(1, "\"frames\": [0, 2], ");
    Result r = Run("export " + (root_ / "ranged.json").string() + " -o " + (root_ / "a" / "room.ovs").string() +
                   " --frames all --renderer /opt/r");
    ASSERT_EQ(r.status, 0) << r.output;
    for (int frame = 0; frame <= 3; ++frame)
        EXPECT_EQ(fs::exists(root_ / "a" / ("room_frame" + std::to_string(frame) + ".ovs")), frame <= 2) << frame;

    // Without a range in the document there is nothing to export.
    r = Run("export " + Example() + " -o " + (root_ / "b" / "room.ovs").string() + " --frames all --renderer /opt/r");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--frames all: the document has no frame range"), std::string::npos) << r.output;
}

TEST_F(CliTest, RendererIsStoredAndShown) {
    EXPECT_EQ(Run("renderer").status, 1);
    Result stored = Run("renderer /opt/orvane");
    EXPECT_EQ(stored.status, 0) << stored.output;
    Result shown = Run("-q renderer");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.output, "Z:\\opt\\orvane\\orvane.exe\n");
}

TEST_F(CliTest, InfoAboutAndHelp) {
    Result info = Run("-q info " + Example());
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("Registrations (13):"), std::string::npos);
    EXPECT_NE(info.output.find("\"Camera\" camera"), std::string::npos);
    Result about = Run("-q about");
    EXPECT_EQ(about.status, 0);
    EXPECT_EQ(about.output.rfind("About\n" + std::string(kVersionLine) + "\n", 0), 0u) << about.output;
    for (const char* command : {"", "info ", "export ", "renderer ", "about "}) {
        Result help = Run(std::string(command) + "--help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.output.find("Usage:"), std::string::npos) << command << help.output;
    }
}


// Counts the scene's "material" elements by name.
std::map<std::string, int> MaterialNames(const std::string& scene) {
    std::map<std::string, int> names;
    const std::string open = "    <material>\n        <name>";
    for (size_t at = scene.find(open); at != std::string::npos; at = scene.find(open, at + 1)) {
        const size_t begin = at + open.size();
        ++names[scene.substr(begin, scene.find("</name>", begin) - begin)];
    }
    return names;
}

TEST_F(CliTest, ConvertedDocumentExportsOneMaterialPerStandardMaterial) {
    const fs::path before = root_ / "before" / "room.ovs";
    ASSERT_EQ(Run("-q export " + Example() + " -o " + before.string() + " --skip-meshes --renderer /opt/r").status, 0);
    const std::map<std::string, int> unconverted = MaterialNames(Read(root_ / "before" / "room_frame0.ovs"));
    EXPECT_EQ(unconverted.count("Wood"), 0u);
    EXPECT_EQ(unconverted.count("Plaster"), 0u);

    Result converted = Run("-q convert-materials " + Example() + " -o " + (root_ / "converted.json").string());
    ASSERT_EQ(converted.status, 0) << converted.output;
    EXPECT_EQ(converted.output, "Converted 2 standard materials into material helper tags under \"Materials\": "
                                "\"Wood\" \"Plaster\"\nWrote " + (root_ / "converted.json").string() + "\n");
    const fs::path after = root_ / "after" / "room.ovs";
    Result exported = Run("-q export " + (root_ / "converted.json").string() + " -o " + after.string() + " --skip-meshes");
    ASSERT_EQ(exported.status, 0) << exported.output;
    std::map<std::string, int> names = MaterialNames(Read(root_ / "after" / "room_frame0.ovs"));
    EXPECT_EQ(names["Wood"], 1);
    EXPECT_EQ(names["Plaster"], 1);
    // Nothing else changed: the materials the document had before are still there, once each.
    for (const auto& [name, count] : unconverted) EXPECT_EQ(names[name], count) << name;
    EXPECT_EQ(names.size(), unconverted.size() + 2);
}

TEST_F(CliTest, PreviewWritesTheLibraryAndReplacesTheRunScript) {
    const std::string materials = std::string(VEXLOR_SOURCE_DIR) + "/examples/materials.json";
    ASSERT_EQ(Run("-q export " + Example() + " -o " + (root_ / "room.ovs").string() + " --render --renderer /opt/r")
                  .status,
              0);
    Result r = Run("preview " + materials + " --object \"Paper Panel\" --quality draft");
    ASSERT_EQ(r.status, 0) << r.output;
    const size_t named = r.output.find("Preview image (written by the renderer): ");
    ASSERT_NE(named, std::string::npos) << r.output;
    const size_t begin = named + std::string("Preview image (written by the renderer): ").size();
    const fs::path image = r.output.substr(begin, r.output.find('\n', begin) - begin);
    EXPECT_EQ(image.parent_path(), root_ / "plugins" / "preview" / "renders");
    EXPECT_EQ(Read(root_ / "plugins" / "run.cmd"),
              "@echo off\ncd /d \"Z:\\opt\\r\"\nstart /min /belownormal orvane_console.exe \"" +
                  HostPathOf(root_ / "plugins" / "preview" / "preview.ovs") + "\" -o \"" + HostPathOf(image) +
                  "\" -haltspp 75\n");
    const std::string library = Read(root_ / "plugins" / "preview" / "preview.ovm");
    EXPECT_NE(library.find("<name>previewMat</name>\n        <diffuse_transmitter>"), std::string::npos) << library;
    EXPECT_EQ(library.find("Paper"), std::string::npos);
}

}  // namespace
