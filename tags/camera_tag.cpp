#include "tags/camera_tag.h"

#include <initializer_list>

#include "core/ids.h"
#include "tags/render_settings.h"

using namespace camera_param;

const ParamTable& CameraTag::Defaults() {
    static const ParamTable table = {
        Real(kWidth, 640), Real(kHeight, 480), Bool(kAspectFromSize, true), Real(kAspectRatio, 1.33),
        Real(kSensorWidth, 0.036), Int(kFNumber, 1936), Int(kApertureShape, kCircular), Int(kBlades, 6),
        Real(kBladeOffset, 0.4), Real(kBladeCurvature, 3), Real(kStartAngle, 0.2), File(kApertureImage, ""),
        Int(kDiffraction, kNoDiffraction), File(kObstacleMap, ""), Int(kSuperSample, 2),
        Int(kSplatFilter, kCubicFilter), Real(kSplatRing, 0.2), Real(kSplatBlur, 0.6),
        Int(kDownsizeFilter, kCubicFilter), Real(kDownsizeRing, 0.2), Real(kDownsizeBlur, 0.6), Bool(kWatermark, false),
        Bool(kRegionOn, false), Int(kRegionX1, 0), Int(kRegionX2, 150), Int(kRegionY1, 0), Int(kRegionY2, 150),
        Int(kWhiteBalance, 1908), Real(kExposure, 0.03333), Bool(kAutofocus, true), Int(kToneMapping, kReinhard),
        Real(kScale, 3), Real(kPostScale, 1), Real(kBurn, 10), Int(kFilmIso, 100), Real(kEvAdjust, 0),
        File(kResponseFile, ""),
    };
    return table;
}

const ParamContainer& CameraTag::DefaultValues() {
    static const ParamContainer values = DefaultsContainer(Defaults());
    return values;
}

namespace {

// The camera object the tag sits on; null for a tag on any other object.
HostObject* TaggedCamera(HostNode* node) {
    if (!node || node->Kind() != NodeKind::kTag) return nullptr;
    HostObject* object = static_cast<HostTag*>(node)->GetObject();
    return object && object->IsInstanceOf(host_type::kCamera) ? object : nullptr;
}

// True when the camera is the one the document's active view looks through.
bool IsSceneCamera(HostObject& camera) { return ActiveSceneCamera(camera.GetDocument()) == &camera; }

// The host renders the scene camera at the tag's image size.
void PushResolution(HostObject& camera, const ParamContainer& data) {
    if (!IsSceneCamera(camera)) return;
    ParamContainer& renderData = camera.GetDocument()->GetActiveRenderData();
    renderData.Set<int32_t>(render_data::kMode, 0);
    renderData.Set<int32_t>(render_data::kWidth, data.Get<int32_t>(kWidth, 640));
    renderData.Set<int32_t>(render_data::kHeight, data.Get<int32_t>(kHeight, 480));
}

void SetHiddenAll(Description& description, std::initializer_list<int32_t> ids, bool hidden) {
    for (int32_t id : ids) description.SetHidden(id, hidden);
}

}  // namespace

HostObject* ActiveSceneCamera(HostDocument* document) {
    HostView* view = document ? document->GetActiveView() : nullptr;
    return view ? view->GetSceneCamera(document) : nullptr;
}

HostTag* FindCameraTag(const HostObject* object) {
    return object ? object->GetTag(plugin_id::kCameraTag) : nullptr;
}

HostString StoredPathText(const ParamContainer& data, int32_t id, const char* missing) {
    return data.Has(id) ? data.Get<HostString>(id) : HostString(missing);
}

bool CameraTag::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

void CameraTag::Free(HostNode* node) {
    if (HostObject* camera = TaggedCamera(node)) camera->SetDisplayColor(DisplayColor{0, {1, 1, 1}, false});
}

