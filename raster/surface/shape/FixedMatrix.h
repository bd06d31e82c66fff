#pragma once
// Fixed-point affine matrices and 3-D rotation matrices for the transforming
// draws.
//
// An affine matrix is six 16.16 integers m = (m00, m01, m02, m10, m11, m12)
// mapping a destination pixel (x, y) to the source position
// (m00 x + m01 y + m02, m10 x + m11 y + m12), in pixels times 65536: its 2 x 2
// part is the inverse of the forward transform, and the translation puts the
// destination's pivot at source (0, 0).
#include <cstdint>

// Inverts the 2 x 2 part (m[0], m[1], m[columns], m[columns + 1]) of a 16.16
// matrix in place, then negates the entries of columns 2 .. columns - 1 of the
// first two rows. A near-singular part (|det| <= 1e-6) becomes all 0; inverse
// entries are clamped to -128 .. 128. False (nothing done) when rows or
// columns is below 2.
bool InvertFixedMatrix2x2(int32_t* m, int32_t rows, int32_t columns);

// Builds the affine matrix of a scale (sx, sy), a rotation by angle (radians)
// and a shear (shearX, shearY) about the destination point (pivotX, pivotY).
// The forward 2 x 2 matrix is, with R the rotation, D the scale, H the shear:
//   order 0: H D R (rotate, scale, shear); order 2: R H D (scale, shear, rotate);
//   any other: H R D (scale, rotate, shear).
// Returns false when the inverse is degenerate (the 2 x 2 part is then 0).
bool BuildAffineMatrixFixed(int32_t m[6], double sx, double sy, double angle, double shearX, double shearY,
                            double pivotX, double pivotY, int32_t order);

// r = Ry(a3) Rx(a2) Rz(a1), nine doubles in row order: a column vector is
// turned about z by a1, then about x by a2, then about y by a3.
void BuildRotationMatrix3D(double r[9], double a1, double a2, double a3);
