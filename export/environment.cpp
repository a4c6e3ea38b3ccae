// The environment element: background, sky or environment map.
#include "core/format.h"
#include "core/paths.h"
#include "core/xml.h"
#include "export/scene_math.h"
#include "export/scene_text.h"
#include "export/settings_elements.h"
#include "materials/spectrum.h"
#include "tags/render_settings.h"

using namespace settings_param;

namespace {

// The scene's up direction (the host's y axis).
constexpr Vector kUp{0, 1, 0};

void WriteBackground(const ParamContainer& settings, TiXmlElement& scene) {
    TiXmlElement& spectrum = *AppendElement(*AppendElement(scene, "background"), "spectrum");
    switch (settings.Get<int32_t>(kBackgroundSpectrum, kColourSpectrum)) {
        case kColourSpectrum: {
            const Vector colour = settings.Get<Vector>(kBackgroundColour, {1, 1, 1});
            WriteRgbSpectrum(colour.x, colour.y, colour.z, settings.Get<float>(kBackgroundGamma, 2.2f), 1.0f,
                             spectrum);
            break;
        }
        case kUniformSpectrum:
            WriteUniformSpectrum(settings.Get<float>(kUniformValue, 0.0f), spectrum);
            break;
        case kBlackbodySpectrum:
            WriteBlackbodySpectrum(settings.Get<float>(kTemperature, 0.0f), settings.Get<float>(kBlackbodyGain, 0.0f),
                                   spectrum);
            break;
        default:
            break;
    }
}

// The direction towards the sun object, times the scene scale, in scene axes.  Without a sun
// object, or with one at the origin (which shows no direction), the sun stands straight up.
HostString SunDirection(const ParamContainer& settings, const HostDocument* document, float sceneScale) {
    const HostNode* node = settings.GetLink(kSun, document);
    if (node && node->Kind() == NodeKind::kObject) {
        const Vector direction = NormalizeVector(static_cast<const HostObject*>(node)->GetRelPos());
        if (!(direction == Vector{})) return FormatScenePosition(direction, sceneScale, 5);
    }
    return FormatScenePosition(kUp, 1.0f, 5);
}

void WriteSky(const ParamContainer& settings, const HostDocument* document, float sceneScale,
              TiXmlElement& scene) {
    TiXmlElement& sky = *AppendElement(scene, "skylight");
    AppendKey(sky, "sundir", SunDirection(settings, document, sceneScale));
    AppendKey(sky, "turbidity", FormatReal(settings.Get<float>(kTurbidity, 2.0f), -1));
    AppendKey(sky, "extra_atmospheric", BoolText(settings.Get<bool>(kExtraAtmospheric)));
}

void WriteEnvironmentMap(const ParamContainer& settings, const HostFilename& sceneDirectory, TiXmlElement& scene) {
    const HostFilename image = settings.Get<HostFilename>(kMapFile);
    if (image.IsEmpty()) return;
    const bool spherical = settings.Get<int32_t>(kMapProjection, kLatLong) != kLatLong;
    TiXmlElement& projection = *AppendElement(*AppendElement(scene, "env_map"), spherical ? "spherical" : "latlong");
    // A path that cannot be made relative is written as it is.
    AppendKey(projection, "path", RelativePath(sceneDirectory.Str(), image.Str()).value_or(image.Str()));
    if (spherical) AppendKey(projection, "width", FormatInt(settings.Get<int32_t>(kMapWidth, 640)));
    AppendKey(projection, "gain", FormatReal(settings.Get<float>(kMapGain, 1.0f), -1));
}

}  // namespace

void WriteEnvironment(const SceneContext& context, const ParamContainer* settings, TiXmlElement& scene) {
    // Without a render settings object every read gives its default: a white background.
    const ParamContainer noSettings;
    const ParamContainer& values = settings ? *settings : noSettings;
    switch (values.Get<int32_t>(kEnvironment, kBackground)) {
        case kBackground:
            WriteBackground(values, scene);
            break;
        case kSky:
            WriteSky(values, context.document, context.sceneScale, scene);
            break;
        case kEnvironmentMap:
            WriteEnvironmentMap(values, context.directory, scene);
            break;
        default:
            break;
    }
}
