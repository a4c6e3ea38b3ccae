// Parameter descriptions: what the host shows of a node's parameters.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sdk/hoststring.h"

// Flag that a description callback adds to say the description was loaded.
inline constexpr int32_t kDescriptionLoaded = 2;
// Flag that a parameter hook adds to say it handled the parameter.
inline constexpr int32_t kParameterHandled = 2;

class Description {
public:
    virtual ~Description() = default;
    // Loads the description that the plug-in registered under the ID.
    virtual bool LoadDescription(int32_t pluginId) = 0;
    virtual bool HasEntry(int32_t id) const = 0;
    // Hide flag (description property 15); entries that do not exist are left alone.
    virtual void SetHidden(int32_t id, bool hidden) = 0;
    virtual bool IsHidden(int32_t id) const = 0;
    virtual HostString GetLabel(int32_t id) const = 0;
    // Replaces an entry with an integer entry (description type 15) whose cycle offers the
    // given values and labels, placed in a group.
    virtual bool SetCycleEntry(int32_t id, const HostString& label,
                               const std::vector<std::pair<int32_t, HostString>>& cycle, int32_t group) = 0;
};
