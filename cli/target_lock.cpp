#include "cli/target_lock.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "headless/files/native_io.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

std::string LockFileOf(const std::string& sceneFile) {
    using headless::native::FsPath;
    using headless::native::Utf8;
    const std::filesystem::path scene = FsPath(sceneFile);
    return Utf8(scene.parent_path() / FsPath("." + Utf8(scene.stem()) + ".vexlor-lock"));
}

}  // namespace

#ifdef _WIN32

// The lock is the file opened with no sharing; the system removes it when the handle closes,
// also when the export crashes.
TargetLock::~TargetLock() {
    if (held_ != -1) CloseHandle(reinterpret_cast<HANDLE>(held_));
}

bool TargetLock::Acquire(const std::string& sceneFile, std::string& error) {
    path_ = LockFileOf(sceneFile);
    HANDLE file = CreateFileW(headless::native::Wide(path_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD reason = GetLastError();
        error = reason == ERROR_SHARING_VIOLATION
                    ? sceneFile + ": another export to this scene is running"
                    : path_ + ": cannot make the lock file: " + headless::native::SystemMessage(reason);
        return false;
    }
    held_ = reinterpret_cast<intptr_t>(file);
    return true;
}

#else

TargetLock::~TargetLock() {
    if (held_ < 0) return;
    // Removed while still held: an export that opened the file meanwhile finds it gone from
    // its path and opens a new one.
    ::unlink(path_.c_str());
    ::close(static_cast<int>(held_));
}

bool TargetLock::Acquire(const std::string& sceneFile, std::string& error) {
    path_ = LockFileOf(sceneFile);
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
            held_ = fd;
            return true;
        }
        ::close(fd);
    }
}

#endif

}  // namespace cli
