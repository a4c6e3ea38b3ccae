// Decodes arbitrary bytes as a run of string records, and checks that any text survives an
// encode/decode round trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headless/files/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text, error;
    size_t offset = 0;
    while (offset < bytes.size()) {
        size_t before = offset;
        if (!headless::DecodeStringRecord(bytes, offset, text, error)) {
            if (offset != before || error.empty()) __builtin_trap();
            break;
        }
        // A record that decodes is exactly the encoding of its text.
        if (headless::EncodeStringRecord(text) != bytes.substr(before, offset - before)) __builtin_trap();
    }

    const std::string record = headless::EncodeStringRecord(bytes);
    offset = 0;
    if (!headless::DecodeStringRecord(record, offset, text, error) || text != bytes || offset != record.size())
        __builtin_trap();
    return 0;
}
