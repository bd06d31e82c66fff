// Sphere mapping: a source rectangle wrapped around a sphere, turned and
// drawn in perspective or orthographic view (see SphereMembers.inc).
//
// Fixed point: a unit-sphere length is 2^37 (K = 2^37 / R per pixel), the
// rotation matrix is Q24, so texture-frame coordinates are Q61; arc sines and
// ratios are Q24, the ray parameter Q22. The ray solve multiplies values of up
// to 33 bits and the projected point can lie far off the sphere for rays that
// graze it (the square root of a tiny discriminant reads 0), so the products
// that can leave 64 bits are taken in 128 bits and the texture coordinates are
// held to the unit sphere before any table is read: every table index then
// stays within its guard entries and every sample inside the source.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "raster/filter/Homography.h"
#include "raster/filter/TrigTables.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

__extension__ typedef __int128 SphereInt128;

constexpr int64_t kUnit61 = int64_t{1} << 61;          // a texture-frame coordinate of magnitude 1
constexpr int64_t kHalfPi = 26353589;                  // pi / 2 in Q24, the arc sine of 1
constexpr int64_t kHalfPiLow = 26353588;
constexpr uint32_t kTurn = CTrigTables::kTurn;

// v held to lo..hi; NaN gives lo.
double Hold(double v, double lo, double hi) noexcept { return v >= lo ? (v <= hi ? v : hi) : lo; }

int64_t HoldUnit(SphereInt128 v) noexcept {
    return v > kUnit61 ? kUnit61 : (v < -kUnit61 ? -kUnit61 : static_cast<int64_t>(v));
}
uint32_t TableIndex(int64_t v) noexcept {  // |v| >> 43 for a held coordinate: 0..2^18
    return static_cast<uint32_t>((v < 0 ? -v : v) >> 43);
}
int32_t HoldInt(int64_t v, int64_t lo, int64_t hi) noexcept { return static_cast<int32_t>(std::clamp(v, lo, hi)); }

// The source rectangle after clipping and cutting, and the scale of the layout.
struct SourceFrame {
    const uint32_t* origin;  // pixel (sx, sy)
    int64_t stride;
    int32_t sw, sh;
    int64_t ku, kv;
    const uint32_t* At(int64_t col, int64_t row) const noexcept {
        col = std::clamp<int64_t>(col, 0, sw - 1);
        row = std::clamp<int64_t>(row, 0, sh - 1);
        return origin + row * stride + col;
    }
};

// Twin discs: the +z hemisphere in the left half, the -z one mirrored in the right.
struct TwinDisc {
    static constexpr int32_t kWidthStep = 4;
    static void InitTables() { InitSphereRatioTable(); }
    static void Scales(SourceFrame& f) {
        f.ku = static_cast<int64_t>(f.sw * 8388608.0 / std::numbers::pi) - 1024;
        f.kv = static_cast<int64_t>(f.sh * 16777216.0 / std::numbers::pi) - 1024;
    }
    const uint32_t* ratio = TrigTables().SphereRatio();
    uint32_t Sample(const SourceFrame& f, int64_t x, int64_t y, int64_t z) const noexcept {
        const int64_t r = ratio[TableIndex(z)];
        const int64_t half = f.sw / 4;
        int64_t col = static_cast<int64_t>((SphereInt128{((x >> 37) * r) >> 24} * f.ku) >> 48);
        const int64_t row = static_cast<int64_t>((SphereInt128{((y >> 37) * r) >> 24} * f.kv) >> 48);
        col = std::clamp(col, -half, half - 1);
        if (z < 0) col = f.sw / 2 - 1 - col;
        return *f.At(half + col, f.sh / 2 + row);
    }
};

// Folded square: arc sines of x and y, the -z hemisphere folded into the corners.
struct FoldedSquare {
    static constexpr int32_t kWidthStep = 2;
    static void InitTables() { InitTrigTables(); }
    static void Scales(SourceFrame& f) {
        f.ku = static_cast<int64_t>(f.sw * 16777216.0 / std::numbers::pi);
        f.kv = static_cast<int64_t>(f.sh * 16777216.0 / std::numbers::pi);
    }
    const int32_t* arcsine = TrigTables().Arcsine();
    int64_t Asin(int64_t v) const noexcept {
        const int64_t a = arcsine[TableIndex(v)];
        return v < 0 ? -a : a;
    }
    uint32_t Sample(const SourceFrame& f, int64_t x, int64_t y, int64_t z) const noexcept {
        const int64_t a = Asin(x), b = Asin(y);
        int64_t u = a, v = b;
        if (z < 0) {
            if (b < 0) {
                if (a >= 0) u = b + kHalfPiLow, v = a - kHalfPi;
                else u = -kHalfPi - b, v = -a - kHalfPi;
            } else {
                if (a < 0) u = b - kHalfPi, v = a + kHalfPiLow;
                else u = kHalfPiLow - b, v = kHalfPiLow - a;
            }
        }
        const int64_t col = static_cast<int64_t>((SphereInt128{u} * f.ku) >> 48);
        const int64_t row = static_cast<int64_t>((SphereInt128{v} * f.kv) >> 48);
        return *f.At(f.sw / 2 + col, f.sh / 2 + row);
    }
};

