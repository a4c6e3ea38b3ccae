// Nodes of the headless host: tags, objects and materials.  Documents are in document.cpp,
// geometry (generators, bounds, corner normals, modelling) in geometry.cpp.
#include "headless/scene/nodes.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "headless/host/registry.h"

namespace headless {

uint64_t NewNodeId() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

namespace {

// The plug-in instance of a node of a registered type of the given kind (not initialised).
std::unique_ptr<NodeData> MakePlugin(const PluginRegistry* registry, int32_t type, PluginKind kind) {
    if (!registry) return nullptr;
    const PluginEntry* entry = registry->Find(type);
    if (!entry || entry->kind != kind) return nullptr;
    return registry->Allocate(type);
}

// Every object of the subtree under (and including) root, in depth-first pre-order.
std::vector<HlObject*> Subtree(HlObject* root) {
    std::vector<HlObject*> nodes;
    std::vector<HlObject*> stack{root};
    while (!stack.empty()) {
        HlObject* object = stack.back();
        stack.pop_back();
        nodes.push_back(object);
        // Children pushed last-first so that the first child is visited first.
        HostObject* last = object->GetDown();
        while (last && last->GetNext()) last = last->GetNext();
        for (HostObject* c = last; c; c = c->GetPred()) stack.push_back(static_cast<HlObject*>(c));
    }
    return nodes;
}

// a * b in double precision, rounded once.
Matrix MultiplyExact(const Matrix& a, const Matrix& b) {
    auto apply = [&](Vector p, bool withOffset) {
        double x = static_cast<double>(a.v1.x) * p.x + static_cast<double>(a.v2.x) * p.y +
                   static_cast<double>(a.v3.x) * p.z + (withOffset ? a.off.x : 0.0);
        double y = static_cast<double>(a.v1.y) * p.x + static_cast<double>(a.v2.y) * p.y +
                   static_cast<double>(a.v3.y) * p.z + (withOffset ? a.off.y : 0.0);
        double z = static_cast<double>(a.v1.z) * p.x + static_cast<double>(a.v2.z) * p.y +
                   static_cast<double>(a.v3.z) * p.z + (withOffset ? a.off.z : 0.0);
        return Vector{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    };
    return Matrix{apply(b.off, true), apply(b.v1, false), apply(b.v2, false), apply(b.v3, false)};
}

}  // namespace

// Exact-as-possible general inverse of a 3x4 matrix (in double precision); false when the
// matrix is singular.
bool InvertExact(const Matrix& m, Matrix& out) {
    // Columns: v1, v2, v3 (axes); rows r of the 3x3 part are (v1[r], v2[r], v3[r]).
    const double a = m.v1.x, b = m.v2.x, c = m.v3.x;
    const double d = m.v1.y, e = m.v2.y, f = m.v3.y;
    const double g = m.v1.z, h = m.v2.z, i = m.v3.z;
    const double A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const double det = a * A + b * B + c * C;
    if (det == 0 || !std::isfinite(det)) return false;
    const double D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
    const double G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
    // Inverse = adjugate / det; adjugate rows are (A, D, G), (B, E, H), (C, F, I).
    const double r[3][3] = {{A / det, D / det, G / det}, {B / det, E / det, H / det}, {C / det, F / det, I / det}};
    const double o[3] = {m.off.x, m.off.y, m.off.z};
    double t[3];
    for (int row = 0; row < 3; ++row) t[row] = -(r[row][0] * o[0] + r[row][1] * o[1] + r[row][2] * o[2]);
    auto f32 = [](double v) { return static_cast<float>(v); };
    out.v1 = {f32(r[0][0]), f32(r[1][0]), f32(r[2][0])};
    out.v2 = {f32(r[0][1]), f32(r[1][1]), f32(r[2][1])};
    out.v3 = {f32(r[0][2]), f32(r[1][2]), f32(r[2][2])};
    out.off = {f32(t[0]), f32(t[1]), f32(t[2])};
    return true;
}


// ---------------------------------------------------------------------------------------------
// HlTag

HlTag::HlTag(int32_t type, const PluginRegistry* registry, int32_t count)
    : type_(type), id_(NewNodeId()), registry_(registry) {
    if (type == host_type::kUvTag && count > 0) uvw_.resize(static_cast<size_t>(count));
    if (type == host_type::kNormalTag && count > 0) {
        // Four a polygon, counted in 64 bits: on a 32-bit system 4 * count may not fit a size_t,
        // and a wrapped size would make a tag of too few normals.
        const uint64_t normals = 4 * static_cast<uint64_t>(count);
        if (normals > normals_.max_size()) throw std::length_error("a normal tag of too many polygons");
        normals_.resize(static_cast<size_t>(normals));
    }
    // The node is whole before its plug-in instance initialises it.
    plugin_ = MakePlugin(registry, type, PluginKind::kTag);
    if (plugin_) plugin_->Init(this);
}

HlTag::~HlTag() {
    if (plugin_) plugin_->Free(this);
}

HostDocument* HlTag::GetDocument() const { return object_ ? object_->document_ : nullptr; }

bool HlTag::Message(int32_t type, void* data) { return plugin_ ? plugin_->Message(this, type, data) : true; }

HostObject* HlTag::GetObject() const { return object_; }

namespace {
// The position of a tag in its object's list, or -1.
ptrdiff_t TagPosition(const std::vector<std::unique_ptr<HlTag>>& tags, const HlTag* tag) {
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].get() == tag) return static_cast<ptrdiff_t>(i);
    }
    return -1;
}
}  // namespace

