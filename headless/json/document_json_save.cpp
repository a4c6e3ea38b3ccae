// Saving documents as JSON text: the form LoadDocument reads back to an equal document.
//
// Keys come in a fixed order (insertion order of an ordered tree), values that the loader
// fills in by default are left out, and every real is written as the shortest decimal that
// reads back to the same 32-bit value, so saving is deterministic and a saved document saves
// again to the same text.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "headless/json/document_json.h"

namespace headless {

namespace {

using Json = nlohmann::ordered_json;
namespace df = document_format;

// Appends a key that is known not to be in the object yet (ordered objects look keys up
// one by one, which large parameter sets cannot afford).
void Append(Json& object, std::string key, Json value) {
    if (!object.is_object()) object = Json::object();
    auto& entries = static_cast<std::vector<std::pair<const std::string, Json>>&>(object.get_ref<Json::object_t&>());
    entries.emplace_back(std::move(key), std::move(value));
}

// The shortest decimal that `read` turns back into `value`.
template <class Read>
Json Shortest(double approximate, float value, Read read) {
    char buffer[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, approximate);
        double parsed = std::strtod(buffer, nullptr);
        if (read(parsed) == value) return parsed;
    }
    return approximate;  // not finite: written as null, which the loader refuses
}

Json Real(float value) {
    return Shortest(value, value, [](double d) { return df::ToReal(d); });
}
Json Degrees(float radians) {
    return Shortest(radians * (180.0 / 3.14159265358979323846), radians,
                    [](double d) { return df::ToReal(df::RadiansFromDegrees(d)); });
}
Json VectorJson(Vector v) { return Json::array({Real(v.x), Real(v.y), Real(v.z)}); }
Json AnglesJson(Vector v) { return Json::array({Degrees(v.x), Degrees(v.y), Degrees(v.z)}); }
// Whole frames as integers, others as they are.
Json FrameJson(double frame) {
    if (frame == std::trunc(frame) && std::fabs(frame) < 9e15) return static_cast<int64_t>(frame);
    return frame;
}
Json Named(df::Names names, int32_t value) {
    const char* name = df::NameOf(names, value);
    return name ? Json(name) : Json(value);
}

template <class T>
const T* Get(const ParamContainer& data, int32_t id) {
    const ParamValue* value = data.Find(id);
    return value ? std::get_if<T>(value) : nullptr;
}

class Saver {
public:
    explicit Saver(const HlDocument& document) : document_(document) {
        std::unordered_map<std::string, size_t> seen;
        document.ForEachObject([&](HlObject& object) { nth_[&object] = seen[object.GetName().Str()]++; });
    }

    Json Document() {
        Json root = Json::object();
        int32_t fps = document_.GetFps();
        root["fps"] = fps;
        root["frame"] = FrameJson(FrameOfTime(document_.GetTime(), fps));
        if (const auto range = document_.FrameRange()) root["frames"] = Json::array({range->first, range->second});
        if (HostObject* camera = document_.SceneCamera()) {
            Json reference = ObjectReference(camera);
            if (reference.is_object() && !reference.contains("nth")) reference = reference["object"];
            if (!reference.is_null()) root["camera"] = reference;
        }
        HlDocument& document = const_cast<HlDocument&>(document_);  // the render data has no const access
        Json render = Params(document.GetActiveRenderData(), {});
        if (!render.is_null()) root["render"] = std::move(render);
        Json& materials = root["materials"] = Json::array();
        for (const auto& material : document_.Materials()) materials.push_back(Material(*material));
        Json& objects = root["objects"] = Json::array();
        for (HostObject* o = document_.GetFirstObject(); o; o = o->GetNext())
            objects.push_back(Object(static_cast<const HlObject&>(*o)));
        return root;
    }

private:
    // The frame whose time the loader computes (frame / fps) as exactly `time`: a whole frame
    // when one does, else one of the doubles next to time * fps; time * fps when none does.
    static double FrameOfTime(double time, int32_t fps) {
        double frame = time * fps;
        if (!std::isfinite(frame)) frame = std::copysign(DBL_MAX, frame);
        if (std::round(frame) / fps == time) return std::round(frame);
        double up = frame, down = frame;
        for (int step = 0; step < 4; ++step) {
            if (up / fps == time) return up;
            if (down / fps == time) return down;
            up = std::nextafter(up, HUGE_VAL);
            down = std::nextafter(down, -HUGE_VAL);
        }
        return frame;
    }

