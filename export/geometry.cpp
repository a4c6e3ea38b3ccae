// The geometry walks: mesh files, "mesh" elements, and the models, planes, spheres, exit
// portals and mesh lights, with instances repeating their sources.
#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/format.h"
#include "core/ids.h"
#include "core/scene_walk.h"
#include "export/export_xml.h"
#include "export/mesh_file_pool.h"
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

// The object a repeating object repeats; null when its link is empty or names no object.
HostObject* RepeatedSource(const HostObject& object, HostDocument* document) {
    const int32_t link =
        object.GetType() == host_type::kInstance ? host_param::kInstanceLink : instance_param::kLink;
    HostNode* node = object.Data().GetLink(link, document);
    return node && node->Kind() == NodeKind::kObject ? static_cast<HostObject*>(node) : nullptr;
}

}  // namespace

HostFilename ExportXML::MeshDirectoryName() const { return HostFilename("models." + sceneBaseName.Str()); }

HostString ExportXML::MeshName(const HostObject& object, int32_t meshNumber) const {
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
    // Past its last frame an object keeps the mesh of that frame: an earlier frame of the
    // export wrote it, or the first frame writes it under that name.
    return withFrame(std::min(currentFrame, animation->last));
}

void ExportXML::CollectRepeatedObjects() {
    repeatedObjects_.clear();
    std::unordered_set<const HostObject*> expanded[2];  // sources already walked, per `hidden`
    std::vector<std::pair<HostObject*, bool>> pending;
    if (HostObject* first = document->GetFirstObject()) pending.emplace_back(first, false);
    // The objects of the model walk, in any order: only instances at its top level repeat.
    while (!pending.empty()) {
        const auto [object, hidden] = pending.back();
        pending.pop_back();
        if (IsRenderVisible(*object, hidden) && RepeatsAnother(*object)) {
            HostObject* source = RepeatedSource(*object, document);
            if (source && expanded[hidden].insert(source).second) MarkRepeated(source, hidden);
        }
        if (HostObject* next = object->GetNext()) pending.emplace_back(next, hidden);
        if (HostObject* child = object->GetDown()) pending.emplace_back(child, ChildrenHidden(*object, hidden));
    }
}

void ExportXML::MarkRepeated(HostObject* source, bool hidden) {
    // The source alone, then every descendant, as the repetition walks them.
    std::vector<std::pair<HostObject*, bool>> pending{{source, hidden}};
    while (!pending.empty()) {
        const auto [object, objectHidden] = pending.back();
        pending.pop_back();
        if (IsRenderVisible(*object, objectHidden)) repeatedObjects_.insert(object);
        if (object != source) {
            if (HostObject* next = object->GetNext()) pending.emplace_back(next, objectHidden);
        }
        if (HostObject* child = object->GetDown()) pending.emplace_back(child, ChildrenHidden(*object, objectHidden));
    }
}

bool ExportXML::WritesMeshOf(const HostObject& object, bool hidden) const {
    return IsRenderVisible(object, hidden) || repeatedObjects_.contains(&object);
}

bool ExportXML::WriteMeshFiles(HostObject* first, bool hidden) {
    // The files are written by the pool while the walk goes on; its lines come in walk order.
    // They take their places together, before the scene file (ExportScene commits them).
    MeshFilePool pool(TheHost().GetCpuCount(), FileMode::kWriteBatch);
    const HostFilename directory = sceneDirectory + MeshDirectoryName();
    std::vector<std::pair<HostObject*, bool>> pending;
    if (first) pending.emplace_back(first, hidden);
    // Depth-first pre-order without recursion: an object, its children, then its next sibling.
    while (!pending.empty()) {
        const auto [object, objectHidden] = pending.back();
        pending.pop_back();
        if (IsPolygonObject(*object) && WritesMeshOf(*object, objectHidden)) {
            const auto animation = shareStaticMeshes ? Animation(*object) : std::nullopt;
            const bool animatedNow =
                animation && animation->first <= currentFrame && currentFrame <= animation->last;
            if ((!staticMeshesWritten || animatedNow) && !skipMeshFiles && object->GetPolygonCount() > 0) {
                const HostFilename file(MeshName(*object, meshCounter).Str() + ".obj");
                pool.WriteMesh(document, directory, file, object, mergeDuplicates);
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        if (HostObject* next = object->GetNext()) pending.emplace_back(next, objectHidden);
        if (HostObject* child = object->GetDown()) pending.emplace_back(child, ChildrenHidden(*object, objectHidden));
    }
    return pool.Finish();
}

void ExportXML::WriteMeshElements(HostObject* first, TiXmlElement& parent, bool hidden) {
    for (HostObject* object = first; object; object = object->GetNext()) {
        if (WritesMeshOf(*object, hidden)) {
            if (HasExternalMesh(*object)) {
                const auto file = object->Data().Get<HostFilename>(instance_param::kExternalMesh);
                if (!file.IsEmpty() && !externalMeshes_.Find(file)) WriteExternalMeshElement(object, parent);
            }
            if (IsPolygonObject(*object) && object->GetPolygonCount() > 0) {
                WriteMeshElement(object, meshCounter, parent);
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        FlushSceneElements();
        if (HostObject* child = object->GetDown()) WriteMeshElements(child, parent, ChildrenHidden(*object, hidden));
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

bool ExportXML::WriteModels(HostObject* first, TiXmlElement& parent, bool hidden, HostObject* instanceSource) {
    bool written = true;
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
                        written = WriteMeshLight(object, meshCounter, parent) && written;
                    } else {
                        WriteModel(object, meshCounter, parent);
                    }
                }
            } else if (!instanceSource) {
                written = RepeatSource(object, parent, hidden) && written;
            }
        }
        if (IsPolygonObject(*object)) ++meshCounter;
        FlushSceneElements();
        if (HostObject* child = object->GetDown()) {
            written = WriteModels(child, parent, ChildrenHidden(*object, hidden), instanceSource) && written;
        }
        if (object == instanceSource) break;
    }
    return written;
}

bool ExportXML::RepeatSource(HostObject* instance, TiXmlElement& parent, bool hidden) {
    HostObject* source = RepeatedSource(*instance, document);
    if (!source) {
        TheHost().Print("* Skipped instance \"" + instance->GetName() + "\": it repeats no object.");
        return true;
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
    const bool written = WriteModels(source, parent, hidden, source);
    source->SetMl(savedLocal);
    source->SetRelScale(savedScale);
    meshCounter = savedCounter;
    return written;
}
