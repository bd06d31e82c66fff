// Hue, saturation and lightness shifts: worked colours of every model (the
// amounts 0 are not the identity), the wrapping and clamping of the amounts
// up to the 32-bit extremes, the alpha each form writes, the one-entry cache,
// and every kernel against the single-colour conversions: on random sprites
// with runs of one colour under rectangles that clip on every side, and
// exhaustively over all 2^24 colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;
using raster_test::Pixels;

struct Amounts {
    int32_t hue, saturation, third;
};

// The shift of one colour from the single-colour functions, with the sums
// taken in 64 bits: the plain rule on unbounded integers.
uint32_t ReferenceShift(ColorSpaceModel model, uint32_t rgb, Amounts a) {
    int32_t h = 0, s = 0, t = 0;
    switch (model) {
        case kColorSpaceHSV: RGBToHSV(rgb, h, s, t); break;
        case kColorSpaceHSL: RGBToHSL(rgb, h, s, t); break;
        default: RGBToHSLY(rgb, h, s, t); break;
    }
    const int64_t hue = ((int64_t{h} + a.hue) % 360 + 360) % 360;
    const auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 256)); };
    const int32_t sat = clamp(int64_t{s} + a.saturation);
    const int32_t third = clamp(int64_t{t} + a.third);
    switch (model) {
        case kColorSpaceHSV: return HSVToRGB(static_cast<int32_t>(hue), sat, third);
        case kColorSpaceHSL: return HSLToRGB(static_cast<int32_t>(hue), sat, third);
        default: return HSLYToRGB(static_cast<int32_t>(hue), sat, third);
    }
}

enum class Form { Copy, InPlace, ColorOnly };

struct Call {
    int32_t dx = 0, dy = 0, w = 1, h = 1, sx = 0, sy = 0;
    Amounts a{};
};

struct Member {
    const char* name;
    ColorSpaceModel model;
    Form form;
    void (*run)(CSprite& d, const CSprite& s, const Call& c);
};

#define SOURCE_MEMBER(fn, model, form)                                                               \
    Member {                                                                                         \
        #fn, model, form, [](CSprite& d, const CSprite& s, const Call& c) {                          \
            d.fn(c.dx, c.dy, c.w, c.h, s, c.sx, c.sy, c.a.hue, c.a.saturation, c.a.third);           \
        }                                                                                            \
    }
#define IN_PLACE_MEMBER(fn, model)                                                                                  \
    Member {                                                                                                        \
        #fn, model, Form::InPlace,                                                                                  \
            [](CSprite& d, const CSprite&, const Call& c) { d.fn(c.dx, c.dy, c.w, c.h, c.a.hue, c.a.saturation, c.a.third); } \
    }

const Member kMembers[] = {
    SOURCE_MEMBER(AdjustHSVCopy, kColorSpaceHSV, Form::Copy),
    IN_PLACE_MEMBER(AdjustHSV, kColorSpaceHSV),
    SOURCE_MEMBER(AdjustHSVColorOnly, kColorSpaceHSV, Form::ColorOnly),
    SOURCE_MEMBER(AdjustHSLCopy, kColorSpaceHSL, Form::Copy),
    IN_PLACE_MEMBER(AdjustHSL, kColorSpaceHSL),
    SOURCE_MEMBER(AdjustHSLColorOnly, kColorSpaceHSL, Form::ColorOnly),
    SOURCE_MEMBER(AdjustHSLYCopy, kColorSpaceHSLY, Form::Copy),
    IN_PLACE_MEMBER(AdjustHSLY, kColorSpaceHSLY),
    SOURCE_MEMBER(AdjustHSLYColorOnly, kColorSpaceHSLY, Form::ColorOnly),
};

#undef SOURCE_MEMBER
#undef IN_PLACE_MEMBER

class ColourShiftTest : public raster_test::ReadyLibraryTest {};

// One pixel through the in-place kernel of a model.
uint32_t ShiftOne(ColorSpaceModel model, uint32_t pixel, Amounts a) {
    CSprite s = Filled(1, 1, pixel);
    for (const Member& m : kMembers)
        if (m.model == model && m.form == Form::InPlace) m.run(s, s, Call{0, 0, 1, 1, 0, 0, a});
    return *s.PixelAt(0, 0);
}

