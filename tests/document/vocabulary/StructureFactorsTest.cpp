// The structure family: ghosts, transformed draws, extended information, target
// lists and their repetition, and masks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// 42 matrix entries, each followed by a comma: base, base - 1000, base + 2000...
std::string MatrixItems(int32_t base) {
    std::string text;
    for (int32_t k = 0; k < 42; ++k) text += std::to_string(k % 2 == 0 ? base + 1000 * k : base - 1000 * k) + ",";
    return text;
}

const std::string kXYCanonical =
    "XYMappingMatrix(1,2,3,4,5,6,\"Map\",7,8,9,10,0.785398," + MatrixItems(65536) + "128,3)";
const std::string kRACanonical = "RAMappingMatrix(-1,2,300,400,5,6,\"Map\",7,8,9,10,0.500000,1.250000," +
                                 MatrixItems(-7) + "0,255,-2.500000,10000.000000)";

std::string TargetListText(uint32_t count) {
    std::string text = "TargetList(";
    for (uint32_t i = 0; i < count; ++i) {
        if (i != 0) text += ",";
        text += "FTI(\"a" + std::to_string(i) + "\",\"b\",\"\",\"d\")";
    }
    return text + ")";
}

// The canonical text of every member parses to its kind and writes back byte
// for byte, enabled and disabled.
TEST(StructureFactorsTest, CanonicalRoundTrip) {
    const KindCase cases[] = {
        {"GhostFactor(\"Master\",3,0)", 1101},
        {"GhostFactor(\"\",-1,-1)", 1101},
        {"GhostObject(\"Master\",\"t1\",\"\",\"t 3\",\"t4\")", 1102},
        {"DrawFrame(-10,20,100,50,\"Frame\",8,8,24,24,128,1)", 1103},
        {"Transform(\"Src\",0,0,100,0,110,90,-5,80,255)", 1104},
        {"DiagramTransform(2,\"Src\",0,0,64,48)", 1105},
        {"DiagramTransform2(0,\"_ReplacementMap\",3)", 1106},
        {kXYCanonical, 1107},
        {kRACanonical, 1108},
        {"ExInfo(0,0,64,64,9,200,\"Src\",\"line\\none \\\"quoted\\\" \\\\ \\t\")", 1109},
        {"ExInfo(1,2,3,4,0,0,\"\",\"\")", 1109},
        {"TargetList()", 1110},
        {"TargetList(FTI(\"a\",\"b\",\"c\",\"d\"),!FTI(\"\",\"\",\"\",\"\"))", 1110},
        {TargetListText(3), 1110},
        {"Foreach(2,5,0,-1)", 1111},
        {"Foreach(-1,7,3,-2)", 1111},
        {"AffineTransform(1,2,3,4,5,6,\"Src\",7,8,200,1.500000,-0.250000,3.141593,0.100000,0.000000,9,10,65537)",
         1112},
        {"SetMask(0,0,10,10,\"Mask\",3,4)", 1113},
        {"ClearMask()", 1114},
        {"SetMaskRef(4)", 1115},
        {"HomographyTransform(\"Src\",0,0,100,0,100,100,0,100,64)", 1116},
        {"3DDraw(\"Src\",1,2,3,4,500.000000,1.000000,2.000000,0.50000000,-1.25000000,3.14159265,5,6,7,8,"
         "10000.000000,255,1)",
         1117},
        {"3DSphere(\"Src\",1,2,3,4,0.250000,32,0.00000001,1.00000000,-2.00000000,10000.000000,5,6,7,8,0,-3)", 1118},
    };
    ExpectCanonicalTable(cases);
}

