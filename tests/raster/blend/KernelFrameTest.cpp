// The kernel frame: the mixing rule and its byte-parallel and SSE2 forms
// against the rule written channel by channel, stretched sampling, clipping as
// the kernels see it, and the compositing methods.
#include "raster/blend/KernelFrame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

// The mixing rule one channel at a time, as written: (L x (256 - w) + U x w) >> 8.
uint32_t MixByChannel(uint32_t lower, uint32_t upper, uint32_t w) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t l = (lower >> shift) & 0xFF;
        const uint32_t u = (upper >> shift) & 0xFF;
        out |= ((l * (256 - w) + u * w) >> 8) << shift;
    }
    return out;
}

// Source over destination as the union table defines it, channel by channel;
// a is the effective source alpha (sA, or (sA x opacity) >> 8).
uint32_t SourceOverByChannel(uint32_t s, uint32_t d, uint32_t a, bool opaqueShortcut) {
    if (a == 0) return d;
    if (opaqueShortcut && a == 255) return s;
    const uint32_t t = AlphaUnionTable[a * 256 + (d >> 24)];
    const uint32_t w = (t >> 8) + 1;
    return (MixByChannel(d, s, w) & 0x00FFFFFF) | ((t & 0xFF) << 24);
}

class KernelFrameTest : public KernelTest {
protected:
    std::mt19937 rng{7};
};

TEST_F(KernelFrameTest, MixingRuleKnownValues) {
    struct Row {
        const char* name;
        uint32_t lower, upper, w, expected;
    } rows[] = {
        {"weight 256 gives the upper colour", 0x12345678, 0x9ABCDEF0, 256, 0x9ABCDEF0},
        {"weight 0 gives the lower colour", 0x12345678, 0x9ABCDEF0, 0, 0x12345678},
        {"255 over 0 with weight 128 is 127", 0x00000000, 0xFFFFFFFF, 128, 0x7F7F7F7F},
        {"lower 255, upper 0, weight 64 is 191", 0xFFFFFFFF, 0x00000000, 64, 0xBFBFBFBF},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(blend::Mix(r.lower, r.upper, r.w), r.expected) << r.name;
        EXPECT_EQ(MixByChannel(r.lower, r.upper, r.w), r.expected) << r.name;
    }
    EXPECT_EQ(blend::ByteParallelWeight<64>{}(0xFFFFFFFF, 0), 0xBFBFBFBFu);
}

TEST_F(KernelFrameTest, PackedLaneMixEqualsChannelRuleForEveryWeight) {
    for (uint32_t w = 0; w <= 256; ++w)
        for (int i = 0; i < 2000; ++i) {
            const uint32_t l = rng(), u = rng();
            ASSERT_EQ(blend::Mix(l, u, w), MixByChannel(l, u, w)) << std::hex << l << " " << u << " w " << w;
        }
}

// Every pair of bytes in every byte position of the word.
TEST_F(KernelFrameTest, ByteParallelWeightsEqualTheRuleForAllBytePairs) {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t lower = a | (b << 8) | ((255 - a) << 16) | (a << 24);
            const uint32_t upper = b | (a << 8) | ((255 - b) << 16) | (b << 24);
            ASSERT_EQ(blend::ByteParallelWeight<64>{}(lower, upper), MixByChannel(lower, upper, 64)) << a << "," << b;
            ASSERT_EQ(blend::ByteParallelWeight<128>{}(lower, upper), MixByChannel(lower, upper, 128)) << a << "," << b;
            ASSERT_EQ(blend::ByteParallelWeight<192>{}(lower, upper), MixByChannel(lower, upper, 192)) << a << "," << b;
        }
}

// Lays every (source byte, destination byte) pair of 0..255 x 0..255 out in a
// sprite 259 pixels wide (rows are not a multiple of the SSE2 steps), each pair
// `repeat` times in a row, with the pair in the alpha bytes and random colours
// (or, pairInColour, in every byte). Repeated pairs make runs of equal alphas,
// which take the kernels' shortcuts.
void PairSprites(CSprite& source, CSprite& target, std::mt19937& rng, bool pairInColour, int32_t repeat = 1) {
    const int32_t count = 65536 * repeat;
    const int32_t height = (count + 258) / 259;
    Make(source, 259, height);
    Make(target, 259, height);
    for (int32_t i = 0; i < 259 * height; ++i) {
        const uint32_t pair = static_cast<uint32_t>(i / repeat);
        const uint32_t s = i < count ? pair & 0xFF : rng() & 0xFF;
        const uint32_t d = i < count ? pair >> 8 : rng() & 0xFF;
        uint32_t sp = (rng() & 0x00FFFFFF) | (s << 24);
        uint32_t dp = (rng() & 0x00FFFFFF) | (d << 24);
        if (pairInColour) {
            sp = s * 0x01010101u;
            dp = d * 0x01010101u;
        }
        *source.PixelAt(i % 259, i / 259) = sp;
        *target.PixelAt(i % 259, i / 259) = dp;
    }
}

