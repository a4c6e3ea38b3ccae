#include "cli/session.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "headless/json/document_json.h"

namespace cli {

void AddHostOptions(CLI::App& app, HostOptions& options) {
    const char* fromEnvironment = std::getenv("VEXLOR_PLUGINS");
    options.plugins = fromEnvironment ? fromEnvironment : VEXLOR_DEFAULT_PLUGIN_DIR;
    app.add_option("--plugins", options.plugins, "Plug-ins folder that holds the module (env VEXLOR_PLUGINS)")
        ->capture_default_str();
    app.add_option("--drive", options.drives, "Map a drive letter of host paths to a directory: L=DIR (Z=/ is preset)");
    app.add_option("--ui", options.uiScript, "UI script (JSON) that answers prompts and drives dialogs");
    app.add_option("--exec", options.execHandler,
                   "Command that runs scripts the module asks to execute, e.g. \"wine cmd /c\"");
    app.add_flag("-q,--quiet", options.quiet, "Do not echo the host console");
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
    std::string error;
    if (!module_.Load(host_, options_.plugins, error)) {
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
        host_.Files().MapDrive(drive[0], std::filesystem::absolute(drive.substr(2)).string());
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
    if (!options_.quiet) host_.SetConsoleSink([](const std::string& line) { std::cout << line << std::endl; });
    return true;
}

bool Session::LoadDocument(const std::string& path, int& exitStatus) {
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

ProgressLine::ProgressLine(headless::HeadlessHost& host) : host_(host), enabled_(isatty(STDERR_FILENO) != 0) {
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
