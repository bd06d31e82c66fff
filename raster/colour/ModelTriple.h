#pragma once
// A pixel's RGB as a model triple and back, for the per-pixel kernels that
// work on whole triples (shifts, colour-space planes). Built from the inline
// pieces of the single-colour conversions, so every result is theirs bit for
// bit.
#include <cstddef>
#include <cstdint>

#include "raster/colour/ColorModelInline.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/Sprite.h"

namespace colour_detail {

struct ModelTriple {
    int32_t hue;         // 0..359
    int32_t saturation;  // 0..256
    int32_t third;       // HSV value or HSL lightness 0..256, HSLY luma 0..255
};

// Bits 0-23 of a pixel in the model; hue 0 for every colour without saturation.
template <ColorSpaceModel M>
inline ModelTriple MeasureTriple(uint32_t p) noexcept {
    const ChannelOrder order = ClassifyChannels(p);
    ModelTriple t{};
    if constexpr (M == kColorSpaceHSV) {
        HSVOf(order, t.saturation, t.third);
    } else {
        HSLOf(order, t.saturation, t.third);
        // HSLY keeps the HSL saturation and replaces the lightness by the luma.
        if constexpr (M == kColorSpaceHSLY) t.third = LumaOf(p);
    }
    t.hue = t.saturation > 0 ? HueOf(order) : 0;
    return t;
}

// A triple already in range (hue 0..359, the others 0..256) to 0x00RRGGBB.
template <ColorSpaceModel M>
inline uint32_t RebuildTriple(const ModelTriple& t) noexcept {
    const uint32_t pure = PureColour(t.hue);
    if constexpr (M == kColorSpaceHSV) {
        return HSVFromPure(pure, t.saturation, t.third);
    } else if constexpr (M == kColorSpaceHSL) {
        return HSLFromPure(pure, t.saturation, t.third);
    } else {
        return HSLYFromPure(pure, t.saturation, t.third);
    }
}

// The one-entry cache of a kernel call: the last 24-bit colour converted and
// its result. The first key, 0xFFFFFFFF, matches no colour, so the first pixel
// always converts; runs of one colour (flat areas) convert once.
template <class Convert>
class ConversionCache {
public:
    explicit ConversionCache(const Convert& convert) noexcept : m_convert(convert) {}
    uint32_t operator()(uint32_t pixel) noexcept {
        const uint32_t key = pixel & pixel::kColourBits;
        if (key != m_key) {
            m_key = key;
            m_value = m_convert(key);
        }
        return m_value;
    }

private:
    const Convert& m_convert;
    uint32_t m_key = 0xFFFFFFFFu;
    uint32_t m_value = 0;
};

// Which alpha a converting kernel writes.
enum class AlphaFrom : uint8_t { Source, Destination };

// The source rectangle converted colour by colour onto the destination (clipped
// with ClipBlit); convert maps 0x00RRGGBB to 0x00RRGGBB.
template <AlphaFrom A, class Convert>
void ConvertFromSource(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                       int32_t w, int32_t h, const Convert& convert) {
    target.ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    ConversionCache<Convert> cache(convert);
    uint32_t* d = target.PixelAt(dx, dy);
    const uint32_t* s = source.PixelAt(sx, sy);
    const ptrdiff_t dStride = target.GetStride();
    const ptrdiff_t sStride = source.GetStride();
    for (int32_t y = 0; y < h; ++y, d += dStride, s += sStride) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = s[x];
            const uint32_t alpha = (A == AlphaFrom::Source ? p : d[x]) & pixel::kAlphaBits;
            d[x] = alpha | cache(p);
        }
    }
}

// The rectangle converted in place (clipped with ClipRect), alphas kept.
template <class Convert>
void ConvertInPlace(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, const Convert& convert) {
    target.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    ConversionCache<Convert> cache(convert);
    uint32_t* d = target.PixelAt(x, y);
    const ptrdiff_t stride = target.GetStride();
    for (int32_t j = 0; j < h; ++j, d += stride) {
        for (int32_t i = 0; i < w; ++i) d[i] = (d[i] & pixel::kAlphaBits) | cache(d[i]);
    }
}

}  // namespace colour_detail
