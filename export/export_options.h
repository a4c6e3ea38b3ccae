// What the export dialog asks of an export: the options of its gadgets.
#pragma once

#include <cstdint>

struct ExportOptions {
    bool foregroundAlpha = false;
    bool skipMeshFiles = false;
    bool networkRender = false;
    bool clayMode = false;
    bool mergeDuplicates = false;
    bool useFrameRange = false;
    int32_t firstFrame = 0;  // with useFrameRange
    int32_t lastFrame = 0;
    bool shareStaticMeshes = true;  // with useFrameRange; always on for the current frame
};
