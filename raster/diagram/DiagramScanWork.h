#pragma once
// The scan converter's work area (raster/diagram/DiagramScan.h explains the
// algorithm). A DiagramInfo owns one, made on its first fill and kept with its
// capacity, so an outline that is filled again and again allocates nothing
// once its first rows have been drawn.
#include <cstdint>
#include <vector>

struct DiagramInfoFactor;

// One crossing of the outline with a sample line: x in sixteenths of a pixel
// and its kind (0 plain, 1 / 6 up / down vertex, 2..5 settled flat ends, 7 / 8
// pending flat ends, 9 sub-path marker).
struct DiagramCrossing {
    int32_t x;
    int32_t kind;

    bool operator==(const DiagramCrossing&) const = default;
};

// One step of a sample line's walk, in walk order: a crossing to insert with
// where it goes within the crossings of equal x, or the move of an earlier
// crossing to the front of them.
struct DiagramCrossingEvent {
    int32_t x;
    int32_t kind;      // settled in place when the pending flat ends settle
    uint32_t place;    // DiagramScan.h: Place
    uint32_t target;   // kMoveToFront: the event that inserted the crossing moved
};

// An element that the walk can meet on a sample line (a Line, CircleCurve, Arc
// or Jump that the look-ahead does not skip), with what the walk needs of it.
struct DiagramScanElement {
    DiagramInfoFactor* factor;
    int32_t x0, y0;   // the current point the element starts from
    int32_t rowMin;   // the sample line at or above its yMin
    int32_t yMax;
};

struct DiagramScanWork {
    std::vector<DiagramScanElement> elements;
    std::vector<uint32_t> byTop;       // element positions by rowMin
    std::vector<uint32_t> active;      // elements on the current sample line, in outline order
    std::vector<uint32_t> arriving;    // elements that join the active list on this line
    std::vector<uint32_t> merged;
    std::vector<DiagramCrossingEvent> events;
    std::vector<uint32_t> pending;     // events of flat ends not settled yet
    std::vector<uint64_t> keys;        // (x, event) sort keys
    std::vector<uint32_t> group;       // the crossings of one x while they are placed
    std::vector<DiagramCrossing> crossings;  // the current sample line's list
    std::vector<int32_t> delta;        // coverage steps per column of the row
    std::vector<uint64_t> touched;     // one bit per column with a step
};
