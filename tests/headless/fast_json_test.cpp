// The quick way of loading documents against the precise one: every document of the project
// and one with every kind of geometry load to the same saved text both ways, with the large
// arrays kept out of the tree; unusual texts are left to the precise path, whose messages are
// the ones reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "headless/json/document_json.h"
#include "headless/json/fast_json.h"

namespace headless {
namespace {

namespace fs = std::filesystem;
using document_loading::LoadFast;
using document_loading::LoadPrecise;

const HostFilename kFolder("C:\\scenes");

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Both ways load the text to documents that save to the same text.
void ExpectSameBothWays(const std::string& text, const std::string& source) {
    LoadError error;
    auto precise = LoadPrecise(text, source, kFolder, nullptr, error);
    ASSERT_TRUE(precise) << source << ": " << error.message;
    auto fast = LoadFast(text, source, kFolder, nullptr);
    ASSERT_TRUE(fast) << source << ": the quick way gave up";
    EXPECT_EQ(SaveDocument(*fast), SaveDocument(*precise)) << source;
}

TEST(FastJson, ProjectDocumentsLoadTheSameBothWays) {
    const fs::path root(VEXLOR_SOURCE_DIR);
    size_t documents = 0;
    for (const fs::path& folder : {root / "examples", root / "tests/data"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".json") continue;
            const std::string text = ReadText(entry.path());
            LoadError error;
            if (!LoadPrecise(text, "x.json", kFolder, nullptr, error)) continue;  // not a document
            ExpectSameBothWays(text, entry.path().string());
            ++documents;
        }
    }
    EXPECT_GE(documents, 15u);
}

// Every kind of geometry, with the numbers written in every way the precise path reads them
// (-0 as an integer is +0, -0.0 is not; exponents; whole numbers past 64 bits).
const char* const kEveryGeometry = R"({"materials": [{"name": "M\u00e9tal \ud83d\ude00"}], "objects": [
  {"type": "polygon", "name": "Caf\u00e9 \"A\"\n\t\/ Größe",
   "points": [[0, -0, -0.0], [1.5e0, 2E-3, -7], [1e38, -3.40282356e38, 0.1],
              [123456789012345678901234567890, 16777217, -2147483649], [ 1 , 2 , 3 ]],
   "polygons": [[0, 1, 2, 3], [4, 3, 2], [0,1,4]],
   "tags": [
     {"type": "uvw", "uvs": [[[0, 0], [1, 0, 0], [1, 1, 0.5], [-0, -0.0]], [[0.1, 0.2], [0.3, 0.4], [0.5, 0.6, -0.0]],
                             [[1e-3, 2], [3, 4, 5], [6, 7]]]},
     {"type": "normal", "name": "n",
      "normals": [[[0, -0, -0.0], [1.5e0, 2E-3, -7], [1e38, 1, 0.1], [ 1 , 2 , 3 ]], [[0, 0, 1], [0, 0, 1], [0, 0, 1]],
                  [[0.1, 0.2, 0.3], [-1e-3, 0, 1], [1, 1, 1]]]},
     {"type": "normal"},
     {"type": "selection", "name": "sel", "polygons": [2, [0, 1], 1, [2, 2]]},
     {"type": "selection", "polygons": []},
     {"type": "uvw"}
   ],
   "children": [
     {"type": "polygon", "name": "Child", "points": [], "polygons": [],
      "children": [{"type": "polygon", "points": [[0,0,0],[1,0,0],[0,1,0]], "polygons": [[0,1,2]],
                    "tags": [{"uvs": [[[0,0],[1,0],[0,1]]], "type": "uvw"}, {"polygons": [[0,0]], "type": "selection"}]}]}
   ]},
  {"type": "null", "params": {"1": [1, 2, 3], "2": -0, "3": 2.5e-3, "4": "text"}}
]})";

TEST(FastJson, EveryKindOfGeometryLoadsTheSameBothWays) {
    ExpectSameBothWays(kEveryGeometry, "every.json");

    // The tree holds placeholders, the numbers are in the lists.
    nlohmann::json root;
    fast_json::BulkArrays bulk;
    ASSERT_TRUE(fast_json::ParseDocumentText(kEveryGeometry, document_format::kMaxNesting, root, bulk));
    const nlohmann::json& grid = root["objects"][0];
    size_t index = 99;
    EXPECT_TRUE(fast_json::BulkIndex(grid["points"], fast_json::BulkKind::kPoints, index));
    EXPECT_EQ(index, 0u);
    EXPECT_FALSE(fast_json::BulkIndex(grid["points"], fast_json::BulkKind::kPolygons, index));
    EXPECT_TRUE(fast_json::BulkIndex(grid["tags"][0]["uvs"], fast_json::BulkKind::kUvs, index));
    EXPECT_TRUE(fast_json::BulkIndex(grid["tags"][1]["normals"], fast_json::BulkKind::kNormals, index));
    EXPECT_EQ(bulk.points.size(), 3u);
    EXPECT_EQ(bulk.polygons.size(), 3u);
    EXPECT_EQ(bulk.uvs.size(), 2u);
    EXPECT_EQ(bulk.selections.size(), 3u);
    EXPECT_EQ(bulk.points[0].size(), 5u);
    EXPECT_EQ(bulk.uvs[0].size(), 3u);
    ASSERT_EQ(bulk.normals.size(), 1u);
    EXPECT_EQ(bulk.normals[0].size(), 12u);  // four a polygon
}

