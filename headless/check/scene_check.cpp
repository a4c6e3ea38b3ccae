// The scene file's part of the check: one pass of the XML reader, whose visitor gathers the
// declared names, checks numbers and paths as their elements close, and keeps the references
// to resolve when the whole file is read; then each OBJ file once.
#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "headless/check/check.h"
#include "headless/check/check_paths.h"
#include "headless/check/obj_check.h"
#include "headless/check/scene_keys.h"
#include "headless/check/scene_xml.h"
#include "headless/files/files.h"
#include "headless/files/native_io.h"

namespace headless {

namespace {

using check::NameSet;

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

bool IsObjPath(std::string_view path) {
    if (path.size() < 4) return false;
    std::string suffix(path.substr(path.size() - 4));
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".obj";
}

enum class Declared { kMesh, kMaterial, kMedium };

struct Reference {
    Declared kind;
    std::string key;
    std::string name;
    int line;
};

class SceneChecker : public check::XmlVisitor {
public:
    SceneChecker(const std::string& file, const FileSystem& files, const CheckOptions& options, SceneCheck& result)
        : file_(file), files_(files), options_(options), result_(result) {
        const std::filesystem::path folder = std::filesystem::absolute(native::FsPath(file)).parent_path();
        folderNative_ = native::Utf8(folder);
        folderHost_ = files.ToHost(folderNative_);
    }

    void Open(const check::XmlElement& element, const check::XmlElement*) override {
        if (element.depth == 0) {
            if (element.name != "scene") {
                rootRefused_ = true;
                Report(element.line, "the root element is <" + std::string(element.name) + ">, not <scene>");
            }
            return;
        }
        if (element.depth != 1 || rootRefused_) return;
        if (element.name == "mesh") ++result_.meshes;
        else if (element.name == "model" || element.name == "exit_portal" || element.name == "meshlight") ++result_.models;
        else if (element.name == "material") ++result_.materials;
    }

    void Close(const check::XmlElement& element, const check::XmlElement* parent) override {
        if (rootRefused_ || element.hasChildren || !parent) return;
        const std::string_view key = element.name;
        const std::string_view text = Trimmed(element.text);
        if (key == "name" && parent->depth == 1) {
            Declare(parent->name, text, element.line);
        } else if (key == "mesh_name") {
            references_.push_back({Declared::kMesh, std::string(key), std::string(text), element.line});
        } else if (key == "material_name" || ((key == "a_name" || key == "b_name") && parent->name == "blend")) {
            references_.push_back({Declared::kMaterial, std::string(key), std::string(text), element.line});
        } else if (key.ends_with("medium_name")) {
            references_.push_back({Declared::kMedium, std::string(key), std::string(text), element.line});
        } else if (key == "path" || key.ends_with("_path")) {
            CheckPath(*parent, key, text, element.line);
        } else if (const std::optional<check::NumberKey> number = check::NumberKeyOf(key)) {
            const std::string problem = check::CheckNumbers(text, *number);
            if (!problem.empty()) Report(element.line, std::string(key) + ": " + problem);
        }
    }

    void Finish() {
        for (const Reference& reference : references_) {
            if (!IsDeclared(reference.kind, reference.name)) {
                const char* what = reference.kind == Declared::kMesh       ? "mesh"
                                 : reference.kind == Declared::kMaterial ? "material"
                                                                         : "medium";
                Report(reference.line, reference.key + " \"" + reference.name + "\": no " + what +
                                           " declares this name");
            }
        }
        std::stable_sort(result_.problems.begin(), result_.problems.end(),
                         [](const CheckProblem& a, const CheckProblem& b) { return a.line < b.line; });
        const auto isMaterial = [this](std::string_view name) { return IsDeclared(Declared::kMaterial, name); };
        for (const ObjFile& obj : objFiles_) {
            std::string text;
            if (!ReadNativeFile(obj.native, text)) {
                Report(obj.line, obj.label + " \"" + obj.path + "\": cannot read the file (" + obj.native + ")");
                continue;
            }
            ++result_.objFiles;
            check::CheckObjText(text, obj.native, isMaterial, result_.problems);
        }
    }

private:
    void Report(int line, std::string text) { result_.problems.push_back({file_, line, 0, std::move(text)}); }

