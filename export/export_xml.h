// ExportXML: the export worker.  It holds the state of one export and builds the scene file
// of one frame; the frame loop starts it once per frame through the host's thread facility.
// Every scene element writer is an operation of it (each defined in the file named after
// what it writes).
#pragma once

#include <cstdint>
#include <vector>

#include <tinyxml.h>

#include "plugin/sdk/host.h"

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
    void WriteDefaultMaterials(TiXmlElement& parent, bool clayMode);
    bool ExportHelperMaterial(HostDocument* document, const std::vector<HostTag*>& helperTags,
                              std::vector<HostTag*>& exportedTags, HostTag* tag, TiXmlElement& parent, bool preview);

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
    int32_t runResult_ = 0;
};

// The file name of a frame's scene file: base name + "_frame" + frame + ".ovs".
HostFilename FrameFileName(const HostFilename& baseName, int32_t frame, const char* suffix);
