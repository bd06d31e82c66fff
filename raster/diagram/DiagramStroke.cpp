// Strokes: an outline drawn as a band of a given width along its elements.
//
// A stroke does not offset the outline as a whole. It walks the elements with
// a pen and turns every enabled Line, CircleCurve and Arc into a small closed
// outline of its own (a quadrilateral, a ring between two spirals about the
// curve's centre, a ring between two quarter ellipses about the arc's
// centre), which it fills at once; all of them are built in one scratch
// record that is reset, not rebuilt, so its work area keeps its capacity.
// Segments simply overlap at the nodes they share: there are no joins.
//
// The pen holds the previous point (where the next segment starts), the saved
// point (the previous point before the last segment or Jump) and a pending
// pointed start:
//   Line, CircleCurve, Arc  drawn when enabled, from the previous point; a
//                           segment moves the pen whether drawn or not;
//   Jump                    moves the pen without drawing;
//   Return                  back to the saved point (a branch from where the
//                           last segment or Jump began);
//   Tip                     the next segment starts pointed; a Tip right
//                           after a segment makes its end pointed (a start
//                           that is pointed wins, the end then stays square);
//   anything else           nothing, not even clearing a pending Tip.
//
// The four drivers share the walk and differ only in their target (the
// Target structs below): which segment strokes and which fill of the Arc ring
// they reach, and how a stroke below full opacity is laid on. Below full
// opacity the stroke is drawn opaque into the raster library's work sprite,
// cleared first, and composited onto the target once at the opacity, so that
// a pixel where segments overlap is weighted once, not once per segment.
#include <cmath>
#include <cstdint>

#include "raster/diagram/DiagramFillTable.h"
#include "raster/diagram/DiagramLevels.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using diagram::TruncToInt32;

struct Area {
    int32_t x, y, w, h;
};

// The ring along an Arc from the pen (px, py) to the element's end about its
// centre: the arc moved outward and inward by half the width along the
// radius at each end, closed by radial lines (or narrowed to the pen point
// or to the end point when that end is pointed).
void BuildArcRing(DiagramInfo& record, int32_t px, int32_t py, const DiagramInfoFactor& arc, int32_t width,
                  bool startPointed, bool endPointed) {
    const int32_t cx = arc.X2, cy = arc.Y2;
    const double a1 = std::atan2(double(py) - cy, double(px) - cx);
    const double a2 = std::atan2(double(arc.Y) - cy, double(arc.X) - cx);
    const double o1x = std::cos(a1) * width * 0.5, o1y = std::sin(a1) * width * 0.5;
    const double o2x = std::cos(a2) * width * 0.5, o2y = std::sin(a2) * width * 0.5;
    record.Reset();
    if (startPointed) {
        record.SetStartPoint(px, py);
        record.AddArc(TruncToInt32(arc.X + o2x), TruncToInt32(arc.Y + o2y), cx, cy, 1);
        record.AddLine(TruncToInt32(arc.X - o2x), TruncToInt32(arc.Y - o2y), 1);
        record.AddArc(px, py, cx, cy, 1);
        return;
    }
    const int32_t innerX = TruncToInt32(px - o1x), innerY = TruncToInt32(py - o1y);
    record.SetStartPoint(innerX, innerY);
    record.AddLine(TruncToInt32(px + o1x), TruncToInt32(py + o1y), 1);
    if (endPointed) {
        record.AddArc(arc.X, arc.Y, cx, cy, 1);
    } else {
        record.AddArc(TruncToInt32(arc.X + o2x), TruncToInt32(arc.Y + o2y), cx, cy, 1);
        record.AddLine(TruncToInt32(arc.X - o2x), TruncToInt32(arc.Y - o2y), 1);
    }
    record.AddArc(innerX, innerY, cx, cy, 1);
}

// ---- the targets: segment strokes, ring fill, and the way below full opacity ----
// Every segment is drawn at full opacity (value 255); the Mask and Alpha
// targets have no colour and ignore the one passed.

struct PlainTarget {
    static bool Line(CSprite& s, const Area& a, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeLine(a.x, a.y, a.w, a.h, x1, y1, x2, y2, width, colour, level, scratch, startPointed,
                            endPointed, 255);
    }
    static bool Curve(CSprite& s, const Area& a, int32_t x1, int32_t y1, const DiagramInfoFactor& e, int32_t width,
                      uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeCircleCurve(a.x, a.y, a.w, a.h, x1, y1, e.X, e.Y, e.X2, e.Y2, e.CurveFlag, width, colour, level,
                                   scratch, startPointed, endPointed, 255);
    }
    static bool Ring(CSprite& s, const Area& a, DiagramInfo& ring, uint32_t colour, int32_t level) {
        return diagram_fill::FillAtLevel(diagram_fill::kPlain, s, level, a.x, a.y, a.w, a.h, ring, colour, 255);
    }
    // Below full opacity: drawn by this target into the cleared work sprite,
    // then laid over source-over at the opacity.
    using Opaque = PlainTarget;
    static void Composite(CSprite& target, const Area& a, const CSprite& work, uint8_t opacity) {
        target.DrawAlphaOpacity(a.x, a.y, work, a.x, a.y, a.w, a.h, opacity);
    }
};

