// Content scroll and the two sine-wave warps against straightforward
// per-pixel models computed from a copy of the sprite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using WarpTest = FillTest;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A picture whose every pixel is different (value = index + 1).
CSprite Numbered(int32_t w, int32_t h) {
    return raster_test::Painted(w, h, [w](int32_t x, int32_t y) { return uint32_t(y * w + x + 1); });
}

Rect Clipped(const CSprite& s, Rect r) {
    int32_t x = r.x, y = r.y, w = r.w, h = r.h;
    s.ClipRect(x, y, w, h);
    return {x, y, w, h};
}

// ---- Scroll ----

TEST_F(WarpTest, ScrollMovesRowsAndKeepsTheUncoveredStrip) {
    const int32_t w = 9, h = 7;
    struct Case {
        int32_t dx, dy;
    };
    const Case cases[] = {{0, 0}, {9, 0}, {-9, 0}, {100, 2}, {0, 7}, {0, -7}, {3, 0}, {-3, 0}, {0, 2},
                          {0, -2}, {2, 3}, {-4, 1}, {5, -6}, {-1, -1}, {8, 6}};
    for (const Case& c : cases) {
        CSprite s = Numbered(w, h);
        s.SetClipRect(2, 2, 4, 4);  // ignored
        const std::vector<uint32_t> old = Pixels(s);
        s.Scroll(c.dx, c.dy);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const int32_t ox = x - c.dx, oy = y - c.dy;
                const bool moved = ox >= 0 && ox < w && oy >= 0 && oy < h;
                const uint32_t expected = old[size_t(moved ? oy * w + ox : y * w + x)];
                ASSERT_EQ(*s.PixelAt(x, y), expected) << c.dx << "," << c.dy << " at " << x << "," << y;
            }
    }
}

TEST_F(WarpTest, ScrollByThreeLeavesTheThreeLeftmostColumns) {
    CSprite s = Numbered(6, 3);
    s.Scroll(3, 0);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(*s.PixelAt(x, y), uint32_t(y * 6 + x + 1));
        for (int32_t x = 3; x < 6; ++x) EXPECT_EQ(*s.PixelAt(x, y), uint32_t(y * 6 + x - 3 + 1));
    }
}

// ---- RasterScroll ----

struct WaveArgs {
    Rect rect;
    double rowPhase;
    int32_t rowAmplitude, rowPeriod;
    double columnPhase;
    int32_t columnAmplitude, columnPeriod;
    uint8_t keepInside;
};

int64_t Shift(double angle, int32_t amplitude) {
    const double v = std::sin(angle) * amplitude;
    return std::isnan(v) ? 0 : static_cast<int64_t>(v);
}

// Per-pixel model: every value is taken from a copy made before the pass.
std::vector<uint32_t> ReferenceRasterScroll(const CSprite& s, const WaveArgs& a) {
    const int32_t sw = s.GetWidth(), sh = s.GetHeight();
    std::vector<uint32_t> orig = Pixels(s);
    const Rect r = Clipped(s, a.rect);
    if (r.w <= 0) return orig;
    const bool rowPass = a.rowAmplitude != 0 && a.rowPeriod > 0;
    const bool columnPass = a.columnAmplitude != 0 && a.columnPeriod > 0;
    double rowPhase = a.rowPhase, columnPhase = a.columnPhase;
    if (a.rowPeriod > 0 && r.y > a.rect.y) rowPhase += double(int64_t{r.y} - a.rect.y) / a.rowPeriod;
    if (a.columnPeriod > 0 && r.x > a.rect.x) columnPhase += double(int64_t{r.x} - a.rect.x) / a.columnPeriod;
    const double rowStart = rowPhase * kTwoPi, columnStart = columnPhase * kTwoPi;
    const double rowStep = a.rowPeriod > 0 ? kTwoPi / a.rowPeriod : 0, columnStep = a.columnPeriod > 0 ? kTwoPi / a.columnPeriod : 0;
    std::vector<int64_t> kx(size_t(r.h), 0), ky(size_t(r.w), 0);
    double angle = rowStart;
    for (int32_t i = 0; i < r.h; ++i, angle += rowStep) kx[size_t(i)] = rowPass ? Shift(angle, a.rowAmplitude) : 0;
    angle = columnStart;
    for (int32_t i = 0; i < r.w; ++i, angle += columnStep)
        ky[size_t(i)] = columnPass ? Shift(angle, a.columnAmplitude) : 0;
    const auto at = [&](const std::vector<uint32_t>& v, int64_t x, int64_t y) { return v[size_t(y * sw + x)]; };

    std::vector<uint32_t> rows = orig;
    for (int32_t j = 0; j < r.h; ++j)
        for (int32_t i = 0; i < r.w; ++i) {
            const int64_t k = kx[size_t(j)];
            uint32_t v;
            if (a.keepInside)
                v = (i - k >= 0 && i - k < r.w) ? at(orig, r.x + i - k, r.y + j) : 0;
            else
                v = (r.x + i - k >= 0 && r.x + i - k < sw) ? at(orig, r.x + i - k, r.y + j) : 0;
            rows[size_t(r.y + j) * sw + r.x + i] = v;
        }
    std::vector<uint32_t> out = rows;
    for (int32_t i = 0; i < r.w; ++i)
        for (int32_t j = 0; j < r.h; ++j) {
            const int64_t k = ky[size_t(i)];
            const int64_t x = r.x + i, sourceRow = int64_t{r.y} + j - k;
            uint32_t v;
            if (a.keepInside) {
                v = (j - k >= 0 && j - k < r.h) ? at(rows, x, sourceRow) : 0;
            } else if (sourceRow >= r.y && sourceRow < r.y + r.h) {
                v = at(rows, x, sourceRow);
            } else if (sourceRow < 0 || sourceRow >= sh) {
                v = 0;
            } else {
                const int64_t shift = rowPass ? Shift(rowStart + double(sourceRow - r.y) * rowStep, a.rowAmplitude) : 0;
                v = (x - shift >= 0 && x - shift < sw) ? at(orig, x - shift, sourceRow) : 0;
            }
            out[size_t(r.y + j) * sw + x] = v;
        }
    return out;
}

