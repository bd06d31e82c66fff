#pragma once
// The resized and rotated object draws, shared by the object draw, colour-model
// and tone families: Resize, Rotate, ResizeColorSpace, RotateColorSpace,
// ResizeTone and RotateTone, each in the five draw kinds and their colour-only
// forms.
//
// In normal drawing they are antialiased by supersampling through the
// renderer's scratch canvas: the resized source is stretched N times larger and
// reduced, the rotated draw runs on the canvas enlarged N times and the result
// is reduced and copied back. N is 4, or 2 for large pictures and strong
// enlargements; where the scratch canvas cannot be that large (the sprite size
// rule refuses sides of 16384 and more) N steps down to 2 and then to 1, the
// direct nearest-neighbour draw, so that a valid canvas is always drawn. Fast
// drawing samples straight onto the canvas.
//
// Arguments as the frame prepares them: destination rectangle x0, y0, x1, y1
// (scaled), source rectangle x2, y2, x3, y3 (as written), the rotation's offset
// x4, y4 (scaled), angle Real1, scales Real4 and Real5; the model in Options
// and its shifts in SpaceParam1..3 (low 16 bits, signed); the tone amounts in
// IntParam3..6 and the tone colour C[0]. A scratch canvas that cannot be sized
// fails the factor with the out-of-memory message; everything else that leaves
// nothing to draw succeeds.
#include <cstdint>

#include "document/renderer/FactorFrame.h"

namespace transform_draw {

// The draw kind: Copy, Alpha, Blend, Layer, Back and their colour-only forms,
// in kind-code order.
enum DrawKind : int { kCopy, kAlpha, kBlend, kLayer, kBack, kCopyC, kAlphaC, kBlendC, kLayerC, kBackC };

bool Resize(FactorFrame& frame, DrawKind kind);
bool ResizeTone(FactorFrame& frame, DrawKind kind);
bool ResizeColourSpace(FactorFrame& frame, DrawKind kind);
bool Rotate(FactorFrame& frame, DrawKind kind);
bool RotateColourSpace(FactorFrame& frame, DrawKind kind);
bool RotateTone(FactorFrame& frame, DrawKind kind);

// The branches of the render tables.
template <DrawKind K>
bool ResizeBranch(FactorFrame& frame) {
    return Resize(frame, K);
}
template <DrawKind K>
bool ResizeToneBranch(FactorFrame& frame) {
    return ResizeTone(frame, K);
}
template <DrawKind K>
bool ResizeColourSpaceBranch(FactorFrame& frame) {
    return ResizeColourSpace(frame, K);
}
template <DrawKind K>
bool RotateBranch(FactorFrame& frame) {
    return Rotate(frame, K);
}
template <DrawKind K>
bool RotateColourSpaceBranch(FactorFrame& frame) {
    return RotateColourSpace(frame, K);
}
template <DrawKind K>
bool RotateToneBranch(FactorFrame& frame) {
    return RotateTone(frame, K);
}

// The largest supersampling factor of n, n / 2, ..., 1 whose scratch canvas of
// (factor x w) x (factor x h) the sprite size rule allows; 1 when none does.
int32_t FittingFactor(int32_t n, int64_t w, int64_t h) noexcept;

}  // namespace transform_draw
