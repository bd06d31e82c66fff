// Rotated and scaled draws: exact turns and mirrors against a reference
// rotation, arbitrary geometry against a double-precision inverse mapping,
// the refusals, and every member's pixel rule against its same-size twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Make;
using raster_test::Pixels;

constexpr uint32_t kUntouched = 0x5A5A5A5Au;

class RotatedDrawTest : public raster_test::ReadyLibraryTest {};

// The source rectangle's pixels turned clockwise by quarter turns, then
// mirrored, the obvious way.
std::vector<uint32_t> Reference(const std::vector<uint32_t>& image, int32_t w, int32_t h, int quarters, bool mirrorX,
                                bool mirrorY, int32_t& outW, int32_t& outH) {
    std::vector<uint32_t> current = image;
    outW = w;
    outH = h;
    for (int q = 0; q < quarters; ++q) {
        std::vector<uint32_t> next(current.size());
        // Clockwise: new (x, y) = old (y, H - 1 - x), new size H x W.
        for (int32_t y = 0; y < outW; ++y)
            for (int32_t x = 0; x < outH; ++x)
                next[static_cast<size_t>(y * outH + x)] = current[static_cast<size_t>((outH - 1 - x) * outW + y)];
        current.swap(next);
        std::swap(outW, outH);
    }
    std::vector<uint32_t> mirrored(current.size());
    for (int32_t y = 0; y < outH; ++y)
        for (int32_t x = 0; x < outW; ++x)
            mirrored[static_cast<size_t>(y * outW + x)] =
                current[static_cast<size_t>((mirrorY ? outH - 1 - y : y) * outW + (mirrorX ? outW - 1 - x : x))];
    return mirrored;
}

TEST_F(RotatedDrawTest, QuarterTurnsAndMirrorsAreExact) {
    struct Case {
        const char* what;
        double angle, scaleX, scaleY;
        int quarters;
        bool mirrorX, mirrorY;
    };
    const Case cases[] = {
        {"copy", 0, 1, 1, 0, false, false},
        {"360 is 0", 360, 1, 1, 0, false, false},
        {"720 is 0", 720, 1, 1, 0, false, false},
        {"half turn", 180, 1, 1, 2, false, false},
        {"-180", -180, 1, 1, 2, false, false},
        {"quarter turn", 90, 1, 1, 1, false, false},
        {"450 is 90", 450, 1, 1, 1, false, false},
        {"three quarters", 270, 1, 1, 3, false, false},
        {"-90 is 270", -90, 1, 1, 3, false, false},
        {"630 is 270", 630, 1, 1, 3, false, false},
        {"mirror left-right", 0, -1, 1, 0, true, false},
        {"mirror top-bottom", 0, 1, -1, 0, false, true},
        {"both mirrored is a half turn", 0, -1, -1, 2, false, false},
        {"half turn of both mirrors is a copy", 180, -1, -1, 0, false, false},
        {"half turn mirrored left-right", 180, -1, 1, 0, false, true},
        {"quarter turn mirrored", 90, -1, 1, 1, false, true},
    };
    std::mt19937 rng(120);
    const struct {
        int32_t w, h;
    } sizes[] = {{7, 5}, {6, 4}, {5, 5}, {8, 8}, {1, 6}};
    for (const auto& size : sizes) {
        CSprite source;
        raster_test::MakeRandom(source, size.w + 5, size.h + 4, rng);
        std::vector<uint32_t> window;
        for (int32_t y = 0; y < size.h; ++y)
            for (int32_t x = 0; x < size.w; ++x) window.push_back(*source.PixelAt(2 + x, 3 + y));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " " + std::to_string(size.w) + "x" + std::to_string(size.h));
            int32_t tw = 0, th = 0;
            const std::vector<uint32_t> expected =
                Reference(window, size.w, size.h, c.quarters, c.mirrorX, c.mirrorY, tw, th);
            CSprite target = raster_test::Filled(tw + 4, th + 3, kUntouched);
            EXPECT_TRUE(target.BlitRotated(1, 2, tw, th, 0, 0, c.angle, c.scaleX, c.scaleY, source, 2, 3, size.w,
                                           size.h, 0.5, 0.5));
            for (int32_t y = 0; y < target.GetHeight(); ++y)
                for (int32_t x = 0; x < target.GetWidth(); ++x) {
                    const bool inside = x >= 1 && x < 1 + tw && y >= 2 && y < 2 + th;
                    const uint32_t want = inside ? expected[static_cast<size_t>((y - 2) * tw + (x - 1))] : kUntouched;
                    ASSERT_EQ(*target.PixelAt(x, y), want) << x << "," << y;
                }
        }
    }
}

