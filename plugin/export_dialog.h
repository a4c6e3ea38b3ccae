// The export dialog of "Export and Run": the export options, the renderer location, and the
// export button that runs the frame loop and, when asked, starts the renderer.
#pragma once

#include "sdk/dialog.h"
#include "sdk/filename.h"

// Gadgets of the export dialog (dialog resource 10016).
namespace export_gadget {
inline constexpr int32_t kRendererPath = 1652;
inline constexpr int32_t kRenderAfterExport = 1653;
inline constexpr int32_t kExport = 1658;
inline constexpr int32_t kCancel = 1659;
inline constexpr int32_t kPriority = 1664;
inline constexpr int32_t kChooseRenderer = 1666;
inline constexpr int32_t kForegroundAlpha = 1690;
inline constexpr int32_t kSkipMeshFiles = 1692;
inline constexpr int32_t kConsoleProgram = 1695;
inline constexpr int32_t kNetworkRender = 1697;
inline constexpr int32_t kNetworkPort = 1699;
inline constexpr int32_t kClayMode = 1703;
inline constexpr int32_t kMergeDuplicates = 1704;
inline constexpr int32_t kFrameRange = 1706;
inline constexpr int32_t kFirstFrame = 1707;
inline constexpr int32_t kLastFrame = 1708;
inline constexpr int32_t kShareStaticMeshes = 1709;
inline constexpr int32_t kSaveImage = 1710;
}  // namespace export_gadget

inline constexpr int32_t kExportDialogResource = 10016;

class MyExportDialog : public GeModalDialog {
public:
    bool CreateLayout() override;
    bool InitValues() override;
    bool Command(int32_t id, const ParamContainer& message) override;

    HostFilename rendererPath;
    HostFilename sceneFile;
    bool exportFailed = false;  // an export ran and did not write all its files

private:
    void ExportAction();
    bool Checked(int32_t id) const;
};
