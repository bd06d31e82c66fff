// The diagram fills and the stroke driver on a 1024 x 1024 canvas, against
// references that do the same work:
//   FillDiagramAa0/16 of the whole canvas  vs memset of the same 4 MB
//   FillDiagramAa0/16 of an outline        vs FreeType's grey rasteriser into
//       an 8-bit buffer (cleared first) and one pixman OVER of the colour
//       through it onto the canvas        (aim at level 16: speed >= 1)
//   the same                               vs cairo_fill on the canvas as an
//       ARGB32 surface (level 0: cairo without anti-aliasing), when the bench
//       was built with cairo
// Outlines: the whole canvas, a 256-point star, a circle 400 pixels across
// made of four Arcs about its centre, and a band between two spirals of four
// turns made of CircleCurves. The references get the same outline with its
// curves as cubics (ReferencePath.h), the form they take curves in; ours
// prepares the outline inside every call, as it must.
//
// Each benchmark times both sides in the same iteration, taking turns at going
// first, and reports speed = reference time / our time (above 1: ours is
// faster), both times per call and the aim where there is one.
//
// FillDiagramAa16 of a 10 x 10 pixel square at rows 1, 500 and 1000 of the
// canvas: the work of a fill should not grow with the distance of the outline
// from the top of the canvas.
//
// StrokeDiagramWhole of a 10,000-segment polyline at opacity 255 and 128 has
// no reference; its time per call is the benchmark's time (ms).
#include <benchmark/benchmark.h>
#include <pixman.h>
#if OC_BENCH_CAIRO
#include <cairo.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/TimeInTurns.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/diagram/ReferencePath.h"

namespace {

using namespace diagram_test;

constexpr int32_t kSize = 1024;
constexpr uint32_t kColour = 0x3366CC;

enum Shape { kRect, kStar, kCircle, kSpiral };
const char* const kShapeNames[] = {"rect", "star256", "circle400", "spiral"};

int32_t Round(double v) { return static_cast<int32_t>(std::lround(v)); }

void BuildShape(DiagramInfo& d, Shape shape) {
    const int32_t c = kSize * 8;  // the canvas centre, in sixteenths
    d.Reset();
    switch (shape) {
    case kRect:
        d.SetStartPoint(0, 0);
        d.AddLine(kSize * 16, 0, 1);
        d.AddLine(kSize * 16, kSize * 16, 1);
        d.AddLine(0, kSize * 16, 1);
        d.AddLine(0, 0, 1);
        break;
    case kStar:
        for (int i = 0; i < 512; ++i) {
            const double a = kTwoPi * i / 512, r = (i % 2 == 0 ? 480 : 200) * 16.0;
            const int32_t x = Round(c + r * std::cos(a)), y = Round(c + r * std::sin(a));
            if (i == 0)
                d.SetStartPoint(x, y);
            else
                d.AddLine(x, y, 1);
        }
        d.AddLine(d[0].X, d[0].Y, 1);
        break;
    case kCircle: {
        const int32_t r = 200 * 16;
        d.SetStartPoint(c + r, c);
        d.AddArc(c, c + r, c, c, 1);
        d.AddArc(c - r, c, c, c, 1);
        d.AddArc(c, c - r, c, c, 1);
        d.AddArc(c + r, c, c, c, 1);
        break;
    }
    case kSpiral: {
        // Four turns from radius 60 to 480 pixels, a band 40 pixels wide, eight
        // CircleCurves per turn on each side.
        constexpr int kPieces = 32;
        const double r0 = 60 * 16.0, r1 = 480 * 16.0, width = 40 * 16.0;
        auto at = [&](int i, double extra) {
            const double a = kTwoPi * i / 8, r = r0 + (r1 - r0) * i / kPieces + extra;
            return std::pair<int32_t, int32_t>{Round(c + r * std::cos(a)), Round(c + r * std::sin(a))};
        };
        d.SetStartPoint(at(0, 0).first, at(0, 0).second);
        for (int i = 1; i <= kPieces; ++i) d.AddCircleCurve(at(i, 0).first, at(i, 0).second, c, c, 1, 1);
        d.AddLine(at(kPieces, width).first, at(kPieces, width).second, 1);
        for (int i = kPieces - 1; i >= 0; --i) d.AddCircleCurve(at(i, width).first, at(i, width).second, c, c, 0, 1);
        d.AddLine(d[0].X, d[0].Y, 1);
        break;
    }
    }
}

bool FillOurs(CSprite& canvas, DiagramInfo& d, int32_t level) {
    return level == 0 ? canvas.FillDiagramAa0(0, 0, kSize, kSize, d, kColour, 255)
                      : canvas.FillDiagramAa16(0, 0, kSize, kSize, d, kColour, 255);
}

// An opaque canvas of random pixels; the fills write it the same way every
// time, so it is not restored between calls.
struct Canvas {
    CSprite sprite;
    Canvas() {
        InitRasterLibrary(1);
        sprite.Create(kSize, kSize, true);
        std::mt19937 rng(7);
        for (int32_t y = 0; y < kSize; ++y)
            for (int32_t x = 0; x < kSize; ++x) *sprite.PixelAt(x, y) = 0xFF000000u | (rng() & 0xFFFFFF);
    }
};

void Report(benchmark::State& state, double ours, double reference, const char* referenceName, double aim) {
    const double n = static_cast<double>(state.iterations());
    state.counters["speed"] = ours > 0 ? reference / ours : 0;
    if (aim > 0) state.counters["aim"] = aim;
    state.counters["ours_ms"] = ours / n * 1e3;
    state.counters[std::string(referenceName) + "_ms"] = reference / n * 1e3;
}

void BM_WholeCanvasVsMemset(benchmark::State& state, int32_t level) {
    Canvas canvas;
    DiagramInfo d;
    BuildShape(d, kRect);
    double ours = 0, reference = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { FillOurs(canvas.sprite, d, level); },
        [&] { std::memset(canvas.sprite.GetPixels(), 0x5A, size_t(kSize) * kSize * 4); }, ours, reference);
    Report(state, ours, reference, "memset", 0);
}

