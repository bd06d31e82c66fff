#include "document/model/QDXFactor.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Every value slot set away from its reset value, every list and string filled.
void Dirty(QDXFactor& f) {
    for (int i = 0; i < 3; ++i) {
        QDXPath* node = f.Path.AddNew();
        node->X = node->Y = node->X2 = node->Y2 = 99;
        node->Type = QDXPath::kCircleCurve;
        node->CurveFlag = true;
        node->Enabled = false;
    }
    f.Targets.AddNew()->Names[0].Assign("Target");
    f.GradationPoints.Alloc(4);
    f.GradationCount = 4;
    f.Options = 7;
    f.SpaceParam1 = f.SpaceParam2 = f.SpaceParam3 = -5;
    f.RangeParam1 = f.RangeParam2 = f.RangeParam3 = -5;
    f.Alpha = f.ByteParam1 = f.ByteParam2 = f.ByteParam3 = 3;
    f.Color1 = f.Color2 = f.Color3 = f.Color4 = 0x123456;
    f.ColorRef1 = f.ColorRef2 = f.ColorRef3 = f.ColorRef4 = 0x40010203;
    f.X1 = f.X2 = f.X3 = f.X4 = f.X5 = 77;
    f.Y1 = f.Y2 = f.Y3 = f.Y4 = f.Y5 = 77;
    f.Width = 5;
    f.RefNumber1 = f.RefNumber2 = 9;
    f.ForeachFirst = f.ForeachLast = 9;
    f.CurveFlag = true;
    f.Enabled = false;
    for (double* r : {&f.Real1, &f.Real2, &f.Real3, &f.Real4, &f.Real5, &f.Real6, &f.Real7, &f.Real8, &f.Real9,
                      &f.Real10, &f.Real11, &f.Real12})
        *r = -2.5;
    f.IntParam1 = f.IntParam2 = 1;
    f.IntParam3 = f.IntParam4 = f.IntParam5 = f.IntParam6 = 1;
    for (int32_t& e : f.ColorExMatrix) e = 3;
    for (int32_t& e : f.XYMatrix) e = 3;
    for (int32_t& e : f.RAMatrix) e = 3;
    f.SourceName.Assign("Source");
    f.Name.Assign("Obj?1");
    f.FontSpec.Assign("MS Gothic");
    f.Text.Assign("text");
    for (CStr_base<64>& t : f.TemplateNames) t.Assign("T");
    f.Kind = 101;
}

template <class M>
std::vector<int32_t> Matrix(const M& m) {
    return std::vector<int32_t>(std::begin(m), std::end(m));
}

std::vector<int32_t> Identity(size_t size, std::vector<std::pair<size_t, int32_t>> entries) {
    std::vector<int32_t> m(size, 0);
    for (auto [index, value] : entries) m[index] = value;
    return m;
}

