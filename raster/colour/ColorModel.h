#pragma once
// Colour models HSV, HSL and HSLY and the conversions of one colour.
//
// Components: hue in whole degrees (conversions to RGB accept any value and
// wrap it into 0..359; conversions from RGB return 0..359, 0 for greys);
// saturation 0..256 (256 full); HSV value, HSL lightness (128 = the pure
// colour) and HSLY luma 0..256 as inputs (clamped), luma 0..255 as output.
// Everything is integer arithmetic with fixed truncation; documents store
// colours in these units and the per-pixel colour kernels repeat the same
// arithmetic inline, so results must stay bit-identical.
#include <cstdint>

// Model codes of factors and kernels; the colour code carries code + 1 in its
// top two bits (0 there = plain RGB).
enum ColorSpaceModel : int32_t {
    kColorSpaceHSV = 0,
    kColorSpaceHSL = 1,
    kColorSpaceHSLY = 2,
};

// 256 entries: entry 0 = entry 1 = 60 x 2^24, entry n = 60 x 2^24 / n rounded
// to nearest. (d x entry[n]) >> 24 approximates 60 d / n for 0 <= d <= n.
extern const uint32_t HueStepTable[256];

// To RGB: result 0x00RRGGBB (callers add the alpha).
uint32_t HSVToRGB(int32_t hue, int32_t saturation, int32_t value);
uint32_t HSLToRGB(int32_t hue, int32_t saturation, int32_t lightness);
uint32_t HSLYToRGB(int32_t hue, int32_t saturation, int32_t luma);

// From RGB: reads bits 0-23 of the pixel.
void RGBToHSV(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& value);
void RGBToHSL(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& lightness);
void RGBToHSLY(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& luma);

// Luma of an RGB colour: (39256 R + 77039 G + 15035 B) >> 17, 0..255.
inline int32_t LumaOf(uint32_t pixel) noexcept {
    return static_cast<int32_t>((39256u * ((pixel >> 16) & 0xFF) + 77039u * ((pixel >> 8) & 0xFF) +
                                 15035u * (pixel & 0xFF)) >>
                                17);
}

// The three components of a colour code's model form, without its model bits
// (31-30) and the unused bit 29: hue = bits 18-28 as a signed 11-bit number
// (-1024..1023), saturation = bits 9-17 and third component = bits 0-8, each of
// these 9-bit fields capped at 256. The colour-model kinds pass them to their
// kernels as they are; DecodeColorCode converts them.
struct ColorCodeComponents {
    int32_t hue;
    int32_t saturation;
    int32_t third;
};

inline ColorCodeComponents SplitColorCode(uint32_t code) noexcept {
    const uint32_t s = (code >> 9) & 0x1FF;
    const uint32_t t = code & 0x1FF;
    return ColorCodeComponents{static_cast<int32_t>((code >> 18) & 0x3FF) - ((code & (1u << 28)) != 0 ? 1024 : 0),
                               static_cast<int32_t>(s > 256 ? 256 : s), static_cast<int32_t>(t > 256 ? 256 : t)};
}

// The 32-bit colour code of documents: top two bits 0 = the code is the RGB
// colour itself (returned whole, bits 24-29 included); 1 HSV, 2 HSL, 3 HSLY with
// the components of SplitColorCode. Result 0x00RRGGBB for the model forms.
uint32_t DecodeColorCode(uint32_t code);
