// What the scene check knows of the scene format (settings, camera, tone mapping,
// environment, geometry, lights, spectra, materials, textures): the keys whose text is
// numbers, and the material names the scene file may use without declaring.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headless::check {

enum class NumberKind { kReal, kInteger };

struct NumberKey {
    NumberKind kind = NumberKind::kReal;
    size_t count = 1;  // how many numbers the text holds; 0: one or more (a list)
};

// The numbers a key's text holds; nothing when the key is not a number key.  Only keys
// without child elements are asked about ("rgb" holds the three components as a leaf and the
// spectrum as a container).
std::optional<NumberKey> NumberKeyOf(std::string_view key);

// The problem with one word of a number key's text ("\"x\" is not a number"), or "".
std::string CheckNumberWord(std::string_view word, NumberKind kind);

// The problem with the text of a number key ("expected 3 numbers, found 2", ...), or "" when
// it is right.
std::string CheckNumbers(std::string_view text, const NumberKey& key);

// True for the material names that every scene file has: "defaultMat", which geometry
// without a material names (core/material_name.h), and "nullMat", which a blend with an empty
// component names (materials/material_types.cpp); the module writes both at the start of
// every scene.
bool IsBuiltInMaterial(std::string_view name);

}  // namespace headless::check
