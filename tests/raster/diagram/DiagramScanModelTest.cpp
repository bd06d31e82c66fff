// The scan converter against a model written the plain way: crossings
// inserted one by one into a sorted list (positions shifting as they come),
// the resolution pass erasing from the list, and the coverage walked a
// sixteenth-run at a time. Random outlines of every element kind, at every
// level, compare every sample line's list before and after the resolution
// and every pixel's coverage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/diagram/DiagramLevels.h"
#include "raster/diagram/DiagramScan.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/diagram/DiagramTestSupport.h"

namespace {

using diagram::GridStep;
using diagram::SaturateToInt32;
using diagram::TruncToInt32;
using diagram::TruncToInt64;
using diagram_test::Crossings;
using diagram_test::SampleLine;

// ---- the model ----

// Resolution of (previous kind, current kind): Both, Cur, Par, Last.
const char* const kResolutionRows[10] = {
    "----------",  // previous 0 never looks up
    "BCCLCLBLLC",  // 1
    "BBBLBLCLLC",  // 2
    "BBLBLBCLLC",  // 3
    "BBBLBLCLLC",  // 4
    "BBLBLBCLLC",  // 5
    "BBPBPBCLLC",  // 6
    "LLLLLLLLLL",  // 7
    "LLLLLLLLLL",  // 8
    "BCCCCCCLLB",  // 9
};

template <int Level>
class Model {
public:
    static constexpr int32_t kStep = GridStep(Level);

    explicit Model(DiagramInfo& info) : m_info(info) {}

    int32_t Row(int32_t y) const { return y & ~(kStep - 1); }

    Crossings Walk(int32_t v) {
        m_list.clear();
        const DiagramInfoFactor& first = *m_info.elements.GetAt(0);
        m_cx = m_px = first.X;
        m_cy = m_py = first.Y;
        m_last = -1;
        m_vertex = 0;
        const uint32_t n = m_info.GetCount();
        auto type = [&](uint32_t k) { return k < n ? m_info.elements.GetAt(k)->Type : 99u; };
        for (uint32_t i = 1; i < n;) {
            if (type(i + 1) == DiagramInfoFactor::kReturn) {
                i += 2;
                continue;
            }
            if (type(i + 1) == DiagramInfoFactor::kTip && type(i + 2) == DiagramInfoFactor::kReturn) {
                i += 3;
                continue;
            }
            DiagramInfoFactor& e = *m_info.elements.GetAt(i++);
            if (e.Type >= DiagramInfoFactor::kReturn) continue;
            if (!(Row(e.yMin) <= v && v <= e.yMax) || e.Type == DiagramInfoFactor::kStart) {
                m_cx = e.X;
                m_cy = e.Y;
                continue;
            }
            switch (e.Type) {
            case DiagramInfoFactor::kLine: Line(e, v); break;
            case DiagramInfoFactor::kCircleCurve: Curve(e, v); break;
            case DiagramInfoFactor::kArc: Arc(e, v); break;
            default: Jump(e, v); break;
            }
            m_cx = e.X;
            m_cy = e.Y;
        }
        if (m_last >= 0) EndSubPath(v);
        return m_list;
    }

    static void Resolve(Crossings& list) {
        int parity = 0;
        char decision = 'B';
        size_t i = 0;
        while (list.size() >= 2 && i + 1 < list.size() - 1) {
            const int t = list[i].kind, h = list[i + 1].kind;
            if (t == 0) {
                parity ^= 1;
                ++i;
                continue;
            }
            char a = kResolutionRows[t][h];
            if (a == 'L') {
                a = decision;
            } else if (a == 'P') {
                a = parity == 0 ? 'B' : 'C';
                decision = a;
            } else {
                decision = a;
                if (a == 'C') parity ^= 1;
            }
            if (a == 'B') {
                list.erase(list.begin() + i, list.begin() + i + 2);
            } else {
                list.erase(list.begin() + i + 1);
                ++i;
            }
        }
    }

private:
    DiagramInfo& m_info;
    Crossings m_list;
    int32_t m_cx = 0, m_cy = 0, m_px = 0, m_py = 0;
    long m_last = -1;
    int32_t m_vertex = 0;

