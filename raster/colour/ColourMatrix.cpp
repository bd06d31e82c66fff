// Colour matrices: the packed shapes, compaction, opacity folding and the 72
// kernels (18 shapes x 4 forms).
//
// Every shape is one table: for each packed position the index in the full
// matrix and the term it stands for (output row, input channel, value /
// complement / constant). Compaction packs through the index list, folding
// classifies by the term, and the kernels are one template over the shape
// that expands the shape's terms at compile time, so each kernel does only
// the products its shape has.
//
// The rule sums in 64 bits: document coefficients are unbounded, and a
// 32-bit sum would wrap for large ones. Most matrices cannot reach that far,
// so each call first narrows its matrix (MatrixRows.h): when every row sum
// fits in 32 bits for every input, the pixels run through 32-bit vector lanes
// with the same results, and only the other matrices take the 64-bit loop.
// Folding saturates its results to 32 bits for the same reason.
#include "raster/colour/ColourMatrix.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/blend/Avx2Rows.h"
#include "raster/colour/MatrixRows.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace colour_matrix {
namespace {

// A shape from the full-matrix indices of its packed positions; columns per
// row is 5 (simple) or 9 (extended).
constexpr Shape MakeShape(int32_t rows, int32_t columns, std::initializer_list<int> indices) {
    Shape s{};
    s.rows = rows;
    s.count = 0;
    for (const int i : indices) {
        const int row = i / columns;
        const int column = i % columns;
        Term t{static_cast<uint8_t>(row), 0, TermKind::kConstant};
        if (column != columns - 1) {
            if (columns == 5) {
                t = {static_cast<uint8_t>(row), static_cast<uint8_t>(column), TermKind::kValue};
            } else {
                t = {static_cast<uint8_t>(row), static_cast<uint8_t>(column / 2),
                     (column & 1) != 0 ? TermKind::kComplement : TermKind::kValue};
            }
        }
        s.index[s.count] = static_cast<uint8_t>(i);
        s.terms[s.count] = t;
        ++s.count;
    }
    return s;
}

}  // namespace

// clang-format off
constexpr Shape kColorMatrix3x1 = MakeShape(3, 5, {0, 6, 12});
constexpr Shape kColorMatrix3x2 = MakeShape(3, 5, {0, 4, 6, 9, 12, 14});
constexpr Shape kColorMatrix3x3 = MakeShape(3, 5, {0, 1, 2, 5, 6, 7, 10, 11, 12});
constexpr Shape kColorMatrix3x4 = MakeShape(3, 5, {0, 1, 2, 4, 5, 6, 7, 9, 10, 11, 12, 14});
constexpr Shape kColorMatrix3x5 = MakeShape(3, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
constexpr Shape kColorMatrix4x1 = MakeShape(4, 5, {0, 6, 12, 18});
constexpr Shape kColorMatrix4x2 = MakeShape(4, 5, {0, 4, 6, 9, 12, 14, 18, 19});
constexpr Shape kColorMatrix4x4 = MakeShape(4, 5, {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 15, 16, 17, 18});
constexpr Shape kColorMatrix4x5 = MakeShape(4, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                                   18, 19});
constexpr Shape kColorExMatrix3x2 = MakeShape(3, 9, {0, 1, 11, 12, 22, 23});
constexpr Shape kColorExMatrix3x3 = MakeShape(3, 9, {0, 1, 8, 11, 12, 17, 22, 23, 26});
constexpr Shape kColorExMatrix3x6 = MakeShape(3, 9, {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14, 18, 19, 20, 21, 22,
                                                     23});
constexpr Shape kColorExMatrix3x7 = MakeShape(3, 9, {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 17, 18, 19, 20,
                                                     21, 22, 23, 26});
