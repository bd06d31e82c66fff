// The resized and rotated object draws (see TransformDraw.h).
#include "document/renderer/TransformDraw.h"

#include <cstdint>

#include "document/renderer/RenderMessages.h"
#include "document/renderer/SourceDraw.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace transform_draw {
namespace {

using PlainFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);
using PlainOpacityFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                         uint8_t);
using StretchedFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                                      int32_t);
using StretchedOpacityFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t,
                                             int32_t, int32_t, uint8_t);
using PlainToneFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, uint32_t,
                                      uint32_t, uint32_t, uint32_t, uint32_t);
using StretchedToneFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t,
                                          int32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using RotatedFn = bool (CSprite::*)(OC_ROTATED_PARAMS);
using RotatedOpacityFn = bool (CSprite::*)(OC_ROTATED_PARAMS, uint8_t);

// The kernels of one draw kind. The Copy forms take no opacity (their opacity
// members are null), the others do (their plain members are null).
struct TransformKernels {
    PlainFn plain;
    PlainOpacityFn plainOpacity;
    StretchedFn stretched;
    StretchedOpacityFn stretchedOpacity;
    RotatedFn rotated;
    RotatedOpacityFn rotatedOpacity;
    PlainToneFn tone;
    StretchedToneFn stretchedTone;
    bool toneAmountAsWritten;  // ResizeTone, ResizeToneC: not weighed by the opacity
    bool keepsCoverage;        // Layer: the reducers that average alpha over covered samples
};

using S = CSprite;
constexpr TransformKernels kTransformKernels[] = {
    {&S::DrawCopy, nullptr, &S::DrawCopyStretched, nullptr, &S::BlitRotated, nullptr, &S::DrawCopyTone,
     &S::DrawCopyToneStretched, true, false},
    {nullptr, &S::DrawAlphaOpacity, nullptr, &S::DrawAlphaStretchedOpacity, nullptr, &S::BlitRotatedAlpha,
     &S::DrawAlphaTone, &S::DrawAlphaToneStretched, false, false},
    {nullptr, &S::DrawBlend, nullptr, &S::DrawBlendStretched, nullptr, &S::BlitRotatedBlend, &S::DrawBlendTone,
     &S::DrawBlendToneStretched, false, false},
    {nullptr, &S::DrawLayerOpacity, nullptr, &S::DrawLayerStretchedOpacity, nullptr, &S::BlitRotatedLayer,
     &S::DrawLayerTone, &S::DrawLayerToneStretched, false, true},
    {nullptr, &S::DrawBackOpacity, nullptr, &S::DrawBackStretchedOpacity, nullptr, &S::BlitRotatedBack,
     &S::DrawBackTone, &S::DrawBackToneStretched, false, false},
    // ResizeToneC shares BlendToneC's kernels with the amount as written.
    {&S::DrawCopyC, nullptr, &S::DrawCopyCStretched, nullptr, &S::BlitRotatedC, nullptr, &S::DrawBlendToneC,
     &S::DrawBlendToneCStretched, true, false},
    {nullptr, &S::DrawAlphaCOpacity, nullptr, &S::DrawAlphaCStretchedOpacity, nullptr, &S::BlitRotatedAlphaC,
     &S::DrawAlphaToneC, &S::DrawAlphaToneCStretched, false, false},
    {nullptr, &S::DrawBlendC, nullptr, &S::DrawBlendCStretched, nullptr, &S::BlitRotatedBlendC, &S::DrawBlendToneC,
     &S::DrawBlendToneCStretched, false, false},
    {nullptr, &S::DrawLayerCOpacity, nullptr, &S::DrawLayerCStretchedOpacity, nullptr, &S::BlitRotatedLayerC,
     &S::DrawLayerToneC, &S::DrawLayerToneCStretched, false, false},
    {nullptr, &S::DrawBackCOpacity, nullptr, &S::DrawBackCStretchedOpacity, nullptr, &S::BlitRotatedBackC,
     &S::DrawBackToneC, &S::DrawBackToneCStretched, false, false},
};

// Above this many pixels the supersampling factor is 2 instead of 4.
constexpr int64_t kLargePicture = 4194304;

int32_t Saturate(int64_t v) noexcept { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v); }

// The factor's geometry.
struct TransformRect {
    int32_t x, y, w, h, sx, sy, sw, sh;
};
TransformRect RectOf(const FactorFrame& f) noexcept {
    return {f.X[0], f.Y[0], f.X[1], f.Y[1], f.X[2], f.Y[2], f.X[3], f.Y[3]};
}

