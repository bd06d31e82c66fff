// Interpolation gradients: each row or column redrawn by a colour-model
// gradient between its own end pixels. One routine, instantiated with the
// model's conversion from RGB and the gradient member that draws the line.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using ToModel = void (*)(uint32_t, int32_t&, int32_t&, int32_t&);
using DrawWhole = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                    int32_t, int32_t, int32_t);
using DrawColour = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t);

// The far end's hue h' (T <= h' < T + 360, h' = h modulo 360) from its
// converted hue h (0..359), for a hue origin T. Worked in 64 bits: an origin
// near the ends of the 32-bit range would overflow otherwise (the result is
// clamped to the hue range of the drawing members, which clamp it anyway).
class HueOrigin {
public:
    explicit HueOrigin(int32_t origin) noexcept {
        const int64_t t = origin;
        m_turns = t >= 0 ? t / 360 : -((-t - 1) / 360 + 1);
        m_threshold = t - 360 * m_turns;  // 0..359
    }
    int32_t FarHue(int32_t hue) const noexcept {
        const int64_t far = hue + 360 * m_turns + (hue < m_threshold ? 360 : 0);
        return static_cast<int32_t>(std::clamp<int64_t>(far, -1023, 1023));
    }

private:
    int64_t m_turns = 0;
    int64_t m_threshold = 0;
};

struct EndComponents {
    int32_t hue = 0, saturation = 0, third = 0, alpha = 0;
};

EndComponents Convert(ToModel toModel, uint32_t pixel) {
    EndComponents e;
    toModel(pixel, e.hue, e.saturation, e.third);
    e.alpha = static_cast<int32_t>(pixel >> 24);
    return e;
}

// Draws the line from near to far; the whole-pixel member carries the alphas.
template <class Draw>
void DrawLine(CSprite& sprite, Draw draw, int32_t x, int32_t y, int32_t w, int32_t h, const EndComponents& near,
              const EndComponents& far) {
    if constexpr (std::is_same_v<Draw, DrawWhole>) {
        (sprite.*draw)(x, y, w, h, near.hue, near.saturation, near.third, near.alpha, far.hue, far.saturation,
                       far.third, far.alpha);
    } else {
        (sprite.*draw)(x, y, w, h, near.hue, near.saturation, near.third, far.hue, far.saturation, far.third);
    }
}

template <bool kHorizontal, class Draw>
void Interpolate(CSprite& sprite, ToModel toModel, Draw draw, int32_t x, int32_t y, int32_t w, int32_t h,
                 int32_t hueOrigin) {
    // Before the library is ready the ends read as 0 and nothing is drawn: the
    // whole operation leaves the sprite as it is.
    if (RasterPixelMode != 1) return;
    if (sprite.ClipRect(x, y, w, h) == 0) return;
    if (kHorizontal ? w < 2 : h < 2) return;
    const HueOrigin origin(hueOrigin);
    const int32_t lines = kHorizontal ? h : w;
    for (int32_t k = 0; k < lines; ++k) {
        const int32_t lx = kHorizontal ? x : x + k;
        const int32_t ly = kHorizontal ? y + k : y;
        const uint32_t nearPixel = *sprite.PixelAt(lx, ly);
        const uint32_t farPixel = kHorizontal ? *sprite.PixelAt(x + w - 1, ly) : *sprite.PixelAt(lx, y + h - 1);
        const EndComponents near = Convert(toModel, nearPixel);
        EndComponents far = Convert(toModel, farPixel);
        far.hue = origin.FarHue(far.hue);
        DrawLine(sprite, draw, lx, ly, kHorizontal ? w : 1, kHorizontal ? 1 : h, near, far);
    }
}

}  // namespace

void CSprite::InterpolationGradationHSVH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSV, &CSprite::GradationHSVH, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSL, &CSprite::GradationHSLH, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLYH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSLY, &CSprite::GradationHSLYH, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSVHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSV, &CSprite::GradationHSVHC, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSL, &CSprite::GradationHSLHC, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLYHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<true>(*this, RGBToHSLY, &CSprite::GradationHSLYHC, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSVV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSV, &CSprite::GradationHSVV, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSL, &CSprite::GradationHSLV, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLYV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSLY, &CSprite::GradationHSLYV, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSVVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSV, &CSprite::GradationHSVVC, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSL, &CSprite::GradationHSLVC, x, y, w, h, hueOrigin);
}
void CSprite::InterpolationGradationHSLYVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueOrigin) {
    Interpolate<false>(*this, RGBToHSLY, &CSprite::GradationHSLYVC, x, y, w, h, hueOrigin);
}
