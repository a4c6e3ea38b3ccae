// OrvaneInstance: repeats another object, or stands for an external mesh file.
#pragma once

#include "plugin/sdk/plugin.h"
#include "tags/param_table.h"

class OrvaneInstance : public ObjectData {
public:
    static ObjectData* Alloc() { return new OrvaneInstance; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
};
