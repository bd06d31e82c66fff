#include "host/draw/FactorInfo.h"

#include "raster/surface/sprite/DrawMode.h"

bool QRKWDRFactorInfo::Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t,
                            CQRKDRConnector*) {
    target.BlitByMode(x, y, rowImage, 0, 0, w, h, draw_mode::kBase | draw_mode::kCopy, 128, 0, 0);
    return true;
}
