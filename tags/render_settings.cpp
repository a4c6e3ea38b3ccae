#include "tags/render_settings.h"

#include <array>

#include "core/ids.h"
#include "sdk/host.h"

using namespace settings_param;

ParamTable MyRenderSettings::Defaults(int32_t cpuCount) {
    return {
        Int(kIntegrator, kBidirectionalMetropolis), Bool(kAdvanced, false), Real(kLargeMutationProb, 0.4),
        Real(kMaxChange, 0.01), Int(kMaxConsecRejections, 1000), Int(kMaxDepth, 10000), Int(kTriangleThreshold, 800),
        Real(kHaltTime, -1), Real(kHaltSamples, -1), Bool(kHybrid, false), Bool(kLogging, true),
        Real(kDisplayPeriod, 60), Real(kImageSavePeriod, 300), Bool(kSaveUntonemappedExr, false),
        Bool(kSaveTonemappedExr, false), Bool(kSaveOvi, true), Bool(kAutoThreads, true), Int(kThreads, cpuCount),
        Bool(kCacheTrees, true), Bool(kPolarisation, false), Real(kSceneScale, 1),
        // environment
        Int(kEnvironment, kBackground), Int(kBackgroundSpectrum, kColourSpectrum), Vec(kBackgroundColour, 1, 1, 1),
        Real(kBackgroundGamma, 2.2), Real(kUniformValue, 1), Real(kTemperature, 6500), Real(kBlackbodyGain, 1),
        Real(kTurbidity, 2), Bool(kExtraAtmospheric, false), Int(kMapProjection, kLatLong), Real(kMapGain, 1),
        Int(kMapWidth, 640),
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
