// The format-1.0 shapes (kinds 1-12 and 101-112): the current shapes without
// their alpha item (the factor's alpha is always 255). The alpha shapes end in
// "Alpha(" where the current ones end in "A("; a colour shape has its alpha
// shape's items with the colour (slot 0) added last, or just before the path
// in "Diagram(" and "Frame(". Every count is exact.
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"

namespace legacy {
namespace shapes {
namespace {

using namespace fields;
using vocabulary::Colour;
using vocabulary::Flag;
using vocabulary::Int;
using vocabulary::List;
using vocabulary::Real;

constexpr const vocabulary::ListCodec* kPath = &vocabulary::kPathList;

// The alpha shapes.
constexpr vocabulary::FactorField kDiagramAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), List(2, kPath)};
constexpr vocabulary::FactorField kLineAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]),
                                                  Int(3, Ints[6]), Int(4, &F::Width)};
constexpr vocabulary::FactorField kCircleCurveAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]),    Int(2, Ints[1]),
                                                         Int(3, Ints[6]), Int(4, Ints[2]),    Int(5, Ints[7]),
                                                         Int(6, &F::Width), Flag(7, &F::CurveFlag)};
constexpr vocabulary::FactorField kArcAlpha[] = {Int(0, Ints[0]),   Int(1, Ints[5]),   Int(2, Ints[1]),
                                                 Int(3, Ints[6]),   Int(4, Ints[2]),   Int(5, Ints[7]),
                                                 Real(6, Reals[0]), Real(7, Reals[1]), Int(8, &F::Width)};
constexpr vocabulary::FactorField kArc2Alpha[] = {
    Int(0, Ints[0]),   Int(1, Ints[5]),   Int(2, Ints[1]),  Int(3, Ints[6]),   Int(4, Ints[2]),
    Int(5, Ints[7]),   Real(6, Reals[0]), Real(7, Reals[1]), Int(8, &F::Width), Real(9, Reals[3]),
    Real(10, Reals[4]), Real(11, Reals[5]), Real(12, Reals[6])};
constexpr vocabulary::FactorField kCircleAlpha[] = {Int(0, Ints[2]), Int(1, Ints[7]), Int(2, &F::Width)};
constexpr vocabulary::FactorField kEllipseAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]),
                                                     Int(3, Ints[6]), Int(4, Ints[2]), Int(5, Ints[7])};
constexpr vocabulary::FactorField kBoxAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                                 Int(4, &F::Width)};
constexpr vocabulary::FactorField kSquareAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]),
                                                    Int(3, Ints[6])};
constexpr vocabulary::FactorField kPieAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]),   Int(2, Ints[1]),
                                                 Int(3, Ints[6]), Int(4, Ints[2]),   Int(5, Ints[7]),
                                                 Real(6, Reals[0]), Real(7, Reals[1])};
constexpr vocabulary::FactorField kFrameAlpha[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, &F::Width),
                                                   List(3, kPath)};
constexpr vocabulary::FactorField kFrameRefAlpha[] = {Int(0, RefNumbers[0]), Int(1, &F::Width)};

// The colour shapes.
constexpr uint32_t kSlot0 = ColourSlot(0);
constexpr vocabulary::FactorField kDiagram[] = {Int(0, Ints[0]), Int(1, Ints[5]), Colour(2, kSlot0),
                                                List(3, kPath)};
constexpr vocabulary::FactorField kLine[] = {Int(0, Ints[0]),   Int(1, Ints[5]), Int(2, Ints[1]),
                                             Int(3, Ints[6]),   Int(4, &F::Width), Colour(5, kSlot0)};
constexpr vocabulary::FactorField kCircleCurve[] = {Int(0, Ints[0]),   Int(1, Ints[5]),       Int(2, Ints[1]),
                                                    Int(3, Ints[6]),   Int(4, Ints[2]),       Int(5, Ints[7]),
                                                    Int(6, &F::Width), Flag(7, &F::CurveFlag), Colour(8, kSlot0)};
constexpr vocabulary::FactorField kArc[] = {Int(0, Ints[0]),   Int(1, Ints[5]),   Int(2, Ints[1]),
                                            Int(3, Ints[6]),   Int(4, Ints[2]),   Int(5, Ints[7]),
                                            Real(6, Reals[0]), Real(7, Reals[1]), Int(8, &F::Width),
                                            Colour(9, kSlot0)};
