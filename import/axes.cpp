// The file's axes and unit as the host's.
#include <cmath>

#include "headless/json/document_json.h"
#include "import/import_context.h"

namespace scene_import {

namespace {

// Adding +0 folds -0 (a z of 0 turned round) into 0.
Vector ToVector(double x, double y, double z) {
    return {static_cast<float>(x) + 0.0f, static_cast<float>(y) + 0.0f, static_cast<float>(z) + 0.0f};
}

}  // namespace

AxisConversion::AxisConversion(const aiMatrix3x3& toYUp, double metres) : turn_(toYUp), metres_(metres) {
    // The host's z runs the other way: its coordinates are left-handed.
    turn_.c1 = -turn_.c1;
    turn_.c2 = -turn_.c2;
    turn_.c3 = -turn_.c3;
}

Vector AxisConversion::Point(const aiVector3D& p) const {
    const aiVector3D q = turn_ * p;
    return ToVector(metres_ * q.x, metres_ * q.y, metres_ * q.z);
}

Vector AxisConversion::Direction(const aiVector3D& d) const {
    const aiVector3D q = turn_ * d;
    return ToVector(q.x, q.y, q.z);
}

Matrix AxisConversion::Placement(const aiMatrix4x4& m) const {
    // T · M · T⁻¹ for the axes (T is orthogonal, so T⁻¹ = Tᵀ); the offset is a point.
    const aiMatrix3x3 linear = turn_ * aiMatrix3x3(m) * aiMatrix3x3(turn_).Transpose();
    Matrix out;
    out.v1 = ToVector(linear.a1, linear.b1, linear.c1);
    out.v2 = ToVector(linear.a2, linear.b2, linear.c2);
    out.v3 = ToVector(linear.a3, linear.b3, linear.c3);
    out.off = Point(aiVector3D(m.a4, m.b4, m.c4));
    return out;
}

std::optional<double> MetaNumber(const aiMetadata* meta, const char* key) {
    if (!meta) return std::nullopt;
    const aiMetadataEntry* entry = nullptr;
    for (unsigned i = 0; i < meta->mNumProperties && !entry; ++i) {
        if (meta->mKeys[i] == aiString(key)) entry = &meta->mValues[i];
    }
    if (!entry || !entry->mData) return std::nullopt;
    switch (entry->mType) {
        case AI_INT32:
            return *static_cast<const int32_t*>(entry->mData);
        case AI_UINT64:
            return static_cast<double>(*static_cast<const uint64_t*>(entry->mData));
        case AI_FLOAT:
            return *static_cast<const float*>(entry->mData);
        case AI_DOUBLE:
            return *static_cast<const double*>(entry->mData);
        default:
            return std::nullopt;
    }
}

Vector UnitVector(Vector v) {
    const double length = std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                                    static_cast<double>(v.z) * v.z);
    if (!(length > 1e-12) || !std::isfinite(length)) return {};
    return {static_cast<float>(v.x / length), static_cast<float>(v.y / length), static_cast<float>(v.z / length)};
}

Matrix FacingFrame(Vector forward, Vector up) {
    Matrix frame;
    forward = UnitVector(forward);
    if (forward == Vector{}) return frame;
    const auto square = [&](Vector v) { return UnitVector(v - forward * Dot(v, forward)); };
    up = square(up);
    if (up == Vector{}) up = square({0, 1, 0});
    if (up == Vector{}) up = square({1, 0, 0});
    frame.v3 = forward;
    frame.v2 = up;
    frame.v1 = Cross(up, forward);  // the host's right: left-handed axes
    return frame;
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

HostObject* LastChild(const HostObject& parent) {
    HostObject* child = parent.GetDown();
    while (child && child->GetNext()) child = child->GetNext();
    return child;
}

int32_t ModuleType(const char* className) {
    return headless::document_format::ValueOf(headless::document_format::Names::kTagType, className)
        .value_or(headless::document_format::ValueOf(headless::document_format::Names::kObjectType, className)
                      .value_or(0));
}

}  // namespace scene_import
