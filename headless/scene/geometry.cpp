// Geometry of the headless host: matrices from position, rotation and scale, tracks,
// generators (the cube), bounds, corner normals (a normal tag's, or smoothed) and the modelling
// command 230.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "headless/scene/nodes.h"
#include "sdk/plugin.h"

namespace headless {

Matrix MatrixFromPRS(Vector position, Vector rotation, Vector scale) {
    const double ch = std::cos(static_cast<double>(rotation.x)), sh = std::sin(static_cast<double>(rotation.x));
    const double cp = std::cos(static_cast<double>(rotation.y)), sp = std::sin(static_cast<double>(rotation.y));
    const double cb = std::cos(static_cast<double>(rotation.z)), sb = std::sin(static_cast<double>(rotation.z));
    // Columns of Ry(H) * Rx(P) * Rz(B), each scaled by its scale component.
    auto column = [](double x, double y, double z, float s) {
        return Vector{static_cast<float>(x * s), static_cast<float>(y * s), static_cast<float>(z * s)};
    };
    Matrix m;
    m.v1 = column(ch * cb + sh * sp * sb, cp * sb, -sh * cb + ch * sp * sb, scale.x);
    m.v2 = column(-ch * sb + sh * sp * cb, cp * cb, sh * sb + ch * sp * cb, scale.y);
    m.v3 = column(sh * cp, -sp, ch * cp, scale.z);
    m.off = position;
    return m;
}

std::optional<Vector> EvaluateTrack(const std::vector<TrackKey>& keys, double frame) {
    if (keys.empty()) return std::nullopt;
    auto byFrame = [](const TrackKey& a, const TrackKey& b) { return a.frame < b.frame; };
    const std::vector<TrackKey>* sorted = &keys;
    std::vector<TrackKey> copy;
    if (!std::is_sorted(keys.begin(), keys.end(), byFrame)) {
        copy = keys;
        std::stable_sort(copy.begin(), copy.end(), byFrame);
        sorted = &copy;
    }
    const auto& k = *sorted;
    // The first key after the frame: before it lies the key the frame is at or after.
    auto after = std::upper_bound(k.begin(), k.end(), frame, [](double f, const TrackKey& key) { return f < key.frame; });
    if (after == k.begin()) return k.front().value;
    if (after == k.end()) return k.back().value;
    const TrackKey& a = *(after - 1);
    const TrackKey& b = *after;
    const double t = (frame - a.frame) / (b.frame - a.frame);
    auto lerp = [t](float x, float y) {
        return static_cast<float>(static_cast<double>(x) + (static_cast<double>(y) - x) * t);
    };
    return Vector{lerp(a.value.x, b.value.x), lerp(a.value.y, b.value.y), lerp(a.value.z, b.value.z)};
}

// ---------------------------------------------------------------------------------------------
// Generators

bool IsGenerator(int32_t type) { return type == host_type::kCube; }

namespace {

constexpr int32_t kMaxSegments = 1000;

int32_t Segments(float value) {
    if (!(value >= 1)) return 1;  // also NaN
    if (value >= static_cast<float>(kMaxSegments)) return kMaxSegments;
    return static_cast<int32_t>(value);
}

// The surface points of an nx × ny × nz lattice of a box, numbered column by column (x, then
// y, then z within a column): columns on the box's side walls hold nz + 1 points, the
// others only their bottom and top point.
class CubeLattice {
public:
    CubeLattice(int32_t nx, int32_t ny, int32_t nz) : n_{nx, ny, nz} {
        start_.resize(static_cast<size_t>(nx + 1) * static_cast<size_t>(ny + 1));
        int32_t next = 0;
        for (int32_t i = 0; i <= nx; ++i) {
            for (int32_t j = 0; j <= ny; ++j) {
                start_[Column(i, j)] = next;
                next += Wall(i, j) ? nz + 1 : 2;
            }
        }
        count_ = next;
    }
    int32_t Count() const { return count_; }
    bool Wall(int32_t i, int32_t j) const { return i == 0 || i == n_[0] || j == 0 || j == n_[1]; }
    // Index of the surface point (i, j, k).
    int32_t Index(int32_t i, int32_t j, int32_t k) const {
        int32_t base = start_[Column(i, j)];
        if (Wall(i, j)) return base + k;
        return base + (k == 0 ? 0 : 1);
    }
    int32_t N(int axis) const { return n_[axis]; }

private:
    size_t Column(int32_t i, int32_t j) const {
        return static_cast<size_t>(i) * static_cast<size_t>(n_[1] + 1) + static_cast<size_t>(j);
    }
    int32_t n_[3];
    std::vector<int32_t> start_;
    int32_t count_ = 0;
};

void GenerateCube(Vector size, Vector segments, std::vector<Vector>& points, std::vector<CPolygon>& polygons) {
    const int32_t n[3] = {Segments(segments.x), Segments(segments.y), Segments(segments.z)};
    const double s[3] = {size.x, size.y, size.z};
    CubeLattice lattice(n[0], n[1], n[2]);
    points.assign(static_cast<size_t>(lattice.Count()), Vector{});
    auto coordinate = [&](int axis, int32_t step) {
        return static_cast<float>(-s[axis] / 2 + s[axis] * step / n[axis]);
    };
    for (int32_t i = 0; i <= n[0]; ++i) {
        for (int32_t j = 0; j <= n[1]; ++j) {
            for (int32_t k = 0; k <= n[2]; ++k) {
                if (!lattice.Wall(i, j) && k != 0 && k != n[2]) continue;
                points[static_cast<size_t>(lattice.Index(i, j, k))] =
                    Vector{coordinate(0, i), coordinate(1, j), coordinate(2, k)};
            }
        }
    }
    // Six faces: the fixed axis and its side, and the two axes u, v that span the face with
    // u × v pointing outwards, so that every quad (u, v), (u+1, v), (u+1, v+1), (u, v+1)
    // faces away from the centre.
    struct Face {
        int axis;
        bool high;
        int u, v;
    };
    static constexpr Face kFaces[6] = {
        {0, true, 1, 2}, {0, false, 2, 1}, {1, true, 2, 0}, {1, false, 0, 2}, {2, true, 0, 1}, {2, false, 1, 0},
    };
    polygons.clear();
    polygons.reserve(static_cast<size_t>(2) * (static_cast<size_t>(n[0]) * n[1] + static_cast<size_t>(n[1]) * n[2] +
                                               static_cast<size_t>(n[0]) * n[2]));
    for (const Face& face : kFaces) {
        auto at = [&](int32_t a, int32_t b) {
            int32_t c[3];
            c[face.axis] = face.high ? n[face.axis] : 0;
            c[face.u] = a;
            c[face.v] = b;
            return lattice.Index(c[0], c[1], c[2]);
        };
        for (int32_t b = 0; b < n[face.v]; ++b) {
            for (int32_t a = 0; a < n[face.u]; ++a) {
                polygons.push_back(CPolygon{at(a, b), at(a + 1, b), at(a + 1, b + 1), at(a, b + 1)});
            }
        }
    }
}

}  // namespace

void GenerateGeometry(const HlObject& object, std::vector<Vector>& points, std::vector<CPolygon>& polygons) {
    points.clear();
    polygons.clear();
    if (object.GetType() == host_type::kCube) {
        GenerateCube(object.Data().Get<Vector>(host_param::kCubeSize, Vector{200, 200, 200}),
                     object.Data().Get<Vector>(host_param::kCubeSegments, Vector{1, 1, 1}), points, polygons);
    }
}

// ---------------------------------------------------------------------------------------------
// Bounds

namespace {

void Bounds(const HlObject& object, NodeData* plugin, Vector& centre, Vector& halfSize) {
    centre = Vector{};
    halfSize = Vector{};
    if (plugin) {
        // Objects of plug-in types are made by object allocators only.
        static_cast<ObjectData*>(plugin)->GetDimension(const_cast<HlObject*>(&object), &centre, &halfSize);
        return;
    }
    const int32_t type = object.GetType();
    if (type == host_type::kPolygonObject) {
        const int32_t count = object.GetPointCount();
        if (count == 0) return;
        const Vector* p = object.GetPoints();
        Vector lo = p[0], hi = p[0];
        for (int32_t i = 1; i < count; ++i) {
            lo = {std::min(lo.x, p[i].x), std::min(lo.y, p[i].y), std::min(lo.z, p[i].z)};
            hi = {std::max(hi.x, p[i].x), std::max(hi.y, p[i].y), std::max(hi.z, p[i].z)};
        }
        auto mid = [](float a, float b) { return static_cast<float>((static_cast<double>(a) + b) / 2); };
        auto half = [](float a, float b) { return static_cast<float>((static_cast<double>(b) - a) / 2); };
        centre = {mid(lo.x, hi.x), mid(lo.y, hi.y), mid(lo.z, hi.z)};
        halfSize = {half(lo.x, hi.x), half(lo.y, hi.y), half(lo.z, hi.z)};
    } else if (type == host_type::kCube) {
        Vector size = object.Data().Get<Vector>(host_param::kCubeSize, Vector{200, 200, 200});
        halfSize = {std::fabs(size.x) / 2, std::fabs(size.y) / 2, std::fabs(size.z) / 2};
    } else if (type == host_type::kSphere) {
        float r = std::fabs(object.Data().Get<float>(host_param::kSphereRadius, 100.0f));
        halfSize = {r, r, r};
    }
}

}  // namespace

Vector HlObject::GetMp() const {
    Vector centre, halfSize;
    Bounds(*this, plugin_.get(), centre, halfSize);
    return centre;
}

Vector HlObject::GetRad() const {
    Vector centre, halfSize;
    Bounds(*this, plugin_.get(), centre, halfSize);
    return halfSize;
}

// ---------------------------------------------------------------------------------------------
// Corner normals

namespace {

struct Normal {
    double x = 0, y = 0, z = 0;
};

// Unit face normal by Newell's method over the corners a, b, c, d; zero when degenerate or
// when a corner names no point.
Normal FaceNormal(const CPolygon& polygon, const Vector* points, int32_t count) {
    const int32_t corners[4] = {polygon.a, polygon.b, polygon.c, polygon.d};
    for (int32_t index : corners) {
        if (index < 0 || index >= count) return {};
    }
    Normal n;
    for (int i = 0; i < 4; ++i) {
        const Vector& p = points[corners[i]];
        const Vector& q = points[corners[(i + 1) % 4]];
        n.x += (static_cast<double>(p.y) - q.y) * (static_cast<double>(p.z) + q.z);
        n.y += (static_cast<double>(p.z) - q.z) * (static_cast<double>(p.x) + q.x);
        n.z += (static_cast<double>(p.x) - q.x) * (static_cast<double>(p.y) + q.y);
    }
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 1e-12) || !std::isfinite(length)) return {};
    return {n.x / length, n.y / length, n.z / length};
}

}  // namespace

