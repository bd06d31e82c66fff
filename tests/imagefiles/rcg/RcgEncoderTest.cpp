// RCG encoders: every coding level and the spare encoders against the decoder
// over a corpus of synthetic images, known records, the cube choice, the
// preconditions and what a canvas too large for memory does.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Painted;
using raster_test::Pixels;

class RcgEncoderTest : public raster_test::ReadyLibraryTest {};

std::vector<uint8_t> Bytes(const CMemoryBlock<unsigned char>& block) {
    return std::vector<uint8_t>(block.GetBuffer(), block.GetBuffer() + block.GetCount());
}

// Decodes a record (a stream container too) into a fresh sprite; the result
// code and the pixels.
std::vector<uint32_t> DecodeToPixels(const uint8_t* record, uint32_t size, int32_t& result) {
    CSprite out;
    result = DecodeRcg(out, record, size);
    return result == 0 ? Pixels(out) : std::vector<uint32_t>{};
}

std::vector<uint32_t> Masked(std::vector<uint32_t> px, uint32_t mask) {
    for (uint32_t& p : px) p &= mask;
    return px;
}

struct Case {
    std::string name;
    int32_t width;
    int32_t height;
    std::function<uint32_t(int32_t, int32_t)> pixel;
};

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Images that take every block kind, colour source and segment rule.
std::vector<Case> Corpus() {
    std::vector<Case> cases;
    cases.push_back({"one pixel", 1, 1, [](int32_t, int32_t) { return 0x80402010u; }});
    cases.push_back({"one transparent black pixel", 1, 1, [](int32_t, int32_t) { return 0u; }});
    cases.push_back({"odd size 3x7", 3, 7, [](int32_t x, int32_t y) { return Hash(x * 31 + y) | 0xFF000000u; }});
    cases.push_back({"odd size 17x5 two colours", 17, 5,
                     [](int32_t x, int32_t y) { return ((x + y) % 3 == 0) ? 0xFF0000FFu : 0xFFFFFFFFu; }});
    cases.push_back({"flat art", 97, 61, [](int32_t x, int32_t y) {
                         if ((x - 40) * (x - 40) + (y - 30) * (y - 30) < 400) return 0xFFE03020u;
                         if (x > 70 && y > 10 && y < 50) return 0xFF2060E0u;
                         if (y % 16 == 0) return 0xFF000000u;
                         return 0xFFF8F0E0u;
                     }});
    cases.push_back({"horizontal gradient", 300, 20, [](int32_t x, int32_t) {
                         return 0xFF000000u | (static_cast<uint32_t>(x * 255 / 299) << 16) | 0x40u;
                     }});
    cases.push_back({"diagonal gradient with alpha", 128, 128, [](int32_t x, int32_t y) {
                         const uint32_t a = static_cast<uint32_t>((x + y) * 255 / 254);
                         return (a << 24) | (static_cast<uint32_t>(x * 2) << 16) | (static_cast<uint32_t>(y * 2) << 8) |
                                static_cast<uint32_t>((x ^ y) & 0xFF);
                     }});
    cases.push_back({"noise", 200, 150, [](int32_t x, int32_t y) { return Hash(static_cast<uint32_t>(y * 200 + x)); }});
    cases.push_back({"noise of 5 colours", 160, 90, [](int32_t x, int32_t y) {
                         static const uint32_t palette[5] = {0xFF102030u, 0xFF405060u, 0u, 0x80FFFFFFu, 0xFF0000FFu};
                         return palette[Hash(static_cast<uint32_t>(y * 160 + x)) % 5];
                     }});
    cases.push_back({"short runs of 3 and 4 colours", 250, 40, [](int32_t x, int32_t y) {
                         static const uint32_t palette[4] = {0xFF203040u, 0xFF607080u, 0xFFA0B0C0u, 0xFF000000u};
                         const uint32_t h = Hash(static_cast<uint32_t>((y * 250 + x) / 3));
                         return palette[(y & 1) ? h % 3 : h % 4];
                     }});
    cases.push_back({"ramp colours in short runs", 256, 16, [](int32_t x, int32_t y) {
                         uint32_t ramp[16];
                         BuildColorRamp(0xFF000000u | static_cast<uint32_t>(y) * 0x0F0F0Fu, 0xFFF0E0D0u, ramp, 16);
                         const uint32_t picks[4] = {0, 5, 11, 15};
                         return ramp[picks[Hash(static_cast<uint32_t>((y * 256 + x) / 2)) % 4]];
                     }});
    cases.push_back({"alpha with transparent areas", 120, 80, [](int32_t x, int32_t y) {
                         if (x < 30) return 0u;
                         if (x < 60) return static_cast<uint32_t>(Hash(static_cast<uint32_t>(y)) & 0x00FFFFFFu);
                         return (static_cast<uint32_t>(x * 2) << 24) | 0x00336699u;
                     }});
    cases.push_back({"wide", 5000, 2, [](int32_t x, int32_t y) {
                         return x % 700 < 350 ? 0xFF00FF00u : 0xFF000000u | static_cast<uint32_t>(x / 3 + y);
                     }});
    cases.push_back({"tall", 1, 3000, [](int32_t, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(y / 7 * 13); }});
    cases.push_back({"one colour, runs split at 65,500", 400, 250, [](int32_t, int32_t) { return 0xFF123456u; }});
    cases.push_back({"photo-like, many segments", 512, 256, [](int32_t x, int32_t y) {
                         const uint32_t n = Hash(static_cast<uint32_t>(y * 512 + x)) & 0x0F;
                         const uint32_t r = static_cast<uint32_t>(x / 2) + n, g = static_cast<uint32_t>(y) + n,
                                        b = static_cast<uint32_t>((x + y) / 3) + (n >> 1);
                         return 0xFF000000u | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
                     }});
    // Colours beyond the 256 the table holds, each first met by a different
    // block kind, so that blocks read the dictionary at its cursor.
    static const std::vector<uint32_t> fresh = [] {
        std::vector<uint32_t> px;
        uint32_t next = 0xFF000001u;
        auto colour = [&next] { return next += 0x010305u; };
        for (int i = 0; i < 300; ++i) px.push_back(colour());
        for (int i = 0; i < 40; ++i) px.insert(px.end(), 30, colour());
        for (int i = 0; i < 30; ++i) {
            const uint32_t c[4] = {colour(), colour(), colour(), colour()};
            for (int k = 0; k < 12; ++k) px.insert(px.end(), 2 + k % 2, c[(k * 3 + k / 4) % 4]);
        }
        for (int i = 0; i < 300; ++i) px.insert(px.end(), 2, colour());
        for (int i = 0; i < 30; ++i) {
            uint32_t ramp[16];
            BuildColorRamp(colour(), colour() | 0x00F0F0F0u, ramp, 16);
            for (int k = 0; k < 12; ++k) px.insert(px.end(), 2, ramp[(k % 4) * 5]);
        }
        px.insert(px.end(), 20, 0xFF000000u);
        return px;
    }();
    cases.push_back({"fresh colours beyond the table", static_cast<int32_t>(fresh.size()), 1,
                     [](int32_t x, int32_t) { return fresh[x]; }});
    return cases;
}

