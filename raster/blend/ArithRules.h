#pragma once
// Shared pieces of the arithmetic blend families (Add, Sub, RevMul, Xor, Mul,
// Div): byte access, the packed-lane saturating sum and clamped difference,
// and the SSE2 rows of the Immediate methods of Add, Sub and Mul and of the
// Merge method of Mul. Their AVX2 twins are in ArithRowsAvx2.cpp.
#include <cstdint>

#include "raster/blend/Avx2Rows.h"
#include "raster/blend/KernelFrame.h"
#include "raster/surface/sprite/RasterLibrary.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace blend::arith {

// The bytes of a pixel: shift 24 alpha, 16 red, 8 green, 0 blue.
constexpr int kRed = 16;
constexpr int kGreen = 8;
constexpr int kBlue = 0;
constexpr int kAlpha = 24;
inline uint32_t Byte(uint32_t p, int shift) noexcept { return (p >> shift) & 0xFF; }
inline uint32_t Alpha(uint32_t p) noexcept { return p >> 24; }
inline uint32_t Sat(uint32_t x) noexcept { return x > 255 ? 255 : x; }
inline uint32_t Clamp(int32_t x) noexcept { return x < 0 ? 0 : static_cast<uint32_t>(x); }
// x + (x >> 7): 0..127 unchanged, 128..255 raised by one (255 -> 256).
inline uint32_t Expand(uint32_t x) noexcept { return x + (x >> 7); }

// The source alpha under an opacity h: (sA x h) >> 8; sA itself at full opacity.
template <bool kOpacity>
inline uint32_t ScaledSourceAlpha(uint32_t sA, uint32_t opacity) noexcept {
    return kOpacity ? (sA * opacity) >> 8 : sA;
}

// What the Alpha methods of Add and Sub apply of a source pixel: the colour
// weight w = sA + (sA >> 7) and the alpha sA, under an opacity h (h x w) >> 8
// and (sA x h) >> 8.
struct AlphaMethodAmounts {
    uint32_t weight;
    uint32_t alpha;
};
template <bool kOpacity>
inline AlphaMethodAmounts AlphaAmounts(uint32_t sA, uint32_t opacity) noexcept {
    if constexpr (kOpacity) return {(opacity * Expand(sA)) >> 8, (sA * opacity) >> 8};
    return {Expand(sA), sA};
}

// Each byte (h x byte) >> 8, h <= 256.
inline uint32_t ScaleBytes(uint32_t p, uint32_t h) noexcept { return JoinLanes((SpreadLanes(p) * h) >> 8); }

// Each byte min(255, a + b): a carry into bit 8 of a 16-bit lane fills the lane.
inline uint32_t AddSaturate(uint32_t a, uint32_t b) noexcept {
    uint64_t sum = SpreadLanes(a) + SpreadLanes(b);
    sum |= ((sum >> 8) & 0x0001000100010001ull) * 0xFF;
    return JoinLanes(sum);
}

// Each byte max(0, a - b): a guard bit above each lane is borrowed when b > a,
// and the lane is cleared then.
inline uint32_t SubClamp(uint32_t a, uint32_t b) noexcept {
    const uint64_t diff = (SpreadLanes(a) | 0x0100010001000100ull) - SpreadLanes(b);
    return JoinLanes(diff & (((diff >> 8) & 0x0001000100010001ull) * 0xFF));
}

// The vector rows of the Immediate methods of Add and Sub. Each computes the
// new pixels of `Op` (a saturating byte sum or a clamped byte difference);
// where the source alpha is 0 the bytes in `keepIfTransparent` come from the
// destination, and the bytes in `keepAlways` always do. Each returns the
// pixels it did.
enum class VectorOp { AddSaturate, SubClamp };

