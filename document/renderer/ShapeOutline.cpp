// QDXFactor::BuildDiagram: a factor's shape outline, for the path kinds, the
// FrameRef strokes, the reference masks and the warps; and the one call of a
// shape's builder that both the shape branches and the outline use.
//
// Path kinds take their start point and nodes, scaled by the x and y scales.
// The other shapes are built by their shape builder in build-only mode (level
// -1: the outline is made, nothing is drawn) from the same scaled numbers the
// branch draws with, so the outline lies where the shape is drawn.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/ShapeRender.h"

namespace shape_render {
namespace {

int32_t Saturate(int64_t v) noexcept { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The builder of one shape for each of the three forms. Area (0, 0, w, h).
// The mask and alpha forms take the same arguments (no colour); one adapter
// serves both, over their builders.
template <auto kLine, auto kCurve, auto kRing, auto kRingScaled, auto kEllipse, auto kBoxFrame, auto kPie>
struct UncolouredForm {
    static bool Line(CSprite& s, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t, int32_t level, DiagramInfo& r, uint8_t v) {
        return (s.*kLine)(0, 0, w, h, x1, y1, x2, y2, width, level, &r, 0, 0, v);
    }
    static bool Curve(CSprite& s, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx,
                      int32_t cy, uint8_t direction, int32_t width, uint32_t, int32_t level, DiagramInfo& r,
                      uint8_t v) {
        return (s.*kCurve)(0, 0, w, h, x1, y1, x2, y2, cx, cy, direction, width, level, &r, 0, 0, v);
    }
    static bool Ring(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1, int32_t width,
                     int32_t l, int32_t t, int32_t rt, int32_t b, uint32_t, int32_t level, DiagramInfo& r,
                     uint8_t v) {
        return (s.*kRing)(0, 0, w, h, cx, cy, a0, a1, width, l, t, rt, b, level, &r, v);
    }
    static bool RingScaled(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1,
                           int32_t width, int32_t l, int32_t t, int32_t rt, int32_t b, double sl, double st,
                           double sr, double sb, uint32_t, int32_t level, DiagramInfo& r, uint8_t v) {
        return (s.*kRingScaled)(0, 0, w, h, cx, cy, a0, a1, width, l, t, rt, b, sl, st, sr, sb, level, &r, v);
    }
    static bool Ellipse(CSprite& s, int32_t w, int32_t h, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t cx,
                        int32_t cy, uint32_t, int32_t level, DiagramInfo& r, uint8_t v) {
        return (s.*kEllipse)(0, 0, w, h, l, t, rt, b, cx, cy, level, &r, v);
    }
    static bool BoxFrame(CSprite& s, int32_t w, int32_t h, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t width,
                         uint32_t, int32_t level, DiagramInfo& r, uint8_t v) {
        return (s.*kBoxFrame)(0, 0, w, h, l, t, rt, b, width, level, &r, v);
    }
    static bool Pie(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1, int32_t l,
                    int32_t t, int32_t rt, int32_t b, uint32_t, int32_t level, DiagramInfo& r, uint8_t v) {
        return (s.*kPie)(0, 0, w, h, cx, cy, a0, a1, l, t, rt, b, level, &r, v);
    }
};

using MaskForm = UncolouredForm<&CSprite::StrokeLineMask, &CSprite::StrokeCircleCurveMask,
                                &CSprite::FillRingSegmentMask, &CSprite::FillEllipseRingScaledMask,
                                &CSprite::FillEllipseMask, &CSprite::FillBoxFrameMask, &CSprite::FillPieMask>;
using AlphaForm = UncolouredForm<&CSprite::StrokeLineAlpha, &CSprite::StrokeCircleCurveAlpha,
                                 &CSprite::FillRingSegmentAlpha, &CSprite::FillEllipseRingScaledAlpha,
                                 &CSprite::FillEllipseAlpha, &CSprite::FillBoxFrameAlpha, &CSprite::FillPieAlpha>;

struct ColourForm {
    static bool Line(CSprite& s, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                     uint32_t c, int32_t level, DiagramInfo& r, uint8_t v) {
        return s.StrokeLine(0, 0, w, h, x1, y1, x2, y2, width, c, level, &r, 0, 0, v);
    }
    static bool Curve(CSprite& s, int32_t w, int32_t h, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx,
                      int32_t cy, uint8_t direction, int32_t width, uint32_t c, int32_t level, DiagramInfo& r,
                      uint8_t v) {
        return s.StrokeCircleCurve(0, 0, w, h, x1, y1, x2, y2, cx, cy, direction, width, c, level, &r, 0, 0, v);
    }
    static bool Ring(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1, int32_t width,
                     int32_t l, int32_t t, int32_t rt, int32_t b, uint32_t c, int32_t level, DiagramInfo& r,
                     uint8_t v) {
        return s.FillRingSegment(0, 0, w, h, cx, cy, a0, a1, width, l, t, rt, b, c, level, &r, v);
    }
    static bool RingScaled(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1,
                           int32_t width, int32_t l, int32_t t, int32_t rt, int32_t b, double sl, double st,
                           double sr, double sb, uint32_t c, int32_t level, DiagramInfo& r, uint8_t v) {
        return s.FillEllipseRingScaled(0, 0, w, h, cx, cy, a0, a1, width, l, t, rt, b, sl, st, sr, sb, c, level, &r,
                                       v);
    }
    static bool Ellipse(CSprite& s, int32_t w, int32_t h, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t cx,
                        int32_t cy, uint32_t c, int32_t level, DiagramInfo& r, uint8_t v) {
        return s.FillEllipse(0, 0, w, h, l, t, rt, b, cx, cy, c, level, &r, v);
    }
    static bool BoxFrame(CSprite& s, int32_t w, int32_t h, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t width,
                         uint32_t c, int32_t level, DiagramInfo& r, uint8_t v) {
        return s.FillBoxFrame(0, 0, w, h, l, t, rt, b, width, c, level, &r, v);
    }
    static bool Pie(CSprite& s, int32_t w, int32_t h, int32_t cx, int32_t cy, double a0, double a1, int32_t l,
                    int32_t t, int32_t rt, int32_t b, uint32_t c, int32_t level, DiagramInfo& r, uint8_t v) {
        return s.FillPie(0, 0, w, h, cx, cy, a0, a1, l, t, rt, b, c, level, &r, v);
    }
};

template <class Form>
bool CallBuilder(const QDXFactor& f, const ShapeGeometry& g, CSprite& s, int32_t w, int32_t h, int32_t level,
                 DiagramInfo& r, uint32_t c, uint8_t v) {
    const int32_t* x = g.X;
    const int32_t* y = g.Y;
    switch (f.Kind % 100) {
    case 2:  // Line: (x0, y0) to (x1, y1)
        return Form::Line(s, w, h, x[0], y[0], x[1], y[1], g.W, c, level, r, v);
    case 3:  // CircleCurve: (x0, y0) to (x1, y1) about (x2, y2)
        return Form::Curve(s, w, h, x[0], y[0], x[1], y[1], x[2], y[2], f.CurveFlag ? 1 : 0, g.W, c, level, r, v);
    case 4:  // Arc: ring about (x2, y2) on the box (x0, y0)-(x1, y1)
        return Form::Ring(s, w, h, x[2], y[2], f.Real1, f.Real2, g.W, x[0], y[0], x[1], y[1], c, level, r, v);
    case 5:  // Arc2: the same with the radius scales of the four sides
        return Form::RingScaled(s, w, h, x[2], y[2], f.Real1, f.Real2, g.W, x[0], y[0], x[1], y[1], f.Real4, f.Real5,
                                f.Real6, f.Real7, c, level, r, v);
    case 6: {  // Circle: radius W about (x2, y2)
        const int32_t left = Saturate(int64_t{x[2]} - g.W), right = Saturate(int64_t{x[2]} + g.W);
        const int32_t top = Saturate(int64_t{y[2]} - g.W), bottom = Saturate(int64_t{y[2]} + g.W);
        return Form::Ellipse(s, w, h, left, top, right, bottom, x[2], y[2], c, level, r, v);
    }
    case 7:  // Ellipse: the box (x0, y0)-(x1, y1) about (x2, y2)
        return Form::Ellipse(s, w, h, x[0], y[0], x[1], y[1], x[2], y[2], c, level, r, v);
    case 8:  // Box: a frame of width W along (x0, y0)-(x1, y1)
        return Form::BoxFrame(s, w, h, x[0], y[0], x[1], y[1], g.W, c, level, r, v);
    case 10:  // Pie about (x2, y2) on the box (x0, y0)-(x1, y1)
        return Form::Pie(s, w, h, x[2], y[2], f.Real1, f.Real2, x[0], y[0], x[1], y[1], c, level, r, v);
    default:
        return false;
    }
}

}  // namespace

ShapeGeometry MakeShapeGeometry(const QDXFactor& factor, double scaleX, double scaleY,
                                double scaleThickness) noexcept {
    ShapeGeometry g;
    const int32_t xs[3] = {factor.X1, factor.X2, factor.X3};
    const int32_t ys[3] = {factor.Y1, factor.Y2, factor.Y3};
    for (int i = 0; i < 3; ++i) {
        g.X[i] = ::ScaleCoordinate(xs[i], scaleX);
        g.Y[i] = ::ScaleCoordinate(ys[i], scaleY);
    }
    g.W = ::ScaleWidth(factor.Width, scaleThickness);
    return g;
}

bool CallShapeBuilder(const QDXFactor& factor, const ShapeGeometry& geometry, ShapeFill fill, CSprite& sprite,
                      int32_t areaWidth, int32_t areaHeight, int32_t level, DiagramInfo& outline, uint32_t colour,
                      uint8_t value) {
    // A builder that refuses its shape before building leaves the outline as
    // it was; its earlier refusal must not be taken for this draw's.
    outline.SetRefusedElement(DiagramInfo::kNoRefusal);
    switch (fill) {
    case ShapeFill::kMask:
        return CallBuilder<MaskForm>(factor, geometry, sprite, areaWidth, areaHeight, level, outline, colour, value);
    case ShapeFill::kAlpha:
        return CallBuilder<AlphaForm>(factor, geometry, sprite, areaWidth, areaHeight, level, outline, colour, value);
    case ShapeFill::kColour:
        return CallBuilder<ColourForm>(factor, geometry, sprite, areaWidth, areaHeight, level, outline, colour,
                                       value);
    }
    return false;
}

GhostLookup FindGhostTarget(CQDXCtrl& document, const QDXFactor& ghost, const CStr_base<64>* templateArgs,
                            const char* previousName, QDXFactor*& target, const char*& resolvedName) {
    resolvedName = ResolveReferenceName(ghost.SourceName.GetText(), templateArgs, previousName);
    auto* element = document.Objects.Find(resolvedName);
    if (element == nullptr) return GhostLookup::kNoObject;
    QDXObject& object = element->GetValue();
    if (static_cast<uint32_t>(ghost.RefNumber1) >= object.Factors.GetCount()) return GhostLookup::kBadIndex;
    target = object.Factors.GetAt(static_cast<uint32_t>(ghost.RefNumber1));
    return GhostLookup::kFound;
}

bool ReportArcRefusal(const DiagramInfo& outline, const char* name, CStr_base<64>* errorText) {
    if (outline.RefusedElement() == DiagramInfo::kNoRefusal) return false;
    AppendNamedText(errorText, name, kArcRefused);
    return true;
}

}  // namespace shape_render

bool QDXFactor::BuildDiagram(double scaleX, double scaleY, double scaleThickness, CStr_base<64>* errorText) {
    using namespace shape_render;
    // Every kind starts from a fresh outline (an outline never made stays
    // unmade), so no kind keeps the shape of an earlier draw.
    Diagram.Reset();
    if (!HasBuildableOutline(Kind)) return false;
    DiagramInfo& outline = Diagram.Get();
    if (!IsBuilderShapeKind(Kind)) {
        outline.SetStartPoint(::ScaleCoordinate(X1, scaleX), ::ScaleCoordinate(Y1, scaleY));
        for (const QDXPath* node : std::as_const(Path)) {
            if (!node->AppendToDiagram(outline, scaleX, scaleY)) {
                AppendNamedText(errorText, Name.GetText(), render_text::kPathUnreadable);
                return false;
            }
        }
        return true;
    }
    // Build only: no area, a level that fills nothing, so no pixels are
    // needed; the builder reports false whatever it built.
    CSprite nowhere;
    const ShapeGeometry geometry = MakeShapeGeometry(*this, scaleX, scaleY, scaleThickness);
    CallShapeBuilder(*this, geometry, ShapeFill::kMask, nowhere, 0, 0, -1, outline, 0, 255);
    // A refused shape (width below 1, equal angles, an empty box) leaves the
    // start point alone; every built one has at least one edge.
    return outline.GetCount() > 1;
}
