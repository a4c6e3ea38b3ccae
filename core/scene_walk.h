// Walks over the object tree that the scene writers share.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/scene.h"

// The first animation tag on the object, else on its parent, and so on upward; null when no
// object of the chain has one.
HostTag* FindAnimationTag(const HostObject& object);

// Appends every object of the tree that starts at `first` that is visible for rendering, in
// depth-first pre-order.  An object is visible when its render mode is not off; under an
// ancestor that is off (hidden = true) only objects whose mode is on are.
void CollectRenderVisible(std::vector<HostObject*>& list, HostObject* first, bool hidden);

// The visibility rule for one object under the given `hidden` state, and the `hidden` state
// its children inherit.
bool IsRenderVisible(const HostObject& object, bool hidden);
bool ChildrenHidden(const HostObject& object, bool hidden);

// Counts the polygon objects met before `stop` in depth-first pre-order from `first` (hidden
// ones too) into `counter`; returns false when it met `stop`, true when the walk ended
// without meeting it.
bool CountPolygonObjectsBefore(const HostObject* first, const HostObject* stop, int32_t& counter);