// ---------------------------------------------------------------------------
// Coding levels
// ---------------------------------------------------------------------------

TEST_F(RcgEncoderTest, EveryLevelDecodesToTheSpriteForTheCorpus) {
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        CSprite sprite = Painted(c.width, c.height, c.pixel);
        const std::vector<uint32_t> expected = Pixels(sprite);
        for (uint16_t type : {kRcgTypeArgb, kRcgTypeRgb}) {
            SCOPED_TRACE(type);
            uint32_t previous = UINT32_MAX;
            for (int32_t level = 0; level <= 3; ++level) {
                SCOPED_TRACE(level);
                CMemoryBlock<unsigned char> record;
                ASSERT_TRUE(RcgEncodeRecord(record, sprite, type, level));
                ASSERT_EQ(RcgGet32(record.GetBuffer()), record.GetCount());
                int32_t result = -1;
                const std::vector<uint32_t> decoded = DecodeToPixels(record.GetBuffer(), record.GetCount(), result);
                ASSERT_EQ(result, 0);
                // A type-1 record keeps no alpha: every pixel decodes with alpha 0.
                EXPECT_EQ(decoded, type == kRcgTypeArgb ? expected : Masked(expected, 0x00FFFFFFu));
                // Each level tries what the one below tried and more.
                EXPECT_LE(record.GetCount(), previous);
                previous = record.GetCount();
            }
        }
    }
}

