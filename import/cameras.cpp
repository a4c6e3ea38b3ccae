// The file's cameras as host cameras: where they look, their lens on the host's film, and the
// document's scene camera with the image aspect.
#include <assimp/commonMetaData.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "import/import_context.h"
#include "sdk/types.h"

namespace scene_import {

namespace {

// The camera tag (CameraTag): image width and height, aspect ratio, and whether the aspect
// follows the image size.
constexpr int32_t kTagWidth = 1955;
constexpr int32_t kTagHeight = 1956;
constexpr int32_t kTagAspectRatio = 1957;
constexpr int32_t kTagAspectFromSize = 1958;
// The host's render data: image width and height in pixels (a new document's 640 x 480).
constexpr int32_t kRenderWidth = 5008;
constexpr int32_t kRenderHeight = 5009;
constexpr int32_t kDefaultWidth = 640;
constexpr int32_t kDefaultHeight = 480;
// The image width the scene camera's aspect is rendered at.
constexpr int32_t kImageWidth = 1280;
// The film the focal length is measured on (mm), and the host's standard lens on it.
constexpr double kFilmWidth = 36.0;
constexpr double kStandardFocalLength = 36.0;

bool IsZero(Vector v) { return v == Vector{}; }

// Whether the scene reader's glTF reader read the file (its cameras differ from the others').
bool ReadAsGltf(const aiScene& scene) {
    aiString format;
    return scene.mMetaData && scene.mMetaData->Get(AI_METADATA_SOURCE_FORMAT, format) &&
           std::string(format.C_Str()).rfind("glTF", 0) == 0;
}

// Width over height of the document's render size.
double RenderAspect(headless::HlDocument& document) {
    const ParamContainer& render = document.GetActiveRenderData();
    const double width = render.Get<int32_t>(kRenderWidth, kDefaultWidth);
    const double height = render.Get<int32_t>(kRenderHeight, kDefaultHeight);
    return width > 0 && height > 0 ? width / height : double{kDefaultWidth} / kDefaultHeight;
}

// The focal length that gives the camera's horizontal field of view on the 36 mm film;
// nullopt when the camera gives no usable angle.  The scene reader's mHorizontalFOV is the
// whole horizontal angle (COLLADA's xfov, FBX's field of view), except from its glTF reader:
// there it is the vertical angle times the aspect ratio (times 1 when the file gives none), and
// half the film's width is aspect × tan(yfov / 2) focal lengths.  A file without an aspect
// takes the document's render size's.
std::optional<double> FocalLength(const ImportContext& context, const aiCamera& camera) {
    if (camera.mOrthographicWidth > 0) return std::nullopt;
    const double fov = camera.mHorizontalFOV;
    double halfWidth;  // half the film's width in focal lengths
    if (ReadAsGltf(context.scene)) {
        const double aspect = camera.mAspect > 0 ? camera.mAspect : 1.0;
        const double filmAspect = camera.mAspect > 0 ? camera.mAspect : RenderAspect(context.document);
        halfWidth = filmAspect * std::tan(fov / aspect / 2);
    } else {
        halfWidth = std::tan(fov / 2);
    }
    if (!(fov > 0) || !(halfWidth > 0) || !std::isfinite(halfWidth)) return std::nullopt;
    return kFilmWidth / 2 / halfWidth;
}


std::string Millimetres(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

}  // namespace

Matrix CameraFrame(const ImportContext& context, const aiCamera& camera) {
    // A camera without a direction looks along its node's host z axis.
    Vector forward = UnitVector(context.axes.Direction(camera.mLookAt));
    if (IsZero(forward)) forward = {0, 0, 1};
    Matrix frame = FacingFrame(forward, context.axes.Direction(camera.mUp));
    // The glTF reader copies the node's translation into the camera's position too; a glTF
    // camera sits at its node's origin.
    if (!ReadAsGltf(context.scene)) frame.off = context.axes.Point(camera.mPosition);
    return frame;
}

void ImportCamera(ImportContext& context, const aiCamera& camera, headless::HlObject& object) {
    object.SetMl(object.GetMl() * CameraFrame(context, camera));
    ParamContainer& data = object.Data();
    data.Set(host_param::kCameraApertureWidth, kFilmWidth);
    const std::optional<double> focal = FocalLength(context, camera);
    data.Set(host_param::kCameraFocalLength, focal.value_or(kStandardFocalLength));
    const std::string name = context.sourceName + ": camera " + Quoted(camera.mName.C_Str());
    if (focal) {
        context.Console(name + " -> camera, " + Millimetres(*focal) + " mm lens on a 36 mm film");
    } else if (camera.mOrthographicWidth > 0) {
        context.Warning(name + " is orthographic: made a perspective camera with a 36 mm lens on a 36 mm film");
    } else {
        context.Warning(name + " gives no usable field of view: made a 36 mm lens on a 36 mm film");
    }
}

void ChooseSceneCamera(ImportContext& context) {
    const aiScene& scene = context.scene;
    if (scene.mNumCameras == 0 || !scene.mRootNode) return;
    const aiCamera& camera = *scene.mCameras[0];
    const aiNode* node = scene.mRootNode->FindNode(camera.mName);
    const auto found = node ? context.objects.find(node) : context.objects.end();
    if (found == context.objects.end() || !found->second || found->second->GetType() != host_type::kCamera) {
        context.Warning(context.sourceName + ": camera " + Quoted(camera.mName.C_Str()) +
                        " has no node: the document keeps the editor camera");
        return;
    }
    headless::HlObject& object = *found->second;
    context.document.SetSceneCamera(&object);

    // The file's aspect is kept exactly in the tag; the render size follows it at 1280 pixels
    // across.  Without one the document's render size stays and the tag follows it.
    ParamContainer& render = context.document.GetActiveRenderData();
    const double aspect = camera.mAspect;
    const bool known = aspect > 0 && std::isfinite(aspect);
    if (known) {
        const double height = std::clamp(std::round(kImageWidth / aspect), 1.0, 1e6);
        render.Set<int32_t>(kRenderWidth, kImageWidth);
        render.Set<int32_t>(kRenderHeight, static_cast<int32_t>(height));
    }
    const int32_t width = render.Get<int32_t>(kRenderWidth, kDefaultWidth);
    const int32_t height = render.Get<int32_t>(kRenderHeight, kDefaultHeight);

    const int32_t tagType = ModuleType("CameraTag");
    HostTag* tag = object.GetTag(tagType);
    if (!tag) tag = object.MakeTag(tagType);
    ParamContainer& data = tag->Data();
    data.Set(kTagWidth, static_cast<double>(width));
    data.Set(kTagHeight, static_cast<double>(height));
    data.Set<bool>(kTagAspectFromSize, !known);
    data.Set(kTagAspectRatio, known ? aspect : static_cast<double>(width) / std::max(height, 1));
}

}  // namespace scene_import
