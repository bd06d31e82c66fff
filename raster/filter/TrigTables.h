#pragma once
// Fixed-point lookup tables that spare the remapping and sphere kernels their
// per-pixel square roots, arc tangents, sines and arc sines.
//
//   Polar        2048 x 2048, index |dy| x 2048 + |dx|: (radius << 15) | angle.
//                The angle (bits 0-14) is trunc(atan2(|dy|, |dx|) x
//                20860.7567009409), a quarter turn in 32768 steps; the factor
//                stands a hair below 65536 / pi so a quarter turn gives 32767
//                and never spills into bit 15. The radius (bits 15-31) is in
//                1/256 pixel while both offsets are below 256, in 1/32 pixel
//                otherwise, rounded half up; both fit 17 bits.
//   Sine         2^18 steps per turn, Q24; only the first quarter is computed,
//                the other three mirror it, so sin and cos meet exactly at the
//                quarter points.
//   Arcsine      asin(j / 2^18) in Q24 radians.
//   CircleRoot   sqrt(1 - (j / 2^18)^2) in Q30.
//   SquareRoot   sqrt(k) in Q22 for k below 2^20 (unsigned).
//   SphereRatio  acos(x) / sqrt(1 - x^2) in Q24 for x = k / 2^18, from the
//                arc sine and circle root tables.
// Every table but Polar ends in eight guard entries holding the value at its
// end point, so readers may index one step past the last computed entry
// without a bounds test (see the readers below).
//
// The tables cost about 4.2 million arc tangents and square roots, 28 MB in
// all; they are built once per process, by the raster library's start-up, and
// read only afterwards. Every kernel that reads them still calls the matching
// Init function first, which returns at once when they exist.
#include <cmath>
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

class CTrigTables {
public:
    static constexpr uint32_t kPolarSide = 2048;
    static constexpr uint32_t kPolarEntries = kPolarSide * kPolarSide;
    static constexpr uint32_t kGuards = 8;
    static constexpr uint32_t kTurn = 1u << 18;        // Sine steps per turn; Arcsine, CircleRoot, SphereRatio size
    static constexpr uint32_t kRootSize = 1u << 20;    // SquareRoot size
    static constexpr uint32_t kTrigEntries = 3 * (kTurn + kGuards) + kRootSize + kGuards;

    // Builds Polar, then (independently) Sine, Arcsine, CircleRoot and
    // SquareRoot, each only when it is missing. A failed allocation throws
    // std::bad_alloc and leaves that table missing, so a later call tries again.
    void InitTrigTables();
    // Builds SphereRatio (and first whatever InitTrigTables would build).
    void InitSphereRatioTable();

    // Null until built.
    const uint32_t* Polar() const noexcept { return m_polar; }
    const int32_t* Sine() const noexcept { return m_sine; }
    const int32_t* Arcsine() const noexcept { return m_arcsine; }
    const int32_t* CircleRoot() const noexcept { return m_circleRoot; }
    const uint32_t* SquareRoot() const noexcept { return m_squareRoot; }
    const uint32_t* SphereRatio() const noexcept { return m_sphereRatio; }

private:
    CMemoryBlock<uint32_t> m_polarBlock;
    CMemoryBlock<int32_t> m_trigBlock;  // Sine, Arcsine, CircleRoot, SquareRoot back to back
    CMemoryBlock<uint32_t> m_ratioBlock;
    uint32_t* m_polar = nullptr;
    int32_t* m_sine = nullptr;
    int32_t* m_arcsine = nullptr;
    int32_t* m_circleRoot = nullptr;
    uint32_t* m_squareRoot = nullptr;
    uint32_t* m_sphereRatio = nullptr;
};

// The process-wide tables.
CTrigTables& TrigTables();
inline void InitTrigTables() { TrigTables().InitTrigTables(); }
inline void InitSphereRatioTable() { TrigTables().InitSphereRatioTable(); }

// ---------------------------------------------------------------------------
// Readers: the lookup conventions every kernel shares.

namespace trig {

// Whether |dx| and |dy| are both at most 2047, the range of the polar table.
inline bool InPolarRange(int32_t dx, int32_t dy) noexcept {
    return static_cast<uint32_t>(dx + 2047) <= 4094 && static_cast<uint32_t>(dy + 2047) <= 4094;
}

// The radius of (dx, dy) in 1/256 pixel and its angle in 2^18 steps per turn
// (0 along +x, a quarter turn along +y; not yet masked to 0..2^18 - 1), for an
// offset in InPolarRange. Far radii come from the 1/32-pixel field times 8.
struct PolarValue {
    uint32_t radius;
    int32_t angle;
};
inline PolarValue PolarLookup(const uint32_t* polar, int32_t dx, int32_t dy) noexcept {
    const uint32_t ax = static_cast<uint32_t>(dx < 0 ? -dx : dx);
    const uint32_t ay = static_cast<uint32_t>(dy < 0 ? -dy : dy);
    const uint32_t index = ay * CTrigTables::kPolarSide + ax;
    const uint32_t entry = polar[index];
    const uint32_t radius = (index & 0xFFF80700u) != 0 ? (entry >> 12) & 0xFFFF8u : entry >> 15;
    int32_t angle = static_cast<int32_t>((entry * 2) & 0xFFFFu);
    if ((dx ^ dy) < 0) angle = -angle;
    if (dx < 0) angle += 0x20000;
    return {radius, angle};
}

// sin and cos of an angle in 2^18 steps per turn, Q24.
inline int32_t SineOf(const int32_t* sine, int32_t angle) noexcept { return sine[angle & 0x3FFFF]; }
inline int32_t CosineOf(const int32_t* sine, int32_t angle) noexcept { return sine[(angle + 0x10000) & 0x3FFFF]; }

// Square root of v in Q22 for squared pixel distances: table entries up to
// v = 2^26, doubles beyond. Each bound is inclusive, so the shifted index
// reaches 2^20 only at the bound and then reads a guard (2^32 saturated).
inline uint64_t SquareRootSmall(const uint32_t* root, uint64_t v) noexcept {
    if (v <= (uint64_t{1} << 20)) return root[v];
    if (v <= (uint64_t{1} << 22)) return uint64_t{root[v >> 2]} * 2;
    if (v <= (uint64_t{1} << 24)) return uint64_t{root[v >> 4]} * 4;
    if (v <= (uint64_t{1} << 26)) return uint64_t{root[v >> 6]} * 8;
    return static_cast<uint64_t>(std::sqrt(static_cast<double>(v)) * 4194304.0);
}

// The same for 64-bit products: table entries up to 2^58, doubles beyond.
inline uint64_t SquareRootLarge(const uint32_t* root, uint64_t v) noexcept {
    auto upTo = [v](int bits) { return v <= (uint64_t{1} << bits); };
    if (upTo(40)) return uint64_t{root[v >> 20]} << 10;
    if (upTo(44)) return uint64_t{root[v >> 24]} << 12;
    if (upTo(48)) return uint64_t{root[v >> 28]} << 14;
    if (upTo(50)) return uint64_t{root[v >> 30]} << 15;
    if (upTo(52)) return uint64_t{root[v >> 32]} << 16;
    if (upTo(54)) return uint64_t{root[v >> 34]} << 17;
    if (upTo(56)) return uint64_t{root[v >> 36]} << 18;
    if (upTo(58)) return uint64_t{root[v >> 38]} << 19;
    return static_cast<uint64_t>(std::sqrt(static_cast<double>(v)) * 4194304.0);
}

}  // namespace trig
