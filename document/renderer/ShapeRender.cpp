// The shape and path kinds: alpha forms 1-12 (the shape's coverage united
// into the canvas's alpha, colour kept), colour forms 101-112 (the shape laid
// over the canvas in colour c0, source-over).
//
// Every shape draws at the frame's anti-alias level (0 fast, 16 otherwise)
// over the whole canvas, with its scaled numbers, and builds into the
// factor's own outline, so after a draw the factor's outline is the shape
// just drawn (FrameRef, SetMaskRef and the warps read it). A shape its
// builder refuses (a width below 1, equal angles, an empty box) draws nothing
// and succeeds; an outline the rasteriser refuses (an Arc whose ends lie in
// different quadrants) draws nothing too, but is reported: the document asks
// for a shape that cannot appear.
#include "document/model/QDXCtrl.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"
#include "document/renderer/ShapeRender.h"
#include "raster/diagram/DiagramFillTable.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

using shape_render::ShapeFill;

// Kinds 2-8, 10 and their colour forms: the kind's builder on the canvas.
template <ShapeFill kFill>
bool RenderShapeBuilt(FactorFrame& frame) {
    shape_render::ShapeGeometry geometry;
    for (int i = 0; i < 3; ++i) {
        geometry.X[i] = frame.X[i];
        geometry.Y[i] = frame.Y[i];
    }
    geometry.W = frame.W;
    CSprite& canvas = frame.Canvas();
    DiagramInfo& outline = frame.Factor.Diagram;
    if (!shape_render::CallShapeBuilder(frame.Factor, geometry, kFill, canvas, canvas.GetWidth(), canvas.GetHeight(),
                                        frame.Level, outline, frame.C[0], frame.Opacity) &&
        shape_render::ReportArcRefusal(outline, frame.Name(), frame.ErrorText()))
        return false;
    return true;
}

// Kinds 1 and 101: the path's outline filled over the whole canvas.
template <ShapeFill kFill>
bool RenderShapePath(FactorFrame& frame) {
    const FactorCall& call = frame.Call;
    QDXFactor& factor = frame.Factor;
    if (!factor.BuildDiagram(call.ScaleX, call.ScaleY, call.ScaleThickness, frame.ErrorText())) return false;
    if (!IsRasterReady()) return true;
    CSprite& canvas = frame.Canvas();
    DiagramInfo& outline = factor.Diagram;
    const bool filled =
        kFill == ShapeFill::kAlpha
            ? diagram_fill::FillAtLevel(diagram_fill::kAlpha, canvas, frame.Level, 0, 0, canvas.GetWidth(),
                                        canvas.GetHeight(), outline, frame.Opacity)
            : diagram_fill::FillAtLevel(diagram_fill::kPlain, canvas, frame.Level, 0, 0, canvas.GetWidth(),
                                        canvas.GetHeight(), outline, frame.C[0], frame.Opacity);
    if (!filled && shape_render::ReportArcRefusal(outline, frame.Name(), frame.ErrorText())) return false;
    return true;
}

// An outline stroked over the whole canvas with the frame's width, level,
// opacity (and colour c0), each segment built in the context's scratch
// outline.
bool StrokeShapeOutline(FactorFrame& frame, DiagramInfo& outline, ShapeFill fill) {
    if (!IsRasterReady()) return true;
    CSprite& canvas = frame.Canvas();
    DiagramInfo& scratch = frame.Context().StrokeScratch;
    outline.SetRefusedElement(DiagramInfo::kNoRefusal);
    const bool drawn = fill == ShapeFill::kAlpha
                           ? canvas.StrokeDiagramAlphaWhole(outline, frame.W, frame.Level, &scratch, frame.Opacity)
                           : canvas.StrokeDiagramWhole(outline, frame.W, frame.C[0], frame.Level, &scratch,
                                                       frame.Opacity);
    if (!drawn && shape_render::ReportArcRefusal(outline, frame.Name(), frame.ErrorText())) return false;
    return true;
}

