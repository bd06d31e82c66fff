// Mask transitions: the weight of the second picture per mask pixel and
// progress, worked by hand for both layouts; the progress position; hidden
// mask pixels; the reveal forms; tiling; and the opacity forms against a
// reference built from the full form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/filter/Easing.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class MaskTransitionTest : public raster_test::ReadyLibraryTest {};

using raster_test::CopyPixels;
using raster_test::Fill;
using raster_test::FillRandom;
using raster_test::LayOver;
using raster_test::Make;
using raster_test::MakeRandom;
using raster_test::Pixels;

// Both opaque: the mixed pixel, channel by channel.
uint32_t OpaqueMix(uint32_t p1, uint32_t p2, uint32_t s) {
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8)
        out |= ((((p1 >> i) & 0xFF) * (256 - s) + ((p2 >> i) & 0xFF) * s) >> 8) << i;
    return out;
}

// Black to white: every weight S in 1..255 gives its own grey (S - 1), so a
// weight that is off by one shows.
constexpr uint32_t kFirst = 0xFF000000u;
constexpr uint32_t kSecond = 0xFFFFFFFFu;

// The pixel a weight S of the second picture gives: 0 shows the first picture,
// 256 and above the second, and so does a negative S (read unsigned, it is
// above 256); anything between mixes them.
uint32_t PixelAtWeight(int32_t s) {
    if (s == 0) return kFirst;
    return static_cast<uint32_t>(s) >= 256 ? kSecond : OpaqueMix(kFirst, kSecond, static_cast<uint32_t>(s));
}

// One pixel of MaskTransition (three thresholds) or MaskTransitionLevel with
// opaque pictures, total 255 so that p = progress.
uint32_t RunOne(bool level, uint32_t maskPixel, int32_t p, int32_t lo = 0, int32_t hi = 256, uint32_t c1 = 0,
                uint32_t c2 = 0) {
    CSprite a, b, m, d;
    a.Create(1, 1, false);
    b.Create(1, 1, false);
    m.Create(1, 1, false);
    d.Create(1, 1, false);
    *a.PixelAt(0, 0) = kFirst;
    *b.PixelAt(0, 0) = kSecond;
    *m.PixelAt(0, 0) = maskPixel;
    if (level) d.MaskTransitionLevel(0, 0, 1, 1, a, 0, 0, b, 0, 0, m, 0, 0, 1, 1, p, 255, lo, hi, c1, c2);
    else d.MaskTransition(0, 0, 1, 1, a, 0, 0, b, 0, 0, m, 0, 0, 1, 1, p, 255, lo, hi, c1, c2);
    return *d.PixelAt(0, 0);
}

// Mask (b, g, r) = (64, 128, 192), weights 0..256, linear curves: the first
// picture up to p = 64, the second from 192, S = 64 at 96 (index 128 of the
// halved first table), 128 at 128, 130 at 129 (256 - (256 - 4) / 2), 192 at
// 160 (256 - the halved second table).
TEST_F(MaskTransitionTest, ThreeThresholdWeights) {
    const uint32_t mask = 0xFFC08040u;
    struct Case {
        int32_t p;
        int32_t s;
    };
    const Case cases[] = {{0, 0},     {64, 0},     {65, 2},     {96, 64},    {100, 72}, {128, 128},
                          {129, 130}, {160, 192},  {191, 254},  {192, 256},  {255, 256}};
    for (const Case& c : cases) {
        EXPECT_EQ(RunOne(false, mask, c.p), PixelAtWeight(c.s)) << "p " << c.p;
    }
}

// Level layout worked by hand: start b = 50, middle r = 150, end a = 250, level
// g = 200 (201 in use as it is at least 128).
//   p = 100: index (50 x ceil(2^23 / 100)) >> 15 = 128, A = 128, S = 201 x 128 / 256 = 100
//   p = 150: index 256, A = 256, S = 201
//   p = 200: index 128, B = 256 - 128, S = 256 - 55 x 128 / 256 = 229
//   p = 240: index 230, B = 256 - 230, S = 256 - 55 x 26 / 256 = 251
TEST_F(MaskTransitionTest, LevelLayoutWorkedByHand) {
    const uint32_t mask = 0xFA96C832u;  // a 250, r 150, g 200, b 50
    struct Case {
        int32_t p;
        int32_t s;
    };
    const Case cases[] = {{50, 0}, {100, 100}, {150, 201}, {200, 229}, {240, 251}, {250, 256}};
    for (const Case& c : cases) {
        EXPECT_EQ(RunOne(true, mask, c.p), PixelAtWeight(c.s)) << "p " << c.p;
    }
    // A level below 128 is used as it is: g = 100, p = 100 gives 100 x 128 / 256 = 50.
    EXPECT_EQ(RunOne(true, 0xFA966432u, 100), OpaqueMix(kFirst, kSecond, 50));
}

