// Texture coordinates that a texture tag projects onto an object.
//
// UVW projection gives the object's first UV tag.  The other projections work in texture
// space, the space of the object that carries the texture tag, over the box that the
// object's points span there: flat maps x and y of the box to u and v (v downward), cubic
// maps each polygon flat along the axis its normal points most along, spherical and
// cylindrical wrap u around the box's centre (about y), v by latitude or by height.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "headless/host/host.h"

namespace headless {

namespace {

struct Box {
    Vector min, max;
    Vector Size() const { return max - min; }
    Vector Centre() const { return (min + max) * 0.5f; }
};

float Fraction(float value, float low, float extent) { return extent > 0 ? (value - low) / extent : 0.5f; }

Vector Flat(Vector p, const Box& box, int axisU, int axisV) {
    const float c[3] = {p.x, p.y, p.z};
    const float lo[3] = {box.min.x, box.min.y, box.min.z};
    const float hi[3] = {box.max.x, box.max.y, box.max.z};
    const float u = Fraction(c[axisU], lo[axisU], hi[axisU] - lo[axisU]);
    const float v = 1.0f - Fraction(c[axisV], lo[axisV], hi[axisV] - lo[axisV]);
    return {u, v, 0};
}

float AroundY(Vector d) {
    return 0.5f + static_cast<float>(std::atan2(d.x, d.z) / (2 * std::numbers::pi));
}

Vector Project(int32_t kind, Vector p, const Box& box, Vector faceNormal) {
    switch (kind) {
        case projection::kFlat: return Flat(p, box, 0, 1);
        case projection::kCubic: {
            const float ax = std::fabs(faceNormal.x), ay = std::fabs(faceNormal.y), az = std::fabs(faceNormal.z);
            if (ax >= ay && ax >= az) return Flat(p, box, 2, 1);
            if (ay >= az) return Flat(p, box, 0, 2);
            return Flat(p, box, 0, 1);
        }
        case projection::kCylindrical: {
            const Vector d = p - box.Centre();
            return {AroundY(d), 1.0f - Fraction(p.y, box.min.y, box.Size().y), 0};
        }
        default: {  // spherical
            const Vector d = p - box.Centre();
            const float length = Length(d);
            const float latitude = length > 0 ? std::asin(std::clamp(d.y / length, -1.0f, 1.0f)) : 0.0f;
            return {AroundY(d), 0.5f - static_cast<float>(latitude / std::numbers::pi), 0};
        }
    }
}

}  // namespace

std::vector<UvwCorners> HeadlessHost::GenerateUvw(HostObject& object, const Matrix& objectMg, HostTag& textureTag,
                                                  const Matrix& tagObjectMg, HostView* /*view*/) {
    const int32_t kind = textureTag.Data().Get<int32_t>(host_param::kTextureProjection, projection::kUvw);
    const int32_t count = object.GetPolygonCount();
    std::vector<UvwCorners> result;
    if (kind == projection::kUvw) {
        const HostTag* uv = object.GetTag(host_type::kUvTag);
        if (!uv || uv->GetUvwCount() != count) return result;
        result.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) result.push_back(uv->GetUvw(i));
        return result;
    }

    Matrix toTexture;
    if (!InvertExact(tagObjectMg, toTexture) || object.GetPointCount() == 0) return result;
    const Matrix toSpace = toTexture * objectMg;
    std::vector<Vector> points(static_cast<size_t>(object.GetPointCount()));
    Box box{toSpace * object.GetPoints()[0], toSpace * object.GetPoints()[0]};
    for (size_t i = 0; i < points.size(); ++i) {
        points[i] = toSpace * object.GetPoints()[i];
        box.min = {std::min(box.min.x, points[i].x), std::min(box.min.y, points[i].y), std::min(box.min.z, points[i].z)};
        box.max = {std::max(box.max.x, points[i].x), std::max(box.max.y, points[i].y), std::max(box.max.z, points[i].z)};
    }

    const CPolygon* polygons = object.GetPolygons();
    result.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const CPolygon& poly = polygons[i];
        const Vector a = points[static_cast<size_t>(poly.a)], b = points[static_cast<size_t>(poly.b)];
        const Vector c = points[static_cast<size_t>(poly.c)], d = points[static_cast<size_t>(poly.d)];
        const Vector normal = Cross(c - a, d - b);
        result[static_cast<size_t>(i)] = {Project(kind, a, box, normal), Project(kind, b, box, normal),
                                          Project(kind, c, box, normal), Project(kind, d, box, normal)};
    }
    return result;
}

}  // namespace headless
