// Feeds arbitrary text to the three resource parsers; each either succeeds or names the
// problem, and never crashes, overruns or hangs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headless/resources/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;

    std::map<int32_t, std::string> strings;
    bool ok = headless::Resources::ParseStrings(text, "fuzz.xml", strings, error);
    if (ok != error.empty() || (!ok && error.rfind("fuzz.xml:", 0) != 0)) __builtin_trap();

    error.clear();
    headless::DialogResource dialog;
    ok = headless::Resources::ParseDialog(text, "fuzz.xml", dialog, error);
    if (ok != error.empty() || (!ok && error.rfind("fuzz.xml:", 0) != 0)) __builtin_trap();
    size_t gadgets = 0;
    dialog.ForEach([&](const headless::Gadget&) { ++gadgets; });

    error.clear();
    headless::DescriptionResource description;
    ok = headless::Resources::ParseDescription(text, "fuzz.xml", description, error);
    if (ok != error.empty() || (!ok && error.rfind("fuzz.xml:", 0) != 0)) __builtin_trap();
    for (const auto& param : description.params) {
        if (description.Find(param.id) == nullptr) __builtin_trap();
    }
    if (gadgets > size) __builtin_trap();  // every gadget takes bytes of its own
    return 0;
}
