// The settings text form: the writer's exact output, the reader's handling of
// every kind of line, and the value and name escapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/settings/IniEscape.h"
#include "foundation/settings/IniExCtrl.h"
#include "tests/foundation/settings/IniTestSupport.h"

namespace {

using initest::kExample;
using initest::Tree;

std::string Write(Tree& tree, bool noIndent = false) {
    CStr_base<1024> out;
    EXPECT_TRUE(tree.WriteSectionToString(out, tree.GetRoot(), 0, noIndent));
    return out.GetText();
}

// Every section as "/path/" and every value as "/path/key=value", sorted, so a
// test can state a tree's content without depending on iteration order.
void DumpSection(Tree::Section* section, const std::string& path, std::vector<std::string>& lines) {
    section->values.ForEach([&](const char* key, CStr_base<64>& value) {
        lines.push_back(path + key + "=" + value.GetText());
    });
    section->sections.ForEach([&](const char* name, Tree::Section*& child) {
        lines.push_back(path + name + "/");
        DumpSection(child, path + name + "/", lines);
    });
}

std::string Dump(Tree& tree) {
    std::vector<std::string> lines;
    DumpSection(tree.GetRoot(), "/", lines);
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines) all += line + "|";
    return all;
}

TEST(IniText, WriterProducesTheExampleByteForByte) {
    Tree tree;
    // The subsection is made before the value: values are still written first.
    ASSERT_TRUE(tree.AddSection("A"));
    ASSERT_NE(tree.SetString("k1", "x"), nullptr);
    ASSERT_TRUE(tree.ChangeSection("A"));
    ASSERT_TRUE(tree.AddSection("B"));
    ASSERT_NE(tree.SetString("k2", "y"), nullptr);
    ASSERT_NE(tree.SetString("B/k3", "z"), nullptr);
    EXPECT_EQ(Write(tree), kExample);
    EXPECT_EQ(Write(tree, true), "k1=x\n[A]\nk2=y\n[B]\nk3=z\n[EndSection]\n[EndSection]\n");

    // A section written below the root closes itself, indented like its start.
    CStr_base<1024> out;
    out.Assign("head\n");
    ASSERT_TRUE(tree.WriteSectionToString(out, tree.FindSection("/A/B"), 2, false));
    EXPECT_STREQ(out.GetText(), "head\n\t\tk3=z\n\t[EndSection]\n");

    Tree reread;
    ASSERT_TRUE(reread.Parse(kExample, false));
    EXPECT_EQ(Write(reread), kExample);
}

TEST(IniText, WriterFollowsBucketOrderAndReadingReversesASharedBucket) {
    // Buckets of 32: "k1" 13, "af" 13, "av" 13, "x" 24, "key" 0, "A" 1, "B" 2.
    Tree tree;
    for (const char* key : {"x", "af", "k1", "av", "key"}) ASSERT_NE(tree.SetString(key, key), nullptr);
    ASSERT_TRUE(tree.AddSection("B"));
    ASSERT_TRUE(tree.AddSection("A"));
    const std::string first = Write(tree);
    // Ascending buckets; within bucket 13 the newest first.
    EXPECT_EQ(first, "key=key\nav=av\nk1=k1\naf=af\nx=x\n[A]\n[EndSection]\n[B]\n[EndSection]\n");

    Tree reread;
    ASSERT_TRUE(reread.Parse(first.c_str(), false));
    EXPECT_EQ(Write(reread), "key=key\naf=af\nk1=k1\nav=av\nx=x\n[A]\n[EndSection]\n[B]\n[EndSection]\n");
    EXPECT_EQ(Dump(reread), Dump(tree));
}

