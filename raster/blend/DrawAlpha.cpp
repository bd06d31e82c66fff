// Alpha: the source drawn over the destination through AlphaUnionTable, which
// gives the weight of the source colour and the combined alpha in one lookup.
// It is the Alpha compositing method with the source colour as blend colour.
// The C forms weigh the colour by the source alpha itself and keep the
// destination alpha.
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

using SourceOver = AlphaMethod<SourceColour, Form::Full>;
using SourceOverOpacity = AlphaMethodOpacity<SourceColour, Form::Full>;
using SourceOverC = AlphaMethod<SourceColour, Form::C>;
using SourceOverCOpacity = AlphaMethodOpacity<SourceColour, Form::C>;

// K = sA x am: 65280 (opaque source at full strength) writes the tinted colour
// with alpha 255, below 256 nothing; otherwise the union of K >> 8 over the
// destination alpha, with the tint mixed unrounded.
struct AlphaTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t k = (s >> 24) * am;
        if (k >= 65280) return tint.Bytes(s) | kAlphaBits;
        if (k < 256) return d;
        const uint32_t t = Union(k >> 8, d >> 24);
        return ToneMix(tint, s, d, UnionWeight(t)) | (t << 24);
    }
};

// Colour only: I = strength x sA at 16-bit precision weighs the unrounded tint,
// (256 x d x (65536 - I) + t16 x I) >> 24 per channel.
struct AlphaToneC {
    ToneTint tint;
    uint32_t strength;

    bool DrawsNothing() const noexcept { return strength == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t weight = strength * (s >> 24);
        if (weight >= 65280) return (d & kAlphaBits) | tint.Bytes(s);
        if (weight < 256) return d;
        uint32_t out = d & kAlphaBits;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((256 * dc * (65536 - weight) + uint64_t{tint.Wide(s, c)} * weight) >> 24)
                   << shift;
        }
        return out;
    }
};

// A partly transparent source pixel equal to the key clears the destination.
struct KeyedSourceOver {
    uint32_t key;
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = s >> 24;
        if (s == key && sA != 0 && sA != 255) return 0;
        return SourceOver{}(s, d);
    }
};

}  // namespace

#define OC_ALPHA_KERNELS(X)                                                                                        \
    X(Table, Plain, DrawAlpha, Full, _, _, (SourceOver{}))                                                         \
    X(Table, PlainOpacity, DrawAlphaOpacity, Full, _, DrawAlpha, (SourceOverOpacity{opacity}))                     \
    X(Table, Stretched, DrawAlphaStretched, Full, DrawAlpha, _, (SourceOver{}))                                    \
    X(Table, StretchedOpacity, DrawAlphaStretchedOpacity, Full, DrawAlphaOpacity, DrawAlphaStretched,              \
      (SourceOverOpacity{opacity}))                                                                                \
    X(Table, PlainTone, DrawAlphaTone, Full, _, _, (AlphaTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))       \
    X(Table, StretchedTone, DrawAlphaToneStretched, Full, DrawAlphaTone, _,                                        \
      (AlphaTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                    \
    X(Table, FromIndexed, DrawAlphaFromIndexed, Full, DrawAlpha, _, (SourceOver{}))                                \
    X(Table, Masked, DrawAlphaMasked, Full, DrawAlpha, _, (SourceOver{}))                                          \
    X(Table, Plain, DrawAlphaC, C, _, _, (SourceOverC{}))                                                          \
    X(Table, PlainOpacity, DrawAlphaCOpacity, C, _, DrawAlphaC, (SourceOverCOpacity{opacity}))                     \
    X(Table, Stretched, DrawAlphaCStretched, C, DrawAlphaC, _, (SourceOverC{}))                                    \
    X(Table, StretchedOpacity, DrawAlphaCStretchedOpacity, C, DrawAlphaCOpacity, DrawAlphaCStretched,              \
      (SourceOverCOpacity{opacity}))                                                                               \
    X(Table, PlainTone, DrawAlphaToneC, C, _, _, (AlphaToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))        \
    X(Table, StretchedTone, DrawAlphaToneCStretched, C, DrawAlphaToneC, _,                                         \
      (AlphaToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                   \
    X(Table, Masked, DrawAlphaCMasked, C, DrawAlphaC, _, (SourceOverC{}))

OC_KERNEL_FAMILY(OC_ALPHA_KERNELS, AlphaKernels)

void CSprite::DrawAlphaKeyed(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                             int32_t h, uint32_t key) {
    DrawPlain(*this, dx, dy, source, sx, sy, w, h, KeyedSourceOver{key});
}
