#include "cli/import_command.h"

#include <filesystem>
#include <iostream>

#include "cli/module_commands.h"
#include "headless/files/native_io.h"
#include "headless/json/document_json.h"
#include "import/import_scene.h"

namespace cli {

using headless::native::FsPath;
using headless::native::Utf8;

namespace {

// Imports the scene into the session's host; conversions are printed on its console,
// warnings on stderr, progress on its status bar.
bool ImportInto(Session& session, const std::string& path, const scene_import::ImportOptions& options,
                int& exitStatus) {
    if (!NativeArgument("scene", path)) {
        exitStatus = kExitBadInput;
        return false;
    }
    headless::HeadlessHost& host = session.Host();
    scene_import::ImportMessages messages;
    messages.console = [&host](const std::string& line) { host.Print(line); };
    messages.warning = [](const std::string& line) { std::cerr << "vexlor: warning: " << line << "\n"; };
    messages.progress = [&host](const std::string& stage, int percent) {
        host.StatusSetText(stage);
        host.StatusSetBar(percent);
    };
    std::string error;
    auto document = scene_import::ImportScene(path, options, host.Files(), &host.Registry(), messages, error);
    host.StatusClear();
    if (!document) {
        std::cerr << "vexlor: " << error << "\n";
        exitStatus = kExitBadInput;
        return false;
    }
    host.SetDocument(std::move(document));
    return true;
}

// Convert Materials on the imported document, when it has materials to convert.
bool ConvertImported(Session& session) {
    return !session.Host().GetActiveDocument()->GetFirstMaterial() || RunModuleCommand(session, kConvertCommand);
}

}  // namespace

bool OpenDocument(Session& session, const std::string& path, int& exitStatus, bool convert,
                  const std::string& texturesFolder) {
    if (!scene_import::IsSceneFile(path)) return session.LoadDocument(path, exitStatus);
    scene_import::ImportOptions options;
    options.texturesFolder = texturesFolder;
    if (!ImportInto(session, path, options, exitStatus)) return false;
    if (convert && !ConvertImported(session)) {
        exitStatus = kExitFailure;
        return false;
    }
    return true;
}

void AddImportOptions(CLI::App& command, ImportArguments& a) {
    command.add_option("scene", a.scene, "Scene file: glTF (.gltf, .glb), FBX, COLLADA (.dae), OBJ (with MTL), PLY, "
                                         "STL, 3DS and every other format the scene reader knows")
        ->required()
        ->check(kExistingFile);
    command.add_option("-o,--output", a.output, "The document to write (JSON)")->required();
    command.add_flag("--no-convert", a.noConvert, "Keep the host materials; do not run Convert Materials");
    command.add_option("--fps", a.fps, "Frames per second of the document (default: the file's, else 30)")
        ->check(CLI::PositiveNumber);
    command.add_option("--unit", a.unit, "Metres per unit of files without a unit of their own (OBJ, PLY, STL); "
                                         "default 1")
        ->check(CLI::PositiveNumber);
}

int RunImport(Session& session, const ImportArguments& a) {
    const auto output = NativeArgument("-o", a.output);
    if (!output) return kExitBadInput;
    scene_import::ImportOptions options;
    options.fps = a.fps;
    options.unitMetres = a.unit;
    const std::filesystem::path target = FsPath(*output);
    options.texturesFolder = Utf8(target.parent_path() / FsPath(Utf8(target.stem()) + ".textures"));
    int status = kExitOk;
    if (!ImportInto(session, a.scene, options, status)) return status;
    if (!a.noConvert && !ConvertImported(session)) return kExitFailure;
    if (!CreateFolder(Utf8(target.parent_path()))) return kExitFailure;
    return WriteDocument(session, *output, a.output);
}

}  // namespace cli
