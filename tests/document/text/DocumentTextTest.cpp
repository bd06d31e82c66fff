#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string kHeader = "QDXTextFormat1.2\n[Palette]\n";
const std::string kPalette = "Palette1()\nPalette2()\nPalette4()";
const std::string kLine = "Line(0,0,16,16,16,ff0000,255)";

std::string Doc(const std::string& objects, const std::string& rest = "") {
    return kHeader + kPalette + "\n[QDXObject]\n" + objects + "\n[MetaData]\n" + rest;
}

std::string Save(CQDXCtrl& doc) {
    CStr_base<16384> text;
    EXPECT_TRUE(doc.SaveString(text));
    return text.GetText();
}

// The object names of a document besides the built-ins, in map order.
std::vector<std::string> Names(CQDXCtrl& doc) {
    CStrArray_base<64> keys;
    doc.Objects.GetKeys(keys);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < keys.GetCount(); ++i) {
        const std::string name = keys.GetAt(i)->GetText();
        if (doc.Objects.Find(keys.GetAt(i)->GetText())->GetValue().Kind != QDXObject::kBuiltIn) names.push_back(name);
    }
    return names;
}

// The bucket of a name in the object map, computed here on its own.
uint32_t Bucket(const std::string& name) {
    int64_t hash = 0;
    for (size_t i = 0; i < name.size(); ++i) hash += int64_t(257 + i) * static_cast<signed char>(name[i]);
    return uint32_t(hash) & 63;
}

// A document with something in every section, made through the public calls.
void Populate(CQDXCtrl& doc) {
    ASSERT_EQ(doc.LoadString(Doc("Red=Render(32,16,ffffff,1,1,1,0,array(" + kLine +
                                 ",!Box(0,0,32,32,16,P40010000,128)))\n"
                                 "Shape=Render(8,8,0,0.5,2,1,1,array(Diagram(0,0,ff,200,qdxpath(Line(0,0),"
                                 "!Line(16,0),CircleCurve(1,2,3,4,t),Jump(5,6),Return,Tip,Separator))))\n"
                                 "Pic=WebP(\"0123\")\n"
                                 "PicA=WebPA(\"AB\",\"CD\")\n"
                                 "Img=LinkPath(\"C:\\\\img\\\\a.png\")\n"
                                 "Ext=QDXLinkPath(\"other.qdx?Master\")",
                                 "some\nmeta data\n\n[ExtOption]\nKey=Value\n[Sub]\nInner=1\n[EndSection]\n")
                                 .c_str()),
              0);
}

TEST(DocumentTextTest, RoundTripIsAFixedPoint) {
    CQDXCtrl first;
    Populate(first);
    const std::string saved = Save(first);
    CQDXCtrl second;
    ASSERT_EQ(second.LoadString(saved.c_str()), 0);
    EXPECT_EQ(Save(second), saved);
    EXPECT_EQ(Names(second), Names(first));
    for (const std::string& name : Names(first)) {
        SCOPED_TRACE(name);
        const QDXObject& a = first.Objects.Find(name.c_str())->GetValue();
        const QDXObject& b = second.Objects.Find(name.c_str())->GetValue();
        EXPECT_EQ(a.Kind, b.Kind);
        EXPECT_EQ(a.Width, b.Width);
        EXPECT_EQ(a.Height, b.Height);
        EXPECT_EQ(a.Background, b.Background);
        EXPECT_EQ(a.ScaleX, b.ScaleX);
        EXPECT_EQ(a.ScaleY, b.ScaleY);
        EXPECT_EQ(a.FastDraw, b.FastDraw);
        EXPECT_EQ(a.CompleteSave, b.CompleteSave);
        EXPECT_STREQ(a.LinkPath.GetText(), b.LinkPath.GetText());
        EXPECT_STREQ(a.ImageText.GetText(), b.ImageText.GetText());
        EXPECT_STREQ(a.AlphaText.GetText(), b.AlphaText.GetText());
        ASSERT_EQ(a.Factors.GetCount(), b.Factors.GetCount());
        for (uint32_t i = 0; i < a.Factors.GetCount(); ++i) {
            EXPECT_EQ(a.Factors.GetAt(i)->Kind, b.Factors.GetAt(i)->Kind);
            EXPECT_EQ(a.Factors.GetAt(i)->Path.GetCount(), b.Factors.GetAt(i)->Path.GetCount());
        }
    }
    EXPECT_STREQ(second.MetaData.GetText(), "some\nmeta data\n");
    ASSERT_NE(second.ExtOptions.FindValue("/Sub/Inner"), nullptr);
    EXPECT_STREQ(second.ExtOptions.FindValue("/Key")->GetText(), "Value");
}

