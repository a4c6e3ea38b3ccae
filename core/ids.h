// Plug-in IDs of the module's classes; they are also the type numbers of their nodes.
#pragma once

#include <cstdint>

namespace plugin_id {
inline constexpr int32_t kLightTag = 1020892;         // MyLightTag
inline constexpr int32_t kMaterialHelper = 1020893;   // MyMaterialHelper
inline constexpr int32_t kExitPortal = 1021223;       // MyExitPortal
inline constexpr int32_t kCameraTag = 1022083;        // CameraTag
inline constexpr int32_t kAnimationTag = 1022560;     // AnimationTag
inline constexpr int32_t kRenderSettings = 1020896;   // MyRenderSettings
inline constexpr int32_t kOrvaneInstance = 1022273;   // OrvaneInstance
inline constexpr int32_t kExportAndRun = 1021741;     // MyExportAndRun
inline constexpr int32_t kShowAbout = 1020894;        // ShowAbout
inline constexpr int32_t kConvertMats = 1021852;      // ConvertMats
inline constexpr int32_t kImportOvm = 1022469;        // ImportOVM
inline constexpr int32_t kSeparator1 = 1022283;
inline constexpr int32_t kSeparator2 = 1022284;
}  // namespace plugin_id

// Parameters of the animation tag.
namespace animation_param {
inline constexpr int32_t kFirstFrame = 70001;
inline constexpr int32_t kLastFrame = 70002;
}  // namespace animation_param
