// Parameter defaults of the module's tags and objects, as tables their initialisation writes.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/container.h"

struct ParamDefault {
    int32_t id;
    ParamValue value;
};
using ParamTable = std::vector<ParamDefault>;

inline void WriteDefaults(ParamContainer& data, const ParamTable& table) {
    for (const ParamDefault& entry : table) data.SetValue(entry.id, entry.value);
}

// The table as a container, for reads that fall back on the defaults.
inline ParamContainer DefaultsContainer(const ParamTable& table) {
    ParamContainer data;
    WriteDefaults(data, table);
    return data;
}

// Shorthands for table rows.
inline ParamDefault Real(int32_t id, double value) { return {id, static_cast<float>(value)}; }
inline ParamDefault Int(int32_t id, int32_t value) { return {id, value}; }
inline ParamDefault Bool(int32_t id, bool value) { return {id, value}; }
inline ParamDefault Vec(int32_t id, float x, float y, float z) { return {id, Vector{x, y, z}}; }
inline ParamDefault File(int32_t id, const char* path) { return {id, HostFilename(path)}; }
inline ParamDefault Text(int32_t id, const char* text) { return {id, HostString(text)}; }
