#pragma once
// The diagram scan converter: a prepared outline (DiagramInfo, sixteenths of a
// pixel) becomes, row by row, a coverage value 0..256 per pixel, handed to a
// span operation of CoverageSpans.h as runs of equal coverage.
//
// Sampling. Each pixel row r is cut by the sample lines v = 16r + k x step
// (k = 0 .. samples - 1; the level's grid step is 16 at levels 0 and 1, then
// 8, 4, 2, 1). On every sample line the outline crosses at points (x, kind);
// pairing the sorted crossings even-odd gives the covered spans, and every
// covered sixteenth of a pixel adds the grid step to its pixel, so a fully
// covered pixel collects 16 x step x samples = 256 at every level. Level 0
// counts any coverage as full.
//
// Crossings. An element meets a sample line v when row(yMin) <= v <= yMax,
// row(y) being the sample line at or above y. Where it passes through, the
// crossing is plain (kind 0). Where one of its ends lies on the line the
// crossing is a vertex, and its kind says which way the outline travels there:
// 1 up (toward smaller y), 6 down. A flat element (all of it on one sample
// line) gives both its ends with a flat kind: 2 / 4 (leftward / rightward)
// after an up vertex, 3 / 5 after a down vertex, 7 / 8 while no vertex has
// been seen yet on the sub-path; those settle to 2..5 when the sub-path ends.
// Ends of a sub-path that is not closed on the line get a marker (kind 9).
// The walk keeps the sub-path start, the last crossing it inserted and the
// latest vertex kind; a Jump that meets the line ends the sub-path.
//
// Resolution. A vertex where the outline only touches the line (up then up
// again, a flat stretch between two downs, ...) must not count twice, while
// one where it passes through must count once. The resolution table below
// decides, for each neighbouring pair (previous kind, current kind) of a
// sorted list, whether both go, the current one goes, or (par) which of the
// two by the parity of the crossings kept so far; what remains pairs up
// even-odd. An odd last crossing is ignored.
//
// Placement. A crossing goes after all crossings of x <= its x, with a few
// exceptions that act only among the crossings of equal x: the start point
// of a CircleCurve piece goes before a run of plain crossings at its x, a
// piece's crossing at the x of an end the element put down on this line goes
// one place earlier, a sub-path's start marker goes first among its x, and
// the crossing where a sub-path closes is moved to the front of its x. Since
// every rule stays within one x, the walk only logs what it inserts, in
// order; the log is then sorted by (x, order) once and each group of equal x
// replays its own steps, which gives exactly the list of inserting one by one
// without shifting a long list for every crossing.
//
// Coverage. A span [a, b) of one sample line adds to its end pixels directly
// and to the whole pixels between them through a difference array; a bit per
// column marks where the coverage can change. The sweep then walks the marked
// columns only: between two marks the coverage is constant, so the inside of
// a shape reaches the span operation as one run at coverage 256, which stores
// without reading.
//
// Elements are visited only on the sample lines they meet: an active list in
// outline order, fed from the elements sorted by their top line. The current
// point each element starts from does not depend on the sample line, so it is
// worked out once per fill.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/diagram/DiagramLevels.h"
#include "raster/diagram/DiagramScanWork.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

