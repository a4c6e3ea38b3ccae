// Undo of the headless host: groups, nesting, and the exact restoration of the document after
// "make editable" — compared through a full description of the document (names, types, ids,
// addresses, matrices, containers, tags, geometry, tracks).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "headless/scene/nodes.h"

namespace headless {
namespace {

// Floats in hexadecimal: exact.
std::string F(float v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%a", static_cast<double>(v));
    return buffer;
}
std::string V(Vector v) { return "(" + F(v.x) + " " + F(v.y) + " " + F(v.z) + ")"; }
std::string M(const Matrix& m) { return "[" + V(m.off) + V(m.v1) + V(m.v2) + V(m.v3) + "]"; }

std::string Container(const ParamContainer& data) {
    std::ostringstream out;
    out << "{";
    for (const auto& [id, value] : data) {
        out << id << ":" << value.index() << "=";
        std::visit(
            [&](const auto& held) {
                using T = std::decay_t<decltype(held)>;
                if constexpr (std::is_same_v<T, std::monostate>) out << "-";
                else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int32_t>) out << held;
                else if constexpr (std::is_same_v<T, float>) out << F(held);
                else if constexpr (std::is_same_v<T, Vector>) out << V(held);
                else if constexpr (std::is_same_v<T, HostString>) out << '"' << held.Str() << '"';
                else if constexpr (std::is_same_v<T, HostFilename>) out << "file:" << held.Str();
                else if constexpr (std::is_same_v<T, HostLink>) out << "link:" << held.id;
            },
            value);
        out << ";";
    }
    out << "}";
    return out.str();
}

std::string Keys(const std::vector<TrackKey>& keys) {
    std::string text;
    for (const TrackKey& k : keys) text += F(static_cast<float>(k.frame)) + V(k.value);
    return text;
}

void DescribeObject(const HlObject& o, int depth, std::ostringstream& out);

void DescribeChain(const HostObject* first, int depth, std::ostringstream& out) {
    for (const HostObject* o = first; o; o = o->GetNext()) DescribeObject(*static_cast<const HlObject*>(o), depth, out);
}

void DescribeObject(const HlObject& o, int depth, std::ostringstream& out) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    out << indent << "object " << o.GetName().Str() << " type " << o.GetType() << " id " << o.Id() << " at "
        << static_cast<const void*>(&o) << " up " << static_cast<const void*>(o.GetUp()) << " pred "
        << static_cast<const void*>(o.GetPred()) << " doc " << static_cast<const void*>(o.GetDocument()) << "\n";
    out << indent << "  ml " << M(o.GetMl()) << " mg " << M(o.GetMg()) << " rot " << V(o.GetRelRot()) << " scale "
        << V(o.GetRelScale()) << "\n";
    const DisplayColor color = o.GetDisplayColor();
    out << indent << "  render " << o.GetRenderMode() << " colour " << color.mode << V(color.color) << color.xray
        << " data " << Container(o.Data()) << "\n";
    out << indent << "  tracks " << Keys(o.GetTracks().position) << "|" << Keys(o.GetTracks().rotation) << "|"
        << Keys(o.GetTracks().scale) << "\n";
    out << indent << "  points";
    for (int32_t i = 0; i < o.GetPointCount(); ++i) out << " " << V(o.GetPoints()[i]);
    out << "\n" << indent << "  polygons";
    for (int32_t i = 0; i < o.GetPolygonCount(); ++i) {
        const CPolygon& p = o.GetPolygons()[i];
        out << " " << p.a << "," << p.b << "," << p.c << "," << p.d;
    }
    out << "\n";
    for (const HostTag* t = o.GetFirstTag(); t; t = t->GetNext()) {
        const auto* tag = static_cast<const HlTag*>(t);
        out << indent << "  tag " << tag->GetName().Str() << " type " << tag->GetType() << " id " << tag->Id()
            << " at " << static_cast<const void*>(tag) << " object " << static_cast<const void*>(tag->GetObject())
            << " data " << Container(tag->Data()) << " selection";
        for (const auto& r : tag->Selection().Ranges()) out << " " << r.first << "-" << r.last;
        out << " uvw";
        for (int32_t i = 0; i < tag->GetUvwCount(); ++i) {
            UvwCorners c = tag->GetUvw(i);
            out << " " << V(c.a) << V(c.b) << V(c.c) << V(c.d);
        }
        out << "\n";
    }
    DescribeChain(o.GetDown(), depth + 1, out);
}

