// MyRenderSettings: the renderer's global settings and the environment, as an object.
#pragma once

#include "plugin/sdk/plugin.h"
#include "tags/param_table.h"

class MyRenderSettings : public ObjectData {
public:
    static ObjectData* Alloc() { return new MyRenderSettings; }
    // The defaults; the thread count (1357) is the host's processor count.
    static ParamTable Defaults(int32_t cpuCount);
    bool Init(HostNode* node) override;
};
