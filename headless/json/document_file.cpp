// Loading a document from a file of this machine.
#include "headless/json/document_json.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "headless/files/files.h"

namespace headless {

std::unique_ptr<HlDocument> LoadDocumentFile(const std::string& nativePath, const FileSystem& files,
                                             const PluginRegistry* registry, LoadError& error) {
    std::string text;
    FILE* file = std::fopen(nativePath.c_str(), "rb");
    int failure = file ? 0 : errno;
    if (file) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        if (std::ferror(file)) failure = errno ? errno : EIO;
        std::fclose(file);
    }
    if (failure) {
        error.message = nativePath + ": cannot read file: " + std::strerror(failure);
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(nativePath, ec);
    HostFilename folder = files.ToHost(ec ? std::string() : absolute.parent_path().string());
    return LoadDocument(text, nativePath, folder, registry, error);
}

}  // namespace headless
