#include "document/model/QDXCtrl.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "document/model/ObjectRenderer.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// "メモリが不足しています" in code page 932, spelled out independently.
const std::string kOutOfMemory =
    "\x83\x81\x83\x82\x83\x8A\x82\xAA\x95\x73\x91\xAB\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7";

const char* const kBuiltInNames[] = {"_Template1", "_Template2", "_Template3", "_Template4", "_PrevObject"};

// Puts the raster library in the wanted state and restores the old one after.
class RasterState {
public:
    explicit RasterState(bool ready) : m_wasReady(RasterPixelMode == 1) { Set(ready); }
    ~RasterState() { Set(m_wasReady); }

private:
    static void Set(bool ready) {
        if (!ready) {
            raster_test::ResetRasterLibrary();
        } else if (RasterPixelMode != 1) {
            EXPECT_TRUE(InitRasterLibrary(1));
        }
    }
    bool m_wasReady;
};

// Installs a renderer for one test.
class RendererScope {
public:
    explicit RendererScope(IObjectRenderer* renderer) : m_old(SetObjectRenderer(renderer)) {}
    ~RendererScope() { SetObjectRenderer(m_old); }

private:
    IObjectRenderer* m_old;
};

std::set<std::string> Keys(const CQDXCtrl& doc) {
    CStrArray_base<64> keys;
    doc.Objects.GetKeys(keys);
    std::set<std::string> out;
    for (const CStr_base<64>* key : keys) out.insert(key->GetText());
    return out;
}

const std::set<std::string> kBuiltInSet(std::begin(kBuiltInNames), std::end(kBuiltInNames));

// Inserts a vector object holding something in every resource an object owns.
QDXObject* AddBusyObject(CQDXCtrl& doc, const char* name) {
    QDXObject* o = nullptr;
    EXPECT_TRUE(doc.Objects.Insert(name, &o));
    o->Kind = QDXObject::kVector;
    o->Name.Assign(name);
    o->Owner = &doc;
    QDXFactor* f = o->Factors.AddNew();
    f->Reset();
    f->AssignName(name, 0);
    o->Canvas.CreateWithinLimits(8, 8, true);
    o->Width = o->Height = 8;
    o->CacheSprites.AddNew()->CreateWithinLimits(4, 4, false);
    o->CacheActive = true;
    o->CacheStartIndex = o->CacheEditIndex = 0;
    o->ImageText.Assign("image");
    o->AlphaText.Assign("alpha");
    o->LinkPath.Assign("link.png");
    o->MaskCanvas.CreateWithinLimits(2, 2, false);
    o->SavedRegion.CreateWithinLimits(2, 2, false);
    o->ActiveMask.SetRectangleOnly();
    o->Canvas.SetClipRect(1, 1, 3, 3);
    o->ScaleX = 2.0;
    o->FastDraw = o->DrawnFast = o->CompleteSave = true;
    o->RenderState = QDXObject::kDrawn;
    o->Background = 0xFF00FF;
    o->MaskX = o->MaskY = 5;
    return o;
}

