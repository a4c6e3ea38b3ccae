#include "materials/material_writer.h"

#include <algorithm>
#include <utility>

#include "core/ids.h"
#include "core/material_name.h"
#include "core/scene_walk.h"
#include "core/xml.h"
#include "materials/medium.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace type = material_type;

constexpr const char* kPreviewName = "previewMat";
constexpr const char* kNoLinkName = "MATERIAL LINK NOT SET!";

// The text of a material's "name": "previewMat" for the preview's material, else the linked
// host material's name with blanks as underscores, else the warning that the link is empty.
HostString MaterialName(const HostDocument* document, const ParamContainer& data, bool preview) {
    if (preview) return kPreviewName;
    const HostMaterial* linked = LinkedMaterial(data, kMaterial, document);
    return linked ? SanitizeMaterialName(linked->GetName()) : HostString(kNoLinkName);
}

TiXmlElement& AppendMaterial(TiXmlElement& parent, const HostString& name) {
    TiXmlElement& material = *AppendElement(parent, "material");
    AppendKey(material, "name", name);
    return material;
}

// The one look of every material in clay mode: a light grey, slightly rough diffuse.
TiXmlElement& AppendClayBody(TiXmlElement& material) {
    TiXmlElement& body = *AppendElement(material, "oren_nayar");
    TiXmlElement& rgb = *AppendElement(*AppendElement(body, "albedo_spectrum"), "rgb");
    AppendKey(rgb, "rgb", "0.78431 0.76471 0.72549");
    AppendKey(rgb, "gamma", "2.2");
    AppendKey(body, "sigma", "0.15");
    return body;
}

using TypeWriter = bool (MaterialWriter::*)(const ParamContainer&, TiXmlElement&) const;

// The writer of a material type; null for a value that is no material type.
TypeWriter WriterOf(int32_t materialType) {
    static constexpr std::pair<int32_t, TypeWriter> kWriters[] = {
        {type::kDiffuse, &MaterialWriter::WriteDiffuse},
        {type::kOrenNayar, &MaterialWriter::WriteOrenNayar},
        {type::kPhong, &MaterialWriter::WritePhong},
        {type::kSpecular, &MaterialWriter::WriteSpecular},
        {type::kGlossyTransparent, &MaterialWriter::WriteGlossyTransparent},
        {type::kDiffuseTransmitter, &MaterialWriter::WriteDiffuseTransmitter},
        {type::kBlend, &MaterialWriter::WriteBlend},
    };
    for (const auto& [value, writer] : kWriters) {
        if (value == materialType) return writer;
    }
    return nullptr;
}

}  // namespace

std::vector<HostTag*> CollectHelperTags(HostDocument& document) {
    std::vector<HostObject*> visible;
    CollectRenderVisible(visible, document.GetFirstObject(), false);
    std::vector<HostTag*> helperTags;
    for (HostObject* object : visible) {
        for (HostTag* tag = object->GetFirstTag(); tag; tag = tag->GetNext()) {
            if (tag->GetType() == plugin_id::kMaterialHelper) helperTags.push_back(tag);
        }
    }
    return helperTags;
}

void MaterialWriter::WriteNullMaterial(TiXmlElement& parent) {
    AppendElement(AppendMaterial(parent, "nullMat"), "null_material");
}

void MaterialWriter::WriteDefaultMaterials(TiXmlElement& parent) const {
    TiXmlElement& fallback = AppendMaterial(parent, kDefaultMaterialName);
    if (target_.clayMode) {
        AppendClayBody(fallback);
    } else {
        TiXmlElement& rgb = *AppendElement(*AppendElement(*AppendElement(fallback, "diffuse"), "albedo_spectrum"), "rgb");
        AppendKey(rgb, "rgb", "0.8 0.8 0.8");
        AppendKey(rgb, "gamma", "2.2");
    }
    WriteNullMaterial(parent);
}

HelperTagIndex::HelperTagIndex(const std::vector<HostTag*>& helperTags, const HostDocument* document) {
    for (HostTag* tag : helperTags) {
        if (const HostMaterial* material = LinkedMaterial(tag->Data(), kMaterial, document)) {
            byMaterial_.emplace(material, tag);  // the first tag of each material stays
        }
    }
}

HostTag* HelperTagIndex::TagLinking(const HostMaterial* material) const {
    if (!material) return nullptr;
    const auto found = byMaterial_.find(material);
    return found == byMaterial_.end() ? nullptr : found->second;
}

bool MaterialWriter::WriteSingleMaterial(const ParamContainer& data, int32_t materialType, TiXmlElement& parent,
                                         bool preview) const {
    const HostDocument* doc = target_.document;
    if (target_.clayMode) {
        TiXmlElement& body = AppendClayBody(AppendMaterial(parent, MaterialName(doc, data, false)));
        HostMaterial* linked = LinkedMaterial(data, kMaterial, doc);
        return !IsStandardChannelOn(linked, material_channel::kBump) || WriteBumpMap(data, linked, body);
    }
    if (materialType == type::kSpecular || materialType == type::kGlossyTransparent) WriteMedium(doc, data, parent);
    TiXmlElement& material = AppendMaterial(parent, MaterialName(doc, data, preview));
    const TypeWriter writer = WriterOf(materialType);
    return !writer || (this->*writer)(data, material);
}

bool MaterialWriter::ExportHelperMaterial(const HelperTagIndex& helperTags,
                                          std::unordered_set<const HostTag*>& exportedTags, HostTag* tag,
                                          TiXmlElement& parent, bool preview) {
    const HostDocument* doc = target_.document;
    if (!tag || exportedTags.contains(tag)) return true;
    bool written = true;

    // A tag on the way: a blend visits its component A, then B, then writes itself, so that
    // both components precede it in the file, in the order a depth-first walk gives.
    enum class Stage { kEnter, kComponentA, kComponentB, kWrite };
    struct Step {
        HostTag* tag;
        bool preview;
        Stage stage;
    };
    std::vector<Step> steps{{tag, preview, Stage::kEnter}};
    while (!steps.empty()) {
        Step& step = steps.back();
        const ParamContainer& data = step.tag->Data();
        switch (step.stage) {
        case Stage::kEnter: {
            const int32_t materialType = data.Get<int32_t>(kType, type::kDiffuse);
            if (exportedTags.contains(step.tag)) {
                steps.pop_back();
            } else if (materialType != type::kBlend) {
                written = WriteSingleMaterial(data, materialType, parent, step.preview) && written;
                exportedTags.insert(step.tag);
                steps.pop_back();
            } else if (!blendsInProgress_.insert(step.tag).second) {
                // A component whose links lead back to a blend still being written is named by
                // the blend but written once, by the visit that is already under way.
                steps.pop_back();
            } else {
                step.stage = Stage::kComponentA;
            }
            break;
        }
        case Stage::kComponentA:
        case Stage::kComponentB: {
            const int32_t link = step.stage == Stage::kComponentA ? kBlendA : kBlendB;
            step.stage = step.stage == Stage::kComponentA ? Stage::kComponentB : Stage::kWrite;
            // `step` is not used after the push, which may move it.
            if (HostTag* component = helperTags.TagLinking(LinkedMaterial(data, link, doc))) {
                steps.push_back({component, false, Stage::kEnter});
            }
            break;
        }
        case Stage::kWrite:
            blendsInProgress_.erase(step.tag);
            written = WriteBlend(data, AppendMaterial(parent, MaterialName(doc, data, step.preview))) && written;
            exportedTags.insert(step.tag);
            steps.pop_back();
            break;
        }
    }
    return written;
}
