// Fills, replacements, masked fills and colour adjustments.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kFillRows[] = {
    {801, RenderKindNotBuilt},  // Fill(
    {802, RenderKindNotBuilt},  // ReplaceDataFromAlpha(
    {803, RenderKindNotBuilt},  // ReplaceDataFromColor(
    {804, RenderKindNotBuilt},  // ReplaceData(
    {811, RenderKindNotBuilt},  // FillC(
    {812, RenderKindNotBuilt},  // ReplaceColorFromAlpha(
    {813, RenderKindNotBuilt},  // ReplaceColor(
    {814, RenderKindNotBuilt},  // ReplaceColorFromData(
    {821, RenderKindNotBuilt},  // FillA(
    {822, RenderKindNotBuilt},  // ReplaceAlpha(
    {823, RenderKindNotBuilt},  // ReplaceAlphaFromColor(
    {824, RenderKindNotBuilt},  // ReplaceAlphaFromData(
    {831, RenderKindNotBuilt},  // MaskFill(
    {832, RenderKindNotBuilt},  // MaskFillC(
    {833, RenderKindNotBuilt},  // MaskFillA(
    {834, RenderKindNotBuilt},  // MaskApplyColorMatrix(
    {835, RenderKindNotBuilt},  // ReplaceDataMap(
    {836, RenderKindNotBuilt},  // ReplaceColorMap(
    {837, RenderKindNotBuilt},  // ReplaceAlphaMap(
    {838, RenderKindNotBuilt},  // ReplaceDataArray(
    {839, RenderKindNotBuilt},  // ReplaceColorArray(
    {840, RenderKindNotBuilt},  // ReplaceAlphaArray(
    {851, RenderKindNotBuilt},  // ReplaceDataFromPixel(
    {852, RenderKindNotBuilt},  // ApplyColorMatrix(
    {853, RenderKindNotBuilt},  // ApplyFormula(
    {854, RenderKindNotBuilt},  // RegionFill(
    {855, RenderKindNotBuilt},  // RegionFillC(
    {856, RenderKindNotBuilt},  // MulSaturation(
    {857, RenderKindNotBuilt},  // MulAddBrightness(
};

}  // namespace

const RenderFamily kFillRender = MakeRenderFamily(kFillRows);
