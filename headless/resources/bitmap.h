// Bitmaps of the headless host: 8-bit RGB in memory, loaded from TIFF and PNG files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/bitmap.h"

namespace headless {

class HlBitmap final : public HostBitmap {
public:
    // Negative sizes count as 0; all pixels start black.
    HlBitmap(int32_t width, int32_t height);

    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    // Outside the bitmap: black.
    Pixel GetPixel(int32_t x, int32_t y) const override;
    // Outside the bitmap: ignored.
    void SetPixel(int32_t x, int32_t y, Pixel p) override;
    // Each target pixel takes the average of the source pixels it covers; when it covers
    // less than one (enlarging) it takes the nearest one.
    void ScaleInto(HostBitmap& dst) const override;

    // Rows from the top, 3 bytes (r, g, b) a pixel.
    const std::vector<uint8_t>& Data() const { return pixels_; }

private:
    int32_t width_, height_;
    std::vector<uint8_t> pixels_;
};

// Pictures larger than this many pixels are not loaded.
inline constexpr int64_t kMaxBitmapPixels = int64_t{1} << 26;

// Loads a TIFF or PNG file (told apart by their first bytes, not by the name); null when the
// file is missing, of another kind, damaged or too large.  Alpha is dropped.
std::unique_ptr<HlBitmap> LoadBitmapFile(const std::string& nativePath);

}  // namespace headless
