// The scene check (headless/check/): broken scenes of each kind, written to a scratch folder,
// and the exact lines the check finds in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/material_name.h"
#include "headless/check/check.h"
#include "headless/check/obj_check.h"
#include "headless/check/scene_keys.h"
#include "headless/files/files.h"
#include "tests/support/command_support.h"

namespace headless {
namespace {

namespace fs = std::filesystem;

// The scene's head; a case's elements follow from line 3 on.
constexpr const char* kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<scene>\n";
// Declares mesh "m" (file models.s\m.obj), material "Red" and medium "MedGlass".
constexpr const char* kDeclarations =
    "<mesh><name>m</name><normal_smoothing>false</normal_smoothing>"
    "<external><path>models.s\\m.obj</path></external></mesh>\n"
    "<material><name>Red</name><diffuse/></material>\n"
    "<medium><name>MedGlass</name><precedence>2</precedence></medium>\n";
// A mesh file as the module writes it: three points, one texture coordinate, one face.
constexpr const char* kObj =
    "# Wavefront .obj - exported by Vexlor 1.0.9 R2\n# Developed by: the Vexlor team\n\ng Tri\n\n"
    "v 0.00000000 0.00000000 0.00000000\nv 1.00000000 0.00000000 0.00000000\nv 1.00000000 1.00000000 0.00000000\n"
    "# 3 vertices\n\nvt 0.00000000 1.00000000\n# 1 texture coordinates\n\n"
    "\n# Selection Name: none, \nusemtl Red\nf 3/1 2/1 1/1\n# 1 faces\n\n";

class CheckTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = testing_support::ScratchFolder("vexlor-check-");
        fs::create_directories(dir_ / "models.s");
        fs::create_directories(dir_ / "tex");
        Write("models.s/m.obj", kObj);
        Write("tex/oak.png", "png");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    // Checks the scene (head + body + "</scene>"); its problems as "FILE:LINE: text" with the
    // scratch folder written "DIR" and the files by their names alone.
    std::vector<std::string> Problems(const std::string& body, const std::string& obj = kObj) {
        Write("models.s/m.obj", obj);
        Write("s.ovs", kHead + body + "</scene>\n");
        result_ = CheckScene((dir_ / "s.ovs").string(), files_);
        std::vector<std::string> lines;
        for (CheckProblem problem : result_.problems) {
            problem.file = fs::path(problem.file).filename().string();
            std::string line = FormatProblem(problem);
            for (size_t at; (at = line.find(dir_.string())) != std::string::npos;) line.replace(at, dir_.string().size(), "DIR");
            lines.push_back(testing_support::WithSlashes(line, "(DIR"));
        }
        return lines;
    }

