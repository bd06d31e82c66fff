// Colour-model gradients: signed unwrapped hue runs, the entry clamps, the
// shapes against a closed-form reference (every model and form, clipped), the
// exact corners and ends, and the sizes that draw nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using Convert = uint32_t (*)(int32_t, int32_t, int32_t);

struct Comp {
    int32_t hue, saturation, third, alpha;
};

// The members of one model, called through uniform signatures.
struct Model {
    const char* name;
    Convert convert;
    void (CSprite::*h)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                       int32_t, int32_t);
    void (CSprite::*hc)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    void (CSprite::*v)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                       int32_t, int32_t);
    void (CSprite::*vc)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    void (CSprite::*hv)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                        int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    void (CSprite::*hvc)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                         int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
};

const Model kModels[] = {
    {"HSV", HSVToRGB, &CSprite::GradationHSVH, &CSprite::GradationHSVHC, &CSprite::GradationHSVV,
     &CSprite::GradationHSVVC, &CSprite::GradationHSVHV, &CSprite::GradationHSVHVC},
    {"HSL", HSLToRGB, &CSprite::GradationHSLH, &CSprite::GradationHSLHC, &CSprite::GradationHSLV,
     &CSprite::GradationHSLVC, &CSprite::GradationHSLHV, &CSprite::GradationHSLHVC},
    {"HSLY", HSLYToRGB, &CSprite::GradationHSLYH, &CSprite::GradationHSLYHC, &CSprite::GradationHSLYV,
     &CSprite::GradationHSLYVC, &CSprite::GradationHSLYHV, &CSprite::GradationHSLYHVC},
};

enum Shape { kH, kV, kHV };

// Calls the member of one shape and form; corners c[0..3] (only c[0], c[1] for
// the two-end shapes).
void Draw(CSprite& s, const Model& m, Shape shape, bool colourOnly, int32_t x, int32_t y, int32_t w, int32_t h,
          const Comp* c) {
    if (shape == kH || shape == kV) {
        if (colourOnly)
            (s.*(shape == kH ? m.hc : m.vc))(x, y, w, h, c[0].hue, c[0].saturation, c[0].third, c[1].hue,
                                             c[1].saturation, c[1].third);
        else
            (s.*(shape == kH ? m.h : m.v))(x, y, w, h, c[0].hue, c[0].saturation, c[0].third, c[0].alpha, c[1].hue,
                                           c[1].saturation, c[1].third, c[1].alpha);
    } else if (colourOnly) {
        (s.*m.hvc)(x, y, w, h, c[0].hue, c[0].saturation, c[0].third, c[1].hue, c[1].saturation, c[1].third,
                   c[2].hue, c[2].saturation, c[2].third, c[3].hue, c[3].saturation, c[3].third);
    } else {
        (s.*m.hv)(x, y, w, h, c[0].hue, c[0].saturation, c[0].third, c[0].alpha, c[1].hue, c[1].saturation,
                  c[1].third, c[1].alpha, c[2].hue, c[2].saturation, c[2].third, c[2].alpha, c[3].hue,
                  c[3].saturation, c[3].third, c[3].alpha);
    }
}

// ---- Closed-form reference of the runs (no accumulators) ----

int64_t FloorShift20(int64_t v) { return v >= 0 ? v >> 20 : -((-v + (1 << 20) - 1) >> 20); }

// Inner value i of the run a -> b over n + 1 pixels; the last pixel is b.
int32_t RunValue(int32_t a, int32_t b, int32_t n, int32_t i) {
    if (i == n) return b;
    const int64_t step = (static_cast<int64_t>(a - b) << 20) / n;
    return static_cast<int32_t>(FloorShift20((static_cast<int64_t>(a) << 20) - i * step));
}

Comp Clamp(Comp c) {
    return {std::clamp(c.hue, -1023, 1023), std::clamp(c.saturation, 0, 256), std::clamp(c.third, 0, 256),
            c.alpha & 0xFF};
}

uint32_t Pixel(const Model& m, const Comp& c, bool colourOnly, uint32_t old) {
    const uint32_t rgb = m.convert(c.hue, c.saturation, c.third);
    return colourOnly ? (old & 0xFF000000u) | rgb : (static_cast<uint32_t>(c.alpha) << 24) | rgb;
}