HostTag* HlTag::GetNext() const {
    if (!object_) return nullptr;
    ptrdiff_t i = TagPosition(object_->tags_, this);
    if (i < 0 || static_cast<size_t>(i) + 1 >= object_->tags_.size()) return nullptr;
    return object_->tags_[static_cast<size_t>(i) + 1].get();
}

HostTag* HlTag::GetPred() const {
    if (!object_) return nullptr;
    ptrdiff_t i = TagPosition(object_->tags_, this);
    if (i <= 0) return nullptr;
    return object_->tags_[static_cast<size_t>(i) - 1].get();
}

std::unique_ptr<HostTag> HlTag::Remove() {
    if (!object_) return nullptr;
    auto& tags = object_->tags_;
    ptrdiff_t i = TagPosition(tags, this);
    if (i < 0) return nullptr;
    std::unique_ptr<HlTag> self = std::move(tags[static_cast<size_t>(i)]);
    tags.erase(tags.begin() + i);
    if (object_->document_) object_->document_->UnindexNode(id_);
    object_ = nullptr;
    return self;
}

HostSelection* HlTag::GetSelection() {
    return type_ == host_type::kPolygonSelectionTag ? &selection_ : nullptr;
}

UvwCorners HlTag::GetUvw(int32_t polygon) const {
    if (polygon < 0 || static_cast<size_t>(polygon) >= uvw_.size()) return {};
    return uvw_[static_cast<size_t>(polygon)];
}

void HlTag::SetUvw(int32_t polygon, const UvwCorners& corners) {
    if (polygon < 0 || static_cast<size_t>(polygon) >= uvw_.size()) return;
    uvw_[static_cast<size_t>(polygon)] = corners;
}

HostMaterial* HlTag::GetMaterial() const {
    HostDocument* document = GetDocument();
    HostNode* node = data_.GetLink(host_param::kTextureMaterial, document);
    if (!node || node->Kind() != NodeKind::kMaterial) return nullptr;
    return static_cast<HostMaterial*>(node);
}

void HlTag::SetMaterial(HostMaterial* material) {
    data_.Set(host_param::kTextureMaterial, material ? material->GetLink() : HostLink{});
}

std::unique_ptr<HlTag> HlTag::Clone(bool keepIds) const {
    auto copy = std::make_unique<HlTag>(type_, registry_, 0);
    if (keepIds) copy->id_ = id_;
    copy->name_ = name_;
    copy->data_ = data_;  // over whatever the plug-in's initialisation wrote
    copy->selection_ = selection_;
    copy->uvw_ = uvw_;
    copy->normals_ = normals_;
    return copy;
}

// ---------------------------------------------------------------------------------------------
// HlObject

HlObject::HlObject(int32_t type, const PluginRegistry* registry)
    : type_(type), id_(NewNodeId()), registry_(registry) {
    plugin_ = MakePlugin(registry, type, PluginKind::kObject);
    if (plugin_) plugin_->Init(this);
}

HlObject::~HlObject() {
    if (plugin_) plugin_->Free(this);
    tags_.clear();  // while this object is whole: a tag's release may look at its object
    if (!down_) return;
    // The descendants, freed without recursion: every one after its descendants (reverse
    // pre-order), each with its own child chain already cut.
    HlObject* first = down_;
    down_ = nullptr;
    std::vector<HlObject*> nodes;
    for (HlObject* c = first; c; c = c->next_) {
        std::vector<HlObject*> sub = Subtree(c);
        nodes.insert(nodes.end(), sub.begin(), sub.end());
    }
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        (*it)->down_ = nullptr;
        delete *it;
    }
}