TEST(IniText, ATreeWrittenAndReadBackIsTheSameText) {
    Tree tree;
    // Keys of one section in distinct buckets, so reading keeps their order.
    ASSERT_NE(tree.SetString("alpha", "C:\\dir\\file.txt"), nullptr);
    ASSERT_NE(tree.SetString("beta", "line1\nline2\tcol\\0\\9\\\\"), nullptr);
    ASSERT_NE(tree.SetString("gamma", ""), nullptr);
    ASSERT_NE(tree.SetString("", "the empty key"), nullptr);
    ASSERT_NE(tree.SetString("delta", " spaced = value "), nullptr);
    ASSERT_NE(tree.SetString("\x95\x5c\x8e\xa6", "\x95\x5c\\\x83\x5c"), nullptr);  // trail bytes 0x5C
    ASSERT_NE(tree.SetString("a key long enough to be interned in the table", "long"), nullptr);
    ASSERT_TRUE(tree.AddSection("QDXEditor"));
    ASSERT_TRUE(tree.ChangeSection("QDXEditor"));
    ASSERT_NE(tree.SetString("FastDraw", "true"), nullptr);
    ASSERT_TRUE(tree.AddSection("Inner"));
    ASSERT_NE(tree.SetString("Inner/x", "cr\rinside"), nullptr);
    ASSERT_TRUE(tree.ChangeSection("/"));
    ASSERT_TRUE(tree.AddSection("ModelList"));

    const std::string text = Write(tree);
    Tree reread;
    ASSERT_TRUE(reread.Parse(text.c_str(), false));
    EXPECT_EQ(Write(reread), text);
    EXPECT_EQ(Dump(reread), Dump(tree));
    EXPECT_STREQ(reread.FindValue("/beta")->GetText(), "line1\nline2\tcol\\0\\9\\\\");
    EXPECT_STREQ(reread.FindValue("/QDXEditor/Inner/x")->GetText(), "cr\rinside");

    Tree flat;
    ASSERT_TRUE(flat.Parse(Write(tree, true).c_str(), false));
    EXPECT_EQ(Dump(flat), Dump(tree));
}

TEST(IniText, ParseHandlesEveryKindOfLine) {
    struct Case {
        const char* name;
        const char* text;
        bool result;
        const char* dump;
    };
    const Case cases[] = {
        {"empty text", "", true, ""},
        {"blank lines only", "\n\n  \n\t\n", true, ""},
        {"no final LF", "k=v", true, "/k=v|"},
        {"blanks around =", "  k = v", true, "/k = v|"},
        {"indentation of TABs and blanks", "\t \tk=v\n", true, "/k=v|"},
        {"empty key", "=v\n", true, "/=v|"},
        {"empty value", "k=\n", true, "/k=|"},
        {"further = in the value", "k=a=b\n", true, "/k=a=b|"},
        {"later line overwrites", "k=1\nk=2\n", true, "/k=2|"},
        {"comment-like without =", "; note\n# note\nk=v\n", true, "/k=v|"},
        {"comment-like with =", "; n=1\n# n=2\n", true, "/# n=2|/; n=1|"},
        {"blank after ]", "[A] \nk=v\n", true, "/k=v|"},
        {"= inside brackets", "[A=B]\n", true, "/[A=B]|"},
        {"short bracket lines", "[\n]\nk=v\n", true, "/k=v|"},
        {"section and values", "[A]\nk=v\n[EndSection]\nr=1\n", true, "/A/|/A/k=v|/r=1|"},
        {"indented end line", "[A]\n\t[EndSection]\nr=1\n", true, "/A/|/r=1|"},
        {"missing end line", "[A]\n[B]\nk=v", true, "/A/|/A/B/|/A/B/k=v|"},
        {"same section twice merges", "[A]\nx=1\n[EndSection]\n[A]\ny=2\n[EndSection]\n", true,
         "/A/|/A/x=1|/A/y=2|"},
        {"end line at the root stops", "a=1\n[EndSection]\nb=2\n", false, "/a=1|"},
        {"dot in a section name stops", "a=1\n[a.b]\nb=2\n", false, "/a=1|"},
        {"slash in a section name stops", "[A]\n[a/b]\nb=2\n", false, "/A/|"},
        {"empty name makes no section", "[]\nk=v\n", true, "/k=v|"},
        {"value escapes", "k=C:\\\\x\\n\\t\\0\\1\\q\\\n", true, "/k=C:\\x\n\t\\\\\\0|"},
        {"CR LF without translation", "k=v\r\n[A]\r\nx=1\r\n[EndSection]\r\n", true, "/k=v\r|/x=1\r|"},
        {"section name with trail byte 0x5C", "[\x95\x5c]\nk=v\n", true, "/\x95\x5c/|/\x95\x5c/k=v|"},
    };
    for (const Case& c : cases) {
        Tree tree;
        EXPECT_EQ(tree.Parse(c.text, false), c.result) << c.name;
        EXPECT_EQ(Dump(tree), c.dump) << c.name;
    }
}

