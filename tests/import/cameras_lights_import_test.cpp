#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "tests/import/scene_parts_support.h"

namespace scene_import {
namespace {

Vector Unit(Vector v) { return v * (1.0f / Length(v)); }

// The host direction of a direction of a node's space, the node placed by `m`.
Vector World(const ScenePartsImport& import, const aiMatrix4x4& m, aiVector3D d) {
    return Unit(import.Context().axes.Direction(aiMatrix3x3(m) * d));
}

// 35 mm on the 36 mm film: COLLADA gives the horizontal angle, glTF the vertical one (with the
// file's aspect, or without one the document's 640 x 480).
TEST(ImportCameras, ThirtyFiveMillimetresStayThirtyFive) {
    const std::string collada = R"(<?xml version="1.0"?><COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema"
      version="1.4.1"><asset><up_axis>Y_UP</up_axis></asset><library_cameras><camera id="c" name="c"><optics>
      <technique_common><perspective><xfov>)" + std::to_string(2 * std::atan(18.0 / 35) * 180 / std::numbers::pi) +
                                R"(</xfov><znear>0.1</znear></perspective></technique_common></optics></camera>
      </library_cameras><library_visual_scenes><visual_scene id="s"><node id="Cam" name="Cam">
      <translate>1 2 3</translate><instance_camera url="#c"/></node></visual_scene></library_visual_scenes>
      <scene><instance_visual_scene url="#s"/></scene></COLLADA>)";
    const auto gltf = [](const std::string& aspect, double value) {
        return R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"name":"Cam","camera":0,
          "translation":[1,2,3]}],"cameras":[{"type":"perspective","perspective":{"znear":0.1,"yfov":)" +
               std::to_string(2 * std::atan(18.0 / 35 / value)) + aspect + "}}]}";
    };
    const std::pair<std::string, const char*> cases[] = {
        {collada, "dae"}, {gltf(R"(,"aspectRatio":1.5)", 1.5), "gltf"}, {gltf("", 640.0 / 480), "gltf"}};
    for (const auto& [text, extension] : cases) {
        ScenePartsImport import(text, extension);
        ASSERT_TRUE(import.Ok()) << text;
        headless::HlObject& camera = import.Object("Cam");
        ImportCamera(import.Context(), *import.Scene().mCameras[0], camera);
        EXPECT_NEAR(camera.Data().Get<float>(host_param::kCameraFocalLength), 35, 1e-4) << text;
        EXPECT_EQ(camera.Data().Get<float>(host_param::kCameraApertureWidth), 36.0f);
        // Where its node puts it (once), looking along the file's -z.
        ExpectNear(camera.GetMg().off, import.Context().axes.Point({1, 2, 3}));
        ExpectNear(camera.GetMg().v3, import.Context().axes.Direction({0, 0, -1}));
    }
}

TEST(ImportCameras, SceneCameraHoldsTheAspect) {
    ScenePartsImport import(R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"name":"Cam","camera":0}],
        "cameras":[{"type":"perspective","perspective":{"znear":0.1,"yfov":0.5,"aspectRatio":1.5}}]})",
                            "gltf");
    ChooseSceneCamera(import.Context());
    EXPECT_EQ(import.Document().SceneCamera(), &import.Object("Cam"));
    const ParamContainer& render = import.Document().GetActiveRenderData();
    EXPECT_EQ(std::pair(render.Get<int32_t>(5008), render.Get<int32_t>(5009)), std::pair(1280, 853));
    const ParamContainer& tag = import.Object("Cam").GetTag(ModuleType("CameraTag"))->Data();
    EXPECT_EQ(std::pair(tag.Get<float>(1957), tag.Get<bool>(1958, true)), std::pair(1.5f, false));
    EXPECT_EQ(std::pair(tag.Get<int32_t>(1955), tag.Get<int32_t>(1956)), std::pair(1280, 853));
}

// The face normal of a polygon in the world, as the host takes it.
Vector FaceNormal(const headless::HlObject& mesh, const CPolygon& p) {
    const Matrix mg = mesh.GetMg();
    const Vector a = mg * mesh.GetPoints()[p.a], b = mg * mesh.GetPoints()[p.b], c = mg * mesh.GetPoints()[p.c];
    return Unit(Cross(b - a, c - a));
}

