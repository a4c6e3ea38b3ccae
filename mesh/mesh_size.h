// What the export of one mesh holds in memory, and the refusal of a mesh whose export cannot
// fit: its corners past what 32-bit corner indices number, or its arrays past what the
// module's address space holds (on a 32-bit system, 2 GiB).  Sizes are counted in 64 bits,
// so that the count itself never wraps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// The counts of a mesh that decide the size of its export.
struct MeshCounts {
    uint64_t points = 0;
    uint64_t polygons = 0;
    bool normals = false;  // a normal table is built besides the texture coordinates'
    bool merge = false;    // equal values are merged
};

// The most bytes one array can take on this platform (no vector grows past it), and so the
// most the export of a mesh may need.
inline constexpr uint64_t kAddressableBytes = static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());

// The most polygons a mesh may have: four corners each, numbered by 32-bit indices whose
// highest value marks "none".
inline constexpr uint64_t kMaxMeshPolygons = std::numeric_limits<uint32_t>::max() / 4;

// The bytes the export of the mesh holds at most at one time, the host's temporary UV set
// included: its copies of the points and polygons, and both corner tables built at once.
// Counts below 2^32 (the host counts in 32 bits) cannot make it wrap.
uint64_t MeshExportBytes(const MeshCounts& counts);

// Why the mesh cannot be exported within `limit` bytes ("its 5 polygons and 4 points need
// ..."), or nothing when it can.
std::optional<std::string> MeshSizeProblem(const MeshCounts& counts, uint64_t limit = kAddressableBytes);
