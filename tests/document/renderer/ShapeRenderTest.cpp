// The shape and path factors: each kind's draw equals its builder, fill or
// stroke called directly on a copy of the canvas (both forms, both anti-alias
// levels, with and without scales); the outline a draw leaves in the factor;
// BuildDiagram's scaling, messages and refusals; outlines the rasteriser
// refuses; FrameRef's references.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/document/renderer/ShapeRenderTestSupport.h"

namespace shape_render_test {
namespace {

constexpr int32_t kW = 48, kH = 40;
constexpr uint32_t kBackground = 0x80204060;
constexpr uint32_t kInk = 0x3366CC;  // written "3366cc": no alpha byte

// The expected drawing: (sprite, outline to build into, level, scales, colour
// form?, opacity).
using DirectDraw = std::function<void(CSprite&, DiagramInfo&, int32_t, const Scales&, bool, uint8_t)>;

struct KindCase {
    const char* name;
    // The factors; "{A}" becomes "A" for the alpha form, "{C}" the colour
    // argument of the colour form, "{O}" the opacity.
    std::vector<std::string> factors;
    int32_t drawn;    // the factor whose draw is checked (kinds alpha+1 and colour+101)
    int32_t outline;  // the factor whose outline the draw leaves, or -1
    DirectDraw draw;
};

std::string Expand(std::string text, bool colour, int opacity) {
    auto replace = [&text](const std::string& from, const std::string& to) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    replace("{A}", colour ? "" : "A");
    replace("{C}", colour ? ",3366cc" : "");
    replace("{O}", std::to_string(opacity));
    return text;
}

// The path of the Diagram and Frame rows, node by node, as the outline it
// stands for.
void BuildTestPath(DiagramInfo& r, const Scales& k) {
    r.Reset();
    r.SetStartPoint(k.X(100), k.Y(80));
    r.AddLine(k.X(600), k.Y(100), 1);
    r.AddArc(k.X(700), k.Y(200), k.X(600), k.Y(200), 1);
    r.AddTip();
    r.AddCircleCurve(k.X(300), k.Y(500), k.X(400), k.Y(300), 1, 1);
    r.AddJump(k.X(100), k.Y(500));
    r.AddLine(k.X(100), k.Y(300), 1);
    r.AddLine(k.X(-40), k.Y(90), 0);
}
const char* const kTestPath =
    "qdxpath(Line(600,100),Arc(700,200,600,200),Tip,CircleCurve(300,500,400,300,t),Jump(100,500),Line(100,300),"
    "!Line(-40,90))";

const std::vector<KindCase>& KindCases() {
    static const std::vector<KindCase> cases = {
        {"Diagram",
         {std::string("Diagram{A}(100,80{C},{O},") + kTestPath + ")"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             BuildTestPath(r, k);
             if (colour)
                 level == 0 ? s.FillDiagramAa0(0, 0, kW, kH, r, kInk, op) : s.FillDiagramAa16(0, 0, kW, kH, r, kInk, op);
             else
                 level == 0 ? s.FillDiagramAlphaAa0(0, 0, kW, kH, r, op) : s.FillDiagramAlphaAa16(0, 0, kW, kH, r, op);
         }},
        {"Line",
         {"Line{A}(40,-30,700,580,40{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.StrokeLine(0, 0, kW, kH, k.X(40), k.Y(-30), k.X(700), k.Y(580), k.W(40), kInk, level, &r, 0, 0, op);
             else
                 s.StrokeLineAlpha(0, 0, kW, kH, k.X(40), k.Y(-30), k.X(700), k.Y(580), k.W(40), level, &r, 0, 0, op);
         }},
        {"CircleCurve",
         {"CircleCurve{A}(600,300,200,350,380,320,30,f{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.StrokeCircleCurve(0, 0, kW, kH, k.X(600), k.Y(300), k.X(200), k.Y(350), k.X(380), k.Y(320), 0,
                                     k.W(30), kInk, level, &r, 0, 0, op);
             else
                 s.StrokeCircleCurveAlpha(0, 0, kW, kH, k.X(600), k.Y(300), k.X(200), k.Y(350), k.X(380), k.Y(320),
                                          0, k.W(30), level, &r, 0, 0, op);
         }},
        {"Arc",
         {"Arc{A}(100,60,600,560,380,320,0.5,4.0,50{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillRingSegment(0, 0, kW, kH, k.X(380), k.Y(320), 0.5, 4.0, k.W(50), k.X(100), k.Y(60), k.X(600),
                                   k.Y(560), kInk, level, &r, op);
             else
                 s.FillRingSegmentAlpha(0, 0, kW, kH, k.X(380), k.Y(320), 0.5, 4.0, k.W(50), k.X(100), k.Y(60),
                                        k.X(600), k.Y(560), level, &r, op);
         }},
        {"Arc2",
         {"Arc2{A}(100,60,600,560,380,320,-1.0,2.5,40,0.5,1.0,0.8,1.2{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillEllipseRingScaled(0, 0, kW, kH, k.X(380), k.Y(320), -1.0, 2.5, k.W(40), k.X(100), k.Y(60),
                                         k.X(600), k.Y(560), 0.5, 1.0, 0.8, 1.2, kInk, level, &r, op);
             else
                 s.FillEllipseRingScaledAlpha(0, 0, kW, kH, k.X(380), k.Y(320), -1.0, 2.5, k.W(40), k.X(100),
                                              k.Y(60), k.X(600), k.Y(560), 0.5, 1.0, 0.8, 1.2, level, &r, op);
         }},
        // The width is the radius; the first two points play no part.
        {"Circle",
         {"Circle{A}(350,310,170{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             const int32_t cx = k.X(350), cy = k.Y(310), w = k.W(170);
             if (colour)
                 s.FillEllipse(0, 0, kW, kH, cx - w, cy - w, cx + w, cy + w, cx, cy, kInk, level, &r, op);
             else
                 s.FillEllipseAlpha(0, 0, kW, kH, cx - w, cy - w, cx + w, cy + w, cx, cy, level, &r, op);
         }},
        {"Ellipse",
         {"Ellipse{A}(60,90,700,500,300,200{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillEllipse(0, 0, kW, kH, k.X(60), k.Y(90), k.X(700), k.Y(500), k.X(300), k.Y(200), kInk, level,
                               &r, op);
             else
                 s.FillEllipseAlpha(0, 0, kW, kH, k.X(60), k.Y(90), k.X(700), k.Y(500), k.X(300), k.Y(200), level,
                                    &r, op);
         }},
        {"Box",
         {"Box{A}(70,50,690,590,37{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillBoxFrame(0, 0, kW, kH, k.X(70), k.Y(50), k.X(690), k.Y(590), k.W(37), kInk, level, &r, op);
             else
                 s.FillBoxFrameAlpha(0, 0, kW, kH, k.X(70), k.Y(50), k.X(690), k.Y(590), k.W(37), level, &r, op);
         }},
        {"Square",
         {"Square{A}(37,-20,455,519{C},{O})"}, 0, -1,
         [](CSprite& s, DiagramInfo&, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillRectSubpixel(k.X(37), k.Y(-20), k.X(455), k.Y(519), kInk, level, op);
             else
                 s.FillTileCoverage(k.X(37), k.Y(-20), k.X(455), k.Y(519), level, op);
         }},
        {"Pie",
         {"Pie{A}(100,60,600,560,380,320,5.5,2.0{C},{O})"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             if (colour)
                 s.FillPie(0, 0, kW, kH, k.X(380), k.Y(320), 5.5, 2.0, k.X(100), k.Y(60), k.X(600), k.Y(560), kInk,
                           level, &r, op);
             else
                 s.FillPieAlpha(0, 0, kW, kH, k.X(380), k.Y(320), 5.5, 2.0, k.X(100), k.Y(60), k.X(600), k.Y(560),
                                level, &r, op);
         }},
        {"Frame",
         {std::string("Frame{A}(100,80,24{C},{O},") + kTestPath + ")"}, 0, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             BuildTestPath(r, k);
             DiagramInfo scratch;
             if (colour)
                 s.StrokeDiagram(0, 0, kW, kH, r, k.W(24), kInk, level, &scratch, op);
             else
                 s.StrokeDiagramAlpha(0, 0, kW, kH, r, k.W(24), level, &scratch, op);
         }},
        // The referenced Box is disabled (it need not be drawn) and strokes
        // with the FrameRef's width, colour and opacity, not its own.
        {"FrameRef",
         {"!BoxA(64,64,500,400,32,9)", "FrameRef{A}(0,20{C},{O})"}, 1, 0,
         [](CSprite& s, DiagramInfo& r, int32_t level, const Scales& k, bool colour, uint8_t op) {
             s.FillBoxFrameMask(0, 0, 0, 0, k.X(64), k.Y(64), k.X(500), k.Y(400), k.W(32), -1, &r, 255);
             DiagramInfo scratch;
             if (colour)
                 s.StrokeDiagram(0, 0, kW, kH, r, k.W(20), kInk, level, &scratch, op);
             else
                 s.StrokeDiagramAlpha(0, 0, kW, kH, r, k.W(20), level, &scratch, op);
         }},
    };
    return cases;
}

