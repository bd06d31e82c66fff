// The quadrilateral fill of the warps: worked cells, clipping, exact crossings
// for corners anywhere in the 32-bit range, and meshes that leave no gap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;
using raster_test::Pixels;

constexpr uint32_t kBack = 0x11223344;
constexpr uint32_t kValue = 0x00ABCDEF;  // alpha 0: stored as it is, unblended

// A picture of which pixels hold the value: one string per row, '#' filled.
std::vector<std::string> Picture(const CSprite& s) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        std::string row;
        for (int32_t x = 0; x < s.GetWidth(); ++x) row += *s.PixelAt(x, y) == kValue ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

struct Clip {
    int32_t left, top, right, bottom;
};

TEST(QuadFill, WorkedCells) {
    const Clip whole{0, 0, 8, 6};
    const struct {
        const char* name;
        int32_t x[4], y[4];
        Clip clip;
        bool result;
        std::vector<std::string> picture;
    } cases[] = {
        {"unit cell: pixel (1, 1) only", {16, 32, 32, 16}, {16, 16, 32, 32}, whole, true,
         {"........", ".#......", "........", "........", "........", "........"}},
        {"corners in the other turn give the same cell", {16, 16, 32, 32}, {16, 32, 32, 16}, whole, true,
         {"........", ".#......", "........", "........", "........", "........"}},
        {"cell smaller than a pixel around a centre", {22, 26, 26, 22}, {22, 22, 26, 26}, whole, true,
         {"........", ".#......", "........", "........", "........", "........"}},
        // No row centre lies in [19, 23], so the box is empty.
        {"sliver between row centres", {16, 48, 48, 16}, {19, 19, 23, 23}, whole, false,
         {"........", "........", "........", "........", "........", "........"}},
        // Centres 24, 40 and 56 lie in [20, 70) across and down.
        {"rectangle (20, 20) to (70, 70)", {20, 70, 70, 20}, {20, 20, 70, 70}, whole, true,
         {"........", ".###....", ".###....", ".###....", "........", "........"}},
        // Left edge x = 4 + y: each row starts at the pixel holding the
        // crossing (pixel 0 for the crossing at 12, right of its centre) and
        // ends with the last centre not right of x = 96.
        {"slanted left edge", {4, 96, 96, 84}, {0, 0, 80, 80}, whole, true,
         {"######", ".#####", "..####", "...###", "....##"}},
        // Two triangles meeting at (48, 48): each row has four crossings.
        {"sideways bow tie fills between its outermost crossings", {16, 80, 80, 16}, {16, 80, 16, 80}, whole, true,
         {"........", ".####...", ".####...", ".####...", ".####...", "........"}},
        {"partly left of the clip rectangle", {-64, 64, 64, -64}, {16, 16, 64, 64}, {2, 0, 8, 6}, true,
         {"........", "..##....", "..##....", "..##....", "........", "........"}},
        {"wholly outside the clip rectangle", {200, 260, 260, 200}, {16, 16, 64, 64}, whole, false,
         {"........", "........", "........", "........", "........", "........"}},
        {"wholly outside a narrowed clip", {16, 32, 32, 16}, {16, 16, 32, 32}, {3, 0, 8, 6}, false,
         {"........", "........", "........", "........", "........", "........"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t w = int32_t(c.picture[0].size()), h = int32_t(c.picture.size());
        CSprite s = Filled(w, h, kBack);
        s.SetClipRect(c.clip.left, c.clip.top, c.clip.right, c.clip.bottom);
        EXPECT_EQ(s.FillQuadFixed(c.x[0], c.y[0], c.x[1], c.y[1], c.x[2], c.y[2], c.x[3], c.y[3], kValue), c.result);
        EXPECT_EQ(Picture(s), c.picture);
        for (uint32_t p : Pixels(s)) EXPECT_TRUE(p == kBack || p == kValue);
    }
}

// Long 45-degree bands with corners near the ends of the 32-bit range: the
// crossing at row centre c is c + a exactly, so each row holds the pixels
// from (c - 8) / 16 up to (c + 32) / 16, whatever the edge's length. A 32-bit
// product of run and rise overflows for all of them.
TEST(QuadFill, CornersAnywhereInTheIntegerRangeGiveExactCrossings) {
    const struct {
        const char* name;
        int32_t from, to;  // the band's ends on the diagonal
    } cases[] = {
        {"a few thousand pixels", -40000, 40000},
        {"a quarter of the range", -(1 << 29), 1 << 29},
        {"the whole range", INT32_MIN + 64, INT32_MAX - 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = Filled(12, 10, kBack);
        // Left edge x = y - 8, right edge x = y + 24.
        EXPECT_TRUE(s.FillQuadFixed(c.from - 8, c.from, c.to - 8, c.to, c.to + 24, c.to, c.from + 24, c.from, kValue));
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x)
                EXPECT_EQ(*s.PixelAt(x, y) == kValue, x == y || x == y + 1) << x << ", " << y;
    }
}

// A region cut into a jittered mesh of cells smaller than a pixel: every
// pixel whose centre lies inside the region is filled, and no other. The
// region [64, 576) x [48, 448) in sixteenths holds the centres of pixels 4 to
// 35 across and 3 to 27 down.
TEST(QuadFill, MeshOfSmallCellsLeavesNoGap) {
    constexpr int kCols = 50, kRows = 34;  // cells of 11.5 x 11.8 units
    constexpr double kLeft = 64, kRight = 576, kTop = 48, kBottom = 448;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int32_t> jitter(-4, 4);
        std::vector<int32_t> px((kCols + 1) * (kRows + 1)), py(px.size());
        for (int j = 0; j <= kRows; ++j)
            for (int i = 0; i <= kCols; ++i) {
                const size_t k = size_t(j) * (kCols + 1) + i;
                px[k] = int32_t(kLeft + (kRight - kLeft) * i / kCols);
                py[k] = int32_t(kTop + (kBottom - kTop) * j / kRows);
                // Border points slide along the border only.
                if (i != 0 && i != kCols) px[k] += jitter(rng);
                if (j != 0 && j != kRows) py[k] += jitter(rng);
            }
        CSprite s = Filled(40, 30, kBack);
        // Cells in a shuffled order: the result must not depend on it.
        std::vector<int> order(kCols * kRows);
        for (size_t n = 0; n < order.size(); ++n) order[n] = int(n);
        std::shuffle(order.begin(), order.end(), rng);
        for (int n : order) {
            const size_t a = size_t(n / kCols) * (kCols + 1) + n % kCols;
            const size_t b = a + 1, d = a + kCols + 1, e = d + 1;
            s.FillQuadFixed(px[a], py[a], px[b], py[b], px[e], py[e], px[d], py[d], kValue);
        }
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x)
                EXPECT_EQ(*s.PixelAt(x, y) == kValue, x >= 4 && x <= 35 && y >= 3 && y <= 27) << x << ", " << y;
    }
}

}  // namespace
