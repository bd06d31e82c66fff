// Alpha blending inside a colour model: worked pairs of pixels for every rule
// of the mix (weights, alpha, shorter hue arc, greys, the opaque copy, the
// windows and their signed bounds), and every member against a per-pixel
// model built on the single-colour conversions over random sprites, random
// rectangles that clip on every side and random windows.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;
using raster_test::Pixels;

struct Window {
    int32_t hueLow, hueHigh, saturationLow, saturationHigh, thirdLow, thirdHigh;
};
constexpr Window kAll{0, 359, 0, 256, 0, 256};

// One call's arguments, whatever the member reads of them.
struct Args {
    int32_t dx = 0, dy = 0, sx = 0, sy = 0, w = 1, h = 1;
    Window window = kAll;
};

// The members, as the renderer sees them: model, window or not, C or not.
struct Member {
    const char* name;
    ColorSpaceModel model;
    bool range;
    bool colourOnly;
    void (*full)(CSprite&, const CSprite&, const Args&);
    void (*opacity)(CSprite&, const CSprite&, const Args&, uint8_t);
};

#define PLAIN_MEMBER(name, model, c)                                                                              \
    Member {                                                                                                      \
        #name, model, false, c,                                                                                   \
            [](CSprite& d, const CSprite& s, const Args& a) { d.name##Full(a.dx, a.dy, s, a.sx, a.sy, a.w, a.h); }, \
            [](CSprite& d, const CSprite& s, const Args& a, uint8_t op) {                                         \
                d.name(a.dx, a.dy, s, a.sx, a.sy, a.w, a.h, op);                                                  \
            }                                                                                                     \
    }
#define RANGE_MEMBER(name, model, c)                                                                            \
    Member {                                                                                                    \
        #name, model, true, c,                                                                                  \
            [](CSprite& d, const CSprite& s, const Args& a) {                                                   \
                const Window& k = a.window;                                                                     \
                d.name##Full(a.dx, a.dy, s, a.sx, a.sy, a.w, a.h, k.hueLow, k.hueHigh, k.saturationLow,         \
                             k.saturationHigh, k.thirdLow, k.thirdHigh);                                        \
            },                                                                                                  \
            [](CSprite& d, const CSprite& s, const Args& a, uint8_t op) {                                       \
                const Window& k = a.window;                                                                     \
                d.name(a.dx, a.dy, s, a.sx, a.sy, a.w, a.h, k.hueLow, k.hueHigh, k.saturationLow,               \
                       k.saturationHigh, k.thirdLow, k.thirdHigh, op);                                          \
            }                                                                                                   \
    }

const std::vector<Member>& Members() {
    static const std::vector<Member> members = {
        PLAIN_MEMBER(ColorSpaceAlphaBlendHSV, kColorSpaceHSV, false),
        PLAIN_MEMBER(ColorSpaceAlphaBlendHSL, kColorSpaceHSL, false),
        PLAIN_MEMBER(ColorSpaceAlphaBlendHSLY, kColorSpaceHSLY, false),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendHSV, kColorSpaceHSV, false),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendHSL, kColorSpaceHSL, false),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendHSLY, kColorSpaceHSLY, false),
        PLAIN_MEMBER(ColorSpaceAlphaBlendCHSV, kColorSpaceHSV, true),
        PLAIN_MEMBER(ColorSpaceAlphaBlendCHSL, kColorSpaceHSL, true),
        PLAIN_MEMBER(ColorSpaceAlphaBlendCHSLY, kColorSpaceHSLY, true),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendCHSV, kColorSpaceHSV, true),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendCHSL, kColorSpaceHSL, true),
        RANGE_MEMBER(ColorSpaceRangeAlphaBlendCHSLY, kColorSpaceHSLY, true),
    };
    return members;
}

const Member& Find(ColorSpaceModel model, bool range, bool colourOnly) {
    for (const Member& m : Members())
        if (m.model == model && m.range == range && m.colourOnly == colourOnly) return m;
    ADD_FAILURE() << "no member";
    return Members().front();
}

// Calls the opacity member (255 = the renderer's full opacity) on one pixel pair.
uint32_t BlendPair(const Member& m, uint32_t d, uint32_t s, uint8_t opacity, const Window& window = kAll) {
    CSprite dst = Filled(1, 1, d);
    const CSprite src = Filled(1, 1, s);
    Args a;
    a.window = window;
    m.opacity(dst, src, a, opacity);
    return *dst.PixelAt(0, 0);
}

// ---- The per-pixel model, from the single-colour conversions ----

struct Triple {
    int32_t h, s, t;
};