void BM_FillVsFreeType(benchmark::State& state, Shape shape, int32_t level) {
    Canvas canvas;
    DiagramInfo d;
    BuildShape(d, shape);
    FT_Library library = nullptr;
    FT_Init_FreeType(&library);
    FreeTypeOutline outline(ReferenceContours(d, CurveForm::kCubic));
    std::vector<uint32_t> words(size_t(kSize) * kSize / 4);  // the 8-bit buffer, word-aligned for pixman
    uint8_t* grey = reinterpret_cast<uint8_t*>(words.data());
    pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, kSize, kSize, words.data(), kSize);
    pixman_image_t* target = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, canvas.sprite.GetPixels(),
                                                      canvas.sprite.GetStride() * 4);
    const pixman_color_t colour = {0x3333, 0x6666, 0xCCCC, 0xFFFF};
    pixman_image_t* source = pixman_image_create_solid_fill(&colour);
    if (!outline.Fits()) state.SkipWithError("outline too large for FreeType");
    double ours = 0, reference = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { FillOurs(canvas.sprite, d, level); },
        [&] {
            RenderGrey(library, outline, kSize, kSize, grey);
            pixman_image_composite32(PIXMAN_OP_OVER, source, mask, target, 0, 0, 0, 0, 0, 0, kSize, kSize);
        },
        ours, reference);
    Report(state, ours, reference, "freetype", level == 16 ? 1 : 0);
    pixman_image_unref(source);
    pixman_image_unref(target);
    pixman_image_unref(mask);
    FT_Done_FreeType(library);
}