    fs::path dir_;
    FileSystem files_;
    SceneCheck result_;
};

using Lines = std::vector<std::string>;

TEST_F(CheckTest, WellFormedSceneHasNoProblems) {
    EXPECT_EQ(Problems(std::string(kDeclarations) +
                       "<model><scale>0.01</scale><pos>1 2 3</pos><rotation><matrix>1 0 0 0 1 0 0 0 1</matrix>"
                       "</rotation><mesh_name>m</mesh_name></model>\n"
                       "<sphere><center>0 0 0</center><radius>2</radius><material_name>defaultMat</material_name>"
                       "</sphere>\n"),
              Lines{});
    EXPECT_EQ(result_.meshes, 1u);
    EXPECT_EQ(result_.models, 1u);
    EXPECT_EQ(result_.materials, 1u);
    EXPECT_EQ(result_.objFiles, 1u);
}

struct SceneCase {
    const char* what;
    std::string body;  // from line 3 on; the declarations are lines 3 to 5 where a case has them
    Lines expected;
};

class CheckSceneCases : public CheckTest, public testing::WithParamInterface<SceneCase> {};

TEST_P(CheckSceneCases, FindsExactlyTheseProblems) {
#ifdef _WIN32
    if (std::string(GetParam().what) == "unmapped_drive") GTEST_SKIP() << "the drive map of the Linux build";
#endif
    EXPECT_EQ(Problems(GetParam().body), GetParam().expected);
}

const std::string D = kDeclarations;

INSTANTIATE_TEST_SUITE_P(
    Scenes, CheckSceneCases,
    testing::Values(
        SceneCase{"unmatched_end_tag", "<mesh>\n</model>\n",
                  {"s.ovs:4:1: malformed XML: end tag </model> does not match <mesh>"}},
        SceneCase{"bad_reference", "<a>x & y</a>\n", {"s.ovs:3:6: malformed XML: '&' that starts no character reference"}},
        SceneCase{"mesh_name", D + "<model><mesh_name>n</mesh_name></model>\n",
                  {"s.ovs:6: mesh_name \"n\": no mesh declares this name"}},
        SceneCase{"material_name", D + "<plane><normal>0 0 1</normal><material_name>Blue</material_name></plane>\n",
                  {"s.ovs:6: material_name \"Blue\": no material declares this name"}},
        SceneCase{"built_in_materials", D + "<plane><material_name>defaultMat</material_name></plane>\n"
                                            "<material><name>B</name><blend><a_name>nullMat</a_name>"
                                            "<b_name>Red</b_name></blend></material>\n",
                  {}},
        SceneCase{"blend_component", D + "<material><name>B</name><blend><a_name>Red</a_name>\n<b_name>Gold</b_name>"
                                         "<blend_factor>0.5</blend_factor></blend></material>\n",
                  {"s.ovs:7: b_name \"Gold\": no material declares this name"}},
        SceneCase{"medium", D + "<material><name>G</name><specular><internal_medium_name>MedIce"
                                "</internal_medium_name></specular></material>\n"
                                "<material><name>H</name><specular><internal_medium_name>MedGlass"
                                "</internal_medium_name></specular></material>\n",
                  {"s.ovs:6: internal_medium_name \"MedIce\": no medium declares this name"}},
        SceneCase{"declared_later", "<model><mesh_name>m</mesh_name></model>\n" + D, {}},
        SceneCase{"mesh_twice", D + "<mesh><name>m</name><external><path>models.s/m.obj</path></external></mesh>\n",
                  {"s.ovs:6: mesh \"m\" is declared twice (first on line 3)"}},
        SceneCase{"missing_texture",
                  D + "<material><name>W</name><diffuse><albedo_texture><uv_set>default</uv_set>"
                      "<path>tex\\oak.png</path></albedo_texture><bump_map><path>tex\\bumps.png</path>"
                      "</bump_map></diffuse></material>\n",
                  {"s.ovs:6: bump_map/path \"tex\\bumps.png\": no such file (DIR/tex/bumps.png)"}},
        SceneCase{"missing_mesh_file", "<mesh><name>k</name><external><path>models.s\\k.obj</path></external></mesh>\n",
                  {"s.ovs:3: external/path \"models.s\\k.obj\": no such file (DIR/models.s/k.obj)"}},
        SceneCase{"unmapped_drive", "<env_map><latlong><path>Q:\\sky.hdr</path><gain>1</gain></latlong></env_map>\n",
                  {"s.ovs:3: latlong/path \"Q:\\sky.hdr\": drive Q: is not mapped"}},
        SceneCase{"folder_and_empty", "<meshlight><ies_profile><path>tex</path></ies_profile></meshlight>\n"
                                      "<meshlight><texture><path></path></texture></meshlight>\n",
                  {"s.ovs:3: ies_profile/path \"tex\": is a folder, not a file (DIR/tex)",
                   "s.ovs:4: texture/path is empty"}},
        SceneCase{"response_function", "<tonemapping><camera><film_iso>200</film_iso><response_function_path>"
                                       "Fileneme/not/set</response_function_path></camera></tonemapping>\n",
                  {"s.ovs:3: camera/response_function_path \"Fileneme/not/set\": no such file "
                   "(DIR/Fileneme/not/set)"}},
        SceneCase{"numbers", "<camera><pos>1 2</pos>\n<focus_distance>abc</focus_distance>\n<up>0 nan 1</up>\n"
                             "<sensor_width></sensor_width>\n<aperture_shape><generated><num_blades>2.5</num_blades>"
                             "</generated></aperture_shape></camera>\n"
                             "<background><spectrum><regular_tabulated><values>1 2 x</values><num_values>3"
                             "</num_values></regular_tabulated></spectrum></background>\n"
                             "<model><rotation><matrix>1 0 0 0 1 0 0 0 1 0</matrix></rotation><scale>1e39</scale>"
                             "</model>\n",
                  {"s.ovs:3: pos: expected 3 numbers, found 2", "s.ovs:4: focus_distance: \"abc\" is not a number",
                   "s.ovs:5: up: \"nan\" is not a finite number", "s.ovs:6: sensor_width: expected a number, found none",
                   "s.ovs:7: num_blades: \"2.5\" is not an integer", "s.ovs:8: values: \"x\" is not a number",
                   "s.ovs:9: matrix: expected 9 numbers, found 10", "s.ovs:9: scale: \"1e39\" is not a finite number"}},
        SceneCase{"containers_are_not_numbers", "<background><spectrum><rgb><rgb>1 1 1</rgb><gamma>2.2</gamma></rgb>"
                                                "</spectrum></background>\n<x><pos>\n  1 2 3\n</pos></x>\n",
                  {}}),
    [](const testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.what); });

