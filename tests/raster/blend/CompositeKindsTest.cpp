// Composite draw kinds (Alpha, Blend, Layer, Back and their tone forms):
// known answers and the identities between the kinds.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

class CompositeKindsTest : public KernelTest {
protected:
    std::mt19937 rng{99};
};

TEST_F(CompositeKindsTest, KnownAnswers) {
    ExpectCases({
        {"Alpha half red over opaque blue", Plain(&CSprite::DrawAlpha), 0x80FF0000, 0xFF0000FF, 0xFF7F007F},
        {"Alpha over transparent is the source", Plain(&CSprite::DrawAlpha), 0x80FF0000, 0x00000000, 0x80FF0000},
        {"Alpha half over half", Plain(&CSprite::DrawAlpha), 0x80FF0000, 0x800000FF, 0xC0A90055},
        {"Alpha transparent source", Plain(&CSprite::DrawAlpha), 0x00FF0000, 0x800000FF, 0x800000FF},
        {"Alpha opaque source copies", Plain(&CSprite::DrawAlpha), 0xFF123456, 0x800000FF, 0xFF123456},
        {"AlphaOpacity 128: effective alpha 127, no opaque shortcut", Opacity(&CSprite::DrawAlphaOpacity, 128),
         0xFFFF0000, 0xFF0000FF, 0xFF7E0080},
        {"Blend 255 makes a transparent source opaque", Opacity(&CSprite::DrawBlend, 255), 0x00123456, 0x80ABCDEF,
         0xFF123456},
        {"Blend 128 over transparent", Opacity(&CSprite::DrawBlend, 128), 0x00FF0000, 0x00000000, 0x80FF0000},
        {"Blend 128 over opaque", Opacity(&CSprite::DrawBlend, 128), 0xC0FF0000, 0xFF0000FF, 0xFF7F007F},
        {"Blend 128 ignores source alpha 0", Opacity(&CSprite::DrawBlend, 128), 0x00FF0000, 0xFF0000FF, 0xFF7F007F},
        {"Layer alpha 1 replaces", Plain(&CSprite::DrawLayer), 0x01ABCDEF, 0xFF123456, 0x01ABCDEF},
        {"Layer alpha 0 keeps", Plain(&CSprite::DrawLayer), 0x00ABCDEF, 0xFF123456, 0xFF123456},
        {"LayerOpacity 128", Opacity(&CSprite::DrawLayerOpacity, 128), 0x40FF0000, 0xFF0000FF, 0x9F7F007F},
        {"Back behind half", Plain(&CSprite::DrawBack), 0xFFFF0000, 0x800000FF, 0xFF7F007F},
        {"Back behind transparent copies", Plain(&CSprite::DrawBack), 0x40ABCDEF, 0x00123456, 0x40ABCDEF},
        {"Back behind opaque keeps", Plain(&CSprite::DrawBack), 0xFFABCDEF, 0xFF123456, 0xFF123456},
        {"BackOpacity 128 behind half", Opacity(&CSprite::DrawBackOpacity, 128), 0xFFFF0000, 0x800000FF,
         0xBF5400AA},
        {"BackOpacity 128 behind transparent", Opacity(&CSprite::DrawBackOpacity, 128), 0xFFFF0000, 0x00000000,
         0x7FFF0000},
        {"BackOpacity 200: alpha 1 from the carry", Opacity(&CSprite::DrawBackOpacity, 200), 0x0147FF00, 0x00000000,
         0x0147FF00},
        {"AlphaTone full tint and strength: the tone colour",
         Tone(&CSprite::DrawAlphaTone, 0x00336699, 256, 256, 256, 256), 0xFF000000, 0xFF112233, 0xFF336699},
        {"BlendTone 256 writes the tint with alpha 255 over a transparent source",
         Tone(&CSprite::DrawBlendTone, 0x00FF0000, 256, 0, 0, 256), 0x00102030, 0x40ABCDEF, 0xFFFF2030},
        {"LayerTone 256 keeps the source alpha", Tone(&CSprite::DrawLayerTone, 0x00FF0000, 256, 0, 0, 256),
         0x40102030, 0xFFABCDEF, 0x40FF2030},
        {"BackTone 256 over transparent: alpha sA exactly", Tone(&CSprite::DrawBackTone, 0, 0, 0, 0, 256),
         0x7FFFFFFF, 0x00000000, 0x7FFFFFFF},
        {"BackTone rounds once: 200 at alpha 1 over 100 at alpha 5 is 120",
         Tone(&CSprite::DrawBackTone, 0, 0, 0, 0, 256), 0x05646464, 0x01C8C8C8, 0x05787878},
        {"Back rounds twice: 119", Plain(&CSprite::DrawBack), 0x05646464, 0x01C8C8C8, 0x05777777},
    });
}

