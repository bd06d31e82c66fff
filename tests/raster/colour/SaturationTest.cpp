// Saturation scaling: worked pixels for every grey definition, weights and
// clamps; map pixels decoded into factors (both sign conventions); every map
// member against its immediate twin under a constant map; every source member
// against its in-place twin on a copy; the three-rectangle clipping; and
// factors far outside 32-bit products.
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

class SaturationTest : public raster_test::ReadyLibraryTest {};

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return 0x5A000000u | r << 16 | g << 8 | b; }

uint32_t InPlace(uint32_t p, int32_t k, uint32_t grey) {
    CSprite s = Filled(1, 1, p);
    s.MulSaturationByGrey(0, 0, 1, 1, k, grey);
    return *s.PixelAt(0, 0);
}
uint32_t InPlaceWeighted(uint32_t p, int32_t k, int32_t wR, int32_t wG, int32_t wB, uint32_t grey) {
    CSprite s = Filled(1, 1, p);
    s.MulSaturation(0, 0, 1, 1, k, wR, wG, wB, grey);
    return *s.PixelAt(0, 0);
}

TEST_F(SaturationTest, WorkedPixels) {
    struct Case {
        const char* name;
        uint32_t pixel;
        int32_t k;
        int32_t wR, wG, wB;  // 0, 0, 0: the unweighted selector
        uint32_t grey;
        uint32_t expected;
    };
    const Case cases[] = {
        {"k 0 mid", Rgb(200, 100, 50), 0, 0, 0, 0, 2, Rgb(125, 125, 125)},
        {"k 0 max", Rgb(200, 100, 50), 0, 0, 0, 0, 1, Rgb(200, 200, 200)},
        {"k 0 mean folds 21856", Rgb(200, 100, 50), 0, 0, 0, 0, 0, Rgb(116, 116, 116)},
        {"k 0 luma", Rgb(200, 100, 50), 0, 0, 0, 0, 3, Rgb(124, 124, 124)},
        {"k 2 mid clamps both ends", Rgb(200, 100, 50), 131072, 0, 0, 0, 2, Rgb(255, 75, 0)},
        {"k -1 mirrors around mid", Rgb(200, 100, 50), -65536, 0, 0, 0, 2, Rgb(50, 150, 200)},
        {"alpha 0 processed, kept", 0x00C86432u, 0, 0, 0, 0, 1, 0x00C8C8C8u},
        {"weighted mean grey is 99", Rgb(100, 100, 100), 0, 256, 256, 128, 0, Rgb(99, 99, 99)},
        {"weight 0 keeps the channel", Rgb(200, 100, 50), 0, 0, 256, 256, 2, Rgb(200, 125, 125)},
        // All weights 1.0: k is used unclamped (20.0): green 105 - 20 x 5 = 5.
        {"unit weights keep k 20", Rgb(105, 100, 100), 1310720, 256, 256, 256, 1, Rgb(105, 5, 5)},
        // One weight off 1.0: k is clamped to 10.0 first (105 - 10 x 5 = 55).
        {"k 20 clamps to 10", Rgb(105, 100, 100), 1310720, 256, 256, 255, 1, Rgb(105, 55, 55)},
        // Blue's factor there is 653056, not 655360: 7 x 653056 >> 16 = 69 (70 with 10.0).
        {"weight 255 factor 653056", Rgb(0, 0, 7), 1310720, 256, 256, 255, 3, Rgb(0, 0, 69)},
        {"grey code 4 does nothing", Rgb(200, 100, 50), 0, 0, 0, 0, 4, Rgb(200, 100, 50)},
    };
    for (const Case& c : cases) {
        const bool weighted = c.wR != 0 || c.wG != 0 || c.wB != 0;
        const uint32_t got = weighted ? InPlaceWeighted(c.pixel, c.k, c.wR, c.wG, c.wB, c.grey)
                                      : InPlace(c.pixel, c.k, c.grey);
        EXPECT_EQ(got, c.expected) << c.name << std::hex << " got 0x" << got;
    }
    // Weights beyond +-10.0 act as +-10.0 (and 10.0 differs from 9.0).
    const uint32_t p = Rgb(160, 128, 128);
    EXPECT_EQ(InPlaceWeighted(p, 70000, 5000, 256, 256, 2), InPlaceWeighted(p, 70000, 2560, 256, 256, 2));
    EXPECT_EQ(InPlaceWeighted(p, 70000, -5000, 256, 256, 2), InPlaceWeighted(p, 70000, -2560, 256, 256, 2));
    EXPECT_NE(InPlaceWeighted(p, 70000, 2304, 256, 256, 2), InPlaceWeighted(p, 70000, 2560, 256, 256, 2));
}

