#include "core/scene_walk.h"

#include "core/ids.h"

HostTag* FindAnimationTag(const HostObject& object) {
    for (const HostObject* current = &object; current; current = current->GetUp()) {
        if (HostTag* tag = current->GetTag(plugin_id::kAnimationTag)) return tag;
    }
    return nullptr;
}

bool IsRenderVisible(const HostObject& object, bool hidden) {
    const int32_t mode = object.GetRenderMode();
    return hidden ? mode == render_mode::kOn : mode != render_mode::kOff;
}

bool ChildrenHidden(const HostObject& object, bool hidden) {
    return object.GetRenderMode() == render_mode::kOff ? true : hidden;
}

void CollectRenderVisible(std::vector<HostObject*>& list, HostObject* first, bool hidden) {
    for (HostObject* object = first; object; object = object->GetNext()) {
        if (IsRenderVisible(*object, hidden)) list.push_back(object);
        if (HostObject* child = object->GetDown()) CollectRenderVisible(list, child, ChildrenHidden(*object, hidden));
    }
}

bool CountPolygonObjectsBefore(const HostObject* first, const HostObject* stop, int32_t& counter) {
    for (const HostObject* object = first; object; object = object->GetNext()) {
        if (object == stop) return false;
        if (object->GetType() == host_type::kPolygonObject) ++counter;
        if (const HostObject* child = object->GetDown()) {
            if (!CountPolygonObjectsBefore(child, stop, counter)) return false;
        }
    }
    return true;
}
