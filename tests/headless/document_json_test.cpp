// Loading and saving documents as JSON: what a document holds after loading, the exact error
// messages, the limits, and that saving gives text that loads back to the same document.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "headless/files/files.h"
#include "headless/host/registry.h"
#include "headless/json/document_json.h"
#include "tests/support/command_support.h"

namespace headless {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<HlDocument> Load(const std::string& text, std::string* error = nullptr,
                                 const PluginRegistry* registry = nullptr, const std::string& source = "bad.json") {
    LoadError e;
    auto document = LoadDocument(text, source, HostFilename("C:\\scenes"), registry, e);
    if (error) *error = e.message;
    return document;
}

std::unique_ptr<HlDocument> LoadData(const std::string& relative) {
    std::string error;
    auto document = Load(ReadFile(std::string(VEXLOR_SOURCE_DIR) + "/" + relative), &error, nullptr, relative);
    EXPECT_TRUE(document) << error;
    return document;
}

std::vector<HlObject*> PreOrder(const HlDocument& document) {
    std::vector<HlObject*> objects;
    document.ForEachObject([&](HlObject& o) { objects.push_back(&o); });
    return objects;
}

HlObject* Named(const HlDocument& document, const char* name) {
    return static_cast<HlObject*>(document.SearchObject(name));
}

// Where a link leads: the object's place in pre-order, or the material's name.
std::string Target(const HlDocument& document, HostLink link) {
    HostNode* node = document.Resolve(link);
    if (!node) return "nothing";
    if (node->Kind() == NodeKind::kMaterial) return "material " + node->GetName().Str();
    std::vector<HlObject*> objects = PreOrder(document);
    auto it = std::find(objects.begin(), objects.end(), node);
    return it == objects.end() ? "elsewhere" : "object #" + std::to_string(it - objects.begin());
}

void ExpectSameParams(const ParamContainer& a, const HlDocument& da, const ParamContainer& b, const HlDocument& db,
                      const std::string& where) {
    ASSERT_EQ(a.Size(), b.Size()) << where;
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        ASSERT_EQ(ia->first, ib->first) << where;
        const HostLink* la = std::get_if<HostLink>(&ia->second);
        const HostLink* lb = std::get_if<HostLink>(&ib->second);
        if (la && lb) EXPECT_EQ(Target(da, *la), Target(db, *lb)) << where << " param " << ia->first;
        else EXPECT_TRUE(ia->second == ib->second) << where << " param " << ia->first;
    }
}

// Everything a document holds, links compared by where they lead.
void ExpectSameDocument(const HlDocument& a, const HlDocument& b) {
    EXPECT_EQ(a.GetFps(), b.GetFps());
    EXPECT_EQ(a.GetTime(), b.GetTime());
    EXPECT_EQ(a.FrameRange(), b.FrameRange());
    ExpectSameParams(const_cast<HlDocument&>(a).GetActiveRenderData(), a,
                     const_cast<HlDocument&>(b).GetActiveRenderData(), b, "render");
    EXPECT_EQ(Target(a, a.SceneCamera() ? a.SceneCamera()->GetLink() : HostLink{}),
              Target(b, b.SceneCamera() ? b.SceneCamera()->GetLink() : HostLink{}));
    ASSERT_EQ(a.Materials().size(), b.Materials().size());
    for (size_t i = 0; i < a.Materials().size(); ++i) {
        HlMaterial& ma = *a.Materials()[i];
        HlMaterial& mb = *b.Materials()[i];
        std::string where = "material " + ma.GetName().Str();
        EXPECT_EQ(ma.GetType(), mb.GetType()) << where;
        EXPECT_EQ(ma.GetName(), mb.GetName()) << where;
        ExpectSameParams(ma.Data(), a, mb.Data(), b, where);
        for (int32_t n = 0; n < HlMaterial::kChannelCount; ++n) {
            ASSERT_EQ(ma.GetChannel(n) == nullptr, mb.GetChannel(n) == nullptr);
            if (!ma.GetChannel(n)) continue;
            EXPECT_EQ(ma.GetChannel(n)->IsOn(), mb.GetChannel(n)->IsOn()) << where << " channel " << n;
            ExpectSameParams(ma.GetChannel(n)->Data(), a, mb.GetChannel(n)->Data(), b, where);
        }
    }
    std::vector<HlObject*> oa = PreOrder(a), ob = PreOrder(b);
    ASSERT_EQ(oa.size(), ob.size());
    for (size_t i = 0; i < oa.size(); ++i) {
        const HlObject& x = *oa[i];
        const HlObject& y = *ob[i];
        std::string where = "object #" + std::to_string(i) + " " + x.GetName().Str();
        EXPECT_EQ(x.GetType(), y.GetType()) << where;
        EXPECT_EQ(x.GetName(), y.GetName()) << where;
        EXPECT_EQ(Target(a, x.GetUp() ? x.GetUp()->GetLink() : HostLink{}),
                  Target(b, y.GetUp() ? y.GetUp()->GetLink() : HostLink{})) << where;
        EXPECT_TRUE(x.GetMl() == y.GetMl()) << where;
        EXPECT_TRUE(x.GetRelRot() == y.GetRelRot()) << where;
        EXPECT_TRUE(x.GetRelScale() == y.GetRelScale()) << where;
        EXPECT_EQ(x.GetRenderMode(), y.GetRenderMode()) << where;
        EXPECT_TRUE(x.GetDisplayColor() == y.GetDisplayColor()) << where;
        EXPECT_TRUE(std::equal(x.GetPoints(), x.GetPoints() + x.GetPointCount(), y.GetPoints(),
                               y.GetPoints() + y.GetPointCount())) << where;
        EXPECT_TRUE(std::equal(x.GetPolygons(), x.GetPolygons() + x.GetPolygonCount(), y.GetPolygons(),
                               y.GetPolygons() + y.GetPolygonCount())) << where;
        EXPECT_TRUE(x.GetTracks() == y.GetTracks()) << where;
        ExpectSameParams(x.Data(), a, y.Data(), b, where);
        ASSERT_EQ(x.Tags().size(), y.Tags().size()) << where;
        for (size_t t = 0; t < x.Tags().size(); ++t) {
            HlTag& ta = *x.Tags()[t];
            HlTag& tb = *y.Tags()[t];
            EXPECT_EQ(ta.GetType(), tb.GetType()) << where << " tag " << t;
            EXPECT_EQ(ta.GetName(), tb.GetName()) << where << " tag " << t;
            EXPECT_TRUE(ta.Uvw() == tb.Uvw()) << where << " tag " << t;
            EXPECT_TRUE(ta.Normals() == tb.Normals()) << where << " tag " << t;
            EXPECT_TRUE(ta.Selection() == tb.Selection()) << where << " tag " << t;
            ExpectSameParams(ta.Data(), a, tb.Data(), b, where + " tag " + std::to_string(t));
        }
    }
}

