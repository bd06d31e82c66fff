// The fills against an independent rasteriser: FreeType's grey (anti-aliased)
// scan converter, fed the same outline (ReferencePath.h: 26.6 coordinates,
// curves flattened finely, even-odd rule).
//
// What the two compute. FreeType sums the signed area that each edge sweeps
// in a pixel and folds the sum s (in 1/256 of the pixel's area) by the
// even-odd rule: s mod 512 = c gives c for c < 256, 255 for c = 256 and, for a
// pixel seen through a contour of the other orientation (s = -c), c - 1. So
// inside a simple contour it gives min(256 A, 255) or 256 A - 1 by the
// contour's direction; the reference used here is the larger of the two
// renders of the outline run either way, which is min(256 A, 255) exactly.
// Where edges of several contours cross inside a pixel the fold is not the
// even-odd area, so the references are simple contours, or disjoint pieces of
// the even-odd region that the test works out itself.
//
// Level 16 samples sixteen lines per pixel row, each at the top of its
// 1/16-pixel strip, and counts the covered sixteenths of a column exactly, so
// its coverage c (0..256) is 256 A whenever every edge is axis-parallel on the
// 1/16 grid. The mapping used: FreeType's value = min(c, 255), exactly, for
// such outlines; that is also what the mask target at value 255 and the alpha
// target at opacity 255 write into a transparent pixel.
//
// Slanted and curved edges differ by the sampling (one line per 1/16 strip
// against the exact area) and by the crossing x being truncated to a
// sixteenth (for Arcs toward the centre); those comparisons hold to bounds
// measured on these cases and stated beside each test.
//
// The coverage of a fill is read through the public members: the mask fill at
// value 255 gives min(coverage, 255), and at value 1 it writes 1 exactly where
// the coverage is 256 ((coverage x 1) >> 8).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "raster/diagram/DiagramFillTable.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/raster/diagram/ReferencePath.h"

namespace {

using namespace raster_test;
using namespace diagram_test;

constexpr int32_t kLevels[] = {0, 1, 2, 4, 8, 16};

// The fills of a target at a level over the whole sprite.
bool FillMask(CSprite& s, int32_t level, DiagramInfo& d, uint8_t value) {
    return diagram_fill::FillAtLevel(diagram_fill::kMask, s, level, 0, 0, s.GetWidth(), s.GetHeight(), d, value);
}

bool FillAlpha(CSprite& s, int32_t level, DiagramInfo& d, uint8_t opacity) {
    return diagram_fill::FillAtLevel(diagram_fill::kAlpha, s, level, 0, 0, s.GetWidth(), s.GetHeight(), d, opacity);
}

bool FillPlain(CSprite& s, int32_t level, DiagramInfo& d, uint32_t colour, uint8_t opacity) {
    return diagram_fill::FillAtLevel(diagram_fill::kPlain, s, level, 0, 0, s.GetWidth(), s.GetHeight(), d, colour,
                                     opacity);
}

// A coverage 0..256 on FreeType's scale.
int32_t AsFreeType(int32_t coverage) { return std::min(coverage, 255); }

std::vector<int32_t> Alphas(const CSprite& s) {
    std::vector<int32_t> out;
    for (uint32_t p : Pixels(s)) out.push_back(static_cast<int32_t>(p >> 24));
    return out;
}

// Per pixel the coverage 0..256 of the fill at the level, read through two
// mask fills of transparent sprites (at level 0: 256 for every covered pixel).
std::vector<int32_t> Coverage(DiagramInfo& d, int32_t level, int32_t w, int32_t h) {
    CSprite at255 = Filled(w, h, 0x00123456u), at1 = Filled(w, h, 0x00123456u);
    EXPECT_TRUE(FillMask(at255, level, d, 255));
    EXPECT_TRUE(FillMask(at1, level, d, 1));
    std::vector<int32_t> cov = Alphas(at255);
    const std::vector<int32_t> full = Alphas(at1);
    for (size_t i = 0; i < cov.size(); ++i) {
        if (level == 0) cov[i] = cov[i] != 0 ? 256 : 0;
        if (full[i] != 0) {
            EXPECT_EQ(cov[i] == 255 || cov[i] == 256, true) << "pixel " << i << ": a full pixel below 255";
            cov[i] = 256;
        }
    }
    return cov;
}

class FreeTypeReferenceTest : public ReadyLibraryTest {
public:
    using RefFn = std::vector<int32_t> (*)(const DiagramInfo&, int32_t, int32_t);

protected:
    static void SetUpTestSuite() { ASSERT_EQ(FT_Init_FreeType(&library_), 0); }
    static void TearDownTestSuite() {
        FT_Done_FreeType(library_);
        library_ = nullptr;
    }

