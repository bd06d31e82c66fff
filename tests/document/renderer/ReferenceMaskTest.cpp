// SetMaskRef: the mask is the referenced shape's coverage where the shape is
// drawn (scales included), it cuts what follows, and every failure leaves the
// object not drawn with no mask open.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/document/renderer/ShapeRenderTestSupport.h"

namespace shape_render_test {
namespace {

using ReferenceMaskTest = ShapeDocumentTest;

// The mask of a scaled circle is the circle as the object draws it: the
// mask canvas's alpha equals the alpha a CircleA draws with the same scales,
// and a red fill after the SetMaskRef survives by exactly that alpha.
TEST_F(ReferenceMaskTest, MaskOfAScaledCircleLinesUpWithTheDrawnCircle) {
    const Scales scaleSets[] = {{1, 1, 1}, {0.5, 1.5, 2}, {1.5, 0.5, 0.75}};
    for (const Scales& k : scaleSets) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(testing::Message() << "scales " << k.x << "/" << k.y << "/" << k.thickness
                                            << (fast ? " fast" : ""));
            const std::string head = "Render(40,32,0," + std::to_string(k.x) + "," + std::to_string(k.y) + "," +
                                     std::to_string(k.thickness) + ",array(";
            QDXObject& masked = Add("Masked", head + "!CircleA(330,250,150),SetMaskRef(0),Square(0,0,9999,9999,ff0000)))");
            QDXObject& drawn = Add("Drawn", head + "CircleA(330,250,150)))");
            ASSERT_TRUE(Draw(masked, fast)) << Text();
            ASSERT_TRUE(Draw(drawn, fast)) << Text();

            const std::vector<uint32_t> mask = raster_test::Pixels(masked.MaskCanvas);
            const std::vector<uint32_t> circle = raster_test::Pixels(drawn.Canvas);
            const std::vector<uint32_t> result = raster_test::Pixels(masked.Canvas);
            ASSERT_EQ(mask.size(), circle.size());
            bool partial = false, full = false;
            for (size_t i = 0; i < mask.size(); ++i) {
                SCOPED_TRACE(i);
                ASSERT_EQ(mask[i] >> 24, circle[i] >> 24);
                // Merged back: every channel of the opaque red weighs 256 - J
                // against the transparent black before it, J = 255 - mask.
                const uint32_t j = 255 - (mask[i] >> 24);
                const uint32_t red = (255 * (256 - j)) >> 8;
                ASSERT_EQ(result[i], red << 24 | red << 16);
                partial |= j != 0 && j != 255;
                full |= j == 0;
            }
            EXPECT_TRUE(full);
            EXPECT_EQ(partial, !fast) << "a fast mask has a hard edge, a full one an anti-aliased edge";
            EXPECT_FALSE(masked.ActiveMask.IsActive()) << "closed at the end of the draw";
        }
    }
}

