// Polygons of more than four corners, which the host cannot hold, as triangles.
#pragma once

#include <array>
#include <vector>

#include "sdk/math.h"

namespace scene_import {

// The normal of a polygon by Newell's sum: its length is twice the area, its direction the
// side the corners turn counter-clockwise around (in the component formula).  Works for
// non-planar and concave polygons.
Vector NewellNormal(const std::vector<Vector>& corners);

// Splits a polygon (corners in order, planar or nearly so, convex or not) into triangles that
// turn the same way, by clipping ears in the polygon's plane: indices into `corners`.  A
// polygon without ears (self-crossing, degenerate) is split as a fan.
std::vector<std::array<unsigned, 3>> SplitPolygon(const std::vector<Vector>& corners);

}  // namespace scene_import
