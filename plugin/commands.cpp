// The commands' execute operations live beside what they do: MyExportAndRun in
// plugin/export_dialog.cpp, ShowAbout in plugin/about.cpp, ConvertMats in
// materials/convert.cpp and ImportOVM in materials/library_import.cpp.
#include "plugin/commands.h"