// Write rules. Hit: the sampled source pixel s onto d. Miss: a ray beside the sphere.
struct CopyAndClear {
    static constexpr bool kClears = true;
    static void Hit(uint32_t& d, uint32_t s) noexcept { d = s; }
    static void Miss(uint32_t& d) noexcept { d = 0; }
};
struct CopyRule {
    static constexpr bool kClears = false;
    static void Hit(uint32_t& d, uint32_t s) noexcept { d = s; }
    static void Miss(uint32_t&) noexcept {}
};
struct VisibleRule {
    static constexpr bool kClears = false;
    static void Hit(uint32_t& d, uint32_t s) noexcept {
        if ((s & pixel::kAlphaBits) != 0) d = s;
    }
    static void Miss(uint32_t&) noexcept {}
};
struct AlphaRule {
    static constexpr bool kClears = false;
    static void Hit(uint32_t& d, uint32_t s) noexcept {
        const uint32_t a = s >> 24;
        if (a == 255) d = s;
        else if (a != 0) d = pixel::LayOver(d, s, a);
    }
    static void Miss(uint32_t&) noexcept {}
};
struct AlphaOpacityRule {
    static constexpr bool kClears = false;
    uint32_t opacity;
    void Hit(uint32_t& d, uint32_t s) const noexcept {
        const uint32_t p = (s >> 24) * opacity;
        if (p > 255) d = pixel::LayOver(d, s, p >> 8);
    }
    static void Miss(uint32_t&) noexcept {}
};

// Clips the source rectangle and cuts it to the layout; false when it is
// refused.
template <class Layout>
bool PrepareSource(const CSprite& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, SourceFrame& f) {
    source.ClipRect(sx, sy, sw, sh);
    sw -= sw % Layout::kWidthStep;
    sh -= sh % 2;
    if (sw < 2 || sh < 2) return false;
    f.origin = source.PixelAt(sx, sy);
    f.stride = source.GetStride();
    f.sw = sw;
    f.sh = sh;
    Layout::Scales(f);
    return true;
}

// The plain family owns its rectangle: 0 outside the clipped box (x, y, w, h)
// within the given rectangle (gx, gy, gw, gh), or everywhere when the box is
// empty.
void ClearAround(CSprite& dst, int32_t gx, int32_t gy, int32_t gw, int32_t gh, int32_t x, int32_t y, int32_t w,
                 int32_t h) {
    if (w <= 0 || h <= 0) dst.FillRect(gx, gy, gw, gh, 0);
    else dst.FillOutsideRect(gx, gy, gw, gh, x, y, w, h, 0);
}

