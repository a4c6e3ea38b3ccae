#include "headless/resources/resource_xml.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "markup/scan.h"

namespace headless {

namespace {

constexpr size_t kMaxXmlDepth = 256;
constexpr size_t kMaxXmlAttributes = 64;  // the parser looks for duplicates one by one

}  // namespace

std::string MarkupProblemText(const markup::Finding& found, size_t maxDepth, size_t maxAttributes) {
    using markup::Problem;
    // The declaration is refused as a whole, whatever is wrong inside it.
    if (found.declaration) return "malformed XML declaration";
    switch (found.problem) {
    case Problem::kTextOutsideRoot: return "text outside the root element";
    case Problem::kBadReference: return "'&' that starts no character reference";
    case Problem::kUnfinishedComment: return "comment without an end";
    case Problem::kUnfinishedCdata: return "CDATA section without an end";
    case Problem::kCdataOutsideRoot: return "CDATA section outside the root element";
    case Problem::kMarkupDeclaration: return "markup declarations (<!...>) are not supported";
    case Problem::kProcessingInstruction: return "processing instructions are not supported";
    case Problem::kDeclarationAfterRoot: return "XML declaration after the root element";
    case Problem::kUnfinishedTag: return "<" + found.name + "> without '>'";
    case Problem::kMalformedAttribute: return "malformed attribute in <" + found.name + ">";
    case Problem::kRepeatedAttribute: return "attribute " + found.other + " twice in <" + found.name + ">";
    case Problem::kTooManyAttributes:
        return "more than " + std::to_string(maxAttributes) + " attributes on <" + found.name + ">";
    case Problem::kNoElementName: return "'<' not followed by an element name";
    case Problem::kSecondRoot: return "a second root element <" + found.name + ">";
    case Problem::kMalformedEndTag: return "malformed end tag";
    case Problem::kUnmatchedEndTag:
        return "end tag </" + found.name + "> does not match" +
               (found.other.empty() ? std::string(" an open element") : " <" + found.other + ">");
    case Problem::kTooDeep: return "elements nested deeper than " + std::to_string(maxDepth);
    case Problem::kNotClosed: return "<" + found.name + "> is not closed";
    case Problem::kNoElement: return "no root element";
    // Only inside the declaration, worded above.
    case Problem::kUnknownAttribute:
    case Problem::kMarkupInDeclaration: break;
    }
    return "malformed markup";
}

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

std::optional<ScanProblem> ScanMarkup(const std::string& text) {
    markup::Rules rules;
    rules.maxDepth = kMaxXmlDepth;
    rules.maxAttributes = kMaxXmlAttributes;
    rules.extraAttributeAtOnce = false;
    rules.declarationBlank = false;   // "<?xml?>" is read
    rules.plainDeclaration = true;
    const std::optional<markup::Finding> found = markup::Scan(text, rules);
    if (!found) return std::nullopt;
    // Where the text, the declaration or the tag with too many attributes starts; the byte at
    // fault in an attribute.
    const bool atFault = !found->declaration && found->problem == markup::Problem::kMalformedAttribute;
    return ScanProblem{atFault ? found->at : found->start, MarkupProblemText(*found, kMaxXmlDepth, kMaxXmlAttributes)};
}

int RootLine(const std::string& text) {
    for (size_t i = text.find('<'); i != std::string::npos; i = text.find('<', i + 1)) {
        if (text.compare(i, 4, "<!--") == 0) i = std::min(text.find("-->", i), text.size() - 1);
        else if (i + 1 < text.size() && markup::IsNameStart(text[i + 1])) return LineOf(text, i);
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