TEST_F(RotatedDrawTest, CentresMeetWithoutHalfPixelShift) {
    // A 4-pixel-wide source in a 10-pixel-wide rectangle covers columns 3 to 6.
    CSprite source = raster_test::Painted(4, 1, [](int32_t x, int32_t) { return 0xFF000001u + uint32_t(x); });
    CSprite target = raster_test::Filled(10, 1, kUntouched);
    ASSERT_TRUE(target.BlitRotated(0, 0, 10, 1, 0, 0, 0, 1, 1, source, 0, 0, 4, 1, 0.5, 0.5));
    const std::vector<uint32_t> want = {kUntouched,  kUntouched,  kUntouched,  0xFF000001u, 0xFF000002u,
                                        0xFF000003u, 0xFF000004u, kUntouched,  kUntouched,  kUntouched};
    EXPECT_EQ(Pixels(target), want);
    // An offset moves the picture; an enlargement by 2 covers twice the width.
    raster_test::Fill(target, kUntouched);
    ASSERT_TRUE(target.BlitRotated(0, 0, 10, 1, -1, 0, 0, 2, 1, source, 0, 0, 4, 1, 0.5, 0.5));
    const std::vector<uint32_t> wide = {0xFF000001u, 0xFF000001u, 0xFF000002u, 0xFF000002u, 0xFF000003u,
                                        0xFF000003u, 0xFF000004u, 0xFF000004u, kUntouched,  kUntouched};
    EXPECT_EQ(Pixels(target), wide);
}

// The pivot fixes the offset of the image centre, rounded to whole pixels, as
// the draws do; the rest of the mapping is exact geometry.
void PivotShift(double sw, double sh, double scaleX, double scaleY, double angle, double pivotX, double pivotY,
                double& ox, double& oy) {
    if (pivotX == 0.5 && pivotY == 0.5) return;
    const double vx = sw * scaleX * (0.5 - pivotX), vy = sh * scaleY * (0.5 - pivotY);
    const double d = std::hypot(vx, vy), phi = std::atan2(vy, vx);
    double a = std::fmod(angle, 360.0);
    if (a < 0) a += 360;
    const double t = a * std::numbers::pi / 180 + phi;
    auto nearest = [](double v) { return v >= 0 ? std::trunc(v + 0.5) : -std::trunc(0.5 - v); };
    ox += nearest((std::cos(t) - std::cos(phi)) * d);
    oy += nearest((std::sin(t) - std::sin(phi)) * d);
}

// Arbitrary angles, scales, offsets, pivots and clip rectangles against the
// inverse mapping in doubles: the source point under a destination pixel's
// top-left corner is sourceCentre + S^-1 R(-angle) (p - imageCentre). The
// 16.16 walk strays from it by at most half a unit for the rounded start and
// for every step rounded on the way from the rectangle's corner, plus the
// start's nudge (4 units) and snap (2 units); where the point lies that close
// to a pixel edge the draw may take either side. Everywhere else it must agree
// exactly with floor(point), including on which pixels it leaves alone.
TEST_F(RotatedDrawTest, ArbitraryGeometryFollowsTheInverseMapping) {
    std::mt19937 rng(2076);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int64_t checked = 0, exact = 0;
    for (int round = 0; round < 300; ++round) {
        const int32_t srcW = 10 + int32_t(rng() % 25), srcH = 8 + int32_t(rng() % 20);
        CSprite source = raster_test::Painted(srcW, srcH, [](int32_t x, int32_t y) {
            return 0xFF000000u | uint32_t(y << 8) | uint32_t(x);  // its own position
        });
        const int32_t sx = int32_t(rng() % 4), sy = int32_t(rng() % 4);
        const int32_t sw = srcW - sx - int32_t(rng() % 3), sh = srcH - sy - int32_t(rng() % 3);
        CSprite target = raster_test::Filled(48, 40, kUntouched);
        if (round % 3 == 0) target.SetClipRect(3, 5, 40, 33);
        const int32_t dx = int32_t(rng() % 20) - 6, dy = int32_t(rng() % 16) - 5;
        const int32_t dw = 12 + int32_t(rng() % 40), dh = 10 + int32_t(rng() % 34);
        const int32_t ox = int32_t(rng() % 21) - 10, oy = int32_t(rng() % 21) - 10;
        const double angle = unit(rng) * 800 - 400;
        auto scale = [&] { return (0.3 + unit(rng) * 2.7) * ((rng() & 3) == 0 ? -1 : 1); };
        const double scaleX = scale(), scaleY = scale();
        const bool centred = round % 2 == 0;
        const double pivotX = centred ? 0.5 : unit(rng), pivotY = centred ? 0.5 : unit(rng);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(target.BlitRotated(dx, dy, dw, dh, ox, oy, angle, scaleX, scaleY, source, sx, sy, sw, sh, pivotX,
                                       pivotY));

        double ox2 = ox, oy2 = oy;
        PivotShift(sw, sh, scaleX, scaleY, angle, pivotX, pivotY, ox2, oy2);
        const double theta = angle * std::numbers::pi / 180;
        const double cx = dx + dw * 0.5 + ox2, cy = dy + dh * 0.5 + oy2;
        for (int32_t y = 0; y < target.GetHeight(); ++y)
            for (int32_t x = 0; x < target.GetWidth(); ++x) {
                const double eps = (6.5 + 0.5 * (std::abs(x - dx) + std::abs(y - dy))) / 65536 + 1e-9;
                const uint32_t got = *target.PixelAt(x, y);
                const bool clipped = round % 3 == 0;
                const bool inRect = x >= std::max(dx, clipped ? 3 : 0) && y >= std::max(dy, clipped ? 5 : 0) &&
                                    x < std::min(dx + dw, clipped ? 40 : 48) && y < std::min(dy + dh, clipped ? 33 : 40);
                if (!inRect) {
                    ASSERT_EQ(got, kUntouched) << "outside the clipped rectangle at " << x << "," << y;
                    continue;
                }
                const double vx = x - cx, vy = y - cy;
                const double qx = sw * 0.5 + (std::cos(theta) * vx + std::sin(theta) * vy) / scaleX;
                const double qy = sh * 0.5 + (-std::sin(theta) * vx + std::cos(theta) * vy) / scaleY;
                // Candidates: the pixels within eps of the point.
                bool maybeOutside = false, matched = false;
                for (double ex : {-eps, eps})
                    for (double ey : {-eps, eps}) {
                        const double px = std::floor(qx + ex), py = std::floor(qy + ey);
                        if (px < 0 || py < 0 || px >= sw || py >= sh) {
                            maybeOutside = true;
                            continue;
                        }
                        const uint32_t want = 0xFF000000u | (uint32_t(py + sy) << 8) | uint32_t(px + sx);
                        if (got == want) matched = true;
                    }
                ++checked;
                if (got == kUntouched) {
                    ASSERT_TRUE(maybeOutside) << "left alone at " << x << "," << y << " (source " << qx << "," << qy
                                              << ")";
                } else {
                    ASSERT_TRUE(matched) << "wrong sample at " << x << "," << y << " (source " << qx << "," << qy
                                         << ")";
                }
                const bool sure = std::floor(qx - eps) == std::floor(qx + eps) && std::floor(qy - eps) == std::floor(qy + eps);
                if (sure) ++exact;
            }
    }
    // Nearly every pixel is decided far from an edge, so the test is not vacuous.
    EXPECT_GT(exact, checked * 9 / 10);
}

