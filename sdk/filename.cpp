#include "sdk/filename.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t LastSeparator(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i - 1;
    }
    return std::string::npos;
}

char Fold(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    if (c == '/') return '\\';
    return c;
}

// Index of the dot that starts the suffix of the file part, or npos.
size_t SuffixDot(const std::string& path) {
    size_t sep = LastSeparator(path);
    size_t begin = sep == std::string::npos ? 0 : sep + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < begin || dot == begin) return std::string::npos;
    return dot;
}

}  // namespace

HostFilename HostFilename::GetDirectory() const {
    const std::string& path = Str();
    size_t sep = LastSeparator(path);
    if (sep == std::string::npos) return HostFilename();
    // Keep the separator of a drive root ("C:\").
    if (sep == 2 && path.size() >= 3 && path[1] == ':') return HostFilename(path.substr(0, 3));
    return HostFilename(path.substr(0, sep));
}

HostFilename HostFilename::GetFile() const {
    const std::string& path = Str();
    size_t sep = LastSeparator(path);
    return HostFilename(sep == std::string::npos ? path : path.substr(sep + 1));
}

HostString HostFilename::GetSuffix() const {
    size_t dot = SuffixDot(Str());
    return dot == std::string::npos ? HostString() : HostString(Str().substr(dot + 1));
}

bool HostFilename::CheckSuffix(const HostString& suffix) const {
    return GetSuffix().ToLower() == suffix.ToLower();
}

void HostFilename::SetSuffix(const HostString& suffix) {
    ClearSuffix();
    if (!suffix.IsEmpty()) path_ = HostString(Str() + "." + suffix.Str());
}

void HostFilename::ClearSuffix() {
    size_t dot = SuffixDot(Str());
    if (dot != std::string::npos) path_ = HostString(Str().substr(0, dot));
}

HostFilename operator+(const HostFilename& dir, const HostFilename& name) {
    if (dir.IsEmpty()) return name;
    if (name.IsEmpty()) return dir;
    std::string joined = dir.Str();
    if (!IsSeparator(joined.back())) joined += '\\';
    const std::string& tail = name.Str();
    joined += IsSeparator(tail.front()) ? tail.substr(1) : tail;
    return HostFilename(joined);
}

std::string HostFilename::ComparisonKey() const {
    std::string key = Str();
    for (char& c : key) c = Fold(c);
    return key;
}

bool operator==(const HostFilename& a, const HostFilename& b) {
    const std::string& x = a.Str();
    const std::string& y = b.Str();
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (Fold(x[i]) != Fold(y[i])) return false;
    }
    return true;
}
