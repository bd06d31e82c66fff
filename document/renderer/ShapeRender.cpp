// The shape and path kinds: alpha forms 1-12, colour forms 101-112.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kShapeRows[] = {
    {1, RenderKindNotBuilt},  // DiagramA(
    {2, RenderKindNotBuilt},  // LineA(
    {3, RenderKindNotBuilt},  // CircleCurveA(
    {4, RenderKindNotBuilt},  // ArcA(
    {5, RenderKindNotBuilt},  // Arc2A(
    {6, RenderKindNotBuilt},  // CircleA(
    {7, RenderKindNotBuilt},  // EllipseA(
    {8, RenderKindNotBuilt},  // BoxA(
    {9, RenderKindNotBuilt},  // SquareA(
    {10, RenderKindNotBuilt},  // PieA(
    {11, RenderKindNotBuilt},  // FrameA(
    {12, RenderKindNotBuilt},  // FrameRefA(
    {101, RenderKindNotBuilt},  // Diagram(
    {102, RenderKindNotBuilt},  // Line(
    {103, RenderKindNotBuilt},  // CircleCurve(
    {104, RenderKindNotBuilt},  // Arc(
    {105, RenderKindNotBuilt},  // Arc2(
    {106, RenderKindNotBuilt},  // Circle(
    {107, RenderKindNotBuilt},  // Ellipse(
    {108, RenderKindNotBuilt},  // Box(
    {109, RenderKindNotBuilt},  // Square(
    {110, RenderKindNotBuilt},  // Pie(
    {111, RenderKindNotBuilt},  // Frame(
    {112, RenderKindNotBuilt},  // FrameRef(
};

}  // namespace

const RenderFamily kShapeRender = MakeRenderFamily(kShapeRows);
