#pragma once
// Colour matrices in 16.16 fixed point, and their packing into the smallest
// shape the zero pattern allows.
//
// ColorMatrix (simple): 4 rows (R, G, B, A outputs) of 5 columns (R, G, B, A,
// constant), index 5 x row + column. ColorExMatrix (extended): 4 rows of 9
// columns (R, 255 - R, G, 255 - G, B, 255 - B, A, 255 - A, constant), index
// 9 x row + column. A packed matrix is a coefficient array whose count names
// its shape within the family: 3, 4, 6, 8, 9, 12, 15, 16, 20 (simple) or 6, 8,
// 9, 12, 18, 21, 27, 32, 36 (extended). Three-row shapes leave alpha alone.
//
// The opacity is folded into the packed coefficients once (a blend with the
// identity by w / 256, w = a + (a >> 7)), so the kernels never see it.
#include <cstdint>

namespace colour_matrix {

// One packed coefficient: the output row it adds to and what it multiplies.
enum class TermKind : uint8_t { kValue, kComplement, kConstant };
struct Term {
    uint8_t row;      // 0 R, 1 G, 2 B, 3 A
    uint8_t channel;  // input channel (kValue, kComplement)
    TermKind kind;
};

// A packed shape: its row count, coefficient count, and for each packed
// position the index in the full matrix and the term it stands for.
struct Shape {
    int32_t rows;
    int32_t count;
    uint8_t index[36];
    Term terms[36];
};

inline constexpr int32_t kSimpleSize = 20;
inline constexpr int32_t kExtendedSize = 36;

// The shape of a count in each family; null when the count is not a shape.
const Shape* SimpleShape(int32_t count) noexcept;
const Shape* ExtendedShape(int32_t count) noexcept;

// How a kernel runs its pixels. kWide: the per-pixel rule summed in 64 bits,
// for any coefficients. The others sum in 32-bit lanes (MatrixRows.h), chosen
// once per call when no row sum of the matrix can leave 32 bits, with the same
// results: kScalar one pixel at a time, kSse2 four, kAvx2 eight (where the
// build and the processor have them). Ordered from slowest to fastest.
enum class RowKind : uint8_t { kWide, kScalar, kSse2, kAvx2 };

// The kind the kernels run for this packed matrix of this shape.
RowKind KernelRowKind(const Shape& shape, const int32_t* packed) noexcept;

// Test hook: the fastest kind the kernels may choose (kAvx2, no limit, at
// start); a kind the build or the processor lacks falls back to the next one
// down. Returns the previous limit.
RowKind LimitRowKind(RowKind fastest) noexcept;

}  // namespace colour_matrix

struct ColorMatrix {
    // Packs a full simple matrix (20 coefficients) into out (room for 20);
    // returns the count: 3, 4, 6, 8, 9, 12, 15, 16 or 20.
    static int32_t Compact(const int32_t* matrix, int32_t* out) noexcept;
    // 0 (out untouched) when any complement coefficient of the full extended
    // matrix (36) is not 0; otherwise Compact of its value and constant columns.
    static int32_t CompactSimpleForm(const int32_t* matrix, int32_t* out) noexcept;
    // Folds the low 8 bits of the opacity into a packed simple matrix; a count
    // that is no simple shape changes nothing. Coefficients saturate to 32 bits.
    static void ApplyOpacity(int32_t* packed, int32_t count, uint32_t opacity) noexcept;
};

struct ColorExMatrix {
    // Packs a full extended matrix (36) into out (room for 36); returns the
    // count: 6, 8, 9, 12, 18, 21, 27, 32 or 36.
    static int32_t Compact(const int32_t* matrix, int32_t* out) noexcept;
    // As ColorMatrix::ApplyOpacity for the extended shapes.
    static void ApplyOpacity(int32_t* packed, int32_t count, uint32_t opacity) noexcept;
};