    // FreeType's grey values of the outline over a w x h sprite, row by row:
    // per pixel the larger of the renders of the outline run either way.
    static std::vector<int32_t> Reference(const DiagramInfo& d, int32_t w, int32_t h) {
        const std::vector<RefContour> contours = ReferenceContours(d, CurveForm::kFlattened);
        std::vector<int32_t> out(size_t(w) * size_t(h), 0);
        std::vector<uint8_t> grey(out.size());
        for (const std::vector<RefContour>& way : {contours, Reversed(contours)}) {
            FreeTypeOutline outline(way);
            EXPECT_TRUE(outline.Fits());
            EXPECT_EQ(RenderGrey(library_, outline, w, h, grey.data()), 0);
            for (size_t i = 0; i < out.size(); ++i) out[i] = std::max<int32_t>(out[i], grey[i]);
        }
        return out;
    }

    // Differences of level 16 (coverage mapped to 0..255 as FreeType scales
    // it) from FreeType over a sprite: the largest in one pixel, their sum,
    // their signed sum and the number of pixels that either side touches.
    struct Difference {
        int32_t largest = 0;
        int64_t sum = 0;
        int64_t signedSum = 0;
        int64_t touched = 0;
        int32_t where = -1;
        int32_t whichCase = -1;
        int32_t cases = 0;
    };
    static void Measure(DiagramInfo& d, int32_t w, int32_t h, Difference& diff) {
        ++diff.cases;
        const std::vector<int32_t> ref = Reference(d, w, h);
        const std::vector<int32_t> cov = Coverage(d, 16, w, h);
        for (size_t i = 0; i < ref.size(); ++i) {
            const int32_t ours = AsFreeType(cov[i]), delta = ours - ref[i];
            if (cov[i] == 0 && ref[i] == 0) continue;
            ++diff.touched;
            diff.sum += std::abs(delta);
            diff.signedSum += delta;
            if (std::abs(delta) > diff.largest) {
                diff.largest = std::abs(delta);
                diff.where = static_cast<int32_t>(i);
                diff.whichCase = diff.cases - 1;
            }
        }
    }
    static void ExpectWithin(const Difference& diff, int32_t w, int32_t largest, double mean, double bias,
                             const char* what) {
        const double m = diff.touched != 0 ? double(diff.sum) / double(diff.touched) : 0;
        const double drift = diff.touched != 0 ? double(diff.signedSum) / double(diff.touched) : 0;
        ::testing::Test::RecordProperty(std::string(what) + "_largest", diff.largest);
        ::testing::Test::RecordProperty(std::string(what) + "_mean_x1000", static_cast<int>(m * 1000));
        EXPECT_LE(diff.largest, largest) << what << ": worst in case " << diff.whichCase << " at pixel ("
                                         << diff.where % w << ", " << diff.where / w << ")";
        EXPECT_LE(m, mean) << what << " (bias " << drift << ", largest " << diff.largest << ")";
        EXPECT_LE(std::abs(drift), bias) << what << " (mean " << m << ")";
    }