void ExpectResetState(const QDXFactor& f) {
    EXPECT_EQ(f.Path.GetCount(), 0u);
    EXPECT_EQ(f.Targets.GetCount(), 0u);
    EXPECT_EQ(f.GradationPoints.GetBuffer(), nullptr);
    EXPECT_EQ(f.GradationPoints.GetCount(), 0u);
    EXPECT_EQ(f.GradationCount, 0u);
    EXPECT_EQ(f.Options, 0u);
    EXPECT_EQ(f.SpaceParam1, 0);
    EXPECT_EQ(f.SpaceParam2, 0);
    EXPECT_EQ(f.SpaceParam3, 0);
    EXPECT_EQ(f.RangeParam1, 360);
    EXPECT_EQ(f.RangeParam2, 256);
    EXPECT_EQ(f.RangeParam3, 256);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.ByteParam1, 255);
    EXPECT_EQ(f.ByteParam2, 255);
    EXPECT_EQ(f.ByteParam3, 255);
    for (uint32_t v : {f.Color1, f.Color2, f.Color3, f.Color4, f.ColorRef1, f.ColorRef2, f.ColorRef3, f.ColorRef4})
        EXPECT_EQ(v, 0u);
    for (int32_t v : {f.X1, f.X2, f.X3, f.X5, f.Y1, f.Y2, f.Y3, f.Y5}) EXPECT_EQ(v, 0);
    EXPECT_EQ(f.X4, 1);
    EXPECT_EQ(f.Y4, 1);
    EXPECT_EQ(f.Width, 16);
    EXPECT_EQ(f.RefNumber1, 0);
    EXPECT_EQ(f.RefNumber2, 0);
    EXPECT_EQ(f.ForeachFirst, 0);
    EXPECT_EQ(f.ForeachLast, -1);
    EXPECT_FALSE(f.CurveFlag);
    EXPECT_TRUE(f.Enabled);
    const double reals[] = {f.Real1, f.Real2, f.Real3, f.Real4,  f.Real5,  f.Real6,
                            f.Real7, f.Real8, f.Real9, f.Real10, f.Real11, f.Real12};
    const double expected[] = {0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 10000};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(reals[i], expected[i]) << "Real" << i + 1;
    EXPECT_EQ(f.IntParam1, 0x01010101u);
    EXPECT_EQ(f.IntParam2, 30583u);
    EXPECT_EQ(f.IntParam3, 0);
    EXPECT_EQ(f.IntParam4, 0);
    EXPECT_EQ(f.IntParam5, 0);
    EXPECT_EQ(f.IntParam6, 256);
    EXPECT_EQ(Matrix(f.ColorExMatrix), Identity(36, {{0, 65536}, {11, 65536}, {22, 65536}, {33, 65536}}));
    EXPECT_EQ(Matrix(f.XYMatrix), Identity(42, {{0, 65536}, {8, 65536}, {20, 16777216}}));
    EXPECT_EQ(Matrix(f.RAMatrix), Identity(42, {{9, 65536}, {20, 16777216}}));
    for (const CStr_base<64>* s : {&f.SourceName, &f.Name, &f.FontSpec, &f.Text, &f.TemplateNames[0],
                                   &f.TemplateNames[1], &f.TemplateNames[2], &f.TemplateNames[3]})
        EXPECT_STREQ(s->GetText(), "");
    EXPECT_EQ(f.Kind, 0u);
}

TEST(QDXFactorTest, NewAndResetRecordsHoldTheResetValues) {
    QDXFactor fresh;
    {
        SCOPED_TRACE("new");
        ExpectResetState(fresh);
    }
    QDXFactor used;
    Dirty(used);
    used.Reset();
    {
        SCOPED_TRACE("reset after every slot was changed");
        ExpectResetState(used);
    }
    // Twice is the same as once.
    used.Reset();
    ExpectResetState(used);
}

TEST(QDXFactorTest, ResetKeepsListStorageForReuse) {
    QDXFactor f;
    f.Reset();
    std::vector<QDXPath*> nodes;
    for (int i = 0; i < 10000; ++i) {
        QDXPath* node = f.Path.AddNew();
        node->X = i;
        nodes.push_back(node);
    }
    std::vector<QDXForeachTargetInfo*> targets;
    for (int i = 0; i < 1000; ++i) {
        QDXForeachTargetInfo* t = f.Targets.AddNew();
        t->Names[2].Assign("name");
        targets.push_back(t);
    }
    f.Name.Assign("Object?12");
    const uint32_t nodesMade = f.Path.GetReserved();
    const uint32_t targetsMade = f.Targets.GetReserved();
    const char* nameBuffer = f.Name.GetText();

    f.Reset();
    EXPECT_EQ(f.Path.GetCount(), 0u);
    EXPECT_EQ(f.Targets.GetCount(), 0u);
    EXPECT_EQ(f.Path.GetReserved(), nodesMade);
    EXPECT_EQ(f.Targets.GetReserved(), targetsMade);
    EXPECT_EQ(f.Name.GetText(), nameBuffer) << "the string keeps its buffer";

    // Filling again hands out the same elements, in the same order.
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(f.Path.AddNew(), nodes[i]) << i;
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(f.Targets.AddNew(), targets[i]) << i;
    EXPECT_EQ(f.Path.GetReserved(), nodesMade);
}

