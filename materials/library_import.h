// Material libraries (".ovm", root element "scenedata") read back into a document.  Every
// material of a library becomes a standard host material of its name, a null object of its
// name under the holder object "Imported Materials", and on that null a material helper tag
// (linking the material, its parameters read from the element) followed by a texture tag
// pointing at the material.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <tinyxml.h>

#include "sdk/host.h"

// The object that holds the imported materials' nulls.
inline constexpr const char* kImportHolderName = "Imported Materials";
// The longest colour text read, in bytes.
inline constexpr size_t kMaxColourTextBytes = 999;
// Libraries with more "material" elements than this are refused.
inline constexpr size_t kMaxLibraryMaterials = 1000;
// Blend components are imported from inside their blend; deeper chains stay unlinked.
inline constexpr size_t kMaxBlendNesting = 64;
// The start of the console line that tells a library was not read.
inline constexpr const char* kLibraryNotImported = "Material library not imported: ";

// Where a texture element and a coefficient spectrum of a medium go in the helper tag.
struct TextureKeys;
struct CoefficientSpectrumParams;

// A colour from a text of three blank-separated numbers "r g b" (the host's text-to-number
// conversion; missing numbers are 0).  When a component is greater than 1, the largest (r
// before g before b on ties) becomes exactly 1, the other two are divided by its former value
// and that value goes to *gain when one is given; otherwise the colour is as read and *gain
// is not touched.  No colour for a text longer than kMaxColourTextBytes, or when a component
// is not a finite number a 32-bit real holds.
std::optional<Vector> ParseColourText(const HostString& text, float* gain = nullptr);

// Imports a library's text, read from `file`, into the document (the holder is found or
// made, and the host told of the change).  The text is UTF-8, or Latin-1 or windows-1252 as
// its XML declaration says (GuardXmlText).  False, with a console line naming the file, when
// the text is refused: not plain XML within the limits of core/xml_guard.h, no
// "scenedata" root, or too many materials.
bool ImportMaterialLibrary(HostDocument& document, const HostFilename& file, const std::string& text);

// Reads the library file and imports it as ImportMaterialLibrary does; false, with a console
// line naming the file, when it cannot be read or is refused.
bool ImportMaterialLibraryFile(HostDocument& document, const HostFilename& file);

// One run of the import over a parsed library.
class LibraryImport {
public:
    LibraryImport(HostDocument& document, const HostFilename& file, HostObject& holder, const TiXmlElement& root);
    LibraryImport(const LibraryImport&) = delete;
    LibraryImport& operator=(const LibraryImport&) = delete;

    // Every "material" child of the root, in file order.
    void ImportAll();
    // Creates the material's nodes and reads its type element.  A material whose name was
    // imported before in this run, and the library's null material, are removed again.
    bool ImportMaterialElement(const TiXmlElement& material);
    // The first material imported in this run under the name the library gives it.
    HostMaterial* FindImportedMaterial(const HostString& name) const;
    const std::vector<HostMaterial*>& Imported() const { return imported_; }

private:
    struct Created {
        HostObject* null = nullptr;
        HostMaterial* material = nullptr;
        HostTag* helper = nullptr;
    };
    // A material whose type element is being read.
    struct Pending {
        HostString name;
        HostMaterial* material;
        HostObject* null;
    };
    using TypeReader = void (LibraryImport::*)(ParamContainer&, const TiXmlElement&, HostMaterial&);
    struct TypeEntry {
        const char* element;
        TypeReader read;  // null: the library's null material
    };
    static const TypeEntry kTypes[];

    std::optional<Created> CreateMaterialNodes();
    HostObject* LastHeldObject() const;
    static void Discard(const Created& created);
    void Print(const HostString& line) const;

    // Type readers: each sets the material type, then reads the children that are present.
    void ReadDiffuse(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadDiffuseTransmitter(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadOrenNayar(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadPhong(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadSpecular(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadGlossyTransparent(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadBlend(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);

    // Texture readers: the image switches the host material's channel on; the numbers go to
    // the helper tag.
    void ReadAlbedoTexture(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadBumpMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadExponentMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadBlendMap(ParamContainer& data, const TiXmlElement& type, HostMaterial& material);
    void ReadTexture(const TextureKeys& keys, ParamContainer& data, const TiXmlElement& type,
                     HostMaterial& material);
    std::optional<HostFilename> TexturePath(const HostString& text) const;

    // Colours: an "rgb" spectrum (wrapper → "rgb" → "rgb" and "gamma").
    void ReadRgbSpectrum(ParamContainer& data, const TiXmlElement* wrapper, int32_t colour, int32_t gamma);
    std::optional<Vector> ReadColour(const TiXmlElement* rgb, float* gain);

    // The medium of a specular or glossy transparent material.
    void ReadMedium(ParamContainer& data, const TiXmlElement& type);
    void ReadBasicMedium(ParamContainer& data, const TiXmlElement& basic);
    void ReadCoefficientSpectrum(ParamContainer& data, const TiXmlElement* wrapper,
                                 const CoefficientSpectrumParams& keys);
    void ReadPhaseFunction(ParamContainer& data, const TiXmlElement* phase);
    void RestoreNameFromMedium(const HostString& mediumName);

    // Blend components.
    void LinkComponent(ParamContainer& data, const TiXmlElement& blend, const char* key, int32_t link);
    HostMaterial* ImportComponent(const HostString& name);
    HostMaterial* FindPending(const HostString& name) const;

    HostDocument& document_;
    HostFilename file_;
    HostObject& holder_;
    const TiXmlElement& root_;
    std::unordered_map<std::string, std::vector<const TiXmlElement*>> materialsByName_;
    std::unordered_map<std::string, const TiXmlElement*> mediaByName_;  // the first of each name
    std::vector<HostMaterial*> imported_;
    std::unordered_map<std::string, HostMaterial*> importedByName_;  // the first of each name
    std::vector<Pending> pending_;
};
