// Outline preparation: before a fill scan-converts an outline, every element
// is annotated with what the sample lines need, once per fill, so that each
// sample line afterwards costs only integer compares and, on a CircleCurve, a
// few secant steps from the previous line's solution.
//
// Per element (the current point (x0, y0) is where the element starts):
//   Line        y range, slope dx/dy (0 when flat), direction of travel;
//   Jump        y range;
//   Return, Tip, Separator  y range 0..0 and angles 0; an element followed by
//               a Return (or by a Tip and a Return) is skipped together with
//               them, as the scan converter skips it;
//   CircleCurve the spiral r(t) = a t + b over the parameter interval
//               [tlo, thi] (tlo the end where the angle is smaller), the
//               tangent directions at both ends, and the split into up to
//               four y-monotonic pieces. The turning points of y(t) = r(t)
//               sin t are the roots m1 (largest y) and m2 (smallest y) of
//               dy/dt in [0, pi] and [pi, 2 pi], and m3, m4 one turn later,
//               each found by 32 halvings. A piece holds its y range, which
//               end point it carries with its crossing kind (1 travelling
//               toward smaller y, 6 toward larger), and a solver: an angle
//               at the top of the piece that is moved, by bisection, onto the
//               first sample line of the clip inside the piece, with the
//               angle step to the next sample line as the first secant step;
//   Arc         the quarter ellipse x^2/rx^2 + y^2/ry^2 = 1 about the centre
//               through both ends: its semi-axes from the two end offsets,
//               its quadrant (shape 1..4), 5 for a vertical segment, 0 when
//               degenerate, and the directions at both ends. Ends in
//               different quadrants make the preparation fail.
//
// The levels differ only in the sample grid, so the preparation is one
// template over the grid step; piece tops are rounded down to the grid.
//
// Outline coordinates are any 32-bit values: differences are taken in 64
// bits, squares in double, and sums of a coordinate and a double are
// truncated and saturated, never wrapped.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "raster/diagram/DiagramLevels.h"
#include "raster/filter/Easing.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr double kPreparePi = std::numbers::pi;
constexpr double kPrepareTwoPi = 2 * std::numbers::pi;

// Crossing kinds of an end point.
constexpr uint32_t kTowardSmallerY = 1;
constexpr uint32_t kTowardLargerY = 6;

// Bisection limits: 32 halvings for the turning points, at most 50 for the
// solver start.
constexpr int kTurnHalvings = 32;
constexpr int kSolverHalvings = 50;

// atan2 of an offset about a centre through Atan2Int; an x offset beyond the
// 32-bit range (only from absurd coordinates) takes the same atan2 directly.
double OffsetAngle(int64_t dy, int64_t dx) {
    if (dx >= INT32_MIN && dx <= INT32_MAX) return Atan2Int(static_cast<double>(dy), static_cast<int32_t>(dx));
    return std::atan2(static_cast<double>(dy), static_cast<double>(dx));
}

int32_t SignOf(int64_t v) { return (v > 0) - (v < 0); }

// c + trunc(v), saturated: the y of a turning point truncated toward the
// centre. Beyond 2^40 the sum saturates whatever c is.
int32_t CentreOffset(int32_t c, double v) {
    const int64_t t = std::clamp<int64_t>(diagram::TruncToInt64(v), -(int64_t{1} << 40), int64_t{1} << 40);
    return diagram::SaturateToInt32(c + t);
}

// trunc(c + v), saturated: the y of a turning point truncated toward zero.
int32_t AbsoluteY(int32_t c, double v) { return diagram::TruncToInt32(static_cast<double>(c) + v); }

// The first angle between `from` and `limit` whose y truncates to `target`,
// by halving (at most kSolverHalvings times); y(t) rises with t on a rising
// piece and falls on a falling one. Leaves the last midpoint and its y.
struct SolverHit {
    double angle;
    double y;
};

SolverHit BisectToRow(double a, double b, double from, double limit, int64_t target, bool rising) {
    double lo = std::min(from, limit);
    double hi = std::max(from, limit);
    double mid = lo + (hi - lo) * 0.5;
    double y = diagram::SpiralY(a, b, mid);
    for (int n = 0; n < kSolverHalvings; ++n) {
        const int64_t row = diagram::TruncToInt64(y);
        if (row == target) break;
        if (rising == (target < row))
            hi = mid;
        else
            lo = mid;
        mid = lo + (hi - lo) * 0.5;
        y = diagram::SpiralY(a, b, mid);
    }
    return {mid, y};
}

