#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "document/model/ObjectRenderer.h"
#include "document/model/QDXCtrl.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/support/TempFolder.h"

namespace {

// The messages in code page 932, spelled out here on their own.
const std::string kFileOpen = "\x8A\x4F\x95\x94\x89\xE6\x91\x9C\x83\x74\x83\x40\x83\x43\x83\x8B\"";  // 外部画像ファイル"
const std::string kCannotLoad =                                                           // "を読み込めませんでした。\n(完全名"
    "\"\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n("
    "\x8A\xAE\x91\x53\x96\xBC\"";
const std::string kTooDeep =  // 外部参照関係が複雑すぎるため読み込めませんでした。\n
    "\x8A\x4F\x95\x94\x8E\x51\x8F\xC6\x8A\xD6\x8C\x57\x82\xAA\x95\xA1\x8E\x47\x82\xB7\x82\xAC\x82\xE9\x82\xBD"
    "\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n";
const std::string kInvalid =  // 外部参照名が無効です。\n
    "\x8A\x4F\x95\x94\x8E\x51\x8F\xC6\x96\xBC\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42\n";
const std::string kInside = "\"\x93\xE0\x82\xCC\n\"";                                          // "内の\n"
const std::string kNotFound = "\"\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";  // "が見つかりません。\n
const std::string kRenderFailed =  // "の描画に以下の理由で失敗しました。\n
    "\"\x82\xCC\x95\x60\x89\xE6\x82\xC9\x88\xC8\x89\xBA\x82\xCC\x97\x9D\x97\x52\x82\xC5\x8E\xB8\x94\x73\x82\xB5"
    "\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
const std::string kNoMemory =  // メモリ不足のため描画できません。\n
    "\x83\x81\x83\x82\x83\x8A\x95\x73\x91\xAB\x82\xCC\x82\xBD\x82\xDF\x95\x60\x89\xE6\x82\xC5\x82\xAB\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42\n";

std::string CannotLoad(const std::string& file, const std::string& full) {
    return kFileOpen + file + kCannotLoad + full + "\")\n";
}
std::string Inside(const std::string& file, const std::string& object) {
    return kFileOpen + file + kInside + object;
}

// The folder of the test program, found without the code under test.
std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

// A stand-in for the renderer, with what the links need of one: an image
// link loads its file, a document link draws the other document's object, a
// vector object is its Width x Height filled with its Background (opaque) and
// the canvas of every object its factors name copied over it at (0, 0).
// Every draw is counted by object name and document depth.
class FakeRenderer : public IObjectRenderer {
public:
    // Whether a source that fails fails the object (else it is left out).
    bool strictSources = true;
    std::map<std::string, int> draws;  // "name@depth" -> number of draws

