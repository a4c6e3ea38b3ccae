#include "headless/files/files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>

#include "headless/files/native_io.h"
#include "headless/files/run_process.h"
#include "headless/files/windows_paths.h"

namespace headless {
namespace {

namespace fs = std::filesystem;

constexpr char kRecordMagic[4] = {'V', 'X', 'S', '1'};
constexpr size_t kRecordOverhead = 12;  // magic, length, checksum

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char DriveKey(char letter) {
    if (letter >= 'a' && letter <= 'z') return static_cast<char>(letter - 'a' + 'A');
    return (letter >= 'A' && letter <= 'Z') ? letter : '\0';
}

using native::FileInfo;

bool IsRegularFile(const std::string& path) {
    FileInfo info;
    return native::Stat(path, info) && info.regular;
}

// Absolute, lexically normal, without a trailing separator (except for "/").
std::string NormalNativePath(const std::string& path) {
    fs::path p = native::FsPath(path);
    if (p.is_relative()) {
        std::error_code ec;
        fs::path cwd = fs::current_path(ec);
        p = (ec ? fs::path("/") : cwd) / p;
    }
    std::string s = native::Utf8(p.lexically_normal());
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLe32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

std::string Hex32(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", value);
    return buffer;
}

bool WriteAllFd(int fd, const char* data, size_t size) {
    while (size > 0) {
        const int64_t n = native::WriteSome(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads up to size bytes; the count read, or -1 on an error.
int64_t ReadFd(int fd, char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const int64_t n = native::ReadSome(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

class ReadFile final : public HostFile {
public:
    explicit ReadFile(int fd) : fd_(fd) {}
    ~ReadFile() override { Close(); }

    bool Write(const void*, size_t) override { return false; }
    bool WriteString(const HostString&) override { return false; }

    bool Read(void* data, size_t size) override {
        return fd_ >= 0 && ReadFd(fd_, static_cast<char*>(data), size) == static_cast<int64_t>(size);
    }

    bool ReadAll(std::string& bytes) override {
        if (fd_ < 0) return false;
        bytes.clear();
        char chunk[65536];
        for (;;) {
            const int64_t n = ReadFd(fd_, chunk, sizeof chunk);
            if (n < 0) return false;
            bytes.append(chunk, static_cast<size_t>(n));
            if (static_cast<size_t>(n) < sizeof chunk) return true;
        }
    }

    // A damaged record leaves the read position where the record started.
    bool ReadString(HostString& text) override {
        if (fd_ < 0) return false;
        const int64_t start = native::Seek(fd_, 0, SEEK_CUR);
        FileInfo info;
        if (start < 0 || !native::StatOpen(fd_, info)) return false;
        uint64_t left = info.size > static_cast<uint64_t>(start) ? info.size - static_cast<uint64_t>(start) : 0;
        std::string record(8, '\0');
        if (left < kRecordOverhead || ReadFd(fd_, record.data(), 8) != 8) return Rewind(start);
        // Check the length against the file before reading the body: a damaged length must
        // not make us allocate or read gigabytes.
        uint64_t length = GetLe32(record, 4);
        if (length > left - kRecordOverhead) return Rewind(start);
        // Where size_t has 32 bits, a record of nearly 4 GiB does not fit in memory.
        if (length > std::numeric_limits<size_t>::max() - kRecordOverhead) return Rewind(start);
        record.resize(static_cast<size_t>(8 + length + 4));
        if (ReadFd(fd_, record.data() + 8, static_cast<size_t>(length + 4)) != static_cast<int64_t>(length + 4)) {
            return Rewind(start);
        }
        size_t offset = 0;
        std::string decoded, error;
        if (!DecodeStringRecord(record, offset, decoded, error)) return Rewind(start);
        text = HostString(std::move(decoded));
        return true;
    }

    bool Close() override {
        if (fd_ < 0) return false;
        native::Close(fd_);
        fd_ = -1;
        return true;
    }

private:
    bool Rewind(int64_t position) {
        native::Seek(fd_, position, SEEK_SET);
        return false;
    }
    int fd_;
};

// Writes go to a temporary file beside the target; Close moves it over the target.  The
// outcome, with the system's reason for a failure, goes to the write log when there is one.
class AtomicWriteFile final : public HostFile {
public:
    // Null (with the outcome logged and `error` set) when the temporary file cannot be made.
    // With a batch, Close only finishes the temporary file and hands it to the batch, which
    // moves it into place when it is committed.
    static std::unique_ptr<AtomicWriteFile> Create(const std::string& target, WriteLog* log, std::string& error,
                                                   FileBatch* batch = nullptr) {
        auto fail = [&](int code) {
            error = std::strerror(code);
            if (log) log->Add({target, error});
            return nullptr;
        };
        FileInfo info;
        bool exists = native::Stat(target, info);
        if (exists && info.directory) return fail(EISDIR);
        static std::atomic<unsigned> counter{0};
        static const std::string process = native::ProcessId();
        std::string directory = native::Utf8(native::FsPath(target).parent_path());
        if (directory.empty()) directory = ".";
        if (!native::IsSeparator(directory.back())) directory += native::kSeparator;
        for (int attempt = 0; attempt < 16; ++attempt) {
            // A short name of its own, whatever the length of the target's name (a name of 255
            // bytes is still written).
            const unsigned sequence = counter.fetch_add(1);
            std::string temp = directory + ".vxtmp-" + process + "-" + std::to_string(sequence);
            int fd = native::CreateExclusive(temp);
            if (fd < 0 && errno == EEXIST) continue;
            if (fd < 0) return fail(errno);
            if (exists) native::TakeMode(fd, info);  // the replacement keeps the target's mode
            return std::unique_ptr<AtomicWriteFile>(new AtomicWriteFile(target, temp, fd, log, batch, sequence));
        }
        return fail(EEXIST);
    }

    ~AtomicWriteFile() override {
        if (fd_ >= 0) Finish(failure_ ? failure_ : ECANCELED);  // dropped before Close: the target stays
    }

    bool Write(const void* data, size_t size) override {
        if (fd_ < 0 || failure_) return false;
        errno = 0;
        if (!WriteAllFd(fd_, static_cast<const char*>(data), size)) failure_ = errno ? errno : EIO;
        return failure_ == 0;
    }

    bool WriteString(const HostString& text) override {
        if (text.ByteLength() > UINT32_MAX) {
            failure_ = EFBIG;
            return false;
        }
        return HostFile::Write(EncodeStringRecord(text.Str()));
    }

    bool Read(void*, size_t) override { return false; }
    bool ReadAll(std::string&) override { return false; }
    bool ReadString(HostString&) override { return false; }

    bool Close() override {
        if (fd_ < 0) return false;
        if (batch_ && !failure_) {
            if (native::kSyncBatchFilesOnClose && !native::SyncFile(fd_)) failure_ = errno;
            if (!native::Close(fd_) && !failure_) failure_ = errno;
            fd_ = -1;
            if (failure_) {
                Finish(failure_);
                return false;
            }
            batch_->Add(temp_, target_, sequence_);
            return true;
        }
        if (!failure_ && !native::SyncFile(fd_)) failure_ = errno;
        if (!native::Close(fd_) && !failure_) failure_ = errno;
        fd_ = -1;
        if (!failure_ && !native::Replace(temp_, target_)) failure_ = errno;
        if (failure_) {
            Finish(failure_);
            return false;
        }
        native::SyncFolder(native::Utf8(native::FsPath(target_).parent_path()));
        if (log_) log_->Add({target_, {}});
        return true;
    }

    // The reason of the failure, after Close returned false.
    std::string Error() const { return failure_ ? std::strerror(failure_) : std::string(); }

private:
    AtomicWriteFile(std::string target, std::string temp, int fd, WriteLog* log, FileBatch* batch, unsigned sequence)
        : target_(std::move(target)), temp_(std::move(temp)), fd_(fd), log_(log), batch_(batch), sequence_(sequence) {}

    // Drops the temporary file and logs why the target was not written.
    void Finish(int reason) {
        if (fd_ >= 0) native::Close(fd_);
        fd_ = -1;
        failure_ = reason;
        native::Remove(temp_);
        if (log_) log_->Add({target_, std::strerror(reason)});
    }

    std::string target_, temp_;
    int fd_;
    WriteLog* log_;
    FileBatch* batch_;
    unsigned sequence_;  // in the order the files were opened
    int failure_ = 0;
};

bool IsAbsoluteHostPath(const std::string& path) {
    if (native::kHostPathsAreNative) return NormalWindowsPath(path).has_value();
    return path.size() >= 3 && DriveKey(path[0]) != '\0' && path[1] == ':' && IsSeparator(path[2]);
}

}  // namespace

void WriteLog::Add(WriteOutcome outcome) {
    std::lock_guard lock(mutex_);
    outcomes_.push_back(std::move(outcome));
}

size_t WriteLog::Size() const {
    std::lock_guard lock(mutex_);
    return outcomes_.size();
}

std::vector<WriteOutcome> WriteLog::Since(size_t first) const {
    std::lock_guard lock(mutex_);
    if (first >= outcomes_.size()) return {};
    return {outcomes_.begin() + static_cast<std::ptrdiff_t>(first), outcomes_.end()};
}

bool WriteNativeFile(const std::string& path, std::string_view bytes, std::string& error) {
    auto out = AtomicWriteFile::Create(path, nullptr, error);
    if (!out) return false;
    out->Write(bytes.data(), bytes.size());
    if (out->Close()) return true;
    error = out->Error();
    return false;
}

FileSystem::FileSystem() { drives_['Z'] = "/"; }

// An empty directory removes the mapping.
void FileSystem::MapDrive(char letter, const std::string& directory) {
    char key = DriveKey(letter);
    if (key == '\0') return;
    if (directory.empty()) {
        drives_.erase(key);
        return;
    }
    drives_[key] = NormalNativePath(directory);
}

std::optional<std::string> FileSystem::ToNative(const HostFilename& path) const {
    const std::string& text = path.Str();
    if (text.find('\0') != std::string::npos || !IsAbsoluteHostPath(text)) return std::nullopt;
    if (native::kHostPathsAreNative) return NormalWindowsPath(text);
    auto drive = drives_.find(DriveKey(text[0]));
    if (drive == drives_.end()) return std::nullopt;

    std::vector<std::string_view> parts;
    std::string_view rest(text);
    rest.remove_prefix(3);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        std::string_view part = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();  // never above the drive's root
            continue;
        }
        parts.push_back(part);
    }
    std::string native = drive->second;
    for (std::string_view part : parts) {
        if (native.back() != '/') native += '/';
        native += part;
    }
    return native;
}

// Empty when no drive holds the path.  Of drives with equally long directories the first
// letter wins.
HostFilename FileSystem::ToHost(const std::string& nativePath) const {
    if (native::kHostPathsAreNative) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(native::FsPath(nativePath), ec);
        const auto path = ec ? std::nullopt : NormalWindowsPath(native::Utf8(absolute));
        return path ? HostFilename(*path) : HostFilename();
    }
    std::string path = NormalNativePath(nativePath);
    const std::pair<const char, std::string>* best = nullptr;
    for (const auto& drive : drives_) {
        const std::string& dir = drive.second;
        bool inside = dir == "/" || path == dir || (path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/');
        if (inside && (!best || dir.size() > best->second.size())) best = &drive;
    }
    if (!best) return HostFilename();
    std::string rest = best->second == "/" ? path.substr(1) : path.substr(best->second.size());
    if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    for (char& c : rest) {
        if (c == '/') c = '\\';
    }
    return HostFilename(std::string(1, best->first) + ":\\" + rest);
}

std::unique_ptr<HostFile> FileSystem::Open(const HostFilename& name, FileMode mode) {
    auto native = ToNative(name);
    if (!native) return nullptr;
    if (mode == FileMode::kWrite || mode == FileMode::kWriteBatch) {
        std::string error;
        return AtomicWriteFile::Create(*native, writes_.get(), error,
                                       mode == FileMode::kWriteBatch ? batch_.get() : nullptr);
    }
    if (!IsRegularFile(*native)) return nullptr;
    int fd = native::OpenRead(*native);
    if (fd < 0) return nullptr;
    return std::make_unique<ReadFile>(fd);
}

bool FileSystem::CommitBatch(std::vector<HostFilename>& failed) {
    std::vector<std::string> targets;
    const bool all = batch_->Commit(targets);
    for (const std::string& target : targets) failed.push_back(ToHost(target));
    return all;
}

bool FileSystem::Exists(const HostFilename& name, bool isDirectory) const {
    auto native = ToNative(name);
    FileInfo info;
    if (!native || !native::Stat(*native, info)) return false;
    return isDirectory == info.directory;
}

bool FileSystem::Delete(const HostFilename& name) {
    auto native = ToNative(name);
    return native && !Exists(name, true) && native::Remove(*native);
}

bool FileSystem::Copy(const HostFilename& from, const HostFilename& to, bool overwrite) {
    auto source = ToNative(from);
    auto target = ToNative(to);
    if (!source || !target || !IsRegularFile(*source)) return false;
    FileInfo info;
    if (!overwrite && native::Stat(*target, info)) return false;
    int in = native::OpenRead(*source);
    if (in < 0) return false;
    std::string error;
    auto out = AtomicWriteFile::Create(*target, writes_.get(), error);
    bool ok = out != nullptr;
    char chunk[65536];
    while (ok) {
        const int64_t n = ReadFd(in, chunk, sizeof chunk);
        ok = n >= 0 && out->Write(chunk, static_cast<size_t>(n));
        if (static_cast<size_t>(n) < sizeof chunk) break;
    }
    native::Close(in);
    return ok && out->Close();  // on failure the temporary file goes with `out`
}

bool FileSystem::CreateDirectory(const HostFilename& name) {
    auto native = ToNative(name);
    if (!native) return false;
    std::error_code ec;
    fs::create_directories(native::FsPath(*native), ec);
    return fs::is_directory(native::FsPath(*native), ec);
}

// With a handler the command runs to its end; the result is whether it exited with 0.
// Every file that was asked to run is recorded, with a handler or without.
bool FileSystem::Execute(const HostFilename& name, std::string& message) {
    auto native = ToNative(name);
    if (!native || !IsRegularFile(*native)) {
        message = "Cannot run " + name.Str() + ": no such file";
        return false;
    }
    executed_.push_back(name);
    if (executeHandler_.empty()) {
        message = "Run: " + *native + " (no execute handler set; start it with: wine cmd /c " + *native + ")";
        return true;
    }
    std::vector<std::string> args = executeHandler_;
    args.push_back(*native);
    std::string commandLine;
    for (const std::string& arg : args) commandLine += (commandLine.empty() ? "" : " ") + arg;

    const ProcessEnd end = RunToEnd(args);
    if (!end.notStarted.empty()) {
        message = "Cannot run " + *native + ": " + args[0] + ": " + end.notStarted;
        return false;
    }
    if (end.lost) {
        message = "Cannot run " + *native + ": lost the process of " + commandLine;
        return false;
    }
    if (end.exited && end.status == 0) {
        message = "Ran: " + commandLine;
        return true;
    }
    message = "Run failed: " + commandLine +
              (end.exited ? " exited with status " + std::to_string(end.status)
                          : " ended by signal " + std::to_string(end.status));
    return false;
}

// An absolute name that does not exist is searched by its file name in the same folders.
HostFilename FileSystem::FindTexture(const HostFilename& documentFolder, const HostString& name) const {
    if (name.IsEmpty()) return HostFilename();
    HostFilename file(name);
    if (IsAbsoluteHostPath(name.Str())) {
        if (Exists(file, false)) return file;
        file = file.GetFile();
        if (file.IsEmpty()) return HostFilename();
    }
    std::vector<HostFilename> candidates;
    if (!documentFolder.IsEmpty()) {
        candidates.push_back(documentFolder + file);
        candidates.push_back(documentFolder + HostFilename("tex") + file);
    }
    for (const HostFilename& folder : textureFolders_) candidates.push_back(folder + file);
    for (const HostFilename& candidate : candidates) {
        if (Exists(candidate, false)) return candidate;
    }
    return HostFilename();
}

bool ReadNativeFile(const std::string& path, std::string& bytes) {
    if (!IsRegularFile(path)) return false;
    int fd = native::OpenRead(path);
    if (fd < 0) return false;
    ReadFile file(fd);
    return file.ReadAll(bytes);
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) crc = kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Texts of 4 GiB or more cannot be recorded: the result is then empty.
std::string EncodeStringRecord(const std::string& text) {
    if (text.size() > UINT32_MAX) return std::string();
    std::string record(kRecordMagic, sizeof kRecordMagic);
    record.reserve(text.size() + kRecordOverhead);
    PutLe32(record, static_cast<uint32_t>(text.size()));
    record += text;
    PutLe32(record, Crc32(text));
    return record;
}

bool DecodeStringRecord(const std::string& bytes, size_t& offset, std::string& text, std::string& error) {
    const std::string where = "string record at byte " + std::to_string(offset);
    size_t left = offset <= bytes.size() ? bytes.size() - offset : 0;
    if (left < kRecordOverhead) {
        error = where + ": cut short: " + std::to_string(left) + " bytes left, a record takes at least 12";
        return false;
    }
    if (bytes.compare(offset, 4, kRecordMagic, 4) != 0) {
        error = where + ": no \"VXS1\" magic";
        return false;
    }
    uint64_t length = GetLe32(bytes, offset + 4);
    if (length > left - kRecordOverhead) {
        error = where + ": cut short: length " + std::to_string(length) + " but " +
                std::to_string(left - kRecordOverhead) + " bytes of text follow";
        return false;
    }
    std::string body = bytes.substr(offset + 8, length);
    uint32_t stored = GetLe32(bytes, offset + 8 + length);
    uint32_t computed = Crc32(body);
    if (stored != computed) {
        error = where + ": checksum " + Hex32(stored) + " does not match the text (" + Hex32(computed) + ")";
        return false;
    }
    text = std::move(body);
    offset += length + kRecordOverhead;
    return true;
}

}  // namespace headless