// Weights outside the plain range: lo above hi runs backwards; a curve that
// swings below 0 gives a negative S, which shows the second picture.
TEST_F(MaskTransitionTest, ReversedAndOvershootingWeights) {
    // lo 256, hi 0 at p = 96: 256 + (-128 / 2) = 192.
    EXPECT_EQ(RunOne(false, 0xFFC08040u, 96, 256, 0), OpaqueMix(kFirst, kSecond, 192));
    // Weights are clamped to 0..256 first: -50 and 1000 act as 0 and 256.
    EXPECT_EQ(RunOne(false, 0xFFC08040u, 96, -50, 1000), OpaqueMix(kFirst, kSecond, 64));

    // Growing sine (type 256) over the mask (0, 255, 255): find a position whose
    // weight is negative, from the tables computed here.
    const uint32_t mask = 0xFFFFFF00u;
    int found = 0;
    for (int32_t p = 1; p < 255; ++p) {
        const uint32_t index = (static_cast<uint32_t>(p) * ReciprocalTable[255]) >> 15;
        const int32_t s = EaseValue(256, static_cast<int32_t>(std::min(index, 255u)), 255, 256) / 2;
        EXPECT_EQ(RunOne(false, mask, p, 0, 256, 256, 0), PixelAtWeight(s)) << "p " << p << " S " << s;
        found += s < 0;
    }
    EXPECT_GT(found, 0);
}

// The progress position, read off a row of step masks: mask pixel k switches at
// position k + 1 (start k, middle k, end k + 1), so the number of pixels that
// show the second picture is p.
TEST_F(MaskTransitionTest, ProgressPosition) {
    CSprite a, b, m, d;
    Make(a, 255, 1);
    Make(b, 255, 1);
    Make(m, 255, 1);
    Make(d, 255, 1);
    Fill(a, kFirst);
    Fill(b, kSecond);
    for (uint32_t k = 0; k < 255; ++k)
        *m.PixelAt(static_cast<int32_t>(k), 0) = 0xFF000000u | (k + 1) << 16 | k << 8 | k;
    struct Case {
        int32_t progress, total, p;
    };
    const Case cases[] = {
        {50, 100, 127},  {100, 100, 255}, {150, 100, 255}, {-5, 100, 0},   {0, 100, 0},
        {0, 0, 0},       {-3, -7, 0},     {5, 0, 255},     {5, -1, 255},   {1, 255, 1},
        {0x7FFFFFFF, 0x400000, 255},  // progress clamped to 0x400000
    };
    for (const Case& c : cases) {
        d.MaskTransition(0, 0, 255, 1, a, 0, 0, b, 0, 0, m, 0, 0, 255, 1, c.progress, c.total, 0, 256, 0, 0);
        int32_t second = 0;
        for (int32_t x = 0; x < 255; ++x) second += *d.PixelAt(x, 0) == kSecond;
        EXPECT_EQ(second, c.p) << c.progress << " of " << c.total;
    }
}

