#include "tags/render_settings.h"

#include "plugin/sdk/host.h"

ParamTable MyRenderSettings::Defaults(int32_t cpuCount) {
    return {
        Int(1334, 1338), Bool(1319, false), Real(1350, 0.4), Real(1351, 0.01), Int(1331, 1000),
        Int(1330, 10000), Int(1362, 800), Real(1332, -1), Real(1382, -1), Bool(1361, false),
        Bool(1352, true), Real(1353, 60), Real(1354, 300), Bool(1355, false), Bool(1356, false),
        Bool(1333, true), Bool(1383, true), Int(1357, cpuCount), Bool(1358, true), Bool(1359, false),
        Real(1340, 1),
        Int(1368, 1363), Int(1374, 1370), Vec(1068, 1, 1, 1), Real(1384, 2.2), Real(1067, 1),  // environment
        Real(1065, 6500), Real(1066, 1), Real(1303, 2), Bool(1381, false), Int(1343, 1344),
        Real(1347, 1), Int(1348, 640),
    };
}

bool MyRenderSettings::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults(TheHost().GetCpuCount()));
    return true;
}