// The tone arguments: colour, red, green and blue amounts, strength.
struct ToneArgs {
    uint32_t colour, r, g, b, amount;
};
ToneArgs ToneOf(const FactorFrame& f, bool asWritten) noexcept {
    const QDXFactor& q = f.Factor;
    const int32_t amount = q.IntParam6;
    // opacity x amount / 255 truncated toward zero; the product in 64 bits so
    // that a large amount is not wrapped into a small one.
    const int32_t strength = asWritten ? amount : int32_t(int64_t{f.Opacity} * amount / 255);
    return {f.C[0], uint32_t(q.IntParam3), uint32_t(q.IntParam4), uint32_t(q.IntParam5), uint32_t(strength)};
}

// The scratch canvas at w x h; false with the out-of-memory message when the
// size rule (or the ready state) refuses it.
bool SizeScratch(FactorFrame& frame, CSprite& scratch, int64_t w, int64_t h) {
    if (w > INT32_MAX || h > INT32_MAX || w < INT32_MIN || h < INT32_MIN ||
        !scratch.ResizeUncleared(int32_t(w), int32_t(h))) {
        AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
        return false;
    }
    return true;
}

// The source rectangle resampled to w x h at the top-left of the scratch
// canvas: stretched n times larger and reduced by n (n = 1: stretched only).
bool Resample(FactorFrame& frame, const TransformRect& r, int32_t n, bool keepsCoverage) {
    CSprite& scratch = frame.Context().Scratch;
    const int64_t nw = int64_t{n} * r.w, nh = int64_t{n} * r.h;
    if (!SizeScratch(frame, scratch, nw, nh)) return false;
    if (!IsRasterReady()) return true;
    const int32_t sw = int32_t(nw), sh = int32_t(nh);
    scratch.FillRect(0, 0, sw, sh, 0);
    scratch.DrawCopyStretched(0, 0, sw, sh, *frame.SourceCanvas, r.sx, r.sy, r.sw, r.sh);
    if (n == 4) {
        if (keepsCoverage) scratch.Downsample4x4OpaqueAlpha(0, 0, sw, sh);
        else scratch.Downsample4x4(0, 0, sw, sh);
    } else if (n == 2) {
        if (keepsCoverage) scratch.Downsample2x2OpaqueAlpha(0, 0, sw, sh);
        else scratch.Downsample2x2(0, 0, sw, sh);
    }
    return true;
}

// The supersampling factor of a resampled w x h result.
int32_t ResampleFactor(int32_t w, int32_t h) noexcept {
    return FittingFactor(int64_t{w} * h <= kLargePicture ? 4 : 2, w, h);
}

void DrawPlainKind(const TransformKernels& k, CSprite& canvas, const TransformRect& r, const CSprite& from,
                   uint8_t opacity) {
    if (k.plain != nullptr) (canvas.*k.plain)(r.x, r.y, from, 0, 0, r.w, r.h);
    else (canvas.*k.plainOpacity)(r.x, r.y, from, 0, 0, r.w, r.h, opacity);
}

