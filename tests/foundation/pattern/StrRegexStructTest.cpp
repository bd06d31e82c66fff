#include "foundation/pattern/StrRegexStruct.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/pattern/UStrRegexStruct.h"

namespace {

// Bytes outside printable ASCII as \xHH, so double-byte characters read plainly.
std::string Escaped(const char* s, size_t n) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c > 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Dump(const CStrRegexStruct& e);

std::string DumpItems(const CStrRegexStruct& e) {
    std::string out;
    for (const CStrRegexStruct* item : e.items) {
        if (!out.empty()) out += ' ';
        out += Dump(*item);
    }
    return out;
}

// An element written back in the pattern's own order: modifier, minimum, .index,
// ,maximum, then the body: 'literal', (group), {capture}, [set], a class letter,
// z<item>, -lowhigh for a range, _ for the empty element.
std::string Dump(const CStrRegexStruct& e) {
    std::string out;
    if (e.modifier != ' ') out += e.modifier;
    if (e.minimum >= 0) out += std::to_string(e.minimum);
    if (e.index >= 0) out += "." + std::to_string(e.index);
    if (e.maximum >= 0) out += "," + std::to_string(e.maximum);
    switch (e.kind) {
        case CStrRegexStruct::kEmpty: return out + "_";
        case CStrRegexStruct::kLiteral:
            return out + "'" + Escaped(e.text.GetText(), size_t(e.text.GetLength())) + "'";
        case CStrRegexStruct::kGroup: return out + "(" + DumpItems(e) + ")";
        case CStrRegexStruct::kCapture: return out + "{" + DumpItems(e) + "}";
        case CStrRegexStruct::kSet: return out + "[" + DumpItems(e) + "]";
        case CStrRegexStruct::kClass:
            if (e.classLetter == 'z') return out + "z<" + DumpItems(e) + ">";
            return out + e.classLetter;
        case CStrRegexStruct::kRange:
            return out + "-" + Escaped(&e.rangeLow, 1) + Escaped(&e.rangeHigh, 1);
        default: return out + "?kind" + std::to_string(e.kind);
    }
}

std::string Compiled(const char* pattern) {
    CStrRegexStruct root;
    const char* pos = pattern;
    EXPECT_TRUE(CStrRegexStruct::Compile(pos, root)) << pattern;
    return DumpItems(root);
}

TEST(StrRegexCompile, PatternsToTrees) {
    struct Row {
        const char* name;
        const char* pattern;
        const char* tree;
    };
    const Row rows[] = {
        {"consecutive characters form one literal", "abc", "'abc'"},
        {"a class splits literals", "a%3db", "'a' 3d 'b'"},
        {"the file-title pattern", "%0,1(%*j%[\\/%]%)%{%*j%P%![. %]%j%}",
         "0,1(*j ['\\' '/']) {*j P !['.' '\\x20'] j}"},
        {"negated set", "%![. %]", "!['.' '\\x20']"},
        {"modifier after the numbers", "%0*z ", "*0z<'\\x20'>"},
        {"all three numbers", "%1.2,3x", "1.2,3x"},
        {"index-first classes swap the first two numbers", "%2v%2.5t%u", ".2v 5.2t u"},
        {"position items drop modifier and numbers", "%*3.4,5$%!^%9P%/p%+e", "$ ^ P p e"},
        {"numbers saturate", "%99999999999d", "2147483647d"},
        {"empty pattern", "", ""},
        {"percent at the end is dropped", "ab%", "'ab'"},
        {"percent-percent is a literal percent", "a%%b%[%%x%]", "'a%b' ['%' 'x']"},
        {"unknown letter becomes literal", "%3Q%E", "'Q' 'E'"},
        {"unknown operator is scanned again", "%!%d", "d"},
        {"dot and comma without digits", "%.,a%.", "a"},
        {"range", "%-az%/-09", "-az /-09"},
        {"double-byte range bound is a blank", "%-\x82\xA0z", "-\\x20z"},
        {"range with one character left keeps it literal", "%-a", "'a'"},
        {"any closer closes a set", "%[ab%)", "['a' 'b']"},
        {"closer at the top level ends the pattern", "x%)y", "'x'"},
        {"unclosed levels end with the pattern", "%(%{%[a", "({['a']})"},
        {"double-byte character is one alternative", "%[\x82\xA0" "b%]", "['\\x82\\xA0' 'b']"},
        {"lone lead byte at the end extends a pending literal", "ab\x82", "'ab\\x82'"},
        {"lone lead byte at the end alone is dropped", "%d\x82", "d"},
        {"z takes one literal character", "%zab", "z<'a'> 'b'"},
        {"z takes a double-byte character", "%z\x82\xA0" "b", "z<'\\x82\\xA0'> 'b'"},
        {"z keeps escapes until a literal", "%z%d%ax", "z<d a 'x'>"},
        {"z ends at a closer", "%(%z%)b%)", "(z<> 'b')"},
        {"z takes a percent literal", "%z%%%%", "z<'%'> '%'"},
    };
    for (const Row& r : rows) EXPECT_EQ(Compiled(r.pattern), r.tree) << r.name;
}

TEST(StrRegexCompile, PositionIsLeftAfterTheLastCharacterRead) {
    CStrRegexStruct root;
    const char* pattern = "ab%)cd";
    const char* pos = pattern;
    EXPECT_TRUE(CStrRegexStruct::Compile(pos, root));
    EXPECT_EQ(pos, pattern + 4);

    pattern = "a%(b";
    pos = pattern;
    EXPECT_TRUE(CStrRegexStruct::Compile(pos, root));
    EXPECT_EQ(pos, pattern + 4);
}

TEST(StrRegexCompile, RecompilingIntoTheSameTargetLeavesNothingBehind) {
    CStrRegexStruct root;
    const char* pos = "%2(a%{b%}%)%d";
    ASSERT_TRUE(CStrRegexStruct::Compile(pos, root));
    ASSERT_EQ(DumpItems(root), "2('a' {'b'}) d");

    // The old elements are handed out again and must come back as new ones.
    pos = "%(%)x";
    ASSERT_TRUE(CStrRegexStruct::Compile(pos, root));
    EXPECT_EQ(DumpItems(root), "() 'x'");
}

TEST(StrRegexCompile, CopyIsDeep) {
    CStrRegexStruct root;
    const char* pos = "%0,1(%*j%[\\/%]%)%{x%}";
    ASSERT_TRUE(CStrRegexStruct::Compile(pos, root));
    const std::string before = DumpItems(root);

    CStrRegexStruct copy(root);
    CStrRegexStruct assigned;
    assigned = root;
    pos = "q";
    ASSERT_TRUE(CStrRegexStruct::Compile(pos, root));

    EXPECT_EQ(DumpItems(copy), before);
    EXPECT_EQ(DumpItems(assigned), before);
    EXPECT_EQ(copy.items.GetAt(0)->items.GetAt(0)->modifier, '*');

    // An element may take the value of one of its own items.
    copy = *copy.items.GetAt(0);
    EXPECT_EQ(Dump(copy), "0,1(*j ['\\' '/'])");
}

TEST(StrRegexCompile, NestingBeyondTheMatcherLimitIsRefused) {
    auto nested = [](const char* open, int levels, const char* inner) {
        std::string p;
        for (int i = 0; i < levels; ++i) p += open;
        return p + inner;
    };
    struct Row {
        const char* name;
        std::string pattern;
        bool accepted;
    };
    const Row rows[] = {
        {"200 nested groups", nested("%(", 200, "a"), true},
        {"300 nested groups", nested("%(", 300, "a"), false},
        {"100000 nested groups", nested("%{", 100000, "a"), false},
        {"100000 nested z items", nested("%z", 100000, "a"), false},
        {"200 chained greedy items", nested("%*a", 200, ""), true},
        {"300 chained greedy items", nested("%*a", 300, ""), false},
        {"300 chained lazy items in a set", "%[" + nested("%+a", 300, ""), false},
        {"100000 possessive items in sequence", nested("%a", 100000, ""), true},
    };
    for (const Row& r : rows) {
        CStrRegexStruct root;
        const char* pos = r.pattern.c_str();
        EXPECT_EQ(CStrRegexStruct::Compile(pos, root), r.accepted) << r.name;
    }
}

TEST(StrRegexCompile, WideTwinHoldsTheSameFields) {
    CUStrRegexStruct e;
    EXPECT_EQ(e.kind, CUStrRegexStruct::kGroup);
    EXPECT_EQ(e.classLetter, u' ');
    e.kind = CUStrRegexStruct::kLiteral;
    e.text.Assign(u"\u3042x");
    e.items.AddNew()->modifier = u'*';

    const CUStrRegexStruct copy(e);
    EXPECT_EQ(copy.kind, CUStrRegexStruct::kLiteral);
    EXPECT_EQ(copy.text.GetLength(), 2);
    EXPECT_EQ(copy.text.GetText()[0], u'\u3042');
    ASSERT_EQ(copy.items.GetCount(), 1u);
    EXPECT_EQ(copy.items.GetAt(0)->modifier, u'*');
}

}  // namespace
