// Sub: the source's channels taken from the destination's, clamped at 0.
//   Immediate  all four bytes clamp(d - s), the source unweighted (with an
//              opacity h each source byte is first (h x s) >> 8);
//   Alpha      colour clamp(d - ((s x w) >> 8)) with w = sA + (sA >> 7), alpha
//              clamp(dA - sA) (with an opacity w becomes (h x w) >> 8 and the
//              alpha term (sA x h) >> 8);
//   Merge      the source's premultiplied colour taken from the destination's,
//              divided by the remaining alpha dA - sA;
//   A          the alpha alone, clamp(dA - sA).
// The colour-only forms with a weighted source compute green at 16-bit scale,
// max(0, dG x 256 - sG x weight) >> 8, which takes away the weighted amount
// rounded up; red and blue (and every channel of the full forms) take it away
// rounded down. The full and C forms skip a source pixel whose own alpha is 0.
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {

// Green of the colour-only forms: dG less sG x weight / 256 rounded up.
inline uint32_t GreenRoundedUp(uint32_t s, uint32_t d, uint32_t weight) noexcept {
    const int32_t x = static_cast<int32_t>(Byte(d, kGreen) * 256) - static_cast<int32_t>(Byte(s, kGreen) * weight);
    return x < 0 ? 0 : static_cast<uint32_t>(x) >> 8;
}


template <Form F, bool kOpacity>
struct SubImmediateRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (Alpha(s) == 0) return d;
        if constexpr (!kOpacity) {
            return ApplyForm<F>(d, SubClamp(d, s));
        } else if constexpr (F == Form::Full) {
            return SubClamp(d, ScaleBytes(s, opacity));
        } else {
            const uint32_t rb = SubClamp(d, ScaleBytes(s, opacity)) & 0x00FF00FFu;
            return (d & kAlphaBits) | rb | (GreenRoundedUp(s, d, opacity) << 8);
        }
    }

    // Rows: one saturating byte subtraction, transparent sources kept.
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept
        requires(!kOpacity)
    {
        SelectRow<VectorOp::SubClamp>(d, s, n, F == Form::C ? kAlphaBits : 0, *this);
    }
};

template <Form F, bool kOpacity>
struct SubAlphaRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        const auto [w, takenAlpha] = AlphaAmounts<kOpacity>(sA, opacity);
        const uint32_t colour = SubClamp(d, ScaleBytes(s, w));
        if constexpr (F == Form::Full) {
            return (colour & kColourBits) | (Clamp(static_cast<int32_t>(Alpha(d)) - static_cast<int32_t>(takenAlpha)) << 24);
        } else {
            return (d & kAlphaBits) | (colour & 0x00FF00FFu) | (GreenRoundedUp(s, d, w) << 8);
        }
    }
};

// Premultiplied differences: G as one arithmetic shift of the difference of the
// products (rounding toward minus infinity), R and B with each product rounded
// down on its own.
template <Form F, bool kOpacity>
struct SubMergeRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        const uint32_t a = ScaledSourceAlpha<kOpacity>(sA, opacity);
        const uint32_t dA = Alpha(d);
        if (a >= dA) return ApplyForm<F>(d, kColourBits);  // nothing of the destination remains
        const uint32_t rest = dA - a;
        const int32_t w = static_cast<int32_t>(Expand(a));
        const int32_t u = static_cast<int32_t>(Expand(dA));
        const uint32_t entry = DivisionTable[rest];
        const uint32_t out = ColourBytes(rest, [&](int shift) {
            const int32_t sc = static_cast<int32_t>(Byte(s, shift));
            const int32_t dc = static_cast<int32_t>(Byte(d, shift));
            const int32_t p = shift == kGreen ? (dc * u - sc * w) >> 8 : ((dc * u) >> 8) - ((sc * w) >> 8);
            if (p < 0) return 0u;
            if (static_cast<uint32_t>(p) >= rest) return 255u;
            return (static_cast<uint32_t>(p) * entry) >> 16;
        });
        return ApplyForm<F>(d, out);
    }
};

}  // namespace

#define OC_SUB_KERNELS(X)                                          \
    OC_ARITH_METHOD(X, Sub, , Full, Immediate, SubImmediateRule) \
    OC_ARITH_METHOD(X, Sub, , Full, Alpha, SubAlphaRule)         \
    OC_ARITH_METHOD(X, Sub, , Full, Merge, SubMergeRule)         \
    OC_ARITH_METHOD(X, Sub, C, C, Immediate, SubImmediateRule)   \
    OC_ARITH_METHOD(X, Sub, C, C, Alpha, SubAlphaRule)           \
    OC_ARITH_METHOD(X, Sub, C, C, Merge, SubMergeRule)           \
    OC_ARITH_ALPHA_ONLY(X, Sub, SubAlphaOnlyRule)

OC_KERNEL_FAMILY(OC_SUB_KERNELS, SubKernels)
