// Geometry of the headless host: matrices from position/rotation/scale, tracks and their
// evaluation, the cube generator, bounds, smoothed corner normals and "make editable".
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "headless/scene/nodes.h"

namespace headless {
namespace {

constexpr double kPi = 3.14159265358979323846;

void ExpectNear(Vector a, Vector b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

HlObject* Insert(HlDocument& document, int32_t type, const char* name, HostObject* parent = nullptr,
                 HostObject* pred = nullptr) {
    auto object = std::make_unique<HlObject>(type, nullptr);
    object->SetName(name);
    HlObject* raw = object.get();
    document.InsertObject(std::move(object), parent, pred);
    return raw;
}

Vector Newell(const Vector* points, const CPolygon& p) {
    const int32_t c[4] = {p.a, p.b, p.c, p.d};
    Vector n;
    for (int i = 0; i < 4; ++i) {
        Vector u = points[c[i]], v = points[c[(i + 1) % 4]];
        n = n + Vector{(u.y - v.y) * (u.z + v.z), (u.z - v.z) * (u.x + v.x), (u.x - v.x) * (u.y + v.y)};
    }
    return n;
}

// --- MatrixFromPRS --------------------------------------------------------------------------

TEST(HeadlessGeometry, MatrixFromPRSIsHeadingPitchBank) {
    EXPECT_EQ(MatrixFromPRS({}, {}, {1, 1, 1}), Matrix{});
    // Heading turns about y: z goes to x.  Pitch turns about x: y goes to z.  Bank turns
    // about z: x goes to y.
    Matrix h = MatrixFromPRS({}, {static_cast<float>(kPi / 2), 0, 0}, {1, 1, 1});
    ExpectNear(h.v3, {1, 0, 0});
    ExpectNear(h.v1, {0, 0, -1});
    Matrix p = MatrixFromPRS({}, {0, static_cast<float>(kPi / 2), 0}, {1, 1, 1});
    ExpectNear(p.v2, {0, 0, 1});
    ExpectNear(p.v3, {0, -1, 0});
    Matrix b = MatrixFromPRS({}, {0, 0, static_cast<float>(kPi / 2)}, {1, 1, 1});
    ExpectNear(b.v1, {0, 1, 0});
    ExpectNear(b.v2, {-1, 0, 0});

    // The order: bank first, then pitch, then heading; then the axes scaled; then the offset.
    const float H = 0.7f, P = -0.4f, B = 1.1f;
    Matrix composed = MatrixFromPRS({}, {H, 0, 0}, {1, 1, 1}) * MatrixFromPRS({}, {0, P, 0}, {1, 1, 1}) *
                      MatrixFromPRS({}, {0, 0, B}, {1, 1, 1});
    Matrix m = MatrixFromPRS({10, 20, 30}, {H, P, B}, {2, 3, 4});
    ExpectNear(m.v1, composed.v1 * 2);
    ExpectNear(m.v2, composed.v2 * 3);
    ExpectNear(m.v3, composed.v3 * 4);
    EXPECT_EQ(m.off, Vector(10, 20, 30));
}

// --- tracks ---------------------------------------------------------------------------------

TEST(HeadlessGeometry, EvaluateTrackHoldsAndInterpolates) {
    EXPECT_FALSE(EvaluateTrack({}, 3).has_value());
    std::vector<TrackKey> keys = {{10, {0, 0, 0}}, {20, {100, -10, 1}}, {40, {100, 30, 1}}};
    EXPECT_EQ(*EvaluateTrack(keys, -5), Vector(0, 0, 0));     // before the first key
    EXPECT_EQ(*EvaluateTrack(keys, 10), Vector(0, 0, 0));     // at it
    EXPECT_EQ(*EvaluateTrack(keys, 15), Vector(50, -5, 0.5f));
    EXPECT_EQ(*EvaluateTrack(keys, 20), Vector(100, -10, 1));
    EXPECT_EQ(*EvaluateTrack(keys, 30), Vector(100, 10, 1));
    EXPECT_EQ(*EvaluateTrack(keys, 40), Vector(100, 30, 1));
    EXPECT_EQ(*EvaluateTrack(keys, 1000), Vector(100, 30, 1));  // after the last
    // One key: everywhere its value.
    EXPECT_EQ(*EvaluateTrack({{5, {1, 2, 3}}}, -100), Vector(1, 2, 3));
    // Keys out of order are taken by frame.
    std::vector<TrackKey> shuffled = {keys[2], keys[0], keys[1]};
    EXPECT_EQ(*EvaluateTrack(shuffled, 15), Vector(50, -5, 0.5f));
    // Interpolation in double precision: a third of the way.
    std::vector<TrackKey> thirds = {{0, {0, 0, 0}}, {3, {1, 1, 1}}};
    EXPECT_EQ(EvaluateTrack(thirds, 1)->x, static_cast<float>(1.0 / 3.0));
}

TEST(HeadlessGeometry, ExecutePassesMovesAnimatedObjects) {
    HlDocument document(nullptr);
    HlObject* mover = Insert(document, host_type::kNull, "mover");
    HlObject* child = Insert(document, host_type::kNull, "child", mover);
    HlObject* still = Insert(document, host_type::kNull, "still", nullptr, mover);
    child->SetPRS({0, 10, 0}, {}, {1, 1, 1});
    still->SetPRS({5, 5, 5}, {}, {1, 1, 1});
    mover->SetPRS({0, 0, 7}, {0, 0.5f, 0}, {1, 1, 1});
    mover->GetTracks().position = {{0, {0, 0, 0}}, {60, {600, 0, 0}}};
    mover->GetTracks().scale = {{0, {1, 1, 1}}, {30, {2, 2, 2}}};

    document.SetFps(30);
    document.SetTime(1.0);  // frame 30
    document.ExecutePasses(nullptr, true, true, true);
    EXPECT_EQ(mover->GetRelPos(), Vector(300, 0, 0));
    EXPECT_EQ(mover->GetRelScale(), Vector(2, 2, 2));
    EXPECT_EQ(mover->GetRelRot(), Vector(0, 0.5f, 0));  // no rotation track: kept
    EXPECT_EQ(mover->GetMl(), MatrixFromPRS({300, 0, 0}, {0, 0.5f, 0}, {2, 2, 2}));
    ExpectNear(child->GetMg().off, mover->GetMl() * Vector(0, 10, 0), 1e-4f);
    EXPECT_EQ(still->GetMl(), MatrixFromPRS({5, 5, 5}, {}, {1, 1, 1}));

    document.SetTime(10.0);  // frame 300: after the last keys
    document.ExecutePasses(nullptr, true, true, true);
    EXPECT_EQ(mover->GetRelPos(), Vector(600, 0, 0));
    document.SetTime(-1.0);
    document.ExecutePasses(nullptr, true, true, true);
    EXPECT_EQ(mover->GetRelPos(), Vector(0, 0, 0));
    EXPECT_EQ(mover->GetRelScale(), Vector(1, 1, 1));
}

// --- the cube -------------------------------------------------------------------------------

struct CubeCase {
    Vector size;
    Vector segments;
    int sx, sy, sz;
};

void CheckCube(const CubeCase& c) {
    SCOPED_TRACE(::testing::Message() << "segments " << c.sx << " " << c.sy << " " << c.sz);
    HlObject cube(host_type::kCube, nullptr);
    cube.Data().Set(host_param::kCubeSize, c.size);
    cube.Data().Set(host_param::kCubeSegments, c.segments);
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    GenerateGeometry(cube, points, polygons);

    const int sx = c.sx, sy = c.sy, sz = c.sz;
    EXPECT_EQ(points.size(), static_cast<size_t>((sx + 1) * (sy + 1) * (sz + 1) - (sx - 1) * (sy - 1) * (sz - 1)));
    EXPECT_EQ(polygons.size(), static_cast<size_t>(2 * (sx * sy + sy * sz + sx * sz)));

    // No point twice; every point on the box's surface.
    std::set<std::tuple<float, float, float>> distinct;
    const Vector half = c.size * 0.5f;
    for (const Vector& p : points) {
        distinct.insert({p.x, p.y, p.z});
        EXPECT_LE(std::fabs(p.x), half.x + 1e-3f);
        EXPECT_LE(std::fabs(p.y), half.y + 1e-3f);
        EXPECT_LE(std::fabs(p.z), half.z + 1e-3f);
        bool onSurface = std::fabs(std::fabs(p.x) - half.x) < 1e-3f || std::fabs(std::fabs(p.y) - half.y) < 1e-3f ||
                         std::fabs(std::fabs(p.z) - half.z) < 1e-3f;
        EXPECT_TRUE(onSurface);
    }
    EXPECT_EQ(distinct.size(), points.size());

    // Every quad faces away from the centre; together they close the surface with consistent
    // winding: every directed edge once, and its reverse once.
    std::map<std::pair<int32_t, int32_t>, int> edges;
    Vector area;
    for (const CPolygon& q : polygons) {
        ASSERT_FALSE(q.IsTriangle());
        for (int32_t i : {q.a, q.b, q.c, q.d}) ASSERT_TRUE(i >= 0 && static_cast<size_t>(i) < points.size());
        Vector n = Newell(points.data(), q);
        Vector centre = (points[q.a] + points[q.b] + points[q.c] + points[q.d]) * 0.25f;
        EXPECT_GT(Dot(n, centre), 0.0f);
        area = area + n;
        const int32_t k[4] = {q.a, q.b, q.c, q.d};
        for (int i = 0; i < 4; ++i) ++edges[{k[i], k[(i + 1) % 4]}];
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        auto reverse = edges.find({edge.second, edge.first});
        ASSERT_NE(reverse, edges.end());
        EXPECT_EQ(reverse->second, 1);
    }
    ExpectNear(area, {0, 0, 0}, 1e-2f);  // a closed surface
}

TEST(HeadlessGeometry, CubeIsAClosedOutwardQuadMesh) {
    CheckCube({{200, 200, 200}, {1, 1, 1}, 1, 1, 1});
    CheckCube({{200, 100, 50}, {2, 3, 4}, 2, 3, 4});
    CheckCube({{10, 10, 10}, {1, 5, 1}, 1, 5, 1});
    CheckCube({{30, 40, 50}, {3, 3, 3}, 3, 3, 3});
    // Whole numbers, at least 1.
    CheckCube({{30, 40, 50}, {2.7f, 0, -3}, 2, 1, 1});
}

TEST(HeadlessGeometry, CubeDefaults) {
    HlObject cube(host_type::kCube, nullptr);
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    GenerateGeometry(cube, points, polygons);
    ASSERT_EQ(points.size(), 8u);
    ASSERT_EQ(polygons.size(), 6u);
    for (const Vector& p : points) {
        EXPECT_EQ(std::fabs(p.x), 100.0f);
        EXPECT_EQ(std::fabs(p.y), 100.0f);
        EXPECT_EQ(std::fabs(p.z), 100.0f);
    }
    EXPECT_TRUE(IsGenerator(host_type::kCube));
    for (int32_t type : {host_type::kPolygonObject, host_type::kNull, host_type::kSphere, host_type::kCamera,
                         host_type::kFloor, host_type::kInstance}) {
        EXPECT_FALSE(IsGenerator(type)) << type;
        HlObject other(type, nullptr);
        points = {{1, 1, 1}};
        polygons = {{}};
        GenerateGeometry(other, points, polygons);
        EXPECT_TRUE(points.empty());
        EXPECT_TRUE(polygons.empty());
    }
}

// --- bounds ---------------------------------------------------------------------------------

TEST(HeadlessGeometry, Bounds) {
    HlObject polygon(host_type::kPolygonObject, nullptr);
    EXPECT_EQ(polygon.GetMp(), Vector{});
    EXPECT_EQ(polygon.GetRad(), Vector{});
    polygon.SetGeometry({{-1, 2, 3}, {5, 4, 3}, {1, 0, -7}}, {});
    EXPECT_EQ(polygon.GetMp(), Vector(2, 2, -2));
    EXPECT_EQ(polygon.GetRad(), Vector(3, 2, 5));

    HlObject cube(host_type::kCube, nullptr);
    EXPECT_EQ(cube.GetMp(), Vector{});
    EXPECT_EQ(cube.GetRad(), Vector(100, 100, 100));
    cube.Data().Set(host_param::kCubeSize, Vector{10, 20, 30});
    EXPECT_EQ(cube.GetRad(), Vector(5, 10, 15));

    HlObject sphere(host_type::kSphere, nullptr);
    EXPECT_EQ(sphere.GetRad(), Vector(100, 100, 100));
    sphere.Data().Set(host_param::kSphereRadius, 25.0);
    EXPECT_EQ(sphere.GetRad(), Vector(25, 25, 25));
    EXPECT_EQ(sphere.GetMp(), Vector{});

    for (int32_t type : {host_type::kNull, host_type::kCamera, host_type::kFloor, host_type::kInstance}) {
        HlObject other(type, nullptr);
        EXPECT_EQ(other.GetMp(), Vector{});
        EXPECT_EQ(other.GetRad(), Vector{});
    }
}

// --- corner normals -------------------------------------------------------------------------

// A grid of n × n quads in the plane z = 0, facing +z.
void MakeGrid(HlObject& object, int n) {
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) points.push_back({static_cast<float>(i), static_cast<float>(j), 0});
    }
    auto at = [n](int i, int j) { return j * (n + 1) + i; };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) polygons.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
    }
    object.SetGeometry(std::move(points), std::move(polygons));
}

