// The run script "run.cmd" in the module's directory: a Windows command script that starts
// the renderer on the exported scene files, one frame after the other.
#pragma once

#include <cstdint>
#include <string>

#include "sdk/file.h"
#include "sdk/filename.h"

struct RunScriptOptions {
    HostFilename rendererPath;
    HostFilename sceneFile;
    int32_t priority = 1661;  // 1660: below normal
    HostFilename imageFile;   // empty: no image option
    bool console = false;
    bool networkRender = false;
    int32_t networkPort = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
};

inline constexpr int32_t kPriorityBelowNormal = 1660;

HostFilename RunScriptPath();
// A path as a script writes it: every "%" doubled.
std::string ScriptPath(const std::string& path);
// The script text, with "chcp 65001 > nul" as its second line when it holds a byte that is
// not ASCII.
std::string WithScriptCodePage(std::string text);
// The script's text (line feeds only).
std::string RunScriptText(const RunScriptOptions& options);
// Writes the script; returns its path, or an empty name (after a console line) when it could
// not be written.
HostFilename WriteRunScript(const RunScriptOptions& options);
// Writes a script text to run.cmd whole; false when that failed.
bool WriteScriptText(const std::string& text, const HostFilename& path);
// The network port gadget's value truncated toward zero (clamped to the 32-bit range).
int32_t PortNumber(double value);
