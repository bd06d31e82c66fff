#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class LinearGradientTest : public raster_test::ReadyLibraryTest {
protected:
    void TearDown() override {
        raster_test::ReadyLibraryTest::TearDown();  // a test may have stopped the library
        raster_test::UseBaselineGradientVectors(false);
    }

    std::mt19937 rng{7031};

    CSprite RandomSprite(int32_t w, int32_t h) { return raster_test::RandomWords(w, h, rng); }
};

std::vector<uint32_t> Row(const CSprite& s, int32_t y) {
    return std::vector<uint32_t>(s.PixelAt(0, y), s.PixelAt(0, y) + s.GetWidth());
}

std::vector<uint32_t> Column(const CSprite& s, int32_t x) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y) out.push_back(*s.PixelAt(x, y));
    return out;
}

using raster_test::Pixels;

uint32_t Byte(uint32_t v, int shift) { return (v >> shift) & 0xFFu; }

// The same run in all four channels of a pixel.
uint32_t Grey(uint32_t v) { return v * 0x01010101u; }

struct RunCase {
    const char* name;
    uint32_t from, to;
    std::vector<uint32_t> values;
};

const RunCase kRuns[] = {
    {"3 pixels up", 0, 255, {0, 127, 255}},
    {"3 pixels down", 255, 0, {255, 127, 0}},
    {"5 pixels up", 0, 255, {0, 63, 127, 191, 255}},
    {"4 pixels up", 10, 20, {10, 13, 16, 20}},
    {"4 pixels down", 20, 10, {20, 16, 13, 10}},
    {"2 pixels", 200, 7, {200, 7}},
    {"flat", 99, 99, {99, 99, 99, 99, 99, 99, 99}},
    // 9 pixels: the vector body and the scalar tail of a row both take part.
    {"9 pixels down", 255, 0, {255, 223, 191, 159, 127, 95, 63, 31, 0}},
};

// Each known run across (H forms) and down (V forms) in every channel set.
TEST_F(LinearGradientTest, KnownRunsInEveryShapeAndChannelSet) {
    for (const RunCase& c : kRuns) {
        const int32_t n = static_cast<int32_t>(c.values.size());
        std::vector<uint32_t> grey;
        for (uint32_t v : c.values) grey.push_back(Grey(v));

        CSprite h;
        ASSERT_TRUE(h.Create(n, 3, false));
        h.GradationH(0, 0, n, 3, Grey(c.from), Grey(c.to));
        for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(Row(h, y), grey) << c.name << " H row " << y;

        CSprite v;
        ASSERT_TRUE(v.Create(2, n, false));
        v.GradationV(0, 0, 2, n, Grey(c.from), Grey(c.to));
        for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(Column(v, x), grey) << c.name << " V column " << x;

        // C and A forms: the run lands in their bytes only.
        CSprite hc = RandomSprite(n, 2), ha = RandomSprite(n, 2), vc = RandomSprite(2, n), va = RandomSprite(2, n);
        const std::vector<uint32_t> hcBefore = Pixels(hc), haBefore = Pixels(ha);
        const std::vector<uint32_t> vcBefore = Pixels(vc), vaBefore = Pixels(va);
        hc.GradationHC(0, 0, n, 2, Grey(c.from), Grey(c.to));
        ha.GradationHA(0, 0, n, 2, c.from | 0xABCDEF00u, c.to | 0x12345600u);  // only the low byte counts
        vc.GradationVC(0, 0, 2, n, Grey(c.from), Grey(c.to));
        va.GradationVA(0, 0, 2, n, c.from, c.to);
        for (int32_t i = 0; i < n; ++i)
            for (int32_t k = 0; k < 2; ++k) {
                const uint32_t want = c.values[i];
                const size_t hi = static_cast<size_t>(k) * n + i, vi = static_cast<size_t>(i) * 2 + k;
                EXPECT_EQ(*hc.PixelAt(i, k), (hcBefore[hi] & 0xFF000000u) | (Grey(want) & 0xFFFFFFu)) << c.name;
                EXPECT_EQ(*ha.PixelAt(i, k), (haBefore[hi] & 0xFFFFFFu) | (want << 24)) << c.name;
                EXPECT_EQ(*vc.PixelAt(k, i), (vcBefore[vi] & 0xFF000000u) | (Grey(want) & 0xFFFFFFu)) << c.name;
                EXPECT_EQ(*va.PixelAt(k, i), (vaBefore[vi] & 0xFFFFFFu) | (want << 24)) << c.name;
            }
    }
}