    void Declare(std::string_view element, std::string_view name, int line) {
        if (element == "mesh") {
            auto [it, added] = meshes_.emplace(std::string(name), line);
            if (!added) {
                Report(line, "mesh \"" + std::string(name) + "\" is declared twice (first on line " +
                                 std::to_string(it->second) + ")");
            }
        } else if (element == "material") {
            materials_.emplace(name);
        } else if (element == "medium") {
            media_.emplace(name);
        }
    }

    bool IsDeclared(Declared kind, std::string_view name) const {
        switch (kind) {
        case Declared::kMesh: return meshes_.find(name) != meshes_.end();
        case Declared::kMaterial: return check::IsBuiltInMaterial(name) || materials_.find(name) != materials_.end();
        case Declared::kMedium: return media_.find(name) != media_.end();
        }
        return false;
    }

    void CheckPath(const check::XmlElement& parent, std::string_view key, std::string_view path, int line) {
        if (!options_.checkFiles) return;
        const std::string label = std::string(parent.name) + "/" + std::string(key);
        if (path.empty()) {
            Report(line, label + " is empty");
            return;
        }
        auto cached = paths_.find(path);
        if (cached == paths_.end()) {
            cached = paths_.emplace(std::string(path), check::ResolveScenePath(path, files_, folderHost_, folderNative_))
                         .first;
            if (cached->second.problem.empty() && parent.name == "external" && IsObjPath(path) &&
                objSeen_.insert(cached->second.native).second) {
                objFiles_.push_back({cached->second.native, label, std::string(path), line});
            }
        }
        if (!cached->second.problem.empty()) {
            Report(line, label + " \"" + std::string(path) + "\": " + cached->second.problem);
        }
    }

    const std::string& file_;
    const FileSystem& files_;
    const CheckOptions& options_;
    SceneCheck& result_;
    std::string folderNative_;
    HostFilename folderHost_;
    bool rootRefused_ = false;

    std::unordered_map<std::string, int, check::NameHash, std::equal_to<>> meshes_;
    NameSet materials_;
    NameSet media_;
    std::vector<Reference> references_;
    std::unordered_map<std::string, check::PathOutcome, check::NameHash, std::equal_to<>> paths_;
    // The OBJ files to read, each once, with the first path that names it.
    struct ObjFile {
        std::string native;
        std::string label;
        std::string path;
        int line;
    };
    NameSet objSeen_;
    std::vector<ObjFile> objFiles_;
};

}  // namespace

std::string FormatProblem(const CheckProblem& problem) {
    std::string text = problem.file + ":" + std::to_string(problem.line) + ":";
    if (problem.column > 0) text += std::to_string(problem.column) + ":";
    return text + " " + problem.text;
}

SceneCheck CheckSceneText(const std::string& text, const std::string& path, const FileSystem& files,
                          const CheckOptions& options) {
    SceneCheck result;
    SceneChecker checker(path, files, options, result);
    if (std::optional<check::XmlProblem> problem = check::ReadXml(text, checker)) {
        result.problems.push_back({path, problem->line, problem->column, std::move(problem->text)});
        return result;
    }
    checker.Finish();
    return result;
}

namespace {

// Why a scene file could not be read, in the system's words where it gave them.
std::string UnreadableReason(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(native::FsPath(path), error);
    if (error) return error.message();
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    return "the file could not be read";
}

}  // namespace

SceneCheck CheckScene(const std::string& path, const FileSystem& files, const CheckOptions& options) {
    std::string text;
    if (!ReadNativeFile(path, text)) {
        SceneCheck result;
        result.readable = false;
        result.error = UnreadableReason(path);
        return result;
    }
    return CheckSceneText(text, path, files, options);
}

}  // namespace headless
