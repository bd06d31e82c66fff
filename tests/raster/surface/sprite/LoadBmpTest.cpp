// Image loading into sprites: the BMP reader against files written by
// ImageMagick (their pixels as ImageMagick reads them back stored beside them),
// hostile and damaged headers, and the loader over the platform's codecs with
// PNG and JPEG files written by their encoders.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/ImageDecoder.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

namespace fs = std::filesystem;

const std::string kFixtures = std::string(OC_SOURCE_DIR) + "/tests/raster/data/bmp/";

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void PutU16(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void PutU32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The test's own pattern: a colour that differs in every channel from pixel to pixel.
uint32_t PatternPixel(int32_t x, int32_t y) {
    return (uint32_t(x * 7 + y * 13) & 0xFF) << 16 | (uint32_t(x * 3 + y * 5 + 1) & 0xFF) << 8 |
           (uint32_t(x + y * 11 + 2) & 0xFF) | (uint32_t(x ^ y) & 0xFF) << 24;
}

// A bottom-up BI_RGB file with a 40-byte information header, pixels of
// PatternPixel (24-bit files drop the alpha).
std::vector<unsigned char> MakeBitmap(int32_t width, int32_t height, uint16_t bits) {
    const uint32_t rowBytes = bits == 32 ? uint32_t(width) * 4 : (uint32_t(width) * 3 + 3) / 4 * 4;
    std::vector<unsigned char> b(54 + size_t(rowBytes) * size_t(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, uint32_t(b.size()));
    PutU32(b, 10, 54);
    PutU32(b, 14, 40);
    PutU32(b, 18, uint32_t(width));
    PutU32(b, 22, uint32_t(height));
    PutU16(b, 26, 1);
    PutU16(b, 28, bits);
    for (int32_t y = 0; y < height; ++y) {
        unsigned char* row = b.data() + 54 + size_t(height - 1 - y) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = PatternPixel(x, y);
            unsigned char* at = row + size_t(x) * (bits / 8);
            at[0] = uint8_t(p);
            at[1] = uint8_t(p >> 8);
            at[2] = uint8_t(p >> 16);
            if (bits == 32) at[3] = uint8_t(p >> 24);
        }
    }
    return b;
}

void ExpectPattern(const CSprite& sprite, int32_t width, int32_t height, bool withAlpha) {
    ASSERT_TRUE(sprite.HasImage());
    ASSERT_EQ(sprite.GetWidth(), width);
    ASSERT_EQ(sprite.GetHeight(), height);
    int32_t wrong = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t expected = withAlpha ? PatternPixel(x, y) : PatternPixel(x, y) & 0x00FFFFFF;
            if (*sprite.PixelAt(x, y) != expected && wrong++ < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << *sprite.PixelAt(x, y)
                              << ", expected " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

class TempDir {
public:
    TempDir() : m_path(fs::temp_directory_path() / ("oc_loadbmp_" + std::to_string(::getpid()))) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

// ---- ImageMagick fixtures ----

enum class AlphaRule { Zero, FromReference };

struct FixtureCase {
    const char* name;
    int32_t width;
    int32_t height;
    AlphaRule alpha;
};

TEST(LoadBmp, DecodesImageMagickFixturesToTheirReferencePixels) {
    const FixtureCase cases[] = {
        // 24-bit rows padded by 1, 2, 3 and 1 bytes; pixels come with alpha 0.
        {"rgb24_1x3", 1, 3, AlphaRule::Zero},
        {"rgb24_2x2", 2, 2, AlphaRule::Zero},
        {"rgb24_3x2", 3, 2, AlphaRule::Zero},
        {"rgb24_5x4", 5, 4, AlphaRule::Zero},
        // A 124-byte (V5) information header: pixels found through bfOffBits (138).
        {"rgb24_v5_3x2", 3, 2, AlphaRule::Zero},
        // 32-bit BI_RGB: the file's alpha, 0 and 255 included.
        {"argb32_4x3", 4, 3, AlphaRule::FromReference},
        // All alpha 0 in the file stays transparent here (ImageMagick reads such a
        // file as opaque: its colours still count, its alpha does not).
        {"argb32_clear_3x2", 3, 2, AlphaRule::Zero},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> reference = ReadBytes(kFixtures + c.name + ".rgba");
        ASSERT_EQ(reference.size(), size_t(c.width) * size_t(c.height) * 4) << "missing or wrong reference";
        CSprite sprite;
        ASSERT_TRUE(sprite.LoadBMP((kFixtures + c.name + ".bmp").c_str()));
        ASSERT_EQ(sprite.GetWidth(), c.width);
        ASSERT_EQ(sprite.GetHeight(), c.height);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const unsigned char* rgba = &reference[(size_t(y) * size_t(c.width) + size_t(x)) * 4];
                const uint32_t alpha = c.alpha == AlphaRule::Zero ? 0u : rgba[3];
                const uint32_t expected = alpha << 24 | uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
                EXPECT_EQ(*sprite.PixelAt(x, y), expected) << "pixel " << x << "," << y;
            }
        }
    }
}

TEST(LoadBmp, RefusesOtherDepthsAndCompressions) {
    for (const char* name : {"argb32_bitfields_4x3", "rgb16_3x2"}) {
        SCOPED_TRACE(name);
        CSprite sprite;
        EXPECT_FALSE(sprite.LoadBMP((kFixtures + name + ".bmp").c_str()));
        EXPECT_FALSE(sprite.HasImage());
    }
}

// ---- Damaged and hostile files ----

TEST(LoadBmp, RefusesBadHeadersAndShortFilesWithoutAnImage) {
    struct Case {
        const char* name;
        std::function<void(std::vector<unsigned char>&)> damage;
    };
    const Case cases[] = {
        {"empty file", [](auto& b) { b.clear(); }},
        {"file header short", [](auto& b) { b.resize(13); }},
        {"info header short", [](auto& b) { b.resize(53); }},
        {"not BM", [](auto& b) { b[1] = 'A'; }},
        {"8 bits", [](auto& b) { PutU16(b, 28, 8); }},
        {"16 bits", [](auto& b) { PutU16(b, 28, 16); }},
        {"RLE8", [](auto& b) { PutU32(b, 30, 1); }},
        {"bit fields", [](auto& b) { PutU32(b, 30, 3); }},
        {"top-down", [](auto& b) { PutU32(b, 22, uint32_t(-2)); }},
        {"negative width", [](auto& b) { PutU32(b, 18, uint32_t(-3)); }},
        {"width 0", [](auto& b) { PutU32(b, 18, 0); }},
        {"height 0", [](auto& b) { PutU32(b, 22, 0); }},
        // Sizes no sprite may have, and rows the file does not hold.
        {"16384 x 257", [](auto& b) { PutU32(b, 18, 16384), PutU32(b, 22, 257); }},
        {"500001 x 1", [](auto& b) { PutU32(b, 18, 500001), PutU32(b, 22, 1); }},
        {"2^31-1 square", [](auto& b) { PutU32(b, 18, 0x7FFFFFFF), PutU32(b, 22, 0x7FFFFFFF); }},
        {"pixels past the end", [](auto& b) { PutU32(b, 10, uint32_t(b.size()) + 1); }},
        {"offset 2^32-1", [](auto& b) { PutU32(b, 10, 0xFFFFFFFF); }},
        {"pixel data one byte short", [](auto& b) { b.pop_back(); }},
        {"pixels shifted one byte", [](auto& b) { PutU32(b, 10, 55); }},
    };
    TempDir dir;
    for (uint16_t bits : {uint16_t(24), uint16_t(32)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bits) + " bits");
            std::vector<unsigned char> bytes = MakeBitmap(3, 2, bits);
            c.damage(bytes);
            const fs::path path = dir.Path() / "damaged.bmp";
            WriteBytes(path, bytes);
            CSprite sprite;
            EXPECT_FALSE(sprite.LoadBMP(path.c_str()));
            EXPECT_FALSE(sprite.HasImage());
            EXPECT_EQ(sprite.GetStorageSize(), 0u);
        }
    }
}

