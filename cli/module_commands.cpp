#include "cli/module_commands.h"

#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "cli/import_command.h"
#include "cli/listing.h"
#include "headless/files/files.h"
#include "headless/files/native_io.h"
#include "headless/json/document_json.h"
#include "sdk/types.h"

namespace cli {

namespace fs = std::filesystem;
using json = nlohmann::json;
using headless::native::FsPath;
using headless::native::Utf8;

namespace {

constexpr int32_t kAboutCommand = 1020894;
constexpr int32_t kPreviewDialog = 10017;
constexpr int32_t kMaterialHelperTag = 1020893;
constexpr int32_t kPreviewButton = 1085;
constexpr int32_t kPreviewImage = 1097;
constexpr int32_t kLibraryButton = 1083;
constexpr int32_t kImportCommand = 1022469;

std::string ModuleDirectory(Session& session) { return Utf8(FsPath(session.Module().NativePath()).parent_path()); }

}  // namespace

bool RunModuleCommand(Session& session, int32_t id) {
    const headless::PluginEntry* entry = session.Host().Registry().Find(id);
    if (!entry || !entry->command) {
        std::cerr << "vexlor: the module did not register command " << id << "\n";
        session.PrintRegistrationProblems();
        return false;
    }
    return entry->command->Execute(session.Host().GetActiveDocument());
}

std::optional<std::string> StoredRenderer(Session& session) {
    std::string bytes;
    if (!headless::ReadNativeFile(Utf8(FsPath(ModuleDirectory(session)) / "vexlor.cfg"), bytes)) {
        return std::nullopt;
    }
    size_t offset = 0;
    std::string text, error;
    if (!headless::DecodeStringRecord(bytes, offset, text, error)) return std::nullopt;
    return text;
}

bool SetScript(Session& session, const json& steps) {
    std::string error;
    if (session.Host().Ui().SetScript(steps, "command line", error)) return true;
    std::cerr << "vexlor: " << error << "\n";
    return false;
}

bool AddRendererStep(Session& session, const std::string& renderer, json& steps) {
    if (StoredRenderer(session)) return true;
    if (renderer.empty()) {
        std::cerr << "vexlor: no renderer location is stored yet; give it with --renderer DIR\n";
        return false;
    }
    const auto native = NativeArgument("--renderer", renderer);
    if (!native) return false;
    steps.push_back({{"file", session.ToHost(*native).Str()}});
    return true;
}

int RunInfo(Session& session, const std::string& document) {
    int status = kExitOk;
    if (!OpenDocument(session, document, status)) return status;
    std::cout << ListRegistrations(session.Host().Registry());
    std::cout << ListDocument(*session.Host().Document(), session.Host().Registry());
    return session.PrintRegistrationProblems() ? kExitFailure : kExitOk;
}

int RunRenderer(Session& session, const std::string& directory) {
    if (directory.empty()) {
        if (auto stored = StoredRenderer(session)) {
            std::cout << *stored << "\n";
            return kExitOk;
        }
        std::cout << "No renderer location is stored; choose one with: vexlor renderer DIR\n";
        return kExitFailure;
    }
    const auto native = NativeArgument("directory", directory);
    if (!native) return kExitBadInput;
    const std::string chosen = session.ToHost(*native).Str();
    json steps = json::array();
    if (!StoredRenderer(session)) steps.push_back({{"file", chosen}});
    steps.push_back({{"dialog", kExportDialog}, {"press", json::array({1666, 1659})},
                     {"steps", json::array({{{"file", chosen}}})}});
    if (!SetScript(session, steps)) return kExitBadInput;
    const size_t mark = session.MarkWrites();
    RunModuleCommand(session, kExportCommand);
    if (!session.ReportWrites(mark, false)) return kExitFailure;
    if (auto stored = StoredRenderer(session)) {
        std::cout << *stored << "\n";
        return kExitOk;
    }
    std::cerr << "vexlor: the renderer location could not be stored\n";
    return kExitFailure;
}
int RunAbout(Session& session) {
    if (!RunModuleCommand(session, kAboutCommand)) return kExitFailure;
    const headless::HlDialogBackend* dialog = session.Host().Ui().LastDialog();
    if (!dialog) return kExitFailure;
    std::cout << dialog->Title() << "\n";
    for (const headless::GadgetState& gadget : dialog->Gadgets()) {
        if (gadget.kind == "separator") {
            std::cout << "----\n";
        } else if (const auto* text = std::get_if<HostString>(&gadget.value)) {
            std::cout << text->Str() << "\n";
        } else {
            std::cout << gadget.label << "\n";
        }
    }
    return kExitOk;
}

void AddPreviewOptions(CLI::App& command, PreviewArguments& a) {
    command.add_option("document", a.document, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);
    command.add_option("--object", a.object, "The object whose material helper tag is previewed")->required();
    command.add_option("--quality", a.quality, "draft, normal, good, best, or a preset value (1669-1671, 1702)")
        ->capture_default_str();
    command.add_option("--renderer", a.renderer, "The renderer's directory, stored when none is stored yet");
}

namespace {

std::optional<int32_t> QualityPreset(const std::string& text) {
    static const std::map<std::string, int32_t> kNames = {
        {"draft", 1671}, {"normal", 1670}, {"good", 1669}, {"best", 1702}};
    if (auto it = kNames.find(text); it != kNames.end()) return it->second;
    for (const auto& [name, value] : kNames) {
        if (text == std::to_string(value)) return value;
    }
    return std::nullopt;
}

// The nth material helper tag of the first object of the name; null after a message.
HostTag* FindHelperTag(Session& session, const std::string& document, const std::string& name, int nth) {
    HostObject* object = session.Host().Document()->SearchObject(name);
    HostTag* tag = object && nth >= 0 ? object->GetTag(kMaterialHelperTag, nth) : nullptr;
    if (!tag) {
        std::cerr << "vexlor: " << document << ": "
                  << (!object     ? "no object named \"" + name + "\""
                      : nth == 0 ? "object \"" + name + "\" has no material tag"
                                 : "object \"" + name + "\" has no material tag number " + std::to_string(nth))
                  << "\n";
    }
    return tag;
}

}  // namespace

int RunPreview(Session& session, const PreviewArguments& a) {
    int status = kExitOk;
    if (!OpenDocument(session, a.document, status)) return status;
    const auto quality = QualityPreset(a.quality);
    if (!quality) {
        std::cerr << "vexlor: --quality " << a.quality << ": expected draft, normal, good, best, 1669, 1670, 1671 or 1702\n";
        return kExitBadInput;
    }
    HostTag* tag = FindHelperTag(session, a.document, a.object, 0);
    if (!tag) return kExitBadInput;
    json steps = json::array();
    if (!AddRendererStep(session, a.renderer, steps)) return kExitBadInput;
    steps.push_back({{"dialog", kPreviewDialog}, {"set", {{"1668", *quality}}}, {"press", 1675}});
    if (!SetScript(session, steps)) return kExitBadInput;

    const size_t mark = session.MarkWrites();
    DescriptionCommand button{kPreviewButton};
    tag->Message(node_message::kDescriptionCommand, &button);
    const headless::HlDialogBackend* dialog = session.Host().Ui().LastDialog();
    if (!session.ReportWrites(mark, false)) {
        std::cerr << "vexlor: the preview was not started\n";
        return kExitFailure;
    }
    if (!dialog || dialog->ResourceId() != kPreviewDialog || !dialog->Result()) {
        std::cerr << "vexlor: the preview did not run (does the tag link a material?)\n";
        return kExitFailure;
    }
    const auto image = session.Host().Files().ToNative(tag->Data().Get<HostFilename>(kPreviewImage));
    std::cout << "Preview image (written by the renderer): " << (image ? *image : std::string("?")) << "\n";
    std::cout << "Run script: " << Utf8(FsPath(ModuleDirectory(session)) / "run.cmd") << "\n";
    return kExitOk;
}

// Saves the active document to `path`, whole or not at all; names it as the user gave it.
int WriteDocument(Session& session, const std::string& path, const std::string& given) {
    std::string error;
    if (!headless::WriteNativeFile(path, headless::SaveDocument(*session.Host().Document()), error)) {
        std::cerr << "vexlor: " << given << ": cannot write the document: " << error << "\n";
        return kExitFailure;
    }
    std::cout << "Wrote " << given << "\n";
    return kExitOk;
}

namespace {

// A document file names each material once; a document with a name twice is saved as it is,
// but the loader refuses it until one of them is renamed.
void WarnRepeatedMaterialNames(const HostDocument& document) {
    std::set<std::string> seen, repeated;
    for (const HostMaterial* m = document.GetFirstMaterial(); m; m = m->GetNext()) {
        if (!seen.insert(m->GetName().Str()).second) repeated.insert(m->GetName().Str());
    }
    for (const std::string& name : repeated) {
        std::cerr << "vexlor: warning: more than one material is named \"" << name
                  << "\"; rename all but one before the saved document is loaded again\n";
    }
}

}  // namespace

int RunConvertMaterials(Session& session, const std::string& document, const std::string& output) {
    const auto native = NativeArgument("-o", output);
    if (!native) return kExitBadInput;
    int status = kExitOk;
    if (!OpenDocument(session, document, status, false)) return status;
    std::vector<std::string> standard;
    for (HostMaterial* m = session.Host().Document()->GetFirstMaterial(); m; m = m->GetNext()) {
        if (m->GetType() == host_type::kStandardMaterial) standard.push_back(m->GetName().Str());
    }
    if (!RunModuleCommand(session, kConvertCommand)) return kExitFailure;
    if (standard.empty()) {
        std::cout << "No standard materials in " << document << "; nothing converted\n";
    } else {
        std::cout << "Converted " << standard.size() << " standard material" << (standard.size() == 1 ? "" : "s")
                  << " into material helper tags under \"Materials\":";
        for (const std::string& name : standard) std::cout << " \"" << name << "\"";
        std::cout << "\n";
    }
    return WriteDocument(session, *native, output);
}

void AddExportLibraryOptions(CLI::App& command, ExportLibraryArguments& a) {
    command.add_option("document", a.document, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);
    command.add_option("--object", a.object, "The object whose material helper tag is exported")->required();
    command.add_option("--tag", a.tag, "Which of the object's material helper tags (0 = the first)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    command.add_option("-o,--output", a.output, "The material library to write (its extension becomes .ovm)")
        ->required();
    command.add_flag("--copy-textures", a.copyTextures, "Copy the material's textures beside the library");
}

int RunExportLibrary(Session& session, const ExportLibraryArguments& a) {
    const auto native = NativeArgument("-o", a.output);
    if (!native) return kExitBadInput;
    int status = kExitOk;
    if (!OpenDocument(session, a.document, status)) return status;
    HostTag* tag = FindHelperTag(session, a.document, a.object, a.tag);
    if (!tag) return kExitBadInput;
    fs::path library = FsPath(*native);
    library.replace_extension(".ovm");
    const json answers = json::array({{{"file", session.ToHost(Utf8(library)).Str()}}, {{"question", a.copyTextures}}});
    if (!SetScript(session, answers)) return kExitBadInput;

    if (!CreateFolder(Utf8(library.parent_path()))) return kExitFailure;
    const size_t mark = session.MarkWrites();
    DescriptionCommand button{kLibraryButton};
    tag->Message(node_message::kDescriptionCommand, &button);
    if (!session.ReportWrites(mark, true)) return kExitFailure;
    if (!session.WroteSince(mark, Utf8(library))) {
        std::cerr << "vexlor: " << Utf8(library) << " was not written\n";
        return kExitFailure;
    }
    return kExitOk;
}

void AddImportLibraryOptions(CLI::App& command, ImportLibraryArguments& a) {
    command.add_option("document", a.document, "Document file (JSON), or a scene file to import")->required()->check(kExistingFile);
    command.add_option("library", a.library, "Material library (.ovm)")->required()->check(kExistingFile);
    command.add_option("-o,--output", a.output, "The document with the imported materials (JSON)")->required();
}

int RunImportLibrary(Session& session, const ImportLibraryArguments& a) {
    const auto output = NativeArgument("-o", a.output);
    const auto library = NativeArgument("library", a.library);
    if (!output || !library) return kExitBadInput;
    int status = kExitOk;
    if (!OpenDocument(session, a.document, status)) return status;
    if (!SetScript(session, json::array({{{"file", session.ToHost(*library).Str()}}}))) return kExitBadInput;
    if (!RunModuleCommand(session, kImportCommand)) {
        std::cerr << "vexlor: " << a.library << ": not imported"
                  << (HostFilename(*library).CheckSuffix("ovm") ? "" : " (the file name does not end in .ovm)")
                  << "\n";
        return kExitBadInput;
    }
    WarnRepeatedMaterialNames(*session.Host().Document());
    return WriteDocument(session, *output, a.output);
}

}  // namespace cli
