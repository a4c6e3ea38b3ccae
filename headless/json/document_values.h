// Reading the values of a JSON document, with errors that name the value concerned.  A content
// error is thrown as the value it concerns; its key path is found (FindPath) only when it is
// reported, so reading costs no path bookkeeping.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "headless/json/document_json.h"
#include "sdk/math.h"

namespace headless::document_values {

using nlohmann::json;

struct ContentError {
    const json* at;
    std::string problem;
};

[[noreturn]] void Fail(const json& at, std::string problem);
// Appends the key path from `node` to `target`; false when target is not below node.
bool FindPath(const json& node, const json* target, std::string& path);
// A value as an error message names it: "null", "a string", "an array of 2 elements", 3.5.
std::string Describe(const json& v);
// A type's name in documents, or "type N".
std::string TypeLabel(document_format::Names names, int32_t type);

void ExpectObject(const json& v);
void ExpectArray(const json& v);
void ExpectSize(const json& v, size_t size, const char* what);
// Refuses keys outside `allowed`.
void CheckKeys(const json& object, std::initializer_list<const char*> allowed);
const json* Find(const json& object, const char* key);
const json& Require(const json& object, const char* key);

double ReadNumber(const json& v);
float ReadReal(const json& v);  // a 32-bit real; out of range is an error
int32_t ReadInt(const json& v);
// A frame: any number from -2147483648 to 2147483647, the frames a document can be at.
double ReadFrame(const json& v);
bool ReadBool(const json& v);
const std::string& ReadString(const json& v);
Vector ReadVector(const json& v);
// Three angles in degrees, as radians.
Vector ReadAngles(const json& v);
// A type given by its name or its number.
int32_t ReadNamed(const json& v, document_format::Names names, const char* what);
// Parameter and channel keys: whole numbers written plainly ("12", "-3"; not "012").
std::optional<int32_t> NumberKey(const std::string& key);

}  // namespace headless::document_values
