// Anti-moire against a literal reading of the scan (every turn count and half
// sum recomputed from scratch at each position, the turns marked before the
// scan), on rows built from zigzags, ramps and flat stretches; the worked row;
// the argument limits; pictures the filter must leave alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/raster/RasterTestSupport.h"

namespace anti_moire_test {

using raster_test::Make;
using raster_test::Pixels;

void ReferenceRow(uint32_t* row, int32_t width, int32_t n, int32_t tolerance, int32_t limit) {
    int64_t m = static_cast<uint32_t>(n) > 63u ? 63 : n;
    m = std::max<int64_t>(m, 2);
    if (m > width / 2) return;
    const int64_t turnsNeeded = std::min<int64_t>(2 * m, static_cast<uint32_t>(limit));
    const int64_t t = std::min<int64_t>(static_cast<uint32_t>(tolerance), 255);
    auto g = [&](int64_t k) { return static_cast<int64_t>(row[k] & 0xFF); };
    std::vector<bool> turn(static_cast<size_t>(width), false);
    bool rising = true;
    for (int64_t k = 1; k < width; ++k) {
        if (rising ? g(k) < g(k - 1) : g(k) > g(k - 1)) {
            turn[static_cast<size_t>(k)] = true;
            rising = !rising;
        }
    }
    int64_t start = -1;
    int64_t u = 2 * m;
    while (u < width) {
        int64_t turns = 0;
        for (int64_t k = std::max<int64_t>(1, u - 2 * m); k <= u; ++k) turns += turn[static_cast<size_t>(k)] ? 1 : 0;
        int64_t d = 0;
        for (int64_t k = u - 2 * m; k < u - m; ++k) d += g(k);
        for (int64_t k = u - m; k < u; ++k) d -= g(k);
        const bool pattern = turns >= turnsNeeded && d >= -t * m && d <= t * m;
        if (pattern) {
            if (start < 0) start = u - m / 2 - m;
            ++u;
        } else if (start < 0) {
            ++u;
        } else {
            int64_t sum = 0;
            for (int64_t k = u - 2 * m + 1; k <= u - m; ++k) sum += g(k);
            const uint32_t v = static_cast<uint32_t>(sum / m);
            for (int64_t k = start; k <= u - m / 2; ++k) row[k] = (row[k] & 0xFF000000u) | (v * 0x010101u);
            start = -1;
            u += 2 * m + 1;
        }
    }
}

std::vector<uint32_t> Reference(const CSprite& s, int32_t n, int32_t tolerance, int32_t limit) {
    std::vector<uint32_t> px = Pixels(s);
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        ReferenceRow(px.data() + static_cast<size_t>(y) * s.GetWidth(), s.GetWidth(), n, tolerance, limit);
    return px;
}

// Rows of stretches: zigzags of random period and amplitude around a level
// (sometimes drifting), flat runs, noise. Colour bytes random, grey in blue.
void PaintPatterns(CSprite& s, std::mt19937& rng) {
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        int32_t x = 0;
        while (x < s.GetWidth()) {
            const int32_t length = 3 + static_cast<int32_t>(rng() % 60);
            const uint32_t kind = rng() % 4, level = 40 + rng() % 160, amp = 1 + rng() % 40;
            const uint32_t period = 1 + rng() % 4;
            for (int32_t i = 0; i < length && x < s.GetWidth(); ++i, ++x) {
                uint32_t grey = level;
                if (kind <= 1) grey = ((i / period) & 1) != 0 ? level + amp : level - amp;
                if (kind == 1) grey += static_cast<uint32_t>(i) / 8;
                if (kind == 2) grey = static_cast<uint32_t>(rng() & 0xFF);
                grey = std::min<uint32_t>(grey, 255);
                *s.PixelAt(x, y) = (rng() & 0xFFFFFF00u) | grey;
            }
        }
    }
}

