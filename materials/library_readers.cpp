// The type readers of the library import, their colours and their textures.
#include <array>
#include <cfloat>
#include <cmath>
#include <string>
#include <utility>

#include "core/paths.h"
#include "materials/library_import.h"
#include "materials/library_values.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;
namespace channel = material_channel;

// The phong writer puts the n,k data file into this folder; the tag holds the bare name.
constexpr std::string_view kNkDataFolder = "nkdata/";

bool IsRepresentable(double value) { return std::isfinite(value) && std::fabs(value) <= FLT_MAX; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

// Texture elements: the host material's channel and the helper tag's numbers.  The writers
// write the last number as "exponent"; libraries from elsewhere call it "gamma".
struct TextureKeys {
    const char* element;
    int32_t channel;
    std::array<std::pair<const char*, int32_t>, 5> numbers;  // unused entries hold no name
};

namespace {
constexpr TextureKeys kAlbedoTexture{
    "albedo_texture", channel::kAlbedo, {{{"gamma", kAlbedoTextureGamma}, {"exponent", kAlbedoTextureGamma}}}};
constexpr TextureKeys kBumpMap{"bump_map",
                               channel::kBump,
                               {{{"a", kBumpA},
                                 {"b", kBumpB},
                                 {"c", kBumpC},
                                 {"gamma", kBumpExponent},
                                 {"exponent", kBumpExponent}}}};
constexpr TextureKeys kExponentMap{"exponent_map",
                                   channel::kExponentMap,
                                   {{{"a", kExponentMapA},
                                     {"b", kExponentMapB},
                                     {"c", kExponentMapC},
                                     {"gamma", kExponentMapExponent},
                                     {"exponent", kExponentMapExponent}}}};
constexpr TextureKeys kBlendMap{"blend_map", channel::kBlendMap, {}};
}  // namespace

std::optional<Vector> ParseColourText(const HostString& text, float* gain) {
    const std::string& s = text.Str();
    if (s.size() > kMaxColourTextBytes) return std::nullopt;
    // Cut at the first blank after the first character and at the next blank after that.
    const size_t first = s.find(' ', 1);
    const size_t second = first == std::string::npos ? first : s.find(' ', first + 1);
    const auto number = [&s](size_t from, size_t to) {
        from = std::min(from, s.size());
        return HostString(s.substr(from, to == std::string::npos ? to : to - from)).ToReal();
    };
    double c[3] = {number(0, first), number(first, second), number(second, std::string::npos)};
    if (!IsRepresentable(c[0]) || !IsRepresentable(c[1]) || !IsRepresentable(c[2])) return std::nullopt;
    size_t largest = 0;  // r before g before b on ties
    if (c[1] > c[largest]) largest = 1;
    if (c[2] > c[largest]) largest = 2;
    if (c[largest] > 1) {
        const double scale = c[largest];
        for (double& component : c) component /= scale;
        c[largest] = 1;
        if (gain) *gain = static_cast<float>(scale);
    }
    return Vector(static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]));
}

// --- colours ---------------------------------------------------------------------------------

std::optional<Vector> LibraryImport::ReadColour(const TiXmlElement* rgb, float* gain) {
    const std::optional<HostString> text = ChildText(rgb, "rgb");
    if (!text) return std::nullopt;
    if (text->ByteLength() > kMaxColourTextBytes) {
        Print(HostString("Colour text of ") + HostString::FromInt(static_cast<int64_t>(text->ByteLength())) +
              " characters (more than " + HostString::FromInt(kMaxColourTextBytes) + ") not read in " +
              file_.GetString());
        return std::nullopt;
    }
    return ParseColourText(*text, gain);
}

void LibraryImport::ReadRgbSpectrum(ParamContainer& data, const TiXmlElement* wrapper, int32_t colour, int32_t gamma) {
    const TiXmlElement* rgb = Child(wrapper, "rgb");
    if (!rgb) return;
    if (const std::optional<Vector> value = ReadColour(rgb, nullptr)) data.Set<Vector>(colour, *value);
    ReadReal(data, gamma, rgb, "gamma");
}

// --- type readers ----------------------------------------------------------------------------

void LibraryImport::ReadDiffuse(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kDiffuse);
    ReadRgbSpectrum(data, Child(&type, "albedo_spectrum"), kDiffuseColour, kDiffuseGamma);
    ReadAlbedoTexture(data, type, material);
    ReadBumpMap(data, type, material);
}

