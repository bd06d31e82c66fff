// Difference measures and the sub-pixel row shear: the worked cases as tables,
// the measures against brute-force sums (the box measure straight from its
// 3 x 3 block sums), the shear against a per-row reference that reads a copy
// of the row, with shifts up to the 32-bit extremes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Painted;
using raster_test::Pixels;

uint32_t ChannelOf(uint32_t p, int k) { return (p >> (8 * k)) & 0xFFu; }

// Sums over the w x h rectangles (no clipping: callers pass rectangles inside).
uint64_t BruteBox(const CSprite& a, int32_t dx, int32_t dy, const CSprite& b, int32_t sx, int32_t sy, int32_t w,
                  int32_t h) {
    if (w <= 1 || h <= 1) return 0;
    uint64_t total = 0;
    uint32_t frame = 0;
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            const bool border = i == 0 || j == 0 || i == w - 1 || j == h - 1;
            for (int k = 0; k < 4; ++k) {
                if (border) {
                    frame += static_cast<uint32_t>(std::abs(static_cast<int32_t>(ChannelOf(*a.PixelAt(dx + i, dy + j), k)) -
                                                            static_cast<int32_t>(ChannelOf(*b.PixelAt(sx + i, sy + j), k))));
                    continue;
                }
                int32_t sa = 0, sb = 0;
                for (int32_t v = -1; v <= 1; ++v)
                    for (int32_t u = -1; u <= 1; ++u) {
                        sa += static_cast<int32_t>(ChannelOf(*a.PixelAt(dx + i + u, dy + j + v), k));
                        sb += static_cast<int32_t>(ChannelOf(*b.PixelAt(sx + i + u, sy + j + v), k));
                    }
                total += static_cast<uint64_t>(std::abs(sa - sb));
            }
        }
    return total + uint64_t{frame * 9u};
}

class MeasureShearTest : public raster_test::ReadyLibraryTest {};

