// The separable blend modes: their channel formulas (known
// answers and exhaustive properties), their members' worked examples, and every
// member of the four families against a per-channel re-statement of the Alpha
// and Merge compositing rules on random pixels, rectangles and clips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "raster/blend/SeparableFormulas.h"
#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;
using blend::Form;
using blend::KernelEntry;
using blend::Shape;
namespace sep = blend::separable;

using ChannelFn = uint32_t (*)(uint32_t d, uint32_t s);

class SeparableModesTest : public KernelTest {
protected:
    std::mt19937 rng{77001};
};

// ---------------------------------------------------------------------------
// Channel formulas: known answers, one table per family

struct ChannelCase {
    const char* mode;
    ChannelFn fn;
    uint32_t d, s, expected;
};

void ExpectChannelCases(const std::vector<ChannelCase>& cases) {
    for (const auto& c : cases) EXPECT_EQ(c.fn(c.d, c.s), c.expected) << c.mode << " d " << c.d << ", s " << c.s;
}

TEST(SeparableFormulaTest, DarkenLightenDifferenceExclusionKnownAnswers) {
    ExpectChannelCases({
        {"Exclusion", sep::Exclusion, 0x33, 255, 0xCD},
        {"Exclusion", sep::Exclusion, 0x66, 255, 0x9A},
        {"Exclusion", sep::Exclusion, 0x99, 255, 0x67},
        {"Exclusion", sep::Exclusion, 255, 255, 1},
        {"Exclusion", sep::Exclusion, 128, 128, 128},
        {"Exclusion", sep::Exclusion, 0, 255, 255},
        {"Difference", sep::Difference, 0x33, 255, 0xCC},
        {"Difference", sep::Difference, 77, 77, 0},
        {"Darken", sep::Darken, 10, 200, 10},
        {"Lighten", sep::Lighten, 10, 200, 200},
    });
}

TEST(SeparableFormulaTest, ExclusionTermForms) {
    int belowExact = 0;
    for (uint32_t d = 0; d < 256; ++d)
        for (uint32_t s = 0; s < 256; ++s) {
            const uint32_t p = d * s;
            const uint32_t t = (p + (p >> 8)) >> 7;
            ASSERT_EQ(t, (p * 514) >> 16);
            ASSERT_EQ(t, (2 * p + (p >> 7)) >> 8);
            const uint32_t exact = 2 * p / 255;
            ASSERT_LE(t, exact);
            ASSERT_GE(t + 1, exact);
            belowExact += t < exact;
            const uint32_t b = sep::Exclusion(d, s);
            ASSERT_LE(b, 255u);
            ASSERT_EQ(b, sep::Exclusion(s, d));
        }
    EXPECT_EQ(belowExact, 1509);
    for (uint32_t d = 0; d < 256; ++d) {
        EXPECT_EQ(sep::Exclusion(d, 0), d);
        EXPECT_EQ(sep::Exclusion(d, 255), d == 0 ? 255 : 256 - d);
    }
}

TEST(SeparableFormulaTest, ColorBurnAndColorDodgeKnownAnswers) {
    ExpectChannelCases({
        {"ColorBurn", sep::ColorBurn, 128, 128, 2},
        {"ColorBurn", sep::ColorBurn, 127, 128, 0},
        {"ColorBurn", sep::ColorBurn, 129, 128, 4},
        {"ColorBurn", sep::ColorBurn, 255, 0, 255},
        {"ColorBurn", sep::ColorBurn, 254, 0, 0},
        {"ColorDodge", sep::ColorDodge, 126, 128, 252},
        {"ColorDodge", sep::ColorDodge, 127, 128, 255},
        {"ColorDodge", sep::ColorDodge, 1, 128, 2},
        {"ColorDodge", sep::ColorDodge, 0, 255, 0},
        {"ColorDodge", sep::ColorDodge, 1, 255, 255},
    });
}

