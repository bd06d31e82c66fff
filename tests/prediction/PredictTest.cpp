#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/model/QDXFactor.h"
#include "prediction/Predict.h"

namespace {

constexpr int32_t B = kChosenByScore1;

struct S {
    double score1, score2;
};

// Runs the selector on one score set; returns the chosen indices, in order.
std::vector<int32_t> Choose(const std::vector<S>& scores) {
    CPredict_Selector<3> selector;
    CArrayAuto<CPredict_Score> set;
    for (const S& s : scores) {
        CPredict_Score& r = *set.AddNew();
        r = CPredict_Score{};
        r.Score1 = s.score1;
        r.Score2 = s.score2;
    }
    EXPECT_TRUE(selector.Ring.Push(std::move(set)));
    CPredict_Score* chosen[3] = {nullptr, nullptr, nullptr};
    int32_t indices[3] = {-7, -7, -7};
    const int32_t count = selector.Select(chosen, indices);
    std::vector<int32_t> result;
    CArrayAuto<CPredict_Score>& newest = *selector.Ring.PeekNewest();
    for (int32_t k = 0; k < count; ++k) {
        result.push_back(indices[k]);
        EXPECT_EQ(chosen[k], newest.GetAt(uint32_t(indices[k] & ~B))) << "record of candidate " << k;
    }
    return result;
}

TEST(CandidateSelection, Cases) {
    struct Case {
        const char* name;
        std::vector<S> scores;
        std::vector<int32_t> chosen;
    };
    const std::vector<Case> cases = {
        {"two by score 1, third by score 2", {{0.9, 0.9}, {0.8, 0.8}, {0.5, 0.95}, {0.2, 0.6}}, {0 | B, 1 | B, 2}},
        {"ties keep the earlier model", {{0.5, 0.5}, {0.5, 0.5}}, {0 | B, 1 | B}},
        {"a third tie by score 1 takes the third place", {{0.5, 0.5}, {0.5, 0.5}, {0.25, 0.4}}, {0 | B, 1 | B, 2}},
        {"one by score 1, one by score 2 only", {{0.6, 0.1}, {0.1, 0.5}}, {0 | B, 1}},
        {"score 2 only fills slot 0 without the bit", {{0.2, 0.5}, {0.1, 0.2}}, {0}},
        {"exactly 0.3 is never chosen", {{0.3, 0.3}, {0.3, 0.3}}, {}},
        {"just above 0.3 by score 2", {{0.3, 0.3000001}}, {0}},
        {"pushed out of the top two becomes third", {{0.6, 0.7}, {0.8, 0.5}, {0.9, 0.6}}, {2 | B, 1 | B, 0}},
        {"dropped record below the score-2 bar stays out",
         {{0.6, 0.9}, {0.4, 0.2}, {0.7, 0.1}, {0.8, 0.1}}, {3 | B, 2 | B, 0}},
        {"later score 2 beats a dropped record", {{0.6, 0.5}, {0.7, 0.1}, {0.8, 0.1}, {0.1, 0.55}}, {2 | B, 1 | B, 3}},
        {"negative scores (no match) never chosen", {{-65536.0, -65536.0}, {-1, -1}}, {}},
        {"empty set", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Choose(c.scores), c.chosen) << c.name;
}

TEST(CandidateSelection, EmptyRingLeavesOutputsAlone) {
    CPredict_Selector<3> selector;
    EXPECT_EQ(selector.Ring.GetCapacity(), 512u);
    CPredict_Score* chosen[3] = {nullptr, nullptr, nullptr};
    int32_t indices[3] = {5, 6, 7};
    EXPECT_EQ(selector.Select(chosen, indices), 0);
    EXPECT_EQ(indices[0], 5);
    EXPECT_EQ(indices[2], 7);
}

void Read(QDXFactor& factor, const std::string& text) {
    factor.Reset();
    ASSERT_TRUE(factor.ParseText(text.c_str())) << text;
}

void AddModel(CPredict<3>& engine, const std::string& path) {
    QDXFactor factor;
    Read(factor, path);
    ASSERT_TRUE(engine.AddModelFromFactor(factor, 0)) << path;
}

void SetOldCandidates(CPredict<3>& engine) {
    for (auto& text : engine.Candidates) text.Assign("Diagram(0,0,0,qdxpath(Line(1,1)))");
    engine.CandidateCount = 3;
}

void ExpectNoCandidates(const CPredict<3>& engine, const char* name) {
    EXPECT_EQ(engine.CandidateCount, 0) << name;
    for (const auto& text : engine.Candidates) EXPECT_STREQ(text.GetText(), "") << name;
}

TEST(PredictEngine, StartsEmpty) {
    CPredict<3> engine;
    EXPECT_EQ(engine.CandidateCount, 0);
    EXPECT_EQ(engine.DataBase.Models.GetCount(), 0u);
    EXPECT_TRUE(engine.Selector.Ring.IsEmpty());
}

TEST(PredictEngine, EmptyDatabaseGivesNoCandidates) {
    CPredict<3> engine;
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(10,0)))");
    SetOldCandidates(engine);
    EXPECT_TRUE(engine.Predict(factor, 0));
    ExpectNoCandidates(engine, "empty database");
    EXPECT_EQ(engine.Selector.Ring.GetCount(), 1u);
}

