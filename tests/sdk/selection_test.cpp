// Selections of polygons: ranges kept sorted, apart and not touching, whatever the order of
// the calls, compared with a plain set of indices.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "sdk/selection.h"

namespace {

using Range = HostSelection::Range;

std::vector<Range> RangesOf(const std::set<int32_t>& indices) {
    std::vector<Range> ranges;
    for (int32_t i : indices) {
        if (!ranges.empty() && ranges.back().last + 1 == i) ranges.back().last = i;
        else ranges.push_back({i, i});
    }
    return ranges;
}

struct SelectCase {
    const char* what;
    std::vector<Range> before;
    Range added;
    std::vector<Range> after;
};

void PrintTo(const SelectCase& c, std::ostream* out) { *out << c.what; }

class SelectionSelectRange : public testing::TestWithParam<SelectCase> {};

TEST_P(SelectionSelectRange, FoldsWhatItMeets) {
    const SelectCase& c = GetParam();
    HostSelection selection;
    for (const Range& r : c.before) selection.SelectRange(r.first, r.last);
    selection.SelectRange(c.added.first, c.added.last);
    EXPECT_EQ(selection.Ranges(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionSelectRange,
    testing::Values(SelectCase{"into an empty selection", {}, {3, 5}, {{3, 5}}},
                    SelectCase{"after the last", {{0, 1}}, {5, 6}, {{0, 1}, {5, 6}}},
                    SelectCase{"before the first", {{5, 6}}, {0, 1}, {{0, 1}, {5, 6}}},
                    SelectCase{"touching from above", {{0, 1}}, {2, 4}, {{0, 4}}},
                    SelectCase{"touching from below", {{5, 6}}, {2, 4}, {{2, 6}}},
                    SelectCase{"between two, touching both", {{0, 1}, {5, 6}}, {2, 4}, {{0, 6}}},
                    SelectCase{"between two, touching neither", {{0, 1}, {7, 8}}, {3, 4}, {{0, 1}, {3, 4}, {7, 8}}},
                    SelectCase{"over many", {{0, 1}, {3, 4}, {6, 7}, {20, 21}}, {2, 10}, {{0, 10}, {20, 21}}},
                    SelectCase{"inside one", {{0, 10}}, {3, 4}, {{0, 10}}},
                    SelectCase{"reversed bounds", {{0, 1}}, {4, 3}, {{0, 1}}},
                    SelectCase{"at the ends of the integers", {{INT32_MIN, INT32_MIN}}, {INT32_MAX, INT32_MAX},
                               {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}}}));

// Random calls of every kind against a set of indices.
TEST(Selection, AgreesWithASetOfIndices) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        auto uniform = [&](int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(random); };
        HostSelection selection;
        std::set<int32_t> expected;
        for (int step = 0; step < 300; ++step) {
            const int32_t first = uniform(200);
            const int32_t last = first + uniform(6) - 1;
            switch (uniform(4)) {
                case 0:
                case 1:
                    selection.SelectRange(first, last);
                    for (int32_t i = first; i <= last; ++i) expected.insert(i);
                    break;
                case 2:
                    selection.Deselect(first);
                    expected.erase(first);
                    break;
                default: {
                    HostSelection other;
                    for (int k = uniform(5); k > 0; --k) {
                        const int32_t at = uniform(200);
                        const int32_t to = at + uniform(4);
                        other.SelectRange(at, to);
                        for (int32_t i = at; i <= to; ++i) expected.insert(i);
                    }
                    selection.Merge(other);
                }
            }
            ASSERT_EQ(selection.Ranges(), RangesOf(expected)) << "seed " << seed << " step " << step;
        }
        EXPECT_EQ(selection.GetCount(), static_cast<int32_t>(expected.size()));
        for (int32_t i = -1; i <= 210; ++i) EXPECT_EQ(selection.IsSelected(i), expected.count(i) == 1) << i;
        selection.ToggleAll(0, 199);
        std::set<int32_t> inverted;
        for (int32_t i = 0; i < 200; ++i) {
            if (!expected.count(i)) inverted.insert(i);
        }
        EXPECT_EQ(selection.Ranges(), RangesOf(inverted)) << "seed " << seed;
    }
}

}  // namespace
