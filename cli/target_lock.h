// An exclusive lock on an export's target, so that two exports to one scene do not mix their
// files.  The lock is a hidden file beside the scene (".NAME.vexlor-lock" for NAME.ovs) held
// for the whole export and removed when it ends: with flock(2) on Linux, where a lock file
// that a crashed export left behind holds no lock and is taken over; opened unshared and
// deleted on close on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

class TargetLock {
public:
    TargetLock() = default;
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;
    ~TargetLock();

    // Takes the lock of the scene file without waiting; false with the reason when another
    // export holds it or the lock file cannot be made.
    bool Acquire(const std::string& sceneFile, std::string& error);

private:
    std::string path_;
    intptr_t held_ = -1;  // the lock file's descriptor, or its handle on Windows
};

}  // namespace cli