#if defined(__SSE2__)
// Four pixels at a time.
template <VectorOp Op>
inline int32_t SelectRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepIfTransparent,
                             uint32_t keepAlways) noexcept {
    const __m128i zero = _mm_setzero_si128();
    const __m128i transparentKeep = _mm_set1_epi32(static_cast<int>(keepIfTransparent));
    const __m128i alwaysKeep = _mm_set1_epi32(static_cast<int>(keepAlways));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i transparent = _mm_cmpeq_epi32(_mm_srli_epi32(vs, 24), zero);
        const __m128i keep = _mm_or_si128(_mm_and_si128(transparent, transparentKeep), alwaysKeep);
        const __m128i result = Op == VectorOp::AddSaturate ? _mm_adds_epu8(vd, vs) : _mm_subs_epu8(vd, vs);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(keep, vd), _mm_andnot_si128(keep, result)));
    }
    return i;
}
#endif

// A row of an Immediate method: the widest vectors the processor has, then
// `rule` (the per-pixel operation) for the pixels left over. Add and Sub keep
// a pixel under a transparent source (keepIfTransparent is every byte).
template <VectorOp Op, class Rule>
inline void SelectRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways, const Rule& rule) noexcept {
    int32_t i = 0;
#if defined(OC_BLEND_AVX2)
    if (n >= 8 && avx2::Available()) {
        i = Op == VectorOp::AddSaturate ? avx2::AddSaturateRow(d, s, n, keepAlways)
                                        : avx2::SubClampRow(d, s, n, keepAlways);
    }
#endif
#if defined(__SSE2__)
    i += SelectRowSse2<Op>(d + i, s + i, n - i, 0xFFFFFFFFu, keepAlways);
#endif
    for (; i < n; ++i) d[i] = rule(s[i], d[i]);
}

#if defined(__SSE2__)
// Mul Immediate, four pixels at a time: every byte d x (s + 1) >> 8 with one
// unsigned high multiplication per 16-bit lane. Blue and red: the destination
// byte shifted into the high half of its lane times s + 1. Green and alpha:
// the lane holds dG x 256 (the blue byte masked off) or dA x 256 + dR, so the
// same multiplication gives green and, with sA + 1, the alpha rule ((sA + 1) x
// (dA x 256 + dR)) >> 16. A transparent source pixel first gets the colour
// 0xFFFFFF, which keeps the destination colour exactly and still gives alpha
// 0. The C form leaves the alpha lane at 0 and puts the destination alpha back.
template <Form F>
inline int32_t MulImmediateRowSse2(uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    static_assert(F == Form::Full || F == Form::C);
    const __m128i evenMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i oddKeep = _mm_set1_epi32(F == Form::Full ? static_cast<int>(0xFFFFFF00u) : 0x0000FF00);
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(kAlphaBits));
    const __m128i one = _mm_set1_epi16(1);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(vs, alphaBits), _mm_setzero_si128());
        vs = _mm_or_si128(vs, _mm_srli_epi32(transparent, 8));
        const __m128i even = _mm_mulhi_epu16(_mm_slli_epi16(vd, 8), _mm_add_epi16(_mm_and_si128(vs, evenMask), one));
        const __m128i odd = _mm_mulhi_epu16(_mm_and_si128(vd, oddKeep), _mm_add_epi16(_mm_srli_epi16(vs, 8), one));
        __m128i out = _mm_or_si128(even, _mm_slli_epi16(odd, 8));
        if constexpr (F == Form::C) out = _mm_or_si128(out, _mm_and_si128(vd, alphaBits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
    }
    return i;
}