TEST_F(ColourShiftTest, WorkedColours) {
    constexpr ColorSpaceModel V = kColorSpaceHSV, L = kColorSpaceHSL, Y = kColorSpaceHSLY;
    struct Row {
        const char* what;
        ColorSpaceModel model;
        uint32_t in;
        Amounts a;
        uint32_t out;
    };
    const Row rows[] = {
        {"truncation HSV", V, 0xC86432, {0, 0, 0}, 0xC86132},
        {"truncation HSL", L, 0xC86432, {0, 0, 0}, 0xC66132},
        {"truncation HSLY", Y, 0xC86432, {0, 0, 0}, 0xC96333},
        {"0x123456 HSV", V, 0x123456, {0, 0, 0}, 0x133556},
        {"0x123456 HSL", L, 0x123456, {0, 0, 0}, 0x123455},
        {"0x123456 HSLY", Y, 0x123456, {0, 0, 0}, 0x123455},
        {"red survives HSV", V, 0xFF0000, {0, 0, 0}, 0xFF0000},
        {"blue survives HSL", L, 0x0000FF, {0, 0, 0}, 0x0000FF},
        {"grey survives HSV", V, 0x7F7F7F, {0, 0, 0}, 0x7F7F7F},
        {"grey survives HSL", L, 0x818181, {0, 0, 0}, 0x818181},
        {"yellow hue 59 HSV", V, 0xFFFF00, {0, 0, 0}, 0xFFFA00},
        {"yellow hue 59 HSL", L, 0xFFFF00, {0, 0, 0}, 0xFFFA00},
        {"cyan HSV", V, 0x00FFFF, {0, 0, 0}, 0x00FFFA},
        {"magenta HSL", L, 0xFF00FF, {0, 0, 0}, 0xFF00FB},
        {"dark grey survives HSLY", Y, 0x808080, {0, 0, 0}, 0x808080},
        {"light grey darkens HSLY", Y, 0xC8C8C8, {0, 0, 0}, 0xC7C7C7},
        {"0x818181 HSLY", Y, 0x818181, {0, 0, 0}, 0x808080},
        {"0x000001 HSL", L, 0x000001, {0, 0, 0}, 0x000000},
        {"0x000001 HSLY", Y, 0x000001, {0, 0, 0}, 0x000000},
        {"0x0B0B00 HSL", L, 0x0B0B00, {0, 0, 0}, 0x090900},
        {"white HSLY luma 0", Y, 0xFFFFFF, {0, 0, 0}, 0xFEFEFE},
        {"white HSLY luma +1", Y, 0xFFFFFF, {0, 0, 1}, 0xFFFFFF},
        {"red turned to green", V, 0xFF0000, {120, 0, 0}, 0x00FF00},
        {"red turned back by -240", V, 0xFF0000, {-240, 0, 0}, 0x00FF00},
        {"saturation -256 greys", L, 0xC86432, {77, -256, 0}, 0x7D7D7D},
        {"value -256 blackens", V, 0xC86432, {0, 0, -256}, 0x000000},
        {"lightness +256 whitens", L, 0x123456, {0, 0, 256}, 0xFFFFFF},
        {"luma -256 blackens", Y, 0x123456, {0, 0, -256}, 0x000000},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ShiftOne(r.model, 0x80000000u | r.in, r.a), 0x80000000u | r.out) << r.what;
        EXPECT_EQ(ReferenceShift(r.model, r.in, r.a), r.out) << r.what << " (reference)";
    }
}

TEST_F(ColourShiftTest, AmountsWrapAndClampUpToTheExtremes) {
    const uint32_t colours[] = {0xC86432, 0x123456, 0x00FF00, 0xFFFFFF, 0x000000, 0x0B000B};
    for (const ColorSpaceModel model : {kColorSpaceHSV, kColorSpaceHSL, kColorSpaceHSLY}) {
        for (const uint32_t c : colours) {
            // Whole turns change nothing; -1 is 359.
            for (const int32_t turn : {360, -360, 720, 360 * 5965232})
                EXPECT_EQ(ShiftOne(model, c, {turn, 0, 0}), ShiftOne(model, c, {0, 0, 0})) << model << " " << turn;
            EXPECT_EQ(ShiftOne(model, c, {-1, 0, 0}), ShiftOne(model, c, {359, 0, 0}));
            // Amounts past the ends clamp as 256 and -256 do, without overflow.
            EXPECT_EQ(ShiftOne(model, c, {0, INT32_MAX, INT32_MAX}), ShiftOne(model, c, {0, 256, 256}));
            EXPECT_EQ(ShiftOne(model, c, {0, INT32_MIN, INT32_MIN}), ShiftOne(model, c, {0, -256, -256}));
            for (const Amounts a : {Amounts{INT32_MAX, 3, -7}, Amounts{INT32_MIN, -300, 300}, Amounts{-32768, 1, 0}})
                EXPECT_EQ(ShiftOne(model, c, a), ReferenceShift(model, c, a)) << model << " " << a.hue;
        }
    }
}

