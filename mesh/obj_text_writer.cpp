#include "mesh/obj_text_writer.h"

#include <algorithm>
#include <cstring>

#include "core/format.h"

namespace {

using textfmt::kPrintfFixed8MaxBytes;
using textfmt::kPrintfIntMaxBytes;

// Longest lines: a keyword, three reals and their separators; "f", four corners of three
// indices with their separators.
constexpr size_t kVectorLineBytes = 4 + 3 * (kPrintfFixed8MaxBytes + 1);
constexpr size_t kFaceLineBytes = 2 + 4 * (3 * (kPrintfIntMaxBytes + 1) + 1);

char* Keyword(char* out, std::string_view keyword) {
    std::memcpy(out, keyword.data(), keyword.size());
    return out + keyword.size();
}

char* VectorLine(char* out, std::string_view keyword, float first, float second, float third) {
    out = Keyword(out, keyword);
    out = textfmt::WritePrintfFixed8(out, first);
    *out++ = ' ';
    out = textfmt::WritePrintfFixed8(out, second);
    *out++ = ' ';
    out = textfmt::WritePrintfFixed8(out, third);
    *out++ = '\n';
    return out;
}

char* UvLine(char* out, Uv uv) {
    out = Keyword(out, "vt ");
    out = textfmt::WritePrintfFixed8(out, uv.u);
    *out++ = ' ';
    out = textfmt::WritePrintfFixed8(out, uv.v);
    *out++ = '\n';
    return out;
}

char* FaceLine(char* out, const CPolygon& polygon, size_t index, const FaceIndexTables& tables) {
    const int32_t points[4] = {polygon.a, polygon.b, polygon.c, polygon.d};
    const size_t corner = 4 * index;
    *out++ = 'f';
    for (size_t k = polygon.IsTriangle() ? 3 : 4; k-- > 0;) {
        *out++ = ' ';
        out = textfmt::WritePrintfInt(out, static_cast<int64_t>(points[k]) + 1);
        if (tables.uv) {
            *out++ = '/';
            out = textfmt::WritePrintfInt(out, static_cast<int64_t>(tables.uv[corner + k]) + 1);
        }
        if (tables.normal) {
            if (!tables.uv) *out++ = '/';
            *out++ = '/';
            out = textfmt::WritePrintfInt(out, static_cast<int64_t>(tables.normal[corner + k]) + 1);
        }
    }
    *out++ = '\n';
    return out;
}

}  // namespace

ObjTextWriter::ObjTextWriter(HostFile& file) : file_(file), block_(new char[kBlockBytes]) {}

void ObjTextWriter::Flush() {
    if (used_ != 0 && !failed_ && !file_.Write(block_.get(), used_)) failed_ = true;
    used_ = 0;
}

bool ObjTextWriter::Finish() {
    Flush();
    return !failed_;
}

void ObjTextWriter::Text(std::string_view text) {
    while (!text.empty()) {
        if (used_ == kBlockBytes) Flush();
        const size_t part = std::min(text.size(), kBlockBytes - used_);
        std::memcpy(block_.get() + used_, text.data(), part);
        used_ += part;
        text.remove_prefix(part);
    }
}

// Formats lines first ... end - 1: format(out, i) writes line i at out (at most maxLineBytes)
// and returns its end.
template <class Format>
void ObjTextWriter::Lines(size_t first, size_t end, size_t maxLineBytes, const Format& format) {
    for (size_t i = first; i < end; ++i) {
        if (used_ + maxLineBytes > kBlockBytes) Flush();
        used_ = static_cast<size_t>(format(block_.get() + used_, i) - block_.get());
    }
}

void ObjTextWriter::Header(std::string_view exporter, std::string_view credit) {
    Text("# ");
    Text(exporter);
    Text("\n# ");
    Text(credit);
    Text("\n\n");
}

void ObjTextWriter::Group(std::string_view name) {
    Text("g ");
    Text(name);
    Text("\n\n");
}

void ObjTextWriter::Vertices(std::span<const Vector> points) {
    Lines(0, points.size(), kVectorLineBytes,
          [&](char* out, size_t i) { return VectorLine(out, "v ", points[i].x, points[i].z, points[i].y); });
}

void ObjTextWriter::TextureCoordinates(std::span<const Uv> uvs) {
    Lines(0, uvs.size(), kVectorLineBytes, [&](char* out, size_t i) { return UvLine(out, uvs[i]); });
}

void ObjTextWriter::Normals(std::span<const Vector> normals) {
    Lines(0, normals.size(), kVectorLineBytes,
          [&](char* out, size_t i) { return VectorLine(out, "vn ", normals[i].x, normals[i].z, normals[i].y); });
}

void ObjTextWriter::Count(uint64_t count, std::string_view what) {
    char number[kPrintfIntMaxBytes];
    const char* end = textfmt::WritePrintfInt(number, static_cast<int64_t>(count));
    Text("# ");
    Text({number, static_cast<size_t>(end - number)});
    Text(" ");
    Text(what);
    Text("\n\n");
}

void ObjTextWriter::Material(std::string_view name) {
    Text("\n# Selection Name: none, \nusemtl ");
    Text(name);
    Text("\n");
}

void ObjTextWriter::Faces(std::span<const CPolygon> polygons, size_t first, size_t last,
                          const FaceIndexTables& tables) {
    if (first > last || last >= polygons.size()) return;
    Lines(first, last + 1, kFaceLineBytes,
          [&](char* out, size_t i) { return FaceLine(out, polygons[i], i, tables); });
}