TEST(QDXFactorTest, ResetFreesGradationPointsButLeavesTheirColours) {
    QDXFactor f;
    f.Reset();
    MixGradationPoint* points = f.GradationPoints.Alloc(3);
    points[0].x = 1.0;
    f.GradationCount = 3;
    for (uint32_t c : {0x11u, 0x22u, 0x33u}) *f.GradationColors.AddNew() = c;

    f.Reset();
    EXPECT_EQ(f.GradationCount, 0u);
    EXPECT_EQ(f.GradationPoints.GetBuffer(), nullptr);
    EXPECT_EQ(f.GradationPoints.GetCount(), 0u);
    ASSERT_EQ(f.GradationColors.GetCount(), 3u);
    EXPECT_EQ(*f.GradationColors.GetAt(2), 0x33u);
    // A new point list can be allocated at once.
    EXPECT_NE(f.GradationPoints.Alloc(2000), nullptr);
}

TEST(QDXFactorTest, TargetEntryClearBlanksAndEnables) {
    QDXFactor f;
    f.Reset();
    QDXForeachTargetInfo* entry = f.Targets.AddNew();
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(entry->Names[i].GetText(), "") << "a new entry's names are empty";
    for (CStr_base<64>& name : entry->Names) name.Assign("Something");
    entry->Enabled = false;

    entry->Clear();
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(entry->Names[i].GetText(), "") << i;
    EXPECT_TRUE(entry->Enabled);
}

TEST(QDXFactorTest, NameIsObjectNameQuestionMarkIndex) {
    struct Case {
        const char* object;
        int32_t index;
        const char* expected;
    };
    const Case cases[] = {
        {"Body", 2, "Body?2"},
        {"Master", 0, "Master?0"},
        {"", 1999, "?1999"},
        // A double-byte name ("部品") is copied byte for byte.
        {"\x95\x94\x95\x69", 10, "\x95\x94\x95\x69?10"},
        {"A name longer than the sixty-four byte growth step of the string class", 7,
         "A name longer than the sixty-four byte growth step of the string class?7"},
        {"Neg", -45, "Neg?-45"},
        {"Min", INT32_MIN, "Min?-2147483648"},
        {"Max", INT32_MAX, "Max?2147483647"},
    };
    QDXFactor f;
    for (const Case& c : cases) {
        f.Name.Assign("stale");
        f.AssignName(c.object, c.index);
        EXPECT_STREQ(f.Name.GetText(), c.expected) << c.object;
    }
}

}  // namespace

// Copying and swapping reach every slot: a record with every slot away from
// its reset value takes the reset state from a reset record.
TEST(QDXFactorTest, CopyAndSwapReachEverySlot) {
    QDXFactor reset;
    reset.Reset();
    QDXFactor copied;
    Dirty(copied);
    copied.CopyContentsFrom(reset);
    ExpectResetState(copied);

    QDXFactor dirty;
    Dirty(dirty);
    copied.CopyContentsFrom(dirty);
    EXPECT_EQ(copied.Kind, 101u);
    EXPECT_EQ(copied.Path.GetCount(), 3u);
    EXPECT_EQ(copied.Path.GetAt(2)->Type, QDXPath::kCircleCurve);
    EXPECT_STREQ(copied.Targets.GetAt(0)->Names[0].GetText(), "Target");
    EXPECT_EQ(copied.GradationPoints.GetCount(), 4u);
    EXPECT_NE(copied.GradationPoints.GetBuffer(), dirty.GradationPoints.GetBuffer());
    EXPECT_EQ(dirty.Path.GetCount(), 3u);  // the source is untouched

    QDXFactor swapped;
    swapped.Reset();
    swapped.SwapContents(dirty);
    ExpectResetState(dirty);
    EXPECT_EQ(swapped.Kind, 101u);
    EXPECT_EQ(swapped.Path.GetCount(), 3u);
    EXPECT_STREQ(swapped.FontSpec.GetText(), "MS Gothic");
    swapped.SwapContents(dirty);
    ExpectResetState(swapped);
}