// --- loading --------------------------------------------------------------------------------

TEST(DocumentJsonLoad, ReadsEveryPartOfADocument) {
    auto doc = LoadData("tests/data/docs/full.json");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetName().Str(), "full");
    EXPECT_EQ(doc->GetPath(), HostFilename("C:\\scenes"));
    EXPECT_EQ(doc->GetFps(), 25);
    EXPECT_DOUBLE_EQ(doc->GetTime(), 0.4);
    EXPECT_EQ(doc->FrameRange(), std::pair(-5, 48));
    EXPECT_EQ(doc->GetActiveRenderData().Get<int32_t>(5008), 1920);
    EXPECT_EQ(doc->GetActiveRenderData().TypeOf(7000), ParamType::kReal);
    ASSERT_TRUE(doc->SceneCamera());
    EXPECT_EQ(doc->SceneCamera()->GetName().Str(), "Main Camera");

    // Materials: types by name and number, channels, links in their parameters.
    ASSERT_EQ(doc->Materials().size(), 3u);
    HlMaterial& steel = *doc->Materials()[0];
    EXPECT_EQ(steel.GetType(), host_type::kStandardMaterial);
    EXPECT_EQ(doc->Materials()[1]->GetType(), host_type::kMaterialBase);
    EXPECT_EQ(doc->Materials()[2]->GetType(), host_type::kStandardMaterial);
    EXPECT_TRUE(steel.Data().Get<Vector>(2100) == (Vector{0.6f, 0.6f, 0.65f}));
    EXPECT_EQ(steel.Data().TypeOf(2104), ParamType::kFilename);
    EXPECT_EQ(steel.Data().GetLink(2105, doc.get()), doc->SearchObject("Lamp"));
    EXPECT_TRUE(steel.GetChannel(0)->IsOn());
    EXPECT_EQ(steel.GetChannel(0)->Data().Get<HostString>(host_param::kChannelTexture).Str(), "steel.png");
    EXPECT_EQ(steel.GetChannel(0)->Data().TypeOf(host_param::kChannelFolder), ParamType::kFilename);
    EXPECT_FALSE(steel.GetChannel(5)->IsOn());
    EXPECT_FLOAT_EQ(steel.GetChannel(5)->Data().Get<float>(1003), 0.25f);

    // The tree: order, parents, types by name, module class and number.
    std::vector<std::string> names;
    for (HlObject* o : PreOrder(*doc)) names.push_back(o->GetName().Str());
    EXPECT_EQ(names, (std::vector<std::string>{"Wedge", "Rig", "Main Camera", "Lamp", "Wedge Copy", "Proxy",
                                               "Settings", "Crate"}));
    HlObject* wedge = Named(*doc, "Wedge");
    EXPECT_EQ(Named(*doc, "Lamp")->GetUp(), Named(*doc, "Rig"));
    EXPECT_EQ(Named(*doc, "Proxy")->GetType(), 1022273);
    EXPECT_EQ(Named(*doc, "Rig")->GetRenderMode(), render_mode::kOff);
    EXPECT_EQ(wedge->GetRenderMode(), render_mode::kOn);
    EXPECT_EQ(Named(*doc, "Crate")->GetRenderMode(), render_mode::kDefault);
    EXPECT_TRUE(wedge->GetMl() == (Matrix{{10, 20, 30}, {1, 0, 0}, {0, 2, 0.5f}, {0, 0, 1}}));
    EXPECT_TRUE(wedge->GetDisplayColor() == (DisplayColor{2, {1, 0, 0}, true}));
    HlObject* camera = Named(*doc, "Main Camera");
    const double rad = 3.14159265358979323846 / 180;
    Vector rotation{static_cast<float>(10 * rad), static_cast<float>(-15 * rad), static_cast<float>(5 * rad)};
    EXPECT_TRUE(camera->GetRelRot() == rotation);
    EXPECT_TRUE(camera->GetMl() == MatrixFromPRS({0, 100, -400}, rotation, {1, 1, 1}));

    // Geometry: a three-index polygon is a triangle with d = c.
    ASSERT_EQ(wedge->GetPointCount(), 5);
    ASSERT_EQ(wedge->GetPolygonCount(), 5);
    EXPECT_TRUE(wedge->GetPolygons()[0] == (CPolygon{0, 1, 2, 3}));
    EXPECT_TRUE(wedge->GetPolygons()[1] == (CPolygon{0, 1, 4, 4}));
    EXPECT_EQ(Named(*doc, "Wedge Copy")->Data().GetLink(host_param::kInstanceLink, doc.get()), wedge);
    EXPECT_EQ(Named(*doc, "Proxy")->Data().Get<HostLink>(1001), HostLink{});

    // Tags.
    ASSERT_EQ(wedge->Tags().size(), 8u);
    HlTag& texture = *wedge->Tags()[0];
    EXPECT_EQ(texture.GetName().Str(), "paint");
    EXPECT_EQ(texture.GetMaterial(), &steel);
    EXPECT_EQ(texture.Data().Get<HostString>(host_param::kTextureRestriction).Str(), "sides");
    EXPECT_EQ(texture.Data().Get<float>(host_param::kTextureOffsetV), 0.5f);
    EXPECT_EQ(texture.Data().Get<float>(host_param::kTextureLengthV), 2.0f);
    EXPECT_EQ(texture.Data().Get<int32_t>(host_param::kTextureProjection), projection::kCylindrical);
    // Left out, the texture keys take their defaults.
    HlTag& plain = *wedge->Tags()[1];
    EXPECT_EQ(plain.Data().Get<int32_t>(host_param::kTextureProjection, -1), projection::kUvw);
    EXPECT_EQ(plain.Data().Get<float>(host_param::kTextureLengthU, -1), 1.0f);
    EXPECT_EQ(plain.Data().Get<float>(host_param::kTextureOffsetU, -1), 0.0f);
    EXPECT_EQ(wedge->Tags()[2]->Data().Get<float>(host_param::kSmoothingAngle), 45.5f);
    HlTag& uvw = *wedge->Tags()[3];
    ASSERT_EQ(uvw.GetUvwCount(), 5);
    EXPECT_TRUE(uvw.GetUvw(1) == (UvwCorners{{0, 0, 0.5f}, {1, 0, 0.5f}, {0.5f, 1, 0.5f}, {0.5f, 1, 0.5f}}));
    HlTag& selection = *wedge->Tags()[4];
    EXPECT_TRUE(selection.Selection().Ranges() == (std::vector<HostSelection::Range>{{1, 4}}));
    EXPECT_EQ(wedge->Tags()[5]->GetType(), 1021223);
    EXPECT_EQ(wedge->Tags()[6]->Data().Get<int32_t>(70002), 100);
    // Four normals a polygon (d = c after three corners): the object's corner normals.
    const std::vector<Vector>& normals = wedge->Tags()[7]->Normals();
    ASSERT_EQ(normals.size(), 20u);
    EXPECT_EQ(normals[11], Vector(0.5f, 1, 0));
    EXPECT_EQ(wedge->CreateCornerNormals(), normals);

    // Tracks come sorted by frame; rotations in radians.
    const Tracks& tracks = wedge->GetTracks();
    ASSERT_EQ(tracks.position.size(), 3u);
    EXPECT_EQ(tracks.position[1].frame, 7.5);
    EXPECT_TRUE(tracks.position[2].value == (Vector{0, 0, 10}));
    EXPECT_FLOAT_EQ(tracks.rotation[1].value.x, static_cast<float>(90 * rad));
}

