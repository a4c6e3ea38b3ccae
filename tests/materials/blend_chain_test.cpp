// A chain of 40 000 blends exports, to a scene and to a library, each component before its
// blend; open or closed into a cycle.  (Shared components and cycles of a few blends:
// MaterialSequenceTest.)
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "core/ids.h"
#include "export/frame_loop.h"
#include "materials/library_export.h"
#include "tags/material_helper.h"
#include "tests/support/module_fixture.h"

namespace {

class BlendChain : public testing_support::ModuleTest {
protected:
    // Blend tag i links material "Mi" and, as component A, "M(i+1)"; the last one's A is
    // "M`lastA`" (none when negative).  Tag 0 comes first.
    void BuildChain(int links, int lastA) {
        auto document = std::make_unique<headless::HlDocument>(&host_.Registry());
        std::vector<HostMaterial*> materials;
        for (int i = 0; i < links; ++i) {
            std::unique_ptr<HostMaterial> material = host_.AllocMaterial(host_type::kStandardMaterial);
            material->SetName("M" + std::to_string(i));
            materials.push_back(material.get());
            document->InsertMaterial(std::move(material), i ? materials[i - 1] : nullptr);
        }
        HostObject* last = nullptr;
        for (int i = 0; i < links; ++i) {
            auto object = std::make_unique<headless::HlObject>(host_type::kNull, &host_.Registry());
            ParamContainer& data = object->MakeTag(plugin_id::kMaterialHelper)->Data();
            data.Set<int32_t>(helper_param::kType, material_type::kBlend);
            data.Set<HostLink>(helper_param::kMaterial, materials[i]->GetLink());
            const int a = i + 1 < links ? i + 1 : lastA;
            if (a >= 0) data.Set<HostLink>(helper_param::kBlendA, materials[a]->GetLink());
            HostObject* placed = object.get();
            document->InsertObject(std::move(object), nullptr, last);
            last = placed;
        }
        host_.SetDocument(std::move(document));
    }
    // "NAME A_NAME" of every material of a written file, in file order.
    std::vector<std::string> Materials(const std::string& file) const {
        TiXmlDocument xml;
        xml.Parse(testing_support::ReadText(NativePath(file)).c_str());
        std::vector<std::string> out;
        for (const TiXmlElement* m = xml.RootElement()->FirstChildElement("material"); m;
             m = m->NextSiblingElement("material")) {
            const TiXmlElement* blend = m->FirstChildElement("blend");
            const TiXmlElement* a = blend ? blend->FirstChildElement("a_name") : nullptr;
            out.push_back(std::string(m->FirstChildElement("name")->GetText()) + " " + (a ? a->GetText() : "-"));
        }
        return out;
    }
};

// An open chain to a scene, one closed into a cycle to a library for the preview.
TEST_F(BlendChain, FortyThousandLinksExportComponentsFirst) {
    constexpr int kLinks = 40000;
    std::vector<std::string> expected = {"defaultMat -", "nullMat -", "M39999 nullMat"};
    for (int i = kLinks - 2; i >= 0; --i) expected.push_back("M" + std::to_string(i) + " M" + std::to_string(i + 1));
    BuildChain(kLinks, -1);
    ExportFrames(*host_.Document(), HostPath("chain.ovs"), {});
    EXPECT_EQ(Materials("chain_frame0.ovs"), expected);

    BuildChain(kLinks, 0);
    HostTag* first = host_.Document()->GetFirstObject()->GetFirstTag();
    ASSERT_TRUE(WriteMaterialLibrary({host_.Document(), first, HostPath("chain.ovm"), true, false}));
    expected.erase(expected.begin());  // no defaultMat in a library
    expected[1] = "M39999 M0";
    expected.back() = "previewMat M1";
    EXPECT_EQ(Materials("chain.ovm"), expected);
}

}  // namespace
