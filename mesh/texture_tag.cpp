#include "mesh/texture_tag.h"

#include <algorithm>
#include <string>

#include "core/material_name.h"

namespace {

bool IsTextureTag(const HostTag& tag) { return tag.GetType() == host_type::kTextureTag; }

HostString Restriction(const HostTag& tag) { return tag.Data().Get<HostString>(host_param::kTextureRestriction); }

HostTag* FirstTextureTag(const HostObject& object, const HostString& restriction) {
    for (HostTag* tag = object.GetFirstTag(); tag; tag = tag->GetNext()) {
        if (IsTextureTag(*tag) && Restriction(*tag) == restriction) return tag;
    }
    return nullptr;
}

HostTag* DefaultTextureTag(const HostObject& object) {
    for (const HostObject* current = &object; current; current = current->GetUp()) {
        if (HostTag* tag = FirstTextureTag(*current, HostString())) return tag;
    }
    return nullptr;
}

bool LinksMaterial(const HostTag& tag, const HostDocument* document) {
    const HostNode* node = tag.Data().GetLink(host_param::kTextureMaterial, document);
    return node && node->Kind() == NodeKind::kMaterial && node->IsInstanceOf(host_type::kMaterialBase);
}

}  // namespace

HostTag* FindTextureTag(const HostObject* object, const HostDocument* document, const HostTag* selectionTag) {
    if (!object) return nullptr;
    HostTag* tag = selectionTag ? FirstTextureTag(*object, selectionTag->GetName()) : nullptr;
    if (!tag) tag = DefaultTextureTag(*object);
    return tag && LinksMaterial(*tag, document) ? tag : nullptr;
}

HostString TextureTagMaterialName(const HostTag* textureTag) {
    const HostMaterial* material = textureTag ? textureTag->GetMaterial() : nullptr;
    return material ? SanitizeMaterialName(material->GetName()) : HostString(kDefaultMaterialName);
}