TEST_F(CheckTest, RootMustBeScene) {
    Write("lib.ovm", "<?xml version=\"1.0\" ?>\n<scenedata>\n<material><name>x</name></material>\n</scenedata>\n");
    const SceneCheck result = CheckScene((dir_ / "lib.ovm").string(), files_);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].line, 2);
    EXPECT_EQ(result.problems[0].text, "the root element is <scenedata>, not <scene>");
}

TEST_F(CheckTest, UnreadableSceneIsNoProblem) {
    const SceneCheck result = CheckScene((dir_ / "none.ovs").string(), files_);
    EXPECT_FALSE(result.readable);
    EXPECT_TRUE(result.problems.empty());
}

struct ObjCase {
    const char* what;
    std::string obj;
    Lines expected;
};

class CheckObjCases : public CheckTest, public testing::WithParamInterface<ObjCase> {};

TEST_P(CheckObjCases, FindsExactlyTheseProblems) {
    EXPECT_EQ(Problems(D + "<model><mesh_name>m</mesh_name></model>\n", GetParam().obj), GetParam().expected);
}

std::string ObjWith(const std::string& from, const std::string& to) {
    std::string text = kObj;
    text.replace(text.find(from), from.size(), to);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Objs, CheckObjCases,
    testing::Values(
        ObjCase{"vertex_index", ObjWith("f 3/1", "f 4/1"), {"m.obj:17: f: vertex index 4 is out of range (3 vertices)"}},
        ObjCase{"uv_index", ObjWith("2/1 1/1", "2/2 1/1"),
                {"m.obj:17: f: texture coordinate index 2 is out of range (1 texture coordinates)"}},
        ObjCase{"normal_index", ObjWith("f 3/1 2/1 1/1", "f 3//1 2//1 1//1"),
                {"m.obj:17: f: normal index 1 is out of range (0 normals)"}},
        ObjCase{"negative_and_zero", ObjWith("f 3/1 2/1 1/1", "f -1/1 -3/-1 -4/1\nf 0 1 2"),
                {"m.obj:17: f: vertex index -4 is out of range (3 vertices)",
                 "m.obj:18: f: vertex index 0 is out of range (3 vertices)", "m.obj:19: \"# 1 faces\": the file has 2 face lines"}},
        ObjCase{"corner", ObjWith("f 3/1 2/1 1/1", "f 3/1 2/1/ a\nf 1 2"),
                {"m.obj:17: f: \"2/1/\" is not a face corner", "m.obj:18: f: a face needs 3 corners, found 2",
                 "m.obj:19: \"# 1 faces\": the file has 2 face lines"}},
        ObjCase{"vertex_count", ObjWith("# 3 vertices", "# 4 vertices"),
                {"m.obj:9: \"# 4 vertices\": the file has 3 vertices"}},
        ObjCase{"uv_count", ObjWith("# 1 texture", "# 2 texture"),
                {"m.obj:12: \"# 2 texture coordinates\": the file has 1 texture coordinates"}},
        ObjCase{"face_count", ObjWith("# 1 faces", "# 2 faces"), {"m.obj:18: \"# 2 faces\": the file has 1 face lines"}},
        // A polygon in two selection groups is written twice; the count is the polygon count.
        ObjCase{"face_in_two_groups", ObjWith("f 3/1 2/1 1/1\n", "f 3/1 2/1 1/1\nusemtl defaultMat\nf 3/1 2/1 1/1\n"), {}},
        ObjCase{"usemtl", ObjWith("usemtl Red", "usemtl Red_Metal"),
                {"m.obj:16: usemtl \"Red_Metal\": the scene declares no material of this name"}},
        ObjCase{"numbers", ObjWith("v 1.00000000 0.00000000 0.00000000", "v 1 inf 0\nvt 0 0 0 0"),
                {"m.obj:7: v: \"inf\" is not a finite number", "m.obj:8: vt: expected 1 to 3 numbers, found 4",
                 "m.obj:13: \"# 1 texture coordinates\": the file has 2 texture coordinates"}}),
    [](const testing::TestParamInfo<ObjCase>& info) { return std::string(info.param.what); });

