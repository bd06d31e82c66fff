#include "raster/surface/shape/DiagramInfo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "raster/diagram/DiagramScanWork.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = kPi / 2;
constexpr double kThreeHalfPi = kPi * 3 / 2;

// Below this a sweep counts as no turn and a radius change as none.
constexpr double kLengthEpsilon = 1e-6;

// Polar angle of (dx, dy) in 0 .. 2 pi (2 pi itself excluded).
double PolarAngle(double dx, double dy) {
    double a = std::atan2(dy, dx);
    if (a < 0) a += kTwoPi;
    return a;
}

// Antiderivative used by the arc length of an Archimedean spiral (times 2).
double SpiralTerm(double u) {
    const double root = std::sqrt(u * u + 1);
    return u * root + std::log(u + root);
}

}  // namespace

void DiagramInfoFactor::ComputeLength(int32_t px, int32_t py) {
    switch (Type) {
    case kLine:
    case kArc:
    case kJump: {
        const double dx = double(X) - px;
        const double dy = double(Y) - py;
        Length = std::sqrt(dx * dx + dy * dy);
        return;
    }
    case kCircleCurve: {
        const double sx = double(px) - X2, sy = double(py) - Y2;
        const double ex = double(X) - X2, ey = double(Y) - Y2;
        const double r0 = std::sqrt(sx * sx + sy * sy);
        const double r1 = std::sqrt(ex * ex + ey * ey);
        const double a0 = PolarAngle(sx, sy);
        const double a1 = PolarAngle(ex, ey);
        // Equal angles: no turn backward, a full turn forward.
        double sweep;
        if (CurveFlag == 0)
            sweep = a0 >= a1 ? a0 - a1 : a0 - a1 + kTwoPi;
        else
            sweep = a0 < a1 ? a1 - a0 : a1 - a0 + kTwoPi;
        const double rmin = std::min(r0, r1);
        const double dr = std::max(r0, r1) - rmin;
        if (sweep < kLengthEpsilon) {
            Length = dr;
        } else if (dr < kLengthEpsilon) {
            Length = sweep * rmin;
        } else {
            // Radius k u over the parameter u from a to b = a + sweep.
            const double k = dr / sweep;
            const double a = rmin / k;
            const double b = a + sweep;
            Length = (SpiralTerm(b) - SpiralTerm(a)) * 0.5 * k;
        }
        return;
    }
    default:
        Length = 0;
        return;
    }
}

double NormalizeDiagramAngle(double a) {
    if (a < 0) a += (1 - std::trunc(a / kTwoPi)) * kTwoPi;
    if (a > kTwoPi) a -= std::trunc(a / kTwoPi) * kTwoPi;
    return a;
}

DiagramInfo::DiagramInfo() {
    // The first chunk holds just the start element: many records (every factor
    // of a document) are built and never drawn, and ten fresh elements each cost
    // a few kilobytes of memory to touch. Later chunks grow in tens as before.
    elements.SetGrowthStep(1);
    Reset();
    elements.SetGrowthStep(10);
}

DiagramInfo::~DiagramInfo() { elements.FreeAll(); }

DiagramScanWork& DiagramInfo::ScanWork() {
    if (!m_scanWork) m_scanWork = std::make_unique<DiagramScanWork>();
    return *m_scanWork;
}

DiagramInfoFactor& DiagramInfo::Append(uint32_t type, int32_t x, int32_t y) {
    DiagramInfoFactor* e = elements.AddNew();
    *e = DiagramInfoFactor{};
    e->Type = type;
    e->X = x;
    e->Y = y;
    return *e;
}

DiagramInfoFactor& DiagramInfo::AppendAbout(uint32_t type, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                            uint8_t enabled) {
    DiagramInfoFactor& e = Append(type, x, y);
    e.X2 = cx;
    e.Y2 = cy;
    e.Enabled = enabled;
    return e;
}