template <int32_t kStep>
class OutlinePreparation {
public:
    // Clip rows [row, row + rows) in pixels; the sample range is
    // [16 row, 16 (row + rows)] in sixteenths.
    OutlinePreparation(int32_t row, int32_t rows)
        : m_clipTop(int64_t{16} * row), m_clipBottom(int64_t{16} * (int64_t{row} + rows)) {}

    bool Run(DiagramInfo& record) const {
        const DiagramInfoFactor& start = record[0];  // throws 0 for an empty outline
        const uint32_t count = record.GetCount();
        record.SetRefusedElement(DiagramInfo::kNoRefusal);
        int32_t x0 = start.X;
        int32_t y0 = start.Y;
        for (uint32_t i = 1; i < count;) {
            if (i + 1 < count) {
                const uint32_t next = record[i + 1].Type;
                if (next == DiagramInfoFactor::kReturn) {
                    i += 2;
                    continue;
                }
                if (next == DiagramInfoFactor::kTip && i + 2 < count &&
                    record[i + 2].Type == DiagramInfoFactor::kReturn) {
                    i += 3;
                    continue;
                }
            }
            DiagramInfoFactor& e = record[i];
            ++i;
            switch (e.Type) {
            case DiagramInfoFactor::kStart:
                break;
            case DiagramInfoFactor::kLine:
                Line(e, x0, y0);
                break;
            case DiagramInfoFactor::kCircleCurve:
                Curve(e, x0, y0);
                break;
            case DiagramInfoFactor::kArc:
                if (!Arc(e, x0, y0)) {
                    record.SetRefusedElement(i - 1);
                    return false;
                }
                break;
            case DiagramInfoFactor::kJump:
                SetYRange(e, y0);
                e.startAngle = 0;
                e.endAngle = 0;
                break;
            default:
                // Return, Tip, Separator (and any unknown kind): no extent, no
                // move of the pen.
                e.yMin = 0;
                e.yMax = 0;
                e.startAngle = 0;
                e.endAngle = 0;
                continue;
            }
            x0 = e.X;
            y0 = e.Y;
        }
        return true;
    }

private:
    static void SetYRange(DiagramInfoFactor& e, int32_t y0) {
        e.yMin = std::min(y0, e.Y);
        e.yMax = std::max(y0, e.Y);
    }

    static void Line(DiagramInfoFactor& e, int32_t x0, int32_t y0) {
        SetYRange(e, y0);
        const int64_t dx = int64_t{e.X} - x0;
        const int64_t dy = int64_t{e.Y} - y0;
        e.coefA = dy == 0 ? 0.0 : static_cast<double>(dx) / static_cast<double>(dy);
        double angle = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
        if (angle < 0) angle += kPrepareTwoPi;
        e.startAngle = angle;
        e.endAngle = angle;
    }

    void Curve(DiagramInfoFactor& e, int32_t x0, int32_t y0) const;
    static bool Arc(DiagramInfoFactor& e, int32_t x0, int32_t y0);
    void PlaceSolver(DiagramInfoFactor& e, int k) const;

    int64_t m_clipTop;
    int64_t m_clipBottom;
};