// The object holds what a new one holds: nothing and the constructor's values.
void ExpectLikeNew(const QDXObject& o) {
    const QDXObject fresh;
    EXPECT_EQ(o.CacheSprites.GetCount(), 0u);
    EXPECT_EQ(o.CacheSprites.GetReserved(), 0u);
    EXPECT_EQ(o.CacheStartIndex, fresh.CacheStartIndex);
    EXPECT_EQ(o.CacheActive, fresh.CacheActive);
    EXPECT_EQ(o.CacheEditIndex, fresh.CacheEditIndex);
    EXPECT_EQ(o.Factors.GetCount(), 0u);
    EXPECT_EQ(o.Factors.GetReserved(), 0u);
    EXPECT_EQ(o.Factors.GetGrowthStep(), fresh.Factors.GetGrowthStep());
    EXPECT_FALSE(o.Canvas.HasImage());
    EXPECT_EQ(o.Width, fresh.Width);
    EXPECT_EQ(o.Height, fresh.Height);
    EXPECT_STREQ(o.LinkPath.GetText(), "");
    EXPECT_EQ(o.Kind, fresh.Kind);
    EXPECT_EQ(o.Background, fresh.Background);
    EXPECT_EQ(o.ScaleX, 1.0);
    EXPECT_EQ(o.ScaleY, 1.0);
    EXPECT_EQ(o.ScaleThickness, 1.0);
    EXPECT_FALSE(o.FastDraw);
    EXPECT_STREQ(o.Name.GetText(), "");
    EXPECT_EQ(o.Owner, nullptr);
    EXPECT_EQ(o.RenderState, QDXObject::kNotDrawn);
    EXPECT_FALSE(o.DrawnFast);
    EXPECT_EQ(o.RenderCallback, nullptr);
    EXPECT_EQ(o.CallbackContext, nullptr);
    EXPECT_EQ(o.ImageText.GetCapacity(), 0u);
    EXPECT_EQ(o.AlphaText.GetCapacity(), 0u);
    EXPECT_FALSE(o.CompleteSave);
    EXPECT_FALSE(o.MaskCanvas.HasImage());
    EXPECT_FALSE(o.ActiveMask.IsActive());
    EXPECT_FALSE(o.SavedRegion.HasImage());
    EXPECT_EQ(o.MaskX, 0);
    EXPECT_EQ(o.MaskY, 0);
}

// --- construction and the built-ins ---

TEST(QDXCtrlTest, NewDocumentHoldsExactlyTheFiveBuiltIns) {
    for (bool ready : {true, false}) {
        SCOPED_TRACE(ready ? "raster library started" : "raster library not started");
        RasterState state(ready);
        CQDXCtrl doc;
        EXPECT_EQ(Keys(doc), kBuiltInSet);
        for (const char* name : kBuiltInNames) {
            SCOPED_TRACE(name);
            auto* element = doc.Objects.Find(name);
            ASSERT_NE(element, nullptr);
            const QDXObject& o = element->GetValue();
            EXPECT_EQ(o.Kind, QDXObject::kBuiltIn);
            EXPECT_STREQ(o.Name.GetText(), name);
            EXPECT_EQ(o.Owner, &doc);
            EXPECT_EQ(o.RenderCallback, &BuiltInObjectRender);
            EXPECT_EQ(o.CallbackContext, nullptr);
            EXPECT_EQ(o.Factors.GetCount(), 0u);
            EXPECT_EQ(o.ScaleX, 1.0);
            EXPECT_EQ(o.ScaleY, 1.0);
            EXPECT_EQ(o.ScaleThickness, 1.0);
            EXPECT_EQ(o.Background, 0u);
            EXPECT_STREQ(o.LinkPath.GetText(), "");
            EXPECT_EQ(o.RenderState, QDXObject::kNotDrawn);
            EXPECT_FALSE(o.DrawnFast);
            if (ready) {
                EXPECT_EQ(o.Width, 1);
                EXPECT_EQ(o.Height, 1);
                ASSERT_TRUE(o.Canvas.HasImage());
                EXPECT_EQ(o.Canvas.GetWidth(), 1);
                EXPECT_EQ(o.Canvas.GetHeight(), 1);
                EXPECT_EQ(o.Canvas.GetStride(), 1);
                EXPECT_EQ(*o.Canvas.GetPixels(), 0u);
                EXPECT_EQ(o.Canvas.GetClipRight(), 1);
                EXPECT_EQ(o.Canvas.GetClipBottom(), 1);
                EXPECT_EQ(o.Canvas.GetOpacityMask(), nullptr);
            } else {
                EXPECT_EQ(o.Width, 2);
                EXPECT_EQ(o.Height, 2);
                EXPECT_FALSE(o.Canvas.HasImage());
            }
        }
        EXPECT_EQ(doc.AffectedObjects.GetCount(), 0u);
        EXPECT_EQ(doc.EditedFactor, nullptr);
        EXPECT_FALSE(doc.ForceFast);
        EXPECT_EQ(doc.ExternalDepth, 0);
        EXPECT_STREQ(doc.MetaData.GetText(), "");
        EXPECT_STREQ(doc.BaseFolder.GetText(), "");
        ASSERT_NE(doc.PaletteTables, nullptr);
        EXPECT_EQ(doc.PaletteTables, doc.Palette.GetBuffer());
        EXPECT_EQ(doc.Palette.GetCount(), 1u);
        EXPECT_EQ(doc.PaletteTables->Palette1[1023], 0u);
        EXPECT_EQ(doc.PaletteTables->Palette2[0].Length, 0u);
        EXPECT_EQ(doc.PaletteTables->Palette4[512].StripHeight, 0u);
        EXPECT_FALSE(doc.PaletteTables->Palette4Strips[0].HasImage());
    }
}

