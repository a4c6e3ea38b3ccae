// The type elements of renderer materials: one writer per material type of the helper tag.
#include "core/format.h"
#include "core/material_name.h"
#include "core/xml.h"
#include "materials/material_writer.h"
#include "materials/medium.h"
#include "materials/spectrum.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace channel = material_channel;

HostString Number(const ParamContainer& data, int32_t id) { return FormatReal(MaterialHelperValue<float>(data, id), -1); }

// A wrapper element holding an RGB spectrum of a colour parameter and its gamma.
void AppendColourSpectrum(const char* wrapper, const ParamContainer& data, int32_t colourId, int32_t gammaId,
                          TiXmlElement& parent) {
    const Vector colour = MaterialHelperValue<Vector>(data, colourId);
    WriteRgbSpectrum(colour.x, colour.y, colour.z, MaterialHelperValue<float>(data, gammaId), 1.0f,
                     *AppendElement(parent, wrapper));
}

// A type element whose first child is its albedo spectrum.
TiXmlElement& AppendAlbedoType(const char* name, const ParamContainer& data, int32_t colourId, int32_t gammaId,
                               TiXmlElement& material) {
    TiXmlElement& element = *AppendElement(material, name);
    AppendColourSpectrum("albedo_spectrum", data, colourId, gammaId, element);
    return element;
}

using TextureWriter = bool (MaterialWriter::*)(const ParamContainer&, HostMaterial*, TiXmlElement&) const;
struct TextureSlot {
    int32_t channel;
    TextureWriter write;
};
constexpr TextureSlot kAlbedoTexture{channel::kAlbedo, &MaterialWriter::WriteAlbedoTexture};
constexpr TextureSlot kBumpMap{channel::kBump, &MaterialWriter::WriteBumpMap};
constexpr TextureSlot kExponentMap{channel::kExponentMap, &MaterialWriter::WriteExponentMap};
constexpr TextureSlot kBlendMap{channel::kBlendMap, &MaterialWriter::WriteBlendMap};

// The texture elements of the slots whose channel is switched on in the linked standard
// material, in the order given.  False when a copy of one of the textures could not be
// written (every element is written all the same).
bool AppendTextures(const MaterialWriter& writer, const HostDocument* document, const ParamContainer& data,
                    TiXmlElement& parent, std::initializer_list<TextureSlot> slots) {
    HostMaterial* linked = LinkedMaterial(data, kMaterial, document);
    bool written = true;
    for (const TextureSlot& slot : slots) {
        if (IsStandardChannelOn(linked, slot.channel)) written = (writer.*slot.write)(data, linked, parent) && written;
    }
    return written;
}

// A blend component's name: the linked material's name with blanks as underscores, or the
// null material when the link names none.
HostString ComponentName(const HostDocument* document, const ParamContainer& data, int32_t link) {
    const HostMaterial* component = LinkedMaterial(data, link, document);
    return component ? SanitizeMaterialName(component->GetName()) : HostString("nullMat");
}

}  // namespace

bool MaterialWriter::WriteDiffuse(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& diffuse = AppendAlbedoType("diffuse", tagData, kDiffuseColour, kDiffuseGamma, material);
    return AppendTextures(*this, target_.document, tagData, diffuse, {kAlbedoTexture, kBumpMap});
}

bool MaterialWriter::WriteOrenNayar(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& body = AppendAlbedoType("oren_nayar", tagData, kOrenNayarColour, kOrenNayarGamma, material);
    AppendKey(body, "sigma", Number(tagData, kOrenNayarSigma));
    return AppendTextures(*this, target_.document, tagData, body, {kAlbedoTexture, kBumpMap});
}

bool MaterialWriter::WritePhong(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& phong = *AppendElement(material, "phong");
    if (MaterialHelperValue<bool>(tagData, kPhongUseNk)) {
        AppendKey(phong, "nk_data", "nkdata/" + tagData.Get<HostString>(kPhongNkFile, "Al.nk"));
    } else {
        AppendKey(phong, "ior", Number(tagData, kPhongIor));
        const char* wrapper = MaterialHelperValue<bool>(tagData, kPhongSpecularColour) ? "specular_reflectivity_spectrum"
                                                                                       : "diffuse_albedo_spectrum";
        AppendColourSpectrum(wrapper, tagData, kPhongColour, kPhongGamma, phong);
    }
    AppendKey(phong, "exponent", Number(tagData, kPhongExponent));
    return AppendTextures(*this, target_.document, tagData, phong, {kAlbedoTexture, kBumpMap, kExponentMap});
}

bool MaterialWriter::WriteSpecular(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& specular = *AppendElement(material, "specular");
    AppendKey(specular, "internal_medium_name", MediumName(tagData, target_.document));
    AppendKey(specular, "transparent", BoolText(MaterialHelperValue<bool>(tagData, kTransparent)));
    return AppendTextures(*this, target_.document, tagData, specular, {kBumpMap});
}

bool MaterialWriter::WriteGlossyTransparent(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& glossy = *AppendElement(material, "glossy_transparent");
    AppendKey(glossy, "internal_medium_name", MediumName(tagData, target_.document));
    AppendKey(glossy, "exponent", Number(tagData, kGlossyExponent));
    return AppendTextures(*this, target_.document, tagData, glossy, {kBumpMap});
}

bool MaterialWriter::WriteDiffuseTransmitter(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& transmitter =
        AppendAlbedoType("diffuse_transmitter", tagData, kTransmitterColour, kAlbedoTextureGamma, material);
    return AppendTextures(*this, target_.document, tagData, transmitter, {kAlbedoTexture});
}

bool MaterialWriter::WriteBlend(const ParamContainer& tagData, TiXmlElement& material) const {
    TiXmlElement& blend = *AppendElement(material, "blend");
    AppendKey(blend, "a_name", ComponentName(target_.document, tagData, kBlendA));
    AppendKey(blend, "b_name", ComponentName(target_.document, tagData, kBlendB));
    AppendKey(blend, "blend_factor", Number(tagData, kBlendFactor));
    return AppendTextures(*this, target_.document, tagData, blend, {kBlendMap});
}
