// MeshFilePool: the mesh files of a frame, written on worker threads while the geometry walk
// goes on.
//
// Each mesh is prepared on the caller's thread, the export thread, which alone calls the
// host: the object's data, its tags and normals, the status bar, opening the file and the
// console.  A worker formats the text into the open file and closes it.  The console's
// lines come from the export thread in the order the meshes were given, as each mesh and all
// before it are done, so they read as if the meshes had been written one after another.
//
// Memory stays bounded: while too many meshes (or too many polygons) are prepared and not yet
// written, the export thread waits before preparing the next.  With one thread every mesh is
// written on the caller's thread as it comes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mesh/obj_mesh_writer.h"
#include "sdk/filename.h"
#include "sdk/scene.h"

struct MeshFileLimits {
    int32_t jobsPerThread = 64;          // prepared meshes not yet written, per worker
    int64_t polygons = 1 << 20;          // their polygons (a larger mesh waits to be alone)
    int32_t unreportedPerThread = 256;   // written meshes whose line waits for an earlier one
};

class MeshFilePool {
public:
    // `threads`: how many workers write (the host's processor count); 1 or less writes on
    // the caller's thread.  No worker starts before there is a mesh for it.  `mode`: how the
    // files are opened (kWriteBatch: they take their places when the host commits its batch).
    explicit MeshFilePool(int32_t threads, FileMode mode = FileMode::kWrite, MeshFileLimits limits = {});
    // Discards the meshes not yet taken by a worker (their files are not written), waits for
    // the others, and stops the workers.  No line is printed: Finish reports.
    ~MeshFilePool();
    MeshFilePool(const MeshFilePool&) = delete;
    MeshFilePool& operator=(const MeshFilePool&) = delete;

    // Writes `object` to directory + fileName as ObjMeshWriter::WriteMesh does, on a worker.
    // mergeDuplicates: equal texture coordinates and normals are written once.
    void WriteMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                   HostObject* object, bool mergeDuplicates);
    // Writes a mesh the caller prepared (PrepareMesh) and reports it with `outcome` in its turn;
    // `polygons` counts towards the bound.
    void Write(PreparedMesh mesh, MeshFileOutcome outcome, int64_t polygons);
    // Waits for every mesh and prints the lines still due; true when every file was written.
    bool Finish();

private:
    struct Job;

    // Waits until a mesh of `polygons` polygons may be prepared, reporting meanwhile.
    void WaitForRoom(int64_t polygons);
    // Waits for a worker to finish a mesh; the meshes waiting are handed over first.
    void WaitForDone(std::unique_lock<std::mutex>& lock);
    // Has a worker take the meshes waiting: an idle one is woken, else one is started while
    // there are fewer than `threads`; with one thread, or none to be had, they are written here.
    void HandOver(std::unique_lock<std::mutex>& lock);
    // Prints the lines of the meshes done at the front of the queue (lock held on entry and
    // on return, released while printing).
    void ReportDone(std::unique_lock<std::mutex>& lock);
    void Enqueue(std::unique_ptr<Job> job);
    // A worker's loop: takes the meshes in the order given until the pool stops.
    void Work();
    // Writes a taken mesh (no host call) and marks it done.
    void Run(Job& job);

    int32_t threads_;
    FileMode mode_;
    std::string madeDirectory_;  // the folder last made sure of
    MeshFileLimits limits_;
    bool allWritten_ = true;

    std::mutex mutex_;
    std::condition_variable work_;  // a worker may take a mesh, or the pool stops
    std::condition_variable done_;  // a worker finished a mesh
    std::deque<std::unique_ptr<Job>> jobs_;  // in the order given, until reported
    std::deque<Job*> waiting_;               // prepared, not yet taken by a worker
    int32_t unwritten_ = 0;                  // prepared or being written
    int64_t unwrittenPolygons_ = 0;
    int32_t idle_ = 0;                       // workers waiting for a mesh
    bool walkWaits_ = false;                 // the export thread waits for a mesh to be done
    int64_t finished_ = 0;                   // meshes written (or not) so far
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
