// Masked fills (paint where a reference sprite holds a key value) and alpha
// accumulation (the destination alpha becomes the union of itself and a
// source's alpha, colours untouched).
//
// The masked fills read the alpha union table per pixel, so both run one pixel
// at a time. The reference (or source) pixel is read just before its
// destination pixel is written.
#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/Sprite.h"

using namespace fill_detail;

namespace {

enum class Channels { kWhole, kColour, kAlpha };

// Paints `value` at opacity o (1..255) where reference & mask == key & mask.
template <Channels kChannels>
void MaskFillRect(uint32_t* row, int32_t stride, const uint32_t* reference, int32_t referenceStride, int32_t w,
                  int32_t h, uint32_t key, uint32_t value, uint32_t o, uint32_t mask) noexcept {
    const uint32_t maskedKey = key & mask;
    TransformRect2Scalar(row, stride, reference, referenceStride, w, h, [=](uint32_t p, uint32_t r) {
        if ((r & mask) != maskedKey) return p;
        if constexpr (kChannels == Channels::kWhole) {
            if (o == 255) return value;
            const uint32_t weight = pixel::UnionWeight(Union(o, p >> 24));
            // The shifted words weight the alpha byte; the red and green bytes
            // below it add less than 1 to each term, so the sum stays <= 254.
            const uint32_t alpha = pixel::CarriedAlpha(value, o) + pixel::CarriedAlpha(p, 256 - o);
            return (alpha << 24) | pixel::MixColour(p, value, weight);
        } else if constexpr (kChannels == Channels::kColour) {
            if (o == 255) return (p & kAlpha) | (value & kColour);
            return (p & kAlpha) | pixel::MixColour(p, value, pixel::UnionWeight(Union(o, p >> 24)));
        } else {
            if (o == 255) return (p & kColour) | ((value & 0xFFu) << 24);
            const uint32_t alpha = (((value & 0xFFu) * o) >> 8) + pixel::CarriedAlpha(p, 256 - o);
            return (p & kColour) | (alpha << 24);
        }
    });
}

template <Channels kChannels>
void MaskFillImpl(CSprite& target, int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                  int32_t h, uint32_t key, uint32_t value, uint8_t opacity, uint32_t mask) {
    if (opacity == 0) return;
    target.ClipBlit(x, y, reference, rx, ry, w, h);
    if (w <= 0 || h <= 0) return;
    MaskFillRect<kChannels>(target.PixelAt(x, y), target.GetStride(), reference.PixelAt(rx, ry),
                            reference.GetStride(), w, h, key, value, opacity, mask);
}

}  // namespace

void CSprite::MaskFill(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w, int32_t h,
                       uint32_t key, uint32_t value, uint8_t opacity) {
    MaskFillImpl<Channels::kWhole>(*this, x, y, reference, rx, ry, w, h, key, value, opacity, 0xFFFFFFFFu);
}

void CSprite::MaskFillC(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w, int32_t h,
                        uint32_t key, uint32_t colour, uint8_t opacity) {
    MaskFillImpl<Channels::kColour>(*this, x, y, reference, rx, ry, w, h, key, colour, opacity, 0xFFFFFFFFu);
}

void CSprite::MaskFillA(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w, int32_t h,
                        uint32_t key, uint32_t alpha, uint8_t opacity) {
    MaskFillImpl<Channels::kAlpha>(*this, x, y, reference, rx, ry, w, h, key, alpha, opacity, 0xFFFFFFFFu);
}

void CSprite::MaskFillBits(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                           int32_t h, uint32_t key, uint32_t value, uint8_t opacity, uint32_t mask) {
    MaskFillImpl<Channels::kWhole>(*this, x, y, reference, rx, ry, w, h, key, value, opacity, mask);
}

void CSprite::MaskFillCBits(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                            int32_t h, uint32_t key, uint32_t colour, uint8_t opacity, uint32_t mask) {
    MaskFillImpl<Channels::kColour>(*this, x, y, reference, rx, ry, w, h, key, colour, opacity, mask);
}

void CSprite::MaskFillABits(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                            int32_t h, uint32_t key, uint32_t alpha, uint8_t opacity, uint32_t mask) {
    MaskFillImpl<Channels::kAlpha>(*this, x, y, reference, rx, ry, w, h, key, alpha, opacity, mask);
}

namespace {

// Destination alpha := lo(U[s][pa]) for the scaled source alpha s (1..255;
// 255 for s = 255), computed directly; s = 0 leaves the pixel.
template <class ScaleSource>
void AccumulateAlpha(uint32_t* row, int32_t stride, const uint32_t* source, int32_t sourceStride, int32_t w,
                     int32_t h, ScaleSource scale) noexcept {
    TransformRect2Scalar(row, stride, source, sourceStride, w, h, [scale](uint32_t p, uint32_t s) {
        const uint32_t a = scale(s >> 24);
        if (a == 0) return p;
        return (p & kColour) | (pixel::AlphaOver(a, p >> 24) << 24);
    });
}

}  // namespace

void CSprite::AddAlpha(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    ClipBlit(x, y, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    // The union alpha of 255 over any b is 255, which is the rule for s = 255.
    AccumulateAlpha(PixelAt(x, y), m_stride, source.PixelAt(sx, sy), source.m_stride, w, h,
                    [](uint32_t s) { return s; });
}

void CSprite::AddAlphaFromOpacity(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                  int32_t h, uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        AddAlpha(x, y, source, sx, sy, w, h);
        return;
    }
    ClipBlit(x, y, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const uint32_t o = opacity;
    AccumulateAlpha(PixelAt(x, y), m_stride, source.PixelAt(sx, sy), source.m_stride, w, h,
                    [o](uint32_t s) { return (o * (s + (s == 255 ? 1u : 0u))) >> 8; });
}
