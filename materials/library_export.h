// The material library (".ovm"): one material helper tag's material with what it depends on
// (blend components, media), beside the null material.
#pragma once

#include "sdk/host.h"

struct MaterialLibraryRecord {
    HostDocument* document = nullptr;
    HostTag* tag = nullptr;
    HostFilename file;  // only its folder and its name without extension are used
    bool preview = false;
    bool copyTextures = false;
};

// Writes "NAME.ovm" into the record's folder; false, with a console line, when it could not
// be written.
bool WriteMaterialLibrary(const MaterialLibraryRecord& record);
