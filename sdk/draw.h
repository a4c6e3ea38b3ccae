// Views and drawing.  The host hands a view to the drawing operations of tags and objects.
#pragma once

#include "sdk/math.h"

class HostDocument;
class HostObject;

class HostView {
public:
    virtual ~HostView() = default;
    // The camera object the view looks through (the host's editor camera when the user
    // has not chosen one of the scene's cameras).
    virtual HostObject* GetSceneCamera(const HostDocument* document) = 0;

    virtual void SetPen(Vector color) = 0;
    virtual void Line3D(Vector from, Vector to) = 0;  // world space
    virtual void Line2D(Vector from, Vector to) = 0;  // screen space (x, y)

    struct Frame {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    struct SafeFrame {
        int from = 0, to = 0;
        int orientation = 0;  // 1: spans from ... to horizontally, 2: vertically
    };
    virtual Frame GetFrame() const = 0;
    virtual SafeFrame GetSafeFrame() const = 0;
    // The colour the host would draw the object in, in this view.
    virtual Vector GetObjectColor(const HostObject* object) const = 0;
};