// How parameter values are typed: by the JSON value alone, or by a described type.
TEST(DocumentJsonLoad, TypesParameterValues) {
    PluginRegistry registry;
    registry.SetTypeLookup([](int32_t plugin, int32_t param) {
        return plugin == 1020896 && param >= 1 && param <= 7 ? static_cast<ParamType>(param) : ParamType::kNone;
    });
    struct Case {
        ParamType described;  // kNone: untyped
        const char* value;
        ParamValue expected;
    };
    const Case cases[] = {
        {ParamType::kNone, "7", int32_t{7}},
        {ParamType::kNone, "-2147483648", int32_t{INT32_MIN}},
        {ParamType::kNone, "7.0", 7.0f},
        {ParamType::kNone, "3.4028235e38", FLT_MAX},
        {ParamType::kNone, "true", true},
        {ParamType::kNone, "[1, 2.5, -3]", Vector{1, 2.5f, -3}},
        {ParamType::kNone, "\"text\"", HostString("text")},
        {ParamType::kNone, "{\"file\": \"a.png\"}", HostFilename("a.png")},
        {ParamType::kNone, "null", HostLink{}},
        {ParamType::kBool, "0", false},
        {ParamType::kBool, "2.5", true},
        {ParamType::kInt, "4.0", int32_t{4}},
        {ParamType::kInt, "true", int32_t{1}},
        {ParamType::kReal, "1", 1.0f},
        {ParamType::kVector, "[0, 0, 1]", Vector{0, 0, 1}},
        {ParamType::kString, "\"x\"", HostString("x")},
        {ParamType::kFilename, "\"b.png\"", HostFilename("b.png")},
        {ParamType::kFilename, "{\"file\": \"c.png\"}", HostFilename("c.png")},
        {ParamType::kLink, "null", HostLink{}},
    };
    for (const Case& c : cases) {
        int32_t id = c.described == ParamType::kNone ? 100 : static_cast<int32_t>(c.described);
        std::string text = R"({"objects": [{"type": "MyRenderSettings", "params": {")" + std::to_string(id) +
                           "\": " + c.value + "}}]}";
        std::string error;
        auto doc = Load(text, &error, &registry);
        ASSERT_TRUE(doc) << text << ": " << error;
        const ParamValue* value = doc->GetFirstObject()->Data().Find(id);
        ASSERT_TRUE(value) << text;
        EXPECT_EQ(value->index(), c.expected.index()) << text;
        EXPECT_TRUE(*value == c.expected) << text;
    }
    // A link named by a described link parameter resolves like any other.
    auto doc = Load(R"({"objects": [{"type": "MyRenderSettings", "name": "S", "params": {"7": {"object": "S"}}}]})",
                    nullptr, &registry);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetFirstObject()->Data().GetLink(7, doc.get()), doc->GetFirstObject());
}

