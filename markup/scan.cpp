#include "markup/scan.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace markup {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The length of the UTF-8 sequence that starts at i, or 0 when it is not well formed or is a
// NUL.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    if (lead == 0) return 0;
    if (lead < 0x80) return 1;
    const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    const unsigned second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

// Walks the markup and keeps the stack of open elements.
class Scanner {
public:
    Scanner(std::string_view text, const Rules& rules) : text_(text), rules_(rules) {}

    std::optional<Finding> Run() {
        size_t i = 0;
        while (i < text_.size()) {
            const size_t open = std::min(text_.find('<', i), text_.size());
            if (auto found = CharacterData(i, open)) return found;
            if (open == text_.size()) break;
            i = open;
            if (auto found = Markup(i)) return found;
        }
        if (!open_.empty()) return Found(Problem::kNotClosed, open_.back().second, open_.back().first);
        if (rules_.needsElement && !rootSeen_) return Found(Problem::kNoElement, text_.size());
        return std::nullopt;
    }

private:
    static Finding Found(Problem problem, size_t at, std::string_view name = {}, std::string_view other = {}) {
        return FoundIn(problem, at, at, name, other);
    }
    static Finding FoundIn(Problem problem, size_t at, size_t start, std::string_view name = {},
                           std::string_view other = {}) {
        return Finding{problem, at, start, false, std::string(name), std::string(other)};
    }

    bool At(size_t p, std::string_view what) const {
        return p <= text_.size() && text_.substr(p, what.size()) == what;
    }
    void SkipSpace(size_t& p) const {
        while (p < text_.size() && IsSpace(text_[p])) ++p;
    }
    std::string_view Name(size_t& p) const {
        const size_t start = p;
        if (p < text_.size() && IsNameStart(text_[p])) {
            while (p < text_.size() && IsNameChar(text_[p])) ++p;
        }
        return text_.substr(start, p - start);
    }

    // Text between markup: only blanks outside the root element; references well formed
    // when the rules ask for them.
    std::optional<Finding> CharacterData(size_t from, size_t to) const {
        if (!open_.empty() && !rules_.references) return std::nullopt;
        const size_t first = from == 0 && At(0, kByteOrderMark) ? kByteOrderMark.size() : from;
        for (size_t p = first; p < to; ++p) {
            if (open_.empty() && !IsSpace(text_[p])) return FoundIn(Problem::kTextOutsideRoot, p, from);
            if (rules_.references && text_[p] == '&') {
                const size_t length = ReadReference(text_, p).length;
                if (length == 0) return Found(Problem::kBadReference, p);
                p += length - 1;
            }
        }
        return std::nullopt;
    }

    std::optional<Finding> Markup(size_t& i) {
        if (At(i, "<!--")) return SkipPast(i, "-->", Problem::kUnfinishedComment);
        if (At(i, "<![CDATA[")) {
            if (rules_.cdataInsideRoot && open_.empty()) return Found(Problem::kCdataOutsideRoot, i);
            return SkipPast(i, "]]>", Problem::kUnfinishedCdata);
        }
        if (At(i, "<?")) return Declaration(i);
        if (rules_.documentType && At(i, "<!DOCTYPE")) return DocumentType(i);
        if (At(i, "<!")) return Found(Problem::kMarkupDeclaration, i);
        if (At(i, "</")) return EndTag(i);
        return StartTag(i);
    }

    std::optional<Finding> SkipPast(size_t& i, std::string_view end, Problem unfinished) const {
        const size_t found = text_.find(end, i + 2);
        if (found == std::string_view::npos) return Found(unfinished, i);
        i = found + end.size();
        return std::nullopt;
    }

