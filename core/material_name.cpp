#include "core/material_name.h"

#include <algorithm>

#include "core/xml.h"

std::string OneLineName(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '_';
    }
    return name;
}

HostString SanitizeMaterialName(const HostString& name) {
    std::string bytes = OneLineName(name.Str());
    std::replace(bytes.begin(), bytes.end(), ' ', '_');
    return LimitValueText(XmlSafeText(bytes));
}
