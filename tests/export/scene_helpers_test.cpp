#include <gtest/gtest.h>

#include "core/ids.h"
#include "core/scene_walk.h"
#include "export/scene_math.h"
#include "export/scene_text.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ModuleTest;

class SceneHelpers : public ModuleTest {
protected:
    HostObject& Object(const char* name) {
        HostObject* object = host_.Document()->SearchObject(name);
        EXPECT_NE(object, nullptr) << name;
        return *object;
    }
    static std::vector<std::string> Names(const std::vector<HostObject*>& objects) {
        std::vector<std::string> names;
        for (const HostObject* object : objects) names.push_back(object->GetName().Str());
        return names;
    }
};

TEST_F(SceneHelpers, PositionTextIsInSceneAxesAndScaled) {
    EXPECT_EQ(FormatScenePosition({1, 2, 3}, 2.0f, 8).Str(), "2.00000000 6.00000000 4.00000000");
    EXPECT_EQ(FormatScenePosition({1, 2, 3}, 1.0f, 5).Str(), "1.00000 3.00000 2.00000");
}

struct RotationCase {
    const char* matrix;  // the object's "matrix" (or other placement keys) in a document
    const char* text;
};

class SceneRotation : public SceneHelpers, public testing::WithParamInterface<RotationCase> {};

TEST_P(SceneRotation, NineNumbersInSceneAxes) {
    LoadDocument(std::string(R"({"objects": [{"type": "null", "name": "N", )") + GetParam().matrix + "}]}");
    EXPECT_EQ(FormatSceneRotation(Object("N")).Str(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SceneRotation,
    testing::Values(
        RotationCase{R"("position": [5, 6, 7])",
                     "1.00000000 0.00000000 0.00000000 0.00000000 1.00000000 0.00000000 0.00000000 0.00000000 "
                     "1.00000000"},
        // A quarter turn about x: y axis (0, 0, 1), z axis (0, -1, 0).
        RotationCase{R"("matrix": {"offset": [0,0,0], "x": [1,0,0], "y": [0,0,1], "z": [0,-1,0]})",
                     "1.00000000 0.00000000 0.00000000 0.00000000 0.00000000 1.00000000 0.00000000 -1.00000000 "
                     "0.00000000"},
        // Scaled axes with the same own scale.
        RotationCase{R"("matrix": {"offset": [0,0,0], "x": [2,0,0], "y": [0,3,0], "z": [0,0,4]})",
                     "2.00000000 0.00000000 0.00000000 0.00000000 4.00000000 0.00000000 0.00000000 0.00000000 "
                     "3.00000000"},
        // A zero axis makes the matrix singular: the inverse is the identity, scaled by q.
        RotationCase{R"("matrix": {"offset": [0,0,0], "x": [0,0,0], "y": [0,2,0], "z": [0,0,3]})",
                     "0.00000000 0.00000000 0.00000000 0.00000000 9.00000000 0.00000000 0.00000000 0.00000000 "
                     "4.00000000"}));

TEST_F(SceneHelpers, GlobalScaleMultipliesTheAncestorsScales) {
    LoadDocument(R"({"objects": [{"type": "null", "name": "P", "scale": [3, 1, 1], "children": [
                     {"type": "null", "name": "C", "scale": [2, 2, 2]}]}]})");
    EXPECT_EQ(GlobalScale(Object("C")), (Vector{6, 2, 2}));
    EXPECT_EQ(GlobalScale(Object("P")), (Vector{3, 1, 1}));
}

TEST_F(SceneHelpers, RenderVisibilityFollowsModesAndAncestors) {
    LoadDocument(R"({"objects": [
        {"type": "null", "name": "A", "render": "off", "children": [
            {"type": "null", "name": "A1"},
            {"type": "null", "name": "A2", "render": "on", "children": [{"type": "null", "name": "A2a"}]}]},
        {"type": "null", "name": "B", "children": [{"type": "null", "name": "B1", "render": "on"}]},
        {"type": "null", "name": "C", "render": "on"}]})");
    std::vector<HostObject*> visible;
    CollectRenderVisible(visible, host_.Document()->GetFirstObject(), false);
    EXPECT_EQ(Names(visible), (std::vector<std::string>{"A2", "B", "B1", "C"}));
}

