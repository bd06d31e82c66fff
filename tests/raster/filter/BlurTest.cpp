// The diffusion blurs against a brute-force evaluation of the cone over the
// diamond (every weight and every pixel summed directly, neighbours outside
// the sprite taken from the nearest edge pixel), plus the worked examples,
// the alpha range, the inner kernels' margins and the work sprite's limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "tests/raster/RasterTestSupport.h"

namespace blur_test {

using raster_test::CopyPixels;
using raster_test::Filled;
using raster_test::MakeRandom;
using raster_test::Painted;
using raster_test::Pixels;

enum class Variant { kAll, kAlpha, kColour };

using Wrapper = bool (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, uint8_t, uint8_t);

struct VariantRow {
    const char* name;
    Variant variant;
    Wrapper wrapper;
};

const VariantRow kVariants[] = {
    {"Blur", Variant::kAll, &CSprite::Blur},
    {"BlurA", Variant::kAlpha, &CSprite::BlurA},
    {"BlurC", Variant::kColour, &CSprite::BlurC},
};

// The blurred value of destination pixel d over the diamond around (cx, cy)
// of `at` (a function of unclamped coordinates), by the definition: each
// weight r + 1 - |u| - |v| applied to a, aR, aG, aB, sums divided exactly.
template <class At>
uint32_t Reference(Variant variant, uint32_t d, At at, int32_t cx, int32_t cy, int32_t r, uint32_t lo, uint32_t hi) {
    uint64_t sa = 0, sr = 0, sg = 0, sb = 0, norm = 0;
    for (int32_t v = -r; v <= r; ++v) {
        for (int32_t u = -r; u <= r; ++u) {
            const int32_t weight = r + 1 - std::abs(u) - std::abs(v);
            if (weight <= 0) continue;
            norm += static_cast<uint64_t>(weight);
            const uint32_t p = at(cx + u, cy + v);
            const uint64_t a = p >> 24;
            sa += weight * a;
            sr += weight * a * ((p >> 16) & 0xFF);
            sg += weight * a * ((p >> 8) & 0xFF);
            sb += weight * a * (p & 0xFF);
        }
    }
    const uint32_t p = at(cx, cy);
    const bool inRange = (p >> 24) >= lo && (p >> 24) <= hi;
    const uint32_t colour =
        sa == 0 ? 0 : static_cast<uint32_t>(((sr / sa) << 16) | ((sg / sa) << 8) | (sb / sa));
    const uint32_t alpha = static_cast<uint32_t>(sa / norm);
    switch (variant) {
        case Variant::kAll:
            if (!inRange) return p;
            return sa == 0 ? d & 0x00FFFFFFu : (alpha << 24) | colour;
        case Variant::kAlpha:
            return (d & 0x00FFFFFFu) | ((inRange ? alpha : p >> 24) << 24);
        case Variant::kColour:
            if (sa == 0) return d;
            return (d & 0xFF000000u) | (inRange ? colour : p & 0x00FFFFFFu);
    }
    return 0;
}

// The wrapper's expected result on `before`: the clipped rectangle blurred,
// neighbours clamped to the image.
std::vector<uint32_t> ExpectedInPlace(Variant variant, const CSprite& before, int32_t x, int32_t y, int32_t w,
                                      int32_t h, int32_t r, uint32_t lo, uint32_t hi) {
    const int32_t width = before.GetWidth(), height = before.GetHeight();
    auto at = [&](int32_t px, int32_t py) {
        return *before.PixelAt(std::clamp(px, 0, width - 1), std::clamp(py, 0, height - 1));
    };
    std::vector<uint32_t> out = Pixels(before);
    for (int32_t j = std::max(y, 0); j < std::min(y + h, height); ++j)
        for (int32_t i = std::max(x, 0); i < std::min(x + w, width); ++i) {
            uint32_t& d = out[static_cast<size_t>(j) * width + i];
            d = Reference(variant, d, at, i, j, r, lo, hi);
        }
    return out;
}

class BlurTest : public raster_test::ReadyLibraryTest {};

// Random pixels (a quarter transparent, a quarter opaque) in rectangles that
// touch every edge and corner, for each radius the brief names and a few
// between; with and without an alpha range.
TEST_F(BlurTest, WrappersMatchTheDirectConeSums) {
    struct Case {
        int32_t spriteW, spriteH, x, y, w, h, r;
        uint8_t lo, hi;
    };
    const Case cases[] = {
        {13, 11, 0, 0, 13, 11, 1, 0, 255},   {13, 11, 2, 3, 7, 5, 1, 1, 254},
        {17, 9, -3, -2, 40, 40, 2, 0, 255},  {17, 9, 4, 1, 1, 7, 2, 0, 128},
        {9, 17, 3, 0, 5, 1, 3, 0, 255},      {40, 30, 5, 4, 30, 22, 10, 0, 255},
        {40, 30, 0, 0, 40, 30, 10, 255, 255}, {25, 31, 0, 0, 25, 31, 17, 30, 200},
        {60, 55, 0, 0, 60, 55, 45, 0, 255},  {60, 55, 50, 40, 20, 20, 45, 1, 255},
        {3, 2, 0, 0, 3, 2, 45, 0, 255},      {1, 1, 0, 0, 1, 1, 4, 0, 255},
    };
    std::mt19937 rng(25);
    for (const VariantRow& v : kVariants) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(v.name) + " r=" + std::to_string(c.r) + " rect " + std::to_string(c.x) + "," +
                         std::to_string(c.y) + " " + std::to_string(c.w) + "x" + std::to_string(c.h) + " range " +
                         std::to_string(c.lo) + ".." + std::to_string(c.hi));
            CSprite s, before;
            MakeRandom(s, c.spriteW, c.spriteH, rng);
            CopyPixels(s, before);
            EXPECT_TRUE((s.*v.wrapper)(c.x, c.y, c.w, c.h, c.r, c.lo, c.hi));
            EXPECT_EQ(Pixels(s), ExpectedInPlace(v.variant, before, c.x, c.y, c.w, c.h, c.r, c.lo, c.hi));
        }
    }
}

