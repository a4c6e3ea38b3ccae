#include "core/xml_guard.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "markup/scan.h"

namespace {

size_t LineAt(std::string_view text, size_t at) {
    at = std::min(at, text.size());
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(at), '\n'));
}

// What the problem is, in the words of the material library reader.
std::string Wording(const markup::Finding& found, const xml_guard::Limits& limits) {
    using markup::Problem;
    const std::string tag = found.declaration ? "the XML declaration" : "<" + found.name + ">";
    switch (found.problem) {
    case Problem::kTextOutsideRoot: return "text outside the root element";
    case Problem::kBadReference: return "\"&\" that starts no character reference";
    case Problem::kUnfinishedComment: return "comment without an end";
    case Problem::kUnfinishedCdata: return "CDATA section without an end";
    case Problem::kCdataOutsideRoot: return "CDATA section outside the root element";
    case Problem::kMarkupDeclaration: return "declarations (<!...>) are not read";
    case Problem::kProcessingInstruction: return "processing instructions (<?...?>) are not read";
    case Problem::kDeclarationAfterRoot: return "XML declaration after the root element";
    case Problem::kUnfinishedTag: return tag + " without an end";
    case Problem::kMalformedAttribute: return "malformed attribute in " + tag;
    case Problem::kUnknownAttribute: return "attribute \"" + found.other + "\" in " + tag;
    case Problem::kMarkupInDeclaration: return "\">\" or \"&\" in " + tag;
    case Problem::kRepeatedAttribute: return "attribute \"" + found.other + "\" repeated in " + tag;
    case Problem::kTooManyAttributes:
        return "more than " + std::to_string(limits.maxAttributes) + " attributes in " + tag;
    case Problem::kNoElementName: return "\"<\" that starts no element";
    case Problem::kSecondRoot: return "a second root element <" + found.name + ">";
    case Problem::kMalformedEndTag: return "malformed end tag";
    case Problem::kUnmatchedEndTag:
        return "</" + found.name + "> does not close " +
               (found.other.empty() ? std::string("an open element") : "<" + found.other + ">");
    case Problem::kTooDeep: return "elements nested deeper than " + std::to_string(limits.maxDepth) + " levels";
    case Problem::kNotClosed: return "<" + found.name + "> is not closed";
    case Problem::kNoElement: return "no element";
    }
    return "malformed markup";  // not reached: every problem is worded above
}

// The value of the encoding attribute of the XML declaration that opens the text; empty
// when the text opens with no declaration or the declaration names no encoding.
std::string_view DeclaredEncoding(std::string_view text) {
    if (text.size() < 6 || !text.starts_with("<?xml") || !markup::IsSpace(text[5])) return {};
    size_t p = 5;
    const auto skipSpace = [&] {
        while (p < text.size() && markup::IsSpace(text[p])) ++p;
    };
    for (;;) {
        skipSpace();
        const size_t nameStart = p;
        while (p < text.size() && markup::IsNameChar(text[p])) ++p;
        const std::string_view name = text.substr(nameStart, p - nameStart);
        skipSpace();
        if (name.empty() || p >= text.size() || text[p] != '=') return {};
        ++p;
        skipSpace();
        if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) return {};
        const size_t close = text.find(text[p], p + 1);
        if (close == std::string_view::npos) return {};
        if (name == "encoding") return text.substr(p + 1, close - p - 1);
        p = close + 1;
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool NamedIn(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return EqualsIgnoringCase(name, n); });
}

enum class SingleByte { kNone, kLatin1, kWindows1252 };

SingleByte DeclaredSingleByte(std::string_view text) {
    const std::string_view encoding = DeclaredEncoding(text);
    if (NamedIn(encoding, {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "ISO_8859-1:1987", "latin1", "l1", "iso-ir-100",
                           "IBM819", "CP819", "csISOLatin1"})) {
        return SingleByte::kLatin1;
    }
    if (NamedIn(encoding, {"windows-1252", "cp1252", "x-cp1252"})) return SingleByte::kWindows1252;
    return SingleByte::kNone;
}

// The characters of windows-1252's bytes 0x80-0x9F; 0 for the five it leaves undefined.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The single-byte text as UTF-8, or the problem with its first byte that codes no character.
GuardedXmlText SingleByteToUtf8(std::string_view text, SingleByte encoding) {
    GuardedXmlText out;
    out.text.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t c = byte;
        if (encoding == SingleByte::kWindows1252 && byte >= 0x80 && byte <= 0x9F) {
            c = kWindows1252High[byte - 0x80];
            if (c == 0) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                out.problem = "line " + std::to_string(LineAt(text, i)) + ": byte 0x" + kHex[byte >> 4] +
                              kHex[byte & 0xF] + " is not a windows-1252 character";
                return out;
            }
        }
        markup::AppendUtf8(out.text, c);
    }
    return out;
}

}  // namespace

GuardedXmlText GuardXmlText(std::string_view text, const xml_guard::Limits& limits) {
    const SingleByte encoding = text.size() > limits.maxBytes ? SingleByte::kNone : DeclaredSingleByte(text);
    if (encoding == SingleByte::kNone) return {std::string(text), XmlTextProblem(text, limits)};
    GuardedXmlText guarded = SingleByteToUtf8(text, encoding);
    if (guarded.problem) return guarded;
    xml_guard::Limits unlimitedSize = limits;  // the size was that of the text given
    unlimitedSize.maxBytes = SIZE_MAX;
    guarded.problem = XmlTextProblem(guarded.text, unlimitedSize);
    return guarded;
}

std::optional<std::string> XmlTextProblem(std::string_view text, const xml_guard::Limits& limits) {
    if (text.size() > limits.maxBytes)
        return "larger than " + std::to_string(limits.maxBytes) + " bytes";
    if (const size_t bad = markup::FirstBadUtf8(text); bad != std::string_view::npos)
        return "line " + std::to_string(LineAt(text, bad)) + ": " + (text[bad] == '\0' ? "NUL byte" : "not UTF-8 text");
    markup::Rules rules;
    rules.maxDepth = limits.maxDepth;
    rules.maxAttributes = limits.maxAttributes;
    rules.maxDeclarationAttributes = limits.maxAttributes;
    rules.extraAttributeAtOnce = true;
    rules.references = true;
    rules.uniqueAttributes = true;
    rules.cdataInsideRoot = true;
    rules.declarationFirst = true;
    rules.declarationBlank = true;
    rules.needsElement = true;
    rules.documentType = true;
    const std::optional<markup::Finding> found = markup::Scan(text, rules);
    if (!found) return std::nullopt;
    return "line " + std::to_string(LineAt(text, found->at)) + ": " + Wording(*found, limits);
}