// The table products equal the exact quotients for every pair.
TEST(SeparableFormulaTest, ColorBurnAndColorDodgeAreExactQuotients) {
    for (uint32_t d = 0; d < 256; ++d)
        for (uint32_t s = 0; s < 256; ++s) {
            uint32_t burn = d == 255 ? 255 : 0;
            if (s > 0) {
                const uint32_t q = 255 * (255 - d) / s;
                burn = q >= 256 ? 0 : 255 - q;
            }
            uint32_t dodge = d == 0 ? 0 : 255;
            if (s < 255) {
                const uint32_t q = 255 * d / (255 - s);
                dodge = q >= 256 ? 255 : q;
            }
            ASSERT_EQ(sep::ColorBurn(d, s), burn) << d << ", " << s;
            ASSERT_EQ(sep::ColorDodge(d, s), dodge) << d << ", " << s;
        }
    for (uint32_t v = 0; v < 256; ++v) {
        EXPECT_EQ(sep::ColorBurn(v, 255), v);
        EXPECT_EQ(sep::ColorDodge(v, 0), v);
    }
}

TEST(SeparableFormulaTest, ScreenOverlayHardLightSoftLightKnownAnswers) {
    ExpectChannelCases({
        {"Screen", sep::Screen, 128, 128, 192},
        {"Overlay", sep::Overlay, 127, 255, 254},
        {"Overlay", sep::Overlay, 128, 255, 255},
        {"Overlay", sep::Overlay, 127, 200, 199},
        {"Overlay", sep::Overlay, 128, 200, 200},
        {"Overlay", sep::Overlay, 255, 0, 254},
        {"Overlay", sep::Overlay, 100, 200, 157},
        {"HardLight", sep::HardLight, 200, 100, 156},
        {"HardLight", sep::HardLight, 200, 127, 198},
        {"HardLight", sep::HardLight, 200, 128, 200},
        {"HardLight", sep::HardLight, 255, 127, 253},
        {"SoftLight", sep::SoftLight, 128, 0, 65},
        {"SoftLight", sep::SoftLight, 64, 255, 127},
        {"SoftLight", sep::SoftLight, 64, 129, 64},
        {"SoftLight", sep::SoftLight, 64, 130, 65},
        {"SoftLight", sep::SoftLight, 0, 0, 0},
        {"SoftLight", sep::SoftLight, 0, 255, 0},
        {"SoftLight", sep::SoftLight, 255, 0, 255},
        {"SoftLight", sep::SoftLight, 255, 255, 255},
    });
}

// The neutral and extreme sources, for every destination value.
TEST(SeparableFormulaTest, ScreenOverlayHardLightSoftLightNeutralAndExtremeSources) {
    for (uint32_t d = 0; d < 256; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(sep::Overlay(d, 128), d);
        EXPECT_EQ(sep::HardLight(d, 128), d);
        EXPECT_EQ(sep::SoftLight(d, 128), d);
        EXPECT_EQ(sep::Screen(d, 0), d);
        EXPECT_EQ(sep::Screen(d, 255), 255u);
        EXPECT_EQ(sep::HardLight(d, 0), 0u);
        EXPECT_EQ(sep::HardLight(d, 255), d < 128 ? 254u : 255u);
        EXPECT_EQ(sep::Overlay(d, 0), d < 128 ? 0u : 2 * d - 256);
        EXPECT_EQ(sep::Overlay(d, 255), d < 128 ? 2 * d : 255u);
        for (uint32_t s = 0; s < 256; ++s) {
            ASSERT_LE(sep::Screen(d, s), 255u);
            ASSERT_LE(sep::SoftLight(d, s), 255u);
        }
    }
}

TEST(SeparableFormulaTest, LinearBurnLinearLightVividLightKnownAnswers) {
    ExpectChannelCases({
        {"LinearBurn", sep::LinearBurn, 255, 255, 254},
        {"LinearBurn", sep::LinearBurn, 128, 128, 0},
        {"LinearBurn", sep::LinearBurn, 200, 100, 44},
        {"LinearLight", sep::LinearLight, 100, 127, 98},
        {"LinearLight", sep::LinearLight, 100, 128, 100},
        {"LinearLight", sep::LinearLight, 100, 129, 102},
        {"LinearLight", sep::LinearLight, 0, 255, 254},
        {"LinearLight", sep::LinearLight, 77, 0, 0},
        {"VividLight", sep::VividLight, 100, 127, 100},
        {"VividLight", sep::VividLight, 100, 128, 100},
        {"VividLight", sep::VividLight, 0, 127, 0},
        {"VividLight", sep::VividLight, 1, 127, 0},
        {"VividLight", sep::VividLight, 2, 127, 2},
        {"VividLight", sep::VividLight, 3, 127, 3},
        {"VividLight", sep::VividLight, 1, 129, 1},
        {"VividLight", sep::VividLight, 253, 129, 255},
        {"VividLight", sep::VividLight, 254, 0, 0},
        {"VividLight", sep::VividLight, 255, 0, 255},
        {"VividLight", sep::VividLight, 0, 255, 0},
        {"VividLight", sep::VividLight, 1, 255, 255},
        {"VividLight", sep::VividLight, 0, 254, 0},
        {"VividLight", sep::VividLight, 1, 254, 85},
        {"VividLight", sep::VividLight, 2, 254, 170},
        {"VividLight", sep::VividLight, 3, 254, 255},
    });
    for (uint32_t v = 0; v < 256; ++v) {
        EXPECT_EQ(sep::LinearBurn(v, 0), 0u);
        EXPECT_EQ(sep::LinearBurn(v, 255), v == 0 ? 0 : v - 1);
        EXPECT_EQ(sep::VividLight(255, v), 255u);
        EXPECT_EQ(sep::VividLight(0, v), 0u);
    }
}

