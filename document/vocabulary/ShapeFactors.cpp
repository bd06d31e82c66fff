// The shape and path family: twelve shapes, each in an alpha form (codes 1-12,
// keyword with an A before its "(", no colour: coverage goes into the alpha
// channel) and a colour form (codes 101-112, colour slot 1).
//
// Coordinates, widths and radii are sixteenths of a pixel, angles radians.
// Every shape ends with an optional alpha (255 when omitted). The shapes
// without a path read that alpha first; the path shapes (Diagram, Frame) read
// from left to right and, in the short form, set the alpha only after the path
// list was read.
#include <cstring>
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorSink.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

// ---- the "qdxpath(" list ----

// A path list may hold up to 10000 nodes; the element array and its buffers
// are kept from one list to the next.
constexpr uint32_t kMaxPathNodes = 10000;

// Lists of up to this many bytes (so of at most 1025 items) split into an
// array of their own. The split looks at every string the array ever made to
// see whether the text lies in one of them; one long path would otherwise make
// every short list after it pay for ten thousand strings.
constexpr size_t kShortPathListBytes = 1024;

CStrArray_base<64>& PathItems(const char* elements) {
    thread_local CStrArray_base<64> shortItems;
    thread_local CStrArray_base<64> longItems;
    return strnlen(elements, kShortPathListBytes + 1) <= kShortPathListBytes ? shortItems : longItems;
}

bool ParsePath(QDXFactor& factor, const char* elements) {
    CStrArray_base<64>& items = PathItems(elements);
    const uint32_t count = SplitArguments(items, elements);
    // Counted before the empty items are dropped.
    if (count > kMaxPathNodes) return false;
    factor.Path.RemoveAll();
    for (uint32_t i = 0; i < count; ++i) {
        const CStr_base<64>& item = *items.GetAt(i);
        if (item.IsEmpty()) continue;  // "qdxpath(,,)": no node; an item of blanks is one
        if (!factor.Path.AddNew()->ParseText(item.GetText())) return false;
    }
    return true;
}

// The nodes are written straight into the list, byte for byte as
// QDXPath::WriteText writes them: a long path holds most of a document's
// numbers, and one formatter call per node costs more than its conversions.
bool WritePath(const QDXFactor& factor, CStr_base<1024>& list) {
    FactorSink sink(list, uint32_t(list.GetLength()));
    auto pair = [&sink](int32_t a, int32_t b) {
        sink.Int(a);
        sink.Char(',');
        sink.Int(b);
    };
    for (const QDXPath* node : factor.Path) {
        switch (node->Type) {
        case QDXPath::kLine:
            if (!node->Enabled) sink.Char('!');
            sink.Bytes("Line(", 5);
            pair(node->X, node->Y);
            sink.Char(')');
            break;
        case QDXPath::kCircleCurve:
            if (!node->Enabled) sink.Char('!');
            sink.Bytes("CircleCurve(", 12);
            pair(node->X, node->Y);
            sink.Char(',');
            pair(node->X2, node->Y2);
            sink.Char(',');
            sink.Char(node->CurveFlag ? 't' : 'f');
            sink.Char(')');
            break;
        case QDXPath::kArc:
            if (!node->Enabled) sink.Char('!');
            sink.Bytes("Arc(", 4);
            pair(node->X, node->Y);
            sink.Char(',');
            pair(node->X2, node->Y2);
            sink.Char(')');
            break;
        case QDXPath::kJump:
            sink.Bytes("Jump(", 5);
            pair(node->X, node->Y);
            sink.Char(')');
            break;
        case QDXPath::kReturn:
            sink.Bytes("Return", 6);
            break;
        case QDXPath::kTip:
            sink.Bytes("Tip", 3);
            break;
        case QDXPath::kSeparator:
            sink.Bytes("Separator", 9);
            break;
        default:
            sink.Finish();
            return false;
        }
        sink.Char(',');
    }
    sink.Finish();
    // Drop the trailing comma only when there is one: an empty path keeps
    // the "(" of its opening word ("qdxpath()").
    if (factor.Path.GetCount() != 0) list.SetLength(list.GetLength() - 1);
    list.AppendChar(')');
    return true;
}

}  // namespace

