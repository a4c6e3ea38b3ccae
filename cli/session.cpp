#include "cli/session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <unordered_set>

#include "cli/console.h"
#include "headless/files/native_io.h"
#include "headless/json/document_json.h"

namespace cli {

const CLI::Validator kExistingFile(
    [](std::string& path) {
        headless::native::FileInfo info;
        if (!headless::native::Stat(path, info)) return "File does not exist: " + path;
        if (info.directory) return "File is actually a directory: " + path;
        return std::string();
    },
    "FILE");

void AddHostOptions(CLI::App& app, HostOptions& options) {
    options.plugins = Environment("VEXLOR_PLUGINS").value_or(DefaultPluginsFolder());
    app.add_option("--plugins", options.plugins, "Plug-ins folder that holds the module (env VEXLOR_PLUGINS)")
        ->capture_default_str();
    app.add_option("--drive", options.drives, "Map a drive letter of host paths to a directory: L=DIR (Z=/ is preset)");
    app.add_option("--ui", options.uiScript, "UI script (JSON) that answers prompts and drives dialogs");
    app.add_option("--exec", options.execHandler,
                   "Command that runs scripts the module asks to execute, e.g. \"wine cmd /c\"");
    app.add_flag("-q,--quiet", options.quiet, "Do not echo the host console");
}

std::optional<std::string> NativeArgument(const std::string& option, const std::string& path) {
    auto refuse = [&](const std::string& problem) -> std::optional<std::string> {
        std::cerr << "vexlor: " << option << " '" << path << "': " << problem << "\n";
        return std::nullopt;
    };
    namespace native = headless::native;
    if (path.empty()) return refuse("an empty path");
    if (!native::kBackslashSeparates && path.find('\\') != std::string::npos) {
        return refuse("holds a backslash, which the host would take for a folder separator; "
                      "name files and folders without one");
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(native::FsPath(path), ec);
    if (ec) return refuse(ec.message());
    std::string normal = native::Utf8(absolute.lexically_normal());
    if (normal.size() > native::kMaxPathBytes) return refuse(std::strerror(ENAMETOOLONG));
    if (!native::kBackslashSeparates && normal.find('\\') != std::string::npos) {
        return refuse("the current folder holds a backslash, which the host would take for a folder separator");
    }
    return normal;
}

bool CreateFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(headless::native::FsPath(folder), ec);
    if (!ec) return true;
    std::cerr << "vexlor: " << folder << ": cannot create the folder: " << ec.message() << "\n";
    return false;
}

namespace {

std::vector<std::string> SplitWords(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

bool Session::Start(int& exitStatus) {
    if (!StartHost(exitStatus)) return false;
    const auto plugins = NativeArgument("--plugins", options_.plugins);
    if (!plugins) {
        exitStatus = kExitBadInput;
        return false;
    }
    std::string error;
    if (!module_.Load(host_, *plugins, error)) {
        std::cerr << "vexlor: " << error << "\n";
        exitStatus = kExitFailure;
        return false;
    }
    return true;
}

bool Session::StartHost(int& exitStatus) {
    for (const std::string& drive : options_.drives) {
        if (drive.size() < 3 || drive[1] != '=' || !std::isalpha(static_cast<unsigned char>(drive[0]))) {
            std::cerr << "vexlor: --drive " << drive << ": expected L=DIR\n";
            exitStatus = kExitBadInput;
            return false;
        }
        const auto directory = NativeArgument("--drive", drive.substr(2));
        if (!directory) {
            exitStatus = kExitBadInput;
            return false;
        }
        host_.Files().MapDrive(drive[0], *directory);
    }
    if (!options_.execHandler.empty()) host_.Files().SetExecuteHandler(SplitWords(options_.execHandler));
    if (!options_.uiScript.empty()) {
        std::string error;
        if (!host_.Ui().LoadScriptFile(options_.uiScript, error)) {
            std::cerr << "vexlor: " << error << "\n";
            exitStatus = kExitBadInput;
            return false;
        }
    }
    host_.KeepRecords(false);  // the lines are passed on as they come
    if (!options_.quiet) host_.SetConsoleSink([](const std::string& line) { std::cout << line << std::endl; });
    return true;
}

bool Session::LoadDocument(const std::string& path, int& exitStatus) {
    if (!NativeArgument("document", path)) {
        exitStatus = kExitBadInput;
        return false;
    }
    headless::LoadError error;
    auto document = headless::LoadDocumentFile(path, host_.Files(), &host_.Registry(), error);
    if (!document) {
        std::cerr << "vexlor: " << error.message << "\n";
        exitStatus = kExitBadInput;
        return false;
    }
    host_.SetDocument(std::move(document));
    return true;
}

bool Session::ReportWrites(size_t mark, bool list) const {
    bool ok = true;
    std::unordered_set<std::string> listed;
    std::string written;
    for (const headless::WriteOutcome& outcome : host_.Files().Writes().Since(mark)) {
        if (!outcome.Written()) {
            std::cerr << "vexlor: " << outcome.path << ": not written: " << outcome.error << "\n";
            ok = false;
        } else if (listed.insert(outcome.path).second) {
            written += "  " + outcome.path + "\n";
        }
    }
    if (list) std::cout << "Files written:\n" << written;
    return ok;
}

bool Session::PrintRegistrationProblems() const {
    for (const std::string& problem : host_.RegistrationProblems()) std::cerr << "vexlor: " << problem << "\n";
    return !host_.RegistrationProblems().empty();
}

bool Session::WroteSince(size_t mark, const std::string& nativePath) const {
    for (const headless::WriteOutcome& outcome : host_.Files().Writes().Since(mark)) {
        if (outcome.Written() && outcome.path == nativePath) return true;
    }
    return false;
}

ProgressLine::ProgressLine(headless::HeadlessHost& host) : host_(host), enabled_(StderrIsTerminal()) {
    if (!enabled_) return;
    host.SetStatusSink([this](const headless::StatusEvent& event) {
        switch (event.kind) {
            case headless::StatusEvent::Kind::kText: text_ = event.text; break;
            case headless::StatusEvent::Kind::kBar: percent_ = event.percent; break;
            case headless::StatusEvent::Kind::kClear:
                text_.clear();
                percent_ = 0;
                break;
        }
        Show();
    });
}

ProgressLine::~ProgressLine() {
    if (!enabled_) return;
    host_.SetStatusSink(nullptr);
    std::fprintf(stderr, "\r\033[K");
}

void ProgressLine::Show() {
    if (text_.empty() && percent_ == 0) {
        std::fprintf(stderr, "\r\033[K");
    } else {
        std::fprintf(stderr, "\r\033[K[%3d%%] %s", percent_, text_.c_str());
    }
    std::fflush(stderr);
}

}  // namespace cli