TEST_F(RcgEncoderTest, BlockCoderAloneDecodesToTheSprite) {
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        CSprite sprite = Painted(c.width, c.height, c.pixel);
        CMemoryBlock<unsigned char> record;
        ASSERT_TRUE(RcgEncodeBlocks(record, sprite, kRcgTypeArgb));
        int32_t result = -1;
        EXPECT_EQ(DecodeToPixels(record.GetBuffer(), record.GetCount(), result), Pixels(sprite));
        EXPECT_EQ(result, 0);
    }
}

TEST_F(RcgEncoderTest, RandomImagesOfFewColoursRoundTrip) {
    // Random sizes and palettes: short runs of a few colours reach every block
    // kind, palettes beyond 256 colours the dictionary sources.
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 90), h = 1 + static_cast<int32_t>(rng() % 40);
        std::vector<uint32_t> palette(1 + rng() % (round < 20 ? 6 : 600));
        for (uint32_t& p : palette) p = (rng() & 3) == 0 ? 0u : rng();
        const uint32_t maxRun = 1 + rng() % 20;
        std::vector<uint32_t> px;
        while (px.size() < static_cast<size_t>(w) * h) {
            const uint32_t colour = palette[rng() % palette.size()];
            for (uint32_t k = 1 + rng() % maxRun; k > 0; --k) px.push_back(colour);
        }
        px.resize(static_cast<size_t>(w) * h);
        CSprite sprite = Painted(w, h, [&](int32_t x, int32_t y) { return px[static_cast<size_t>(y) * w + x]; });
        for (int32_t level : {1, 3}) {
            CMemoryBlock<unsigned char> record;
            ASSERT_TRUE(RcgEncodeRecord(record, sprite, kRcgTypeArgb, level));
            int32_t result = -1;
            ASSERT_EQ(DecodeToPixels(record.GetBuffer(), record.GetCount(), result), px) << "round " << round;
        }
    }
}

TEST_F(RcgEncoderTest, OnePixelBlockRecordIsKnownBytes) {
    CSprite sprite = raster_test::Filled(1, 1, 0x80402010u);
    CMemoryBlock<unsigned char> blocks;
    ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
    const std::vector<uint8_t> expected = {27, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0,  // header
                                           0x14, 0x00, 0x00, 0x10, 0x20, 0x40, 0x80,  // literal dictionary of one
                                           0xC4, 0x01, 0x00,                          // dictionary cursor after it
                                           0x41, 0x01, 0x00};                         // run of ring entry 0
    EXPECT_EQ(Bytes(blocks), expected);

    // Level 1 keeps the 21-byte raw record, level 0 is the raw record.
    for (int32_t level : {0, 1}) {
        CMemoryBlock<unsigned char> record;
        ASSERT_TRUE(RcgEncodeRecord(record, sprite, kRcgTypeArgb, level));
        EXPECT_EQ(record.GetCount(), 21u);
        EXPECT_EQ(record.GetBuffer()[14], 0x20);
    }
}

TEST_F(RcgEncoderTest, LongRunSplitsIntoTwoRunBlocks) {
    CSprite sprite = raster_test::Filled(1000, 100, 0xFF123456u);
    CMemoryBlock<unsigned char> blocks;
    ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
    const std::vector<uint8_t> expected = {32, 0, 0, 0, 0xE8, 0x03, 0, 0, 100, 0, 0, 0, 2, 0,
                                           0x14, 0x00, 0x00, 0x56, 0x34, 0x12, 0xFF, 0xC4, 0x01, 0x00,
                                           0x61, 0xDC, 0xFF, 0x00,   // 65,500 pixels of ring entry 0
                                           0x61, 0xC4, 0x86, 0x00};  // 34,500 more
    EXPECT_EQ(Bytes(blocks), expected);
}

