// The import where the program is built without the scene reader (Windows): every scene file
// is refused with the reason.  Elsewhere the reader's import is built and this file is empty.
#include "import/import_scene.h"

#ifdef _WIN32

namespace scene_import {

std::unique_ptr<headless::HlDocument> ImportScene(const std::string& nativePath, const ImportOptions&,
                                                  const headless::FileSystem&, const headless::PluginRegistry*,
                                                  const ImportMessages&, std::string& error) {
    error = nativePath + ": cannot import the scene: this build of vexlor reads no scenes of other programs";
    return nullptr;
}

}  // namespace scene_import

#endif
