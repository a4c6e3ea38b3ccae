#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "headless/resources/bitmap.h"
#include "tests/support/command_support.h"

namespace headless {
namespace {

namespace fs = std::filesystem;
using Pixel = HostBitmap::Pixel;

// The pictures the tests write: 3 x 2, row by row.
const std::vector<Pixel> kPicture = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {255, 255, 255}, {0, 0, 0}};

class HeadlessBitmapFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing_support::ScratchFolder("vexlor-bitmap-").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // An 8-bit TIFF with the given samples a pixel (1: grey from the red channel, 3: RGB,
    // 4: RGB with an opaque alpha).
    void WriteTiff(const std::string& path, uint16_t samples) const {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 3);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        if (samples == 4) {
            uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        for (uint32_t y = 0; y < 2; ++y) {
            std::vector<uint8_t> row;
            for (uint32_t x = 0; x < 3; ++x) {
                const Pixel& p = kPicture[y * 3 + x];
                row.push_back(p.r);
                if (samples >= 3) row.insert(row.end(), {p.g, p.b});
                if (samples == 4) row.push_back(255);
            }
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
        }
        TIFFClose(tif);
    }

    void WritePng(const std::string& path, bool alpha) const {
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = 3;
        image.height = 2;
        image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < kPicture.size(); ++i) {
            bytes.insert(bytes.end(), {kPicture[i].r, kPicture[i].g, kPicture[i].b});
            if (alpha) bytes.push_back(i == 0 ? 0 : 255);  // the first pixel fully transparent
        }
        ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr), 0);
    }

    static std::vector<Pixel> Pixels(const HostBitmap& bitmap) {
        std::vector<Pixel> pixels;
        for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
            for (int32_t x = 0; x < bitmap.GetWidth(); ++x) pixels.push_back(bitmap.GetPixel(x, y));
        }
        return pixels;
    }

    std::string dir_;
};

TEST_F(HeadlessBitmapFiles, TiffPixelsExactly) {
    WriteTiff(Path("rgb.tif"), 3);
    auto bitmap = LoadBitmapFile(Path("rgb.tif"));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 3);
    EXPECT_EQ(bitmap->GetHeight(), 2);
    EXPECT_EQ(Pixels(*bitmap), kPicture);

    WriteTiff(Path("rgba.tif"), 4);
    bitmap = LoadBitmapFile(Path("rgba.tif"));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixels(*bitmap), kPicture);

    WriteTiff(Path("grey.tif"), 1);
    bitmap = LoadBitmapFile(Path("grey.tif"));
    ASSERT_NE(bitmap, nullptr);
    std::vector<Pixel> grey;
    for (const Pixel& p : kPicture) grey.push_back(Pixel{p.r, p.r, p.r});
    EXPECT_EQ(Pixels(*bitmap), grey);
}

TEST_F(HeadlessBitmapFiles, PngPixelsExactly) {
    WritePng(Path("rgb.png"), false);
    auto bitmap = LoadBitmapFile(Path("rgb.png"));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 3);
    EXPECT_EQ(bitmap->GetHeight(), 2);
    EXPECT_EQ(Pixels(*bitmap), kPicture);

    WritePng(Path("rgba.png"), true);
    bitmap = LoadBitmapFile(Path("rgba.png"));
    ASSERT_NE(bitmap, nullptr);
    std::vector<Pixel> expected = kPicture;
    expected[0] = Pixel{0, 0, 0};  // transparent over black
    EXPECT_EQ(Pixels(*bitmap), expected);
}

TEST_F(HeadlessBitmapFiles, KindComesFromTheContent) {
    WritePng(Path("really-png.tif"), false);
    WriteTiff(Path("really-tiff.png"), 3);
    auto png = LoadBitmapFile(Path("really-png.tif"));
    auto tiff = LoadBitmapFile(Path("really-tiff.png"));
    ASSERT_NE(png, nullptr);
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(Pixels(*png), kPicture);
    EXPECT_EQ(Pixels(*tiff), kPicture);
}