// Objects with the same name: links take the first in pre-order, or the nth.
TEST(DocumentJsonLoad, ResolvesRepeatedNamesInPreOrder) {
    auto doc = LoadData("tests/data/docs/names.json");
    ASSERT_TRUE(doc);
    std::vector<HlObject*> objects = PreOrder(*doc);  // Cam, Box, (unnamed), Box, Cam, Links
    const ParamContainer& links = objects[5]->Data();
    EXPECT_EQ(links.GetLink(1, doc.get()), objects[1]);
    EXPECT_EQ(links.GetLink(2, doc.get()), objects[3]);
    EXPECT_EQ(links.GetLink(3, doc.get()), objects[2]);
    EXPECT_EQ(links.GetLink(4, doc.get()), objects[4]);
    EXPECT_EQ(doc->SceneCamera(), objects[4]);
}

// --- errors ---------------------------------------------------------------------------------

struct ErrorCase {
    std::string text;
    std::string message;
};

void ExpectErrors(const std::vector<ErrorCase>& cases, const PluginRegistry* registry = nullptr) {
    for (const ErrorCase& c : cases) {
        std::string error;
        EXPECT_FALSE(Load(c.text, &error, registry)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
}

TEST(DocumentJsonErrors, SyntaxErrorsNameLineAndColumn) {
    using namespace std::string_literals;
    ExpectErrors({
        {"", "bad.json:1:1: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
        {"hello", "bad.json:1:1: syntax error while parsing value - invalid literal; last read: 'h'"},
        {"{\"fps\": 30,\n  \"frame\": }",
         "bad.json:2:12: syntax error while parsing value - unexpected '}'; expected '[', '{', or a literal"},
        {"{\"fps\": NaN}", "bad.json:1:9: syntax error while parsing value - invalid literal; last read: '\"fps\": N'"},
        {"{\"fps\": 30} x",
         "bad.json:1:13: syntax error while parsing value - invalid literal; last read: '30} x'; expected end of input"},
        {"{\"fps\":\n 1e400}", "bad.json:2:6: number overflow parsing '1e400'"},
        {"{\"fps\": 30,\n  \"fps\": 31}", "bad.json:2:3: duplicate key \"fps\""},
        {"{\"objects\": [{\"type\": \"null\", \"na\\\"me\": 1, \"na\\\"me\": 2}]}",
         "bad.json:1:44: duplicate key \"na\\\"me\""},
        // The parser would stop at a NUL byte; any one is refused, before the text is parsed.
        {"{\"fps\": 30}\n\0garbage"s, "bad.json:2:1: NUL byte in the text"},
        {"{\"fps\": 30,\0 \"frame\": 1}"s, "bad.json:1:12: NUL byte in the text"},
    });
}

TEST(DocumentJsonErrors, ContentErrorsNameKeyPath) {
    ExpectErrors({
        {"[]", "bad.json: expected an object, got an array of 0 elements"},
        {R"({"fsp": 30})",
         "bad.json: fsp: unknown key (expected fps, frame, frames, camera, render, materials, objects)"},
        {R"({"frames": [3, 2]})", "bad.json: frames: the first frame 3 comes after the last 2"},
        {R"({"frames": [-2147483649, 0]})",
         "bad.json: frames[0]: -2147483649 is out of range for a frame (frames run from -2147483648 to 2147483647)"},
        {R"({"fps": "x"})", "bad.json: fps: expected a whole number, got a string"},
        {R"({"fps": 0})", "bad.json: fps: must be greater than 0, got 0"},
        {R"({"fps": 2.5})", "bad.json: fps: expected a whole number, got 2.5"},
        {R"({"fps": 3000000000})", "bad.json: fps: 3000000000 is out of range for a 32-bit integer"},
        {R"({"frame": 3e9})",
         "bad.json: frame: 3000000000.0 is out of range for a frame (frames run from -2147483648 to 2147483647)"},
        {R"({"frame": 2147483647.5})",
         "bad.json: frame: 2147483647.5 is out of range for a frame (frames run from -2147483648 to 2147483647)"},
        {R"({"objects": [{"type": "null", "tracks": {"scale": [[0, [1, 1, 1]], [-2147483649, [1, 1, 1]]]}}]})",
         "bad.json: objects[0].tracks.scale[1][0]: -2147483649 is out of range for a frame (frames run from "
         "-2147483648 to 2147483647)"},
        {R"({"objects": {}})", "bad.json: objects: expected an array, got an object"},
        {R"({"objects": [{"name": "a"}]})", "bad.json: objects[0]: missing key \"type\""},
        {R"({"objects": [{"type": "polygn"}]})", "bad.json: objects[0].type: unknown object type \"polygn\""},
        {R"({"objects": [{"type": "MyLightTag"}]})",
         "bad.json: objects[0].type: \"MyLightTag\" is a tag type, not an object type"},
        {R"({"objects": [{"type": "null", "nmae": "a"}]})",
         "bad.json: objects[0].nmae: unknown key (expected type, name, render, matrix, position, rotation, scale, "
         "color, points, polygons, params, tags, tracks, children)"},
        {R"({"objects": [{"type": "null", "a b": 1}]})",
         "bad.json: objects[0][\"a b\"]: unknown key (expected type, name, render, matrix, position, rotation, "
         "scale, color, points, polygons, params, tags, tracks, children)"},
        {R"({"objects": [{"type": "null", "render": "maybe"}]})",
         "bad.json: objects[0].render: unknown render mode \"maybe\""},
        {R"({"objects": [{"type": "polygon", "points": [[0, 0, 0], [1, 0]]}]})",
         "bad.json: objects[0].points[1]: expected [x, y, z], got an array of 2 elements"},
        {R"({"objects": [{"type": "polygon", "points": [[0, 0, "z"]]}]})",
         "bad.json: objects[0].points[0][2]: expected a number, got a string"},
        {R"({"objects": [{"type": "polygon", "points": [[1e39, 0, 0]]}]})",
         "bad.json: objects[0].points[0][0]: 1e+39 is out of range for a 32-bit real"},
        {R"({"objects": [{"type": "sphere", "points": []}]})",
         "bad.json: objects[0].points: only polygon objects have points and polygons"},
        {R"({"objects": [{"type": "polygon", "points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0, 1]]}]})",
         "bad.json: objects[0].polygons[0]: a polygon has 3 or 4 point indices, got 2"},
        {R"({"objects": [{"type": "polygon", "points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0,1,2,0,1]]}]})",
         "bad.json: objects[0].polygons[0]: a polygon has 3 or 4 point indices, got 5"},
        {R"({"objects": [{"type": "polygon", "name": "T", "points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0,-1,2]]}]})",
         "bad.json: objects[0].polygons[0][1]: point index -1 out of range (object \"T\" has 3 points)"},
        {R"({"objects": [{"type": "null", "matrix": {}, "position": [0, 0, 0]}]})",
         "bad.json: objects[0].position: cannot be combined with \"matrix\""},
        {R"({"objects": [{"type": "null", "rotation": [1e41, 0, 0]}]})",
         "bad.json: objects[0].rotation[0]: 1e+41 degrees is out of range"},
        {R"({"objects": [{"type": "null", "params": {"012": 1}}]})",
         "bad.json: objects[0].params.012: parameter keys are whole numbers"},
        {R"({"objects": [{"type": "null", "params": {"5": {"object": "a", "file": "b"}}}]})",
         "bad.json: objects[0].params.5: expected one of \"object\", \"material\" or \"file\""},
        {R"({"objects": [{"type": "null", "params": {"5": {"material": "a", "nth": 1}}}]})",
         "bad.json: objects[0].params.5.nth: \"nth\" goes with \"object\" only"},
        {R"({"objects": [{"type": "null", "params": {"5": {"object": "Ghost"}}}]})",
         "bad.json: objects[0].params.5.object: no object named \"Ghost\""},
        {R"({"objects": [{"type": "null", "name": "A", "params": {"5": {"object": "A", "nth": 1}}}]})",
         "bad.json: objects[0].params.5.nth: no object \"A\" number 1 (there are 1)"},
        {R"({"objects": [{"type": "null", "tracks": {"position": [[0]]}}]})",
         "bad.json: objects[0].tracks.position[0]: expected [frame, [x, y, z]], got an array of 1 element"},
        {R"({"camera": "Cam", "objects": [{"type": "null", "name": "Floor"}]})",
         "bad.json: camera: no object named \"Cam\""},
        {R"({"camera": "Floor", "objects": [{"type": "floor", "name": "Floor"}]})",
         "bad.json: camera: object \"Floor\" (floor) is not a camera"},
    });
}