// The channels run independently; the end pixels are the argument words.
TEST_F(LinearGradientTest, ChannelsRunIndependently) {
    CSprite s;
    ASSERT_TRUE(s.Create(4, 1, false));
    s.GradationH(0, 0, 4, 1, 0x0A14FF00u, 0x140AFF33u);
    // alpha 10 -> 20, red 20 -> 10, green flat, blue 0 -> 51 (step -17 exactly).
    EXPECT_EQ(Row(s, 0), std::vector<uint32_t>({0x0A14FF00u, 0x0D10FF11u, 0x100DFF22u, 0x140AFF33u}));
}

// A run reaching past the clip rectangle is compressed into the visible part:
// the last visible column (or row) gets the last colour exactly.
TEST_F(LinearGradientTest, ClippingCompressesTheRun) {
    const uint32_t first = 0xFF000000u, last = 0xFFFFFFFFu, old = 0x11223344u;
    struct Case {
        const char* name;
        bool vertical;
        int32_t x, y, w, h;          // requested rectangle on a 12 x 12 sprite
        int32_t cl, ct, cr, cb;      // clip rectangle
        int32_t from, count;         // visible columns (H) or rows (V)
    };
    const Case cases[] = {
        {"H past the right edge", false, 0, 0, 12, 12, 0, 0, 6, 12, 0, 6},
        {"H past both edges", false, -5, 2, 30, 3, 3, 0, 10, 12, 3, 7},
        {"H past the sprite's edge", false, 8, 0, 50, 12, 0, 0, 12, 12, 8, 4},
        {"V past the bottom edge", true, 1, 0, 5, 12, 0, 0, 12, 7, 0, 7},
        {"V past the top edge", true, 0, -20, 12, 25, 0, 0, 12, 12, 0, 5},
    };
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(12, 12, false));
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 12; ++x) *s.PixelAt(x, y) = old;
        s.SetClipRect(c.cl, c.ct, c.cr, c.cb);
        if (c.vertical) {
            s.GradationV(c.x, c.y, c.w, c.h, first, last);
        } else {
            s.GradationH(c.x, c.y, c.w, c.h, first, last);
        }
        // The expected run: the same gradient over just the visible length.
        CSprite run;
        ASSERT_TRUE(run.Create(c.count, 1, false));
        run.GradationH(0, 0, c.count, 1, first, last);
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 12; ++x) {
                const bool inRect = x >= std::max({c.x, c.cl, 0}) && x < std::min({c.x + c.w, c.cr, 12}) &&
                                    y >= std::max({c.y, c.ct, 0}) && y < std::min({c.y + c.h, c.cb, 12});
                const int32_t k = (c.vertical ? y : x) - c.from;
                const uint32_t want = inRect ? *run.PixelAt(k, 0) : old;
                ASSERT_EQ(*s.PixelAt(x, y), want) << c.name << " at " << x << "," << y;
            }
        const int32_t lastVisible = c.from + c.count - 1;
        EXPECT_EQ(c.vertical ? *s.PixelAt(std::max(c.x, 0), lastVisible) : *s.PixelAt(lastVisible, std::max(c.y, 0)),
                  last)
            << c.name;
    }
}

