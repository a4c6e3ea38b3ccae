// MyExitPortal and AnimationTag: two marker tags that steer the geometry export.
#pragma once

#include "sdk/plugin.h"
#include "tags/param_table.h"

// The exit portal's one parameter: whether the object is written as an exit portal.
namespace exit_portal_param {
inline constexpr int32_t kOn = 1100;
}  // namespace exit_portal_param

class MyExitPortal : public TagData {
public:
    static TagData* Alloc() { return new MyExitPortal; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
};

class AnimationTag : public TagData {
public:
    static TagData* Alloc() { return new AnimationTag; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
};