// A document of one triangle object "P" with the given tag.
std::string Triangle(const std::string& tag) {
    return R"({"objects": [{"type": "polygon", "name": "P", "points": [[0,0,0],[1,0,0],[1,0,1]], )"
           R"("polygons": [[0,1,2]], "tags": [)" + tag + "]}]}";
}

TEST(DocumentJsonErrors, MaterialAndTagErrors) {
    ExpectErrors({
        {R"({"materials": [{"name": "W"}, {"name": "W"}]})",
         "bad.json: materials[1].name: duplicate material name \"W\""},
        {R"({"materials": [{"type": "wood"}]})", "bad.json: materials[0].type: unknown material type \"wood\""},
        {R"({"materials": [{"channels": {"13": {}}}]})",
         "bad.json: materials[0].channels.13: channel numbers run from 0 to 12"},
        {R"({"materials": [{"type": "base", "channels": {"0": {"on": true}}}]})",
         "bad.json: materials[0].channels.0: a material of base has no channels"},
        {R"({"materials": [{"channels": {"0": {"texture": "a", "params": {"1002": "b"}}}}]})",
         "bad.json: materials[0].channels.0.texture: parameter 1002 is also set in \"params\""},
        {R"({"objects": [{"type": "null", "tags": [{"type": "texture", "material": "Stone"}]}]})",
         "bad.json: objects[0].tags[0].material: no material named \"Stone\""},
        {R"({"objects": [{"type": "null", "tags": [{"type": "texture", "angle": 3}]}]})",
         "bad.json: objects[0].tags[0].angle: unknown key (expected type, name, params, material, restriction, "
         "offset, length, projection)"},
        {R"({"objects": [{"type": "null", "tags": [{"type": "texture", "projection": "planar"}]}]})",
         "bad.json: objects[0].tags[0].projection: unknown projection \"planar\""},
        {R"({"objects": [{"type": "null", "tags": [{"type": "texture", "offset": [1]}]}]})",
         "bad.json: objects[0].tags[0].offset: expected [u, v], got an array of 1 element"},
        {R"({"objects": [{"type": "null", "tags": [{"type": "cube"}]}]})",
         "bad.json: objects[0].tags[0].type: \"cube\" is an object type, not a tag type"},
        {R"({"objects": [{"type": "null", "tags": [{"type": "smoothing", "angle": 1, "params": {"1000": 2.0}}]}]})",
         "bad.json: objects[0].tags[0].angle: parameter 1000 is also set in \"params\""},
        {Triangle(R"({"type": "uvw", "uvs": []})"),
         "bad.json: objects[0].tags[0].uvs: expected 1 entries (one per polygon of object \"P\"), got 0"},
        {Triangle(R"({"type": "uvw", "uvs": [[[0, 0], [1, 0]]]})"),
         "bad.json: objects[0].tags[0].uvs[0]: expected 3 or 4 [u, v] corners, got an array of 2 elements"},
        {Triangle(R"({"type": "uvw", "uvs": [[[0, 0], [1, 0], [1, 1, 1, 1]]]})"),
         "bad.json: objects[0].tags[0].uvs[0][2]: expected [u, v] or [u, v, w], got an array of 4 elements"},
        {Triangle(R"({"type": "normal", "normals": [[[0, 0, 1], [0, 0, 1]]]})"),
         "bad.json: objects[0].tags[0].normals[0]: expected 3 or 4 [x, y, z] corners, got an array of 2 elements"},
        {Triangle(R"({"type": "selection", "polygons": [0, [0, 1]]})"),
         "bad.json: objects[0].tags[0].polygons[1][1]: polygon index 1 out of range (object \"P\" has 1 polygons)"},
        {Triangle(R"({"type": "selection", "polygons": [[0, 0], [0, -1]]})"),
         "bad.json: objects[0].tags[0].polygons[1][1]: polygon index -1 out of range (object \"P\" has 1 polygons)"},
        {R"({"objects": [{"type": "polygon", "points": [[0,0,0],[1,0,0],[1,0,1]], "polygons": [[0,1,2],[0,1,2]],
             "tags": [{"type": "selection", "polygons": [[1, 0]]}]}]})",
         "bad.json: objects[0].tags[0].polygons[0]: range [1, 0] runs backwards"},
    });
}

