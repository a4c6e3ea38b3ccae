#include "headless/files/windows_paths.h"

#include <vector>

namespace headless {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The name at the start of `rest`; `rest` keeps what follows its separator.
std::string_view NextName(std::string_view& rest) {
    size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::string_view name = rest.substr(0, end);
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
    return name;
}

}  // namespace

std::optional<std::string> NormalWindowsPath(std::string_view path) {
    std::string root;
    std::string_view rest = path;
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) {
        root = std::string(path.substr(0, 2)) + "\\";
        rest.remove_prefix(3);
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        rest.remove_prefix(2);
        const std::string_view server = NextName(rest);
        const std::string_view share = NextName(rest);
        if (server.empty() || share.empty() || server == "?" || server == "." || share == "." || share == "..") {
            return std::nullopt;
        }
        root = "\\\\" + std::string(server) + "\\" + std::string(share) + "\\";
    } else {
        return std::nullopt;
    }
    std::vector<std::string_view> names;
    while (!rest.empty()) {
        const std::string_view name = NextName(rest);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();  // never above the root
            continue;
        }
        names.push_back(name);
    }
    std::string normal = root;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) normal += '\\';
        normal += names[i];
    }
    return normal;
}

}  // namespace headless
