// Content scroll of the whole pixel buffer (window caches scroll this way and
// repaint the uncovered strip themselves).
#include <cstdlib>
#include <cstring>

#include "raster/surface/sprite/Sprite.h"

void CSprite::Scroll(int32_t dx, int32_t dy) {
    if (m_pixels == nullptr || m_width <= 0 || m_height <= 0 || (dx == 0 && dy == 0)) return;
    // Rows are stride words long here: the whole buffer moves, not the image.
    const int64_t run = int64_t{m_stride} - std::llabs(int64_t{dx});
    if (run <= 0) return;
    const int64_t rows = int64_t{m_height} - std::llabs(int64_t{dy});
    if (rows <= 0) return;
    const int64_t stride = m_stride;
    const size_t bytes = static_cast<size_t>(run) * 4;
    const int64_t writeOffset = dx > 0 ? dx : 0;
    const int64_t readOffset = dx > 0 ? 0 : -int64_t{dx};
    const auto moveRow = [&](int64_t r) {
        std::memmove(m_pixels + r * stride + writeOffset, m_pixels + (r - dy) * stride + readOffset, bytes);
    };
    if (dy > 0) {
        // Sources lie above their destinations: bottom-up.
        for (int64_t r = m_height - 1; r >= dy; --r) moveRow(r);
    } else {
        for (int64_t r = 0; r < rows; ++r) moveRow(r);
    }
}
