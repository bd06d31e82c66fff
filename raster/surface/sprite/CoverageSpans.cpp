// The lay-over of the source-over span, four and eight pixels at a time.
//
// The rule (pixel::LayOver) reads the union table row of a per pixel: entry
// T[a][A] gives the new alpha and the colour's weight. Two entries are known
// without reading: T[a][255] has alpha 255 and weight a (256 for a = 255),
// T[a][0] has alpha a and weight 256. Pixels that are all opaque are therefore
// mixed at one fixed weight and pixels that are all transparent become the
// colour with alpha a; the rest look their entries up and mix at their own
// weights. With SSE2 eight pixels share one test, and every run of groups of
// one alpha (an opaque canvas, a layer drawn at one opacity) shares one entry
// and one fixed-weight mixer; elsewhere the portable four-pixel form runs.
#include "raster/surface/sprite/CoverageSpans.h"

#include <bit>

#include "raster/surface/sprite/RasterLibrary.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace coverage {

namespace {

#if defined(__SSE2__)
// Whether the four alpha bytes of v are all 255 (bits 3, 7, 11, 15 of the
// byte mask).
inline bool AllOpaqueSse2(__m128i v) noexcept {
    return (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi32(-1))) & 0x8888) == 0x8888;
}

// The colour mixed into four pixels at one weight w (1..256): every byte in a
// 16-bit lane, (d x (256 - w) + colour x w) >> 8 with at most 255 x 256 in a
// lane. The alpha lane mixes toward 255, so an opaque pixel stays opaque.
struct FixedMixSse2 {
    __m128i keep;   // 256 - w in every lane
    __m128i added;  // colour x w per channel lane, 255 x w in the alpha lanes

    FixedMixSse2(uint32_t colour, uint32_t w) noexcept
        : keep(_mm_set1_epi16(static_cast<int16_t>(256 - w))),
          added(_mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour | pixel::kAlphaBits)),
                                                  _mm_setzero_si128()),
                                _mm_set1_epi16(static_cast<int16_t>(w)))) {}

    __m128i operator()(__m128i d) const noexcept {
        const __m128i zero = _mm_setzero_si128();
        const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), keep), added);
        const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), keep), added);
        return _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
    }
};

// Whether the eight alpha bytes of v0 and v1 all equal the top byte of alpha.
inline bool SameAlphaSse2(__m128i v0, __m128i v1, uint32_t alpha) noexcept {
    const __m128i top = _mm_set1_epi32(static_cast<int>(alpha));
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi8(v0, top), _mm_cmpeq_epi8(v1, top));
    return (_mm_movemask_epi8(same) & 0x8888) == 0x8888;
}

// The colour mixed into four pixels at four weights w (1..256, one per 32-bit
// lane), alpha bytes of the result 0. Per channel L + floor((U - L) x w / 256),
// which is (U x w + L x (256 - w)) >> 8 exactly (L x 256 is a multiple of
// 256): (U - L) x 128 fits a signed 16-bit lane, and the high half of its
// product with 2w is that floor.
inline __m128i MixColourSse2(__m128i d, __m128i colourRB, __m128i colourG, __m128i w) noexcept {
    const __m128i rbMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i both = _mm_or_si128(w, _mm_slli_epi32(w, 16));
    const __m128i w2 = _mm_add_epi16(both, both);
    const __m128i lowerRB = _mm_and_si128(d, rbMask);
    const __m128i lowerG = _mm_and_si128(_mm_srli_epi32(d, 8), _mm_set1_epi32(0xFF));
    const __m128i rb = _mm_add_epi16(lowerRB, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(colourRB, lowerRB), 7), w2));
    const __m128i g = _mm_add_epi16(lowerG, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(colourG, lowerG), 7), w2));
    return _mm_or_si128(_mm_and_si128(rb, rbMask), _mm_slli_epi32(_mm_and_si128(g, _mm_set1_epi32(0xFF)), 8));
}

