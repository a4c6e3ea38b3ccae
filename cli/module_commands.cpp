#include "cli/module_commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "headless/files/files.h"
#include "headless/json/document_json.h"
#include "sdk/types.h"

namespace cli {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr int32_t kExportCommand = 1021741;
constexpr int32_t kAboutCommand = 1020894;
constexpr int32_t kExportDialog = 10016;
constexpr int32_t kPreviewDialog = 10017;
constexpr int32_t kConvertCommand = 1021852;
constexpr int32_t kMaterialHelperTag = 1020893;
constexpr int32_t kPreviewButton = 1085;
constexpr int32_t kPreviewImage = 1097;
constexpr int32_t kLibraryButton = 1083;
constexpr int32_t kImportCommand = 1022469;
// What the module prints when it does not read a chosen library.
constexpr const char* kNoLibraryChosen = "no ovm";
constexpr const char* kLibraryNotImported = "Material library not imported: ";

bool RunModuleCommand(Session& session, int32_t id) {
    const headless::PluginEntry* entry = session.Host().Registry().Find(id);
    if (!entry || !entry->command) {
        std::cerr << "vexlor: the module did not register command " << id << "\n";
        return false;
    }
    return entry->command->Execute(session.Host().GetActiveDocument());
}

std::string ModuleDirectory(Session& session) { return fs::path(session.Module().NativePath()).parent_path(); }

// The renderer location the module stored, or nothing.
std::optional<std::string> StoredRenderer(Session& session) {
    std::ifstream in(fs::path(ModuleDirectory(session)) / "vexlor.cfg", std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

std::string Absolute(const std::string& path) { return fs::absolute(path).lexically_normal().string(); }

// Files below a directory with what tells a rewrite apart: every file the host writes is a
// new file (written beside, then renamed into place), so its inode changes.
std::map<std::string, std::pair<ino_t, int64_t>> Snapshot(const fs::path& directory) {
    std::map<std::string, std::pair<ino_t, int64_t>> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(directory, ec)) {
        struct stat info {};
        if (entry.is_regular_file(ec) && ::stat(entry.path().c_str(), &info) == 0) {
            files[entry.path().string()] = {info.st_ino, static_cast<int64_t>(info.st_mtim.tv_nsec) +
                                                             static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000};
        }
    }
    return files;
}

// The files that are new or were rewritten since the snapshot.
std::vector<std::string> WrittenSince(const std::map<std::string, std::pair<ino_t, int64_t>>& before,
                                      const fs::path& directory) {
    std::vector<std::string> written;
    for (const auto& [path, identity] : Snapshot(directory)) {
        auto old = before.find(path);
        if (old == before.end() || old->second != identity) written.push_back(path);
    }
    return written;
}

}  // namespace

void AddExportOptions(CLI::App& command, ExportArguments& a) {
    command.add_option("document", a.document, "Document file (JSON)")->required()->check(CLI::ExistingFile);
    command.add_option("-o,--output", a.output, "Scene file to write (frames are written as NAME_frameN.ovs)")
        ->required();
    command.add_option("--frames", a.frames, "Export the frames FIRST:LAST instead of the current frame");
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
    if (!session.LoadDocument(a.document, status)) return status;

    json set = {{"1653", a.render}, {"1690", a.alpha}, {"1692", a.skipMeshes}, {"1703", a.clay},
                {"1704", a.merge},  {"1695", a.console}, {"1664", a.belowNormal ? 1660 : 1661}};
    if (!a.frames.empty()) {
        int32_t first = 0, last = 0;
        if (!ParseFrames(a.frames, first, last)) {
            std::cerr << "vexlor: --frames " << a.frames << ": expected FIRST:LAST (whole numbers)\n";
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

    const std::string output = Absolute(a.output);
    fs::path chosen = output;
    if (chosen.extension() != ".ovs") chosen.replace_extension(".ovs");
    json prompts = json::array({{{"file", session.ToHost(output).Str()}}});
    if (!a.image.empty()) {
        set["1710"] = true;
        prompts.push_back({{"file", session.ToHost(Absolute(a.image)).Str()}});
    }
    if (fs::exists(chosen)) {
        if (!a.overwrite) {
            std::cerr << "vexlor: " << chosen.string() << " exists; use --overwrite to replace it\n";
            return kExitFailure;
        }
        prompts.push_back({{"question", true}});
    }

    json steps = json::array();
    if (!StoredRenderer(session)) {
        if (a.renderer.empty()) {
            std::cerr << "vexlor: no renderer location is stored yet; give it with --renderer DIR\n";
            return kExitBadInput;
        }
        steps.push_back({{"file", session.ToHost(Absolute(a.renderer)).Str()}});
    }
    steps.push_back({{"dialog", kExportDialog}, {"set", set}, {"press", 1658}, {"steps", prompts}});
    if (!SetScript(session, steps)) return kExitBadInput;

    std::error_code ec;
    fs::create_directories(chosen.parent_path(), ec);
    const fs::path script = fs::path(ModuleDirectory(session)) / "run.cmd";
    const auto outputBefore = Snapshot(chosen.parent_path());
    const auto moduleBefore = Snapshot(ModuleDirectory(session));
    RunModuleCommand(session, kExportCommand);
    const headless::HlDialogBackend* dialog = session.Host().Ui().LastDialog();
    if (!dialog || !dialog->Result()) {
        std::cerr << "vexlor: the export did not run\n";
        return kExitFailure;
    }
    bool failed = false;
    for (const std::string& line : session.Host().Console()) failed = failed || line.rfind("* Error", 0) == 0;

    std::cout << "Files written:\n";
    std::vector<std::string> written = WrittenSince(outputBefore, chosen.parent_path());
    for (const std::string& path : WrittenSince(moduleBefore, ModuleDirectory(session))) {
        if (path == script.string()) written.push_back(path);
    }
    for (const std::string& path : written) std::cout << "  " << path << "\n";
    return failed ? kExitFailure : kExitOk;
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
    const std::string chosen = session.ToHost(Absolute(directory)).Str();
    json steps = json::array();
    if (!StoredRenderer(session)) steps.push_back({{"file", chosen}});
    steps.push_back({{"dialog", kExportDialog}, {"press", json::array({1666, 1659})},
                     {"steps", json::array({{{"file", chosen}}})}});
    if (!SetScript(session, steps)) return kExitBadInput;
    RunModuleCommand(session, kExportCommand);
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
    command.add_option("document", a.document, "Document file (JSON)")->required()->check(CLI::ExistingFile);
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

// The renderer chooser's answer, when no location is stored yet.
bool AddRendererStep(Session& session, const std::string& renderer, json& steps) {
    if (StoredRenderer(session)) return true;
    if (renderer.empty()) {
        std::cerr << "vexlor: no renderer location is stored yet; give it with --renderer DIR\n";
        return false;
    }
    steps.push_back({{"file", session.ToHost(Absolute(renderer)).Str()}});
    return true;
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
    if (!session.LoadDocument(a.document, status)) return status;
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

    DescriptionCommand button{kPreviewButton};
    tag->Message(node_message::kDescriptionCommand, &button);
    const headless::HlDialogBackend* dialog = session.Host().Ui().LastDialog();
    if (!dialog || dialog->ResourceId() != kPreviewDialog || !dialog->Result()) {
        std::cerr << "vexlor: the preview did not run (does the tag link a material?)\n";
        return kExitFailure;
    }
    const auto image = session.Host().Files().ToNative(tag->Data().Get<HostFilename>(kPreviewImage));
    std::cout << "Preview image (written by the renderer): " << (image ? *image : std::string("?")) << "\n";
    std::cout << "Run script: " << (fs::path(ModuleDirectory(session)) / "run.cmd").string() << "\n";
    return kExitOk;
}

namespace {

// Saves the active document, whole or not at all.
int WriteDocument(Session& session, const std::string& output) {
    const std::string text = headless::SaveDocument(*session.Host().Document());
    const std::string temporary = output + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        if (!out.flush()) {
            std::cerr << "vexlor: " << output << ": cannot write the document\n";
            fs::remove(temporary);
            return kExitFailure;
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        std::cerr << "vexlor: " << output << ": cannot write the document: " << ec.message() << "\n";
        fs::remove(temporary);
        return kExitFailure;
    }
    std::cout << "Wrote " << output << "\n";
    return kExitOk;
}

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
    int status = kExitOk;
    if (!session.LoadDocument(document, status)) return status;
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
    return WriteDocument(session, output);
}

void AddExportLibraryOptions(CLI::App& command, ExportLibraryArguments& a) {
    command.add_option("document", a.document, "Document file (JSON)")->required()->check(CLI::ExistingFile);
    command.add_option("--object", a.object, "The object whose material helper tag is exported")->required();
    command.add_option("--tag", a.tag, "Which of the object's material helper tags (0 = the first)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    command.add_option("-o,--output", a.output, "The material library to write (its extension becomes .ovm)")
        ->required();
    command.add_flag("--copy-textures", a.copyTextures, "Copy the material's textures beside the library");
}

int RunExportLibrary(Session& session, const ExportLibraryArguments& a) {
    int status = kExitOk;
    if (!session.LoadDocument(a.document, status)) return status;
    HostTag* tag = FindHelperTag(session, a.document, a.object, a.tag);
    if (!tag) return kExitBadInput;
    fs::path library = Absolute(a.output);
    library.replace_extension(".ovm");
    const json answers = json::array({{{"file", session.ToHost(library.string()).Str()}}, {{"question", a.copyTextures}}});
    if (!SetScript(session, answers)) return kExitBadInput;

    std::error_code ec;
    fs::create_directories(library.parent_path(), ec);
    const auto before = Snapshot(library.parent_path());
    DescriptionCommand button{kLibraryButton};
    tag->Message(node_message::kDescriptionCommand, &button);
    const std::vector<std::string> written = WrittenSince(before, library.parent_path());
    if (std::find(written.begin(), written.end(), library.string()) == written.end()) {
        std::cerr << "vexlor: " << library.string() << " was not written\n";
        return kExitFailure;
    }
    std::cout << "Files written:\n";
    for (const std::string& path : written) std::cout << "  " << path << "\n";
    return kExitOk;
}

void AddImportLibraryOptions(CLI::App& command, ImportLibraryArguments& a) {
    command.add_option("document", a.document, "Document file (JSON)")->required()->check(CLI::ExistingFile);
    command.add_option("library", a.library, "Material library (.ovm)")->required()->check(CLI::ExistingFile);
    command.add_option("-o,--output", a.output, "The document with the imported materials (JSON)")->required();
}

int RunImportLibrary(Session& session, const ImportLibraryArguments& a) {
    int status = kExitOk;
    if (!session.LoadDocument(a.document, status)) return status;
    if (!SetScript(session, json::array({{{"file", session.ToHost(Absolute(a.library)).Str()}}}))) return kExitBadInput;
    const size_t printed = session.Host().Console().size();
    if (!RunModuleCommand(session, kImportCommand)) return kExitFailure;
    const std::vector<std::string>& console = session.Host().Console();
    for (size_t i = printed; i < console.size(); ++i) {
        if (console[i] == kNoLibraryChosen || console[i].rfind(kLibraryNotImported, 0) == 0) {
            std::cerr << "vexlor: " << a.library << ": not imported"
                      << (console[i] == kNoLibraryChosen ? " (the file name does not end in .ovm)" : "") << "\n";
            return kExitBadInput;
        }
    }
    WarnRepeatedMaterialNames(*session.Host().Document());
    return WriteDocument(session, a.output);
}

}  // namespace cli