// Kinds 11 and 111: the path's outline stroked.
template <ShapeFill kFill>
bool RenderShapeFrame(FactorFrame& frame) {
    const FactorCall& call = frame.Call;
    QDXFactor& factor = frame.Factor;
    if (!factor.BuildDiagram(call.ScaleX, call.ScaleY, call.ScaleThickness, frame.ErrorText())) return false;
    return StrokeShapeOutline(frame, factor.Diagram, kFill);
}

// Kinds 12 and 112: the outline of another factor of the object (through a
// GhostFactor when it is one) stroked with this factor's width, colour and
// opacity. The referenced factor need not be enabled.
template <ShapeFill kFill>
bool RenderShapeFrameRef(FactorFrame& frame) {
    const FactorCall& call = frame.Call;
    QDXObject* object = call.Object;
    const uint32_t index = static_cast<uint32_t>(frame.Factor.RefNumber1);
    if (object == nullptr || index >= object->Factors.GetCount()) {
        AppendNamedText(frame.ErrorText(), frame.Name(), render_text::kInvalidReference);
        return false;
    }
    QDXFactor* target = object->Factors.GetAt(index);
    if (target->Kind == QDXFactor::kGhostFactor && call.Document != nullptr) {
        QDXFactor* found = nullptr;
        const char* name = nullptr;
        // A GhostFactor that leads nowhere stays the target (and has no outline).
        if (shape_render::FindGhostTarget(*call.Document, *target, call.TemplateArgs, call.PreviousName, found,
                                          name) == shape_render::GhostLookup::kFound)
            target = found;
    }
    if (!shape_render::HasBuildableOutline(target->Kind)) {
        AppendNamedText(frame.ErrorText(), frame.Name(), render_text::kNoOutline);
        return false;
    }
    if (!target->BuildDiagram(call.ScaleX, call.ScaleY, call.ScaleThickness, frame.ErrorText())) return false;
    return StrokeShapeOutline(frame, target->Diagram, kFill);
}

// Kinds 9 and 109: the rectangle with its edge pixels weighted by coverage;
// no outline.
bool RenderShapeSquareA(FactorFrame& frame) {
    if (IsRasterReady())
        frame.Canvas().FillTileCoverage(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], frame.Level, frame.Opacity);
    return true;
}

bool RenderShapeSquare(FactorFrame& frame) {
    if (IsRasterReady())
        frame.Canvas().FillRectSubpixel(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], frame.C[0], frame.Level,
                                        frame.Opacity);
    return true;
}

constexpr FactorBranch kAlphaBuilt = RenderShapeBuilt<ShapeFill::kAlpha>;
constexpr FactorBranch kColourBuilt = RenderShapeBuilt<ShapeFill::kColour>;

constexpr RenderRow kShapeRows[] = {
    {1, RenderShapePath<ShapeFill::kAlpha>},  // DiagramA(
    {2, kAlphaBuilt},  // LineA(
    {3, kAlphaBuilt},  // CircleCurveA(
    {4, kAlphaBuilt},  // ArcA(
    {5, kAlphaBuilt},  // Arc2A(
    {6, kAlphaBuilt},  // CircleA(
    {7, kAlphaBuilt},  // EllipseA(
    {8, kAlphaBuilt},  // BoxA(
    {9, RenderShapeSquareA},  // SquareA(
    {10, kAlphaBuilt},  // PieA(
    {11, RenderShapeFrame<ShapeFill::kAlpha>},  // FrameA(
    {12, RenderShapeFrameRef<ShapeFill::kAlpha>},  // FrameRefA(
    {101, RenderShapePath<ShapeFill::kColour>},  // Diagram(
    {102, kColourBuilt},  // Line(
    {103, kColourBuilt},  // CircleCurve(
    {104, kColourBuilt},  // Arc(
    {105, kColourBuilt},  // Arc2(
    {106, kColourBuilt},  // Circle(
    {107, kColourBuilt},  // Ellipse(
    {108, kColourBuilt},  // Box(
    {109, RenderShapeSquare},  // Square(
    {110, kColourBuilt},  // Pie(
    {111, RenderShapeFrame<ShapeFill::kColour>},  // Frame(
    {112, RenderShapeFrameRef<ShapeFill::kColour>},  // FrameRef(
};

}  // namespace

const RenderFamily kShapeRender = MakeRenderFamily(kShapeRows);
