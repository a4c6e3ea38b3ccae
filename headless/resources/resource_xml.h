// The XML layer of the resource files: text checked before the XML parser sees it, and the
// element readers whose errors name the file and line.
#pragma once

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "markup/scan.h"
#include "sdk/math.h"

namespace headless {

// Line of a byte index, counting "\n", "\r", "\r\n" and "\n\r" as one line end each, as the
// XML parser does.
int LineOf(const std::string& text, size_t index);

struct ScanProblem {
    size_t at;
    std::string text;
};
// The words of the headless host's readers for a problem that the markup scan found (a
// problem inside the XML declaration as one); the limits are the rules the reader scanned
// with.  Shared by the resource files and the scene check (headless/check/).
std::string MarkupProblemText(const markup::Finding& found, size_t maxDepth, size_t maxAttributes);

// Checks the markup before the XML parser sees it: the parser recurses once per nesting
// level and is lenient in ways that make its structure hard to predict, so only a plain
// subset passes: elements with quoted attributes, text, comments, CDATA and an XML
// declaration; no other "<!" or "<?" markup.
std::optional<ScanProblem> ScanMarkup(const std::string& text);
// Line of the root element of a document that was read without errors.
int RootLine(const std::string& text);

std::optional<int32_t> ParseInt(const std::string& text);
std::optional<float> ParseReal(std::string_view text);
std::optional<Vector> ParseVector(const std::string& text);

// One XML resource file being read: the parsed document and the errors' wording.
class XmlFile {
public:
    XmlFile(const std::string& text, const std::string& file) : file_(file) {
        if (size_t bad = markup::FirstBadUtf8(text); bad != std::string::npos) {
            Fail(LineOf(text, bad), text[bad] == '\0' ? "NUL byte" : "not UTF-8 text");
        } else if (auto problem = ScanMarkup(text)) {
            Fail(LineOf(text, problem->at), problem->text);
        } else {
            document_.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
            // An empty document is reported by Root() as a missing root element.
            if (document_.Error() && document_.ErrorId() != TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY)
                Fail(std::max(document_.ErrorRow(), 1), document_.ErrorDesc());
        }
    }

    // The root element when it has the name; null (with the error set) otherwise.
    const TiXmlElement* Root(const char* name) {
        if (!error_.empty()) return nullptr;
        const TiXmlElement* root = document_.RootElement();
        if (!root) {
            Fail(1, std::string("no <") + name + "> element");
        } else if (root->ValueStr() != name) {
            Fail(root, std::string("expected <") + name + "> as the root element, found <" + root->ValueStr() + ">");
            root = nullptr;
        }
        return root;
    }

    bool Fail(int line, const std::string& problem) {
        if (error_.empty()) error_ = file_ + ":" + std::to_string(line) + ": " + problem;
        return false;
    }
    bool Fail(const TiXmlNode* node, const std::string& problem) { return Fail(node->Row(), problem); }
    const std::string& Error() const { return error_; }

    bool CheckAttributes(const TiXmlElement* element, std::initializer_list<std::string_view> allowed) {
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            if (std::find(allowed.begin(), allowed.end(), a->NameTStr()) == allowed.end())
                return Fail(element, "unknown attribute \"" + a->NameTStr() + "\" on <" + element->ValueStr() + ">");
        }
        return true;
    }

    // The id attribute; 0 when it is absent and not required.
    bool Id(const TiXmlElement* element, bool required, int32_t& id) {
        const std::string* text = element->Attribute(std::string("id"));
        id = 0;
        if (!text) return !required || Fail(element, "<" + element->ValueStr() + "> needs an id");
        auto value = ParseInt(*text);
        if (!value) return Fail(element, "id \"" + *text + "\" of <" + element->ValueStr() + "> is not a whole number");
        id = *value;
        return true;
    }

    // Records the id and refuses one seen before in the same scope (0 may repeat unless
    // zeroCounts).
    bool Unique(const TiXmlElement* element, int32_t id, std::map<int32_t, int>& seen, const char* what,
                bool zeroCounts = false) {
        if (id == 0 && !zeroCounts) return true;
        auto [it, fresh] = seen.emplace(id, element->Row());
        if (fresh) return true;
        return Fail(element, std::string(what) + " " + std::to_string(id) + " defined twice (first on line " +
                                 std::to_string(it->second) + ")");
    }

    // Child elements in order; text (other than blanks) is refused unless allowText.
    bool Children(const TiXmlElement* element, std::vector<const TiXmlElement*>& out, bool allowText = false) {
        for (const TiXmlNode* child = element->FirstChild(); child; child = child->NextSibling()) {
            if (const TiXmlElement* e = child->ToElement()) out.push_back(e);
            else if (const TiXmlText* text = child->ToText()) {
                bool blank = std::all_of(text->ValueStr().begin(), text->ValueStr().end(), markup::IsSpace);
                if (!allowText && !blank) return Fail(child, "text inside <" + element->ValueStr() + ">");
            } else if (!child->ToComment()) {
                return Fail(child, "unexpected markup inside <" + element->ValueStr() + ">");
            }
        }
        return true;
    }

    bool Leaf(const TiXmlElement* element) {
        std::vector<const TiXmlElement*> children;
        if (!Children(element, children)) return false;
        return children.empty() || Fail(children.front(), "<" + element->ValueStr() + "> holds no elements");
    }

    // <option id="..." label="..."/> children of a choice or cycle.
    bool Options(const TiXmlElement* element, std::vector<std::pair<int32_t, std::string>>& out) {
        std::vector<const TiXmlElement*> children;
        if (!Children(element, children)) return false;
        std::map<int32_t, int> seen;
        for (const TiXmlElement* option : children) {
            int32_t id = 0;
            if (option->ValueStr() != "option")
                return Fail(option, "unknown element <" + option->ValueStr() + "> in <" + element->ValueStr() + ">");
            if (!CheckAttributes(option, {"id", "label"}) || !Leaf(option) || !Id(option, true, id) ||
                !Unique(option, id, seen, "option"))
                return false;
            const std::string* label = option->Attribute(std::string("label"));
            out.emplace_back(id, label ? *label : std::string());
        }
        return true;
    }

    static std::string Label(const TiXmlElement* element) {
        const std::string* label = element->Attribute(std::string("label"));
        return label ? *label : std::string();
    }

private:
    std::string file_;
    std::string error_;
    TiXmlDocument document_;
};

}  // namespace headless