TEST_F(MeasureShearTest, DifferenceMeasuresWorkedCases) {
    const struct {
        const char* name;
        int32_t w, h;
        int32_t px, py;   // the one pixel that differs
        uint32_t delta;   // added to it in the second sprite
        uint32_t abs, squared;
        uint64_t box;
    } rows[] = {
        {"identical", 3, 3, -1, -1, 0, 0, 0, 0},
        {"1 x 1, every channel by 1", 1, 1, 0, 0, 0x01010101u, 4, 4, 0},
        {"3 x 3, centre by 10 in one channel", 3, 3, 1, 1, 10, 10, 100, 10},
        {"3 x 3, top-left by 10", 3, 3, 0, 0, 10, 10, 100, 100},
        {"3 x 3, bottom-right by 10", 3, 3, 2, 2, 10u << 16, 10, 100, 100},
        {"4 x 4, an edge pixel by 10", 4, 4, 3, 1, 10u << 8, 10, 100, 110},
        {"one pixel high gives 0", 5, 1, 2, 0, 10, 10, 100, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const CSprite a = raster_test::Filled(r.w, r.h, 0x40506070u);
        const CSprite b = Painted(r.w, r.h, [&](int32_t x, int32_t y) {
            return 0x40506070u + (x == r.px && y == r.py ? r.delta : 0u);
        });
        EXPECT_EQ(a.SumAbsDifference(0, 0, b, 0, 0, r.w, r.h), r.abs);
        EXPECT_EQ(a.SumSquaredDifference(0, 0, b, 0, 0, r.w, r.h), r.squared);
        EXPECT_EQ(a.SumAbsDifferenceBox3x3(0, 0, b, 0, 0, r.w, r.h), r.box);
    }
}

TEST_F(MeasureShearTest, MeasuresMatchBruteForceAndClip) {
    std::mt19937 rng(25106);
    const CSprite a = Painted(37, 29, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    const CSprite b = Painted(31, 33, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    for (int round = 0; round < 40; ++round) {
        const int32_t w = 1 + rng() % 25, h = 1 + rng() % 25;
        const int32_t dx = rng() % (38 - w), dy = rng() % (30 - h);
        const int32_t sx = rng() % (32 - w), sy = rng() % (34 - h);
        uint32_t abs = 0;
        uint64_t squared = 0;
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i)
                for (int k = 0; k < 4; ++k) {
                    const int32_t d = static_cast<int32_t>(ChannelOf(*a.PixelAt(dx + i, dy + j), k)) -
                                      static_cast<int32_t>(ChannelOf(*b.PixelAt(sx + i, sy + j), k));
                    abs += static_cast<uint32_t>(std::abs(d));
                    squared += static_cast<uint64_t>(d * d);
                }
        EXPECT_EQ(a.SumAbsDifference(dx, dy, b, sx, sy, w, h), abs);
        EXPECT_EQ(a.SumSquaredDifference(dx, dy, b, sx, sy, w, h), squared);
        EXPECT_EQ(a.SumAbsDifferenceBox3x3(dx, dy, b, sx, sy, w, h), BruteBox(a, dx, dy, b, sx, sy, w, h));
    }
    // Rectangles reaching outside either sprite measure the common part only.
    EXPECT_EQ(a.SumAbsDifferenceBox3x3(-3, -2, b, 0, 0, 50, 50), BruteBox(a, 0, 0, b, 3, 2, 28, 29));
    EXPECT_EQ(a.SumSquaredDifference(30, 20, b, 25, 25, 40, 40),
              a.SumSquaredDifference(30, 20, b, 25, 25, 6, 8));
    EXPECT_EQ(a.SumAbsDifference(0, 0, b, 40, 0, 5, 5), 0u);
}

// The row rule read from a copy of the row: sample k + m / 65536 linear
// between its two pixels at the fraction's top eight bits, outside 0.
std::vector<uint32_t> ReferenceShear(const CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
                                     int32_t end) {
    std::vector<uint32_t> out = Pixels(s);
    const int32_t width = s.GetWidth();
    const int64_t step = (int64_t{h} + start - end - 1) / h;
    for (int32_t i = 0; i < h; ++i) {
        const int64_t m = -int64_t{start} + i * step;
        const int64_t f = m >> 16;
        const uint32_t o = static_cast<uint32_t>((m >> 8) & 0xFF);
        const auto read = [&](int64_t at) { return at >= 0 && at < width ? *s.PixelAt(static_cast<int32_t>(at), y + i) : 0u; };
        for (int32_t k = x; k < x + w; ++k) {
            const uint32_t a = read(k + f), b = read(k + f + 1);
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c) p |= ((ChannelOf(a, c) * (256 - o) + ChannelOf(b, c) * o) >> 8) << (8 * c);
            out[static_cast<size_t>((y + i) * width + k)] = p;
        }
    }
    return out;
}

TEST_F(MeasureShearTest, ShearWorkedCases) {
    // Zero shift: nothing changes.
    {
        CSprite s = Painted(8, 3, [](int32_t x, int32_t y) { return 0x01020304u * static_cast<uint32_t>(x + 3 * y + 1); });
        const std::vector<uint32_t> before = Pixels(s);
        s.ShearRows(0, 0, 8, 3, 0, 0);
        EXPECT_EQ(Pixels(s), before);
    }
    // One whole pixel to the right: the first becomes transparent black.
    {
        CSprite s = Painted(8, 1, [](int32_t x, int32_t) { return 0xFF000000u | static_cast<uint32_t>(10 * x); });
        s.ShearRows(0, 0, 8, 1, 65536, 65536);
        const std::vector<uint32_t> expected = {0u, 0xFF000000u, 0xFF00000Au, 0xFF000014u, 0xFF00001Eu,
                                                0xFF000028u, 0xFF000032u, 0xFF00003Cu};
        EXPECT_EQ(Pixels(s), expected);
    }
    // Half a pixel over x = 2..6.
    {
        CSprite s = Painted(8, 1, [](int32_t x, int32_t) { return 0xFF000000u | static_cast<uint32_t>(10 * x); });
        s.ShearRows(2, 0, 5, 1, 32768, 32768);
        std::vector<uint32_t> blues;
        for (uint32_t p : Pixels(s)) {
            EXPECT_EQ(p >> 24, 255u);
            blues.push_back(p & 0xFFu);
        }
        EXPECT_EQ(blues, (std::vector<uint32_t>{0, 10, 15, 25, 35, 45, 55, 70}));
    }
    // A slant: rows move right by 4, 3, 2, 1.
    {
        CSprite s = Painted(8, 4, [](int32_t x, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(x + 16 * y); });
        s.ShearRows(0, 0, 8, 4, 4 * 65536, 0);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t from = x - (4 - y);
                EXPECT_EQ(*s.PixelAt(x, y), from < 0 ? 0u : 0xFF000000u | static_cast<uint32_t>(from + 16 * y))
                    << x << "," << y;
            }
    }
}

TEST_F(MeasureShearTest, ShearMatchesTheRowReference) {
    std::mt19937 rng(25107);
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 0, 1, 65535, -65536 * 3 - 77, 65536 * 5 + 128};
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        CSprite s = Painted(21, 9, [&](int32_t, int32_t) {
            // Some equal neighbours, so the shortcut is taken too.
            return (rng() % 3 == 0) ? 0xFF336699u : static_cast<uint32_t>(rng());
        });
        const int32_t x = static_cast<int32_t>(rng() % 26) - 3, y = static_cast<int32_t>(rng() % 12) - 2;
        const int32_t w = static_cast<int32_t>(rng() % 26), h = static_cast<int32_t>(rng() % 12);
        int32_t start = static_cast<int32_t>(rng() % (20 * 65536)) - 10 * 65536;
        int32_t end = static_cast<int32_t>(rng() % (20 * 65536)) - 10 * 65536;
        if (round % 5 == 0) start = extremes[rng() % 8];
        if (round % 7 == 0) end = extremes[rng() % 8];
        // The clipped rectangle, as the reference needs it.
        int32_t cx = x, cy = y, cw = w, ch = h;
        s.ClipRect(cx, cy, cw, ch);
        const std::vector<uint32_t> expected =
            cw > 0 ? ReferenceShear(s, cx, cy, cw, ch, start, end) : Pixels(s);
        s.ShearRows(x, y, w, h, start, end);
        ASSERT_EQ(Pixels(s), expected) << x << "," << y << " " << w << "x" << h << " " << start << " " << end;
    }
}

}  // namespace
