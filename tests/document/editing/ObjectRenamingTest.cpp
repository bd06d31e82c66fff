#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"

namespace {

std::string Save(CQDXCtrl& doc) {
    CStr_base<16384> text;
    EXPECT_TRUE(doc.SaveString(text));
    return text.GetText();
}

QDXObject& Get(CQDXCtrl& doc, const char* name) { return doc.Objects.Find(name)->GetValue(); }

std::vector<std::string> FactorNames(CQDXCtrl& doc, const char* name) {
    std::vector<std::string> out;
    for (const QDXFactor* f : Get(doc, name).Factors) out.push_back(f->Name.GetText());
    return out;
}

const char kLine[] = "Line(0,0,16,16,16,ff0000,255)";

// Map order of one-letter names follows their bytes: A, B, C, D, E. A is
// drawn by C's factor 2 and listed twice in one of D's target entries; E
// names it as a ghost's template and through reserved names that are not A.
class ObjectRenamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string line = kLine;
        ASSERT_TRUE(doc.AddObjectFromText("A", ("Render(8,8,0,array(" + line + "," + line + "))").c_str()));
        ASSERT_TRUE(doc.AddObjectFromText(
            "C", ("Render(8,8,0,array(" + line + ",Copy(0,0,8,8,\"AB\",0,0),Copy(0,0,8,8,\"A\",0,0)))").c_str()));
        ASSERT_TRUE(doc.AddObjectFromText(
            "D", "Render(8,8,0,array(TargetList(FTI(\"A\",\"x\",\"A\",\"\"),!FTI(\"y\",\"\",\"\",\"\"))))"));
        ASSERT_TRUE(doc.AddObjectFromText(
            "E", "Render(8,8,0,array(GhostFactor(\"_PrevObject\",0),Copy(0,0,8,8,\"_Template1\",0,0)))"));
        ASSERT_TRUE(doc.AddObjectFromText("AB", ("Render(8,8,0,array(" + line + "))").c_str()));
    }

    CQDXCtrl doc;
};

TEST_F(ObjectRenamingTest, RenameWithRewriteAndUndoRestoresTheDocument) {
    const std::string before = Save(doc);
    Get(doc, "A").RenderState = QDXObject::kDrawn;
    Get(doc, "C").RenderState = QDXObject::kDrawn;
    CStr_base<1024> record;
    ASSERT_TRUE(doc.RenameObject("A", "B", true, &record));
    EXPECT_STREQ(record.GetText(), "A/B/C,2/D,0");
    // References follow the name, so nothing draws differently.
    EXPECT_EQ(Get(doc, "B").RenderState, QDXObject::kDrawn);
    EXPECT_EQ(Get(doc, "C").RenderState, QDXObject::kDrawn);

    EXPECT_EQ(doc.Objects.Find("A"), nullptr);
    EXPECT_STREQ(Get(doc, "B").Name.GetText(), "B");
    EXPECT_EQ(FactorNames(doc, "B"), (std::vector<std::string>{"B?0", "B?1"}));
    EXPECT_STREQ(Get(doc, "C").Factors.GetAt(2)->SourceName.GetText(), "B");
    EXPECT_STREQ(Get(doc, "C").Factors.GetAt(1)->SourceName.GetText(), "AB");
    const QDXForeachTargetInfo& entry = *Get(doc, "D").Factors.GetAt(0)->Targets.GetAt(0);
    EXPECT_STREQ(entry.Names[0].GetText(), "B");
    EXPECT_STREQ(entry.Names[1].GetText(), "x");
    EXPECT_STREQ(entry.Names[2].GetText(), "B");
    EXPECT_NE(Save(doc), before);

    ASSERT_TRUE(doc.ApplyRenameRecord(record.GetText()));
    EXPECT_EQ(Save(doc), before);
    EXPECT_EQ(doc.Objects.Find("B"), nullptr);
    EXPECT_STREQ(Get(doc, "A").Name.GetText(), "A");
    EXPECT_EQ(FactorNames(doc, "A"), (std::vector<std::string>{"A?0", "A?1"}));
}

