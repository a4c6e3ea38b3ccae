#include "tags/material_helper.h"

const ParamTable& MyMaterialHelper::Defaults() {
    static const ParamTable table = {
        Int(1002, 1003),  // material type: diffuse
        Vec(1013, 0.8f, 0.8f, 0.8f), Real(1014, 2.2),                     // diffuse
        Vec(1102, 0.8f, 0.8f, 0.8f), Real(1103, 2.2), Real(1104, 0.2),    // Oren-Nayar
        Vec(1015, 0.8f, 0.8f, 0.8f), Real(1095, 2.2), Real(1016, 1),      // phong
        Real(1017, 1000), Bool(1018, false), Text(1019, "Cr.nk"),
        Bool(1020, true),                                                 // specular
        Real(1022, 1000),                                                 // glossy transparent
        Real(1028, 0.5),                                                  // blend
        Int(1039, 10), Int(1032, 1033), Real(1040, 1), Real(1041, 0),     // medium
        Int(1042, 1044), Vec(1054, 1, 1, 1), Real(1099, 1), Real(1055, 1),
        Real(1051, 6500), Real(1052, 1), Real(1053, 1),
        Bool(1078, false), Int(1056, 1058), Vec(1068, 0, 0, 0), Real(1098, 1), Real(1069, 1),
        Real(1065, 6500), Real(1066, 1), Real(1067, 1),
        Int(1070, 1071), Int(1106, 1107), Real(1074, 0.9),
        Real(1109, 0.9), Real(1110, 0.9), Real(1111, 0.9), Real(1113, 1),
        Real(1075, 0.01), Real(1076, 0.25), Real(1077, 0.5),
        Real(1080, 2.2), Real(1081, 1), Real(1082, 0), Real(1087, 0.001), Real(1088, 0),  // textures
        Real(1089, 1), Real(1090, 0), Real(1091, 10000), Real(1092, 0),
        Bool(1086, true),
    };
    return table;
}

bool MyMaterialHelper::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}
