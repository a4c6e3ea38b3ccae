#include "plugin/run_script.h"

#include <cmath>

#include "core/format.h"
#include "core/module.h"
#include "export/export_xml.h"
#include "sdk/host.h"

HostFilename RunScriptPath() { return module::PluginDirectory() + HostFilename("run.cmd"); }

int32_t PortNumber(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(std::trunc(value));
}

namespace {

// The path of a frame's file: the directory, and the name without its suffix + "_frame" + f.
std::string FramePath(const HostFilename& chosen, int32_t frame, const char* suffix) {
    HostFilename base = chosen.GetFile();
    base.ClearSuffix();
    return (chosen.GetDirectory() + FrameFileName(base, frame, suffix)).Str();
}

}  // namespace

std::string RunScriptText(const RunScriptOptions& o) {
    std::string text = "@echo off\n";
    text += "cd /d \"" + o.rendererPath.GetDirectory().Str() + "\"\n";
    const std::string program = o.console ? "orvane_console.exe " : o.rendererPath.GetFile().Str() + " ";
    for (int64_t frame = o.firstFrame; frame <= o.lastFrame; ++frame) {
        const auto f = static_cast<int32_t>(frame);
        text += "echo Rendering frame " + FormatInt(f).Str() + "...\n";
        text += "start ";
        if (o.priority == kPriorityBelowNormal) text += "/belownormal ";
        text += "/wait /min " + program;
        text += "\"" + FramePath(o.sceneFile, f, "ovs") + "\"";
        if (o.networkRender) text += " -n wm -p " + FormatInt(o.networkPort).Str();
        if (!o.imageFile.IsEmpty()) text += " -o \"" + FramePath(o.imageFile, f, "png") + "\"";
        text += "\n";
        text += "echo Done!\necho ------------------\n";
    }
    return text;
}

bool WriteScriptText(const std::string& text, const HostFilename& path) {
    auto file = TheHost().OpenFile(path, FileMode::kWrite);
    if (!file) return false;
    const bool written = file->Write(text);
    return file->Close() && written;
}

HostFilename WriteRunScript(const RunScriptOptions& options) {
    const HostFilename path = RunScriptPath();
    if (!WriteScriptText(RunScriptText(options), path)) {
        TheHost().Print("* Error: the run script could not be written: " + path.GetString());
        return HostFilename();
    }
    return path;
}
