// The two sine-wave warps.
//
// RasterScroll shifts each row of the rectangle sideways by its own sine value
// and then each column up or down by another; one sine per row and per column,
// whole runs moved with memmove where the run is contiguous. In the window
// form (keepInside == 0) a column may pull pixels from rows outside the
// rectangle, which were never row-shifted: their shifts are computed once
// beforehand into the raster scratch block, only for rows that exist (a row
// outside the sprite reads as 0 whatever its shift), so a huge amplitude costs
// no more than the sprite's height.
//
// RasterScroll2 cuts the rectangle into periodX x periodY tiles and resamples
// each through a table of positions inside the tile, built from two monotone
// sine-shaped maps; per pixel it is a table lookup.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// trunc(sin(angle) x amplitude); 0 for an angle that is not a number. The
// magnitude is at most 2^31, so it fits 64 bits.
inline int64_t WaveShift(double angle, int32_t amplitude) noexcept {
    const double v = std::sin(angle) * amplitude;
    if (!(v == v)) return 0;
    return static_cast<int64_t>(v);
}

inline void ZeroRun(uint32_t* p, int64_t n) noexcept {
    if (n > 0) std::memset(p, 0, static_cast<size_t>(n) * 4);
}

// Row of n pixels shifted right by k (left for k < 0) inside itself; the
// uncovered pixels become 0.
void ShiftRunInside(uint32_t* p, int64_t n, int64_t k) noexcept {
    if (k >= n || k <= -n) {
        ZeroRun(p, n);
    } else if (k > 0) {
        std::memmove(p + k, p, static_cast<size_t>(n - k) * 4);
        ZeroRun(p, k);
    } else if (k < 0) {
        std::memmove(p, p - k, static_cast<size_t>(n + k) * 4);
        ZeroRun(p + n + k, -k);
    }
}

// Column of n pixels, stride s apart, shifted down by k (up for k < 0) inside
// itself; the uncovered pixels become 0.
void ShiftColumnInside(uint32_t* p, int64_t s, int64_t n, int64_t k) noexcept {
    if (k >= n || k <= -n) {
        for (int64_t j = 0; j < n; ++j) p[j * s] = 0;
    } else if (k > 0) {
        for (int64_t j = n - 1; j >= k; --j) p[j * s] = p[(j - k) * s];
        for (int64_t j = 0; j < k; ++j) p[j * s] = 0;
    } else if (k < 0) {
        for (int64_t j = 0; j < n + k; ++j) p[j * s] = p[(j - k) * s];
        for (int64_t j = n + k; j < n; ++j) p[j * s] = 0;
    }
}

}  // namespace

