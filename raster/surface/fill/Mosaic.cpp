// Mosaic: each cell takes the value of its sample pixel. The sample lies in
// its own cell and is written with its own value, so the cells can be filled
// in place in any order.
#include <algorithm>

#include "raster/surface/sprite/Sprite.h"

void CSprite::Mosaic(int32_t x, int32_t y, int32_t w, int32_t h, uint16_t cellWidth, uint16_t cellHeight) {
    if (m_pixels == nullptr || cellWidth == 0 || cellHeight == 0 || ClipRect(x, y, w, h) <= 0) return;
    const int32_t lastColumn = x + w - 1, lastRow = y + h - 1;
    for (int32_t top = y; top <= lastRow; top += cellHeight) {
        const int32_t bottom = std::min(lastRow + 1, top + int32_t{cellHeight});
        const int32_t sampleRow = std::min(lastRow, top + cellHeight / 2);
        for (int32_t row = top; row < bottom; ++row) {
            const uint32_t* sample = PixelAt(0, sampleRow);
            uint32_t* out = PixelAt(0, row);
            for (int32_t left = x; left <= lastColumn; left += cellWidth) {
                const int32_t right = std::min(lastColumn + 1, left + int32_t{cellWidth});
                const uint32_t value = sample[std::min(lastColumn, left + cellWidth / 2)];
                std::fill(out + left, out + right, value);
            }
        }
    }
}
