// Channel draws, component exchanges and alpha-only draws.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// Every kind here draws the source rectangle at its own size with one kernel:
// Primary keeps the pixel of greater alpha, ChannelCopy mixes each channel by
// its own weight (the opacity byte for alpha, then the three weight bytes for
// red, green and blue), the composites 931-934 take components of the source
// inside the colour model the option value names (a model outside 0..2 fails
// the factor), and the alpha-only kinds change the destination alpha alone.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"

namespace {

bool ChannelCopyDraw(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const QDXFactor& f = frame.Factor;
    frame.Canvas().ChannelCopy(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, frame.Opacity, f.ByteParam1,
                               f.ByteParam2, f.ByteParam3);
    return true;
}

template <source_draw::PlainKernel Hsv, source_draw::PlainKernel Hsl, source_draw::PlainKernel Hsly>
bool ChannelComposite(FactorFrame& frame) {
    const source_draw::PlainKernel kernel = source_draw::ChooseColourModel(frame, Hsv, Hsl, Hsly);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    (frame.Canvas().*kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h);
    return true;
}

// The saturation map: the weights are 16.16 in the matrix's R, G and B
// diagonal entries and reach the kernel in 1/256 (truncated toward zero); the
// low two bits of the option word name the grey definition.
bool ChannelMulSaturationMap(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const int32_t* m = frame.Factor.ColorExMatrix;
    frame.Canvas().MulSaturationBitmap(r.x, r.y, r.w, r.h, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, m[0] / 256,
                                       m[11] / 256, m[22] / 256, frame.Factor.Options & 3);
    return true;
}

bool ChannelMulAddBrightnessMap(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    frame.Canvas().MulAddBrightnessBitmap(r.x, r.y, r.w, r.h, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h);
    return true;
}

constexpr RenderRow kChannelRows[] = {
    {901, source_draw::DrawPlain<&CSprite::DrawPrimary>},  // Primary(
    {902, ChannelCopyDraw},  // ChannelCopy(
    {903, ChannelMulSaturationMap},  // MulSaturationBitmap(
    {904, ChannelMulAddBrightnessMap},  // MulAddBrightnessBitmap(
    {931, ChannelComposite<&CSprite::CompositeHueHSV, &CSprite::CompositeHueHSL, &CSprite::CompositeHueHSLY>},  // Hue(
    {932, ChannelComposite<&CSprite::CompositeSaturationHSV, &CSprite::CompositeSaturationHSL,
                           &CSprite::CompositeSaturationHSLY>},  // Saturation(
    {933, ChannelComposite<&CSprite::CompositeHueSaturationHSV, &CSprite::CompositeHueSaturationHSL,
                           &CSprite::CompositeHueSaturationHSLY>},  // HueSaturation(
    {934, ChannelComposite<&CSprite::CompositeLuminosityHSV, &CSprite::CompositeLuminosityHSL,
                           &CSprite::CompositeLuminosityHSLY>},  // Luminosity(
    {961, source_draw::DrawPlain<&CSprite::DrawCopyA>},  // CopyA(
    {962, source_draw::DrawPlain<&CSprite::BlendMulA>},  // MulA(
    {963, source_draw::DrawPlain<&CSprite::BlendAddA>},  // AddA(
    {964, source_draw::DrawPlain<&CSprite::BlendSubA>},  // SubA(
    {965, source_draw::DrawPlain<&CSprite::BlendXorA>},  // XorA(
    {966, source_draw::DrawPlain<&CSprite::BlendDivA>},  // DivA(
    {967, source_draw::DrawPlain<&CSprite::BlendRevMulA>},  // RevMulA(
};

}  // namespace

const RenderFamily kChannelRender = MakeRenderFamily(kChannelRows);
