// The headless host's documents and nodes: concrete implementations of the host's scene
// interface, held in memory.
//
// Ownership: a document owns its top-level objects and its materials; an object owns its
// children and its tags.  Objects are linked intrusively (parent, first child, next,
// previous), so every tree step is constant time.  Every node has a process-wide unique id;
// links name that id, and a document resolves them through an index of the nodes that are
// in it now (a node that was removed no longer resolves).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "headless/resources/bitmap.h"
#include "sdk/host.h"

namespace headless {

class HlDocument;
class HlObject;
class PluginRegistry;

uint64_t NewNodeId();

// Keyframed tracks of an object: values of its own position, rotation (radians) and scale
// vectors at frames, linear between keys, held before the first and after the last.
struct TrackKey {
    double frame = 0;
    Vector value;
    friend bool operator==(const TrackKey&, const TrackKey&) = default;
};
struct Tracks {
    std::vector<TrackKey> position, rotation, scale;
    bool Empty() const { return position.empty() && rotation.empty() && scale.empty(); }
    friend bool operator==(const Tracks&, const Tracks&) = default;
};
// The value of a track at a frame (keys sorted by frame; empty gives nullopt).
std::optional<Vector> EvaluateTrack(const std::vector<TrackKey>& keys, double frame);

// The inverse of a matrix in double precision, rounded once; false when it is singular.
bool InvertExact(const Matrix& m, Matrix& out);

// Matrix from position, rotation (heading about y, pitch about x, bank about z, in radians,
// applied bank first, then pitch, then heading) and scale.
Matrix MatrixFromPRS(Vector position, Vector rotation, Vector scale);

class HlChannel final : public HostChannel {
public:
    bool IsOn() const override { return on_; }
    void SetOn(bool on) override { on_ = on; }
    ParamContainer& Data() override { return data_; }
    const ParamContainer& Data() const override { return data_; }
    // Spelled out: a defaulted one would be deleted (the interface base has no comparison).
    friend bool operator==(const HlChannel& a, const HlChannel& b) { return a.on_ == b.on_ && a.data_ == b.data_; }

private:
    bool on_ = false;
    ParamContainer data_;
};

class HlTag final : public HostTag {
public:
    // A tag of a host type, or of a registered plug-in type (then its plug-in instance is
    // allocated and initialised through the registry).
    HlTag(int32_t type, const PluginRegistry* registry, int32_t count = 0);
    ~HlTag() override;

    int32_t GetType() const override { return type_; }
    bool IsInstanceOf(int32_t type) const override { return type == type_; }
    HostString GetName() const override { return name_; }
    void SetName(const HostString& name) override { name_ = name; }
    ParamContainer& Data() override { return data_; }
    const ParamContainer& Data() const override { return data_; }
    HostLink GetLink() const override { return {id_}; }
    HostDocument* GetDocument() const override;
    NodeData* GetNodeData() const override { return plugin_.get(); }
    bool Message(int32_t type, void* data) override;

    HostObject* GetObject() const override;
    HostTag* GetNext() const override;
    HostTag* GetPred() const override;
    std::unique_ptr<HostTag> Remove() override;

    HostSelection* GetSelection() override;
    int32_t GetUvwCount() const override { return static_cast<int32_t>(uvw_.size()); }
    UvwCorners GetUvw(int32_t polygon) const override;
    void SetUvw(int32_t polygon, const UvwCorners& corners) override;
    HostMaterial* GetMaterial() const override;
    void SetMaterial(HostMaterial* material) override;

    uint64_t Id() const { return id_; }
    // Deep copy; with keepIds the copy carries the same ids (for undo snapshots).
    std::unique_ptr<HlTag> Clone(bool keepIds) const;
    std::vector<UvwCorners>& Uvw() { return uvw_; }
    // Normal tags (5711): the corner normals of the object's polygons, four per polygon in
    // the order a, b, c, d (d = c for triangles).  Made with a polygon count, the tag holds
    // that many zero quadruples.
    std::vector<Vector>& Normals() { return normals_; }
    const std::vector<Vector>& Normals() const { return normals_; }
    const HostSelection& Selection() const { return selection_; }

private:
    friend class HlObject;
    int32_t type_;
    uint64_t id_;
    HostString name_;
    ParamContainer data_;
    HostSelection selection_;
    std::vector<UvwCorners> uvw_;
    std::vector<Vector> normals_;
    std::unique_ptr<NodeData> plugin_;
    const PluginRegistry* registry_;
    HlObject* object_ = nullptr;
};

class HlObject final : public HostObject {
public:
    HlObject(int32_t type, const PluginRegistry* registry);
    ~HlObject() override;  // frees children and tags (iteratively along sibling chains)

