// Add: the source's channels added to the destination's, saturating at 255.
//   Immediate  all four bytes sat(d + s), the source unweighted (with an
//              opacity h each source byte is first (h x s) >> 8);
//   Alpha      colour sat(d + ((s x w) >> 8)) with w = sA + (sA >> 7), alpha
//              sat(dA + sA) (with an opacity w becomes (h x w) >> 8 and the
//              added alpha (sA x h) >> 8);
//   Merge      premultiplied sum divided by the summed alpha A = sA + dA
//              (saturated instead when A reaches 255);
//   A          the alpha alone, sat(dA + sA).
// The full and C forms skip a source pixel whose own alpha is 0.
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {

template <Form F, bool kOpacity>
struct AddImmediateRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (Alpha(s) == 0) return d;
        return ApplyForm<F>(d, AddSaturate(d, kOpacity ? ScaleBytes(s, opacity) : s));
    }

    // Rows: one saturating byte add, transparent sources kept.
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept
        requires(!kOpacity)
    {
        SelectRow<VectorOp::AddSaturate>(d, s, n, F == Form::C ? kAlphaBits : 0, *this);
    }
};

template <Form F, bool kOpacity>
struct AddAlphaRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        const auto [w, addedAlpha] = AlphaAmounts<kOpacity>(sA, opacity);
        const uint32_t colour = AddSaturate(d, ScaleBytes(s, w)) & kColourBits;
        if constexpr (F == Form::Full) return colour | (Sat(Alpha(d) + addedAlpha) << 24);
        return (d & kAlphaBits) | colour;
    }
};

// Premultiplied sums: G as one rounding of the summed products, R and B with
// each product rounded on its own (the G lane works at 16-bit scale).
template <Form F, bool kOpacity>
struct AddMergeRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        const uint32_t a = ScaledSourceAlpha<kOpacity>(sA, opacity);
        const uint32_t dA = Alpha(d);
        const uint32_t w = Expand(a);
        const uint32_t u = Expand(dA);
        const uint32_t sum = a + dA;  // up to 510
        auto premultiplied = [&](int shift) {
            if (shift == kGreen) return (Byte(s, shift) * w + Byte(d, shift) * u) >> 8;
            return ((Byte(s, shift) * w) >> 8) + ((Byte(d, shift) * u) >> 8);
        };
        uint32_t out;
        if (sum < 255) {
            const uint32_t entry = DivisionTable[sum];
            out = ColourBytes(sum, [&](int shift) {
                const uint32_t p = premultiplied(shift);
                return p >= sum ? 255u : (p * entry) >> 16;
            });
        } else {
            out = ColourBytes(255, [&](int shift) { return Sat(premultiplied(shift)); });
        }
        return ApplyForm<F>(d, out);
    }
};

template <bool kOpacity>
struct AddAlphaOnlyRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t added = ScaledSourceAlpha<kOpacity>(Alpha(s), opacity);
        return (Sat(Alpha(d) + added) << 24) | (d & kColourBits);
    }
};

}  // namespace

#define OC_ADD_KERNELS(X)                                     \
    OC_ARITH_METHOD(X, Add, , Full, Immediate, AddImmediateRule) \
    OC_ARITH_METHOD(X, Add, , Full, Alpha, AddAlphaRule)         \
    OC_ARITH_METHOD(X, Add, , Full, Merge, AddMergeRule)         \
    OC_ARITH_METHOD(X, Add, C, C, Immediate, AddImmediateRule)   \
    OC_ARITH_METHOD(X, Add, C, C, Alpha, AddAlphaRule)           \
    OC_ARITH_METHOD(X, Add, C, C, Merge, AddMergeRule)           \
    OC_ARITH_ALPHA_ONLY(X, Add, AddAlphaOnlyRule)

OC_KERNEL_FAMILY(OC_ADD_KERNELS, AddKernels)
