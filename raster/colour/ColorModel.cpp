#include "raster/colour/ColorModel.h"

#include "raster/colour/ColorModelInline.h"

using colour_detail::ClampComponent;
using colour_detail::HueStep;
using colour_detail::ReduceHue;

#define OC_HUE_STEP4(n) HueStep(n), HueStep(n + 1), HueStep(n + 2), HueStep(n + 3)
#define OC_HUE_STEP16(n) OC_HUE_STEP4(n), OC_HUE_STEP4(n + 4), OC_HUE_STEP4(n + 8), OC_HUE_STEP4(n + 12)
#define OC_HUE_STEP64(n) OC_HUE_STEP16(n), OC_HUE_STEP16(n + 16), OC_HUE_STEP16(n + 32), OC_HUE_STEP16(n + 48)

// Built at compile time from the rounding rule.
const uint32_t HueStepTable[256] = {OC_HUE_STEP64(0u), OC_HUE_STEP64(64u), OC_HUE_STEP64(128u),
                                    OC_HUE_STEP64(192u)};

#undef OC_HUE_STEP64
#undef OC_HUE_STEP16
#undef OC_HUE_STEP4

uint32_t HSVToRGB(int32_t hue, int32_t saturation, int32_t value) {
    return colour_detail::HSVFromPure(colour_detail::PureColour(ReduceHue(hue)), ClampComponent(saturation),
                                      ClampComponent(value));
}

uint32_t HSLToRGB(int32_t hue, int32_t saturation, int32_t lightness) {
    return colour_detail::HSLFromPure(colour_detail::PureColour(ReduceHue(hue)), ClampComponent(saturation),
                                      ClampComponent(lightness));
}

uint32_t HSLYToRGB(int32_t hue, int32_t saturation, int32_t luma) {
    return colour_detail::HSLYFromPure(colour_detail::PureColour(ReduceHue(hue)), ClampComponent(saturation),
                                       ClampComponent(luma));
}

void RGBToHSV(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& value) {
    const colour_detail::ChannelOrder order = colour_detail::ClassifyChannels(pixel);
    colour_detail::HSVOf(order, saturation, value);
    hue = saturation > 0 ? colour_detail::HueOf(order) : 0;
}

void RGBToHSL(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& lightness) {
    const colour_detail::ChannelOrder order = colour_detail::ClassifyChannels(pixel);
    colour_detail::HSLOf(order, saturation, lightness);
    hue = saturation > 0 ? colour_detail::HueOf(order) : 0;
}

void RGBToHSLY(uint32_t pixel, int32_t& hue, int32_t& saturation, int32_t& luma) {
    const colour_detail::ChannelOrder order = colour_detail::ClassifyChannels(pixel);
    int32_t lightness = 0;
    colour_detail::HSLOf(order, saturation, lightness);
    hue = saturation > 0 ? colour_detail::HueOf(order) : 0;
    luma = LumaOf(pixel);
}

uint32_t DecodeColorCode(uint32_t code) {
    const uint32_t model = code >> 30;
    if (model == 0) return code;
    const ColorCodeComponents c = SplitColorCode(code);
    if (model == 1) return HSVToRGB(c.hue, c.saturation, c.third);
    if (model == 2) return HSLToRGB(c.hue, c.saturation, c.third);
    return HSLYToRGB(c.hue, c.saturation, c.third);
}