TEST_F(ObjectRenamingTest, SelfReferenceIsRewrittenAndRecordedUnderTheNewName) {
    ASSERT_TRUE(Get(doc, "A").AppendFactor("GhostFactor(\"A\",0)"));
    ASSERT_TRUE(Get(doc, "A").AppendFactor("GhostObject(\"Q\",\"A\",\"\",\"A\",\"_Template2\")"));
    const std::string before = Save(doc);
    CStr_base<1024> record;
    ASSERT_TRUE(doc.RenameObject("A", "Z", true, &record));
    // Z comes last in map order.
    EXPECT_STREQ(record.GetText(), "A/Z/C,2/D,0/Z,2/Z,3");
    const QDXObject& z = Get(doc, "Z");
    EXPECT_STREQ(z.Factors.GetAt(2)->SourceName.GetText(), "Z");
    EXPECT_STREQ(z.Factors.GetAt(3)->TemplateNames[0].GetText(), "Z");
    EXPECT_STREQ(z.Factors.GetAt(3)->TemplateNames[2].GetText(), "Z");
    EXPECT_STREQ(z.Factors.GetAt(3)->TemplateNames[3].GetText(), "_Template2");
    ASSERT_TRUE(doc.ApplyRenameRecord(record.GetText()));
    EXPECT_EQ(Save(doc), before);
}

TEST_F(ObjectRenamingTest, RenameWithoutRewriteLeavesReferences) {
    CStr_base<1024> record;
    ASSERT_TRUE(doc.RenameObject("A", "B", false, &record));
    EXPECT_STREQ(record.GetText(), "A/B");
    EXPECT_STREQ(Get(doc, "C").Factors.GetAt(2)->SourceName.GetText(), "A");
    EXPECT_EQ(FactorNames(doc, "B"), (std::vector<std::string>{"B?0", "B?1"}));
    // The record undoes the name alone.
    ASSERT_TRUE(doc.ApplyRenameRecord(record.GetText()));
    EXPECT_EQ(FactorNames(doc, "A"), (std::vector<std::string>{"A?0", "A?1"}));
    // No record wanted.
    EXPECT_TRUE(doc.RenameObject("A", "B", true, nullptr));
    EXPECT_STREQ(Get(doc, "C").Factors.GetAt(2)->SourceName.GetText(), "B");
}

TEST_F(ObjectRenamingTest, RenameToTheSameName) {
    const std::string before = Save(doc);
    CStr_base<1024> record("junk");
    EXPECT_TRUE(doc.RenameObject("A", "A", true, &record));
    EXPECT_STREQ(record.GetText(), "A/A");
    EXPECT_TRUE(doc.ApplyRenameRecord(record.GetText()));
    EXPECT_EQ(Save(doc), before);
}

TEST_F(ObjectRenamingTest, RefusedRenamesChangeNothing) {
    const std::string before = Save(doc);
    const struct {
        const char* from;
        const char* to;
    } cases[] = {
        {"A", "x/y"}, {"A", "x,y"}, {"A", "x?y"}, {"A", "x=y"}, {"A", "x*y"}, {"A", "x'y"}, {"A", "x\"y"},
        {"A", "x\\y"},
        // Names the reader refuses: the document would no longer read back.
        {"A", ""}, {"A", "x\x82"},
        // Taken names, a built-in's included.
        {"A", "C"}, {"A", "_PrevObject"},
        // No such object; a built-in keeps its name.
        {"Q", "R"}, {"_Template1", "T"}, {"_PrevObject", "P"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        CStr_base<1024> record;
        EXPECT_FALSE(doc.RenameObject(c.from, c.to, true, &record));
        EXPECT_EQ(Save(doc), before);
        EXPECT_STREQ(Get(doc, "A").Name.GetText(), "A");
    }
    for (const char* name : {"_Template1", "_Template2", "_Template3", "_Template4", "_PrevObject"})
        EXPECT_EQ(Get(doc, name).Kind, QDXObject::kBuiltIn) << name;
    // A double-byte character whose trail byte is a backslash is part of a name.
    EXPECT_TRUE(doc.RenameObject("A", "\x83\x5C", true, nullptr));
}

TEST_F(ObjectRenamingTest, RecordThatDoesNotMatchTheDocumentChangesNothing) {
    CStr_base<1024> record;
    ASSERT_TRUE(doc.RenameObject("A", "B", true, &record));
    ASSERT_STREQ(record.GetText(), "A/B/C,2/D,0");
    const std::string renamed = Save(doc);
    const char* const cases[] = {
        "A",                 // one part
        "A/Q",               // the new name names nothing
        "C/B",               // the old name is taken
        "A?/B",              // the old name is not a name
        "/B",                // nor is an empty one
        "A/B/C",             // an item without a position
        "A/B/C,2,3",         // three parts
        "A/B/C,",            // no digits
        "A/B/C,x",           // not a number
        "A/B/C,-1",          // not a position
        "A/B/C,4294967298",  // beyond 32 bits
        "A/B/Q,0",           // no such object
        "A/B/C,3",           // past C's list
        "A/B/C,2/D,1",       // a good item, then one past D's list
        "A/B/C,2/",          // an empty item
        "A/_Template1",      // a built-in keeps its name
    };
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        EXPECT_FALSE(doc.ApplyRenameRecord(c));
        EXPECT_EQ(Save(doc), renamed);
        EXPECT_EQ(doc.Objects.Find("A"), nullptr);
        EXPECT_STREQ(Get(doc, "C").Factors.GetAt(2)->SourceName.GetText(), "B");
    }
    ASSERT_TRUE(doc.ApplyRenameRecord(record.GetText()));
    EXPECT_STREQ(Get(doc, "C").Factors.GetAt(2)->SourceName.GetText(), "A");
}

