// Loading documents from JSON text.
//
// Two ways lead to the same document.  The quick one (fast_json.h) reads the text into a tree
// whose large arrays of geometry are already the host's own lists, and gives up on anything
// unusual.  The precise one, taken then and whenever the quick one's document has an error,
// scans the text for nesting depth (the parser and everything after it may then recurse
// safely), parses it into a tree with a SAX handler that refuses duplicate keys and reads the
// tree; its messages are the ones reported.  Content errors are thrown as the JSON value they
// concern and turned into a key path only when one is reported, so reading costs no path
// bookkeeping.
#include "headless/json/document_json.h"
#include "headless/json/document_values.h"
#include "headless/json/fast_json.h"
#include "headless/json/json_text.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "headless/host/registry.h"

namespace headless {

using nlohmann::json;

namespace df = document_format;
using namespace document_values;

namespace {

// ------------------------------------------------------------------------------------------
// The document

class Loader {
public:
    // `bulk`: the lists the placeholders of a quickly read tree stand for (null for a tree of
    // the precise path).  The loader takes them over.
    Loader(const PluginRegistry* registry, fast_json::BulkArrays* bulk)
        : registry_(registry), bulk_(bulk), document_(std::make_unique<HlDocument>(registry)) {}

    std::unique_ptr<HlDocument> Load(const json& root) {
        ExpectObject(root);
        CheckKeys(root, {"fps", "frame", "frames", "camera", "render", "materials", "objects"});
        if (const json* v = Find(root, "fps")) {
            int32_t fps = ReadInt(*v);
            if (fps <= 0) Fail(*v, "must be greater than 0, got " + std::to_string(fps));
            document_->SetFps(fps);
        }
        if (const json* v = Find(root, "frame")) document_->SetTime(ReadFrame(*v) / document_->GetFps());
        if (const json* v = Find(root, "frames")) ReadFrameRange(*v);
        if (const json* v = Find(root, "render"))
            ReadParams(*v, host_type::kRenderData, document_->GetActiveRenderData(), nullptr);
        if (const json* v = Find(root, "materials")) {
            ExpectArray(*v);
            for (const json& m : *v) ReadMaterial(m);
        }
        if (const json* v = Find(root, "objects")) ReadObjects(*v, nullptr, 1);
        for (const PendingLink& link : links_) link.data->Set(link.id, Resolve(link));
        if (const json* v = Find(root, "camera")) ReadCamera(*v);
        return std::move(document_);
    }

private:
    struct PendingLink {
        ParamContainer* data;
        int32_t id;
        const json* name;  // the value of "object" or "material"
        const json* nth;
        bool material;
    };

    // The list a placeholder stands for, or null for a value from the text.  A placeholder
    // where the loader expects none fails; the precise path then reports the real problem.
    template <class T>
    std::vector<T>* Bulk(const json& v, fast_json::BulkKind kind, std::vector<std::vector<T>> fast_json::BulkArrays::*lists) {
        if (!v.is_binary()) return nullptr;
        size_t index = 0;
        if (!bulk_ || !fast_json::BulkIndex(v, kind, index) || index >= (bulk_->*lists).size())
            Fail(v, "unexpected value");
        return &(bulk_->*lists)[index];
    }

    void ReadFrameRange(const json& v) {
        ExpectSize(v, 2, "[first, last]");
        // Frames of the 32-bit range (with the message of frames), whole.
        auto whole = [](const json& frame) {
            ReadFrame(frame);
            return ReadInt(frame);
        };
        const int32_t first = whole(v[0]), last = whole(v[1]);
        if (first > last)
            Fail(v, "the first frame " + std::to_string(first) + " comes after the last " + std::to_string(last));
        document_->SetFrameRange(std::pair{first, last});
    }

    // --- parameters ---

    void ReadParams(const json& v, int32_t type, ParamContainer& data, std::vector<int32_t>* ids) {
        ExpectObject(v);
        for (auto it = v.begin(); it != v.end(); ++it) {
            std::optional<int32_t> id = NumberKey(it.key());
            if (!id) Fail(it.value(), "parameter keys are whole numbers");
            ParamType described = registry_ ? registry_->DescribedType(type, *id) : ParamType::kNone;
            data.SetValue(*id, ReadValue(it.value(), described, data, *id));
            if (ids) ids->push_back(*id);
        }
    }

