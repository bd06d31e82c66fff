#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "prediction/Scoring.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kW = kPi / 6;

struct Step {
    double angle, length;
};

// A list as the model-list reader makes it: starts are the running sums.
void Fill(FactorVectorList& list, const std::vector<Step>& steps, bool closed = false, bool separator = false) {
    list.RemoveAll();
    list.Closed = closed ? 1 : 0;
    list.HasSeparator = separator ? 1 : 0;
    double x = 0.0, y = 0.0;
    for (const Step& s : steps) {
        FactorVector* v = list.AddNew();
        *v = FactorVector{};
        v->Angle = s.angle;
        v->Length = s.length;
        v->Kind = 1;
        v->StartX = x;
        v->StartY = y;
        x += s.length * std::cos(s.angle);
        y += s.length * std::sin(s.angle);
    }
}

struct Scorer {
    CPredict_Eval eval;
    CArrayAuto<CPredict_StackData> stack;
    CArrayAuto<CPredict_PointData> points;

    CPredict_Score Fast(const FactorVectorList& input, const FactorVectorList& model) {
        CPredict_Score score;
        EXPECT_TRUE(eval.Score(input, model, score, stack, points));
        return score;
    }
    CPredict_Score Literal(const FactorVectorList& input, const FactorVectorList& model) {
        CPredict_Score score;
        EXPECT_TRUE(eval.ScoreLiteralSearch(input, model, score, stack, points));
        return score;
    }
};

const double R = 0.0, U = kPi / 2, L = kPi, D = -kPi / 2;  // right, up, left, down

// Worked examples, each checked against both searches.
struct Case {
    const char* name;
    std::vector<Step> input;
    bool closed, separator;
    std::vector<Step> model;
    double score1, score2, scale1;
    int32_t inputStart1, modelStart1;
};