TEST(PredictEngine, EmptyModelIsSkipped) {
    CPredict<3> engine;
    engine.DataBase.Models.AddNew();  // a "FactorVectorList(ff,o)" line
    AddModel(engine, "Diagram(0,0,1,qdxpath(Line(10,0)))");
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(20,0)))");
    EXPECT_TRUE(engine.Predict(factor, 0));
    ASSERT_EQ(engine.Scores.GetCount(), 2u);
    EXPECT_LT(engine.Scores.GetAt(0)->Score1, 0.0);
    EXPECT_LT(engine.Scores.GetAt(0)->Score2, 0.0);
    EXPECT_EQ(engine.Scores.GetAt(0)->InputStart1, -1);
    // Runs again the same way; the ring keeps only the newest set.
    EXPECT_TRUE(engine.Predict(factor, 0));
    EXPECT_EQ(engine.Selector.Ring.GetCount(), 1u);
}

TEST(PredictEngine, FailedRunLeavesNoOldCandidates) {
    struct Case {
        const char* name;
        std::string factor;
        int32_t step;
    };
    const std::vector<Case> cases = {
        {"not a path", "Line(0,0,16,16,16,ff0000,255)", 0},
        {"segment starts with a separator", "Diagram(0,0,1,qdxpath(Line(1,1),Separator,Separator))", 2},
        {"step beyond the path", "Diagram(0,0,1,qdxpath(Line(1,1)))", 5},
        {"negative step", "Diagram(0,0,1,qdxpath(Line(1,1)))", -1},
        {"input without vectors", "Diagram(0,0,1,qdxpath(Tip))", 0},
    };
    for (const Case& c : cases) {
        CPredict<3> engine;
        AddModel(engine, "Diagram(0,0,1,qdxpath(Line(10,0)))");
        QDXFactor factor;
        Read(factor, c.factor);
        SetOldCandidates(engine);
        bool ok = true;
        EXPECT_NO_THROW(ok = engine.Predict(factor, c.step)) << c.name;
        EXPECT_FALSE(ok) << c.name;
        ExpectNoCandidates(engine, c.name);
    }
}

void SetScore(CPredict<3>& engine, uint32_t model, double score1, double score2, int32_t inputStart2) {
    CPredict_Score& s = *engine.Scores.GetAt(model);
    s = CPredict_Score{};
    s.Score1 = score1;
    s.Score2 = score2;
    s.Scale1 = s.Scale2 = 1;
    s.InputStart1 = 0;
    s.InputStart2 = inputStart2;
}

