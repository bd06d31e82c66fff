// Colour-model gradients: one routine per shape, instantiated over the model's
// conversion and over the channel set (whole pixel or colour only).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/colour/ColorModelInline.h"
#include "raster/surface/gradient/GradientRun.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// Hues are clamped to +-1023 on entry so that (start - end) x 2^20 fits 32 bits;
// every run value stays between its ends, so one table of pure colours indexed
// by hue + 1023 replaces the per-pixel reduction modulo 360.
constexpr int32_t kHueLimit = 1023;

constexpr std::array<uint32_t, 2 * kHueLimit + 1> MakeClampedHueTable() noexcept {
    std::array<uint32_t, 2 * kHueLimit + 1> t{};
    for (int32_t h = -kHueLimit; h <= kHueLimit; ++h)
        t[static_cast<std::size_t>(h + kHueLimit)] = colour_detail::PureHue(colour_detail::ReduceHue(h));
    return t;
}
constexpr std::array<uint32_t, 2 * kHueLimit + 1> kPureOfClampedHue = MakeClampedHueTable();

inline uint32_t PureOf(int32_t hue) noexcept { return kPureOfClampedHue[static_cast<std::size_t>(hue + kHueLimit)]; }

// A model's conversion from (clamped hue, saturation, third component) to RGB;
// the model's function is a template argument, so the call is direct.
template <uint32_t (*FromPure)(uint32_t, int32_t, int32_t) noexcept>
struct Conversion {
    static uint32_t Convert(int32_t hue, int32_t s, int32_t t) noexcept { return FromPure(PureOf(hue), s, t); }
};
using HSVConversion = Conversion<colour_detail::HSVFromPure>;
using HSLConversion = Conversion<colour_detail::HSLFromPure>;
using HSLYConversion = Conversion<colour_detail::HSLYFromPure>;

// The components of one end or corner after the entry clamps.
struct Components {
    int32_t hue;
    int32_t saturation;
    int32_t third;
    int32_t alpha;
};

Components Clamped(int32_t hue, int32_t saturation, int32_t third, int32_t alpha) noexcept {
    return {std::clamp(hue, -kHueLimit, kHueLimit), colour_detail::ClampComponent(saturation),
            colour_detail::ClampComponent(third), alpha & 0xFF};
}

// Whole pixel: the alpha run goes into the top byte; rows are copied whole.
struct WholePixel {
    static void Put(uint32_t* p, uint32_t rgb, int32_t alpha) noexcept {
        *p = (static_cast<uint32_t>(alpha) << 24) | rgb;
    }
    static void Fill(uint32_t* row, int32_t w, uint32_t rgb, int32_t alpha) noexcept {
        std::fill_n(row, w, (static_cast<uint32_t>(alpha) << 24) | rgb);
    }
    static void CopyRow(uint32_t* dst, const uint32_t* src, int32_t w) noexcept {
        std::memcpy(dst, src, static_cast<std::size_t>(w) * 4);
    }
};

// Colour only: every pixel keeps its alpha byte.
struct ColourOnly {
    static void Put(uint32_t* p, uint32_t rgb, int32_t) noexcept { *p = (*p & 0xFF000000u) | rgb; }
    static void Fill(uint32_t* row, int32_t w, uint32_t rgb, int32_t) noexcept {
        for (int32_t i = 0; i < w; ++i) row[i] = (row[i] & 0xFF000000u) | rgb;
    }
    static void CopyRow(uint32_t* dst, const uint32_t* src, int32_t w) noexcept {
        for (int32_t i = 0; i < w; ++i) dst[i] = (dst[i] & 0xFF000000u) | (src[i] & 0x00FFFFFFu);
    }
};

// Four component runs advanced together.
struct Runs {
    GradientRun hue, saturation, third, alpha;

    static Runs Make(const Components& a, const Components& b, int32_t n) noexcept {
        return {GradientRun::Make(a.hue, b.hue, n), GradientRun::Make(a.saturation, b.saturation, n),
                GradientRun::Make(a.third, b.third, n), GradientRun::Make(a.alpha, b.alpha, n)};
    }
    static Runs Between(const Runs& left, const Runs& right, int32_t n) noexcept {
        return {GradientRun::Between(left.hue.acc, right.hue.acc, n),
                GradientRun::Between(left.saturation.acc, right.saturation.acc, n),
                GradientRun::Between(left.third.acc, right.third.acc, n),
                GradientRun::Between(left.alpha.acc, right.alpha.acc, n)};
    }
    void Advance() noexcept {
        hue.Advance();
        saturation.Advance();
        third.Advance();
        alpha.Advance();
    }
};

