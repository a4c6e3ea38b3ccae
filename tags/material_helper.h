// MyMaterialHelper: one renderer material, named by a linked host material.
#pragma once

#include "plugin/sdk/plugin.h"
#include "tags/param_table.h"

class MyMaterialHelper : public TagData {
public:
    static TagData* Alloc() { return new MyMaterialHelper; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
};
