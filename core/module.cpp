#include "core/module.h"

namespace module {
namespace {
HostFilename g_modulePath;
}

const HostFilename& ModulePath() { return g_modulePath; }
HostFilename PluginDirectory() { return g_modulePath.GetDirectory(); }
void SetModulePath(const char* path) { g_modulePath = HostFilename(path ? path : ""); }

}  // namespace module
