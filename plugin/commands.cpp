// The material commands.  The other two commands' operations live beside their dialogs:
// MyExportAndRun in plugin/export_dialog.cpp, ShowAbout in plugin/about.cpp.
#include "plugin/commands.h"

#include "materials/convert.h"
#include "materials/library_import.h"
#include "sdk/host.h"

bool ConvertMats::Execute(HostDocument* document) {
    if (document) ConvertMaterials(*document);
    return true;
}

bool ImportOVM::Execute(HostDocument* document) {
    if (!document) return false;
    Host& host = TheHost();
    HostFilename file;
    if (!host.FileSelect(FileSelectMode::kLoad, "Select .ovm file", file) || file.IsEmpty() ||
        !file.CheckSuffix("ovm")) {
        host.Print("no ovm");
        return false;
    }
    return ImportMaterialLibraryFile(*document, file);
}
