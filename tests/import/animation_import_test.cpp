#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "tests/import/scene_parts_support.h"

namespace scene_import {
namespace {

using Range = std::optional<std::pair<int32_t, int32_t>>;

aiQuaternion About(aiVector3D axis, double degrees) { return {axis, float(degrees * std::numbers::pi / 180)}; }

// T · R · S of the file.
aiMatrix4x4 Placement(aiVector3D scale, aiQuaternion rotation, aiVector3D position) {
    aiMatrix4x4 m(rotation.GetMatrix());
    for (unsigned row = 0; row < 3; ++row) m[row][0] *= scale.x, m[row][1] *= scale.y, m[row][2] *= scale.z;
    m.a4 = position.x, m.b4 = position.y, m.c4 = position.z;
    return m;
}

Matrix Evaluated(const headless::HlObject& object, double frame) {
    const headless::Tracks& tracks = object.GetTracks();
    return headless::MatrixFromPRS(*headless::EvaluateTrack(tracks.position, frame),
                                   *headless::EvaluateTrack(tracks.rotation, frame),
                                   *headless::EvaluateTrack(tracks.scale, frame));
}

// "Box" moves in one second from (0, 0, 0) to (1, 2, 3), turns from 170° to 190° about y and
// grows from 1 to 2; a second animation would move it too.
TEST(ImportAnimation, SampledTracksFollowTheFile) {
    const aiQuaternion a = About({0, 1, 0}, 170), b = About({0, 1, 0}, 190);
    ScenePartsImport import(R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"name":"Box",
      "translation":[5,0,0]}],"buffers":[{"byteLength":88,"uri":")" +
        FloatDataUri({0, 1, 0, 0, 0, 1, 2, 3, a.x, a.y, a.z, a.w, b.x, b.y, b.z, b.w, 1, 1, 1, 2, 2, 2}) + R"("}],
      "bufferViews":[{"buffer":0,"byteLength":8},{"buffer":0,"byteOffset":8,"byteLength":24},
        {"buffer":0,"byteOffset":32,"byteLength":32},{"buffer":0,"byteOffset":64,"byteLength":24}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":2,"type":"SCALAR","min":[0],"max":[1]},
        {"bufferView":1,"componentType":5126,"count":2,"type":"VEC3"},{"bufferView":2,"componentType":5126,"count":2,
        "type":"VEC4"},{"bufferView":3,"componentType":5126,"count":2,"type":"VEC3"}],
      "animations":[{"name":"Move","samplers":[{"input":0,"output":1},{"input":0,"output":2},{"input":0,"output":3}],
        "channels":[{"sampler":0,"target":{"node":0,"path":"translation"}},{"sampler":1,"target":{"node":0,
        "path":"rotation"}},{"sampler":2,"target":{"node":0,"path":"scale"}}]},{"name":"Again","samplers":[{"input":0,
        "output":1}],"channels":[{"sampler":0,"target":{"node":0,"path":"translation"}}]}]})",
                            "gltf");
    // Polygon objects below a moving object are tagged too, others not.
    headless::HlObject& box = import.Object("Box");
    auto made = std::make_unique<headless::HlObject>(host_type::kPolygonObject, nullptr);
    headless::HlObject& mesh = *made;
    import.Document().InsertObject(std::move(made), &box, nullptr);
    import.Document().InsertObject(std::make_unique<headless::HlObject>(host_type::kNull, nullptr), &mesh, nullptr);

    EXPECT_EQ(ImportAnimation(import.Context()), Range({0, 30}));
    EXPECT_EQ(import.Document().GetFps(), 30);
    const auto file = [&](float t, double degrees) {
        return import.Context().axes.Placement(
            Placement(aiVector3D(1 + t), About({0, 1, 0}, degrees), {t, 2 * t, 3 * t}));
    };
    ExpectNear(Evaluated(box, 0), file(0, 170));
    ExpectNear(Evaluated(box, 15), file(0.5, 180));
    ExpectNear(Evaluated(box, 30), file(1, 190));
    ExpectNear(box.GetMl(), file(0, 170));
    // Through 180° the angles run on: no frame jumps a turn or half one.
    const auto& rotation = box.GetTracks().rotation;
    ASSERT_EQ(rotation.size(), 31u);
    for (size_t i = 1; i < rotation.size(); ++i) EXPECT_LT(Length(rotation[i].value - rotation[i - 1].value), 0.02f);
    EXPECT_NEAR(rotation.back().value.x - rotation.front().value.x, -20 * std::numbers::pi / 180, 1e-4);

    for (const headless::HlObject* object : {&box, &mesh}) {
        const HostTag* tag = object->GetTag(ModuleType("AnimationTag"));
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(std::pair(tag->Data().Get<int32_t>(70001), tag->Data().Get<int32_t>(70002)), std::pair(0, 30));
    }
    EXPECT_EQ(mesh.GetDown()->GetTag(ModuleType("AnimationTag")), nullptr);
    EXPECT_EQ(import.console, std::vector<std::string>{
                                  R"(scene: animation "Again": "Box" moved by an earlier animation; left out here)"});
}

