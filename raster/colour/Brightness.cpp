// Brightness multiply-add.
//
// The brightness of a pixel is its largest channel V (HSV's value). The new
// brightness V' = V x mul + add (16.16) sets one scale s for all three
// channels, c := (c x s) >> 16, so hue and saturation survive up to rounding:
//   V < 8 or V' <= 1 level      black (the ratio of tiny channels is noise);
//   V' >= 255 levels            s = DivisionTable[V] + 1: V lands on exactly 255;
//   otherwise                   s = ((V' >> 16) x DivisionTable[V]) >> 8, which
//                               puts V at about 255/256 of V's integer part
//                               (so mul 1.0, add 0 is not quite the identity).
// DivisionTable[V] is 255 / V in 16.16 rounded up; every product fits 32 bits.
// V' is taken in 64 bits: document terms of any 32-bit value (the editor stays
// within 0 .. 10.0 and +-255 levels, where 32 bits suffice) then still end on
// black or on 255 by the sign of the true value instead of wrapping.
#include "raster/colour/PixelMapFrame.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace brightness {

using pixel_map::Form;

struct Terms {
    int32_t mul;
    int32_t add;

    uint32_t Colour(uint32_t p) const noexcept {
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const uint32_t v = std::max(r, std::max(g, b));
        if (v < 8) return 0;
        const int64_t target = int64_t{v} * mul + add;
        if (target <= 65536) return 0;
        const uint32_t s = target >= 0xFF0000 ? DivisionTable[v] + 1
                                              : (static_cast<uint32_t>(target >> 16) * DivisionTable[v]) >> 8;
        return ((r * s) >> 16) << 16 | ((g * s) >> 16) << 8 | ((b * s) >> 16);
    }
};

// The terms a map pixel m (alpha not 0) gives: multiplier g x 4 from the low
// 16 bits, offset 2 x (red - 128) levels, both pulled toward (1.0, 0) by the
// alpha weight aw. The multiplier's shifted value is never negative.
inline Terms MapTerms(uint32_t m) noexcept {
    const int32_t aw = static_cast<int32_t>(pixel::Weight8(m >> 24));
    const int32_t g = static_cast<int32_t>(m & 0xFFFF);
    const int32_t r = static_cast<int32_t>((m >> 16) & 0xFF);
    return {((g * 4 - 65536) * aw + 16777216) >> 8, ((r << 16) - 0x800000) * aw / 128};
}

struct MapRule {
    uint32_t Colour(uint32_t p, uint32_t m) const noexcept { return MapTerms(m).Colour(p); }
};

}  // namespace brightness

void CSprite::MulAddBrightness(int32_t x, int32_t y, int32_t w, int32_t h, int32_t mul, int32_t add) {
    pixel_map::InPlace(*this, x, y, w, h, brightness::Terms{mul, add});
}

void CSprite::MulAddBrightnessBitmap(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mx,
                                     int32_t my, int32_t mapW, int32_t mapH) {
    pixel_map::InPlaceMap(*this, x, y, w, h, map, mx, my, mapW, mapH, brightness::MapRule{});
}

void CSprite::DrawMulAddBrightness(int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                                   int32_t h, int32_t mul, int32_t add) {
    pixel_map::FromSource<pixel_map::Form::Full>(*this, dx, dy, src, sx, sy, w, h, brightness::Terms{mul, add});
}

void CSprite::DrawMulAddBrightnessC(int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                                    int32_t h, int32_t mul, int32_t add) {
    pixel_map::FromSource<pixel_map::Form::C>(*this, dx, dy, src, sx, sy, w, h, brightness::Terms{mul, add});
}

void CSprite::DrawMulAddBrightnessMap(int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                                      int32_t h, const CSprite& map, int32_t mx, int32_t my, int32_t mapW,
                                      int32_t mapH) {
    pixel_map::FromSourceMap<pixel_map::Form::Full>(*this, dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH,
                                                    brightness::MapRule{});
}

void CSprite::DrawMulAddBrightnessCMap(int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                                       int32_t h, const CSprite& map, int32_t mx, int32_t my, int32_t mapW,
                                       int32_t mapH) {
    pixel_map::FromSourceMap<pixel_map::Form::C>(*this, dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH,
                                                 brightness::MapRule{});
}
