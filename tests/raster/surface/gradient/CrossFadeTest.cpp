// Cross-fades: the two-picture mix against the per-channel rule, the one- and
// no-source forms, and the scaled form's sizes, centring and sampling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class CrossFadeTest : public raster_test::ReadyLibraryTest {};

using raster_test::Fill;
using raster_test::FillRandom;
using raster_test::Make;
using raster_test::MakeRandom;
using raster_test::Pixels;

uint32_t Channel(uint32_t p, int i) { return (p >> (8 * i)) & 0xFF; }

// mix(p1, p2, k) written channel by channel, the one-visible cases through the
// product with the 24-bit word (A, R, G) as the rule states it.
uint32_t ExpectedMix(uint32_t p1, uint32_t p2, uint32_t k) {
    const bool v1 = (p1 >> 24) != 0, v2 = (p2 >> 24) != 0;
    if (v1 && v2) {
        uint32_t out = 0;
        for (int i = 0; i < 4; ++i) out |= ((Channel(p1, i) * (256 - k) + Channel(p2, i) * k) >> 8) << (8 * i);
        return out;
    }
    auto scaled = [](uint32_t p, uint64_t weight) {
        const uint64_t agr = uint64_t{Channel(p, 3)} * 65536 + Channel(p, 2) * 256 + Channel(p, 1);
        return (p & 0x00FFFFFFu) | static_cast<uint32_t>((agr * weight) >> 24) << 24;
    };
    if (v1) return scaled(p1, 256 - k);
    if (v2) return scaled(p2, k);
    return 0;
}

// Every weight 0..255 over random pixel pairs: each destination pixel is
// mix(first, second, k), the old destination value gone.
TEST_F(CrossFadeTest, MixMatchesPerChannelRuleOnRandomPairs) {
    std::mt19937 rng(1);
    CSprite a, b, d;
    MakeRandom(a, 64, 16, rng);
    MakeRandom(b, 64, 16, rng);
    Make(d, 64, 16);
    for (uint32_t k = 0; k < 256; ++k) {
        FillRandom(d, rng);
        d.CrossFade(0, 0, a, 0, 0, b, 0, 0, 64, 16, static_cast<uint16_t>(k));
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 64; ++x)
                ASSERT_EQ(*d.PixelAt(x, y), ExpectedMix(*a.PixelAt(x, y), *b.PixelAt(x, y), k))
                    << "k " << k << " at " << x << "," << y << " of " << std::hex << *a.PixelAt(x, y) << " "
                    << *b.PixelAt(x, y);
    }
}

// k = 0 keeps the first picture where it is visible and gives alpha 0 (the
// second's colour) where only the second is; k = 256, and any k above it,
// copies the second picture exactly.
TEST_F(CrossFadeTest, EndWeights) {
    std::mt19937 rng(2);
    CSprite a, b, d;
    MakeRandom(a, 32, 8, rng);
    MakeRandom(b, 32, 8, rng);
    Make(d, 32, 8);
    d.CrossFade(0, 0, a, 0, 0, b, 0, 0, 32, 8, 0);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            const uint32_t p1 = *a.PixelAt(x, y), p2 = *b.PixelAt(x, y);
            const uint32_t want = (p1 >> 24) != 0 ? p1 : (p2 & 0x00FFFFFFu) * ((p2 >> 24) != 0);
            EXPECT_EQ(*d.PixelAt(x, y), want) << x << "," << y;
        }
    }
    for (uint16_t k : {uint16_t{256}, uint16_t{257}, uint16_t{1000}, uint16_t{65535}}) {
        FillRandom(d, rng);
        d.CrossFade(0, 0, a, 0, 0, b, 0, 0, 32, 8, k);
        EXPECT_EQ(Pixels(d), Pixels(b)) << "k " << k;
    }
}

