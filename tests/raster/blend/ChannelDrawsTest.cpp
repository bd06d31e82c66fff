// DrawPrimary and ChannelCopy against per-pixel references that clip by
// visiting every position of the requested rectangle and keeping those inside
// the destination's clip rectangle and the source's bounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;
using raster_test::MakeRandom;

using PixelRule = std::function<uint32_t(uint32_t source, uint32_t destination)>;

// Where the destination alpha is below the source alpha, the whole source
// pixel; elsewhere the destination.
uint32_t PrimaryRule(uint32_t s, uint32_t d) { return (d >> 24) < (s >> 24) ? s : d; }

// Each channel its own weight: 255 the source byte, 0 the destination byte,
// k in between (d x (256 - k) + s x k) >> 8. Weights: alpha, red, green, blue.
PixelRule ChannelRule(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    return [=](uint32_t s, uint32_t d) {
        const uint8_t weights[4] = {b, g, r, a};  // by byte, low first
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            const uint32_t sc = (s >> (8 * c)) & 0xFF, dc = (d >> (8 * c)) & 0xFF, k = weights[c];
            const uint32_t v = k == 255 ? sc : k == 0 ? dc : (dc * (256 - k) + sc * k) >> 8;
            out |= v << (8 * c);
        }
        return out;
    };
}

struct Blit {
    const char* name;
    int32_t dx, dy, sx, sy, w, h;
    int32_t clipLeft = 0, clipTop = 0, clipRight = 1000, clipBottom = 1000;  // clamped to the sprite
};

const Blit kBlits[] = {
    {"inside both", 3, 2, 1, 4, 9, 7},
    {"whole source at the origin", 0, 0, 0, 0, 13, 11},
    {"past the right and bottom edges", 10, 8, 2, 3, 20, 20},
    {"negative destination corner", -4, -3, 0, 0, 12, 9},
    {"negative source corner", 2, 1, -3, -5, 12, 12},
    {"source rectangle beyond the source", 0, 0, 9, 7, 10, 10},
    {"inside the destination's clip rectangle", 0, 0, 0, 0, 16, 14, 4, 3, 11, 9},
    {"nothing left", 20, 0, 0, 0, 5, 5},
    {"empty size", 2, 2, 0, 0, 0, 6},
    {"negative size", 2, 2, 0, 0, -3, 6},
};

std::vector<uint32_t> Reference(const CSprite& before, const CSprite& source, const Blit& b, const PixelRule& rule) {
    std::vector<uint32_t> out = Pixels(before);
    const int32_t left = std::max(0, b.clipLeft), top = std::max(0, b.clipTop);
    const int32_t right = std::min(before.GetWidth(), b.clipRight), bottom = std::min(before.GetHeight(), b.clipBottom);
    for (int32_t j = 0; j < b.h; ++j)
        for (int32_t i = 0; i < b.w; ++i) {
            const int32_t x = b.dx + i, y = b.dy + j, u = b.sx + i, v = b.sy + j;
            if (x < left || x >= right || y < top || y >= bottom) continue;
            if (u < 0 || u >= source.GetWidth() || v < 0 || v >= source.GetHeight()) continue;
            uint32_t& p = out[static_cast<size_t>(y) * before.GetWidth() + x];
            p = rule(*source.PixelAt(u, v), p);
        }
    return out;
}

class ChannelDrawsTest : public KernelTest {
protected:
    // Every blit of the table, on random pixels, equals the reference.
    void ExpectBlits(const std::function<void(CSprite&, const CSprite&, const Blit&)>& draw, const PixelRule& rule) {
        for (const Blit& b : kBlits) {
            SCOPED_TRACE(b.name);
            CSprite source, target, before;
            MakeRandom(source, 13, 11, rng);
            MakeRandom(target, 16, 14, rng);
            Make(before, 16, 14);
            raster_test::CopyPixels(target, before);
            target.SetClipRect(std::max(0, b.clipLeft), std::max(0, b.clipTop), std::min(16, b.clipRight),
                               std::min(14, b.clipBottom));
            draw(target, source, b);
            EXPECT_EQ(Pixels(target), Reference(before, source, b, rule));
        }
    }
    std::mt19937 rng{11};
};

TEST_F(ChannelDrawsTest, PrimaryKeepsThePixelOfGreaterAlpha) {
    ExpectBlits([](CSprite& t, const CSprite& s, const Blit& b) { t.DrawPrimary(b.dx, b.dy, s, b.sx, b.sy, b.w, b.h); },
                PrimaryRule);
}

TEST_F(ChannelDrawsTest, PrimaryTiesKeepTheDestination) {
    // Equal alpha: the destination stays, whatever the colours.
    EXPECT_EQ(OnePixel(0x80FFFFFF, 0x80000000,
                       [](CSprite& t, const CSprite& s) { t.DrawPrimary(0, 0, s, 0, 0, 1, 1); }),
              0x80000000u);
    EXPECT_EQ(OnePixel(0x81FFFFFF, 0x80000000,
                       [](CSprite& t, const CSprite& s) { t.DrawPrimary(0, 0, s, 0, 0, 1, 1); }),
              0x81FFFFFFu);
}

TEST_F(ChannelDrawsTest, PrimaryOntoItselfReadsEachPixelBeforeWritingIt) {
    // Overlapping rectangles of one sprite behave as if the source were a copy.
    for (const auto& [dx, dy] : {std::pair{2, 1}, std::pair{-2, -1}, std::pair{3, 0}, std::pair{0, -2}}) {
        SCOPED_TRACE(testing::Message() << dx << "," << dy);
        CSprite sprite, copy;
        MakeRandom(sprite, 12, 10, rng);
        Make(copy, 12, 10);
        raster_test::CopyPixels(sprite, copy);
        const Blit b{"overlap", 2 + dx, 2 + dy, 2, 2, 8, 6};
        const std::vector<uint32_t> expected = Reference(copy, copy, b, PrimaryRule);
        sprite.DrawPrimary(b.dx, b.dy, sprite, b.sx, b.sy, b.w, b.h);
        EXPECT_EQ(Pixels(sprite), expected);
    }
}

TEST_F(ChannelDrawsTest, ChannelCopyWeighsEachChannelByItsOwnWeight) {
    const uint8_t weights[][4] = {
        {0, 0, 0, 0},          // keeps the destination
        {255, 255, 255, 255},  // copies the source
        {255, 0, 128, 1},      // alpha taken, red kept, green halfway, blue barely
        {1, 64, 192, 254},
        {128, 255, 0, 255},
    };
    for (const auto& w : weights) {
        SCOPED_TRACE(testing::Message() << int(w[0]) << "," << int(w[1]) << "," << int(w[2]) << "," << int(w[3]));
        ExpectBlits(
            [&w](CSprite& t, const CSprite& s, const Blit& b) {
                t.ChannelCopy(b.dx, b.dy, s, b.sx, b.sy, b.w, b.h, w[0], w[1], w[2], w[3]);
            },
            ChannelRule(w[0], w[1], w[2], w[3]));
    }
}

}  // namespace
