#pragma once
// Sprites whose pixels name their own coordinates, so a drawn pixel tells
// where in the source it came from.
#include <cstdint>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace drawtest {

// Opaque; x in bits 8-15, y in bits 0-7, a marker in bits 16-23.
constexpr uint32_t CoordPixel(int32_t x, int32_t y) {
    return 0xFF5A0000u | (uint32_t(x) << 8) | uint32_t(y);
}
inline bool IsCoordPixel(uint32_t p) { return (p & 0xFFFF0000u) == 0xFF5A0000u; }
inline int32_t CoordX(uint32_t p) { return int32_t((p >> 8) & 0xFF); }
inline int32_t CoordY(uint32_t p) { return int32_t(p & 0xFF); }

inline void MakeCoordSprite(CSprite& s, int32_t w, int32_t h) {
    InitRasterLibrary(1);  // false when already started
    s.Release();
    s.Create(w, h, false);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *s.PixelAt(x, y) = CoordPixel(x, y);
}

inline void MakeFilled(CSprite& s, int32_t w, int32_t h, uint32_t value) {
    InitRasterLibrary(1);
    s.Release();
    s.Create(w, h, false);
    s.FillRect(0, 0, w, h, value);
}

inline uint32_t At(const CSprite& s, int32_t x, int32_t y) { return *s.PixelAt(x, y); }

// Pixels different from value.
inline int32_t CountNot(const CSprite& s, uint32_t value) {
    int32_t n = 0;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) n += At(s, x, y) != value;
    return n;
}

}  // namespace drawtest
