// WebP encoding and decoding, still and animated, in process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/containers/MemoryBlock.h"
#include "imagefiles/ImageFiles.h"
#include "tests/imagefiles/ImageFilesTestSupport.h"

namespace {

using imagefiles_test::ImageFilesTest;
using imagefiles_test::Painted;
using imagefiles_test::Pixels;

std::string Bytes(const CMemoryBlock<unsigned char>& block) {
    return std::string(reinterpret_cast<const char*>(block.GetBuffer()), block.GetCount());
}

bool Decode(CSprite& s, const std::string& bytes) {
    return DecodeWebP(s, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
}

// The first chunk after the RIFF header: "VP8L", "VP8 " or "VP8X".
std::string FirstChunk(const std::string& webp) { return webp.size() >= 16 ? webp.substr(12, 4) : ""; }

std::string Encoded(const CSprite& s, float quality) {
    CMemoryBlock<unsigned char> out;
    EXPECT_TRUE(EncodeWebP(s, out, quality)) << quality;
    return Bytes(out);
}

// ---- animations assembled chunk by chunk ----

void Put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char(v >> (8 * i)));
}

std::string Chunk(const char* tag, const std::string& payload) {
    std::string out(tag, 4);
    Put(out, uint32_t(payload.size()), 4);
    out += payload;
    if (payload.size() & 1) out.push_back('\0');
    return out;
}

struct Frame {
    int32_t x, y;
    CSprite image;
};

// An animated WebP: canvas size, the frames (lossless, no blending, no disposal).
std::string Animation(uint32_t canvasW, uint32_t canvasH, const std::vector<Frame>& frames, bool alphaFlag) {
    std::string body = "WEBP";
    std::string vp8x;
    Put(vp8x, 0x02 | (alphaFlag ? 0x10 : 0), 4);
    Put(vp8x, canvasW - 1, 3);
    Put(vp8x, canvasH - 1, 3);
    body += Chunk("VP8X", vp8x);
    std::string anim;
    Put(anim, 0, 4);
    Put(anim, 0, 2);
    body += Chunk("ANIM", anim);
    std::string still;  // frames repeat often: reuse the last encoding
    const CSprite* last = nullptr;
    for (const Frame& f : frames) {
        if (last == nullptr || Pixels(*last) != Pixels(f.image)) still = Encoded(f.image, kWebPLossless);
        last = &f.image;
        std::string anmf;
        Put(anmf, uint32_t(f.x / 2), 3);
        Put(anmf, uint32_t(f.y / 2), 3);
        Put(anmf, uint32_t(f.image.GetWidth() - 1), 3);
        Put(anmf, uint32_t(f.image.GetHeight() - 1), 3);
        Put(anmf, 100, 3);
        Put(anmf, 0x02, 1);  // no blending
        anmf += still.substr(12);
        body += Chunk("ANMF", anmf);
    }
    std::string out = "RIFF";
    Put(out, uint32_t(body.size()), 4);
    return out + body;
}

uint32_t FrameColour(int k) { return 0xFF000000u | uint32_t(k * 0x030507 + 0x102030); }

// ---------------------------------------------------------------------------

TEST_F(ImageFilesTest, LosslessKeepsEveryPixelExactly) {
    // Colours under alpha 0 included: the document stores bitmaps this way.
    const CSprite source = imagefiles_test::NoiseWithAlpha(61, 33, 2);
    const CSprite marked = Painted(2, 1, [](int32_t x, int32_t) { return x == 0 ? 0x00123456u : 0xFF000000u; });
    for (const CSprite* s : {&source, &marked}) {
        for (float quality : {-1.0f, -5.0f}) {
            const std::string webp = Encoded(*s, quality);
            EXPECT_EQ(FirstChunk(webp), "VP8L");
            CSprite back;
            ASSERT_TRUE(Decode(back, webp));
            EXPECT_EQ(Pixels(back), Pixels(*s));
        }
    }
}