bool OtherCallback(QDXObject*, bool, CStr_base<64>*) { return true; }

TEST(QDXCtrlTest, CreateBuiltInObjectRefusesBadOrTakenNames) {
    RasterState state(true);
    CQDXCtrl doc;
    EXPECT_FALSE(doc.CreateBuiltInObject("_PrevObject", OtherCallback, &doc)) << "taken";
    EXPECT_EQ(doc.FindObject("_PrevObject", nullptr, "_PrevObject")->RenderCallback, &BuiltInObjectRender);
    EXPECT_FALSE(doc.CreateBuiltInObject("a/b", OtherCallback, &doc)) << "refused character";
    EXPECT_EQ(Keys(doc), kBuiltInSet);

    int context = 0;
    ASSERT_TRUE(doc.CreateBuiltInObject("Extra", OtherCallback, &context));
    QDXObject* o = doc.FindObject("Extra", nullptr, "_PrevObject");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Kind, QDXObject::kBuiltIn);
    EXPECT_EQ(o->RenderCallback, &OtherCallback);
    EXPECT_EQ(o->CallbackContext, &context);
    EXPECT_EQ(o->Width, 1);
    EXPECT_FALSE(doc.DeleteObject("Extra")) << "a built-in of any name stays";
}

// --- deleting and removing ---

TEST(QDXCtrlTest, DeleteObjectRefusesBuiltInsAndMissingNames) {
    CQDXCtrl doc;
    for (const char* name : kBuiltInNames) {
        EXPECT_FALSE(doc.DeleteObject(name)) << name;
        EXPECT_NE(doc.Objects.Find(name), nullptr) << name;
    }
    EXPECT_FALSE(doc.DeleteObject("Missing"));
    EXPECT_FALSE(doc.DeleteObject(""));
    EXPECT_EQ(Keys(doc), kBuiltInSet);
}

TEST(QDXCtrlTest, DeleteObjectReleasesEverythingAndTheRecycledObjectIsLikeNew) {
    RasterState state(true);
    CQDXCtrl doc;
    QDXObject* busy = AddBusyObject(doc, "Body");
    AddBusyObject(doc, "Other");
    // The object's own name as the argument: the release must not read it after
    // freeing it.
    ASSERT_TRUE(doc.DeleteObject(busy->Name.GetText()));
    EXPECT_EQ(doc.Objects.Find("Body"), nullptr);
    EXPECT_NE(doc.Objects.Find("Other"), nullptr) << "other objects are not touched";
    EXPECT_EQ(doc.Objects.Find("Other")->GetValue().RenderState, QDXObject::kDrawn);

    // The map hands the same element out again: it must hold a new object.
    QDXObject* again = nullptr;
    ASSERT_TRUE(doc.Objects.Insert("Next", &again));
    EXPECT_EQ(again, busy);
    ExpectLikeNew(*again);
}

TEST(QDXCtrlTest, DeleteObjectEndsTheActiveMask) {
    RasterState state(true);
    CQDXCtrl doc;
    QDXObject* o = AddBusyObject(doc, "Masked");
    CSprite mask;
    ASSERT_TRUE(mask.CreateWithinLimits(2, 2, false));
    o->ActiveMask.SetCanvas(mask);
    ASSERT_TRUE(doc.DeleteObject("Masked"));
    EXPECT_FALSE(o->ActiveMask.IsActive());
    EXPECT_TRUE(mask.HasImage()) << "the mask canvas belongs to someone else";
}

