// Host type numbers and the small enumerations of the host interface.
#pragma once

#include <cstdint>

namespace host_type {
inline constexpr int32_t kPolygonObject = 5100;
inline constexpr int32_t kCamera = 5103;
inline constexpr int32_t kFloor = 5104;
inline constexpr int32_t kInstance = 5126;
inline constexpr int32_t kNull = 5140;
inline constexpr int32_t kSphere = 5160;
inline constexpr int32_t kCube = 5159;
inline constexpr int32_t kPointData = 5600;
inline constexpr int32_t kPolygonData = 5604;
inline constexpr int32_t kSmoothingTag = 5612;
inline constexpr int32_t kTextureTag = 5616;
inline constexpr int32_t kUvTag = 5671;
inline constexpr int32_t kPolygonSelectionTag = 5673;
inline constexpr int32_t kNormalTag = 5711;
inline constexpr int32_t kMaterialBase = 5702;
inline constexpr int32_t kStandardMaterial = 5703;
inline constexpr int32_t kRenderData = 110304;
}  // namespace host_type

// What a node is: the tree it lives in.
enum class NodeKind { kObject, kTag, kMaterial };

// Render mode of an object (mode query with selector 1).
namespace render_mode {
inline constexpr int32_t kOn = 0;
inline constexpr int32_t kOff = 1;
inline constexpr int32_t kDefault = 2;
}  // namespace render_mode

// Parameters of host objects and tags that the module reads.
namespace host_param {
inline constexpr int32_t kCameraFocalLength = 500;
inline constexpr int32_t kCameraApertureWidth = 1006;
inline constexpr int32_t kCameraFocusDistance = 1010;
inline constexpr int32_t kInstanceLink = 1001;
inline constexpr int32_t kSphereRadius = 1110;
inline constexpr int32_t kCubeSize = 1100;       // vector
inline constexpr int32_t kCubeSegments = 1101;   // vector, read as whole numbers
inline constexpr int32_t kTextureOffsetU = 1000;
inline constexpr int32_t kTextureOffsetV = 1001;
inline constexpr int32_t kTextureLengthU = 1002;
inline constexpr int32_t kTextureLengthV = 1003;
inline constexpr int32_t kTextureRestriction = 1006;
inline constexpr int32_t kTextureMaterial = 1010;
inline constexpr int32_t kTextureProjection = 1011;
inline constexpr int32_t kSmoothingAngle = 1000;  // degrees
inline constexpr int32_t kChannelTexture = 1002;  // channel container: texture name
inline constexpr int32_t kChannelFolder = 1017;   // channel container: folder of the texture
}  // namespace host_param

// Parameters of the standard host material.
namespace host_material {
inline constexpr int32_t kColour = 2100;
inline constexpr int32_t kBrightness = 2101;        // factor applied to the colour
inline constexpr int32_t kTransparencyFresnel = 1003;
inline constexpr int32_t kRefraction = 1005;
inline constexpr int32_t kBumpStrength = 1009;
inline constexpr int32_t kSpecularWidth = 1016;
inline constexpr int32_t kSpecularHeight = 1017;
inline constexpr int32_t kTransparencyBlur = 1120;
inline constexpr int32_t kReflectionBlur = 1130;
inline constexpr int32_t kReflectionStrength = 2501;
}  // namespace host_material

// Texture projections of the texture tag (parameter 1011).
namespace projection {
inline constexpr int32_t kSpherical = 0;
inline constexpr int32_t kCylindrical = 1;
inline constexpr int32_t kFlat = 2;
inline constexpr int32_t kCubic = 3;
inline constexpr int32_t kUvw = 6;
}  // namespace projection

// Modelling commands.
inline constexpr int32_t kMakeEditableCommand = 230;

// Draw passes.
namespace draw_pass {
inline constexpr int32_t kObject = 0;
inline constexpr int32_t kHighlights = 1;
inline constexpr int32_t kHandles = 2;
}  // namespace draw_pass

// File dialog modes.
enum class FileSelectMode { kLoad, kSave, kDirectory };

// Open modes of the host's file facility.  kWriteBatch writes like kWrite, whole or not at
// all, but Close only finishes the file: it takes its target's place at the next
// Host::CommitFiles, together with every other batch file, so that a frame of many files waits
// for the disk once instead of once per file.
enum class FileMode { kRead, kWrite, kWriteBatch };
