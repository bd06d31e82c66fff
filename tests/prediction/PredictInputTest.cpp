#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "document/model/QDXFactor.h"
#include "prediction/PredictInput.h"

namespace {

const double kPi = 3.141592653589793;

// A factor read from its document text, as the editor holds it.
void Read(QDXFactor& factor, const std::string& text) {
    factor.Reset();
    ASSERT_TRUE(factor.ParseText(text.c_str())) << text;
}

struct Vec {
    int32_t kind;
    double angle, length, startX, startY;
};

struct Case {
    const char* name;
    std::string factor;
    int32_t step;
    std::vector<Vec> vectors;
    uint8_t closed;
    uint8_t hasSeparator;
    double mean;
};

TEST(PredictInput, SegmentsAsVectors) {
    const double r2 = std::sqrt(2.0);
    const std::vector<Case> cases = {
        {"closed triangle", "Diagram(0,0,ff,qdxpath(Line(10,0),Line(10,10),Line(0,0)))", 0,
         {{1, 0, 10, 0, 0}, {1, kPi / 2, 10, 10, 0}, {1, -3 * kPi / 4, 10 * r2, 10, 10}}, 1, 0, (20 + 10 * r2) / 3},
        {"segment after a separator", "Diagram(0,0,ff,qdxpath(Line(10,0),Line(10,10),Separator,Line(0,0)))", 3,
         {{1, -3 * kPi / 4, 10 * r2, 0, 0}}, 0, 1, 10 * r2},
        {"separator after the current node", "Diagram(5,5,1,qdxpath(Line(15,5),Separator,Line(0,0)))", 1,
         {{1, 0, 10, 0, 0}}, 0, 1, 10},
        {"current node on the last one", "Diagram(0,0,1,qdxpath(Line(3,4),Line(3,0)))", 2,
         {{1, std::atan2(4.0, 3.0), 5, 0, 0}, {1, -kPi / 2, 4, 3, 4}}, 0, 0, 4.5},
        {"return first makes a zero vector", "Diagram(2,3,1,qdxpath(Return,Line(2,13)))", 0,
         {{5, 0, 0, 0, 0}, {1, kPi / 2, 10, 0, 0}}, 0, 0, 5},
        {"return goes back, twice to the same point",
         "Diagram(0,0,1,qdxpath(Line(10,0),Line(10,10),Return,Return,Line(0,10)))", 0,
         {{1, 0, 10, 0, 0}, {1, kPi / 2, 10, 10, 0}, {5, -kPi / 2, 10, 10, 10}, {5, 0, 0, 10, 0},
          {1, 3 * kPi / 4, 10 * r2, 10, 0}}, 0, 0, (30 + 10 * r2) / 5},
        {"tips skipped but counted in the mean", "Diagram(0,0,1,qdxpath(Tip,Line(8,0),Tip))", 1,
         {{1, 0, 8, 0, 0}}, 0, 0, 8.0 / 3},
        {"jump moves the closing point, not the origin",
         "Diagram(0,0,1,qdxpath(Line(10,0),Jump(20,0),Line(30,0),Line(20,0)))", 0,
         {{1, 0, 10, 0, 0}, {4, 0, 10, 10, 0}, {1, 0, 10, 20, 0}, {1, kPi, 10, 30, 0}}, 1, 0, 10},
        {"separator with no drawing node before keeps the start",
         "Diagram(7,0,1,qdxpath(Return,Separator,Line(7,9)))", 2, {{1, kPi / 2, 9, 0, 0}}, 0, 1, 9},
    };
    for (const Case& c : cases) {
        QDXFactor factor;
        Read(factor, c.factor);
        CPredict_Input input;
        ASSERT_TRUE(input.SetPath(factor, c.step)) << c.name;
        const FactorVectorList& list = input.List;
        ASSERT_EQ(list.GetCount(), c.vectors.size()) << c.name;
        for (uint32_t k = 0; k < list.GetCount(); ++k) {
            const FactorVector& v = *list.GetAt(k);
            EXPECT_EQ(v.Kind, c.vectors[k].kind) << c.name << " vector " << k;
            EXPECT_NEAR(v.Angle, c.vectors[k].angle, 1e-12) << c.name << " vector " << k;
            EXPECT_NEAR(v.Length, c.vectors[k].length, 1e-12) << c.name << " vector " << k;
            EXPECT_NEAR(v.StartX, c.vectors[k].startX, 1e-12) << c.name << " vector " << k;
            EXPECT_NEAR(v.StartY, c.vectors[k].startY, 1e-12) << c.name << " vector " << k;
        }
        EXPECT_EQ(list.Closed, c.closed) << c.name;
        EXPECT_EQ(list.HasSeparator, c.hasSeparator) << c.name;
        EXPECT_NEAR(list.MeanLength, c.mean, 1e-12) << c.name;
        EXPECT_EQ(list.Color, factor.Color1) << c.name;
    }
}

TEST(PredictInput, CurveControlPoints) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(10,0),CircleCurve(20,10,10,10,t),Arc(0,0,20,0),"
                 "CircleCurve(0,5,0,0,f)))");
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 0));
    ASSERT_EQ(input.List.GetCount(), 4u);
    const struct {
        int32_t kind;
        double controlAngle, controlDistance;
        uint8_t flag;
    } expected[] = {{1, 0, 0, 0}, {2, kPi / 2, 10, 1}, {3, -kPi / 2, 10, 0}, {2, 0, 0, 0}};
    for (uint32_t k = 0; k < 4; ++k) {
        const FactorVector& v = *input.List.GetAt(k);
        EXPECT_EQ(v.Kind, expected[k].kind) << k;
        EXPECT_NEAR(v.ControlAngle, expected[k].controlAngle, 1e-12) << k;
        EXPECT_NEAR(v.ControlDistance, expected[k].controlDistance, 1e-12) << k;
        EXPECT_EQ(v.Flag, expected[k].flag) << k;
    }
}

