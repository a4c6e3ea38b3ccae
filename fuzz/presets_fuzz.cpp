// Feeds arbitrary bytes to the light presets reader: it gives presets or none, and never
// crashes, overruns or hangs, whatever the nesting, size or numbers of the text.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "tags/light_presets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<LightPreset> presets = ParseLightPresets(text);
    if (presets.size() > size) __builtin_trap();  // every preset takes bytes of its own

    const PresetCycle cycle = BuildPresetCycle(presets);
    if (cycle.empty() || cycle.front().first != kNoPreset || cycle.front().second.Str() != "- NONE -") __builtin_trap();
    std::set<int32_t> ids;
    for (const auto& [id, label] : cycle) {
        if (!ids.insert(id).second) __builtin_trap();  // one entry per id
        if (id != kNoPreset && FindPreset(presets, id) == nullptr) __builtin_trap();
    }
    for (const LightPreset& preset : presets) {
        const LightPreset* first = FindPreset(presets, preset.id);
        if (first == nullptr || first->id != preset.id) __builtin_trap();
    }
    return 0;
}
