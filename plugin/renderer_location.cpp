#include "plugin/renderer_location.h"

#include "sdk/dialog.h"

#include "core/module.h"
#include "sdk/host.h"

HostFilename ConfigurationFile() { return module::PluginDirectory() + HostFilename("vexlor.cfg"); }

bool ReadRendererPath(HostFilename& path) {
    Host& host = TheHost();
    auto file = host.OpenFile(ConfigurationFile(), FileMode::kRead);
    if (!file) return false;
    HostString stored;
    if (!file->ReadString(stored)) {
        // A damaged file is not read as a path: the caller asks for the directory again.
        host.Print("* The renderer location in " + ConfigurationFile().GetString() +
                   " is damaged; choose the renderer directory again.");
        return false;
    }
    path = HostFilename(stored);
    return true;
}

int32_t ChooseRendererDirectory() {
    Host& host = TheHost();
    HostFilename directory;
    if (!host.FileSelect(FileSelectMode::kDirectory, "Choose Orvane dir", directory)) return 1;
    const HostFilename program = directory + HostFilename("orvane.exe");
    const HostFilename config = ConfigurationFile();
    auto file = host.OpenFile(config, FileMode::kWrite);
    const bool written = file && file->WriteString(program.GetString()) && file->Close();
    if (!written) host.Print("* Error: the renderer location could not be written to " + config.GetString());
    return 1;
}

bool ReadOrChooseRendererPath(HostFilename& path) {
    if (ReadRendererPath(path)) return true;
    ChooseRendererDirectory();
    return ReadRendererPath(path);
}

void ChooseAndShowRenderer(GeDialog& dialog, int32_t gadget, HostFilename& path) {
    ChooseRendererDirectory();
    ReadRendererPath(path);
    dialog.SetString(gadget, path.GetString());
}
