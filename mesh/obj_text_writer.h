// The text of a mesh file (Wavefront OBJ), one method per kind of line.  Lines are formatted
// on the caller's thread into 64 KiB blocks that are written whole through the host file.
// Numbers are written exactly as printf's "%.8f" and "%li" write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "mesh/corner_merge.h"
#include "sdk/file.h"
#include "sdk/scene.h"

// The corner indices that face lines refer to: four per polygon (a, b, c, d).  A null table
// leaves its part out of the corners ("v/vt", "v//vn" or "v").
struct FaceIndexTables {
    const uint32_t* uv = nullptr;
    const uint32_t* normal = nullptr;
};

class ObjTextWriter {
public:
    static constexpr size_t kBlockBytes = 64 * 1024;

    explicit ObjTextWriter(HostFile& file);

    // Any text, of any length, as it is.
    void Text(std::string_view text);
    // The two comment lines and an empty line.
    void Header(std::string_view exporter, std::string_view credit);
    // "g NAME" and an empty line.
    void Group(std::string_view name);
    // "v x z y" per point (the host's y and z swapped).
    void Vertices(std::span<const Vector> points);
    // "vt u v" per texture coordinate.
    void TextureCoordinates(std::span<const Uv> uvs);
    // "vn x z y" per normal.
    void Normals(std::span<const Vector> normals);
    // "# N WHAT" and an empty line.
    void Count(uint64_t count, std::string_view what);
    // The head of a face group: an empty line, "# Selection Name: none, ", "usemtl NAME".
    void Material(std::string_view name);
    // "f ..." for the polygons first ... last (inclusive), corners in reverse order: d c b a,
    // or c b a for a triangle.  Indices are written 1-based.
    void Faces(std::span<const CPolygon> polygons, size_t first, size_t last, const FaceIndexTables& tables);

    // Writes what is left; false when any write failed.
    bool Finish();

private:
    template <class Format>
    void Lines(size_t first, size_t end, size_t maxLineBytes, const Format& format);
    void Flush();

    HostFile& file_;
    std::unique_ptr<char[]> block_;
    size_t used_ = 0;
    bool failed_ = false;
};
