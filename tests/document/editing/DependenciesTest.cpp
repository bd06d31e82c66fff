#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

using Names = std::set<std::string>;

// A document built from object definitions: each object a list of factor texts.
class DependenciesTest : public ::testing::Test {
protected:
    QDXObject& Add(const std::string& name, const std::vector<std::string>& factors) {
        return AddTo(doc, name, factors);
    }

    static QDXObject& AddTo(CQDXCtrl& document, const std::string& name, const std::vector<std::string>& factors) {
        std::string text = "Render(1,1,0,array(";
        for (size_t i = 0; i < factors.size(); ++i) text += (i == 0 ? "" : ",") + factors[i];
        text += "))";
        EXPECT_TRUE(document.AddObjectFromText(name.c_str(), text.c_str())) << text;
        return Get(document, name);
    }

    static QDXObject& Get(CQDXCtrl& document, const std::string& name) {
        auto* element = document.Objects.Find(name.c_str());
        if (element == nullptr) throw std::string("no object ") + name;
        return element->GetValue();
    }
    QDXObject& Get(const std::string& name) { return Get(doc, name); }

    // Every vector object drawn.
    static void DrawAll(CQDXCtrl& document) {
        document.Objects.ForEach([](const char*, QDXObject& o) {
            if (o.Kind == QDXObject::kVector) o.RenderState = QDXObject::kDrawn;
        });
    }

    static Names Stale(CQDXCtrl& document) {
        Names out;
        document.Objects.ForEach([&](const char* key, QDXObject& o) {
            if (o.Kind == QDXObject::kVector && o.RenderState == QDXObject::kNotDrawn) out.insert(key);
        });
        return out;
    }

    // Of the candidates, the names the object depends on directly.
    Names DependsOnAmong(const std::string& object, const Names& candidates, bool onlyEnabled) {
        Names out;
        for (const std::string& name : candidates)
            if (Get(object).DependsOn(name.c_str(), onlyEnabled)) out.insert(name);
        return out;
    }

    // The reference map of an object: name -> referring factor's name.
    std::map<std::string, std::string> References(const std::string& object, bool onlyEnabled) {
        CMapSingle<const char*, 64, 32> map;
        Get(object).CollectReferences(map, onlyEnabled);
        std::map<std::string, std::string> out;
        map.ForEach([&](const char* key, const char*& value) { out[key] = value; });
        return out;
    }

    // The dependents set in its iteration order.
    static std::vector<std::string> Dependents(CQDXCtrl& document, const std::string& name, bool onlyEnabled,
                                               bool recursive) {
        CMapSingle<QDXObject*, 64, 32> set;
        document.CollectDependents(name.c_str(), set, onlyEnabled, recursive);
        std::vector<std::string> out;
        set.ForEach([&](const char* key, QDXObject*& value) {
            EXPECT_STREQ(value->Name.GetText(), key);
            out.push_back(key);
        });
        return out;
    }

    CQDXCtrl doc;
};

// ---- the reference relation ----

struct RelationCase {
    const char* what;
    std::vector<std::pair<std::string, std::vector<std::string>>> objects;  // the tested one is "O"
    Names all;      // what O depends on counting every factor and entry
    Names enabled;  // ... counting only enabled ones
};

