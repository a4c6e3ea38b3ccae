#include "export/scene_text.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"
#include "export/scene_math.h"

namespace {

void AppendNumbers(std::string& out, std::initializer_list<float> values, int digits) {
    for (float value : values) {
        if (!out.empty()) out += ' ';
        textfmt::AppendReal(out, value, digits);
    }
}

}  // namespace

HostString FormatScenePosition(Vector p, float sceneScale, int digits) {
    std::string text;
    AppendNumbers(text, {p.x * sceneScale, p.z * sceneScale, p.y * sceneScale}, digits);
    return text;
}

namespace {

// Whether the axes of m are orthogonal with the lengths of the scale vector s, to within the
// rounding of the host's float matrices: then the inverse and the squared scale describe the
// axes.
bool AxesMatchScale(const Matrix& m, Vector s) {
    constexpr double kTolerance = 1e-5;
    const Vector* axes[3] = {&m.v1, &m.v2, &m.v3};
    const double scale[3] = {std::fabs(double{s.x}), std::fabs(double{s.y}), std::fabs(double{s.z})};
    double length[3];
    for (int i = 0; i < 3; ++i) {
        const Vector& a = *axes[i];
        length[i] = std::sqrt(double{a.x} * a.x + double{a.y} * a.y + double{a.z} * a.z);
        if (std::fabs(length[i] - scale[i]) > kTolerance * std::max(length[i], scale[i])) return false;
    }
    for (int i = 0; i < 3; ++i) {
        const Vector& a = *axes[i];
        const Vector& b = *axes[(i + 1) % 3];
        const double dot = double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z;
        if (std::fabs(dot) > kTolerance * length[i] * length[(i + 1) % 3]) return false;
    }
    return true;
}

}  // namespace

HostString FormatSceneRotation(const HostObject& object) {
    const Matrix& global = object.GetMg();
    const Vector s = GlobalScale(object);
    std::string text;
    if (!AxesMatchScale(global, s)) {
        // Sheared axes, or a placement that the scale vectors do not describe (an instance's
        // copy of a source under a scaled parent): the axes themselves, in scene order.
        const Vector& x = global.v1;
        const Vector& y = global.v2;
        const Vector& z = global.v3;
        AppendNumbers(text, {x.x, z.x, y.x, x.z, z.z, y.z, x.y, z.y, y.y}, 8);
        return text;
    }
    const Matrix inverse = InvertMatrix(global);
    const float qx = s.x * s.x;
    const float qy = s.y * s.y;
    const float qz = s.z * s.z;
    const Vector& a = inverse.v1;
    const Vector& b = inverse.v2;
    const Vector& c = inverse.v3;
    AppendNumbers(text,
                  {qx * a.x, qz * a.z, qy * a.y,  //
                   qx * c.x, qz * c.z, qy * c.y,  //
                   qx * b.x, qz * b.z, qy * b.y},
                  8);
    return text;
}