TEST(PredictInput, Refusals) {
    struct Refusal {
        const char* name;
        std::string factor;
        int32_t step;
    };
    const std::vector<Refusal> cases = {
        {"line shape", "Line(0,0,16,16,16,ff0000,255)", 0},
        {"empty path", "Diagram(0,0,1,qdxpath())", 0},
        {"segment starts with a separator", "Diagram(0,0,1,qdxpath(Line(1,1),Separator,Separator,Line(2,2)))", 2},
        {"separator is the last node", "Diagram(0,0,1,qdxpath(Line(1,1),Separator))", 2},
        {"step beyond the nodes", "Diagram(0,0,1,qdxpath(Line(1,1)))", 2},
        {"negative step", "Diagram(0,0,1,qdxpath(Line(1,1)))", -1},
    };
    for (const Refusal& c : cases) {
        QDXFactor factor;
        Read(factor, c.factor);
        CPredict_Input input;
        input.List.AddNew()->Length = 99.0;
        input.List.Color = 0x1234;
        bool ok = true;
        EXPECT_NO_THROW(ok = input.SetPath(factor, c.step)) << c.name;
        EXPECT_FALSE(ok) << c.name;
    }
    // Refused before the list is touched.
    QDXFactor line;
    Read(line, "Line(0,0,16,16,16,ff0000,255)");
    CPredict_Input input;
    input.List.AddNew()->Length = 99.0;
    EXPECT_FALSE(input.SetPath(line, 0));
    ASSERT_EQ(input.List.GetCount(), 1u);
    EXPECT_EQ(input.List.GetAt(0)->Length, 99.0);
}

TEST(PredictInput, NodeTypeOutsideTheListFails) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Line(1,1),Line(2,2)))");
    factor.Path.GetAt(1)->Type = 9;
    CPredict_Input input;
    EXPECT_FALSE(input.SetPath(factor, 0));
}

TEST(PredictInput, OnlyTipsGiveNoVectors) {
    QDXFactor factor;
    Read(factor, "Diagram(0,0,1,qdxpath(Tip,Tip))");
    CPredict_Input input;
    ASSERT_TRUE(input.SetPath(factor, 1));
    EXPECT_EQ(input.List.GetCount(), 0u);
    EXPECT_EQ(input.List.TotalLength, 0.0);
}

TEST(PredictInput, AllPathKindsAccepted) {
    for (const char* text : {"DiagramA(0,0,1,qdxpath(Line(1,0)))", "Diagram(0,0,1,qdxpath(Line(1,0)))"}) {
        QDXFactor factor;
        Read(factor, text);
        CPredict_Input input;
        EXPECT_TRUE(input.SetPath(factor, 0)) << text;
    }
    for (uint32_t kind : {1u, 11u, 101u, 111u}) EXPECT_TRUE(IsPredictPathKind(kind)) << kind;
    for (uint32_t kind : {0u, 2u, 12u, 102u, 112u}) EXPECT_FALSE(IsPredictPathKind(kind)) << kind;
}

}  // namespace
