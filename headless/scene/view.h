// A view of the headless host: records every drawing call, so drawing code can be tested.
#pragma once

#include <string>
#include <vector>

#include "sdk/draw.h"

namespace headless {

class HlDocument;

struct DrawCall {
    enum class Kind { kPen, kLine3D, kLine2D } kind;
    Vector a, b;  // pen: a is the colour
    friend bool operator==(const DrawCall&, const DrawCall&) = default;
};

class HlView final : public HostView {
public:
    explicit HlView(HlDocument* document) : document_(document) {}

    HostObject* GetSceneCamera(const HostDocument* document) override;
    void SetPen(Vector color) override { calls_.push_back({DrawCall::Kind::kPen, color, {}}); }
    void Line3D(Vector from, Vector to) override { calls_.push_back({DrawCall::Kind::kLine3D, from, to}); }
    void Line2D(Vector from, Vector to) override { calls_.push_back({DrawCall::Kind::kLine2D, from, to}); }
    Frame GetFrame() const override { return frame_; }
    SafeFrame GetSafeFrame() const override { return safeFrame_; }
    Vector GetObjectColor(const HostObject* object) const override;

    void SetFrame(Frame frame) { frame_ = frame; }
    void SetSafeFrame(SafeFrame frame) { safeFrame_ = frame; }
    const std::vector<DrawCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // One line per call, e.g. "pen 1 0 0", "line3d 0 0 0 - 200 0 0".
    std::string Describe() const;

private:
    HlDocument* document_;
    Frame frame_{0, 0, 799, 599};
    SafeFrame safeFrame_{0, 799, 1};
    std::vector<DrawCall> calls_;
};

}  // namespace headless
