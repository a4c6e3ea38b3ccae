// MyMaterialHelper: one renderer material, named by a linked host material.  The tag keeps
// the linked material's viewport appearance in step with its settings, exports its material
// to a material library, starts a preview render and shows the preview image.
#pragma once

#include <cstdint>

#include "sdk/plugin.h"
#include "tags/param_table.h"

// Parameters of the helper tag that the tag and the material writers read.
namespace helper_param {
inline constexpr int32_t kMaterial = 1001;  // link: the host material
inline constexpr int32_t kType = 1002;
inline constexpr int32_t kDiffuseColour = 1013;
inline constexpr int32_t kDiffuseGamma = 1014;
inline constexpr int32_t kOrenNayarColour = 1102;
inline constexpr int32_t kOrenNayarGamma = 1103;
inline constexpr int32_t kOrenNayarSigma = 1104;
inline constexpr int32_t kPhongColour = 1015;
inline constexpr int32_t kPhongGamma = 1095;
inline constexpr int32_t kPhongIor = 1016;
inline constexpr int32_t kPhongExponent = 1017;
inline constexpr int32_t kPhongUseNk = 1018;
inline constexpr int32_t kPhongNkFile = 1019;
inline constexpr int32_t kPhongSpecularColour = 1105;
inline constexpr int32_t kTransparent = 1020;
inline constexpr int32_t kGlossyExponent = 1022;
inline constexpr int32_t kTransmitterColour = 1024;
inline constexpr int32_t kBlendA = 1025;
inline constexpr int32_t kBlendB = 1026;
inline constexpr int32_t kBlendFactor = 1028;
inline constexpr int32_t kMediumKind = 1032;
inline constexpr int32_t kMediumIor = 1040;
inline constexpr int32_t kAbsorption = 1042;
inline constexpr int32_t kAbsorptionColour = 1054;
inline constexpr int32_t kScattering = 1056;
inline constexpr int32_t kPhaseFunction = 1070;
inline constexpr int32_t kGSpectrum = 1106;
inline constexpr int32_t kSubsurface = 1078;
inline constexpr int32_t kAlbedoTextureGamma = 1080;  // also the diffuse transmitter's gamma
inline constexpr int32_t kBumpExponent = 1081;
inline constexpr int32_t kBumpA = 1082;
inline constexpr int32_t kBumpB = 1087;
inline constexpr int32_t kBumpC = 1088;
inline constexpr int32_t kExponentMapExponent = 1089;
inline constexpr int32_t kExponentMapA = 1090;
inline constexpr int32_t kExponentMapB = 1091;
inline constexpr int32_t kExponentMapC = 1092;
inline constexpr int32_t kKeepInStep = 1086;
inline constexpr int32_t kPreviewImage = 1097;
inline constexpr int32_t kPreviewDisplay = 1096;  // custom data, never stored
inline constexpr int32_t kExportButton = 1083;
inline constexpr int32_t kPreviewButton = 1085;
}  // namespace helper_param

// The medium of a specular or glossy transparent material (besides kMediumKind, kMediumIor,
// kAbsorption, kAbsorptionColour, kScattering, kPhaseFunction, kGSpectrum, kSubsurface).
namespace medium_param {
inline constexpr int32_t kPrecedence = 1039;
inline constexpr int32_t kCauchyB = 1041;
inline constexpr int32_t kBasic = 1033;  // values of helper_param::kMediumKind
inline constexpr int32_t kDermis = 1034;
inline constexpr int32_t kEpidermis = 1035;
inline constexpr int32_t kHemoglobin = 1075;
inline constexpr int32_t kMelanin = 1076;
inline constexpr int32_t kMelaninBlend = 1077;
inline constexpr int32_t kUniformPhase = 1071;  // values of helper_param::kPhaseFunction
inline constexpr int32_t kHenyeyGreenstein = 1072;
inline constexpr int32_t kGUniform = 1107;  // values of helper_param::kGSpectrum
inline constexpr int32_t kGRgb = 1108;
inline constexpr int32_t kGValue = 1074;
inline constexpr int32_t kGRed = 1109;
inline constexpr int32_t kGGreen = 1110;
inline constexpr int32_t kGBlue = 1111;
inline constexpr int32_t kGGamma = 1113;
}  // namespace medium_param

