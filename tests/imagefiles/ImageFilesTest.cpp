// Loading image files by kind, the BMP writer and the clipboard pixel path.
#include "imagefiles/ImageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/containers/MemoryBlock.h"
#include "imagefiles/rcg/RcgContainer.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "tests/imagefiles/ImageFilesTestSupport.h"

namespace {

using imagefiles_test::ImageFilesTest;
using imagefiles_test::Painted;
using imagefiles_test::Pixels;
using testsupport::Entries;
using testsupport::Exists;
using testsupport::ReadText;
using testsupport::WriteText;

// ---------------------------------------------------------------------------
// File kinds
// ---------------------------------------------------------------------------

TEST(ImageFilesKind, ExtensionOfTheLastComponent) {
    const struct {
        const char* path;
        ImageFileKind kind;
    } cases[] = {
        {"C:\\pics\\a.BMP", ImageFileKind::Bmp},
        {"a.bmp", ImageFileKind::Bmp},
        {"x.Rcg", ImageFileKind::Rcg},
        {"/home/u/x.WebP", ImageFileKind::WebP},
        {"x.jpeg", ImageFileKind::Jpeg},
        {"x.JPG", ImageFileKind::Jpeg},
        // Only the last component, and only its last extension, counts.
        {"C:\\x.bmp.d\\photo.png", ImageFileKind::Png},
        {"C:\\x.webp.d\\photo.png", ImageFileKind::Png},
        {"/tmp/x.rcg/photo", ImageFileKind::Unknown},
        {"photo.webp.png", ImageFileKind::Png},
        {"photo.png.webp", ImageFileKind::WebP},
        {"x.bmp/", ImageFileKind::Unknown},
        {"x.bmpx", ImageFileKind::Unknown},
        {"x.bm", ImageFileKind::Unknown},
        {"", ImageFileKind::Unknown},
        // A name that is only a dot and letters is not an extension.
        {".webp", ImageFileKind::Unknown},
        {"dir/.bmp", ImageFileKind::Unknown},
        // Code page 932: 0x95 0x5C is one character whose trail byte is '\'; it
        // separates nothing, so the name is "x<char>.png", not ".png".
        {"x\x95\x5C.png", ImageFileKind::Png},
        // 0x81 0x2E: a lead byte swallows the '.' after it.
        {"x\x81.bmp", ImageFileKind::Unknown},
        // Trail bytes equal to letters never complete an extension.
        {"x.\x82\x62mp", ImageFileKind::Unknown},
        // A lead byte at the very end.
        {"x.png\x81", ImageFileKind::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImageFileKindFromPath(c.path), c.kind) << c.path;
    }
    EXPECT_EQ(ImageFileKindFromPath(nullptr), ImageFileKind::Unknown);
}

TEST(ImageFilesKind, FirstBytes) {
    const struct {
        std::string bytes;
        ImageFileKind kind;
    } cases[] = {
        {std::string("RIFF\x10\0\0\0WEBPVP8L", 16), ImageFileKind::WebP},
        {std::string("RIFF\x10\0\0\0WAVEfmt ", 16), ImageFileKind::Unknown},
        {"RIFF\x10\0\0", ImageFileKind::Unknown},
        {std::string("RCG20\0\0\0\0", 9), ImageFileKind::Rcg},
        {std::string("RCG11\0\0", 7), ImageFileKind::Rcg},
        {"RCG2x", ImageFileKind::Unknown},
        {"BM", ImageFileKind::Bmp},
        {"\x89PNG\r\n\x1a\n", ImageFileKind::Png},
        {"\xFF\xD8\xFF\xE0", ImageFileKind::Jpeg},
        {"GIF89a", ImageFileKind::Unknown},
        {"", ImageFileKind::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImageFileKindFromContent(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()),
                  c.kind)
            << c.bytes;
    }
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

// A Windows bitmap built byte by byte: 24 or 32 bits, bottom-up or (negative
// height) top-down, pixels given top row first.
std::string BuildBmp(int32_t width, int32_t height, int bits, const std::vector<uint32_t>& topDown) {
    const int32_t rows = height < 0 ? -height : height;
    const uint32_t rowBytes = bits == 32 ? uint32_t(width) * 4 : (uint32_t(width) * 3 + 3) & ~3u;
    std::string out;
    const auto u16 = [&](uint32_t v) { out.push_back(char(v)), out.push_back(char(v >> 8)); };
    const auto u32 = [&](uint32_t v) { u16(v), u16(v >> 16); };
    u16(0x4D42), u32(54 + rowBytes * rows), u32(0), u32(54);
    u32(40), u32(uint32_t(width)), u32(uint32_t(height)), u16(1), u16(bits), u32(0), u32(rowBytes * rows);
    u32(0), u32(0), u32(0), u32(0);
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t y = height < 0 ? i : rows - 1 - i;
        std::string row;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = topDown[size_t(y) * width + x];
            row.push_back(char(p)), row.push_back(char(p >> 8)), row.push_back(char(p >> 16));
            if (bits == 32) row.push_back(char(p >> 24));
        }
        row.resize(rowBytes, '\0');
        out += row;
    }
    return out;
}

