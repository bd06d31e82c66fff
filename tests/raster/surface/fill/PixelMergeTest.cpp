// Mosaic, the larger-pixel merges and the whole-sprite quarter turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using PixelMergeTest = FillTest;

CSprite Numbered(int32_t w, int32_t h) {
    return raster_test::Painted(w, h, [](int32_t x, int32_t y) { return uint32_t((y << 8) | x); });
}

// ---- Mosaic ----

TEST_F(PixelMergeTest, MosaicSamplesCellCentresClampedToTheRectangle) {
    // A 5 x 5 rectangle at (1, 1) with 4 x 4 cells: the first cell samples
    // (1 + 2, 1 + 2), the partial cells the rectangle's last column / row.
    CSprite s = Numbered(8, 8);
    s.Mosaic(1, 1, 5, 5, 4, 4);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            uint32_t expected = uint32_t((y << 8) | x);
            if (x >= 1 && x < 6 && y >= 1 && y < 6) {
                const int32_t sx = x < 5 ? 3 : 5, sy = y < 5 ? 3 : 5;
                expected = uint32_t((sy << 8) | sx);
            }
            EXPECT_EQ(*s.PixelAt(x, y), expected) << x << "," << y;
        }
}

TEST_F(PixelMergeTest, MosaicMatchesCellModel) {
    struct Case {
        uint16_t cw, ch;
    };
    const Case cases[] = {{1, 1}, {2, 3}, {3, 2}, {7, 7}, {40, 1}, {1, 40}, {65535, 65535}, {0, 3}, {3, 0}};
    for (const Case& c : cases) {
        CSprite s = RandomSprite(23, 17);
        RandomClip(s);
        const std::vector<uint32_t> before = Pixels(s);
        const Rect arg{RandomIn(-3, 10), RandomIn(-3, 8), RandomIn(0, 30), RandomIn(0, 25)};
        int32_t x = arg.x, y = arg.y, w = arg.w, h = arg.h;
        s.ClipRect(x, y, w, h);
        s.Mosaic(arg.x, arg.y, arg.w, arg.h, c.cw, c.ch);
        for (int32_t py = 0; py < 17; ++py)
            for (int32_t px = 0; px < 23; ++px) {
                uint32_t expected = before[size_t(py * 23 + px)];
                if (c.cw && c.ch && w > 0 && px >= x && px < x + w && py >= y && py < y + h) {
                    const int32_t left = x + (px - x) / c.cw * c.cw, top = y + (py - y) / c.ch * c.ch;
                    const int32_t sx = std::min(x + w - 1, left + c.cw / 2), sy = std::min(y + h - 1, top + c.ch / 2);
                    expected = before[size_t(sy * 23 + sx)];
                }
                ASSERT_EQ(*s.PixelAt(px, py), expected) << c.cw << "x" << c.ch << " at " << px << "," << py;
            }
    }
}

// ---- Merges ----

TEST_F(PixelMergeTest, MergeRulesAndTies) {
    struct Case {
        const char* name;
        uint32_t destination, source;
        uint32_t blitMax, blitMaxAlpha;
    };
    const Case cases[] = {
        {"transparent source over opaque destination", 0xFF000000, 0x00FFFFFF, 0xFF000000, 0xFF000000},
        {"higher alpha wins", 0x7FFFFFFF, 0x80000000, 0x80000000, 0x80000000},
        {"equal alphas: higher colour for BlitMax, destination for BlitMaxAlpha", 0x80102030, 0x80102031,
         0x80102031, 0x80102030},
        {"equal pixels", 0x80102030, 0x80102030, 0x80102030, 0x80102030},
        {"lower source", 0x80102030, 0x10FFFFFF, 0x80102030, 0x80102030},
    };
    for (const Case& c : cases) {
        CSprite source = Filled(3, 2, c.source);
        CSprite a = Filled(3, 2, c.destination), b = Filled(3, 2, c.destination);
        a.BlitMax(0, 0, source, 0, 0, 3, 2);
        b.BlitMaxAlpha(0, 0, source, 0, 0, 3, 2);
        EXPECT_EQ(*a.PixelAt(2, 1), c.blitMax) << c.name;
        EXPECT_EQ(*b.PixelAt(2, 1), c.blitMaxAlpha) << c.name;
    }
}

// Random sprites, rectangles and clips, also with the sprite as its own
// source: the result is as if the source were a copy taken first.
TEST_F(PixelMergeTest, MergesMatchPerPixelModel) {
    for (int trial = 0; trial < 300; ++trial) {
        const bool self = trial % 3 == 0;
        CSprite d = RandomSprite(RandomIn(1, 20), RandomIn(1, 20));
        CSprite separate = RandomSprite(RandomIn(1, 20), RandomIn(1, 20));
        RandomClip(d);
        const CSprite& source = self ? d : separate;
        const std::vector<uint32_t> sourceCopy = Pixels(source);
        const int32_t sourceW = source.GetWidth();
        const std::vector<uint32_t> before = Pixels(d);
        int32_t x = RandomIn(-5, 20), y = RandomIn(-5, 20), sx = RandomIn(-5, 20), sy = RandomIn(-5, 20);
        int32_t w = RandomIn(0, 25), h = RandomIn(0, 25);
        const bool alpha = trial % 2 == 0;
        if (alpha)
            d.BlitMaxAlpha(x, y, source, sx, sy, w, h);
        else
            d.BlitMax(x, y, source, sx, sy, w, h);
        std::vector<uint32_t> expected = before;
        d.ClipBlit(x, y, source, sx, sy, w, h);
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i) {
                const uint32_t s = sourceCopy[size_t((sy + j) * sourceW + sx + i)];
                uint32_t& p = expected[size_t((y + j) * d.GetWidth() + x + i)];
                if (alpha ? (s >> 24) > (p >> 24) : s >= p) p = s;
            }
        ASSERT_EQ(Pixels(d), expected) << "trial " << trial << (self ? " self" : "");
    }
}

