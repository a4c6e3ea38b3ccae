// The XML reader of the scene check: the markup scan (markup/) for well-formedness, then one
// pass over the text that reports every element when it closes, with the line it opened on
// and its text.  Nothing is built in memory but the stack of open elements.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headless::check {

struct XmlElement {
    std::string_view name;
    std::string_view text;  // the element's own text, references decoded; CDATA included
    int line = 0;           // where its start tag is
    size_t depth = 0;       // 0 for the root
    bool hasChildren = false;
};

class XmlVisitor {
public:
    virtual ~XmlVisitor() = default;
    // `parent` is null for the root.
    virtual void Open(const XmlElement& element, const XmlElement* parent) = 0;
    virtual void Close(const XmlElement& element, const XmlElement* parent) = 0;
};

struct XmlProblem {
    int line = 0;
    int column = 0;
    std::string text;
};

// Nothing when the text is well-formed (the visitor has then seen every element); otherwise
// the first problem, and the visitor has seen nothing.
std::optional<XmlProblem> ReadXml(std::string_view text, XmlVisitor& visitor);

}  // namespace headless::check
