// Shape outline builders: ellipses, thick lines and CircleCurves, ring
// segments, box frames and pies as closed outlines in a DiagramInfo, handed to
// the diagram rasteriser at an anti-alias level.
//
// Every builder runs the same frame: take the caller's record or the
// builder's own static one; refuse a bad width or an empty box before the
// reset (the caller's record keeps its outline); reset; refuse equal angles
// after it; append the outline; then pick the kernel of the level and the
// target, only while the raster library is started. The geometry of a shape
// is written once (Build... below); the Mask, plain and Alpha members (and the
// colour-only segment strokes of the stroke drivers) differ only in the
// kernel they reach.
//
// Ellipse arcs go through DiagramInfo::AddArcQuadrants, which splits them at
// the axis points. The box ellipse of the ring segments and the pie has
// half-axes by side: rx(a) is right - cx on the right half (a <= pi/2 or
// a >= 3 pi/2) and cx - left on the left one, ry(a) is bottom - cy on the
// lower half (a <= pi) and cy - top on the upper one.
//
// Coordinates are computed in 64 bits and stored modulo 2^32, and doubles
// become integers by truncation toward zero saturating at the 32-bit range,
// so that absurd sizes read from a document give a wrong outline rather than
// undefined behaviour.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "raster/diagram/DiagramFillTable.h"
#include "raster/diagram/DiagramLevels.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = kPi / 2;
constexpr double kThreeHalfPi = kPi * 3 / 2;

