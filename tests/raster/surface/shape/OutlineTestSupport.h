#pragma once
// Outline snapshots for the shape tests: the outline fields of every element
// of a record, comparable and printable.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"

namespace outline_test {

struct Step {
    uint32_t type;
    int32_t x, y, cx, cy;
    int direction;
    int enabled;

    bool operator==(const Step&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Step& s) {
    static const char* const kNames[] = {"Start", "Line", "Curve", "Arc", "Jump", "Return", "Tip", "Separator"};
    os << (s.type < 8 ? kNames[s.type] : "?") << "(" << s.x << ", " << s.y;
    if (s.type == DiagramInfoFactor::kCircleCurve || s.type == DiagramInfoFactor::kArc)
        os << " about " << s.cx << ", " << s.cy;
    if (s.type == DiagramInfoFactor::kCircleCurve) os << " dir " << s.direction;
    return os << (s.enabled ? "" : " disabled") << ")";
}

// Builders of expected steps; every edge a builder appends is enabled.
inline Step Start(int32_t x, int32_t y) { return {DiagramInfoFactor::kStart, x, y, 0, 0, 0, 1}; }
inline Step Line(int32_t x, int32_t y) { return {DiagramInfoFactor::kLine, x, y, 0, 0, 0, 1}; }
inline Step Arc(int32_t x, int32_t y, int32_t cx, int32_t cy) { return {DiagramInfoFactor::kArc, x, y, cx, cy, 0, 1}; }
inline Step Curve(int32_t x, int32_t y, int32_t cx, int32_t cy, int direction) {
    return {DiagramInfoFactor::kCircleCurve, x, y, cx, cy, direction, 1};
}

inline std::vector<Step> Snapshot(const DiagramInfo& record) {
    std::vector<Step> steps;
    for (const DiagramInfoFactor* e : record.elements)
        steps.push_back({e->Type, e->X, e->Y, e->X2, e->Y2, e->CurveFlag, e->Enabled});
    return steps;
}

}  // namespace outline_test
