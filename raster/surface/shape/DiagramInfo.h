#pragma once
// DiagramInfo: the vector-outline record that every filled or stroked shape
// passes through.
//
// An outline is a list of elements, each one step of a pen from the current
// point (the end point of the element before it). Element 0 is always the
// start point. Positions are signed 32-bit integers in sixteenths of a pixel,
// x to the right and y downward. Angles are radians measured from +x toward +y
// (clockwise on the screen): the point at angle a of an ellipse about
// (cx, cy) is (cx + rx cos a, cy + ry sin a), and pi/2 lies straight below.
//
// Element kinds (DiagramInfoFactor::Type; (x, y) is the end point X, Y and
// (cx, cy) the centre X2, Y2):
//   0 start       the pen starts at (x, y); element 0 only
//   1 Line        straight edge to (x, y)
//   2 CircleCurve spiral about (cx, cy) to (x, y): the polar angle runs in the
//                 element's CurveFlag (non-zero = increasing), the radius
//                 changes linearly with the angle
//   3 Arc         arc of the axis-parallel ellipse about (cx, cy) through the
//                 current point and (x, y); both points lie in one quadrant
//   4 Jump        the pen moves to (x, y) without an edge
//   5 Return      back to where the element before it began (strokes only)
//   6 Tip         pointed joint for strokes; filling passes over it
//   7 Separator   ends a run for the warp-path resampler
//
// Beside the outline the record carries the scan converter's work area (made on
// the first fill, raster/diagram/DiagramScanWork.h), so a record that is filled
// again and again needs no fresh memory. Reset keeps all capacity.
//
// Every append initialises every field of the element it adds: the element
// array hands back storage of earlier elements after a reset, and a recycled
// element must not carry work fields or flags of an earlier outline.
#include <cstdint>

#include <memory>

#include "foundation/containers/ArrayAuto.h"

struct DiagramScanWork;

// Value of the work fields that hold a y position when nothing is there
// (pieceTop and pieceBottom of a CircleCurve piece that does not exist).
inline constexpr int32_t kDiagramNoY = -100000000;

// Solver state of one y-monotonic piece of a CircleCurve: the angle about the
// centre, the signed angle step (negative where y falls as the angle grows),
// the y at that angle relative to the centre, and the far end the solver never
// passes.
struct DiagramPiece {
    double angle = 0;
    double step = 0;
    double y = 0;
    double limit = 0;
};

// One outline element. The outline is fully described by Type, X, Y, the
// centre X2, Y2, CurveFlag and Enabled; the fields after them are the
// rasteriser's work fields, written by its preparation step before each fill,
// and the length.
struct DiagramInfoFactor {
    static constexpr uint32_t kStart = 0;
    static constexpr uint32_t kLine = 1;
    static constexpr uint32_t kCircleCurve = 2;
    static constexpr uint32_t kArc = 3;
    static constexpr uint32_t kJump = 4;
    static constexpr uint32_t kReturn = 5;
    static constexpr uint32_t kTip = 6;
    static constexpr uint32_t kSeparator = 7;

    uint32_t Type = kStart;
    int32_t X = 0;   // end point
    int32_t Y = 0;
    int32_t X2 = 0;  // centre (CircleCurve, Arc)
    int32_t Y2 = 0;
    uint8_t CurveFlag = 0;  // CircleCurve: non-zero = polar angle increases
    uint8_t Enabled = 1;    // 0: the stroke drivers pass over the element

    // ---- work fields of the rasteriser ----
    int32_t yMin = 0;  // least and greatest y the element reaches
    int32_t yMax = 0;
    double startAngle = 0;  // direction of travel leaving / arriving, 0 .. 2 pi
    double endAngle = 0;
    double coefA = 0;  // Line: dx/dy; CircleCurve: radius change per radian; Arc: x semi-axis
    double coefB = 0;  // CircleCurve: radius at parameter 0; Arc: y semi-axis
    // CircleCurve cut into up to four y-monotonic pieces.
    DiagramPiece pieces[4] = {};
    // Per piece the absolute y range, sixteenths of a pixel; kDiagramNoY in
    // both for a piece that does not exist.
    int32_t pieceTop[4] = {kDiagramNoY, kDiagramNoY, kDiagramNoY, kDiagramNoY};
    int32_t pieceBottom[4] = {kDiagramNoY, kDiagramNoY, kDiagramNoY, kDiagramNoY};
    uint32_t startPiece = 0;  // CircleCurve: pieces holding the start and end points
    uint32_t endPiece = 0;
    uint32_t startKind = 0;  // crossing kind at the start: 1 moving upward (y falling), 6 downward
    uint32_t endKind = 0;
    int32_t arcShape = 0;  // Arc: 1..4 by side of the centre, 5 vertical, 0 degenerate

