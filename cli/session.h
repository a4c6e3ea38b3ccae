// What every command of `vexlor` sets up: the headless host with its options, the module
// loaded from the plug-ins folder, and a document.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "headless/host/host.h"
#include "headless/host/module_loader.h"

namespace cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work failed (module, export)
inline constexpr int kExitBadInput = 2;  // a document, script or argument was refused

struct HostOptions {
    std::string plugins;
    std::vector<std::string> drives;  // "L=DIR"
    std::string uiScript;
    std::string execHandler;
    bool quiet = false;
};

// Adds the options shared by all commands to the app.
void AddHostOptions(CLI::App& app, HostOptions& options);

class Session {
public:
    explicit Session(const HostOptions& options) : options_(options) {}
    // Sets the host up and loads the module; prints a message and returns false on failure.
    bool Start(int& exitStatus);
    // Sets the host up (drives, execute handler, UI script, console) without the module.
    bool StartHost(int& exitStatus);
    // Loads a document and makes it the active one; exit status 2 with one message on error.
    bool LoadDocument(const std::string& path, int& exitStatus);

    headless::HeadlessHost& Host() { return host_; }
    headless::LoadedModule& Module() { return module_; }
    // A native path as the host sees it (Z:\...).
    HostFilename ToHost(const std::string& nativePath) { return host_.Files().ToHost(nativePath); }

private:
    const HostOptions& options_;
    headless::HeadlessHost host_;
    headless::LoadedModule module_;
};

// The status bar as a progress line on stderr, when stderr is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(headless::HeadlessHost& host);
    ~ProgressLine();

private:
    void Show();
    headless::HeadlessHost& host_;
    bool enabled_;
    std::string text_;
    int percent_ = 0;
};

}  // namespace cli
