#include "raster/surface/gradient/MixGradation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

// A MIX point of strength 1 and scale 1 on every side.
MixGradationPoint Point(double x, double y, double zeroRadius, double fullRadius, uint32_t argb,
                        int32_t mode = kMixGradationMix) {
    MixGradationPoint p{};
    p.x = x;
    p.y = y;
    p.zeroRadius = zeroRadius;
    p.fullRadius = fullRadius;
    p.scaleUp = p.scaleDown = p.scaleLeft = p.scaleRight = 1.0;
    p.alpha = argb >> 24;
    p.red = (argb >> 16) & 0xFF;
    p.green = (argb >> 8) & 0xFF;
    p.blue = argb & 0xFF;
    p.strength = 1.0;
    p.mode = mode;
    return p;
}

using raster_test::Filled;
using raster_test::Pixels;

class MixGradationTest : public raster_test::ReadyLibraryTest {
protected:
    void TearDown() override {
        raster_test::ReadyLibraryTest::TearDown();
        raster_test::UseBaselineGradientVectors(false);
    }
    std::mt19937 rng{4242};
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
};

TEST_F(MixGradationTest, NoPointsGiveTheBase) {
    CSprite full = Filled(5, 4, 0x01020304u), c = Filled(5, 4, 0x01020304u), a = Filled(5, 4, 0x01020304u);
    full.MixGradation(0, 0, 5, 4, nullptr, 0, 0x80FF7F00u);
    c.MixGradationC(1, 1, 9, 9, nullptr, 0, 0x80FF7F00u);
    a.MixGradationA(-3, -3, 5, 5, nullptr, 0, 0xFFFFFF40u);  // base alpha from the low byte
    EXPECT_EQ(Pixels(full), std::vector<uint32_t>(20, 0x80FF7F00u));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(*c.PixelAt(x, y), x >= 1 && y >= 1 ? 0x01FF7F00u : 0x01020304u) << x << "," << y;
            EXPECT_EQ(*a.PixelAt(x, y), x <= 1 && y <= 1 ? 0x40020304u : 0x01020304u) << x << "," << y;
        }
}

// One MIX point that is a disc of full weight to distance 10 fading out to 20
// (zeroRadius 20, fullRadius 10), along a row. The weight sum starts at 1e-12,
// so a fully covered channel is c / (1 + 1e-12), which truncates to c - 1 for
// a positive whole c: the pixels inside the disc are one below the point's
// colour in its non-zero channels.
TEST_F(MixGradationTest, FadingDiscAlongARow) {
    const MixGradationPoint p = Point(30.0, 0.0, 20.0, 10.0, 0xFFC90063u);  // A 255, R 201, G 0, B 99
    const uint32_t base = 0x0064FF00u;                                       // A 0, R 100, G 255, B 0
    CSprite s = Filled(61, 1, 0xDEADBEEFu);
    s.MixGradation(0, 0, 61, 1, &p, 1, base);
    struct Case {
        const char* name;
        int32_t distance;
        uint32_t expected;
    };
    const Case cases[] = {
        {"centre", 0, 0xFEC80062u},
        {"inside the full radius", 7, 0xFEC80062u},
        {"at the full radius", 10, 0xFEC80062u},
        // w = 0.5, K = 0.5: half the point's colour plus half the base.
        {"half way", 15, 0x7F967F31u},
        {"at the zero radius", 20, base},
        {"beyond", 25, base},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(*s.PixelAt(30 - c.distance, 0), c.expected) << c.name << " (left)";
        EXPECT_EQ(*s.PixelAt(30 + c.distance, 0), c.expected) << c.name << " (right)";
    }
}

// Equal radii: a hard disc including the pixels at exactly the radius.
TEST_F(MixGradationTest, EqualRadiiIncludeTheRadius) {
    const MixGradationPoint p = Point(6.0, 6.0, 5.0, 5.0, 0x00000000u);
    CSprite s = Filled(13, 13, 0);
    s.MixGradation(0, 0, 13, 13, &p, 1, 0xFFFFFFFFu);
    for (int32_t y = 0; y < 13; ++y)
        for (int32_t x = 0; x < 13; ++x) {
            const int32_t d2 = (x - 6) * (x - 6) + (y - 6) * (y - 6);
            EXPECT_EQ(*s.PixelAt(x, y), d2 <= 25 ? 0u : 0xFFFFFFFFu) << x << "," << y;
        }
    EXPECT_EQ(*s.PixelAt(11, 6), 0u);  // (5, 0)
    EXPECT_EQ(*s.PixelAt(9, 10), 0u);  // (3, 4)
    EXPECT_EQ(*s.PixelAt(12, 6), 0xFFFFFFFFu);
}