// A hidden mask pixel shows the first picture at any progress (both layouts);
// the reveal forms leave the destination there, and where the weight is 0.
TEST_F(MaskTransitionTest, HiddenMaskPixels) {
    std::mt19937 rng(9);
    CSprite a, b, m, base;
    MakeRandom(a, 16, 4, rng);
    MakeRandom(b, 16, 4, rng);
    Make(m, 16, 4);
    MakeRandom(base, 16, 4, rng);
    for (int32_t x = 0; x < 16; ++x)
        for (int32_t y = 0; y < 4; ++y) *m.PixelAt(x, y) = (x & 1) ? 0x00804020u : 0x00FFFFFFu;  // alpha 0
    for (int32_t progress : {0, 128, 255}) {
        CSprite d, want;
        CopyPixels(base, d);
        CopyPixels(base, want);
        d.MaskTransition(0, 0, 16, 4, a, 0, 0, b, 0, 0, m, 0, 0, 16, 4, progress, 255, 0, 256, 0, 0);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 16; ++x) {
                const uint32_t p1 = *a.PixelAt(x, y);
                uint32_t& w = *want.PixelAt(x, y);
                if ((p1 >> 24) == 255) w = p1;
                else if ((p1 >> 24) != 0) w = LayOver(w, p1, p1 >> 24);
            }
        EXPECT_EQ(Pixels(d), Pixels(want)) << "progress " << progress;
        CopyPixels(base, d);
        d.MaskTransitionLevel(0, 0, 16, 4, a, 0, 0, b, 0, 0, m, 0, 0, 16, 4, progress, 255, 0, 256, 0, 0);
        EXPECT_EQ(Pixels(d), Pixels(want)) << "level, progress " << progress;
        CopyPixels(base, d);
        d.MaskReveal(0, 0, 16, 4, b, 0, 0, m, 0, 0, 16, 4, progress, 255, 0, 256, 0, 0);
        EXPECT_EQ(Pixels(d), Pixels(base)) << "reveal, progress " << progress;
        d.MaskRevealLevel(0, 0, 16, 4, b, 0, 0, m, 0, 0, 16, 4, progress, 255, 0, 256, 0, 0);
        EXPECT_EQ(Pixels(d), Pixels(base)) << "reveal level, progress " << progress;
    }
}

// The reveal: weight 0 leaves the destination, a middle weight lays the
// source over it with its alpha scaled by S, 256 draws it unchanged.
TEST_F(MaskTransitionTest, RevealByWeight) {
    CSprite src, m, d;
    Make(src, 3, 1);
    Make(m, 1, 1);
    Make(d, 3, 1);
    *m.PixelAt(0, 0) = 0xFFC08040u;
    *src.PixelAt(0, 0) = 0xFFFFFFFFu;
    *src.PixelAt(1, 0) = 0x00FFFFFFu;  // hidden source pixel: never drawn
    *src.PixelAt(2, 0) = 0x80FFFFFFu;
    struct Case {
        int32_t p;
        uint32_t want0, want2;
    };
    // p = 128 (S = 128) over opaque black: alpha ((0xFFFFFF x 128) >> 24) = 127,
    // U[127][255]: alpha 255, weight 127, colour 255 x 127 >> 8 = 126.
    // The half-transparent pixel: alpha (0x80FFFF x 128) >> 24 = 64 -> U[64][255].
    const uint32_t e64 = AlphaUnionTable[64 * 256 + 255];
    const uint32_t c64 = (255 * ((e64 >> 8) + 1)) >> 8;
    const Case cases[] = {
        {10, 0xFF000000u, 0xFF000000u},
        {128, 0xFF7E7E7Eu, ((e64 & 0xFF) << 24) | c64 * 0x010101u},
        {200, 0xFFFFFFFFu, LayOver(0xFF000000u, 0x80FFFFFFu, 0x80)},
    };
    for (const Case& c : cases) {
        Fill(d, 0xFF000000u);
        d.MaskReveal(0, 0, 3, 1, src, 0, 0, m, 0, 0, 1, 1, c.p, 255, 0, 256, 0, 0);
        EXPECT_EQ(*d.PixelAt(0, 0), c.want0) << "p " << c.p;
        EXPECT_EQ(*d.PixelAt(1, 0), 0xFF000000u) << "p " << c.p;
        EXPECT_EQ(*d.PixelAt(2, 0), c.want2) << "p " << c.p;
    }
}

// The mask is tiled over the rectangle from its clipped origin: columns restart
// on every row and wrap at the mask's width, rows wrap at its height.
TEST_F(MaskTransitionTest, MaskTiling) {
    CSprite a, b, m, d;
    Make(a, 7, 5);
    Make(b, 7, 5);
    Make(m, 4, 4);
    Make(d, 7, 5);
    Fill(a, kFirst);
    Fill(b, kSecond);
    Fill(m, 0);
    // Used part of the mask: (1, 1, 2, 5) clipped to the mask is 2 x 3.
    // Only its top-left pixel switches to the second picture.
    *m.PixelAt(1, 1) = 0xFF010000u;
    *m.PixelAt(2, 1) = 0x00010000u;
    d.MaskTransition(0, 0, 7, 5, a, 0, 0, b, 0, 0, m, 1, 1, 2, 5, 255, 255, 0, 256, 0, 0);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x)
            EXPECT_EQ(*d.PixelAt(x, y), (x % 2 == 0 && y % 3 == 0) ? kSecond : kFirst) << x << "," << y;
}

