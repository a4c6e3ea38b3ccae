// The medium of an imported specular or glossy transparent material: the library's "medium"
// element that the material names, read into the material's helper tag.
#include "core/material_name.h"
#include "materials/library_import.h"
#include "materials/library_values.h"

// Where a coefficient spectrum keeps its kind and the values of each kind.
struct SpectrumKeys {
    int32_t kind;
    int32_t peakKind;  // also what an empty spectrum element stands for: the kind that writes nothing
    int32_t uniformKind, uniformValue;
    int32_t blackbodyKind, temperature, blackbodyGain;
    int32_t rgbKind, colour, gain, gamma;
    bool complement;  // the library holds what is absorbed, the tag the colour that passes
    int32_t tabulatedKind, start, end, count, values;
};

namespace {

constexpr SpectrumKeys kAbsorption{1042, 1043, 1046, 1053, 1045, 1051, 1052, 1044,
                                   1054, 1099, 1055, true, 1120, 1122, 1123, 1125, 1124};
constexpr SpectrumKeys kScattering{1056, 1057, 1060, 1067, 1059, 1065, 1066, 1058,
                                   1068, 1098, 1069, false, 1114, 1116, 1117, 1119, 1118};

namespace medium_param {
constexpr int32_t kPrecedence = 1039;
constexpr int32_t kKind = 1032;
constexpr int32_t kBasic = 1033;
constexpr int32_t kDermis = 1034;
constexpr int32_t kEpidermis = 1035;
constexpr int32_t kIor = 1040;
constexpr int32_t kCauchyB = 1041;
constexpr int32_t kScatteringOn = 1078;
constexpr int32_t kPhaseFunction = 1070;
constexpr int32_t kUniformPhase = 1071;
constexpr int32_t kHenyeyGreenstein = 1072;
constexpr int32_t kGSpectrum = 1106;
constexpr int32_t kGUniform = 1107;
constexpr int32_t kGRgb = 1108;
constexpr int32_t kGValue = 1074;
constexpr int32_t kGRed = 1109;
constexpr int32_t kGGreen = 1110;
constexpr int32_t kGBlue = 1111;
constexpr int32_t kGGamma = 1113;
constexpr int32_t kHemoglobin = 1075;
constexpr int32_t kMelanin = 1076;
constexpr int32_t kMelaninBlend = 1077;
}  // namespace medium_param

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
        data.Set<int32_t>(kKind, kDermis);
        ReadReal(data, kHemoglobin, dermis, "hemoglobin_fraction");
    }
    if (const TiXmlElement* epidermis = Child(medium, "epidermis")) {
        data.Set<int32_t>(kKind, kEpidermis);
        ReadReals(data, epidermis, {{"melanin_fraction", kMelanin}, {"melanin_type_blend", kMelaninBlend}});
    }
}

void LibraryImport::ReadBasicMedium(ParamContainer& data, const TiXmlElement& basic) {
    data.Set<int32_t>(kKind, kBasic);
    ReadReals(data, &basic, {{"ior", kIor}, {"cauchy_b_coeff", kCauchyB}});
    ReadCoefficientSpectrum(data, Child(&basic, "absorption_coefficient_spectrum"), kAbsorption);
    const TiXmlElement* scattering = Child(&basic, "subsurface_scattering");
    if (!scattering) return;
    data.Set<bool>(kScatteringOn, true);
    ReadCoefficientSpectrum(data, Child(scattering, "scattering_coefficient_spectrum"), kScattering);
    ReadPhaseFunction(data, Child(scattering, "phase_function"));
}

// Each kind present sets the kind parameter, so the last one present counts.
void LibraryImport::ReadCoefficientSpectrum(ParamContainer& data, const TiXmlElement* wrapper,
                                            const SpectrumKeys& keys) {
    if (!wrapper) return;
    data.Set<int32_t>(keys.kind, keys.peakKind);
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
