// The meshes of a node as one polygon object: points shared by position, the faces as quads
// and triangles (longer polygons split into triangles), the file's UVs and normals per corner,
// and a selection and texture tag per material.
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "import/import_context.h"
#include "import/polygon_split.h"

namespace scene_import {

namespace {

// Host points are shared by exact position, so that faces the file keeps apart at seams of
// UVs or normals meet again (the corners keep their own UVs and normals).
struct PointKey {
    uint32_t x, y, z;
    friend bool operator==(const PointKey&, const PointKey&) = default;
};
struct PointKeyHash {
    size_t operator()(const PointKey& k) const {
        uint64_t h = (static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull) ^ (static_cast<uint64_t>(k.y) + 0x7F4A7C159E3779B9ull);
        h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
        return static_cast<size_t>(h ^ (static_cast<uint64_t>(k.z) * 0x94D049BB133111EBull) ^ (h >> 32));
    }
};
PointKey KeyOf(Vector p) {
    PointKey k;
    // +0.0f folds -0 into 0.
    const float c[3] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    std::memcpy(&k.x, &c[0], 4);
    std::memcpy(&k.y, &c[1], 4);
    std::memcpy(&k.z, &c[2], 4);
    return k;
}

// What the node's meshes make, gathered before it goes into the object.
struct NodeGeometry {
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    std::vector<UvwCorners> uvs;     // per polygon, when any mesh has UVs
    std::vector<Vector> normals;     // four per polygon, when any mesh has normals
    bool hasUvs = false, hasNormals = false;
    // The polygons of each material, as runs of polygon indices.
    struct Run {
        unsigned material;
        int32_t first, last;
    };
    std::vector<Run> runs;
};

class GeometryBuilder {
public:
    GeometryBuilder(const ImportContext& context, NodeGeometry& out) : context_(context), out_(out) {}

    void Add(const aiMesh& mesh) {
        const int32_t firstPolygon = static_cast<int32_t>(out_.polygons.size());
        pointOf_.assign(mesh.mNumVertices, 0);
        for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
            const Vector p = context_.axes.Point(mesh.mVertices[i]);
            const auto [it, added] = index_.try_emplace(KeyOf(p), static_cast<int32_t>(out_.points.size()));
            if (added) out_.points.push_back(p);
            pointOf_[i] = it->second;
        }
        const bool uvs = mesh.HasTextureCoords(0);
        const bool normals = mesh.HasNormals();
        if (uvs && !out_.hasUvs) {
            out_.uvs.resize(out_.polygons.size());
            out_.hasUvs = true;
        }
        if (normals && !out_.hasNormals) {
            out_.normals.resize(4 * out_.polygons.size());
            out_.hasNormals = true;
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices < 3) continue;  // points and lines are no surface
            corners_.assign(face.mIndices, face.mIndices + face.mNumIndices);
            // The host's coordinates are the file's mirrored: turning the corners round keeps the
            // front of every face in front.
            if (context_.axes.Mirrors()) std::reverse(corners_.begin() + 1, corners_.end());
            if (corners_.size() <= 4) {
                AddPolygon(mesh, corners_.data(), corners_.size(), uvs, normals);
                continue;
            }
            ring_.clear();
            for (unsigned v : corners_) ring_.push_back(out_.points[static_cast<size_t>(pointOf_[v])]);
            for (const auto& triangle : SplitPolygon(ring_)) {
                const unsigned three[3] = {corners_[triangle[0]], corners_[triangle[1]], corners_[triangle[2]]};
                AddPolygon(mesh, three, 3, uvs, normals);
            }
        }
        const int32_t lastPolygon = static_cast<int32_t>(out_.polygons.size()) - 1;
        if (lastPolygon >= firstPolygon) out_.runs.push_back({mesh.mMaterialIndex, firstPolygon, lastPolygon});
    }

private:
    void AddPolygon(const aiMesh& mesh, const unsigned* v, size_t count, bool uvs, bool normals) {
        const unsigned d = count == 4 ? v[3] : v[2];
        out_.polygons.push_back({pointOf_[v[0]], pointOf_[v[1]], pointOf_[v[2]], pointOf_[d]});
        const unsigned corner[4] = {v[0], v[1], v[2], d};
        if (out_.hasUvs) {
            UvwCorners c;
            if (uvs) {
                // The host counts v from the top of the image, the file from the bottom.
                auto uv = [&](unsigned i) {
                    const aiVector3D t = mesh.mTextureCoords[0][i];
                    return Vector{t.x, 1.0f - t.y, t.z};
                };
                c = {uv(corner[0]), uv(corner[1]), uv(corner[2]), uv(corner[3])};
            }
            out_.uvs.push_back(c);
        }
        if (out_.hasNormals) {
            // A mesh without normals of its own among meshes with them: its faces are flat.
            const Vector flat = normals ? Vector{} : FaceNormal(out_.polygons.back());
            for (unsigned i : corner) {
                out_.normals.push_back(normals ? UnitVector(context_.axes.Direction(mesh.mNormals[i])) : flat);
            }
        }
    }

    Vector FaceNormal(const CPolygon& p) const {
        ring_.clear();
        for (int32_t i : {p.a, p.b, p.c, p.d}) ring_.push_back(out_.points[static_cast<size_t>(i)]);
        return UnitVector(NewellNormal(ring_));
    }

    const ImportContext& context_;
    NodeGeometry& out_;
    std::unordered_map<PointKey, int32_t, PointKeyHash> index_;
    std::vector<int32_t> pointOf_;
    std::vector<unsigned> corners_;
    mutable std::vector<Vector> ring_;
};

