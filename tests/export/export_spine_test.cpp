#include <gtest/gtest.h>

#include <filesystem>

#include "export/export_xml.h"
#include "export/frame_loop.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ExpectMatchesGolden;
using testing_support::ModuleTest;
using testing_support::ReadText;
using testing_support::SourcePath;

class ExportSpine : public ModuleTest {
protected:
    ExportResult Export(const ExportOptions& options = {}) {
        return ExportFrames(*host_.Document(), HostPath("room.ovs"), options);
    }
};

TEST_F(ExportSpine, WritesTheSceneFileOfTheCurrentFrame) {
    LoadDocument(R"({"fps": 25, "frame": 0, "objects": []})");
    ExportResult result = Export();
    EXPECT_EQ(result.framesWritten, 1);
    ExpectMatchesGolden(ReadText(NativePath("room_frame0.ovs")), "spine/room_frame0.ovs");
    EXPECT_FALSE(std::filesystem::exists(NativePath("room.ovs")));
}

TEST_F(ExportSpine, ForegroundAlphaOptionIsTheFirstKey) {
    LoadDocument(R"({"objects": []})");
    ExportOptions options;
    options.foregroundAlpha = true;
    Export(options);
    EXPECT_NE(ReadText(NativePath("room_frame0.ovs")).find("<render_foreground_alpha>true</render_foreground_alpha>"),
              std::string::npos);
}

TEST_F(ExportSpine, FrameRangeWritesOneFilePerFrameAndRestoresTheTime) {
    headless::HlDocument& document = LoadDocument(R"({"fps": 30, "frame": 7, "objects": []})");
    const double before = document.GetTime();
    ExportOptions options;
    options.useFrameRange = true;
    options.firstFrame = 3;
    options.lastFrame = 5;
    ExportResult result = Export(options);
    EXPECT_EQ(result.framesWritten, 3);
    std::vector<std::string> exported;
    for (const std::string& line : host_.Console()) {
        if (line.rfind("* Scene Exported to: ", 0) == 0) exported.push_back(line.substr(21));
    }
    ASSERT_EQ(exported.size(), 3u);
    for (int frame = 3; frame <= 5; ++frame) {
        const std::string name = "room_frame" + std::to_string(frame) + ".ovs";
        EXPECT_TRUE(std::filesystem::exists(NativePath(name))) << name;
        EXPECT_EQ(exported[static_cast<size_t>(frame - 3)], HostPath(name).Str());
    }
    EXPECT_EQ(document.GetTime(), before);
}

TEST_F(ExportSpine, ReversedRangeExportsNothing) {
    LoadDocument(R"({"objects": []})");
    ExportOptions options;
    options.useFrameRange = true;
    options.firstFrame = 5;
    options.lastFrame = 4;
    EXPECT_EQ(Export(options).framesWritten, 0);
    for (const auto& entry : std::filesystem::directory_iterator(scratch_)) {
        EXPECT_NE(entry.path().extension(), ".ovs") << entry.path();
    }
}

TEST_F(ExportSpine, ConsoleFramesTheExportAndReportsMinutes) {
    LoadDocument(R"({"objects": []})");
    int64_t now = 0;
    host_.SetFakeTimer([&now] {
        const int64_t value = now;
        now += 90000;  // every reading 90 s later than the one before
        return value;
    });
    Export();
    const std::vector<std::string> expected = {
        "--------------------",
        "* Starting OVS export...",
        "-Exported Render Settings, Camera, Lightning, Tonemapping",
        "* Scene Exported to: " + HostPath("room_frame0.ovs").Str(),
        "Export Time: 1.50m",
        "--------------------",
    };
    EXPECT_EQ(host_.Console(), expected);
}

TEST_F(ExportSpine, UnwritableSceneFileIsReportedAndLeavesNoFile) {
    LoadDocument(R"({"objects": []})");
    const HostFilename missingDirectory = HostPath("missing/room.ovs");
    ExportResult result = ExportFrames(*host_.Document(), missingDirectory, {});
    EXPECT_EQ(result.framesWritten, 0);
    EXPECT_EQ(result.framesFailed, 1);
    EXPECT_FALSE(result.Ok());
    EXPECT_NE(ConsoleText().find("* Error: the scene file could not be written: " +
                                 HostPath("missing/room_frame0.ovs").Str()),
              std::string::npos);
    EXPECT_EQ(ConsoleText().find("* Scene Exported to: "), std::string::npos);
}

TEST_F(ExportSpine, GeneratorsAreConvertedForTheExportAndRestoredAfterwards) {
    headless::HlDocument& document = LoadDocument(R"({"objects": [
        {"type": "null", "name": "Group", "children": [{"type": "cube", "name": "Box"}]},
        {"type": "sphere", "name": "Ball"}]})");
    const std::string before = headless::SaveDocument(document);
    HostObject* box = document.SearchObject("Box");

    ExportXML worker;
    worker.Configure(&document, HostPath("room.ovs"), {});
    document.StartUndo();
    worker.PrepareGeometry(document.GetFirstObject());
    document.EndUndo();
    HostObject* converted = document.SearchObject("Box");
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted->GetType(), host_type::kPolygonObject);
    EXPECT_GT(converted->GetPolygonCount(), 0);
    EXPECT_EQ(document.SearchObject("Ball")->GetType(), host_type::kSphere);  // spheres stay spheres
    document.DoUndo();
    EXPECT_EQ(document.SearchObject("Box"), box);
    EXPECT_EQ(headless::SaveDocument(document), before);
}

}  // namespace
