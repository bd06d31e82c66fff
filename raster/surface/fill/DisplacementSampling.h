#pragma once
// The sampling rules shared by the displacement draws: the tile start, the
// source reader with its outside value, and the general form's per-channel
// selection of displacement bytes, shifts and weights.
//
// A map byte b moves by (b - 128) << shift; positions are formed in 64 bits,
// so no base position or phase can overflow. The weighted channel is
// (g x fetched + (256 - g) x undisplaced) >> 8 with g = b + (b >> 7): g = 256
// keeps the fetched channel, g = 0 the undisplaced one.
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/Sprite.h"

namespace displacement_detail {

// n mod m made non-negative (m > 0).
inline int32_t WrapStart(int32_t n, int32_t m) noexcept {
    const int32_t r = n % m;
    return r < 0 ? r + m : r;
}

// Source pixel at (px, py) relative to the clipped source origin, or outside.
struct SourceReader {
    const CSprite& source;
    int32_t sx, sy, sw, sh;
    uint32_t outside;

    uint32_t Fetch(int64_t px, int64_t py) const noexcept {
        if (px < 0 || py < 0 || px >= sw || py >= sh) return outside;
        return *source.PixelAt(sx + static_cast<int32_t>(px), sy + static_cast<int32_t>(py));
    }
};

// The general form's selections, decoded once.
struct Selection {
    // Per output channel k (0 blue .. 3 alpha): map byte of the x and y
    // displacement (-1: none), and of the weight (-1: weight 256).
    int32_t xByte[4], yByte[4], weightByte[4];
    int32_t shift[4];  // per map byte
    bool oneFetch;     // all four channels share their displacement
    bool oneWeight;    // all four weight fields are equal

    Selection(uint32_t channelSelect, uint16_t weightSelect, uint16_t scaleShifts) noexcept {
        for (int k = 0; k < 4; ++k) {
            const uint32_t xf = (channelSelect >> (8 * k + 4)) & 7u;
            const uint32_t yf = (channelSelect >> (8 * k)) & 7u;
            const uint32_t wf = (static_cast<uint32_t>(weightSelect) >> (4 * k)) & 7u;
            xByte[k] = xf < 4 ? static_cast<int32_t>(xf) : -1;
            yByte[k] = yf < 4 ? static_cast<int32_t>(yf) : -1;
            weightByte[k] = wf < 4 ? static_cast<int32_t>(wf) : -1;
            shift[k] = static_cast<int32_t>((static_cast<uint32_t>(scaleShifts) >> (4 * k)) & 7u);
        }
        oneFetch = true;
        oneWeight = true;
        for (int k = 1; k < 4; ++k) {
            oneFetch = oneFetch && xByte[k] == xByte[0] && yByte[k] == yByte[0];
            oneWeight = oneWeight && weightByte[k] == weightByte[0];
        }
    }

    // Displacement from map byte `which` (-1: none) of map pixel m.
    int32_t Displacement(uint32_t m, int32_t which) const noexcept {
        if (which < 0) return 0;
        const int32_t b = static_cast<int32_t>((m >> (8 * which)) & 0xFFu) - 128;
        return b * (1 << shift[which]);
    }
};

inline uint32_t ByteOf(uint32_t v, int32_t k) noexcept { return (v >> (8 * k)) & 0xFFu; }

// The fetched value of the general form at (px, py) = (baseX + i, baseY + j).
inline uint32_t FetchGeneral(const SourceReader& reader, const Selection& sel, uint32_t m, int64_t px,
                             int64_t py) noexcept {
    uint32_t fetched;
    if (sel.oneFetch) {
        fetched = reader.Fetch(px + sel.Displacement(m, sel.xByte[0]), py + sel.Displacement(m, sel.yByte[0]));
    } else {
        fetched = 0;
        for (int32_t k = 0; k < 4; ++k) {
            const uint32_t f =
                reader.Fetch(px + sel.Displacement(m, sel.xByte[k]), py + sel.Displacement(m, sel.yByte[k]));
            fetched |= f & (0xFFu << (8 * k));
        }
    }
    if (sel.oneWeight && sel.weightByte[0] < 0) return fetched;
    const uint32_t undisplaced = reader.Fetch(px, py);
    uint32_t result = 0;
    for (int32_t k = 0; k < 4; ++k) {
        uint32_t channel = ByteOf(fetched, k);
        if (sel.weightByte[k] >= 0) {
            const uint32_t b = ByteOf(m, sel.weightByte[k]);
            const uint32_t g = pixel::Weight8(b);
            channel = (g * channel + (256 - g) * ByteOf(undisplaced, k)) >> 8;
        }
        result |= channel << (8 * k);
    }
    return result;
}

}  // namespace displacement_detail
