#pragma once
// Shared pieces of the arithmetic blend families (Add, Sub, RevMul, Xor, Mul,
// Div): byte access, the packed-lane saturating sum and clamped difference,
// and the eight-pixel rows of the Immediate methods of Add, Sub and Mul.
#include <cstdint>

#include "raster/blend/KernelFrame.h"
#include "raster/surface/sprite/RasterLibrary.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
// Rows with 256-bit vectors are compiled for AVX2 alone and chosen at run time.
#define OC_ARITH_AVX2 1
#define OC_ARITH_TARGET_AVX2 __attribute__((target("avx2")))
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

// The vector rows of the Immediate methods of Add, Sub and Mul. Each computes
// the new pixels of `Op` (a saturating byte sum, a clamped byte difference, or
// the Mul Immediate product below); where the source alpha is 0 the bytes in
// `keepIfTransparent` come from the destination, and the bytes in `keepAlways`
// always do. Each returns the pixels it did.
//
// The Mul product: blue and red in the even 16-bit lanes, green (and alpha) in
// the odd ones, each d x (s + 1) >> 8. Alpha: the high 16 bits of a pixel are
// dA x 256 + dR, so ((sA + 1) x (dA x 256 + dR)) >> 16 is one unsigned high
// multiplication.
enum class VectorOp { AddSaturate, SubClamp, MulImmediate };

#if defined(__SSE2__)
// Four pixels at a time.
template <VectorOp Op>
inline int32_t SelectRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepIfTransparent,
                             uint32_t keepAlways) noexcept {
    const __m128i zero = _mm_setzero_si128();
    const __m128i transparentKeep = _mm_set1_epi32(static_cast<int>(keepIfTransparent));
    const __m128i alwaysKeep = _mm_set1_epi32(static_cast<int>(keepAlways));
    const __m128i one = _mm_set1_epi16(1);
    const __m128i evenMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i greenMask = _mm_set1_epi32(0x0000FF00);
    const __m128i alphaOne = _mm_set1_epi32(0x00010000);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i sourceAlpha = _mm_srli_epi32(vs, 24);
        const __m128i transparent = _mm_cmpeq_epi32(sourceAlpha, zero);
        const __m128i keep = _mm_or_si128(_mm_and_si128(transparent, transparentKeep), alwaysKeep);
        __m128i result;
        if constexpr (Op == VectorOp::AddSaturate) {
            result = _mm_adds_epu8(vd, vs);
        } else if constexpr (Op == VectorOp::SubClamp) {
            result = _mm_subs_epu8(vd, vs);
        } else {
            const __m128i even = _mm_srli_epi16(
                _mm_mullo_epi16(_mm_and_si128(vd, evenMask), _mm_add_epi16(_mm_and_si128(vs, evenMask), one)), 8);
            const __m128i odd = _mm_and_si128(
                _mm_mullo_epi16(_mm_srli_epi16(vd, 8), _mm_add_epi16(_mm_srli_epi16(vs, 8), one)), greenMask);
            const __m128i alphaFactor = _mm_add_epi32(_mm_slli_epi32(sourceAlpha, 16), alphaOne);
            const __m128i alpha = _mm_slli_epi32(_mm_mulhi_epu16(vd, alphaFactor), 8);
            result = _mm_or_si128(_mm_or_si128(even, odd), alpha);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(keep, vd), _mm_andnot_si128(keep, result)));
    }
    return i;
}
#endif

#if defined(OC_ARITH_AVX2)
inline bool HasAvx2() noexcept {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Eight pixels at a time.
template <VectorOp Op>
OC_ARITH_TARGET_AVX2 int32_t SelectRowAvx2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepIfTransparent,
                                           uint32_t keepAlways) noexcept {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i transparentKeep = _mm256_set1_epi32(static_cast<int>(keepIfTransparent));
    const __m256i alwaysKeep = _mm256_set1_epi32(static_cast<int>(keepAlways));
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i evenMask = _mm256_set1_epi32(0x00FF00FF);
    const __m256i greenMask = _mm256_set1_epi32(0x0000FF00);
    const __m256i alphaOne = _mm256_set1_epi32(0x00010000);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i vd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i sourceAlpha = _mm256_srli_epi32(vs, 24);
        const __m256i transparent = _mm256_cmpeq_epi32(sourceAlpha, zero);
        const __m256i keep = _mm256_or_si256(_mm256_and_si256(transparent, transparentKeep), alwaysKeep);
        __m256i result;
        if constexpr (Op == VectorOp::AddSaturate) {
            result = _mm256_adds_epu8(vd, vs);
        } else if constexpr (Op == VectorOp::SubClamp) {
            result = _mm256_subs_epu8(vd, vs);
        } else {
            const __m256i even = _mm256_srli_epi16(
                _mm256_mullo_epi16(_mm256_and_si256(vd, evenMask),
                                   _mm256_add_epi16(_mm256_and_si256(vs, evenMask), one)),
                8);
            const __m256i odd = _mm256_and_si256(
                _mm256_mullo_epi16(_mm256_srli_epi16(vd, 8), _mm256_add_epi16(_mm256_srli_epi16(vs, 8), one)),
                greenMask);
            const __m256i alphaFactor = _mm256_add_epi32(_mm256_slli_epi32(sourceAlpha, 16), alphaOne);
            const __m256i alpha = _mm256_slli_epi32(_mm256_mulhi_epu16(vd, alphaFactor), 8);
            result = _mm256_or_si256(_mm256_or_si256(even, odd), alpha);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_or_si256(_mm256_and_si256(keep, vd), _mm256_andnot_si256(keep, result)));
    }
    return i;
}
#endif

// A row of an Immediate method: the widest vectors the processor has, then
// `rule` (the per-pixel operation) for the pixels left over.
template <VectorOp Op, class Rule>
inline void SelectRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepIfTransparent, uint32_t keepAlways,
                      const Rule& rule) noexcept {
    int32_t i = 0;
#if defined(OC_ARITH_AVX2)
    if (HasAvx2()) i = SelectRowAvx2<Op>(d, s, n, keepIfTransparent, keepAlways);
#endif
#if defined(__SSE2__)
    i += SelectRowSse2<Op>(d + i, s + i, n - i, keepIfTransparent, keepAlways);
#endif
    for (; i < n; ++i) d[i] = rule(s[i], d[i]);
}

// Three colour channels computed one by one: fn(shift) gives the new byte of
// the channel at that shift; the alpha byte is given separately.
template <class Fn>
inline uint32_t ColourBytes(uint32_t alpha, Fn&& fn) noexcept {
    return (alpha << 24) | (fn(kRed) << 16) | (fn(kGreen) << 8) | fn(kBlue);
}

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
