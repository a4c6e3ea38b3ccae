// Base classes of the module's plug-in classes.  The host calls their virtual operations.
#pragma once

#include <cstdint>

#include "sdk/container.h"
#include "sdk/description.h"
#include "sdk/draw.h"
#include "sdk/scene.h"

class HostBitmap;

// Message types the host sends to nodes.
namespace node_message {
inline constexpr int32_t kUpdate = 7;
inline constexpr int32_t kDescriptionCommand = 18;  // a description button was pressed
inline constexpr int32_t kDescriptionBitmap = 27;   // the host asks for an entry's bitmap
}  // namespace node_message

struct DescriptionCommand {
    int32_t id = 0;  // the button's parameter ID
};

struct DescriptionBitmapRequest {
    int32_t id = 0;
    HostBitmap* bitmap = nullptr;  // the slot: the handler puts a bitmap (host-owned) here
};

// Common operations of tag and object plug-ins.  Instances keep no state; values live in the
// node's container.
class NodeData {
public:
    virtual ~NodeData() = default;
    virtual bool Init(HostNode* /*node*/) { return true; }
    virtual void Free(HostNode* /*node*/) {}
    virtual bool Message(HostNode* /*node*/, int32_t /*type*/, void* /*data*/) { return true; }
    virtual bool GetDDescription(HostNode* /*node*/, Description* /*description*/, int32_t& /*flags*/) {
        return true;
    }
    // Parameter hooks: a hook that handles the parameter adds kParameterHandled to flags.
    virtual bool GetDParameter(HostNode* /*node*/, int32_t /*id*/, ParamValue& /*value*/, int32_t& /*flags*/) {
        return true;
    }
    virtual bool SetDParameter(HostNode* /*node*/, int32_t /*id*/, const ParamValue& /*value*/,
                               int32_t& /*flags*/) {
        return true;
    }
};

class TagData : public NodeData {
public:
    virtual bool Draw(HostTag* /*tag*/, HostObject* /*object*/, HostView* /*view*/) { return true; }
    // The host's six-argument evaluation hook.
    virtual int32_t Execute(HostTag* /*tag*/, HostDocument* /*document*/, HostObject* /*object*/,
                            void* /*thread*/, int32_t /*priority*/, int32_t /*flags*/) {
        return 0;
    }
};

class ObjectData : public NodeData {
public:
    virtual bool Draw(HostObject* /*object*/, int32_t /*pass*/, HostView* /*view*/) { return true; }
    virtual void GetDimension(HostObject* /*object*/, Vector* centre, Vector* halfSize) {
        *centre = Vector{};
        *halfSize = Vector{};
    }
    // The host's six-argument hook (last operation of its object interface).
    virtual int32_t Execute(HostObject* /*object*/, HostDocument* /*document*/, void* /*thread*/,
                            int32_t /*priority*/, int32_t /*flags*/, int32_t /*reserved*/) {
        return 0;
    }
};

class CommandData {
public:
    virtual ~CommandData() = default;
    // False when the command's work failed (the host may tell the user so).
    virtual bool Execute(HostDocument* /*document*/) { return true; }
};

using TagAllocator = TagData* (*)();
using ObjectAllocator = ObjectData* (*)();

// A thread of the host.  Start returns when Main has ended.
class Thread {
public:
    virtual ~Thread() = default;
    virtual bool TestBreak() { return false; }
    virtual void Main() = 0;
    bool Start(int32_t back = 0, int32_t priority = 0);
};
