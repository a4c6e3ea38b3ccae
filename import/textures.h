// The texture files of an import: the images embedded in the scene file written out as files,
// once each, and the files the scene names found on this machine.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "import/import_context.h"

namespace scene_import {

// Where a texture of the scene is on this machine: an absolute, normal native folder and the
// file's name in it.
struct TextureLocation {
    std::string folder;
    std::string name;
};

// The texture files of one import.
class SceneTextures {
public:
    explicit SceneTextures(const ImportContext& context);

    // The file of a texture path as the scene gives it (`materialName` for messages); nullopt
    // for an empty path.  An embedded texture is written into the textures folder at its first
    // use; an external file that does not exist is reported at its first use, and its location
    // is given all the same.
    std::optional<TextureLocation> Locate(const std::string& path, const std::string& materialName);

private:
    TextureLocation Embedded(const aiTexture& texture, int index, const std::string& materialName);
    TextureLocation External(const std::string& path, const std::string& materialName);
    // A file name in the textures folder that no other texture of this import took.
    std::string FreeName(const std::string& wanted);
    // Creates the textures folder once; false (reported once) when it cannot be created.
    bool MakeFolder();

    const ImportContext& context_;
    std::string folder_;  // the textures folder for embedded textures
    bool folderTried_ = false;
    bool folderMade_ = false;
    std::unordered_map<const aiTexture*, std::string> written_;  // embedded texture → its file name
    std::set<std::string> taken_;                                // file names given, in lower case
    std::set<std::string> missing_;                              // external files reported missing
};

// One file name made of `name`: characters that separate folders or that Windows refuses in
// file names become "_"; "" when nothing but dots and blanks would be left.
std::string SafeFileName(const std::string& name);

// A PNG file of uncompressed texels (blue, green, red, alpha; rows from the top); false when
// the picture cannot be encoded.
bool EncodePng(const aiTexel* texels, unsigned width, unsigned height, std::string& png);

}  // namespace scene_import
