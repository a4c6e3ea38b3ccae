#include "mesh/obj_mesh.h"

#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "mesh/mesh_size.h"
#include "mesh/texture_tag.h"
#include "sdk/host.h"

namespace {

// A corner normal this close to unit length is kept as it is; one shorter than this is
// degenerate.
constexpr double kUnitLengthTolerance = 1e-7;

template <class T>
std::span<const T> HostArray(const T* data, int32_t count) {
    return data && count > 0 ? std::span<const T>(data, static_cast<size_t>(count)) : std::span<const T>();
}

// Offset and scale of a texture tag's tiling: u' = (u - offset U) * scale U, and the same for v.
struct Tiling {
    float offsetU, offsetV, scaleU, scaleV;

    static Tiling Of(const HostTag& textureTag) {
        const ParamContainer& data = textureTag.Data();
        auto scale = [&](int32_t lengthId) {
            const float length = data.Get<float>(lengthId, 0.0f);
            return length == 0.0f ? 1.0f : 1.0f / length;
        };
        return {data.Get<float>(host_param::kTextureOffsetU, 0.0f), data.Get<float>(host_param::kTextureOffsetV, 0.0f),
                scale(host_param::kTextureLengthU), scale(host_param::kTextureLengthV)};
    }
    Vector Apply(Vector uvw) const { return {(uvw.x - offsetU) * scaleU, (uvw.y - offsetV) * scaleV, uvw.z}; }
};

// The texture tag's projected and tiled coordinates for the selected polygons.
void ApplyTextureTag(HostObject& object, HostDocument* document, HostTag& textureTag, const HostSelection& polygons,
                     const HostTag& source, HostTag& uvSet) {
    const HostObject* carrier = textureTag.GetObject();
    const Matrix objectMg = object.GetMg();
    HostView* view = document ? document->GetActiveView() : nullptr;
    const std::vector<UvwCorners> generated =
        TheHost().GenerateUvw(object, objectMg, textureTag, carrier ? carrier->GetMg() : objectMg, view);
    const Tiling tiling = Tiling::Of(textureTag);
    ForEachPolygonRange(polygons, object.GetPolygonCount(), [&](int32_t first, int32_t last) {
        for (int32_t i = first; i <= last; ++i) {
            const UvwCorners c = static_cast<size_t>(i) < generated.size() ? generated[static_cast<size_t>(i)]
                                                                            : source.GetUvw(i);
            uvSet.SetUvw(i, {tiling.Apply(c.a), tiling.Apply(c.b), tiling.Apply(c.c), tiling.Apply(c.d)});
        }
    });
}

Uv Flipped(Vector uvw) { return {uvw.x, 1.0f - uvw.y}; }

}  // namespace

ObjMesh::ObjMesh(HostDocument* document, HostObject& object, bool mergeDuplicates)
    : document_(document),
      object_(object),
      merge_(mergeDuplicates),
      points_(HostArray(object.GetPoints(), object.GetPointCount())),
      polygons_(HostArray(object.GetPolygons(), object.GetPolygonCount())) {}

bool ObjMesh::HasSmoothing() const { return object_.GetTag(host_type::kSmoothingTag) != nullptr; }

std::optional<std::vector<Uv>> ObjMesh::GatherTextureCoordinates() const {
    const size_t count = polygons_.size();
    if (count > kMaxMeshPolygons) return std::nullopt;  // corner indices are 32-bit
    try {
        const std::unique_ptr<HostTag> uvSet = TheHost().AllocTag(host_type::kUvTag, static_cast<int32_t>(count));
        if (!uvSet || static_cast<size_t>(uvSet->GetUvwCount()) < count) return std::nullopt;
        PrepareUvSet(object_, document_, *uvSet);
        std::vector<Uv> corners(4 * count);
        for (size_t i = 0; i < count; ++i) {
            const UvwCorners c = uvSet->GetUvw(static_cast<int32_t>(i));
            Uv* corner = &corners[4 * i];
            corner[0] = Flipped(c.a);
            corner[1] = Flipped(c.b);
            corner[2] = Flipped(c.c);
            corner[3] = Flipped(c.d);
        }
        return corners;
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        return std::nullopt;
    } catch (const std::length_error&) {
        outOfMemory_ = true;
        return std::nullopt;
    }
}