    int32_t GetType() const override { return type_; }
    bool IsInstanceOf(int32_t type) const override;
    HostString GetName() const override { return name_; }
    void SetName(const HostString& name) override { name_ = name; }
    ParamContainer& Data() override { return data_; }
    const ParamContainer& Data() const override { return data_; }
    HostLink GetLink() const override { return {id_}; }
    HostDocument* GetDocument() const override;
    NodeData* GetNodeData() const override { return plugin_.get(); }
    bool Message(int32_t type, void* data) override;

    HostObject* GetUp() const override { return parent_; }
    HostObject* GetDown() const override { return down_; }
    HostObject* GetNext() const override { return next_; }
    HostObject* GetPred() const override { return pred_; }
    std::unique_ptr<HostObject> Remove() override;

    HostTag* GetFirstTag() const override;
    HostTag* GetTag(int32_t type, int32_t nr = 0) const override;
    HostTag* MakeTag(int32_t type, HostTag* pred = nullptr) override;
    void InsertTag(std::unique_ptr<HostTag> tag, HostTag* pred = nullptr) override;

    Matrix GetMg() const override;
    void SetMg(const Matrix& m) override;
    Matrix GetMl() const override { return ml_; }
    void SetMl(const Matrix& m) override;
    Vector GetRelPos() const override { return ml_.off; }
    Vector GetRelRot() const override { return rot_; }
    Vector GetRelScale() const override { return scale_; }
    void SetRelScale(Vector scale) override { scale_ = scale; }
    // Sets position, rotation and scale vectors together and builds the local matrix.
    void SetPRS(Vector position, Vector rotation, Vector scale);

    int32_t GetRenderMode() const override { return renderMode_; }
    void SetRenderMode(int32_t mode) override { renderMode_ = mode; }
    DisplayColor GetDisplayColor() const override { return color_; }
    void SetDisplayColor(const DisplayColor& color) override { color_ = color; }

    Vector GetMp() const override;
    Vector GetRad() const override;

    int32_t GetPointCount() const override { return static_cast<int32_t>(points_.size()); }
    const Vector* GetPoints() const override { return points_.data(); }
    int32_t GetPolygonCount() const override { return static_cast<int32_t>(polygons_.size()); }
    const CPolygon* GetPolygons() const override { return polygons_.data(); }
    void SetGeometry(std::vector<Vector> points, std::vector<CPolygon> polygons) override;
    std::vector<Vector> CreateCornerNormals() const override;

    uint64_t Id() const { return id_; }
    Tracks& GetTracks() { return tracks_; }
    const Tracks& GetTracks() const { return tracks_; }
    const std::vector<std::unique_ptr<HlTag>>& Tags() const { return tags_; }
    // Deep copy of the object, its tags and its children; with keepIds the copies carry the
    // same ids.
    std::unique_ptr<HlObject> Clone(bool keepIds) const;

