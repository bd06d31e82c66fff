// The PNG, JPEG and BMP decoders. Files are made by ImageMagick and read back by
// it as the reference (`convert file rgba:-`); the BMP variants it cannot write
// are built byte by byte here with their expected pixels spelt out.
#include "platform/image/ImageCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

using platform::DecodedPixels;
using platform::DecodeImage;
using testsupport::ReadText;
using testsupport::WriteText;

bool HaveTool(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool RunCommand(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// The pixels ImageMagick reads from the file, as 0xAARRGGBB.
std::vector<uint32_t> ReferencePixels(const std::string& path) {
    std::vector<uint32_t> pixels;
    const std::string command = "convert " + Quote(path) + " -depth 8 rgba:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return pixels;
    unsigned char p[4];
    while (std::fread(p, 1, 4, pipe) == 4) {
        pixels.push_back(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
    pclose(pipe);
    return pixels;
}

std::vector<uint32_t> Pixels(const DecodedPixels& image) {
    return std::vector<uint32_t>(image.pixels.get(),
                                 image.pixels.get() + size_t(image.width) * size_t(image.height));
}

// Largest difference of one channel between two images of the same size.
int MaxChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int d = std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
            if (d > worst) worst = d;
        }
    }
    return worst;
}

bool DecodeBytes(const std::string& bytes, DecodedPixels& out) { return DecodeImage(bytes.data(), bytes.size(), out); }

// ---- Source images, written as raw samples for ImageMagick ----

enum class Source {
    Colour,        // smooth colours, opaque
    ColourAlpha,   // colours with every kind of alpha
    Grey,          // grey levels, opaque
    GreyAlpha,     // grey with alpha
    TwoLevels,     // black and white
    SixteenGreys,  // 16 grey levels
    FewColours,    // 7 colours, opaque
    FewAlpha,      // 7 colours, some transparent or half transparent
    GreyKeyed,     // grey levels, one of them fully transparent
};

uint32_t SourcePixel(Source kind, int x, int y) {
    const uint32_t r = (x * 7 + y) & 0xFF, g = (y * 11 + 3) & 0xFF, b = (x * y + 40) & 0xFF;
    const uint32_t grey = (x * 9 + y * 5) & 0xFF;
    static const uint32_t kFew[7] = {0xFF102030, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                     0xFFFFFFFF, 0xFF000000, 0xFF808040};
    switch (kind) {
        case Source::Colour: return 0xFF000000u | r << 16 | g << 8 | b;
        case Source::ColourAlpha: {
            const uint32_t a = (x + y) % 5 == 0 ? 0 : (x + y) % 5 == 1 ? 255 : (x * 13 + y * 3) & 0xFF;
            return a << 24 | r << 16 | g << 8 | b;
        }
        case Source::Grey: return 0xFF000000u | grey * 0x010101u;
        case Source::GreyAlpha: return ((x * 5 + y * 17) & 0xFF) << 24 | grey * 0x010101u;
        case Source::TwoLevels: return ((x + y / 2) % 3 == 0) ? 0xFFFFFFFFu : 0xFF000000u;
        case Source::SixteenGreys: return 0xFF000000u | ((x + y) % 16) * 0x111111u;
        case Source::FewColours: return kFew[(x / 3 + y) % 7];
        case Source::FewAlpha: {
            const uint32_t c = kFew[(x / 3 + y) % 7] & 0xFFFFFFu;
            const int k = (x + 2 * y) % 4;
            return (k == 0 ? 0u : k == 1 ? 0x80u : 0xFFu) << 24 | c;
        }
        case Source::GreyKeyed: {
            const uint32_t level = ((x + y) % 6) * 40;
            return (level == 80 ? 0u : 0xFF000000u) | level * 0x010101u;
        }
    }
    return 0;
}

// Raw 8-bit R, G, B, A samples of the source.
std::string RawSource(Source kind, int width, int height) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = SourcePixel(kind, x, y);
            raw += char(p >> 16), raw += char(p >> 8), raw += char(p), raw += char(p >> 24);
        }
    }
    return raw;
}