int32_t Narrow(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// trunc(v) saturated to the 32-bit range (NaN gives 0), widened so that the
// sums below are formed in 64 bits.
int64_t Trunc(double v) { return diagram::TruncToInt32(v); }

// Round half away from zero, as -trunc(0.5 - v) below 0 and trunc(v + 0.5)
// otherwise, the sums in double: the largest double below one half
// (0.49999999999999994) then rounds to 1, where std::round gives 0.
int64_t Round(double v) { return v < 0 ? -Trunc(0.5 - v) : Trunc(v + 0.5); }

// Appends with 64-bit coordinates; every edge enabled.
class Pen {
public:
    explicit Pen(DiagramInfo& record) : m_record(record) {}

    void Start(int64_t x, int64_t y) { m_record.SetStartPoint(Narrow(x), Narrow(y)); }
    void Line(int64_t x, int64_t y) { m_record.AddLine(Narrow(x), Narrow(y), 1); }
    void Curve(int64_t x, int64_t y, int32_t cx, int32_t cy, uint8_t direction) {
        m_record.AddCircleCurve(Narrow(x), Narrow(y), cx, cy, direction, 1);
    }
    void Arc(int64_t x, int64_t y, int32_t cx, int32_t cy) { m_record.AddArc(Narrow(x), Narrow(y), cx, cy, 1); }
    // Arcs about (cx, cy) on the ellipse with the axis points left, top, right,
    // bottom, from the current point at a0 to (x, y) at a1.
    void Arcs(int64_t x, int64_t y, int32_t cx, int32_t cy, int64_t left, int64_t top, int64_t right,
              int64_t bottom, bool forward, double a0, double a1) {
        m_record.AddArcQuadrants(Narrow(x), Narrow(y), cx, cy, Narrow(left), Narrow(top), Narrow(right),
                                 Narrow(bottom), forward ? 1 : 0, a0, a1, 1);
    }

private:
    DiagramInfo& m_record;
};

// The angle pair of a ring segment or pie: a difference of a full turn or more
// is the whole turn 0 -> 2 pi, always forward; otherwise both angles are
// normalised and the sense comes from the caller's angles.
struct Sweep {
    double a0;
    double a1;
    bool forward;
};

bool IsFullTurn(double a0, double a1) { return a1 >= a0 + kTwoPi || a1 <= a0 - kTwoPi; }

Sweep MakeSweep(double a0, double a1) {
    if (IsFullTurn(a0, a1)) return {0, kTwoPi, true};
    return {NormalizeDiagramAngle(a0), NormalizeDiagramAngle(a1), a1 > a0};
}

// The box about its centre with half-axes by side.
struct Box {
    int32_t cx, cy, left, top, right, bottom;

    double Rx(double a) const {
        return static_cast<double>((a <= kHalfPi || a >= kThreeHalfPi) ? int64_t(right) - cx : int64_t(cx) - left);
    }
    double Ry(double a) const { return static_cast<double>(a <= kPi ? int64_t(bottom) - cy : int64_t(cy) - top); }
    // The point at angle a of the ellipse grown by `grow` on every side.
    int64_t PointX(double a, int32_t grow = 0) const { return cx + Trunc((Rx(a) + grow) * std::cos(a)); }
    int64_t PointY(double a, int32_t grow = 0) const { return cy + Trunc((Ry(a) + grow) * std::sin(a)); }
};

// ---- geometry (true when an outline was built) ----

bool BuildEllipse(DiagramInfo& record, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t cx,
                  int32_t cy) {
    if (left >= right || top >= bottom) return false;
    record.Reset();
    Pen pen(record);
    pen.Start(cx, top);
    pen.Arc(right, cy, cx, cy);
    pen.Arc(cx, bottom, cx, cy);
    pen.Arc(left, cy, cx, cy);
    pen.Arc(cx, top, cx, cy);
    return true;
}

// The sides are the segment moved by (A - C, B - D) and by (-C, -D), where
// (A, B) is the rounded normal of length width and C, D halve it toward zero:
// an odd unit goes to the first side.
bool BuildThickLine(DiagramInfo& record, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                    uint8_t startPointed, uint8_t endPointed) {
    if (width < 1) return false;
    record.Reset();
    const double t = std::atan2(double(y2) - y1, double(x2) - x1) + kHalfPi;
    const int64_t A = Round(std::cos(t) * width);
    const int64_t B = Round(std::sin(t) * width);
    const int64_t C = A / 2;
    const int64_t D = B / 2;
    Pen pen(record);
    if (startPointed != 0) {
        pen.Start(x1, y1);
        pen.Line(x2 + A - C, y2 + B - D);
        pen.Line(x2 - C, y2 - D);
        pen.Line(x1, y1);
        return true;
    }
    pen.Start(x1 + A - C, y1 + B - D);
    if (endPointed != 0) {
        pen.Line(x2, y2);
    } else {
        pen.Line(x2 + A - C, y2 + B - D);
        pen.Line(x2 - C, y2 - D);
    }
    pen.Line(x1 - C, y1 - D);
    pen.Line(x1 + A - C, y1 + B - D);
    return true;
}

// Both sides are spirals about the same centre; the end offsets are half the
// width along the normals at the ends, taken from the chord to a point one
// ten-thousandth of the span further along the curve.
bool BuildThickCircleCurve(DiagramInfo& record, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx,
                           int32_t cy, uint8_t direction, int32_t width, uint8_t startPointed, uint8_t endPointed) {
    if (width < 1) return false;
    record.Reset();
    const double dx1 = double(x1) - cx, dy1 = double(y1) - cy;
    const double dx2 = double(x2) - cx, dy2 = double(y2) - cy;
    const double a1 = std::atan2(dy1, dx1);
    const double a2 = std::atan2(dy2, dx2);
    double span = a2 - a1;
    if (span < 0) span += kTwoPi;
    if (direction == 0) span -= kTwoPi;
    const double r1 = std::sqrt(dx1 * dx1 + dy1 * dy1);
    const double r2 = std::sqrt(dx2 * dx2 + dy2 * dy2);
    const double dTheta = span / 10000;
    const double dr = (r2 - r1) / 10000;
    const double ns =
        std::atan2((r1 + dr) * std::sin(a1 + dTheta) - dy1, (r1 + dr) * std::cos(a1 + dTheta) - dx1) + kHalfPi;
    const double ne =
        std::atan2((r2 + dr) * std::sin(a2 + dTheta) - dy2, (r2 + dr) * std::cos(a2 + dTheta) - dx2) + kHalfPi;
    const int64_t R = Trunc(std::cos(ns) * width * 0.5);
    const int64_t S = Trunc(std::sin(ns) * width * 0.5);
    const int64_t P = Trunc(std::cos(ne) * width * 0.5);
    const int64_t Q = Trunc(std::sin(ne) * width * 0.5);
    const uint8_t back = direction != 0 ? 0 : 1;
    Pen pen(record);
    if (startPointed != 0) {
        pen.Start(x1, y1);
        pen.Curve(x2 - P, y2 - Q, cx, cy, direction);
        pen.Line(x2 + P, y2 + Q);
        pen.Curve(x1, y1, cx, cy, back);
        return true;
    }
    pen.Start(x1 - R, y1 - S);
    if (endPointed != 0) {
        pen.Curve(x2, y2, cx, cy, direction);
    } else {
        pen.Curve(x2 - P, y2 - Q, cx, cy, direction);
        pen.Line(x2 + P, y2 + Q);
    }
    pen.Curve(x1 + R, y1 + S, cx, cy, back);
    pen.Line(x1 - R, y1 - S);
    return true;
}

bool BuildRingSegment(DiagramInfo& record, int32_t cx, int32_t cy, double a0, double a1, int32_t width,
                      int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (width < 1) return false;
    record.Reset();
    if (a0 == a1) return false;
    const Sweep s = MakeSweep(a0, a1);
    const Box box{cx, cy, left, top, right, bottom};
    Pen pen(record);
    pen.Start(box.PointX(s.a0), box.PointY(s.a0));
    pen.Line(box.PointX(s.a0, width), box.PointY(s.a0, width));
    pen.Arcs(box.PointX(s.a1, width), box.PointY(s.a1, width), cx, cy, int64_t(left) - width,
             int64_t(top) - width, int64_t(right) + width, int64_t(bottom) + width, s.forward, s.a0, s.a1);
    pen.Line(box.PointX(s.a1), box.PointY(s.a1));
    pen.Arcs(box.PointX(s.a0), box.PointY(s.a0), cx, cy, left, top, right, bottom, !s.forward, s.a1, s.a0);
    return true;
}

// The axis points lie one unit outside the scaled radii while the start and
// end points are truncated toward the centre.
bool BuildRingScaled(DiagramInfo& record, int32_t cx, int32_t cy, double a0, double a1, int32_t width,
                     int32_t left, int32_t top, int32_t right, int32_t bottom, double sLeft, double sTop,
                     double sRight, double sBottom) {
    if (width < 1) return false;
    record.Reset();
    if (a0 == a1) return false;
    const Sweep s = MakeSweep(a0, a1);
    const Box box{cx, cy, left, top, right, bottom};
    auto sx = [&](double a) { return (a <= kHalfPi || a >= kThreeHalfPi) ? sRight : sLeft; };
    auto sy = [&](double a) { return a <= kPi ? sBottom : sTop; };
    auto innerX = [&](double a) { return cx + Trunc(sx(a) * box.Rx(a) * std::cos(a)); };
    auto innerY = [&](double a) { return cy + Trunc(sy(a) * box.Ry(a) * std::sin(a)); };
    auto outerX = [&](double a) { return cx + Trunc((width + box.Rx(a)) * sx(a) * std::cos(a)); };
    auto outerY = [&](double a) { return cy + Trunc((width + box.Ry(a)) * sy(a) * std::sin(a)); };
    const double dLeft = double(cx) - left, dTop = double(cy) - top;
    const double dRight = double(right) - cx, dBottom = double(bottom) - cy;

    Pen pen(record);
    pen.Start(innerX(s.a0), innerY(s.a0));
    pen.Line(outerX(s.a0), outerY(s.a0));
    pen.Arcs(outerX(s.a1), outerY(s.a1), cx, cy, Trunc(cx - (dLeft + width) * sLeft) - 1,
             Trunc(cy - (dTop + width) * sTop) - 1, Trunc(cx + (dRight + width) * sRight) + 1,
             Trunc(cy + (dBottom + width) * sBottom) + 1, s.forward, s.a0, s.a1);
    pen.Line(innerX(s.a1), innerY(s.a1));
    pen.Arcs(innerX(s.a0), innerY(s.a0), cx, cy, Trunc(cx - dLeft * sLeft) - 1, Trunc(cy - dTop * sTop) - 1,
             Trunc(cx + dRight * sRight) + 1, Trunc(cy + dBottom * sBottom) + 1, !s.forward, s.a1, s.a0);
    return true;
}

// One contour round the outer rectangle, in along a seam at x = left + u and
// round the inner rectangle the other way.
bool BuildBoxFrame(DiagramInfo& record, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width) {
    if (width < 1) return false;
    record.Reset();
    const int64_t t = width / 2;
    const int64_t u = width - t;
    const int64_t l = left, tp = top, r = right, b = bottom;
    Pen pen(record);
    pen.Start(l - t, tp - t);
    pen.Line(l - t, b + u);
    pen.Line(r + u, b + u);
    pen.Line(r + u, tp - t);
    pen.Line(l + u, tp - t);
    pen.Line(l + u, tp + u);
    pen.Line(r - t, tp + u);
    pen.Line(r - t, b - t);
    pen.Line(l + u, b - t);
    pen.Line(l + u, tp - t);
    pen.Line(l - t, tp - t);
    return true;
}

// Not for a full turn (the members hand that to the ellipse).
bool BuildPie(DiagramInfo& record, int32_t cx, int32_t cy, double a0, double a1, int32_t left, int32_t top,
              int32_t right, int32_t bottom) {
    record.Reset();
    if (a0 == a1) return false;
    const Sweep s = MakeSweep(a0, a1);
    const Box box{cx, cy, left, top, right, bottom};
    Pen pen(record);
    pen.Start(cx, cy);
    pen.Line(box.PointX(s.a0), box.PointY(s.a0));
    pen.Arcs(box.PointX(s.a1), box.PointY(s.a1), cx, cy, left, top, right, bottom, s.forward, s.a0, s.a1);
    pen.Line(cx, cy);
    return true;
}

// ---- level dispatch ----

bool RasteriseMask(CSprite& sprite, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,
                   uint8_t value) {
    return diagram_fill::FillAtLevel(diagram_fill::kMask, sprite, level, x, y, w, h, record, value);
}

bool RasteriseColour(CSprite& sprite, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,
                     uint32_t colour, uint8_t opacity) {
    return diagram_fill::FillAtLevel(diagram_fill::kPlain, sprite, level, x, y, w, h, record, colour, opacity);
}

bool RasteriseAlpha(CSprite& sprite, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,
                    uint8_t opacity) {
    return diagram_fill::FillAtLevel(diagram_fill::kAlpha, sprite, level, x, y, w, h, record, opacity);
}

bool RasteriseColourOnly(CSprite& sprite, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h,
                         DiagramInfo& record, uint32_t colour, uint8_t opacity) {
    return diagram_fill::FillAtLevel(diagram_fill::kColourOnly, sprite, level, x, y, w, h, record, colour, opacity);
}

// The record in use: the caller's, else the builder's own.
DiagramInfo& Use(DiagramInfo* record, DiagramInfo& own) { return record != nullptr ? *record : own; }

}  // namespace

