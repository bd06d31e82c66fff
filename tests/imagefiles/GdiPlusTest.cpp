// The PNG and JPEG savers, and CSprite::LoadFromGdiPlus reading what they write.
// What they write is checked by other programs: pngcheck, ImageMagick, djpeg.
#include "imagefiles/GdiPlus.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/Utf8.h"
#include "raster/surface/sprite/ImageDecoder.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using raster_test::Painted;
using raster_test::Pixels;
using testsupport::ReadText;
using testsupport::WriteText;

bool HaveTool(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// The whole output of a command.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, got);
    pclose(pipe);
    return out;
}

// ImageMagick's reading of the file as 0xAARRGGBB words.
std::vector<uint32_t> ReferencePixels(const std::string& path) {
    const std::string raw = Output("convert " + Quote(path) + " -depth 8 rgba:-");
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 4 <= raw.size(); i += 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data() + i);
        pixels.push_back(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
    return pixels;
}

std::u16string Wide(const std::string& utf8) {
    std::u16string wide;
    EXPECT_TRUE(platform::Utf8ToUtf16(utf8.data(), utf8.size(), wide));
    return wide;
}

// Random colours and alpha, colour kept under alpha 0 too.
CSprite NoiseSprite(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    return Painted(w, h, [&](int32_t, int32_t) { return raster_test::RandomPixel(rng); });
}

// Smooth colours, opaque: what a lossy coder keeps well.
CSprite SmoothSprite(int32_t w, int32_t h) {
    return Painted(w, h, [](int32_t x, int32_t y) {
        return 0xFF000000u | uint32_t(x * 255 / 100) << 16 | uint32_t(y * 255 / 80) << 8 | uint32_t((x + y) & 0x7F);
    });
}

// P6 header and samples of a binary PPM.
struct Ppm {
    int width = 0, height = 0;
    std::string samples;
};
Ppm ParsePpm(const std::string& text) {
    Ppm ppm;
    int maxValue = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "P6 %d %d %d%n", &ppm.width, &ppm.height, &maxValue, &consumed) != 3) return ppm;
    ppm.samples = text.substr(size_t(consumed) + 1);
    return ppm;
}

class GdiPlusTest : public testsupport::TempFolderTest {};

TEST_F(GdiPlusTest, LoadAlwaysBinds) {
    EXPECT_TRUE(GDIPlusDLL::Load());
    EXPECT_TRUE(GDIPlusDLL::Load());
}

TEST_F(GdiPlusTest, Png32IsValidAndReadsBackExactly) {
    if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    const CSprite sprite = NoiseSprite(61, 37, 3);
    // A name outside code page 932 reaches the file system whole.
    const std::string path = Path("\xE7\xB5\xB5 \xF0\x9F\x98\x80.png");
    ASSERT_TRUE(GDIPlusDLL::SavePng32(Wide(path).c_str(), sprite.GetPixels(), 61, 37));
    const std::string bytes = ReadText(path);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(uint8_t(bytes[24]), 8);  // bit depth
    EXPECT_EQ(uint8_t(bytes[25]), 6);  // RGBA
    if (HaveTool("pngcheck")) {
        EXPECT_TRUE(RunCommand("pngcheck -v " + Quote(path)));
    }
    EXPECT_EQ(ReferencePixels(path), Pixels(sprite));
}

TEST_F(GdiPlusTest, Jpeg32DecodesWithDjpegAndKeepsTheColours) {
    if (!HaveTool("djpeg")) GTEST_SKIP() << "djpeg is not installed";
    const CSprite sprite = SmoothSprite(101, 81);
    const std::string path = Path("out.jpg");
    ASSERT_TRUE(GDIPlusDLL::SaveJpeg32(Wide(path).c_str(), sprite.GetPixels(), 101, 81));
    const Ppm ppm = ParsePpm(Output("djpeg -pnm " + Quote(path)));
    ASSERT_EQ(ppm.width, 101);
    ASSERT_EQ(ppm.height, 81);
    ASSERT_EQ(ppm.samples.size(), size_t(101 * 81 * 3));
    const std::vector<uint32_t> source = Pixels(sprite);
    double total = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            const int expected = int((source[i] >> (16 - 8 * c)) & 0xFF);
            total += std::abs(int(uint8_t(ppm.samples[i * 3 + c])) - expected);
        }
    }
    EXPECT_LT(total / double(source.size() * 3), 3.0);
}

