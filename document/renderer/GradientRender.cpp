// The gradients: the factor's rectangle filled between two or four colours, in
// a colour model, from weighted colour points, or between its own edge pixels.
//
// The rectangle is the prepared x0, y0 (position) and x1, y1 (width, height),
// already scaled by the frame; every kernel clips it to the canvas. A branch
// calls its kernel only while the raster library is ready and answers true: a
// clipped-away rectangle or one too narrow for a ramp leave the canvas as it
// was. The one failure is a colour-model number the kernels do not know (a
// fault of the document, reported like the other colour-model kinds rather
// than drawing nothing in silence).
#include <algorithm>
#include <cstdint>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXPalette.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/RenderTable.h"
#include "raster/colour/ColorModel.h"
#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

struct GradientRect {
    int32_t x, y, w, h;
};

GradientRect GradientRectOf(const FactorFrame& frame) noexcept {
    return {frame.X[0], frame.Y[0], frame.X[1], frame.Y[1]};
}

// ---- two colours, four corners ----

using GradientTwoKernel = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t);
using GradientFourKernel = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, uint32_t,
                                             uint32_t);

// All 32 bits of each colour go to the kernel: the ARGB forms ramp the alpha
// from the colours' top bytes as well.
template <GradientTwoKernel kKernel>
bool GradientTwoColours(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    (frame.Canvas().*kKernel)(r.x, r.y, r.w, r.h, frame.C[0], frame.C[1]);
    return true;
}

template <GradientFourKernel kKernel>
bool GradientFourColours(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    (frame.Canvas().*kKernel)(r.x, r.y, r.w, r.h, frame.C[0], frame.C[1], frame.C[2], frame.C[3]);
    return true;
}

// The two alphas are the opacity byte and the byte after it; the kernels are
// the ...IfReady forms, which test the library themselves.
template <GradientTwoKernel kKernel>
bool GradientTwoAlphas(FactorFrame& frame) {
    const GradientRect r = GradientRectOf(frame);
    (frame.Canvas().*kKernel)(r.x, r.y, r.w, r.h, frame.Opacity, frame.Factor.ByteParam1);
    return true;
}

bool GradientFourAlphas(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const QDXFactor& f = frame.Factor;
    frame.Canvas().GradationHVA(r.x, r.y, r.w, r.h, frame.Opacity, f.ByteParam1, f.ByteParam2, f.ByteParam3);
    return true;
}

// ---- colour models ----
// The option value picks the member: 0 HSV, 1 HSL, 2 HSLY; any other draws
// nothing. Colours are colour codes, split into the model's three components
// (the model bits of the codes are not read: the option value is the model).

using GradientSpaceTwo = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                           int32_t, int32_t, int32_t, int32_t);
using GradientSpaceTwoC = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t);
using GradientSpaceFour = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t, int32_t, int32_t);
using GradientSpaceFourC = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                             int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
using GradientInterpolation = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t);

template <class Kernel>
using GradientModels = Kernel[3];

constexpr GradientModels<GradientSpaceTwo> kGradientSpaceH = {&CSprite::GradationHSVH, &CSprite::GradationHSLH,
                                                              &CSprite::GradationHSLYH};
constexpr GradientModels<GradientSpaceTwo> kGradientSpaceV = {&CSprite::GradationHSVV, &CSprite::GradationHSLV,
                                                              &CSprite::GradationHSLYV};
constexpr GradientModels<GradientSpaceFour> kGradientSpaceHV = {&CSprite::GradationHSVHV, &CSprite::GradationHSLHV,
                                                                &CSprite::GradationHSLYHV};
constexpr GradientModels<GradientSpaceTwoC> kGradientSpaceHC = {&CSprite::GradationHSVHC, &CSprite::GradationHSLHC,
                                                                &CSprite::GradationHSLYHC};
constexpr GradientModels<GradientSpaceTwoC> kGradientSpaceVC = {&CSprite::GradationHSVVC, &CSprite::GradationHSLVC,
                                                                &CSprite::GradationHSLYVC};