    // Length from the current point, written by ComputeLength.
    double Length = 0;

    // Stores Length for the step from the previous point (px, py): the straight
    // distance for Line, Arc (its chord) and Jump; the arc length of the spiral
    // for CircleCurve; 0 for every other kind.
    void ComputeLength(int32_t px, int32_t py);
};

// Normalises an angle into 0 .. 2 pi the way outlines do: a negative angle is
// raised by whole turns (one more than it lies below 0), then one above 2 pi
// lowered by whole turns; exactly 2 pi stays 2 pi.
double NormalizeDiagramAngle(double a);

class DiagramInfo {
public:
    DiagramInfo();
    virtual ~DiagramInfo();

    DiagramInfo(const DiagramInfo&) = delete;
    DiagramInfo& operator=(const DiagramInfo&) = delete;

    // Back to one element: type 0 at (0, 0), enabled 1. Frees nothing.
    void Reset();

    // ---- appends (each returns true) ----

    // Sets x and y of element 0 only.
    bool SetStartPoint(int32_t x, int32_t y);
    bool AddLine(int32_t x, int32_t y, uint8_t enabled);
    bool AddCircleCurve(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t direction, uint8_t enabled);
    bool AddArc(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t enabled);
    bool AddJump(int32_t x, int32_t y);
    // The coordinate-free kinds 5, 6 and 7.
    bool AddReturn() { return AddMarker(DiagramInfoFactor::kReturn); }
    bool AddTip() { return AddMarker(DiagramInfoFactor::kTip); }
    bool AddSeparator() { return AddMarker(DiagramInfoFactor::kSeparator); }

    // Appends one Arc per quadrant about (cx, cy) that the pen passes from the
    // current point (on the ellipse at angle a0) to (x, y) at angle a1, forward
    // (non-zero: increasing angle) or backward. The ellipse is given by its axis
    // points (xAt0, cy), (cx, yAt90), (xAt180, cy), (cx, yAt270). Each Arc ends
    // at (x, y) when a1 falls within its quadrant, else at the quadrant's
    // closing axis point. An angle exactly on an axis can add a zero-length Arc
    // (forward: a0 on an axis; backward: a1 on an axis).
    bool AddArcQuadrants(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t xAt180, int32_t yAt270,
                         int32_t xAt0, int32_t yAt90, uint8_t forward, double a0, double a1, uint8_t enabled);

    uint32_t GetCount() const noexcept { return elements.GetCount(); }
    // Checked access: a position at or beyond the count throws it as uint32_t.
    DiagramInfoFactor& operator[](uint32_t i) { return *elements.GetAt(i); }
    const DiagramInfoFactor& operator[](uint32_t i) const { return *elements.GetAt(i); }

    // The outline; element 0 is the start point.
    CArrayAuto<DiagramInfoFactor> elements;

    // The element at which the last fill's preparation refused this outline
    // (an Arc whose two ends lie in different quadrants), or kNoRefusal. Such
    // a fill returns false and draws nothing, as one that has nothing left
    // after clipping does; callers that report failures tell the two apart
    // here. A stroke driver marks the stroked element whose segment outline
    // was refused.
    static constexpr uint32_t kNoRefusal = 0xFFFFFFFFu;
    uint32_t RefusedElement() const noexcept { return m_refused; }
    void SetRefusedElement(uint32_t index) noexcept { m_refused = index; }

    // The scan converter's work area, made on first use and kept until the
    // record goes (most records are built and never filled).
    DiagramScanWork& ScanWork();
    bool HasScanWork() const noexcept { return m_scanWork != nullptr; }

private:
    // Takes a new element and gives it the fresh-element values with this type
    // and end point.
    DiagramInfoFactor& Append(uint32_t type, int32_t x = 0, int32_t y = 0);
    // The same for the kinds that turn about a centre.
    DiagramInfoFactor& AppendAbout(uint32_t type, int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t enabled);
    bool AddMarker(uint32_t type);

    std::unique_ptr<DiagramScanWork> m_scanWork;
    uint32_t m_refused = kNoRefusal;
};