TEST(QDXCtrlTest, RemoveAllObjectsKeepsTheBuiltInsAsTheyAre) {
    RasterState state(true);
    CQDXCtrl doc;
    // Enough objects for long chains and the map's lookup table.
    for (int i = 0; i < 700; ++i) AddBusyObject(doc, ("Object" + std::to_string(i)).c_str());
    QDXObject* template1 = doc.FindObject("_Template1", nullptr, "_PrevObject");
    template1->RenderState = QDXObject::kDrawn;
    template1->CacheActive = true;

    doc.RemoveAllObjects();
    EXPECT_EQ(Keys(doc), kBuiltInSet);
    EXPECT_EQ(doc.Objects.GetCount(), 5u);
    EXPECT_EQ(doc.FindObject("_Template1", nullptr, "_PrevObject"), template1);
    EXPECT_EQ(template1->RenderState, QDXObject::kDrawn);
    EXPECT_TRUE(template1->CacheActive);

    doc.RemoveAllObjects();
    EXPECT_EQ(Keys(doc), kBuiltInSet) << "again on a document of built-ins only";
    // Every recycled element comes back as a new object.
    for (int i = 0; i < 700; ++i) {
        QDXObject* o = nullptr;
        ASSERT_TRUE(doc.Objects.Insert(("New" + std::to_string(i)).c_str(), &o));
        if (i % 97 == 0) ExpectLikeNew(*o);
    }
}

TEST(QDXCtrlTest, ClearEmptiesTheDocumentButKeepsOptionsAndModes) {
    RasterState state(true);
    CQDXCtrl doc;
    AddBusyObject(doc, "Body");
    QDXPalette& palette = *doc.PaletteTables;
    palette.Palette1[3] = 0x123456;
    palette.Palette2[1023] = {0x10, 0x20, 100};
    palette.Palette4[7].CornerColors[3] = 0x99;
    palette.Palette4[7].StripWidth = palette.Palette4[7].StripHeight = 4;
    ASSERT_TRUE(palette.Palette2Strips[1023].CreateWithinLimits(100, 1, false));
    ASSERT_TRUE(palette.Palette4Strips[7].CreateWithinLimits(4, 4, false));
    doc.MetaData.Assign("meta");
    doc.BaseFolder.Assign("/home/user/docs");
    QDXFactor edited;
    doc.EditedFactor = &edited;
    doc.ForceFast = true;
    doc.ExternalDepth = 3;
    ASSERT_TRUE(doc.ExtOptions.AddSection("Ext"));
    ASSERT_NE(doc.ExtOptions.SetString("/Ext/Key", "value"), nullptr);

    doc.Clear();
    EXPECT_EQ(Keys(doc), kBuiltInSet);
    EXPECT_EQ(palette.Palette1[3], 0u);
    EXPECT_EQ(palette.Palette2[1023].StartColor, 0u);
    EXPECT_EQ(palette.Palette2[1023].EndColor, 0u);
    EXPECT_EQ(palette.Palette2[1023].Length, 0u);
    EXPECT_EQ(palette.Palette4[7].CornerColors[3], 0u);
    EXPECT_EQ(palette.Palette4[7].StripWidth, 0u);
    EXPECT_FALSE(palette.Palette2Strips[1023].HasImage());
    EXPECT_FALSE(palette.Palette4Strips[7].HasImage());
    EXPECT_STREQ(doc.MetaData.GetText(), "");
    EXPECT_STREQ(doc.BaseFolder.GetText(), "");
    EXPECT_EQ(doc.EditedFactor, nullptr);
    EXPECT_TRUE(doc.ForceFast);
    EXPECT_EQ(doc.ExternalDepth, 3);
    const CStr_base<64>* value = doc.ExtOptions.FindValue("/Ext/Key");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value->GetText(), "value");
}

