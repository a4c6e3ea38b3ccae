// The "meshlight" element of a polygon object with a light tag: an emitting surface, placed
// like a model of the object, with its emission spectrum, then an IES profile or a
// luminous-efficacy scaling, and the light texture of the object's material.
#include "core/format.h"
#include "core/ids.h"
#include "core/paths.h"
#include "core/xml.h"
#include "export/export_xml.h"
#include "materials/spectrum.h"
#include "tags/light_tag.h"

using namespace light_param;

namespace {

// The IES file as the tag names it, relative to the scene's directory where that can be made.
HostString IesProfilePath(const ParamContainer& light, const HostFilename& sceneDirectory) {
    const std::string path = light.Has(kIesFile) ? light.Get<HostFilename>(kIesFile).Str() : "Fileneme/not/set";
    return RelativePath(sceneDirectory.Str(), path).value_or(path);
}

// Values the tag lacks read as 0.
float ReadReal(const ParamContainer& light, int32_t id) { return light.Get<float>(id, 0.0f); }

}  // namespace

bool ExportXML::WriteMeshLight(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const {
    const HostTag* tag = object->GetTag(plugin_id::kLightTag);
    if (!tag) return true;
    const ParamContainer& light = tag->Data();

    // The light takes the model's comment and placement keys, so both name the same mesh in
    // the same place.
    WriteModel(object, meshNumber, parent);
    TiXmlElement& element = *parent.LastChild()->ToElement();
    element.SetValue("meshlight");

    TiXmlElement& spectrum = *AppendElement(element, "spectrum");
    switch (light.Get<int32_t>(kSpectrum, 0)) {
        case kPeak:
            WritePeakSpectrum(ReadReal(light, kPeakMin), ReadReal(light, kPeakWidth), ReadReal(light, kBaseValue),
                              ReadReal(light, kPeakValue), spectrum);
            break;
        case kColour: {
            const Vector colour = light.Get<Vector>(kColourValue, Vector(0, 0, 0));
            WriteRgbSpectrum(colour.x, colour.y, colour.z, ReadReal(light, kGamma), 1.0f, spectrum);
            break;
        }
        case kBlackbody:
            WriteBlackbodySpectrum(ReadReal(light, kTemperature), ReadReal(light, kBlackbodyGain), spectrum);
            break;
        case kUniform:
            WriteUniformSpectrum(ReadReal(light, kUniformValue), spectrum);
            break;
        default:
            break;
    }

    if (light.Get<bool>(kIesOn, false)) {
        AppendKey(*AppendElement(element, "ies_profile"), "path", IesProfilePath(light, sceneDirectory));
    } else if (light.Get<bool>(kEfficacyOn, false)) {
        TiXmlElement& scaling = *AppendElement(element, "efficacy_scale");
        AppendKey(scaling, "power_drawn", FormatReal(ReadReal(light, kPowerDrawn), -5));
        AppendKey(scaling, "overall_luminous_efficacy", FormatReal(ReadReal(light, kEfficacy), -5));
    }

    const HostTag* textureTag = object->GetTag(host_type::kTextureTag);
    HostMaterial* material = textureTag ? textureTag->GetMaterial() : nullptr;
    return !material || !material->GetChannel(0) || materials_.WriteLightTexture(light, material, element);
}
