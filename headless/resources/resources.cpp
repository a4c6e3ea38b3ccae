#include "headless/resources/resources.h"

#include <tinyxml.h>

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "headless/files/files.h"
#include "headless/files/native_io.h"
#include "headless/resources/resource_xml.h"

namespace headless {
namespace {

namespace fs = std::filesystem;

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
    for (fs::directory_iterator it(native::FsPath(directory), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".xml" && it->is_regular_file(ec)) files.push_back(native::Utf8(it->path()));
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
    if (!fs::is_directory(native::FsPath(res), ec)) {
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
