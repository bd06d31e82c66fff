// Distance transparency: the distances against a Dijkstra search over the
// 8-connected grid (500 per straight step, 707 per diagonal one) from every
// transparent pixel and the frame around the rectangle; the ramp's worked
// examples; settings that must not scramble an alpha; the grid's limits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/raster/RasterTestSupport.h"

namespace dist_alpha_test {

using raster_test::CopyPixels;
using raster_test::Filled;
using raster_test::Painted;
using raster_test::Pixels;

// Distances of the w x h rectangle at (x, y) of s, row by row.
std::vector<uint32_t> DijkstraDistances(const CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h) {
    // Grid with a frame: cells (0 .. w + 1) x (0 .. h + 1).
    const int32_t gw = w + 2, gh = h + 2;
    std::vector<uint64_t> dist(static_cast<size_t>(gw) * gh, std::numeric_limits<uint64_t>::max());
    using Item = std::pair<uint64_t, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (int32_t r = 0; r < gh; ++r)
        for (int32_t c = 0; c < gw; ++c) {
            const bool frame = r == 0 || c == 0 || r == gh - 1 || c == gw - 1;
            if (frame || (*s.PixelAt(x + c - 1, y + r - 1) >> 24) == 0) {
                dist[static_cast<size_t>(r) * gw + c] = 0;
                queue.push({0, r * gw + c});
            }
        }
    while (!queue.empty()) {
        const auto [d, at] = queue.top();
        queue.pop();
        if (d != dist[static_cast<size_t>(at)]) continue;
        const int32_t r = at / gw, c = at % gw;
        for (int32_t dr = -1; dr <= 1; ++dr)
            for (int32_t dc = -1; dc <= 1; ++dc) {
                const int32_t nr = r + dr, nc = c + dc;
                if ((dr == 0 && dc == 0) || nr < 0 || nc < 0 || nr >= gh || nc >= gw) continue;
                const uint64_t nd = d + (dr != 0 && dc != 0 ? 707 : 500);
                uint64_t& slot = dist[static_cast<size_t>(nr) * gw + nc];
                if (nd < slot) {
                    slot = nd;
                    queue.push({nd, nr * gw + nc});
                }
            }
    }
    std::vector<uint32_t> out;
    for (int32_t r = 1; r <= h; ++r)
        for (int32_t c = 1; c <= w; ++c) out.push_back(static_cast<uint32_t>(dist[static_cast<size_t>(r) * gw + c]));
    return out;
}

// The factor for a distance: L up to I, K from J on, and in between L plus
// (D - I) times the slope (K - L) / (J - I) held as a truncated 2^23 fraction,
// the product rounded down.
uint32_t Factor(uint32_t d, int64_t i, int64_t j, uint32_t l, uint32_t k) {
    if (d <= static_cast<uint32_t>(i)) return l;
    if (d >= static_cast<uint32_t>(j)) return k;
    const int64_t slope = (int64_t(k) - l) * (int64_t{1} << 23) / (j - i);
    return static_cast<uint32_t>(l + ((int64_t(d) - i) * slope >> 23));
}

class DistAlphaTest : public raster_test::ReadyLibraryTest {};

TEST_F(DistAlphaTest, DistancesMatchDijkstra) {
    struct Case {
        int32_t spriteW, spriteH, x, y, w, h;
        int transparentPercent;
    };
    const Case cases[] = {
        {30, 20, 0, 0, 30, 20, 2}, {30, 20, 3, 2, 20, 15, 10}, {64, 48, -5, -5, 100, 100, 1},
        {40, 40, 0, 0, 40, 40, 0}, {1, 9, 0, 0, 1, 9, 0},       {25, 1, 0, 0, 25, 1, 20},
    };
    std::mt19937 rng(101);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.spriteW) + "x" + std::to_string(c.spriteH) + " at " + std::to_string(c.x) +
                     "," + std::to_string(c.y));
        CSprite s = Painted(c.spriteW, c.spriteH, [&](int32_t, int32_t) {
            const bool clear = static_cast<int>(rng() % 100) < c.transparentPercent;
            return clear ? 0x00123456u : 0xFF000000u | (rng() & 0xFFFFFFu);
        });
        CSprite before;
        CopyPixels(s, before);
        // A long ramp (0 .. 200 px) from factor 0 to 256: distinct distances
        // mostly give distinct alphas.
        ASSERT_TRUE(s.DistAlpha(c.x, c.y, c.w, c.h, 0.0, 200.0, 0, 255));
        int32_t x = c.x, y = c.y, w = c.w, h = c.h;
        before.ClipRect(x, y, w, h);
        const std::vector<uint32_t> dist = DijkstraDistances(before, x, y, w, h);
        std::vector<uint32_t> expected = Pixels(before);
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i) {
                uint32_t& p = expected[static_cast<size_t>(y + j) * c.spriteW + (x + i)];
                const uint32_t f = Factor(dist[static_cast<size_t>(j) * w + i], 0, 100000, 0, 256);
                p = (p & 0xFFFFFFu) | ((((p >> 24) * f) >> 8) << 24);
            }
        EXPECT_EQ(Pixels(s), expected);
    }
}