    bool Render(QDXObject& o, bool fast, CStr_base<64>* errorText) override {
        (void)fast;
        if (o.RenderState == QDXObject::kDrawn) return true;
        if (o.RenderState == QDXObject::kDrawing) {
            if (errorText != nullptr) errorText->Append("cycle\n");
            return false;
        }
        ++draws[std::string(o.Name.GetText()) + "@" + std::to_string(o.Owner->ExternalDepth)];
        bool ok = false;
        o.RenderState = QDXObject::kDrawing;
        switch (o.Kind) {
            case QDXObject::kImageLink:
                ok = o.Owner->LoadExternalImage(o.LinkPath.GetText(), o.Canvas, errorText);
                break;
            case QDXObject::kDocumentLink:
                ok = o.Owner->RenderExternalObject(o.LinkPath.GetText(), o.Canvas, errorText);
                break;
            case QDXObject::kBuiltIn:
                ok = o.RenderCallback(&o, false, errorText);
                break;
            case QDXObject::kVector:
                ok = DrawVector(o, errorText);
                break;
            default:
                break;
        }
        o.RenderState = ok ? QDXObject::kDrawn : QDXObject::kNotDrawn;
        return ok;
    }

private:
    bool DrawVector(QDXObject& o, CStr_base<64>* errorText) {
        o.Canvas.Release();
        if (!o.Canvas.Create(o.Width, o.Height, false)) return false;
        o.Canvas.FillRect(0, 0, o.Width, o.Height, 0xFF000000u | o.Background);
        for (uint32_t i = 0; i < o.Factors.GetCount(); ++i) {
            const QDXFactor& f = *o.Factors.GetAt(i);
            if (f.SourceName.IsEmpty()) continue;  // only the Copy factors of these tests name one
            QDXObject* source = o.Owner->FindObject(f.SourceName.GetText(), nullptr, "_PrevObject");
            if (source == nullptr || !Render(*source, false, errorText)) {
                if (strictSources) return false;
                continue;
            }
            o.Canvas.DrawCopy(0, 0, source->Canvas, 0, 0, source->Canvas.GetWidth(), source->Canvas.GetHeight());
        }
        return true;
    }
};

const std::string kPalette = "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n[QDXObject]\n";

// A document text from object lines.
std::string Doc(const std::vector<std::string>& lines) {
    std::string text = kPalette;
    for (const std::string& line : lines) text += line + "\n";
    return text + "[MetaData]\n";
}

// A vector object that copies the named objects in order.
std::string Copies(const std::string& name, int w, int h, const std::string& background,
                   const std::vector<std::string>& sources) {
    std::string line = name + "=Render(" + std::to_string(w) + "," + std::to_string(h) + "," + background + ",array(";
    for (size_t i = 0; i < sources.size(); ++i)
        line += (i ? "," : "") + std::string("Copy(0,0,1,1,\"") + sources[i] + "\",0,0)";
    return line + "))";
}

class ExternalReferencesTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        if (RasterPixelMode != 1) {
            ASSERT_TRUE(InitRasterLibrary(1));
        }
        m_old = SetObjectRenderer(&m_renderer);
    }
    void TearDown() override {
        SetObjectRenderer(m_old);
        TempFolderTest::TearDown();
    }

    void WriteDoc(const std::string& name, const std::vector<std::string>& lines) {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        testsupport::WriteText(Path(name), Doc(lines));
    }
    // A w x h bitmap file whose pixel (x, y) is 0xFF000000 + 16 x + y.
    void WriteImage(const std::string& path, int w, int h) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        CSprite image;
        ASSERT_TRUE(image.Create(w, h, false));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) *image.PixelAt(x, y) = 0xFF000000u + uint32_t(16 * x + y);
        ASSERT_TRUE(SaveBMP(image, path.c_str()));
    }
    static void ExpectImage(const CSprite& canvas, int w, int h) {
        ASSERT_EQ(canvas.GetWidth(), w);
        ASSERT_EQ(canvas.GetHeight(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) EXPECT_EQ(*canvas.PixelAt(x, y), 0xFF000000u + uint32_t(16 * x + y));
    }
    // Draws a link in a document whose folder is the temporary folder.
    bool DrawLink(const std::string& reference, CSprite& canvas, std::string& error) {
        CQDXCtrl doc;
        doc.BaseFolder.Assign(m_folder.c_str());
        CStr_base<64> text;
        const bool ok = doc.RenderExternalObject(reference.c_str(), canvas, &text);
        error = text.GetText();
        return ok;
    }

    FakeRenderer m_renderer;
    IObjectRenderer* m_old = nullptr;
};

TEST(ExtractFileNameTest, NameAfterTheLastSeparator) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\dir\\pic.png", "pic.png"},
        {"/a/b/c.qdx?Master", "c.qdx?Master"},
        {"dir\\sub/mixed.bmp", "mixed.bmp"},
        {"plain.png", "plain.png"},
        {"dir\\\x95\x5C.png", "\x95\x5C.png"},  // 表: its trail byte is no separator
        {"\x95\x5C\\a.png", "a.png"},
        {"", ""},
    };
    for (const auto& c : cases) {
        CStr_base<64> out("old");
        EXPECT_TRUE(ExtractFileName(c.path, out));
        EXPECT_STREQ(out.GetText(), c.name) << c.path;
    }
    CStr_base<64> self("x/y/z.png");
    ExtractFileName(self.GetText(), self);  // the path may be the output itself
    EXPECT_STREQ(self.GetText(), "z.png");
}

