#pragma once
// The compositing kernel frame: what every kernel that draws one sprite onto
// another shares.
//
// A kernel is three things put together:
//   - a pixel operation: a small value type whose operator()(s, d) returns the
//     new destination pixel for source pixel s over destination pixel d. It may
//     also offer Row(d, s, n), a faster loop over n pixels with the same result
//     (byte-parallel or SSE2); the frame uses it when present. It may offer
//     DrawsNothing(), tested before clipping (a tone strength of 0).
//   - a geometry: plain (one-to-one), stretched (nearest sample at 16.16
//     positions), from an indexed source, or through the source's block opacity
//     mask. Each clips once, returns when nothing is left, and walks rows top to
//     bottom with row pointers advanced by the stride. Stretched and indexed
//     sources are gathered into a small stack buffer one run at a time, so every
//     geometry ends in the same Row call.
//   - a member: a one-line instantiation in a family table (see KernelTable.h).
//
// Pixels are 0xAARRGGBB with straight alpha. Every rule is integer arithmetic
// truncated by shifts:
//   mixing rule    mix(L, U, w) = (L x (256 - w) + U x w) >> 8 per channel,
//                  w = 0..256 is the weight of the upper colour U;
//   union          T = AlphaUnionTable[upper alpha][lower alpha]:
//                  w = (T >> 8) + 1, combined alpha = T & 0xFF;
//   opacity        effective source alpha a = (sA x opacity) >> 8;
//   tone tint      t16 = tone x amount + source x (256 - amount) per channel,
//                  the tinted byte is t16 >> 8.
// Forms: Full writes all four bytes, C only the colour bytes (destination alpha
// kept), A only the alpha byte (colour kept).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "raster/blend/Avx2Rows.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace blend {

enum class Form : uint8_t { Full, C, A };

using pixel::kAlphaBits;
using pixel::kColourBits;

// The result r written by a form over the destination pixel d.
template <Form F>
inline uint32_t ApplyForm(uint32_t d, uint32_t r) noexcept {
    if constexpr (F == Form::Full) {
        return r;
    } else if constexpr (F == Form::C) {
        return (d & kAlphaBits) | (r & kColourBits);
    } else {
        return (r & kAlphaBits) | (d & kColourBits);
    }
}

// ---------------------------------------------------------------------------
// Mixing rule

// The raster layer's own: the four channels in 16-bit lanes of a 64-bit word
// (SpreadLanes, JoinLanes) and mix(lower, upper, w) on all four channels, w in
// 0..256 (Mix).
using pixel::JoinLanes;
using pixel::Mix;
using pixel::SpreadLanes;

// Byte-parallel forms of the mixing rule for the weights 128, 64 and 192: the
// same bytes, no multiplication. Every final byte lies in 0..255 and no
// intermediate byte leaves it, so whole-word arithmetic needs no lane masks
// beyond the shifts.
inline uint32_t MixHalf(uint32_t a, uint32_t b) noexcept {
    // floor((a + b) / 2) per byte.
    return ((a >> 1) & 0x7F7F7F7Fu) + ((b >> 1) & 0x7F7F7F7Fu) + (a & b & 0x01010101u);
}
inline uint32_t MixThreeQuarters(uint32_t a, uint32_t b) noexcept {
    // floor((3a + b) / 4) per byte: a - a/4 + b/4, minus one where the dropped
    // low bits of 3a + b do not make up a further 4.
    const uint32_t carry = (((a & 0x03030303u) + (~b & 0x03030303u)) >> 2) & 0x01010101u;
    return a - ((a >> 2) & 0x3F3F3F3Fu) + ((b >> 2) & 0x3F3F3F3Fu) - carry;
}

// Mixing with a weight fixed for a whole call. The byte-parallel weights are
// types of their own so that the choice is made once per row, not per pixel.
struct AnyWeight {
    uint32_t w;
    uint32_t operator()(uint32_t lower, uint32_t upper) const noexcept { return Mix(lower, upper, w); }
};
template <uint32_t W>
struct ByteParallelWeight {
    static_assert(W == 64 || W == 128 || W == 192);
    uint32_t operator()(uint32_t lower, uint32_t upper) const noexcept {
        if constexpr (W == 128) return MixHalf(lower, upper);
        else if constexpr (W == 64) return MixThreeQuarters(lower, upper);
        else return MixThreeQuarters(upper, lower);
    }
};
// Calls fn with the mixer for weight w.
template <class Fn>
inline void WithWeight(uint32_t w, Fn&& fn) {
    switch (w) {
        case 64: fn(ByteParallelWeight<64>{}); break;
        case 128: fn(ByteParallelWeight<128>{}); break;
        case 192: fn(ByteParallelWeight<192>{}); break;
        default: fn(AnyWeight{w}); break;
    }
}

