#include "headless/check/check_paths.h"

#include <optional>

#include "headless/files/files.h"
#include "headless/files/native_io.h"
#include "headless/files/windows_paths.h"

namespace headless::check {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Shares ("\\server\share\...") too where the host's paths are the machine's.
bool IsAbsoluteHostPath(std::string_view path) {
    if (native::kHostPathsAreNative && NormalWindowsPath(path)) return true;
    return path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

}  // namespace

PathOutcome ResolveScenePath(std::string_view path, const FileSystem& files, const HostFilename& sceneFolder,
                             const std::string& sceneFolderNative) {
    PathOutcome outcome;
    if (path.empty()) {
        outcome.problem = "is empty";
        return outcome;
    }
    if (path.find('\0') != std::string_view::npos) {
        outcome.problem = "holds a NUL character";
        return outcome;
    }
    std::optional<std::string> native;
    if (IsAbsoluteHostPath(path)) {
        native = files.ToNative(HostFilename(std::string(path)));
        if (!native) {
            const char letter = static_cast<char>(path[0] & ~0x20);
            outcome.problem = std::string("drive ") + letter + ": is not mapped";
            return outcome;
        }
    } else if (path.front() == '/') {
        native = std::string(path);
    } else if (!sceneFolder.IsEmpty()) {
        native = files.ToNative(sceneFolder + HostFilename(std::string(path)));
    }
    if (!native) {
        std::string relative(path);
        for (char& c : relative) {
            if (c == '\\') c = '/';
        }
        native = sceneFolderNative.empty() ? relative : sceneFolderNative + "/" + relative;
    }
    outcome.native = *native;
    native::FileInfo info;
    if (!native::Stat(outcome.native, info)) {
        outcome.problem = "no such file (" + outcome.native + ")";
    } else if (info.directory) {
        outcome.problem = "is a folder, not a file (" + outcome.native + ")";
    }
    return outcome;
}

}  // namespace headless::check
