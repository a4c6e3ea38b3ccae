#include "headless/resources.h"

#include <tinyxml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "headless/files.h"

namespace headless {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxXmlDepth = 256;
constexpr size_t kMaxXmlAttributes = 64;  // the parser looks for duplicates one by one

// Line of a byte index, counting "\n", "\r", "\r\n" and "\n\r" as one line end each, as the
// XML parser does.
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

// Index of the first byte that is not well-formed UTF-8 (or is NUL); npos when all are.
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

struct ScanProblem {
    size_t at;
    std::string text;
};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }

// Checks the markup before the XML parser sees it: the parser recurses once per nesting
// level and is lenient in ways that make its structure hard to predict, so only a plain
// subset passes: elements with quoted attributes, text, comments, CDATA and an XML
// declaration; no other "<!" or "<?" markup.
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

// Line of the root element of a document that was read without errors.
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

// One XML resource file being read: the parsed document and the errors' wording.
class XmlFile {
public:
    XmlFile(const std::string& text, const std::string& file) : file_(file) {
        if (size_t bad = BadUtf8(text); bad != std::string::npos) {
            Fail(LineOf(text, bad), text[bad] == '\0' ? "NUL byte" : "not UTF-8 text");
        } else if (auto problem = MarkupScan(text).Run()) {
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
                bool blank = std::all_of(text->ValueStr().begin(), text->ValueStr().end(), IsXmlSpace);
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

struct GadgetInfo {
    const char* element;
    GadgetKind kind;
    bool idRequired;
};
constexpr GadgetInfo kGadgets[] = {
    {"text", GadgetKind::kText, true},      {"static", GadgetKind::kStaticText, false},
    {"check", GadgetKind::kCheckBox, true}, {"button", GadgetKind::kButton, true},
    {"integer", GadgetKind::kInteger, true}, {"real", GadgetKind::kReal, true},
    {"choice", GadgetKind::kChoice, true},  {"group", GadgetKind::kGroup, false},
    {"separator", GadgetKind::kSeparator, false},
};

bool ReadGadgets(XmlFile& xml, const TiXmlElement* parent, std::vector<Gadget>& out, std::map<int32_t, int>& seen) {
    std::vector<const TiXmlElement*> children;
    if (!xml.Children(parent, children)) return false;
    for (const TiXmlElement* element : children) {
        const GadgetInfo* info = std::find_if(std::begin(kGadgets), std::end(kGadgets),
                                              [&](const GadgetInfo& g) { return element->ValueStr() == g.element; });
        if (info == std::end(kGadgets))
            return xml.Fail(element, "unknown element <" + element->ValueStr() + "> in <" + parent->ValueStr() + ">");
        Gadget gadget;
        gadget.kind = info->kind;
        gadget.label = XmlFile::Label(element);
        if (!xml.CheckAttributes(element, {"id", "label"}) || !xml.Id(element, info->idRequired, gadget.id) ||
            !xml.Unique(element, gadget.id, seen, "gadget"))
            return false;
        bool ok = info->kind == GadgetKind::kGroup    ? ReadGadgets(xml, element, gadget.children, seen)
                  : info->kind == GadgetKind::kChoice ? xml.Options(element, gadget.choices)
                                                      : xml.Leaf(element);
        if (!ok) return false;
        out.push_back(std::move(gadget));
    }
    return true;
}

struct ParamInfo {
    const char* element;
    ParamType type;
    bool hasDefault;
};
constexpr ParamInfo kParams[] = {
    {"bool", ParamType::kBool, true},         {"int", ParamType::kInt, true},
    {"real", ParamType::kReal, true},         {"vector", ParamType::kVector, true},
    {"color", ParamType::kVector, true},      {"string", ParamType::kString, true},
    {"filename", ParamType::kFilename, true}, {"link", ParamType::kLink, false},
    {"cycle", ParamType::kInt, true},         {"group", ParamType::kNone, false},
    {"button", ParamType::kNone, false},      {"custom", ParamType::kNone, false},
    {"separator", ParamType::kNone, false},
};

// The default attribute as the parameter's type; the problem when it does not read as one.
std::optional<ParamValue> ReadDefault(const std::string& kind, const std::string& text, std::string& problem) {
    if (kind == "bool") {
        if (text == "true" || text == "1") return ParamValue(true);
        if (text == "false" || text == "0") return ParamValue(false);
        problem = "expected true or false";
    } else if (kind == "int" || kind == "cycle") {
        if (auto value = ParseInt(text)) return ParamValue(*value);
        problem = "expected a whole number";
    } else if (kind == "real") {
        if (auto value = ParseReal(text)) return ParamValue(*value);
        problem = "expected a number";
    } else if (kind == "vector" || kind == "color") {
        if (auto value = ParseVector(text)) return ParamValue(*value);
        problem = "expected three numbers";
    } else if (kind == "string") {
        return ParamValue(HostString(text));
    } else {
        return ParamValue(HostFilename(text));
    }
    return std::nullopt;
}

bool ReadParams(XmlFile& xml, const TiXmlElement* parent, int32_t group, DescriptionResource& out,
                std::map<int32_t, int>& seen) {
    std::vector<const TiXmlElement*> children;
    if (!xml.Children(parent, children)) return false;
    for (const TiXmlElement* element : children) {
        const std::string& kind = element->ValueStr();
        const ParamInfo* info = std::find_if(std::begin(kParams), std::end(kParams),
                                             [&](const ParamInfo& p) { return kind == p.element; });
        if (info == std::end(kParams))
            return xml.Fail(element, "unknown element <" + kind + "> in <" + parent->ValueStr() + ">");
        DescriptionParam param;
        param.type = info->type;
        param.kind = kind;
        param.label = XmlFile::Label(element);
        param.group = group;
        bool attributesOk = info->hasDefault ? xml.CheckAttributes(element, {"id", "label", "default"})
                                             : xml.CheckAttributes(element, {"id", "label"});
        if (!attributesOk || !xml.Id(element, kind != "separator", param.id) ||
            !xml.Unique(element, param.id, seen, "parameter"))
            return false;
        bool ok = kind == "group" ? true : kind == "cycle" ? xml.Options(element, param.cycle) : xml.Leaf(element);
        if (!ok) return false;
        if (const std::string* text = element->Attribute(std::string("default"))) {
            std::string problem;
            param.defaultValue = ReadDefault(kind, *text, problem);
            if (!param.defaultValue)
                return xml.Fail(element, "bad default \"" + *text + "\" of <" + kind + ">: " + problem);
            auto isDefault = [&](const auto& option) { return option.first == std::get<int32_t>(*param.defaultValue); };
            if (kind == "cycle" && std::none_of(param.cycle.begin(), param.cycle.end(), isDefault))
                return xml.Fail(element, "default " + *text + " is not an option of cycle " + std::to_string(param.id));
        }
        out.params.push_back(std::move(param));
        if (kind == "group" && !ReadParams(xml, element, out.params.back().id, out, seen)) return false;
    }
    return true;
}

std::vector<std::string> XmlFilesIn(const std::string& directory) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".xml" && it->is_regular_file(ec)) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

void DialogResource::ForEach(const std::function<void(const Gadget&)>& fn) const {
    std::function<void(const std::vector<Gadget>&)> walk = [&](const std::vector<Gadget>& gadgets) {
        for (const Gadget& gadget : gadgets) {
            fn(gadget);
            walk(gadget.children);
        }
    };
    walk(gadgets);
}

const DescriptionParam* DescriptionResource::Find(int32_t id) const {
    for (const DescriptionParam& param : params) {
        if (param.id == id) return &param;
    }
    return nullptr;
}

bool Resources::ParseStrings(const std::string& text, const std::string& file, std::map<int32_t, std::string>& out,
                             std::string& error) {
    XmlFile xml(text, file);
    std::map<int32_t, std::string> strings;
    std::map<int32_t, int> seen;
    std::vector<const TiXmlElement*> children;
    const TiXmlElement* root = xml.Root("strings");
    bool ok = root && xml.CheckAttributes(root, {}) && xml.Children(root, children);
    for (size_t i = 0; ok && i < children.size(); ++i) {
        const TiXmlElement* element = children[i];
        int32_t id = 0;
        std::vector<const TiXmlElement*> inner;
        if (element->ValueStr() != "string")
            ok = xml.Fail(element, "unknown element <" + element->ValueStr() + "> in <strings>");
        else
            ok = xml.CheckAttributes(element, {"id"}) && xml.Id(element, true, id) &&
                 xml.Unique(element, id, seen, "string", true) && xml.Children(element, inner, true) &&
                 (inner.empty() || xml.Fail(inner.front(), "<string> holds text only"));
        if (ok) strings[id];  // an empty element is an empty string
        for (const TiXmlNode* node = ok ? element->FirstChild() : nullptr; node; node = node->NextSibling()) {
            if (node->ToText()) strings[id] += node->ValueStr();
        }
    }
    error = xml.Error();
    if (!ok) return false;
    out = std::move(strings);
    return true;
}

bool Resources::ParseDialog(const std::string& text, const std::string& file, DialogResource& out,
                            std::string& error) {
    XmlFile xml(text, file);
    DialogResource dialog;
    std::map<int32_t, int> seen;
    const TiXmlElement* root = xml.Root("dialog");
    bool ok = root && xml.CheckAttributes(root, {"id", "title"}) && xml.Id(root, true, dialog.id);
    if (ok) {
        const std::string* title = root->Attribute(std::string("title"));
        dialog.title = title ? *title : std::string();
        ok = ReadGadgets(xml, root, dialog.gadgets, seen);
    }
    error = xml.Error();
    if (!ok) return false;
    out = std::move(dialog);
    return true;
}

bool Resources::ParseDescription(const std::string& text, const std::string& file, DescriptionResource& out,
                                 std::string& error) {
    XmlFile xml(text, file);
    DescriptionResource description;
    std::map<int32_t, int> seen;
    const TiXmlElement* root = xml.Root("description");
    bool ok = root && xml.CheckAttributes(root, {"name", "id"}) && xml.Id(root, true, description.pluginId);
    if (ok) {
        const std::string* name = root->Attribute(std::string("name"));
        if (!name || name->empty()) ok = xml.Fail(root, "<description> needs a name");
        else description.name = *name;
    }
    ok = ok && ReadParams(xml, root, 0, description, seen);
    error = xml.Error();
    if (!ok) return false;
    out = std::move(description);
    return true;
}

// On failure the tables are left empty.
bool Resources::Load(const std::string& pluginDirectory) {
    Clear();
    const std::string res = pluginDirectory + "/res";
    std::error_code ec;
    if (!fs::is_directory(res, ec)) {
        error_ = res + ": no resource folder";
        return false;
    }
    std::string text;
    const std::string stringsFile = res + "/strings.xml";
    if (!ReadNativeFile(stringsFile, text)) {
        error_ = stringsFile + ": cannot read the string table";
        return false;
    }
    bool ok = ParseStrings(text, stringsFile, strings_, error_);
    std::map<int32_t, std::string> dialogFiles;
    for (const std::string& file : ok ? XmlFilesIn(res + "/dialogs") : std::vector<std::string>()) {
        DialogResource dialog;
        ok = ReadNativeFile(file, text) ? ParseDialog(text, file, dialog, error_)
                                      : (error_ = file + ": cannot read the file", false);
        if (ok && dialogFiles.count(dialog.id)) {
            error_ = file + ":" + std::to_string(RootLine(text)) + ": dialog " + std::to_string(dialog.id) +
                     " is also defined in " + dialogFiles[dialog.id];
            ok = false;
        }
        if (!ok) break;
        dialogFiles[dialog.id] = file;
        dialogs_[dialog.id] = std::move(dialog);
    }
    for (const std::string& file : ok ? XmlFilesIn(res + "/descriptions") : std::vector<std::string>()) {
        DescriptionResource description;
        ok = ReadNativeFile(file, text) ? ParseDescription(text, file, description, error_)
                                      : (error_ = file + ": cannot read the file", false);
        if (ok && (DescriptionByName(description.name) || DescriptionById(description.pluginId))) {
            error_ = file + ":" + std::to_string(RootLine(text)) + ": description " + description.name + " (" +
                     std::to_string(description.pluginId) + ") is defined twice";
            ok = false;
        }
        if (!ok) break;
        descriptions_.push_back(std::move(description));
    }
    if (!ok) {
        std::string error = std::move(error_);
        Clear();
        error_ = std::move(error);
        return false;
    }
    loaded_ = true;
    return true;
}

void Resources::Clear() {
    loaded_ = false;
    error_.clear();
    strings_.clear();
    dialogs_.clear();
    descriptions_.clear();
}

std::string Resources::String(int32_t id) const {
    auto it = strings_.find(id);
    return it == strings_.end() ? std::string() : it->second;
}

const DialogResource* Resources::Dialog(int32_t id) const {
    auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : &it->second;
}

const DescriptionResource* Resources::DescriptionByName(const std::string& name) const {
    for (const DescriptionResource& description : descriptions_) {
        if (description.name == name) return &description;
    }
    return nullptr;
}

const DescriptionResource* Resources::DescriptionById(int32_t pluginId) const {
    for (const DescriptionResource& description : descriptions_) {
        if (description.pluginId == pluginId) return &description;
    }
    return nullptr;
}

// --- HlDescription ---------------------------------------------------------------------------

bool HlDescription::LoadDescription(int32_t pluginId) {
    const DescriptionResource* description = resources_ ? resources_->DescriptionById(pluginId) : nullptr;
    if (!description) return false;
    entries_ = description->params;
    hidden_.clear();
    return true;
}

bool HlDescription::HasEntry(int32_t id) const {
    return std::any_of(entries_.begin(), entries_.end(), [id](const DescriptionParam& p) { return p.id == id; });
}

void HlDescription::SetHidden(int32_t id, bool hidden) {
    if (HasEntry(id)) hidden_[id] = hidden;
}

bool HlDescription::IsHidden(int32_t id) const {
    auto it = hidden_.find(id);
    return it != hidden_.end() && it->second;
}

HostString HlDescription::GetLabel(int32_t id) const {
    for (const DescriptionParam& param : entries_) {
        if (param.id == id) return param.label;
    }
    return HostString();
}

// The entry keeps its place (a new one goes last); its default is dropped.
bool HlDescription::SetCycleEntry(int32_t id, const HostString& label,
                                  const std::vector<std::pair<int32_t, HostString>>& cycle, int32_t group) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [id](const DescriptionParam& p) { return p.id == id; });
    if (it == entries_.end()) it = entries_.insert(entries_.end(), DescriptionParam{});
    DescriptionParam entry;
    entry.id = id;
    entry.type = ParamType::kInt;
    entry.kind = "cycle";
    entry.label = label.Str();
    entry.group = group;
    for (const auto& [value, text] : cycle) entry.cycle.emplace_back(value, text.Str());
    *it = std::move(entry);
    return true;
}

}  // namespace headless