TEST_F(ImageFilesTest, LossyEncodesVp8WithAlphaChunk) {
    const CSprite withAlpha = imagefiles_test::PhotoLike(64, 48, 3, true);
    const CSprite opaque = imagefiles_test::PhotoLike(64, 48, 3, false);
    for (float quality : {100.0f, 75.0f, 40.0f, 0.0f}) {
        const std::string a = Encoded(withAlpha, quality);
        EXPECT_EQ(FirstChunk(a), "VP8X") << quality;
        EXPECT_NE(a.find("ALPH"), std::string::npos) << quality;
        EXPECT_NE(a.find("VP8 "), std::string::npos) << quality;
        EXPECT_EQ(FirstChunk(Encoded(opaque, quality)), "VP8 ") << quality;
        CSprite back;
        ASSERT_TRUE(Decode(back, a));
        EXPECT_EQ(back.GetWidth(), 64);
        EXPECT_EQ(back.GetHeight(), 48);
    }
}

TEST_F(ImageFilesTest, EncoderRefusals) {
    const CSprite s = imagefiles_test::NoiseWithAlpha(4, 4, 1);
    CMemoryBlock<unsigned char> out;
    // A block that already holds bytes is left as it was.
    unsigned char* held = out.Alloc(3);
    held[0] = 'a', held[1] = 'b', held[2] = 'c';
    EXPECT_FALSE(EncodeWebP(s, out, kWebPLossless));
    EXPECT_EQ(out.GetBuffer(), held);
    EXPECT_EQ(Bytes(out), "abc");
    out.Free();
    // Nothing to encode, a quality out of range.
    EXPECT_FALSE(EncodeWebP(CSprite(), out, kWebPLossless));
    EXPECT_FALSE(EncodeWebP(s, out, 101.0f));
    EXPECT_EQ(out.GetBuffer(), nullptr);
    // Not started.
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(EncodeWebP(s, out, kWebPLossless));
    EXPECT_FALSE(SaveWebPFile(s, Path("x.webp").c_str(), kWebPLossless));
    EXPECT_EQ(out.GetCount(), 0u);
    EXPECT_FALSE(testsupport::Exists(Path("x.webp")));
}

TEST_F(ImageFilesTest, DeclaredAlphaIsKeptAndNoAlphaIsOpaque) {
    // Alpha 0 everywhere, declared: stays transparent with its colours.
    const CSprite clear = Painted(5, 5, [](int32_t x, int32_t y) { return uint32_t(x * 0x1020 + y * 0x30000); });
    CSprite back;
    ASSERT_TRUE(Decode(back, Encoded(clear, kWebPLossless)));
    EXPECT_EQ(Pixels(back), Pixels(clear));
    // No alpha declared: opaque.
    const CSprite opaque = imagefiles_test::PhotoLike(8, 8, 1, false);
    back.Release();
    ASSERT_TRUE(Decode(back, Encoded(opaque, 75)));
    for (uint32_t p : Pixels(back)) EXPECT_EQ(p >> 24, 255u);
}

TEST_F(ImageFilesTest, DecoderRefusals) {
    const std::string webp = Encoded(imagefiles_test::NoiseWithAlpha(16, 16, 4), kWebPLossless);
    CSprite s;
    EXPECT_FALSE(Decode(s, webp.substr(0, webp.size() / 2)));  // truncated
    EXPECT_FALSE(s.HasImage());
    EXPECT_FALSE(Decode(s, "RIFF"));
    EXPECT_FALSE(DecodeWebP(s, nullptr, 0));
    // The sprite must be empty.
    ASSERT_TRUE(s.Create(1, 1, true));
    EXPECT_FALSE(Decode(s, webp));
    EXPECT_EQ(s.GetWidth(), 1);
    s.Release();
    // Not started.
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(Decode(s, webp));
}

TEST_F(ImageFilesTest, WebPFilesLoadWhole) {
    const CSprite source = imagefiles_test::NoiseWithAlpha(9, 7, 8);
    const std::string path = Path("a.webp");
    ASSERT_TRUE(SaveWebPFile(source, path.c_str(), kWebPLossless));
    CSprite s;
    ASSERT_TRUE(LoadWebPFile(s, path.c_str()));
    EXPECT_EQ(Pixels(s), Pixels(source));
    // Through the loader too, and a fully transparent WebP stays transparent there.
    const CSprite clear = Painted(3, 3, [](int32_t x, int32_t) { return uint32_t(x * 0x111111); });
    ASSERT_TRUE(SaveWebPFile(clear, path.c_str(), kWebPLossless));
    ASSERT_TRUE(LoadImageFile(path.c_str(), s));
    EXPECT_EQ(Pixels(s), Pixels(clear));

    CSprite t;
    EXPECT_FALSE(LoadWebPFile(t, Path("missing.webp").c_str()));
    testsupport::WriteText(Path("empty.webp"), "");
    EXPECT_FALSE(LoadWebPFile(t, Path("empty.webp").c_str()));
    EXPECT_FALSE(t.HasImage());
}