// Any four pixels through the union table row: the entries are read on the
// scalar side and come back as two 64-bit halves.
inline __m128i OverAnySse2(__m128i d, const uint16_t* unionRow, __m128i colourRB, __m128i colourG) noexcept {
    alignas(16) uint32_t slot[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(slot), _mm_srli_epi32(d, 24));
    const uint64_t e01 = unionRow[slot[0]] | (uint64_t{unionRow[slot[1]]} << 32);
    const uint64_t e23 = unionRow[slot[2]] | (uint64_t{unionRow[slot[3]]} << 32);
    const __m128i e = _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<int64_t>(e01)),
                                         _mm_cvtsi64_si128(static_cast<int64_t>(e23)));
    const __m128i w = _mm_add_epi32(_mm_srli_epi32(e, 8), _mm_set1_epi32(1));
    return _mm_or_si128(_mm_slli_epi32(e, 24), MixColourSse2(d, colourRB, colourG, w));
}
#endif

}  // namespace

void LayOverRun(uint32_t* d, int32_t n, uint32_t colour, uint32_t a) noexcept {
    using pixel::Pixels4;
    const uint16_t* unionRow = AlphaUnionTable + (a << 8);
    const pixel::FixedColourMix overOpaque(colour, a == 255 ? 256 : a);
    const Pixels4 overTransparent = pixel::Splat<Pixels4>(colour | (a << 24));
    int32_t i = 0;
#if defined(__SSE2__)
    {
        auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
        auto asVector = [](Pixels4 v) { return std::bit_cast<__m128i>(v); };
        const __m128i colourRB = _mm_set1_epi32(static_cast<int>(colour & pixel::kRB));
        const __m128i colourG = _mm_set1_epi32(static_cast<int>((colour >> 8) & 0xFFu));
        const __m128i transparentResult = asVector(overTransparent);
        const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(pixel::kAlphaBits));
        const FixedMixSse2 overOpaqueSse2(colour, a == 255 ? 256 : a);
        // The mixer of the alpha the last group of one alpha had (none yet:
        // mixTop holds a value that no alpha byte gives).
        uint32_t mixTop = 1;
        FixedMixSse2 mix = overOpaqueSse2;
        __m128i mixAlpha = alphaBits;
        const __m128i colourBits = _mm_set1_epi32(static_cast<int>(pixel::kColourBits));
        for (; i + 8 <= n; i += 8) {
            const __m128i v0 = load(d + i);
            const __m128i v1 = load(d + i + 4);
            if (AllOpaqueSse2(_mm_and_si128(v0, v1))) {
                store(d + i, overOpaqueSse2(v0));
                store(d + i + 4, overOpaqueSse2(v1));
                continue;
            }
            const uint32_t top = d[i] & pixel::kAlphaBits;
            if (!SameAlphaSse2(v0, v1, top)) {
                store(d + i, OverAnySse2(v0, unionRow, colourRB, colourG));
                store(d + i + 4, OverAnySse2(v1, unionRow, colourRB, colourG));
            } else if (top == 0) {
                store(d + i, transparentResult);
                store(d + i + 4, transparentResult);
            } else {
                if (top != mixTop) {
                    const uint32_t e = unionRow[top >> 24];
                    mixTop = top;
                    mix = FixedMixSse2(colour, pixel::UnionWeight(e));
                    mixAlpha = _mm_set1_epi32(static_cast<int>(pixel::UnionAlpha(e) << 24));
                }
                store(d + i, _mm_or_si128(_mm_and_si128(mix(v0), colourBits), mixAlpha));
                store(d + i + 4, _mm_or_si128(_mm_and_si128(mix(v1), colourBits), mixAlpha));
            }
        }
    }
#endif
    const Pixels4 colour4 = pixel::Splat<Pixels4>(colour);
    for (; i + 4 <= n; i += 4) {
        const Pixels4 v = pixel::Load4(d + i);
        Pixels4 out;
        if (pixel::AllOpaque(v)) {
            out = overOpaque(v) | pixel::kAlphaBits;
        } else if (pixel::AllTransparent(v)) {
            out = overTransparent;
        } else {
            const Pixels4 alpha = v >> 24;
            const Pixels4 e = {unionRow[alpha[0]], unionRow[alpha[1]], unionRow[alpha[2]], unionRow[alpha[3]]};
            out = ((e & 0xFFu) << 24) | pixel::MixColour4(colour4, v, (e >> 8) + 1);
        }
        pixel::Store4(d + i, out);
    }
    for (; i < n; ++i) d[i] = pixel::LayOver(d[i], colour, a);
}

}  // namespace coverage
