// Mul: the destination multiplied by the source, channel by channel; a white
// source keeps the destination, a black one makes it black.
//   Immediate  colour (d x (s + 1)) >> 8; alpha ((sA + 1) x (dA x 256 + dR))
//              >> 16, the old red byte acting as a fraction below the alpha
//              (a transparent source pixel so clears the alpha and keeps the
//              colour). With an opacity every byte is multiplied by the source
//              byte faded toward neutral, F(x) = x x op + 256 x (256 - op):
//              (F(s) x d x 257) >> 24, also where sA = 0 for the alpha.
//   Alpha      the colour multiplied by the source colour faded toward white by
//              the source alpha, G(s) = s x a' + 256 x (256 - a') with
//              a' = sA + (sA >> 7): (G(s) x (257 x d + 1)) >> 24; the alpha
//              multiplied by a' at full strength.
//   Merge      the source colour multiplied by the destination composited over
//              white, M = (S x (d x dA + 256 x (256 - dA))) >> 16 with
//              S = s + (s >> 7), then drawn source-over through the union table.
//   A          the alpha alone: ((sA + 1) x (dA x 65536 + dR x 256 + dG)) >> 24.
// The C forms keep the destination alpha and leave a pixel under a transparent
// source (or a zero effective alpha) unchanged.
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {


template <Form F, bool kOpacity>
struct MulImmediateRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if constexpr (F == Form::C) {
            if (sA == 0) return d;
        }
        if constexpr (!kOpacity) {
            const uint32_t alpha = ((sA + 1) * ((Alpha(d) << 8) | Byte(d, kRed))) >> 16;
            if (sA == 0) return ApplyForm<F>(d, d & kColourBits);
            return ApplyForm<F>(d, ColourBytes(alpha, [&](int shift) {
                                    return (Byte(d, shift) * (Byte(s, shift) + 1)) >> 8;
                                }));
        } else {
            const uint32_t alpha = (Fade(sA, opacity) * (Alpha(d) * 257)) >> 24;
            if (sA == 0) return ApplyForm<F>(d, (d & kColourBits) | (alpha << 24));
            return ApplyForm<F>(d, ColourBytes(alpha, [&](int shift) {
                                    return (Fade(Byte(s, shift), opacity) * (Byte(d, shift) * 257)) >> 24;
                                }));
        }
    }

    // Rows: the products of ArithRules.h; under a transparent source the
    // colour is kept (and the alpha cleared), and the C form keeps every alpha.
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept
        requires(!kOpacity)
    {
        int32_t i = 0;
#if defined(OC_BLEND_AVX2)
        if (n >= 8 && avx2::Available()) i = avx2::MulImmediateRow(d, s, n, F == Form::C);
#endif
#if defined(__SSE2__)
        i += MulImmediateRowSse2<F>(d + i, s + i, n - i);
#endif
        for (; i < n; ++i) d[i] = (*this)(s[i], d[i]);
    }
};

// kAlphaBias: the 16-bit destination alpha of the opacity loop is 257 x dA + 1
// (the stretched opacity member alone uses 257 x dA).
template <Form F, bool kOpacity, uint32_t kAlphaBias = 1>
struct MulAlphaRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        const uint32_t u = kOpacity ? sA * opacity : sA << 8;
        const uint32_t a = u >> 8;
        if (a == 0) {
            if constexpr (F == Form::C) {
                return d;
            } else if constexpr (!kOpacity) {
                return d & kColourBits;
            } else {
                const uint64_t alpha = (uint64_t{256} * (256 - opacity) * (257 * Alpha(d) + kAlphaBias)) >> 24;
                return (d & kColourBits) | (static_cast<uint32_t>(alpha) << 24);
            }
        }
        const uint32_t weight = Expand(a);
        uint64_t alpha;
        if constexpr (!kOpacity) {
            alpha = (uint64_t{weight} * (d >> 8)) >> 24;  // d >> 8 = dA x 65536 + dR x 256 + dG
        } else {
            alpha = (uint64_t{u + 256 * (256 - opacity)} * (257 * Alpha(d) + kAlphaBias)) >> 24;
        }
        const uint32_t out = ColourBytes(static_cast<uint32_t>(alpha), [&](int shift) {
            const uint64_t g = Byte(s, shift) * weight + 256 * (256 - weight);
            return static_cast<uint32_t>((g * (257 * Byte(d, shift) + 1)) >> 24);
        });
        return ApplyForm<F>(d, out);
    }
};
template <Form F, bool kOpacity>
using MulAlphaStretchedRule = MulAlphaRule<F, kOpacity, 0>;