TEST_F(RotatedDrawTest, RefusalsAndEmptyRectangles) {
    struct Case {
        const char* what;
        int32_t srcW, srcH;
        double angle, scaleX, scaleY;
        int32_t dw;  // destination rectangle width (0: clipped away)
        bool result;
        bool draws;
    };
    const double nan = std::nan("");
    const double inf = INFINITY;
    const Case cases[] = {
        {"plain", 8, 8, 30, 1, 1, 8, true, true},
        {"scale 0.001 passes", 8, 8, 0, 0.001, 1, 8, true, true},
        {"scale 0.0009 refused", 8, 8, 0, 0.0009, 1, 8, false, false},
        {"scale -0.0009 refused", 8, 8, 0, 1, -0.0009, 8, false, false},
        {"scale 0 refused", 8, 8, 0, 0, 1, 8, false, false},
        {"width 32000 at scale 1 passes", 32000, 1, 0, 1, 1, 8, true, true},
        {"width 32001 at scale 1 refused", 32001, 1, 0, 1, 1, 8, false, false},
        {"320 x 100 passes", 320, 2, 0, 100, 1, 8, true, true},
        {"320 x 100.01 refused", 320, 2, 0, 100.01, 1, 8, false, false},
        {"height x scale above 32000 refused", 2, 3201, 0, 1, 10, 8, false, false},
        {"angle not a number refused", 8, 8, nan, 1, 1, 8, false, false},
        {"infinite angle refused", 8, 8, inf, 1, 1, 8, false, false},
        {"scale not a number refused", 8, 8, 0, nan, 1, 8, false, false},
        {"infinite scale refused", 8, 8, 0, 1, inf, 8, false, false},
        {"empty source sprite refused", 0, 0, 0, 1, 1, 8, false, false},
        {"rectangle clipped away: true, nothing", 8, 8, 0, 1, 1, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSprite source;
        if (c.srcW > 0) source = raster_test::Filled(c.srcW, c.srcH, 0xFF102030u);
        CSprite target = raster_test::Filled(8, 8, kUntouched);
        const int32_t sx = c.srcW > 8 ? c.srcW / 2 - 4 : 0;
        const bool result =
            target.BlitRotated(0, 0, c.dw, 8, 0, 0, c.angle, c.scaleX, c.scaleY, source, sx, 0, 8, 8, 0.5, 0.5);
        EXPECT_EQ(result, c.result);
        bool drawn = false;
        for (uint32_t p : Pixels(target)) drawn |= p != kUntouched;
        EXPECT_EQ(drawn, c.draws);
    }
}

TEST_F(RotatedDrawTest, WideSourceAtSmallScaleStaysInside) {
    // 40000 source columns at scale 0.5: the source rectangle is wider than
    // 32767, so its 16.16 width leaves 32 bits. The middle is drawn, nothing
    // outside the source is read (the sanitizers watch the reads).
    CSprite source = raster_test::Painted(40000, 2, [](int32_t x, int32_t) { return 0xFF000000u | uint32_t(x); });
    CSprite target = raster_test::Filled(16, 2, kUntouched);
    ASSERT_TRUE(target.BlitRotated(0, 0, 16, 2, 0, 0, 0, 0.5, 1, source, 0, 0, 40000, 2, 0.5, 0.5));
    for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(*target.PixelAt(x, 0), 0xFF000000u | uint32_t(20000 - 16 + 2 * x));
}

TEST_F(RotatedDrawTest, PivotStaysWhereItWasUnturned) {
    // Pivot (0, 0): the source's top-left corner is the fixed point. At angle 0
    // source pixel (0, 0) lies right-below it; turned 90 degrees clockwise it
    // lies left-below it.
    CSprite source = raster_test::Painted(8, 6, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(y << 8 | x); });
    auto find = [](const CSprite& s, uint32_t v, int32_t& fx, int32_t& fy) {
        for (int32_t y = 0; y < s.GetHeight(); ++y)
            for (int32_t x = 0; x < s.GetWidth(); ++x)
                if (*s.PixelAt(x, y) == v) {
                    fx = x;
                    fy = y;
                    return true;
                }
        return false;
    };
    CSprite flat = raster_test::Filled(40, 40, kUntouched);
    ASSERT_TRUE(flat.BlitRotated(0, 0, 40, 40, 0, 0, 0, 1, 1, source, 0, 0, 8, 6, 0.0, 0.0));
    int32_t x0 = 0, y0 = 0;
    ASSERT_TRUE(find(flat, 0xFF000000u, x0, y0));
    EXPECT_EQ(x0, 16);
    EXPECT_EQ(y0, 17);
    CSprite turned = raster_test::Filled(40, 40, kUntouched);
    ASSERT_TRUE(turned.BlitRotated(0, 0, 40, 40, 0, 0, 90, 1, 1, source, 0, 0, 8, 6, 0.0, 0.0));
    int32_t x1 = 0, y1 = 0;
    ASSERT_TRUE(find(turned, 0xFF000000u, x1, y1));
    EXPECT_EQ(x1, x0 - 1);
    EXPECT_EQ(y1, y0);
    // And the source's top-right pixel now lies straight below the pivot.
    ASSERT_TRUE(find(turned, 0xFF000007u, x1, y1));
    EXPECT_EQ(x1, x0 - 1);
    EXPECT_EQ(y1, y0 + 7);
}

