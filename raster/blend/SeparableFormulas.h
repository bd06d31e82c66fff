#pragma once
// Channel formulas of the separable blend modes.
//
// Each mode gives a blend value B(d, s) for one colour channel from the
// destination byte d and the source byte s; red, green and blue use the same
// formula on their own and the alpha bytes never enter it. The compositing
// methods of the kernel frame (Alpha and Merge, KernelFrame.h) carry B onto
// the destination. Everything is integer arithmetic truncated by shifts; the
// divisions of the burn and dodge modes are one multiplication by a
// DivisionTable entry.
#include <cstdint>
#include <span>

#include "raster/blend/KernelTable.h"
#include "raster/surface/sprite/RasterLibrary.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace blend {
namespace separable {

inline uint32_t Darken(uint32_t d, uint32_t s) noexcept { return d < s ? d : s; }
inline uint32_t Lighten(uint32_t d, uint32_t s) noexcept { return d > s ? d : s; }
inline uint32_t Difference(uint32_t d, uint32_t s) noexcept { return d > s ? d - s : s - d; }
// (p + (p >> 8)) >> 7 stands for 2 d s / 255 without a division; the result
// always lies in 0..255.
inline uint32_t Exclusion(uint32_t d, uint32_t s) noexcept {
    const uint32_t p = d * s;
    return d + s - ((p + (p >> 8)) >> 7);
}

inline uint32_t ColorBurn(uint32_t d, uint32_t s) noexcept {
    const uint32_t x = (255 - d) * DivisionTable[s];
    return x >= 0x1000000u ? 0 : 255 - (x >> 16);
}
inline uint32_t ColorDodge(uint32_t d, uint32_t s) noexcept {
    const uint32_t x = d * DivisionTable[255 - s];
    return x >= 0x1000000u ? 255 : x >> 16;
}

// The screen half of Overlay and HardLight: 2 (256 (d + s) - d s) / 256 - 256,
// whose shifted value lies in 256..511, so the low byte is the result.
inline uint32_t ScreenHalf(uint32_t d, uint32_t s) noexcept { return ((2 * (256 * (d + s) - d * s)) >> 8) & 0xFF; }

inline uint32_t Screen(uint32_t d, uint32_t s) noexcept { return d + (((256 - d) * s) >> 8); }
// Chosen by the destination; the multiply half scales s to s + (s >> 7).
inline uint32_t Overlay(uint32_t d, uint32_t s) noexcept {
    return d >= 128 ? ScreenHalf(d, s) : (d * (s + (s >> 7))) >> 7;
}
// Chosen by the source; the multiply half takes s as it is.
inline uint32_t HardLight(uint32_t d, uint32_t s) noexcept { return s >= 128 ? ScreenHalf(d, s) : (s * d) >> 7; }
// s = 128 belongs to the darkening half, where it changes nothing.
inline uint32_t SoftLight(uint32_t d, uint32_t s) noexcept {
    if (s <= 128) return d - (((128 - s) * (255 - d) * d * 2) >> 16);
    return d + (((2 * s - 256) * SoftLightCurve[d]) >> 16);
}

// Full intensity is 256 in the linear modes.
inline uint32_t LinearBurn(uint32_t d, uint32_t s) noexcept { return d + s >= 256 ? d + s - 256 : 0; }
inline uint32_t LinearLight(uint32_t d, uint32_t s) noexcept {
    const int32_t v = static_cast<int32_t>(d + 2 * s) - 256;
    return v < 0 ? 0 : v > 255 ? 255 : static_cast<uint32_t>(v);
}
// Burn by 2 s in the dark half, dodge by 2 s - 256 in the light half.
inline uint32_t VividLight(uint32_t d, uint32_t s) noexcept {
    if (s < 128) {
        const uint32_t x = (255 - d) * DivisionTable[2 * s];
        return x >= 0x1000000u ? 0 : 255 - (x >> 16);
    }
    const uint32_t y = d * DivisionTable[511 - 2 * s];
    return y >= 0x1000000u ? 255 : y >> 16;
}

// A channel formula applied to red, green and blue of two pixels; the result's
// alpha byte is 0 (the methods supply the alpha).
template <uint32_t (*Channel)(uint32_t, uint32_t)>
struct PerChannel {
    static uint32_t Blend(uint32_t s, uint32_t d) noexcept {
        return (Channel((d >> 16) & 0xFF, (s >> 16) & 0xFF) << 16) |
               (Channel((d >> 8) & 0xFF, (s >> 8) & 0xFF) << 8) | Channel(d & 0xFF, s & 0xFF);
    }
};

// The table-free formulas also come as Blend16(d, s) over eight 16-bit lanes
// (two pixels, each byte in its own lane), with exactly the per-channel
// results; the rows below use them four pixels at a time.
#if defined(__SSE2__)
struct DarkenFormula : PerChannel<Darken> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept { return _mm_min_epi16(d, s); }
};
struct LightenFormula : PerChannel<Lighten> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept { return _mm_max_epi16(d, s); }
};
struct DifferenceFormula : PerChannel<Difference> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        return _mm_sub_epi16(_mm_max_epi16(d, s), _mm_min_epi16(d, s));
    }
};
struct ExclusionFormula : PerChannel<Exclusion> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        const __m128i p = _mm_mullo_epi16(d, s);  // at most 65025: exact as unsigned
        const __m128i t = _mm_srli_epi16(_mm_add_epi16(p, _mm_srli_epi16(p, 8)), 7);
        return _mm_sub_epi16(_mm_add_epi16(d, s), t);
    }
};
struct ScreenFormula : PerChannel<Screen> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), d);
        return _mm_add_epi16(d, _mm_srli_epi16(_mm_mullo_epi16(inverse, s), 8));
    }
};
// The screen half (2 (256 (d + s) - d s)) >> 8) - 256 is 2 (d + s) - 256 -
// ceil(d s / 128), which 16-bit lanes hold without overflow.
inline __m128i ScreenHalf16(__m128i d, __m128i s) noexcept {
    const __m128i ceilTerm = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, s), _mm_set1_epi16(127)), 7);
    const __m128i sum = _mm_add_epi16(d, s);
    return _mm_sub_epi16(_mm_sub_epi16(_mm_add_epi16(sum, sum), _mm_set1_epi16(256)), ceilTerm);
}
inline __m128i Select16(__m128i mask, __m128i yes, __m128i no) noexcept {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
struct OverlayFormula : PerChannel<Overlay> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        const __m128i scaled = _mm_add_epi16(s, _mm_srli_epi16(s, 7));
        const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(d, scaled), 7);
        return Select16(_mm_cmpgt_epi16(d, _mm_set1_epi16(127)), ScreenHalf16(d, s), low);
    }
};
struct HardLightFormula : PerChannel<HardLight> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(s, d), 7);
        return Select16(_mm_cmpgt_epi16(s, _mm_set1_epi16(127)), ScreenHalf16(d, s), low);
    }
};
struct LinearBurnFormula : PerChannel<LinearBurn> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        return _mm_max_epi16(_mm_sub_epi16(_mm_add_epi16(d, s), _mm_set1_epi16(256)), _mm_setzero_si128());
    }
};
struct LinearLightFormula : PerChannel<LinearLight> {
    static __m128i Blend16(__m128i d, __m128i s) noexcept {
        const __m128i v = _mm_sub_epi16(_mm_add_epi16(d, _mm_add_epi16(s, s)), _mm_set1_epi16(256));
        return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), _mm_set1_epi16(255));
    }
};
#else
using DarkenFormula = PerChannel<Darken>;
using LightenFormula = PerChannel<Lighten>;
using DifferenceFormula = PerChannel<Difference>;
using ExclusionFormula = PerChannel<Exclusion>;
using ScreenFormula = PerChannel<Screen>;
using OverlayFormula = PerChannel<Overlay>;
using HardLightFormula = PerChannel<HardLight>;
using LinearBurnFormula = PerChannel<LinearBurn>;
using LinearLightFormula = PerChannel<LinearLight>;
#endif
using ColorBurnFormula = PerChannel<ColorBurn>;
using ColorDodgeFormula = PerChannel<ColorDodge>;
using SoftLightFormula = PerChannel<SoftLight>;
using VividLightFormula = PerChannel<VividLight>;

