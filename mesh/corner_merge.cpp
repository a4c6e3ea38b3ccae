#include "mesh/corner_merge.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

namespace {

constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

// Cells are 2^-18 wide.  A match lies less than the tolerance away in every component, so it
// is in the value's own cell or, where the value lies within kReach (a fraction of a cell, with
// a margin for the rounding of the comparison) of a cell border, in the cell beyond it.
constexpr double kCellScale = 262144.0;
constexpr double kReach = kMergeTolerance * kCellScale * 1.01;
// Cell coordinates are clamped here; only values of 2^44 and more reach it, and those match only
// values exactly equal to them, which share their cell.
constexpr double kCellLimit = 4611686018427387904.0;  // 2^62

// Asks for the cache line at `address` without waiting for it.  (An asm statement: GCC drops a
// __builtin_prefetch that stands behind a branch.)
inline void Prefetch(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
    __builtin_prefetch(address);
#endif
}

template <size_t N>
struct CellPlace {
    std::array<int64_t, N> cell;
    std::array<int8_t, N> reach;  // -1 / +1: a match may lie in the cell below / above; 0: not
};

template <size_t N>
bool AllFinite(const std::array<float, N>& components) {
    return std::all_of(components.begin(), components.end(), [](float c) { return std::isfinite(c); });
}

template <size_t N>
CellPlace<N> Place(const std::array<float, N>& components) {
    CellPlace<N> place;
    for (size_t i = 0; i < N; ++i) {
        const double scaled = static_cast<double>(components[i]) * kCellScale;  // exact
        double fraction = 0.0;
        if (std::fabs(scaled) < kCellLimit) {
            // floor without a library call; exact, as integers of this size are doubles.
            int64_t cell = static_cast<int64_t>(scaled);
            if (static_cast<double>(cell) > scaled) --cell;
            place.cell[i] = cell;
            fraction = scaled - static_cast<double>(cell);
        } else {
            place.cell[i] = static_cast<int64_t>(scaled < 0 ? -kCellLimit : kCellLimit);
        }
        place.reach[i] = static_cast<int8_t>(fraction < kReach ? -1 : (fraction > 1.0 - kReach ? 1 : 0));
    }
    return place;
}

template <size_t N>
uint64_t HashCell(const std::array<int64_t, N>& cell) {
    uint64_t hash = 0x9E3779B97F4A7C15u;
    for (int64_t c : cell) {
        hash = (hash ^ static_cast<uint64_t>(c)) * 0xFF51AFD7ED558CCDu;
        hash ^= hash >> 32;
    }
    return hash;
}

size_t PowerOfTwoAtLeast(size_t n) {
    size_t size = 8;
    while (size < n) size *= 2;
    return size;
}

// The values created so far, by cell.  Each cell has one slot, which holds the index of its
// first (lowest) value; the cell's later values are chained behind it, newest first.
//
// Slots come in groups of ten, one cache line each: ten 16-bit tags (0 for an empty slot, else
// 15 bits of its cell's hash) and ten value indices.  A cell's slot is in the group its hash
// picks or, when that is full, in the next one with room.  A lookup reads the tags of one line
// (more only when it is full) and a value only where a tag matches, which is seldom a false
// match; an insert writes the line that its lookup has just read.  So a new value costs one
// line of the grid that cannot be predicted, and that line is fetched ahead of need: what keeps
// the merge of a large mesh, whose grid does not fit in the cache, close to linear in time.
template <class T>
class HashGrid {
    static constexpr size_t N = std::tuple_size_v<decltype(Components(std::declval<T>()))>;
    using Cell = std::array<int64_t, N>;

public:
    HashGrid(const std::vector<T>& values, size_t expected)
        : values_(values), groups_(PowerOfTwoAtLeast(expected / 6)) {
        next_.reserve(expected);
    }

    // The lowest index of a value within the tolerance of `value`, or kNone.
    uint32_t FindLowest(const T& value) const {
        const auto components = Components(value);
        if (!AllFinite(components)) return kNone;  // a NaN or infinite component equals nothing
        const CellPlace<N> place = Place(components);
        uint32_t best = kNone;
        // Every combination of the own cell and the neighbours that `reach` names.
        for (uint32_t mask = 0; mask < (1u << N); ++mask) {
            Cell cell = place.cell;
            bool wanted = true;
            for (size_t i = 0; i < N && wanted; ++i) {
                if (!(mask & (1u << i))) continue;
                wanted = place.reach[i] != 0;
                cell[i] += place.reach[i];
            }
            if (!wanted) continue;
            const uint32_t head = Find(cell, HashCell(cell));
            if (head >= best) continue;  // also kNone: no such cell
            if (WithinMergeTolerance(value, values_[head])) {
                best = head;
                continue;
            }
            for (uint32_t j = next_[head]; j != kNone; j = next_[j]) {
                if (j < best && WithinMergeTolerance(value, values_[j])) best = j;
            }
        }
        return best;
    }

