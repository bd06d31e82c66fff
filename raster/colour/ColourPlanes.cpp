// Colour-space planes: a region whose pixels hold a model triple as three
// bytes under their alpha, so that later steps can do plain byte arithmetic
// on hue, saturation and the third component, before the region goes back to
// RGB in the same model.
//
// Bytes from the model's units: hue byte = (hue x 46603) >> 16 (46603 / 65536
// is about 256 / 360, so 359 gives 255); saturation and third component fold
// 256 into 255. Back: hue = (byte x 360) >> 8 (0..358) and 255 unfolds to 256
// for the other two, in every model (an HSLY luma byte of 255 becomes the
// target 256, so white survives the round trip). The conversions are the
// inline pieces of the single-colour functions with the one-entry cache of
// the shift kernels.
//
// The arithmetic folds its constants once per call (hue add modulo 256, the
// other adds limited to -255..255, the windows turned into byte tables), so
// no document value can overflow the per-pixel sums and every result equals
// the plain rule on unbounded integers.
#include <algorithm>
#include <array>

#include "raster/blend/KernelFrame.h"
#include "raster/colour/ModelTriple.h"
#include "raster/surface/sprite/Sprite.h"

namespace colour_planes {

using colour_detail::ModelTriple;

inline uint32_t HueByte(int32_t hue) noexcept { return (static_cast<uint32_t>(hue) * 46603u) >> 16; }
inline uint32_t FoldByte(int32_t v) noexcept { return static_cast<uint32_t>(v - (v >> 8)); }
inline int32_t UnfoldByte(uint32_t b) noexcept { return static_cast<int32_t>(b + (b == 255 ? 1 : 0)); }

template <ColorSpaceModel M>
struct ToPlane {
    uint32_t operator()(uint32_t rgb) const noexcept {
        const ModelTriple t = colour_detail::MeasureTriple<M>(rgb);
        return (HueByte(t.hue) << 16) | (FoldByte(t.saturation) << 8) | FoldByte(t.third);
    }
};

template <ColorSpaceModel M>
struct FromPlane {
    uint32_t operator()(uint32_t bytes) const noexcept {
        const ModelTriple t{static_cast<int32_t>((((bytes >> 16) & 0xFF) * 360u) >> 8),
                            UnfoldByte((bytes >> 8) & 0xFF), UnfoldByte(bytes & 0xFF)};
        return colour_detail::RebuildTriple<M>(t);
    }
};

inline uint32_t ClampByte(int32_t v) noexcept { return static_cast<uint32_t>(std::clamp(v, 0, 255)); }

// The constant adds, folded: a byte of 0..255 plus an add beyond -255..255
// clamps to the same end.
struct Adds {
    uint32_t hue;  // modulo 256
    int32_t saturation;
    int32_t third;

    Adds(int32_t hueAdd, int32_t saturationAdd, int32_t thirdAdd) noexcept
        : hue(static_cast<uint32_t>(hueAdd) & 0xFF),
          saturation(std::clamp(saturationAdd, -255, 255)),
          third(std::clamp(thirdAdd, -255, 255)) {}

    uint32_t operator()(uint32_t p) const noexcept {
        return (p & pixel::kAlphaBits) | (((((p >> 16) & 0xFF) + hue) & 0xFF) << 16) |
               (ClampByte(static_cast<int32_t>((p >> 8) & 0xFF) + saturation) << 8) |
               ClampByte(static_cast<int32_t>(p & 0xFF) + third);
    }
};

// Which byte values an inclusive signed window holds (64-bit bounds: the
// document's values are any 32-bit numbers).
inline std::array<bool, 256> WindowBytes(int64_t low, int64_t high, bool wrapOnce) {
    std::array<bool, 256> in{};
    for (int64_t b = 0; b < 256; ++b)
        in[static_cast<size_t>(b)] = (low <= b && b <= high) || (wrapOnce && low + 256 <= b && b <= high + 256);
    return in;
}

// Two-plane arithmetic: the source triple (and alpha) added to or taken from
// the destination's, per the flags.
template <bool kSubtract>
struct TwoPlanes {
    uint32_t flags;

