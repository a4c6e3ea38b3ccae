// The names that documents give object, tag and material types, projections and render
// modes, shared by loading and saving.
#include "headless/json/document_json.h"

#include <cfloat>
#include <cmath>

#include "headless/host/registry.h"

namespace headless {

namespace document_format {
namespace {

struct Named {
    const char* name;
    int32_t value;
};

constexpr Named kObjectTypes[] = {{"null", host_type::kNull},     {"polygon", host_type::kPolygonObject},
                                  {"camera", host_type::kCamera}, {"floor", host_type::kFloor},
                                  {"sphere", host_type::kSphere}, {"instance", host_type::kInstance},
                                  {"cube", host_type::kCube}};
constexpr Named kTagTypes[] = {{"texture", host_type::kTextureTag},
                               {"smoothing", host_type::kSmoothingTag},
                               {"uvw", host_type::kUvTag},
                               {"selection", host_type::kPolygonSelectionTag},
                               {"normal", host_type::kNormalTag}};
constexpr Named kMaterialTypes[] = {{"standard", host_type::kStandardMaterial}, {"base", host_type::kMaterialBase}};
constexpr Named kProjections[] = {{"uvw", projection::kUvw},
                                  {"flat", projection::kFlat},
                                  {"spherical", projection::kSpherical},
                                  {"cubic", projection::kCubic},
                                  {"cylindrical", projection::kCylindrical}};
constexpr Named kRenderModes[] = {
    {"on", render_mode::kOn}, {"off", render_mode::kOff}, {"default", render_mode::kDefault}};

template <size_t N>
const Named* FindValue(const Named (&table)[N], int32_t value) {
    for (const Named& n : table)
        if (n.value == value) return &n;
    return nullptr;
}
template <size_t N>
const Named* FindName(const Named (&table)[N], std::string_view name) {
    for (const Named& n : table)
        if (name == n.name) return &n;
    return nullptr;
}

// The module's class of the kind, by ID or by name.
const ModuleClass* FindClass(Names names, int32_t id, std::string_view name) {
    PluginKind kind = names == Names::kObjectType ? PluginKind::kObject : PluginKind::kTag;
    for (const ModuleClass& c : ModuleClasses()) {
        if (c.kind != kind) continue;
        if (name.empty() ? c.id == id : name == c.name) return &c;
    }
    return nullptr;
}

}  // namespace

const char* NameOf(Names names, int32_t value) {
    const Named* found = nullptr;
    switch (names) {
        case Names::kObjectType: found = FindValue(kObjectTypes, value); break;
        case Names::kTagType: found = FindValue(kTagTypes, value); break;
        case Names::kMaterialType: found = FindValue(kMaterialTypes, value); break;
        case Names::kProjection: found = FindValue(kProjections, value); break;
        case Names::kRenderMode: found = FindValue(kRenderModes, value); break;
    }
    if (found) return found->name;
    if (names == Names::kObjectType || names == Names::kTagType) {
        const ModuleClass* c = FindClass(names, value, {});
        if (c) return c->name;
    }
    return nullptr;
}

std::optional<int32_t> ValueOf(Names names, std::string_view name) {
    const Named* found = nullptr;
    switch (names) {
        case Names::kObjectType: found = FindName(kObjectTypes, name); break;
        case Names::kTagType: found = FindName(kTagTypes, name); break;
        case Names::kMaterialType: found = FindName(kMaterialTypes, name); break;
        case Names::kProjection: found = FindName(kProjections, name); break;
        case Names::kRenderMode: found = FindName(kRenderModes, name); break;
    }
    if (found) return found->value;
    if ((names == Names::kObjectType || names == Names::kTagType) && !name.empty()) {
        const ModuleClass* c = FindClass(names, 0, name);
        if (c) return c->id;
    }
    return std::nullopt;
}

std::optional<float> ToReal(double value) {
    // Half a step above the largest real: from here on a double rounds to infinity.
    constexpr double kLimit = 0x1.ffffffp+127;
    if (!(std::fabs(value) < kLimit)) return std::nullopt;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

double RadiansFromDegrees(double degrees) { return degrees * (3.14159265358979323846 / 180.0); }

}  // namespace document_format

}  // namespace headless
