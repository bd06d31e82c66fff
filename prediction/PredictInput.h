#pragma once
// The prediction input: the segment of the edited path that holds the current
// path node, as a list of vectors.
//
// A path is cut into segments by its Separator nodes; the segment taken runs
// from just after the last Separator before the current node to the next
// Separator or the end of the path. The vectors start at the segment's start
// point (the end of the last drawing node before that Separator, or the
// factor's start point); a Return steps the pen back to where the previous
// vector began, a Tip draws nothing, and a Jump moves the point that decides
// whether the path is closed.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "prediction/FactorVector.h"

// Where the segment holding node `step` begins: first is the index of its
// first node, startNode the node whose end point is its start (-1: the
// factor's start point), sawSeparator whether a Separator lies before step.
// Return and Tip nodes step the pen bookkeeping back one drawing node. The
// caller has checked 0 <= step <= node count.
struct PredictSegmentStart {
    int32_t first = 0;
    int32_t startNode = -1;
    bool sawSeparator = false;
};
PredictSegmentStart FindPredictSegmentStart(const QDXFactor& factor, int32_t step);

class CPredict_Input {
public:
    CPredict_Input() = default;
    CPredict_Input(const CPredict_Input&) = delete;
    CPredict_Input& operator=(const CPredict_Input&) = delete;
    virtual ~CPredict_Input() = default;

    // Makes List the vectors of the segment of factor's path that holds node
    // `step` (0 .. node count). False for a factor that is not a path shape
    // (kinds 1, 11, 101, 111) and for a step outside the path, both before
    // List is touched; false also for an empty segment start (no node at or
    // after the segment's first, or a Separator there) and a node type outside
    // 1..7, with List of no use then.
    bool SetPath(const QDXFactor& factor, int32_t step);

    FactorVectorList List;
};

// Whether kind is one of the path shapes prediction works on.
constexpr bool IsPredictPathKind(uint32_t kind) noexcept {
    return kind == 1 || kind == 11 || kind == 101 || kind == 111;
}