    ParamValue ReadValue(const json& v, ParamType type, ParamContainer& data, int32_t id) {
        switch (type) {
            case ParamType::kBool: return v.is_number() ? ReadNumber(v) != 0 : ReadBool(v);
            case ParamType::kInt: return v.is_boolean() ? int32_t{v.get<bool>()} : ReadInt(v);
            case ParamType::kReal: return ReadReal(v);
            case ParamType::kVector: return ReadVector(v);
            case ParamType::kString: return HostString(ReadString(v));
            case ParamType::kFilename:
                if (v.is_string()) return HostFilename(v.get<std::string>());
                if (!v.is_object()) Fail(v, "expected a file name, got " + Describe(v));
                break;
            case ParamType::kLink:
                if (!v.is_null() && !v.is_object()) Fail(v, "expected a link, got " + Describe(v));
                break;
            case ParamType::kNone:
                if (v.is_boolean()) return v.get<bool>();
                if (v.is_number_float()) return ReadReal(v);
                if (v.is_number()) return ReadInt(v);
                if (v.is_string()) return HostString(v.get<std::string>());
                if (v.is_array()) return ReadVector(v);
                break;
        }
        if (v.is_null()) return HostLink{};
        ExpectObject(v);
        CheckKeys(v, {"object", "material", "file", "nth"});
        const json* object = Find(v, "object");
        const json* material = Find(v, "material");
        const json* file = Find(v, "file");
        if ((object != nullptr) + (material != nullptr) + (file != nullptr) != 1)
            Fail(v, "expected one of \"object\", \"material\" or \"file\"");
        const json* nth = Find(v, "nth");
        if (nth && !object) Fail(*nth, "\"nth\" goes with \"object\" only");
        if (file) {
            if (type == ParamType::kLink) Fail(v, "expected a link, got a file name");
            return HostFilename(ReadString(*file));
        }
        if (type == ParamType::kFilename) Fail(v, "expected a file name, got a link");
        ReadString(object ? *object : *material);
        if (nth && ReadInt(*nth) < 0) Fail(*nth, "expected 0 or more, got " + nth->dump());
        links_.push_back({&data, id, object ? object : material, nth, material != nullptr});
        return HostLink{};
    }

    HostLink Resolve(const PendingLink& link) {
        const std::string& name = link.name->get_ref<const std::string&>();
        if (link.material) {
            auto it = materials_.find(name);
            if (it == materials_.end()) Fail(*link.name, "no material named " + QuoteJson(name));
            return it->second->GetLink();
        }
        return FindObject(*link.name, link.nth)->GetLink();
    }

    // Links and the camera are resolved once every object is read: the objects are indexed by
    // name then, on the first search (a document without links needs no index).
    HlObject* FindObject(const json& nameValue, const json* nthValue) {
        const std::string& name = ReadString(nameValue);
        if (!objectsIndexed_) {
            document_->ForEachObject([&](HlObject& object) { objects_[object.GetName().Str()].push_back(&object); });
            objectsIndexed_ = true;
        }
        size_t nth = nthValue ? static_cast<size_t>(ReadInt(*nthValue)) : 0;
        auto it = objects_.find(name);
        if (it == objects_.end()) Fail(nameValue, "no object named " + QuoteJson(name));
        if (nth >= it->second.size())
            Fail(*nthValue, "no object " + QuoteJson(name) + " number " + std::to_string(nth) + " (there are " +
                                std::to_string(it->second.size()) + ")");
        return it->second[nth];
    }

    void ReadCamera(const json& v) {
        HlObject* camera = nullptr;
        if (v.is_object()) {
            CheckKeys(v, {"object", "nth"});
            const json* nth = Find(v, "nth");
            if (nth && ReadInt(*nth) < 0) Fail(*nth, "expected 0 or more, got " + nth->dump());
            camera = FindObject(Require(v, "object"), nth);
        } else {
            camera = FindObject(v, nullptr);
        }
        if (!camera->IsInstanceOf(host_type::kCamera))
            Fail(v, "object " + QuoteJson(camera->GetName().Str()) + " (" +
                        TypeLabel(df::Names::kObjectType, camera->GetType()) + ") is not a camera");
        document_->SetSceneCamera(camera);
    }

