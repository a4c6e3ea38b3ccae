#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "mesh/corner_merge.h"
#include "mesh/obj_mesh.h"

namespace {

// The merge as first described: every polygon's corners are compared with every value
// created before the polygon, lowest index first, then with the polygon's own earlier corners.
template <class T>
bool Equal(const T& first, const T& second) {
    const auto a = Components(first);
    const auto b = Components(second);
    for (size_t i = 0; i < a.size(); ++i) {
        if (!(std::fabs(static_cast<double>(a[i]) - static_cast<double>(b[i])) < 1e-7)) return false;
    }
    return true;
}

template <class T>
CornerTable<T> QuadraticMerge(const std::vector<T>& corners, const std::vector<CPolygon>& polygons) {
    CornerTable<T> table;
    table.indices.assign(4 * polygons.size(), 0);
    for (size_t i = 0; i < polygons.size(); ++i) {
        const size_t count = polygons[i].IsTriangle() ? 3 : 4;
        const T* c = &corners[4 * i];
        bool matched[4] = {false, false, false, false};
        uint32_t* index = &table.indices[4 * i];
        const size_t before = table.values.size();
        size_t open = count;
        for (size_t j = 0; j < before && open > 0; ++j) {
            for (size_t k = 0; k < count; ++k) {
                if (!matched[k] && Equal(c[k], table.values[j])) {
                    matched[k] = true;
                    index[k] = static_cast<uint32_t>(j);
                    --open;
                }
            }
        }
        for (size_t k = 0; k < count; ++k) {
            if (matched[k]) continue;
            bool shared = false;
            for (size_t earlier = 0; earlier < k && !shared; ++earlier) {
                if (Equal(c[k], c[earlier])) {
                    index[k] = index[earlier];
                    shared = true;
                }
            }
            if (!shared) {
                index[k] = static_cast<uint32_t>(table.values.size());
                table.values.push_back(c[k]);
            }
        }
        if (count == 3) index[3] = index[2];
    }
    return table;
}

template <class T>
void ExpectSameTables(const CornerTable<T>& expected, const CornerTable<T>& actual) {
    ASSERT_EQ(expected.values.size(), actual.values.size());
    // Bit for bit: -0 and 0 are different values to write.
    EXPECT_EQ(std::memcmp(expected.values.data(), actual.values.data(), expected.values.size() * sizeof(T)), 0);
    EXPECT_EQ(expected.indices, actual.indices);
}

// Values crowded within a few tolerances of a few bases: differences just under, at and just
// over 1e-7, zeros of both signs, large values, and now and then a NaN or an infinity.
class CrowdedValues {
public:
    explicit CrowdedValues(uint32_t seed) : random_(seed) {}

