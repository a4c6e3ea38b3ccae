// The module's resources as the headless host reads them from the module's "res" folder:
// the string table, dialog layouts and parameter descriptions, all XML.
//
//   res/strings.xml        <strings><string id="10000">Render Settings</string>...</strings>
//   res/dialogs/NAME.xml   <dialog id="10016" title="..."> gadgets, see docs/resources.md
//   res/descriptions/NAME.xml  <description name="TCameraTag" id="1022083"> parameters
//
// Every error names the file, the line and the problem.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sdk/container.h"
#include "sdk/description.h"

namespace headless {

// Gadget kinds of dialog resources.
enum class GadgetKind { kText, kStaticText, kCheckBox, kButton, kInteger, kReal, kChoice, kGroup, kSeparator };

struct Gadget {
    int32_t id = 0;
    GadgetKind kind = GadgetKind::kText;
    std::string label;
    std::vector<std::pair<int32_t, std::string>> choices;  // kChoice
    std::vector<Gadget> children;                          // kGroup
};

struct DialogResource {
    int32_t id = 0;
    std::string title;
    std::vector<Gadget> gadgets;
    // Calls fn for every gadget, groups' children included.
    void ForEach(const std::function<void(const Gadget&)>& fn) const;
};

struct DescriptionParam {
    int32_t id = 0;
    ParamType type = ParamType::kNone;  // kNone for groups and buttons
    std::string kind;                   // "bool", "int", "real", "vector", "color", "string",
                                        // "filename", "link", "cycle", "group", "button", ...
    std::string label;
    int32_t group = 0;  // the enclosing group's ID, 0 at the top
    std::optional<ParamValue> defaultValue;
    std::vector<std::pair<int32_t, std::string>> cycle;
};

struct DescriptionResource {
    std::string name;
    int32_t pluginId = 0;
    std::vector<DescriptionParam> params;  // in file order
    const DescriptionParam* Find(int32_t id) const;
};

class Resources {
public:
    // Reads res/ of the plug-in directory (a path of this machine).  On failure returns false
    // and Error() says which file and what.
    bool Load(const std::string& pluginDirectory);
    void Clear();
    bool Loaded() const { return loaded_; }
    const std::string& Error() const { return error_; }

    // Empty when the table has no such ID.
    std::string String(int32_t id) const;
    bool HasString(int32_t id) const { return strings_.count(id) != 0; }
    const DialogResource* Dialog(int32_t id) const;
    const DescriptionResource* DescriptionByName(const std::string& name) const;
    const DescriptionResource* DescriptionById(int32_t pluginId) const;

    // Parsers, also used by the tests and the fuzz targets.  `file` names the source in errors.
    static bool ParseStrings(const std::string& text, const std::string& file, std::map<int32_t, std::string>& out,
                             std::string& error);
    static bool ParseDialog(const std::string& text, const std::string& file, DialogResource& out,
                            std::string& error);
    static bool ParseDescription(const std::string& text, const std::string& file, DescriptionResource& out,
                                 std::string& error);

private:
    bool loaded_ = false;
    std::string error_;
    std::map<int32_t, std::string> strings_;
    std::map<int32_t, DialogResource> dialogs_;
    std::vector<DescriptionResource> descriptions_;
};

// A description as a node's description callback sees it: the resource's entries with their
// hide flags and any replaced entries.
class HlDescription final : public Description {
public:
    explicit HlDescription(const Resources* resources) : resources_(resources) {}
    bool LoadDescription(int32_t pluginId) override;
    bool HasEntry(int32_t id) const override;
    void SetHidden(int32_t id, bool hidden) override;
    bool IsHidden(int32_t id) const override;
    HostString GetLabel(int32_t id) const override;
    bool SetCycleEntry(int32_t id, const HostString& label, const std::vector<std::pair<int32_t, HostString>>& cycle,
                       int32_t group) override;

    const std::vector<DescriptionParam>& Entries() const { return entries_; }

private:
    const Resources* resources_;
    std::vector<DescriptionParam> entries_;
    std::map<int32_t, bool> hidden_;
};

}  // namespace headless
