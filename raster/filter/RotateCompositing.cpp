// The rotated draws of the draw kinds Alpha, Blend, Layer and Back and their
// colour-only forms: the pixel rules of the same-size draws (DrawRules.h and
// the Alpha method of KernelFrame.h) on the rotated geometry, so a rotated
// draw at angle 0 and scale 1 gives the bytes of its same-size twin. So do
// their tone forms and the alpha-only Mul, RevMul and Sub, which nothing in the
// program calls but the library offers with the family.
#include "raster/blend/ArithRules.h"
#include "raster/blend/DrawRules.h"
#include "raster/filter/RotatedDraw.h"
#include "raster/surface/sprite/Sprite.h"

using namespace blend;
using blend::arith::MulAlphaOnlyRule;
using blend::arith::RevMulAlphaOnlyRule;
using blend::arith::SubAlphaOnlyRule;

namespace {

using RotatedOver = AlphaMethod<SourceColour, Form::Full>;
using RotatedOverOpacity = AlphaMethodOpacity<SourceColour, Form::Full>;
using RotatedOverC = AlphaMethod<SourceColour, Form::C>;
using RotatedOverCOpacity = AlphaMethodOpacity<SourceColour, Form::C>;

}  // namespace

bool CSprite::BlitRotatedAlpha(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, RotatedOver{}, RotatedOverOpacity{opacity});
}
bool CSprite::BlitRotatedAlphaFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, RotatedOver{});
}
bool CSprite::BlitRotatedBlend(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, BlendOpaque{}, BlendLevel{opacity});
}
bool CSprite::BlitRotatedLayer(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, LayerReplace<Form::Full>{},
                                    LayerOpacity{opacity});
}
bool CSprite::BlitRotatedLayerFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, LayerReplace<Form::Full>{});
}
bool CSprite::BlitRotatedBack(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, Behind<Form::Full>{},
                                    BehindOpacity<Form::Full>{opacity});
}
bool CSprite::BlitRotatedBackFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, Behind<Form::Full>{});
}

bool CSprite::BlitRotatedAlphaC(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, RotatedOverC{}, RotatedOverCOpacity{opacity});
}
bool CSprite::BlitRotatedAlphaCFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, RotatedOverC{});
}
bool CSprite::BlitRotatedBlendC(OC_ROTATED_PARAMS, uint8_t opacity) {
    if (opacity == 255) return BlitRotatedC(OC_ROTATED_FORWARD);
    if (opacity == 0) return true;
    return rotated::Draw(*this, OC_ROTATED_ARGS, ConstantWeight<Form::C, false>{opacity});
}
bool CSprite::BlitRotatedLayerC(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, LayerReplace<Form::C>{},
                                    ConstantWeight<Form::C, true>{opacity});
}
bool CSprite::BlitRotatedLayerCFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, LayerReplace<Form::C>{});
}
bool CSprite::BlitRotatedBackC(OC_ROTATED_PARAMS, uint8_t opacity) {
    return rotated::DrawWithOpacity(*this, OC_ROTATED_ARGS, opacity, Behind<Form::C>{},
                                    BehindOpacity<Form::C>{opacity});
}
bool CSprite::BlitRotatedBackCFullOpacity(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, Behind<Form::C>{});
}

bool CSprite::BlitRotatedAlphaTone(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         AlphaTone{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedBlendTone(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         BlendTone{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedLayerTone(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         LayerTone{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedBackTone(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         BackTone{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedAlphaToneC(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         AlphaToneC{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedBlendToneC(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         ToneStrengthC<false>{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedLayerToneC(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         ToneStrengthC<true>{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}
bool CSprite::BlitRotatedBackToneC(OC_ROTATED_TONE_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS,
                         BackToneC{ToneTint(colour, amountR, amountG, amountB), LimitAmount(alphaAmount)});
}

bool CSprite::BlitRotatedMulA(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, MulAlphaOnlyRule<false>{});
}
bool CSprite::BlitRotatedRevMulA(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, RevMulAlphaOnlyRule<false>{});
}
bool CSprite::BlitRotatedSubA(OC_ROTATED_PARAMS) {
    return rotated::Draw(*this, OC_ROTATED_ARGS, SubAlphaOnlyRule<false>{});
}