// The Alpha (kMerge false) or Merge method of a separable mode, in form F, at
// full opacity or with one (kOpacity). Pixel by pixel it is the kernel frame's
// method itself; its rows do four pixels at a time with the same results:
//   - B from Blend16 where the formula has it, else per pixel;
//   - Merge's pre-mix of B with the source colour by v = dA + (dA >> 7);
//   - the weight: the effective alpha itself (C form, Alpha method), else the
//     union table, with no lookups where four destination pixels are all
//     opaque (weight a, 256 for 255, alpha 255) or all transparent (weight
//     256, alpha a);
//   - effective alpha 0 keeps the pixel, source alpha 255 writes B.
template <class Formula, bool kMerge, Form F, bool kOpacity>
struct SeparableRule {
    static_assert(F == Form::Full || F == Form::C);
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if constexpr (kMerge) {
            return MergeMethodRule<Formula, F, kOpacity>{opacity}(s, d);
        } else if constexpr (kOpacity) {
            return AlphaMethodOpacity<Formula, F>{opacity}(s, d);
        } else {
            return AlphaMethod<Formula, F>{}(s, d);
        }
    }

#if defined(__SSE2__)
    static __m128i BlendFour(__m128i vs, __m128i vd, const uint32_t* s, const uint32_t* d) noexcept {
        if constexpr (requires(__m128i x) { Formula::Blend16(x, x); }) {
            const __m128i zero = _mm_setzero_si128();
            const __m128i lo = Formula::Blend16(_mm_unpacklo_epi8(vd, zero), _mm_unpacklo_epi8(vs, zero));
            const __m128i hi = Formula::Blend16(_mm_unpackhi_epi8(vd, zero), _mm_unpackhi_epi8(vs, zero));
            return _mm_packus_epi16(lo, hi);
        } else {
            alignas(16) uint32_t b[4];
            for (int k = 0; k < 4; ++k) b[k] = Formula::Blend(s[k], d[k]);
            return _mm_load_si128(reinterpret_cast<const __m128i*>(b));
        }
    }

    // A 32-bit lane value (0..256) in both 16-bit lanes, doubled for MixLanesSse2.
    static __m128i Weight2(__m128i w32) noexcept {
        const __m128i both = _mm_or_si128(w32, _mm_slli_epi32(w32, 16));
        return _mm_add_epi16(both, both);
    }

    __m128i Four(__m128i vs, __m128i vd, __m128i level, const uint32_t* s, const uint32_t* d) const noexcept {
        const __m128i colourBits = _mm_set1_epi32(static_cast<int>(kColourBits));
        const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(kAlphaBits));
        const __m128i a = EffectiveAlphaSse2<kOpacity>(vs, level);
        __m128i vb = BlendFour(vs, vd, s, d);
        if constexpr (kMerge) {
            const __m128i dA = _mm_srli_epi32(vd, 24);
            vb = MixLanesSse2(vs, vb, Weight2(_mm_add_epi32(dA, _mm_srli_epi32(dA, 7))));
        }
        const __m128i full = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
        if constexpr (F == Form::C && !kMerge) {
            // Weight a itself; 0 keeps the colour and 256 writes B exactly.
            const __m128i colour = MixLanesSse2(vd, vb, Weight2(_mm_sub_epi32(a, full)));
            return _mm_or_si128(_mm_and_si128(colour, colourBits), _mm_and_si128(vd, alphaBits));
        } else {
            __m128i w, alpha;
            if (AllOpaqueSse2(vd)) {
                w = _mm_sub_epi32(a, full);
                alpha = alphaBits;
            } else if (AllTransparentSse2(vd)) {
                const __m128i none = _mm_cmpeq_epi32(a, _mm_setzero_si128());
                w = _mm_andnot_si128(none, _mm_set1_epi32(256));
                alpha = _mm_slli_epi32(a, 24);
            } else {
                alignas(16) uint32_t slot[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(slot),
                                _mm_or_si128(_mm_slli_epi32(a, 8), _mm_srli_epi32(vd, 24)));
                const __m128i t = _mm_set_epi32(static_cast<int>(AlphaUnionTable[slot[3]]),
                                                static_cast<int>(AlphaUnionTable[slot[2]]),
                                                static_cast<int>(AlphaUnionTable[slot[1]]),
                                                static_cast<int>(AlphaUnionTable[slot[0]]));
                w = _mm_add_epi32(_mm_srli_epi32(t, 8), _mm_set1_epi32(1));
                alpha = _mm_slli_epi32(t, 24);
            }
            const __m128i colour = _mm_and_si128(MixLanesSse2(vd, vb, Weight2(w)), colourBits);
            const __m128i keptAlpha = F == Form::Full ? alpha : _mm_and_si128(vd, alphaBits);
            __m128i out = _mm_or_si128(colour, keptAlpha);
            if constexpr (!kOpacity) {
                const __m128i writtenAlpha = F == Form::Full ? alphaBits : _mm_and_si128(vd, alphaBits);
                const __m128i written = _mm_or_si128(_mm_and_si128(vb, colourBits), writtenAlpha);
                out = Select16(full, written, out);
            }
            return Select16(_mm_cmpeq_epi32(a, _mm_setzero_si128()), vd, out);
        }
    }

    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept {
        const __m128i level = _mm_set1_epi16(static_cast<int16_t>(opacity));
        int32_t i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            if (AllTransparentSse2(vs)) continue;
            const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Four(vs, vd, level, s + i, d + i));
        }
        for (; i < n; ++i) d[i] = (*this)(s[i], d[i]);
    }
