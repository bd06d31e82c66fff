// Interpolation gradients: the hue origin's choice of the far hue, every member
// against drawing each line by hand with the model's gradient, the sizes that
// draw nothing, and nothing before the raster library is ready.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using ToModel = void (*)(uint32_t, int32_t&, int32_t&, int32_t&);
using Interp = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t);
using DrawWhole = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                    int32_t, int32_t, int32_t);
using DrawColour = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t);

struct Member {
    const char* name;
    Interp interp;
    ToModel toModel;
    bool horizontal;
    DrawWhole whole;    // null for the colour-only forms
    DrawColour colour;  // null for the whole-pixel forms
};

const Member kMembers[] = {
    {"HSVH", &CSprite::InterpolationGradationHSVH, RGBToHSV, true, &CSprite::GradationHSVH, nullptr},
    {"HSLH", &CSprite::InterpolationGradationHSLH, RGBToHSL, true, &CSprite::GradationHSLH, nullptr},
    {"HSLYH", &CSprite::InterpolationGradationHSLYH, RGBToHSLY, true, &CSprite::GradationHSLYH, nullptr},
    {"HSVHC", &CSprite::InterpolationGradationHSVHC, RGBToHSV, true, nullptr, &CSprite::GradationHSVHC},
    {"HSLHC", &CSprite::InterpolationGradationHSLHC, RGBToHSL, true, nullptr, &CSprite::GradationHSLHC},
    {"HSLYHC", &CSprite::InterpolationGradationHSLYHC, RGBToHSLY, true, nullptr, &CSprite::GradationHSLYHC},
    {"HSVV", &CSprite::InterpolationGradationHSVV, RGBToHSV, false, &CSprite::GradationHSVV, nullptr},
    {"HSLV", &CSprite::InterpolationGradationHSLV, RGBToHSL, false, &CSprite::GradationHSLV, nullptr},
    {"HSLYV", &CSprite::InterpolationGradationHSLYV, RGBToHSLY, false, &CSprite::GradationHSLYV, nullptr},
    {"HSVVC", &CSprite::InterpolationGradationHSVVC, RGBToHSV, false, nullptr, &CSprite::GradationHSVVC},
    {"HSLVC", &CSprite::InterpolationGradationHSLVC, RGBToHSL, false, nullptr, &CSprite::GradationHSLVC},
    {"HSLYVC", &CSprite::InterpolationGradationHSLYVC, RGBToHSLY, false, nullptr, &CSprite::GradationHSLYVC},
};

// Draws one line (x, y, w, h) from the near to the far pixel, the far hue given.
void DrawLine(CSprite& s, const Member& m, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t nearPixel,
              uint32_t farPixel, int32_t farHue) {
    int32_t nh = 0, ns = 0, nt = 0, fh = 0, fs = 0, ft = 0;
    m.toModel(nearPixel, nh, ns, nt);
    m.toModel(farPixel, fh, fs, ft);
    if (m.whole != nullptr)
        (s.*m.whole)(x, y, w, h, nh, ns, nt, static_cast<int32_t>(nearPixel >> 24), farHue, fs, ft,
                     static_cast<int32_t>(farPixel >> 24));
    else
        (s.*m.colour)(x, y, w, h, nh, ns, nt, farHue, fs, ft);
}

using raster_test::Pixels;

// A test stops the library; the fixture starts it again afterwards.
class InterpolationGradientTest : public raster_test::ReadyLibraryTest {
protected:
    std::mt19937 rng{2122};

