#include "tags/material_helper.h"

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

#include "core/ids.h"
#include "core/module.h"
#include "sdk/host.h"

namespace {

using namespace helper_param;
namespace type = material_type;
namespace channel = material_channel;

constexpr int32_t kQuestionString = 1705;
constexpr const char* kNoPath = "NOPATH";

// --- description ---------------------------------------------------------------------------

using GroupMap = std::initializer_list<std::pair<int32_t, int32_t>>;  // value -> group

// Shows the group of `value` and hides the others; a value without a group changes nothing.
// True when the value had a group.
bool ShowOnlyGroupOf(Description& description, GroupMap groups, int32_t value) {
    bool known = false;
    for (const auto& [option, group] : groups) known = known || option == value;
    if (!known) return false;
    for (const auto& [option, group] : groups) description.SetHidden(group, option != value);
    return true;
}

bool HoldsTextureName(HostMaterial* material, int32_t n) {
    const HostChannel* found = material ? material->GetChannel(n) : nullptr;
    return found && !found->Data().Get<HostString>(host_param::kChannelTexture).IsEmpty();
}

bool HasBumpMap(int32_t materialType) {
    return materialType == type::kDiffuse || materialType == type::kOrenNayar || materialType == type::kPhong ||
           materialType == type::kSpecular || materialType == type::kGlossyTransparent;
}

void ApplyMediumVisibility(const ParamContainer& data, Description& description) {
    ShowOnlyGroupOf(description, {{1043, 1050}, {1044, 1048}, {1045, 1047}, {1046, 1049}, {1120, 1121}},
                    MaterialHelperValue<int32_t>(data, kAbsorption));
    ShowOnlyGroupOf(description, {{1057, 1064}, {1058, 1062}, {1059, 1061}, {1060, 1063}, {1114, 1115}},
                    MaterialHelperValue<int32_t>(data, kScattering));
    const int32_t phase = MaterialHelperValue<int32_t>(data, kPhaseFunction);
    if (phase == 1071) description.SetHidden(1073, true);
    if (phase == 1072) {
        description.SetHidden(1073, false);
        ShowOnlyGroupOf(description, {{1107, 1074}, {1108, 1112}}, MaterialHelperValue<int32_t>(data, kGSpectrum));
    }
    ShowOnlyGroupOf(description, {{1033, 1036}, {1034, 1037}, {1035, 1038}},
                    MaterialHelperValue<int32_t>(data, kMediumKind));
    description.SetHidden(1079, !MaterialHelperValue<bool>(data, kSubsurface));
}

// --- keeping the host material in step ---------------------------------------------------------

// What one material type sets on the host material; unset fields are left alone.
struct HostAppearance {
    Vector colour;
    bool transparency = false;
    bool specular = false;
    std::optional<bool> reflection;
    std::optional<bool> fresnel;
    std::optional<float> refraction;
    std::optional<float> reflectionStrength;
};

// A material that lets no light through; `specular` switches the highlight.
HostAppearance Opaque(Vector colour, bool specular) {
    HostAppearance look;
    look.colour = colour;
    look.specular = specular;
    look.fresnel = false;
    return look;
}

// A material that refracts with the medium's index of refraction.
HostAppearance Transparent(Vector colour, float ior) {
    HostAppearance look;
    look.colour = colour;
    look.transparency = true;
    look.specular = true;
    look.fresnel = true;
    look.refraction = ior;
    return look;
}

std::optional<HostAppearance> AppearanceOf(const ParamContainer& data) {
    const auto colour = [&data](int32_t id) { return data.Get<Vector>(id, Vector{0, 0, 0}); };
    const float ior = data.Get<float>(kMediumIor, 1.0f);
    switch (data.Get<int32_t>(kType, type::kDiffuse)) {
        case type::kDiffuse: return Opaque(colour(kDiffuseColour), false);
        case type::kOrenNayar: return Opaque(colour(kOrenNayarColour), false);
        case type::kDiffuseTransmitter: return Opaque(colour(kTransmitterColour), false);
        case type::kBlend: return Opaque({1, 1, 1}, false);
        case type::kPhong: return Opaque(colour(kPhongColour), true);
        case type::kGlossyTransparent: return Transparent({1, 1, 1}, ior);
        case type::kSpecular: {
            if (data.Get<bool>(kTransparent, true)) {
                HostAppearance look = Transparent(colour(kAbsorptionColour), ior);
                look.reflection = false;
                return look;
            }
            // A mirror: reflection instead of transparency, its strength from the index.
            HostAppearance look;
            look.colour = colour(kAbsorptionColour);
            look.specular = true;
            look.reflection = true;
            look.reflectionStrength = 2.0f * ior / 100.0f;
            return look;
        }
        default: return std::nullopt;
    }
}

void SwitchChannel(HostMaterial& material, int32_t n, bool on) {
    if (HostChannel* found = material.GetChannel(n)) found->SetOn(on);
}

// Refreshes the material's preview (when the tag has rendered one) and tells the host.
void AnnounceMaterialChange(const ParamContainer& data, HostMaterial& material) {
    if (!data.Get<HostFilename>(kPreviewImage).IsEmpty()) material.Update(true, true);
    material.Message(node_message::kUpdate, nullptr);
    TheHost().EventAdd();
}

// --- messages ------------------------------------------------------------------------------

HostDocument* DocumentOf(const HostNode& node) {
    HostDocument* document = node.GetDocument();
    return document ? document : TheHost().GetActiveDocument();
}

MaterialHelperActions g_actions;

// Button 1083: asks for the library file and whether to copy the textures, then writes it.
bool ExportToLibrary(HostTag& tag) {
    Host& host = TheHost();
    HostFilename file;
    if (!host.FileSelect(FileSelectMode::kSave, "Save ovm...", file) || file.IsEmpty()) {
        host.MessageDialog("OVM Export canceled by user.");
        return false;
    }
    const bool copyTextures = host.QuestionDialog(host.LoadString(kQuestionString));
    if (g_actions.exportLibrary) g_actions.exportLibrary(DocumentOf(tag), &tag, file, copyTextures);
    return true;
}

// Button 1085: the preview dialog, rendering into the image that 1097 names.  A tag with an
// image name (or with no entry, read as "NOPATH") first gets a new, unused one; an empty
// name is kept and handed on as it is.
void RenderPreview(HostTag& tag) {
    if (!LinkedMaterial(tag.Data(), kMaterial, TheHost().GetActiveDocument())) return;
    HostFilename image = tag.Data().Get<HostFilename>(kPreviewImage, HostFilename(kNoPath));
    if (!image.IsEmpty()) {
        image = NewPreviewImagePath();
        tag.Data().Set<HostFilename>(kPreviewImage, image);
    }
    if (g_actions.openPreview) g_actions.openPreview(image, &tag);
}

// Message 27 for the preview entry: the rendered image, also scaled into the host material's
// own preview when the host gives one.
void ProvidePreviewBitmap(const HostNode& node, DescriptionBitmapRequest& request) {
    if (request.id != kPreviewDisplay) return;
    Host& host = TheHost();
    HostMaterial* linked = LinkedMaterial(node.Data(), kMaterial, host.GetActiveDocument());
    const HostFilename image = node.Data().Get<HostFilename>(kPreviewImage, HostFilename(kNoPath));
    if (!linked || !host.FileExists(image)) return;
    std::unique_ptr<HostBitmap> bitmap = host.LoadBitmap(image);
    if (!bitmap) return;
    if (HostBitmap* preview = linked->GetPreviewBitmap(0)) bitmap->ScaleInto(*preview);
    request.bitmap = bitmap.release();  // the host owns what the slot holds
}

}  // namespace