TEST_F(HeadlessBitmapFiles, UnreadableFilesGiveNull) {
    WritePng(Path("good.png"), false);
    WriteTiff(Path("good.tif"), 3);
    auto head = [&](const std::string& from, size_t bytes) {
        std::ifstream in(Path(from), std::ios::binary);
        std::string data(bytes, '\0');
        in.read(data.data(), static_cast<std::streamsize>(bytes));
        return data;
    };
    const std::pair<std::string, std::string> files[] = {
        {"empty.png", ""},
        {"garbage.png", "this is not a picture at all"},
        {"cut.png", head("good.png", 40)},
        {"cut.tif", head("good.tif", 12)},
        {"header.tif", std::string("II*\0\xFF\xFF\xFF\x7F", 8)},
        {"jpeg.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(100, 'x')},
    };
    for (const auto& [name, bytes] : files) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        EXPECT_EQ(LoadBitmapFile(Path(name)), nullptr) << name;
    }
    EXPECT_EQ(LoadBitmapFile(Path("missing.png")), nullptr);
    EXPECT_EQ(LoadBitmapFile(dir_), nullptr);
}

TEST(HeadlessBitmapScale, BoxAverageWhenShrinking) {
    HlBitmap source(4, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x)
            source.SetPixel(x, y, Pixel{static_cast<uint8_t>(x * 10 + y), static_cast<uint8_t>(x < 2 ? 255 : 0), 7});
    }
    HlBitmap half(2, 2);
    source.ScaleInto(half);
    // Each target pixel averages a 2 x 2 block, rounded to nearest.
    EXPECT_EQ(half.GetPixel(0, 0), (Pixel{6, 255, 7}));   // (0+1+10+11)/4 = 5.5
    EXPECT_EQ(half.GetPixel(1, 0), (Pixel{26, 0, 7}));    // (20+21+30+31)/4 = 25.5
    EXPECT_EQ(half.GetPixel(0, 1), (Pixel{8, 255, 7}));   // (2+3+12+13)/4 = 7.5
    EXPECT_EQ(half.GetPixel(1, 1), (Pixel{28, 0, 7}));

    HlBitmap row(3, 1);
    row.SetPixel(0, 0, Pixel{30, 0, 0});
    row.SetPixel(1, 0, Pixel{60, 0, 0});
    row.SetPixel(2, 0, Pixel{91, 0, 0});
    HlBitmap two(2, 1);
    row.ScaleInto(two);
    EXPECT_EQ(two.GetPixel(0, 0), (Pixel{30, 0, 0}));
    EXPECT_EQ(two.GetPixel(1, 0), (Pixel{76, 0, 0}));  // (60+91)/2 = 75.5
}

TEST(HeadlessBitmapScale, NearestWhenEnlargingAndCopyAtSameSize) {
    HlBitmap source(2, 1);
    source.SetPixel(0, 0, Pixel{1, 2, 3});
    source.SetPixel(1, 0, Pixel{4, 5, 6});
    HlBitmap big(4, 2);
    source.ScaleInto(big);
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(big.GetPixel(0, y), (Pixel{1, 2, 3}));
        EXPECT_EQ(big.GetPixel(1, y), (Pixel{1, 2, 3}));
        EXPECT_EQ(big.GetPixel(2, y), (Pixel{4, 5, 6}));
        EXPECT_EQ(big.GetPixel(3, y), (Pixel{4, 5, 6}));
    }
    HlBitmap same(2, 1);
    source.ScaleInto(same);
    EXPECT_EQ(same.Data(), source.Data());

    HlBitmap empty(0, 0);
    empty.ScaleInto(same);  // nothing to take from: the target stays as it was
    EXPECT_EQ(same.Data(), source.Data());
}

TEST(HeadlessBitmapScale, OutsideAccessIsHarmless) {
    HlBitmap bitmap(2, 2);
    bitmap.SetPixel(-1, 0, Pixel{9, 9, 9});
    bitmap.SetPixel(2, 1, Pixel{9, 9, 9});
    bitmap.SetPixel(0, 2, Pixel{9, 9, 9});
    EXPECT_EQ(bitmap.Data(), std::vector<uint8_t>(12, 0));
    bitmap.SetPixel(1, 1, Pixel{9, 8, 7});
    EXPECT_EQ(bitmap.GetPixel(1, 1), (Pixel{9, 8, 7}));
    EXPECT_EQ(bitmap.GetPixel(5, 5), Pixel{});
    EXPECT_EQ(bitmap.GetPixel(-1, 0), Pixel{});
    HlBitmap negative(-3, 4);
    EXPECT_EQ(negative.GetWidth(), 0);
    EXPECT_TRUE(negative.Data().empty());
}

}  // namespace
}  // namespace headless
