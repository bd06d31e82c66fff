// The object draws: Copy, Alpha, Blend, Layer, Back and their colour-only, resized and rotated forms.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// The plain forms draw the source rectangle at its own size with one kernel
// each. Alpha and Layer (and their C forms) at full opacity take the block-mask
// kernel when the source canvas carries a block opacity mask: the same pixels,
// with wholly opaque and wholly clear 4 x 4 blocks copied or skipped.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"

namespace {

// Alpha, Layer, AlphaC, LayerC: the masked kernel when the source has a block
// mask and the opacity is 255, else the opacity kernel (which runs its own
// full-opacity loop at 255).
template <source_draw::PlainKernel Masked, source_draw::OpacityKernel Opacity>
bool ObjectDrawMaskable(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const CSprite& source = *frame.SourceCanvas;
    if (frame.Opacity == 255 && source_draw::HasBlockMask(source))
        (frame.Canvas().*Masked)(r.x, r.y, source, r.sx, r.sy, r.w, r.h);
    else
        (frame.Canvas().*Opacity)(r.x, r.y, source, r.sx, r.sy, r.w, r.h, frame.Opacity);
    return true;
}

constexpr RenderRow kObjectDrawRows[] = {
    {201, source_draw::DrawPlain<&CSprite::DrawCopy>},  // Copy(
    {202, ObjectDrawMaskable<&CSprite::DrawAlphaMasked, &CSprite::DrawAlphaOpacity>},  // Alpha(
    {203, source_draw::DrawWithOpacity<&CSprite::DrawBlend>},  // Blend(
    {204, ObjectDrawMaskable<&CSprite::DrawLayerMasked, &CSprite::DrawLayerOpacity>},  // Layer(
    {205, source_draw::DrawWithOpacity<&CSprite::DrawBackOpacity>},  // Back(
    {216, source_draw::DrawPlain<&CSprite::DrawCopyC>},  // CopyC(
    {217, ObjectDrawMaskable<&CSprite::DrawAlphaCMasked, &CSprite::DrawAlphaCOpacity>},  // AlphaC(
    {218, source_draw::DrawWithOpacity<&CSprite::DrawBlendC>},  // BlendC(
    {219, ObjectDrawMaskable<&CSprite::DrawLayerCMasked, &CSprite::DrawLayerCOpacity>},  // LayerC(
    {220, source_draw::DrawWithOpacity<&CSprite::DrawBackCOpacity>},  // BackC(
    {231, RenderKindNotBuilt},  // Resize(
    {232, RenderKindNotBuilt},  // ResizeAlpha(
    {233, RenderKindNotBuilt},  // ResizeBlend(
    {234, RenderKindNotBuilt},  // ResizeLayer(
    {235, RenderKindNotBuilt},  // ResizeBack(
    {246, RenderKindNotBuilt},  // ResizeC(
    {247, RenderKindNotBuilt},  // ResizeAlphaC(
    {248, RenderKindNotBuilt},  // ResizeBlendC(
    {249, RenderKindNotBuilt},  // ResizeLayerC(
    {250, RenderKindNotBuilt},  // ResizeBackC(
    {261, RenderKindNotBuilt},  // Rotate(
    {262, RenderKindNotBuilt},  // RotateAlpha(
    {263, RenderKindNotBuilt},  // RotateBlend(
    {264, RenderKindNotBuilt},  // RotateLayer(
    {265, RenderKindNotBuilt},  // RotateBack(
    {276, RenderKindNotBuilt},  // RotateC(
    {277, RenderKindNotBuilt},  // RotateAlphaC(
    {278, RenderKindNotBuilt},  // RotateBlendC(
    {279, RenderKindNotBuilt},  // RotateLayerC(
    {280, RenderKindNotBuilt},  // RotateBackC(
};

}  // namespace

const RenderFamily kObjectDrawRender = MakeRenderFamily(kObjectDrawRows);
