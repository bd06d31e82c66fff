#pragma once
// Model scoring: how well one model explains the path being drawn.
//
// CPredict_Eval::Score aligns the input vectors, in order, with consecutive
// runs ("chains") of model vectors that are nearly straight, point within 30
// degrees of the input vector and share one length scale, and yields the best
// two scores with the scale and starts that produced them.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "prediction/FactorVector.h"

// The result for one model. The fields ending in 1 describe the best match by
// Score1 (straightness counts), those ending in 2 the best by Score2; the two
// may come from different matches. InputStart is -1 while nothing matched.
struct CPredict_Score {
    double Score1 = 0.0;
    double Score2 = 0.0;
    double Scale1 = 0.0;
    double Scale2 = 0.0;
    int32_t InputStart1 = -1;
    int32_t ModelStart1 = 0;
    int32_t InputStart2 = -1;
    int32_t ModelStart2 = 0;
};

// One level of the search: the sums up to this level, the input vector it
// matches and the last model vector of the next chain to try (in the root
// entry: the model start).
struct CPredict_StackData {
    double Score1 = 0.0;
    double Score2 = 0.0;
    int32_t InputIndex = 0;
    int32_t ModelIndex = 0;
};

// One input vector in rotation order, with its start relative to the start of
// the rotation's first vector.
struct CPredict_PointData {
    double X = 0.0;
    double Y = 0.0;
    const FactorVector* Vector = nullptr;
};

class CPredict_Eval {
public:
    virtual ~CPredict_Eval() = default;

    // Scores model against input into score. False, score untouched, when the
    // input or the model has no vectors; otherwise true, also when nothing
    // matched (both scores negative then). The stack and point arrays are the
    // engine's, reused from call to call; each call empties them first.
    bool Score(const FactorVectorList& input, const FactorVectorList& model, CPredict_Score& score,
               CArrayAuto<CPredict_StackData>& stack, CArrayAuto<CPredict_PointData>& points);
};