    float Next() {
        static const float kBases[] = {0.0f, 0.25f, 1e-7f, -3e-7f, 0.999999f, 1.0f, 1e30f, -2.5e38f, 7.0e-8f};
        static const double kSteps[] = {0.0, 1e-7, -1e-7, 0.99e-7, -0.99e-7, 1.01e-7, 5e-8, -5e-8, 2e-7, 1.5e-7};
        const int pick = Uniform(100);
        if (pick == 0) return std::numeric_limits<float>::quiet_NaN();
        if (pick == 1) return -std::numeric_limits<float>::infinity();
        if (pick < 8) return pick % 2 ? -0.0f : 0.0f;
        const double base = kBases[Uniform(std::size(kBases))];
        double value = base;
        for (int steps = Uniform(4); steps > 0; --steps) value += kSteps[Uniform(std::size(kSteps))];
        return static_cast<float>(value);
    }
    bool Triangle() { return Uniform(4) == 0; }
    int Uniform(size_t n) { return std::uniform_int_distribution<int>(0, static_cast<int>(n) - 1)(random_); }

private:
    std::mt19937 random_;
};

template <class T>
T MakeValue(CrowdedValues& values);
template <>
Uv MakeValue<Uv>(CrowdedValues& values) {
    return {values.Next(), values.Next()};
}
template <>
Vector MakeValue<Vector>(CrowdedValues& values) {
    return {values.Next(), values.Next(), values.Next()};
}

// Polygons on a few points, as neighbouring polygons share them: a corner often repeats the
// value its point had before, sometimes another corner's value, sometimes a new one; some
// point indices are out of range.
template <class T>
void CompareOnRandomMeshes() {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        CrowdedValues values(seed);
        const size_t count = 50 + 40 * seed;
        const int32_t points = 4 + static_cast<int32_t>(seed);
        std::vector<T> atPoint(static_cast<size_t>(points + 6), MakeValue<T>(values));
        std::vector<CPolygon> polygons(count);
        std::vector<T> corners(4 * count);
        for (size_t i = 0; i < count; ++i) {
            int32_t p[4];
            for (int32_t& point : p) point = values.Uniform(static_cast<size_t>(points + 6)) - 3;
            if (values.Triangle()) p[3] = p[2];
            polygons[i] = {p[0], p[1], p[2], p[3]};
            for (size_t k = 0; k < 4; ++k) {
                T& last = atPoint[static_cast<size_t>(p[k] + 3)];
                const int pick = values.Uniform(4);
                if (pick == 1) last = MakeValue<T>(values);
                if (pick == 2 && i > 0) last = corners[static_cast<size_t>(values.Uniform(4 * i))];
                corners[4 * i + k] = last;
            }
        }
        SCOPED_TRACE(seed);
        ExpectSameTables(QuadraticMerge(corners, polygons),
                         MergeCorners(corners, polygons, static_cast<size_t>(points)));
    }
}

Uv FromComponents(const std::array<float, 2>& c) { return {c[0], c[1]}; }
Vector FromComponents(const std::array<float, 3>& c) { return {c[0], c[1], c[2]}; }

// Thousands of distinct values, so that the grid grows and its groups of slots fill and spill
// into the next: mostly fresh values spread wide, some repeated exactly or within a few
// tolerances of an earlier corner, component by component.
template <class T>
void CompareOnSpreadMeshes() {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        auto uniform = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        const size_t count = 1500 + 500 * seed;
        const auto points = static_cast<int32_t>(count);
        std::vector<CPolygon> polygons(count);
        std::vector<T> corners(4 * count);
        for (size_t i = 0; i < count; ++i) {
            polygons[i] = {uniform(points), uniform(points), uniform(points), uniform(points)};
            if (uniform(5) == 0) polygons[i].d = polygons[i].c;
            for (size_t k = 0; k < 4; ++k) {
                T value{};
                const size_t before = 4 * i + k;
                const int pick = uniform(10);
                if (pick < 7 || before == 0) {
                    auto components = Components(value);
                    for (float& c : components) c = std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(random);
                    value = FromComponents(components);
                } else {
                    value = corners[static_cast<size_t>(uniform(static_cast<int>(before)))];
                    auto components = Components(value);
                    static const double kJitter[] = {0.0, 0.0, 0.5e-7, -0.5e-7, 0.9e-7, 1.5e-7, -2e-7};
                    for (float& c : components) c = static_cast<float>(c + kJitter[uniform(7)] * (pick == 9 ? 1 : 0));
                    value = FromComponents(components);
                }
                corners[4 * i + k] = value;
            }
        }
        SCOPED_TRACE(seed);
        ExpectSameTables(QuadraticMerge(corners, polygons),
                         MergeCorners(corners, polygons, static_cast<size_t>(points)));
    }
}

TEST(MeshCornerMerge, GivesTheQuadraticSearchsTablesForTextureCoordinates) {
    CompareOnRandomMeshes<Uv>();
    CompareOnSpreadMeshes<Uv>();
}
TEST(MeshCornerMerge, GivesTheQuadraticSearchsTablesForNormals) {
    CompareOnRandomMeshes<Vector>();
    CompareOnSpreadMeshes<Vector>();
}

struct PairCase {
    const char* what;
    Uv first, second;
    bool shared;
};

void PrintTo(const PairCase& c, std::ostream* out) { *out << c.what; }

class MeshCornerPairs : public testing::TestWithParam<PairCase> {};

