// Documents as JSON files: loading (with exact error messages) and saving.  The format is
// described in docs/document-format.md.
#pragma once

#include <memory>
#include <string>

#include "headless/nodes.h"

namespace headless {

class FileSystem;

struct LoadError {
    // "FILE:LINE:COLUMN: problem" for syntax errors, "FILE: KEY.PATH: problem" for content
    // errors (key paths like objects[2].tags[0].material).
    std::string message;
};

// Parses a document.  `source` names the file in errors; `folder` becomes the document's
// path (a host path).  The registry (may be null) types parameters of the module's classes
// by their descriptions and creates their plug-in instances.  Returns null on error.
std::unique_ptr<HlDocument> LoadDocument(const std::string& text, const std::string& source,
                                         const HostFilename& folder, const PluginRegistry* registry,
                                         LoadError& error);
std::unique_ptr<HlDocument> LoadDocumentFile(const std::string& nativePath, const FileSystem& files,
                                             const PluginRegistry* registry, LoadError& error);

// Writes a document back as JSON text that LoadDocument reads to an equal document.
std::string SaveDocument(const HlDocument& document);

}  // namespace headless
