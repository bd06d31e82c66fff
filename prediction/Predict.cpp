#include "prediction/Predict.h"

namespace {

// The newest score set of the ring (the ring is not empty).
CArrayAuto<CPredict_Score>& Newest(CQueueCtrl<CArrayAuto<CPredict_Score>>& ring) { return *ring.PeekNewest(); }

void CopyScores(const CArrayAuto<CPredict_Score>& from, CArrayAuto<CPredict_Score>& to) {
    to.RemoveAll();
    to.SetCount(from.GetCount());
    CPredict_Score* const* mine = to.GetIndex();
    const CPredict_Score* const* theirs = from.GetIndex();
    for (uint32_t i = 0; i < from.GetCount(); ++i) *mine[i] = *theirs[i];
}

}  // namespace

// ---- selector ----

CPredict_Selector<3>::CPredict_Selector() {
    Ring.SetGrowthStep(0);
    Ring.Create(kRingCapacity);
}

int32_t CPredict_Selector<3>::Select(CPredict_Score* chosen[3], int32_t indices[3]) {
    if (Ring.IsEmpty()) return 0;
    CArrayAuto<CPredict_Score>& set = Newest(Ring);
    CPredict_Score* const* records = set.GetIndex();
    const int32_t count = int32_t(set.GetCount());

    indices[0] = indices[1] = indices[2] = -1;
    double t1 = 0.3;
    double t2 = 0.3;
    for (int32_t j = 0; j < count; ++j) {
        const CPredict_Score& r = *records[j];
        bool placed = false;
        if (r.Score1 > t1) {
            for (int32_t k = 0; k < 2 && !placed; ++k) {
                if (indices[k] == -1) {
                    indices[k] = j;
                    placed = true;
                } else if (r.Score1 > records[indices[k]]->Score1) {
                    // The record in slot 1 drops out of the top two and competes
                    // for the third place now.
                    const int32_t dropped = indices[1];
                    if (dropped != -1 && records[dropped]->Score2 > t2) {
                        t2 = records[dropped]->Score2;
                        indices[2] = dropped;
                    }
                    if (k == 0) indices[1] = indices[0];
                    indices[k] = j;
                    t1 = records[indices[1]]->Score1;
                    placed = true;
                }
            }
        }
        if (placed) continue;
        if (r.Score2 > t2) {
            t2 = r.Score2;
            indices[2] = j;
        }
    }

    int32_t n = 0;
    for (int32_t k = 0; k < 2; ++k) {
        if (indices[k] == -1) {
            if (indices[2] == -1) return n;
            indices[k] = indices[2];
            chosen[k] = records[indices[k]];
            indices[2] = -1;
            return n + 1;
        }
        chosen[k] = records[indices[k]];
        indices[k] |= kChosenByScore1;
        ++n;
    }
    if (indices[2] == -1) return 2;
    chosen[2] = records[indices[2]];
    return 3;
}

// ---- engine ----

CPredict<3>::CPredict() = default;

bool CPredict<3>::Fail(int32_t written) {
    CandidateCount = written;
    for (int32_t j = written; j < kCandidates; ++j) Candidates[j].Assign("");
    return false;
}

bool CPredict<3>::Predict(const QDXFactor& factor, int32_t step) {
    if (!Input.SetPath(factor, step)) return Fail(0);

    Scores.RemoveAll();
    for (FactorVectorList* model : DataBase.Models) {
        CPredict_Score& score = *Scores.AddNew();
        if (model->GetCount() == 0) {
            // An empty model matches nothing; it must not stop the others.
            score = CPredict_Score{};
            score.Score1 = score.Score2 = -65536.0;
            continue;
        }
        if (!Eval.Score(Input.List, *model, score, Stack, Points)) return Fail(0);
    }
    return ChooseAndWrite(factor, step);
}

bool CPredict<3>::ChooseAndWrite(const QDXFactor& factor, int32_t step) {
    CQueueCtrl<CArrayAuto<CPredict_Score>>& ring = Selector.Ring;
    if (ring.IsEmpty() && !ring.Push(CArrayAuto<CPredict_Score>())) return Fail(0);
    CopyScores(Scores, Newest(ring));

    CandidateCount = Selector.Select(Chosen, ChosenIndex);
    for (int32_t j = 0; j < CandidateCount; ++j) {
        const uint32_t modelIndex = uint32_t(ChosenIndex[j] & ~kChosenByScore1);
        if (modelIndex >= DataBase.Models.GetCount() ||
            !Output.WriteCandidate(*Chosen[j], ChosenIndex[j], Input.List, *DataBase.Models.GetAt(modelIndex),
                                   factor, step, Candidates[j]))
            return Fail(j);
    }
    for (int32_t j = CandidateCount; j < kCandidates; ++j) Candidates[j].Assign("");
    return true;
}

bool CPredict<3>::AddModelFromFactor(const QDXFactor& factor, int32_t step) {
    if (!Input.SetPath(factor, step)) return false;
    DataBase.Models.AddNew()->CopyFrom(Input.List);
    return true;
}
