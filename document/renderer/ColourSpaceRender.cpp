// The colour-model draws: ColorSpace forms and the compositing inside a colour model.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt; the
// resized and rotated ColorSpace forms are TransformDraw.cpp's.
//
// The compositing kinds 391-394 draw the source rectangle at its own size,
// mixing inside the colour model the option value names (0 HSV, 1 HSL,
// 2 HSLY); the range forms change only destination pixels inside the six
// component windows. A model outside 0..2 fails the factor.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/TransformDraw.h"

namespace {

using RangeKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t,
                                      int32_t, int32_t, int32_t, int32_t, int32_t, uint8_t);

template <source_draw::OpacityKernel Hsv, source_draw::OpacityKernel Hsl, source_draw::OpacityKernel Hsly>
bool ColourModelBlend(FactorFrame& frame) {
    const source_draw::OpacityKernel kernel = source_draw::ChooseColourModel(frame, Hsv, Hsl, Hsly);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    (frame.Canvas().*kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, frame.Opacity);
    return true;
}

// The windows reach the kernel in text order: each low bound (SpaceParam)
// before its high bound (RangeParam), hue, saturation, third component.
template <RangeKernel Hsv, RangeKernel Hsl, RangeKernel Hsly>
bool ColourModelRangeBlend(FactorFrame& frame) {
    const RangeKernel kernel = source_draw::ChooseColourModel(frame, Hsv, Hsl, Hsly);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const QDXFactor& f = frame.Factor;
    (frame.Canvas().*kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, f.SpaceParam1, f.RangeParam1,
                             f.SpaceParam2, f.RangeParam2, f.SpaceParam3, f.RangeParam3, frame.Opacity);
    return true;
}

constexpr RenderRow kColourSpaceRows[] = {
    {301, RenderKindNotBuilt},  // CopyColorSpace(
    {302, RenderKindNotBuilt},  // AlphaColorSpace(
    {303, RenderKindNotBuilt},  // BlendColorSpace(
    {304, RenderKindNotBuilt},  // LayerColorSpace(
    {305, RenderKindNotBuilt},  // BackColorSpace(
    {316, RenderKindNotBuilt},  // CopyColorSpaceC(
    {317, RenderKindNotBuilt},  // AlphaColorSpaceC(
    {318, RenderKindNotBuilt},  // BlendColorSpaceC(
    {319, RenderKindNotBuilt},  // LayerColorSpaceC(
    {320, RenderKindNotBuilt},  // BackColorSpaceC(
    {331, transform_draw::ResizeColourSpaceBranch<transform_draw::kCopy>},  // ResizeColorSpace(
    {332, transform_draw::ResizeColourSpaceBranch<transform_draw::kAlpha>},  // ResizeAlphaColorSpace(
    {333, transform_draw::ResizeColourSpaceBranch<transform_draw::kBlend>},  // ResizeBlendColorSpace(
    {334, transform_draw::ResizeColourSpaceBranch<transform_draw::kLayer>},  // ResizeLayerColorSpace(
    {335, transform_draw::ResizeColourSpaceBranch<transform_draw::kBack>},  // ResizeBackColorSpace(
    {346, transform_draw::ResizeColourSpaceBranch<transform_draw::kCopyC>},  // ResizeColorSpaceC(
    {347, transform_draw::ResizeColourSpaceBranch<transform_draw::kAlphaC>},  // ResizeAlphaColorSpaceC(
    {348, transform_draw::ResizeColourSpaceBranch<transform_draw::kBlendC>},  // ResizeBlendColorSpaceC(
    {349, transform_draw::ResizeColourSpaceBranch<transform_draw::kLayerC>},  // ResizeLayerColorSpaceC(
    {350, transform_draw::ResizeColourSpaceBranch<transform_draw::kBackC>},  // ResizeBackColorSpaceC(
    {361, transform_draw::RotateColourSpaceBranch<transform_draw::kCopy>},  // RotateColorSpace(
    {362, transform_draw::RotateColourSpaceBranch<transform_draw::kAlpha>},  // RotateAlphaColorSpace(
    {363, transform_draw::RotateColourSpaceBranch<transform_draw::kBlend>},  // RotateBlendColorSpace(
    {364, transform_draw::RotateColourSpaceBranch<transform_draw::kLayer>},  // RotateLayerColorSpace(
    {365, transform_draw::RotateColourSpaceBranch<transform_draw::kBack>},  // RotateBackColorSpace(
    {376, transform_draw::RotateColourSpaceBranch<transform_draw::kCopyC>},  // RotateColorSpaceC(
    {377, transform_draw::RotateColourSpaceBranch<transform_draw::kAlphaC>},  // RotateAlphaColorSpaceC(
    {378, transform_draw::RotateColourSpaceBranch<transform_draw::kBlendC>},  // RotateBlendColorSpaceC(
    {379, transform_draw::RotateColourSpaceBranch<transform_draw::kLayerC>},  // RotateLayerColorSpaceC(
    {380, transform_draw::RotateColourSpaceBranch<transform_draw::kBackC>},  // RotateBackColorSpaceC(
    {391, ColourModelBlend<&CSprite::ColorSpaceAlphaBlendHSV, &CSprite::ColorSpaceAlphaBlendHSL,
                          &CSprite::ColorSpaceAlphaBlendHSLY>},  // ColorSpaceAlphaBlend(
    {392, ColourModelRangeBlend<&CSprite::ColorSpaceRangeAlphaBlendHSV, &CSprite::ColorSpaceRangeAlphaBlendHSL,
                               &CSprite::ColorSpaceRangeAlphaBlendHSLY>},  // ColorSpaceRangeAlphaBlend(
    {393, ColourModelBlend<&CSprite::ColorSpaceAlphaBlendCHSV, &CSprite::ColorSpaceAlphaBlendCHSL,
                          &CSprite::ColorSpaceAlphaBlendCHSLY>},  // ColorSpaceAlphaBlendC(
    {394, ColourModelRangeBlend<&CSprite::ColorSpaceRangeAlphaBlendCHSV, &CSprite::ColorSpaceRangeAlphaBlendCHSL,
                               &CSprite::ColorSpaceRangeAlphaBlendCHSLY>},  // ColorSpaceRangeAlphaBlendC(
};

}  // namespace

const RenderFamily kColourSpaceRender = MakeRenderFamily(kColourSpaceRows);
