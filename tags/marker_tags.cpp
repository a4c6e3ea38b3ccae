#include "tags/marker_tags.h"

#include "core/ids.h"

const ParamTable& MyExitPortal::Defaults() {
    static const ParamTable table = {Bool(exit_portal_param::kOn, true)};
    return table;
}

bool MyExitPortal::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

const ParamTable& AnimationTag::Defaults() {
    static const ParamTable table = {Int(animation_param::kFirstFrame, 0), Int(animation_param::kLastFrame, 0)};
    return table;
}

bool AnimationTag::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

bool MyExitPortal::GetDDescription(HostNode* /*node*/, Description* description, int32_t& /*flags*/) {
    return description->LoadDescription(plugin_id::kExitPortal);
}

bool AnimationTag::GetDDescription(HostNode* /*node*/, Description* description, int32_t& /*flags*/) {
    return description->LoadDescription(plugin_id::kAnimationTag);
}