void SetTextureTag(headless::HlObject& object, headless::HlMaterial* material, const HostString& restriction) {
    HostTag* tag = object.MakeTag(host_type::kTextureTag);
    ParamContainer& data = tag->Data();
    data.Set<float>(host_param::kTextureOffsetU, 0.0f);
    data.Set<float>(host_param::kTextureOffsetV, 0.0f);
    data.Set<float>(host_param::kTextureLengthU, 1.0f);
    data.Set<float>(host_param::kTextureLengthV, 1.0f);
    data.Set<HostString>(host_param::kTextureRestriction, restriction);
    data.Set<int32_t>(host_param::kTextureProjection, projection::kUvw);
    tag->SetMaterial(material);
}

// A selection and a restricted texture tag per material when the node's polygons have several;
// one texture tag for the whole object when they share one.
void AssignMaterials(ImportContext& context, const NodeGeometry& geometry, headless::HlObject& object) {
    std::vector<unsigned> order;  // materials in the order the polygons first use them
    for (const NodeGeometry::Run& run : geometry.runs) {
        if (std::find(order.begin(), order.end(), run.material) == order.end()) order.push_back(run.material);
    }
    auto material = [&](unsigned index) {
        return index < context.materials.size() ? context.materials[index] : nullptr;
    };
    if (order.size() == 1) {
        if (material(order[0])) SetTextureTag(object, material(order[0]), HostString());
    } else {
        for (unsigned index : order) {
            headless::HlMaterial* host = material(index);
            if (!host) continue;
            HostTag* selection = object.MakeTag(host_type::kPolygonSelectionTag);
            selection->SetName(host->GetName());
            for (const NodeGeometry::Run& run : geometry.runs) {
                if (run.material == index) selection->GetSelection()->SelectRange(run.first, run.last);
            }
        }
        for (unsigned index : order) {
            if (headless::HlMaterial* host = material(index)) SetTextureTag(object, host, host->GetName());
        }
    }
    for (unsigned index : order) {
        if (index >= context.scene.mNumMaterials) continue;
        if (const auto emission = MaterialEmission(*context.scene.mMaterials[index])) {
            AddMeshLight(context, object, *emission);
            break;
        }
    }
}

}  // namespace

namespace {

// Fills the object with the meshes (scene indices).
void FillObject(ImportContext& context, const std::vector<unsigned>& meshes, headless::HlObject& object) {
    NodeGeometry geometry;
    size_t vertices = 0, faces = 0;
    for (unsigned m : meshes) {
        vertices += context.scene.mMeshes[m]->mNumVertices;
        faces += context.scene.mMeshes[m]->mNumFaces;
    }
    geometry.points.reserve(vertices);
    geometry.polygons.reserve(faces);
    {
        GeometryBuilder builder(context, geometry);
        for (unsigned m : meshes) builder.Add(*context.scene.mMeshes[m]);
    }
    const size_t polygonCount = geometry.polygons.size();
    object.SetGeometry(std::move(geometry.points), std::move(geometry.polygons));
    if (geometry.hasNormals) {
        // The file's normals, which the host's smoothing then gives back corner by corner.
        object.MakeTag(host_type::kSmoothingTag);
        auto* normals = static_cast<headless::HlTag*>(object.MakeTag(host_type::kNormalTag));
        normals->Normals() = std::move(geometry.normals);
    }
    if (geometry.hasUvs) {
        auto* uvw = static_cast<headless::HlTag*>(object.MakeTag(host_type::kUvTag));
        uvw->Uvw() = std::move(geometry.uvs);
        uvw->Uvw().resize(polygonCount);
    }
    AssignMaterials(context, geometry, object);
}

}  // namespace

void ImportNodeMeshes(ImportContext& context, const aiNode& node, headless::HlObject& object) {
    const aiScene& scene = context.scene;
    auto emission = [&](unsigned mesh) -> std::optional<aiColor3D> {
        const unsigned material = scene.mMeshes[mesh]->mMaterialIndex;
        if (material >= scene.mNumMaterials) return std::nullopt;
        return MaterialEmission(*scene.mMaterials[material]);
    };
    // Meshes whose material emits, beside meshes that do not, go into a child object per
    // material, so that the light tag makes only them lights.
    std::vector<unsigned> plain;
    std::vector<std::pair<unsigned, std::vector<unsigned>>> emitting;  // material, its meshes
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const unsigned mesh = node.mMeshes[i];
        if (!emission(mesh)) {
            plain.push_back(mesh);
            continue;
        }
        const unsigned material = scene.mMeshes[mesh]->mMaterialIndex;
        auto group = std::find_if(emitting.begin(), emitting.end(), [&](const auto& g) { return g.first == material; });
        if (group == emitting.end()) group = emitting.insert(emitting.end(), {material, {}});
        group->second.push_back(mesh);
    }
    if (plain.empty()) {
        FillObject(context, std::vector<unsigned>(node.mMeshes, node.mMeshes + node.mNumMeshes), object);
        return;
    }
    FillObject(context, plain, object);
    headless::HlObject* pred = nullptr;
    for (const auto& [material, meshes] : emitting) {
        auto child = std::make_unique<headless::HlObject>(host_type::kPolygonObject, context.registry);
        headless::HlObject* made = child.get();
        const headless::HlMaterial* host = material < context.materials.size() ? context.materials[material] : nullptr;
        const std::string materialName = host ? host->GetName().Str() : std::string();
        child->SetName(object.GetName().Str() + " " + materialName);
        context.document.InsertObject(std::move(child), &object, pred);
        pred = made;
        FillObject(context, meshes, *made);
        context.Console(context.sourceName + ": object " + Quoted(object.GetName().Str()) +
                        ": the polygons of the emitting material " + Quoted(materialName) + " -> object " +
                        Quoted(made->GetName().Str()) + " with a light tag");
    }
}

}  // namespace scene_import
