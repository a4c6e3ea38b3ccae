#include "headless/resources/bitmap.h"

#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "headless/files/native_io.h"

namespace headless {

HlBitmap::HlBitmap(int32_t width, int32_t height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3, 0) {}

HostBitmap::Pixel HlBitmap::GetPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Pixel{};
    const uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3];
    return Pixel{p[0], p[1], p[2]};
}

void HlBitmap::SetPixel(int32_t x, int32_t y, Pixel pixel) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3];
    p[0] = pixel.r;
    p[1] = pixel.g;
    p[2] = pixel.b;
}

namespace {

// The source span [first, last) that target index i of n covers in a source of size s.
void Span(int64_t i, int64_t n, int64_t s, int64_t& first, int64_t& last) {
    first = i * s / n;
    last = std::max((i + 1) * s / n, first + 1);
}

}  // namespace

void HlBitmap::ScaleInto(HostBitmap& dst) const {
    const int64_t dw = dst.GetWidth(), dh = dst.GetHeight();
    if (width_ == 0 || height_ == 0 || dw <= 0 || dh <= 0) return;
    for (int64_t y = 0; y < dh; ++y) {
        int64_t y0, y1;
        Span(y, dh, height_, y0, y1);
        for (int64_t x = 0; x < dw; ++x) {
            int64_t x0, x1;
            Span(x, dw, width_, x0, x1);
            uint64_t sum[3] = {0, 0, 0};
            for (int64_t sy = y0; sy < y1; ++sy) {
                const uint8_t* row = &pixels_[static_cast<size_t>((sy * width_ + x0) * 3)];
                for (int64_t sx = x0; sx < x1; ++sx, row += 3) {
                    sum[0] += row[0];
                    sum[1] += row[1];
                    sum[2] += row[2];
                }
            }
            const uint64_t count = static_cast<uint64_t>((y1 - y0) * (x1 - x0));
            auto average = [&](int c) { return static_cast<uint8_t>((sum[c] + count / 2) / count); };
            dst.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), Pixel{average(0), average(1), average(2)});
        }
    }
}

namespace {

int SilentTiffHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

std::unique_ptr<HlBitmap> LoadTiff(const std::string& path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, SilentTiffHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, SilentTiffHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxBitmapPixels * 4));
#ifdef _WIN32
    TIFF* tif = TIFFOpenWExt(native::Wide(path).c_str(), "r", options);  // not through the ANSI code page
#else
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
#endif
    TIFFOpenOptionsFree(options);
    if (!tif) return nullptr;
    std::unique_ptr<HlBitmap> bitmap;
    uint32_t width = 0, height = 0;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) == 1 && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) == 1 &&
        width > 0 && height > 0 && int64_t{width} * height <= kMaxBitmapPixels) {
        std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
        if (TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0) == 1) {
            bitmap = std::make_unique<HlBitmap>(static_cast<int32_t>(width), static_cast<int32_t>(height));
            for (uint32_t y = 0; y < height; ++y) {
                for (uint32_t x = 0; x < width; ++x) {
                    uint32_t p = raster[static_cast<size_t>(y) * width + x];
                    bitmap->SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y),
                                     HostBitmap::Pixel{static_cast<uint8_t>(TIFFGetR(p)),
                                                       static_cast<uint8_t>(TIFFGetG(p)),
                                                       static_cast<uint8_t>(TIFFGetB(p))});
                }
            }
        }
    }
    TIFFClose(tif);
    return bitmap;
}

std::unique_ptr<HlBitmap> LoadPng(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    struct Closer {
        std::FILE* file;
        ~Closer() {
            if (file) std::fclose(file);
        }
    } closer{native::OpenStdio(path, "rb")};
    if (!closer.file || !png_image_begin_read_from_stdio(&image, closer.file)) return nullptr;
    if (image.width == 0 || image.height == 0 || int64_t{image.width} * image.height > kMaxBitmapPixels) {
        png_image_free(&image);
        return nullptr;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
    const png_color black{0, 0, 0};  // transparent parts come out black
    if (!png_image_finish_read(&image, &black, buffer.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    auto bitmap = std::make_unique<HlBitmap>(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = &buffer[(static_cast<size_t>(y) * image.width + x) * 3];
            bitmap->SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), HostBitmap::Pixel{p[0], p[1], p[2]});
        }
    }
    return bitmap;
}

}  // namespace

std::unique_ptr<HlBitmap> LoadBitmapFile(const std::string& nativePath) {
    unsigned char head[8] = {};
    FILE* file = native::OpenStdio(nativePath, "rb");
    if (!file) return nullptr;
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got == 8 && std::memcmp(head, kPng, 8) == 0) return LoadPng(nativePath);
    bool tiff = got >= 4 && ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
                             (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43)));
    return tiff ? LoadTiff(nativePath) : nullptr;
}

}  // namespace headless
