#include "core/paths.h"

std::optional<std::string> RelativePath(const std::string& base, const std::string& target) {
    const size_t baseLength = base.size();
    const size_t targetLength = target.size();
    if (baseLength < 3 || targetLength < 4 || baseLength > paths::kMaxPathBytes ||
        targetLength > paths::kMaxPathBytes) {
        return std::nullopt;
    }
    if (base[0] != target[0]) return target;  // another drive

    size_t p = 3;
    while (p < baseLength && p < targetLength && base[p] == target[p]) ++p;

    if (p == baseLength) {
        // base is the leading part of target.  (Reading index p of target is fine: a
        // std::string holds its terminator.)
        if (target[p] == '\\') return target.substr(p + 1);
        if (target[p - 1] == '\\') return target.substr(p);
    }

    // Directories of base below the common part; a trailing "\" adds none.
    size_t levels = 1;
    for (size_t i = p; i < baseLength;) {
        ++i;
        if (base[i] == '\\') {
            ++i;
            if (i < baseLength) ++levels;
        }
    }
    while (p > 0 && target[p - 1] != '\\') --p;

    if (3 * levels + (targetLength - p) > paths::kMaxPathBytes) return std::nullopt;
    std::string result;
    result.reserve(3 * levels + targetLength - p);
    for (size_t i = 0; i < levels; ++i) result += "..\\";
    result.append(target, p, std::string::npos);
    return result;
}

std::optional<std::string> AbsolutePath(const std::string& base, const std::string& relative) {
    std::string text = relative;
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    size_t climbs = 0;
    size_t start = 0;
    for (size_t found = text.find("..\\"); found != std::string::npos; found = text.find("..\\", found + 3)) {
        ++climbs;
        start = found + 3;
    }
    size_t cut = base.size();
    if (climbs > 0) {
        size_t seen = 0;
        size_t i = base.size();
        while (i > 0 && seen < climbs) {
            --i;
            if (base[i] == '\\' || base[i] == '/') ++seen;
        }
        if (seen < climbs) return std::nullopt;
        cut = i;
    }
    if (cut + 1 + (text.size() - start) > paths::kMaxPathBytes) return std::nullopt;
    std::string result = base.substr(0, cut);
    result += '\\';
    result.append(text, start, std::string::npos);
    return result;
}
