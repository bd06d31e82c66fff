// Filters and colour-space conversions.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include <cstdint>
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

// The displacement maps 1409-1411: the canvas's rectangle is displaced by the
// map object's canvas, tiled from (x2, y2, x3, y3) at phase (x4, y4); the
// first colour (the alpha for the A form) fills where samples leave the
// canvas. The last word holds the weight fields (low half) and the gains
// (high half). A work sprite that cannot be sized fails the factor with the
// out-of-memory message rather than counting as drawn.
enum class FilterDisplacementForm { kWhole, kColour, kAlpha };

template <FilterDisplacementForm kForm>
bool FilterDisplacementMap(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    const uint16_t weights = static_cast<uint16_t>(f.IntParam2 & 0xFFFFu);
    const uint16_t gains = static_cast<uint16_t>(f.IntParam2 >> 16);
    CSprite& canvas = frame.Canvas();
    bool drawn;
    if constexpr (kForm == FilterDisplacementForm::kWhole) {
        drawn = canvas.DisplacementMap(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], *frame.SourceCanvas, frame.X[2],
                                       frame.Y[2], frame.X[3], frame.Y[3], frame.X[4], frame.Y[4], frame.C[0],
                                       f.IntParam1, weights, gains);
    } else if constexpr (kForm == FilterDisplacementForm::kColour) {
        drawn = canvas.DisplacementMapC(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], *frame.SourceCanvas,
                                        frame.X[2], frame.Y[2], frame.X[3], frame.Y[3], frame.X[4], frame.Y[4],
                                        frame.C[0], f.IntParam1, weights, gains);
    } else {
        drawn = canvas.DisplacementMapA(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], *frame.SourceCanvas,
                                        frame.X[2], frame.Y[2], frame.X[3], frame.Y[3], frame.X[4], frame.Y[4],
                                        frame.Opacity, f.IntParam1, weights, gains);
    }
    if (!drawn) AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
    return drawn;
}

// DisplacementCalc 1412: the four 16.16 gains (matrix diagonal) become 8.8
// gains, quotients truncated toward zero; the colour channels scale about
// 128, the alpha about 0, in place.
bool FilterDisplacementCalc(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    CSprite& canvas = frame.Canvas();
    canvas.DisplacementCalc(frame.X[0], frame.Y[0], canvas, frame.X[0], frame.Y[0], frame.X[1], frame.Y[1],
                            f.ColorExMatrix[0] / 256, f.ColorExMatrix[11] / 256, f.ColorExMatrix[22] / 256,
                            f.ColorExMatrix[33] / 256, 128, 128, 128, 0);
    return true;
}

// The replacement maps 1413-1415 resample the canvas through the map object's
// canvas read from (x2, y2). The canvas is copied to the scratch sprite
// first, so every pixel reads the canvas as it was before the factor. A
// scratch sprite that cannot be sized fails the factor with the out-of-memory
// message; that includes a raster library that is not ready, which refuses
// every size.
enum class FilterReplacementForm { kWhole, kColour, kAlpha };

template <FilterReplacementForm kForm>
bool FilterReplacementMap(FactorFrame& frame) {
    CSprite& canvas = frame.Canvas();
    CSprite& scratch = frame.Context().Scratch;
    const int32_t cw = canvas.GetWidth(), ch = canvas.GetHeight();
    bool sized;
    try {
        sized = scratch.ResizeUncleared(cw, ch);
    } catch (const std::bad_alloc&) {
        sized = false;
    }
    if (!sized) {
        AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
        return false;
    }
    scratch.DrawCopyWhole(0, 0, canvas);
    if (!IsRasterReady()) return true;
    if constexpr (kForm == FilterReplacementForm::kWhole) {
        canvas.ReplacementMap(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], scratch, 0, 0, cw, ch,
                              *frame.SourceCanvas, frame.X[2], frame.Y[2]);
    } else if constexpr (kForm == FilterReplacementForm::kColour) {
        canvas.ReplacementMapC(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], scratch, 0, 0, cw, ch,
                               *frame.SourceCanvas, frame.X[2], frame.Y[2]);
    } else {
        canvas.ReplacementMapA(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], scratch, 0, 0, cw, ch,
                               *frame.SourceCanvas, frame.X[2], frame.Y[2]);
    }
    return true;
}

// ReplacementCalc 1416: 16.16 scales (matrix cells 0 and 11) and offsets in
// 1/8192 quarter pixel (cells 8 and 17, quotients truncated toward zero).
bool FilterReplacementCalc(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    frame.Canvas().ReplacementCalc(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], f.ColorExMatrix[0] / 65536.0,
                                   f.ColorExMatrix[11] / 65536.0, f.ColorExMatrix[8] / 8192,
                                   f.ColorExMatrix[17] / 8192);
    return true;
}

// AddForColorSpace2 5005, SubForColorSpace2 5006: the source object's
// colour-space plane from (x2, y2, as written) is added to or taken from the
// canvas's plane in the factor's rectangle; the option value's low four bits
// pick the bytes (third, saturation, hue, alpha).
template <auto Kernel>
bool FilterForColorSpace2(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    (frame.Canvas().*Kernel)(frame.X[0], frame.Y[0], *frame.SourceCanvas, frame.X[2], frame.Y[2], frame.X[1],
                             frame.Y[1], static_cast<int32_t>(frame.Factor.Options));
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
    {1409, FilterDisplacementMap<FilterDisplacementForm::kWhole>},  // DisplacementMap(
    {1410, FilterDisplacementMap<FilterDisplacementForm::kColour>},  // DisplacementMapC(
    {1411, FilterDisplacementMap<FilterDisplacementForm::kAlpha>},  // DisplacementMapA(
    {1412, FilterDisplacementCalc},  // DisplacementCalc(
    {1413, FilterReplacementMap<FilterReplacementForm::kWhole>},  // ReplacementMap(
    {1414, FilterReplacementMap<FilterReplacementForm::kColour>},  // ReplacementMapC(
    {1415, FilterReplacementMap<FilterReplacementForm::kAlpha>},  // ReplacementMapA(
    {1416, FilterReplacementCalc},  // ReplacementCalc(
    {1417, RenderKindNotBuilt},  // AntiMoire(
    {5001, RenderKindNotBuilt},  // RGB2ColorSpace(
    {5002, RenderKindNotBuilt},  // ColorSpace2RGB(
    {5003, RenderKindNotBuilt},  // AddForColorSpace(
    {5004, RenderKindNotBuilt},  // AddForColorSpaceRange(
    {5005, FilterForColorSpace2<&CSprite::AddForColorSpace2>},  // AddForColorSpace2(
    {5006, FilterForColorSpace2<&CSprite::SubForColorSpace2>},  // SubForColorSpace2(
    {5007, FilterReplaceFactor},  // ReplaceFactor(
};

}  // namespace

const RenderFamily kFilterRender = MakeRenderFamily(kFilterRows);
