// The file's lights: a directional light becomes the sun of the render settings' sky; point,
// spot and area lights become small emitting meshes with a light tag.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "import/import_context.h"
#include "sdk/types.h"

namespace scene_import {

namespace {

// The light tag (MyLightTag): the spectrum kind, its colour kind, the colour and its gamma.
constexpr int32_t kLightSpectrum = 1215;
constexpr int32_t kSpectrumColour = 1217;
constexpr int32_t kLightColour = 1227;
constexpr int32_t kLightGamma = 1228;
// The render settings (MyRenderSettings): the environment and its sky, the sun object, the
// scene scale.
constexpr int32_t kSettingsEnvironment = 1368;
constexpr int32_t kEnvironmentSky = 1364;
constexpr int32_t kSettingsSun = 1301;
constexpr int32_t kSettingsSceneScale = 1340;
constexpr const char* kSettingsName = "Render Settings";

// The emitters of lights the file gives no size: a point light is an octahedron 10 cm across,
// a spot light a square of 10 cm.
constexpr double kPointRadius = 0.05;
constexpr double kSpotSide = 0.1;

std::string Centimetres(double metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", metres * 100.0);
    return text;
}

const char* KindName(aiLightSourceType type) {
    switch (type) {
        case aiLightSource_DIRECTIONAL:
            return "directional";
        case aiLightSource_POINT:
            return "point";
        case aiLightSource_SPOT:
            return "spot";
        case aiLightSource_AREA:
            return "area";
        case aiLightSource_AMBIENT:
            return "ambient";
        default:
            return "unknown";
    }
}

// A closed mesh and the area it shows, on average over all directions of view (a quarter of
// its surface for a convex body), or facing the light's direction for a one-sided one.
struct Emitter {
    std::vector<Vector> points;
    std::vector<CPolygon> polygons;
    double shownArea = 0;
};

// An octahedron of the given radius, its faces turned outwards.  Its surface is 4√3 r².
Emitter Octahedron(double radius) {
    const auto r = static_cast<float>(radius);
    Emitter out;
    out.points = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
    for (int32_t x : {0, 1}) {
        for (int32_t y : {2, 3}) {
            for (int32_t z : {4, 5}) {
                // (+x, +y, +z) runs outwards; each axis turned around turns the order.
                const bool turned = ((x + y + z) - 6) % 2 != 0;
                out.polygons.push_back(turned ? CPolygon{x, z, y, y} : CPolygon{x, y, z, z});
            }
        }
    }
    out.shownArea = std::sqrt(3.0) * radius * radius;
    return out;
}

// A width × height rectangle in the xy plane, facing +z.
Emitter Rectangle(double width, double height) {
    const auto w = static_cast<float>(width / 2), h = static_cast<float>(height / 2);
    Emitter out;
    out.points = {{-w, -h, 0}, {w, -h, 0}, {w, h, 0}, {-w, h, 0}};
    out.polygons = {CPolygon{0, 1, 2, 3}};
    out.shownArea = width * height;
    return out;
}

// A placement at the light's position facing its direction (z) with its up vector (y).
Matrix LightFrame(const AxisConversion& axes, const aiLight& light) {
    Matrix frame = FacingFrame(axes.Direction(light.mDirection), axes.Direction(light.mUp));
    frame.off = axes.Point(light.mPosition);
    return frame;
}

// The document's render settings object, made at the top when there is none.
headless::HlObject& RenderSettings(ImportContext& context) {
    const int32_t type = ModuleType("MyRenderSettings");
    for (HostObject* object = context.document.GetFirstObject(); object; object = object->GetNext()) {
        if (object->GetType() == type) return static_cast<headless::HlObject&>(*object);
    }
    auto made = std::make_unique<headless::HlObject>(type, context.registry);
    headless::HlObject& settings = *made;
    settings.SetName(kSettingsName);
    context.document.InsertObject(std::move(made), nullptr, nullptr);
    return settings;
}

void MakeSun(ImportContext& context, const aiLight& light, const std::string& name, headless::HlObject& object) {
    const std::string what = context.sourceName + ": light " + Quoted(name) + " (directional)";
    headless::HlObject& settings = RenderSettings(context);
    ParamContainer& data = settings.Data();
    if (const HostNode* sun = data.GetLink(kSettingsSun, &context.document)) {
        context.Console(what + " left out: the render settings have one sun, " +
                        Quoted(static_cast<const HostObject*>(sun)->GetName().Str()));
        return;
    }
    // The sun object's position points towards the sun: against the light's direction in the
    // world.
    const Vector towards = -UnitVector(object.GetMg().Rotate(context.axes.Direction(light.mDirection)));
    if (towards == Vector{}) {
        context.Warning(what + " has no direction: left out");
        return;
    }
    auto made = std::make_unique<headless::HlObject>(host_type::kNull, context.registry);
    headless::HlObject& sun = *made;
    // Named apart from the light's own object, which the file's tree keeps.
    sun.SetName(name + " direction");
    Matrix placement;
    placement.off = towards;
    sun.SetMl(placement);
    context.document.InsertObject(std::move(made), nullptr, &settings);
    data.Set<int32_t>(kSettingsEnvironment, kEnvironmentSky);
    data.Set<HostLink>(kSettingsSun, sun.GetLink());
    data.Set(kSettingsSceneScale, 1.0);
    context.Console(what + " -> sun of the render settings");
}

}  // namespace

void AddMeshLight(ImportContext& /*context*/, headless::HlObject& object, const aiColor3D& emission) {
    const int32_t type = ModuleType("MyLightTag");
    HostTag* tag = object.GetTag(type);
    if (!tag) tag = object.MakeTag(type);
    ParamContainer& data = tag->Data();
    data.Set<int32_t>(kLightSpectrum, kSpectrumColour);
    data.Set<Vector>(kLightColour, Vector{emission.r, emission.g, emission.b});
    data.Set(kLightGamma, 1.0);  // the colour is linear
}

void ImportLight(ImportContext& context, const aiLight& light, headless::HlObject& object) {
    const std::string kind = KindName(light.mType);
    const std::string fileName = light.mName.C_Str();
    if (light.mType == aiLightSource_DIRECTIONAL) {
        MakeSun(context, light, fileName.empty() ? "Sun" : fileName, object);
        return;
    }
    const std::string name = fileName.empty() ? "Light" : fileName;
    const std::string what = context.sourceName + ": light " + Quoted(name) + " (" + kind + ")";
    const double metres = context.axes.Metres();
    Emitter emitter;
    std::string size;
    // The file's colour of a point or spot light is its intensity I (candela in glTF).  A
    // Lambertian emitter of radiance L that shows the area A in a direction sends I = L × A
    // that way, so the mesh gets L = I / A: A is the octahedron's mean shown area √3 r² (a
    // quarter of its surface) for a point light, the square's area on the spot's axis.  An
    // area light's colour is taken as its radiance.
    double perArea = 1.0;
    switch (light.mType) {
        case aiLightSource_POINT: {
            const double across = light.mSize.x > 0 ? light.mSize.x * metres : 2 * kPointRadius;
            emitter = Octahedron(across / 2);
            perArea = 1.0 / emitter.shownArea;
            size = Centimetres(across) + " cm across";
            break;
        }
        case aiLightSource_SPOT: {
            const double side = light.mSize.x > 0 ? light.mSize.x * metres : kSpotSide;
            emitter = Rectangle(side, side);
            perArea = 1.0 / emitter.shownArea;
            size = Centimetres(side) + " cm across, facing its direction (the cone is not kept)";
            break;
        }
        case aiLightSource_AREA: {
            const double width = light.mSize.x * metres, height = light.mSize.y * metres;
            if (!(width > 0 && height > 0)) {
                context.Warning(what + " has no size: left out");
                return;
            }
            emitter = Rectangle(width, height);
            size = Centimetres(width) + " x " + Centimetres(height) + " cm, facing its direction";
            break;
        }
        default:
            context.Warning(what + " left out: the host has no such light");
            return;
    }
    auto made = std::make_unique<headless::HlObject>(host_type::kPolygonObject, context.registry);
    headless::HlObject& mesh = *made;
    mesh.SetName(name);
    mesh.SetGeometry(std::move(emitter.points), std::move(emitter.polygons));
    mesh.SetMl(LightFrame(context.axes, light));
    context.document.InsertObject(std::move(made), &object, LastChild(object));
    const auto scaled = static_cast<float>(perArea);
    AddMeshLight(context, mesh, aiColor3D(light.mColorDiffuse.r * scaled, light.mColorDiffuse.g * scaled,
                                          light.mColorDiffuse.b * scaled));
    context.Console(what + " -> emitting mesh " + Quoted(name) + ", " + size);
}

}  // namespace scene_import