    size_t SortedPos(int32_t x) const {
        size_t i = 0;
        while (i < m_list.size() && m_list[i].x <= x) ++i;
        return i;
    }
    size_t BeforePlainRun(size_t pos, int32_t x) const {
        while (pos > 0 && m_list[pos - 1].x == x && m_list[pos - 1].kind == 0) --pos;
        return pos;
    }
    void PutAt(size_t pos, int32_t x, int32_t kind) { m_list.insert(m_list.begin() + pos, {x, kind}); }
    void Put(int32_t x, int32_t kind) {
        const size_t pos = SortedPos(x);
        PutAt(pos, x, kind);
        m_last = long(pos);
    }
    void Settle(int32_t left, int32_t right) {
        for (DiagramCrossing& c : m_list) {
            if (c.kind == 7) c.kind = left;
            if (c.kind == 8) c.kind = right;
        }
    }
    bool Flat(const DiagramInfoFactor& e, int32_t v) const { return Row(e.yMin) == v && Row(e.yMax) == v; }
    void FlatEnds(int32_t x0, int32_t x1) {
        if (x0 == x1) return;
        const bool left = x1 < x0;
        const int32_t kind = m_vertex == 1 ? (left ? 2 : 4) : m_vertex == 6 ? (left ? 3 : 5) : (left ? 7 : 8);
        Put(x0, kind);
        Put(x1, kind);
    }

    void Line(const DiagramInfoFactor& e, int32_t v) {
        const int32_t x0 = m_cx, y0 = m_cy;
        const bool top = v == Row(e.yMin), bottom = v == Row(e.yMax);
        if (top && bottom) {
            FlatEnds(x0, e.X);
        } else if (top) {
            if (e.Y < y0) {
                Put(e.X, 1);
                m_vertex = 1;
            } else {
                Put(x0, 6);
                m_vertex = 6;
            }
        } else if (bottom) {
            if (y0 > e.Y) {
                Put(x0, 1);
                m_vertex = 1;
            } else {
                Put(e.X, 6);
                m_vertex = 6;
            }
        } else {
            Put(SaturateToInt32(TruncToInt64(double(int64_t(v) - y0) * e.coefA) + x0), 0);
        }
    }

    double Solve(DiagramInfoFactor& e, int k, int32_t v) {
        DiagramPiece& p = e.pieces[k];
        const long long T = (long long)v - e.Y2;
        const double S = T >= 0 ? double(T) + 0.5 : double(T) - 0.5;
        auto y = [&](double a) { return (e.coefA * a + e.coefB) * std::sin(a); };
        auto match = [&](double yy) {
            long long tr = TruncToInt64(yy);
            if (Level < 4) tr &= ~1LL;
            return tr == T;
        };
        const double t = p.angle, yt = p.y, L = p.limit;
        double d = p.step;
        if (match(yt) || yt > S) return t;
        const double D = S - yt;
        const bool falling = d < 0;
        auto clampStep = [&] {
            if (falling && t + d < L) d = L - t;
            if (!falling && t + d > L) d = L - t;
        };
        clampStep();
        double t2 = t, y2 = yt;
        for (int i = 0; i < 50; ++i) {
            t2 = t + d;
            y2 = y(t2);
            d = d / ((y2 - yt) / D);
            clampStep();
            if (match(y2)) break;
        }
        if (falling && d > 0) {
            d = -d;
            if (t2 + d < L) d = L - t;
        }
        if (!falling && d < 0) {
            d = -d;
            if (t2 + d > L) d = L - t;
        }
        p.angle = t2;
        p.step = d;
        p.y = y2;
        return t2;
    }