TEST(QDXCtrlTest, FreeCachedSpritesCoversEveryObject) {
    RasterState state(true);
    CQDXCtrl doc;
    AddBusyObject(doc, "Body");
    QDXObject* prev = doc.FindObject("_PrevObject", nullptr, "_PrevObject");
    prev->CacheSprites.AddNew()->CreateWithinLimits(3, 3, false);
    prev->CacheActive = true;
    prev->CacheStartIndex = prev->CacheEditIndex = 2;

    doc.FreeCachedSprites();
    for (const char* name : {"Body", "_PrevObject", "_Template2"}) {
        SCOPED_TRACE(name);
        const QDXObject* o = doc.FindObject(name, nullptr, "_PrevObject");
        EXPECT_EQ(o->CacheSprites.GetReserved(), 0u);
        EXPECT_FALSE(o->CacheActive);
        EXPECT_EQ(o->CacheStartIndex, -1);
        EXPECT_EQ(o->CacheEditIndex, -1);
    }
    EXPECT_TRUE(doc.FindObject("Body", nullptr, "_PrevObject")->Canvas.HasImage()) << "only the caches go";
}

// --- names ---

TEST(QDXCtrlTest, ObjectNameRule) {
    struct Case {
        const char* what;
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"reserved name", "_PrevObject", true},
        {"ordinary", "Body 1_(x)", true},
        {"slash", "a/b", false},
        {"asterisk", "*", false},
        {"question mark", "Body?2", false},
        {"equals sign", "a=b", false},
        {"comma", "a,b", false},
        {"apostrophe", "it's", false},
        {"double quote", "\"q\"", false},
        {"backslash", "a\\b", false},
        {"trail byte 0x5C (\xE3\x82\xBD)", "\x83\x5C", true},
        {"trail byte 0x5C inside a name", "A\x83\x5CZ\x95\x5C", true},
        {"trail byte 0x2F and 0x3D", "\x81/\x81=", true},
        {"backslash after a double-byte character", "\x83\x5C\\", false},
        {"lead byte at the end", "Body\x83", true},
        {"single-byte katakana is no lead byte", "\xB1/", false},
        {"0xA0 is no lead byte", "\xA0\\", false},
        {"0xFD is no lead byte", "\xFD,", false},
        {"last lead byte 0xFC", "\xFC\\", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidObjectName(c.name), c.valid) << c.what;
}

TEST(QDXCtrlTest, FindObjectAppliesTheReservedNames) {
    CQDXCtrl doc;
    for (const char* name : {"A", "B", "C", "D", "_Template5", "_TemplateX", "Prev"}) {
        QDXObject* o = nullptr;
        ASSERT_TRUE(doc.Objects.Insert(name, &o));
        o->Kind = QDXObject::kVector;
        o->Name.Assign(name);
    }
    CStr_base<64> templates[4];
    templates[0].Assign("A");
    templates[1].Assign("B");
    templates[2].Assign("C");
    templates[3].Assign("D");

    struct Case {
        const char* what;
        const char* name;
        bool withTemplates;
        const char* previous;
        const char* found;  // the found object's name, null for none
    };
    const Case cases[] = {
        {"template 3", "_Template3", true, "Prev", "C"},
        {"bytes after the digit are not looked at", "_Template2xyz", true, "Prev", "B"},
        {"digit 5 is literal", "_Template5", true, "Prev", "_Template5"},
        {"letter is literal", "_TemplateX", true, "Prev", "_TemplateX"},
        {"digit 0 is literal", "_Template0", true, "Prev", nullptr},
        {"case matters", "_template1", true, "Prev", nullptr},
        {"template without template names finds the built-in", "_Template3", false, "Prev", "_Template3"},
        {"template 2 and more, no template names: literal", "_Template2xyz", false, "Prev", nullptr},
        {"previous object", "_PrevObject", true, "Prev", "Prev"},
        {"previous object is replaced before templates", "_PrevObject", true, "_Template4", "_Template4"},
        {"literal previous finds the built-in", "_PrevObject", false, "_PrevObject", "_PrevObject"},
        {"_PrevObject is exact", "_PrevObjectX", false, "Prev", nullptr},
        {"ordinary", "D", true, "Prev", "D"},
        {"missing", "Missing", true, "Prev", nullptr},
    };
    for (const Case& c : cases) {
        const CStr_base<64>* t = c.withTemplates ? templates : nullptr;
        QDXObject* o = doc.FindObject(c.name, t, c.previous);
        if (c.found == nullptr) {
            EXPECT_EQ(o, nullptr) << c.what;
        } else {
            ASSERT_NE(o, nullptr) << c.what;
            EXPECT_STREQ(o->Name.GetText(), c.found) << c.what;
        }
    }
}