// Texts the quick way leaves to the precise path: every message is the precise path's, and a
// text the precise path loads loads as it does.
TEST(FastJson, UnusualTextsGoThePrecisePath) {
    using namespace std::string_literals;
    auto object = [](const std::string& geometry) {
        return R"({"objects": [{"type": "polygon", "name": "P", "points": [[0,0,0],[1,0,0],[1,0,1]], )" + geometry + "}]}";
    };
    struct Case {
        std::string text;
        std::string message;  // empty: the document loads
    };
    const Case cases[] = {
        {object(R"("polygons": [[0, 1, 2], [0, 1,]])"),
         "bad.json:1:114: syntax error while parsing value - unexpected ']'; expected '[', '{', or a literal"},
        {object(R"("polygons": [[0, 1, 2]], "points": [])"), "bad.json:1:109: duplicate key \"points\""},
        {object(R"("polygons": [[0, 1, 2]])") + " x",
         "bad.json:1:111: syntax error while parsing value - invalid literal; last read: '2]]}]} x'; expected end of input"},
        {object(R"("polygons": [[0, 1, 3]])"),
         "bad.json: objects[0].polygons[0][2]: point index 3 out of range (object \"P\" has 3 points)"},
        {object(R"("polygons": [[0, 1, 3000000000]])"),
         "bad.json: objects[0].polygons[0][2]: 3000000000 is out of range for a 32-bit integer"},
        {object(R"("polygons": [[0, 1.0, 2e0]])"), ""},  // whole numbers written as reals
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "uvw", "uvs": [[[0, 0], [1, 0], [1, 1]], []]}])"),
         "bad.json: objects[0].tags[0].uvs: expected 1 entries (one per polygon of object \"P\"), got 2"},
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "uvw", "uvs": [[[0, 0], [1, 0], [1, 1e39]]]}])"),
         "bad.json: objects[0].tags[0].uvs[0][2][1]: 1e+39 is out of range for a 32-bit real"},
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "normal", "normals": []}])"),
         "bad.json: objects[0].tags[0].normals: expected 1 entries (one per polygon of object \"P\"), got 0"},
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "selection", "polygons": [0, [0, 1]]}])"),
         "bad.json: objects[0].tags[0].polygons[1][1]: polygon index 1 out of range (object \"P\" has 1 polygons)"},
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "selection", "polygons": [[0]]}])"),
         "bad.json: objects[0].tags[0].polygons[0]: expected an index or [first, last], got an array of 1 element"},
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "texture", "polygons": [0]}])"),
         "bad.json: objects[0].tags[0].polygons: unknown key (expected type, name, params, material, restriction, "
         "offset, length, projection)"},
        {R"({"objects": [{"type": "null", "points": [[0, 0, 0]]}]})",
         "bad.json: objects[0].points: only polygon objects have points and polygons"},
        {R"({"materials": [{"name": "\ud800"}]})", "bad.json:1:32: syntax error while parsing value - invalid "
         "string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF; last read: '\"\\ud800\"'"},
        {"{\"materials\": [{\"name\": \"\xC0\xAF\"}]}",
         "bad.json:1:26: syntax error while parsing value - invalid string: ill-formed UTF-8 byte; last read: '\"\xC0'"},
        {"{\"materials\": [{\"name\": \"\xED\xA0\x80\"}]}",
         "bad.json:1:27: syntax error while parsing value - invalid string: ill-formed UTF-8 byte; last read: "
         "'\"\xED\xA0'"},
        {"{\"materials\": [{\"name\": \"\xF4\x90\x80\x80\"}]}",
         "bad.json:1:27: syntax error while parsing value - invalid string: ill-formed UTF-8 byte; last read: "
         "'\"\xF4\x90'"},
        {"{\"materials\": [{\"name\": \"a\0b\"}]}"s, "bad.json:1:27: NUL byte in the text"},
        {"\xEF\xBB\xBF" + object(R"("polygons": [])"), ""},  // a byte order mark
        {object(R"("polygons": [[0, 1, 2]], "tags": [{"type": "uvw", "uvs": [[[1e400, 0], [0, 0], [0, 0]]]}])"),
         "bad.json:1:148: number overflow parsing '1e400'"},
        {R"({"objects": [{"type": "polygon", "points": )" + std::string(1998, '[') + std::string(1998, ']') + "}]}",
         "bad.json:1:2041: nesting deeper than 2000 levels"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(LoadFast(c.text, "bad.json", kFolder, nullptr)) << c.text;
        LoadError error;
        auto document = LoadDocument(c.text, "bad.json", kFolder, nullptr, error);
        EXPECT_EQ(error.message, c.message) << c.text;
        if (!c.message.empty() || !document) continue;
        auto precise = LoadPrecise(c.text, "bad.json", kFolder, nullptr, error);
        ASSERT_TRUE(precise) << c.text;
        EXPECT_EQ(SaveDocument(*document), SaveDocument(*precise)) << c.text;
    }
}

}  // namespace
}  // namespace headless