void CSprite::RasterScroll(int32_t x, int32_t y, int32_t w, int32_t h, double rowPhase, int32_t rowAmplitude,
                           int32_t rowPeriod, double columnPhase, int32_t columnAmplitude, int32_t columnPeriod,
                           uint8_t keepInside) {
    const int32_t x0 = x, y0 = y;
    if (m_pixels == nullptr || ClipRect(x, y, w, h) <= 0) return;
    const bool rowPass = rowAmplitude != 0 && rowPeriod > 0;
    const bool columnPass = columnAmplitude != 0 && columnPeriod > 0;
    if (!rowPass && !columnPass) return;

    // Keep the wave where it was when the clip cut the rectangle's start.
    if (rowPeriod > 0 && y > y0) rowPhase += static_cast<double>(int64_t{y} - y0) / rowPeriod;
    if (columnPeriod > 0 && x > x0) columnPhase += static_cast<double>(int64_t{x} - x0) / columnPeriod;
    const double rowStart = rowPhase * kTwoPi;
    const double columnStart = columnPhase * kTwoPi;
    const double rowStep = rowPeriod > 0 ? kTwoPi / rowPeriod : 0.0;
    const double columnStep = columnPeriod > 0 ? kTwoPi / columnPeriod : 0.0;

    const int64_t stride = m_stride;
    const int64_t spriteW = m_width, spriteH = m_height;
    const int64_t X = x, Y = y, W = w, H = h;

    // Negated row shifts of the rows a column may read outside the rectangle:
    // rows tableTop .. tableBottom - 1 (0 for the rows inside).
    int32_t* outsideShift = nullptr;
    int64_t tableTop = 0, tableBottom = 0;
    if (!keepInside && rowPass && columnPass) {
        const int64_t reach = std::llabs(int64_t{columnAmplitude}) + 1;
        tableTop = std::max<int64_t>(0, Y - reach);
        tableBottom = std::min<int64_t>(spriteH, Y + H + reach);
        const uint64_t bytes = static_cast<uint64_t>(tableBottom - tableTop) * 4;
        outsideShift = reinterpret_cast<int32_t*>(RasterScratch().ScratchBytes(bytes, ((bytes >> 12) + 1) * 4096));
        for (int64_t r = tableTop; r < tableBottom; ++r) {
            const bool inside = r >= Y && r < Y + H;
            // |shift| = 2^31 does not fit 32 bits; any shift beyond the sprite's
            // width reads 0, so the clamp changes nothing.
            const int64_t shift = WaveShift(rowStart + static_cast<double>(r - Y) * rowStep, rowAmplitude);
            outsideShift[r - tableTop] = inside ? 0 : static_cast<int32_t>(std::clamp<int64_t>(-shift, -INT32_MAX, INT32_MAX));
        }
    }

    if (rowPass) {
        double angle = rowStart;
        for (int64_t r = 0; r < H; ++r, angle += rowStep) {
            const int64_t kx = WaveShift(angle, rowAmplitude);
            if (kx == 0) continue;
            uint32_t* row = m_pixels + (Y + r) * stride;
            if (keepInside) {
                ShiftRunInside(row + X, W, kx);
                continue;
            }
            // Pixel X + i takes column X + i - kx of the same row, 0 outside the sprite.
            const int64_t lo = std::clamp<int64_t>(kx - X, 0, W);
            const int64_t hi = std::clamp<int64_t>(spriteW + kx - X, lo, W);
            if (hi > lo) std::memmove(row + X + lo, row + X + lo - kx, static_cast<size_t>(hi - lo) * 4);
            ZeroRun(row + X, lo);
            ZeroRun(row + X + hi, W - hi);
        }
    }

    if (columnPass) {
        double angle = columnStart;
        for (int64_t c = 0; c < W; ++c, angle += columnStep) {
            const int64_t ky = WaveShift(angle, columnAmplitude);
            if (ky == 0) continue;
            const int64_t column = X + c;
            uint32_t* top = m_pixels + Y * stride + column;
            if (keepInside) {
                ShiftColumnInside(top, stride, H, ky);
                continue;
            }
            // Pixel (column, Y + j) takes the row-shifted pixel of row Y + j - ky.
            const auto source = [&](int64_t j) -> uint32_t {
                const int64_t sourceRow = Y + j - ky;
                if (sourceRow >= Y && sourceRow < Y + H) return top[(j - ky) * stride];
                if (sourceRow < 0 || sourceRow >= spriteH) return 0;
                int64_t sourceColumn = column;
                if (rowPass) sourceColumn += outsideShift[sourceRow - tableTop];
                if (sourceColumn < 0 || sourceColumn >= spriteW) return 0;
                return m_pixels[sourceRow * stride + sourceColumn];
            };
            // Sources inside the rectangle lie above (ky > 0) or below: walk
            // away from them so that each is read before it is overwritten.
            if (ky > 0) {
                for (int64_t j = H - 1; j >= 0; --j) top[j * stride] = source(j);
            } else {
                for (int64_t j = 0; j < H; ++j) top[j * stride] = source(j);
            }
        }
    }
}

namespace {

// Position map of one axis: m(i) for i = 0 .. P - 1, the angle advanced by
// pi / P per step by repeated addition. firstHalf / secondHalf are the switch
// bits of the two halves of the sweep.
void BuildPositionMap(int32_t* map, int32_t period, bool firstHalf, bool secondHalf) {
    const double quarterTurn = std::numbers::pi / 2.0;
    const double step = std::numbers::pi / period;
    const double p = period;
    double theta = 0.0;
    for (int32_t i = 0; i < period; ++i, theta += step) {
        const int64_t quarter = static_cast<int64_t>(std::trunc(theta / quarterTurn));
        int64_t m;
        if (quarter % 2 == 0) {
            m = static_cast<int64_t>(firstHalf ? (1.0 - std::fabs(std::cos(theta))) * 0.5 * p
                                               : std::fabs(std::sin(theta)) * 0.5 * p);
        } else {
            const double d = secondHalf ? std::fabs(std::cos(theta)) : 1.0 - std::fabs(std::sin(theta));
            m = static_cast<int64_t>((0.5 * d + 0.5) * p);
        }
        map[i] = static_cast<int32_t>(std::clamp<int64_t>(m, 0, period - 1));
    }
}

// Columns (or rows) of the rectangle covered by the first tile, modulo the
// period: trunc((1 - f) x P) mod P with f the phase's fractional part.
uint32_t FirstTileSpan(double phase, int32_t period) {
    double f = phase - std::trunc(phase);
    if (!std::isfinite(f)) f = 0.0;
    const auto span = static_cast<uint32_t>(static_cast<int64_t>(std::trunc((1.0 - f) * period)));
    return span % static_cast<uint32_t>(period);
}

}  // namespace

