#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/model/ImageEncoder.h"
#include "document/model/QDXCtrl.h"
#include "document/text/Text128Codec.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

const char kLine[] = "Line(0,0,16,16,16,ff0000,255)";
const char kBox[] = "Box(0,0,32,32,16,ff00ff,128)";

void StartRaster() {
    if (RasterPixelMode != 1) {
        ASSERT_TRUE(InitRasterLibrary(1));
    }
}

std::string Encode(const std::vector<uint8_t>& bytes) {
    CStr_base<64> text;
    EncodeText128(text, bytes.data(), uint32_t(bytes.size()));
    return text.GetText();
}

std::string Written(QDXObject& object) {
    CStr_base<16384> out;
    EXPECT_TRUE(object.WriteText(out));
    return out.GetText();
}

// A stand-in encoder: the "WebP bytes" are the pixel words of the sprite, so a
// test can see which pixels were encoded.
class PixelDumpEncoder : public IWebPEncoder {
public:
    bool Encode(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) override {
        ++calls;
        lastQuality = quality;
        const uint32_t n = uint32_t(sprite.GetWidth() * sprite.GetHeight()) * 4;
        std::memcpy(out.Alloc(n), sprite.GetPixels(), n);
        return true;
    }
    int calls = 0;
    float lastQuality = 0;
};

class EncoderScope {
public:
    explicit EncoderScope(IWebPEncoder* encoder) : m_old(SetWebPEncoder(encoder)) {}
    ~EncoderScope() { SetWebPEncoder(m_old); }

private:
    IWebPEncoder* m_old;
};

class ObjectTextTest : public ::testing::Test {
protected:
    // A fresh object named "Obj" in the document, as the reader makes it.
    QDXObject& NewObject() {
        QDXObject* object = nullptr;
        EXPECT_TRUE(doc.Objects.Insert(objName.GetText(), &object));
        object->Name.AssignString(objName);
        object->Owner = &doc;
        object->CompleteSave = true;
        return *object;
    }
    CQDXCtrl doc;
    CStr_base<64> objName{"Obj"};  // not a literal: the map reads keys a word at a time
};