// Source mixed over destination with one weight for the whole call, whatever
// the source alpha (the copy blends, BlendC, and LayerC with an opacity, which
// leaves fully transparent source pixels alone: kSkipTransparent).
template <Form F, bool kSkipTransparent>
struct ConstantWeight {
    uint32_t w;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (kSkipTransparent && (s >> 24) == 0) return d;
        return ApplyForm<F>(d, Mix(d, s, w));
    }
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept {
        WithWeight(w, [&](auto mix) {
            for (int32_t i = 0; i < n; ++i) {
                if (kSkipTransparent && (s[i] >> 24) == 0) continue;
                d[i] = ApplyForm<F>(d[i], mix(d[i], s[i]));
            }
        });
    }
};

// ---------------------------------------------------------------------------
// Tables

// AlphaUnionTable[upper][lower] and the upper colour's weight in an entry.
using pixel::Union;
using pixel::UnionWeight;

// ---------------------------------------------------------------------------
// Tone tint

inline uint32_t LimitAmount(uint32_t amount) noexcept { return amount > 256 ? 256 : amount; }

// The tint of a source pixel toward the tone colour, per channel kept
// unrounded (0..65280) for the kinds that mix it at 16-bit precision.
struct ToneTint {
    uint32_t toneTerm[3];  // tone x amount: red, green, blue
    uint32_t keep[3];      // 256 - amount

    ToneTint(uint32_t tone, uint32_t rp, uint32_t gp, uint32_t bp) noexcept {
        const uint32_t amount[3] = {LimitAmount(rp), LimitAmount(gp), LimitAmount(bp)};
        for (int c = 0; c < 3; ++c) {
            const uint32_t toneByte = (tone >> (16 - 8 * c)) & 0xFF;
            toneTerm[c] = toneByte * amount[c];
            keep[c] = 256 - amount[c];
        }
    }
    // Channel c (0 red, 1 green, 2 blue) of the untruncated tint.
    uint32_t Wide(uint32_t s, int c) const noexcept { return toneTerm[c] + ((s >> (16 - 8 * c)) & 0xFF) * keep[c]; }
    // The tinted colour bytes (alpha byte 0).
    uint32_t Bytes(uint32_t s) const noexcept {
        return ((Wide(s, 0) >> 8) << 16) | ((Wide(s, 1) >> 8) << 8) | (Wide(s, 2) >> 8);
    }
};

// Tone mixing of the untruncated tint over the destination colour with weight
// w (1..256): floor((t16 x w + 256 x d x (256 - w)) / 65536) per channel.
inline uint32_t ToneMix(const ToneTint& tint, uint32_t s, uint32_t d, uint32_t w) noexcept {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const uint32_t dc = (d >> shift) & 0xFF;
        out |= ((tint.Wide(s, c) * w + 256 * dc * (256 - w)) >> 16) << shift;
    }
    return out;
}

// The colour-only tone kinds LayerToneC (kSkipTransparent) and BlendToneC: the
// untruncated tint over the destination colour with the strength s = min(am,
// 256) as weight, (256 x d x (256 - s) + s x t16) >> 16 per channel; s = 256
// writes the truncated tint, s = 0 draws nothing; alpha kept.
template <bool kSkipTransparent>
struct ToneStrengthC {
    ToneTint tint;
    uint32_t strength;

    bool DrawsNothing() const noexcept { return strength == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (kSkipTransparent && (s >> 24) == 0) return d;
        if (strength == 256) return (d & kAlphaBits) | tint.Bytes(s);
        uint32_t out = d & kAlphaBits;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const uint32_t dc = (d >> shift) & 0xFF;
            out |= ((256 * dc * (256 - strength) + strength * tint.Wide(s, c)) >> 16) << shift;
        }
        return out;
    }
};

