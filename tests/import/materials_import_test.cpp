#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <array>
#include <assimp/Importer.hpp>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "headless/resources/bitmap.h"
#include "materials/convert.h"
#include "tags/material_helper.h"
#include "tests/import/materials_import_support.h"
#include "tests/support/command_support.h"

namespace scene_import {
namespace {

namespace fs = std::filesystem;
using testing_support::HostPathOf;
using testing_support::TestFolder;

// A 1 × 1 PNG, as bytes and as the base64 of a data URI.
const std::string kPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01"
    "\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\xda\x63\xf8\xdf\xc0\x00"
    "\x00\x04\x01\x01\x80\xfb\xd7\xcb\xf1\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);
const char* kPngUri =
    "data:image/png;base64,"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR42mP438AAAAQBAYD718vxAAAAAElFTkSuQmCC";

// A glTF scene of one triangle per material (the reader keeps only the materials in use).
const aiScene& ReadGltf(Assimp::Importer& importer, const std::string& materials, int count,
                        const std::string& more = "") {
    std::string text =
        R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":36,"uri":"data:;base64,)"
        R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],)"
        R"("nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}],"meshes":[{"primitives":[)";
    for (int i = 0; i < count; ++i) text += R"({"attributes":{"POSITION":0},"material":)" + std::to_string(i) + "},";
    text.back() = ']';
    text += R"(}],"materials":[)" + materials + "]" + more + "}";
    const aiScene* scene = importer.ReadFileFromMemory(text.data(), text.size(), 0, "gltf");
    if (!scene) throw std::runtime_error(importer.GetErrorString());
    return *scene;
}

const char* kSurfaces = R"(
    {"name":"Gold","pbrMetallicRoughness":{"baseColorFactor":[1,0.8,0.2,1],"metallicFactor":1,"roughnessFactor":0.2}},
    {"name":"Plastic","pbrMetallicRoughness":{"metallicFactor":0,"roughnessFactor":0.3}},
    {"name":"Matte","pbrMetallicRoughness":{"metallicFactor":0,"roughnessFactor":0.9}},
    {"name":"Glass","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,0.3],"roughnessFactor":1},"alphaMode":"BLEND"},
    {"name":"Cutout","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,0.3],"metallicFactor":0},"alphaMode":"MASK"},
    {}, {"name":"Gold","emissiveFactor":[1,0.5,0]})";

TEST(ImportMaterials, GltfSurfacesConvertToTheRendererMaterialTheyDescribe) {
    // Name, what Convert Materials makes of it, its phong or medium IOR and phong exponent (0:
    // none to check), luminance.
    const std::tuple<const char*, int32_t, float, float, bool> cases[] = {
        {"Gold", material_type::kPhong, 11, 1248, false},         // a metal of roughness 0.2
        {"Plastic", material_type::kPhong, 1.5f, 244.9f, false},  // a glossy dielectric (0.3)
        {"Matte", material_type::kDiffuse, 0, 0, false},
        {"Glass", material_type::kSpecular, 1.5f, 0, false},  // blended at alpha 0.3
        {"Cutout", material_type::kDiffuse, 0, 0, false},     // masked alpha is no transparency
        {"Material", material_type::kDiffuse, 0, 0, false},   // unnamed; glTF's defaults: a fully rough metal
        {"Gold.1", material_type::kDiffuse, 0, 0, true},
    };  // the reader's default material (unnamed, unused) is left out
    Assimp::Importer importer;
    MaterialsImport run;
    run.Run(ReadGltf(importer, kSurfaces, 7), "/tmp", "scene.gltf");
    ASSERT_EQ(run.document.Materials().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [name, type, ior, exponent, luminance] = cases[i];
        SCOPED_TRACE(name);
        HostMaterial& material = run.Material(i);
        EXPECT_EQ(run.document.Materials()[i].get(), &material);
        EXPECT_EQ(material.GetName().Str(), name);
        const ParamContainer p = ConvertedParameters(material, {});
        EXPECT_EQ(p.Get<int32_t>(helper_param::kType), type);
        const int32_t iorId = type == material_type::kPhong ? helper_param::kPhongIor : helper_param::kMediumIor;
        EXPECT_NEAR(ior > 0 ? p.Get<float>(iorId) : 0, ior, 1e-4);
        EXPECT_NEAR(exponent > 0 ? p.Get<float>(helper_param::kPhongExponent) : 0, exponent, 0.5);
        EXPECT_EQ(material.GetChannel(1)->IsOn(), luminance);
    }
    const auto rgb = [](const Vector& v) { return std::array{v.x, v.y, v.z}; };
    EXPECT_EQ(rgb(run.Material(0).Data().Get<Vector>(host_material::kColour)), (std::array{1.0f, 0.8f, 0.2f}));
    EXPECT_EQ(rgb(run.Material(6).Data().Get<Vector>(host_material::kLuminanceColour)), (std::array{1.0f, 0.5f, 0.0f}));
    EXPECT_TRUE(run.warnings.empty());
}

const char* kTextured = R"({"name":"A","pbrMetallicRoughness":{"baseColorTexture":{"index":0}}},
    {"name":"B","emissiveTexture":{"index":0},"normalTexture":{"index":0}})";

TEST(ImportMaterials, EmbeddedImagesAreWrittenOnceIntoTheTexturesFolder) {
    const fs::path folder = TestFolder("vexlor-materials-");
    const fs::path textures = folder / "scene.textures";
    Assimp::Importer importer;
    MaterialsImport run;
    run.Run(ReadGltf(importer, kTextured, 2,
                     R"(,"images":[{"uri":")" + std::string(kPngUri) + R"("}],"textures":[{"source":0}])"),
            folder.string(), "scene.gltf");
    EXPECT_TRUE(run.warnings.empty());
    EXPECT_EQ(run.console.size(), 1u);
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(textures), {}), std::vector{textures / "texture0.png"});
    std::string written;
    ASSERT_TRUE(headless::ReadNativeFile((textures / "texture0.png").string(), written));
    EXPECT_EQ(written, kPng);
    for (const auto& [material, channel] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{1, 6}}) {
        const ParamContainer& data = run.Material(material).GetChannel(channel)->Data();
        EXPECT_EQ(data.Get<HostString>(host_param::kChannelTexture).Str(), "texture0.png");
        EXPECT_EQ(data.Get<HostFilename>(host_param::kChannelFolder).Str(), HostPathOf(textures));
    }
    EXPECT_TRUE(run.Material(1).GetChannel(6)->IsOn());
}

