#include "tags/orvane_instance.h"

const ParamTable& OrvaneInstance::Defaults() {
    static const ParamTable table = {Vec(10003, 50, 50, 50), Vec(10004, 0, 0, 0), Bool(10001, false),
                                     Bool(10005, true)};
    return table;
}

bool OrvaneInstance::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}