TEST_F(ExternalReferencesTest, ResolvesAgainstTheFolderWithoutTouchingTheCurrentDirectory) {
    const std::string cwd = std::filesystem::current_path().string();
    CQDXCtrl doc;
    doc.BaseFolder.Assign("/base/doc");
    const struct {
        const char* name;
        const char* full;
    } cases[] = {
        {"img\\a.png", "/base/doc/img/a.png"},
        {"img/a.png", "/base/doc/img/a.png"},
        {"..\\x.png", "/base/x.png"},
        {"/abs/y.png", "/abs/y.png"},
        {"\\abs\\z.png", "/abs/z.png"},
        {"other.qdx?Leaf", "/base/doc/other.qdx?Leaf"},
    };
    for (const auto& c : cases) {
        CStr_base<64> full, error;
        EXPECT_TRUE(doc.ResolveExternalPath(c.name, full, &error)) << c.name;
        EXPECT_STREQ(full.GetText(), c.full) << c.name;
        EXPECT_TRUE(error.IsEmpty());
    }

    // Without a folder of its own the document looks beside the program,
    // wherever the process happens to stand.
    std::filesystem::current_path(m_folder);
    CQDXCtrl loose;
    CStr_base<64> full;
    EXPECT_TRUE(loose.ResolveExternalPath("img\\a.png", full, nullptr));
    EXPECT_EQ(std::string(full.GetText()), ProgramFolder() + "/img/a.png");
    EXPECT_EQ(std::filesystem::current_path().string(), m_folder);
    std::filesystem::current_path(cwd);
}

TEST_F(ExternalReferencesTest, NoFullPathFailsAsAFileThatCannotBeLoaded) {
    CQDXCtrl doc;
    doc.BaseFolder.Assign("/base");
    const std::string name = std::string(5000, 'n') + ".png";  // longer than any path
    CStr_base<64> full("kept"), error;
    EXPECT_FALSE(doc.ResolveExternalPath(name.c_str(), full, &error));
    EXPECT_STREQ(full.GetText(), "kept");
    // (Compared as a whole: the texts are too long to print.)
    EXPECT_TRUE(std::string(error.GetText()) == CannotLoad(name, name));

    CSprite canvas;
    error.SetLength(0);
    EXPECT_FALSE(doc.LoadExternalImage(name.c_str(), canvas, &error));
    EXPECT_TRUE(std::string(error.GetText()) == CannotLoad(name, name));
    error.SetLength(0);
    EXPECT_FALSE(doc.RenderExternalObject((name + "?A").c_str(), canvas, &error));
    EXPECT_TRUE(std::string(error.GetText()) == CannotLoad(name, name));  // the file part is the one resolved
}