Triple ToModel(ColorSpaceModel model, uint32_t p) {
    Triple r{};
    if (model == kColorSpaceHSV) RGBToHSV(p, r.h, r.s, r.t);
    else if (model == kColorSpaceHSL) RGBToHSL(p, r.h, r.s, r.t);
    else RGBToHSLY(p, r.h, r.s, r.t);
    return r;
}

uint32_t ToRGB(ColorSpaceModel model, const Triple& c) {
    if (model == kColorSpaceHSV) return HSVToRGB(c.h, c.s, c.t);
    if (model == kColorSpaceHSL) return HSLToRGB(c.h, c.s, c.t);
    return HSLYToRGB(c.h, c.s, c.t);
}

bool InWindow(const Window& k, const Triple& c) {
    const bool hue = k.hueLow >= 0 ? (c.h >= k.hueLow && c.h <= k.hueHigh)
                                   : (c.h <= k.hueHigh || c.h >= k.hueLow + 360);
    return hue && c.s >= k.saturationLow && c.s <= k.saturationHigh && c.t >= k.thirdLow && c.t <= k.thirdHigh;
}

// Written the long way: the mixing divides as a real quotient cut toward the
// destination's value, the hue goes by the signed shorter arc.
int32_t TowardDest(int32_t d, int32_t s, int32_t w) {
    const int64_t num = static_cast<int64_t>(s - d) * w;
    const int64_t q = num >= 0 ? num / 256 : -((-num) / 256);
    return d + static_cast<int32_t>(q);
}

uint32_t ModelPixel(const Member& m, uint32_t d, uint32_t s, int opacity /* 256 = Full member */,
                    const Window& window) {
    const Triple dc = ToModel(m.model, d);
    if (m.range && !InWindow(window, dc)) return d;
    const uint32_t sA = s >> 24, dA = d >> 24;
    const uint32_t sw = sA + (sA >> 7);
    const uint32_t w = opacity == 256 ? sw : (static_cast<uint32_t>(opacity) * sw) >> 8;
    if (w == 256) return m.colourOnly ? (d & 0xFF000000u) | (s & 0xFFFFFFu) : s;
    const Triple sc = ToModel(m.model, s);
    int32_t delta = sc.h - dc.h;
    if (delta > 180) delta -= 360;
    if (delta < -180) delta += 360;
    int32_t hue = TowardDest(dc.h, dc.h + delta, static_cast<int32_t>(w));
    hue = (hue + 360) % 360;
    const Triple mixed{hue, TowardDest(dc.s, sc.s, static_cast<int32_t>(w)),
                       TowardDest(dc.t, sc.t, static_cast<int32_t>(w))};
    const uint32_t alpha = m.colourOnly ? dA : w + ((dA * (256 - w)) >> 8);
    return (alpha << 24) | (ToRGB(m.model, mixed) & 0xFFFFFFu);
}

class ColorSpaceBlendTest : public raster_test::ReadyLibraryTest {};

// ---- Worked pairs ----

