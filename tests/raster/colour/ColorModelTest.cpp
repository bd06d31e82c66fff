// Colour models: the known answers of the conversions (widenings, channel
// classification ties, table rounding, truncation of negative products, the
// HSLY darken/lighten), the colour-code decoder, an exhaustive round trip over
// every RGB colour, and tolerance checks against floating-point references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <cstdint>
#include <limits>

#include "raster/colour/ColorModel.h"

namespace {

struct Triple {
    int32_t a, b, c;
    bool operator==(const Triple&) const = default;
};

void PrintTo(const Triple& t, std::ostream* os) { *os << "(" << t.a << ", " << t.b << ", " << t.c << ")"; }

Triple ToHSV(uint32_t p) {
    Triple t{};
    RGBToHSV(p, t.a, t.b, t.c);
    return t;
}
Triple ToHSL(uint32_t p) {
    Triple t{};
    RGBToHSL(p, t.a, t.b, t.c);
    return t;
}
Triple ToHSLY(uint32_t p) {
    Triple t{};
    RGBToHSLY(p, t.a, t.b, t.c);
    return t;
}

TEST(ColorModelTest, HueStepTableFollowsItsRoundingRule) {
    EXPECT_EQ(HueStepTable[0], 1006632960u);
    EXPECT_EQ(HueStepTable[1], 1006632960u);
    for (uint64_t n = 1; n < 256; ++n)
        EXPECT_EQ(HueStepTable[n], ((60ull << 24) + n / 2) / n) << "n = " << n;
    // Rounded entries: d = n can come out 59 instead of 60.
    EXPECT_EQ((11u * HueStepTable[11]) >> 24, 59u);
    EXPECT_EQ((1u * HueStepTable[1]) >> 24, 60u);
}

// Known conversions from RGB, one row per colour and model (-1 = not checked).
TEST(ColorModelTest, FromRGBKnownAnswers) {
    struct Case {
        uint32_t pixel;
        Triple hsv, hsl, hsly;
    };
    constexpr Triple kAny{-1, -1, -1};
    const Case cases[] = {
        {0xFF0000, {0, 256, 256}, {0, 256, 128}, {0, 256, 76}},
        {0xFFFFFF, {0, 0, 256}, {0, 0, 256}, {0, 0, 255}},
        {0x808080, {0, 0, 128}, {0, 0, 129}, {0, 0, 128}},   // HSL widening: 128 -> 129
        {0x7F7F7F, {0, 0, 127}, {0, 0, 127}, {0, 0, 127}},
        {0xC86432, {19, 192, 200}, {19, 153, 125}, {19, 153, 124}},  // exact hue would be 20
        {0x0B0B0B, {0, 0, 11}, {0, 0, 11}, {0, 0, 11}},
        {0x000001, {240, 256, 1}, {0, 0, 0}, {0, 0, 0}},     // HSL: M - m <= 1 means grey
        {0x020000, kAny, {0, 256, 1}, {0, 256, 0}},
        {0x00FF00, {120, 256, 256}, {120, 256, 128}, {120, 256, 149}},
        {0x0000FF, {240, 256, 256}, {240, 256, 128}, {240, 256, 29}},
        {0xAB12CD7F, kAny, kAny, kAny},                      // alpha ignored: compared below
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.pixel);
        if (c.hsv != kAny) {
            EXPECT_EQ(ToHSV(c.pixel), c.hsv);
        }
        if (c.hsl != kAny) {
            EXPECT_EQ(ToHSL(c.pixel), c.hsl);
        }
        if (c.hsly != kAny) {
            EXPECT_EQ(ToHSLY(c.pixel), c.hsly);
        }
        EXPECT_EQ(ToHSV(c.pixel), ToHSV(c.pixel & 0xFFFFFF));
        EXPECT_EQ(ToHSL(c.pixel), ToHSL(c.pixel & 0xFFFFFF));
        EXPECT_EQ(ToHSLY(c.pixel), ToHSLY(c.pixel & 0xFFFFFF));
    }
}

