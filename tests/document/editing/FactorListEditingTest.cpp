#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"

namespace {

const char kLine[] = "Line(0,0,16,16,16,ff0000,255)";

// A factor as the renumbering sees it: its kind and the numbers it holds.
std::string Describe(const QDXFactor& f) {
    switch (f.Kind) {
        case 102:
            return "Line";
        case 112:
            return "FrameRef " + std::to_string(f.RefNumber1);
        case 1106:
            return "DT2 " + std::to_string(f.RefNumber1) + " " + std::to_string(f.RefNumber2);
        case 1111:
            return "Foreach " + std::to_string(f.RefNumber1) + " " + std::to_string(f.RefNumber2);
        case 1115:
            return "SetMaskRef " + std::to_string(f.RefNumber1);
        case 1101:
            return std::string("Ghost ") + f.SourceName.GetText() + " " + std::to_string(f.RefNumber1);
        default:
            return "kind " + std::to_string(f.Kind);
    }
}

QDXObject& Get(CQDXCtrl& doc, const char* name) { return doc.Objects.Find(name)->GetValue(); }

std::vector<std::string> Describe(CQDXCtrl& doc, const char* name) {
    std::vector<std::string> out;
    for (const QDXFactor* f : Get(doc, name).Factors) out.push_back(Describe(*f));
    return out;
}

// Every factor of the object carries "<name>?<position>".
void ExpectNamesFollowPositions(CQDXCtrl& doc, const char* name) {
    uint32_t i = 0;
    for (const QDXFactor* f : Get(doc, name).Factors) {
        EXPECT_EQ(std::string(f->Name.GetText()), std::string(name) + "?" + std::to_string(i)) << name;
        ++i;
    }
}

std::string Save(CQDXCtrl& doc) {
    CStr_base<16384> text;
    EXPECT_TRUE(doc.SaveString(text));
    return text.GetText();
}

// A: one factor of every own-list kind, and a GhostFactor of itself.
// G: GhostFactors naming A (one past A's end, one negative), and some that
// must never be renumbered: reserved names and a name that merely starts
// with "A".
class FactorListEditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.AddObjectFromText("A",
                                          "Render(8,8,0,array(FrameRef(4,16,ff),DiagramTransform2(1,\"B\",0),"
                                          "Foreach(3,4),SetMaskRef(2),GhostFactor(\"A\",3)))"));
        ASSERT_TRUE(doc.AddObjectFromText("G",
                                          "Render(8,8,0,array(GhostFactor(\"A\",4),GhostFactor(\"A\",5),"
                                          "GhostFactor(\"A\",-1),GhostFactor(\"_PrevObject\",4),"
                                          "GhostFactor(\"_Template1\",4),GhostFactor(\"AB\",4)))"));
        ASSERT_TRUE(doc.AddObjectFromText("B", "Render(8,8,0,array(Line(0,0,16,16,16,ff0000,255)))"));
        ASSERT_EQ(Describe(doc, "A"),
                  (std::vector<std::string>{"FrameRef 4", "DT2 1 0", "Foreach 3 4", "SetMaskRef 2", "Ghost A 3"}));
    }

    QDXObject& A() { return Get(doc, "A"); }

    CQDXCtrl doc;
};

struct RenumberCase {
    const char* name;
    std::function<bool(QDXObject&)> edit;
    std::vector<std::string> a;
    std::vector<int32_t> ghostsOfG;  // the first three GhostFactors of G
};