TEST_F(SceneHelpers, PolygonCountIncludesHiddenObjects) {
    const char* quad = R"("points": [[0,0,0],[1,0,0],[1,0,1],[0,0,1]], "polygons": [[0,1,2,3]])";
    LoadDocument(std::string(R"({"objects": [
        {"type": "null", "name": "Off", "render": "off", "children": [{"type": "polygon", "name": "A", )") + quad +
                 R"(}]},
        {"type": "polygon", "name": "B", )" + quad + R"(, "children": [{"type": "polygon", "name": "B1", )" + quad +
                 R"(}]},
        {"type": "polygon", "name": "C", )" + quad + "}]}");
    struct Case {
        const char* stop;
        int32_t count;
        bool endedWithoutStop;
    };
    for (const Case& c : {Case{"A", 0, false}, Case{"B", 1, false}, Case{"B1", 2, false}, Case{"C", 3, false},
                          Case{nullptr, 4, true}}) {
        int32_t counter = 0;
        const HostObject* stop = c.stop ? &Object(c.stop) : nullptr;
        EXPECT_EQ(CountPolygonObjectsBefore(host_.Document()->GetFirstObject(), stop, counter), c.endedWithoutStop)
            << (c.stop ? c.stop : "none");
        EXPECT_EQ(counter, c.count) << (c.stop ? c.stop : "none");
    }
}

TEST_F(SceneHelpers, AnimationTagIsFoundUpward) {
    LoadDocument(R"({"objects": [{"type": "null", "name": "G", "tags": [{"type": "AnimationTag",
                     "params": {"70001": 10, "70002": 20}}], "children": [{"type": "null", "name": "P", "children": [
                     {"type": "null", "name": "C"}]}]}, {"type": "null", "name": "Other"}]})");
    HostTag* tag = FindAnimationTag(Object("C"));
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->GetObject(), &Object("G"));
    EXPECT_EQ(tag->Data().Get<int32_t>(animation_param::kLastFrame), 20);
    EXPECT_EQ(FindAnimationTag(Object("Other")), nullptr);
}

TEST(SceneMath, InverseComposedWithTheMatrixIsTheIdentity) {
    const Matrix cases[] = {
        Matrix{},
        Matrix{{1, 2, 3}, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
        Matrix{{-4, 0.5f, 8}, {2, 0, 0}, {0, 3, 0}, {0, 0, 0.25f}},
        Matrix{{10, 20, 30}, {0.8f, 0.6f, 0}, {-0.6f, 0.8f, 0}, {0, 0, 1}},
    };
    for (const Matrix& m : cases) {
        const Matrix product = InvertMatrix(m) * m;
        const Matrix identity;
        for (auto [got, want] : {std::pair{product.off, identity.off}, std::pair{product.v1, identity.v1},
                                 std::pair{product.v2, identity.v2}, std::pair{product.v3, identity.v3}}) {
            EXPECT_NEAR(got.x, want.x, 1e-5);
            EXPECT_NEAR(got.y, want.y, 1e-5);
            EXPECT_NEAR(got.z, want.z, 1e-5);
        }
    }
}

TEST(SceneMath, SingularMatrixInvertsToTheIdentity) {
    EXPECT_EQ(InvertMatrix(Matrix{{5, 5, 5}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}}), IdentityMatrix());
}

TEST(SceneMath, NormalizeVector) {
    EXPECT_EQ(NormalizeVector({0, 0, 0}), (Vector{0, 0, 0}));
    EXPECT_EQ(NormalizeVector({0, 10, 0}), (Vector{0, 1, 0}));
    const Vector v = NormalizeVector({3, 4, 0});
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
}

}  // namespace