// Where the arguments land, for the members whose order is not the obvious
// one, and what the shortened forms store.
TEST(StructureFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "GhostFactor(\"Master\",3)", 1101));
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.RefNumber1, 3);
    EXPECT_EQ(f.Options, 0u);

    f.Reset();
    f.Options = 5;
    ASSERT_TRUE(f.ParseText("GhostFactor(\"Master\",3)"));
    EXPECT_EQ(f.Options, 0u);  // the omitted option is 0, not what was there

    f.Reset();
    ASSERT_TRUE(f.ParseText("GhostObject(\"Master\",\"a\",\"b\",\"c\",\"d\")"));
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_STREQ(f.TemplateNames[0].GetText(), "a");
    EXPECT_STREQ(f.TemplateNames[3].GetText(), "d");

    f.Reset();
    f.ForeachFirst = 9;
    f.ForeachLast = 9;
    ASSERT_TRUE(f.ParseText("Foreach(2,5)"));
    EXPECT_EQ(f.RefNumber1, 2);
    EXPECT_EQ(f.RefNumber2, 5);
    EXPECT_EQ(f.ForeachFirst, 0);
    EXPECT_EQ(f.ForeachLast, -1);

    f.Reset();
    ASSERT_TRUE(f.ParseText("DrawFrame(1,2,3,4,\"F\",5,6,7,8,9,10)"));
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.Alpha, 9);
    EXPECT_EQ(f.Options, 10u);

    f.Reset();
    ASSERT_TRUE(f.ParseText(kXYCanonical.c_str()));
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y5, 10);
    EXPECT_STREQ(f.SourceName.GetText(), "Map");
    EXPECT_DOUBLE_EQ(f.Real1, 0.785398);
    EXPECT_EQ(f.XYMatrix[0], 65536);
    EXPECT_EQ(f.XYMatrix[1], 65536 - 1000);
    EXPECT_EQ(f.XYMatrix[41], 65536 - 41000);
    EXPECT_EQ(f.RAMatrix[9], 0x10000);  // the other matrix is not touched
    EXPECT_EQ(f.Alpha, 128);
    EXPECT_EQ(f.Options, 3u);

    f.Reset();
    ASSERT_TRUE(f.ParseText(kRACanonical.c_str()));
    EXPECT_DOUBLE_EQ(f.Real1, 0.5);
    EXPECT_DOUBLE_EQ(f.Real8, 1.25);
    EXPECT_EQ(f.RAMatrix[0], -7);
    EXPECT_EQ(f.RAMatrix[41], -7 - 41000);
    EXPECT_EQ(f.XYMatrix[0], 0x10000);
    EXPECT_EQ(f.Alpha, 0);
    EXPECT_EQ(f.Options, 255u);
    EXPECT_DOUBLE_EQ(f.Real11, -2.5);
    EXPECT_DOUBLE_EQ(f.Real12, 10000.0);

    f.Reset();
    ASSERT_TRUE(f.ParseText(
        "AffineTransform(1,2,3,4,5,6,\"S\",7,8,9,10.5,11.5,12.5,13.5,14.5,15,16,-17)"));
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.Alpha, 9);
    EXPECT_DOUBLE_EQ(f.Real4, 10.5);
    EXPECT_DOUBLE_EQ(f.Real5, 11.5);
    EXPECT_DOUBLE_EQ(f.Real1, 12.5);
    EXPECT_DOUBLE_EQ(f.Real9, 13.5);
    EXPECT_DOUBLE_EQ(f.Real10, 14.5);
    EXPECT_EQ(f.X5, 15);
    EXPECT_EQ(f.Y5, 16);
    EXPECT_EQ(f.Options, uint32_t(-17));

    // The eighth argument of 3DDraw is Real5, the field written there.
    f.Reset();
    ASSERT_TRUE(f.ParseText("3DDraw(\"S\",1,2,3,4,6.5,7.5,8.5,9.5,10.5,11.5,12,13,14,15,16.5,17,18)"));
    EXPECT_DOUBLE_EQ(f.Real11, 6.5);
    EXPECT_DOUBLE_EQ(f.Real4, 7.5);
    EXPECT_DOUBLE_EQ(f.Real5, 8.5);
    EXPECT_DOUBLE_EQ(f.Real1, 9.5);
    EXPECT_DOUBLE_EQ(f.Real2, 10.5);
    EXPECT_DOUBLE_EQ(f.Real3, 11.5);
    EXPECT_EQ(f.X3, 12);
    EXPECT_EQ(f.Y3, 13);
    EXPECT_EQ(f.X5, 14);
    EXPECT_EQ(f.Y5, 15);
    EXPECT_DOUBLE_EQ(f.Real12, 16.5);
    EXPECT_EQ(f.Alpha, 17);
    EXPECT_EQ(f.Options, 18u);
    EXPECT_EQ(f.X4, 1);  // not a 3DDraw field

    f.Reset();
    ASSERT_TRUE(f.ParseText("3DSphere(\"S\",1,2,3,4,6.5,7,8.5,9.5,10.5,11.5,12,13,14,15,16,17)"));
    EXPECT_DOUBLE_EQ(f.Real11, 6.5);
    EXPECT_EQ(f.Width, 7);
    EXPECT_DOUBLE_EQ(f.Real1, 8.5);
    EXPECT_DOUBLE_EQ(f.Real3, 10.5);
    EXPECT_DOUBLE_EQ(f.Real12, 11.5);
    EXPECT_EQ(f.X4, 14);
    EXPECT_EQ(f.Y4, 15);
    EXPECT_EQ(f.Alpha, 16);
    EXPECT_EQ(f.Options, 17u);
    EXPECT_DOUBLE_EQ(f.Real4, 1.0);  // not a 3DSphere field

    // Members without a level or an option leave them alone.
    for (const char* text : {"GhostObject(\"a\",\"b\",\"c\",\"d\",\"e\")", "DiagramTransform(1,\"s\",2,3,4,5)",
                             "DiagramTransform2(1,\"s\",2)", "Foreach(1,2,3,4)", "SetMask(1,2,3,4,\"m\",5,6)",
                             "ClearMask()", "SetMaskRef(1)", "TargetList()"}) {
        SCOPED_TRACE(text);
        f.Reset();
        f.Alpha = 7;
        f.Options = 9;
        ASSERT_TRUE(f.ParseText(text));
        EXPECT_EQ(f.Alpha, 7);
        EXPECT_EQ(f.Options, 9u);
    }
}