using ShapeRenderTest = ShapeDocumentTest;

TEST_F(ShapeRenderTest, EveryKindDrawsAsItsBuilder) {
    const Scales scaleSets[] = {{1, 1, 1}, {0.5, 1.5, 2}, {1.25, 0.75, 0.5}};
    for (const KindCase& c : KindCases()) {
        for (const bool colour : {false, true}) {
            for (const bool fast : {false, true}) {
                for (const Scales& k : scaleSets) {
                    for (const int opacity : {255, 170}) {
                        SCOPED_TRACE(testing::Message() << c.name << (colour ? "" : "A") << (fast ? " fast" : "")
                                                        << " scales " << k.x << "/" << k.y << "/" << k.thickness
                                                        << " opacity " << opacity);
                        std::string text = "Render(" + std::to_string(kW) + "," + std::to_string(kH) +
                                           ",80204060," + std::to_string(k.x) + "," + std::to_string(k.y) + "," +
                                           std::to_string(k.thickness) + ",array(";
                        for (size_t i = 0; i < c.factors.size(); ++i)
                            text += (i ? "," : "") + Expand(c.factors[i], colour, opacity);
                        text += "))";
                        QDXObject& object = Add("Obj", text);
                        const QDXFactor& drawn = *object.Factors.GetAt(uint32_t(c.drawn));
                        ASSERT_EQ(drawn.Kind % 100, uint32_t(&c - KindCases().data()) + 1);
                        ASSERT_EQ(drawn.Kind >= 100, colour);

                        ASSERT_TRUE(Draw(object, fast)) << Text();
                        EXPECT_EQ(Text(), "");

                        CSprite expected = raster_test::Filled(kW, kH, kBackground);
                        DiagramInfo outline;
                        c.draw(expected, outline, fast ? 0 : 16, k, colour, uint8_t(opacity));
                        const std::vector<uint32_t> want = raster_test::Pixels(expected);
                        EXPECT_NE(want, raster_test::Pixels(raster_test::Filled(kW, kH, kBackground)))
                            << "the case draws nothing";
                        EXPECT_EQ(raster_test::Pixels(object.Canvas), want);
                        if (c.outline >= 0) {
                            const QDXFactor& owner = *object.Factors.GetAt(uint32_t(c.outline));
                            EXPECT_EQ(Elements(owner.Diagram), Elements(outline));
                        }
                    }
                }
            }
        }
    }
}