    std::optional<Json> Value(const ParamValue& value) const {
        return std::visit(
            [&](const auto& v) -> std::optional<Json> {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::monostate>) return std::nullopt;
                else if constexpr (std::is_same_v<T, float>) return Real(v);
                else if constexpr (std::is_same_v<T, Vector>) return VectorJson(v);
                else if constexpr (std::is_same_v<T, HostString>) return Json(v.Str());
                else if constexpr (std::is_same_v<T, HostFilename>) return Json{{"file", v.Str()}};
                else if constexpr (std::is_same_v<T, HostLink>) return Link(v);
                else return Json(v);
            },
            value);
    }

    // Parameters, but those that keys of their own carry; null when none is left.
    Json Params(const ParamContainer& data, const std::vector<int32_t>& carried) const {
        Json out;
        for (const auto& [id, value] : data) {
            if (std::find(carried.begin(), carried.end(), id) != carried.end()) continue;
            if (std::optional<Json> json = Value(value)) Append(out, std::to_string(id), std::move(*json));
        }
        return out;
    }

    // Objects by name, with "nth" when an object of the same name comes before; null for
    // links that do not resolve to an object or material of this document.
    Json Link(HostLink link) const {
        HostNode* node = document_.Resolve(link);
        if (node && node->Kind() == NodeKind::kMaterial) return Json{{"material", node->GetName().Str()}};
        return node && node->Kind() == NodeKind::kObject ? ObjectReference(node) : Json();
    }
    Json ObjectReference(const HostNode* node) const {
        auto it = nth_.find(node);
        if (it == nth_.end()) return Json();
        Json reference{{"object", node->GetName().Str()}};
        if (it->second > 0) reference["nth"] = it->second;
        return reference;
    }

    Json Material(HlMaterial& material) const {
        Json out{{"type", Named(df::Names::kMaterialType, material.GetType())}, {"name", material.GetName().Str()}};
        Json params = Params(material.Data(), {});
        if (!params.is_null()) out["params"] = std::move(params);
        Json channels;
        for (int32_t n = 0; n < HlMaterial::kChannelCount; ++n) {
            HostChannel* channel = material.GetChannel(n);
            if (!channel || (!channel->IsOn() && channel->Data().Size() == 0)) continue;
            Json entry{{"on", channel->IsOn()}};
            std::vector<int32_t> carried;
            if (const HostString* texture = Get<HostString>(channel->Data(), host_param::kChannelTexture)) {
                entry["texture"] = texture->Str();
                carried.push_back(host_param::kChannelTexture);
            }
            if (const HostFilename* folder = Get<HostFilename>(channel->Data(), host_param::kChannelFolder)) {
                entry["folder"] = folder->Str();
                carried.push_back(host_param::kChannelFolder);
            }
            Json rest = Params(channel->Data(), carried);
            if (!rest.is_null()) entry["params"] = std::move(rest);
            Append(channels, std::to_string(n), std::move(entry));
        }
        if (!channels.is_null()) out["channels"] = std::move(channels);
        return out;
    }

    Json Object(const HlObject& object) const {
        Json out{{"type", Named(df::Names::kObjectType, object.GetType())}};
        if (!object.GetName().IsEmpty()) out["name"] = object.GetName().Str();
        if (object.GetRenderMode() != render_mode::kDefault)
            out["render"] = Named(df::Names::kRenderMode, object.GetRenderMode());
        Placement(object, out);
        DisplayColor color = object.GetDisplayColor();
        if (!(color == DisplayColor{}))
            out["color"] = {{"mode", color.mode}, {"color", VectorJson(color.color)}, {"xray", color.xray}};
        if (object.GetType() == host_type::kPolygonObject) Geometry(object, out);
        Json params = Params(object.Data(), {});
        if (!params.is_null()) out["params"] = std::move(params);
        Json& tags = out["tags"] = Json::array();
        for (const auto& tag : object.Tags()) tags.push_back(Tag(*tag));
        if (tags.empty()) out.erase("tags");
        const Tracks& tracks = object.GetTracks();
        if (!tracks.Empty()) {
            Json& t = out["tracks"] = Json::object();
            Track(t, "position", tracks.position, VectorJson);
            Track(t, "rotation", tracks.rotation, AnglesJson);
            Track(t, "scale", tracks.scale, VectorJson);
        }
        if (object.GetDown()) {
            Json& children = out["children"] = Json::array();
            for (HostObject* c = object.GetDown(); c; c = c->GetNext())
                children.push_back(Object(static_cast<const HlObject&>(*c)));
        }
        return out;
    }

