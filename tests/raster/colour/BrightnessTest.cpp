// Brightness multiply-add: worked pixels of the rule, map pixels decoded into
// terms, the source members against the in-place member on a copy, the map
// alpha 0 copies, the three-rectangle clipping, and terms beyond 32 bits.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;
using raster_test::Painted;
using raster_test::Pixels;

class BrightnessTest : public raster_test::ReadyLibraryTest {};

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return 0x7E000000u | r << 16 | g << 8 | b; }

uint32_t Apply(uint32_t p, int32_t mul, int32_t add) {
    CSprite s = Filled(1, 1, p);
    s.MulAddBrightness(0, 0, 1, 1, mul, add);
    return *s.PixelAt(0, 0);
}

TEST_F(BrightnessTest, WorkedPixels) {
    struct Case {
        const char* name;
        uint32_t pixel;
        int32_t mul, add;
        uint32_t expected;
    };
    const Case cases[] = {
        {"1.0 is not quite identity", Rgb(100, 50, 25), 65536, 0, Rgb(99, 49, 24)},
        {"max below 8 goes black", Rgb(7, 7, 7), 196608, 0, Rgb(0, 0, 0)},
        {"3.0 tops out at 255", Rgb(100, 50, 25), 196608, 0, Rgb(255, 127, 63)},
        {"one level is black", Rgb(100, 50, 25), 0, 65536, Rgb(0, 0, 0)},
        {"two levels", Rgb(100, 50, 25), 0, 131072, Rgb(1, 0, 0)},
        {"alpha 0 processed, kept", 0x00646432u, 196608, 0, 0x00FFFF7Fu},
        {"255 levels exactly: top rule", Rgb(10, 20, 200), 65536, 55 << 16, Rgb(12, 25, 255)},
        {"254 levels: scaled rule", Rgb(10, 20, 200), 65536, 54 << 16, Rgb(12, 25, 253)},
        // Terms whose 32-bit V x mul + add would wrap: 64-bit keeps their sign.
        {"huge multiplier is white-top", Rgb(100, 50, 25), INT32_MAX, INT32_MAX, Rgb(255, 127, 63)},
        {"huge negative multiplier is black", Rgb(100, 50, 25), INT32_MIN, INT32_MIN, Rgb(0, 0, 0)},
        {"huge add over 1.0 is white-top", Rgb(200, 100, 50), 65536, INT32_MAX, Rgb(255, 127, 63)},
    };
    for (const Case& c : cases) {
        const uint32_t got = Apply(c.pixel, c.mul, c.add);
        EXPECT_EQ(got, c.expected) << c.name << std::hex << " got 0x" << got;
    }
}

// A map pixel's terms, checked against the immediate member with those terms.
TEST_F(BrightnessTest, MapPixelTerms) {
    struct Case {
        const char* name;
        uint32_t map;
        int32_t mul, add;
    };
    const Case cases[] = {
        {"1.0 and 0", 0xFF804000u, 65536, 0},
        {"0 and -256 levels", 0xFF000000u, 0, -256 << 16},
        {"3.0", 0xFF80C000u, 196608, 0},
        {"alpha 128 pulls toward (1.0, 0)", 0x80FF4000u, 65536, 8388096},
        {"alpha 1", 0x0100FFFFu, ((262140 - 65536) * 1 + 16777216) >> 8, ((0 << 16) - 0x800000) * 1 / 128},
        {"alpha 200", 0xC8FF1234u, ((0x1234 * 4 - 65536) * 201 + 16777216) >> 8, ((255 << 16) - 0x800000) * 201 / 128},
    };
    std::mt19937 rng(9);
    CSprite pixels;
    raster_test::MakeRandom(pixels, 16, 16, rng);
    for (const Case& c : cases) {
        CSprite a = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
        CSprite b = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
        const CSprite map = Filled(16, 16, c.map);
        a.MulAddBrightnessBitmap(0, 0, 16, 16, map, 0, 0, 16, 16);
        b.MulAddBrightness(0, 0, 16, 16, c.mul, c.add);
        EXPECT_EQ(Pixels(a), Pixels(b)) << c.name;
    }
    // Alpha 0 leaves the pixel; mapW limits the width.
    CSprite s = Filled(3, 1, Rgb(100, 50, 25));
    const CSprite map = Painted(3, 1, [](int32_t x, int32_t) { return x == 0 ? 0x00000000u : 0xFF000000u; });
    s.MulAddBrightnessBitmap(0, 0, 3, 1, map, 0, 0, 2, 1);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{Rgb(100, 50, 25), Rgb(0, 0, 0), Rgb(100, 50, 25)}));
}