// What the shapes that draw nothing leave: true, and the canvas as it was.
TEST_F(ShapeRenderTest, RefusedShapesDrawNothingAndSucceed) {
    const char* const factors[] = {
        "LineA(0,0,300,300,0)",            // width 0
        "Line(0,0,300,300,-5,ff)",         // negative width
        "ArcA(0,0,300,300,150,150,1.5,1.5,16)",  // equal angles
        "Pie(0,0,300,300,150,150,2,2,ff)",
        "EllipseA(300,0,0,300,150,150)",   // empty box
        "CircleA(100,100,0)",              // radius 0
        "BoxA(0,0,300,300,0)",
        "DiagramA(10,10,qdxpath())",       // an outline of the start point alone
        "Frame(10,10,16,ff,qdxpath())",
        "SquareA(300,0,0,300)",            // right of left
        "TargetList(FTI(\"a\",\"b\",\"c\",\"d\"))",  // draws nothing at all
    };
    for (const char* factor : factors) {
        SCOPED_TRACE(factor);
        QDXObject& object = Add("Obj", std::string("Render(24,24,80204060,array(") + factor + "))");
        ASSERT_EQ(object.Factors.GetCount(), 1u);
        EXPECT_TRUE(Draw(object)) << Text();
        EXPECT_EQ(Text(), "");
        EXPECT_EQ(raster_test::Pixels(object.Canvas), raster_test::Pixels(raster_test::Filled(24, 24, kBackground)));
    }
}