    void Curve(DiagramInfoFactor& e, int32_t v) {
        const int32_t x0 = m_cx, y0 = m_cy;
        if (Flat(e, v)) return FlatEnds(x0, e.X);
        bool endPut = false;
        for (int k = 0; k < 4; ++k) {
            if (!(e.pieceTop[k] <= v && v <= e.pieceBottom[k])) continue;
            const double t = Solve(e, k, v);
            int32_t x = TruncToInt32(std::cos(t) * (e.coefA * t + e.coefB) + double(e.X2));
            int32_t kind = 0;
            const bool startHere = v == Row(y0) && e.startPiece == uint32_t(k);
            if (startHere) {
                x = x0;
                kind = int32_t(e.startKind);
            }
            if (v == Row(e.Y) && e.endPiece == uint32_t(k)) {
                if (startHere) {
                    const size_t pos = BeforePlainRun(SortedPos(x), x);
                    PutAt(pos, x, kind);
                    m_last = long(pos);
                }
                Put(e.X, int32_t(e.endKind));
                m_vertex = int32_t(e.endKind);
                endPut = true;
            } else {
                size_t pos = SortedPos(x);
                if (endPut && x == e.X) --pos;
                if (e.startPiece == uint32_t(k)) pos = BeforePlainRun(pos, x);
                PutAt(pos, x, kind);
                if (m_last >= 0 && long(pos) <= m_last) ++m_last;
            }
        }
    }

    void Arc(const DiagramInfoFactor& e, int32_t v) {
        const int32_t x0 = m_cx, y0 = m_cy;
        if (Flat(e, v)) return FlatEnds(x0, e.X);
        const int32_t kind = e.arcShape != 0 ? int32_t(e.startKind) : 9;
        if (v == Row(y0)) {
            Put(x0, kind);
        } else if (v == Row(e.Y)) {
            Put(e.X, kind);
            if (e.arcShape != 0) m_vertex = int32_t(e.startKind);
        } else if (e.arcShape > 0) {
            int64_t x = e.X;
            if (e.arcShape != 5) {
                const int64_t half = TruncToInt64(std::cos(std::asin(double(int64_t(v) - e.Y2) / e.coefB)) * e.coefA);
                x = (e.arcShape == 2 || e.arcShape == 3) ? e.X2 - half : e.X2 + half;
            }
            Put(SaturateToInt32(x), 0);
        }
    }

    void Jump(const DiagramInfoFactor& e, int32_t v) {
        if (m_last >= 0) {
            EndSubPath(v);
            m_vertex = 0;
            m_last = -1;
        }
        m_px = e.X;
        m_py = e.Y;
    }