// Each form's alpha: copy writes the source's (0 included), colour-only keeps
// the destination's, in place keeps its own; fully transparent pixels are
// shifted too.
TEST_F(ColourShiftTest, AlphaOfEachForm) {
    const Amounts a{120, 0, 0};
    for (const Member& m : kMembers) {
        CSprite src = Filled(1, 1, 0x00FF0000);
        CSprite dst = Filled(1, 1, m.form == Form::InPlace ? 0x00FF0000u : 0x7F123456u);
        m.run(dst, src, Call{0, 0, 1, 1, 0, 0, a});
        const uint32_t alpha = m.form == Form::ColorOnly ? 0x7F000000u : 0;
        EXPECT_EQ(*dst.PixelAt(0, 0), alpha | ReferenceShift(m.model, 0xFF0000, a)) << m.name;
    }
}

// The cache starts with a key no colour has: a black first pixel must be
// converted (lightness +256 makes it white) rather than taken from an empty
// cache entry; equal colours with other alphas keep their own alpha.
TEST_F(ColourShiftTest, CacheConvertsTheFirstPixelAndKeepsAlphas) {
    for (const Member& m : kMembers) {
        CSprite src = raster_test::Painted(3, 2, [](int32_t x, int32_t y) {
            return (static_cast<uint32_t>(x + 3 * y) * 40u) << 24;  // black under six alphas
        });
        CSprite dst;
        raster_test::CopyPixels(src, dst);
        m.run(dst, src, Call{0, 0, 3, 2, 0, 0, {0, 0, 256}});
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x)
                EXPECT_EQ(*dst.PixelAt(x, y), *src.PixelAt(x, y) | 0x00FFFFFFu) << m.name << " " << x << "," << y;
    }
}

// Every member against the single-colour functions on random sprites (runs
// of one colour under changing alphas, so the cache is hit across pixels and
// rows), with rectangles and clip rectangles that cut every side.
TEST_F(ColourShiftTest, MembersMatchSingleColourFunctions) {
    std::mt19937 rng(1021);
    const auto randomSprite = [&](int32_t w, int32_t h) {
        uint32_t last = 0;
        return raster_test::Painted(w, h, [&](int32_t, int32_t) {
            if ((rng() & 1) != 0) last = rng() & 0xFFFFFF;
            return last | (rng() & 0xFF000000u);
        });
    };
    const auto amount = [&](int32_t span) {
        switch (rng() % 8) {
            case 0: return INT32_MIN + static_cast<int32_t>(rng() % 5);
            case 1: return INT32_MAX - static_cast<int32_t>(rng() % 5);
            default: return static_cast<int32_t>(rng() % (2 * span + 1)) - span;
        }
    };
    for (int trial = 0; trial < 60; ++trial) {
        for (const Member& m : kMembers) {
            CSprite src = randomSprite(9, 7);
            CSprite dst = randomSprite(8, 6);
            dst.SetClipRect(static_cast<int32_t>(rng() % 3), static_cast<int32_t>(rng() % 3),
                            8 - static_cast<int32_t>(rng() % 3), 6 - static_cast<int32_t>(rng() % 3));
            const auto coord = [&] { return static_cast<int32_t>(rng() % 9) - 3; };
            Call c{coord(), coord(), static_cast<int32_t>(rng() % 11), static_cast<int32_t>(rng() % 9), coord(),
                   coord(), {amount(800), amount(300), amount(300)}};
            if (m.form == Form::InPlace) c.sx = c.dx, c.sy = c.dy;
            const std::vector<uint32_t> before = Pixels(dst);
            const CSprite& from = m.form == Form::InPlace ? dst : src;
            std::vector<uint32_t> expected = before;
            for (int32_t y = 0; y < 6; ++y) {
                for (int32_t x = 0; x < 8; ++x) {
                    const int32_t i = x - c.dx, j = y - c.dy, fx = c.sx + i, fy = c.sy + j;
                    const bool inClip = x >= dst.GetClipLeft() && x < dst.GetClipRight() && y >= dst.GetClipTop() &&
                                        y < dst.GetClipBottom();
                    if (i < 0 || j < 0 || i >= c.w || j >= c.h || !inClip || fx < 0 || fy < 0 ||
                        fx >= from.GetWidth() || fy >= from.GetHeight())
                        continue;
                    const uint32_t p = m.form == Form::InPlace ? before[static_cast<size_t>(fy * 8 + fx)]
                                                               : *from.PixelAt(fx, fy);
                    const uint32_t alpha = (m.form == Form::ColorOnly ? before[static_cast<size_t>(y * 8 + x)] : p) &
                                           0xFF000000u;
                    expected[static_cast<size_t>(y * 8 + x)] = alpha | ReferenceShift(m.model, p & 0xFFFFFF, c.a);
                }
            }
            m.run(dst, src, c);
            ASSERT_EQ(Pixels(dst), expected) << m.name << " trial " << trial;
        }
    }
}

