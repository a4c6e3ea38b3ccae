#include "headless/scene/view.h"

#include <cstdio>

#include "headless/scene/nodes.h"

namespace headless {

HostObject* HlView::GetSceneCamera(const HostDocument* document) {
    HlDocument* owner = document_;
    if (!owner) owner = dynamic_cast<HlDocument*>(const_cast<HostDocument*>(document));
    if (!owner) return nullptr;
    if (HostObject* camera = owner->SceneCamera()) return camera;
    return owner->EditorCamera();
}

Vector HlView::GetObjectColor(const HostObject* object) const {
    if (object) {
        DisplayColor color = object->GetDisplayColor();
        if (color.mode != 0) return color.color;
    }
    return {0.8f, 0.8f, 0.8f};
}

namespace {
std::string Number(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}
std::string Triple(Vector v) { return Number(v.x) + " " + Number(v.y) + " " + Number(v.z); }
std::string Pair(Vector v) { return Number(v.x) + " " + Number(v.y); }
}  // namespace

std::string HlView::Describe() const {
    std::string text;
    for (const DrawCall& call : calls_) {
        switch (call.kind) {
            case DrawCall::Kind::kPen:
                text += "pen " + Triple(call.a);
                break;
            case DrawCall::Kind::kLine3D:
                text += "line3d " + Triple(call.a) + " - " + Triple(call.b);
                break;
            case DrawCall::Kind::kLine2D:
                text += "line2d " + Pair(call.a) + " - " + Pair(call.b);
                break;
        }
        text += '\n';
    }
    return text;
}

}  // namespace headless
