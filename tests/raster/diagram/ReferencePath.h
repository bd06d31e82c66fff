#pragma once
// The geometry of a DiagramInfo outline written out independently of the
// rasteriser, for the references (FreeType's grey rasteriser, cairo) that the
// tests and benchmarks compare with.
//
// An outline becomes closed contours of straight and cubic segments, in
// sixteenths of a pixel (doubles). Lines stay as they are; a CircleCurve (the
// spiral whose radius changes linearly with the polar angle) and an Arc (the
// quarter of the axis-parallel ellipse about its centre through both of its
// end points) are either flattened finely (for the comparisons: the chord
// error stays far below the rasteriser's 1/16 pixel grid) or written as cubic
// curves of at most an eighth of a turn (for the benchmarks: the form a
// reference would get its curves in).
//
// Only what the fills draw is modelled: element 0 and each Jump start a
// contour, every contour is closed by its reference (the outlines handed here
// are closed), and the stroke markers (Return, Tip, Separator) are passed over,
// so outlines with a Return are not described correctly.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"

namespace diagram_test {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

struct RefPoint {
    double x = 0, y = 0;
};

// A segment from the previous point to `to`; a cubic one has two control points.
struct RefSegment {
    bool cubic = false;
    RefPoint c1, c2, to;
};

struct RefContour {
    RefPoint start;
    std::vector<RefSegment> segments;
};

enum class CurveForm { kFlattened, kCubic };

namespace detail {

inline double PolarAngle(double dx, double dy) {
    const double a = std::atan2(dy, dx);
    return a < 0 ? a + kTwoPi : a;
}

// Appends the curve p(u), u in [0, 1], with derivative d(u), that turns by
// `sweep` radians: flattened into `steps` chords, or as cubic pieces (one per
// chord) in Hermite form, the handles as long as those of the cubic closest
// to a circular arc of the piece's turn.
template <class P, class D>
void AppendCurve(RefContour& c, int steps, CurveForm form, double sweep, P p, D d) {
    for (int i = 1; i <= steps; ++i) {
        const double u0 = double(i - 1) / steps, u1 = double(i) / steps;
        RefSegment s;
        s.to = p(u1);
        if (form == CurveForm::kCubic) {
            const RefPoint a = p(u0), da = d(u0), db = d(u1);
            const double turn = std::abs(sweep) * (u1 - u0);
            const double k = turn > 0 ? 4.0 / 3.0 * std::tan(turn / 4) / std::abs(sweep) : (u1 - u0) / 3;
            s.cubic = true;
            s.c1 = {a.x + da.x * k, a.y + da.y * k};
            s.c2 = {s.to.x - db.x * k, s.to.y - db.y * k};
        }
        c.segments.push_back(s);
    }
}

// Chords for a turn of `sweep` radians at radius r (sixteenths): the sagitta
// r (1 - cos(step / 2)) stays below 1/64 of a sixteenth.
inline int FlatSteps(double sweep, double r) {
    const double step = std::sqrt(8.0 / 64.0 / std::max(r, 1.0));
    return std::max(4, static_cast<int>(std::ceil(std::abs(sweep) / step)));
}

inline int CubicSteps(double sweep) {
    return std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (kPi / 4))));
}