TEST_F(CheckTest, EachObjFileIsReadOnce) {
    const std::string body = D + "<mesh><name>m2</name><external><path>models.s/m.obj</path></external></mesh>\n"
                                 "<mesh><name>m3</name><external><path>" + (dir_ / "models.s" / "m.obj").string() +
                             "</path></external></mesh>\n";
    EXPECT_EQ(Problems(body, ObjWith("f 3/1", "f 9/1")),
              Lines{"m.obj:17: f: vertex index 9 is out of range (3 vertices)"});
    EXPECT_EQ(result_.objFiles, 1u);
}

#ifndef _WIN32  // the drive map of the Linux build
TEST_F(CheckTest, HostPathsGoThroughTheDriveMap) {
    files_.MapDrive('C', (dir_ / "tex").string());
    EXPECT_EQ(Problems("<env_map><latlong><path>C:\\oak.png</path></latlong></env_map>\n"
                       "<env_map><latlong><path>c:/oak.png</path></latlong></env_map>\n"
                       "<env_map><latlong><path>C:\\..\\..\\oak.png</path></latlong></env_map>\n"),
              Lines{});
}
#endif

TEST_F(CheckTest, ObjProblemsAreCappedPerFile) {
    std::string obj = kObj;
    for (size_t i = 0; i < check::kMaxObjProblems + 5; ++i) obj += "f 7 8 9\n";
    const Lines lines = Problems(D, obj);
    ASSERT_EQ(lines.size(), check::kMaxObjProblems + 1);
    EXPECT_EQ(lines.back(), "m.obj:" + std::to_string(20 + check::kMaxObjProblems + 4) + ": 5 more problems in this file not listed");
}

TEST(CheckKeys, BuiltInMaterialsAreTheModulesFixedNames) {
    EXPECT_TRUE(check::IsBuiltInMaterial(kDefaultMaterialName));
    EXPECT_TRUE(check::IsBuiltInMaterial("nullMat"));
    EXPECT_FALSE(check::IsBuiltInMaterial("previewMat"));
}

}  // namespace
}  // namespace headless
