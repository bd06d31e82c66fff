// Warp paths: measuring the four sides and sampling them into the blend.
//
// A side is sampled at equal arc-length steps: a running distance d walks the
// side's elements, each element taking samples at the fractions d / len of
// its own length while d < len, and carrying d - len over to the next, so the
// samples fall every length / count units along the whole side. Sides 1 and 2
// fill their arrays forward; sides 3 and 4 run the other way round the path
// and fill theirs from the last entry back, so that all four are read from
// corner 0's end. Entries no sample reaches take the side's end point.
//
// The four sampled sides then become the steps of the bilinearly blended
// (Coons) patch: with s = i / S and t = j / T, mesh point (i, j) is
//   (1 - t) side1(s) + t side3(s) + (1 - s) side4(t) + s side2(t)
//     - the bilinear blend of the four corners,
// which the warps evaluate as two sums of a base and a step (WarpPath.h).
#include "raster/diagram/WarpPath.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "raster/surface/shape/DiagramInfo.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Types that move the current point: start, Line, CircleCurve, Arc, Jump.
bool MovesPen(uint32_t type) noexcept { return type < DiagramInfoFactor::kReturn; }

struct Point {
    double x;
    double y;
};

Point EndOf(const DiagramInfoFactor& e) noexcept { return {double(e.X), double(e.Y)}; }

// The point at fraction f of element e, which starts at q.
Point SampleAt(const DiagramInfoFactor& e, Point q, double f) noexcept {
    switch (e.Type) {
    case DiagramInfoFactor::kLine:
        return {q.x + (double(e.X) - q.x) * f, q.y + (double(e.Y) - q.y) * f};
    case DiagramInfoFactor::kCircleCurve: {
        const double cx = e.X2, cy = e.Y2;
        const double sx = q.x - cx, sy = q.y - cy;
        const double ex = double(e.X) - cx, ey = double(e.Y) - cy;
        const double r0 = std::sqrt(sx * sx + sy * sy);
        const double r1 = std::sqrt(ex * ex + ey * ey);
        const double a0 = std::atan2(sy, sx);
        const double a1 = std::atan2(ey, ex);
        double span = e.CurveFlag != 0 ? a1 - a0 : a0 - a1;
        if (span < 0) span += kTwoPi;
        const double angle = e.CurveFlag != 0 ? a0 + span * f : a0 - span * f;
        const double radius = r0 + (r1 - r0) * f;
        return {cx + radius * std::cos(angle), cy + radius * std::sin(angle)};
    }
    default:
        return q;
    }
}

// Walks a path side by side. Each side's samples go to a sink as
// (sample index, point); no more than `limit` are taken, as any further ones
// would be dropped (this also ends the walk when the step is 0 or not a
// number).
class SideWalker {
public:
    explicit SideWalker(const DiagramInfo& path) : m_items(path.elements.GetIndex()), m_count(path.GetCount()) {
        if (m_count != 0) m_q = EndOf(*m_items[0]);
    }

    // Samples the next side (up to its Separator or the end) at step
    // `length / steps`; returns the number of samples handed to the sink.
    template <class Sink>
    uint64_t Side(double length, uint32_t steps, Sink&& sink) {
        const double step = length / steps;
        const uint64_t limit = uint64_t(steps) + 1;
        uint64_t taken = 0;
        double d = 0;
        for (; m_next < m_count; ++m_next) {
            const DiagramInfoFactor& e = *m_items[m_next];
            if (e.Type == DiagramInfoFactor::kSeparator) {
                ++m_next;
                break;
            }
            const double len = e.Length;
            for (; d < len && taken < limit; d += step) sink(taken++, SampleAt(e, m_q, d / len));
            if (MovesPen(e.Type)) m_q = EndOf(e);
            d -= len;
        }
        return taken;
    }

    Point Current() const noexcept { return m_q; }

private:
    const DiagramInfoFactor* const* m_items;
    uint32_t m_count;
    uint32_t m_next = 0;
    Point m_q{0, 0};
};

}  // namespace