// k = 1.0 is the identity for every grey definition, weighted or not; and the
// grey definition of a mean-grey pixel never moves.
TEST_F(SaturationTest, UnitFactorIsIdentity) {
    std::mt19937 rng(11);
    CSprite s;
    raster_test::MakeRandom(s, 17, 9, rng);
    const std::vector<uint32_t> before = Pixels(s);
    for (uint32_t grey = 0; grey < 4; ++grey) {
        s.MulSaturationByGrey(0, 0, 17, 9, 65536, grey);
        EXPECT_EQ(Pixels(s), before) << grey;
        s.MulSaturation(0, 0, 17, 9, 65536, 77, -300, 2560, grey);
        EXPECT_EQ(Pixels(s), before) << grey;
    }
}

// A map pixel's factor: the in-place map kernels read bit 23 set as positive.
TEST_F(SaturationTest, MapPixelFactors) {
    struct Case {
        const char* name;
        uint32_t map;
        int32_t k;  // the immediate factor it stands for
    };
    const Case cases[] = {
        {"1.0", 0xFF804000u, 65536},          {"0", 0xFF800000u, 0},
        {"2.0", 0xFF808000u, 131072},         {"-1.0", 0xFF004000u, -65536},
        {"alpha 128, 0 -> 32512", 0x80800000u, 32512},
        {"alpha 1, -max", 0x0100FFFFu, ((-262140 - 65536) * 1 + 16777216) / 256},
        {"alpha 200, -max (negative A)", 0xC8000000u + 0xFFFF, ((-262140 - 65536) * 201 + 16777216) / 256},
    };
    std::mt19937 rng(5);
    CSprite pixels;
    raster_test::MakeRandom(pixels, 16, 16, rng);
    for (const Case& c : cases) {
        for (uint32_t grey = 0; grey < 5; ++grey) {
            CSprite a = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
            CSprite b = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
            const CSprite map = Filled(16, 16, c.map);
            a.MulSaturationMapByGrey(0, 0, 16, 16, map, 0, 0, 16, 16, grey);
            b.MulSaturationByGrey(0, 0, 16, 16, c.k, grey);
            EXPECT_EQ(Pixels(a), Pixels(b)) << c.name << " grey " << grey;
            // Weighted, with the map's factor in place of k (not clamped).
            a = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
            b = Painted(16, 16, [&](int32_t x, int32_t y) { return *pixels.PixelAt(x, y); });
            a.MulSaturationBitmap(0, 0, 16, 16, map, 0, 0, 16, 16, 300, 0, -128, grey);
            b.MulSaturation(0, 0, 16, 16, c.k, 300, 0, -128, grey);
            EXPECT_EQ(Pixels(a), Pixels(b)) << c.name << " weighted grey " << grey;
        }
    }
}

// Map alpha 0 leaves the pixel whatever the other bytes; mapW limits the width.
TEST_F(SaturationTest, MapAlphaZeroAndMapSize) {
    CSprite s = Filled(4, 1, Rgb(200, 100, 50));
    CSprite map = Painted(4, 1, [](int32_t x, int32_t) { return x == 1 ? 0x00800000u : 0xFF800000u; });
    s.MulSaturationBitmap(0, 0, 4, 1, map, 0, 0, 3, 1, 256, 256, 256, 2);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{Rgb(125, 125, 125), Rgb(200, 100, 50), Rgb(125, 125, 125),
                                                Rgb(200, 100, 50)}));
}

