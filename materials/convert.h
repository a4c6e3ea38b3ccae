// Convert Materials: a material helper tag for every standard host material, filled with a
// first approximation of the host material's settings.
#pragma once

#include "sdk/container.h"
#include "sdk/scene.h"

// The helper tag's parameters for a host material, starting from `defaults`.
ParamContainer ConvertedParameters(HostMaterial& material, ParamContainer defaults);
// The command's work on a document; false when the document has no material.
bool ConvertMaterials(HostDocument& document);
