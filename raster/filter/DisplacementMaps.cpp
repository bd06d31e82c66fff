// Displacement maps that replace pixels, and the map rescaler.
//
// These are the factor forms of the displacement draw: the displaced sample is
// stored as it is (no laying over by its alpha), and an empty map tile fills
// the rectangle with the fill value instead of drawing nothing. The sampling
// itself (tile walk, moves, gains, weights) is the one of the tiled
// displacement draws (raster/surface/fill/DisplacementSampling.h).
//
// The entry points displace the canvas into the raster work sprite, reading
// the canvas as its own source, and copy the result back: a pixel never reads
// a neighbour that this call has already moved.
#include <algorithm>
#include <cstdint>
#include <new>

#include "raster/surface/fill/DisplacementSampling.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using displacement_detail::FetchGeneral;
using displacement_detail::Selection;
using displacement_detail::SourceReader;
using displacement_detail::WrapStart;

enum class MapStore { kWhole, kColour, kAlpha };

template <MapStore kStore>
inline uint32_t StoreSample(uint32_t out, uint32_t sample) noexcept {
    if constexpr (kStore == MapStore::kWhole) {
        return sample;
    } else if constexpr (kStore == MapStore::kColour) {
        return (out & pixel::kAlphaBits) | (sample & pixel::kColourBits);
    } else {
        return (out & pixel::kColourBits) | (sample & pixel::kAlphaBits);
    }
}

// The clipped rectangles and tile start of one kernel call.
struct MapWalkFrame {
    int32_t dx, dy, w, h;
    int32_t sx, sy, sw, sh;
    int32_t mx, my, mw, mh;
    int32_t startColumn = 0, startRow = 0;
};

// Clips the three rectangles. An empty map tile fills the output rectangle
// with the fill value by the form; false when nothing (more) is to be done.
template <MapStore kStore>
bool ClipMapWalk(CSprite& out, const CSprite& source, const CSprite& map, MapWalkFrame& f, int32_t phaseX,
                 int32_t phaseY, uint32_t fill) {
    map.ClipRect(f.mx, f.my, f.mw, f.mh);
    if (f.mw <= 0 || f.mh <= 0) {
        if constexpr (kStore == MapStore::kWhole) {
            out.FillRect(f.dx, f.dy, f.w, f.h, fill);
        } else if constexpr (kStore == MapStore::kColour) {
            out.FillRectC(f.dx, f.dy, f.w, f.h, fill);
        } else {
            out.FillRectA(f.dx, f.dy, f.w, f.h, static_cast<uint8_t>(fill >> 24));
        }
        return false;
    }
    out.ClipRect(f.dx, f.dy, f.w, f.h);
    source.ClipRect(f.sx, f.sy, f.sw, f.sh);
    if (f.w <= 0 || f.h <= 0) return false;
    // A true modulo: any 32-bit phase, no repeated raising.
    f.startColumn = WrapStart(phaseX, f.mw);
    f.startRow = WrapStart(phaseY, f.mh);
    return true;
}

// Walks the output with the tiled map; sample(m, px, py) gives the sample for
// map pixel m at the undisplaced source position (px, py).
template <MapStore kStore, class Sample>
void WalkMap(CSprite& out, const CSprite& map, const MapWalkFrame& f, int32_t baseX, int32_t baseY,
             Sample sample) {
    int32_t mapRow = f.startRow;
    for (int32_t j = 0; j < f.h; ++j) {
        uint32_t* row = out.PixelAt(f.dx, f.dy + j);
        const uint32_t* mapLine = map.PixelAt(f.mx, f.my + mapRow);
        const int64_t py = int64_t{baseY} + j;
        int32_t mapColumn = f.startColumn;
        for (int32_t i = 0; i < f.w; ++i) {
            row[i] = StoreSample<kStore>(row[i], sample(mapLine[mapColumn], int64_t{baseX} + i, py));
            if (++mapColumn == f.mw) mapColumn = 0;
        }
        if (++mapRow == f.mh) mapRow = 0;
    }
}

