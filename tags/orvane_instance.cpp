#include "tags/orvane_instance.h"

#include "core/ids.h"
#include "sdk/host.h"
#include "tags/identity_colour.h"

using namespace instance_param;

const ParamTable& OrvaneInstance::Defaults() {
    static const ParamTable table = {Vec(kBoxSize, 50, 50, 50), Vec(kBoxCentre, 0, 0, 0), Bool(kUseExternalMesh, false),
                                     Bool(kExternalSmoothing, true)};
    return table;
}

bool OrvaneInstance::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}

bool OrvaneInstance::GetDDescription(HostNode* node, Description* description, int32_t& flags) {
    if (!description->LoadDescription(plugin_id::kOrvaneInstance)) return false;
    const bool external = node->Data().Get<bool>(kUseExternalMesh, false);
    description->SetHidden(kLink, external);
    description->SetHidden(kExternalGroup, !external);
    flags += kDescriptionLoaded;
    return true;
}

namespace {

// The object the instance repeats, resolved in the host's active document.
HostObject* LinkedObject(const HostObject& instance) {
    HostNode* node = instance.Data().GetLink(kLink, TheHost().GetActiveDocument());
    return node && node->Kind() == NodeKind::kObject ? static_cast<HostObject*>(node) : nullptr;
}

}  // namespace

void OrvaneInstance::GetDimension(HostObject* object, Vector* centre, Vector* halfSize) {
    const ParamContainer& data = object->Data();
    if (data.Get<bool>(kUseExternalMesh, false)) {
        *centre = data.Get<Vector>(kBoxCentre);
        *halfSize = data.Get<Vector>(kBoxSize) * 0.5f;
    } else if (const HostObject* linked = LinkedObject(*object)) {
        *centre = linked->GetMp();
        *halfSize = linked->GetRad();
    } else {
        *centre = Vector{};
        *halfSize = Vector{50, 50, 50};
    }
}

namespace {

// The object's bounds as a box of twelve 3D lines, in the linked object's colour.
void DrawBoundsBox(HostObject& object, HostView& view) {
    const HostObject* linked = LinkedObject(object);
    view.SetPen(linked ? view.GetObjectColor(linked) : kIdentityColour);
    const Vector c = object.GetMp();
    const Vector h = object.GetRad();
    const Matrix mg = object.GetMg();
    const float xl = c.x - h.x, xh = c.x + h.x, yl = c.y - h.y, yh = c.y + h.y, zl = c.z - h.z, zh = c.z + h.z;
    const Vector edges[12][2] = {
        {{xl, yh, zh}, {xh, yh, zh}}, {{xl, yh, zl}, {xl, yh, zh}}, {{xh, yh, zl}, {xl, yh, zl}},
        {{xh, yh, zh}, {xh, yh, zl}}, {{xl, yl, zh}, {xh, yl, zh}}, {{xl, yl, zl}, {xl, yl, zh}},
        {{xh, yl, zl}, {xl, yl, zl}}, {{xh, yl, zh}, {xh, yl, zl}}, {{xh, yh, zh}, {xh, yl, zh}},
        {{xl, yh, zh}, {xl, yl, zh}}, {{xl, yh, zl}, {xl, yl, zl}}, {{xh, yh, zl}, {xh, yl, zl}},
    };
    for (const auto& edge : edges) view.Line3D(mg * edge[0], mg * edge[1]);
}

}  // namespace

bool OrvaneInstance::Draw(HostObject* object, int32_t pass, HostView* view) {
    if (pass == draw_pass::kObject && object && view) DrawBoundsBox(*object, *view);
    return ObjectData::Draw(object, pass, view);  // the host's own drawing
}
