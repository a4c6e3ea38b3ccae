#include "import/polygon_split.h"

#include <cmath>

namespace scene_import {

namespace {

struct Point2 {
    double x, y;
};

// Twice the signed area of the triangle a, b, c (positive when it turns counter-clockwise).
double Turn(Point2 a, Point2 b, Point2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool Inside(Point2 p, Point2 a, Point2 b, Point2 c) {
    return Turn(a, b, p) >= 0 && Turn(b, c, p) >= 0 && Turn(c, a, p) >= 0;
}

}  // namespace

Vector NewellNormal(const std::vector<Vector>& corners) {
    double x = 0, y = 0, z = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vector& p = corners[i];
        const Vector& q = corners[(i + 1) % corners.size()];
        x += (static_cast<double>(p.y) - q.y) * (static_cast<double>(p.z) + q.z);
        y += (static_cast<double>(p.z) - q.z) * (static_cast<double>(p.x) + q.x);
        z += (static_cast<double>(p.x) - q.x) * (static_cast<double>(p.y) + q.y);
    }
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

std::vector<std::array<unsigned, 3>> SplitPolygon(const std::vector<Vector>& corners) {
    const size_t n = corners.size();
    std::vector<std::array<unsigned, 3>> triangles;
    if (n < 3) return triangles;
    triangles.reserve(n - 2);
    // Drop the axis along which the normal is largest; the polygon turns counter-clockwise in
    // the remaining two (the second one negated when the normal points down that axis).
    const Vector normal = NewellNormal(corners);
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    const int drop = ax >= ay && ax >= az ? 0 : ay >= az ? 1 : 2;
    const double sign = (drop == 0 ? normal.x : drop == 1 ? normal.y : normal.z) < 0 ? -1.0 : 1.0;
    std::vector<Point2> flat(n);
    for (size_t i = 0; i < n; ++i) {
        const Vector& p = corners[i];
        switch (drop) {
            case 0: flat[i] = {p.y, sign * p.z}; break;
            case 1: flat[i] = {p.z, sign * p.x}; break;
            default: flat[i] = {p.x, sign * p.y}; break;
        }
    }
    std::vector<unsigned> ring(n);
    for (size_t i = 0; i < n; ++i) ring[i] = static_cast<unsigned>(i);
    size_t misses = 0;
    for (size_t i = 0; ring.size() > 3 && misses < ring.size();) {
        const size_t m = ring.size();
        const unsigned a = ring[(i + m - 1) % m], b = ring[i % m], c = ring[(i + 1) % m];
        bool ear = Turn(flat[a], flat[b], flat[c]) > 0;
        for (size_t k = 0; ear && k < m; ++k) {
            const unsigned v = ring[k];
            if (v != a && v != b && v != c && Inside(flat[v], flat[a], flat[b], flat[c])) ear = false;
        }
        if (!ear) {
            i = (i + 1) % m;
            ++misses;
            continue;
        }
        triangles.push_back({a, b, c});
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i % m));
        misses = 0;
        if (i >= ring.size()) i = 0;
    }
    if (ring.size() > 3) {
        // No ear left: what remains is split as a fan.
        for (size_t k = 1; k + 1 < ring.size(); ++k) triangles.push_back({ring[0], ring[k], ring[k + 1]});
    } else {
        triangles.push_back({ring[0], ring[1], ring[2]});
    }
    return triangles;
}

}  // namespace scene_import
