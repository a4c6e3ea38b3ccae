// The module's identifying viewport colour: the render settings object's axes, the tint of a
// tagged camera, the box of an instance object without a link.
#pragma once

#include "sdk/math.h"

inline constexpr Vector kIdentityColour{0.29412f, 0.0f, 0.5098f};
