#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using RectFillTest = FillTest;

// One pixel before and after one call, for the cases the fills are known by.
TEST_F(RectFillTest, WorkedExamples) {
    struct Case {
        const char* name;
        uint32_t before;
        std::function<void(CSprite&)> fill;
        uint32_t after;
    };
    const Case cases[] = {
        {"opacity 255 makes the colour opaque whatever its alpha", 0x80102030,
         [](CSprite& s) { s.FillRectOpacity(0, 0, 1, 1, 0x00123456, 255); }, 0xFF123456},
        {"opacity o over a transparent pixel gives the colour at alpha o", 0x00000000,
         [](CSprite& s) { s.FillRectOpacity(0, 0, 1, 1, 0x00ABCDEF, 100); }, 0x64ABCDEF},
        {"opacity 128 over an opaque pixel: weight 128, alpha stays 255", 0xFF000000,
         [](CSprite& s) { s.FillRectOpacity(0, 0, 1, 1, 0xFFFFFFFF, 128); }, 0xFF7F7F7F},
        {"colour at 128: 255 over 0 is 127, not 128", 0x40000000,
         [](CSprite& s) { s.FillRectCOpacity(0, 0, 1, 1, 0xFFFFFF, 128); }, 0x407F7F7F},
        {"colour at 64", 0x40000000, [](CSprite& s) { s.FillRectCOpacity(0, 0, 1, 1, 0xFFFFFF, 64); }, 0x403F3F3F},
        {"alpha at 128 toward 255 from 0", 0x00123456,
         [](CSprite& s) { s.FillRectAOpacity(0, 0, 1, 1, 128, 255); }, 0x7F123456},
        {"alpha at opacity 0 changes nothing", 0x9A123456,
         [](CSprite& s) { s.FillRectAOpacity(0, 0, 1, 1, 0, 255); }, 0x9A123456},
        {"back fill leaves an opaque pixel", 0xFF010203, [](CSprite& s) { s.FillRectBack(0, 0, 1, 1, 0x80FFFFFF); },
         0xFF010203},
        {"back fill replaces a transparent pixel, alpha included", 0x00112233,
         [](CSprite& s) { s.FillRectBack(0, 0, 1, 1, 0x80ABCDEF); }, 0x80ABCDEF},
        // U[128][128] = 0xA9C0: alpha 0xC0, the existing pixel weighs 170.
        {"back fill of half over half", 0x80FF0000, [](CSprite& s) { s.FillRectBack(0, 0, 1, 1, 0x800000FF); },
         0xC0A90055},
        {"back colour fill leaves a transparent pixel", 0x00112233,
         [](CSprite& s) { s.FillRectBackC(0, 0, 1, 1, 0xFFFFFF); }, 0x00112233},
        {"colour by alpha leaves a transparent pixel", 0x00112233,
         [](CSprite& s) { s.FillRectCByAlpha(0, 0, 1, 1, 0xFFFFFF); }, 0x00112233},
        {"colour by alpha replaces an opaque pixel's colour", 0xFF112233,
         [](CSprite& s) { s.FillRectCByAlpha(0, 0, 1, 1, 0xABCDEF); }, 0xFFABCDEF},
        {"visible colour fill skips alpha 0", 0x00112233,
         [](CSprite& s) { s.FillRectCVisible(0, 0, 1, 1, 0xABCDEF); }, 0x00112233},
        {"visible colour fill keeps alpha 1", 0x01112233,
         [](CSprite& s) { s.FillRectCVisible(0, 0, 1, 1, 0xFFABCDEF); }, 0x01ABCDEF},
        {"alpha fill uses the low byte", 0x00112233, [](CSprite& s) { s.FillRectA(0, 0, 1, 1, 0x1234567F); },
         0x7F112233},
    };
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(1, 1, false));
        *s.PixelAt(0, 0) = c.before;
        c.fill(s);
        EXPECT_EQ(*s.PixelAt(0, 0), c.after) << c.name;
    }
}

