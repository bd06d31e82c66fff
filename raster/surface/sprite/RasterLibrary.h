#pragma once
// Raster-library start-up and its tables.
//
// The pixel mode doubles as the library's ready flag: guarded raster operations
// do nothing until it is 1 (test `RasterPixelMode == 1`). The compositing
// kernels never test it, so nothing may call a kernel before the start-up.
#include <array>
#include <cstdint>

// 0 at program start; 1 (32-bit ARGB) once InitRasterLibrary(1) succeeded.
extern int32_t RasterPixelMode;

// Whether the library is started (every raster call of the layers above is
// made only while it is).
inline bool IsRasterReady() noexcept { return RasterPixelMode == 1; }

// 256 x 256 entries, index a * 256 + b: a = alpha of the upper (drawn) pixel,
// b = alpha of the lower (existing) pixel. Low byte: the combined alpha u;
// high byte: w - 1, where w (1..256) is the weight of the upper colour:
//   channel = (lower * (256 - w) + upper * w) >> 8.
// Filled by InitRasterLibrary, read-only afterwards.
extern uint16_t AlphaUnionTable[256 * 256];

// Entry n = ceil(2^23 / n) for n = 1..256, entry 0 = 2^23:
// (x * ReciprocalTable[n]) >> 23 approximates x / n.
extern const uint32_t ReciprocalTable[257];

namespace raster_detail {

constexpr std::array<uint32_t, 256> MakeDivisionTable() {
    std::array<uint32_t, 256> t{};
    t[0] = 0xFFFFFFu;
    for (uint32_t n = 1; n < 256; ++n) t[n] = (0xFF0000u + n - 1) / n;
    return t;
}

constexpr uint32_t IntegerSqrt(uint64_t x) {
    uint64_t r = 0;
    for (uint64_t bit = uint64_t{1} << 62; bit != 0; bit >>= 2) {
        if (x >= r + bit) {
            x -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
    }
    return static_cast<uint32_t>(r);
}

// Entry i = floor(65536 x (F(i / 256) - i / 256)) with F(x) = ((16x - 12)x + 4)x
// up to x = 1/4 and sqrt(x) above, computed exactly in integers:
//   cubic part: i^3 / 16 - 12 i^2 + 768 i;  root part: floor(sqrt(2^24 i)) - 256 i.
constexpr std::array<uint32_t, 256> MakeSoftLightCurve() {
    std::array<uint32_t, 256> t{};
    for (uint64_t i = 0; i < 256; ++i) {
        if (i <= 64) {
            t[i] = static_cast<uint32_t>((i * i * i) / 16 + 768 * i - 12 * i * i);
        } else {
            t[i] = IntegerSqrt(i << 24) - static_cast<uint32_t>(256 * i);
        }
    }
    return t;
}

}  // namespace raster_detail

// Entry n = ceil(0xFF0000 / n) for n = 1..255 (255 / n in 8.16, rounded up),
// entry 0 = 0xFFFFFF. For 0 <= P <= n, (P x entry[n]) >> 16 is floor(255 P / n)
// exactly; for bytes d and s, min(0xFFFFFF, d x entry[s]) >> 16 is
// min(255, floor(255 d / s)) (255 for s = 0 unless d = 0), and the product
// always fits in 32 bits. The divide-based kernels read it in place of a division.
inline constexpr std::array<uint32_t, 256> DivisionTable = raster_detail::MakeDivisionTable();

// The soft-light lightening term by destination channel value: 0 at 0, the
// maximum 16384 at 64, 127 at 255, so (2s - 256) x entry stays below 2^24.
inline constexpr std::array<uint32_t, 256> SoftLightCurve = raster_detail::MakeSoftLightCurve();

// Starts the library: true when it did; false (nothing changed) when it was
// already started or mode is not 1. Also builds the fixed-point trigonometric
// tables (raster/filter/TrigTables.h).
bool InitRasterLibrary(int32_t mode);

// Fills entries[0 .. count - 1] with a ramp from first to last (count >= 2;
// a smaller count writes what it can: first only for 1, nothing for <= 0).
// Entry 1 repeats the first colour and the last step is about two steps; the
// image codec stores files that depend on these exact values.
void BuildColorRamp(uint32_t first, uint32_t last, uint32_t* entries, int32_t count);

namespace raster_test {
// Puts the pixel mode back to 0 so that a test can see the library unstarted.
void ResetRasterLibrary();
}  // namespace raster_test
