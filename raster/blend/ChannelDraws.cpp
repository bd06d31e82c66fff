// The channel draws under the names the document renderer uses for them. Each
// forwards to the one loop that implements it, so the two names can never
// drift apart.
#include "raster/surface/sprite/Sprite.h"

void CSprite::DrawPrimary(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                          int32_t h) {
    BlitMaxAlpha(dx, dy, source, sx, sy, w, h);
}

void CSprite::ChannelCopy(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                          int32_t h, uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
    DrawChannelCopy(dx, dy, source, sx, sy, w, h, alpha, red, green, blue);
}
