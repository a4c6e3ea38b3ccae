// Mesh files of large polygon objects: grids of quads with a UV tag, a smoothing tag and a
// texture tag, written with and without merging.  Figures: time, OBJ text per second, the
// export's peak memory beside the mesh's own size.  bench/README.md holds the figures.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_scenes.h"
#include "headless/host/host.h"
#include "mesh/corner_merge.h"
#include "mesh/obj_mesh.h"
#include "mesh/obj_mesh_writer.h"

namespace {

using bench::AddGrid;
using bench::ResetPeakMemory;
using bench::StatusMegabytes;

// Arguments: grid side, merging (0/1), threads that may merge corners, waved (0/1).
void BM_WriteMesh(benchmark::State& state) {
    const auto side = static_cast<int32_t>(state.range(0));
    const bool merge = state.range(1) != 0;
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    HostObject* grid = AddGrid(host, side, state.range(3) != 0);
    // One directory per process: runs of two builds side by side do not share the file.
    const std::filesystem::path directory = "/dev/shm/vexlor-bench-mesh-" + std::to_string(getpid());
    const HostFilename hostDirectory = host.Files().ToHost(directory.string());
    double peak = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = ResetPeakMemory();
        state.ResumeTiming();
        ObjMeshWriter writer;
        writer.SetThreads(static_cast<int32_t>(state.range(2)));
        if (!writer.WriteMesh(host.Document(), hostDirectory, "grid.obj", grid, merge)) state.SkipWithError("not written");
        state.PauseTiming();
        peak = std::max(peak, StatusMegabytes("VmHWM:") - before);
        bytes = std::filesystem::file_size(directory / "grid.obj");
        host.ClearRecords();
        state.ResumeTiming();
    }
    const double polygons = static_cast<double>(grid->GetPolygonCount());
    const double meshBytes = static_cast<double>(grid->GetPointCount()) * sizeof(Vector) +
                             polygons * (sizeof(CPolygon) + sizeof(UvwCorners));
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["quads"] = polygons;
    state.counters["file_MB"] = static_cast<double>(bytes) / 1048576.0;
    state.counters["mesh_MB"] = meshBytes / 1048576.0;
    state.counters["peak_MB"] = peak;
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
    std::filesystem::remove_all(directory);
}

// The host's share: its corner normals and its UV projection for the same grids.
void BM_HostCornerNormals(benchmark::State& state) {
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    HostObject* grid = AddGrid(host, static_cast<int32_t>(state.range(0)), true);
    for (auto _ : state) benchmark::DoNotOptimize(grid->CreateCornerNormals());
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
}

void BM_HostUvProjection(benchmark::State& state) {
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    HostObject* grid = AddGrid(host, static_cast<int32_t>(state.range(0)), true);
    HostTag* texture = grid->GetTag(host_type::kTextureTag);
    for (auto _ : state) {
        auto uvSet = host.AllocTag(host_type::kUvTag, grid->GetPolygonCount());
        benchmark::DoNotOptimize(host.GenerateUvw(*grid, grid->GetMg(), *texture, grid->GetMg(), nullptr));
    }
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
}

// The merge alone, on the waved grid's unit corner normals and its texture coordinates.
void BM_MergeCorners(benchmark::State& state) {
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    HostObject* grid = AddGrid(host, static_cast<int32_t>(state.range(0)), true);
    const std::span<const CPolygon> polygons(grid->GetPolygons(), static_cast<size_t>(grid->GetPolygonCount()));
    const auto points = static_cast<size_t>(grid->GetPointCount());
    if (state.range(1) == 0) {
        std::vector<Vector> normals = grid->CreateCornerNormals();
        for (Vector& n : normals) n = UnitCornerNormal(n);
        for (auto _ : state) benchmark::DoNotOptimize(MergeCorners(normals, polygons, points));
    } else {
        const HostTag* uv = grid->GetTag(host_type::kUvTag);
        std::vector<Uv> uvs;
        for (int32_t i = 0; i < grid->GetPolygonCount(); ++i) {
            const UvwCorners c = uv->GetUvw(i);
            for (const Vector& corner : {c.a, c.b, c.c, c.d}) uvs.push_back({corner.x, 1.0f - corner.y});
        }
        for (auto _ : state) benchmark::DoNotOptimize(MergeCorners(uvs, polygons, points));
    }
    state.counters["corners"] = benchmark::Counter(4.0 * static_cast<double>(polygons.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
}

// Sides 100, 316 and 1000: 10 thousand, about 100 thousand and 1 million quads.
void Grids(benchmark::internal::Benchmark* b) {
    for (const int64_t waved : {0, 1}) {
        for (const int64_t merge : {1, 0}) {
            for (const int64_t threads : {1, 2}) {
                for (const int64_t side : {100, 316, 1000}) b->Args({side, merge, threads, waved});
            }
        }
    }
}

BENCHMARK(BM_WriteMesh)->Apply(Grids)->ArgNames({"side", "merge", "threads", "waved"})->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_MergeCorners)->ArgsProduct({{316, 1000}, {0, 1}})->ArgNames({"side", "uv"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostCornerNormals)->Arg(316)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostUvProjection)->Arg(316)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

// bench/*.cpp make one binary; the entry point is weak so that any other file may bring its own.
//
// VEXLOR_BENCH_COLD_MEMORY=1 fixes the allocator's mmap threshold at 1 MiB, so that every large
// buffer of every export comes fresh from the system, whatever the mesh size.  By default glibc
// raises the threshold after the first large free, and then a 100-thousand-quad export reuses
// warm heap pages (its buffers are below 32 MiB) while a million-quad one pays for fresh pages.
__attribute__((weak)) int main(int argc, char** argv) {
    if (const char* cold = std::getenv("VEXLOR_BENCH_COLD_MEMORY"); cold && std::string(cold) == "1") {
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
