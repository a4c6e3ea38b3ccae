// A whole export of a chain of blends: each blend tag's component A is the material of the
// next tag, so the first tag's material needs all the others before it.  The time must grow
// linearly with the length of the chain.  bench/README.md holds the figures.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/ids.h"
#include "export/frame_loop.h"
#include "headless/host/host.h"
#include "tags/material_helper.h"

namespace {

// `links` null objects, each with a blend helper tag: tag i links material i and, as its
// component A, material i + 1 (the last tag's A is empty).  Tag 0 comes first in the
// document, so its export walks the whole chain.
void BuildBlendChain(headless::HeadlessHost& host, int links) {
    auto document = std::make_unique<headless::HlDocument>(&host.Registry());
    std::vector<HostMaterial*> materials;
    for (int i = 0; i < links; ++i) {
        std::unique_ptr<HostMaterial> material = host.AllocMaterial(host_type::kStandardMaterial);
        material->SetName("Blend " + std::to_string(i));
        materials.push_back(material.get());
        document->InsertMaterial(std::move(material), materials.size() > 1 ? materials[materials.size() - 2] : nullptr);
    }
    HostObject* last = nullptr;
    for (int i = 0; i < links; ++i) {
        auto object = std::make_unique<headless::HlObject>(host_type::kNull, &host.Registry());
        object->SetName("Holder " + std::to_string(i));
        HostObject* placed = object.get();
        document->InsertObject(std::move(object), nullptr, last);
        last = placed;
        HostTag* tag = placed->MakeTag(plugin_id::kMaterialHelper);
        tag->Data().Set<int32_t>(helper_param::kType, material_type::kBlend);
        tag->Data().Set<HostLink>(helper_param::kMaterial, materials[static_cast<size_t>(i)]->GetLink());
        if (i + 1 < links) {
            tag->Data().Set<HostLink>(helper_param::kBlendA, materials[static_cast<size_t>(i) + 1]->GetLink());
        }
    }
    host.SetDocument(std::move(document));
}

void BM_ExportBlendChain(benchmark::State& state) {
    const int links = static_cast<int>(state.range(0));
    headless::HeadlessHost host;
    SetHostRecord(host.Record());
    headless::PluginEntry helper;
    helper.kind = headless::PluginKind::kTag;
    helper.id = plugin_id::kMaterialHelper;
    helper.tagAllocator = MyMaterialHelper::Alloc;
    host.Registry().Add(std::move(helper));
    BuildBlendChain(host, links);
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "vexlor-bench-material";
    std::filesystem::create_directories(directory);
    const HostFilename scene = host.Files().ToHost((directory / "chain.ovs").string());
    ExportOptions options;
    options.skipMeshFiles = true;
    for (auto _ : state) {
        host.ClearRecords();
        ExportResult result = ExportFrames(*host.Document(), scene, options);
        if (result.framesWritten != 1) state.SkipWithError("the export failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetComplexityN(links);
    state.counters["links"] = links;
    host.SetDocument(nullptr);
    SetHostRecord(nullptr);
    std::filesystem::remove_all(directory);
}

// The export runs on the host's worker thread: wall time, not this thread's CPU time.
BENCHMARK(BM_ExportBlendChain)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Complexity();

}  // namespace