TEST_F(KernelFrameTest, SourceOverRowsEqualTheChannelRuleForAllAlphaPairs) {
    for (int32_t repeat : {1, 8, 5}) {
        for (uint32_t opacity : {255u, 1u, 64u, 128u, 200u, 254u}) {
            CSprite source, target;
            PairSprites(source, target, rng, false, repeat);
            std::vector<uint32_t> expected = Pixels(target);
            const std::vector<uint32_t> src = Pixels(source);
            for (size_t i = 0; i < expected.size(); ++i) {
                const uint32_t a = opacity == 255 ? src[i] >> 24 : ((src[i] >> 24) * opacity) >> 8;
                expected[i] = SourceOverByChannel(src[i], expected[i], a, opacity == 255);
            }
            target.DrawAlphaOpacity(0, 0, source, 0, 0, source.GetWidth(), source.GetHeight(),
                                    static_cast<uint8_t>(opacity));
            ASSERT_EQ(Pixels(target), expected) << "opacity " << opacity << " repeat " << repeat;
        }
    }
}

// Opaque and transparent canvases under sources whose alphas are often 0 and
// 255 (runs of them included): every shortcut of the source-over rows meets
// every kind of source pixel.
TEST_F(KernelFrameTest, SourceOverRowsOnOpaqueAndTransparentCanvases) {
    for (uint32_t canvas : {255u, 0u, 1u}) {
        for (uint32_t opacity : {255u, 77u}) {
            CSprite source, target;
            Make(source, 203, 40);
            Make(target, 203, 40);
            for (int32_t y = 0; y < 40; ++y)
                for (int32_t x = 0; x < 203; ++x) {
                    // Runs of 1 to 12 pixels with one alpha kind.
                    const uint32_t p = RandomPixel(rng);
                    *source.PixelAt(x, y) = (x / (1 + y % 12)) % 3 == 0 ? (p | 0xFF000000u) : p;
                    const uint32_t da = canvas == 1 ? ((x / 8) % 2) * 255 : canvas;
                    *target.PixelAt(x, y) = (rng() & 0x00FFFFFF) | (da << 24);
                }
            std::vector<uint32_t> expected = Pixels(target);
            const std::vector<uint32_t> src = Pixels(source);
            for (size_t i = 0; i < expected.size(); ++i) {
                const uint32_t a = opacity == 255 ? src[i] >> 24 : ((src[i] >> 24) * opacity) >> 8;
                expected[i] = SourceOverByChannel(src[i], expected[i], a, opacity == 255);
            }
            target.DrawAlphaOpacity(0, 0, source, 0, 0, 203, 40, static_cast<uint8_t>(opacity));
            ASSERT_EQ(Pixels(target), expected) << "canvas " << canvas << " opacity " << opacity;
        }
    }
}

