#include "export/frame_loop.h"

#include <cmath>

#include "export/export_xml.h"

int32_t CurrentFrame(const HostDocument& document) {
    // A time stored as frame / fps may come back a hair below the frame; the small allowance
    // keeps such a frame from rounding down to the one before.
    return static_cast<int32_t>(std::floor(document.GetTime() * document.GetFps() + 1e-6));
}

ExportResult ExportFrames(HostDocument& document, const HostFilename& sceneFile, const ExportOptions& options) {
    Host& host = TheHost();
    ExportResult result;
    if (options.useFrameRange) {
        result.firstFrame = options.firstFrame;
        result.lastFrame = options.lastFrame;
    } else {
        result.firstFrame = result.lastFrame = CurrentFrame(document);
    }

    ExportXML worker;
    worker.Configure(&document, sceneFile, options);
    const double savedTime = document.GetTime();
    const int32_t fps = document.GetFps() > 0 ? document.GetFps() : 1;

    for (int64_t frame = result.firstFrame; frame <= result.lastFrame; ++frame) {
        document.SetTime(static_cast<double>(frame) / fps);
        document.ExecutePasses(nullptr, true, true, false);
        document.StartUndo();
        worker.PrepareGeometry(document.GetFirstObject());
        document.EndUndo();
        worker.SetFrame(static_cast<int32_t>(frame));
        worker.Start(0, 0);
        if (worker.RunResult() == 1) {
            ++result.framesWritten;
        } else {
            ++result.framesFailed;
        }
        document.DoUndo();
    }

    document.SetTime(savedTime);
    document.ExecutePasses(nullptr, true, true, false);
    host.StatusClear();
    host.DrawViews();
    return result;
}
