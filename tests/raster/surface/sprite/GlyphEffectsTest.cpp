#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class GlyphEffectsTest : public raster_test::ReadyLibraryTest {
protected:
    void SetUp() override {
        raster_test::ReadyLibraryTest::SetUp();
        raster_test::ResetRasterScratch();
    }
    void TearDown() override {
        raster_test::ReadyLibraryTest::TearDown();
        raster_test::ResetRasterScratch();
    }

    std::mt19937 rng{7301};

    // Glyph-like pixels: mostly empty or solid, some edge coverage, random colour.
    uint32_t RandomGlyphPixel() {
        const uint32_t colour = static_cast<uint32_t>(rng()) & 0x00FFFFFFu;
        switch (rng() % 4) {
            case 0:
            case 1: return colour;
            case 2: return colour | 0xFF000000u;
            default: return colour | (static_cast<uint32_t>(rng()) << 24);
        }
    }

    CSprite RandomSprite(int32_t w, int32_t h) {
        return raster_test::Painted(w, h, [this](int32_t, int32_t) { return RandomGlyphPixel(); });
    }
};

CSprite Blank(int32_t w, int32_t h, uint32_t value = 0) { return raster_test::Filled(w, h, value); }

using raster_test::Pixels;

// The decorations' colour mix, channel by channel.
uint32_t MixedRef(uint32_t v, uint32_t e) {
    const uint32_t a = v >> 24, k = a + (a >> 7);
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t c = (v >> shift) & 0xFF, ec = (e >> shift) & 0xFF;
        out |= ((c * k + ec * (256 - k)) / 256) << shift;
    }
    return out;
}

// ---- Supersampling reductions ----

TEST_F(GlyphEffectsTest, Downsample2x2OfOddRectangleWritesWholeBlocksOnly) {
    CSprite s = Blank(7, 5, 0x11223344u);
    // The 5 x 3 rectangle at (1, 1) is worked as 4 x 2: blocks (1..2, 1..2) and (3..4, 1..2).
    *s.PixelAt(1, 1) = 0xFF000000u;
    *s.PixelAt(2, 1) = 0xFF000000u;
    *s.PixelAt(1, 2) = 0xFF000000u;
    *s.PixelAt(2, 2) = 0xFE000000u;
    *s.PixelAt(3, 1) = 0x00FFFFFFu;
    *s.PixelAt(4, 1) = 0x01FFFFFFu;
    *s.PixelAt(3, 2) = 0x02000000u;
    *s.PixelAt(4, 2) = 0x00000000u;
    std::vector<uint32_t> expected = Pixels(s);
    expected[1 * 7 + 1] = 0xFEC00000u;              // 255 + 255 + 255 + 254 = 1019
    expected[1 * 7 + 2] = 3u << 22;                 // 0 + 1 + 2 + 0 = 3: alpha 0, red 0xC0
    s.DownsampleAlpha2x2(1, 1, 5, 3);
    EXPECT_EQ(Pixels(s), expected);
}