// "[]" makes no section, but its end line is its own: it must not close the
// section around it, or everything after it lands a level too high (or, at the
// root, is not read at all).
TEST(IniText, AnUnnamedSectionLineOpensALevelThatItsEndLineCloses) {
    struct Case {
        const char* name;
        const char* text;
        bool result;
        const char* dump;
    };
    const Case cases[] = {
        {"lines inside belong to the section around it", "[A]\n[]\nx=1\n[EndSection]\ny=2\n[EndSection]\nz=3\n",
         true, "/A/|/A/x=1|/A/y=2|/z=3|"},
        {"at the root", "[]\n[EndSection]\nr=1\n", true, "/r=1|"},
        {"a section inside", "[]\n[B]\nk=v\n[EndSection]\n[EndSection]\nr=1\n", true, "/B/|/B/k=v|/r=1|"},
        {"nested in each other", "[A]\n[]\n[]\n[EndSection]\n[EndSection]\n[EndSection]\nr=1\n", true,
         "/A/|/r=1|"},
        {"between sections", "[A]\n[]\n[B]\n[]\n[EndSection]\nb=1\n[EndSection]\na=1\n[EndSection]\n"
         "[EndSection]\nr=1\n", true, "/A/|/A/B/|/A/B/b=1|/A/a=1|/r=1|"},
        {"one end line too many still stops", "[]\n[EndSection]\n[EndSection]\nlost=1\n", false, ""},
        {"indented, as a writer would put it", "[A]\n\t[]\n\t[EndSection]\n[EndSection]\nr=1\n", true,
         "/A/|/r=1|"},
    };
    for (const Case& c : cases) {
        Tree tree;
        EXPECT_EQ(tree.Parse(c.text, false), c.result) << c.name;
        EXPECT_EQ(Dump(tree), c.dump) << c.name;
        // What was read writes a text that reads back to the same tree.
        Tree reread;
        EXPECT_TRUE(reread.Parse(Write(tree).c_str(), false)) << c.name;
        EXPECT_EQ(Dump(reread), c.dump) << c.name;
    }

    // Reading that began in a section may still leave it.
    Tree tree;
    ASSERT_TRUE(tree.Parse("[A]\n", false));
    ASSERT_TRUE(tree.ChangeSection("A"));
    ASSERT_TRUE(tree.Parse("[]\n[EndSection]\n[EndSection]\nr=1\n", false));
    EXPECT_EQ(Dump(tree), "/A/|/r=1|");
}

TEST(IniText, AFileWithAnUnnamedSectionKeepsEverythingThroughWriteAndRead) {
    // "[a]", "[]", "[EndSection]", "[b]", "k=v", "[EndSection]".
    const std::string path = std::string(OC_SOURCE_DIR) + "/tests/foundation/settings/data/settings-emptyname-dataloss.ini";
    Tree tree;
    ASSERT_TRUE(tree.Load(std::u16string(path.begin(), path.end()).c_str(), true));
    EXPECT_EQ(Dump(tree), "/a/|/a/b/|/a/b/k=v|");

    const std::string first = Write(tree);
    EXPECT_EQ(first, "[a]\n\t[b]\n\t\tk=v\n\t[EndSection]\n[EndSection]\n");
    Tree reread;
    ASSERT_TRUE(reread.Parse(first.c_str(), false));
    EXPECT_EQ(Dump(reread), Dump(tree));
    EXPECT_EQ(Write(reread), first);
}

TEST(IniText, ParseReturnsToTheRootOnlyWhenItSucceeds) {
    Tree tree;
    ASSERT_TRUE(tree.Parse("[A]\n[B]\nk=v\n", false));
    EXPECT_EQ(tree.GetCurrentSection(), tree.GetRoot());
    EXPECT_STREQ(tree.GetCurrentPath().GetText(), "");

    ASSERT_FALSE(tree.Parse("[C]\n[D]\n[x.y]\nlost=1\n", false));
    EXPECT_EQ(tree.GetCurrentSection(), tree.FindSection("/C/D"));
    EXPECT_STREQ(tree.GetCurrentPath().GetText(), "C/D");
    EXPECT_EQ(tree.FindValue("/C/D/lost"), nullptr);

    // Without the clear flag reading adds to the tree; with it the tree starts over.
    ASSERT_TRUE(tree.ChangeSection("/"));
    ASSERT_TRUE(tree.Parse("more=1\n", false));
    EXPECT_EQ(Dump(tree), "/A/|/A/B/|/A/B/k=v|/C/|/C/D/|/more=1|");
    ASSERT_TRUE(tree.Parse("only=1\n", true));
    EXPECT_EQ(Dump(tree), "/only=1|");
}

