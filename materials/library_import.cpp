// The "Import .ovm" command and the import of a library's materials, with blend components.
#include "materials/library_import.h"

#include "core/ids.h"
#include "core/xml_guard.h"
#include "materials/library_values.h"
#include "tags/material_helper.h"

namespace {

using namespace helper_param;

void Refuse(const HostFilename& file, const std::string& why) {
    TheHost().Print(HostString(kLibraryNotImported) + file.GetString() + ": " + why);
}

// The root element of the library, or null after a console line that says why there is none.
const TiXmlElement* LibraryRoot(const TiXmlDocument& xml, const HostFilename& file) {
    if (xml.Error()) {
        Refuse(file, "line " + std::to_string(xml.ErrorRow()) + ": " + xml.ErrorDesc());
        return nullptr;
    }
    const TiXmlElement* root = xml.RootElement();
    if (!root || root->ValueStr() != "scenedata") {
        Refuse(file, "the root element is not <scenedata>");
        return nullptr;
    }
    size_t materials = 0;
    for (const TiXmlElement* m = root->FirstChildElement("material"); m; m = m->NextSiblingElement("material")) {
        if (++materials > kMaxLibraryMaterials) {
            Refuse(file, "more than " + std::to_string(kMaxLibraryMaterials) + " materials");
            return nullptr;
        }
    }
    return root;
}

// The null object "Imported Materials" of the document; a new one at the top of the document
// when there is none (or the object of that name is not a null).
HostObject* ImportHolder(HostDocument& document) {
    HostObject* found = document.SearchObject(kImportHolderName);
    if (found && found->GetType() == host_type::kNull) return found;
    std::unique_ptr<HostObject> holder = TheHost().AllocObject(host_type::kNull);
    if (!holder) return nullptr;
    holder->SetName(kImportHolderName);
    HostObject* made = holder.get();
    document.InsertObject(std::move(holder), nullptr, nullptr);
    return made;
}

}  // namespace

bool ImportMaterialLibraryFile(HostDocument& document, const HostFilename& file) {
    std::string text;
    const std::unique_ptr<HostFile> in = TheHost().OpenFile(file, FileMode::kRead);
    if (!in || !in->ReadAll(text)) {
        Refuse(file, "the file cannot be read");
        return false;
    }
    return ImportMaterialLibrary(document, file, text);
}

