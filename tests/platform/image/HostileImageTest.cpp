// Files whose header claims far more pixels than their data holds must fail
// before the decoder allocates for them, and must not cost the process more
// than a few tens of megabytes; large images whose data really is in the file
// (flat colours at deflate's best ratio, noise, run-length bitmaps) still load.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/ChildMemory.h"
#include "tests/support/TempFolder.h"

namespace {

using platform::DecodedPixels;
using platform::DecodeImage;
using testsupport::ReadText;

// Growth of the peak of mapped memory a refused file may cause.
constexpr int64_t kRefusalBudgetKb = 64 * 1024;

std::string Fixture(const char* name) {
    return ReadText(std::string(OC_SOURCE_DIR) + "/tests/platform/image/data/hostile/" + name);
}

void PutLe32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}
void PutBe16(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v >> 8);
    s[at + 1] = char(v);
}
void PutBe32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
}

uint32_t Crc32(const char* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint8_t(p[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The fixtures with another claimed size (the data stays as it is).
std::string RunLengthBitmap(uint32_t width, uint32_t height) {
    std::string s = Fixture("rle8-32767x32767.bmp");
    PutLe32(s, 18, width);
    PutLe32(s, 22, height);
    return s;
}
std::string Png(uint32_t width, uint32_t height) {
    std::string s = Fixture("png-32767x32767.png");
    PutBe32(s, 16, width);
    PutBe32(s, 20, height);
    PutBe32(s, 29, Crc32(s.data() + 12, 17));  // the header's checksum must hold
    return s;
}
std::string Jpeg(uint32_t width, uint32_t height) {
    std::string s = Fixture("jpeg-65500x16392.jpg");
    const size_t frame = s.find("\xFF\xC0");
    if (frame == std::string::npos) {
        ADD_FAILURE() << "no baseline frame header";
        return s;
    }
    PutBe16(s, frame + 5, height);
    PutBe16(s, frame + 7, width);
    return s;
}

// A bitmap of the given size whose run-length stream is `stream`.
std::string Rle8(int32_t width, int32_t height, const std::string& stream) {
    std::string s = Fixture("rle8-32767x32767.bmp");
    s.resize(0x3A);  // headers and a one-entry palette
    PutLe32(s, 18, uint32_t(width));
    PutLe32(s, 22, uint32_t(height));
    s += stream;
    PutLe32(s, 2, uint32_t(s.size()));
    PutLe32(s, 34, uint32_t(stream.size()));
    return s;
}

TEST(HostileImages, ClaimedSizesWithoutDataFailWithLittleMemory) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"RLE8 fixture, 32767 x 32767", Fixture("rle8-32767x32767.bmp")},
        {"PNG fixture, 32767 x 32767", Fixture("png-32767x32767.png")},
        {"JPEG fixture, 65500 x 16392", Fixture("jpeg-65500x16392.jpg")},
        // Sizes the size rule lets through: only the data can refuse them.
        {"RLE8 16383 x 16383", RunLengthBitmap(16383, 16383)},
        {"RLE8 strip 500000 x 256", RunLengthBitmap(500000, 256)},
        {"RLE8 2048 x 2049", RunLengthBitmap(2048, 2049)},
        {"PNG 16383 x 16383", Png(16383, 16383)},
        {"PNG strip 500000 x 256", Png(500000, 256)},
        {"JPEG 16383 x 16383", Jpeg(16383, 16383)},
        {"JPEG 30000 x 256", Jpeg(30000, 256)},
        {"JPEG 4096 x 4096", Jpeg(4096, 4096)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const testsupport::ChildOutcome outcome = testsupport::RunInChild([&c] {
            DecodedPixels image;
            return DecodeImage(c.bytes.data(), c.bytes.size(), image) || image.pixels != nullptr;
        });
        ASSERT_TRUE(outcome.finished) << "the decoding child died";
        EXPECT_FALSE(outcome.result);
        EXPECT_LT(outcome.peakGrowthKb, kRefusalBudgetKb);
    }
}

TEST(HostileImages, SmallImagesDecodeWhateverTheirDataHolds) {
    // Up to kUnbackedPixels the run-length bitmap that ends at once is an
    // image of palette entry 0, as before.
    const std::string bytes = RunLengthBitmap(2048, 2048);
    DecodedPixels image;
    ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.width, 2048);
    EXPECT_EQ(image.pixels[0], 0xFF302010u);
    EXPECT_EQ(image.pixels[size_t(2048) * 2048 - 1], 0xFF302010u);
}

