// ObjMeshWriter: writes one polygon object as a mesh file (Wavefront OBJ).  The geometry walk
// makes one writer per object whose file it writes, calls WriteMesh once and drops it.
//
// The file holds, in this order: the header comments and the object's group; one "v" line per
// point; one "vt" line per texture coordinate (always); with a smoothing tag on the object,
// one "vn" line per normal; then the faces, a group headed by "usemtl" per polygon selection
// tag (named by the material of the selection's texture tag) and one last group for the
// polygons that no selection covers (written also when empty).  Each block ends with a count
// comment.  The status bar shows the stage and the console the time the export took.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "mesh/obj_mesh.h"
#include "mesh/obj_text_writer.h"
#include "sdk/file.h"
#include "sdk/filename.h"
#include "sdk/scene.h"

class ObjMeshWriter {
public:
    ObjMeshWriter() = default;
    ObjMeshWriter(const ObjMeshWriter&) = delete;
    ObjMeshWriter& operator=(const ObjMeshWriter&) = delete;

    // Writes `object` to directory + fileName, creating the directory when it is missing.
    // mergeDuplicates: equal texture coordinates and normals are written once.
    // 1 when the file was written.  0 for a null object (nothing is written) and when the file
    // cannot be opened or written: the console names the file, and no file (nor part of one)
    // is left in its place.
    int32_t WriteMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                      HostObject* object, bool mergeDuplicates);

    // How many threads may merge corners (default: the host's processor count); the text is
    // formatted on the caller's thread.
    void SetThreads(int32_t threads) { threads_ = threads; }

private:
    void ShowStage(const char* stage, int32_t percent) const;
    // Write the "vt" (or "vn") lines of the mesh's texture coordinate (or normal) table and
    // their count comment, then free the table's values; false, writing nothing, when the mesh
    // has no such table.
    bool WriteTextureCoordinateBlock();
    bool WriteNormalBlock();
    void WriteFaceGroups();
    void WriteFaceGroup(const HostTag* textureTag, const HostSelection& polygons);

    HostDocument* document_ = nullptr;
    std::optional<ObjMesh> mesh_;
    std::unique_ptr<HostFile> file_;
    std::optional<ObjTextWriter> text_;
    std::optional<int32_t> threads_;
};
