// Fills, replacements, masked fills and colour adjustments.
//
// The masked fills 831-833 use the source object as a mask: a destination
// pixel takes part where the source pixel equals the key (the second colour,
// all 32 bits); the strength is the second weight byte.
#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"
#include "raster/colour/ColourMatrix.h"
#include "raster/colour/LookupReplace.h"

namespace fill_text {

// "処理対象ピクセル座標が無効なため、描画できません\n" (ReplaceDataFromPixel's
// pixel position lies outside the canvas)
inline constexpr char kInvalidPixelPosition[] =
    "\x8F\x88\x97\x9D\x91\xCE\x8F\xDB\x83s\x83N\x83Z\x83\x8B\x8D\xC0\x95W\x82\xAA\x96\xB3\x8C\xF8\x82\xC8\x82\xBD\x82\xDF\x81\x41"
    "\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\n";

}  // namespace fill_text

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

// The lookup maps 835-837 use the source canvas as a colour table from
// (x2, y2). The option word: bits 8-11 the compared channels (0x100 B .. 0x800
// A), bits 4-7 the column channel and bits 0-3 the row channel (1 B, 2 G, 4 R,
// 8 A; row 0 = a one-row map). The index channels are not compared; with no
// channel left to compare the factor draws nothing. The key is the first
// colour, all 32 bits.
using LookupMapKernel = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, int32_t, int32_t,
                                          const CSprite&, int32_t, int32_t);
template <LookupMapKernel Kernel>
bool FillReplaceMap(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const uint32_t options = frame.Factor.Options;
    const int32_t column = static_cast<int32_t>((options >> 4) & 0xF);
    const int32_t row = static_cast<int32_t>(options & 0xF);
    const uint32_t mask = lookup_replace::ChannelSetMask(options >> 8) & ~lookup_replace::ChannelByte(column) &
                          ~lookup_replace::ChannelByte(row);
    if (mask == 0) return true;
    (frame.Canvas().*Kernel)(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], mask, frame.C[0], column, row,
                             *frame.SourceCanvas, frame.X[2], frame.Y[2]);
    return true;
}

// The arrays 838-840: the whole source canvas is the key/value list; bits 0-3
// of the option word are the compared channels (keys masked like the pixels).
using LookupArrayKernel = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, uint32_t, const CSprite&, uint8_t);
template <LookupArrayKernel Kernel>
bool FillReplaceArray(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const uint32_t mask = lookup_replace::ChannelSetMask(frame.Factor.Options);
    if (mask == 0) return true;
    (frame.Canvas().*Kernel)(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], mask, *frame.SourceCanvas, 0);
    return true;
}

// The formula 853: the channel flags are the option word, the range the third
// and fourth bytes, the seven 16.16 coefficients the matrix entries that the
// vocabulary keeps them in (text order: 20, 21, 22, 25, 26, 27, 24).
bool FillApplyFormula(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const int32_t* m = frame.Factor.ColorExMatrix;
    constexpr double kUnit = 1.0 / 65536.0;
    frame.Canvas().ApplyFormula(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1],
                                static_cast<int32_t>(frame.Factor.Options), frame.Factor.ByteParam2,
                                frame.Factor.ByteParam3, m[20] * kUnit, m[21] * kUnit, m[22] * kUnit, m[25] * kUnit,
                                m[26] * kUnit, m[27] * kUnit, m[24] * kUnit);
    return true;
}

// The plain fills and the exact-match replacements change the factor's
// rectangle (x0, y0, x1, y1, scaled) in place with one kernel call each. The
// fill value is the first colour's R, G, B under the opacity byte; the level
// (third byte) mixes a matching pixel toward its new value. The kernels named
// IfReady and the pre-mixing Opacity wrappers test the ready flag themselves;
// the other kinds test it before their call.
struct FillRectArgs {
    int32_t x, y, w, h;
};
FillRectArgs FillRectOf(const FactorFrame& frame) noexcept {
    return {frame.X[0], frame.Y[0], frame.X[1], frame.Y[1]};
}
uint32_t FillValueOf(const FactorFrame& frame) noexcept {
    return (uint32_t{frame.Opacity} << 24) | (frame.C[0] & 0x00FFFFFFu);
}

bool FillPlain(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().FillRectOpacity(r.x, r.y, r.w, r.h, frame.C[0], frame.Opacity);
    return true;
}

bool FillColourOnly(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().FillRectCOpacity(r.x, r.y, r.w, r.h, frame.C[0], frame.Opacity);
    return true;
}

bool FillAlphaOnly(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().FillRectA(r.x, r.y, r.w, r.h, frame.Opacity);
    return true;
}

