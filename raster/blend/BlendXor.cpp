// Xor: what remains of the source outside the destination and of the
// destination outside the source, at full opacity only.
//   S = ((255 - dA) x sA) >> 8   the source part outside the destination,
//   T = ((256 - sA) x dA) >> 8   the destination part outside the source,
// the new alpha is S + T and the source colour's weight floor(255 x S / (S + T))
// (0 when S + T = 0). A transparent source changes nothing, a transparent
// destination takes the source, an opaque source leaves 255 - dA with the
// source colour (or, over an opaque destination, alpha 0 and the old colour).
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {

template <Form F>
struct XorRule {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) return d;
        const uint32_t dA = Alpha(d);
        if (dA == 0) return ApplyForm<F>(d, s);
        uint32_t alpha;
        uint32_t weight;
        if (sA == 255) {
            alpha = 255 - dA;
            weight = dA < 255 ? 255 : 0;
        } else {
            const uint32_t outsideDestination = ((255 - dA) * sA) >> 8;
            const uint32_t outsideSource = ((256 - sA) * dA) >> 8;
            alpha = outsideDestination + outsideSource;
            weight = alpha == 0 ? 0 : (outsideDestination * DivisionTable[alpha]) >> 16;
        }
        if constexpr (F == Form::A) return (alpha << 24) | (d & kColourBits);
        return ApplyForm<F>(d, (Mix(d, s, weight) & kColourBits) | (alpha << 24));
    }
};

}  // namespace

#define OC_XOR_KERNELS(X)                                    \
    X(Table, Plain, BlendXor, Full, _, _, (XorRule<Form::Full>{})) \
    X(Table, Plain, BlendXorC, C, _, _, (XorRule<Form::C>{}))      \
    X(Table, Plain, BlendXorA, A, _, _, (XorRule<Form::A>{}))

OC_KERNEL_FAMILY(OC_XOR_KERNELS, XorKernels)