template <MapStore kStore>
void DisplaceSimple(CSprite& out, MapWalkFrame f, const CSprite& source, int32_t baseX, int32_t baseY,
                    const CSprite& map, int32_t phaseX, int32_t phaseY, uint32_t fill) {
    if (!ClipMapWalk<kStore>(out, source, map, f, phaseX, phaseY, fill)) return;
    const SourceReader reader{source, f.sx, f.sy, f.sw, f.sh, fill};
    WalkMap<kStore>(out, map, f, baseX, baseY, [&](uint32_t m, int64_t px, int64_t py) {
        return reader.Fetch(px + static_cast<int32_t>(m & 0xFFu) - 128, py + static_cast<int32_t>((m >> 8) & 0xFFu) - 128);
    });
}

// The fields a form does not write are made equal to one it writes, so that
// the output channels it writes decide whether one sample serves them all.
template <MapStore kStore>
void NarrowToForm(uint32_t& selectors, uint16_t& weights) noexcept {
    if constexpr (kStore == MapStore::kAlpha) {
        const uint32_t s = selectors >> 24;
        selectors = s * 0x01010101u;
        const uint32_t wf = (weights >> 12) & 0xFu;
        weights = static_cast<uint16_t>(wf * 0x1111u);
    } else if constexpr (kStore == MapStore::kColour) {
        selectors = (selectors & 0x00FFFFFFu) | ((selectors << 8) & 0xFF000000u);
        weights = static_cast<uint16_t>((weights & 0x0FFFu) | ((weights << 4) & 0xF000u));
    }
}

template <MapStore kStore>
void DisplaceFrom(CSprite& out, MapWalkFrame f, const CSprite& source, int32_t baseX, int32_t baseY,
                  const CSprite& map, int32_t phaseX, int32_t phaseY, uint32_t fill, uint32_t selectors,
                  uint16_t weights, uint16_t gains) {
    if (selectors == 0x01010101u && weights == 0x7777u && gains == 0) {
        DisplaceSimple<kStore>(out, f, source, baseX, baseY, map, phaseX, phaseY, fill);
        return;
    }
    NarrowToForm<kStore>(selectors, weights);
    if (!ClipMapWalk<kStore>(out, source, map, f, phaseX, phaseY, fill)) return;
    const SourceReader reader{source, f.sx, f.sy, f.sw, f.sh, fill};
    const Selection sel(selectors, weights, gains);
    WalkMap<kStore>(out, map, f, baseX, baseY,
                    [&](uint32_t m, int64_t px, int64_t py) { return FetchGeneral(reader, sel, m, px, py); });
}

