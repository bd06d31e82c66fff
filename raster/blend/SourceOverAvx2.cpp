// The source-over rows of the Alpha kind with 256-bit vectors: the rule and the
// shortcuts of SourceOverRowSse2 (KernelFrame.h), eight pixels a step:
//   - eight opaque source pixels are stored at once (full opacity), eight
//     transparent ones skipped;
//   - over eight opaque destination pixels the weight is the effective alpha
//     a (256 for 255) and the alpha stays 255, over eight transparent ones the
//     result is the source colour with alpha a;
//   - otherwise the union of a over the destination alpha is computed
//     (Avx2Lanes.h) where the SSE2 row looks it up.
// An effective alpha of 0 gets weight 0 and the union alpha u = dA, which
// leaves the pixel as it was.
#include "raster/blend/Avx2Rows.h"

#if defined(__AVX2__)

#include "raster/blend/Avx2Lanes.h"

namespace blend::avx2 {
namespace {

// Each pixel's alpha byte in both of its 16-bit lanes.
inline __m256i SpreadAlpha(__m256i v) noexcept {
    const __m256i spread = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,  //
                                            3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    return _mm256_shuffle_epi8(v, spread);
}

// The effective source alpha, one per 32-bit lane: sA, or (sA x opacity) >> 8
// (level holds the opacity in every 16-bit lane; the product fits the low 16
// bits of each 32-bit lane).
template <bool kWithOpacity>
inline __m256i EffectiveAlpha(__m256i vs, __m256i level) noexcept {
    const __m256i sa = _mm256_srli_epi32(vs, 24);
    if constexpr (kWithOpacity) return _mm256_srli_epi32(_mm256_mullo_epi16(sa, level), 8);
    return sa;
}

template <bool kWithOpacity>
inline __m256i OverOpaque(__m256i vd, __m256i vs, __m256i level) noexcept {
    __m256i a = SpreadAlpha(vs);
    if constexpr (kWithOpacity) {
        a = _mm256_srli_epi16(_mm256_mullo_epi16(a, level), 8);
    } else {
        a = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255)));
    }
    return _mm256_or_si256(MixLanes(vd, vs, _mm256_add_epi16(a, a)), Splat(kAlphaBits));
}

template <bool kWithOpacity>
inline __m256i OverTransparent(__m256i vd, __m256i vs, __m256i level) noexcept {
    const __m256i sa = EffectiveAlpha<kWithOpacity>(vs, level);
    const __m256i keep = _mm256_cmpeq_epi32(sa, _mm256_setzero_si256());
    const __m256i drawn = _mm256_or_si256(_mm256_and_si256(vs, Splat(kColourBits)), _mm256_slli_epi32(sa, 24));
    return _mm256_blendv_epi8(drawn, vd, keep);
}

template <bool kWithOpacity>
inline __m256i OverAny(__m256i vd, __m256i vs, __m256i level) noexcept {
    const __m256i sa = EffectiveAlpha<kWithOpacity>(vs, level);
    const UnionLanes t = Union(sa, _mm256_srli_epi32(vd, 24));
    const __m256i w = _mm256_andnot_si256(_mm256_cmpeq_epi32(sa, _mm256_setzero_si256()), t.weight);
    const __m256i mixed = MixLanes(vd, vs, DoubledWeight(w));
    return _mm256_or_si256(_mm256_and_si256(mixed, Splat(kColourBits)), _mm256_slli_epi32(t.alpha, 24));
}

template <bool kWithOpacity>
int32_t Row(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept {
    const __m256i level = _mm256_set1_epi16(static_cast<int16_t>(opacity));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i vs = Load(s + i);
        if (!kWithOpacity && AllOpaque(vs)) {
            Store(d + i, vs);
            continue;
        }
        if (AllTransparent(vs)) continue;
        const __m256i vd = Load(d + i);
        if (AllOpaque(vd)) {
            Store(d + i, OverOpaque<kWithOpacity>(vd, vs, level));
        } else if (AllTransparent(vd)) {
            Store(d + i, OverTransparent<kWithOpacity>(vd, vs, level));
        } else {
            Store(d + i, OverAny<kWithOpacity>(vd, vs, level));
        }
    }
    return i;
}

}  // namespace

int32_t SourceOverRow(uint32_t* d, const uint32_t* s, int32_t n) noexcept { return Row<false>(d, s, n, 0); }

int32_t SourceOverOpacityRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept {
    return Row<true>(d, s, n, opacity);
}

}  // namespace blend::avx2

#endif
