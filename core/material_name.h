// Names as the renderer's files spell them.
#pragma once

#include <string>

#include "sdk/hoststring.h"

// The material name written for geometry without a material.
inline constexpr const char* kDefaultMaterialName = "defaultMat";

// The name with every control character (U+0000 to U+001F, U+007F) written as "_", so that it
// stays on its line of a line-based file such as a mesh file.
std::string OneLineName(std::string name);

// A material's name as the scene file and the mesh files both write it: one line (above),
// every blank (" ") as "_", characters that XML does not allow as U+FFFD, and cut to the
// length of an element text.
HostString SanitizeMaterialName(const HostString& name);