// ---------------------------------------------------------------------------
// Source-over rows with SSE2
//
// The source-over rule of the Alpha kind (and of the Alpha method with the
// source colour as blend colour), eight pixels at a time, exactly as the scalar
// rule. Runs of eight take shortcuts where they can:
//   - opaque source pixels are stored at once, transparent ones skipped;
//   - over opaque destination pixels the union needs no table: the row
//     T[a][255] holds the weight a (256 for a = 255) and the combined alpha 255;
//   - over transparent destination pixels neither: T[a][0] holds the weight 256
//     and the combined alpha a, so the result is the source colour with alpha a;
//   - otherwise the union table is looked up per pixel (SSE2 has no gather).
// An effective alpha of 0 gets weight 0 and the table's own entry T[0][dA] =
// dA, which leaves the pixel as it was. Where the destination alpha varies the
// lookups cost about as much as the rest of the rule together. Where the
// processor has AVX2 the methods below run the 256-bit twin of these rows
// first (SourceOverAvx2.cpp), which computes the union instead.
#if defined(__SSE2__)
// mix(lower, upper, w) of four pixels; w2 holds 2w in both 16-bit lanes of
// each pixel. Even bytes (blue, red) and odd bytes (green, alpha) are mixed in
// 16-bit lanes as L + floor((U - L) x w / 256), which is the rule exactly
// (L x 256 is a multiple of 256); mulhi((U - L) x 128, 2w) gives that floor on
// signed lanes.
inline __m128i MixLanesSse2(__m128i lower, __m128i upper, __m128i w2) noexcept {
    const __m128i evenMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i le = _mm_and_si128(lower, evenMask);
    const __m128i lo = _mm_srli_epi16(lower, 8);
    const __m128i de = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_and_si128(upper, evenMask), le), 7), w2);
    const __m128i dodd = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_srli_epi16(upper, 8), lo), 7), w2);
    return _mm_or_si128(_mm_add_epi16(le, de), _mm_slli_epi16(_mm_add_epi16(lo, dodd), 8));
}
// The effective source alpha of four pixels, one per 32-bit lane: sA, or
// (sA x opacity) >> 8 (level holds the opacity in every 16-bit lane; the
// product fits the low 16 bits of each 32-bit lane).
template <bool kWithOpacity>
inline __m128i EffectiveAlphaSse2(__m128i vs, __m128i level) noexcept {
    const __m128i sa = _mm_srli_epi32(vs, 24);
    if constexpr (kWithOpacity) return _mm_srli_epi32(_mm_mullo_epi16(sa, level), 8);
    return sa;
}

// Whether all four alpha bytes are 255 / 0 (bits 3, 7, 11, 15 of the byte mask).
inline bool AllOpaqueSse2(__m128i v) noexcept {
    return (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi32(-1))) & 0x8888) == 0x8888;
}
inline bool AllTransparentSse2(__m128i v) noexcept {
    return (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) & 0x8888) == 0x8888;
}

// Over four opaque destination pixels: the weight is the effective alpha a
// (256 for a = 255; cmpeq gives -1, subtracted) and the alpha stays 255; a
// transparent source pixel (weight 0) leaves its pixel. The source alpha is
// spread over both 16-bit lanes of its pixel by shuffles.
template <bool kWithOpacity>
inline __m128i OverOpaqueSse2(__m128i vd, __m128i vs, __m128i level) noexcept {
    const __m128i high = _mm_srli_epi16(vs, 8);  // green, alpha
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, 0xF5), 0xF5);
    if constexpr (kWithOpacity) {
        a = _mm_srli_epi16(_mm_mullo_epi16(a, level), 8);
    } else {
        a = _mm_sub_epi16(a, _mm_cmpeq_epi16(a, _mm_set1_epi16(255)));
    }
    return _mm_or_si128(MixLanesSse2(vd, vs, _mm_add_epi16(a, a)), _mm_set1_epi32(static_cast<int>(kAlphaBits)));
}

// Over four transparent destination pixels: the source colour with alpha a,
// or the pixel unchanged where a = 0.
template <bool kWithOpacity>
inline __m128i OverTransparentSse2(__m128i vd, __m128i vs, __m128i level) noexcept {
    const __m128i sa = EffectiveAlphaSse2<kWithOpacity>(vs, level);
    const __m128i keep = _mm_cmpeq_epi32(sa, _mm_setzero_si128());
    const __m128i drawn =
        _mm_or_si128(_mm_and_si128(vs, _mm_set1_epi32(static_cast<int>(kColourBits))), _mm_slli_epi32(sa, 24));
    return _mm_or_si128(_mm_and_si128(keep, vd), _mm_andnot_si128(keep, drawn));
}

