#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "document/model/QDXFactor.h"
#include "prediction/PredictInput.h"
#include "prediction/PredictOutput.h"

namespace {

const double kPi = 3.141592653589793;

void Read(QDXFactor& factor, const std::string& text) {
    factor.Reset();
    ASSERT_TRUE(factor.ParseText(text.c_str())) << text;
}

// A model made the way the add-model command makes one: the input of a path.
void ModelFromPath(FactorVectorList& model, const std::string& path, uint32_t color) {
    QDXFactor factor;
    Read(factor, path);
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 0)) << path;
    model.CopyFrom(input.List);
    model.Color = color;
}

struct M {
    int32_t kind;
    double angle, length;
};

void ModelFromVectors(FactorVectorList& model, const std::vector<M>& vectors, bool closed, uint32_t color) {
    model.RemoveAll();
    double x = 0, y = 0;
    for (const M& m : vectors) {
        FactorVector& v = *model.AddNew();
        v = FactorVector{};
        v.Kind = m.kind;
        v.Angle = m.angle;
        v.Length = m.length;
        v.StartX = x;
        v.StartY = y;
        x += m.length * std::cos(m.angle);
        y += m.length * std::sin(m.angle);
    }
    model.Closed = closed ? 1 : 0;
    model.Color = color;
}

CPredict_Score Match(double scale, int32_t inputStart, int32_t modelStart) {
    CPredict_Score s;
    s.Score1 = s.Score2 = 1.0;
    s.Scale1 = s.Scale2 = scale;
    s.InputStart1 = s.InputStart2 = inputStart;
    s.ModelStart1 = s.ModelStart2 = modelStart;
    return s;
}

struct Case {
    const char* name;
    std::string factor;
    int32_t step;
    std::string model;  // a path text whose vectors are the model
    bool modelClosedByPath;
    CPredict_Score score;
    std::string expected;
};

TEST(CandidateText, WrittenCandidates) {
    const std::vector<Case> cases = {
        {"one segment, scale 2", "Diagram(0,0,1,qdxpath(Line(100,0)))", 0,
         "Diagram(0,0,ff,qdxpath(Line(50,0),Line(50,50)))", false, Match(2, 0, 0),
         "Diagram(0,0,ff,qdxpath(Line(100,0),Line(100,100)))"},
        {"model start and input start place the header", "Diagram(100,100,1,qdxpath(Line(110,100),Line(110,110)))", 0,
         "Diagram(0,0,1,qdxpath(Line(10,0),Line(10,10),Line(0,10),Line(0,0)))", false, Match(1, 1, 1),
         "Diagram(100,100,1,qdxpath(Line(110,100),Line(110,110),Line(100,110),Line(100,100)))"},
        {"separator before: earlier nodes copied, model from their end",
         "Diagram(0,0,1,qdxpath(Line(10,0),Separator,Line(20,0)))", 2, "Diagram(0,0,7,qdxpath(Line(0,10)))", false,
         Match(1, 0, 0), "Diagram(0,0,7,qdxpath(Line(10,0),Separator,Line(10,10)))"},
        {"nodes after the next separator follow the model's end; ! only after",
         "Diagram(0,0,1,qdxpath(!Jump(5,5),!Line(6,6),Separator,Line(10,0),Separator,!Jump(20,20),!Line(30,30),"
         "Return,Tip,CircleCurve(1,2,3,4,t),!Arc(5,6,7,8)))",
         3, "Diagram(0,0,1,qdxpath(Line(10,0)))", false, Match(1, 0, 0),
         "Diagram(0,0,1,qdxpath(Jump(5,5),!Line(6,6),Separator,Line(16,6),Separator,!Jump(26,26),!Line(36,36),"
         "Return,Tip,CircleCurve(7,8,9,10,t),!Arc(11,12,13,14)))"},
        {"curves scaled with their control points", "Diagram(0,0,1,qdxpath(Line(4,0)))", 0,
         "Diagram(0,0,1,qdxpath(CircleCurve(20,0,10,0,t),Arc(20,20,30,0)))", false, Match(0.5, 0, 0),
         "Diagram(0,0,1,qdxpath(CircleCurve(10,0,5,0,t),Arc(10,10,15,0)))"},
        {"closed model ends on the segment start", "Diagram(3,4,1,qdxpath(Line(50,4)))", 0,
         "Diagram(0,0,ff,qdxpath(Line(10,0),Line(10,10),Line(0,0)))", true, Match(1.37, 0, 0),
         "Diagram(3,4,ff,qdxpath(Line(16,4),Line(16,17),Line(3,4)))"},
        {"closed model ends on its latest jump, not the start", "Diagram(0,0,1,qdxpath(Line(50,0)))", 0,
         "Diagram(0,0,1,qdxpath(Line(10,0),Jump(20,0),Line(30,0),Line(20,0)))", true, Match(1.05, 0, 0),
         "Diagram(0,0,1,qdxpath(Line(10,0),Jump(21,0),Line(31,0),Line(21,0)))"},
        {"segment end after returns", "Diagram(0,0,1,qdxpath(Line(10,0),Line(10,10),Return,Separator,Line(0,0)))", 0,
         "Diagram(0,0,1,qdxpath(Line(0,5)))", false, Match(1, 0, 0),
         "Diagram(0,0,1,qdxpath(Line(0,5),Separator,Line(-10,5)))"},
    };
    for (const Case& c : cases) {
        QDXFactor factor;
        Read(factor, c.factor);
        CPredict_Input input;
        ASSERT_TRUE(input.SetPath(factor, c.step)) << c.name;
        FactorVectorList model;
        ModelFromPath(model, c.model, 0);
        QDXFactor modelFactor;
        Read(modelFactor, c.model);
        model.Color = modelFactor.Color1;
        if (!c.modelClosedByPath) model.Closed = 0;
        CStr_base<1024> out("old");
        CPredict_Output output;
        EXPECT_TRUE(output.WriteCandidate(c.score, kChosenByScore1, input.List, model, factor, c.step, out)) << c.name;
        EXPECT_EQ(std::string(out.GetText()), c.expected) << c.name;
        // What the editor does with it: the current parser must take it.
        QDXFactor applied;
        applied.Reset();
        EXPECT_TRUE(applied.ParseText(out.GetText())) << c.name;
    }
}