// Resize and ResizeTone: one rectangle fill for a single source pixel (the
// plain, Blend and Layer forms of Resize), the stretched kernel straight from
// the source in fast drawing and for whole-number ratios, otherwise the
// resampled source drawn with the plain kernel.
bool ResizeWith(FactorFrame& frame, DrawKind kind, bool tone) {
    const TransformKernels& k = kTransformKernels[kind];
    const TransformRect r = RectOf(frame);
    if (r.sw < 1 || r.sh < 1) return true;
    const CSprite& source = *frame.SourceCanvas;
    CSprite& canvas = frame.Canvas();
    const uint8_t opacity = frame.Opacity;
    if (r.sw == 1 && r.sh == 1) {
        if (r.sx < 0 || r.sx >= source.GetWidth() || r.sy < 0 || r.sy >= source.GetHeight()) return true;
        if (!tone && kind != kAlpha && kind != kBack && kind != kAlphaC && kind != kBackC) {
            if (!IsRasterReady()) return true;
            const uint32_t p = *source.PixelAt(r.sx, r.sy);
            const uint32_t rgb = p & 0x00FFFFFFu;
            const bool visible = (p >> 24) != 0;
            switch (kind) {
                case kCopy: canvas.FillRect(r.x, r.y, r.w, r.h, p); break;
                case kBlend: canvas.FillRectOpacity(r.x, r.y, r.w, r.h, rgb, opacity); break;
                case kLayer:
                    if (visible) canvas.FillRectOpacity(r.x, r.y, r.w, r.h, rgb, opacity);
                    break;
                case kCopyC: canvas.FillRectC(r.x, r.y, r.w, r.h, rgb); break;
                case kBlendC: canvas.FillRectCOpacity(r.x, r.y, r.w, r.h, rgb, opacity); break;
                case kLayerC:
                    if (visible) canvas.FillRectCOpacity(r.x, r.y, r.w, r.h, rgb, opacity);
                    break;
                default: break;
            }
            return true;
        }
    }
    // An empty destination rectangle has nothing to draw (and no scratch
    // canvas of its size exists).
    if (r.w <= 0 || r.h <= 0) return true;
    const ToneArgs t = tone ? ToneOf(frame, k.toneAmountAsWritten) : ToneArgs{};
    const bool whole = r.w % r.sw == 0 && r.h % r.sh == 0;
    const int32_t n = frame.Fast || whole ? 1 : ResampleFactor(r.w, r.h);
    if (n == 1) {
        if (!IsRasterReady()) return true;
        if (tone)
            (canvas.*k.stretchedTone)(r.x, r.y, r.w, r.h, source, r.sx, r.sy, r.sw, r.sh, t.colour, t.r, t.g, t.b,
                                      t.amount);
        else if (k.stretched != nullptr)
            (canvas.*k.stretched)(r.x, r.y, r.w, r.h, source, r.sx, r.sy, r.sw, r.sh);
        else
            (canvas.*k.stretchedOpacity)(r.x, r.y, r.w, r.h, source, r.sx, r.sy, r.sw, r.sh, opacity);
        return true;
    }
    if (!Resample(frame, r, n, k.keepsCoverage)) return false;
    if (!IsRasterReady()) return true;
    const CSprite& scratch = frame.Context().Scratch;
    if (tone)
        (canvas.*k.tone)(r.x, r.y, scratch, 0, 0, r.w, r.h, t.colour, t.r, t.g, t.b, t.amount);
    else
        DrawPlainKind(k, canvas, r, scratch, opacity);
    return true;
}

// The model's in-place shift, or null for a model other than 0, 1 and 2.
using ShiftFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
using ShiftCopyFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                                      int32_t, int32_t);
ShiftFn ModelShift(uint32_t model) noexcept {
    switch (model) {
        case 0: return &CSprite::AdjustHSV;
        case 1: return &CSprite::AdjustHSL;
        case 2: return &CSprite::AdjustHSLY;
        default: return nullptr;
    }
}
ShiftCopyFn ModelShiftCopy(uint32_t model) noexcept {
    switch (model) {
        case 0: return &CSprite::AdjustHSVCopy;
        case 1: return &CSprite::AdjustHSLCopy;
        case 2: return &CSprite::AdjustHSLYCopy;
        default: return nullptr;
    }
}
// The three shift amounts: the low 16 bits of each, signed.
struct Shifts {
    int32_t a, b, c;
};
Shifts ShiftsOf(const QDXFactor& f) noexcept {
    return {int16_t(f.SpaceParam1), int16_t(f.SpaceParam2), int16_t(f.SpaceParam3)};
}

// The rotated draw of a kind from src onto the canvas: directly in fast
// drawing, without supersampling (the tone kinds) or for strong enlargements;
// otherwise on the canvas enlarged n times in the scratch canvas, reduced and
// copied back, which returns every pixel the draw did not touch unchanged.
bool RotateOnto(FactorFrame& frame, DrawKind kind, const CSprite& src, bool supersample) {
    const TransformKernels& k = kTransformKernels[kind];
    const TransformRect r = RectOf(frame);
    const QDXFactor& f = frame.Factor;
    const double angle = f.Real1, scaleX = f.Real4, scaleY = f.Real5;
    const uint8_t opacity = frame.Opacity;
    CSprite& canvas = frame.Canvas();
    auto draw = [&](CSprite& target, int32_t n) {
        auto times = [n](int32_t v) { return Saturate(int64_t{v} * n); };
        const int32_t x = times(r.x), y = times(r.y), w = times(r.w), h = times(r.h);
        const int32_t ox = times(frame.X[4]), oy = times(frame.Y[4]);
        if (k.rotated != nullptr)
            (target.*k.rotated)(x, y, w, h, ox, oy, angle, scaleX * n, scaleY * n, src, r.sx, r.sy, r.sw, r.sh, 0.5,
                                0.5);
        else
            (target.*k.rotatedOpacity)(x, y, w, h, ox, oy, angle, scaleX * n, scaleY * n, src, r.sx, r.sy, r.sw,
                                       r.sh, 0.5, 0.5, opacity);
    };
    int32_t n = 1;
    if (supersample && !frame.Fast && !(scaleX >= 5.0) && !(scaleY >= 5.0)) {
        const int64_t width = canvas.GetWidth(), height = canvas.GetHeight();
        const bool fine = uint64_t(width * height) <= uint64_t(kLargePicture) && scaleX < 2.5 && scaleY < 2.5;
        n = FittingFactor(fine ? 4 : 2, width, height);
    }
    if (n == 1) {
        if (IsRasterReady()) draw(canvas, 1);
        return true;
    }
    CSprite& scratch = frame.Context().Scratch;
    const int32_t width = canvas.GetWidth(), height = canvas.GetHeight();
    if (!SizeScratch(frame, scratch, int64_t{n} * width, int64_t{n} * height)) return false;
    if (!IsRasterReady()) return true;
    const int32_t nw = n * width, nh = n * height;
    scratch.DrawCopyStretched(0, 0, nw, nh, canvas, 0, 0, width, height);
    draw(scratch, n);
    if (n == 4) scratch.Downsample4x4(0, 0, nw, nh);
    else scratch.Downsample2x2(0, 0, nw, nh);
    canvas.DrawCopy(0, 0, scratch, 0, 0, width, height);
    return true;
}

}  // namespace

