#pragma once
// Lane helpers of the AVX2 rows, for the *Avx2.cpp files alone (they are
// compiled with -mavx2; see Avx2Rows.h). Everything here has internal linkage,
// so no copy compiled for AVX2 can stand in for a function of another file.
#if !defined(__AVX2__)
#error "Avx2Lanes.h is for the files compiled with -mavx2"
#endif

#include <immintrin.h>

#include <cstdint>

namespace blend::avx2 {
namespace {

constexpr uint32_t kAlphaBits = 0xFF000000u;
constexpr uint32_t kColourBits = 0x00FFFFFFu;

inline __m256i Load(const uint32_t* p) noexcept { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store(uint32_t* p, __m256i v) noexcept { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
inline __m256i Splat(uint32_t x) noexcept { return _mm256_set1_epi32(static_cast<int>(x)); }

// Whether all eight alpha bytes are 255 / 0.
inline bool AllOpaque(__m256i v) noexcept { return _mm256_testc_si256(v, Splat(kAlphaBits)) != 0; }
inline bool AllTransparent(__m256i v) noexcept { return _mm256_testz_si256(v, Splat(kAlphaBits)) != 0; }

// A value of 0..256 per pixel, doubled into both 16-bit lanes of the pixel
// (the weight form MixLanes takes).
inline __m256i DoubledWeight(__m256i w32) noexcept {
    const __m256i both = _mm256_or_si256(w32, _mm256_slli_epi32(w32, 16));
    return _mm256_add_epi16(both, both);
}

// mix(lower, upper, w) of eight pixels as MixLanesSse2 (KernelFrame.h): w2
// holds 2w in both 16-bit lanes of each pixel; L + floor((U - L) x w / 256)
// per channel.
inline __m256i MixLanes(__m256i lower, __m256i upper, __m256i w2) noexcept {
    const __m256i evenMask = Splat(0x00FF00FF);
    const __m256i le = _mm256_and_si256(lower, evenMask);
    const __m256i lo = _mm256_srli_epi16(lower, 8);
    const __m256i de =
        _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_and_si256(upper, evenMask), le), 7), w2);
    const __m256i dodd =
        _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_srli_epi16(upper, 8), lo), 7), w2);
    return _mm256_or_si256(_mm256_add_epi16(le, de), _mm256_slli_epi16(_mm256_add_epi16(lo, dodd), 8));
}

// The union of an upper alpha a over a lower alpha b (one per 32-bit lane),
// computed as InitRasterLibrary fills AlphaUnionTable rather than looked up
// (eight lookups cost more than the arithmetic):
//   alpha  u = a + (((256 - a) x b) >> 8),
//   weight w = (a x ceil(2^23 / u)) >> 15, stored as (w - 1) & 0xFF, so
//          ((w - 1) & 0xFF) + 1 here.
// ceil(2^23 / u) in single precision is exact for u = 1..255 under any rounding
// mode: the quotient is within one ulp (at most 1/u) of 2^23 / u, which when
// not whole lies at least 1/u from every integer. For a = 0 the weight is
// meaningless (0 / 0); the rows give such pixels weight 0 themselves, and u = b
// is the table's alpha there too.
struct UnionLanes {
    __m256i weight;  // 1..256
    __m256i alpha;   // u
};
inline UnionLanes Union(__m256i a, __m256i b) noexcept {
    const __m256i u =
        _mm256_add_epi32(a, _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_sub_epi32(Splat(256), a), b), 8));
    const __m256i q = _mm256_cvttps_epi32(
        _mm256_ceil_ps(_mm256_div_ps(_mm256_set1_ps(8388608.0f), _mm256_cvtepi32_ps(u))));
    const __m256i w = _mm256_srli_epi32(_mm256_mullo_epi32(a, q), 15);
    return {_mm256_add_epi32(_mm256_and_si256(_mm256_sub_epi32(w, Splat(1)), Splat(0xFF)), Splat(1)), u};
}

}  // namespace
}  // namespace blend::avx2
