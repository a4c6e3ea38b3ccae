#include "core/xml_guard.h"

#include <algorithm>

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

}  // namespace

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
    const std::optional<markup::Finding> found = markup::Scan(text, rules);
    if (!found) return std::nullopt;
    return "line " + std::to_string(LineAt(text, found->at)) + ": " + Wording(*found, limits);
}