std::vector<Vector> HlObject::CreateCornerNormals() const {
    if (type_ != host_type::kPolygonObject || polygons_.empty()) return {};
    const HostTag* smoothing = GetTag(host_type::kSmoothingTag);
    if (!smoothing) return {};
    // The modeller's own normals, when the normal tag has four for every polygon.
    if (const auto* tag = static_cast<const HlTag*>(GetTag(host_type::kNormalTag))) {
        if (tag->Normals().size() == 4 * polygons_.size()) return tag->Normals();
    }
    const double degrees = smoothing->Data().Get<float>(host_param::kSmoothingAngle, 80.0f);
    const double limit = degrees * (3.14159265358979323846 / 180.0) + 1e-9;
    // acos(cosine) <= limit, without an acos per pair: acos falls from pi to 0 over [-1, 1].
    const double minCosine = limit >= 3.14159265358979323846 ? -2.0 : limit < 0 ? 2.0 : std::cos(limit);

    const int32_t pointCount = GetPointCount();
    const size_t polygonCount = polygons_.size();
    // The adjacency below counts corners in 32 bits.
    if (polygonCount > std::numeric_limits<uint32_t>::max() / 4) return {};
    std::vector<Normal> faces(polygonCount);
    for (size_t i = 0; i < polygonCount; ++i) faces[i] = FaceNormal(polygons_[i], points_.data(), pointCount);

    // The distinct valid points of each polygon (three for a triangle).
    auto corners = [&](const CPolygon& p, int32_t out[4]) {
        const int32_t all[4] = {p.a, p.b, p.c, p.d};
        int n = 0;
        for (int32_t index : all) {
            if (index < 0 || index >= pointCount) continue;
            if (std::find(out, out + n, index) == out + n) out[n++] = index;
        }
        return n;
    };
    // Point -> polygons adjacency (compressed rows), built once.
    std::vector<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    for (const CPolygon& p : polygons_) {
        int32_t c[4];
        int n = corners(p, c);
        for (int k = 0; k < n; ++k) ++start[static_cast<size_t>(c[k]) + 1];
    }
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<uint32_t> adjacent(start.back());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < polygonCount; ++i) {
        int32_t c[4];
        int n = corners(polygons_[i], c);
        for (int k = 0; k < n; ++k) adjacent[fill[static_cast<size_t>(c[k])]++] = static_cast<uint32_t>(i);
    }

    auto smooth = [&](size_t polygon, int32_t point) -> Vector {
        if (point < 0 || point >= pointCount) return {};
        const Normal& own = faces[polygon];
        const bool degenerate = own.x == 0 && own.y == 0 && own.z == 0;
        Normal sum;
        for (uint32_t k = start[static_cast<size_t>(point)]; k < start[static_cast<size_t>(point) + 1]; ++k) {
            const uint32_t other = adjacent[k];
            const Normal& n = faces[other];
            if (other != polygon) {
                if (degenerate || (n.x == 0 && n.y == 0 && n.z == 0)) continue;
                const double cosine = std::clamp(own.x * n.x + own.y * n.y + own.z * n.z, -1.0, 1.0);
                if (!(cosine >= minCosine)) continue;
            }
            sum.x += n.x;
            sum.y += n.y;
            sum.z += n.z;
        }
        const double length = std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z);
        if (!(length > 1e-12)) return {};
        return {static_cast<float>(sum.x / length), static_cast<float>(sum.y / length),
                static_cast<float>(sum.z / length)};
    };

    std::vector<Vector> normals;
    normals.reserve(polygonCount * 4);
    for (size_t i = 0; i < polygonCount; ++i) {
        const CPolygon& p = polygons_[i];
        Vector a = smooth(i, p.a), b = smooth(i, p.b), c = smooth(i, p.c);
        Vector d = p.IsTriangle() ? c : smooth(i, p.d);
        normals.insert(normals.end(), {a, b, c, d});
    }
    return normals;
}

