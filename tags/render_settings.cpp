#include "tags/render_settings.h"

#include <array>

#include "core/ids.h"
#include "sdk/host.h"

using namespace settings_param;

ParamTable MyRenderSettings::Defaults(int32_t cpuCount) {
    return {
        Int(1334, 1338), Bool(1319, false), Real(1350, 0.4), Real(1351, 0.01), Int(1331, 1000),
        Int(1330, 10000), Int(1362, 800), Real(1332, -1), Real(1382, -1), Bool(1361, false),
        Bool(1352, true), Real(1353, 60), Real(1354, 300), Bool(1355, false), Bool(1356, false),
        Bool(1333, true), Bool(1383, true), Int(1357, cpuCount), Bool(1358, true), Bool(1359, false),
        Real(1340, 1),
        Int(1368, 1363), Int(1374, 1370), Vec(1068, 1, 1, 1), Real(1384, 2.2), Real(1067, 1),  // environment
        Real(1065, 6500), Real(1066, 1), Real(1303, 2), Bool(1381, false), Int(1343, 1344),
        Real(1347, 1), Int(1348, 640),
    };
}

bool MyRenderSettings::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults(TheHost().GetCpuCount()));
    return true;
}

namespace {

// A cycle value and the description group that shows its parameters.
struct ValueGroup {
    int32_t value;
    int32_t group;
};

// Shows the group of `value` and hides the other groups of the cycle.
template <size_t N>
void ShowGroupOf(Description& description, const std::array<ValueGroup, N>& groups, int32_t value) {
    for (const ValueGroup& entry : groups) description.SetHidden(entry.group, entry.value != value);
}

constexpr std::array<ValueGroup, 3> kEnvironmentGroups = {
    {{kBackground, kBackgroundGroup}, {kSky, kSkyGroup}, {kEnvironmentMap, kMapGroup}}};
constexpr std::array<ValueGroup, 4> kSpectrumGroups = {{{kColourSpectrum, kColourGroup},
                                                        {kUniformSpectrum, kUniformGroup},
                                                        {kBlackbodySpectrum, kBlackbodyGroup},
                                                        {kEmptySpectrum, kEmptySpectrumGroup}}};
constexpr std::array<int32_t, 5> kAdvancedEntries = {kLargeMutationProb, kMaxChange, kMaxConsecRejections,
                                                     kMaxDepth, kTriangleThreshold};

}  // namespace

void ApplyRenderSettingsVisibility(const ParamContainer& data, Description& description) {
    // An environment kind or spectrum kind that the cycle does not offer leaves its groups as
    // they are; "none" hides all three environment groups.
    const int32_t environment = data.Get<int32_t>(kEnvironment, 0);
    if (environment == kBackground || environment == kSky || environment == kEnvironmentMap ||
        environment == kNoEnvironment) {
        ShowGroupOf(description, kEnvironmentGroups, environment);
    }
    const int32_t spectrum = data.Get<int32_t>(kBackgroundSpectrum, 0);
    if (spectrum >= kColourSpectrum && spectrum <= kEmptySpectrum) ShowGroupOf(description, kSpectrumGroups, spectrum);

    description.SetHidden(kThreads, data.Get<bool>(kAutoThreads, false));
    description.SetHidden(kMapWidth, data.Get<int32_t>(kMapProjection, 0) != kSpherical);
    const bool advanced = data.Get<bool>(kAdvanced, false);
    for (int32_t id : kAdvancedEntries) description.SetHidden(id, !advanced);
}

bool MyRenderSettings::GetDDescription(HostNode* node, Description* description, int32_t& flags) {
    if (!node || !description || !description->LoadDescription(plugin_id::kRenderSettings)) return false;
    ApplyRenderSettingsVisibility(node->Data(), *description);
    flags |= kDescriptionLoaded;
    return true;
}

bool MyRenderSettings::Draw(HostObject* object, int32_t pass, HostView* view) {
    if (view && pass == draw_pass::kHandles) {
        view->SetPen(viewport::kIdentifyingColor);
        const Vector origin;
        view->Line3D(origin, {kAxisLength, 0, 0});
        view->Line3D(origin, {0, kAxisLength, 0});
        view->Line3D(origin, {0, 0, kAxisLength});
    }
    return ObjectData::Draw(object, pass, view);
}
