// Values of a material library's elements, read into a material helper tag's parameters.
// Every reader leaves its parameter untouched when the child element is absent.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

#include <tinyxml.h>

#include "sdk/container.h"
#include "sdk/hoststring.h"

// The first child element of the name, or null.
const TiXmlElement* Child(const TiXmlElement* parent, const char* name);
// The text of an element ("" when it holds none).
HostString ElementText(const TiXmlElement& element);
// The text of the first child element of the name; nothing when there is none.
std::optional<HostString> ChildText(const TiXmlElement* parent, const char* name);

// A real by the host's text-to-number conversion: a text that is not a number gives 0; a
// number that no 32-bit real holds (beyond its range, not finite) is not stored.
void ReadReal(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name);
// Several reals: (child name, parameter) pairs.
void ReadReals(ParamContainer& data, const TiXmlElement* parent,
               std::initializer_list<std::pair<const char*, int32_t>> keys);
// An integer by the host's text-to-integer conversion.
void ReadInt(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name);
// A text, stored as it stands.
void ReadString(ParamContainer& data, int32_t id, const TiXmlElement* parent, const char* name);
