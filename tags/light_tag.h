// MyLightTag: makes a polygon object an area light of the renderer.  The tag holds the
// emission (a spectrum of one of four kinds, then an IES profile or a luminous-efficacy
// scaling); a preset selector copies lamp types from the presets file into it.
#pragma once

#include <cstdint>

#include "sdk/plugin.h"
#include "tags/param_table.h"

// Parameters of the light tag (cycle values are IDs themselves).
namespace light_param {
inline constexpr int32_t kPreset = 1235;  // selector: 0 none, else a preset's id

inline constexpr int32_t kSpectrum = 1215;  // cycle:
inline constexpr int32_t kPeak = 1216;
inline constexpr int32_t kColour = 1217;
inline constexpr int32_t kBlackbody = 1218;
inline constexpr int32_t kUniform = 1219;

inline constexpr int32_t kPeakMin = 1231;
inline constexpr int32_t kPeakWidth = 1232;
inline constexpr int32_t kBaseValue = 1234;
inline constexpr int32_t kPeakValue = 1233;
inline constexpr int32_t kColourValue = 1227;
inline constexpr int32_t kGamma = 1228;
inline constexpr int32_t kTemperature = 1224;
inline constexpr int32_t kBlackbodyGain = 1225;
inline constexpr int32_t kUniformValue = 1226;

inline constexpr int32_t kIesOn = 1229;
inline constexpr int32_t kIesFile = 1230;
inline constexpr int32_t kEfficacyOn = 1211;
inline constexpr int32_t kPowerDrawn = 1212;
inline constexpr int32_t kEfficacy = 1213;

// Description groups, only shown or hidden.
inline constexpr int32_t kPeakGroup = 1223;
inline constexpr int32_t kColourGroup = 1221;
inline constexpr int32_t kBlackbodyGroup = 1220;
inline constexpr int32_t kUniformGroup = 1222;
inline constexpr int32_t kEfficacyGroup = 1214;
// The group the rebuilt selector is placed in.
inline constexpr int32_t kMainGroup = 803;
}  // namespace light_param

struct LightPreset;
class Description;

class MyLightTag : public TagData {
public:
    static TagData* Alloc() { return new MyLightTag; }
    static const ParamTable& Defaults();

    bool Init(HostNode* node) override;
    // Rebuilds the preset selector from the presets file and shows the groups that the
    // chosen spectrum and switches use.
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
    // Choosing a preset copies it into the tag; any other edit leaves the chosen preset.
    bool SetDParameter(HostNode* node, int32_t id, const ParamValue& value, int32_t& flags) override;
};

// The show/hide rules of the tag's description for the values in data.
void ApplyLightTagVisibility(const ParamContainer& data, Description& description);
// Copies a preset into a light tag's values; only black-body presets carry anything to copy.
void ApplyLightPreset(const LightPreset& preset, ParamContainer& data);
