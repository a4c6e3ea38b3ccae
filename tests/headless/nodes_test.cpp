// The headless host's document model: nodes, tree, index, matrices, cloning, plug-in nodes,
// the registry and the recording view.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "headless/host/registry.h"
#include "headless/scene/nodes.h"
#include "headless/scene/view.h"

namespace headless {
namespace {

constexpr float kPi = 3.14159265358979f;

std::unique_ptr<HlObject> Make(int32_t type, const char* name, const PluginRegistry* registry = nullptr) {
    auto object = std::make_unique<HlObject>(type, registry);
    object->SetName(name);
    return object;
}

// Inserts and returns the object (the document owns it).
HlObject* Insert(HlDocument& document, std::unique_ptr<HlObject> object, HostObject* parent = nullptr,
                 HostObject* pred = nullptr) {
    HlObject* raw = object.get();
    document.InsertObject(std::move(object), parent, pred);
    return raw;
}

std::vector<std::string> Names(const HostObject* first) {
    std::vector<std::string> names;
    for (const HostObject* o = first; o; o = o->GetNext()) names.push_back(o->GetName().Str());
    return names;
}

void ExpectNear(Vector a, Vector b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

void ExpectNear(const Matrix& a, const Matrix& b, float tolerance = 1e-4f) {
    ExpectNear(a.off, b.off, tolerance);
    ExpectNear(a.v1, b.v1, tolerance);
    ExpectNear(a.v2, b.v2, tolerance);
    ExpectNear(a.v3, b.v3, tolerance);
}

// --- test plug-ins --------------------------------------------------------------------------

struct PluginLog {
    int inits = 0, frees = 0, messages = 0;
    HostNode* initNode = nullptr;
    bool nodeDataSetAtInit = false;
    int32_t lastMessage = 0;
};
PluginLog g_log;

class TestTag final : public TagData {
public:
    bool Init(HostNode* node) override {
        ++g_log.inits;
        g_log.initNode = node;
        g_log.nodeDataSetAtInit = node->GetNodeData() == this;
        node->Data().Set<int32_t>(1, 42);  // a default
        return true;
    }
    void Free(HostNode* /*node*/) override { ++g_log.frees; }
    bool Message(HostNode* /*node*/, int32_t type, void* /*data*/) override {
        ++g_log.messages;
        g_log.lastMessage = type;
        return type != 99;
    }
};

class TestObject final : public ObjectData {
public:
    bool Init(HostNode* node) override {
        ++g_log.inits;
        g_log.initNode = node;
        g_log.nodeDataSetAtInit = node->GetNodeData() == this;
        node->Data().Set<float>(5, 50.0f);
        return true;
    }
    void Free(HostNode* /*node*/) override { ++g_log.frees; }
    void GetDimension(HostObject* object, Vector* centre, Vector* halfSize) override {
        float r = object->Data().Get<float>(5);
        *centre = Vector{1, 2, 3};
        *halfSize = Vector{r, r, r};
    }
};

TagData* AllocTestTag() { return new TestTag; }
ObjectData* AllocTestObject() { return new TestObject; }

constexpr int32_t kTestTagId = 1020892;     // MyLightTag's ID
constexpr int32_t kTestObjectId = 1022273;  // OrvaneInstance's ID
constexpr int32_t kTestCommandId = 1021741;

PluginRegistry MakeRegistry() {
    PluginRegistry registry;
    PluginEntry tag;
    tag.kind = PluginKind::kTag;
    tag.id = kTestTagId;
    tag.name = "Light";
    tag.tagAllocator = &AllocTestTag;
    EXPECT_TRUE(registry.Add(tag));
    PluginEntry object;
    object.kind = PluginKind::kObject;
    object.id = kTestObjectId;
    object.name = "Instance";
    object.objectAllocator = &AllocTestObject;
    EXPECT_TRUE(registry.Add(object));
    PluginEntry command;
    command.kind = PluginKind::kCommand;
    command.id = kTestCommandId;
    command.command = std::make_shared<CommandData>();
    EXPECT_TRUE(registry.Add(command));
    return registry;
}

// --- ids, types -----------------------------------------------------------------------------

TEST(HeadlessNodes, IdsAreUniqueAndNonZero) {
    std::set<uint64_t> ids;
    HlObject object(host_type::kNull, nullptr);
    HlTag tag(host_type::kTextureTag, nullptr);
    HlMaterial material(host_type::kStandardMaterial);
    ids.insert(object.Id());
    ids.insert(tag.Id());
    ids.insert(material.Id());
    for (int i = 0; i < 100; ++i) ids.insert(NewNodeId());
    EXPECT_EQ(ids.size(), 103u);
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(object.GetLink().id, object.Id());
}

TEST(HeadlessNodes, InstanceOf) {
    HlObject polygon(host_type::kPolygonObject, nullptr);
    HlObject null(host_type::kNull, nullptr);
    EXPECT_TRUE(polygon.IsInstanceOf(host_type::kPolygonObject));
    EXPECT_TRUE(polygon.IsInstanceOf(5400));
    EXPECT_TRUE(polygon.IsInstanceOf(5155));
    EXPECT_FALSE(polygon.IsInstanceOf(host_type::kNull));
    EXPECT_TRUE(null.IsInstanceOf(5155));
    EXPECT_FALSE(null.IsInstanceOf(5400));
    HlMaterial standard(host_type::kStandardMaterial);
    EXPECT_TRUE(standard.IsInstanceOf(host_type::kStandardMaterial));
    EXPECT_TRUE(standard.IsInstanceOf(host_type::kMaterialBase));
    HlTag tag(host_type::kUvTag, nullptr);
    EXPECT_TRUE(tag.IsInstanceOf(host_type::kUvTag));
    EXPECT_FALSE(tag.IsInstanceOf(host_type::kTextureTag));
    EXPECT_EQ(polygon.Kind(), NodeKind::kObject);
    EXPECT_EQ(tag.Kind(), NodeKind::kTag);
    EXPECT_EQ(standard.Kind(), NodeKind::kMaterial);
}

// --- tree and index -------------------------------------------------------------------------

TEST(HeadlessNodes, InsertOrderAndTreeSteps) {
    HlDocument document(nullptr);
    HlObject* b = Insert(document, Make(host_type::kNull, "b"));
    HlObject* a = Insert(document, Make(host_type::kNull, "a"));          // first
    HlObject* c = Insert(document, Make(host_type::kNull, "c"), nullptr, b);  // after b
    EXPECT_EQ(Names(document.GetFirstObject()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(a->GetPred(), nullptr);
    EXPECT_EQ(b->GetPred(), a);
    EXPECT_EQ(c->GetNext(), nullptr);

    HlObject* b2 = Insert(document, Make(host_type::kNull, "b2"), b);
    HlObject* b1 = Insert(document, Make(host_type::kNull, "b1"), b);
    HlObject* b3 = Insert(document, Make(host_type::kNull, "b3"), b, b2);
    Insert(document, Make(host_type::kNull, "b2a"), b2);
    EXPECT_EQ(Names(b->GetDown()), (std::vector<std::string>{"b1", "b2", "b3"}));
    EXPECT_EQ(b1->GetUp(), b);
    EXPECT_EQ(b3->GetUp(), b);
    EXPECT_EQ(b3->GetDocument(), &document);
    EXPECT_EQ(document.SearchObject("b2a")->GetUp(), b2);
    EXPECT_EQ(document.SearchObject("nothing"), nullptr);

    std::vector<std::string> order;
    document.ForEachObject([&](HlObject& o) { order.push_back(o.GetName().Str()); });
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "b1", "b2", "b2a", "b3", "c"}));
}

TEST(HeadlessNodes, SearchObjectFindsTheFirstInPreOrder) {
    HlDocument document(nullptr);
    HlObject* a = Insert(document, Make(host_type::kNull, "a"));
    HlObject* deep = Insert(document, Make(host_type::kNull, "x"), a);
    Insert(document, Make(host_type::kNull, "x"), nullptr, a);
    EXPECT_EQ(document.SearchObject("x"), deep);
}

TEST(HeadlessNodes, LinksResolveWhileInTheDocument) {
    HlDocument document(nullptr);
    auto parent = Make(host_type::kNull, "parent");
    auto child = Make(host_type::kPolygonObject, "child");
    HlObject* childRaw = child.get();
    HostTag* childTag = child->MakeTag(host_type::kSmoothingTag);
    // A whole subtree built outside, inserted at once.
    HlObject* parentRaw = Insert(document, std::move(parent));
    document.InsertObject(std::move(child), parentRaw, nullptr);
    HostTag* parentTag = parentRaw->MakeTag(host_type::kTextureTag);
    auto material = std::make_unique<HlMaterial>(host_type::kStandardMaterial);
    HlMaterial* materialRaw = material.get();
    document.InsertMaterial(std::move(material));

    EXPECT_EQ(document.Resolve(parentRaw->GetLink()), parentRaw);
    EXPECT_EQ(document.Resolve(childRaw->GetLink()), childRaw);
    EXPECT_EQ(document.Resolve(childTag->GetLink()), childTag);
    EXPECT_EQ(document.Resolve(parentTag->GetLink()), parentTag);
    EXPECT_EQ(document.Resolve(materialRaw->GetLink()), materialRaw);
    EXPECT_EQ(document.Resolve(HostLink{}), nullptr);
    EXPECT_EQ(childTag->GetDocument(), &document);

    // Removing the parent takes the subtree out of the index.
    std::unique_ptr<HostObject> removed = parentRaw->Remove();
    ASSERT_EQ(removed.get(), parentRaw);
    EXPECT_EQ(document.GetFirstObject(), nullptr);
    EXPECT_EQ(document.Resolve(parentRaw->GetLink()), nullptr);
    EXPECT_EQ(document.Resolve(childRaw->GetLink()), nullptr);
    EXPECT_EQ(document.Resolve(childTag->GetLink()), nullptr);
    EXPECT_EQ(document.Resolve(parentTag->GetLink()), nullptr);
    EXPECT_EQ(childRaw->GetDocument(), nullptr);
    EXPECT_EQ(childRaw->GetUp(), parentRaw);  // the subtree stays whole

    // A child removed from a detached subtree comes out too; a detached root does not.
    EXPECT_EQ(removed->Remove(), nullptr);
    document.InsertObject(std::move(removed), nullptr, nullptr);
    EXPECT_EQ(document.Resolve(childTag->GetLink()), childTag);

    std::unique_ptr<HostMaterial> gone = materialRaw->Remove();
    EXPECT_EQ(gone.get(), materialRaw);
    EXPECT_EQ(document.Resolve(materialRaw->GetLink()), nullptr);
    EXPECT_EQ(document.GetFirstMaterial(), nullptr);
    EXPECT_EQ(gone->GetDocument(), nullptr);
}

TEST(HeadlessNodes, RemoveInTheMiddleKeepsTheChain) {
    HlDocument document(nullptr);
    HlObject* p = Insert(document, Make(host_type::kNull, "p"));
    HlObject* a = Insert(document, Make(host_type::kNull, "a"), p);
    HlObject* b = Insert(document, Make(host_type::kNull, "b"), p, a);
    HlObject* c = Insert(document, Make(host_type::kNull, "c"), p, b);
    auto removed = b->Remove();
    EXPECT_EQ(Names(p->GetDown()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(c->GetPred(), a);
    EXPECT_EQ(removed->GetUp(), nullptr);
    EXPECT_EQ(removed->GetNext(), nullptr);
    auto first = a->Remove();
    EXPECT_EQ(p->GetDown(), c);
    EXPECT_EQ(c->GetPred(), nullptr);
    // Reinsert after c.
    document.InsertObject(std::move(removed), p, c);
    EXPECT_EQ(Names(p->GetDown()), (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(document.Resolve(b->GetLink()), b);
}

TEST(HeadlessNodes, TagsListAndIndex) {
    HlDocument document(nullptr);
    HlObject* object = Insert(document, Make(host_type::kPolygonObject, "o"));
    HostTag* t1 = object->MakeTag(host_type::kTextureTag);
    HostTag* t3 = object->MakeTag(host_type::kTextureTag);
    HostTag* t2 = object->MakeTag(host_type::kSmoothingTag, t1);  // after t1
    EXPECT_EQ(object->GetFirstTag(), t1);
    EXPECT_EQ(t1->GetNext(), t2);
    EXPECT_EQ(t2->GetNext(), t3);
    EXPECT_EQ(t3->GetPred(), t2);
    EXPECT_EQ(t1->GetPred(), nullptr);
    EXPECT_EQ(t3->GetNext(), nullptr);
    EXPECT_EQ(object->GetTag(host_type::kTextureTag), t1);
    EXPECT_EQ(object->GetTag(host_type::kTextureTag, 1), t3);
    EXPECT_EQ(object->GetTag(host_type::kTextureTag, 2), nullptr);
    EXPECT_EQ(object->GetTag(host_type::kUvTag), nullptr);
    EXPECT_EQ(t2->GetObject(), object);

    std::unique_ptr<HostTag> removed = t2->Remove();
    EXPECT_EQ(removed.get(), t2);
    EXPECT_EQ(t2->GetObject(), nullptr);
    EXPECT_EQ(t1->GetNext(), t3);
    EXPECT_EQ(document.Resolve(t2->GetLink()), nullptr);
    EXPECT_EQ(removed->Remove(), nullptr);

    object->InsertTag(std::move(removed));  // at the end
    EXPECT_EQ(t3->GetNext(), t2);
    EXPECT_EQ(document.Resolve(t2->GetLink()), t2);
    EXPECT_EQ(object->Tags().size(), 3u);
}

TEST(HeadlessNodes, TagKinds) {
    HlDocument document(nullptr);
    HlObject* object = Insert(document, Make(host_type::kPolygonObject, "o"));
    object->SetGeometry({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2, 2}, {0, 2, 1, 1}});

    HostTag* selection = object->MakeTag(host_type::kPolygonSelectionTag);
    ASSERT_NE(selection->GetSelection(), nullptr);
    selection->GetSelection()->Select(1);
    EXPECT_TRUE(static_cast<HlTag*>(selection)->Selection().IsSelected(1));
    EXPECT_EQ(object->MakeTag(host_type::kTextureTag)->GetSelection(), nullptr);

    HlTag uv(host_type::kUvTag, nullptr, 3);
    EXPECT_EQ(uv.GetUvwCount(), 3);
    EXPECT_EQ(uv.GetUvw(2), UvwCorners{});
    UvwCorners corners{{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 0}};
    uv.SetUvw(2, corners);
    EXPECT_EQ(uv.GetUvw(2), corners);
    uv.SetUvw(3, corners);  // out of range: ignored
    EXPECT_EQ(uv.GetUvw(3), UvwCorners{});
    EXPECT_EQ(uv.GetUvw(-1), UvwCorners{});
    EXPECT_EQ(object->MakeTag(host_type::kUvTag)->GetUvwCount(), 2);  // one entry per polygon

    HlTag smoothing(host_type::kSmoothingTag, nullptr);
    EXPECT_EQ(smoothing.GetUvwCount(), 0);
    EXPECT_EQ(smoothing.GetSelection(), nullptr);
}

TEST(HeadlessNodes, TextureTagMaterial) {
    HlDocument document(nullptr);
    HlObject* object = Insert(document, Make(host_type::kPolygonObject, "o"));
    auto material = std::make_unique<HlMaterial>(host_type::kStandardMaterial);
    HlMaterial* m = material.get();
    document.InsertMaterial(std::move(material));
    HostTag* tag = object->MakeTag(host_type::kTextureTag);
    EXPECT_EQ(tag->GetMaterial(), nullptr);
    tag->SetMaterial(m);
    EXPECT_EQ(tag->Data().Get<HostLink>(host_param::kTextureMaterial), m->GetLink());
    EXPECT_EQ(tag->GetMaterial(), m);
    // A link to something that is no material gives none.
    tag->Data().Set(host_param::kTextureMaterial, object->GetLink());
    EXPECT_EQ(tag->GetMaterial(), nullptr);
    tag->SetMaterial(m);
    auto removed = m->Remove();
    EXPECT_EQ(tag->GetMaterial(), nullptr);
    tag->SetMaterial(nullptr);
    EXPECT_TRUE(tag->Data().Get<HostLink>(host_param::kTextureMaterial).IsEmpty());
    // A tag on no object resolves nothing.
    HlTag loose(host_type::kTextureTag, nullptr);
    loose.SetMaterial(removed.get());
    EXPECT_EQ(loose.GetMaterial(), nullptr);
}

TEST(HeadlessNodes, Materials) {
    HlDocument document(nullptr);
    auto a = std::make_unique<HlMaterial>(host_type::kStandardMaterial);
    auto b = std::make_unique<HlMaterial>(host_type::kStandardMaterial);
    auto c = std::make_unique<HlMaterial>(4711);
    a->SetName("a");
    b->SetName("b");
    c->SetName("c");
    HlMaterial *ra = a.get(), *rb = b.get(), *rc = c.get();
    document.InsertMaterial(std::move(a));
    document.InsertMaterial(std::move(c));
    document.InsertMaterial(std::move(b), ra);  // between a and c
    EXPECT_EQ(document.GetFirstMaterial(), ra);
    EXPECT_EQ(ra->GetNext(), rb);
    EXPECT_EQ(rb->GetNext(), rc);
    EXPECT_EQ(rc->GetNext(), nullptr);
    EXPECT_EQ(rc->GetPred(), rb);
    EXPECT_EQ(ra->GetPred(), nullptr);
    EXPECT_EQ(document.SearchMaterial("b"), rb);
    EXPECT_EQ(document.SearchMaterial("z"), nullptr);
    EXPECT_EQ(ra->GetDocument(), &document);

    for (int32_t n = 0; n < HlMaterial::kChannelCount; ++n) ASSERT_NE(ra->GetChannel(n), nullptr) << n;
    EXPECT_EQ(ra->GetChannel(13), nullptr);
    EXPECT_EQ(ra->GetChannel(-1), nullptr);
    EXPECT_EQ(rc->GetChannel(0), nullptr);
    HostChannel* color = ra->GetChannel(0);
    EXPECT_FALSE(color->IsOn());
    color->SetOn(true);
    color->Data().Set(host_param::kChannelTexture, "wood.png");
    EXPECT_TRUE(ra->GetChannel(0)->IsOn());

    ra->Update(true, true);
    ra->Update(false, false);
    EXPECT_EQ(ra->UpdateCount(), 2);
    EXPECT_TRUE(ra->Message(node_message::kUpdate, nullptr));

    auto clone = ra->Clone(false);
    EXPECT_NE(clone->Id(), ra->Id());
    EXPECT_TRUE(clone->GetChannel(0)->IsOn());
    EXPECT_EQ(clone->GetChannel(0)->Data().Get<HostString>(host_param::kChannelTexture), HostString("wood.png"));
    EXPECT_EQ(ra->Clone(true)->Id(), ra->Id());
    auto channel = [](HlMaterial& m, int32_t n) -> const HlChannel& { return *static_cast<HlChannel*>(m.GetChannel(n)); };
    EXPECT_TRUE(channel(*clone, 0) == channel(*ra, 0));
    EXPECT_FALSE(channel(*ra, 0) == channel(*ra, 1));
    EXPECT_TRUE(channel(*ra, 1) == channel(*ra, 2));
}

// --- matrices -------------------------------------------------------------------------------

TEST(HeadlessNodes, GlobalAndLocalMatrices) {
    HlDocument document(nullptr);
    HlObject* parent = Insert(document, Make(host_type::kNull, "parent"));
    HlObject* child = Insert(document, Make(host_type::kNull, "child"), parent);
    HlObject* grandchild = Insert(document, Make(host_type::kNull, "grandchild"), child);
    parent->SetPRS({100, 0, 0}, {kPi / 2, 0, 0}, {2, 2, 2});
    child->SetPRS({0, 0, 10}, {0, 0, 0}, {1, 1, 1});
    grandchild->SetPRS({1, 2, 3}, {0.3f, -0.2f, 0.7f}, {1, 3, 0.5f});

    EXPECT_EQ(parent->GetMg(), parent->GetMl());
    ExpectNear(child->GetMg(), parent->GetMl() * child->GetMl());
    ExpectNear(grandchild->GetMg(), parent->GetMl() * child->GetMl() * grandchild->GetMl());
    // Heading 90° turns z into x: the child's offset (0, 0, 10) lands at x + 2 * 10.
    ExpectNear(child->GetMg().off, {120, 0, 0});

    // SetMg keeps the global matrix asked for, whatever the parents are.
    Matrix wanted = MatrixFromPRS({5, 6, 7}, {0.1f, 0.2f, 0.3f}, {1.5f, 1, 2});
    grandchild->SetMg(wanted);
    ExpectNear(grandchild->GetMg(), wanted, 2e-4f);
    // The parents scale by 2 together: the local axes are half as long as the global ones.
    ExpectNear(grandchild->GetRelScale(), {0.75f, 0.5f, 1.0f}, 1e-5f);

    parent->SetMg(wanted);  // no parent: the local matrix is the global one
    EXPECT_EQ(parent->GetMl(), wanted);
}

TEST(HeadlessNodes, OwnVectors) {
    HlObject object(host_type::kNull, nullptr);
    EXPECT_EQ(object.GetRelScale(), Vector(1, 1, 1));
    EXPECT_EQ(object.GetRelRot(), Vector(0, 0, 0));
    EXPECT_EQ(object.GetMl(), Matrix{});
    object.SetPRS({1, 2, 3}, {0.5f, 0.25f, 0.125f}, {2, 3, 4});
    EXPECT_EQ(object.GetRelPos(), Vector(1, 2, 3));
    EXPECT_EQ(object.GetRelRot(), Vector(0.5f, 0.25f, 0.125f));
    EXPECT_EQ(object.GetRelScale(), Vector(2, 3, 4));
    EXPECT_EQ(object.GetMl(), MatrixFromPRS({1, 2, 3}, {0.5f, 0.25f, 0.125f}, {2, 3, 4}));

    Matrix m;
    m.off = {7, 8, 9};
    m.v1 = {0, 3, 0};
    m.v2 = {-4, 0, 0};
    m.v3 = {0, 0, 0.5f};
    object.SetMl(m);
    EXPECT_EQ(object.GetMl(), m);
    EXPECT_EQ(object.GetRelPos(), Vector(7, 8, 9));
    EXPECT_EQ(object.GetRelScale(), Vector(3, 4, 0.5f));
    EXPECT_EQ(object.GetRelRot(), Vector(0.5f, 0.25f, 0.125f));  // left as it was
}

TEST(HeadlessNodes, SingularParentKeepsTheMatrixAsLocal) {
    HlDocument document(nullptr);
    HlObject* parent = Insert(document, Make(host_type::kNull, "parent"));
    HlObject* child = Insert(document, Make(host_type::kNull, "child"), parent);
    parent->SetPRS({}, {}, {0, 1, 1});
    Matrix m;
    m.off = {1, 2, 3};
    child->SetMg(m);
    EXPECT_EQ(child->GetMl(), m);
}

// --- long chains ----------------------------------------------------------------------------

TEST(HeadlessNodes, LongSiblingChainsAndDeepNestingAreFreedWithoutRecursion) {
    constexpr int kCount = 100000;
    {
        HlDocument document(nullptr);
        HlObject* pred = nullptr;
        for (int i = 0; i < kCount; ++i) pred = Insert(document, Make(host_type::kNull, "top"), nullptr, pred);
        HlObject* parent = Insert(document, Make(host_type::kNull, "parent"));
        pred = nullptr;
        for (int i = 0; i < kCount; ++i) pred = Insert(document, Make(host_type::kNull, "child"), parent, pred);
        int count = 0;
        document.ForEachObject([&](HlObject&) { ++count; });
        EXPECT_EQ(count, 2 * kCount + 1);
        // A detached object with a long child chain, freed on its own.
        auto removed = parent->Remove();
        EXPECT_EQ(document.Resolve(pred->GetLink()), nullptr);
    }
    {
        // Nesting as deep as the chains are long.
        auto root = Make(host_type::kNull, "root");
        HlDocument document(nullptr);
        HlObject* parent = Insert(document, std::move(root));
        HlObject* deepest = parent;
        for (int i = 0; i < kCount; ++i) deepest = Insert(document, Make(host_type::kNull, "n"), deepest);
        EXPECT_EQ(document.Resolve(deepest->GetLink()), deepest);
        EXPECT_EQ(deepest->GetMg(), Matrix{});
        auto copy = parent->Clone(false);
        EXPECT_NE(copy->GetDown(), nullptr);
    }
}

// --- clones ---------------------------------------------------------------------------------

TEST(HeadlessNodes, CloneIsDeep) {
    HlDocument document(nullptr);
    HlObject* root = Insert(document, Make(host_type::kPolygonObject, "root"));
    root->SetGeometry({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 2}});
    root->SetPRS({1, 2, 3}, {0.1f, 0.2f, 0.3f}, {1, 2, 3});
    root->SetRenderMode(render_mode::kOff);
    root->SetDisplayColor({2, {0.5f, 0.25f, 1}, true});
    root->Data().Set(100, "text");
    root->GetTracks().position.push_back({0, {1, 1, 1}});
    HostTag* tag = root->MakeTag(host_type::kPolygonSelectionTag);
    tag->GetSelection()->SelectRange(0, 0);
    tag->SetName("sel");
    HlObject* a = Insert(document, Make(host_type::kNull, "a"), root);
    Insert(document, Make(host_type::kNull, "b"), root, a);
    Insert(document, Make(host_type::kNull, "a1"), a);

    for (bool keepIds : {false, true}) {
        std::unique_ptr<HlObject> copy = root->Clone(keepIds);
        EXPECT_EQ(copy->GetDocument(), nullptr);
        EXPECT_EQ(copy->GetUp(), nullptr);
        EXPECT_EQ(copy->GetNext(), nullptr);
        EXPECT_EQ(keepIds, copy->Id() == root->Id());
        EXPECT_EQ(copy->GetName(), root->GetName());
        EXPECT_EQ(copy->GetMl(), root->GetMl());
        EXPECT_EQ(copy->GetRelRot(), root->GetRelRot());
        EXPECT_EQ(copy->GetRelScale(), root->GetRelScale());
        EXPECT_EQ(copy->GetRenderMode(), render_mode::kOff);
        EXPECT_EQ(copy->GetDisplayColor(), root->GetDisplayColor());
        EXPECT_EQ(copy->Data(), root->Data());
        EXPECT_EQ(copy->GetTracks(), root->GetTracks());
        ASSERT_EQ(copy->GetPointCount(), 3);
        EXPECT_NE(copy->GetPoints(), root->GetPoints());
        EXPECT_EQ(copy->GetPolygons()[0], root->GetPolygons()[0]);
        ASSERT_EQ(copy->Tags().size(), 1u);
        HlTag* copiedTag = copy->Tags()[0].get();
        EXPECT_NE(copiedTag, tag);
        EXPECT_EQ(copiedTag->GetObject(), copy.get());
        EXPECT_EQ(copiedTag->GetName(), HostString("sel"));
        EXPECT_EQ(copiedTag->Selection(), *tag->GetSelection());
        EXPECT_EQ(keepIds, copiedTag->Id() == static_cast<HlTag*>(tag)->Id());
        EXPECT_EQ(Names(copy->GetDown()), (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(copy->GetDown()->GetUp(), copy.get());
        EXPECT_EQ(Names(copy->GetDown()->GetDown()), (std::vector<std::string>{"a1"}));
        EXPECT_EQ(copy->GetDown()->GetNext()->GetPred(), copy->GetDown());
        // The copy is independent.
        copy->GetDown()->SetName("changed");
        EXPECT_EQ(a->GetName(), HostString("a"));
    }
}

// --- plug-in nodes --------------------------------------------------------------------------

TEST(HeadlessNodes, PluginNodesAreAllocatedInitialisedAndAsked) {
    PluginRegistry registry = MakeRegistry();
    g_log = {};
    {
        HlDocument document(&registry);
        HlObject* object = Insert(document, Make(kTestObjectId, "instance", &registry));
        EXPECT_EQ(g_log.inits, 1);
        EXPECT_EQ(g_log.initNode, object);
        EXPECT_TRUE(g_log.nodeDataSetAtInit);
        ASSERT_NE(object->GetNodeData(), nullptr);
        EXPECT_EQ(object->Data().Get<float>(5), 50.0f);  // the plug-in's default
        EXPECT_EQ(object->GetMp(), Vector(1, 2, 3));
        EXPECT_EQ(object->GetRad(), Vector(50, 50, 50));

        HostTag* tag = object->MakeTag(kTestTagId);
        EXPECT_EQ(g_log.inits, 2);
        EXPECT_EQ(g_log.initNode, tag);
        ASSERT_NE(tag->GetNodeData(), nullptr);
        EXPECT_EQ(tag->Data().Get<int32_t>(1), 42);
        EXPECT_TRUE(tag->Message(7, nullptr));
        EXPECT_FALSE(tag->Message(99, nullptr));
        EXPECT_EQ(g_log.messages, 2);
        EXPECT_EQ(g_log.lastMessage, 99);

        // Host types and types registered as another kind get no instance.
        HlTag hostTag(host_type::kTextureTag, &registry);
        EXPECT_EQ(hostTag.GetNodeData(), nullptr);
        EXPECT_TRUE(hostTag.Message(99, nullptr));
        HlTag wrongKind(kTestObjectId, &registry);
        EXPECT_EQ(wrongKind.GetNodeData(), nullptr);
        HlObject command(kTestCommandId, &registry);
        EXPECT_EQ(command.GetNodeData(), nullptr);
        HlObject noRegistry(kTestObjectId, nullptr);
        EXPECT_EQ(noRegistry.GetNodeData(), nullptr);
        EXPECT_EQ(noRegistry.GetRad(), Vector{});
        EXPECT_EQ(g_log.inits, 2);

        // A clone gets instances of its own; the container is the original's.
        object->Data().Set<float>(5, 70.0f);
        tag->Data().Set<int32_t>(1, 7);
        auto copy = object->Clone(false);
        EXPECT_EQ(g_log.inits, 4);
        ASSERT_NE(copy->GetNodeData(), nullptr);
        EXPECT_NE(copy->GetNodeData(), object->GetNodeData());
        EXPECT_EQ(copy->GetRad(), Vector(70, 70, 70));
        EXPECT_EQ(copy->Tags()[0]->Data().Get<int32_t>(1), 7);
        EXPECT_NE(copy->Tags()[0]->GetNodeData(), tag->GetNodeData());
    }
    EXPECT_EQ(g_log.frees, 4);  // every instance released with its node
}

// --- document -------------------------------------------------------------------------------

TEST(HeadlessNodes, DocumentDefaults) {
    HlDocument document(nullptr);
    ParamContainer& render = document.GetActiveRenderData();
    EXPECT_EQ(render.TypeOf(5007), ParamType::kInt);
    EXPECT_EQ(render.Get<int32_t>(5007, -1), 0);
    EXPECT_EQ(render.TypeOf(5008), ParamType::kInt);
    EXPECT_EQ(render.Get<int32_t>(5008), 640);
    EXPECT_EQ(render.Get<int32_t>(5009), 480);
    EXPECT_EQ(document.GetFps(), 30);
    EXPECT_EQ(document.GetTime(), 0);
    document.SetTime(2.5);
    EXPECT_EQ(document.GetTime(), 2.5);

    HlObject* editor = document.EditorCamera();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetType(), host_type::kCamera);
    EXPECT_EQ(editor->Data().Get<float>(host_param::kCameraFocalLength), 36.0f);
    EXPECT_EQ(editor->Data().Get<float>(host_param::kCameraApertureWidth), 36.0f);
    EXPECT_TRUE(editor->Data().Has(host_param::kCameraFocusDistance));
    EXPECT_EQ(editor->Data().Get<float>(host_param::kCameraFocusDistance, -1), 0.0f);
    EXPECT_EQ(document.Resolve(editor->GetLink()), nullptr);  // not in the tree
    EXPECT_EQ(document.GetFirstObject(), nullptr);
    EXPECT_EQ(document.SceneCamera(), nullptr);
    ASSERT_NE(document.GetActiveView(), nullptr);
    EXPECT_EQ(document.GetActiveView(), document.GetActiveView());
}

TEST(HeadlessNodes, SceneCameraFallsBackToTheEditorCamera) {
    HlDocument document(nullptr);
    HostView* view = document.GetActiveView();
    EXPECT_EQ(view->GetSceneCamera(&document), document.EditorCamera());
    HlObject* camera = Insert(document, Make(host_type::kCamera, "cam"));
    document.SetSceneCamera(camera);
    EXPECT_EQ(document.SceneCamera(), camera);
    EXPECT_EQ(view->GetSceneCamera(&document), camera);
    auto removed = camera->Remove();
    EXPECT_EQ(document.SceneCamera(), nullptr);
    EXPECT_EQ(view->GetSceneCamera(&document), document.EditorCamera());
    document.InsertObject(std::move(removed), nullptr, nullptr);
    EXPECT_EQ(view->GetSceneCamera(&document), camera);
    document.SetSceneCamera(nullptr);
    EXPECT_EQ(view->GetSceneCamera(&document), document.EditorCamera());
}

// --- view -----------------------------------------------------------------------------------

TEST(HeadlessView, RecordsAndDescribesCalls) {
    HlDocument document(nullptr);
    HlView view(&document);
    view.SetPen({1, 0, 0});
    view.Line3D({0, 0, 0}, {200, 0, 0});
    view.Line2D({10.5f, 20, 0}, {30, 40, 0});
    ASSERT_EQ(view.Calls().size(), 3u);
    EXPECT_EQ(view.Calls()[1], (DrawCall{DrawCall::Kind::kLine3D, {0, 0, 0}, {200, 0, 0}}));
    EXPECT_EQ(view.Describe(), "pen 1 0 0\nline3d 0 0 0 - 200 0 0\nline2d 10.5 20 - 30 40\n");
    view.ClearCalls();
    EXPECT_EQ(view.Describe(), "");
    EXPECT_EQ(view.GetFrame().right, 799);
    view.SetSafeFrame({10, 20, 2});
    EXPECT_EQ(view.GetSafeFrame().orientation, 2);
}

TEST(HeadlessView, ObjectColor) {
    HlView view(nullptr);
    HlObject object(host_type::kCube, nullptr);
    EXPECT_EQ(view.GetObjectColor(&object), Vector(0.8f, 0.8f, 0.8f));
    object.SetDisplayColor({2, {0.25f, 0.5f, 1}, false});
    EXPECT_EQ(view.GetObjectColor(&object), Vector(0.25f, 0.5f, 1));
    object.SetDisplayColor({0, {0.25f, 0.5f, 1}, false});
    EXPECT_EQ(view.GetObjectColor(&object), Vector(0.8f, 0.8f, 0.8f));
    EXPECT_EQ(view.GetSceneCamera(nullptr), nullptr);
}

// --- registry -------------------------------------------------------------------------------

TEST(HeadlessRegistry, AddFindAllocate) {
    PluginRegistry registry = MakeRegistry();
    EXPECT_EQ(registry.Entries().size(), 3u);

    PluginEntry duplicate;
    duplicate.kind = PluginKind::kCommand;
    duplicate.id = kTestTagId;
    EXPECT_FALSE(registry.Add(duplicate));
    PluginEntry noAllocator;
    noAllocator.kind = PluginKind::kTag;
    noAllocator.id = 1;
    EXPECT_FALSE(registry.Add(noAllocator));
    noAllocator.kind = PluginKind::kObject;
    EXPECT_FALSE(registry.Add(noAllocator));
    noAllocator.kind = PluginKind::kCommand;
    EXPECT_TRUE(registry.Add(noAllocator));
    EXPECT_EQ(registry.Entries().size(), 4u);

    ASSERT_NE(registry.Find(kTestTagId), nullptr);
    EXPECT_EQ(registry.Find(kTestTagId)->name, HostString("Light"));
    EXPECT_EQ(registry.Find(12345), nullptr);
    EXPECT_EQ(registry.FindByName("MyLightTag"), registry.Find(kTestTagId));
    EXPECT_EQ(registry.FindByName("OrvaneInstance"), registry.Find(kTestObjectId));
    EXPECT_EQ(registry.FindByName("MyExportAndRun"), registry.Find(kTestCommandId));
    EXPECT_EQ(registry.FindByName("CameraTag"), nullptr);  // known, not registered
    EXPECT_EQ(registry.FindByName("Light"), nullptr);      // entry names are no class names

    g_log = {};
    EXPECT_NE(registry.Allocate(kTestTagId), nullptr);
    EXPECT_NE(registry.Allocate(kTestObjectId), nullptr);
    EXPECT_EQ(registry.Allocate(kTestCommandId), nullptr);
    EXPECT_EQ(registry.Allocate(4242), nullptr);
    EXPECT_EQ(g_log.inits, 0);  // allocation alone does not initialise

    registry.Clear();
    EXPECT_EQ(registry.Find(kTestTagId), nullptr);
    EXPECT_EQ(registry.DescribedType(1, 2), ParamType::kNone);
    registry.SetTypeLookup([](int32_t, int32_t param) { return param == 2 ? ParamType::kReal : ParamType::kNone; });
    EXPECT_EQ(registry.DescribedType(1, 2), ParamType::kReal);
}

TEST(HeadlessRegistry, ModuleClasses) {
    const auto& classes = ModuleClasses();
    ASSERT_EQ(classes.size(), 11u);
    auto find = [&](const std::string& name) -> const ModuleClass* {
        for (const auto& c : classes) {
            if (name == c.name) return &c;
        }
        return nullptr;
    };
    struct Expected {
        const char* name;
        int32_t id;
        PluginKind kind;
    };
    for (const Expected& e : {Expected{"MyLightTag", 1020892, PluginKind::kTag},
                              Expected{"MyMaterialHelper", 1020893, PluginKind::kTag},
                              Expected{"MyExitPortal", 1021223, PluginKind::kTag},
                              Expected{"CameraTag", 1022083, PluginKind::kTag},
                              Expected{"AnimationTag", 1022560, PluginKind::kTag},
                              Expected{"MyRenderSettings", 1020896, PluginKind::kObject},
                              Expected{"OrvaneInstance", 1022273, PluginKind::kObject},
                              Expected{"MyExportAndRun", 1021741, PluginKind::kCommand},
                              Expected{"ShowAbout", 1020894, PluginKind::kCommand},
                              Expected{"ConvertMats", 1021852, PluginKind::kCommand},
                              Expected{"ImportOVM", 1022469, PluginKind::kCommand}}) {
        const ModuleClass* c = find(e.name);
        ASSERT_NE(c, nullptr) << e.name;
        EXPECT_EQ(c->id, e.id) << e.name;
        EXPECT_EQ(c->kind, e.kind) << e.name;
    }
}

}  // namespace
}  // namespace headless
