// The format-1.0 structure factors: the ghost factor without its option, the
// option ranges of DrawFrame and Transform, and the old draw modes of ExInfo.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;

TEST(LegacyStructure, EveryKeywordReadsAsItsCurrentText) {
    const Equivalence cases[] = {
        {"GhostFactor(\"Obj\",3)", 1101, "GhostFactor(\"Obj\",3,0)"},
        {"DrawFrame(0,0,100,60,\"Obj\",8,8,24,24,255,1)", 1103, "DrawFrame(0,0,100,60,\"Obj\",8,8,24,24,255,1)"},
        {"DrawFrame(1,2,3,4,\"Obj\",5,6,7,8,0,255)", 1103, "DrawFrame(1,2,3,4,\"Obj\",5,6,7,8,0,255)"},
        {"Transform(\"Obj\",0,0,100,0,0,100,100,100,0)", 1104, "Transform(\"Obj\",0,0,100,0,0,100,100,100,0)"},
        {"Transform(\"Obj\",1,2,3,4,5,6,7,8,255)", 1104, "Transform(\"Obj\",1,2,3,4,5,6,7,8,255)"},
        {"DiagramTransform(1,\"Obj\",0,0,50,50)", 1105, "DiagramTransform(1,\"Obj\",0,0,50,50)"},
        {"DiagramTransform2(2,\"Obj\",5)", 1106, "DiagramTransform2(2,\"Obj\",5)"},
        {"DiagramTransform2(99,\"Obj\",-1)", 1106, "DiagramTransform2(99,\"Obj\",-1)"},  // names no factor: kept
        {"ExInfo(0,0,100,100,10,128,\"Obj\",\"x\\ny\")", 1109, "ExInfo(0,0,100,100,6,128,\"Obj\",\"x\\ny\")"},
    };
    for (const Equivalence& c : cases) ExpectEquivalent(c);
}

TEST(LegacyStructure, ExInfoDrawModes) {
    // Old mode -> stored mode: 4 and 10 are Alpha and AlphaC again, 5 and 11
    // Layer and LayerC; Back (4) and BackC (9) are never stored.
    const uint32_t stored[12] = {0, 1, 2, 3, 1, 3, 5, 6, 7, 8, 6, 8};
    for (int old = 0; old < 12; ++old) {
        const std::string text = "ExInfo(0,0,100,100," + std::to_string(old) + ",128,\"Obj\",\"x\")";
        QDXFactor f;
        ASSERT_TRUE(LegacyParsesAs(f, text, 1109));
        EXPECT_EQ(f.Options, stored[old]) << text;
        EXPECT_EQ(f.Alpha, 128);
        EXPECT_STREQ(f.Text.GetText(), "x");
        ExpectEquivalent({text, 1109, "ExInfo(0,0,100,100," + std::to_string(stored[old]) + ",128,\"Obj\",\"x\")"});
    }
}

TEST(LegacyStructure, FieldsOfTransformAndDiagramTransform) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Transform(\"Obj\",1,2,3,4,5,6,7,8,0)", 1104));
    EXPECT_EQ(f.X1, 1);  // top left
    EXPECT_EQ(f.Y1, 2);
    EXPECT_EQ(f.X2, 3);  // top right
    EXPECT_EQ(f.Y2, 4);
    EXPECT_EQ(f.X3, 5);  // bottom left
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.X4, 7);  // bottom right
    EXPECT_EQ(f.Y4, 8);
    ASSERT_TRUE(LegacyParsesAs(f, "DiagramTransform(1,\"Obj\",0,0,50,50)", 1105));
    EXPECT_EQ(f.RefNumber1, 1);
    EXPECT_EQ(f.X1, 0);
    EXPECT_EQ(f.X2, 0);
    EXPECT_EQ(f.X4, 50);
    EXPECT_EQ(f.Y4, 50);
    ASSERT_TRUE(LegacyParsesAs(f, "GhostFactor(\"Obj\",3)", 1101));
    EXPECT_STREQ(f.SourceName.GetText(), "Obj");
    EXPECT_EQ(f.RefNumber1, 3);
    EXPECT_EQ(f.Options, 0u);
}

TEST(LegacyStructure, Refused) {
    ExpectRefused({
        "GhostFactor(\"Obj\",3,1)",
        "GhostFactor(\"Obj\")",
        "DrawFrame(0,0,100,60,\"Obj\",8,8,24,24,255,256)",
        "DrawFrame(0,0,100,60,\"Obj\",8,8,24,24,255,-1)",
        "DrawFrame(0,0,100,60,\"Obj\",8,8,24,24,256,1)",
        "Transform(\"Obj\",0,0,100,0,0,100,100,100,256)",
        "Transform(\"Obj\",0,0,100,0,0,100,100,100)",
        "ExInfo(0,0,100,100,12,128,\"Obj\",\"x\")",
        "ExInfo(0,0,100,100,-1,128,\"Obj\",\"x\")",
        "ExInfo(0,0,100,100,1,128,\"Obj\",\"x)",
        "ExInfo(0,0,100,100,1,128,'O\"bj',\"x\")",
        "DiagramTransform(1,\"Obj\",0,0,50)",
        "DiagramTransform2(2,Obj,5)",
    });
}

}  // namespace