// Without a quality the file is what libjpeg's own cjpeg makes at quality 75.
TEST_F(GdiPlusTest, JpegDefaultQualityIs75) {
    if (!HaveTool("cjpeg")) GTEST_SKIP() << "cjpeg is not installed";
    const CSprite sprite = NoiseSprite(40, 24, 9);
    std::string ppm = "P6\n40 24\n255\n";
    for (uint32_t p : Pixels(sprite)) ppm += char(p >> 16), ppm += char(p >> 8), ppm += char(p);
    WriteText(Path("in.ppm"), ppm);
    ASSERT_TRUE(RunCommand("cjpeg -quality 75 -outfile " + Quote(Path("cjpeg.jpg")) + " " + Quote(Path("in.ppm"))));
    ASSERT_TRUE(GDIPlusDLL::SaveJpeg32(Wide(Path("ours.jpg")).c_str(), sprite.GetPixels(), 40, 24));
    EXPECT_EQ(ReadText(Path("ours.jpg")), ReadText(Path("cjpeg.jpg")));
    ASSERT_TRUE(GDIPlusDLL::SaveJpeg32(Wide(Path("q95.jpg")).c_str(), sprite.GetPixels(), 40, 24, 95));
    EXPECT_GT(ReadText(Path("q95.jpg")).size(), ReadText(Path("ours.jpg")).size());
}

// 3-byte pixels, rows padded to 4 bytes, stored bottom-up for a negative height.
TEST_F(GdiPlusTest, TwentyFourBitSaversReadPaddedRowsInEitherOrder) {
    if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    const int32_t w = 5, h = 3, stride = 16;
    std::vector<uint8_t> rows(size_t(stride) * h, 0xEE);
    std::vector<uint32_t> topDown;  // the image, top row first
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t b = uint8_t(x * 40), g = uint8_t(y * 90), r = uint8_t(200 - x * 10 - y);
            topDown.push_back(0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
            uint8_t* p = rows.data() + size_t(h - 1 - y) * stride + x * 3;  // bottom-up in memory
            p[0] = b, p[1] = g, p[2] = r;
        }
    }
    const std::string png = Path("rows.png");
    ASSERT_TRUE(GDIPlusDLL::SavePng24(Wide(png).c_str(), rows.data(), w, -h));
    EXPECT_EQ(uint8_t(ReadText(png)[25]), 2);  // RGB
    EXPECT_EQ(ReferencePixels(png), topDown);

    // The same memory read top-down is the image upside down.
    ASSERT_TRUE(GDIPlusDLL::SavePng24(Wide(png).c_str(), rows.data(), w, h));
    std::vector<uint32_t> flipped;
    for (int32_t y = h - 1; y >= 0; --y) {
        flipped.insert(flipped.end(), topDown.begin() + y * w, topDown.begin() + (y + 1) * w);
    }
    EXPECT_EQ(ReferencePixels(png), flipped);

    const std::string jpeg = Path("rows.jpg");
    ASSERT_TRUE(GDIPlusDLL::SaveJpeg24(Wide(jpeg).c_str(), rows.data(), w, -h));
    EXPECT_EQ(ReferencePixels(jpeg).size(), topDown.size());
}

// A save that fails leaves the old file as it was and no stray file beside it.
TEST_F(GdiPlusTest, FailedSaveLeavesTheOldFileIntact) {
    const std::string target = Path("target.png");
    const std::string old = "the old content\n";
    WriteText(target, old);
    const std::u16string path = Wide(target);
    const CSprite sprite = NoiseSprite(128, 128, 5);
    const std::vector<uint32_t> wide(70000, 0xFF123456);

    EXPECT_FALSE(GDIPlusDLL::SavePng32(path.c_str(), nullptr, 4, 4));
    EXPECT_FALSE(GDIPlusDLL::SavePng32(path.c_str(), sprite.GetPixels(), 0, 4));
    EXPECT_FALSE(GDIPlusDLL::SavePng32(path.c_str(), sprite.GetPixels(), 4, -4));
    EXPECT_FALSE(GDIPlusDLL::SaveJpeg32(path.c_str(), wide.data(), 70000, 1));  // beyond JPEG's sides
    EXPECT_FALSE(GDIPlusDLL::SavePng32(u"", sprite.GetPixels(), 4, 4));
    EXPECT_FALSE(GDIPlusDLL::SavePng32(nullptr, sprite.GetPixels(), 4, 4));
    EXPECT_FALSE(GDIPlusDLL::SavePng24(path.c_str(), sprite.GetPixels(), 4, INT32_MIN));
    // A folder in place of the file.
    EXPECT_FALSE(GDIPlusDLL::SavePng32(Wide(m_folder).c_str(), sprite.GetPixels(), 4, 4));

    // A write that fails half way: the file size limit stops it.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool pngSaved = GDIPlusDLL::SavePng32(path.c_str(), sprite.GetPixels(), 128, 128);
    const bool jpegSaved = GDIPlusDLL::SaveJpeg32(path.c_str(), sprite.GetPixels(), 128, 128, 100);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(pngSaved);
    EXPECT_FALSE(jpegSaved);

    EXPECT_EQ(ReadText(target), old);
    EXPECT_EQ(testsupport::Entries(m_folder), std::vector<std::string>{"target.png"});

    // And one that works replaces it.
    ASSERT_TRUE(GDIPlusDLL::SavePng32(path.c_str(), sprite.GetPixels(), 128, 128));
    EXPECT_NE(ReadText(target), old);
    EXPECT_EQ(testsupport::Entries(m_folder), std::vector<std::string>{"target.png"});
}