TEST_F(ExternalReferencesTest, ImageLinksFromTheDocumentFolderAndFromTheProgramFolder) {
    WriteImage(Path("img/a.bmp"), 3, 2);
    // Saved into the folder, the link below it is written relative and read
    // back from there.
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadString(Doc({"Img=LinkPath(\"" + m_folder + "/img/a.bmp\")"}).c_str()), 0);
    ASSERT_TRUE(doc.SaveFile(Path("doc.qdx").c_str()));
    CQDXCtrl saved;
    ASSERT_EQ(saved.LoadFile(Path("doc.qdx").c_str()), 0);
    QDXObject& img = saved.Objects.Find("Img")->GetValue();
    EXPECT_STREQ(img.LinkPath.GetText(), "img/a.bmp");
    CSprite canvas;
    EXPECT_TRUE(saved.LoadExternalImage(img.LinkPath.GetText(), canvas, nullptr));
    ExpectImage(canvas, 3, 2);

    // The same text read from a string looks below the program's folder.
    CQDXCtrl loose;
    ASSERT_EQ(loose.LoadString(Doc({"Img=LinkPath(\"img\\\\a.bmp\")"}).c_str()), 0);
    CStr_base<64> error;
    EXPECT_FALSE(loose.LoadExternalImage("img\\a.bmp", canvas, &error));
    EXPECT_FALSE(canvas.HasImage());
    EXPECT_EQ(std::string(error.GetText()), CannotLoad("a.bmp", ProgramFolder() + "/img/a.bmp"));

    const std::string name = "oc-link-test-" + std::to_string(getpid()) + ".bmp";
    WriteImage(ProgramFolder() + "/" + name, 3, 2);
    const bool loaded = loose.LoadExternalImage(name.c_str(), canvas, nullptr);
    std::filesystem::remove(ProgramFolder() + "/" + name);
    EXPECT_TRUE(loaded);
    ExpectImage(canvas, 3, 2);
}

