// Scenes of other programs as host documents: placements and geometry in world space as the
// file has them (axes, unit, handedness), faces keeping their fronts, materials per polygon.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include "headless/files/files.h"
#include "import/import_scene.h"
#include "import/polygon_split.h"
#include "tests/support/command_support.h"

namespace {

namespace fs = std::filesystem;

struct Imported {
    std::unique_ptr<headless::HlDocument> document;
    std::string error;
    std::vector<std::string> warnings;
};

class SceneImportTest : public testing::Test {
protected:
    void SetUp() override { root_ = testing_support::TestFolder("vexlor-import-"); }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Write(const std::string& name, const std::string& text) {
        const fs::path path = root_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    Imported Import(const fs::path& path, scene_import::ImportOptions options = {}) {
        Imported result;
        scene_import::ImportMessages messages;
        messages.warning = [&](const std::string& line) { result.warnings.push_back(line); };
        result.document = scene_import::ImportScene(path.string(), options, files_, nullptr, messages, result.error);
        return result;
    }
    static HostObject* Find(const headless::HlDocument& document, const char* name) {
        return document.SearchObject(HostString(name));
    }

    headless::FileSystem files_;
    fs::path root_;
};

void ExpectNear(Vector a, Vector b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

Vector Unit(Vector v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return v * (1.0f / length);
}

// The corners of a host polygon in world space (three for a triangle).
std::vector<Vector> WorldCorners(const HostObject& object, int32_t polygon) {
    const CPolygon& p = object.GetPolygons()[polygon];
    const Matrix mg = object.GetMg();
    std::vector<Vector> corners;
    for (int32_t i : {p.a, p.b, p.c, p.d}) corners.push_back(mg * object.GetPoints()[i]);
    if (p.IsTriangle()) corners.pop_back();
    return corners;
}

// An OBJ with one object of two materials: a quad, a concave pentagon ("an arrow") and a
// triangle, counter-clockwise seen from +z (OBJ's front).
constexpr const char* kObj = R"(mtllib two.mtl
o Plate
v 0 0 0
v 2 0 0
v 2 1 0
v 0 1 0
v 3 0 1
v 5 0 1
v 5 2 1
v 4 1 1
v 3 2 1
usemtl Red
f 1 2 3 4
usemtl Blue
f 5 6 7 8 9
usemtl Red
f 1 3 4
)";
constexpr const char* kMtl = "newmtl Red\nKd 1 0 0\nnewmtl Blue\nKd 0 0 1\n";

TEST_F(SceneImportTest, ObjKeepsQuadsSplitsLongerPolygonsAndKeepsEveryFront) {
    Write("two.mtl", kMtl);
    Imported scene = Import(Write("two.obj", kObj));
    ASSERT_TRUE(scene.document) << scene.error;
    const HostObject* plate = Find(*scene.document, "Plate");
    ASSERT_TRUE(plate);
    ASSERT_EQ(plate->GetPointCount(), 9);
    // The quad, the pentagon as three triangles, the triangle.
    ASSERT_EQ(plate->GetPolygonCount(), 5);
    EXPECT_FALSE(plate->GetPolygons()[0].IsTriangle());
    double area = 0;
    for (int32_t i = 0; i < plate->GetPolygonCount(); ++i) {
        const std::vector<Vector> corners = WorldCorners(*plate, i);
        const Vector normal = scene_import::NewellNormal(corners);
        // Every face of the file faces +z; in the host (z turned round) that is -z, and the
        // host's own face normal says so.
        ExpectNear(Unit(normal), {0, 0, -1});
        if (i >= 1 && i <= 3) area += std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z) / 2;
        for (const Vector& c : corners) EXPECT_TRUE(c.z == 0 || c.z == -1) << c.z;  // file z mirrored
    }
    EXPECT_NEAR(area, 3.0, 1e-5);  // the arrow's 4 minus its notch's 1: no triangle outside it

