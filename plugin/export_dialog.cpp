#include "plugin/export_dialog.h"

#include "export/frame_loop.h"
#include "plugin/commands.h"
#include "plugin/renderer_location.h"
#include "plugin/run_script.h"
#include "sdk/host.h"

using namespace export_gadget;

// False when an export ran and a frame or the run script could not be written.
bool MyExportAndRun::Execute(HostDocument* /*document*/) {
    MyExportDialog dialog;
    dialog.Open(-1, -1, 0, 0);
    return !dialog.exportFailed;
}

bool MyExportDialog::CreateLayout() { return LoadDialogResource(kExportDialogResource); }

bool MyExportDialog::InitValues() {
    SetString(kRendererPath, rendererPath.GetString());
    SetBool(kRenderAfterExport, false);
    SetInt32(kPriority, 1661);
    SetBool(kForegroundAlpha, false);
    SetBool(kConsoleProgram, false);
    SetBool(kNetworkRender, false);
    SetReal(kNetworkPort, 7777, -9e18, 9e18, 1);
    SetBool(kFrameRange, false);
    SetInt32(kFirstFrame, 0, -2147483647, 2147483647, 1);
    SetInt32(kLastFrame, 0, -2147483647, 2147483647, 1);
    SetBool(kShareStaticMeshes, true);
    // Skip mesh files, clay mode, merging and the image option keep the resource's state.

    if (!ReadOrChooseRendererPath(rendererPath)) return false;
    SetString(kRendererPath, rendererPath.GetString());
    return true;
}

bool MyExportDialog::Command(int32_t id, const ParamContainer& /*message*/) {
    switch (id) {
        case kExport: ExportAction(); break;
        case kCancel: Close(false); break;
        case kChooseRenderer: ChooseAndShowRenderer(*this, kRendererPath, rendererPath); break;
        default: break;
    }
    return true;
}

bool MyExportDialog::Checked(int32_t id) const {
    bool value = false;
    GetBool(id, value);
    return value;
}

void MyExportDialog::ExportAction() {
    Host& host = TheHost();
    if (!host.FileSelect(FileSelectMode::kSave, "Save ovs...", sceneFile)) return;
    HostFilename imageFile;
    if (Checked(kSaveImage) && !host.FileSelect(FileSelectMode::kSave, "Save png...", imageFile)) return;
    sceneFile.SetSuffix("ovs");
    if (!imageFile.IsEmpty()) imageFile.SetSuffix("png");
    if (host.FileExists(sceneFile) && !host.QuestionDialog("File already exists. Overwrite?")) return;

    ExportOptions options;
    const bool render = Checked(kRenderAfterExport);
    options.networkRender = Checked(kNetworkRender);
    options.foregroundAlpha = Checked(kForegroundAlpha);
    options.skipMeshFiles = Checked(kSkipMeshFiles);
    options.clayMode = Checked(kClayMode);
    options.mergeDuplicates = Checked(kMergeDuplicates);
    options.useFrameRange = Checked(kFrameRange);
    if (options.useFrameRange) {
        GetInt32(kFirstFrame, options.firstFrame);
        GetInt32(kLastFrame, options.lastFrame);
        options.shareStaticMeshes = Checked(kShareStaticMeshes);
    }
    HostDocument* document = host.GetActiveDocument();
    if (!document) {
        host.Print("* Error: there is no document to export.");
        exportFailed = true;
        return;
    }
    const ExportResult result = ExportFrames(*document, sceneFile, options);
    exportFailed = !result.Ok();

    if (render) {
        RunScriptOptions script;
        script.rendererPath = rendererPath;
        script.sceneFile = sceneFile;
        GetInt32(kPriority, script.priority);
        double port = 0;
        GetReal(kNetworkPort, port);
        script.networkPort = PortNumber(port);
        script.console = Checked(kConsoleProgram);
        script.networkRender = options.networkRender;
        script.imageFile = imageFile;
        script.firstFrame = result.firstFrame;
        script.lastFrame = result.lastFrame;
        const HostFilename path = WriteRunScript(script);
        if (path.IsEmpty()) exportFailed = true;
        else host.ExecuteFile(path);
    }
    Close(true);
}