// How each member keeps its option: range-checked (DrawFrame, Transform 0..255,
// ExInfo 0..9), the low 8 bits (the mapping matrices), or the whole value
// (written signed). A refused option leaves Options as it was.
TEST(StructureFactorsTest, Options) {
    const std::string xyHead = "XYMappingMatrix(1,2,3,4,5,6,\"Map\",7,8,9,10,0," + MatrixItems(0) + "128,";
    const std::string raHead = "RAMappingMatrix(1,2,3,4,5,6,\"Map\",7,8,9,10,0,1," + MatrixItems(0) + "128,";
    struct Case {
        std::string text;
        bool ok;
        uint32_t options;   // afterwards
        std::string tail;   // of the written text
    };
    constexpr uint32_t kOld = kKeep;
    const Case cases[] = {
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,255)", true, 255, ",255,255)"},
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,0)", true, 0, ",255,0)"},
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,256)", false, kOld, ""},
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,-1)", false, kOld, ""},
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,x)", false, kOld, ""},
        {"Transform(\"S\",0,0,1,1,2,2,3,3,128)", true, 128, ",3,3,128)"},
        {"Transform(\"S\",0,0,1,1,2,2,3,3,256)", false, kOld, ""},
        {"Transform(\"S\",0,0,1,1,2,2,3,3,-1)", false, kOld, ""},
        {xyHead + "257)", true, 1, ",128,1)"},
        {xyHead + "-1)", true, 255, ",128,255)"},
        {xyHead + "256)", true, 0, ",128,0)"},
        {xyHead + "x)", false, kOld, ""},
        {raHead + "511)", true, 255, ",128,255,0.000000,10000.000000)"},
        {raHead + "-256)", true, 0, ",128,0,0.000000,10000.000000)"},
        {"ExInfo(0,0,1,1,9,0,\"S\",\"\")", true, 9, ",9,0,\"S\",\"\")"},
        {"ExInfo(0,0,1,1,0,0,\"S\",\"\")", true, 0, ",0,0,\"S\",\"\")"},
        {"ExInfo(0,0,1,1,10,0,\"S\",\"\")", false, kOld, ""},
        {"ExInfo(0,0,1,1,-1,0,\"S\",\"\")", false, kOld, ""},
        // Stored before the level is read: a bad level keeps the new option.
        {"ExInfo(0,0,1,1,9,300,\"S\",\"\")", false, 9, ""},
        {"GhostFactor(\"M\",1,4294967295)", true, 0xFFFFFFFFu, ",1,-1)"},
        {"GhostFactor(\"M\",1,-2147483648)", true, 0x80000000u, ",1,-2147483648)"},
        {"GhostFactor(\"M\",1,2147483648)", true, 0x80000000u, ",1,-2147483648)"},
        {"AffineTransform(0,0,1,1,0,0,\"S\",1,1,0,1,1,0,0,0,0,0,65538)", true, 65538, ",0,0,65538)"},
        {"AffineTransform(0,0,1,1,0,0,\"S\",1,1,0,1,1,0,0,0,0,0,x)", false, kOld, ""},
        {"3DDraw(\"S\",0,0,1,1,0,1,1,0,0,0,0,0,0,0,0,0,-5)", true, uint32_t(-5), ",0,-5)"},
        {"3DSphere(\"S\",0,0,1,1,0,0,0,0,0,0,0,0,0,0,0,3000000000)", true, 3000000000u, ",0,-1294967296)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetMarked(f);
        f.Options = kOld;
        EXPECT_EQ(f.ParseText(c.text.c_str()), c.ok);
        EXPECT_EQ(f.Options, c.options);
        if (!c.ok) {
            EXPECT_EQ(f.Kind, kMarkerKind);
            continue;
        }
        const std::string written = Write(f);
        ASSERT_GE(written.size(), c.tail.size());
        EXPECT_EQ(written.substr(written.size() - c.tail.size()), c.tail);
        ExpectFixedPoint(written, written,
                         [&f](const QDXFactor&, const QDXFactor& g) { EXPECT_EQ(g.Options, f.Options); });
    }
}