constexpr vocabulary::FactorField kArc2[] = {
    Int(0, Ints[0]),    Int(1, Ints[5]),    Int(2, Ints[1]),    Int(3, Ints[6]),    Int(4, Ints[2]),
    Int(5, Ints[7]),    Real(6, Reals[0]),  Real(7, Reals[1]),  Int(8, &F::Width),  Real(9, Reals[3]),
    Real(10, Reals[4]), Real(11, Reals[5]), Real(12, Reals[6]), Colour(13, kSlot0)};
constexpr vocabulary::FactorField kCircle[] = {Int(0, Ints[2]), Int(1, Ints[7]), Int(2, &F::Width),
                                               Colour(3, kSlot0)};
constexpr vocabulary::FactorField kEllipse[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                                Int(4, Ints[2]), Int(5, Ints[7]), Colour(6, kSlot0)};
constexpr vocabulary::FactorField kBox[] = {Int(0, Ints[0]),   Int(1, Ints[5]), Int(2, Ints[1]),
                                            Int(3, Ints[6]),   Int(4, &F::Width), Colour(5, kSlot0)};
constexpr vocabulary::FactorField kSquare[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                               Colour(4, kSlot0)};
constexpr vocabulary::FactorField kPie[] = {Int(0, Ints[0]),   Int(1, Ints[5]),   Int(2, Ints[1]),
                                            Int(3, Ints[6]),   Int(4, Ints[2]),   Int(5, Ints[7]),
                                            Real(6, Reals[0]), Real(7, Reals[1]), Colour(8, kSlot0)};
constexpr vocabulary::FactorField kFrame[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, &F::Width),
                                              Colour(3, kSlot0), List(4, kPath)};
constexpr vocabulary::FactorField kFrameRef[] = {Int(0, RefNumbers[0]), Int(1, &F::Width), Colour(2, kSlot0)};

constexpr LegacyCount kExact = LegacyCount::kExact;
constexpr uint8_t kA255 = LegacyRow::kAlpha255;

const LegacyRow kShapeRows[] = {
    {"DiagramAlpha(", 1, kExact, 3, 0, kDiagramAlpha, {}, kA255},
    {"LineAlpha(", 2, kExact, 5, 0, kLineAlpha, {}, kA255},
    {"CircleCurveAlpha(", 3, kExact, 8, 0, kCircleCurveAlpha, {}, kA255},
    {"ArcAlpha(", 4, kExact, 9, 0, kArcAlpha, {}, kA255},
    {"Arc2Alpha(", 5, kExact, 13, 0, kArc2Alpha, {}, kA255},
    {"CircleAlpha(", 6, kExact, 3, 0, kCircleAlpha, {}, kA255},
    {"EllipseAlpha(", 7, kExact, 6, 0, kEllipseAlpha, {}, kA255},
    {"BoxAlpha(", 8, kExact, 5, 0, kBoxAlpha, {}, kA255},
    {"SquareAlpha(", 9, kExact, 4, 0, kSquareAlpha, {}, kA255},
    {"PieAlpha(", 10, kExact, 8, 0, kPieAlpha, {}, kA255},
    {"FrameAlpha(", 11, kExact, 4, 0, kFrameAlpha, {}, kA255},
    {"FrameRefAlpha(", 12, kExact, 2, 0, kFrameRefAlpha, {}, kA255},
    {"Diagram(", 101, kExact, 4, 0, kDiagram, {}, kA255},
    {"Line(", 102, kExact, 6, 0, kLine, {}, kA255},
    {"CircleCurve(", 103, kExact, 9, 0, kCircleCurve, {}, kA255},
    {"Arc(", 104, kExact, 10, 0, kArc, {}, kA255},
    {"Arc2(", 105, kExact, 14, 0, kArc2, {}, kA255},
    {"Circle(", 106, kExact, 4, 0, kCircle, {}, kA255},
    {"Ellipse(", 107, kExact, 7, 0, kEllipse, {}, kA255},
    {"Box(", 108, kExact, 6, 0, kBox, {}, kA255},
    {"Square(", 109, kExact, 5, 0, kSquare, {}, kA255},
    {"Pie(", 110, kExact, 9, 0, kPie, {}, kA255},
    {"Frame(", 111, kExact, 5, 0, kFrame, {}, kA255},
    {"FrameRef(", 112, kExact, 3, 0, kFrameRef, {}, kA255},
};

}  // namespace
}  // namespace shapes

const LegacyFamily kLegacyShapeFamily = {shapes::kShapeRows, uint32_t(std::size(shapes::kShapeRows))};

}  // namespace legacy