const std::vector<uint32_t> kSixPixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456, 0x00FFFFFF, 0x00000000};

std::vector<uint32_t> WithAlpha(std::vector<uint32_t> pixels, uint32_t alpha) {
    for (auto& p : pixels) p = (p & 0xFFFFFF) | (alpha << 24);
    return pixels;
}

TEST_F(ImageFilesTest, BitmapsWithoutAlphaLoadOpaque) {
    // 24-bit pixels and 32-bit pixels whose alpha is 0 everywhere carry no alpha.
    for (int bits : {24, 32}) {
        const std::string path = Path("a" + std::to_string(bits) + ".bmp");
        WriteText(path, BuildBmp(3, 2, bits, kSixPixels));
        CSprite s;
        ASSERT_TRUE(LoadImageFile(path.c_str(), s)) << bits;
        EXPECT_EQ(s.GetWidth(), 3);
        EXPECT_EQ(s.GetHeight(), 2);
        EXPECT_EQ(Pixels(s), WithAlpha(kSixPixels, 255)) << bits;
    }
}

TEST_F(ImageFilesTest, BitmapAlphaIsKeptWhenAnyIsSet) {
    std::vector<uint32_t> pixels = kSixPixels;
    pixels[4] |= 0x80000000;
    const std::string path = Path("alpha.bmp");
    WriteText(path, BuildBmp(3, 2, 32, pixels));
    CSprite s;
    ASSERT_TRUE(LoadImageFile(path.c_str(), s));
    EXPECT_EQ(Pixels(s), pixels);
}

TEST_F(ImageFilesTest, BitmapVariantsTheOwnReaderRefusesGoToTheDecoder) {
    // Top-down rows: the system's reader refuses them, the decoder reads them.
    const std::string path = Path("topdown.bmp");
    WriteText(path, BuildBmp(3, -2, 24, kSixPixels));
    CSprite s;
    ASSERT_TRUE(LoadImageFile(path.c_str(), s));
    EXPECT_EQ(Pixels(s), WithAlpha(kSixPixels, 255));
}