struct ColourOnlyTarget {
    static bool Line(CSprite& s, const Area& a, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeLineColor(a.x, a.y, a.w, a.h, x1, y1, x2, y2, width, colour, level, scratch, startPointed,
                                 endPointed, 255);
    }
    static bool Curve(CSprite& s, const Area& a, int32_t x1, int32_t y1, const DiagramInfoFactor& e, int32_t width,
                      uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeCircleCurveColor(a.x, a.y, a.w, a.h, x1, y1, e.X, e.Y, e.X2, e.Y2, e.CurveFlag, width, colour,
                                        level, scratch, startPointed, endPointed, 255);
    }
    static bool Ring(CSprite& s, const Area& a, DiagramInfo& ring, uint32_t colour, int32_t level) {
        return diagram_fill::FillAtLevel(diagram_fill::kColourOnly, s, level, a.x, a.y, a.w, a.h, ring, colour, 255);
    }
    // Below full opacity: the plain stroke into the work sprite (whose alpha
    // then carries the coverage), laid on colour only.
    using Opaque = PlainTarget;
    static void Composite(CSprite& target, const Area& a, const CSprite& work, uint8_t opacity) {
        target.DrawAlphaCOpacity(a.x, a.y, work, a.x, a.y, a.w, a.h, opacity);
    }
};

struct AlphaTarget {
    static bool Line(CSprite& s, const Area& a, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeLineAlpha(a.x, a.y, a.w, a.h, x1, y1, x2, y2, width, level, scratch, startPointed, endPointed,
                                 255);
    }
    static bool Curve(CSprite& s, const Area& a, int32_t x1, int32_t y1, const DiagramInfoFactor& e, int32_t width,
                      uint32_t, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeCircleCurveAlpha(a.x, a.y, a.w, a.h, x1, y1, e.X, e.Y, e.X2, e.Y2, e.CurveFlag, width, level,
                                        scratch, startPointed, endPointed, 255);
    }
    static bool Ring(CSprite& s, const Area& a, DiagramInfo& ring, uint32_t, int32_t level) {
        return diagram_fill::FillAtLevel(diagram_fill::kAlpha, s, level, a.x, a.y, a.w, a.h, ring, 255);
    }
    using Opaque = AlphaTarget;
    static void Composite(CSprite& target, const Area& a, const CSprite& work, uint8_t opacity) {
        target.AddAlphaFromOpacity(a.x, a.y, work, a.x, a.y, a.w, a.h, opacity);
    }
};

struct MaskTarget {
    static bool Line(CSprite& s, const Area& a, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeLineMask(a.x, a.y, a.w, a.h, x1, y1, x2, y2, width, level, scratch, startPointed, endPointed,
                                255);
    }
    static bool Curve(CSprite& s, const Area& a, int32_t x1, int32_t y1, const DiagramInfoFactor& e, int32_t width,
                      uint32_t, int32_t level, DiagramInfo* scratch, uint8_t startPointed, uint8_t endPointed) {
        return s.StrokeCircleCurveMask(a.x, a.y, a.w, a.h, x1, y1, e.X, e.Y, e.X2, e.Y2, e.CurveFlag, width, level,
                                       scratch, startPointed, endPointed, 255);
    }
    static bool Ring(CSprite& s, const Area& a, DiagramInfo& ring, uint32_t, int32_t level) {
        return diagram_fill::FillAtLevel(diagram_fill::kMask, s, level, a.x, a.y, a.w, a.h, ring, 255);
    }
    // The value below 255 is laid on as an alpha union, like the Alpha target.
    using Opaque = MaskTarget;
    static void Composite(CSprite& target, const Area& a, const CSprite& work, uint8_t value) {
        target.AddAlphaFromOpacity(a.x, a.y, work, a.x, a.y, a.w, a.h, value);
    }
};

// ---- the walk, once for all targets ----

