#include "headless/json/json_text.h"

#include <algorithm>
#include <vector>

namespace headless {

using json = nlohmann::json;

std::string QuoteJson(const std::string& text) {
    return json(text).dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string LineColumn(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1, lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return std::to_string(line) + ":" + std::to_string(offset - lineStart + 1);
}

namespace {

// Walks the text without parsing it, as far as structure goes: finds the bracket that first
// nests deeper than the limit, and the offset of the n-th object key (counted from 0).
struct RawScan {
    size_t tooDeep = std::string::npos;
    size_t keyOffset = std::string::npos;
};

RawScan ScanRaw(const std::string& text, size_t maxNesting, size_t wantedKey) {
    RawScan scan;
    std::vector<bool> inObject;  // one entry per open bracket: true for "{"
    bool expectKey = false, inString = false;
    size_t keys = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                if (expectKey && !inObject.empty() && inObject.back()) {
                    if (keys++ == wantedKey) {
                        scan.keyOffset = i;
                        return scan;
                    }
                }
                expectKey = false;
                break;
            case '{':
            case '[':
                inObject.push_back(c == '{');
                expectKey = c == '{';
                if (inObject.size() > maxNesting && scan.tooDeep == std::string::npos) {
                    scan.tooDeep = i;
                    if (wantedKey == std::string::npos) return scan;
                }
                break;
            case '}':
            case ']':
                if (!inObject.empty()) inObject.pop_back();
                expectKey = false;
                break;
            case ',': expectKey = !inObject.empty() && inObject.back(); break;
            default: break;
        }
    }
    return scan;
}

// Builds the tree from parser events and stops at the first duplicate key.
class TreeBuilder {
public:
    explicit TreeBuilder(json& root) : root_(root) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool v) { return Add(v); }
    bool number_integer(json::number_integer_t v) { return Add(v); }
    bool number_unsigned(json::number_unsigned_t v) { return Add(v); }
    bool number_float(json::number_float_t v, const json::string_t&) { return Add(v); }
    bool string(json::string_t& v) { return Add(std::move(v)); }
    bool binary(json::binary_t& v) { return Add(json::binary(std::move(v))); }
    bool start_object(std::size_t) { return Open(json::object()); }
    bool start_array(std::size_t) { return Open(json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(json::string_t& k) {
        json& object = *open_.back();
        if (object.contains(k)) {
            duplicateKey = keys_;
            duplicateName = k;
            return false;
        }
        ++keys_;
        slot_ = &object[k];
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const json::exception& ex) {
        errorOffset = position > 0 ? position - 1 : 0;
        // "[json.exception.parse_error.101] parse error at line 1, column 2: problem"
        std::string what = ex.what();
        size_t start = what.find("] ");
        start = start == std::string::npos ? 0 : start + 2;
        if (what.compare(start, 11, "parse error") == 0) {
            size_t colon = what.find(": ", start);
            if (colon != std::string::npos) start = colon + 2;
        }
        errorText = what.substr(start);
        return false;
    }

    size_t duplicateKey = std::string::npos;
    std::string duplicateName;
    size_t errorOffset = 0;
    std::string errorText;

private:
    json* Place(json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        json& top = *open_.back();
        if (top.is_array()) {
            top.push_back(std::move(value));
            return &top.back();
        }
        *slot_ = std::move(value);
        return slot_;
    }
    bool Add(json value) {
        Place(std::move(value));
        return true;
    }
    bool Open(json value) {
        open_.push_back(Place(std::move(value)));
        return true;
    }
    bool Close() {
        open_.pop_back();
        return true;
    }

    json& root_;
    std::vector<json*> open_;
    json* slot_ = nullptr;
    size_t keys_ = 0;
};


}  // namespace

bool ParseJsonText(const std::string& text, const std::string& source, size_t maxNesting, json& root,
                   std::string& error) {
    root = json();
    // The parser takes a NUL byte for the end of the text and would ignore what follows.
    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        error = source + ":" + LineColumn(text, nul) + ": NUL byte in the text";
        return false;
    }
    RawScan scan = ScanRaw(text, maxNesting, std::string::npos);
    if (scan.tooDeep != std::string::npos) {
        error = source + ":" + LineColumn(text, scan.tooDeep) + ": nesting deeper than " +
                std::to_string(maxNesting) + " levels";
        return false;
    }
    TreeBuilder builder(root);
    if (json::sax_parse(text, &builder)) return true;
    root = json();
    if (builder.duplicateKey != std::string::npos) {
        size_t at = ScanRaw(text, maxNesting, builder.duplicateKey).keyOffset;
        error = source + ":" + LineColumn(text, at) + ": duplicate key " + QuoteJson(builder.duplicateName);
    } else {
        error = source + ":" + LineColumn(text, builder.errorOffset) + ": " + builder.errorText;
    }
    return false;
}

}  // namespace headless
