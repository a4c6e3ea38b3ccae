// Loading documents from JSON text, the quick way (LoadDocument) against the precise way alone
// (the whole text as a tree first, as every document was loaded before the quick way).  The
// documents are made once per size and saved as the command line saves them; the text is in
// memory before the clock starts.  Counters: the document's size and the load's peak memory
// beyond the text (peak_MB).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "bench/bench_scenes.h"
#include "headless/json/document_json.h"

namespace {

enum Kind { kGrid, kObjects };
enum Way { kQuick, kPrecise };

// A grid of side x side quads with UVs, or `count` polygon objects of one quad each.
const std::string& DocumentText(int kind, int32_t size) {
    static std::map<std::pair<int, int32_t>, std::string> made;
    std::string& text = made[{kind, size}];
    if (!text.empty()) return text;
    headless::HeadlessHost host;
    if (kind == kGrid) {
        bench::AddGrid(host, size, false);
    } else {
        bench::AddQuadObjects(host, size);
    }
    text = headless::SaveDocument(*host.Document());
    return text;
}

// range(0): kind, range(1): side or count, range(2): way.
void BM_LoadDocument(benchmark::State& state) {
    const std::string& text = DocumentText(static_cast<int>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const HostFilename folder("C:\\bench");
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = bench::ResetPeakMemory();
        state.ResumeTiming();
        headless::LoadError error;
        std::unique_ptr<headless::HlDocument> document =
            state.range(2) == kQuick
                ? headless::LoadDocument(text, "bench.json", folder, nullptr, error)
                : headless::document_loading::LoadPrecise(text, "bench.json", folder, nullptr, error);
        state.PauseTiming();
        if (!document) state.SkipWithError(error.message.c_str());
        peak = std::max(peak, bench::StatusMegabytes("VmHWM:") - before);
        document.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak;
    state.counters["document_MB"] = static_cast<double>(text.size()) / 1048576.0;
}

BENCHMARK(BM_LoadDocument)
    ->ArgNames({"kind", "size", "way"})
    ->Args({kGrid, 316, kQuick})
    ->Args({kGrid, 316, kPrecise})
    ->Args({kGrid, 1000, kQuick})
    ->Args({kGrid, 1000, kPrecise})
    ->Args({kObjects, 160000, kQuick})
    ->Args({kObjects, 160000, kPrecise})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
