// Rectangle fills: one colour, one alpha or one colour at an opacity painted
// into a clipped rectangle; back fills that paint behind what is there; fills
// that change only visible pixels or pixels that equal or differ from a
// reference sprite.
//
// FillRect is the most used raster operation, so it writes whole contiguous
// areas at once (a rectangle as wide as the stride is one run of words) and
// hands byte-uniform values (0, 0xFFFFFFFF, ...) to memset. The rules without
// a table lookup run four pixels at a time through FillPixels.h.
#include <algorithm>
#include <cstring>
#include <limits>

#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

using namespace fill_detail;

namespace {

inline int32_t Saturate32(int64_t v) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

inline bool IsReady() noexcept { return RasterPixelMode == 1; }

}  // namespace

void CSprite::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value) {
    if (ClipRect(x, y, w, h) == 0) return;
    uint32_t* row = PixelAt(x, y);
    if (w == m_stride) {
        pixel::FillWords(row, static_cast<size_t>(w) * static_cast<size_t>(h), value);
        return;
    }
    for (; h > 0; --h, row += m_stride) pixel::FillWords(row, static_cast<size_t>(w), value);
}

void CSprite::FillRectA(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t alpha) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t a = (alpha & 0xFFu) << 24;
    TransformRect(PixelAt(x, y), m_stride, w, h, [a](auto p) { return (p & kColour) | a; });
}

void CSprite::FillRectC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = colour & kColour;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c](auto p) { return (p & kAlpha) | c; });
}

void CSprite::FillRectOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        FillRect(x, y, w, h, colour | kAlpha);
        return;
    }
    if (ClipRect(x, y, w, h) == 0) return;
    const uint16_t* unionRow = AlphaUnionTable + (static_cast<uint32_t>(opacity) << 8);
    const uint32_t c = colour;
    TransformRect(PixelAt(x, y), m_stride, w, h, [unionRow, c](auto p) {
        const auto e = Lookup(unionRow, p >> 24);
        return ((e & 0xFFu) << 24) | MixColour(c, p, (e >> 8) + 1);
    });
}

namespace {

// mix(c, p, o) into the colour channels of the rectangle, alpha kept; only
// where alpha != 0 when visibleOnly. o is 1..254; the quarter weights take the
// shift shortcuts, which equal the multiplication exactly.
void MixColourIntoRect(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t colour, uint32_t o,
                       bool visibleOnly) noexcept {
    const uint32_t c = colour & kColour;
    auto run = [&](auto mix) {
        if (visibleOnly) {
            TransformRect(row, stride, w, h, [mix](auto p) {
                return (p & kAlpha) != 0 ? (p & kAlpha) | mix(p & kColour) : p;
            });
        } else {
            TransformRect(row, stride, w, h, [mix](auto p) { return (p & kAlpha) | mix(p & kColour); });
        }
    };
    switch (o) {
        case 64:
            run([c](auto p) { return MixQuarter(Splat<decltype(p)>(c), p); });
            break;
        case 128:
            run([c](auto p) { return MixHalf(Splat<decltype(p)>(c), p); });
            break;
        case 192:
            run([c](auto p) { return MixThreeQuarters(Splat<decltype(p)>(c), p); });
            break;
        default: {
            const FixedColourMix mix(c, o);
            run([mix](auto p) { return mix(p); });
            break;
        }
    }
}

}  // namespace

void CSprite::FillRectCOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        FillRectC(x, y, w, h, colour);
        return;
    }
    if (ClipRect(x, y, w, h) == 0) return;
    MixColourIntoRect(PixelAt(x, y), m_stride, w, h, colour, opacity, false);
}

void CSprite::FillRectAOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t opacity, uint32_t alpha) {
    if (opacity == 255) {
        FillRectA(x, y, w, h, alpha);
        return;
    }
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t o = opacity;
    const uint32_t added = ((alpha & 0xFFu) * o) >> 8;
    const uint32_t kept = 256 - o;
    TransformRect(PixelAt(x, y), m_stride, w, h, [added, kept](auto p) {
        return (p & kColour) | ((added + (((p >> 24) * kept) >> 8)) << 24);
    });
}

void CSprite::FillRectCVisible(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = colour & kColour;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c](auto p) { return (p & kAlpha) != 0 ? (p & kAlpha) | c : p; });
}

void CSprite::FillRectCVisibleOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
                                      uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        FillRectCVisible(x, y, w, h, colour);
        return;
    }
    if (ClipRect(x, y, w, h) == 0) return;
    MixColourIntoRect(PixelAt(x, y), m_stride, w, h, colour, opacity, true);
}