    // The cache line that a lookup of `value` reads first.  (Place is safe for values that are
    // not finite.)
    const void* FirstLine(const T& value) const {
        return &groups_[HashCell(Place(Components(value)).cell) & (groups_.size() - 1)];
    }

    // Adds values[index], the newest value.
    void Insert(uint32_t index) {
        next_.push_back(kNone);
        const auto components = Components(values_[index]);
        if (!AllFinite(components)) return;
        const Cell cell = Place(components).cell;
        const uint64_t hash = HashCell(cell);
        if (const uint32_t head = Find(cell, hash); head != kNone) {
            next_[index] = next_[head];
            next_[head] = index;
            return;
        }
        if ((used_ + 1) * 4 > groups_.size() * kGroupSlots * 3) Grow();
        Put(index, hash);
        ++used_;
    }

private:
    static constexpr size_t kGroupSlots = 10;
    struct alignas(64) Group {
        uint16_t tags[12] = {};  // per slot: 0 empty, else 0x8000 | the top 15 bits of the hash
        uint32_t heads[kGroupSlots];
    };
    static_assert(sizeof(Group) == 64);

    static uint16_t TagOf(uint64_t hash) { return static_cast<uint16_t>((hash >> 49) | 0x8000u); }
    Cell CellOf(uint32_t head) const { return Place(Components(values_[head])).cell; }

    // The first value of the cell, or kNone.  The table always has an empty slot.
    uint32_t Find(const Cell& cell, uint64_t hash) const {
        const size_t mask = groups_.size() - 1;
        const uint16_t tag = TagOf(hash);
        for (size_t g = hash & mask;; g = (g + 1) & mask) {
            const Group& group = groups_[g];
            for (size_t k = 0; k < kGroupSlots; ++k) {
                if (group.tags[k] == 0) return kNone;
                if (group.tags[k] == tag && CellOf(group.heads[k]) == cell) return group.heads[k];
            }
        }
    }

    void Put(uint32_t head, uint64_t hash) {
        const size_t mask = groups_.size() - 1;
        for (size_t g = hash & mask;; g = (g + 1) & mask) {
            Group& group = groups_[g];
            for (size_t k = 0; k < kGroupSlots; ++k) {
                if (group.tags[k] == 0) {
                    group.tags[k] = TagOf(hash);
                    group.heads[k] = head;
                    return;
                }
            }
        }
    }

    void Grow() {
        std::vector<Group> old(2 * groups_.size());
        old.swap(groups_);
        for (const Group& group : old) {
            for (size_t k = 0; k < kGroupSlots && group.tags[k] != 0; ++k) {
                Put(group.heads[k], HashCell(CellOf(group.heads[k])));
            }
        }
    }

    const std::vector<T>& values_;
    std::vector<Group> groups_;  // a power of two of them
    std::vector<uint32_t> next_;
    size_t used_ = 0;
};

// Values met before and the index that a lookup of an equal value gives: one entry per point
// (the value its last corner had), so that the corners that neighbouring polygons share find
// their index here, in an array walked almost in order, instead of in the grid.  Corners
// whose point index is out of range use a few entries of their own, chosen by the value.
// An entry is exact:
// - a value that a lookup matched to index j: later lookups of an equal value match j too, as
//   every value created since has a higher index;
// - a value appended as index k: no lower index lies within the tolerance of it (else it would
//   have matched or shared that one), so k is the lowest match of an equal value.
template <class T>
class KnownValues {
public:
    struct Entry {
        T value{};
        uint32_t index = kNone;
    };

    explicit KnownValues(size_t pointCount) : points_(pointCount), entries_(pointCount + kByValue) {}

    const Entry& EntryFor(int32_t point, const T& value) const { return entries_[Key(point, value)]; }
    // The index that the entry gives the value, or kNone.
    static uint32_t IndexIn(const Entry& entry, const T& value) {
        return entry.index != kNone && Components(entry.value) == Components(value) ? entry.index : kNone;
    }
    uint32_t Find(int32_t point, const T& value) const { return IndexIn(EntryFor(point, value), value); }
    // Only finite values: a value with a NaN or infinite component matches nothing.
    void Remember(int32_t point, const T& value, uint32_t index) {
        if (AllFinite(Components(value))) entries_[Key(point, value)] = Entry{value, index};
    }

private:
    static constexpr size_t kByValue = 4096;
    size_t Key(int32_t point, const T& value) const {
        if (point >= 0 && static_cast<size_t>(point) < points_) return static_cast<size_t>(point);
        uint64_t hash = 0x9E3779B97F4A7C15u;
        for (float c : Components(value)) {
            uint32_t bits;
            const float positive = c + 0.0f;  // -0 and 0 are equal values: one entry
            std::memcpy(&bits, &positive, sizeof bits);
            hash = (hash ^ bits) * 0xFF51AFD7ED558CCDu;
        }
        return points_ + ((hash >> 40) & (kByValue - 1));
    }
    size_t points_;
    std::vector<Entry> entries_;
};

}  // namespace