TEST(QDXCtrlTest, ResolveReferenceNameReplacesWithoutLooking) {
    CStr_base<64> templates[4];
    templates[0].Assign("One");
    templates[3].Assign("Four");
    const char* name = "Plain";
    EXPECT_EQ(ResolveReferenceName(name, templates, "Prev"), name);
    EXPECT_STREQ(ResolveReferenceName("_PrevObject", nullptr, "Prev"), "Prev");
    EXPECT_STREQ(ResolveReferenceName("_Template4", templates, "Prev"), "Four");
    EXPECT_STREQ(ResolveReferenceName("_Template1more", templates, "Prev"), "One");
    EXPECT_STREQ(ResolveReferenceName("_Template2", templates, "Prev"), "") << "an empty template name stays empty";
    EXPECT_STREQ(ResolveReferenceName("_Template4", nullptr, "Prev"), "_Template4");
    EXPECT_STREQ(ResolveReferenceName("Missing", templates, "Prev"), "Missing") << "no lookup";
}

TEST(QDXCtrlTest, PrefixReferenceNameSkipsReservedNames) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"Body", "Lib_Body"},
        {"_PrevObject", "_PrevObject"},
        {"_Template4", "_Template4"},
        {"_Template1x", "_Template1x"},
        {"", ""},
        {"_Template5", "Lib__Template5"},
        {"_PrevObject2", "Lib__PrevObject2"},
        {"_Other", "Lib__Other"},
        {"\x95\x94\x95\x69", "Lib_\x95\x94\x95\x69"},
    };
    for (const Case& c : cases) {
        CStr_base<64> name(c.name);
        PrefixReferenceName("Lib_", name);
        EXPECT_STREQ(name.GetText(), c.expected) << c.name;
    }
}

// --- drawing ---

TEST(QDXCtrlTest, BuiltInObjectRenderDependsOnTheRasterLibrary) {
    CQDXCtrl doc;
    QDXObject* o = doc.FindObject("_Template2", nullptr, "_PrevObject");
    {
        SCOPED_TRACE("not started, with an error text");
        RasterState state(false);
        CStr_base<64> error("earlier text");
        EXPECT_FALSE(BuiltInObjectRender(o, false, &error));
        EXPECT_EQ(std::string(error.GetText()), kOutOfMemory) << "the message replaces the text";
    }
    {
        SCOPED_TRACE("not started, without an error text");
        RasterState state(false);
        QDXObject fresh;
        fresh.Width = 7;
        EXPECT_TRUE(BuiltInObjectRender(&fresh, false, nullptr));
        EXPECT_FALSE(fresh.Canvas.HasImage());
        EXPECT_EQ(fresh.Width, 7) << "nothing done";
    }
    {
        SCOPED_TRACE("started");
        RasterState state(true);
        ASSERT_TRUE(o->Canvas.RecreateIfReady(3, 3));
        o->Canvas.FillRect(0, 0, 3, 3, 0xFF112233);
        const uint32_t* storage = o->Canvas.GetPixels();
        o->Width = o->Height = 3;
        o->RenderState = QDXObject::kDrawn;
        CStr_base<64> kept("kept");
        for (CStr_base<64>* error : {static_cast<CStr_base<64>*>(nullptr), &kept}) {
            EXPECT_TRUE(BuiltInObjectRender(o, true, error));
            EXPECT_EQ(o->Width, 1);
            EXPECT_EQ(o->Height, 1);
            EXPECT_EQ(o->RenderState, QDXObject::kNotDrawn);
            EXPECT_EQ(o->Canvas.GetWidth(), 1);
            EXPECT_EQ(o->Canvas.GetStride(), 1);
            EXPECT_EQ(*o->Canvas.GetPixels(), 0u);
            EXPECT_EQ(o->Canvas.GetPixels(), storage) << "the pixel storage is reused";
            if (error != nullptr) {
                EXPECT_STREQ(error->GetText(), "kept") << "untouched on success";
            }
        }
    }
}