// Raw 16-bit big-endian samples whose low bytes differ from the high ones, so
// that the scaling to 8 bits shows.
std::string RawSource16(bool grey, bool alpha, int width, int height) {
    std::string raw;
    auto put = [&raw](uint32_t v) { raw += char(v >> 8), raw += char(v); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t v = (x * 1999 + y * 613) & 0xFFFF;
            put(v);
            put(grey ? v : (v * 7 + 300) & 0xFFFF);
            put(grey ? v : (v ^ 0x5A5A));
            put(alpha ? (x * 4099 + y * 37) & 0xFFFF : 0xFFFF);
        }
    }
    return raw;
}

class ImageCodecTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    }

    // Makes `name` from a source with ImageMagick.
    std::string Make(const std::string& name, Source kind, const std::string& options, int w = 37, int h = 23) {
        const std::string raw = Path("source.rgba");
        WriteText(raw, RawSource(kind, w, h));
        const std::string out = Path(name);
        // A trailing "FORMAT:" prefixes the output name.
        const std::string gap = !options.empty() && options.back() == ':' ? "" : " ";
        EXPECT_TRUE(RunCommand("convert -size " + std::to_string(w) + "x" + std::to_string(h) + " -depth 8 rgba:" +
                        Quote(raw) + " " + options + gap + Quote(out)))
            << name;
        return out;
    }
    std::string Make16(const std::string& name, bool grey, bool alpha, const std::string& options, int w = 29,
                       int h = 17) {
        const std::string raw = Path("source16.rgba");
        WriteText(raw, RawSource16(grey, alpha, w, h));
        const std::string out = Path(name);
        EXPECT_TRUE(RunCommand("convert -size " + std::to_string(w) + "x" + std::to_string(h) +
                        " -depth 16 -endian MSB rgba:" + Quote(raw) + " " + options + " " + Quote(out)))
            << name;
        return out;
    }

    // Decodes the file from memory and from the file, and compares with ImageMagick.
    void ExpectLikeReference(const std::string& path, int tolerance) {
        DecodedPixels image;
        const std::string bytes = ReadText(path);
        ASSERT_TRUE(DecodeBytes(bytes, image));
        const std::vector<uint32_t> reference = ReferencePixels(path);
        ASSERT_EQ(reference.size(), size_t(image.width) * size_t(image.height));
        if (tolerance == 0) {
            EXPECT_EQ(Pixels(image), reference);
        } else {
            EXPECT_LE(MaxChannelDifference(Pixels(image), reference), tolerance);
        }
        DecodedPixels fromFile;
        ASSERT_TRUE(platform::DecodeImageFile(path.c_str(), fromFile));
        EXPECT_EQ(Pixels(fromFile), Pixels(image));
    }
};

// ---- PNG ----

struct PngHeader {
    int bitDepth, colourType, interlace;
};

PngHeader ReadPngHeader(const std::string& bytes) {
    if (bytes.size() < 33) return {-1, -1, -1};
    return {uint8_t(bytes[24]), uint8_t(bytes[25]), uint8_t(bytes[28])};
}

bool HasChunk(const std::string& bytes, const char* type) { return bytes.find(type) != std::string::npos; }

