// The scene's settings elements: renderer settings, environment, camera and tone mapping.
// Each reads the document's render settings object, scene camera or camera tag and appends
// its element.
#pragma once

#include <cstdint>

#include <tinyxml.h>

#include "sdk/host.h"

// What the settings writers read besides the parameters they are given.
struct SceneContext {
    HostDocument* document = nullptr;
    HostFilename directory;   // the scene file's folder: paths are written relative to it
    float sceneScale = 1.0f;  // host units to metres (parameter 1340 of the render settings object)
};

// The keys of the render settings object, appended to "renderer_settings".
int32_t WriteRendererSettings(const SceneContext& context, TiXmlElement& element, const ParamContainer& settings);
// Background, sky or environment map; without a render settings object (null) a white
// background.
void WriteEnvironment(const SceneContext& context, const ParamContainer* settings, TiXmlElement& scene);
// The "camera" element of the scene camera; the camera tag's image keys go to
// "renderer_settings".
int32_t WriteCamera(const SceneContext& context, TiXmlElement& scene, TiXmlElement& rendererSettings);
// The "tonemapping" element of the scene camera's camera tag.
int32_t WriteToneMapping(HostDocument* document, TiXmlElement& scene);