TEST(Scoring, WorkedExamples) {
    const double noMatch = -65536.0;
    const Case cases[] = {
        {"identical lists", {{R, 10}, {U, 5}, {L, 7}}, false, false, {{R, 10}, {U, 5}, {L, 7}}, 1.0, 1.0, 1.0, 0, 0},
        {"two sides of a square twice as large", {{R, 20}, {U, 20}}, false, false,
         {{R, 10}, {U, 10}, {L, 10}, {D, 10}}, 1.0, 1.0, 2.0, 0, 0},
        {"tie: the one-vector chain found first keeps its scale", {{R, 20}}, false, false, {{R, 10}, {R, 10}}, 1.0, 1.0,
         2.0, 0, 0},
        {"first input vector of 0.1 never matches", {{R, 0.1}, {U, 5}}, false, false, {{R, 10}, {U, 5}}, noMatch / 2,
         noMatch / 2, 0.0, -1, 0},
        {"ratio exactly 0.5 is accepted and adds 0", {{R, 10}, {U, 5}}, false, false, {{R, 10}, {U, 10}}, 0.5, 0.5, 1.0,
         0, 0},
        {"ratio exactly 2 is accepted and adds 0", {{R, 10}, {U, 20}}, false, false, {{R, 10}, {U, 10}}, 0.5, 0.5, 1.0,
         0, 0},
        {"ratio just above 2 is rejected", {{R, 10}, {U, 20.001}}, false, false, {{R, 10}, {U, 10}}, noMatch / 2,
         noMatch / 2, 0.0, -1, 0},
        {"a direction exactly 30 degrees off is rejected", {{kW, 10}}, false, false, {{R, 10}}, noMatch, noMatch, 0.0,
         -1, 0},
        {"only the start matching from the second model vector", {{U, 10}}, false, false, {{R, 10}, {U, 10}}, 1.0, 1.0,
         1.0, 0, 1},
        {"a separator allows only model start 0", {{U, 10}}, false, true, {{R, 10}, {U, 10}}, noMatch, noMatch, 0.0, -1,
         0},
        {"an open input is not rotated", {{U, 10}, {L, 10}, {D, 10}, {R, 10}}, false, false,
         {{R, 10}, {U, 10}, {L, 10}, {D, 10}}, noMatch / 4, noMatch / 4, 0.0, -1, 0},
        {"a closed input is matched from every start", {{U, 10}, {L, 10}, {D, 10}, {R, 10}}, true, false,
         {{R, 10}, {U, 10}, {L, 10}, {D, 10}}, 1.0, 1.0, 1.0, 3, 0},
        // With a separator only model start 0 counts, so the input vector must
        // match a chain from the first model vector. Bent by 50 degrees at the
        // inner vertex, the chain of two equal sides points 25 degrees up: its
        // inner vertex is 25 degrees off (factor 5/30) and, against an input
        // at 24 degrees, Score2 29/30 while Score1 only (5/30)(29/30); the
        // first vector alone, straight and 24 degrees off, gives Score1 6/30.
        // With the second side four times as long the chain points 40.6
        // degrees up, its inner vertex too far off: rejected, though the input
        // points exactly that way.
        {"an inner vertex 25 degrees off counts in Score1 only", {{24 * kPi / 180, 10}}, false, true,
         {{R, 10}, {50 * kPi / 180, 10}}, 6.0 / 30.0, 29.0 / 30.0, 1.0, 0, 0},
        // Inner vertices 29 degrees above and below the chain's direction: a
        // zigzag that is still straight enough; only this chain is parallel to
        // the input (Score2 1), while the first vector alone, 29 degrees off,
        // gives the better Score1 1/30.
        {"inner vertices 29 degrees either side of the chain", {{R, 10}}, false, true,
         {{29 * kPi / 180, 1},
          {D, 2 * std::sin(29 * kPi / 180)},
          {std::atan2(std::sin(29 * kPi / 180), 10 - std::cos(29 * kPi / 180)),
           std::hypot(std::sin(29 * kPi / 180), 10 - std::cos(29 * kPi / 180))}},
         1.0 / 30.0, 1.0, 10.0, 0, 0},
        {"an inner vertex 30 degrees or more off rejects the chain",
         {{std::atan2(40 * std::sin(50 * kPi / 180), 10 + 40 * std::cos(50 * kPi / 180)), 10}}, false, true,
         {{R, 10}, {50 * kPi / 180, 40}}, noMatch, noMatch, 0.0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FactorVectorList input, model;
        Fill(input, c.input, c.closed, c.separator);
        Fill(model, c.model);
        Scorer scorer;
        for (int pass = 0; pass < 2; ++pass) {
            const CPredict_Score s = pass == 0 ? scorer.Fast(input, model) : scorer.Literal(input, model);
            EXPECT_NEAR(s.Score1, c.score1, 1e-12) << "pass " << pass;
            EXPECT_EQ(s.InputStart1, c.inputStart1) << "pass " << pass;
            if (c.inputStart1 >= 0) {
                EXPECT_NEAR(s.Score2, c.score2, 1e-12) << "pass " << pass;
                EXPECT_NEAR(s.Scale1, c.scale1, 1e-12) << "pass " << pass;
                EXPECT_EQ(s.ModelStart1, c.modelStart1) << "pass " << pass;
            } else {
                EXPECT_EQ(s.Score2, c.score2) << "pass " << pass;
                EXPECT_EQ(s.InputStart2, -1) << "pass " << pass;
            }
        }
    }
}

TEST(Scoring, StraightnessCountsInScore1Only) {
    // One input vector at 0.1 rad, a model of two equal vectors at 0 and 0.2:
    // the two-vector chain is exactly parallel (Score2 1) but bent by 0.1 at
    // its inner vertex, the one-vector chain is straight but 0.1 off; Score1
    // is (W - 0.1) / W either way.
    FactorVectorList input, model;
    Fill(input, {{0.1, 20}});
    Fill(model, {{0.0, 10}, {0.2, 10}});
    Scorer scorer;
    const CPredict_Score s = scorer.Fast(input, model);
    EXPECT_NEAR(s.Score2, 1.0, 1e-12);
    EXPECT_NEAR(s.Scale2, 20.0 / (20 * std::cos(0.1)), 1e-12);
    EXPECT_NEAR(s.Score1, (kW - 0.1) / kW, 1e-12);
}

TEST(Scoring, EmptyListsFailAndLeaveTheScore) {
    FactorVectorList empty, one;
    Fill(one, {{R, 10}});
    Scorer scorer;
    CPredict_Score s;
    s.Score1 = 7.0;
    s.InputStart1 = 3;
    EXPECT_FALSE(scorer.eval.Score(empty, one, s, scorer.stack, scorer.points));
    EXPECT_FALSE(scorer.eval.Score(one, empty, s, scorer.stack, scorer.points));
    EXPECT_FALSE(scorer.eval.ScoreLiteralSearch(empty, one, s, scorer.stack, scorer.points));
    EXPECT_FALSE(scorer.eval.ScoreLiteralSearch(one, empty, s, scorer.stack, scorer.points));
    EXPECT_EQ(s.Score1, 7.0);
    EXPECT_EQ(s.InputStart1, 3);
}

// --- the exact search against the literal one ---

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

void ExpectSame(const CPredict_Score& a, const CPredict_Score& b, const std::string& what) {
    EXPECT_EQ(Bits(a.Score1), Bits(b.Score1)) << what << " Score1 " << a.Score1 << " vs " << b.Score1;
    EXPECT_EQ(Bits(a.Score2), Bits(b.Score2)) << what << " Score2 " << a.Score2 << " vs " << b.Score2;
    EXPECT_EQ(Bits(a.Scale1), Bits(b.Scale1)) << what << " Scale1";
    EXPECT_EQ(Bits(a.Scale2), Bits(b.Scale2)) << what << " Scale2";
    EXPECT_EQ(a.InputStart1, b.InputStart1) << what;
    EXPECT_EQ(a.ModelStart1, b.ModelStart1) << what;
    EXPECT_EQ(a.InputStart2, b.InputStart2) << what;
    EXPECT_EQ(a.ModelStart2, b.ModelStart2) << what;
}

enum class Shape { Random, Grid, Freehand };

std::vector<Step> MakeModel(std::mt19937& rng, Shape shape, int m) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Step> steps;
    double heading = (unit(rng) * 2 - 1) * kPi;
    for (int k = 0; k < m; ++k) {
        switch (shape) {
        case Shape::Random:
            steps.push_back({(unit(rng) * 2 - 1) * kPi, 0.05 + unit(rng) * 20});
            break;
        case Shape::Grid: {
            // Angles on a 15-degree grid (exact window edges, parallel chains,
            // ties) and lengths including the degenerate ones.
            static const double lengths[] = {0.0, 0.05, 0.1, 1.0, 2.0, 2.0, 4.0, 10.0};
            steps.push_back({double(int(unit(rng) * 24) - 11) * kPi / 12, lengths[int(unit(rng) * 8)]});
            break;
        }
        case Shape::Freehand:
            // A slowly turning hand-drawn stroke: long straight chains.
            heading += (unit(rng) - 0.5) * 0.5;
            if (heading > kPi) heading -= 2 * kPi;
            if (heading < -kPi) heading += 2 * kPi;
            steps.push_back({heading, 1.0 + unit(rng) * 3});
            break;
        }
    }
    return steps;
}