// Channel classification: ties go to R before G, B wins only when strictly
// greater; with rounded table entries a full spread gives 59 (or 1 short of the
// next primary), and a red maximum with the middle just above gives 360 -> 0.
TEST(ColorModelTest, ClassificationTiesAndHueRounding) {
    const struct {
        uint32_t pixel;
        int32_t hue;
    } cases[] = {
        {0x0B0B00, 59},  {0x000B0B, 179}, {0x0B000B, 301}, {0xFFFF00, 59},  {0x00FFFF, 179},
        {0xFF00FF, 301}, {0xFF0001, 0},   {0xFF0100, 0},   {0x01FF00, 120}, {0x00FF01, 120},
        {0x0100FF, 240}, {0x0001FF, 240}, {0x0A0A05, 60},  {0x050A0A, 180}, {0x0A050A, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.pixel);
        EXPECT_EQ(ToHSV(c.pixel).a, c.hue);
        EXPECT_EQ(ToHSL(c.pixel).a, c.hue);
        EXPECT_EQ(ToHSLY(c.pixel).a, c.hue);
    }
}

TEST(ColorModelTest, ToRGBKnownAnswers) {
    const struct {
        uint32_t got, expected;
    } cases[] = {
        {HSLToRGB(0, 256, 128), 0xFF0000},
        {HSLYToRGB(0, 256, 76), 0xFF0000},
        {HSVToRGB(0, 256, 256), 0xFF0000},
        // Falling edges truncate the negative product toward zero, rising ones
        // the positive product.
        {HSVToRGB(359, 256, 256), 0xFF0005},
        {HSVToRGB(-1, 256, 256), 0xFF0005},
        {HSLToRGB(-1, 256, 128), 0xFF0005},
        {HSVToRGB(119, 256, 256), 0x05FF00},
        {HSVToRGB(1, 256, 256), 0xFF0400},
        {HSVToRGB(179, 256, 256), 0x00FFFA},
        {HSVToRGB(181, 256, 256), 0x00FBFF},
        {HSLYToRGB(0, 256, 255), 0xFFFDFD},
        {HSLYToRGB(0, 256, 128), 0xFF4747},  // luma 126: the target is not always met
        {HSVToRGB(200, 128, 128), 0x406B80},
        {HSLToRGB(200, 128, 192), 0x9FCADF},
        {HSLToRGB(200, 128, 64), 0x204A5F},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].got, cases[i].expected) << "case " << i << std::hex << " got " << cases[i].got;
    EXPECT_EQ(LumaOf(0xFF4747), 126);
}

// Hue reduction and the clamping of the other components, for all three models.
TEST(ColorModelTest, ToRGBReducesHueAndClampsComponents) {
    using Convert = uint32_t (*)(int32_t, int32_t, int32_t);
    const Convert converts[] = {HSVToRGB, HSLToRGB, HSLYToRGB};
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t hue, same;
    } hues[] = {{-1, 359}, {-360, 0}, {360, 0}, {1023, 303}, {-1024, 56}, {-721, 359}, {kMin, 232}, {kMax, 127}};
    for (Convert f : converts) {
        for (const auto& h : hues) EXPECT_EQ(f(h.hue, 200, 100), f(h.same, 200, 100)) << h.hue;
        EXPECT_EQ(f(77, 300, 90), f(77, 256, 90));
        EXPECT_EQ(f(77, -5, 90), f(77, 0, 90));
        EXPECT_EQ(f(77, 150, 300), f(77, 150, 256));
        EXPECT_EQ(f(77, 150, -5), f(77, 150, 0));
        EXPECT_EQ(f(77, kMin, kMax), f(77, 0, 256));
    }
}