template <class Target>
bool WalkOutline(CSprite& sprite, const Area& area, DiagramInfo& outline, int32_t width, uint32_t colour,
                 int32_t level, DiagramInfo& scratch) {
    const uint32_t n = outline.GetCount();
    const DiagramInfoFactor* const* items = outline.elements.GetIndex();
    int32_t prevX = items[0]->X, prevY = items[0]->Y;
    int32_t savedX = prevX, savedY = prevY;
    bool pointed = false;
    for (uint32_t i = 1; i < n; ++i) {
        const DiagramInfoFactor& e = *items[i];
        switch (e.Type) {
        case DiagramInfoFactor::kLine:
        case DiagramInfoFactor::kCircleCurve:
        case DiagramInfoFactor::kArc: {
            if (e.Enabled != 0) {
                const uint8_t start = pointed ? 1 : 0;
                const uint8_t end = (i + 1 < n && items[i + 1]->Type == DiagramInfoFactor::kTip) ? 1 : 0;
                bool drawn;
                if (e.Type == DiagramInfoFactor::kLine) {
                    drawn = Target::Line(sprite, area, prevX, prevY, e.X, e.Y, width, colour, level, &scratch, start,
                                         end);
                } else if (e.Type == DiagramInfoFactor::kCircleCurve) {
                    drawn = Target::Curve(sprite, area, prevX, prevY, e, width, colour, level, &scratch, start, end);
                } else {
                    BuildArcRing(scratch, prevX, prevY, e, width, start != 0, end != 0);
                    drawn = Target::Ring(sprite, area, scratch, colour, level);
                }
                if (!drawn) {
                    // Every segment outline is built afresh (the width is at
                    // least 1), so a refusal recorded in the scratch record is
                    // this segment's: pass it on to the stroked outline.
                    if (scratch.RefusedElement() != DiagramInfo::kNoRefusal) outline.SetRefusedElement(i);
                    return false;
                }
            }
            savedX = prevX;
            savedY = prevY;
            prevX = e.X;
            prevY = e.Y;
            pointed = false;
            break;
        }
        case DiagramInfoFactor::kJump:
            savedX = prevX;
            savedY = prevY;
            prevX = e.X;
            prevY = e.Y;
            pointed = false;
            break;
        case DiagramInfoFactor::kReturn:
            prevX = savedX;
            prevY = savedY;
            pointed = false;
            break;
        case DiagramInfoFactor::kTip:
            pointed = true;
            break;
        default:
            break;
        }
    }
    return true;
}

template <class Target>
bool StrokeOutline(CSprite& target, Area area, DiagramInfo& outline, int32_t width, uint32_t colour, int32_t level,
                   DiagramInfo* scratch, uint8_t opacity, DiagramInfo& own) {
    if (width < 1) return false;
    DiagramInfo& record = scratch != nullptr ? *scratch : own;
    // Every segment resets the scratch record: it cannot be the outline that
    // is being walked.
    if (&record == &outline) return false;
    if (outline.GetCount() < 2) return false;
    outline.SetRefusedElement(DiagramInfo::kNoRefusal);
    if (opacity == 255) return WalkOutline<Target>(target, area, outline, width, colour, level, record);

    if (target.ClipRect(area.x, area.y, area.w, area.h) == 0) return false;
    CSprite& work = RasterWorkSprite();
    // Resizing the work sprite would pull the target's own pixels away.
    if (&work == &target) return false;
    // The outline's coordinates are absolute in the target, so the work
    // sprite is sized to reach the clipped rectangle's far corner and is
    // drawn and read at the same (x, y): work pixel (x + i, y + j) stands for
    // target pixel (x + i, y + j), and only the rectangle is cleared. Every
    // caller passes x = y = 0, where this is exactly the rectangle's size.
    if (!work.ResizeUncleared(area.x + area.w, area.y + area.h)) return false;
    work.FillRect(area.x, area.y, area.w, area.h, 0);
    if (!WalkOutline<typename Target::Opaque>(work, area, outline, width, colour, level, record)) return false;
    Target::Composite(target, area, work, opacity);
    return true;
}

}  // namespace

bool CSprite::StrokeDiagram(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                            uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t opacity) {
    static DiagramInfo own;
    return StrokeOutline<PlainTarget>(*this, {x, y, w, h}, record, width, colour, level, scratch, opacity, own);
}

bool CSprite::StrokeDiagramColor(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                                 uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t opacity) {
    static DiagramInfo own;
    return StrokeOutline<ColourOnlyTarget>(*this, {x, y, w, h}, record, width, colour, level, scratch, opacity, own);
}

bool CSprite::StrokeDiagramAlpha(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                                 int32_t level, DiagramInfo* scratch, uint8_t opacity) {
    static DiagramInfo own;
    return StrokeOutline<AlphaTarget>(*this, {x, y, w, h}, record, width, 0, level, scratch, opacity, own);
}

bool CSprite::StrokeDiagramMask(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                                int32_t level, DiagramInfo* scratch, uint8_t value) {
    static DiagramInfo own;
    return StrokeOutline<MaskTarget>(*this, {x, y, w, h}, record, width, 0, level, scratch, value, own);
}
