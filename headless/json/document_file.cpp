// Loading a document from a file of this machine.
#include "headless/json/document_json.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "headless/files/files.h"

namespace headless {

namespace {

// Reads the text of a regular file of at most kMaxDocumentBytes; false with the reason.  The
// file is checked as opened (a path checked first could name another file by the time it is
// opened), and reading stops past the limit should the file grow meanwhile.
bool ReadDocumentText(const std::string& path, std::string& text, std::string& problem) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; regular files ignore it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = "not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxDocumentBytes) {
        problem = std::to_string(info.st_size) + " bytes is more than the limit of " +
                  std::to_string(kMaxDocumentBytes) + " bytes";
        return false;
    }
    text.clear();
    text.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
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
    std::filesystem::path absolute = std::filesystem::absolute(nativePath, ec);
    HostFilename folder = files.ToHost(ec ? std::string() : absolute.parent_path().string());
    return LoadDocument(text, nativePath, folder, registry, error);
}

}  // namespace headless
