// Host vector and matrix: 32-bit floats, as the host stores them.
#pragma once

#include <cmath>

struct Vector {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr Vector() = default;
    constexpr Vector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    friend constexpr Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend constexpr Vector operator-(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend constexpr Vector operator-(Vector a) { return {-a.x, -a.y, -a.z}; }
    friend constexpr Vector operator*(Vector a, float s) { return {a.x * s, a.y * s, a.z * s}; }
    friend constexpr Vector operator*(float s, Vector a) { return a * s; }
    friend constexpr bool operator==(Vector a, Vector b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
};

// Component-wise product.
constexpr Vector Scale(Vector a, Vector b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
constexpr float Dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vector Cross(Vector a, Vector b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vector a) { return std::sqrt(Dot(a, a)); }

// A point p maps to off + p.x * v1 + p.y * v2 + p.z * v3.  v1, v2, v3 are the x, y and z axes.
struct Matrix {
    Vector off{0, 0, 0};
    Vector v1{1, 0, 0};
    Vector v2{0, 1, 0};
    Vector v3{0, 0, 1};

    // Transforms a point (offset included).
    constexpr Vector operator*(Vector p) const { return off + v1 * p.x + v2 * p.y + v3 * p.z; }
    // Transforms a direction (offset left out).
    constexpr Vector Rotate(Vector p) const { return v1 * p.x + v2 * p.y + v3 * p.z; }
    // Composition: (a * b) * p == a * (b * p).
    friend constexpr Matrix operator*(const Matrix& a, const Matrix& b) {
        return Matrix{a * b.off, a.Rotate(b.v1), a.Rotate(b.v2), a.Rotate(b.v3)};
    }
    friend constexpr bool operator==(const Matrix& a, const Matrix& b) {
        return a.off == b.off && a.v1 == b.v1 && a.v2 == b.v2 && a.v3 == b.v3;
    }
};
