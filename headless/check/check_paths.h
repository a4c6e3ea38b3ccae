// File paths that a scene file names, resolved as the headless host resolves them.
#pragma once

#include <string>
#include <string_view>

#include "sdk/filename.h"

namespace headless {
class FileSystem;
}

namespace headless::check {

struct PathOutcome {
    std::string native;   // the file of this machine, when the path could be resolved
    std::string problem;  // "" when the file exists ("no such file (NATIVE)", ...)
};

// The file that `path` names: an absolute host path ("C:\...", "C:/...") through the drive
// map of `files`; a path of this machine ("/...") as it is; any other path relative to the
// scene's folder (`sceneFolder`, the host path of the folder; `sceneFolderNative` when no
// drive holds it).  Then looks at the file.
PathOutcome ResolveScenePath(std::string_view path, const FileSystem& files, const HostFilename& sceneFolder,
                             const std::string& sceneFolderNative);

}  // namespace headless::check
