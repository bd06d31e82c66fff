#pragma once
// The geometry every rotated draw shares, written once; the members differ only
// in the pixel rule (a KernelFrame.h pixel operation) they apply.
//
// The walk is backwards: for each destination pixel of the clipped rectangle
// the source position of its top-left corner is stepped in 16.16 fixed point,
// (I, K) per destination column and (J, L) per destination row, starting from
// (F, G), the position under the unclipped rectangle's corner. The set-up, in
// doubles once per call, inverts the forward placement
//   destination = centre + offset + Rot(angle) (scaleX (qx - sw/2), scaleY (qy - sh/2)).
// For every row the run of columns whose position lies inside the source
// rectangle is solved in closed form, so the inner loop has no bounds test.
//
// Two tie-breaks keep exact half and quarter turns exact: the row start is
// nudged by 4/65536 of a pixel where a turn would otherwise land it on the far
// edge of a source pixel, and a run whose first position lies exactly on the
// far edge of the source (a negative step) samples one step further instead of
// starting a column later, losing its last column if that would fall below 0.
//
// Every position is kept in 64 bits: the source rectangle may be wider than
// 32767 pixels (a large source drawn at a small scale), where sw x 65536 no
// longer fits 32 bits. Each run is checked at both ends against the source
// rectangle before it is walked, so no rounding of the closed form can read
// outside it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <type_traits>

#include "raster/blend/DrawRules.h"
#include "raster/surface/sprite/Sprite.h"

