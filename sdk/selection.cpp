#include "sdk/selection.h"

#include <algorithm>
#include <iterator>

// The ranges are kept sorted, apart and not touching, so that a new range finds the ones it
// meets by binary search; added in ascending order, each goes to the end in constant time.
void HostSelection::SelectRange(int32_t first, int32_t last) {
    if (first > last) return;
    const auto begin = std::lower_bound(ranges_.begin(), ranges_.end(), first, [](const Range& r, int32_t value) {
        return static_cast<int64_t>(r.last) + 1 < value;
    });
    const auto end = std::upper_bound(begin, ranges_.end(), last, [](int32_t value, const Range& r) {
        return static_cast<int64_t>(value) + 1 < r.first;
    });
    if (begin == end) {
        ranges_.insert(begin, Range{first, last});
        return;
    }
    // Ranges that touch or overlap the new one are folded into it.
    begin->first = std::min(begin->first, first);
    begin->last = std::max(std::prev(end)->last, last);
    ranges_.erase(std::next(begin), end);
}

void HostSelection::Deselect(int32_t index) {
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), index,
                               [](int32_t i, const Range& r) { return i < r.first; });
    if (it == ranges_.begin()) return;
    --it;
    if (index > it->last) return;
    const Range r = *it;
    if (r.first == r.last) {
        ranges_.erase(it);
    } else if (index == r.first) {
        it->first = index + 1;
    } else if (index == r.last) {
        it->last = index - 1;
    } else {
        it->last = index - 1;
        ranges_.insert(std::next(it), Range{index + 1, r.last});
    }
}

void HostSelection::ToggleAll(int32_t first, int32_t last) {
    std::vector<Range> inverted;
    int64_t next = first;
    for (const Range& r : ranges_) {
        if (r.last < first || r.first > last) continue;
        if (r.first > next) inverted.push_back({static_cast<int32_t>(next), r.first - 1});
        next = static_cast<int64_t>(r.last) + 1;
    }
    if (next <= last) inverted.push_back({static_cast<int32_t>(next), last});
    ranges_ = std::move(inverted);
}

// Both lists are sorted: one pass over the two.
void HostSelection::Merge(const HostSelection& other) {
    std::vector<Range> merged;
    merged.reserve(ranges_.size() + other.ranges_.size());
    auto add = [&merged](const Range& r) {
        if (!merged.empty() && static_cast<int64_t>(merged.back().last) + 1 >= r.first) {
            merged.back().last = std::max(merged.back().last, r.last);
        } else {
            merged.push_back(r);
        }
    };
    auto a = ranges_.begin();
    auto b = other.ranges_.begin();
    while (a != ranges_.end() || b != other.ranges_.end()) {
        if (b == other.ranges_.end() || (a != ranges_.end() && a->first <= b->first)) add(*a++);
        else add(*b++);
    }
    ranges_ = std::move(merged);
}

bool HostSelection::IsSelected(int32_t index) const {
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), index,
                               [](int32_t i, const Range& r) { return i < r.first; });
    if (it == ranges_.begin()) return false;
    --it;
    return index <= it->last;
}

int32_t HostSelection::GetCount() const {
    int64_t count = 0;
    for (const Range& r : ranges_) count += static_cast<int64_t>(r.last) - r.first + 1;
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}