// ---------------------------------------------------------------------------
// Pixel rules: each member on random geometry equals its same-size twin applied
// to the pixels the plain rotated copy samples, at the pixels it draws.

using RotatedFn = std::function<bool(CSprite&, const CSprite&, const double* geometry)>;
using TwinFn = std::function<void(CSprite&, const CSprite&)>;

struct Member {
    std::string name;
    RotatedFn rotated;
    TwinFn twin;
};

// The rotated call with the geometry of one round.
template <class Fn, class... Extra>
RotatedFn Rotated(Fn fn, Extra... extra) {
    return [fn, extra...](CSprite& t, const CSprite& s, const double* g) {
        return (t.*fn)(int32_t(g[0]), int32_t(g[1]), int32_t(g[2]), int32_t(g[3]), int32_t(g[4]), int32_t(g[5]), g[6],
                       g[7], g[8], s, int32_t(g[9]), int32_t(g[10]), int32_t(g[11]), int32_t(g[12]), 0.5, 0.5,
                       extra...);
    };
}
template <class Fn, class... Extra>
TwinFn Twin(Fn fn, Extra... extra) {
    return [fn, extra...](CSprite& t, const CSprite& s) {
        (t.*fn)(0, 0, s, 0, 0, t.GetWidth(), t.GetHeight(), extra...);
    };
}