TEST(DocumentTextTest, WriterBytesInBucketOrder) {
    // Names in distinct buckets, created in an order that is not the bucket order.
    const std::vector<std::string> names = {"Zeta", "alpha", "M", "q7"};
    CQDXCtrl doc;
    for (const std::string& name : names)
        ASSERT_TRUE(doc.AddObjectFromText(name.c_str(), ("LinkPath(\"" + name + ".png\")").c_str()));
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
        return Bucket(a) < Bucket(b);
    });
    for (size_t i = 1; i < sorted.size(); ++i) ASSERT_NE(Bucket(sorted[i - 1]), Bucket(sorted[i]));
    std::string expected = kHeader + kPalette + "\n[QDXObject]\n";
    for (const std::string& name : sorted) expected += name + "=LinkPath(\"" + name + ".png\")\n";
    expected += "[MetaData]\nnotes";
    doc.MetaData.Assign("notes");
    EXPECT_EQ(Save(doc), expected);

    // Loaded in that order, the names land in the same buckets: byte-identical.
    CQDXCtrl again;
    ASSERT_EQ(again.LoadString(expected.c_str()), 0);
    EXPECT_EQ(Save(again), expected);
}

TEST(DocumentTextTest, EmptyDocumentAndOptionsSections) {
    CQDXCtrl doc;
    const std::string empty = kHeader + kPalette + "\n[QDXObject]\n[MetaData]\n";
    EXPECT_EQ(Save(doc), empty);
    // Written with no object line at all, it still reads back.
    doc.MetaData.Assign("m");
    ASSERT_EQ(doc.LoadString(empty.c_str()), 0);
    EXPECT_TRUE(doc.MetaData.IsEmpty());
    ASSERT_EQ(doc.LoadString((empty + "kept").c_str()), 0);
    EXPECT_STREQ(doc.MetaData.GetText(), "kept");

    doc.MetaData.Free();
    doc.ExtOptions.SetString("/A", "1");
    EXPECT_EQ(Save(doc), empty + "\n[ExtOption]\nA=1\n");
    ASSERT_EQ(doc.LoadString(Save(doc).c_str()), 0);
    EXPECT_STREQ(doc.ExtOptions.FindValue("/A")->GetText(), "1");
}

TEST(DocumentTextTest, HeaderNotRecognisedChangesNothing) {
    const std::string good = Doc("A=" + std::string("LinkPath(\"a\")"));
    std::string crlf = good;
    for (size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) crlf.replace(at, 1, "\r\n");
    const std::string texts[] = {
        "QDXTextFormat1.3\n[Palette]\n" + kPalette + "\n[QDXObject]\nB=LinkPath(\"b\")\n[MetaData]\n",
        crlf,
        "",
        " " + good,
        "QDXTextFormat1.2\n[Pallet]\n" + kPalette,
        "QDXTextFormat1.1\n[Palette]\n" + kPalette,
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 30));
        CQDXCtrl doc;
        ASSERT_EQ(doc.LoadString(good.c_str()), 0);
        doc.MetaData.Assign("before");
        doc.BaseFolder.Assign("/folder");
        EXPECT_EQ(doc.LoadString(text.c_str()), 4);
        EXPECT_EQ(Names(doc), std::vector<std::string>{"A"});
        EXPECT_STREQ(doc.MetaData.GetText(), "before");
        EXPECT_STREQ(doc.BaseFolder.GetText(), "/folder");
    }
}