// A polygon object holding a cube's geometry, with a smoothing tag of the angle.
std::unique_ptr<HlObject> SmoothedCube(float angle, Vector segments) {
    HlObject cube(host_type::kCube, nullptr);
    cube.Data().Set(host_param::kCubeSegments, segments);
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    GenerateGeometry(cube, points, polygons);
    auto object = std::make_unique<HlObject>(host_type::kPolygonObject, nullptr);
    object->SetGeometry(std::move(points), std::move(polygons));
    object->MakeTag(host_type::kSmoothingTag)->Data().Set(host_param::kSmoothingAngle, angle);
    return object;
}

TEST(HeadlessGeometry, CornerNormalsNeedASmoothingTagAndPolygons) {
    HlObject object(host_type::kPolygonObject, nullptr);
    MakeGrid(object, 2);
    EXPECT_TRUE(object.CreateCornerNormals().empty());
    object.MakeTag(host_type::kSmoothingTag);
    EXPECT_EQ(object.CreateCornerNormals().size(), 16u);
    HlObject empty(host_type::kPolygonObject, nullptr);
    empty.MakeTag(host_type::kSmoothingTag);
    EXPECT_TRUE(empty.CreateCornerNormals().empty());
    empty.SetGeometry({{0, 0, 0}}, {});
    EXPECT_TRUE(empty.CreateCornerNormals().empty());
    // Other objects have no corner normals.
    HlObject null(host_type::kNull, nullptr);
    MakeGrid(null, 1);
    null.MakeTag(host_type::kSmoothingTag);
    EXPECT_TRUE(null.CreateCornerNormals().empty());
}