// Every single-sprite fill against the plain per-channel rule, on random
// images, clip rectangles, rectangles (overhanging, negative, empty), colours
// and opacities. Widths not a multiple of four exercise the one-pixel tails.
TEST_F(RectFillTest, EveryFillMatchesThePerChannelRule) {
    using Call = std::function<void(CSprite&, Rect, uint32_t, uint8_t)>;
    using Rule = std::function<uint32_t(uint32_t, uint32_t, uint32_t)>;  // (p, colour, opacity)
    auto over = [](uint32_t p, uint32_t c, uint32_t o) -> uint32_t {  // FillRectOpacity
        if (o == 0) return p;
        if (o == 255) return c | 0xFF000000u;
        return (UnionAlpha(o, Alpha(p)) << 24) | Mix(c, p, UnionWeight(o, Alpha(p)));
    };
    auto colourAt = [](uint32_t p, uint32_t c, uint32_t o, bool visibleOnly) -> uint32_t {
        if (o == 0 || (visibleOnly && Alpha(p) == 0)) return p;
        if (o == 255) return WithColour(p, c);
        return WithColour(p, Mix(c, p, o));
    };
    auto back = [](uint32_t p, uint32_t v) -> uint32_t {
        const uint32_t pa = Alpha(p);
        if (pa == 0) return v;
        if (pa == 255) return p;
        return (UnionAlpha(pa, Alpha(v)) << 24) | Mix(p, v, UnionWeight(pa, Alpha(v)));
    };
    auto backColour = [](uint32_t p, uint32_t c, uint32_t o) -> uint32_t {
        if (o == 0 || Alpha(p) == 0) return p;
        return WithColour(p, Mix(p, c, UnionWeight(Alpha(p), o)));
    };
    auto byAlpha = [](uint32_t p, uint32_t c, uint32_t o) -> uint32_t {
        const uint32_t a = Alpha(p);
        if (o == 0) return p;
        if (o == 255) return a == 255 ? WithColour(p, c) : WithColour(p, Mix(c, p, a));
        return WithColour(p, Mix(c, p, (o * (a + (a >> 7))) >> 8));
    };
    struct Op {
        const char* name;
        Call call;
        Rule rule;
    };
    const Op ops[] = {
        {"FillRect", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRect(r.x, r.y, r.w, r.h, c); },
         [](uint32_t, uint32_t c, uint32_t) { return c; }},
        {"FillRectA", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectA(r.x, r.y, r.w, r.h, c); },
         [](uint32_t p, uint32_t c, uint32_t) { return WithAlpha(p, c & 0xFF); }},
        {"FillRectC", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectC(r.x, r.y, r.w, r.h, c); },
         [](uint32_t p, uint32_t c, uint32_t) { return WithColour(p, c); }},
        {"FillRectOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectOpacity(r.x, r.y, r.w, r.h, c, o); }, over},
        {"FillRectCOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectCOpacity(r.x, r.y, r.w, r.h, c, o); },
         [colourAt](uint32_t p, uint32_t c, uint32_t o) { return colourAt(p, c, o, false); }},
        {"FillRectAOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectAOpacity(r.x, r.y, r.w, r.h, o, c); },
         [](uint32_t p, uint32_t c, uint32_t o) {
             const uint32_t a = c & 0xFF;
             if (o == 255) return WithAlpha(p, a);
             return WithAlpha(p, (a * o) / 256 + (Alpha(p) * (256 - o)) / 256);
         }},
        {"FillRectCVisible", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectCVisible(r.x, r.y, r.w, r.h, c); },
         [](uint32_t p, uint32_t c, uint32_t) { return Alpha(p) != 0 ? WithColour(p, c) : p; }},
        {"FillRectCVisibleOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectCVisibleOpacity(r.x, r.y, r.w, r.h, c, o); },
         [colourAt](uint32_t p, uint32_t c, uint32_t o) { return colourAt(p, c, o, true); }},
        {"FillRectBack", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectBack(r.x, r.y, r.w, r.h, c); },
         [back](uint32_t p, uint32_t c, uint32_t) { return back(p, c); }},
        {"FillRectBackOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectBackOpacity(r.x, r.y, r.w, r.h, c, 0x300u | o); },
         [back](uint32_t p, uint32_t c, uint32_t o) { return back(p, (c & 0xFFFFFF) | (o << 24)); }},
        {"FillRectBackCOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectBackCOpacity(r.x, r.y, r.w, r.h, c, o); },
         backColour},
        {"FillRectBackC", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectBackC(r.x, r.y, r.w, r.h, c); },
         [backColour](uint32_t p, uint32_t c, uint32_t) { return backColour(p, c, 255); }},
        {"FillRectCByAlpha", [](CSprite& s, Rect r, uint32_t c, uint8_t) { s.FillRectCByAlpha(r.x, r.y, r.w, r.h, c); },
         [byAlpha](uint32_t p, uint32_t c, uint32_t) { return byAlpha(p, c, 255); }},
        {"FillRectCByAlphaOpacity",
         [](CSprite& s, Rect r, uint32_t c, uint8_t o) { s.FillRectCByAlphaOpacity(r.x, r.y, r.w, r.h, c, o); },
         byAlpha},
    };
    for (const Op& op : ops) {
        for (int trial = 0; trial < 150; ++trial) {
            CSprite s = RandomSprite(RandomIn(1, 23), RandomIn(1, 9));
            RandomClip(s);
            const Rect r{RandomIn(-6, s.GetWidth() + 2), RandomIn(-4, s.GetHeight() + 2), RandomIn(-2, 30),
                         RandomIn(-2, 14)};
            const uint32_t colour = RandomPixel();
            const uint8_t o = RandomOpacity();
            const std::vector<uint32_t> expected =
                ModelRect(s, Pixels(s), r, [&](uint32_t p) { return op.rule(p, colour, o); });
            op.call(s, r, colour, o);
            ASSERT_EQ(Pixels(s), expected) << op.name << " trial " << trial << " rect " << r.x << "," << r.y << ","
                                           << r.w << "," << r.h << " colour " << std::hex << colour << " opacity "
                                           << std::dec << int{o};
        }
    }
}

