#pragma once
// Helpers of the scan converter tests: outlines from point lists, the
// converter observed (each sample line's crossings before and after the
// resolution pass, the coverage it hands to the span operation), printable.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <utility>
#include <vector>

#include "raster/diagram/DiagramScan.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

inline void PrintTo(const DiagramCrossing& c, std::ostream* os) { *os << "(" << c.x << ", " << c.kind << ")"; }

namespace diagram_test {

using Crossings = std::vector<DiagramCrossing>;

inline std::ostream& operator<<(std::ostream& os, const Crossings& list) {
    for (const DiagramCrossing& c : list) os << "(" << c.x << ", " << c.kind << ") ";
    return os;
}

struct SampleLine {
    int32_t v;
    Crossings before, after;
    bool operator==(const SampleLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const SampleLine& s) {
    return os << "v " << s.v << ": " << s.before << "-> " << s.after;
}

// A closed polygon: start at the first point, Lines through the others and
// back to the first.
inline void Polygon(DiagramInfo& r, std::initializer_list<std::pair<int32_t, int32_t>> points) {
    r.Reset();
    bool first = true;
    for (const auto& [x, y] : points) {
        if (first)
            r.SetStartPoint(x, y);
        else
            r.AddLine(x, y, 1);
        first = false;
    }
    r.AddLine(points.begin()->first, points.begin()->second, 1);
}

// Records each sample line's crossings before and after the resolution pass.
struct LineRecorder {
    std::vector<SampleLine>* lines;
    void Before(int32_t v, const Crossings& list) const { lines->push_back({v, list, {}}); }
    void After(int32_t, const Crossings& list) const { lines->back().after = list; }
};

// Records the coverage handed over per pixel of the sprite (0 where none),
// checking that each run is well formed and no pixel comes twice.
struct CoverageRecorder {
    const uint32_t* base;
    std::vector<int32_t>* coverage;
    int* runs;
    bool DrawsNothing() const { return false; }
    void Run(uint32_t* d, int32_t n, uint32_t c) const {
        ++*runs;
        EXPECT_GE(c, 1u);
        EXPECT_LE(c, 256u);
        EXPECT_GT(n, 0);
        for (int32_t i = 0; i < n; ++i) {
            int32_t& slot = (*coverage)[size_t(d + i - base)];
            EXPECT_EQ(slot, 0) << "a pixel handed over twice";
            slot = int32_t(c);
        }
    }
};

// A fill at the level as the converter runs it, without writing pixels.
struct Traced {
    bool result = false;
    std::vector<SampleLine> lines;
    std::vector<int32_t> coverage;  // per pixel of the sprite, row by row
    int runs = 0;

    int32_t At(const CSprite& s, int32_t x, int32_t y) const { return coverage[size_t(y) * s.GetWidth() + x]; }
    const SampleLine* Line(int32_t v) const {
        for (const SampleLine& l : lines)
            if (l.v == v) return &l;
        return nullptr;
    }
};

template <int Level>
Traced Trace(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& info) {
    Traced t;
    t.coverage.assign(size_t(sprite.GetWidth()) * sprite.GetHeight(), 0);
    const CoverageRecorder span{sprite.GetPixels(), &t.coverage, &t.runs};
    t.result = diagram::ScanConverter<Level>(info).Fill(sprite, x, y, w, h, span, LineRecorder{&t.lines});
    return t;
}

}  // namespace diagram_test