// Any four pixels, through the union table. The lookups run on the scalar
// side, which has ports to spare, and put each entry in both 16-bit lanes of
// its pixel; the weight 2w = 2 x ((T >> 8) + 1) is zeroed where a = 0.
template <bool kWithOpacity>
inline __m128i OverAnySse2(__m128i vd, __m128i vs, __m128i level) noexcept {
    const __m128i sa = EffectiveAlphaSse2<kWithOpacity>(vs, level);
    const __m128i transparent = _mm_cmpeq_epi32(sa, _mm_setzero_si128());
    alignas(16) uint32_t slot[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(slot), _mm_or_si128(_mm_slli_epi32(sa, 8), _mm_srli_epi32(vd, 24)));
    const uint64_t t01 =
        AlphaUnionTable[slot[0]] * uint64_t{0x10001} | (AlphaUnionTable[slot[1]] * uint64_t{0x10001}) << 32;
    const uint64_t t23 =
        AlphaUnionTable[slot[2]] * uint64_t{0x10001} | (AlphaUnionTable[slot[3]] * uint64_t{0x10001}) << 32;
    const __m128i t =
        _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<int64_t>(t01)), _mm_cvtsi64_si128(static_cast<int64_t>(t23)));
    const __m128i w = _mm_andnot_si128(transparent, _mm_add_epi16(_mm_srli_epi16(t, 8), _mm_set1_epi16(1)));
    const __m128i mixed = MixLanesSse2(vd, vs, _mm_add_epi16(w, w));
    return _mm_or_si128(_mm_and_si128(mixed, _mm_set1_epi32(static_cast<int>(kColourBits))), _mm_slli_epi32(t, 24));
}

// Eight pixels at a time; runs that share a shortcut (opaque or transparent
// sources, opaque or transparent destinations) take it. Returns the pixels done.
template <bool kWithOpacity>
inline int32_t SourceOverRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept {
    const __m128i level = _mm_set1_epi16(static_cast<int16_t>(opacity));
    auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i vs0 = load(s + i);
        const __m128i vs1 = load(s + i + 4);
        if (!kWithOpacity && AllOpaqueSse2(_mm_and_si128(vs0, vs1))) {
            store(d + i, vs0);
            store(d + i + 4, vs1);
            continue;
        }
        if (AllTransparentSse2(_mm_or_si128(vs0, vs1))) continue;
        const __m128i vd0 = load(d + i);
        const __m128i vd1 = load(d + i + 4);
        if (AllOpaqueSse2(_mm_and_si128(vd0, vd1))) {
            store(d + i, OverOpaqueSse2<kWithOpacity>(vd0, vs0, level));
            store(d + i + 4, OverOpaqueSse2<kWithOpacity>(vd1, vs1, level));
        } else if (AllTransparentSse2(_mm_or_si128(vd0, vd1))) {
            store(d + i, OverTransparentSse2<kWithOpacity>(vd0, vs0, level));
            store(d + i + 4, OverTransparentSse2<kWithOpacity>(vd1, vs1, level));
        } else {
            store(d + i, OverAnySse2<kWithOpacity>(vd0, vs0, level));
            store(d + i + 4, OverAnySse2<kWithOpacity>(vd1, vs1, level));
        }
    }
    for (; i + 4 <= n; i += 4) store(d + i, OverAnySse2<kWithOpacity>(load(d + i), load(s + i), level));
    return i;
}
#endif

// ---------------------------------------------------------------------------
// Compositing methods
//
// A blend formula gives the blend colour B from the source and destination
// pixels (only its colour bytes count); a method decides how B reaches the
// destination. SourceColour (B = s) turns the Alpha method into the Alpha draw
// kind itself.

struct SourceColour {
    static uint32_t Blend(uint32_t s, uint32_t /*d*/) noexcept { return s; }
};

