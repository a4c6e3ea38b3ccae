// The "camera" element and the camera tag's image keys.
#include <array>
#include <cmath>

#include "core/format.h"
#include "core/xml.h"
#include "export/scene_text.h"
#include "export/settings_elements.h"
#include "tags/camera_tag.h"

using namespace camera_param;

namespace {

// The f-numbers of the cycle 1928 ... 1940; any other value counts as f/8.
float FNumber(int32_t value) {
    static constexpr std::array<float, 13> kFNumbers = {1, 1.4f, 2, 2.8f, 4, 5.6f, 8, 11, 16, 22, 32, 45, 64};
    if (value < kFNumberFirst || value > kFNumberLast) return 8.0f;
    return kFNumbers[static_cast<size_t>(value - kFNumberFirst)];
}

// The white balance names of the cycle 1905 ... 1916; any other value counts as the tag's
// default, D65.
const char* WhiteBalanceName(int32_t value) {
    static constexpr std::array<const char*, 12> kNames = {"E", "D50", "D55", "D65", "D75", "A",
                                                           "B", "C",   "9300", "F2", "F7", "F11"};
    if (value < kWhiteBalanceFirst || value > kWhiteBalanceLast) return "D65";
    return kNames[static_cast<size_t>(value - kWhiteBalanceFirst)];
}

// The distance from the lens to a sensor of the given width that sees the host camera's field
// of view.  A camera without a usable focal length or film width (not a positive finite
// number) is taken as the host's standard lens: 36 on a film 36 wide.
float LensSensorDistance(float sensorWidth, float focalLength, float filmWidth) {
    const auto usable = [](float value) { return std::isfinite(value) && value > 0.0f; };
    if (!usable(focalLength) || !usable(filmWidth)) focalLength = filmWidth = 36.0f;
    const double half = filmWidth * 0.5;
    const auto angle = static_cast<float>(std::atan(half / focalLength));
    const float fov = angle + angle;
    return static_cast<float>(sensorWidth / (2.0 * std::tan(fov * 0.5)));
}

// A filter of "renderer_settings": the cubic with its ring and blur, the box, or (for the
// splat filter only) the gaussian; any other value leaves the container empty.
void AppendFilter(TiXmlElement& settings, const char* key, int32_t filter, float ring, float blur,
                  bool gaussianOffered) {
    TiXmlElement& element = *AppendElement(settings, key);
    if (filter == kCubicFilter) {
        TiXmlElement& cubic = *AppendElement(element, "mn_cubic");
        AppendKey(cubic, "ring", FormatReal(ring, 5));
        AppendKey(cubic, "blur", FormatReal(blur, 5));
    } else if (filter == kBoxFilter) {
        AppendElement(element, "box");
    } else if (filter == kGaussianFilter && gaussianOffered) {
        AppendElement(element, "gaussian");
    }
}

void AppendImageKeys(TiXmlElement& settings, const ParamContainer& tag) {
    const auto real = [&](int32_t id) { return CameraTagValue<float>(tag, id); };
    const auto integer = [&](int32_t id) { return CameraTagValue<int32_t>(tag, id); };
    AppendKey(settings, "width", FormatReal(real(kWidth), 0));
    AppendKey(settings, "height", FormatReal(real(kHeight), 0));
    const int32_t diffraction = tag.Get<int32_t>(kDiffraction, kNoDiffraction);
    AppendKey(settings, "aperture_diffraction", BoolText(diffraction == kApertureDiffraction));
    AppendKey(settings, "post_process_diffraction", BoolText(diffraction == kPostProcessDiffraction));
    AppendKey(settings, "super_sample_factor", FormatInt(integer(kSuperSample)));
    AppendFilter(settings, "splat_filter", tag.Get<int32_t>(kSplatFilter, 0), real(kSplatRing), real(kSplatBlur), true);
    AppendFilter(settings, "downsize_filter", tag.Get<int32_t>(kDownsizeFilter, 0), real(kDownsizeRing),
                 real(kDownsizeBlur), false);
    if (CameraTagValue<bool>(tag, kWatermark)) AppendKey(settings, "watermark", "true");
    if (CameraTagValue<bool>(tag, kRegionOn)) {
        TiXmlElement& region = *AppendElement(settings, "render_region");
        AppendKey(region, "x1", FormatInt(integer(kRegionX1)));
        AppendKey(region, "x2", FormatInt(integer(kRegionX2)));
        AppendKey(region, "y1", FormatInt(integer(kRegionY1)));
        AppendKey(region, "y2", FormatInt(integer(kRegionY2)));
    }
}

void AppendApertureShape(TiXmlElement& camera, const ParamContainer& tag) {
    TiXmlElement& shape = *AppendElement(camera, "aperture_shape");
    switch (tag.Get<int32_t>(kApertureShape, kCircular)) {
        case kCircular:
            AppendKey(shape, "circular", "");
            break;
        case kGenerated: {
            TiXmlElement& generated = *AppendElement(shape, "generated");
            AppendKey(generated, "num_blades", FormatInt(CameraTagValue<int32_t>(tag, kBlades)));
            AppendKey(generated, "blade_offset", FormatReal(CameraTagValue<float>(tag, kBladeOffset), 5));
            AppendKey(generated, "blade_curvature_radius", FormatReal(CameraTagValue<float>(tag, kBladeCurvature), 5));
            AppendKey(generated, "start_angle", FormatReal(CameraTagValue<float>(tag, kStartAngle), 5));
            break;
        }
        case kImage: {
            TiXmlElement& image = *AppendElement(shape, "image");
            AppendKey(image, "path", StoredPathText(tag, kApertureImage, "element not found"));
            break;
        }
        default:
            break;
    }
}

// Width over height when the tag takes the aspect ratio from the image size; the tag's own
// aspect ratio otherwise, and also when the image size gives no finite quotient (height 0).
float AspectRatio(const ParamContainer& tag) {
    if (CameraTagValue<bool>(tag, kAspectFromSize)) {
        const float height = CameraTagValue<float>(tag, kHeight);
        if (height != 0.0f) {
            const float ratio = CameraTagValue<float>(tag, kWidth) / height;
            if (std::isfinite(ratio)) return ratio;
        }
    }
    return CameraTagValue<float>(tag, kAspectRatio);
}

// The camera's placement and host lens; the identity and no lens when there is no camera.
struct CameraSource {
    Matrix mg;
    float focalLength = 0.0f;
    float filmWidth = 0.0f;
    float focusDistance = 0.0f;
};

CameraSource ReadCamera(const HostObject* camera) {
    CameraSource source;
    if (!camera) return source;
    const ParamContainer& data = camera->Data();
    source.mg = camera->GetMg();
    source.focalLength = data.Get<float>(host_param::kCameraFocalLength, 0.0f);
    source.filmWidth = data.Get<float>(host_param::kCameraApertureWidth, 0.0f);
    source.focusDistance = data.Get<float>(host_param::kCameraFocusDistance, 0.0f);
    return source;
}

}  // namespace

