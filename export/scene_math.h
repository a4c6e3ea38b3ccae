// Matrix and vector helpers of the scene writers, in the host's 32-bit floats.
#pragma once

#include "sdk/math.h"
#include "sdk/scene.h"

Matrix IdentityMatrix();
// The inverse of a host matrix, offset included; the identity when the axis part is singular
// (its determinant, rounded to a float, is exactly 0).
Matrix InvertMatrix(const Matrix& m);
// v scaled to length 1, or (0, 0, 0) when v has length 0.
Vector NormalizeVector(Vector v);
// The component-wise product of the object's own scale vector and those of its ancestors.
Vector GlobalScale(const HostObject& object);
