#include "core/format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

struct RealCase {
    float value;
    int digits;
    const char* text;
};

class FormatRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(FormatRealTest, WritesTheExpectedText) {
    const RealCase& c = GetParam();
    EXPECT_EQ(FormatReal(c.value, c.digits).Str(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    FixedDigits, FormatRealTest,
    testing::Values(RealCase{1.0f, 8, "1.00000000"}, RealCase{2.0f, 8, "2.00000000"},
                    RealCase{0.1f, 8, "0.10000000"}, RealCase{90.7f, 0, "91"}, RealCase{0.00225f, 5, "0.00225"},
                    RealCase{1.333f, 5, "1.33300"}, RealCase{-1.0f, 0, "-1"}, RealCase{0.5f, 0, "0"},
                    RealCase{1.5f, 0, "2"}, RealCase{2.5f, 0, "2"}, RealCase{-0.0f, 8, "0.00000000"},
                    RealCase{-1e-10f, 8, "0.00000000"}, RealCase{-1e-10f, 0, "0"},
                    RealCase{123456789.0f, 0, "123456792"}, RealCase{0.0001f, 5, "0.00010"}));

INSTANTIATE_TEST_SUITE_P(
    ShortestDigits, FormatRealTest,
    testing::Values(RealCase{0.1f, -1, "0.1"}, RealCase{1.0f, -1, "1"}, RealCase{2.2f, -3, "2.2"},
                    RealCase{-1.0f, -5, "-1"}, RealCase{1e-10f, -1, "0.0000000001"}, RealCase{0.0f, -1, "0"},
                    RealCase{-0.0f, -1, "0"}, RealCase{6500.0f, -1, "6500"}, RealCase{3.4e38f, -1,
                    "340000000000000000000000000000000000000"}, RealCase{123456789.0f, -1, "123456790"},
                    RealCase{0.03333f, -1, "0.03333"}, RealCase{1e-45f, -1,
                    "0.000000000000000000000000000000000000000000001"}));

INSTANTIATE_TEST_SUITE_P(NotFinite, FormatRealTest,
                         testing::Values(RealCase{std::numeric_limits<float>::infinity(), 8, "inf"},
                                         RealCase{-std::numeric_limits<float>::infinity(), -1, "-inf"},
                                         RealCase{std::numeric_limits<float>::quiet_NaN(), 5, "nan"}));

// The shortest text must read back as the same float and carry no exponent, for any float.
TEST(FormatRealRoundTrip, ShortestTextReadsBackExactly) {
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 20000; ++i) {
        uint32_t raw = bits(random);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::string text = FormatReal(value, -1).Str();
        ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        float back = 0;
        auto result = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(result.ec, std::errc()) << text;
        ASSERT_EQ(back, value == 0.0f ? 0.0f : value) << text;
    }
}

TEST(FormatInt, WritesDecimal) {
    EXPECT_EQ(FormatInt(0).Str(), "0");
    EXPECT_EQ(FormatInt(-2147483647 - 1).Str(), "-2147483648");
    EXPECT_EQ(FormatInt(800000).Str(), "800000");
}

TEST(FormatSeconds, TwoDecimals) {
    EXPECT_EQ(FormatSeconds(1.5f).Str(), "1.50");
    EXPECT_EQ(FormatSeconds(0.0f).Str(), "0.00");
}

}  // namespace
