// The material preview: renders a material helper tag's material on the installed preview
// scene with the renderer's console program.
#pragma once

#include <string>

#include "sdk/dialog.h"
#include "sdk/filename.h"
#include "sdk/scene.h"

namespace preview_gadget {
inline constexpr int32_t kQuality = 1668;
inline constexpr int32_t kRender = 1675;
inline constexpr int32_t kCancel = 1676;
inline constexpr int32_t kChooseRenderer = 1680;
inline constexpr int32_t kRendererPath = 1682;
}  // namespace preview_gadget

inline constexpr int32_t kPreviewDialogResource = 10017;
inline constexpr int32_t kDefaultPreviewQuality = 1670;

class PreviewDialog : public GeModalDialog {
public:
    bool CreateLayout() override;
    bool InitValues() override;
    bool Command(int32_t id, const ParamContainer& message) override;

    HostFilename rendererPath;
    HostFilename imagePath;
    HostTag* helperTag = nullptr;

private:
    void PreviewAction();
};

// The renderer option of a quality preset (" -haltspp 200" for 1670); empty for other values.
std::string QualityOption(int32_t preset);
// The preview's run script text: one line that starts the console program on the preview scene.
std::string PreviewScriptText(const HostFilename& rendererPath, const HostFilename& previewScene,
                              const HostFilename& imagePath, int32_t quality);
// Writes run.cmd for a preview; empty name (after a console line) when it could not be written.
HostFilename WritePreviewScript(const HostFilename& rendererPath, const HostFilename& previewScene,
                                const HostFilename& imagePath, int32_t quality);

// Opens the preview dialog for the tag; the renderer is to write imagePath.
void OpenPreviewDialog(const HostFilename& imagePath, HostTag* helperTag);