    // --- materials ---

    void ReadMaterial(const json& v) {
        ExpectObject(v);
        CheckKeys(v, {"type", "name", "params", "channels"});
        const json* typeValue = Find(v, "type");
        int32_t type = typeValue ? ReadNamed(*typeValue, df::Names::kMaterialType, "material type")
                                 : host_type::kStandardMaterial;
        auto owned = std::make_unique<HlMaterial>(type);
        HlMaterial* material = owned.get();
        document_->InsertMaterial(std::move(owned), nullptr);
        const json* nameValue = Find(v, "name");
        std::string name = nameValue ? ReadString(*nameValue) : std::string();
        if (!materials_.emplace(name, material).second)
            Fail(nameValue ? *nameValue : v, "duplicate material name " + QuoteJson(name));
        material->SetName(name);
        if (const json* params = Find(v, "params")) ReadParams(*params, type, material->Data(), nullptr);
        if (const json* channels = Find(v, "channels")) {
            ExpectObject(*channels);
            for (auto it = channels->begin(); it != channels->end(); ++it) {
                std::optional<int32_t> n = NumberKey(it.key());
                if (!n || *n < 0 || *n >= HlMaterial::kChannelCount)
                    Fail(it.value(), "channel numbers run from 0 to " + std::to_string(HlMaterial::kChannelCount - 1));
                HostChannel* channel = material->GetChannel(*n);
                if (!channel)
                    Fail(it.value(), "a material of " + TypeLabel(df::Names::kMaterialType, type) + " has no channels");
                ReadChannel(it.value(), *channel);
            }
        }
    }

    void ReadChannel(const json& v, HostChannel& channel) {
        ExpectObject(v);
        CheckKeys(v, {"on", "texture", "folder", "params"});
        std::vector<int32_t> ids;
        if (const json* params = Find(v, "params")) ReadParams(*params, 0, channel.Data(), &ids);
        if (const json* on = Find(v, "on")) channel.SetOn(ReadBool(*on));
        if (const json* texture = Find(v, "texture"))
            SetOnce(channel.Data(), ids, host_param::kChannelTexture, *texture, HostString(ReadString(*texture)));
        if (const json* folder = Find(v, "folder"))
            SetOnce(channel.Data(), ids, host_param::kChannelFolder, *folder, HostFilename(ReadString(*folder)));
    }

    // Sets a parameter that a key of its own names, unless "params" set it already.
    void SetOnce(ParamContainer& data, const std::vector<int32_t>& fromParams, int32_t id, const json& at,
                 ParamValue value) {
        if (std::find(fromParams.begin(), fromParams.end(), id) != fromParams.end())
            Fail(at, "parameter " + std::to_string(id) + " is also set in \"params\"");
        data.SetValue(id, std::move(value));
    }

    // --- objects ---

    void ReadObjects(const json& list, HlObject* parent, int depth) {
        ExpectArray(list);
        HlObject* pred = nullptr;
        for (const json& v : list) pred = ReadObject(v, parent, pred, depth);
    }

    HlObject* ReadObject(const json& v, HlObject* parent, HlObject* pred, int depth) {
        ExpectObject(v);
        if (depth > df::kMaxObjectDepth)
            Fail(v, "objects nested deeper than " + std::to_string(df::kMaxObjectDepth) + " levels");
        CheckKeys(v, {"type", "name", "render", "matrix", "position", "rotation", "scale", "color", "points",
                      "polygons", "params", "tags", "tracks", "children"});
        int32_t type = ReadNamed(Require(v, "type"), df::Names::kObjectType, "object type");
        auto owned = std::make_unique<HlObject>(type, registry_);
        HlObject* object = owned.get();
        document_->InsertObject(std::move(owned), parent, pred);
        const json* name = Find(v, "name");
        object->SetName(name ? ReadString(*name) : std::string());
        if (const json* mode = Find(v, "render"))
            object->SetRenderMode(ReadNamed(*mode, df::Names::kRenderMode, "render mode"));
        ReadPlacement(v, *object);
        if (const json* color = Find(v, "color")) object->SetDisplayColor(ReadColor(*color));
        ReadGeometry(v, *object);
        if (const json* params = Find(v, "params")) ReadParams(*params, type, object->Data(), nullptr);
        if (const json* tags = Find(v, "tags")) {
            ExpectArray(*tags);
            for (const json& tag : *tags) ReadTag(tag, *object);
        }
        if (const json* tracks = Find(v, "tracks")) ReadTracks(*tracks, object->GetTracks());
        if (const json* children = Find(v, "children")) ReadObjects(*children, object, depth + 1);
        return object;
    }

