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
// and B, truncating, w in 0..256. R and B share one multiplication on the word
// masked with 0x00FF00FF, G goes alone under 0x0000FF00; every channel sum
// stays below 65536, so the packed form is exact per channel.
#include <bit>
#include <cstdint>
#include <cstring>

#include "raster/surface/sprite/RasterLibrary.h"

namespace fill_detail {

using Pixels4 = uint32_t __attribute__((vector_size(16)));

inline Pixels4 Load4(const uint32_t* p) noexcept {
    Pixels4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store4(uint32_t* p, Pixels4 v) noexcept { std::memcpy(p, &v, sizeof v); }

// One value in every lane of T (T = uint32_t: the value itself).
template <class T>
inline T Splat(uint32_t value) noexcept {
    if constexpr (sizeof(T) == sizeof(uint32_t)) {
        return value;
    } else {
        return T{value, value, value, value};
    }
}

constexpr uint32_t kAlpha = 0xFF000000u;
constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kRB = 0x00FF00FFu;
constexpr uint32_t kG = 0x0000FF00u;

// Rewrites every pixel of a w x h rectangle (first pixel `row`, rows `stride`
// words apart) as op(pixel); op must accept uint32_t and Pixels4.
template <class Op>
inline void TransformRect(uint32_t* row, int32_t stride, int32_t w, int32_t h, Op op) noexcept {
    for (; h > 0; --h, row += stride) {
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) Store4(row + i, op(Load4(row + i)));
        for (; i < w; ++i) row[i] = op(row[i]);
    }
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

// Eight 16-bit lanes over the same 16 bytes. A pixel masked with 0x00FF00FF
// is two lanes (B, R), shifted right by 8 and masked it is (G, A); a channel
// times a weight of at most 256, plus the other channel's share, stays below
// 65536, so mixing runs on 16-bit multiplications that every vector unit has.
using Lanes16 = uint16_t __attribute__((vector_size(16)));

inline Lanes16 AsLanes(Pixels4 v) noexcept { return std::bit_cast<Lanes16>(v); }
inline Pixels4 AsPixels(Lanes16 v) noexcept { return std::bit_cast<Pixels4>(v); }

// mix of four pixels: c and p the colours, w (0..256) the weights of c.
inline Pixels4 MixColour4(Pixels4 c, Pixels4 p, Pixels4 w) noexcept {
    const Lanes16 w16 = AsLanes(w * 0x00010001u);
    const Lanes16 inverse = 256 - w16;
    const Lanes16 rb = AsLanes(c & kRB) * w16 + AsLanes(p & kRB) * inverse;
    const Lanes16 g = AsLanes((c >> 8) & kRB) * w16 + AsLanes((p >> 8) & kRB) * inverse;
    return (AsPixels(rb >> 8) & kRB) | ((AsPixels(g >> 8) & 0xFFu) << 8);
}

// mix(c, p, w) of the colour channels; the alpha byte of the result is 0.
// Each argument may be one value (uint32_t) or four (Pixels4).
template <class C, class P, class W>
inline auto MixColour(C c, P p, W w) noexcept {
    if constexpr (sizeof(C) == 4 && sizeof(P) == 4 && sizeof(W) == 4) {
        const uint32_t v = 256 - w;
        const uint32_t rb = ((c & kRB) * w + (p & kRB) * v) >> 8;
        const uint32_t g = ((c & kG) * w + (p & kG) * v) >> 8;
        return (rb & kRB) | (g & kG);
    } else {
        const Pixels4 zero = {0, 0, 0, 0};
        return MixColour4(zero + c, zero + p, zero + w);
    }
}

// A fixed colour mixed into pixels at a fixed weight w: the colour's share is
// computed once. Returns the mixed colour channels (alpha byte 0).
struct FixedColourMix {
    uint32_t rb, g, inverse;
    Lanes16 rb16, g16, inverse16;

    FixedColourMix(uint32_t colour, uint32_t w) noexcept
        : rb((colour & kRB) * w), g((colour & kG) * w), inverse(256 - w) {
        const Pixels4 zero = {0, 0, 0, 0};
        rb16 = AsLanes(zero + rb);                       // lanes B x w, R x w
        g16 = AsLanes(zero + ((colour >> 8) & 0xFFu) * w);  // lanes G x w, 0
        inverse16 = AsLanes(zero + inverse * 0x00010001u);
    }

    uint32_t operator()(uint32_t p) const noexcept {
        const uint32_t mixedRB = ((p & kRB) * inverse + rb) >> 8;
        const uint32_t mixedG = ((p & kG) * inverse + g) >> 8;
        return (mixedRB & kRB) | (mixedG & kG);
    }

    Pixels4 operator()(Pixels4 p) const noexcept {
        const Lanes16 mixedRB = AsLanes(p & kRB) * inverse16 + rb16;
        const Lanes16 mixedG = AsLanes((p >> 8) & kRB) * inverse16 + g16;
        return (AsPixels(mixedRB >> 8) & kRB) | ((AsPixels(mixedG >> 8) & 0xFFu) << 8);
    }
};

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

// AlphaUnionTable[upper][lower]: low byte the combined alpha, high byte the
// upper colour's weight minus 1.
inline uint32_t Union(uint32_t upper, uint32_t lower) noexcept { return AlphaUnionTable[(upper << 8) | lower]; }

}  // namespace fill_detail
