// Documents and their nodes as the host offers them: objects (a tree), tags (a list per
// object) and materials (a list per document).  The host owns every node; the module holds
// plain pointers that stay valid until the node is removed and freed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sdk/container.h"
#include "sdk/filename.h"
#include "sdk/hoststring.h"
#include "sdk/math.h"
#include "sdk/selection.h"
#include "sdk/types.h"

class HostBitmap;
class HostDocument;
class HostMaterial;
class HostObject;
class HostTag;
class HostView;
class NodeData;

// A polygon: four point indices; c == d makes it a triangle.
struct CPolygon {
    int32_t a = 0, b = 0, c = 0, d = 0;
    bool IsTriangle() const { return c == d; }
    friend bool operator==(const CPolygon&, const CPolygon&) = default;
};

// Texture coordinates of one polygon's corners (u, v, w in x, y, z).
struct UvwCorners {
    Vector a, b, c, d;
    friend bool operator==(const UvwCorners&, const UvwCorners&) = default;
};

// Viewport colour properties of an object.
struct DisplayColor {
    int32_t mode = 0;  // 0 off (host default), 1 automatic, 2 always
    Vector color{1, 1, 1};
    bool xray = false;
    friend bool operator==(const DisplayColor&, const DisplayColor&) = default;
};

class HostNode {
public:
    virtual ~HostNode() = default;

    virtual NodeKind Kind() const = 0;
    virtual int32_t GetType() const = 0;
    // True for the node's own type and the types it derives from (a standard material is a
    // material base, every object is of type 5155 "object").
    virtual bool IsInstanceOf(int32_t type) const = 0;
    virtual HostString GetName() const = 0;
    virtual void SetName(const HostString& name) = 0;

    // The node's parameters, live.
    virtual ParamContainer& Data() = 0;
    virtual const ParamContainer& Data() const = 0;
    ParamContainer GetData() const { return Data(); }
    void SetData(const ParamContainer& data) { Data() = data; }

    // A link to this node, resolvable in its document.
    virtual HostLink GetLink() const = 0;
    virtual HostDocument* GetDocument() const = 0;
    // The module's instance behind a node of a registered plug-in type; null for host types.
    virtual NodeData* GetNodeData() const = 0;
    // Sends a message to the node (its plug-in instance answers for plug-in types).
    virtual bool Message(int32_t type, void* data) = 0;
};

class HostTag : public HostNode {
public:
    NodeKind Kind() const override { return NodeKind::kTag; }
    virtual HostObject* GetObject() const = 0;
    virtual HostTag* GetNext() const = 0;
    virtual HostTag* GetPred() const = 0;
    // Unlinks the tag from its object; the caller owns it afterwards.
    virtual std::unique_ptr<HostTag> Remove() = 0;

    // Polygon selection tags (5673): the selected polygons; null for other tags.
    virtual HostSelection* GetSelection() = 0;

    // UV tags (5671): one entry per polygon.
    virtual int32_t GetUvwCount() const = 0;
    virtual UvwCorners GetUvw(int32_t polygon) const = 0;
    virtual void SetUvw(int32_t polygon, const UvwCorners& corners) = 0;

    // Texture tags (5616): the material that parameter 1010 links, resolved in the
    // tag's document; null when empty or not a material.
    virtual HostMaterial* GetMaterial() const = 0;
    virtual void SetMaterial(HostMaterial* material) = 0;
};

class HostObject : public HostNode {
public:
    NodeKind Kind() const override { return NodeKind::kObject; }

    virtual HostObject* GetUp() const = 0;
    virtual HostObject* GetDown() const = 0;
    virtual HostObject* GetNext() const = 0;
    virtual HostObject* GetPred() const = 0;
    // Unlinks the object (with its children) from the tree; the caller owns it afterwards.
    virtual std::unique_ptr<HostObject> Remove() = 0;

    virtual HostTag* GetFirstTag() const = 0;
    // The nr-th tag of the type (0 = first), or null.
    virtual HostTag* GetTag(int32_t type, int32_t nr = 0) const = 0;
    // Creates a tag of the type and appends it after pred (at the end when pred is null).
    virtual HostTag* MakeTag(int32_t type, HostTag* pred = nullptr) = 0;
    // Takes ownership of a tag made with Host::AllocTag.
    virtual void InsertTag(std::unique_ptr<HostTag> tag, HostTag* pred = nullptr) = 0;

    // Matrices: global, and local to the parent.
    virtual Matrix GetMg() const = 0;
    virtual void SetMg(const Matrix& m) = 0;
    virtual Matrix GetMl() const = 0;
    virtual void SetMl(const Matrix& m) = 0;
    // The object's own position, rotation (heading, pitch, bank in radians) and scale vectors.
    virtual Vector GetRelPos() const = 0;
    virtual Vector GetRelRot() const = 0;
    virtual Vector GetRelScale() const = 0;
    // Sets the own scale vector alone (the matrices are left as they are).
    virtual void SetRelScale(Vector scale) = 0;