    void ReadPlacement(const json& v, HlObject& object) {
        const json* position = Find(v, "position");
        const json* rotation = Find(v, "rotation");
        const json* scale = Find(v, "scale");
        const json* prs = position ? position : rotation ? rotation : scale;
        if (const json* matrix = Find(v, "matrix")) {
            if (prs) Fail(*prs, "cannot be combined with \"matrix\"");
            ExpectObject(*matrix);
            CheckKeys(*matrix, {"offset", "x", "y", "z"});
            Matrix m;
            Vector* parts[] = {&m.off, &m.v1, &m.v2, &m.v3};
            const char* keys[] = {"offset", "x", "y", "z"};
            for (size_t i = 0; i < 4; ++i)
                if (const json* part = Find(*matrix, keys[i])) *parts[i] = ReadVector(*part);
            object.SetMl(m);
        } else if (prs) {
            Vector p = position ? ReadVector(*position) : Vector{};
            Vector r = rotation ? ReadAngles(*rotation) : Vector{};
            Vector s = scale ? ReadVector(*scale) : Vector{1, 1, 1};
            Matrix m = MatrixFromPRS(p, r, s);
            for (Vector axis : {m.off, m.v1, m.v2, m.v3})
                if (!std::isfinite(axis.x) || !std::isfinite(axis.y) || !std::isfinite(axis.z))
                    Fail(*prs, "the matrix of these values is out of range");
            object.SetPRS(p, r, s);
        }
    }

    DisplayColor ReadColor(const json& v) {
        ExpectObject(v);
        CheckKeys(v, {"mode", "color", "xray"});
        DisplayColor color;
        if (const json* mode = Find(v, "mode")) color.mode = ReadInt(*mode);
        if (const json* rgb = Find(v, "color")) color.color = ReadVector(*rgb);
        if (const json* xray = Find(v, "xray")) color.xray = ReadBool(*xray);
        return color;
    }

    void ReadGeometry(const json& v, HlObject& object) {
        const json* points = Find(v, "points");
        const json* polygons = Find(v, "polygons");
        if (!points && !polygons) return;
        if (object.GetType() != host_type::kPolygonObject)
            Fail(points ? *points : *polygons, "only polygon objects have points and polygons");
        std::vector<Vector> pointList;
        std::vector<CPolygon> polygonList;
        using fast_json::BulkKind;
        if (std::vector<Vector>* list = points ? Bulk(*points, BulkKind::kPoints, &fast_json::BulkArrays::points) : nullptr) {
            pointList = std::move(*list);
        } else if (points) {
            ExpectArray(*points);
            pointList.reserve(points->size());
            for (const json& p : *points) pointList.push_back(ReadVector(p));
        }
        auto named = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < pointList.size(); };
        if (std::vector<CPolygon>* list =
                polygons ? Bulk(*polygons, BulkKind::kPolygons, &fast_json::BulkArrays::polygons) : nullptr) {
            for (const CPolygon& p : *list)
                if (!named(p.a) || !named(p.b) || !named(p.c) || !named(p.d)) Fail(*polygons, "point index out of range");
            polygonList = std::move(*list);
        } else if (polygons) {
            ExpectArray(*polygons);
            polygonList.reserve(polygons->size());
            for (const json& p : *polygons) polygonList.push_back(ReadPolygon(p, object, pointList.size()));
        }
        object.SetGeometry(std::move(pointList), std::move(polygonList));
    }