// ---------------------------------------------------------------------------------------------
// The modelling command 230

bool MakeEditable(HlDocument& document, HlObject& object, HlObject** result) {
    if (result) *result = nullptr;
    if (document.Resolve(object.GetLink()) != &object) return false;
    if (!IsGenerator(object.type_)) {
        if (result) *result = &object;
        return true;
    }
    auto replacement = std::make_unique<HlObject>(host_type::kPolygonObject, document.Registry());
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    GenerateGeometry(object, points, polygons);
    replacement->SetGeometry(std::move(points), std::move(polygons));
    replacement->name_ = object.name_;
    replacement->ml_ = object.ml_;
    replacement->rot_ = object.rot_;
    replacement->scale_ = object.scale_;
    replacement->renderMode_ = object.renderMode_;
    replacement->color_ = object.color_;
    replacement->tracks_ = object.tracks_;
    // The same tags and children (they stay in the document and keep their ids).
    object.MoveContentsTo(*replacement);
    HlObject* parent = object.parent_;
    HlObject* pred = object.pred_;
    document.Unlink(&object);
    std::unique_ptr<HlObject> original(&object);
    HlObject* made = replacement.release();
    if (pred) made->LinkUnder(nullptr, pred, &document);
    else made->LinkUnder(parent, nullptr, &document);
    document.RecordReplacement(std::move(original), made);
    if (result) *result = made;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Replacement records

bool HlReplacementRecord::Init(HostDocument* document) {
    document_ = document;
    registered_.clear();
    return true;
}

void HlReplacementRecord::Add(HostObject* object) { registered_.push_back(object); }

HostObject* HlReplacementRecord::GetReplacement(HostDocument* document, int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= registered_.size()) return nullptr;
    auto* hl = dynamic_cast<HlDocument*>(document ? document : document_);
    return hl ? hl->ReplacementOf(registered_[static_cast<size_t>(index)]) : nullptr;
}

}  // namespace headless
