// The "renderer_settings" keys from the render settings object.
#include <cstdint>
#include <limits>

#include "core/format.h"
#include "core/xml.h"
#include "export/settings_elements.h"
#include "tags/render_settings.h"

using namespace settings_param;

namespace {

// The integrator, one of the four the cycle offers; any other value counts as the object's
// default, bidirectional and Metropolis.
int32_t Integrator(const ParamContainer& settings) {
    const int32_t integrator = settings.Get<int32_t>(kIntegrator, 0);
    return integrator >= kPathTracing && integrator <= kBidirectionalMetropolis ? integrator
                                                                                : kBidirectionalMetropolis;
}

// The triangle threshold is kept in thousands; the product saturates at the ends of the
// 32-bit range instead of wrapping around.
int32_t TriangleThreshold(const ParamContainer& settings) {
    const int64_t triangles = int64_t{settings.Get<int32_t>(kTriangleThreshold, 0)} * 1000;
    if (triangles > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (triangles < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(triangles);
}

void AppendAdvancedSampling(TiXmlElement& element, const ParamContainer& settings) {
    AppendKey(element, "large_mutation_prob", FormatReal(settings.Get<float>(kLargeMutationProb, 0), 5));
    AppendKey(element, "max_change", FormatReal(settings.Get<float>(kMaxChange, 0), 5));
    AppendKey(element, "max_num_consec_rejections", FormatInt(settings.Get<int32_t>(kMaxConsecRejections, 0)));
    AppendKey(element, "max_depth", FormatInt(settings.Get<int32_t>(kMaxDepth, 0)));
    AppendKey(element, "bih_tri_threshold", FormatInt(TriangleThreshold(settings)));
}

}  // namespace

int32_t WriteRendererSettings(const SceneContext& context, TiXmlElement& element, const ParamContainer& settings) {
    const auto flag = [&](const char* key, int32_t id) { AppendKey(element, key, BoolText(settings.Get<bool>(id))); };
    const int32_t integrator = Integrator(settings);

    AppendKey(element, "metropolis",
              BoolText(integrator == kMetropolis || integrator == kBidirectionalMetropolis));
    if (settings.Get<bool>(kAdvanced)) AppendAdvancedSampling(element, settings);
    AppendKey(element, "halt_time", FormatReal(settings.Get<float>(kHaltTime), 0));
    AppendKey(element, "halt_samples_per_pixel", FormatReal(settings.Get<float>(kHaltSamples), 0));
    AppendKey(element, "bidirectional",
              BoolText(integrator == kBidirectional || integrator == kBidirectionalMetropolis));
    flag("hybrid", kHybrid);
    flag("logging", kLogging);
    AppendKey(element, "display_period", FormatInt(settings.Get<int32_t>(kDisplayPeriod)));
    AppendKey(element, "image_save_period", FormatInt(settings.Get<int32_t>(kImageSavePeriod)));
    flag("save_untonemapped_exr", kSaveUntonemappedExr);
    flag("save_tonemapped_exr", kSaveTonemappedExr);
    flag("save_ovi", kSaveOvi);
    flag("auto_choose_num_threads", kAutoThreads);
    if (!settings.Get<bool>(kAutoThreads)) AppendKey(element, "num_threads", FormatInt(settings.Get<int32_t>(kThreads)));
    flag("cache_trees", kCacheTrees);
    flag("polarisation", kPolarisation);
    if (context.sceneScale > 1.0f) {
        const float nudge = static_cast<float>(context.sceneScale * 0.0001);
        AppendKey(element, "ray_origin_nudge_distance", FormatReal(nudge, 5));
    }
    return 1;
}