    int32_t RandomIn(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
    CSprite RandomSprite(int32_t w, int32_t h) { return raster_test::RandomWords(w, h, rng); }
    CSprite CopyOf(const CSprite& s) {
        CSprite c;
        EXPECT_TRUE(c.Create(s.GetWidth(), s.GetHeight(), false));
        for (int32_t y = 0; y < s.GetHeight(); ++y)
            std::copy_n(s.PixelAt(0, y), s.GetWidth(), c.PixelAt(0, y));
        return c;
    }
};

// The far hue h' with T <= h' < T + 360: a near end of hue 300 and a far end
// of hue 60 run downward with T = 0 and upward (300 -> 420) with T = 180 or
// 300; T = -1 maps 359 to -1 and leaves 358; a far hue past 1023 is clamped by
// the drawing member.
TEST_F(InterpolationGradientTest, HueOriginChoosesTheFarHue) {
    constexpr uint32_t kHue300 = 0xC00A050A, kHue60 = 0x400A0A05, kHue359 = 0x403C0001, kHue358 = 0x403C0002;
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t origin;
        uint32_t far;
        int32_t farHue;
    } cases[] = {
        {0, kHue60, 60},      {180, kHue60, 420},   {300, kHue60, 420},    {360, kHue60, 420},
        {-1, kHue359, -1},    {-1, kHue358, 358},   {-1, kHue60, 60},      {300, kHue359, 359},
        {720, kHue60, 780},   {-361, kHue60, -300}, {-360, kHue359, -1},   {1000, kHue60, 1023},
        {kMax, kHue60, 1023}, {kMin, kHue60, -1023}, {kMin, kHue359, -1023},
    };
    for (int model = 0; model < 3; ++model) {
        for (const auto& c : cases) {
            for (bool horizontal : {true, false}) {
                const Member& m = kMembers[model + (horizontal ? 0 : 6)];
                SCOPED_TRACE(testing::Message() << m.name << " T " << c.origin << " far " << std::hex << c.far);
                int32_t hue = 0, s = 0, t = 0;
                m.toModel(c.far, hue, s, t);
                ASSERT_EQ(hue, c.far == kHue60 ? 60 : c.far == kHue359 ? 359 : 358);
                m.toModel(kHue300, hue, s, t);
                ASSERT_EQ(hue, 300);

                const int32_t w = horizontal ? 9 : 1, h = horizontal ? 1 : 9;
                CSprite got = RandomSprite(w, h);
                *got.PixelAt(0, 0) = kHue300;
                *got.PixelAt(w - 1, h - 1) = c.far;
                CSprite expected = CopyOf(got);
                (got.*m.interp)(0, 0, w, h, c.origin);
                DrawLine(expected, m, 0, 0, w, h, kHue300, c.far, c.farHue);
                EXPECT_EQ(Pixels(got), Pixels(expected));
            }
        }
    }
}

// A grey near end converts to hue 0 and saturation 0: toward a blue far end the
// run passes through the hues 0..240 while the saturation rises.
TEST_F(InterpolationGradientTest, GreyToBluePassesThroughTheHues) {
    CSprite s = RandomSprite(5, 1);
    *s.PixelAt(0, 0) = 0xFF808080;
    *s.PixelAt(4, 0) = 0xFF0000FF;
    s.InterpolationGradationHSVH(0, 0, 5, 1, 0);
    const uint32_t expected[5] = {HSVToRGB(0, 0, 128), HSVToRGB(60, 64, 160), HSVToRGB(120, 128, 192),
                                  HSVToRGB(180, 192, 224), HSVToRGB(240, 256, 256)};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(*s.PixelAt(i, 0), 0xFF000000u | expected[i]) << i;
}