TEST_F(GlyphEffectsTest, DownsampleNothingBelowTheBlockSize) {
    const struct {
        const char* name;
        int n, w, h;
    } cases[] = {{"3x3 over 2x9", 3, 2, 9}, {"2x2 over 1x5", 2, 1, 5}, {"4x4 over 8x3", 4, 8, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = RandomSprite(12, 12);
        const std::vector<uint32_t> before = Pixels(s);
        if (c.n == 2) s.DownsampleAlpha2x2(1, 1, c.w, c.h);
        if (c.n == 3) s.DownsampleAlpha3x3(1, 1, c.w, c.h);
        if (c.n == 4) s.DownsampleAlpha4x4(1, 1, c.w, c.h);
        EXPECT_EQ(Pixels(s), before);
    }
}

// Each block read from a copy of the image: in-place order faults show.
TEST_F(GlyphEffectsTest, DownsampleMatchesBlockSumsOnRandomImagesAndClips) {
    for (int n = 2; n <= 4; ++n) {
        for (int round = 0; round < 40; ++round) {
            CSprite s = RandomSprite(1 + static_cast<int32_t>(rng() % 30), 1 + static_cast<int32_t>(rng() % 30));
            if (rng() % 2) s.SetClipRect(rng() % 4, rng() % 4, s.GetWidth() - rng() % 4, s.GetHeight() - rng() % 4);
            int32_t x = static_cast<int32_t>(rng() % 10) - 3, y = static_cast<int32_t>(rng() % 10) - 3;
            int32_t w = static_cast<int32_t>(rng() % 34), h = static_cast<int32_t>(rng() % 34);
            const std::vector<uint32_t> before = Pixels(s);
            std::vector<uint32_t> expected = before;
            int32_t cx = x, cy = y, cw = w, ch = h;
            s.ClipRect(cx, cy, cw, ch);
            const int32_t sw = s.GetWidth();
            for (int32_t by = 0; by < ch / n; ++by)
                for (int32_t bx = 0; bx < cw / n; ++bx) {
                    uint32_t a = 0;
                    for (int j = 0; j < n; ++j)
                        for (int i = 0; i < n; ++i) a += before[(cy + by * n + j) * sw + cx + bx * n + i] >> 24;
                    const uint32_t pixel = n == 2 ? a << 22 : n == 3 ? (a / 9) << 24 : a << 20;
                    expected[(cy + by) * sw + cx + bx] = pixel;
                }
            if (n == 2) s.DownsampleAlpha2x2(x, y, w, h);
            if (n == 3) s.DownsampleAlpha3x3(x, y, w, h);
            if (n == 4) s.DownsampleAlpha4x4(x, y, w, h);
            ASSERT_EQ(Pixels(s), expected) << "n " << n << " round " << round;
        }
    }
}

// ---- Widening ----

TEST_F(GlyphEffectsTest, DilateFromLeftGrowsByExactlyOnePixel) {
    CSprite s = Blank(4, 1);
    *s.PixelAt(1, 0) = 0xFF000000u;
    s.DilateFromLeft(0, 0, 4, 1);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0, 0xFF000000u, 0xFF000000u, 0}));

    // Random rows against the old left neighbour, inside a clip.
    for (int round = 0; round < 20; ++round) {
        CSprite r = RandomSprite(17, 5);
        r.SetClipRect(2, 1, 15, 5);
        std::vector<uint32_t> expected = Pixels(r);
        const std::vector<uint32_t> before = expected;
        for (int32_t y = 1; y < 5; ++y)
            for (int32_t x = 3; x < 15; ++x)
                expected[y * 17 + x] = std::max(before[y * 17 + x], before[y * 17 + x - 1]);
        r.DilateFromLeft(0, 0, 40, 40);
        ASSERT_EQ(Pixels(r), expected);
    }
}

// ---- Drop shadows ----

constexpr uint32_t kEffect = 0xAB102030u;  // the alpha byte is never used