template <class Layout, class Rule>
void SphereOrtho(CSprite& dst, const Rule& rule, int32_t x, int32_t y, int32_t w, int32_t h, int32_t centreX,
                 int32_t centreY, double radius, double angle1, double angle2, double angle3, const CSprite& source,
                 int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    const int32_t gx = x, gy = y, gw = w, gh = h;
    const double R = radius >= 1 ? radius : 0.0;  // NaN as below 1
    constexpr double kFar = 4.0e9;                // beyond every 32-bit position
    const double left = std::floor(Hold(centreX - R, -kFar, kFar)), right = std::ceil(Hold(centreX + R, -kFar, kFar));
    const double top = std::floor(Hold(centreY - R, -kFar, kFar)), bottom = std::ceil(Hold(centreY + R, -kFar, kFar));
    ClipRectToBounds(TruncToInt32Saturated(left), TruncToInt32Saturated(top), TruncToInt32Saturated(right),
                     TruncToInt32Saturated(bottom), x, y, w, h);
    dst.ClipRect(x, y, w, h);
    SourceFrame f{};
    if constexpr (Rule::kClears) {
        ClearAround(dst, gx, gy, gw, gh, x, y, w, h);
    }
    if (w < 1 || h < 1) return;
    Layout::InitTables();
    if (!PrepareSource<Layout>(source, sx, sy, sw, sh, f)) {
        if constexpr (Rule::kClears) dst.FillRect(x, y, w, h, 0);  // the box too: the rectangle is ours
        return;
    }
    int64_t m[9];
    BuildRotationMatrix3DFixed(m, -angle1, -angle2, -angle3);
    const int64_t K = static_cast<int64_t>(137438953472.0 / R);  // R >= 1 here
    // R x R held below 2^31: every held squared offset (at most 2 x 8192^2) is
    // smaller, so a larger radius covers the whole box anyway.
    const int64_t R2 = static_cast<int64_t>(std::min(R * R, 2147483647.0));
    const int32_t dx0 = HoldInt(int64_t{x} - centreX, -8192, 8192 - int64_t{w});
    const int32_t dy0 = HoldInt(int64_t{y} - centreY, -8192, 8192 - int64_t{h});

    // Per column the x products of the three texture axes, shared by every row.
    const uint64_t needed = uint64_t(w) * 24;
    int64_t* cache = reinterpret_cast<int64_t*>(RasterScratch().ScratchBytes(needed, (uint64_t(w) + 256) * 24));
    for (int32_t j = 0; j < w; ++j) {
        const int64_t kdx = K * (dx0 + j);
        cache[3 * j] = m[0] * kdx;
        cache[3 * j + 1] = m[3] * kdx;
        cache[3 * j + 2] = m[6] * kdx;
    }
    const Layout layout;
    const uint32_t* root = TrigTables().SquareRoot();
    const int32_t* circle = TrigTables().CircleRoot();
    for (int32_t i = 0; i < h; ++i) {
        const int64_t dy = dy0 + i;
        const int64_t kdy = K * dy;
        const int64_t ry0 = m[1] * kdy, ry1 = m[4] * kdy, ry2 = m[7] * kdy;
        uint32_t* d = dst.PixelAt(x, y + i);
        int64_t S = int64_t{dx0} * dx0 + dy * dy;
        for (int32_t j = 0; j < w; S += 2 * (int64_t{dx0} + j) + 1, ++j) {
            if (S > R2) {
                rule.Miss(d[j]);
                continue;
            }
            const uint64_t r = trig::SquareRootSmall(root, static_cast<uint64_t>(S));
            const uint64_t index = std::min<uint64_t>((r * static_cast<uint64_t>(K)) >> 41, kTurn);
            const int64_t zz = int64_t{circle[index]} * 128;
            const int64_t* c = cache + 3 * j;
            const int64_t X = HoldUnit(SphereInt128{c[0]} + ry0 + SphereInt128{m[2]} * zz);
            const int64_t Y = HoldUnit(SphereInt128{c[1]} + ry1 + SphereInt128{m[5]} * zz);
            const int64_t Z = HoldUnit(SphereInt128{c[2]} + ry2 + SphereInt128{m[8]} * zz);
            rule.Hit(d[j], layout.Sample(f, X, Y, Z));
        }
    }
}

