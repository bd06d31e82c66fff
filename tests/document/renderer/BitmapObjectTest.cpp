// Bitmap objects stored as WebP text, drawn through QDXObject::Render and
// compared pixel by pixel with what libwebp's own decoder (dwebp -pam) makes of
// the same files. The fixtures in tests/document/data/bitmap/ are lossless
// (cwebp -lossless -exact), so every pixel must match, colours under alpha 0
// included; make_fixtures.sh there regenerates them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/text/Text128Codec.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

const std::string kBitmapData = std::string(OC_SOURCE_DIR) + "/tests/document/data/bitmap/";

// "の画像データを読み込めません。\n"
const std::string kBitmapUnreadable =
    "\x82\xCC\x89\xE6\x91\x9C\x83\x66\x81[\x83^\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1"
    "\x81\x42\n";

std::vector<uint8_t> BitmapFileBytes(const std::string& name) {
    std::ifstream in(kBitmapData + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A PAM image (P7, RGB_ALPHA, 8 bits: bytes R, G, B, A) as 0xAARRGGBB words,
// read here without the code under test.
struct BitmapPam {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

BitmapPam ReadBitmapPam(const std::string& name) {
    const std::vector<uint8_t> bytes = BitmapFileBytes(name);
    const std::string text(bytes.begin(), bytes.end());
    BitmapPam pam;
    const size_t end = text.find("ENDHDR\n");
    int depth = 0;
    int maxval = 0;
    if (text.compare(0, 3, "P7\n") != 0 || end == std::string::npos ||
        std::sscanf(text.c_str() + text.find("WIDTH"), "WIDTH %d", &pam.width) != 1 ||
        std::sscanf(text.c_str() + text.find("HEIGHT"), "HEIGHT %d", &pam.height) != 1 ||
        std::sscanf(text.c_str() + text.find("DEPTH"), "DEPTH %d", &depth) != 1 ||
        std::sscanf(text.c_str() + text.find("MAXVAL"), "MAXVAL %d", &maxval) != 1 ||
        text.find("TUPLTYPE RGB_ALPHA") == std::string::npos || depth != 4 || maxval != 255 ||
        text.size() != end + 7 + size_t(pam.width) * size_t(pam.height) * 4) {
        ADD_FAILURE() << name << " is not an 8-bit RGB_ALPHA PAM of its size";
        return BitmapPam();
    }
    for (size_t i = end + 7; i < text.size(); i += 4) {
        const auto byte = [&](size_t k) { return uint32_t(uint8_t(text[i + k])); };
        pam.pixels.push_back(byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2));
    }
    return pam;
}

// The 128-symbol text the document stores for a file.
std::string BitmapStoredText(const std::string& name) {
    const std::vector<uint8_t> bytes = BitmapFileBytes(name);
    CStr_base<64> text;
    EncodeText128(text, bytes.data(), uint32_t(bytes.size()));
    return text.GetText();
}

void ExpectCanvasIs(const QDXObject& object, const BitmapPam& expected) {
    ASSERT_EQ(object.Canvas.GetWidth(), expected.width);
    ASSERT_EQ(object.Canvas.GetHeight(), expected.height);
    EXPECT_EQ(object.Width, expected.width);
    EXPECT_EQ(object.Height, expected.height);
    int wrong = 0;
    for (int32_t y = 0; y < expected.height; ++y) {
        for (int32_t x = 0; x < expected.width; ++x) {
            const uint32_t want = expected.pixels[size_t(y) * size_t(expected.width) + size_t(x)];
            const uint32_t got = *object.Canvas.PixelAt(x, y);
            if (got != want && wrong++ < 8)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << ", expected " << want;
        }
    }
    EXPECT_EQ(wrong, 0);
}

class BitmapObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (RasterPixelMode != 1) {
            ASSERT_TRUE(InitRasterLibrary(1));
        }
    }

    // Adds an object from its definition text and draws it.
    QDXObject& Drawn(const std::string& name, const std::string& definition, bool expectDrawn,
                     std::string* error = nullptr) {
        EXPECT_TRUE(m_document.AddObjectFromText(name.c_str(), definition.c_str()));
        QDXObject& object = m_document.Objects.Find(name.c_str())->GetValue();
        EXPECT_EQ(object.Kind, QDXObject::kBitmap);
        CStr_base<64> errorText;
        EXPECT_EQ(object.Render(false, &errorText), expectDrawn);
        if (error != nullptr) *error = errorText.GetText();
        return object;
    }

    CQDXCtrl m_document;
};