// FillRect's memset and contiguous-area paths against the plain rule: a
// rectangle as wide as the image is one run, byte-uniform values go to memset.
TEST_F(RectFillTest, FillRectWholeWidthAndUniformValues) {
    const uint32_t values[] = {0x00000000, 0xFFFFFFFF, 0x7F7F7F7F, 0xFF336699, 0x00000001};
    for (uint32_t v : values) {
        CSprite s = RandomSprite(13, 7);
        const std::vector<uint32_t> expected = ModelRect(s, Pixels(s), {0, 2, 13, 4}, [v](uint32_t) { return v; });
        s.FillRect(-5, 2, 100, 4, v);
        EXPECT_EQ(Pixels(s), expected) << std::hex << v;
    }
}

// The shortcuts for the weights 64, 128 and 192 equal mix(c, p, w) for every
// pair of channel values, one pixel and four at a time.
TEST_F(RectFillTest, QuarterWeightShortcutsEqualTheMultiplicationForAllBytePairs) {
    using namespace fill_detail;
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; b += 4) {
            // Different pairs in the three channels, so that a carry between
            // bytes would show.
            Pixels4 c, p;
            for (uint32_t k = 0; k < 4; ++k) {
                const uint32_t bk = b + k;
                c[k] = (a << 16) | ((255 - a) << 8) | (a ^ 0x5A);
                p[k] = (bk << 16) | ((bk ^ 0xA5) << 8) | (255 - bk);
            }
            const Pixels4 q = MixQuarter(c, p), h = MixHalf(c, p), t = MixThreeQuarters(c, p);
            for (uint32_t k = 0; k < 4; ++k) {
                ASSERT_EQ(q[k], Mix(c[k], p[k], 64)) << a << " " << b + k;
                ASSERT_EQ(h[k], Mix(c[k], p[k], 128)) << a << " " << b + k;
                ASSERT_EQ(t[k], Mix(c[k], p[k], 192)) << a << " " << b + k;
                ASSERT_EQ(MixHalf(c[k], p[k]), h[k]);
                ASSERT_EQ(MixQuarter(c[k], p[k]), q[k]);
            }
        }
    }
}

// The packed mixes (R and B in one 32-bit multiplication, or all channels in
// 16-bit lanes four pixels at a time) equal the per-channel rule for every
// weight and every pair of channel values.
TEST_F(RectFillTest, PackedMixEqualsPerChannelMixForAllWeights) {
    using namespace fill_detail;
    for (uint32_t w = 0; w <= 256; ++w) {
        for (uint32_t a = 0; a < 256; ++a) {
            const uint32_t c = (a << 16) | ((255 - a) << 8) | (a ^ 0x3C) | 0xFF000000u;
            const FixedColourMix fixed(c, w);
            for (uint32_t b = 0; b < 256; b += 4) {
                Pixels4 p, weights;
                for (uint32_t k = 0; k < 4; ++k) {
                    const uint32_t bk = b + k;
                    p[k] = (bk << 16) | (((bk * 7) & 255) << 8) | (255 - bk) | (bk << 24);
                    weights[k] = (w + 67 * k) % 257;
                }
                const Pixels4 fixed4 = fixed(p), each4 = MixColour(c, p, weights), same4 = MixColour(c, p, w);
                for (uint32_t k = 0; k < 4; ++k) {
                    const uint32_t expected = Mix(c, p[k], w);
                    if (MixColour(c, p[k], w) != expected) FAIL() << "packed " << w << " " << a << " " << b + k;
                    if (fixed(p[k]) != expected) FAIL() << "fixed " << w << " " << a << " " << b + k;
                    if (fixed4[k] != expected) FAIL() << "fixed lanes " << w << " " << a << " " << b + k;
                    if (same4[k] != expected) FAIL() << "lanes " << w << " " << a << " " << b + k;
                    if (each4[k] != Mix(c, p[k], weights[k])) FAIL() << "lanes, own weight " << a << " " << b + k;
                }
            }
        }
    }
}