template <class Conv, class Form>
inline void PutRunPixel(uint32_t* p, const Runs& r) noexcept {
    Form::Put(p, Conv::Convert(r.hue.Value(), r.saturation.Value(), r.third.Value()), r.alpha.Value());
}

// Neighbouring pixels of a smooth run often share all three components: one
// remembered conversion (hue + 1023 in bits 18-28, saturation and third in two
// 9-bit fields; the first key matches nothing) skips the repeats.
template <class Conv>
class CachedConversion {
public:
    uint32_t operator()(int32_t hue, int32_t s, int32_t t) noexcept {
        const uint32_t key = (static_cast<uint32_t>(hue + kHueLimit) << 18) | (static_cast<uint32_t>(s) << 9) |
                             static_cast<uint32_t>(t);
        if (key != m_key) {
            m_key = key;
            m_rgb = Conv::Convert(hue, s, t);
        }
        return m_rgb;
    }

private:
    uint32_t m_key = 0xFFFFFFFFu;
    uint32_t m_rgb = 0;
};

template <class Conv, class Form>
inline void PutRunPixelCached(uint32_t* p, const Runs& r, CachedConversion<Conv>& convert) noexcept {
    Form::Put(p, convert(r.hue.Value(), r.saturation.Value(), r.third.Value()), r.alpha.Value());
}

template <class Conv, class Form>
inline void PutEnd(uint32_t* p, const Components& c) noexcept {
    Form::Put(p, Conv::Convert(c.hue, c.saturation, c.third), c.alpha);
}

// One row of n + 1 pixels from a to b: n run pixels, then b exactly.
template <class Conv, class Form>
void DrawRow(uint32_t* row, int32_t n, const Components& a, const Components& b) noexcept {
    Runs run = Runs::Make(a, b, n);
    for (int32_t i = 0; i < n; ++i) {
        PutRunPixel<Conv, Form>(row + i, run);
        run.Advance();
    }
    PutEnd<Conv, Form>(row + n, b);
}

template <class Conv, class Form>
void DrawHorizontal(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const Components& a,
                    const Components& b) {
    if (sprite.ClipRect(x, y, w, h) == 0 || w < 2) return;
    uint32_t* first = sprite.PixelAt(x, y);
    DrawRow<Conv, Form>(first, w - 1, a, b);
    for (int32_t j = 1; j < h; ++j) Form::CopyRow(sprite.PixelAt(x, y + j), first, w);
}

template <class Conv, class Form>
void DrawVertical(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const Components& a,
                  const Components& b) {
    if (sprite.ClipRect(x, y, w, h) == 0 || h < 2) return;
    const int32_t m = h - 1;
    Runs run = Runs::Make(a, b, m);
    for (int32_t j = 0; j < m; ++j) {
        const uint32_t rgb = Conv::Convert(run.hue.Value(), run.saturation.Value(), run.third.Value());
        Form::Fill(sprite.PixelAt(x, y + j), w, rgb, run.alpha.Value());
        run.Advance();
    }
    Form::Fill(sprite.PixelAt(x, y + m), w, Conv::Convert(b.hue, b.saturation, b.third), b.alpha);
}

template <class Conv, class Form>
void DrawFourCorners(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const Components& topLeft,
                     const Components& topRight, const Components& bottomLeft, const Components& bottomRight) {
    if (sprite.ClipRect(x, y, w, h) == 0 || w < 2 || h < 2) return;
    const int32_t n = w - 1;
    const int32_t m = h - 1;
    Runs left = Runs::Make(topLeft, bottomLeft, m);
    Runs right = Runs::Make(topRight, bottomRight, m);
    for (int32_t j = 0; j < m; ++j) {
        uint32_t* row = sprite.PixelAt(x, y + j);
        Runs run = Runs::Between(left, right, n);
        CachedConversion<Conv> convert;
        for (int32_t i = 0; i < n; ++i) {
            PutRunPixelCached<Conv, Form>(row + i, run, convert);
            run.Advance();
        }
        PutRunPixel<Conv, Form>(row + n, right);
        left.Advance();
        right.Advance();
    }
    DrawRow<Conv, Form>(sprite.PixelAt(x, y + m), n, bottomLeft, bottomRight);
}

