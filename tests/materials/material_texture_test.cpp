// Texture elements: where the image is found, the copies made for network rendering, and the
// values each kind of texture element carries.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <fstream>

#include "core/xml.h"
#include "materials/material_writer.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadText;

using TextureWriter = bool (MaterialWriter::*)(const ParamContainer&, HostMaterial*, TiXmlElement&) const;

class MaterialTexture : public testing_support::ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        target_.sceneDirectory = HostPath("room.ovs").GetDirectory();
        target_.sceneBaseName = "room";
    }
    void WriteImage(const std::string& relative, const std::string& bytes) {
        fs::create_directories(fs::path(NativePath(relative)).parent_path());
        std::ofstream(NativePath(relative), std::ios::binary) << bytes;
    }
    // A document with standard materials; `channels` is the JSON of one material's channels.
    headless::HlDocument& Document(const std::string& materials) {
        return LoadDocument(R"({"materials": [)" + materials + R"(], "objects": []})");
    }
    static std::string Material(const std::string& name, const std::string& channels) {
        return R"({"name": )" + Quote(name) + R"(, "channels": {)" + channels + "}}";
    }
    // A JSON string holding the text.
    static std::string Quote(const std::string& text) { return nlohmann::json(text).dump(); }
    HostMaterial* Find(const std::string& name) { return host_.Document()->SearchMaterial(name); }
    // Runs a texture writer into a fresh parent element and returns what it appended.
    std::string Write(TextureWriter writer, HostMaterial* material, const ParamContainer& tagData = {}) {
        TiXmlElement parent("parent");
        MaterialTarget target = target_;
        target.document = host_.Document();
        (MaterialWriter(target).*writer)(tagData, material, parent);
        TiXmlPrinter printer;
        printer.SetIndent("");
        printer.SetLineBreak("");
        for (const TiXmlNode* child = parent.FirstChild(); child; child = child->NextSibling()) child->Accept(&printer);
        return printer.Str();
    }
    std::string PathOf(HostMaterial* material) {
        const std::string text = Write(&MaterialWriter::WriteAlbedoTexture, material);
        const size_t from = text.find("<path>");
        const size_t to = text.find("</path>");
        if (from == std::string::npos || to == std::string::npos) return "<no path>";
        return text.substr(from + 6, to - from - 6);
    }

    MaterialTarget target_;
};

