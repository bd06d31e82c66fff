#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "prediction/FactorVector.h"

namespace {

struct V {
    double angle, length;
    int32_t kind;
    double controlAngle, controlDistance;
    uint8_t flag;
};

void Fill(FactorVectorList& list, uint32_t color, bool closed, const std::vector<V>& vectors) {
    list.RemoveAll();
    list.Color = color;
    list.Closed = closed ? 1 : 0;
    for (const V& v : vectors) {
        FactorVector* f = list.AddNew();
        *f = FactorVector{};
        f->Angle = v.angle;
        f->Length = v.length;
        f->Kind = v.kind;
        f->ControlAngle = v.controlAngle;
        f->ControlDistance = v.controlDistance;
        f->Flag = v.flag;
    }
}

// The line as the C library's printf writes it in the "C" locale: the
// reference the writer must match byte for byte.
std::string Reference(uint32_t color, bool closed, const std::vector<V>& vectors) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "FactorVectorList(%x,%s", color, closed ? "c" : "o");
    std::string line = buffer;
    for (const V& v : vectors) {
        std::snprintf(buffer, sizeof buffer, ",(%.9f,%.9f,%d,%.9f,%.9f,%s)", v.angle, v.length, v.kind,
                      v.controlAngle, v.controlDistance, v.flag != 0 ? "true" : "false");
        line += buffer;
    }
    return line + ")";
}

std::string Write(const FactorVectorList& list) {
    CStr_base<1024> out("junk before");
    EXPECT_TRUE(list.Write(out));
    return out.GetText();
}

TEST(FactorVectorListWrite, LinesMatchPrintfByteForByte) {
    struct Case {
        const char* name;
        uint32_t color;
        bool closed;
        std::vector<V> vectors;
    };
    const std::vector<Case> cases = {
        {"empty open", 0xff00, false, {}},
        {"one line right, closed", 0, true, {{0.0, 10.0, 1, 0.0, 0.0, 0}}},
        {"curve with flag", 0xABCDEF, false, {{M_PI / 3, 12.5, 2, -2.5, 7.0710678118654755, 1}}},
        {"negatives and rounding", 0xffffffff, false,
         {{-M_PI, 0.0000000005, 3, -0.0000000004, 1e-10, 0}, {2.0000000005, 123456789.123456789, 5, 0, 0, 0}}},
        {"large and tiny", 1, true, {{1e-300, 1e15, 4, 3.14159265358979, 0.1, 0}, {-0.5, 0.1 + 0.2, 7, 0, 0, 9}}},
    };
    for (const Case& c : cases) {
        FactorVectorList list;
        Fill(list, c.color, c.closed, c.vectors);
        EXPECT_EQ(Write(list), Reference(c.color, c.closed, c.vectors)) << c.name;
    }
    FactorVectorList one;
    Fill(one, 0, true, {{0.0, 10.0, 1, 0.0, 0.0, 0}});
    EXPECT_EQ(Write(one), "FactorVectorList(0,c,(0.000000000,10.000000000,1,0.000000000,0.000000000,false))");
}

TEST(FactorVectorListWrite, DecimalPointWhateverTheLocale) {
    // A locale with a decimal comma, when the system has one; the line must not change.
    const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ja_JP.UTF-8"};
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : locales) switched = switched || std::setlocale(LC_NUMERIC, name) != nullptr;
    FactorVectorList list;
    Fill(list, 0x12, false, {{0.25, 1.5, 1, 0, 0, 0}});
    const std::string line = Write(list);
    std::setlocale(LC_NUMERIC, old.c_str());
    EXPECT_EQ(line, "FactorVectorList(12,o,(0.250000000,1.500000000,1,0.000000000,0.000000000,false))");
    if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
}

struct Parsed {
    bool ok;
    uint32_t count;
};

Parsed Parse(FactorVectorList& list, const char* line) {
    CStrArray_base<1024> items;
    CStrArray_base<64> vectorItems;
    const bool ok = list.Parse(line, items, vectorItems);
    return {ok, list.GetCount()};
}