// ---------------------------------------------------------------------------
// Members: worked examples, one table per family

template <class Fn>
Draw P(Fn f) {
    return Plain(static_cast<blend::PlainFn>(f));
}
template <class Fn>
Draw O(Fn f, uint8_t opacity) {
    return Opacity(static_cast<blend::PlainOpacityFn>(f), opacity);
}

TEST_F(SeparableModesTest, DarkenLightenDifferenceExclusionWorkedExamples) {
    ExpectCases({
        {"Darken", P(&CSprite::BlendDarkenAlpha), 0xFF0000FF, 0xFFFF0000, 0xFF000000},
        {"Lighten", P(&CSprite::BlendLightenAlpha), 0xFF0000FF, 0xFFFF0000, 0xFFFF00FF},
        {"Difference self", P(&CSprite::BlendDifferenceAlpha), 0xFF336699, 0xFF336699, 0xFF000000},
        {"Difference black", P(&CSprite::BlendDifferenceAlpha), 0xFF000000, 0xFF336699, 0xFF336699},
        {"Difference white", P(&CSprite::BlendDifferenceAlpha), 0xFFFFFFFF, 0xFF336699, 0xFFCC9966},
        {"Exclusion white", P(&CSprite::BlendExclusionAlpha), 0xFFFFFFFF, 0xFF336699, 0xFFCD9A67},
        {"Exclusion white on white", P(&CSprite::BlendExclusionAlpha), 0xFFFFFFFF, 0xFFFFFFFF, 0xFF010101},
        {"Exclusion black", P(&CSprite::BlendExclusionAlpha), 0xFF000000, 0xFF336699, 0xFF336699},
        {"Exclusion 128", P(&CSprite::BlendExclusionAlpha), 0xFF808080, 0xFF808080, 0xFF808080},
        {"Darken full", P(&CSprite::BlendDarkenAlpha), 0xFF808080, 0x40FF8000, 0xFF808000},
        {"DarkenC", P(&CSprite::BlendDarkenCAlpha), 0xFF808080, 0x40FF8000, 0x40808000},
        {"LightenC half", P(&CSprite::BlendLightenCAlpha), 0x80A0A0A0, 0xFF204060, 0xFF607080},
        {"LightenC opacity 128", O(&CSprite::BlendLightenCAlphaOpacity, 128), 0xFFA0A0A0, 0xFF204060, 0xFF5F6F7F},
        {"Darken Alpha on clear", P(&CSprite::BlendDarkenAlpha), 0x80FFFFFF, 0x00000000, 0x80000000},
        {"Darken Merge on clear", P(&CSprite::BlendDarkenMerge), 0x80FFFFFF, 0x00000000, 0x80FFFFFF},
        {"DarkenC Alpha on clear", P(&CSprite::BlendDarkenCAlpha), 0x80FFFFFF, 0x00000000, 0x00000000},
        {"DarkenC Merge on clear", P(&CSprite::BlendDarkenCMerge), 0x80FFFFFF, 0x00000000, 0x00FFFFFF},
        {"Darken Alpha on 0x40", P(&CSprite::BlendDarkenAlpha), 0xFFFFFFFF, 0x40000000, 0xFF000000},
        {"Darken Merge on 0x40", P(&CSprite::BlendDarkenMerge), 0xFFFFFFFF, 0x40000000, 0xFFBFBFBF},
    });
}

