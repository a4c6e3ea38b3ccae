#include "plugin/commands.h"

// The conversion and the library import come with the material work; until then these two
// commands do nothing and report success.
bool ConvertMats::Execute(HostDocument* /*document*/) { return true; }
bool ImportOVM::Execute(HostDocument* /*document*/) { return true; }
