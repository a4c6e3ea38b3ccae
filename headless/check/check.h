// `vexlor check`: a check of a scene file (".ovs") and the OBJ mesh files it names, before the
// renderer reads them.  Each problem names a file and a line: malformed XML, a root other than
// "scene", names that nothing declares, files that do not exist, OBJ faces that point past
// the file's vertices, OBJ count comments that do not match, numbers that are not numbers.
//
// The check reads text and files only; it needs neither the module nor a document.  Paths
// are resolved as the headless host resolves them: absolute host paths ("C:\...") through its
// drive map, other paths relative to the scene file's folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace headless {

class FileSystem;

struct CheckProblem {
    std::string file;  // the scene file, or the OBJ file the problem is in
    int line = 0;
    int column = 0;    // only for malformed XML; 0 otherwise
    std::string text;
};

// "FILE:LINE: text", or "FILE:LINE:COLUMN: text" when the problem has a column.
std::string FormatProblem(const CheckProblem& problem);

struct SceneCheck {
    bool readable = true;  // false: the scene file could not be read (no problems then)
    std::string error;     // why it could not be read
    std::vector<CheckProblem> problems;
    // What the scene holds: "mesh" elements; "model", "exit_portal" and "meshlight"
    // elements; "material" elements; OBJ files read.
    size_t meshes = 0;
    size_t models = 0;
    size_t materials = 0;
    size_t objFiles = 0;
};

struct CheckOptions {
    // Off: names and numbers only; no file is looked at (for the fuzz target).
    bool checkFiles = true;
};

// Checks the scene file at the path of this machine.
SceneCheck CheckScene(const std::string& path, const FileSystem& files, const CheckOptions& options = {});
// Checks scene text; `path` names the file in problems and gives the folder that relative
// paths start from.
SceneCheck CheckSceneText(const std::string& text, const std::string& path, const FileSystem& files,
                          const CheckOptions& options = {});

}  // namespace headless