    // Position, rotation and scale when they make the matrix exactly (they carry the rotation
    // vector, which a matrix does not), else the matrix.
    static void Placement(const HlObject& object, Json& out) {
        Matrix m = object.GetMl();
        Vector p = object.GetRelPos(), r = object.GetRelRot(), s = object.GetRelScale();
        if (MatrixFromPRS(p, r, s) == m) {
            if (!(p == Vector{})) out["position"] = VectorJson(p);
            if (!(r == Vector{})) out["rotation"] = AnglesJson(r);
            if (!(s == Vector{1, 1, 1})) out["scale"] = VectorJson(s);
        } else {
            out["matrix"] = {{"offset", VectorJson(m.off)}, {"x", VectorJson(m.v1)}, {"y", VectorJson(m.v2)},
                             {"z", VectorJson(m.v3)}};
        }
    }

    static void Geometry(const HlObject& object, Json& out) {
        if (object.GetPointCount() > 0) {
            Json& points = out["points"] = Json::array();
            for (int32_t i = 0; i < object.GetPointCount(); ++i) points.push_back(VectorJson(object.GetPoints()[i]));
        }
        if (object.GetPolygonCount() > 0) {
            Json& polygons = out["polygons"] = Json::array();
            for (int32_t i = 0; i < object.GetPolygonCount(); ++i) {
                const CPolygon& p = object.GetPolygons()[i];
                polygons.push_back(p.IsTriangle() ? Json::array({p.a, p.b, p.c}) : Json::array({p.a, p.b, p.c, p.d}));
            }
        }
    }

    template <class Write>
    static void Track(Json& out, const char* key, const std::vector<TrackKey>& keys, Write write) {
        if (keys.empty()) return;
        Json& list = out[key] = Json::array();
        for (const TrackKey& k : keys) list.push_back(Json::array({FrameJson(k.frame), write(k.value)}));
    }

    Json Tag(const HlTag& tag) const {
        Json out{{"type", Named(df::Names::kTagType, tag.GetType())}};
        if (!tag.GetName().IsEmpty()) out["name"] = tag.GetName().Str();
        std::vector<int32_t> carried;
        const ParamContainer& data = tag.Data();
        switch (tag.GetType()) {
            case host_type::kTextureTag: TextureKeys(data, out, carried); break;
            case host_type::kSmoothingTag:
                if (const float* angle = Get<float>(data, host_param::kSmoothingAngle)) {
                    out["angle"] = Real(*angle);
                    carried.push_back(host_param::kSmoothingAngle);
                }
                break;
            case host_type::kUvTag: out["uvs"] = Uvs(const_cast<HlTag&>(tag).Uvw()); break;
            case host_type::kNormalTag:
                if (!tag.Normals().empty()) out["normals"] = Normals(tag.Normals());
                break;
            case host_type::kPolygonSelectionTag: {
                Json& list = out["polygons"] = Json::array();
                for (const HostSelection::Range& r : tag.Selection().Ranges())
                    list.push_back(r.first == r.last ? Json(r.first) : Json::array({r.first, r.last}));
                break;
            }
            default: break;
        }
        Json params = Params(data, carried);
        if (!params.is_null()) out["params"] = std::move(params);
        return out;
    }