// The outline and the matrices are stored only once something writes them: a
// factor that is read and written as text never pays for them, yet every read
// sees the values of a new record.
TEST(QDXFactorTest, OutlineAndMatricesAreStoredOnFirstWrite) {
    QDXFactor f;
    f.Reset();
    const QDXFactor& view = f;
    EXPECT_FALSE(f.Diagram.IsMade());
    EXPECT_EQ(view.Diagram.GetCount(), 1u);
    EXPECT_EQ(view.Diagram[0].Type, DiagramInfoFactor::kStart);
    EXPECT_EQ(view.Diagram[0].X, 0);
    EXPECT_EQ(view.Diagram[0].Enabled, 1);
    EXPECT_THROW(view.Diagram[1], uint32_t);
    EXPECT_EQ(view.ColorExMatrix[11], 65536);
    EXPECT_EQ(view.XYMatrix[20], 16777216);
    const int32_t* ra = view.RAMatrix;
    EXPECT_EQ(ra[9], 65536);
    f.Reset();
    EXPECT_FALSE(f.Diagram.IsMade() || f.ColorExMatrix.IsStored() || f.XYMatrix.IsStored() || f.RAMatrix.IsStored())
        << "reading and resetting store nothing";

    // Writing stores, starting from the identity.
    f.XYMatrix[3] = -7;
    ASSERT_TRUE(f.XYMatrix.IsStored());
    EXPECT_EQ(Matrix(view.XYMatrix), Identity(42, {{0, 65536}, {3, -7}, {8, 65536}, {20, 16777216}}));
    f.Diagram.AddLine(16, 32, 1);
    ASSERT_TRUE(f.Diagram.IsMade());
    DiagramInfo& outline = f.Diagram;  // the slot stands for the outline it holds
    EXPECT_EQ(outline.GetCount(), 2u);
    EXPECT_EQ(outline[1].X, 16);

    // A reset gives back the identity and the start element but keeps storage.
    const int32_t* stored = view.XYMatrix;
    f.Reset();
    EXPECT_EQ(Matrix(view.XYMatrix), Identity(42, {{0, 65536}, {8, 65536}, {20, 16777216}}));
    EXPECT_EQ(static_cast<const int32_t*>(view.XYMatrix), stored);
    EXPECT_EQ(f.Diagram.GetCount(), 1u);
    EXPECT_EQ(&f.Diagram.Get(), &outline);

    // Copies carry stored entries, and an unstored source reads as the identity.
    QDXFactor other;
    other.Reset();
    f.RAMatrix[0] = 5;
    other.CopyContentsFrom(f);
    EXPECT_EQ(view.RAMatrix[0], 5);
    EXPECT_EQ(static_cast<const QDXFactor&>(other).RAMatrix[0], 5);
    EXPECT_NE(static_cast<const int32_t*>(static_cast<const QDXFactor&>(other).RAMatrix), view.RAMatrix.begin());
    QDXFactor blank;
    blank.Reset();
    other.CopyContentsFrom(blank);
    EXPECT_EQ(static_cast<const QDXFactor&>(other).RAMatrix[0], 0);
    other.SwapContents(f);
    EXPECT_EQ(static_cast<const QDXFactor&>(other).RAMatrix[0], 5);
    EXPECT_EQ(view.RAMatrix[0], 0);
}