TEST_F(SeparableModesTest, ColorBurnColorDodgeAndDestinationAlphaWorkedExamples) {
    ExpectCases({
        {"ColorBurn Alpha", P(&CSprite::BlendColorBurnAlpha), 0xFF808080, 0xFF336699, 0xFF000034},
        {"ColorBurn Merge", P(&CSprite::BlendColorBurnMerge), 0xFF808080, 0xFF336699, 0xFF000034},
        {"ColorDodge 0x40", P(&CSprite::BlendColorDodgeAlpha), 0xFF404040, 0xFF336699, 0xFF4488CC},
        {"ColorDodge 0x80", P(&CSprite::BlendColorDodgeAlpha), 0xFF808080, 0xFF336699, 0xFF66CCFF},
        {"ColorBurn white", P(&CSprite::BlendColorBurnAlpha), 0xFFFFFFFF, 0xFF336699, 0xFF336699},
        {"ColorDodge black", P(&CSprite::BlendColorDodgeAlpha), 0xFF000000, 0xFF336699, 0xFF336699},
        {"CopyCDestAlpha half", P(&CSprite::DrawCopyCDestAlpha), 0x00FF0000, 0x80000000, 0x807F0000},
        {"CopyCDestAlpha opaque", P(&CSprite::DrawCopyCDestAlpha), 0x00FF0000, 0xFF000000, 0xFFFF0000},
        {"CopyCDestAlpha clear", P(&CSprite::DrawCopyCDestAlpha), 0x00FF0000, 0x00123456, 0x00123456},
        {"CopyCDestCovered", P(&CSprite::DrawCopyCDestCovered), 0x00ABCDEF, 0x01000000, 0x01ABCDEF},
        {"CopyCDestCovered clear", P(&CSprite::DrawCopyCDestCovered), 0xFFABCDEF, 0x00123456, 0x00123456},
        {"BlendCDestCovered 255", O(&CSprite::DrawBlendCDestCovered, 255), 0xFFFFFFFF, 0x01000000, 0x01FEFEFE},
        {"BlendCDestCovered 0", O(&CSprite::DrawBlendCDestCovered, 0), 0xFFFFFFFF, 0x01000000, 0x01000000},
        {"BlendCDestCovered 128", O(&CSprite::DrawBlendCDestCovered, 128), 0x00FF0000, 0x80000000, 0x807F0000},
        {"BlendCDestCovered clear", O(&CSprite::DrawBlendCDestCovered, 128), 0xFFFFFFFF, 0x00123456, 0x00123456},
    });
}

TEST_F(SeparableModesTest, ScreenOverlayHardLightSoftLightWorkedExamples) {
    ExpectCases({
        {"ScreenC Alpha", P(&CSprite::BlendScreenCAlpha), 0xFF808080, 0x40808080, 0x40C0C0C0},
        {"Screen Alpha half", P(&CSprite::BlendScreenAlpha), 0x80808080, 0xFF404040, 0xFF707070},
        {"Screen Alpha on clear", P(&CSprite::BlendScreenAlpha), 0xFF808080, 0x00404040, 0xFFA0A0A0},
        {"Screen Merge on clear", P(&CSprite::BlendScreenMerge), 0xFF808080, 0x00404040, 0xFF808080},
        {"ScreenC Merge on clear", P(&CSprite::BlendScreenCMerge), 0x80808080, 0x00404040, 0x00808080},
        {"ScreenC opacity 128", O(&CSprite::BlendScreenCAlphaOpacity, 128), 0xFFFFFFFF, 0xFF000000, 0xFF7E7E7E},
        {"Screen opacity 254, a 0", O(&CSprite::BlendScreenAlphaOpacity, 254), 0x01FFFFFF, 0x00000000, 0x00000000},
        {"Screen opacity 254, a 1", O(&CSprite::BlendScreenAlphaOpacity, 254), 0x02FFFFFF, 0x00000000, 0x01FFFFFF},
        {"Overlay", P(&CSprite::BlendOverlayAlpha), 0xFF00FF80, 0xFF7F80C8, 0xFF00FFC8},
        {"HardLight", P(&CSprite::BlendHardLightAlpha), 0xFF7F80FF, 0xFFC8C8C8, 0xFFC6C8FF},
        {"SoftLight", P(&CSprite::BlendSoftLightAlpha), 0xFF00FF80, 0xFF804080, 0xFF417F80},
    });
}