// The spiral from (x0, y0) to (x1, y1) about (cx, cy): the polar angle runs
// forward (direction set) or backward from the start angle to the end angle,
// equal angles meaning no turn forward and a full turn backward.
inline void AppendSpiral(RefContour& c, double x0, double y0, double x1, double y1, double cx, double cy,
                         bool forward, CurveForm form) {
    const double a0 = PolarAngle(x0 - cx, y0 - cy), a1 = PolarAngle(x1 - cx, y1 - cy);
    const double r0 = std::hypot(x0 - cx, y0 - cy), r1 = std::hypot(x1 - cx, y1 - cy);
    double sweep = a1 - a0;
    if (forward && sweep < 0) sweep += kTwoPi;
    if (!forward && sweep >= 0) sweep -= kTwoPi;
    const auto p = [&](double u) {
        const double a = a0 + u * sweep, r = r0 + u * (r1 - r0);
        return RefPoint{cx + r * std::cos(a), cy + r * std::sin(a)};
    };
    const auto d = [&](double u) {
        const double a = a0 + u * sweep, r = r0 + u * (r1 - r0);
        return RefPoint{(r1 - r0) * std::cos(a) - r * sweep * std::sin(a),
                        (r1 - r0) * std::sin(a) + r * sweep * std::cos(a)};
    };
    const int steps = form == CurveForm::kCubic ? 2 * CubicSteps(sweep) : FlatSteps(sweep, std::max(r0, r1));
    AppendCurve(c, steps, form, sweep, p, d);
    c.segments.back().to = {x1, y1};
}

// The quarter ellipse about (cx, cy) through both end points: with the
// offsets (dx, dy) of the two ends, dx^2 / rx^2 + dy^2 / ry^2 = 1 holds for
// both. Ends that fix no such ellipse give a straight segment.
inline void AppendArc(RefContour& c, double x0, double y0, double x1, double y1, double cx, double cy,
                      CurveForm form) {
    const double dx0 = x0 - cx, dy0 = y0 - cy, dx1 = x1 - cx, dy1 = y1 - cy;
    const double det = dx0 * dx0 * dy1 * dy1 - dx1 * dx1 * dy0 * dy0;
    const double u = det != 0 ? (dy1 * dy1 - dy0 * dy0) / det : 0;
    const double v = det != 0 ? (dx0 * dx0 - dx1 * dx1) / det : 0;
    if (!(u > 0) || !(v > 0)) {
        c.segments.push_back({false, {}, {}, {x1, y1}});
        return;
    }
    const double rx = 1 / std::sqrt(u), ry = 1 / std::sqrt(v);
    const double t0 = std::atan2(dy0 / ry, dx0 / rx);
    double sweep = std::atan2(dy1 / ry, dx1 / rx) - t0;
    if (sweep > kPi) sweep -= kTwoPi;
    if (sweep < -kPi) sweep += kTwoPi;
    const auto p = [&](double s) {
        const double a = t0 + s * sweep;
        return RefPoint{cx + rx * std::cos(a), cy + ry * std::sin(a)};
    };
    const auto d = [&](double s) {
        const double a = t0 + s * sweep;
        return RefPoint{-rx * sweep * std::sin(a), ry * sweep * std::cos(a)};
    };
    const int steps = form == CurveForm::kCubic ? CubicSteps(sweep) : FlatSteps(sweep, std::max(rx, ry));
    AppendCurve(c, steps, form, sweep, p, d);
    c.segments.back().to = {x1, y1};
}

}  // namespace detail

inline std::vector<RefContour> ReferenceContours(const DiagramInfo& record, CurveForm form) {
    std::vector<RefContour> contours;
    const uint32_t n = record.GetCount();
    if (n == 0) return contours;
    RefPoint current{double(record[0].X), double(record[0].Y)};
    contours.push_back({current, {}});
    for (uint32_t i = 1; i < n; ++i) {
        const DiagramInfoFactor& e = record[i];
        const RefPoint to{double(e.X), double(e.Y)};
        RefContour& c = contours.back();
        switch (e.Type) {
        case DiagramInfoFactor::kLine:
            c.segments.push_back({false, {}, {}, to});
            break;
        case DiagramInfoFactor::kCircleCurve:
            detail::AppendSpiral(c, current.x, current.y, to.x, to.y, e.X2, e.Y2, e.CurveFlag != 0, form);
            break;
        case DiagramInfoFactor::kArc:
            detail::AppendArc(c, current.x, current.y, to.x, to.y, e.X2, e.Y2, form);
            break;
        case DiagramInfoFactor::kJump:
            contours.push_back({to, {}});
            break;
        default:
            continue;
        }
        current = to;
    }
    std::erase_if(contours, [](const RefContour& c) { return c.segments.empty(); });
    return contours;
}

