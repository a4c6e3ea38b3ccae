#include "plugin/commands.h"

// Commands whose work comes with the export dialog, the about box, the conversion and the
// library import; until then they do nothing and report success.
bool MyExportAndRun::Execute(HostDocument* /*document*/) { return true; }
bool ShowAbout::Execute(HostDocument* /*document*/) { return true; }
bool ConvertMats::Execute(HostDocument* /*document*/) { return true; }
bool ImportOVM::Execute(HostDocument* /*document*/) { return true; }