    static FT_Library library_;
};

FT_Library FreeTypeReferenceTest::library_ = nullptr;

// ---- Outline builders (coordinates in sixteenths of a pixel) ----

void AddRect(DiagramInfo& d, int32_t l, int32_t t, int32_t r, int32_t b, bool clockwise, bool first) {
    if (first)
        d.SetStartPoint(l, t);
    else
        d.AddJump(l, t);
    if (clockwise) {
        d.AddLine(r, t, 1);
        d.AddLine(r, b, 1);
        d.AddLine(l, b, 1);
    } else {
        d.AddLine(l, b, 1);
        d.AddLine(r, b, 1);
        d.AddLine(r, t, 1);
    }
    d.AddLine(l, t, 1);
}

struct GridRect {
    int32_t l, t, r, b;
    bool clockwise;
};

void BuildRects(DiagramInfo& d, const std::vector<GridRect>& rects) {
    d.Reset();
    bool first = true;
    for (const GridRect& r : rects) {
        AddRect(d, r.l, r.t, r.r, r.b, r.clockwise, first);
        first = false;
    }
}

// The even-odd region of the rectangles as disjoint rectangles: the cells of
// the grid of all their edges that lie inside an odd number of them, joined
// along each row of cells.
std::vector<GridRect> EvenOddPieces(const std::vector<GridRect>& rects) {
    std::vector<int32_t> xs, ys;
    for (const GridRect& r : rects) {
        xs.insert(xs.end(), {r.l, r.r});
        ys.insert(ys.end(), {r.t, r.b});
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<GridRect> pieces;
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            int inside = 0;
            for (const GridRect& r : rects) inside += r.l <= xs[i] && xs[i] < r.r && r.t <= ys[j] && ys[j] < r.b;
            if (inside % 2 == 0) continue;
            if (!pieces.empty() && pieces.back().t == ys[j] && pieces.back().r == xs[i])
                pieces.back().r = xs[i + 1];
            else
                pieces.push_back({xs[i], ys[j], xs[i + 1], ys[j + 1], true});
        }
    }
    return pieces;
}

// The ellipse about (cx, cy) with semi-axes rx, ry as four quarter Arcs.
void BuildEllipse(DiagramInfo& d, int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool clockwise) {
    d.Reset();
    d.SetStartPoint(cx + rx, cy);
    if (clockwise) {
        d.AddArc(cx, cy + ry, cx, cy, 1);
        d.AddArc(cx - rx, cy, cx, cy, 1);
        d.AddArc(cx, cy - ry, cx, cy, 1);
    } else {
        d.AddArc(cx, cy - ry, cx, cy, 1);
        d.AddArc(cx - rx, cy, cx, cy, 1);
        d.AddArc(cx, cy + ry, cx, cy, 1);
    }
    d.AddArc(cx + rx, cy, cx, cy, 1);
}

int32_t Round(double v) { return static_cast<int32_t>(std::lround(v)); }

// A band between two spirals about (cx, cy): from angle a0 at radius r0 to a0
// + sweep at radius r1 (sweep below a turn, sign = direction), across by
// `width` and back along the outer spiral.
void BuildSpiralBand(DiagramInfo& d, int32_t cx, int32_t cy, double a0, double sweep, double r0, double r1,
                     double width) {
    const double a1 = a0 + sweep;
    const uint8_t forward = sweep > 0 ? 1 : 0;
    d.Reset();
    d.SetStartPoint(Round(cx + r0 * std::cos(a0)), Round(cy + r0 * std::sin(a0)));
    d.AddCircleCurve(Round(cx + r1 * std::cos(a1)), Round(cy + r1 * std::sin(a1)), cx, cy, forward, 1);
    d.AddLine(Round(cx + (r1 + width) * std::cos(a1)), Round(cy + (r1 + width) * std::sin(a1)), 1);
    d.AddCircleCurve(Round(cx + (r0 + width) * std::cos(a0)), Round(cy + (r0 + width) * std::sin(a0)), cx, cy,
                     forward ^ 1, 1);
    d.AddLine(d[0].X, d[0].Y, 1);
}

