#include "host/draw/FrameInfo.h"

#include <algorithm>

#include "host/draw/SpriteInfo.h"
#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

using Layer = QRKWDRFrameInfo::FrameLayer;

// The unscaled and the stretched routine of a blend index; each draws only
// while the raster library is ready. The alpha and layer draws take the
// block-mask kernels when the source has an opacity mask.
using Unscaled = void (*)(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w,
                          int32_t h);
using Stretched = void (*)(CSprite& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& s, int32_t sx,
                           int32_t sy, int32_t sw, int32_t sh);

void Copy(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (IsRasterReady()) d.DrawCopy(dx, dy, s, sx, sy, w, h);
}
void CopyA(CSprite& d, int32_t dx, int32_t dy, const CSprite& s, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (IsRasterReady()) d.DrawCopyA(dx, dy, s, sx, sy, w, h);
}

template <void (CSprite::*Kernel)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                                  int32_t)>
void StretchedWhenReady(CSprite& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite& s, int32_t sx,
                        int32_t sy, int32_t sw, int32_t sh) {
    if (IsRasterReady()) (d.*Kernel)(dx, dy, dw, dh, s, sx, sy, sw, sh);
}

struct BlendRoutines {
    Unscaled unscaled;
    Stretched stretched;
};

// By blend index 0-7.
constexpr BlendRoutines kCopyRoutines{&Copy, &StretchedWhenReady<&CSprite::DrawCopyStretched>};
const BlendRoutines kBlendRoutines[8] = {
    kCopyRoutines,
    kCopyRoutines,
    {&DrawSpriteAlpha, &StretchedWhenReady<&CSprite::DrawAlphaCStretched>},
    {&DrawSpriteLayer, &StretchedWhenReady<&CSprite::DrawLayerCStretched>},
    {&DrawSpriteMixAlpha, &StretchedWhenReady<&CSprite::DrawAlphaStretched>},
    {&DrawSpriteMixLayer, &StretchedWhenReady<&CSprite::DrawLayerStretched>},
    {&CopyA, &StretchedWhenReady<&CSprite::DrawCopyAStretched>},
    kCopyRoutines,
};

// The tiles of [start, end) in steps of `step`, the last one shortened to
// end, skipping those wholly outside [low, high): draw(position, length).
template <class F>
void ForEachTile(int64_t start, int64_t end, int64_t step, int64_t low, int64_t high, F&& draw) {
    if (end <= start || step <= 0) return;
    int64_t position = start;
    if (low > start) position += (low - start) / step * step;
    for (; position < end && position < high; position += step) draw(position, std::min(step, end - position));
}

// One layer into (x, y, w, h), all in 64 bits; false when the layer is
// invalid (nothing of it drawn).
bool DrawLayer(Layer& layer, int64_t x, int64_t y, int64_t w, int64_t h, CSprite& target) {
    const CSprite* sprite = ResolveSpriteReference(layer.reference);
    if (sprite == nullptr || !sprite->HasImage()) return false;
    const int64_t x1 = layer.x1, x2 = layer.x2, y1 = layer.y1, y2 = layer.y2;
    const int64_t width = sprite->GetWidth(), height = sprite->GetHeight();
    if (x1 < 0 || y1 < 0 || x1 >= x2 || y1 >= y2 || width < x2 || height < y2) return false;
    const int64_t L = x1, R = width - x2, T = y1, B = height - y2;
    if (w < L + R || h < T + B) return false;
    const uint32_t edgeMode = layer.flags & Layer::kEdgeModeMask;
    if (edgeMode != Layer::kStretch && edgeMode != Layer::kTile) return false;

    const BlendRoutines& blend = kBlendRoutines[(layer.flags & Layer::kBlendMask) >> Layer::kBlendShift];
    const int64_t CW = x2 - x1, CH = y2 - y1;
    const int64_t xr = x + w - R, yb = y + h - B;
    const int64_t DW = w - L - R, DH = h - T - B;
    const int64_t left = x + L, top = y + T;
    auto C = [](int64_t v) { return ClampDrawPosition(v); };
    const CSprite& s = *sprite;
    auto unscaled = [&](int64_t dx, int64_t dy, int64_t sx, int64_t sy, int64_t sw, int64_t sh) {
        blend.unscaled(target, C(dx), C(dy), s, C(sx), C(sy), C(sw), C(sh));
    };

    if (edgeMode == Layer::kStretch) {
        auto stretched = [&](int64_t dx, int64_t dy, int64_t dw, int64_t dh, int64_t sx, int64_t sy, int64_t sw,
                             int64_t sh) {
            blend.stretched(target, C(dx), C(dy), C(dw), C(dh), s, C(sx), C(sy), C(sw), C(sh));
        };
        stretched(x, top, L, DH, 0, y1, L, CH);
        stretched(xr, top, R, DH, x2, y1, R, CH);
        stretched(left, y, DW, T, x1, 0, CW, T);
        stretched(left, yb, DW, B, x1, y2, CW, B);
        stretched(left, top, DW, DH, x1, y1, CW, CH);
    } else {
        const int64_t clipLeft = target.GetClipLeft(), clipRight = target.GetClipRight();
        const int64_t clipTop = target.GetClipTop(), clipBottom = target.GetClipBottom();
        ForEachTile(top, yb, CH, clipTop, clipBottom, [&](int64_t ty, int64_t th) {
            if (L > 0) unscaled(x, ty, 0, y1, L, th);
            if (R > 0) unscaled(xr, ty, x2, y1, R, th);
        });
        ForEachTile(left, xr, CW, clipLeft, clipRight, [&](int64_t tx, int64_t tw) {
            if (T > 0) unscaled(tx, y, x1, 0, tw, T);
            if (B > 0) unscaled(tx, yb, x1, y2, tw, B);
        });
        ForEachTile(top, yb, CH, clipTop, clipBottom, [&](int64_t ty, int64_t th) {
            ForEachTile(left, xr, CW, clipLeft, clipRight,
                        [&](int64_t tx, int64_t tw) { unscaled(tx, ty, x1, y1, tw, th); });
        });
    }

    unscaled(x, y, 0, 0, L, T);
    unscaled(xr, y, x2, 0, R, T);
    unscaled(x, yb, 0, y2, L, B);
    unscaled(xr, yb, x2, y2, R, B);
    return true;
}

}  // namespace

bool QRKWDRFrameInfo::Reset() {
    m_layers.Free();
    m_changes.Increment();
    return true;
}

bool QRKWDRFrameInfo::DrawFrame(int32_t x, int32_t y, CSprite& target, int32_t w, int32_t h) {
    Layer* layers = m_layers.GetBuffer();
    for (uint32_t i = 0; i < m_layers.GetCount(); ++i) {
        if (!DrawLayer(layers[i], x, y, w, h, target)) return false;
    }
    return true;
}