constexpr Shape kColorExMatrix3x9 = MakeShape(3, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                                     18, 19, 20, 21, 22, 23, 24, 25, 26});
constexpr Shape kColorExMatrix4x2 = MakeShape(4, 9, {0, 1, 11, 12, 22, 23, 33, 34});
constexpr Shape kColorExMatrix4x3 = MakeShape(4, 9, {0, 1, 8, 11, 12, 17, 22, 23, 26, 33, 34, 35});
constexpr Shape kColorExMatrix4x8 = MakeShape(4, 9, {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19,
                                                     20, 21, 22, 23, 24, 25, 27, 28, 29, 30, 31, 32, 33, 34});
constexpr Shape kColorExMatrix4x9 = MakeShape(4, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                                     18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
                                                     33, 34, 35});
// clang-format on

const Shape* SimpleShape(int32_t count) noexcept {
#define OC_SHAPE_CASE(Family, Label, Count) \
    case Count: return &k##Family##Label;
    switch (count) { OC_SIMPLE_MATRIX_SHAPES(OC_SHAPE_CASE) default : return nullptr; }
}

const Shape* ExtendedShape(int32_t count) noexcept {
    switch (count) { OC_EXTENDED_MATRIX_SHAPES(OC_SHAPE_CASE) default : return nullptr; }
#undef OC_SHAPE_CASE
}

namespace {

void Pack(const Shape& shape, const int32_t* matrix, int32_t* out) noexcept {
    for (int32_t k = 0; k < shape.count; ++k) out[k] = matrix[shape.index[k]];
}

bool AllZero(const int32_t* matrix, std::initializer_list<int> indices) noexcept {
    for (const int i : indices)
        if (matrix[i] != 0) return false;
    return true;
}

int32_t SaturateToInt32(int64_t v) noexcept {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Blends the packed matrix with the identity by w / 256. Products in 64 bits
// (a channel coefficient of 128.0 or more would wrap in 32), results
// saturated to 32 bits; divisions truncate toward zero.
void Fold(const Shape* shape, int32_t* packed, uint32_t opacity) noexcept {
    if (shape == nullptr) return;
    const int64_t a = opacity & 0xFFu;
    const int64_t w = a + (a >> 7);
    for (int32_t k = 0; k < shape->count; ++k) {
        const Term& t = shape->terms[k];
        const int64_t c = packed[k];
        int64_t folded;
        if (t.kind == TermKind::kConstant) {
            folded = (c / 256) * w;
        } else if (t.kind == TermKind::kValue && t.channel == t.row) {
            folded = (c * w) / 256 + (256 - w) * 256;
        } else {
            folded = (c * w) / 256;
        }
        packed[k] = SaturateToInt32(folded);
    }
}

}  // namespace
}  // namespace colour_matrix

int32_t ColorMatrix::Compact(const int32_t* m, int32_t* out) noexcept {
    const colour_matrix::Shape* shape;
    const bool alphaIdentity = m[15] == 0 && m[16] == 0 && m[17] == 0 && m[18] == 0x10000 && m[19] == 0;
    if (alphaIdentity) {
        if (colour_matrix::AllZero(m, {3, 8, 13})) {
            const bool constants = !colour_matrix::AllZero(m, {4, 9, 14});
            if (colour_matrix::AllZero(m, {1, 2, 5, 7, 10, 11}))
                shape = constants ? &colour_matrix::kColorMatrix3x2 : &colour_matrix::kColorMatrix3x1;
            else
                shape = constants ? &colour_matrix::kColorMatrix3x4 : &colour_matrix::kColorMatrix3x3;
        } else {
            shape = &colour_matrix::kColorMatrix3x5;
        }
    } else {
        const bool constants = !colour_matrix::AllZero(m, {4, 9, 14, 19});
        if (colour_matrix::AllZero(m, {1, 2, 3, 5, 7, 8, 10, 11, 13, 15, 16, 17}))
            shape = constants ? &colour_matrix::kColorMatrix4x2 : &colour_matrix::kColorMatrix4x1;
        else
            shape = constants ? &colour_matrix::kColorMatrix4x5 : &colour_matrix::kColorMatrix4x4;
    }
    colour_matrix::Pack(*shape, m, out);
    return shape->count;
}