// RAMappingMatrix takes at least 57 arguments and reads its two last reals
// only from exactly 59; any other count sets them to 0 and 10000.
TEST(StructureFactorsTest, RAMappingMatrixCounts) {
    const std::string head =
        "RAMappingMatrix(1,2,3,4,5,6,\"Map\",7,8,9,10,0.500000,1.000000," + MatrixItems(3) + "64,2";
    struct Case {
        std::string extra;
        bool ok;
        double real11;
        double real12;
    };
    const Case cases[] = {
        {"", true, 0.0, 10000.0},
        {",7.5", true, 0.0, 10000.0},
        {",7.5,-8.25", true, 7.5, -8.25},
        {",7.5,-8.25,9", true, 0.0, 10000.0},
        {",7.5,-8.25,9,x,y", true, 0.0, 10000.0},
        {",x", true, 0.0, 10000.0},  // not read at 58
        {",x,1", false, 3.0, 4.0},
        {",1,inf", false, 1.0, 4.0},
        {",nan,1", false, 3.0, 4.0},
    };
    for (const Case& c : cases) {
        const std::string text = head + c.extra + ")";
        SCOPED_TRACE(c.extra);
        QDXFactor f;
        ResetMarked(f);
        f.Real11 = 3.0;
        f.Real12 = 4.0;
        EXPECT_EQ(f.ParseText(text.c_str()), c.ok);
        EXPECT_EQ(f.Kind, c.ok ? 1108u : kMarkerKind);
        EXPECT_EQ(f.Real11, c.real11);
        EXPECT_EQ(f.Real12, c.real12);
        if (!c.ok) continue;
        EXPECT_EQ(f.RAMatrix[41], 3 - 41000);
        EXPECT_EQ(f.Options, 2u);
        char tail[64];
        std::snprintf(tail, sizeof tail, ",%f,%f)", c.real11, c.real12);
        EXPECT_EQ(Write(f), head + tail);
    }

    // 56 arguments are too few; nothing is read.
    QDXFactor f;
    ResetWithMarkers(f);
    ExpectRefused(f, "RAMappingMatrix(1,2,3,4,5,6,\"Map\",7,8,9,10,0.5,1," + MatrixItems(3) + "64)");
    EXPECT_EQ(f.X1, kKeep);
}

