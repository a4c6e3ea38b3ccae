#include "export/export_xml.h"

#include <algorithm>

#include "core/format.h"
#include "core/ids.h"
#include "core/scene_walk.h"
#include "core/xml.h"

HostFilename FrameFileName(const HostFilename& baseName, int32_t frame, const char* suffix) {
    // The suffix is appended, not set: a base name with a dot of its own ("my.scene") keeps
    // every character, so the frames of such a scene do not overwrite each other.
    return HostFilename(baseName.Str() + "_frame" + FormatInt(frame).Str() + "." + suffix);
}

int32_t ExportXML::Configure(HostDocument* doc, const HostFilename& sceneFile, bool alpha, bool skipMeshes,
                             bool network, bool clay, bool merge, bool shareStatic) {
    foregroundAlpha = alpha;
    skipMeshFiles = skipMeshes;
    networkRender = network;
    clayMode = clay;
    mergeDuplicates = merge;
    shareStaticMeshes = shareStatic;
    staticMeshesWritten = false;
    sceneDirectory = sceneFile.GetDirectory();
    sceneBaseName = sceneFile.GetFile();
    sceneBaseName.ClearSuffix();
    document = doc;
    return 1;
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
    if (document) WriteMeshFiles(document->GetFirstObject(), false);
    if (shareStaticMeshes && !staticMeshesWritten) staticMeshesWritten = true;
    frameSceneFile = FrameFileName(sceneBaseName, currentFrame, "ovs");
    return ExportScene();
}

int32_t ExportXML::ExportScene() {
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

    host.StatusSetText("Export Render Settings");
    CollectRenderVisible(visible, document->GetFirstObject(), false);
    TiXmlElement& rendererSettings = *AppendElement(scene, "renderer_settings");
    AppendKey(rendererSettings, "render_foreground_alpha", foregroundAlpha ? "true" : "false");

    HostObject* settingsObject = nullptr;
    for (HostObject* object : visible) {
        if (object->GetType() == plugin_id::kRenderSettings) {
            settingsObject = object;
            break;
        }
    }
    if (settingsObject) {
        const ParamContainer settings = settingsObject->GetData();
        sceneScale = settings.Get<float>(1340, 0.0f);
        WriteRendererSettings(document, rendererSettings, settings);
        WriteEnvironment(document, &settings, scene);
    } else {
        WriteEnvironment(document, nullptr, scene);
    }

    WriteCamera(document, scene, rendererSettings);
    WriteToneMapping(document, scene);
    host.Print("-Exported Render Settings, Camera, Lightning, Tonemapping");

    host.StatusSetBar(20);
    host.StatusSetText("Export Meshes");
    meshCounter = 0;
    std::vector<HostObject*> externalFiles;
    WriteMeshElements(document->GetFirstObject(), scene, false, externalFiles);

    host.StatusSetBar(65);
    host.StatusSetText("Export Materials");
    WriteDefaultMaterials(scene, clayMode);
    visible.clear();
    CollectRenderVisible(visible, document->GetFirstObject(), false);
    std::vector<HostTag*> helperTags;
    for (HostObject* object : visible) {
        for (HostTag* tag = object->GetFirstTag(); tag; tag = tag->GetNext()) {
            if (tag->GetType() == plugin_id::kMaterialHelper) helperTags.push_back(tag);
        }
    }
    std::unordered_set<const HostTag*> exportedTags;
    for (HostTag* tag : helperTags) {
        if (!exportedTags.contains(tag)) ExportHelperMaterial(document, helperTags, exportedTags, tag, scene, false);
    }

    host.StatusSetBar(80);
    host.StatusSetText("Export Models, Meshlights");
    meshCounter = 0;
    CountMeshNumbers();
    WriteModels(document->GetFirstObject(), scene, false, nullptr);

    host.StatusSetBar(100);
    host.StatusSetText("Finishing...");
    const HostFilename path = sceneDirectory + frameSceneFile;
    const bool saved = SaveXml(sceneDocument, path);
    sceneDocument.Clear();

    const int64_t elapsed = host.GetTimer() - start;
    if (saved) {
        host.Print("* Scene Exported to: " + path.GetString());
    } else {
        host.Print("* Error: the scene file could not be written: " + path.GetString());
    }
    host.Print("Export Time: " + FormatSeconds(static_cast<float>(elapsed) / 1000.0f / 60.0f) + "m");
    host.Print("--------------------");
    return saved ? 1 : 0;
}
