// The "medium" element of a specular or glossy transparent material: the volume the
// material encloses.
#pragma once

#include <tinyxml.h>

#include "sdk/container.h"
#include "sdk/hoststring.h"
#include "sdk/scene.h"

// The name that ties a specular or glossy transparent material to its medium: the material's
// "internal_medium_name" and the medium's "name" are both this text.  "Med" followed by the
// name of the host material that the helper tag's parameter 1001 links, unchanged (blanks
// kept); "Med" followed by "MATERIAL LINK NOT SET!" when the link is empty or does not lead to
// a material of the document.
HostString MediumName(const ParamContainer& tagData, const HostDocument* document);

// Appends the medium element of the helper tag's parameters to parent.
bool WriteMedium(const HostDocument* document, const ParamContainer& tagData, TiXmlElement& parent);
