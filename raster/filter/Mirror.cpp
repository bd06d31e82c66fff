// In-place mirroring of a sprite rectangle by pairwise exchange: two pointers
// walk towards each other, so every pixel is read and written once and no
// temporary row is needed.
#include <algorithm>
#include <utility>

#include "raster/surface/sprite/Sprite.h"

namespace {

inline void ReverseRun(uint32_t* left, uint32_t* right) noexcept {
    while (left < right) std::swap(*left++, *right--);
}

}  // namespace

void CSprite::Mirror(int32_t x, int32_t y, int32_t w, int32_t h, int32_t type) {
    if (type < 1 || type > 3 || m_pixels == nullptr) return;
    if (ClipRect(x, y, w, h) <= 0 || h <= 0) return;
    const int64_t stride = m_stride;
    uint32_t* top = PixelAt(x, y);
    uint32_t* bottom = PixelAt(x, y + h - 1);
    switch (type) {
        case 1:
            for (int32_t row = 0; row < h; ++row, top += stride) ReverseRun(top, top + (w - 1));
            break;
        case 2:
            for (int32_t i = 0; i < h / 2; ++i, top += stride, bottom -= stride) std::swap_ranges(top, top + w, bottom);
            break;
        default:  // a half turn: the top row pairs with the bottom row read backwards
            if (h & 1) {
                uint32_t* middle = PixelAt(x, y + h / 2);
                ReverseRun(middle, middle + (w - 1));
            }
            for (int32_t i = 0; i < h / 2; ++i, top += stride, bottom -= stride) {
                uint32_t* forward = top;
                uint32_t* backward = bottom + (w - 1);
                for (int32_t j = 0; j < w; ++j) std::swap(*forward++, *backward--);
            }
            break;
    }
}
