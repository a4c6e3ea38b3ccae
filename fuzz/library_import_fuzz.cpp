// Feeds arbitrary bytes to the material library import as the text of a chosen library (UTF-8,
// or Latin-1 / windows-1252 as a declaration says, with or without a document type): the
// text is imported, or refused with one console line naming the file and nothing created; it
// never crashes, overruns or hangs, whatever the nesting, size, names, numbers or cycles.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/ids.h"
#include "headless/host/host.h"
#include "materials/library_import.h"
#include "tags/material_helper.h"

namespace {

[[noreturn]] void Stop(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

headless::HeadlessHost& FuzzHost() {
    static headless::HeadlessHost host;
    static const bool ready = [] {
        SetHostRecord(host.Record());
        headless::PluginEntry helper;
        helper.kind = headless::PluginKind::kTag;
        helper.id = plugin_id::kMaterialHelper;
        helper.tagAllocator = MyMaterialHelper::Alloc;
        return host.Registry().Add(std::move(helper));
    }();
    if (!ready) Stop("the material helper tag could not be registered");
    return host;
}

size_t CountMaterials(const HostDocument& document) {
    size_t count = 0;
    for (const HostMaterial* m = document.GetFirstMaterial(); m; m = m->GetNext()) ++count;
    return count;
}

// Every material has its null under the holder: same name, a helper tag linking it and a
// texture tag pointing at it.
void CheckImported(const HostDocument& document) {
    const HostObject* holder = document.GetFirstObject();
    if (!holder || holder->GetName() != HostString(kImportHolderName) || holder->GetNext()) Stop("no single holder");
    size_t nulls = 0;
    for (const HostObject* null = holder->GetDown(); null; null = null->GetNext(), ++nulls) {
        const HostTag* helper = null->GetFirstTag();
        if (!helper || helper->GetType() != plugin_id::kMaterialHelper) Stop("null without a helper tag");
        const HostNode* linked = helper->Data().GetLink(1001, &document);
        const HostTag* texture = helper->GetNext();
        if (!linked || linked->GetName() != null->GetName()) Stop("helper tag not linked to its material");
        if (!texture || texture->GetMaterial() != linked) Stop("texture tag not on the material");
        if (null->GetDown()) Stop("a null with children");
    }
    const size_t materials = CountMaterials(document);
    if (nulls != materials || materials > kMaxLibraryMaterials) Stop("materials and nulls differ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    headless::HeadlessHost& host = FuzzHost();
    host.ClearRecords();
    host.SetDocument(std::make_unique<headless::HlDocument>(&host.Registry()));
    HostDocument& document = *host.Document();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const HostFilename file("Z:\\fuzz\\lib.ovm");

    if (ImportMaterialLibrary(document, file, text)) {
        CheckImported(document);
    } else {
        const auto& console = host.Console();
        if (console.size() != 1 || console[0].rfind(std::string(kLibraryNotImported) + file.Str() + ": ", 0) != 0)
            Stop("a refused library without its one line");
        if (document.GetFirstObject() || document.GetFirstMaterial()) Stop("a refused library changed the document");
    }
    host.SetDocument(nullptr);
    return 0;
}
