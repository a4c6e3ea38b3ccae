#include "headless/resources/resource_xml.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>

namespace headless {

namespace {

constexpr size_t kMaxXmlDepth = 256;
constexpr size_t kMaxXmlAttributes = 64;  // the parser looks for duplicates one by one

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }

}  // namespace

int LineOf(const std::string& text, size_t index) {
    int line = 1;
    for (size_t i = 0; i < index && i < text.size(); ++i) {
        char c = text[i];
        if (c != '\n' && c != '\r') continue;
        ++line;
        if (i + 1 < index && (text[i + 1] == '\n' || text[i + 1] == '\r') && text[i + 1] != c) ++i;
    }
    return line;
}

size_t BadUtf8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned c = s[i];
        size_t len = c < 0x80                  ? 1
                     : (c >= 0xC2 && c <= 0xDF) ? 2
                     : (c >= 0xE0 && c <= 0xEF) ? 3
                     : (c >= 0xF0 && c <= 0xF4) ? 4
                                                : 0;
        if (c == 0 || len == 0 || i + len > n) return i;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return i;
        }
        if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] >= 0xA0) || (c == 0xF0 && s[i + 1] < 0x90) ||
            (c == 0xF4 && s[i + 1] >= 0x90))
            return i;  // overlong forms, surrogates, beyond U+10FFFF
        i += len;
    }
    return std::string::npos;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

namespace {

class MarkupScan {
public:
    explicit MarkupScan(const std::string& text) : t_(text) {}