    CPolygon ReadPolygon(const json& v, const HlObject& object, size_t pointCount) {
        ExpectArray(v);
        if (v.size() < 3 || v.size() > 4)
            Fail(v, "a polygon has 3 or 4 point indices, got " + std::to_string(v.size()));
        int32_t index[4];
        for (size_t i = 0; i < v.size(); ++i) {
            index[i] = ReadInt(v[i]);
            if (index[i] < 0 || static_cast<size_t>(index[i]) >= pointCount)
                Fail(v[i], "point index " + std::to_string(index[i]) + " out of range (object " +
                               QuoteJson(object.GetName().Str()) + " has " + std::to_string(pointCount) + " points)");
        }
        return {index[0], index[1], index[2], v.size() == 4 ? index[3] : index[2]};
    }

    void ReadTracks(const json& v, Tracks& tracks) {
        ExpectObject(v);
        CheckKeys(v, {"position", "rotation", "scale"});
        std::vector<TrackKey>* lists[] = {&tracks.position, &tracks.rotation, &tracks.scale};
        const char* keys[] = {"position", "rotation", "scale"};
        for (size_t t = 0; t < 3; ++t) {
            const json* list = Find(v, keys[t]);
            if (!list) continue;
            ExpectArray(*list);
            for (const json& key : *list) {
                ExpectSize(key, 2, "[frame, [x, y, z]]");
                lists[t]->push_back({ReadFrame(key[0]), t == 1 ? ReadAngles(key[1]) : ReadVector(key[1])});
            }
            std::stable_sort(lists[t]->begin(), lists[t]->end(),
                             [](const TrackKey& a, const TrackKey& b) { return a.frame < b.frame; });
        }
    }

    // --- tags ---

    void ReadTag(const json& v, HlObject& object) {
        ExpectObject(v);
        int32_t type = ReadNamed(Require(v, "type"), df::Names::kTagType, "tag type");
        switch (type) {
            case host_type::kTextureTag:
                CheckKeys(v, {"type", "name", "params", "material", "restriction", "offset", "length", "projection"});
                break;
            case host_type::kSmoothingTag: CheckKeys(v, {"type", "name", "params", "angle"}); break;
            case host_type::kUvTag: CheckKeys(v, {"type", "name", "params", "uvs"}); break;
            case host_type::kNormalTag: CheckKeys(v, {"type", "name", "params", "normals"}); break;
            case host_type::kPolygonSelectionTag: CheckKeys(v, {"type", "name", "params", "polygons"}); break;
            default: CheckKeys(v, {"type", "name", "params"}); break;
        }
        auto owned = std::make_unique<HlTag>(type, registry_);
        HlTag* tag = owned.get();
        object.InsertTag(std::move(owned), nullptr);
        const json* name = Find(v, "name");
        tag->SetName(name ? ReadString(*name) : std::string());
        std::vector<int32_t> ids;
        if (const json* params = Find(v, "params")) ReadParams(*params, type, tag->Data(), &ids);
        if (type == host_type::kTextureTag) ReadTextureTag(v, *tag, ids);
        if (const json* angle = Find(v, "angle"))
            SetOnce(tag->Data(), ids, host_param::kSmoothingAngle, *angle, ReadReal(*angle));
        if (type == host_type::kUvTag) ReadUvs(Find(v, "uvs"), *tag, object);
        if (const json* normals = Find(v, "normals")) ReadNormals(*normals, *tag, object);
        if (const json* polygons = Find(v, "polygons")) ReadSelection(*polygons, *tag, object);
    }

