// The material preview: renders a material helper tag's material on the installed preview
// scene.
#pragma once

#include "plugin/sdk/filename.h"
#include "plugin/sdk/scene.h"

// Opens the preview dialog for the tag; the renderer is to write imagePath.
void OpenPreviewDialog(const HostFilename& imagePath, HostTag* helperTag);
