// The replacement factor: worked histograms (modes, ties, independent
// channels, the gap rule between key values), the opacity mix with the hue's
// short way round, the selector and mask refusals, the scratch block's use,
// and random rectangles against a brute-force model.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace replace_factor_test {

using raster_test::CopyPixels;
using raster_test::Filled;
using raster_test::Painted;
using raster_test::Pixels;

class ReplaceFactorTest : public raster_test::ReadyLibraryTest {};

constexpr uint32_t kHistogramBytes = 1048576;

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Source pixels (key on blue, values in red and green) in one row.
CSprite Row(const std::vector<uint32_t>& pixels) {
    return Painted(static_cast<int32_t>(pixels.size()), 1,
                   [&](int32_t x, int32_t) { return pixels[static_cast<size_t>(x)]; });
}

// Mixing one channel: a one-pixel source giving M, a one-pixel destination d.
TEST_F(ReplaceFactorTest, OpacityMixesAndTheRedByteTakesTheShortWayRound) {
    struct Case {
        const char* name;
        int32_t option;
        uint32_t source, pixel;
        uint8_t opacity;
        uint32_t expected;
    };
    const Case cases[] = {
        {"red 250 toward 10 wraps past 0", 0x0104, Argb(1, 10, 0, 0), Argb(9, 250, 7, 0), 128, Argb(9, 2, 7, 0)},
        {"red 10 toward 250 wraps past 0", 0x0104, Argb(1, 250, 0, 0), Argb(9, 10, 7, 0), 128, Argb(9, 2, 7, 0)},
        {"red 0 toward 128: exactly half a circle, no wrap", 0x0104, Argb(1, 128, 0, 0), Argb(9, 0, 7, 0), 128,
         Argb(9, 64, 7, 0)},
        {"red 128 toward 0: no wrap either", 0x0104, Argb(1, 0, 0, 0), Argb(9, 128, 7, 0), 128, Argb(9, 64, 7, 0)},
        {"red 200 toward 70 (130 apart) wraps", 0x0104, Argb(1, 70, 0, 0), Argb(9, 200, 7, 0), 64,
         Argb(9, (((70 + 256) * 64 + 200 * 192) >> 8) & 0xFF, 7, 0)},
        {"green 0 toward 255: linear, truncated", 0x0102, Argb(1, 0, 255, 0), Argb(9, 3, 0, 0), 128,
         Argb(9, 3, 127, 0)},
        {"alpha 250 toward 10: linear, no wrap", 0x0108, Argb(10, 0, 0, 0), Argb(250, 3, 4, 0), 128,
         Argb(130, 3, 4, 0)},
        {"opacity 255 writes the mode exactly", 0x010E, Argb(1, 2, 3, 0), Argb(200, 100, 50, 0), 255,
         Argb(1, 2, 3, 0)},
        {"opacity 1: a 1/256 step", 0x0102, Argb(1, 0, 255, 0), Argb(9, 3, 0, 0), 1, Argb(9, 3, 0, 0)},
    };
    for (const Case& c : cases) {
        const CSprite src = Filled(1, 1, c.source);
        CSprite s = Filled(1, 1, c.pixel);
        s.ReplaceFactor(0, 0, 1, 1, src, 0, 0, 1, 1, c.option >> 8, c.option & 0xFF, c.opacity);
        EXPECT_EQ(*s.PixelAt(0, 0), c.expected) << c.name << std::hex << " got 0x" << *s.PixelAt(0, 0);
    }
}

// Destination pixels of every blue value 0..255 (red 0), replaced in red from
// a source with the given (blue, red) pixels: the red each blue value gets.
std::vector<uint32_t> RedByBlue(const std::vector<std::pair<uint32_t, uint32_t>>& source) {
    std::vector<uint32_t> pixels;
    for (const auto& [b, r] : source) pixels.push_back(Argb(255, r, 0, b));
    const CSprite src = Row(pixels);
    CSprite s = Painted(256, 1, [](int32_t x, int32_t) { return Argb(255, 0, 0, static_cast<uint32_t>(x)); });
    s.ReplaceFactor(0, 0, 256, 1, src, 0, 0, src.GetWidth(), 1, 1, 4, 255);
    std::vector<uint32_t> red;
    for (const uint32_t p : Pixels(s)) red.push_back((p >> 16) & 0xFF);
    return red;
}

