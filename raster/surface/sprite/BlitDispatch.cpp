// Draw-mode dispatch: a code becomes one call of a compositing kernel.
//
// Mirroring is done on the destination: the rectangle the kernel will draw is
// mirrored in place, the kernel draws the (correspondingly chosen) source
// window unmirrored, and the rectangle is mirrored back. Pixels of the
// rectangle that the kernel leaves alone thus return to their places, and the
// drawn source ends up mirrored.
//
// The high-quality stretched path scales the source with nearest sampling into
// a scaling sprite at four times the destination size, averages it down with a
// 4 x 4 box filter, and draws the result one-to-one with the mode's kernel.
#include <cmath>
#include <new>
#include <limits>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

using namespace draw_mode;

constexpr uint32_t kFirstCode = kBase | kCopy;
constexpr uint32_t kLastCode = kBase | kLastDrawing;

bool Ready() noexcept { return RasterPixelMode == 1; }

const char* const kNames[kLastDrawing + 1] = {
    nullptr,        "COPY",           "ALPHA",           "BLEND",          "LAYER",
    "LAYERBLEND",   "ALPHABLEND",     "MIXALPHA",        "MIXBLEND",       "MIXLAYER",
    "MIXLAYERBLEND", "MIXALPHABLEND", "COPYA",           "MULA",           "ADDA",
    "SUBA",         "FILLA",          "BLENDALPHA",      "COPYTONE",       "TONE",
    "ALPHATONE",    "LAYERTONE",      "MIXTONE",         "MIXALPHATONE",   "MIXLAYERTONE",
    "MULC",         "ADDC",           "SUBC",            "SCREEN",         "OVERLAY",
    "HARDLIGHT",    "MUL",            "ADD",             "SUB",            "MIXSCREEN",
    "MIXOVERLAY",   "MIXHARDLIGHT",   "SCREENBLEND",     "OVERLAYBLEND",   "HARDLIGHTBLEND",
    "MIXSCREENBLEND", "MIXOVERLAYBLEND", "MIXHARDLIGHTBLEND", "MULBLENDC", "ADDBLENDC",
    "SUBBLENDC",    "MULBLEND",       "ADDBLEND",        "SUBBLEND",       "MIXBACK",
    "MIXBACKBLEND", "BACK",           "BACKBLEND",       "MIXBACKTONE",    "BACKTONE",
    "COPYC",
};
const char* const kExNames[6] = {"EX_MIXRAMATRIX",  "EX_COPYRAMATRIX",   "EX_MIXXYMATRIX",
                                  "EX_COPYXYMATRIX", "EX_COLOREXMATRIX", "EX_COLORMATRIX"};

// The extra arguments of a draw, decoded once.
struct Extras {
    uint8_t opacity;
    uint32_t tone, rp, gp, bp, am;
};

Extras Decode(uint8_t opacity, uint32_t toneColour, uint32_t tonePacked) noexcept {
    return Extras{opacity,
                  toneColour,
                  (tonePacked >> 18) & 0x1FF,
                  (tonePacked >> 9) & 0x1FF,
                  tonePacked & 0x1FF,
                  static_cast<uint32_t>(opacity) + (opacity >> 7)};
}