// Factors whose 32-bit products would wrap end on 0 or 255 by the sign of the
// true value (above the grey: 255 for a huge positive factor, 0 for a huge
// negative one; the grey channel itself stays).
TEST_F(SaturationTest, HugeFactorsSaturate) {
    for (uint32_t grey = 0; grey < 4; ++grey) {
        const uint32_t up = InPlace(Rgb(255, 128, 0), INT32_MAX, grey);
        const uint32_t down = InPlace(Rgb(255, 128, 0), INT32_MIN, grey);
        if (grey != 1) {  // with the max grey, red is the grey
            EXPECT_EQ(up >> 16 & 0xFF, 255u) << grey;
            EXPECT_EQ(down >> 16 & 0xFF, 0u) << grey;
        }
        EXPECT_EQ(up & 0xFF, 0u) << grey;
        EXPECT_EQ(down & 0xFF, 255u) << grey;
    }
}

// The source members, as a table: each against its in-place twin on a copy
// of the source (full: the whole pixel; C: the colour under the destination's
// alpha). The source map members read bit 23 set as negative.
TEST_F(SaturationTest, SourceMembersEqualInPlaceOnCopy) {
    std::mt19937 rng(23);
    CSprite src, dst;
    raster_test::MakeRandom(src, 12, 7, rng);
    raster_test::MakeRandom(dst, 12, 7, rng);
    const int32_t factors[] = {0, 65536, -65536, 100000, 655360 + 4, -40000};
    for (uint32_t grey = 0; grey < 4; ++grey) {
        for (const int32_t k : factors) {
            // Map pixel standing for k in the source members' sign convention (k is a multiple of 4 here).
            const uint32_t mag = static_cast<uint32_t>(k < 0 ? -k : k) / 4;
            const uint32_t mapPixel = 0xFF000000u | (k < 0 ? 0x800000u : 0u) | (mag & 0xFFFF);
            const bool mapFits = mag <= 0xFFFF;
            const CSprite map = Filled(12, 7, mapPixel);
            for (const bool colourOnly : {false, true}) {
                for (const int form : {0, 1, 2, 3}) {  // immediate, weighted, map, map weighted
                    if (form >= 2 && !mapFits) continue;
                    CSprite expected = Painted(12, 7, [&](int32_t x, int32_t y) { return *src.PixelAt(x, y); });
                    if (form % 2 == 0) expected.MulSaturationByGrey(0, 0, 12, 7, k, grey);
                    else expected.MulSaturation(0, 0, 12, 7, k, 512, 256, -77, grey);
                    CSprite got = Painted(12, 7, [&](int32_t x, int32_t y) { return *dst.PixelAt(x, y); });
                    switch (form + (colourOnly ? 4 : 0)) {
                    case 0: got.DrawMulSaturationByGrey(0, 0, src, 0, 0, 12, 7, k, grey); break;
                    case 1: got.DrawMulSaturationWeightedByGrey(0, 0, src, 0, 0, 12, 7, k, 512, 256, -77, grey); break;
                    case 2: got.DrawMulSaturationMapByGrey(0, 0, src, 0, 0, 12, 7, map, 0, 0, 12, 7, grey); break;
                    case 3:
                        got.DrawMulSaturationMapWeightedByGrey(0, 0, src, 0, 0, 12, 7, map, 0, 0, 12, 7, 512, 256,
                                                               -77, grey);
                        break;
                    case 4: got.DrawMulSaturationCByGrey(0, 0, src, 0, 0, 12, 7, k, grey); break;
                    case 5: got.DrawMulSaturationCWeightedByGrey(0, 0, src, 0, 0, 12, 7, k, 512, 256, -77, grey); break;
                    case 6: got.DrawMulSaturationCMapByGrey(0, 0, src, 0, 0, 12, 7, map, 0, 0, 12, 7, grey); break;
                    case 7:
                        got.DrawMulSaturationCMapWeightedByGrey(0, 0, src, 0, 0, 12, 7, map, 0, 0, 12, 7, 512, 256,
                                                                -77, grey);
                        break;
                    }
                    for (int32_t y = 0; y < 7; ++y)
                        for (int32_t x = 0; x < 12; ++x) {
                            uint32_t want = *expected.PixelAt(x, y);
                            if (colourOnly) want = (want & 0xFFFFFFu) | (*dst.PixelAt(x, y) & 0xFF000000u);
                            ASSERT_EQ(*got.PixelAt(x, y), want)
                                << "grey " << grey << " k " << k << " form " << form << " C " << colourOnly;
                        }
                }
            }
        }
    }
}

