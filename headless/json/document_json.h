// Documents as JSON files: loading (with exact error messages) and saving.  The format is
// described in docs/document-format.md.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "headless/scene/nodes.h"

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
// The largest document file LoadDocumentFile reads: 1 GiB.  A larger one is refused unread, so
// a wrong path (a disk image, a log) cannot use up the memory.
inline constexpr uint64_t kMaxDocumentBytes = 1073741824;
// Reads a document from a regular file of at most kMaxDocumentBytes; folders, devices and
// FIFOs are refused.  The document is named after the file and its path is the file's folder.
std::unique_ptr<HlDocument> LoadDocumentFile(const std::string& nativePath, const FileSystem& files,
                                             const PluginRegistry* registry, LoadError& error);

// The two ways LoadDocument reads a document, open for the tests that hold them to the same
// results.  LoadFast reads the usual documents quickly and returns null, telling nothing, on
// anything unusual, errors included; LoadPrecise reads every text and reports exact errors.
namespace document_loading {
std::unique_ptr<HlDocument> LoadFast(const std::string& text, const std::string& source, const HostFilename& folder,
                                     const PluginRegistry* registry);
std::unique_ptr<HlDocument> LoadPrecise(const std::string& text, const std::string& source, const HostFilename& folder,
                                        const PluginRegistry* registry, LoadError& error);
}  // namespace document_loading

// Writes a document back as JSON text that LoadDocument reads to an equal document.
std::string SaveDocument(const HlDocument& document);

// What loading and saving share: the names the format gives to numbers, and its limits.
namespace document_format {

inline constexpr int kMaxNesting = 2000;     // arrays and objects inside each other in the text
inline constexpr int kMaxObjectDepth = 500;  // objects inside each other in the tree

enum class Names { kObjectType, kTagType, kMaterialType, kProjection, kRenderMode };

// The name of a value (object and tag types include the module's classes), or null when it
// has none and is written as its number.
const char* NameOf(Names names, int32_t value);
std::optional<int32_t> ValueOf(Names names, std::string_view name);

// A number as the host's 32-bit real: nullopt when it is out of range.  Values between the
// largest real and the half step beyond it round to the largest real.
std::optional<float> ToReal(double value);
// Rotations are written in degrees and held in radians.
double RadiansFromDegrees(double degrees);

}  // namespace document_format

}  // namespace headless