TEST(ImportMaterials, ObjTexturesAreFoundBesideTheFileAndMissingOnesReportedOnce) {
    const fs::path folder = TestFolder("vexlor-materials-");
    fs::create_directories(folder / "maps");
    std::ofstream(folder / "maps" / "wood.png") << kPng;
    std::ofstream(folder / "scene.mtl")
        << "newmtl Wood\nKd 0.5 0.25 0.1\nKs 0.8 0.8 0.8\nNs 900\nmap_Kd maps\\wood.png\n"
           "bump lost.png\nnewmtl Pane\nd 0.5\nNi 1.33\nbump ./lost.png\n";
    std::ofstream(folder / "scene.obj")
        << "mtllib scene.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Wood\nf 1 2 3\nusemtl Pane\nf 1 2 3\n";
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile((folder / "scene.obj").string(), 0);
    ASSERT_NE(scene, nullptr);
    MaterialsImport run;
    run.Run(*scene, folder.string(), "scene.obj");
    ASSERT_EQ(run.document.Materials().size(), 2u);  // the reader's unused DefaultMaterial left out
    HostMaterial& wood = run.Material(1);
    const ParamContainer& colour = wood.GetChannel(0)->Data();
    EXPECT_EQ(colour.Get<HostString>(host_param::kChannelTexture).Str(), "wood.png");
    EXPECT_EQ(colour.Get<HostFilename>(host_param::kChannelFolder).Str(), HostPathOf(folder / "maps"));
    EXPECT_EQ(ConvertedParameters(wood, {}).Get<int32_t>(helper_param::kType), material_type::kPhong);
    EXPECT_NEAR(wood.Data().Get<float>(host_material::kReflectionStrength), 0.8f, 1e-6);
    const ParamContainer pane = ConvertedParameters(run.Material(2), {});
    EXPECT_EQ(pane.Get<int32_t>(helper_param::kType), material_type::kSpecular);
    EXPECT_NEAR(pane.Get<float>(helper_param::kMediumIor), 1.33f, 1e-6);
    EXPECT_EQ(run.warnings, std::vector<std::string>{"scene.obj: material \"Wood\": texture file " +
                                                     (folder / "lost.png").string() + " not found"});
}

// A scene made in memory, as readers of other formats give them: texels and an emission strength.
TEST(ImportMaterials, TexelsAreWrittenAsPngAndEmissionKeepsItsStrength) {
    aiScene scene;
    auto* texture = new aiTexture;
    texture->mWidth = 2;
    texture->mHeight = 1;
    texture->pcData = new aiTexel[2]{{10, 20, 30, 255}, {200, 100, 50, 255}};  // blue, green, red, alpha
    scene.mTextures = new aiTexture* [1] { texture };
    scene.mNumTextures = 1;
    auto* material = new aiMaterial;
    const aiString name("Lamp"), path("*0");
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D orange(1, 0.5f, 0);
    const float strength = 4;
    material->AddProperty(&path, AI_MATKEY_TEXTURE_DIFFUSE(0));
    material->AddProperty(&orange, 1, AI_MATKEY_COLOR_EMISSIVE);
    material->AddProperty(&strength, 1, AI_MATKEY_EMISSIVE_INTENSITY);
    scene.mMaterials = new aiMaterial* [1] { material };
    scene.mNumMaterials = 1;
    const fs::path folder = TestFolder("vexlor-materials-");
    MaterialsImport run;
    run.options.texturesFolder = (folder / "images").string();  // the folder asked for
    run.Run(scene, folder.string(), "scene.fbx");
    const auto bitmap = headless::LoadBitmapFile((folder / "images" / "texture0.png").string());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Data(), (std::vector<uint8_t>{30, 20, 10, 50, 100, 200}));
    EXPECT_EQ(MaterialEmission(*material), aiColor3D(4, 2, 0));
    EXPECT_EQ(run.Material(0).Data().Get<float>(host_material::kLuminanceBrightness), 4.0f);
}

}  // namespace
}  // namespace scene_import
