#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using ChannelOpsTest = FillTest;

// scale(v, f) computed exactly: |f| x (v, or 255 - v for f < 0) >> 8, at most 255.
uint32_t Scale(uint32_t v, int32_t f) {
    const int64_t product = f < 0 ? -int64_t{f} * (255 - int64_t{v}) : int64_t{f} * v;
    return static_cast<uint32_t>(std::min<int64_t>(product >> 8, 255));
}

CSprite Single(uint32_t p) {
    CSprite s;
    EXPECT_TRUE(s.Create(1, 1, false));
    *s.PixelAt(0, 0) = p;
    return s;
}

TEST_F(ChannelOpsTest, WorkedExamples) {
    struct Case {
        const char* name;
        uint32_t before;
        std::function<void(CSprite&)> call;
        uint32_t after;
    };
    const Case cases[] = {
        {"factors 256 keep the pixel", 0x80C01020, [](CSprite& s) { s.MultiplyChannels(0, 0, 1, 1, 256, 256, 256, 256); },
         0x80C01020},
        {"factors -256 invert all four channels", 0x80C01020,
         [](CSprite& s) { s.MultiplyChannels(0, 0, 1, 1, -256, -256, -256, -256); }, 0x7F3FEFDF},
        {"300 on 255 saturates", 0xFFFFFF10, [](CSprite& s) { s.MultiplyChannels(0, 0, 1, 1, 300, 300, 128, 512); },
         0xFFFF7F20},
        {"alpha factor 0 clears the alpha and keeps the colour", 0xFF123456,
         [](CSprite& s) { s.MultiplyAlpha(0, 0, 1, 1, 0); }, 0x00123456},
        {"colour factors keep the alpha", 0x80FF8040, [](CSprite& s) { s.MultiplyColor(0, 0, 1, 1, 128, -256, 0); },
         0x807F7F00},
        {"invert flags 0 change nothing", 0x80C01020, [](CSprite& s) { s.InvertChannels(0, 0, 1, 1, 0); }, 0x80C01020},
        {"invert flags 7 the colour, bits above 3 ignored", 0x80C01020,
         [](CSprite& s) { s.InvertChannels(0, 0, 1, 1, 0xF7); }, 0x803FEFDF},
        {"invert flags 8 the alpha", 0x80C01020, [](CSprite& s) { s.InvertChannels(0, 0, 1, 1, 8); }, 0x7FC01020},
        {"key compares only the colour", 0x00112233,
         [](CSprite& s) { s.SetAlphaWhereColor(0, 0, 1, 1, 0xFF112233, 0x1C8); }, 0xC8112233},
        {"key that differs leaves the pixel", 0x00112234,
         [](CSprite& s) { s.SetAlphaWhereColor(0, 0, 1, 1, 0xFF112233, 0xC8); }, 0x00112234},
        {"alpha by colour: outside the key", 0x40112234,
         [](CSprite& s) { s.SetAlphaByColor(0, 0, 1, 1, 0x112233, 0x10, 0x20); }, 0x20112234},
        {"alpha to grey", 0x80FF0000, [](CSprite& s) { s.AlphaToGray(0, 0, 1, 1); }, 0x80808080},
        {"alpha from the average, truncating", 0x00FF0000, [](CSprite& s) { s.AlphaFromAverage(); }, 0x55FF0000},
        {"alpha from green", 0x12345678, [](CSprite& s) { s.AlphaFromGreen(); }, 0x56345678},
    };
    for (const Case& c : cases) {
        CSprite s = Single(c.before);
        c.call(s);
        EXPECT_EQ(*s.PixelAt(0, 0), c.after) << c.name;
    }
}

// Factors far beyond the usual range still saturate: a product wrapped to
// 32 bits would turn 2^28 x 16 into 0.
TEST_F(ChannelOpsTest, HugeFactorsSaturate) {
    CSprite s = Single(0x10101010);
    s.MultiplyChannels(0, 0, 1, 1, 0x10000000, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(),
                       -0x10000000);
    EXPECT_EQ(*s.PixelAt(0, 0), 0xFFFFFFFFu);
}

