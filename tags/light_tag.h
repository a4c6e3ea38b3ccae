// MyLightTag: makes a polygon object an area light of the renderer.
#pragma once

#include "plugin/sdk/plugin.h"
#include "tags/param_table.h"

class MyLightTag : public TagData {
public:
    static TagData* Alloc() { return new MyLightTag; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
};
