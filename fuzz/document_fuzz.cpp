// Fuzzing the document loader: any bytes either load or give an error that names the file;
// a document that loads saves to text that loads again and saves to the same text.  The quick
// way of loading agrees with the precise one: when it loads a text, the precise way loads it
// to a document that saves to the same text, and LoadDocument reports the precise way's error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "headless/json/document_json.h"

namespace {

[[noreturn]] void Stop(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace loading = headless::document_loading;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const HostFilename folder("C:\\fuzz");
    headless::LoadError error, preciseError;
    auto fast = loading::LoadFast(text, "fuzz.json", folder, nullptr);
    auto precise = loading::LoadPrecise(text, "fuzz.json", folder, nullptr, preciseError);
    if (fast && !precise) Stop("the quick way loaded a text the precise way refuses", preciseError.message);
    if (fast && headless::SaveDocument(*fast) != headless::SaveDocument(*precise))
        Stop("the two ways loaded different documents", headless::SaveDocument(*fast));
    auto document = headless::LoadDocument(text, "fuzz.json", folder, nullptr, error);
    if (!document) {
        if (error.message != preciseError.message) Stop("the error is not the precise way's", error.message);
        if (error.message.rfind("fuzz.json:", 0) != 0) Stop("error without the file name", error.message);
        return 0;
    }
    const std::string saved = headless::SaveDocument(*document);
    auto reloaded = headless::LoadDocument(saved, "saved.json", folder, nullptr, error);
    if (!reloaded) Stop(error.message.c_str(), saved);
    if (headless::SaveDocument(*reloaded) != saved) Stop("saving the reloaded document changed the text", saved);
    return 0;
}
