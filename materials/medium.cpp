#include "materials/medium.h"

#include "core/format.h"
#include "core/xml.h"
#include "materials/spectrum.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
using namespace medium_param;

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
// Black bodies of scattering are what the library import stores; the writer gives them back.
void WriteCoefficientSpectrum(const ParamContainer& data, const CoefficientSpectrumParams& spectrum,
                              TiXmlElement& wrapper) {
    const int32_t kind = data.Get<int32_t>(spectrum.kind, 0);
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
    WriteCoefficientSpectrum(data, kAbsorptionParams, *AppendElement(basic, "absorption_coefficient_spectrum"));
    if (!data.Get<bool>(kSubsurface, false)) return;
    TiXmlElement& scattering = *AppendElement(basic, "subsurface_scattering");
    WriteCoefficientSpectrum(data, kScatteringParams,
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
