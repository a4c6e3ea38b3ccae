// Module-wide state: the host interface record, the module's path and the set-up counter.
#pragma once

#include <cstdint>

#include "sdk/filename.h"

namespace module {

// The module file's path as the host handed it (a host path), and its directory.
const HostFilename& ModulePath();
HostFilename PluginDirectory();
void SetModulePath(const char* path);

}  // namespace module
