// HostString: the host's text type.  UTF-8 from end to end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class HostString {
public:
    HostString() = default;
    HostString(const char* text) : text_(text ? text : "") {}  // NOLINT: implicit by design
    HostString(std::string text) : text_(std::move(text)) {}  // NOLINT
    HostString(std::string_view text) : text_(text) {}        // NOLINT

    const std::string& Str() const { return text_; }
    const char* CStr() const { return text_.c_str(); }
    size_t ByteLength() const { return text_.size(); }
    bool IsEmpty() const { return text_.empty(); }

    HostString& operator+=(const HostString& other) {
        text_ += other.text_;
        return *this;
    }
    friend HostString operator+(HostString a, const HostString& b) { return a += b; }
    friend bool operator==(const HostString& a, const HostString& b) = default;

    // ASCII lower case; other bytes are kept.
    HostString ToLower() const;
    // Three-way comparison of the bytes.
    int Compare(const HostString& other) const { return text_.compare(other.text_); }

    // The host's text-to-number conversions: leading blanks are skipped, the longest
    // number prefix is taken; a text without one gives 0 and sets *ok to false.
    double ToReal(bool* ok = nullptr) const;
    int32_t ToInt(bool* ok = nullptr) const;

    // Decimal text of an integer.
    static HostString FromInt(int64_t value);

private:
    std::string text_;
};