std::vector<Member> Members() {
    std::vector<Member> out = {
        {"BlitRotated", Rotated(&CSprite::BlitRotated), Twin(&CSprite::DrawCopy)},
        {"BlitRotatedC", Rotated(&CSprite::BlitRotatedC), Twin(&CSprite::DrawCopyC)},
        {"BlitRotatedA", Rotated(&CSprite::BlitRotatedA), Twin(&CSprite::DrawCopyA)},
        {"BlitRotatedTone", Rotated(&CSprite::BlitRotatedTone, 0x80C040u, 100u, 256u, 3000u, 200u),
         Twin(&CSprite::DrawCopyTone, 0x80C040u, 100u, 256u, 3000u, 200u)},
        {"BlitRotatedTone amount above 256", Rotated(&CSprite::BlitRotatedTone, 0x123456u, 0u, 0u, 0u, 0xFFFFFFFFu),
         Twin(&CSprite::DrawCopyTone, 0x123456u, 0u, 0u, 0u, 0xFFFFFFFFu)},
        {"BlitRotatedAlphaFullOpacity", Rotated(&CSprite::BlitRotatedAlphaFullOpacity), Twin(&CSprite::DrawAlpha)},
        {"BlitRotatedLayerFullOpacity", Rotated(&CSprite::BlitRotatedLayerFullOpacity), Twin(&CSprite::DrawLayer)},
        {"BlitRotatedBackFullOpacity", Rotated(&CSprite::BlitRotatedBackFullOpacity), Twin(&CSprite::DrawBack)},
        {"BlitRotatedAlphaCFullOpacity", Rotated(&CSprite::BlitRotatedAlphaCFullOpacity), Twin(&CSprite::DrawAlphaC)},
        {"BlitRotatedLayerCFullOpacity", Rotated(&CSprite::BlitRotatedLayerCFullOpacity), Twin(&CSprite::DrawLayerC)},
        {"BlitRotatedBackCFullOpacity", Rotated(&CSprite::BlitRotatedBackCFullOpacity), Twin(&CSprite::DrawBackC)},
    };
    for (uint8_t o : {uint8_t(1), uint8_t(2), uint8_t(64), uint8_t(128), uint8_t(192), uint8_t(200), uint8_t(254),
                      uint8_t(255)}) {
        const std::string at = " " + std::to_string(o);
        auto add = [&](const char* name, RotatedFn r, TwinFn t) {
            out.push_back({name + at, std::move(r), std::move(t)});
        };
        add("BlitRotatedCrossFade", Rotated(&CSprite::BlitRotatedCrossFade, o),
            Twin(&CSprite::DrawCopyOpacity, uint32_t(o)));
        add("BlitRotatedCrossFadeC", Rotated(&CSprite::BlitRotatedCrossFadeC, o),
            Twin(&CSprite::DrawCopyCOpacity, uint32_t(o)));
        add("BlitRotatedAlpha", Rotated(&CSprite::BlitRotatedAlpha, o), Twin(&CSprite::DrawAlphaOpacity, o));
        add("BlitRotatedBlend", Rotated(&CSprite::BlitRotatedBlend, o), Twin(&CSprite::DrawBlend, o));
        add("BlitRotatedLayer", Rotated(&CSprite::BlitRotatedLayer, o), Twin(&CSprite::DrawLayerOpacity, o));
        add("BlitRotatedBack", Rotated(&CSprite::BlitRotatedBack, o), Twin(&CSprite::DrawBackOpacity, o));
        add("BlitRotatedAlphaC", Rotated(&CSprite::BlitRotatedAlphaC, o), Twin(&CSprite::DrawAlphaCOpacity, o));
        add("BlitRotatedBlendC", Rotated(&CSprite::BlitRotatedBlendC, o), Twin(&CSprite::DrawBlendC, o));
        add("BlitRotatedLayerC", Rotated(&CSprite::BlitRotatedLayerC, o), Twin(&CSprite::DrawLayerCOpacity, o));
        add("BlitRotatedBackC", Rotated(&CSprite::BlitRotatedBackC, o), Twin(&CSprite::DrawBackCOpacity, o));
    }
    out.push_back({"BlitRotatedMulA", Rotated(&CSprite::BlitRotatedMulA), Twin(&CSprite::BlendMulA)});
    out.push_back({"BlitRotatedRevMulA", Rotated(&CSprite::BlitRotatedRevMulA), Twin(&CSprite::BlendRevMulA)});
    out.push_back({"BlitRotatedSubA", Rotated(&CSprite::BlitRotatedSubA), Twin(&CSprite::BlendSubA)});
    // Tone forms: tints of every strength, amounts above 256 (as -1 would be).
    struct Tone {
        uint32_t colour, r, g, b, amount;
    };
    const Tone tones[] = {{0x80C040u, 100, 256, 3000, 200}, {0xFF123456u, 0, 0, 0, 256},
                          {0x00FEDCBAu, 17, 240, 0xFFFFFFFFu, 1}, {0x55AA55u, 255, 1, 128, 128},
                          {0x204060u, 64, 64, 64, 0xFFFFFFFFu}};
    for (const Tone& t : tones) {
        const std::string at = " " + std::to_string(t.amount);
        auto add = [&](const char* name, RotatedFn r, TwinFn tw) {
            out.push_back({name + at, std::move(r), std::move(tw)});
        };
#define OC_TONE_ROW(rotatedName, twinName)                                                          \
    add(#rotatedName, Rotated(&CSprite::rotatedName, t.colour, t.r, t.g, t.b, t.amount),           \
        Twin(&CSprite::twinName, t.colour, t.r, t.g, t.b, t.amount))
        OC_TONE_ROW(BlitRotatedAlphaTone, DrawAlphaTone);
        OC_TONE_ROW(BlitRotatedBlendTone, DrawBlendTone);
        OC_TONE_ROW(BlitRotatedLayerTone, DrawLayerTone);
        OC_TONE_ROW(BlitRotatedBackTone, DrawBackTone);
        OC_TONE_ROW(BlitRotatedAlphaToneC, DrawAlphaToneC);
        OC_TONE_ROW(BlitRotatedBlendToneC, DrawBlendToneC);
        OC_TONE_ROW(BlitRotatedLayerToneC, DrawLayerToneC);
        OC_TONE_ROW(BlitRotatedBackToneC, DrawBackToneC);
#undef OC_TONE_ROW
    }
    return out;
}