TEST(ImportLights, SunsAndEmittingMeshes) {
    ScenePartsImport import(R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0,1,2,3]}],"nodes":[
      {"name":"Lamp","translation":[1,2,3],"extensions":{"KHR_lights_punctual":{"light":0}}},
      {"name":"Sun","rotation":[0.3826834,0,0,0.9238795],"extensions":{"KHR_lights_punctual":{"light":1}}},
      {"name":"Fill","extensions":{"KHR_lights_punctual":{"light":3}}},
      {"name":"Spot","rotation":[0,0.5,0,0.8660254],"extensions":{"KHR_lights_punctual":{"light":2}}}],
      "extensionsUsed":["KHR_lights_punctual"],"extensions":{"KHR_lights_punctual":{"lights":[
      {"type":"point","color":[1,0.5,0.25],"intensity":100},{"type":"directional","intensity":3},
      {"type":"spot","intensity":50,"spot":{"outerConeAngle":0.5}},{"type":"directional"}]}}})",
                            "gltf");
    const aiScene& scene = import.Scene();
    for (const aiLight* light : std::vector(scene.mLights, scene.mLights + scene.mNumLights)) {
        ImportLight(import.Context(), *light, import.Object(light->mName.C_Str()));
    }
    const auto node = [&](const char* name) { return scene.mRootNode->FindNode(name)->mTransformation; };

    // The first sun: the render settings' sky, its object's position pointing to the sun.
    const HostObject* settings = import.Document().GetFirstObject();
    ASSERT_EQ(settings->GetType(), ModuleType("MyRenderSettings"));
    EXPECT_EQ(std::pair(settings->Data().Get<int32_t>(1368), settings->Data().Get<float>(1340)), std::pair(1364, 1.0f));
    const auto* sun = static_cast<const HostObject*>(settings->Data().GetLink(1301, &import.Document()));
    ASSERT_NE(sun, nullptr);
    EXPECT_EQ(sun->GetUp(), nullptr);
    ExpectNear(sun->GetRelPos(), -World(import, node("Sun"), {0, 0, -1}));

    // The point light: an octahedron 10 cm across, its faces outwards, giving the file's 100 cd
    // on average (radiance × √3 r²).
    const auto& lamp = *static_cast<const headless::HlObject*>(import.Object("Lamp").GetDown());
    ASSERT_EQ(lamp.GetPolygonCount(), 8);
    const Vector centre = lamp.GetMg().off;
    ExpectNear(centre, import.Context().axes.Point({1, 2, 3}));
    for (const CPolygon& p : std::vector(lamp.GetPolygons(), lamp.GetPolygons() + 8)) {
        const Vector corner = lamp.GetMg() * lamp.GetPoints()[p.a] - centre;
        EXPECT_GT(Dot(FaceNormal(lamp, p), corner), 0);
        EXPECT_NEAR(Length(corner), 0.05, 1e-6);
    }
    const ParamContainer& light = lamp.GetTag(ModuleType("MyLightTag"))->Data();
    EXPECT_EQ(std::pair(light.Get<int32_t>(1215), light.Get<float>(1228)), std::pair(1217, 1.0f));
    ExpectNear(light.Get<Vector>(1227) * (std::sqrt(3.0f) * 0.05f * 0.05f), {100, 50, 25}, 1e-3);

    // The spot: a square of 10 cm facing the spot's direction, 50 cd on its axis.
    const auto& spot = *static_cast<const headless::HlObject*>(import.Object("Spot").GetDown());
    ExpectNear(FaceNormal(spot, spot.GetPolygons()[0]), World(import, node("Spot"), {0, 0, -1}));
    ExpectNear(spot.GetTag(ModuleType("MyLightTag"))->Data().Get<Vector>(1227) * 0.01f, {50, 50, 50}, 1e-3);

    EXPECT_EQ(import.warnings, std::vector<std::string>{});
    EXPECT_EQ(import.console,
              (std::vector<std::string>{
                  R"(scene: light "Lamp" (point) -> emitting mesh "Lamp", 10 cm across)",
                  R"(scene: light "Sun" (directional) -> sun of the render settings)",
                  R"(scene: light "Fill" (directional) left out: the render settings have one sun, "Sun direction")",
                  R"(scene: light "Spot" (spot) -> emitting mesh "Spot", 10 cm across, facing its direction )"
                  R"((the cone is not kept))"}));
}

}  // namespace
}  // namespace scene_import