TEST(TargetEntryRenameTest, EveryMatchingNameChanges) {
    QDXForeachTargetInfo entry;
    ASSERT_TRUE(entry.ParseText("FTI(\"A\",\"B\",\"A\",\"\")"));
    EXPECT_FALSE(entry.RenameName("Q", "Z"));
    EXPECT_TRUE(entry.RenameName("A", "Z"));
    const char* const expected[] = {"Z", "B", "Z", ""};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(entry.Names[i].GetText(), expected[i]) << i;
}

TEST(PrefixReferencesTest, ReferencedNamesGetThePrefixReservedOnesDoNot) {
    const struct {
        const char* text;
        const char* source;  // SourceName afterwards
    } sources[] = {
        {"Copy(0,0,1,1,\"S\",0,0)", "p_S"},
        {"Copy(0,0,1,1,\"_PrevObject\",0,0)", "_PrevObject"},
        {"Copy(0,0,1,1,\"_Template3\",0,0)", "_Template3"},
        {"Copy(0,0,1,1,\"_Template3x\",0,0)", "_Template3x"},
        {"Copy(0,0,1,1,\"_Template\",0,0)", "p__Template"},
        {"Copy(0,0,1,1,\"_Template5\",0,0)", "p__Template5"},
        {"Copy(0,0,1,1,\"_PrevObject2\",0,0)", "p__PrevObject2"},
        {"Transform(\"S\",1,2,3,4,5,6,7,8,0)", "p_S"},
        // A ghost factor repeats a factor of the named object and keeps the name.
        {"GhostFactor(\"S\",1)", "S"},
    };
    for (const auto& c : sources) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText(c.text));
        EXPECT_TRUE(f.PrefixReferences("p_"));
        EXPECT_STREQ(f.SourceName.GetText(), c.source);
    }

    // A kind that names no object keeps whatever its SourceName holds.
    QDXFactor line;
    line.Reset();
    ASSERT_TRUE(line.ParseText(kLine));
    line.SourceName.Assign("S");
    line.PrefixReferences("p_");
    EXPECT_STREQ(line.SourceName.GetText(), "S");

    QDXFactor ghost;
    ghost.Reset();
    ASSERT_TRUE(ghost.ParseText("GhostObject(\"S\",\"T\",\"\",\"_Template2\",\"_PrevObject\")"));
    ghost.PrefixReferences("p_");
    EXPECT_STREQ(ghost.SourceName.GetText(), "p_S");
    const char* const templates[] = {"p_T", "", "_Template2", "_PrevObject"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(ghost.TemplateNames[i].GetText(), templates[i]) << i;

    QDXFactor list;
    list.Reset();
    ASSERT_TRUE(list.ParseText(
        "TargetList(FTI(\"a\",\"\",\"_PrevObject\",\"_Template1x\"),!FTI(\"b\",\"c\",\"\",\"\"))"));
    list.PrefixReferences("p_");
    const char* const names[2][4] = {{"p_a", "", "_PrevObject", "_Template1x"}, {"p_b", "p_c", "", ""}};
    for (int e = 0; e < 2; ++e)
        for (int i = 0; i < 4; ++i)
            EXPECT_STREQ(list.Targets.GetAt(e)->Names[i].GetText(), names[e][i]) << e << " " << i;
}

}  // namespace