    // Tree operations used by the document.
    void LinkUnder(HlObject* parent, HlObject* pred, HlDocument* document);  // takes ownership
    HlDocument* Document() const { return document_; }
    void SetDocumentRecursive(HlDocument* document);

private:
    friend class HlTag;
    friend class HlDocument;
    friend bool MakeEditable(HlDocument& document, HlObject& object, HlObject** result);
    // A copy of this object and its tags, without children.
    std::unique_ptr<HlObject> CloneSelf(bool keepIds) const;
    // Moves this object's tags and children (in order) to the end of target's.
    void MoveContentsTo(HlObject& target);
    // Unlinks the object from its siblings and parent (or its document's top-level chain).
    void DetachPointers();
    int32_t type_;
    uint64_t id_;
    HostString name_;
    ParamContainer data_;
    Matrix ml_;
    Vector rot_;
    Vector scale_{1, 1, 1};
    int32_t renderMode_ = render_mode::kDefault;
    DisplayColor color_;
    std::vector<Vector> points_;
    std::vector<CPolygon> polygons_;
    Tracks tracks_;
    std::vector<std::unique_ptr<HlTag>> tags_;
    std::unique_ptr<NodeData> plugin_;
    const PluginRegistry* registry_;
    HlDocument* document_ = nullptr;
    HlObject* parent_ = nullptr;
    HlObject* down_ = nullptr;
    HlObject* next_ = nullptr;
    HlObject* pred_ = nullptr;
};

class HlMaterial final : public HostMaterial {
public:
    static constexpr int32_t kChannelCount = 13;
    HlMaterial(int32_t type);

    int32_t GetType() const override { return type_; }
    bool IsInstanceOf(int32_t type) const override { return type == type_ || type == host_type::kMaterialBase; }
    HostString GetName() const override { return name_; }
    void SetName(const HostString& name) override { name_ = name; }
    ParamContainer& Data() override { return data_; }
    const ParamContainer& Data() const override { return data_; }
    HostLink GetLink() const override { return {id_}; }
    HostDocument* GetDocument() const override;
    NodeData* GetNodeData() const override { return nullptr; }
    bool Message(int32_t type, void* data) override;

    HostMaterial* GetNext() const override;
    HostMaterial* GetPred() const override;
    std::unique_ptr<HostMaterial> Remove() override;
    // Standard materials have channels 0 ... 12; other materials none.
    HostChannel* GetChannel(int32_t n) override;
    void Update(bool preview, bool rtt) override;
    HostBitmap* GetPreviewBitmap(int32_t /*flags*/) override { return preview_.get(); }

    uint64_t Id() const { return id_; }
    int32_t UpdateCount() const { return updates_; }
    // The preview image the host keeps for the material (none at first).
    void SetPreviewBitmap(std::unique_ptr<HlBitmap> bitmap) { preview_ = std::move(bitmap); }
    std::unique_ptr<HlMaterial> Clone(bool keepIds) const;
    void SetDocument(HlDocument* document) { document_ = document; }

private:
    int32_t type_;
    uint64_t id_;
    HostString name_;
    ParamContainer data_;
    std::vector<HlChannel> channels_;
    HlDocument* document_ = nullptr;
    int32_t updates_ = 0;
    std::unique_ptr<HlBitmap> preview_;
};

class HlView;

class HlDocument final : public HostDocument {
public:
    explicit HlDocument(const PluginRegistry* registry);
    ~HlDocument() override;

    HostString GetName() const override { return name_; }
    void SetName(const HostString& name) { name_ = name; }
    HostFilename GetPath() const override { return path_; }
    void SetPath(const HostFilename& path) { path_ = path; }

    HostObject* GetFirstObject() const override { return first_; }
    void InsertObject(std::unique_ptr<HostObject> object, HostObject* parent, HostObject* pred) override;
    HostObject* SearchObject(const HostString& name) const override;
    HostMaterial* GetFirstMaterial() const override;
    void InsertMaterial(std::unique_ptr<HostMaterial> material, HostMaterial* pred = nullptr) override;
    HostMaterial* SearchMaterial(const HostString& name) const override;
    HostNode* Resolve(HostLink link) const override;

    int32_t GetFps() const override { return fps_; }
    void SetFps(int32_t fps) { fps_ = fps; }
    double GetTime() const override { return time_; }
    void SetTime(double seconds) override { time_ = seconds; }
    // The frames the document's animation runs over, first and last included (first <= last
    // in every document the loader makes); none unless one is set.
    using FrameSpan = std::pair<int32_t, int32_t>;
    std::optional<FrameSpan> FrameRange() const { return frameRange_; }
    void SetFrameRange(std::optional<FrameSpan> range) { frameRange_ = range; }
    // Sets every object with tracks to its tracks' values at the current frame.
    void ExecutePasses(void* thread, bool animation, bool expressions, bool caches) override;

