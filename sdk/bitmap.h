// Bitmaps of the host (icons, preview images): 8-bit RGB.
#pragma once

#include <cstdint>
#include <vector>

class HostBitmap {
public:
    virtual ~HostBitmap() = default;
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    struct Pixel {
        uint8_t r = 0, g = 0, b = 0;
        friend bool operator==(Pixel, Pixel) = default;
    };
    virtual Pixel GetPixel(int32_t x, int32_t y) const = 0;
    virtual void SetPixel(int32_t x, int32_t y, Pixel p) = 0;
    // Scales this bitmap into dst (its size is kept).
    virtual void ScaleInto(HostBitmap& dst) const = 0;
};
