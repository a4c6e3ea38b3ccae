#include "materials/library_export.h"

#include "core/xml.h"
#include "materials/material_writer.h"

bool WriteMaterialLibrary(const MaterialLibraryRecord& record) {
    if (!record.document || !record.tag) return false;
    Host& host = TheHost();
    MaterialTarget target;
    target.document = record.document;
    target.sceneDirectory = record.file.GetDirectory();
    target.sceneBaseName = record.file.GetFile();
    target.sceneBaseName.ClearSuffix();
    target.networkRender = record.copyTextures;
    MaterialWriter writer(target);
    host.Print("* Exporting OVM...");

    TiXmlDocument library;
    AppendFileHeader(library);
    TiXmlElement& root = *AppendElement(library, "scenedata");
    MaterialWriter::WriteNullMaterial(root);

    host.StatusSetText("Export Materials");
    const std::vector<HostTag*> helperTags = CollectHelperTags(*record.document);
    std::unordered_set<const HostTag*> exportedTags;
    writer.ExportHelperMaterial(HelperTagIndex(helperTags, record.document), exportedTags, record.tag, root,
                                record.preview);

    HostFilename fileName = record.file.GetFile();
    fileName.SetSuffix("ovm");
    const HostFilename path = target.sceneDirectory + fileName;
    const bool saved = SaveXml(library, path);
    if (!saved) host.Print("* Error: the material library could not be written: " + path.GetString());
    return saved;
}
