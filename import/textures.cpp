// The texture files of an import.
#include "import/textures.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

#include "headless/files/files.h"

namespace scene_import {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Scene files written on Windows separate folders with backslashes.
std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// An absolute, normal native path (a relative one taken from `base`).
std::string AbsolutePath(const fs::path& path, const fs::path& base) {
    fs::path full = path.is_absolute() ? path : base / path;
    std::error_code ec;
    const fs::path absolute = fs::absolute(full, ec);
    if (!ec) full = absolute;
    std::string text = full.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// The file name extension of a compressed embedded texture: the scene's hint, else what the
// first bytes say.
std::string CompressedExtension(const aiTexture& texture) {
    const std::string hint =
        SafeFileName(Lower(std::string(texture.achFormatHint, strnlen(texture.achFormatHint, HINTMAXTEXTURELEN))));
    if (!hint.empty()) return hint;
    const auto* bytes = reinterpret_cast<const unsigned char*>(texture.pcData);
    if (texture.mWidth >= 4 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G') return "png";
    if (texture.mWidth >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return "jpg";
    return "bin";
}

// The file name part of a path, either separator.
std::string FilePart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("/\\:*?\"<>|", c)) c = '_';
    }
    // Windows drops trailing dots and blanks from names.
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    return safe;
}

bool EncodePng(const aiTexel* texels, unsigned width, unsigned height, std::string& png) {
    if (width == 0 || height == 0 || width > std::numeric_limits<png_uint_32>::max() / 4 / height) return false;
    std::vector<unsigned char> rgba(size_t{width} * height * 4);
    for (size_t i = 0; i < size_t{width} * height; ++i) {
        rgba[4 * i] = texels[i].r;
        rgba[4 * i + 1] = texels[i].g;
        rgba[4 * i + 2] = texels[i].b;
        rgba[4 * i + 3] = texels[i].a;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgba.data(), 0, nullptr)) return false;
    png.assign(size, '\0');
    const bool written = png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), 0, nullptr);
    png_image_free(&image);
    if (!written) return false;
    png.resize(size);
    return true;
}

SceneTextures::SceneTextures(const ImportContext& context) : context_(context) {
    if (!context.options.texturesFolder.empty()) {
        folder_ = AbsolutePath(context.options.texturesFolder, fs::current_path());
    } else {
        std::string stem = fs::path(context.sourceName).stem().string();
        if (stem.empty()) stem = "scene";
        folder_ = AbsolutePath(fs::path(context.sourceFolder) / (stem + ".textures"), fs::current_path());
    }
}

std::optional<TextureLocation> SceneTextures::Locate(const std::string& path, const std::string& materialName) {
    if (path.empty()) return std::nullopt;
    const auto [embedded, index] = context_.scene.GetEmbeddedTextureAndIndex(path.c_str());
    if (embedded) return Embedded(*embedded, index, materialName);
    return External(path, materialName);
}

TextureLocation SceneTextures::Embedded(const aiTexture& texture, int index, const std::string& materialName) {
    if (const auto found = written_.find(&texture); found != written_.end()) return {folder_, found->second};

    const bool compressed = texture.mHeight == 0;
    const std::string extension = compressed ? CompressedExtension(texture) : "png";
    std::string name = SafeFileName(FilePart(texture.mFilename.C_Str()));
    if (name.empty()) name = "texture" + std::to_string(index);
    // Texels are written as PNG whatever the name said; a compressed file keeps its name.
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        name += "." + extension;
    } else if (!compressed) {
        name = name.substr(0, dot) + "." + extension;
    }
    name = FreeName(name);
    written_.emplace(&texture, name);

    const std::string prefix = context_.sourceName + ": material \"" + materialName + "\": ";
    const std::string target = (fs::path(folder_) / name).string();
    std::string bytes;
    if (compressed) {
        bytes.assign(reinterpret_cast<const char*>(texture.pcData), texture.mWidth);
    } else if (!EncodePng(texture.pcData, texture.mWidth, texture.mHeight, bytes)) {
        context_.Warning(prefix + "embedded texture " + target + " could not be encoded (" +
                         std::to_string(texture.mWidth) + " x " + std::to_string(texture.mHeight) + " texels)");
        return {folder_, name};
    }
    if (!MakeFolder()) return {folder_, name};
    std::string error;
    if (!headless::WriteNativeFile(target, bytes, error)) {
        context_.Warning(prefix + "embedded texture " + target + " could not be written: " + error);
    } else {
        context_.Console(prefix + "embedded texture written to " + target);
    }
    return {folder_, name};
}

TextureLocation SceneTextures::External(const std::string& path, const std::string& materialName) {
    const fs::path file = AbsolutePath(ForwardSlashes(path), context_.sourceFolder);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) && missing_.insert(file.string()).second) {
        context_.Warning(context_.sourceName + ": material \"" + materialName + "\": texture file " + file.string() +
                         " not found");
    }
    return {file.parent_path().string(), file.filename().string()};
}

std::string SceneTextures::FreeName(const std::string& wanted) {
    if (taken_.insert(Lower(wanted)).second) return wanted;
    const size_t dot = wanted.rfind('.');
    const std::string stem = dot == std::string::npos ? wanted : wanted.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : wanted.substr(dot);
    for (int n = 1;; ++n) {
        const std::string name = stem + "." + std::to_string(n) + extension;
        if (taken_.insert(Lower(name)).second) return name;
    }
}

bool SceneTextures::MakeFolder() {
    if (folderTried_) return folderMade_;
    folderTried_ = true;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    folderMade_ = !ec;
    if (ec)
        context_.Warning(context_.sourceName + ": textures folder " + folder_ +
                         " could not be created: " + ec.message());
    return folderMade_;
}

}  // namespace scene_import