// The largest sums: every pixel opaque white (colour sums 255 x 255 x N(45))
// next to a region of varied opaque colours, at radius 45.
TEST_F(BlurTest, LargestSumsStayExact) {
    std::mt19937 rng(7);
    CSprite s = Painted(100, 96, [&](int32_t x, int32_t) {
        return x < 50 ? 0xFFFFFFFFu : 0xFF000000u | (rng() & 0x00FFFFFFu);
    });
    CSprite before;
    CopyPixels(s, before);
    EXPECT_TRUE(s.Blur(0, 0, 100, 96, 45, 0, 255));
    EXPECT_EQ(Pixels(s), ExpectedInPlace(Variant::kAll, before, 0, 0, 100, 96, 45, 0, 255));
    EXPECT_EQ(*s.PixelAt(2, 2), 0xFFFFFFFFu);
}

TEST_F(BlurTest, WorkedExamples) {
    // One opaque pixel in a transparent field, r = 1.
    auto single = [](int32_t x, int32_t y) { return x == 3 && y == 3 ? 0xFF102030u : 0x00C0C0C0u; };
    {
        CSprite s = Painted(7, 7, single);
        EXPECT_TRUE(s.Blur(0, 0, 7, 7, 1, 0, 255));
        EXPECT_EQ(*s.PixelAt(3, 3), 0x55102030u);  // 255 x 2 / 6 = 85
        for (auto [x, y] : {std::pair{2, 3}, {4, 3}, {3, 2}, {3, 4}}) EXPECT_EQ(*s.PixelAt(x, y), 0x2A102030u);
        EXPECT_EQ(*s.PixelAt(2, 2), 0x00C0C0C0u);  // diagonal: alpha 0, colour kept
        EXPECT_EQ(*s.PixelAt(0, 0), 0x00C0C0C0u);
    }
    {
        CSprite s = Painted(7, 7, single);
        EXPECT_TRUE(s.BlurC(0, 0, 7, 7, 1, 0, 255));
        EXPECT_EQ(*s.PixelAt(3, 3), 0xFF102030u);
        for (auto [x, y] : {std::pair{2, 3}, {4, 3}, {3, 2}, {3, 4}}) EXPECT_EQ(*s.PixelAt(x, y), 0x00102030u);
        EXPECT_EQ(*s.PixelAt(2, 2), 0x00C0C0C0u);
    }
    {
        CSprite s = Painted(7, 7, single);
        EXPECT_TRUE(s.BlurA(0, 0, 7, 7, 1, 0, 255));
        EXPECT_EQ(*s.PixelAt(3, 3), 0x55102030u);
        EXPECT_EQ(*s.PixelAt(2, 3), 0x2AC0C0C0u);
        EXPECT_EQ(*s.PixelAt(2, 2), 0x00C0C0C0u);
    }
    // A uniform sprite blurred whole stays uniform: the clamped margins repeat
    // the edges, corners included.
    for (const VariantRow& v : kVariants) {
        for (int32_t r : {1, 7, 45}) {
            CSprite s = Filled(12, 9, 0xC8336699u);
            EXPECT_TRUE((s.*v.wrapper)(0, 0, 12, 9, r, 0, 255));
            EXPECT_EQ(Pixels(s), Pixels(Filled(12, 9, 0xC8336699u))) << v.name << " r=" << r;
        }
    }
}