TEST(DocumentJsonErrors, DescribedTypesAreEnforced) {
    PluginRegistry registry;  // parameter N is described as ParamType N
    registry.SetTypeLookup([](int32_t, int32_t param) {
        return param >= 1 && param <= 7 ? static_cast<ParamType>(param) : ParamType::kNone;
    });
    struct Case {
        const char* id;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {"3", "\"x\"", "expected a number, got a string"},            // real
        {"2", "2.5", "expected a whole number, got 2.5"},             // integer
        {"1", "\"yes\"", "expected true or false, got a string"},      // bool
        {"6", "5", "expected a file name, got 5"},                    // file name
        {"6", R"({"object": "x"})", "expected a file name, got a link"},
        {"5", R"({"file": "x"})", "expected a string, got an object"},  // string
        {"7", "\"x\"", "expected a link, got a string"},              // link
        {"7", R"({"file": "x"})", "expected a link, got a file name"},
    };
    for (const Case& c : cases) {
        std::string text =
            std::string(R"({"objects": [{"type": "OrvaneInstance", "params": {")") + c.id + "\": " + c.value + "}}]}";
        std::string error;
        EXPECT_FALSE(Load(text, &error, &registry)) << text;
        EXPECT_EQ(error, std::string("bad.json: objects[0].params.") + c.id + ": " + c.message) << text;
    }
}

