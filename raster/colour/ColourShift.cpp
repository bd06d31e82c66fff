// Hue, saturation and lightness shifts: each pixel goes into HSV, HSL or HSLY,
// the hue turns by a number of degrees (any amount wraps around the circle),
// saturation and the third component move by signed amounts clamped to
// 0..256, and the triple comes back to RGB. The conversions are the inline
// pieces of the single-colour functions, so the amounts (0, 0, 0) are not the
// identity: the truncations of the two conversions change most colours a
// little, exactly as the single-colour functions do.
//
// The amounts are folded once per call so that the per-pixel path stays in
// 32 bits whatever a caller passes: the hue amount is reduced modulo 360 and
// the other two are limited to -256..256, which changes no result (a component
// of 0..256 plus anything beyond that range clamps to 0 or 256 anyway) but
// keeps extreme amounts from overflowing the sums.
#include <algorithm>

#include "raster/colour/ModelTriple.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace colour_shift {

using colour_detail::ModelTriple;

template <ColorSpaceModel M>
struct Shift {
    int32_t hueTurn;  // 0..359
    int32_t saturationStep;
    int32_t thirdStep;

    Shift(int32_t hue, int32_t saturation, int32_t third) noexcept
        : hueTurn(static_cast<int32_t>((hue % 360 + 360) % 360)),
          saturationStep(std::clamp(saturation, -256, 256)),
          thirdStep(std::clamp(third, -256, 256)) {}

    uint32_t operator()(uint32_t rgb) const noexcept {
        ModelTriple t = colour_detail::MeasureTriple<M>(rgb);
        t.hue += hueTurn;
        if (t.hue >= 360) t.hue -= 360;
        t.saturation = colour_detail::ClampComponent(t.saturation + saturationStep);
        t.third = colour_detail::ClampComponent(t.third + thirdStep);
        return colour_detail::RebuildTriple<M>(t);
    }
};

}  // namespace colour_shift

#define OC_SHIFT_SOURCE_PARAMS \
    int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite &source, int32_t sx, int32_t sy
#define OC_SHIFT_AMOUNT_PARAMS int32_t hue, int32_t saturation, int32_t third

// The three kernels and the wrapper of one model.
#define OC_SHIFT_MODEL(Name, M)                                                                                  \
    void CSprite::Adjust##Name##Copy(OC_SHIFT_SOURCE_PARAMS, OC_SHIFT_AMOUNT_PARAMS) {                          \
        colour_detail::ConvertFromSource<colour_detail::AlphaFrom::Source>(*this, dx, dy, source, sx, sy, w, h,                 \
                                                            colour_shift::Shift<M>(hue, saturation, third));     \
    }                                                                                                            \
    void CSprite::Adjust##Name(int32_t x, int32_t y, int32_t w, int32_t h, OC_SHIFT_AMOUNT_PARAMS) {             \
        colour_detail::ConvertInPlace(*this, x, y, w, h, colour_shift::Shift<M>(hue, saturation, third));        \
    }                                                                                                            \
    void CSprite::Adjust##Name##ColorOnly(OC_SHIFT_SOURCE_PARAMS, OC_SHIFT_AMOUNT_PARAMS) {                     \
        colour_detail::ConvertFromSource<colour_detail::AlphaFrom::Destination>(*this, dx, dy, source, sx, sy, w, h,            \
                                                                 colour_shift::Shift<M>(hue, saturation, third)); \
    }                                                                                                            \
    void CSprite::Adjust##Name##CopyIfReady(OC_SHIFT_SOURCE_PARAMS, int16_t hue, int16_t saturation,             \
                                            int16_t third) {                                                     \
        if (!IsRasterReady()) return;                                                                            \
        Adjust##Name##Copy(dx, dy, w, h, source, sx, sy, hue, saturation, third);                                \
    }

OC_SHIFT_MODEL(HSV, kColorSpaceHSV)
OC_SHIFT_MODEL(HSL, kColorSpaceHSL)
OC_SHIFT_MODEL(HSLY, kColorSpaceHSLY)

#undef OC_SHIFT_MODEL
#undef OC_SHIFT_AMOUNT_PARAMS
#undef OC_SHIFT_SOURCE_PARAMS

void CSprite::ClipRectNoOp(int32_t x, int32_t y, int32_t w, int32_t h) const { ClipRect(x, y, w, h); }
