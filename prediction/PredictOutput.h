#pragma once
// Candidate text: one scored model written as the factor text the editor
// draws and applies.
//
// The candidate is a "Diagram(" factor whose path is the edited factor's own
// path with the current segment replaced by the whole model, scaled by the
// match's scale and placed so that the model's matched vertex lies on the
// input's matched vertex. The nodes before the segment are copied unchanged;
// the nodes after it (from the next Separator on) are moved by the offset
// between the segment's old end and the model's end.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "foundation/strings/Str.h"
#include "prediction/FactorVector.h"
#include "prediction/Scoring.h"

// Bit of a selector index that says the candidate was chosen by Score1 (and
// is written from the fields ending in 1).
inline constexpr int32_t kChosenByScore1 = 0x40000000;

class CPredict_Output {
public:
    virtual ~CPredict_Output() = default;

    // Replaces out with the candidate text of model for the match in score
    // (the fields ending in 1 when index has kChosenByScore1, else those ending
    // in 2). input is the prediction input made from the same factor and step.
    // False with out empty when no match was recorded or its starts lie
    // outside the input or the model, the model is empty, step lies outside
    // the path, a node before the segment cannot be written, or the current
    // segment has no drawing node that survives its Returns and Tips.
    bool WriteCandidate(const CPredict_Score& score, int32_t index, const FactorVectorList& input,
                        const FactorVectorList& model, const QDXFactor& factor, int32_t step,
                        CStr_base<1024>& out) const;
};