// Too narrow or too low after clipping, or nothing left: nothing changes.
TEST_F(LinearGradientTest, DegenerateRectanglesDrawNothing) {
    struct Case {
        const char* name;
        void (*draw)(CSprite&);
    };
    const Case cases[] = {
        {"H clipped width 1", [](CSprite& s) { s.GradationH(7, 0, 5, 8, 0xFFFFFFFF, 0); }},
        {"HC clipped width 1", [](CSprite& s) { s.GradationHC(-4, 0, 5, 8, 0xFFFFFFFF, 0); }},
        {"HA width 1", [](CSprite& s) { s.GradationHA(3, 0, 1, 8, 255, 0); }},
        {"V clipped height 1", [](CSprite& s) { s.GradationV(0, 7, 8, 9, 0xFFFFFFFF, 0); }},
        {"VC height 1", [](CSprite& s) { s.GradationVC(0, 2, 8, 1, 0xFFFFFFFF, 0); }},
        {"VA clipped height 1", [](CSprite& s) { s.GradationVA(0, -3, 8, 4, 255, 0); }},
        {"HV height 1", [](CSprite& s) { s.GradationHV(0, 0, 8, 1, 1, 2, 3, 4); }},
        {"HVC width 1", [](CSprite& s) { s.GradationHVC(0, 0, 1, 8, 1, 2, 3, 4); }},
        {"HVA clipped width 1", [](CSprite& s) { s.GradationHVA(7, 0, 8, 8, 1, 2, 3, 4); }},
        {"H outside", [](CSprite& s) { s.GradationH(8, 0, 4, 4, 0xFFFFFFFF, 0); }},
        {"V negative height", [](CSprite& s) { s.GradationV(0, 0, 4, -4, 0xFFFFFFFF, 0); }},
        {"HV zero size", [](CSprite& s) { s.GradationHV(0, 0, 0, 0, 1, 2, 3, 4); }},
    };
    for (const Case& c : cases) {
        CSprite s = RandomSprite(8, 8);
        const std::vector<uint32_t> before = Pixels(s);
        c.draw(s);
        EXPECT_EQ(Pixels(s), before) << c.name;
    }
    CSprite empty;  // no image at all
    for (const Case& c : cases) c.draw(empty);
    empty.GradationH(0, 0, 10, 10, 0, 0xFFFFFFFF);
    EXPECT_FALSE(empty.HasImage());
}

// A vertical run with a clipped width of 1 is still drawn.
TEST_F(LinearGradientTest, VerticalRunOneColumnWide) {
    CSprite s;
    ASSERT_TRUE(s.Create(1, 3, false));
    s.GradationV(0, 0, 1, 3, 0xFF000000u, 0xFFFFFFFFu);
    EXPECT_EQ(Column(s, 0), std::vector<uint32_t>({0xFF000000u, 0xFF7F7F7Fu, 0xFFFFFFFFu}));
}

// The four-corner rule worked by hand on a 3 x 3 blue channel: the edges meet
// half way (127.5), the middle row runs flat, the last row runs afresh.
TEST_F(LinearGradientTest, FourCornersKnownAnswer) {
    CSprite s;
    ASSERT_TRUE(s.Create(3, 3, false));
    s.GradationHV(0, 0, 3, 3, 0xFF000000u, 0xFF0000FFu, 0xFF0000FFu, 0xFF000000u);
    EXPECT_EQ(Pixels(s), std::vector<uint32_t>({0xFF000000u, 0xFF00007Fu, 0xFF0000FFu,  //
                                                0xFF00007Fu, 0xFF00007Fu, 0xFF00007Fu,  //
                                                0xFF0000FFu, 0xFF00007Fu, 0xFF000000u}));
}

// Plain model of the four-corner rule: accumulators lose their step one pixel
// at a time, the row step being the truncating division of the edge
// accumulators' difference. Channel at bit `shift` only.
std::vector<int32_t> FourCornerModel(int32_t w, int32_t h, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br,
                                     int shift) {
    const int32_t n = w - 1, m = h - 1;
    auto at = [shift](uint32_t v) { return static_cast<int64_t>(Byte(v, shift)) * (1 << 20); };
    std::vector<int32_t> out(static_cast<size_t>(w) * h);
    int64_t left = at(tl), right = at(tr);
    const int64_t sl = (at(tl) - at(bl)) / m, sr = (at(tr) - at(br)) / m;
    for (int32_t j = 0; j <= m; ++j) {
        if (j == m) {
            left = at(bl);
            right = at(br);
        }
        const int64_t t = (left - right) / n;
        int64_t acc = left;
        for (int32_t i = 0; i < n; ++i, acc -= t) out[static_cast<size_t>(j) * w + i] = static_cast<int32_t>(acc >> 20);
        out[static_cast<size_t>(j) * w + n] = static_cast<int32_t>(right >> 20);
        left -= sl;
        right -= sr;
    }
    return out;
}

