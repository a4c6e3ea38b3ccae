// ExportXML: the export worker.  It holds the state of one export and builds the scene file
// of one frame; the frame loop starts it once per frame through the host's thread facility.
// The geometry writers are its operations (each defined in the file named after what it
// writes); the settings, material and spectrum writers are free functions and a
// MaterialWriter below it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <tinyxml.h>

#include "core/xml_stream.h"
#include "export/export_options.h"
#include "materials/material_writer.h"
#include "sdk/host.h"

// The names of the external mesh elements of one scene.  Paths that the host's file-name
// comparison finds equal share one element; distinct files whose file-name parts are equal
// get distinct names ("x.obj", "x-2.obj", ...).
class ExternalMeshNames {
public:
    void Clear();
    // The name of the element written for this path; null when none was.
    const HostString* Find(const HostFilename& file) const;
    // Names a new element for this path (which Find does not know).
    const HostString& Add(const HostFilename& file);

private:
    std::unordered_map<std::string, HostString> byFile_;  // folded path -> element name
    std::unordered_set<std::string> names_;               // folded names in use
};

class ExportXML : public Thread {
public:
    ExportXML() = default;
    ~ExportXML() override = default;

    bool TestBreak() override { return false; }  // a started frame is never interrupted
    void Main() override { runResult_ = Run(); }

    // Sets up an export of `document` whose frames are written beside `sceneFile`.
    void Configure(HostDocument* document, const HostFilename& sceneFile, const ExportOptions& options);
    // The frame that the next run writes.
    void SetFrame(int32_t frame) { currentFrame = frame; }
    // One frame: the mesh files, then the scene file.  1 when the scene file was written.  A
    // frame that could not write every other file of its own (a mesh file, a texture's copy)
    // writes no scene file, and the one an earlier export left stays as it was.
    int32_t Run();
    int32_t RunResult() const { return runResult_; }
    // Converts generators to polygon objects along the chain that starts at `object`.
    void PrepareGeometry(HostObject* object);

private:
    // The scene file of the frame; `meshesWritten`: whether the frame's mesh files were all
    // written.
    int32_t ExportScene(bool meshesWritten);

    // --- geometry ----------------------------------------------------------------------------
    // The walks that write files of their own return false when one of them could not be
    // written (the elements are complete all the same).
    bool WriteMeshFiles(HostObject* first, bool hidden);
    void WriteMeshElements(HostObject* first, TiXmlElement& parent, bool hidden);
    bool WriteModels(HostObject* first, TiXmlElement& parent, bool hidden, HostObject* instanceSource);
    // Repeats an instance's source with the instance's placement.
    bool RepeatSource(HostObject* instance, TiXmlElement& parent, bool hidden);
    void WriteMeshElement(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const;
    void WriteExternalMeshElement(HostObject* instance, TiXmlElement& parent);
    void WriteModel(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const;
    void WriteExitPortal(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const;
    void WriteExternalModel(HostObject* instance, TiXmlElement& parent) const;
    void WritePlane(HostObject* object, TiXmlElement& parent) const;
    void WriteSphere(HostObject* object, TiXmlElement& parent) const;
    bool WriteMeshLight(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const;
    // The name of a polygon object's mesh, as the scene's elements name it and its file is
    // named.
    HostString MeshName(const HostObject& object, int32_t meshNumber) const;
    // Objects that are written again as an instance's source, by the visibility rule of that
    // repetition: their meshes are written even when the objects themselves are not visible.
    void CollectRepeatedObjects();
    void MarkRepeated(HostObject* object, bool hidden);
    // Called by the element walks after each object: every so many objects the scene's
    // finished elements go to the file and leave the tree.
    void FlushSceneElements();
    // Whether the walks write the mesh (file and element) of this object.
    bool WritesMeshOf(const HostObject& object, bool hidden) const;
    // The directory of the mesh files, inside the scene's directory.
    HostFilename MeshDirectoryName() const;
    // The mesh number of every object (the polygon objects before it in pre-order), counted
    // once before the model walk so that instances do not walk the tree each.
    void CountMeshNumbers();

    // --- state -------------------------------------------------------------------------------
    HostDocument* document = nullptr;
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
    TiXmlDocument sceneDocument;
    XmlStream* sceneStream_ = nullptr;  // while the scene's elements are built
    int32_t unflushedObjects_ = 0;
    int32_t currentFrame = 0;
    float sceneScale = 1.0f;
    int32_t meshCounter = 0;
    MaterialWriter materials_{MaterialTarget{}};
    int32_t runResult_ = 0;
    std::unordered_map<const HostObject*, int32_t> meshNumbers_;
    std::unordered_set<const HostObject*> repeatedObjects_;
    ExternalMeshNames externalMeshes_;
};

// The file name of a frame's scene file: base name + "_frame" + frame + ".ovs".
HostFilename FrameFileName(const HostFilename& baseName, int32_t frame, const char* suffix);