    void StartUndo() override;
    void EndUndo() override;
    bool DoUndo() override;
    // Records, inside the open undo group, that `replacement` took `original`'s place;
    // undo puts the original back.  Called by the modelling command.
    void RecordReplacement(std::unique_ptr<HlObject> original, HlObject* replacement);
    int32_t UndoDepth() const { return static_cast<int32_t>(undo_.size()); }
    // The object that now stands in place of `original` after the last replacement of it,
    // or `original` itself when it was not replaced; null when neither is in the document.
    HostObject* ReplacementOf(const HostObject* original) const;

    ParamContainer& GetActiveRenderData() override { return renderData_; }
    HostView* GetActiveView() override;
    // The scene camera of the active view (null: the editor camera).
    void SetSceneCamera(HostObject* camera) { sceneCamera_ = camera ? camera->GetLink() : HostLink{}; }
    HostObject* SceneCamera() const;
    HlObject* EditorCamera() { return editorCamera_.get(); }

    const std::vector<std::unique_ptr<HlMaterial>>& Materials() const { return materials_; }
    const PluginRegistry* Registry() const { return registry_; }

    // Node index: kept current by every insertion and removal.
    void IndexSubtree(HlObject* object);
    void UnindexSubtree(HlObject* object);
    void IndexNode(uint64_t id, HostNode* node) { index_[id] = node; }
    void UnindexNode(uint64_t id) { index_.erase(id); }
    // Unlinks a top-level or nested object; used by HlObject::Remove.
    void Unlink(HlObject* object);

    // Calls fn for every object in depth-first pre-order.
    void ForEachObject(const std::function<void(HlObject&)>& fn) const;

private:
    friend class HlObject;
    friend class HlMaterial;
    struct UndoEntry {
        std::unique_ptr<HlObject> original;  // the object to put back
        HlObject* replacement = nullptr;     // the object to take out
    };
    // What replaced an object: by the original's address (the original may be gone when it
    // was replaced outside an undo group), the replacement and its id (to tell whether it is
    // still in the document without touching it).
    struct Replaced {
        HlObject* replacement = nullptr;
        uint64_t replacementId = 0;
    };
    void RemoveMaterial(HlMaterial* material, std::unique_ptr<HlMaterial>& out);
    bool InDocument(const HostNode* node, uint64_t id) const;
    struct UndoGroup {
        std::vector<UndoEntry> entries;
    };

    const PluginRegistry* registry_;
    HostString name_;
    HostFilename path_;
    HlObject* first_ = nullptr;
    std::vector<std::unique_ptr<HlMaterial>> materials_;
    std::unordered_map<uint64_t, HostNode*> index_;
    int32_t fps_ = 30;
    double time_ = 0;
    std::optional<FrameSpan> frameRange_;
    ParamContainer renderData_;
    HostLink sceneCamera_;
    std::unique_ptr<HlObject> editorCamera_;
    std::unique_ptr<HlView> view_;
    std::vector<UndoGroup> undo_;
    int32_t undoOpen_ = 0;
    std::unordered_map<const HostObject*, Replaced> replaced_;
};

// The modelling command 230 ("make editable"): replaces a generator by a polygon object
// holding its current geometry (name, matrix, tags, children and render mode carried over)
// and records the replacement in the open undo group.  An object that is no generator comes
// back as itself.  Returns false when the object is not in the document.
bool MakeEditable(HlDocument& document, HlObject& object, HlObject** result);

// Geometry that a generator object would produce (cube: parameters 1100 size and 1101
// segments); empty for objects that are no generators.
bool IsGenerator(int32_t type);
void GenerateGeometry(const HlObject& object, std::vector<Vector>& points, std::vector<CPolygon>& polygons);

class HlReplacementRecord final : public HostReplacementRecord {
public:
    bool Init(HostDocument* document) override;
    void Add(HostObject* object) override;
    // The document's answer (HlDocument::ReplacementOf) for the registered object.
    HostObject* GetReplacement(HostDocument* document, int32_t index = 0) const override;

private:
    std::vector<HostObject*> registered_;
    HostDocument* document_ = nullptr;
};

}  // namespace headless
