// OrvaneInstance: repeats another object, or stands for an external mesh file.
#pragma once

#include "sdk/plugin.h"
#include "tags/param_table.h"

namespace instance_param {
inline constexpr int32_t kLink = 10000;
inline constexpr int32_t kUseExternalMesh = 10001;
inline constexpr int32_t kExternalMesh = 10002;
inline constexpr int32_t kBoxSize = 10003;
inline constexpr int32_t kBoxCentre = 10004;
inline constexpr int32_t kExternalSmoothing = 10005;
inline constexpr int32_t kExternalGroup = 10010;
}  // namespace instance_param

class OrvaneInstance : public ObjectData {
public:
    static ObjectData* Alloc() { return new OrvaneInstance; }
    static const ParamTable& Defaults();
    bool Init(HostNode* node) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
    void GetDimension(HostObject* object, Vector* centre, Vector* halfSize) override;
    bool Draw(HostObject* object, int32_t pass, HostView* view) override;
};