void ApplyCameraTagVisibility(const ParamContainer& data, Description& description) {
    if (data.Has(kToneMapping)) {
        switch (data.Get<int32_t>(kToneMapping)) {
            case kLinear:
                SetHiddenAll(description, {kPostScale, kBurn, kResponseGroup}, true);
                break;
            case kReinhard:
                SetHiddenAll(description, {kPostScale, kBurn}, false);
                description.SetHidden(kResponseGroup, true);
                break;
            case kCameraResponse:
                description.SetHidden(kLinearReinhardGroup, true);
                description.SetHidden(kResponseGroup, false);
                break;
            default:
                break;
        }
    }
    if (data.Has(kApertureShape)) {
        const int32_t shape = data.Get<int32_t>(kApertureShape);
        if (shape >= kCircular && shape <= kImage) {
            description.SetHidden(kGeneratedGroup, shape != kGenerated);
            description.SetHidden(kImageGroup, shape != kImage);
        }
    }
    if (data.Has(kSplatFilter)) {
        SetHiddenAll(description, {kSplatRing, kSplatBlur}, data.Get<int32_t>(kSplatFilter) != kCubicFilter);
    }
    if (data.Has(kDownsizeFilter)) {
        SetHiddenAll(description, {kDownsizeRing, kDownsizeBlur}, data.Get<int32_t>(kDownsizeFilter) != kCubicFilter);
    }
    if (data.Has(kAspectFromSize)) description.SetHidden(kAspectRatio, data.Get<bool>(kAspectFromSize));
    if (data.Has(kRegionOn)) description.SetHidden(kRegionGroup, !data.Get<bool>(kRegionOn));
    if (data.Has(kDiffraction)) {
        const bool aperture = data.Get<int32_t>(kDiffraction) == kApertureDiffraction;
        description.SetHidden(kObstacleMapOn, !aperture);
        description.SetHidden(kObstacleMap, !aperture || !data.Get<bool>(kObstacleMapOn));
    }
}

bool CameraTag::GetDDescription(HostNode* node, Description* description, int32_t& flags) {
    if (!node || !description || !description->LoadDescription(plugin_id::kCameraTag)) return false;
    const ParamContainer& data = node->Data();
    HostObject* camera = TaggedCamera(node);
    if (camera) PushResolution(*camera, data);
    ApplyCameraTagVisibility(data, *description);
    if (camera) camera->SetDisplayColor(DisplayColor{2, viewport::kIdentifyingColor, false});
    flags |= kDescriptionLoaded;
    return true;
}

bool MapRenderRegion(const ParamContainer& data, const HostView& view, RegionLines& out) {
    const float width = data.Get<float>(kWidth, 640.0f);
    const float height = data.Get<float>(kHeight, 480.0f);
    if (!(width > 0.0f) || !(height > 0.0f)) return false;
    out.x1 = static_cast<float>(data.Get<int32_t>(kRegionX1, 10));
    out.x2 = static_cast<float>(data.Get<int32_t>(kRegionX2, 10));
    out.y1 = static_cast<float>(data.Get<int32_t>(kRegionY1, 20));
    out.y2 = static_cast<float>(data.Get<int32_t>(kRegionY2, 20));

    const HostView::Frame frame = view.GetFrame();
    const HostView::SafeFrame safe = view.GetSafeFrame();
    const auto span = static_cast<float>(safe.to - safe.from);
    const auto from = static_cast<float>(safe.from);
    if (safe.orientation == 2) {  // the safe frame spans from ... to vertically
        for (float* x : {&out.x1, &out.x2}) *x = *x * static_cast<float>(frame.right) / width;
        for (float* y : {&out.y1, &out.y2}) *y = from + *y * span / height + 1.0f;
    } else if (safe.orientation == 1) {  // horizontally
        for (float* x : {&out.x1, &out.x2}) *x = from + *x * span / width + 1.0f;
        for (float* y : {&out.y1, &out.y2}) *y = *y * static_cast<float>(frame.bottom) / height;
    }
    return true;
}

bool CameraTag::Draw(HostTag* tag, HostObject* object, HostView* view) {
    if (!tag || !object || !view || !tag->Data().Get<bool>(kRegionOn)) return true;
    if (!object->IsInstanceOf(host_type::kCamera) || view->GetSceneCamera(object->GetDocument()) != object) return true;
    RegionLines region{};
    if (!MapRenderRegion(tag->Data(), *view, region)) return true;
    view->SetPen({1, 0, 0});
    view->Line2D({region.x1, region.y1, 0}, {region.x2, region.y1, 0});
    view->Line2D({region.x1, region.y2, 0}, {region.x2, region.y2, 0});
    view->Line2D({region.x1, region.y1, 0}, {region.x1, region.y2, 0});
    view->Line2D({region.x2, region.y1, 0}, {region.x2, region.y2, 0});
    return true;
}