Comp RunComp(const Comp& a, const Comp& b, int32_t n, int32_t i) {
    return {RunValue(a.hue, b.hue, n, i), RunValue(a.saturation, b.saturation, n, i),
            RunValue(a.third, b.third, n, i), RunValue(a.alpha, b.alpha, n, i)};
}

// Component values of the four-corner shape at column i, row j (W = n + 1,
// H = m + 1), from the edge accumulators in closed form.
Comp CornerComp(const Comp* c, int32_t n, int32_t m, int32_t i, int32_t j) {
    if (j == m) return RunComp(c[2], c[3], n, i);
    auto one = [&](int32_t tl, int32_t tr, int32_t bl, int32_t br) {
        const int64_t left = (static_cast<int64_t>(tl) << 20) - j * ((static_cast<int64_t>(tl - bl) << 20) / m);
        const int64_t right = (static_cast<int64_t>(tr) << 20) - j * ((static_cast<int64_t>(tr - br) << 20) / m);
        if (i == n) return static_cast<int32_t>(FloorShift20(right));
        return static_cast<int32_t>(FloorShift20(left - i * ((left - right) / n)));
    };
    return {one(c[0].hue, c[1].hue, c[2].hue, c[3].hue),
            one(c[0].saturation, c[1].saturation, c[2].saturation, c[3].saturation),
            one(c[0].third, c[1].third, c[2].third, c[3].third),
            one(c[0].alpha, c[1].alpha, c[2].alpha, c[3].alpha)};
}

class ColorModelGradientTest : public raster_test::ReadyLibraryTest {
protected:
    std::mt19937 rng{2121};

