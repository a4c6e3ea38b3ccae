// The geometry walks: mesh files, "mesh" elements, and the models, planes, spheres, exit
// portals and mesh lights, with instances repeating their sources.
#include <algorithm>
#include <optional>

#include "core/format.h"
#include "core/ids.h"
#include "core/scene_walk.h"
#include "export/export_xml.h"
#include "mesh/obj_mesh_writer.h"
#include "tags/orvane_instance.h"

namespace {

bool IsPolygonObject(const HostObject& object) { return object.GetType() == host_type::kPolygonObject; }

struct AnimationRange {
    int32_t first = 0;
    int32_t last = 0;
};

// The object's animated frames; none when its tag's first frame is not below its last.
std::optional<AnimationRange> Animation(const HostObject& object) {
    const HostTag* tag = FindAnimationTag(object);
    if (!tag) return std::nullopt;
    AnimationRange range{tag->Data().Get<int32_t>(animation_param::kFirstFrame, 0),
                         tag->Data().Get<int32_t>(animation_param::kLastFrame, 0)};
    if (range.first >= range.last) return std::nullopt;
    return range;
}

bool HasExternalMesh(const HostObject& object) {
    return object.GetType() == plugin_id::kOrvaneInstance &&
           object.Data().Get<bool>(instance_param::kUseExternalMesh, false);
}

// Host instances and instance objects without an external mesh repeat another object.
bool RepeatsAnother(const HostObject& object) {
    if (object.GetType() == host_type::kInstance) return true;
    return object.GetType() == plugin_id::kOrvaneInstance && !HasExternalMesh(object);
}

}  // namespace

HostFilename ExportXML::MeshDirectoryName() const { return HostFilename("models." + sceneBaseName.Str()); }

HostString ExportXML::MeshName(const HostObject& object, int32_t meshNumber, bool forFile) const {
    std::string name = sceneBaseName.Str() + "-";
    textfmt::AppendInt(name, meshNumber);
    auto withFrame = [&name](int32_t frame) {
        std::string framed = name + "_frame";
        textfmt::AppendInt(framed, frame);
        return framed;
    };
    if (!shareStaticMeshes) return withFrame(currentFrame);
    const auto animation = Animation(object);
    if (!animation || currentFrame < animation->first) return name;
    if (currentFrame <= animation->last) return withFrame(currentFrame);
    // Past its last frame an object keeps the mesh of that frame, which an earlier frame wrote.
    return forFile ? name : withFrame(animation->last);
}

void ExportXML::WriteMeshFiles(HostObject* first, bool hidden) {
    for (HostObject* object = first; object; object = object->GetNext()) {
        if (IsRenderVisible(*object, hidden) && IsPolygonObject(*object)) {
            const auto animation = shareStaticMeshes ? Animation(*object) : std::nullopt;
            const bool animatedNow =
                animation && animation->first <= currentFrame && currentFrame <= animation->last;
            if ((!staticMeshesWritten || animatedNow) && !skipMeshFiles && object->GetPolygonCount() > 0) {
                const HostFilename file(MeshName(*object, meshCounter, true).Str() + ".obj");
                ObjMeshWriter().WriteMesh(document, sceneDirectory + MeshDirectoryName(), file, object,
                                          mergeDuplicates);
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        if (HostObject* child = object->GetDown()) WriteMeshFiles(child, ChildrenHidden(*object, hidden));
    }
}

void ExportXML::WriteMeshElements(HostObject* first, TiXmlElement& parent, bool hidden,
                                  std::vector<HostObject*>& externalFiles) {
    for (HostObject* object = first; object; object = object->GetNext()) {
        if (IsRenderVisible(*object, hidden)) {
            if (HasExternalMesh(*object)) {
                const auto file = object->Data().Get<HostFilename>(instance_param::kExternalMesh);
                const bool known = std::any_of(externalFiles.begin(), externalFiles.end(), [&](HostObject* other) {
                    return other->Data().Get<HostFilename>(instance_param::kExternalMesh) == file;
                });
                if (!file.IsEmpty() && !known) {
                    WriteExternalMeshElement(object, parent);
                    externalFiles.push_back(object);
                }
            }
            if (IsPolygonObject(*object) && object->GetPolygonCount() > 0) {
                WriteMeshElement(object, meshCounter, parent);
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        if (HostObject* child = object->GetDown()) {
            WriteMeshElements(child, parent, ChildrenHidden(*object, hidden), externalFiles);
        }
    }
}

void ExportXML::CountMeshNumbers() {
    meshNumbers_.clear();
    int32_t count = 0;
    std::vector<HostObject*> pending;
    if (HostObject* first = document->GetFirstObject()) pending.push_back(first);
    // Depth-first pre-order without recursion: an object, its children, then its next sibling.
    while (!pending.empty()) {
        HostObject* object = pending.back();
        pending.pop_back();
        meshNumbers_[object] = count;
        if (IsPolygonObject(*object)) ++count;
        if (HostObject* next = object->GetNext()) pending.push_back(next);
        if (HostObject* child = object->GetDown()) pending.push_back(child);
    }
}

void ExportXML::WriteModels(HostObject* first, TiXmlElement& parent, bool hidden, HostObject* instanceSource) {
    for (HostObject* object = first; object; object = object->GetNext()) {
        if (IsRenderVisible(*object, hidden)) {
            const int32_t type = object->GetType();
            if (type == host_type::kFloor) {
                WritePlane(object, parent);
            } else if (type == host_type::kSphere) {
                WriteSphere(object, parent);
            } else if (!RepeatsAnother(*object)) {
                if (HasExternalMesh(*object)) {
                    WriteExternalModel(object, parent);
                } else if (IsPolygonObject(*object) && object->GetPolygonCount() > 0) {
                    if (object->GetTag(plugin_id::kExitPortal)) {
                        WriteExitPortal(object, meshCounter, parent);
                    } else if (object->GetTag(plugin_id::kLightTag)) {
                        WriteMeshLight(object, meshCounter, parent);
                    } else {
                        WriteModel(object, meshCounter, parent);
                    }
                }
            } else if (!instanceSource) {
                RepeatSource(object, parent, hidden);
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        if (HostObject* child = object->GetDown()) {
            WriteModels(child, parent, ChildrenHidden(*object, hidden), instanceSource);
        }
        if (object == instanceSource) break;
    }
}

void ExportXML::RepeatSource(HostObject* instance, TiXmlElement& parent, bool hidden) {
    const int32_t link = instance->GetType() == host_type::kInstance ? host_param::kInstanceLink : instance_param::kLink;
    HostNode* node = instance->Data().GetLink(link, document);
    auto* source = node && node->Kind() == NodeKind::kObject ? static_cast<HostObject*>(node) : nullptr;
    if (!source) {
        TheHost().Print("* Skipped instance \"" + instance->GetName() + "\": it repeats no object.");
        return;
    }
    const int32_t savedCounter = meshCounter;
    if (meshNumbers_.empty()) CountMeshNumbers();
    auto number = meshNumbers_.find(source);
    meshCounter = number == meshNumbers_.end() ? 0 : number->second;
    // The source stands in the instance's place while it is written again, and goes back
    // exactly where it was afterwards.
    const Matrix savedLocal = source->GetMl();
    const Vector savedScale = source->GetRelScale();
    source->SetMg(instance->GetMg());
    WriteModels(source, parent, hidden, source);
    source->SetMl(savedLocal);
    source->SetRelScale(savedScale);
    meshCounter = savedCounter;
}