// An input made from the model: consecutive runs summed into one vector each,
// scaled and disturbed a little, so that complete matches are common.
std::vector<Step> InputFromModel(std::mt19937& rng, const std::vector<Step>& model, int n) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Step> steps;
    const double scale = 0.5 + unit(rng) * 2;
    size_t k = size_t(unit(rng) * double(model.size()) * 0.3);
    for (int j = 0; j < n; ++j) {
        double x = 0, y = 0;
        const int run = 1 + int(unit(rng) * 3);
        for (int r = 0; r < run && k < model.size(); ++r, ++k) {
            x += model[k].length * std::cos(model[k].angle);
            y += model[k].length * std::sin(model[k].angle);
        }
        const double angle = std::atan2(y, x) + (unit(rng) - 0.5) * 0.3;
        steps.push_back({angle, std::sqrt(x * x + y * y) * scale * (0.8 + unit(rng) * 0.4)});
    }
    return steps;
}

struct Family {
    const char* name;
    Shape shape;
    int maxModel, maxInput, cases;
};

TEST(Scoring, ExactSearchEqualsLiteralSearch) {
    // Sizes stay where the literal search finishes quickly: its cost grows
    // exponentially with runs of straight, parallel model vectors.
    const Family families[] = {
        {"random directions", Shape::Random, 60, 16, 1500},
        {"15-degree grid, degenerate lengths", Shape::Grid, 16, 6, 1500},
        {"freehand strokes", Shape::Freehand, 28, 5, 600},
        // Longer inputs, mostly made from the model: good records early, so
        // the bound on the remaining levels drops many groups and states.
        {"freehand strokes, longer inputs", Shape::Freehand, 24, 10, 400},
        {"15-degree grid, longer inputs", Shape::Grid, 18, 10, 400},
    };
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Scorer fast, literal;
    int matched = 0, total = 0;
    for (const Family& f : families) {
        for (int c = 0; c < f.cases; ++c) {
            const int m = 1 + int(unit(rng) * f.maxModel);
            const int n = 1 + int(unit(rng) * f.maxInput);
            const std::vector<Step> modelSteps = MakeModel(rng, f.shape, m);
            const bool derived = unit(rng) < 0.6;
            const std::vector<Step> inputSteps =
                derived ? InputFromModel(rng, modelSteps, n) : MakeModel(rng, f.shape, n);
            FactorVectorList input, model;
            Fill(input, inputSteps, unit(rng) < 0.5, unit(rng) < 0.15);
            Fill(model, modelSteps);
            // Both records start from the same garbage: fields that are not
            // written must stay alike too.
            CPredict_Score a, b;
            a.Scale1 = b.Scale1 = a.Scale2 = b.Scale2 = 123.0;
            a.ModelStart1 = b.ModelStart1 = a.ModelStart2 = b.ModelStart2 = 77;
            ASSERT_TRUE(fast.eval.Score(input, model, a, fast.stack, fast.points));
            ASSERT_TRUE(literal.eval.ScoreLiteralSearch(input, model, b, literal.stack, literal.points));
            ExpectSame(a, b, std::string(f.name) + " case " + std::to_string(c) + " n " + std::to_string(n) + " m " +
                                 std::to_string(m));
            if (HasFailure()) return;
            ++total;
            if (b.InputStart1 >= 0) ++matched;
        }
    }
    // The differential means something only when many cases do match.
    EXPECT_GT(matched, total / 4) << matched << " of " << total;
}

}  // namespace
