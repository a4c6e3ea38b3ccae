#include "tags/light_tag.h"

const ParamTable& MyLightTag::Defaults() {
    static const ParamTable table = {
        Int(1215, 1217), Real(1231, 300), Real(1232, 550), Real(1234, 0), Real(1233, 200),
        Vec(1227, 1, 1, 1), Real(1228, 2.2), Real(1224, 6500), Real(1225, 1), Real(1226, 1),
        Bool(1229, false), File(1230, ""), Bool(1211, false), Real(1212, 95), Real(1213, 14),
    };
    return table;
}

bool MyLightTag::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}