void CSprite::FillRectBack(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value) {
    if (ClipRect(x, y, w, h) == 0) return;
    TransformRectScalar(PixelAt(x, y), m_stride, w, h, [value](uint32_t p) {
        const uint32_t pa = p >> 24;
        if (pa == 0) return value;
        if (pa == 255) return p;
        // The pixel laid over the value at its own alpha.
        return pixel::LayOver(value, p, pa);
    });
}

void CSprite::FillRectBackOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, uint32_t alpha) {
    FillRectBack(x, y, w, h, (colour & kColour) | ((alpha & 0xFFu) << 24));
}

void CSprite::FillRectBackCOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, uint8_t opacity) {
    if (opacity == 0) return;
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t o = opacity;
    const uint32_t c = colour;
    TransformRectScalar(PixelAt(x, y), m_stride, w, h, [o, c](uint32_t p) {
        const uint32_t pa = p >> 24;
        if (pa == 0) return p;
        return (p & kAlpha) | pixel::MixColour(c, p, pixel::UnionWeight(Union(pa, o)));
    });
}

void CSprite::FillRectBackC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    FillRectBackCOpacity(x, y, w, h, colour, 255);
}

void CSprite::FillRectCByAlpha(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = colour;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c](auto p) {
        const auto a = p >> 24;
        // Weight a, but 256 for a = 255 so that opaque pixels take the colour outright.
        const auto weight = a + ((a + 1) >> 8);
        return (p & kAlpha) | MixColour(c, p, weight);
    });
}

void CSprite::FillRectCByAlphaOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
                                      uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        FillRectCByAlpha(x, y, w, h, colour);
        return;
    }
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = colour;
    const uint32_t o = opacity;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c, o](auto p) {
        const auto a = p >> 24;
        const auto weight = (o * (a + (a >> 7))) >> 8;
        return (p & kAlpha) | MixColour(c, p, weight);
    });
}

namespace {

// The four reference fills: over the blit rectangle clipped like a one-to-one
// draw, where the compared bits of p and the reference pixel are equal (or
// differ), the written bits of p take the value's.
template <bool kWhereEqual>
void FillByReference(CSprite& target, int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry,
                     int32_t w, int32_t h, uint32_t value, uint32_t bits) {
    target.ClipBlit(x, y, reference, rx, ry, w, h);
    if (w <= 0 || h <= 0) return;
    const uint32_t written = value & bits;
    const auto fill = [written, bits](auto p, auto r) {
        const auto same = ((p ^ r) & bits) == 0;
        const auto filled = (p & ~bits) | written;
        if constexpr (kWhereEqual) {
            return same ? filled : p;
        } else {
            return same ? p : filled;
        }
    };
    TransformRect2(target.PixelAt(x, y), target.GetStride(), reference.PixelAt(rx, ry), reference.GetStride(), w, h,
                   fill);
}

}  // namespace

void CSprite::FillWhereDiffers(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                               int32_t h, uint32_t value) {
    FillByReference<false>(*this, x, y, reference, rx, ry, w, h, value, 0xFFFFFFFFu);
}

void CSprite::FillCWhereDiffers(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                                int32_t h, uint32_t value) {
    FillByReference<false>(*this, x, y, reference, rx, ry, w, h, value, kColour);
}

void CSprite::FillWhereEqual(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                             int32_t h, uint32_t value) {
    FillByReference<true>(*this, x, y, reference, rx, ry, w, h, value, 0xFFFFFFFFu);
}

void CSprite::FillCWhereEqual(int32_t x, int32_t y, const CSprite& reference, int32_t rx, int32_t ry, int32_t w,
                              int32_t h, uint32_t value) {
    FillByReference<true>(*this, x, y, reference, rx, ry, w, h, value, kColour);
}

void CSprite::FillOutsideRect(int32_t ox, int32_t oy, int32_t ow, int32_t oh, int32_t ix, int32_t iy, int32_t iw,
                              int32_t ih, uint32_t value) {
    // Edges in 64 bits: the strips' sizes are differences of sums of caller values.
    const int64_t outerRight = int64_t{ox} + ow, outerBottom = int64_t{oy} + oh;
    const int64_t innerRight = int64_t{ix} + iw, innerBottom = int64_t{iy} + ih;
    if (ox < ix && IsReady()) FillRect(ox, oy, Saturate32(int64_t{ix} - ox), oh, value);
    if (innerRight < outerRight && IsReady()) {
        FillRect(Saturate32(innerRight), oy, Saturate32(outerRight - innerRight), oh, value);
    }
    if (oy < iy && IsReady()) FillRect(ix, oy, iw, Saturate32(int64_t{iy} - oy), value);
    if (innerBottom < outerBottom && IsReady()) {
        FillRect(ix, Saturate32(innerBottom), iw, Saturate32(outerBottom - innerBottom), value);
    }
}

void CSprite::FillAllIfReady(uint32_t value) {
    if (!IsReady()) return;
    FillRect(0, 0, m_width, m_height, value);
}