int32_t WriteCamera(const SceneContext& context, TiXmlElement& scene, TiXmlElement& rendererSettings) {
    const HostObject* cameraObject = ActiveSceneCamera(context.document);
    const float sceneScale = context.sceneScale;
    const HostTag* cameraTag = FindCameraTag(cameraObject);
    // Without a tag every tag read falls back on the read's own default.
    const ParamContainer noTag;
    const ParamContainer& tag = cameraTag ? cameraTag->Data() : noTag;
    if (cameraTag) AppendImageKeys(rendererSettings, tag);

    const CameraSource source = ReadCamera(cameraObject);
    TiXmlElement& camera = *AppendElement(scene, "camera");
    AppendKey(camera, "pos", FormatScenePosition(source.mg.off, sceneScale, 5));
    AppendKey(camera, "up", FormatScenePosition(source.mg.v2, 1.0f, 5));
    AppendKey(camera, "forwards", FormatScenePosition(source.mg.v3, 1.0f, 5));
    const float focus = source.focusDistance * sceneScale;
    AppendKey(camera, "focus_distance", FormatReal(focus <= 0.01 ? 1.0f : focus, 5));

    const float sensorWidth = tag.Get<float>(kSensorWidth, 0.036f);
    const float lensSensorDist = LensSensorDistance(sensorWidth, source.focalLength, source.filmWidth);
    const float fNumber = FNumber(tag.Get<int32_t>(kFNumber, 0));
    AppendKey(camera, "sensor_width", FormatReal(sensorWidth, 5));
    AppendKey(camera, "lens_sensor_dist", FormatReal(lensSensorDist, 5));
    AppendKey(camera, "aperture_radius", FormatReal(lensSensorDist / (fNumber + fNumber), 5));
    AppendApertureShape(camera, tag);
    if (tag.Get<int32_t>(kDiffraction, kNoDiffraction) == kApertureDiffraction &&
        CameraTagValue<bool>(tag, kObstacleMapOn)) {
        TiXmlElement& obstacle = *AppendElement(camera, "obstacle_map");
        AppendKey(obstacle, "path", StoredPathText(tag, kObstacleMap, "element not found"));
    }

    if (cameraTag) {
        AppendKey(camera, "aspect_ratio", FormatReal(AspectRatio(tag), 5));
        AppendKey(camera, "white_balance", WhiteBalanceName(CameraTagValue<int32_t>(tag, kWhiteBalance)));
        AppendKey(camera, "exposure_duration", FormatReal(CameraTagValue<float>(tag, kExposure), 5));
    } else {
        AppendKey(camera, "aspect_ratio", "1.333");
        AppendKey(camera, "white_balance", "D65");
        AppendKey(camera, "exposure_duration", "0.033");
    }
    if (tag.Get<bool>(kAutofocus, true)) AppendElement(camera, "autofocus");
    return 1;
}