int32_t ColorMatrix::CompactSimpleForm(const int32_t* m, int32_t* out) noexcept {
    if (!colour_matrix::AllZero(m, {1, 3, 5, 7, 10, 12, 14, 16, 19, 21, 23, 25, 28, 30, 32, 34})) return 0;
    int32_t simple[colour_matrix::kSimpleSize];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) simple[5 * r + c] = m[9 * r + 2 * c];
    return Compact(simple, out);
}

void ColorMatrix::ApplyOpacity(int32_t* packed, int32_t count, uint32_t opacity) noexcept {
    colour_matrix::Fold(colour_matrix::SimpleShape(count), packed, opacity);
}

int32_t ColorExMatrix::Compact(const int32_t* m, int32_t* out) noexcept {
    const colour_matrix::Shape* shape;
    const bool alphaIdentity = colour_matrix::AllZero(m, {27, 28, 29, 30, 31, 32, 34, 35}) && m[33] == 0x10000;
    if (alphaIdentity) {
        if (colour_matrix::AllZero(m, {6, 7, 15, 16, 24, 25})) {
            const bool constants = !colour_matrix::AllZero(m, {8, 17, 26});
            if (colour_matrix::AllZero(m, {2, 3, 4, 5, 9, 10, 13, 14, 18, 19, 20, 21}))
                shape = constants ? &colour_matrix::kColorExMatrix3x3 : &colour_matrix::kColorExMatrix3x2;
            else
                shape = constants ? &colour_matrix::kColorExMatrix3x7 : &colour_matrix::kColorExMatrix3x6;
        } else {
            shape = &colour_matrix::kColorExMatrix3x9;
        }
    } else {
        const bool constants = !colour_matrix::AllZero(m, {8, 17, 26, 35});
        if (colour_matrix::AllZero(
                m, {2, 3, 4, 5, 6, 7, 9, 10, 13, 14, 15, 16, 18, 19, 20, 21, 24, 25, 27, 28, 29, 30, 31, 32}))
            shape = constants ? &colour_matrix::kColorExMatrix4x3 : &colour_matrix::kColorExMatrix4x2;
        else
            shape = constants ? &colour_matrix::kColorExMatrix4x9 : &colour_matrix::kColorExMatrix4x8;
    }
    colour_matrix::Pack(*shape, m, out);
    return shape->count;
}

void ColorExMatrix::ApplyOpacity(int32_t* packed, int32_t count, uint32_t opacity) noexcept {
    colour_matrix::Fold(colour_matrix::ExtendedShape(count), packed, opacity);
}

// ---- Kernels ----