    void ReadTextureTag(const json& v, HlTag& tag, const std::vector<int32_t>& ids) {
        ParamContainer& data = tag.Data();
        auto set = [&](const char* key, int32_t id, ParamValue fallback, auto read) {
            const json* value = Find(v, key);
            if (value) SetOnce(data, ids, id, *value, read(*value));
            else if (std::find(ids.begin(), ids.end(), id) == ids.end()) data.SetValue(id, std::move(fallback));
        };
        auto pair = [&](const char* key, int32_t id, float fallback) {
            const json* value = Find(v, key);
            if (value) ExpectSize(*value, 2, "[u, v]");
            set(key, id, fallback, [](const json& uv) { return ReadReal(uv[0]); });
            set(key, id + 1, fallback, [](const json& uv) { return ReadReal(uv[1]); });
        };
        pair("offset", host_param::kTextureOffsetU, 0.0f);
        pair("length", host_param::kTextureLengthU, 1.0f);
        set("restriction", host_param::kTextureRestriction, HostString(),
            [](const json& r) { return HostString(ReadString(r)); });
        set("projection", host_param::kTextureProjection, projection::kUvw,
            [](const json& p) { return ReadNamed(p, df::Names::kProjection, "projection"); });
        if (const json* material = Find(v, "material")) {
            const std::string& name = ReadString(*material);
            auto it = materials_.find(name);
            if (it == materials_.end()) Fail(*material, "no material named " + QuoteJson(name));
            SetOnce(data, ids, host_param::kTextureMaterial, *material, it->second->GetLink());
        }
    }

    void ReadUvs(const json* v, HlTag& tag, const HlObject& object) {
        size_t count = static_cast<size_t>(object.GetPolygonCount());
        std::vector<UvwCorners>& uvw = tag.Uvw();
        if (!v) {
            uvw.assign(count, UvwCorners{});
            return;
        }
        if (std::vector<UvwCorners>* list = Bulk(*v, fast_json::BulkKind::kUvs, &fast_json::BulkArrays::uvs)) {
            if (list->size() != count) Fail(*v, "one entry per polygon expected");
            uvw = std::move(*list);
            return;
        }
        ExpectArray(*v);
        if (v->size() != count)
            Fail(*v, "expected " + std::to_string(count) + " entries (one per polygon of object " +
                         QuoteJson(object.GetName().Str()) + "), got " + std::to_string(v->size()));
        uvw.clear();
        uvw.reserve(count);
        for (const json& entry : *v) {
            if (!entry.is_array() || entry.size() < 3 || entry.size() > 4)
                Fail(entry, "expected 3 or 4 [u, v] corners, got " + Describe(entry));
            Vector corner[4];
            for (size_t i = 0; i < entry.size(); ++i) {
                const json& c = entry[i];
                if (!c.is_array() || c.size() < 2 || c.size() > 3)
                    Fail(c, "expected [u, v] or [u, v, w], got " + Describe(c));
                corner[i] = {ReadReal(c[0]), ReadReal(c[1]), c.size() == 3 ? ReadReal(c[2]) : 0.0f};
            }
            uvw.push_back({corner[0], corner[1], corner[2], entry.size() == 4 ? corner[3] : corner[2]});
        }
    }

    void ReadNormals(const json& v, HlTag& tag, const HlObject& object) {
        size_t count = static_cast<size_t>(object.GetPolygonCount());
        std::vector<Vector>& normals = tag.Normals();
        if (std::vector<Vector>* list = Bulk(v, fast_json::BulkKind::kNormals, &fast_json::BulkArrays::normals)) {
            if (list->size() != 4 * count) Fail(v, "one entry per polygon expected");
            normals = std::move(*list);
            return;
        }
        ExpectArray(v);
        if (v.size() != count)
            Fail(v, "expected " + std::to_string(count) + " entries (one per polygon of object " +
                        QuoteJson(object.GetName().Str()) + "), got " + std::to_string(v.size()));
        normals.clear();
        normals.reserve(4 * count);
        for (const json& entry : v) {
            if (!entry.is_array() || entry.size() < 3 || entry.size() > 4)
                Fail(entry, "expected 3 or 4 [x, y, z] corners, got " + Describe(entry));
            Vector corner[4];
            for (size_t i = 0; i < entry.size(); ++i) corner[i] = ReadVector(entry[i]);
            normals.insert(normals.end(), {corner[0], corner[1], corner[2], entry.size() == 4 ? corner[3] : corner[2]});
        }
    }