// Without the raster library the shapes draw nothing and succeed.
TEST_F(ShapeRenderTest, NothingDrawnWithoutTheRasterLibrary) {
    QDXObject& object = Add("Obj", std::string("Render(24,24,0,array(CircleA(100,100,60),Square(0,0,99,99,ff),") +
                                       "Frame(10,10,16,ff,40," + kTestPath + "),FrameRefA(0,16)))");
    ASSERT_TRUE(Draw(object));
    object.RenderState = QDXObject::kNotDrawn;
    raster_test::ResetRasterLibrary();
    CStr_base<64> text;
    QDXFactor& circle = *object.Factors.GetAt(0);
    FactorCall call;
    call.Context = &DefaultDocumentRenderer().Context();
    call.Canvas = &object.Canvas;
    call.Document = &m_doc;
    call.Object = &object;
    call.ErrorText = &text;
    const std::vector<uint32_t> before = raster_test::Pixels(object.Canvas);
    for (uint32_t i = 0; i < object.Factors.GetCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(RenderFactor(*object.Factors.GetAt(i), call));
    }
    EXPECT_EQ(text.GetLength(), 0u);
    EXPECT_EQ(raster_test::Pixels(object.Canvas), before);
    EXPECT_EQ(circle.Diagram.GetCount(), 5u) << "the outline is built all the same";
}

// ---- BuildDiagram ----

