#pragma once
// The same-size draws from a source object: the pieces the object draw, tone,
// colour-model, masked-fill and channel families share.
//
// Each of these kinds makes one kernel call with the destination point
// (x0, y0), the source canvas with its corner (x2, y2) and the size
// (x1, y1) of both rectangles; the frame has scaled x0, y0, x1, y1 and left
// x2, y2 as written, since they are positions inside the source canvas. The
// kernels clip both rectangles themselves. A kind draws only while the
// raster library is ready and succeeds either way.
#include <cstdint>

#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderMessages.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace source_draw {

// "の色モデルの指定が無効です。\n" (the colour model is not 0, 1 or 2)
inline constexpr char kInvalidColourModel[] =
    "\x82\xCC\x90\x46\x83\x82\x83\x66\x83\x8B\x82\xCC\x8Ew\x92\xE8\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42\n";

using PlainKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);
using OpacityKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                        uint8_t);

// The destination point, source corner and size of the draw.
struct Rect {
    int32_t x, y, sx, sy, w, h;
};
inline Rect DrawRect(const FactorFrame& frame) noexcept {
    return {frame.X[0], frame.Y[0], frame.X[2], frame.Y[2], frame.X[1], frame.Y[1]};
}

// Whether the source canvas carries a block opacity mask, with which the
// full-opacity Alpha and Layer draws copy opaque blocks and skip clear ones.
inline bool HasBlockMask(const CSprite& source) noexcept { return source.GetOpacityMask() != nullptr; }

// Kinds whose kernel takes the plain arguments only.
template <PlainKernel Kernel>
bool DrawPlain(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const Rect r = DrawRect(frame);
    (frame.Canvas().*Kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h);
    return true;
}

// Kinds whose kernel takes the plain arguments and the factor's opacity.
template <OpacityKernel Kernel>
bool DrawWithOpacity(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const Rect r = DrawRect(frame);
    (frame.Canvas().*Kernel)(r.x, r.y, *frame.SourceCanvas, r.sx, r.sy, r.w, r.h, frame.Opacity);
    return true;
}

// The member of a colour-model triple that the factor's option value selects
// (0 HSV, 1 HSL, 2 HSLY). Any other value is a fault of the document: the
// message is appended and null returned, so that the factor fails instead of
// silently drawing nothing.
template <class Kernel>
Kernel ChooseColourModel(FactorFrame& frame, Kernel hsv, Kernel hsl, Kernel hsly) {
    switch (frame.Factor.Options) {
    case 0: return hsv;
    case 1: return hsl;
    case 2: return hsly;
    default: break;
    }
    AppendNamedText(frame.ErrorText(), frame.Name(), kInvalidColourModel);
    return nullptr;
}

}  // namespace source_draw