void RunWave(CSprite& s, const WaveArgs& a) {
    s.RasterScroll(a.rect.x, a.rect.y, a.rect.w, a.rect.h, a.rowPhase, a.rowAmplitude, a.rowPeriod, a.columnPhase,
                   a.columnAmplitude, a.columnPeriod, a.keepInside);
}

TEST_F(WarpTest, RasterScrollWithoutAWaveChangesNothing) {
    const WaveArgs cases[] = {
        {{0, 0, 12, 10}, 0.3, 0, 5, 0.1, 0, 7, 0},   {{0, 0, 12, 10}, 0.3, 0, 5, 0.1, 0, 7, 1},
        {{0, 0, 12, 10}, 0.3, 4, 0, 0.1, 3, -2, 0},  {{0, 0, 12, 10}, 0.3, 4, -5, 0.1, 3, 0, 1},
        // Every angle a multiple of pi: the sines are 0 or tiny, the shifts trunc to 0.
        {{0, 0, 12, 10}, 0.0, 4, 2, 0.0, 3, 2, 0},
    };
    for (const WaveArgs& a : cases) {
        CSprite s = Numbered(12, 10);
        const std::vector<uint32_t> before = Pixels(s);
        RunWave(s, a);
        EXPECT_EQ(Pixels(s), before) << a.rowAmplitude << " " << a.rowPeriod << " " << a.columnPeriod;
    }
}

TEST_F(WarpTest, RasterScrollKeepInsideWithAHugeAmplitudeClearsRows) {
    // Period 4 from a quarter phase: rows 0 and 2 shift by +-1000 (cleared),
    // rows 1 and 3 by trunc(~1e-13) = 0 (kept).
    CSprite s = Numbered(16, 6);
    const std::vector<uint32_t> before = Pixels(s);
    s.RasterScroll(2, 1, 10, 4, 0.25, 1000, 4, 0.0, 0, 0, 1);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 12 && y >= 1 && y < 5;
            const bool cleared = inside && (y == 1 || y == 3);
            EXPECT_EQ(*s.PixelAt(x, y), cleared ? 0u : before[size_t(y * 16 + x)]) << x << "," << y;
        }
}

TEST_F(WarpTest, RasterScrollMatchesThePerPixelModel) {
    int32_t changed = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t sw = RandomIn(1, 24), sh = RandomIn(1, 20);
        CSprite s = RandomSprite(sw, sh);
        RandomClip(s);
        WaveArgs a{};
        a.rect = {RandomIn(-4, sw), RandomIn(-4, sh), RandomIn(0, sw + 6), RandomIn(0, sh + 6)};
        a.rowPhase = std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
        a.columnPhase = std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
        a.rowAmplitude = RandomIn(-30, 30) * (trial % 3 != 0);
        a.columnAmplitude = RandomIn(-30, 30) * (trial % 5 != 0);
        a.rowPeriod = RandomIn(-3, 40);
        a.columnPeriod = RandomIn(-3, 40);
        a.keepInside = uint8_t(trial % 2 == 0 ? 0 : RandomIn(1, 255));
        const std::vector<uint32_t> expected = ReferenceRasterScroll(s, a);
        const std::vector<uint32_t> before = Pixels(s);
        RunWave(s, a);
        ASSERT_EQ(Pixels(s), expected) << "trial " << trial;
        if (expected != before) ++changed;
    }
    EXPECT_GT(changed, 150);
}