TEST_F(ImageFilesTest, ContentDecidesWhenTheNameLies) {
    const CSprite source = imagefiles_test::NoiseWithAlpha(5, 4, 7);
    const std::vector<uint32_t> expected = Pixels(source);
    std::filesystem::create_directory(Path("x.webp.d"));
    std::filesystem::create_directory(Path("x.bmp.d"));

    // A PNG under BMP and WebP names and folder names.
    const std::string png = Path("real.png");
    ASSERT_TRUE(GDIPlusDLL::SavePng32(imagefiles_test::Wide(png).c_str(), source.GetPixels(), 5, 4));
    // A WebP and an RCG container under PNG names.
    const std::string webp = Path("real.webp");
    ASSERT_TRUE(SaveWebPFile(source, webp.c_str(), kWebPLossless));
    const std::string rcg = Path("real.rcg");
    ASSERT_TRUE(SaveRcgFile(rcg.c_str(), &source, 1, kRcgTypeArgb, GetSingleSprite, 3));

    const struct {
        std::string from;
        std::string as;
    } cases[] = {
        {png, "png-as.bmp"}, {png, "png-as.webp"}, {png, "png-as.rcg"},   {png, "x.webp.d/photo.png"},
        {png, "x.bmp.d/photo.png"}, {webp, "webp-as.png"}, {webp, "webp-as.bmp"}, {rcg, "rcg-as.png"},
        {rcg, "rcg-as.webp"},
    };
    for (const auto& c : cases) {
        const std::string path = Path(c.as);
        std::filesystem::copy_file(c.from, path);
        CSprite s;
        ASSERT_TRUE(LoadImageFile(path.c_str(), s)) << c.as;
        EXPECT_EQ(Pixels(s), expected) << c.as;
    }
}

TEST_F(ImageFilesTest, RcgRecordsLoadAndRgbRecordsBecomeOpaque) {
    const CSprite source = imagefiles_test::NoiseWithAlpha(6, 3, 11);
    const std::string argb = Path("argb.rcg");
    const std::string rgb = Path("rgb.rcg");
    ASSERT_TRUE(SaveRcgFile(argb.c_str(), &source, 1, kRcgTypeArgb, GetSingleSprite, 3));
    ASSERT_TRUE(SaveRcgFile(rgb.c_str(), &source, 1, kRcgTypeRgb, GetSingleSprite, 3));
    CSprite s;
    ASSERT_TRUE(LoadImageFile(argb.c_str(), s));
    EXPECT_EQ(Pixels(s), Pixels(source));
    ASSERT_TRUE(LoadImageFile(rgb.c_str(), s));
    EXPECT_EQ(Pixels(s), WithAlpha(Pixels(source), 255));
}

TEST_F(ImageFilesTest, UnreadableFilesFailWithAnEmptySprite) {
    const std::string garbage = "not an image at all, by any reader's account";
    const std::string corruptWebp = std::string("RIFF\x40\0\0\0WEBPVP8L", 16) + std::string(40, '\x55');
    const struct {
        std::string name;
        std::string content;
    } cases[] = {
        {"g.bmp", garbage}, {"g.webp", garbage}, {"g.rcg", garbage},     {"g.png", garbage},
        {"g", garbage},     {"empty.png", ""},   {"bad.webp", corruptWebp}, {"bad.png", corruptWebp},
        {"short.bmp", BuildBmp(3, 2, 24, kSixPixels).substr(0, 60)},
        {"bad.rcg", std::string("RCG20\1\0\0\0\x0D\0\0\0junk", 17)},
    };
    for (const auto& c : cases) {
        const std::string path = Path(c.name);
        WriteText(path, c.content);
        CSprite s;
        ASSERT_TRUE(s.Create(2, 2, true));
        EXPECT_FALSE(LoadImageFile(path.c_str(), s)) << c.name;
        EXPECT_FALSE(s.HasImage()) << c.name;
    }
    CSprite s;
    EXPECT_FALSE(LoadImageFile(Path("missing.png").c_str(), s));
    EXPECT_FALSE(LoadImageFile(nullptr, s));
}

