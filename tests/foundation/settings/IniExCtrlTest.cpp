// The settings tree: key paths, section paths and the stored current path,
// string lists, and the refusal of paths and names that would otherwise end the
// program or be written as a text that reads back differently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/containers/StrArray.h"
#include "foundation/settings/IniExCtrl.h"

namespace {

using Tree = CIniExCtrl_base<32, 32, 64>;

std::string ValueOrNull(Tree& tree, const char* path) {
    const CStr_base<64>* value = tree.FindValue(path);
    return value != nullptr ? std::string(value->GetText()) : std::string("<null>");
}

// root: key=r, [a: key=a, [b: key=ab, [c]]], [b: key=b]
void BuildSample(Tree& tree) {
    ASSERT_NE(tree.SetString("/key", "r"), nullptr);
    ASSERT_TRUE(tree.AddSection("a"));
    ASSERT_TRUE(tree.AddSection("b"));
    ASSERT_NE(tree.SetString("/b/key", "b"), nullptr);
    ASSERT_TRUE(tree.ChangeSection("/a"));
    ASSERT_NE(tree.SetString("key", "a"), nullptr);
    ASSERT_TRUE(tree.AddSection("b"));
    ASSERT_NE(tree.SetString("b/key", "ab"), nullptr);
    ASSERT_TRUE(tree.ChangeSection("b"));
    ASSERT_TRUE(tree.AddSection("c"));
    ASSERT_TRUE(tree.ChangeSection("/"));
}

TEST(IniExCtrl, KeyPathsResolveAbsoluteRelativeAndParent) {
    Tree tree;
    BuildSample(tree);
    struct Case {
        const char* current;  // section made current first
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"/", "key", "r"},
        {"/", "/key", "r"},
        {"/", "a/b/key", "ab"},
        {"/", "/a/../b/key", "b"},
        {"/", "a//b/key", "ab"},          // empty parts are skipped
        {"/", "/a/b/c/../key", "ab"},
        {"/", "//key", "r"},              // "/" names the root
        {"/", "a/missing", "<null>"},     // missing key in an existing section
        {"/", "a/", "<null>"},            // the empty key
        {"/", "../key", "<null>"},        // no parent above the root
        {"/", "./a/key", "<null>"},       // "." is a name like any other
        {"/", "/nosuch/key", "<null>"},   // missing section: not found, no throw
        {"/", "a/key=", "<null>"},        // "=" anywhere: not found, no throw
        {"/", "x=y/key", "<null>"},
        {"/a", "key", "a"},
        {"/a", "../key", "r"},
        {"/a", "/key", "r"},
        {"/a", "b/key", "ab"},
        {"/a/b/c", "../../../b/key", "b"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(tree.ChangeSection(c.current)) << c.current;
        EXPECT_EQ(ValueOrNull(tree, c.path), c.expected) << "from " << c.current << ": " << c.path;
    }
}

TEST(IniExCtrl, FindSectionEdges) {
    Tree tree;
    BuildSample(tree);
    Tree::Section* a = tree.FindSection("/a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(tree.FindSection(""), tree.GetRoot());
    EXPECT_EQ(tree.FindSection("/"), tree.GetRoot());
    EXPECT_EQ(tree.FindSection("//a//"), a);
    EXPECT_EQ(tree.FindSection(".."), nullptr);
    EXPECT_EQ(tree.FindSection("./a"), nullptr);
    EXPECT_EQ(tree.FindSection("a/b/c/../.."), a);
    EXPECT_EQ(tree.FindSection("a")->parent, tree.GetRoot());
    EXPECT_EQ(tree.GetRoot()->parent, nullptr);
}

TEST(IniExCtrl, ChangeSectionStoresThePathText) {
    Tree tree;
    BuildSample(tree);
    ASSERT_TRUE(tree.ChangeSection("/a/b"));  // make /a/b/c reachable as "c"
    struct Step {
        const char* path;
        bool ok;
        const char* stored;  // current path afterwards
        const char* section; // absolute path of the section that should be current
    };
    const Step steps[] = {
        {"/a/b", true, "a/b", "/a/b"},
        {"c", true, "a/b/c", "/a/b/c"},
        {"..", true, "a/b", "/a/b"},
        {"/a/../a", true, "a/../a", "/a"},  // absolute: stored as written
        {"b", true, "a/../a/b", "/a/b"},
        {"..", true, "a/../a", "/a"},
        {"/", true, "", "/"},
        {"..", false, "", "/"},             // nothing above the root: no change
        {"nosuch", false, "", "/"},
        {"a//b", true, "a/b", "/a/b"},      // relative: empty parts skipped
        {"../..", true, "", "/"},
        {"//a", true, "/a", "/a"},          // only the first "/" is dropped
        {"b", true, "a/b", "/a/b"},         // an empty first part is dropped
        {"", true, "a/b", "/a/b"},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(tree.ChangeSection(s.path), s.ok) << s.path;
        EXPECT_STREQ(tree.GetCurrentPath().GetText(), s.stored) << s.path;
        EXPECT_EQ(tree.GetCurrentSection(), tree.FindSection(s.section)) << s.path;
    }
}

TEST(IniExCtrl, ChangeSectionSplitsTheStoredPathAgainEachTime) {
    // A name ending in a lone lead byte swallows the "/" that follows it when
    // the stored path is split again, so ".." then drops both names.
    Tree tree;
    ASSERT_TRUE(tree.AddSection("a\x81"));
    ASSERT_TRUE(tree.ChangeSection("a\x81"));
    ASSERT_TRUE(tree.AddSection("b"));
    ASSERT_TRUE(tree.ChangeSection("b"));
    EXPECT_STREQ(tree.GetCurrentPath().GetText(), "a\x81/b");
    ASSERT_TRUE(tree.ChangeSection(".."));
    EXPECT_STREQ(tree.GetCurrentPath().GetText(), "");
    EXPECT_EQ(tree.GetCurrentSection(), tree.FindSection("/a\x81"));
}

TEST(IniExCtrl, AddSectionAcceptsOnlyNamesTheTextFormReadsBack) {
    Tree tree;
    ASSERT_TRUE(tree.AddSection("A"));
    Tree::Section* a = tree.FindSection("A");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(tree.SetString("A/k", "v"), nullptr);
    EXPECT_TRUE(tree.AddSection("A"));  // existing: true, nothing changes
    EXPECT_EQ(tree.FindSection("A"), a);
    EXPECT_EQ(ValueOrNull(tree, "A/k"), "v");
    EXPECT_EQ(tree.GetCurrentSection(), tree.GetRoot());

    const char* refused[] = {"a.b", "a/b", ".", "..", "", "EndSection", "a=b", "a\nb"};
    for (const char* name : refused) {
        EXPECT_FALSE(tree.AddSection(name)) << name;
        EXPECT_EQ(tree.GetRoot()->sections.Find(name), nullptr) << name;
    }
    // Two-byte characters (the second one ends in 0x5C), blanks and other
    // punctuation are fine.
    for (const char* name : {"\x95\x5c\x8e\xa6", " x ", "[x]", "EndSection2", "a\tb"}) {
        EXPECT_TRUE(tree.AddSection(name)) << name;
        EXPECT_NE(tree.GetRoot()->sections.Find(name), nullptr) << name;
    }
}

TEST(IniExCtrl, GetOrAddValueNeverMakesSectionsAndRefusesUnwritableKeys) {
    Tree tree;
    ASSERT_TRUE(tree.AddSection("A"));
    EXPECT_EQ(tree.GetOrAddValue("/NoSuchSection/key"), nullptr);
    EXPECT_EQ(tree.FindSection("NoSuchSection"), nullptr);
    EXPECT_EQ(tree.SetString("/NoSuchSection/key", "v"), nullptr);
    EXPECT_EQ(tree.GetOrAddValue("A/k=v"), nullptr);

    // A key the reader would read back differently: leading blank or TAB
    // (dropped as indentation), LF (ends the line).
    for (const char* path : {" k", "\tk", "A/ k", "A/a\nb"}) {
        EXPECT_EQ(tree.GetOrAddValue(path), nullptr) << path;
        EXPECT_EQ(tree.SetString(path, "v"), nullptr) << path;
    }
    CStrArray_base<64> keys;
    tree.GetRoot()->values.GetKeys(keys);
    EXPECT_EQ(keys.GetCount(), 0u);
    tree.FindSection("A")->values.GetKeys(keys);
    EXPECT_EQ(keys.GetCount(), 0u);

    // Fine: blanks inside or at the end, the empty key, a long (interned) key.
    const char* accepted[] = {"k ", "a b", "A/", "A/a very long key that is stored in the shared table"};
    for (const char* path : accepted) {
        const char* stored = tree.SetString(path, path);
        ASSERT_NE(stored, nullptr) << path;
        EXPECT_STREQ(stored, path);
        EXPECT_EQ(ValueOrNull(tree, path), path);
        EXPECT_EQ(tree.GetOrAddValue(path), tree.FindValue(path));
    }
}

TEST(IniExCtrl, StringListsStoreIndexedKeysAndTrimTheOldTail) {
    Tree tree;
    ASSERT_TRUE(tree.AddSection("S"));
    CStrArray_base<64> list;

    // Two strings over an old list of four.
    for (const char* s : {"0", "1", "2", "3"}) list.Add(s);
    EXPECT_EQ(tree.SetStringList("/S/name", list), 4);
    list.Split("x,y", ",");
    EXPECT_EQ(tree.SetStringList("/S/name", list), 4);
    EXPECT_EQ(ValueOrNull(tree, "/S/name[0]"), "x");
    EXPECT_EQ(ValueOrNull(tree, "/S/name[1]"), "y");
    EXPECT_EQ(ValueOrNull(tree, "/S/name[2]"), "<null>");
    EXPECT_EQ(ValueOrNull(tree, "/S/name[3]"), "<null>");

    // Old name[0], name[1], name[3] and one string: name[1] goes, name[3] stays.
    ASSERT_NE(tree.SetString("/S/name[3]", "old3"), nullptr);
    list.Split("only", ",");
    EXPECT_EQ(tree.SetStringList("/S/name", list), 2);
    EXPECT_EQ(ValueOrNull(tree, "/S/name[0]"), "only");
    EXPECT_EQ(ValueOrNull(tree, "/S/name[1]"), "<null>");
    EXPECT_EQ(ValueOrNull(tree, "/S/name[3]"), "old3");

    // Reading stops at the first gap.
    ASSERT_NE(tree.SetString("/S/name[1]", "one"), nullptr);
    CStrArray_base<64> got;
    got.Add("stale");
    EXPECT_EQ(tree.GetStringList("/S/name", got), 2);
    ASSERT_EQ(got.GetCount(), 2u);
    EXPECT_STREQ(got.GetAt(0)->GetText(), "only");
    EXPECT_STREQ(got.GetAt(1)->GetText(), "one");

    // Relative to the current section, and a list at the root.
    ASSERT_TRUE(tree.ChangeSection("S"));
    EXPECT_EQ(tree.GetStringList("name", got), 2);
    list.Split("r0,r1,r2", ",");
    EXPECT_EQ(tree.SetStringList("/rootlist", list), 3);
    EXPECT_EQ(ValueOrNull(tree, "/rootlist[2]"), "r2");
}

TEST(IniExCtrl, StringListsOnBadPathsReportNothingAndChangeNothing) {
    Tree tree;
    CStrArray_base<64> list;
    list.Split("a,b", ",");
    for (const char* path : {"/NoSuch/name", "na=me", "/x=y/name", " name", "\tname"}) {
        EXPECT_EQ(tree.SetStringList(path, list), 0) << path;
        CStrArray_base<64> got;
        got.Add("stale");
        EXPECT_EQ(tree.GetStringList(path, got), 0) << path;
        EXPECT_EQ(got.GetCount(), 0u) << path;
    }
    CStr_base<1024> text;
    tree.WriteSectionToString(text, tree.GetRoot(), 0, false);
    EXPECT_STREQ(text.GetText(), "");
    EXPECT_EQ(tree.FindSection("NoSuch"), nullptr);
}

TEST(IniExCtrl, ClearLeavesAFreshRootAndRecyclesStorage) {
    Tree tree;
    BuildSample(tree);
    ASSERT_TRUE(tree.ChangeSection("/a/b"));
    tree.Clear();
    EXPECT_EQ(tree.GetCurrentSection(), tree.GetRoot());
    EXPECT_STREQ(tree.GetCurrentPath().GetText(), "");
    EXPECT_EQ(tree.FindSection("a"), nullptr);
    EXPECT_EQ(tree.FindValue("/key"), nullptr);
    CStr_base<1024> text;
    tree.WriteSectionToString(text, tree.GetRoot(), 0, false);
    EXPECT_STREQ(text.GetText(), "");

    // The tree works as new, many times over, without growing without bound.
    for (int round = 0; round < 50; ++round) {
        BuildSample(tree);
        EXPECT_EQ(ValueOrNull(tree, "/a/b/key"), "ab");
        tree.Clear();
    }
    BuildSample(tree);
    EXPECT_EQ(ValueOrNull(tree, "/b/key"), "b");
}

TEST(IniExCtrl, RenamingASectionThroughItsParentsMapKeepsItsContents) {
    Tree tree;
    ASSERT_TRUE(tree.AddSection("BitmapPallet"));
    ASSERT_NE(tree.SetString("/BitmapPallet/obj", "1,2,3"), nullptr);
    Tree::Section* section = tree.FindSection("BitmapPallet");
    ASSERT_TRUE(tree.GetRoot()->sections.RenameKey("BitmapPallet", "BitmapPalette"));
    EXPECT_EQ(tree.FindSection("BitmapPallet"), nullptr);
    EXPECT_EQ(tree.FindSection("BitmapPalette"), section);
    EXPECT_EQ(ValueOrNull(tree, "/BitmapPalette/obj"), "1,2,3");
}

}  // namespace