bool BuildDiagramSegments(WarpPathPatch& patch, DiagramInfo& path) {
    const uint32_t n = path.GetCount();
    if (n == 0) return false;
    DiagramInfoFactor* const* items = path.elements.GetIndex();
    int32_t px = items[0]->X, py = items[0]->Y;
    uint32_t i = 0;

    // Measures elements from i up to the next Separator, which it steps past;
    // false when there is none.
    auto measureSide = [&](double& length) {
        length = 0;
        for (; i < n; ++i) {
            DiagramInfoFactor& e = *items[i];
            if (e.Type == DiagramInfoFactor::kSeparator) {
                ++i;
                return true;
            }
            e.ComputeLength(px, py);
            length += e.Length;
            if (MovesPen(e.Type)) {
                px = e.X;
                py = e.Y;
            }
        }
        return false;
    };

    patch.corner0[0] = items[0]->X;
    patch.corner0[1] = items[0]->Y;
    if (!measureSide(patch.length1) || i == n) return false;
    patch.corner1[0] = px;
    patch.corner1[1] = py;
    if (!measureSide(patch.length2) || i == n) return false;
    patch.corner2[0] = px;
    patch.corner2[1] = py;
    if (!measureSide(patch.length3)) return false;
    patch.corner3[0] = px;
    patch.corner3[1] = py;
    measureSide(patch.length4);  // to a fourth Separator or the end; none is fine
    return true;
}

bool ResampleWarpPath(WarpPathPatch& patch, const DiagramInfo& path, uint32_t T, uint32_t S) {
    CArrayAuto<double[4]>& rows = patch.rows;
    CArrayAuto<double[4]>& columns = patch.columns;
    rows.RemoveAll();
    columns.RemoveAll();
    // An array cannot count S + 1 entries then: like any growth past an
    // array's limit, that fails as an allocation.
    if (S == UINT32_MAX || T == UINT32_MAX) throw std::bad_alloc();
    SideWalker walker(path);

    // Side 1: the row points, forward.
    rows.SetCount(S + 1);
    double(*const* row)[4] = rows.GetIndex();
    uint64_t got = walker.Side(patch.length1, S, [&](uint64_t k, Point p) {
        (*row[k])[0] = p.x;
        (*row[k])[1] = p.y;
    });
    for (Point q = walker.Current(); got <= S; ++got) {
        (*row[got])[0] = q.x;
        (*row[got])[1] = q.y;
    }

    // Side 2: the column steps hold it until the blend is formed, forward.
    columns.SetCount(T + 1);
    double(*const* column)[4] = columns.GetIndex();
    got = walker.Side(patch.length2, T, [&](uint64_t k, Point p) {
        (*column[k])[2] = p.x;
        (*column[k])[3] = p.y;
    });
    for (Point q = walker.Current(); got <= T; ++got) {
        (*column[got])[2] = q.x;
        (*column[got])[3] = q.y;
    }

    // Side 3 into the row steps, last entry first; then the step toward it.
    got = walker.Side(patch.length3, S, [&](uint64_t k, Point p) {
        (*row[S - k])[2] = p.x;
        (*row[S - k])[3] = p.y;
    });
    for (Point q = walker.Current(); got <= S; ++got) {
        (*row[S - got])[2] = q.x;
        (*row[S - got])[3] = q.y;
    }
    for (uint32_t k = 0; k <= S; ++k) {
        double* r = *row[k];
        r[2] = (r[2] - r[0]) / T;
        r[3] = (r[3] - r[1]) / T;
    }

    // Side 4 into the column points, last entry first; then the step from it
    // toward side 2.
    got = walker.Side(patch.length4, T, [&](uint64_t k, Point p) {
        (*column[T - k])[0] = p.x;
        (*column[T - k])[1] = p.y;
    });
    for (Point q = walker.Current(); got <= T; ++got) {
        (*column[T - got])[0] = q.x;
        (*column[T - got])[1] = q.y;
    }
    for (uint32_t k = 0; k <= T; ++k) {
        double* c = *column[k];
        c[2] = (c[2] - c[0]) / S;
        c[3] = (c[3] - c[1]) / S;
    }

    // The corner terms of the blend.
    for (int a = 0; a < 2; ++a) {
        patch.side1Step[a] = (patch.corner1[a] - patch.corner0[a]) / S;
        patch.side4Step[a] = (patch.corner3[a] - patch.corner0[a]) / T;
        patch.twistStep[a] =
            ((patch.corner2[a] - patch.corner1[a]) / T - (patch.corner3[a] - patch.corner0[a]) / T) / S;
    }
    for (uint32_t k = 0; k <= S; ++k) {
        double* r = *row[k];
        r[2] -= patch.side4Step[0];
        r[3] -= patch.side4Step[1];
    }
    for (uint32_t k = 0; k <= T; ++k) {
        double* c = *column[k];
        c[0] -= patch.corner0[0];
        c[1] -= patch.corner0[1];
        c[2] -= patch.side1Step[0] + k * patch.twistStep[0];
        c[3] -= patch.side1Step[1] + k * patch.twistStep[1];
    }
    return true;
}
