// The toned draws.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// The plain forms draw the source rectangle at its own size, tinted toward the
// factor's first colour by the red, green and blue amounts, with a strength:
// the amount itself for CopyTone and CopyToneC, otherwise opacity x amount /
// 255 truncated toward zero (opacity 128 and amount 256 give 128). The product
// is taken in 64 bits: document amounts are any 32-bit value, and a wrapped
// product would turn a strong amount into a faint or negative one.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"

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
    {431, RenderKindNotBuilt},  // ResizeTone(
    {432, RenderKindNotBuilt},  // ResizeAlphaTone(
    {433, RenderKindNotBuilt},  // ResizeBlendTone(
    {434, RenderKindNotBuilt},  // ResizeLayerTone(
    {435, RenderKindNotBuilt},  // ResizeBackTone(
    {446, RenderKindNotBuilt},  // ResizeToneC(
    {447, RenderKindNotBuilt},  // ResizeAlphaToneC(
    {448, RenderKindNotBuilt},  // ResizeBlendToneC(
    {449, RenderKindNotBuilt},  // ResizeLayerToneC(
    {450, RenderKindNotBuilt},  // ResizeBackToneC(
    {461, RenderKindNotBuilt},  // RotateTone(
    {462, RenderKindNotBuilt},  // RotateAlphaTone(
    {463, RenderKindNotBuilt},  // RotateBlendTone(
    {464, RenderKindNotBuilt},  // RotateLayerTone(
    {465, RenderKindNotBuilt},  // RotateBackTone(
    {476, RenderKindNotBuilt},  // RotateToneC(
    {477, RenderKindNotBuilt},  // RotateAlphaToneC(
    {478, RenderKindNotBuilt},  // RotateBlendToneC(
    {479, RenderKindNotBuilt},  // RotateLayerToneC(
    {480, RenderKindNotBuilt},  // RotateBackToneC(
};

}  // namespace

const RenderFamily kToneRender = MakeRenderFamily(kToneRows);
