// The rows of the arithmetic families with 256-bit vectors: Add and Sub
// Immediate (SelectRowSse2), Mul Immediate (MulImmediateRowSse2) and Mul Merge
// (MulMergeRowSse2), all in ArithRules.h, whose comments give the rules; here
// the same steps run eight pixels at a time. Two things differ from the SSE2
// rows: a byte shuffle spreads bytes across a pixel where SSE2 needs shifts,
// and Mul Merge computes the union of its alphas (Avx2Lanes.h) where the SSE2
// row looks it up.
#include "raster/blend/Avx2Rows.h"

#if defined(__AVX2__)

#include "raster/blend/Avx2Lanes.h"

namespace blend::avx2 {
namespace {

// 0x00FFFFFF in every pixel whose alpha byte is 0, else 0.
inline __m256i TransparentColourMask(__m256i v) noexcept {
    const __m256i alphaToColour = _mm256_setr_epi8(3, 3, 3, -1, 7, 7, 7, -1, 11, 11, 11, -1, 15, 15, 15, -1,  //
                                                   3, 3, 3, -1, 7, 7, 7, -1, 11, 11, 11, -1, 15, 15, 15, -1);
    return _mm256_shuffle_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256()), alphaToColour);
}

// Add and Sub: a transparent source pixel keeps its pixel.
template <bool kSubtract>
int32_t SaturatingRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways) noexcept {
    const __m256i alwaysKeep = Splat(keepAlways);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i vs = Load(s + i);
        const __m256i vd = Load(d + i);
        const __m256i keep = _mm256_or_si256(
            _mm256_cmpeq_epi32(_mm256_srli_epi32(vs, 24), _mm256_setzero_si256()), alwaysKeep);
        const __m256i result = kSubtract ? _mm256_subs_epu8(vd, vs) : _mm256_adds_epu8(vd, vs);
        Store(d + i, _mm256_blendv_epi8(result, vd, keep));
    }
    return i;
}

template <bool kColourOnly>
int32_t MulImmediate(uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    const __m256i evenMask = Splat(0x00FF00FF);
    const __m256i oddKeep = Splat(kColourOnly ? 0x0000FF00u : 0xFFFFFF00u);
    const __m256i one = _mm256_set1_epi16(1);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i vs = Load(s + i);
        const __m256i vd = Load(d + i);
        vs = _mm256_or_si256(vs, TransparentColourMask(vs));
        const __m256i even =
            _mm256_mulhi_epu16(_mm256_slli_epi16(vd, 8), _mm256_add_epi16(_mm256_and_si256(vs, evenMask), one));
        const __m256i odd =
            _mm256_mulhi_epu16(_mm256_and_si256(vd, oddKeep), _mm256_add_epi16(_mm256_srli_epi16(vs, 8), one));
        __m256i out = _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
        if constexpr (kColourOnly) out = _mm256_or_si256(out, _mm256_and_si256(vd, Splat(kAlphaBits)));
        Store(d + i, out);
    }
    return i;
}

template <bool kColourOnly, bool kOpacity>
inline __m256i MulMergeEight(__m256i vs, __m256i vd, __m256i level) noexcept {
    const __m256i zero = _mm256_setzero_si256();
    __m256i a = _mm256_srli_epi32(vs, 24);
    if constexpr (kOpacity) a = _mm256_srli_epi32(_mm256_mullo_epi16(a, level), 8);
    const __m256i none = _mm256_cmpeq_epi32(a, zero);
    if (AllTransparent(vd)) {
        __m256i drawn = _mm256_and_si256(vs, Splat(kColourBits));
        if constexpr (!kColourOnly) drawn = _mm256_or_si256(drawn, _mm256_slli_epi32(a, 24));
        return _mm256_blendv_epi8(drawn, vd, none);
    }
    const __m256i evenMask = Splat(0x00FF00FF);
    const __m256i bias = _mm256_set1_epi16(256);
    const __m256i dA = _mm256_srli_epi32(vd, 24);
    __m256i m = _mm256_or_si256(dA, _mm256_slli_epi32(dA, 16));
    m = _mm256_sub_epi16(m, _mm256_cmpeq_epi16(m, _mm256_set1_epi16(255)));
    __m256i se = _mm256_and_si256(vs, evenMask);
    se = _mm256_add_epi16(se, _mm256_srli_epi16(se, 7));
    __m256i so = _mm256_srli_epi16(vs, 8);
    so = _mm256_add_epi16(so, _mm256_srli_epi16(so, 7));
    const __m256i pe =
        _mm256_mulhi_epu16(se, _mm256_mullo_epi16(m, _mm256_sub_epi16(_mm256_and_si256(vd, evenMask), bias)));
    const __m256i po =
        _mm256_mulhi_epu16(so, _mm256_mullo_epi16(m, _mm256_sub_epi16(_mm256_srli_epi16(vd, 8), bias)));
    const __m256i vb = _mm256_blendv_epi8(_mm256_or_si256(pe, _mm256_slli_epi16(po, 8)), vs,
                                          _mm256_cmpeq_epi32(dA, zero));
    __m256i w, alpha;
    if (AllOpaque(vd)) {
        w = _mm256_sub_epi32(a, _mm256_cmpeq_epi32(a, Splat(255)));
        alpha = Splat(kAlphaBits);
    } else {
        const UnionLanes t = Union(a, dA);
        w = _mm256_andnot_si256(none, t.weight);
        alpha = _mm256_slli_epi32(t.alpha, 24);
    }
    const __m256i colour = _mm256_and_si256(MixLanes(vd, vb, DoubledWeight(w)), Splat(kColourBits));
    return _mm256_or_si256(colour, kColourOnly ? _mm256_and_si256(vd, Splat(kAlphaBits)) : alpha);
}

template <bool kColourOnly, bool kOpacity>
int32_t MulMerge(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept {
    const __m256i level = _mm256_set1_epi16(static_cast<int16_t>(opacity));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i vs = Load(s + i);
        if (AllTransparent(vs)) continue;
        Store(d + i, MulMergeEight<kColourOnly, kOpacity>(vs, Load(d + i), level));
    }
    return i;
}

}  // namespace

int32_t AddSaturateRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways) noexcept {
    return SaturatingRow<false>(d, s, n, keepAlways);
}

int32_t SubClampRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways) noexcept {
    return SaturatingRow<true>(d, s, n, keepAlways);
}

int32_t MulImmediateRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly) noexcept {
    return colourOnly ? MulImmediate<true>(d, s, n) : MulImmediate<false>(d, s, n);
}

int32_t MulMergeRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly) noexcept {
    return colourOnly ? MulMerge<true, false>(d, s, n, 255) : MulMerge<false, false>(d, s, n, 255);
}

int32_t MulMergeOpacityRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly, uint32_t opacity) noexcept {
    return colourOnly ? MulMerge<true, true>(d, s, n, opacity) : MulMerge<false, true>(d, s, n, opacity);
}

}  // namespace blend::avx2

#endif
