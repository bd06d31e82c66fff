#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;

class IndexedColourTest : public raster_test::ReadyLibraryTest {
protected:
    std::mt19937 rng{91401};
};

// A w x h image using exactly `colours` distinct values, each at least once,
// scattered at random.
CSprite WithColours(int32_t w, int32_t h, int32_t colours, std::mt19937& rng) {
    CSprite s = Filled(w, h, 0);
    std::vector<uint32_t> values;
    // An odd multiplier maps distinct i to distinct words (alpha varies too).
    for (int32_t i = 0; i < colours; ++i) values.push_back(static_cast<uint32_t>(i + 1) * 0x9E3779B1u);
    raster_test::Paint(s, [&](int32_t, int32_t) { return values[rng() % values.size()]; });
    for (int32_t i = 0; i < colours && h > 0; ++i) *s.PixelAt(i % w, (i / w) % h) = values[i];
    return s;
}

// Bits per pixel from the header byte, cross-checked with the depth code.
uint32_t HeaderBits(const CSprite& s) { return reinterpret_cast<const uint8_t*>(s.GetPixels())[14]; }

// The plain reader: pixel (x, y) of the indexed image, the index taken bit by
// bit from the packed row (leftmost pixel in the most significant bits).
uint32_t ReadIndexed(const CSprite& s, int32_t x, int32_t y) {
    const uint32_t bits = HeaderBits(s);
    const uint64_t firstBit = static_cast<uint64_t>(x) * bits;
    const uint32_t* row = s.PixelAt(0, y + 1);
    uint32_t index = 0;
    for (uint32_t b = 0; b < bits; ++b) {
        const uint64_t bit = firstBit + b;
        const uint32_t word = row[bit / 32];
        index = (index << 1) | ((word >> (31 - bit % 32)) & 1);
    }
    return *s.PixelAt(4 + static_cast<int32_t>(index), 0);
}

