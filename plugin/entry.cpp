// The module's only exported symbol: the door through which the host starts, informs and
// stops the module.
#include <cstdint>

#include "core/module.h"
#include "plugin/registration.h"
#include "sdk/host.h"

namespace {

int32_t g_initCount = 0;

// Whether set-up kept a usable host record; without one nothing may call the host.
bool HostReady() { return GetHostRecord() != nullptr; }

bool MessageRoutine(int32_t message, void* /*data*/) {
    switch (message) {
        case 0: return true;
        case 1: return TheHost().InitResources(module::PluginDirectory());
        default: return false;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t c4d_main(int32_t action, void* p1, void* p2, void* p3) {
    switch (action) {
        case 1: {
            if (g_initCount++ != 0) return 1;  // only the first call sets up
            auto* record = static_cast<const HostInterfaceRecord*>(p1);
            if (!record || record->version < kMinimumHostInterfaceVersion || !record->host || !p3) return -3;
            SetHostRecord(record);
            module::SetModulePath(static_cast<const char*>(p3));
            return 1;
        }
        case 2:
            // A module whose set-up was refused registers nothing.
            return HostReady() && RegisterModule() ? 1 : 0;
        case 3:
            if (g_initCount > 0 && --g_initCount == 0 && HostReady()) {
                TheHost().FreeResources();
                SetHostRecord(nullptr);
            }
            return 1;
        case 4:
            return 2;
        case 6:
            if (!HostReady()) return -1;
            return MessageRoutine(static_cast<int32_t>(reinterpret_cast<intptr_t>(p1)), p2) ? 1 : -1;
        default:
            return -1;
    }
}
