// The operations of this machine's file system that the headless host and the command use,
// with paths as UTF-8 text on every system.  Each sets errno and returns -1 (or false) when
// it fails, so callers word the reason with strerror.  Sizes and offsets are 64-bit
// everywhere, also where size_t is 32 bits.
//
// Linux: thin wrappers of the POSIX calls.  Windows: the wide-character calls (the paths are
// converted from UTF-8 to UTF-16 at this boundary, never through the ANSI code page).
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace headless::native {

#ifdef _WIN32
// The host's paths are the paths of this machine: no drive map between them.
inline constexpr bool kHostPathsAreNative = true;
inline constexpr char kSeparator = '\\';
// A backslash separates folders, like "/".
inline constexpr bool kBackslashSeparates = true;
// Bytes of the longest path the system opens.
inline constexpr size_t kMaxPathBytes = 32767;
// Windows has no sync of a whole file system: each batch file is flushed to the disk as it
// is closed instead.
inline constexpr bool kSyncBatchFilesOnClose = true;
#else
inline constexpr bool kHostPathsAreNative = false;
inline constexpr char kSeparator = '/';
inline constexpr bool kBackslashSeparates = false;  // a character of a name
inline constexpr size_t kMaxPathBytes = PATH_MAX - 1;
inline constexpr bool kSyncBatchFilesOnClose = false;
#endif

inline bool IsSeparator(char c) { return c == '/' || (kBackslashSeparates && c == '\\'); }

// The path for std::filesystem, and back: always through UTF-8.
std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8(const std::filesystem::path& path);

struct FileInfo {
    bool regular = false;
    bool directory = false;
    uint64_t size = 0;
    uint64_t device = 0;
    uint32_t mode = 0;  // the permission bits
};

bool Stat(const std::string& path, FileInfo& info);
bool StatOpen(int fd, FileInfo& info);

// Opens a file to read (not inherited by programs the host starts).
int OpenRead(const std::string& path);
// As OpenRead, but opening a FIFO or a terminal does not wait or make it ours.
int OpenReadNoWait(const std::string& path);
// Creates a new file to write; fails with EEXIST when the name is taken.
int CreateExclusive(const std::string& path);
// Gives the file the permission bits of `like` (nothing on Windows).
void TakeMode(int fd, const FileInfo& like);

// One read or write of at most `size` bytes: the count, or -1.
int64_t ReadSome(int fd, void* data, size_t size);
int64_t WriteSome(int fd, const void* data, size_t size);
// The new offset, or -1.
int64_t Seek(int fd, int64_t offset, int whence);
bool Close(int fd);
// Flushes the file's bytes to the disk.
bool SyncFile(int fd);
// Makes the names in the folder durable (best effort; nothing on Windows).
void SyncFolder(const std::string& folder);
// Syncs every file system that holds one of the folders, once each: the error of the sync per
// folder (0 when its file system is safe on the disk, or the folder exists on Windows).
std::map<std::string, int> SyncFileSystems(const std::set<std::string>& folders);

// Moves `from` over `to`, replacing it.
bool Replace(const std::string& from, const std::string& to);
bool Remove(const std::string& path);
std::FILE* OpenStdio(const std::string& path, const char* mode);

std::string ProcessId();

#ifdef _WIN32
std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// The system's text for an error code of GetLastError, in UTF-8.
std::string SystemMessage(unsigned long code);
// The errno value closest to an error code of GetLastError.
int ErrnoOf(unsigned long code);
#endif

}  // namespace headless::native