// Alphas of the colour-only forms: unused, any value.
constexpr int32_t kNoAlpha = 0;

}  // namespace

// ---- Horizontal ----

void CSprite::GradationHSVH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                            int32_t startValue, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                            int32_t endValue, int32_t endAlpha) {
    DrawHorizontal<HSVConversion, WholePixel>(*this, x, y, w, h,
                                              Clamped(startHue, startSaturation, startValue, startAlpha),
                                              Clamped(endHue, endSaturation, endValue, endAlpha));
}
void CSprite::GradationHSLH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                            int32_t startLightness, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                            int32_t endLightness, int32_t endAlpha) {
    DrawHorizontal<HSLConversion, WholePixel>(*this, x, y, w, h,
                                              Clamped(startHue, startSaturation, startLightness, startAlpha),
                                              Clamped(endHue, endSaturation, endLightness, endAlpha));
}
void CSprite::GradationHSLYH(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startLuma, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                             int32_t endLuma, int32_t endAlpha) {
    DrawHorizontal<HSLYConversion, WholePixel>(*this, x, y, w, h,
                                               Clamped(startHue, startSaturation, startLuma, startAlpha),
                                               Clamped(endHue, endSaturation, endLuma, endAlpha));
}
void CSprite::GradationHSVHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startValue, int32_t endHue, int32_t endSaturation, int32_t endValue) {
    DrawHorizontal<HSVConversion, ColourOnly>(*this, x, y, w, h,
                                              Clamped(startHue, startSaturation, startValue, kNoAlpha),
                                              Clamped(endHue, endSaturation, endValue, kNoAlpha));
}
void CSprite::GradationHSLHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startLightness, int32_t endHue, int32_t endSaturation, int32_t endLightness) {
    DrawHorizontal<HSLConversion, ColourOnly>(*this, x, y, w, h,
                                              Clamped(startHue, startSaturation, startLightness, kNoAlpha),
                                              Clamped(endHue, endSaturation, endLightness, kNoAlpha));
}
void CSprite::GradationHSLYHC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                              int32_t startLuma, int32_t endHue, int32_t endSaturation, int32_t endLuma) {
    DrawHorizontal<HSLYConversion, ColourOnly>(*this, x, y, w, h,
                                               Clamped(startHue, startSaturation, startLuma, kNoAlpha),
                                               Clamped(endHue, endSaturation, endLuma, kNoAlpha));
}

// ---- Vertical ----

void CSprite::GradationHSVV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                            int32_t startValue, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                            int32_t endValue, int32_t endAlpha) {
    DrawVertical<HSVConversion, WholePixel>(*this, x, y, w, h,
                                            Clamped(startHue, startSaturation, startValue, startAlpha),
                                            Clamped(endHue, endSaturation, endValue, endAlpha));
}
void CSprite::GradationHSLV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                            int32_t startLightness, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                            int32_t endLightness, int32_t endAlpha) {
    DrawVertical<HSLConversion, WholePixel>(*this, x, y, w, h,
                                            Clamped(startHue, startSaturation, startLightness, startAlpha),
                                            Clamped(endHue, endSaturation, endLightness, endAlpha));
}
void CSprite::GradationHSLYV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startLuma, int32_t startAlpha, int32_t endHue, int32_t endSaturation,
                             int32_t endLuma, int32_t endAlpha) {
    DrawVertical<HSLYConversion, WholePixel>(*this, x, y, w, h,
                                             Clamped(startHue, startSaturation, startLuma, startAlpha),
                                             Clamped(endHue, endSaturation, endLuma, endAlpha));
}
void CSprite::GradationHSVVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startValue, int32_t endHue, int32_t endSaturation, int32_t endValue) {
    DrawVertical<HSVConversion, ColourOnly>(*this, x, y, w, h,
                                            Clamped(startHue, startSaturation, startValue, kNoAlpha),
                                            Clamped(endHue, endSaturation, endValue, kNoAlpha));
}
void CSprite::GradationHSLVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                             int32_t startLightness, int32_t endHue, int32_t endSaturation, int32_t endLightness) {
    DrawVertical<HSLConversion, ColourOnly>(*this, x, y, w, h,
                                            Clamped(startHue, startSaturation, startLightness, kNoAlpha),
                                            Clamped(endHue, endSaturation, endLightness, kNoAlpha));
}
void CSprite::GradationHSLYVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startHue, int32_t startSaturation,
                              int32_t startLuma, int32_t endHue, int32_t endSaturation, int32_t endLuma) {
    DrawVertical<HSLYConversion, ColourOnly>(*this, x, y, w, h,
                                             Clamped(startHue, startSaturation, startLuma, kNoAlpha),
                                             Clamped(endHue, endSaturation, endLuma, kNoAlpha));
}