// A random outline of every element kind the fills meet: Lines, CircleCurves,
// Arcs whose ends lie in one quadrant of their centre, Jumps to new
// sub-paths, Tips and Separators, sub-paths mostly closed. Coordinates run
// somewhat beyond a sprite of `size` x `size` pixels.
void BuildRandomOutline(DiagramInfo& d, std::mt19937& rng, int32_t size) {
    const int32_t span = size * 16;
    auto coord = [&] { return static_cast<int32_t>(rng() % uint32_t(span + 320)) - 160; };
    auto unit = [&] { return double(rng() % 100000) / 100000.0; };
    d.Reset();
    int32_t sx = coord(), sy = coord();
    d.SetStartPoint(sx, sy);
    int32_t x = sx, y = sy;
    const int n = 2 + int(rng() % 10);
    for (int i = 0; i < n; ++i) {
        switch (rng() % 9) {
        case 0:
        case 1:
        case 2:
            x = coord();
            y = coord();
            d.AddLine(x, y, 1);
            break;
        case 3: {  // spiral about a point near the sprite
            const int32_t cx = coord(), cy = coord();
            x = coord();
            y = coord();
            d.AddCircleCurve(x, y, cx, cy, uint8_t(rng() & 1), 1);
            break;
        }
        case 4:
        case 5: {  // a quarter-ellipse piece starting here
            const double rx = 40 + unit() * span / 2, ry = 40 + unit() * span / 2;
            const double quadrant = double(rng() % 4) * kPi / 2;
            const double t0 = quadrant + 0.2 + unit() * (kPi / 2 - 0.4);
            const double t1 = quadrant + 0.2 + unit() * (kPi / 2 - 0.4);
            const int32_t cx = Round(x - rx * std::cos(t0)), cy = Round(y - ry * std::sin(t0));
            x = Round(cx + rx * std::cos(t1));
            y = Round(cy + ry * std::sin(t1));
            d.AddArc(x, y, cx, cy, 1);
            break;
        }
        case 6:
            if (rng() % 4 != 0) d.AddLine(sx, sy, 1);
            sx = x = coord();
            sy = y = coord();
            d.AddJump(x, y);
            break;
        case 7:
            d.AddTip();
            break;
        default:
            d.AddSeparator();
            break;
        }
    }
    if (rng() % 4 != 0) d.AddLine(sx, sy, 1);
}

// ---- Exact agreement: axis-parallel edges on the 1/16 grid ----

struct RectCase {
    const char* name;
    std::vector<GridRect> rects;
};

// Per pixel row, how many of its sample lines hold a corner of one rectangle
// at a position that another rectangle also uses on that line: a horizontal
// edge of both, or the same x as a vertical edge of the other.
std::vector<int32_t> SharedLines(const std::vector<GridRect>& rects, int32_t rows) {
    std::vector<int32_t> lines;
    for (const GridRect& r : rects)
        for (const GridRect& o : rects) {
            if (&r == &o) continue;
            const bool sameX = r.l == o.l || r.l == o.r || r.r == o.l || r.r == o.r;
            for (int32_t y : {r.t, r.b})
                if (y == o.t || y == o.b || (sameX && o.t <= y && y <= o.b)) lines.push_back(y);
        }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::vector<int32_t> perRow(size_t(rows), 0);
    for (int32_t y : lines)
        if (y >= 0 && y < rows * 16) ++perRow[size_t(y / 16)];
    return perRow;
}

// The rectangles filled at level 16 against FreeType's render of their
// even-odd region (EvenOddPieces): identical, except on sample lines where a
// corner of one contour meets a horizontal edge or the vertical edge of
// another. There the crossings of the two sub-paths fall into one run of equal
// x, the run is resolved by its vertex kinds as if it were one sub-path's, and
// the line can gain or lose a span: at most 16 per pixel for each such line.
void ExpectRectanglesMatch(FreeTypeReferenceTest::RefFn reference, const std::vector<GridRect>& rects, int32_t size,
                           const std::string& what) {
    DiagramInfo d;
    BuildRects(d, EvenOddPieces(rects));
    const std::vector<int32_t> ref = reference(d, size, size);
    BuildRects(d, rects);
    const std::vector<int32_t> cov = Coverage(d, 16, size, size);
    const std::vector<int32_t> shared = SharedLines(rects, size);
    for (int32_t i = 0; i < size * size; ++i) {
        const int32_t ours = AsFreeType(cov[i]), allowed = 16 * shared[size_t(i / size)];
        if (std::abs(ours - ref[i]) <= allowed) continue;
        std::string text;
        for (const GridRect& r : rects)
            text += "(" + std::to_string(r.l) + "," + std::to_string(r.t) + ")-(" + std::to_string(r.r) + "," +
                    std::to_string(r.b) + (r.clockwise ? ") cw " : ") ccw ");
        ADD_FAILURE() << what << ", pixel (" << i % size << ", " << i / size << "): ours " << ours << ", FreeType "
                      << ref[i] << (allowed != 0 ? " (beyond a shared line)" : "") << "; rectangles " << text;
        return;
    }
    // The alpha target at opacity 255 writes what the mask target does into
    // transparent pixels: min(coverage, 255).
    CSprite alpha = Filled(size, size, 0x00ABCDEFu);
    ASSERT_TRUE(alpha.FillDiagramAlphaAa16(0, 0, size, size, d, 255));
    const std::vector<int32_t> written = Alphas(alpha);
    for (int32_t i = 0; i < size * size; ++i)
        ASSERT_EQ(written[i], std::min(cov[i], 255)) << what << ", pixel (" << i % size << ", " << i / size << ")";
}