TEST_F(ImageFilesTest, NothingLoadsBeforeTheLibraryStarts) {
    const CSprite source = imagefiles_test::NoiseWithAlpha(2, 2, 3);
    ASSERT_TRUE(SaveBMP(source, Path("a.bmp").c_str()));
    ASSERT_TRUE(SaveWebPFile(source, Path("a.webp").c_str(), kWebPLossless));
    ASSERT_TRUE(GDIPlusDLL::SavePng32(imagefiles_test::Wide(Path("a.png")).c_str(), source.GetPixels(), 2, 2));
    ASSERT_TRUE(SaveRcgFile(Path("a.rcg").c_str(), &source, 1, kRcgTypeArgb, GetSingleSprite, 3));
    raster_test::ResetRasterLibrary();
    for (const char* name : {"a.bmp", "a.webp", "a.png", "a.rcg"}) {
        CSprite s;
        EXPECT_FALSE(LoadImageFile(Path(name).c_str(), s)) << name;
        EXPECT_FALSE(s.HasImage()) << name;
    }
}

// ---------------------------------------------------------------------------
// BMP writer
// ---------------------------------------------------------------------------

TEST_F(ImageFilesTest, BitmapFileLayout) {
    // Width 3: rows of 12 bytes with no padding, bottom row first, alpha as is.
    const std::vector<uint32_t> pixels = {0x11223344, 0x55667788, 0x99AABBCC, 0x00010203, 0xFF040506, 0x80070809};
    const CSprite s = Painted(3, 2, [&](int32_t x, int32_t y) { return pixels[size_t(y) * 3 + x]; });
    const std::string path = Path("layout.bmp");
    ASSERT_TRUE(SaveBMP(s, path.c_str()));
    const std::string bytes = ReadText(path);
    const std::string header(
        "BM\x4E\0\0\0\0\0\0\0\x36\0\0\0"  // file size 78, pixel data at 54
        "\x28\0\0\0\3\0\0\0\2\0\0\0\1\0\x20\0"  // info header 40, 3 x 2, 1 plane, 32 bits
        "\0\0\0\0\x18\0\0\0"                  // BI_RGB, image size 24
        "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",   // resolutions and colour counts
        54);
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes.substr(0, 54), header);
    std::string rows;
    for (int y : {1, 0})
        for (int x = 0; x < 3; ++x)
            for (int k = 0; k < 4; ++k) rows.push_back(char(pixels[size_t(y) * 3 + x] >> (8 * k)));
    EXPECT_EQ(bytes.substr(54), rows);

    CSprite one = Painted(1, 1, [](int32_t, int32_t) { return 0x80402010u; });
    ASSERT_TRUE(SaveBMP(one, Path("one.bmp").c_str()));
    EXPECT_EQ(ReadText(Path("one.bmp")).size(), 58u);
}

TEST_F(ImageFilesTest, BitmapRoundTrip) {
    // The system's reader takes every byte back; a fully transparent image
    // becomes opaque on loading.
    const CSprite noisy = imagefiles_test::NoiseWithAlpha(37, 21, 5);
    ASSERT_TRUE(SaveBMP(noisy, Path("noisy.bmp").c_str()));
    CSprite s;
    ASSERT_TRUE(LoadImageFile(Path("noisy.bmp").c_str(), s));
    EXPECT_EQ(Pixels(s), Pixels(noisy));

    const CSprite clear = Painted(4, 3, [](int32_t x, int32_t y) { return uint32_t(x * 0x10101 + y * 0x40); });
    ASSERT_TRUE(SaveBMP(clear, Path("clear.bmp").c_str()));
    EXPECT_EQ(uint8_t(ReadText(Path("clear.bmp"))[57]), 0);
    ASSERT_TRUE(LoadImageFile(Path("clear.bmp").c_str(), s));
    EXPECT_EQ(Pixels(s), WithAlpha(Pixels(clear), 255));
}