    void ReadSelection(const json& v, HlTag& tag, const HlObject& object) {
        int32_t count = object.GetPolygonCount();
        std::vector<HostSelection::Range> ranges;
        if (auto* list = Bulk(v, fast_json::BulkKind::kSelection, &fast_json::BulkArrays::selections)) {
            for (const auto& r : *list)
                if (r.first < 0 || r.last >= count || r.first > r.last) Fail(v, "polygon index out of range");
            ranges = std::move(*list);
        } else {
            ReadRanges(v, object, ranges);
        }
        // Merged in order first, so the selection takes each disjoint range once.
        std::sort(ranges.begin(), ranges.end(), [](auto a, auto b) { return a.first < b.first; });
        std::vector<HostSelection::Range> merged;
        for (const auto& r : ranges) {
            if (!merged.empty() && static_cast<int64_t>(merged.back().last) + 1 >= r.first)
                merged.back().last = std::max(merged.back().last, r.last);
            else merged.push_back(r);
        }
        for (const auto& r : merged) tag.GetSelection()->SelectRange(r.first, r.last);
    }

    void ReadRanges(const json& v, const HlObject& object, std::vector<HostSelection::Range>& ranges) {
        ExpectArray(v);
        int32_t count = object.GetPolygonCount();
        auto index = [&](const json& i) {
            int32_t n = ReadInt(i);
            if (n < 0 || n >= count)
                Fail(i, "polygon index " + std::to_string(n) + " out of range (object " +
                            QuoteJson(object.GetName().Str()) + " has " + std::to_string(count) + " polygons)");
            return n;
        };
        ranges.reserve(v.size());
        for (const json& item : v) {
            if (!item.is_array()) {
                int32_t n = index(item);
                ranges.push_back({n, n});
                continue;
            }
            ExpectSize(item, 2, "an index or [first, last]");
            int32_t first = index(item[0]), last = index(item[1]);
            if (first > last)
                Fail(item, "range [" + std::to_string(first) + ", " + std::to_string(last) + "] runs backwards");
            ranges.push_back({first, last});
        }
    }

    const PluginRegistry* registry_;
    fast_json::BulkArrays* bulk_;
    std::unique_ptr<HlDocument> document_;
    std::unordered_map<std::string, std::vector<HlObject*>> objects_;  // by name, in pre-order
    bool objectsIndexed_ = false;
    std::unordered_map<std::string, HlMaterial*> materials_;
    std::vector<PendingLink> links_;
};

std::string DocumentName(const std::string& source) {
    size_t slash = source.find_last_of("/\\");
    std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    if (name.size() > 5 && HostString(name.substr(name.size() - 5)).ToLower() == HostString(".json"))
        name.resize(name.size() - 5);
    return name;
}

}  // namespace

namespace document_loading {

std::unique_ptr<HlDocument> LoadFast(const std::string& text, const std::string& source, const HostFilename& folder,
                                     const PluginRegistry* registry) {
    json root;
    fast_json::BulkArrays bulk;
    if (!fast_json::ParseDocumentText(text, df::kMaxNesting, root, bulk)) return nullptr;
    try {
        std::unique_ptr<HlDocument> document = Loader(registry, &bulk).Load(root);
        document->SetName(DocumentName(source));
        document->SetPath(folder);
        return document;
    } catch (const ContentError&) {
    } catch (const std::exception&) {
    }
    return nullptr;
}

std::unique_ptr<HlDocument> LoadPrecise(const std::string& text, const std::string& source, const HostFilename& folder,
                                        const PluginRegistry* registry, LoadError& error) {
    json root;
    std::string problem;
    if (!ParseJsonText(text, source, df::kMaxNesting, root, problem)) {
        error.message = problem;
        return nullptr;
    }
    try {
        std::unique_ptr<HlDocument> document = Loader(registry, nullptr).Load(root);
        document->SetName(DocumentName(source));
        document->SetPath(folder);
        return document;
    } catch (const ContentError& e) {
        std::string path;
        FindPath(root, e.at, path);
        error.message = source + ": " + (path.empty() ? "" : path + ": ") + e.problem;
    } catch (const std::exception& e) {
        error.message = source + ": " + e.what();
    }
    return nullptr;
}

}  // namespace document_loading

std::unique_ptr<HlDocument> LoadDocument(const std::string& text, const std::string& source,
                                         const HostFilename& folder, const PluginRegistry* registry,
                                         LoadError& error) {
    if (auto document = document_loading::LoadFast(text, source, folder, registry)) return document;
    return document_loading::LoadPrecise(text, source, folder, registry, error);
}

}  // namespace headless
