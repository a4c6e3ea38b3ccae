// CameraTag: the renderer's lens, sensor, image and tone-mapping settings on a camera.
#pragma once

#include <cstdint>

#include "sdk/plugin.h"
#include "tags/param_table.h"

// Parameters of the camera tag (cycle values are IDs themselves).
namespace camera_param {
inline constexpr int32_t kWidth = 1955;
inline constexpr int32_t kHeight = 1956;
inline constexpr int32_t kAspectFromSize = 1958;
inline constexpr int32_t kAspectRatio = 1957;
inline constexpr int32_t kSensorWidth = 1953;
inline constexpr int32_t kFNumber = 1927;  // cycle 1928 (f/1) ... 1940 (f/64)
inline constexpr int32_t kFNumberFirst = 1928;
inline constexpr int32_t kFNumberLast = 1940;

inline constexpr int32_t kApertureShape = 1963;  // cycle:
inline constexpr int32_t kCircular = 1964;
inline constexpr int32_t kGenerated = 1965;
inline constexpr int32_t kImage = 1966;
inline constexpr int32_t kBlades = 1967;
inline constexpr int32_t kBladeOffset = 1968;
inline constexpr int32_t kBladeCurvature = 1969;
inline constexpr int32_t kStartAngle = 1970;
inline constexpr int32_t kApertureImage = 1971;

inline constexpr int32_t kDiffraction = 1962;  // cycle:
inline constexpr int32_t kNoDiffraction = 1981;
inline constexpr int32_t kPostProcessDiffraction = 1982;
inline constexpr int32_t kApertureDiffraction = 1983;
inline constexpr int32_t kObstacleMapOn = 1979;
inline constexpr int32_t kObstacleMap = 1980;

inline constexpr int32_t kSuperSample = 1960;
inline constexpr int32_t kSplatFilter = 1977;     // cycle of filters:
inline constexpr int32_t kDownsizeFilter = 1978;  // cycle of filters:
inline constexpr int32_t kCubicFilter = 1974;
inline constexpr int32_t kBoxFilter = 1975;
inline constexpr int32_t kGaussianFilter = 1976;
inline constexpr int32_t kSplatRing = 1984;
inline constexpr int32_t kSplatBlur = 1985;
inline constexpr int32_t kDownsizeRing = 1986;
inline constexpr int32_t kDownsizeBlur = 1987;

inline constexpr int32_t kWatermark = 1961;
inline constexpr int32_t kRegionOn = 1988;
inline constexpr int32_t kRegionX1 = 1989;
inline constexpr int32_t kRegionX2 = 1990;
inline constexpr int32_t kRegionY1 = 1991;
inline constexpr int32_t kRegionY2 = 1992;

inline constexpr int32_t kWhiteBalance = 1917;  // cycle 1905 ... 1916
inline constexpr int32_t kWhiteBalanceFirst = 1905;
inline constexpr int32_t kWhiteBalanceLast = 1916;
inline constexpr int32_t kExposure = 1926;
inline constexpr int32_t kAutofocus = 1925;

inline constexpr int32_t kToneMapping = 1945;  // cycle:
inline constexpr int32_t kLinear = 1946;
inline constexpr int32_t kReinhard = 1947;
inline constexpr int32_t kCameraResponse = 1948;
inline constexpr int32_t kScale = 1949;  // linear scale and Reinhard pre-scale
inline constexpr int32_t kPostScale = 1950;
inline constexpr int32_t kBurn = 1952;
inline constexpr int32_t kFilmIso = 1942;
inline constexpr int32_t kEvAdjust = 1943;
inline constexpr int32_t kResponseFile = 1944;

// Description groups, only shown or hidden.
inline constexpr int32_t kResponseGroup = 1941;
inline constexpr int32_t kLinearReinhardGroup = 1951;
inline constexpr int32_t kGeneratedGroup = 1972;
inline constexpr int32_t kImageGroup = 1973;
inline constexpr int32_t kRegionGroup = 1993;
}  // namespace camera_param

// Host render settings that the tag keeps in step with its image size.
namespace render_data {
inline constexpr int32_t kMode = 5007;
inline constexpr int32_t kWidth = 5008;
inline constexpr int32_t kHeight = 5009;
}  // namespace render_data

class CameraTag : public TagData {
public:
    static TagData* Alloc() { return new CameraTag; }
    static const ParamTable& Defaults();
    // The defaults as a container, for reads that fall back on them.
    static const ParamContainer& DefaultValues();

    bool Init(HostNode* node) override;
    void Free(HostNode* node) override;
    bool GetDDescription(HostNode* node, Description* description, int32_t& flags) override;
    bool Draw(HostTag* tag, HostObject* object, HostView* view) override;
};

// The camera the document's active view looks through (the host's editor camera when the user
// chose none of the scene's cameras); null when there is no document or view.
HostObject* ActiveSceneCamera(HostDocument* document);
// The first camera tag on the object; null when it has none (or there is no object).
HostTag* FindCameraTag(const HostObject* object);
// The whole text of a file name entry as stored; `missing` when the entry does not exist.
HostString StoredPathText(const ParamContainer& data, int32_t id, const char* missing);

// The show/hide rules of the tag's description for the values in data.
void ApplyCameraTagVisibility(const ParamContainer& data, Description& description);

// A value of the tag's container, or the tag's default for it when the entry is missing.
template <class T>
T CameraTagValue(const ParamContainer& data, int32_t id) {
    return data.Get<T>(id, CameraTag::DefaultValues().Get<T>(id));
}

// The render region in view pixels, mapped from image pixels into the view's safe frame.
struct RegionLines {
    float x1, x2, y1, y2;
};
// False when the image size gives nothing to map (width or height not above 0).
bool MapRenderRegion(const ParamContainer& data, const HostView& view, RegionLines& out);