// Everything of the document that undo must restore, and what the index resolves.
std::string Describe(const HlDocument& document) {
    std::ostringstream out;
    DescribeChain(document.GetFirstObject(), 0, out);
    for (const auto& m : document.Materials()) {
        out << "material " << m->GetName().Str() << " id " << m->Id() << " data " << Container(m->Data()) << "\n";
    }
    // The index: every node found by its link.
    document.ForEachObject([&](HlObject& o) {
        out << "resolves " << o.Id() << " " << (document.Resolve(o.GetLink()) == &o);
        for (const auto& t : o.Tags()) out << " " << t->Id() << " " << (document.Resolve(t->GetLink()) == t.get());
        out << "\n";
    });
    return out.str();
}

HlObject* Insert(HlDocument& document, int32_t type, const char* name, HostObject* parent = nullptr,
                 HostObject* pred = nullptr) {
    auto object = std::make_unique<HlObject>(type, nullptr);
    object->SetName(name);
    HlObject* raw = object.get();
    document.InsertObject(std::move(object), parent, pred);
    return raw;
}

// A document with nested cubes (cubes under cubes), other objects, tags of every kind and a
// material that a texture tag links.
struct Scene {
    HlDocument document{nullptr};
    HlObject *top = nullptr, *cubeA = nullptr, *cubeB = nullptr, *cubeC = nullptr, *cubeD = nullptr;
    HlObject *polygon = nullptr, *null = nullptr, *last = nullptr;

    Scene() {
        auto material = std::make_unique<HlMaterial>(host_type::kStandardMaterial);
        material->SetName("mat");
        HlMaterial* mat = material.get();
        document.InsertMaterial(std::move(material));

        top = Insert(document, host_type::kNull, "top");
        cubeA = Insert(document, host_type::kCube, "A", nullptr, top);
        last = Insert(document, host_type::kSphere, "last", nullptr, cubeA);
        // Children of A: a polygon, cube B (with children cube C and a null), then cube D.
        polygon = Insert(document, host_type::kPolygonObject, "poly", cubeA);
        cubeB = Insert(document, host_type::kCube, "B", cubeA, polygon);
        cubeD = Insert(document, host_type::kCube, "D", cubeA, cubeB);
        cubeC = Insert(document, host_type::kCube, "C", cubeB);
        null = Insert(document, host_type::kNull, "null", cubeB, cubeC);

        polygon->SetGeometry({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2, 2}});
        cubeA->SetPRS({10, 0, 0}, {0.3f, 0.1f, 0}, {1, 2, 1});
        cubeA->Data().Set(host_param::kCubeSize, Vector{50, 60, 70});
        cubeA->SetDisplayColor({2, {0.1f, 0.2f, 0.3f}, true});
        cubeA->SetRenderMode(render_mode::kOn);
        cubeA->GetTracks().rotation = {{0, {0, 0, 0}}, {5, {1, 0, 0}}};
        cubeB->SetPRS({0, 5, 0}, {0, 0, 0.7f}, {1, 1, 1});
        cubeB->Data().Set(host_param::kCubeSegments, Vector{2, 2, 1});
        cubeC->SetPRS({0, 0, 5}, {}, {3, 3, 3});
        cubeD->Data().Set(7, "note");

        HostTag* texture = cubeA->MakeTag(host_type::kTextureTag);
        texture->SetMaterial(mat);
        texture->SetName("tex");
        cubeA->MakeTag(host_type::kSmoothingTag)->Data().Set(host_param::kSmoothingAngle, 45.0);
        HostTag* selection = cubeB->MakeTag(host_type::kPolygonSelectionTag);
        selection->GetSelection()->SelectRange(1, 3);
        cubeB->MakeTag(host_type::kUvTag);
        auto uvTag = std::make_unique<HlTag>(host_type::kUvTag, nullptr, 2);
        uvTag->SetUvw(1, {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 0}});
        cubeC->InsertTag(std::move(uvTag));
        cubeC->MakeTag(host_type::kTextureTag)->SetMaterial(mat);
    }
};