// The same contours, each run the other way round.
inline std::vector<RefContour> Reversed(const std::vector<RefContour>& contours) {
    std::vector<RefContour> out;
    for (const RefContour& c : contours) {
        RefContour r;
        r.start = c.segments.back().to;
        for (size_t i = c.segments.size(); i-- > 0;) {
            const RefSegment& s = c.segments[i];
            const RefPoint to = i > 0 ? c.segments[i - 1].to : c.start;
            r.segments.push_back({s.cubic, s.c2, s.c1, to});
        }
        out.push_back(r);
    }
    return out;
}

// The contours as a FreeType outline (26.6 pixels: sixteenths times 4), y
// downward as in the sprite, even-odd rule. The outline points into the
// vectors here.
class FreeTypeOutline {
public:
    explicit FreeTypeOutline(const std::vector<RefContour>& contours) {
        for (const RefContour& c : contours) {
            Add(c.start, FT_CURVE_TAG_ON);
            for (const RefSegment& s : c.segments) {
                if (s.cubic) {
                    Add(s.c1, FT_CURVE_TAG_CUBIC);
                    Add(s.c2, FT_CURVE_TAG_CUBIC);
                }
                Add(s.to, FT_CURVE_TAG_ON);
            }
            // The contour closes itself; a last point on the first is dropped.
            const size_t first = ends_.empty() ? 0 : size_t(ends_.back()) + 1;
            if (points_.size() - first > 1 && tags_.back() == FT_CURVE_TAG_ON &&
                tags_[points_.size() - 2] == FT_CURVE_TAG_ON && points_.back().x == points_[first].x &&
                points_.back().y == points_[first].y) {
                points_.pop_back();
                tags_.pop_back();
            }
            ends_.push_back(static_cast<short>(points_.size() - 1));
        }
        outline_.n_contours = static_cast<short>(ends_.size());
        outline_.n_points = static_cast<short>(points_.size());
        outline_.points = points_.data();
        outline_.tags = tags_.data();
        outline_.contours = ends_.data();
        outline_.flags = FT_OUTLINE_EVEN_ODD_FILL;
    }
    FreeTypeOutline(const FreeTypeOutline&) = delete;
    FreeTypeOutline& operator=(const FreeTypeOutline&) = delete;

    // FreeType counts points and contours in shorts.
    bool Fits() const { return points_.size() <= 32767 && ends_.size() <= 32767; }
    FT_Outline* Get() { return &outline_; }

private:
    void Add(RefPoint p, char tag) {
        points_.push_back({std::lround(p.x * 4), std::lround(p.y * 4)});
        tags_.push_back(tag);
    }

    std::vector<FT_Vector> points_;
    std::vector<char> tags_;
    std::vector<short> ends_;
    FT_Outline outline_{};
};

// Renders the outline anti-aliased into a w x h grey buffer (0..255), row r
// of the buffer being pixel row r of the sprite: the bitmap's pitch is
// negative, so FreeType's upward rows run down the buffer. The buffer is
// cleared first.
inline FT_Error RenderGrey(FT_Library library, FreeTypeOutline& outline, int32_t w, int32_t h, uint8_t* buffer) {
    std::fill(buffer, buffer + size_t(w) * size_t(h), uint8_t{0});
    FT_Bitmap bitmap{};
    bitmap.rows = static_cast<unsigned>(h);
    bitmap.width = static_cast<unsigned>(w);
    bitmap.pitch = -w;
    bitmap.buffer = buffer;
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    FT_Raster_Params params{};
    params.target = &bitmap;
    params.source = outline.Get();
    params.flags = FT_RASTER_FLAG_AA;
    return FT_Outline_Render(library, outline.Get(), &params);
}

}  // namespace diagram_test
