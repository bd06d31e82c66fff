#include "raster/surface/sprite/PixelRules.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "raster/surface/sprite/PixelVectors.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using PixelRulesTest = raster_test::ReadyLibraryTest;

// The source-over rule of the plain diagram fill, written from its definition:
// Q = a + ((256 - a) x dA >> 8), I = a x ReciprocalTable[Q] >> 15, each colour
// channel (s x I + d x (256 - I)) >> 8, alpha Q. LayOver reads the union table
// instead; the two must agree for every alpha pair.
uint32_t ReciprocalOver(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t q = a + (((256 - a) * (d >> 24)) >> 8);
    const uint32_t i = (a * ReciprocalTable[q]) >> 15;
    uint32_t out = q << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
        out |= ((sc * i + dc * (256 - i)) >> 8) << shift;
    }
    return out;
}

TEST_F(PixelRulesTest, LayOverIsTheReciprocalSourceOverForEveryAlphaPair) {
    // Channel pairs that reach the extremes and differ per channel, so that a
    // carry between channels would show.
    const uint32_t colours[][2] = {
        {0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000}, {0xFF00FF, 0x00FF00}, {0x123456, 0xFEDCBA}, {0x80807F, 0x7F8081},
    };
    for (uint32_t a = 1; a < 256; ++a) {
        for (uint32_t dA = 0; dA < 256; ++dA) {
            for (const auto& c : colours) {
                const uint32_t d = (dA << 24) | c[0];
                ASSERT_EQ(pixel::LayOver(d, c[1], a), ReciprocalOver(d, c[1], a)) << "a " << a << " dA " << dA;
                // The colour's own top byte is ignored.
                ASSERT_EQ(pixel::LayOver(d, c[1] | 0xA5000000u, a), ReciprocalOver(d, c[1], a));
            }
        }
    }
}

TEST_F(PixelRulesTest, UnionAlphaComputedDirectlyEqualsTheTable) {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b)
            ASSERT_EQ(pixel::AlphaOver(a, b), pixel::UnionAlpha(pixel::Union(a, b))) << a << " over " << b;
}

TEST_F(PixelRulesTest, WorkedValues) {
    // The 8-bit weight: 0..127 kept, 128..255 one more.
    EXPECT_EQ(pixel::Weight8(0), 0u);
    EXPECT_EQ(pixel::Weight8(127), 127u);
    EXPECT_EQ(pixel::Weight8(128), 129u);
    EXPECT_EQ(pixel::Weight8(254), 255u);
    EXPECT_EQ(pixel::Weight8(255), 256u);
    // Over an opaque pixel the union weight is a itself (256 for 255); over a
    // transparent one it is 256 with alpha a. The span shortcuts rely on it.
    for (uint32_t a = 1; a < 256; ++a) {
        EXPECT_EQ(pixel::Union(a, 255), ((a == 255 ? 255 : a - 1) << 8) | 255) << a;
        EXPECT_EQ(pixel::Union(a, 0), (255u << 8) | a) << a;
    }
    // Scaled alpha, plain and with the carry of red and green.
    struct Row {
        uint32_t p, k, scaled, carried;
    };
    const Row rows[] = {
        {0x01FFFF00u, 255, 0x00FFFF00u, 1},  // the carry lifts 0 to 1
        {0x01000000u, 255, 0x00000000u, 0},
        {0x80FFFFFFu, 256, 0x80FFFFFFu, 0x80},
        {0xFF123456u, 128, 0x7F123456u, 0x7F},
        {0xFFFFFFFFu, 0, 0x00FFFFFFu, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(pixel::ScaleAlpha(r.p, r.k), r.scaled) << std::hex << r.p << " " << r.k;
        EXPECT_EQ(pixel::CarriedAlpha(r.p, r.k), r.carried) << std::hex << r.p << " " << r.k;
    }
}

// The four-pixel alpha tests look at every lane, and only at the alpha byte.
TEST_F(PixelRulesTest, FourPixelAlphaTestsSeeEveryLane) {
    for (int lane = 0; lane < 4; ++lane) {
        pixel::Pixels4 opaque = {0xFF000000u, 0xFFFFFFFFu, 0xFF123456u, 0xFF00FF00u};
        pixel::Pixels4 clear = {0x00000000u, 0x00FFFFFFu, 0x00123456u, 0x0000FF00u};
        EXPECT_TRUE(pixel::AllOpaque(opaque));
        EXPECT_TRUE(pixel::AllTransparent(clear));
        EXPECT_FALSE(pixel::AllOpaque(clear));
        EXPECT_FALSE(pixel::AllTransparent(opaque));
        opaque[lane] &= 0xFEFFFFFFu;
        clear[lane] |= 0x01000000u;
        EXPECT_FALSE(pixel::AllOpaque(opaque)) << lane;
        EXPECT_FALSE(pixel::AllTransparent(clear)) << lane;
    }
}

}  // namespace
