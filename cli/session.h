// What every command of `vexlor` sets up: the headless host with its options, the module
// loaded from the plug-ins folder, and a document.
#pragma once

#include <memory>
#include <optional>
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

// CLI::ExistingFile for UTF-8 paths (CLI11 reads them in the ANSI code page on Windows).
extern const CLI::Validator kExistingFile;

// Adds the options shared by all commands to the app.
void AddHostOptions(CLI::App& app, HostOptions& options);

// A path of this machine given as an argument, made absolute and normal.  Refused (nullopt,
// after one message naming the option) when it is empty, too long for the system, or holds a
// backslash: on Linux that is a character of a name, but the host would take it for a
// separator and could climb out of the folder the user chose.  (On Windows it separates.)
std::optional<std::string> NativeArgument(const std::string& option, const std::string& path);

// Creates the folder and its missing parents; false after a message with the system's reason.
bool CreateFolder(const std::string& folder);

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
    // A native path as the host sees it (Z:\... on Linux, the path itself on Windows).
    HostFilename ToHost(const std::string& nativePath) { return host_.Files().ToHost(nativePath); }

    // The position in the host's write log; ReportWrites tells what was written after it.
    size_t MarkWrites() const { return host_.Files().Writes().Size(); }
    // Names every file that could not be written since the mark, with the system's reason, on
    // stderr, and (when `list` is set) lists the files written on stdout, each once, in the
    // order they were finished.  True when every write succeeded.
    bool ReportWrites(size_t mark, bool list) const;
    // Prints the problems the module's registrations met (a missing icon or description) on
    // stderr; true when there were any.
    bool PrintRegistrationProblems() const;
    // Whether the file was written since the mark.
    bool WroteSince(size_t mark, const std::string& nativePath) const;

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