// All 2^24 colours through each model's in-place kernel, 1 M colours a pass.
TEST_F(ColourShiftTest, EveryColourMatchesSingleColourFunctions) {
    const Amounts amounts[] = {{-97, 41, -23}};
    CSprite s;
    ASSERT_TRUE(s.Create(4096, 256, false));
    for (const ColorSpaceModel model : {kColorSpaceHSV, kColorSpaceHSL, kColorSpaceHSLY}) {
        for (const Amounts& a : amounts) {
            std::vector<uint32_t> expected(1u << 24);
            for (uint32_t c = 0; c < (1u << 24); ++c) expected[c] = ReferenceShift(model, c, a);
            for (uint32_t block = 0; block < 16; ++block) {
                raster_test::Paint(s, [&](int32_t x, int32_t y) {
                    return (block << 20) | (static_cast<uint32_t>(y) << 12) | static_cast<uint32_t>(x);
                });
                for (const Member& m : kMembers)
                    if (m.model == model && m.form == Form::InPlace) m.run(s, s, Call{0, 0, 4096, 256, 0, 0, a});
                uint32_t wrong = 0, first = 0;
                for (int32_t y = 0; y < 256; ++y) {
                    for (int32_t x = 0; x < 4096; ++x) {
                        const uint32_t c = (block << 20) | (static_cast<uint32_t>(y) << 12) | static_cast<uint32_t>(x);
                        if (*s.PixelAt(x, y) != expected[c] && wrong++ == 0) first = c;
                    }
                }
                ASSERT_EQ(wrong, 0u) << "model " << model << " amounts " << a.hue << ", first colour " << std::hex
                                     << first;
            }
        }
    }
}

TEST_F(ColourShiftTest, WrappersRunTheCopyOnlyWhenReady) {
    using Wrapper = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int16_t,
                                      int16_t, int16_t);
    const struct {
        Wrapper wrapper;
        ColorSpaceModel model;
    } rows[] = {{&CSprite::AdjustHSVCopyIfReady, kColorSpaceHSV},
                {&CSprite::AdjustHSLCopyIfReady, kColorSpaceHSL},
                {&CSprite::AdjustHSLYCopyIfReady, kColorSpaceHSLY}};
    const CSprite src = Filled(2, 2, 0x40C86432);
    for (const auto& r : rows) {
        CSprite dst = Filled(2, 2, 0xFF000000);
        // A stored 65535 arrives as -1.
        (dst.*r.wrapper)(1, 0, 2, 2, src, 0, 0, static_cast<int16_t>(-1), -20, 10);
        const uint32_t shifted = 0x40000000u | ReferenceShift(r.model, 0xC86432, {-1, -20, 10});
        EXPECT_EQ(Pixels(dst), (std::vector<uint32_t>{0xFF000000, shifted, 0xFF000000, shifted})) << r.model;

        raster_test::ResetRasterLibrary();
        CSprite untouched = Filled(2, 2, 0xFF000000);
        (untouched.*r.wrapper)(0, 0, 2, 2, src, 0, 0, 0, 0, 0);
        EXPECT_EQ(Pixels(untouched), std::vector<uint32_t>(4, 0xFF000000u)) << r.model;
        InitRasterLibrary(1);
    }
}

}  // namespace
