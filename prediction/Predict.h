#pragma once
// The prediction engine: from the path being edited to up to three candidate
// path texts.
//
// One run (Predict): the current segment becomes the input (PredictInput.h);
// every model of the database is scored against it (Scoring.h); the score set
// goes into the selector's ring, and the selector picks the best two models by
// Score1 and then the best remaining one by Score2, each above 0.3; each chosen
// model is written as a candidate text (PredictOutput.h).
//
// After every run CandidateCount says how many entries of Candidates are this
// run's texts, and the entries beyond it are empty, also when the run fails:
// a failed run never leaves an earlier run's texts to be applied. A model
// without vectors (a legal line of a model-list file) is skipped with a
// "no match" score instead of failing every run.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/QueueCtrl.h"
#include "foundation/strings/Str.h"
#include "prediction/PredictDataBase.h"
#include "prediction/PredictInput.h"
#include "prediction/PredictOutput.h"
#include "prediction/Scoring.h"

// Only the three-candidate engine exists.
template <int N>
class CPredict_Selector;

template <>
class CPredict_Selector<3> {
public:
    // Capacity of the ring of score sets (the engine keeps only the newest).
    static constexpr uint32_t kRingCapacity = 512;

    CPredict_Selector();
    CPredict_Selector(const CPredict_Selector&) = delete;
    CPredict_Selector& operator=(const CPredict_Selector&) = delete;
    virtual ~CPredict_Selector() = default;

    // Chooses from the newest score set in the ring: fills chosen[0..count) with
    // its records and indices[0..count) with their model indices, kChosenByScore1
    // set on those chosen by Score1; returns count (0 to 3). An empty ring gives
    // 0 with the outputs untouched. Slots chosen by Score1 come first, best
    // first; a missing one is taken by the Score2 choice. Ties keep the earlier
    // model.
    int32_t Select(CPredict_Score* chosen[3], int32_t indices[3]);

    CQueueCtrl<CArrayAuto<CPredict_Score>> Ring;
};

template <int N>
class CPredict;

template <>
class CPredict<3> {
public:
    static constexpr int32_t kCandidates = 3;

    CPredict();
    CPredict(const CPredict&) = delete;
    CPredict& operator=(const CPredict&) = delete;
    virtual ~CPredict() = default;

    // One prediction run for the path of factor with node `step` current.
    // True when every chosen candidate was written; false when there is no
    // usable input segment, the input has no vectors, or a candidate cannot be
    // written (CandidateCount then counts the texts written before it).
    bool Predict(const QDXFactor& factor, int32_t step);

    // The second half of a run: selection and candidate texts from the score
    // set in Scores, for the input already in Input (made from factor and
    // step). Predict calls it after scoring.
    bool ChooseAndWrite(const QDXFactor& factor, int32_t step);

    // Appends the current segment of factor as a new model to DataBase (nothing
    // is written to disk). False when the input builder refuses the factor.
    bool AddModelFromFactor(const QDXFactor& factor, int32_t step);

    CArrayAuto<CPredict_Score> Scores;     // one per model, database order, latest run
    CArrayAuto<CPredict_StackData> Stack;  // the scorer's, reused
    CArrayAuto<CPredict_PointData> Points; // the scorer's, reused
    CPredict_Score* Chosen[3] = {nullptr, nullptr, nullptr};
    int32_t ChosenIndex[3] = {-1, -1, -1};  // model indices; kChosenByScore1 marks a Score1 choice
    CPredict_Input Input;
    CPredict_DataBase DataBase;
    CPredict_Eval Eval;
    CPredict_Selector<3> Selector;
    CPredict_Output Output;
    CStr_base<1024> Candidates[3];
    int32_t CandidateCount = 0;

private:
    // Ends a run that produced `written` texts: the count says so and the
    // later texts are emptied. Returns false.
    bool Fail(int32_t written);
};