TEST(DocumentTextTest, FaultsAfterTheHeaderClearTheDocument) {
    const std::string link = "LinkPath(\"a\")";
    const std::string texts[] = {
        Doc("_PrevObject=" + link),
        Doc("A=" + link + "\nA=" + link),
        Doc("A=" + link + "\n\nB=" + link),              // a blank line between objects
        Doc("A=" + link + "\n"),                         // an empty last line
        kHeader + kPalette + "\n[QDXObject]\nA=" + link + "\n",  // no metadata marker, empty last line
        kHeader + kPalette + "\n[QDXObject]\n",          // an object section with no line
        Doc("A" + link),                                 // no "="
        Doc("A=Render(1,1,0,array(Nope()))"),
        Doc("=" + link),                                 // empty name
        Doc("a/b=" + link),
        Doc("A=" + link).replace(kHeader.size(), 10, "Palette9()"),  // palette unreadable
        kHeader + kPalette + "\n",                       // palette-only, line feed at its end
        "QDXTextFormat1.0\n[Pallet]\n" + kPalette + "\n[QDXObject]\nA=Render(1,1,0,array(" + kLine +
            "))\n[MetaData]\n",                          // the legacy "Line(" has no alpha item
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        CQDXCtrl doc;
        ASSERT_EQ(doc.LoadString(Doc("Old=" + link, "meta\n[ExtOption]\nKeep=1\n").c_str()), 0);
        doc.PaletteTables->Palette1[3] = 0x123;
        doc.BaseFolder.Assign("/folder");
        EXPECT_EQ(doc.LoadString(text.c_str()), 4);
        EXPECT_TRUE(Names(doc).empty());
        EXPECT_TRUE(doc.MetaData.IsEmpty());
        EXPECT_TRUE(doc.BaseFolder.IsEmpty());
        EXPECT_EQ(doc.PaletteTables->Palette1[3], 0u);
        EXPECT_NE(doc.ExtOptions.FindValue("/Keep"), nullptr);  // the options stay
        EXPECT_NE(doc.Objects.Find("_PrevObject"), nullptr);
        EXPECT_NE(doc.Objects.Find("_Template4"), nullptr);
    }
}

TEST(DocumentTextTest, SectionsAndVersions) {
    CQDXCtrl doc;
    doc.ExtOptions.SetString("/Old", "1");
    // Palette-only documents in each wording.
    for (const std::string& text : std::vector<std::string>{kHeader + kPalette, "QDXTextFormat1.1\n[Pallet]\nPallet1()\nPallet2()",
                                    "QDXTextFormat1.0\n[Pallet]\nPalette1()"}) {
        ASSERT_EQ(doc.LoadString(Doc("A=LinkPath(\"a\")", "m").c_str()), 0);
        doc.ExtOptions.SetString("/Old", "1");
        EXPECT_EQ(doc.LoadString(text.c_str()), 0) << text;
        EXPECT_TRUE(Names(doc).empty());
        EXPECT_TRUE(doc.MetaData.IsEmpty());
        EXPECT_EQ(doc.ExtOptions.FindValue("/Old"), nullptr);
    }
    // Format 1.0 reads only the "Palette" wording in a palette-only document,
    // and only the replaced copy before an object section.
    EXPECT_EQ(doc.LoadString("QDXTextFormat1.0\n[Pallet]\nPallet1()"), 4);
    EXPECT_EQ(doc.LoadString("QDXTextFormat1.0\n[Pallet]\nPallet1()\n[QDXObject]\n[MetaData]\nx"), 0);
    EXPECT_EQ(doc.LoadString("QDXTextFormat1.1\n[Pallet]\nPallet1()\n[QDXObject]\nA=LinkPath(\"a\")\n[MetaData]\n"),
              0);

    // No metadata marker: the objects up to the end, no metadata, no options.
    doc.MetaData.Assign("m");
    doc.BaseFolder.Assign("/folder");
    doc.ExtOptions.SetString("/Old", "1");
    ASSERT_EQ(doc.LoadString((kHeader + kPalette + "\n[QDXObject]\nA=LinkPath(\"a\")\nB=LinkPath(\"b\")").c_str()), 0);
    EXPECT_EQ(Names(doc).size(), 2u);
    EXPECT_TRUE(doc.MetaData.IsEmpty());
    EXPECT_TRUE(doc.BaseFolder.IsEmpty());
    EXPECT_EQ(doc.ExtOptions.FindValue("/Old"), nullptr);

    // The options marker cuts the metadata in 1.1 and 1.2, not in 1.0.
    const std::string meta = "line\n[ExtOption]\nK=V\n";
    ASSERT_EQ(doc.LoadString(("QDXTextFormat1.1\n[Pallet]\n" + kPalette + "\n[QDXObject]\n[MetaData]\n" + meta).c_str()),
              0);
    EXPECT_STREQ(doc.MetaData.GetText(), "line");
    EXPECT_STREQ(doc.ExtOptions.FindValue("/K")->GetText(), "V");
    ASSERT_EQ(doc.LoadString(("QDXTextFormat1.0\n[Pallet]\n" + kPalette + "\n[QDXObject]\n[MetaData]\n" + meta).c_str()),
              0);
    EXPECT_EQ(doc.MetaData.GetText(), meta);
    EXPECT_EQ(doc.ExtOptions.FindValue("/K"), nullptr);
}