// ---- Four corners ----

void CSprite::GradationHSVHV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                             int32_t value0, int32_t alpha0, int32_t hue1, int32_t saturation1, int32_t value1,
                             int32_t alpha1, int32_t hue2, int32_t saturation2, int32_t value2, int32_t alpha2,
                             int32_t hue3, int32_t saturation3, int32_t value3, int32_t alpha3) {
    DrawFourCorners<HSVConversion, WholePixel>(
        *this, x, y, w, h, Clamped(hue0, saturation0, value0, alpha0), Clamped(hue1, saturation1, value1, alpha1),
        Clamped(hue2, saturation2, value2, alpha2), Clamped(hue3, saturation3, value3, alpha3));
}
void CSprite::GradationHSLHV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                             int32_t lightness0, int32_t alpha0, int32_t hue1, int32_t saturation1,
                             int32_t lightness1, int32_t alpha1, int32_t hue2, int32_t saturation2,
                             int32_t lightness2, int32_t alpha2, int32_t hue3, int32_t saturation3,
                             int32_t lightness3, int32_t alpha3) {
    DrawFourCorners<HSLConversion, WholePixel>(*this, x, y, w, h, Clamped(hue0, saturation0, lightness0, alpha0),
                                               Clamped(hue1, saturation1, lightness1, alpha1),
                                               Clamped(hue2, saturation2, lightness2, alpha2),
                                               Clamped(hue3, saturation3, lightness3, alpha3));
}
void CSprite::GradationHSLYHV(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                              int32_t luma0, int32_t alpha0, int32_t hue1, int32_t saturation1, int32_t luma1,
                              int32_t alpha1, int32_t hue2, int32_t saturation2, int32_t luma2, int32_t alpha2,
                              int32_t hue3, int32_t saturation3, int32_t luma3, int32_t alpha3) {
    DrawFourCorners<HSLYConversion, WholePixel>(
        *this, x, y, w, h, Clamped(hue0, saturation0, luma0, alpha0), Clamped(hue1, saturation1, luma1, alpha1),
        Clamped(hue2, saturation2, luma2, alpha2), Clamped(hue3, saturation3, luma3, alpha3));
}
void CSprite::GradationHSVHVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                              int32_t value0, int32_t hue1, int32_t saturation1, int32_t value1, int32_t hue2,
                              int32_t saturation2, int32_t value2, int32_t hue3, int32_t saturation3,
                              int32_t value3) {
    DrawFourCorners<HSVConversion, ColourOnly>(*this, x, y, w, h, Clamped(hue0, saturation0, value0, kNoAlpha),
                                               Clamped(hue1, saturation1, value1, kNoAlpha),
                                               Clamped(hue2, saturation2, value2, kNoAlpha),
                                               Clamped(hue3, saturation3, value3, kNoAlpha));
}
void CSprite::GradationHSLHVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                              int32_t lightness0, int32_t hue1, int32_t saturation1, int32_t lightness1,
                              int32_t hue2, int32_t saturation2, int32_t lightness2, int32_t hue3,
                              int32_t saturation3, int32_t lightness3) {
    DrawFourCorners<HSLConversion, ColourOnly>(*this, x, y, w, h, Clamped(hue0, saturation0, lightness0, kNoAlpha),
                                               Clamped(hue1, saturation1, lightness1, kNoAlpha),
                                               Clamped(hue2, saturation2, lightness2, kNoAlpha),
                                               Clamped(hue3, saturation3, lightness3, kNoAlpha));
}
void CSprite::GradationHSLYHVC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t hue0, int32_t saturation0,
                               int32_t luma0, int32_t hue1, int32_t saturation1, int32_t luma1, int32_t hue2,
                               int32_t saturation2, int32_t luma2, int32_t hue3, int32_t saturation3,
                               int32_t luma3) {
    DrawFourCorners<HSLYConversion, ColourOnly>(*this, x, y, w, h, Clamped(hue0, saturation0, luma0, kNoAlpha),
                                                Clamped(hue1, saturation1, luma1, kNoAlpha),
                                                Clamped(hue2, saturation2, luma2, kNoAlpha),
                                                Clamped(hue3, saturation3, luma3, kNoAlpha));
}
