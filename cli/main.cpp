// vexlor: the headless host on the command line.
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/check_command.h"
#include "cli/listing.h"
#include "cli/module_commands.h"
#include "cli/session.h"

int main(int argc, char** argv) {
    CLI::App app{"Vexlor: exports scenes of the host application to the Orvane renderer, headless."};
    app.require_subcommand(1);
    cli::HostOptions options;
    cli::AddHostOptions(app, options);

    std::string documentPath;
    CLI::App* info = app.add_subcommand("info", "Load the module and a document; list the registrations and the "
                                                "document's tree");
    info->add_option("document", documentPath, "Document file (JSON)")->required()->check(CLI::ExistingFile);

    cli::ExportArguments exportArguments;
    CLI::App* exportCommand =
        app.add_subcommand("export", "Export a document through the export dialog, as \"Export and Run\" does");
    cli::AddExportOptions(*exportCommand, exportArguments);

    std::string rendererDirectory;
    CLI::App* renderer = app.add_subcommand("renderer", "Show the stored renderer location, or store a new one");
    renderer->add_option("directory", rendererDirectory, "The renderer's directory (holding orvane.exe)");

    CLI::App* about = app.add_subcommand("about", "Print the lines of the About box");

    cli::PreviewArguments previewArguments;
    CLI::App* preview = app.add_subcommand("preview", "Render a preview of an object's material helper tag");
    cli::AddPreviewOptions(*preview, previewArguments);

    std::string convertOutput;
    CLI::App* convert = app.add_subcommand("convert-materials",
                                           "Make material helper tags from the document's materials; save the result");
    convert->add_option("document", documentPath, "Document file (JSON)")->required()->check(CLI::ExistingFile);
    convert->add_option("-o,--output", convertOutput, "The converted document (JSON)")->required();

    cli::ExportLibraryArguments exportLibraryArguments;
    CLI::App* exportLibrary = app.add_subcommand(
        "export-ovm", "Export the material of an object's material helper tag to a material library (.ovm)");
    cli::AddExportLibraryOptions(*exportLibrary, exportLibraryArguments);

    cli::ImportLibraryArguments importLibraryArguments;
    CLI::App* importLibrary = app.add_subcommand(
        "import-ovm", "Import a material library (.ovm) into a document, as \"Import .ovm\" does; save the result");
    cli::AddImportLibraryOptions(*importLibrary, importLibraryArguments);

    std::vector<std::string> checkScenes;
    CLI::App* check = app.add_subcommand(
        "check", "Check scene files (.ovs) and the OBJ files they name; no module needed");
    check->add_option("scenes", checkScenes, "Scene files (.ovs)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e);
        return status == 0 ? cli::kExitOk : cli::kExitBadInput;
    }

    int status = cli::kExitOk;
    cli::Session session(options);
    if (check->parsed()) {
        if (!session.StartHost(status)) return status;
        return cli::RunCheck(session.Host().Files(), checkScenes, std::cout, std::cerr);
    }
    if (!session.Start(status)) return status;
    cli::ProgressLine progress(session.Host());

    if (info->parsed()) {
        if (!session.LoadDocument(documentPath, status)) return status;
        std::cout << cli::ListRegistrations(session.Host().Registry());
        std::cout << cli::ListDocument(*session.Host().Document(), session.Host().Registry());
    } else if (exportCommand->parsed()) {
        status = cli::RunExport(session, exportArguments);
    } else if (renderer->parsed()) {
        status = cli::RunRenderer(session, rendererDirectory);
    } else if (about->parsed()) {
        status = cli::RunAbout(session);
    } else if (preview->parsed()) {
        status = cli::RunPreview(session, previewArguments);
    } else if (convert->parsed()) {
        status = cli::RunConvertMaterials(session, documentPath, convertOutput);
    } else if (exportLibrary->parsed()) {
        status = cli::RunExportLibrary(session, exportLibraryArguments);
    } else if (importLibrary->parsed()) {
        status = cli::RunImportLibrary(session, importLibraryArguments);
    }
    return status;
}
