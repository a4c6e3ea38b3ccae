// Documents of the headless host: the object tree, materials, the node index, evaluation of
// tracks and undo of modelling commands.
#include <algorithm>

#include "headless/scene/nodes.h"
#include "headless/scene/view.h"

namespace headless {

namespace {

// Every object of the subtree under (and including) root, in depth-first pre-order, without
// recursion.
template <class Fn>
void WalkSubtree(HlObject* root, Fn&& fn) {
    HostObject* node = root;
    while (node) {
        fn(*static_cast<HlObject*>(node));
        if (HostObject* down = node->GetDown()) {
            node = down;
            continue;
        }
        // Next sibling of the nearest node on the way back up that has one, within root.
        while (node && node != root && !node->GetNext()) node = node->GetUp();
        node = (!node || node == root) ? nullptr : node->GetNext();
    }
}

}  // namespace

HlDocument::HlDocument(const PluginRegistry* registry) : registry_(registry) {
    // The editor camera: a camera that is no part of the tree (focal length and aperture in mm).
    editorCamera_ = std::make_unique<HlObject>(host_type::kCamera, registry);
    editorCamera_->SetName("Editor Camera");
    editorCamera_->Data().Set(host_param::kCameraFocalLength, 36.0);
    editorCamera_->Data().Set(host_param::kCameraApertureWidth, 36.0);
    editorCamera_->Data().Set(host_param::kCameraFocusDistance, 0.0);
    renderData_.Set<int32_t>(5007, 0);
    renderData_.Set<int32_t>(5008, 640);
    renderData_.Set<int32_t>(5009, 480);
    view_ = std::make_unique<HlView>(this);
}

HlDocument::~HlDocument() {
    // Nothing resolves while the nodes go, and the tree looks empty to anyone who asks.
    index_.clear();
    replaced_.clear();
    HlObject* object = first_;
    first_ = nullptr;
    while (object) {
        HlObject* next = object->next_;
        delete object;  // frees its subtree without recursion
        object = next;
    }
    undo_.clear();
    materials_.clear();
}

void HlDocument::InsertObject(std::unique_ptr<HostObject> object, HostObject* parent, HostObject* pred) {
    auto* hl = dynamic_cast<HlObject*>(object.get());
    if (!hl) return;  // not an object of this host
    object.release();
    hl->LinkUnder(dynamic_cast<HlObject*>(parent), dynamic_cast<HlObject*>(pred), this);
}

HostObject* HlDocument::SearchObject(const HostString& name) const {
    HostObject* found = nullptr;
    for (HlObject* top = first_; top && !found; top = top->next_) {
        WalkSubtree(top, [&](HlObject& object) {
            if (!found && object.GetName() == name) found = &object;
        });
    }
    return found;
}

HostMaterial* HlDocument::GetFirstMaterial() const {
    return materials_.empty() ? nullptr : materials_.front().get();
}

void HlDocument::InsertMaterial(std::unique_ptr<HostMaterial> material, HostMaterial* pred) {
    auto* hl = dynamic_cast<HlMaterial*>(material.get());
    if (!hl) return;
    material.release();
    std::unique_ptr<HlMaterial> owned(hl);
    auto where = materials_.end();
    if (pred) {
        auto it = std::find_if(materials_.begin(), materials_.end(),
                               [&](const std::unique_ptr<HlMaterial>& m) { return m.get() == pred; });
        if (it != materials_.end()) where = it + 1;
    }
    hl->SetDocument(this);
    IndexNode(hl->Id(), hl);
    materials_.insert(where, std::move(owned));
}

void HlDocument::RemoveMaterial(HlMaterial* material, std::unique_ptr<HlMaterial>& out) {
    auto it = std::find_if(materials_.begin(), materials_.end(),
                           [&](const std::unique_ptr<HlMaterial>& m) { return m.get() == material; });
    if (it == materials_.end()) return;
    out = std::move(*it);
    materials_.erase(it);
    UnindexNode(out->Id());
    out->SetDocument(nullptr);
}

HostMaterial* HlDocument::SearchMaterial(const HostString& name) const {
    for (const auto& material : materials_) {
        if (material->GetName() == name) return material.get();
    }
    return nullptr;
}

HostNode* HlDocument::Resolve(HostLink link) const {
    if (link.IsEmpty()) return nullptr;
    auto it = index_.find(link.id);
    return it == index_.end() ? nullptr : it->second;
}

bool HlDocument::InDocument(const HostNode* node, uint64_t id) const {
    auto it = index_.find(id);
    return it != index_.end() && it->second == node;
}

void HlDocument::ExecutePasses(void* /*thread*/, bool /*animation*/, bool /*expressions*/, bool /*caches*/) {
    const double frame = time_ * fps_;
    ForEachObject([&](HlObject& object) {
        const Tracks& tracks = object.GetTracks();
        if (tracks.Empty()) return;
        Vector position = EvaluateTrack(tracks.position, frame).value_or(object.GetRelPos());
        Vector rotation = EvaluateTrack(tracks.rotation, frame).value_or(object.GetRelRot());
        Vector scale = EvaluateTrack(tracks.scale, frame).value_or(object.GetRelScale());
        object.SetPRS(position, rotation, scale);
    });
}

// ---------------------------------------------------------------------------------------------
// Undo

void HlDocument::StartUndo() {
    if (undoOpen_++ == 0) undo_.emplace_back();
}

void HlDocument::EndUndo() {
    if (undoOpen_ > 0) --undoOpen_;
}

bool HlDocument::DoUndo() {
    if (undoOpen_ > 0 || undo_.empty()) return false;
    UndoGroup group = std::move(undo_.back());
    undo_.pop_back();
    for (auto it = group.entries.rbegin(); it != group.entries.rend(); ++it) {
        HlObject* replacement = it->replacement;
        std::unique_ptr<HlObject> original = std::move(it->original);
        replaced_.erase(original.get());
        // A replacement that has left the document since marks no place to go back to.
        if (!replacement || !InDocument(replacement, replacement->Id())) continue;
        HlObject* parent = replacement->parent_;
        HlObject* pred = replacement->pred_;
        // The tags and children that the replacement took over go back to the original.
        if (original->tags_.empty() && !original->down_) replacement->MoveContentsTo(*original);
        Unlink(replacement);
        delete replacement;
        HlObject* back = original.release();
        if (pred) back->LinkUnder(nullptr, pred, this);
        else back->LinkUnder(parent, nullptr, this);
    }
    return true;
}

void HlDocument::RecordReplacement(std::unique_ptr<HlObject> original, HlObject* replacement) {
    if (!original) return;
    const HostObject* key = original.get();
    replaced_[key] = Replaced{replacement, replacement ? replacement->Id() : 0};
    if (undoOpen_ > 0 && !undo_.empty()) {
        undo_.back().entries.push_back(UndoEntry{std::move(original), replacement});
    }
    // Outside a group nothing can bring the original back: it is freed now, and only its
    // address is kept so that a replacement record can still ask what stands in its place.
}

HostObject* HlDocument::ReplacementOf(const HostObject* original) const {
    if (!original) return nullptr;
    // Follow the chain of replacements by address (the original may be freed: replaced
    // outside a group); a replacement counts only while it is in the document.
    const HostObject* current = original;
    const Replaced* last = nullptr;
    for (size_t steps = 0; steps <= replaced_.size(); ++steps) {
        auto it = replaced_.find(current);
        if (it == replaced_.end()) break;
        last = &it->second;
        current = last->replacement;
    }
    if (last) {
        return last->replacement && InDocument(last->replacement, last->replacementId) ? last->replacement : nullptr;
    }
    return InDocument(original, original->GetLink().id) ? const_cast<HostObject*>(original) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Views and cameras

HostView* HlDocument::GetActiveView() { return view_.get(); }

HostObject* HlDocument::SceneCamera() const {
    HostNode* node = Resolve(sceneCamera_);
    if (!node || node->Kind() != NodeKind::kObject) return nullptr;
    return static_cast<HostObject*>(node);
}

// ---------------------------------------------------------------------------------------------
// Index and tree

void HlDocument::IndexSubtree(HlObject* object) {
    if (!object) return;
    WalkSubtree(object, [&](HlObject& o) {
        IndexNode(o.Id(), &o);
        for (const auto& tag : o.Tags()) IndexNode(tag->Id(), tag.get());
        // An object now at an address that a freed, replaced original had is not that one.
        if (!replaced_.empty()) replaced_.erase(&o);
    });
}

void HlDocument::UnindexSubtree(HlObject* object) {
    if (!object) return;
    WalkSubtree(object, [&](HlObject& o) {
        UnindexNode(o.Id());
        for (const auto& tag : o.Tags()) UnindexNode(tag->Id());
    });
}

void HlDocument::Unlink(HlObject* object) {
    if (!object || object->document_ != this) return;
    UnindexSubtree(object);
    object->DetachPointers();
    object->SetDocumentRecursive(nullptr);
}

void HlDocument::ForEachObject(const std::function<void(HlObject&)>& fn) const {
    for (HlObject* top = first_; top;) {
        HlObject* next = top->next_;  // read first: fn may not unlink, but stays cheap either way
        WalkSubtree(top, fn);
        top = next;
    }
}

}  // namespace headless
