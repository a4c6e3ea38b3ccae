#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mesh/obj_mesh_writer.h"
#include "tests/support/golden.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ExpectMatchesGolden;
using testing_support::ModuleTest;
using testing_support::ReadText;
using testing_support::SourcePath;

class MeshWriter : public ModuleTest {
protected:
    HostObject* LoadObject(const std::string& documentFile, const char* objectName) {
        LoadDocument(ReadText(SourcePath("tests/data/golden/mesh/" + documentFile)));
        HostObject* object = host_.Document()->SearchObject(objectName);
        EXPECT_NE(object, nullptr) << objectName;
        return object;
    }
    int32_t Write(HostObject* object, bool merge, const char* fileName = "mesh.obj") {
        ObjMeshWriter writer;
        return writer.WriteMesh(host_.Document(), HostPath("models.room"), fileName, object, merge);
    }
    std::string Written(const char* fileName = "mesh.obj") const {
        return ReadText(NativePath(std::string("models.room/") + fileName));
    }
};

struct GoldenCase {
    const char* document;
    const char* object;
    bool merge;
    const char* golden;
};

void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.document << (c.merge ? " merged" : ""); }

class MeshGolden : public MeshWriter, public testing::WithParamInterface<GoldenCase> {};

TEST_P(MeshGolden, FileMatchesByteForByte) {
    const GoldenCase& c = GetParam();
    HostObject* object = LoadObject(c.document, c.object);
    ASSERT_EQ(Write(object, c.merge), 1);
    ExpectMatchesGolden(Written(), std::string("mesh/") + c.golden);
}

INSTANTIATE_TEST_SUITE_P(
    MeshDocuments, MeshGolden,
    testing::Values(
        // A quad and a triangle, no smoothing tag: v/vt faces; the point (1, 2, 3); -0 as printf writes it.
        GoldenCase{"quad_triangle.json", "Wedge", false, "quad_triangle.obj"},
        // With a smoothing tag: a "vn" block and v/vt/vn faces.
        GoldenCase{"smoothing.json", "Wedge", false, "smoothing.obj"},
        // Selection groups with their texture tags ("Red Metal" sanitised, a restriction that
        // matches nothing, a tag without material, the default tag on the parent), overlapping
        // selections, the empty rest group.
        GoldenCase{"selections.json", "Strip", true, "selections.obj"},
        // Offset and length of texture tags, a length of 0.
        GoldenCase{"tiling.json", "Tiled", false, "tiling.obj"},
        // A UV tag without a texture tag: one coordinate (0, 1) when merged.
        GoldenCase{"no_texture_tag.json", "Bare", true, "no_texture_tag.obj"},
        // A flat plane: one normal and the grid's coordinates when merged; every corner its own when not.
        GoldenCase{"plane.json", "Plane", true, "plane_merged.obj"},
        GoldenCase{"plane.json", "Plane", false, "plane_unmerged.obj"},
        // A collapsed triangle: its normal is degenerate and written as 1, 0, 0.
        GoldenCase{"degenerate.json", "Collapsed", true, "degenerate.obj"}),
    [](const testing::TestParamInfo<GoldenCase>& info) {
        const std::string golden = info.param.golden;
        return golden.substr(0, golden.find('.'));
    });

}  // namespace

