// Material elements of scene files and material libraries, from material helper tags: one
// type element per material, its textures, and the two fixed materials every scene starts
// with.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <tinyxml.h>

#include "sdk/host.h"

// The file that the materials go into, and how they are written.
struct MaterialTarget {
    HostDocument* document = nullptr;
    HostFilename sceneDirectory;  // the file's folder: texture paths are relative to it
    HostFilename sceneBaseName;   // the file's name without extension: copies go to "textures.NAME"
    bool networkRender = false;   // textures are copied beside the file
    bool clayMode = false;        // one grey look for every material
};

// The helper tags on the render-visible objects of `document`, in object and tag order.
std::vector<HostTag*> CollectHelperTags(HostDocument& document);

// Helper tags by the host material each links: the first tag of the list for each material.
// Built once per export, so that finding a blend's components takes no scan of the tags.
class HelperTagIndex {
public:
    HelperTagIndex(const std::vector<HostTag*>& helperTags, const HostDocument* document);
    // The first tag whose material link names `material`; null when no tag does.
    HostTag* TagLinking(const HostMaterial* material) const;

private:
    std::unordered_map<const HostMaterial*, HostTag*> byMaterial_;
};

class MaterialWriter {
public:
    explicit MaterialWriter(MaterialTarget target) : target_(std::move(target)) {}

    // "defaultMat" (a light grey diffuse, or the clay look) and "nullMat".
    void WriteDefaultMaterials(TiXmlElement& parent) const;
    // "nullMat" and its empty "null_material".
    static void WriteNullMaterial(TiXmlElement& parent);
    // Writes the tag's material (and a blend's components first) unless the tag is in
    // `exportedTags`, to which it is added; a set, so that a scene of many tags stays linear.
    // `preview` names the material "previewMat".  A blend's component is the tag that
    // `helperTags` gives for the component's host material; the components are walked with a
    // stack of their own, so a chain of blends of any length needs no deeper call stack.
    // False when a copy of a texture (network rendering) could not be written; the elements
    // are complete all the same.  A null tag writes nothing.
    bool ExportHelperMaterial(const HelperTagIndex& helperTags, std::unordered_set<const HostTag*>& exportedTags,
                              HostTag* tag, TiXmlElement& parent, bool preview);

    // Per-type material writers: each appends its type element to the "material" element;
    // false when a copy of one of its textures could not be written.
    bool WriteDiffuse(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WriteOrenNayar(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WritePhong(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WriteSpecular(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WriteGlossyTransparent(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WriteDiffuseTransmitter(const ParamContainer& tagData, TiXmlElement& material) const;
    bool WriteBlend(const ParamContainer& tagData, TiXmlElement& material) const;

    // Texture elements of the material's channels: nothing when the channel names no image.
    // False when the texture's copy beside the file (network rendering) could not be written;
    // the element, naming the copy, is written all the same.
    bool WriteAlbedoTexture(const ParamContainer& tagData, HostMaterial* material, TiXmlElement& parent) const;
    bool WriteBumpMap(const ParamContainer& tagData, HostMaterial* material, TiXmlElement& parent) const;
    bool WriteExponentMap(const ParamContainer& tagData, HostMaterial* material, TiXmlElement& parent) const;
    bool WriteBlendMap(const ParamContainer& tagData, HostMaterial* material, TiXmlElement& parent) const;
    // The "texture" of a mesh light, from the albedo channel.
    bool WriteLightTexture(const ParamContainer& tagData, HostMaterial* material, TiXmlElement& parent) const;

private:
    // The texture element `element` of the material's channel, holding "uv_set", "path" and
    // then `values` in order; nothing when the channel names no texture.  False when the
    // texture's copy could not be written.
    bool WriteTextureElement(HostMaterial* material, int32_t channel, const char* element,
                             const std::vector<std::pair<const char*, HostString>>& values,
                             TiXmlElement& parent) const;
    // The copy of a texture beside the file being written (network rendering): copies the
    // file and sets `path` to the copy's path relative to the scene directory.  False, with
    // the console naming both files, when the copy could not be written.
    bool CopyTexture(const HostFilename& source, const HostString& materialName, const HostString& textureName,
                     std::string& path) const;

    // The material of a tag that is not a blend (the medium first for the transparent types);
    // false when a copy of one of its textures could not be written.
    bool WriteSingleMaterial(const ParamContainer& data, int32_t materialType, TiXmlElement& parent, bool preview) const;

    MaterialTarget target_;
    // Blend tags whose components are being exported; a component that leads back to one of
    // them is named but not exported again.
    std::unordered_set<const HostTag*> blendsInProgress_;
};