TEST_F(DependenciesTest, TheReferenceRelationKindByKind) {
    const std::string copyP = "Copy(0,0,1,1,\"P\",0,0)";
    const std::string copyQ = "Copy(0,0,1,1,\"Q\",0,0)";
    const std::string fill = "Fill(0,0,1,1,ff,255)";
    const std::string list = "TargetList(FTI(\"e0\",\"\",\"\",\"\"),FTI(\"e1\",\"\",\"\",\"\"),"
                             "!FTI(\"e2\",\"\",\"\",\"\"),FTI(\"e3\",\"\",\"\",\"\"),FTI(\"e4\",\"\",\"\",\"\"))";
    const RelationCase cases[] = {
        {"a source object", {{"O", {copyP}}}, {"P"}, {"P"}},
        {"a disabled factor at the top counts only for all", {{"O", {"!" + copyP}}}, {"P"}, {}},
        {"no source", {{"O", {fill}}}, {}, {}},
        {"FrameRef takes the numbered factor's source, enabled or not",
         {{"O", {"!" + copyP, "FrameRef(0,16,ff)"}}},
         {"P"},
         {"P"}},
        {"FrameRef of a factor without source gives the empty name", {{"O", {fill, "FrameRefA(0,16)"}}}, {""}, {""}},
        {"FrameRef out of range", {{"O", {"FrameRef(2,16,ff)", "FrameRef(-1,16,ff)"}}}, {}, {}},
        {"DiagramTransform2 takes both numbered sources, not its own",
         {{"O", {copyP, "DiagramTransform2(0,\"Z\",2)", copyQ}}},
         {"P", "Q"},
         {"P", "Q"}},
        {"DiagramTransform takes the first numbered source only, not its own",
         {{"O", {copyP, "DiagramTransform(0,\"Z\",1,2,3,4)", copyQ}}},
         {"P", "Q"},
         {"P", "Q"}},
        {"two objects ghosting each other: each other's names, and what they draw",
         {{"O", {"GhostObject(\"G1\",\"\",\"\",\"\",\"\")"}},
          {"G1", {"GhostObject(\"G2\",\"\",\"\",\"\",\"\")"}},
          {"G2", {"GhostObject(\"G1\",\"\",\"\",\"\",\"\")", copyQ}}},
         {"G1", "G2", "Q"},
         {"G1", "G2", "Q"}},
        {"GhostFactor: the ghost and what its factor references, evaluated here",
         {{"O", {copyP, "GhostFactor(\"G\",1)"}}, {"G", {copyQ, "FrameRef(0,16,ff)"}}},
         {"P", "G"},
         {"P", "G"}},
        {"GhostFactor takes a disabled factor too",
         {{"O", {"GhostFactor(\"G\",0)"}}, {"G", {"!" + copyQ}}},
         {"G", "Q"},
         {"G", "Q"}},
        {"GhostFactor to a missing factor", {{"O", {"GhostFactor(\"G\",5)"}}, {"G", {copyQ}}}, {"G"}, {"G"}},
        {"GhostObject: the ghost and its factors (enabled ones only when they count)",
         {{"O", {"GhostObject(\"G\",\"\",\"\",\"\",\"\")"}}, {"G", {copyQ, "!" + copyP}}},
         {"G", "P", "Q"},
         {"G", "Q"}},
        {"GhostObject template names",
         {{"O", {"GhostObject(\"G\",\"a\",\"b\",\"c\",\"d\")"}}, {"G", {"Copy(0,0,1,1,\"_Template2\",0,0)"}}},
         {"G", "b"},
         {"G", "b"}},
        {"template names resolved through the outer arguments",
         {{"O", {"GhostObject(\"G1\",\"x\",\"y\",\"z\",\"w\")"}},
          {"G1", {"GhostObject(\"G2\",\"_Template3\",\"_Template1\",\"\",\"\")"}},
          {"G2", {"Copy(0,0,1,1,\"_Template2\",0,0)"}}},
         {"G1", "G2", "x"},
         {"G1", "G2", "x"}},
        {"a template name at the top level is literal",
         {{"O", {"Copy(0,0,1,1,\"_Template2\",0,0)"}}},
         {"_Template2"},
         {"_Template2"}},
        {"_PrevObject gives the empty name", {{"O", {"Copy(0,0,1,1,\"_PrevObject\",0,0)"}}}, {""}, {""}},
        {"Foreach, last -1: every entry from first", {{"O", {copyP, list, "Foreach(0,1,1,-1)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P", "", "e1", "e3", "e4"}},
        {"Foreach, last -2: the first entry only", {{"O", {copyP, list, "Foreach(0,1,3,-2)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P", "", "e3"}},
        {"Foreach, last 3", {{"O", {copyP, list, "Foreach(0,1,0,3)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P", "", "e0", "e1", "e3"}},
        {"Foreach, last beyond the list", {{"O", {copyP, list, "Foreach(0,1,4,99)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P", "", "e4"}},
        {"Foreach, first beyond last", {{"O", {copyP, list, "Foreach(0,1,4,2)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P"}},
        {"Foreach, a negative first runs no entry", {{"O", {copyP, list, "Foreach(0,1,-3,0)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P"}},
        {"Foreach, a negative first with last -2 runs no entry", {{"O", {copyP, list, "Foreach(0,1,-1,-2)"}}},
         {"P", "", "e0", "e1", "e2", "e3", "e4"}, {"P"}},
        {"Foreach without the factor it repeats uses nothing, not even its list",
         {{"O", {list, "Foreach(7,0)", "Foreach(-1,0)"}}}, {}, {}},
        {"... nor the entries of its ghosted list (L is the GhostFactor's own)",
         {{"O", {"GhostFactor(\"L\",0)", "Foreach(2,0)"}}, {"L", {"TargetList(FTI(\"m\",\"\",\"\",\"\"))"}}},
         {"L"},
         {"L"}},
        {"Foreach repeating a TargetList: only the list's entries",
         {{"O", {list, "Foreach(0,0,4,-2)"}}}, {"", "e0", "e1", "e2", "e3", "e4"}, {"", "e4"}},
        {"Foreach through a GhostFactor to another object's list",
         {{"O", {copyP, "GhostFactor(\"L\",0)", "Foreach(0,1)"}},
          {"L", {"TargetList(FTI(\"m\",\"n\",\"_Template1\",\"\"))"}}},
         {"P", "L", "m", "n", "_Template1", ""},
         {"P", "L", "m", "n", "_Template1", ""}},
        {"Foreach whose list is no target list", {{"O", {copyP, copyQ, "Foreach(0,1)"}}}, {"P", "Q"}, {"P", "Q"}},
    };
    for (const RelationCase& c : cases) {
        SCOPED_TRACE(c.what);
        doc.Clear();
        Names candidates = {"", "P", "Q", "Z", "G", "G1", "G2", "L", "a", "b", "x", "y", "z", "m", "n",
                            "_Template1", "_Template2", "_PrevObject", "e0", "e1", "e2", "e3", "e4"};
        for (const auto& [name, factors] : c.objects) Add(name, factors);
        EXPECT_EQ(DependsOnAmong("O", candidates, false), c.all);
        EXPECT_EQ(DependsOnAmong("O", candidates, true), c.enabled);
        // The per-factor forms agree with the object's answer.
        QDXObject& o = Get("O");
        for (const std::string& name : candidates) {
            bool any = false, anyForInvalidate = false;
            for (uint32_t i = 0; i < o.Factors.GetCount(); ++i) {
                const QDXFactor& f = *o.Factors.GetAt(i);
                any = any || f.DependsOn(name.c_str(), doc, o, false, nullptr);
                if (f.Enabled && f.DependsOnForInvalidate(name.c_str(), doc, o, nullptr)) anyForInvalidate = true;
            }
            EXPECT_EQ(any, c.all.count(name) != 0) << name;
            EXPECT_EQ(anyForInvalidate, c.enabled.count(name) != 0) << name;
        }
    }
}

TEST(FactorKindNamesSourceObjectTest, Ranges) {
    const uint32_t yes[] = {201, 499, 831, 840, 901, 999, 1102, 1105, 1109, 1112, 1113, 1116, 1118,
                            1201, 1387, 1409, 1411, 1413, 1415, 5005, 5007};
    const uint32_t no[] = {0, 12, 112, 200, 500, 830, 841, 900, 1000, 1101, 1110, 1111, 1114, 1115,
                           1119, 1200, 1388, 1408, 1412, 1416, 5004, 5008};
    for (uint32_t kind : yes) EXPECT_TRUE(FactorKindNamesSourceObject(kind)) << kind;
    for (uint32_t kind : no) EXPECT_FALSE(FactorKindNamesSourceObject(kind)) << kind;
}

// Template arguments given from outside: a GhostObject's own resolution sees them.
TEST_F(DependenciesTest, FactorStepsTakeTemplateArguments) {
    QDXObject& o = Add("O", {"Copy(0,0,1,1,\"_Template3\",0,0)", "TargetList(FTI(\"_Template1\",\"k\",\"\",\"\"))",
                             "Foreach(0,1)"});
    const char* const args[] = {"t1", "t2", "t3", "t4"};
    const QDXFactor& copy = *o.Factors.GetAt(0);
    EXPECT_TRUE(copy.DependsOn("t3", doc, o, false, args));
    EXPECT_FALSE(copy.DependsOn("_Template3", doc, o, false, args));
    EXPECT_TRUE(copy.DependsOn("_Template3", doc, o, false, nullptr));

    CMapSingle<const char*, 64, 32> map;
    o.Factors.GetAt(2)->CollectReferences(map, doc, o, true, args);
    std::map<std::string, std::string> got;
    map.ForEach([&](const char* key, const char*& value) { got[key] = value; });
    const std::map<std::string, std::string> expected = {{"t3", "O?0"}, {"t1", "O?2"}, {"k", "O?2"}, {"", "O?2"}};
    EXPECT_EQ(got, expected);

    map.RemoveAll();
    QDXForeachTargetInfo entry;
    entry.Names[0].Assign("_Template4");
    entry.Names[1].Assign("_PrevObject");
    entry.Enabled = false;
    entry.CollectReferences(map, "R?1", doc, true, args);
    EXPECT_EQ(map.GetCount(), 0u) << "a disabled entry when only enabled ones count";
    entry.CollectReferences(map, "R?1", doc, false, args);
    got.clear();
    map.ForEach([&](const char* key, const char*& value) { got[key] = value; });
    EXPECT_EQ(got, (std::map<std::string, std::string>{{"t4", "R?1"}, {"", "R?1"}}));
}

// A target entry's own test: its four names resolved (templates only when
// given, "_PrevObject" to the empty name), the enabled flag read only by the
// IfEnabled form.
TEST_F(DependenciesTest, TargetEntryUsesName) {
    QDXObject& o = Add("O", {"Fill(0,0,1,1,ff,255)"});
    QDXForeachTargetInfo entry;
    entry.Names[0].Assign("_Template2");
    entry.Names[1].Assign("_PrevObject");
    entry.Names[2].Assign("X");
    entry.Names[3].Assign("_Template4extra");
    const char* const args[] = {"t1", "t2", "t3", "t4"};
    const struct {
        const char* name;
        bool withArgs, uses;
    } cases[] = {
        {"t2", true, true},   {"_Template2", true, false}, {"_Template2", false, true},
        {"", true, true},     {"", false, true},           {"_PrevObject", false, false},
        {"X", true, true},    {"x", true, false},          {"t4", true, true},
        {"_Template4extra", false, true}, {"t1", true, false}, {"Y", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.withArgs ? " with arguments" : ""));
        const QDXTemplateArgs t = c.withArgs ? args : nullptr;
        entry.Enabled = true;
        EXPECT_EQ(entry.UsesName(c.name, t), c.uses);
        EXPECT_EQ(entry.UsesNameIfEnabled(c.name, doc, o, t), c.uses);
        entry.Enabled = false;
        EXPECT_EQ(entry.UsesName(c.name, t), c.uses);
        EXPECT_FALSE(entry.UsesNameIfEnabled(c.name, doc, o, t));
    }
}

// The reference map: transitive, the first referring factor as value, the empty
// name kept (the dialog removes it), an object's references collected once.
TEST_F(DependenciesTest, CollectReferencesIsTransitiveAndKeepsTheFirstReferrer) {
    Add("C", {"Copy(0,0,1,1,\"_PrevObject\",0,0)"});
    Add("B", {"Copy(0,0,1,1,\"C\",0,0)", "!Copy(0,0,1,1,\"D\",0,0)"});
    Add("A", {"Copy(0,0,1,1,\"B\",0,0)", "Copy(0,0,1,1,\"C\",0,0)", "Copy(0,0,1,1,\"A\",0,0)"});
    const std::map<std::string, std::string> all = {
        {"B", "A?0"}, {"C", "B?0"}, {"", "C?0"}, {"D", "B?1"}, {"A", "A?2"}};
    EXPECT_EQ(References("A", false), all);
    std::map<std::string, std::string> enabled = all;
    enabled.erase("D");
    EXPECT_EQ(References("A", true), enabled);

    // Through a ghost: the ghost's factors give their own names as values; the
    // ghost object, a name of its own, is collected as it stands (no template
    // arguments).
    Add("G", {"Copy(0,0,1,1,\"_Template1\",0,0)"});
    Add("H", {"GhostObject(\"G\",\"C\",\"\",\"\",\"\")"});
    EXPECT_EQ(References("H", false), (std::map<std::string, std::string>{
                                          {"G", "H?0"}, {"_Template1", "G?0"}, {"C", "G?0"}, {"", "C?0"}}));
}

// ---- invalidation ----

TEST_F(DependenciesTest, InvalidateDependentsFollowsTheChainButNotTheNamedObject) {
    Add("A", {"Fill(0,0,1,1,ff,255)"});
    Add("B", {"Copy(0,0,1,1,\"A\",0,0)"});
    Add("C", {"Copy(0,0,1,1,\"B\",0,0)"});
    Add("D", {"Fill(0,0,1,1,ff,255)"});
    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidateDependents("A"));
    EXPECT_EQ(Stale(doc), (Names{"B", "C"}));
    EXPECT_FALSE(doc.InvalidateDependents("A")) << "B and C are no longer drawn";

    // Only from drawn: a stale or being-drawn object in the middle stops the walk.
    DrawAll(doc);
    Get("B").RenderState = QDXObject::kDrawing;
    EXPECT_FALSE(doc.InvalidateDependents("A"));
    EXPECT_EQ(Get("B").RenderState, QDXObject::kDrawing);
    EXPECT_EQ(Get("C").RenderState, QDXObject::kDrawn);

    // A disabled factor does not count.
    DrawAll(doc);
    Get("B").Factors.GetAt(0)->Enabled = false;
    EXPECT_FALSE(doc.InvalidateDependents("A"));
    EXPECT_TRUE(Stale(doc).empty());
}

TEST_F(DependenciesTest, MutualReferencesResetBothOnce) {
    Add("A", {"Copy(0,0,1,1,\"B\",0,0)"});
    Add("B", {"Copy(0,0,1,1,\"A\",0,0)"});
    Add("S", {"GhostObject(\"S\",\"\",\"\",\"\",\"\")"});
    for (const char* name : {"A", "B"}) {
        SCOPED_TRACE(name);
        DrawAll(doc);
        EXPECT_TRUE(doc.InvalidateDependents(name));
        EXPECT_EQ(Stale(doc), (Names{"A", "B"}));
    }
    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidateDependents("S")) << "a self-reference resets the named object";
    EXPECT_EQ(Stale(doc), (Names{"S"}));
}

TEST_F(DependenciesTest, InvalidateDependentsDropsTheChangedBitmapsStoredImage) {
    QDXObject* bitmap = nullptr;
    ASSERT_TRUE(doc.Objects.Insert("Bmp", &bitmap));
    bitmap->Name.Assign("Bmp");
    bitmap->Owner = &doc;
    bitmap->Kind = QDXObject::kBitmap;
    bitmap->RenderState = QDXObject::kImageReady;
    bitmap->ImageText.Assign("image");
    bitmap->AlphaText.Assign("alpha");
    if (RasterPixelMode != 1) {
        ASSERT_TRUE(InitRasterLibrary(1));
    }
    ASSERT_TRUE(bitmap->Canvas.Create(32, 8, true));
    bitmap->Canvas.BuildOpacityMask();
    ASSERT_NE(bitmap->Canvas.GetOpacityMask(), nullptr);
    Add("User", {"Copy(0,0,1,1,\"Bmp\",0,0)"});
    DrawAll(doc);

    EXPECT_TRUE(doc.InvalidateDependents("User") == false);
    EXPECT_STREQ(bitmap->ImageText.GetText(), "image") << "another name keeps it";
    EXPECT_TRUE(doc.InvalidateDependents("Bmp"));
    EXPECT_TRUE(bitmap->ImageText.IsEmpty());
    EXPECT_TRUE(bitmap->AlphaText.IsEmpty());
    EXPECT_EQ(bitmap->Canvas.GetOpacityMask(), nullptr) << "the pixels may change: the block mask is stale";
    EXPECT_EQ(bitmap->RenderState, QDXObject::kImageReady);
    EXPECT_EQ(Get("User").RenderState, QDXObject::kNotDrawn);

    bitmap->ImageText.Assign("image");
    EXPECT_FALSE(bitmap->InvalidateIfDependsOn("Bmp"));
    EXPECT_TRUE(bitmap->ImageText.IsEmpty());
}

TEST_F(DependenciesTest, InvalidateIfDependsOnAndInvalidate) {
    QDXObject& o = Add("O", {"Fill(0,0,1,1,ff,255)", "Copy(0,0,1,1,\"P\",0,0)"});
    struct Case {
        int32_t state;
        bool enabled;
        bool result;
        int32_t after;
    };
    const Case cases[] = {
        {QDXObject::kDrawn, true, true, QDXObject::kNotDrawn},
        {QDXObject::kDrawn, false, false, QDXObject::kDrawn},
        {QDXObject::kDrawing, true, false, QDXObject::kDrawing},
        {QDXObject::kNotDrawn, true, false, QDXObject::kNotDrawn},
    };
    for (const Case& c : cases) {
        o.RenderState = c.state;
        o.Factors.GetAt(1)->Enabled = c.enabled;
        EXPECT_EQ(o.InvalidateIfDependsOn("P"), c.result) << c.state << c.enabled;
        EXPECT_EQ(o.RenderState, c.after);
    }

    struct InvalidateCase {
        int32_t kind, state;
        bool result;
        int32_t after;
    };
    const InvalidateCase invalidate[] = {
        {QDXObject::kBitmap, QDXObject::kImageReady, false, QDXObject::kImageReady},
        {QDXObject::kBitmap, QDXObject::kDrawn, true, QDXObject::kNotDrawn},
        {QDXObject::kVector, QDXObject::kDrawing, true, QDXObject::kNotDrawn},
        {QDXObject::kImageLink, QDXObject::kImageReady, true, QDXObject::kNotDrawn},
    };
    for (const InvalidateCase& c : invalidate) {
        QDXObject object;
        object.Kind = c.kind;
        object.RenderState = c.state;
        EXPECT_EQ(object.Invalidate(), c.result) << c.kind << "," << c.state;
        EXPECT_EQ(object.RenderState, c.after);
    }
}

TEST_F(DependenciesTest, InvalidateObjects) {
    Add("V", {"Fill(0,0,1,1,ff,255)"});
    ASSERT_TRUE(doc.AddObjectFromText("L", "LinkPath(\"x.png\")"));
    QDXObject* bitmap = nullptr;
    ASSERT_TRUE(doc.Objects.Insert("Bmp", &bitmap));
    bitmap->Kind = QDXObject::kBitmap;
    auto setAll = [&] {
        doc.Objects.ForEach([](const char*, QDXObject& o) {
            o.RenderState = o.Kind == QDXObject::kBitmap ? QDXObject::kImageReady : QDXObject::kDrawn;
        });
        Get("V").RenderState = QDXObject::kDrawing;
    };
    setAll();
    doc.InvalidateObjects(false);
    EXPECT_EQ(Get("V").RenderState, QDXObject::kNotDrawn) << "also from being drawn";
    EXPECT_EQ(Get("L").RenderState, QDXObject::kDrawn);
    EXPECT_EQ(Get("_Template1").RenderState, QDXObject::kDrawn);
    EXPECT_EQ(bitmap->RenderState, QDXObject::kImageReady);
    setAll();
    doc.InvalidateObjects(true);
    EXPECT_EQ(Get("V").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Get("L").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Get("_Template1").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(bitmap->RenderState, QDXObject::kImageReady);
}

TEST_F(DependenciesTest, InvalidatePaletteUsers) {
    // Entry 1 of Palette1 in a direct fill, entry 1 of Palette2 (a strip pixel),
    // and the same entry used only by a disabled factor.
    Add("P1", {"Fill(0,0,1,1,P40010000,255)"});
    Add("P2", {"Fill(0,0,1,1,P80010005,255)"});
    Add("Off", {"Fill(0,0,1,1,ff,255)", "!Fill(0,0,1,1,P40010000,255)"});
    Add("User", {"Copy(0,0,1,1,\"P1\",0,0)"});
    Add("UserOfUser", {"Copy(0,0,1,1,\"User\",0,0)"});
    Add("Plain", {"Fill(0,0,1,1,ff,255)"});
    ASSERT_EQ(Get("P2").Factors.GetAt(0)->ColorRef1, 0x80010005u);

    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidatePaletteUsers(0x4001FF07u)) << "the strip pixel bits do not count";
    EXPECT_EQ(Stale(doc), (Names{"P1", "Off", "User", "UserOfUser"}));

    DrawAll(doc);
    Get("P1").RenderState = QDXObject::kNotDrawn;
    EXPECT_TRUE(doc.InvalidatePaletteUsers(0x7C010000u)) << "bits 29 to 26 do not count";
    EXPECT_EQ(Get("User").RenderState, QDXObject::kDrawn) << "a user not drawn is not touched, nor its dependents";
    EXPECT_EQ(Get("Off").RenderState, QDXObject::kNotDrawn);

    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidatePaletteUsers(0x80010203u));
    EXPECT_EQ(Stale(doc), (Names{"P2"}));
    DrawAll(doc);
    EXPECT_FALSE(doc.InvalidatePaletteUsers(0xC0010000u)) << "another table";
    EXPECT_FALSE(doc.InvalidatePaletteUsers(0x40020000u)) << "another entry";
    EXPECT_FALSE(doc.InvalidatePaletteUsers(0)) << "no reference: direct colours do not match it";
    EXPECT_TRUE(Stale(doc).empty());
}

TEST_F(DependenciesTest, CollectDependents) {
    Add("A", {"Fill(0,0,1,1,ff,255)"});
    Add("B", {"Copy(0,0,1,1,\"A\",0,0)"});
    Add("C", {"!Copy(0,0,1,1,\"A\",0,0)"});
    Add("D", {"Copy(0,0,1,1,\"B\",0,0)"});
    Add("E", {"Copy(0,0,1,1,\"C\",0,0)"});
    auto asSet = [](const std::vector<std::string>& v) { return Names(v.begin(), v.end()); };
    EXPECT_EQ(asSet(Dependents(doc, "A", false, false)), (Names{"B", "C"}));
    EXPECT_EQ(asSet(Dependents(doc, "A", true, false)), (Names{"B"}));
    EXPECT_EQ(asSet(Dependents(doc, "A", false, true)), (Names{"B", "C", "D", "E"}));
    EXPECT_EQ(asSet(Dependents(doc, "A", true, true)), (Names{"B", "D"}));
    EXPECT_TRUE(Dependents(doc, "Nobody", false, true).empty());

    // Objects already in the set are skipped, and not followed.
    CMapSingle<QDXObject*, 64, 32> set;
    QDXObject** value = nullptr;
    ASSERT_TRUE(set.Insert("B", &value));
    *value = &Get("B");
    doc.CollectDependents("A", set, false, true);
    CStrArray_base<64> keys;
    set.GetKeys(keys);
    Names got;
    for (const CStr_base<64>* key : keys) got.insert(key->GetText());
    EXPECT_EQ(got, (Names{"B", "C", "E"}));
}

// ---- against the algorithm resetting name by name ----

// Resets name by name: every object tested against the name, recursing at once.
bool ResetNameByName(CQDXCtrl& doc, const char* name) {
    bool any = false;
    doc.Objects.ForEach([&](const char* key, QDXObject& object) {
        if (object.InvalidateIfDependsOn(name)) {
            any = true;
            ResetNameByName(doc, key);
        }
    });
    return any;
}

void CollectNameByName(CQDXCtrl& doc, const char* name, CMapSingle<QDXObject*, 64, 32>& set, bool onlyEnabled,
                       bool recursive) {
    doc.Objects.ForEach([&](const char* key, QDXObject& object) {
        if (set.Find(key) != nullptr || !object.DependsOn(name, onlyEnabled)) return;
        QDXObject** value = nullptr;
        set.Insert(key, &value);
        *value = &object;
        if (recursive) CollectNameByName(doc, key, set, onlyEnabled, recursive);
    });
}

std::vector<int32_t> States(CQDXCtrl& doc) {
    std::vector<int32_t> out;
    doc.Objects.ForEach([&](const char*, QDXObject& o) { out.push_back(o.RenderState); });
    return out;
}

// Random documents of copies, ghosts and target lists: the same objects reset,
// the same result, and the same dependents in the same set order.
TEST_F(DependenciesTest, RandomDocumentsAgreeWithNameByNameWalks) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int count = 6 + static_cast<int>(rng() % 30);
        auto name = [&] { return "O" + std::to_string(rng() % (count + 2)); };  // some missing
        std::vector<std::pair<std::string, std::vector<std::string>>> objects;
        for (int i = 0; i < count; ++i) {
            std::vector<std::string> factors;
            const int n = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < n; ++k) {
                const std::string mark = rng() % 5 == 0 ? "!" : "";
                switch (rng() % 7) {
                    case 0:
                        factors.push_back(mark + "Fill(0,0,1,1,ff,255)");
                        break;
                    case 1:
                    case 2:
                        factors.push_back(mark + "Copy(0,0,1,1,\"" + name() + "\",0,0)");
                        break;
                    case 3:
                        factors.push_back(mark + "GhostObject(\"" + name() + "\",\"" + name() + "\",\"\",\"\",\"\")");
                        break;
                    case 4:
                        factors.push_back(mark + "GhostFactor(\"" + name() + "\"," + std::to_string(rng() % 3) + ")");
                        break;
                    case 5:
                        factors.push_back(mark + "Copy(0,0,1,1,\"_Template1\",0,0)");
                        break;
                    default:
                        factors.push_back(mark + "TargetList(FTI(\"" + name() + "\",\"\",\"\",\"\"),!FTI(\"" +
                                          name() + "\",\"\",\"\",\"\"))");
                        factors.push_back(mark + "Foreach(0," + std::to_string(factors.size() - 1) + ")");
                        break;
                }
            }
            objects.push_back({"O" + std::to_string(i), factors});
        }
        CQDXCtrl a, b;
        for (const auto& [n, f] : objects) {
            AddTo(a, n, f);
            AddTo(b, n, f);
        }
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<int32_t> states;
            a.Objects.ForEach([&](const char*, QDXObject& o) {
                if (o.Kind != QDXObject::kVector) return;
                const uint32_t r = rng() % 10;
                o.RenderState = r < 7 ? QDXObject::kDrawn : r < 9 ? QDXObject::kNotDrawn : QDXObject::kDrawing;
                Get(b, o.Name.GetText()).RenderState = o.RenderState;
            });
            const std::string target = name();
            EXPECT_EQ(a.InvalidateDependents(target.c_str()), ResetNameByName(b, target.c_str())) << target;
            EXPECT_EQ(States(a), States(b)) << target;
        }
        for (const bool onlyEnabled : {false, true}) {
            for (const bool recursive : {false, true}) {
                const std::string target = name();
                CMapSingle<QDXObject*, 64, 32> expected;
                CollectNameByName(b, target.c_str(), expected, onlyEnabled, recursive);
                std::vector<std::string> expectedOrder;
                expected.ForEach([&](const char* key, QDXObject*&) { expectedOrder.push_back(key); });
                EXPECT_EQ(Dependents(a, target, onlyEnabled, recursive), expectedOrder)
                    << target << onlyEnabled << recursive;
            }
        }
    }
}

// ---- against a plain reading of the relation ----

// Every name a factor references, read straight from the relation: no memory
// of what was walked. Factor numbers can still make cycles inside an object
// (a Foreach repeating itself); a walk deeper than 12 marks the answer
// unusable instead.
class PlainRelation {
public:
    PlainRelation(CQDXCtrl& doc, bool onlyEnabled) : m_doc(doc), m_onlyEnabled(onlyEnabled) {}

    Names OfObject(const QDXObject& o) {
        Names out;
        for (uint32_t i = 0; i < o.Factors.GetCount(); ++i) {
            const QDXFactor& f = *o.Factors.GetAt(i);
            if (!m_onlyEnabled || f.Enabled) Add(f, o, nullptr, out, 0);
        }
        return out;
    }
    bool Truncated() const { return m_truncated; }

private:
    using Args = std::vector<std::string>;

    static std::string Resolve(const std::string& name, const Args* t) {
        if (name == "_PrevObject") return "";
        if (t != nullptr && name.size() >= 10 && name.compare(0, 9, "_Template") == 0 && name[9] >= '1' &&
            name[9] <= '4')
            return (*t)[name[9] - '1'];
        return name;
    }
    QDXObject* Find(const std::string& name) {
        if (name.empty()) return nullptr;
        auto* e = m_doc.Objects.Find(name.c_str());
        return e != nullptr ? &e->GetValue() : nullptr;
    }
    static const QDXFactor* At(const QDXObject& o, int32_t n) {
        return n >= 0 && static_cast<uint32_t>(n) < o.Factors.GetCount() ? o.Factors.GetAt(n) : nullptr;
    }

    void Add(const QDXFactor& f, const QDXObject& o, const Args* t, Names& out, int depth) {
        if (depth > 12) {
            m_truncated = true;
            return;
        }
        switch (f.Kind) {
            case 12:
            case 112:
            case 1105:
            case 1106:
                for (int32_t n : {f.RefNumber1, f.Kind == 1106 ? f.RefNumber2 : -1})
                    if (const QDXFactor* s = At(o, n)) out.insert(Resolve(s->SourceName.GetText(), t));
                return;
            case 1101: {
                const std::string s = Resolve(f.SourceName.GetText(), t);
                out.insert(s);
                if (QDXObject* g = Find(s))
                    if (const QDXFactor* gf = At(*g, f.RefNumber1)) Add(*gf, o, t, out, depth + 1);
                return;
            }
            case 1102: {
                const std::string s = Resolve(f.SourceName.GetText(), t);
                out.insert(s);
                QDXObject* g = Find(s);
                if (g == nullptr) return;
                Args inner;
                for (const CStr_base<64>& name : f.TemplateNames) inner.push_back(Resolve(name.GetText(), t));
                for (uint32_t i = 0; i < g->Factors.GetCount(); ++i) {
                    const QDXFactor& gf = *g->Factors.GetAt(i);
                    if (!m_onlyEnabled || gf.Enabled) Add(gf, *g, &inner, out, depth + 1);
                }
                return;
            }
            case 1111: {
                const QDXFactor* a = At(o, f.RefNumber1);
                if (a == nullptr) return;  // a Foreach without its factor uses nothing
                Add(*a, o, t, out, depth + 1);
                const QDXFactor* b = At(o, f.RefNumber2);
                if (b != nullptr && b->Kind == 1101) {
                    const std::string s = Resolve(b->SourceName.GetText(), t);
                    out.insert(s);
                    QDXObject* g = Find(s);
                    b = g != nullptr ? At(*g, b->RefNumber1) : nullptr;
                }
                if (b == nullptr || b->Kind != 1110) return;
                const int64_t count = b->Targets.GetCount();
                for (int64_t i = 0; i < count; ++i) {
                    const QDXForeachTargetInfo& e = *b->Targets.GetAt(static_cast<uint32_t>(i));
                    if (m_onlyEnabled) {
                        const int64_t end = f.ForeachLast >= 0    ? std::min<int64_t>(f.ForeachLast + 1, count)
                                            : f.ForeachLast == -2 ? std::min<int64_t>(f.ForeachFirst + 1, count)
                                                                  : count;
                        if (f.ForeachFirst < 0 || i < f.ForeachFirst || i >= end || !e.Enabled) continue;
                    }
                    for (const CStr_base<64>& name : e.Names) out.insert(Resolve(name.GetText(), t));
                }
                return;
            }
            default:
                if (FactorKindNamesSourceObject(f.Kind)) out.insert(Resolve(f.SourceName.GetText(), t));
        }
    }

    CQDXCtrl& m_doc;
    bool m_onlyEnabled;
    bool m_truncated = false;
};

// Random documents without cycles (an object names only objects before it, or
// names that are no object): DependsOn and CollectReferences against the plain
// reading.
TEST_F(DependenciesTest, RandomDocumentsAgreeWithThePlainRelation) {
    std::mt19937 rng(11);
    int compared = 0, skipped = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        doc.Clear();
        const int count = 3 + static_cast<int>(rng() % 8);
        std::vector<std::string> pool = {"X", "Y", "_Template1", "_Template2", "_PrevObject"};
        for (int i = 0; i < count; ++i) {
            auto name = [&] {
                const size_t n = pool.size() - 5;  // objects made so far
                return n != 0 && rng() % 3 != 0 ? pool[5 + rng() % n] : pool[rng() % 5];
            };
            auto quoted = [&] { return "\"" + name() + "\""; };
            std::vector<std::string> factors;
            const int n = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < n; ++k) {
                const std::string mark = rng() % 4 == 0 ? "!" : "";
                const std::string number = std::to_string(static_cast<int>(rng() % 4) - 1);
                switch (rng() % 8) {
                    case 0:
                        factors.push_back(mark + "Fill(0,0,1,1,ff,255)");
                        break;
                    case 1:
                    case 2:
                        factors.push_back(mark + "Copy(0,0,1,1," + quoted() + ",0,0)");
                        break;
                    case 3:
                        factors.push_back(mark + "GhostObject(" + quoted() + "," + quoted() + "," + quoted() +
                                          ",\"\",\"\")");
                        break;
                    case 4:
                        factors.push_back(mark + "GhostFactor(" + quoted() + "," + number + ")");
                        break;
                    case 5:
                        factors.push_back(mark + "FrameRef(" + number + ",16,ff)");
                        break;
                    case 6:
                        factors.push_back(mark + "DiagramTransform2(" + number + ",\"Z\"," + number + ")");
                        break;
                    default:
                        factors.push_back("TargetList(FTI(" + quoted() + ",\"\",\"\",\"\"),!FTI(" + quoted() +
                                          ",\"\",\"\",\"\"),FTI(" + quoted() + ",\"\",\"\",\"\"))");
                        factors.push_back(mark + "Foreach(" + number + "," + std::to_string(factors.size() - 1) +
                                          "," + std::to_string(rng() % 3) + "," +
                                          std::to_string(static_cast<int>(rng() % 5) - 2) + ")");
                        break;
                }
            }
            Add("O" + std::to_string(i), factors);
            pool.push_back("O" + std::to_string(i));
        }
        Names candidates(pool.begin(), pool.end());
        candidates.insert({"", "Z"});
        for (const bool onlyEnabled : {false, true}) {
            for (int i = 0; i < count; ++i) {
                const std::string object = "O" + std::to_string(i);
                PlainRelation plain(doc, onlyEnabled);
                const Names direct = plain.OfObject(Get(object));
                Names expected;
                for (const std::string& c : candidates)
                    if (direct.count(c) != 0) expected.insert(c);

                // The collection: the direct names, and in turn those of each named object.
                Names closure;
                std::vector<std::string> pending(direct.begin(), direct.end());
                while (!pending.empty()) {
                    const std::string n = pending.back();
                    pending.pop_back();
                    if (!closure.insert(n).second) continue;
                    if (n.empty() || doc.Objects.Find(n.c_str()) == nullptr) continue;
                    for (const std::string& m : plain.OfObject(Get(n))) pending.push_back(m);
                }
                if (plain.Truncated()) {
                    ++skipped;
                    continue;
                }
                ++compared;
                EXPECT_EQ(DependsOnAmong(object, candidates, onlyEnabled), expected) << object << onlyEnabled;
                Names collected;
                for (const auto& [key, value] : References(object, onlyEnabled)) collected.insert(key);
                EXPECT_EQ(collected, closure) << object << onlyEnabled;
            }
        }
    }
    EXPECT_GT(compared, 4 * skipped) << "most documents are compared";
}

// ---- size and depth ----

TEST_F(DependenciesTest, ChainOfAThousandObjects) {
    Add("A0", {"Fill(0,0,1,1,ff,255)"});
    for (int i = 1; i < 1000; ++i)
        Add("A" + std::to_string(i), {"Copy(0,0,1,1,\"A" + std::to_string(i - 1) + "\",0,0)"});
    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidateDependents("A0"));
    EXPECT_EQ(Stale(doc).size(), 999u);
    EXPECT_EQ(Get("A0").RenderState, QDXObject::kDrawn);

    EXPECT_EQ(Dependents(doc, "A0", true, true).size(), 999u);
    EXPECT_EQ(Dependents(doc, "A500", true, false), std::vector<std::string>{"A501"});

    // Collecting references descends through the objects 101 calls deep.
    const auto references = References("A999", true);
    EXPECT_EQ(references.size(), 101u);
    EXPECT_EQ(references.count("A898"), 1u);
    EXPECT_EQ(references.count("A897"), 0u);
}

TEST_F(DependenciesTest, GhostNestingStopsAfterOneHundredAndOneCalls) {
    Add("G0", {"Copy(0,0,1,1,\"Z\",0,0)"});
    for (int i = 1; i <= 101; ++i)
        Add("G" + std::to_string(i), {"GhostObject(\"G" + std::to_string(i - 1) + "\",\"\",\"\",\"\",\"\")"});
    EXPECT_TRUE(Get("G100").DependsOn("Z", true)) << "101 nested calls";
    EXPECT_FALSE(Get("G101").DependsOn("Z", true)) << "a 102nd call contributes nothing";
    EXPECT_TRUE(Get("G101").DependsOn("G0", true));
    EXPECT_EQ(References("G100", true).count("Z"), 1u);
    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidateDependents("Z"));
    EXPECT_EQ(Get("G100").RenderState, QDXObject::kNotDrawn) << "through G0..G99 as well";
}

