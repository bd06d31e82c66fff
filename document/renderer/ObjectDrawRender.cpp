// The object draws: Copy, Alpha, Blend, Layer, Back and their colour-only, resized and rotated forms.
// The resized and rotated forms are TransformDraw.cpp's.
//
// The plain forms draw the source rectangle at its own size with one kernel
// each. Alpha and Layer (and their C forms) at full opacity take the block-mask
// kernel when the source canvas carries a block opacity mask: the same pixels,
// with wholly opaque and wholly clear 4 x 4 blocks copied or skipped.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/TransformDraw.h"

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
    {231, transform_draw::ResizeBranch<transform_draw::kCopy>},  // Resize(
    {232, transform_draw::ResizeBranch<transform_draw::kAlpha>},  // ResizeAlpha(
    {233, transform_draw::ResizeBranch<transform_draw::kBlend>},  // ResizeBlend(
    {234, transform_draw::ResizeBranch<transform_draw::kLayer>},  // ResizeLayer(
    {235, transform_draw::ResizeBranch<transform_draw::kBack>},  // ResizeBack(
    {246, transform_draw::ResizeBranch<transform_draw::kCopyC>},  // ResizeC(
    {247, transform_draw::ResizeBranch<transform_draw::kAlphaC>},  // ResizeAlphaC(
    {248, transform_draw::ResizeBranch<transform_draw::kBlendC>},  // ResizeBlendC(
    {249, transform_draw::ResizeBranch<transform_draw::kLayerC>},  // ResizeLayerC(
    {250, transform_draw::ResizeBranch<transform_draw::kBackC>},  // ResizeBackC(
    {261, transform_draw::RotateBranch<transform_draw::kCopy>},  // Rotate(
    {262, transform_draw::RotateBranch<transform_draw::kAlpha>},  // RotateAlpha(
    {263, transform_draw::RotateBranch<transform_draw::kBlend>},  // RotateBlend(
    {264, transform_draw::RotateBranch<transform_draw::kLayer>},  // RotateLayer(
    {265, transform_draw::RotateBranch<transform_draw::kBack>},  // RotateBack(
    {276, transform_draw::RotateBranch<transform_draw::kCopyC>},  // RotateC(
    {277, transform_draw::RotateBranch<transform_draw::kAlphaC>},  // RotateAlphaC(
    {278, transform_draw::RotateBranch<transform_draw::kBlendC>},  // RotateBlendC(
    {279, transform_draw::RotateBranch<transform_draw::kLayerC>},  // RotateLayerC(
    {280, transform_draw::RotateBranch<transform_draw::kBackC>},  // RotateBackC(
};

}  // namespace

const RenderFamily kObjectDrawRender = MakeRenderFamily(kObjectDrawRows);