    // The texture tag's own keys; values equal to what the loader fills in are left out.
    void TextureKeys(const ParamContainer& data, Json& out, std::vector<int32_t>& carried) const {
        if (const HostLink* link = Get<HostLink>(data, host_param::kTextureMaterial)) {
            HostNode* node = document_.Resolve(*link);
            if (node && node->Kind() == NodeKind::kMaterial && document_.SearchMaterial(node->GetName()) == node) {
                out["material"] = node->GetName().Str();
                carried.push_back(host_param::kTextureMaterial);
            }
        }
        if (const HostString* restriction = Get<HostString>(data, host_param::kTextureRestriction)) {
            if (!restriction->IsEmpty()) out["restriction"] = restriction->Str();
            carried.push_back(host_param::kTextureRestriction);
        }
        auto pair = [&](const char* key, int32_t id, float fallback) {
            const float* u = Get<float>(data, id);
            const float* v = Get<float>(data, id + 1);
            if (!u || !v) return;
            if (*u != fallback || *v != fallback) out[key] = Json::array({Real(*u), Real(*v)});
            carried.insert(carried.end(), {id, id + 1});
        };
        pair("offset", host_param::kTextureOffsetU, 0.0f);
        pair("length", host_param::kTextureLengthU, 1.0f);
        const int32_t* projection = Get<int32_t>(data, host_param::kTextureProjection);
        if (projection && df::NameOf(df::Names::kProjection, *projection)) {
            if (*projection != projection::kUvw) out["projection"] = df::NameOf(df::Names::kProjection, *projection);
            carried.push_back(host_param::kTextureProjection);
        }
    }

    static Json Uvs(const std::vector<UvwCorners>& uvw) {
        Json list = Json::array();
        for (const UvwCorners& corners : uvw) {
            Json entry = Json::array();
            const Vector* c[] = {&corners.a, &corners.b, &corners.c, &corners.d};
            for (size_t i = 0; i < (corners.c == corners.d ? 3u : 4u); ++i) {
                Json uv = Json::array({Real(c[i]->x), Real(c[i]->y)});
                if (c[i]->z != 0) uv.push_back(Real(c[i]->z));
                entry.push_back(std::move(uv));
            }
            list.push_back(std::move(entry));
        }
        return list;
    }

    // Four corners a polygon, three when the last two are equal; a last group of fewer than
    // four (a list that fits no polygons) as the corners it has.
    static Json Normals(const std::vector<Vector>& normals) {
        Json list = Json::array();
        for (size_t i = 0; i < normals.size(); i += 4) {
            size_t corners = std::min<size_t>(4, normals.size() - i);
            if (corners == 4 && normals[i + 2] == normals[i + 3]) corners = 3;
            Json entry = Json::array();
            for (size_t k = 0; k < corners; ++k) entry.push_back(VectorJson(normals[i + k]));
            list.push_back(std::move(entry));
        }
        return list;
    }

    const HlDocument& document_;
    std::unordered_map<const HostNode*, size_t> nth_;  // place among the objects of the same name
};

std::string Scalar(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Two-space indentation, one key or element a line, except that an array without objects
// whose text fits in kInlineWidth columns stays on one line ("[0.0, 75.0, 0.0]").
constexpr size_t kInlineWidth = 80;

bool Inline(const Json& array, std::string& text) {
    text = "[";
    for (const Json& element : array) {
        std::string part;
        if (element.is_object() || (element.is_array() && !Inline(element, part))) return false;
        if (!element.is_array()) part = Scalar(element);
        text += (text.size() > 1 ? ", " : "") + part;
        if (text.size() > kInlineWidth) return false;
    }
    text += "]";
    return text.size() <= kInlineWidth;
}

void Write(const Json& value, size_t indent, std::string& out) {
    std::string text;
    if (!value.is_structured() || value.empty()) {
        out += value.is_structured() ? (value.is_array() ? "[]" : "{}") : Scalar(value);
        return;
    }
    if (value.is_array() && Inline(value, text)) {
        out += text;
        return;
    }
    std::string inner(indent + 2, ' ');
    out += value.is_array() ? "[\n" : "{\n";
    bool first = true;
    for (auto it = value.begin(); it != value.end(); ++it) {
        out += (first ? "" : ",\n") + inner;
        first = false;
        if (value.is_object()) out += Scalar(Json(it.key())) + ": ";
        Write(it.value(), indent + 2, out);
    }
    out += "\n" + std::string(indent, ' ') + (value.is_array() ? "]" : "}");
}

}  // namespace

std::string SaveDocument(const HlDocument& document) {
    std::string out;
    Write(Saver(document).Document(), 0, out);
    return out + "\n";
}

}  // namespace headless
