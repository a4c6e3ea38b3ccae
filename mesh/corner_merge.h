// Corner tables: the texture coordinates or normals of every polygon corner, as a list of
// values and, for each corner, the index of its value in that list.  With merging, corners
// whose values are equal within kMergeTolerance share one value.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "sdk/math.h"
#include "sdk/scene.h"

// A texture coordinate as the mesh file holds it (v already flipped to 1 - v).
struct Uv {
    float u = 0.0f, v = 0.0f;
    friend bool operator==(Uv, Uv) = default;
};

inline std::array<float, 2> Components(const Uv& value) { return {value.u, value.v}; }
inline std::array<float, 3> Components(const Vector& value) { return {value.x, value.y, value.z}; }

// Two values are equal when every component differs by less than this (absolute).
inline constexpr double kMergeTolerance = 1e-7;

template <class T>
bool WithinMergeTolerance(const T& a, const T& b) {
    const auto x = Components(a);
    const auto y = Components(b);
    for (size_t i = 0; i < x.size(); ++i) {
        if (!(std::fabs(static_cast<double>(x[i]) - static_cast<double>(y[i])) < kMergeTolerance)) return false;
    }
    return true;
}

template <class T>
struct CornerTable {
    std::vector<T> values;          // in the order they were created
    std::vector<uint32_t> indices;  // four per polygon, corners a, b, c, d: the value's index
};

// One value per corner, in corner order: a, b, c and, for a quad, d; a triangle's corner d
// takes c's index.  `corners` holds four values per polygon (a triangle's fourth is unused)
// and becomes the value list.
template <class T>
CornerTable<T> KeepCorners(std::vector<T> corners, std::span<const CPolygon> polygons);

// Corners that equal a value created by an earlier polygon take the lowest such value's
// index.  Within a polygon, a corner that matched nothing takes the index of the first
// earlier corner of the same polygon (a, b, c in this order) that it equals, else a new
// value; a triangle's corner d takes c's index.  `corners` holds four values per polygon.
// Expected time linear in the number of corners: earlier values are found through a hash
// grid whose cells are far wider than the tolerance, and most corners, which their point
// shares with a neighbouring polygon, before that through their point (0 ... pointCount - 1;
// any point index serves, only the speed depends on it).
template <class T>
CornerTable<T> MergeCorners(const std::vector<T>& corners, std::span<const CPolygon> polygons, size_t pointCount);