// The kernels that mix with one weight per call (copy blends, BlendC, LayerC
// with an opacity) give the rule's bytes on their fast weights and the others.
TEST_F(KernelFrameTest, ConstantWeightKernelsEqualTheRuleForAllBytePairs) {
    CSprite source, target;
    PairSprites(source, target, rng, true);
    const std::vector<uint32_t> src = Pixels(source);
    const std::vector<uint32_t> dst = Pixels(target);
    for (uint32_t w : {64u, 128u, 192u, 1u, 100u, 254u}) {
        struct Case {
            const char* name;
            void (*draw)(CSprite&, const CSprite&, uint32_t);
            bool colourOnly, skipTransparent;
        } cases[] = {
            {"DrawCopyOpacity", [](CSprite& t, const CSprite& s, uint32_t w) { t.DrawCopyOpacity(0, 0, s, 0, 0, 259, 254, w); }, false, false},
            {"DrawCopyCOpacity", [](CSprite& t, const CSprite& s, uint32_t w) { t.DrawCopyCOpacity(0, 0, s, 0, 0, 259, 254, w); }, true, false},
            {"DrawBlendC", [](CSprite& t, const CSprite& s, uint32_t w) { t.DrawBlendC(0, 0, s, 0, 0, 259, 254, static_cast<uint8_t>(w)); }, true, false},
            {"DrawLayerCOpacity", [](CSprite& t, const CSprite& s, uint32_t w) { t.DrawLayerCOpacity(0, 0, s, 0, 0, 259, 254, static_cast<uint8_t>(w)); }, true, true},
        };
        for (const auto& c : cases) {
            CSprite t;
            CopyState(target, t);
            c.draw(t, source, w);
            std::vector<uint32_t> expected = dst;
            for (size_t i = 0; i < expected.size(); ++i) {
                if (c.skipTransparent && (src[i] >> 24) == 0) continue;
                const uint32_t m = MixByChannel(dst[i], src[i], w);
                expected[i] = c.colourOnly ? (dst[i] & 0xFF000000) | (m & 0x00FFFFFF) : m;
            }
            ASSERT_EQ(Pixels(t), expected) << c.name << " weight " << w;
        }
    }
}

// A source whose pixel (x, y) holds x | y << 16, so that a drawn pixel tells
// where it was sampled.
void CoordinateSprite(CSprite& s, int32_t w, int32_t h) {
    Make(s, w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *s.PixelAt(x, y) = static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 16);
}

std::vector<uint32_t> SampledColumns(const CSprite& target, int32_t y, int32_t from, int32_t to) {
    std::vector<uint32_t> out;
    for (int32_t x = from; x < to; ++x) out.push_back(*target.PixelAt(x, y) & 0xFFFF);
    return out;
}

TEST_F(KernelFrameTest, StretchedSamplingTakesPixelCentres) {
    CSprite source;
    CoordinateSprite(source, 8, 8);
    CSprite target;
    Make(target, 16, 16);

    // Twice the width samples each column twice.
    target.DrawCopyStretched(0, 0, 16, 8, source, 0, 0, 8, 8);
    EXPECT_EQ(SampledColumns(target, 0, 0, 16),
              (std::vector<uint32_t>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7}));
    // Half the width samples the odd columns: the first sample sits half a step in.
    Fill(target, 0xFFFFFFFF);
    target.DrawCopyStretched(0, 0, 4, 4, source, 0, 0, 8, 8);
    EXPECT_EQ(SampledColumns(target, 0, 0, 4), (std::vector<uint32_t>{1, 3, 5, 7}));
    EXPECT_EQ(*target.PixelAt(0, 1) >> 16, 3u);  // rows likewise
    EXPECT_EQ(*target.PixelAt(4, 0), 0xFFFFFFFFu);

    // Clipped on the left by k columns, the remaining columns sample what the
    // unclipped call samples for them.
    Fill(target, 0);
    target.DrawCopyStretched(0, 0, 13, 5, source, 1, 2, 6, 5);
    const std::vector<uint32_t> whole = SampledColumns(target, 2, 0, 13);
    for (int32_t k = 1; k < 13; ++k) {
        Fill(target, 0xFFFFFFFF);
        target.SetClipRect(k, 0, 16, 16);
        target.DrawCopyStretched(0, 0, 13, 5, source, 1, 2, 6, 5);
        EXPECT_EQ(SampledColumns(target, 2, k, 13), std::vector<uint32_t>(whole.begin() + k, whole.end())) << k;
        EXPECT_EQ(*target.PixelAt(k - 1, 2), 0xFFFFFFFFu);
    }
}

// Positions are 64-bit: a source wider than 32767 pixels (whose width x 65536
// overflows 32 bits) still samples at the right centres.
TEST_F(KernelFrameTest, StretchedSamplingOfAWideSource) {
    CSprite source;
    Make(source, 40000, 1);
    for (int32_t x = 0; x < 40000; ++x) *source.PixelAt(x, 0) = static_cast<uint32_t>(x);
    CSprite target;
    Make(target, 50, 1);
    target.DrawCopyStretched(0, 0, 50, 1, source, 0, 0, 40000, 1);
    for (int32_t j = 0; j < 50; ++j) EXPECT_EQ(*target.PixelAt(j, 0), static_cast<uint32_t>(400 + 800 * j)) << j;

    // And enlarged: 40000 source pixels into 60000 destination pixels.
    CSprite wide;
    Make(wide, 60000, 1);
    wide.DrawCopyStretched(0, 0, 60000, 1, source, 0, 0, 40000, 1);
    const int64_t step = (int64_t{40000} << 16) / 60000;
    for (int32_t j : {0, 1, 2, 29999, 59998, 59999})
        EXPECT_EQ(*wide.PixelAt(j, 0), static_cast<uint32_t>(((step >> 1) + j * step) >> 16)) << j;
}