// TargetList: an empty first argument is an empty list; otherwise every
// argument is one "FTI(" entry, at most 1000 of them.
TEST(StructureFactorsTest, TargetList) {
    struct Case {
        const char* text;
        uint32_t count;
        const char* written;
    };
    const Case cases[] = {
        {"TargetList()", 0, "TargetList()"},
        {"TargetList(,FTI(\"a\",\"b\",\"c\",\"d\"))", 0, "TargetList()"},
        {"TargetList(,garbage,)", 0, "TargetList()"},
        {"!TargetList(FTI(\"a\",\"b\",\"c\",\"d\"))", 1, "!TargetList(FTI(\"a\",\"b\",\"c\",\"d\"))"},
        {"TargetList(!FTI(a,'b',\"\",),FTI(\"1\",\"2\",\"3\",\"4\")", 2,
         "TargetList(!FTI(\"\",\"b\",\"\",\"\"),FTI(\"1\",\"2\",\"3\",\"4\"))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        f.Targets.AddNew()->Names[0].Assign("stale");  // replaced, not appended to
        ASSERT_TRUE(ParsesAs(f, c.text, 1110));
        EXPECT_EQ(f.Targets.GetCount(), c.count);
        EXPECT_EQ(Write(f), c.written);
        ExpectFixedPoint(c.written, c.written);
    }

    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("TargetList(!FTI(\"w\",\"x\",\"y\",\"z\"),FTI(\"1\",\"2\",\"3\",\"4\"))"));
    ASSERT_EQ(f.Targets.GetCount(), 2u);
    EXPECT_FALSE(f.Targets.GetAt(0)->Enabled);
    EXPECT_STREQ(f.Targets.GetAt(0)->Names[3].GetText(), "z");
    EXPECT_TRUE(f.Targets.GetAt(1)->Enabled);
    EXPECT_STREQ(f.Targets.GetAt(1)->Names[0].GetText(), "1");

    // 1000 entries read and write back; 1001 are refused.
    const std::string thousand = TargetListText(1000);
    f.Reset();
    ASSERT_TRUE(f.ParseText(thousand.c_str()));
    EXPECT_EQ(f.Targets.GetCount(), 1000u);
    EXPECT_STREQ(f.Targets.GetAt(999)->Names[0].GetText(), "a999");
    EXPECT_EQ(Write(f), thousand);
    f.Kind = kMarkerKind;
    ExpectRefused(f, TargetListText(1001));
    EXPECT_EQ(f.Targets.GetCount(), 1000u);
}

// A target list that fails half-way leaves the factor as it was: its entries
// (count and names), its mark, its other fields and its kind, rather than
// the entries read before the bad one.
TEST(StructureFactorsTest, FailedTargetListChangesNothing) {
    const char* const texts[] = {
        "!TargetList(FTI(\"n\",\"e\",\"w\",\"1\"),FTI(\"n\",\"e\",\"w\",\"2\"),FTX(\"a\",\"b\",\"c\",\"d\"))",
        "!TargetList(FTI(\"n\",\"e\",\"w\",\"1\"),FTI(\"a\",\"b\",\"c\"))",
        "!TargetList(FTI(\"n\",\"e\",\"w\",\"1\"),)",
        "!TargetList( )",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText("TargetList(FTI(\"o\",\"l\",\"d\",\"0\"))"));
        f.ColorRef1 = 0x40000005;
        f.X1 = 12;
        EXPECT_FALSE(f.ParseText(text));
        EXPECT_EQ(f.Kind, 1110u);
        EXPECT_TRUE(f.Enabled);
        EXPECT_EQ(f.ColorRef1, 0x40000005u);
        EXPECT_EQ(f.X1, 12);
        ASSERT_EQ(f.Targets.GetCount(), 1u);
        EXPECT_STREQ(f.Targets.GetAt(0)->Names[0].GetText(), "o");
        EXPECT_EQ(Write(f), "TargetList(FTI(\"o\",\"l\",\"d\",\"0\"))");
    }
}

