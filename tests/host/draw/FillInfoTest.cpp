// The fill resource over every row of the fill by draw mode, and the factor
// row's dirty flag.
#include "host/draw/FillInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "host/draw/FactorInfo.h"
#include "tests/host/draw/DrawTestSupport.h"

namespace {

using namespace drawtest;
using namespace draw_mode;

constexpr uint32_t kPixel = 0x80406080u;   // alpha 0x80, red 0x40, green 0x60, blue 0x80
constexpr uint32_t kColour = 0xAB10E0F0u;  // the top byte is not used
constexpr uint8_t kLevel = 64;

uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

// (old x (256 - level) + colour x level) >> 8 on the colour channels, alpha kept.
uint32_t MixColour(uint32_t p, uint32_t c, uint32_t level) {
    uint32_t out = p & 0xFF000000u;
    for (int s : {0, 8, 16}) out |= ((Channel(p, s) * (256 - level) + Channel(c, s) * level) >> 8) << s;
    return out;
}

// Source over in doubles: the colour at opacity level / 255 over p.
uint32_t SourceOver(uint32_t p, uint32_t c, uint32_t level) {
    const double as = level / 255.0, ad = Channel(p, 24) / 255.0;
    const double ao = as + ad * (1 - as);
    uint32_t out = uint32_t(std::lround(ao * 255)) << 24;
    for (int s : {0, 8, 16}) {
        const double v = (Channel(c, s) * as + Channel(p, s) * ad * (1 - as)) / ao;
        out |= uint32_t(std::lround(v)) << s;
    }
    return out;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int s : {0, 8, 16, 24})
        if (std::abs(int(Channel(a, s)) - int(Channel(b, s))) > tolerance) return false;
    return true;
}

TEST(FillInfoTest, EveryDrawModeRowOfTheFill) {
    struct Row {
        const char* name;
        uint32_t number;
        uint32_t expected;
        int tolerance;
    } rows[] = {
        {"COPY", kCopy, 0xFF10E0F0u, 0},
        {"MIXALPHA", kMixAlpha, 0xFF10E0F0u, 0},
        {"MIXLAYER", kMixLayer, 0xFF10E0F0u, 0},
        {"ALPHA", kAlpha, 0x8010E0F0u, 0},
        {"LAYER", kLayer, 0x8010E0F0u, 0},
        {"COPYC", kCopyC, 0x8010E0F0u, 0},
        {"BLEND", kBlend, MixColour(kPixel, kColour, kLevel), 0},
        {"LAYERBLEND", kLayerBlend, MixColour(kPixel, kColour, kLevel), 0},
        {"ALPHABLEND", kAlphaBlend, MixColour(kPixel, kColour, kLevel), 0},
        // A quarter of the colour composited over the pixel.
        {"MIXBLEND", kMixBlend, SourceOver(kPixel, kColour, kLevel), 2},
        {"MIXLAYERBLEND", kMixLayerBlend, SourceOver(kPixel, kColour, kLevel), 2},
        {"MIXALPHABLEND", kMixAlphaBlend, SourceOver(kPixel, kColour, kLevel), 2},
        {"COPYA: transparent, colours kept", kCopyA, 0x00406080u, 0},
        {"MULA", kMulA, 0x00406080u, 0},
        {"MUL", kMul, 0x00406080u, 0},
        {"FILLA", kFillA, 0x40406080u, 0},
        {"BLENDALPHA: alpha x 64 / 256", kBlendAlpha, 0x20406080u, 0},
        {"MULBLEND: alpha x 192 / 256", kMulBlend, 0x60406080u, 0},
    };
    std::set<uint32_t> named;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        named.insert(row.number);
        for (uint32_t mirror : {0u, kMirrorHorizontal, kMirrorVertical}) {
            CSprite s;
            MakeFilled(s, 8, 5, kPixel);
            QRKWDRFillInfo fill;
            fill.colour = kColour;
            fill.mode = kBase | mirror | row.number;
            fill.level = kLevel;
            EXPECT_TRUE(fill.Draw(2, 1, 3, 2, s, 0, nullptr));
            for (int32_t y = 0; y < 5; ++y)
                for (int32_t x = 0; x < 8; ++x) {
                    const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
                    if (inside) {
                        ASSERT_TRUE(Near(At(s, x, y), row.expected, row.tolerance))
                            << std::hex << At(s, x, y) << " want " << row.expected;
                    } else {
                        ASSERT_EQ(At(s, x, y), kPixel);
                    }
                }
        }
    }
    // Every other code leaves the pixels alone.
    std::vector<uint32_t> others = {kBase, kBase | 0x38, kBase | 0x7F, kBase | kHighQuality | kCopy, 0x60000001u,
                                    kBase | 0x100 | kCopy};
    for (uint32_t n = kCopy; n <= kLastDrawing; ++n)
        if (named.count(n) == 0) others.push_back(kBase | n);
    for (uint32_t mode : others) {
        CSprite s;
        MakeFilled(s, 8, 5, kPixel);
        QRKWDRFillInfo fill;
        fill.colour = kColour;
        fill.mode = mode;
        fill.level = kLevel;
        EXPECT_TRUE(fill.DrawItem(0, 0, 0, 8, 5, s));
        EXPECT_EQ(CountNot(s, kPixel), 0) << std::hex << mode;
    }
}

