#include "sdk/hoststring.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

HostString HostString::ToLower() const {
    std::string lower = text_;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

double HostString::ToReal(bool* ok) const {
    const char* start = text_.c_str();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(start, &end);
    bool parsed = end != start;
    if (ok) *ok = parsed;
    return parsed ? value : 0.0;
}

int32_t HostString::ToInt(bool* ok) const {
    const char* start = text_.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(start, &end, 10);
    bool parsed = end != start;
    if (ok) *ok = parsed;
    if (!parsed) return 0;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

HostString HostString::FromInt(int64_t value) { return std::to_string(value); }