// A header that promises a 16000 x 16000 image (allowed by the size rule) in a
// file of a few bytes is refused before the gigabyte of pixels is taken: the
// process's peak resident size barely moves.
TEST(LoadBmp, HostileHeaderTakesNoPixelMemory) {
    TempDir dir;
    std::vector<unsigned char> bytes = MakeBitmap(3, 2, 32);
    PutU32(bytes, 18, 16000);
    PutU32(bytes, 22, 16000);
    const fs::path path = dir.Path() / "hostile.bmp";
    WriteBytes(path, bytes);
    rusage before{}, after{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &before), 0);
    CSprite sprite;
    EXPECT_FALSE(sprite.LoadBMP(path.c_str()));
    ASSERT_EQ(getrusage(RUSAGE_SELF, &after), 0);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB";
}

TEST(LoadBmp, MissingFileAndSpriteWithAnImageAreRefused) {
    CSprite sprite;
    EXPECT_FALSE(sprite.LoadBMP((kFixtures + "no_such_file.bmp").c_str()));
    EXPECT_FALSE(sprite.HasImage());

    ASSERT_TRUE(sprite.Create(2, 2, false));
    *sprite.PixelAt(1, 1) = 0x12345678;
    EXPECT_FALSE(sprite.LoadBMP((kFixtures + "rgb24_3x2.bmp").c_str()));
    EXPECT_EQ(sprite.GetWidth(), 2);
    EXPECT_EQ(*sprite.PixelAt(1, 1), 0x12345678u);
}

