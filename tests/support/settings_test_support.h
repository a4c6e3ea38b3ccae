// Helpers of the render settings, camera, tone mapping, environment and spectrum tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "sdk/description.h"

namespace settings_testing {

// The node's XML without indentation or line breaks.
inline std::string Compact(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

// The entries of `ids` that the description hides, in the order of `ids`.
inline std::vector<int32_t> HiddenAmong(const Description& description, const std::vector<int32_t>& ids) {
    std::vector<int32_t> hidden;
    for (int32_t id : ids) {
        if (description.IsHidden(id)) hidden.push_back(id);
    }
    return hidden;
}

}  // namespace settings_testing