// Every member on random pictures, rectangles, clips and origins equals drawing
// each row or column by hand between its own ends (read before any drawing),
// with the far hue found by stepping whole turns into [T, T + 360). The
// colour-only forms keep every alpha, the ends' included.
TEST_F(InterpolationGradientTest, MembersMatchLineByLineReference) {
    int drawnRounds = 0;
    for (int round = 0; round < 120; ++round) {
        const Member& m = kMembers[round % 12];
        const int32_t sw = RandomIn(3, 16), sh = RandomIn(3, 12);
        CSprite got = RandomSprite(sw, sh);
        const int32_t cl = RandomIn(0, sw / 3), ct = RandomIn(0, sh / 3);
        got.SetClipRect(cl, ct, RandomIn(cl + 1, sw), RandomIn(ct + 1, sh));
        const int32_t x = RandomIn(-3, sw / 2), y = RandomIn(-3, sh / 2);
        const int32_t w = RandomIn(1, sw + 4), h = RandomIn(1, sh + 4);
        const int32_t origin = RandomIn(-900, 900);
        SCOPED_TRACE(testing::Message() << m.name << " round " << round << " T " << origin);

        CSprite expected = CopyOf(got);
        const std::vector<uint32_t> before = Pixels(got);
        (got.*m.interp)(x, y, w, h, origin);

        int32_t cx = x, cy = y, cw = w, ch = h;
        got.ClipRect(cx, cy, cw, ch);
        if (cw > 0 && (m.horizontal ? cw >= 2 : ch >= 2)) {
            ++drawnRounds;
            const int32_t lines = m.horizontal ? ch : cw;
            for (int32_t k = 0; k < lines; ++k) {
                const int32_t lx = m.horizontal ? cx : cx + k, ly = m.horizontal ? cy + k : cy;
                const int32_t fx = m.horizontal ? cx + cw - 1 : lx, fy = m.horizontal ? ly : cy + ch - 1;
                const uint32_t nearPixel = before[static_cast<size_t>(ly * sw + lx)];
                const uint32_t farPixel = before[static_cast<size_t>(fy * sw + fx)];
                int32_t farHue = 0, s = 0, t = 0;
                m.toModel(farPixel, farHue, s, t);
                while (farHue < origin) farHue += 360;
                while (farHue >= origin + 360) farHue -= 360;
                DrawLine(expected, m, lx, ly, m.horizontal ? cw : 1, m.horizontal ? 1 : ch, nearPixel, farPixel,
                         farHue);
            }
        }
        ASSERT_EQ(Pixels(got), Pixels(expected));
        if (m.colour != nullptr) {
            const std::vector<uint32_t> after = Pixels(got);
            for (size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i] >> 24, before[i] >> 24) << i;
        }
    }
    EXPECT_GE(drawnRounds, 40);  // the random clips must leave enough drawn cases
}

// The end pixels are rewritten with the conversion of their own components, so
// even a row of two pixels can change.
TEST_F(InterpolationGradientTest, TwoPixelRowIsRewrittenThroughTheModel) {
    CSprite s = RandomSprite(2, 1);
    *s.PixelAt(0, 0) = 0xFFC86432;
    *s.PixelAt(1, 0) = 0x80C86432;
    s.InterpolationGradationHSLH(0, 0, 2, 1, 0);
    EXPECT_EQ(*s.PixelAt(0, 0), 0xFF000000u | HSLToRGB(19, 153, 125));
    EXPECT_EQ(*s.PixelAt(1, 0), 0x80000000u | HSLToRGB(19, 153, 125));
    EXPECT_NE(*s.PixelAt(0, 0), 0xFFC86432u);
}

// Clipped width 1 (horizontal forms) or height 1 (vertical forms), an empty
// rectangle, and any call before the library is ready leave the sprite as it is.
TEST_F(InterpolationGradientTest, NothingDrawnWhenTooSmallOrNotReady) {
    for (const Member& m : kMembers) {
        CSprite s = RandomSprite(8, 6);
        s.SetClipRect(1, 1, 7, 5);
        const std::vector<uint32_t> before = Pixels(s);
        if (m.horizontal) {
            (s.*m.interp)(6, 0, 4, 6, 0);  // clipped to width 1
            (s.*m.interp)(0, 0, 1, 6, 0);
        } else {
            (s.*m.interp)(0, 4, 8, 3, 0);  // clipped to height 1
            (s.*m.interp)(0, 0, 8, 1, 0);
        }
        (s.*m.interp)(0, 0, 0, 0, 0);
        (s.*m.interp)(20, 20, 5, 5, 0);
        EXPECT_EQ(Pixels(s), before) << m.name;
    }
    raster_test::ResetRasterLibrary();
    for (const Member& m : kMembers) {
        CSprite s = RandomSprite(8, 6);
        const std::vector<uint32_t> before = Pixels(s);
        (s.*m.interp)(0, 0, 8, 6, 180);
        EXPECT_EQ(Pixels(s), before) << m.name;
    }
}

}  // namespace
