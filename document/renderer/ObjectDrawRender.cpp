// The object draws: Copy, Alpha, Blend, Layer, Back and their colour-only, resized and rotated forms.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kObjectDrawRows[] = {
    {201, RenderKindNotBuilt},  // Copy(
    {202, RenderKindNotBuilt},  // Alpha(
    {203, RenderKindNotBuilt},  // Blend(
    {204, RenderKindNotBuilt},  // Layer(
    {205, RenderKindNotBuilt},  // Back(
    {216, RenderKindNotBuilt},  // CopyC(
    {217, RenderKindNotBuilt},  // AlphaC(
    {218, RenderKindNotBuilt},  // BlendC(
    {219, RenderKindNotBuilt},  // LayerC(
    {220, RenderKindNotBuilt},  // BackC(
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
