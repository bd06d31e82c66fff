// Whole-sprite quarter turn through the raster library's work sprite.
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

void CSprite::RotateQuarter(int32_t type) {
    if (type < 1 || type > 3 || m_pixels == nullptr || m_width <= 0 || m_height <= 0) return;
    // Without the library the copy below would not run and the turn would
    // write whatever the work sprite held: do nothing instead.
    if (RasterPixelMode != 1) return;
    const int32_t width = m_width, height = m_height;
    CSprite& work = RasterWorkSprite();
    if (&work == this) return;  // it cannot hold its own copy
    if (!work.ResizeUncleared(width, height)) return;
    work.DrawCopy(0, 0, *this, 0, 0, width, height);
    if (type != 2 && !ResizeUncleared(height, width)) return;
    BlitRotated90(0, 0, m_width, m_height, work, 0, 0, type);
}
