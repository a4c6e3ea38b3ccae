// Node animation: the file's keys sampled at every frame of the document's rate into the host
// objects' position, rotation and scale tracks.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "import/import_context.h"
#include "sdk/types.h"

namespace scene_import {

namespace {

// The animation tag (AnimationTag): the first and last frame its object moves in.
constexpr int32_t kTagFirstFrame = 70001;
constexpr int32_t kTagLastFrame = 70002;
constexpr double kStandardFps = 30;
// An animation longer than this many frames is cut there.
constexpr double kMaxFrames = 1e6;
constexpr double kPi = std::numbers::pi;

// The rate the file was made at: FBX gives its time mode ("FrameRate") and, for a custom mode,
// "CustomFrameRate".  The millisecond mode (12) is no frame rate.
std::optional<double> FileFps(const aiScene& scene) {
    static constexpr double kModeFps[] = {0, 120, 100, 60, 50, 48, 30, 30, 29.97, 29.97, 25, 24, 0, 23.976, 0};
    constexpr int kCustomMode = 14;
    const std::optional<double> mode = MetaNumber(scene.mMetaData, "FrameRate");
    const std::optional<double> custom = MetaNumber(scene.mMetaData, "CustomFrameRate");
    double fps = 0;
    if (mode && *mode >= 0 && *mode < static_cast<double>(std::size(kModeFps))) {
        fps = kModeFps[static_cast<size_t>(*mode)];
    }
    if ((fps <= 0 || (mode && *mode == kCustomMode)) && custom) fps = *custom;
    if (fps > 0 && std::isfinite(fps)) return fps;
    return std::nullopt;
}

int32_t DocumentFps(const ImportContext& context) {
    double fps = context.options.fps > 0 ? context.options.fps : FileFps(context.scene).value_or(kStandardFps);
    if (!std::isfinite(fps)) fps = kStandardFps;
    return static_cast<int32_t>(std::clamp(std::round(fps), 1.0, 1e6));
}


// The index of the last key at or before the time; keys are sorted by time.
template <class Key>
size_t KeyBefore(const Key* keys, unsigned count, double time) {
    const Key* after = std::upper_bound(keys, keys + count, time, [](double t, const Key& k) { return t < k.mTime; });
    return after == keys ? 0 : static_cast<size_t>(after - keys) - 1;
}

// The value at a time: linear between keys, held before the first and after the last.
aiVector3D Sample(const aiVectorKey* keys, unsigned count, double time, const aiVector3D& missing) {
    if (count == 0) return missing;
    const size_t i = KeyBefore(keys, count, time);
    if (i + 1 >= count || time <= keys[i].mTime) return keys[i].mValue;
    const double t = (time - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime);
    return keys[i].mValue + (keys[i + 1].mValue - keys[i].mValue) * static_cast<ai_real>(t);
}

// The rotation at a time: spherical between keys (the shorter way), held outside them.
aiQuaternion Sample(const aiQuatKey* keys, unsigned count, double time, const aiQuaternion& missing) {
    if (count == 0) return missing;
    const size_t i = KeyBefore(keys, count, time);
    if (i + 1 >= count || time <= keys[i].mTime) return keys[i].mValue;
    const double t = (time - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime);
    aiQuaternion out;
    aiQuaternion::Interpolate(out, keys[i].mValue, keys[i + 1].mValue, static_cast<ai_real>(t));
    return out.Normalize();
}

// The angle plus the whole turns that bring it nearest the reference.
double Nearest(double angle, double reference) {
    return angle + 2 * kPi * std::round((reference - angle) / (2 * kPi));
}

Vector Near(double h, double p, double b, Vector previous) {
    return {static_cast<float>(Nearest(h, previous.x)), static_cast<float>(Nearest(p, previous.y)),
            static_cast<float>(Nearest(b, previous.z))};
}

double Distance(Vector a, Vector b) { return Dot(a - b, a - b); }

// Heading, pitch and bank of a rotation with the unit axes x, y, z, for Ry(H)·Rx(P)·Rz(B): of
// the two triples that give it, (H, P, B) and (H + π, π − P, B + π), each angle moved by whole
// turns, the one nearest the previous frame's.  Looking straight up or down the heading is
// free and stays the previous frame's; the bank is read once the heading is turned back, so
// the three give the rotation also near there.
Vector Angles(Vector x, Vector y, Vector z, Vector previous) {
    const double cp = std::hypot(z.x, z.z);
    const double p = std::atan2(-static_cast<double>(z.y), cp);
    const double h = cp > 1e-5 ? std::atan2(z.x, z.z) : previous.x;
    // Ry(−H) · (x y) = Rx(P)·Rz(B): its x row is (cos B, −sin B).
    const double ch = std::cos(h), sh = std::sin(h);
    const double b = std::atan2(-(ch * y.x - sh * y.z), ch * x.x - sh * x.z);
    const Vector first = Near(h, p, b, previous);
    const Vector second = Near(h + kPi, kPi - p, b + kPi, previous);
    return Distance(first, previous) <= Distance(second, previous) ? first : second;
}

// T · R · S (the scene reader's own constructor of a placement from these scales its rows:
// S · R, a shear for unequal scales).
aiMatrix4x4 Compose(const aiVector3D& scale, const aiQuaternion& rotation, const aiVector3D& position) {
    aiMatrix4x4 m(rotation.GetMatrix());
    for (unsigned row = 0; row < 3; ++row) {
        m[row][0] *= scale.x;
        m[row][1] *= scale.y;
        m[row][2] *= scale.z;
    }
    m.a4 = position.x;
    m.b4 = position.y;
    m.c4 = position.z;
    return m;
}

struct Prs {
    Vector position, rotation, scale;
};

// A host placement as position, rotation (nearest the previous one) and scale (axis lengths; a
// mirrored placement gets a negative z scale).
Prs Split(const Matrix& m, Vector previousRotation) {
    Prs out;
    out.position = m.off;
    out.scale = {Length(m.v1), Length(m.v2), Length(m.v3)};
    if (Dot(Cross(m.v1, m.v2), m.v3) < 0) out.scale.z = -out.scale.z;
    const auto unit = [](Vector v, float length) { return length != 0 ? v * (1.0f / length) : v; };
    out.rotation =
        Angles(unit(m.v1, out.scale.x), unit(m.v2, out.scale.y), unit(m.v3, out.scale.z), previousRotation);
    return out;
}

struct Channel {
    const aiNodeAnim* keys;
    const aiNode* node;
    headless::HlObject* object;
    double ticksPerFrame;
};

// The times of a channel's first and last key, in ticks.
std::pair<double, double> KeyTimes(const aiNodeAnim& channel) {
    double first = std::numeric_limits<double>::infinity(), last = -first;
    const auto take = [&](const auto* keys, unsigned count) {
        if (count == 0) return;
        first = std::min(first, keys[0].mTime);
        last = std::max(last, keys[count - 1].mTime);
    };
    take(channel.mPositionKeys, channel.mNumPositionKeys);
    take(channel.mRotationKeys, channel.mNumRotationKeys);
    take(channel.mScalingKeys, channel.mNumScalingKeys);
    return {first, last};
}

// The channels of the scene's animations that lead to objects, one for each node: the first
// animation that moves a node moves it.
std::vector<Channel> CollectChannels(ImportContext& context, int32_t fps) {
    std::vector<Channel> channels;
    std::unordered_set<const aiNode*> moved;
    for (unsigned a = 0; a < context.scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *context.scene.mAnimations[a];
        // Ticks of a file that gives no tick rate count as frames.
        const double ticksPerFrame = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond / fps : 1.0;
        std::string taken;
        for (unsigned c = 0; c < animation.mNumChannels; ++c) {
            const aiNodeAnim* keys = animation.mChannels[c];
            const aiNode* node = context.scene.mRootNode ? context.scene.mRootNode->FindNode(keys->mNodeName) : nullptr;
            const auto found = node ? context.objects.find(node) : context.objects.end();
            if (found == context.objects.end() || !found->second) {
                context.Warning(context.sourceName + ": animation " + Quoted(animation.mName.C_Str()) + ": node " +
                                Quoted(keys->mNodeName.C_Str()) + " is not in the scene: left out");
                continue;
            }
            if (!moved.insert(node).second) {
                taken += (taken.empty() ? "" : ", ") + Quoted(keys->mNodeName.C_Str());
                continue;
            }
            channels.push_back({keys, node, found->second, ticksPerFrame});
        }
        if (!taken.empty()) {
            context.Console(context.sourceName + ": animation " + Quoted(animation.mName.C_Str()) + ": " + taken +
                            " moved by an earlier animation; left out here");
        }
    }
    return channels;
}

// The camera of a camera node, whose own frame each sample takes along.
const aiCamera* NodeCamera(const aiScene& scene, const aiNode& node) {
    for (unsigned i = 0; i < scene.mNumCameras; ++i) {
        if (scene.mCameras[i]->mName == node.mName) return scene.mCameras[i];
    }
    return nullptr;
}

void AddAnimationTag(headless::HlObject& object, int32_t first, int32_t last) {
    const int32_t type = ModuleType("AnimationTag");
    HostTag* tag = object.GetTag(type);
    if (!tag) tag = object.MakeTag(type);
    tag->Data().Set<int32_t>(kTagFirstFrame, first);
    tag->Data().Set<int32_t>(kTagLastFrame, last);
}

// Tags the object and every polygon object below it.
void TagSubtree(headless::HlObject& object, int32_t first, int32_t last, bool top) {
    if (top || object.GetType() == host_type::kPolygonObject) AddAnimationTag(object, first, last);
    for (HostObject* child = object.GetDown(); child; child = child->GetNext()) {
        TagSubtree(static_cast<headless::HlObject&>(*child), first, last, false);
    }
}

}  // namespace

std::optional<std::pair<int32_t, int32_t>> ImportAnimation(ImportContext& context) {
    const int32_t fps = DocumentFps(context);
    context.document.SetFps(fps);
    const std::vector<Channel> channels = CollectChannels(context, fps);

    std::optional<std::pair<int32_t, int32_t>> range;
    for (const Channel& channel : channels) {
        const aiNodeAnim& keys = *channel.keys;
        const auto [firstTick, lastTick] = KeyTimes(keys);
        if (!(firstTick <= lastTick)) continue;  // no keys
        // Frames from the first key's (or just before it) to the last key's (or just after).
        const double first = std::clamp(std::floor(firstTick / channel.ticksPerFrame + 1e-6), -kMaxFrames, kMaxFrames);
        double last = std::max(first, std::ceil(lastTick / channel.ticksPerFrame - 1e-6));
        if (last - first > kMaxFrames) {
            last = first + kMaxFrames;
            context.Warning(context.sourceName + ": animation of node " + Quoted(channel.node->mName.C_Str()) +
                            " longer than 1000000 frames: cut at frame " + std::to_string(static_cast<int64_t>(last)));
        }

        // What the channel does not key stays as the node places it.
        aiVector3D scaling, position;
        aiQuaternion rotation;
        channel.node->mTransformation.Decompose(scaling, rotation, position);
        const aiCamera* camera = NodeCamera(context.scene, *channel.node);
        const Matrix cameraFrame = camera ? CameraFrame(context, *camera) : Matrix{};

        headless::Tracks& tracks = channel.object->GetTracks();
        tracks = {};
        Vector previous;
        for (double frame = first; frame <= last; ++frame) {
            const double tick = frame * channel.ticksPerFrame;
            const aiMatrix4x4 local = Compose(Sample(keys.mScalingKeys, keys.mNumScalingKeys, tick, scaling),
                                              Sample(keys.mRotationKeys, keys.mNumRotationKeys, tick, rotation),
                                              Sample(keys.mPositionKeys, keys.mNumPositionKeys, tick, position));
            Matrix placement = context.axes.Placement(local);
            if (camera) placement = placement * cameraFrame;
            const Prs prs = Split(placement, previous);
            previous = prs.rotation;
            tracks.position.push_back({frame, prs.position});
            tracks.rotation.push_back({frame, prs.rotation});
            tracks.scale.push_back({frame, prs.scale});
        }
        channel.object->SetPRS(tracks.position.front().value, tracks.rotation.front().value,
                               tracks.scale.front().value);
        const auto firstFrame = static_cast<int32_t>(first), lastFrame = static_cast<int32_t>(last);
        range = range ? std::pair{std::min(range->first, firstFrame), std::max(range->second, lastFrame)}
                      : std::pair{firstFrame, lastFrame};
    }
    if (!range) return std::nullopt;
    for (const Channel& channel : channels) {
        if (!channel.object->GetTracks().Empty()) TagSubtree(*channel.object, range->first, range->second, true);
    }
    return range;
}

}  // namespace scene_import
