// The commands of `vexlor` that run the module's own commands through the scripted UI (the
// export is in export_command.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/import_command.h"
#include "cli/session.h"

namespace cli {

// The module's "Export and Run" command and its export dialog (a dialog resource).
inline constexpr int32_t kExportCommand = 1021741;
inline constexpr int32_t kExportDialog = 10016;
// The module's "Convert Materials" command.
inline constexpr int32_t kConvertCommand = 1021852;

struct ExportArguments {
    std::string document;
    std::string output;
    std::string frames;  // "FIRST:LAST" or "all"
    bool noShareStatic = false;
    bool alpha = false;
    bool skipMeshes = false;
    bool clay = false;
    bool merge = false;
    std::optional<double> networkPort;
    std::string image;
    bool render = false;
    bool console = false;
    bool belowNormal = false;
    std::string renderer;
    bool overwrite = false;
};

void AddExportOptions(CLI::App& command, ExportArguments& arguments);
// Exports while holding the target lock (cli/target_lock.h); lists the files written.
int RunExport(Session& session, const ExportArguments& arguments);

// Shows the stored renderer location, or stores a new one when a directory is given.
int RunRenderer(Session& session, const std::string& directory);
// Prints the lines of the About box.
int RunAbout(Session& session);

struct PreviewArguments {
    std::string document;
    std::string object;
    std::string quality = "normal";
    std::string renderer;
};
void AddPreviewOptions(CLI::App& command, PreviewArguments& arguments);
// Presses the preview button of an object's material helper tag and renders from the dialog.
int RunPreview(Session& session, const PreviewArguments& arguments);

// Runs "Convert Materials" on a document and saves the result.
int RunConvertMaterials(Session& session, const std::string& document, const std::string& output);

struct ExportLibraryArguments {
    std::string document;
    std::string object;
    int tag = 0;  // which material helper tag of the object (0 = the first)
    std::string output;
    bool copyTextures = false;
};
void AddExportLibraryOptions(CLI::App& command, ExportLibraryArguments& arguments);
// Presses the library export button of an object's material helper tag, answering the file
// and the texture question.
int RunExportLibrary(Session& session, const ExportLibraryArguments& arguments);

struct ImportLibraryArguments {
    std::string document;
    std::string library;
    std::string output;
};
void AddImportLibraryOptions(CLI::App& command, ImportLibraryArguments& arguments);
// Runs "Import .ovm" on a document with the library chosen, and saves the result.
int RunImportLibrary(Session& session, const ImportLibraryArguments& arguments);

// Lists the module's registrations and the document's tree; status 1 when a registration of
// the module failed.
int RunInfo(Session& session, const std::string& document);

// The arguments of every command, filled by the parser.
struct CommandArguments {
    ExportArguments exportArguments;
    std::string rendererDirectory;
    PreviewArguments preview;
    std::string convertOutput;
    ExportLibraryArguments exportLibrary;
    ImportLibraryArguments importLibrary;
    ImportArguments importScene;
};

// Saves the active document to `path` (the native path of `given`), whole or not at all.
int WriteDocument(Session& session, const std::string& path, const std::string& given);

// Runs one of the module's commands on the active document; false after a message when the
// module did not register it or the command reports that its work failed.
bool RunModuleCommand(Session& session, int32_t id);
// The renderer location the module stored, or nothing.
std::optional<std::string> StoredRenderer(Session& session);
// Sets the steps the UI answers the module's prompts with; false after a message.
bool SetScript(Session& session, const nlohmann::json& steps);
// Adds the answer to the renderer chooser when no location is stored yet; false after a
// message when none is given.
bool AddRendererStep(Session& session, const std::string& renderer, nlohmann::json& steps);

}  // namespace cli
