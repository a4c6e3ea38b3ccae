// The OBJ part of the scene check: one mesh file's text against itself (face indices, the
// count comments that the module's OBJ writer puts after each block, numbers) and its
// "usemtl" names against the scene's materials.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "headless/check/check.h"

namespace headless::check {

// A set of names that finds string_views without copying them.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

// At most this many problems are listed per OBJ file; one line then tells how many more
// there are.
inline constexpr size_t kMaxObjProblems = 100;

// Checks the text of an OBJ file; problems name `file` and a line of it.
// - "f": every corner "v", "v/vt", "v//vn" or "v/vt/vn" with indices (1-based, or negative
//   from the end) among the "v", "vt", "vn" lines before it; at least 3 corners.
// - "v" (3 or more), "vt" (1 to 3), "vn" (3): finite numbers.
// - "# N vertices", "# N texture coordinates", "# N normals": N equals the lines of that
//   kind so far.  "# N faces": the writer puts the object's polygon count there and writes a
//   polygon once per selection group it lies in, so the face lines so far are at least N,
//   and exactly N when the file has at most one "usemtl" group.
// - "usemtl NAME": `isMaterial(NAME)` (not asked when isMaterial is empty).
void CheckObjText(std::string_view text, const std::string& file,
                  const std::function<bool(std::string_view)>& isMaterial, std::vector<CheckProblem>& problems);

}  // namespace headless::check
