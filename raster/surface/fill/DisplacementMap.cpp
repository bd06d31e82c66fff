// Tiled displacement draws.
//
// A displacement map rectangle is tiled over the destination rectangle. For the
// destination pixel at column i, row j (counted from the clipped corner) the
// map pixel at the tiled position says how far from (baseX + i, baseY + j) the
// source rectangle is read: a map byte b moves by b - 128 (0x80 = no move),
// optionally shifted left. The fetched pixel (or `outside` when the position
// leaves the source rectangle) is laid onto the destination by its alpha.
//
// The fast form reads x from the blue byte and y from the green byte and
// fetches one pixel. The general form chooses, per output channel, the map
// bytes of its x and y displacement, a left shift per map byte and an optional
// weight (a map byte) between the displaced and the undisplaced channel; when
// the four channels agree it still fetches one pixel.
#include <cstdint>

#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/Sprite.h"

using namespace fill_detail;

namespace {

enum class Put { kWhole, kAlpha, kColour };

// Lays the fetched pixel f onto p by f's alpha.
template <Put kPut>
inline uint32_t PutFetched(uint32_t p, uint32_t f) noexcept {
    const uint32_t fa = f >> 24;
    if (fa == 0) return p;
    if constexpr (kPut == Put::kWhole) {
        if (fa == 255) return f;
        return pixel::LayOver(p, f, fa);
    } else if constexpr (kPut == Put::kAlpha) {
        if (fa == 255) return p | kAlpha;
        return (p & kColour) | (pixel::AlphaOver(fa, p >> 24) << 24);
    } else {
        if (fa == 255) return (p & kAlpha) | (f & kColour);
        return (p & kAlpha) | pixel::MixColour(p, f, pixel::UnionWeight(Union(fa, p >> 24)));
    }
}

// n mod m made non-negative (m > 0).
inline int32_t WrapStart(int32_t n, int32_t m) noexcept {
    const int32_t r = n % m;
    return r < 0 ? r + m : r;
}

// The three rectangles after clipping, and the source reader.
struct DisplacementFrame {
    int32_t x, y, w, h;
    int32_t sx, sy, sw, sh;
    int32_t mx, my, mw, mh;
    int32_t startColumn, startRow;

    // Clips the rectangles; false when nothing is to be drawn.
    bool Clip(const CSprite& target, const CSprite& source, const CSprite& map, int32_t offsetX,
              int32_t offsetY) {
        if (map.ClipRect(mx, my, mw, mh) == 0) return false;
        target.ClipRect(x, y, w, h);
        source.ClipRect(sx, sy, sw, sh);
        if (w <= 0 || h <= 0) return false;
        startColumn = WrapStart(offsetX, mw);
        startRow = WrapStart(offsetY, mh);
        return true;
    }
};

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

// Walks the clipped destination with the tiled map; fetch(m, i, j) gives the
// fetched pixel for map pixel m at column i, row j.
template <Put kPut, class Fetch>
void WalkTiled(CSprite& target, const CSprite& map, const DisplacementFrame& f, Fetch fetch) {
    int32_t mapRow = f.startRow;
    for (int32_t j = 0; j < f.h; ++j) {
        uint32_t* row = target.PixelAt(f.x, f.y + j);
        const uint32_t* mapLine = map.PixelAt(f.mx, f.my + mapRow);
        int32_t mapColumn = f.startColumn;
        for (int32_t i = 0; i < f.w; ++i) {
            row[i] = PutFetched<kPut>(row[i], fetch(mapLine[mapColumn], i, j));
            if (++mapColumn == f.mw) mapColumn = 0;
        }
        if (++mapRow == f.mh) mapRow = 0;
    }
}

template <Put kPut>
void DisplaceFast(CSprite& target, DisplacementFrame f, const CSprite& source, int32_t baseX, int32_t baseY,
                  const CSprite& map, int32_t offsetX, int32_t offsetY, uint32_t outside) {
    if (!f.Clip(target, source, map, offsetX, offsetY)) return;
    const SourceReader reader{source, f.sx, f.sy, f.sw, f.sh, outside};
    WalkTiled<kPut>(target, map, f, [&](uint32_t m, int32_t i, int32_t j) {
        const int64_t px = int64_t{baseX} + i + static_cast<int32_t>(m & 0xFFu) - 128;
        const int64_t py = int64_t{baseY} + j + static_cast<int32_t>((m >> 8) & 0xFFu) - 128;
        return reader.Fetch(px, py);
    });
}

template <Put kPut>
void DisplaceGeneral(CSprite& target, DisplacementFrame f, const CSprite& source, int32_t baseX, int32_t baseY,
                     const CSprite& map, int32_t offsetX, int32_t offsetY, uint32_t outside, uint32_t channelSelect,
                     uint16_t weightSelect, uint16_t scaleShifts) {
    if (channelSelect == 0x01010101u && weightSelect == 0x7777u && scaleShifts == 0) {
        DisplaceFast<kPut>(target, f, source, baseX, baseY, map, offsetX, offsetY, outside);
        return;
    }
    if (!f.Clip(target, source, map, offsetX, offsetY)) return;
    const SourceReader reader{source, f.sx, f.sy, f.sw, f.sh, outside};
    const Selection sel(channelSelect, weightSelect, scaleShifts);
    WalkTiled<kPut>(target, map, f, [&](uint32_t m, int32_t i, int32_t j) {
        return FetchGeneral(reader, sel, m, int64_t{baseX} + i, int64_t{baseY} + j);
    });
}

}  // namespace

namespace {

inline DisplacementFrame Frame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                               int32_t sh, int32_t mx, int32_t my, int32_t mw, int32_t mh) noexcept {
    return DisplacementFrame{x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh, 0, 0};
}

}  // namespace

void CSprite::DisplacementMapTiled(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                   int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                   const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                   int32_t offsetX, int32_t offsetY, uint32_t outside) {
    DisplaceFast<Put::kWhole>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY, outside);
}

void CSprite::DisplacementMapTiledA(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                    int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                    const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                    int32_t offsetX, int32_t offsetY, uint32_t outside) {
    DisplaceFast<Put::kAlpha>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY, outside);
}

void CSprite::DisplacementMapTiledC(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                    int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                    const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                    int32_t offsetX, int32_t offsetY, uint32_t outside) {
    DisplaceFast<Put::kColour>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY, outside);
}

void CSprite::DisplacementMapTiledEx(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                     int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                     const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                     int32_t offsetX, int32_t offsetY, uint32_t outside, uint32_t channelSelect,
                                     uint16_t weightSelect, uint16_t scaleShifts) {
    DisplaceGeneral<Put::kWhole>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY, outside,
                                 channelSelect, weightSelect, scaleShifts);
}

void CSprite::DisplacementMapTiledExA(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                      int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                      const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                      int32_t offsetX, int32_t offsetY, uint32_t outside, uint32_t channelSelect,
                                      uint16_t weightSelect, uint16_t scaleShifts) {
    DisplaceGeneral<Put::kAlpha>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY, outside,
                                 channelSelect, weightSelect, scaleShifts);
}

void CSprite::DisplacementMapTiledExC(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                      int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY,
                                      const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                      int32_t offsetX, int32_t offsetY, uint32_t outside, uint32_t channelSelect,
                                      uint16_t weightSelect, uint16_t scaleShifts) {
    DisplaceGeneral<Put::kColour>(*this, Frame(x, y, w, h, sx, sy, sw, sh, mx, my, mw, mh), source, baseX, baseY, map, offsetX, offsetY,
                                  outside, channelSelect, weightSelect, scaleShifts);
}