// Without pixels on one side the other is drawn with DrawCopyScaledAlpha by its
// own weight; with none at all the rectangle becomes 0 (only the rectangle).
TEST_F(CrossFadeTest, MissingSources) {
    std::mt19937 rng(3);
    CSprite a, none, d, want;
    MakeRandom(a, 10, 10, rng);
    Make(d, 12, 12);
    Make(want, 12, 12);
    struct Case {
        const char* name;
        bool firstMissing, secondMissing;
        uint16_t k;
    };
    const Case cases[] = {{"only first", false, true, 100},
                          {"only second", true, false, 100},
                          {"only second, k 0", true, false, 0},
                          {"neither", true, true, 40},
                          {"neither, k 256", true, true, 256}};
    for (const Case& c : cases) {
        Fill(d, 0x80112233u);
        Fill(want, 0x80112233u);
        const CSprite& first = c.firstMissing ? none : a;
        const CSprite& second = c.secondMissing ? none : a;
        d.CrossFade(2, 1, first, 1, 2, second, 1, 2, 8, 7, c.k);
        if (c.firstMissing && c.secondMissing) want.FillRect(2, 1, 8, 7, 0);
        else if (c.firstMissing) want.DrawCopyScaledAlpha(2, 1, a, 1, 2, 8, 7, c.k);
        else want.DrawCopyScaledAlpha(2, 1, a, 1, 2, 8, 7, 256 - c.k);
        EXPECT_EQ(Pixels(d), Pixels(want)) << c.name;
    }
}

// Both sources: the rectangle is cut by the first source, then by the second;
// a shift the second cut makes moves the destination and the second source
// only. Pixels outside the cut rectangle keep their value.
TEST_F(CrossFadeTest, ClipsAgainstBothSources) {
    CSprite a, b, d;
    Make(a, 6, 6);
    Make(b, 5, 5);
    Make(d, 10, 10);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) *a.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 4 | x);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 5; ++x) *b.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 20 | x << 16);
    const uint32_t old = 0x12345678u;
    Fill(d, old);
    // First source from (2, 0): 4 x 6 left. Second from (-1, 1): the second cut
    // moves the destination right by 1 and leaves 4 - 1 columns, 4 rows.
    d.CrossFade(3, 2, a, 2, 0, b, -1, 1, 8, 8, 128);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            const bool inside = x >= 4 && x < 7 && y >= 2 && y < 6;
            if (!inside) {
                EXPECT_EQ(*d.PixelAt(x, y), old) << x << "," << y;
                continue;
            }
            const int32_t i = x - 4, j = y - 2;
            const uint32_t p1 = *a.PixelAt(2 + i, j);
            const uint32_t p2 = *b.PixelAt(i, 1 + j);
            EXPECT_EQ(*d.PixelAt(x, y), ExpectedMix(p1, p2, 128)) << x << "," << y;
        }
    }
}

// The scaled form at one half: a 100 x 50 source in a 100 x 100 rectangle is a
// 50 x 25 picture at (25, 37), sampled every second pixel; with k = 256 the
// rest of the rectangle is 0 and hidden source pixels give 0.
TEST_F(CrossFadeTest, ScaledHalfIsCentred) {
    std::mt19937 rng(4);
    CSprite src, other, d;
    MakeRandom(src, 100, 50, rng);
    MakeRandom(other, 4, 4, rng);
    Make(d, 110, 104);
    for (uint16_t k : {uint16_t{256}, uint16_t{300}}) {  // a weight above 256 acts as 256
        Fill(d, 0x5A5A5A5Au);
        d.CrossFadeScaled(5, 2, 100, 100, other, 0, 0, 4, 4, 0x10000, src, 0, 0, 100, 50, 0x8000, k);
        for (int32_t y = 0; y < 104; ++y) {
            for (int32_t x = 0; x < 110; ++x) {
                const int32_t i = x - 5, j = y - 2;
                uint32_t want = 0x5A5A5A5Au;
                if (i >= 0 && i < 100 && j >= 0 && j < 100) {
                    want = 0;
                    if (i >= 25 && i < 75 && j >= 37 && j < 62) {
                        const uint32_t p = *src.PixelAt(2 * (i - 25), 2 * (j - 37));
                        want = (p >> 24) != 0 ? p : 0;
                    }
                }
                ASSERT_EQ(*d.PixelAt(x, y), want) << "k " << k << " at " << x << "," << y;
            }
        }
    }
}

