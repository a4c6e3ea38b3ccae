#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/format.h"

namespace {

std::string Fixed8(float value) {
    char text[textfmt::kPrintfFixed8MaxBytes];
    return {text, textfmt::WritePrintfFixed8(text, value)};
}

std::string PrintfFixed8(float value) {
    // The mesh files write a NaN as Linux's C library does, with its sign.
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    char text[128];
    const int length = std::snprintf(text, sizeof text, "%.08f", static_cast<double>(value));
    return {text, static_cast<size_t>(length)};
}

float FromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(MeshNumberText, RealsAsPrintfWritesThemForEveryExponent) {
    std::mt19937 random(11);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 400000; ++i) {
        const float value = FromBits(bits(random));
        ASSERT_EQ(Fixed8(value), PrintfFixed8(value)) << std::hexfloat << value;
    }
}

TEST(MeshNumberText, RealsAsPrintfWritesThemInTheRangeOfMeshes) {
    std::mt19937 random(12);
    std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 0; i < 200000; ++i) {
        for (const float value : {coordinate(random), unit(random), unit(random) * 1e-6f}) {
            ASSERT_EQ(Fixed8(value), PrintfFixed8(value)) << std::hexfloat << value;
        }
    }
}

TEST(MeshNumberText, ExtremeRealsAsPrintfWritesThem) {
    const float values[] = {0.0f, -0.0f, -1e-10f, 1e-10f, 5e-9f, -5e-9f, 4.9999999e-9f, 1.5e-8f, 2.5e-8f,
                            0.001953125f,  // 195312.5 units: a tie, rounded to even
                            0.005859375f,  // 585937.5 units: a tie, rounded to even (up)
                            1.0f, 2.0f, 3.0f, 0.1f, 0.25f, -0.75f, 123456.789f,
                            68719476736.0f, 68719476736.0f * 2, 68719472640.0f,  // about 2^36, where the exact path ends
                            1e11f, 1.8446743e11f, 1e20f, FLT_MAX, -FLT_MAX, FLT_MIN, -FLT_MIN,
                            FLT_TRUE_MIN, -FLT_TRUE_MIN, std::nextafter(1.0f, 0.0f), std::nextafter(1.0f, 2.0f),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN()};
    for (const float value : values) EXPECT_EQ(Fixed8(value), PrintfFixed8(value)) << std::hexfloat << value;
    for (uint32_t exponent = 0; exponent < 255; ++exponent) {
        for (const uint32_t fraction : {0u, 1u, 0x400000u, 0x7FFFFFu}) {
            const float value = FromBits(exponent << 23 | fraction);
            EXPECT_EQ(Fixed8(value), PrintfFixed8(value)) << std::hexfloat << value;
            EXPECT_EQ(Fixed8(-value), PrintfFixed8(-value)) << std::hexfloat << -value;
        }
    }
}

// The scene files' number text drops the sign of a zero; the mesh files keep printf's.
TEST(MeshNumberText, MeshTextKeepsTheSignOfZeroUnlikeSceneText) {
    EXPECT_EQ(Fixed8(-0.0f), "-0.00000000");
    EXPECT_EQ(Fixed8(-1e-10f), "-0.00000000");
    EXPECT_EQ(FormatReal(-0.0f, 8).Str(), "0.00000000");
}

std::string PrintfInt(int64_t value) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%" PRId64, value);
    return {text, static_cast<size_t>(length)};
}

std::string Int(int64_t value) {
    char text[textfmt::kPrintfIntMaxBytes];
    return {text, textfmt::WritePrintfInt(text, value)};
}

TEST(MeshNumberText, IntegersAsPrintfWritesThem) {
    const int64_t values[] = {0, 1, -1, 9, 10, 99, 100, 101, 4294967296, INT32_MAX, INT32_MIN,
                              std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()};
    for (const int64_t value : values) EXPECT_EQ(Int(value), PrintfInt(value));
    std::mt19937_64 random(13);
    for (int i = 0; i < 200000; ++i) {
        const int64_t value = static_cast<int64_t>(random()) >> (random() % 64);
        ASSERT_EQ(Int(value), PrintfInt(value));
    }
}

}  // namespace
