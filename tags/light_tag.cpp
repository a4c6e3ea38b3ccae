#include "tags/light_tag.h"

#include <vector>

#include "core/ids.h"
#include "tags/light_presets.h"

using namespace light_param;

const ParamTable& MyLightTag::Defaults() {
    static const ParamTable table = {
        Int(kSpectrum, kColour), Real(kPeakMin, 300), Real(kPeakWidth, 550), Real(kBaseValue, 0), Real(kPeakValue, 200),
        Vec(kColourValue, 1, 1, 1), Real(kGamma, 2.2), Real(kTemperature, 6500), Real(kBlackbodyGain, 1),
        Real(kUniformValue, 1), Bool(kIesOn, false), File(kIesFile, ""), Bool(kEfficacyOn, false),
        Real(kPowerDrawn, 95), Real(kEfficacy, 14),
    };
    return table;
}

bool MyLightTag::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

namespace {

// Replaces the selector's entry with a cycle of the presets in the presets file.
bool RebuildPresetSelector(HostNode& node, Description& description) {
    HostString label = description.GetLabel(kPreset);
    if (label.IsEmpty()) label = "blarr";
    const int32_t chosen = node.Data().Get<int32_t>(kPreset, kNoPreset);
    const PresetCycle cycle = BuildPresetCycle(ReadLightPresets(LightPresetsFile()));
    if (!description.SetCycleEntry(kPreset, label, cycle, kMainGroup)) return false;
    node.Data().Set<int32_t>(kPreset, chosen);
    return true;
}

}  // namespace

void ApplyLightTagVisibility(const ParamContainer& data, Description& description) {
    struct SpectrumGroup {
        int32_t kind;
        int32_t group;
    };
    static constexpr SpectrumGroup kGroups[] = {
        {kPeak, kPeakGroup}, {kColour, kColourGroup}, {kBlackbody, kBlackbodyGroup}, {kUniform, kUniformGroup}};
    const int32_t spectrum = data.Get<int32_t>(kSpectrum, kColour);
    if (spectrum >= kPeak && spectrum <= kUniform) {
        for (const SpectrumGroup& entry : kGroups) description.SetHidden(entry.group, entry.kind != spectrum);
    }
    const bool ies = data.Get<bool>(kIesOn, false);
    description.SetHidden(kIesFile, !ies);
    description.SetHidden(kEfficacyOn, ies);
    description.SetHidden(kEfficacyGroup, ies || !data.Get<bool>(kEfficacyOn, false));
}

bool MyLightTag::GetDDescription(HostNode* node, Description* description, int32_t& flags) {
    if (!node || !description || !description->LoadDescription(plugin_id::kLightTag)) return false;
    if (description->HasEntry(kPreset) && !RebuildPresetSelector(*node, *description)) return false;
    ApplyLightTagVisibility(node->Data(), *description);
    flags |= kDescriptionLoaded;
    return true;
}

void ApplyLightPreset(const LightPreset& preset, ParamContainer& data) {
    if (!preset.specType || preset.specType->Str() != "blackbody") return;
    data.Set<int32_t>(kSpectrum, kBlackbody);
    if (preset.temperature) data.Set<float>(kTemperature, *preset.temperature);
    if (preset.gain) data.Set<float>(kBlackbodyGain, *preset.gain);
    data.Set<bool>(kEfficacyOn, preset.efficacyScaling);
    if (preset.powerDrawn) data.Set<float>(kPowerDrawn, *preset.powerDrawn);
    if (preset.overallEfficacy) data.Set<float>(kEfficacy, *preset.overallEfficacy);
}

bool MyLightTag::SetDParameter(HostNode* node, int32_t id, const ParamValue& value, int32_t& /*flags*/) {
    if (!node) return true;
    ParamContainer& data = node->Data();
    if (id != kPreset) {
        data.Set<int32_t>(kPreset, kNoPreset);  // an edit by hand leaves the chosen preset
        return true;
    }
    data.SetValue(kPreset, value);
    const int32_t chosen = data.Get<int32_t>(kPreset, kNoPreset);
    if (chosen == kNoPreset) return true;
    const std::vector<LightPreset> presets = ReadLightPresets(LightPresetsFile());
    if (const LightPreset* preset = FindPreset(presets, chosen)) ApplyLightPreset(*preset, data);
    return true;
}
