// Filters and colour-space conversions.
//
// Most kinds are one kernel call on the canvas. The raster scrolls, when not
// drawn fast, run on the renderer's scratch canvas at two or four times the
// size and are reduced back, so that the sine shifts fall between pixels; the
// conversions to and from colour-space planes read a copy of the rectangle.
// Every kernel that needs memory (the work sprite of the blurs and of the
// distance grid, the scratch canvas, the raster scratch block) fails with the
// out-of-memory message instead of counting as drawn.
#include <algorithm>
#include <cstdint>
#include <new>

#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// Runs draw(); a failed allocation inside becomes the out-of-memory failure.
template <class Draw>
bool FilterWithMemory(FactorFrame& frame, Draw draw) {
    bool done = false;
    try {
        done = draw();
    } catch (const std::bad_alloc&) {
        done = false;
    }
    if (!done) AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
    return done;
}

// v x scale for the supersampled geometry, saturated to 32 bits.
int32_t FilterScaled(int32_t v, int32_t scale) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} * scale, INT32_MIN, INT32_MAX));
}

// The supersampling scale, stepped down (4, 2, 1) until a w x h image at that
// scale is a size the raster library can make: a valid canvas never fails only
// because its enlarged copy would be too large.
int32_t FilterFittingScale(int32_t scale, int64_t w, int64_t h) noexcept {
    while (scale > 1) {
        const int64_t sw = w * scale, sh = h * scale;
        if (sw <= INT32_MAX && sh <= INT32_MAX &&
            IsSpriteSizeAllowed(static_cast<int32_t>(sw), static_cast<int32_t>(sh)))
            break;
        scale /= 2;
    }
    return scale;
}

void FilterReduce(CSprite& scratch, int32_t scale, int32_t w, int32_t h) {
    if (scale == 4)
        scratch.Downsample4x4(0, 0, w, h);
    else
        scratch.Downsample2x2(0, 0, w, h);
}

// DistAlpha 1401: near and far distance (first and second real), near and far
// factor (opacity byte, second byte).
bool FilterDistAlpha(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    return FilterWithMemory(frame, [&] {
        return frame.Canvas().DistAlpha(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], f.Real4, f.Real5, f.Alpha,
                                        f.ByteParam1);
    });
}

// Mirror 1402: the option's low nibble mirrors (1 left-right, 2 top-bottom,
// 3 both), its second nibble inverts channels (1 blue, 2 green, 4 red, 8 alpha).
bool FilterMirror(FactorFrame& frame) {
    const uint32_t mode = frame.Factor.Options;
    CSprite& canvas = frame.Canvas();
    if ((mode & 0x0Fu) != 0 && IsRasterReady())
        canvas.Mirror(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], static_cast<int32_t>(mode & 3u));
    if ((mode & 0xF0u) != 0 && IsRasterReady())
        canvas.InvertChannels(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], (mode >> 4) & 0x0Fu);
    return true;
}

// The blurs 1403-1405: radius = option value, alpha range = opacity byte to
// second byte. The kernels test the ready flag themselves.
template <bool (CSprite::*Kernel)(int32_t, int32_t, int32_t, int32_t, int32_t, uint8_t, uint8_t)>
bool FilterBlur(FactorFrame& frame) {
    const QDXFactor& f = frame.Factor;
    return FilterWithMemory(frame, [&] {
        return (frame.Canvas().*Kernel)(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1],
                                        static_cast<int32_t>(f.Options), f.Alpha, f.ByteParam1);
    });
}

