#include "selection.h"

#include <algorithm>

void HostSelection::SelectRange(int32_t first, int32_t last) {
    if (first > last) return;
    std::vector<Range> merged;
    merged.reserve(ranges_.size() + 1);
    Range added{first, last};
    bool placed = false;
    for (const Range& r : ranges_) {
        // Ranges that touch or overlap the new one are folded into it.
        if (static_cast<int64_t>(r.last) + 1 < added.first) {
            merged.push_back(r);
        } else if (static_cast<int64_t>(added.last) + 1 < r.first) {
            if (!placed) {
                merged.push_back(added);
                placed = true;
            }
            merged.push_back(r);
        } else {
            added.first = std::min(added.first, r.first);
            added.last = std::max(added.last, r.last);
        }
    }
    if (!placed) merged.push_back(added);
    ranges_ = std::move(merged);
}

void HostSelection::Deselect(int32_t index) {
    std::vector<Range> kept;
    kept.reserve(ranges_.size() + 1);
    for (const Range& r : ranges_) {
        if (index < r.first || index > r.last) {
            kept.push_back(r);
            continue;
        }
        if (r.first < index) kept.push_back({r.first, index - 1});
        if (index < r.last) kept.push_back({index + 1, r.last});
    }
    ranges_ = std::move(kept);
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

void HostSelection::Merge(const HostSelection& other) {
    for (const Range& r : other.ranges_) SelectRange(r.first, r.last);
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
