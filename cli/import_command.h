// `vexlor import`, and scenes of other programs wherever a command takes a document.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/session.h"

namespace cli {

struct ImportArguments {
    std::string scene;
    std::string output;
    bool noConvert = false;
    double fps = 0;
    double unit = 0;
};

void AddImportOptions(CLI::App& command, ImportArguments& arguments);
// Imports a scene file (glTF, FBX, COLLADA, OBJ, ...), runs Convert Materials on it unless
// --no-convert, and saves it as a document; embedded textures go to "DOC.textures" beside it.
int RunImport(Session& session, const ImportArguments& arguments);

// Makes the file the active document: a JSON document is loaded, any other file is imported
// in memory (its embedded textures written to `texturesFolder`, by default "NAME.textures"
// beside it) and, when `convert` is set, its materials are converted as `vexlor import` converts
// them.  Exit status 2 with one message when the file is refused.
bool OpenDocument(Session& session, const std::string& path, int& exitStatus, bool convert = true,
                  const std::string& texturesFolder = {});

}  // namespace cli
