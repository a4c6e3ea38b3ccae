#include <cctype>

#include "headless/files/native_io.h"
#include "import/import_scene.h"

namespace scene_import {

bool IsSceneFile(const std::string& nativePath) {
    std::string extension = headless::native::Utf8(headless::native::FsPath(nativePath).extension());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension != ".json";
}

}  // namespace scene_import
