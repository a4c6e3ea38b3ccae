// Positions and orientations in the scene file's axes.  The scene's axes are the host's x, z
// and y: the host's vertical y axis is the scene's third axis.
#pragma once

#include "sdk/hoststring.h"
#include "sdk/math.h"
#include "sdk/scene.h"

// "x z y" of a host point times the scene scale (each product rounded to a float).
HostString FormatScenePosition(Vector p, float sceneScale, int digits);
// Nine numbers, 8 digits each: the axes of the object's global matrix in scene axes, row by
// row.  Where those axes are orthogonal with the lengths of the accumulated scale, they are
// computed from the inverse of the matrix and that scale; otherwise they are the matrix's own.
HostString FormatSceneRotation(const HostObject& object);
