// The quick reader of document texts.  It agrees with ParseJsonText (nlohmann's parser and the
// checks around it) on every text it accepts:
//  - numbers: whole numbers become unsigned (0 and up) or signed 64-bit integers, and reals
//    when they do not fit; others become doubles, read exactly (std::from_chars rounds as
//    strtod does); a real too large for a double is left to the precise path;
//  - strings: well-formed UTF-8 (overlong forms, surrogates and code points past U+10FFFF are
//    not), no control characters, the escapes of JSON with \u surrogates in pairs only;
//  - no byte order mark, no comments, no NUL byte, at most maxNesting levels of brackets, no
//    key twice in one object.
// In the large arrays it also wants the shape the loader accepts (3 numbers a point, 3 or 4
// plain whole numbers in the 32-bit range a polygon, ...).  Everything else gives up.
#include "headless/json/fast_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "headless/json/document_json.h"

namespace headless::fast_json {

using nlohmann::json;

namespace {

struct GiveUp {};

[[noreturn]] void Unusual() { throw GiveUp{}; }

// Where a value stands, as far as the large arrays go.
enum class Role { kOther, kRoot, kObjectList, kObject, kTagList, kTag };

constexpr size_t kUnknown = std::numeric_limits<size_t>::max();

// A placeholder's subtype: its kind plus kKinds times its list's number.
constexpr uint64_t kKinds = 8;

struct Number {
    const char* begin;
    const char* end;
    bool whole = true;  // no fraction, no exponent
    bool negative = false;
    // The value is digits x 10^exponent when `exact` (at most 19 digits, a modest exponent).
    bool exact = true;
    uint64_t digits = 0;
    int exponent = 0;
};

// The powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

class Parser {
public:
    Parser(const std::string& text, size_t maxNesting, BulkArrays& bulk)
        : p_(text.data()), end_(text.data() + text.size()), maxNesting_(maxNesting), bulk_(bulk) {}

    void Document(json& root) {
        SkipSpace();
        Value(root, Role::kRoot, kUnknown);
        SkipSpace();
        if (p_ != end_) Unusual();
    }

private:
    // --- the tokens ---

    void SkipSpace() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }
    char Peek() const {
        if (p_ == end_) Unusual();
        return *p_;
    }
    char Next() {
        char c = Peek();
        ++p_;
        return c;
    }
    // After an element: true for ',' (another one follows), false for `close`.
    bool More(char close) {
        SkipSpace();
        char c = Next();
        if (c == ',') return true;
        if (c != close) Unusual();
        return false;
    }
    void Open() {
        ++p_;
        if (++depth_ > maxNesting_) Unusual();
    }
    // Opens an array that must not be empty.
    void OpenArray() {
        SkipSpace();
        if (Peek() != '[') Unusual();
        Open();
    }
    void Literal(std::string_view word) {
        if (static_cast<size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) Unusual();
        p_ += word.size();
    }

    // A number as JSON writes it, its digits gathered on the way.
    Number ScanNumber() {
        Number n{p_, p_};
        auto digits = [&](bool fraction) {
            const char* start = p_;
            for (; p_ != end_ && *p_ >= '0' && *p_ <= '9'; ++p_) {
                if (n.digits >= 100000000000000000 || n.exponent < -1000) {  // a 19th digit might not fit
                    n.exact = false;
                    continue;
                }
                n.digits = n.digits * 10 + static_cast<uint64_t>(*p_ - '0');
                n.exponent -= fraction;
            }
            if (p_ == start) Unusual();
        };
        if (p_ != end_ && *p_ == '-') {
            n.negative = true;
            ++p_;
        }
        if (p_ != end_ && *p_ == '0') ++p_;
        else digits(false);
        if (p_ != end_ && *p_ == '.') {
            n.whole = false;
            ++p_;
            digits(true);
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            n.whole = false;
            ++p_;
            bool negative = p_ != end_ && *p_ == '-';
            if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            const char* start = p_;
            int exponent = 0;
            for (; p_ != end_ && *p_ >= '0' && *p_ <= '9'; ++p_) exponent = std::min(exponent * 10 + (*p_ - '0'), 10000);
            if (p_ == start) Unusual();
            n.exponent += negative ? -exponent : exponent;
        }
        n.end = p_;
        return n;
    }
    static double ToDouble(const Number& n) {
        // Both factors exact, the one product or quotient is rounded once: the exact value
        // rounded, as strtod gives it.
        if (n.exact && n.digits <= (uint64_t{1} << 53) && n.exponent >= -22 && n.exponent <= 22) {
            double value = static_cast<double>(n.digits);
            value = n.exponent < 0 ? value / kPowersOfTen[-n.exponent] : value * kPowersOfTen[n.exponent];
            if (n.negative && !(n.whole && value == 0)) value = -value;
            return value;
        }
        double value = 0;
        auto [end, ec] = std::from_chars(n.begin, n.end, value);
        if (ec != std::errc() || end != n.end || !std::isfinite(value)) Unusual();
        // "-0" is the integer 0 to the precise path, so it reads as +0.0 there.
        if (n.whole && value == 0) value = 0;
        return value;
    }