extern const ListCodec kPathList;
constexpr ListCodec kPathList = {"qdxpath(", &ParsePath, &WritePath};

namespace {

// ---- rows ----

using F = QDXFactor;

// The optional alpha of a path shape: in the short form it becomes 255 only
// after the list was read.
constexpr FactorField PathAlpha(uint8_t position) { return OptionalAlpha(position, FactorField::kLateDefault); }

// Fields in scan order. The colour forms insert the colour (slot 1) right
// before the alpha.
constexpr FactorField kDiagramA[] = {Int(0, &F::X1), Int(1, &F::Y1), PathAlpha(2), List(3, &kPathList)};
constexpr FactorField kDiagram[] = {Int(0, &F::X1), Int(1, &F::Y1), Colour(2, 1), PathAlpha(3), List(4, &kPathList)};

constexpr FactorField kLineA[] = {OptionalAlpha(5), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                  Int(4, &F::Width)};
constexpr FactorField kLine[] = {OptionalAlpha(6), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                 Int(4, &F::Width), Colour(5, 1)};

constexpr FactorField kCircleCurveA[] = {OptionalAlpha(8), Int(0, &F::X1), Int(1, &F::Y1),       Int(2, &F::X2),
                                         Int(3, &F::Y2),   Int(4, &F::X3), Int(5, &F::Y3),       Int(6, &F::Width),
                                         Flag(7, &F::CurveFlag)};
constexpr FactorField kCircleCurve[] = {OptionalAlpha(9),       Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                        Int(3, &F::Y2),         Int(4, &F::X3), Int(5, &F::Y3), Int(6, &F::Width),
                                        Flag(7, &F::CurveFlag), Colour(8, 1)};

constexpr FactorField kArcA[] = {OptionalAlpha(9), Int(0, &F::X1),      Int(1, &F::Y1),      Int(2, &F::X2),
                                 Int(3, &F::Y2),   Int(4, &F::X3),      Int(5, &F::Y3),      Real(6, &F::Real1),
                                 Real(7, &F::Real2), Int(8, &F::Width)};
constexpr FactorField kArc[] = {OptionalAlpha(10),  Int(0, &F::X1),    Int(1, &F::Y1), Int(2, &F::X2),
                                Int(3, &F::Y2),     Int(4, &F::X3),    Int(5, &F::Y3), Real(6, &F::Real1),
                                Real(7, &F::Real2), Int(8, &F::Width), Colour(9, 1)};

constexpr FactorField kArc2A[] = {OptionalAlpha(13),   Int(0, &F::X1),      Int(1, &F::Y1),      Int(2, &F::X2),
                                  Int(3, &F::Y2),      Int(4, &F::X3),      Int(5, &F::Y3),      Real(6, &F::Real1),
                                  Real(7, &F::Real2),  Int(8, &F::Width),   Real(9, &F::Real4),  Real(10, &F::Real5),
                                  Real(11, &F::Real6), Real(12, &F::Real7)};
constexpr FactorField kArc2[] = {OptionalAlpha(14),   Int(0, &F::X1),      Int(1, &F::Y1),      Int(2, &F::X2),
                                 Int(3, &F::Y2),      Int(4, &F::X3),      Int(5, &F::Y3),      Real(6, &F::Real1),
                                 Real(7, &F::Real2),  Int(8, &F::Width),   Real(9, &F::Real4),  Real(10, &F::Real5),
                                 Real(11, &F::Real6), Real(12, &F::Real7), Colour(13, 1)};

constexpr FactorField kCircleA[] = {OptionalAlpha(3), Int(0, &F::X3), Int(1, &F::Y3), Int(2, &F::Width)};
constexpr FactorField kCircle[] = {OptionalAlpha(4), Int(0, &F::X3), Int(1, &F::Y3), Int(2, &F::Width), Colour(3, 1)};

constexpr FactorField kEllipseA[] = {OptionalAlpha(6), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                     Int(3, &F::Y2),   Int(4, &F::X3), Int(5, &F::Y3)};
constexpr FactorField kEllipse[] = {OptionalAlpha(7), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                    Int(3, &F::Y2),   Int(4, &F::X3), Int(5, &F::Y3), Colour(6, 1)};

constexpr FactorField kBoxA[] = {OptionalAlpha(5), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                 Int(4, &F::Width)};
constexpr FactorField kBox[] = {OptionalAlpha(6), Int(0, &F::X1),    Int(1, &F::Y1), Int(2, &F::X2),
                                Int(3, &F::Y2),   Int(4, &F::Width), Colour(5, 1)};

constexpr FactorField kSquareA[] = {OptionalAlpha(4), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2)};
constexpr FactorField kSquare[] = {OptionalAlpha(5), Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                   Colour(4, 1)};