void SetMaterialHelperActions(const MaterialHelperActions& actions) { g_actions = actions; }

const ParamTable& MyMaterialHelper::Defaults() {
    using namespace medium_param;
    constexpr const CoefficientSpectrumParams& a = kAbsorptionParams;
    constexpr const CoefficientSpectrumParams& s = kScatteringParams;
    static const ParamTable table = {
        Int(kType, type::kDiffuse),
        // diffuse, Oren-Nayar
        Vec(kDiffuseColour, 0.8f, 0.8f, 0.8f), Real(kDiffuseGamma, 2.2),
        Vec(kOrenNayarColour, 0.8f, 0.8f, 0.8f), Real(kOrenNayarGamma, 2.2), Real(kOrenNayarSigma, 0.2),
        // phong, specular, glossy transparent, blend
        Vec(kPhongColour, 0.8f, 0.8f, 0.8f), Real(kPhongGamma, 2.2), Real(kPhongIor, 1), Real(kPhongExponent, 1000),
        Bool(kPhongUseNk, false), Text(kPhongNkFile, "Cr.nk"),
        Bool(kTransparent, true),
        Real(kGlossyExponent, 1000),
        Real(kBlendFactor, 0.5),
        // medium
        Int(kPrecedence, 10), Int(kMediumKind, kBasic), Real(kMediumIor, 1), Real(kCauchyB, 0),
        Int(a.kind, a.rgbKind), Vec(a.colour, 1, 1, 1), Real(a.gain, 1), Real(a.gamma, 1),
        Real(a.temperature, 6500), Real(a.blackbodyGain, 1), Real(a.uniformValue, 1),
        Bool(kSubsurface, false),
        Int(s.kind, s.rgbKind), Vec(s.colour, 0, 0, 0), Real(s.gain, 1), Real(s.gamma, 1),
        Real(s.temperature, 6500), Real(s.blackbodyGain, 1), Real(s.uniformValue, 1),
        Int(kPhaseFunction, kUniformPhase), Int(kGSpectrum, kGUniform), Real(kGValue, 0.9),
        Real(kGRed, 0.9), Real(kGGreen, 0.9), Real(kGBlue, 0.9), Real(kGGamma, 1),
        Real(kHemoglobin, 0.01), Real(kMelanin, 0.25), Real(kMelaninBlend, 0.5),
        // textures
        Real(kAlbedoTextureGamma, 2.2), Real(kBumpExponent, 1), Real(kBumpA, 0), Real(kBumpB, 0.001), Real(kBumpC, 0),
        Real(kExponentMapExponent, 1), Real(kExponentMapA, 0), Real(kExponentMapB, 10000), Real(kExponentMapC, 0),
        Bool(kKeepInStep, true),
    };
    return table;
}