bool FillReplaceDataFromAlpha(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceDataFromAlphaIfReady(r.x, r.y, r.w, r.h, frame.Factor.ByteParam1, FillValueOf(frame),
                                               frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceDataFromColor(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceDataFromColor(r.x, r.y, r.w, r.h, frame.C[1], FillValueOf(frame), frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceData(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceDataOpacity(r.x, r.y, r.w, r.h, frame.C[1], FillValueOf(frame), frame.Factor.ByteParam2);
    return true;
}

// The key alpha is the factor's alpha argument.
bool FillReplaceColorFromAlpha(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceColorFromAlphaIfReady(r.x, r.y, r.w, r.h, frame.Opacity, frame.C[0],
                                                frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceColor(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceColorOpacity(r.x, r.y, r.w, r.h, frame.C[0], frame.C[1], frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceColorFromData(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceColorFromData(r.x, r.y, r.w, r.h, frame.C[0], frame.C[1], frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceAlpha(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceAlphaOpacity(r.x, r.y, r.w, r.h, frame.Factor.ByteParam1, frame.Opacity,
                                       frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceAlphaFromColor(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceAlphaFromColorIfReady(r.x, r.y, r.w, r.h, frame.C[0], frame.Opacity,
                                                frame.Factor.ByteParam2);
    return true;
}

bool FillReplaceAlphaFromData(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().ReplaceAlphaFromDataIfReady(r.x, r.y, r.w, r.h, frame.C[0], frame.Opacity,
                                               frame.Factor.ByteParam2);
    return true;
}

// The key is the canvas's own pixel at (px, py) (x2, y2 as written), which
// must lie inside the canvas (its size, not its clip rectangle).
bool FillReplaceDataFromPixel(FactorFrame& frame) {
    CSprite& canvas = frame.Canvas();
    const int32_t px = frame.X[2], py = frame.Y[2];
    if (px < 0 || py < 0 || px >= canvas.GetWidth() || py >= canvas.GetHeight()) {
        AppendRenderText(frame.ErrorText(), fill_text::kInvalidPixelPosition);
        return false;
    }
    const uint32_t key = IsRasterReady() ? *canvas.PixelAt(px, py) : 0;
    const FillRectArgs r = FillRectOf(frame);
    canvas.ReplaceDataOpacity(r.x, r.y, r.w, r.h, key, FillValueOf(frame), frame.Factor.ByteParam2);
    return true;
}

// The factor's matrix packed to its smallest shape (the simple family when no
// complement column is used) with the opacity folded in, on every draw; the
// packing runs whether or not the library is ready, the dispatchers test it.
bool FillApplyColorMatrix(FactorFrame& frame) {
    const FillRectArgs r = FillRectOf(frame);
    const int32_t* matrix = frame.Factor.ColorExMatrix.Get();
    CSprite& canvas = frame.Canvas();
    int32_t packed[colour_matrix::kExtendedSize] = {};
    int32_t count = ColorMatrix::CompactSimpleForm(matrix, packed);
    if (count != 0) {
        ColorMatrix::ApplyOpacity(packed, count, frame.Opacity);
        canvas.ApplyColorMatrix(r.x, r.y, r.w, r.h, packed, count);
    } else {
        count = ColorExMatrix::Compact(matrix, packed);
        ColorExMatrix::ApplyOpacity(packed, count, frame.Opacity);
        canvas.ApplyColorExMatrix(r.x, r.y, r.w, r.h, packed, count);
    }
    return true;
}

// The region fills: the seed (x2, y2) as written.
bool FillRegion(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().FloodFill(r.x, r.y, r.w, r.h, frame.X[2], frame.Y[2], FillValueOf(frame));
    return true;
}

bool FillRegionColour(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const FillRectArgs r = FillRectOf(frame);
    frame.Canvas().FloodFillC(r.x, r.y, r.w, r.h, frame.X[2], frame.Y[2], frame.C[0]);
    return true;
}

constexpr RenderRow kFillRows[] = {
    {801, FillPlain},  // Fill(
    {802, FillReplaceDataFromAlpha},  // ReplaceDataFromAlpha(
    {803, FillReplaceDataFromColor},  // ReplaceDataFromColor(
    {804, FillReplaceData},  // ReplaceData(
    {811, FillColourOnly},  // FillC(
    {812, FillReplaceColorFromAlpha},  // ReplaceColorFromAlpha(
    {813, FillReplaceColor},  // ReplaceColor(
    {814, FillReplaceColorFromData},  // ReplaceColorFromData(
    {821, FillAlphaOnly},  // FillA(
    {822, FillReplaceAlpha},  // ReplaceAlpha(
    {823, FillReplaceAlphaFromColor},  // ReplaceAlphaFromColor(
    {824, FillReplaceAlphaFromData},  // ReplaceAlphaFromData(
    {831, MaskFillDraw<MaskFillForm::kWhole>},  // MaskFill(
    {832, MaskFillDraw<MaskFillForm::kColour>},  // MaskFillC(
    {833, MaskFillDraw<MaskFillForm::kAlpha>},  // MaskFillA(
    {834, FillMaskApplyColorMatrix},  // MaskApplyColorMatrix(
    {835, FillReplaceMap<&CSprite::ReplaceDataMap>},  // ReplaceDataMap(
    {836, FillReplaceMap<&CSprite::ReplaceColorMap>},  // ReplaceColorMap(
    {837, FillReplaceMap<&CSprite::ReplaceAlphaMap>},  // ReplaceAlphaMap(
    {838, FillReplaceArray<&CSprite::ReplaceDataArray>},  // ReplaceDataArray(
    {839, FillReplaceArray<&CSprite::ReplaceColorArray>},  // ReplaceColorArray(
    {840, FillReplaceArray<&CSprite::ReplaceAlphaArray>},  // ReplaceAlphaArray(
    {851, FillReplaceDataFromPixel},  // ReplaceDataFromPixel(
    {852, FillApplyColorMatrix},  // ApplyColorMatrix(
    {853, FillApplyFormula},  // ApplyFormula(
    {854, FillRegion},  // RegionFill(
    {855, FillRegionColour},  // RegionFillC(
    {856, FillMulSaturation},  // MulSaturation(
    {857, FillMulAddBrightness},  // MulAddBrightness(
};

}  // namespace

const RenderFamily kFillRender = MakeRenderFamily(kFillRows);