// Alpha method. Full form: sA = 0 skipped, sA = 255 writes B with alpha 255,
// otherwise union weight and union alpha. C form: sA = 255 writes B's colour,
// otherwise B over d with the weight sA itself; alpha kept.
template <class Formula, Form F>
struct AlphaMethod {
    static_assert(F != Form::A, "the Alpha method has no alpha-only form");

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = s >> 24;
        if (sA == 0) return d;
        const uint32_t b = Formula::Blend(s, d);
        if constexpr (F == Form::Full) {
            if (sA == 255) return b | kAlphaBits;
            const uint32_t t = Union(sA, d >> 24);
            return (Mix(d, b, UnionWeight(t)) & kColourBits) | (t << 24);
        } else {
            if (sA == 255) return (d & kAlphaBits) | (b & kColourBits);
            return (d & kAlphaBits) | (Mix(d, b, sA) & kColourBits);
        }
    }

#if defined(__SSE2__)
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept
        requires(std::is_same_v<Formula, SourceColour> && F == Form::Full)
    {
        int32_t i = 0;
#if defined(OC_BLEND_AVX2)
        if (n >= 8 && avx2::Available()) i = avx2::SourceOverRow(d, s, n);
#endif
        for (i += SourceOverRowSse2<false>(d + i, s + i, n - i, 0); i < n; ++i) d[i] = (*this)(s[i], d[i]);
    }
#endif
};

// Alpha method with an opacity of 1..254: a = (sA x opacity) >> 8 replaces sA;
// a = 0 leaves the pixel. a never reaches 255.
template <class Formula, Form F>
struct AlphaMethodOpacity {
    static_assert(F != Form::A, "the Alpha method has no alpha-only form");
    uint32_t opacity;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t a = ((s >> 24) * opacity) >> 8;
        if (a == 0) return d;
        const uint32_t b = Formula::Blend(s, d);
        if constexpr (F == Form::Full) {
            const uint32_t t = Union(a, d >> 24);
            return (Mix(d, b, UnionWeight(t)) & kColourBits) | (t << 24);
        } else {
            return (d & kAlphaBits) | (Mix(d, b, a) & kColourBits);
        }
    }

#if defined(__SSE2__)
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept
        requires(std::is_same_v<Formula, SourceColour> && F == Form::Full)
    {
        int32_t i = 0;
#if defined(OC_BLEND_AVX2)
        if (n >= 8 && avx2::Available()) i = avx2::SourceOverOpacityRow(d, s, n, opacity);
#endif
        for (i += SourceOverRowSse2<true>(d + i, s + i, n - i, opacity); i < n; ++i) d[i] = (*this)(s[i], d[i]);
    }
#endif
};

// Merge method: B is first pre-mixed with the source colour by the destination's
// opacity v = dA + (dA >> 7), so a transparent destination receives the plain
// source colour and an opaque one the full blend; then as the Alpha method,
// except that the C form weighs by the union table too. kWithOpacity: the
// effective alpha a = (sA x opacity) >> 8 replaces sA.
template <class Formula, Form F, bool kWithOpacity>
struct MergeMethodRule {
    static_assert(F != Form::A, "the Merge method has no alpha-only form");
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = kWithOpacity ? ((s >> 24) * opacity) >> 8 : s >> 24;
        if (sA == 0) return d;
        const uint32_t dA = d >> 24;
        const uint32_t b = Mix(s, Formula::Blend(s, d), dA + (dA >> 7));
        if (sA == 255) return ApplyForm<F>(d, b | kAlphaBits);
        const uint32_t t = Union(sA, dA);
        const uint32_t colour = Mix(d, b, UnionWeight(t)) & kColourBits;
        if constexpr (F == Form::Full) {
            return colour | (t << 24);
        } else {
            return (d & kAlphaBits) | colour;
        }
    }
};
template <class Formula, Form F>
using MergeMethod = MergeMethodRule<Formula, F, false>;
template <class Formula, Form F>
using MergeMethodOpacity = MergeMethodRule<Formula, F, true>;

// ---------------------------------------------------------------------------
// Geometries

template <class Op>
inline void RunRow(const Op& op, uint32_t* d, const uint32_t* s, int32_t n) {
    if constexpr (requires { op.Row(d, s, n); }) {
        op.Row(d, s, n);
    } else {
        for (int32_t i = 0; i < n; ++i) d[i] = op(s[i], d[i]);
    }
}

template <class Op>
inline bool DrawsNothing(const Op& op) {
    if constexpr (requires { op.DrawsNothing(); }) {
        return op.DrawsNothing();
    } else {
        return false;
    }
}