namespace colour_matrix {
namespace {

template <const Shape& S, size_t K>
inline int64_t Product(const int32_t (&v)[4], const int32_t* m) noexcept {
    constexpr Term t = S.terms[K];
    if constexpr (t.kind == TermKind::kConstant) {
        return m[K];
    } else if constexpr (t.kind == TermKind::kValue) {
        return int64_t{m[K]} * v[t.channel];
    } else {
        return int64_t{m[K]} * (255 - v[t.channel]);
    }
}

// sum / 65536 truncated toward zero, clamped to a channel level.
inline uint32_t Level(int64_t sum) noexcept {
    const int64_t q = sum / 65536;
    return q < 0 ? 0u : q > 255 ? 255u : static_cast<uint32_t>(q);
}

template <const Shape& S, size_t... K>
inline uint32_t TransformTerms(uint32_t p, const int32_t* m, std::index_sequence<K...>) noexcept {
    const int32_t v[4] = {static_cast<int32_t>((p >> 16) & 0xFFu), static_cast<int32_t>((p >> 8) & 0xFFu),
                          static_cast<int32_t>(p & 0xFFu), static_cast<int32_t>(p >> 24)};
    int64_t sum[4] = {0, 0, 0, 0};
    ((sum[S.terms[K].row] += Product<S, K>(v, m)), ...);
    const uint32_t alpha = S.rows == 3 ? (p & 0xFF000000u) : Level(sum[3]) << 24;
    return alpha | (Level(sum[0]) << 16) | (Level(sum[1]) << 8) | Level(sum[2]);
}

template <const Shape& S>
inline uint32_t Transform(uint32_t p, const int32_t* m) noexcept {
    return TransformTerms<S>(p, m, std::make_index_sequence<static_cast<size_t>(S.count)>{});
}

// ---- The 32-bit rows ----

// The row kind limit of the test hook; kAvx2 is no limit.
RowKind rowKindLimit = RowKind::kAvx2;

RowKind BestRowKind() noexcept {
    if (blend::avx2::Available()) return RowKind::kAvx2;
#if defined(__SSE2__)
    return RowKind::kSse2;
#else
    return RowKind::kScalar;
#endif
}

// Folds the complement terms into value coefficients and constants (in 64
// bits) and fills m when every row the shape has passes the bound; kWide
// (m unspecified) when one does not.
RowKind Narrow(const Shape& shape, const int32_t* packed, NarrowMatrix& m) noexcept {
    int64_t coefficient[4][4] = {};
    int64_t constant[4] = {};
    for (int32_t k = 0; k < shape.count; ++k) {
        const Term& t = shape.terms[k];
        const int64_t c = packed[k];
        if (t.kind == TermKind::kConstant) {
            constant[t.row] += c;
        } else if (t.kind == TermKind::kValue) {
            coefficient[t.row][t.channel] += c;
        } else {
            coefficient[t.row][t.channel] -= c;
            constant[t.row] += 255 * c;
        }
    }
    m.keepAlpha = shape.rows == 3;
    m.anyHigh = false;
    for (int r = 0; r < 4; ++r) {
        if (r < shape.rows) {
            int64_t reach = std::abs(constant[r]);
            for (int j = 0; j < 4; ++j) reach += 255 * std::abs(coefficient[r][j]);
            if (reach > std::numeric_limits<int32_t>::max()) return RowKind::kWide;
        } else {
            // Unused: the alpha of a three-row shape passes through.
            for (int j = 0; j < 4; ++j) coefficient[r][j] = 0;
            constant[r] = 0;
        }
        int32_t high[4], low[4];
        for (int j = 0; j < 4; ++j) {
            const int32_t c = static_cast<int32_t>(coefficient[r][j]);
            m.coefficient[r][j] = c;
            high[j] = (c + 0x8000) >> 16;
            low[j] = c - high[j] * 65536;
            m.anyHigh = m.anyHigh || high[j] != 0;
        }
        m.constant[r] = static_cast<int32_t>(constant[r]);
        // Channels R, G, B, A; pixel lanes hold blue with red, green with alpha.
        const auto pair = [](int32_t lower, int32_t upper) {
            return static_cast<int32_t>((static_cast<uint32_t>(upper) << 16) |
                                        (static_cast<uint32_t>(lower) & 0xFFFFu));
        };
        m.highBlueRed[r] = pair(high[2], high[0]);
        m.highGreenAlpha[r] = pair(high[1], high[3]);
        m.lowBlueRed[r] = pair(low[2], low[0]);
        m.lowGreenAlpha[r] = pair(low[1], low[3]);
    }
    return std::min(BestRowKind(), rowKindLimit);
}

// One pixel through the narrowed matrix: sums in 32 bits (they fit), the
// arithmetic shift exact after the clamp.
inline uint32_t NarrowPixel(const NarrowMatrix& m, uint32_t p) noexcept {
    const int32_t v[4] = {static_cast<int32_t>((p >> 16) & 0xFFu), static_cast<int32_t>((p >> 8) & 0xFFu),
                          static_cast<int32_t>(p & 0xFFu), static_cast<int32_t>(p >> 24)};
    uint32_t level[4] = {};
    for (int r = 0; r < (m.keepAlpha ? 3 : 4); ++r) {
        int32_t sum = m.constant[r];
        for (int j = 0; j < 4; ++j) sum += m.coefficient[r][j] * v[j];
        level[r] = static_cast<uint32_t>(std::clamp(sum >> 16, 0, 255));
    }
    const uint32_t alpha = m.keepAlpha ? (p & 0xFF000000u) : level[3] << 24;
    return alpha | (level[0] << 16) | (level[1] << 8) | level[2];
}

#if defined(__SSE2__)
// One output row's sum shifted down by 16, four pixels.
template <bool kHigh>
inline __m128i RowLevelSse2(const NarrowMatrix& m, int r, __m128i blueRed, __m128i greenAlpha) noexcept {
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(blueRed, _mm_set1_epi32(m.lowBlueRed[r])),
                                _mm_madd_epi16(greenAlpha, _mm_set1_epi32(m.lowGreenAlpha[r])));
    if constexpr (kHigh) {
        const __m128i high = _mm_add_epi32(_mm_madd_epi16(blueRed, _mm_set1_epi32(m.highBlueRed[r])),
                                           _mm_madd_epi16(greenAlpha, _mm_set1_epi32(m.highGreenAlpha[r])));
        sum = _mm_add_epi32(sum, _mm_slli_epi32(high, 16));
    }
    return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(m.constant[r])), 16);
}