    void EndSubPath(int32_t v) {
        const bool same = m_px == m_cx && m_py == m_cy;
        if (Row(m_py) == v && !same) {
            size_t pos = 0;
            while (pos < m_list.size() && m_list[pos].x != m_px) ++pos;
            // No crossing at that x: the marker's sorted place (the end of
            // the list could leave it unsorted).
            if (pos == m_list.size()) pos = SortedPos(m_px);
            PutAt(pos, m_px, 9);
            m_last = long(pos);
            Settle(2, 4);
        }
        if (Row(m_cy) == v) {
            if (same) {
                size_t to = size_t(m_last);
                while (to > 0 && m_list[to - 1].x == m_list[size_t(m_last)].x) --to;
                const DiagramCrossing moved = m_list[size_t(m_last)];
                m_list.erase(m_list.begin() + m_last);
                m_list.insert(m_list.begin() + to, moved);
                if (m_vertex == 1)
                    Settle(2, 4);
                else
                    Settle(3, 5);
            } else {
                Put(m_cx, 9);
            }
        }
    }
};

bool Prepare(CSprite& s, int level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r) {
    switch (level) {
    case 0: return s.PrepareDiagramAa0(x, y, w, h, r);
    case 1: return s.PrepareDiagramAa1(x, y, w, h, r);
    case 2: return s.PrepareDiagramAa2(x, y, w, h, r);
    case 4: return s.PrepareDiagramAa4(x, y, w, h, r);
    case 8: return s.PrepareDiagramAa8(x, y, w, h, r);
    default: return s.PrepareDiagramAa16(x, y, w, h, r);
    }
}

// What the model says a fill does: its result, its sample lines and the
// coverage of every pixel (0 where none; level 0 makes any coverage 256).
struct Outcome {
    bool result = false;
    std::vector<SampleLine> lines;
    std::vector<int32_t> coverage;
};

template <int Level>
Outcome ModelFill(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& info) {
    constexpr int32_t step = GridStep(Level);
    Outcome out;
    out.coverage.assign(size_t(sprite.GetWidth()) * sprite.GetHeight(), 0);
    if (sprite.ClipRect(x, y, w, h) == 0) return out;
    if (!Prepare(sprite, Level, x, y, w, h, info)) return out;
    if (info.GetCount() < 2) return out;
    out.result = true;
    int64_t lo = 16 * int64_t(y + h), hi = 16 * int64_t(y);
    for (const DiagramInfoFactor* e : info.elements) {
        lo = std::min<int64_t>(lo, e->yMin);
        hi = std::max<int64_t>(hi, e->yMax);
    }
    if (lo / 16 > y) {
        h -= int32_t(lo / 16 - y);
        y = int32_t(lo / 16);
    }
    if (h <= 0) return out;
    if ((hi + 31) / 16 < int64_t(y) + h) h = int32_t((hi + 31) / 16 - y);
    if (h <= 0) return out;

    Model<Level> model(info);
    std::vector<int32_t> cov;
    for (int32_t r = y; r < y + h; ++r) {
        cov.assign(size_t(x + w), 0);
        int64_t first = 16 * int64_t(x + w), last = 16 * int64_t(x);
        for (int32_t v = 16 * r; v < 16 * r + 16; v += step) {
            SampleLine line{v, model.Walk(v), {}};
            line.after = line.before;
            Model<Level>::Resolve(line.after);
            const Crossings& list = line.after;
            const size_t paired = list.size() & ~size_t(1);
            for (size_t i = 0; i < paired; i += 2) {
                int64_t a = std::max<int64_t>(list[i].x, 16 * int64_t(x));
                const int64_t b = std::min<int64_t>(list[i + 1].x, 16 * int64_t(x + w));
                while (a < b) {
                    const int64_t end = std::min<int64_t>(b, (a / 16 + 1) * 16);
                    cov[size_t(a / 16)] += int32_t(end - a) * step;
                    a = end;
                }
            }
            if (paired >= 2) {
                first = std::min<int64_t>(first, list[0].x);
                last = std::max<int64_t>(last, list[paired - 1].x);
            }
            out.lines.push_back(std::move(line));
        }
        const int64_t from = std::max<int64_t>(x, first / 16);
        const int64_t to = std::min<int64_t>(x + w, (last + 15) / 16);
        for (int64_t c = from; c < to; ++c) {
            const int32_t k = cov[size_t(c)];
            out.coverage[size_t(r) * sprite.GetWidth() + size_t(c)] = k == 0 ? 0 : Level == 0 ? 256 : k;
        }
    }
    return out;
}

template <int Level>
Outcome ConverterFill(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& info) {
    diagram_test::Traced t = diagram_test::Trace<Level>(sprite, x, y, w, h, info);
    return {t.result, std::move(t.lines), std::move(t.coverage)};
}

// ---- random outlines ----

struct Step {
    uint32_t type;
    int32_t x, y, cx, cy;
    uint8_t direction;
};

void Build(DiagramInfo& r, const std::vector<Step>& steps) {
    r.Reset();
    for (const Step& s : steps) {
        switch (s.type) {
        case DiagramInfoFactor::kStart: r.SetStartPoint(s.x, s.y); break;
        case DiagramInfoFactor::kLine: r.AddLine(s.x, s.y, 1); break;
        case DiagramInfoFactor::kCircleCurve: r.AddCircleCurve(s.x, s.y, s.cx, s.cy, s.direction, 1); break;
        case DiagramInfoFactor::kArc: r.AddArc(s.x, s.y, s.cx, s.cy, 1); break;
        case DiagramInfoFactor::kJump: r.AddJump(s.x, s.y); break;
        case DiagramInfoFactor::kReturn: r.AddReturn(); break;
        case DiagramInfoFactor::kTip: r.AddTip(); break;
        default: r.AddSeparator(); break;
        }
    }
}

// Coordinates on a coarse grid with offsets that often land on sample lines
// and on each other, so that equal x values, vertices on lines, flat
// stretches and closed sub-paths are common.
class OutlineMaker {
public:
    explicit OutlineMaker(uint32_t seed) : m_rng(seed) {}