    CSprite RandomSprite(int32_t w, int32_t h) { return raster_test::RandomWords(w, h, rng); }
    int32_t RandomIn(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
    Comp RandomComp() { return {RandomIn(-1100, 1100), RandomIn(-20, 280), RandomIn(-20, 280), RandomIn(0, 511)}; }
};

using raster_test::Pixels;

// The hue runs as a plain signed number: 350 -> 10 goes down through 180, the
// short way is 350 -> 370; a whole circle 0 -> 360 ends where it started.
TEST_F(ColorModelGradientTest, HueRunsAreSignedAndUnwrapped) {
    const struct {
        int32_t from, to;
        std::vector<int32_t> hues;
    } runs[] = {
        {350, 10, {350, 265, 180, 95, 10}},
        {350, 370, {350, 355, 0, 5, 10}},
        {-10, 10, {350, 355, 0, 5, 10}},
        {0, 360, {0, 90, 180, 270, 0}},
    };
    for (const Model& m : kModels) {
        for (const auto& r : runs) {
            SCOPED_TRACE(testing::Message() << m.name << " " << r.from << " -> " << r.to);
            CSprite s = RandomSprite(5, 2);
            const Comp ends[2] = {{r.from, 256, 200, 0x40}, {r.to, 256, 200, 0xC0}};
            Draw(s, m, kH, false, 0, 0, 5, 2, ends);
            for (int32_t i = 0; i < 5; ++i) {
                const uint32_t rgb = m.convert(r.hues[static_cast<size_t>(i)], 256, 200);
                EXPECT_EQ(*s.PixelAt(i, 0) & 0xFFFFFFu, rgb) << "pixel " << i;
                EXPECT_EQ(*s.PixelAt(i, 1), *s.PixelAt(i, 0));
            }
            EXPECT_EQ(*s.PixelAt(0, 0) >> 24, 0x40u);
            EXPECT_EQ(*s.PixelAt(4, 0) >> 24, 0xC0u);
        }
    }
}

// Entry clamps: hue to -1023..1023 before the run (not wrapped), saturation and
// third to 0..256, alpha to its low byte.
TEST_F(ColorModelGradientTest, EntryClamps) {
    const struct {
        Comp given, same;
    } cases[] = {
        {{-2000, 256, 256, 255}, {-1023, 256, 256, 255}},
        {{5000, 256, 256, 255}, {1023, 256, 256, 255}},
        {{100, 300, 256, 255}, {100, 256, 256, 255}},
        {{100, -5, 256, 255}, {100, 0, 256, 255}},
        {{100, 200, 300, 255}, {100, 200, 256, 255}},
        {{100, 200, -5, 255}, {100, 200, 0, 255}},
        {{100, 200, 128, 0x1180}, {100, 200, 128, 0x80}},
        {{100, 200, 128, -1}, {100, 200, 128, 0xFF}},
    };
    const Comp other{30, 128, 128, 0x20};
    for (const Model& m : kModels) {
        for (const auto& c : cases) {
            for (Shape shape : {kH, kV, kHV}) {
                SCOPED_TRACE(testing::Message() << m.name << " shape " << shape << " hue " << c.given.hue);
                CSprite a = RandomSprite(9, 7);
                CSprite b;
                ASSERT_TRUE(b.Create(9, 7, false));
                std::copy_n(a.GetPixels(), 9 * 7, b.GetPixels());
                const Comp given[4] = {c.given, other, other, c.given};
                const Comp same[4] = {c.same, other, other, c.same};
                Draw(a, m, shape, false, 0, 0, 9, 7, given);
                Draw(b, m, shape, false, 0, 0, 9, 7, same);
                EXPECT_EQ(Pixels(a), Pixels(b));
            }
        }
    }
    // The clamped start really is -1023, not -2000 wrapped: its run differs
    // from one starting at -2000 mod 360 = 160.
    CSprite a = RandomSprite(5, 1);
    CSprite b = RandomSprite(5, 1);
    const Comp clamped[2] = {{-2000, 256, 256, 255}, {0, 256, 256, 255}};
    const Comp wrapped[2] = {{160, 256, 256, 255}, {0, 256, 256, 255}};
    Draw(a, kModels[0], kH, false, 0, 0, 5, 1, clamped);
    Draw(b, kModels[0], kH, false, 0, 0, 5, 1, wrapped);
    EXPECT_NE(Pixels(a), Pixels(b));
    EXPECT_EQ(*a.PixelAt(1, 0) & 0xFFFFFFu, HSVToRGB(-1023 + (1023 / 4), 256, 256));
}

// Every model, shape and form against the closed-form reference, on random
// corners (outside the ranges too), random rectangles and clip rectangles: the
// run is laid over the clipped rectangle; pixels outside it stay; C forms keep
// every alpha.
TEST_F(ColorModelGradientTest, ShapesMatchClosedFormReference) {
    int drawnRounds = 0;
    for (int round = 0; round < 180; ++round) {
        const Model& m = kModels[round % 3];
        const Shape shape = static_cast<Shape>((round / 3) % 3);
        const bool colourOnly = (round / 9) % 2 == 1;
        SCOPED_TRACE(testing::Message() << m.name << " shape " << shape << " C " << colourOnly << " round " << round);
        const int32_t sw = RandomIn(4, 24), sh = RandomIn(4, 18);
        CSprite s = RandomSprite(sw, sh);
        const int32_t cl = RandomIn(0, sw / 3), ct = RandomIn(0, sh / 3);
        s.SetClipRect(cl, ct, RandomIn(cl + 1, sw), RandomIn(ct + 1, sh));
        const int32_t x = RandomIn(-4, sw / 2), y = RandomIn(-4, sh / 2);
        const int32_t w = RandomIn(1, sw + 6), h = RandomIn(1, sh + 6);
        Comp c[4];
        for (Comp& one : c) one = RandomComp();
        const std::vector<uint32_t> before = Pixels(s);
        Draw(s, m, shape, colourOnly, x, y, w, h, c);

        int32_t cx = x, cy = y, cw = w, ch = h;
        s.ClipRect(cx, cy, cw, ch);
        const bool drawn = cw > 0 && ch > 0 && (shape == kH ? cw >= 2 : shape == kV ? ch >= 2 : cw >= 2 && ch >= 2);
        drawnRounds += drawn ? 1 : 0;
        for (Comp& one : c) one = Clamp(one);
        for (int32_t py = 0; py < sh; ++py) {
            for (int32_t px = 0; px < sw; ++px) {
                const uint32_t old = before[static_cast<size_t>(py * sw + px)];
                uint32_t expected = old;
                if (drawn && px >= cx && px < cx + cw && py >= cy && py < cy + ch) {
                    const int32_t i = px - cx, j = py - cy;
                    const Comp v = shape == kH   ? RunComp(c[0], c[1], cw - 1, i)
                                   : shape == kV ? RunComp(c[0], c[1], ch - 1, j)
                                                 : CornerComp(c, cw - 1, ch - 1, i, j);
                    expected = Pixel(m, v, colourOnly, old);
                }
                ASSERT_EQ(*s.PixelAt(px, py), expected) << "at " << px << ", " << py << " clipped " << cx << " "
                                                        << cy << " " << cw << " " << ch;
            }
        }
    }
    EXPECT_GE(drawnRounds, 60);  // the random clips must leave enough drawn cases
}

// The corner pixels of the four-corner shapes are exactly the conversions of
// the corner values, and the ends of a clipped horizontal run are exact at the
// clip edges.
TEST_F(ColorModelGradientTest, CornersAndClippedEndsExact) {
    for (const Model& m : kModels) {
        for (int round = 0; round < 20; ++round) {
            const int32_t w = RandomIn(2, 40), h = RandomIn(2, 30);
            CSprite s = RandomSprite(w, h);
            Comp c[4];
            for (Comp& one : c) one = RandomComp();
            Draw(s, m, kHV, false, 0, 0, w, h, c);
            const uint32_t corners[4] = {*s.PixelAt(0, 0), *s.PixelAt(w - 1, 0), *s.PixelAt(0, h - 1),
                                         *s.PixelAt(w - 1, h - 1)};
            for (int k = 0; k < 4; ++k) EXPECT_EQ(corners[k], Pixel(m, Clamp(c[k]), false, 0)) << m.name << k;
        }
        CSprite s = RandomSprite(20, 3);
        s.SetClipRect(2, 0, 12, 3);
        const Comp ends[2] = {{10, 200, 100, 7}, {300, 50, 220, 250}};
        Draw(s, m, kH, false, -6, 0, 40, 3, ends);
        EXPECT_EQ(*s.PixelAt(2, 1), Pixel(m, ends[0], false, 0));
        EXPECT_EQ(*s.PixelAt(11, 2), Pixel(m, ends[1], false, 0));
    }
}

// Too small after clipping: horizontal width 1, vertical height 1, four corners
// either; an empty rectangle.
TEST_F(ColorModelGradientTest, TooSmallDrawsNothing) {
    const struct {
        Shape shape;
        int32_t x, y, w, h;
    } cases[] = {
        {kH, 3, 0, 1, 6}, {kH, 9, 0, 5, 6},   // width 1, the second by clipping
        {kV, 0, 2, 10, 1}, {kV, 0, -4, 10, 5},  // height 1, the second by clipping
        {kHV, 0, 0, 1, 6}, {kHV, 0, 0, 10, 1}, {kHV, -3, 0, 4, 4},
        {kH, 0, 0, 0, 6}, {kV, 0, 0, 6, -1},   {kHV, 20, 20, 5, 5},
    };
    const Comp c[4] = {{0, 256, 256, 255}, {120, 256, 256, 255}, {240, 256, 256, 255}, {60, 256, 256, 255}};
    for (const Model& m : kModels) {
        for (const auto& tc : cases) {
            for (bool colourOnly : {false, true}) {
                CSprite s = RandomSprite(10, 6);
                const std::vector<uint32_t> before = Pixels(s);
                Draw(s, m, tc.shape, colourOnly, tc.x, tc.y, tc.w, tc.h, c);
                EXPECT_EQ(Pixels(s), before) << m.name << " shape " << tc.shape << " " << tc.x << " " << tc.y;
            }
        }
    }
}

// A vertical run of clipped width 1 is drawn (only the height must reach 2).
TEST_F(ColorModelGradientTest, VerticalOfWidthOneIsDrawn) {
    CSprite s = RandomSprite(1, 3);
    const Comp ends[2] = {{0, 256, 256, 0x11}, {240, 256, 256, 0x33}};
    Draw(s, kModels[0], kV, false, 0, 0, 1, 3, ends);
    EXPECT_EQ(*s.PixelAt(0, 0), 0x11FF0000u);
    EXPECT_EQ(*s.PixelAt(0, 1), 0x2200FF00u);
    EXPECT_EQ(*s.PixelAt(0, 2), 0x330000FFu);
}

}  // namespace
