// JSON texts from outside (documents, UI scripts): parsed with exact positions in every error.
#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace headless {

// "LINE:COLUMN" (both from 1, the column in bytes) of a byte offset.
std::string LineColumn(const std::string& text, size_t offset);
// A text as a JSON string literal, for messages.
std::string QuoteJson(const std::string& text);
// Parses a JSON text.  Refuses, with "SOURCE:LINE:COLUMN: problem": a NUL byte anywhere and
// nesting deeper than maxNesting (both checked before parsing: the parser stops at a NUL and
// recurses once per level), a key that occurs twice in one object, and every syntax error.
bool ParseJsonText(const std::string& text, const std::string& source, size_t maxNesting, nlohmann::json& out,
                   std::string& error);

}  // namespace headless
