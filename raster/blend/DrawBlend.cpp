// Blend: a cross-fade by the opacity in which the source's own alpha plays no
// part; every pixel of the rectangle is written. The full form takes the weight
// and the new alpha from the union of the opacity over the destination alpha,
// the colour-only form mixes with the opacity itself.
#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

}  // namespace

#define OC_BLEND_KERNELS(X)                                                                                        \
    X(Hand, PlainOpacity, DrawBlend, Full, _, _, ())                                                               \
    X(Hand, StretchedOpacity, DrawBlendStretched, Full, DrawBlend, _, ())                                          \
    X(Table, PlainTone, DrawBlendTone, Full, _, _, (BlendTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))       \
    X(Table, StretchedTone, DrawBlendToneStretched, Full, DrawBlendTone, _,                                        \
      (BlendTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                    \
    X(Table, PlainOpacity, DrawBlendC, C, _, DrawCopyC, (ConstantWeight<Form::C, false>{opacity}))                 \
    X(Table, StretchedOpacity, DrawBlendCStretched, C, DrawBlendC, DrawCopyCStretched,                             \
      (ConstantWeight<Form::C, false>{opacity}))                                                                   \
    X(Table, PlainTone, DrawBlendToneC, C, _, _, (ToneStrengthC<false>{ToneTint(tone, rp, gp, bp), LimitAmount(am)})) \
    X(Table, StretchedTone, DrawBlendToneCStretched, C, DrawBlendToneC, _,                                         \
      (ToneStrengthC<false>{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))

OC_KERNEL_FAMILY(OC_BLEND_KERNELS, BlendKernels)

// The full form has no full-opacity member: 255 is handled here.
void CSprite::DrawBlend(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                        uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        DrawPlain(*this, dx, dy, source, sx, sy, w, h, BlendOpaque{});
    } else {
        DrawPlain(*this, dx, dy, source, sx, sy, w, h, BlendLevel{opacity});
    }
}

void CSprite::DrawBlendStretched(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& source, int32_t sx,
                                 int32_t sy, int32_t sw, int32_t sh, uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255) {
        DrawStretched(*this, dx, dy, dw, dh, source, sx, sy, sw, sh, BlendOpaque{});
    } else {
        DrawStretched(*this, dx, dy, dw, dh, source, sx, sy, sw, sh, BlendLevel{opacity});
    }
}