TEST_F(CompositeKindsTest, KeyedAlphaClearsPartlyTransparentKeyPixels) {
    auto keyed = [](uint32_t key) {
        return [key](CSprite& t, const CSprite& s) { t.DrawAlphaKeyed(0, 0, s, 0, 0, 1, 1, key); };
    };
    EXPECT_EQ(OnePixel(0x80FF0000, 0xFF00FF00, keyed(0x80FF0000)), 0u);
    EXPECT_EQ(OnePixel(0xFFFF0000, 0xFF00FF00, keyed(0xFFFF0000)), 0xFFFF0000u);
    EXPECT_EQ(OnePixel(0x00FF0000, 0xFF00FF00, keyed(0x00FF0000)), 0xFF00FF00u);
    ExpectSameDrawing([](CSprite& t, const CSprite& s) { t.DrawAlphaKeyed(0, 0, s, 0, 0, 64, 64, 0x12345678); },
                      Plain(&CSprite::DrawAlpha), rng, "a key no pixel has");
}

// Opacity 1 gives every source alpha an effective alpha of 0.
TEST_F(CompositeKindsTest, AlphaOpacityOneDrawsNothing) {
    for (uint32_t sA = 0; sA < 256; ++sA)
        EXPECT_EQ(OnePixel((sA << 24) | 0xFF0000, 0x800000FF, Opacity(&CSprite::DrawAlphaOpacity, 1)), 0x800000FFu)
            << sA;
}

// One channel with t16 = 33920 (tone 255, source 10, amount 128) mixed over 255
// with weight 200 gives 159; rounding the tint to a byte first would give 158.
TEST_F(CompositeKindsTest, ToneMixingRoundsOnce) {
    bool found = false;
    for (uint32_t am = 1; am < 256 && !found; ++am)
        for (uint32_t dA = 0; dA < 256 && !found; ++dA) {
            if ((AlphaUnionTable[am * 256 + dA] >> 8) + 1 != 200) continue;
            found = true;
            const uint32_t out = OnePixel(0xFF0A0000, (dA << 24) | 0xFF0000,
                                          Tone(&CSprite::DrawBlendTone, 0x00FF0000, 128, 0, 0, am));
            EXPECT_EQ((out >> 16) & 0xFF, 159u) << "am " << am << " dA " << dA;
        }
    EXPECT_TRUE(found);
}

// Without tint the tone kinds are their plain kinds: AlphaTone at strength 256
// is Alpha and at 1..254 Alpha with that opacity; BlendTone at 1..255 is Blend;
// LayerTone at 1..254 is Layer with that opacity.
TEST_F(CompositeKindsTest, UntintedToneKindsMatchTheirKinds) {
    ExpectSameDrawing(Tone(&CSprite::DrawAlphaTone, 0xFFFFFF, 0, 0, 0, 256), Plain(&CSprite::DrawAlpha), rng,
                      "AlphaTone 256");
    for (uint32_t am = 1; am <= 255; ++am) {
        if (am < 255) {
            ExpectSameDrawing(Tone(&CSprite::DrawAlphaTone, 0xABCDEF, 0, 0, 0, am),
                              Opacity(&CSprite::DrawAlphaOpacity, static_cast<uint8_t>(am)), rng, "AlphaTone");
            ExpectSameDrawing(Tone(&CSprite::DrawLayerTone, 0xABCDEF, 0, 0, 0, am),
                              Opacity(&CSprite::DrawLayerOpacity, static_cast<uint8_t>(am)), rng, "LayerTone");
        }
        ExpectSameDrawing(Tone(&CSprite::DrawBlendTone, 0xABCDEF, 0, 0, 0, am),
                          Opacity(&CSprite::DrawBlend, static_cast<uint8_t>(am)), rng, "BlendTone");
    }
    // At strength 255 an opaque source has the effective alpha 254.
    for (uint32_t d : {0x00000000u, 0x80123456u, 0xFF0000FFu})
        EXPECT_EQ(OnePixel(0xFFFF8000, d, Tone(&CSprite::DrawAlphaTone, 0, 0, 0, 0, 255)),
                  OnePixel(0xFEFF8000, d, Plain(&CSprite::DrawAlpha)));
}

}  // namespace
