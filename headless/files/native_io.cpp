#include "headless/files/native_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#endif

namespace headless::native {

namespace {

// One call moves at most this many bytes (a count of 32 bits on every system).
constexpr size_t kMaxTransfer = size_t{1} << 30;

}  // namespace

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string SystemMessage(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n && text ? Narrow(std::wstring(text, n)) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

int ErrnoOf(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_INVALID_NAME: return EINVAL;
        case ERROR_WRITE_PROTECT: return EROFS;
        default: return EIO;
    }
}

std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(Wide(utf8)); }
std::string Utf8(const std::filesystem::path& path) { return Narrow(path.native()); }

namespace {

void Fill(const struct _stat64& s, FileInfo& info) {
    info.regular = (s.st_mode & _S_IFMT) == _S_IFREG;
    info.directory = (s.st_mode & _S_IFMT) == _S_IFDIR;
    info.size = static_cast<uint64_t>(s.st_size);
    info.device = static_cast<uint64_t>(s.st_dev);
    info.mode = static_cast<uint32_t>(s.st_mode & 0777);
}

}  // namespace

bool Stat(const std::string& path, FileInfo& info) {
    struct _stat64 s;
    if (_wstat64(Wide(path).c_str(), &s) != 0) return false;
    Fill(s, info);
    return true;
}

bool StatOpen(int fd, FileInfo& info) {
    struct _stat64 s;
    if (_fstat64(fd, &s) != 0) return false;
    Fill(s, info);
    return true;
}

int OpenRead(const std::string& path) {
    const int fd = _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    // Windows opens no folder, and says "Permission denied": give the reason Linux gives when
    // a folder is read.
    FileInfo info;
    if (fd < 0 && errno == EACCES && Stat(path, info) && info.directory) errno = EISDIR;
    return fd;
}
int OpenReadNoWait(const std::string& path) { return OpenRead(path); }

int CreateExclusive(const std::string& path) {
    return _wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

void TakeMode(int, const FileInfo&) {}

int64_t ReadSome(int fd, void* data, size_t size) {
    return _read(fd, data, static_cast<unsigned>(std::min(size, kMaxTransfer)));
}

int64_t WriteSome(int fd, const void* data, size_t size) {
    return _write(fd, data, static_cast<unsigned>(std::min(size, kMaxTransfer)));
}

int64_t Seek(int fd, int64_t offset, int whence) { return _lseeki64(fd, offset, whence); }
bool Close(int fd) { return _close(fd) == 0; }
bool SyncFile(int fd) { return _commit(fd) == 0; }
void SyncFolder(const std::string&) {}

std::map<std::string, int> SyncFileSystems(const std::set<std::string>& folders) {
    std::map<std::string, int> errors;
    for (const std::string& folder : folders) {
        FileInfo info;
        errors[folder] = !Stat(folder, info) ? errno : info.directory ? 0 : ENOTDIR;
    }
    return errors;
}

bool Replace(const std::string& from, const std::string& to) {
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    errno = ErrnoOf(GetLastError());
    return false;
}

bool Remove(const std::string& path) { return _wunlink(Wide(path).c_str()) == 0; }

std::FILE* OpenStdio(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::string ProcessId() { return std::to_string(GetCurrentProcessId()); }

#else

std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(utf8); }
std::string Utf8(const std::filesystem::path& path) { return path.string(); }

namespace {

void Fill(const struct stat& s, FileInfo& info) {
    info.regular = S_ISREG(s.st_mode);
    info.directory = S_ISDIR(s.st_mode);
    info.size = static_cast<uint64_t>(s.st_size);
    info.device = static_cast<uint64_t>(s.st_dev);
    info.mode = static_cast<uint32_t>(s.st_mode & 07777);
}

}  // namespace

bool Stat(const std::string& path, FileInfo& info) {
    struct stat s;
    if (::stat(path.c_str(), &s) != 0) return false;
    Fill(s, info);
    return true;
}

bool StatOpen(int fd, FileInfo& info) {
    struct stat s;
    if (::fstat(fd, &s) != 0) return false;
    Fill(s, info);
    return true;
}

int OpenRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
int OpenReadNoWait(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

int CreateExclusive(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

void TakeMode(int fd, const FileInfo& like) { ::fchmod(fd, like.mode); }

int64_t ReadSome(int fd, void* data, size_t size) { return ::read(fd, data, std::min(size, kMaxTransfer)); }
int64_t WriteSome(int fd, const void* data, size_t size) { return ::write(fd, data, std::min(size, kMaxTransfer)); }
int64_t Seek(int fd, int64_t offset, int whence) { return ::lseek(fd, static_cast<off_t>(offset), whence); }
bool Close(int fd) { return ::close(fd) == 0; }
bool SyncFile(int fd) { return ::fsync(fd) == 0; }

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::map<std::string, int> SyncFileSystems(const std::set<std::string>& folders) {
    std::map<std::string, int> errors;
    std::map<dev_t, int> synced;  // device -> the error of its sync
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            errors[folder] = errno;
            if (fd >= 0) ::close(fd);
            continue;
        }
        auto [at, first] = synced.try_emplace(info.st_dev, 0);
        if (first && ::syncfs(fd) != 0) at->second = errno;
        errors[folder] = at->second;
        ::close(fd);
    }
    return errors;
}

bool Replace(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }
bool Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }
std::FILE* OpenStdio(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }
std::string ProcessId() { return std::to_string(::getpid()); }

#endif

}  // namespace headless::native