template <bool kKeepAlpha, bool kHigh>
int32_t NarrowRowSse2(const NarrowMatrix& m, uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i blueRed = _mm_and_si128(p, lowBytes);
        const __m128i greenAlpha = _mm_and_si128(_mm_srli_epi32(p, 8), lowBytes);
        const __m128i r = RowLevelSse2<kHigh>(m, 0, blueRed, greenAlpha);
        const __m128i g = RowLevelSse2<kHigh>(m, 1, blueRed, greenAlpha);
        const __m128i b = RowLevelSse2<kHigh>(m, 2, blueRed, greenAlpha);
        const __m128i a = kKeepAlpha ? _mm_srli_epi32(p, 24) : RowLevelSse2<kHigh>(m, 3, blueRed, greenAlpha);
        // B0-3, R0-3, G0-3, A0-3, clamped to 0..255 (|level| <= 32768), then
        // interleaved into B, G, R, A per pixel.
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(b, r), _mm_packs_epi32(g, a));
        const __m128i pairs = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 8)));
    }
    return i;
}
#endif

// d[i] = the narrowed matrix applied to s[i] for n pixels (d may be s), with
// the fastest rows the kind allows.
void NarrowRow(RowKind kind, const NarrowMatrix& m, uint32_t* d, const uint32_t* s, int32_t n) noexcept {
    int32_t i = 0;
#if defined(OC_BLEND_AVX2)
    if (kind == RowKind::kAvx2 && n >= 8) i = avx2::NarrowRow(m, d, s, n);
#endif
#if defined(__SSE2__)
    if (kind >= RowKind::kSse2 && n - i >= 4) {
        if (m.keepAlpha)
            i += m.anyHigh ? NarrowRowSse2<true, true>(m, d + i, s + i, n - i)
                           : NarrowRowSse2<true, false>(m, d + i, s + i, n - i);
        else
            i += m.anyHigh ? NarrowRowSse2<false, true>(m, d + i, s + i, n - i)
                           : NarrowRowSse2<false, false>(m, d + i, s + i, n - i);
    }
#endif
    for (; i < n; ++i) d[i] = NarrowPixel(m, s[i]);
}

// The masked forms narrow a chunk of the row into a buffer and take the
// selected pixels from it.
constexpr int32_t kMaskedChunk = 256;

