// The medium of an imported specular or glossy transparent material: the library's "medium"
// element that the material names, read into the material's helper tag.
#include "core/material_name.h"
#include "materials/library_import.h"
#include "materials/library_values.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
using namespace medium_param;

constexpr std::string_view kMediumPrefix = "Med";

Vector Complement(Vector colour) { return Vector(1.0f - colour.x, 1.0f - colour.y, 1.0f - colour.z); }

}  // namespace

void LibraryImport::ReadMedium(ParamContainer& data, const TiXmlElement& type) {
    const std::optional<HostString> name = ChildText(&type, "internal_medium_name");
    if (!name) return;
    RestoreNameFromMedium(*name);
    const auto found = mediaByName_.find(name->Str());
    if (found == mediaByName_.end()) return;
    const TiXmlElement* medium = found->second;
    if (!Child(medium, "precedence")) return;
    ReadInt(data, kPrecedence, medium, "precedence");
    if (const TiXmlElement* basic = Child(medium, "basic")) ReadBasicMedium(data, *basic);
    if (const TiXmlElement* dermis = Child(medium, "dermis")) {
        data.Set<int32_t>(kMediumKind, kDermis);
        ReadReal(data, kHemoglobin, dermis, "hemoglobin_fraction");
    }
    if (const TiXmlElement* epidermis = Child(medium, "epidermis")) {
        data.Set<int32_t>(kMediumKind, kEpidermis);
        ReadReals(data, epidermis, {{"melanin_fraction", kMelanin}, {"melanin_type_blend", kMelaninBlend}});
    }
}

void LibraryImport::ReadBasicMedium(ParamContainer& data, const TiXmlElement& basic) {
    data.Set<int32_t>(kMediumKind, kBasic);
    ReadReals(data, &basic, {{"ior", kMediumIor}, {"cauchy_b_coeff", kCauchyB}});
    ReadCoefficientSpectrum(data, Child(&basic, "absorption_coefficient_spectrum"), kAbsorptionParams);
    const TiXmlElement* scattering = Child(&basic, "subsurface_scattering");
    if (!scattering) return;
    data.Set<bool>(kSubsurface, true);
    ReadCoefficientSpectrum(data, Child(scattering, "scattering_coefficient_spectrum"), kScatteringParams);
    ReadPhaseFunction(data, Child(scattering, "phase_function"));
}

// Each kind present sets the kind parameter, so the last one present counts; a spectrum with
// no kind that is read leaves the parameter as it was (the tag's default).
void LibraryImport::ReadCoefficientSpectrum(ParamContainer& data, const TiXmlElement* wrapper,
                                            const CoefficientSpectrumParams& keys) {
    if (!wrapper) return;
    if (const TiXmlElement* uniform = Child(wrapper, "uniform")) {
        data.Set<int32_t>(keys.kind, keys.uniformKind);
        ReadReal(data, keys.uniformValue, uniform, "value");
    }
    if (const TiXmlElement* blackbody = Child(wrapper, "blackbody")) {
        data.Set<int32_t>(keys.kind, keys.blackbodyKind);
        ReadReals(data, blackbody, {{"temperature", keys.temperature}, {"gain", keys.blackbodyGain}});
    }
    if (Child(wrapper, "peak")) data.Set<int32_t>(keys.kind, keys.peakKind);
    if (const TiXmlElement* rgb = Child(wrapper, "rgb")) {
        data.Set<int32_t>(keys.kind, keys.rgbKind);
        float gain = 0.0f;  // set only when the colour was scaled down
        if (const std::optional<Vector> colour = ReadColour(rgb, &gain)) {
            data.Set<Vector>(keys.colour, keys.complement ? Complement(*colour) : *colour);
            if (gain > 1.0f) data.Set<float>(keys.gain, gain);
        }
        ReadReal(data, keys.gamma, rgb, "gamma");
    }
    if (const TiXmlElement* tabulated = Child(wrapper, "regular_tabulated")) {
        data.Set<int32_t>(keys.kind, keys.tabulatedKind);
        ReadString(data, keys.start, tabulated, "start_wavelength");
        ReadString(data, keys.end, tabulated, "end_wavelength");
        ReadInt(data, keys.count, tabulated, "num_values");
        ReadString(data, keys.values, tabulated, "values");
    }
}

void LibraryImport::ReadPhaseFunction(ParamContainer& data, const TiXmlElement* phase) {
    if (Child(phase, "uniform")) data.Set<int32_t>(kPhaseFunction, kUniformPhase);
    const TiXmlElement* henyeyGreenstein = Child(phase, "henyey_greenstein");
    if (!henyeyGreenstein) return;
    data.Set<int32_t>(kPhaseFunction, kHenyeyGreenstein);
    const TiXmlElement* g = Child(henyeyGreenstein, "g_spectrum");
    if (const TiXmlElement* uniform = Child(g, "uniform")) {
        data.Set<int32_t>(kGSpectrum, kGUniform);
        ReadReal(data, kGValue, uniform, "value");
    }
    if (const TiXmlElement* rgb = Child(g, "rgb")) {
        data.Set<int32_t>(kGSpectrum, kGRgb);
        if (const std::optional<Vector> colour = ReadColour(rgb, nullptr)) {
            data.Set<float>(kGRed, colour->x);
            data.Set<float>(kGGreen, colour->y);
            data.Set<float>(kGBlue, colour->z);
        }
        ReadReal(data, kGGamma, rgb, "gamma");
    }
}

// A library names a material with its blanks turned into underscores, and its medium with
// "Med" and the material's name as it was.  When the two agree, the material being read gets
// its name with the blanks back, so that it is written under the same names again.
void LibraryImport::RestoreNameFromMedium(const HostString& mediumName) {
    if (pending_.empty() || !mediumName.Str().starts_with(kMediumPrefix)) return;
    const HostString original(mediumName.Str().substr(kMediumPrefix.size()));
    const Pending& current = pending_.back();
    if (original == current.name || SanitizeMaterialName(original) != current.name) return;
    current.material->SetName(original);
    current.null->SetName(original);
}
