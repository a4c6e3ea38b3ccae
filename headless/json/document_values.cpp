#include "headless/json/document_values.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "headless/json/json_text.h"

namespace headless::document_values {

[[noreturn]] void Fail(const json& at, std::string problem) { throw ContentError{&at, std::move(problem)}; }

namespace {

void AppendKey(std::string& path, const std::string& key) {
    bool plain = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
    if (!plain) path += "[" + QuoteJson(key) + "]";
    else path += (path.empty() ? "" : ".") + key;
}

}  // namespace

bool FindPath(const json& node, const json* target, std::string& path) {
    if (&node == target) return true;
    size_t length = path.size();
    if (node.is_object()) {
        for (auto it = node.begin(); it != node.end(); ++it) {
            AppendKey(path, it.key());
            if (FindPath(it.value(), target, path)) return true;
            path.resize(length);
        }
    } else if (node.is_array()) {
        for (size_t i = 0; i < node.size(); ++i) {
            path += "[" + std::to_string(i) + "]";
            if (FindPath(node[i], target, path)) return true;
            path.resize(length);
        }
    }
    return false;
}

std::string Describe(const json& v) {
    switch (v.type()) {
        case json::value_t::null: return "null";
        case json::value_t::boolean: return v.get<bool>() ? "true" : "false";
        case json::value_t::string: return "a string";
        case json::value_t::object: return "an object";
        case json::value_t::array:
            return "an array of " + std::to_string(v.size()) + (v.size() == 1 ? " element" : " elements");
        default: return v.is_number() ? v.dump() : "a value";
    }
}

std::string TypeLabel(document_format::Names names, int32_t type) {
    const char* name = document_format::NameOf(names, type);
    return name ? std::string(name) : "type " + std::to_string(type);
}

void ExpectObject(const json& v) {
    if (!v.is_object()) Fail(v, "expected an object, got " + Describe(v));
}
void ExpectArray(const json& v) {
    if (!v.is_array()) Fail(v, "expected an array, got " + Describe(v));
}
void ExpectSize(const json& v, size_t size, const char* what) {
    if (!v.is_array() || v.size() != size) Fail(v, std::string("expected ") + what + ", got " + Describe(v));
}

void CheckKeys(const json& object, std::initializer_list<const char*> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = std::any_of(allowed.begin(), allowed.end(), [&](const char* k) { return it.key() == k; });
        if (known) continue;
        std::string list;
        for (const char* k : allowed) list += (list.empty() ? "" : ", ") + std::string(k);
        Fail(it.value(), "unknown key (expected " + list + ")");
    }
}

const json* Find(const json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}
const json& Require(const json& object, const char* key) {
    const json* v = Find(object, key);
    if (!v) Fail(object, std::string("missing key \"") + key + "\"");
    return *v;
}

double ReadNumber(const json& v) {
    if (!v.is_number()) Fail(v, "expected a number, got " + Describe(v));
    return v.get<double>();
}
float ReadReal(const json& v) {
    std::optional<float> real = document_format::ToReal(ReadNumber(v));
    if (!real) Fail(v, v.dump() + " is out of range for a 32-bit real");
    return *real;
}
int32_t ReadInt(const json& v) {
    if (!v.is_number()) Fail(v, "expected a whole number, got " + Describe(v));
    double value = v.get<double>();
    if (v.is_number_float() && value != std::trunc(value)) Fail(v, "expected a whole number, got " + v.dump());
    bool inRange = v.is_number_unsigned() ? v.get<uint64_t>() <= INT32_MAX
                                         : value >= INT32_MIN && value <= INT32_MAX;
    if (!inRange) Fail(v, v.dump() + " is out of range for a 32-bit integer");
    return static_cast<int32_t>(value);
}
double ReadFrame(const json& v) {
    double frame = ReadNumber(v);
    if (!(frame >= INT32_MIN && frame <= INT32_MAX))
        Fail(v, v.dump() + " is out of range for a frame (frames run from -2147483648 to 2147483647)");
    return frame;
}
bool ReadBool(const json& v) {
    if (!v.is_boolean()) Fail(v, "expected true or false, got " + Describe(v));
    return v.get<bool>();
}
const std::string& ReadString(const json& v) {
    if (!v.is_string()) Fail(v, "expected a string, got " + Describe(v));
    return v.get_ref<const std::string&>();
}
Vector ReadVector(const json& v) {
    ExpectSize(v, 3, "[x, y, z]");
    return {ReadReal(v[0]), ReadReal(v[1]), ReadReal(v[2])};
}
// Three angles in degrees, as radians.
Vector ReadAngles(const json& v) {
    ExpectSize(v, 3, "[h, p, b] in degrees");
    float r[3];
    for (size_t i = 0; i < 3; ++i) {
        std::optional<float> real = document_format::ToReal(document_format::RadiansFromDegrees(ReadNumber(v[i])));
        if (!real) Fail(v[i], v[i].dump() + " degrees is out of range");
        r[i] = *real;
    }
    return {r[0], r[1], r[2]};
}
int32_t ReadNamed(const json& v, document_format::Names names, const char* what) {
    if (v.is_number()) return ReadInt(v);
    const std::string& name = ReadString(v);
    std::optional<int32_t> value = document_format::ValueOf(names, name);
    if (value) return *value;
    if (names == document_format::Names::kObjectType && document_format::ValueOf(document_format::Names::kTagType, name))
        Fail(v, QuoteJson(name) + " is a tag type, not an object type");
    if (names == document_format::Names::kTagType && document_format::ValueOf(document_format::Names::kObjectType, name))
        Fail(v, QuoteJson(name) + " is an object type, not a tag type");
    Fail(v, std::string("unknown ") + what + " " + QuoteJson(name));
}
// Parameter and channel keys: whole numbers written plainly ("12", "-3"; not "012").
std::optional<int32_t> NumberKey(const std::string& key) {
    size_t digits = key.size() - (key.empty() || key[0] != '-' ? 0 : 1);
    if (digits == 0 || digits > 10) return std::nullopt;
    std::string_view tail(key.data() + key.size() - digits, digits);
    if (!std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    if (tail[0] == '0' && (digits > 1 || key[0] == '-')) return std::nullopt;
    long long value = std::stoll(key);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

}  // namespace headless::document_values
