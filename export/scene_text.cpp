#include "export/scene_text.h"

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

HostString FormatSceneRotation(const HostObject& object) {
    const Matrix inverse = InvertMatrix(object.GetMg());
    const Vector s = GlobalScale(object);
    const float qx = s.x * s.x;
    const float qy = s.y * s.y;
    const float qz = s.z * s.z;
    const Vector& a = inverse.v1;
    const Vector& b = inverse.v2;
    const Vector& c = inverse.v3;
    std::string text;
    AppendNumbers(text,
                  {qx * a.x, qz * a.z, qy * a.y,  //
                   qx * c.x, qz * c.z, qy * c.y,  //
                   qx * b.x, qz * b.z, qy * b.y},
                  8);
    return text;
}
