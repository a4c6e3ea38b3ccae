// Feeds arbitrary text to the scene check: as a scene file (names, numbers and markup; no
// file is looked at) and as an OBJ mesh file.  Each problem names its file and a line, and
// the check never crashes, overruns or hangs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headless/check/check.h"
#include "headless/check/obj_check.h"
#include "headless/files/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const headless::FileSystem files;
    headless::CheckOptions options;
    options.checkFiles = false;
    const headless::SceneCheck scene = headless::CheckSceneText(text, "/fuzz/scene.ovs", files, options);
    for (const headless::CheckProblem& problem : scene.problems) {
        if (problem.file != "/fuzz/scene.ovs" || problem.line < 1 || problem.text.empty()) __builtin_trap();
    }
    if (scene.objFiles != 0 || scene.models > size) __builtin_trap();

    std::vector<headless::CheckProblem> problems;
    headless::check::CheckObjText(text, "m.obj", [](std::string_view name) { return name.size() % 2 == 0; },
                                  problems);
    if (problems.size() > headless::check::kMaxObjProblems + 1) __builtin_trap();
    for (const headless::CheckProblem& problem : problems) {
        if (problem.file != "m.obj" || problem.line < 1 || problem.text.empty()) __builtin_trap();
    }
    return 0;
}
