#include "cli/target_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace cli {

TargetLock::~TargetLock() {
    if (fd_ < 0) return;
    // Removed while still held: an export that opened the file meanwhile finds it gone from
    // its path and opens a new one.
    ::unlink(path_.c_str());
    ::close(fd_);
}

bool TargetLock::Acquire(const std::string& sceneFile, std::string& error) {
    const std::filesystem::path scene(sceneFile);
    path_ = (scene.parent_path() / ("." + scene.stem().string() + ".vexlor-lock")).string();
    for (;;) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            error = path_ + ": cannot make the lock file: " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            ::close(fd);
            error = reason == EWOULDBLOCK ? sceneFile + ": another export to this scene is running"
                                          : path_ + ": cannot lock: " + std::strerror(reason);
            return false;
        }
        // The holder before us may have removed the file between our open and our lock.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
}

}  // namespace cli
