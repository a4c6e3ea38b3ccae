// The headless host's file facility: a Windows file namespace on this machine.
//
// Host paths are Windows paths ("C:\dir\file").  A drive map sends each drive letter to a
// directory of this machine; Z: is "/" unless mapped otherwise (as Wine does), so the host
// path Z:\home\a\room.ovs is the file /home/a/room.ovs.  Both "\" and "/" separate in host
// paths; ".." steps that would climb above the drive's root stay at the root.
//
// On Windows the host's paths are the paths of the machine itself: the drive map is not
// consulted there, a host path is its own native path (made normal, with "\" separators), and
// shares ("\\server\share\...") count as absolute too.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "headless/files/file_batch.h"
#include "sdk/file.h"
#include "sdk/filename.h"
#include "sdk/types.h"

namespace headless {

// What became of one file written through the facility: the target (a path of this machine)
// and, when it was not written, the system's reason ("No space left on device").
struct WriteOutcome {
    std::string path;
    std::string error;  // empty when the file took its place
    bool Written() const { return error.empty(); }
};

// Every file written through the facility, in the order they were finished; safe to add to
// from several threads.
class WriteLog {
public:
    void Add(WriteOutcome outcome);
    size_t Size() const;
    // The outcomes from `first` on.
    std::vector<WriteOutcome> Since(size_t first) const;

private:
    mutable std::mutex mutex_;
    std::vector<WriteOutcome> outcomes_;
};

class FileSystem {
public:
    FileSystem();

    // Maps a drive letter (A-Z, either case) to a directory of this machine; an empty
    // directory removes the mapping.  (Kept, but not consulted, on Windows.)
    void MapDrive(char letter, const std::string& directory);
    // The path of this machine for a host path; nullopt when it is not absolute
    // ("X:\..." or "X:/...") or its drive is not mapped.  On Windows: the host path made
    // normal (see NormalWindowsPath).
    std::optional<std::string> ToNative(const HostFilename& path) const;
    // The host path for a path of this machine (relative paths are taken from the current
    // directory); the drive whose directory is the longest prefix wins.  Empty when no
    // drive holds the path.  On Windows: the absolute path, made normal.
    HostFilename ToHost(const std::string& nativePath) const;

    // Writing goes to a hidden file beside the target (".vxtmp-PID-N"), which Close
    // moves over the target; null when the folder does not exist or the name is a folder.
    // Every file opened for writing ends in the write log: written, or not with the reason.
    // A file opened with FileMode::kWriteBatch takes its place only at CommitBatch.
    std::unique_ptr<HostFile> Open(const HostFilename& name, FileMode mode);
    // Moves every finished batch file into place after one sync per file system; false when
    // any could not take its place (`failed` gets the host path of each).  Batch files never
    // committed are discarded when the file facility goes.
    bool CommitBatch(std::vector<HostFilename>& failed);
    const WriteLog& Writes() const { return *writes_; }
    bool Exists(const HostFilename& name, bool isDirectory) const;
    bool Delete(const HostFilename& name);
    bool Copy(const HostFilename& from, const HostFilename& to, bool overwrite);
    // Creates the directory and its missing parents.
    bool CreateDirectory(const HostFilename& name);

    // How Execute runs a file: the command (argv) with the native path appended, for
    // example {"wine", "cmd", "/c"}.  Without one, Execute records the request and prints
    // the path and how to run it.
    void SetExecuteHandler(std::vector<std::string> command) { executeHandler_ = std::move(command); }
    // Runs (or records) the file; returns false when it does not exist or the handler failed.
    // A handler command runs to its end (true when it exits with 0).  Every file asked to run
    // is recorded.  `message` is what the host prints about it.
    bool Execute(const HostFilename& name, std::string& message);
    const std::vector<HostFilename>& ExecutedFiles() const { return executed_; }

    // Searches a texture by name: an absolute name as it is, else the document's folder,
    // its "tex" subfolder, then each extra search folder.  Empty when not found.  (An
    // absolute name that does not exist is searched by its file name.)
    HostFilename FindTexture(const HostFilename& documentFolder, const HostString& name) const;
    void AddTextureFolder(const HostFilename& folder) { textureFolders_.push_back(folder); }

private:
    std::unique_ptr<WriteLog> writes_ = std::make_unique<WriteLog>();
    std::unique_ptr<FileBatch> batch_ = std::make_unique<FileBatch>(writes_.get());  // after the log it writes to
    std::map<char, std::string> drives_;
    std::vector<std::string> executeHandler_;
    std::vector<HostFilename> executed_;
    std::vector<HostFilename> textureFolders_;
};

// Writes a file of this machine whole or not at all, as the host writes its files (a
// temporary file of its own beside the target, created exclusively, then renamed over it);
// false with the system's reason when it could not.
bool WriteNativeFile(const std::string& path, std::string_view bytes, std::string& error);

// Reads a whole regular file of this machine; false when it is missing, not a regular file
// or unreadable.
bool ReadNativeFile(const std::string& path, std::string& bytes);

// String records inside host files: "VXS1", the byte length as 4 bytes little-endian, the
// bytes, and a CRC-32 of the bytes as 4 bytes little-endian.  Decoding refuses a record that
// is cut short, has another magic, or whose checksum does not match.
std::string EncodeStringRecord(const std::string& text);
// Decodes the record at `offset` and moves offset past it; false (with a reason) on damage.
bool DecodeStringRecord(const std::string& bytes, size_t& offset, std::string& text, std::string& error);
uint32_t Crc32(const std::string& bytes);

}  // namespace headless
