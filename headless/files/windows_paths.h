// Paths of a Windows file system as text, the same on every system: the host's paths, and on
// Windows the paths of this machine too.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headless {

// The path made normal when it is absolute: a drive ("X:\..." or "X:/...") or a share
// ("\\server\share\..."), with "\" between the names, no "." steps, ".." steps taken (never
// above the root: the drive or the share), and no separator at the end but the root's
// ("C:\", "\\server\share\").  Nullopt for any other path, device paths ("\\?\...",
// "\\.\...") among them.
std::optional<std::string> NormalWindowsPath(std::string_view path);

}  // namespace headless
