#include "core/material_name.h"

#include <algorithm>
#include <string>

HostString SanitizeMaterialName(const HostString& name) {
    std::string bytes = name.Str();
    std::replace(bytes.begin(), bytes.end(), ' ', '_');
    return bytes;
}
