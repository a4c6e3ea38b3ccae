// Texture elements from the channels of a material helper tag's host material.  The image is
// found through the channel's folder or the host's texture search; for network rendering it
// is copied beside the file being written, named after its material.
#include <algorithm>

#include "core/format.h"
#include "core/paths.h"
#include "core/xml.h"
#include "materials/material_writer.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace channel = material_channel;

HostString Number(const ParamContainer& data, int32_t id) { return FormatReal(MaterialHelperValue<float>(data, id), -1); }

// The values after "path" of a map that shapes what it reads: "a", "b", "c" and "exponent".
std::vector<std::pair<const char*, HostString>> MapValues(const ParamContainer& data, int32_t a, int32_t b, int32_t c,
                                                          int32_t exponent) {
    return {{"a", Number(data, a)}, {"b", Number(data, b)}, {"c", Number(data, c)}, {"exponent", Number(data, exponent)}};
}

// A name as one file name: separators and drive colons become underscores, so that a copy
// named after a material cannot land outside its folder.
std::string OneFileName(std::string name) {
    std::replace_if(name.begin(), name.end(), [](char c) { return c == '\\' || c == '/' || c == ':'; }, '_');
    return name;
}

// Where the image of a channel lies: the channel's folder joined with its texture name, or
// what the host's texture search finds from the document's folder.  Empty when not found.
HostFilename TextureFile(const HostDocument* document, const HostChannel& found) {
    const HostString name = found.Data().Get<HostString>(host_param::kChannelTexture);
    if (name.IsEmpty()) return {};
    const HostFilename folder = found.Data().Get<HostFilename>(host_param::kChannelFolder);
    if (!folder.IsEmpty()) return folder + HostFilename(name);
    return document ? TheHost().GenerateTexturePath(*document, name) : HostFilename();
}

}  // namespace

bool MaterialWriter::CopyTexture(const HostFilename& source, const HostString& materialName,
                                 const HostString& textureName, std::string& path) const {
    Host& host = TheHost();
    const HostFilename folderName("textures." + target_.sceneBaseName.Str());
    const HostFilename copyName(OneFileName(materialName.Str() + "." + HostFilename(textureName).GetFile().Str()));
    const HostFilename folder = target_.sceneDirectory + folderName;
    const HostFilename copy = folder + copyName;
    path = (folderName + copyName).Str();
    if (!host.FileExists(folder, true)) host.CreateDirectory(folder);
    if (!host.CopyFile(source, copy, true)) {
        host.Print("Failed to copy texture from: " + source.GetString() + " to: " + copy.GetString());
        return false;
    }
    return true;
}

bool MaterialWriter::WriteTextureElement(HostMaterial* material, int32_t channelNumber, const char* element,
                                         const std::vector<std::pair<const char*, HostString>>& values,
                                         TiXmlElement& parent) const {
    const HostChannel* found = material ? material->GetChannel(channelNumber) : nullptr;
    if (!found) return true;
    const HostFilename file = TextureFile(target_.document, *found);
    if (file.IsEmpty()) return true;
    std::string path;
    bool written = true;
    if (target_.networkRender) {
        written = CopyTexture(file, material->GetName(), found->Data().Get<HostString>(host_param::kChannelTexture),
                              path);
    } else {
        path = RelativePath(target_.sceneDirectory.Str(), file.Str()).value_or(file.Str());
    }
    TiXmlElement& texture = *AppendElement(parent, element);
    AppendKey(texture, "uv_set", "default");
    AppendKey(texture, "path", path);
    for (const auto& [key, text] : values) AppendKey(texture, key, text);
    return written;
}

bool MaterialWriter::WriteAlbedoTexture(const ParamContainer& tagData, HostMaterial* material,
                                        TiXmlElement& parent) const {
    return WriteTextureElement(material, channel::kAlbedo, "albedo_texture",
                               {{"exponent", Number(tagData, kAlbedoTextureGamma)}}, parent);
}

bool MaterialWriter::WriteBumpMap(const ParamContainer& tagData, HostMaterial* material,
                                  TiXmlElement& parent) const {
    return WriteTextureElement(material, channel::kBump, "bump_map",
                               MapValues(tagData, kBumpA, kBumpB, kBumpC, kBumpExponent), parent);
}

bool MaterialWriter::WriteExponentMap(const ParamContainer& tagData, HostMaterial* material,
                                      TiXmlElement& parent) const {
    return WriteTextureElement(
        material, channel::kExponentMap, "exponent_map",
        MapValues(tagData, kExponentMapA, kExponentMapB, kExponentMapC, kExponentMapExponent), parent);
}

bool MaterialWriter::WriteBlendMap(const ParamContainer& /*tagData*/, HostMaterial* material,
                                   TiXmlElement& parent) const {
    return WriteTextureElement(material, channel::kBlendMap, "blend_map", {{"exponent", "1"}}, parent);
}

bool MaterialWriter::WriteLightTexture(const ParamContainer& /*tagData*/, HostMaterial* material,
                                       TiXmlElement& parent) const {
    return WriteTextureElement(material, channel::kAlbedo, "texture", {{"exponent", "2.2"}}, parent);
}
