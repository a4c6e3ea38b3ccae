// Which texture tag gives a polygon object (or a part of it) its material, and that material's
// name as the renderer's files spell it.  Shared by the mesh files and the plane and sphere
// elements.
#pragma once

#include "core/material_name.h"
#include "sdk/hoststring.h"
#include "sdk/scene.h"

// The texture tag that applies to `object`.
//
// With a selection tag: the object's first texture tag whose restriction (parameter 1006)
// equals the selection tag's name; when none does, the default tag below.
// Without one (null): the default tag, the first texture tag with an empty restriction on the
// object or, when it has none, on its parent, and so on up the tree.
// The tag found counts only when its material link (parameter 1010) resolves in `document` to
// a material; otherwise, and when no tag is found, the result is null.
HostTag* FindTextureTag(const HostObject* object, const HostDocument* document, const HostTag* selectionTag);

// The material name of a texture tag as FindTextureTag gives it: the sanitised name of the
// tag's material, or "defaultMat" when there is no tag or the host gives it no material.
HostString TextureTagMaterialName(const HostTag* textureTag);