bool HlObject::IsInstanceOf(int32_t type) const {
    constexpr int32_t kBaseObject = 5155;
    constexpr int32_t kPointObject = 5400;
    if (type == type_ || type == kBaseObject) return true;
    return type == kPointObject && type_ == host_type::kPolygonObject;
}

HostDocument* HlObject::GetDocument() const { return document_; }

bool HlObject::Message(int32_t type, void* data) { return plugin_ ? plugin_->Message(this, type, data) : true; }

void HlObject::DetachPointers() {
    if (pred_) {
        pred_->next_ = next_;
    } else if (parent_) {
        if (parent_->down_ == this) parent_->down_ = next_;
    } else if (document_ && document_->first_ == this) {
        document_->first_ = next_;
    }
    if (next_) next_->pred_ = pred_;
    parent_ = nullptr;
    pred_ = nullptr;
    next_ = nullptr;
}

std::unique_ptr<HostObject> HlObject::Remove() {
    if (document_) {
        document_->Unlink(this);
        return std::unique_ptr<HostObject>(this);
    }
    // Outside a document: only an object under a parent is owned by the tree.
    if (!parent_) return nullptr;
    DetachPointers();
    return std::unique_ptr<HostObject>(this);
}

void HlObject::LinkUnder(HlObject* parent, HlObject* pred, HlDocument* document) {
    if (pred) {
        parent = pred->parent_;
        if (!parent) document = pred->document_ ? pred->document_ : document;
    }
    if (parent) document = parent->document_;
    parent_ = parent;
    if (pred) {
        pred_ = pred;
        next_ = pred->next_;
        pred->next_ = this;
    } else {
        HlObject** head = parent ? &parent->down_ : (document ? &document->first_ : nullptr);
        pred_ = nullptr;
        next_ = head ? *head : nullptr;
        if (head) *head = this;
    }
    if (next_) next_->pred_ = this;
    SetDocumentRecursive(document);
    if (document) document->IndexSubtree(this);
}

void HlObject::SetDocumentRecursive(HlDocument* document) {
    for (HlObject* object : Subtree(this)) object->document_ = document;
}

void HlObject::MoveContentsTo(HlObject& target) {
    for (auto& tag : tags_) {
        tag->object_ = &target;
        target.tags_.push_back(std::move(tag));
    }
    tags_.clear();
    if (!down_) return;
    HlObject* last = target.down_;
    while (last && last->next_) last = last->next_;
    HlObject* first = down_;
    down_ = nullptr;
    if (last) {
        last->next_ = first;
        first->pred_ = last;
    } else {
        target.down_ = first;
    }
    for (HlObject* c = first; c; c = c->next_) c->parent_ = &target;
}

HostTag* HlObject::GetFirstTag() const { return tags_.empty() ? nullptr : tags_.front().get(); }

HostTag* HlObject::GetTag(int32_t type, int32_t nr) const {
    for (const auto& tag : tags_) {
        if (tag->type_ == type && nr-- == 0) return tag.get();
    }
    return nullptr;
}

HostTag* HlObject::MakeTag(int32_t type, HostTag* pred) {
    int32_t count = type == host_type::kUvTag || type == host_type::kNormalTag ? GetPolygonCount() : 0;
    auto tag = std::make_unique<HlTag>(type, registry_, count);
    HlTag* made = tag.get();
    InsertTag(std::move(tag), pred);
    return made;
}

void HlObject::InsertTag(std::unique_ptr<HostTag> tag, HostTag* pred) {
    auto* hl = dynamic_cast<HlTag*>(tag.get());
    if (!hl || hl->object_) return;  // not a tag of this host, or still on an object
    tag.release();
    std::unique_ptr<HlTag> owned(hl);
    ptrdiff_t at = pred ? TagPosition(tags_, static_cast<const HlTag*>(pred)) : -1;
    auto where = at < 0 ? tags_.end() : tags_.begin() + at + 1;
    hl->object_ = this;
    tags_.insert(where, std::move(owned));
    if (document_) document_->IndexNode(hl->id_, hl);
}

Matrix HlObject::GetMg() const {
    Matrix m = ml_;
    for (const HlObject* p = parent_; p; p = p->parent_) m = p->ml_ * m;
    return m;
}

void HlObject::SetMg(const Matrix& m) {
    if (!parent_) {
        SetMl(m);
        return;
    }
    Matrix inverse;
    // A singular parent matrix has no inverse: the matrix is taken as the local one.
    if (!InvertExact(parent_->GetMg(), inverse)) {
        SetMl(m);
        return;
    }
    SetMl(MultiplyExact(inverse, m));
}