TEST_F(SeparableModesTest, LinearBurnLinearLightVividLightWorkedExamples) {
    ExpectCases({
        {"LinearBurn", P(&CSprite::BlendLinearBurnAlpha), 0xFF40C080, 0xFF808080, 0xFF004000},
        {"LinearLight", P(&CSprite::BlendLinearLightAlpha), 0xFF40C080, 0xFF808080, 0xFF00FF80},
        {"VividLight", P(&CSprite::BlendVividLightAlpha), 0xFF40C080, 0xFF808080, 0xFF02FF80},
        {"LinearBurnC", P(&CSprite::BlendLinearBurnCAlpha), 0x8040C080, 0x40808080, 0x40406040},
        {"LinearLightC", P(&CSprite::BlendLinearLightCAlpha), 0x8040C080, 0x40808080, 0x4040BF80},
        {"VividLightC", P(&CSprite::BlendVividLightCAlpha), 0x8040C080, 0x40808080, 0x4041BF80},
    });
}

// ---------------------------------------------------------------------------
// Every member of the four families

std::vector<KernelEntry> SeparableMembers() {
    std::vector<KernelEntry> out;
    for (auto table : {blend::SeparableBasicKernels(), blend::SeparableDivideKernels(),
                       blend::SeparableLightKernels(), blend::SeparableLinearKernels()})
        out.insert(out.end(), table.begin(), table.end());
    return out;
}

const KernelEntry* FindMember(const std::vector<KernelEntry>& all, const char* name) {
    for (const auto& e : all)
        if (std::strcmp(e.name, name) == 0) return &e;
    return nullptr;
}

// What a blend member's name says: its mode's channel formula, form and method.
struct MemberKind {
    ChannelFn fn = nullptr;
    bool colourOnly = false;
    bool merge = false;
};

MemberKind KindOf(const std::string& name) {
    static const std::pair<const char*, ChannelFn> modes[] = {
        {"Darken", sep::Darken},         {"Lighten", sep::Lighten},         {"Difference", sep::Difference},
        {"Exclusion", sep::Exclusion},   {"ColorBurn", sep::ColorBurn},     {"ColorDodge", sep::ColorDodge},
        {"Screen", sep::Screen},         {"Overlay", sep::Overlay},         {"HardLight", sep::HardLight},
        {"SoftLight", sep::SoftLight},   {"LinearBurn", sep::LinearBurn},   {"LinearLight", sep::LinearLight},
        {"VividLight", sep::VividLight},
    };
    MemberKind kind;
    if (name.rfind("Blend", 0) != 0) return kind;
    for (const auto& [mode, fn] : modes) {
        const std::string prefix = std::string("Blend") + mode;
        if (name.rfind(prefix, 0) != 0) continue;
        std::string rest = name.substr(prefix.size());
        kind.colourOnly = rest[0] == 'C';
        if (kind.colourOnly) rest = rest.substr(1);
        if (rest.rfind("Alpha", 0) != 0 && rest.rfind("Merge", 0) != 0) continue;  // e.g. Lighten vs LightenX
        kind.fn = fn;
        kind.merge = rest.rfind("Merge", 0) == 0;
        return kind;
    }
    return kind;
}

// The compositing rules restated channel by channel.
uint32_t Composite(const MemberKind& k, uint32_t opacity, uint32_t s, uint32_t d) {
    const uint32_t sA = s >> 24, dA = d >> 24;
    const uint32_t a = opacity == 255 ? sA : (sA * opacity) >> 8;
    if (a == 0) return d;
    const uint32_t entry = AlphaUnionTable[a * 256 + dA];
    const uint32_t unionWeight = (entry >> 8) + 1;
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const uint32_t dc = (d >> shift) & 0xFF, sc = (s >> shift) & 0xFF;
        uint32_t b = k.fn(dc, sc);
        if (k.merge) {
            const uint32_t v = dA + (dA >> 7);
            b = (b * v + sc * (256 - v)) >> 8;
        }
        uint32_t c;
        if (a == 255) {
            c = b;
        } else {
            const uint32_t w = k.colourOnly && !k.merge ? a : unionWeight;
            c = (dc * (256 - w) + b * w) >> 8;
        }
        out |= c << shift;
    }
    const uint32_t alpha = k.colourOnly ? dA : a == 255 ? 255 : entry & 0xFF;
    return out | (alpha << 24);
}