// White and black ends: saturation 0 at full value or lightness is white, a
// third component of 0 is black; HSLY reaches exactly white at 256 and black at
// 0 for every hue and saturation.
TEST(ColorModelTest, ToRGBEnds) {
    for (int32_t h = -360; h < 360; ++h) {
        for (int32_t s = 0; s <= 256; ++s) {
            ASSERT_EQ(HSLYToRGB(h, s, 256), 0xFFFFFFu) << h << " " << s;
            ASSERT_EQ(HSLYToRGB(h, s, 0), 0u) << h << " " << s;
            ASSERT_EQ(HSLToRGB(h, s, 0), 0u);
            ASSERT_EQ(HSVToRGB(h, s, 0), 0u);
            ASSERT_EQ(HSLToRGB(h, s, 256), 0xFFFFFFu);
        }
        ASSERT_EQ(HSVToRGB(h, 0, 256), 0xFFFFFFu);
        ASSERT_EQ(HSLToRGB(h, 0, 256), 0xFFFFFFu);
    }
}

uint32_t Code(uint32_t model, uint32_t hueField, uint32_t s, uint32_t t) {
    return (model << 30) | ((hueField & 0x7FF) << 18) | ((s & 0x1FF) << 9) | (t & 0x1FF);
}

TEST(ColorModelTest, DecodeColorCode) {
    const struct {
        uint32_t code, expected;
    } cases[] = {
        {0x00123456, 0x00123456},                 // plain RGB, unchanged
        {0x3F123456, 0x3F123456},                 // bits 24-29 of an RGB code kept as they are
        {Code(1, 0, 256, 256), 0xFF0000},         // HSV
        {Code(1, 0x7FF, 256, 256), 0xFF0005},     // hue field -1 -> 359
        {Code(1, 0x400, 256, 256), HSVToRGB(56, 256, 256)},   // -1024
        {Code(1, 0x3FF, 256, 256), HSVToRGB(303, 256, 256)},  // 1023
        {Code(1, 120, 511, 511), 0x00FF00},       // 9-bit fields capped at 256
        {Code(1, 120, 257, 300), 0x00FF00},
        {Code(1, 120, 256, 511) | (1u << 29), 0x00FF00},  // bit 29 is not read
        {Code(2, 0, 256, 128), 0xFF0000},         // HSL
        {Code(2, 0x7FF, 256, 128), 0xFF0005},
        {Code(2, 200, 128, 192), 0x9FCADF},
        {Code(3, 0, 256, 76), 0xFF0000},          // HSLY
        {Code(3, 0, 256, 255), 0xFFFDFD},
        {Code(3, 240, 100, 511), 0xFFFFFF},
        {Code(3, 240, 100, 0), 0x000000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeColorCode(c.code), c.expected) << std::hex << c.code << " -> " << DecodeColorCode(c.code);
}

// Every model reads its codes alike: hue bits 0 with the sign bit is -1024,
// which the conversion takes as 56 degrees (-1024 = -3 x 360 + 56); a 9-bit
// component above 256 is full strength.
TEST(ColorModelTest, DecodeColorCodeEdgesInEveryModel) {
    for (uint32_t model = 1; model <= 3; ++model) {
        SCOPED_TRACE(model);
        EXPECT_EQ(DecodeColorCode(Code(model, 0x400, 256, 128)), DecodeColorCode(Code(model, 56, 256, 128)));
        EXPECT_EQ(DecodeColorCode(Code(model, 0x7FF, 200, 100)), DecodeColorCode(Code(model, 359, 200, 100)));
        EXPECT_EQ(DecodeColorCode(Code(model, 40, 300, 100)), DecodeColorCode(Code(model, 40, 256, 100)));
        EXPECT_EQ(DecodeColorCode(Code(model, 40, 180, 300)), DecodeColorCode(Code(model, 40, 180, 256)));
        EXPECT_EQ(DecodeColorCode(Code(model, 40, 180, 90) | (1u << 29)), DecodeColorCode(Code(model, 40, 180, 90)));
    }
    // The 56 degrees themselves: HSV at full saturation and value is red with
    // green 56/60 of full, give or take the integer steps.
    const uint32_t hue56 = DecodeColorCode(Code(1, 0x400, 256, 256));
    EXPECT_EQ(hue56 & 0xFF00FFu, 0xFF0000u);
    EXPECT_NEAR(static_cast<double>((hue56 >> 8) & 0xFF), 255.0 * 56 / 60, 2.0);
}

// The components of a code as the colour-model kinds take them.
TEST(ColorModelTest, SplitColorCode) {
    const struct {
        uint32_t code;
        int32_t hue, saturation, third;
    } cases[] = {
        {Code(1, 0, 0, 0), 0, 0, 0},
        {Code(1, 0x3FF, 256, 256), 1023, 256, 256},
        {Code(2, 0x400, 257, 511), -1024, 256, 256},  // sign bit alone; both fields capped
        {Code(3, 0x7FF, 255, 1), -1, 255, 1},
        {Code(0, 120, 100, 200), 120, 100, 200},              // the model bits are not read
        {Code(1, 120, 100, 200) | (1u << 29), 120, 100, 200},  // nor bit 29
    };
    for (const auto& c : cases) {
        const ColorCodeComponents got = SplitColorCode(c.code);
        EXPECT_EQ(got.hue, c.hue) << std::hex << c.code;
        EXPECT_EQ(got.saturation, c.saturation) << std::hex << c.code;
        EXPECT_EQ(got.third, c.third) << std::hex << c.code;
    }
}

// RGB -> model -> RGB over every colour, with the bounds the integer rules
// allow. Measured maxima at the time of writing: HSV 5, HSL 7 (per channel),
// HSLY luma 3.
//
// HSV: the hue comes back at most 1 degree off (the truncation of the table
// product loses < 1, a rounded-up entry costs at most reaching 60 d / n exactly
// instead of just below); a degree is 17/4 of a pure channel and the pure colour
// truncates once more (< 1), a shift the saturation and value scale by at most
// 1: < 5.25. The floor of the saturation (< 1 unit of 256) and the two
// truncating divisions of the value step (< 2) add the rest: < 8.25, so 8.
// HSL: the same < 5.25 from the hue; lightness halving and the widening
// x + (x >> 7) move L by <= 1; the saturation floor < 1; the two truncating
// steps c1 and c2 < 2: < 9.25, so 9.
// HSLY does not round-trip RGB: the luma is met only approximately and near
// white or black one unit of luma can move a channel by many units, so its
// bound is on the luma. Lighten: k truncates (< 1 step of (256 - Y0) / 128 <= 2
// units of luma); the ideal lighten itself lands (Y - Y0) / (256 - Y0) <= 1
// below Y because it aims at 255, not 256; the channel truncations and the luma
// floor < 1 each: < 5, so 4. Darken is the mirror (k step Y0 / 128 <= 2).
// The saturation of a round trip (HSL and HSLY) and hue of any grey stay 0.
TEST(ColorModelTest, ExhaustiveRoundTripBounds) {
    int32_t worst[3] = {0, 0, 0};
    for (uint32_t p = 0; p < (1u << 24); ++p) {
        int32_t h = 0, s = 0, t = 0;
        int32_t err[3] = {0, 0, 0};
        RGBToHSV(p, h, s, t);
        ASSERT_TRUE(h >= 0 && h < 360 && s >= 0 && s <= 256 && t >= 0 && t <= 256) << std::hex << p;
        uint32_t back = HSVToRGB(h, s, t);
        for (int sh = 0; sh < 24; sh += 8)
            err[0] = std::max(err[0], std::abs(static_cast<int32_t>((p >> sh) & 0xFF) -
                                               static_cast<int32_t>((back >> sh) & 0xFF)));

        RGBToHSL(p, h, s, t);
        ASSERT_TRUE(h >= 0 && h < 360 && s >= 0 && s <= 256 && t >= 0 && t <= 256) << std::hex << p;
        back = HSLToRGB(h, s, t);
        for (int sh = 0; sh < 24; sh += 8)
            err[1] = std::max(err[1], std::abs(static_cast<int32_t>((p >> sh) & 0xFF) -
                                               static_cast<int32_t>((back >> sh) & 0xFF)));

        RGBToHSLY(p, h, s, t);
        ASSERT_TRUE(h >= 0 && h < 360 && s >= 0 && s <= 256 && t >= 0 && t <= 255) << std::hex << p;
        err[2] = std::abs(LumaOf(HSLYToRGB(h, s, t)) - t);

        for (int m = 0; m < 3; ++m) worst[m] = std::max(worst[m], err[m]);
        if (err[0] > 8 || err[1] > 9 || err[2] > 4) {
            ADD_FAILURE() << std::hex << p << std::dec << " errors " << err[0] << " " << err[1] << " " << err[2];
            return;
        }
    }
    RecordProperty("worst_hsv", worst[0]);
    RecordProperty("worst_hsl", worst[1]);
    RecordProperty("worst_hsly_luma", worst[2]);
}

struct ColorsysRow {
    uint32_t rgb;
    double h, s, v;        // colorsys.rgb_to_hsv, 0..1
    double hh, l, sl;      // colorsys.rgb_to_hls, 0..1
    double luma601;        // 0.299 R + 0.587 G + 0.114 B
};
const ColorsysRow kColorsys[] = {
#include "tests/raster/colour/ColorsysTable.inc"
};

double HueDistance(double a, double b) {
    const double d = std::fabs(a - b);
    return d > 180 ? 360 - d : d;
}

// Against floating-point HSV/HLS (scaled to degrees and 0..256) and Rec. 601
// luma. Tolerances:
// - hue 1 degree wherever both saturations are non-zero (the table product
//   truncates; see the round-trip comment);
// - HSV: value within 1 (255 widens to 256, x < 255 stays x where 256 x / 255
//   is up to 1 more); saturation within 1 (its floor, and for a maximum of 255
//   the widening shifts it by min / 255 the other way);
// - HSL: lightness within 1 (the widening x + (x >> 7) is within 1/2 of
//   256 x / 255, the halving loses up to 1/2); saturation within
//   2 + 128 / min(L, 256 - L): halving drops up to half a unit of L - m, which
//   dividing by L (or 256 - L) magnifies, plus widening and floor; this also
//   covers M - m <= 1 reading as grey;
// - luma within 1: the weights add up to 131330 / 2^17 (white reaches 255.5
//   before the floor) and the floor loses < 1.
TEST(ColorModelTest, AgreesWithFloatingPointReferences) {
    // colorsys's hue of an exact whole degree can land a hair above it.
    constexpr double kHueTolerance = 1.0 + 1e-9;
    for (const ColorsysRow& r : kColorsys) {
        SCOPED_TRACE(testing::Message() << std::hex << r.rgb);
        const Triple hsv = ToHSV(r.rgb);
        if (hsv.b > 0 && r.s > 0) {
            EXPECT_LE(HueDistance(hsv.a, r.h * 360), kHueTolerance);
        }
        EXPECT_LE(std::fabs(hsv.b - r.s * 256), 1.0);
        EXPECT_LE(std::fabs(hsv.c - r.v * 256), 1.0);

        const Triple hsl = ToHSL(r.rgb);
        const double l = r.l * 256;
        if (hsl.b > 0 && r.sl > 0) {
            EXPECT_LE(HueDistance(hsl.a, r.hh * 360), kHueTolerance);
        }
        EXPECT_LE(std::fabs(hsl.c - l), 1.0);
        if (l > 0 && l < 256) {
            EXPECT_LE(std::fabs(hsl.b - r.sl * 256), 2 + 128 / std::min(l, 256 - l));
        }

        EXPECT_LT(std::fabs(ToHSLY(r.rgb).c - r.luma601), 1.0);
        EXPECT_LT(std::fabs(LumaOf(r.rgb) - r.luma601), 1.0);
    }
}

}  // namespace
