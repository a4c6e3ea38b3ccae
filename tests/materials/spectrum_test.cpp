#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/xml.h"
#include "materials/spectrum.h"
#include "tests/support/settings_test_support.h"

namespace {

using settings_testing::Compact;

struct SpectrumCase {
    const char* name;
    std::function<bool(TiXmlElement&)> write;
    const char* xml;  // the wrapper with what the writer appended
};

class SpectrumWriters : public testing::TestWithParam<SpectrumCase> {};

TEST_P(SpectrumWriters, AppendOneSpectrumElementToTheWrapper) {
    TiXmlElement wrapper("albedo_spectrum");
    EXPECT_TRUE(GetParam().write(wrapper));
    EXPECT_EQ(Compact(wrapper), GetParam().xml);
}

INSTANTIATE_TEST_SUITE_P(
    Spectrum, SpectrumWriters,
    testing::Values(
        SpectrumCase{"WhiteRgb", [](TiXmlElement& p) { return WriteRgbSpectrum(1, 1, 1, 2.2f, 1, p); },
                     "<albedo_spectrum><rgb><rgb>1 1 1</rgb><gamma>2.2</gamma></rgb></albedo_spectrum>"},
        // The gain scales the three components, never the gamma.
        SpectrumCase{"RgbWithGain",
                     [](TiXmlElement& p) { return WriteRgbSpectrum(0.25f, 0.5f, 0.7f, 1.8f, 2, p); },
                     "<albedo_spectrum><rgb><rgb>0.5 1 1.4</rgb><gamma>1.8</gamma></rgb></albedo_spectrum>"},
        // Products are rounded to floats before they are written: 0.1f * 0.1f is not 0.01f.
        SpectrumCase{"RgbProductsAsFloats",
                     [](TiXmlElement& p) { return WriteRgbSpectrum(0.1f, 0, -1, 1, 0.1f, p); },
                     "<albedo_spectrum><rgb><rgb>0.010000001 0 -0.1</rgb><gamma>1</gamma></rgb></albedo_spectrum>"},
        SpectrumCase{"Blackbody",
                     [](TiXmlElement& p) { return WriteBlackbodySpectrum(6500, 0.75f, p); },
                     "<albedo_spectrum><blackbody><temperature>6500</temperature><gain>0.75</gain></blackbody>"
                     "</albedo_spectrum>"},
        SpectrumCase{"Uniform", [](TiXmlElement& p) { return WriteUniformSpectrum(0.125f, p); },
                     "<albedo_spectrum><uniform><value>0.125</value></uniform></albedo_spectrum>"},
        // Leaves in their fixed order whatever the values.
        SpectrumCase{"Peak",
                     [](TiXmlElement& p) { return WritePeakSpectrum(400, 20, 0.5f, 10, p); },
                     "<albedo_spectrum><peak><peak_min>400</peak_min><peak_width>20</peak_width>"
                     "<base_value>0.5</base_value><peak_value>10</peak_value></peak></albedo_spectrum>"},
        // The texts go in verbatim, even when the count does not match the values.
        SpectrumCase{"TabulatedVerbatim",
                     [](TiXmlElement& p) {
                         return WriteTabulatedSpectrum("400", " 700nm", 4, "0.1 0.2 x", p);
                     },
                     "<albedo_spectrum><regular_tabulated><start_wavelength>400</start_wavelength>"
                     "<end_wavelength> 700nm</end_wavelength><num_values>4</num_values>"
                     "<values>0.1 0.2 x</values></regular_tabulated></albedo_spectrum>"},
        SpectrumCase{"TabulatedEmptyTexts",
                     [](TiXmlElement& p) { return WriteTabulatedSpectrum("", "", -3, "", p); },
                     "<albedo_spectrum><regular_tabulated><start_wavelength></start_wavelength>"
                     "<end_wavelength></end_wavelength><num_values>-3</num_values><values></values>"
                     "</regular_tabulated></albedo_spectrum>"}),
    [](const testing::TestParamInfo<SpectrumCase>& info) { return std::string(info.param.name); });

TEST(SpectrumPlacement, NewElementGoesAfterTheWrappersChildren) {
    TiXmlElement wrapper("emission");
    AppendKey(wrapper, "first", "x");
    WriteUniformSpectrum(2, wrapper);
    EXPECT_EQ(Compact(wrapper), "<emission><first>x</first><uniform><value>2</value></uniform></emission>");
}

// A list of values longer than an element may hold is cut after its last whole value.
TEST(SpectrumPlacement, OverlongTabulatedValuesAreCutBetweenValues) {
    std::string values;
    while (values.size() < 2100) values += "0.123456 ";
    TiXmlElement wrapper("w");
    WriteTabulatedSpectrum("400", "700", 233, values, wrapper);
    const TiXmlElement* written = wrapper.FirstChildElement("regular_tabulated")->FirstChildElement("values");
    const std::string text = written->GetText();
    EXPECT_LE(text.size(), kMaxValueTextBytes);
    EXPECT_GT(text.size(), kMaxValueTextBytes - 9);
    EXPECT_EQ(values.compare(0, text.size() + 1, text + " "), 0) << "cut inside a value: " << text.substr(text.size() - 20);
    EXPECT_NE(text.back(), ' ');
}

}  // namespace
