#include "materials/spectrum.h"

#include <string>

#include "core/format.h"
#include "core/xml.h"

namespace {

// The number text of every spectrum value: the shortest text that reads back as the float.
HostString Number(float value) { return FormatReal(value, -1); }

// A list of blank-separated values too long for one element is cut after its last whole
// value within the limit, so that no number is written half.
HostString WholeValues(const HostString& values) {
    const std::string& text = values.Str();
    if (text.size() <= kMaxValueTextBytes) return values;
    const size_t blank = text.rfind(' ', kMaxValueTextBytes);
    if (blank == std::string::npos) return LimitValueText(text);
    return text.substr(0, text.find_last_not_of(' ', blank) + 1);
}

}  // namespace

bool WriteRgbSpectrum(float r, float g, float b, float gamma, float gain, TiXmlElement& parent) {
    TiXmlElement& rgb = *AppendElement(parent, "rgb");
    const float scaled[] = {r * gain, g * gain, b * gain};
    std::string components;
    for (float component : scaled) {
        if (!components.empty()) components += ' ';
        textfmt::AppendReal(components, component, -1);
    }
    AppendKey(rgb, "rgb", components);
    AppendKey(rgb, "gamma", Number(gamma));
    return true;
}

bool WriteBlackbodySpectrum(float temperature, float gain, TiXmlElement& parent) {
    TiXmlElement& blackbody = *AppendElement(parent, "blackbody");
    AppendKey(blackbody, "temperature", Number(temperature));
    AppendKey(blackbody, "gain", Number(gain));
    return true;
}

bool WriteUniformSpectrum(float value, TiXmlElement& parent) {
    TiXmlElement& uniform = *AppendElement(parent, "uniform");
    AppendKey(uniform, "value", Number(value));
    return true;
}

bool WritePeakSpectrum(float peakMin, float peakWidth, float baseValue, float peakValue, TiXmlElement& parent) {
    TiXmlElement& peak = *AppendElement(parent, "peak");
    AppendKey(peak, "peak_min", Number(peakMin));
    AppendKey(peak, "peak_width", Number(peakWidth));
    AppendKey(peak, "base_value", Number(baseValue));
    AppendKey(peak, "peak_value", Number(peakValue));
    return true;
}

bool WriteTabulatedSpectrum(const HostString& startWavelength, const HostString& endWavelength, int32_t count,
                            const HostString& values, TiXmlElement& parent) {
    TiXmlElement& tabulated = *AppendElement(parent, "regular_tabulated");
    AppendKey(tabulated, "start_wavelength", startWavelength);
    AppendKey(tabulated, "end_wavelength", endWavelength);
    AppendKey(tabulated, "num_values", FormatInt(count));
    AppendKey(tabulated, "values", WholeValues(values));
    return true;
}