// Where a coefficient spectrum of the medium (absorption or scattering) keeps its kind and the
// values of each kind; the kinds are values of the kind parameter.
struct CoefficientSpectrumParams {
    int32_t kind;
    int32_t peakKind;  // a peak has no spectrum in a medium: the kind that writes nothing
    int32_t uniformKind, uniformValue;
    int32_t blackbodyKind, temperature, blackbodyGain;
    int32_t rgbKind, colour, gain, gamma;
    bool complement;  // the tag holds the colour that passes, the medium what is taken away
    int32_t tabulatedKind, start, end, count, values;
};
inline constexpr CoefficientSpectrumParams kAbsorptionParams{
    helper_param::kAbsorption, 1043, 1046, 1053, 1045, 1051, 1052, 1044, helper_param::kAbsorptionColour,
    1099, 1055, true, 1120, 1122, 1123, 1125, 1124};
inline constexpr CoefficientSpectrumParams kScatteringParams{
    helper_param::kScattering, 1057, 1060, 1067, 1059, 1065, 1066, 1058, 1068, 1098, 1069, false, 1114, 1116, 1117,
    1119, 1118};

// Values of parameter 1002.
namespace material_type {
inline constexpr int32_t kDiffuse = 1003;
inline constexpr int32_t kOrenNayar = 1101;
inline constexpr int32_t kPhong = 1004;
inline constexpr int32_t kSpecular = 1005;
inline constexpr int32_t kGlossyTransparent = 1006;
inline constexpr int32_t kDiffuseTransmitter = 1023;
inline constexpr int32_t kBlend = 1030;
}  // namespace material_type

// Channels of a standard host material that carry the renderer material's textures.
namespace material_channel {
inline constexpr int32_t kAlbedo = 0;
inline constexpr int32_t kTransparency = 2;
inline constexpr int32_t kReflection = 3;
inline constexpr int32_t kBump = 6;
inline constexpr int32_t kBlendMap = 7;
inline constexpr int32_t kSpecular = 8;
inline constexpr int32_t kExponentMap = 9;
}  // namespace material_channel

// Custom data type of the preview-image entry (1096).
inline constexpr int32_t kPreviewDisplayType = 1001053;

// What the tag's two buttons start.  The library writer and the preview dialog stand above the
// tags, so the module hands them to the tag when it registers it; a button whose action is not
// set does nothing.
struct MaterialHelperActions {
    // Writes the tag's material to the library `file`.
    bool (*exportLibrary)(HostDocument* document, HostTag* tag, const HostFilename& file, bool copyTextures) = nullptr;
    // Opens the preview dialog of the tag, which renders into `image`.
    void (*openPreview)(const HostFilename& image, HostTag* tag) = nullptr;
};
void SetMaterialHelperActions(const MaterialHelperActions& actions);

class MyMaterialHelper : public TagData {
public:
    static TagData* Alloc() { return new MyMaterialHelper; }
    static const ParamTable& Defaults();
    // The defaults as a container, for reads that fall back on them.
    static const ParamContainer& DefaultValues();

    bool Init(HostNode* node) override;
    bool Message(HostNode* node, int32_t type, void* data) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
    bool GetDParameter(HostNode* node, int32_t id, ParamValue& value, int32_t& flags) override;
    bool SetDParameter(HostNode* node, int32_t id, const ParamValue& value, int32_t& flags) override;
};

// A value of a helper tag's container, or the tag's default for it when the entry is missing.
template <class T>
T MaterialHelperValue(const ParamContainer& data, int32_t id) {
    return data.Get<T>(id, MyMaterialHelper::DefaultValues().Get<T>(id));
}

// The host material that link `id` of a helper tag's container names in the document; null
// when the link is empty, dangling or names something other than a material.
HostMaterial* LinkedMaterial(const ParamContainer& data, int32_t id, const HostDocument* document);
// True when the material is a standard host material whose channel n is switched on.
bool IsStandardChannelOn(HostMaterial* material, int32_t n);

// The show/hide rules of the tag's description for the values in data; `linked` is the host
// material that link 1001 resolves to (null when it does not).
void ApplyMaterialHelperVisibility(const ParamContainer& data, HostMaterial* linked, Description& description);
// Sets the host material's colour, channels and parameters so that the host's viewport
// shows roughly what the renderer will render.
void KeepHostMaterialInStep(const ParamContainer& data, HostMaterial& material);
// A free name for a new preview image: the host timer in milliseconds + ".png", in the folder
// preview\renders of the module's directory (created when missing).
HostFilename NewPreviewImagePath();
