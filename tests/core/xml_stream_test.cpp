#include "core/xml_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/xml.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ModuleTest;
using testing_support::ReadText;

// A scene-like document: the header, then `count` children of the top element, each with a
// comment, keys and an empty element, as the scene's meshes and models are.
void AddChild(TiXmlElement& top, int i) {
    TiXmlElement& mesh = *AppendElement(top, i % 2 ? "model" : "mesh");
    AppendKey(mesh, "name", "part " + std::to_string(i));
    AppendObjectComment(mesh, "Part -- " + std::to_string(i));
    AppendElement(*AppendElement(mesh, "external"), "autofocus");
}

std::string WholeText(int count) {
    TiXmlDocument document;
    AppendFileHeader(document);
    TiXmlElement& top = *AppendElement(document, "scene");
    for (int i = 0; i < count; ++i) AddChild(top, i);
    return XmlText(document);
}

class XmlStreamTest : public ModuleTest {};

// Whatever the flushes, the file holds the text of the whole tree, byte for byte.
TEST_F(XmlStreamTest, FlushedTextIsTheWholeText) {
    struct Case {
        int count, flushEvery;
    };
    for (const Case& c : {Case{0, 1}, Case{1, 1}, Case{5, 1}, Case{5, 2}, Case{7, 3}, Case{4, 100}}) {
        TiXmlDocument document;
        AppendFileHeader(document);
        TiXmlElement& top = *AppendElement(document, "scene");
        XmlStream stream(document, top, HostPath("scene.ovs"));
        stream.Flush();  // nothing below the top element yet
        for (int i = 0; i < c.count; ++i) {
            AddChild(top, i);
            if ((i + 1) % c.flushEvery == 0) stream.Flush();
        }
        ASSERT_TRUE(stream.Finish());
        EXPECT_EQ(ReadText(NativePath("scene.ovs")), WholeText(c.count)) << c.count << " / " << c.flushEvery;
    }
}

// Without a path, or discarded, nothing takes the target's place.
TEST_F(XmlStreamTest, DiscardedOrPathlessStreamsLeaveTheTarget) {
    std::filesystem::create_directories(scratch_);
    for (bool withPath : {false, true}) {
        {
            std::ofstream(NativePath("scene.ovs")) << "previous";
        }
        TiXmlDocument document;
        AppendFileHeader(document);
        TiXmlElement& top = *AppendElement(document, "scene");
        XmlStream stream(document, top, withPath ? HostPath("scene.ovs") : HostFilename());
        AddChild(top, 0);
        stream.Flush();
        AddChild(top, 1);
        if (withPath) {
            stream.Discard();
        } else {
            EXPECT_FALSE(stream.Finish());
        }
        EXPECT_EQ(top.FirstChild(), nullptr);
        EXPECT_EQ(ReadText(NativePath("scene.ovs")), "previous");
    }
}

}  // namespace