    // Two materials: a selection and a restricted texture tag each, in the order of first use.
    const HostTag* red = plate->GetTag(host_type::kPolygonSelectionTag, 0);
    const HostTag* blue = plate->GetTag(host_type::kPolygonSelectionTag, 1);
    ASSERT_TRUE(red && blue);
    EXPECT_EQ(red->GetName().Str(), "Red");
    EXPECT_EQ(blue->GetName().Str(), "Blue");
    HostSelection& redPolygons = *const_cast<HostTag*>(red)->GetSelection();
    EXPECT_TRUE(redPolygons.IsSelected(0) && redPolygons.IsSelected(4) && !redPolygons.IsSelected(1));
    const HostTag* texture = plate->GetTag(host_type::kTextureTag, 1);
    ASSERT_TRUE(texture && texture->GetMaterial());
    EXPECT_EQ(texture->GetMaterial()->GetName().Str(), "Blue");
    EXPECT_EQ(texture->Data().Get<HostString>(host_param::kTextureRestriction).Str(), "Blue");
}

TEST_F(SceneImportTest, UnitOptionScalesFilesWithoutAUnit) {
    Imported scene = Import(Write("one.obj", "v 0 0 0\nv 100 0 0\nv 0 100 -50\nf 1 2 3\n"), {.unitMetres = 0.01});
    ASSERT_TRUE(scene.document) << scene.error;
    const HostObject* object = scene.document->GetFirstObject();
    while (object && object->GetPointCount() == 0) object = object->GetDown() ? object->GetDown() : object->GetNext();
    ASSERT_TRUE(object);
    ExpectNear(object->GetMg() * object->GetPoints()[2], {0, 1, 0.5f});
}

// A COLLADA file with z up and centimetres; the node turned 90 degrees about the file's z and
// moved, with a child moved again.
constexpr const char* kCollada = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><unit name="centimeter" meter="0.01"/><up_axis>Z_UP</up_axis></asset>
  <library_geometries>
    <geometry id="tri" name="tri"><mesh>
      <source id="p"><float_array id="pa" count="9">0 0 0 100 0 0 0 100 0</float_array>
        <technique_common><accessor source="#pa" count="3" stride="3">
          <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
        </accessor></technique_common></source>
      <vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
      <triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>
    </mesh></geometry>
  </library_geometries>
  <library_visual_scenes><visual_scene id="scene" name="scene">
    <node id="Base" name="Base"><translate>10 20 30</translate><rotate>0 0 1 90</rotate>
      <node id="Tip" name="Tip"><translate>0 0 50</translate><instance_geometry url="#tri"/></node>
    </node>
  </visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";

TEST_F(SceneImportTest, ColladaUpAxisAndUnitBecomeTheHostsWithoutScaledObjects) {
    Imported scene = Import(Write("zup.dae", kCollada));
    ASSERT_TRUE(scene.document) << scene.error;
    const HostObject* base = Find(*scene.document, "Base");
    const HostObject* tip = Find(*scene.document, "Tip");
    ASSERT_TRUE(base && tip);
    EXPECT_EQ(base->GetUp(), nullptr);  // the reader's root is folded into the conversion
    EXPECT_EQ(tip->GetUp(), base);
    // File (x, y, z), z up, in centimetres → host (x, z, y) in metres.
    auto host = [](float x, float y, float z) { return Vector{x / 100, z / 100, y / 100}; };
    // Base turns the file's x into its y: the triangle's corners, then the child's offset.
    const Vector expected[3] = {host(10, 20, 80), host(10, 120, 80), host(-90, 20, 80)};
    for (int k = 0; k < 3; ++k) ExpectNear(tip->GetMg() * tip->GetPoints()[k], expected[k]);
    // No object carries the unit as a scale.
    ExpectNear(base->GetRelScale(), {1, 1, 1});
    // The file's triangle faces +z (up): in the host it faces up too.
    ExpectNear(Unit(scene_import::NewellNormal(WorldCorners(*tip, 0))), {0, 1, 0});
}

TEST_F(SceneImportTest, FbxUnitIsCentimetresTimesItsScaleFactor) {
    // The reader's own FBX writer makes the file: y up, a unit scale factor of 1 (centimetres).
    Assimp::Importer reader;
    const std::string obj = "o Tri\nv 0 0 0\nv 100 0 0\nv 0 100 -50\nf 1 2 3\n";
    const aiScene* source = reader.ReadFileFromMemory(obj.data(), obj.size(), 0, "obj");
    ASSERT_TRUE(source);
    ASSERT_EQ(Assimp::Exporter().Export(source, "fbxa", (root_ / "tri.fbx").string()), AI_SUCCESS);
    Imported scene = Import(root_ / "tri.fbx", {.unitMetres = 7});  // the file's unit wins
    ASSERT_TRUE(scene.document) << scene.error;
    const HostObject* object = Find(*scene.document, "Tri");
    ASSERT_TRUE(object && object->GetPointCount() == 3);
    ExpectNear(object->GetMg() * object->GetPoints()[2], {0, 1, 0.5f});
}

TEST_F(SceneImportTest, FileNormalsAndUvsFollowTheCorners) {
    // A PLY triangle with bent normals and UVs, to tell corners apart.
    const char* ply = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                      "property float z\nproperty float nx\nproperty float ny\nproperty float nz\n"
                      "property float s\nproperty float t\nelement face 1\nproperty list uchar int vertex_indices\n"
                      "end_header\n0 0 0 0 0 1 0 0\n1 0 0 0.6 0 0.8 1 0\n0 1 0 0 0.6 0.8 0 1\n3 0 1 2\n";
    Imported scene = Import(Write("bent.ply", ply));
    ASSERT_TRUE(scene.document) << scene.error;
    const HostObject* object = scene.document->GetFirstObject();
    while (object && object->GetPolygonCount() == 0) object = object->GetDown();
    ASSERT_TRUE(object && object->GetPolygonCount() == 1);
    const std::vector<Vector> normals = object->CreateCornerNormals();
    ASSERT_EQ(normals.size(), 4u);
    const Vector* points = object->GetPoints();
    const CPolygon& p = object->GetPolygons()[0];
    const int32_t corner[4] = {p.a, p.b, p.c, p.d};
    auto* uvw = static_cast<headless::HlTag*>(object->GetTag(host_type::kUvTag));
    ASSERT_TRUE(uvw);
    const UvwCorners uv = uvw->GetUvw(0);
    const Vector uvs[4] = {uv.a, uv.b, uv.c, uv.d};
    for (int k = 0; k < 4; ++k) {
        const Vector at = points[corner[k]];
        // Each corner's normal and UV are the ones the file gives its point (z turned round, v
        // counted from the top).
        if (at == Vector{1, 0, 0}) {
            ExpectNear(normals[k], {0.6f, 0, -0.8f});
            ExpectNear(uvs[k], {1, 1, 0});
        } else if (at == Vector{0, 1, 0}) {
            ExpectNear(normals[k], {0, 0.6f, -0.8f});
            ExpectNear(uvs[k], {0, 0, 0});
        } else {
            ExpectNear(normals[k], {0, 0, -1});
            ExpectNear(uvs[k], {0, 1, 0});
        }
    }
}

TEST(PolygonSplit, TrianglesCoverThePolygonAndTurnItsWay) {
    const std::vector<std::vector<Vector>> polygons = {
        {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 1, 0}, {0, 2, 0}},             // concave, in z = 0
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 2}, {0, 2, 1}, {0, 2, 0}, {0, 1, -1}},  // in x = 0, turning -x
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {0, 1, 0}},             // a straight corner
    };
    for (const auto& polygon : polygons) {
        const Vector whole = scene_import::NewellNormal(polygon);
        const auto triangles = scene_import::SplitPolygon(polygon);
        ASSERT_EQ(triangles.size(), polygon.size() - 2);
        Vector sum;
        for (const auto& t : triangles) {
            const Vector n = scene_import::NewellNormal({polygon[t[0]], polygon[t[1]], polygon[t[2]]});
            EXPECT_GE(n.x * whole.x + n.y * whole.y + n.z * whole.z, 0);  // no triangle turned over
            sum = sum + n;
        }
        ExpectNear(sum, whole);  // the triangles' areas add up to the polygon's
    }
}

}  // namespace
