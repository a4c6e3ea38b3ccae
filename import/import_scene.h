// Scenes of other programs (glTF, FBX, COLLADA, OBJ with MTL, PLY, STL, 3DS and whatever else
// the scene reader knows) as host documents: the node tree with its placements, the meshes with
// their normals, UVs and materials, the cameras, the lights and the node animation.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "headless/files/native_io.h"
#include "headless/scene/nodes.h"

namespace headless {
class FileSystem;
class PluginRegistry;
}  // namespace headless

namespace scene_import {

struct ImportOptions {
    // Frames per second of the document; 0 takes the file's rate (30 when it has none).
    double fps = 0;
    // Metres per unit for files that do not say their unit (OBJ, PLY, STL); 0 counts them as
    // metres.  Files that say their unit (COLLADA, FBX) or fix it (glTF) keep theirs.
    double unitMetres = 0;
    // The native folder that receives the textures embedded in the file (a .glb's images),
    // created when there are any.  Empty: "NAME.textures" beside the scene file.
    std::string texturesFolder;
};

// Where the import tells what it did.  Each may be left empty.
struct ImportMessages {
    // One line per conversion the user should know of (a light turned into an emitter).
    std::function<void(const std::string& line)> console;
    // A problem that does not stop the import (a texture file that does not exist).
    std::function<void(const std::string& line)> warning;
    // Progress of a long import: a stage and its percentage.
    std::function<void(const std::string& stage, int percent)> progress;
};

// Reads the scene file into a new document (named after the file, its path the file's
// folder).  Returns null and sets `error` to "FILE: problem" when the file cannot be read or
// holds no scene.
std::unique_ptr<headless::HlDocument> ImportScene(const std::string& nativePath, const ImportOptions& options,
                                                  const headless::FileSystem& files,
                                                  const headless::PluginRegistry* registry,
                                                  const ImportMessages& messages, std::string& error);

// Whether the file is a scene to import (any file that is not a JSON document).
inline bool IsSceneFile(const std::string& nativePath) {
    std::string extension = headless::native::Utf8(headless::native::FsPath(nativePath).extension());
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension != ".json";
}

}  // namespace scene_import
