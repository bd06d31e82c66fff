// Colour-only draw kinds (AlphaC, BlendC, LayerC, BackC and their tone forms)
// and the whole-sprite operations on the premultiplied-inverse format.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

class ColourOnlyKindsTest : public KernelTest {
protected:
    std::mt19937 rng{5};
};

TEST_F(ColourOnlyKindsTest, KnownAnswers) {
    ExpectCases({
        {"AlphaC weighs by the source alpha", Plain(&CSprite::DrawAlphaC), 0x80FF0000, 0x20000000, 0x207F0000},
        {"AlphaC opaque source copies the colour", Plain(&CSprite::DrawAlphaC), 0xFF123456, 0x20ABCDEF, 0x20123456},
        {"AlphaC transparent source", Plain(&CSprite::DrawAlphaC), 0x00123456, 0x20ABCDEF, 0x20ABCDEF},
        {"AlphaCOpacity 128, sA 1: effective alpha 0", Opacity(&CSprite::DrawAlphaCOpacity, 128), 0x01FFFFFF,
         0x20000000, 0x20000000},
        {"BlendC 128 where the source is transparent", Opacity(&CSprite::DrawBlendC, 128), 0x00FF0000, 0x400000FF,
         0x407F007F},
        {"BlendC 255 copies the colour", Opacity(&CSprite::DrawBlendC, 255), 0x00123456, 0x40ABCDEF, 0x40123456},
        {"LayerC alpha 1 replaces the colour", Plain(&CSprite::DrawLayerC), 0x01ABCDEF, 0x80123456, 0x80ABCDEF},
        {"LayerC alpha 0 keeps", Plain(&CSprite::DrawLayerC), 0x00ABCDEF, 0x80123456, 0x80123456},
        {"LayerCOpacity 128 mixes by the opacity", Opacity(&CSprite::DrawLayerCOpacity, 128), 0x01FF0000,
         0x800000FF, 0x807F007F},
        {"BackC over transparent keeps", Plain(&CSprite::DrawBackC), 0xFFFF0000, 0x00123456, 0x00123456},
        {"BackC over opaque keeps", Plain(&CSprite::DrawBackC), 0xFFFF0000, 0xFF123456, 0xFF123456},
        {"BackC over half: weight 128 each", Plain(&CSprite::DrawBackC), 0xFFFF0000, 0x800000FF, 0x807F007F},
        {"BackCOpacity 128 behind half", Opacity(&CSprite::DrawBackCOpacity, 128), 0xFFFF0000, 0x800000FF,
         0x805400AA},
        {"BackToneC writes the tint into a transparent pixel",
         Tone(&CSprite::DrawBackToneC, 0x00FF0000, 256, 0, 0, 256), 0x80000000, 0x00123456, 0x00FF0000},
        {"LayerToneC mixes the unrounded tint", Tone(&CSprite::DrawLayerToneC, 0x00FFFFFF, 255, 255, 255, 128),
         0xFF000000, 0xFF000000, 0xFF7F7F7F},
        {"LayerToneC at 256 writes the tint", Tone(&CSprite::DrawLayerToneC, 0x00FF0000, 256, 0, 0, 256), 0x01102030,
         0x40ABCDEF, 0x40FF2030},
        {"BlendToneC draws over transparent source pixels", Tone(&CSprite::DrawBlendToneC, 0x00FF0000, 256, 0, 0, 256),
         0x00102030, 0x40ABCDEF, 0x40FF2030},
        {"AlphaToneC at full strength and alpha writes the tint",
         Tone(&CSprite::DrawAlphaToneC, 0x0000FF00, 0, 256, 0, 256), 0xFF102030, 0x40ABCDEF, 0x4010FF30},
        {"AlphaToneC below one step leaves the pixel", Tone(&CSprite::DrawAlphaToneC, 0x0000FF00, 0, 256, 0, 1),
         0xFF102030, 0x40ABCDEF, 0x40ABCDEF},
    });
}