namespace diagram {

// Where an inserted crossing goes among the crossings of its x.
enum Place : uint32_t {
    kAfterEqual = 0,     // after all of them
    kOneEarlier = 1,     // before the last of them
    kFirstOfX = 2,       // before all of them
    kMoveToFront = 3,    // not an insertion: the target crossing moves before all of them
    kBeforePlainRun = 4  // flag: then further before the plain crossings directly before it
};

// The resolution table: action for (previous kind, current kind).
enum Action : uint8_t { kBoth, kCur, kPar, kLast };

inline constexpr Action kResolution[10][10] = {
    // current: 0     1      2      3      4      5      6      7      8      9
    {kBoth, kBoth, kBoth, kBoth, kBoth, kBoth, kBoth, kBoth, kBoth, kBoth},  // previous 0: not looked up
    {kBoth, kCur, kCur, kLast, kCur, kLast, kBoth, kLast, kLast, kCur},      // 1
    {kBoth, kBoth, kBoth, kLast, kBoth, kLast, kCur, kLast, kLast, kCur},    // 2
    {kBoth, kBoth, kLast, kBoth, kLast, kBoth, kCur, kLast, kLast, kCur},    // 3
    {kBoth, kBoth, kBoth, kLast, kBoth, kLast, kCur, kLast, kLast, kCur},    // 4
    {kBoth, kBoth, kLast, kBoth, kLast, kBoth, kCur, kLast, kLast, kCur},    // 5
    {kBoth, kBoth, kPar, kBoth, kPar, kBoth, kCur, kLast, kLast, kCur},      // 6
    {kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast},  // 7
    {kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast, kLast},  // 8
    {kBoth, kCur, kCur, kCur, kCur, kCur, kCur, kLast, kLast, kBoth},        // 9
};

// Removes the crossings that the table resolves away, in place. The walk
// compares each crossing with the one before it and never looks at the last
// crossing as a current one. Before the first decision, "repeat the last
// decision" removes both (which leaves the parity of the rest unchanged).
inline void ResolveCrossings(std::vector<DiagramCrossing>& list) {
    const size_t n = list.size();
    if (n < 3) return;
    size_t out = 0, prev = 0, cur = 1;
    uint32_t parity = 0;
    Action decision = kBoth;
    while (cur < n - 1) {
        const int32_t t = list[prev].kind;
        if (t == 0) {
            list[out++] = list[prev];
            parity ^= 1;
            prev = cur;
            cur = prev + 1;
            continue;
        }
        const Action table = kResolution[t][list[cur].kind];
        Action act = table;
        if (table == kLast) {
            act = decision;
        } else if (table == kPar) {
            act = parity == 0 ? kBoth : kCur;
            decision = act;
        } else {
            decision = act;
            if (act == kCur) parity ^= 1;
        }
        if (act == kCur) list[out++] = list[prev];
        prev = cur + 1;
        cur = prev + 1;
    }
    for (size_t i = prev; i < n; ++i) list[out++] = list[i];
    list.resize(out);
}

// No observer: the fills.
struct NoScanObserver {
    void Before(int32_t, const std::vector<DiagramCrossing>&) const noexcept {}
    void After(int32_t, const std::vector<DiagramCrossing>&) const noexcept {}
};

template <int Level>
class ScanConverter {
    static_assert(Level == 0 || Level == 1 || Level == 2 || Level == 4 || Level == 8 || Level == 16);

public:
    static constexpr int32_t kStep = GridStep(Level);
    static constexpr int32_t kSamples = 16 / kStep;

    static constexpr int32_t Row(int32_t y) noexcept { return SampleRow(y, kStep); }

    explicit ScanConverter(DiagramInfo& info) : m_info(info), m_work(info.ScanWork()) {}