template <int32_t kStep>
void OutlinePreparation<kStep>::Curve(DiagramInfoFactor& e, int32_t x0, int32_t y0) const {
    const int32_t cx = e.X2;
    const int32_t cy = e.Y2;
    const bool forward = e.CurveFlag != 0;

    // Step 1: the spiral through both ends.
    const double sdx = static_cast<double>(x0) - cx, sdy = static_cast<double>(y0) - cy;
    const double edx = static_cast<double>(e.X) - cx, edy = static_cast<double>(e.Y) - cy;
    double ts = std::atan2(sdy, sdx);
    if (ts < 0) ts += kPrepareTwoPi;
    double te = std::atan2(edy, edx);
    if (te < 0) te += kPrepareTwoPi;
    const double rs = std::sqrt(sdx * sdx + sdy * sdy);
    const double re = std::sqrt(edx * edx + edy * edy);
    const double turn = te - ts;
    if (turn >= 0 && turn <= 1e-7)
        te += 1e-7;
    else if (turn >= -1e-7 && turn < 0)
        te -= 1e-7;

    double tlo, thi, rlo, rhi;
    int32_t ylo, yhi;
    if (forward) {
        tlo = ts;
        thi = te;
        if (ts > te) thi += kPrepareTwoPi;
        rlo = rs;
        rhi = re;
        ylo = y0;
        yhi = e.Y;
    } else {
        tlo = te;
        thi = ts;
        if (te > ts) thi += kPrepareTwoPi;
        rlo = re;
        rhi = rs;
        ylo = e.Y;
        yhi = y0;
    }
    const double a = (rhi - rlo) / (thi - tlo);
    const double b = rlo - a * tlo;
    e.coefA = a;
    e.coefB = b;

    // Step 2: directions of travel at both ends.
    auto direction = [a, b](double t) {
        const double r = diagram::SpiralRadius(a, b, t);
        const double c = std::cos(t), s = std::sin(t);
        return std::atan2(r * c + a * s, a * c - r * s);
    };
    double startAngle, endAngle;
    if (forward) {
        startAngle = direction(tlo);
        endAngle = direction(thi);
    } else {
        startAngle = direction(thi) - kPreparePi;
        endAngle = direction(tlo) - kPreparePi;
    }
    while (startAngle < 0) startAngle += kPrepareTwoPi;
    while (endAngle < 0) endAngle += kPrepareTwoPi;
    e.startAngle = startAngle;
    e.endAngle = endAngle;

    // Step 3: turning points of y, roots of dy/dt = r(t) cos t + a sin t.
    auto slope = [a, b](double t) { return diagram::SpiralRadius(a, b, t) * std::cos(t) + a * std::sin(t); };
    auto root = [&slope](double lo, double hi, bool largestY) {
        double mid = lo;
        for (int n = 0; n < kTurnHalvings; ++n) {
            mid = lo + (hi - lo) * 0.5;
            const double f = slope(mid);
            if (largestY ? f > 0 : f < 0)
                lo = mid;
            else
                hi = mid;
        }
        return mid;
    };
    const double m1 = root(0, kPreparePi, true);
    const double m2 = root(kPreparePi, kPrepareTwoPi, false);
    const double m3 = root(kPrepareTwoPi, 3 * kPreparePi, true);
    const double m4 = root(3 * kPreparePi, 4 * kPreparePi, false);
    const double Y1 = diagram::SpiralY(a, b, m1);
    const double Y2 = diagram::SpiralY(a, b, m2);
    const double Y3 = diagram::SpiralY(a, b, m3);
    const double Y4 = diagram::SpiralY(a, b, m4);

    // Step 4: the y-monotonic pieces.
    bool present[4] = {false, false, false, false};
    for (int k = 0; k < 4; ++k) {
        e.pieces[k] = DiagramPiece{};
        e.pieceTop[k] = kDiagramNoY;
        e.pieceBottom[k] = kDiagramNoY;
    }
    e.startPiece = 0;
    e.endPiece = 0;
    e.startKind = 0;
    e.endKind = 0;
    auto put = [&](int k, double anchor, double step, double yAnchor, double limit, int32_t top, int32_t bottom) {
        e.pieces[k] = DiagramPiece{anchor, step, yAnchor, limit};
        e.pieceTop[k] = top;
        e.pieceBottom[k] = bottom;
        present[k] = true;
    };
    // The end at tlo is where the curve starts when it runs forward; the
    // crossing kinds below are those of travel in the curve's own direction.
    auto holdLow = [&](int k, uint32_t kindForward) {
        if (forward) {
            e.startPiece = static_cast<uint32_t>(k);
            e.startKind = kindForward;
        } else {
            e.endPiece = static_cast<uint32_t>(k);
            e.endKind = kindForward == kTowardLargerY ? kTowardSmallerY : kTowardLargerY;
        }
    };
    auto holdHigh = [&](int k, uint32_t kindForward) {
        if (forward) {
            e.endPiece = static_cast<uint32_t>(k);
            e.endKind = kindForward;
        } else {
            e.startPiece = static_cast<uint32_t>(k);
            e.startKind = kindForward == kTowardLargerY ? kTowardSmallerY : kTowardLargerY;
        }
    };
    const int32_t bottom1 = AbsoluteY(cy, Y1);
    const int32_t bottom3 = AbsoluteY(cy, Y3);

    // Slot 0: the rising piece that starts at tlo.
    if (tlo < m1 || tlo >= m2) {
        const double anchor = tlo < m1 ? 0.0 : m2;
        const double step = std::max(tlo - anchor, 0.01);
        if (tlo < m1 && m1 < thi) {
            put(0, anchor, step, diagram::SpiralY(a, b, anchor), m1, ylo, bottom1);
            holdLow(0, kTowardLargerY);
        } else if (m2 <= tlo && thi > m3) {
            put(0, anchor, step, diagram::SpiralY(a, b, anchor), m3, ylo, bottom3);
            holdLow(0, kTowardLargerY);
        } else {
            put(0, anchor, step, diagram::SpiralY(a, b, anchor), thi, ylo, yhi);
            holdLow(0, kTowardLargerY);
            holdHigh(0, kTowardLargerY);
        }
    }
    // Slot 1: the falling piece that ends at thi.
    const bool endsBeforeM2 = m1 < thi && thi <= m2;
    if (endsBeforeM2 || (m3 < thi && thi <= m4)) {
        const double anchor = endsBeforeM2 ? m2 : m4;
        const double step = std::min(thi - anchor, -0.01);
        if (tlo < m1 && thi <= m2) {
            put(1, anchor, step, diagram::SpiralY(a, b, anchor), m1, yhi, bottom1);
            holdHigh(1, kTowardSmallerY);
        } else if (thi > m3) {
            put(1, anchor, step, diagram::SpiralY(a, b, anchor), m3, yhi, bottom3);
            holdHigh(1, kTowardSmallerY);
        } else {
            put(1, anchor, step, diagram::SpiralY(a, b, anchor), tlo, yhi, ylo);
            holdLow(1, kTowardSmallerY);
            holdHigh(1, kTowardSmallerY);
        }
    }
    int32_t yMin = std::min(y0, e.Y);
    // Slots 2 and beyond: the two pieces that meet at the top of the turn m2.
    if (tlo < m2 && m2 < thi) {
        const int32_t top = CentreOffset(cy, Y2);
        if (tlo < m1) {
            put(2, m2, -0.1, Y2, m1, top, bottom1);
        } else {
            put(2, m2, -0.1, Y2, tlo, top, ylo);
            holdLow(2, kTowardSmallerY);
        }
        const int k = !present[0] ? 0 : !present[1] ? 1 : 3;
        if (thi > m3) {
            put(k, m2, 0.1, Y2, m3, top, bottom3);
        } else {
            put(k, m2, 0.1, Y2, thi, top, yhi);
            holdHigh(k, kTowardLargerY);
        }
        yMin = std::min(yMin, top);
    }
    // ... and the two that meet at the top of the next turn m4.
    if (thi > m4) {
        const int32_t top = CentreOffset(cy, Y4);
        put(3, m4, -0.1, Y4, m3, top, bottom3);
        const int k = !present[0] ? 0 : 1;
        put(k, m4, 0.1, Y4, thi, top, yhi);
        holdHigh(k, kTowardLargerY);
        yMin = std::min(yMin, top);
    }
    e.yMin = yMin;
    const int32_t ends = std::max(y0, e.Y);
    if (tlo < m1 && m1 <= thi)
        e.yMax = thi > m3 ? CentreOffset(cy, std::max(Y1, Y3)) : std::max(ends, CentreOffset(cy, Y1));
    else if (thi < m1)
        e.yMax = ends;
    else
        e.yMax = thi >= m3 ? std::max(ends, CentreOffset(cy, Y3)) : ends;

    // Step 5: every piece that meets the clip gets its solver onto the first
    // sample line inside both.
    for (int k = 0; k < 4; ++k)
        if (present[k]) PlaceSolver(e, k);
}