TEST_F(FreeTypeReferenceTest, AxisParallelRectanglesMatchExactly) {
    const RectCase cases[] = {
        {"whole pixels", {{32, 48, 160, 128, true}}},
        {"whole pixels, drawn the other way", {{32, 48, 160, 128, false}}},
        {"sixteenths on every side", {{35, 50, 171, 141, true}}},
        {"inside one pixel", {{37, 41, 44, 46, true}}},
        {"one sixteenth wide", {{100, 20, 101, 300, true}}},
        {"one sixteenth high", {{20, 100, 300, 101, false}}},
        {"beyond every side of the sprite", {{-77, -45, 500, 433, true}}},
        {"beyond the left and the top only", {{-300, -301, 61, 59, false}}},
        {"a hole: two contours, one inside the other", {{20, 20, 300, 300, true}, {83, 90, 211, 205, true}}},
        {"a hole drawn the other way", {{20, 20, 300, 300, true}, {83, 90, 211, 205, false}}},
        {"overlapping: the overlap is left out", {{20, 20, 200, 200, true}, {100, 120, 350, 330, true}}},
        {"sharing a vertical edge, tops apart", {{20, 20, 100, 200, true}, {100, 36, 250, 217, false}}},
        {"three nested", {{8, 8, 370, 370, true}, {40, 40, 330, 330, false}, {80, 88, 250, 301, true}}},
        // A corner of one contour on a sample line where another has an edge at
        // its x or a horizontal edge.
        {"sharing an edge", {{20, 20, 100, 200, true}, {100, 20, 250, 200, false}}},
        {"sharing a horizontal edge", {{20, 20, 200, 100, true}, {20, 100, 200, 250, true}}},
        {"touching at one corner", {{20, 20, 100, 100, true}, {100, 100, 200, 200, true}}},
        {"the same rectangle twice: nothing", {{40, 40, 200, 200, true}, {40, 40, 200, 200, false}}},
        {"stacked with shared corners",
         {{16, 16, 80, 80, true}, {80, 80, 144, 144, true}, {16, 80, 80, 144, false}, {80, 16, 144, 80, false}}},
    };
    for (const RectCase& c : cases) ExpectRectanglesMatch(&Reference, c.rects, 24, c.name);
}

TEST_F(FreeTypeReferenceTest, RandomRectangleSetsMatchExactly) {
    // Corners from a coarse set of positions, so that edges, corners and whole
    // rectangles of different contours often coincide, and from every
    // sixteenth.
    std::mt19937 rng(616);
    for (int round = 0; round < 400; ++round) {
        const bool coarse = round % 2 == 0;
        auto pick = [&] {
            return coarse ? static_cast<int32_t>(rng() % 9) * 40 - 20 : static_cast<int32_t>(rng() % 360) - 20;
        };
        std::vector<GridRect> rects;
        const int n = 1 + int(rng() % 5);
        for (int i = 0; i < n; ++i) {
            int32_t l = pick(), r = pick(), t = pick(), b = pick();
            if (l == r) r += 16;
            if (t == b) b += 7;
            rects.push_back({std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b), (rng() & 1) != 0});
        }
        ExpectRectanglesMatch(&Reference, rects, 20, "round " + std::to_string(round));
    }
}

// ---- Slanted and curved edges: measured bounds ----