TEST_F(ImageCodecTest, PngEveryColourTypeAndDepthMatchesImageMagick) {
    struct Case {
        const char* name;
        Source source;
        const char* options;
        PngHeader header;
        bool transparency;  // a tRNS chunk is expected
    };
    const Case cases[] = {
        {"grey 1-bit", Source::TwoLevels, "-define png:color-type=0 -define png:bit-depth=1", {1, 0, 0}, false},
        {"grey 4-bit", Source::SixteenGreys, "-define png:color-type=0 -define png:bit-depth=4", {4, 0, 0}, false},
        {"grey 8-bit", Source::Grey, "-define png:color-type=0 -define png:bit-depth=8", {8, 0, 0}, false},
        {"grey + tRNS", Source::GreyKeyed, "-define png:color-type=0 -define png:bit-depth=8", {8, 0, 0}, true},
        {"grey + alpha", Source::GreyAlpha, "-define png:color-type=4 -define png:bit-depth=8", {8, 4, 0}, false},
        {"RGB", Source::Colour, "-define png:color-type=2 -define png:bit-depth=8", {8, 2, 0}, false},
        {"RGBA", Source::ColourAlpha, "-define png:color-type=6 -define png:bit-depth=8", {8, 6, 0}, false},
        {"palette 8-bit", Source::FewColours, "-define png:color-type=3 -define png:bit-depth=8", {8, 3, 0}, false},
        {"palette 4-bit", Source::FewColours, "-define png:color-type=3 -define png:bit-depth=4", {4, 3, 0},
         false},
        {"palette 8-bit + tRNS on or off", Source::FewAlpha, "PNG8:", {8, 3, 0}, true},
        {"palette 4-bit + tRNS", Source::FewAlpha, "-type PaletteAlpha", {4, 3, 0}, true},
        {"interlaced RGBA", Source::ColourAlpha, "-interlace PNG -define png:color-type=6", {8, 6, 1}, false},
        {"interlaced palette + tRNS", Source::FewAlpha, "-type PaletteAlpha -interlace PNG", {4, 3, 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make("case.png", c.source, c.options);
        const std::string bytes = ReadText(path);
        const PngHeader h = ReadPngHeader(bytes);
        ASSERT_EQ(h.bitDepth, c.header.bitDepth);
        ASSERT_EQ(h.colourType, c.header.colourType);
        ASSERT_EQ(h.interlace, c.header.interlace);
        ASSERT_EQ(HasChunk(bytes, "tRNS"), c.transparency);
        ExpectLikeReference(path, 0);
    }
}

TEST_F(ImageCodecTest, Png16BitIsScaledTo8Bits) {
    struct Case {
        const char* name;
        bool grey, alpha;
        const char* options;
        int colourType;
    };
    const Case cases[] = {
        {"grey 16", true, false, "-define png:color-type=0 -define png:bit-depth=16", 0},
        {"grey + alpha 16", true, true, "-define png:color-type=4 -define png:bit-depth=16", 4},
        {"RGB 16", false, false, "-define png:color-type=2 -define png:bit-depth=16", 2},
        {"RGBA 16", false, true, "-define png:color-type=6 -define png:bit-depth=16", 6},
        {"interlaced RGBA 16", false, true, "-interlace PNG -define png:color-type=6 -define png:bit-depth=16",
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make16("case16.png", c.grey, c.alpha, c.options);
        const PngHeader h = ReadPngHeader(ReadText(path));
        ASSERT_EQ(h.bitDepth, 16);
        ASSERT_EQ(h.colourType, c.colourType);
        // Both round v / 257; a sample exactly between two steps may go either way.
        ExpectLikeReference(path, 1);
    }
}

// ---- JPEG ----

// Component count and frame type (0xC0 baseline, 0xC2 progressive) of the frame header.
std::pair<int, int> JpegFrame(const std::string& b) {
    for (size_t i = 2; i + 9 < b.size();) {
        if (uint8_t(b[i]) != 0xFF) return {-1, -1};
        const int marker = uint8_t(b[i + 1]);
        const size_t length = size_t(uint8_t(b[i + 2])) << 8 | uint8_t(b[i + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) return {uint8_t(b[i + 9]), marker};
        i += 2 + length;
    }
    return {-1, -1};
}

TEST_F(ImageCodecTest, JpegVariantsMatchImageMagick) {
    struct Case {
        const char* name;
        Source source;
        const char* options;
        int components, frame;
        int tolerance;
    };
    const Case cases[] = {
        {"baseline", Source::Colour, "-quality 90", 3, 0xC0, 2},
        {"progressive", Source::Colour, "-quality 90 -interlace JPEG", 3, 0xC2, 2},
        {"greyscale", Source::Grey, "-colorspace Gray -quality 90", 1, 0xC0, 1},
        {"progressive greyscale", Source::Grey, "-colorspace Gray -interlace JPEG", 1, 0xC2, 1},
        // Adobe's inverted CMYK, as ImageMagick writes it.
        {"CMYK", Source::Colour, "-colorspace CMYK -quality 95", 4, 0xC0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make("case.jpg", c.source, c.options, 45, 31);
        const std::string bytes = ReadText(path);
        const auto frame = JpegFrame(bytes);
        ASSERT_EQ(frame.first, c.components);
        ASSERT_EQ(frame.second, c.frame);
        ExpectLikeReference(path, c.tolerance);
        DecodedPixels image;
        ASSERT_TRUE(DecodeBytes(bytes, image));
        for (uint32_t p : Pixels(image)) ASSERT_EQ(p >> 24, 0xFFu);
    }
}

// Without Adobe's marker four components are plain CMYK (no YCCK transform), and
// the inks are still read inverted, as ImageMagick (and the browsers) read them.
TEST_F(ImageCodecTest, JpegCmykWithoutAdobeMarkerIsStillInverted) {
    const std::string adobe = ReadText(Make("adobe.jpg", Source::Colour, "-colorspace CMYK -quality 95", 45, 31));
    const size_t at = adobe.find("\xFF\xEE");
    ASSERT_NE(at, std::string::npos);
    const size_t length = size_t(uint8_t(adobe[at + 2])) << 8 | uint8_t(adobe[at + 3]);
    std::string plain = adobe;
    plain.erase(at, 2 + length);
    WriteText(Path("plain.jpg"), plain);
    ExpectLikeReference(Path("plain.jpg"), 3);
}

// ---- BMP made by ImageMagick ----

TEST_F(ImageCodecTest, BmpWrittenByImageMagickMatchesIt) {
    struct Case {
        const char* name;
        Source source;
        const char* options;
        int bits, compression;
    };
    const Case cases[] = {
        {"1-bit palette", Source::TwoLevels, "-type bilevel -compress None BMP3:", 1, 0},
        {"4-bit palette", Source::FewColours, "-type palette -compress None BMP3:", 4, 0},
        {"8-bit palette", Source::Grey, "-type palette -compress None BMP3:", 8, 0},
        {"RLE8", Source::FewColours, "-type palette -compress RLE BMP3:", 8, 1},
        {"24-bit", Source::Colour, "-type truecolor BMP3:", 24, 0},
        {"32-bit bit fields with alpha (V5 header)", Source::ColourAlpha, "BMP:", 32, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string raw = Path("source.rgba");
        WriteText(raw, RawSource(c.source, 37, 23));
        const std::string out = Path("case.bmp");
        ASSERT_TRUE(RunCommand("convert -size 37x23 -depth 8 rgba:" + Quote(raw) + " " + c.options + Quote(out)));
        const std::string bytes = ReadText(out);
        ASSERT_GE(bytes.size(), 54u);
        ASSERT_EQ(uint8_t(bytes[28]), c.bits);
        ASSERT_EQ(uint8_t(bytes[30]), c.compression);
        ExpectLikeReference(out, 0);
    }
}

// ---- BMP built here ----

void Put16(std::string& s, size_t at, uint32_t v) { s[at] = char(v), s[at + 1] = char(v >> 8); }
void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 0, height = 0;
    uint32_t bits = 24, compression = 0, coloursUsed = 0;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint32_t> masks;    // after a 40-byte header, or inside a bigger one
    std::string pixels;             // the pixel data as stored
};

std::string BuildBmp(const BmpSpec& spec) {
    const bool core = spec.headerSize == 12;
    std::string s(14 + spec.headerSize, '\0');
    s[0] = 'B', s[1] = 'M';
    Put32(s, 14, spec.headerSize);
    if (core) {
        Put16(s, 18, uint32_t(spec.width));
        Put16(s, 20, uint32_t(spec.height));
        Put16(s, 22, 1);
        Put16(s, 24, spec.bits);
    } else {
        Put32(s, 18, uint32_t(spec.width));
        Put32(s, 22, uint32_t(spec.height));
        Put16(s, 26, 1);
        Put16(s, 28, spec.bits);
        Put32(s, 30, spec.compression);
        Put32(s, 46, spec.coloursUsed);
        for (size_t i = 0; i < spec.masks.size(); ++i) {
            if (spec.headerSize >= 40 + 4 * (i + 1)) {
                Put32(s, 54 + 4 * i, spec.masks[i]);
            } else {
                std::string m(4, '\0');
                Put32(m, 0, spec.masks[i]);
                s += m;
            }
        }
    }
    for (uint32_t c : spec.palette) {
        s += char(c), s += char(c >> 8), s += char(c >> 16);
        if (!core) s += '\0';
    }
    Put32(s, 10, uint32_t(s.size()));
    s += spec.pixels;
    Put32(s, 2, uint32_t(s.size()));
    return s;
}

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += char(b);
    return s;
}

TEST(BmpDecoder, VariantsDecodeToTheirPixels) {
    struct Case {
        const char* name;
        BmpSpec spec;
        int32_t width, height;
        std::vector<uint32_t> expected;  // top row first
    };
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;
    std::vector<Case> cases;
    {
        BmpSpec s;
        s.width = 2, s.height = -2, s.bits = 24;
        s.pixels = Bytes({0, 0, 255, 0, 255, 0, 0, 0, /**/ 255, 0, 0, 255, 255, 255, 0, 0});
        cases.push_back({"top-down 24-bit", s, 2, 2, {R, G, B, W}});
    }
    {
        BmpSpec s;
        s.width = 9, s.height = 2, s.bits = 1, s.palette = {0x000000, 0xFF0000};
        // Bottom row first: 101010101, then 111100001; rows padded to 4 bytes.
        s.pixels = Bytes({0xAA, 0x80, 0, 0, 0xF0, 0x80, 0, 0});
        cases.push_back({"1-bit palette over two bytes", s, 9, 2,
                         {R, R, R, R, K, K, K, K, R, R, K, R, K, R, K, R, K, R}});
    }
    {
        BmpSpec s;
        s.width = 3, s.height = 1, s.bits = 4, s.coloursUsed = 3, s.palette = {0x0000FF, 0x00FF00, 0xFFFFFF};
        // Index 7 lies beyond the three colours: black.
        s.pixels = Bytes({0x12, 0x70, 0, 0});
        cases.push_back({"4-bit palette, index beyond the colours used", s, 3, 1, {G, W, K}});
    }
    {
        BmpSpec s;
        s.headerSize = 12, s.width = 2, s.height = 1, s.bits = 8, s.palette.assign(256, 0);
        s.palette[5] = 0x00FF00;
        s.palette[200] = 0xFF0000;
        s.pixels = Bytes({200, 5, 0, 0});
        cases.push_back({"OS/2 header, 8-bit palette", s, 2, 1, {R, G}});
    }
    {
        BmpSpec s;
        s.width = 3, s.height = 1, s.bits = 16;
        // 5-5-5: white, blue, (1, 1, 1) -> 8 of 255.
        s.pixels = Bytes({0xFF, 0x7F, 0x1F, 0x00, 0x21, 0x04, 0, 0});
        cases.push_back({"16-bit 5-5-5", s, 3, 1, {W, B, 0xFF080808}});
    }
    {
        BmpSpec s;
        s.width = 2, s.height = 1, s.bits = 16, s.compression = 3, s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = Bytes({0x00, 0xF8, 0xE0, 0x07});
        cases.push_back({"16-bit 5-6-5 bit fields", s, 2, 1, {R, G}});
    }
    {
        BmpSpec s;
        s.headerSize = 108, s.width = 2, s.height = 1, s.bits = 16, s.compression = 3;
        s.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
        s.pixels = Bytes({0x0F, 0xF0, 0x00, 0x8F});  // opaque blue; red at alpha 8/15
        cases.push_back({"16-bit 4-4-4-4 bit fields in a V4 header", s, 2, 1, {B, 0x88FF0000}});
    }
    {
        BmpSpec s;
        s.width = 2, s.height = 1, s.bits = 32, s.compression = 3, s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
        s.pixels = Bytes({0x10, 0x20, 0x30, 0x77, 0xFF, 0, 0, 0});
        cases.push_back({"32-bit bit fields, no alpha mask", s, 2, 1, {0xFF102030, R}});
    }
    {
        BmpSpec s;
        s.width = 2, s.height = -1, s.bits = 32;
        s.pixels = Bytes({1, 2, 3, 0, 4, 5, 6, 0});
        cases.push_back({"32-bit, fourth byte 0 everywhere", s, 2, 1, {0xFF030201, 0xFF060504}});
    }
    {
        BmpSpec s;
        s.width = 2, s.height = -1, s.bits = 32;
        s.pixels = Bytes({1, 2, 3, 0, 4, 5, 6, 0x80});
        cases.push_back({"32-bit with alpha", s, 2, 1, {0x00030201, 0x80060504}});
    }
    {
        BmpSpec s;
        s.width = 4, s.height = 3, s.bits = 8, s.compression = 1, s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
        // Bottom row: run of 3 x 1, end of line; middle row: delta (1, 1) skips
        // to the top row at x = 1; literal 2, 3, 1 (padded); end of bitmap.
        s.pixels = Bytes({3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 3, 1, 0, 0, 1});
        cases.push_back({"RLE8 with delta and literal run", s, 4, 3,
                         {K, G, B, R, /**/ K, K, K, K, /**/ R, R, R, K}});
    }
    {
        BmpSpec s;
        s.width = 7, s.height = 1, s.bits = 4, s.compression = 2, s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
        // Run of 3 alternating 1, 2; literal of 3: 3, 1, 2 (two bytes, a whole
        // word); end. The last pixel is skipped: entry 0.
        s.pixels = Bytes({3, 0x12, 0, 3, 0x31, 0x20, 0, 1});
        cases.push_back({"RLE4", s, 7, 1, {R, G, R, B, R, G, K}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = BuildBmp(c.spec);
        DecodedPixels image;
        ASSERT_TRUE(DecodeBytes(file, image));
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);
        EXPECT_EQ(Pixels(image), c.expected);
    }
}

TEST(BmpDecoder, BadHeadersAndShortDataAreRefused) {
    BmpSpec good;
    good.width = 3, good.height = 2, good.bits = 8, good.palette = {0x112233, 0x445566};
    good.pixels = Bytes({0, 1, 0, 0, 1, 0, 1, 0});
    const std::string base = BuildBmp(good);
    DecodedPixels image;
    ASSERT_TRUE(DecodeBytes(base, image));

    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
        int width;  // 2 or 4 bytes
    };
    const Case cases[] = {
        {"width 0", 18, 0, 4},
        {"negative width", 18, 0xFFFFFFFD, 4},
        {"height 0", 22, 0, 4},
        {"height INT_MIN", 22, 0x80000000, 4},
        {"huge width", 18, 0x7FFFFFFF, 4},
        {"huge height", 22, 0x00FFFFFF, 4},
        {"2 bits a pixel", 28, 2, 2},
        {"JPEG compression", 30, 4, 4},
        {"RLE4 with 8 bits", 30, 2, 4},
        {"bit fields with 8 bits", 30, 3, 4},
        {"pixel offset past the end", 10, 5000, 4},
        {"pixel offset inside the header", 10, 20, 4},
        {"header longer than the file", 14, 4000, 4},
        {"header of 30 bytes", 14, 30, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bad = base;
        if (c.width == 2) {
            Put16(bad, c.at, c.value);
        } else {
            Put32(bad, c.at, c.value);
        }
        EXPECT_FALSE(DecodeBytes(bad, image));
        EXPECT_EQ(image.pixels, nullptr);
    }
    // Rows cut short; the last row's padding alone may be missing.
    EXPECT_TRUE(DecodeBytes(base.substr(0, base.size() - 1), image));
    EXPECT_FALSE(DecodeBytes(base.substr(0, base.size() - 2), image));

    // A run-length stream that ends before the bitmap, and one stored top-down.
    BmpSpec rle = good;
    rle.compression = 1;
    rle.pixels = Bytes({3, 1, 0, 0, 2, 1});
    EXPECT_FALSE(DecodeBytes(BuildBmp(rle), image));
    rle.pixels = Bytes({3, 1, 0, 0, 3, 1, 0, 1});
    ASSERT_TRUE(DecodeBytes(BuildBmp(rle), image));
    rle.height = -2;
    EXPECT_FALSE(DecodeBytes(BuildBmp(rle), image));
    // A literal run longer than the data left.
    rle.height = 2;
    rle.pixels = Bytes({0, 40, 1, 1});
    EXPECT_FALSE(DecodeBytes(BuildBmp(rle), image));
}

// ---- Any format ----

TEST_F(ImageCodecTest, FormatIsChosenByContent) {
    // A PNG named .bmp and a JPEG named .png.
    const std::string png = Make("really-png.bmp", Source::ColourAlpha, "PNG:");
    const std::string jpeg = Make("really-jpeg.png", Source::Colour, "JPEG:");
    DecodedPixels image;
    ASSERT_TRUE(platform::DecodeImageFile(png.c_str(), image));
    EXPECT_EQ(Pixels(image), ReferencePixels(png));
    ASSERT_TRUE(platform::DecodeImageFile(jpeg.c_str(), image));
    EXPECT_EQ(image.width, 37);

    EXPECT_EQ(platform::SniffImageFormat("GIF89a", 6), platform::ImageFormat::Unknown);
    EXPECT_FALSE(DecodeBytes("GIF89a plus some bytes", image));
    EXPECT_FALSE(DecodeBytes("", image));
    EXPECT_FALSE(platform::DecodeImageFile(Path("missing.png").c_str(), image));
    EXPECT_FALSE(platform::DecodeImageFile(m_folder.c_str(), image));
}

TEST_F(ImageCodecTest, TruncatedFilesAreRefused) {
    struct File {
        std::string path;
        bool tailMatters;  // false: the last bytes only end a complete image
    };
    const File files[] = {
        {Make("t.png", Source::ColourAlpha, ""), true},
        {Make("t-interlaced.png", Source::ColourAlpha, "-interlace PNG"), true},
        {Make("t.jpg", Source::Colour, ""), true},
        {Make("t-progressive.jpg", Source::Colour, "-interlace JPEG"), true},
        // Its last row ends with an end of line; the end-of-bitmap code after
        // it adds nothing.
        {Make("t-rle.bmp", Source::FewColours, "-type palette -compress RLE BMP3:"), false},
    };
    for (const File& file : files) {
        SCOPED_TRACE(file.path);
        const std::string bytes = ReadText(file.path);
        DecodedPixels image;
        ASSERT_TRUE(DecodeBytes(bytes, image));
        std::vector<size_t> keeps = {1, 30, bytes.size() / 3, bytes.size() / 2};
        if (file.tailMatters) keeps.insert(keeps.end(), {bytes.size() - 4, bytes.size() - 1});
        for (size_t keep : keeps) {
            SCOPED_TRACE(keep);
            EXPECT_FALSE(DecodeImage(bytes.data(), keep, image));
            EXPECT_EQ(image.pixels, nullptr);
        }
    }
}

// Damaged files must fail cleanly or decode to something; never read or write
// out of bounds (the sanitiser build checks).
TEST_F(ImageCodecTest, DamagedFilesDoNotCrash) {
    const std::string files[] = {
        Make("d.png", Source::FewAlpha, "-define png:color-type=3"),
        Make("d.jpg", Source::Colour, "-interlace JPEG"),
        Make("d-rle.bmp", Source::FewColours, "-type palette -compress RLE BMP3:"),
        BuildBmp([] {
            BmpSpec s;
            s.width = 5, s.height = 3, s.bits = 16, s.compression = 3, s.masks = {0xF800, 0x07E0, 0x001F};
            s.pixels = std::string(24, '\x5A');
            return s;
        }()),
    };
    std::mt19937 rng(7);
    for (const std::string& entry : files) {
        const std::string bytes = entry.size() > 2 && entry[0] == 'B' && entry[1] == 'M' ? entry : ReadText(entry);
        for (int round = 0; round < 300; ++round) {
            std::string damaged = bytes;
            const int flips = 1 + int(rng() % 4);
            for (int i = 0; i < flips; ++i) {
                // Mostly the headers, sometimes anywhere.
                const size_t limit = (rng() & 1) ? std::min<size_t>(damaged.size(), 128) : damaged.size();
                damaged[rng() % limit] = char(rng());
            }
            DecodedPixels image;
            if (DecodeBytes(damaged, image)) {
                ASSERT_GT(image.width, 0);
                ASSERT_NE(image.pixels, nullptr);
            }
        }
    }
}

}  // namespace