// Rows read one by one through the buffered file's 512 KiB ring: files larger
// than the ring, with row sizes that do not divide it, and a strip at the
// widest size the rule allows.
TEST(LoadBmp, ReadsFilesLargerThanTheReadBuffer) {
    struct Case {
        int32_t width;
        int32_t height;
        uint16_t bits;
    };
    const Case cases[] = {{701, 300, 24}, {333, 457, 32}, {500000, 1, 24}, {16383, 9, 32}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", " + std::to_string(c.bits));
        const fs::path path = dir.Path() / "large.bmp";
        WriteBytes(path, MakeBitmap(c.width, c.height, c.bits));
        CSprite sprite;
        ASSERT_TRUE(sprite.LoadBMP(path.c_str()));
        ExpectPattern(sprite, c.width, c.height, c.bits == 32);
    }
}

// The UTF-16 form names the same file as its code-page-932 escape form: a
// character outside code page 932 must not turn into "?" and open another file.
TEST(LoadBmp, WidePathReachesFilesNamedOutsideCodePage932) {
    TempDir dir;
    const std::vector<unsigned char> bytes = MakeBitmap(3, 2, 32);
    // "絵_😀.bmp": a code-page-932 character and one that code page 932 lacks.
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_\xF0\x9F\x98\x80.bmp", bytes);
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_?.bmp", MakeBitmap(1, 1, 32));
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_??.bmp", MakeBitmap(1, 1, 32));

    const std::u16string folder = dir.Path().u16string();
    CSprite sprite;
    ASSERT_TRUE(sprite.LoadBMP((folder + u"/\u7D75_\U0001F600.bmp").c_str()));
    ExpectPattern(sprite, 3, 2, true);

    sprite.Release();
    ASSERT_TRUE(sprite.LoadBMP((folder + u"/\u7D75_?.bmp").c_str()));
    EXPECT_EQ(sprite.GetWidth(), 1);

    sprite.Release();
    EXPECT_FALSE(sprite.LoadBMP((folder + u"/\u7D75_\U0001F601.bmp").c_str()));
    EXPECT_FALSE(sprite.HasImage());
}

// ---- The loader over the platform's codecs ----

