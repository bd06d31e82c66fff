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

#include "raster/surface/fill/DisplacementSampling.h"
#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/Sprite.h"

using namespace fill_detail;
using namespace displacement_detail;

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

// The three rectangles after clipping.
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