#endif
};

}  // namespace separable

// The members of the separable families, for the tests that walk them.
std::span<const KernelEntry> SeparableBasicKernels();   // Darken, Lighten, Difference, Exclusion
std::span<const KernelEntry> SeparableDivideKernels();  // ColorBurn, ColorDodge, the destination-alpha draws
std::span<const KernelEntry> SeparableLightKernels();   // Screen, Overlay, HardLight, SoftLight
std::span<const KernelEntry> SeparableLinearKernels();  // LinearBurn, LinearLight, VividLight

}  // namespace blend

// The twelve members of one separable mode as a kernel list (see KernelTable.h):
// per form (C, full) Alpha, AlphaOpacity, Merge, MergeOpacity, AlphaStretched,
// AlphaStretchedOpacity.
#define OC_SEPARABLE_FORM(X, Mode, Formula, F, L)                                                            \
    X(Table, Plain, Blend##Mode##L##Alpha, F, _, _,                                                            \
      (::blend::separable::SeparableRule<Formula, false, ::blend::Form::F, false>{}))                          \
    X(Table, PlainOpacity, Blend##Mode##L##AlphaOpacity, F, _, Blend##Mode##L##Alpha,                          \
      (::blend::separable::SeparableRule<Formula, false, ::blend::Form::F, true>{opacity}))                    \
    X(Table, Plain, Blend##Mode##L##Merge, F, _, _,                                                            \
      (::blend::separable::SeparableRule<Formula, true, ::blend::Form::F, false>{}))                           \
    X(Table, PlainOpacity, Blend##Mode##L##MergeOpacity, F, _, Blend##Mode##L##Merge,                          \
      (::blend::separable::SeparableRule<Formula, true, ::blend::Form::F, true>{opacity}))                     \
    X(Table, Stretched, Blend##Mode##L##AlphaStretched, F, Blend##Mode##L##Alpha, _,                           \
      (::blend::separable::SeparableRule<Formula, false, ::blend::Form::F, false>{}))                          \
    X(Table, StretchedOpacity, Blend##Mode##L##AlphaStretchedOpacity, F, Blend##Mode##L##AlphaOpacity,         \
      Blend##Mode##L##AlphaStretched,                                                                          \
      (::blend::separable::SeparableRule<Formula, false, ::blend::Form::F, true>{opacity}))

#define OC_SEPARABLE_MODE(X, Mode, Formula) \
    OC_SEPARABLE_FORM(X, Mode, Formula, C, C) OC_SEPARABLE_FORM(X, Mode, Formula, Full, )