// Pixels gathered from a stretched or indexed source per run.
constexpr int32_t kGatherRun = 256;

// One-to-one: the clipped source rectangle onto the destination.
template <class Op>
void DrawPlain(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
               int32_t h, const Op& op) {
    if (DrawsNothing(op)) return;
    target.ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    uint32_t* d = target.PixelAt(dx, dy);
    const uint32_t* s = source.PixelAt(sx, sy);
    const ptrdiff_t dStride = target.GetStride();
    const ptrdiff_t sStride = source.GetStride();
    for (int32_t y = 0; y < h; ++y, d += dStride, s += sStride) RunRow(op, d, s, w);
}

// Scaled: destination pixel (i, j) of the clipped rectangle takes the source
// pixel (sx + ((startX + i x stepX) >> 16), sy + ((startY + j x stepY) >> 16)),
// positions in 64 bits. Draws only when dw, dh, sw and sh are all positive.
template <class Op>
void DrawStretched(CSprite& target, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& source,
                   int32_t sx, int32_t sy, int32_t sw, int32_t sh, const Op& op) {
    if (DrawsNothing(op)) return;
    int64_t stepX = 0, stepY = 0, startX = 0, startY = 0;
    target.ClipBlitStretched(dx, dy, dw, dh, stepX, stepY, startX, startY, source, sx, sy, sw, sh);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || stepX < 0 || stepY < 0 || startX < 0 || startY < 0) return;
    // The clip keeps every sample inside the source rectangle; hold to that
    // here as well, so that no position can ever read outside it.
    const int64_t limitX = static_cast<int64_t>(sw) << 16;
    const int64_t limitY = static_cast<int64_t>(sh) << 16;
    if (startX >= limitX || startY >= limitY) return;
    if (stepX > 0 && startX + (dw - 1) * stepX >= limitX) dw = static_cast<int32_t>((limitX - 1 - startX) / stepX + 1);
    if (stepY > 0 && startY + (dh - 1) * stepY >= limitY) dh = static_cast<int32_t>((limitY - 1 - startY) / stepY + 1);

    uint32_t run[kGatherRun];
    const ptrdiff_t dStride = target.GetStride();
    uint32_t* dRow = target.PixelAt(dx, dy);
    int64_t posY = startY;
    for (int32_t j = 0; j < dh; ++j, posY += stepY, dRow += dStride) {
        const uint32_t* sRow = source.PixelAt(sx, sy + static_cast<int32_t>(posY >> 16));
        int64_t posX = startX;
        for (int32_t i = 0; i < dw; i += kGatherRun) {
            const int32_t n = dw - i < kGatherRun ? dw - i : kGatherRun;
            for (int32_t k = 0; k < n; ++k, posX += stepX) run[k] = sRow[posX >> 16];
            RunRow(op, dRow + i, run, n);
        }
    }
}