void NarrowRowMasked(RowKind kind, const NarrowMatrix& m, uint32_t* d, const uint32_t* s, const uint32_t* keys,
                     uint32_t key, int32_t n) noexcept {
    uint32_t buffer[kMaskedChunk];
    for (int32_t start = 0; start < n; start += kMaskedChunk) {
        const int32_t count = std::min(kMaskedChunk, n - start);
        NarrowRow(kind, m, buffer, s + start, count);
        for (int32_t i = 0; i < count; ++i)
            if (keys[start + i] == key) d[start + i] = buffer[i];
    }
}

// The cheaper whole-channel routines for the plain cases of some shapes.
// True when the call was handed over (the routine clips by itself).
template <const Shape& S>
bool Shortcut(CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* m) {
    constexpr int32_t kOne = 0x10000;
    if constexpr (&S == &kColorMatrix3x1) {
        if (m[0] < 0 || m[1] < 0 || m[2] < 0) return false;
        d.MultiplyColor(x, y, w, h, m[0] >> 8, m[1] >> 8, m[2] >> 8);
        return true;
    } else if constexpr (&S == &kColorMatrix3x2) {
        if (m[0] != kOne || m[2] != kOne || m[4] != kOne) return false;
        d.AddRGBSaturating(x, y, w, h, m[1] / 65536, m[3] / 65536, m[5] / 65536);
        return true;
    } else if constexpr (&S == &kColorMatrix4x1) {
        if (m[0] < 0 || m[1] < 0 || m[2] < 0 || m[3] < 0) return false;
        if (m[0] == kOne && m[1] == kOne && m[2] == kOne)
            d.MultiplyAlpha(x, y, w, h, m[3] >> 8);
        else
            d.MultiplyChannels(x, y, w, h, m[3] >> 8, m[0] >> 8, m[1] >> 8, m[2] >> 8);
        return true;
    } else if constexpr (&S == &kColorMatrix4x2) {
        if (m[0] != kOne || m[2] != kOne || m[4] != kOne || m[6] != kOne) return false;
        if (m[1] != 0 || m[3] != 0 || m[5] != 0)
            d.AddARGBSaturating(x, y, w, h, m[7] / 65536, m[1] / 65536, m[3] / 65536, m[5] / 65536);
        else
            d.AddAlphaSaturating(x, y, w, h, m[7] / 65536);
        return true;
    } else if constexpr (&S == &kColorExMatrix3x2) {
        if (m[0] != 0 || m[2] != 0 || m[4] != 0 || m[1] < 0 || m[3] < 0 || m[5] < 0) return false;
        d.MultiplyColor(x, y, w, h, -(m[1] >> 8), -(m[3] >> 8), -(m[5] >> 8));
        return true;
    } else if constexpr (&S == &kColorExMatrix4x2) {
        if (m[0] == kOne && m[2] == kOne && m[4] == kOne && m[6] == 0 && m[1] == 0 && m[3] == 0 && m[5] == 0 &&
            m[7] >= 0) {
            d.MultiplyAlpha(x, y, w, h, -(m[7] >> 8));
            return true;
        }
        if (m[0] == 0 && m[2] == 0 && m[4] == 0 && m[6] == 0 && m[1] >= 0 && m[3] >= 0 && m[5] >= 0 && m[7] >= 0) {
            d.MultiplyChannels(x, y, w, h, -(m[7] >> 8), -(m[1] >> 8), -(m[3] >> 8), -(m[5] >> 8));
            return true;
        }
        return false;
    } else {
        return false;
    }
}

template <const Shape& S>
void ApplyInPlace(CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* m) {
    if (Shortcut<S>(d, x, y, w, h, m)) return;
    d.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    NarrowMatrix narrow;
    const RowKind kind = Narrow(S, m, narrow);
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = d.PixelAt(x, y + j);
        if (kind != RowKind::kWide) {
            NarrowRow(kind, narrow, row, row, w);
            continue;
        }
        for (int32_t i = 0; i < w; ++i) row[i] = Transform<S>(row[i], m);
    }
}

