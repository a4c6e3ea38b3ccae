// ObjMeshWriter: writes one polygon object as a mesh file (Wavefront OBJ).
//
// The file holds, in this order: the header comments and the object's group; one "v" line per
// point; one "vt" line per texture coordinate (always); with a smoothing tag on the object,
// one "vn" line per normal; then the faces, a group headed by "usemtl" per polygon selection
// tag (named by the material of the selection's texture tag) and one last group for the
// polygons that no selection covers (written also when empty).  Each block ends with a count
// comment.  The status bar shows the stage and the console the time the export took.
//
// Writing a mesh has three steps.  PrepareMesh gathers all the host has to give (points,
// polygons, texture coordinates, normals, the face groups' materials); WritePreparedMesh opens
// the file, formats the text into it and closes it, calling nothing of the host but its file
// facility (which serves any thread), so it may run on any thread; ReportMeshFile prints the
// console's line.  WriteMesh does all three on the caller's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mesh/corner_merge.h"
#include "mesh/mesh_size.h"
#include "mesh/obj_mesh.h"
#include "mesh/obj_text_writer.h"
#include "sdk/file.h"
#include "sdk/filename.h"
#include "sdk/scene.h"

// The polygons first ... last (inclusive).
struct PolygonRange {
    int32_t first = 0;
    int32_t last = 0;
};

// A group of faces: its material's name (as the file spells it) and its polygons.
struct FaceGroup {
    std::string material;
    std::vector<PolygonRange> ranges;
};

// What the console says of a mesh file.
struct MeshFileOutcome {
    HostFilename path;
    std::string name;          // the object's name on one line
    int32_t polygonCount = 0;  // the object's
    bool written = false;
    int64_t milliseconds = 0;  // from the start of the preparation to the end of the write
    std::string refusal;       // why the mesh was refused before its file was opened, if it was
};

// A mesh file whose text needs nothing more from the host: its own copies of the object's
// points and polygons, the corner tables, the face groups, and where and how to write it.
struct PreparedMesh {
    HostFilename path;
    FileMode mode = FileMode::kWrite;
    std::string name;
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    std::optional<CornerTable<Uv>> uvs;
    std::optional<CornerTable<Vector>> normals;
    std::vector<FaceGroup> groups;
    std::unique_ptr<HostFile> file;  // opened by WritePreparedMesh unless opened before
    bool refused = false;            // too large for this system, or memory ran out: no file
};

// On the host's thread: gathers the mesh of directory + fileName (the directory must exist),
// showing the stages on the status bar.  `threads`: how many threads may merge corners;
// `mode`: how the file is to be opened (kWrite, or kWriteBatch for a file that takes its place
// when the host commits its batch).  The outcome's path, name and polygon count are filled in.
// A mesh whose export would need more than `addressLimit` bytes (MeshSizeProblem), or for
// which memory runs out, is refused: nothing more is gathered, and the outcome says why.
PreparedMesh PrepareMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                         HostObject& object, bool mergeDuplicates, int32_t threads, MeshFileOutcome& outcome,
                         FileMode mode = FileMode::kWrite, uint64_t addressLimit = kAddressableBytes);

// On any thread: opens the file, writes the text into it and closes it; the mesh's data and the
// file are released.  False when the mesh was refused, or the file could not be opened or not
// all of it could be written: dropped open, it is discarded, and whatever stood at its path
// stays.
bool WritePreparedMesh(PreparedMesh& mesh);

// The console's line for a mesh file that could not be written (or take its place); for a
// refused mesh, the object's name and why follow the path.
void ReportUnwritableMesh(const HostFilename& path, const std::string& name = {}, const std::string& refusal = {});
// On the host's thread: the status bar at the mesh's end; then the console's line,
// "Exported mesh: ..." or the error naming the file.
void ReportMeshFile(const MeshFileOutcome& outcome);

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
    // How the file is opened (default kWrite).
    void SetFileMode(FileMode mode) { mode_ = mode; }
    // The most bytes the export of a mesh may need (default: what this system can address).
    void SetAddressLimit(uint64_t bytes) { addressLimit_ = bytes; }

private:
    std::optional<int32_t> threads_;
    FileMode mode_ = FileMode::kWrite;
    uint64_t addressLimit_ = kAddressableBytes;
};
