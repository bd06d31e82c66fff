// Hue, Saturation, HueSaturation and Luminosity draws: the destination pixel
// and the source pixel are both converted to a colour model, the destination
// takes some of the source's components and is rebuilt in RGB. There is no
// mixing: the source alpha only selects the pixels that take part, and the
// destination keeps its alpha (the C form of the compositing frame).
//
// One pixel rule is written as a template over the model and the exchanged
// components; the twelve members are one-line rows of the compositing frame's
// plain geometry, so each is a straight loop with the conversions inlined and
// no per-pixel choice of model or kind. The conversions are the shared inline
// pieces of the single-colour functions, so every pixel is bit-identical to
// converting it with RGBToHSV / HSVToRGB and their siblings.
#include "raster/colour/ComponentExchange.h"

#include "raster/colour/ColorModelInline.h"

namespace component_exchange {

// Which components come from the source; the rest stay the destination's.
enum class Takes : uint8_t { Hue, Saturation, HueSaturation, Third };

struct Components {
    int32_t hue;
    int32_t saturation;
    int32_t third;  // HSV value, HSL lightness or HSLY luma
};

// A pixel's RGB in the model. Hue 0 for every colour whose saturation is 0.
template <ColorSpaceModel M>
inline Components Measure(uint32_t p) noexcept {
    const colour_detail::ChannelOrder order = colour_detail::ClassifyChannels(p);
    Components c{};
    if constexpr (M == kColorSpaceHSV) {
        colour_detail::HSVOf(order, c.saturation, c.third);
    } else {
        colour_detail::HSLOf(order, c.saturation, c.third);
        if constexpr (M == kColorSpaceHSLY) c.third = LumaOf(p);
    }
    c.hue = c.saturation > 0 ? colour_detail::HueOf(order) : 0;
    return c;
}

// Measured components are already in range (hue 0..359, the others 0..256; a
// measured luma 0..255 is a valid target), so the rebuild needs no reduction
// or clamping.
template <ColorSpaceModel M>
inline uint32_t Rebuild(const Components& c) noexcept {
    const uint32_t pure = colour_detail::PureColour(c.hue);
    if constexpr (M == kColorSpaceHSV) {
        return colour_detail::HSVFromPure(pure, c.saturation, c.third);
    } else if constexpr (M == kColorSpaceHSL) {
        return colour_detail::HSLFromPure(pure, c.saturation, c.third);
    } else {
        return colour_detail::HSLYFromPure(pure, c.saturation, c.third);
    }
}

template <ColorSpaceModel M, Takes T>
struct Exchange {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if ((s & pixel::kAlphaBits) == 0) return d;
        const Components from = Measure<M>(s);
        // A source without saturation has no hue to give.
        if constexpr (T == Takes::Hue) {
            if (from.saturation == 0) return d;
        }
        Components to = Measure<M>(d);
        if constexpr (T == Takes::Hue || T == Takes::HueSaturation) to.hue = from.hue;
        if constexpr (T == Takes::Saturation || T == Takes::HueSaturation) to.saturation = from.saturation;
        if constexpr (T == Takes::Third) to.third = from.third;
        return (d & pixel::kAlphaBits) | Rebuild<M>(to);
    }
};

}  // namespace component_exchange

#define OC_COMPONENT_EXCHANGE(M, T) (::component_exchange::Exchange<M, ::component_exchange::Takes::T>{})

// clang-format off
#define OC_COMPONENT_EXCHANGE_KERNELS(X)                                                                      \
    X(Table, Plain, CompositeHueHSV,            C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSV, Hue))           \
    X(Table, Plain, CompositeHueHSL,            C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSL, Hue))           \
    X(Table, Plain, CompositeHueHSLY,           C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSLY, Hue))          \
    X(Table, Plain, CompositeSaturationHSV,     C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSV, Saturation))    \
    X(Table, Plain, CompositeSaturationHSL,     C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSL, Saturation))    \
    X(Table, Plain, CompositeSaturationHSLY,    C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSLY, Saturation))   \
    X(Table, Plain, CompositeHueSaturationHSV,  C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSV, HueSaturation)) \
    X(Table, Plain, CompositeHueSaturationHSL,  C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSL, HueSaturation)) \
    X(Table, Plain, CompositeHueSaturationHSLY, C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSLY, HueSaturation))\
    X(Table, Plain, CompositeLuminosityHSV,     C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSV, Third))         \
    X(Table, Plain, CompositeLuminosityHSL,     C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSL, Third))         \
    X(Table, Plain, CompositeLuminosityHSLY,    C, _, _, OC_COMPONENT_EXCHANGE(kColorSpaceHSLY, Third))
// clang-format on

OC_KERNEL_FAMILY(OC_COMPONENT_EXCHANGE_KERNELS, ComponentExchangeKernels)
