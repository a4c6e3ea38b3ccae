// CameraTag: the renderer's lens, sensor, image and tone-mapping settings on a camera.
#pragma once

#include "plugin/sdk/plugin.h"
#include "tags/param_table.h"

class CameraTag : public TagData {
public:
    static TagData* Alloc() { return new CameraTag; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
};