template <Form F, bool kOpacity>
struct MulMergeRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t a = ScaledSourceAlpha<kOpacity>(Alpha(s), opacity);
        if (a == 0) return d;
        const uint32_t dA = Alpha(d);
        if (dA == 0) return ApplyForm<F>(d, (s & kColourBits) | (a << 24));
        // The destination composited over white, multiplied by the expanded
        // source channel.
        auto product = [&](int shift) {
            return (Expand(Byte(s, shift)) * (Byte(d, shift) * dA + 256 * (256 - dA))) >> 16;
        };
        auto opaqueProduct = [&](int shift) { return (Expand(Byte(s, shift)) * Byte(d, shift)) >> 8; };
        uint32_t out;
        if (a == 255) {
            out = dA == 255 ? ColourBytes(255, opaqueProduct) : ColourBytes(255, product);
        } else if (dA == 255) {
            out = ColourBytes(255, [&](int shift) {
                return (Byte(d, shift) * (256 - a) + opaqueProduct(shift) * a) >> 8;
            });
        } else {
            const uint32_t t = Union(a, dA);
            out = (Mix(d, ColourBytes(0, product), UnionWeight(t)) & kColourBits) | (t << 24);
        }
        return ApplyForm<F>(d, out);
    }

    // Rows: MulMergeRowSse2 (ArithRules.h) and its AVX2 twin.
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept {
        int32_t i = 0;
#if defined(OC_BLEND_AVX2)
        if (n >= 8 && avx2::Available()) {
            i = kOpacity ? avx2::MulMergeOpacityRow(d, s, n, F == Form::C, opacity)
                         : avx2::MulMergeRow(d, s, n, F == Form::C);
        }
#endif
#if defined(__SSE2__)
        i += MulMergeRowSse2<F, kOpacity>(d + i, s + i, n - i, opacity);
#endif
        for (; i < n; ++i) d[i] = (*this)(s[i], d[i]);
    }
};

}  // namespace

#define OC_MUL_KERNELS(X)                                                                                            \
    OC_ARITH_METHOD(X, Mul, , Full, Immediate, MulImmediateRule)                                                     \
    X(Table, Plain, BlendMulAlpha, Full, _, _, (MulAlphaRule<Form::Full, false>{}))                                  \
    X(Table, PlainOpacity, BlendMulAlphaOpacity, Full, _, BlendMulAlpha, (MulAlphaRule<Form::Full, true>{opacity}))  \
    X(Table, Stretched, BlendMulAlphaStretched, Full, BlendMulAlpha, _, (MulAlphaRule<Form::Full, false>{}))         \
    X(Table, StretchedOpacity, BlendMulAlphaStretchedOpacity, Full, _, BlendMulAlphaStretched,                       \
      (MulAlphaStretchedRule<Form::Full, true>{opacity}))                                                            \
    OC_ARITH_METHOD(X, Mul, , Full, Merge, MulMergeRule)                                                             \
    OC_ARITH_METHOD(X, Mul, C, C, Immediate, MulImmediateRule)                                                       \
    OC_ARITH_METHOD(X, Mul, C, C, Alpha, MulAlphaRule)                                                               \
    OC_ARITH_METHOD(X, Mul, C, C, Merge, MulMergeRule)                                                               \
    OC_ARITH_ALPHA_ONLY(X, Mul, MulAlphaOnlyRule)                                                                    \
    X(Table, FromIndexed, BlendMulImmediateFromIndexed, Full, BlendMulImmediate, _,                                  \
      (MulImmediateRule<Form::Full, false>{}))                                                                       \
    X(Table, FromIndexed, BlendMulCImmediateFromIndexed, C, BlendMulCImmediate, _,                                   \
      (MulImmediateRule<Form::C, false>{}))                                                                          \
    X(Table, FromIndexed, BlendMulAFromIndexed, A, BlendMulA, _, (MulAlphaOnlyRule<false>{}))

OC_KERNEL_FAMILY(OC_MUL_KERNELS, MulKernels)