// A 13 x 13 opaque rectangle with one transparent pixel in the middle: the
// pixels at offsets (1,0), (1,1), (2,0), (2,1), (2,2), (3,0) lie at 500, 707,
// 1000, 1207, 1414 and 1500 from it, nearer than the frame.
TEST_F(DistAlphaTest, RampWorkedExamples) {
    struct Case {
        const char* name;
        double d0, d1;
        uint8_t a0, a1;
        uint32_t startAlpha;
        uint32_t alphas[6];  // at 500, 707, 1000, 1207, 1414, 1500
    };
    const Case cases[] = {
        {"feather inward", 0.0, 2.0, 0, 255, 255, {126, 179, 255, 255, 255, 255}},
        {"feather, alpha 128", 0.0, 2.0, 0, 255, 128, {63, 90, 128, 128, 128, 128}},
        {"rim only", 1.0, 3.0, 255, 0, 255, {255, 202, 127, 74, 21, 0}},
        {"no ramp when d0 = d1", 1.5, 1.5, 255, 0, 255, {255, 255, 0, 0, 0, 0}},
        {"no ramp when d0 > d1", 2.0, 1.0, 0, 255, 255, {0, 0, 0, 255, 255, 255}},
        {"negative d0: near factor everywhere", -1.0, 2.0, 0, 255, 255, {0, 0, 0, 0, 0, 0}},
        {"equal factors scale uniformly", 0.0, 2.0, 128, 128, 200, {100, 100, 100, 100, 100, 100}},
        {"equal factors 255 keep", 0.0, 2.0, 255, 255, 200, {200, 200, 200, 200, 200, 200}},
        {"equal factors 0 clear", 0.0, 2.0, 0, 0, 200, {0, 0, 0, 0, 0, 0}},
    };
    const std::pair<int32_t, int32_t> offsets[] = {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {3, 0}};
    for (const Case& c : cases) {
        CSprite s = Filled(13, 13, (c.startAlpha << 24) | 0x405060u);
        *s.PixelAt(6, 6) = 0x00405060u;
        ASSERT_TRUE(s.DistAlpha(0, 0, 13, 13, c.d0, c.d1, c.a0, c.a1)) << c.name;
        for (int i = 0; i < 6; ++i) {
            const uint32_t p = *s.PixelAt(6 + offsets[i].first, 6 + offsets[i].second);
            EXPECT_EQ(p >> 24, c.alphas[i]) << c.name << " at offset " << i;
            EXPECT_EQ(p & 0xFFFFFFu, 0x405060u) << c.name;
        }
        EXPECT_EQ(*s.PixelAt(6, 6), 0x00405060u) << c.name << ": transparent stays transparent";
    }
}

// A rectangle inside a larger opaque area is faded at its own edges.
TEST_F(DistAlphaTest, RectangleEdgesCountAsTransparent) {
    CSprite s = Filled(20, 20, 0xFF000000u);
    ASSERT_TRUE(s.DistAlpha(5, 5, 10, 10, 0.0, 2.0, 0, 255));
    EXPECT_EQ(*s.PixelAt(5, 9) >> 24, 126u);   // border: 500
    EXPECT_EQ(*s.PixelAt(6, 9) >> 24, 255u);   // 1000
    EXPECT_EQ(*s.PixelAt(4, 9) >> 24, 255u);   // outside the rectangle: untouched
    EXPECT_EQ(*s.PixelAt(14, 14) >> 24, 126u);
}

// Settings beyond the ramp's normal range: saturated distance units, a far
// distance that wraps below the near one as unsigned, non-finite distances.
// No alpha may leave the range between the two factors, no colour may change.
TEST_F(DistAlphaTest, ExtremeDistancesStayInRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        double d0, d1;
        bool unchanged;
    };
    const Case cases[] = {
        {"far beyond 32 bits", 0.0, 1e300, false}, {"far distance negative", 0.0, -1.0, false},
        {"near huge negative", -1e300, 3.0, false}, {"both huge", 1e12, 2e12, false},
        {"near NaN", nan, 2.0, true},               {"far infinite", 0.0, inf, true},
    };
    std::mt19937 rng(9);
    for (const Case& c : cases) {
        CSprite s = Painted(24, 24, [&](int32_t, int32_t) {
            return (rng() % 10 == 0 ? 0u : 0xFF000000u) | (rng() & 0xFFFFFFu);
        });
        CSprite before;
        CopyPixels(s, before);
        ASSERT_TRUE(s.DistAlpha(0, 0, 24, 24, c.d0, c.d1, 64, 255)) << c.name;
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 24; ++x) {
                const uint32_t was = *before.PixelAt(x, y), now = *s.PixelAt(x, y);
                EXPECT_EQ(now & 0xFFFFFFu, was & 0xFFFFFFu) << c.name;
                const uint32_t a = was >> 24;
                if (c.unchanged) {
                    EXPECT_EQ(now, was) << c.name;
                } else {
                    EXPECT_GE(now >> 24, (a * 64) >> 8) << c.name << " at " << x << "," << y;
                    EXPECT_LE(now >> 24, a) << c.name << " at " << x << "," << y;
                }
            }
    }
}

// A grid the work sprite cannot hold ((w + 2) x (h + 2) beyond the size
// limits) is reported and changes nothing.
TEST_F(DistAlphaTest, GridBeyondTheLimitsIsReported) {
    CSprite s = Filled(16383, 300, 0xFF0000FFu);
    EXPECT_FALSE(s.DistAlpha(0, 0, 16383, 300, 0.0, 2.0, 0, 255));
    EXPECT_EQ(*s.PixelAt(0, 0), 0xFF0000FFu);
    EXPECT_TRUE(s.DistAlpha(0, 0, 16000, 300, 0.0, 2.0, 0, 255));
    EXPECT_EQ(*s.PixelAt(0, 0) >> 24, 126u);
}

}  // namespace dist_alpha_test