TEST(IniText, ParseMayReadTextHeldByAValueOfTheSameTree) {
    // The value that receives the first line holds the whole text being read.
    Tree tree;
    ASSERT_NE(tree.SetString("v", "v=x\\ty\nw=2"), nullptr);
    ASSERT_TRUE(tree.Parse(tree.FindValue("v")->GetText(), false));
    EXPECT_EQ(Dump(tree), "/v=x\ty|/w=2|");
}

TEST(IniText, NamesTheTextFormCannotCarryAreRefusedBeforeWriting) {
    // Each of these, had it been stored, would read back as something else.
    Tree tree;
    EXPECT_FALSE(tree.AddSection("EndSection"));
    EXPECT_FALSE(tree.AddSection("a=b"));
    EXPECT_FALSE(tree.AddSection("line\nbreak"));
    EXPECT_FALSE(tree.AddSection(""));
    EXPECT_EQ(tree.SetString(" lead", "v"), nullptr);
    EXPECT_EQ(tree.SetString("\tlead", "v"), nullptr);
    EXPECT_EQ(tree.SetString("line\nbreak", "v"), nullptr);
    EXPECT_EQ(tree.SetString("k=v", "v"), nullptr);
    EXPECT_EQ(Write(tree), "");

    // Escaping the user text first gives names that do survive; a leading blank
    // and the name EndSection pass through the escape unchanged.
    CStr_base<64> name("a=b\tc/d\ne");
    CStr_base<64> scratch;
    EscapeIniName(name, scratch);
    ASSERT_NE(tree.SetString(name.GetText(), "v"), nullptr);
    ASSERT_TRUE(tree.AddSection(name.GetText()));
    Tree reread;
    ASSERT_TRUE(reread.Parse(Write(tree).c_str(), false));
    EXPECT_EQ(Dump(reread), Dump(tree));
}

TEST(IniText, ValueEscapesRoundTrip) {
    struct Case {
        const char* value;
        const char* escaped;
    };
    const Case cases[] = {
        {"C:\\x\\y", "C:\\\\x\\\\y"},
        {"\\\\server", "\\0server"},
        {"\\0", "\\1"},
        {"\\8", "\\9"},
        {"\\9", "\\\\9"},
        {"\\\\\\", "\\0\\\\"},
        {"\\", "\\\\"},
        {"a\nb\tc", "a\\nb\\tc"},
        {"\\n", "\\\\n"},
        {"cr\r", "cr\r"},
        {"\x95\x5c", "\x95\x5c"},            // trail byte 0x5C is not a backslash
        {"\x95\x5cn\x83\x5c\\", "\x95\x5cn\x83\x5c\\\\"},
        {"\\\x95\x5c", "\\\\\x95\x5c"},
        {"", ""},
    };
    for (const Case& c : cases) {
        CStr_base<64> s(c.value);
        CStr_base<64> scratch;
        EscapeIniValue(s, scratch);
        EXPECT_STREQ(s.GetText(), c.escaped) << c.value;
        EXPECT_STREQ(scratch.GetText(), c.escaped) << c.value;
        UnescapeIniValue(s, scratch);
        EXPECT_STREQ(s.GetText(), c.value) << c.escaped;
        EXPECT_STREQ(scratch.GetText(), c.value) << c.escaped;
    }
}

TEST(IniText, ALeadByteBeforeLfCannotBreakTheLine) {
    // No character ends in LF; copying the pair would put a raw LF into the
    // line and let the rest of the value be read as lines of the text.
    CStr_base<64> s("\x81\n");
    CStr_base<64> scratch;
    EscapeIniValue(s, scratch);
    EXPECT_STREQ(s.GetText(), "\x81\\n");
    s.Assign("\x81\n/=");
    EscapeIniName(s, scratch);
    EXPECT_STREQ(s.GetText(), "\x81\\n\\s\\e");

    Tree tree;
    ASSERT_TRUE(tree.AddSection("A"));
    ASSERT_NE(tree.SetString("A/k", "\x81\n[EndSection]\ninjected=1\n\x81"), nullptr);
    const std::string text = Write(tree);
    EXPECT_EQ(text, "[A]\n\tk=\x81\\n[EndSection]\\ninjected=1\\n\x81\n[EndSection]\n");
    Tree reread;
    ASSERT_TRUE(reread.Parse(text.c_str(), false));
    // The lead byte reads back paired with the escape's backslash; the tree
    // keeps its shape.
    EXPECT_EQ(Dump(reread), "/A/|/A/k=\x81\\n[EndSection]\ninjected=1\n\x81|");
}