template <class Layout, class Rule>
void SpherePerspective(CSprite& dst, const Rule& rule, int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx,
                       int32_t cy, double offX, double offY, double depth, double radius, double angle1,
                       double angle2, double angle3, double distance, const CSprite& source, int32_t sx, int32_t sy,
                       int32_t sw, int32_t sh) {
    const int32_t gx = x, gy = y, gw = w, gh = h;
    const double R = radius >= 1 ? std::min(radius, 16383.0) : 0.0;
    const double ox = Hold(offX, -16383, 16383), oy = Hold(offY, -16383, 16383);
    const double oz = Hold(depth, 0, 32767);
    const double D = std::min(distance, 65535.0);

    // The sphere's screen box, from the magnification of its nearest and
    // farthest depth. With the eye inside the sphere (or touching it) there
    // is no box and nothing sound to draw; a radius below 1 has no unit
    // length: both draw nothing (the plain family clears its rectangle).
    const double sN = (oz - R) / D + 1, sF = (oz + R) / D + 1;
    if (R < 1 || !(sN > 0)) {
        if constexpr (Rule::kClears) dst.FillRect(gx, gy, gw, gh, 0);
        return;
    }
    constexpr double kFar = 4.0e9;
    auto edge = [](int32_t c, double v) { return TruncToInt32Saturated(c + Hold(v, -kFar, kFar)); };
    const int32_t left = edge(cx, std::floor((ox - R) / (ox - R < 0 ? sN : sF)));
    const int32_t right = edge(cx, std::ceil((ox + R) / (ox + R < 0 ? sF : sN)));
    const int32_t top = edge(cy, std::floor((oy - R) / (oy - R < 0 ? sN : sF)));
    const int32_t bottom = edge(cy, std::ceil((oy + R) / (oy + R < 0 ? sF : sN)));
    ClipRectToBounds(left, top, right, bottom, x, y, w, h);
    dst.ClipRect(x, y, w, h);
    if constexpr (Rule::kClears) ClearAround(dst, gx, gy, gw, gh, x, y, w, h);
    if (w < 1 || h < 1) return;
    Layout::InitTables();
    SourceFrame f{};
    if (!PrepareSource<Layout>(source, sx, sy, sw, sh, f)) {
        if constexpr (Rule::kClears) dst.FillRect(x, y, w, h, 0);
        return;
    }
    int64_t m[9];
    BuildRotationMatrix3DFixed(m, -angle1, -angle2, -angle3);
    const int64_t K = static_cast<int64_t>(137438953472.0 / R);
    const int64_t R2 = static_cast<int64_t>(R * R);
    const int64_t oxI = static_cast<int64_t>(ox), oyI = static_cast<int64_t>(oy), ozI = static_cast<int64_t>(oz);
    const int64_t Kox = static_cast<int64_t>(K * ox), Koy = static_cast<int64_t>(K * oy);
    const int64_t Koz = static_cast<int64_t>(K * oz);
    const int64_t C0 = static_cast<int64_t>(ox * ox + oy * oy + oz * oz) - R2;
    const int64_t DI = static_cast<int64_t>(D), D2 = static_cast<int64_t>(D * D);
    const int64_t dx0 = HoldInt(int64_t{x} - cx, -32767, 32767 - int64_t{w});
    const int64_t dy0 = HoldInt(int64_t{y} - cy, -32767, 32767 - int64_t{h});

    const Layout layout;
    const uint32_t* root = TrigTables().SquareRoot();
    for (int32_t i = 0; i < h; ++i) {
        // Offsets held to +-32767 (only a box wider than 65534 pixels reaches
        // the bound), so S fits 31 bits and B, A and a 34.
        const int64_t dy = std::min<int64_t>(dy0 + i, 32767);
        uint32_t* d = dst.PixelAt(x, y + i);
        for (int32_t j = 0; j < w; ++j) {
            const int64_t dx = std::min<int64_t>(dx0 + j, 32767);
            const int64_t S = dx * dx + dy * dy;
            const int64_t a = D2 + S;
            const int64_t L = oxI * dx + oyI * dy;
            const int64_t B = S - L - DI * ozI;
            const int64_t A = S - 2 * L + C0;
            const SphereInt128 disc = SphereInt128{B} * B - SphereInt128{A} * a;  // up to 2^67
            if (disc < 0) {
                rule.Miss(d[j]);
                continue;
            }
            const uint64_t q = disc <= SphereInt128{UINT64_MAX}
                                   ? trig::SquareRootLarge(root, static_cast<uint64_t>(disc))
                                   : static_cast<uint64_t>(std::sqrt(static_cast<double>(disc)) * 4194304.0);
            const int64_t t = (static_cast<int64_t>(q) + B * 4194304) / a;  // both terms below 2^56
            const SphereInt128 u = -(SphereInt128{t} * K) >> 22;
            const SphereInt128 px = (u + K) * dx - Kox;
            const SphereInt128 py = (u + K) * dy - Koy;
            const SphereInt128 pz = Koz - u * DI;
            const int64_t X = HoldUnit(m[0] * px + m[1] * py + m[2] * pz);
            const int64_t Y = HoldUnit(m[3] * px + m[4] * py + m[5] * pz);
            const int64_t Z = HoldUnit(m[6] * px + m[7] * py + m[8] * pz);
            rule.Hit(d[j], layout.Sample(f, X, Y, Z));
        }
    }
}

}  // namespace

#define OC_SPHERE_P_PARAMS                                                                                        \
    int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double offX, double offY, double depth,  \
        double radius, double angle1, double angle2, double angle3, double distance, const CSprite &source,      \
        int32_t sx, int32_t sy, int32_t sw, int32_t sh
#define OC_SPHERE_O_PARAMS                                                                                        \
    int32_t x, int32_t y, int32_t w, int32_t h, int32_t centreX, int32_t centreY, double radius, double angle1,  \
        double angle2, double angle3, const CSprite &source, int32_t sx, int32_t sy, int32_t sw, int32_t sh
#define OC_SPHERE_P_ARGS \
    x, y, w, h, cx, cy, offX, offY, depth, radius, angle1, angle2, angle3, distance, source, sx, sy, sw, sh