// Random corners on sizes that exercise the pixel groups and their tails, on
// the wide and the baseline vector paths: every pixel against the model; the
// corners exact; the edges equal the two-colour runs; C keeps alpha and A
// keeps colour, each equal to the whole-pixel form in its own bytes.
TEST_F(LinearGradientTest, FourCornersAgainstModelAndEdges) {
    const int32_t sizes[][2] = {{2, 2}, {3, 2}, {5, 3}, {8, 4}, {9, 9}, {10, 2}, {17, 6}, {64, 3}, {101, 37}};
    for (int pass = 0; pass < 2 * 9; ++pass) {
        const bool baseline = pass >= 9;
        const auto& size = sizes[pass % 9];
        raster_test::UseBaselineGradientVectors(baseline);
        SCOPED_TRACE(baseline ? "baseline vectors" : "widest vectors");
        const int32_t w = size[0], h = size[1];
        for (int trial = 0; trial < 4; ++trial) {
            const uint32_t tl = static_cast<uint32_t>(rng()), tr = static_cast<uint32_t>(rng());
            const uint32_t bl = static_cast<uint32_t>(rng()), br = static_cast<uint32_t>(rng());
            const std::string where = std::to_string(w) + "x" + std::to_string(h) + " trial " + std::to_string(trial);
            CSprite s = RandomSprite(w, h);
            s.GradationHV(0, 0, w, h, tl, tr, bl, br);
            for (int shift = 0; shift < 32; shift += 8) {
                const std::vector<int32_t> model = FourCornerModel(w, h, tl, tr, bl, br, shift);
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const auto want = static_cast<uint32_t>(model[static_cast<size_t>(y) * w + x]);
                        ASSERT_EQ(Byte(*s.PixelAt(x, y), shift), want)
                            << where << " channel " << shift << " at " << x << "," << y;
                    }
            }
            EXPECT_EQ(*s.PixelAt(0, 0), tl) << where;
            EXPECT_EQ(*s.PixelAt(w - 1, 0), tr) << where;
            EXPECT_EQ(*s.PixelAt(0, h - 1), bl) << where;
            EXPECT_EQ(*s.PixelAt(w - 1, h - 1), br) << where;

            CSprite top, bottom, left, right;
            ASSERT_TRUE(top.Create(w, 1, false) && bottom.Create(w, 1, false));
            ASSERT_TRUE(left.Create(1, h, false) && right.Create(1, h, false));
            top.GradationH(0, 0, w, 1, tl, tr);
            bottom.GradationH(0, 0, w, 1, bl, br);
            left.GradationV(0, 0, 1, h, tl, bl);
            right.GradationV(0, 0, 1, h, tr, br);
            EXPECT_EQ(Row(s, 0), Row(top, 0)) << where;
            EXPECT_EQ(Row(s, h - 1), Row(bottom, 0)) << where;
            EXPECT_EQ(Column(s, 0), Column(left, 0)) << where;
            EXPECT_EQ(Column(s, w - 1), Column(right, 0)) << where;

            CSprite c = RandomSprite(w, h), a = RandomSprite(w, h);
            const std::vector<uint32_t> cBefore = Pixels(c), aBefore = Pixels(a), full = Pixels(s);
            c.GradationHVC(0, 0, w, h, tl, tr, bl, br);
            a.GradationHVA(0, 0, w, h, tl >> 24, tr >> 24, bl >> 24, br >> 24);
            const std::vector<uint32_t> cAfter = Pixels(c), aAfter = Pixels(a);
            for (size_t i = 0; i < full.size(); ++i) {
                ASSERT_EQ(cAfter[i], (cBefore[i] & 0xFF000000u) | (full[i] & 0xFFFFFFu)) << where << " C pixel " << i;
                ASSERT_EQ(aAfter[i], (aBefore[i] & 0xFFFFFFu) | (full[i] & 0xFF000000u)) << where << " A pixel " << i;
            }
        }
    }
}