TEST_F(FactorListEditingTest, EditsRenameAndRenumberEveryReferenceIntoTheList) {
    const std::vector<RenumberCase> cases = {
        {"delete 2: later numbers down, a number equal to 2 stays",
         [](QDXObject& o) { return o.DeleteFactor(2); },
         {"FrameRef 3", "DT2 1 0", "SetMaskRef 2", "Ghost A 2"},
         {3, 4, -1}},
        {"delete the last",
         [](QDXObject& o) { return o.DeleteFactor(4); },
         {"FrameRef 4", "DT2 1 0", "Foreach 3 4", "SetMaskRef 2"},
         {4, 4, -1}},
        {"insert at 1: numbers from 1 up; the new factor keeps its own",
         [](QDXObject& o) { return o.InsertFactor(1, "FrameRef(1,16,ff)"); },
         {"FrameRef 5", "FrameRef 1", "DT2 2 0", "Foreach 4 5", "SetMaskRef 3", "Ghost A 4"},
         {5, 6, -1}},
        {"insert at the end: only numbers at or past the end grow",
         [](QDXObject& o) { return o.InsertFactor(5, kLine); },
         {"FrameRef 4", "DT2 1 0", "Foreach 3 4", "SetMaskRef 2", "Ghost A 3", "Line"},
         {4, 6, -1}},
        {"insert a GhostFactor of the object itself: it is renumbered too",
         [](QDXObject& o) { return o.InsertFactor(0, "GhostFactor(\"A\",0)"); },
         {"Ghost A 1", "FrameRef 5", "DT2 2 1", "Foreach 4 5", "SetMaskRef 3", "Ghost A 4"},
         {5, 6, -1}},
        {"append: nothing moves",
         [](QDXObject& o) { return o.AppendFactor(kLine); },
         {"FrameRef 4", "DT2 1 0", "Foreach 3 4", "SetMaskRef 2", "Ghost A 3", "Line"},
         {4, 5, -1}},
        {"swap 3 with the next",
         [](QDXObject& o) { return o.SwapFactorWithNext(3); },
         {"FrameRef 3", "DT2 1 0", "Foreach 4 3", "Ghost A 4", "SetMaskRef 2"},
         {3, 5, -1}},
        {"swap 4 with the previous is the same exchange",
         [](QDXObject& o) { return o.SwapFactorWithPrevious(4); },
         {"FrameRef 3", "DT2 1 0", "Foreach 4 3", "Ghost A 4", "SetMaskRef 2"},
         {3, 5, -1}},
        {"move 4 to 1: 1..3 move up",
         [](QDXObject& o) { return o.MoveFactor(4, 1); },
         {"FrameRef 1", "Ghost A 4", "DT2 2 0", "Foreach 4 1", "SetMaskRef 3"},
         {1, 5, -1}},
        {"move 0 to 3: 1..3 move down",
         [](QDXObject& o) { return o.MoveFactor(0, 3); },
         {"DT2 0 3", "Foreach 2 4", "SetMaskRef 1", "FrameRef 4", "Ghost A 2"},
         {4, 5, -1}},
        {"remove the last: no renumbering",
         [](QDXObject& o) { return o.RemoveLastFactor(); },
         {"FrameRef 4", "DT2 1 0", "Foreach 3 4", "SetMaskRef 2"},
         {4, 5, -1}},
    };
    for (const RenumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        doc.Clear();
        SetUp();
        A().RenderState = QDXObject::kDrawn;
        A().CacheActive = true;
        ASSERT_TRUE(c.edit(A()));
        EXPECT_EQ(Describe(doc, "A"), c.a);
        ExpectNamesFollowPositions(doc, "A");
        const std::vector<std::string> g = Describe(doc, "G");
        EXPECT_EQ(g[0], "Ghost A " + std::to_string(c.ghostsOfG[0]));
        EXPECT_EQ(g[1], "Ghost A " + std::to_string(c.ghostsOfG[1]));
        EXPECT_EQ(g[2], "Ghost A " + std::to_string(c.ghostsOfG[2]));
        // Reserved names and other objects' names are left alone.
        EXPECT_EQ(g[3], "Ghost _PrevObject 4");
        EXPECT_EQ(g[4], "Ghost _Template1 4");
        EXPECT_EQ(g[5], "Ghost AB 4");
        ExpectNamesFollowPositions(doc, "G");
        EXPECT_EQ(A().RenderState, QDXObject::kNotDrawn);
        EXPECT_FALSE(A().CacheActive);
    }
}