// The lists are made on first addition; an unmade list reads, iterates and
// refuses positions exactly as an empty array does.
TEST(QDXFactorTest, ListsAreMadeOnFirstAddition) {
    QDXFactor f;
    f.Reset();
    const QDXFactor& view = f;
    EXPECT_FALSE(f.Path.IsMade() || f.Targets.IsMade() || f.GradationColors.IsMade());
    EXPECT_EQ(view.Path.GetCount(), 0u);
    EXPECT_EQ(view.Path.begin(), view.Path.end());
    const CArrayAuto<QDXForeachTargetInfo>& targets = view.Targets;
    EXPECT_EQ(targets.GetCount(), 0u);
    struct Row {
        const char* name;
        std::function<void()> call;
        uint32_t thrown;
    };
    const Row rows[] = {
        {"GetAt", [&] { f.Path.GetAt(3); }, 3},
        {"const GetAt", [&] { view.Targets.GetAt(0); }, 0},
        {"RemoveAt", [&] { f.GradationColors.RemoveAt(2); }, 2},
        {"RemoveAtSwap", [&] { f.Path.RemoveAtSwap(1); }, 1},
        {"Swap", [&] { f.Targets.Swap(4, 0); }, 4},
        {"InsertAt past the end", [&] { f.Path.InsertAt(1); }, 1},
    };
    for (const Row& r : rows) {
        try {
            r.call();
            ADD_FAILURE() << r.name << ": no throw";
        } catch (uint32_t thrown) {
            EXPECT_EQ(thrown, r.thrown) << r.name;
        }
    }
    EXPECT_THROW(f.Path.GetLast(), int);
    f.Path.RemoveAll();
    f.Targets.FreeAll();
    EXPECT_EQ(f.GradationColors.SetCount(0), 0u);
    f.CopyContentsFrom(QDXFactor());
    EXPECT_FALSE(f.Path.IsMade() || f.Targets.IsMade() || f.GradationColors.IsMade())
        << "reading, emptying and copying empty lists make nothing";

    // The first addition makes the list; it then behaves as the array.
    f.Path.InsertAt(0)->X = 5;
    f.Path.AddNew()->X = 6;
    ASSERT_TRUE(f.Path.IsMade());
    CArrayAuto<QDXPath>& nodes = f.Path;  // the slot stands for the array it holds
    EXPECT_EQ(nodes.GetCount(), 2u);
    std::vector<int32_t> xs;
    for (const QDXPath* node : view.Path) xs.push_back(node->X);
    EXPECT_EQ(xs, (std::vector<int32_t>{5, 6}));
    *f.GradationColors.AddNew() = 0x40000001u;

    QDXFactor other;
    other.Reset();
    other.CopyContentsFrom(f);
    EXPECT_EQ(other.Path.GetCount(), 2u);
    EXPECT_NE(other.Path.GetAt(0), f.Path.GetAt(0)) << "copies, not shares";
    EXPECT_EQ(*other.GradationColors.GetAt(0), 0x40000001u);
    QDXFactor blank;
    blank.Reset();
    blank.SwapContents(f);
    EXPECT_EQ(blank.Path.GetCount(), 2u);
    EXPECT_FALSE(f.Path.IsMade()) << "swapping hands over the list itself";
}

// Template names are stored on first write: const reads of an unstored slot see
// four empty names, and copies and swaps carry stored ones.
TEST(QDXFactorTest, TemplateNamesAreStoredOnFirstWrite) {
    QDXFactor f;
    f.Reset();
    const QDXFactor& view = f;
    int seen = 0;
    for (const CStr_base<64>& name : view.TemplateNames) {
        EXPECT_STREQ(name.GetText(), "");
        ++seen;
    }
    EXPECT_EQ(seen, 4);
    EXPECT_STREQ(view.TemplateNames[3].GetText(), "");
    EXPECT_FALSE(f.TemplateNames.IsStored());

    f.TemplateNames[2].Assign("Two");
    ASSERT_TRUE(f.TemplateNames.IsStored());
    std::vector<std::string> names;
    for (const CStr_base<64>& name : view.TemplateNames) names.emplace_back(name.GetText());
    EXPECT_EQ(names, (std::vector<std::string>{"", "", "Two", ""}));

    QDXFactor other;
    other.Reset();
    other.CopyContentsFrom(f);
    EXPECT_STREQ(static_cast<const QDXFactor&>(other).TemplateNames[2].GetText(), "Two");
    QDXFactor blank;
    blank.Reset();
    other.CopyContentsFrom(blank);
    EXPECT_STREQ(static_cast<const QDXFactor&>(other).TemplateNames[2].GetText(), "");
    blank.SwapContents(f);
    EXPECT_STREQ(static_cast<const QDXFactor&>(blank).TemplateNames[2].GetText(), "Two");
    EXPECT_FALSE(f.TemplateNames.IsStored());
    blank.Reset();
    EXPECT_STREQ(static_cast<const QDXFactor&>(blank).TemplateNames[2].GetText(), "");
}
