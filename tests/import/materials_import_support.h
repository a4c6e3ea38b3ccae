// An import context around a scene for tests of the materials part: an empty document without
// plug-ins, the host's default drives, and the messages kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "headless/files/files.h"
#include "import/import_context.h"

namespace scene_import {

struct MaterialsImport {
    headless::HlDocument document{nullptr};
    headless::FileSystem files;
    ImportOptions options;
    std::vector<std::string> warnings, console;
    ImportMessages messages{[this](const std::string& line) { console.push_back(line); },
                            [this](const std::string& line) { warnings.push_back(line); }, nullptr};
    std::optional<ImportContext> context;

    // Runs ImportMaterials on the scene as if it were read from FOLDER/NAME.
    void Run(const aiScene& scene, const std::string& folder, const std::string& name) {
        context.emplace(ImportContext{scene, document, nullptr, options, messages, AxisConversion(aiMatrix3x3(), 1.0),
                                      folder, name, files});
        ImportMaterials(*context);
    }
    HostMaterial& Material(size_t index) const { return *context->materials.at(index); }
};

}  // namespace scene_import