// Random simple polygons (vertices at increasing angles about a point, at
// random distances, reaching beyond the sprite; FreeType's fold is not the
// even-odd area where edges cross inside a pixel). Measured on these cases:
// largest difference 27 of 255 in one pixel, 1.07 on average over the pixels
// either side touches, bias +0.08. Bounds: 40, 1.6, 0.4.
TEST_F(FreeTypeReferenceTest, RandomPolygonsWithinMeasuredBounds) {
    constexpr int32_t kSize = 48;
    std::mt19937 rng(2718);
    DiagramInfo d;
    Difference diff;
    for (int round = 0; round < 300; ++round) {
        // Vertex i at an angle in the i-th of n equal sectors: no two
        // neighbours more than half a turn apart, so no edges cross.
        const int n = 4 + int(rng() % 14);
        std::vector<double> angles;
        for (int i = 0; i < n; ++i) angles.push_back(kTwoPi * (i + double(rng() % 900) / 1000.0) / n);
        const double cx = 100 + double(rng() % (kSize * 16 - 200)), cy = 100 + double(rng() % (kSize * 16 - 200));
        d.Reset();
        for (int i = 0; i < n; ++i) {
            const double r = 8 + double(rng() % (kSize * 12));
            const int32_t x = Round(cx + r * std::cos(angles[i])), y = Round(cy + r * std::sin(angles[i]));
            if (i == 0)
                d.SetStartPoint(x, y);
            else
                d.AddLine(x, y, 1);
        }
        d.AddLine(d[0].X, d[0].Y, 1);
        Measure(d, kSize, kSize, diff);
    }
    ExpectWithin(diff, kSize, 40, 1.6, 0.4, "polygons");
}

// Ellipses of four Arcs at fractional centres, from 2.5 to 40 pixels across.
// The Arc's crossing is truncated toward the centre, so the fill runs a
// little inside the ellipse (the negative bias). Measured: largest 18, mean
// 0.74, bias -0.45. Bounds: 28, 1.1, 0.7.
TEST_F(FreeTypeReferenceTest, EllipsesOfFourArcsWithinMeasuredBounds) {
    constexpr int32_t kSize = 64;
    std::mt19937 rng(3141);
    DiagramInfo d;
    Difference diff;
    for (int round = 0; round < 200; ++round) {
        const int32_t rx = 40 + static_cast<int32_t>(rng() % 560), ry = 40 + static_cast<int32_t>(rng() % 560);
        const int32_t cx = 100 + static_cast<int32_t>(rng() % 824), cy = 100 + static_cast<int32_t>(rng() % 824);
        BuildEllipse(d, cx, cy, rx, ry, (rng() & 1) != 0);
        Measure(d, kSize, kSize, diff);
    }
    ExpectWithin(diff, kSize, 28, 1.1, 0.7, "ellipses");
}

// Bands between two spirals (CircleCurves both ways, up to most of a turn).
// The spiral's crossing is taken where its y truncates to the sample line, up
// to a sixteenth below it, so each edge moves sideways by up to a sixteenth
// times its slope: the largest differences of the three. Measured: largest
// 32, mean 2.98, bias -0.06. Bounds: 48, 4.0, 0.4.
TEST_F(FreeTypeReferenceTest, SpiralBandsWithinMeasuredBounds) {
    constexpr int32_t kSize = 64;
    std::mt19937 rng(1618);
    DiagramInfo d;
    Difference diff;
    for (int round = 0; round < 200; ++round) {
        const double a0 = double(rng() % 6283) / 1000.0;
        const double sweep = (0.3 + double(rng() % 5500) / 1000.0) * ((rng() & 1) != 0 ? 1 : -1);
        const double r0 = 40 + double(rng() % 300), r1 = 40 + double(rng() % 300);
        const double width = 16 + double(rng() % 120);
        BuildSpiralBand(d, 512 + static_cast<int32_t>(rng() % 33), 512 + static_cast<int32_t>(rng() % 33), a0,
                        sweep, r0, r1, width);
        Measure(d, kSize, kSize, diff);
    }
    ExpectWithin(diff, kSize, 48, 4.0, 0.4, "spirals");
}

TEST_F(FreeTypeReferenceTest, EllipseAreaAtLevel16WithinHalfPercent) {
    // Truncating the Arc's crossings toward the centre costs about half a
    // sixteenth on each side of every sample line, 1 / (8 pi r) of the area
    // of a circle of r pixels: 0.5% at r = 8, so the ellipses here have semi-axes
    // of 16 pixels or more. Measured: 0.07% (large circle) to 0.26% below.
    struct Case {
        const char* name;
        int32_t cx, cy, rx, ry;
    };
    const Case cases[] = {
        {"circle of 16 pixels, centred on a pixel corner", 1024, 1024, 256, 256},
        {"circle of 16 pixels, centre off the grid", 1029, 1021, 256, 256},
        {"wide ellipse", 1050, 520, 1000, 256},
        {"tall ellipse", 520, 1050, 260, 1000},
        {"large circle", 1030, 1030, 1000, 1000},
        {"odd sizes", 701, 699, 333, 517},
    };
    constexpr int32_t kSize = 132;
    DiagramInfo d;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuildEllipse(d, c.cx, c.cy, c.rx, c.ry, true);
        const std::vector<int32_t> cov = Coverage(d, 16, kSize, kSize);
        double area = 0;
        for (int32_t v : cov) area += v / 256.0;
        const double exact = kPi * (c.rx / 16.0) * (c.ry / 16.0);
        EXPECT_NEAR(area, exact, exact * 0.005);
    }
}