    // The whole fill: clip, prepare, limit the rows, then every row through the
    // span operation. The result is the fill members' result.
    template <class SpanOp, class Observer = NoScanObserver>
    bool Fill(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const SpanOp& op,
              const Observer& observer = Observer()) {
        if (sprite.ClipRect(x, y, w, h) == 0) return false;
        if (!Prepare(sprite, x, y, w, h)) return false;
        const uint32_t count = m_info.GetCount();
        if (count < 2) return false;

        int64_t lo = 16 * (int64_t(y) + h), hi = 16 * int64_t(y);
        for (const DiagramInfoFactor* e : m_info.elements) {
            lo = std::min<int64_t>(lo, e->yMin);
            hi = std::max<int64_t>(hi, e->yMax);
        }
        int64_t top = y, rows = h;
        if (lo / 16 > top) {
            rows -= lo / 16 - top;
            top = lo / 16;
        }
        if (rows <= 0) return true;
        if ((hi + 31) / 16 < top + rows) rows = (hi + 31) / 16 - top;
        if (rows <= 0) return true;
        if (op.DrawsNothing()) return true;

        Begin(x, w);
        for (int64_t r = top; r < top + rows; ++r) {
            m_first = 16 * (int64_t(x) + w);
            m_last = 16 * int64_t(x);
            for (int32_t k = 0; k < kSamples; ++k) {
                const int32_t v = static_cast<int32_t>(16 * r) + k * kStep;
                BuildLine(v);
                observer.Before(v, m_work.crossings);
                ResolveCrossings(m_work.crossings);
                observer.After(v, m_work.crossings);
                Accumulate(m_work.crossings);
            }
            Sweep(sprite.PixelAt(x, static_cast<int32_t>(r)), op);
        }
        return true;
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    DiagramInfo& m_info;
    DiagramScanWork& m_work;
    int32_t m_x = 0, m_w = 0;
    int64_t m_first = 0, m_last = 0;  // the row's first and last paired crossing
    int32_t m_endX = 0, m_endY = 0;   // the current point after the last element
    int32_t m_startX = 0, m_startY = 0;
    size_t m_nextTop = 0;

    // Walk state of one sample line.
    int32_t m_v = 0;
    int32_t m_subX = 0, m_subY = 0;  // sub-path start
    uint32_t m_lastEvent = kNone;    // the crossing inserted last for the sub-path
    int32_t m_vertex = 0;

    bool Prepare(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h) {
        if constexpr (Level == 0) return sprite.PrepareDiagramAa0(x, y, w, h, m_info);
        else if constexpr (Level == 1) return sprite.PrepareDiagramAa1(x, y, w, h, m_info);
        else if constexpr (Level == 2) return sprite.PrepareDiagramAa2(x, y, w, h, m_info);
        else if constexpr (Level == 4) return sprite.PrepareDiagramAa4(x, y, w, h, m_info);
        else if constexpr (Level == 8) return sprite.PrepareDiagramAa8(x, y, w, h, m_info);
        else return sprite.PrepareDiagramAa16(x, y, w, h, m_info);
    }

    // The walk's static part: which elements it meets and the current point
    // each starts from (the look-ahead skips an element followed by a Return,
    // or by a Tip and a Return, with them; markers do not move the point).
    void Begin(int32_t x, int32_t w) {
        m_x = x;
        m_w = w;
        DiagramScanWork& k = m_work;
        k.elements.clear();
        k.byTop.clear();
        k.active.clear();
        const uint32_t count = m_info.GetCount();
        const DiagramInfoFactor* first = m_info.elements.GetAt(0);
        m_startX = first->X;
        m_startY = first->Y;
        int32_t cx = m_startX, cy = m_startY;
        auto type = [&](uint32_t i) { return i < count ? m_info.elements.GetAt(i)->Type : UINT32_MAX; };
        for (uint32_t i = 1; i < count;) {
            const uint32_t next = type(i + 1);
            if (next == DiagramInfoFactor::kReturn) {
                i += 2;
                continue;
            }
            if (next == DiagramInfoFactor::kTip && type(i + 2) == DiagramInfoFactor::kReturn) {
                i += 3;
                continue;
            }
            DiagramInfoFactor* e = m_info.elements.GetAt(i);
            if (e->Type <= DiagramInfoFactor::kJump) {
                if (e->Type != DiagramInfoFactor::kStart)
                    k.elements.push_back({e, cx, cy, Row(e->yMin), e->yMax});
                cx = e->X;
                cy = e->Y;
            }
            ++i;
        }
        m_endX = cx;
        m_endY = cy;
        for (uint32_t i = 0; i < k.elements.size(); ++i) k.byTop.push_back(i);
        std::sort(k.byTop.begin(), k.byTop.end(), [&](uint32_t a, uint32_t b) {
            return k.elements[a].rowMin != k.elements[b].rowMin ? k.elements[a].rowMin < k.elements[b].rowMin
                                                                 : a < b;
        });
        m_nextTop = 0;

        const size_t columns = static_cast<size_t>(w) + 2;
        k.delta.assign(columns, 0);
        k.touched.assign((columns + 63) / 64, 0);
    }

    // ---- one sample line ----

    void BuildLine(int32_t v) {
        DiagramScanWork& k = m_work;
        m_v = v;
        k.events.clear();
        k.pending.clear();

        // Elements whose top line has come join the active list in outline order.
        while (m_nextTop < k.byTop.size() && k.elements[k.byTop[m_nextTop]].rowMin <= v) {
            const uint32_t i = k.byTop[m_nextTop++];
            if (k.elements[i].yMax >= v) k.arriving.push_back(i);
        }
        if (!k.arriving.empty()) {
            std::sort(k.arriving.begin(), k.arriving.end());
            k.merged.resize(k.active.size() + k.arriving.size());
            std::merge(k.active.begin(), k.active.end(), k.arriving.begin(), k.arriving.end(), k.merged.begin());
            k.active.swap(k.merged);
            k.arriving.clear();
        }

        m_subX = m_startX;
        m_subY = m_startY;
        m_lastEvent = kNone;
        m_vertex = 0;
        size_t keep = 0;
        for (size_t n = 0; n < k.active.size(); ++n) {
            const uint32_t i = k.active[n];
            const DiagramScanElement& e = k.elements[i];
            if (e.yMax < v) continue;
            k.active[keep++] = i;
            Visit(e);
        }
        k.active.resize(keep);
        if (m_lastEvent != kNone) EndSubPath(m_endX, m_endY);

        Place();
    }

    uint32_t Log(int32_t x, int32_t kind, uint32_t place = kAfterEqual, uint32_t target = 0) {
        const uint32_t id = static_cast<uint32_t>(m_work.events.size());
        m_work.events.push_back({x, kind, place, target});
        if (kind == 7 || kind == 8) m_work.pending.push_back(id);
        return id;
    }

    // Flat ends not settled yet take their final kind.
    void Settle(int32_t leftKind, int32_t rightKind) {
        for (const uint32_t id : m_work.pending) {
            DiagramCrossingEvent& e = m_work.events[id];
            e.kind = e.kind == 7 ? leftKind : rightKind;
        }
        m_work.pending.clear();
    }

    static int32_t KindOf(uint32_t fieldKind) noexcept { return fieldKind > 9 ? 9 : static_cast<int32_t>(fieldKind); }

    void Flat(int32_t x0, int32_t x1) {
        if (x0 == x1) return;
        const bool left = x1 < x0;
        const int32_t kind = m_vertex == 1 ? (left ? 2 : 4) : m_vertex == 6 ? (left ? 3 : 5) : (left ? 7 : 8);
        Log(x0, kind);
        m_lastEvent = Log(x1, kind);
    }

    void Visit(const DiagramScanElement& s) {
        DiagramInfoFactor& f = *s.factor;
        const int32_t v = m_v;
        const bool flat = s.rowMin == v && Row(s.yMax) == v;
        switch (f.Type) {
        case DiagramInfoFactor::kLine: {
            if (flat) return Flat(s.x0, f.X);
            const bool top = s.rowMin == v;
            const bool bottom = Row(s.yMax) == v;
            if (top) {
                if (f.Y < s.y0) {
                    m_lastEvent = Log(f.X, 1);
                    m_vertex = 1;
                } else {
                    m_lastEvent = Log(s.x0, 6);
                    m_vertex = 6;
                }
            } else if (bottom) {
                if (s.y0 > f.Y) {
                    m_lastEvent = Log(s.x0, 1);
                    m_vertex = 1;
                } else {
                    m_lastEvent = Log(f.X, 6);
                    m_vertex = 6;
                }
            } else {
                const int64_t dx = TruncToInt64(static_cast<double>(int64_t(v) - s.y0) * f.coefA);
                m_lastEvent = Log(SaturateToInt32(SaturatingAdd(dx, s.x0)), 0);
            }
            return;
        }
        case DiagramInfoFactor::kCircleCurve:
            if (flat) return Flat(s.x0, f.X);
            return Curve(s, f);
        case DiagramInfoFactor::kArc: {
            if (flat) return Flat(s.x0, f.X);
            const int32_t kind = f.arcShape != 0 ? KindOf(f.startKind) : 9;
            if (Row(s.y0) == v) {
                m_lastEvent = Log(s.x0, kind);
            } else if (Row(f.Y) == v) {
                m_lastEvent = Log(f.X, kind);
                if (f.arcShape != 0) m_vertex = KindOf(f.startKind);
            } else if (f.arcShape > 0) {
                int64_t x = f.X;
                if (f.arcShape != 5) {
                    const double dy = static_cast<double>(int64_t(v) - f.Y2);
                    const int64_t half = TruncToInt64(std::cos(std::asin(dy / f.coefB)) * f.coefA);
                    x = f.arcShape == 2 || f.arcShape == 3 ? int64_t(f.X2) - half : int64_t(f.X2) + half;
                }
                m_lastEvent = Log(SaturateToInt32(x), 0);
            }
            return;
        }
        case DiagramInfoFactor::kJump:
            if (m_lastEvent != kNone) {
                EndSubPath(s.x0, s.y0);
                m_vertex = 0;
                m_lastEvent = kNone;
            }
            m_subX = f.X;
            m_subY = f.Y;
            return;
        default:
            return;
        }
    }

    static int64_t SaturatingAdd(int64_t a, int32_t b) noexcept {
        if (a > INT64_MAX - INT32_MAX) return INT64_MAX;
        if (a < INT64_MIN - INT32_MIN) return INT64_MIN;
        return a + b;
    }

    // Ends the sub-path whose current point is (cx, cy).
    void EndSubPath(int32_t cx, int32_t cy) {
        const bool same = cx == m_subX && cy == m_subY;
        if (Row(m_subY) == m_v && !same) {
            m_lastEvent = Log(m_subX, 9, kFirstOfX);
            Settle(2, 4);
        }
        if (Row(cy) == m_v) {
            if (same) {
                Log(m_work.events[m_lastEvent].x, 0, kMoveToFront, m_lastEvent);
                if (m_vertex == 1)
                    Settle(2, 4);
                else
                    Settle(3, 5);
            } else {
                Log(cx, 9);
            }
        }
    }

    // ---- CircleCurve ----

    static bool Match(double y, int64_t target) noexcept {
        const int64_t t = TruncToInt64(y);
        if constexpr (Level >= 4)
            return t == target;
        else
            return (t & ~int64_t(1)) == target;
    }

    // The piece's angle on sample line v: a secant search from the angle and
    // step the previous sample line left, never beyond the piece's limit.
    double Solve(DiagramInfoFactor& f, uint32_t k) {
        DiagramPiece& p = f.pieces[k];
        const int64_t T = int64_t(m_v) - f.Y2;
        const double S = T >= 0 ? static_cast<double>(T) + 0.5 : static_cast<double>(T) - 0.5;
        const double t = p.angle, yt = p.y, L = p.limit;
        double d = p.step;
        if (Match(yt, T) || yt > S) return t;
        const double D = S - yt;
        const bool falling = d < 0;
        auto limit = [&](double& step) {
            if (falling) {
                if (t + step < L) step = L - t;
            } else if (t + step > L) {
                step = L - t;
            }
        };
        limit(d);
        double t1 = t, y1 = yt;
        for (int i = 0; i < 50; ++i) {
            t1 = t + d;
            y1 = SpiralY(f.coefA, f.coefB, t1);
            d = d / ((y1 - yt) / D);
            limit(d);
            if (Match(y1, T)) break;
        }
        if (falling && d > 0) {
            d = -d;
            if (t1 + d < L) d = L - t;
        } else if (!falling && d < 0) {
            d = -d;
            if (t1 + d > L) d = L - t;
        }
        p.angle = t1;
        p.step = d;
        p.y = y1;
        return t1;
    }

    void Curve(const DiagramScanElement& s, DiagramInfoFactor& f) {
        const int32_t v = m_v;
        const bool onStart = Row(s.y0) == v;
        const bool onEnd = Row(f.Y) == v;
        bool endPut = false;
        for (uint32_t k = 0; k < 4; ++k) {
            if (!(f.pieceTop[k] <= v && v <= f.pieceBottom[k])) continue;
            const double t = Solve(f, k);
            int32_t x = SaturateToInt32(TruncToInt64(SpiralX(f.coefA, f.coefB, t) + static_cast<double>(f.X2)));
            int32_t kind = 0;
            const bool isStart = onStart && f.startPiece == k;
            if (isStart) {
                x = s.x0;
                kind = KindOf(f.startKind);
            }
            if (onEnd && f.endPiece == k) {
                if (isStart) m_lastEvent = Log(x, kind, kAfterEqual | kBeforePlainRun);
                m_lastEvent = Log(f.X, KindOf(f.endKind));
                m_vertex = KindOf(f.endKind);
                endPut = true;
            } else {
                uint32_t place = endPut && x == f.X ? kOneEarlier : kAfterEqual;
                if (f.startPiece == k) place |= kBeforePlainRun;
                Log(x, kind, place);
            }
        }
    }

    // ---- placement ----

    // The logged insertions as the sorted list of inserting them one by one.
    void Place() {
        DiagramScanWork& k = m_work;
        const std::vector<DiagramCrossingEvent>& ev = k.events;
        std::vector<DiagramCrossing>& list = k.crossings;
        list.clear();
        const uint32_t n = static_cast<uint32_t>(ev.size());
        if (n == 0) return;
        k.keys.resize(n);
        for (uint32_t i = 0; i < n; ++i)
            k.keys[i] = (uint64_t(uint32_t(ev[i].x) ^ 0x80000000u) << 32) | i;
        std::sort(k.keys.begin(), k.keys.end());
        for (uint32_t g = 0; g < n;) {
            const uint64_t high = k.keys[g] >> 32;
            uint32_t end = g + 1;
            while (end < n && (k.keys[end] >> 32) == high) ++end;
            if (end - g == 1) {
                const DiagramCrossingEvent& e = ev[uint32_t(k.keys[g])];
                list.push_back({e.x, e.kind});
            } else {
                PlaceGroup(g, end);
            }
            g = end;
        }
    }

    void PlaceGroup(uint32_t from, uint32_t to) {
        DiagramScanWork& k = m_work;
        const std::vector<DiagramCrossingEvent>& ev = k.events;
        std::vector<uint32_t>& group = k.group;
        group.clear();
        for (uint32_t i = from; i < to; ++i) {
            const uint32_t id = uint32_t(k.keys[i]);
            const DiagramCrossingEvent& e = ev[id];
            const uint32_t where = e.place & 3u;
            if (where == kMoveToFront) {
                const auto it = std::find(group.begin(), group.end(), e.target);
                if (it != group.end()) std::rotate(group.begin(), it, it + 1);
                continue;
            }
            size_t at = where == kFirstOfX ? 0 : group.size();
            if (where == kOneEarlier && at > 0) --at;
            if (e.place & kBeforePlainRun)
                while (at > 0 && ev[group[at - 1]].kind == 0) --at;
            group.insert(group.begin() + static_cast<std::ptrdiff_t>(at), id);
        }
        for (const uint32_t id : group) k.crossings.push_back({ev[id].x, ev[id].kind});
    }

    // ---- coverage ----

    void Mark(size_t column) noexcept { m_work.touched[column >> 6] |= uint64_t(1) << (column & 63); }

    void Accumulate(const std::vector<DiagramCrossing>& list) {
        const size_t paired = list.size() & ~size_t(1);
        if (paired == 0) return;
        m_first = std::min<int64_t>(m_first, list[0].x);
        m_last = std::max<int64_t>(m_last, list[paired - 1].x);
        const int64_t base = 16 * int64_t(m_x);
        const int64_t limit = 16 * (int64_t(m_x) + m_w);
        int32_t* delta = m_work.delta.data();
        for (size_t i = 0; i < paired; i += 2) {
            const int64_t a = std::max<int64_t>(list[i].x, base);
            const int64_t b = std::min<int64_t>(list[i + 1].x, limit);
            if (a >= b) continue;
            const int64_t s = a - base, e = b - base;
            const size_t ps = size_t(s >> 4), pe = size_t(e >> 4);
            const int32_t fs = int32_t(s & 15), fe = int32_t(e & 15);
            if (ps == pe) {
                const int32_t c = int32_t(e - s) * kStep;
                delta[ps] += c;
                delta[ps + 1] -= c;
            } else {
                delta[ps] += (16 - fs) * kStep;
                delta[ps + 1] += fs * kStep;
                delta[pe] += (fe - 16) * kStep;
                delta[pe + 1] -= fe * kStep;
                Mark(pe);
                Mark(pe + 1);
            }
            Mark(ps);
            Mark(ps + 1);
        }
    }

    // Hands the row's coverage to the span operation as runs of equal
    // coverage within the row's column range, and leaves the work row clear.
    template <class SpanOp>
    void Sweep(uint32_t* row, const SpanOp& op) {
        DiagramScanWork& k = m_work;
        const int64_t from64 = std::max<int64_t>(m_x, m_first / 16) - m_x;
        const int64_t to64 = std::min<int64_t>(int64_t(m_x) + m_w, (m_last + 15) / 16) - m_x;
        const size_t from = size_t(std::max<int64_t>(from64, 0));
        const size_t to = size_t(std::max<int64_t>(to64, 0));
        int32_t* delta = k.delta.data();
        int32_t coverage = 0;
        size_t at = 0;
        for (size_t word = 0; word < k.touched.size(); ++word) {
            uint64_t bits = k.touched[word];
            if (bits == 0) continue;
            k.touched[word] = 0;
            do {
                const size_t column = word * 64 + size_t(__builtin_ctzll(bits));
                bits &= bits - 1;
                if (coverage != 0) Emit(row, std::max(at, from), std::min(column, to), coverage, op);
                coverage += delta[column];
                delta[column] = 0;
                at = column;
            } while (bits != 0);
        }
    }

    template <class SpanOp>
    static void Emit(uint32_t* row, size_t from, size_t to, int32_t coverage, const SpanOp& op) {
        if (from >= to) return;
        const uint32_t c = Level == 0 ? 256u : static_cast<uint32_t>(coverage);
        op.Run(row + from, static_cast<int32_t>(to - from), c);
    }
};

}  // namespace diagram