TEST_F(ShapeRenderTest, BuildDiagramScalesPathsAndShapes) {
    QDXObject& object = Add(
        "Obj",
        "Render(8,8,0,array(DiagramA(-3,3,qdxpath(Line(-3,5),Arc(-1,1,7,-7),CircleCurve(9,-9,-5,5,f),Jump(4,-4),Tip,"
        "Return,Separator,!Line(1,1))),CircleA(160,-160,16),BoxA(10,20,-30,41,5),LineA(0,0,10,10,1),"
        "Frame(0,0,16,ff,qdxpath())))");
    QDXFactor& path = *object.Factors.GetAt(0);
    const std::vector<Element> unscaled = {{0, -3, 3, 0, 0},  {1, -3, 5, 0, 0},  {3, -1, 1, 7, -7},
                                           {2, 9, -9, -5, 5}, {4, 4, -4, 0, 0},  {6, 0, 0, 0, 0},
                                           {5, 0, 0, 0, 0},   {7, 0, 0, 0, 0},   {1, 1, 1, 0, 0}};
    // At 1.0 the numbers stay; at 0.5, -3 lands on -2 and 3 on 2 (half away
    // from zero), at 1.5 on -5 and 5; the thickness scale plays no part.
    ASSERT_TRUE(path.BuildDiagram(1.0, 1.0, 3.0, nullptr));
    EXPECT_EQ(Elements(path.Diagram), unscaled);
    EXPECT_EQ(path.Diagram[8].Enabled, 0) << "the disabled node stays disabled";
    ASSERT_TRUE(path.BuildDiagram(0.5, 1.5, 1.0, nullptr));
    const std::vector<Element> scaled = {{0, -2, 5, 0, 0},   {1, -2, 8, 0, 0},  {3, -1, 2, 4, -11},
                                         {2, 5, -14, -3, 8}, {4, 2, -6, 0, 0},  {6, 0, 0, 0, 0},
                                         {5, 0, 0, 0, 0},    {7, 0, 0, 0, 0},   {1, 1, 2, 0, 0}};
    EXPECT_EQ(Elements(path.Diagram), scaled);

    // A shape's outline lies where it is drawn: the circle about (2 x 160,
    // 0.5 x -160) with the radius 16 x 1.5 is four quarter arcs from its top.
    QDXFactor& circle = *object.Factors.GetAt(1);
    ASSERT_TRUE(circle.BuildDiagram(2.0, 0.5, 1.5, nullptr));
    const std::vector<Element> circleOutline = {
        {0, 320, -104, 0, 0}, {3, 344, -80, 320, -80}, {3, 320, -56, 320, -80}, {3, 296, -80, 320, -80},
        {3, 320, -104, 320, -80}};
    EXPECT_EQ(Elements(circle.Diagram), circleOutline);

    // The box's width 5 at thickness 0.5 is 3 (2.5 rounded up): the band runs
    // from each edge - 1 to edge + 2.
    QDXFactor& box = *object.Factors.GetAt(2);
    ASSERT_TRUE(box.BuildDiagram(1.0, 1.0, 0.5, nullptr));
    EXPECT_EQ(Elements(box.Diagram).front(), (Element{0, 9, 19, 0, 0}));
    EXPECT_EQ(Elements(box.Diagram)[2], (Element{1, -28, 43, 0, 0}));

    // A width that scales below 1 is refused like a width of 0, and leaves the
    // outline of the start point alone.
    QDXFactor& line = *object.Factors.GetAt(3);
    EXPECT_TRUE(line.BuildDiagram(1.0, 1.0, 1.0, nullptr));
    EXPECT_FALSE(line.BuildDiagram(1.0, 1.0, 0.4, nullptr));
    EXPECT_EQ(line.Diagram.GetCount(), 1u);

    // An empty path is the start point alone, and true.
    QDXFactor& empty = *object.Factors.GetAt(4);
    EXPECT_TRUE(empty.BuildDiagram(1.0, 1.0, 1.0, nullptr));
    EXPECT_EQ(empty.Diagram.GetCount(), 1u);
}

TEST_F(ShapeRenderTest, BuildDiagramRefusals) {
    QDXObject& object = Add("Obj",
                            "Render(8,8,0,array(LineA(0,0,9,9,0),CircleCurve(0,0,9,9,4,4,0,t,ff),ArcA(0,0,9,9,4,4,1,1,"
                            "16),Arc2A(0,0,9,9,4,4,1,1,16,1,1,1,1),PieA(0,0,9,9,4,4,2,2),EllipseA(9,0,0,9,4,4),EllipseA(0,"
                            "9,9,0,4,4),BoxA(0,0,9,9,0),SquareA(0,0,9,9),FrameRefA(0,16),TargetList(),ClearMask(),"
                            "DiagramA(0,0,qdxpath(Line(1,1),Line(2,2)))))");
    CStr_base<64> text;
    for (uint32_t i = 0; i + 1 < object.Factors.GetCount(); ++i) {
        QDXFactor& factor = *object.Factors.GetAt(i);
        SCOPED_TRACE(factor.Kind);
        EXPECT_FALSE(factor.BuildDiagram(1.0, 1.0, 1.0, &text));
    }
    EXPECT_EQ(text.GetLength(), 0u) << "refusals write nothing";

    // A node that cannot be appended (a type outside 1 to 7) is a message
    // with the factor's name; the outline keeps the nodes before it.
    QDXFactor& path = *object.Factors.GetAt(object.Factors.GetCount() - 1);
    path.Path.GetAt(1)->Type = 8;
    EXPECT_FALSE(path.BuildDiagram(1.0, 1.0, 1.0, &text));
    EXPECT_EQ(std::string(text.GetText()), Named(path.Name.GetText(), kUnreadablePath));
    EXPECT_EQ(std::string(path.Name.GetText()), "Obj?12");
    EXPECT_EQ(path.Diagram.GetCount(), 2u);
    EXPECT_FALSE(path.BuildDiagram(1.0, 1.0, 1.0, nullptr)) << "and without a text";

    // Drawn, the path fails with that message.
    text.SetLength(0);
    for (uint32_t i = 0; i + 1 < object.Factors.GetCount(); ++i) object.Factors.GetAt(i)->Enabled = false;
    EXPECT_FALSE(object.Render(false, &text));
    EXPECT_EQ(std::string(text.GetText()), Named("Obj?12", kUnreadablePath));
    EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
}

