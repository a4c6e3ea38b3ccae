#include "export/scene_math.h"

#include <cmath>

Matrix IdentityMatrix() { return Matrix{}; }

Matrix InvertMatrix(const Matrix& m) {
    using Wide = long double;
    const Vector& a = m.v1;
    const Vector& b = m.v2;
    const Vector& c = m.v3;
    const Wide det = Wide{a.x} * (Wide{b.y} * c.z - Wide{c.y} * b.z) + Wide{b.x} * (Wide{c.y} * a.z - Wide{a.y} * c.z) +
                     Wide{c.x} * (Wide{a.y} * b.z - Wide{b.y} * a.z);
    const float detFloat = static_cast<float>(det);
    if (detFloat == 0.0f) return IdentityMatrix();
    const float inv = 1.0f / detFloat;

    // Rows of the inverse are the cross products of the columns' pairs, divided by det.
    auto cofactor = [](Wide p, Wide q, Wide r, Wide s) { return static_cast<float>(p * q - r * s); };
    Matrix result;
    result.v1 = Vector{cofactor(b.y, c.z, c.y, b.z) * inv, cofactor(c.y, a.z, a.y, c.z) * inv,
                       cofactor(a.y, b.z, b.y, a.z) * inv};
    result.v2 = Vector{cofactor(c.x, b.z, b.x, c.z) * inv, cofactor(a.x, c.z, c.x, a.z) * inv,
                       cofactor(b.x, a.z, a.x, b.z) * inv};
    result.v3 = Vector{cofactor(b.x, c.y, c.x, b.y) * inv, cofactor(c.x, a.y, a.x, c.y) * inv,
                       cofactor(a.x, b.y, b.x, a.y) * inv};
    result.off = -result.Rotate(m.off);
    return result;
}

Vector NormalizeVector(Vector v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) return Vector{};
    const float inv = 1.0f / length;
    return Vector{v.x * inv, v.y * inv, v.z * inv};
}

Vector GlobalScale(const HostObject& object) {
    Vector scale = object.GetRelScale();
    for (const HostObject* up = object.GetUp(); up; up = up->GetUp()) scale = Scale(scale, up->GetRelScale());
    return scale;
}