// ---- Decoding through the raster surface's loader ----

class GdiPlusLoaderTest : public testsupport::TempFolderTest {};

TEST_F(GdiPlusLoaderTest, LoadFromGdiPlusReadsWhatTheSaverWrote) {
    const CSprite sprite = NoiseSprite(33, 21, 11);
    const std::string path = Path("\xE7\xB5\xB5.png");
    ASSERT_TRUE(GDIPlusDLL::SavePng32(Wide(path).c_str(), sprite.GetPixels(), 33, 21));
    CSprite loaded;
    ASSERT_TRUE(loaded.LoadFromGdiPlus(Wide(path).c_str()));
    EXPECT_EQ(loaded.GetWidth(), 33);
    EXPECT_EQ(loaded.GetHeight(), 21);
    EXPECT_EQ(Pixels(loaded), Pixels(sprite));

    CSprite missing;
    EXPECT_FALSE(missing.LoadFromGdiPlus(Wide(Path("missing.png")).c_str()));
    EXPECT_FALSE(missing.HasImage());
}

TEST_F(GdiPlusLoaderTest, ContentNotNameChoosesTheDecoder) {
    if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    const CSprite sprite = SmoothSprite(30, 20);
    ASSERT_TRUE(GDIPlusDLL::SaveJpeg32(Wide(Path("photo.bmp")).c_str(), sprite.GetPixels(), 30, 20));
    CSprite loaded;
    ASSERT_TRUE(loaded.LoadFromGdiPlus(Wide(Path("photo.bmp")).c_str()));
    EXPECT_EQ(Pixels(loaded), ReferencePixels(Path("photo.bmp")));

    // A top-down 16-bit 5-5-5 bitmap named .png: 2 x 2, rows padded to 4 bytes.
    std::string bmp = std::string("BM") + std::string(52, '\0');
    const auto put = [&bmp](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bmp[at + i] = char(v >> (8 * i));
    };
    put(10, 54, 4), put(14, 40, 4), put(18, 2, 4), put(22, uint32_t(-2), 4), put(26, 1, 2), put(28, 16, 2);
    bmp += std::string("\x00\x7C\xE0\x03\x1F\x00\xFF\x7F", 8);  // red, green / blue, white
    put(2, uint32_t(bmp.size()), 4);
    WriteText(Path("drawing.png"), bmp);
    loaded.Release();
    ASSERT_TRUE(loaded.LoadFromGdiPlus(Wide(Path("drawing.png")).c_str()));
    EXPECT_EQ(Pixels(loaded), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
}

TEST_F(GdiPlusLoaderTest, LoaderBitmapDecodesMemory) {
    const CSprite sprite = NoiseSprite(17, 9, 21);
    const std::string path = Path("asset.png");
    ASSERT_TRUE(GDIPlusDLL::SavePng32(Wide(path).c_str(), sprite.GetPixels(), 17, 9));
    std::string bytes = ReadText(path);
    GDIPLoaderBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromMemory(bytes.data(), bytes.size()));
    bytes.assign(bytes.size(), '\0');  // the image does not depend on the bytes
    ASSERT_EQ(bitmap.GetWidth(), 17);
    ASSERT_EQ(bitmap.GetHeight(), 9);
    ASSERT_EQ(bitmap.GetStride(), 17 * 4);
    const uint32_t* rows = static_cast<const uint32_t*>(bitmap.GetFirstRow());
    EXPECT_EQ(std::vector<uint32_t>(rows, rows + 17 * 9), Pixels(sprite));

    EXPECT_FALSE(bitmap.LoadFromMemory(bytes.data(), bytes.size()));
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_FALSE(bitmap.LoadFromMemory(nullptr, 0));
}

}  // namespace