// Two quads: the second one's corner a is `second`, compared with the first one's values.
TEST_P(MeshCornerPairs, SharedOnlyWithinTheTolerance) {
    const PairCase& c = GetParam();
    const std::vector<CPolygon> polygons = {{0, 1, 2, 3}, {4, 5, 6, 7}};
    const std::vector<Uv> corners = {c.first, {5, 5}, {6, 6}, {7, 7}, c.second, {5, 5}, {6, 6}, {7, 7}};
    const CornerTable<Uv> table = MergeCorners(corners, polygons, 8);
    EXPECT_EQ(table.indices[4] == 0, c.shared) << c.what;
    EXPECT_EQ(table.values.size(), c.shared ? 4u : 5u) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    MeshTolerance, MeshCornerPairs,
    testing::Values(PairCase{"equal", {0.5f, 0.5f}, {0.5f, 0.5f}, true},
                    PairCase{"zeros of both signs", {0.0f, -0.0f}, {-0.0f, 0.0f}, true},
                    PairCase{"u 1e-7 apart", {0.0f, 0.0f}, {1e-7f, 0.0f}, false},
                    PairCase{"v just under 1e-7 apart", {0.0f, 0.0f}, {0.0f, 9.9e-8f}, true},
                    PairCase{"across a cell border", {-4e-8f, 0.0f}, {4e-8f, 0.0f}, true},
                    PairCase{"large and equal", {3e38f, -3e38f}, {3e38f, -3e38f}, true},
                    PairCase{"large neighbours", {1e30f, 0.0f}, {std::nextafter(1e30f, 2e30f), 0.0f}, false},
                    PairCase{"NaN", {std::nanf(""), 0.0f}, {std::nanf(""), 0.0f}, false},
                    PairCase{"infinity", {INFINITY, 0.0f}, {INFINITY, 0.0f}, false}));

TEST(MeshCornerMerge, CornersOfOnePolygonShareByTheirOwnRules) {
    // In the second polygon b and c equal a, which is new; d equals a value of the first polygon.
    const std::vector<CPolygon> polygons = {{0, 1, 2, 3}, {0, 1, 2, 3}};
    const std::vector<Uv> corners = {{0, 0}, {9, 9}, {8, 8}, {7, 7},  //
                                     {1, 1}, {1, 1}, {1, 1}, {9, 9}};
    const CornerTable<Uv> table = MergeCorners(corners, polygons, 8);
    EXPECT_EQ(table.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 4, 4, 1}));
}

TEST(MeshCornerMerge, KeptCornersAreFourPerQuadAndThreePerTriangle) {
    const std::vector<CPolygon> polygons = {{0, 1, 2, 2}, {0, 1, 2, 3}, {3, 4, 5, 5}};
    std::vector<Vector> corners(12, Vector{0, 1, 0});
    const CornerTable<Vector> table = KeepCorners(corners, polygons);
    EXPECT_EQ(table.values.size(), 10u);
    EXPECT_EQ(table.indices, (std::vector<uint32_t>{0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    EXPECT_EQ(MergeCorners(corners, polygons, 6).values.size(), 1u);
}

struct NormalCase {
    Vector in, out;
};

void PrintTo(const NormalCase& c, std::ostream* out) { *out << c.in.x << " " << c.in.y << " " << c.in.z; }

class MeshUnitNormal : public testing::TestWithParam<NormalCase> {};

TEST_P(MeshUnitNormal, BroughtToUnitLength) {
    EXPECT_EQ(UnitCornerNormal(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    MeshNormals, MeshUnitNormal,
    testing::Values(NormalCase{{0, 0, 0}, {1, 0, 0}},                           // degenerate
                    NormalCase{{5e-8f, 0, 0}, {1, 0, 0}},                       // shorter than 1e-7
                    NormalCase{{0, 2, 0}, {0, 1, 0}},                           // divided by its length
                    NormalCase{{3, 0, 4}, {0.6f, 0, 0.8f}},                     //
                    NormalCase{{0, 0.99999994f, 0}, {0, 0.99999994f, 0}},       // within 1e-7 of 1: kept
                    NormalCase{{0, 1.00000012f, 0}, {0, 1, 0}}));               // 1.2e-7 over: divided

}  // namespace
