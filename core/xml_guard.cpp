#include "core/xml_guard.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Problem {
    size_t at;
    std::string what;
};

size_t LineAt(std::string_view text, size_t at) {
    at = std::min(at, text.size());
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(at), '\n'));
}

// The length of the UTF-8 sequence that starts at i, or 0 when it is not well formed (overlong
// forms, surrogates, code points beyond U+10FFFF, cut sequences) or is a NUL.
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

std::optional<Problem> Utf8Problem(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return Problem{i, text[i] == '\0' ? "NUL byte" : "not UTF-8 text"};
        i += length;
    }
    return std::nullopt;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The length of the character reference at the "&" at i ("&amp;", "&#38;", "&#x26;"), or 0
// when it is not one the parser decodes to a character.
size_t ReferenceLength(std::string_view text, size_t i) {
    for (std::string_view named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        if (text.substr(i, named.size()) == named) return named.size();
    }
    const bool hex = text.substr(i, 3) == "&#x";
    if (!hex && text.substr(i, 2) != "&#") return 0;
    const size_t digitsStart = i + (hex ? 3 : 2);
    size_t end = digitsStart;
    unsigned long code = 0;
    while (end < text.size() && end - digitsStart < 8 && (hex ? IsHexDigit(text[end]) : IsDigit(text[end]))) {
        const char c = text[end++];
        const unsigned digit = IsDigit(c) ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        code = code * (hex ? 16 : 10) + digit;
    }
    if (end == digitsStart || end >= text.size() || text[end] != ';') return 0;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return end + 1 - i;
}

// Walks the markup and keeps the stack of open elements.
class MarkupScan {
public:
    MarkupScan(std::string_view text, const xml_guard::Limits& limits) : text_(text), limits_(limits) {}

    std::optional<Problem> Run() {
        size_t i = text_.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
        while (i < text_.size()) {
            const size_t open = std::min(text_.find('<', i), text_.size());
            if (auto problem = CharacterData(i, open)) return problem;
            if (open == text_.size()) break;
            i = open;
            if (auto problem = Markup(i)) return problem;
        }
        if (!open_.empty()) return Problem{open_.back().second, "<" + open_.back().first + "> is not closed"};
        if (!rootSeen_) return Problem{text_.size(), "no element"};
        return std::nullopt;
    }

private:
    bool At(size_t p, std::string_view what) const { return text_.substr(p, what.size()) == what; }
    void SkipSpace(size_t& p) const {
        while (p < text_.size() && IsSpace(text_[p])) ++p;
    }
    std::string Name(size_t& p) const {
        const size_t start = p;
        if (p < text_.size() && IsNameStart(text_[p])) {
            while (p < text_.size() && IsNameChar(text_[p])) ++p;
        }
        return std::string(text_.substr(start, p - start));
    }

    // Text between markup: only blanks outside the root element; references well formed.
    std::optional<Problem> CharacterData(size_t from, size_t to) const {
        for (size_t p = from; p < to; ++p) {
            if (open_.empty() && !IsSpace(text_[p])) return Problem{p, "text outside the root element"};
            if (text_[p] == '&') {
                const size_t length = ReferenceLength(text_, p);
                if (length == 0) return Problem{p, "\"&\" that starts no character reference"};
                p += length - 1;
            }
        }
        return std::nullopt;
    }

    std::optional<Problem> Markup(size_t& i) {
        if (At(i, "<!--")) return SkipPast(i, "-->", "comment without an end");
        if (At(i, "<![CDATA[")) {
            if (open_.empty()) return Problem{i, "CDATA section outside the root element"};
            return SkipPast(i, "]]>", "CDATA section without an end");
        }
        if (At(i, "<?")) return Declaration(i);
        if (At(i, "<!")) return Problem{i, "declarations (<!...>) are not read"};
        if (At(i, "</")) return EndTag(i);
        return StartTag(i);
    }

    std::optional<Problem> SkipPast(size_t& i, std::string_view end, const char* problem) const {
        const size_t found = text_.find(end, i + 2);
        if (found == std::string_view::npos) return Problem{i, problem};
        i = found + end.size();
        return std::nullopt;
    }

