// Chains of blends: a chain of 40 000 links exports, to a scene and to a library, in the order
// of a depth-first walk (each component before its blend); cycles and shared components keep
// the output they had when the walk was recursive.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>

#include "core/ids.h"
#include "export/frame_loop.h"
#include "materials/library_export.h"
#include "tags/material_helper.h"
#include "tests/support/module_fixture.h"

namespace {

using testing_support::ReadText;

class BlendChain : public testing_support::ModuleTest {
protected:
    // `links` blend tags on null objects in document order; tag i links material "Mi" and, as
    // component A, "M(i+1)"; the last tag's A is "M`lastA`" (none when negative).
    void BuildChain(int links, int lastA) {
        auto document = std::make_unique<headless::HlDocument>(&host_.Registry());
        std::vector<HostMaterial*> materials;
        for (int i = 0; i < links; ++i) {
            std::unique_ptr<HostMaterial> material = host_.AllocMaterial(host_type::kStandardMaterial);
            material->SetName("M" + std::to_string(i));
            materials.push_back(material.get());
            document->InsertMaterial(std::move(material), i ? materials[static_cast<size_t>(i) - 1] : nullptr);
        }
        HostObject* last = nullptr;
        for (int i = 0; i < links; ++i) {
            auto object = std::make_unique<headless::HlObject>(host_type::kNull, &host_.Registry());
            HostObject* placed = object.get();
            document->InsertObject(std::move(object), nullptr, last);
            last = placed;
            ParamContainer& data = placed->MakeTag(plugin_id::kMaterialHelper)->Data();
            data.Set<int32_t>(helper_param::kType, material_type::kBlend);
            data.Set<HostLink>(helper_param::kMaterial, materials[static_cast<size_t>(i)]->GetLink());
            const int a = i + 1 < links ? i + 1 : lastA;
            if (a >= 0) data.Set<HostLink>(helper_param::kBlendA, materials[static_cast<size_t>(a)]->GetLink());
        }
        host_.SetDocument(std::move(document));
    }
    // "NAME A_NAME" of every material of a written file, in file order.
    std::vector<std::string> Materials(const std::string& nativePath) const {
        TiXmlDocument xml;
        xml.Parse(ReadText(nativePath).c_str());
        std::vector<std::string> out;
        const TiXmlElement* root = xml.RootElement();
        for (const TiXmlElement* m = root ? root->FirstChildElement("material") : nullptr; m;
             m = m->NextSiblingElement("material")) {
            const TiXmlElement* blend = m->FirstChildElement("blend");
            const TiXmlElement* a = blend ? blend->FirstChildElement("a_name") : nullptr;
            out.push_back(std::string(m->FirstChildElement("name")->GetText()) + " " + (a ? a->GetText() : "-"));
        }
        return out;
    }
    std::vector<std::string> ExportScene() {
        ExportFrames(*host_.Document(), HostPath("chain.ovs"), {});
        return Materials(NativePath("chain_frame0.ovs"));
    }
};

TEST_F(BlendChain, LongChainsExportComponentsFirstToSceneAndLibrary) {
    constexpr int kLinks = 40000;
    for (const int lastA : {-1, 0}) {  // an open chain, and one whose end links back to its start
        SCOPED_TRACE(lastA);
        BuildChain(kLinks, lastA);
        std::vector<std::string> expected = {"defaultMat -", "nullMat -"};
        for (int i = kLinks - 1; i >= 0; --i) {
            const std::string a = i + 1 < kLinks ? "M" + std::to_string(i + 1) : lastA < 0 ? "nullMat" : "M0";
            expected.push_back("M" + std::to_string(i) + " " + a);
        }
        EXPECT_EQ(ExportScene(), expected);

        HostTag* first = host_.Document()->GetFirstObject()->GetFirstTag();
        ASSERT_TRUE(WriteMaterialLibrary({host_.Document(), first, HostPath("chain.ovm"), true, false}));
        expected.erase(expected.begin());  // a library has no defaultMat
        expected.back() = "previewMat M1";
        EXPECT_EQ(Materials(NativePath("chain.ovm")), expected);
    }
}

// Small documents whose blends share components or form cycles: the sequences the recursive
// walk wrote.
struct ShapeCase {
    const char* name;
    std::string tags;  // "tag MATERIAL A B" per object (blend when A or B is given; "-": empty)
    std::vector<std::string> expected;
};

class BlendShapes : public BlendChain, public testing::WithParamInterface<ShapeCase> {};

TEST_P(BlendShapes, KeepTheirOrder) {
    std::string objects;
    std::istringstream lines(GetParam().tags);
    for (std::string material, a, b; lines >> material >> a >> b;) {
        std::string params = R"("1001": {"material": ")" + material + "\"}";
        if (a != "." || b != ".") params += R"(, "1002": 1030)";
        if (a != "." && a != "-") params += R"(, "1025": {"material": ")" + a + "\"}";
        if (b != "." && b != "-") params += R"(, "1026": {"material": ")" + b + "\"}";
        objects += std::string(objects.empty() ? "" : ",") +
                   R"({"type": "null", "tags": [{"type": "MyMaterialHelper", "params": {)" + params + "}}]}";
    }
    LoadDocument(R"({"materials": [{"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "D"}, {"name": "E"}],
                     "objects": [)" + objects + "]}");
    std::vector<std::string> expected = {"defaultMat -", "nullMat -"};
    expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_EQ(ExportScene(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blend, BlendShapes,
    testing::Values(
        ShapeCase{"Diamond", "A B C  B D -  C D -  D . .", {"D -", "B D", "C D", "A B"}},
        ShapeCase{"CycleEnteredInTheMiddle", "B C -  A B -  C A -", {"A B", "C A", "B C"}},
        ShapeCase{"BothLinksOneBlend", "A B B  B C C  C . .", {"C -", "B C", "A B"}},
        ShapeCase{"ComponentLinkedByTwoTags", "A B -  B . .  B C -  C . .", {"B -", "A B", "C -", "B C"}},
        ShapeCase{"BlendReachingItselfThroughB", "A - B  B C A  C . .", {"C -", "B C", "A nullMat"}}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return info.param.name; });

}  // namespace
