// The toned draws.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kToneRows[] = {
    {401, RenderKindNotBuilt},  // CopyTone(
    {402, RenderKindNotBuilt},  // AlphaTone(
    {403, RenderKindNotBuilt},  // BlendTone(
    {404, RenderKindNotBuilt},  // LayerTone(
    {405, RenderKindNotBuilt},  // BackTone(
    {416, RenderKindNotBuilt},  // CopyToneC(
    {417, RenderKindNotBuilt},  // AlphaToneC(
    {418, RenderKindNotBuilt},  // BlendToneC(
    {419, RenderKindNotBuilt},  // LayerToneC(
    {420, RenderKindNotBuilt},  // BackToneC(
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