    // 0 on, 1 off, 2 not set.
    virtual int32_t GetRenderMode() const = 0;
    virtual void SetRenderMode(int32_t mode) = 0;
    virtual DisplayColor GetDisplayColor() const = 0;
    virtual void SetDisplayColor(const DisplayColor& color) = 0;

    // Bounding box centre and half-size in the object's own space.
    virtual Vector GetMp() const = 0;
    virtual Vector GetRad() const = 0;

    // Point and polygon data (polygon objects; empty for others).
    virtual int32_t GetPointCount() const = 0;
    virtual const Vector* GetPoints() const = 0;
    virtual int32_t GetPolygonCount() const = 0;
    virtual const CPolygon* GetPolygons() const = 0;
    virtual void SetGeometry(std::vector<Vector> points, std::vector<CPolygon> polygons) = 0;
    // Per-corner normals (four per polygon; d = c for triangles) of an object with a smoothing
    // tag: the normals of its normal tag (5711) when it has one with four per polygon, else
    // smoothed by the smoothing tag's angle.  Empty when the object has no smoothing tag or no
    // polygons.
    virtual std::vector<Vector> CreateCornerNormals() const = 0;
};

// One numbered channel of a material: a switch and a container of its own.
class HostChannel {
public:
    virtual ~HostChannel() = default;
    virtual bool IsOn() const = 0;
    virtual void SetOn(bool on) = 0;
    virtual ParamContainer& Data() = 0;
    virtual const ParamContainer& Data() const = 0;
};

class HostMaterial : public HostNode {
public:
    NodeKind Kind() const override { return NodeKind::kMaterial; }
    virtual HostMaterial* GetNext() const = 0;
    virtual HostMaterial* GetPred() const = 0;
    virtual std::unique_ptr<HostMaterial> Remove() = 0;
    // Channel n, or null when the material has no such channel.
    virtual HostChannel* GetChannel(int32_t n) = 0;
    // Asks the host to refresh the material's preview and viewport appearance.
    virtual void Update(bool preview, bool rtt) = 0;
    // The host's preview image of the material (host-owned); null when the host keeps none.
    virtual HostBitmap* GetPreviewBitmap(int32_t flags) = 0;
};

// A record of objects that a modelling command may replace: after the command it tells
// which object stands in the document in place of each registered one.
class HostReplacementRecord {
public:
    virtual ~HostReplacementRecord() = default;
    virtual bool Init(HostDocument* document) = 0;
    virtual void Add(HostObject* object) = 0;
    // The object now standing in the place of the index-th registered object.
    virtual HostObject* GetReplacement(HostDocument* document, int32_t index = 0) const = 0;
};

// Arguments of a modelling command, field by field.
struct ModelingCommandData {
    HostDocument* document = nullptr;
    HostObject* object = nullptr;
    ParamContainer* data = nullptr;
    int32_t mode = 0;
    int32_t flags = 0;
    int32_t arg1 = 0;
    int32_t arg2 = 0;
    int32_t arg3 = 0;
    int32_t arg4 = 0;
};

class HostDocument {
public:
    virtual ~HostDocument() = default;

    virtual HostString GetName() const = 0;
    // The folder the document was loaded from, as a host path.
    virtual HostFilename GetPath() const = 0;

    virtual HostObject* GetFirstObject() const = 0;
    // Takes ownership; inserts under parent (top level when null) after pred (first when null).
    virtual void InsertObject(std::unique_ptr<HostObject> object, HostObject* parent, HostObject* pred) = 0;
    // First object of the tree (depth-first pre-order) with the name, or null.
    virtual HostObject* SearchObject(const HostString& name) const = 0;

    virtual HostMaterial* GetFirstMaterial() const = 0;
    // Takes ownership; appends after pred (at the end when null).
    virtual void InsertMaterial(std::unique_ptr<HostMaterial> material, HostMaterial* pred = nullptr) = 0;
    virtual HostMaterial* SearchMaterial(const HostString& name) const = 0;

    // The node a link names, when it is in this document.
    virtual HostNode* Resolve(HostLink link) const = 0;

    // Time in seconds and frames per second.
    virtual int32_t GetFps() const = 0;
    virtual double GetTime() const = 0;
    virtual void SetTime(double seconds) = 0;
    // Evaluates the document at its current time (animation tracks, expressions).
    virtual void ExecutePasses(void* thread, bool animation, bool expressions, bool caches) = 0;

    // Undo groups: changes made between StartUndo and EndUndo form one group; DoUndo reverts
    // the last group exactly.
    virtual void StartUndo() = 0;
    virtual void EndUndo() = 0;
    virtual bool DoUndo() = 0;

    // The active render settings (5007 mode, 5008 width, 5009 height).
    virtual ParamContainer& GetActiveRenderData() = 0;
    // The active view; it knows the scene camera.
    virtual HostView* GetActiveView() = 0;
};