// From an indexed source: depth codes 1..4 are 1, 2, 4, 8 bits per pixel, the
// leftmost pixel of a word in its most significant bits; the palette starts at
// word 4 of row 0 and the index rows follow from row 1. ClipBlitIndexed leaves
// nothing for any other depth code or a row too narrow for its palette.
template <class Op>
void DrawFromIndexed(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                     int32_t w, int32_t h, const Op& op) {
    target.ClipBlitIndexed(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const uint32_t depth = source.GetDepthCode();
    if (depth < 1 || depth > 4) return;
    const uint32_t bits = 1u << (depth - 1);
    const uint32_t perWordShift = 5 - (depth - 1);  // log2(32 / bits)
    const uint32_t fieldMask = (1u << bits) - 1;
    const uint32_t* palette = source.PixelAt(4, 0);

    uint32_t run[kGatherRun];
    const ptrdiff_t dStride = target.GetStride();
    uint32_t* dRow = target.PixelAt(dx, dy);
    for (int32_t j = 0; j < h; ++j, dRow += dStride) {
        const uint32_t* words = source.PixelAt(0, sy + 1 + j);
        for (int32_t i = 0; i < w; i += kGatherRun) {
            const int32_t n = w - i < kGatherRun ? w - i : kGatherRun;
            for (int32_t k = 0; k < n; ++k) {
                const uint32_t x = static_cast<uint32_t>(sx + i + k);
                const uint32_t slot = x & ((32u / bits) - 1);
                const uint32_t shift = 32 - bits * (slot + 1);
                run[k] = palette[(words[x >> perWordShift] >> shift) & fieldMask];
            }
            RunRow(op, dRow + i, run, n);
        }
    }
}

// Through the source's block opacity mask: the rectangle is split so that its
// core starts at a source row that is a multiple of 4 and a source column that
// is a multiple of 16 and spans whole 16 x 4 groups; the strips around it and
// rectangles too small for a group are drawn by the unmasked rule. In the core
// an opaque 4 x 4 block is copied (Full: whole pixels, C: colour bytes), a
// transparent block is skipped and a mixed one drawn by the rule. An opaque
// pixel is copied and a transparent one left alone by every rule this is used
// with, so the result is that of the unmasked rule as long as the mask is
// current.
template <Form F, class Op>
void DrawMasked(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                int32_t h, const Op& op) {
    static_assert(F == Form::Full || F == Form::C);
    target.ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const uint8_t* mask = source.GetOpacityMask();
    if (w < 16 || h < 4 || mask == nullptr) {
        DrawPlain(target, dx, dy, source, sx, sy, w, h, op);
        return;
    }
    if (const int32_t r = sy & 3; r > 0) {
        DrawPlain(target, dx, dy, source, sx, sy, w, 4 - r, op);
        dy += 4 - r;
        sy += 4 - r;
        h -= 4 - r;
    }
    if (const int32_t r = h & 3; r > 0) {
        DrawPlain(target, dx, dy + (h - r), source, sx, sy + (h - r), w, r, op);
        h -= r;
        if (h == 0) return;
    }
    if (const int32_t c = sx & 15; c > 0) {
        DrawPlain(target, dx, dy, source, sx, sy, 16 - c, h, op);
        dx += 16 - c;
        sx += 16 - c;
        w -= 16 - c;
    }
    if (const int32_t c = w & 15; c > 0) {
        DrawPlain(target, dx + (w - c), dy, source, sx + (w - c), sy, c, h, op);
        w -= c;
        if (w == 0) return;
    }

    const ptrdiff_t dStride = target.GetStride();
    const ptrdiff_t sStride = source.GetStride();
    const int32_t maskStride = source.GetMaskStride();
    const uint8_t* maskRow = mask + static_cast<ptrdiff_t>(sy >> 2) * maskStride + (sx >> 4);
    // Copies a block of `width` pixels by 4 rows.
    auto copyBlock = [&](uint32_t* d, const uint32_t* s, int32_t width) {
        for (int32_t r = 0; r < 4; ++r, d += dStride, s += sStride) {
            if constexpr (F == Form::Full) {
                std::memmove(d, s, static_cast<size_t>(width) * 4);
            } else {
                for (int32_t k = 0; k < width; ++k) d[k] = ApplyForm<Form::C>(d[k], s[k]);
            }
        }
    };
    auto drawBlock = [&](uint32_t* d, const uint32_t* s, int32_t width) {
        for (int32_t r = 0; r < 4; ++r, d += dStride, s += sStride) RunRow(op, d, s, width);
    };
    for (int32_t gy = 0; gy < h; gy += 4, maskRow += maskStride) {
        uint32_t* dGroup = target.PixelAt(dx, dy + gy);
        const uint32_t* sGroup = source.PixelAt(sx, sy + gy);
        for (int32_t gx = 0; gx < w; gx += 16) {
            const uint32_t bits = maskRow[gx >> 4];
            uint32_t* d = dGroup + gx;
            const uint32_t* s = sGroup + gx;
            if (bits == 0x55) continue;  // four transparent blocks
            if (bits == 0xAA) {          // four opaque blocks
                copyBlock(d, s, 16);
                continue;
            }
            if (bits == 0) {  // four mixed blocks
                drawBlock(d, s, 16);
                continue;
            }
            for (int32_t k = 0; k < 4; ++k) {
                const uint32_t pair = (bits >> (6 - 2 * k)) & 3;
                if (pair & 2) {
                    copyBlock(d + 4 * k, s + 4 * k, 4);
                } else if ((pair & 1) == 0) {
                    drawBlock(d + 4 * k, s + 4 * k, 4);
                }
            }
        }
    }
}

}  // namespace blend