constexpr GradientModels<GradientSpaceFourC> kGradientSpaceHVC = {
    &CSprite::GradationHSVHVC, &CSprite::GradationHSLHVC, &CSprite::GradationHSLYHVC};
constexpr GradientModels<GradientInterpolation> kGradientInterpolationH = {
    &CSprite::InterpolationGradationHSVH, &CSprite::InterpolationGradationHSLH,
    &CSprite::InterpolationGradationHSLYH};
constexpr GradientModels<GradientInterpolation> kGradientInterpolationV = {
    &CSprite::InterpolationGradationHSVV, &CSprite::InterpolationGradationHSLV,
    &CSprite::InterpolationGradationHSLYV};
constexpr GradientModels<GradientInterpolation> kGradientInterpolationHC = {
    &CSprite::InterpolationGradationHSVHC, &CSprite::InterpolationGradationHSLHC,
    &CSprite::InterpolationGradationHSLYHC};
constexpr GradientModels<GradientInterpolation> kGradientInterpolationVC = {
    &CSprite::InterpolationGradationHSVVC, &CSprite::InterpolationGradationHSLVC,
    &CSprite::InterpolationGradationHSLYVC};

// The member of the factor's model; for a model the kernels lack, null after
// the message.
template <class Kernel>
Kernel GradientModelKernel(const GradientModels<Kernel>& kernels, FactorFrame& frame) {
    const uint32_t model = frame.Factor.Options;
    if (model < 3) return kernels[model];
    AppendNamedText(frame.ErrorText(), frame.Name(), source_draw::kInvalidColourModel);
    return nullptr;
}

template <const GradientModels<GradientSpaceTwo>& kKernels>
bool GradientSpaceTwoColours(FactorFrame& frame) {
    const GradientSpaceTwo kernel = GradientModelKernel(kKernels, frame);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const ColorCodeComponents a = SplitColorCode(frame.C[0]);
    const ColorCodeComponents b = SplitColorCode(frame.C[1]);
    (frame.Canvas().*kernel)(r.x, r.y, r.w, r.h, a.hue, a.saturation, a.third, frame.Opacity, b.hue, b.saturation,
                             b.third, frame.Factor.ByteParam1);
    return true;
}

template <const GradientModels<GradientSpaceTwoC>& kKernels>
bool GradientSpaceTwoColoursC(FactorFrame& frame) {
    const GradientSpaceTwoC kernel = GradientModelKernel(kKernels, frame);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const ColorCodeComponents a = SplitColorCode(frame.C[0]);
    const ColorCodeComponents b = SplitColorCode(frame.C[1]);
    (frame.Canvas().*kernel)(r.x, r.y, r.w, r.h, a.hue, a.saturation, a.third, b.hue, b.saturation, b.third);
    return true;
}

bool GradientSpaceFourCorners(FactorFrame& frame) {
    const GradientSpaceFour kernel = GradientModelKernel(kGradientSpaceHV, frame);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const QDXFactor& f = frame.Factor;
    const ColorCodeComponents c0 = SplitColorCode(frame.C[0]);
    const ColorCodeComponents c1 = SplitColorCode(frame.C[1]);
    const ColorCodeComponents c2 = SplitColorCode(frame.C[2]);
    const ColorCodeComponents c3 = SplitColorCode(frame.C[3]);
    (frame.Canvas().*kernel)(r.x, r.y, r.w, r.h, c0.hue, c0.saturation, c0.third, frame.Opacity, c1.hue,
                             c1.saturation, c1.third, f.ByteParam1, c2.hue, c2.saturation, c2.third, f.ByteParam2,
                             c3.hue, c3.saturation, c3.third, f.ByteParam3);
    return true;
}