TEST(DocumentTextTest, DocumentWideSwitches) {
    struct Case {
        const char* options;
        bool fastA, fastB;  // A is written fast, B not
        bool completeP;     // P is a "WebP(" bitmap
    };
    const Case cases[] = {
        {"AllVecFastDraw=1\nAllBmpCompleteSave=1\n", true, true, true},
        {"AllVecFastDraw=0\nAllBmpCompleteSave=0\n", false, false, false},
        {"AllVecFastDraw=-1\nAllBmpCompleteSave=-1\n", true, false, false},
        {"AllVecFastDraw=x\n", true, false, false},
        {"AllVecFastDraw=2\nAllBmpCompleteSave=2\n", false, false, false},
        {"Other=1\n", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        CQDXCtrl doc;
        const std::string text = Doc("A=Render(1,1,0,1,1,1,1,array(" + kLine + "))\nB=Render(1,1,0,array(" + kLine +
                                         "))\nP=WebP(\"00\")",
                                     std::string("\n[ExtOption]\n") + c.options);
        ASSERT_EQ(doc.LoadString(text.c_str()), 0);
        EXPECT_EQ(doc.Objects.Find("A")->GetValue().FastDraw, c.fastA);
        EXPECT_EQ(doc.Objects.Find("B")->GetValue().FastDraw, c.fastB);
        EXPECT_EQ(doc.Objects.Find("P")->GetValue().CompleteSave, c.completeP);
        // The switches stay in the options and are written back.
        const std::string saved = Save(doc);
        std::string options = c.options;
        for (size_t start = 0, end; (end = options.find('\n', start)) != std::string::npos; start = end + 1)
            EXPECT_NE(saved.find(options.substr(start, end - start + 1)), std::string::npos);
    }
}

TEST(DocumentTextTest, BufferIsCutInPlace) {
    std::string text = Doc("A=LinkPath(\"a\")\nB=LinkPath(\"b\")", "m");
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadText(text.data()), 0);
    const size_t object = text.find("[QDXObject]") - 1;
    EXPECT_EQ(text[object], '\0');
    EXPECT_EQ(text[text.find("B=") - 1], '\0');
    EXPECT_EQ(text[text.find("[MetaData]") - 1], '\0');
}

class DocumentFileTest : public testsupport::TempFolderTest {};

TEST_F(DocumentFileTest, LoadFileCodes) {
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadString(Doc("Old=LinkPath(\"a\")").c_str()), 0);
    EXPECT_EQ(doc.LoadFile(Path("missing.qdx").c_str()), 1);
    EXPECT_EQ(Names(doc), std::vector<std::string>{"Old"});

    testsupport::WriteText(Path("empty.qdx"), "");
    EXPECT_EQ(doc.LoadFile(Path("empty.qdx").c_str()), 4);
    EXPECT_EQ(Names(doc), std::vector<std::string>{"Old"});

    // Too large to be a document: refused before any allocation (a sparse file).
    const std::string huge = Path("huge.qdx");
    testsupport::WriteText(huge, kHeader);
    std::filesystem::resize_file(huge, uintmax_t(CQDXCtrl::kMaxDocumentFileSize) + 1);
    EXPECT_EQ(doc.LoadFile(huge.c_str()), 2);
    EXPECT_EQ(Names(doc), std::vector<std::string>{"Old"});

    // A folder opens but cannot be read.
    std::filesystem::create_directory(Path("dir.qdx"));
    const int32_t folder = doc.LoadFile(Path("dir.qdx").c_str());
    EXPECT_TRUE(folder == 1 || folder == 3) << folder;
    EXPECT_EQ(Names(doc), std::vector<std::string>{"Old"});

    testsupport::WriteText(Path("good.qdx"), Doc("New=LinkPath(\"n\")"));
    ASSERT_EQ(doc.LoadFile(Path("good.qdx").c_str()), 0);
    EXPECT_EQ(Names(doc), std::vector<std::string>{"New"});
    EXPECT_EQ(std::filesystem::path(doc.BaseFolder.GetText()), std::filesystem::path(m_folder));
    ASSERT_EQ(doc.LoadString(Doc("New=LinkPath(\"n\")").c_str()), 0);
    EXPECT_TRUE(doc.BaseFolder.IsEmpty());
}

