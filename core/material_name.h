// Material names as the renderer's files spell them.
#pragma once

#include "sdk/hoststring.h"

// The material name written for geometry without a material.
inline constexpr const char* kDefaultMaterialName = "defaultMat";

// The name with every blank (" ") replaced by "_".
HostString SanitizeMaterialName(const HostString& name);
