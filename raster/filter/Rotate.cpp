// The plain rotated draws: copies (all channels, colour, alpha), the alpha sum,
// the tint and the cross-fades. The geometry is RotatedDraw.h's.
#include "raster/blend/DrawRules.h"
#include "raster/filter/RotatedDraw.h"
#include "raster/surface/sprite/Sprite.h"

using namespace blend;

namespace {

// Alpha = min(255, destination alpha + source alpha), colour kept.
struct AlphaSum {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t a = (d >> 24) + (s >> 24);
        return (d & kColourBits) | ((a > 255 ? 255u : a) << 24);
    }
};

}  // namespace

bool CSprite::BlitRotated(OC_ROTATED_PARAMS) { return rotated::Draw(*this, OC_ROTATED_ARGS, CopyPixels{}); }

bool CSprite::BlitRotatedC(OC_ROTATED_PARAMS) { return rotated::Draw(*this, OC_ROTATED_ARGS, CopyForm<Form::C>{}); }

bool CSprite::BlitRotatedA(OC_ROTATED_PARAMS) { return rotated::Draw(*this, OC_ROTATED_ARGS, CopyForm<Form::A>{}); }

bool CSprite::BlitRotatedAddA(OC_ROTATED_PARAMS) { return rotated::Draw(*this, OC_ROTATED_ARGS, AlphaSum{}); }

bool CSprite::BlitRotatedTone(OC_ROTATED_PARAMS, uint32_t colour, uint32_t rWeight, uint32_t gWeight,
                              uint32_t bWeight, uint32_t amount) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         CopyTone{ToneTint(colour, rWeight, gWeight, bWeight), LimitAmount(amount)});
}

bool CSprite::BlitRotatedCrossFade(OC_ROTATED_PARAMS, uint8_t opacity) {
    if (opacity == 255) return BlitRotated(OC_ROTATED_FORWARD);
    if (opacity == 0) return true;
    return rotated::Draw(*this, OC_ROTATED_ARGS, ConstantWeight<Form::Full, false>{opacity});
}

bool CSprite::BlitRotatedCrossFadeC(OC_ROTATED_PARAMS, uint8_t opacity) {
    if (opacity == 255) return BlitRotatedC(OC_ROTATED_FORWARD);
    if (opacity == 0) return true;
    return rotated::Draw(*this, OC_ROTATED_ARGS, ConstantWeight<Form::C, false>{opacity});
}