TEST_F(FactorListEditingTest, RefusalsChangeNothing) {
    ASSERT_TRUE(doc.AddObjectFromText("L", "LinkPath(\"a.png\")"));
    const std::string before = Save(doc);
    QDXObject& link = Get(doc, "L");
    const struct {
        const char* name;
        std::function<bool()> edit;
    } cases[] = {
        {"insert past the end", [&] { return A().InsertFactor(6, kLine); }},
        {"delete past the end", [&] { return A().DeleteFactor(5); }},
        {"swap the last with the next", [&] { return A().SwapFactorWithNext(4); }},
        {"swap with the next past the end", [&] { return A().SwapFactorWithNext(UINT32_MAX); }},
        {"swap the first with the previous", [&] { return A().SwapFactorWithPrevious(0); }},
        {"swap with the previous past the end", [&] { return A().SwapFactorWithPrevious(5); }},
        {"move from past the end", [&] { return A().MoveFactor(5, 0); }},
        {"move to past the end", [&] { return A().MoveFactor(0, 5); }},
        {"replace past the end", [&] { return A().ReplaceFactorText(5, kLine); }},
        {"append that does not parse", [&] { return A().AppendFactor("Nope(1)"); }},
        {"insert that does not parse", [&] { return A().InsertFactor(1, "FrameRef(1,x,ff)"); }},
        {"append to a link", [&] { return link.AppendFactor(kLine); }},
        {"insert into a link", [&] { return link.InsertFactor(0, kLine); }},
        {"remove the last of a link", [&] { return link.RemoveLastFactor(); }},
        {"move in a link", [&] { return link.MoveFactor(0, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        A().RenderState = QDXObject::kDrawn;
        A().CacheActive = true;
        EXPECT_FALSE(c.edit());
        EXPECT_EQ(Save(doc), before);
        ExpectNamesFollowPositions(doc, "A");
        EXPECT_EQ(A().RenderState, QDXObject::kDrawn);
        EXPECT_TRUE(A().CacheActive);
    }
    // A move to the same place succeeds without touching anything.
    EXPECT_TRUE(A().MoveFactor(2, 2));
    EXPECT_EQ(Save(doc), before);
    EXPECT_EQ(A().RenderState, QDXObject::kDrawn);
    EXPECT_TRUE(A().CacheActive);
}

TEST_F(FactorListEditingTest, RemoveLastFactorStopsAtAnEmptyList) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(A().RemoveLastFactor());
    EXPECT_EQ(A().Factors.GetCount(), 0u);
    EXPECT_FALSE(A().RemoveLastFactor());
    // The records removed are reused, reset, by the next addition.
    ASSERT_TRUE(A().AppendFactor(kLine));
    EXPECT_EQ(Describe(doc, "A"), std::vector<std::string>{"Line"});
    ExpectNamesFollowPositions(doc, "A");
}

TEST_F(FactorListEditingTest, NoMoreFactorsThanTheReaderAccepts) {
    QDXObject& b = Get(doc, "B");
    while (b.Factors.GetCount() < kMaxFactorsPerObject) ASSERT_TRUE(b.AppendFactor(kLine));
    EXPECT_FALSE(b.AppendFactor(kLine));
    EXPECT_FALSE(b.InsertFactor(0, kLine));
    EXPECT_FALSE(b.InsertFactor(kMaxFactorsPerObject, kLine));
    EXPECT_EQ(b.Factors.GetCount(), kMaxFactorsPerObject);
    // What the editors made reads back.
    const std::string text = Save(doc);
    CQDXCtrl copy;
    ASSERT_EQ(copy.LoadString(text.c_str()), 0);
    EXPECT_EQ(Get(copy, "B").Factors.GetCount(), kMaxFactorsPerObject);
    ASSERT_TRUE(b.DeleteFactor(7));
    EXPECT_TRUE(b.InsertFactor(7, kLine));
    ExpectNamesFollowPositions(doc, "B");
}

TEST_F(FactorListEditingTest, ReplaceFactorTextParsesInPlaceAndKeepsTheName) {
    A().RenderState = QDXObject::kDrawn;
    ASSERT_TRUE(A().ReplaceFactorText(0, "!FrameRef(2,32,ff)"));
    const QDXFactor& f = *A().Factors.GetAt(0);
    EXPECT_EQ(Describe(f), "FrameRef 2");
    EXPECT_EQ(f.Width, 32);
    EXPECT_FALSE(f.Enabled);
    EXPECT_STREQ(f.Name.GetText(), "A?0");
    EXPECT_EQ(A().RenderState, QDXObject::kNotDrawn);
    // No renumbering: the list did not change order.
    EXPECT_EQ(Describe(doc, "A")[1], "DT2 1 0");

    // Another kind: the text's kind wins, the name stays.
    ASSERT_TRUE(A().ReplaceFactorText(1, kLine));
    EXPECT_EQ(Describe(*A().Factors.GetAt(1)), "Line");
    EXPECT_STREQ(A().Factors.GetAt(1)->Name.GetText(), "A?1");
}

TEST_F(FactorListEditingTest, ReplaceFactorTextThatDoesNotParseLeavesTheFactorAsItWas) {
    // The number is read before the bad width: read in place it would stay.
    QDXFactor probe;
    probe.Reset();
    ASSERT_TRUE(probe.ParseText("FrameRef(4,16,ff)"));
    ASSERT_FALSE(probe.ParseText("FrameRef(7,x,ff)"));
    ASSERT_EQ(probe.RefNumber1, 7);

    const std::string before = Save(doc);
    A().RenderState = QDXObject::kDrawn;
    EXPECT_FALSE(A().ReplaceFactorText(0, "FrameRef(7,x,ff)"));
    EXPECT_FALSE(A().ReplaceFactorText(1, "DiagramTransform2(3,\"C\",x)"));
    EXPECT_FALSE(A().ReplaceFactorText(2, "Nope(1)"));
    EXPECT_EQ(Save(doc), before);
    EXPECT_EQ(Describe(doc, "A")[0], "FrameRef 4");
    EXPECT_STREQ(A().Factors.GetAt(1)->SourceName.GetText(), "B");
    // The object is redrawn all the same.
    EXPECT_EQ(A().RenderState, QDXObject::kNotDrawn);
}

TEST_F(FactorListEditingTest, InsertThatDoesNotParseLeavesNamesAndNumbers) {
    const std::vector<std::string> a = Describe(doc, "A");
    const std::vector<std::string> g = Describe(doc, "G");
    for (uint32_t n : {0u, 2u, 5u}) {
        EXPECT_FALSE(A().InsertFactor(n, "GhostFactor(\"A\",x)"));
        EXPECT_EQ(A().Factors.GetCount(), 5u);
        EXPECT_EQ(Describe(doc, "A"), a);
        EXPECT_EQ(Describe(doc, "G"), g);
        ExpectNamesFollowPositions(doc, "A");
    }
}

// An object that draws A by name, and one that does not: the edits send the
// first back to stale, never the second, and a refused edit neither.
TEST_F(FactorListEditingTest, EditsInvalidateTheObjectsDrawingIt) {
    ASSERT_TRUE(doc.AddObjectFromText("C", "Render(8,8,0,array(Copy(0,0,8,8,\"A\",0,0)))"));
    QDXObject& c = Get(doc, "C");
    QDXObject& b = Get(doc, "B");
    const struct {
        const char* name;
        std::function<bool()> edit;
        bool succeeds;
    } cases[] = {
        {"append", [&] { return A().AppendFactor(kLine); }, true},
        {"insert", [&] { return A().InsertFactor(0, kLine); }, true},
        {"delete", [&] { return A().DeleteFactor(0); }, true},
        {"swap", [&] { return A().SwapFactorWithNext(0); }, true},
        {"move", [&] { return A().MoveFactor(0, 2); }, true},
        {"remove the last", [&] { return A().RemoveLastFactor(); }, true},
        {"replace", [&] { return A().ReplaceFactorText(0, kLine); }, true},
        {"append that does not parse", [&] { return A().AppendFactor("Nope("); }, false},
        {"insert that does not parse", [&] { return A().InsertFactor(0, "Nope("); }, false},
        {"replace that does not parse", [&] { return A().ReplaceFactorText(0, "Nope("); }, false},
    };
    for (const auto& e : cases) {
        SCOPED_TRACE(e.name);
        c.RenderState = QDXObject::kDrawn;
        b.RenderState = QDXObject::kDrawn;
        EXPECT_EQ(e.edit(), e.succeeds);
        EXPECT_EQ(c.RenderState, e.succeeds ? QDXObject::kNotDrawn : QDXObject::kDrawn);
        EXPECT_EQ(b.RenderState, QDXObject::kDrawn);
    }
}

// Each row: factor text, then the X1..X4, Y1..Y4 after Translate(-17, 15)
// from the values the text gives.
TEST(FactorTranslateTest, ShapesMoveBySixteenthsOtherKindsByWholePixels) {
    const struct {
        const char* text;
        int32_t x[4];
        int32_t y[4];
    } cases[] = {
        // A shape: three points in sixteenths.
        {"Line(100,200,300,400,16,ff)", {83, 283, -17, 1}, {215, 415, 15, 1}},
        // An object draw: the position in pixels; -17/16 is -1 and 15/16 is 0.
        {"Copy(10,20,30,40,\"S\",50,60)", {9, 30, 50, 1}, {20, 40, 60, 1}},
        {"Transform(\"S\",1,2,3,4,5,6,7,8,0)", {0, 2, 4, 6}, {2, 4, 6, 8}},
        {"HomographyTransform(\"S\",1,2,3,4,5,6,7,8,255)", {0, 2, 4, 6}, {2, 4, 6, 8}},
        {"GhostFactor(\"S\",1)", {0, 0, 0, 1}, {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText(c.text));
        EXPECT_TRUE(f.Translate(-17, 15));
        EXPECT_EQ((std::vector<int32_t>{f.X1, f.X2, f.X3, f.X4}), std::vector<int32_t>(c.x, c.x + 4));
        EXPECT_EQ((std::vector<int32_t>{f.Y1, f.Y2, f.Y3, f.Y4}), std::vector<int32_t>(c.y, c.y + 4));
    }
}

TEST(FactorTranslateTest, PathKindsMoveTheirOriginAndEveryNode) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(
        f.ParseText("Diagram(32,48,ff,200,qdxpath(Line(1,2),CircleCurve(3,4,5,6,t),Arc(7,8,9,10),Jump(11,12)))"));
    ASSERT_TRUE(f.Translate(-17, 15));
    EXPECT_EQ(f.X1, 15);
    EXPECT_EQ(f.Y1, 63);
    // X, Y, X2, Y2 of each node; the unused X2, Y2 of Line and Jump move too.
    const int32_t expected[][4] = {
        {-16, 17, -17, 15}, {-14, 19, 5 - 17, 6 + 15}, {-10, 23, 9 - 17, 10 + 15}, {-6, 27, -17, 15}};
    ASSERT_EQ(f.Path.GetCount(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        const QDXPath& node = *f.Path.GetAt(i);
        EXPECT_EQ((std::vector<int32_t>{node.X, node.Y, node.X2, node.Y2}),
                  std::vector<int32_t>(expected[i], expected[i] + 4))
            << i;
    }
    // Coordinates at the edge of the range wrap instead of overflowing.
    QDXFactor edge;
    edge.Reset();
    edge.Kind = 102;
    edge.X1 = INT32_MAX;
    EXPECT_TRUE(edge.Translate(1, 0));
    EXPECT_EQ(edge.X1, INT32_MIN);
}

}  // namespace
