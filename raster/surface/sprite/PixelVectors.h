#pragma once
// Four pixels at a time: the vector forms of the pixel rules (PixelRules.h)
// that the fills and the coverage spans share, and the store loop of a run of
// one value.
//
// The vectors are the compiler's portable vector extension, so the same
// expression text runs on one pixel (uint32_t) or on four (Pixels4) and each
// target gets its own vector unit. Every form here gives exactly the scalar
// rule of PixelRules.h, pixel for pixel.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/surface/sprite/PixelRules.h"

namespace pixel {

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

// Whether all four pixels have alpha 255 / alpha 0.
inline bool AllOpaque(Pixels4 v) noexcept {
    const Pixels4 both = v & __builtin_shufflevector(v, v, 2, 3, 0, 1);
    return ((both[0] & both[1]) >> 24) == 0xFFu;
}
inline bool AllTransparent(Pixels4 v) noexcept {
    const Pixels4 either = v | __builtin_shufflevector(v, v, 2, 3, 0, 1);
    return ((either[0] | either[1]) >> 24) == 0;
}

// Eight 16-bit lanes over the same 16 bytes. A pixel masked with 0x00FF00FF
// is two lanes (B, R), shifted right by 8 and masked it is (G, A); a channel
// times a weight of at most 256, plus the other channel's share, stays below
// 65536, so mixing runs on 16-bit multiplications that every vector unit has.
using Lanes16 = uint16_t __attribute__((vector_size(16)));

inline Lanes16 AsLanes(Pixels4 v) noexcept { return std::bit_cast<Lanes16>(v); }
inline Pixels4 AsPixels(Lanes16 v) noexcept { return std::bit_cast<Pixels4>(v); }

// MixColour of four pixels: c and p the colours, w (0..256) the weights of c
// (the upper colour); the alpha bytes of the result are 0.
inline Pixels4 MixColour4(Pixels4 c, Pixels4 p, Pixels4 w) noexcept {
    const Lanes16 w16 = AsLanes(w * 0x00010001u);
    const Lanes16 inverse = 256 - w16;
    const Lanes16 rb = AsLanes(c & kRB) * w16 + AsLanes(p & kRB) * inverse;
    const Lanes16 g = AsLanes((c >> 8) & kRB) * w16 + AsLanes((p >> 8) & kRB) * inverse;
    return (AsPixels(rb >> 8) & kRB) | ((AsPixels(g >> 8) & 0xFFu) << 8);
}

// A fixed colour mixed into pixels at a fixed weight w: MixColour(p, colour,
// w) with the colour's share computed once. Returns the mixed colour channels
// (alpha byte 0), for one pixel or four.
struct FixedColourMix {
    uint32_t rb, g, inverse;
    Lanes16 rb16, g16, inverse16;

    FixedColourMix(uint32_t colour, uint32_t w) noexcept
        : rb((colour & kRB) * w), g((colour & kG) * w), inverse(256 - w) {
        const Pixels4 zero = {0, 0, 0, 0};
        rb16 = AsLanes(zero + rb);                          // lanes B x w, R x w
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

// Rewrites the n pixels from d on as op(pixel), four at a time and then one
// at a time; op must accept uint32_t and Pixels4.
template <class Op>
inline void TransformRun(uint32_t* d, int32_t n, Op op) noexcept {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) Store4(d + i, op(Load4(d + i)));
    for (; i < n; ++i) d[i] = op(d[i]);
}

// Writes n copies of value from p on without reading: memset for byte-uniform
// values (0 and 0xFFFFFFFF above all), unrolled 16-byte stores for the others.
inline void FillWords(uint32_t* p, size_t n, uint32_t value) noexcept {
    if (value == (value & 0xFFu) * 0x01010101u) {
        std::memset(p, static_cast<int>(value & 0xFFu), n * sizeof(uint32_t));
        return;
    }
    const Pixels4 v = {value, value, value, value};
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Store4(p + i, v);
        Store4(p + i + 4, v);
        Store4(p + i + 8, v);
        Store4(p + i + 12, v);
    }
    for (; i + 4 <= n; i += 4) Store4(p + i, v);
    for (; i < n; ++i) p[i] = value;
}

}  // namespace pixel