TEST_F(PixelMergeTest, StretchBlitMaxSamplesNearestPixels) {
    // 2 x 2 source doubled onto 4 x 4: each source pixel covers a 2 x 2 block.
    CSprite source;
    ASSERT_TRUE(source.Create(2, 2, false));
    *source.PixelAt(0, 0) = 0xFF000001;
    *source.PixelAt(1, 0) = 0x00FFFFFF;
    *source.PixelAt(0, 1) = 0x80000000;
    *source.PixelAt(1, 1) = 0x80000002;
    CSprite d = Filled(6, 6, 0x80000001);
    d.StretchBlitMax(1, 1, 4, 4, source, 0, 0, 2, 2);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            uint32_t expected = 0x80000001;
            if (x >= 1 && x < 5 && y >= 1 && y < 5) {
                const uint32_t s = *source.PixelAt((x - 1) / 2, (y - 1) / 2);
                expected = std::max(s, expected);
            }
            EXPECT_EQ(*d.PixelAt(x, y), expected) << x << "," << y;
        }
    // Empty source or destination rectangles, and sources far outside, draw nothing.
    const std::vector<uint32_t> before = Pixels(d);
    d.StretchBlitMax(0, 0, 0, 4, source, 0, 0, 2, 2);
    d.StretchBlitMax(0, 0, 4, 4, source, 0, 0, 0, 2);
    d.StretchBlitMax(0, 0, 4, 4, source, 5, 5, 2, 2);
    d.StretchBlitMax(0, 0, 4, 4, source, -2147483647, 0, 2147483647, 2);
    EXPECT_EQ(Pixels(d), before);
}

// ---- Quarter turn ----

// Pixel (x, y) of the sprite turned clockwise by turn x 90 degrees.
uint32_t Turned(const std::vector<uint32_t>& px, int32_t w, int32_t h, int32_t turn, int32_t x, int32_t y) {
    switch (turn) {
        case 1: return px[size_t((h - 1 - x) * w + y)];           // new size h x w
        case 2: return px[size_t((h - 1 - y) * w + (w - 1 - x))];  // same size
        default: return px[size_t(x * w + (w - 1 - y))];           // new size h x w
    }
}

TEST_F(PixelMergeTest, RotateQuarterMatchesReference) {
    struct Case {
        int32_t w, h;
    };
    const Case sizes[] = {{3, 2}, {1, 1}, {1, 7}, {9, 4}, {16, 16}, {33, 5}};
    for (const Case& c : sizes)
        for (int32_t turn = 1; turn <= 3; ++turn) {
            CSprite s = RandomSprite(c.w, c.h);
            s.SetClipRect(1, 0, c.w, c.h);  // replaced by the resize of the quarter turns
            const std::vector<uint32_t> before = Pixels(s);
            s.RotateQuarter(turn);
            const int32_t nw = turn == 2 ? c.w : c.h, nh = turn == 2 ? c.h : c.w;
            ASSERT_EQ(s.GetWidth(), nw);
            ASSERT_EQ(s.GetHeight(), nh);
            if (turn == 2) s.SetClipRect(0, 0, nw, nh);
            for (int32_t y = 0; y < nh; ++y)
                for (int32_t x = 0; x < nw; ++x) {
                    if (turn == 2 && x < 1) continue;  // the half turn keeps the clip rectangle
                    ASSERT_EQ(*s.PixelAt(x, y), Turned(before, c.w, c.h, turn, x, y))
                        << c.w << "x" << c.h << " turn " << turn << " at " << x << "," << y;
                }
        }
}

TEST_F(PixelMergeTest, RotateQuarterThreeByTwo) {
    // 3 x 2:  a b c      turned once:  d a
    //         d e f                    e b
    //                                  f c
    CSprite s;
    ASSERT_TRUE(s.Create(3, 2, false));
    const uint32_t a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;
    const uint32_t in[] = {a, b, c, d, e, f};
    for (int32_t i = 0; i < 6; ++i) *s.PixelAt(i % 3, i / 3) = in[i];
    s.RotateQuarter(1);
    ASSERT_EQ(s.GetWidth(), 2);
    ASSERT_EQ(s.GetHeight(), 3);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{d, a, e, b, f, c}));
    s.RotateQuarter(2);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{c, f, b, e, a, d}));
    s.RotateQuarter(3);
    ASSERT_EQ(s.GetWidth(), 3);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{f, e, d, c, b, a}));  // six quarters: a half turn in all
}

TEST_F(PixelMergeTest, RotateQuarterRefusals) {
    CSprite s = RandomSprite(3, 2);
    const std::vector<uint32_t> before = Pixels(s);
    for (int32_t type : {0, 4, 5, -1, -3}) {
        s.RotateQuarter(type);
        EXPECT_EQ(s.GetWidth(), 3) << type;
        EXPECT_EQ(Pixels(s), before) << type;
    }
    CSprite empty;
    empty.RotateQuarter(1);
    EXPECT_FALSE(empty.HasImage());
    // Before the raster library is started the turn does nothing (it would
    // otherwise write the work sprite's stale contents).
    raster_test::ResetRasterLibrary();
    s.RotateQuarter(1);
    InitRasterLibrary(1);
    EXPECT_EQ(s.GetWidth(), 3);
    EXPECT_EQ(Pixels(s), before);
}

}  // namespace
