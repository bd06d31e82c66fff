#include "host/draw/FillInfo.h"

#include "raster/surface/sprite/Sprite.h"

bool QRKWDRFillInfo::Reset() {
    colour = 0;
    mode = kDefaultMode;
    level = kDefaultLevel;
    m_changes.Increment();
    return true;
}

bool QRKWDRFillInfo::Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t,
                          CQRKDRConnector*) {
    target.FillRectByMode(x, y, w, h, colour, mode, level);
    return true;
}