    // tight: coordinates from a handful of values, so that crossings of
    // different elements share x values and curves start and end on lines
    // where other elements cross.
    std::vector<Step> Make(bool curves, int size, bool tight = false) {
        m_tight = tight;
        std::vector<Step> steps;
        int32_t px = Coord(size), py = Coord(size);
        int32_t sx = px, sy = py;
        steps.push_back({DiagramInfoFactor::kStart, px, py, 0, 0, 0});
        const int n = 2 + int(m_rng() % 12);
        for (int i = 0; i < n; ++i) {
            const uint32_t pick = m_rng() % 100;
            int32_t x = Coord(size), y = Coord(size);
            if (pick < 12) {  // back to the sub-path start
                x = sx;
                y = sy;
            } else if (pick < 20) {  // flat or vertical
                if (m_rng() & 1)
                    y = py;
                else
                    x = px;
            }
            if (pick < 45 || (!curves && pick < 80)) {
                steps.push_back({DiagramInfoFactor::kLine, x, y, 0, 0, 0});
            } else if (pick < 55 || !curves) {
                const uint32_t kind = pick < 50 ? DiagramInfoFactor::kJump
                                      : (m_rng() & 1) ? DiagramInfoFactor::kTip
                                                      : DiagramInfoFactor::kReturn;
                steps.push_back({kind, x, y, 0, 0, 0});
                if (kind != DiagramInfoFactor::kJump) continue;
                sx = x;
                sy = y;
            } else if (pick < 75) {
                const int32_t cx = Coord(size), cy = Coord(size);
                if (m_rng() % 3 == 0) {  // a whole turn, less or more a hair
                    x = px;
                    y = py;
                }
                steps.push_back({DiagramInfoFactor::kCircleCurve, x, y, cx, cy, uint8_t(m_rng() & 1)});
            } else {
                // An Arc whose ends lie in one quadrant about its centre
                // (now and then one that does not, which fails the fill).
                const int32_t cx = Coord(size), cy = Coord(size);
                const int32_t qx = px != cx ? (px > cx ? 1 : -1) : ((m_rng() & 1) ? 1 : -1);
                const int32_t qy = py != cy ? (py > cy ? 1 : -1) : ((m_rng() & 1) ? 1 : -1);
                x = cx + qx * int32_t(m_rng() % 120);
                y = cy + qy * int32_t(m_rng() % 120);
                if (m_rng() % 20 == 0) x = cx - qx * 40;
                steps.push_back({DiagramInfoFactor::kArc, x, y, cx, cy, 0});
            }
            px = x;
            py = y;
        }
        return steps;
    }

    std::mt19937& Rng() { return m_rng; }

private:
    int32_t Coord(int size) {
        static constexpr int32_t kTight[] = {48, 64, 64, 96, 128, 128, 160, 136, 200};
        if (m_tight) return kTight[m_rng() % 9];
        static constexpr int32_t kOffsets[] = {0, 0, 0, 8, 4, 2, 1, 15, 7};
        return int32_t(m_rng() % uint32_t(size + 2)) * 16 - 16 + kOffsets[m_rng() % 9];
    }