std::optional<std::vector<Vector>> ObjMesh::GatherNormals() const {
    const size_t count = polygons_.size();
    if (count > kMaxMeshPolygons) return std::nullopt;
    try {
        std::vector<Vector> corners = object_.CreateCornerNormals();
        if (corners.empty() || corners.size() != 4 * count) return std::nullopt;
        for (Vector& normal : corners) normal = UnitCornerNormal(normal);
        return corners;
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        return std::nullopt;
    } catch (const std::length_error&) {
        outOfMemory_ = true;
        return std::nullopt;
    }
}

template <class T>
std::optional<CornerTable<T>> ObjMesh::Tabulate(std::vector<T> corners) const {
    try {
        if (merge_) return MergeCorners(corners, polygons_, points_.size());
        return KeepCorners(std::move(corners), polygons_);
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        return std::nullopt;
    } catch (const std::length_error&) {
        outOfMemory_ = true;
        return std::nullopt;
    }
}

bool ObjMesh::BuildTextureCoordinateTable() {
    uvs_.reset();
    if (auto corners = GatherTextureCoordinates()) uvs_ = Tabulate(std::move(*corners));
    return uvs_.has_value();
}

bool ObjMesh::BuildNormalTable() {
    normals_.reset();
    if (auto corners = GatherNormals()) normals_ = Tabulate(std::move(*corners));
    return normals_.has_value();
}

void ObjMesh::BuildCornerTables(bool withNormals, int32_t threads, const std::function<void()>& normalsStage) {
    // Below this many polygons a second thread costs more than it saves.
    constexpr size_t kParallelPolygons = 16384;
    if (threads < 2 || !merge_ || !withNormals || polygons_.size() < kParallelPolygons) {
        BuildTextureCoordinateTable();
        normalsStage();
        if (withNormals) BuildNormalTable();
        return;
    }
    uvs_.reset();
    normals_.reset();
    std::optional<std::vector<Uv>> uvCorners = GatherTextureCoordinates();
    // Joined however this function is left, before uvCorners goes: the thread uses it and uvs_.
    std::jthread helper;
    if (uvCorners) {
        try {
            helper = std::jthread([this, &uvCorners] { uvs_ = Tabulate(std::move(*uvCorners)); });
        } catch (const std::system_error&) {
            uvs_ = Tabulate(std::move(*uvCorners));  // no second thread: one after the other
        }
    }
    normalsStage();
    if (auto normalCorners = GatherNormals()) normals_ = Tabulate(std::move(*normalCorners));
}

void ObjMesh::ReleaseUvValues() {
    if (uvs_) std::vector<Uv>().swap(uvs_->values);
}

void ObjMesh::ReleaseNormalValues() {
    if (normals_) std::vector<Vector>().swap(normals_->values);
}

std::optional<CornerTable<Uv>> ObjMesh::TakeUvs() {
    std::optional<CornerTable<Uv>> table = std::move(uvs_);
    uvs_.reset();
    return table;
}

std::optional<CornerTable<Vector>> ObjMesh::TakeNormals() {
    std::optional<CornerTable<Vector>> table = std::move(normals_);
    normals_.reset();
    return table;
}

bool PrepareUvSet(HostObject& object, HostDocument* document, HostTag& uvSet) {
    const HostTag* uvTag = object.GetTag(host_type::kUvTag);
    const HostTag& source = uvTag ? *uvTag : uvSet;
    const HostSelection rest = VisitSelectionTags(object, [&](HostTag& tag, const HostSelection& selection) {
        if (HostTag* texture = FindTextureTag(&object, document, &tag)) {
            ApplyTextureTag(object, document, *texture, selection, source, uvSet);
        }
    });
    if (HostTag* texture = FindTextureTag(&object, document, nullptr)) {
        ApplyTextureTag(object, document, *texture, rest, source, uvSet);
    }
    return true;
}

Vector UnitCornerNormal(Vector normal) {
    const float length = Length(normal);
    if (length < kUnitLengthTolerance) return {1.0f, 0.0f, 0.0f};
    if (std::fabs(static_cast<double>(length) - 1.0) >= kUnitLengthTolerance) {
        return {normal.x / length, normal.y / length, normal.z / length};
    }
    return normal;
}