TEST_F(RcgEncoderTest, ColoursAllInCubesNeedNoLiteralDictionary) {
    // Four colours of one cube: the cube is loaded, nothing else.
    const uint32_t colours[4] = {0xFF101010u, 0xFF101011u, 0xFF111213u, 0xFF171717u};
    CSprite sprite = Painted(4, 1, [&](int32_t x, int32_t) { return colours[x]; });
    CMemoryBlock<unsigned char> blocks;
    ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
    const std::vector<uint8_t> bytes = Bytes(blocks);
    const std::vector<uint8_t> load = {0xCC, 0x00, 0x0C, 0x54, 7, 7, 7, 0, 0x10, 0x17, 0x10, 0x17, 0x10, 0x17, 0xFF};
    ASSERT_GE(bytes.size(), 14 + load.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 14, bytes.begin() + 29), load);
    for (size_t i = 29; i < bytes.size(); ++i) EXPECT_NE(bytes[i], 0x14) << "literal load at " << i;
    int32_t result = -1;
    EXPECT_EQ(DecodeToPixels(blocks.GetBuffer(), blocks.GetCount(), result), Pixels(sprite));
}

TEST_F(RcgEncoderTest, SegmentLoadsThe122BusiestCubes) {
    // 8 cubes of 4 colours come first, then 122 cubes of 6: the first-come
    // choice would take the small ones, the final choice takes the big ones.
    std::vector<uint32_t> px;
    std::set<uint32_t> bigCubes;
    for (uint32_t q = 0; q < 130; ++q) {
        const uint32_t base = 0xFF000000u | ((q % 32) * 8) << 16 | ((q / 32) * 8) << 8;
        const uint32_t n = q < 8 ? 4 : 6;
        if (n == 6) bigCubes.insert(base);
        for (uint32_t k = 0; k < n; ++k) px.push_back(base | k);
    }
    CSprite sprite = Painted(static_cast<int32_t>(px.size()), 1, [&](int32_t x, int32_t) { return px[x]; });
    CMemoryBlock<unsigned char> blocks;
    ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
    const uint8_t* p = blocks.GetBuffer() + 14;
    std::set<uint32_t> loaded;
    uint32_t k = 0;
    while (p[0] == 0xCC) {
        EXPECT_EQ(RcgGet16(p + 1), 3072 + 512 * k);
        loaded.insert(0xFF000000u | static_cast<uint32_t>(p[8]) << 16 | static_cast<uint32_t>(p[10]) << 8 | p[12]);
        p += 15;
        ++k;
    }
    EXPECT_EQ(k, 122u);
    EXPECT_EQ(loaded, bigCubes);
    int32_t result = -1;
    EXPECT_EQ(DecodeToPixels(blocks.GetBuffer(), blocks.GetCount(), result), px);
}

TEST_F(RcgEncoderTest, TypeOneRecordsCarryNoAlphaEvenThroughCubes) {
    // Opaque colours that fill cubes: a type-1 record must not give those
    // pixels alpha 255 while its literal colours decode with alpha 0 (the image
    // loader would then take the image for partly transparent).
    CSprite sprite = Painted(64, 64, [](int32_t x, int32_t y) {
        return 0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8 |
               static_cast<uint32_t>((x * y) & 0xFF);
    });
    CMemoryBlock<unsigned char> blocks;
    ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, kRcgTypeRgb));
    int32_t result = -1;
    EXPECT_EQ(DecodeToPixels(blocks.GetBuffer(), blocks.GetCount(), result), Masked(Pixels(sprite), 0x00FFFFFFu));
}