TEST(HeadlessUndo, GroupsNestAndUndoOnlyWhenClosed) {
    HlDocument document(nullptr);
    EXPECT_FALSE(document.DoUndo());
    document.StartUndo();
    document.StartUndo();
    document.EndUndo();
    EXPECT_EQ(document.UndoDepth(), 1);
    EXPECT_FALSE(document.DoUndo());  // still open
    document.EndUndo();
    EXPECT_EQ(document.UndoDepth(), 1);
    document.EndUndo();  // unmatched: ignored
    EXPECT_TRUE(document.DoUndo());
    EXPECT_EQ(document.UndoDepth(), 0);
    EXPECT_FALSE(document.DoUndo());
}

TEST(HeadlessUndo, OneReplacementIsUndoneExactly) {
    Scene scene;
    HlDocument& document = scene.document;
    const std::string before = Describe(document);
    document.StartUndo();
    HlObject* result = nullptr;
    ASSERT_TRUE(MakeEditable(document, *scene.cubeC, &result));
    document.EndUndo();
    EXPECT_NE(Describe(document), before);
    EXPECT_EQ(result->GetUp(), scene.cubeB);
    EXPECT_EQ(document.ReplacementOf(scene.cubeC), result);

    ASSERT_TRUE(document.DoUndo());
    EXPECT_EQ(Describe(document), before);
    EXPECT_EQ(document.ReplacementOf(scene.cubeC), scene.cubeC);
    EXPECT_EQ(scene.cubeB->GetDown(), scene.cubeC);
    EXPECT_EQ(scene.cubeC->GetNext(), scene.null);
    EXPECT_EQ(document.UndoDepth(), 0);
}

// Every cube of the scene converted in one group, in the given order (by name).
void ConvertAllAndUndo(const std::vector<std::string>& order) {
    SCOPED_TRACE(::testing::Message() << "order " << order[0] << order[1] << order[2] << order[3]);
    Scene scene;
    HlDocument& document = scene.document;
    const std::string before = Describe(document);
    const std::vector<HlObject*> originals = {scene.cubeA, scene.cubeB, scene.cubeC, scene.cubeD};

    HlReplacementRecord record;
    record.Init(&document);
    for (HlObject* o : originals) record.Add(o);

    document.StartUndo();
    for (const std::string& name : order) {
        // Reach the object through what now stands in its place.
        HostObject* current = document.SearchObject(name.c_str());
        ASSERT_NE(current, nullptr);
        document.StartUndo();  // nested: part of the outer group
        HlObject* result = nullptr;
        ASSERT_TRUE(MakeEditable(document, *static_cast<HlObject*>(current), &result));
        document.EndUndo();
        EXPECT_EQ(result->GetType(), host_type::kPolygonObject);
    }
    document.EndUndo();
    EXPECT_EQ(document.UndoDepth(), 1);

    // Nothing of type cube is left; every original has a replacement in the document.
    int cubes = 0, objects = 0;
    document.ForEachObject([&](HlObject& o) {
        ++objects;
        cubes += o.GetType() == host_type::kCube;
    });
    EXPECT_EQ(cubes, 0);
    EXPECT_EQ(objects, 8);
    for (size_t i = 0; i < originals.size(); ++i) {
        HostObject* replacement = record.GetReplacement(&document, static_cast<int32_t>(i));
        ASSERT_NE(replacement, nullptr);
        EXPECT_NE(replacement, originals[i]);
        EXPECT_EQ(replacement->GetName(), originals[i]->GetName());
        EXPECT_EQ(document.Resolve(replacement->GetLink()), replacement);
        EXPECT_EQ(document.Resolve(originals[i]->GetLink()), nullptr);
    }
    // The tree shape is kept: B's replacement is under A's, C's under B's.
    HostObject* a = record.GetReplacement(&document, 0);
    HostObject* b = record.GetReplacement(&document, 1);
    HostObject* c = record.GetReplacement(&document, 2);
    HostObject* d = record.GetReplacement(&document, 3);
    EXPECT_EQ(a->GetPred(), scene.top);
    EXPECT_EQ(a->GetNext(), scene.last);
    EXPECT_EQ(a->GetDown(), scene.polygon);
    EXPECT_EQ(b->GetUp(), a);
    EXPECT_EQ(b->GetPred(), scene.polygon);
    EXPECT_EQ(b->GetNext(), d);
    EXPECT_EQ(c->GetUp(), b);
    EXPECT_EQ(c->GetNext(), scene.null);
    EXPECT_EQ(c->GetTag(host_type::kUvTag)->GetUvwCount(), 2);
    EXPECT_EQ(static_cast<HlObject*>(a)->GetTag(host_type::kTextureTag)->GetMaterial(), document.GetFirstMaterial());

    ASSERT_TRUE(document.DoUndo());
    EXPECT_EQ(Describe(document), before);
    for (size_t i = 0; i < originals.size(); ++i) {
        EXPECT_EQ(record.GetReplacement(&document, static_cast<int32_t>(i)), originals[i]);
    }
    EXPECT_FALSE(document.DoUndo());
}

