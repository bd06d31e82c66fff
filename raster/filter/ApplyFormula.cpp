// The per-channel formula: one tone curve, evaluated 256 times per call in
// double precision, then applied to the rectangle with integers only.
//
// The range test and the curve are folded into one table per channel: the
// channel's value, already in place in the pixel word, for each of its 256
// values (the curve's entry inside the range of a selected channel, the value
// itself elsewhere), so a pixel costs four loads and three ORs.
#include "raster/filter/ApplyFormula.h"

#include <algorithm>
#include <cstdint>

#include "raster/surface/sprite/Sprite.h"

void formula::BuildFormulaCurve(const double (&c)[7], int32_t (&curve)[256]) noexcept {
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t r = 255 - i;
        double v = c[0] * CubeTable[i] + c[1] * SquareTable[i];
        v = v + c[2] * LinearTable[i];
        v = v + c[3] * CubeTable[r];
        v = v + c[4] * SquareTable[r];
        v = v + c[5] * LinearTable[r];
        v = v + c[6];
        if (!(v >= 0.0)) v = 0.0;  // also a NaN
        if (v > 1.0) v = 1.0;
        curve[i] = static_cast<int32_t>(v * 255.0);
    }
}

void CSprite::ApplyFormula(int32_t x, int32_t y, int32_t w, int32_t h, int32_t channels, uint8_t lo, uint8_t hi,
                           double c1, double c2, double c3, double c4, double c5, double c6, double c7) {
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    const double c[7] = {c1, c2, c3, c4, c5, c6, c7};
    int32_t curve[256];
    formula::BuildFormulaCurve(c, curve);

    const uint32_t first = std::min(lo, hi);
    const uint32_t last = std::max(lo, hi);
    uint32_t table[4][256];  // by channel: 0 blue, 1 green, 2 red, 3 alpha
    for (int32_t ch = 0; ch < 4; ++ch) {
        const bool selected = ((channels >> ch) & 1) != 0;
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t out = selected && v >= first && v <= last ? static_cast<uint32_t>(curve[v]) : v;
            table[ch][v] = out << (8 * ch);
        }
    }
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = d[i];
            d[i] = table[3][p >> 24] | table[2][(p >> 16) & 0xFFu] | table[1][(p >> 8) & 0xFFu] | table[0][p & 0xFFu];
        }
    }
}
