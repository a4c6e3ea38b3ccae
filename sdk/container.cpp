#include "sdk/container.h"

#include <cmath>

#include "sdk/scene.h"

ParamType ParamContainer::TypeOf(int32_t id) const {
    const ParamValue* value = Find(id);
    if (!value) return ParamType::kNone;
    return static_cast<ParamType>(value->index());
}

HostNode* ParamContainer::GetLink(int32_t id, const HostDocument* document) const {
    if (!document) return nullptr;
    HostLink link = Get<HostLink>(id);
    return link.IsEmpty() ? nullptr : document->Resolve(link);
}

int32_t ParamContainer::ClampToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}
