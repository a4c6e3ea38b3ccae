// The material library (".ovm"): one material helper tag's material with what it depends on
// (blend components, media), beside the null material.
#include "core/ids.h"
#include "core/scene_walk.h"
#include "core/xml.h"
#include "export/export_xml.h"

std::vector<HostTag*> ExportXML::CollectHelperTags(HostDocument& doc) {
    std::vector<HostObject*> visible;
    CollectRenderVisible(visible, doc.GetFirstObject(), false);
    std::vector<HostTag*> helperTags;
    for (HostObject* object : visible) {
        for (HostTag* tag = object->GetFirstTag(); tag; tag = tag->GetNext()) {
            if (tag->GetType() == plugin_id::kMaterialHelper) helperTags.push_back(tag);
        }
    }
    return helperTags;
}

bool ExportXML::WriteMaterialLibrary(const MaterialLibraryRecord& record) {
    if (!record.document || !record.tag) return false;
    Host& host = TheHost();
    document = record.document;
    sceneDirectory = record.file.GetDirectory();
    sceneBaseName = record.file.GetFile();
    sceneBaseName.ClearSuffix();
    networkRender = record.copyTextures;
    clayMode = false;
    host.Print("* Exporting OVM...");

    TiXmlDocument library;
    AppendFileHeader(library);
    TiXmlElement& root = *AppendElement(library, "scenedata");
    WriteNullMaterial(root);

    host.StatusSetText("Export Materials");
    const std::vector<HostTag*> helperTags = CollectHelperTags(*document);
    std::unordered_set<const HostTag*> exportedTags;
    ExportHelperMaterial(document, helperTags, exportedTags, record.tag, root, record.preview);

    HostFilename fileName = record.file.GetFile();
    fileName.SetSuffix("ovm");
    const HostFilename path = sceneDirectory + fileName;
    const bool saved = SaveXml(library, path);
    if (!saved) host.Print("* Error: the material library could not be written: " + path.GetString());
    document = nullptr;
    return saved;
}