void CSprite::RasterScroll2(int32_t x, int32_t y, int32_t w, int32_t h, double phaseX, int32_t periodX,
                            double phaseY, int32_t periodY, uint32_t shapeFlags) {
    const int32_t x0 = x, y0 = y;
    if (m_pixels == nullptr || ClipRect(x, y, w, h) <= 0) return;
    if (periodX < 1) periodX = 1;
    if (periodY < 1) periodY = 1;
    if (periodX > 4096 || periodY > 4096) return;
    if (x > x0) phaseX += static_cast<double>(int64_t{x} - x0) / periodX;
    if (y > y0) phaseY += static_cast<double>(int64_t{y} - y0) / periodY;

    std::vector<int32_t> mapX(static_cast<size_t>(periodX)), mapY(static_cast<size_t>(periodY));
    BuildPositionMap(mapX.data(), periodX, (shapeFlags & 0x1000) != 0, (shapeFlags & 0x100) != 0);
    BuildPositionMap(mapY.data(), periodY, (shapeFlags & 0x10) != 0, (shapeFlags & 0x1) != 0);

    // Table of source positions in the first half of the scratch block, the
    // tile copy in the second.
    const uint64_t cells = uint64_t(periodX) * uint64_t(periodY);
    unsigned char* block = RasterScratch().ScratchBytes(cells * 8, ((cells / 4096) + 1) * 32768);
    uint32_t* table = reinterpret_cast<uint32_t*>(block);
    uint32_t* tile = table + cells;
    for (int32_t v = 0; v < periodY; ++v) {
        uint32_t* out = table + int64_t{v} * periodX;
        const uint32_t rowBase = static_cast<uint32_t>(periodX) * static_cast<uint32_t>(mapY[v]);
        for (int32_t u = 0; u < periodX; ++u) out[u] = rowBase + static_cast<uint32_t>(mapX[u]);
    }

    const int32_t startU = static_cast<int32_t>((uint32_t(periodX) - FirstTileSpan(phaseX, periodX)) % uint32_t(periodX));
    const int32_t startV = static_cast<int32_t>((uint32_t(periodY) - FirstTileSpan(phaseY, periodY)) % uint32_t(periodY));
    const int64_t stride = m_stride;

    for (int32_t j0 = 0; j0 < h;) {
        const int32_t v0 = j0 == 0 ? startV : 0;
        const int32_t rows = std::min(h - j0, periodY - v0);
        for (int32_t i0 = 0; i0 < w;) {
            const int32_t u0 = i0 == 0 ? startU : 0;
            const int32_t cols = std::min(w - i0, periodX - u0);
            uint32_t* origin = m_pixels + (int64_t{y} + j0) * stride + x + i0;
            for (int32_t r = 0; r < rows; ++r)
                std::memcpy(tile + int64_t{v0 + r} * periodX + u0, origin + r * stride, size_t(cols) * 4);
            for (int32_t r = 0; r < rows; ++r) {
                uint32_t* out = origin + r * stride;
                const int32_t v = v0 + r;
                if (mapY[v] < v0 || mapY[v] >= v0 + rows) {
                    ZeroRun(out, cols);
                    continue;
                }
                const uint32_t* positions = table + int64_t{v} * periodX;
                for (int32_t k = 0; k < cols; ++k) {
                    const int32_t u = u0 + k;
                    const bool inside = mapX[u] >= u0 && mapX[u] < u0 + cols;
                    out[k] = inside ? tile[positions[u]] : 0;
                }
            }
            i0 += cols;
        }
        j0 += rows;
    }
}