// --- limits ---------------------------------------------------------------------------------

std::string Nested(int levels) { return std::string(levels, '[') + std::string(levels, ']'); }

TEST(DocumentJsonLimits, RefusesDeepNestingBeforeParsing) {
    std::string error;
    EXPECT_FALSE(Load(Nested(2001), &error));
    EXPECT_EQ(error, "bad.json:1:2001: nesting deeper than 2000 levels");
    // Brackets inside strings do not count; exactly 2000 levels parse and fail on content.
    EXPECT_FALSE(Load("{\"objects\": " + Nested(1999) + ", \"camera\": \"" + std::string(3000, '[') + "\"}", &error));
    EXPECT_EQ(error, "bad.json: objects[0]: expected an object, got an array of 1 element");
    EXPECT_FALSE(Load(std::string(100000, '{'), &error));
    EXPECT_EQ(error, "bad.json:1:2001: nesting deeper than 2000 levels");
}

// Frames take the 32-bit range, both ends included; beyond it is a content error.
TEST(DocumentJsonLimits, FramesSpanThe32BitRange) {
    std::string error;
    EXPECT_TRUE(Load(R"({"frame": 2147483647, "frames": [-2147483648, 2147483647], "objects": [{"type": "null",
                         "tracks": {"position": [[-2147483648, [0, 0, 0]]]}}]})", &error)) << error;
}

std::string ObjectChain(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += R"({"type": "null", "children": [)";
    for (int i = 0; i < depth; ++i) text += "]}";
    return R"({"objects": [)" + text + "]}";
}

TEST(DocumentJsonLimits, RefusesObjectTreesDeeperThanTheLimit) {
    std::string error;
    auto doc = Load(ObjectChain(document_format::kMaxObjectDepth), &error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ(PreOrder(*doc).size(), static_cast<size_t>(document_format::kMaxObjectDepth));
    std::string again = SaveDocument(*doc);
    EXPECT_TRUE(Load(again, &error)) << error;

    EXPECT_FALSE(Load(ObjectChain(document_format::kMaxObjectDepth + 1), &error));
    std::string path = "objects[0]";
    for (int i = 1; i < document_format::kMaxObjectDepth + 1; ++i) path += ".children[0]";
    EXPECT_EQ(error, "bad.json: " + path + ": objects nested deeper than 500 levels");
}

// Names are looked up in a table, not by searching the tree for each link: a document with
// many objects and as many links loads in about linear time.
TEST(DocumentJsonLimits, LargeDocumentsLoadInLinearTime) {
    auto make = [](int count) {
        std::string text = R"({"objects": [)";
        for (int i = 0; i < count; ++i) {
            text += (i ? "," : "") + std::string(R"({"type": "instance", "name": "o)") + std::to_string(i) +
                    R"(", "params": {"1001": {"object": "o)" + std::to_string(count - 1 - i) + "\"}}}";
        }
        return text + "]}";
    };
    auto seconds = [](const std::string& text) {
        auto start = std::chrono::steady_clock::now();
        auto doc = Load(text);
        EXPECT_TRUE(doc);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::string small = make(5000), large = make(20000);
    seconds(small);  // warm up
    double a = std::min(seconds(small), seconds(small));
    double b = std::min(seconds(large), seconds(large));
    // Four times the size: about four times the time; a search per link would take sixteen.
    EXPECT_LT(b / a, 8.0) << a << " s for 5000 objects, " << b << " s for 20000";
}

// --- saving ---------------------------------------------------------------------------------

class DocumentJsonRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentJsonRoundTrip, SavedTextLoadsToTheSameDocumentAndSavesAgainUnchanged) {
    auto first = LoadData(GetParam());
    ASSERT_TRUE(first);
    std::string saved = SaveDocument(*first);
    std::string error;
    auto second = Load(saved, &error);
    ASSERT_TRUE(second) << error << "\n" << saved;
    ExpectSameDocument(*first, *second);
    EXPECT_EQ(SaveDocument(*second), saved);
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentJsonRoundTrip,
                         ::testing::Values("examples/room.json", "tests/data/docs/full.json",
                                           "tests/data/docs/animated.json", "tests/data/docs/names.json",
                                           "tests/data/docs/minimal.json"));

TEST(DocumentJsonSave, WritesShortestRealsAndCompactArrays) {
    auto doc = Load(R"({"objects": [{"type": "null", "name": "N", "position": [0.1, 1, -2.5e-7],
                        "params": {"1": 0.3, "2": 3, "3": true, "4": "t", "5": {"file": "f"}}}]})");
    ASSERT_TRUE(doc);
    EXPECT_EQ(SaveDocument(*doc), R"({
  "fps": 30,
  "frame": 0,
  "render": {
    "5007": 0,
    "5008": 640,
    "5009": 480
  },
  "materials": [],
  "objects": [
    {
      "type": "null",
      "name": "N",
      "position": [0.1, 1.0, -2.5e-07],
      "params": {
        "1": 0.3,
        "2": 3,
        "3": true,
        "4": "t",
        "5": {
          "file": "f"
        }
      }
    }
  ]
}
)");
}