TEST_F(RotatedDrawTest, EveryMemberAppliesItsTwinsRuleToTheSampledPixels) {
    std::mt19937 rng(2077);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::vector<Member> members = Members();
    for (int round = 0; round < 12; ++round) {
        CSprite source;
        raster_test::MakeRandom(source, 21, 17, rng);
        // Which source pixel each destination pixel samples, from a source of
        // indices (0: not drawn).
        CSprite indices = raster_test::Painted(21, 17, [](int32_t x, int32_t y) { return uint32_t(y * 21 + x + 1); });
        const double g[13] = {double(int32_t(rng() % 10) - 4), double(int32_t(rng() % 10) - 4),
                              double(20 + rng() % 20), double(18 + rng() % 20), double(int32_t(rng() % 9) - 4),
                              double(int32_t(rng() % 9) - 4), unit(rng) * 720 - 360,
                              (0.4 + unit(rng) * 2) * (rng() & 1 ? 1 : -1), 0.4 + unit(rng) * 2, 2, 1, 17, 15};
        CSprite sampledAt = raster_test::Filled(36, 32, 0);
        ASSERT_TRUE(Rotated(&CSprite::BlitRotated)(sampledAt, indices, g));
        CSprite sampled = raster_test::Painted(36, 32, [&](int32_t x, int32_t y) {
            const uint32_t i = *sampledAt.PixelAt(x, y);
            return i == 0 ? 0u : *source.PixelAt(int32_t((i - 1) % 21), int32_t((i - 1) / 21));
        });
        CSprite destination;
        raster_test::MakeRandom(destination, 36, 32, rng);
        for (const Member& m : members) {
            SCOPED_TRACE(m.name + " round " + std::to_string(round));
            CSprite got;
            raster_test::CopyPixels(destination, got);
            ASSERT_TRUE(m.rotated(got, source, g));
            CSprite twin;
            raster_test::CopyPixels(destination, twin);
            m.twin(twin, sampled);
            for (int32_t y = 0; y < 32; ++y)
                for (int32_t x = 0; x < 36; ++x) {
                    const bool drawn = *sampledAt.PixelAt(x, y) != 0;
                    const uint32_t want = drawn ? *twin.PixelAt(x, y) : *destination.PixelAt(x, y);
                    ASSERT_EQ(*got.PixelAt(x, y), want) << x << "," << y;
                }
        }
    }
}

TEST_F(RotatedDrawTest, AlphaSumAddsAndSaturates) {
    CSprite source = raster_test::Painted(3, 1, [](int32_t x, int32_t) {
        const uint32_t alphas[3] = {0x10, 0x80, 0xFF};
        return (alphas[x] << 24) | 0xABCDEFu;
    });
    CSprite target = raster_test::Filled(3, 1, 0x90123456u);
    ASSERT_TRUE(target.BlitRotatedAddA(0, 0, 3, 1, 0, 0, 0, 1, 1, source, 0, 0, 3, 1, 0.5, 0.5));
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0xA0123456u, 0xFF123456u, 0xFF123456u}));
}

TEST_F(RotatedDrawTest, OpacityZeroReturnsBeforeAnyRefusal) {
    using OpacityMember = bool (CSprite::*)(OC_ROTATED_PARAMS, uint8_t);
    const OpacityMember members[] = {&CSprite::BlitRotatedCrossFade, &CSprite::BlitRotatedCrossFadeC,
                                     &CSprite::BlitRotatedAlpha,     &CSprite::BlitRotatedBlend,
                                     &CSprite::BlitRotatedLayer,     &CSprite::BlitRotatedBack,
                                     &CSprite::BlitRotatedAlphaC,    &CSprite::BlitRotatedBlendC,
                                     &CSprite::BlitRotatedLayerC,    &CSprite::BlitRotatedBackC};
    CSprite source = raster_test::Filled(4, 4, 0xFF112233u);
    for (OpacityMember m : members) {
        CSprite target = raster_test::Filled(4, 4, kUntouched);
        // A scale of 0 is refused, but opacity 0 is looked at first.
        EXPECT_TRUE((target.*m)(0, 0, 4, 4, 0, 0, 0, 0, 1, source, 0, 0, 4, 4, 0.5, 0.5, 0));
        EXPECT_FALSE((target.*m)(0, 0, 4, 4, 0, 0, 0, 0, 1, source, 0, 0, 4, 4, 0.5, 0.5, 255));
        EXPECT_FALSE((target.*m)(0, 0, 4, 4, 0, 0, 0, 0, 1, source, 0, 0, 4, 4, 0.5, 0.5, 128));
        for (uint32_t p : Pixels(target)) EXPECT_EQ(p, kUntouched);
    }
}

