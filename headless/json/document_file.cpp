// Loading a document from a file of this machine.
#include "headless/json/document_json.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "headless/files/files.h"
#include "headless/files/native_io.h"

namespace headless {

namespace {

// Reads the text of a regular file of at most kMaxDocumentBytes; false with the reason.  The
// file is checked as opened (a path checked first could name another file by the time it is
// opened), and reading stops past the limit should the file grow meanwhile.
bool ReadDocumentText(const std::string& path, std::string& text, std::string& problem) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; regular files ignore it.
    int fd = native::OpenReadNoWait(path);
    if (fd < 0) {
        const int reason = errno;
        native::FileInfo info;
        // Windows refuses to open a folder at all: say what it is, as for a folder opened.
        problem = native::Stat(path, info) && !info.regular ? "not a regular file" : std::strerror(reason);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { native::Close(fd); }
    } closer{fd};
    native::FileInfo info;
    if (!native::StatOpen(fd, info)) {
        problem = std::strerror(errno);
        return false;
    }
    if (!info.regular) {
        problem = "not a regular file";
        return false;
    }
    if (info.size > kMaxDocumentBytes) {
        problem = std::to_string(info.size) + " bytes is more than the limit of " +
                  std::to_string(kMaxDocumentBytes) + " bytes";
        return false;
    }
    text.clear();
    text.reserve(static_cast<size_t>(info.size));
    char buffer[65536];
    for (;;) {
        const int64_t n = native::ReadSome(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = std::strerror(errno);
            return false;
        }
        if (n == 0) return true;
        if (text.size() + static_cast<size_t>(n) > kMaxDocumentBytes) {
            problem = "grew past the limit of " + std::to_string(kMaxDocumentBytes) + " bytes while being read";
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

std::unique_ptr<HlDocument> LoadDocumentFile(const std::string& nativePath, const FileSystem& files,
                                             const PluginRegistry* registry, LoadError& error) {
    std::string text, problem;
    if (!ReadDocumentText(nativePath, text, problem)) {
        error.message = nativePath + ": cannot read file: " + problem;
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(native::FsPath(nativePath), ec);
    HostFilename folder = files.ToHost(ec ? std::string() : native::Utf8(absolute.parent_path()));
    return LoadDocument(text, nativePath, folder, registry, error);
}

}  // namespace headless
