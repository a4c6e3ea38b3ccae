// The type elements of renderer materials: one writer per material type of the helper tag.
#include "core/format.h"
#include "core/xml.h"
#include "export/export_xml.h"
#include "materials/medium_name.h"
#include "mesh/texture_tag.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace channel = material_channel;

HostString Number(const ParamContainer& data, int32_t id) { return FormatReal(MaterialHelperValue<float>(data, id), -1); }

// A wrapper element holding an RGB spectrum of a colour parameter and its gamma.
void AppendColourSpectrum(ExportXML& worker, const char* wrapper, const ParamContainer& data, int32_t colourId,
                          int32_t gammaId, TiXmlElement& parent) {
    const Vector colour = MaterialHelperValue<Vector>(data, colourId);
    worker.WriteRgbSpectrum(colour.x, colour.y, colour.z, MaterialHelperValue<float>(data, gammaId), 1.0f,
                            *AppendElement(parent, wrapper));
}

// A type element whose first child is its albedo spectrum.
TiXmlElement& AppendAlbedoType(ExportXML& worker, const char* name, const ParamContainer& data, int32_t colourId,
                               int32_t gammaId, TiXmlElement& material) {
    TiXmlElement& element = *AppendElement(material, name);
    AppendColourSpectrum(worker, "albedo_spectrum", data, colourId, gammaId, element);
    return element;
}

using TextureWriter = void (ExportXML::*)(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&);
struct TextureSlot {
    int32_t channel;
    TextureWriter write;
};
constexpr TextureSlot kAlbedoTexture{channel::kAlbedo, &ExportXML::WriteAlbedoTexture};
constexpr TextureSlot kBumpMap{channel::kBump, &ExportXML::WriteBumpMap};
constexpr TextureSlot kExponentMap{channel::kExponentMap, &ExportXML::WriteExponentMap};
constexpr TextureSlot kBlendMap{channel::kBlendMap, &ExportXML::WriteBlendMap};

// The texture elements of the slots whose channel is switched on in the linked standard
// material, in the order given.
void AppendTextures(ExportXML& worker, HostDocument* document, const ParamContainer& data, TiXmlElement& parent,
                    std::initializer_list<TextureSlot> slots) {
    HostMaterial* linked = LinkedMaterial(data, kMaterial, document);
    for (const TextureSlot& slot : slots) {
        if (IsStandardChannelOn(linked, slot.channel)) (worker.*slot.write)(document, data, linked, parent);
    }
}

// A blend component's name: the linked material's name with blanks as underscores, or the
// null material when the link names none.
HostString ComponentName(const HostDocument* document, const ParamContainer& data, int32_t link) {
    const HostMaterial* component = LinkedMaterial(data, link, document);
    return component ? SanitizeMaterialName(component->GetName()) : HostString("nullMat");
}

}  // namespace

bool ExportXML::WriteDiffuse(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& diffuse = AppendAlbedoType(*this, "diffuse", tagData, kDiffuseColour, kDiffuseGamma, material);
    AppendTextures(*this, doc, tagData, diffuse, {kAlbedoTexture, kBumpMap});
    return true;
}

bool ExportXML::WriteOrenNayar(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& body = AppendAlbedoType(*this, "oren_nayar", tagData, kOrenNayarColour, kOrenNayarGamma, material);
    AppendKey(body, "sigma", Number(tagData, kOrenNayarSigma));
    AppendTextures(*this, doc, tagData, body, {kAlbedoTexture, kBumpMap});
    return true;
}

bool ExportXML::WritePhong(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& phong = *AppendElement(material, "phong");
    if (MaterialHelperValue<bool>(tagData, kPhongUseNk)) {
        AppendKey(phong, "nk_data", "nkdata/" + tagData.Get<HostString>(kPhongNkFile, "Al.nk"));
    } else {
        AppendKey(phong, "ior", Number(tagData, kPhongIor));
        const char* wrapper = MaterialHelperValue<bool>(tagData, kPhongSpecularColour) ? "specular_reflectivity_spectrum"
                                                                                       : "diffuse_albedo_spectrum";
        AppendColourSpectrum(*this, wrapper, tagData, kPhongColour, kPhongGamma, phong);
    }
    AppendKey(phong, "exponent", Number(tagData, kPhongExponent));
    AppendTextures(*this, doc, tagData, phong, {kAlbedoTexture, kBumpMap, kExponentMap});
    return true;
}

bool ExportXML::WriteSpecular(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& specular = *AppendElement(material, "specular");
    AppendKey(specular, "internal_medium_name", MediumName(tagData, doc));
    AppendKey(specular, "transparent", MaterialHelperValue<bool>(tagData, kTransparent) ? "true" : "false");
    AppendTextures(*this, doc, tagData, specular, {kBumpMap});
    return true;
}

bool ExportXML::WriteGlossyTransparent(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& glossy = *AppendElement(material, "glossy_transparent");
    AppendKey(glossy, "internal_medium_name", MediumName(tagData, doc));
    AppendKey(glossy, "exponent", Number(tagData, kGlossyExponent));
    AppendTextures(*this, doc, tagData, glossy, {kBumpMap});
    return true;
}

bool ExportXML::WriteDiffuseTransmitter(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& transmitter =
        AppendAlbedoType(*this, "diffuse_transmitter", tagData, kTransmitterColour, kAlbedoTextureGamma, material);
    AppendTextures(*this, doc, tagData, transmitter, {kAlbedoTexture});
    return true;
}

bool ExportXML::WriteBlend(HostDocument* doc, const ParamContainer& tagData, TiXmlElement& material) {
    TiXmlElement& blend = *AppendElement(material, "blend");
    AppendKey(blend, "a_name", ComponentName(doc, tagData, kBlendA));
    AppendKey(blend, "b_name", ComponentName(doc, tagData, kBlendB));
    AppendKey(blend, "blend_factor", Number(tagData, kBlendFactor));
    AppendTextures(*this, doc, tagData, blend, {kBlendMap});
    return true;
}
