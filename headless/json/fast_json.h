// The quick way to read a document's text: a strict JSON reader of its own that builds the
// tree for everything but the large arrays of geometry (an object's "points" and "polygons", a
// UVW tag's "uvs", a normal tag's "normals", a selection tag's "polygons"), which it reads
// straight into the host's types.  The tree holds a placeholder in their place, a binary value (which JSON text cannot
// produce) naming the list it stands for.
//
// It reads only what it is sure ParseJsonText and the loader take in the same way: on anything
// else (a syntax error, a duplicate key, a NUL byte, deep nesting, an unusual number or array
// element) it gives up, and the text goes to the precise path, which reports the problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sdk/math.h"
#include "sdk/scene.h"
#include "sdk/selection.h"

namespace headless::fast_json {

enum class BulkKind : uint64_t { kPoints, kPolygons, kUvs, kSelection, kNormals };

// The lists the placeholders stand for, by kind, each numbered from 0.  Every number is as the
// loader would read it: reals through document_format::ToReal, indices whole 32-bit numbers
// (not yet checked against the object's points or polygons), triangles with d = c, UVW corners
// of three with d = c and [u, v] with w = 0, normals four a polygon (d = c for entries of three
// corners), single selected indices as ranges of one.
struct BulkArrays {
    std::vector<std::vector<Vector>> points;
    std::vector<std::vector<CPolygon>> polygons;
    std::vector<std::vector<UvwCorners>> uvs;
    std::vector<std::vector<HostSelection::Range>> selections;
    std::vector<std::vector<Vector>> normals;
};

// Parses a JSON text into `root` and `bulk`; false when it leaves the text to the precise path
// (then root and bulk hold nothing of use).
bool ParseDocumentText(const std::string& text, size_t maxNesting, nlohmann::json& root, BulkArrays& bulk);

// The number of the list a placeholder of this kind stands for; false for any other value.
bool BulkIndex(const nlohmann::json& value, BulkKind kind, size_t& index);

}  // namespace headless::fast_json
