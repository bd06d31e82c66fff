#pragma once
// Model scoring: how well one model explains the path being drawn.
//
// CPredict_Eval::Score aligns the input vectors, in order, with consecutive
// runs ("chains") of model vectors that are nearly straight, point within 30
// degrees of the input vector and share one length scale, and yields the best
// two scores with the scale and starts that produced them.
#include <cstdint>
#include <vector>

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
    //
    // The result is bit for bit that of ScoreLiteralSearch, computed by the
    // dynamic programme described in Scoring.cpp instead of the exhaustive
    // search, whose cost grows exponentially with the model's length.
    bool Score(const FactorVectorList& input, const FactorVectorList& model, CPredict_Score& score,
               CArrayAuto<CPredict_StackData>& stack, CArrayAuto<CPredict_PointData>& points);

    // The exhaustive depth-first search, step by step as defined: every
    // rotation, model start and cut of the model into chains. Kept as the
    // reference that Score is tested and measured against; never used by the
    // engine.
    bool ScoreLiteralSearch(const FactorVectorList& input, const FactorVectorList& model, CPredict_Score& score,
                            CArrayAuto<CPredict_StackData>& stack, CArrayAuto<CPredict_PointData>& points);

    // Chains tested (against an input vector, or for straightness) by both
    // functions since construction; for measuring, never read by the engine.
    uint64_t ChainEvaluations = 0;

private:
    // A chain of model vectors b..e that passes the straightness test.
    struct StraightChain {
        int32_t End;
        double Angle;     // direction from the chain's start to its end
        double Length;    // distance from the chain's start to its end
        double Straight;  // the straightness factor N
    };
    // A straight chain that also points within 30 degrees of one input vector.
    struct Link {
        int32_t End;
        double Length;
        double Straight;
        double Slack;       // W - D, the direction's margin
        double LengthUpTo;  // the largest Length of the links from the list's first to this one
        double LengthFrom;  // the smallest Length of the links from this one to the list's last
    };
    struct InputAngle {
        double Angle;
        uint32_t Index;
    };

    // Fills the bound table (m_rest1, m_rest2) for rotation i; see Scoring.cpp.
    void BestRest(uint32_t i, uint32_t n, uint32_t m);

    // Reused storage of Score; grows to the largest model and input seen.
    std::vector<double> m_startX, m_startY, m_endX, m_endY, m_vertexAngle;
    std::vector<uint32_t> m_straightBegin;
    std::vector<StraightChain> m_straight;
    std::vector<uint32_t> m_linkBegin;  // (chain start, input vector) -> first link
    std::vector<Link> m_links;
    std::vector<std::vector<Link>> m_pending;
    std::vector<InputAngle> m_inputAngles;
    std::vector<double> m_rest1, m_rest2;  // (level, chain start) -> best the rest can add
    std::vector<double> m_sum1[2], m_sum2[2];
    std::vector<uint8_t> m_reached[2];
};
