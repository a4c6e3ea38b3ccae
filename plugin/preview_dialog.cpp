#include "plugin/preview_dialog.h"

#include "core/module.h"
#include "materials/library_export.h"
#include "plugin/renderer_location.h"
#include "plugin/run_script.h"
#include "sdk/host.h"

using namespace preview_gadget;

namespace {

HostFilename PreviewFolder() { return module::PluginDirectory() + HostFilename("preview"); }

}  // namespace

std::string QualityOption(int32_t preset) {
    switch (preset) {
        case 1669: return " -haltspp 400";
        case 1670: return " -haltspp 200";
        case 1671: return " -haltspp 75";
        case 1702: return " -haltspp 1000";
        default: return "";
    }
}

std::string PreviewScriptText(const HostFilename& rendererPath, const HostFilename& previewScene,
                              const HostFilename& imagePath, int32_t quality) {
    return WithScriptCodePage("@echo off\ncd /d \"" + ScriptPath(rendererPath.GetDirectory().Str()) + "\"\n" +
                              "start /min /belownormal orvane_console.exe \"" + ScriptPath(previewScene.Str()) +
                              "\" -o \"" + ScriptPath(imagePath.Str()) + "\"" + QualityOption(quality) + "\n");
}

HostFilename WritePreviewScript(const HostFilename& rendererPath, const HostFilename& previewScene,
                                const HostFilename& imagePath, int32_t quality) {
    const HostFilename path = RunScriptPath();
    if (!WriteScriptText(PreviewScriptText(rendererPath, previewScene, imagePath, quality), path)) {
        TheHost().Print("* Error: the run script could not be written: " + path.GetString());
        return HostFilename();
    }
    return path;
}

void OpenPreviewDialog(const HostFilename& imagePath, HostTag* helperTag) {
    PreviewDialog dialog;
    dialog.imagePath = imagePath;
    dialog.helperTag = helperTag;
    dialog.Open(-1, -1, 0, 0);
}

bool PreviewDialog::CreateLayout() { return LoadDialogResource(kPreviewDialogResource); }

bool PreviewDialog::InitValues() {
    SetInt32(kQuality, kDefaultPreviewQuality);
    if (!ReadOrChooseRendererPath(rendererPath)) return false;
    SetString(kRendererPath, rendererPath.GetString());
    return true;
}

bool PreviewDialog::Command(int32_t id, const ParamContainer& /*message*/) {
    switch (id) {
        case kRender: PreviewAction(); break;
        case kCancel: Close(false); break;
        case kChooseRenderer: ChooseAndShowRenderer(*this, kRendererPath, rendererPath); break;
        default: break;
    }
    return true;
}

void PreviewDialog::PreviewAction() {
    Host& host = TheHost();
    const HostFilename scene = PreviewFolder() + HostFilename("preview.ovs");
    int32_t quality = kDefaultPreviewQuality;
    GetInt32(kQuality, quality);
    const HostFilename script = WritePreviewScript(rendererPath, scene, imagePath, quality);

    MaterialLibraryRecord record;
    record.document = host.GetActiveDocument();
    record.tag = helperTag;
    record.file = PreviewFolder() + HostFilename("preview.ovm");
    record.preview = true;
    record.copyTextures = false;
    WriteMaterialLibrary(record);

    if (!script.IsEmpty()) host.ExecuteFile(script);
    Close(true);
}
