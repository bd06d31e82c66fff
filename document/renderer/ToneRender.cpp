// The toned draws.
// The resized and rotated forms are TransformDraw.cpp's.
//
// The plain forms draw the source rectangle at its own size, tinted toward the
// factor's first colour by the red, green and blue amounts, with a strength:
// the amount itself for CopyTone and CopyToneC, otherwise opacity x amount /
// 255 truncated toward zero (opacity 128 and amount 256 give 128). The product
// is taken in 64 bits: document amounts are any 32-bit value, and a wrapped
// product would turn a strong amount into a faint or negative one.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/TransformDraw.h"

namespace {

using ToneKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, uint32_t,
                                     uint32_t, uint32_t, uint32_t, uint32_t);

// The strength passed to a tone kernel for the factor's amount and opacity.
uint32_t ToneStrength(int32_t amount, uint8_t opacity, bool weighedByOpacity) noexcept {
    if (!weighedByOpacity) return static_cast<uint32_t>(amount);
    return static_cast<uint32_t>(static_cast<int32_t>(int64_t{opacity} * amount / 255));
}

template <ToneKernel Kernel, bool WeighedByOpacity>
bool ToneDrawPlain(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const QDXFactor& f = frame.Factor;
    const uint32_t strength = ToneStrength(f.IntParam6, frame.Opacity, WeighedByOpacity);
    (frame.Canvas().*Kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, frame.C[0],
                             static_cast<uint32_t>(f.IntParam3), static_cast<uint32_t>(f.IntParam4),
                             static_cast<uint32_t>(f.IntParam5), strength);
    return true;
}

constexpr RenderRow kToneRows[] = {
    {401, ToneDrawPlain<&CSprite::DrawCopyTone, false>},  // CopyTone(
    {402, ToneDrawPlain<&CSprite::DrawAlphaTone, true>},  // AlphaTone(
    {403, ToneDrawPlain<&CSprite::DrawBlendTone, true>},  // BlendTone(
    {404, ToneDrawPlain<&CSprite::DrawLayerTone, true>},  // LayerTone(
    {405, ToneDrawPlain<&CSprite::DrawBackTone, true>},  // BackTone(
    {416, ToneDrawPlain<&CSprite::DrawBlendToneC, false>},  // CopyToneC( (BlendToneC's kernel, amount as written)
    {417, ToneDrawPlain<&CSprite::DrawAlphaToneC, true>},  // AlphaToneC(
    {418, ToneDrawPlain<&CSprite::DrawBlendToneC, true>},  // BlendToneC(
    {419, ToneDrawPlain<&CSprite::DrawLayerToneC, true>},  // LayerToneC(
    {420, ToneDrawPlain<&CSprite::DrawBackToneC, true>},  // BackToneC(
    {431, transform_draw::ResizeToneBranch<transform_draw::kCopy>},  // ResizeTone(
    {432, transform_draw::ResizeToneBranch<transform_draw::kAlpha>},  // ResizeAlphaTone(
    {433, transform_draw::ResizeToneBranch<transform_draw::kBlend>},  // ResizeBlendTone(
    {434, transform_draw::ResizeToneBranch<transform_draw::kLayer>},  // ResizeLayerTone(
    {435, transform_draw::ResizeToneBranch<transform_draw::kBack>},  // ResizeBackTone(
    {446, transform_draw::ResizeToneBranch<transform_draw::kCopyC>},  // ResizeToneC(
    {447, transform_draw::ResizeToneBranch<transform_draw::kAlphaC>},  // ResizeAlphaToneC(
    {448, transform_draw::ResizeToneBranch<transform_draw::kBlendC>},  // ResizeBlendToneC(
    {449, transform_draw::ResizeToneBranch<transform_draw::kLayerC>},  // ResizeLayerToneC(
    {450, transform_draw::ResizeToneBranch<transform_draw::kBackC>},  // ResizeBackToneC(
    {461, transform_draw::RotateToneBranch<transform_draw::kCopy>},  // RotateTone(
    {462, transform_draw::RotateToneBranch<transform_draw::kAlpha>},  // RotateAlphaTone(
    {463, transform_draw::RotateToneBranch<transform_draw::kBlend>},  // RotateBlendTone(
    {464, transform_draw::RotateToneBranch<transform_draw::kLayer>},  // RotateLayerTone(
    {465, transform_draw::RotateToneBranch<transform_draw::kBack>},  // RotateBackTone(
    {476, transform_draw::RotateToneBranch<transform_draw::kCopyC>},  // RotateToneC(
    {477, transform_draw::RotateToneBranch<transform_draw::kAlphaC>},  // RotateAlphaToneC(
    {478, transform_draw::RotateToneBranch<transform_draw::kBlendC>},  // RotateBlendToneC(
    {479, transform_draw::RotateToneBranch<transform_draw::kLayerC>},  // RotateLayerToneC(
    {480, transform_draw::RotateToneBranch<transform_draw::kBackC>},  // RotateBackToneC(
};

}  // namespace

const RenderFamily kToneRender = MakeRenderFamily(kToneRows);
