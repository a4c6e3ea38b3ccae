#include "cli/check_command.h"

#include <ostream>

#include "cli/session.h"
#include "headless/check/check.h"

namespace cli {

namespace {

std::string Counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int RunCheck(const headless::FileSystem& files, const std::vector<std::string>& scenes, std::ostream& out,
             std::ostream& err) {
    size_t problems = 0, scenesWithProblems = 0, unreadable = 0;
    size_t meshes = 0, models = 0, materials = 0, objFiles = 0;
    for (const std::string& scene : scenes) {
        const headless::SceneCheck result = headless::CheckScene(scene, files);
        if (!result.readable) {
            err << "vexlor: " << scene << ": cannot read the file: " << result.error << "\n";
            ++unreadable;
            continue;
        }
        for (const headless::CheckProblem& problem : result.problems) out << headless::FormatProblem(problem) << "\n";
        problems += result.problems.size();
        if (!result.problems.empty()) ++scenesWithProblems;
        meshes += result.meshes;
        models += result.models;
        materials += result.materials;
        objFiles += result.objFiles;
    }
    const std::string checked = Counted(scenes.size() - unreadable, "scene", "scenes");
    if (problems == 0) {
        out << "checked " << checked << ": no problems (" << Counted(meshes, "mesh", "meshes") << ", "
            << Counted(models, "model", "models") << ", " << Counted(materials, "material", "materials") << ", "
            << Counted(objFiles, "OBJ file", "OBJ files") << ")\n";
    } else {
        out << "checked " << checked << ": " << Counted(problems, "problem", "problems") << " in "
            << Counted(scenesWithProblems, "scene", "scenes") << "\n";
    }
    out.flush();
    if (unreadable > 0) return kExitBadInput;
    return problems > 0 ? kExitFailure : kExitOk;
}

}  // namespace cli
