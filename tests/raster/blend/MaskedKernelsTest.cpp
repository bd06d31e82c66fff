// Block-mask fast paths: which part of a rectangle the mask core draws, and
// what it does with opaque and transparent blocks. (Equality with the unmasked
// twins for current masks is walked over the member table in KernelTableTest.)
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

struct MaskedMember {
    const char* name;
    blend::PlainFn fn;
    bool colourOnly;
};
const MaskedMember kMembers[] = {
    {"DrawAlphaMasked", &CSprite::DrawAlphaMasked, false},
    {"DrawLayerMasked", &CSprite::DrawLayerMasked, false},
    {"DrawAlphaCMasked", &CSprite::DrawAlphaCMasked, true},
    {"DrawLayerCMasked", &CSprite::DrawLayerCMasked, true},
};

class MaskedKernelsTest : public KernelTest {
protected:
    std::mt19937 rng{11};

    // A source whose mask was built while every pixel was transparent and whose
    // pixels were then made half transparent: the core skips every block as
    // the stale mask says, while the twin draws the strips. So the destination
    // pixels left unchanged show exactly which part the core handled.
    void StaleTransparentSource(CSprite& source, int32_t w, int32_t h) {
        Make(source, w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) *source.PixelAt(x, y) = 0x00808080u | (rng() & 0x003F3F3F);
        source.BuildOpacityMask();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) *source.PixelAt(x, y) |= 0x80000000u;
    }
};

TEST_F(MaskedKernelsTest, TheCoreCoversWholeGroupsOnly) {
    struct Row {
        const char* name;
        int32_t width, height, sx, sy, w, h;
        int32_t coreLeft, coreTop, coreRight, coreBottom;  // source coordinates, exclusive; empty: no core
    } rows[] = {
        {"strips on all four sides", 48, 20, 5, 2, 40, 13, 16, 4, 32, 12},
        {"15 pixels wide: all twin", 48, 20, 0, 0, 15, 8, 0, 0, 0, 0},
        {"3 rows high: all twin", 48, 20, 0, 0, 32, 3, 0, 0, 0, 0},
        {"to the right edge of a 40-pixel sprite", 40, 8, 0, 0, 40, 8, 0, 0, 32, 8},
        {"one whole group", 48, 20, 16, 4, 16, 4, 16, 4, 32, 8},
        {"misaligned by one everywhere", 48, 20, 1, 1, 46, 18, 16, 4, 32, 16},
    };
    for (const auto& m : kMembers) {
        for (const auto& r : rows) {
            SCOPED_TRACE(std::string(m.name) + ": " + r.name);
            CSprite source;
            StaleTransparentSource(source, r.width, r.height);
            CSprite target;
            Make(target, 60, 30);
            Fill(target, 0xFF102030);
            (target.*m.fn)(3, 2, source, r.sx, r.sy, r.w, r.h);
            for (int32_t j = 0; j < r.h; ++j)
                for (int32_t i = 0; i < r.w; ++i) {
                    const int32_t x = r.sx + i, y = r.sy + j;
                    const bool core = x >= r.coreLeft && x < r.coreRight && y >= r.coreTop && y < r.coreBottom;
                    const bool unchanged = *target.PixelAt(3 + i, 2 + j) == 0xFF102030u;
                    ASSERT_EQ(unchanged, core) << "source " << x << "," << y;
                }
        }
    }
}

// With a current mask, a group of four opaque blocks is copied whole (C forms:
// colour only) and a transparent group leaves the destination as it was.
TEST_F(MaskedKernelsTest, OpaqueBlocksAreCopiedAndTransparentBlocksSkipped) {
    for (const auto& m : kMembers) {
        SCOPED_TRACE(m.name);
        CSprite source;
        Make(source, 32, 4);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 32; ++x)
                *source.PixelAt(x, y) = (x < 16 ? 0xFF000000u : 0u) | (rng() & 0x00FFFFFF);
        source.BuildOpacityMask();
        ASSERT_EQ(source.GetOpacityMask()[0], 0xAA);
        ASSERT_EQ(source.GetOpacityMask()[1], 0x55);
        CSprite target;
        Make(target, 32, 4);
        FillRandom(target, rng);
        const auto before = Pixels(target);
        (target.*m.fn)(0, 0, source, 0, 0, 32, 4);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 32; ++x) {
                const uint32_t d = *target.PixelAt(x, y), s = *source.PixelAt(x, y), b = before[y * 32 + x];
                if (x >= 16) {
                    EXPECT_EQ(d, b) << x << "," << y;
                } else {
                    EXPECT_EQ(d, m.colourOnly ? (b & 0xFF000000) | (s & 0x00FFFFFF) : s) << x << "," << y;
                }
            }
    }
}

// Without a mask the members fall back on their twins instead of reading
// through a null pointer.
TEST_F(MaskedKernelsTest, NoMaskDrawsLikeTheTwin) {
    CSprite source, one, two;
    Make(source, 40, 12);
    FillRandom(source, rng);
    Make(one, 40, 12);
    FillRandom(one, rng);
    CopyState(one, two);
    one.DrawAlphaMasked(0, 0, source, 0, 0, 40, 12);
    two.DrawAlpha(0, 0, source, 0, 0, 40, 12);
    EXPECT_EQ(Pixels(one), Pixels(two));
}

}  // namespace
