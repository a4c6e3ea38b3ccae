// The geometry elements: "mesh", "model", "exit_portal", "plane" and "sphere".
#include <string>

#include "core/format.h"
#include "core/xml.h"
#include "export/export_xml.h"
#include "export/scene_text.h"
#include "mesh/texture_tag.h"
#include "tags/orvane_instance.h"

namespace {

using instance_param::kExternalMesh;
using instance_param::kExternalSmoothing;

// The material name of an object's geometry: its texture tag's material, or "defaultMat".
HostString ObjectMaterialName(const HostObject& object, const HostDocument* document) {
    return TextureTagMaterialName(FindTextureTag(&object, document, nullptr));
}

TiXmlElement& AppendMeshElement(TiXmlElement& parent, const HostString& comment, const HostString& name,
                                bool smoothing, const HostString& path) {
    TiXmlElement& mesh = *AppendElement(parent, "mesh");
    AppendObjectComment(mesh, comment);
    AppendKey(mesh, "name", name);
    AppendKey(mesh, "normal_smoothing", BoolText(smoothing));
    AppendKey(*AppendElement(mesh, "external"), "path", path);
    return mesh;
}

}  // namespace

void ExternalMeshNames::Clear() {
    byFile_.clear();
    names_.clear();
}

const HostString* ExternalMeshNames::Find(const HostFilename& file) const {
    const auto found = byFile_.find(file.ComparisonKey());
    return found == byFile_.end() ? nullptr : &found->second;
}

const HostString& ExternalMeshNames::Add(const HostFilename& file) {
    const HostFilename part = file.GetFile();
    std::string name = part.Str();
    if (!names_.insert(HostFilename(name).ComparisonKey()).second) {
        // Another file took the name: number this one before its suffix ("x-2.obj").
        HostFilename stem = part;
        stem.ClearSuffix();
        const HostString suffix = part.GetSuffix();
        const std::string dotSuffix = suffix.IsEmpty() ? std::string() : "." + suffix.Str();
        for (int32_t number = 2;; ++number) {
            name = stem.Str() + "-";
            textfmt::AppendInt(name, number);
            name += dotSuffix;
            if (names_.insert(HostFilename(name).ComparisonKey()).second) break;
        }
    }
    return byFile_.emplace(file.ComparisonKey(), HostString(name)).first->second;
}

void ExportXML::WriteMeshElement(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const {
    const HostString name = MeshName(*object, meshNumber);
    AppendMeshElement(parent, object->GetName(), name, object->GetTag(host_type::kSmoothingTag) != nullptr,
                      MeshDirectoryName().Str() + "\\" + name.Str() + ".obj");
}

void ExportXML::WriteExternalMeshElement(HostObject* instance, TiXmlElement& parent) {
    const auto file = instance->Data().Get<HostFilename>(kExternalMesh);
    AppendMeshElement(parent, "external mesh", externalMeshes_.Add(file),
                      instance->Data().Get<bool>(kExternalSmoothing, false), file.GetString());
}

namespace {

// The keys that place a model, an exit portal or a mesh light.
void AppendPlacement(TiXmlElement& element, const HostObject& object, float sceneScale, const HostString& meshName) {
    AppendKey(element, "scale", FormatReal(sceneScale, 5));
    AppendKey(element, "pos", FormatScenePosition(object.GetMg().off, sceneScale, 8));
    AppendKey(*AppendElement(element, "rotation"), "matrix", FormatSceneRotation(object));
    AppendKey(element, "mesh_name", meshName);
}

}  // namespace

void ExportXML::WriteModel(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const {
    TiXmlElement& model = *AppendElement(parent, "model");
    AppendObjectComment(model, object->GetName());
    AppendPlacement(model, *object, sceneScale, MeshName(*object, meshNumber));
}

void ExportXML::WriteExitPortal(HostObject* object, int32_t meshNumber, TiXmlElement& parent) const {
    TiXmlElement& portal = *AppendElement(parent, "exit_portal");
    AppendObjectComment(portal, object->GetName());
    AppendPlacement(portal, *object, sceneScale, MeshName(*object, meshNumber));
}

void ExportXML::WriteExternalModel(HostObject* instance, TiXmlElement& parent) const {
    TiXmlElement& model = *AppendElement(parent, "model");
    AppendObjectComment(model, "external mesh");
    // The name of the element written for this file (or for a path the host finds equal).
    const auto file = instance->Data().Get<HostFilename>(kExternalMesh);
    const HostString* name = externalMeshes_.Find(file);
    AppendPlacement(model, *instance, sceneScale, name ? *name : file.GetFile().GetString());
}

void ExportXML::WritePlane(HostObject* object, TiXmlElement& parent) const {
    TiXmlElement& plane = *AppendElement(parent, "plane");
    AppendObjectComment(plane, object->GetName());
    AppendKey(plane, "normal", "0 0 1");
    AppendKey(plane, "dist", FormatReal(sceneScale * object->GetMg().off.y, 8));
    AppendKey(plane, "material_name", ObjectMaterialName(*object, document));
}

void ExportXML::WriteSphere(HostObject* object, TiXmlElement& parent) const {
    const ParamContainer& objectParameters = object->Data();
    TiXmlElement& sphere = *AppendElement(parent, "sphere");
    AppendObjectComment(sphere, object->GetName());
    AppendKey(sphere, "center", FormatScenePosition(object->GetMg().off, sceneScale, 8));
    AppendKey(sphere, "radius",
              FormatReal(objectParameters.Get<float>(host_param::kSphereRadius, 1.0f) * sceneScale, 8));
    AppendKey(sphere, "material_name", ObjectMaterialName(*object, document));
}
