// Replacement maps: resampling a source through a map of source coordinates.
//
// Every map pixel holds a point of the source in quarter pixels (x in bits
// 15-29, y in bits 0-14) under two flag bits (30-31; both clear: no point).
// The output pixel is the source pixel at the whole part when both fractions
// are 0; otherwise the four pixels around the point are mixed with weights
// (4 - fx)(4 - fy), fx (4 - fy), (4 - fx) fy, fx fy out of 16, and a neighbour
// beyond the source rectangle's right or bottom edge adds nothing (so the edge
// fades toward transparent black instead of being read outside).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

enum class ReplaceStore { kWhole, kColour, kAlpha };

constexpr uint32_t kReplacementFlagBits = 0xC0000000u;

// Adds weight x each channel of p to the four channel sums (8.8 lanes: red
// and blue in one word, alpha and green in the other; 16 x 255 fits).
inline void AddWeighted(uint32_t p, uint32_t weight, uint32_t& rb, uint32_t& ag) noexcept {
    rb += (p & 0x00FF00FFu) * weight;
    ag += ((p >> 8) & 0x00FF00FFu) * weight;
}

// The sample at map pixel m, or 0 when m points nowhere or outside.
inline uint32_t SampleReplacement(const CSprite& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                                  uint32_t m) noexcept {
    if ((m & kReplacementFlagBits) == 0) return 0;
    const int32_t x = static_cast<int32_t>((m >> 17) & 0x1FFFu);
    const int32_t y = static_cast<int32_t>((m >> 2) & 0x1FFFu);
    if (x >= sw || y >= sh) return 0;
    const uint32_t fx = (m >> 15) & 3u;
    const uint32_t fy = m & 3u;
    const uint32_t* p00 = source.PixelAt(sx + x, sy + y);
    if (fx == 0 && fy == 0) return *p00;
    const bool right = fx != 0 && x + 1 < sw;
    const bool below = fy != 0 && y + 1 < sh;
    uint32_t rb = 0, ag = 0;
    AddWeighted(p00[0], (4 - fx) * (4 - fy), rb, ag);
    if (right) AddWeighted(p00[1], fx * (4 - fy), rb, ag);
    if (below) {
        const uint32_t* p01 = source.PixelAt(sx + x, sy + y + 1);
        AddWeighted(p01[0], (4 - fx) * fy, rb, ag);
        if (right) AddWeighted(p01[1], fx * fy, rb, ag);
    }
    return ((rb >> 4) & 0x00FF00FFu) | (((ag >> 4) & 0x00FF00FFu) << 8);
}

template <ReplaceStore kStore>
void ResampleThroughMap(CSprite& out, int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source,
                        int32_t sx, int32_t sy, int32_t sw, int32_t sh, const CSprite& map, int32_t mx, int32_t my) {
    out.ClipBlit(dx, dy, map, mx, my, w, h);
    source.ClipRect(sx, sy, sw, sh);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = out.PixelAt(dx, dy + j);
        const uint32_t* mapRow = map.PixelAt(mx, my + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t s = SampleReplacement(source, sx, sy, sw, sh, mapRow[i]);
            if constexpr (kStore == ReplaceStore::kWhole) {
                row[i] = s;
            } else if constexpr (kStore == ReplaceStore::kColour) {
                row[i] = (row[i] & pixel::kAlphaBits) | (s & pixel::kColourBits);
            } else {
                row[i] = (row[i] & pixel::kColourBits) | (s & pixel::kAlphaBits);
            }
        }
    }
}

// trunc(v x scale) + offset in 64 bits, the product saturated to the 64-bit
// range, cut to 15 bits.
inline uint32_t RescaleCoordinate(uint32_t v, double scale, int32_t offset) noexcept {
    const double product = std::trunc(static_cast<double>(v) * scale);
    constexpr double kLimit = 9.2e18;
    const int64_t whole = static_cast<int64_t>(std::clamp(product, -kLimit, kLimit));
    return static_cast<uint32_t>(static_cast<uint64_t>(whole + offset) & 0x7FFFu);
}

}  // namespace

void CSprite::ReplacementMap(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                             int32_t sy, int32_t sw, int32_t sh, const CSprite& map, int32_t mx, int32_t my) {
    ResampleThroughMap<ReplaceStore::kWhole>(*this, dx, dy, w, h, source, sx, sy, sw, sh, map, mx, my);
}

void CSprite::ReplacementMapC(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                              int32_t sy, int32_t sw, int32_t sh, const CSprite& map, int32_t mx, int32_t my) {
    ResampleThroughMap<ReplaceStore::kColour>(*this, dx, dy, w, h, source, sx, sy, sw, sh, map, mx, my);
}

void CSprite::ReplacementMapA(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                              int32_t sy, int32_t sw, int32_t sh, const CSprite& map, int32_t mx, int32_t my) {
    ResampleThroughMap<ReplaceStore::kAlpha>(*this, dx, dy, w, h, source, sx, sy, sw, sh, map, mx, my);
}

void CSprite::ReplacementCalc(int32_t x, int32_t y, int32_t w, int32_t h, double scaleX, double scaleY,
                              int32_t offsetX, int32_t offsetY) {
    if (!std::isfinite(scaleX) || !std::isfinite(scaleY)) return;
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t m = row[i];
            const uint32_t nx = RescaleCoordinate((m >> 15) & 0x7FFFu, scaleX, offsetX);
            const uint32_t ny = RescaleCoordinate(m & 0x7FFFu, scaleY, offsetY);
            row[i] = (m & kReplacementFlagBits) | (nx << 15) | ny;
        }
    }
}