// Worked by hand; positions are visited bottom-up and right-to-left, so in the
// diagonal case (1, 1) finds (2, 2) already made solid and starts no chain of
// its own (top-down it would spread its alpha to the far end).
TEST_F(GlyphEffectsTest, ShadowWorkedExamples) {
    struct Px {
        int32_t x, y;
        uint32_t value;
    };
    const struct {
        const char* name;
        bool longChain;
        int32_t w, h;
        std::vector<Px> glyph, changed;
    } cases[] = {
        {"edge diagonal, shadow 1",
         false,
         7,
         6,
         {{1, 1, 0xC0FFFFFFu}, {2, 2, 0xC0FFFFFFu}},
         {{2, 2, 0xFFC4C8CCu}, {3, 3, 0xFF102030u}, {4, 4, 0x00102030u}}},
        {"edge diagonal, shadow 2",
         true,
         8,
         7,
         {{1, 1, 0xC0FFFFFFu}, {2, 2, 0xC0FFFFFFu}},
         {{2, 2, 0xFFC4C8CCu}, {3, 3, 0xFF102030u}, {4, 4, 0xFF102030u}, {5, 5, 0x00102030u}}},
        {"far end takes the partial pixel's alpha",
         false,
         6,
         5,
         {{1, 1, 0xFFFFFFFFu}, {2, 2, 0x40000000u}},
         {{2, 2, 0xFF0C1824u}, {3, 3, 0x40102030u}}},
        {"inside corner",
         false,
         7,
         6,
         {{2, 1, 0xFFFFFFFFu}, {1, 2, 0xFFFFFFFFu}},
         {{2, 3, 0xFF102030u}, {3, 2, 0xFF102030u}, {2, 2, 0xFF102030u},
          {3, 4, 0x00102030u}, {4, 3, 0x00102030u}, {3, 3, 0x00102030u}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The rectangle sits at (2, 1) of a larger image; outside it nothing changes.
        CSprite s = Blank(c.w + 4, c.h + 3);
        for (const Px& p : c.glyph) *s.PixelAt(p.x + 2, p.y + 1) = p.value;
        std::vector<uint32_t> expected = Pixels(s);
        for (const Px& p : c.changed) expected[(p.y + 1) * s.GetWidth() + p.x + 2] = p.value;
        if (c.longChain)
            s.GlyphShadow2(2, 1, c.w, c.h, kEffect);
        else
            s.GlyphShadow1(2, 1, c.w, c.h, kEffect);
        EXPECT_EQ(Pixels(s), expected);
    }
}

TEST_F(GlyphEffectsTest, ShadowNeedsFourColumnsAndFourRowsAfterClipping) {
    CSprite s = Blank(12, 12);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) *s.PixelAt(x, y) = (x + y) % 3 == 0 ? 0xFFFFFFFFu : 0x80FFFFFFu;
    const std::vector<uint32_t> before = Pixels(s);
    s.SetClipRect(0, 0, 3, 12);  // three columns left
    s.GlyphShadow1(0, 0, 12, 12, kEffect);
    s.GlyphShadow2(0, 0, 12, 12, kEffect);
    EXPECT_EQ(Pixels(s), before);
    s.SetClipRect(0, 0, 12, 12);
    s.GlyphShadow1(0, 0, 12, 3, kEffect);  // h' = 0
    s.GlyphShadow2(0, 0, 12, 4, kEffect);  // h' = 1: no row between y + 1 and y + h' - 1
    EXPECT_EQ(Pixels(s), before);
    s.GlyphShadow1(0, 0, 4, 5, kEffect);  // w' = 0, h' = 2: the column x of row y + 1 runs
    EXPECT_NE(Pixels(s), before);
}

// ---- Outlines ----

enum class Outline { One, Two, ShadowOne, ShadowTwo };

// The neighbourhoods written as predicates on the (row, column) offset.
bool InNeighbourhood(Outline kind, int dr, int dc) {
    const int manhattan = std::abs(dr) + std::abs(dc);
    switch (kind) {
        case Outline::One: return manhattan == 1;
        case Outline::Two: return manhattan == 1 || manhattan == 2;
        case Outline::ShadowOne: return manhattan == 1 || (dr <= -1 && dr >= -2 && dc <= -1 && dc >= -2);
        case Outline::ShadowTwo:
            if (manhattan == 1 || manhattan == 2) return true;
            return (dr == -1 && dc == -2) || (dr == -2 && dc == -1) || (dr == -2 && dc == -2) ||
                   (dr == -2 && dc == -3) || (dr == -3 && dc == -2) || (dr == -3 && dc == -3);
    }
    return false;
}

void RunOutline(CSprite& s, Outline kind, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effect) {
    switch (kind) {
        case Outline::One: s.GlyphOutline1(x, y, w, h, effect); break;
        case Outline::Two: s.GlyphOutline2(x, y, w, h, effect); break;
        case Outline::ShadowOne: s.GlyphShadowOutline1(x, y, w, h, effect); break;
        case Outline::ShadowTwo: s.GlyphShadowOutline2(x, y, w, h, effect); break;
    }
}

// The plain model: every pixel of the clipped rectangle's inner area from the
// unchanged image, everything else kept.
std::vector<uint32_t> OutlineReference(const CSprite& s, Outline kind, int32_t x, int32_t y, int32_t w, int32_t h,
                                       uint32_t effect) {
    std::vector<uint32_t> out = Pixels(s);
    s.ClipRect(x, y, w, h);
    const int32_t border = (kind == Outline::ShadowOne || kind == Outline::ShadowTwo) ? 5 : 2;
    const int32_t sw = s.GetWidth();
    for (int32_t j = border; j <= h - 3; ++j)
        for (int32_t i = border; i <= w - 3; ++i) {
            const uint32_t v = *s.PixelAt(x + i, y + j);
            uint32_t& o = out[(y + j) * sw + x + i];
            if (v >> 24 == 255) {
                o = v;
            } else if (v >> 24 != 0) {
                o = MixedRef(v, effect);
            } else {
                uint32_t alpha = 0;
                for (int dr = -3; dr <= 3; ++dr)
                    for (int dc = -3; dc <= 3; ++dc)
                        if (InNeighbourhood(kind, dr, dc))
                            alpha = std::max(alpha, *s.PixelAt(x + i + dc, y + j + dr) >> 24);
                o = (alpha << 24) | (effect & 0x00FFFFFFu);
            }
        }
    return out;
}

TEST_F(GlyphEffectsTest, OutlineOfSinglePixelKeepsTheBorder) {
    constexpr uint32_t kBorderMark = 0x00ABCDEFu;
    for (Outline kind : {Outline::One, Outline::Two}) {
        const int reach = kind == Outline::One ? 1 : 2;
        // The 9 x 9 rectangle at (2, 1) of a 13 x 11 image, transparent pixels
        // marked so that a border pixel written by mistake shows.
        CSprite s = Blank(13, 11, kBorderMark);
        *s.PixelAt(2 + 4, 1 + 4) = 0xFFFFFFFFu;
        std::vector<uint32_t> expected = Pixels(s);
        for (int32_t r = 2; r <= 6; ++r)
            for (int32_t c = 2; c <= 6; ++c) {
                const int d = std::abs(r - 4) + std::abs(c - 4);
                uint32_t& e = expected[(1 + r) * 13 + 2 + c];
                if (d == 0) continue;
                e = (d <= reach ? 0xFF000000u : 0u) | (kEffect & 0x00FFFFFFu);
            }
        RunOutline(s, kind, 2, 1, 9, 9, kEffect);
        EXPECT_EQ(Pixels(s), expected) << "outline " << reach;
    }
}

TEST_F(GlyphEffectsTest, OutlinesMatchTheNeighbourhoodModelOnRandomGlyphs) {
    for (Outline kind : {Outline::One, Outline::Two, Outline::ShadowOne, Outline::ShadowTwo}) {
        for (int round = 0; round < 30; ++round) {
            CSprite s = RandomSprite(8 + static_cast<int32_t>(rng() % 30), 8 + static_cast<int32_t>(rng() % 30));
            if (rng() % 2) s.SetClipRect(rng() % 5, rng() % 5, s.GetWidth() - rng() % 5, s.GetHeight() - rng() % 5);
            const int32_t x = static_cast<int32_t>(rng() % 8) - 2, y = static_cast<int32_t>(rng() % 8) - 2;
            const int32_t w = static_cast<int32_t>(rng() % 40), h = static_cast<int32_t>(rng() % 40);
            const uint32_t effect = static_cast<uint32_t>(rng());
            const std::vector<uint32_t> expected = OutlineReference(s, kind, x, y, w, h, effect);
            RunOutline(s, kind, x, y, w, h, effect);
            ASSERT_EQ(Pixels(s), expected) << "kind " << static_cast<int>(kind) << " round " << round;
        }
    }
}

TEST_F(GlyphEffectsTest, OutlineWorkSpriteIsReusedWhenLargeAndRecreatedAtTheClippedSize) {
    CSprite& work = RasterWorkSprite();
    ASSERT_TRUE(work.Create(64, 40, false));
    const uint32_t* block = work.GetPixels();
    CSprite s = Blank(30, 30);
    *s.PixelAt(10, 10) = 0xFFFFFFFFu;
    s.GlyphOutline1(0, 0, 30, 30, kEffect);
    EXPECT_EQ(work.GetPixels(), block);
    EXPECT_EQ(work.GetWidth(), 64);
    EXPECT_EQ(work.GetHeight(), 40);
    EXPECT_EQ(*s.PixelAt(11, 10), 0xFF102030u);

    // Narrower than the rectangle (though taller): made again at exactly 70 x 20.
    CSprite wide = Blank(80, 30);
    wide.SetClipRect(0, 0, 70, 20);
    *wide.PixelAt(40, 10) = 0xFFFFFFFFu;
    wide.GlyphOutline2(0, 0, 80, 30, kEffect);
    EXPECT_EQ(work.GetWidth(), 70);
    EXPECT_EQ(work.GetHeight(), 20);
    EXPECT_EQ(*wide.PixelAt(42, 10), 0xFF102030u);
}

TEST_F(GlyphEffectsTest, OutlineDoesNothingBeforeTheLibraryIsStarted) {
    raster_test::ResetRasterLibrary();
    CSprite s = Blank(12, 12);
    *s.PixelAt(6, 6) = 0xFFFFFFFFu;
    const std::vector<uint32_t> before = Pixels(s);
    for (Outline kind : {Outline::One, Outline::Two, Outline::ShadowOne, Outline::ShadowTwo}) {
        RunOutline(s, kind, 0, 0, 12, 12, kEffect);
        EXPECT_EQ(Pixels(s), before);
    }
    EXPECT_FALSE(RasterWorkSprite().HasImage());
}

}  // namespace