// Mul Merge (BlendMul.cpp), four pixels with the same results. The product
// P = (S x F) >> 16 per channel, S = s + (s >> 7) and F the destination over
// white, d x dA + 256 x (256 - dA), which is m x (d - 256) modulo 2^16 with
// m = dA: one low and one high 16-bit multiplication. At dA = 255 the rule
// takes (S x d) >> 8, the same product with m = 256; at dA = 0 the blend
// colour is the source colour. The blend colour is laid over the destination
// at the effective alpha a through the union table; four opaque destination
// pixels need no table (T[a][255] is weight a, 256 for 255, and alpha 255),
// four transparent ones neither (weight 256: the source colour, alpha a). An
// effective alpha of 0 gets weight 0 and the table's T[0][dA] = dA, which
// keeps the pixel.
template <Form F, bool kOpacity>
inline __m128i MulMergeFourSse2(__m128i vs, __m128i vd, __m128i level) noexcept {
    static_assert(F == Form::Full || F == Form::C);
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourBits = _mm_set1_epi32(static_cast<int>(kColourBits));
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(kAlphaBits));
    const __m128i a = EffectiveAlphaSse2<kOpacity>(vs, level);
    const __m128i none = _mm_cmpeq_epi32(a, zero);
    if (AllTransparentSse2(vd)) {
        __m128i drawn = _mm_and_si128(vs, colourBits);
        if constexpr (F == Form::Full) drawn = _mm_or_si128(drawn, _mm_slli_epi32(a, 24));
        return _mm_or_si128(_mm_and_si128(none, vd), _mm_andnot_si128(none, drawn));
    }
    const __m128i evenMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i bias = _mm_set1_epi16(256);
    const __m128i dA = _mm_srli_epi32(vd, 24);
    __m128i m = _mm_or_si128(dA, _mm_slli_epi32(dA, 16));
    m = _mm_sub_epi16(m, _mm_cmpeq_epi16(m, _mm_set1_epi16(255)));
    __m128i se = _mm_and_si128(vs, evenMask);
    se = _mm_add_epi16(se, _mm_srli_epi16(se, 7));
    __m128i so = _mm_srli_epi16(vs, 8);
    so = _mm_add_epi16(so, _mm_srli_epi16(so, 7));
    const __m128i pe = _mm_mulhi_epu16(se, _mm_mullo_epi16(m, _mm_sub_epi16(_mm_and_si128(vd, evenMask), bias)));
    const __m128i po = _mm_mulhi_epu16(so, _mm_mullo_epi16(m, _mm_sub_epi16(_mm_srli_epi16(vd, 8), bias)));
    const __m128i clear = _mm_cmpeq_epi32(dA, zero);
    const __m128i vb =
        _mm_or_si128(_mm_and_si128(clear, vs), _mm_andnot_si128(clear, _mm_or_si128(pe, _mm_slli_epi16(po, 8))));
    __m128i w, alpha;
    if (AllOpaqueSse2(vd)) {
        w = _mm_sub_epi32(a, _mm_cmpeq_epi32(a, _mm_set1_epi32(255)));
        alpha = alphaBits;
    } else {
        alignas(16) uint32_t slot[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(slot), _mm_or_si128(_mm_slli_epi32(a, 8), dA));
        const __m128i t = _mm_set_epi32(static_cast<int>(AlphaUnionTable[slot[3]]),
                                        static_cast<int>(AlphaUnionTable[slot[2]]),
                                        static_cast<int>(AlphaUnionTable[slot[1]]),
                                        static_cast<int>(AlphaUnionTable[slot[0]]));
        w = _mm_andnot_si128(none, _mm_add_epi32(_mm_srli_epi32(t, 8), _mm_set1_epi32(1)));
        alpha = _mm_slli_epi32(t, 24);
    }
    w = _mm_or_si128(w, _mm_slli_epi32(w, 16));
    const __m128i colour = _mm_and_si128(MixLanesSse2(vd, vb, _mm_add_epi16(w, w)), colourBits);
    return _mm_or_si128(colour, F == Form::Full ? alpha : _mm_and_si128(vd, alphaBits));
}

template <Form F, bool kOpacity>
inline int32_t MulMergeRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept {
    const __m128i level = _mm_set1_epi16(static_cast<int16_t>(opacity));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (AllTransparentSse2(vs)) continue;
        const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), MulMergeFourSse2<F, kOpacity>(vs, vd, level));
    }
    return i;
}
#endif

// Three colour channels computed one by one: fn(shift) gives the new byte of
// the channel at that shift; the alpha byte is given separately.
template <class Fn>
inline uint32_t ColourBytes(uint32_t alpha, Fn&& fn) noexcept {
    return (alpha << 24) | (fn(kRed) << 16) | (fn(kGreen) << 8) | fn(kBlue);
}