// The horizontal and vertical C and A forms equal the whole-pixel form in the
// bytes they write and keep the others, inside a rectangle off the sprite's
// origin (the stride differs from the width).
TEST_F(LinearGradientTest, ColourAndAlphaFormsKeepTheOtherBytes) {
    const int32_t x = 3, y = 2, w = 23, h = 9;
    for (int vertical = 0; vertical < 2; ++vertical) {
        const uint32_t first = static_cast<uint32_t>(rng()), last = static_cast<uint32_t>(rng());
        CSprite full = RandomSprite(30, 14), c = RandomSprite(30, 14), a = RandomSprite(30, 14);
        const std::vector<uint32_t> fullBefore = Pixels(full), cBefore = Pixels(c), aBefore = Pixels(a);
        if (vertical) {
            full.GradationV(x, y, w, h, first, last);
            c.GradationVC(x, y, w, h, first, last);
            a.GradationVA(x, y, w, h, first >> 24, last >> 24);
        } else {
            full.GradationH(x, y, w, h, first, last);
            c.GradationHC(x, y, w, h, first, last);
            a.GradationHA(x, y, w, h, first >> 24, last >> 24);
        }
        const std::vector<uint32_t> f = Pixels(full), cAfter = Pixels(c), aAfter = Pixels(a);
        for (int32_t py = 0; py < 14; ++py)
            for (int32_t px = 0; px < 30; ++px) {
                const size_t i = static_cast<size_t>(py) * 30 + px;
                const bool inside = px >= x && px < x + w && py >= y && py < y + h;
                if (!inside) {
                    ASSERT_EQ(f[i], fullBefore[i]);
                    ASSERT_EQ(cAfter[i], cBefore[i]);
                    ASSERT_EQ(aAfter[i], aBefore[i]);
                    continue;
                }
                const std::string where =
                    (vertical ? "V at " : "H at ") + std::to_string(px) + "," + std::to_string(py);
                ASSERT_EQ(cAfter[i], (cBefore[i] & 0xFF000000u) | (f[i] & 0xFFFFFFu)) << where;
                ASSERT_EQ(aAfter[i], (aBefore[i] & 0xFFFFFFu) | (f[i] & 0xFF000000u)) << where;
            }
    }
}

// The ready-guarded alpha runs do nothing before the raster library starts.
TEST_F(LinearGradientTest, IfReadyFormsWaitForTheLibrary) {
    CSprite s;
    ASSERT_TRUE(s.Create(4, 4, false));
    raster_test::ResetRasterLibrary();
    s.GradationHAIfReady(0, 0, 4, 4, 255, 0);
    s.GradationVAIfReady(0, 0, 4, 4, 255, 0);
    EXPECT_EQ(Pixels(s), std::vector<uint32_t>(16, 0u));
    ASSERT_TRUE(InitRasterLibrary(1));
    s.GradationHAIfReady(0, 0, 4, 1, 0, 255);
    EXPECT_EQ(Row(s, 0), std::vector<uint32_t>({0x00000000u, 0x55000000u, 0xAA000000u, 0xFF000000u}));
    s.GradationVAIfReady(3, 0, 1, 4, 0x1FF, 0);
    EXPECT_EQ(Column(s, 3), std::vector<uint32_t>({0xFF000000u, 0xAA000000u, 0x55000000u, 0x00000000u}));
}

// Fewer than two ramp entries: no division, nothing written beyond the count.
// (Known answers for two and more entries live with the library tests.)
TEST_F(LinearGradientTest, ColorRampBelowTwoEntries) {
    for (int32_t count : {-3, 0, 1}) {
        std::vector<uint32_t> out(4, 0xDEADBEEFu);
        BuildColorRamp(0x12345678u, 0x9ABCDEF0u, out.data() + 1, count);
        std::vector<uint32_t> want(4, 0xDEADBEEFu);
        if (count == 1) want[1] = 0x12345678u;
        EXPECT_EQ(out, want) << "count " << count;
    }
}

}  // namespace