bool GradientSpaceFourCornersC(FactorFrame& frame) {
    const GradientSpaceFourC kernel = GradientModelKernel(kGradientSpaceHVC, frame);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const ColorCodeComponents c0 = SplitColorCode(frame.C[0]);
    const ColorCodeComponents c1 = SplitColorCode(frame.C[1]);
    const ColorCodeComponents c2 = SplitColorCode(frame.C[2]);
    const ColorCodeComponents c3 = SplitColorCode(frame.C[3]);
    (frame.Canvas().*kernel)(r.x, r.y, r.w, r.h, c0.hue, c0.saturation, c0.third, c1.hue, c1.saturation, c1.third,
                             c2.hue, c2.saturation, c2.third, c3.hue, c3.saturation, c3.third);
    return true;
}

// The hue turn is the first colour-space word; the kernels clip, loop over the
// lines and test the library per line themselves.
template <const GradientModels<GradientInterpolation>& kKernels>
bool GradientSpaceInterpolation(FactorFrame& frame) {
    const GradientInterpolation kernel = GradientModelKernel(kKernels, frame);
    if (kernel == nullptr) return false;
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    (frame.Canvas().*kernel)(r.x, r.y, r.w, r.h, frame.Factor.SpaceParam1);
    return true;
}

// ---- colour points ----

// The points the record really holds: a count beyond its point block (a record
// built by hand, not read from text) is cut to the block.
uint32_t GradientPointCount(const QDXFactor& factor) noexcept {
    return std::min<uint32_t>(factor.GradationCount, factor.GradationPoints.GetCount());
}

// A point with a palette word takes its red, green and blue from the palette on
// every draw (into the record, so they persist); its alpha stays as written.
void GradientRefreshPointColours(FactorFrame& frame) {
    QDXFactor& factor = frame.Factor;
    const CQDXCtrl* document = frame.Call.Document;
    const QDXPalette* palette = document != nullptr ? document->PaletteTables : nullptr;
    if (palette == nullptr) return;
    const uint32_t count = std::min(GradientPointCount(factor), factor.GradationColors.GetCount());
    MixGradationPoint* points = factor.GradationPoints.GetBuffer();
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t reference = *factor.GradationColors.GetAt(i);
        if (reference == 0) continue;
        const uint32_t rgb = palette->ResolveColor(reference);
        points[i].red = static_cast<double>((rgb >> 16) & 0xFF);
        points[i].green = static_cast<double>((rgb >> 8) & 0xFF);
        points[i].blue = static_cast<double>(rgb & 0xFF);
    }
}

using GradientMixKernel = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const MixGradationPoint*, uint32_t,
                                            uint32_t);

// The ARGB and colour-only forms: palette colours first, the base is the
// first colour.
template <GradientMixKernel kKernel>
bool GradientMixColours(FactorFrame& frame) {
    GradientRefreshPointColours(frame);
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const QDXFactor& f = frame.Factor;
    (frame.Canvas().*kKernel)(r.x, r.y, r.w, r.h, f.GradationPoints.GetBuffer(), GradientPointCount(f), frame.C[0]);
    return true;
}

// The alpha form: no palette, the base is the opacity byte.
bool GradientMixAlpha(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const GradientRect r = GradientRectOf(frame);
    const QDXFactor& f = frame.Factor;
    frame.Canvas().MixGradationA(r.x, r.y, r.w, r.h, f.GradationPoints.GetBuffer(), GradientPointCount(f),
                                 frame.Opacity);
    return true;
}

// ---- between the rectangle's own edge pixels ----

enum class GradientEnds { kWhole, kAlpha };

