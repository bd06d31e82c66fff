// Filters and colour-space conversions.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include <new>

#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// ReplaceFactor 5007: the factor's rectangle learns from the source canvas's
// rectangle (x2, y2, x3, y3, as written); the option word's second byte is the
// key channel, its low byte the replaced channels. The kernel's histograms
// need the 1 MiB raster scratch block: when it cannot be had the factor fails
// with the out-of-memory message instead of ending the program.
bool FilterReplaceFactor(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const uint32_t options = frame.Factor.Options;
    try {
        frame.Canvas().ReplaceFactor(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], *frame.SourceCanvas,
                                     frame.X[2], frame.Y[2], frame.X[3], frame.Y[3],
                                     static_cast<int32_t>((options >> 8) & 0xFF), static_cast<int32_t>(options & 0xFF),
                                     frame.Opacity);
    } catch (const std::bad_alloc&) {
        AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
        return false;
    }
    return true;
}

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
    {5007, FilterReplaceFactor},  // ReplaceFactor(
};

}  // namespace

const RenderFamily kFilterRender = MakeRenderFamily(kFilterRows);
