#pragma once
// The 32-bit rows of the colour-matrix kernels.
//
// A packed matrix is narrowed once per call: each complement term is folded
// into its value coefficient and the constant (m x (255 - v) = 255 m - m x v),
// giving per output row four value coefficients and a constant. When for every
// row |constant| + 255 x sum |coefficient| < 2^31, every partial sum of the
// row for any input 0..255 fits in 32 bits and is the same integer the 64-bit
// rule sums, so 32-bit lanes give identical results. A negative sum clamps to 0
// whether divided truncating or floored, so an arithmetic shift by 16 stands in
// for the division once the result is clamped.
//
// The vector rows multiply with 16-bit pair products: each coefficient splits
// into c = hi x 65536 + lo (lo in -32768..32767, |hi| < 2^8 inside the bound),
// and a row's sum is (sum hi x v) x 65536 + sum lo x v + constant, added with
// wrap-around: the true sum fits in 32 bits, so the wrapped one equals it.
//
// The AVX2 row lives in MatrixRowsAvx2.cpp, compiled with -mavx2 and kept out
// of unity batches like the compositing rows (raster/blend/Avx2Rows.h): this
// header therefore holds types and declarations only, no inline code.
#include <cstdint>

namespace colour_matrix {

// One packed matrix narrowed to 32-bit lanes. Rows and columns R, G, B, A.
// The pair fields hold two 16-bit halves in one word, the way a pixel's
// 16-bit lanes hold them: blue (low) with red, green (low) with alpha.
struct NarrowMatrix {
    int32_t coefficient[4][4];  // [output row][input channel]
    int32_t constant[4];
    int32_t highBlueRed[4], highGreenAlpha[4];  // hi halves, per output row
    int32_t lowBlueRed[4], lowGreenAlpha[4];    // lo halves, per output row
    bool keepAlpha;                             // a three-row shape: alpha passes through
    bool anyHigh;                               // some coefficient has hi != 0
};

#if defined(OC_BLEND_AVX2)
namespace avx2 {
// d[i] = the matrix applied to s[i] (d may be s), eight pixels a step, with
// exactly the results of the SSE2 row in ColourMatrix.cpp; returns how many it
// did (a multiple of 8). Only where blend::avx2::Available().
int32_t NarrowRow(const NarrowMatrix& m, uint32_t* d, const uint32_t* s, int32_t n) noexcept;
}  // namespace avx2
#endif

}  // namespace colour_matrix
