// RevMul: the destination multiplied by the inverted source (255 - s per colour
// byte), so a black source keeps the colour and a white one darkens it to
// black. One compositing rule; the source alpha does not weight the colour.
//   full opacity  colour ((256 - s) x d) >> 8; alpha
//                 ((257 - sA) x (dA x 256 + dR)) >> 16, the old red byte acting
//                 as a fraction below the alpha;
//   opacity h     each byte (F x d x 257) >> 24 with the 16-bit factor
//                 F = 65536 - h x (s + 1) for a colour byte and 65536 - h x sA
//                 for the alpha: the opacity alone moves the factor from
//                 "no change" toward the inverted source;
//   A form        every pixel, alpha ((256 - sA) x (dA x 65536 + dR x 256 + dG))
//                 >> 24, with an opacity (257 x (65536 - h x sA) x dA) >> 24.
// The full and C forms skip a source pixel whose alpha is 0.
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {

template <Form F, bool kOpacity>
struct RevMulRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        uint32_t out;
        if constexpr (!kOpacity) {
            const uint32_t alpha = ((257 - sA) * ((Alpha(d) << 8) | Byte(d, kRed))) >> 16;
            out = ColourBytes(alpha, [&](int shift) { return ((256 - Byte(s, shift)) * Byte(d, shift)) >> 8; });
        } else {
            // F x d x 257 < 65536 x 65536: fits 32 bits.
            const uint32_t alpha = ((65536 - opacity * sA) * (Alpha(d) * 257)) >> 24;
            out = ColourBytes(alpha, [&](int shift) {
                return ((65536 - opacity * (Byte(s, shift) + 1)) * (Byte(d, shift) * 257)) >> 24;
            });
        }
        return ApplyForm<F>(d, out);
    }
};

}  // namespace

#define OC_REVMUL_KERNELS(X)                                                                               \
    OC_ARITH_METHOD(X, RevMul, , Full, , RevMulRule)                                                       \
    OC_ARITH_METHOD(X, RevMul, C, C, , RevMulRule)                                                         \
    OC_ARITH_ALPHA_ONLY(X, RevMul, RevMulAlphaOnlyRule)                                                    \
    X(Table, FromIndexed, BlendRevMulFromIndexed, Full, BlendRevMul, _, (RevMulRule<Form::Full, false>{})) \
    X(Table, FromIndexed, BlendRevMulCFromIndexed, C, BlendRevMulC, _, (RevMulRule<Form::C, false>{}))     \
    X(Table, FromIndexed, BlendRevMulAFromIndexed, A, BlendRevMulA, _, (RevMulAlphaOnlyRule<false>{}))

OC_KERNEL_FAMILY(OC_REVMUL_KERNELS, RevMulKernels)