bool ImportMaterialLibrary(HostDocument& document, const HostFilename& file, const std::string& text) {
    // A library in Latin-1 or windows-1252, as its declaration says, is read as UTF-8.
    const GuardedXmlText guarded = GuardXmlText(text);
    if (guarded.problem) {
        Refuse(file, *guarded.problem);
        return false;
    }
    TiXmlDocument xml;
    xml.Parse(guarded.text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = LibraryRoot(xml, file);
    if (!root) return false;
    HostObject* holder = ImportHolder(document);
    if (!holder) return false;
    LibraryImport(document, file, *holder, *root).ImportAll();
    TheHost().EventAdd();
    TheHost().DrawViews();
    return true;
}

// --- one run ---------------------------------------------------------------------------------

const LibraryImport::TypeEntry LibraryImport::kTypes[] = {
    {"specular", &LibraryImport::ReadSpecular},
    {"glossy_transparent", &LibraryImport::ReadGlossyTransparent},
    {"diffuse", &LibraryImport::ReadDiffuse},
    {"diffuse_transmitter", &LibraryImport::ReadDiffuseTransmitter},
    {"oren_nayar", &LibraryImport::ReadOrenNayar},
    {"phong", &LibraryImport::ReadPhong},
    {"null_material", nullptr},
    {"blend", &LibraryImport::ReadBlend},
};

LibraryImport::LibraryImport(HostDocument& document, const HostFilename& file, HostObject& holder,
                             const TiXmlElement& root)
    : document_(document), file_(file), holder_(holder), root_(root) {
    for (const TiXmlElement* m = root.FirstChildElement("material"); m; m = m->NextSiblingElement("material")) {
        if (std::optional<HostString> name = ChildText(m, "name")) materialsByName_[name->Str()].push_back(m);
    }
    for (const TiXmlElement* m = root.FirstChildElement("medium"); m; m = m->NextSiblingElement("medium")) {
        if (std::optional<HostString> name = ChildText(m, "name")) mediaByName_.emplace(name->Str(), m);
    }
}

void LibraryImport::ImportAll() {
    for (const TiXmlElement* m = root_.FirstChildElement("material"); m; m = m->NextSiblingElement("material")) {
        ImportMaterialElement(*m);
    }
}

bool LibraryImport::ImportMaterialElement(const TiXmlElement& element) {
    const std::optional<Created> created = CreateMaterialNodes();
    if (!created) return true;
    const std::optional<HostString> name = ChildText(&element, "name");
    if (name) {
        created->material->SetName(*name);
        created->null->SetName(*name);
    }
    const HostString libraryName = name.value_or(HostString());
    for (const TypeEntry& type : kTypes) {
        const TiXmlElement* typeElement = element.FirstChildElement(type.element);
        if (!typeElement) continue;
        if (!type.read || FindImportedMaterial(libraryName)) {
            Discard(*created);
            return true;
        }
        pending_.push_back({libraryName, created->material, created->null});
        (this->*type.read)(created->helper->Data(), *typeElement, *created->material);
        pending_.pop_back();
        imported_.push_back(created->material);
        importedByName_.emplace(libraryName.Str(), created->material);
        return true;
    }
    return true;  // no type element: the helper tag keeps its defaults
}

HostMaterial* LibraryImport::FindImportedMaterial(const HostString& name) const {
    const auto found = importedByName_.find(name.Str());
    return found == importedByName_.end() ? nullptr : found->second;
}

std::optional<LibraryImport::Created> LibraryImport::CreateMaterialNodes() {
    Host& host = TheHost();
    std::unique_ptr<HostObject> null = host.AllocObject(host_type::kNull);
    std::unique_ptr<HostMaterial> material = host.AllocMaterial(host_type::kStandardMaterial);
    if (!null || !material) return std::nullopt;
    Created created{null.get(), material.get(), nullptr};
    document_.InsertObject(std::move(null), &holder_, LastHeldObject());
    document_.InsertMaterial(std::move(material));
    created.helper = created.null->MakeTag(plugin_id::kMaterialHelper);
    HostTag* texture = created.helper ? created.null->MakeTag(host_type::kTextureTag, created.helper) : nullptr;
    if (!texture) {
        Discard(created);
        return std::nullopt;
    }
    texture->SetMaterial(created.material);
    created.helper->Data().Set<HostLink>(kMaterial, created.material->GetLink());
    return created;
}

HostObject* LibraryImport::LastHeldObject() const {
    HostObject* last = holder_.GetDown();
    while (last && last->GetNext()) last = last->GetNext();
    return last;
}

void LibraryImport::Discard(const Created& created) {
    created.null->Remove();
    created.material->Remove();
}

void LibraryImport::Print(const HostString& line) const { TheHost().Print(line); }

// --- blends ----------------------------------------------------------------------------------

void LibraryImport::ReadBlend(ParamContainer& data, const TiXmlElement& type, HostMaterial& material) {
    data.Set<int32_t>(kType, material_type::kBlend);
    LinkComponent(data, type, "a_name", kBlendA);
    LinkComponent(data, type, "b_name", kBlendB);
    ReadReal(data, kBlendFactor, &type, "blend_factor");
    ReadBlendMap(data, type, material);
}

void LibraryImport::LinkComponent(ParamContainer& data, const TiXmlElement& blend, const char* key, int32_t link) {
    const std::optional<HostString> name = ChildText(&blend, key);
    if (!name) return;
    if (HostMaterial* component = ImportComponent(*name)) data.Set<HostLink>(link, component->GetLink());
}

// The material a blend names: imported before, or now from the first library element of
// that name that imports.  A name that leads back to a material still being read (a blend
// that contains itself, directly or through other blends) gives that material.
HostMaterial* LibraryImport::ImportComponent(const HostString& name) {
    if (HostMaterial* imported = FindImportedMaterial(name)) return imported;
    if (HostMaterial* pending = FindPending(name)) return pending;
    const auto candidates = materialsByName_.find(name.Str());
    if (candidates == materialsByName_.end()) return nullptr;
    if (pending_.size() >= kMaxBlendNesting) {
        Print(HostString("Blend components nested deeper than ") + HostString::FromInt(kMaxBlendNesting) + " levels in " +
              file_.GetString() + "; \"" + name + "\" is not linked");
        return nullptr;
    }
    for (const TiXmlElement* element : candidates->second) {
        if (FindImportedMaterial(name)) break;
        ImportMaterialElement(*element);
    }
    return FindImportedMaterial(name);
}

HostMaterial* LibraryImport::FindPending(const HostString& name) const {
    for (const Pending& pending : pending_) {
        if (pending.name == name) return pending.material;
    }
    return nullptr;
}
