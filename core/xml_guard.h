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
// the line where it is ("line 3: elements nested deeper than 64 levels").  The text must be
// UTF-8; a document type declaration without an internal subset is passed over.
std::optional<std::string> XmlTextProblem(std::string_view text, const xml_guard::Limits& limits = {});

// A text from outside made ready for the parser: UTF-8, and what is wrong with it.
struct GuardedXmlText {
    std::string text;
    std::optional<std::string> problem;  // worded as XmlTextProblem words it
};

// XmlTextProblem for a text that may be in the single-byte encoding its XML declaration names.
// A text that starts (no byte order mark before it) with a declaration whose encoding is
// ISO-8859-1 or one of its aliases (latin1, l1, ISO_8859-1, ISO8859-1, iso-ir-100, IBM819,
// CP819, csISOLatin1) has every byte turned into the character of that code; one that names
// windows-1252 (or cp1252, x-cp1252) also maps 0x80-0x9F to the characters of the Windows
// code page (0x80 is the euro sign), and is refused ("line 2: byte 0x81 is not a
// windows-1252 character") when it holds one of the five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).  Names are compared without regard to case.  Any
// other text is taken as UTF-8, as by XmlTextProblem.  The size limit counts the bytes given.
GuardedXmlText GuardXmlText(std::string_view text, const xml_guard::Limits& limits = {});