// The per-pixel members against their rule on random images, clips,
// rectangles and factors; widths vary so that the four-pixel body and the
// one-pixel tail both run.
TEST_F(ChannelOpsTest, PerPixelMembersMatchTheirRule) {
    const int32_t factors[] = {0, 1, 128, 255, 256, 257, 300, 512, 65535, 65536, 1 << 20, -1, -128, -256, -300, -65536,
                               std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    auto factor = [&] { return rng() % 3 == 0 ? RandomIn(-600, 600) : factors[rng() % std::size(factors)]; };
    for (int trial = 0; trial < 600; ++trial) {
        CSprite s = RandomSprite(RandomIn(1, 21), RandomIn(1, 7));
        RandomClip(s);
        const Rect r{RandomIn(-4, 20), RandomIn(-3, 7), RandomIn(-1, 24), RandomIn(-1, 9)};
        const int32_t fa = factor(), fr = factor(), fg = factor(), fb = factor();
        const uint32_t key = rng() % 2 ? *s.PixelAt(RandomIn(0, s.GetWidth() - 1), 0) ^ 0xFF000000u : Random32();
        const uint32_t a1 = Random32(), a2 = Random32(), flags = Random32();
        std::function<uint32_t(uint32_t)> rule;
        std::function<void()> call;
        switch (trial % 7) {
            case 0:
                rule = [=](uint32_t p) {
                    return (Scale(Alpha(p), fa) << 24) | (Scale(Byte(p, 2), fr) << 16) | (Scale(Byte(p, 1), fg) << 8) |
                           Scale(Byte(p, 0), fb);
                };
                call = [&] { s.MultiplyChannels(r.x, r.y, r.w, r.h, fa, fr, fg, fb); };
                break;
            case 1:
                rule = [=](uint32_t p) { return WithAlpha(p, Scale(Alpha(p), fa)); };
                call = [&] { s.MultiplyAlpha(r.x, r.y, r.w, r.h, fa); };
                break;
            case 2:
                rule = [=](uint32_t p) {
                    return (p & 0xFF000000u) | (Scale(Byte(p, 2), fr) << 16) | (Scale(Byte(p, 1), fg) << 8) |
                           Scale(Byte(p, 0), fb);
                };
                call = [&] { s.MultiplyColor(r.x, r.y, r.w, r.h, fr, fg, fb); };
                break;
            case 3:
                rule = [=](uint32_t p) {
                    uint32_t q = p;
                    for (int k = 0; k < 4; ++k)
                        if (flags & (1u << k)) q ^= 0xFFu << (8 * k);
                    return q;
                };
                call = [&] { s.InvertChannels(r.x, r.y, r.w, r.h, flags); };
                break;
            case 4:
                rule = [=](uint32_t p) { return (p & 0xFFFFFF) == (key & 0xFFFFFF) ? WithAlpha(p, a1 & 0xFF) : p; };
                call = [&] { s.SetAlphaWhereColor(r.x, r.y, r.w, r.h, key, a1); };
                break;
            case 5:
                rule = [=](uint32_t p) { return WithAlpha(p, ((p & 0xFFFFFF) == (key & 0xFFFFFF) ? a1 : a2) & 0xFF); };
                call = [&] { s.SetAlphaByColor(r.x, r.y, r.w, r.h, key, a1, a2); };
                break;
            default:
                rule = [](uint32_t p) { const uint32_t a = Alpha(p); return a << 24 | a << 16 | a << 8 | a; };
                call = [&] { s.AlphaToGray(r.x, r.y, r.w, r.h); };
                break;
        }
        const std::vector<uint32_t> expected = ModelRect(s, Pixels(s), r, rule);
        call();
        ASSERT_EQ(Pixels(s), expected) << "trial " << trial << " factors " << fa << " " << fr << " " << fg << " "
                                       << fb << std::hex << " flags " << flags;
    }
}

TEST_F(ChannelOpsTest, InvertingTwiceRestores) {
    CSprite s = RandomSprite(15, 6);
    const std::vector<uint32_t> before = Pixels(s);
    for (uint32_t flags = 0; flags < 16; ++flags) {
        s.InvertChannels(-2, 1, 30, 4, flags);
        s.InvertChannels(-2, 1, 30, 4, flags);
        ASSERT_EQ(Pixels(s), before) << flags;
    }
}

// Every channel sum 0..765 and random pixels, over the whole image whatever
// the clip rectangle.
TEST_F(ChannelOpsTest, AlphaFromAverageAndGreenCoverTheWholeImage) {
    CSprite s;
    ASSERT_TRUE(s.Create(39, 21, false));
    for (int32_t i = 0; i < 39 * 21; ++i) {
        const uint32_t sum = static_cast<uint32_t>(i % 766);
        const uint32_t r = std::min<uint32_t>(sum, 255), g = std::min<uint32_t>(sum - r, 255), b = sum - r - g;
        *s.PixelAt(i % 39, i / 39) = i < 766 ? (Random32() & 0xFF000000u) | r << 16 | g << 8 | b : RandomPixel();
    }
    s.SetClipRect(3, 3, 5, 5);
    std::vector<uint32_t> expected = Pixels(s);
    for (uint32_t& p : expected) p = WithAlpha(p, (Byte(p, 0) + Byte(p, 1) + Byte(p, 2)) / 3);
    s.AlphaFromAverage();
    EXPECT_EQ(Pixels(s), expected);
    for (uint32_t& p : expected) p = WithAlpha(p, Byte(p, 1));
    s.AlphaFromGreen();
    EXPECT_EQ(Pixels(s), expected);

    CSprite empty;
    empty.AlphaFromAverage();
    empty.AlphaFromGreen();
    EXPECT_FALSE(empty.HasImage());
}

std::vector<uint32_t> Alphas(const CSprite& s) {
    std::vector<uint32_t> out;
    for (uint32_t p : Pixels(s)) out.push_back(Alpha(p));
    return out;
}

TEST_F(ChannelOpsTest, AlphaRampExamples) {
    // Left 0 to right 256, reached at the clipped width 4: alpha 255 x i / 4.
    CSprite s = Filled(6, 1, 0xFF102030);
    s.SetClipRect(1, 0, 5, 1);
    s.MultiplyAlphaRamp(-3, 0, 100, 1, 0, 256, 256, 256);
    EXPECT_EQ(Alphas(s), (std::vector<uint32_t>{255, 0, 63, 127, 191, 255}));
    EXPECT_EQ(*s.PixelAt(2, 0) & 0xFFFFFFu, 0x102030u);

    // Constant negative factor -1 x 1: inverted alpha.
    CSprite t = Single(0x40000000);
    t.MultiplyAlphaRamp(0, 0, 1, 1, -256, 256, -256, 256);
    EXPECT_EQ(*t.PixelAt(0, 0), 0xBF000000u);

    // All four 256: nothing at all.
    CSprite u = Single(0x40ABCDEF);
    u.MultiplyAlphaRamp(0, 0, 1, 1, 256, 256, 256, 256);
    EXPECT_EQ(*u.PixelAt(0, 0), 0x40ABCDEFu);
}

// The incremental fixed-point product against FX(i) x FY(j) in double
// precision: the truncations may cost one step at most.
TEST_F(ChannelOpsTest, AlphaRampFollowsTheBilinearProduct) {
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t w = RandomIn(1, 40), h = RandomIn(1, 30);
        CSprite s = RandomSprite(w, h);
        const std::vector<uint32_t> before = Pixels(s);
        const int32_t fl = RandomIn(-600, 600), ft = RandomIn(-600, 600), fr = RandomIn(-600, 600),
                      fb = RandomIn(-600, 600);
        s.MultiplyAlphaRamp(0, 0, w, h, fl, ft, fr, fb);
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i) {
                const double fx = (fl + (fr - fl) * double(i) / w) / 256.0;
                const double fy = (ft + (fb - ft) * double(j) / h) / 256.0;
                const double f = fx * fy;
                const uint32_t p = before[static_cast<size_t>(j * w + i)];
                const double a = f < 0 ? -f * (255.0 - Alpha(p)) : f * Alpha(p);
                const double expected = std::min(std::floor(a), 255.0);
                const uint32_t got = Alpha(*s.PixelAt(i, j));
                ASSERT_NEAR(double(got), expected, 1.0)
                    << "trial " << trial << " at " << i << "," << j << " factors " << fl << " " << ft << " " << fr
                    << " " << fb;
                ASSERT_EQ(*s.PixelAt(i, j) & 0xFFFFFFu, p & 0xFFFFFFu);
            }
    }
}

