// Meshes whose export cannot fit the address space (or the 32-bit corner indices) are refused,
// exactly at the limit, with the object's name and the reason on the console.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mesh/mesh_size.h"
#include "mesh/obj_mesh_writer.h"
#include "tests/support/module_fixture.h"

namespace {

constexpr uint64_t kTwoGiB = (uint64_t{1} << 31) - 1;  // what a 32-bit system can address

struct SizeCase {
    const char* name;
    MeshCounts counts;
    uint64_t limit;
    bool refused;
};

TEST(MeshSize, RefusesWhatPassesTheLimitOrTheCornerIndices) {
    const MeshCounts wedge{6, 2, true, true};
    const uint64_t wedgeBytes = MeshExportBytes(wedge);
    const SizeCase cases[] = {
        {"at the limit", wedge, wedgeBytes, false},
        {"one byte over", wedge, wedgeBytes - 1, true},
        // What a 32-bit system can take: a million polygons with normals, merged, fit; ten
        // million do not, nor a hundred million without normals or merging.
        {"a million", {1000000, 1000000, true, true}, kTwoGiB, false},
        {"ten million", {10000000, 10000000, true, true}, kTwoGiB, true},
        {"a hundred million, bare", {100000000, 100000000, false, false}, kTwoGiB, true},
        {"most polygons", {4, kMaxMeshPolygons, false, false}, UINT64_MAX, false},
        {"past the corner indices", {4, kMaxMeshPolygons + 1, false, false}, UINT64_MAX, true},
    };
    for (const SizeCase& c : cases) {
        EXPECT_EQ(MeshSizeProblem(c.counts, c.limit).has_value(), c.refused) << c.name;
    }
    EXPECT_EQ(MeshSizeProblem(wedge, wedgeBytes - 1),
              "its 6 points and 2 polygons need " + std::to_string(wedgeBytes) + " bytes to export, more than the " +
                  std::to_string(wedgeBytes - 1) + " this system can address");
    EXPECT_EQ(MeshSizeProblem({4, kMaxMeshPolygons + 1, false, false}),
              "its 1073741824 polygons have more corners than 32-bit indices can number");
}

class MeshRefusal : public testing_support::ModuleTest {};

TEST_F(MeshRefusal, AMeshPastTheLimitIsReportedAndLeavesTheFileThatWasThere) {
    LoadDocument(testing_support::ReadText(testing_support::SourcePath("tests/data/golden/mesh/smoothing.json")));
    HostObject* wedge = host_.Document()->SearchObject("Wedge");
    ASSERT_NE(wedge, nullptr);
    std::filesystem::create_directories(NativePath("models.room"));
    { std::ofstream(NativePath("models.room/mesh.obj")) << "the previous export"; }
    const uint64_t needed = MeshExportBytes({6, 2, true, false});

    ObjMeshWriter writer;
    writer.SetAddressLimit(needed - 1);
    EXPECT_EQ(writer.WriteMesh(host_.Document(), HostPath("models.room"), "mesh.obj", wedge, false), 0);
    EXPECT_EQ(host_.Console(), std::vector<std::string>{
                                   "* Error: the mesh file could not be written: " +
                                   HostPath("models.room/mesh.obj").Str() + " (object \"Wedge\": its 6 points and 2 "
                                   "polygons need " + std::to_string(needed) + " bytes to export, more than the " +
                                   std::to_string(needed - 1) + " this system can address)"});
    EXPECT_EQ(testing_support::ReadText(NativePath("models.room/mesh.obj")), "the previous export");

    writer.SetAddressLimit(needed);
    EXPECT_EQ(writer.WriteMesh(host_.Document(), HostPath("models.room"), "mesh.obj", wedge, false), 1);
    EXPECT_NE(testing_support::ReadText(NativePath("models.room/mesh.obj")).find("\nvn "), std::string::npos);
}

}  // namespace