TEST_F(ObjectTextTest, RenderFormsAndTheirFields) {
    struct Case {
        const char* text;
        bool ok;
        int32_t width = 0, height = 0;
        uint32_t background = 0;
        double scaleX = 0, scaleY = 0, scaleT = 0;
        bool fast = false;
        uint32_t factors = 0;
    };
    const Case cases[] = {
        // The end of the text closes the argument list.
        {"Render(640,480,0,array(Line(0,0,16,16,16,ff0000,255))", true, 640, 480, 0, 1, 1, 1, false, 1},
        {"Render(640,480,0,array(Line(0,0,16,16,16,ff0000,255)))", true, 640, 480, 0, 1, 1, 1, false, 1},
        {"Render(3,4,ffffff,0.5,2,1.5,array(Line(0,0,16,16,16,ff0000,255)))trailing", true, 3, 4, 0xffffff, 0.5, 2,
         1.5, false, 1},
        {"Render(3,4,ff,1,1,1,3,array(Line(0,0,16,16,16,ff0000,255)))", true, 3, 4, 0xff, 1, 1, 1, true, 1},
        {"Render(3,4,ff,1,1,1,2,array(Line(0,0,16,16,16,ff0000,255)))", true, 3, 4, 0xff, 1, 1, 1, false, 1},
        {"Render(3,4,0,array(Line(0,0,16,16,16,ff0000,255),Box(0,0,32,32,16,ff00ff,128)))", true, 3, 4, 0, 1, 1, 1,
         false, 2},
        // Faults.
        {"Render(0,480,0,array(Line(0,0,16,16,16,ff0000,255)))", false},
        {"Render(640,0,0,array(Line(0,0,16,16,16,ff0000,255)))", false},
        {"Render(1,1,0,1,array(Line(0,0,16,16,16,ff0000,255)))", false},         // 5 arguments
        {"Render(1,1,0,1,1,array(Line(0,0,16,16,16,ff0000,255)))", false},       // 6 arguments
        {"Render(1,1,0,1,1,1,1,1,array(Line(0,0,16,16,16,ff0000,255)))", false}, // 9 arguments
        {"Render(1,1,zz,array(Line(0,0,16,16,16,ff0000,255)))", false},          // background not hex
        {"Render(1,1,0,x,1,1,array(Line(0,0,16,16,16,ff0000,255)))", false},     // scale not a number
        {"Render(1,1,0,inf,1,1,array(Line(0,0,16,16,16,ff0000,255)))", false},   // scales must be finite
        {"Render(1,1,0,1,1,nan,array(Line(0,0,16,16,16,ff0000,255)))", false},
        {"Render(1,1,0,list(Line(0,0,16,16,16,ff0000,255)))", false},            // not "array("
        {"Render(1,1,0,array(Line(0,0,16,16,16,ff0000,255),Nonsense(1)))", false},
        {" Render(1,1,0,array(Line(0,0,16,16,16,ff0000,255)))", false},          // blank before keyword
        {"render(1,1,0,array(Line(0,0,16,16,16,ff0000,255)))", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXObject& object = NewObject();
        ASSERT_EQ(object.ParseText(c.text), c.ok);
        if (c.ok) {
            EXPECT_EQ(object.Kind, QDXObject::kVector);
            EXPECT_EQ(object.Width, c.width);
            EXPECT_EQ(object.Height, c.height);
            EXPECT_EQ(object.Background, c.background);
            EXPECT_EQ(object.ScaleX, c.scaleX);
            EXPECT_EQ(object.ScaleY, c.scaleY);
            EXPECT_EQ(object.ScaleThickness, c.scaleT);
            EXPECT_EQ(object.FastDraw, c.fast);
            EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
            ASSERT_EQ(object.Factors.GetCount(), c.factors);
            for (uint32_t i = 0; i < c.factors; ++i)
                EXPECT_EQ(object.Factors.GetAt(i)->Name, ("Obj?" + std::to_string(i)).c_str());
        }
        ASSERT_TRUE(doc.DeleteObject(objName.GetText()));
    }
}

// A failed parse leaves FastDraw as it was unless the failing step comes after
// the one that sets it (4 arguments: with the scales; 8: with the flags; 7:
// after the factor list's checks).
TEST_F(ObjectTextTest, FailedRenderParseChangesFastDrawOnlyFromItsStep) {
    const std::string line = kLine;
    struct Case {
        std::string text;
        bool fastAfter;
    };
    const Case cases[] = {
        {"Render(1,1,0,1,1,1,zz,array(" + line + "))", true},     // flags do not scan
        {"Render(1,1,0,1,1,1,list(" + line + "))", true},         // 7: not "array("
        {"Render(1,1,0,1,1,1,array(" + line + ",Nope()))", false},  // 7: a factor fails
        {"Render(1,1,0,list(" + line + "))", false},              // 4: set with the scales
        {"Render(1,1,0,1,1,1,2,list(" + line + "))", false},      // 8: set with the flags
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXObject& object = NewObject();
        ASSERT_TRUE(object.ParseText(("Render(1,1,0,1,1,1,1,array(" + line + "))").c_str()));
        ASSERT_TRUE(object.FastDraw);
        EXPECT_FALSE(object.ParseText(c.text.c_str()));
        EXPECT_EQ(object.FastDraw, c.fastAfter);
        doc.DeleteObject(objName.GetText());
    }
}

TEST_F(ObjectTextTest, FactorListLimitIs2000) {
    for (const uint32_t n : {2000u, 2001u}) {
        std::string text = "Render(1,1,0,array(";
        for (uint32_t i = 0; i < n; ++i) text += std::string(i ? "," : "") + kLine;
        text += "))";
        QDXObject& object = NewObject();
        EXPECT_EQ(object.ParseText(text.c_str()), n == 2000) << n;
        if (n == 2000) {
            EXPECT_EQ(object.Factors.GetCount(), 2000u);
        }
        doc.DeleteObject(objName.GetText());
    }
}

// The list is found where the arguments put it, whatever the leading
// arguments hold: the usual plain numbers, quotes, brackets, or a list-like
// item before the last one. Bytes after the list's closing bracket belong to
// its item; a further item makes another item the last.
TEST_F(ObjectTextTest, FactorListIsTheLastArgumentWhateverComesBefore) {
    struct Case {
        const char* name;
        std::string text;
        bool parses;
        uint32_t background;
        std::vector<int32_t> factorX2;  // X2 of each factor read
    };
    const std::string a = "array(Box(0,0,5,5,16,ff,255))";
    const std::string b = "array(Box(0,0,7,7,16,ff,255),Box(0,0,9,9,16,ff,255))";
    const Case cases[] = {
        {"plain numbers", "Render(8,8,c," + a + ")", true, 0xc, {5}},
        {"blanks before numbers", "Render( 8, 8, c," + a + ")", true, 0xc, {5}},
        {"seven arguments", "Render(8,8,c,1,1,1," + a + ")", true, 0xc, {5}},
        {"bytes after the list belong to its item", "Render(8,8,c," + a + "x)", true, 0xc, {5}},
        {"list never closed", "Render(8,8,c,array(Box(0,0,5,5,16,ff,255)", true, 0xc, {5}},
        {"an item after the list", "Render(8,8,c," + a + ",5)", false, 0, {}},
        {"a list-like leading item reads as hex", "Render(8,8," + a + ",1,1,1," + b + ")", true, 0xa, {7, 9}},
        {"the last item is no list", "Render(8,8,c,1,1,1,7)", false, 0, {}},
        {"quoted leading item", "Render(8,8,\"c\"," + a + ")", false, 0, {}},
        {"bracketed leading item", "Render(8,(8),c," + a + ")", false, 0, {}},
        {"a keyword other than array", "Render(8,8,c,arrays(Box(0,0,5,5,16,ff,255)))", false, 0, {}},
    };
    for (const Case& c : cases) {
        QDXObject& object = NewObject();
        ASSERT_EQ(c.text.compare(0, 7, "Render("), 0);
        EXPECT_EQ(object.ParseText(c.text.c_str()), c.parses) << c.name;
        if (c.parses) {
            EXPECT_EQ(object.Background, c.background) << c.name;
            std::vector<int32_t> x2;
            for (const QDXFactor* f : object.Factors) x2.push_back(f->X2);
            EXPECT_EQ(x2, c.factorX2) << c.name;
        }
        doc.DeleteObject(objName.GetText());
    }
}

// An empty list reads as the one factor "Fill(0,0,1,1,0,255)": both texts
// load, and save alike.
TEST_F(ObjectTextTest, EmptyListReadsAsOneFill) {
    CQDXCtrl other;
    ASSERT_TRUE(doc.AddObjectFromText("Obj", "Render(1,1,0,array())"));
    ASSERT_TRUE(other.AddObjectFromText("Obj", "Render(1,1,0,array(Fill(0,0,1,1,0,255)))"));
    CStr_base<16384> a, b;
    ASSERT_TRUE(doc.SaveString(a));
    ASSERT_TRUE(other.SaveString(b));
    EXPECT_STREQ(a.GetText(), b.GetText());
    EXPECT_NE(std::string(a.GetText()).find("array(Fill(0,0,1,1,0,255))"), std::string::npos);
}

TEST_F(ObjectTextTest, VectorWrittenInTheEightArgumentForm) {
    QDXObject& object = NewObject();
    ASSERT_TRUE(object.ParseText("Render(640,480,ffffff,0.5,2,1,array(Line(0,0,16,16,16,ff0000,255),"
                                 "!Arc(0,0,32,32,16,16,0.5,1.25,16,P40010000,99))"));
    EXPECT_EQ(Written(object),
              "Render(640,480,ffffff,0.500000,2.000000,1.000000,0,array(Line(0,0,16,16,16,ff0000,255),"
              "!Arc(0,0,32,32,16,16,0.500000000,1.250000000,16,P40010000,99)))");
    object.FastDraw = true;
    object.Factors.RemoveAll();
    EXPECT_EQ(Written(object), "Render(640,480,ffffff,0.500000,2.000000,1.000000,1,array())");
}

TEST_F(ObjectTextTest, LinkPaths) {
    struct Case {
        const char* text;
        int32_t kind;
        const char* path;
        const char* written;
    };
    const Case cases[] = {
        {"LinkPath(\"C:\\\\img\\\\a.png\")", 3, "C:\\img\\a.png", "LinkPath(\"C:\\\\img\\\\a.png\")"},
        {"QDXLinkPath(\"other.qdx?Master\")junk", 4, "other.qdx?Master", "QDXLinkPath(\"other.qdx?Master\")"},
        {"LinkPath('a\\\\b')", 3, "a\\b", "LinkPath(\"a\\\\b\")"},  // any delimiter
        {"LinkPath(\"\")", 3, "", "LinkPath(\"\")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXObject& object = NewObject();
        ASSERT_TRUE(object.ParseText(c.text));
        EXPECT_EQ(object.Kind, c.kind);
        EXPECT_STREQ(object.LinkPath.GetText(), c.path);
        EXPECT_EQ(Written(object), c.written);
        doc.DeleteObject(objName.GetText());
    }
    // The last two could not be written back: the writer quotes with double
    // quotes and doubles backslashes.
    for (const char* bad : {"LinkPath(\"unclosed)", "LinkPath( \"a\")", "LinkPath(", "QDXLinkPath(a)",
                            "LinkPath('a\"b')", "LinkPath(\"a\\\"b\")"}) {
        QDXObject& object = NewObject();
        EXPECT_FALSE(object.ParseText(bad)) << bad;
        doc.DeleteObject(objName.GetText());
    }
}

TEST_F(ObjectTextTest, WebPFormsKeepTheirTextVerbatim) {
    QDXObject& object = NewObject();
    ASSERT_TRUE(object.ParseText("WebP(\"0123abc\")"));
    EXPECT_EQ(object.Kind, QDXObject::kBitmap);
    EXPECT_STREQ(object.ImageText.GetText(), "0123abc");
    EXPECT_TRUE(object.AlphaText.IsEmpty());
    EXPECT_FALSE(object.CompleteSave);
    EXPECT_EQ(object.RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Written(object), "WebP(\"0123abc\")");

    ASSERT_TRUE(object.ParseText("WebPA(\"AAA\",\"BBB\")"));
    EXPECT_STREQ(object.ImageText.GetText(), "AAA");
    EXPECT_STREQ(object.AlphaText.GetText(), "BBB");
    EXPECT_TRUE(object.CompleteSave);
    EXPECT_EQ(Written(object), "WebPA(\"AAA\",\"BBB\")");

    // A second item that is not quoted fails after the first text was taken.
    EXPECT_FALSE(object.ParseText("WebPA(\"CCC\",D)"));
    EXPECT_STREQ(object.ImageText.GetText(), "CCC");
    // Refused: wrong counts, no quoted text, an empty image (it could not be
    // written back), a double quote inside another delimiter.
    for (const char* bad : {"WebP(\"a\",\"b\")", "WebP(abc)", "WebPA(\"a\")", "WebP(\"abc)", "WebP(\"\")",
                            "WebPA(\"\",\"B\")", "WebP('a\"b')", "WebPA(\"A\",'a\"b')"})
        EXPECT_FALSE(object.ParseText(bad)) << bad;
}

TEST_F(ObjectTextTest, BitmapDecodesPixelsAtOnce) {
    StartRaster();
    // Two pixels 0x80112233 and 0xFF445566, stored blue, green, red, alpha.
    const std::vector<uint8_t> bytes = {0x33, 0x22, 0x11, 0x80, 0x66, 0x55, 0x44, 0xFF};
    const std::string full = Encode(bytes);
    struct Case {
        std::string image;
        bool ok;
        uint32_t pixel0, pixel1;
        char quote = '"';
    };
    const Case cases[] = {
        {full, true, 0x80112233u, 0xFF445566u},
        {full + Encode({1, 2, 3, 4, 5, 6, 7}), true, 0x80112233u, 0xFF445566u},  // more than the canvas holds
        {Encode({0x33, 0x22, 0x11, 0x80}), true, 0x80112233u, 0xFFFFFFFFu},      // fewer: the rest stays white
        {Encode({0x33, 0x22, 0x11, 0x80}) + "\"", true, 0x80112233u, 0xFFFFFFFFu},  // stops at a foreign byte
        {"", false, 0, 0},
        {"!", false, 0, 0},
        // Any delimiter; a double quote inside is a foreign byte like any other.
        {full, true, 0x80112233u, 0xFF445566u, '\''},
        {Encode({0x33, 0x22, 0x11, 0x80}) + "\"x", true, 0x80112233u, 0xFFFFFFFFu, '\''},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        QDXObject& object = NewObject();
        const std::string text = "Bitmap(2,1," + std::string(1, c.quote) + c.image + c.quote + ")";
        ASSERT_EQ(object.ParseText(text.c_str()), c.ok);
        if (c.ok) {
            EXPECT_EQ(object.Kind, QDXObject::kBitmap);
            EXPECT_EQ(object.RenderState, QDXObject::kImageReady);
            EXPECT_TRUE(object.CompleteSave);
            EXPECT_TRUE(object.ImageText.IsEmpty());
            ASSERT_EQ(object.Canvas.GetWidth(), 2);
            EXPECT_EQ(object.Canvas.GetPixels()[0], c.pixel0);
            EXPECT_EQ(object.Canvas.GetPixels()[1], c.pixel1);
        }
        doc.DeleteObject(objName.GetText());
    }
    for (const char* bad : {"Bitmap(0,1,\"00\")", "Bitmap(1,1)", "Bitmap(1,1,00)", "Bitmap(20000,20000,\"00\")"}) {
        QDXObject& object = NewObject();
        EXPECT_FALSE(object.ParseText(bad)) << bad;
        doc.DeleteObject(objName.GetText());
    }
}

TEST_F(ObjectTextTest, BitmapWriteEncodesTheCanvasOnce) {
    StartRaster();
    QDXObject& object = NewObject();
    const std::string text = "Bitmap(1,1,\"" + Encode({0x33, 0x22, 0x11, 0x80}) + "\")";
    ASSERT_TRUE(object.ParseText(text.c_str()));

    // Without an encoder the canvas cannot be written.
    {
        EncoderScope none(nullptr);
        CStr_base<16384> out;
        EXPECT_FALSE(object.WriteText(out));
    }

    PixelDumpEncoder encoder;
    EncoderScope scope(&encoder);
    // Complete save: the colours over opaque white, then the alpha over black.
    const std::string colour = Encode({0x33, 0x22, 0x11, 0xFF});
    const std::string alpha = Encode({0x00, 0x00, 0x00, 0x80});
    EXPECT_EQ(Written(object), "WebPA(\"" + colour + "\",\"" + alpha + "\")");
    EXPECT_EQ(encoder.calls, 2);
    EXPECT_EQ(encoder.lastQuality, -1.0f);
    EXPECT_EQ(Written(object), "WebPA(\"" + colour + "\",\"" + alpha + "\")");
    EXPECT_EQ(encoder.calls, 2);  // the kept texts are reused

    // The storage form changed: written again from the decoded pixels, not the
    // colour image alone (which would lose the alpha).
    object.CompleteSave = false;
    EXPECT_EQ(Written(object), "WebP(\"" + Encode({0x33, 0x22, 0x11, 0x80}) + "\")");
    EXPECT_EQ(encoder.calls, 3);
}

// With the image-file layer's encoder (the default), a bitmap goes out as
// lossless WebP that decodes to every pixel, colours under alpha 0 included.
TEST_F(ObjectTextTest, BitmapThroughTheImageFileEncoderKeepsEveryPixel) {
    StartRaster();
    ASSERT_EQ(GetWebPEncoder(), &DefaultWebPEncoder());
    QDXObject& object = NewObject();
    const std::vector<uint8_t> pixels = {0x56, 0x34, 0x12, 0x00, 0x33, 0x22, 0x11, 0x80, 0x01, 0x02, 0x03, 0xFF};
    const std::string text = "Bitmap(3,1,\"" + Encode(pixels) + "\")";
    ASSERT_TRUE(object.ParseText(text.c_str()));
    object.CompleteSave = false;  // one image, alpha included
    const std::string written = Written(object);
    ASSERT_EQ(written.rfind("WebP(\"", 0), 0u) << written;
    const CStr_base<64> image(written.substr(6, written.size() - 8).c_str());
    const uint32_t room = DecodeText128(image, nullptr, 0);
    ASSERT_NE(room, kText128Failed);
    std::vector<uint8_t> bytes(room);
    const uint32_t size = DecodeText128(image, bytes.data(), room);
    ASSERT_NE(size, kText128Failed);
    CSprite decoded;
    ASSERT_TRUE(DecodeWebP(decoded, bytes.data(), size));
    ASSERT_EQ(decoded.GetWidth(), 3);
    ASSERT_EQ(decoded.GetHeight(), 1);
    EXPECT_EQ(std::memcmp(decoded.GetPixels(), pixels.data(), pixels.size()), 0);
}

TEST_F(ObjectTextTest, FormChangeWithoutPixelsOrEncoderKeepsTheStoredForm) {
    QDXObject& object = NewObject();
    ASSERT_TRUE(object.ParseText("WebPA(\"AAA\",\"BBB\")"));
    object.CompleteSave = false;
    EXPECT_EQ(Written(object), "WebPA(\"AAA\",\"BBB\")");  // no decoded pixels
    ASSERT_TRUE(object.ParseText("WebP(\"AAA\")"));
    object.CompleteSave = true;
    EXPECT_EQ(Written(object), "WebP(\"AAA\")");  // no alpha image to be had
}

TEST_F(ObjectTextTest, BuiltInsAndUnknownKindsAreNotWritten) {
    CStr_base<16384> out;
    QDXObject& builtIn = doc.Objects.Find(CStr_base<64>("_Template1").GetText())->GetValue();
    EXPECT_FALSE(builtIn.WriteText(out));
    EXPECT_STREQ(out.GetText(), "MetaObject");
    QDXObject& object = NewObject();
    EXPECT_FALSE(object.WriteText(out));  // kind 0
}

TEST_F(ObjectTextTest, AddObjectFromText) {
    EXPECT_TRUE(doc.AddObjectFromText("A", "Render(640,480,0,array(Line(0,0,16,16,16,ff0000,255))"));
    const QDXObject& a = doc.Objects.Find(CStr_base<64>("A").GetText())->GetValue();
    EXPECT_EQ(a.Owner, &doc);
    EXPECT_STREQ(a.Name.GetText(), "A");
    EXPECT_STREQ(a.Factors.GetAt(0)->Name.GetText(), "A?0");

    struct Case {
        const char* name;
        const char* text;
    };
    const Case refused[] = {
        {"A", kLine},                          // taken
        {"_Template1", "LinkPath(\"a\")"},     // a built-in's name
        {"B", "Render(1,1,0,array(Nope()))"},  // does not parse
        {"", "LinkPath(\"a\")"},               // cannot be read back
        {"ab\x81", "LinkPath(\"a\")"},         // ends in a lone lead byte
        {"a=b", "LinkPath(\"a\")"},
        {"a\"b", "LinkPath(\"a\")"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(doc.AddObjectFromText(c.name, c.text));
    }
    EXPECT_EQ(doc.Objects.Find(CStr_base<64>("B").GetText()), nullptr);
    EXPECT_EQ(doc.Objects.Find(CStr_base<64>("A").GetText())->GetValue().Kind, QDXObject::kVector);
    CStrArray_base<64> keys;
    doc.Objects.GetKeys(keys);
    EXPECT_EQ(keys.GetCount(), 6u);
    // A double-byte name whose second byte is a backslash is fine.
    EXPECT_TRUE(doc.AddObjectFromText("\x83\x5C", "LinkPath(\"a\")"));
}

// A changed object sends the drawn objects that depend on it, and theirs in
// turn, back to stale; cycles end.
TEST_F(ObjectTextTest, ParsingInvalidatesDependents) {
    // A draws T; B draws A and C; C draws B; D draws X, and T only in a
    // disabled factor, which does not count.
    const char* const definitions[][2] = {
        {"A", "Render(1,1,0,array(Copy(0,0,1,1,\"T\",0,0)))"},
        {"B", "Render(1,1,0,array(Copy(0,0,1,1,\"A\",0,0),Copy(0,0,1,1,\"C\",0,0)))"},
        {"C", "Render(1,1,0,array(Copy(0,0,1,1,\"B\",0,0)))"},
        {"D", "Render(1,1,0,array(Copy(0,0,1,1,\"X\",0,0),!Copy(0,0,1,1,\"T\",0,0)))"},
    };
    for (const auto& d : definitions) ASSERT_TRUE(doc.AddObjectFromText(d[0], d[1])) << d[0];
    for (const auto& d : definitions)
        doc.Objects.Find(CStr_base<64>(d[0]).GetText())->GetValue().RenderState = QDXObject::kDrawn;
    EXPECT_TRUE(doc.AddObjectFromText("T", "LinkPath(\"t.png\")"));
    for (const char* name : {"A", "B", "C"})
        EXPECT_EQ(doc.Objects.Find(CStr_base<64>(name).GetText())->GetValue().RenderState, QDXObject::kNotDrawn)
            << name;
    QDXObject& d = doc.Objects.Find(CStr_base<64>("D").GetText())->GetValue();
    EXPECT_EQ(d.RenderState, QDXObject::kDrawn);
    ASSERT_TRUE(doc.DeleteObject(CStr_base<64>("T").GetText()));
    d.Factors.GetAt(1)->Enabled = true;
    EXPECT_TRUE(doc.AddObjectFromText("T", "LinkPath(\"t.png\")"));
    EXPECT_EQ(d.RenderState, QDXObject::kNotDrawn) << "once enabled, the factor counts";
}

TEST_F(ObjectTextTest, LegacyDefinitions) {
    QDXObject& object = NewObject();
    // The factor texts are read with the format-1.0 vocabulary: its "Line("
    // has no alpha item.
    EXPECT_FALSE(object.ParseLegacyText("Render(1,1,0,array(Line(0,0,16,16,16,ff0000,255)))"));
    EXPECT_TRUE(object.ParseLegacyText("Render(2,3,0,1,1,1,array(Line(0,0,16,16,16,ff0000),LineAlpha(0,0,1,1,16)))"));
    ASSERT_EQ(object.Factors.GetCount(), 2u);
    EXPECT_EQ(object.Factors.GetAt(1)->Kind, 2u);
    EXPECT_STREQ(object.Factors.GetAt(1)->Name.GetText(), "Obj?1");
    EXPECT_FALSE(object.ParseLegacyText("Render(2,3,0,1,1,1,1,array(Line(0,0,16,16,16,ff0000)))"));  // no flags
    EXPECT_FALSE(object.ParseLegacyText("WebP(\"a\")"));
    EXPECT_FALSE(object.ParseLegacyText("Render(1,1,0,array())"));  // the empty item goes to the parser as is
    EXPECT_TRUE(object.ParseLegacyText("QDXLinkPath(\"x.qdx?A\")"));
    EXPECT_EQ(object.Kind, QDXObject::kDocumentLink);
}

}  // namespace