// The members offered without a caller: worked pixels of the alpha-only
// rules and the tone forms, one pixel drawn at angle 0 and scale 1.
TEST_F(RotatedDrawTest, AlphaOnlyAndToneMembersOnSinglePixels) {
    using Plain = bool (CSprite::*)(OC_ROTATED_PARAMS);
    using Toned = bool (CSprite::*)(OC_ROTATED_PARAMS, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
    auto one = [](uint32_t s, uint32_t d, auto&& call) {
        CSprite source = raster_test::Filled(1, 1, s);
        CSprite target = raster_test::Filled(1, 1, d);
        EXPECT_TRUE(call(target, source));
        return *target.PixelAt(0, 0);
    };
    auto plain = [&](Plain m, uint32_t s, uint32_t d) {
        return one(s, d, [m](CSprite& t, const CSprite& src) {
            return (t.*m)(0, 0, 1, 1, 0, 0, 0, 1, 1, src, 0, 0, 1, 1, 0.5, 0.5);
        });
    };
    auto toned = [&](Toned m, uint32_t s, uint32_t d, uint32_t colour, uint32_t amount, uint32_t alphaAmount) {
        return one(s, d, [=](CSprite& t, const CSprite& src) {
            return (t.*m)(0, 0, 1, 1, 0, 0, 0, 1, 1, src, 0, 0, 1, 1, 0.5, 0.5, colour, amount, amount, amount,
                          alphaAmount);
        });
    };
    const uint32_t minusOne = 0xFFFFFFFFu;
    struct Row {
        const char* what;
        uint32_t got, want;
    };
    const Row rows[] = {
        {"MulA: opaque source keeps the alpha", plain(&CSprite::BlitRotatedMulA, 0xFF000000u, 0x80123456u), 0x80123456u},
        {"MulA: transparent source clears it", plain(&CSprite::BlitRotatedMulA, 0x00FFFFFFu, 0x80123456u), 0x00123456u},
        {"MulA: carry from red and green", plain(&CSprite::BlitRotatedMulA, 0xFE000000u, 0x80FFFFFFu), 0x80FFFFFFu},
        {"MulA: no carry", plain(&CSprite::BlitRotatedMulA, 0xFE000000u, 0x80000000u), 0x7F000000u},
        {"RevMulA: transparent source keeps", plain(&CSprite::BlitRotatedRevMulA, 0x00000000u, 0x80123456u),
         0x80123456u},
        {"RevMulA: opaque source clears", plain(&CSprite::BlitRotatedRevMulA, 0xFF000000u, 0xFF123456u), 0x00123456u},
        {"SubA: takes the source alpha", plain(&CSprite::BlitRotatedSubA, 0x30FFFFFFu, 0x80123456u), 0x50123456u},
        {"SubA: stops at 0, colour kept", plain(&CSprite::BlitRotatedSubA, 0x80FFFFFFu, 0x40ABCDEFu), 0x00ABCDEFu},
        {"AlphaTone: full amounts write the tone, opaque",
         toned(&CSprite::BlitRotatedAlphaTone, 0xFF102030u, 0x40506070u, 0xAA336699u, 256, 256), 0xFF336699u},
        {"AlphaTone: -1 counts as 256", toned(&CSprite::BlitRotatedAlphaTone, 0xFF102030u, 0x40506070u, 0x336699u,
                                              minusOne, minusOne),
         0xFF336699u},
        {"AlphaToneC: alphaAmount 1 draws nothing",
         toned(&CSprite::BlitRotatedAlphaToneC, 0xFF102030u, 0x40506070u, 0x336699u, 0, 1), 0x40506070u},
        {"BlendTone: half tint at full strength",
         toned(&CSprite::BlitRotatedBlendTone, 0x00000000u, 0x40506070u, 0xC8C8C8u, 128, 256), 0xFF646464u},
        {"BackTone: carried alpha 128 over transparent",
         toned(&CSprite::BlitRotatedBackTone, 0x81FFFFFFu, 0x00000000u, 0, 0, 254), 0x80FFFFFFu},
        {"BackTone: alpha 127 without the carry",
         toned(&CSprite::BlitRotatedBackTone, 0x81000000u, 0x00000000u, 0, 0, 254), 0x7F000000u},
        {"BackTone: opaque destination untouched",
         toned(&CSprite::BlitRotatedBackTone, 0xFFFFFFFFu, 0xFF000000u, 0x336699u, 256, 256), 0xFF000000u},
        {"BackToneC: tone into a transparent destination under a transparent source",
         toned(&CSprite::BlitRotatedBackToneC, 0x00FFFFFFu, 0x00123456u, 0x336699u, 256, 256), 0x00336699u},
        {"LayerToneC: transparent source leaves the pixel",
         toned(&CSprite::BlitRotatedLayerToneC, 0x00FFFFFFu, 0x40123456u, 0x336699u, 256, 256), 0x40123456u},
    };
    for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

// A tone form with all three amounts 0 is its plain rule at the opacity
// alphaAmount; checked on random pixels and a turned, scaled geometry, since
// the two sides are different code paths.
TEST_F(RotatedDrawTest, UntintedToneFormsEqualTheirPlainRules) {
    using Toned = bool (CSprite::*)(OC_ROTATED_PARAMS, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
    std::mt19937 rng(515);
    CSprite source;
    raster_test::MakeRandom(source, 23, 19, rng);
    CSprite destination;
    raster_test::MakeRandom(destination, 40, 36, rng);
    auto draw = [&](auto&& call) {
        CSprite t;
        raster_test::CopyPixels(destination, t);
        EXPECT_TRUE(call(t));
        return Pixels(t);
    };
    auto tone = [&](Toned m, uint32_t alphaAmount) {
        return draw([&](CSprite& t) {
            return (t.*m)(1, 2, 37, 33, 1, -2, 37.5, 1.3, -0.8, source, 1, 1, 21, 17, 0.5, 0.5, 0xABCDEFu, 0, 0, 0,
                          alphaAmount);
        });
    };
    auto plain = [&](auto m, auto... opacity) {
        return draw([&](CSprite& t) {
            return (t.*m)(1, 2, 37, 33, 1, -2, 37.5, 1.3, -0.8, source, 1, 1, 21, 17, 0.5, 0.5, opacity...);
        });
    };
    EXPECT_EQ(tone(&CSprite::BlitRotatedAlphaTone, 256), plain(&CSprite::BlitRotatedAlphaFullOpacity));
    EXPECT_EQ(tone(&CSprite::BlitRotatedBlendTone, 256), plain(&CSprite::BlitRotatedBlend, uint8_t(255)));
    EXPECT_EQ(tone(&CSprite::BlitRotatedLayerTone, 256), plain(&CSprite::BlitRotatedLayerFullOpacity));
    EXPECT_EQ(tone(&CSprite::BlitRotatedAlphaToneC, 256), plain(&CSprite::BlitRotatedAlphaCFullOpacity));
    EXPECT_EQ(tone(&CSprite::BlitRotatedLayerToneC, 256), plain(&CSprite::BlitRotatedLayerCFullOpacity));
    EXPECT_EQ(tone(&CSprite::BlitRotatedBlendToneC, 256), plain(&CSprite::BlitRotatedC));
    // (At 255 the plain C rules copy the colour, while the tone forms still
    // weigh the destination by 1/256.)
    for (uint32_t o : {1u, 64u, 100u, 128u, 192u, 254u}) {
        SCOPED_TRACE(o);
        EXPECT_EQ(tone(&CSprite::BlitRotatedBlendTone, o), plain(&CSprite::BlitRotatedBlend, uint8_t(o)));
        EXPECT_EQ(tone(&CSprite::BlitRotatedBlendToneC, o), plain(&CSprite::BlitRotatedBlendC, uint8_t(o)));
        EXPECT_EQ(tone(&CSprite::BlitRotatedLayerToneC, o), plain(&CSprite::BlitRotatedLayerC, uint8_t(o)));
    }
    // alphaAmount 0: the geometry is still checked first.
    CSprite target = raster_test::Filled(4, 4, kUntouched);
    const Toned members[] = {&CSprite::BlitRotatedAlphaTone,  &CSprite::BlitRotatedBlendTone,
                             &CSprite::BlitRotatedLayerTone,  &CSprite::BlitRotatedBackTone,
                             &CSprite::BlitRotatedAlphaToneC, &CSprite::BlitRotatedBlendToneC,
                             &CSprite::BlitRotatedLayerToneC, &CSprite::BlitRotatedBackToneC};
    for (Toned m : members) {
        EXPECT_FALSE((target.*m)(0, 0, 4, 4, 0, 0, 0, 0, 1, source, 0, 0, 4, 4, 0.5, 0.5, 0x123456u, 9, 9, 9, 0));
        EXPECT_TRUE((target.*m)(0, 0, 4, 4, 0, 0, 0, 1, 1, source, 0, 0, 4, 4, 0.5, 0.5, 0x123456u, 9, 9, 9, 0));
    }
    for (uint32_t p : Pixels(target)) EXPECT_EQ(p, kUntouched);
}

}  // namespace
