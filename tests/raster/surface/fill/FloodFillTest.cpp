#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/surface/fill/FloodFill.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using FloodFillTest = FillTest;

struct Point {
    int32_t x, y;
};

// The point-stack fill, written literally: pop the last point, skip it when it
// does not match or already equals what would be written, otherwise write it
// and push the points above, below, left and right that lie inside the
// clipped rectangle. Works on a copy of the pixels.
void ReferenceFill(std::vector<uint32_t>& px, int32_t width, Rect clip, int32_t seedX, int32_t seedY,
                   uint32_t value, bool colourOnly) {
    if (clip.w <= 0 || clip.h <= 0) return;
    if (seedX < clip.x || seedY < clip.y || seedX >= clip.x + clip.w || seedY >= clip.y + clip.h) return;
    const uint32_t seed = px[size_t(seedY) * width + seedX];
    uint32_t seedColour = seed & 0xFFFFFF;
    if (colourOnly) {
        value &= 0xFFFFFF;
        if (seedColour == value) return;
    } else if (seed == value) {
        return;
    }
    const auto matches = [&](uint32_t p) {
        if (colourOnly) return (p >> 24) != 0 && (p & 0xFFFFFF) == seedColour;
        return (seed >> 24) == 0 ? (p >> 24) == 0 : p == seed;
    };
    const auto written = [&](uint32_t p) { return colourOnly ? (p & 0xFF000000u) | value : value; };
    std::vector<Point> stack{{seedX, seedY}};
    while (!stack.empty()) {
        const Point q = stack.back();
        stack.pop_back();
        uint32_t& p = px[size_t(q.y) * width + q.x];
        if (!matches(p) || p == written(p)) continue;
        p = written(p);
        const Point next[4] = {{q.x, q.y - 1}, {q.x, q.y + 1}, {q.x - 1, q.y}, {q.x + 1, q.y}};
        for (const Point& n : next)
            if (n.x >= clip.x && n.y >= clip.y && n.x < clip.x + clip.w && n.y < clip.y + clip.h) stack.push_back(n);
    }
}

// The argument rectangle cut by the clip rectangle.
Rect Intersect(const CSprite& s, Rect r) {
    const int32_t l = std::max(r.x, s.GetClipLeft()), t = std::max(r.y, s.GetClipTop());
    const int32_t rt = std::min(r.x + r.w, s.GetClipRight()), b = std::min(r.y + r.h, s.GetClipBottom());
    return rt > l && b > t ? Rect{l, t, rt - l, b - t} : Rect{0, 0, 0, 0};
}

using raster_test::Load;

// Random masks at several densities: pixels are drawn from a small palette
// that makes the interesting cases common (transparent pixels of several
// colours, exact copies of the seed, near misses that differ in alpha only,
// and copies of the value, which act as walls).
TEST_F(FloodFillTest, SameRegionAsPointStackFillOnRandomMasks) {
    const uint32_t kValues[] = {0xFF102030u, 0x00445566u, 0x00000000u, 0x80ABCDEFu};
    int32_t changed = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const int32_t w = RandomIn(1, 40), h = RandomIn(1, 30);
        const double density = std::array<double, 4>{0.35, 0.55, 0.65, 0.85}[trial % 4];
        const bool colourOnly = trial % 2 == 1;
        const uint32_t value = kValues[(trial / 2) % 4];
        // Region pixel candidates: a transparent family and an opaque one.
        // (A colour fill from a transparent seed does nothing: keep those few.)
        const bool transparentFamily = colourOnly ? (trial / 2) % 8 == 0 : (trial / 8) % 2 == 0;
        const uint32_t region = transparentFamily ? 0x00778899u : 0xC0778899u;
        std::bernoulli_distribution inRegion(density);
        std::vector<uint32_t> px(size_t(w) * h);
        for (uint32_t& p : px) {
            if (inRegion(rng)) {
                switch (rng() % 4) {
                    case 0: p = transparentFamily ? (Random32() & 0xFFFFFF) : region; break;  // other transparent colours
                    case 1: p = value; break;                                                  // a wall that equals the value
                    default: p = region; break;
                }
            } else {
                p = (rng() % 3 == 0) ? (region ^ 0x01000000u) : RandomPixel();  // near miss or anything
            }
        }
        CSprite s;
        ASSERT_TRUE(s.Create(w, h, false));
        RandomClip(s);
        const Rect arg = rng() % 2 ? Rect{0, 0, w, h}
                                   : Rect{RandomIn(-3, w - 1), RandomIn(-3, h - 1), RandomIn(0, w + 3), RandomIn(0, h + 3)};
        // Seeds mostly on a region pixel inside the rectangle, sometimes
        // anywhere (also outside it).
        const Rect inside = Intersect(s, arg);
        int32_t seedX = RandomIn(-2, w + 1), seedY = RandomIn(-2, h + 1);
        if (rng() % 5 != 0 && inside.w > 0) {
            seedX = RandomIn(inside.x, inside.x + inside.w - 1);
            seedY = RandomIn(inside.y, inside.y + inside.h - 1);
            px[size_t(seedY) * w + seedX] = region;
        }
        Load(s, px);
        std::vector<uint32_t> expected = px;
        ReferenceFill(expected, w, Intersect(s, arg), seedX, seedY, value, colourOnly);
        if (colourOnly)
            s.FloodFillC(arg.x, arg.y, arg.w, arg.h, seedX, seedY, value);
        else
            s.FloodFill(arg.x, arg.y, arg.w, arg.h, seedX, seedY, value);
        ASSERT_EQ(Pixels(s), expected) << "trial " << trial << " " << w << "x" << h << " colourOnly " << colourOnly;
        if (expected != px) ++changed;
    }
    // The trials must actually fill something most of the time.
    EXPECT_GT(changed, 200);
}