TEST_F(DocumentFileTest, SaveFileRelativisesLinkPathsOnly) {
    CQDXCtrl doc;
    const std::string below = m_folder + "/img/a.png";
    const std::string belowBackslash = m_folder + "\\b.png";
    ASSERT_TRUE(doc.AddObjectFromText("Below", ("LinkPath(\"" + below + "\")").c_str()));
    ASSERT_TRUE(doc.AddObjectFromText("BelowB", ("QDXLinkPath(\"" + belowBackslash + "\")").c_str()));
    ASSERT_TRUE(doc.AddObjectFromText("Elsewhere", "LinkPath(\"/elsewhere/a.png\")"));
    ASSERT_TRUE(doc.AddObjectFromText("Prefix", ("LinkPath(\"" + m_folder + "x/a.png\")").c_str()));
    doc.MetaData.Assign((m_folder + "/in/metadata").c_str());

    const std::string path = Path("doc.qdx");
    ASSERT_TRUE(doc.SaveFile(path.c_str()));
    EXPECT_EQ(std::filesystem::path(doc.BaseFolder.GetText()), std::filesystem::path(m_folder));
    const std::string text = testsupport::ReadText(path);
    EXPECT_NE(text.find("Below=LinkPath(\"img/a.png\")\n"), std::string::npos) << text;
    EXPECT_NE(text.find("BelowB=QDXLinkPath(\"b.png\")\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Elsewhere=LinkPath(\"/elsewhere/a.png\")\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Prefix=LinkPath(\"" + m_folder + "x/a.png\")\n"), std::string::npos) << text;
    EXPECT_NE(text.find(m_folder + "/in/metadata"), std::string::npos);
    // The objects keep their paths; the string writer writes them as held.
    EXPECT_STREQ(doc.Objects.Find("Below")->GetValue().LinkPath.GetText(), below.c_str());
    EXPECT_NE(Save(doc).find("Below=LinkPath(\"" + below + "\")"), std::string::npos);
    EXPECT_TRUE(doc.BaseFolder.IsEmpty());
}

TEST_F(DocumentFileTest, FailedSaveLeavesTheOldFile) {
    CQDXCtrl doc;
    ASSERT_TRUE(doc.AddObjectFromText("A", "LinkPath(\"a\")"));
    const std::string path = Path("doc.qdx");
    testsupport::WriteText(path, "old content");

    // A bitmap whose canvas cannot be encoded (no encoder installed).
    QDXObject* bitmap = nullptr;
    ASSERT_TRUE(doc.AddObjectFromText("B", "WebP(\"00\")"));
    bitmap = &doc.Objects.Find("B")->GetValue();
    bitmap->ImageText.Free();
    doc.BaseFolder.Assign("/before");
    EXPECT_FALSE(doc.SaveFile(path.c_str()));
    EXPECT_EQ(testsupport::ReadText(path), "old content");
    EXPECT_STREQ(doc.BaseFolder.GetText(), "/before");
    CStr_base<16384> text;
    EXPECT_FALSE(doc.SaveString(text));
    EXPECT_EQ(std::string(text.GetText()).substr(std::string(text.GetText()).size() - 2), "B=");

    EXPECT_FALSE(doc.SaveFile(Path("no/such/folder/doc.qdx").c_str()));
    EXPECT_STREQ(doc.BaseFolder.GetText(), "/before");

    ASSERT_TRUE(doc.DeleteObject("B"));
    ASSERT_TRUE(doc.SaveFile(path.c_str()));
    CQDXCtrl loaded;
    ASSERT_EQ(loaded.LoadFile(path.c_str()), 0);
    EXPECT_EQ(Names(loaded), std::vector<std::string>{"A"});
}

}  // namespace
