// Relative and absolute paths of arbitrary texts: no crash, no result over the limit.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string base = input.substr(0, split);
    const std::string other = split == std::string::npos ? std::string() : input.substr(split + 1);

    if (auto relative = RelativePath(base, other)) {
        if (relative->size() > paths::kMaxPathBytes) std::abort();
    }
    if (auto absolute = AbsolutePath(base, other)) {
        if (absolute->size() > paths::kMaxPathBytes) std::abort();
        std::string converted = other;
        for (char& c : converted) {
            if (c == '/') c = '\\';
        }
        // Without climbs the result is the base, a separator and the converted text.
        if (converted.find("..\\") == std::string::npos && *absolute != base + "\\" + converted) std::abort();
    }
    return 0;
}