TEST(HeadlessUndo, SeveralNestedReplacementsInOneGroupAreUndoneExactly) {
    ConvertAllAndUndo({"A", "B", "C", "D"});  // parents first
    ConvertAllAndUndo({"C", "B", "D", "A"});  // children first
    ConvertAllAndUndo({"B", "A", "D", "C"});  // mixed
}

TEST(HeadlessUndo, GroupsAreUndoneOneAtATime) {
    Scene scene;
    HlDocument& document = scene.document;
    const std::string start = Describe(document);

    document.StartUndo();
    HlObject* a = nullptr;
    ASSERT_TRUE(MakeEditable(document, *scene.cubeA, &a));
    document.EndUndo();
    const std::string afterFirst = Describe(document);

    document.StartUndo();
    HlObject* b = nullptr;
    HlObject* c = nullptr;
    ASSERT_TRUE(MakeEditable(document, *scene.cubeB, &b));
    ASSERT_TRUE(MakeEditable(document, *scene.cubeC, &c));
    document.EndUndo();
    EXPECT_EQ(document.UndoDepth(), 2);
    EXPECT_EQ(document.ReplacementOf(scene.cubeA), a);
    EXPECT_EQ(document.ReplacementOf(scene.cubeC), c);

    ASSERT_TRUE(document.DoUndo());
    EXPECT_EQ(Describe(document), afterFirst);
    EXPECT_EQ(document.ReplacementOf(scene.cubeA), a);  // its group is still undoable
    EXPECT_EQ(document.ReplacementOf(scene.cubeB), scene.cubeB);
    EXPECT_EQ(scene.cubeB->GetUp(), a);

    ASSERT_TRUE(document.DoUndo());
    EXPECT_EQ(Describe(document), start);
    EXPECT_EQ(document.ReplacementOf(scene.cubeA), scene.cubeA);
    EXPECT_EQ(document.UndoDepth(), 0);
}

TEST(HeadlessUndo, EmptyGroupsAndLaterChanges) {
    Scene scene;
    HlDocument& document = scene.document;
    const std::string start = Describe(document);
    document.StartUndo();
    HlObject* result = nullptr;
    // Non-generators record nothing.
    ASSERT_TRUE(MakeEditable(document, *scene.polygon, &result));
    EXPECT_EQ(result, scene.polygon);
    document.EndUndo();
    EXPECT_TRUE(document.DoUndo());
    EXPECT_EQ(Describe(document), start);

    // A replacement removed from the document leaves nothing to put back: its original is
    // dropped with the group, and it has no replacement any more.
    document.StartUndo();
    ASSERT_TRUE(MakeEditable(document, *scene.cubeD, &result));
    document.EndUndo();
    std::unique_ptr<HostObject> removed = result->Remove();
    EXPECT_EQ(document.ReplacementOf(scene.cubeD), nullptr);
    EXPECT_TRUE(document.DoUndo());
    EXPECT_EQ(document.SearchObject("D"), nullptr);
    EXPECT_EQ(scene.cubeB->GetNext(), nullptr);
}

TEST(HeadlessUndo, ReplacementOfObjectsNotInTheDocument) {
    HlDocument document(nullptr);
    HlObject loose(host_type::kCube, nullptr);
    EXPECT_EQ(document.ReplacementOf(&loose), nullptr);
    EXPECT_EQ(document.ReplacementOf(nullptr), nullptr);
    HlObject* inside = Insert(document, host_type::kNull, "n");
    EXPECT_EQ(document.ReplacementOf(inside), inside);
    auto removed = inside->Remove();
    EXPECT_EQ(document.ReplacementOf(inside), nullptr);
}

}  // namespace
}  // namespace headless