    // A 32-bit real as ReadReal gives it.
    float Real() {
        SkipSpace();
        std::optional<float> real = document_format::ToReal(ToDouble(ScanNumber()));
        if (!real) Unusual();
        return *real;
    }
    // A plain whole number in the 32-bit range, as ReadInt gives it.
    int32_t Index() {
        SkipSpace();
        Number n = ScanNumber();
        if (!n.whole || !n.exact || n.digits > (n.negative ? 2147483648u : 2147483647u)) Unusual();
        return static_cast<int32_t>(n.negative ? -static_cast<int64_t>(n.digits) : static_cast<int64_t>(n.digits));
    }

    void String(std::string& out) {
        ++p_;  // the opening quote
        const char* run = p_;
        for (;;) {
            unsigned char c = static_cast<unsigned char>(Peek());
            if (c == '"') {
                out.append(run, p_);
                ++p_;
                return;
            }
            if (c == '\\') {
                out.append(run, p_);
                Escape(out);
                run = p_;
            } else if (c < 0x20) {
                Unusual();
            } else if (c < 0x80) {
                ++p_;
            } else {
                Utf8Sequence();
            }
        }
    }
    // One well-formed UTF-8 sequence of 2 to 4 bytes.
    void Utf8Sequence() {
        auto byte = [&](size_t i) { return i < static_cast<size_t>(end_ - p_) ? static_cast<unsigned char>(p_[i]) : 0u; };
        unsigned lead = byte(0);
        size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0) Unusual();
        // The second byte's range depends on the lead (no overlong forms, no surrogates, nothing
        // past U+10FFFF); the others are 80..BF.
        unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (byte(1) < low || byte(1) > high) Unusual();
        for (size_t i = 2; i < length; ++i)
            if (byte(i) < 0x80 || byte(i) > 0xBF) Unusual();
        p_ += length;
    }
    unsigned Hex4() {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = Next();
            unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : 16;
            if (digit == 16) Unusual();
            value = value * 16 + digit;
        }
        return value;
    }
    void Escape(std::string& out) {
        ++p_;  // the backslash
        char c = Next();
        switch (c) {
            case '"': case '\\': case '/': out += c; return;
            case 'b': out += '\b'; return;
            case 'f': out += '\f'; return;
            case 'n': out += '\n'; return;
            case 'r': out += '\r'; return;
            case 't': out += '\t'; return;
            case 'u': break;
            default: Unusual();
        }
        unsigned code = Hex4();
        if (code >= 0xDC00 && code <= 0xDFFF) Unusual();
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (Next() != '\\' || Next() != 'u') Unusual();
            unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Unusual();
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        auto add = [&](unsigned bits) { out += static_cast<char>(bits); };
        if (code < 0x80) {
            add(code);
        } else if (code < 0x800) {
            add(0xC0 | (code >> 6));
            add(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            add(0xE0 | (code >> 12));
            add(0x80 | ((code >> 6) & 0x3F));
            add(0x80 | (code & 0x3F));
        } else {
            add(0xF0 | (code >> 18));
            add(0x80 | ((code >> 12) & 0x3F));
            add(0x80 | ((code >> 6) & 0x3F));
            add(0x80 | (code & 0x3F));
        }
    }

    // --- the tree ---

    // `polygons`: how many polygons the enclosing object has, when known (room for its UVs).
    void Value(json& out, Role role, size_t polygons) {
        switch (Peek()) {
            case '{': Object(out, role == Role::kRoot || role == Role::kObject || role == Role::kTag ? role : Role::kOther, polygons); return;
            case '[': Array(out, role == Role::kObjectList || role == Role::kTagList ? role : Role::kOther, polygons); return;
            case '"':
                out = std::string();
                String(out.get_ref<std::string&>());
                return;
            case 't': Literal("true"); out = true; return;
            case 'f': Literal("false"); out = false; return;
            case 'n': Literal("null"); out = nullptr; return;
            default: break;
        }
        Number n = ScanNumber();
        if (n.whole) {
            if (*n.begin == '-') {
                int64_t value = 0;
                auto [end, ec] = std::from_chars(n.begin, n.end, value);
                if (ec == std::errc() && end == n.end) {
                    out = value;
                    return;
                }
            } else {
                uint64_t value = 0;
                auto [end, ec] = std::from_chars(n.begin, n.end, value);
                if (ec == std::errc() && end == n.end) {
                    out = value;
                    return;
                }
            }
        }
        out = ToDouble(n);  // a whole number too large for 64 bits is a real, as in the precise path
    }

    void Object(json& out, Role role, size_t polygons) {
        if (role == Role::kObject) polygons = kUnknown;  // its own, when its "polygons" come
        Open();
        out = json::object();
        json::object_t& members = out.get_ref<json::object_t&>();
        SkipSpace();
        if (Peek() == '}') {
            ++p_;
        } else {
            do {
                SkipSpace();
                if (Peek() != '"') Unusual();
                std::string key;
                String(key);
                SkipSpace();
                if (Next() != ':') Unusual();
                SkipSpace();
                auto [it, added] = members.try_emplace(std::move(key));
                if (!added) Unusual();
                Member(it->first, it->second, role, polygons);
            } while (More('}'));
        }
        --depth_;
    }

    void Member(const std::string& key, json& out, Role role, size_t& polygons) {
        Role inner = Role::kOther;
        if (role == Role::kRoot && key == "objects") inner = Role::kObjectList;
        if (role == Role::kObject) {
            if (key == "children") inner = Role::kObjectList;
            if (key == "tags") inner = Role::kTagList;
            if (Peek() == '[' && key == "points") return Place(out, BulkKind::kPoints, bulk_.points, &Parser::Points);
            if (Peek() == '[' && key == "polygons") {
                Place(out, BulkKind::kPolygons, bulk_.polygons, &Parser::Polygons);
                polygons = bulk_.polygons.back().size();
                return;
            }
        }
        if (role == Role::kTag && Peek() == '[') {
            if (key == "uvs") {
                bulk_.uvs.emplace_back().reserve(polygons == kUnknown ? 0 : polygons);
                return Place(out, BulkKind::kUvs, bulk_.uvs, &Parser::Uvs, false);
            }
            if (key == "normals") {
                bulk_.normals.emplace_back().reserve(polygons == kUnknown ? 0 : 4 * polygons);
                return Place(out, BulkKind::kNormals, bulk_.normals, &Parser::Normals, false);
            }
            if (key == "polygons") return Place(out, BulkKind::kSelection, bulk_.selections, &Parser::Selection);
        }
        Value(out, inner, polygons);
    }

    // Reads a large array into a new list (or the last one, made already) and leaves its
    // placeholder.
    template <class T>
    void Place(json& out, BulkKind kind, std::vector<std::vector<T>>& lists, void (Parser::*read)(std::vector<T>&),
               bool fresh = true) {
        if (fresh) lists.emplace_back();
        std::vector<T>& list = lists.back();
        Open();
        SkipSpace();
        if (Peek() == ']') ++p_;
        else (this->*read)(list);
        --depth_;
        if (list.capacity() - list.size() > list.size() / 8) list.shrink_to_fit();
        out = json::binary({}, static_cast<uint64_t>(kind) + kKinds * (lists.size() - 1));
    }

    void Points(std::vector<Vector>& out) {
        do {
            OpenArray();
            float x = Real();
            if (!More(']')) Unusual();
            float y = Real();
            if (!More(']')) Unusual();
            float z = Real();
            if (More(']')) Unusual();
            --depth_;
            out.push_back({x, y, z});
        } while (More(']'));
    }

    // An array of `least` to Most values, each read by `read`, into `out`; how many.
    template <class T, size_t Most, class Read>
    size_t Elements(T (&out)[Most], size_t least, Read read) {
        OpenArray();
        size_t count = 0;
        do {
            if (count == Most) Unusual();
            out[count++] = read();
        } while (More(']'));
        --depth_;
        if (count < least) Unusual();
        return count;
    }

    void Polygons(std::vector<CPolygon>& out) {
        do {
            int32_t index[4];
            const size_t count = Elements(index, 3, [&] { return Index(); });
            out.push_back({index[0], index[1], index[2], count == 4 ? index[3] : index[2]});
        } while (More(']'));
    }

    void Uvs(std::vector<UvwCorners>& out) {
        do {
            Vector corner[4];
            const size_t count = Elements(corner, 3, [&] {
                float c[3];
                const size_t n = Elements(c, 2, [&] { return Real(); });
                return Vector{c[0], c[1], n == 3 ? c[2] : 0.0f};
            });
            out.push_back({corner[0], corner[1], corner[2], count == 4 ? corner[3] : corner[2]});
        } while (More(']'));
    }

    void Normals(std::vector<Vector>& out) {
        do {
            Vector corner[4];
            const size_t count = Elements(corner, 3, [&] {
                float c[3];
                Elements(c, 3, [&] { return Real(); });
                return Vector{c[0], c[1], c[2]};
            });
            out.insert(out.end(), {corner[0], corner[1], corner[2], count == 4 ? corner[3] : corner[2]});
        } while (More(']'));
    }

    void Selection(std::vector<HostSelection::Range>& out) {
        do {
            SkipSpace();
            if (Peek() != '[') {
                int32_t n = Index();
                out.push_back({n, n});
                continue;
            }
            Open();
            int32_t first = Index();
            if (!More(']')) Unusual();
            int32_t last = Index();
            if (More(']')) Unusual();
            --depth_;
            out.push_back({first, last});
        } while (More(']'));
    }

    void Array(json& out, Role role, size_t polygons) {
        Open();
        out = json::array();
        json::array_t& items = out.get_ref<json::array_t&>();
        Role element = role == Role::kObjectList ? Role::kObject : role == Role::kTagList ? Role::kTag : Role::kOther;
        SkipSpace();
        if (Peek() == ']') {
            ++p_;
        } else {
            do {
                SkipSpace();
                Value(items.emplace_back(), element, polygons);
            } while (More(']'));
        }
        --depth_;
    }

    const char* p_;
    const char* end_;
    size_t maxNesting_;
    size_t depth_ = 0;
    BulkArrays& bulk_;
};

}  // namespace

bool ParseDocumentText(const std::string& text, size_t maxNesting, json& root, BulkArrays& bulk) {
    try {
        Parser(text, maxNesting, bulk).Document(root);
        return true;
    } catch (const GiveUp&) {
    } catch (const std::bad_alloc&) {
        // Memory, or what a vector holds (on a 32-bit system, a list of 4 x polygons normals
        // may pass it), ran out: the precise path, with this memory back, has its turn.
    } catch (const std::length_error&) {
    }
    root = json();
    bulk = BulkArrays();
    return false;
}

bool BulkIndex(const json& value, BulkKind kind, size_t& index) {
    if (!value.is_binary() || !value.get_binary().has_subtype()) return false;
    uint64_t subtype = value.get_binary().subtype();
    if (subtype % kKinds != static_cast<uint64_t>(kind)) return false;
    index = static_cast<size_t>(subtype / kKinds);
    return true;
}

}  // namespace headless::fast_json