TEST(IniText, UnescapeDropsWhatNoEscapeProduces) {
    struct Case {
        const char* text;
        const char* value;
    };
    const Case cases[] = {
        {"abc\\", "abc"},     // a backslash at the end
        {"a\\qb", "ab"},      // unknown escape: both bytes dropped
        {"\\0\\1", "\\\\\\0"},
        {"\\\\\\n\\t", "\\\n\t"},
        {"\x95\x5c\\", "\x95\x5c"},
    };
    for (const Case& c : cases) {
        CStr_base<64> s(c.text);
        CStr_base<64> scratch;
        UnescapeIniValue(s, scratch);
        EXPECT_STREQ(s.GetText(), c.value) << c.text;
    }
}

TEST(IniText, NameEscapes) {
    struct Case {
        const char* name;
        const char* escaped;
    };
    const Case cases[] = {
        {"a\tb\nc/d=e\\f", "a\\tb\\nc\\sd\\ee\\\\f"},
        {"\x95\x5c/\x83\x5c", "\x95\x5c\\s\x83\x5c"},
        {" EndSection ", " EndSection "},
        {"plain.name", "plain.name"},
    };
    for (const Case& c : cases) {
        CStr_base<64> s(c.name);
        CStr_base<64> scratch;
        EscapeIniName(s, scratch);
        EXPECT_STREQ(s.GetText(), c.escaped) << c.name;
        EXPECT_STREQ(scratch.GetText(), c.escaped) << c.name;
    }
}

TEST(IniText, EscapesAsMembersOfTheString) {
    // A value long enough that its escaped form outgrows every pool chunk.
    std::string longValue;
    std::string longEscaped;
    for (int i = 0; i < 700; ++i) {
        longValue += "\\\n";
        longEscaped += "\\\\\\n";
    }
    CStr_base<64> scratch;
    CStr_base<64> s(longValue.c_str());
    s.EscapeIniValue(scratch);
    EXPECT_EQ(std::string(s.GetText()), longEscaped);
    EXPECT_EQ(std::string(scratch.GetText()), longEscaped);
    s.UnescapeIniValue(scratch);
    EXPECT_EQ(std::string(s.GetText()), longValue);
    EXPECT_EQ(std::string(scratch.GetText()), longValue);

    // The scratch string's old text does not leak into the result.
    scratch.Assign("left over from before");
    CStr_base<64> name("a/b=c\t\x95\x5c");
    name.EscapeIniName(scratch);
    EXPECT_STREQ(name.GetText(), "a\\sb\\ec\\t\x95\x5c");
    EXPECT_STREQ(scratch.GetText(), "a\\sb\\ec\\t\x95\x5c");
    CStr_base<64> value("C:\\x\\8");
    value.EscapeIniValue(scratch);
    EXPECT_STREQ(value.GetText(), "C:\\\\x\\9");
    value.UnescapeIniValue(scratch);
    EXPECT_STREQ(value.GetText(), "C:\\x\\8");
}

TEST(IniText, DeeplyNestedTextsAreReadWrittenAndClearedWithoutRecursion) {
    // Deeper than a call stack could follow one level per frame.
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "[s]\n";
    text += "k=deep\n";
    std::string path;
    for (int i = 0; i < kDepth; ++i) path += "/s";
    path += "/k";

    Tree tree;
    ASSERT_TRUE(tree.Parse(text.c_str(), false));
    ASSERT_NE(tree.FindValue(path.c_str()), nullptr);
    EXPECT_STREQ(tree.FindValue(path.c_str())->GetText(), "deep");

    const std::string written = Write(tree, true);
    std::string expected = text;
    for (int i = 0; i < kDepth; ++i) expected += "[EndSection]\n";
    EXPECT_EQ(written, expected);

    ASSERT_TRUE(tree.Parse(written.c_str(), true));  // clears the deep tree first
    EXPECT_STREQ(tree.FindValue(path.c_str())->GetText(), "deep");
}  // destroyed while deep

}  // namespace