// Without tint the colour-only tone kinds weigh like their kinds: AlphaToneC
// at 256 is AlphaC, BlendToneC and LayerToneC at 256 are the colour copies.
TEST_F(ColourOnlyKindsTest, UntintedToneKindsMatchTheirKinds) {
    ExpectSameDrawing(Tone(&CSprite::DrawAlphaToneC, 0x123456, 0, 0, 0, 256), Plain(&CSprite::DrawAlphaC), rng,
                      "AlphaToneC");
    ExpectSameDrawing(Tone(&CSprite::DrawBlendToneC, 0x123456, 0, 0, 0, 256), Plain(&CSprite::DrawCopyC), rng,
                      "BlendToneC");
    ExpectSameDrawing(Tone(&CSprite::DrawLayerToneC, 0x123456, 0, 0, 0, 256), Plain(&CSprite::DrawLayerC), rng,
                      "LayerToneC");
}

// Unlike BackC, BackToneC writes into fully transparent destination pixels; an
// opaque destination pixel never changes.
TEST_F(ColourOnlyKindsTest, BackToneCOnTransparentAndOpaqueDestinations) {
    for (uint32_t sA : {0u, 1u, 128u, 255u}) {
        const uint32_t s = (sA << 24) | 0x102030;
        EXPECT_EQ(OnePixel(s, 0x00ABCDEF, Tone(&CSprite::DrawBackToneC, 0, 0, 0, 0, 100)), 0x00102030u) << sA;
        EXPECT_EQ(OnePixel(s, 0xFFABCDEF, Tone(&CSprite::DrawBackToneC, 0, 0, 0, 0, 100)), 0xFFABCDEFu) << sA;
        EXPECT_EQ(OnePixel(s, 0x00ABCDEF, Plain(&CSprite::DrawBackC)), 0x00ABCDEFu) << sA;
    }
}

class PremultipliedInverseTest : public KernelTest {};

TEST_F(PremultipliedInverseTest, ConvertDrawOverAndDrawBehind) {
    CSprite source, target, second;
    Make(source, 4, 1);
    Make(target, 4, 1);
    const uint32_t straight[4] = {0x00FFFFFF, 0xFF102030, 0x80FF8040, 0x40FF8040};
    for (int i = 0; i < 4; ++i) *source.PixelAt(i, 0) = straight[i];
    target.ConvertToPremultipliedInverse(source);
    // k = sA + (sA >> 7); colour (c x k) >> 8, alpha byte (256 - k) & 0xFF.
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0x00000000, 0x00102030, 0x7F804020, 0xC03F2010}));

    // Over: colour (s x sA + d x (255 - sA)) / 255; transparency x (255 - sA) / 255, rounded.
    Make(source, 1, 1);
    Make(target, 1, 1);
    *source.PixelAt(0, 0) = 0x80C8C8C8;
    *target.PixelAt(0, 0) = 0x80646464;
    target.DrawOverPremultipliedInverse(source);
    EXPECT_EQ(*target.PixelAt(0, 0), 0x40969696u);

    // Behind: p + o t / 255 + t (g (o - q) / 255) / 255 per channel, limited to a byte.
    Make(second, 1, 1);
    *target.PixelAt(0, 0) = 0xFF0A0000;
    *source.PixelAt(0, 0) = 0x00640000;
    *second.PixelAt(0, 0) = 0xFF3200C8;
    target.DrawBehindPremultipliedInverse(source, second);
    EXPECT_EQ(*target.PixelAt(0, 0), 0x00A00000u);  // red 10 + 100 + 50 = 160; blue 0 + 0 - 200 -> 0

    // Sizes must match and the library must be ready.
    CSprite other;
    Make(other, 2, 1);
    *target.PixelAt(0, 0) = 0x12345678;
    target.ConvertToPremultipliedInverse(other);
    target.DrawOverPremultipliedInverse(other);
    target.DrawBehindPremultipliedInverse(source, other);
    raster_test::ResetRasterLibrary();
    target.ConvertToPremultipliedInverse(source);
    InitRasterLibrary(1);
    EXPECT_EQ(*target.PixelAt(0, 0), 0x12345678u);
}

}  // namespace
