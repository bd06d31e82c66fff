#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class SubpixelFillTest : public raster_test::ReadyLibraryTest {};

constexpr uint32_t kColour = 0x7F336699u;  // the alpha byte never reaches the pixels

using raster_test::Filled;
using raster_test::Pixels;

// A weight map: expected[y][x] is the opacity each pixel is filled at (0: untouched).
using WeightMap = std::vector<std::vector<int>>;

// The reference image: each pixel filled on its own at its weight.
CSprite ByWeights(const WeightMap& weights, uint32_t background, bool alphaOnly) {
    CSprite s = Filled(static_cast<int32_t>(weights[0].size()), static_cast<int32_t>(weights.size()), background);
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) {
            const int weight = weights[y][x];
            if (weight == 0) continue;
            if (alphaOnly)
                s.FillRectAOpacity(x, y, 1, 1, static_cast<uint8_t>(weight), 255);
            else
                s.FillRectOpacity(x, y, 1, 1, kColour, static_cast<uint8_t>(weight));
        }
    return s;
}

TEST_F(SubpixelFillTest, ResultsAndEmptyCases) {
    const struct {
        const char* name;
        int32_t left, top, right, bottom;
        bool result;
    } cases[] = {
        {"left = right on a pixel boundary: no pixel", 32, 0, 32, 16, false},
        {"left after right", 40, 0, 39, 16, false},
        {"top after bottom", 0, 20, 16, 19, false},
        {"outside the image", 200, 0, 240, 16, false},
        {"left = right inside a pixel: coverage 0, nothing drawn", 33, 0, 33, 16, true},
        {"top = bottom inside a pixel", 0, 5, 16, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int32_t level : {0, 16}) {
            CSprite s = Filled(8, 8, 0x00000000u);
            CSprite t = Filled(8, 8, 0x00112233u);
            EXPECT_EQ(s.FillRectSubpixel(c.left, c.top, c.right, c.bottom, kColour, level, 255), c.result);
            EXPECT_EQ(t.FillTileCoverage(c.left, c.top, c.right, c.bottom, level, 255), c.result);
            if (level > 4) {
                EXPECT_EQ(Pixels(s), Pixels(Filled(8, 8, 0)));
                EXPECT_EQ(Pixels(t), Pixels(Filled(8, 8, 0x00112233u)));
            }
        }
    }
    // Opacity 0 and the unstarted library: true, nothing drawn.
    CSprite s = Filled(8, 8, 0);
    EXPECT_TRUE(s.FillRectSubpixel(0, 0, 64, 64, kColour, 16, 0x100));  // low byte 0
    raster_test::ResetRasterLibrary();
    EXPECT_TRUE(s.FillRectSubpixel(3, 3, 64, 64, kColour, 16, 255));
    EXPECT_TRUE(s.FillRectSubpixel(0, 0, 64, 64, kColour, 0, 255));
    EXPECT_TRUE(s.FillTileCoverage(3, 3, 64, 64, 16, 255));
    EXPECT_EQ(Pixels(s), Pixels(Filled(8, 8, 0)));
}