TEST(CandidateText, ReturnFirstAndTruncationTowardZero) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(5,0)))");
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 0));
    struct Row {
        const char* name;
        std::vector<M> model;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"return first stays at the start", {{5, 0, 0}, {1, 0, 10}}, "Diagram(0,0,2,qdxpath(Return,Line(10,0)))"},
        {"x of -0.7 is written 0", {{1, kPi, 0.7}}, "Diagram(0,0,2,qdxpath(Line(0,0)))"},
        {"x of -1.7 is written -1", {{1, kPi, 1.7}}, "Diagram(0,0,2,qdxpath(Line(-1,0)))"},
        {"tip and separator kinds move nothing", {{1, 0, 3}, {6, 0, 9}, {7, 0, 9}, {1, kPi / 2, 2}},
         "Diagram(0,0,2,qdxpath(Line(3,0),Tip,Separator,Line(3,2)))"},
        {"unknown kind moves as a line, writes nothing", {{9, 0, 4}, {1, kPi / 2, 2}},
         "Diagram(0,0,2,qdxpath(Line(4,2)))"},
    };
    for (const Row& r : rows) {
        FactorVectorList model;
        ModelFromVectors(model, r.model, false, 2);
        CStr_base<1024> out;
        CPredict_Output output;
        EXPECT_TRUE(output.WriteCandidate(Match(1, 0, 0), kChosenByScore1, input.List, model, factor, 0, out))
            << r.name;
        EXPECT_EQ(std::string(out.GetText()), r.expected) << r.name;
    }
}

TEST(CandidateText, HalfOfTheScoreByIndexBit) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(5,0)))");
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 0));
    FactorVectorList model;
    ModelFromVectors(model, {{1, 0, 10}}, false, 3);
    CPredict_Score score = Match(1, 0, 0);
    score.Scale2 = 3;
    CPredict_Output output;
    CStr_base<1024> out;
    ASSERT_TRUE(output.WriteCandidate(score, 0 | kChosenByScore1, input.List, model, factor, 0, out));
    EXPECT_STREQ(out.GetText(), "Diagram(0,0,3,qdxpath(Line(10,0)))");
    ASSERT_TRUE(output.WriteCandidate(score, 0, input.List, model, factor, 0, out));
    EXPECT_STREQ(out.GetText(), "Diagram(0,0,3,qdxpath(Line(30,0)))");
}

TEST(CandidateText, Failures) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(5,0),Line(5,5)))");
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 0));
    FactorVectorList model;
    ModelFromVectors(model, {{1, 0, 10}}, false, 3);
    FactorVectorList empty;
    QDXFactor returnsOnly;
    Read(returnsOnly, "Diagram(0,0,1,qdxpath(Line(5,0),Return))");
    CPredict_Input returnsInput;
    ASSERT_TRUE(returnsInput.SetPath(returnsOnly, 0));

    struct Row {
        const char* name;
        CPredict_Score score;
        const FactorVectorList* input;
        const FactorVectorList* model;
        const QDXFactor* factor;
        int32_t step;
    };
    const std::vector<Row> rows = {
        {"no match recorded", Match(1, -1, 0), &input.List, &model, &factor, 0},
        {"input start beyond the input", Match(1, 2, 0), &input.List, &model, &factor, 0},
        {"model start beyond the model", Match(1, 0, 1), &input.List, &model, &factor, 0},
        {"empty model", Match(1, 0, 0), &input.List, &empty, &factor, 0},
        {"segment without a drawing node", Match(1, 0, 0), &returnsInput.List, &model, &returnsOnly, 0},
        {"step beyond the path", Match(1, 0, 0), &input.List, &model, &factor, 3},
    };
    for (const Row& r : rows) {
        CStr_base<1024> out("old");
        CPredict_Output output;
        bool ok = true;
        EXPECT_NO_THROW(ok = output.WriteCandidate(r.score, kChosenByScore1, *r.input, *r.model, *r.factor, r.step, out))
            << r.name;
        EXPECT_FALSE(ok) << r.name;
        EXPECT_STREQ(out.GetText(), "") << r.name;
    }
}

}  // namespace
