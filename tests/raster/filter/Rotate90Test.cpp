// Quarter-turn copies against a simple reference rotation.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using blend_test::Fill;
using blend_test::Make;
using blend_test::Pixels;

// Turns a w x h image clockwise by quarter turns, the obvious way.
std::vector<uint32_t> Turn(const std::vector<uint32_t>& image, int32_t w, int32_t h, int quarters,
                           int32_t& outW, int32_t& outH) {
    std::vector<uint32_t> current = image;
    outW = w;
    outH = h;
    for (int q = 0; q < quarters; ++q) {
        std::vector<uint32_t> next(current.size());
        // Clockwise: new (x, y) = old (y, H - 1 - x), new size H x W.
        for (int32_t y = 0; y < outW; ++y)
            for (int32_t x = 0; x < outH; ++x)
                next[static_cast<size_t>(y * outH + x)] = current[static_cast<size_t>((outH - 1 - x) * outW + y)];
        current.swap(next);
        std::swap(outW, outH);
    }
    return current;
}

TEST(BlitRotated90Test, TurnsMatchTheReferenceRotation) {
    std::mt19937 rng(8);
    const int32_t sw = 7, sh = 4;  // the source rectangle, at (2, 1) of a 10 x 6 source
    CSprite source;
    Make(source, 10, 6);
    blend_test::FillRandom(source, rng);
    std::vector<uint32_t> window;
    for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x) window.push_back(*source.PixelAt(2 + x, 1 + y));
    for (int32_t turn : {1, 2, 3, 5, 6, 7, -1}) {
        SCOPED_TRACE(turn);
        int32_t tw = 0, th = 0;
        const std::vector<uint32_t> expected = Turn(window, sw, sh, turn & 3, tw, th);
        CSprite destination;
        Make(destination, tw + 3, th + 2);
        Fill(destination, 0x01010101u);
        destination.BlitRotated90(3, 2, tw, th, source, 2, 1, turn);
        for (int32_t y = 0; y < destination.GetHeight(); ++y)
            for (int32_t x = 0; x < destination.GetWidth(); ++x) {
                const bool inside = x >= 3 && y >= 2;
                const uint32_t want = inside ? expected[static_cast<size_t>((y - 2) * tw + (x - 3))] : 0x01010101u;
                ASSERT_EQ(*destination.PixelAt(x, y), want) << x << "," << y;
            }
    }
}

TEST(BlitRotated90Test, TurnFourIsACopyAndClippingNeverReadsOutside) {
    std::mt19937 rng(9);
    CSprite source, destination, copy;
    Make(source, 6, 5);
    blend_test::FillRandom(source, rng);
    Make(destination, 6, 5);
    Make(copy, 6, 5);
    Fill(destination, 0);
    Fill(copy, 0);
    destination.BlitRotated90(0, 0, 6, 5, source, 0, 0, 4);
    copy.DrawCopy(0, 0, source, 0, 0, 6, 5);
    EXPECT_EQ(Pixels(destination), Pixels(copy));

    // A source window reaching past the source shrinks the drawn size; the
    // first quarter turn of the part that exists lands at the top-left.
    Fill(destination, 0);
    destination.BlitRotated90(0, 0, 4, 4, source, 4, 3, 1);  // source 4 x 4 at (4, 3): only 2 x 2 exists
    EXPECT_EQ(*destination.PixelAt(0, 0), *source.PixelAt(4, 4));
    EXPECT_EQ(*destination.PixelAt(1, 0), *source.PixelAt(4, 3));
    EXPECT_EQ(*destination.PixelAt(0, 1), *source.PixelAt(5, 4));
    EXPECT_EQ(*destination.PixelAt(1, 1), *source.PixelAt(5, 3));
    EXPECT_EQ(*destination.PixelAt(2, 0), 0u);
    EXPECT_EQ(*destination.PixelAt(0, 2), 0u);
    // Wholly outside: nothing.
    const std::vector<uint32_t> before = Pixels(destination);
    for (int32_t turn = 1; turn <= 3; ++turn) {
        destination.BlitRotated90(0, 0, 3, 3, source, 6, 0, turn);
        destination.BlitRotated90(6, 0, 3, 3, source, 0, 0, turn);
    }
    EXPECT_EQ(Pixels(destination), before);
}

}  // namespace
