// The geometry elements: "mesh", "model", "exit_portal", "plane" and "sphere".
#include "core/format.h"
#include "core/xml.h"
#include "export/export_xml.h"
#include "export/scene_text.h"
#include "mesh/texture_tag.h"

namespace {

constexpr int32_t kExternalMesh = 10002;
constexpr int32_t kExternalSmoothing = 10005;

const char* Bool(bool value) { return value ? "true" : "false"; }

// The material name of an object's geometry: its texture tag's material, or "defaultMat".
HostString ObjectMaterialName(const HostObject& object, const HostDocument* document) {
    return TextureTagMaterialName(FindTextureTag(&object, document, nullptr));
}

TiXmlElement& AppendMeshElement(TiXmlElement& parent, const HostString& comment, const HostString& name,
                                bool smoothing, const HostString& path) {
    TiXmlElement& mesh = *AppendElement(parent, "mesh");
    AppendObjectComment(mesh, comment);
    AppendKey(mesh, "name", name);
    AppendKey(mesh, "normal_smoothing", Bool(smoothing));
    AppendKey(*AppendElement(mesh, "external"), "path", path);
    return mesh;
}

}  // namespace

int32_t ExportXML::WriteMeshElement(HostObject* object, int32_t meshNumber, TiXmlElement& parent) {
    const HostString name = MeshName(*object, meshNumber, false);
    AppendMeshElement(parent, object->GetName(), name, object->GetTag(host_type::kSmoothingTag) != nullptr,
                      MeshDirectoryName().Str() + "\\" + name.Str() + ".obj");
    return 1;
}

int32_t ExportXML::WriteExternalMeshElement(HostObject* instance, TiXmlElement& parent) {
    const auto file = instance->Data().Get<HostFilename>(kExternalMesh);
    AppendMeshElement(parent, "external mesh", file.GetFile().GetString(),
                      instance->Data().Get<bool>(kExternalSmoothing, false), file.GetString());
    return 1;
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

int32_t ExportXML::WriteModel(HostObject* object, int32_t meshNumber, TiXmlElement& parent) {
    TiXmlElement& model = *AppendElement(parent, "model");
    AppendObjectComment(model, object->GetName());
    AppendPlacement(model, *object, sceneScale, MeshName(*object, meshNumber, false));
    return 1;
}

int32_t ExportXML::WriteExitPortal(HostObject* object, int32_t meshNumber, TiXmlElement& parent) {
    TiXmlElement& portal = *AppendElement(parent, "exit_portal");
    AppendObjectComment(portal, object->GetName());
    AppendPlacement(portal, *object, sceneScale, MeshName(*object, meshNumber, false));
    return 1;
}

int32_t ExportXML::WriteExternalModel(HostObject* instance, TiXmlElement& parent) {
    TiXmlElement& model = *AppendElement(parent, "model");
    AppendObjectComment(model, "external mesh");
    AppendPlacement(model, *instance, sceneScale,
                    instance->Data().Get<HostFilename>(kExternalMesh).GetFile().GetString());
    return 1;
}

int32_t ExportXML::WritePlane(HostObject* object, TiXmlElement& parent) {
    TiXmlElement& plane = *AppendElement(parent, "plane");
    AppendObjectComment(plane, object->GetName());
    AppendKey(plane, "normal", "0 0 1");
    AppendKey(plane, "dist", FormatReal(sceneScale * object->GetMg().off.y, 8));
    AppendKey(plane, "material_name", ObjectMaterialName(*object, document));
    return 1;
}

int32_t ExportXML::WriteSphere(HostObject* object, const ParamContainer& objectParameters, TiXmlElement& parent) {
    TiXmlElement& sphere = *AppendElement(parent, "sphere");
    AppendObjectComment(sphere, object->GetName());
    AppendKey(sphere, "center", FormatScenePosition(object->GetMg().off, sceneScale, 8));
    AppendKey(sphere, "radius", FormatReal(objectParameters.Get<float>(host_param::kSphereRadius, 1.0f) * sceneScale, 8));
    AppendKey(sphere, "material_name", ObjectMaterialName(*object, document));
    return 1;
}
