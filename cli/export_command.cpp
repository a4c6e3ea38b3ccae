// `vexlor export`: the export dialog of "Export and Run", driven from the options.
#include <cstdint>
#include <filesystem>
#include <iostream>

#include "cli/import_command.h"
#include "cli/module_commands.h"
#include "cli/target_lock.h"
#include "headless/files/native_io.h"

namespace cli {

namespace fs = std::filesystem;
using json = nlohmann::json;
using headless::native::FsPath;
using headless::native::Utf8;

namespace {

bool ParseFrames(const std::string& text, int32_t& first, int32_t& last) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    try {
        size_t used = 0;
        const long a = std::stol(text.substr(0, colon), &used);
        if (used != colon) return false;
        const long b = std::stol(text.substr(colon + 1), &used);
        if (used != text.size() - colon - 1) return false;
        if (a < -2147483647 || a > 2147483647 || b < -2147483647 || b > 2147483647) return false;
        first = static_cast<int32_t>(a);
        last = static_cast<int32_t>(b);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

void AddExportOptions(CLI::App& command, ExportArguments& a) {
    command.add_option("document", a.document, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);
    command.add_option("-o,--output", a.output, "Scene file to write (frames are written as NAME_frameN.ovs)")
        ->required();
    command.add_option("--frames", a.frames,
                       "Export the frames FIRST:LAST, or all: the document's frame range, instead of the current "
                       "frame");
    command.add_flag("--no-share-static", a.noShareStatic, "Write every mesh file on every frame of a range");
    command.add_flag("--alpha", a.alpha, "Render the foreground alpha");
    command.add_flag("--skip-meshes", a.skipMeshes, "Write no mesh files");
    command.add_flag("--clay", a.clay, "Clay mode: every material is a plain grey");
    command.add_flag("--merge", a.merge, "Merge duplicate normals and texture coordinates");
    command.add_option("--network", a.networkPort, "Network render: copy textures, start as network master on PORT");
    command.add_option("--image", a.image, "Let the renderer save an image of each frame (NAME_frameN.png)");
    command.add_flag("--render", a.render, "Write run.cmd and ask the host to run it");
    command.add_flag("--console", a.console, "Start the renderer's console program");
    command.add_flag("--below-normal", a.belowNormal, "Run the renderer at below-normal priority");
    command.add_option("--renderer", a.renderer, "The renderer's directory, stored when none is stored yet");
    command.add_flag("--overwrite", a.overwrite, "Replace an existing output file");
}

int RunExport(Session& session, const ExportArguments& a) {
    int status = kExitOk;
    // A scene's embedded textures go beside the exported scene, which names them.
    const auto output = NativeArgument("-o", a.output);
    if (!output) return kExitBadInput;
    const fs::path textures = FsPath(*output).parent_path() / FsPath(Utf8(FsPath(a.document).stem()) + ".textures");
    if (!OpenDocument(session, a.document, status, true, Utf8(textures))) return status;

    json set = {{"1653", a.render}, {"1690", a.alpha}, {"1692", a.skipMeshes}, {"1703", a.clay},
                {"1704", a.merge},  {"1695", a.console}, {"1664", a.belowNormal ? 1660 : 1661}};
    if (!a.frames.empty()) {
        int32_t first = 0, last = 0;
        if (a.frames == "all") {
            const auto range = session.Host().Document()->FrameRange();
            if (!range) {
                std::cerr << "vexlor: --frames all: the document has no frame range (\"frames\": [first, last]); "
                             "give FIRST:LAST\n";
                return kExitBadInput;
            }
            // The export dialog's frames start at -2147483647.
            if (range->first == INT32_MIN) {
                std::cerr << "vexlor: --frames all: the document's frame range starts at -2147483648, before the "
                             "first frame an export takes (-2147483647)\n";
                return kExitBadInput;
            }
            first = range->first;
            last = range->second;
        } else if (!ParseFrames(a.frames, first, last)) {
            std::cerr << "vexlor: --frames " << a.frames << ": expected FIRST:LAST (whole numbers) or all\n";
            return kExitBadInput;
        }
        set["1706"] = true;
        set["1707"] = first;
        set["1708"] = last;
        set["1709"] = !a.noShareStatic;
    }
    if (a.networkPort) {
        set["1697"] = true;
        set["1699"] = *a.networkPort;
    }

    const auto image = a.image.empty() ? std::optional<std::string>("") : NativeArgument("--image", a.image);
    if (!image) return kExitBadInput;
    fs::path chosen = FsPath(*output);
    if (chosen.extension() != ".ovs") chosen.replace_extension(".ovs");
    json prompts = json::array({{{"file", session.ToHost(*output).Str()}}});
    if (!image->empty()) {
        set["1710"] = true;
        prompts.push_back({{"file", session.ToHost(*image).Str()}});
    }
    json steps = json::array();
    if (!AddRendererStep(session, a.renderer, steps)) return kExitBadInput;

    if (!CreateFolder(Utf8(chosen.parent_path()))) return kExitFailure;
    TargetLock lock;
    std::string error;
    if (!lock.Acquire(Utf8(chosen), error)) {
        std::cerr << "vexlor: " << error << "\n";
        return kExitFailure;
    }
    if (fs::exists(chosen)) {
        if (!a.overwrite) {
            std::cerr << "vexlor: " << Utf8(chosen) << " exists; use --overwrite to replace it\n";
            return kExitFailure;
        }
        prompts.push_back({{"question", true}});
    }
    steps.push_back({{"dialog", kExportDialog}, {"set", set}, {"press", 1658}, {"steps", prompts}});
    if (!SetScript(session, steps)) return kExitBadInput;

    const size_t mark = session.MarkWrites();
    const bool exported = RunModuleCommand(session, kExportCommand);
    const headless::HlDialogBackend* dialog = session.Host().Ui().LastDialog();
    const bool ran = dialog && dialog->Result();
    const bool written = session.ReportWrites(mark, ran);
    if (!ran) {
        std::cerr << "vexlor: the export did not run\n";
        return kExitFailure;
    }
    if (!exported || !written) {
        std::cerr << "vexlor: the export failed; a frame whose files were not all written kept its previous scene "
                     "file\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace cli
