// The colour-model draws: ColorSpace forms and the compositing inside a colour model.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

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
    {391, RenderKindNotBuilt},  // ColorSpaceAlphaBlend(
    {392, RenderKindNotBuilt},  // ColorSpaceRangeAlphaBlend(
    {393, RenderKindNotBuilt},  // ColorSpaceAlphaBlendC(
    {394, RenderKindNotBuilt},  // ColorSpaceRangeAlphaBlendC(
};

}  // namespace

const RenderFamily kColourSpaceRender = MakeRenderFamily(kColourSpaceRows);