TEST_F(ExternalReferencesTest, DrawsAnObjectOfAnotherDocument) {
    WriteDoc("parts/other.qdx", {"Leaf=Render(3,2,ff00,array())", Copies("Pic", 3, 2, "0", {"Img"}),
                                 "Img=LinkPath(\"a.bmp\")"});
    WriteImage(Path("parts/a.bmp"), 3, 2);

    CSprite canvas;
    std::string error;
    ASSERT_TRUE(DrawLink("parts\\other.qdx?Leaf", canvas, error)) << error;
    ASSERT_EQ(canvas.GetWidth(), 3);
    ASSERT_EQ(canvas.GetHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(*canvas.PixelAt(x, y), 0xFF00FF00u);
    EXPECT_EQ(m_renderer.draws["Leaf@1"], 1);  // one level deeper

    // The other document's links resolve against its own folder.
    ASSERT_TRUE(DrawLink("parts/other.qdx?Pic", canvas, error)) << error;
    ExpectImage(canvas, 3, 2);
}

TEST_F(ExternalReferencesTest, RefusedReferences) {
    WriteDoc("other.qdx", {"Leaf=Render(1,1,0,array())", Copies("Broken", 1, 1, "0", {"Missing"})});
    const std::string full = Path("other.qdx");
    const struct {
        const char* reference;
        std::string error;
        bool canvasKept;  // the output canvas is touched only once the object is drawn
    } cases[] = {
        {"other.qdx", kInvalid, true},
        {"other.qdx?Leaf?x", kInvalid, true},
        {"other.qdx?", Inside("other.qdx", "") + kNotFound, true},
        {"other.qdx?Nope", Inside("other.qdx", "Nope") + kNotFound, true},
        {"missing.qdx?Leaf", CannotLoad("missing.qdx", Path("missing.qdx")), true},
        {"other.qdx?Broken", Inside("other.qdx", "Broken") + kRenderFailed, true},
    };
    for (const auto& c : cases) {
        CSprite canvas;
        ASSERT_TRUE(canvas.Create(2, 2, true));
        std::string error;
        EXPECT_FALSE(DrawLink(c.reference, canvas, error)) << c.reference;
        EXPECT_EQ(error, c.error) << c.reference;
        EXPECT_EQ(canvas.GetWidth(), c.canvasKept ? 2 : 0) << c.reference;
    }

    // Without an error text nothing is reported, the result is the same.
    CQDXCtrl doc;
    CSprite canvas;
    EXPECT_FALSE(doc.RenderExternalObject("no-separator", canvas, nullptr));
}

TEST_F(ExternalReferencesTest, PrevObjectDrawsTheOtherDocumentsBuiltIn) {
    WriteDoc("other.qdx", {"Leaf=Render(1,1,0,array())"});
    CSprite canvas;
    std::string error;
    ASSERT_TRUE(DrawLink("other.qdx?_PrevObject", canvas, error)) << error;
    ASSERT_EQ(canvas.GetWidth(), 1);
    ASSERT_EQ(canvas.GetHeight(), 1);
    EXPECT_EQ(*canvas.PixelAt(0, 0), 0u);
}

TEST_F(ExternalReferencesTest, CanvasSizeRule) {
    WriteDoc("big.qdx", {"Strip=Render(20000,200,ff,array())", "Tall=Render(20000,300,ff,array())"});
    CSprite canvas;
    std::string error;
    ASSERT_TRUE(DrawLink("big.qdx?Strip", canvas, error)) << error;
    EXPECT_EQ(canvas.GetWidth(), 20000);
    EXPECT_EQ(canvas.GetHeight(), 200);
    EXPECT_EQ(*canvas.PixelAt(19999, 199), 0xFF0000FFu);

    EXPECT_FALSE(DrawLink("big.qdx?Tall", canvas, error));
    EXPECT_EQ(error, kNoMemory);
    EXPECT_FALSE(canvas.HasImage());
}

// A chain of documents, each drawing an object of the next: ten links deep is
// drawn, the eleventh is refused by the document at depth 10.
TEST_F(ExternalReferencesTest, DepthLimitOfTenLevels) {
    for (int links : {10, 11}) {
        SCOPED_TRACE(links);
        for (int i = 1; i <= links; ++i) {
            const std::string file = "chain" + std::to_string(links) + "_" + std::to_string(i) + ".qdx";
            if (i < links)
                WriteDoc(file, {Copies("Obj", 1, 1, "0", {"Next"}), "Next=QDXLinkPath(\"chain" + std::to_string(links) +
                                                                        "_" + std::to_string(i + 1) + ".qdx?Obj\")"});
            else
                WriteDoc(file, {"Obj=Render(1,1,ab,array())"});
        }
        CSprite canvas;
        std::string error;
        const bool ok = DrawLink("chain" + std::to_string(links) + "_1.qdx?Obj", canvas, error);
        if (links == 10) {
            EXPECT_TRUE(ok) << error;
            EXPECT_EQ(*canvas.PixelAt(0, 0), 0xFF0000ABu);
            EXPECT_EQ(m_renderer.draws["Obj@10"], 1);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(Count(error, kRenderFailed), 10u);
            EXPECT_EQ(error.substr(error.size() - kTooDeep.size()), kTooDeep);
        }
    }
}

// A file with five links back into itself: each outermost draw reads it once,
// and every link met again while it is being drawn is refused at once (it used
// to be read 5^10 times).
TEST_F(ExternalReferencesTest, SelfLinksEndAtOnceAndReadTheFileOncePerDraw) {
    std::vector<std::string> lines{Copies("X", 1, 1, "7", {"L1", "L2", "L3", "L4", "L5"})};
    for (int i = 1; i <= 5; ++i) lines.push_back("L" + std::to_string(i) + "=QDXLinkPath(\"self.qdx?X\")");
    WriteDoc("self.qdx", lines);
    m_renderer.strictSources = false;

    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadFile(Path("self.qdx").c_str()), 0);
    CStr_base<64> error;
    EXPECT_TRUE(doc.RenderObject("X", nullptr, false, &error));
    // Five outermost draws, one per link of the document; in each the file is
    // loaded once, X drawn once there, and its five links refused there.
    EXPECT_EQ(m_renderer.draws["X@0"], 1);
    EXPECT_EQ(m_renderer.draws["X@1"], 5);
    int deeper = 0;
    for (const auto& [key, n] : m_renderer.draws)
        if (key.find("@2") != std::string::npos) deeper += n;
    EXPECT_EQ(deeper, 0);
    // The refusals happen inside the drawn copies, whose reasons the copies drop.
    EXPECT_TRUE(error.IsEmpty());

    // With the refusal passed on, the reason is the depth message.
    m_renderer.strictSources = true;
    CQDXCtrl strict;
    ASSERT_EQ(strict.LoadFile(Path("self.qdx").c_str()), 0);
    EXPECT_FALSE(strict.RenderObject("L1", nullptr, false, &error));
    EXPECT_EQ(std::string(error.GetText()), Inside("self.qdx", "X") + kRenderFailed + kTooDeep);
}