TEST_F(SeparableModesTest, MemberTablesAreCompleteAndTwinned) {
    const std::vector<KernelEntry> all = SeparableMembers();
    EXPECT_EQ(all.size(), 13u * 12u + 3u);
    std::set<std::string> names;
    for (const auto& e : all) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(names.insert(e.name).second);
        if (e.plainTwin) {
            EXPECT_NE(FindMember(all, e.plainTwin), nullptr);
        }
        if (e.fullTwin) {
            EXPECT_NE(FindMember(all, e.fullTwin), nullptr);
        }
        if (std::string(e.name).rfind("Blend", 0) == 0) {
            EXPECT_NE(KindOf(e.name).fn, nullptr);
            EXPECT_EQ(e.form == Form::C, KindOf(e.name).colourOnly);
        }
    }
}

// Each plain member against the restated rules over random pixels, corners,
// sizes and clip rectangles: inside the clipped rectangle every pixel is the
// composite of its source pixel, outside nothing changes.
TEST_F(SeparableModesTest, PlainMembersFollowTheCompositingRules) {
    auto range = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % uint32_t(hi - lo + 1)); };
    for (const auto& e : SeparableMembers()) {
        if (e.shape != Shape::Plain && e.shape != Shape::PlainOpacity) continue;
        const MemberKind kind = KindOf(e.name);
        if (kind.fn == nullptr) continue;  // the destination-alpha draws have their own cases
        SCOPED_TRACE(e.name);
        for (int trial = 0; trial < 18; ++trial) {
            CSprite source, target;
            Make(source, 23, 17);
            Make(target, 29, 19);
            FillRandom(source, rng);
            FillRandom(target, rng);
            // Canvases that are opaque or transparent throughout take the
            // rows' shortcuts; random ones the union table.
            for (int32_t y = 0; y < 19; ++y)
                for (int32_t x = 0; x < 29; ++x) {
                    uint32_t& px = *target.PixelAt(x, y);
                    if (trial % 3 == 1) px |= 0xFF000000u;
                    if (trial % 3 == 2) px &= 0x00FFFFFFu;
                }
            CallArgs a;
            a.dx = range(-6, 30);
            a.dy = range(-6, 20);
            a.sx = range(-4, 24);
            a.sy = range(-4, 18);
            a.sw = range(-1, 30);
            a.sh = range(-1, 22);
            a.level = e.shape == Shape::PlainOpacity ? (trial == 0 ? 255u : uint32_t(range(1, 254))) : 255u;
            const int32_t left = range(-2, 12), top = range(-2, 8);
            target.SetClipRect(left, top, range(left, 31), range(top, 21));

            int32_t x = a.dx, y = a.dy, sx = a.sx, sy = a.sy, w = a.sw, h = a.sh;
            target.ClipBlit(x, y, source, sx, sy, w, h);
            std::vector<uint32_t> expected = Pixels(target);
            for (int32_t j = 0; j < h; ++j)
                for (int32_t i = 0; i < w; ++i) {
                    uint32_t& px = expected[size_t(y + j) * 29 + size_t(x + i)];
                    px = Composite(kind, a.level, *source.PixelAt(sx + i, sy + j), px);
                }
            Call(e, target, source, a);
            ASSERT_EQ(Pixels(target), expected) << "trial " << trial;
        }
    }
}

// Each mode's members compute exactly its channel formula for every byte pair
// (opaque pixels: the Alpha member writes B itself, the C form B's colour).
TEST_F(SeparableModesTest, MembersComputeTheChannelFormulaForEveryPair) {
    CSprite source;
    Make(source, 256, 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x)
            *source.PixelAt(int32_t(x), int32_t(y)) = 0xFF000000u | (y << 16) | ((255 - y) << 8) | (x ^ y);
    auto destination = [](uint32_t x, uint32_t y) { return 0xFF000000u | (x << 16) | ((255 - x) << 8) | y; };
    for (const auto& e : SeparableMembers()) {
        if (e.shape != Shape::Plain) continue;
        const MemberKind kind = KindOf(e.name);
        if (kind.fn == nullptr) continue;
        SCOPED_TRACE(e.name);
        CSprite target;
        Make(target, 256, 256);
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x) *target.PixelAt(int32_t(x), int32_t(y)) = destination(x, y);
        (target.*std::get<blend::PlainFn>(e.fn))(0, 0, source, 0, 0, 256, 256);
        int mismatches = 0;
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x) {
                const uint32_t s = *source.PixelAt(int32_t(x), int32_t(y)), d = destination(x, y);
                uint32_t expected = 0xFF000000u;
                for (int shift : {16, 8, 0}) expected |= kind.fn((d >> shift) & 0xFF, (s >> shift) & 0xFF) << shift;
                const uint32_t got = *target.PixelAt(int32_t(x), int32_t(y));
                if (got != expected && ++mismatches <= 3)
                    ADD_FAILURE() << std::hex << "source 0x" << s << " destination 0x" << d << ": 0x" << got
                                  << " instead of 0x" << expected;
            }
        EXPECT_EQ(mismatches, 0);
    }
}