TEST(HostileImages, RunLengthStreamsBackTheRowsTheyCover) {
    // An end-of-line code on every row of the widest square image, the
    // densest stream a writer makes, loads; skipping the rows by deltas or
    // ending at once describes nothing.
    const int32_t width = 16383, height = 300;
    std::string everyRow;
    for (int32_t y = 0; y < height; ++y) everyRow += std::string("\x00\x00", 2);
    everyRow += std::string("\x00\x01", 2);
    std::string deltas;
    for (int i = 0; i < 2; ++i) deltas += std::string("\x00\x02\x00\xFF", 4);
    deltas += std::string("\x00\x01", 2);
    struct Case {
        const char* name;
        std::string stream;
        bool loads;
    };
    const Case cases[] = {
        {"end of line on every row", everyRow, true},
        {"a run on the first row, then the end", std::string("\xFF\x00\x00\x01", 4), false},
        {"deltas over every row", deltas, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = Rle8(width, height, c.stream);
        DecodedPixels image;
        EXPECT_EQ(DecodeImage(bytes.data(), bytes.size(), image), c.loads);
        if (c.loads) {
            ASSERT_EQ(image.width, width);
            ASSERT_EQ(image.height, height);
            EXPECT_EQ(image.pixels[size_t(width) * height - 1], 0xFF302010u);
        }
    }
}

bool HaveConvert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

class LargeRealImages : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        if (!HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
    }
};

TEST_F(LargeRealImages, LoadUpToTheirSize) {
    struct Case {
        const char* name;
        const char* command;  // convert's arguments before the output name
        int32_t width, height;
        bool flat;
    };
    const Case cases[] = {
        // A flat 1-bit PNG inflates at nearly deflate's best ratio.
        {"flat.png", "-size 4096x4096 xc:black -define png:color-type=0 -define png:bit-depth=1", 4096, 4096, true},
        {"flat-rgba.png", "-size 4000x4000 xc:'rgba(10,200,30,0.5)' -define png:compression-level=9 PNG32:", 4000,
         4000, true},
        {"flat-interlaced.png", "-size 3000x3000 xc:'#204080' -interlace PNG", 3000, 3000, true},
        {"noise.jpg", "-size 2600x2000 xc: +noise Random -quality 90", 2600, 2000, false},
        {"flat-progressive.jpg", "-size 4000x3000 xc:'#336699' -interlace JPEG", 4000, 3000, true},
        {"flat-grey.jpg", "-size 4096x4096 xc:gray50 -colorspace gray", 4096, 4096, true},
        {"flat-444.jpg", "-size 4096x4096 xc:'#336699' -sampling-factor 1x1 -quality 100", 4096, 4096, true},
        {"flat-rle8.bmp", "-size 2100x2100 xc:red -type palette -compress RLE BMP3:", 2100, 2100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path(c.name);
        const std::string command = std::string("convert ") + c.command +
                                    (std::string(c.command).back() == ':' ? "" : " ") + "'" + path + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::string bytes = ReadText(path);
        DecodedPixels image;
        ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);
        if (c.flat) {
            const size_t n = size_t(c.width) * size_t(c.height);
            size_t differing = 0;
            for (size_t i = 0; i < n; ++i) differing += image.pixels[i] != image.pixels[0];
            EXPECT_EQ(differing, 0u);
        }
    }
}

}  // namespace