    std::mt19937 m_rng;
    bool m_tight = false;
};

template <int Level>
void CompareOnRandomOutlines(uint32_t seed, bool curves, int outlines, bool tight = false) {
    SCOPED_TRACE(testing::Message() << "level " << Level);
    OutlineMaker maker(seed);
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(24, 20, false));
    DiagramInfo forModel, forConverter;
    int agreed = 0, drawn = 0;
    for (int i = 0; i < outlines; ++i) {
        const std::vector<Step> steps = maker.Make(curves, 22, tight);
        // Mostly the whole sprite, now and then a rectangle inside it.
        int32_t x = 0, y = 0, w = 24, h = 20;
        if (maker.Rng()() % 4 == 0) {
            x = int32_t(maker.Rng()() % 10);
            y = int32_t(maker.Rng()() % 8) - 2;
            w = int32_t(maker.Rng()() % 14) + 1;
            h = int32_t(maker.Rng()() % 14) + 1;
        }
        Build(forModel, steps);
        Build(forConverter, steps);
        const Outcome expected = ModelFill<Level>(sprite, x, y, w, h, forModel);
        const Outcome got = ConverterFill<Level>(sprite, x, y, w, h, forConverter);
        SCOPED_TRACE(testing::Message() << "outline " << i << " of seed " << seed);
        ASSERT_EQ(got.result, expected.result);
        ASSERT_EQ(got.lines.size(), expected.lines.size());
        for (size_t k = 0; k < got.lines.size(); ++k) ASSERT_EQ(got.lines[k], expected.lines[k]) << k;
        ASSERT_EQ(got.coverage, expected.coverage);
        ++agreed;
        if (std::any_of(got.coverage.begin(), got.coverage.end(), [](int32_t c) { return c != 0; })) ++drawn;
    }
    EXPECT_EQ(agreed, outlines);
    EXPECT_GT(drawn, outlines / 3) << "the outlines cover pixels often enough to test something";
}

TEST(DiagramScanModel, LinesJumpsTipsAndReturns) {
    CompareOnRandomOutlines<0>(1, false, 400);
    CompareOnRandomOutlines<1>(2, false, 400);
    CompareOnRandomOutlines<2>(3, false, 400);
    CompareOnRandomOutlines<4>(4, false, 400);
    CompareOnRandomOutlines<8>(5, false, 400);
    CompareOnRandomOutlines<16>(6, false, 400);
}

TEST(DiagramScanModel, CurvesSharingTheirLinesAndColumns) {
    CompareOnRandomOutlines<0>(21, true, 600, true);
    CompareOnRandomOutlines<2>(22, true, 600, true);
    CompareOnRandomOutlines<8>(23, true, 600, true);
    CompareOnRandomOutlines<16>(24, true, 600, true);
}

TEST(DiagramScanModel, CircleCurvesAndArcs) {
    CompareOnRandomOutlines<0>(11, true, 400);
    CompareOnRandomOutlines<1>(12, true, 400);
    CompareOnRandomOutlines<2>(13, true, 400);
    CompareOnRandomOutlines<4>(14, true, 400);
    CompareOnRandomOutlines<8>(15, true, 400);
    CompareOnRandomOutlines<16>(16, true, 400);
}

// Ten thousand crossings on one sample line, inserted far from sorted order:
// teeth whose x values come in a shuffled order, with many equal x values.
TEST(DiagramScanModel, TenThousandCrossingsOnOneLine) {
    std::mt19937 rng(77);
    std::vector<int32_t> xs(5000);
    for (size_t i = 0; i < xs.size(); ++i) xs[i] = int32_t(i % 1700) * 3;
    std::shuffle(xs.begin(), xs.end(), rng);
    std::vector<Step> steps{{DiagramInfoFactor::kStart, xs[0], 8, 0, 0, 0}};
    for (size_t i = 0; i < xs.size(); ++i) {
        // A tooth: down across line 16, up across it again at another x.
        steps.push_back({DiagramInfoFactor::kLine, xs[i], 30, 0, 0, 0});
        steps.push_back({DiagramInfoFactor::kLine, xs[(i + 1) % xs.size()], 2, 0, 0, 0});
    }
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(320, 2, false));
    DiagramInfo forModel, forConverter;
    Build(forModel, steps);
    Build(forConverter, steps);
    const Outcome expected = ModelFill<1>(sprite, 0, 1, 320, 1, forModel);
    const Outcome got = ConverterFill<1>(sprite, 0, 1, 320, 1, forConverter);
    ASSERT_TRUE(got.result);
    ASSERT_EQ(got.lines.size(), 1u);
    EXPECT_EQ(got.lines[0].before.size(), 10000u);
    EXPECT_EQ(got.lines, expected.lines);
    EXPECT_EQ(got.coverage, expected.coverage);
}

}  // namespace