// RasterScroll 1406: row wave (first real, x2, x3), column wave (second real,
// y2, y3), confined to the rectangle when the option value is not 0. Not
// fast, the wave runs at s times the size: over the rectangle alone when
// confined, else over the whole canvas (the scroll pulls pixels in from
// around the rectangle). Phases are in turns and are not scaled.
bool FilterRasterScroll(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    const int32_t x = frame.X[0], y = frame.Y[0], w = frame.X[1], h = frame.Y[1];
    const uint8_t confine = f.Options != 0 ? 1 : 0;
    CSprite& canvas = frame.Canvas();
    auto scrollOn = [&](CSprite& target, int32_t tx, int32_t ty, int32_t s) {
        target.RasterScroll(tx, ty, FilterScaled(w, s), FilterScaled(h, s), f.Real4, FilterScaled(frame.X[2], s),
                            FilterScaled(frame.X[3], s), f.Real5, FilterScaled(frame.Y[2], s),
                            FilterScaled(frame.Y[3], s), confine);
    };
    return FilterWithMemory(frame, [&] {
        if (frame.Fast) {
            scrollOn(canvas, x, y, 1);
            return true;
        }
        CSprite& scratch = frame.Context().Scratch;
        if (confine != 0) {
            if (w <= 0 || h <= 0) return true;
            const int32_t s = FilterFittingScale(int64_t{w} * h > 0x400000 ? 2 : 4, w, h);
            if (s == 1) {
                scrollOn(canvas, x, y, 1);
                return true;
            }
            const int32_t sw = w * s, sh = h * s;
            if (!scratch.ResizeUncleared(sw, sh)) return false;
            scratch.FillRect(0, 0, sw, sh, 0);
            scratch.DrawCopyStretched(0, 0, sw, sh, canvas, x, y, w, h);
            scrollOn(scratch, 0, 0, s);
            FilterReduce(scratch, s, sw, sh);
            canvas.DrawCopy(x, y, scratch, 0, 0, w, h);
            return true;
        }
        const int32_t cw = canvas.GetWidth(), ch = canvas.GetHeight();
        const int32_t s = FilterFittingScale(int64_t{cw} * ch > 0x400000 ? 2 : 4, cw, ch);
        if (s == 1) {
            scrollOn(canvas, x, y, 1);
            return true;
        }
        if (!scratch.ResizeUncleared(cw * s, ch * s)) return false;
        scratch.DrawCopyStretched(0, 0, cw * s, ch * s, canvas, 0, 0, cw, ch);
        scrollOn(scratch, FilterScaled(x, s), FilterScaled(y, s), s);
        FilterReduce(scratch, s, cw * s, ch * s);
        canvas.DrawCopy(x, y, scratch, x, y, w, h);
        return true;
    });
}

// RasterScroll2 1407: tiles of x2 x y2 resampled through sine position maps
// (phases first and second real, shape flags = option value). Periods beyond
// 2048 would pass the kernel's limit of 4096 when enlarged: drawn directly.
bool FilterRasterScroll2(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const QDXFactor& f = frame.Factor;
    const int32_t x = frame.X[0], y = frame.Y[0], w = frame.X[1], h = frame.Y[1];
    const int32_t periodX = frame.X[2], periodY = frame.Y[2];
    CSprite& canvas = frame.Canvas();
    return FilterWithMemory(frame, [&] {
        int32_t s = 1;
        if (!frame.Fast && periodX <= 2048 && periodY <= 2048 && w > 0 && h > 0)
            s = FilterFittingScale(int64_t{w} * h <= 0x400000 && periodX <= 1024 && periodY <= 1024 ? 4 : 2, w, h);
        if (s == 1) {
            canvas.RasterScroll2(x, y, w, h, f.Real4, periodX, f.Real5, periodY, f.Options);
            return true;
        }
        CSprite& scratch = frame.Context().Scratch;
        const int32_t sw = w * s, sh = h * s;
        if (!scratch.ResizeUncleared(sw, sh)) return false;
        scratch.FillRect(0, 0, sw, sh, 0);
        scratch.DrawCopyStretched(0, 0, sw, sh, canvas, x, y, w, h);
        scratch.RasterScroll2(0, 0, sw, sh, f.Real4, FilterScaled(periodX, s), f.Real5, FilterScaled(periodY, s),
                              f.Options);
        FilterReduce(scratch, s, sw, sh);
        canvas.DrawCopy(x, y, scratch, 0, 0, w, h);
        return true;
    });
}

// Mosaic 1408: cell width x2 and height y2, as 16-bit values.
bool FilterMosaic(FactorFrame& frame) {
    if (IsRasterReady())
        frame.Canvas().Mosaic(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], static_cast<uint16_t>(frame.X[2]),
                              static_cast<uint16_t>(frame.Y[2]));
    return true;
}

// AntiMoire 1417: the whole canvas; window = option value, tolerance = second
// byte, turns needed = third byte.
bool FilterAntiMoire(FactorFrame& frame) {
    if (IsRasterReady())
        frame.Canvas().AntiMoire(static_cast<int32_t>(frame.Factor.Options), frame.Factor.ByteParam1,
                                 frame.Factor.ByteParam2);
    return true;
}

using PlaneKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

// RGB2ColorSpace 5001 and ColorSpace2RGB 5002: the rectangle is copied to the
// scratch canvas and converted back onto the canvas with the model's kernel
// (option value 0 HSV, 1 HSL, 2 HSLY; another model converts nothing). An
// empty rectangle fails without a message. The copy holds only the part of
// the rectangle on the canvas, so that a rectangle reaching past the canvas
// does not ask for a scratch larger than anything it converts.
template <PlaneKernel Hsv, PlaneKernel Hsl, PlaneKernel Hsly>
bool FilterPlaneConvert(FactorFrame& frame) {
    int32_t x = frame.X[0], y = frame.Y[0], w = frame.X[1], h = frame.Y[1];
    if (w < 1 || h < 1) return false;
    if (!IsRasterReady()) return true;
    CSprite& canvas = frame.Canvas();
    if (canvas.ClipRect(x, y, w, h) == 0 || h <= 0) return true;
    const int32_t model = static_cast<int32_t>(frame.Factor.Options);
    return FilterWithMemory(frame, [&] {
        CSprite& scratch = frame.Context().Scratch;
        if (!scratch.ResizeUncleared(w, h)) return false;
        scratch.DrawCopy(0, 0, canvas, x, y, w, h);
        const PlaneKernel kernel = model == 0 ? Hsv : model == 1 ? Hsl : model == 2 ? Hsly : nullptr;
        if (kernel != nullptr) (canvas.*kernel)(x, y, scratch, 0, 0, w, h);
        return true;
    });
}