namespace rotated {

// The sixteen arguments the rotated members share.
struct Args {
    int32_t dx, dy, dw, dh;
    int32_t offsetX, offsetY;
    double angle, scaleX, scaleY;
    const CSprite* source;
    int32_t sx, sy, sw, sh;
    double pivotX, pivotY;
};

#define OC_ROTATED_ARGS \
    ::rotated::Args { dx, dy, dw, dh, offsetX, offsetY, angle, scaleX, scaleY, &source, sx, sy, sw, sh, pivotX, pivotY }
#define OC_ROTATED_FORWARD dx, dy, dw, dh, offsetX, offsetY, angle, scaleX, scaleY, source, sx, sy, sw, sh, pivotX, pivotY

// The prepared walk.
struct Walk {
    int32_t cx, cy, cw, ch;  // the clipped destination rectangle
    int32_t sx, sy;          // the clipped source rectangle's origin
    int64_t limitX, limitY;  // its size in 16.16
    int64_t I, K, J, L;      // steps per column (I, K) and per row (J, L)
    int64_t Q, P;            // position of the first clipped row's first column
};

enum class Setup { Refused, Nothing, Draw };

// trunc(h + 0.5) for h >= 0, -trunc(0.5 - h) below: halves away from zero.
inline double NearestAwayFromZero(double h) noexcept { return h >= 0 ? std::trunc(h + 0.5) : -std::trunc(0.5 - h); }

inline Setup Prepare(const CSprite& target, const Args& a, Walk& w) noexcept {
    w.cx = a.dx;
    w.cy = a.dy;
    w.cw = a.dw;
    w.ch = a.dh;
    target.ClipRect(w.cx, w.cy, w.cw, w.ch);
    int32_t sx = a.sx, sy = a.sy, sw = a.sw, sh = a.sh;
    a.source->ClipRect(sx, sy, sw, sh);
    const CSprite& source = *a.source;
    if (source.GetWidth() <= 0 || source.GetHeight() <= 0 || !source.HasImage()) return Setup::Refused;
    // A value that is not a number would end in the range test below; refused
    // here already, before any of it reaches an integer.
    if (!std::isfinite(a.angle) || !std::isfinite(a.scaleX) || !std::isfinite(a.scaleY) ||
        !std::isfinite(a.pivotX) || !std::isfinite(a.pivotY))
        return Setup::Refused;

    double angle = a.angle;
    if (angle < 0) angle += (1 - std::trunc(angle / 360)) * 360;
    angle -= std::trunc(angle / 360) * 360;

    const double scaleX = a.scaleX, scaleY = a.scaleY;
    if (std::fabs(scaleX) < 0.001 || std::fabs(scaleY) < 0.001) return Setup::Refused;
    if (source.GetWidth() * std::fabs(scaleX) > 32000 || source.GetHeight() * std::fabs(scaleY) > 32000)
        return Setup::Refused;

    constexpr double pi = std::numbers::pi;
    // The pivot: the centre turns about it, so the pivot keeps its unturned place.
    double offsetX = a.offsetX, offsetY = a.offsetY;
    if (a.pivotX != 0.5 || a.pivotY != 0.5) {
        const double vx = sw * scaleX * (0.5 - a.pivotX);
        const double vy = sh * scaleY * (0.5 - a.pivotY);
        const double r = std::sqrt(vx * vx + vy * vy);
        const double phi = std::atan2(vy, vx);
        const double theta = angle * pi / 180;
        offsetX += NearestAwayFromZero(r * (std::cos(theta + phi) - std::cos(phi)));
        offsetY += NearestAwayFromZero(r * (std::sin(theta + phi) - std::sin(phi)));
    }

    const double beta = (360 - angle) * pi / 180;
    auto step = [](double v) { return static_cast<int64_t>(std::floor(v * 65536 + 0.5)); };  // |v| <= 1000
    w.I = step(std::cos(beta) / scaleX);
    w.K = step(std::sin(beta) / scaleY);
    w.J = step(std::cos(beta + pi / 2) / scaleX);
    w.L = step(std::sin(beta + pi / 2) / scaleY);

    const double rho = std::sqrt((a.dw * 0.5) * (a.dw * 0.5) + (a.dh * 0.5) * (a.dh * 0.5));
    const double alpha = std::atan2(-a.dh * 0.5, -a.dw * 0.5);
    const double rhoO = std::sqrt(offsetX * offsetX + offsetY * offsetY);
    const double alphaO = std::atan2(offsetY, offsetX);
    const double F = std::cos(alpha + beta) * 65536 / scaleX * rho - std::cos(alphaO + beta) * 65536 / scaleX * rhoO +
                     sw * 0.5 * 65536;
    const double G = std::sin(alpha + beta) * 65536 / scaleY * rho - std::sin(alphaO + beta) * 65536 / scaleY * rhoO +
                     sh * 0.5 * 65536;

    // The four corners bound every position walked inside the rectangle.
    const int64_t dw0 = a.dw, dh0 = a.dh;
    auto inRange = [](double v) { return v >= -2.147e9 && v <= 2.147e9; };
    const double cornersX[4] = {F, F + double(w.I * dw0), F + double(w.I * dw0 + w.J * dh0), F + double(w.J * dh0)};
    const double cornersY[4] = {G, G + double(w.K * dw0), G + double(w.K * dw0 + w.L * dh0), G + double(w.L * dh0)};
    for (int i = 0; i < 4; ++i)
        if (!inRange(cornersX[i]) || !inRange(cornersY[i])) return Setup::Refused;

    w.Q = static_cast<int64_t>(std::floor(F + 0.5)) + w.I * (int64_t{w.cx} - a.dx) + w.J * (int64_t{w.cy} - a.dy);
    w.P = static_cast<int64_t>(std::floor(G + 0.5)) + w.K * (int64_t{w.cx} - a.dx) + w.L * (int64_t{w.cy} - a.dy);
    if ((angle >= 180) != (scaleX < 0)) w.Q -= 4;
    if ((angle == 180 && scaleY >= 0) || (angle == 0 && scaleY < 0)) w.P -= 4;

    w.sx = sx;
    w.sy = sy;
    w.limitX = int64_t{sw} << 16;
    w.limitY = int64_t{sh} << 16;
    if (w.ch < 1 || w.cw < 1 || sw < 1 || sh < 1) return Setup::Nothing;
    return Setup::Draw;
}

// First column of the run on one axis: start s, step d, limit e, row length r.
// Negative: no column.
inline int64_t RunLow(int64_t s, int64_t d, int64_t e, int64_t r) noexcept {
    if (s < 0) {
        if (d == 0) return -1;
        const int64_t q = s / d;
        return (-s) % d == 0 ? -q : 1 - q;
    }
    if (s < e) return 0;
    if (d >= 0) return r;
    return -((s - e) / d) + ((s - e) % d != 0 ? 1 : 0);
}
// Last column before the run leaves the axis (the end is raised by one below
// when that column is still inside). Negative: no column.
inline int64_t RunHigh(int64_t s, int64_t d, int64_t e, int64_t r) noexcept {
    if (s < 0) return d == 0 ? -1 : (e - s) / d;
    if (d > 0) return (e - s) / d;
    if (d < 0) return -(s / d);
    return r;
}

// The run of one row: columns [first, end) sampled from (x, y) on.
struct Run {
    int64_t first, end;
    int64_t x, y;
};

inline Run RowRun(const Walk& w, int64_t q, int64_t p) noexcept {
    const int64_t r = w.cw;
    const int64_t s = (q >= -2 && q <= 2) ? 0 : q;
    const int64_t u = (p >= -2 && p <= 2) ? 0 : p;
    const int64_t loX = RunLow(s, w.I, w.limitX, r), loY = RunLow(u, w.K, w.limitY, r);
    const int64_t hiX = RunHigh(s, w.I, w.limitX, r), hiY = RunHigh(u, w.K, w.limitY, r);
    Run run;
    run.first = (loX < 0 || loY < 0) ? r : std::min(std::max(loX, loY), r);
    run.end = (hiX < 0 || hiY < 0) ? 0 : std::min(std::min(hiX, hiY), r);
    auto inside = [&](int64_t x, int64_t y) { return x >= 0 && x < w.limitX && y >= 0 && y < w.limitY; };
    if (inside(s + w.I * run.end, u + w.K * run.end)) run.end = std::min(run.end + 1, r);
    run.x = s + w.I * run.first;
    if (w.I < 0 && run.x >= w.limitX) {
        run.x += w.I;
        if (run.x + (run.end - run.first - 1) * w.I < 0) --run.end;
    }
    run.y = u + w.K * run.first;
    if (w.K < 0 && run.y >= w.limitY) {
        run.y += w.K;
        if (run.y + (run.end - run.first - 1) * w.K < 0) --run.end;
    }
    // Both ends inside means every column is (the positions are linear); trim
    // any end that is not, so that nothing outside the source is ever read.
    while (run.first < run.end && !inside(run.x, run.y)) {
        ++run.first;
        run.x += w.I;
        run.y += w.K;
    }
    while (run.first < run.end) {
        const int64_t last = run.end - run.first - 1;
        if (inside(run.x + w.I * last, run.y + w.K * last)) break;
        --run.end;
    }
    return run;
}

// Pixels sampled per gathered run.
constexpr int32_t kRotatedGather = 256;

// Walks the rows and applies the pixel operation to every run: the sampled
// source pixels are gathered into a buffer and handed to the operation's row
// loop, as the stretched draws do. Full copies are written straight through.
template <class Op>
bool Draw(CSprite& target, const Args& a, const Op& op) {
    Walk w;
    const Setup setup = Prepare(target, a, w);
    if (setup != Setup::Draw) return setup == Setup::Nothing;
    if (blend::DrawsNothing(op)) return true;
    const CSprite& source = *a.source;
    const uint32_t* origin = source.PixelAt(w.sx, w.sy);
    const int64_t stride = source.GetStride();
    constexpr bool kStraight = std::is_same_v<Op, blend::CopyPixels>;
    uint32_t gathered[kRotatedGather];
    int64_t q = w.Q, p = w.P;
    for (int32_t row = 0; row < w.ch; ++row, q += w.J, p += w.L) {
        const Run run = RowRun(w, q, p);
        if (run.first >= run.end) continue;
        uint32_t* d = target.PixelAt(w.cx, w.cy + row) + run.first;
        int64_t x = run.x, y = run.y;
        int64_t n = run.end - run.first;
        if constexpr (kStraight) {
            for (int64_t i = 0; i < n; ++i, x += w.I, y += w.K) d[i] = origin[(y >> 16) * stride + (x >> 16)];
        } else {
            while (n > 0) {
                const int32_t chunk = n < kRotatedGather ? static_cast<int32_t>(n) : kRotatedGather;
                for (int32_t i = 0; i < chunk; ++i, x += w.I, y += w.K)
                    gathered[i] = origin[(y >> 16) * stride + (x >> 16)];
                blend::RunRow(op, d, gathered, chunk);
                d += chunk;
                n -= chunk;
            }
        }
    }
    return true;
}

// Opacity members: 0 draws nothing before anything else is looked at, 255 runs
// the full-opacity rule, anything else the opacity rule.
template <class Full, class WithOpacity>
bool DrawWithOpacity(CSprite& target, const Args& a, uint8_t opacity, const Full& full, const WithOpacity& partial) {
    if (opacity == 0) return true;
    if (opacity == 255) return Draw(target, a, full);
    return Draw(target, a, partial);
}

}  // namespace rotated