// One-to-one kernel of a mode number (kCopy..kLastDrawing). useMask: the source
// carries an opacity mask, so the block-mask kernels may be chosen.
void CallPlain(CSprite& d, uint32_t number, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy,
               int32_t w, int32_t h, const Extras& x, bool useMask) {
    const uint8_t o = x.opacity;
    const bool maskFull = useMask && o == 255;
    switch (number) {
        case kCopy: d.DrawCopy(dx, dy, s, sx, sy, w, h); break;
        case kAlpha: DrawSpriteAlpha(d, dx, dy, s, sx, sy, w, h); break;
        case kBlend: d.DrawBlendC(dx, dy, s, sx, sy, w, h, o); break;
        case kLayer: DrawSpriteLayer(d, dx, dy, s, sx, sy, w, h); break;
        case kLayerBlend:
            if (maskFull) d.DrawLayerCMasked(dx, dy, s, sx, sy, w, h);
            else d.DrawLayerCOpacity(dx, dy, s, sx, sy, w, h, o);
            break;
        case kAlphaBlend:
            if (maskFull) d.DrawAlphaCMasked(dx, dy, s, sx, sy, w, h);
            else d.DrawAlphaCOpacity(dx, dy, s, sx, sy, w, h, o);
            break;
        case kMixAlpha: DrawSpriteMixAlpha(d, dx, dy, s, sx, sy, w, h); break;
        case kMixBlend: d.DrawBlend(dx, dy, s, sx, sy, w, h, o); break;
        case kMixLayer: DrawSpriteMixLayer(d, dx, dy, s, sx, sy, w, h); break;
        case kMixLayerBlend:
            if (maskFull) d.DrawLayerMasked(dx, dy, s, sx, sy, w, h);
            else d.DrawLayerOpacity(dx, dy, s, sx, sy, w, h, o);
            break;
        case kMixAlphaBlend:
            if (maskFull) d.DrawAlphaMasked(dx, dy, s, sx, sy, w, h);
            else d.DrawAlphaOpacity(dx, dy, s, sx, sy, w, h, o);
            break;
        case kCopyA: d.DrawCopyA(dx, dy, s, sx, sy, w, h); break;
        case kMulA: d.BlendMulA(dx, dy, s, sx, sy, w, h); break;
        case kAddA: d.BlendAddA(dx, dy, s, sx, sy, w, h); break;
        case kSubA: d.BlendSubA(dx, dy, s, sx, sy, w, h); break;
        case kFillA: d.FillRectA(dx, dy, w, h, o); break;
        case kBlendAlpha: d.ScaleAlpha(dx, dy, w, h, o); break;
        case kCopyTone: d.DrawCopyTone(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kTone: d.DrawBlendToneC(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kAlphaTone: d.DrawAlphaToneC(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kLayerTone: d.DrawLayerToneC(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kMixTone: d.DrawBlendTone(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kMixAlphaTone: d.DrawAlphaTone(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kMixLayerTone: d.DrawLayerTone(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kMulC: d.BlendMulCImmediate(dx, dy, s, sx, sy, w, h); break;
        case kAddC: d.BlendAddCImmediate(dx, dy, s, sx, sy, w, h); break;
        case kSubC: d.BlendSubCImmediate(dx, dy, s, sx, sy, w, h); break;
        case kScreen: d.BlendScreenCAlpha(dx, dy, s, sx, sy, w, h); break;
        case kOverlay: d.BlendOverlayCAlpha(dx, dy, s, sx, sy, w, h); break;
        case kHardLight: d.BlendHardLightCAlpha(dx, dy, s, sx, sy, w, h); break;
        case kMul: d.BlendMulImmediate(dx, dy, s, sx, sy, w, h); break;
        case kAdd: d.BlendAddImmediate(dx, dy, s, sx, sy, w, h); break;
        case kSub: d.BlendSubImmediate(dx, dy, s, sx, sy, w, h); break;
        case kMixScreen: d.BlendScreenAlpha(dx, dy, s, sx, sy, w, h); break;
        case kMixOverlay: d.BlendOverlayAlpha(dx, dy, s, sx, sy, w, h); break;
        case kMixHardLight: d.BlendHardLightAlpha(dx, dy, s, sx, sy, w, h); break;
        case kScreenBlend: d.BlendScreenCAlphaOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kOverlayBlend: d.BlendOverlayCAlphaOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kHardLightBlend: d.BlendHardLightCAlphaOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMixScreenBlend: d.BlendScreenAlphaOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMixOverlayBlend: d.BlendOverlayAlphaOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMixHardLightBlend:
            d.BlendHardLightAlphaOpacity(dx, dy, s, sx, sy, w, h, o);
            break;
        case kMulBlendC: d.BlendMulCImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kAddBlendC: d.BlendAddCImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kSubBlendC: d.BlendSubCImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMulBlend: d.BlendMulImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kAddBlend: d.BlendAddImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kSubBlend: d.BlendSubImmediateOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMixBack: d.DrawBack(dx, dy, s, sx, sy, w, h); break;
        case kMixBackBlend: d.DrawBackOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kBack: d.DrawBackC(dx, dy, s, sx, sy, w, h); break;
        case kBackBlend: d.DrawBackCOpacity(dx, dy, s, sx, sy, w, h, o); break;
        case kMixBackTone: d.DrawBackTone(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kBackTone: d.DrawBackToneC(dx, dy, s, sx, sy, w, h, x.tone, x.rp, x.gp, x.bp, x.am); break;
        case kCopyC: d.DrawCopyC(dx, dy, s, sx, sy, w, h); break;
        default: break;
    }
}

// Stretched kernel of a mode number (kCopy..kLastDrawing).
void CallStretched(CSprite& d, uint32_t number, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& s,
                   int32_t sx, int32_t sy, int32_t sw, int32_t sh, const Extras& x) {
    const uint8_t o = x.opacity;
#define OC_R dx, dy, dw, dh, s, sx, sy, sw, sh
#define OC_T x.tone, x.rp, x.gp, x.bp, x.am
    switch (number) {
        case kCopy: d.DrawCopyStretched(OC_R); break;
        case kAlpha: d.DrawAlphaCStretched(OC_R); break;
        case kBlend: d.DrawBlendCStretched(OC_R, o); break;
        case kLayer: d.DrawLayerCStretched(OC_R); break;
        case kLayerBlend: d.DrawLayerCStretchedOpacity(OC_R, o); break;
        case kAlphaBlend: d.DrawAlphaCStretchedOpacity(OC_R, o); break;
        case kMixAlpha: d.DrawAlphaStretched(OC_R); break;
        case kMixBlend: d.DrawBlendStretched(OC_R, o); break;
        case kMixLayer: d.DrawLayerStretched(OC_R); break;
        case kMixLayerBlend: d.DrawLayerStretchedOpacity(OC_R, o); break;
        case kMixAlphaBlend: d.DrawAlphaStretchedOpacity(OC_R, o); break;
        case kCopyA: d.DrawCopyAStretched(OC_R); break;
        case kMulA: d.BlendMulAStretched(OC_R); break;
        case kAddA: d.BlendAddAStretched(OC_R); break;
        case kSubA: d.BlendSubAStretched(OC_R); break;
        case kFillA: d.FillRectA(dx, dy, dw, dh, o); break;
        case kBlendAlpha: d.ScaleAlpha(dx, dy, dw, dh, o); break;
        case kCopyTone: d.DrawCopyToneStretched(OC_R, OC_T); break;
        case kTone: d.DrawBlendToneCStretched(OC_R, OC_T); break;
        case kAlphaTone: d.DrawAlphaToneCStretched(OC_R, OC_T); break;
        case kLayerTone: d.DrawLayerToneCStretched(OC_R, OC_T); break;
        case kMixTone: d.DrawBlendToneStretched(OC_R, OC_T); break;
        case kMixAlphaTone: d.DrawAlphaToneStretched(OC_R, OC_T); break;
        case kMixLayerTone: d.DrawLayerToneStretched(OC_R, OC_T); break;
        case kMulC: d.BlendMulCImmediateStretched(OC_R); break;
        case kAddC: d.BlendAddCImmediateStretched(OC_R); break;
        case kSubC: d.BlendSubCImmediateStretched(OC_R); break;
        case kScreen: d.BlendScreenCAlphaStretched(OC_R); break;
        case kOverlay: d.BlendOverlayCAlphaStretched(OC_R); break;
        case kHardLight: d.BlendHardLightCAlphaStretched(OC_R); break;
        case kMul: d.BlendMulImmediateStretched(OC_R); break;
        case kAdd: d.BlendAddImmediateStretched(OC_R); break;
        case kSub: d.BlendSubImmediateStretched(OC_R); break;
        case kMixScreen: d.BlendScreenAlphaStretched(OC_R); break;
        case kMixOverlay: d.BlendOverlayAlphaStretched(OC_R); break;
        case kMixHardLight: d.BlendHardLightAlphaStretched(OC_R); break;
        case kScreenBlend: d.BlendScreenCAlphaStretchedOpacity(OC_R, o); break;
        case kOverlayBlend: d.BlendOverlayCAlphaStretchedOpacity(OC_R, o); break;
        case kHardLightBlend: d.BlendHardLightCAlphaStretchedOpacity(OC_R, o); break;
        case kMixScreenBlend: d.BlendScreenAlphaStretchedOpacity(OC_R, o); break;
        case kMixOverlayBlend: d.BlendOverlayAlphaStretchedOpacity(OC_R, o); break;
        case kMixHardLightBlend: d.BlendHardLightAlphaStretchedOpacity(OC_R, o); break;
        case kMulBlendC: d.BlendMulCImmediateStretchedOpacity(OC_R, o); break;
        case kAddBlendC: d.BlendAddCImmediateStretchedOpacity(OC_R, o); break;
        case kSubBlendC: d.BlendSubCImmediateStretchedOpacity(OC_R, o); break;
        case kMulBlend: d.BlendMulImmediateStretchedOpacity(OC_R, o); break;
        case kAddBlend: d.BlendAddImmediateStretchedOpacity(OC_R, o); break;
        case kSubBlend: d.BlendSubImmediateStretchedOpacity(OC_R, o); break;
        case kMixBack: d.DrawBackStretched(OC_R); break;
        case kMixBackBlend: d.DrawBackStretchedOpacity(OC_R, o); break;
        case kBack: d.DrawBackCStretched(OC_R); break;
        case kBackBlend: d.DrawBackCStretchedOpacity(OC_R, o); break;
        case kMixBackTone: d.DrawBackToneStretched(OC_R, OC_T); break;
        case kBackTone: d.DrawBackToneCStretched(OC_R, OC_T); break;
        case kCopyC: d.DrawCopyCStretched(OC_R); break;
        default: break;
    }
#undef OC_R
#undef OC_T
}

int32_t ClampToInt32(double v) noexcept {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

int32_t ClampToInt32(int64_t v) noexcept {
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

// Narrows one axis of a mirrored stretched draw to the part of the destination
// inside the clip rectangle (d1, l1) and moves the source window so that it
// covers exactly what lands there after the mirroring.
void TrimAxis(int32_t& d, int32_t& l, int32_t& s, int32_t& sl, int32_t d1, int32_t l1) noexcept {
    const double k = static_cast<double>(sl) / static_cast<double>(l);
    const int64_t farMargin = static_cast<int64_t>(d) + l - d1 - l1;
    const int64_t cut = static_cast<int64_t>(l) - l1;
    s = ClampToInt32(static_cast<int64_t>(s) + ClampToInt32(std::trunc(static_cast<double>(farMargin) * k)));
    sl = ClampToInt32(static_cast<int64_t>(sl) - ClampToInt32(std::trunc(static_cast<double>(cut) * k)));
    d = d1;
    l = l1;
}

// Mirror preparation of the stretched draws. Returns false when the clipped
// destination is empty (then nothing at all is drawn or mirrored).
//
// The destination is trimmed to the clip rectangle only: limiting it also by
// the source rectangle as for a one-to-one copy would cut magnified draws
// short, since a magnified draw covers more destination pixels than it reads.
bool PrepareMirror(CSprite& d, uint32_t type, int32_t& dx, int32_t& dy, int32_t& dw, int32_t& dh, int32_t& sx,
                   int32_t& sy, int32_t& sw, int32_t& sh) {
    int32_t dx1 = dx, dy1 = dy, dw1 = dw, dh1 = dh;
    if (d.ClipRect(dx1, dy1, dw1, dh1) <= 0 || dh1 <= 0) return false;
    if (type & 1) TrimAxis(dx, dw, sx, sw, dx1, dw1);
    if (type & 2) TrimAxis(dy, dh, sy, sh, dy1, dh1);
    d.Mirror(dx, dy, dw, dh, static_cast<int32_t>(type));
    return true;
}

// A source without an image acts as a transparent one.
void DrawFromEmptySource(CSprite& d, uint32_t mode, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                         uint8_t opacity) {
    switch (mode & 0xF3FFFFFFu) {
        case kBase | kCopy:
        case kBase | kCopyTone: d.FillRect(dx, dy, dw, dh, 0); break;
        case kBase | kBlend: d.FillRectCOpacity(dx, dy, dw, dh, 0, opacity); break;
        case kBase | kMixBlend:
        case kBase | kMixTone: d.FillRectOpacity(dx, dy, dw, dh, 0, opacity); break;
        case kBase | kCopyA:
        case kBase | kMulA:
        case kBase | kMul: d.FillRectA(dx, dy, dw, dh, 0); break;
        case kBase | kFillA: d.FillRectA(dx, dy, dw, dh, opacity); break;
        case kBase | kBlendAlpha: d.ScaleAlpha(dx, dy, dw, dh, opacity); break;
        case kBase | kMulBlend: d.ScaleAlpha(dx, dy, dw, dh, 256u - opacity); break;
        default: break;
    }
}

}  // namespace

const char* draw_mode::NumberName(uint32_t number) noexcept {
    if (number >= kCopy && number <= kLastDrawing) return kNames[number];
    if (number >= kExMixRaMatrix && number <= kExColorMatrix) return kExNames[number - kExMixRaMatrix];
    return nullptr;
}

std::string DrawModeName(uint32_t code) {
    if ((code & ~(kNumberMask | kHighQuality)) == kBase) {
        if (const char* name = draw_mode::NumberName(code & kNumberMask)) {
            return (code & kHighQuality) ? std::string("HQ_") + name : std::string(name);
        }
    }
    return "???";
}

// ---- Ready-guarded wrappers ----

namespace {

using PlainKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

// The block-mask kernel when the source carries a mask, else the plain one.
void DrawMaskedWhenReady(PlainKernel masked, PlainKernel plain, CSprite& d, int32_t dx, int32_t dy, const CSprite& s,
                         int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (!Ready()) return;
    (d.*(s.GetOpacityMask() != nullptr ? masked : plain))(dx, dy, s, sx, sy, w, h);
}

}  // namespace

void DrawSpriteAlpha(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w,
                     int32_t h) {
    DrawMaskedWhenReady(&CSprite::DrawAlphaCMasked, &CSprite::DrawAlphaC, d, dx, dy, s, sx, sy, w, h);
}

void DrawSpriteLayer(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w,
                     int32_t h) {
    DrawMaskedWhenReady(&CSprite::DrawLayerCMasked, &CSprite::DrawLayerC, d, dx, dy, s, sx, sy, w, h);
}

void DrawSpriteMixAlpha(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w,
                        int32_t h) {
    DrawMaskedWhenReady(&CSprite::DrawAlphaMasked, &CSprite::DrawAlpha, d, dx, dy, s, sx, sy, w, h);
}

void DrawSpriteMixLayer(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w,
                        int32_t h) {
    DrawMaskedWhenReady(&CSprite::DrawLayerMasked, &CSprite::DrawLayer, d, dx, dy, s, sx, sy, w, h);
}

void CSprite::DrawCopyCIfReady(int32_t dx, int32_t dy, const CSprite& source) {
    if (!Ready()) return;
    DrawCopyC(dx, dy, source, 0, 0, source.GetWidth(), source.GetHeight());
}

void CSprite::DrawAlphaWholeIfReady(int32_t dx, int32_t dy, const CSprite& source) {
    DrawSpriteMixAlpha(*this, dx, dy, source, 0, 0, source.GetWidth(), source.GetHeight());
}

void CSprite::DrawAlphaOpacityIfReady(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                      int32_t w, int32_t h, uint8_t opacity) {
    if (!Ready()) return;
    if (source.GetOpacityMask() != nullptr && opacity == 255) DrawAlphaMasked(dx, dy, source, sx, sy, w, h);
    else DrawAlphaOpacity(dx, dy, source, sx, sy, w, h, opacity);
}

// ---- Scaling sprite ----

CSprite* CBlitDispatchContext::PrepareScalingSprite(int32_t w, int32_t h) {
    const int64_t w4 = static_cast<int64_t>(w) * 4;
    const int64_t h4 = static_cast<int64_t>(h) * 4;
    if (w4 <= 0 || h4 <= 0 || w4 > std::numeric_limits<int32_t>::max() || h4 > std::numeric_limits<int32_t>::max())
        return nullptr;
    try {
        // The first use makes the initial image; later ones reuse the block,
        // which only grows.
        if (!m_scaling.HasImage() && !m_scaling.Create(2560, 1920, true)) return nullptr;
        if (!m_scaling.ResizeUncleared(static_cast<int32_t>(w4), static_cast<int32_t>(h4))) return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    m_scaling.FillRect(0, 0, static_cast<int32_t>(w4), static_cast<int32_t>(h4), 0);
    return &m_scaling;
}

CBlitDispatchContext& BlitDispatchContext() {
    static CBlitDispatchContext context;
    return context;
}

void raster_test::ResetBlitDispatch() { BlitDispatchContext().Reset(); }

// ---- Dispatchers ----

void CSprite::BlitByMode(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                         uint32_t mode, uint8_t opacity, uint32_t toneColour, uint32_t tonePacked) {
    if (!Ready()) return;
    if ((mode & 0xF0000080u) == 0x70000080u) mode &= ~kHighQuality;
    const uint32_t mirror = (mode >> 26) & 3;
    if (mirror != 0) {
        const int32_t sx0 = sx, sy0 = sy, w0 = w, h0 = h;
        ClipBlit(dx, dy, source, sx, sy, w, h);
        // The part of the caller's source window that lands in the clipped
        // destination once mirrored (64-bit: the sum can leave 32 bits).
        if (mirror & 1) sx = ClampToInt32(2 * static_cast<int64_t>(sx0) + w0 - sx - w);
        if (mirror & 2) sy = ClampToInt32(2 * static_cast<int64_t>(sy0) + h0 - sy - h);
        Mirror(dx, dy, w, h, static_cast<int32_t>(mirror));
    }
    const uint32_t code = mode & 0xF3FFFFFFu;
    if (code >= kFirstCode && code <= kLastCode) {
        CallPlain(*this, code & kNumberMask, dx, dy, source, sx, sy, w, h, Decode(opacity, toneColour, tonePacked),
                  source.GetOpacityMask() != nullptr);
    }
    if (mirror != 0) Mirror(dx, dy, w, h, static_cast<int32_t>(mirror));
}

void CSprite::BlitByModeStretched(int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& source, int32_t sx,
                                  int32_t sy, int32_t sw, int32_t sh, uint32_t mode, uint8_t opacity,
                                  uint32_t toneColour, uint32_t tonePacked) {
    if (!Ready()) return;
    if (!source.HasImage()) {
        DrawFromEmptySource(*this, mode, dx, dy, dw, dh, opacity);
        return;
    }
    const uint32_t mirror = (mode >> 26) & 3;
    const Extras extras = Decode(opacity, toneColour, tonePacked);
    if ((mode & 0xF0000080u) == 0x70000080u) {
        if (dw < 1 || dw > 2048 || dh < 1 || dh > 1536) return;
        CSprite* scaling = BlitDispatchContext().PrepareScalingSprite(dw, dh);
        if (scaling == nullptr) return;
        if (mirror != 0 && !PrepareMirror(*this, mirror, dx, dy, dw, dh, sx, sy, sw, sh)) return;
        scaling->DrawCopyStretched(0, 0, 4 * dw, 4 * dh, source, sx, sy, sw, sh);
        scaling->Downsample4x4(0, 0, 4 * dw, 4 * dh);
        const uint32_t code = mode & 0xF3FFFF7Fu;
        if (code >= kFirstCode && code <= kLastCode)
            CallPlain(*this, code & kNumberMask, dx, dy, *scaling, 0, 0, dw, dh, extras, false);
        if (mirror != 0) Mirror(dx, dy, dw, dh, static_cast<int32_t>(mirror));
        return;
    }
    if (mirror != 0 && !PrepareMirror(*this, mirror, dx, dy, dw, dh, sx, sy, sw, sh)) return;
    const uint32_t code = mode & 0xF3FFFFFFu;
    if (code >= kFirstCode && code <= kLastCode)
        CallStretched(*this, code & kNumberMask, dx, dy, dw, dh, source, sx, sy, sw, sh, extras);
    if (mirror != 0) Mirror(dx, dy, dw, dh, static_cast<int32_t>(mirror));
}