const ParamContainer& MyMaterialHelper::DefaultValues() {
    static const ParamContainer values = DefaultsContainer(Defaults());
    return values;
}

bool MyMaterialHelper::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

HostMaterial* LinkedMaterial(const ParamContainer& data, int32_t id, const HostDocument* document) {
    HostNode* node = data.GetLink(id, document);
    return node && node->Kind() == NodeKind::kMaterial ? static_cast<HostMaterial*>(node) : nullptr;
}

bool IsStandardChannelOn(HostMaterial* material, int32_t n) {
    if (!material || material->GetType() != host_type::kStandardMaterial) return false;
    const HostChannel* found = material->GetChannel(n);
    return found && found->IsOn();
}

void ApplyMaterialHelperVisibility(const ParamContainer& data, HostMaterial* linked, Description& description) {
    description.SetHidden(kPreviewImage, true);
    const int32_t materialType = MaterialHelperValue<int32_t>(data, kType);
    if (ShowOnlyGroupOf(description,
                        {{type::kDiffuse, 1007}, {type::kOrenNayar, 1100}, {type::kPhong, 1008},
                         {type::kSpecular, 1009}, {type::kGlossyTransparent, 1010},
                         {type::kDiffuseTransmitter, 1011}, {type::kBlend, 1012}},
                        materialType)) {
        description.SetHidden(1031, materialType != type::kSpecular && materialType != type::kGlossyTransparent);
    }
    const bool nk = MaterialHelperValue<bool>(data, kPhongUseNk);
    for (int32_t id : {kPhongColour, kPhongIor, kPhongSpecularColour}) description.SetHidden(id, nk);
    description.SetHidden(kPhongNkFile, !nk);
    ApplyMediumVisibility(data, description);

    if (!linked) {
        description.SetHidden(1093, true);
        description.SetHidden(1094, true);
        return;
    }
    description.SetHidden(1093, materialType != type::kPhong || !HoldsTextureName(linked, channel::kExponentMap));
    description.SetHidden(1094, !HasBumpMap(materialType) || !HoldsTextureName(linked, channel::kBump));
}