// ---- Ellipse ----

bool CSprite::FillEllipseMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top, int32_t right,
                              int32_t bottom, int32_t cx, int32_t cy, int32_t level, DiagramInfo* record,
                              uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildEllipse(r, left, top, right, bottom, cx, cy) && RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::FillEllipse(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int32_t cx, int32_t cy, uint32_t colour, int32_t level, DiagramInfo* record,
                          uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildEllipse(r, left, top, right, bottom, cx, cy) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::FillEllipseAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top, int32_t right,
                               int32_t bottom, int32_t cx, int32_t cy, int32_t level, DiagramInfo* record,
                               uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildEllipse(r, left, top, right, bottom, cx, cy) && RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Thick line ----

bool CSprite::StrokeLineMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2, int32_t width, int32_t level, DiagramInfo* record, uint8_t startPointed,
                             uint8_t endPointed, uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickLine(r, x1, y1, x2, y2, width, startPointed, endPointed) &&
           RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::StrokeLine(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         int32_t width, uint32_t colour, int32_t level, DiagramInfo* record, uint8_t startPointed,
                         uint8_t endPointed, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickLine(r, x1, y1, x2, y2, width, startPointed, endPointed) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::StrokeLineColor(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                              int32_t y2, int32_t width, uint32_t colour, int32_t level, DiagramInfo* record,
                              uint8_t startPointed, uint8_t endPointed, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickLine(r, x1, y1, x2, y2, width, startPointed, endPointed) &&
           RasteriseColourOnly(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::StrokeLineAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                              int32_t y2, int32_t width, int32_t level, DiagramInfo* record, uint8_t startPointed,
                              uint8_t endPointed, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickLine(r, x1, y1, x2, y2, width, startPointed, endPointed) &&
           RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Thick CircleCurve ----

bool CSprite::StrokeCircleCurveMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                                    int32_t y2, int32_t cx, int32_t cy, uint8_t direction, int32_t width,
                                    int32_t level, DiagramInfo* record, uint8_t startPointed, uint8_t endPointed,
                                    uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickCircleCurve(r, x1, y1, x2, y2, cx, cy, direction, width, startPointed, endPointed) &&
           RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::StrokeCircleCurve(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                                int32_t y2, int32_t cx, int32_t cy, uint8_t direction, int32_t width, uint32_t colour,
                                int32_t level, DiagramInfo* record, uint8_t startPointed, uint8_t endPointed,
                                uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickCircleCurve(r, x1, y1, x2, y2, cx, cy, direction, width, startPointed, endPointed) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::StrokeCircleCurveColor(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1,
                                     int32_t x2, int32_t y2, int32_t cx, int32_t cy, uint8_t direction, int32_t width,
                                     uint32_t colour, int32_t level, DiagramInfo* record, uint8_t startPointed,
                                     uint8_t endPointed, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickCircleCurve(r, x1, y1, x2, y2, cx, cy, direction, width, startPointed, endPointed) &&
           RasteriseColourOnly(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::StrokeCircleCurveAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2,
                                     int32_t y2, int32_t cx, int32_t cy, uint8_t direction, int32_t width,
                                     int32_t level, DiagramInfo* record, uint8_t startPointed, uint8_t endPointed,
                                     uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildThickCircleCurve(r, x1, y1, x2, y2, cx, cy, direction, width, startPointed, endPointed) &&
           RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Ring segment ----

bool CSprite::FillRingSegmentMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0,
                                  double a1, int32_t width, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                  int32_t level, DiagramInfo* record, uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingSegment(r, cx, cy, a0, a1, width, left, top, right, bottom) &&
           RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::FillRingSegment(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0,
                              double a1, int32_t width, int32_t left, int32_t top, int32_t right, int32_t bottom,
                              uint32_t colour, int32_t level, DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingSegment(r, cx, cy, a0, a1, width, left, top, right, bottom) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::FillRingSegmentAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0,
                                   double a1, int32_t width, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   int32_t level, DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingSegment(r, cx, cy, a0, a1, width, left, top, right, bottom) &&
           RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Scaled ring segment ----

bool CSprite::FillEllipseRingScaledMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy,
                                        double a0, double a1, int32_t width, int32_t left, int32_t top, int32_t right,
                                        int32_t bottom, double sLeft, double sTop, double sRight, double sBottom,
                                        int32_t level, DiagramInfo* record, uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingScaled(r, cx, cy, a0, a1, width, left, top, right, bottom, sLeft, sTop, sRight, sBottom) &&
           RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::FillEllipseRingScaled(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0,
                                    double a1, int32_t width, int32_t left, int32_t top, int32_t right,
                                    int32_t bottom, double sLeft, double sTop, double sRight, double sBottom,
                                    uint32_t colour, int32_t level, DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingScaled(r, cx, cy, a0, a1, width, left, top, right, bottom, sLeft, sTop, sRight, sBottom) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::FillEllipseRingScaledAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy,
                                         double a0, double a1, int32_t width, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom, double sLeft, double sTop, double sRight,
                                         double sBottom, int32_t level, DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildRingScaled(r, cx, cy, a0, a1, width, left, top, right, bottom, sLeft, sTop, sRight, sBottom) &&
           RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Box frame ----

bool CSprite::FillBoxFrameMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top, int32_t right,
                               int32_t bottom, int32_t width, int32_t level, DiagramInfo* record, uint8_t value) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildBoxFrame(r, left, top, right, bottom, width) && RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::FillBoxFrame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, int32_t width, uint32_t colour, int32_t level, DiagramInfo* record,
                           uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildBoxFrame(r, left, top, right, bottom, width) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::FillBoxFrameAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, int32_t width, int32_t level, DiagramInfo* record,
                                uint8_t opacity) {
    static DiagramInfo own;
    DiagramInfo& r = Use(record, own);
    return BuildBoxFrame(r, left, top, right, bottom, width) && RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Pie ----

bool CSprite::FillPieMask(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1,
                          int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t level,
                          DiagramInfo* record, uint8_t value) {
    static DiagramInfo own;
    if (IsFullTurn(a0, a1)) return FillEllipseMask(x, y, w, h, left, top, right, bottom, cx, cy, level, record, value);
    DiagramInfo& r = Use(record, own);
    return BuildPie(r, cx, cy, a0, a1, left, top, right, bottom) && RasteriseMask(*this, level, x, y, w, h, r, value);
}

bool CSprite::FillPie(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1,
                      int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour, int32_t level,
                      DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    if (IsFullTurn(a0, a1))
        return FillEllipse(x, y, w, h, left, top, right, bottom, cx, cy, colour, level, record, opacity);
    DiagramInfo& r = Use(record, own);
    return BuildPie(r, cx, cy, a0, a1, left, top, right, bottom) &&
           RasteriseColour(*this, level, x, y, w, h, r, colour, opacity);
}

bool CSprite::FillPieAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1,
                           int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t level,
                           DiagramInfo* record, uint8_t opacity) {
    static DiagramInfo own;
    if (IsFullTurn(a0, a1))
        return FillEllipseAlpha(x, y, w, h, left, top, right, bottom, cx, cy, level, record, opacity);
    DiagramInfo& r = Use(record, own);
    return BuildPie(r, cx, cy, a0, a1, left, top, right, bottom) &&
           RasteriseAlpha(*this, level, x, y, w, h, r, opacity);
}

// ---- Whole-sprite wrappers ----

bool CSprite::StrokeDiagramWhole(DiagramInfo& record, int32_t width, uint32_t colour, int32_t level,
                                 DiagramInfo* scratch, uint8_t opacity) {
    return StrokeDiagram(0, 0, m_width, m_height, record, width, colour, level, scratch, opacity);
}

bool CSprite::StrokeDiagramAlphaWhole(DiagramInfo& record, int32_t width, int32_t level, DiagramInfo* scratch,
                                      uint8_t opacity) {
    return StrokeDiagramAlpha(0, 0, m_width, m_height, record, width, level, scratch, opacity);
}

bool CSprite::FillDiagramAlphaAa0WholeIfReady(DiagramInfo& record, uint8_t opacity) {
    return RasterPixelMode == 1 && FillDiagramAlphaAa0(0, 0, m_width, m_height, record, opacity);
}

bool CSprite::FillDiagramAlphaAa16WholeIfReady(DiagramInfo& record, uint8_t opacity) {
    return RasterPixelMode == 1 && FillDiagramAlphaAa16(0, 0, m_width, m_height, record, opacity);
}
