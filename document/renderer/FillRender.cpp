// Fills, replacements, masked fills and colour adjustments.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// The masked fills 831-833 use the source object as a mask: a destination
// pixel takes part where the source pixel equals the key (the second colour,
// all 32 bits); the strength is the second weight byte.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"
#include "raster/colour/ColourMatrix.h"

namespace {

enum class MaskFillForm { kWhole, kColour, kAlpha };

template <MaskFillForm Form>
bool MaskFillDraw(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const CSprite& mask = *frame.SourceCanvas;
    const uint32_t key = frame.C[1];
    const uint8_t strength = frame.Factor.ByteParam2;
    CSprite& canvas = frame.Canvas();
    switch (Form) {
    case MaskFillForm::kWhole:  // the opacity byte is the fill's alpha
        canvas.MaskFill(r.x, r.y, mask, r.sx, r.sy, r.w, r.h, key,
                        (uint32_t{frame.Opacity} << 24) | (frame.C[0] & 0x00FFFFFFu), strength);
        break;
    case MaskFillForm::kColour:
        canvas.MaskFillC(r.x, r.y, mask, r.sx, r.sy, r.w, r.h, key, frame.C[0], strength);
        break;
    case MaskFillForm::kAlpha:  // the opacity byte is the alpha written
        canvas.MaskFillA(r.x, r.y, mask, r.sx, r.sy, r.w, r.h, key, frame.Opacity, strength);
        break;
    }
    return true;
}

// The source object is the mask: pixels whose mask pixel equals the key (the
// second colour, all 32 bits) go through the factor's colour matrix. The
// matrix is packed to its smallest shape (the simple family when no
// complement column is used) and the strength folded in on every draw; the
// factor's own matrix is never changed. The dispatchers test the ready flag.
bool FillMaskApplyColorMatrix(FactorFrame& frame) {
    const source_draw::Rect r = source_draw::DrawRect(frame);
    const int32_t* matrix = frame.Factor.ColorExMatrix.Get();
    const uint8_t strength = frame.Factor.ByteParam2;
    const uint32_t key = frame.C[1];
    const CSprite& mask = *frame.SourceCanvas;
    CSprite& canvas = frame.Canvas();
    int32_t packed[colour_matrix::kExtendedSize] = {};
    int32_t count = ColorMatrix::CompactSimpleForm(matrix, packed);
    if (count != 0) {
        ColorMatrix::ApplyOpacity(packed, count, strength);
        canvas.ApplyColorMatrixMasked(r.x, r.y, r.w, r.h, packed, count, key, mask, r.sx, r.sy);
    } else {
        count = ColorExMatrix::Compact(matrix, packed);
        ColorExMatrix::ApplyOpacity(packed, count, strength);
        canvas.ApplyColorExMatrixMasked(r.x, r.y, r.w, r.h, packed, count, key, mask, r.sx, r.sy);
    }
    return true;
}

// The colour adjustments 856-857 change the factor's rectangle of the canvas
// in place with terms from the colour matrix: 856 the saturation factor (A-row
// A entry), weights (R, G, B diagonal entries, 16.16 turned into 1/256 toward
// zero) and the grey definition (low two bits of the option word); 857 the
// multiplier (R-row R entry) and the offset (R-row constant).
bool FillMulSaturation(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const int32_t* m = frame.Factor.ColorExMatrix;
    frame.Canvas().MulSaturation(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], m[33], m[0] / 256, m[11] / 256,
                                 m[22] / 256, frame.Factor.Options & 3);
    return true;
}

bool FillMulAddBrightness(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const int32_t* m = frame.Factor.ColorExMatrix;
    frame.Canvas().MulAddBrightness(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], m[0], m[8]);
    return true;
}

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
    {831, MaskFillDraw<MaskFillForm::kWhole>},  // MaskFill(
    {832, MaskFillDraw<MaskFillForm::kColour>},  // MaskFillC(
    {833, MaskFillDraw<MaskFillForm::kAlpha>},  // MaskFillA(
    {834, FillMaskApplyColorMatrix},  // MaskApplyColorMatrix(
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
    {856, FillMulSaturation},  // MulSaturation(
    {857, FillMulAddBrightness},  // MulAddBrightness(
};

}  // namespace

const RenderFamily kFillRender = MakeRenderFamily(kFillRows);