// PatternPixel rows as a PNG file (straight alpha, so alpha-0 pixels keep
// their colour) or a JPEG one.
std::vector<unsigned char> EncodePattern(int32_t width, int32_t height, bool jpeg) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) pixels[size_t(y) * size_t(width) + size_t(x)] = PatternPixel(x, y);
    platform::PixelRows rows;
    rows.firstRow = pixels.data();
    rows.stride = ptrdiff_t(width) * 4;
    rows.width = width;
    rows.height = height;
    std::vector<uint8_t> bytes;
    const bool encoded = jpeg ? platform::EncodeJpeg(rows, 90, bytes) : platform::EncodePng(rows, 6, bytes);
    EXPECT_TRUE(encoded);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

uint32_t Crc32(const unsigned char* data, size_t size) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A PNG whose header claims width x height over the pixel data of a small one
// (the header's checksum made right, so only the size is wrong).
std::vector<unsigned char> PngClaiming(uint32_t width, uint32_t height) {
    std::vector<unsigned char> png = EncodePattern(2, 2, false);
    const auto putBig = [&png](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
    };
    // Signature (8), IHDR length (4), "IHDR" at 12, width at 16, height at 20,
    // 5 more bytes, the checksum of type and data at 29.
    putBig(16, width);
    putBig(20, height);
    putBig(29, Crc32(png.data() + 12, 17));
    return png;
}

TEST(LoadFromGdiPlus, CopiesEveryRowOfAPng) {
    struct Case {
        const char* name;
        int32_t width, height;
    };
    const Case cases[] = {{"several rows", 4, 3}, {"odd width", 3, 5}, {"one row", 9, 1}, {"one column", 1, 7}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.Path() / "pattern.png";
        WriteBytes(path, EncodePattern(c.width, c.height, false));
        CSprite sprite;
        ASSERT_TRUE(sprite.LoadFromGdiPlus(path.u16string().c_str()));
        ExpectPattern(sprite, c.width, c.height, true);
    }
}

// JPEG is lossy: the sprite holds exactly what the codec decodes, opaque.
TEST(LoadFromGdiPlus, ReadsAJpegOpaque) {
    TempDir dir;
    const std::vector<unsigned char> jpeg = EncodePattern(13, 6, true);
    WriteBytes(dir.Path() / "photo.jpg", jpeg);
    platform::DecodedPixels decoded;
    ASSERT_TRUE(platform::DecodeImage(jpeg.data(), jpeg.size(), decoded));
    CSprite sprite;
    ASSERT_TRUE(sprite.LoadFromGdiPlus((dir.Path() / "photo.jpg").u16string().c_str()));
    ASSERT_EQ(sprite.GetWidth(), 13);
    ASSERT_EQ(sprite.GetHeight(), 6);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            EXPECT_EQ(*sprite.PixelAt(x, y), decoded.Row(y)[x]) << x << "," << y;
            EXPECT_EQ(*sprite.PixelAt(x, y) >> 24, 0xFFu);
        }
    }
}

// The path reaches the file system whole, as every path of the program does:
// "\" separates, ".." is resolved, and a character that code page 932 lacks
// neither turns into "?" nor opens another file.
TEST(LoadFromGdiPlus, PathReachesTheFileWhole) {
    TempDir dir;
    fs::create_directories(dir.Path() / "sub");
    // "絵_😀.png": a code-page-932 character and one that code page 932 lacks.
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_\xF0\x9F\x98\x80.png", EncodePattern(3, 2, false));
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_?.png", EncodePattern(1, 1, false));
    WriteBytes(dir.Path() / "\xE7\xB5\xB5_??.png", EncodePattern(1, 1, false));
    const std::u16string folder = dir.Path().u16string();

    CSprite sprite;
    ASSERT_TRUE(sprite.LoadFromGdiPlus((folder + u"\\sub\\..\\\u7D75_\U0001F600.png").c_str()));
    ExpectPattern(sprite, 3, 2, true);

    sprite.Release();
    EXPECT_FALSE(sprite.LoadFromGdiPlus((folder + u"/\u7D75_\U0001F601.png").c_str()));
    EXPECT_FALSE(sprite.HasImage());

    // An unpaired surrogate names no file.
    const char16_t lone[] = {u'/', 0xD83D, u'.', u'p', u'n', u'g', 0};
    EXPECT_FALSE(sprite.LoadFromGdiPlus((folder + lone).c_str()));
    EXPECT_FALSE(sprite.HasImage());
}