TEST_F(RcgEncoderTest, RefusalsLeaveTheOutputUnchanged) {
    CSprite sprite = raster_test::Filled(4, 4, 0xFF00FF00u);
    CMemoryBlock<unsigned char> out;
    out.Alloc(3)[0] = 0x5A;
    EXPECT_FALSE(RcgEncodeRecord(out, sprite, kRcgTypeArgb, 4));
    EXPECT_FALSE(RcgEncodeRecord(out, sprite, kRcgTypeArgb, -1));
    EXPECT_FALSE(RcgEncodeRecord(out, sprite, 3, 1));
    CSprite empty;
    EXPECT_FALSE(RcgEncodeRecord(out, empty, kRcgTypeArgb, 0));
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(RcgEncodeRecord(out, sprite, kRcgTypeArgb, 2));
    CMemoryBlock<unsigned char> blocks;
    EXPECT_FALSE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
    InitRasterLibrary(1);
    EXPECT_EQ(out.GetCount(), 3u);
    EXPECT_EQ(out.GetBuffer()[0], 0x5A);

    // A block coder needs pixels; the raw record of none is the header alone.
    CSprite none;
    ASSERT_TRUE(none.Create(0, 5, false));
    EXPECT_FALSE(RcgEncodeBlocks(blocks, none, kRcgTypeArgb));
    EXPECT_FALSE(RcgEncodeRecord(out, none, kRcgTypeArgb, 1));
    ASSERT_TRUE(RcgEncodeRecord(out, none, kRcgTypeArgb, 0));
    EXPECT_EQ(out.GetCount(), 14u);
}

TEST_F(RcgEncoderTest, CanvasTooLargeForMemoryFailsWithFalse) {
    // Work buffers above the limit fail as a huge canvas would: false, no
    // exception, the output untouched.
    struct LimitGuard {
        explicit LimitGuard(uint64_t bytes) { rcg_detail::SetWorkAllocationLimit(bytes); }
        ~LimitGuard() { rcg_detail::SetWorkAllocationLimit(0); }
    };
    CSprite sprite = raster_test::Painted(2048, 1024, [](int32_t x, int32_t y) { return Hash(x + 4096u * y); });
    CMemoryBlock<unsigned char> out;
    {
        LimitGuard guard(16u << 20);  // the run list alone needs 16 MB + 8 bytes
        CMemoryBlock<unsigned char> blocks;
        EXPECT_FALSE(RcgEncodeBlocks(blocks, sprite, kRcgTypeArgb));
        EXPECT_EQ(blocks.GetBuffer(), nullptr);
        for (int32_t level = 1; level <= 3; ++level) {
            EXPECT_FALSE(RcgEncodeRecord(out, sprite, kRcgTypeArgb, level));
            EXPECT_EQ(out.GetBuffer(), nullptr);
        }
    }
    EXPECT_TRUE(RcgEncodeRecord(out, sprite, kRcgTypeArgb, 1));
}

// ---------------------------------------------------------------------------
// Spare encoders
// ---------------------------------------------------------------------------

// A caller-owned buffer of `capacity` bytes.
struct Buffer {
    explicit Buffer(uint32_t capacity) { block.Alloc(capacity); }
    std::vector<uint8_t> Record(uint32_t size) const {
        return std::vector<uint8_t>(block.GetBuffer(), block.GetBuffer() + size);
    }
    CMemoryBlock<unsigned char> block;
};

std::vector<uint32_t> DecodeRecord(const std::vector<uint8_t>& record) {
    int32_t result = -1;
    std::vector<uint32_t> px = DecodeToPixels(record.data(), static_cast<uint32_t>(record.size()), result);
    EXPECT_EQ(result, 0);
    return px;
}

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// What each quantising mode makes of a pixel, written out from the mode's definition.
uint32_t Quantised(int32_t mode, uint32_t p) {
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    switch (mode) {
        case 3:
            if (p == 0) return 0;
            return 0xFF000000u | (r >= 128 ? 0xFF0000u : 0) | (g >= 128 ? 0xFF00u : 0) | (b >= 128 ? 0xFFu : 0);
        case 6:
            if (p == 0) return 0;
            return 0xFF000000u | (r >> 6) * 0x55u << 16 | (g >> 6) * 0x55u << 8 | (b >> 6) * 0x55u;
        case 0:
        case 9:
        case 12:
        case 15:
        case 16:
            if (p == 0) return 0;
            return 0xFF000000u | Expand5(r >> 3) << 16 | Expand5(g >> 3) << 8 | Expand5(b >> 3);
        case 18:
        case 21:
        case 24: return p & 0x00FFFFFFu;
        default: return p;
    }
}