// Two GhostObject factors naming their own object: each ghost level doubles the
// calls of a walk bounded by depth alone (2^100); every walk here ends at once.
TEST_F(DependenciesTest, SelfGhostingObject) {
    const std::string ghost = "GhostObject(\"S\",\"_Template2\",\"_Template1\",\"\",\"\")";
    Add("S", {ghost, ghost, "Copy(0,0,1,1,\"Z\",0,0)", "GhostFactor(\"S\",0)", "GhostFactor(\"S\",3)"});
    Add("User", {"GhostObject(\"S\",\"a\",\"b\",\"\",\"\")", "GhostObject(\"S\",\"b\",\"a\",\"\",\"\")"});
    EXPECT_TRUE(Get("S").DependsOn("Z", true));
    EXPECT_TRUE(Get("S").DependsOn("S", false));
    EXPECT_FALSE(Get("S").DependsOn("Nothing", false));
    EXPECT_FALSE(Get("User").DependsOn("Nothing", true));
    EXPECT_EQ(References("S", false), (std::map<std::string, std::string>{{"S", "S?0"}, {"Z", "S?2"}}));
    DrawAll(doc);
    EXPECT_TRUE(doc.InvalidateDependents("Z"));
    EXPECT_EQ(Stale(doc), (Names{"S", "User"}));
    const std::vector<std::string> dependents = Dependents(doc, "S", false, true);
    EXPECT_EQ(Names(dependents.begin(), dependents.end()), (Names{"S", "User"}));
}

}  // namespace