// Extreme amplitudes, periods and phases: no access outside the sprite (the
// sanitizer build checks) and still the model's result.
TEST_F(WarpTest, RasterScrollExtremeArguments) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const WaveArgs cases[] = {
        {{0, 0, 20, 15}, 0.25, kMax, 1, 0.25, kMax, 1, 0},   {{0, 0, 20, 15}, 0.75, kMin, 3, 0.75, kMin, 5, 0},
        {{0, 0, 20, 15}, 0.25, kMin, 4, 0.75, kMin, 4, 1},   {{3, 2, 10, 9}, 0.1, 7, kMax, 0.2, 7, kMax, 0},
        {{3, 2, 10, 9}, 1e300, 7, 5, -1e300, 9, 5, 0},       {{3, 2, 10, 9}, kNaN, 7, 5, kNaN, 9, 5, 0},
        {{-5, -5, kMax, kMax}, 0.3, 11, 7, 0.6, kMax, 3, 0}, {{kMin, kMin, kMax, kMax}, 0.3, kMax, 7, 0.6, 13, 3, 0},
    };
    for (const WaveArgs& a : cases) {
        CSprite s = Numbered(20, 15);
        s.SetClipRect(1, 1, 19, 14);
        const std::vector<uint32_t> expected = ReferenceRasterScroll(s, a);
        RunWave(s, a);
        EXPECT_EQ(Pixels(s), expected) << a.rowAmplitude << " " << a.rowPeriod << " " << a.columnAmplitude;
    }
}

// ---- RasterScroll2 ----

// The position map of one axis, evaluated as the operation describes it.
std::vector<int32_t> Map(int32_t p, bool first, bool second) {
    std::vector<int32_t> m(static_cast<size_t>(p));
    double theta = 0;
    for (int32_t i = 0; i < p; ++i, theta += std::numbers::pi / p) {
        double v;
        if (int64_t(std::trunc(theta / (std::numbers::pi / 2))) % 2 == 0) {
            v = first ? (1 - std::fabs(std::cos(theta))) * 0.5 * p : std::fabs(std::sin(theta)) * 0.5 * p;
        } else {
            const double d = second ? std::fabs(std::cos(theta)) : 1 - std::fabs(std::sin(theta));
            v = (0.5 * d + 0.5) * p;
        }
        m[size_t(i)] = std::min(int32_t(v), p - 1);
    }
    return m;
}

uint32_t FirstSpan(double phase, int32_t p) {
    const double f = phase - std::trunc(phase);
    return uint32_t(int64_t(std::trunc((1 - f) * p))) % uint32_t(p);
}

// Per pixel: locate the pixel's tile and tile position, look the map up, and
// read the old picture there when it lies in the same tile's visible part.
std::vector<uint32_t> ReferenceRasterScroll2(const CSprite& s, Rect arg, double phaseX, int32_t px, double phaseY,
                                             int32_t py, uint32_t flags) {
    std::vector<uint32_t> out = Pixels(s);
    const Rect r = Clipped(s, arg);
    px = std::max(px, 1);
    py = std::max(py, 1);
    if (r.w <= 0 || px > 4096 || py > 4096) return out;
    if (r.x > arg.x) phaseX += double(r.x - arg.x) / px;
    if (r.y > arg.y) phaseY += double(r.y - arg.y) / py;
    const std::vector<int32_t> mx = Map(px, flags & 0x1000, flags & 0x100), my = Map(py, flags & 0x10, flags & 0x1);
    const uint32_t wx = FirstSpan(phaseX, px), wy = FirstSpan(phaseY, py);
    const int32_t sw = s.GetWidth();
    for (int32_t j = 0; j < r.h; ++j)
        for (int32_t i = 0; i < r.w; ++i) {
            const int32_t u = int32_t((uint32_t(i) + px - wx) % uint32_t(px));
            const int32_t v = int32_t((uint32_t(j) + py - wy) % uint32_t(py));
            const int32_t si = i - u + mx[size_t(u)], sj = j - v + my[size_t(v)];
            const bool visible = si >= std::max(0, i - u) && si < std::min(r.w, i - u + px) &&
                                 sj >= std::max(0, j - v) && sj < std::min(r.h, j - v + py);
            out[size_t(r.y + j) * sw + r.x + i] = visible ? *s.PixelAt(r.x + si, r.y + sj) : 0;
        }
    return out;
}