TEST_F(IndexedColourTest, HeaderBytesOfTheTwoColourRow) {
    CSprite src = Filled(192, 1, 0xFF000000u);
    *src.PixelAt(1, 0) = 0xFFFFFFFFu;
    CSprite dst;
    ASSERT_TRUE(dst.ConvertToIndexed(src));
    ASSERT_EQ(dst.GetWidth(), 6);
    ASSERT_EQ(dst.GetHeight(), 2);
    EXPECT_EQ(dst.GetDepthCode(), 1u);
    const uint8_t expectedHeader[24] = {0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x49, 0x4E, 0x44, 0x45,
                                        0x58, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(dst.PixelAt(0, 0), expectedHeader, sizeof expectedHeader), 0);
    const std::vector<uint32_t> row1(dst.PixelAt(0, 1), dst.PixelAt(0, 1) + 6);
    EXPECT_EQ(row1, (std::vector<uint32_t>{0x40000000u, 0, 0, 0, 0, 0}));
    // The source is not changed.
    EXPECT_EQ(*src.PixelAt(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(*src.PixelAt(0, 0), 0xFF000000u);
}

TEST_F(IndexedColourTest, OneColourGivesZeroIndicesAndAZeroSecondEntry) {
    CSprite src = Filled(192, 3, 0x12345678u);
    CSprite dst;
    ASSERT_TRUE(dst.ConvertToIndexed(src));
    EXPECT_EQ(dst.GetWidth(), 6);
    EXPECT_EQ(dst.GetHeight(), 4);
    EXPECT_EQ(*dst.PixelAt(4, 0), 0x12345678u);
    EXPECT_EQ(*dst.PixelAt(5, 0), 0u);
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(*dst.PixelAt(x, y), 0u);
}

// Depth choice: the smallest depth holding the colours whose width rule the
// width meets; none refuses.
TEST_F(IndexedColourTest, DepthFollowsColourCountAndWidthRule) {
    const struct {
        const char* name;
        int32_t width, colours;
        uint32_t bits;  // 0: refused
    } cases[] = {
        {"2 colours at 192: 1 bit", 192, 2, 1},
        {"2 colours at 224 (multiple of 32)", 224, 2, 1},
        {"2 colours at 176: too narrow for 1 bit, multiple of 16", 176, 2, 2},
        {"2 colours at 200: multiple of 8 only", 200, 2, 4},
        {"2 colours at 100: refused", 100, 2, 0},
        {"2 colours at 1044: 8 bits", 1044, 2, 8},
        {"3 colours at 128: 2 bits", 128, 3, 2},
        {"3 colours at 120: too narrow for 2 bits and 4 bits", 120, 3, 0},
        {"5 colours at 160: 4 bits", 160, 5, 4},
        {"16 colours at 168: 4 bits", 168, 16, 4},
        {"17 colours at 1036: refused", 1036, 17, 0},
        {"17 colours at 1040: 8 bits", 1040, 17, 8},
        {"256 colours at 1040", 1040, 256, 8},
        {"257 colours: refused", 1040, 257, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite src = WithColours(c.width, 3, c.colours, rng);
        CSprite dst;
        const bool ok = dst.ConvertToIndexed(src);
        EXPECT_EQ(ok, c.bits != 0);
        if (!ok) {
            EXPECT_FALSE(dst.HasImage());
            continue;
        }
        const uint32_t code = c.bits == 1 ? 1 : c.bits == 2 ? 2 : c.bits == 4 ? 3 : 4;
        EXPECT_EQ(dst.GetDepthCode(), code);
        EXPECT_EQ(HeaderBits(dst), c.bits);
        EXPECT_EQ(dst.GetWidth(), c.width * static_cast<int32_t>(c.bits) / 32);
        EXPECT_EQ(dst.GetHeight(), 4);
    }
}

// Round trip: every pixel read back through the palette equals the source;
// the palette is in first-met order and zero beyond the colours.
TEST_F(IndexedColourTest, IndicesReadBackThroughThePaletteGiveTheSource) {
    const struct {
        int32_t width, height, colours;
    } cases[] = {{192, 9, 2}, {256, 5, 4}, {200, 7, 16}, {1040, 4, 200}, {1048, 3, 256}, {384, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << c.colours << " colours");
        // Alpha-only differences count as colours here too.
        CSprite src = WithColours(c.width, c.height, c.colours, rng);
        CSprite dst;
        ASSERT_TRUE(dst.ConvertToIndexed(src));
        std::vector<uint32_t> firstMet;
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                const uint32_t v = *src.PixelAt(x, y);
                if (std::find(firstMet.begin(), firstMet.end(), v) == firstMet.end()) firstMet.push_back(v);
            }
        const int32_t entries = 1 << HeaderBits(dst);
        for (int32_t i = 0; i < entries; ++i)
            ASSERT_EQ(*dst.PixelAt(4 + i, 0), i < static_cast<int32_t>(firstMet.size()) ? firstMet[i] : 0u) << i;
        for (int32_t x = 4 + entries; x < dst.GetWidth(); ++x) ASSERT_EQ(*dst.PixelAt(x, 0), 0u);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) ASSERT_EQ(ReadIndexed(dst, x, y), *src.PixelAt(x, y));
    }
}

TEST_F(IndexedColourTest, AlphaDistinctValuesAreTwoColours) {
    CSprite src = Filled(192, 2, 0x00FF0000u);
    *src.PixelAt(191, 1) = 0xFFFF0000u;
    CSprite dst;
    ASSERT_TRUE(dst.ConvertToIndexed(src));
    EXPECT_EQ(*dst.PixelAt(4, 0), 0x00FF0000u);
    EXPECT_EQ(*dst.PixelAt(5, 0), 0xFFFF0000u);
    EXPECT_EQ(*dst.PixelAt(5, 2), 1u);  // the last pixel of the row in the low bit
}

TEST_F(IndexedColourTest, HeightLimits) {
    CSprite empty;
    ASSERT_TRUE(empty.Create(192, 0, false));
    CSprite header;
    ASSERT_TRUE(header.ConvertToIndexed(empty));
    EXPECT_EQ(header.GetWidth(), 6);
    EXPECT_EQ(header.GetHeight(), 1);
    EXPECT_EQ(header.GetDepthCode(), 1u);
    EXPECT_EQ(*header.PixelAt(4, 0), 0u);

    CSprite tall = Filled(192, 8190, 0xFF000000u);
    CSprite refused;
    EXPECT_FALSE(refused.ConvertToIndexed(tall));
    EXPECT_FALSE(refused.HasImage());
    CSprite lower = Filled(192, 8189, 0xFF000000u);
    CSprite accepted;
    EXPECT_TRUE(accepted.ConvertToIndexed(lower));
    EXPECT_EQ(accepted.GetHeight(), 8190);
}

TEST_F(IndexedColourTest, RefusesADestinationWithPixelsOrAnUnstartedLibrary) {
    CSprite src = Filled(192, 2, 0xFF00FF00u);
    CSprite busy = Filled(3, 3, 0x01020304u);
    EXPECT_FALSE(busy.ConvertToIndexed(src));
    EXPECT_EQ(busy.GetWidth(), 3);
    EXPECT_EQ(*busy.PixelAt(2, 2), 0x01020304u);
    EXPECT_EQ(busy.GetDepthCode(), 0u);

    raster_test::ResetRasterLibrary();
    CSprite dst;
    EXPECT_FALSE(dst.ConvertToIndexed(src));
    EXPECT_FALSE(dst.HasImage());
}

// The kernels that read indexed sources draw the converted image back.
TEST_F(IndexedColourTest, CopyFromIndexedReproducesTheSource) {
    for (const int32_t colours : {2, 4, 16, 256}) {
        SCOPED_TRACE(colours);
        CSprite src = WithColours(1040, 5, colours, rng);
        CSprite indexed;
        ASSERT_TRUE(indexed.ConvertToIndexed(src));
        CSprite out = Filled(1040, 5, 0xDEADBEEFu);
        out.DrawCopyFromIndexed(0, 0, indexed, 0, 0, 1040, 5);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 1040; ++x) ASSERT_EQ(*out.PixelAt(x, y), *src.PixelAt(x, y)) << x << "," << y;
    }
}

}  // namespace