struct FakeRenderer : IObjectRenderer {
    bool Render(QDXObject& object, bool fast, CStr_base<64>*) override {
        ++calls;
        lastObject = &object;
        lastFast = fast;
        return true;
    }
    int calls = 0;
    QDXObject* lastObject = nullptr;
    bool lastFast = false;
};

TEST(QDXCtrlTest, RenderObjectFindsLiterallyAndHandsOutTheCanvas) {
    // The fallback without a renderer; the document's own renderer is
    // installed by default and tested with the renderer.
    struct NoRenderer {
        IObjectRenderer* old = SetObjectRenderer(nullptr);
        ~NoRenderer() { SetObjectRenderer(old); }
    } noRenderer;
    CQDXCtrl doc;
    QDXObject* vector = nullptr;
    ASSERT_TRUE(doc.Objects.Insert("Body", &vector));
    vector->Kind = QDXObject::kVector;
    vector->Owner = &doc;

    CSprite* canvas = reinterpret_cast<CSprite*>(&doc);  // a marker: must stay untouched
    CStr_base<64> error;
    EXPECT_FALSE(doc.RenderObject("Missing", &canvas, false, &error));
    EXPECT_EQ(canvas, reinterpret_cast<CSprite*>(&doc));
    EXPECT_STREQ(error.GetText(), "") << "no message for a missing object";

    {
        SCOPED_TRACE("no renderer: a vector object fails silently");
        EXPECT_FALSE(doc.RenderObject("Body", &canvas, false, &error));
        EXPECT_EQ(canvas, &vector->Canvas);
        EXPECT_STREQ(error.GetText(), "");
        EXPECT_EQ(vector->RenderState, QDXObject::kNotDrawn);
    }
    {
        SCOPED_TRACE("no renderer: built-ins draw through their callback");
        RasterState state(true);
        QDXObject* prev = doc.FindObject("_PrevObject", nullptr, "_PrevObject");
        EXPECT_TRUE(doc.RenderObject("_PrevObject", &canvas, false, nullptr));
        EXPECT_EQ(canvas, &prev->Canvas);
        EXPECT_EQ(prev->RenderState, QDXObject::kDrawn);
        EXPECT_EQ(prev->Width, 1);
    }
    {
        SCOPED_TRACE("no renderer, library not started");
        RasterState state(false);
        QDXObject* t1 = doc.FindObject("_Template1", nullptr, "_PrevObject");
        EXPECT_FALSE(doc.RenderObject("_Template1", nullptr, false, &error));
        EXPECT_EQ(std::string(error.GetText()), kOutOfMemory);
        EXPECT_EQ(t1->RenderState, QDXObject::kNotDrawn);
        EXPECT_TRUE(doc.RenderObject("_Template1", nullptr, false, nullptr));
        EXPECT_EQ(t1->RenderState, QDXObject::kDrawn);
    }
    {
        SCOPED_TRACE("with a renderer: the fast flag is forced by ForceFast and FastDraw");
        FakeRenderer renderer;
        RendererScope scope(&renderer);
        struct Case {
            bool fast, forceFast, fastDraw, expected;
        };
        const Case cases[] = {{false, false, false, false},
                              {true, false, false, true},
                              {false, true, false, true},
                              {false, false, true, true}};
        for (const Case& c : cases) {
            doc.ForceFast = c.forceFast;
            vector->FastDraw = c.fastDraw;
            EXPECT_TRUE(doc.RenderObject("Body", nullptr, c.fast, nullptr));
            EXPECT_EQ(renderer.lastObject, vector);
            EXPECT_EQ(renderer.lastFast, c.expected) << c.fast << c.forceFast << c.fastDraw;
        }
        EXPECT_EQ(renderer.calls, 4);
    }
}