template <const Shape& S>
void ApplyMasked(CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* m, uint32_t key,
                 const CSprite& mask, int32_t mx, int32_t my) {
    d.ClipBlit(x, y, mask, mx, my, w, h);
    if (w <= 0 || h <= 0) return;
    NarrowMatrix narrow;
    const RowKind kind = Narrow(S, m, narrow);
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = d.PixelAt(x, y + j);
        const uint32_t* keys = mask.PixelAt(mx, my + j);
        if (kind != RowKind::kWide) {
            NarrowRowMasked(kind, narrow, row, row, keys, key, w);
            continue;
        }
        for (int32_t i = 0; i < w; ++i)
            if (keys[i] == key) row[i] = Transform<S>(row[i], m);
    }
}

template <const Shape& S>
void DrawFrom(CSprite& d, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
              const int32_t* m) {
    d.ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    NarrowMatrix narrow;
    const RowKind kind = Narrow(S, m, narrow);
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = d.PixelAt(dx, dy + j);
        const uint32_t* from = source.PixelAt(sx, sy + j);
        if (kind != RowKind::kWide) {
            NarrowRow(kind, narrow, row, from, w);
            continue;
        }
        for (int32_t i = 0; i < w; ++i) row[i] = Transform<S>(from[i], m);
    }
}

template <const Shape& S>
void DrawFromMasked(CSprite& d, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                    int32_t h, const int32_t* m, uint32_t key, const CSprite& mask, int32_t mx, int32_t my) {
    d.ClipBlitPaired(dx, dy, source, sx, sy, mask, mx, my, w, h);
    if (w <= 0 || h <= 0) return;
    NarrowMatrix narrow;
    const RowKind kind = Narrow(S, m, narrow);
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = d.PixelAt(dx, dy + j);
        const uint32_t* from = source.PixelAt(sx, sy + j);
        const uint32_t* keys = mask.PixelAt(mx, my + j);
        if (kind != RowKind::kWide) {
            NarrowRowMasked(kind, narrow, row, from, keys, key, w);
            continue;
        }
        for (int32_t i = 0; i < w; ++i)
            if (keys[i] == key) row[i] = Transform<S>(from[i], m);
    }
}

inline uint32_t AddLevel(uint32_t level, int64_t offset) noexcept {
    const int64_t v = int64_t{level} + offset;
    return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v);
}

// Adds offsets to the channels (alpha, red, green, blue); a channel whose
// offset is absent (AddAlpha / AddRGB) is left alone.
template <bool Alpha, bool Colour>
void AddSaturating(CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, int32_t a, int32_t r, int32_t g, int32_t b) {
    d.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = d.PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = row[i];
            uint32_t out = p;
            if constexpr (Alpha) out = (out & 0x00FFFFFFu) | (AddLevel(p >> 24, a) << 24);
            if constexpr (Colour) {
                out = (out & 0xFF000000u) | (AddLevel((p >> 16) & 0xFFu, r) << 16) |
                      (AddLevel((p >> 8) & 0xFFu, g) << 8) | AddLevel(p & 0xFFu, b);
            }
            row[i] = out;
        }
    }
}

}  // namespace
}  // namespace colour_matrix

colour_matrix::RowKind colour_matrix::KernelRowKind(const Shape& shape, const int32_t* packed) noexcept {
    NarrowMatrix narrow;
    return Narrow(shape, packed, narrow);
}

colour_matrix::RowKind colour_matrix::LimitRowKind(RowKind fastest) noexcept {
    return std::exchange(rowKindLimit, fastest);
}