void DiagramInfo::Reset() {
    elements.RemoveAll();
    m_refused = kNoRefusal;
    Append(DiagramInfoFactor::kStart);
    (void)elements.GetAt(0);
}

bool DiagramInfo::SetStartPoint(int32_t x, int32_t y) {
    DiagramInfoFactor* e = elements.GetAt(0);
    e->X = x;
    e->Y = y;
    return true;
}

bool DiagramInfo::AddLine(int32_t x, int32_t y, uint8_t enabled) {
    Append(DiagramInfoFactor::kLine, x, y).Enabled = enabled;
    return true;
}

bool DiagramInfo::AddCircleCurve(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t direction,
                                 uint8_t enabled) {
    AppendAbout(DiagramInfoFactor::kCircleCurve, x, y, cx, cy, enabled).CurveFlag = direction;
    return true;
}

bool DiagramInfo::AddArc(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t enabled) {
    AppendAbout(DiagramInfoFactor::kArc, x, y, cx, cy, enabled);
    return true;
}

bool DiagramInfo::AddJump(int32_t x, int32_t y) {
    Append(DiagramInfoFactor::kJump, x, y);
    return true;
}

bool DiagramInfo::AddMarker(uint32_t type) {
    Append(type);
    return true;
}

// The tests below run in sequence, each on the angles as they stand after the
// wrap of a1; a test appends one Arc that ends either at (x, y) or at the axis
// point closing its quadrant. The comparisons are <= going forward and > going
// backward, which is what places the zero-length Arcs on axis angles.
bool DiagramInfo::AddArcQuadrants(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t xAt180, int32_t yAt270,
                                  int32_t xAt0, int32_t yAt90, uint8_t forward, double a0, double a1,
                                  uint8_t enabled) {
    a0 = NormalizeDiagramAngle(a0);
    a1 = NormalizeDiagramAngle(a1);

    auto arcTo = [&](bool toEnd, int32_t ax, int32_t ay) {
        if (toEnd)
            AddArc(x, y, cx, cy, enabled);
        else
            AddArc(ax, ay, cx, cy, enabled);
    };

    if (forward != 0) {
        if (a0 > a1) a1 += kTwoPi;
        if (a0 <= kHalfPi) arcTo(a1 <= kHalfPi, cx, yAt90);
        if (a0 <= kPi && a1 > kHalfPi) arcTo(a1 <= kPi, xAt180, cy);
        if (a0 <= kThreeHalfPi && a1 > kPi) arcTo(a1 <= kThreeHalfPi, cx, yAt270);
        if (a1 > kThreeHalfPi) arcTo(a1 <= kTwoPi, xAt0, cy);
        if (a1 > kTwoPi) arcTo(a1 <= kTwoPi + kHalfPi, cx, yAt90);
        if (a1 > kTwoPi + kHalfPi) arcTo(a1 <= kTwoPi + kPi, xAt180, cy);
        if (a1 > kTwoPi + kPi) arcTo(a1 <= kTwoPi + kThreeHalfPi, cx, yAt270);
        if (a1 > kTwoPi + kThreeHalfPi) arcTo(true, x, y);
    } else {
        if (a1 > a0) a1 -= kTwoPi;
        if (a0 > kThreeHalfPi) arcTo(a1 > kThreeHalfPi, cx, yAt270);
        if (a0 > kPi && a1 <= kThreeHalfPi) arcTo(a1 > kPi, xAt180, cy);
        if (a0 > kHalfPi && a1 <= kPi) arcTo(a1 > kHalfPi, cx, yAt90);
        if (a0 > 0 && a1 <= kHalfPi) arcTo(a1 > 0, xAt0, cy);
        if (a1 <= 0) arcTo(a1 > -kHalfPi, cx, yAt270);
        if (a1 <= -kHalfPi) arcTo(a1 > -kPi, xAt180, cy);
        if (a1 <= -kPi) arcTo(a1 > -kThreeHalfPi, cx, yAt90);
        if (a1 <= -kThreeHalfPi) arcTo(true, x, y);
    }
    return true;
}
