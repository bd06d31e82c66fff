// Image loading into sprites: the BMP reader against files written by
// ImageMagick (their pixels as ImageMagick reads them back stored beside them),
// hostile and damaged headers, and the decoder-hook loader with a fake decoder.
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

// ---- The decoder hook ----

// Hands out a prepared image and counts what it is asked to do.
class FakeDecoder : public IImageDecoder {
public:
    bool Decode(const char16_t* path, DecodedImage& image) override {
        ++decodes;
        lastPath = path;
        if (!succeed) return false;
        image = next;
        image.handle = this;
        ++held;
        return true;
    }
    void Release(DecodedImage& image) noexcept override {
        ++releases;
        if (image.handle == this) --held;
    }

    // Rows of `width` pixels `pitch` pixels apart, pixel (x, y) = PatternPixel.
    void Prepare(int32_t width, int32_t height, int32_t pitch, bool upwards) {
        pixels.assign(size_t(pitch) * size_t(height), 0xDEADBEEF);
        for (int32_t y = 0; y < height; ++y) {
            const int32_t memoryRow = upwards ? height - 1 - y : y;
            uint32_t* row = pixels.data() + size_t(memoryRow) * size_t(pitch);
            for (int32_t x = 0; x < width; ++x) row[x] = PatternPixel(x, y);
        }
        next = DecodedImage();
        next.width = width;
        next.height = height;
        next.firstRow = pixels.data() + (upwards ? size_t(pitch) * size_t(height - 1) : 0);
        next.stride = (upwards ? -pitch : pitch) * 4;
    }

    bool succeed = true;
    DecodedImage next;
    std::vector<uint32_t> pixels;
    std::u16string lastPath;
    int decodes = 0;
    int releases = 0;
    int held = 0;
};

class LoadFromDecoder : public ::testing::Test {
protected:
    void SetUp() override { m_previous = SetImageDecoder(&m_decoder); }
    void TearDown() override { SetImageDecoder(m_previous); }

    FakeDecoder m_decoder;
    IImageDecoder* m_previous = nullptr;
};

TEST(LoadFromGdiPlus, FailsWithoutADecoder) {
    IImageDecoder* previous = SetImageDecoder(nullptr);
    CSprite sprite;
    EXPECT_FALSE(sprite.LoadFromGdiPlus(u"picture.png"));
    EXPECT_FALSE(sprite.HasImage());
    GDIPLoaderBitmap bitmap;
    EXPECT_FALSE(bitmap.LoadFromFile(u"picture.png"));
    EXPECT_FALSE(bitmap.IsLoaded());
    SetImageDecoder(previous);
}

TEST_F(LoadFromDecoder, CopiesRowsByTheStrideAndReleasesTheImage) {
    struct Case {
        const char* name;
        int32_t width, height, pitch;
        bool upwards;
    };
    const Case cases[] = {
        {"packed rows", 4, 3, 4, false},
        {"padded rows", 3, 5, 7, false},
        {"negative stride", 3, 4, 3, true},
        {"one row", 9, 1, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_decoder.Prepare(c.width, c.height, c.pitch, c.upwards);
        const int releasesBefore = m_decoder.releases;
        CSprite sprite;
        ASSERT_TRUE(sprite.LoadFromGdiPlus(u"assets/\u7D75.png"));
        EXPECT_EQ(m_decoder.lastPath, u"assets/\u7D75.png");
        ExpectPattern(sprite, c.width, c.height, true);
        EXPECT_EQ(m_decoder.releases, releasesBefore + 1);
        EXPECT_EQ(m_decoder.held, 0);
    }
}

// Every way out lets go of the decoded image exactly once, and leaves the
// sprite without an image.
TEST_F(LoadFromDecoder, FailuresLeaveNoImageAndNothingHeld) {
    struct Case {
        const char* name;
        std::function<void(FakeDecoder&)> setUp;
        int expectedReleases;
    };
    const Case cases[] = {
        {"decoder fails", [](FakeDecoder& d) { d.succeed = false; }, 0},
        {"negative height", [](FakeDecoder& d) { d.next.height = -1; }, 1},
        {"no rows", [](FakeDecoder& d) { d.next.firstRow = nullptr; }, 1},
        {"rows overlap", [](FakeDecoder& d) { d.next.stride = 8; }, 1},
        // Passes the checks of the bitmap, but no sprite can hold it.
        {"too large for a sprite",
         [](FakeDecoder& d) { d.next.width = d.next.height = 70000, d.next.stride = 280000; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_decoder.Prepare(3, 2, 3, false);
        m_decoder.succeed = true;
        c.setUp(m_decoder);
        const int releasesBefore = m_decoder.releases;
        CSprite sprite;
        EXPECT_FALSE(sprite.LoadFromGdiPlus(u"bad.png"));
        EXPECT_FALSE(sprite.HasImage());
        EXPECT_EQ(m_decoder.releases - releasesBefore, c.expectedReleases);
        EXPECT_EQ(m_decoder.held, 0);
    }
}

TEST_F(LoadFromDecoder, SpriteWithAnImageIsNotTouched) {
    m_decoder.Prepare(3, 2, 3, false);
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(1, 1, true));
    EXPECT_FALSE(sprite.LoadFromGdiPlus(u"a.png"));
    EXPECT_EQ(m_decoder.decodes, 0);
    EXPECT_EQ(sprite.GetWidth(), 1);
    EXPECT_EQ(*sprite.PixelAt(0, 0), 0xFFFFFFFFu);
}

TEST_F(LoadFromDecoder, LoaderBitmapReleasesOnReloadAndDestruction) {
    m_decoder.Prepare(2, 2, 2, false);
    {
        GDIPLoaderBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadFromFile(u"one.png"));
        EXPECT_EQ(bitmap.GetWidth(), 2);
        EXPECT_EQ(bitmap.GetStride(), 8);
        EXPECT_EQ(m_decoder.held, 1);
        ASSERT_TRUE(bitmap.LoadFromFile(u"two.png"));
        EXPECT_EQ(m_decoder.held, 1);
        EXPECT_EQ(m_decoder.releases, 1);
        m_decoder.succeed = false;
        EXPECT_FALSE(bitmap.LoadFromFile(u"three.png"));
        EXPECT_FALSE(bitmap.IsLoaded());
        EXPECT_EQ(m_decoder.held, 0);
        m_decoder.succeed = true;
        ASSERT_TRUE(bitmap.LoadFromFile(u"four.png"));
    }
    EXPECT_EQ(m_decoder.held, 0);
    EXPECT_EQ(m_decoder.releases, 3);
}

}  // namespace