// Source map members: 0xFF004000 copies the source, 0xFF804000 mirrors it;
// map alpha 0 copies the source pixel (or its colour under the destination
// alpha) whatever the rest of the map pixel says.
TEST_F(SaturationTest, SourceMapSignAndAlphaZero) {
    const CSprite src = Filled(3, 1, 0x40C86432u);
    const CSprite map = Painted(3, 1, [](int32_t x, int32_t) {
        const uint32_t m[] = {0xFF004000u, 0xFF804000u, 0x00808000u};
        return m[x];
    });
    CSprite full = Filled(3, 1, 0x99000000u);
    full.DrawMulSaturationMapByGrey(0, 0, src, 0, 0, 3, 1, map, 0, 0, 3, 1, 2);
    EXPECT_EQ(Pixels(full), (std::vector<uint32_t>{0x40C86432u, 0x403296C8u, 0x40C86432u}));
    CSprite colour = Filled(3, 1, 0x99000000u);
    colour.DrawMulSaturationCMapByGrey(0, 0, src, 0, 0, 3, 1, map, 0, 0, 3, 1, 2);
    EXPECT_EQ(Pixels(colour), (std::vector<uint32_t>{0x99C86432u, 0x993296C8u, 0x99C86432u}));
}

// Three rectangles that clip on different sides: every destination pixel
// inside the clip whose source and map pixels (at the same offset) exist is
// the one-pixel result of those two; every other pixel is untouched.
TEST_F(SaturationTest, SourceMapClippingKeepsPairs) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int32_t> pos(-4, 6), size(0, 9);
    for (int trial = 0; trial < 300; ++trial) {
        CSprite dst, src, map;
        raster_test::MakeRandom(dst, 8, 7, rng);
        raster_test::MakeRandom(src, 6, 5, rng);
        raster_test::MakeRandom(map, 5, 6, rng);
        dst.SetClipRect(1, 2, 7, 6);
        const std::vector<uint32_t> before = Pixels(dst);
        const int32_t dx = pos(rng), dy = pos(rng), sx = pos(rng), sy = pos(rng), mx = pos(rng), my = pos(rng);
        const int32_t w = size(rng), h = size(rng), mapW = size(rng), mapH = size(rng);
        dst.DrawMulSaturationMapWeightedByGrey(dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH, 300, 256, 0, 3);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t i = x - dx, j = y - dy;
                const bool inside = x >= 1 && x < 7 && y >= 2 && y < 6 && i >= 0 && j >= 0 && i < w && j < h &&
                                    i < mapW && j < mapH && sx + i >= 0 && sx + i < 6 && sy + j >= 0 &&
                                    sy + j < 5 && mx + i >= 0 && mx + i < 5 && my + j >= 0 && my + j < 6;
                uint32_t want = before[static_cast<size_t>(y) * 8 + x];
                if (inside) {
                    CSprite one = Filled(1, 1, want);
                    const CSprite s1 = Filled(1, 1, *src.PixelAt(sx + i, sy + j));
                    const CSprite m1 = Filled(1, 1, *map.PixelAt(mx + i, my + j));
                    one.DrawMulSaturationMapWeightedByGrey(0, 0, s1, 0, 0, 1, 1, m1, 0, 0, 1, 1, 300, 256, 0, 3);
                    want = *one.PixelAt(0, 0);
                }
                ASSERT_EQ(*dst.PixelAt(x, y), want) << trial << " at " << x << "," << y;
            }
    }
}

}  // namespace