TEST_F(ColorSpaceBlendTest, WorkedPairs) {
    struct Case {
        const char* what;
        ColorSpaceModel model;
        bool colourOnly;
        uint32_t d, s;
        uint8_t opacity;
        uint32_t expected;
    };
    const Case cases[] = {
        {"half-transparent red over grey, w = 129", kColorSpaceHSV, false, 0xFF808080, 0x80FF0000, 255, 0xFFC06060},
        {"the same in HSL", kColorSpaceHSL, false, 0xFF808080, 0x80FF0000, 255, 0xFFBF4141},
        {"the same in HSLY", kColorSpaceHSLY, false, 0xFF808080, 0x80FF0000, 255, 0xFFBF4040},
        {"alpha is w, and a transparent destination's colour is mixed", kColorSpaceHSV, false, 0x00000000,
         0x80FFFFFF, 255, 0x81818181},
        {"the same in HSL", kColorSpaceHSL, false, 0x00000000, 0x80FFFFFF, 255, 0x81808080},
        {"the same in HSLY", kColorSpaceHSLY, false, 0x00000000, 0x80FFFFFF, 255, 0x81808080},
        {"opaque source copied exactly", kColorSpaceHSV, false, 0x12345678, 0xFF102030, 255, 0xFF102030},
        {"opaque source copied, C keeps alpha", kColorSpaceHSV, true, 0x12345678, 0xFF102030, 255, 0x12102030},
        {"opaque source at opacity 254 is converted", kColorSpaceHSV, false, 0x12345678, 0xFF102030, 254,
         0xFE112131},
        {"transparent source still converts the destination", kColorSpaceHSV, false, 0xFF382535, 0x00FFFFFF, 255,
         0xFF382635},
        {"the same, C", kColorSpaceHSV, true, 0x80382535, 0x00FFFFFF, 255, 0x80382635},
        {"opacity 0 changes nothing", kColorSpaceHSV, false, 0xFF382535, 0xFFFFFFFF, 0, 0xFF382535},
        {"opacity 0 changes nothing, C", kColorSpaceHSL, true, 0xFF382535, 0x80123456, 0, 0xFF382535},
        {"grey source has hue 0: green moves to hue 60", kColorSpaceHSV, false, 0xFF00FF00, 0x80808080, 255,
         0xFFC0C061},
        {"white (hue 0) toward blue goes backwards to 300", kColorSpaceHSV, false, 0xFFFFFFFF, 0x800000FF, 255,
         0xFFFF7FFF},
        {"the same in HSL", kColorSpaceHSL, false, 0xFFFFFFFF, 0x800000FF, 255, 0xFFDF9FDF},
        {"the same in HSLY", kColorSpaceHSLY, false, 0xFFFFFFFF, 0x800000FF, 255, 0xFFCA62CA},
        {"shorter arc forward across 0: 240 -> 14", kColorSpaceHSV, false, 0xFF0000FF, 0xC0FFFF00, 255,
         0xFFFF3B00},
        {"the same in HSL", kColorSpaceHSL, false, 0xFF0000FF, 0xC0FFFF00, 255, 0xFFFF3B00},
        {"351 and 9 meet at 0", kColorSpaceHSV, false, 0xFFFF002A, 0x80FF2A00, 255, 0xFFFF0000},
        {"opposite hues +180: 0 -> 89", kColorSpaceHSV, false, 0xFFFF0000, 0x7F00FFFF, 255, 0xFF88FF00},
        {"opposite hues -180: 180 -> 91", kColorSpaceHSV, false, 0xFF00FFFF, 0x7FFF0000, 255, 0xFF7CFF00},
    };
    for (const Case& c : cases) {
        const Member& plain = Find(c.model, false, c.colourOnly);
        EXPECT_EQ(BlendPair(plain, c.d, c.s, c.opacity), c.expected) << c.what << " (" << plain.name << ")";
        // A window holding every pixel makes the Range member the plain one.
        const Member& range = Find(c.model, true, c.colourOnly);
        EXPECT_EQ(BlendPair(range, c.d, c.s, c.opacity), c.expected) << c.what << " (" << range.name << ")";
    }
}

// A strong opaque colour (saturation and value at least 200) whose HSV hue is
// exactly `hue` (searched, since not every whole hue survives a round trip
// through HSVToRGB).
uint32_t OfHue(int32_t hue) {
    for (uint32_t rgb = 0; rgb < 0x1000000u; ++rgb) {
        int32_t h = 0, s = 0, v = 0;
        RGBToHSV(rgb, h, s, v);
        if (h == hue && s >= 200 && v >= 200) return 0xFF000000u | rgb;
    }
    ADD_FAILURE() << "no colour of hue " << hue;
    return 0;
}

