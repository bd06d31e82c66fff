#pragma once
// Introspection of the flood fills' span queue, for tests and benchmarks.
#include <cstdint>

namespace raster_test {
// Largest byte size the span queue held during the most recent flood fill.
uint64_t FloodFillLastPeakBytes() noexcept;
// Bytes the span queue keeps reserved between fills (it never shrinks).
uint64_t FloodFillStackCapacityBytes() noexcept;
}  // namespace raster_test
