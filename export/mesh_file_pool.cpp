#include "export/mesh_file_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "sdk/host.h"

struct MeshFilePool::Job {
    PreparedMesh mesh;        // the worker's once it is taken
    MeshFileOutcome outcome;  // the export thread's; `written` and the time are set under the lock
    int64_t polygons = 0;
    int64_t prepareMilliseconds = 0;
    bool done = false;
};

MeshFilePool::MeshFilePool(int32_t threads, FileMode mode, MeshFileLimits limits)
    : threads_(std::max(threads, 1)), mode_(mode), limits_(limits) {}

MeshFilePool::~MeshFilePool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();  // their files are dropped open with jobs_, and so discarded
    }
    work_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void MeshFilePool::WriteMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                             HostObject* object, bool mergeDuplicates) {
    if (!object) return;
    if (threads_ == 1) {
        ObjMeshWriter writer;
        writer.SetFileMode(mode_);
        if (writer.WriteMesh(document, directory, fileName, object, mergeDuplicates) != 1) {
            allWritten_ = false;
        }
        return;
    }
    const int64_t polygons = object->GetPolygonCount();
    WaitForRoom(polygons);
    Host& host = TheHost();
    auto job = std::make_unique<Job>();
    const int64_t start = host.GetTimer();
    // The folder is looked for once, not for every mesh: a frame writes its meshes into one.
    if (directory.Str() != madeDirectory_) {
        if (!host.FileExists(directory, true)) host.CreateDirectory(directory);
        madeDirectory_ = directory.Str();
    }
    job->mesh = PrepareMesh(document, directory, fileName, *object, mergeDuplicates, threads_, job->outcome, mode_);
    job->prepareMilliseconds = host.GetTimer() - start;
    job->polygons = polygons;
    Enqueue(std::move(job));
}

void MeshFilePool::Write(PreparedMesh mesh, MeshFileOutcome outcome, int64_t polygons) {
    WaitForRoom(polygons);
    auto job = std::make_unique<Job>();
    job->mesh = std::move(mesh);
    job->outcome = std::move(outcome);
    job->polygons = polygons;
    Enqueue(std::move(job));
}

bool MeshFilePool::Finish() {
    std::unique_lock lock(mutex_);
    ReportDone(lock);
    while (!jobs_.empty()) {
        WaitForDone(lock);
        ReportDone(lock);
    }
    return allWritten_;
}

void MeshFilePool::WaitForRoom(int64_t polygons) {
    std::unique_lock lock(mutex_);
    ReportDone(lock);
    // A mesh is always let in when nothing is left to write: the walk never waits on itself.
    auto room = [&] {
        return unwritten_ == 0 ||
               (unwritten_ < threads_ * limits_.jobsPerThread && unwrittenPolygons_ + polygons <= limits_.polygons &&
                static_cast<int64_t>(jobs_.size()) < int64_t{threads_} * limits_.unreportedPerThread);
    };
    while (!room()) {
        WaitForDone(lock);
        ReportDone(lock);
    }
}

void MeshFilePool::WaitForDone(std::unique_lock<std::mutex>& lock) {
    const int64_t finished = finished_;
    HandOver(lock);
    if (!waiting_.empty()) work_.notify_all();  // every worker may take one
    walkWaits_ = true;
    done_.wait(lock, [&] { return finished_ != finished; });
    walkWaits_ = false;
}

void MeshFilePool::ReportDone(std::unique_lock<std::mutex>& lock) {
    while (!jobs_.empty() && jobs_.front()->done) {
        const std::unique_ptr<Job> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        if (!job->outcome.written) allWritten_ = false;
        ReportMeshFile(job->outcome);
        lock.lock();
    }
}

void MeshFilePool::Enqueue(std::unique_ptr<Job> job) {
    std::unique_lock lock(mutex_);
    Job& added = *job;
    jobs_.push_back(std::move(job));
    ++unwritten_;
    unwrittenPolygons_ += added.polygons;
    waiting_.push_back(&added);
    // Small meshes are handed over in runs, not with a wake-up each.
    constexpr size_t kRun = 16;
    constexpr int64_t kLargeMesh = 1 << 14;
    if (threads_ == 1 || waiting_.size() >= kRun || added.polygons >= kLargeMesh) HandOver(lock);
    ReportDone(lock);
}

void MeshFilePool::HandOver(std::unique_lock<std::mutex>& lock) {
    if (waiting_.empty()) return;
    if (idle_ > 0) {
        work_.notify_one();
        return;
    }
    if (threads_ > 1 && static_cast<int32_t>(workers_.size()) < threads_) {
        try {
            workers_.emplace_back([this] { Work(); });
            return;
        } catch (const std::system_error&) {
            // No thread to be had: with none at all, the meshes are written here.
        }
    }
    while (workers_.empty() && !waiting_.empty()) {
        Job& next = *waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        Run(next);
        lock.lock();
    }
}

void MeshFilePool::Work() {
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            work_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            --idle_;
            if (waiting_.empty()) return;
            job = waiting_.front();
            waiting_.pop_front();
        }
        Run(*job);
    }
}

void MeshFilePool::Run(Job& job) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    bool written = false;
    try {
        written = WritePreparedMesh(job.mesh);
    } catch (...) {
        // Out of memory on the way, say: the file is dropped open, and so discarded.
    }
    job.mesh = PreparedMesh();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    {
        std::lock_guard lock(mutex_);
        job.outcome.written = written;
        job.outcome.milliseconds = job.prepareMilliseconds + static_cast<int64_t>(elapsed);
        job.done = true;
        ++finished_;
        --unwritten_;
        unwrittenPolygons_ -= job.polygons;
        if (!walkWaits_) return;
    }
    done_.notify_one();
}
