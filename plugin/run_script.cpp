#include "plugin/run_script.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

std::string ScriptPath(const std::string& path) {
    std::string text;
    text.reserve(path.size());
    for (char c : path) {
        text += c;
        if (c == '%') text += '%';  // the command processor expands "%" even inside quotes
    }
    return text;
}

std::string WithScriptCodePage(std::string text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return text;
    // The command processor reads the script in the console's code page: switch it to UTF-8
    // before the first path.
    const size_t lineEnd = text.find('\n');
    text.insert(lineEnd == std::string::npos ? text.size() : lineEnd + 1, "chcp 65001 > nul\n");
    return text;
}

std::string RunScriptText(const RunScriptOptions& o) {
    std::string text = "@echo off\n";
    text += "cd /d \"" + ScriptPath(o.rendererPath.GetDirectory().Str()) + "\"\n";
    const std::string program = o.console ? "orvane_console.exe " : ScriptPath(o.rendererPath.GetFile().Str()) + " ";
    for (int64_t frame = o.firstFrame; frame <= o.lastFrame; ++frame) {
        const auto f = static_cast<int32_t>(frame);
        text += "echo Rendering frame " + FormatInt(f).Str() + "...\n";
        text += "start ";
        if (o.priority == kPriorityBelowNormal) text += "/belownormal ";
        text += "/wait /min " + program;
        text += "\"" + ScriptPath(FramePath(o.sceneFile, f, "ovs")) + "\"";
        if (o.networkRender) text += " -n wm -p " + FormatInt(o.networkPort).Str();
        if (!o.imageFile.IsEmpty()) text += " -o \"" + ScriptPath(FramePath(o.imageFile, f, "png")) + "\"";
        text += "\n";
        text += "echo Done!\necho ------------------\n";
    }
    return WithScriptCodePage(std::move(text));
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