    std::optional<ScanProblem> Run() {
        size_t i = 0;
        while (i < t_.size()) {
            size_t lt = std::min(t_.find('<', i), t_.size());
            if (open_.empty() && !Blank(i, lt)) return ScanProblem{i, "text outside the root element"};
            if (lt == t_.size()) break;
            i = lt;
            std::optional<ScanProblem> problem;
            if (At(i, "<!--")) problem = SkipTo(i, "-->", "comment without an end");
            else if (At(i, "<![CDATA[")) problem = SkipTo(i, "]]>", "CDATA section without an end");
            else if (At(i, "<?")) problem = Declaration(i);
            else if (At(i, "<!")) problem = ScanProblem{i, "markup declarations (<!...>) are not supported"};
            else if (At(i, "</")) problem = EndTag(i);
            else problem = StartTag(i);
            if (problem) return problem;
        }
        if (!open_.empty())
            return ScanProblem{open_.back().second, "<" + std::string(open_.back().first) + "> is not closed"};
        return std::nullopt;
    }

private:
    bool At(size_t p, std::string_view s) const { return t_.compare(p, s.size(), s) == 0; }
    void SkipSpace(size_t& p) const {
        while (p < t_.size() && IsXmlSpace(t_[p])) ++p;
    }
    std::string_view Name(size_t& p) const {
        size_t start = p;
        if (p < t_.size() && IsNameStart(t_[p])) {
            while (p < t_.size() && IsNameChar(t_[p])) ++p;
        }
        return std::string_view(t_).substr(start, p - start);
    }
    bool Blank(size_t from, size_t to) const {
        if (from == 0 && At(0, "\xEF\xBB\xBF")) from = 3;
        for (size_t p = from; p < to; ++p) {
            if (!IsXmlSpace(t_[p])) return false;
        }
        return true;
    }
    std::optional<ScanProblem> SkipTo(size_t& i, const char* end, const char* problem) const {
        size_t found = t_.find(end, i + 2);
        if (found == std::string::npos) return ScanProblem{i, problem};
        i = found + std::strlen(end);
        return std::nullopt;
    }
    // name = "value" or 'value' at p; false when malformed.
    bool Attribute(size_t& p, std::string_view& name) const {
        name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= t_.size() || t_[p] != '=') return false;
        ++p;
        SkipSpace(p);
        if (p >= t_.size() || (t_[p] != '"' && t_[p] != '\'')) return false;
        size_t close = t_.find(t_[p], p + 1);
        if (close == std::string::npos || std::find(t_.begin() + p, t_.begin() + close, '<') != t_.begin() + close)
            return false;
        p = close + 1;
        return true;
    }
    std::optional<ScanProblem> Declaration(size_t& i) const {
        size_t p = i + 5;
        if (!At(i, "<?xml") || (!IsXmlSpace(t_[p]) && t_[p] != '?'))  // the text ends in a NUL
            return ScanProblem{i, "processing instructions are not supported"};
        for (;;) {
            size_t before = p;
            SkipSpace(p);
            if (At(p, "?>")) break;
            std::string_view name;
            size_t start = p;
            if (p == before || !Attribute(p, name) ||
                (name != "version" && name != "encoding" && name != "standalone") ||
                std::find_if(t_.begin() + start, t_.begin() + p, [](char c) { return c == '>' || c == '&'; }) !=
                    t_.begin() + p)
                return ScanProblem{i, "malformed XML declaration"};
        }
        i = p + 2;
        return std::nullopt;
    }
    std::optional<ScanProblem> EndTag(size_t& i) {
        size_t p = i + 2;
        std::string_view name = Name(p);
        SkipSpace(p);
        if (name.empty() || p >= t_.size() || t_[p] != '>') return ScanProblem{i, "malformed end tag"};
        if (open_.empty() || open_.back().first != name)
            return ScanProblem{i, "end tag </" + std::string(name) + "> does not match" +
                                      (open_.empty() ? std::string(" an open element")
                                                     : " <" + std::string(open_.back().first) + ">")};
        open_.pop_back();
        i = p + 1;
        return std::nullopt;
    }
    std::optional<ScanProblem> StartTag(size_t& i) {
        size_t p = i + 1;
        std::string_view name = Name(p);
        if (name.empty()) return ScanProblem{i, "'<' not followed by an element name"};
        if (open_.empty() && rootSeen_) return ScanProblem{i, "a second root element <" + std::string(name) + ">"};
        rootSeen_ = rootSeen_ || open_.empty();
        for (size_t count = 0;; ++count) {
            size_t before = p;
            SkipSpace(p);
            if (p >= t_.size()) return ScanProblem{i, "<" + std::string(name) + "> without '>'"};
            if (count > kMaxXmlAttributes)
                return ScanProblem{i, "more than " + std::to_string(kMaxXmlAttributes) + " attributes on <" +
                                          std::string(name) + ">"};
            if (t_[p] == '>' || At(p, "/>")) break;
            std::string_view attribute;
            if (p == before || !Attribute(p, attribute))
                return ScanProblem{p, "malformed attribute in <" + std::string(name) + ">"};
        }
        if (t_[p] == '>') {
            open_.emplace_back(name, i);
            if (open_.size() > kMaxXmlDepth)
                return ScanProblem{i, "elements nested deeper than " + std::to_string(kMaxXmlDepth)};
        }
        i = p + (t_[p] == '>' ? 1 : 2);
        return std::nullopt;
    }

    const std::string& t_;
    std::vector<std::pair<std::string_view, size_t>> open_;  // open elements and where they start
    bool rootSeen_ = false;
};

}  // namespace

std::optional<ScanProblem> ScanMarkup(const std::string& text) { return MarkupScan(text).Run(); }

int RootLine(const std::string& text) {
    for (size_t i = text.find('<'); i != std::string::npos; i = text.find('<', i + 1)) {
        if (text.compare(i, 4, "<!--") == 0) i = std::min(text.find("-->", i), text.size() - 1);
        else if (i + 1 < text.size() && IsNameStart(text[i + 1])) return LineOf(text, i);
    }
    return 1;
}

std::optional<int32_t> ParseInt(const std::string& text) {
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<float> ParseReal(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        std::fabs(value) > 3.4e38)
        return std::nullopt;
    return static_cast<float>(value);
}

std::optional<Vector> ParseVector(const std::string& text) {
    std::vector<float> parts;
    std::istringstream in(text);
    std::string word;
    while (in >> word && parts.size() <= 3) {
        auto value = ParseReal(word);
        if (!value) return std::nullopt;
        parts.push_back(*value);
    }
    if (parts.size() != 3) return std::nullopt;
    return Vector(parts[0], parts[1], parts[2]);
}

}  // namespace headless
