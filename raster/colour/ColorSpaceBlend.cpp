// Alpha blending inside a colour model.
//
// A source pixel is laid over a destination pixel by mixing their model
// components instead of their RGB channels: both pixels are converted to HSV,
// HSL or HSLY, saturation and third component move from the destination's
// value toward the source's by the weight w / 256 (quotients truncated toward
// zero, so every step falls toward the destination), the hue moves along the
// shorter arc of the colour circle (an exact half turn keeps its sign, so
// opposite hues never pass through 0), and the mixed triple goes back to RGB.
// The conversions are the inline pieces the single-colour functions are built
// from, so the results are theirs bit for bit; mixed components never leave
// their ranges, so the back conversion needs neither clamping nor hue reduction.
//
// One rule covers all 24 members: the model, whether a window on the
// destination's components selects the pixels, whether the alpha is composited
// (w + ((dA x (256 - w)) >> 8): the weight, not sA, enters it) or kept, and
// whether an opacity scales the weight. No weight skips a pixel: a transparent
// source still sends the destination through the model and back. Full members
// copy an opaque source (w = 256) without converting it; the loop and the
// clipping are the compositing kernels' plain geometry.
#include "raster/blend/KernelFrame.h"
#include "raster/colour/ColorModelInline.h"

// A named namespace: unity batches put this file beside others that have
// their own small Triple or Window types.
namespace model_blend {

using blend::ApplyForm;
using blend::Form;

struct Triple {
    int32_t hue;
    int32_t saturation;
    int32_t third;
};

// The models: From reads the RGB bits of a pixel, To takes a triple that is
// already in range (hue 0..359, the others 0..256) to 0x00RRGGBB.
struct HSV {
    static Triple From(uint32_t p) noexcept {
        const colour_detail::ChannelOrder o = colour_detail::ClassifyChannels(p);
        Triple t{};
        colour_detail::HSVOf(o, t.saturation, t.third);
        t.hue = t.saturation > 0 ? colour_detail::HueOf(o) : 0;
        return t;
    }
    static uint32_t To(const Triple& t) noexcept {
        return colour_detail::HSVFromPure(colour_detail::PureColour(t.hue), t.saturation, t.third);
    }
};

struct HSL {
    static Triple From(uint32_t p) noexcept {
        const colour_detail::ChannelOrder o = colour_detail::ClassifyChannels(p);
        Triple t{};
        colour_detail::HSLOf(o, t.saturation, t.third);
        t.hue = t.saturation > 0 ? colour_detail::HueOf(o) : 0;
        return t;
    }
    static uint32_t To(const Triple& t) noexcept {
        return colour_detail::HSLFromPure(colour_detail::PureColour(t.hue), t.saturation, t.third);
    }
};

// HSL's hue and saturation with the luma (0..255) as third component.
struct HSLY {
    static Triple From(uint32_t p) noexcept {
        const colour_detail::ChannelOrder o = colour_detail::ClassifyChannels(p);
        Triple t{};
        int32_t lightness = 0;
        colour_detail::HSLOf(o, t.saturation, lightness);
        t.hue = t.saturation > 0 ? colour_detail::HueOf(o) : 0;
        t.third = LumaOf(p);
        return t;
    }
    static uint32_t To(const Triple& t) noexcept {
        return colour_detail::HSLYFromPure(colour_detail::PureColour(t.hue), t.saturation, t.third);
    }
};

// Inclusive signed windows on the destination's components. A hue window with
// a negative low bound wraps (-30..30 holds 330..359 and 0..30); a non-negative
// one does not (330..390 holds 330..359 only).
struct Window {
    int32_t hueLow, hueHigh, saturationLow, saturationHigh, thirdLow, thirdHigh;

    bool Holds(const Triple& t) const noexcept {
        const bool hue = hueLow >= 0 ? hueLow <= t.hue && t.hue <= hueHigh
                                     : t.hue <= hueHigh || t.hue >= hueLow + 360;
        return hue && saturationLow <= t.saturation && t.saturation <= saturationHigh && thirdLow <= t.third &&
               t.third <= thirdHigh;
    }
};

// d + (s - d) x w / 256, truncated toward zero (toward d).
inline int32_t MixComponent(int32_t d, int32_t s, int32_t w) noexcept { return d + (s - d) * w / 256; }

inline int32_t MixHue(int32_t d, int32_t s, int32_t w) noexcept {
    int32_t delta = s - d;
    if (delta > 180) delta -= 360;
    if (delta < -180) delta += 360;
    int32_t hue = d + delta * w / 256;
    if (hue < 0) hue += 360;
    if (hue >= 360) hue -= 360;
    return hue;
}

// The pixel operation of every member. kOpacity: the weight is scaled by an
// opacity of 1..254 (and so never reaches 256).
template <class Model, bool kRange, Form F, bool kOpacity>
struct ModelBlend {
    static_assert(F == Form::Full || F == Form::C);
    Window window{};
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        Triple dt{};
        if constexpr (kRange) {
            dt = Model::From(d);
            if (!window.Holds(dt)) return d;
        }
        const uint32_t sourceWeight = pixel::Weight8(s >> 24);
        const uint32_t weight = kOpacity ? (opacity * sourceWeight) >> 8 : sourceWeight;
        if (!kOpacity && weight == 256) return ApplyForm<F>(d, s);
        if constexpr (!kRange) dt = Model::From(d);
        const Triple st = Model::From(s);
        const int32_t wi = static_cast<int32_t>(weight);
        const Triple mixed{MixHue(dt.hue, st.hue, wi), MixComponent(dt.saturation, st.saturation, wi),
                           MixComponent(dt.third, st.third, wi)};
        const uint32_t dA = d >> 24;
        const uint32_t alpha = F == Form::Full ? weight + ((dA * (256 - weight)) >> 8) : dA;
        return (alpha << 24) | Model::To(mixed);
    }
};

}  // namespace model_blend