TEST_F(ChannelOpsTest, CopyInvertedMatchesTheRule) {
    for (int trial = 0; trial < 200; ++trial) {
        CSprite s = RandomSprite(RandomIn(1, 19), RandomIn(1, 7));
        RandomClip(s);
        const CSprite src = RandomSprite(RandomIn(1, 19), RandomIn(1, 7));
        const Rect r{RandomIn(-5, 20), RandomIn(-3, 8), RandomIn(-1, 22), RandomIn(-1, 9)};
        const int32_t sx = RandomIn(-5, 20), sy = RandomIn(-3, 8);
        const uint32_t flags = Random32() & 15;
        const uint32_t mask = (flags & 1 ? 0xFFu : 0) | (flags & 2 ? 0xFF00u : 0) | (flags & 4 ? 0xFF0000u : 0) |
                              (flags & 8 ? 0xFF000000u : 0);
        const std::vector<uint32_t> expected =
            ModelBlit(s, Pixels(s), r, src, sx, sy, [mask](uint32_t, uint32_t q) { return q ^ mask; });
        s.CopyInverted(r.x, r.y, src, sx, sy, r.w, r.h, flags);
        ASSERT_EQ(Pixels(s), expected) << "trial " << trial;
    }
}

// Within one image the copy reads every source pixel before it is overwritten,
// whichever way the rectangles overlap.
TEST_F(ChannelOpsTest, CopyInvertedWithinOneImageActsOnTheOriginal) {
    const int32_t shifts[][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 1}, {-2, -1}, {3, -1}, {-3, 1}};
    for (const auto& shift : shifts) {
        CSprite s = RandomSprite(12, 8);
        CSprite copy = RandomSprite(12, 8);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 12; ++x) *copy.PixelAt(x, y) = *s.PixelAt(x, y);
        s.CopyInverted(2 + shift[0], 2 + shift[1], s, 2, 2, 7, 4, 7);
        const std::vector<uint32_t> expected = ModelBlit(s, Pixels(copy), {2 + shift[0], 2 + shift[1], 7, 4}, copy, 2,
                                                         2, [](uint32_t, uint32_t q) { return q ^ 0xFFFFFFu; });
        EXPECT_EQ(Pixels(s), expected) << shift[0] << "," << shift[1];
    }
}