TEST_F(ColorSpaceBlendTest, WindowsSelectDestinationPixels) {
    struct Case {
        const char* what;
        Window window;
        uint32_t d;
        bool taken;
    };
    const uint32_t hue341 = OfHue(341), hue19 = OfHue(19);
    const Case cases[] = {
        {"value 256 is outside 0..255", {0, 359, 0, 256, 0, 255}, 0xFFFF0000, false},
        {"value 254 is inside 0..255", {0, 359, 0, 256, 0, 255}, 0xFFFE0000, true},
        {"-30..30 wraps to 341", {-30, 30, 0, 256, 0, 256}, hue341, true},
        {"-30..30 takes 19", {-30, 30, 0, 256, 0, 256}, hue19, true},
        {"-30..30 leaves 329", {-30, 30, 0, 256, 0, 256}, OfHue(329), false},
        {"-30..30 takes 330 (inclusive)", {-30, 30, 0, 256, 0, 256}, OfHue(330), true},
        {"330..390 takes 341", {330, 390, 0, 256, 0, 256}, hue341, true},
        {"330..390 does not wrap to 19", {330, 390, 0, 256, 0, 256}, hue19, false},
        {"341..341 inclusive", {341, 341, 0, 256, 0, 256}, hue341, true},
        {"342..359 leaves 341", {342, 359, 0, 256, 0, 256}, hue341, false},
        {"low above high holds nothing", {20, 10, 0, 256, 0, 256}, OfHue(15), false},
        {"saturation -5..1000 holds every pixel", {0, 359, -5, 1000, 0, 256}, 0xFF123456, true},
        {"saturation 2147483647..-1 holds none", {0, 359, INT_MAX, -1, 0, 256}, 0xFF123456, false},
        {"third window INT_MIN..INT_MAX holds all", {0, 359, 0, 256, INT_MIN, INT_MAX}, 0xFF808080, true},
        {"grey has hue 0 and saturation 0", {0, 0, 0, 0, 0, 256}, 0xFF808080, true},
        {"grey is outside saturation 1..256", {0, 359, 1, 256, 0, 256}, 0xFF808080, false},
    };
    const Member& full = Find(kColorSpaceHSV, true, false);
    const Member& c = Find(kColorSpaceHSV, true, true);
    for (const Case& k : cases) {
        // An opaque blue source at full opacity: taken pixels become it, the
        // others stay exactly.
        EXPECT_EQ(BlendPair(full, k.d, 0xFF0000FF, 255, k.window), k.taken ? 0xFF0000FFu : k.d) << k.what;
        const uint32_t d = (k.d & 0xFFFFFF) | 0x40000000u;
        EXPECT_EQ(BlendPair(c, d, 0xFF0000FF, 255, k.window), k.taken ? 0x400000FFu : d) << k.what << " (C)";
        // Through the opacity path the window decides the same.
        EXPECT_EQ(BlendPair(full, k.d, 0xFF0000FF, 200, k.window) != k.d, k.taken) << k.what << " (opacity)";
    }
}

// The window is tested in the destination's own model: the third component
// of white is 256 in HSV and HSL but 255 as HSLY luma.
TEST_F(ColorSpaceBlendTest, WindowUsesTheMembersModel) {
    const Window upTo255{0, 359, 0, 256, 0, 255};
    EXPECT_EQ(BlendPair(Find(kColorSpaceHSV, true, false), 0xFFFFFFFF, 0xFF0000FF, 255, upTo255), 0xFFFFFFFFu);
    EXPECT_EQ(BlendPair(Find(kColorSpaceHSL, true, false), 0xFFFFFFFF, 0xFF0000FF, 255, upTo255), 0xFFFFFFFFu);
    EXPECT_EQ(BlendPair(Find(kColorSpaceHSLY, true, false), 0xFFFFFFFF, 0xFF0000FF, 255, upTo255), 0xFF0000FFu);
    // HSL lightness of pure red is 128, HSV value 256.
    const Window lightness128{0, 359, 0, 256, 128, 128};
    EXPECT_EQ(BlendPair(Find(kColorSpaceHSL, true, false), 0xFFFF0000, 0xFF0000FF, 255, lightness128), 0xFF0000FFu);
    EXPECT_EQ(BlendPair(Find(kColorSpaceHSV, true, false), 0xFFFF0000, 0xFF0000FF, 255, lightness128), 0xFFFF0000u);
}

// Hues exactly half a turn apart keep the sign of their difference: red
// toward hue 180 goes up through 90, hue 180 toward red goes down through 90;
// neither passes through 0. (Cyan 0x00FFFF itself has hue 179.)
TEST_F(ColorSpaceBlendTest, ExactHalfTurnsMoveWithoutPassingZero) {
    const uint32_t red = 0xFFFF0000u, opposite = OfHue(180);
    for (ColorSpaceModel model : {kColorSpaceHSV, kColorSpaceHSL, kColorSpaceHSLY}) {
        for (bool colourOnly : {false, true}) {
            const Member& m = Find(model, false, colourOnly);
            for (uint32_t d : {red, opposite}) {
                const uint32_t s = ((d == red ? opposite : red) & 0xFFFFFF) | 0x7F000000u;  // w = 127
                int32_t h = 0, sat = 0, t = 0;
                RGBToHSV(BlendPair(m, d, s, 255), h, sat, t);
                EXPECT_GE(h, 80) << m.name << " from " << std::hex << d;
                EXPECT_LE(h, 100) << m.name << " from " << std::hex << d;
            }
        }
    }
}

// ---- Every member against the model ----

uint32_t TestPixel(std::mt19937& rng) {
    uint32_t alpha = rng() & 0xFF;
    switch (rng() % 4) {
        case 0: alpha = 0; break;
        case 1: alpha = 255; break;
        default: break;
    }
    uint32_t colour = rng() & 0xFFFFFF;
    switch (rng() % 6) {
        case 0: colour = (rng() & 0xFF) * 0x010101u; break;                   // grey
        case 1: colour = (rng() % 2 ? 0xFF0000u : 0x00FF00u) | (rng() & 0xFF); // a 255 channel
        default: break;
    }
    return (alpha << 24) | colour;
}