template <int32_t kStep>
void OutlinePreparation<kStep>::PlaceSolver(DiagramInfoFactor& e, int k) const {
    const int32_t top = diagram::SampleRow(e.pieceTop[k], kStep);
    const int32_t bottom = e.pieceBottom[k];
    e.pieceTop[k] = top;
    if (top > m_clipBottom || bottom < m_clipTop) return;

    const double a = e.coefA, b = e.coefB;
    const int64_t cy = e.Y2;
    DiagramPiece& piece = e.pieces[k];
    const bool rising = piece.step >= 0;
    const int64_t target = std::max<int64_t>(top, m_clipTop) - cy;
    if (diagram::TruncToInt64(piece.y) != target) {
        const SolverHit hit = BisectToRow(a, b, piece.angle, piece.limit, target, rising);
        piece.angle = hit.angle;
        piece.y = hit.y;
    }
    const int64_t next = target + kStep;
    if (cy + next >= top && cy + next <= bottom) {
        const SolverHit hit = BisectToRow(a, b, piece.angle, piece.limit, next, rising);
        piece.step = hit.angle - piece.angle;
    }
}

template <int32_t kStep>
bool OutlinePreparation<kStep>::Arc(DiagramInfoFactor& e, int32_t x0, int32_t y0) {
    const int64_t cx = e.X2, cy = e.Y2;
    const int64_t sdx = x0 - cx, sdy = y0 - cy;
    const int64_t edx = e.X - cx, edy = e.Y - cy;
    const int32_t sx = SignOf(sdx), sy = SignOf(sdy);
    const int32_t ex = SignOf(edx), ey = SignOf(edy);
    if (ex * sx < 0 || ey * sy < 0) return false;  // ends in different quadrants

    const bool endIsUpper = y0 >= e.Y;
    const int64_t dxu = endIsUpper ? edx : sdx, dyu = endIsUpper ? edy : sdy;
    const int64_t dxl = endIsUpper ? sdx : edx, dyl = endIsUpper ? sdy : edy;
    e.yMin = endIsUpper ? e.Y : y0;
    e.yMax = endIsUpper ? y0 : e.Y;

    if (dxu == dxl) {
        e.arcShape = 5;
        const bool down = y0 < e.Y;
        e.startAngle = down ? kPreparePi / 2 : kPreparePi * 3 / 2;
        e.endAngle = e.startAngle;
        e.startKind = down ? kTowardLargerY : kTowardSmallerY;
        return true;
    }

    // Squares in double: an offset can exceed 2^31 in magnitude, and its
    // square 2^63.
    const double dxu2 = static_cast<double>(dxu) * static_cast<double>(dxu);
    const double dyu2 = static_cast<double>(dyu) * static_cast<double>(dyu);
    const double dxl2 = static_cast<double>(dxl) * static_cast<double>(dxl);
    const double dyl2 = static_cast<double>(dyl) * static_cast<double>(dyl);
    const double D = dyl2 - dyu2;
    const double E = dxu2 - dxl2;  // never 0 here: the x offsets differ and share a sign
    double rx2 = 0, ry2 = 0;
    bool degenerate = std::fabs(D) < 1e-9;
    if (!degenerate) {
        rx2 = dyu2 * E / D + dxu2;
        ry2 = D / E * rx2;
        degenerate = rx2 < 1e-9 || ry2 < 0;
    }
    if (degenerate) {
        e.arcShape = 0;
        e.startAngle = 0;
        e.endAngle = 0;
        return true;
    }
    const double rx = std::sqrt(rx2);
    const double ry = std::sqrt(ry2);
    e.coefA = rx;
    e.coefB = ry;
    const int32_t xSide = sx != 0 ? sx : ex;
    const bool upperHalf = sy < 0 || (sy == 0 && ey < 0);
    const int32_t shape = xSide < 0 ? (upperHalf ? 3 : 2) : (upperHalf ? 4 : 1);
    e.arcShape = shape;

    double as = OffsetAngle(sdy, sdx);
    double ae = OffsetAngle(edy, edx);
    if (shape != 4) {
        if (as < 0) as += kPrepareTwoPi;
        if (ae < 0) ae += kPrepareTwoPi;
    }
    double startAngle = std::atan2(rx * std::cos(as), -ry * std::sin(as));
    if (startAngle < 0) startAngle += kPrepareTwoPi;
    double endAngle = std::atan2(rx * std::cos(ae), -ry * std::sin(ae));
    if (endAngle < 0) endAngle += kPrepareTwoPi;
    e.startKind = (ae > as) == (shape == 2 || shape == 3) ? kTowardSmallerY : kTowardLargerY;
    if (as > ae) {
        startAngle = startAngle < kPreparePi ? startAngle + kPreparePi : startAngle - kPreparePi;
        endAngle = endAngle < kPreparePi ? endAngle + kPreparePi : endAngle - kPreparePi;
    }
    e.startAngle = startAngle;
    e.endAngle = endAngle;
    return true;
}

template <int32_t kStep>
bool PrepareOutline(int32_t row, int32_t rows, DiagramInfo& record) {
    return OutlinePreparation<kStep>(row, rows).Run(record);
}

}  // namespace

bool CSprite::PrepareDiagramAa0(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(0)>(y, h, record);
}

bool CSprite::PrepareDiagramAa1(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(1)>(y, h, record);
}

bool CSprite::PrepareDiagramAa2(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(2)>(y, h, record);
}

bool CSprite::PrepareDiagramAa4(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(4)>(y, h, record);
}

bool CSprite::PrepareDiagramAa8(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(8)>(y, h, record);
}

bool CSprite::PrepareDiagramAa16(int32_t, int32_t y, int32_t, int32_t h, DiagramInfo& record) {
    return PrepareOutline<diagram::GridStep(16)>(y, h, record);
}