void KeepHostMaterialInStep(const ParamContainer& data, HostMaterial& material) {
    const std::optional<HostAppearance> look = AppearanceOf(data);
    if (!look) return;
    ParamContainer& host = material.Data();
    host.Set<float>(host_material::kBrightness, 1.0f);
    host.Set<Vector>(host_material::kColour, look->colour);
    SwitchChannel(material, channel::kTransparency, look->transparency);
    if (look->reflection) SwitchChannel(material, channel::kReflection, *look->reflection);
    SwitchChannel(material, channel::kSpecular, look->specular);
    if (look->fresnel) host.Set<bool>(host_material::kTransparencyFresnel, *look->fresnel);
    if (look->refraction) host.Set<float>(host_material::kRefraction, *look->refraction);
    if (look->reflectionStrength) host.Set<float>(host_material::kReflectionStrength, *look->reflectionStrength);
}

HostFilename NewPreviewImagePath() {
    Host& host = TheHost();
    const HostFilename folder = module::PluginDirectory() + HostFilename("preview") + HostFilename("renders");
    if (!host.FileExists(folder, true)) host.CreateDirectory(folder);
    // A timer that has not moved on since the last name tried gives the next millisecond, so
    // the search always ends.
    int64_t stamp = std::numeric_limits<int64_t>::min();
    for (;;) {
        const int64_t now = host.GetTimer();
        stamp = now > stamp ? now : stamp + 1;
        const HostFilename candidate = folder + HostFilename(HostString::FromInt(stamp) + ".png");
        if (!host.FileExists(candidate)) return candidate;
    }
}

bool MyMaterialHelper::GetDDescription(HostNode* node, Description* description, int32_t& flags) {
    if (!node || !description || !description->LoadDescription(plugin_id::kMaterialHelper)) return false;
    const ParamContainer& data = node->Data();
    HostMaterial* linked = LinkedMaterial(data, kMaterial, TheHost().GetActiveDocument());
    ApplyMaterialHelperVisibility(data, linked, *description);
    if (linked) {
        if (MaterialHelperValue<bool>(data, kKeepInStep)) KeepHostMaterialInStep(data, *linked);
        AnnounceMaterialChange(data, *linked);
    }
    flags |= kDescriptionLoaded;
    return true;
}

// The preview entry shows the tag's preview image through the host's image control: its
// value names this tag, and nothing of it is stored.
bool MyMaterialHelper::GetDParameter(HostNode* node, int32_t id, ParamValue& value, int32_t& flags) {
    if (id != kPreviewDisplay || !node) return true;
    value = node->GetLink();
    flags |= kParameterHandled;
    return true;
}

bool MyMaterialHelper::SetDParameter(HostNode* /*node*/, int32_t id, const ParamValue& /*value*/, int32_t& flags) {
    if (id == kPreviewDisplay) flags |= kParameterHandled;
    return true;
}

bool MyMaterialHelper::Message(HostNode* node, int32_t messageType, void* data) {
    if (!node || !data) return true;
    if (messageType == node_message::kDescriptionCommand && node->Kind() == NodeKind::kTag) {
        auto& tag = static_cast<HostTag&>(*node);
        const int32_t button = static_cast<const DescriptionCommand*>(data)->id;
        if (button == kExportButton) return ExportToLibrary(tag);
        if (button == kPreviewButton) RenderPreview(tag);
    } else if (messageType == node_message::kDescriptionBitmap) {
        ProvidePreviewBitmap(*node, *static_cast<DescriptionBitmapRequest*>(data));
    }
    return true;
}
