#pragma once
// The arithmetic of the colour-model conversions in small inline pieces, shared
// by the single-colour functions (ColorModel.cpp) and every per-pixel kernel
// that converts between RGB and a model: they must give bit-identical results,
// so they all go through these pieces.
//
// No floating point and no division by a variable: divisions by a channel
// spread or a component go through HueStepTable and ReciprocalTable; the
// remaining divisions are by constants and truncate toward zero also for
// negative dividends (C++ integer division), which is part of the definition.
#include <array>
#include <cstddef>
#include <cstdint>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace colour_detail {

// ---- Tables ----

// Entry n of HueStepTable: 60 x 2^24 / n rounded to nearest; entry 0 repeats
// entry 1 so a zero spread (whose product is 0 anyway) needs no test.
constexpr uint32_t HueStep(uint32_t n) noexcept {
    constexpr uint32_t kSixty = 60u << 24;
    return n == 0 ? kSixty : (kSixty + n / 2) / n;
}

// The fully saturated colour of each hue 0..359, 0x00RRGGBB. The falling edges
// divide a negative product by 4 with truncation toward zero (hue 119 gives
// R = 5, hue 359 gives B = 5, while the rising hue 1 gives G = 4).
constexpr uint32_t PureHue(int32_t h) noexcept {
    int32_t r = 0, g = 0, b = 0;
    switch (h / 60) {
        case 0: r = 255; g = 17 * h / 4; break;
        case 1: r = 17 * (60 - h) / 4 + 255; g = 255; break;
        case 2: g = 255; b = 17 * (h - 120) / 4; break;
        case 3: g = 17 * (180 - h) / 4 + 255; b = 255; break;
        case 4: r = 17 * (h - 240) / 4; b = 255; break;
        default: r = 255; b = 17 * (300 - h) / 4 + 255; break;
    }
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

constexpr std::array<uint32_t, 360> MakePureHueTable() noexcept {
    std::array<uint32_t, 360> t{};
    for (int32_t h = 0; h < 360; ++h) t[static_cast<std::size_t>(h)] = PureHue(h);
    return t;
}
inline constexpr std::array<uint32_t, 360> kPureHueTable = MakePureHueTable();

// ---- Towards RGB ----

// Saturation, value, lightness and luma inputs: clamped to 0..256.
constexpr int32_t ClampComponent(int32_t v) noexcept { return v < 0 ? 0 : (v > 256 ? 256 : v); }

// Any hue into 0..359 (-1 is 359, -360 and 360 are 0).
constexpr int32_t ReduceHue(int32_t hue) noexcept {
    if (hue < 0) hue = hue % 360 + 360;
    return hue % 360;
}

// Pure colour of a reduced hue (0..359).
inline uint32_t PureColour(int32_t reducedHue) noexcept { return kPureHueTable[static_cast<std::size_t>(reducedHue)]; }

// A channel of the pure colour moved toward mid-grey 128 by saturation S (0..256):
// the channel at lightness 128, 0..255. The product is negative below 128 and
// its division truncates toward zero, as the definition requires.
inline int32_t SaturateChannel(int32_t c, int32_t s) noexcept { return (c - 128) * s / 256 + 128; }

// A channel at lightness 128 taken to lightness L (0..256). Both products are
// non-negative, so the divisions by 128 are plain shifts.
inline int32_t LightenChannel(int32_t c1, int32_t l) noexcept {
    const uint32_t u = static_cast<uint32_t>(c1);
    return static_cast<int32_t>(l > 128 ? u + (((255u - u) * static_cast<uint32_t>(l - 128)) >> 7)
                                        : (u * static_cast<uint32_t>(l)) >> 7);
}

// An HSV channel: the pure channel c at saturation S and value V (both 0..256):
// t = V - V ((256 - c) S / 256) / 256 with both divisions truncating (plain
// shifts: everything is non-negative). t reaches 256 only for V = 256 and is
// folded back to 255.
inline int32_t ValueChannel(int32_t c, int32_t s, int32_t v) noexcept {
    const uint32_t uv = static_cast<uint32_t>(v);
    const uint32_t t = uv - ((uv * (((256u - static_cast<uint32_t>(c)) * static_cast<uint32_t>(s)) >> 8)) >> 8);
    return static_cast<int32_t>(t - (t >> 8));
}

inline uint32_t PackRGB(int32_t r, int32_t g, int32_t b) noexcept {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// Luma of three 8-bit channels, 0..255.
inline int32_t Luma(int32_t r, int32_t g, int32_t b) noexcept {
    return static_cast<int32_t>(
        (39256u * static_cast<uint32_t>(r) + 77039u * static_cast<uint32_t>(g) + 15035u * static_cast<uint32_t>(b)) >>
        17);
}

// The HSLY move of the lightness-128 channels r1, g1, b1 (luma y0) to the
// target luma y (0..256): darken by the factor k / 128 toward black, or
// lighten by k / 128 toward white, k from ReciprocalTable (always 0..128).
inline uint32_t ApplyLuma(int32_t r1, int32_t g1, int32_t b1, int32_t y0, int32_t y) noexcept {
    if (y0 > y) {
        const int32_t k =
            128 - static_cast<int32_t>((static_cast<uint32_t>(y0 - y) * ReciprocalTable[y0]) >> 16);
        return PackRGB((k * r1) >> 7, (k * g1) >> 7, (k * b1) >> 7);  // non-negative: shifts
    }
    if (y0 < y) {
        const int32_t k = static_cast<int32_t>((static_cast<uint32_t>(y - y0) * ReciprocalTable[256 - y0]) >> 16);
        return PackRGB(r1 + (((255 - r1) * k) >> 7), g1 + (((255 - g1) * k) >> 7), b1 + (((255 - b1) * k) >> 7));
    }
    return PackRGB(r1, g1, b1);
}

// The three conversions from the pure colour p of a hue (PureColour) and
// components already in range (0..256): what a per-pixel kernel calls after
// validating its inputs once.
inline uint32_t HSVFromPure(uint32_t p, int32_t s, int32_t v) noexcept {
    return PackRGB(ValueChannel(static_cast<int32_t>(p >> 16), s, v),
                   ValueChannel(static_cast<int32_t>((p >> 8) & 0xFF), s, v),
                   ValueChannel(static_cast<int32_t>(p & 0xFF), s, v));
}

inline uint32_t HSLFromPure(uint32_t p, int32_t s, int32_t l) noexcept {
    return PackRGB(LightenChannel(SaturateChannel(static_cast<int32_t>(p >> 16), s), l),
                   LightenChannel(SaturateChannel(static_cast<int32_t>((p >> 8) & 0xFF), s), l),
                   LightenChannel(SaturateChannel(static_cast<int32_t>(p & 0xFF), s), l));
}

inline uint32_t HSLYFromPure(uint32_t p, int32_t s, int32_t y) noexcept {
    const int32_t r1 = SaturateChannel(static_cast<int32_t>(p >> 16), s);
    const int32_t g1 = SaturateChannel(static_cast<int32_t>((p >> 8) & 0xFF), s);
    const int32_t b1 = SaturateChannel(static_cast<int32_t>(p & 0xFF), s);
    return ApplyLuma(r1, g1, b1, Luma(r1, g1, b1), y);
}

// ---- From RGB ----

// The two widenings of an 8-bit channel to the 0..256 scale.
inline int32_t WidenHSV(int32_t x) noexcept { return x + (x == 255 ? 1 : 0); }
inline int32_t WidenHSL(int32_t x) noexcept { return x + (x >> 7); }

// The channels of a pixel sorted into maximum, middle and minimum, with the
// hue rule of the (maximum, middle) pair. Ties go to R before G; B is the
// maximum or the middle only when strictly greater.
struct ChannelOrder {
    int32_t max;
    int32_t mid;
    int32_t min;
    int32_t base;  // hue of the maximum's primary: 0, 120, 240 or 360
    int32_t sign;  // +1 when the middle lies after the maximum on the hue circle, -1 before
};

inline ChannelOrder ClassifyChannels(uint32_t pixel) noexcept {
    const int32_t r = static_cast<int32_t>((pixel >> 16) & 0xFF);
    const int32_t g = static_cast<int32_t>((pixel >> 8) & 0xFF);
    const int32_t b = static_cast<int32_t>(pixel & 0xFF);
    if (r >= g) {
        if (b > r) return {b, r, g, 240, 1};   // B, R
        if (b > g) return {r, b, g, 360, -1};  // R, B
        return {r, g, b, 0, 1};                // R, G
    }
    if (b > g) return {b, g, r, 240, -1};  // B, G
    if (b > r) return {g, b, r, 120, 1};   // G, B
    return {g, r, b, 120, -1};             // G, R
}

// Hue 0..359 of classified channels; 360 (a middle just above the minimum
// under a red maximum) becomes 0.
inline int32_t HueOf(const ChannelOrder& o) noexcept {
    const uint32_t step = (static_cast<uint32_t>(o.mid - o.min) * HueStepTable[o.max - o.min]) >> 24;
    const int32_t hue = o.base + o.sign * static_cast<int32_t>(step);
    return hue == 360 ? 0 : hue;
}

// HSV saturation and value (value 0 gives saturation 0).
inline void HSVOf(const ChannelOrder& o, int32_t& saturation, int32_t& value) noexcept {
    const int32_t v = WidenHSV(o.max);
    value = v;
    saturation = v == 0 ? 0
                        : static_cast<int32_t>((static_cast<uint32_t>(v - WidenHSV(o.min)) * ReciprocalTable[v]) >> 15);
}

// HSL saturation and lightness.
inline void HSLOf(const ChannelOrder& o, int32_t& saturation, int32_t& lightness) noexcept {
    const int32_t hi = WidenHSL(o.max);
    const int32_t lo = WidenHSL(o.min);
    const int32_t l = lo + (hi - lo) / 2;
    lightness = l;
    if (l == lo)
        saturation = 0;
    else if (l <= 128)
        saturation = static_cast<int32_t>((static_cast<uint32_t>(l - lo) * ReciprocalTable[l]) >> 15);
    else
        saturation = static_cast<int32_t>((static_cast<uint32_t>(hi - l) * ReciprocalTable[256 - l]) >> 15);
}

}  // namespace colour_detail
