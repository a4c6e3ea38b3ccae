#include "plugin/commands.h"

// The library import comes with the material library work; until then this command does
// nothing and reports success.
bool ImportOVM::Execute(HostDocument* /*document*/) { return true; }
