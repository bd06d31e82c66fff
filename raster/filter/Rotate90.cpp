// Quarter-turn copy behind the whole-sprite rotation. Rows of the destination
// are written in order; the source is walked down a column (turn 1 upward,
// turn 3 downward) or backwards along a row (turn 2).
#include "raster/surface/sprite/Sprite.h"

void CSprite::BlitRotated90(int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                            int32_t sy, int32_t turn) {
    if (m_pixels == nullptr || !source.HasImage()) return;
    if (ClipRect(dx, dy, w, h) <= 0 || h <= 0) return;
    const int32_t quarter = turn & 3;
    if (quarter == 0) {
        DrawCopy(dx, dy, source, sx, sy, w, h);
        return;
    }
    const int64_t sourceStride = source.GetStride();
    if (quarter == 2) {
        if (source.ClipRect(sx, sy, w, h) <= 0 || h <= 0) return;
        for (int32_t i = 0; i < h; ++i) {
            uint32_t* out = PixelAt(dx, dy + i);
            const uint32_t* in = source.PixelAt(sx + w - 1, sy + h - 1 - i);
            for (int32_t j = 0; j < w; ++j) out[j] = *(in - j);
        }
        return;
    }
    // Quarter turns read a source rectangle h wide and w high.
    int32_t sw = h, sh = w;
    if (source.ClipRect(sx, sy, sw, sh) <= 0 || sh <= 0) return;
    h = sw;
    w = sh;
    for (int32_t i = 0; i < h; ++i) {
        uint32_t* out = PixelAt(dx, dy + i);
        if (quarter == 1) {
            // (dx + j, dy + i) <- (sx + i, sy + w - 1 - j): up the source column.
            const uint32_t* in = source.PixelAt(sx + i, sy + w - 1);
            for (int32_t j = 0; j < w; ++j, in -= sourceStride) out[j] = *in;
        } else {
            // (dx + j, dy + i) <- (sx + h - 1 - i, sy + j): down the source column.
            const uint32_t* in = source.PixelAt(sx + h - 1 - i, sy);
            for (int32_t j = 0; j < w; ++j, in += sourceStride) out[j] = *in;
        }
    }
}
