// Back: the source drawn behind the destination. The destination is the upper
// layer; only transparent and partly transparent destination pixels change.
// At full opacity the union table (destination over source) gives the weight
// of the destination colour and the combined alpha; with an opacity or a tone
// strength the combined alpha is computed directly and the division by it goes
// through ReciprocalTable.
#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

// Full form. A transparent destination takes the tinted colour and the alpha of
// BehindOpacity with am as the strength; otherwise the destination's 16-bit
// weight O = (dA x R[M]) >> 7 and the tint's P = 65537 - O (they add up to
// 65537) mix the unrounded tint: (t16 x P + 256 x d x O) >> 24 per channel.
struct BackTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return tint.Bytes(s) | (pixel::CarriedAlpha(s, am) << 24);
        const uint32_t m = dA + (((256 - dA) * (s >> 24) * am) >> 16);
        const uint64_t o = (dA * ReciprocalTable[m]) >> 7;
        const uint64_t p = 65537 - o;
        uint32_t out = m << 24;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((tint.Wide(s, c) * p + 256 * dc * o) >> 24) << shift;
        }
        return out;
    }
};

// Colour only. Unlike BackC it writes the tinted colour into fully transparent
// destination pixels (their alpha stays 0); otherwise the weights of BackTone
// with the strength, alpha kept.
struct BackToneC {
    ToneTint tint;
    uint32_t strength;

    bool DrawsNothing() const noexcept { return strength == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return tint.Bytes(s);
        const uint32_t c = dA + (((s >> 24) * (256 - dA) * strength) >> 16);
        const uint64_t k = (dA * ReciprocalTable[c]) >> 7;
        uint32_t out = d & kAlphaBits;
        for (int ch = 0; ch < 3; ++ch) {
            const int shift = 16 - 8 * ch;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((256 * dc * k + tint.Wide(s, ch) * (65537 - k)) >> 24) << shift;
        }
        return out;
    }
};

}  // namespace

#define OC_BACK_KERNELS(X)                                                                                         \
    X(Table, Plain, DrawBack, Full, _, _, (Behind<Form::Full>{}))                                                  \
    X(Table, PlainOpacity, DrawBackOpacity, Full, _, DrawBack, (BehindOpacity<Form::Full>{opacity}))               \
    X(Table, Stretched, DrawBackStretched, Full, DrawBack, _, (Behind<Form::Full>{}))                              \
    X(Table, StretchedOpacity, DrawBackStretchedOpacity, Full, DrawBackOpacity, DrawBackStretched,                 \
      (BehindOpacity<Form::Full>{opacity}))                                                                        \
    X(Table, PlainTone, DrawBackTone, Full, _, _, (BackTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))         \
    X(Table, StretchedTone, DrawBackToneStretched, Full, DrawBackTone, _,                                          \
      (BackTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                     \
    X(Table, Plain, DrawBackC, C, _, _, (Behind<Form::C>{}))                                                       \
    X(Table, PlainOpacity, DrawBackCOpacity, C, _, DrawBackC, (BehindOpacity<Form::C>{opacity}))                   \
    X(Table, Stretched, DrawBackCStretched, C, DrawBackC, _, (Behind<Form::C>{}))                                  \
    X(Table, StretchedOpacity, DrawBackCStretchedOpacity, C, DrawBackCOpacity, DrawBackCStretched,                 \
      (BehindOpacity<Form::C>{opacity}))                                                                           \
    X(Table, PlainTone, DrawBackToneC, C, _, _, (BackToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))          \
    X(Table, StretchedTone, DrawBackToneCStretched, C, DrawBackToneC, _,                                           \
      (BackToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))

OC_KERNEL_FAMILY(OC_BACK_KERNELS, BackKernels)