void LibraryImport::ReadDiffuseTransmitter(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kDiffuseTransmitter);
    ReadRgbSpectrum(data, Child(&type, "albedo_spectrum"), kTransmitterColour, kAlbedoTextureGamma);
    ReadAlbedoTexture(data, type, material);
    ReadBumpMap(data, type, material);
}

void LibraryImport::ReadOrenNayar(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kOrenNayar);
    ReadRgbSpectrum(data, Child(&type, "albedo_spectrum"), kOrenNayarColour, kOrenNayarGamma);
    ReadReal(data, kOrenNayarSigma, &type, "sigma");
    ReadAlbedoTexture(data, type, material);
    ReadBumpMap(data, type, material);
}

void LibraryImport::ReadPhong(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kPhong);
    if (const std::optional<HostString> nk = ChildText(&type, "nk_data")) {
        data.Set<bool>(kPhongUseNk, true);
        const std::string& file = nk->Str();
        data.Set<HostString>(kPhongNkFile, file.starts_with(kNkDataFolder) ? file.substr(kNkDataFolder.size()) : file);
    } else {
        ReadReal(data, kPhongIor, &type, "ior");
        for (const char* name : {"specular_reflectivity_spectrum", "specular_reflection_spectrum"}) {
            if (const TiXmlElement* reflectivity = Child(&type, name)) {
                data.Set<bool>(kPhongSpecularColour, true);
                ReadRgbSpectrum(data, reflectivity, kPhongColour, kPhongGamma);
                break;
            }
        }
        if (const TiXmlElement* albedo = Child(&type, "diffuse_albedo_spectrum")) {
            ReadRgbSpectrum(data, albedo, kPhongColour, kPhongGamma);
        }
    }
    ReadReal(data, kPhongExponent, &type, "exponent");
    ReadAlbedoTexture(data, type, material);
    ReadBumpMap(data, type, material);
    ReadExponentMap(data, type, material);
}

void LibraryImport::ReadSpecular(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kSpecular);
    if (const std::optional<HostString> transparent = ChildText(&type, "transparent")) {
        data.Set<bool>(kTransparent, transparent->ToLower() == HostString("true"));
    }
    ReadMedium(data, type);
    ReadBumpMap(data, type, material);
}

void LibraryImport::ReadGlossyTransparent(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kGlossyTransparent);
    ReadReal(data, kGlossyExponent, &type, "exponent");
    ReadMedium(data, type);
    ReadBumpMap(data, type, material);
}

// --- textures --------------------------------------------------------------------------------

void LibraryImport::ReadAlbedoTexture(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    ReadTexture(kAlbedoTexture, data, type, material);
}

void LibraryImport::ReadBumpMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    ReadTexture(kBumpMap, data, type, material);
}

void LibraryImport::ReadExponentMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    ReadTexture(kExponentMap, data, type, material);
}

void LibraryImport::ReadBlendMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    ReadTexture(kBlendMap, data, type, material);
}

void LibraryImport::ReadTexture(const TextureKeys& keys, ParamContainer& data, const TiXmlElement& type,
                                HostMaterial& material) {
    const TiXmlElement* texture = Child(&type, keys.element);
    if (!texture) return;
    if (const std::optional<HostString> text = ChildText(texture, "path")) {
        const std::optional<HostFilename> path = TexturePath(*text);
        HostChannel* channel = material.GetChannel(keys.channel);
        if (path && channel && TheHost().FileExists(*path)) {
            Print(HostString("Loaded texture: ") + path->GetString());
            channel->SetOn(true);
            channel->Data().Set<HostString>(host_param::kChannelTexture, path->GetString());
        } else {
            Print(HostString("Failed to load texture from: ") + (path ? path->GetString() : *text));
        }
    }
    for (const auto& [name, id] : keys.numbers) {
        if (name) ReadReal(data, id, texture, name);
    }
}

// A path with a drive ("C:\", "C:/") as it stands; any other resolved against the library's
// folder, "/" and "\" both separating and each "..\" climbing one folder.  Nothing when it
// climbs above the drive or grows too long.
std::optional<HostFilename> LibraryImport::TexturePath(const HostString& text) const {
    std::string path = text.Str();
    if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) {
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
        return HostFilename(path);
    }
    std::string folder = file_.GetDirectory().Str();
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    const std::optional<std::string> absolute = AbsolutePath(folder, path);
    if (!absolute) return std::nullopt;
    return HostFilename(*absolute);
}
