#include "tags/light_presets.h"

#include <tinyxml.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "core/module.h"
#include "core/xml_guard.h"
#include "sdk/host.h"

namespace {

std::optional<HostString> ChildText(const TiXmlElement& parent, const char* name) {
    const TiXmlElement* child = parent.FirstChildElement(name);
    if (!child) return std::nullopt;
    const char* text = child->GetText();
    return HostString(text ? text : "");
}

// A real by the host's text-to-number conversion; a number beyond the range of the host's
// reals (or not finite) is not taken.
std::optional<float> ChildReal(const TiXmlElement& parent, const char* name) {
    const std::optional<HostString> text = ChildText(parent, name);
    if (!text) return std::nullopt;
    const double value = text->ToReal();
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return std::nullopt;
    return static_cast<float>(value);
}

LightPreset ReadPreset(const TiXmlElement& light, const HostString& id) {
    LightPreset preset;
    preset.id = id.ToInt();
    preset.name = ChildText(light, "name");
    preset.specType = ChildText(light, "spec_type");
    preset.temperature = ChildReal(light, "value");
    preset.gain = ChildReal(light, "gain");
    if (const TiXmlElement* scaling = light.FirstChildElement("le_scale")) {
        preset.efficacyScaling = true;
        preset.powerDrawn = ChildReal(*scaling, "power_drawn");
        preset.overallEfficacy = ChildReal(*scaling, "overall_le");
    }
    return preset;
}

// True when the file holds more than `limit` bytes; reads at most a block beyond the limit.
bool LargerThan(HostFile& file, size_t limit) {
    char block[4096];
    for (size_t read = 0; read <= limit; read += sizeof block) {
        if (!file.Read(block, sizeof block)) return false;
    }
    return true;
}

}  // namespace

std::vector<LightPreset> ParseLightPresets(const std::string& text) {
    // The parser recurses per element level and has no defence against broken UTF-8: only
    // plain XML within the limits goes to it.
    const xml_guard::Limits limits{kMaxPresetsBytes, kMaxPresetsNesting, kMaxPresetsAttributes};
    if (XmlTextProblem(text, limits)) return {};
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) return {};
    const TiXmlElement* root = document.FirstChildElement("presets");
    if (!root) return {};
    std::vector<LightPreset> presets;
    // The first "light" and every element after it.
    for (const TiXmlElement* light = root->FirstChildElement("light"); light; light = light->NextSiblingElement()) {
        if (const std::optional<HostString> id = ChildText(*light, "id")) presets.push_back(ReadPreset(*light, *id));
    }
    return presets;
}

std::vector<LightPreset> ReadLightPresets(const HostFilename& file) {
    std::unique_ptr<HostFile> probe = TheHost().OpenFile(file, FileMode::kRead);
    if (!probe || LargerThan(*probe, kMaxPresetsBytes)) return {};
    probe.reset();
    std::string bytes;
    std::unique_ptr<HostFile> in = TheHost().OpenFile(file, FileMode::kRead);
    if (!in || !in->ReadAll(bytes)) return {};
    return ParseLightPresets(bytes);
}

HostFilename LightPresetsFile() {
    return module::PluginDirectory() + HostFilename("presets") + HostFilename("LightPresets.xml");
}

PresetCycle BuildPresetCycle(const std::vector<LightPreset>& presets) {
    PresetCycle cycle = {{kNoPreset, "- NONE -"}};
    std::unordered_map<int32_t, size_t> entryOf;
    for (const LightPreset& preset : presets) {
        if (!preset.name || preset.id == kNoPreset) continue;
        auto [entry, added] = entryOf.emplace(preset.id, cycle.size());
        if (added) cycle.emplace_back(preset.id, *preset.name);
        else cycle[entry->second].second = *preset.name;
    }
    return cycle;
}

const LightPreset* FindPreset(const std::vector<LightPreset>& presets, int32_t id) {
    for (const LightPreset& preset : presets) {
        if (preset.id == id) return &preset;
    }
    return nullptr;
}