// Every way out leaves the sprite without an image (and, under the leak
// checker, nothing held).
TEST(LoadFromGdiPlus, FailuresLeaveNoImage) {
    TempDir dir;
    const std::vector<unsigned char> png = EncodePattern(5, 4, false);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"no known content", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"truncated PNG", std::vector<unsigned char>(png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2))},
        {"truncated JPEG", [] {
             std::vector<unsigned char> jpeg = EncodePattern(16, 16, true);
             jpeg.resize(jpeg.size() / 3);
             return jpeg;
         }()},
        // Sizes no sprite may have: refused before anything is allocated.
        {"PNG larger than any sprite", PngClaiming(70000, 70000)},
        {"PNG of width 0", PngClaiming(0, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.Path() / "bad.png";
        WriteBytes(path, c.bytes);
        CSprite sprite;
        EXPECT_FALSE(sprite.LoadFromGdiPlus(path.u16string().c_str()));
        EXPECT_FALSE(sprite.HasImage());
        GDIPLoaderBitmap bitmap;
        EXPECT_FALSE(bitmap.LoadFromMemory(c.bytes.data(), c.bytes.size()));
        EXPECT_FALSE(bitmap.IsLoaded());
    }
    const std::u16string folder = dir.Path().u16string();
    for (const std::u16string& path : {folder + u"/missing.png", folder, std::u16string()}) {
        CSprite sprite;
        EXPECT_FALSE(sprite.LoadFromGdiPlus(path.c_str()));
        EXPECT_FALSE(sprite.HasImage());
    }
    CSprite sprite;
    EXPECT_FALSE(sprite.LoadFromGdiPlus(nullptr));
}

TEST(LoadFromGdiPlus, SpriteWithAnImageIsNotTouched) {
    TempDir dir;
    WriteBytes(dir.Path() / "a.png", EncodePattern(3, 2, false));
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(1, 1, true));
    EXPECT_FALSE(sprite.LoadFromGdiPlus((dir.Path() / "a.png").u16string().c_str()));
    EXPECT_EQ(sprite.GetWidth(), 1);
    EXPECT_EQ(*sprite.PixelAt(0, 0), 0xFFFFFFFFu);
}

// A reload replaces the image; a failed one leaves none.
TEST(LoadFromGdiPlus, LoaderBitmapReloads) {
    TempDir dir;
    const fs::path one = dir.Path() / "one.png";
    const fs::path two = dir.Path() / "two.png";
    WriteBytes(one, EncodePattern(2, 2, false));
    WriteBytes(two, EncodePattern(5, 1, false));
    GDIPLoaderBitmap bitmap;
    EXPECT_FALSE(bitmap.IsLoaded());
    ASSERT_TRUE(bitmap.LoadFromFile(one.u16string().c_str()));
    EXPECT_EQ(bitmap.GetWidth(), 2);
    EXPECT_EQ(bitmap.GetHeight(), 2);
    EXPECT_EQ(bitmap.GetStride(), 8);
    ASSERT_TRUE(bitmap.LoadFromFile(two.u16string().c_str()));
    EXPECT_EQ(bitmap.GetWidth(), 5);
    EXPECT_EQ(bitmap.GetHeight(), 1);
    EXPECT_EQ(bitmap.GetStride(), 20);
    const uint32_t* row = static_cast<const uint32_t*>(bitmap.GetFirstRow());
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(row[x], PatternPixel(x, 0));
    EXPECT_FALSE(bitmap.LoadFromFile((dir.Path() / "three.png").u16string().c_str()));
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.GetFirstRow(), nullptr);
    ASSERT_TRUE(bitmap.LoadFromFile(one.u16string().c_str()));
    bitmap.Release();
    EXPECT_FALSE(bitmap.IsLoaded());
}

}  // namespace
