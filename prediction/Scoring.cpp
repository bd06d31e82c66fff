#include "prediction/Scoring.h"

// Placeholder until the search is in: every non-empty pair scores "no match".
bool CPredict_Eval::Score(const FactorVectorList& input, const FactorVectorList& model, CPredict_Score& score,
                          CArrayAuto<CPredict_StackData>& stack, CArrayAuto<CPredict_PointData>& points) {
    if (input.GetCount() == 0 || model.GetCount() == 0) return false;
    stack.RemoveAll();
    points.RemoveAll();
    const double n = double(input.GetCount());
    score.Score1 = score.Score2 = -65536.0 / n;
    score.InputStart1 = score.InputStart2 = -1;
    return true;
}
