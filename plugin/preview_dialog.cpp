#include "plugin/preview_dialog.h"

void OpenPreviewDialog(const HostFilename& /*imagePath*/, HostTag* /*helperTag*/) {}
