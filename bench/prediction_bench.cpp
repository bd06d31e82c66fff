// Model scoring, the exact search against the literal depth-first search it
// replaces (the reference; same results bit for bit, see prediction/Scoring.cpp).
// One call scores every model of a set against one input, as a prediction run
// does:
//   Everyday set: 1000 models of 4-20 vectors (polygons, rectangles, freehand
//     strokes, random zigzags)                       (aim: exact < 5 ms per call)
//   Adversarial set: 20 freehand models of 60 vectors that all head the same
//     way (near-straight jittered strokes, slow arcs, gentle zigzags, slowly
//     wandering strokes): long runs of straight, parallel vectors, where the
//     number of cuts explodes                        (aim: exact < 16 ms per call)
// Inputs of 3, 8 and 16 vectors, open (a stroke heading the same way) and
// closed (a regular polygon). Counters: chain evaluations per call; for the
// literal search on the adversarial set only the 3-vector inputs are run (the
// others take far too long), and one adversarial model alone against the open
// 8-vector input (set 2).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "prediction/Scoring.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct Step {
    double angle, length;
};

void Fill(FactorVectorList& list, const std::vector<Step>& steps, bool closed) {
    list.RemoveAll();
    list.Closed = closed ? 1 : 0;
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

double Wrapped(double a) {
    while (a > kPi) a -= 2 * kPi;
    while (a < -kPi) a += 2 * kPi;
    return a;
}

std::vector<Step> Polygon(int sides, double size, double heading) {
    std::vector<Step> steps;
    for (int k = 0; k < sides; ++k) steps.push_back({Wrapped(heading + 2 * kPi * k / sides), size});
    return steps;
}

// A stroke whose heading wanders by up to turn per step.
std::vector<Step> Stroke(std::mt19937& rng, int count, double heading, double turn, double bend, double lengthLow,
                         double lengthHigh) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Step> steps;
    for (int k = 0; k < count; ++k) {
        heading += bend + (unit(rng) - 0.5) * 2 * turn;
        steps.push_back({Wrapped(heading), lengthLow + unit(rng) * (lengthHigh - lengthLow)});
    }
    return steps;
}

struct ModelSet {
    std::vector<std::unique_ptr<FactorVectorList>> models;
    void Add(const std::vector<Step>& steps, bool closed) {
        models.push_back(std::make_unique<FactorVectorList>());
        Fill(*models.back(), steps, closed);
    }
};

const ModelSet& Everyday() {
    static const ModelSet set = [] {
        ModelSet s;
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int i = 0; i < 1000; ++i) {
            const int m = 4 + int(unit(rng) * 17);  // 4..20
            const double heading = (unit(rng) * 2 - 1) * kPi;
            switch (i % 4) {
            case 0:
                s.Add(Polygon(m, 5 + unit(rng) * 50, heading), true);
                break;
            case 1: {  // rectangles with extra vertices along the sides
                std::vector<Step> steps;
                const double w = 10 + unit(rng) * 60, h = 10 + unit(rng) * 60;
                for (int k = 0; k < m; ++k)
                    steps.push_back({Wrapped(heading + kPi / 2 * (k * 4 / m)), ((k * 4 / m) % 2 ? h : w) / (m / 4.0)});
                s.Add(steps, true);
                break;
            }
            case 2:
                s.Add(Stroke(rng, m, heading, 0.3, 0.0, 2, 10), false);
                break;
            default:
                s.Add(Stroke(rng, m, heading, 1.5, 0.0, 1, 20), false);
                break;
            }
        }
        return s;
    }();
    return set;
}

const ModelSet& Adversarial() {
    static const ModelSet set = [] {
        ModelSet s;
        std::mt19937 rng(29);
        for (int i = 0; i < 20; ++i) {
            switch (i % 4) {
            case 0:  // near-straight, jittered
                s.Add(Stroke(rng, 60, 0.0, 0.05, 0.0, 1, 3), false);
                break;
            case 1:  // a slow arc, counter-clockwise like the closed inputs
                s.Add(Stroke(rng, 60, 0.0, 0.01, 2 * kPi / 60 * (0.5 + 0.25 * (i % 3)), 1, 2), false);
                break;
            case 2: {  // a gentle zigzag around heading 0
                std::vector<Step> steps;
                for (int k = 0; k < 60; ++k) steps.push_back({k % 2 ? 0.3 : -0.3, 1.0 + 0.1 * (k % 3)});
                s.Add(steps, false);
                break;
            }
            default:  // slowly wandering
                s.Add(Stroke(rng, 60, 0.0, 0.15, 0.0, 1, 4), false);
                break;
            }
        }
        return s;
    }();
    return set;
}

// The first adversarial model alone: the literal search's cost for one long
// model against an 8-vector input.
const ModelSet& FirstAdversarial() {
    static const ModelSet set = [] {
        ModelSet s;
        s.models.push_back(std::make_unique<FactorVectorList>());
        s.models.back()->CopyFrom(*Adversarial().models[0]);
        return s;
    }();
    return set;
}

// Open: a stroke heading 0 (each vector a few model vectors long); closed: a
// regular polygon starting at heading 0.
FactorVectorList MakeInput(int n, bool closed) {
    FactorVectorList input;
    if (closed) {
        Fill(input, Polygon(n, 12, 0.0), true);
    } else {
        std::mt19937 rng(5);
        Fill(input, Stroke(rng, n, 0.0, 0.08, 0.0, 4, 8), false);
    }
    return input;
}

template <bool kLiteral>
void BM_Score(benchmark::State& state) {
    const ModelSet& set = state.range(0) == 0 ? Everyday() : state.range(0) == 1 ? Adversarial() : FirstAdversarial();
    const FactorVectorList input = MakeInput(int(state.range(1)), state.range(2) != 0);
    CPredict_Eval eval;
    CArrayAuto<CPredict_StackData> stack;
    CArrayAuto<CPredict_PointData> points;
    CPredict_Score score;
    double matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const auto& model : set.models) {
            if (kLiteral)
                eval.ScoreLiteralSearch(input, *model, score, stack, points);
            else
                eval.Score(input, *model, score, stack, points);
            benchmark::DoNotOptimize(score);
            if (score.InputStart1 >= 0) ++matched;
        }
    }
    state.counters["evals/call"] = double(eval.ChainEvaluations) / double(state.iterations());
    if (kLiteral) {
        // The exact search must give the same records, bit for bit.
        CPredict_Eval exact;
        for (const auto& model : set.models) {
            CPredict_Score a, b;
            eval.ScoreLiteralSearch(input, *model, a, stack, points);
            exact.Score(input, *model, b, stack, points);
            if (std::memcmp(&a, &b, sizeof a) != 0) state.SkipWithError("exact search differs from the literal one");
        }
    }
    state.counters["matched"] = matched;
    state.SetLabel(std::string(state.range(0) == 0 ? "1000 x 4-20" : state.range(0) == 1 ? "20 x 60" : "1 x 60") + ", input " +
                   std::to_string(state.range(1)) + (state.range(2) ? " closed" : " open"));
}

void AllInputs(benchmark::internal::Benchmark* b, bool literal) {
    for (int set = 0; set < 2; ++set)
        for (int n : {3, 8, 16})
            for (int closed = 0; closed < 2; ++closed) {
                if (literal && set == 1 && n > 3) continue;
                b->Args({set, n, closed});
            }
    b->Args({2, 8, 0});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Score<false>)->Name("Exact")->Apply([](auto* b) { AllInputs(b, false); });
BENCHMARK(BM_Score<true>)->Name("Literal")->Apply([](auto* b) { AllInputs(b, true); });

}  // namespace