TEST_F(ImageFilesTest, WritersRefuseNothingToWriteAndBadTargets) {
    const CSprite empty;
    EXPECT_FALSE(SaveBMP(empty, Path("e.bmp").c_str()));
    EXPECT_FALSE(SaveWebPFile(empty, Path("e.webp").c_str(), kWebPLossless));
    const CSprite s = imagefiles_test::NoiseWithAlpha(3, 3, 1);
    EXPECT_FALSE(SaveBMP(s, Path("no/such/folder/x.bmp").c_str()));
    EXPECT_FALSE(SaveWebPFile(s, Path("no/such/folder/x.webp").c_str(), 75));
    EXPECT_FALSE(SaveBMP(s, m_folder.c_str()));
    EXPECT_FALSE(SaveBMP(s, nullptr));
    EXPECT_TRUE(Entries(m_folder).empty());
}

TEST_F(ImageFilesTest, WidePathBitmapIsTheNarrowPathBitmap) {
    const CSprite s = imagefiles_test::NoiseWithAlpha(5, 3, 4);
    ASSERT_TRUE(SaveBMP(s, Path("narrow.bmp").c_str()));
    const std::string expected = ReadText(Path("narrow.bmp"));
    const std::u16string folder = imagefiles_test::Wide(m_folder + "/");

    // The name goes through code page 932 to the file system: U+753B U+50CF.
    ASSERT_TRUE(SaveBMPWide(s, (folder + u"\u753B\u50CF.bmp").c_str()));
    EXPECT_EQ(ReadText(Path("\xE7\x94\xBB\xE5\x83\x8F.bmp")), expected);  // UTF-8 "画像.bmp"
    // A "?" of the path itself is no conversion loss.
    ASSERT_TRUE(SaveBMPWide(s, (folder + u"a?b.bmp").c_str()));
    EXPECT_EQ(ReadText(Path("a?b.bmp")), expected);

    // A character code page 932 cannot hold would become "?" and name another
    // file; nothing is written instead (e-acute, and a character beyond U+FFFF).
    EXPECT_FALSE(SaveBMPWide(s, (folder + u"caf\u00E9.bmp").c_str()));
    EXPECT_FALSE(SaveBMPWide(s, (folder + u"a?\U0001F600.bmp").c_str()));
    EXPECT_FALSE(SaveBMPWide(s, nullptr));
    EXPECT_FALSE(SaveBMPWide(CSprite(), (folder + u"empty.bmp").c_str()));
    EXPECT_FALSE(SaveBMPWide(s, (folder + u"no/such/folder/x.bmp").c_str()));
    EXPECT_EQ(Entries(m_folder), (std::vector<std::string>{"a?b.bmp", "narrow.bmp", "\xE7\x94\xBB\xE5\x83\x8F.bmp"}));
}

TEST_F(ImageFilesTest, FailedWritesKeepTheOldFile) {
    // Both writers, with files that cannot grow past 4 KiB: the write fails part
    // way, the writer says so, the old file is untouched and nothing else is left.
    const CSprite big = imagefiles_test::NoiseWithAlpha(128, 64, 9);
    for (const char* name : {"old.bmp", "old.webp"}) {
        const std::string path = Path(name);
        WriteText(path, "the old content");
        bool saved = true;
        {
            imagefiles_test::FileSizeLimit limit(4096);
            saved = std::string(name) == "old.bmp" ? SaveBMP(big, path.c_str())
                                                   : SaveWebPFile(big, path.c_str(), kWebPLossless);
        }
        EXPECT_FALSE(saved) << name;
        EXPECT_EQ(ReadText(path), "the old content") << name;
        EXPECT_EQ(Entries(m_folder), std::vector<std::string>{name}) << name;
        std::filesystem::remove(path);
    }
    // And with room enough the same calls replace the old content.
    WriteText(Path("old.bmp"), "the old content");
    ASSERT_TRUE(SaveBMP(big, Path("old.bmp").c_str()));
    EXPECT_EQ(ReadText(Path("old.bmp")).size(), 54u + 128 * 64 * 4);
}

// ---------------------------------------------------------------------------
// Clipboard bitmaps
// ---------------------------------------------------------------------------