TEST(AntiMoire, MatchesTheLiteralScan) {
    std::mt19937 rng(1417);
    const int32_t windows[] = {-1, 0, 1, 2, 3, 5, 8, 31, 32, 33, 62, 63, 64, 100};
    const int32_t tolerances[] = {0, 2, 20, 300};
    const int32_t limits[] = {0, 2, 4, 9, 40, 126, 255};
    CSprite s;
    Make(s, 400, 6);
    int changed = 0;
    for (int32_t n : windows)
        for (int32_t tolerance : tolerances)
            for (int32_t limit : limits) {
                PaintPatterns(s, rng);
                const std::vector<uint32_t> before = Pixels(s);
                const std::vector<uint32_t> expected = Reference(s, n, tolerance, limit);
                s.AntiMoire(n, tolerance, limit);
                ASSERT_EQ(Pixels(s), expected) << "n=" << n << " tolerance=" << tolerance << " limit=" << limit;
                changed += expected != before ? 1 : 0;
            }
    EXPECT_GT(changed, 100);  // the patterns do trigger the filter
}

TEST(AntiMoire, WorkedRow) {
    const uint32_t greys[] = {10, 10, 10, 10, 50, 90, 50, 90, 50, 90, 50, 90, 10, 10, 10, 10, 10, 10, 10, 10};
    CSprite s;
    Make(s, 20, 1);
    for (int32_t x = 0; x < 20; ++x) *s.PixelAt(x, 0) = (uint32_t(x * 12) << 24) | 0x00AB1200u | greys[x];
    s.AntiMoire(2, 0, 4);
    for (int32_t x = 0; x < 20; ++x) {
        const uint32_t expected = (uint32_t(x * 12) << 24) | (x >= 6 && x <= 12 ? 0x464646u : 0x00AB1200u | greys[x]);
        EXPECT_EQ(*s.PixelAt(x, 0), expected) << "pixel " << x;
    }
}

TEST(AntiMoire, PicturesLeftAlone) {
    struct Case {
        const char* name;
        int32_t width;
        int32_t n, tolerance, limit;
        uint32_t (*grey)(int32_t x);
    };
    const Case cases[] = {
        {"flat row, limit 0: the run never ends", 50, 2, 0, 0, [](int32_t) { return 100u; }},
        {"zigzag to the row's end", 50, 2, 0, 4,
         [](int32_t x) { return x < 10 ? 10u : (x & 1) != 0 ? 90u : 50u; }},
        {"narrower than 4", 3, 2, 255, 0, [](int32_t x) { return (x & 1) * 200u; }},
        {"narrower than 2M", 20, 11, 255, 0, [](int32_t x) { return (x & 1) * 200u; }},
    };
    for (const Case& c : cases) {
        CSprite s;
        Make(s, c.width, 2);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < c.width; ++x) *s.PixelAt(x, y) = 0x80FF0000u | c.grey(x);
        const std::vector<uint32_t> before = Pixels(s);
        s.AntiMoire(c.n, c.tolerance, c.limit);
        EXPECT_EQ(Pixels(s), before) << c.name;
    }
}

// Arguments beyond their ranges act as their limits.
TEST(AntiMoire, ArgumentLimits) {
    struct Case {
        const char* name;
        int32_t n, tolerance, limit, sameN, sameTolerance, sameLimit;
    };
    const Case cases[] = {
        {"window 1 is 2", 1, 5, 3, 2, 5, 3},       {"window 100 is 63", 100, 40, 20, 63, 40, 20},
        {"window -1 is 63", -1, 40, 20, 63, 40, 20}, {"tolerance 300 is 255", 3, 300, 4, 3, 255, 4},
        {"limit above 2M is 2M", 3, 20, 200, 3, 20, 6},
    };
    std::mt19937 rng(77);
    for (const Case& c : cases) {
        CSprite a, b;
        Make(a, 300, 4);
        PaintPatterns(a, rng);
        raster_test::CopyPixels(a, b);
        a.AntiMoire(c.n, c.tolerance, c.limit);
        b.AntiMoire(c.sameN, c.sameTolerance, c.sameLimit);
        EXPECT_EQ(Pixels(a), Pixels(b)) << c.name;
    }
}

}  // namespace anti_moire_test
