// ParamContainer: a node's parameter values, keyed by 32-bit ID.
//
// Reads name a default that applies when the ID is absent or holds a value that cannot
// become the asked type.  Numbers convert among themselves (bool, integer, real; a real
// read as an integer is truncated toward zero), strings and file names convert into each
// other; nothing else converts.
#pragma once

#include <cstdint>
#include <map>
#include <type_traits>
#include <variant>

#include "sdk/filename.h"
#include "sdk/hoststring.h"
#include "sdk/math.h"

class HostDocument;
class HostNode;

// A reference to a node, resolved in a document.  Id 0 is the empty link.
struct HostLink {
    uint64_t id = 0;
    bool IsEmpty() const { return id == 0; }
    friend bool operator==(HostLink a, HostLink b) = default;
};

enum class ParamType { kNone, kBool, kInt, kReal, kVector, kString, kFilename, kLink };

using ParamValue = std::variant<std::monostate, bool, int32_t, float, Vector, HostString, HostFilename, HostLink>;

class ParamContainer {
public:
    template <class T>
    T Get(int32_t id, T fallback = T{}) const {
        static_assert(IsParamType<T>, "not a parameter type");
        auto it = values_.find(id);
        if (it == values_.end()) return fallback;
        return std::visit([&](const auto& held) { return Convert<T>(held, fallback); }, it->second);
    }

    template <class T>
    void Set(int32_t id, T value) {
        static_assert(IsParamType<T>, "not a parameter type");
        values_[id] = ParamValue(std::move(value));
    }
    // Double-precision values are stored as the host's 32-bit reals.
    void Set(int32_t id, double value) { Set<float>(id, static_cast<float>(value)); }
    void Set(int32_t id, const char* value) { Set<HostString>(id, HostString(value)); }
    void SetValue(int32_t id, ParamValue value) { values_[id] = std::move(value); }

    bool Has(int32_t id) const { return values_.count(id) != 0; }
    ParamType TypeOf(int32_t id) const;
    const ParamValue* Find(int32_t id) const {
        auto it = values_.find(id);
        return it == values_.end() ? nullptr : &it->second;
    }
    void Remove(int32_t id) { values_.erase(id); }
    void Clear() { values_.clear(); }
    size_t Size() const { return values_.size(); }

    // A link resolved in a document; null when empty, absent or dangling.
    HostNode* GetLink(int32_t id, const HostDocument* document) const;

    auto begin() const { return values_.begin(); }
    auto end() const { return values_.end(); }
    friend bool operator==(const ParamContainer& a, const ParamContainer& b) = default;

    template <class T>
    static constexpr bool IsParamType = std::is_same_v<T, bool> || std::is_same_v<T, int32_t> ||
                                        std::is_same_v<T, float> || std::is_same_v<T, Vector> ||
                                        std::is_same_v<T, HostString> || std::is_same_v<T, HostFilename> ||
                                        std::is_same_v<T, HostLink>;

private:
    template <class T, class H>
    static T Convert(const H& held, const T& fallback) {
        if constexpr (std::is_same_v<T, H>) {
            return held;
        } else if constexpr (std::is_arithmetic_v<T> && std::is_arithmetic_v<H>) {
            if constexpr (std::is_same_v<T, bool>) return held != H{};
            else if constexpr (std::is_same_v<T, int32_t> && std::is_same_v<H, float>) return ClampToInt(held);
            else return static_cast<T>(held);
        } else if constexpr (std::is_same_v<T, HostString> && std::is_same_v<H, HostFilename>) {
            return held.GetString();
        } else if constexpr (std::is_same_v<T, HostFilename> && std::is_same_v<H, HostString>) {
            return HostFilename(held);
        } else {
            return fallback;
        }
    }
    static int32_t ClampToInt(float value);

    std::map<int32_t, ParamValue> values_;
};