// Each region rule on a row of five pixels small enough to check by eye: which
// pixels join the region, which stop it, and when a fill changes nothing.
TEST_F(FloodFillTest, RegionRules) {
    // Row of five: the fill starts at x = 0.
    struct Case {
        const char* name;
        std::vector<uint32_t> before;
        bool colourOnly;
        uint32_t value;
        std::vector<uint32_t> after;
    };
    const Case cases[] = {
        {"transparent seed fills transparent pixels of any colour",
         {0x00000001, 0x00FFFFFF, 0x00123456, 0xFF000000, 0x00000000}, false, 0xFF0000FF,
         {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF000000, 0x00000000}},
        {"opaque seed fills exact 32-bit matches only",
         {0xFF112233, 0xFF112233, 0xFE112233, 0xFF112233, 0xFF112233}, false, 0x00000000,
         {0x00000000, 0x00000000, 0xFE112233, 0xFF112233, 0xFF112233}},
        {"a pixel already equal to a transparent value is a wall",
         {0x00000001, 0x00000002, 0x00ABCDEF, 0x00000003, 0x00000004}, false, 0x00ABCDEF,
         {0x00ABCDEF, 0x00ABCDEF, 0x00ABCDEF, 0x00000003, 0x00000004}},
        {"seed equal to the value does nothing",
         {0x00ABCDEF, 0x00000002, 0x00000003, 0x00000003, 0x00000004}, false, 0x00ABCDEF,
         {0x00ABCDEF, 0x00000002, 0x00000003, 0x00000003, 0x00000004}},
        {"colour fill keeps alpha and skips transparent pixels",
         {0x80112233, 0xFF112233, 0x00112233, 0x10112233, 0x10112234}, true, 0xAA445566,
         {0x80445566, 0xFF445566, 0x00112233, 0x10112233, 0x10112234}},
        {"colour fill from a transparent seed does nothing",
         {0x00112233, 0x00112233, 0x80112233, 0x80112233, 0x80112233}, true, 0xFF445566,
         {0x00112233, 0x00112233, 0x80112233, 0x80112233, 0x80112233}},
        {"colour fill with the seed's colour does nothing",
         {0x80112233, 0xFF112233, 0x80112233, 0x80112233, 0x80112233}, true, 0x01112233,
         {0x80112233, 0xFF112233, 0x80112233, 0x80112233, 0x80112233}},
    };
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(5, 1, false));
        Load(s, c.before);
        if (c.colourOnly)
            s.FloodFillC(0, 0, 5, 1, 0, 0, c.value);
        else
            s.FloodFill(0, 0, 5, 1, 0, 0, c.value);
        EXPECT_EQ(Pixels(s), c.after) << c.name;
    }
}