TEST(QDXCtrlTest, CreateSurfaceChangesNothingOnFailure) {
    RasterState state(true);
    QDXObject o;
    o.RenderState = QDXObject::kDrawn;
    ASSERT_TRUE(o.CreateSurface(20, 10));
    EXPECT_EQ(o.Width, 20);
    EXPECT_EQ(o.Height, 10);
    EXPECT_EQ(o.RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(o.Canvas.GetWidth(), 20);
    EXPECT_EQ(o.Canvas.GetPixels()[199], 0u);

    o.RenderState = QDXObject::kDrawn;
    EXPECT_FALSE(o.CreateSurface(20000, 20000)) << "size rule";
    EXPECT_FALSE(o.CreateSurface(-1, 5)) << "negative size";
    {
        RasterState notReady(false);
        EXPECT_FALSE(o.CreateSurface(5, 5)) << "library not started";
    }
    EXPECT_EQ(o.Width, 20);
    EXPECT_EQ(o.Height, 10);
    EXPECT_EQ(o.RenderState, QDXObject::kDrawn);
    EXPECT_EQ(o.Canvas.GetWidth(), 20);
}

TEST(QDXCtrlTest, EndMaskMergesTheSavedRegionThroughTheMask) {
    RasterState state(true);
    QDXObject o;
    ASSERT_TRUE(o.CreateSurface(4, 1));
    o.Canvas.FillRect(0, 0, 4, 1, 0xFF0000FF);  // what the masked drawing left
    ASSERT_TRUE(o.SavedRegion.RecreateIfReady(2, 1));
    o.SavedRegion.FillRect(0, 0, 2, 1, 0xFF00FF00);  // what was there before
    CSprite mask;
    ASSERT_TRUE(mask.RecreateIfReady(3, 1));
    mask.FillRect(0, 0, 3, 1, 0x00000000);
    mask.FillRect(2, 0, 1, 1, 0xFF000000);
    // Masked rectangle x 1..2; the mask is read from x 1, so pixel 1 sees alpha 0
    // (saved pixel back) and pixel 2 alpha 255 (drawing kept).
    o.Canvas.SetClipRect(1, 0, 3, 1);
    o.ActiveMask.SetCanvas(mask);
    o.MaskX = 1;
    o.MaskY = 0;

    EXPECT_TRUE(o.EndMask());
    const uint32_t* p = o.Canvas.GetPixels();
    EXPECT_EQ(p[0], 0xFF0000FFu) << "outside the rectangle";
    EXPECT_EQ(p[1], 0xFF00FF00u) << "mask transparent: saved pixel back";
    EXPECT_EQ(p[2], 0xFF0000FFu) << "mask opaque: drawing kept";
    EXPECT_EQ(p[3], 0xFF0000FFu);
    EXPECT_FALSE(o.ActiveMask.IsActive());
    EXPECT_EQ(o.Canvas.GetClipLeft(), 0);
    EXPECT_EQ(o.Canvas.GetClipRight(), 4);

    // The rectangle-only marker merges nothing but still opens the clip.
    o.Canvas.SetClipRect(1, 0, 2, 1);
    o.ActiveMask.SetRectangleOnly();
    EXPECT_TRUE(o.EndMask());
    EXPECT_EQ(o.Canvas.GetPixels()[1], 0xFF00FF00u);
    EXPECT_FALSE(o.ActiveMask.IsActive());
    EXPECT_EQ(o.Canvas.GetClipRight(), 4);

    // No active mask: nothing happens, the clip stays.
    o.Canvas.SetClipRect(1, 0, 2, 1);
    EXPECT_TRUE(o.EndMask());
    EXPECT_EQ(o.Canvas.GetClipLeft(), 1);
}

}  // namespace