// The source members against the in-place member on a copy of the source.
TEST_F(BrightnessTest, SourceMembersEqualInPlaceOnCopy) {
    std::mt19937 rng(17);
    CSprite src, dst;
    raster_test::MakeRandom(src, 11, 6, rng);
    raster_test::MakeRandom(dst, 11, 6, rng);
    struct Terms {
        uint32_t map;
        int32_t mul, add;
    };
    const Terms terms[] = {{0xFF804000u, 65536, 0}, {0xFF60A000u, 163840, -64 << 16}, {0xFFC01000u, 16384, 128 << 16}};
    for (const Terms& t : terms) {
        const CSprite map = Filled(11, 6, t.map);
        CSprite expected = Painted(11, 6, [&](int32_t x, int32_t y) { return *src.PixelAt(x, y); });
        expected.MulAddBrightness(0, 0, 11, 6, t.mul, t.add);
        for (int member = 0; member < 4; ++member) {
            CSprite got = Painted(11, 6, [&](int32_t x, int32_t y) { return *dst.PixelAt(x, y); });
            switch (member) {
            case 0: got.DrawMulAddBrightness(0, 0, src, 0, 0, 11, 6, t.mul, t.add); break;
            case 1: got.DrawMulAddBrightnessMap(0, 0, src, 0, 0, 11, 6, map, 0, 0, 11, 6); break;
            case 2: got.DrawMulAddBrightnessC(0, 0, src, 0, 0, 11, 6, t.mul, t.add); break;
            case 3: got.DrawMulAddBrightnessCMap(0, 0, src, 0, 0, 11, 6, map, 0, 0, 11, 6); break;
            }
            const bool colourOnly = member >= 2;
            for (int32_t y = 0; y < 6; ++y)
                for (int32_t x = 0; x < 11; ++x) {
                    uint32_t want = *expected.PixelAt(x, y);
                    if (colourOnly) want = (want & 0xFFFFFFu) | (*dst.PixelAt(x, y) & 0xFF000000u);
                    ASSERT_EQ(*got.PixelAt(x, y), want) << "member " << member;
                }
        }
    }
}

// Map alpha 0 in the source members copies the source pixel, or its colour
// under the destination's alpha.
TEST_F(BrightnessTest, SourceMapAlphaZeroCopies) {
    const CSprite src = Filled(2, 1, 0x40646432u);
    const CSprite map = Painted(2, 1, [](int32_t x, int32_t) { return x == 0 ? 0x00000000u : 0xFF000000u; });
    CSprite full = Filled(2, 1, 0x99123456u);
    full.DrawMulAddBrightnessMap(0, 0, src, 0, 0, 2, 1, map, 0, 0, 2, 1);
    EXPECT_EQ(Pixels(full), (std::vector<uint32_t>{0x40646432u, 0x40000000u}));
    CSprite colour = Filled(2, 1, 0x99123456u);
    colour.DrawMulAddBrightnessCMap(0, 0, src, 0, 0, 2, 1, map, 0, 0, 2, 1);
    EXPECT_EQ(Pixels(colour), (std::vector<uint32_t>{0x99646432u, 0x99000000u}));
}

// Three rectangles clipping on different sides stay paired.
TEST_F(BrightnessTest, SourceMapClippingKeepsPairs) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int32_t> pos(-4, 6), size(0, 9);
    for (int trial = 0; trial < 300; ++trial) {
        CSprite dst, src, map;
        raster_test::MakeRandom(dst, 8, 7, rng);
        raster_test::MakeRandom(src, 5, 6, rng);
        raster_test::MakeRandom(map, 6, 5, rng);
        dst.SetClipRect(2, 1, 6, 7);
        const std::vector<uint32_t> before = Pixels(dst);
        const int32_t dx = pos(rng), dy = pos(rng), sx = pos(rng), sy = pos(rng), mx = pos(rng), my = pos(rng);
        const int32_t w = size(rng), h = size(rng), mapW = size(rng), mapH = size(rng);
        dst.DrawMulAddBrightnessCMap(dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t i = x - dx, j = y - dy;
                const bool inside = x >= 2 && x < 6 && y >= 1 && y < 7 && i >= 0 && j >= 0 && i < w && j < h &&
                                    i < mapW && j < mapH && sx + i >= 0 && sx + i < 5 && sy + j >= 0 &&
                                    sy + j < 6 && mx + i >= 0 && mx + i < 6 && my + j >= 0 && my + j < 5;
                uint32_t want = before[static_cast<size_t>(y) * 8 + x];
                if (inside) {
                    CSprite one = Filled(1, 1, want);
                    const CSprite s1 = Filled(1, 1, *src.PixelAt(sx + i, sy + j));
                    const CSprite m1 = Filled(1, 1, *map.PixelAt(mx + i, my + j));
                    one.DrawMulAddBrightnessCMap(0, 0, s1, 0, 0, 1, 1, m1, 0, 0, 1, 1);
                    want = *one.PixelAt(0, 0);
                }
                ASSERT_EQ(*dst.PixelAt(x, y), want) << trial << " at " << x << "," << y;
            }
    }
}

}  // namespace