namespace {

TEST_F(MeshWriter, ReportsStagesOnTheStatusBarAndTheTimeOnTheConsole) {
    HostObject* object = LoadObject("smoothing.json", "Wedge");
    std::vector<int64_t> readings = {1000, 2500};
    size_t next = 0;
    host_.SetFakeTimer([&] { return readings[std::min(next++, readings.size() - 1)]; });
    ASSERT_EQ(Write(object, false), 1);

    using Kind = headless::StatusEvent::Kind;
    std::vector<std::string> status;
    for (const headless::StatusEvent& event : host_.Status()) {
        status.push_back(event.kind == Kind::kText ? event.text : std::to_string(event.percent) + "%");
    }
    const std::vector<std::string> expected = {
        "Exporting mesh \"Wedge\"(vertices), 2 Polygons", "0%",  "Exporting mesh \"Wedge\"(uv's), 2 Polygons",
        "10%", "Exporting mesh \"Wedge\"(normals), 2 Polygons", "40%", "Exporting mesh \"Wedge\"(facets), 2 Polygons",
        "70%", "100%"};
    EXPECT_EQ(status, expected);
    EXPECT_EQ(host_.Console(), std::vector<std::string>{"Exported mesh: Wedge, 2 Polygons. Export Time: 1.50s"});
}

TEST_F(MeshWriter, UnwritableFileIsReportedAndLeavesNothingBehind) {
    HostObject* object = LoadObject("quad_triangle.json", "Wedge");
    // A file where the directory should be: the directory cannot be made, the file not opened.
    std::filesystem::create_directories(NativePath("scene"));
    { std::ofstream(NativePath("scene/models.room")) << "a file"; }
    ObjMeshWriter writer;
    const HostFilename directory = HostPath("scene/models.room");
    EXPECT_EQ(writer.WriteMesh(host_.Document(), directory, "Wedge.obj", object, false), 0);
    EXPECT_EQ(host_.Console(), std::vector<std::string>{"* Error: the mesh file could not be written: " +
                                                        (directory + HostFilename("Wedge.obj")).Str()});
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath("scene"))) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"models.room"});
    EXPECT_EQ(ReadText(NativePath("scene/models.room")), "a file");
}

TEST_F(MeshWriter, NullObjectWritesNothing) {
    LoadDocument("{}");
    EXPECT_EQ(Write(nullptr, true), 0);
    EXPECT_TRUE(host_.Console().empty());
    EXPECT_FALSE(std::filesystem::exists(NativePath("models.room/mesh.obj")));
}

// The object's name is written whole; the material's is cut as the scene cuts it.
TEST_F(MeshWriter, LongNames) {
    const std::string objectName(200000, 'n');
    std::string materialName;
    for (int i = 0; i < 30000; ++i) materialName += "ab ";
    LoadDocument(R"({"materials": [{"name": ")" + materialName + R"("}], "objects": [{"type": "polygon", "name": ")" +
                 objectName + R"(", "points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0,1,2]],
                 "tags": [{"type": "texture", "material": ")" + materialName + R"("}]}]})");
    ASSERT_EQ(Write(host_.Document()->GetFirstObject(), false), 1);
    std::string sanitised = materialName;
    std::replace(sanitised.begin(), sanitised.end(), ' ', '_');
    sanitised.resize(1999);
    const std::string text = Written();
    EXPECT_NE(text.find("\ng " + objectName + "\n\nv "), std::string::npos);
    EXPECT_NE(text.find("\nusemtl " + sanitised + "\nf 3/3 2/2 1/1\n# 1 faces\n\n"), std::string::npos);
}

// A grid of quads large enough that its texture coordinates are merged on a second thread.
HostObject* AddGrid(HostDocument& document, int32_t side) {
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    for (int32_t z = 0; z <= side; ++z) {
        for (int32_t x = 0; x <= side; ++x) points.push_back({x * 0.37f, 0.01f * static_cast<float>(x * z % 7), -z * 0.11f});
    }
    for (int32_t z = 0; z < side; ++z) {
        for (int32_t x = 0; x < side; ++x) {
            const int32_t a = z * (side + 1) + x;
            polygons.push_back({a, a + side + 1, a + side + 2, a + 1});
        }
    }
    std::unique_ptr<HostObject> object = TheHost().AllocObject(host_type::kPolygonObject);
    object->SetName("Grid");
    object->SetGeometry(points, polygons);
    HostTag* uv = object->MakeTag(host_type::kUvTag);
    for (int32_t i = 0; i < static_cast<int32_t>(polygons.size()); ++i) {
        const CPolygon& p = polygons[static_cast<size_t>(i)];
        auto at = [&](int32_t point) { return Vector{points[point].x, points[point].z, 0}; };
        uv->SetUvw(i, {at(p.a), at(p.b), at(p.c), at(p.d)});
    }
    object->MakeTag(host_type::kSmoothingTag);
    std::unique_ptr<HostMaterial> material = TheHost().AllocMaterial(host_type::kStandardMaterial);
    material->SetName("Ground");
    object->MakeTag(host_type::kTextureTag)->SetMaterial(material.get());
    document.InsertMaterial(std::move(material));
    HostObject* added = object.get();
    document.InsertObject(std::move(object), nullptr, nullptr);
    return added;
}