// a -> b -> a: the cycle is refused where it closes, and a is read once.
TEST_F(ExternalReferencesTest, CycleThroughTwoFiles) {
    WriteDoc("a.qdx", {Copies("X", 1, 1, "0", {"ToB"}), "ToB=QDXLinkPath(\"b.qdx?Y\")"});
    WriteDoc("b.qdx", {Copies("Y", 1, 1, "0", {"ToA"}), "ToA=QDXLinkPath(\"a.qdx?X\")"});
    CSprite canvas;
    std::string error;
    EXPECT_FALSE(DrawLink("a.qdx?X", canvas, error));
    EXPECT_EQ(error, Inside("a.qdx", "X") + kRenderFailed + Inside("b.qdx", "Y") + kRenderFailed + kTooDeep);
    EXPECT_EQ(m_renderer.draws["X@1"], 1);
    EXPECT_EQ(m_renderer.draws["Y@2"], 1);
    EXPECT_EQ(m_renderer.draws.count("X@3"), 0u);
}

// Two links into one file within one draw share its loaded document: the
// object there is drawn once.
TEST_F(ExternalReferencesTest, OneLoadedDocumentPerFileWithinADraw) {
    WriteDoc("two.qdx", {Copies("Top", 1, 1, "0", {"A", "B"}), "A=QDXLinkPath(\"leaf.qdx?Leaf\")",
                         "B=QDXLinkPath(\"./leaf.qdx?Leaf\")"});
    WriteDoc("leaf.qdx", {"Leaf=Render(1,1,cd,array())"});
    CSprite canvas;
    std::string error;
    ASSERT_TRUE(DrawLink("two.qdx?Top", canvas, error)) << error;
    EXPECT_EQ(*canvas.PixelAt(0, 0), 0xFF0000CDu);
    EXPECT_EQ(m_renderer.draws["Leaf@2"], 1);
    // A later draw reads afresh.
    ASSERT_TRUE(DrawLink("two.qdx?Top", canvas, error)) << error;
    EXPECT_EQ(m_renderer.draws["Leaf@2"], 2);
}

TEST_F(ExternalReferencesTest, MakeLinkPathAbsolute) {
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadString(Doc({"Img=LinkPath(\"img\\\\a.png\")", "Ext=QDXLinkPath(\"..\\\\o.qdx?Leaf\")",
                                  "Vec=Render(1,1,0,array())"})
                                 .c_str()),
              0);
    doc.BaseFolder.Assign("/base/doc");
    QDXObject& vec = doc.Objects.Find("Vec")->GetValue();
    vec.LinkPath.Assign("stays");
    const std::string longName(5000, 'n');
    QDXObject* unresolved = nullptr;
    const std::string key = "Long";
    ASSERT_TRUE(doc.Objects.Insert(key.c_str(), &unresolved));
    unresolved->Kind = QDXObject::kImageLink;
    unresolved->Owner = &doc;
    unresolved->LinkPath.Assign(longName.c_str());

    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"Img", "/base/doc/img/a.png"}, {"Ext", "/base/o.qdx?Leaf"}, {"Vec", "stays"}, {"Long", longName}};
    for (const auto& c : cases) {
        QDXObject& o = doc.Objects.Find(c.name)->GetValue();
        EXPECT_TRUE(o.MakeLinkPathAbsolute());
        EXPECT_TRUE(std::string(o.LinkPath.GetText()) == c.path) << c.name;
    }
}

// ---- saving into another folder ----

