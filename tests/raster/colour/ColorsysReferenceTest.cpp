// The single-colour conversions of the HSV and HSL models against Python's
// colorsys (floating point), over a few thousand colours and model inputs:
// a coarse grid, every grey and primary level, colours next to a hue sector
// boundary and next to grey. The table is generated once by
// data/make_colorsys_reference.py; nothing here needs Python.
//
// Units: colorsys works in 0..1 throughout. The system's hue is in whole
// degrees (x 360), saturation, value and lightness on 0..256 (x 256), and RGB
// channels on 0..255 (x 255). Every tolerance below is the bound that the
// integer rules allow, derived next to it; none is fitted to the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/colour/ColorModel.h"

namespace colorsys_reference_test {

struct ColorsysFromRGB {
    uint32_t rgb;
    double h, s, v;    // rgb_to_hsv
    double hh, l, sl;  // rgb_to_hls
};
struct ColorsysToRGB {
    int32_t hue, saturation, third;  // the system's units
    double hsv[3];                   // hsv_to_rgb(hue / 360, s / 256, third / 256) x 255
    double hls[3];                   // hls_to_rgb(hue / 360, third / 256, s / 256) x 255
};
#include "tests/raster/colour/data/ColorsysReference.inc"

double HueDistance(double a, double b) {
    const double d = std::fabs(a - b);
    return d > 180 ? 360 - d : d;
}

// colorsys's own rounding: a hue of an exact whole degree or a level of an
// exact fraction can land a hair beyond it, and the table keeps 10 digits.
constexpr double kSlack = 1e-6;

// RGB -> HSV and RGB -> HSL.
// - Hue (only where both saturations are above 0; a grey has hue 0 by rule):
//   within 1 degree. The hue step comes from a table product that truncates
//   (loses < 1) and whose rounded entries can make 60 d / n land just below a
//   whole degree (60 reads as 59): < 1 either way, and the sector bases are
//   exact. The channels are not widened for the hue, so no scale enters.
// - HSV value: within 1. The maximum widens to x + 1 only at 255 (then it is
//   exact); below that x stands for 256 x / 255, which is up to 1 more.
// - HSV saturation: within 1 + 1/128. 256 (V - m) / V is floored (< 1); the
//   reciprocal entry is rounded up, adding at most (V - m) / 2^15 <= 1/128; for
//   a maximum of 255 the widening takes V to 256 but leaves m, which raises the
//   saturation by m / 255 < 1 while the floor of an exact whole number loses
//   nothing, so that case stays below 1 as well.
// - HSL lightness: within 1. x + (x >> 7) is within 1/2 of 256 x / 255 for each
//   of the maximum and the minimum, so their mean is within 1/2, and the
//   halving floors (up to 1/2 more).
// - HSL saturation: within 2 + 128 / min(L, 256 - L). The floor of (M - m) / 2
//   drops up to 1/2 from L - m; the ratio (L - m) / L (or (M - L) / (256 - L))
//   magnifies that by 256 / L, i.e. 128 / L; the widenings shift the ratio by
//   about as much again but at most 1 unit once L is away from the ends, and
//   the final floor and the rounded-up reciprocal add < 1 + 1/128. With M - m
//   <= 1 the rule reads the colour as grey, which that bound also covers.
TEST(ColorsysReferenceTest, FromRGBWithinTheIntegerBounds) {
    double worst[6] = {};
    for (const ColorsysFromRGB& r : kFromRGB) {
        SCOPED_TRACE(testing::Message() << "0x" << std::hex << r.rgb);
        int32_t h = 0, s = 0, v = 0;
        RGBToHSV(r.rgb, h, s, v);
        const double hsvHue = (s > 0 && r.s > 0) ? HueDistance(h, r.h * 360) : 0;
        const double hsvSat = std::fabs(s - r.s * 256), hsvValue = std::fabs(v - r.v * 256);
        EXPECT_LE(hsvHue, 1 + kSlack) << "HSV hue " << h << " vs " << r.h * 360;
        EXPECT_LE(hsvSat, 1 + 1.0 / 128 + kSlack) << "HSV saturation " << s << " vs " << r.s * 256;
        EXPECT_LE(hsvValue, 1 + kSlack) << "HSV value " << v << " vs " << r.v * 256;

        int32_t hl = 0, sl = 0, l = 0;
        RGBToHSL(r.rgb, hl, sl, l);
        const double lightness = r.l * 256;
        const double hslHue = (sl > 0 && r.sl > 0) ? HueDistance(hl, r.hh * 360) : 0;
        const double hslSat = std::fabs(sl - r.sl * 256), hslLight = std::fabs(l - lightness);
        EXPECT_LE(hslHue, 1 + kSlack) << "HSL hue " << hl << " vs " << r.hh * 360;
        EXPECT_LE(hslLight, 1 + kSlack) << "HSL lightness " << l << " vs " << lightness;
        if (lightness > 0 && lightness < 256) {
            EXPECT_LE(hslSat, 2 + 128 / std::min(lightness, 256 - lightness) + kSlack)
                << "HSL saturation " << sl << " vs " << r.sl * 256 << " at lightness " << lightness;
        } else {
            EXPECT_EQ(sl, 0) << "black and white have no saturation";
        }
        const double errors[6] = {hsvHue, hsvSat, hsvValue, hslHue, hslSat, hslLight};
        for (int i = 0; i < 6; ++i) worst[i] = std::max(worst[i], errors[i]);
    }
    RecordProperty("worst_hsv", testing::PrintToString(std::vector<double>(worst, worst + 3)));
    RecordProperty("worst_hsl", testing::PrintToString(std::vector<double>(worst + 3, worst + 6)));
}

// HSV -> RGB and HSL -> RGB, each channel within 3 levels of colorsys x 255.
// Both start from the pure colour of the hue, 17 x / 4 per degree, which is
// 255 x / 60 exactly but truncated toward zero: within 1 level (p below).
// - HSV: the rule computes V - V ((256 - c) S / 256) / 256 and keeps it as the
//   level (256 becomes 255), where colorsys gives 255/256 (V - V S (255 - p) /
//   65536). With A = V S / 65536 <= 1 the exact rule differs from colorsys by
//   V / 256 - A (1 + p - c), inside (-2, 1]; the two truncating divisions
//   raise the result by less than 2 and the 256 -> 255 step lowers it by at
//   most 1: the difference stays inside (-3, 3).
// - HSL: the colour at lightness 128 is 128 + (c - 128) S / 256 against
//   colorsys's 127.5 + (p - 127.5) S / 256: the midpoint (1/2), the pure
//   colour (< 1) and the truncation toward zero (< 1) give less than 2.5
//   either way; darkening (c1 L / 128) or lightening (c1 + (255 - c1)(L -
//   128) / 128) scales that by at most 1 and truncates once more (< 1): < 3.
TEST(ColorsysReferenceTest, ToRGBWithinThreeLevels) {
    double worst[2] = {};
    for (const ColorsysToRGB& r : kToRGB) {
        SCOPED_TRACE(testing::Message() << "hue " << r.hue << " saturation " << r.saturation << " third "
                                        << r.third);
        const uint32_t hsv = HSVToRGB(r.hue, r.saturation, r.third);
        const uint32_t hsl = HSLToRGB(r.hue, r.saturation, r.third);
        EXPECT_EQ(hsv >> 24, 0u);
        EXPECT_EQ(hsl >> 24, 0u);
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const double hsvError = std::fabs(static_cast<double>((hsv >> shift) & 0xFF) - r.hsv[c]);
            const double hslError = std::fabs(static_cast<double>((hsl >> shift) & 0xFF) - r.hls[c]);
            EXPECT_LT(hsvError, 3.0) << "HSV channel " << c << " 0x" << std::hex << hsv;
            EXPECT_LT(hslError, 3.0) << "HSL channel " << c << " 0x" << std::hex << hsl;
            worst[0] = std::max(worst[0], hsvError);
            worst[1] = std::max(worst[1], hslError);
        }
    }
    RecordProperty("worst_hsv", std::to_string(worst[0]));
    RecordProperty("worst_hsl", std::to_string(worst[1]));
}

}  // namespace colorsys_reference_test