// Large enough that the texture coordinates are merged on a second thread beside the normals.
TEST_F(MeshWriter, TwoThreadsWriteTheSameBytesAsOne) {
    LoadDocument("{}");
    constexpr int32_t kSide = 130;
    HostObject* grid = AddGrid(*host_.Document(), kSide);
    for (bool merge : {false, true}) {
        std::string texts[2];
        for (int32_t threads : {1, 2}) {
            ObjMeshWriter writer;
            writer.SetThreads(threads);
            ASSERT_EQ(writer.WriteMesh(host_.Document(), HostPath("models.room"), "grid.obj", grid, merge), 1);
            texts[threads - 1] = Written("grid.obj");
        }
        EXPECT_EQ(texts[0], texts[1]) << "merge " << merge;
        size_t vtLines = 0;
        size_t vnLines = 0;
        for (size_t at = texts[0].find("\nvt "); at != std::string::npos; at = texts[0].find("\nvt ", at + 1)) ++vtLines;
        for (size_t at = texts[0].find("\nvn "); at != std::string::npos; at = texts[0].find("\nvn ", at + 1)) ++vnLines;
        EXPECT_EQ(vtLines, merge ? (kSide + 1u) * (kSide + 1u) : 4u * kSide * kSide);
        if (merge) EXPECT_LT(vnLines, 4u * kSide * kSide);
        else EXPECT_EQ(vnLines, 4u * kSide * kSide);
    }
}

#ifndef _WIN32  // a write made to fail by a file-size limit: Windows has no such limit
// Writes past a file-size limit fail: the mesh file's text breaks off on the way.
TEST_F(MeshWriter, FailedWriteKeepsTheFileThatWasThereAndIsReported) {
    LoadDocument("{}");
    HostObject* grid = AddGrid(*host_.Document(), 120);  // about 2.5 MB of text
    std::filesystem::create_directories(NativePath("models.room"));
    { std::ofstream(NativePath("models.room/grid.obj")) << "the previous export"; }

    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit limit = before;
    limit.rlim_cur = 1 << 20;
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    ObjMeshWriter writer;
    const int32_t result = writer.WriteMesh(host_.Document(), HostPath("models.room"), "grid.obj", grid, false);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(host_.Console(), std::vector<std::string>{"* Error: the mesh file could not be written: " +
                                                        HostPath("models.room/grid.obj").Str()});
    EXPECT_EQ(Written("grid.obj"), "the previous export");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(NativePath("models.room")),
                            std::filesystem::directory_iterator()),
              1);
}
#endif

class FailingFile final : public HostFile {
public:
    bool Write(const void*, size_t) override { return ++writes_ > 1 ? false : true; }
    bool Read(void*, size_t) override { return false; }
    bool ReadAll(std::string&) override { return false; }
    bool WriteString(const HostString&) override { return false; }
    bool ReadString(HostString&) override { return false; }
    bool Close() override { return true; }

private:
    int writes_ = 0;
};

TEST(MeshTextWriter, AFailedBlockWriteFailsTheFile) {
    FailingFile file;
    ObjTextWriter text(file);
    std::vector<Vector> points(20000, Vector{1, 2, 3});  // well over two blocks
    text.Vertices(points);
    EXPECT_FALSE(text.Finish());
}

}  // namespace