TEST_F(SubpixelFillTest, QuarterCoveredCornersAndTheWholePixelForms) {
    // (8, 8)-(24, 24) covers four pixels a quarter each: wt(8 x 8) = 64.
    CSprite s = Filled(4, 4, 0);
    EXPECT_TRUE(s.FillRectSubpixel(8, 8, 24, 24, kColour, 16, 255));
    EXPECT_EQ(Pixels(s), Pixels(ByWeights({{64, 64, 0, 0}, {64, 64, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 0, false)));
    EXPECT_EQ(*s.PixelAt(0, 0), 0x40336699u);

    // Level 0 (and 4) fills the pixel rectangle (0, 0)-(2, 2) whole.
    for (int32_t level : {0, 4}) {
        CSprite fast = Filled(4, 4, 0);
        EXPECT_TRUE(fast.FillRectSubpixel(8, 8, 24, 24, kColour, level, 255));
        CSprite ref = Filled(4, 4, 0);
        ref.FillRectOpacity(0, 0, 2, 2, kColour, 255);
        EXPECT_EQ(Pixels(fast), Pixels(ref));
        EXPECT_EQ(*fast.PixelAt(1, 1), 0xFF336699u);
    }

    // A fully covered single pixel ends opaque in the colour.
    CSprite one = Filled(4, 4, 0x80FFFFFFu);
    EXPECT_TRUE(one.FillRectSubpixel(16, 16, 32, 32, kColour, 16, 255));
    EXPECT_EQ(*one.PixelAt(1, 1), 0xFF336699u);
    EXPECT_EQ(*one.PixelAt(0, 1), 0x80FFFFFFu);
}

// Rectangles on whole pixels at opacities below 255 are composited once: the
// result equals one FillRectOpacity (FillRectAOpacity) at the opacity.
TEST_F(SubpixelFillTest, WholePixelRectangleIsCompositedOnce) {
    const struct {
        int32_t left, top, right, bottom;
    } rects[] = {{16, 32, 80, 96}, {16, 16, 32, 32}, {0, 16, 16, 80}, {32, 0, 112, 16}};
    for (const auto& r : rects) {
        for (const uint32_t opacity : {1u, 100u, 128u, 254u}) {
            SCOPED_TRACE(testing::Message() << r.left << "," << r.top << " opacity " << opacity);
            const int32_t x = r.left / 16, y = r.top / 16, w = (r.right - r.left) / 16, h = (r.bottom - r.top) / 16;
            CSprite s = Filled(10, 10, 0xC0204060u);
            EXPECT_TRUE(s.FillRectSubpixel(r.left, r.top, r.right, r.bottom, kColour, 16, opacity));
            CSprite ref = Filled(10, 10, 0xC0204060u);
            ref.FillRectOpacity(x, y, w, h, kColour, static_cast<uint8_t>(opacity));
            EXPECT_EQ(Pixels(s), Pixels(ref));

            CSprite t = Filled(10, 10, 0x40204060u);
            EXPECT_TRUE(t.FillTileCoverage(r.left, r.top, r.right, r.bottom, 16, opacity));
            CSprite tref = Filled(10, 10, 0x40204060u);
            tref.FillRectAOpacity(x, y, w, h, static_cast<uint8_t>(opacity), 255);
            EXPECT_EQ(Pixels(t), Pixels(tref));
        }
    }
}

// All four edges fractional, worked by hand: left 20 (cL = 12), top 38
// (cT = 10), right 83 (cR = 3), bottom 105 (cB = 9) cover pixels 1..5 x 2..6.
// At opacity 255 (t = 256) a piece of c 256ths weighs c (a full 256 gives 255);
// at opacity 200 (t = 201) it weighs floor(c x 201 / 256).
TEST_F(SubpixelFillTest, SquareWeightsOfFourFractionalEdges) {
    const struct {
        uint32_t opacity;
        int tl, top, tr, left, interior, right, bl, bottom, br;
    } cases[] = {
        {255, 120, 160, 30, 192, 255, 48, 108, 144, 27},
        {200, 94, 125, 23, 150, 200, 37, 84, 113, 21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opacity);
        WeightMap weights(8, std::vector<int>(7, 0));
        for (int y = 2; y <= 6; ++y)
            for (int x = 1; x <= 5; ++x) {
                const int row = y == 2 ? 0 : y == 6 ? 2 : 1, col = x == 1 ? 0 : x == 5 ? 2 : 1;
                const int table[3][3] = {{c.tl, c.top, c.tr}, {c.left, c.interior, c.right}, {c.bl, c.bottom, c.br}};
                weights[y][x] = table[row][col];
            }
        CSprite s = Filled(7, 8, 0);
        EXPECT_TRUE(s.FillRectSubpixel(20, 38, 83, 105, kColour, 16, c.opacity));
        EXPECT_EQ(Pixels(s), Pixels(ByWeights(weights, 0, false)));
        // On a transparent background the alpha is the weight itself.
        EXPECT_EQ(*s.PixelAt(1, 2), (static_cast<uint32_t>(c.tl) << 24) | 0x336699u);
        EXPECT_EQ(*s.PixelAt(5, 6), (static_cast<uint32_t>(c.br) << 24) | 0x336699u);

        // The coverage form raises the alpha by the same weights, colour kept.
        CSprite t = Filled(7, 8, 0x10ABCDEFu);
        EXPECT_TRUE(t.FillTileCoverage(20, 38, 83, 105, 16, c.opacity));
        EXPECT_EQ(Pixels(t), Pixels(ByWeights(weights, 0x10ABCDEFu, true)));
        if (c.opacity == 255) {
            EXPECT_EQ(*t.PixelAt(3, 4), 0xFFABCDEFu);
        }
    }
}

TEST_F(SubpixelFillTest, SingleRowsAndColumns) {
    const struct {
        const char* name;
        int32_t left, top, right, bottom;
        WeightMap weights;  // 4 x 4 image, opacity 255
    } cases[] = {
        // One column from x 4..12 (a = 8), rows 1.5 .. 3.25: cT 8, middle 16, cB 4.
        {"one column", 4, 24, 12, 52, {{0, 0, 0, 0}, {64, 0, 0, 0}, {128, 0, 0, 0}, {32, 0, 0, 0}}},
        // One row from y 18..30 (b = 12), columns 0.25 .. 2.5: cL 12, middle 16, cR 8.
        {"one row", 4, 18, 40, 30, {{0, 0, 0, 0}, {144, 192, 96, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        // One pixel from (20, 20) to (28, 30): 8 x 10 sixteenths.
        {"one pixel", 20, 20, 28, 30, {{0, 0, 0, 0}, {0, 80, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = Filled(4, 4, 0);
        EXPECT_TRUE(s.FillRectSubpixel(c.left, c.top, c.right, c.bottom, kColour, 16, 255));
        EXPECT_EQ(Pixels(s), Pixels(ByWeights(c.weights, 0, false)));
    }
}

// A side cut away by the image edge or the clip rectangle counts as covered,
// and positions left of or above 0 divide downward: a rectangle reaching off
// the image keeps its true coverage in the first column or row.
TEST_F(SubpixelFillTest, ClippedAndNegativeSidesKeepTheirCoverage) {
    const struct {
        const char* name;
        int32_t clipLeft;
        int32_t left, top, right, bottom;
        WeightMap weights;
    } cases[] = {
        {"from -8 to 8: half of pixel 0", 0, -8, 0, 8, 16, {{128, 0, 0, 0}}},
        {"from -40 to 40: 0 and 1 whole, 2 half", 0, -40, 0, 40, 16, {{255, 255, 128, 0}}},
        {"left edge clipped away, right fraction 4", 2, 12, 0, 36, 16, {{0, 0, 64, 0}}},
        {"left edge clipped away, right fraction 8", 2, 8, 0, 40, 16, {{0, 0, 128, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = Filled(4, 1, 0);
        s.SetClipRect(c.clipLeft, 0, 4, 1);
        EXPECT_TRUE(s.FillRectSubpixel(c.left, c.top, c.right, c.bottom, kColour, 16, 255));
        EXPECT_EQ(Pixels(s), Pixels(ByWeights(c.weights, 0, false)));
    }
    // Above the top: rows -1.5 .. 1.5 leave row 0 whole and row 1 half.
    CSprite t = Filled(1, 3, 0);
    EXPECT_TRUE(t.FillRectSubpixel(0, -24, 16, 24, kColour, 16, 255));
    EXPECT_EQ(Pixels(t), Pixels(ByWeights({{255}, {128}, {0}}, 0, false)));
}

}  // namespace
