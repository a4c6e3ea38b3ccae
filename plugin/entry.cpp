// The module's only exported symbol: the door through which the host starts, informs and
// stops the module.
#include <cstdint>

#include "plugin/module.h"
#include "plugin/sdk/host.h"

namespace {
int32_t g_initCount = 0;
}

extern "C" __attribute__((visibility("default"))) int32_t c4d_main(int32_t action, void* p1, void* p2, void* p3) {
    switch (action) {
        case 1: {
            if (g_initCount++ != 0) return 1;
            auto* record = static_cast<const HostInterfaceRecord*>(p1);
            if (!record || record->version < kMinimumHostInterfaceVersion || !p3) return -3;
            SetHostRecord(record);
            module::SetModulePath(static_cast<const char*>(p3));
            return 1;
        }
        case 2:
            TheHost().Print("Vexlor 1.0.9 R2");
            return 1;
        case 3:
            if (g_initCount > 0 && --g_initCount == 0) TheHost().FreeResources();
            return 1;
        case 4:
            return 2;
        case 6: {
            auto message = static_cast<int32_t>(reinterpret_cast<intptr_t>(p1));
            (void)p2;
            if (message == 0) return 1;
            if (message == 1) return TheHost().InitResources(module::PluginDirectory()) ? 1 : -1;
            return -1;
        }
        default:
            return -1;
    }
}