void HlObject::SetMl(const Matrix& m) {
    ml_ = m;
    scale_ = {Length(m.v1), Length(m.v2), Length(m.v3)};
}

void HlObject::SetPRS(Vector position, Vector rotation, Vector scale) {
    rot_ = rotation;
    scale_ = scale;
    ml_ = MatrixFromPRS(position, rotation, scale);
}

void HlObject::SetGeometry(std::vector<Vector> points, std::vector<CPolygon> polygons) {
    points_ = std::move(points);
    polygons_ = std::move(polygons);
}

std::unique_ptr<HlObject> HlObject::CloneSelf(bool keepIds) const {
    auto copy = std::make_unique<HlObject>(type_, registry_);
    if (keepIds) copy->id_ = id_;
    copy->name_ = name_;
    copy->data_ = data_;  // over whatever the plug-in's initialisation wrote
    copy->ml_ = ml_;
    copy->rot_ = rot_;
    copy->scale_ = scale_;
    copy->renderMode_ = renderMode_;
    copy->color_ = color_;
    copy->points_ = points_;
    copy->polygons_ = polygons_;
    copy->tracks_ = tracks_;
    copy->tags_.clear();
    for (const auto& tag : tags_) {
        auto t = tag->Clone(keepIds);
        t->object_ = copy.get();
        copy->tags_.push_back(std::move(t));
    }
    return copy;
}

std::unique_ptr<HlObject> HlObject::Clone(bool keepIds) const {
    std::unique_ptr<HlObject> root = CloneSelf(keepIds);
    // Children chain by chain, without recursion.
    std::vector<std::pair<const HlObject*, HlObject*>> work{{this, root.get()}};
    while (!work.empty()) {
        auto [source, target] = work.back();
        work.pop_back();
        HlObject* prev = nullptr;
        for (const HlObject* c = source->down_; c; c = c->next_) {
            HlObject* copy = c->CloneSelf(keepIds).release();
            copy->parent_ = target;
            copy->pred_ = prev;
            if (prev) prev->next_ = copy;
            else target->down_ = copy;
            prev = copy;
            work.emplace_back(c, copy);
        }
    }
    return root;
}

// ---------------------------------------------------------------------------------------------
// HlMaterial

HlMaterial::HlMaterial(int32_t type) : type_(type), id_(NewNodeId()) {
    if (type == host_type::kStandardMaterial) channels_.resize(kChannelCount);
}

HostDocument* HlMaterial::GetDocument() const { return document_; }

bool HlMaterial::Message(int32_t /*type*/, void* /*data*/) { return true; }

namespace {
ptrdiff_t MaterialPosition(const HlDocument* document, const HlMaterial* material) {
    if (!document) return -1;
    const auto& list = document->Materials();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].get() == material) return static_cast<ptrdiff_t>(i);
    }
    return -1;
}
}  // namespace

HostMaterial* HlMaterial::GetNext() const {
    ptrdiff_t i = MaterialPosition(document_, this);
    if (i < 0 || static_cast<size_t>(i) + 1 >= document_->Materials().size()) return nullptr;
    return document_->Materials()[static_cast<size_t>(i) + 1].get();
}

HostMaterial* HlMaterial::GetPred() const {
    ptrdiff_t i = MaterialPosition(document_, this);
    if (i <= 0) return nullptr;
    return document_->Materials()[static_cast<size_t>(i) - 1].get();
}

std::unique_ptr<HostMaterial> HlMaterial::Remove() {
    if (!document_) return nullptr;
    std::unique_ptr<HlMaterial> self;
    document_->RemoveMaterial(this, self);
    return self;
}

HostChannel* HlMaterial::GetChannel(int32_t n) {
    if (n < 0 || static_cast<size_t>(n) >= channels_.size()) return nullptr;
    return &channels_[static_cast<size_t>(n)];
}

void HlMaterial::Update(bool /*preview*/, bool /*rtt*/) { ++updates_; }

std::unique_ptr<HlMaterial> HlMaterial::Clone(bool keepIds) const {
    auto copy = std::make_unique<HlMaterial>(type_);
    if (keepIds) copy->id_ = id_;
    copy->name_ = name_;
    copy->data_ = data_;
    copy->channels_ = channels_;
    copy->updates_ = updates_;
    if (preview_) copy->preview_ = std::make_unique<HlBitmap>(*preview_);
    return copy;
}

}  // namespace headless
