#include "materials/medium.h"

#include "core/format.h"
#include "core/xml.h"
#include "materials/spectrum.h"
#include "tags/material_helper.h"

namespace {

// Parameters of the helper tag's medium besides those of helper_param.
namespace medium_param {
inline constexpr int32_t kPrecedence = 1039;
inline constexpr int32_t kBasic = 1033;  // values of helper_param::kMediumKind
inline constexpr int32_t kDermis = 1034;
inline constexpr int32_t kEpidermis = 1035;
inline constexpr int32_t kCauchyB = 1041;
inline constexpr int32_t kUniformPhase = 1071;  // values of helper_param::kPhaseFunction
inline constexpr int32_t kHenyeyGreenstein = 1072;
inline constexpr int32_t kGUniform = 1107;  // values of helper_param::kGSpectrum
inline constexpr int32_t kGRgb = 1108;
inline constexpr int32_t kGValue = 1074;
inline constexpr int32_t kGRed = 1109;
inline constexpr int32_t kGGreen = 1110;
inline constexpr int32_t kGBlue = 1111;
inline constexpr int32_t kGGamma = 1113;
inline constexpr int32_t kHemoglobin = 1075;
inline constexpr int32_t kMelanin = 1076;
inline constexpr int32_t kMelaninBlend = 1077;
}  // namespace medium_param

using namespace helper_param;
using namespace medium_param;

// Where a coefficient spectrum (absorption or scattering) keeps its kind and values.  The
// kinds are values of the kind parameter; each kind reads its own parameters.
struct CoefficientSpectrum {
    int32_t kindParam;
    int32_t rgbKind, colour, gain, gamma;
    bool complement;  // the colour says what passes, the coefficient what is taken away
    int32_t blackbodyKind, temperature, blackbodyGain;
    int32_t uniformKind, uniformValue;
    int32_t tabulatedKind, start, end, count, values;
};

constexpr CoefficientSpectrum kAbsorptionSpectrum = {
    kAbsorption, 1044, kAbsorptionColour, 1099, 1055, true, 1045, 1051, 1052, 1046, 1053, 1120, 1122, 1123, 1125, 1124,
};
// Black bodies of scattering are what the library import stores; the writer gives them back.
constexpr CoefficientSpectrum kScatteringSpectrum = {
    kScattering, 1058, 1068, 1098, 1069, false, 1059, 1065, 1066, 1060, 1067, 1114, 1116, 1117, 1119, 1118,
};

HostString Number(float value) { return FormatReal(value, -1); }

}  // namespace

HostString MediumName(const ParamContainer& tagData, const HostDocument* document) {
    const HostMaterial* material = LinkedMaterial(tagData, kMaterial, document);
    if (!material) return HostString("MedMATERIAL LINK NOT SET!");
    return HostString("Med") + material->GetName();
}

namespace {

// Appends the spectrum that the kind parameter chooses.  The peak kind has no spectrum in a
// medium: it leaves the wrapper empty, as an unknown kind does.
void WriteCoefficientSpectrum(const ParamContainer& data, const CoefficientSpectrum& spectrum, TiXmlElement& wrapper) {
    const int32_t kind = data.Get<int32_t>(spectrum.kindParam, 0);
    if (kind == spectrum.rgbKind) {
        Vector colour = data.Get<Vector>(spectrum.colour);
        if (spectrum.complement) colour = Vector(1.0f - colour.x, 1.0f - colour.y, 1.0f - colour.z);
        WriteRgbSpectrum(colour.x, colour.y, colour.z, data.Get<float>(spectrum.gamma),
                                data.Get<float>(spectrum.gain), wrapper);
    } else if (kind == spectrum.blackbodyKind) {
        WriteBlackbodySpectrum(data.Get<float>(spectrum.temperature), data.Get<float>(spectrum.blackbodyGain),
                                      wrapper);
    } else if (kind == spectrum.uniformKind) {
        WriteUniformSpectrum(data.Get<float>(spectrum.uniformValue), wrapper);
    } else if (kind == spectrum.tabulatedKind) {
        WriteTabulatedSpectrum(data.Get<HostString>(spectrum.start), data.Get<HostString>(spectrum.end),
                                      data.Get<int32_t>(spectrum.count), data.Get<HostString>(spectrum.values),
                                      wrapper);
    }
}

void WritePhaseFunction(const ParamContainer& data, TiXmlElement& scattering) {
    TiXmlElement& phase = *AppendElement(scattering, "phase_function");
    const int32_t kind = data.Get<int32_t>(kPhaseFunction, 0);
    if (kind == kUniformPhase) {
        AppendElement(phase, "uniform");
    } else if (kind == kHenyeyGreenstein) {
        TiXmlElement& g = *AppendElement(*AppendElement(phase, "henyey_greenstein"), "g_spectrum");
        const int32_t gKind = data.Get<int32_t>(kGSpectrum, kGUniform);
        if (gKind == kGUniform) {
            WriteUniformSpectrum(data.Get<float>(kGValue), g);
        } else if (gKind == kGRgb) {
            WriteRgbSpectrum(data.Get<float>(kGRed), data.Get<float>(kGGreen), data.Get<float>(kGBlue),
                                    data.Get<float>(kGGamma), 1.0f, g);
        }
    }
}

void WriteBasicMedium(const ParamContainer& data, TiXmlElement& medium) {
    TiXmlElement& basic = *AppendElement(medium, "basic");
    AppendKey(basic, "ior", Number(data.Get<float>(kMediumIor)));
    AppendKey(basic, "cauchy_b_coeff", Number(data.Get<float>(kCauchyB)));
    WriteCoefficientSpectrum(data, kAbsorptionSpectrum, *AppendElement(basic, "absorption_coefficient_spectrum"));
    if (!data.Get<bool>(kSubsurface, false)) return;
    TiXmlElement& scattering = *AppendElement(basic, "subsurface_scattering");
    WriteCoefficientSpectrum(data, kScatteringSpectrum,
                             *AppendElement(scattering, "scattering_coefficient_spectrum"));
    WritePhaseFunction(data, scattering);
}

}  // namespace

bool WriteMedium(const HostDocument* document, const ParamContainer& tagData, TiXmlElement& parent) {
    TiXmlElement& medium = *AppendElement(parent, "medium");
    AppendKey(medium, "name", MediumName(tagData, document));
    AppendKey(medium, "precedence", FormatInt(tagData.Get<int32_t>(kPrecedence, 1)));
    switch (tagData.Get<int32_t>(kMediumKind, 0)) {
        case kBasic:
            WriteBasicMedium(tagData, medium);
            break;
        case kDermis:
            AppendKey(*AppendElement(medium, "dermis"), "hemoglobin_fraction", Number(tagData.Get<float>(kHemoglobin)));
            break;
        case kEpidermis: {
            TiXmlElement& epidermis = *AppendElement(medium, "epidermis");
            AppendKey(epidermis, "melanin_fraction", Number(tagData.Get<float>(kMelanin)));
            AppendKey(epidermis, "melanin_type_blend", Number(tagData.Get<float>(kMelaninBlend)));
            break;
        }
        default:
            break;
    }
    return true;
}