// Stretched members at scale 1 equal their plain twins; opacity 0 draws
// nothing; opacity 255 equals the full-opacity member.
TEST_F(SeparableModesTest, StretchedAndOpacityMembersMatchTheirTwins) {
    const std::vector<KernelEntry> all = SeparableMembers();
    auto range = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % uint32_t(hi - lo + 1)); };
    for (const auto& e : all) {
        if (e.shape != Shape::Stretched && e.shape != Shape::StretchedOpacity && e.shape != Shape::PlainOpacity)
            continue;
        SCOPED_TRACE(e.name);
        for (int trial = 0; trial < 8; ++trial) {
            CSprite source, target, twinTarget;
            Make(source, 23, 17);
            Make(target, 29, 19);
            FillRandom(source, rng);
            FillRandom(target, rng);
            const int32_t left = range(-2, 12), top = range(-2, 8);
            target.SetClipRect(left, top, range(left, 31), range(top, 21));
            CopyState(target, twinTarget);
            const std::vector<uint32_t> before = Pixels(target);
            CallArgs a;
            a.dx = range(-6, 30);
            a.dy = range(-6, 20);
            a.sx = range(-4, 20);
            a.sy = range(-4, 14);
            a.sw = range(1, 20);
            a.sh = range(1, 14);
            a.dw = a.sw;
            a.dh = a.sh;
            a.level = uint32_t(range(1, 254));

            if (e.shape != Shape::Stretched) {
                CallArgs none = a;
                none.level = 0;
                Call(e, target, source, none);
                ASSERT_EQ(Pixels(target), before) << "opacity 0";
                if (e.fullTwin) {
                    CallArgs full = a;
                    full.level = 255;
                    Call(e, target, source, full);
                    Call(*FindMember(all, e.fullTwin), twinTarget, source, a);
                    ASSERT_EQ(Pixels(target), Pixels(twinTarget)) << "opacity 255";
                    CopyState(target, twinTarget);
                }
            }
            if (e.plainTwin) {
                // At scale 1 over the source's own bounds the samples are the
                // plain draw's pixels (the plain twin clips the same way).
                if (a.sx < 0 || a.sy < 0 || a.sx + a.sw > 23 || a.sy + a.sh > 17) continue;
                Call(e, target, source, a);
                Call(*FindMember(all, e.plainTwin), twinTarget, source, a);
                ASSERT_EQ(Pixels(target), Pixels(twinTarget)) << "scale 1";
            }
        }
    }
}

// A C-form member never changes an alpha byte; any member leaves pixels under
// a transparent source alone, whatever it is drawn over.
TEST_F(SeparableModesTest, ColourFormsKeepAlphaAndTransparentSourcesDrawNothing) {
    for (const auto& e : SeparableMembers()) {
        SCOPED_TRACE(e.name);
        CSprite source, target;
        Make(source, 16, 16);
        Make(target, 16, 16);
        FillRandom(source, rng);
        FillRandom(target, rng);
        for (int32_t y = 0; y < 16; ++y) *source.PixelAt(y, y) &= 0x00FFFFFFu;  // transparent diagonal
        const std::vector<uint32_t> before = Pixels(target);
        CallArgs a;
        a.sw = a.sh = a.dw = a.dh = 16;
        a.level = 200;
        Call(e, target, source, a);
        const std::vector<uint32_t> after = Pixels(target);
        const bool destinationGated = std::string(e.name).rfind("Draw", 0) == 0;
        for (size_t i = 0; i < after.size(); ++i) {
            if (e.form == Form::C) {
                ASSERT_EQ(after[i] >> 24, before[i] >> 24) << i;
            }
            if (!destinationGated && i % 17 == 0) {
                ASSERT_EQ(after[i], before[i]) << i;
            }
        }
    }
}

}  // namespace
