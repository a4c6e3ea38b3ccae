#include "core/paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct PathCase {
    const char* base;
    const char* target;
    std::optional<std::string> expected;
};

class RelativePathTest : public testing::TestWithParam<PathCase> {};

TEST_P(RelativePathTest, GivesTheExpectedResult) {
    const PathCase& c = GetParam();
    EXPECT_EQ(RelativePath(c.base, c.target), c.expected) << c.base << " | " << c.target;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RelativePathTest,
    testing::Values(PathCase{"C:\\scenes\\a", "C:\\scenes\\a\\maps\\sky.hdr", "maps\\sky.hdr"},
                    PathCase{"C:\\scenes\\a\\", "C:\\scenes\\a\\maps\\sky.hdr", "maps\\sky.hdr"},
                    PathCase{"C:\\scenes\\a", "C:\\scenes\\a\\sky.hdr", "sky.hdr"},
                    PathCase{"C:\\scenes\\a", "C:\\scenes\\b\\sky.hdr", "..\\b\\sky.hdr"},
                    PathCase{"C:\\scenes\\a\\", "C:\\scenes\\b\\sky.hdr", "..\\b\\sky.hdr"},
                    PathCase{"C:\\s\\a\\b", "C:\\s\\x.png", "..\\..\\x.png"},
                    PathCase{"C:\\s\\a\\b\\", "C:\\s\\x.png", "..\\..\\x.png"},
                    PathCase{"C:\\scenes\\a", "C:\\scenes\\ab\\x.png", "..\\ab\\x.png"},
                    PathCase{"C:\\scenes\\a", "D:\\sky.hdr", "D:\\sky.hdr"},
                    PathCase{"C:\\scenes\\a", "maps\\sky.hdr", "maps\\sky.hdr"},
                    // A scene saved at a drive root.
                    PathCase{"E:\\", "E:\\maps\\sky.hdr", "maps\\sky.hdr"},
                    PathCase{"E:\\", "E:\\sky.hdr", "sky.hdr"},
                    PathCase{"E:\\", "C:\\sky.hdr", "C:\\sky.hdr"}));

INSTANTIATE_TEST_SUITE_P(Limits, RelativePathTest,
                         testing::Values(PathCase{"C:", "C:\\x\\y.png", std::nullopt},
                                         PathCase{"C:\\scenes", "C:\\", std::nullopt},
                                         PathCase{"", "", std::nullopt}));

TEST(RelativePathLimits, LongPathsHaveNoResult) {
    const std::string base = "C:\\" + std::string(2045, 'a');  // 2048 bytes: still taken
    EXPECT_TRUE(RelativePath(base, base + "\\x").has_value() == false);  // target is 2050 bytes
    EXPECT_EQ(RelativePath(base, "C:\\" + std::string(2045, 'a')), "..\\" + std::string(2045, 'a'));
    EXPECT_EQ(RelativePath("C:\\" + std::string(2046, 'a'), "C:\\b.png"), std::nullopt);
    // Climbing 700 levels from a deep base to a long target would exceed the limit.
    std::string deep = "C:";
    for (int i = 0; i < 700; ++i) deep += "\\a";
    EXPECT_EQ(RelativePath(deep, "C:\\" + std::string(1000, 'b')), std::nullopt);
}

struct AbsoluteCase {
    const char* base;
    const char* relative;
    std::optional<std::string> expected;
};

class AbsolutePathTest : public testing::TestWithParam<AbsoluteCase> {};

TEST_P(AbsolutePathTest, GivesTheExpectedResult) {
    const AbsoluteCase& c = GetParam();
    EXPECT_EQ(AbsolutePath(c.base, c.relative), c.expected) << c.base << " | " << c.relative;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, AbsolutePathTest,
    testing::Values(AbsoluteCase{"C:\\lib\\mats", "../tex/a.png", "C:\\lib\\tex\\a.png"},
                    AbsoluteCase{"C:\\lib", "tex\\a.png", "C:\\lib\\tex\\a.png"},
                    AbsoluteCase{"C:\\lib\\mats", "tex/a.png", "C:\\lib\\mats\\tex\\a.png"},
                    AbsoluteCase{"C:\\a\\b\\c", "..\\..\\x.png", "C:\\a\\x.png"},
                    AbsoluteCase{"C:\\a\\b", "sub\\..\\x.png", "C:\\a\\x.png"},
                    // More climbs than the base has directories: no result instead of a cut
                    // before the start of the base.
                    AbsoluteCase{"C:", "..\\x.png", std::nullopt},
                    AbsoluteCase{"C:\\a", "..\\..\\x.png", std::nullopt}));

TEST(AbsolutePathLimits, ResultOverTheLimitHasNoResult) {
    EXPECT_EQ(AbsolutePath("C:\\lib", std::string(2041, 'x')), "C:\\lib\\" + std::string(2041, 'x'));
    EXPECT_EQ(AbsolutePath("C:\\lib", std::string(2042, 'x')), std::nullopt);
}

}  // namespace