    static uint32_t Byte(uint32_t p, int shift) noexcept { return (p >> shift) & 0xFF; }
    static uint32_t Clamped(uint32_t d, uint32_t s) noexcept {
        if constexpr (kSubtract) return d > s ? d - s : 0;
        else return std::min<uint32_t>(d + s, 255);
    }

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if ((s & pixel::kAlphaBits) == 0) return d;
        const uint32_t alpha = (flags & 8) ? Clamped(Byte(d, 24), Byte(s, 24)) : Byte(d, 24);
        const uint32_t hue =
            (flags & 4) ? ((kSubtract ? Byte(d, 16) - Byte(s, 16) : Byte(d, 16) + Byte(s, 16)) & 0xFF) : Byte(d, 16);
        const uint32_t saturation = (flags & 2) ? Clamped(Byte(d, 8), Byte(s, 8)) : Byte(d, 8);
        const uint32_t third = (flags & 1) ? Clamped(Byte(d, 0), Byte(s, 0)) : Byte(d, 0);
        return (alpha << 24) | (hue << 16) | (saturation << 8) | third;
    }
};

}  // namespace colour_planes

#define OC_PLANE_MODEL(Name, M)                                                                                     \
    void CSprite::RGB2ColorSpace##Name(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,        \
                                       int32_t w, int32_t h) {                                                      \
        colour_detail::ConvertFromSource<colour_detail::AlphaFrom::Destination>(*this, dx, dy, source, sx, sy, w, h, \
                                                                                colour_planes::ToPlane<M>{});        \
    }                                                                                                               \
    void CSprite::ColorSpace2RGB##Name(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,        \
                                       int32_t w, int32_t h) {                                                      \
        colour_detail::ConvertFromSource<colour_detail::AlphaFrom::Destination>(*this, dx, dy, source, sx, sy, w, h, \
                                                                                colour_planes::FromPlane<M>{});      \
    }

OC_PLANE_MODEL(HSV, kColorSpaceHSV)
OC_PLANE_MODEL(HSL, kColorSpaceHSL)
OC_PLANE_MODEL(HSLY, kColorSpaceHSLY)

#undef OC_PLANE_MODEL

void CSprite::AddForColorSpace(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueAdd, int32_t saturationAdd,
                               int32_t thirdAdd) {
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    const colour_planes::Adds adds(hueAdd, saturationAdd, thirdAdd);
    uint32_t* d = PixelAt(x, y);
    for (int32_t j = 0; j < h; ++j, d += GetStride())
        for (int32_t i = 0; i < w; ++i) d[i] = adds(d[i]);
}

void CSprite::AddForColorSpaceRange(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hueAdd,
                                    int32_t saturationAdd, int32_t thirdAdd, int32_t hueLow, int32_t hueHigh,
                                    int32_t saturationLow, int32_t saturationHigh, int32_t thirdLow,
                                    int32_t thirdHigh) {
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    const colour_planes::Adds adds(hueAdd, saturationAdd, thirdAdd);
    const std::array<bool, 256> hueIn = colour_planes::WindowBytes(hueLow, hueHigh, true);
    const std::array<bool, 256> saturationIn = colour_planes::WindowBytes(saturationLow, saturationHigh, false);
    const std::array<bool, 256> thirdIn = colour_planes::WindowBytes(thirdLow, thirdHigh, false);
    uint32_t* d = PixelAt(x, y);
    for (int32_t j = 0; j < h; ++j, d += GetStride()) {
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = d[i];
            if (hueIn[(p >> 16) & 0xFF] && saturationIn[(p >> 8) & 0xFF] && thirdIn[p & 0xFF]) d[i] = adds(p);
        }
    }
}

void CSprite::AddForColorSpace2(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                int32_t h, int32_t flags) {
    blend::DrawPlain(*this, dx, dy, source, sx, sy, w, h,
                     colour_planes::TwoPlanes<false>{static_cast<uint32_t>(flags)});
}

void CSprite::SubForColorSpace2(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                int32_t h, int32_t flags) {
    blend::DrawPlain(*this, dx, dy, source, sx, sy, w, h,
                     colour_planes::TwoPlanes<true>{static_cast<uint32_t>(flags)});
}