// Modes by the low two bits: ADD and SUB shift the result and clamp; 3 is inert.
TEST_F(MixGradationTest, ModesAddSubAndInert) {
    struct Case {
        const char* name;
        int32_t mode;
        uint32_t expected;  // base 0x80640000: A 128, R 100
    };
    const Case cases[] = {
        {"ADD clamps at 255", kMixGradationAdd, 0xFFFF0000u},
        {"SUB clamps at 0", kMixGradationSub, 0x00000000u},
        {"3 is inert", 3, 0x80640000u},
        {"only the low two bits count (7 = inert)", 7, 0x80640000u},
        {"only the low two bits count (-3 = ADD)", -3, 0xFFFF0000u},
        {"only the low two bits count (6 = SUB)", 6, 0x00000000u},
    };
    for (const Case& c : cases) {
        const MixGradationPoint p = Point(2.0, 2.0, 20.0, 10.0, 0xFFFF0000u, c.mode);  // alpha and red 255
        CSprite s = Filled(5, 5, 0x12345678u);
        s.MixGradation(0, 0, 5, 5, &p, 1, 0x80640000u);
        EXPECT_EQ(Pixels(s), std::vector<uint32_t>(25, c.expected)) << c.name;
    }
    // A partial ADD: half weight of red 100 over base red 10 gives 60.
    MixGradationPoint half = Point(0.0, 0.0, 20.0, 10.0, 0x00640000u, kMixGradationAdd);
    half.strength = 0.5;
    CSprite s = Filled(1, 1, 0);
    s.MixGradation(0, 0, 1, 1, &half, 1, 0x000A0000u);
    EXPECT_EQ(*s.PixelAt(0, 0), 0x003C0000u);
}

// The scales stretch the distance on their own side only: scaleLeft 2 reaches
// half as far to the left, scaleDown 0.5 twice as far down.
TEST_F(MixGradationTest, ScalesActOnTheirOwnSide) {
    MixGradationPoint p = Point(20.0, 12.0, 6.0, 6.0, 0x00000000u);
    p.scaleLeft = 2.0;
    p.scaleRight = 1.0;
    p.scaleUp = 3.0;
    p.scaleDown = 0.5;
    CSprite s = Filled(40, 40, 0);
    s.MixGradation(0, 0, 40, 40, &p, 1, 0xFFFFFFFFu);
    auto covered = [&s](int32_t x, int32_t y) { return *s.PixelAt(x, y) == 0u; };
    std::vector<int32_t> row, column;
    for (int32_t x = 0; x < 40; ++x)
        if (covered(x, 12)) row.push_back(x);
    for (int32_t y = 0; y < 40; ++y)
        if (covered(20, y)) column.push_back(y);
    ASSERT_FALSE(row.empty());
    ASSERT_FALSE(column.empty());
    EXPECT_EQ(row.front(), 17);     // 3 to the left (x 2 = 6)
    EXPECT_EQ(row.back(), 26);      // 6 to the right
    EXPECT_EQ(column.front(), 10);  // 2 up (x 3 = 6)
    EXPECT_EQ(column.back(), 24);   // 12 down (x 0.5 = 6)
    EXPECT_EQ(row.size(), 10u);
    EXPECT_EQ(column.size(), 15u);
}

// The rule written out plainly, one channel: the reference for the random test.
double Reference(const std::vector<MixGradationPoint>& points, double MixGradationPoint::*field, double base,
                 double px, double py) {
    double weights = 1e-12, keep = 1.0, mixed = 0.0, shift = 0.0;
    for (const MixGradationPoint& p : points) {
        const double dx = p.x - px, dy = p.y - py;
        const double ox = dx * (dx >= 0 ? p.scaleLeft : p.scaleRight);
        const double oy = dy * (dy >= 0 ? p.scaleUp : p.scaleDown);
        const double d = std::sqrt(ox * ox + oy * oy);
        double f;
        if (p.zeroRadius == p.fullRadius)
            f = d <= p.zeroRadius ? 1.0 : 0.0;
        else
            f = std::clamp((d - p.zeroRadius) / (p.fullRadius - p.zeroRadius), 0.0, 1.0);
        const double w = p.strength * f;
        switch (p.mode & 3) {
            case 0:
                weights += w;
                mixed += w * (p.*field);
                keep = w >= 1 ? 0.0 : keep * (1 - w);
                break;
            case 1: shift += w * (p.*field); break;
            case 2: shift -= w * (p.*field); break;
            default: break;
        }
    }
    const double v = mixed / weights * (1 - keep) + keep * base + shift;
    return std::trunc(std::clamp(v, 0.0, 255.0));
}