// A clipboard bitmap for the tests: rows from a vector, as many as `deliver`.
class FakeClipboard : public IClipboardBitmap {
public:
    FakeClipboard(int32_t w, int32_t h, std::vector<uint32_t> rows, int32_t deliver)
        : m_w(w), m_h(h), m_rows(std::move(rows)), m_deliver(deliver) {}
    bool GetSize(int32_t& w, int32_t& h) override {
        if (m_w < 0) return false;
        w = m_w;
        h = m_h;
        return true;
    }
    int32_t ReadRows(uint32_t* pixels, int32_t stride, int32_t w, int32_t h) override {
        const int32_t n = m_deliver < h ? m_deliver : h;
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < w; ++x) pixels[size_t(y) * stride + x] = m_rows[size_t(y) * w + x];
        return n;
    }

private:
    int32_t m_w, m_h;
    std::vector<uint32_t> m_rows;
    int32_t m_deliver;
};

TEST_F(ImageFilesTest, ClipboardScreenBitmapsBecomeOpaque) {
    CSprite s;
    ASSERT_TRUE(s.Create(9, 9, true));
    // A negative height stands for its magnitude; rows arrive top-down.
    FakeClipboard screen(3, -2, kSixPixels, 2);
    ASSERT_TRUE(LoadFromClipboard(s, screen));
    EXPECT_EQ(s.GetWidth(), 3);
    EXPECT_EQ(s.GetHeight(), 2);
    EXPECT_EQ(Pixels(s), WithAlpha(kSixPixels, 255));

    std::vector<uint32_t> withAlpha = kSixPixels;
    withAlpha[2] |= 0x01000000;
    FakeClipboard layered(3, 2, withAlpha, 2);
    ASSERT_TRUE(LoadFromClipboard(s, layered));
    EXPECT_EQ(Pixels(s), withAlpha);
}

TEST_F(ImageFilesTest, ClipboardFailures) {
    // Fewer rows than promised: the sprite is released, not left half filled.
    CSprite s;
    ASSERT_TRUE(s.Create(2, 2, true));
    FakeClipboard partial(3, 2, kSixPixels, 1);
    EXPECT_FALSE(LoadFromClipboard(s, partial));
    EXPECT_FALSE(s.HasImage());

    // No bitmap, or a size the sprite cannot take: the sprite stays as it was.
    ASSERT_TRUE(s.Create(2, 2, true));
    FakeClipboard none(-1, 0, {}, 0);
    EXPECT_FALSE(LoadFromClipboard(s, none));
    FakeClipboard huge(20000, 20000, {}, 0);
    EXPECT_FALSE(LoadFromClipboard(s, huge));
    EXPECT_EQ(s.GetWidth(), 2);
    EXPECT_EQ(Pixels(s), std::vector<uint32_t>(4, 0xFFFFFFFF));

    raster_test::ResetRasterLibrary();
    FakeClipboard fine(3, 2, kSixPixels, 2);
    EXPECT_FALSE(LoadFromClipboard(s, fine));
    EXPECT_EQ(s.GetWidth(), 2);
}

TEST_F(ImageFilesTest, ClipboardPixelsFromMemory) {
    // Rows padded to 4 pixels, given bottom-up in memory (negative stride).
    const std::vector<uint32_t> memory = {
        0x00000004, 0x00000005, 0x00000006, 0xDEADBEEF,  // bottom row
        0x00000001, 0x00000002, 0x00000003, 0xDEADBEEF,  // top row
    };
    CSprite s;
    ASSERT_TRUE(LoadFromClipboardPixels(s, memory.data() + 4, -16, 3, 2));
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005,
                                                0xFF000006}));
    CSprite t;
    EXPECT_FALSE(LoadFromClipboardPixels(t, nullptr, 16, 3, 2));
    EXPECT_FALSE(LoadFromClipboardPixels(t, memory.data(), 8, 3, 2));  // rows overlap
    EXPECT_FALSE(t.HasImage());
}

}  // namespace
