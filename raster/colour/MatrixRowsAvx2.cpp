// The narrowed colour-matrix row with 256-bit vectors: the steps of the SSE2
// row (NarrowRowSse2 in ColourMatrix.cpp; MatrixRows.h gives the arithmetic),
// eight pixels a step. The one difference: a byte shuffle puts the packed
// channel bytes back into pixel order where SSE2 needs two unpacks.
#include "raster/colour/MatrixRows.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace colour_matrix::avx2 {
namespace {

inline __m256i Splat(int32_t x) noexcept { return _mm256_set1_epi32(x); }

// One output row's sum shifted down by 16: the level before clamping.
template <bool kHigh>
inline __m256i RowLevel(const NarrowMatrix& m, int r, __m256i blueRed, __m256i greenAlpha) noexcept {
    __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(blueRed, Splat(m.lowBlueRed[r])),
                                   _mm256_madd_epi16(greenAlpha, Splat(m.lowGreenAlpha[r])));
    if constexpr (kHigh) {
        const __m256i high = _mm256_add_epi32(_mm256_madd_epi16(blueRed, Splat(m.highBlueRed[r])),
                                              _mm256_madd_epi16(greenAlpha, Splat(m.highGreenAlpha[r])));
        sum = _mm256_add_epi32(sum, _mm256_slli_epi32(high, 16));
    }
    return _mm256_srai_epi32(_mm256_add_epi32(sum, Splat(m.constant[r])), 16);
}

template <bool kKeepAlpha, bool kHigh>
int32_t Row(const NarrowMatrix& m, uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    const __m256i lowBytes = Splat(0x00FF00FF);
    // Per 128-bit lane the packs below give B0-3, R0-3, G0-3, A0-3.
    const __m256i toPixels = _mm256_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15,  //
                                              0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i blueRed = _mm256_and_si256(p, lowBytes);
        const __m256i greenAlpha = _mm256_and_si256(_mm256_srli_epi32(p, 8), lowBytes);
        const __m256i r = RowLevel<kHigh>(m, 0, blueRed, greenAlpha);
        const __m256i g = RowLevel<kHigh>(m, 1, blueRed, greenAlpha);
        const __m256i b = RowLevel<kHigh>(m, 2, blueRed, greenAlpha);
        const __m256i a = kKeepAlpha ? _mm256_srli_epi32(p, 24) : RowLevel<kHigh>(m, 3, blueRed, greenAlpha);
        // Signed saturation keeps every level (|level| <= 32768), unsigned
        // saturation clamps it to 0..255.
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(b, r), _mm256_packs_epi32(g, a));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_shuffle_epi8(bytes, toPixels));
    }
    return i;
}

}  // namespace

int32_t NarrowRow(const NarrowMatrix& m, uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    if (m.keepAlpha) return m.anyHigh ? Row<true, true>(m, d, s, n) : Row<true, false>(m, d, s, n);
    return m.anyHigh ? Row<false, true>(m, d, s, n) : Row<false, false>(m, d, s, n);
}

}  // namespace colour_matrix::avx2

#endif
