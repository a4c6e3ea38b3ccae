// A check of XML text that comes from outside (material libraries) before TinyXml parses it.
//
// The parser descends one level of recursion per element level, looks for repeated attribute
// names one by one, scans from an unfinished character reference to the next ";" in the
// text, and has no defence against broken UTF-8.  The check lets through only plain XML that
// the parser reads the way the check does: an optional XML declaration, one root element,
// elements with quoted attributes, text with the five named and numeric character
// references, comments and CDATA sections, within limits of size, nesting and attributes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xml_guard {

inline constexpr size_t kMaxBytes = 2 * 1024 * 1024;
inline constexpr size_t kMaxDepth = 64;
inline constexpr size_t kMaxAttributes = 32;

struct Limits {
    size_t maxBytes = kMaxBytes;
    size_t maxDepth = kMaxDepth;
    size_t maxAttributes = kMaxAttributes;
};

}  // namespace xml_guard

// Nothing when the text may go to the parser; otherwise what is wrong with it, starting with
// the line where it is ("line 3: elements nested deeper than 64 levels").
std::optional<std::string> XmlTextProblem(std::string_view text, const xml_guard::Limits& limits = {});