// Opacity forms: 0 changes nothing, 255 is the full form exactly, any other
// opacity lays the full form's value over the destination with the scaled
// alpha (the full form onto a transparent destination gives that value).
TEST_F(MaskTransitionTest, OpacityForms) {
    std::mt19937 rng(12);
    CSprite a, b, m, base;
    MakeRandom(a, 24, 12, rng);
    MakeRandom(b, 24, 12, rng);
    Make(m, 5, 3);
    MakeRandom(base, 24, 12, rng);
    for (int32_t y = 0; y < 3; ++y)  // column 0 hidden, the others visible
        for (int32_t x = 0; x < 5; ++x) *m.PixelAt(x, y) = x == 0 ? (rng() & 0x00FFFFFFu) : (rng() | 0x01000000u);
    for (bool level : {false, true}) {
        for (int32_t progress : {30, 120, 200}) {
            auto full = [&](CSprite& d) {
                if (level)
                    d.MaskTransitionLevel(0, 0, 24, 12, a, 0, 0, b, 0, 0, m, 0, 0, 5, 3, progress, 255, 10, 250, 3, 9);
                else
                    d.MaskTransition(0, 0, 24, 12, a, 0, 0, b, 0, 0, m, 0, 0, 5, 3, progress, 255, 10, 250, 3, 9);
            };
            auto withOpacity = [&](CSprite& d, uint8_t o) {
                if (level)
                    d.MaskTransitionLevelOpacity(0, 0, 24, 12, a, 0, 0, b, 0, 0, m, 0, 0, 5, 3, progress, 255, 10, 250,
                                                 3, 9, o);
                else
                    d.MaskTransitionOpacity(0, 0, 24, 12, a, 0, 0, b, 0, 0, m, 0, 0, 5, 3, progress, 255, 10, 250, 3,
                                            9, o);
            };
            CSprite values, d, want;
            Make(values, 24, 12);
            full(values);
            CopyPixels(base, want);
            full(want);
            CopyPixels(base, d);
            withOpacity(d, 255);
            EXPECT_EQ(Pixels(d), Pixels(want)) << "255, level " << level << " progress " << progress;
            CopyPixels(base, d);
            withOpacity(d, 0);
            EXPECT_EQ(Pixels(d), Pixels(base)) << "0, level " << level << " progress " << progress;
            for (uint8_t o : {uint8_t{1}, uint8_t{128}, uint8_t{254}}) {
                CopyPixels(base, d);
                withOpacity(d, o);
                CopyPixels(base, want);
                for (int32_t y = 0; y < 12; ++y)
                    for (int32_t x = 0; x < 24; ++x) {
                        const uint32_t v = *values.PixelAt(x, y);
                        const uint32_t scaled = (o * (v >> 24)) >> 8;
                        if (scaled != 0) *want.PixelAt(x, y) = LayOver(*want.PixelAt(x, y), v, scaled);
                    }
                EXPECT_EQ(Pixels(d), Pixels(want)) << int(o) << ", level " << level << " progress " << progress;
            }
        }
    }
}

// Clipping: the destination rectangle by the clip rectangle; each source origin
// with the shared size by its own sprite (which moves only that origin); a mask
// rectangle outside the mask draws nothing.
TEST_F(MaskTransitionTest, Clipping) {
    CSprite a, b, m, d;
    Make(a, 10, 10);
    Make(b, 4, 3);
    Make(m, 2, 2);
    Make(d, 10, 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) *a.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 8 | x);
    Fill(b, kSecond);
    Fill(m, 0xFF000000u);  // thresholds 0: the second picture at p > 0, the first at p = 0
    const uint32_t old = 0x33333333u;
    Fill(d, old);
    // p = 0: every pixel shows the first picture. The rectangle (-2, 1, 8, 8)
    // keeps (0, 1, 6, 8); the second source (1, 1) cuts it to 3 x 2.
    d.MaskTransition(-2, 1, 8, 8, a, 3, 4, b, 1, 1, m, 0, 0, 2, 2, 0, 255, 0, 256, 0, 0);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const bool inside = x < 3 && y >= 1 && y < 3;
            EXPECT_EQ(*d.PixelAt(x, y), inside ? *a.PixelAt(3 + x, 4 + y - 1) : old) << x << "," << y;
        }
    Fill(d, old);
    d.MaskTransition(0, 0, 4, 3, a, 0, 0, b, 0, 0, m, 5, 5, 2, 2, 100, 255, 0, 256, 0, 0);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(100, old));
}

}  // namespace