// Each row (kHorizontal) or column of the clipped rectangle redrawn as a ramp
// between its own end pixels, read just before the line is drawn, top row
// (left column) first.
template <bool kHorizontal, GradientTwoKernel kKernel, GradientEnds kEnds>
bool GradientInterpolate(FactorFrame& frame) {
    CSprite& canvas = frame.Canvas();
    GradientRect r = GradientRectOf(frame);
    if (canvas.ClipRect(r.x, r.y, r.w, r.h) == 0) return true;
    if (kHorizontal ? r.w < 2 : r.h < 2) return true;
    const int32_t lines = kHorizontal ? r.h : r.w;
    for (int32_t k = 0; k < lines; ++k) {
        if (!IsRasterReady()) return true;
        const int32_t x = kHorizontal ? r.x : r.x + k;
        const int32_t y = kHorizontal ? r.y + k : r.y;
        uint32_t nearEnd = *canvas.PixelAt(x, y);
        uint32_t farEnd = kHorizontal ? *canvas.PixelAt(r.x + r.w - 1, y) : *canvas.PixelAt(x, r.y + r.h - 1);
        if constexpr (kEnds == GradientEnds::kAlpha) {
            nearEnd >>= 24;
            farEnd >>= 24;
        }
        if constexpr (kHorizontal) {
            (canvas.*kKernel)(x, y, r.w, 1, nearEnd, farEnd);
        } else {
            (canvas.*kKernel)(x, y, 1, r.h, nearEnd, farEnd);
        }
    }
    return true;
}

constexpr RenderRow kGradientRows[] = {
    {501, GradientTwoColours<&CSprite::GradationH>},  // GradationH(
    {502, GradientTwoColours<&CSprite::GradationV>},  // GradationV(
    {503, GradientFourColours<&CSprite::GradationHV>},  // GradationHV(
    {504, GradientMixColours<&CSprite::MixGradation>},  // MixGradation(
    {505, GradientSpaceTwoColours<kGradientSpaceH>},  // GradationColorSpaceH(
    {506, GradientSpaceTwoColours<kGradientSpaceV>},  // GradationColorSpaceV(
    {507, GradientSpaceFourCorners},  // GradationColorSpaceHV(
    {508, GradientInterpolate<true, &CSprite::GradationH, GradientEnds::kWhole>},  // InterpolationGradationH(
    {509, GradientInterpolate<false, &CSprite::GradationV, GradientEnds::kWhole>},  // InterpolationGradationV(
    {510, GradientSpaceInterpolation<kGradientInterpolationH>},  // InterpolationGradationColorSpaceH(
    {511, GradientSpaceInterpolation<kGradientInterpolationV>},  // InterpolationGradationColorSpaceV(
    {601, GradientTwoAlphas<&CSprite::GradationHAIfReady>},  // GradationHA(
    {602, GradientTwoAlphas<&CSprite::GradationVAIfReady>},  // GradationVA(
    {603, GradientFourAlphas},  // GradationHVA(
    {604, GradientMixAlpha},  // MixGradationA(
    {605, GradientInterpolate<true, &CSprite::GradationHA, GradientEnds::kAlpha>},  // InterpolationGradationHA(
    {606, GradientInterpolate<false, &CSprite::GradationVA, GradientEnds::kAlpha>},  // InterpolationGradationVA(
    {701, GradientTwoColours<&CSprite::GradationHC>},  // GradationHC(
    {702, GradientTwoColours<&CSprite::GradationVC>},  // GradationVC(
    {703, GradientFourColours<&CSprite::GradationHVC>},  // GradationHVC(
    {704, GradientMixColours<&CSprite::MixGradationC>},  // MixGradationC(
    {705, GradientSpaceTwoColoursC<kGradientSpaceHC>},  // GradationColorSpaceHC(
    {706, GradientSpaceTwoColoursC<kGradientSpaceVC>},  // GradationColorSpaceVC(
    {707, GradientSpaceFourCornersC},  // GradationColorSpaceHVC(
    {708, GradientInterpolate<true, &CSprite::GradationHC, GradientEnds::kWhole>},  // InterpolationGradationHC(
    {709, GradientInterpolate<false, &CSprite::GradationVC, GradientEnds::kWhole>},  // InterpolationGradationVC(
    {710, GradientSpaceInterpolation<kGradientInterpolationHC>},  // InterpolationGradationColorSpaceHC(
    {711, GradientSpaceInterpolation<kGradientInterpolationVC>},  // InterpolationGradationColorSpaceVC(
};

}  // namespace

const RenderFamily kGradientRender = MakeRenderFamily(kGradientRows);