// Random points, modes, rectangles and clip rectangles against the plain rule
// (within 1 per channel), on the wide and the baseline vector paths; pixels
// outside the clipped rectangle untouched; the C and A forms equal the
// whole-pixel form in their own bytes.
TEST_F(MixGradationTest, RandomPointsAgainstPlainEvaluation) {
    const int32_t W = 41, H = 29;
    double MixGradationPoint::*const fields[4] = {&MixGradationPoint::alpha, &MixGradationPoint::red,
                                                  &MixGradationPoint::green, &MixGradationPoint::blue};
    int64_t inexact = 0;
    for (int trial = 0; trial < 80; ++trial) {
        raster_test::UseBaselineGradientVectors(trial % 2 == 1);
        std::vector<MixGradationPoint> points(rng() % 9);
        for (MixGradationPoint& p : points) {
            p.x = Uniform(-10, 50);
            p.y = std::floor(Uniform(-10, 40));  // whole rows too, so dy = 0 occurs
            const double r1 = Uniform(0, 30), r2 = rng() % 4 == 0 ? r1 : Uniform(0, 30);
            p.zeroRadius = r1;
            p.fullRadius = r2;
            p.scaleUp = Uniform(0.25, 3);
            p.scaleDown = Uniform(0.25, 3);
            p.scaleLeft = Uniform(0.25, 3);
            p.scaleRight = Uniform(0.25, 3);
            p.alpha = Uniform(-20, 280);
            p.red = Uniform(0, 255);
            p.green = std::floor(Uniform(0, 256));
            p.blue = Uniform(-20, 280);
            p.strength = Uniform(0, 1.5);
            p.mode = static_cast<int32_t>(rng() % 8);
        }
        const uint32_t base = static_cast<uint32_t>(rng());
        const int32_t x = static_cast<int32_t>(rng() % 50) - 10, y = static_cast<int32_t>(rng() % 40) - 10;
        const int32_t w = static_cast<int32_t>(rng() % 45), h = static_cast<int32_t>(rng() % 35);
        const int32_t cl = static_cast<int32_t>(rng() % 10), ct = static_cast<int32_t>(rng() % 10);
        const int32_t cr = cl + static_cast<int32_t>(rng() % (W - cl)) + 1;
        const int32_t cb = ct + static_cast<int32_t>(rng() % (H - ct)) + 1;

        CSprite full = Filled(W, H, 0), c = Filled(W, H, 0), a = Filled(W, H, 0);
        for (int32_t py = 0; py < H; ++py)
            for (int32_t px = 0; px < W; ++px) {
                *full.PixelAt(px, py) = static_cast<uint32_t>(rng());
                *c.PixelAt(px, py) = static_cast<uint32_t>(rng());
                *a.PixelAt(px, py) = static_cast<uint32_t>(rng());
            }
        const std::vector<uint32_t> fullBefore = Pixels(full), cBefore = Pixels(c), aBefore = Pixels(a);
        for (CSprite* s : {&full, &c, &a}) s->SetClipRect(cl, ct, cr, cb);
        full.MixGradation(x, y, w, h, points.data(), static_cast<uint32_t>(points.size()), base);
        c.MixGradationC(x, y, w, h, points.data(), static_cast<uint32_t>(points.size()), base);
        a.MixGradationA(x, y, w, h, points.data(), static_cast<uint32_t>(points.size()), base >> 24);
        const std::vector<uint32_t> f = Pixels(full), cAfter = Pixels(c), aAfter = Pixels(a);

        for (int32_t py = 0; py < H; ++py)
            for (int32_t px = 0; px < W; ++px) {
                const size_t i = static_cast<size_t>(py) * W + px;
                const bool inside = px >= std::max(x, cl) && px < std::min(x + w, cr) && py >= std::max(y, ct) &&
                                    py < std::min(y + h, cb);
                const std::string where = "trial " + std::to_string(trial) + " at " + std::to_string(px) + "," +
                                          std::to_string(py);
                if (!inside) {
                    ASSERT_EQ(f[i], fullBefore[i]) << where;
                    ASSERT_EQ(cAfter[i], cBefore[i]) << where;
                    ASSERT_EQ(aAfter[i], aBefore[i]) << where;
                    continue;
                }
                for (int ch = 0; ch < 4; ++ch) {
                    const int shift = 24 - 8 * ch;
                    const double want = Reference(points, fields[ch], (base >> shift) & 0xFF, px, py);
                    const double got = (f[i] >> shift) & 0xFF;
                    ASSERT_LE(std::abs(got - want), 1.0) << where << " channel " << ch;
                    inexact += got != want;
                }
                ASSERT_EQ(cAfter[i], (cBefore[i] & 0xFF000000u) | (f[i] & 0xFFFFFFu)) << where;
                ASSERT_EQ(aAfter[i], (aBefore[i] & 0xFFFFFFu) | (f[i] & 0xFF000000u)) << where;
            }
    }
    // Evaluated in the same order, the results agree exactly.
    EXPECT_EQ(inexact, 0);
}

// Undefined arithmetic from a broken point (NaN strength, infinite
// coordinates) makes no byte out of a NaN: such channels come out 0.
TEST_F(MixGradationTest, BrokenPointsDoNotPoisonTheConversion) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    MixGradationPoint nanStrength = Point(2, 2, 10, 0, 0xFFFFFFFFu);
    nanStrength.strength = nan;
    MixGradationPoint farAway = Point(inf, -inf, 10, 0, 0xFFFFFFFFu);
    farAway.scaleLeft = 0.0;  // inf x 0
    for (const MixGradationPoint& p : {nanStrength, farAway}) {
        CSprite s = Filled(4, 4, 0x55555555u);
        s.MixGradation(0, 0, 4, 4, &p, 1, 0x80808080u);
        for (uint32_t v : Pixels(s)) EXPECT_TRUE(v == 0u || v == 0x80808080u) << std::hex << v;
    }
}

}  // namespace
