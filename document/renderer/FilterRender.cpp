// Filters and colour-space conversions.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kFilterRows[] = {
    {1401, RenderKindNotBuilt},  // DistAlpha(
    {1402, RenderKindNotBuilt},  // Mirror(
    {1403, RenderKindNotBuilt},  // BlurC(
    {1404, RenderKindNotBuilt},  // BlurA(
    {1405, RenderKindNotBuilt},  // Blur(
    {1406, RenderKindNotBuilt},  // RasterScroll(
    {1407, RenderKindNotBuilt},  // RasterScroll2(
    {1408, RenderKindNotBuilt},  // Mosaic(
    {1409, RenderKindNotBuilt},  // DisplacementMap(
    {1410, RenderKindNotBuilt},  // DisplacementMapC(
    {1411, RenderKindNotBuilt},  // DisplacementMapA(
    {1412, RenderKindNotBuilt},  // DisplacementCalc(
    {1413, RenderKindNotBuilt},  // ReplacementMap(
    {1414, RenderKindNotBuilt},  // ReplacementMapC(
    {1415, RenderKindNotBuilt},  // ReplacementMapA(
    {1416, RenderKindNotBuilt},  // ReplacementCalc(
    {1417, RenderKindNotBuilt},  // AntiMoire(
    {5001, RenderKindNotBuilt},  // RGB2ColorSpace(
    {5002, RenderKindNotBuilt},  // ColorSpace2RGB(
    {5003, RenderKindNotBuilt},  // AddForColorSpace(
    {5004, RenderKindNotBuilt},  // AddForColorSpaceRange(
    {5005, RenderKindNotBuilt},  // AddForColorSpace2(
    {5006, RenderKindNotBuilt},  // SubForColorSpace2(
    {5007, RenderKindNotBuilt},  // ReplaceFactor(
};

}  // namespace

const RenderFamily kFilterRender = MakeRenderFamily(kFilterRows);