    // name="value" or name='value' at p; the value holds no "<" and, when the rules ask for
    // them, only well-formed references.  False when malformed.
    bool Attribute(size_t& p, std::string_view& name) const {
        name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= text_.size() || text_[p] != '=') return false;
        SkipSpace(++p);
        if (p >= text_.size() || (text_[p] != '"' && text_[p] != '\'')) return false;
        const size_t close = text_.find(text_[p], p + 1);
        if (close == std::string_view::npos) return false;
        for (size_t k = p + 1; k < close; ++k) {
            if (text_[k] == '<') return false;
            if (rules_.references && text_[k] == '&') {
                const size_t length = ReadReference(text_, k).length;
                if (length == 0) return false;
                k += length - 1;
            }
        }
        p = close + 1;
        return true;
    }

    // Attributes up to the end of a tag (">" or "/>"; "?>" for the declaration, which takes
    // only its three attributes); p is left on the end.
    std::optional<Finding> Attributes(size_t& p, size_t tagStart, std::string_view tag, bool declaration) const {
        const auto found = [&](Problem problem, size_t at, std::string_view attribute = {}) {
            Finding finding = FoundIn(problem, at, tagStart, tag, attribute);
            finding.declaration = declaration;
            return finding;
        };
        const size_t limit = declaration ? rules_.maxDeclarationAttributes : rules_.maxAttributes;
        std::vector<std::string_view> names;  // when they must differ
        size_t count = 0;
        for (;;) {
            const size_t before = p;
            SkipSpace(p);
            if (p >= text_.size()) return found(Problem::kUnfinishedTag, tagStart);
            if (!rules_.extraAttributeAtOnce && count > limit) return found(Problem::kTooManyAttributes, tagStart);
            if (declaration ? At(p, "?>") : (text_[p] == '>' || At(p, "/>"))) return std::nullopt;
            const size_t attributeStart = p;
            std::string_view name;
            if (p == before || !Attribute(p, name)) return found(Problem::kMalformedAttribute, p);
            if (declaration && name != "version" && name != "encoding" && name != "standalone")
                return found(Problem::kUnknownAttribute, p, name);
            if (declaration && rules_.plainDeclaration) {
                const size_t markup = text_.substr(attributeStart, p - attributeStart).find_first_of(">&");
                if (markup != std::string_view::npos)
                    return found(Problem::kMarkupInDeclaration, attributeStart + markup, name);
            }
            if (rules_.uniqueAttributes) {
                if (std::find(names.begin(), names.end(), name) != names.end())
                    return found(Problem::kRepeatedAttribute, p, name);
                names.push_back(name);
            }
            ++count;
            if (rules_.extraAttributeAtOnce && count > limit) return found(Problem::kTooManyAttributes, tagStart);
        }
    }

    std::optional<Finding> Declaration(size_t& i) const {
        size_t p = i + 5;
        const bool blank = p < text_.size() && (IsSpace(text_[p]) || (!rules_.declarationBlank && text_[p] == '?'));
        if (!At(i, "<?xml") || !blank) return Found(Problem::kProcessingInstruction, i);
        if (rules_.declarationFirst && rootSeen_) return Found(Problem::kDeclarationAfterRoot, i);
        if (auto found = Attributes(p, i, {}, true)) return found;
        i = p + 2;
        return std::nullopt;
    }

    // "<!DOCTYPE" name, then optionally SYSTEM "uri" or PUBLIC "id" "uri", then ">": once,
    // before the root element.  The parser reads such a declaration up to its first '>', so
    // no literal may hold one; anything else (an internal subset above all) is refused as a
    // markup declaration at its "<!".
    std::optional<Finding> DocumentType(size_t& i) {
        const Finding refused = Found(Problem::kMarkupDeclaration, i);
        if (rootSeen_ || documentTypeSeen_) return refused;
        size_t p = i + 9;  // past "<!DOCTYPE"
        const auto blanks = [&] {
            const size_t before = p;
            SkipSpace(p);
            return p > before;
        };
        const auto literal = [&] {
            if (p >= text_.size() || (text_[p] != '"' && text_[p] != '\'')) return false;
            const size_t close = text_.find(text_[p], p + 1);
            if (close == std::string_view::npos || text_.substr(p, close - p).find('>') != std::string_view::npos)
                return false;
            p = close + 1;
            return true;
        };
        if (!blanks() || Name(p).empty()) return refused;
        if (blanks()) {
            if (At(p, "SYSTEM")) {
                p += 6;
                if (!blanks() || !literal()) return refused;
            } else if (At(p, "PUBLIC")) {
                p += 6;
                if (!blanks() || !literal() || !blanks() || !literal()) return refused;
            }
            SkipSpace(p);
        }
        if (p >= text_.size() || text_[p] != '>') return refused;
        documentTypeSeen_ = true;
        i = p + 1;
        return std::nullopt;
    }

    std::optional<Finding> EndTag(size_t& i) {
        size_t p = i + 2;
        const std::string_view name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= text_.size() || text_[p] != '>') return Found(Problem::kMalformedEndTag, i);
        if (open_.empty() || open_.back().first != name)
            return Found(Problem::kUnmatchedEndTag, i, name, open_.empty() ? std::string_view() : open_.back().first);
        open_.pop_back();
        i = p + 1;
        return std::nullopt;
    }

    std::optional<Finding> StartTag(size_t& i) {
        size_t p = i + 1;
        const std::string_view name = Name(p);
        if (name.empty()) return Found(Problem::kNoElementName, i);
        if (open_.empty() && rootSeen_) return Found(Problem::kSecondRoot, i, name);
        rootSeen_ = true;
        if (auto found = Attributes(p, i, name, false)) return found;
        if (text_[p] == '/') {
            i = p + 2;
            return std::nullopt;
        }
        open_.emplace_back(name, i);
        if (open_.size() > rules_.maxDepth) return Found(Problem::kTooDeep, i, name);
        i = p + 1;
        return std::nullopt;
    }

    std::string_view text_;
    const Rules& rules_;
    std::vector<std::pair<std::string_view, size_t>> open_;  // open elements and where they start
    bool rootSeen_ = false;
    bool documentTypeSeen_ = false;
};

}  // namespace

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.' || c == ':'; }

Reference ReadReference(std::string_view text, size_t i) {
    constexpr std::pair<std::string_view, char32_t> kNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& [named, code] : kNamed) {
        if (text.substr(i, named.size()) == named) return {named.size(), code};
    }
    const bool hex = text.substr(i, 3) == "&#x";
    if (!hex && text.substr(i, 2) != "&#") return {};
    const size_t digitsStart = i + (hex ? 3 : 2);
    size_t end = digitsStart;
    char32_t code = 0;
    while (end < text.size() && end - digitsStart < 8 && (hex ? IsHexDigit(text[end]) : IsDigit(text[end]))) {
        const char c = text[end++];
        const unsigned digit = IsDigit(c) ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        code = code * (hex ? 16 : 10) + digit;
    }
    if (end == digitsStart || end >= text.size() || text[end] != ';') return {};
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {end + 1 - i, code};
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

size_t FirstBadUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return i;
        i += length;
    }
    return std::string_view::npos;
}

std::optional<Finding> Scan(std::string_view text, const Rules& rules) { return Scanner(text, rules).Run(); }

}  // namespace markup
