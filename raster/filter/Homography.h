#pragma once
// The geometry of the projective draws, prepared in double precision before
// the integer kernels run: exact small linear solvers, the homography that
// takes four destination corners to four source points, the 3D set-up that
// places a source as a turned plane in space and projects it, and the
// fixed-point rotation matrix of the sphere draws.
//
// A projective matrix is nine signed 64-bit integers, row-major, each a real
// coefficient times 2^24 truncated toward zero; the last is always 2^24. A
// destination point (X, Y) maps to the source point
//   u = (m0 X + m1 Y + m2) / (m6 X + m7 Y + m8), v = (m3 X + m4 Y + m5) / (...).
// Corner order throughout: top-left, top-right, bottom-left, bottom-right.
#include <cstdint>

// Gauss-Jordan elimination of the n x n system a x = b (a row-major, b the
// right-hand side, receiving the solution). A pivot within +-1e-15 is
// exchanged with the first row below whose entry lies outside that band;
// none: false. A subtraction whose subtracted product exceeds 2^26 times the
// result's magnitude leaves exactly 0 (cancellation noise). A solution that
// is not finite counts as singular: false. On false, b is unspecified.
bool SolveLinear8(double a[64], double b[8]);
bool SolveLinear6(double a[36], double b[6]);

// The homography taking destination corners (x[i], y[i]) to source points
// (u[i], v[i]), i = 0..3. False, out untouched, when the system is singular
// or a coefficient times 2^24 does not fit 64 bits (a near-singular system).
bool ComputeHomography(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                       double u0, double v0, double u1, double v1, double u2, double v2, double u3, double v3,
                       int64_t out[9]);

// The source plane in space: planeW x planeH centred on (centreX, centreY),
// turned by the three angles about the pivot, pushed back by depth, and seen
// through a perspective at `distance` from the eye (eyeX, eyeY) with a view
// turn toward (viewX, viewY), or in parallel projection when the distance is
// below 1 (-1 or less: seen from behind, mirrored). The matrix takes
// destination points, measured from (originX, originY), to the source
// rectangle (srcX, srcY, srcW, srcH). The destination rectangle (dx, dy, dw,
// dh) is narrowed to the projected corners (ClampSpanToCorners). False, the
// matrix and rectangle untouched, when an input is not finite or no finite
// matrix exists.
bool BuildProjectionHomography(double centreX, double centreY, double depth, double planeW, double planeH,
                               double angleA, double angleB, double angleC, double srcX, double srcY, double srcW,
                               double srcH, double viewX, double viewY, double distance, double eyeX, double eyeY,
                               double pivotX, double pivotY, double pivotZ, int64_t out[9], int32_t originX,
                               int32_t originY, int32_t& dx, int32_t& dy, int32_t& dw, int32_t& dh);

// Narrows the span (position, size) to the corners' range plus one:
// start = max(p, min(c0..c3, end + 1)), end = min(p + s, max(p, c0..c3) + 1),
// size = max(0, end - start). Computed in 64 bits and saturated to 32.
void ClampSpanToCorners(int32_t& position, int32_t& size, int32_t c0, int32_t c1, int32_t c2, int32_t c3);

// BuildRotationMatrix3D(a, b, c) times 2^24, truncated toward zero, row-major.
void BuildRotationMatrix3DFixed(int64_t out[9], double a, double b, double c);

// A double truncated toward zero to 32 bits, saturating; NaN gives 0.
int32_t TruncToInt32Saturated(double v) noexcept;