constexpr FactorField kPieA[] = {OptionalAlpha(8), Int(0, &F::X1), Int(1, &F::Y1),     Int(2, &F::X2),
                                 Int(3, &F::Y2),   Int(4, &F::X3), Int(5, &F::Y3),     Real(6, &F::Real1),
                                 Real(7, &F::Real2)};
constexpr FactorField kPie[] = {OptionalAlpha(9),   Int(0, &F::X1), Int(1, &F::Y1),     Int(2, &F::X2),
                                Int(3, &F::Y2),     Int(4, &F::X3), Int(5, &F::Y3),     Real(6, &F::Real1),
                                Real(7, &F::Real2), Colour(8, 1)};

constexpr FactorField kFrameA[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::Width), PathAlpha(3),
                                   List(4, &kPathList)};
constexpr FactorField kFrame[] = {Int(0, &F::X1), Int(1, &F::Y1),      Int(2, &F::Width), Colour(3, 1),
                                  PathAlpha(4),   List(5, &kPathList)};

constexpr FactorField kFrameRefA[] = {OptionalAlpha(2), Int(0, &F::RefNumber1), Int(1, &F::Width)};
constexpr FactorField kFrameRef[] = {OptionalAlpha(3), Int(0, &F::RefNumber1), Int(1, &F::Width), Colour(2, 1)};

// Every shape: the full count, or one fewer without the alpha.
constexpr FactorRow Shape(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kFullOrShort, uint8_t(fields.count), uint8_t(fields.count - 1), fields};
}

constexpr FactorRow kShapeRows[] = {
    Shape(1, "DiagramA(", kDiagramA),
    Shape(2, "LineA(", kLineA),
    Shape(3, "CircleCurveA(", kCircleCurveA),
    Shape(4, "ArcA(", kArcA),
    Shape(5, "Arc2A(", kArc2A),
    Shape(6, "CircleA(", kCircleA),
    Shape(7, "EllipseA(", kEllipseA),
    Shape(8, "BoxA(", kBoxA),
    Shape(9, "SquareA(", kSquareA),
    Shape(10, "PieA(", kPieA),
    Shape(11, "FrameA(", kFrameA),
    Shape(12, "FrameRefA(", kFrameRefA),
    Shape(101, "Diagram(", kDiagram),
    Shape(102, "Line(", kLine),
    Shape(103, "CircleCurve(", kCircleCurve),
    Shape(104, "Arc(", kArc),
    Shape(105, "Arc2(", kArc2),
    Shape(106, "Circle(", kCircle),
    Shape(107, "Ellipse(", kEllipse),
    Shape(108, "Box(", kBox),
    Shape(109, "Square(", kSquare),
    Shape(110, "Pie(", kPie),
    Shape(111, "Frame(", kFrame),
    Shape(112, "FrameRef(", kFrameRef),
};

}  // namespace

constinit const FactorFamily kShapeFamily = {kShapeRows, uint32_t(std::size(kShapeRows)), nullptr, 0};

}  // namespace vocabulary
