#include "materials/library_values.h"

#include <cfloat>
#include <cmath>

const TiXmlElement* Child(const TiXmlElement* parent, const char* name) {
    return parent ? parent->FirstChildElement(name) : nullptr;
}

HostString ElementText(const TiXmlElement& element) {
    const char* text = element.GetText();
    return HostString(text ? text : "");
}

std::optional<HostString> ChildText(const TiXmlElement* parent, const char* name) {
    const TiXmlElement* child = Child(parent, name);
    if (!child) return std::nullopt;
    return ElementText(*child);
}

void ReadReal(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name) {
    const std::optional<HostString> text = ChildText(parent, name);
    if (!text) return;
    const double value = text->ToReal();
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return;
    data.Set<float>(id, static_cast<float>(value));
}

void ReadReals(ParamContainer& data, const TiXmlElement* parent,
               std::initializer_list<std::pair<const char*, int32_t>> keys) {
    for (const auto& [name, id] : keys) ReadReal(data, id, parent, name);
}

void ReadInt(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name) {
    if (const std::optional<HostString> text = ChildText(parent, name)) data.Set<int32_t>(id, text->ToInt());
}

void ReadString(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name) {
    if (std::optional<HostString> text = ChildText(parent, name)) data.Set<HostString>(id, std::move(*text));
}