// The rate: the options', else the file's (an FBX time mode, or its custom rate), else 30.  A
// channel of "N" moves it by 1 along x in 10 ticks and turns and scales it, also looking
// straight up or down, with unequal or mirrored scales: all come back whole.
TEST(ImportAnimation, RatesAndPlacements) {
    const aiVector3D x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const struct {
        double optionFps;
        int32_t mode;  // -1: no metadata
        float custom;
        double ticksPerSecond;
        int32_t fps, last;
        aiQuaternion rotation;
        aiVector3D scale;
    } cases[] = {{0, -1, 0, 10, 30, 30, About(x, 90), {1, 1, 1}},
                 {24, 10, 0, 10, 24, 24, About(x, -90) * About(z, 40), {1, 2, 3}},
                 {0, 10, 0, 10, 25, 25, About(y, 20) * About(x, 90) * About(z, 40), {1, 1, -1}},
                 {0, 14, 12.5f, 10, 13, 13, About(aiVector3D(1, -2, 3).Normalize(), 137), {-2, 0.5f, 1}},
                 {0, 12, 0, 10, 30, 30, About(aiVector3D(-3, 1, 1).Normalize(), 250), {3, 1, 1}},
                 {0, -1, 0, 0, 30, 10, {}, {1, 1, 1}}};
    for (const auto& c : cases) {
        aiScene scene;
        scene.mRootNode = new aiNode("N");
        if (c.mode >= 0) {
            scene.mMetaData = new aiMetadata();
            scene.mMetaData->Add("FrameRate", c.mode);
            scene.mMetaData->Add("CustomFrameRate", c.custom);
        }
        auto* channel = new aiNodeAnim();
        channel->mNodeName = "N";
        channel->mNumPositionKeys = 2, channel->mNumRotationKeys = channel->mNumScalingKeys = 1;
        channel->mPositionKeys = new aiVectorKey[2]{{0, {0, 0, 0}}, {10, {1, 0, 0}}};
        channel->mRotationKeys = new aiQuatKey[1]{{0, c.rotation}};
        channel->mScalingKeys = new aiVectorKey[1]{{0, c.scale}};
        scene.mNumAnimations = 1;
        scene.mAnimations = new aiAnimation* [1] { new aiAnimation() };
        scene.mAnimations[0]->mTicksPerSecond = c.ticksPerSecond;
        scene.mAnimations[0]->mNumChannels = 1;
        scene.mAnimations[0]->mChannels = new aiNodeAnim* [1] { channel };
        ImportOptions options;
        options.fps = c.optionFps;
        ScenePartsImport import(scene, options);
        EXPECT_EQ(ImportAnimation(import.Context()), Range({0, c.last})) << c.fps;
        EXPECT_EQ(import.Document().GetFps(), c.fps);
        const Matrix first = import.Context().axes.Placement(Placement(c.scale, c.rotation, {}));
        ExpectNear(Evaluated(import.Object("N"), 0), first);
        ExpectNear(import.Object("N").GetTracks().position.back().value, {1, 0, 0});
    }
    aiScene still;
    still.mRootNode = new aiNode("N");
    EXPECT_EQ(ImportAnimation(ScenePartsImport(still).Context()), std::nullopt);
}

}  // namespace
}  // namespace scene_import
