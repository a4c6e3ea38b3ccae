#include "cli/command_line.h"

#include <filesystem>
#include <iostream>
#include <new>

#include <CLI/CLI.hpp>

#include "cli/check_command.h"
#include "cli/listing.h"
#include "cli/module_commands.h"
#include "cli/session.h"
#include "headless/files/native_io.h"

namespace cli {

namespace {

// The commands that answer the module's dialogs and prompts themselves: a UI script of the
// user's would be set aside, so it is refused with them.
bool AnswersItsOwnPrompts(const CLI::App& command) {
    for (const char* name : {"export", "renderer", "preview", "export-ovm", "import-ovm"}) {
        if (command.get_name() == name) return true;
    }
    return false;
}

int RunParsed(CLI::App& app, const HostOptions& options, const std::string& documentPath,
              const std::vector<std::string>& checkScenes, const CommandArguments& arguments) {
    CLI::App* command = app.get_subcommands().front();
    const std::string name = command->get_name();
    if (!options.uiScript.empty() && AnswersItsOwnPrompts(*command)) {
        std::cerr << "vexlor: --ui cannot be used with " << name
                  << ": the command answers the module's dialogs and prompts itself\n";
        return kExitBadInput;
    }
    int status = kExitOk;
    Session session(options);
    if (name == "check") {
        if (!session.StartHost(status)) return status;
        return RunCheck(session.Host().Files(), checkScenes, std::cout, std::cerr);
    }
    if (!session.Start(status)) return status;
    ProgressLine progress(session.Host());
    if (name == "info") return RunInfo(session, documentPath);
    if (name == "export") return RunExport(session, arguments.exportArguments);
    if (name == "renderer") return RunRenderer(session, arguments.rendererDirectory);
    if (name == "about") return RunAbout(session);
    if (name == "preview") return RunPreview(session, arguments.preview);
    if (name == "convert-materials") return RunConvertMaterials(session, documentPath, arguments.convertOutput);
    if (name == "export-ovm") return RunExportLibrary(session, arguments.exportLibrary);
    if (name == "import-ovm") return RunImportLibrary(session, arguments.importLibrary);
    if (name == "import") return RunImport(session, arguments.importScene);
    return kExitBadInput;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv) {
    try {
        CLI::App app{"Vexlor: exports scenes of the host application to the Orvane renderer, headless."};
        app.allow_windows_style_options(false);  // "/path" is a path on every system
        app.require_subcommand(1);
        HostOptions options;
        AddHostOptions(app, options);

        std::string documentPath;
        CommandArguments arguments;
        CLI::App* info = app.add_subcommand("info", "Load the module and a document; list the registrations and "
                                                    "the document's tree");
        info->add_option("document", documentPath, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);

        CLI::App* exportCommand =
            app.add_subcommand("export", "Export a document through the export dialog, as \"Export and Run\" does");
        AddExportOptions(*exportCommand, arguments.exportArguments);

        CLI::App* renderer = app.add_subcommand("renderer", "Show the stored renderer location, or store a new one");
        renderer->add_option("directory", arguments.rendererDirectory, "The renderer's directory (holding orvane.exe)");

        app.add_subcommand("about", "Print the lines of the About box");

        CLI::App* preview = app.add_subcommand("preview", "Render a preview of an object's material helper tag");
        AddPreviewOptions(*preview, arguments.preview);

        CLI::App* convert = app.add_subcommand(
            "convert-materials", "Make material helper tags from the document's materials; save the result");
        convert->add_option("document", documentPath, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);
        convert->add_option("-o,--output", arguments.convertOutput, "The converted document (JSON)")->required();

        CLI::App* exportLibrary = app.add_subcommand(
            "export-ovm", "Export the material of an object's material helper tag to a material library (.ovm)");
        AddExportLibraryOptions(*exportLibrary, arguments.exportLibrary);

        CLI::App* importLibrary = app.add_subcommand(
            "import-ovm", "Import a material library (.ovm) into a document, as \"Import .ovm\" does; save the result");
        AddImportLibraryOptions(*importLibrary, arguments.importLibrary);

        CLI::App* importScene = app.add_subcommand(
            "import", "Import a scene of another program (glTF, FBX, COLLADA, OBJ, ...) as a document; save it");
        AddImportOptions(*importScene, arguments.importScene);

        std::vector<std::string> checkScenes;
        CLI::App* check = app.add_subcommand(
            "check", "Check scene files (.ovs) and the OBJ files they name; no module needed");
        check->add_option("scenes", checkScenes, "Scene files (.ovs)")->required();

        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            const int status = app.exit(e);
            return status == 0 ? kExitOk : kExitBadInput;
        }
        return RunParsed(app, options, documentPath, checkScenes, arguments);
    } catch (const std::bad_alloc&) {
        std::cerr << "vexlor: out of memory\n";
    } catch (const std::filesystem::filesystem_error& e) {
        std::cerr << "vexlor: " << (e.path1().empty() ? "" : headless::native::Utf8(e.path1()) + ": ") << e.code().message() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "vexlor: " << e.what() << "\n";
    }
    return kExitFailure;
}

}  // namespace cli