class SaveAsLinksTest : public ExternalReferencesTest {
protected:
    void SetUp() override {
        ExternalReferencesTest::SetUp();
        WriteImage(Path("d1/img/a.bmp"), 3, 2);
        WriteDoc("d1/other.qdx", {"Leaf=Render(2,1,77,array())"});
        WriteDoc("d1/doc.qdx", {"Img=LinkPath(\"img\\\\a.bmp\")", "Ext=QDXLinkPath(\"other.qdx?Leaf\")",
                                "Far=LinkPath(\"/nowhere/far.png\")"});
        std::filesystem::create_directories(Path("d2"));
        ASSERT_EQ(m_doc.LoadFile(Path("d1/doc.qdx").c_str()), 0);
    }
    std::string Link(CQDXCtrl& doc, const char* name) { return doc.Objects.Find(name)->GetValue().LinkPath.GetText(); }
    // Both links of doc reach their files.
    void ExpectLinksWork(CQDXCtrl& doc) {
        CSprite canvas;
        CStr_base<64> error;
        EXPECT_TRUE(doc.LoadExternalImage(Link(doc, "Img").c_str(), canvas, &error)) << error.GetText();
        ExpectImage(canvas, 3, 2);
        EXPECT_TRUE(doc.RenderExternalObject(Link(doc, "Ext").c_str(), canvas, &error)) << error.GetText();
        EXPECT_EQ(*canvas.PixelAt(1, 0), 0xFF000077u);
    }

    CQDXCtrl m_doc;
};

TEST_F(SaveAsLinksTest, SavingInPlaceKeepsTheStoredText) {
    ASSERT_TRUE(m_doc.SaveFile(Path("d1/doc.qdx").c_str()));
    CQDXCtrl again;
    ASSERT_EQ(again.LoadFile(Path("d1/doc.qdx").c_str()), 0);
    for (CQDXCtrl* doc : {&m_doc, &again}) {
        EXPECT_EQ(Link(*doc, "Img"), "img\\a.bmp");
        EXPECT_EQ(Link(*doc, "Ext"), "other.qdx?Leaf");
        EXPECT_EQ(Link(*doc, "Far"), "/nowhere/far.png");
        ExpectLinksWork(*doc);
    }
}

TEST_F(SaveAsLinksTest, SavingIntoAnotherFolderKeepsTheLinksWorking) {
    ASSERT_TRUE(m_doc.SaveFile(Path("d2/doc.qdx").c_str()));
    CQDXCtrl again;
    ASSERT_EQ(again.LoadFile(Path("d2/doc.qdx").c_str()), 0);
    for (CQDXCtrl* doc : {&m_doc, &again}) {
        EXPECT_EQ(Link(*doc, "Img"), m_folder + "/d1/img/a.bmp");
        EXPECT_EQ(Link(*doc, "Ext"), m_folder + "/d1/other.qdx?Leaf");
        EXPECT_EQ(Link(*doc, "Far"), "/nowhere/far.png");
        ExpectLinksWork(*doc);
    }
}

TEST_F(SaveAsLinksTest, SavingAboveTheFilesWritesThemRelative) {
    ASSERT_TRUE(m_doc.SaveFile(Path("doc.qdx").c_str()));
    CQDXCtrl again;
    ASSERT_EQ(again.LoadFile(Path("doc.qdx").c_str()), 0);
    for (CQDXCtrl* doc : {&m_doc, &again}) {
        EXPECT_EQ(Link(*doc, "Img"), "d1/img/a.bmp");
        EXPECT_EQ(Link(*doc, "Ext"), "d1/other.qdx?Leaf");
        ExpectLinksWork(*doc);
    }
}

TEST_F(SaveAsLinksTest, AFailedSaveChangesNothing) {
    EXPECT_FALSE(m_doc.SaveFile(Path("missing/doc.qdx").c_str()));
    EXPECT_EQ(std::string(m_doc.BaseFolder.GetText()), m_folder + "/d1");
    EXPECT_EQ(Link(m_doc, "Img"), "img\\a.bmp");
    EXPECT_EQ(Link(m_doc, "Ext"), "other.qdx?Leaf");
    ExpectLinksWork(m_doc);
}

}  // namespace