// The entry point: displace (x, y, w, h) of the canvas into the work sprite,
// then copy it back by the form.
template <MapStore kStore>
bool DisplaceCanvas(CSprite& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mapX,
                    int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY, uint32_t fill,
                    uint32_t selectors, uint16_t weights, uint16_t gains) {
    canvas.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return true;
    CSprite& work = RasterWorkSprite();
    if (work.GetWidth() < w || work.GetHeight() < h) {
        try {
            if (!work.ResizeUncleared(w, h)) return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    const MapWalkFrame f{0, 0, w, h, 0, 0, canvas.GetWidth(), canvas.GetHeight(), mapX, mapY, mapW, mapH};
    DisplaceFrom<kStore>(work, f, canvas, x, y, map, phaseX, phaseY, fill, selectors, weights, gains);
    if (!IsRasterReady()) return true;
    if constexpr (kStore == MapStore::kWhole) {
        canvas.DrawCopy(x, y, work, 0, 0, w, h);
    } else if constexpr (kStore == MapStore::kColour) {
        canvas.DrawCopyC(x, y, work, 0, 0, w, h);
    } else {
        canvas.DrawCopyA(x, y, work, 0, 0, w, h);
    }
    return true;
}

inline uint32_t ScaleAboutPivot(uint32_t v, int32_t gain, int32_t pivot) noexcept {
    const int64_t scaled = int64_t{pivot} + (int64_t{static_cast<int32_t>(v)} - pivot) * gain / 256;
    return static_cast<uint32_t>(std::clamp<int64_t>(scaled, 0, 255));
}

}  // namespace

#define OC_DISPLACEMENT_FROM(Name, Store)                                                                              \
    void CSprite::Name(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx, int32_t sy, \
                       int32_t sw, int32_t sh, int32_t baseX, int32_t baseY, const CSprite& map, int32_t mapX,      \
                       int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY, uint32_t fill,     \
                       uint32_t selectors, uint16_t weights, uint16_t gains) {                                      \
        DisplaceFrom<MapStore::Store>(*this, MapWalkFrame{dx, dy, w, h, sx, sy, sw, sh, mapX, mapY, mapW, mapH},    \
                                      source, baseX, baseY, map, phaseX, phaseY, fill, selectors, weights, gains);  \
    }
#define OC_DISPLACEMENT_SIMPLE(Name, Store)                                                                            \
    void CSprite::Name(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx, int32_t sy, \
                       int32_t sw, int32_t sh, int32_t baseX, int32_t baseY, const CSprite& map, int32_t mapX,      \
                       int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY, uint32_t fill) {   \
        DisplaceSimple<MapStore::Store>(*this, MapWalkFrame{dx, dy, w, h, sx, sy, sw, sh, mapX, mapY, mapW, mapH},  \
                                        source, baseX, baseY, map, phaseX, phaseY, fill);                           \
    }

OC_DISPLACEMENT_FROM(DisplacementMapFrom, kWhole)
OC_DISPLACEMENT_FROM(DisplacementMapFromC, kColour)
OC_DISPLACEMENT_FROM(DisplacementMapFromA, kAlpha)
OC_DISPLACEMENT_SIMPLE(DisplacementMapSimple, kWhole)
OC_DISPLACEMENT_SIMPLE(DisplacementMapSimpleC, kColour)
OC_DISPLACEMENT_SIMPLE(DisplacementMapSimpleA, kAlpha)

#undef OC_DISPLACEMENT_FROM
#undef OC_DISPLACEMENT_SIMPLE

bool CSprite::DisplacementMap(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mapX,
                              int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY, uint32_t fill,
                              uint32_t selectors, uint16_t weights, uint16_t gains) {
    return DisplaceCanvas<MapStore::kWhole>(*this, x, y, w, h, map, mapX, mapY, mapW, mapH, phaseX, phaseY, fill,
                                            selectors, weights, gains);
}

bool CSprite::DisplacementMapC(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mapX,
                               int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY,
                               uint32_t fill, uint32_t selectors, uint16_t weights, uint16_t gains) {
    return DisplaceCanvas<MapStore::kColour>(*this, x, y, w, h, map, mapX, mapY, mapW, mapH, phaseX, phaseY, fill,
                                             selectors, weights, gains);
}

bool CSprite::DisplacementMapA(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mapX,
                               int32_t mapY, int32_t mapW, int32_t mapH, int32_t phaseX, int32_t phaseY,
                               uint8_t alpha, uint32_t selectors, uint16_t weights, uint16_t gains) {
    return DisplaceCanvas<MapStore::kAlpha>(*this, x, y, w, h, map, mapX, mapY, mapW, mapH, phaseX, phaseY,
                                            uint32_t{alpha} << 24, selectors, weights, gains);
}

void CSprite::DisplacementCalc(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                               int32_t h, int32_t gainR, int32_t gainG, int32_t gainB, int32_t gainA, int32_t pivotR,
                               int32_t pivotG, int32_t pivotB, int32_t pivotA) {
    ClipBlit(x, y, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        const uint32_t* in = source.PixelAt(sx, sy + j);
        uint32_t* out = PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = in[i];
            out[i] = (ScaleAboutPivot(p >> 24, gainA, pivotA) << 24) |
                     (ScaleAboutPivot((p >> 16) & 0xFFu, gainR, pivotR) << 16) |
                     (ScaleAboutPivot((p >> 8) & 0xFFu, gainG, pivotG) << 8) | ScaleAboutPivot(p & 0xFFu, gainB, pivotB);
        }
    }
}