TEST_F(KernelFrameTest, PlainKernelsDrawTheOverlapOfClippedRectangles) {
    CSprite source;
    CoordinateSprite(source, 6, 5);
    CSprite target;
    Make(target, 10, 10);
    Fill(target, 0xFFFFFFFF);
    // A source rectangle starting 2 left of and 1 above the source sprite draws
    // its overlapping part, shifted by the same amounts.
    target.DrawCopy(3, 3, source, -2, -1, 5, 4);
    EXPECT_EQ(*target.PixelAt(5, 4), 0u);                 // source (0, 0)
    EXPECT_EQ(*target.PixelAt(7, 6), 2u | (2u << 16));    // source (2, 2)
    EXPECT_EQ(*target.PixelAt(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(*target.PixelAt(5, 3), 0xFFFFFFFFu);
    EXPECT_EQ(*target.PixelAt(8, 4), 0xFFFFFFFFu);

    // A destination left of the clip rectangle moves the source corner along.
    Fill(target, 0xFFFFFFFF);
    target.SetClipRect(2, 0, 10, 10);
    target.DrawCopy(0, 0, source, 0, 0, 6, 5);
    EXPECT_EQ(*target.PixelAt(2, 0), 2u);
    EXPECT_EQ(*target.PixelAt(1, 0), 0xFFFFFFFFu);

    // Nothing left (beyond the source, or an empty clip rectangle): nothing changes.
    Fill(target, 0xFFFFFFFF);
    const auto before = Pixels(target);
    target.DrawLayer(2, 0, source, 6, 0, 3, 3);
    target.SetClipRect(0, 0, 0, 0);
    target.DrawCopy(0, 0, source, 0, 0, 6, 5);
    EXPECT_EQ(Pixels(target), before);
}

// The Merge method pre-mixes the blend colour with the source colour by the
// destination's opacity: over alpha 0 it draws the source colour, over 255 the
// blend colour.
struct InvertFormula {
    static uint32_t Blend(uint32_t s, uint32_t /*d*/) { return ~s; }
};

TEST_F(KernelFrameTest, MergeMethodFollowsTheDestinationOpacity) {
    auto draw = [](uint32_t s, uint32_t d, auto op) {
        return OnePixel(s, d, [&](CSprite& t, const CSprite& src) { blend::DrawPlain(t, 0, 0, src, 0, 0, 1, 1, op); });
    };
    using Full = blend::MergeMethod<InvertFormula, blend::Form::Full>;
    using C = blend::MergeMethod<InvertFormula, blend::Form::C>;
    EXPECT_EQ(draw(0x80123456, 0x00ABCDEF, Full{}), 0x80123456u);  // source colour, union alpha 128
    EXPECT_EQ(draw(0xFF123456, 0xFFABCDEF, Full{}), 0xFFEDCBA9u);  // the blend colour
    EXPECT_EQ(draw(0xFF123456, 0x00ABCDEF, C{}), 0x00123456u);
    EXPECT_EQ(draw(0xFF123456, 0xFFABCDEF, C{}), 0xFFEDCBA9u);
    EXPECT_EQ(draw(0x00123456, 0x40ABCDEF, Full{}), 0x40ABCDEFu);  // sA = 0 is skipped
    // With an opacity the effective alpha replaces sA; 0 leaves the pixel.
    EXPECT_EQ(draw(0x01123456, 0x40ABCDEF, blend::MergeMethodOpacity<InvertFormula, blend::Form::Full>{128}),
              0x40ABCDEFu);
    // The Alpha method with the source colour is the Alpha kind.
    EXPECT_EQ(draw(0x80FF0000, 0x800000FF, blend::AlphaMethod<blend::SourceColour, blend::Form::Full>{}),
              0xC0A90055u);
}

}  // namespace