// Sizes, offsets and sampling of the scaled form, with k < 256 so both pictures
// count (each is "not visible" outside its area). Expected samples come from
// the closed form floor(n x step / 32768), limited to the clipped source.
TEST_F(CrossFadeTest, ScaledSizesOffsetsAndSampling) {
    std::mt19937 rng(5);
    struct Case {
        const char* name;
        int32_t srcW, srcH;
        uint32_t scale;
        int32_t W, H;
        int32_t picW, picH, left, top;
    };
    const Case cases[] = {
        {"one half", 100, 50, 0x8000, 100, 100, 50, 25, 25, 37},
        {"1.5, larger than the rectangle", 30, 20, 0x18000, 40, 24, 40, 24, 0, 0},  // 45 x 30 shows top-left
        {"identity", 12, 9, 0x10000, 20, 15, 12, 9, 4, 3},
        {"scale 0: no picture", 12, 9, 0, 20, 15, 0, 0, 0, 0},
        {"above 10: fills the rectangle", 3, 2, 0xA0001, 40, 30, 40, 30, 0, 0},
        {"10 exactly", 3, 2, 0xA0000, 40, 30, 30, 20, 5, 5},
    };
    for (const Case& c : cases) {
        CSprite a, b, d;
        MakeRandom(a, c.W, c.H, rng);
        MakeRandom(b, c.srcW, c.srcH, rng);
        Make(d, c.W, c.H);
        d.CrossFadeScaled(0, 0, c.W, c.H, a, 0, 0, c.W, c.H, 0x10000, b, 0, 0, c.srcW, c.srcH, c.scale, 96);
        const uint64_t step = c.scale == 0 ? 0 : 0x80000000u / c.scale;
        for (int32_t y = 0; y < c.H; ++y) {
            for (int32_t x = 0; x < c.W; ++x) {
                uint32_t q2 = 0;
                if (x >= c.left && x < c.left + c.picW && y >= c.top && y < c.top + c.picH) {
                    const uint64_t sxi = std::min<uint64_t>((x - c.left) * step / 32768, c.srcW - 1);
                    const uint64_t syi = std::min<uint64_t>((y - c.top) * step / 32768, c.srcH - 1);
                    q2 = *b.PixelAt(static_cast<int32_t>(sxi), static_cast<int32_t>(syi));
                }
                ASSERT_EQ(*d.PixelAt(x, y), ExpectedMix(*a.PixelAt(x, y), q2, 96)) << c.name << " " << x << "," << y;
            }
        }
    }
}

// Clipping of the scaled form: the destination rectangle by the destination's
// clip rectangle (centring within what is left), each source rectangle by its
// own sprite; an empty source rectangle is no picture at all.
TEST_F(CrossFadeTest, ScaledClipping) {
    std::mt19937 rng(6);
    CSprite a, d;
    MakeRandom(a, 8, 8, rng);
    Make(d, 20, 20);
    d.SetClipRect(0, 0, 20, 20);
    Fill(d, 0x77777777u);
    // Rectangle (-4, 0, 16, 10) keeps 12 x 10 at (0, 0); the source rectangle
    // (-2, -2, 6, 6) keeps 4 x 4 at (0, 0); identity scale centres it at (4, 3).
    d.CrossFadeScaled(-4, 0, 16, 10, a, 0, 0, 0, 0, 0x10000, a, -2, -2, 6, 6, 0x10000, 256);
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            uint32_t want = 0x77777777u;
            if (x < 12 && y < 10) {
                want = 0;
                if (x >= 4 && x < 8 && y >= 3 && y < 7) {
                    const uint32_t p = *a.PixelAt(x - 4, y - 3);
                    want = (p >> 24) != 0 ? p : 0;
                }
            }
            ASSERT_EQ(*d.PixelAt(x, y), want) << x << "," << y;
        }
    }
    // A source rectangle entirely outside its sprite, even at a scale above
    // 10.0, is no picture: the rectangle becomes 0.
    Fill(d, 0x77777777u);
    d.CrossFadeScaled(0, 0, 5, 5, a, 0, 0, 0, 0, 0x10000, a, 30, 30, 4, 4, 0xFFFFFFFFu, 256);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(*d.PixelAt(x, y), 0u) << x << "," << y;
    EXPECT_EQ(*d.PixelAt(5, 0), 0x77777777u);
}

}  // namespace