TEST_F(RcgEncoderTest, RunEncoderKnownRecords) {
    uint32_t size = 99;
    {
        CSprite one = raster_test::Filled(1, 1, 0x80402010u);
        Buffer buffer(20);
        ASSERT_TRUE(RcgEncodeRunRecord(buffer.block, one, kRcgTypeArgb, size));
        const std::vector<uint8_t> expected = {20, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0x00, 1, 0x10, 0x20, 0x40, 0x80};
        EXPECT_EQ(buffer.Record(size), expected);
    }
    {
        CSprite row = raster_test::Filled(70000, 1, 0xFF010203u);
        Buffer buffer(100);
        ASSERT_TRUE(RcgEncodeRunRecord(buffer.block, row, kRcgTypeArgb, size));
        const std::vector<uint8_t> expected = {28,   0,    0,    0,    0x70, 0x11, 1,    0,    1,    0,
                                               0,    0,    2,    0,    0x21, 0xFA, 0xFF, 0x03, 0x02, 0x01,
                                               0xFF, 0x21, 0x76, 0x11, 0x03, 0x02, 0x01, 0xFF};
        EXPECT_EQ(buffer.Record(size), expected);
        EXPECT_EQ(DecodeRecord(buffer.Record(size)), Pixels(row));

        ASSERT_TRUE(RcgEncodeQuantisedRecord(buffer.block, row, 3, size));
        const std::vector<uint8_t> head = {0x4C, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00,
                                           0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF};
        std::vector<uint8_t> quantised = {36, 0, 0, 0, 0x70, 0x11, 1, 0, 1, 0, 0, 0, 2, 0};
        quantised.insert(quantised.end(), head.begin(), head.end());
        for (uint8_t b : {0x61, 0xFA, 0xFF, 0x00, 0x61, 0x76, 0x11, 0x00}) quantised.push_back(b);
        EXPECT_EQ(buffer.Record(size), quantised);
    }
}

TEST_F(RcgEncoderTest, RunEncoderRoundTripsTheCorpus) {
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        CSprite sprite = Painted(c.width, c.height, c.pixel);
        const uint64_t n = static_cast<uint64_t>(c.width) * c.height;
        Buffer buffer(static_cast<uint32_t>(64 + n * 6));
        for (uint16_t type : {kRcgTypeArgb, kRcgTypeRgb}) {
            uint32_t size = 0;
            ASSERT_TRUE(RcgEncodeRunRecord(buffer.block, sprite, type, size));
            EXPECT_EQ(DecodeRecord(buffer.Record(size)),
                      type == kRcgTypeArgb ? Pixels(sprite) : Masked(Pixels(sprite), 0x00FFFFFFu));
        }
    }
}

TEST_F(RcgEncoderTest, QuantisingModesDecodeToTheReducedColours) {
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        CSprite sprite = Painted(c.width, c.height, c.pixel);
        const uint64_t n = static_cast<uint64_t>(c.width) * c.height;
        Buffer buffer(static_cast<uint32_t>(512 + n * 8));
        for (int32_t mode : {3, 6, 0, 9, 12, 15, 18, 21, 24, 32}) {
            SCOPED_TRACE(mode);
            uint32_t size = 0;
            ASSERT_TRUE(RcgEncodeQuantisedRecord(buffer.block, sprite, mode, size));
            EXPECT_EQ(RcgGet16(buffer.block.GetBuffer() + 12), (mode >= 18 && mode <= 24) ? 1 : 2);
            std::vector<uint32_t> expected = Pixels(sprite);
            for (uint32_t& p : expected) p = Quantised(mode, p);
            EXPECT_EQ(DecodeRecord(buffer.Record(size)), expected);
        }
    }
    uint32_t size = 0;
    Buffer buffer(4096);
    CSprite sprite = raster_test::Filled(4, 4, 1);
    EXPECT_FALSE(RcgEncodeQuantisedRecord(buffer.block, sprite, 7, size));
}