// Calls that change nothing but still succeed.
TEST_F(BlurTest, CallsThatChangeNothing) {
    struct Case {
        const char* name;
        int32_t x, y, w, h, r;
        uint8_t lo, hi;
    };
    const Case cases[] = {
        {"radius 0", 0, 0, 16, 12, 0, 0, 255},       {"radius 46", 0, 0, 16, 12, 46, 0, 255},
        {"negative radius", 0, 0, 16, 12, -1, 0, 255}, {"lo above hi", 0, 0, 16, 12, 3, 200, 100},
        {"empty rectangle", 4, 4, 0, 5, 3, 0, 255},  {"outside the sprite", 20, 0, 5, 5, 3, 0, 255},
    };
    std::mt19937 rng(3);
    for (const VariantRow& v : kVariants) {
        for (const Case& c : cases) {
            CSprite s, before;
            MakeRandom(s, 16, 12, rng);
            CopyPixels(s, before);
            EXPECT_TRUE((s.*v.wrapper)(c.x, c.y, c.w, c.h, c.r, c.lo, c.hi)) << v.name << ": " << c.name;
            EXPECT_EQ(Pixels(s), Pixels(before)) << v.name << ": " << c.name;
        }
    }
}

TEST_F(BlurTest, AlphaRangeConfinesTheBlur) {
    // lo = hi = 255: only opaque pixels change; lo = 1: transparent ones stay.
    std::mt19937 rng(11);
    for (auto [lo, hi] : {std::pair<uint8_t, uint8_t>{255, 255}, {1, 255}, {0, 0}}) {
        CSprite s, before;
        MakeRandom(s, 20, 15, rng);
        CopyPixels(s, before);
        EXPECT_TRUE(s.Blur(0, 0, 20, 15, 2, lo, hi));
        for (int32_t y = 0; y < 15; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                const uint32_t a = *before.PixelAt(x, y) >> 24;
                if (a < lo || a > hi) {
                    EXPECT_EQ(*s.PixelAt(x, y), *before.PixelAt(x, y)) << x << "," << y;
                }
            }
    }
}

// The inner kernels: lo = 0, hi = 255 equals the full-range twin, and a source
// without margins trims the region to the centres that have them.
TEST_F(BlurTest, InnerKernelsAndMargins) {
    using From = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   uint8_t, uint8_t);
    using Full = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t);
    struct Pair {
        Variant variant;
        From from;
        Full full;
    };
    const Pair pairs[] = {{Variant::kAll, &CSprite::BlurFrom, &CSprite::BlurFullRange},
                          {Variant::kAlpha, &CSprite::BlurAFrom, &CSprite::BlurAFullRange},
                          {Variant::kColour, &CSprite::BlurCFrom, &CSprite::BlurCFullRange}};
    std::mt19937 rng(5);
    for (const Pair& p : pairs) {
        CSprite source, a, b, before;
        MakeRandom(source, 24, 20, rng);
        MakeRandom(a, 30, 30, rng);
        CopyPixels(a, b);
        CopyPixels(a, before);
        // Asks for the whole source from (0, 0) at (4, 5) with r = 3: only the
        // centres 3 .. 24 - 3 - 2 across and 3 .. 20 - 3 - 2 down have margins.
        (a.*p.from)(4, 5, source, 0, 0, 24, 20, 3, 0, 255);
        (b.*p.full)(4, 5, source, 0, 0, 24, 20, 3);
        EXPECT_EQ(Pixels(a), Pixels(b));
        const int32_t width = source.GetWidth();
        auto at = [&](int32_t x, int32_t y) { return *source.PixelAt(x, y); };
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 30; ++x) {
                const int32_t sx = x - 4, sy = y - 5;
                const bool centre = sx >= 3 && sx <= width - 5 && sy >= 3 && sy <= 20 - 5;
                const uint32_t expected =
                    centre ? Reference(p.variant, *before.PixelAt(x, y), at, sx, sy, 3, 0, 255) : *before.PixelAt(x, y);
                EXPECT_EQ(*a.PixelAt(x, y), expected) << x << "," << y;
            }
    }
}

// A padded copy the work sprite cannot hold (wider than 16383 and higher than
// 256) is refused: nothing changes and the wrapper says so. Without the
// library nothing is drawn and that counts as done.
TEST_F(BlurTest, WorkSpriteLimitsAndReadiness) {
    CSprite wide = Filled(16380, 300, 0xFF00FF00u);
    *wide.PixelAt(5, 5) = 0x00000000u;
    EXPECT_FALSE(wide.Blur(0, 0, 16380, 300, 45, 0, 255));
    EXPECT_EQ(*wide.PixelAt(6, 5), 0xFF00FF00u);
    // The same sprite blurred over a part that fits works.
    EXPECT_TRUE(wide.Blur(0, 0, 100, 300, 1, 0, 255));
    EXPECT_NE(*wide.PixelAt(6, 5), 0xFF00FF00u);

    CSprite s = Painted(6, 6, [](int32_t x, int32_t) { return x == 2 ? 0xFFFFFFFFu : 0u; });
    CSprite before;
    CopyPixels(s, before);
    raster_test::ResetRasterLibrary();
    EXPECT_TRUE(s.Blur(0, 0, 6, 6, 1, 0, 255));
    InitRasterLibrary(1);
    EXPECT_EQ(Pixels(s), Pixels(before));
}

}  // namespace blur_test