TEST_F(ReferenceMaskTest, ReferencesAndFailures) {
    Add("Lib", "Render(40,32,0,array(CircleA(330,250,150)))");
    const struct {
        const char* name;
        std::string factors;  // the referenced factor is 0 (disabled), the SetMaskRef 1, a red fill 2
        std::string text;     // empty: the draw succeeds and masks
    } cases[] = {
        {"a disabled circle still masks", "CircleA(330,250,150),SetMaskRef(0)", ""},
        {"a path", "Diagram(100,100,0,qdxpath(Line(500,120),Line(300,400),Line(100,100))),SetMaskRef(0)", ""},
        {"through a GhostFactor", "GhostFactor(\"Lib\",0),SetMaskRef(0)", ""},
        {"to a SquareA", "SquareA(0,0,99,99),SetMaskRef(0)", Named("Obj?0", kNoOutlineText)},
        {"to a FrameRefA", "FrameRefA(0,16),SetMaskRef(0)", Named("Obj?0", kNoOutlineText)},
        {"a reference equal to the count", "CircleA(330,250,150),SetMaskRef(3)", Named("Obj?1", kBadReference)},
        {"a negative reference", "CircleA(330,250,150),SetMaskRef(-1)", Named("Obj?1", kBadReference)},
        {"to itself", "CircleA(330,250,150),SetMaskRef(1)", Named("Obj?1", kNoOutlineText)},
        // A GhostFactor that leads nowhere stays the referenced factor.
        {"a GhostFactor to a missing object", "GhostFactor(\"None\",0),SetMaskRef(0)",
         Named("Obj?0", kNoOutlineText)},
        {"a GhostFactor to a missing factor", "GhostFactor(\"Lib\",1),SetMaskRef(0)", Named("Obj?0", kNoOutlineText)},
        {"a shape its builder refuses: no message", "LineA(0,0,99,99,0),SetMaskRef(0)", ""},
        {"an unreadable path node", "DiagramA(0,0,qdxpath(Line(1,1))),SetMaskRef(0)",
         Named("Obj?0", kUnreadablePath)},
        {"an Arc the rasteriser refuses", "DiagramA(0,0,qdxpath(Arc(50,60,40,40))),SetMaskRef(0)",
         Named("Obj?0", kArcText)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDXObject& object = Add("Obj", "Render(40,32,0,array(" + c.factors + ",Square(0,0,9999,9999,ff0000)))");
        object.Factors.GetAt(0)->Enabled = false;
        if (std::string(c.name) == "an unreadable path node") object.Factors.GetAt(0)->Path.GetAt(0)->Type = 0;
        const bool refusedShape = std::string(c.name).find("refuses: no message") != std::string::npos;
        const bool result = Draw(object);
        EXPECT_EQ(Text(), c.text);
        if (c.text.empty() && !refusedShape) {
            EXPECT_TRUE(result);
            // Masked: the corner stays transparent, the middle is red.
            EXPECT_EQ(*object.Canvas.PixelAt(0, 31), 0u);
            EXPECT_EQ(*object.Canvas.PixelAt(20, 15), 0xFFFF0000u);
            continue;
        }
        EXPECT_FALSE(result);
        EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
        EXPECT_FALSE(object.ActiveMask.IsActive());
        EXPECT_EQ(object.Canvas.GetClipLeft(), 0);
        EXPECT_EQ(object.Canvas.GetClipTop(), 0);
        EXPECT_EQ(object.Canvas.GetClipRight(), 40);
        EXPECT_EQ(object.Canvas.GetClipBottom(), 32);
    }
}

// "_PrevObject" in the referenced GhostFactor is the previous source name of
// the list (here set by a SetMask).
TEST_F(ReferenceMaskTest, GhostFactorThroughThePreviousName) {
    Add("Lib", "Render(40,32,0,array(CircleA(330,250,150)))");
    QDXObject& object = Add("Obj",
                            "Render(40,32,0,array(SetMask(0,0,40,32,\"Lib\",0,0),ClearMask(),"
                            "!GhostFactor(\"_PrevObject\",0),SetMaskRef(2),Square(0,0,9999,9999,ff0000)))");
    ASSERT_TRUE(Draw(object)) << Text();
    EXPECT_EQ(*object.Canvas.PixelAt(0, 31), 0u);
    EXPECT_EQ(*object.Canvas.PixelAt(20, 15), 0xFFFF0000u);
}

// ClearMask ends the mask: what follows draws everywhere; a second
// SetMaskRef replaces the first.
TEST_F(ReferenceMaskTest, ClearMaskAndASecondMask) {
    QDXObject& boxes =
        Add("Obj",
            "Render(40,32,0,array(!EllipseA(0,0,320,512,160,256),!EllipseA(320,0,640,512,480,256),SetMaskRef(0),"
            "SetMaskRef(1),Square(0,0,9999,9999,ff0000),ClearMask(),Square(0,0,9999,16,ff)))");
    ASSERT_TRUE(Draw(boxes)) << Text();
    EXPECT_EQ(*boxes.Canvas.PixelAt(10, 16), 0u) << "the first mask is replaced";
    EXPECT_EQ(*boxes.Canvas.PixelAt(30, 16), 0xFFFF0000u);
    EXPECT_EQ(*boxes.Canvas.PixelAt(0, 0), 0xFF0000FFu) << "after ClearMask nothing is masked";
}

// Without the raster library the mask canvas cannot be made: a message, and
// the object is left not drawn.
TEST_F(ReferenceMaskTest, MaskCanvasRefused) {
    QDXObject& object = Add("Obj", "Render(8,8,0,array(!CircleA(60,60,40),SetMaskRef(0)))");
    ASSERT_TRUE(Draw(object)) << Text();
    object.RenderState = QDXObject::kNotDrawn;
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(Draw(object));
    EXPECT_EQ(Text(), kMaskMemory);
    EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
    EXPECT_FALSE(object.ActiveMask.IsActive());
}

}  // namespace
}  // namespace shape_render_test