    // name="value" or name='value' at p; the value holds no "<" and only well-formed
    // references.  False when malformed.
    bool Attribute(size_t& p, std::string& name) const {
        name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= text_.size() || text_[p] != '=') return false;
        SkipSpace(++p);
        if (p >= text_.size() || (text_[p] != '"' && text_[p] != '\'')) return false;
        const size_t close = text_.find(text_[p], p + 1);
        if (close == std::string_view::npos) return false;
        for (size_t k = p + 1; k < close; ++k) {
            if (text_[k] == '<') return false;
            if (text_[k] == '&') {
                const size_t length = ReferenceLength(text_, k);
                if (length == 0) return false;
                k += length - 1;
            }
        }
        p = close + 1;
        return true;
    }

    // Attributes up to the end of a tag (">" or "/>"; "?>" for the declaration, which takes
    // only its three attributes); p is left on the end.
    std::optional<Problem> Attributes(size_t& p, size_t tagStart, const std::string& tag, bool declaration) const {
        std::vector<std::string> names;
        for (;;) {
            const size_t before = p;
            SkipSpace(p);
            if (p >= text_.size()) return Problem{tagStart, tag + " without an end"};
            if (declaration ? At(p, "?>") : (text_[p] == '>' || At(p, "/>"))) return std::nullopt;
            std::string name;
            if (p == before || !Attribute(p, name)) return Problem{p, "malformed attribute in " + tag};
            if (declaration && name != "version" && name != "encoding" && name != "standalone")
                return Problem{p, "attribute \"" + name + "\" in " + tag};
            if (std::find(names.begin(), names.end(), name) != names.end())
                return Problem{p, "attribute \"" + name + "\" repeated in " + tag};
            names.push_back(name);
            if (names.size() > limits_.maxAttributes)
                return Problem{tagStart, "more than " + std::to_string(limits_.maxAttributes) + " attributes in " + tag};
        }
    }

    std::optional<Problem> Declaration(size_t& i) const {
        size_t p = i + 5;
        if (!At(i, "<?xml") || p >= text_.size() || !IsSpace(text_[p]))
            return Problem{i, "processing instructions (<?...?>) are not read"};
        if (rootSeen_) return Problem{i, "XML declaration after the root element"};
        if (auto problem = Attributes(p, i, "the XML declaration", true)) return problem;
        i = p + 2;
        return std::nullopt;
    }

    std::optional<Problem> EndTag(size_t& i) {
        size_t p = i + 2;
        const std::string name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= text_.size() || text_[p] != '>') return Problem{i, "malformed end tag"};
        if (open_.empty() || open_.back().first != name)
            return Problem{i, "</" + name + "> does not close " +
                                  (open_.empty() ? std::string("an open element") : "<" + open_.back().first + ">")};
        open_.pop_back();
        i = p + 1;
        return std::nullopt;
    }

    std::optional<Problem> StartTag(size_t& i) {
        size_t p = i + 1;
        const std::string name = Name(p);
        if (name.empty()) return Problem{i, "\"<\" that starts no element"};
        if (open_.empty() && rootSeen_) return Problem{i, "a second root element <" + name + ">"};
        rootSeen_ = true;
        if (auto problem = Attributes(p, i, "<" + name + ">", false)) return problem;
        if (text_[p] == '/') {
            i = p + 2;
            return std::nullopt;
        }
        open_.emplace_back(name, i);
        if (open_.size() > limits_.maxDepth)
            return Problem{i, "elements nested deeper than " + std::to_string(limits_.maxDepth) + " levels"};
        i = p + 1;
        return std::nullopt;
    }

    std::string_view text_;
    const xml_guard::Limits& limits_;
    std::vector<std::pair<std::string, size_t>> open_;  // open elements and where they start
    bool rootSeen_ = false;
};

}  // namespace

std::optional<std::string> XmlTextProblem(std::string_view text, const xml_guard::Limits& limits) {
    if (text.size() > limits.maxBytes)
        return "larger than " + std::to_string(limits.maxBytes) + " bytes";
    std::optional<Problem> problem = Utf8Problem(text);
    if (!problem) problem = MarkupScan(text, limits).Run();
    if (!problem) return std::nullopt;
    return "line " + std::to_string(LineAt(text, problem->at)) + ": " + problem->what;
}
