// The module's menu commands.
#pragma once

#include "sdk/plugin.h"

// "Export and Run": the export dialog.
class MyExportAndRun : public CommandData {
public:
    bool Execute(HostDocument* document) override;
};

// "About": the version and credit lines.
class ShowAbout : public CommandData {
public:
    bool Execute(HostDocument* document) override;
};

// "Convert Materials": material helper tags from the document's host materials.
class ConvertMats : public CommandData {
public:
    bool Execute(HostDocument* document) override;
};

// "Import .ovm": a material library back into the document.
class ImportOVM : public CommandData {
public:
    bool Execute(HostDocument* document) override;
};

// An inert command whose name makes the host draw a separator line in the module's menu.
class MenuSeparator : public CommandData {};
