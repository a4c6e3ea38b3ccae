// A whole export of many small polygon objects and as many instances of them: the time must
// grow linearly with the object count.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "export/frame_loop.h"
#include "headless/host/host.h"

namespace {

void BuildScene(headless::HeadlessHost& host, int objects) {
    auto document = std::make_unique<headless::HlDocument>(&host.Registry());
    std::vector<HostObject*> sources;
    for (int i = 0; i < objects; ++i) {
        auto object = std::make_unique<headless::HlObject>(host_type::kPolygonObject, &host.Registry());
        object->SetName("Part " + std::to_string(i));
        object->SetGeometry({{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 2, 3}});
        object->SetPRS({static_cast<float>(i), 0, 0}, {}, {1, 1, 1});
        sources.push_back(object.get());
        document->InsertObject(std::move(object), nullptr, nullptr);
    }
    for (int i = 0; i < objects; ++i) {
        auto instance = std::make_unique<headless::HlObject>(host_type::kInstance, &host.Registry());
        instance->SetName("Copy " + std::to_string(i));
        instance->Data().Set(host_param::kInstanceLink, sources[static_cast<size_t>(i)]->GetLink());
        instance->SetPRS({0, static_cast<float>(i), 0}, {}, {1, 1, 1});
        document->InsertObject(std::move(instance), nullptr, nullptr);
    }
    host.SetDocument(std::move(document));
}

void ExportManyObjects(benchmark::State& state, bool skipMeshFiles) {
    const int objects = static_cast<int>(state.range(0));
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    BuildScene(host, objects);
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "vexlor-bench-geometry";
    std::filesystem::create_directories(directory);
    const HostFilename scene = host.Files().ToHost((directory / "many.ovs").string());
    ExportOptions options;
    options.skipMeshFiles = skipMeshFiles;
    for (auto _ : state) {
        host.ClearRecords();
        ExportResult result = ExportFrames(*host.Document(), scene, options);
        benchmark::DoNotOptimize(result);
    }
    state.SetComplexityN(objects);
    state.counters["objects"] = 2.0 * objects;
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
    std::filesystem::remove_all(directory);
}

void BM_ExportSceneOnly(benchmark::State& state) { ExportManyObjects(state, true); }
void BM_ExportWithMeshFiles(benchmark::State& state) { ExportManyObjects(state, false); }

BENCHMARK(BM_ExportSceneOnly)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_ExportWithMeshFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