// ---- outlines the rasteriser refuses ----

// An Arc whose ends lie in different quadrants about its centre cannot be
// drawn: the fill or stroke draws nothing, and the draw says so instead of
// succeeding with a shape missing.
TEST_F(ShapeRenderTest, RefusedArcIsReported) {
    const struct {
        const char* factor;
        bool fast;
    } cases[] = {
        // From (0, 0) about (40, 40) to (50, 60): upper left to lower right.
        {"DiagramA(0,0,qdxpath(Arc(50,60,40,40)))", false},
        {"Diagram(0,0,ff,128,qdxpath(Line(10,0),Arc(50,60,40,40)))", true},
        // The stroked ring of the quarter from (-10, 10) to (0, 20) about the
        // origin, 32 wide, has its inner end in the next quadrant.
        {"FrameA(-10,10,32,qdxpath(Arc(0,20,0,0)))", false},
        {"Frame(-10,10,32,ff,100,qdxpath(Arc(0,20,0,0),Line(30,30)))", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        QDXObject& object = Add("Obj", std::string("Render(8,8,0,array(CircleA(40,40,32),") + c.factor + "))");
        EXPECT_FALSE(Draw(object, c.fast));
        EXPECT_EQ(Text(), Named("Obj?1", kArcText));
        EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
    }

    // Once the outline can be drawn again the stale refusal is gone.
    QDXObject& object = Add("Obj", "Render(8,8,0,array(FrameA(-10,10,32,qdxpath(Arc(0,20,0,0)))))");
    EXPECT_FALSE(Draw(object));
    object.Factors.GetAt(0)->Width = 0;
    EXPECT_TRUE(Draw(object)) << Text();
    object.Factors.GetAt(0)->Width = 2;
    EXPECT_TRUE(Draw(object)) << Text();
}

// ---- FrameRef ----

TEST_F(ShapeRenderTest, FrameRefReferences) {
    Add("Lib", "Render(8,8,0,array(CircleA(60,60,40),SquareA(0,0,9,9)))");
    const struct {
        const char* name;
        const char* factors;  // the FrameRef is always factor 1
        bool result;
        std::string text;
        bool draws;
    } cases[] = {
        {"a reference equal to the count", "CircleA(60,60,40,0),FrameRefA(2,16)", false,
         Named("Obj?1", kBadReference), false},
        {"a negative reference", "CircleA(60,60,40,0),FrameRefA(-1,16)", false, Named("Obj?1", kBadReference), false},
        {"to a Square", "SquareA(0,0,99,99,0),FrameRefA(0,16)", false, Named("Obj?1", kNoOutlineText), false},
        {"to itself", "SquareA(0,0,99,99,0),FrameRef(1,16,ff)", false, Named("Obj?1", kNoOutlineText), false},
        {"to a TargetList", "TargetList(),FrameRefA(0,16)", false, Named("Obj?1", kNoOutlineText), false},
        {"to a shape whose width builds nothing: no message of its own", "LineA(0,0,99,99,0),FrameRefA(0,16)", false,
         "", false},
        {"to an unreadable path: the path's message",
         "DiagramA(0,0,0,qdxpath(Line(9,9))),FrameRefA(0,16)", false, Named("Obj?0", kUnreadablePath), false},
        {"through a GhostFactor", "GhostFactor(\"Lib\",0),FrameRefA(0,16)", true, "", true},
        {"through a GhostFactor to a Square", "GhostFactor(\"Lib\",1),FrameRefA(0,16)", false,
         Named("Obj?1", kNoOutlineText), false},
        // A GhostFactor that leads nowhere stays the target, without an outline.
        {"through a GhostFactor to a missing object", "GhostFactor(\"None\",0),FrameRefA(0,16)", false,
         Named("Obj?1", kNoOutlineText), false},
        {"through a GhostFactor to a missing factor", "GhostFactor(\"Lib\",2),FrameRefA(0,16)", false,
         Named("Obj?1", kNoOutlineText), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDXObject& object = Add("Obj", std::string("Render(8,8,0,array(") + c.factors + "))");
        // The referenced factor is not drawn itself.
        object.Factors.GetAt(0)->Enabled = false;
        if (std::string(c.name).find("unreadable") != std::string::npos) object.Factors.GetAt(0)->Path.GetAt(0)->Type = 0;
        EXPECT_EQ(Draw(object), c.result);
        EXPECT_EQ(Text(), c.text);
        bool drawn = false;
        for (const uint32_t p : raster_test::Pixels(object.Canvas)) drawn |= p != 0;
        EXPECT_EQ(drawn, c.draws);
    }
}

// ---- a look at the shapes ----

// Writes a few shapes to /tmp/shapes-*.ppm for a person to look at (run with
// --gtest_also_run_disabled_tests).
TEST_F(ShapeRenderTest, DISABLED_WriteShapesForViewing) {
    const struct {
        const char* file;
        const char* text;
    } pictures[] = {
        {"/tmp/shapes-colour.ppm",
         "Render(160,120,ffffffff,array(Circle(400,400,300,ff0000),Ellipse(800,100,1500,700,1100,400,00aa00,200),"
         "Box(100,900,700,1800,48,0000ff),Arc(1400,1000,2400,1800,1900,1400,0.3,4.5,80,aa00aa),"
         "Pie(200,1000,1200,1800,700,1400,0,2,ffaa00,180),Line(100,100,2400,1800,24,000000),"
         "CircleCurve(2000,200,2400,900,2200,500,40,t,008888),Frame(1700,200,32,444444,qdxpath(Line(2500,300),"
         "Arc(2300,700,2300,300),Line(1700,700),Tip))))"},
        {"/tmp/shapes-scaled-mask.ppm",
         "Render(160,120,ffffffff,0.5,1.0,2.0,array(!Circle(1600,900,400,0),SetMaskRef(0),"
         "Square(0,0,9999,9999,ff0000),Frame(0,0,8,0000ff,qdxpath(Line(3200,1900)))))"},
    };
    for (const auto& p : pictures) {
        QDXObject& object = Add("Obj", p.text);
        ASSERT_TRUE(Draw(object)) << Text();
        FILE* f = std::fopen(p.file, "wb");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "P6\n%d %d\n255\n", object.Canvas.GetWidth(), object.Canvas.GetHeight());
        for (int32_t y = 0; y < object.Canvas.GetHeight(); ++y) {
            for (int32_t x = 0; x < object.Canvas.GetWidth(); ++x) {
                // Over a grey checkerboard, so that alpha shows.
                const uint32_t v = *object.Canvas.PixelAt(x, y);
                const uint32_t a = v >> 24, back = ((x / 8 + y / 8) % 2) ? 200 : 150;
                for (const int shift : {16, 8, 0}) {
                    const uint32_t c = (v >> shift) & 0xFF;
                    std::fputc(int((c * a + back * (255 - a)) / 255), f);
                }
            }
        }
        std::fclose(f);
    }
}

}  // namespace
}  // namespace shape_render_test
