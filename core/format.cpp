#include "core/format.h"

#include <charconv>
#include <cmath>
#include <cstring>

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

namespace {

// "00", "01", ... "99": two digits per table step.
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kDigitPairs;

void WritePair(char* out, uint32_t pair) { std::memcpy(out, kDigitPairs.text + 2 * pair, 2); }

// The number of decimal digits of `value` (1 for 0).
int DigitCount(uint64_t value) {
    int count = 1;
    for (uint64_t limit = 10; count < 20 && value >= limit; limit *= 10) ++count;
    return count;
}

// The digits go straight to their place, last pair first.
char* WriteUnsigned(char* out, uint64_t value) {
    char* const end = out + DigitCount(value);
    char* first = end;
    while (value >= 100) {
        first -= 2;
        WritePair(first, static_cast<uint32_t>(value % 100));
        value /= 100;
    }
    if (value >= 10) {
        WritePair(first - 2, static_cast<uint32_t>(value));
    } else {
        first[-1] = static_cast<char>('0' + value);
    }
    return end;
}

// Exactly eight digits, leading zeros included, of a value below 10^8.
char* WriteEightDigits(char* out, uint32_t value) {
    const uint32_t high = value / 10000;
    const uint32_t low = value % 10000;
    WritePair(out, high / 100);
    WritePair(out + 2, high % 100);
    WritePair(out + 4, low / 100);
    WritePair(out + 6, low % 100);
    return out + 8;
}

char* WriteLiteral(char* out, const char* text) {
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char* WritePrintfFixed8(char* out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 31) != 0;
    const uint32_t exponentField = (bits >> 23) & 0xFFu;
    const uint32_t fraction = bits & 0x7FFFFFu;
    if (exponentField == 0xFFu) {
        if (fraction) return WriteLiteral(out, negative ? "-nan" : "nan");
        return WriteLiteral(out, negative ? "-inf" : "inf");
    }

    // value = mantissa * 2^exponent exactly; units = |value| * 10^8 rounded to an integer, ties
    // to even, computed without error in 64 bits.
    const uint64_t mantissa = exponentField ? (fraction | 0x800000u) : fraction;
    const int exponent = exponentField ? static_cast<int>(exponentField) - 150 : -149;
    const uint64_t scaled = mantissa * 100000000u;  // below 2^51
    uint64_t units = 0;
    if (exponent > 12) {
        // 2^36 and above: the product would not fit; such values are rare in mesh files.
        auto result = std::to_chars(out, out + kPrintfFixed8MaxBytes, static_cast<double>(value),
                                    std::chars_format::fixed, 8);
        return result.ptr;
    }
    if (exponent >= 0) {
        units = scaled << exponent;
    } else if (exponent >= -51) {
        const int shift = -exponent;
        units = scaled >> shift;
        const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (units & 1u))) ++units;
    }
    // Otherwise the value is below half a unit: scaled < 2^51 <= half, and never exactly
    // half, as 5^8 divides any nonzero scaled.
    if (negative) *out++ = '-';
    out = WriteUnsigned(out, units / 100000000u);
    *out++ = '.';
    return WriteEightDigits(out, static_cast<uint32_t>(units % 100000000u));
}

char* WritePrintfInt(char* out, int64_t value) {
    if (value < 0) {
        *out++ = '-';
        return WriteUnsigned(out, uint64_t{0} - static_cast<uint64_t>(value));
    }
    return WriteUnsigned(out, static_cast<uint64_t>(value));
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