// ---------------------------------------------------------------------------
// The alpha-only rules of Mul, RevMul and Sub (colour kept), shared by their
// blend members and the rotated alpha draws.

// The source byte x faded toward 256 by the opacity: at most 65535.
inline uint32_t Fade(uint32_t x, uint32_t opacity) noexcept { return x * opacity + 256 * (256 - opacity); }

// Mul: ((sA + 1) x (dA x 65536 + dR x 256 + dG)) >> 24; with an opacity the
// source alpha faded toward 256 times dA x 257.
template <bool kOpacity>
struct MulAlphaOnlyRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        uint64_t alpha;
        if constexpr (!kOpacity) {
            alpha = (uint64_t{Alpha(s) + 1} * (d >> 8)) >> 24;
        } else {
            alpha = (Fade(Alpha(s), opacity) * (Alpha(d) * 257)) >> 24;
        }
        return (static_cast<uint32_t>(alpha) << 24) | (d & kColourBits);
    }
};

// RevMul: ((256 - sA) x (dA x 65536 + dR x 256 + dG)) >> 24; with an opacity
// (257 x (65536 - h x sA) x dA) >> 24.
template <bool kOpacity>
struct RevMulAlphaOnlyRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint64_t sA = Alpha(s);
        uint64_t alpha;
        if constexpr (!kOpacity) {
            alpha = ((256 - sA) * (d >> 8)) >> 24;  // d >> 8 = dA x 65536 + dR x 256 + dG
        } else {
            alpha = (257 * (65536 - opacity * sA) * Alpha(d)) >> 24;
        }
        return (static_cast<uint32_t>(alpha) << 24) | (d & kColourBits);
    }
};

// Sub: clamp(dA - sA), with an opacity sA first scaled to (sA x h) >> 8.
template <bool kOpacity>
struct SubAlphaOnlyRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t taken = ScaledSourceAlpha<kOpacity>(Alpha(s), opacity);
        return (Clamp(static_cast<int32_t>(Alpha(d)) - static_cast<int32_t>(taken)) << 24) | (d & kColourBits);
    }
};

}  // namespace blend::arith

// Member lists for KernelTable.h. One method of one form of a family M (form
// letter L, empty for the full form, and form name FN): its plain, opacity,
// stretched and stretched opacity members. Op is a pixel operation templated on
// <Form, bool withOpacity> that takes the opacity as its only initialiser.
#define OC_ARITH_METHOD(X, M, L, FN, Method, Op)                                                               \
    X(Table, Plain, Blend##M##L##Method, FN, _, _, (Op<::blend::Form::FN, false>{}))                            \
    X(Table, PlainOpacity, Blend##M##L##Method##Opacity, FN, _, Blend##M##L##Method,                            \
      (Op<::blend::Form::FN, true>{opacity}))                                                                   \
    X(Table, Stretched, Blend##M##L##Method##Stretched, FN, Blend##M##L##Method, _,                             \
      (Op<::blend::Form::FN, false>{}))                                                                         \
    X(Table, StretchedOpacity, Blend##M##L##Method##StretchedOpacity, FN, Blend##M##L##Method##Opacity,         \
      Blend##M##L##Method##Stretched, (Op<::blend::Form::FN, true>{opacity}))

// The alpha-only members of a family M; Op is templated on <bool withOpacity>.
#define OC_ARITH_ALPHA_ONLY(X, M, Op)                                                                           \
    X(Table, Plain, Blend##M##A, A, _, _, (Op<false>{}))                                                         \
    X(Table, PlainOpacity, Blend##M##AOpacity, A, _, Blend##M##A, (Op<true>{opacity}))                           \
    X(Table, Stretched, Blend##M##AStretched, A, Blend##M##A, _, (Op<false>{}))                                  \
    X(Table, StretchedOpacity, Blend##M##AStretchedOpacity, A, Blend##M##AOpacity, Blend##M##AStretched,         \
      (Op<true>{opacity}))