#define OC_MATRIX_SHAPE_DEFINITIONS(Family, Label, Count)                                                            \
    void CSprite::Apply##Family##Label(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix) {          \
        colour_matrix::ApplyInPlace<colour_matrix::k##Family##Label>(*this, x, y, w, h, matrix);                     \
    }                                                                                                                \
    void CSprite::Apply##Family##Masked##Label(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix,    \
                                               uint32_t key, const CSprite& mask, int32_t mx, int32_t my) {          \
        colour_matrix::ApplyMasked<colour_matrix::k##Family##Label>(*this, x, y, w, h, matrix, key, mask, mx, my);   \
    }                                                                                                                \
    void CSprite::Draw##Family##Label(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,         \
                                      int32_t w, int32_t h, const int32_t* matrix) {                                 \
        colour_matrix::DrawFrom<colour_matrix::k##Family##Label>(*this, dx, dy, source, sx, sy, w, h, matrix);       \
    }                                                                                                                \
    void CSprite::Draw##Family##Masked##Label(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, \
                                              int32_t w, int32_t h, const int32_t* matrix, uint32_t key,             \
                                              const CSprite& mask, int32_t mx, int32_t my) {                         \
        colour_matrix::DrawFromMasked<colour_matrix::k##Family##Label>(*this, dx, dy, source, sx, sy, w, h, matrix,  \
                                                                       key, mask, mx, my);                           \
    }
OC_SIMPLE_MATRIX_SHAPES(OC_MATRIX_SHAPE_DEFINITIONS)
OC_EXTENDED_MATRIX_SHAPES(OC_MATRIX_SHAPE_DEFINITIONS)
#undef OC_MATRIX_SHAPE_DEFINITIONS

#define OC_MATRIX_CASE(Family, Label, Count)      \
    case Count:                                   \
        Apply##Family##Label(x, y, w, h, matrix); \
        return;
#define OC_MATRIX_MASKED_CASE(Family, Label, Count) \
    case Count: Apply##Family##Masked##Label(x, y, w, h, matrix, key, mask, mx, my); return;

void CSprite::ApplyColorMatrix(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix, int32_t count) {
    if (!IsRasterReady()) return;
    switch (count) { OC_SIMPLE_MATRIX_SHAPES(OC_MATRIX_CASE) default : return; }
}

void CSprite::ApplyColorExMatrix(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix, int32_t count) {
    if (!IsRasterReady()) return;
    switch (count) { OC_EXTENDED_MATRIX_SHAPES(OC_MATRIX_CASE) default : return; }
}

void CSprite::ApplyColorMatrixMasked(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix, int32_t count,
                                     uint32_t key, const CSprite& mask, int32_t mx, int32_t my) {
    if (!IsRasterReady()) return;
    switch (count) { OC_SIMPLE_MATRIX_SHAPES(OC_MATRIX_MASKED_CASE) default : return; }
}

void CSprite::ApplyColorExMatrixMasked(int32_t x, int32_t y, int32_t w, int32_t h, const int32_t* matrix, int32_t count,
                                       uint32_t key, const CSprite& mask, int32_t mx, int32_t my) {
    if (!IsRasterReady()) return;
    switch (count) { OC_EXTENDED_MATRIX_SHAPES(OC_MATRIX_MASKED_CASE) default : return; }
}
#undef OC_MATRIX_CASE
#undef OC_MATRIX_MASKED_CASE

void CSprite::AddARGBSaturating(int32_t x, int32_t y, int32_t w, int32_t h, int32_t a, int32_t r, int32_t g,
                                int32_t b) {
    colour_matrix::AddSaturating<true, true>(*this, x, y, w, h, a, r, g, b);
}

void CSprite::AddAlphaSaturating(int32_t x, int32_t y, int32_t w, int32_t h, int32_t a) {
    colour_matrix::AddSaturating<true, false>(*this, x, y, w, h, a, 0, 0, 0);
}

void CSprite::AddRGBSaturating(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b) {
    colour_matrix::AddSaturating<false, true>(*this, x, y, w, h, 0, r, g, b);
}