TEST(PredictEngine, CandidatesFromScores) {
    CPredict<3> engine;
    AddModel(engine, "Diagram(0,0,a,qdxpath(Line(10,0),Line(10,10)))");
    AddModel(engine, "Diagram(0,0,b,qdxpath(Line(0,10)))");
    AddModel(engine, "Diagram(0,0,c,qdxpath(Line(10,0)))");
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(10,0)))");
    ASSERT_TRUE(engine.Input.SetPath(factor, 0));
    engine.Scores.SetCount(3);
    SetScore(engine, 0, 0.2, 0.9, 0);
    SetScore(engine, 1, 0.1, 0.1, 0);
    SetScore(engine, 2, 0.95, 0.95, 0);
    SetOldCandidates(engine);
    ASSERT_TRUE(engine.ChooseAndWrite(factor, 0));
    ASSERT_EQ(engine.CandidateCount, 2);
    EXPECT_EQ(engine.ChosenIndex[0], 2 | kChosenByScore1);
    EXPECT_EQ(engine.ChosenIndex[1], 0);
    EXPECT_STREQ(engine.Candidates[0].GetText(), "Diagram(0,0,c,qdxpath(Line(10,0)))");
    EXPECT_STREQ(engine.Candidates[1].GetText(), "Diagram(0,0,a,qdxpath(Line(10,0),Line(10,10)))");
    EXPECT_STREQ(engine.Candidates[2].GetText(), "");
}

TEST(PredictEngine, CandidateThatCannotBeWrittenEndsTheCount) {
    CPredict<3> engine;
    AddModel(engine, "Diagram(0,0,a,qdxpath(Line(10,0)))");
    AddModel(engine, "Diagram(0,0,b,qdxpath(Line(10,0)))");
    AddModel(engine, "Diagram(0,0,c,qdxpath(Line(10,0)))");
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(10,0)))");
    ASSERT_TRUE(engine.Input.SetPath(factor, 0));
    engine.Scores.SetCount(3);
    SetScore(engine, 0, 0.9, 0.9, 0);
    SetScore(engine, 1, 0.8, 0.8, 0);
    SetScore(engine, 2, 0.1, 0.7, 4);  // chosen by score 2, its input start outside the input
    SetOldCandidates(engine);
    EXPECT_FALSE(engine.ChooseAndWrite(factor, 0));
    EXPECT_EQ(engine.CandidateCount, 2);
    EXPECT_STREQ(engine.Candidates[0].GetText(), "Diagram(0,0,a,qdxpath(Line(10,0)))");
    EXPECT_STREQ(engine.Candidates[1].GetText(), "Diagram(0,0,b,qdxpath(Line(10,0)))");
    EXPECT_STREQ(engine.Candidates[2].GetText(), "");

    // The first candidate failing leaves none.
    SetScore(engine, 0, 0.9, 0.9, 0);
    engine.Scores.GetAt(0)->InputStart1 = 3;
    SetOldCandidates(engine);
    EXPECT_FALSE(engine.ChooseAndWrite(factor, 0));
    ExpectNoCandidates(engine, "first fails");
}

TEST(PredictEngine, AddModelCopiesTheInput) {
    CPredict<3> engine;
    QDXFactor factor;
    Read(factor, "Diagram(0,0,ab,qdxpath(Line(10,0),Separator,Line(10,10),Line(0,0)))");
    ASSERT_TRUE(engine.AddModelFromFactor(factor, 3));
    ASSERT_EQ(engine.DataBase.Models.GetCount(), 1u);
    const FactorVectorList& model = *engine.DataBase.Models.GetAt(0);
    ASSERT_EQ(model.GetCount(), 2u);
    EXPECT_EQ(model.Color, 0xabu);
    EXPECT_EQ(model.HasSeparator, 1);
    EXPECT_DOUBLE_EQ(model.GetAt(0)->Length, 10.0);
    EXPECT_EQ(model.TotalLength, engine.Input.List.TotalLength);

    Read(factor, "Line(0,0,16,16,16,ff0000,255)");
    EXPECT_FALSE(engine.AddModelFromFactor(factor, 0));
    Read(factor, "Diagram(0,0,ab,qdxpath(Line(10,0)))");
    EXPECT_FALSE(engine.AddModelFromFactor(factor, 2));
    EXPECT_EQ(engine.DataBase.Models.GetCount(), 1u);
}

}  // namespace