TEST_F(WarpTest, RasterScroll2PositionMapsOfPeriodEight) {
    struct Case {
        const char* name;
        bool alongX;
        uint32_t flags;
        std::vector<uint32_t> expected;  // the map + 1 (pixel values are index + 1)
    };
    const Case cases[] = {
        {"X, switches clear", true, 0x0000, {1, 2, 3, 4, 5, 5, 6, 7}},
        {"X, switches set", true, 0x1100, {1, 1, 2, 3, 5, 6, 7, 8}},
        {"Y, switches clear", false, 0x0000, {1, 2, 3, 4, 5, 5, 6, 7}},
        {"Y, switches set", false, 0x0011, {1, 1, 2, 3, 5, 6, 7, 8}},
        {"Y bits do not move X", true, 0x0011, {1, 2, 3, 4, 5, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        CSprite s = Numbered(c.alongX ? 8 : 1, c.alongX ? 1 : 8);
        if (c.alongX)
            s.RasterScroll2(0, 0, 8, 1, 0.0, 8, 0.0, 1, c.flags);
        else
            s.RasterScroll2(0, 0, 1, 8, 0.0, 1, 0.0, 8, c.flags);
        EXPECT_EQ(Pixels(s), c.expected) << c.name;
    }
}

TEST_F(WarpTest, RasterScroll2TileGridAndPartialTiles) {
    // Phase 0.6 with period 8: the first tile shows tile columns 5..7 only.
    // Column 0 (tile position 5) maps to 4, outside the visible part: 0.
    // Columns 1, 2 map to 5, 6 (rectangle columns 0, 1). Then whole tiles.
    CSprite s = Numbered(14, 1);
    s.RasterScroll2(0, 0, 14, 1, 0.6, 8, 0.0, 1, 0);
    const std::vector<uint32_t> expected = {0, 1, 2, 4, 5, 6, 7, 8, 8, 9, 10, 12, 13, 14};
    EXPECT_EQ(Pixels(s), expected);
}

TEST_F(WarpTest, RasterScroll2IdentityAndRefusal) {
    CSprite s = RandomSprite(13, 11);
    const std::vector<uint32_t> before = Pixels(s);
    s.RasterScroll2(0, 0, 13, 11, 0.37, 1, 0.81, 1, 0x1111);
    EXPECT_EQ(Pixels(s), before) << "periods 1";
    s.RasterScroll2(0, 0, 13, 11, 0.37, -5, 0.81, 0, 0);
    EXPECT_EQ(Pixels(s), before) << "periods below 1 count as 1";
    s.RasterScroll2(0, 0, 13, 11, 0.0, 4097, 0.0, 8, 0);
    EXPECT_EQ(Pixels(s), before) << "period 4097";
    s.RasterScroll2(0, 0, 13, 11, 0.0, 8, 0.0, std::numeric_limits<int32_t>::max(), 0);
    EXPECT_EQ(Pixels(s), before) << "huge period";
}

TEST_F(WarpTest, RasterScroll2MatchesThePerPixelModel) {
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t sw = RandomIn(1, 30), sh = RandomIn(1, 24);
        CSprite s = RandomSprite(sw, sh);
        RandomClip(s);
        const Rect arg{RandomIn(-4, sw), RandomIn(-4, sh), RandomIn(0, sw + 6), RandomIn(0, sh + 6)};
        const double phaseX = std::uniform_real_distribution<double>(-3.0, 3.0)(rng);
        const double phaseY = std::uniform_real_distribution<double>(-3.0, 3.0)(rng);
        const int32_t px = RandomIn(-1, 12), py = RandomIn(-1, 12);
        const uint32_t flags = Random32();
        const std::vector<uint32_t> expected = ReferenceRasterScroll2(s, arg, phaseX, px, phaseY, py, flags);
        s.RasterScroll2(arg.x, arg.y, arg.w, arg.h, phaseX, px, phaseY, py, flags);
        ASSERT_EQ(Pixels(s), expected) << "trial " << trial;
    }
}

// The largest period: a 16M-entry table (128 MiB of scratch with the tile copy).
TEST_F(WarpTest, RasterScroll2LargestPeriod) {
    CSprite s = RandomSprite(40, 30);
    const Rect arg{0, 0, 40, 30};
    const std::vector<uint32_t> expected = ReferenceRasterScroll2(s, arg, 0.3, 4096, 0.7, 4096, 0x1010);
    s.RasterScroll2(0, 0, 40, 30, 0.3, 4096, 0.7, 4096, 0x1010);
    EXPECT_EQ(Pixels(s), expected);
    EXPECT_GE(RasterScratchBlock().GetCount(), uint64_t{4096} * 4096 * 8);
    raster_test::ResetRasterScratch();
}

}  // namespace
