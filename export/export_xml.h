// ExportXML: the export worker.  It holds the state of one export and builds the scene file
// of one frame; the frame loop starts it once per frame through the host's thread facility.
// Every scene element writer is an operation of it (each defined in the file named after
// what it writes).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <tinyxml.h>

#include "sdk/host.h"

class ExportXML : public Thread {
public:
    ExportXML() = default;
    ~ExportXML() override = default;

    bool TestBreak() override { return false; }  // a started frame is never interrupted
    void Main() override { runResult_ = Run(); }

    int32_t Configure(HostDocument* document, const HostFilename& sceneFile, bool foregroundAlpha,
                      bool skipMeshFiles, bool networkRender, bool clayMode, bool mergeDuplicates,
                      bool shareStaticMeshes);
    // One frame: the mesh files, then the scene file.  1 when the scene file was written.
    int32_t Run();
    int32_t ExportScene();
    // Converts generators to polygon objects along the chain that starts at `object`.
    void PrepareGeometry(HostObject* object);
    int32_t RunResult() const { return runResult_; }

    // --- writers -------------------------------------------------------------------------
    int32_t WriteRendererSettings(HostDocument* document, TiXmlElement& element, const ParamContainer& settings);
    void WriteEnvironment(HostDocument* document, const ParamContainer* settings, TiXmlElement& scene);
    int32_t WriteCamera(HostDocument* document, TiXmlElement& scene, TiXmlElement& rendererSettings);
    int32_t WriteToneMapping(HostDocument* document, TiXmlElement& scene);
    void WriteMeshFiles(HostObject* first, bool hidden);
    void WriteMeshElements(HostObject* first, TiXmlElement& parent, bool hidden,
                           std::vector<HostObject*>& externalFiles);
    void WriteModels(HostObject* first, TiXmlElement& parent, bool hidden, HostObject* instanceSource);
    int32_t WriteMeshElement(HostObject* object, int32_t meshNumber, TiXmlElement& parent);
    int32_t WriteExternalMeshElement(HostObject* instance, TiXmlElement& parent);
    int32_t WriteModel(HostObject* object, int32_t meshNumber, TiXmlElement& parent);
    int32_t WriteExitPortal(HostObject* object, int32_t meshNumber, TiXmlElement& parent);
    int32_t WriteExternalModel(HostObject* instance, TiXmlElement& parent);
    int32_t WritePlane(HostObject* object, TiXmlElement& parent);
    int32_t WriteSphere(HostObject* object, const ParamContainer& objectParameters, TiXmlElement& parent);
    void WriteMeshLight(HostDocument* document, HostObject* object, int32_t meshNumber, TiXmlElement& parent);
    // The name of a polygon object's mesh as the scene's elements name it (forFile false) or
    // as its mesh file is named (forFile true).
    HostString MeshName(const HostObject& object, int32_t meshNumber, bool forFile) const;
    // The directory of the mesh files, inside the scene's directory.
    HostFilename MeshDirectoryName() const;
    // The mesh number of every object (the polygon objects before it in pre-order), counted
    // once before the model walk so that instances do not walk the tree each.
    void CountMeshNumbers();
    void WriteDefaultMaterials(TiXmlElement& parent, bool clayMode);
    // Writes the tag's material (and a blend's components first) unless the tag is in
    // `exportedTags`, to which it is added; a set, so that a scene of many tags stays linear.
    bool ExportHelperMaterial(HostDocument* document, const std::vector<HostTag*>& helperTags,
                              std::unordered_set<const HostTag*>& exportedTags, HostTag* tag, TiXmlElement& parent,
                              bool preview);
    // Per-type material writers: each appends its type element to the "material" element.
    bool WriteDiffuse(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WriteOrenNayar(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WritePhong(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WriteSpecular(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WriteGlossyTransparent(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WriteDiffuseTransmitter(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);
    bool WriteBlend(HostDocument* document, const ParamContainer& tagData, TiXmlElement& material);

    // --- media and textures of materials ------------------------------------------------------
    bool WriteMedium(HostDocument* document, const ParamContainer& tagData, TiXmlElement& parent);
    void WriteAlbedoTexture(HostDocument* document, const ParamContainer& tagData, HostMaterial* material,
                            TiXmlElement& parent);
    void WriteBumpMap(HostDocument* document, const ParamContainer& tagData, HostMaterial* material,
                      TiXmlElement& parent);
    void WriteExponentMap(HostDocument* document, const ParamContainer& tagData, HostMaterial* material,
                          TiXmlElement& parent);
    void WriteBlendMap(HostDocument* document, const ParamContainer& tagData, HostMaterial* material,
                       TiXmlElement& parent);
    void WriteLightTexture(HostDocument* document, const ParamContainer& tagData, HostMaterial* material,
                           TiXmlElement& parent);

    // --- material library ----------------------------------------------------------------------
    struct MaterialLibraryRecord {
        HostDocument* document = nullptr;
        HostTag* tag = nullptr;
        HostFilename file;  // only its folder and its name without extension are used
        bool preview = false;
        bool copyTextures = false;
    };
    bool WriteMaterialLibrary(const MaterialLibraryRecord& record);

    // --- spectra: one spectrum element appended as the last child of parent ------------------
    bool WriteRgbSpectrum(float r, float g, float b, float gamma, float gain, TiXmlElement& parent);
    bool WriteBlackbodySpectrum(float temperature, float gain, TiXmlElement& parent);
    bool WriteUniformSpectrum(float value, TiXmlElement& parent);
    bool WritePeakSpectrum(float peakMin, float peakWidth, float baseValue, float peakValue, TiXmlElement& parent);
    bool WriteTabulatedSpectrum(const HostString& startWavelength, const HostString& endWavelength,
                                int32_t count, const HostString& values, TiXmlElement& parent);

    // --- state -----------------------------------------------------------------------------
    TiXmlDocument sceneDocument;
    HostDocument* document = nullptr;
    int32_t currentFrame = 0;
    float sceneScale = 1.0f;
    int32_t meshCounter = 0;
    bool foregroundAlpha = false;
    bool skipMeshFiles = false;
    bool networkRender = false;
    bool clayMode = false;
    bool mergeDuplicates = false;
    bool shareStaticMeshes = true;
    bool staticMeshesWritten = false;
    HostFilename sceneDirectory;
    HostFilename sceneBaseName;
    HostFilename frameSceneFile;

private:
    // Repeats an instance's source with the instance's placement.
    void RepeatSource(HostObject* instance, TiXmlElement& parent, bool hidden);

    // "nullMat" and its empty "null_material", appended to parent.
    static void WriteNullMaterial(TiXmlElement& parent);
    // The texture element `element` of the material's channel, holding "uv_set", "path" and
    // then `values` in order; nothing when the channel names no texture.
    void WriteTextureElement(HostDocument* document, HostMaterial* material, int32_t channel, const char* element,
                             const std::vector<std::pair<const char*, HostString>>& values, TiXmlElement& parent);
    // The copy of a texture beside the file being written (network rendering): copies the
    // file and returns the copy's path relative to sceneDirectory.
    std::string CopyTexture(const HostFilename& source, const HostString& materialName, const HostString& textureName);
    // The helper tags on the render-visible objects of `document`, in object and tag order.
    static std::vector<HostTag*> CollectHelperTags(HostDocument& document);

    // Blend tags whose components are being exported; a component that leads back to one
    // of them is named but not exported again.
    std::vector<HostTag*> blendsInProgress_;

    int32_t runResult_ = 0;
    std::unordered_map<const HostObject*, int32_t> meshNumbers_;
};

// The file name of a frame's scene file: base name + "_frame" + frame + ".ovs".
HostFilename FrameFileName(const HostFilename& baseName, int32_t frame, const char* suffix);