TEST_F(ColorSpaceBlendTest, EveryMemberMatchesTheModel) {
    std::mt19937 rng(20261211);
    auto range = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % (hi - lo + 1)); };
    const uint8_t opacities[] = {0, 1, 64, 127, 128, 200, 254, 255};
    for (const Member& m : Members()) {
        for (int round = 0; round < 60; ++round) {
            CSprite dst = raster_test::Painted(13, 9, [&](int32_t, int32_t) { return TestPixel(rng); });
            const CSprite src = raster_test::Painted(11, 10, [&](int32_t, int32_t) { return TestPixel(rng); });
            const std::vector<uint32_t> before = Pixels(dst);
            const int32_t left = range(-1, 6), top = range(-1, 4);
            dst.SetClipRect(left, top, range(left, 14), range(top, 10));
            Args a;
            a.dx = range(-5, 12);
            a.dy = range(-5, 8);
            a.sx = range(-5, 10);
            a.sy = range(-5, 9);
            a.w = range(-2, 16);
            a.h = range(-2, 12);
            if (rng() % 3 == 0) {
                a.window = kAll;
            } else {
                const int32_t hl = range(-120, 300), sl = range(-10, 200), tl = range(-10, 200);
                a.window = {hl, hl + range(-10, 200), sl, sl + range(-5, 150), tl, tl + range(-5, 150)};
            }
            const bool fullMember = rng() % 3 == 0;
            const uint8_t opacity = opacities[rng() % std::size(opacities)];
            if (fullMember) m.full(dst, src, a);
            else m.opacity(dst, src, a, opacity);
            const int modelOpacity = fullMember || opacity == 255 ? 256 : opacity;

            for (int32_t y = 0; y < 9; ++y) {
                for (int32_t x = 0; x < 13; ++x) {
                    const uint32_t d = before[static_cast<size_t>(y) * 13 + x];
                    const int32_t i = x - a.dx, j = y - a.dy, sx = a.sx + i, sy = a.sy + j;
                    const bool inside = x >= dst.GetClipLeft() && x < dst.GetClipRight() && y >= dst.GetClipTop() &&
                                        y < dst.GetClipBottom() && i >= 0 && i < a.w && j >= 0 && j < a.h &&
                                        sx >= 0 && sx < 11 && sy >= 0 && sy < 10;
                    uint32_t expected = d;
                    if (inside && modelOpacity != 0)
                        expected = ModelPixel(m, d, *src.PixelAt(sx, sy), modelOpacity, a.window);
                    ASSERT_EQ(*dst.PixelAt(x, y), expected)
                        << m.name << (fullMember ? "Full" : "") << " opacity " << int(opacity) << " round "
                        << round << " at " << x << "," << y << " d " << std::hex << d << " s "
                        << (inside ? *src.PixelAt(sx, sy) : 0u);
                }
            }
        }
    }
}

// Opaque and transparent sources over the whole range of destinations, one
// row per pixel kind, in all three models: dense coverage of the copy
// shortcut and of the weight-0 round trip, where the model's conversions
// decide everything.
TEST_F(ColorSpaceBlendTest, ExtremeSourceAlphasMatchTheModel) {
    std::mt19937 rng(7);
    CSprite dst = raster_test::Painted(64, 32, [&](int32_t, int32_t) { return TestPixel(rng); });
    for (uint32_t sourceAlpha : {0u, 1u, 127u, 128u, 254u, 255u}) {
        const CSprite src = raster_test::Painted(64, 32, [&](int32_t, int32_t) {
            return (sourceAlpha << 24) | (TestPixel(rng) & 0xFFFFFF);
        });
        for (const Member& m : Members()) {
            for (int opacity : {255, 128}) {
                CSprite out = raster_test::Painted(64, 32, [&](int32_t x, int32_t y) { return *dst.PixelAt(x, y); });
                Args a;
                a.w = 64;
                a.h = 32;
                a.window = {-60, 60, 0, 256, 0, 256};
                m.opacity(out, src, a, static_cast<uint8_t>(opacity));
                for (int32_t y = 0; y < 32; ++y)
                    for (int32_t x = 0; x < 64; ++x)
                        ASSERT_EQ(*out.PixelAt(x, y), ModelPixel(m, *dst.PixelAt(x, y), *src.PixelAt(x, y),
                                                                 opacity == 255 ? 256 : opacity, a.window))
                            << m.name << " sA " << sourceAlpha << " opacity " << opacity << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
