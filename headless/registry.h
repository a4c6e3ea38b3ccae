// What the module registered with the headless host: commands, tags and objects, in order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin/sdk/host.h"

namespace headless {

class Resources;

enum class PluginKind { kCommand, kTag, kObject };

struct PluginEntry {
    PluginKind kind = PluginKind::kCommand;
    int32_t id = 0;
    HostString name;
    int32_t flags = 0;
    HostString help;         // commands
    HostString description;  // tags and objects: the description resource's name
    bool hasIcon = false;
    bool hasSmallIcon = false;
    TagAllocator tagAllocator = nullptr;
    ObjectAllocator objectAllocator = nullptr;
    std::shared_ptr<CommandData> command;
};

class PluginRegistry {
public:
    // Registration answers: false for an ID registered twice, a tag or object without an
    // allocator, or a description name that the resources do not hold.
    bool Add(PluginEntry entry, const Resources* resources);
    const PluginEntry* Find(int32_t id) const;
    const PluginEntry* FindByName(const std::string& className) const;
    const std::vector<PluginEntry>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }

    // Creates the plug-in instance of a tag or object type; null for other types.
    std::unique_ptr<NodeData> Allocate(int32_t type) const;

    // The type of a parameter of a plug-in node as its description gives it; kNone when
    // unknown.  Needs resources that were loaded.
    ParamType DescribedType(int32_t pluginId, int32_t paramId) const;
    void SetResources(const Resources* resources) { resources_ = resources; }

private:
    std::vector<PluginEntry> entries_;
    const Resources* resources_ = nullptr;
};

// The module's own classes by class name and plug-in ID (documents name them either way).
struct ModuleClass {
    const char* name;
    int32_t id;
    PluginKind kind;
};
const std::vector<ModuleClass>& ModuleClasses();

}  // namespace headless
