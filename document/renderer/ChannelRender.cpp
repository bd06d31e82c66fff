// Channel draws, component exchanges and alpha-only draws.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kChannelRows[] = {
    {901, RenderKindNotBuilt},  // Primary(
    {902, RenderKindNotBuilt},  // ChannelCopy(
    {903, RenderKindNotBuilt},  // MulSaturationBitmap(
    {904, RenderKindNotBuilt},  // MulAddBrightnessBitmap(
    {931, RenderKindNotBuilt},  // Hue(
    {932, RenderKindNotBuilt},  // Saturation(
    {933, RenderKindNotBuilt},  // HueSaturation(
    {934, RenderKindNotBuilt},  // Luminosity(
    {961, RenderKindNotBuilt},  // CopyA(
    {962, RenderKindNotBuilt},  // MulA(
    {963, RenderKindNotBuilt},  // AddA(
    {964, RenderKindNotBuilt},  // SubA(
    {965, RenderKindNotBuilt},  // XorA(
    {966, RenderKindNotBuilt},  // DivA(
    {967, RenderKindNotBuilt},  // RevMulA(
};

}  // namespace

const RenderFamily kChannelRender = MakeRenderFamily(kChannelRows);
