#pragma once
// Pixel helpers shared by the fill families (rectangle fills, masked fills,
// channel operations).
//
// A per-pixel rule is written once as a generic function of the pixel type and
// runs on one pixel (uint32_t) or on four at a time (Pixels4, the compiler's
// portable vector extension): the same expression text, so the vector body and
// the scalar tail of a row cannot drift apart. Rules that read a table (the
// alpha union) run one pixel at a time.
//
// Colour mixing: mix(c, p, w) = (c * w + p * (256 - w)) >> 8 for each of R, G
// and B, truncating, w in 0..256: the raster layer's MixColour (PixelRules.h)
// with the fills' argument order, the drawn colour first. The pixel rules and
// the four-pixel forms themselves live in PixelRules.h and PixelVectors.h;
// this header adds the rectangle loops and the fills' own shortcuts.
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/PixelVectors.h"

namespace fill_detail {

using pixel::AsLanes;
using pixel::AsPixels;
using pixel::FixedColourMix;
using pixel::Lanes16;
using pixel::Load4;
using pixel::MixColour4;
using pixel::Pixels4;
using pixel::Splat;
using pixel::Store4;
using pixel::Union;
using pixel::kG;
using pixel::kRB;

constexpr uint32_t kAlpha = pixel::kAlphaBits;
constexpr uint32_t kColour = pixel::kColourBits;

// Rewrites every pixel of a w x h rectangle (first pixel `row`, rows `stride`
// words apart) as op(pixel); op must accept uint32_t and Pixels4.
template <class Op>
inline void TransformRect(uint32_t* row, int32_t stride, int32_t w, int32_t h, Op op) noexcept {
    for (; h > 0; --h, row += stride) pixel::TransformRun(row, w, op);
}

// Same as TransformRect for rules that can only run one pixel at a time.
template <class Op>
inline void TransformRectScalar(uint32_t* row, int32_t stride, int32_t w, int32_t h, Op op) noexcept {
    for (; h > 0; --h, row += stride) {
        for (int32_t i = 0; i < w; ++i) row[i] = op(row[i]);
    }
}

// Two-sprite form: dst pixel := op(dst pixel, other pixel) over w x h.
template <class Op>
inline void TransformRect2(uint32_t* row, int32_t stride, const uint32_t* other, int32_t otherStride, int32_t w,
                           int32_t h, Op op) noexcept {
    for (; h > 0; --h, row += stride, other += otherStride) {
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) Store4(row + i, op(Load4(row + i), Load4(other + i)));
        for (; i < w; ++i) row[i] = op(row[i], other[i]);
    }
}

template <class Op>
inline void TransformRect2Scalar(uint32_t* row, int32_t stride, const uint32_t* other, int32_t otherStride,
                                 int32_t w, int32_t h, Op op) noexcept {
    for (; h > 0; --h, row += stride, other += otherStride) {
        for (int32_t i = 0; i < w; ++i) row[i] = op(row[i], other[i]);
    }
}

// mix(c, p, w) of the colour channels; the alpha byte of the result is 0.
// Each argument may be one value (uint32_t) or four (Pixels4).
template <class C, class P, class W>
inline auto MixColour(C c, P p, W w) noexcept {
    if constexpr (sizeof(C) == 4 && sizeof(P) == 4 && sizeof(W) == 4) {
        return pixel::MixColour(p, c, w);
    } else {
        const Pixels4 zero = {0, 0, 0, 0};
        return MixColour4(zero + c, zero + p, zero + w);
    }
}

// The exact shortcuts of mix(c, p, w) for w = 64, 128 and 192 on the packed
// colour: per channel (c + 3p) >> 2, (c + p) >> 1 and (3c + p) >> 2, split into
// the shifted high bits and the carried low bits so that no byte overflows into
// its neighbour. The results carry no alpha byte.
template <class T>
inline T MixQuarter(T c, T p) noexcept {  // w = 64
    const T high = ((c >> 2) & 0x3F3F3Fu) + 3 * ((p >> 2) & 0x3F3F3Fu);
    const T low = (((c & 0x030303u) + 3 * (p & 0x030303u)) >> 2) & 0x030303u;
    return high + low;
}

template <class T>
inline T MixHalf(T c, T p) noexcept {  // w = 128
    return ((c >> 1) & 0x7F7F7Fu) + ((p >> 1) & 0x7F7F7Fu) + (c & p & 0x010101u);
}

template <class T>
inline T MixThreeQuarters(T c, T p) noexcept {  // w = 192
    return MixQuarter(p, c);
}

// row[index] for one index or for four (a table read lane by lane; the
// arithmetic around it still runs four pixels at a time).
template <class T>
inline T Lookup(const uint16_t* row, T index) noexcept {
    if constexpr (sizeof(T) == sizeof(uint32_t)) {
        return row[index];
    } else {
        return T{row[index[0]], row[index[1]], row[index[2]], row[index[3]]};
    }
}

}  // namespace fill_detail
