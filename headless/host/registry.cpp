#include "headless/host/registry.h"

namespace headless {

bool PluginRegistry::Add(PluginEntry entry) {
    if (Find(entry.id)) return false;
    if (entry.kind == PluginKind::kTag && !entry.tagAllocator) return false;
    if (entry.kind == PluginKind::kObject && !entry.objectAllocator) return false;
    entries_.push_back(std::move(entry));
    return true;
}

const PluginEntry* PluginRegistry::Find(int32_t id) const {
    for (const PluginEntry& entry : entries_) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

const PluginEntry* PluginRegistry::FindByName(const std::string& className) const {
    for (const ModuleClass& c : ModuleClasses()) {
        if (className == c.name) return Find(c.id);
    }
    return nullptr;
}

std::unique_ptr<NodeData> PluginRegistry::Allocate(int32_t type) const {
    const PluginEntry* entry = Find(type);
    if (!entry) return nullptr;
    if (entry->kind == PluginKind::kTag && entry->tagAllocator) return std::unique_ptr<NodeData>(entry->tagAllocator());
    if (entry->kind == PluginKind::kObject && entry->objectAllocator) {
        return std::unique_ptr<NodeData>(entry->objectAllocator());
    }
    return nullptr;
}

const std::vector<ModuleClass>& ModuleClasses() {
    static const std::vector<ModuleClass> classes = {
        {"MyLightTag", 1020892, PluginKind::kTag},
        {"MyMaterialHelper", 1020893, PluginKind::kTag},
        {"MyExitPortal", 1021223, PluginKind::kTag},
        {"CameraTag", 1022083, PluginKind::kTag},
        {"AnimationTag", 1022560, PluginKind::kTag},
        {"MyRenderSettings", 1020896, PluginKind::kObject},
        {"OrvaneInstance", 1022273, PluginKind::kObject},
        {"MyExportAndRun", 1021741, PluginKind::kCommand},
        {"ShowAbout", 1020894, PluginKind::kCommand},
        {"ConvertMats", 1021852, PluginKind::kCommand},
        {"ImportOVM", 1022469, PluginKind::kCommand},
    };
    return classes;
}

}  // namespace headless