TEST(HeadlessGeometry, CornerNormalsOfAFittingNormalTag) {
    HlObject object(host_type::kPolygonObject, nullptr);
    MakeGrid(object, 1);  // flat: the computed normals are (0, 0, 1)
    std::vector<Vector>& own = static_cast<HlTag*>(object.MakeTag(host_type::kNormalTag))->Normals();
    own = {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 1, 1}};
    EXPECT_TRUE(object.CreateCornerNormals().empty());  // a smoothing tag is still needed
    object.MakeTag(host_type::kSmoothingTag);
    EXPECT_EQ(object.Clone(false)->CreateCornerNormals(), own);
    own.resize(5);  // normals that do not fit the polygons are passed over
    EXPECT_EQ(object.CreateCornerNormals(), std::vector<Vector>(4, Vector(0, 0, 1)));
}

TEST(HeadlessGeometry, CornerNormalsOfAFlatPlane) {
    HlObject plane(host_type::kPolygonObject, nullptr);
    MakeGrid(plane, 3);
    plane.MakeTag(host_type::kSmoothingTag);
    std::vector<Vector> normals = plane.CreateCornerNormals();
    ASSERT_EQ(normals.size(), 36u);
    for (const Vector& n : normals) EXPECT_EQ(n, Vector(0, 0, 1));
}