// Values no document text names directly: arbitrary reals and radians, a sheared matrix, a
// time between frames, links to objects of repeated names, a link that leads nowhere.
TEST(DocumentJsonSave, KeepsValuesExactly) {
    HlDocument doc(nullptr);
    doc.SetFps(24);
    doc.SetTime(7.7 / 24);  // frame 7.7, though time * fps is not 7.7
    auto a = std::make_unique<HlObject>(host_type::kNull, nullptr);
    auto b = std::make_unique<HlObject>(host_type::kNull, nullptr);
    auto c = std::make_unique<HlObject>(host_type::kCamera, nullptr);
    HlObject* pa = a.get();
    HlObject* pb = b.get();
    HlObject* pc = c.get();
    pa->SetName("Twin");
    pb->SetName("Twin");
    pa->SetPRS({1.0f / 3, FLT_MAX, -0.0f}, {0.123456789f, -3.0f, 1e-30f}, {FLT_MIN, 7.0f, 1e-45f});
    pb->SetMl(Matrix{{0, 0, 0}, {1, 0.1f, 0}, {0, 1, 0}, {0, 0, 1}});
    pa->GetTracks().rotation = {{0.1, {2.0f, 0.5f, -1.0f}}, {1e6, {1e10f, 0, 0}}};
    pc->Data().Set(1, HostLink{pb->GetLink()});
    pc->Data().Set(2, HostLink{999999999});
    pc->Data().Set(3, 1e-7);
    doc.InsertObject(std::move(a), nullptr, nullptr);
    doc.InsertObject(std::move(b), nullptr, pa);
    doc.InsertObject(std::move(c), nullptr, pb);
    doc.SetSceneCamera(pc);

    std::string saved = SaveDocument(doc);
    std::string error;
    auto loaded = Load(saved, &error);
    ASSERT_TRUE(loaded) << error << "\n" << saved;
    ExpectSameDocument(doc, *loaded);
    HlObject* twin = static_cast<HlObject*>(loaded->GetFirstObject());
    EXPECT_TRUE(twin->GetRelRot() == pa->GetRelRot());
    EXPECT_EQ(loaded->GetTime(), doc.GetTime());
    EXPECT_NE(saved.find(R"("1": {)" "\n" R"(          "object": "Twin",)" "\n" R"(          "nth": 1)"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find(R"("2": null)"), std::string::npos) << saved;
}

TEST(DocumentJsonFile, ReadsFileAndNamesDocumentAfterIt) {
    FileSystem files;
    LoadError error;
    std::string path = std::string(VEXLOR_SOURCE_DIR) + "/examples/room.json";
    auto doc = LoadDocumentFile(path, files, nullptr, error);
    ASSERT_TRUE(doc) << error.message;
    EXPECT_EQ(doc->GetName().Str(), "room");
    EXPECT_EQ(doc->GetPath(), files.ToHost(std::string(VEXLOR_SOURCE_DIR) + "/examples"));
    EXPECT_EQ(doc->SceneCamera(), doc->SearchObject("Camera"));

    EXPECT_FALSE(LoadDocumentFile("/nonexistent/room.json", files, nullptr, error));
    EXPECT_EQ(error.message, "/nonexistent/room.json: cannot read file: No such file or directory");
}

// A folder, a device or a FIFO may give bytes without end (or none until a writer comes).
TEST(DocumentJsonFile, RefusesOtherFilesAndFilesOverTheLimit) {
    const std::string dir = testing_support::ScratchFolder("vexlor-document-").string();
    const std::string large = dir + "/large.json";
    std::vector<std::string> others = {std::string(VEXLOR_SOURCE_DIR)};
#ifndef _WIN32
    const std::string fifo = dir + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    others.insert(others.end(), {std::string("/dev/null"), fifo});
#endif
    std::ofstream(large).close();
    std::filesystem::resize_file(large, kMaxDocumentBytes + 1);  // sparse: no room taken on the disk
    FileSystem files;
    LoadError error;
    for (const std::string& path : others) {
        EXPECT_FALSE(LoadDocumentFile(path, files, nullptr, error)) << path;
        EXPECT_EQ(error.message, path + ": cannot read file: not a regular file");
    }
    EXPECT_FALSE(LoadDocumentFile(large, files, nullptr, error));
    EXPECT_EQ(error.message, large + ": cannot read file: 1073741825 bytes is more than the limit of 1073741824 bytes");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace headless