TEST_F(FloodFillTest, SeedOutsideTheClippedRectangleDoesNothing) {
    CSprite s = Filled(8, 8, 0);
    s.SetClipRect(2, 2, 6, 6);
    const std::vector<uint32_t> before = Pixels(s);
    const Point seeds[] = {{1, 3}, {6, 3}, {3, 1}, {3, 6}, {-1, -1}, {100, 3}};
    for (const Point& p : seeds) {
        s.FloodFill(0, 0, 8, 8, p.x, p.y, 0xFF00FF00);
        s.FloodFillC(0, 0, 8, 8, p.x, p.y, 0xFF00FF00);
        EXPECT_EQ(Pixels(s), before) << p.x << "," << p.y;
    }
    // Inside the clip, the fill stops at the clip's edges (right and bottom exclusive).
    s.FloodFill(0, 0, 8, 8, 2, 2, 0xFF00FF00);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(*s.PixelAt(x, y), (x >= 2 && x < 6 && y >= 2 && y < 6) ? 0xFF00FF00u : 0u) << x << "," << y;
}

// Shapes that make a span fill keep many spans waiting: the queue must stay
// proportional to the sides of the rectangle, not to its area, and the region
// must still be the reference's.
TEST_F(FloodFillTest, SpanQueueStaysProportionalToTheSides) {
    constexpr int32_t kSide = 512;
    struct Shape {
        const char* name;
        bool (*wall)(int32_t x, int32_t y);
    };
    const Shape shapes[] = {
        {"plain", [](int32_t, int32_t) { return false; }},
        // Horizontal corridors joined at alternating ends.
        {"serpentine rows",
         [](int32_t x, int32_t y) { return y % 2 == 1 && x != ((y / 2) % 2 == 0 ? kSide - 1 : 0); }},
        // Vertical corridors joined at alternating ends.
        {"serpentine columns",
         [](int32_t x, int32_t y) { return x % 2 == 1 && y != ((x / 2) % 2 == 0 ? kSide - 1 : 0); }},
        // A comb: one open top row, teeth one pixel wide going down.
        {"comb", [](int32_t x, int32_t y) { return y > 0 && x % 2 == 1; }},
        // Two interleaved combs from the top and the bottom.
        {"interleaved combs",
         [](int32_t x, int32_t y) { return (x % 4 == 1 && y < kSide - 1) || (x % 4 == 3 && y > 0); }},
        // Diagonal stripes touching corner to corner only are separate regions;
        // every third diagonal is open, with a connecting first column.
        {"diagonal stripes", [](int32_t x, int32_t y) { return x > 0 && (x + y) % 3 == 0; }},
        // Random noise with 30% walls: one percolating blob full of holes
        // (a depth-first span stack grows with the area here).
        {"noise", [](int32_t x, int32_t y) {
             uint32_t v = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
             v ^= v >> 15;
             v *= 0x2C1B3C6Du;
             v ^= v >> 12;
             return x != 0 && y != 0 && v % 10 < 3;
         }},
        // A wall grid with a door in every other side: long winding paths.
        {"doors", [](int32_t x, int32_t y) {
             if (x % 4 != 3 && y % 4 != 3) return false;
             if (x % 4 == 3 && y % 4 == 3) return true;
             const uint32_t cell = uint32_t(x / 4) * 31u + uint32_t(y / 4) * 17u;
             return !((x % 4 == 3 && y % 4 == 1 && cell % 2 == 0) || (y % 4 == 3 && x % 4 == 1 && cell % 3 != 0));
         }},
    };
    for (const Shape& shape : shapes) {
        std::vector<uint32_t> px(size_t(kSide) * kSide);
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x) px[size_t(y) * kSide + x] = shape.wall(x, y) ? 0xFF000000u : 0u;
        CSprite s;
        ASSERT_TRUE(s.Create(kSide, kSide, false));
        Load(s, px);
        std::vector<uint32_t> expected = px;
        ReferenceFill(expected, kSide, Rect{0, 0, kSide, kSide}, 0, 0, 0xFFFFFFFFu, false);
        s.FloodFill(0, 0, kSide, kSide, 0, 0, 0xFFFFFFFFu);
        EXPECT_TRUE(Pixels(s) == expected) << shape.name;
        // One 16-byte job per pixel of the sides at most.
        const uint64_t peak = raster_test::FloodFillLastPeakBytes();
        EXPECT_LE(peak, uint64_t{16} * (kSide + kSide)) << shape.name;
        EXPECT_GE(raster_test::FloodFillStackCapacityBytes(), peak);
    }
}

}  // namespace