TEST_F(RcgEncoderTest, RampEncoderWritesExactLinesAsRamps) {
    // A linear red line of 20 pixels is one masked ramp of 20 colours, which
    // the decoder spreads between the two ends.
    CSprite line = Painted(20, 1, [](int32_t x, int32_t) { return 0xFF000000u | static_cast<uint32_t>(x * 10) << 16; });
    Buffer buffer(256);
    uint32_t size = 0;
    ASSERT_TRUE(RcgEncodeRampRecord(buffer.block, line, 32, 0, size));
    const std::vector<uint8_t> record = buffer.Record(size);
    const std::vector<uint8_t> body = {0x07, 20, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xBE, 0xFF};
    ASSERT_EQ(record.size(), 14 + body.size());
    EXPECT_EQ(std::vector<uint8_t>(record.begin() + 14, record.end()), body);
    std::vector<uint32_t> ramp(20);
    BuildColorRamp(0xFF000000u, 0xFFBE0000u, ramp.data(), 20);
    EXPECT_EQ(DecodeRecord(record), ramp);

    // Three colours on a line are too few: the pixels go through the table.
    const uint32_t reds[16] = {0, 10, 20, 35, 90, 7, 200, 33, 150, 1, 99, 250, 60, 120, 17, 44};
    CSprite bent = Painted(16, 1, [&](int32_t x, int32_t) { return 0xFF000000u | reds[x] << 16; });
    ASSERT_TRUE(RcgEncodeRampRecord(buffer.block, bent, 32, 0, size));
    const std::vector<uint8_t> bentRecord = buffer.Record(size);
    EXPECT_EQ(bentRecord[14], 0x9C);  // 15 colours loaded into the table at slot 0
    EXPECT_EQ(bentRecord[15], 14);
    EXPECT_EQ(bentRecord[16], 0);
    EXPECT_EQ(DecodeRecord(bentRecord), Pixels(bent));
}

TEST_F(RcgEncoderTest, RampEncoderModesDecode) {
    for (const Case& c : Corpus()) {
        SCOPED_TRACE(c.name);
        CSprite sprite = Painted(c.width, c.height, c.pixel);
        const uint64_t n = static_cast<uint64_t>(c.width) * c.height;
        Buffer buffer(static_cast<uint32_t>(512 + n * 8));
        for (int32_t mode : {16, 24, 32}) {
            for (int32_t tolerance : {0, 8, 64}) {
                SCOPED_TRACE(mode * 100 + tolerance);
                uint32_t size = 0;
                ASSERT_TRUE(RcgEncodeRampRecord(buffer.block, sprite, mode, tolerance, size));
                EXPECT_EQ(RcgGet16(buffer.block.GetBuffer() + 12), mode == 24 ? 1 : 2);
                const std::vector<uint32_t> decoded = DecodeRecord(buffer.Record(size));
                EXPECT_EQ(decoded.size(), n);
            }
        }
    }
    Buffer buffer(4096);
    uint32_t size = 0;
    CSprite sprite = raster_test::Filled(4, 4, 1);
    EXPECT_FALSE(RcgEncodeRampRecord(buffer.block, sprite, 15, 0, size));
    EXPECT_FALSE(RcgEncodeRampRecord(buffer.block, sprite, 32, 65, size));
}

TEST_F(RcgEncoderTest, SpareEncodersStopWhenTheBufferIsShort) {
    CSprite sprite = raster_test::Painted(40, 40, [](int32_t x, int32_t y) { return Hash(x + 64u * y); });
    uint32_t size = 7;
    {
        Buffer tiny(19);
        EXPECT_FALSE(RcgEncodeRunRecord(tiny.block, sprite, kRcgTypeArgb, size));
        EXPECT_EQ(size, 0u);
    }
    Buffer small(200);
    size = 7;
    EXPECT_FALSE(RcgEncodeRunRecord(small.block, sprite, kRcgTypeArgb, size));
    EXPECT_EQ(size, 0u);
    size = 7;
    EXPECT_FALSE(RcgEncodeQuantisedRecord(small.block, sprite, 15, size));
    EXPECT_EQ(size, 0u);
    size = 7;
    EXPECT_FALSE(RcgEncodeRampRecord(small.block, sprite, 32, 4, size));
    EXPECT_EQ(size, 0u);

    CSprite empty;
    Buffer enough(4096);
    EXPECT_FALSE(RcgEncodeRunRecord(enough.block, empty, kRcgTypeArgb, size));
    EXPECT_FALSE(RcgEncodeRunRecord(enough.block, sprite, 3, size));
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(RcgEncodeQuantisedRecord(enough.block, sprite, 3, size));
    InitRasterLibrary(1);
}

}  // namespace
