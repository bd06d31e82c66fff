// The in-place n x n reducers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using blend_test::Fill;
using blend_test::Make;
using blend_test::Pixels;

using Member = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t);

struct Reducer {
    const char* name;
    Member member;
    int n;
    bool opaqueAlpha;
};

const Reducer kReducers[] = {
    {"2x2", &CSprite::Downsample2x2, 2, false},
    {"3x3", &CSprite::Downsample3x3, 3, false},
    {"4x4", &CSprite::Downsample4x4, 4, false},
    {"2x2 opaque alpha", &CSprite::Downsample2x2OpaqueAlpha, 2, true},
    {"3x3 opaque alpha", &CSprite::Downsample3x3OpaqueAlpha, 3, true},
    {"4x4 opaque alpha", &CSprite::Downsample4x4OpaqueAlpha, 4, true},
};

uint32_t Reduce2x2(const std::vector<uint32_t>& block, bool opaqueAlpha) {
    CSprite sprite;
    Make(sprite, 2, 2);
    for (int i = 0; i < 4; ++i) *sprite.PixelAt(i & 1, i >> 1) = block[static_cast<size_t>(i)];
    if (opaqueAlpha) sprite.Downsample2x2OpaqueAlpha(0, 0, 2, 2);
    else sprite.Downsample2x2(0, 0, 2, 2);
    return *sprite.PixelAt(0, 0);
}

TEST(DownsampleTest, BlockExamples) {
    struct Case {
        const char* what;
        std::vector<uint32_t> block;
        uint32_t plain, opaqueAlpha;
    };
    const Case cases[] = {
        {"truncated mean of opaque pixels", {0xFF0A0000u, 0xFF0B0000u, 0xFF0B0000u, 0xFF0B0301u},
         0xFF0A0000u, 0xFF0A0000u},
        {"one opaque pixel among transparent ones", {0x00FFFFFFu, 0xFF123456u, 0x00000000u, 0x00ABCDEFu},
         0x3F123456u, 0xFF123456u},
        // k = 3: the nearly transparent pixel counts fully in the colour mean.
        {"alphas 255, 255, 1, 0", {0xFF300000u, 0xFF000030u, 0x01003000u, 0x00FFFFFFu},
         (127u << 24) | 0x100000u | 0x1000u | 0x10u, (170u << 24) | 0x101010u},
        {"all transparent: the bottom-right pixel", {0x00111111u, 0x00222222u, 0x00333333u, 0x00ABCDEFu},
         0x00ABCDEFu, 0x00ABCDEFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Reduce2x2(c.block, false), c.plain);
        EXPECT_EQ(Reduce2x2(c.block, true), c.opaqueAlpha);
    }
}

// A model of the rule written with plain per-channel sums, compared on random
// sprites for every member (including the full-block shift path).
TEST(DownsampleTest, EveryMemberMatchesThePerChannelRule) {
    std::mt19937 rng(42);
    for (const Reducer& r : kReducers) {
        SCOPED_TRACE(r.name);
        CSprite sprite;
        Make(sprite, 27, 19);
        blend_test::FillRandom(sprite, rng);
        // Some fully opaque blocks for the shift path.
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) *sprite.PixelAt(3 + x, 2 + y) |= 0xFF000000u;
        const std::vector<uint32_t> before = Pixels(sprite);
        const int32_t x0 = 3, y0 = 2, w = 23, h = 17;
        (sprite.*r.member)(x0, y0, w, h);
        std::vector<uint32_t> expected = before;
        const int n = r.n;
        for (int32_t by = 0; by < h / n; ++by)
            for (int32_t bx = 0; bx < w / n; ++bx) {
                uint32_t k = 0, sum[4] = {0, 0, 0, 0};
                uint32_t last = 0;
                for (int v = 0; v < n; ++v)
                    for (int u = 0; u < n; ++u) {
                        last = before[static_cast<size_t>((y0 + by * n + v) * 27 + x0 + bx * n + u)];
                        if ((last >> 24) == 0) continue;
                        ++k;
                        for (int c = 0; c < 4; ++c) sum[c] += (last >> (8 * c)) & 0xFF;
                    }
                uint32_t result = last;
                if (k != 0) {
                    const uint32_t a = r.opaqueAlpha ? sum[3] / k : sum[3] / static_cast<uint32_t>(n * n);
                    result = (a << 24) | ((sum[2] / k) << 16) | ((sum[1] / k) << 8) | (sum[0] / k);
                }
                expected[static_cast<size_t>((y0 + by) * 27 + x0 + bx)] = result;
            }
        EXPECT_EQ(Pixels(sprite), expected);
    }
}

TEST(DownsampleTest, PartialBlocksAndSmallRectanglesAreLeftAlone) {
    // 5 x 3 with n = 2: the top-left 4 x 2 becomes 2 x 1; column 4 and row 2
    // are neither read nor written.
    CSprite sprite;
    Make(sprite, 5, 3);
    Fill(sprite, 0xFF101010u);
    for (int32_t y = 0; y < 3; ++y) *sprite.PixelAt(4, y) = 0xFFFFFFFFu;
    for (int32_t x = 0; x < 5; ++x) *sprite.PixelAt(x, 2) = 0xFFFFFFFFu;
    sprite.Downsample2x2(0, 0, 5, 3);
    EXPECT_EQ(*sprite.PixelAt(0, 0), 0xFF101010u);
    EXPECT_EQ(*sprite.PixelAt(1, 0), 0xFF101010u);
    EXPECT_EQ(*sprite.PixelAt(4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(*sprite.PixelAt(0, 2), 0xFFFFFFFFu);

    // Below n x n after clipping: untouched.
    std::mt19937 rng(1);
    CSprite small;
    Make(small, 8, 8);
    blend_test::FillRandom(small, rng);
    const std::vector<uint32_t> before = Pixels(small);
    small.Downsample4x4(0, 0, 3, 8);
    small.Downsample3x3(6, 6, 4, 4);  // clipped to 2 x 2
    small.SetClipRect(0, 0, 8, 3);
    small.Downsample4x4(0, 0, 8, 8);  // clipped to 8 x 3
    small.Downsample2x2(-1, -1, 2, 2);
    EXPECT_EQ(Pixels(small), before);
}

}  // namespace