#if OC_BENCH_CAIRO
void BM_FillVsCairo(benchmark::State& state, Shape shape, int32_t level) {
    Canvas canvas;
    DiagramInfo d;
    BuildShape(d, shape);
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(canvas.sprite.GetPixels()),
                                            CAIRO_FORMAT_ARGB32, kSize, kSize, canvas.sprite.GetStride() * 4);
    cairo_t* cr = cairo_create(surface);
    for (const RefContour& c : ReferenceContours(d, CurveForm::kCubic)) {
        cairo_move_to(cr, c.start.x / 16, c.start.y / 16);
        for (const RefSegment& s : c.segments) {
            if (s.cubic)
                cairo_curve_to(cr, s.c1.x / 16, s.c1.y / 16, s.c2.x / 16, s.c2.y / 16, s.to.x / 16, s.to.y / 16);
            else
                cairo_line_to(cr, s.to.x / 16, s.to.y / 16);
        }
        cairo_close_path(cr);
    }
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_antialias(cr, level == 0 ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_source_rgb(cr, 0x33 / 255.0, 0x66 / 255.0, 0xCC / 255.0);
    double ours = 0, reference = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { FillOurs(canvas.sprite, d, level); },
        [&] {
            cairo_append_path(cr, path);
            cairo_fill(cr);
            cairo_surface_flush(surface);
        },
        ours, reference);
    Report(state, ours, reference, "cairo", 0);
    cairo_path_destroy(path);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
#endif

void BM_SmallSquareAtRow(benchmark::State& state, int32_t row) {
    Canvas canvas;
    DiagramInfo d;
    const int32_t top = row * 16;
    d.SetStartPoint(160, top);
    d.AddLine(320, top, 1);
    d.AddLine(320, top + 160, 1);
    d.AddLine(160, top + 160, 1);
    d.AddLine(160, top, 1);
    for (auto _ : state) {
        canvas.sprite.FillDiagramAa16(0, 0, kSize, kSize, d, kColour, 255);
        benchmark::ClobberMemory();
    }
}

// A random walk of 10,000 Lines of about eight pixels, kept on the canvas.
void BM_Stroke10000Segments(benchmark::State& state, int32_t level, uint8_t opacity) {
    Canvas canvas;
    DiagramInfo d;
    std::mt19937 rng(10000);
    int32_t x = kSize * 8, y = kSize * 8;
    d.SetStartPoint(x, y);
    for (int i = 0; i < 10000; ++i) {
        x = std::clamp(x + static_cast<int32_t>(rng() % 257) - 128, 64, kSize * 16 - 64);
        y = std::clamp(y + static_cast<int32_t>(rng() % 257) - 128, 64, kSize * 16 - 64);
        d.AddLine(x, y, 1);
    }
    constexpr int32_t kWidth = 3 * 16;
    for (auto _ : state) {
        if (!canvas.sprite.StrokeDiagramWhole(d, kWidth, 0xFF3366CCu, level, nullptr, opacity))
            state.SkipWithError("the stroke failed");
        benchmark::ClobberMemory();
    }
}

void Register() {
    for (int32_t level : {0, 16}) {
        const std::string aa = "/aa" + std::to_string(level);
        benchmark::RegisterBenchmark(("WholeCanvasVsMemset" + aa).c_str(), BM_WholeCanvasVsMemset, level)
            ->Unit(benchmark::kMillisecond);
        for (Shape shape : {kRect, kStar, kCircle, kSpiral}) {
            const std::string name = std::string("/") + kShapeNames[shape] + aa;
            benchmark::RegisterBenchmark(("FillVsFreeType" + name).c_str(), BM_FillVsFreeType, shape, level)
                ->Unit(benchmark::kMillisecond);
#if OC_BENCH_CAIRO
            benchmark::RegisterBenchmark(("FillVsCairo" + name).c_str(), BM_FillVsCairo, shape, level)
                ->Unit(benchmark::kMillisecond);
#endif
        }
    }
    for (int32_t row : {1, 500, 1000})
        benchmark::RegisterBenchmark(("SmallSquare/aa16/row" + std::to_string(row)).c_str(), BM_SmallSquareAtRow,
                                     row)
            ->Unit(benchmark::kMicrosecond);
    for (int opacity : {255, 128})
        benchmark::RegisterBenchmark(("Stroke10000Segments/aa16/opacity" + std::to_string(opacity)).c_str(),
                                     BM_Stroke10000Segments, 16, static_cast<uint8_t>(opacity))
            ->Unit(benchmark::kMillisecond);
}

const int kRegistered = (Register(), 0);

}  // namespace