TEST(HeadlessGeometry, CornerNormalsOfACubeHardAndSmooth) {
    // 80°: the cube's 90° edges stay hard, every corner has its face's normal.
    auto hard = SmoothedCube(80, {1, 1, 1});
    std::vector<Vector> normals = hard->CreateCornerNormals();
    ASSERT_EQ(normals.size(), 24u);
    for (int32_t i = 0; i < hard->GetPolygonCount(); ++i) {
        Vector face = Newell(hard->GetPoints(), hard->GetPolygons()[i]);
        face = face * (1.0f / Length(face));
        for (int k = 0; k < 4; ++k) ExpectNear(normals[4 * i + k], face);
    }
    // The default angle is 80° too.
    auto byDefault = SmoothedCube(80, {1, 1, 1});
    byDefault->GetTag(host_type::kSmoothingTag)->Data().Clear();
    EXPECT_EQ(byDefault->CreateCornerNormals(), normals);

    // 100°: smooth; at a cube corner the three faces meet, the normal points along the
    // diagonal, away from the centre.
    auto smooth = SmoothedCube(100, {1, 1, 1});
    normals = smooth->CreateCornerNormals();
    ASSERT_EQ(normals.size(), 24u);
    const float third = static_cast<float>(1 / std::sqrt(3.0));
    for (int32_t i = 0; i < smooth->GetPolygonCount(); ++i) {
        const CPolygon& q = smooth->GetPolygons()[i];
        const int32_t corners[4] = {q.a, q.b, q.c, q.d};
        for (int k = 0; k < 4; ++k) {
            Vector p = smooth->GetPoints()[corners[k]];
            ExpectNear(normals[4 * i + k], {std::copysign(third, p.x), std::copysign(third, p.y),
                                            std::copysign(third, p.z)});
        }
    }

    // With segments, points inside a face keep the face normal; points on an edge average two.
    auto segmented = SmoothedCube(100, {2, 2, 2});
    normals = segmented->CreateCornerNormals();
    const float half = static_cast<float>(1 / std::sqrt(2.0));
    for (int32_t i = 0; i < segmented->GetPolygonCount(); ++i) {
        const CPolygon& q = segmented->GetPolygons()[i];
        const int32_t corners[4] = {q.a, q.b, q.c, q.d};
        for (int k = 0; k < 4; ++k) {
            Vector p = segmented->GetPoints()[corners[k]];
            int onSides = (p.x != 0) + (p.y != 0) + (p.z != 0);
            Vector expected{p.x == 0 ? 0 : std::copysign(1.0f, p.x), p.y == 0 ? 0 : std::copysign(1.0f, p.y),
                            p.z == 0 ? 0 : std::copysign(1.0f, p.z)};
            expected = expected * (onSides == 3 ? third : onSides == 2 ? half : 1.0f);
            ExpectNear(normals[4 * i + k], expected);
        }
    }
}