// ExInfo's text is unescaped when read and escaped when written; it may hold
// any byte, quotes included.
TEST(StructureFactorsTest, ExInfoText) {
    struct Case {
        const char* item;    // the eighth argument as read
        const char* stored;  // Text afterwards
        const char* written;
    };
    const Case cases[] = {
        {"\"a\\nb\"", "a\nb", "\"a\\nb\""},
        {"\"tab\\there\"", "tab\there", "\"tab\\there\""},
        {"\"\\\\\"", "\\", "\"\\\\\""},
        {"\"say \\\"hi\\\"\"", "say \"hi\"", "\"say \\\"hi\\\"\""},
        {"'it\\'s'", "it's", "\"it\\'s\""},
        {"'a\"b'", "a\"b", "\"a\\\"b\""},
        {"\"\\q\"", "", "\"\""},  // an unknown escape disappears
        {"\"x\"tail", "x", "\"x\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const std::string head = "ExInfo(1,2,3,4,5,6,\"Src\",";
        ExpectFixedPoint(head + c.item + ")", head + c.written + ")", [&c](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_STREQ(f.Text.GetText(), c.stored);
            EXPECT_STREQ(f.SourceName.GetText(), "Src");
            EXPECT_STREQ(g.Text.GetText(), c.stored);
        });
    }

    // The source is an object name: it is written raw, so it may not hold a
    // double quote; the text is no name.
    QDXFactor f;
    ResetMarked(f);
    ExpectRefused(f, "ExInfo(1,2,3,4,5,6,'S\"rc',\"t\")");
    ExpectRefused(f, "ExInfo(1,2,3,4,5,6,\"Src\",\"t)");
    ExpectRefused(f, "ExInfo(1,2,3,4,5,6,\"Src\",t)");
}

// "ClearMask()" is a whole keyword: anything after it is ignored, and no
// other spelling reads.
TEST(StructureFactorsTest, ClearMask) {
    for (const char* text : {"ClearMask()", "ClearMask()xyz", "ClearMask(),1)", "!ClearMask()"}) {
        SCOPED_TRACE(text);
        QDXFactor f;
        f.Reset();
        f.X1 = 3;
        ASSERT_TRUE(ParsesAs(f, text, 1114));
        EXPECT_EQ(f.X1, 3);
        EXPECT_EQ(Write(f), text[0] == '!' ? "!ClearMask()" : "ClearMask()");
    }
    for (const char* text : {"ClearMask( )", "ClearMask(", "ClearMask(1)", "ClearMask", "!!ClearMask()"})
        ExpectKind(text, 0);
}

// Count rules, names, numbers and levels that fail: false with Kind
// unchanged. A count is checked before anything is read; after that the
// fields read before the failing argument keep their new values.
TEST(StructureFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;  // X1 afterwards
        const char* name;
    };
    const Case cases[] = {
        // Counts.
        {"GhostFactor(\"Master\")", kKeep, "old"},
        {"GhostFactor(\"Master\",1,2,3)", kKeep, "old"},
        {"GhostObject(\"Master\",\"a\",\"b\",\"c\")", kKeep, "old"},
        {"GhostObject(\"Master\",\"a\",\"b\",\"c\",\"d\",\"e\")", kKeep, "old"},
        {"DrawFrame(1,2,3,4,\"F\",5,6,7,8,9)", kKeep, "old"},
        {"DrawFrame(1,2,3,4,\"F\",5,6,7,8,9,10,11)", kKeep, "old"},
        {"Transform(\"S\",1,2,3,4,5,6,7,8)", kKeep, "old"},
        {"Transform(\"S\",1,2,3,4,5,6,7,8,9,10)", kKeep, "old"},
        {"DiagramTransform(1,\"S\",2,3,4)", kKeep, "old"},
        {"DiagramTransform(1,\"S\",2,3,4,5,6)", kKeep, "old"},
        {"DiagramTransform2(1,\"S\")", kKeep, "old"},
        {"DiagramTransform2(1,\"S\",2,3)", kKeep, "old"},
        {"ExInfo(1,2,3,4,5,6,\"S\")", kKeep, "old"},
        {"ExInfo(1,2,3,4,5,6,\"S\",\"t\",7)", kKeep, "old"},
        {"Foreach(2)", kKeep, "old"},
        {"Foreach(2,5,1)", kKeep, "old"},
        {"Foreach(2,5,1,2,3)", kKeep, "old"},
        {"AffineTransform(1,2,3,4,5,6,\"S\",7,8,9,1,1,0,0,0,0,0)", kKeep, "old"},
        {"SetMask(1,2,3,4,\"M\",5)", kKeep, "old"},
        {"SetMaskRef(1,2)", kKeep, "old"},
        {"SetMaskRef()", kKeep, "old"},
        {"HomographyTransform(\"S\",1,2,3,4,5,6,7,8)", kKeep, "old"},
        {"3DDraw(\"S\",1,2,3,4,0,1,1,0,0,0,0,0,0,0,0,0)", kKeep, "old"},
        {"3DSphere(\"S\",1,2,3,4,0,0,0,0,0,0,0,0,0,0,0,0,0)", kKeep, "old"},
        // Names: not a name, unclosed (which swallows the rest), or holding a
        // double quote that could not be written back.
        {"GhostFactor(Master,1)", kKeep, "old"},
        {"SetMask(1,2,3,4,M,5,6)", 1, "old"},
        {"DrawFrame(1,2,3,4,\"F,5,6,7,8,9,10)", kKeep, "old"},
        {"Transform('S\"x',1,2,3,4,5,6,7,8,9)", kKeep, "old"},
        {"3DDraw('S\"x',1,2,3,4,0,1,1,0,0,0,0,0,0,0,0,0,0)", kKeep, "old"},
        // A template name that is not one fails, the names before it read.
        {"GhostObject(\"Master\",\"a\",\"b\",c,\"d\")", kKeep, "Master"},
        // Numbers that do not convert, reals that are not finite.
        {"DrawFrame(1,x,3,4,\"F\",5,6,7,8,9,10)", 1, "old"},
        {"AffineTransform(1,2,3,4,5,6,\"S\",7,8,9,inf,1,0,0,0,0,0,0)", 1, "S"},
        {"3DDraw(\"S\",1,2,3,4,0,1,1,nan,0,0,0,0,0,0,0,0,0)", 1, "S"},
        {"3DSphere(\"S\",1,2,3,4,0,0,0,0,0,-inf,0,0,0,0,0,0)", 1, "S"},
        {"Foreach(,2)", kKeep, "old"},
        // Levels outside 0..255.
        {"DrawFrame(1,2,3,4,\"F\",5,6,7,8,256,0)", 1, "F"},
        {"HomographyTransform(\"S\",1,2,3,4,5,6,7,8,-1)", 1, "S"},
        {"AffineTransform(1,2,3,4,5,6,\"S\",7,8,300,1,1,0,0,0,0,0,0)", 1, "S"},
        {"3DSphere(\"S\",1,2,3,4,0,0,0,0,0,0,0,0,0,0,256,0)", 1, "S"},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(c.text, false, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.X1, c.x1);
            EXPECT_STREQ(f.SourceName.GetText(), c.name);
        });
    }

    // The mapping matrices: a bad entry fails, the entries before it read.
    std::string text = "XYMappingMatrix(1,2,3,4,5,6,\"S\",7,8,9,10,0," + MatrixItems(0) + "0,0)";
    text.replace(text.find(",-3000,"), 7, ",-3000,y,");
    text.replace(text.find(",4000,"), 6, ",");  // keep the count at 56
    QDXFactor f;
    ResetMarked(f);
    ExpectRefused(f, text);
    EXPECT_EQ(f.XYMatrix[3], -3000);
    EXPECT_EQ(f.XYMatrix[4], 0);  // reset value; the entry did not read
    const std::string infinite = "XYMappingMatrix(1,2,3,4,5,6,\"S\",7,8,9,10,inf," + MatrixItems(0) + "0,0)";
    f.Real1 = 2.0;
    ExpectRefused(f, infinite);
    EXPECT_EQ(f.Y5, 10);
    EXPECT_EQ(f.Real1, 2.0);
    const std::string xy55 = "XYMappingMatrix(1,2,3,4,5,6,\"S\",7,8,9,10,0," + MatrixItems(0) + "0)";
    const std::string xy57 = "XYMappingMatrix(1,2,3,4,5,6,\"S\",7,8,9,10,0," + MatrixItems(0) + "0,0,0)";
    f.X1 = kKeep;
    ExpectRefused(f, xy55);
    ExpectRefused(f, xy57);
    EXPECT_EQ(f.X1, kKeep);
}