// Opacity 0 returns before anything, and 255 is the full-opacity form,
// whatever the rectangle.
TEST_F(RectFillTest, OpacityZeroAndFullOpacityForms) {
    for (int trial = 0; trial < 50; ++trial) {
        CSprite a = RandomSprite(11, 5);
        RandomClip(a);
        const std::vector<uint32_t> before = Pixels(a);
        const uint32_t c = RandomPixel();
        a.FillRectOpacity(-1, -1, 20, 20, c, 0);
        a.FillRectCOpacity(-1, -1, 20, 20, c, 0);
        a.FillRectAOpacity(-1, -1, 20, 20, 0, c);
        a.FillRectCVisibleOpacity(-1, -1, 20, 20, c, 0);
        a.FillRectBackCOpacity(-1, -1, 20, 20, c, 0);
        a.FillRectCByAlphaOpacity(-1, -1, 20, 20, c, 0);
        ASSERT_EQ(Pixels(a), before);
    }
    struct Pair {
        const char* name;
        std::function<void(CSprite&, uint32_t)> opacityForm, fullForm;
    };
    const Pair pairs[] = {
        {"FillRectOpacity", [](CSprite& s, uint32_t c) { s.FillRectOpacity(1, 1, 7, 3, c, 255); },
         [](CSprite& s, uint32_t c) { s.FillRect(1, 1, 7, 3, c | 0xFF000000u); }},
        {"FillRectCOpacity", [](CSprite& s, uint32_t c) { s.FillRectCOpacity(1, 1, 7, 3, c, 255); },
         [](CSprite& s, uint32_t c) { s.FillRectC(1, 1, 7, 3, c); }},
        {"FillRectAOpacity", [](CSprite& s, uint32_t c) { s.FillRectAOpacity(1, 1, 7, 3, 255, c); },
         [](CSprite& s, uint32_t c) { s.FillRectA(1, 1, 7, 3, c); }},
        {"FillRectCVisibleOpacity", [](CSprite& s, uint32_t c) { s.FillRectCVisibleOpacity(1, 1, 7, 3, c, 255); },
         [](CSprite& s, uint32_t c) { s.FillRectCVisible(1, 1, 7, 3, c); }},
        {"FillRectBackCOpacity", [](CSprite& s, uint32_t c) { s.FillRectBackCOpacity(1, 1, 7, 3, c, 255); },
         [](CSprite& s, uint32_t c) { s.FillRectBackC(1, 1, 7, 3, c); }},
        {"FillRectCByAlphaOpacity", [](CSprite& s, uint32_t c) { s.FillRectCByAlphaOpacity(1, 1, 7, 3, c, 255); },
         [](CSprite& s, uint32_t c) { s.FillRectCByAlpha(1, 1, 7, 3, c); }},
    };
    for (const Pair& pair : pairs) {
        CSprite a = RandomSprite(9, 5), b;
        ASSERT_TRUE(b.Create(9, 5, false));
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 9; ++x) *b.PixelAt(x, y) = *a.PixelAt(x, y);
        const uint32_t c = RandomPixel();
        pair.opacityForm(a, c);
        pair.fullForm(b, c);
        EXPECT_EQ(Pixels(a), Pixels(b)) << pair.name;
    }
}

