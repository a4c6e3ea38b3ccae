// Fuzzing the document loader: any bytes either load or give an error that names the file;
// a document that loads saves to text that loads again and saves to the same text.
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
    const std::string text(reinterpret_cast<const char*>(data), size);
    const HostFilename folder("C:\\fuzz");
    headless::LoadError error;
    auto document = headless::LoadDocument(text, "fuzz.json", folder, nullptr, error);
    if (!document) {
        if (error.message.rfind("fuzz.json:", 0) != 0) Stop("error without the file name", error.message);
        return 0;
    }
    const std::string saved = headless::SaveDocument(*document);
    auto reloaded = headless::LoadDocument(saved, "saved.json", folder, nullptr, error);
    if (!reloaded) Stop(error.message.c_str(), saved);
    if (headless::SaveDocument(*reloaded) != saved) Stop("saving the reloaded document changed the text", saved);
    return 0;
}