using model_blend::Form;
using model_blend::HSL;
using model_blend::HSLY;
using model_blend::HSV;
using model_blend::ModelBlend;

#define OC_CSBLEND_PARAMS \
    int32_t dx, int32_t dy, const CSprite &src, int32_t sx, int32_t sy, int32_t w, int32_t h
#define OC_CSBLEND_ARGS dx, dy, src, sx, sy, w, h
#define OC_CSBLEND_WINDOW_PARAMS                                                                              \
    int32_t hueLow, int32_t hueHigh, int32_t saturationLow, int32_t saturationHigh, int32_t thirdLow, \
        int32_t thirdHigh
#define OC_CSBLEND_WINDOW_ARGS hueLow, hueHigh, saturationLow, saturationHigh, thirdLow, thirdHigh

// A plain pair: the Full member and the opacity member that runs it at 255.
#define OC_CSBLEND_DEFINE_Plain(name, model, form)                                                        \
    void CSprite::name##Full(OC_CSBLEND_PARAMS) {                                                         \
        blend::DrawPlain(*this, OC_CSBLEND_ARGS, ModelBlend<model, false, Form::form, false>{});          \
    }                                                                                                     \
    void CSprite::name(OC_CSBLEND_PARAMS, uint8_t opacity) {                                              \
        if (opacity == 255) return name##Full(OC_CSBLEND_ARGS);                                           \
        if (opacity == 0) return;                                                                         \
        blend::DrawPlain(*this, OC_CSBLEND_ARGS, ModelBlend<model, false, Form::form, true>{{}, opacity}); \
    }

// A Range pair: the same with the destination window.
#define OC_CSBLEND_DEFINE_Range(name, model, form)                                                                 \
    void CSprite::name##Full(OC_CSBLEND_PARAMS, OC_CSBLEND_WINDOW_PARAMS) {                                        \
        blend::DrawPlain(*this, OC_CSBLEND_ARGS,                                                                   \
                         ModelBlend<model, true, Form::form, false>{{OC_CSBLEND_WINDOW_ARGS}});                    \
    }                                                                                                              \
    void CSprite::name(OC_CSBLEND_PARAMS, OC_CSBLEND_WINDOW_PARAMS, uint8_t opacity) {                             \
        if (opacity == 255) return name##Full(OC_CSBLEND_ARGS, OC_CSBLEND_WINDOW_ARGS);                            \
        if (opacity == 0) return;                                                                                  \
        blend::DrawPlain(*this, OC_CSBLEND_ARGS,                                                                   \
                         ModelBlend<model, true, Form::form, true>{{OC_CSBLEND_WINDOW_ARGS}, opacity});            \
    }

#define OC_CSBLEND_DEFINE(name, model, shape, form) OC_CSBLEND_DEFINE_##shape(name, model, form)

// (opacity member, model, window, form); the Full member is the name + Full.
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendHSV, HSV, Plain, Full)
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendHSL, HSL, Plain, Full)
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendHSLY, HSLY, Plain, Full)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendHSV, HSV, Range, Full)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendHSL, HSL, Range, Full)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendHSLY, HSLY, Range, Full)
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendCHSV, HSV, Plain, C)
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendCHSL, HSL, Plain, C)
OC_CSBLEND_DEFINE(ColorSpaceAlphaBlendCHSLY, HSLY, Plain, C)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendCHSV, HSV, Range, C)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendCHSL, HSL, Range, C)
OC_CSBLEND_DEFINE(ColorSpaceRangeAlphaBlendCHSLY, HSLY, Range, C)

#undef OC_CSBLEND_DEFINE
#undef OC_CSBLEND_DEFINE_Range
#undef OC_CSBLEND_DEFINE_Plain
#undef OC_CSBLEND_WINDOW_ARGS
#undef OC_CSBLEND_WINDOW_PARAMS
#undef OC_CSBLEND_ARGS
#undef OC_CSBLEND_PARAMS
