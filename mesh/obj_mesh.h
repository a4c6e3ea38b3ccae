// The data of one polygon object's mesh file: the object's points and polygons as the host
// holds them, and the corner tables of its texture coordinates and normals.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "mesh/corner_merge.h"
#include "sdk/scene.h"

class ObjMesh {
public:
    ObjMesh(HostDocument* document, HostObject& object, bool mergeDuplicates);

    HostObject& Object() const { return object_; }
    std::span<const Vector> Points() const { return points_; }
    std::span<const CPolygon> Polygons() const { return polygons_; }
    // The object carries a smoothing tag: only then are normals written.
    bool HasSmoothing() const;

    // Builds Uvs(): gathers the texture coordinates of every corner after the texture tags'
    // projection and tiling (PrepareUvSet), v flipped to 1 - v, and makes the corner table of
    // them, merged when asked.  False when the temporary UV set or memory cannot be had; the
    // table is empty then.  At most kMaxMeshPolygons polygons.
    bool BuildTextureCoordinateTable();
    // Builds Normals(): gathers the host's smoothed corner normals at unit length
    // (UnitCornerNormal) and makes the corner table of them, merged when asked.  False when
    // the host gives no normals (or not four per polygon) or memory runs out.
    bool BuildNormalTable();
    // Both of the above (the normals only when `withNormals`), with the same results;
    // `normalsStage` is called between the two.  With `threads` > 1, merging on and a large
    // mesh, the texture coordinates are merged on a second thread while the host computes the
    // normals and this one merges them.  Host calls stay on the caller's thread.
    void BuildCornerTables(bool withNormals, int32_t threads, const std::function<void()>& normalsStage);

    // Empty unless the table was built.
    const std::optional<CornerTable<Uv>>& Uvs() const { return uvs_; }
    const std::optional<CornerTable<Vector>>& Normals() const { return normals_; }
    // Free a value list once it is written; the corner indices stay for the faces.
    void ReleaseUvValues();
    void ReleaseNormalValues();
    // Memory (or what a vector can hold) ran out while a table was built: a table that could
    // not be built for that is missing.
    bool RanOutOfMemory() const { return outOfMemory_; }
    // Hand a built table over to the caller; Uvs() (or Normals()) is empty afterwards.
    std::optional<CornerTable<Uv>> TakeUvs();
    std::optional<CornerTable<Vector>> TakeNormals();

private:
    std::optional<std::vector<Uv>> GatherTextureCoordinates() const;
    std::optional<std::vector<Vector>> GatherNormals() const;
    template <class T>
    std::optional<CornerTable<T>> Tabulate(std::vector<T> corners) const;

    HostDocument* document_;
    HostObject& object_;
    bool merge_;
    std::span<const Vector> points_;
    std::span<const CPolygon> polygons_;
    std::optional<CornerTable<Uv>> uvs_;
    std::optional<CornerTable<Vector>> normals_;
    mutable std::atomic<bool> outOfMemory_ = false;  // set by both threads of BuildCornerTables
};

// Calls visit(tag, selection) for each polygon selection tag of the object that has a
// selection, in tag order, and returns the polygons that none of them covers: all of them when
// there is none.
template <class Visit>
HostSelection VisitSelectionTags(const HostObject& object, Visit visit) {
    HostSelection covered;
    for (HostTag* tag = object.GetFirstTag(); tag; tag = tag->GetNext()) {
        if (tag->GetType() != host_type::kPolygonSelectionTag) continue;
        const HostSelection* selection = tag->GetSelection();
        if (!selection) continue;
        visit(*tag, *selection);
        covered.Merge(*selection);
    }
    const int32_t last = object.GetPolygonCount() - 1;
    if (covered.GetCount() == 0) covered.SelectAll(0, last);
    else covered.ToggleAll(0, last);
    return covered;
}

// Calls visit(first, last) for each range of the selection, cut to the polygons 0 ... count - 1
// (both inclusive); ranges outside are passed over.
template <class Visit>
void ForEachPolygonRange(const HostSelection& selection, int32_t count, Visit visit) {
    for (const HostSelection::Range& range : selection.Ranges()) {
        const int32_t first = range.first < 0 ? 0 : range.first;
        const int32_t last = range.last < count ? range.last : count - 1;
        if (first <= last) visit(first, last);
    }
}

// Fills `uvSet`, a UV tag with one entry per polygon of `object`, with the object's texture
// coordinates after the texture tags' projection and tiling: each polygon selection tag's
// texture tag for the polygons it selects (in tag order, later tags overwriting), then the
// default texture tag for the polygons that no selection tag covers.  A polygon without a
// texture tag keeps what uvSet held.  Indices outside the object's polygons are passed over.
bool PrepareUvSet(HostObject& object, HostDocument* document, HostTag& uvSet);

// A corner normal at unit length: (1, 0, 0) when its length is below 1e-7, unchanged when the
// length differs from 1 by less than 1e-7, else divided by its length.
Vector UnitCornerNormal(Vector normal);
