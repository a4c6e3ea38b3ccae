#include "plugin/registration.h"

#include <memory>

#include "core/ids.h"
#include "core/module.h"
#include "core/version.h"
#include "materials/library_export.h"
#include "plugin/commands.h"
#include "plugin/preview_dialog.h"
#include "sdk/host.h"
#include "tags/camera_tag.h"
#include "tags/light_tag.h"
#include "tags/marker_tags.h"
#include "tags/material_helper.h"
#include "tags/orvane_instance.h"
#include "tags/render_settings.h"

namespace {

// String IDs of the display names.
namespace name_id {
constexpr int32_t kRenderSettings = 10000;
constexpr int32_t kLightTag = 10002;
constexpr int32_t kMaterialHelper = 10003;
constexpr int32_t kShowAbout = 10005;
constexpr int32_t kExitPortal = 10006;
constexpr int32_t kExportAndRun = 10007;
constexpr int32_t kCameraTag = 10009;
constexpr int32_t kConvertMats = 10010;
constexpr int32_t kOrvaneInstance = 10011;
constexpr int32_t kImportOvm = 10014;
constexpr int32_t kAnimationTag = 10015;
}  // namespace name_id

std::unique_ptr<HostBitmap> LoadIcon(const char* file) {
    return TheHost().LoadBitmap(module::PluginDirectory() + HostFilename("res") + HostFilename(file));
}

bool RegisterTag(int32_t id, int32_t nameId, int32_t flags, TagAllocator allocator, const char* icon,
                 const char* description) {
    const HostString name = TheHost().LoadString(nameId);
    if (name.IsEmpty()) return true;  // a class without a name is left out
    auto bitmap = LoadIcon(icon);
    if (!bitmap) return false;
    return TheHost().RegisterTagPlugin(id, name, flags, allocator, description, bitmap.get(), 0);
}

bool RegisterObject(int32_t id, int32_t nameId, int32_t flags, ObjectAllocator allocator, const char* icon,
                    const char* description) {
    const HostString name = TheHost().LoadString(nameId);
    if (name.IsEmpty()) return true;
    auto bitmap = LoadIcon(icon);
    if (!bitmap) return false;
    return TheHost().RegisterObjectPlugin(id, name, flags, allocator, description, bitmap.get(), bitmap.get(), 0);
}

template <class Command>
bool RegisterCommand(int32_t id, int32_t nameId, const char* icon, const char* help) {
    const HostString name = TheHost().LoadString(nameId);
    if (name.IsEmpty()) return true;
    auto bitmap = LoadIcon(icon);
    if (!bitmap) return false;
    return TheHost().RegisterCommandPlugin(id, name, 0, bitmap.get(), help, std::make_unique<Command>());
}

// The two separator lines count as one step.
bool RegisterSeparators() {
    if (!TheHost().RegisterCommandPlugin(plugin_id::kSeparator1, "#$3 --", 0, nullptr, "",
                                         std::make_unique<MenuSeparator>())) {
        return false;
    }
    return TheHost().RegisterCommandPlugin(plugin_id::kSeparator2, "#$6 --", 0, nullptr, "",
                                           std::make_unique<MenuSeparator>());
}

// The helper tag's buttons write a material library and open the preview dialog.
void SetHelperTagActions() {
    MaterialHelperActions actions;
    actions.exportLibrary = [](HostDocument* document, HostTag* tag, const HostFilename& file, bool copyTextures) {
        return WriteMaterialLibrary({document, tag, file, false, copyTextures});
    };
    actions.openPreview = OpenPreviewDialog;
    SetMaterialHelperActions(actions);
}

}  // namespace

bool RegisterModule() {
    using namespace plugin_id;
    SetHelperTagActions();
    const bool registered =
        RegisterTag(kLightTag, name_id::kLightTag, 1, MyLightTag::Alloc, "LightTag.tif", "tMyLightTag") &&
        RegisterTag(kMaterialHelper, name_id::kMaterialHelper, 3, MyMaterialHelper::Alloc, "MaterialHelper.tif",
                    "TMyMaterialHelper") &&
        RegisterTag(kExitPortal, name_id::kExitPortal, 1, MyExitPortal::Alloc, "ExitPortal.tif", "TMyExitPortal") &&
        RegisterTag(kCameraTag, name_id::kCameraTag, 1, CameraTag::Alloc, "CameraTag.tif", "TCameraTag") &&
        RegisterTag(kAnimationTag, name_id::kAnimationTag, 1, AnimationTag::Alloc, "ExitPortal.tif",
                    "TAnimationTag") &&
        RegisterCommand<MyExportAndRun>(kExportAndRun, name_id::kExportAndRun, "Export.tif", "Export and Run") &&
        RegisterCommand<ShowAbout>(kShowAbout, name_id::kShowAbout, "About.tif", "About") &&
        RegisterCommand<ConvertMats>(kConvertMats, name_id::kConvertMats, "ConvertMats.tif", "Convert Materials") &&
        RegisterCommand<ImportOVM>(kImportOvm, name_id::kImportOvm, "Export.tif", "Import .ovm") &&
        RegisterObject(kOrvaneInstance, name_id::kOrvaneInstance, 4, OrvaneInstance::Alloc, "instance.tif",
                       "Oorvaneinstance") &&
        RegisterObject(kRenderSettings, name_id::kRenderSettings, 4, MyRenderSettings::Alloc, "RenderSettings.tif",
                       "oMyRenderSettings") &&
        RegisterSeparators();
    if (registered) TheHost().Print(kVersionLine);
    return registered;
}
