// The "tonemapping" element.
#include "core/format.h"
#include "core/xml.h"
#include "export/settings_elements.h"
#include "tags/camera_tag.h"

using namespace camera_param;

namespace {

void AppendReinhard(TiXmlElement& toneMapping, const HostString& preScale, const HostString& postScale,
                    const HostString& burn) {
    TiXmlElement& reinhard = *AppendElement(toneMapping, "reinhard");
    AppendKey(reinhard, "pre_scale", preScale);
    AppendKey(reinhard, "post_scale", postScale);
    AppendKey(reinhard, "burn", burn);
}

}  // namespace

int32_t WriteToneMapping(HostDocument* document, TiXmlElement& scene) {
    TiXmlElement& toneMapping = *AppendElement(scene, "tonemapping");
    const HostTag* cameraTag = FindCameraTag(ActiveSceneCamera(document));
    if (!cameraTag) {
        AppendReinhard(toneMapping, "3", "1", "10");
        return 1;
    }
    const ParamContainer& tag = cameraTag->Data();
    const auto real = [&](int32_t id, int digits) { return FormatReal(CameraTagValue<float>(tag, id), digits); };
    switch (tag.Get<int32_t>(kToneMapping, 0)) {
        case kLinear:
            AppendKey(*AppendElement(toneMapping, "linear"), "scale", real(kScale, -1));
            break;
        case kReinhard:
            AppendReinhard(toneMapping, real(kScale, -1), real(kPostScale, -1), real(kBurn, -1));
            break;
        case kCameraResponse: {
            TiXmlElement& camera = *AppendElement(toneMapping, "camera");
            AppendKey(camera, "film_iso", FormatInt(CameraTagValue<int32_t>(tag, kFilmIso)));
            AppendKey(camera, "ev_adjust", real(kEvAdjust, -3));
            AppendKey(camera, "response_function_path", StoredPathText(tag, kResponseFile, "Fileneme/not/set"));
            break;
        }
        default:
            break;
    }
    return 1;
}
