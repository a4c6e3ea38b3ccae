// The light presets file: lamp types whose emission the light tag's preset selector copies
// into the tag.  The file is "LightPresets.xml" in the "presets" folder of the module's
// directory:
//
//   <presets>
//     <light>
//       <id>3</id> <name>Halogen</name>
//       <spec_type>blackbody</spec_type> <value>3000</value> <gain>1</gain>
//       <le_scale> <power_drawn>50</power_drawn> <overall_le>18</overall_le> </le_scale>
//     </light>
//   </presets>
//
// The reader never fails loudly: a file that is missing, too large, nested too deeply or not
// well-formed gives no presets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sdk/filename.h"
#include "sdk/hoststring.h"

struct LightPreset {
    int32_t id = 0;
    std::optional<HostString> name;
    std::optional<HostString> specType;  // "spec_type"; only "blackbody" is applied
    std::optional<float> temperature;    // "value"
    std::optional<float> gain;
    bool efficacyScaling = false;  // the preset has "le_scale"
    std::optional<float> powerDrawn;
    std::optional<float> overallEfficacy;  // "overall_le"
};

// Limits of a presets text; beyond them the text is not parsed.
inline constexpr size_t kMaxPresetsBytes = size_t{1} << 20;
inline constexpr size_t kMaxPresetsNesting = 32;
inline constexpr size_t kMaxPresetsAttributes = 16;  // on one element

// The value of the selector entry that stands for no preset.
inline constexpr int32_t kNoPreset = 0;

using PresetCycle = std::vector<std::pair<int32_t, HostString>>;

// The presets of a file's text, in file order; a preset without "id" is left out.
std::vector<LightPreset> ParseLightPresets(const std::string& text);
// The presets of a file read through the host's file facility.
std::vector<LightPreset> ReadLightPresets(const HostFilename& file);
// "presets\LightPresets.xml" in the module's directory.
HostFilename LightPresetsFile();

// The selector's entries: "- NONE -" for 0, then each named preset's id and name in file
// order; a later preset with an id already listed replaces that entry's label.  Presets with
// the id 0 are not listed, since choosing 0 applies nothing.
PresetCycle BuildPresetCycle(const std::vector<LightPreset>& presets);
// The first preset with the id; null when there is none.
const LightPreset* FindPreset(const std::vector<LightPreset>& presets, int32_t id);