// The reference fills compare pixel (x + i, y + j) with reference pixel
// (rx + i, ry + j) over the ClipBlit-clipped rectangle. Small palettes make
// equal pixels common.
TEST_F(RectFillTest, ReferenceFillsMatchTheRule) {
    using Call = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, uint32_t);
    struct Op {
        const char* name;
        Call call;
        bool whereEqual;
        uint32_t bits;
    };
    const Op ops[] = {
        {"FillWhereDiffers", &CSprite::FillWhereDiffers, false, 0xFFFFFFFFu},
        {"FillCWhereDiffers", &CSprite::FillCWhereDiffers, false, 0x00FFFFFFu},
        {"FillWhereEqual", &CSprite::FillWhereEqual, true, 0xFFFFFFFFu},
        {"FillCWhereEqual", &CSprite::FillCWhereEqual, true, 0x00FFFFFFu},
    };
    const uint32_t palette[] = {0x00000000, 0xFF000000, 0x80102030, 0xFF102030, 0x00102030};
    for (const Op& op : ops) {
        for (int trial = 0; trial < 150; ++trial) {
            CSprite s, ref;
            ASSERT_TRUE(s.Create(RandomIn(1, 17), RandomIn(1, 7), false));
            ASSERT_TRUE(ref.Create(RandomIn(1, 17), RandomIn(1, 7), false));
            for (int32_t y = 0; y < s.GetHeight(); ++y)
                for (int32_t x = 0; x < s.GetWidth(); ++x) *s.PixelAt(x, y) = palette[rng() % 5];
            for (int32_t y = 0; y < ref.GetHeight(); ++y)
                for (int32_t x = 0; x < ref.GetWidth(); ++x) *ref.PixelAt(x, y) = palette[rng() % 5];
            RandomClip(s);
            const Rect r{RandomIn(-5, 18), RandomIn(-3, 8), RandomIn(-1, 20), RandomIn(-1, 9)};
            const int32_t rx = RandomIn(-5, 18), ry = RandomIn(-3, 8);
            const uint32_t value = RandomPixel();
            const std::vector<uint32_t> expected =
                ModelBlit(s, Pixels(s), r, ref, rx, ry, [&](uint32_t p, uint32_t q) {
                    const bool same = ((p ^ q) & op.bits) == 0;
                    if (same != op.whereEqual) return p;
                    return (p & ~op.bits) | (value & op.bits);
                });
            (s.*op.call)(r.x, r.y, ref, rx, ry, r.w, r.h, value);
            ASSERT_EQ(Pixels(s), expected) << op.name << " trial " << trial;
        }
    }
}

// Draws the sprite as rows of '#' (the fill value) and '.' for reading.
std::vector<std::string> Picture(const CSprite& s, uint32_t value) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        std::string row;
        for (int32_t x = 0; x < s.GetWidth(); ++x) row += *s.PixelAt(x, y) == value ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST_F(RectFillTest, FillOutsideRectStrips) {
    struct Case {
        const char* name;
        Rect outer, inner;
        std::vector<std::string> picture;
    };
    const Case cases[] = {
        {"frame around an inner rectangle",
         {1, 1, 7, 5},
         {3, 2, 3, 2},
         {"..........", ".#######..", ".##...##..", ".##...##..", ".#######..", ".#######..", ".........."}},
        {"inner equal to outer writes nothing",
         {1, 1, 7, 5},
         {1, 1, 7, 5},
         {"..........", "..........", "..........", "..........", "..........", "..........", ".........."}},
        // Left and right take the outer height; top and bottom only the inner
        // columns, which here lie partly outside the outer rectangle.
        {"inner overhanging to the right and below",
         {1, 1, 4, 3},
         {3, 2, 5, 4},
         {"..........", ".#######..", ".##.......", ".##.......", "..........", "..........", ".........."}},
        {"inner entirely right of the outer",
         {0, 0, 3, 3},
         {6, 4, 2, 2},
         {"########..", "########..", "########..", "......##..", "..........", "..........", ".........."}},
    };
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(10, 7, false));
        s.FillOutsideRect(c.outer.x, c.outer.y, c.outer.w, c.outer.h, c.inner.x, c.inner.y, c.inner.w, c.inner.h,
                          0xFF00FF00);
        EXPECT_EQ(Picture(s, 0xFF00FF00), c.picture) << c.name;
    }
}

TEST_F(RectFillTest, FillOutsideRectAndFillAllIfReadyWaitForTheLibrary) {
    CSprite s;
    ASSERT_TRUE(s.Create(6, 4, false));
    s.SetClipRect(1, 1, 5, 3);
    raster_test::ResetRasterLibrary();
    s.FillOutsideRect(0, 0, 6, 4, 2, 2, 1, 1, 0xFFFFFFFF);
    s.FillAllIfReady(0xFFFFFFFF);
    InitRasterLibrary(1);
    EXPECT_EQ(Picture(s, 0xFFFFFFFF), std::vector<std::string>({"......", "......", "......", "......"}));
    s.FillAllIfReady(0xFFFFFFFF);  // only the clip rectangle
    EXPECT_EQ(Picture(s, 0xFFFFFFFF), std::vector<std::string>({"......", ".####.", ".####.", "......"}));
}

TEST_F(RectFillTest, FillsOnASpriteWithoutAnImageDoNothing) {
    CSprite s;
    s.FillRect(0, 0, 10, 10, 0xFFFFFFFF);
    s.FillRectOpacity(0, 0, 10, 10, 0xFFFFFFFF, 100);
    s.FillAllIfReady(0xFFFFFFFF);
    s.FillOutsideRect(-5, -5, 20, 20, 0, 0, 1, 1, 0xFFFFFFFF);
    EXPECT_FALSE(s.HasImage());
}

}  // namespace