TEST_F(ImageFilesTest, AnimationBecomesAStripCutAt8192) {
    // 100 frames of 100 x 50: frames 0..81 are drawn, frame 81 cut after 92 columns.
    std::vector<Frame> frames;
    for (int k = 0; k < 100; ++k) {
        const uint32_t c = FrameColour(k);
        frames.push_back({0, 0, Painted(100, 50, [c](int32_t, int32_t) { return c; })});
    }
    CSprite s;
    ASSERT_TRUE(Decode(s, Animation(100, 50, frames, false)));
    ASSERT_EQ(s.GetWidth(), 8192);
    ASSERT_EQ(s.GetHeight(), 50);
    for (int32_t x : {0, 99, 100, 4250, 8099, 8100, 8191}) {
        EXPECT_EQ(*s.PixelAt(x, 0), FrameColour(x / 100)) << x;
        EXPECT_EQ(*s.PixelAt(x, 49), FrameColour(x / 100)) << x;
    }
}

TEST_F(ImageFilesTest, AnimationFramesAreComposedOnTheCanvas) {
    // One full frame, then a small frame over part of it: the second strip cell
    // shows the composed canvas. A single frame still makes a strip of one.
    std::vector<Frame> frames;
    frames.push_back({0, 0, Painted(6, 4, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(x * 16 + y); })});
    frames.push_back({2, 2, Painted(2, 2, [](int32_t, int32_t) { return 0x80FF0000u; })});
    CSprite s;
    ASSERT_TRUE(Decode(s, Animation(6, 4, frames, true)));
    ASSERT_EQ(s.GetWidth(), 12);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const uint32_t first = 0xFF000000u | uint32_t(x * 16 + y);
            EXPECT_EQ(*s.PixelAt(x, y), first);
            const bool covered = x >= 2 && x < 4 && y >= 2;
            EXPECT_EQ(*s.PixelAt(6 + x, y), covered ? 0x80FF0000u : first) << x << "," << y;
        }
    }
    frames.pop_back();
    s.Release();
    ASSERT_TRUE(Decode(s, Animation(6, 4, frames, false)));
    EXPECT_EQ(s.GetWidth(), 6);
    EXPECT_EQ(Pixels(s), Pixels(frames[0].image));
}

TEST_F(ImageFilesTest, AnimationStripWidthDoesNotWrap) {
    // 16384 frames on a canvas 262144 wide: 2^32 pixels of strip, which wraps to 0
    // in 32 bits. The strip is cut at 8192 and only the first frame is decoded.
    std::vector<Frame> frames;
    for (int k = 0; k < 16384; ++k) {
        frames.push_back({0, 0, Painted(1, 1, [](int32_t, int32_t) { return 0xFF112233u; })});
    }
    CSprite s;
    ASSERT_TRUE(Decode(s, Animation(262144, 1, frames, false)));
    EXPECT_EQ(s.GetWidth(), 8192);
    EXPECT_EQ(s.GetHeight(), 1);
    EXPECT_EQ(*s.PixelAt(0, 0), 0xFF112233u);
    // The canvas no frame covers is transparent black, made opaque since the
    // file declares no alpha.
    EXPECT_EQ(*s.PixelAt(8191, 0), 0xFF000000u);
}

TEST_F(ImageFilesTest, AnimationCanvasMustPassTheSizeRule) {
    // A 20000 x 300 canvas: the strip would fit, the canvas does not.
    std::vector<Frame> frames;
    frames.push_back({0, 0, Painted(1, 1, [](int32_t, int32_t) { return 0xFF000000u; })});
    CSprite s;
    EXPECT_FALSE(Decode(s, Animation(20000, 300, frames, false)));
    EXPECT_FALSE(s.HasImage());
}

}  // namespace
