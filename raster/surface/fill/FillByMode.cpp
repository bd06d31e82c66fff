// A plain colour laid into a rectangle by draw mode: the fill resources and
// the fill windows paint their backgrounds and swatches this way.
#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

void CSprite::FillRectByMode(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, uint32_t mode,
                             uint8_t level) {
    if (!IsRasterReady()) return;
    colour &= 0xFFFFFFu;
    const uint32_t code = mode & ~(draw_mode::kMirrorVertical | draw_mode::kMirrorHorizontal);
    if ((code & ~draw_mode::kNumberMask) != draw_mode::kBase) return;
    switch (code & draw_mode::kNumberMask) {
        case draw_mode::kCopy:
        case draw_mode::kMixAlpha:
        case draw_mode::kMixLayer: FillRect(x, y, w, h, colour | 0xFF000000u); break;
        case draw_mode::kAlpha:
        case draw_mode::kLayer:
        case draw_mode::kCopyC: FillRectC(x, y, w, h, colour); break;
        case draw_mode::kBlend:
        case draw_mode::kLayerBlend:
        case draw_mode::kAlphaBlend: FillRectCOpacity(x, y, w, h, colour, level); break;
        case draw_mode::kMixBlend:
        case draw_mode::kMixLayerBlend:
        case draw_mode::kMixAlphaBlend: FillRectOpacity(x, y, w, h, colour, level); break;
        case draw_mode::kCopyA:
        case draw_mode::kMulA:
        case draw_mode::kMul: FillRectA(x, y, w, h, 0); break;
        case draw_mode::kFillA: FillRectA(x, y, w, h, level); break;
        case draw_mode::kBlendAlpha: ScaleAlpha(x, y, w, h, level); break;
        case draw_mode::kMulBlend: ScaleAlpha(x, y, w, h, 256u - level); break;
        default: break;
    }
}
