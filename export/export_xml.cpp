#include "export/export_xml.h"

#include <algorithm>

#include "core/format.h"
#include "core/ids.h"
#include "core/scene_walk.h"
#include "core/xml.h"
#include "export/settings_elements.h"
#include "mesh/obj_mesh_writer.h"
#include "tags/render_settings.h"

HostFilename FrameFileName(const HostFilename& baseName, int32_t frame, const char* suffix) {
    // The suffix is appended, not set: a base name with a dot of its own ("my.scene") keeps
    // every character, so the frames of such a scene do not overwrite each other.
    return HostFilename(baseName.Str() + "_frame" + FormatInt(frame).Str() + "." + suffix);
}

void ExportXML::Configure(HostDocument* doc, const HostFilename& sceneFile, const ExportOptions& options) {
    document = doc;
    foregroundAlpha = options.foregroundAlpha;
    skipMeshFiles = options.skipMeshFiles;
    networkRender = options.networkRender;
    clayMode = options.clayMode;
    mergeDuplicates = options.mergeDuplicates;
    // Only a frame range may write every mesh on every frame.
    shareStaticMeshes = !options.useFrameRange || options.shareStaticMeshes;
    staticMeshesWritten = false;
    sceneDirectory = sceneFile.GetDirectory();
    sceneBaseName = sceneFile.GetFile();
    sceneBaseName.ClearSuffix();
    materials_ = MaterialWriter({document, sceneDirectory, sceneBaseName, networkRender, clayMode});
}

void ExportXML::PrepareGeometry(HostObject* object) {
    Host& host = TheHost();
    while (object) {
        const int32_t type = object->GetType();
        const bool exempt = type == host_type::kInstance || type == host_type::kSphere ||
                            type == plugin_id::kOrvaneInstance;
        if (!exempt || object->GetTag(plugin_id::kLightTag)) {
            auto record = host.AllocReplacementRecord();
            record->Init(document);
            record->Add(object);
            ModelingCommandData command;
            command.document = document;
            command.object = object;
            command.data = &object->Data();
            command.mode = 0;
            command.flags = 1;
            command.arg1 = 0;
            command.arg2 = 1;
            command.arg3 = 0;
            command.arg4 = 0;
            if (!host.SendModelingCommand(kMakeEditableCommand, command)) return;
            object = record->GetReplacement(document, 0);
            if (!object) return;  // nothing stands in its place: the chain cannot go on
        }
        PrepareGeometry(object->GetDown());
        object = object->GetNext();
    }
}

int32_t ExportXML::Run() {
    TheHost().StatusSetText("exporting");
    meshCounter = 0;
    bool meshesWritten = true;
    if (document) {
        CollectRepeatedObjects();
        meshesWritten = WriteMeshFiles(document->GetFirstObject(), false);
    }
    // The meshes that the frames share are written again by the next frame when one of them
    // could not be written.
    if (shareStaticMeshes && meshesWritten) staticMeshesWritten = true;
    frameSceneFile = FrameFileName(sceneBaseName, currentFrame, "ovs");
    return ExportScene(meshesWritten);
}

void ExportXML::FlushSceneElements() {
    // Often enough that the tree stays small, seldom enough that each piece of text is long.
    constexpr int32_t kObjectsPerFlush = 512;
    if (sceneStream_ && ++unflushedObjects_ >= kObjectsPerFlush) {
        sceneStream_->Flush();
        unflushedObjects_ = 0;
    }
}

int32_t ExportXML::ExportScene(bool meshesWritten) {
    if (!document) return 0;
    Host& host = TheHost();
    std::vector<HostObject*> visible;
    sceneScale = 1.0f;
    const int64_t start = host.GetTimer();

    host.StatusClear();
    host.StatusSetBar(0);
    host.StatusSetText("Export Settings");
    host.Print("--------------------");
    host.Print("* Starting OVS export...");

    AppendFileHeader(sceneDocument);
    TiXmlElement& scene = *AppendElement(sceneDocument, "scene");
    // A scene of a frame whose files are not all written would name files that are missing or
    // left from an earlier export: the scene file that is there stays instead.  Its elements
    // are built all the same (they name what goes wrong on the console).
    const HostFilename path = sceneDirectory + frameSceneFile;
    XmlStream stream(sceneDocument, scene, meshesWritten ? path : HostFilename());
    sceneStream_ = &stream;
    unflushedObjects_ = 0;

    host.StatusSetText("Export Render Settings");
    CollectRenderVisible(visible, document->GetFirstObject(), false);
    TiXmlElement& rendererSettings = *AppendElement(scene, "renderer_settings");
    AppendKey(rendererSettings, "render_foreground_alpha", BoolText(foregroundAlpha));

    HostObject* settingsObject = nullptr;
    for (HostObject* object : visible) {
        if (object->GetType() == plugin_id::kRenderSettings) {
            settingsObject = object;
            break;
        }
    }
    SceneContext context{document, sceneDirectory, 1.0f};
    if (settingsObject) {
        const ParamContainer settings = settingsObject->GetData();
        sceneScale = context.sceneScale = settings.Get<float>(settings_param::kSceneScale, 0.0f);
        WriteRendererSettings(context, rendererSettings, settings);
        WriteEnvironment(context, &settings, scene);
    } else {
        WriteEnvironment(context, nullptr, scene);
    }

    WriteCamera(context, scene, rendererSettings);
    WriteToneMapping(document, scene);
    host.Print("-Exported Render Settings, Camera, Lightning, Tonemapping");

    host.StatusSetBar(20);
    host.StatusSetText("Export Meshes");
    meshCounter = 0;
    externalMeshes_.Clear();
    WriteMeshElements(document->GetFirstObject(), scene, false);

    host.StatusSetBar(65);
    host.StatusSetText("Export Materials");
    materials_.WriteDefaultMaterials(scene);
    const std::vector<HostTag*> helperTags = CollectHelperTags(*document);
    const HelperTagIndex tagIndex(helperTags, document);
    std::unordered_set<const HostTag*> exportedTags;
    bool filesWritten = meshesWritten;
    for (HostTag* tag : helperTags) {
        if (!exportedTags.contains(tag)) {
            filesWritten = materials_.ExportHelperMaterial(tagIndex, exportedTags, tag, scene, false) && filesWritten;
        }
    }

    host.StatusSetBar(80);
    host.StatusSetText("Export Models, Meshlights");
    meshCounter = 0;
    CountMeshNumbers();
    filesWritten = WriteModels(document->GetFirstObject(), scene, false, nullptr) && filesWritten;

    host.StatusSetBar(100);
    host.StatusSetText("Finishing...");
    sceneStream_ = nullptr;
    // The frame's mesh files take their places, safe on the disk, before the scene that names
    // them does.
    std::vector<HostFilename> unplaced;
    if (!host.CommitFiles(unplaced)) filesWritten = false;
    for (const HostFilename& file : unplaced) ReportUnwritableMesh(file);
    bool saved = false;
    if (filesWritten) {
        saved = stream.Finish();
    } else {
        stream.Discard();
    }
    sceneDocument.Clear();

    const int64_t elapsed = host.GetTimer() - start;
    if (saved) {
        host.Print("* Scene Exported to: " + path.GetString());
    } else if (!filesWritten) {
        host.Print("* Error: the scene file was not written, because not every file of the frame could be written: " +
                   path.GetString());
    } else {
        host.Print("* Error: the scene file could not be written: " + path.GetString());
    }
    host.Print("Export Time: " + FormatSeconds(static_cast<float>(elapsed) / 1000.0f / 60.0f) + "m");
    host.Print("--------------------");
    return saved ? 1 : 0;
}
