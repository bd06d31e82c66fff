#pragma once
// Raster-library start-up and its tables.
//
// The pixel mode doubles as the library's ready flag: guarded raster operations
// do nothing until it is 1 (test `RasterPixelMode == 1`). The compositing
// kernels never test it, so nothing may call a kernel before the start-up.
#include <cstdint>

// 0 at program start; 1 (32-bit ARGB) once InitRasterLibrary(1) succeeded.
extern int32_t RasterPixelMode;

// 256 x 256 entries, index a * 256 + b: a = alpha of the upper (drawn) pixel,
// b = alpha of the lower (existing) pixel. Low byte: the combined alpha u;
// high byte: w - 1, where w (1..256) is the weight of the upper colour:
//   channel = (lower * (256 - w) + upper * w) >> 8.
// Filled by InitRasterLibrary, read-only afterwards.
extern uint16_t AlphaUnionTable[256 * 256];

// Entry n = ceil(2^23 / n) for n = 1..256, entry 0 = 2^23:
// (x * ReciprocalTable[n]) >> 23 approximates x / n.
extern const uint32_t ReciprocalTable[257];

// Starts the library: true when it did; false (nothing changed) when it was
// already started or mode is not 1.
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
