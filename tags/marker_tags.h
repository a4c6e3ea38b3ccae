// MyExitPortal and AnimationTag: two marker tags that steer the geometry export.
#pragma once

#include "sdk/plugin.h"
#include "tags/param_table.h"

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