TEST(FactorVectorListParse, AcceptsAndRefuses) {
    struct Case {
        const char* name;
        const char* line;
        bool ok;
        uint32_t vectors;  // vectors held afterwards (list starts with one)
        uint8_t closed;    // after a successful read
        bool untouched;    // refused before the list was changed
    };
    const Case cases[] = {
        {"no vectors", "FactorVectorList(ff,o)", true, 0, 0, false},
        {"closed", "FactorVectorList(0,c,(0,1,1,0,0,false))", true, 1, 1, false},
        {"capital C is open", "FactorVectorList(0,C,(0,1,1,0,0,false))", true, 1, 0, false},
        {"c and a blank is open", "FactorVectorList(0,c ,(0,1,1,0,0,false))", true, 1, 0, false},
        {"text after the bracket ignored", "FactorVectorList(0,c,(0,1,1,0,0,false)) trailing", true, 1, 1, false},
        {"wrong keyword", "FactorVectorlist(0,c)", false, 1, 0, true},
        {"one item only", "FactorVectorList(0)", false, 1, 0, true},
        {"colour not hexadecimal", "FactorVectorList(zz,o)", false, 1, 0, true},
        {"five values", "FactorVectorList(0,o,(0,1,1,0,0,false),(0,1,1,0,false))", false, 1, 0, false},
        {"seven values", "FactorVectorList(0,o,(0,1,1,0,0,false,1))", false, 0, 0, false},
        {"length not a number", "FactorVectorList(0,o,(0,x,1,0,0,false))", false, 0, 0, false},
    };
    for (const Case& c : cases) {
        FactorVectorList list;
        Fill(list, 0x77, false, {{1.0, 2.0, 1, 0, 0, 0}});
        const Parsed r = Parse(list, c.line);
        EXPECT_EQ(r.ok, c.ok) << c.name;
        EXPECT_EQ(r.count, c.vectors) << c.name;
        if (c.ok) {
            EXPECT_EQ(list.Closed, c.closed) << c.name;
        }
        if (c.untouched) {
            EXPECT_EQ(list.Color, 0x77u) << c.name << ": list untouched";
            EXPECT_DOUBLE_EQ(list.GetAt(0)->Length, 2.0) << c.name;
        }
    }
}

TEST(FactorVectorListParse, FlagOnlyForLowerCaseTrue) {
    FactorVectorList list;
    ASSERT_TRUE(Parse(list, "FactorVectorList(1,o,(0,1,2,0,0,true),(0,1,2,0,0,TRUE),(0,1,2,0,0, true))").ok);
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetAt(0)->Flag, 1);
    EXPECT_EQ(list.GetAt(1)->Flag, 0);
    EXPECT_EQ(list.GetAt(2)->Flag, 0);
}

TEST(FactorVectorListParse, BadVectorKeepsEarlierOnes) {
    FactorVectorList list;
    list.MeanLength = 42.0;
    const Parsed r = Parse(list, "FactorVectorList(1,o,(0,3,1,0,0,false),(0,4,1,0,0),(0,5,1,0,0,false))");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, 1u);
    EXPECT_DOUBLE_EQ(list.GetAt(0)->Length, 3.0);
    EXPECT_EQ(list.MeanLength, 42.0);
}

TEST(FactorVectorListParse, StartsTotalAndMeanRecomputed) {
    FactorVectorList list;
    list.HasSeparator = 1;
    ASSERT_TRUE(Parse(list, "FactorVectorList(0,o,(0,10,1,0,0,false),(1.5707963267948966,20,1,0,0,false),"
                            "(3.141592653589793,30,1,0,0,false))")
                    .ok);
    ASSERT_EQ(list.GetCount(), 3u);
    const double expected[][2] = {{0, 0}, {10, 0}, {10, 20}};
    for (uint32_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(list.GetAt(k)->StartX, expected[k][0], 1e-12) << k;
        EXPECT_NEAR(list.GetAt(k)->StartY, expected[k][1], 1e-12) << k;
    }
    EXPECT_DOUBLE_EQ(list.TotalLength, 60.0);
    EXPECT_DOUBLE_EQ(list.MeanLength, 20.0);
    EXPECT_EQ(list.HasSeparator, 0);
}

// x as it reads back from nine decimals ("C" locale of the test process).
double Rounded9(double x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9f", x);
    return std::strtod(buffer, nullptr);
}

TEST(FactorVectorListParse, WriteThenParseRoundsToNineDecimals) {
    FactorVectorList list;
    Fill(list, 0xc0ffee, true,
         {{0.1234567894, 3.3333333336, 2, -1.0000000004, 2.71828182846, 1}, {-3.0, 0.5, 5, 0, 0, 0}});
    list.HasSeparator = 1;
    CStr_base<1024> line;
    list.Write(line);
    FactorVectorList back;
    ASSERT_TRUE(Parse(back, line.GetText()).ok);
    ASSERT_EQ(back.GetCount(), 2u);
    for (uint32_t k = 0; k < 2; ++k) {
        const FactorVector& a = *list.GetAt(k);
        const FactorVector& b = *back.GetAt(k);
        EXPECT_EQ(b.Angle, Rounded9(a.Angle)) << k;
        EXPECT_EQ(b.Length, Rounded9(a.Length)) << k;
        EXPECT_EQ(b.ControlAngle, Rounded9(a.ControlAngle)) << k;
        EXPECT_EQ(b.ControlDistance, Rounded9(a.ControlDistance)) << k;
        EXPECT_EQ(b.Kind, a.Kind) << k;
        EXPECT_EQ(b.Flag, a.Flag) << k;
    }
    EXPECT_EQ(back.Color, 0xc0ffeeu);
    EXPECT_EQ(back.Closed, 1);
    EXPECT_EQ(back.HasSeparator, 0);
    EXPECT_NEAR(back.GetAt(1)->StartX, 3.333333334 * std::cos(0.123456789), 1e-12);
}

}  // namespace
