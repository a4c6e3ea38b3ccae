// HostSelection: a set of indices, kept as sorted, disjoint, inclusive ranges.
#pragma once

#include <cstdint>
#include <vector>

class HostSelection {
public:
    struct Range {
        int32_t first;
        int32_t last;  // inclusive
        friend bool operator==(Range a, Range b) = default;
    };

    void Select(int32_t index) { SelectRange(index, index); }
    void SelectRange(int32_t first, int32_t last);
    void Deselect(int32_t index);
    void SelectAll(int32_t first, int32_t last) { SelectRange(first, last); }
    void DeselectAll() { ranges_.clear(); }
    // Inverts the set over first ... last; indices outside are dropped.
    void ToggleAll(int32_t first, int32_t last);
    void Merge(const HostSelection& other);

    bool IsSelected(int32_t index) const;
    int32_t GetCount() const;
    int32_t GetSegments() const { return static_cast<int32_t>(ranges_.size()); }
    const std::vector<Range>& Ranges() const { return ranges_; }
    friend bool operator==(const HostSelection& a, const HostSelection& b) = default;

private:
    std::vector<Range> ranges_;
};