TEST_F(MaterialTexture, EachKindCarriesItsValues) {
    WriteImage("tex/a.png", "a");
    Document(Material("M", R"("0": {"on": true, "texture": "a.png"}, "6": {"on": true, "texture": "a.png"},
                            "7": {"on": true, "texture": "a.png"}, "9": {"on": true, "texture": "a.png"})"));
    ParamContainer tag;
    for (const auto& [id, value] : std::initializer_list<std::pair<int32_t, float>>{
             {1080, 1.5f}, {1081, 2.5f}, {1082, 3.5f}, {1087, 4.5f}, {1088, 5.5f},
             {1089, 6.5f}, {1090, 7.5f}, {1091, 8.5f}, {1092, 9.5f}}) {
        tag.Set<float>(id, value);
    }
    const std::string start = "<uv_set>default</uv_set><path>tex\\a.png</path>";
    const struct {
        TextureWriter writer;
        std::string expected;
    } cases[] = {
        {&MaterialWriter::WriteAlbedoTexture, "<albedo_texture>" + start + "<exponent>1.5</exponent></albedo_texture>"},
        {&MaterialWriter::WriteBumpMap,
         "<bump_map>" + start + "<a>3.5</a><b>4.5</b><c>5.5</c><exponent>2.5</exponent></bump_map>"},
        {&MaterialWriter::WriteExponentMap,
         "<exponent_map>" + start + "<a>7.5</a><b>8.5</b><c>9.5</c><exponent>6.5</exponent></exponent_map>"},
        {&MaterialWriter::WriteBlendMap, "<blend_map>" + start + "<exponent>1</exponent></blend_map>"},
        {&MaterialWriter::WriteLightTexture, "<texture>" + start + "<exponent>2.2</exponent></texture>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Write(c.writer, Find("M"), tag), c.expected);
}

TEST_F(MaterialTexture, NoElementWithoutAnImage) {
    WriteImage("tex/a.png", "a");
    Document(Material("Missing", R"("0": {"on": true, "texture": "nowhere.png"})") + "," +
             Material("Unnamed", R"("0": {"on": true})") + "," +
             Material("Folder only", R"("0": {"on": true, "folder": "Z:\\tmp"})") + "," +
             R"({"name": "Base", "type": "base"})");
    for (const char* name : {"Missing", "Unnamed", "Folder only", "Base"}) {
        EXPECT_EQ(Write(&MaterialWriter::WriteAlbedoTexture, Find(name)), "") << name;
    }
    EXPECT_EQ(Write(&MaterialWriter::WriteAlbedoTexture, nullptr), "");
}

TEST_F(MaterialTexture, PathsRelativeToTheSceneOrAbsoluteOnAnotherDrive) {
    WriteImage("oak.jpg", "oak");
    WriteImage("maps/stone.jpg", "stone");
    fs::create_directories(NativePath("other"));
    std::ofstream(NativePath("other/far.jpg")) << "far";
    host_.Files().MapDrive('D', NativePath("other"));
    Document(Material("Beside", R"("0": {"on": true, "texture": "oak.jpg"})") + "," +
             Material("Folder", R"("0": {"on": true, "texture": "stone.jpg", "folder": )" + Quote(HostPath("maps").Str()) +
                                    "}") +
             "," +
             Material("Drive", R"("0": {"on": true, "texture": "far.jpg", "folder": "D:\\"})"));
    EXPECT_EQ(PathOf(Find("Beside")), "oak.jpg");
    EXPECT_EQ(PathOf(Find("Folder")), "maps\\stone.jpg");
    EXPECT_EQ(PathOf(Find("Drive")), "D:\\far.jpg");
}

// A scene saved at a drive root: paths below the root, never empty.
TEST_F(MaterialTexture, SceneAtADriveRoot) {
    WriteImage("maps/stone.jpg", "stone");
    host_.Files().MapDrive('E', scratch_.string());
    target_.sceneDirectory = "E:\\";
    Document(Material("Below", R"("0": {"on": true, "texture": "stone.jpg", "folder": "E:\\maps"})"));
    EXPECT_EQ(PathOf(Find("Below")), "maps\\stone.jpg");
}

class MaterialTextureCopy : public MaterialTexture {
protected:
    void SetUp() override {
        MaterialTexture::SetUp();
        target_.networkRender = true;
    }
};

TEST_F(MaterialTextureCopy, CopiesNamedAfterTheirMaterials) {
    WriteImage("tex/oak.jpg", "oak bytes");
    Document(Material("Wood", R"("0": {"on": true, "texture": "oak.jpg"})") + "," +
             Material("Dark Wood", R"("0": {"on": true, "texture": "oak.jpg"})"));
    EXPECT_EQ(PathOf(Find("Wood")), "textures.room\\Wood.oak.jpg");
    EXPECT_EQ(PathOf(Find("Dark Wood")), "textures.room\\Dark Wood.oak.jpg");
    EXPECT_EQ(ReadText(NativePath("textures.room/Wood.oak.jpg")), "oak bytes");
    EXPECT_EQ(ReadText(NativePath("textures.room/Dark Wood.oak.jpg")), "oak bytes");
    // A second export overwrites the copy.
    WriteImage("tex/oak.jpg", "new oak");
    PathOf(Find("Wood"));
    EXPECT_EQ(ReadText(NativePath("textures.room/Wood.oak.jpg")), "new oak");
}

TEST_F(MaterialTextureCopy, CopiesStayInsideTheirFolder) {
    WriteImage("maps/deep/oak.jpg", "oak");
    Document(Material("..\\..\\Escape",
                      R"("0": {"on": true, "texture": "deep\\oak.jpg", "folder": )" + Quote(HostPath("maps").Str()) + "}"));
    EXPECT_EQ(PathOf(Find("..\\..\\Escape")), "textures.room\\.._.._Escape.oak.jpg");
    EXPECT_EQ(ReadText(NativePath("textures.room/.._.._Escape.oak.jpg")), "oak");
}

TEST_F(MaterialTextureCopy, FailedCopyIsReportedAndTheElementStillNamesTheCopy) {
    Document(Material("Wood", R"("0": {"on": true, "texture": "gone.jpg", "folder": "Z:\\no\\such\\folder"})"));
    EXPECT_EQ(PathOf(Find("Wood")), "textures.room\\Wood.gone.jpg");
    EXPECT_NE(ConsoleText().find("Failed to copy texture from: Z:\\no\\such\\folder\\gone.jpg to: " +
                                 HostPath("textures.room").Str() + "\\Wood.gone.jpg"),
              std::string::npos)
        << ConsoleText();
}

}  // namespace
