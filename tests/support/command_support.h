// Running programs from tests: the `vexlor` command, `nm`.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

struct CommandResult {
    int status = -1;     // the exit status; -1 when the command could not run or was killed
    std::string output;  // what it wrote to stdout (add "2>&1" to the command for stderr too)
};

// Runs a shell command and collects its output.
CommandResult RunCommand(const std::string& command);

// The start of a shell command that runs the rest in `folder` ("cd ... && ").
std::string InFolder(const std::filesystem::path& folder);

// A fresh empty folder under the system's temporary folder, named by the prefix and the test
// that runs.
std::filesystem::path TestFolder(const std::string& prefix);
// A fresh empty folder under the system's temporary folder whose name starts with the prefix.
std::filesystem::path ScratchFolder(const std::string& prefix);
// Copies the built plug-ins folder to `to`, without a stored renderer location or run script.
void CopyPluginsFolder(const std::filesystem::path& to);

// The text with the system's path separators after `from` written "/" (Windows writes "\\").
std::string WithSlashes(std::string text, const std::string& from = "");

// A path of this machine as the host names it: "Z:" and backslashes (on Windows, the absolute
// path itself).
std::string HostPathOf(const std::filesystem::path& path);

}  // namespace testing_support
