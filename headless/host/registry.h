// What the module registered with the headless host: commands, tags and objects, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdk/host.h"

namespace headless {

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
    // Registration answers: false for an ID registered twice or a tag or object without an
    // allocator.  (The host checks the description name against its resources first.)
    bool Add(PluginEntry entry);
    const PluginEntry* Find(int32_t id) const;
    const PluginEntry* FindByName(const std::string& className) const;
    const std::vector<PluginEntry>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }

    // Creates the plug-in instance of a tag or object type; null for other types.
    std::unique_ptr<NodeData> Allocate(int32_t type) const;

    // The type of a parameter of a plug-in node as its description gives it; kNone when
    // unknown or when no lookup was set.
    using TypeLookup = std::function<ParamType(int32_t pluginId, int32_t paramId)>;
    void SetTypeLookup(TypeLookup lookup) { typeLookup_ = std::move(lookup); }
    ParamType DescribedType(int32_t pluginId, int32_t paramId) const {
        return typeLookup_ ? typeLookup_(pluginId, paramId) : ParamType::kNone;
    }

private:
    std::vector<PluginEntry> entries_;
    TypeLookup typeLookup_;
};

// The module's own classes by class name and plug-in ID (documents name them either way).
struct ModuleClass {
    const char* name;
    int32_t id;
    PluginKind kind;
};
const std::vector<ModuleClass>& ModuleClasses();

}  // namespace headless