#define OC_SPHERE_O_ARGS x, y, w, h, centreX, centreY, radius, angle1, angle2, angle3, source, sx, sy, sw, sh
#define OC_SPHERE_TO_ORTHO_ARGS                                                                                   \
    x, y, w, h, TruncToInt32Saturated(cx + std::trunc(offX)), TruncToInt32Saturated(cy + std::trunc(offY)),      \
        radius, angle1, angle2, angle3, source, sx, sy, sw, sh

// One pair of members per layout and write rule: the perspective member
// hands a distance below 1 (or NaN) to its orthographic twin.
#define OC_SPHERE_PAIR(Perspective, Ortho, Layout, Rule)                                                       \
    void CSprite::Ortho(OC_SPHERE_O_PARAMS) { SphereOrtho<Layout>(*this, Rule{}, OC_SPHERE_O_ARGS); }         \
    void CSprite::Perspective(OC_SPHERE_P_PARAMS) {                                                            \
        if (!(distance >= 1)) return Ortho(OC_SPHERE_TO_ORTHO_ARGS);                                           \
        SpherePerspective<Layout>(*this, Rule{}, OC_SPHERE_P_ARGS);                                            \
    }

OC_SPHERE_PAIR(Draw3DSphere, Draw3DSphereOrtho, TwinDisc, CopyAndClear)
OC_SPHERE_PAIR(Draw3DSphereVisible, Draw3DSphereVisibleOrtho, TwinDisc, VisibleRule)
OC_SPHERE_PAIR(Draw3DSphereAlpha, Draw3DSphereAlphaOrtho, TwinDisc, AlphaRule)
OC_SPHERE_PAIR(Draw3DSphereNoClear, Draw3DSphereNoClearOrtho, TwinDisc, CopyRule)
OC_SPHERE_PAIR(Draw3DSpherePolar, Draw3DSpherePolarOrtho, FoldedSquare, CopyAndClear)
OC_SPHERE_PAIR(Draw3DSpherePolarVisible, Draw3DSpherePolarVisibleOrtho, FoldedSquare, VisibleRule)
OC_SPHERE_PAIR(Draw3DSpherePolarAlpha, Draw3DSpherePolarAlphaOrtho, FoldedSquare, AlphaRule)
OC_SPHERE_PAIR(Draw3DSpherePolarNoClear, Draw3DSpherePolarNoClearOrtho, FoldedSquare, CopyRule)

// The opacity members: 0 draws nothing (before any table or clip), 255 is the
// plain alpha rule.
#define OC_SPHERE_OPACITY_PAIR(Perspective, Ortho, PlainPerspective, PlainOrtho, Layout)                       \
    void CSprite::Ortho(OC_SPHERE_O_PARAMS, uint8_t opacity) {                                                 \
        if (opacity == 255) return PlainOrtho(OC_SPHERE_O_ARGS);                                               \
        if (opacity == 0) return;                                                                              \
        SphereOrtho<Layout>(*this, AlphaOpacityRule{opacity}, OC_SPHERE_O_ARGS);                               \
    }                                                                                                          \
    void CSprite::Perspective(OC_SPHERE_P_PARAMS, uint8_t opacity) {                                           \
        if (!(distance >= 1)) return Ortho(OC_SPHERE_TO_ORTHO_ARGS, opacity);                                  \
        if (opacity == 255) return PlainPerspective(OC_SPHERE_P_ARGS);                                         \
        if (opacity == 0) return;                                                                              \
        SpherePerspective<Layout>(*this, AlphaOpacityRule{opacity}, OC_SPHERE_P_ARGS);                         \
    }

OC_SPHERE_OPACITY_PAIR(Draw3DSphereAlphaOpacity, Draw3DSphereAlphaOrthoOpacity, Draw3DSphereAlpha,
                       Draw3DSphereAlphaOrtho, TwinDisc)
OC_SPHERE_OPACITY_PAIR(Draw3DSpherePolarAlphaOpacity, Draw3DSpherePolarAlphaOrthoOpacity, Draw3DSpherePolarAlpha,
                       Draw3DSpherePolarAlphaOrtho, FoldedSquare)

void CSprite::Draw3DSphereIfReady(OC_SPHERE_P_PARAMS) {
    if (IsRasterReady()) Draw3DSphere(OC_SPHERE_P_ARGS);
}
void CSprite::Draw3DSpherePolarIfReady(OC_SPHERE_P_PARAMS) {
    if (IsRasterReady()) Draw3DSpherePolar(OC_SPHERE_P_ARGS);
}
