// Sub-pixel rectangle fills: the document's square shapes.
//
// A rectangle whose edges lie on sixteenths of a pixel needs no scan
// conversion: its pixels split into at most nine pieces (four corners, four
// edge strips, the interior), each with one coverage. Each piece is handed to
// a rectangle fill at the weight coverage x opacity, so every pixel is
// composited exactly once. FillRectSubpixel lays a colour with FillRectOpacity;
// FillTileCoverage raises the alpha toward opaque with FillRectAOpacity.
//
// Coordinates are divided by 16 rounding toward minus infinity, so that the
// pixel index and the fraction (v & 15) describe the same point for negative
// positions too; a side that the clip rectangle cut away counts as fully
// covered.
#include <algorithm>
#include <cstdint>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

inline bool IsReady() noexcept { return RasterPixelMode == 1; }

// Weight of a piece covering c 256ths at the opacity step t (0..256): a full
// 256 counts as 255, so a fully covered piece at opacity 255 gets 255.
inline int32_t Weight(int32_t c, int32_t t) noexcept {
    const int32_t v = ((c - c / 256) * t) / 256;
    return std::clamp(v, 0, 255);
}

// The piece fill of either operation on one rectangle at an 8-bit weight.
template <class Piece>
void SubpixelRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t level, uint8_t opacity,
                  bool& result, CSprite& sprite, const Piece& piece) {
    result = false;
    if (left > right || top > bottom) return;
    const int64_t x0 = left >> 4, y0 = top >> 4;
    const int64_t x1 = (static_cast<int64_t>(right) + 15) >> 4, y1 = (static_cast<int64_t>(bottom) + 15) >> 4;
    int32_t x = static_cast<int32_t>(x0), y = static_cast<int32_t>(y0);
    int32_t w = static_cast<int32_t>(x1 - x0), h = static_cast<int32_t>(y1 - y0);
    sprite.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    result = true;
    if (opacity == 0) return;
    if (level <= 4) {
        if (IsReady()) piece(x, y, w, h, opacity);
        return;
    }

    const int32_t t = opacity + (opacity >> 7);
    const bool leftKept = x == x0, topKept = y == y0;
    const bool rightKept = static_cast<int64_t>(x) + w == x1 && (right & 15) != 0;
    const bool bottomKept = static_cast<int64_t>(y) + h == y1 && (bottom & 15) != 0;
    // Edge coverages in sixteenths (16 where the edge is whole or clipped away).
    const int32_t cL = leftKept ? 16 - (left & 15) : 16;
    const int32_t cT = topKept ? 16 - (top & 15) : 16;
    const int32_t cR = rightKept ? (right & 15) : 16;
    const int32_t cB = bottomKept ? (bottom & 15) : 16;

    if (!IsReady()) return;
    if (cL + cT + cR + cB == 64) {
        // No fractional edge: one fill, and nothing more, so that each pixel is
        // composited once at the opacity.
        piece(x, y, w, h, opacity);
        return;
    }
    // Coverage across a single column or row holding both of its edges:
    // cR - (16 - cL) is right & 15 (or 16) minus left & 15, and a side the clip
    // removed contributes nothing to subtract.
    const int32_t across = cR - (16 - cL);
    const int32_t down = cB - (16 - cT);
    auto fill = [&](int32_t px, int32_t py, int32_t pw, int32_t ph, int32_t weight) {
        if (pw > 0 && ph > 0 && weight > 0) piece(px, py, pw, ph, static_cast<uint8_t>(weight));
    };
    if (w == 1 && h == 1) {
        fill(x, y, 1, 1, std::clamp((across * down * t) / 256, 0, 255));
    } else if (w == 1) {
        fill(x, y, 1, 1, Weight(across * cT, t));
        fill(x, y + 1, 1, h - 2, Weight(across * 16, t));
        fill(x, y + h - 1, 1, 1, Weight(across * cB, t));
    } else if (h == 1) {
        fill(x, y, 1, 1, Weight(down * cL, t));
        fill(x + 1, y, w - 2, 1, Weight(down * 16, t));
        fill(x + w - 1, y, 1, 1, Weight(down * cR, t));
    } else {
        fill(x, y, 1, 1, Weight(cT * cL, t));
        fill(x + 1, y, w - 2, 1, Weight(cT * 16, t));
        fill(x + w - 1, y, 1, 1, Weight(cR * cT, t));
        fill(x, y + 1, 1, h - 2, Weight(cL * 16, t));
        fill(x + w - 1, y + 1, 1, h - 2, Weight(cR * 16, t));
        fill(x, y + h - 1, 1, 1, Weight(cB * cL, t));
        fill(x + 1, y + h - 1, w - 2, 1, Weight(cB * 16, t));
        fill(x + w - 1, y + h - 1, 1, 1, Weight(cB * cR, t));
        fill(x + 1, y + 1, w - 2, h - 2, opacity);
    }
}

}  // namespace

bool CSprite::FillRectSubpixel(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour,
                               int32_t level, uint32_t opacity) {
    bool result = false;
    SubpixelRect(left, top, right, bottom, level, static_cast<uint8_t>(opacity), result, *this,
                 [this, colour](int32_t x, int32_t y, int32_t w, int32_t h, uint8_t weight) {
                     FillRectOpacity(x, y, w, h, colour, weight);
                 });
    return result;
}

bool CSprite::FillTileCoverage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t level,
                               uint32_t opacity) {
    bool result = false;
    SubpixelRect(left, top, right, bottom, level, static_cast<uint8_t>(opacity), result, *this,
                 [this](int32_t x, int32_t y, int32_t w, int32_t h, uint8_t weight) {
                     FillRectAOpacity(x, y, w, h, weight, 255);
                 });
    return result;
}
