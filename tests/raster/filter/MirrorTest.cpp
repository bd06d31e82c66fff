// In-place mirroring of a sprite rectangle.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using blend_test::Make;
using blend_test::Pixels;

// Pixel (x, y) holds its own coordinates so that results read as positions.
void Number(CSprite& sprite) {
    for (int32_t y = 0; y < sprite.GetHeight(); ++y)
        for (int32_t x = 0; x < sprite.GetWidth(); ++x) *sprite.PixelAt(x, y) = 0xFF000000u | (y << 8) | x;
}

uint32_t At(int32_t x, int32_t y) { return 0xFF000000u | (y << 8) | x; }

// Reference: the rectangle's pixel (i, j) after mirroring comes from
// (w - 1 - i, j), (i, h - 1 - j) or both.
std::vector<uint32_t> Expected(const CSprite& original, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type) {
    std::vector<uint32_t> out = Pixels(original);
    const int32_t width = original.GetWidth();
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            const int32_t fi = (type & 1) ? w - 1 - i : i;
            const int32_t fj = (type & 2) ? h - 1 - j : j;
            out[static_cast<size_t>((y + j) * width + x + i)] = *original.PixelAt(x + fi, y + fj);
        }
    return out;
}

TEST(MirrorTest, TypesOnOddAndEvenRectangles) {
    struct Case {
        int32_t x, y, w, h;
    };
    const Case rects[] = {{0, 0, 9, 7}, {1, 2, 3, 3}, {2, 1, 4, 4}, {3, 0, 1, 5}, {0, 3, 6, 1}, {1, 1, 1, 1}};
    for (const Case& r : rects) {
        for (int32_t type = 1; type <= 3; ++type) {
            SCOPED_TRACE(testing::Message() << r.x << "," << r.y << " " << r.w << "x" << r.h << " type " << type);
            CSprite original, sprite;
            Make(original, 9, 7);
            Number(original);
            Make(sprite, 9, 7);
            Number(sprite);
            sprite.Mirror(r.x, r.y, r.w, r.h, type);
            EXPECT_EQ(Pixels(sprite), Expected(original, r.x, r.y, r.w, r.h, type));
            sprite.Mirror(r.x, r.y, r.w, r.h, type);
            EXPECT_EQ(Pixels(sprite), Pixels(original)) << "twice restores";
        }
    }
}

TEST(MirrorTest, HalfTurnOfThreeByThreeKeepsTheCentre) {
    CSprite sprite;
    Make(sprite, 3, 3);
    Number(sprite);
    sprite.Mirror(0, 0, 3, 3, 3);
    const std::vector<uint32_t> expected = {At(2, 2), At(1, 2), At(0, 2), At(2, 1), At(1, 1),
                                            At(0, 1), At(2, 0), At(1, 0), At(0, 0)};
    EXPECT_EQ(Pixels(sprite), expected);
}

TEST(MirrorTest, OtherTypesAndOutsideRectanglesChangeNothing) {
    CSprite sprite;
    Make(sprite, 6, 5);
    Number(sprite);
    const std::vector<uint32_t> before = Pixels(sprite);
    for (int32_t type : {0, 4, -1, -3, 7}) sprite.Mirror(0, 0, 6, 5, type);
    sprite.Mirror(6, 0, 4, 4, 3);    // right of the image
    sprite.Mirror(-5, -5, 5, 9, 1);  // left of it
    sprite.Mirror(0, 0, 0, 5, 2);
    sprite.SetClipRect(2, 2, 4, 4);
    sprite.Mirror(0, 0, 2, 2, 3);  // outside the clip rectangle
    EXPECT_EQ(Pixels(sprite), before);
}

TEST(MirrorTest, ClippedRectangleTurnsAboutItsClippedCentre) {
    CSprite original, sprite;
    Make(original, 8, 6);
    Number(original);
    Make(sprite, 8, 6);
    Number(sprite);
    sprite.SetClipRect(1, 1, 6, 5);
    // Requested (-2, 0, 10, 6), clipped to (1, 1, 5, 4).
    sprite.Mirror(-2, 0, 10, 6, 3);
    EXPECT_EQ(Pixels(sprite), Expected(original, 1, 1, 5, 4, 3));
}

}  // namespace
