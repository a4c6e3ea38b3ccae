// Where the renderer is installed: "vexlor.cfg" in the module's directory holds the full path
// of the renderer's window program as one string record.
#pragma once

#include <cstdint>

#include "sdk/filename.h"

// Reads the stored renderer path into `path`.  False when there is no configuration file,
// or when it is damaged (then a console line says so and `path` is unchanged).
bool ReadRendererPath(HostFilename& path);
// Lets the user pick the renderer's directory ("Choose Orvane dir") and stores that
// directory joined with "orvane.exe".  Cancelling changes nothing.  Returns 1.
int32_t ChooseRendererDirectory();
// Reads the location, and when there is none asks for it once and reads again.
bool ReadOrChooseRendererPath(HostFilename& path);

class GeDialog;
// The dialogs' "choose the renderer directory" button: asks, reads the location again and
// shows it in the dialog's gadget.
void ChooseAndShowRenderer(GeDialog& dialog, int32_t gadget, HostFilename& path);

HostFilename ConfigurationFile();