// ---- Relations between levels and targets, on outlines of every element kind ----

TEST_F(FreeTypeReferenceTest, Level1EqualsLevel0WhereCoverageIsFull) {
    // Levels 0 and 1 sample the same line per row: the pixels they touch are
    // the same, and where level 1 covers a pixel fully the plain fill writes
    // the same pixel as level 0.
    constexpr int32_t kSize = 40;
    std::mt19937 rng(99);
    DiagramInfo d;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        BuildRandomOutline(d, rng, kSize);
        const std::vector<int32_t> cov0 = Coverage(d, 0, kSize, kSize), cov1 = Coverage(d, 1, kSize, kSize);
        CSprite back;
        MakeRandom(back, kSize, kSize, rng);
        CSprite plain0, plain1;
        CopyPixels(back, plain0);
        CopyPixels(back, plain1);
        const uint32_t colour = rng() & 0xFFFFFF;
        const uint8_t opacity = static_cast<uint8_t>(rng() % 3 == 0 ? 255 : rng());
        ASSERT_TRUE(FillPlain(plain0, 0, d, colour, opacity));
        ASSERT_TRUE(FillPlain(plain1, 1, d, colour, opacity));
        for (int32_t i = 0; i < kSize * kSize; ++i) {
            const int32_t px = i % kSize, py = i / kSize;
            ASSERT_EQ(cov0[i] != 0, cov1[i] != 0) << "pixel (" << px << ", " << py << ")";
            if (cov1[i] == 256) {
                ASSERT_EQ(*plain0.PixelAt(px, py), *plain1.PixelAt(px, py)) << px << ", " << py;
            }
        }
    }
}

TEST_F(FreeTypeReferenceTest, AlphaTargetNeverLowersAlpha) {
    // Random outlines over random alpha at every level and opacity: alpha never
    // falls, colour never changes, and each pixel follows the union rule with
    // the coverage that the mask target sees for the same outline.
    constexpr int32_t kSize = 40;
    std::mt19937 rng(4242);
    DiagramInfo d;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        BuildRandomOutline(d, rng, kSize);
        const int32_t level = kLevels[round % 6];
        const uint8_t opacity = static_cast<uint8_t>(rng() % 4 == 0 ? 255 : rng());
        const std::vector<int32_t> cov = Coverage(d, level, kSize, kSize);
        CSprite before, after;
        MakeRandom(before, kSize, kSize, rng);
        CopyPixels(before, after);
        ASSERT_TRUE(FillAlpha(after, level, d, opacity));
        const int32_t weight = opacity + (opacity >> 7);
        for (int32_t i = 0; i < kSize * kSize; ++i) {
            const int32_t px = i % kSize, py = i / kSize;
            const uint32_t was = *before.PixelAt(px, py), now = *after.PixelAt(px, py);
            const int32_t wasAlpha = static_cast<int32_t>(was >> 24), nowAlpha = static_cast<int32_t>(now >> 24);
            ASSERT_GE(nowAlpha, wasAlpha) << "level " << level << ", pixel (" << px << ", " << py << ")";
            ASSERT_EQ(now & 0xFFFFFF, was & 0xFFFFFF) << "level " << level << ", pixel (" << px << ", " << py << ")";
            const int32_t a = (cov[i] * weight) >> 8;
            const int32_t expected = a == 0 ? wasAlpha : a == 256 ? 255 : a + ((wasAlpha * (256 - a)) >> 8);
            ASSERT_EQ(nowAlpha, expected) << "level " << level << ", coverage " << cov[i] << ", pixel (" << px
                                          << ", " << py << ")";
        }
    }
}

}  // namespace
