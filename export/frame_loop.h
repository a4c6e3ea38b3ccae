// The frame loop of an export: per frame, set the document's time, convert generators inside
// an undo group, run the export worker, undo.
#pragma once

#include <cstdint>

#include "export/export_options.h"
#include "sdk/host.h"

struct ExportResult {
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t framesWritten = 0;
    int32_t framesFailed = 0;
    bool Ok() const { return framesFailed == 0; }
};

// The document's current frame: its time times its frame rate, rounded down.
int32_t CurrentFrame(const HostDocument& document);

// Exports the frames to sceneFile's directory; the document's time is restored afterwards.
ExportResult ExportFrames(HostDocument& document, const HostFilename& sceneFile, const ExportOptions& options);
