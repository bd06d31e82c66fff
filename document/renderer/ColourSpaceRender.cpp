// The colour-model draws: ColorSpace forms and the compositing inside a colour model.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// The compositing kinds 391-394 draw the source rectangle at its own size,
// mixing inside the colour model the option value names (0 HSV, 1 HSL,
// 2 HSLY); the range forms change only destination pixels inside the six
// component windows. A model outside 0..2 fails the factor.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"

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
    {331, RenderKindNotBuilt},  // ResizeColorSpace(
    {332, RenderKindNotBuilt},  // ResizeAlphaColorSpace(
    {333, RenderKindNotBuilt},  // ResizeBlendColorSpace(
    {334, RenderKindNotBuilt},  // ResizeLayerColorSpace(
    {335, RenderKindNotBuilt},  // ResizeBackColorSpace(
    {346, RenderKindNotBuilt},  // ResizeColorSpaceC(
    {347, RenderKindNotBuilt},  // ResizeAlphaColorSpaceC(
    {348, RenderKindNotBuilt},  // ResizeBlendColorSpaceC(
    {349, RenderKindNotBuilt},  // ResizeLayerColorSpaceC(
    {350, RenderKindNotBuilt},  // ResizeBackColorSpaceC(
    {361, RenderKindNotBuilt},  // RotateColorSpace(
    {362, RenderKindNotBuilt},  // RotateAlphaColorSpace(
    {363, RenderKindNotBuilt},  // RotateBlendColorSpace(
    {364, RenderKindNotBuilt},  // RotateLayerColorSpace(
    {365, RenderKindNotBuilt},  // RotateBackColorSpace(
    {376, RenderKindNotBuilt},  // RotateColorSpaceC(
    {377, RenderKindNotBuilt},  // RotateAlphaColorSpaceC(
    {378, RenderKindNotBuilt},  // RotateBlendColorSpaceC(
    {379, RenderKindNotBuilt},  // RotateLayerColorSpaceC(
    {380, RenderKindNotBuilt},  // RotateBackColorSpaceC(
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