TEST(FillInfoTest, ResetRestoresTheDefaultsAndCounts) {
    QRKWDRFillInfo fill;
    fill.colour = 0x123456;
    fill.mode = kBase | kMixBlend;
    fill.level = 3;
    const uint32_t before = fill.Changes().GetCount();
    EXPECT_TRUE(fill.Reset());
    EXPECT_EQ(fill.Changes().GetCount(), before + 1);
    EXPECT_EQ(fill.colour, 0u);
    EXPECT_EQ(fill.mode, kBase | kCopy);
    EXPECT_EQ(fill.level, 128);
    EXPECT_EQ(fill.GetFrameCount(), 0);
    EXPECT_EQ(fill.GetWidth(), -1);
    EXPECT_EQ(fill.GetHeight(), -1);
}

TEST(FactorInfoTest, OneDrawingIsReportedOnceWhetherOrNotTheHolderMayDraw) {
    QRKWDRFactorInfo row;
    CQRKDRConnector holder;
    ASSERT_TRUE(holder.Connect(&row));
    struct Step {
        bool drawn, allow;
        int32_t changed;
    } steps[] = {
        {false, true, 1},   // new rows start dirty
        {false, true, 0},
        {true, true, 1},
        {false, true, 0},
        {true, false, 1},   // consumed even when drawing is not allowed
        {false, true, 0},
    };
    for (const Step& step : steps) {
        if (step.drawn) row.dirty = true;
        int32_t changed = 0;
        uint8_t extra = 0;
        EXPECT_TRUE(row.PollChange(holder, step.allow, changed, extra));
        EXPECT_EQ(changed, step.changed);
    }
    EXPECT_EQ(row.GetHeight(), 22);
    EXPECT_EQ(row.GetWidth(), -1);
}

TEST(FactorInfoTest, DrawCopiesTheTopLeftOfTheRowImage) {
    QRKWDRFactorInfo row;
    MakeCoordSprite(row.rowImage, 24, 22);
    CSprite target;
    MakeFilled(target, 30, 30, 0x11111111u);
    EXPECT_TRUE(row.Draw(3, 4, 10, 5, target, 0, nullptr));
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const bool inside = x >= 3 && x < 13 && y >= 4 && y < 9;
            ASSERT_EQ(At(target, x, y), inside ? CoordPixel(x - 3, y - 4) : 0x11111111u) << x << "," << y;
        }
}

}  // namespace
