// The scene's materials as host standard materials, set up so that the module's Convert
// Materials makes of them the renderer material the file describes: a diffuse surface, a
// reflective (phong) one, or a transparent (specular) one, with their textures.
#include <assimp/GltfMaterial.h>
#include <assimp/material.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "headless/files/files.h"
#include "import/import_context.h"
#include "import/textures.h"

namespace scene_import {

namespace {

// Channels of the host standard material.
constexpr int32_t kColourChannel = 0;
constexpr int32_t kLuminanceChannel = 1;
constexpr int32_t kTransparencyChannel = 2;
constexpr int32_t kReflectionChannel = 3;
constexpr int32_t kBumpChannel = 6;

// The colour of a surface whose file gives none.
constexpr Vector kDefaultColour{0.8f, 0.8f, 0.8f};
// The refraction index of a transparent surface whose file gives none (or one of 1 or less,
// which would make the surface vanish): glass.
constexpr float kDefaultIor = 1.5f;
// Bump strength of a bump or normal map: Convert Materials divides it by 50, which makes the
// renderer's bump height 1 mm, the material helper's own default.
constexpr float kBumpStrength = 0.05f;
// Surfaces smoother than this roughness reflect visibly, whatever they are made of.
constexpr float kGlossyRoughness = 0.5f;
// Metals reflect visibly up to this roughness; a metal rougher still scatters light about as a
// matte surface of its colour does.
constexpr float kMetalRoughness = 0.9f;
// The name of a material whose file gives none.
constexpr const char* kUnnamed = "Material";

std::optional<float> FloatOf(const aiMaterial& material, const char* key, unsigned type, unsigned index) {
    ai_real value = 0;
    if (material.Get(key, type, index, value) != AI_SUCCESS || !std::isfinite(value)) return std::nullopt;
    return static_cast<float>(value);
}

std::optional<aiColor3D> ColourOf(const aiMaterial& material, const char* key, unsigned type, unsigned index) {
    aiColor3D colour;
    if (material.Get(key, type, index, colour) != AI_SUCCESS) return std::nullopt;
    return colour;
}

float Clamp01(float value) { return std::clamp(value, 0.0f, 1.0f); }

// The blur value that Convert Materials turns into the phong exponent 5025 - 5000 blur, for a
// surface of the given (perceptual) roughness r: the exponent n whose lobe matches the
// microfacet slope spread a = r², n = 2 / a² - 2.  Smooth surfaces come out as 0 (a mirror),
// surfaces of roughness 0.5 and more as 1 (the widest lobe, exponent 25).
float BlurOfRoughness(float roughness) {
    if (roughness <= 0) return 0;
    const double a = double{roughness} * roughness;
    const double exponent = 2 / (a * a) - 2;
    return Clamp01(static_cast<float>((5025 - exponent) / 5000));
}

// Files without a metal-roughness description give a phong exponent on the 0 ... 1000 scale of
// OBJ's material files; it is read back as the roughness r that the common writers turn into
// the exponent 1000 (1 - r)².
float RoughnessOfShininess(float shininess) { return 1 - std::sqrt(Clamp01(shininess / 1000)); }

// What a material of the file looks like, in the host material's terms.
struct Surface {
    Vector colour = kDefaultColour;
    float ior = kDefaultIor;
    float roughness = 1;
    float reflectionStrength = 0;  // 0 ... 1; Convert Materials makes it the phong IOR 1 + 10 s²
    bool reflective = false;
    bool transparent = false;
    bool transmits = false;  // see-through by transmission (blurred by roughness), not by coverage
};

Surface DescribeSurface(const aiMaterial& material) {
    Surface surface;
    if (const auto base = ColourOf(material, AI_MATKEY_BASE_COLOR)) {
        surface.colour = {base->r, base->g, base->b};
    } else if (const auto diffuse = ColourOf(material, AI_MATKEY_COLOR_DIFFUSE)) {
        surface.colour = {diffuse->r, diffuse->g, diffuse->b};
    }
    if (const auto ior = FloatOf(material, AI_MATKEY_REFRACTI); ior && *ior > 1) surface.ior = *ior;

    const auto metallic = FloatOf(material, AI_MATKEY_METALLIC_FACTOR);
    const auto roughness = FloatOf(material, AI_MATKEY_ROUGHNESS_FACTOR);
    if (metallic || roughness) {
        // Metal-roughness: a dielectric reflects as its IOR says (the strength whose phong IOR is
        // the surface's), a metal fully; in between they mix.
        const float metal = Clamp01(metallic.value_or(0));
        surface.roughness = Clamp01(roughness.value_or(1));
        const float dielectric = std::sqrt((surface.ior - 1) / 10);
        surface.reflectionStrength = Clamp01(dielectric + (1 - dielectric) * metal);
        surface.reflective =
            surface.roughness < kGlossyRoughness || (metal >= 0.5f && surface.roughness < kMetalRoughness);
    } else {
        // Specular colour and shininess: the strength is the specular colour's brightest part.
        const aiColor3D specular = ColourOf(material, AI_MATKEY_COLOR_SPECULAR).value_or(aiColor3D(0, 0, 0));
        const float level = FloatOf(material, AI_MATKEY_SHININESS_STRENGTH).value_or(1);
        surface.roughness = RoughnessOfShininess(FloatOf(material, AI_MATKEY_SHININESS).value_or(0));
        surface.reflectionStrength = Clamp01(std::max({specular.r, specular.g, specular.b}) * level);
        surface.reflective = surface.reflectionStrength > 0 && surface.roughness < kGlossyRoughness;
    }

    // glTF's opacity counts only in its blend mode; in the others it is the colour's unused alpha
    // or a cut-out threshold's input, and the surface stays opaque.
    bool coverage = true;
    aiString alphaMode;
    if (material.Get(AI_MATKEY_GLTF_ALPHAMODE, alphaMode) == AI_SUCCESS) {
        coverage = std::strcmp(alphaMode.C_Str(), "BLEND") == 0;
    }
    const float opacity = FloatOf(material, AI_MATKEY_OPACITY).value_or(1);
    surface.transmits = FloatOf(material, AI_MATKEY_TRANSMISSION_FACTOR).value_or(0) > 0;
    surface.transparent = surface.transmits || (coverage && opacity < 1);
    return surface;
}

// The first texture path the material gives for any of the types, in their order.
std::string TexturePath(const aiMaterial& material, std::initializer_list<aiTextureType> types) {
    for (const aiTextureType type : types) {
        aiString path;
        if (material.GetTextureCount(type) > 0 && material.GetTexture(type, 0, &path) == AI_SUCCESS &&
            path.length > 0) {
            return path.C_Str();
        }
    }
    return {};
}

// Puts the texture of the types (if the material has one) into the channel.
void SetTexture(const ImportContext& context, SceneTextures& textures, const aiMaterial& material,
                const std::string& name, std::initializer_list<aiTextureType> types, HostChannel& channel) {
    const auto location = textures.Locate(TexturePath(material, types), name);
    if (!location) return;
    channel.Data().Set<HostString>(host_param::kChannelTexture, HostString(location->name));
    channel.Data().Set<HostFilename>(host_param::kChannelFolder, context.files.ToHost(location->folder));
}

bool HasTexture(const aiMaterial& material, std::initializer_list<aiTextureType> types) {
    return !TexturePath(material, types).empty();
}

// The file's name, unless the document has it already: then the first free one of "NAME.1",
// "NAME.2", ...  A material without a name is named "Material" (the document tells materials
// apart by their names, the empty one included).
std::string UniqueName(std::string name, std::unordered_set<std::string>& taken) {
    if (name.empty()) name = kUnnamed;
    if (taken.insert(name).second) return name;
    for (int n = 1;; ++n) {
        std::string candidate = name + "." + std::to_string(n);
        if (taken.insert(candidate).second) return candidate;
    }
}

void FillMaterial(const ImportContext& context, SceneTextures& textures, const aiMaterial& source,
                  const std::string& name, headless::HlMaterial& material) {
    using namespace host_material;
    const Surface surface = DescribeSurface(source);
    ParamContainer& data = material.Data();
    data.Set<Vector>(kColour, surface.colour);
    data.Set<float>(kBrightness, 1.0f);
    HostChannel& colour = *material.GetChannel(kColourChannel);
    colour.SetOn(true);
    SetTexture(context, textures, source, name, {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE}, colour);

    // Luminance: on when the material emits; an emissive texture goes into the channel either
    // way (glTF scales it by the emission colour, which may be black).
    HostChannel& luminance = *material.GetChannel(kLuminanceChannel);
    if (MaterialEmission(source)) {
        const aiColor3D emissive = ColourOf(source, AI_MATKEY_COLOR_EMISSIVE).value_or(aiColor3D(0, 0, 0));
        data.Set<Vector>(kLuminanceColour, Vector{emissive.r, emissive.g, emissive.b});
        data.Set<float>(kLuminanceBrightness, FloatOf(source, AI_MATKEY_EMISSIVE_INTENSITY).value_or(1));
        luminance.SetOn(true);
    }
    SetTexture(context, textures, source, name, {aiTextureType_EMISSIVE, aiTextureType_EMISSION_COLOR}, luminance);

    // Reflection: the values always, the channel on only for visibly reflective surfaces, so
    // that a matte one converts to a diffuse material.
    data.Set<float>(kReflectionStrength, surface.reflectionStrength);
    data.Set<float>(kReflectionBlur, BlurOfRoughness(surface.roughness));
    material.GetChannel(kReflectionChannel)->SetOn(surface.reflective);

    // Transparency: transmission is as blurred as the surface is rough; a surface see-through
    // by coverage (opacity) is clear, for its roughness describes its reflections.
    data.Set<float>(kRefraction, surface.ior);
    data.Set<float>(kTransparencyBlur, surface.transmits ? BlurOfRoughness(surface.roughness) : 0.0f);
    material.GetChannel(kTransparencyChannel)->SetOn(surface.transparent);

    // Bump: normal maps and height maps alike.
    const std::initializer_list<aiTextureType> bumpTypes = {aiTextureType_NORMALS, aiTextureType_HEIGHT};
    if (HasTexture(source, bumpTypes)) {
        HostChannel& bump = *material.GetChannel(kBumpChannel);
        bump.SetOn(true);
        data.Set<float>(kBumpStrength, kBumpStrength);
        SetTexture(context, textures, source, name, bumpTypes, bump);
    }
}

}  // namespace

std::optional<aiColor3D> MaterialEmission(const aiMaterial& material) {
    const auto emissive = ColourOf(material, AI_MATKEY_COLOR_EMISSIVE);
    if (!emissive) return std::nullopt;
    const float strength = FloatOf(material, AI_MATKEY_EMISSIVE_INTENSITY).value_or(1);
    const aiColor3D emission = *emissive * strength;
    if (!(emission.r > 0 || emission.g > 0 || emission.b > 0)) return std::nullopt;
    return emission;
}

void ImportMaterials(ImportContext& context) {
    const aiScene& scene = context.scene;
    context.materials.assign(scene.mNumMaterials, nullptr);
    std::unordered_set<std::string> taken;
    for (const auto& existing : context.document.Materials()) taken.insert(existing->GetName().Str());
    std::vector<bool> used(scene.mNumMaterials, false);
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        if (scene.mMeshes[i]->mMaterialIndex < scene.mNumMaterials) used[scene.mMeshes[i]->mMaterialIndex] = true;
    }
    SceneTextures textures(context);
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
        const aiMaterial& source = *scene.mMaterials[i];
        aiString fileName;
        source.Get(AI_MATKEY_NAME, fileName);
        // The reader adds a default material to some files (OBJ, glTF) whether a mesh uses it
        // or not; the file's own materials are kept, used or not.
        const std::string_view given = fileName.C_Str();
        if (!used[i] && (given.empty() || given == AI_DEFAULT_MATERIAL_NAME)) continue;
        auto material = std::make_unique<headless::HlMaterial>(host_type::kStandardMaterial);
        const std::string name = UniqueName(fileName.C_Str(), taken);
        material->SetName(HostString(name));
        FillMaterial(context, textures, source, name, *material);
        context.materials[i] = material.get();
        context.document.InsertMaterial(std::move(material), nullptr);
    }
}

}  // namespace scene_import
