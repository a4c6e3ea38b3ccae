#include "mesh/mesh_size.h"

#include "core/format.h"
#include "mesh/corner_merge.h"
#include "sdk/scene.h"

namespace {

constexpr uint64_t kIndexBytes = sizeof(uint32_t);
// What merging adds besides the value list: entries looked up by point (one per point and
// 4096 more, a value and an index each), and hash grid lines of 64 bytes, one per six
// polygons at first, twice that while the grid grows.
constexpr uint64_t kSpareEntries = 4096;
constexpr uint64_t kGridLineBytes = 64;
constexpr uint64_t kPolygonsPerGridLine = 6;

// One corner table: the corners' values as gathered and four indices per polygon; merging,
// also a value list reserved for every corner, a chain index per value and the lookups.
uint64_t TableBytes(const MeshCounts& counts, uint64_t valueBytes) {
    const uint64_t corners = 4 * counts.polygons;
    uint64_t bytes = corners * (valueBytes + kIndexBytes);
    if (counts.merge) {
        bytes += corners * (valueBytes + kIndexBytes);
        bytes += (counts.points + kSpareEntries) * (valueBytes + kIndexBytes);
        bytes += 2 * (counts.polygons / kPolygonsPerGridLine + 1) * kGridLineBytes;
    }
    return bytes;
}

std::string Number(uint64_t value) {
    std::string text;
    textfmt::AppendInt(text, static_cast<int64_t>(value));
    return text;
}

}  // namespace

uint64_t MeshExportBytes(const MeshCounts& counts) {
    uint64_t bytes = counts.points * sizeof(Vector) + counts.polygons * sizeof(CPolygon);
    bytes += counts.polygons * sizeof(UvwCorners);  // the host's temporary UV set
    bytes += TableBytes(counts, sizeof(Uv));
    if (counts.normals) bytes += TableBytes(counts, sizeof(Vector));
    return bytes;
}

std::optional<std::string> MeshSizeProblem(const MeshCounts& counts, uint64_t limit) {
    if (counts.polygons > kMaxMeshPolygons) {
        return "its " + Number(counts.polygons) + " polygons have more corners than 32-bit indices can number";
    }
    const uint64_t bytes = MeshExportBytes(counts);
    if (bytes <= limit) return std::nullopt;
    return "its " + Number(counts.points) + " points and " + Number(counts.polygons) + " polygons need " +
           Number(bytes) + " bytes to export, more than the " + Number(limit) + " this system can address";
}