TEST(HeadlessGeometry, CornerNormalsOfTrianglesAndDegenerateFaces) {
    HlObject object(host_type::kPolygonObject, nullptr);
    // A triangle in the x-y plane, a quad folded up by 45° along the shared edge (0,0)-(1,0),
    // and a degenerate triangle.
    object.SetGeometry({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, -1, -1}, {0, -1, -1}, {5, 5, 5}},
                       {{0, 1, 2, 2}, {1, 0, 4, 3}, {5, 5, 5, 5}});
    object.MakeTag(host_type::kSmoothingTag)->Data().Set(host_param::kSmoothingAngle, 30.0);
    std::vector<Vector> normals = object.CreateCornerNormals();
    ASSERT_EQ(normals.size(), 12u);
    // 30°: the 45° fold is hard.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(normals[k], Vector(0, 0, 1)) << k;
    const float r = static_cast<float>(1 / std::sqrt(2.0));
    for (int k = 4; k < 8; ++k) ExpectNear(normals[k], {0, -r, r});
    EXPECT_EQ(normals[3], normals[2]);  // corner d of a triangle is corner c's
    for (int k = 8; k < 12; ++k) EXPECT_EQ(normals[k], Vector(0, 0, 0));

    // 50°: the fold is smooth along the shared edge, the other corners keep their faces'.
    object.GetTag(host_type::kSmoothingTag)->Data().Set(host_param::kSmoothingAngle, 50.0);
    normals = object.CreateCornerNormals();
    const Vector shared = Vector(0, -r, 1 + r) * (1.0f / Length(Vector(0, -r, 1 + r)));
    ExpectNear(normals[0], shared);  // point 0
    ExpectNear(normals[1], shared);  // point 1
    EXPECT_EQ(normals[2], Vector(0, 0, 1));
    EXPECT_EQ(normals[3], normals[2]);
    ExpectNear(normals[4], shared);
    ExpectNear(normals[5], shared);
    ExpectNear(normals[6], {0, -r, r});
    ExpectNear(normals[7], {0, -r, r});
}

