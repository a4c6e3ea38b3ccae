#include "export/format.h"

#include <charconv>
#include <cmath>

namespace textfmt {

namespace {

// Drops the sign of a text that shows zero ("-0", "-0.000").
void DropNegativeZero(std::string& out, size_t start) {
    if (start >= out.size() || out[start] != '-') return;
    for (size_t i = start + 1; i < out.size(); ++i) {
        if (out[i] != '0' && out[i] != '.') return;
    }
    out.erase(start, 1);
}

// The shortest digits that read back as the same float, written out without exponent.
void AppendShortest(std::string& out, float value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
    if (text.front() == '-') {
        out += '-';
        text.remove_prefix(1);
    }
    const size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
    // digits d0 d1 d2 ... stand for d0.d1d2... x 10^exponent.
    const int pointAt = exponent + 1;  // digits before the point
    if (pointAt <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-pointAt), '0');
        out += digits;
    } else if (static_cast<size_t>(pointAt) >= digits.size()) {
        out += digits;
        out.append(static_cast<size_t>(pointAt) - digits.size(), '0');
    } else {
        out.append(digits, 0, static_cast<size_t>(pointAt));
        out += '.';
        out.append(digits, static_cast<size_t>(pointAt));
    }
}

}  // namespace

void AppendReal(std::string& out, float value, int digits) {
    const size_t start = out.size();
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    // A float has at most 39 digits before the point; 200 digits after it are more than any
    // writer asks for.
    if (digits < 0) {
        AppendShortest(out, value);
    } else {
        char buffer[400];
        const int precision = digits > 200 ? 200 : digits;
        auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::fixed, precision);
        out.append(buffer, result.ptr);
    }
    DropNegativeZero(out, start);
}

void AppendInt(std::string& out, int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace textfmt

HostString FormatReal(float value, int digits) {
    std::string text;
    textfmt::AppendReal(text, value, digits);
    return text;
}

HostString FormatInt(int32_t value) {
    std::string text;
    textfmt::AppendInt(text, value);
    return text;
}

HostString FormatSeconds(float value) { return FormatReal(value, 2); }