int32_t FittingFactor(int32_t n, int64_t w, int64_t h) noexcept {
    for (; n > 1; n /= 2) {
        const int64_t nw = n * w, nh = n * h;
        if (nw >= 0 && nh >= 0 && nw <= INT32_MAX && nh <= INT32_MAX && IsSpriteSizeAllowed(int32_t(nw), int32_t(nh)))
            return n;
    }
    return 1;
}

bool Resize(FactorFrame& frame, DrawKind kind) { return ResizeWith(frame, kind, false); }

bool ResizeTone(FactorFrame& frame, DrawKind kind) { return ResizeWith(frame, kind, true); }

// The resampled source (stretched only in fast drawing), shifted in the model
// and drawn with the plain kernel. A model other than 0, 1 and 2 leaves the
// resampled source unshifted.
bool ResizeColourSpace(FactorFrame& frame, DrawKind kind) {
    const TransformKernels& k = kTransformKernels[kind];
    const TransformRect r = RectOf(frame);
    if (r.w <= 0 || r.h <= 0) return true;
    const int32_t n = frame.Fast ? 1 : ResampleFactor(r.w, r.h);
    if (!Resample(frame, r, n, kind == kLayer)) return false;
    if (!IsRasterReady()) return true;
    CSprite& scratch = frame.Context().Scratch;
    if (const ShiftFn shift = ModelShift(frame.Factor.Options)) {
        const Shifts s = ShiftsOf(frame.Factor);
        (scratch.*shift)(0, 0, r.w, r.h, s.a, s.b, s.c);
    }
    DrawPlainKind(k, frame.Canvas(), r, scratch, frame.Opacity);
    return true;
}

bool Rotate(FactorFrame& frame, DrawKind kind) { return RotateOnto(frame, kind, *frame.SourceCanvas, true); }

// The whole source shifted in the model into the second scratch canvas, then
// rotated from there. A model other than 0, 1 and 2 would draw nothing at all:
// the document is at fault, so the factor fails with its message, as the other
// colour-model draws do.
bool RotateColourSpace(FactorFrame& frame, DrawKind kind) {
    const ShiftCopyFn shift = ModelShiftCopy(frame.Factor.Options);
    if (shift == nullptr) {
        AppendNamedText(frame.ErrorText(), frame.Name(), source_draw::kInvalidColourModel);
        return false;
    }
    CSprite& shifted = frame.Context().Scratch2;
    if (!SizeScratch(frame, shifted, frame.Source->Width, frame.Source->Height)) return false;
    if (IsRasterReady()) {
        const Shifts s = ShiftsOf(frame.Factor);
        (shifted.*shift)(0, 0, shifted.GetWidth(), shifted.GetHeight(), *frame.SourceCanvas, 0, 0, s.a, s.b, s.c);
    }
    return RotateOnto(frame, kind, shifted, true);
}

// The whole source tinted (the amount as written) into the scratch canvas,
// then rotated from there straight onto the canvas, also in normal drawing.
bool RotateTone(FactorFrame& frame, DrawKind kind) {
    CSprite& toned = frame.Context().Scratch;
    if (!SizeScratch(frame, toned, frame.Source->Width, frame.Source->Height)) return false;
    if (IsRasterReady()) {
        const CSprite& source = *frame.SourceCanvas;
        const ToneArgs t = ToneOf(frame, true);
        toned.DrawCopyTone(0, 0, source, 0, 0, source.GetWidth(), source.GetHeight(), t.colour, t.r, t.g, t.b,
                           t.amount);
    }
    return RotateOnto(frame, kind, toned, false);
}

}  // namespace transform_draw
