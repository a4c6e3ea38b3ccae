#include "materials/convert.h"

#include "core/ids.h"
#include "sdk/host.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace type = material_type;
// Channels whose switches choose the renderer material.
using material_channel::kTransparency;
using material_channel::kReflection;
using material_channel::kSpecular;
using material_channel::kBump;

using Wide = long double;

bool ChannelOn(HostMaterial& material, int32_t n) {
    const HostChannel* channel = material.GetChannel(n);
    return channel && channel->IsOn();
}

// 5025 - value * 100 * 50: the exponent that a blur value stands for.
float ExponentFromBlur(float blur) { return static_cast<float>(Wide{5025} - Wide{blur} * 100 * 50); }

}  // namespace

ParamContainer ConvertedParameters(HostMaterial& material, ParamContainer p) {
    using namespace host_material;
    const ParamContainer& host = material.Data();
    const Vector colour = host.Get<Vector>(kColour, Vector{0, 0, 0});
    const float factor = host.Get<float>(kBrightness, 1.0f);
    const Vector c{colour.x * factor, colour.y * factor, colour.z * factor};

    p.Set(kMaterial, material.GetLink());
    if (ChannelOn(material, kTransparency)) {
        const float blur = host.Get<float>(kTransparencyBlur, 0.0f);
        if (blur > 0) {
            p.Set<int32_t>(kType, type::kGlossyTransparent);
            p.Set<float>(kGlossyExponent, ExponentFromBlur(blur));
        } else {
            p.Set<int32_t>(kType, type::kSpecular);
        }
        p.Set<float>(kMediumIor, host.Get<float>(kRefraction, 0.0f));
        p.Set<Vector>(kAbsorptionColour, c);
        p.Set<float>(kAbsorptionParams.gain, 10.0f);
    } else if (ChannelOn(material, kReflection)) {
        const float r = host.Get<float>(kReflectionStrength, 0.0f);
        const float squared = r * r;
        const float blur = host.Get<float>(kReflectionBlur, 0.0f);
        p.Set<int32_t>(kType, type::kPhong);
        p.Set<float>(kPhongIor, static_cast<float>(Wide{10} * squared + 1));
        p.Set<float>(kPhongExponent, blur > 0 ? ExponentFromBlur(blur) : 100000.0f);
        p.Set<Vector>(kPhongColour, c);
    } else if (ChannelOn(material, kSpecular)) {
        const float width = host.Get<float>(kSpecularWidth, 0.0f);
        const float height = host.Get<float>(kSpecularHeight, 0.0f);
        const float scaled = static_cast<float>(Wide{100} * width);
        const float squared = static_cast<float>(Wide{scaled} * scaled);
        p.Set<int32_t>(kType, type::kPhong);
        p.Set<float>(kPhongIor, static_cast<float>(1 + Wide{height} * 100 * (Wide{1} / 142)));
        p.Set<float>(kPhongExponent, static_cast<float>(Wide{0.025L} * squared));
        p.Set<Vector>(kPhongColour, c);
    } else {
        p.Set<int32_t>(kType, type::kDiffuse);
        p.Set<Vector>(kDiffuseColour, c);
    }
    if (ChannelOn(material, kBump)) p.Set<float>(kBumpB, static_cast<float>(Wide{host.Get<float>(kBumpStrength)} / 50));
    p.Set<bool>(kKeepInStep, false);
    return p;
}

bool ConvertMaterials(HostDocument& document) {
    if (!document.GetFirstMaterial()) return false;
    Host& host = TheHost();
    auto holder = host.AllocObject(host_type::kNull);
    holder->SetName("Materials");
    HostObject* holderObject = holder.get();
    document.InsertObject(std::move(holder), nullptr, nullptr);

    HostObject* last = nullptr;
    for (HostMaterial* material = document.GetFirstMaterial(); material; material = material->GetNext()) {
        if (material->GetType() != host_type::kStandardMaterial) continue;
        auto null = host.AllocObject(host_type::kNull);
        null->SetName(material->GetName());
        HostObject* object = null.get();
        // The nulls follow the document's order of materials.
        document.InsertObject(std::move(null), holderObject, last);
        last = object;
        HostTag* helper = object->MakeTag(plugin_id::kMaterialHelper);
        HostTag* texture = object->MakeTag(host_type::kTextureTag, helper);
        if (!helper || !texture) continue;
        texture->SetMaterial(material);
        helper->SetData(ConvertedParameters(*material, helper->GetData()));
    }
    host.EventAdd();
    host.DrawViews();
    return true;
}
