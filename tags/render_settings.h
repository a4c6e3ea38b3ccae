// MyRenderSettings: the renderer's global settings and the environment, as an object.
#pragma once

#include <cstdint>

#include "sdk/plugin.h"
#include "tags/param_table.h"

// Parameters of the render settings object (cycle values are IDs themselves).
namespace settings_param {
inline constexpr int32_t kIntegrator = 1334;  // cycle:
inline constexpr int32_t kPathTracing = 1335;
inline constexpr int32_t kBidirectional = 1336;
inline constexpr int32_t kMetropolis = 1337;
inline constexpr int32_t kBidirectionalMetropolis = 1338;
inline constexpr int32_t kAdvanced = 1319;
inline constexpr int32_t kLargeMutationProb = 1350;
inline constexpr int32_t kMaxChange = 1351;
inline constexpr int32_t kMaxConsecRejections = 1331;
inline constexpr int32_t kMaxDepth = 1330;
inline constexpr int32_t kTriangleThreshold = 1362;  // thousands of triangles
inline constexpr int32_t kHaltTime = 1332;
inline constexpr int32_t kHaltSamples = 1382;
inline constexpr int32_t kHybrid = 1361;
inline constexpr int32_t kLogging = 1352;
inline constexpr int32_t kDisplayPeriod = 1353;
inline constexpr int32_t kImageSavePeriod = 1354;
inline constexpr int32_t kSaveUntonemappedExr = 1355;
inline constexpr int32_t kSaveTonemappedExr = 1356;
inline constexpr int32_t kSaveOvi = 1333;
inline constexpr int32_t kAutoThreads = 1383;
inline constexpr int32_t kThreads = 1357;
inline constexpr int32_t kCacheTrees = 1358;
inline constexpr int32_t kPolarisation = 1359;
inline constexpr int32_t kSceneScale = 1340;

inline constexpr int32_t kEnvironment = 1368;  // cycle:
inline constexpr int32_t kBackground = 1363;
inline constexpr int32_t kSky = 1364;
inline constexpr int32_t kEnvironmentMap = 1365;
inline constexpr int32_t kNoEnvironment = 1379;

inline constexpr int32_t kBackgroundSpectrum = 1374;  // cycle:
inline constexpr int32_t kColourSpectrum = 1370;
inline constexpr int32_t kUniformSpectrum = 1371;
inline constexpr int32_t kBlackbodySpectrum = 1372;
inline constexpr int32_t kEmptySpectrum = 1373;
inline constexpr int32_t kBackgroundColour = 1068;
inline constexpr int32_t kBackgroundGamma = 1384;
inline constexpr int32_t kUniformValue = 1067;
inline constexpr int32_t kTemperature = 1065;
inline constexpr int32_t kBlackbodyGain = 1066;

inline constexpr int32_t kSun = 1301;
inline constexpr int32_t kTurbidity = 1303;
inline constexpr int32_t kExtraAtmospheric = 1381;

inline constexpr int32_t kMapFile = 1346;
inline constexpr int32_t kMapProjection = 1343;  // cycle:
inline constexpr int32_t kLatLong = 1344;
inline constexpr int32_t kSpherical = 1345;
inline constexpr int32_t kMapGain = 1347;
inline constexpr int32_t kMapWidth = 1348;

// Description groups, only shown or hidden.
inline constexpr int32_t kBackgroundGroup = 1366;
inline constexpr int32_t kSkyGroup = 1367;
inline constexpr int32_t kMapGroup = 1342;
inline constexpr int32_t kColourGroup = 1375;
inline constexpr int32_t kUniformGroup = 1376;
inline constexpr int32_t kBlackbodyGroup = 1377;
inline constexpr int32_t kEmptySpectrumGroup = 1378;
}  // namespace settings_param

namespace viewport {
// The module's identifying viewport colour.
inline constexpr Vector kIdentifyingColor{0.29412f, 0.0f, 0.5098f};
}  // namespace viewport

class MyRenderSettings : public ObjectData {
public:
    static ObjectData* Alloc() { return new MyRenderSettings; }
    // The defaults; the thread count (1357) is the host's processor count.
    static ParamTable Defaults(int32_t cpuCount);
    // Length of the axis lines the object draws.
    static constexpr float kAxisLength = 200.0f;

    bool Init(HostNode* node) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
    bool Draw(HostObject* object, int32_t pass, HostView* view) override;
};

// The show/hide rules of the object's description for the values in data.
void ApplyRenderSettingsVisibility(const ParamContainer& data, Description& description);