TEST(HeadlessGeometry, CornerNormalsAreLinearInTheMeshSize) {
    HlObject small(host_type::kPolygonObject, nullptr);
    HlObject large(host_type::kPolygonObject, nullptr);
    MakeGrid(small, 100);   // 10 000 quads
    MakeGrid(large, 400);   // 160 000 quads
    small.MakeTag(host_type::kSmoothingTag);
    large.MakeTag(host_type::kSmoothingTag);
    auto time = [](const HlObject& o) {
        auto start = std::chrono::steady_clock::now();
        size_t count = o.CreateCornerNormals().size();
        EXPECT_EQ(count, static_cast<size_t>(o.GetPolygonCount()) * 4);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double t1 = time(small), t2 = time(large);
    for (int i = 0; i < 2; ++i) {
        t1 = std::min(t1, time(small));
        t2 = std::min(t2, time(large));
    }
    // 16 times the mesh; quadratic growth would be 256 times.  Generous for noisy machines.
    EXPECT_LT(t2, 64 * t1 + 0.05);
}

// --- make editable --------------------------------------------------------------------------

TEST(HeadlessGeometry, MakeEditableLeavesNonGeneratorsAlone) {
    HlDocument document(nullptr);
    for (int32_t type : {host_type::kNull, host_type::kFloor, host_type::kPolygonObject, host_type::kCamera,
                         host_type::kSphere, host_type::kInstance, 1022273}) {
        HlObject* object = Insert(document, type, "o");
        HlObject* result = nullptr;
        EXPECT_TRUE(MakeEditable(document, *object, &result));
        EXPECT_EQ(result, object);
        EXPECT_EQ(document.Resolve(object->GetLink()), object);
    }
    // Not in the document.
    HlObject loose(host_type::kCube, nullptr);
    HlObject* result = &loose;
    EXPECT_FALSE(MakeEditable(document, loose, &result));
    EXPECT_EQ(result, nullptr);
    HlDocument other(nullptr);
    HlObject* elsewhere = Insert(other, host_type::kCube, "c");
    EXPECT_FALSE(MakeEditable(document, *elsewhere, &result));
}

TEST(HeadlessGeometry, MakeEditableReplacesACube) {
    HlDocument document(nullptr);
    HlObject* parent = Insert(document, host_type::kNull, "parent");
    HlObject* before = Insert(document, host_type::kNull, "before", parent);
    HlObject* cube = Insert(document, host_type::kCube, "cube", parent, before);
    HlObject* after = Insert(document, host_type::kNull, "after", parent, cube);
    HlObject* child = Insert(document, host_type::kSphere, "child", cube);
    HlObject* grandchild = Insert(document, host_type::kNull, "grandchild", child);
    cube->Data().Set(host_param::kCubeSize, Vector{10, 20, 30});
    cube->Data().Set(host_param::kCubeSegments, Vector{2, 1, 1});
    cube->SetPRS({1, 2, 3}, {0.5f, 0, 0}, {2, 2, 2});
    cube->SetRenderMode(render_mode::kOff);
    cube->SetDisplayColor({2, {1, 0, 0}, true});
    cube->GetTracks().position = {{0, {1, 2, 3}}, {10, {4, 5, 6}}};
    HostTag* texture = cube->MakeTag(host_type::kTextureTag);
    HostTag* smoothing = cube->MakeTag(host_type::kSmoothingTag);
    const HostLink cubeLink = cube->GetLink();

    HlReplacementRecord record;
    ASSERT_TRUE(record.Init(&document));
    record.Add(cube);
    record.Add(after);

    document.StartUndo();
    HlObject* result = nullptr;
    ASSERT_TRUE(MakeEditable(document, *cube, &result));
    document.EndUndo();
    ASSERT_NE(result, nullptr);
    ASSERT_NE(result, cube);
    EXPECT_EQ(result->GetType(), host_type::kPolygonObject);
    EXPECT_EQ(result->GetName(), HostString("cube"));
    EXPECT_EQ(result->GetMl(), cube->GetMl());
    EXPECT_EQ(result->GetRelRot(), Vector(0.5f, 0, 0));
    EXPECT_EQ(result->GetRelScale(), Vector(2, 2, 2));
    EXPECT_EQ(result->GetRenderMode(), render_mode::kOff);
    EXPECT_EQ(result->GetDisplayColor(), cube->GetDisplayColor());
    EXPECT_EQ(result->GetTracks(), cube->GetTracks());
    EXPECT_EQ(result->GetPointCount(), 12);
    EXPECT_EQ(result->GetPolygonCount(), 10);
    EXPECT_EQ(result->GetRad(), Vector(5, 10, 15));
    // Same place, same tags, same children.
    EXPECT_EQ(result->GetUp(), parent);
    EXPECT_EQ(result->GetPred(), before);
    EXPECT_EQ(result->GetNext(), after);
    EXPECT_EQ(before->GetNext(), result);
    EXPECT_EQ(after->GetPred(), result);
    EXPECT_EQ(result->GetFirstTag(), texture);
    EXPECT_EQ(texture->GetNext(), smoothing);
    EXPECT_EQ(texture->GetObject(), result);
    EXPECT_EQ(document.Resolve(texture->GetLink()), texture);
    EXPECT_EQ(result->GetDown(), child);
    EXPECT_EQ(child->GetUp(), result);
    EXPECT_EQ(child->GetDown(), grandchild);
    EXPECT_EQ(document.Resolve(grandchild->GetLink()), grandchild);
    EXPECT_EQ(child->GetMg(), result->GetMg() * child->GetMl());
    // The original is out of the document, kept by the undo group.
    EXPECT_EQ(document.Resolve(cubeLink), nullptr);
    EXPECT_EQ(cube->GetDocument(), nullptr);
    EXPECT_EQ(cube->GetDown(), nullptr);
    EXPECT_TRUE(cube->Tags().empty());
    EXPECT_EQ(document.ReplacementOf(cube), result);
    EXPECT_EQ(document.ReplacementOf(after), after);
    EXPECT_EQ(record.GetReplacement(&document, 0), result);
    EXPECT_EQ(record.GetReplacement(nullptr, 0), result);  // the document of Init
    EXPECT_EQ(record.GetReplacement(&document, 1), after);
    EXPECT_EQ(record.GetReplacement(&document, 2), nullptr);
    EXPECT_EQ(record.GetReplacement(&document, -1), nullptr);
    EXPECT_EQ(document.SearchObject("cube"), result);

    // The polygon object is no generator: converting it again gives itself.
    HlObject* again = nullptr;
    EXPECT_TRUE(MakeEditable(document, *result, &again));
    EXPECT_EQ(again, result);
}

TEST(HeadlessGeometry, MakeEditableOutsideAnUndoGroupFreesTheOriginal) {
    HlDocument document(nullptr);
    HlObject* first = Insert(document, host_type::kCube, "first");
    HlObject* cube = Insert(document, host_type::kCube, "cube", nullptr, first);
    HostTag* tag = cube->MakeTag(host_type::kSmoothingTag);
    HlReplacementRecord record;
    record.Init(&document);
    record.Add(cube);
    HlObject* result = nullptr;
    ASSERT_TRUE(MakeEditable(document, *cube, &result));  // the cube is freed here
    EXPECT_EQ(document.UndoDepth(), 0);
    EXPECT_EQ(record.GetReplacement(&document, 0), result);
    EXPECT_EQ(first->GetNext(), result);
    EXPECT_EQ(result->GetFirstTag(), tag);
    EXPECT_FALSE(document.DoUndo());
    // The replacement itself, once removed, is no answer any more.
    auto removed = result->Remove();
    EXPECT_EQ(record.GetReplacement(&document, 0), nullptr);
}

TEST(HeadlessGeometry, MakeEditableOfATopLevelFirstObject) {
    HlDocument document(nullptr);
    HlObject* cube = Insert(document, host_type::kCube, "cube");
    HlObject* next = Insert(document, host_type::kNull, "next", nullptr, cube);
    HlObject* result = nullptr;
    document.StartUndo();
    ASSERT_TRUE(MakeEditable(document, *cube, &result));
    document.EndUndo();
    EXPECT_EQ(document.GetFirstObject(), result);
    EXPECT_EQ(result->GetNext(), next);
    EXPECT_EQ(result->GetUp(), nullptr);
    EXPECT_TRUE(document.DoUndo());
    EXPECT_EQ(document.GetFirstObject(), cube);
    EXPECT_EQ(cube->GetNext(), next);
    EXPECT_EQ(next->GetPred(), cube);
    EXPECT_EQ(document.ReplacementOf(cube), cube);
}

}  // namespace
}  // namespace headless