TEST_F(ChannelOpsTest, StretchCopyInvertedSamplesTheNearestPixel) {
    CSprite src;
    ASSERT_TRUE(src.Create(6, 2, false));
    for (int32_t x = 0; x < 6; ++x) {
        *src.PixelAt(x, 0) = static_cast<uint32_t>(x);
        *src.PixelAt(x, 1) = 0x100u + static_cast<uint32_t>(x);
    }
    // Twice as large: every source pixel of the first three columns becomes a 2 x 2 block.
    CSprite up = Filled(6, 4, 0xEEEEEEEE);
    up.StretchCopyInverted(0, 0, 6, 4, src, 0, 0, 3, 2, 8);
    EXPECT_EQ(Pixels(up), (std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002,
                                                 0xFF000000, 0xFF000000, 0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002,
                                                 0xFF000100, 0xFF000100, 0xFF000101, 0xFF000101, 0xFF000102, 0xFF000102,
                                                 0xFF000100, 0xFF000100, 0xFF000101, 0xFF000101, 0xFF000102, 0xFF000102}));
    // Half as large, samples at the centres (columns 1, 3, 5); the destination
    // starts left of the image, so its first sample is dropped.
    CSprite down = Filled(3, 1, 0xEEEEEEEE);
    down.StretchCopyInverted(-1, 0, 3, 1, src, 0, 0, 6, 2, 0);
    EXPECT_EQ(Pixels(down), (std::vector<uint32_t>{0x103, 0x105, 0xEEEEEEEE}));
    // An empty source rectangle draws nothing.
    down.StretchCopyInverted(0, 0, 3, 1, src, 0, 0, 0, 2, 0);
    EXPECT_EQ(Pixels(down), (std::vector<uint32_t>{0x103, 0x105, 0xEEEEEEEE}));
}

}  // namespace
