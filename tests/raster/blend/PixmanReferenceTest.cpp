// DrawAlpha against an independent source-over: pixman's OVER on premultiplied
// a8r8g8b8, un-premultiplied afterwards.
//
// Tolerances: alpha within 1. Colour within 3 + 480 / a for a result alpha a:
// pixman stores premultiplied channels, so each of its roundings (premultiplying
// both inputs, the OVER itself) is worth up to 255 / a after un-premultiplying,
// and our rule truncates twice (weight and mix). Results with an alpha below 8
// carry almost no colour information and are compared on alpha only.
#include <gtest/gtest.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

uint32_t Premultiply(uint32_t p) {
    const uint32_t a = p >> 24;
    uint32_t out = a << 24;
    for (int c = 0; c < 3; ++c) out |= ((((p >> (8 * c)) & 0xFF) * a + 127) / 255) << (8 * c);
    return out;
}

uint32_t Unpremultiply(uint32_t p) {
    const uint32_t a = p >> 24;
    if (a == 0) return 0;
    uint32_t out = a << 24;
    for (int c = 0; c < 3; ++c) out |= std::min<uint32_t>(255, (((p >> (8 * c)) & 0xFF) * 255 + a / 2) / a) << (8 * c);
    return out;
}

class PixmanReferenceTest : public KernelTest {};

TEST_F(PixmanReferenceTest, AlphaMatchesPixmanOverForEveryAlphaPair) {
    std::mt19937 rng(2024);
    constexpr int32_t kSize = 256;  // pixel i holds source alpha i & 255 over destination alpha i >> 8
    for (int round = 0; round < 4; ++round) {
        CSprite source, target;
        Make(source, kSize, kSize);
        Make(target, kSize, kSize);
        std::vector<uint32_t> src(kSize * kSize), dst(kSize * kSize);
        for (int32_t i = 0; i < kSize * kSize; ++i) {
            const uint32_t s = (rng() & 0x00FFFFFF) | (static_cast<uint32_t>(i & 255) << 24);
            const uint32_t d = (rng() & 0x00FFFFFF) | (static_cast<uint32_t>(i >> 8) << 24);
            *source.PixelAt(i % kSize, i / kSize) = s;
            *target.PixelAt(i % kSize, i / kSize) = d;
            src[i] = Premultiply(s);
            dst[i] = Premultiply(d);
        }
        pixman_image_t* ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, src.data(), kSize * 4);
        pixman_image_t* pd = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, dst.data(), kSize * 4);
        ASSERT_NE(ps, nullptr);
        ASSERT_NE(pd, nullptr);
        pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, kSize, kSize);
        pixman_image_unref(ps);
        pixman_image_unref(pd);

        target.DrawAlpha(0, 0, source, 0, 0, kSize, kSize);
        for (int32_t i = 0; i < kSize * kSize; ++i) {
            const uint32_t ours = *target.PixelAt(i % kSize, i / kSize);
            const uint32_t ref = Unpremultiply(dst[i]);
            const int32_t a = static_cast<int32_t>(ref >> 24);
            ASSERT_LE(std::abs(static_cast<int32_t>(ours >> 24) - a), 1) << "pair " << (i & 255) << "," << (i >> 8);
            if (a < 8) continue;
            const int32_t tolerance = 3 + 480 / a;
            for (int c = 0; c < 3; ++c) {
                const int32_t o = static_cast<int32_t>((ours >> (8 * c)) & 0xFF);
                const int32_t r = static_cast<int32_t>((ref >> (8 * c)) & 0xFF);
                ASSERT_LE(std::abs(o - r), tolerance)
                    << "pair " << (i & 255) << "," << (i >> 8) << " channel " << c << std::hex << " ours 0x" << ours
                    << " pixman 0x" << ref;
            }
        }
    }
}

}  // namespace