template <class T>
CornerTable<T> KeepCorners(std::vector<T> corners, std::span<const CPolygon> polygons) {
    CornerTable<T> table;
    table.indices.resize(4 * polygons.size());
    uint32_t kept = 0;
    for (size_t i = 0; i < polygons.size(); ++i) {
        const size_t corner = 4 * i;
        const size_t count = polygons[i].IsTriangle() ? 3 : 4;
        for (size_t k = 0; k < count; ++k) {
            corners[kept] = corners[corner + k];  // kept <= corner + k: moves only backward
            table.indices[corner + k] = kept++;
        }
        if (count == 3) table.indices[corner + 3] = table.indices[corner + 2];
    }
    corners.resize(kept);
    table.values = std::move(corners);
    return table;
}

template <class T>
CornerTable<T> MergeCorners(const std::vector<T>& corners, std::span<const CPolygon> polygons, size_t pointCount) {
    CornerTable<T> table;
    table.indices.resize(4 * polygons.size());
    std::vector<T>& values = table.values;
    // Reserved, not touched: the list never moves, and only the pages it fills are used.
    values.reserve(corners.size());
    HashGrid<T> grid(values, corners.size() / 4);
    KnownValues<T> known(pointCount);
    auto find = [&](int32_t point, const T& value) {
        uint32_t index = known.Find(point, value);
        if (index == kNone) {
            index = grid.FindLowest(value);
            if (index != kNone) known.Remember(point, value, index);
        }
        return index;
    };
    auto append = [&](int32_t point, const T& value) {
        const auto index = static_cast<uint32_t>(values.size());
        values.push_back(value);
        grid.Insert(index);
        known.Remember(point, value, index);
        return index;
    };
    constexpr size_t kPrefetchAhead = 8;  // polygons
    for (size_t i = 0; i < polygons.size(); ++i) {
        // Memory is asked for ahead of need, in two steps, so that lookups do not wait for it
        // one after the other: the point entries of the polygon twice the distance ahead, then,
        // for the polygon at the distance, the grid line of each value that its point's entry
        // will not answer (or the entry again).
        const size_t far = std::min(i + 2 * kPrefetchAhead, polygons.size() - 1);
        const int32_t farPoints[4] = {polygons[far].a, polygons[far].b, polygons[far].c, polygons[far].d};
        for (size_t k = 0; k < 4; ++k) Prefetch(&known.EntryFor(farPoints[k], corners[4 * far + k]));
        const size_t next = std::min(i + kPrefetchAhead, polygons.size() - 1);
        const int32_t nextPoints[4] = {polygons[next].a, polygons[next].b, polygons[next].c, polygons[next].d};
        for (size_t k = 0; k < 4; ++k) {
            const T& value = corners[4 * next + k];
            const auto& entry = known.EntryFor(nextPoints[k], value);
            const void* first = KnownValues<T>::IndexIn(entry, value) != kNone ? &entry : grid.FirstLine(value);
            Prefetch(first);
        }

        const CPolygon& polygon = polygons[i];
        const int32_t point[4] = {polygon.a, polygon.b, polygon.c, polygon.d};
        const T* c = &corners[4 * i];
        uint32_t* index = &table.indices[4 * i];
        const bool triangle = polygon.IsTriangle();
        // Only values of earlier polygons are searched: all lookups come before the appends.
        uint32_t found[4];
        for (size_t k = 0; k < (triangle ? 3u : 4u); ++k) found[k] = find(point[k], c[k]);

        index[0] = found[0] != kNone ? found[0] : append(point[0], c[0]);
        if (found[1] != kNone) index[1] = found[1];
        else index[1] = WithinMergeTolerance(c[1], c[0]) ? index[0] : append(point[1], c[1]);
        if (found[2] != kNone) index[2] = found[2];
        else if (WithinMergeTolerance(c[2], c[0])) index[2] = index[0];
        else index[2] = WithinMergeTolerance(c[2], c[1]) ? index[1] : append(point[2], c[2]);
        if (triangle) index[3] = index[2];
        else if (found[3] != kNone) index[3] = found[3];
        else if (WithinMergeTolerance(c[3], c[0])) index[3] = index[0];
        else if (WithinMergeTolerance(c[3], c[1])) index[3] = index[1];
        else index[3] = WithinMergeTolerance(c[3], c[2]) ? index[2] : append(point[3], c[3]);
    }
    return table;
}

template CornerTable<Uv> KeepCorners(std::vector<Uv>, std::span<const CPolygon>);
template CornerTable<Vector> KeepCorners(std::vector<Vector>, std::span<const CPolygon>);
template CornerTable<Uv> MergeCorners(const std::vector<Uv>&, std::span<const CPolygon>, size_t);
template CornerTable<Vector> MergeCorners(const std::vector<Vector>&, std::span<const CPolygon>, size_t);