TEST_F(ReplaceFactorTest, KeyValuesWithoutSourcePixelsBorrowFromANeighbour) {
    struct Case {
        const char* name;
        std::vector<std::pair<uint32_t, uint32_t>> source;
        std::vector<std::pair<int32_t, uint32_t>> firstKeyAndRed;  // from this key value on, this red
    };
    const Case cases[] = {
        {"one key value gives every key value its modes", {{77, 5}}, {{0, 5}}},
        {"10 and 13: 11 and 12 take 13's", {{10, 100}, {13, 200}}, {{0, 100}, {11, 200}}},
        {"10 and 14: 11 takes 10's, 12 and 13 take 14's", {{10, 100}, {14, 200}}, {{0, 100}, {12, 200}}},
        {"neighbours 10 and 11: no gap", {{10, 100}, {11, 200}}, {{0, 100}, {11, 200}}},
        {"0 and 255: the gap splits at 127", {{255, 9}, {0, 1}}, {{0, 1}, {127, 9}}},
        {"three key values", {{20, 1}, {40, 2}, {41, 3}}, {{0, 1}, {30, 2}, {41, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> red = RedByBlue(c.source);
        for (size_t n = 0; n < c.firstKeyAndRed.size(); ++n) {
            const int32_t end = n + 1 < c.firstKeyAndRed.size() ? c.firstKeyAndRed[n + 1].first : 256;
            for (int32_t k = c.firstKeyAndRed[n].first; k < end; ++k)
                ASSERT_EQ(red[static_cast<size_t>(k)], c.firstKeyAndRed[n].second) << "key value " << k;
        }
    }
}

TEST_F(ReplaceFactorTest, ModesPerChannelWithTheSmallestValueOnTies) {
    // Key value 5 (blue): red 7, 3, 7, 3 (a tie: 3); green 9, 8, 8, 1 (8).
    // The two modes come from different source pixels.
    const CSprite src = Row({Argb(0, 7, 9, 5), Argb(0, 3, 8, 5), Argb(0, 7, 8, 5), Argb(0, 3, 1, 5)});
    CSprite s = Filled(3, 2, Argb(0x44, 0x55, 0x66, 5));
    s.ReplaceFactor(0, 0, 3, 2, src, 0, 0, 4, 1, 1, 0x06, 255);
    for (const uint32_t p : Pixels(s)) EXPECT_EQ(p, Argb(0x44, 3, 8, 5));
}

TEST_F(ReplaceFactorTest, RefusalsLeaveTheDestination) {
    struct Case {
        const char* name;
        int32_t selector, mask;
        uint8_t opacity;
        bool grows;  // the scratch block is still taken
    };
    const Case cases[] = {
        {"opacity 0", 1, 0x06, 0, false},       {"selector 3", 3, 0x06, 255, true},
        {"selector 0", 0, 0x06, 255, true},     {"selector 16", 16, 0x06, 255, true},
        {"mask of the key alone", 8, 0x08, 255, true}, {"mask bits 4-7 only", 1, 0xF0, 255, true},
    };
    std::mt19937 rng(51);
    const CSprite src = raster_test::RandomWords(9, 7, rng);
    const CSprite base = raster_test::RandomWords(6, 5, rng);
    for (const Case& c : cases) {
        raster_test::ResetRasterScratch();
        CSprite s;
        CopyPixels(base, s);
        s.ReplaceFactor(0, 0, 6, 5, src, 0, 0, 9, 7, c.selector, c.mask, c.opacity);
        EXPECT_EQ(Pixels(s), Pixels(base)) << c.name;
        EXPECT_EQ(RasterScratchBlock().GetCount(), c.grows ? kHistogramBytes : 0u) << c.name;
    }
    // Empty rectangles take nothing either.
    raster_test::ResetRasterScratch();
    CSprite s;
    CopyPixels(base, s);
    s.ReplaceFactor(6, 0, 4, 4, src, 0, 0, 9, 7, 1, 6, 255);
    s.ReplaceFactor(0, 0, 6, 5, src, 9, 0, 4, 4, 1, 6, 255);
    EXPECT_EQ(Pixels(s), Pixels(base));
    EXPECT_EQ(RasterScratchBlock().GetCount(), 0u);
}

TEST_F(ReplaceFactorTest, ALargerScratchBlockIsUsedAsItIs) {
    raster_test::ResetRasterScratch();
    unsigned char* big = RasterScratch().ScratchBytes(3 * kHistogramBytes, 3 * kHistogramBytes);
    std::mt19937 rng(52);
    const CSprite src = raster_test::RandomWords(9, 7, rng);
    CSprite s = raster_test::RandomWords(6, 5, rng);
    s.ReplaceFactor(0, 0, 6, 5, src, 0, 0, 9, 7, 1, 6, 255);
    EXPECT_EQ(RasterScratchBlock().GetBuffer(), big);
    EXPECT_EQ(RasterScratchBlock().GetCount(), 3 * kHistogramBytes);
}

// ---- brute-force model ----

uint32_t ByteOf(uint32_t p, int32_t c) { return (p >> (8 * c)) & 0xFF; }

uint32_t ModelMix(int32_t c, uint32_t d, uint32_t m, uint32_t op) {
    if (op == 255) return m;
    if (c == 2) {  // red: go round the shorter way
        const int32_t diff = static_cast<int32_t>(m) - static_cast<int32_t>(d);
        if (diff > 128) d += 256;
        if (diff < -128) m += 256;
    }
    return ((m * op + d * (256 - op)) >> 8) & 0xFF;
}

// The destination's (x, y, w, h) and the source's (sx, sy, sw, sh) lie inside
// both sprites' clip rectangles.
void Model(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& src, int32_t sx, int32_t sy,
           int32_t sw, int32_t sh, int32_t key, uint32_t mask, uint32_t op) {
    std::vector<uint32_t> samples[256];
    for (int32_t j = sy; j < sy + sh; ++j)
        for (int32_t i = sx; i < sx + sw; ++i) samples[ByteOf(*src.PixelAt(i, j), key)].push_back(*src.PixelAt(i, j));
    auto donor = [&](int32_t k) {
        if (!samples[k].empty()) return k;
        int32_t below = k - 1, above = k + 1;
        while (below >= 0 && samples[below].empty()) --below;
        while (above < 256 && samples[above].empty()) ++above;
        if (below < 0) return above;
        if (above > 255) return below;
        return k < (below + above) / 2 ? below : above;
    };
    auto mode = [&](int32_t k, int32_t c) {
        std::map<uint32_t, int32_t> counts;
        for (const uint32_t p : samples[k]) ++counts[ByteOf(p, c)];
        uint32_t best = 0;
        int32_t bestCount = -1;
        for (const auto& [v, n] : counts)
            if (n > bestCount) best = v, bestCount = n;  // ascending values: ties keep the smaller
        return best;
    };
    for (int32_t j = y; j < y + h; ++j)
        for (int32_t i = x; i < x + w; ++i) {
            uint32_t& p = *s.PixelAt(i, j);
            const int32_t k = donor(static_cast<int32_t>(ByteOf(p, key)));
            uint32_t out = p;
            for (int32_t c = 0; c < 4; ++c) {
                if (c == key || ((mask >> c) & 1) == 0) continue;
                out = (out & ~(0xFFu << (8 * c))) | ModelMix(c, ByteOf(p, c), mode(k, c), op) << (8 * c);
            }
            p = out;
        }
}

TEST_F(ReplaceFactorTest, RandomRectanglesEqualTheModel) {
    struct Case {
        int32_t selector, mask;
        uint8_t opacity;
    };
    const Case cases[] = {{1, 0x06, 255}, {1, 0x0F, 200}, {2, 0x0D, 128}, {4, 0x0B, 77},
                          {8, 0x07, 255}, {8, 0x04, 3},   {4, 0xF4 | 1, 254}};
    std::mt19937 rng(53);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "selector " << c.selector << " mask " << c.mask << " opacity "
                                          << int(c.opacity));
        const int32_t keyChannel = c.selector == 8 ? 3 : c.selector == 4 ? 2 : c.selector == 2 ? 1 : 0;
        // Source key values in a few clusters (gaps between them); other
        // channels from small sets, so that modes and ties are common.
        CSprite src = Painted(40, 30, [&](int32_t, int32_t) {
            uint32_t p = 0;
            for (int32_t ch = 0; ch < 4; ++ch) {
                const uint32_t v = ch == keyChannel ? (rng() % 5) * 50 + rng() % 3 : (rng() % 6) * 51;
                p |= v << (8 * ch);
            }
            return p;
        });
        src.SetClipRect(3, 2, 37, 25);  // pixels outside do not count
        const CSprite base = raster_test::RandomWords(30, 20, rng);
        CSprite got, expected;
        CopyPixels(base, got);
        CopyPixels(base, expected);
        got.ReplaceFactor(-4, 2, 30, 15, src, 0, 0, 40, 30, c.selector, c.mask, c.opacity);
        Model(expected, 0, 2, 26, 15, src, 3, 2, 34, 23, keyChannel, static_cast<uint32_t>(c.mask), c.opacity);
        ASSERT_EQ(Pixels(got), Pixels(expected));
        EXPECT_NE(Pixels(got), Pixels(base));
    }
}

}  // namespace replace_factor_test