constexpr FactorBranch FilterToPlane =
    FilterPlaneConvert<&CSprite::RGB2ColorSpaceHSV, &CSprite::RGB2ColorSpaceHSL, &CSprite::RGB2ColorSpaceHSLY>;
constexpr FactorBranch FilterFromPlane =
    FilterPlaneConvert<&CSprite::ColorSpace2RGBHSV, &CSprite::ColorSpace2RGBHSL, &CSprite::ColorSpace2RGBHSLY>;

// AddForColorSpace 5003: hue, saturation and third additions.
bool FilterAddForColorSpace(FactorFrame& frame) {
    const QDXFactor& f = frame.Factor;
    if (IsRasterReady())
        frame.Canvas().AddForColorSpace(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], f.IntParam3, f.IntParam4,
                                        f.IntParam5);
    return true;
}

// AddForColorSpaceRange 5004: the additions, then the low and high bound of
// the hue, saturation and third windows.
bool FilterAddForColorSpaceRange(FactorFrame& frame) {
    const QDXFactor& f = frame.Factor;
    if (IsRasterReady())
        frame.Canvas().AddForColorSpaceRange(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], f.IntParam3,
                                             f.IntParam4, f.IntParam5, f.SpaceParam1, f.RangeParam1, f.SpaceParam2,
                                             f.RangeParam2, f.SpaceParam3, f.RangeParam3);
    return true;
}

// AddForColorSpace2 5005 and SubForColorSpace2 5006: the source canvas's
// triples at (x2, y2, as written) combined into the rectangle; the option
// value's low four bits pick the channels.
template <void (CSprite::*Kernel)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t)>
bool FilterPlaneCombine(FactorFrame& frame) {
    if (IsRasterReady())
        (frame.Canvas().*Kernel)(frame.X[0], frame.Y[0], *frame.SourceCanvas, frame.X[2], frame.Y[2], frame.X[1],
                                 frame.Y[1], static_cast<int32_t>(frame.Factor.Options));
    return true;
}

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

constexpr RenderRow kFilterRows[] = {
    {1401, FilterDistAlpha},  // DistAlpha(
    {1402, FilterMirror},  // Mirror(
    {1403, FilterBlur<&CSprite::BlurC>},  // BlurC(
    {1404, FilterBlur<&CSprite::BlurA>},  // BlurA(
    {1405, FilterBlur<&CSprite::Blur>},  // Blur(
    {1406, FilterRasterScroll},  // RasterScroll(
    {1407, FilterRasterScroll2},  // RasterScroll2(
    {1408, FilterMosaic},  // Mosaic(
    {1409, FilterDisplacementMap<FilterDisplacementForm::kWhole>},  // DisplacementMap(
    {1410, FilterDisplacementMap<FilterDisplacementForm::kColour>},  // DisplacementMapC(
    {1411, FilterDisplacementMap<FilterDisplacementForm::kAlpha>},  // DisplacementMapA(
    {1412, FilterDisplacementCalc},  // DisplacementCalc(
    {1413, FilterReplacementMap<FilterReplacementForm::kWhole>},  // ReplacementMap(
    {1414, FilterReplacementMap<FilterReplacementForm::kColour>},  // ReplacementMapC(
    {1415, FilterReplacementMap<FilterReplacementForm::kAlpha>},  // ReplacementMapA(
    {1416, FilterReplacementCalc},  // ReplacementCalc(
    {1417, FilterAntiMoire},  // AntiMoire(
    {5001, FilterToPlane},  // RGB2ColorSpace(
    {5002, FilterFromPlane},  // ColorSpace2RGB(
    {5003, FilterAddForColorSpace},  // AddForColorSpace(
    {5004, FilterAddForColorSpaceRange},  // AddForColorSpaceRange(
    {5005, FilterPlaneCombine<&CSprite::AddForColorSpace2>},  // AddForColorSpace2(
    {5006, FilterPlaneCombine<&CSprite::SubForColorSpace2>},  // SubForColorSpace2(
    {5007, FilterReplaceFactor},  // ReplaceFactor(
};

}  // namespace

const RenderFamily kFilterRender = MakeRenderFamily(kFilterRows);