// One image: with alpha (every alpha class, colours under alpha 0 kept),
// opaque (no alpha declared: alpha 255), and an animation (one strip, frame k
// at x = k x width; the second frame is stored as a blended sub-rectangle, so
// the strip shows the composed canvas, not the stored pieces).
TEST_F(BitmapObjectTest, WebPObjectDrawsEveryPixelAsDwebpDecodesIt) {
    const char* const names[] = {"alpha", "opaque", "anim"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const BitmapPam expected = ReadBitmapPam(std::string(name) + ".pam");
        ASSERT_FALSE(expected.pixels.empty());
        const std::string text = BitmapStoredText(std::string(name) + ".webp");
        QDXObject& object = Drawn(name, "WebP(\"" + text + "\")", true);
        EXPECT_EQ(object.RenderState, QDXObject::kImageReady);
        ExpectCanvasIs(object, expected);
        // The stored text stays the object's content.
        EXPECT_EQ(object.ImageText.GetText(), text);
        // Drawn again from the text, the same pixels.
        object.RenderState = QDXObject::kNotDrawn;
        ASSERT_TRUE(object.Render(false, nullptr));
        ExpectCanvasIs(object, expected);
    }
}

// Two images: the colours of the first (stored over opaque white), the alpha
// channel of the second (stored over black).
TEST_F(BitmapObjectTest, WebPAObjectTakesColoursFromOneImageAndAlphaFromTheOther) {
    const BitmapPam colour = ReadBitmapPam("opaque.pam");
    const BitmapPam alpha = ReadBitmapPam("mask.pam");
    ASSERT_EQ(colour.width, alpha.width);
    ASSERT_EQ(colour.height, alpha.height);
    ASSERT_FALSE(colour.pixels.empty());
    BitmapPam expected = colour;
    bool someTransparent = false;
    for (size_t i = 0; i < expected.pixels.size(); ++i) {
        expected.pixels[i] = (alpha.pixels[i] & 0xFF000000u) | (colour.pixels[i] & 0x00FFFFFFu);
        someTransparent |= (alpha.pixels[i] >> 24) == 0;
    }
    ASSERT_TRUE(someTransparent);  // colours under alpha 0 are kept too

    QDXObject& object =
        Drawn("Picture", "WebPA(\"" + BitmapStoredText("opaque.webp") + "\",\"" + BitmapStoredText("mask.webp") + "\")",
              true);
    EXPECT_EQ(object.RenderState, QDXObject::kImageReady);
    ExpectCanvasIs(object, expected);
}

// A stored text that yields no WebP image fails the draw with the object's
// name and the message, in either image of the two-image form.
TEST_F(BitmapObjectTest, UndecodableStoredTextFailsWithAMessage) {
    const std::string good = BitmapStoredText("alpha.webp");
    std::vector<uint8_t> head = BitmapFileBytes("alpha.webp");
    head.resize(head.size() / 2);
    CStr_base<64> truncated;
    EncodeText128(truncated, head.data(), uint32_t(head.size()));
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    CStr_base<64> notWebP;
    EncodeText128(notWebP, png.data(), uint32_t(png.size()));

    struct Case {
        const char* name;
        std::string definition;
    };
    const Case cases[] = {
        {"symbols outside the alphabet", "WebP(\"AB@CD\")"},
        {"one symbol: no bytes", "WebP(\"A\")"},
        {"truncated WebP", "WebP(\"" + std::string(truncated.GetText()) + "\")"},
        {"bytes of another format", "WebP(\"" + std::string(notWebP.GetText()) + "\")"},
        {"colour image unreadable", "WebPA(\"" + std::string(truncated.GetText()) + "\",\"" + good + "\")"},
        {"alpha image unreadable", "WebPA(\"" + good + "\",\"" + std::string(notWebP.GetText()) + "\")"},
        {"alpha text outside the alphabet", "WebPA(\"" + good + "\",\"#\")"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "Picture" + std::to_string(++index);
        std::string error;
        QDXObject& object = Drawn(name, c.definition, false, &error);
        EXPECT_EQ(error, "\"" + name + "\"" + kBitmapUnreadable);
        EXPECT_NE(object.RenderState, QDXObject::kImageReady);
    }
}

}  // namespace
