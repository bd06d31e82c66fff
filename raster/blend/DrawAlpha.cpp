// Alpha: the source drawn over the destination through AlphaUnionTable, which
// gives the weight of the source colour and the combined alpha in one lookup.
// It is the Alpha compositing method with the source colour as blend colour.
// The C forms weigh the colour by the source alpha itself and keep the
// destination alpha.
#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

using SourceOver = AlphaMethod<SourceColour, Form::Full>;
using SourceOverOpacity = AlphaMethodOpacity<SourceColour, Form::Full>;
using SourceOverC = AlphaMethod<SourceColour, Form::C>;
using SourceOverCOpacity = AlphaMethodOpacity<SourceColour, Form::C>;

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