// Inputs that are not canonical: the written text, which reads back to itself.
TEST(StructureFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"GhostFactor(\"Master\",3)", "GhostFactor(\"Master\",3,0)"},
        {"!GhostFactor('Master',+3x, 007)", "!GhostFactor(\"Master\",3,7)"},
        {"Foreach(2,5)", "Foreach(2,5,0,-1)"},
        {"Foreach( 2,5,-0,-2", "Foreach(2,5,0,-2)"},
        {"SetMask(0,0,10,10,\"Master\",0,0,9,9)", "SetMask(0,0,10,10,\"Master\",0,0)"},
        {"SetMask(0,0,10,10,\"Master\",0,0,)", "SetMask(0,0,10,10,\"Master\",0,0)"},
        {"DiagramTransform2(0,\"Src\"x,1)trailing", "DiagramTransform2(0,\"Src\",1)"},
        {"SetMaskRef(-1)", "SetMaskRef(-1)"},
        {"AffineTransform(0,0,1,1,0,0,\"S\",1,1,255,0.5,2,1e-7,-0.0000004,1e2,0,0,0)",
         "AffineTransform(0,0,1,1,0,0,\"S\",1,1,255,0.500000,2.000000,0.000000,-0.000000,100.000000,0,0,0)"},
        {"3DDraw(\"S\",0,0,1,1,0.5,1,1,0.5,0.123456789,-1e-9,0,0,0,0,1e4,255,0)",
         "3DDraw(\"S\",0,0,1,1,0.500000,1.000000,1.000000,0.50000000,0.12345679,-0.00000000,0,0,0,0,"
         "10000.000000,255,0)"},
        {"3DSphere(\"S\",0,0,1,1,0x10,4,0.5,0.5,0.5,2,0,0,0,0,0,0)",
         "3DSphere(\"S\",0,0,1,1,16.000000,4,0.50000000,0.50000000,0.50000000,2.000000,0,0,0,0,0,0)"},
        {"DrawFrame(0,0,1,1,\"F\",0,0,1,1,0255,+12)", "DrawFrame(0,0,1,1,\"F\",0,0,1,1,255,12)"},
        {"ExInfo(1,2,3,4,5,6,'S','t')", "ExInfo(1,2,3,4,5,6,\"S\",\"t\")"},
        {"RAMappingMatrix(1,2,3,4,5,6,\"M\",7,8,9,10,0.5,1," + MatrixItems(0) + "64,2)",
         "RAMappingMatrix(1,2,3,4,5,6,\"M\",7,8,9,10,0.500000,1.000000," + MatrixItems(0) +
             "64,2,0.000000,10000.000000)"},
    };
    ExpectFixedPoints(cases);
}

// No keyword of the family is taken for another one that it ends or begins.
TEST(StructureFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"Transform(", 1104},        {"DiagramTransform(", 1105}, {"DiagramTransform2(", 1106},
        {"AffineTransform(", 1112},  {"HomographyTransform(", 1116}, {"SetMask(", 1113},
        {"SetMaskRef(", 1115},       {"3DDraw(", 1117},          {"3DSphere(", 1118},
        {"GhostFactor(", 1101},      {"GhostObject(", 1102},     {"ClearMask()", 1114},
        {"ClearMask(", 0},           {"Ghost(", 0},              {"transform(", 0},
        {"TargetList (", 0},
    };
    for (const KindCase& c : cases) ExpectKeyword(c.text, c.kind);
    for (uint32_t kind = 1101; kind <= 1118; ++kind) EXPECT_NE(FindFactorKind(kind), nullptr) << kind;
    for (const uint32_t kind : {1100u, 1119u}) EXPECT_EQ(FindFactorKind(kind), nullptr) << kind;
}

}  // namespace
