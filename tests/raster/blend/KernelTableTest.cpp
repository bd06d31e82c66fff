// Walks the member tables of the kernel families and checks what every member
// of a shape owes: writing only inside its clipped rectangle, keeping the bytes
// its form does not own, the opacity endpoints, and equality with its twin
// (stretched at scale 1, masked, from an indexed source).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;
using blend::Form;
using blend::KernelEntry;
using blend::Shape;

// Stretched members that by their own rule are not their plain twin at scale 1.
bool HasNoPlainTwin(const KernelEntry& e) {
    // Its alpha uses 257 x dA where the plain member uses 257 x dA + 1.
    return std::string(e.name) == "BlendMulAlphaStretchedOpacity";
}

class KernelTableTest : public KernelTest {
protected:
    std::mt19937 rng{20240611};

    int32_t Range(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1)); }

    // Random corners (often outside either sprite), sizes (sometimes empty or
    // negative) and a random clip rectangle on the destination.
    CallArgs RandomArgs(const KernelEntry& e, CSprite& target, const CSprite& source) {
        CallArgs a;
        a.dx = Range(-8, target.GetWidth() + 4);
        a.dy = Range(-8, target.GetHeight() + 4);
        a.sx = Range(-6, source.GetWidth() + 2);
        a.sy = Range(-6, source.GetHeight() + 2);
        a.sw = Range(-2, source.GetWidth() + 8);
        a.sh = Range(-2, source.GetHeight() + 8);
        a.dw = IsStretched(e.shape) ? Range(-2, 3 * target.GetWidth() / 2) : 0;
        a.dh = IsStretched(e.shape) ? Range(-2, 3 * target.GetHeight() / 2) : 0;
        a.level = Range(1, 254);
        a.tone = rng();
        a.rp = Range(0, 256);
        a.gp = Range(0, 256);
        a.bp = Range(0, 256);
        a.am = Range(1, 256);
        const int32_t left = Range(-2, target.GetWidth() / 2);
        const int32_t top = Range(-2, target.GetHeight() / 2);
        target.SetClipRect(left, top, Range(left, target.GetWidth() + 2), Range(top, target.GetHeight() + 2));
        return a;
    }

    // The destination rectangle the clip routines leave for these arguments.
    static void ClippedRect(const KernelEntry& e, const CSprite& target, const CSprite& source, const CallArgs& a,
                            int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
        x = a.dx;
        y = a.dy;
        int32_t sx = a.sx, sy = a.sy, sw = a.sw, sh = a.sh;
        if (IsStretched(e.shape)) {
            int32_t dw = a.dw, dh = a.dh;
            int64_t stepX, stepY, startX, startY;
            target.ClipBlitStretched(x, y, dw, dh, stepX, stepY, startX, startY, source, sx, sy, sw, sh);
            const bool draws = dw > 0 && dh > 0 && sw > 0 && sh > 0;
            w = draws ? dw : 0;
            h = draws ? dh : 0;
        } else if (e.shape == Shape::FromIndexed) {
            target.ClipBlitIndexed(x, y, source, sx, sy, sw, sh);
            w = sw;
            h = sh;
        } else {
            target.ClipBlit(x, y, source, sx, sy, sw, sh);
            w = sw;
            h = sh;
        }
    }

    // A source the shape can read: an indexed sprite for FromIndexed members,
    // a sprite with a current block mask for Masked members.
    void MakeSource(const KernelEntry& e, TestSprite& source) {
        if (e.shape == Shape::FromIndexed) {
            Make(source, 7, 12);  // 1 bit per pixel: 7 words = 224 pixels, 11 index rows
            FillRandom(source, rng);
            source.SetDepthCode(1);
            return;
        }
        Make(source, 37, 22);
        FillRandomBlocks(source);
        if (e.shape == Shape::Masked) source.BuildOpacityMask();
    }

    // One random draw: a source the member can read, a random 29 x 19
    // destination with a random clip rectangle, and random arguments.
    struct Trial {
        TestSprite source;
        CSprite target;
        CallArgs a;
    };
    void NewTrial(const KernelEntry& e, Trial& t) {
        MakeSource(e, t.source);
        Make(t.target, 29, 19);
        FillRandom(t.target, rng);
        t.a = RandomArgs(e, t.target, t.source);
    }

    // Draws `e` on target and `twin` on a copy of it; both must leave the
    // same pixels.
    static ::testing::AssertionResult DrawsLikeTwin(const KernelEntry& e, CSprite& target, const CSprite& source,
                                                    const CallArgs& a, const KernelEntry& twin,
                                                    const CSprite& twinSource, const CallArgs& twinArgs) {
        CSprite expected;
        CopyState(target, expected);
        Call(twin, expected, twinSource, twinArgs);
        Call(e, target, source, a);
        const std::vector<uint32_t> got = Pixels(target), want = Pixels(expected);
        for (size_t i = 0; i < got.size(); ++i)
            if (got[i] != want[i])
                return ::testing::AssertionFailure()
                       << "pixel " << i << ": 0x" << std::hex << got[i] << ", twin 0x" << want[i];
        return ::testing::AssertionSuccess();
    }

    // Pixels in 4 x 4 blocks that are opaque, transparent or mixed, so that a
    // mask built from them marks every kind of block.
    void FillRandomBlocks(CSprite& sprite) {
        for (int32_t by = 0; by < sprite.GetHeight(); by += 4)
            for (int32_t bx = 0; bx < sprite.GetWidth(); bx += 4) {
                const uint32_t kind = rng() % 3;
                for (int32_t y = by; y < std::min(by + 4, sprite.GetHeight()); ++y)
                    for (int32_t x = bx; x < std::min(bx + 4, sprite.GetWidth()); ++x) {
                        const uint32_t p = RandomPixel(rng);
                        *sprite.PixelAt(x, y) = kind == 0 ? (p | 0xFF000000u) : kind == 1 ? (p & 0x00FFFFFFu) : p;
                    }
            }
    }
};

TEST_F(KernelTableTest, EntriesAreWellFormedAndTwinsExist) {
    std::set<std::string> names;
    for (const auto& e : AllKernels()) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(names.insert(e.name).second) << "listed twice";
        switch (e.shape) {
            case Shape::Plain:
            case Shape::Masked:
            case Shape::FromIndexed: EXPECT_TRUE(std::holds_alternative<blend::PlainFn>(e.fn)); break;
            case Shape::PlainOpacity: EXPECT_TRUE(std::holds_alternative<blend::PlainOpacityFn>(e.fn)); break;
            case Shape::PlainLevel: EXPECT_TRUE(std::holds_alternative<blend::PlainLevelFn>(e.fn)); break;
            case Shape::PlainTone: EXPECT_TRUE(std::holds_alternative<blend::PlainToneFn>(e.fn)); break;
            case Shape::Stretched: EXPECT_TRUE(std::holds_alternative<blend::StretchedFn>(e.fn)); break;
            case Shape::StretchedOpacity: EXPECT_TRUE(std::holds_alternative<blend::StretchedOpacityFn>(e.fn)); break;
            case Shape::StretchedLevel: EXPECT_TRUE(std::holds_alternative<blend::StretchedLevelFn>(e.fn)); break;
            case Shape::StretchedTone: EXPECT_TRUE(std::holds_alternative<blend::StretchedToneFn>(e.fn)); break;
        }
        const bool needsPlainTwin =
            (IsStretched(e.shape) && !HasNoPlainTwin(e)) || e.shape == Shape::Masked || e.shape == Shape::FromIndexed;
        EXPECT_EQ(e.plainTwin != nullptr, needsPlainTwin);
        if (e.plainTwin) {
            const KernelEntry* twin = FindKernel(e.plainTwin);
            ASSERT_NE(twin, nullptr) << e.plainTwin;
            EXPECT_FALSE(IsStretched(twin->shape));
            EXPECT_EQ(twin->form, e.form);
        }
        if (e.fullTwin) {
            const KernelEntry* twin = FindKernel(e.fullTwin);
            ASSERT_NE(twin, nullptr) << e.fullTwin;
            EXPECT_EQ(IsStretched(twin->shape), IsStretched(e.shape));
            EXPECT_TRUE(twin->shape == Shape::Plain || twin->shape == Shape::Stretched);
        }
    }
}

// Only destination pixels inside the clipped rectangle change; C members keep
// every alpha byte, A members every colour byte; the source is not touched.
TEST_F(KernelTableTest, EveryMemberWritesOnlyItsClippedRectangleAndItsForm) {
    for (const auto& e : AllKernels()) {
        SCOPED_TRACE(e.name);
        for (int trial = 0; trial < 60; ++trial) {
            Trial draw;
            NewTrial(e, draw);
            auto& [source, target, a] = draw;
            int32_t x, y, w, h;
            ClippedRect(e, target, source, a, x, y, w, h);
            const std::vector<uint32_t> before = Pixels(target);
            const std::vector<uint32_t> sourceBefore = Pixels(source);
            Call(e, target, source, a);
            const std::vector<uint32_t> after = Pixels(target);
            EXPECT_EQ(Pixels(source), sourceBefore);
            for (int32_t py = 0; py < target.GetHeight(); ++py)
                for (int32_t px = 0; px < target.GetWidth(); ++px) {
                    const size_t i = static_cast<size_t>(py) * target.GetWidth() + px;
                    const bool inside = px >= x && px < x + w && py >= y && py < y + h;
                    if (!inside) {
                        ASSERT_EQ(after[i], before[i]) << "outside at " << px << "," << py;
                    }
                    if (e.form == Form::C) {
                        ASSERT_EQ(after[i] >> 24, before[i] >> 24) << px << "," << py;
                    }
                    if (e.form == Form::A) {
                        ASSERT_EQ(after[i] & 0xFFFFFF, before[i] & 0xFFFFFF) << px << "," << py;
                    }
                }
        }
    }
}

// Opacity 0 draws nothing and 255 runs the full-opacity member; a level reads
// 32 bits (255 and above copy, while the library is ready).
TEST_F(KernelTableTest, OpacityAndLevelEndpoints) {
    for (const auto& e : AllKernels()) {
        const bool opacity = e.shape == Shape::PlainOpacity || e.shape == Shape::StretchedOpacity;
        const bool level = e.shape == Shape::PlainLevel || e.shape == Shape::StretchedLevel;
        if (!opacity && !level) continue;
        SCOPED_TRACE(e.name);
        for (int trial = 0; trial < 30; ++trial) {
            Trial draw;
            NewTrial(e, draw);
            auto& [source, target, a] = draw;
            const std::vector<uint32_t> before = Pixels(target);

            a.level = 0;
            Call(e, target, source, a);
            ASSERT_EQ(Pixels(target), before) << "level 0";

            if (!e.fullTwin) continue;
            CSprite expected;
            CopyState(target, expected);
            CallArgs full = a;
            Call(*FindKernel(e.fullTwin), expected, source, full);
            for (uint32_t top : level ? std::vector<uint32_t>{255, 256, 300, 0xFFFFFFFFu} : std::vector<uint32_t>{255}) {
                CSprite actual;
                CopyState(target, actual);
                a.level = top;
                Call(e, actual, source, a);
                ASSERT_EQ(Pixels(actual), Pixels(expected)) << "level " << top;
            }
            if (level) {  // the copy at 255 and above waits for the library
                raster_test::ResetRasterLibrary();
                a.level = 255;
                Call(e, target, source, a);
                InitRasterLibrary(1);
                ASSERT_EQ(Pixels(target), before) << "not ready";
            }
        }
    }
}

// Drawn at scale 1 (dw = sw, dh = sh), a stretched member gives exactly the
// pixels of its plain twin, clipping included; at scale 2 each source pixel
// covers a 2 x 2 block of the twin's result drawn from a doubled source.
TEST_F(KernelTableTest, StretchedMembersFollowTheirPlainTwins) {
    for (const auto& e : AllKernels()) {
        if (!IsStretched(e.shape) || HasNoPlainTwin(e)) continue;
        SCOPED_TRACE(e.name);
        const KernelEntry& twin = *FindKernel(e.plainTwin);
        for (int trial = 0; trial < 40; ++trial) {
            Trial draw;
            NewTrial(e, draw);
            auto& [source, target, a] = draw;
            a.dw = a.sw;
            a.dh = a.sh;
            ASSERT_TRUE(DrawsLikeTwin(e, target, source, a, twin, source, a)) << "trial " << trial;
        }
        // Doubling: source 6 x 5 onto 12 x 10 equals the plain twin with a
        // source whose pixels are repeated.
        CSprite small, doubled, target;
        Make(small, 6, 5);
        FillRandom(small, rng);
        Make(doubled, 12, 10);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x) *doubled.PixelAt(x, y) = *small.PixelAt(x / 2, y / 2);
        Make(target, 12, 10);
        FillRandom(target, rng);
        CallArgs a;
        a.dw = 12;
        a.dh = 10;
        a.sw = 6;
        a.sh = 5;
        a.level = 100;
        a.rp = a.gp = a.bp = 200;
        a.tone = 0x80402010u;
        a.am = 180;
        CallArgs b = a;
        b.sw = 12;
        b.sh = 10;
        ASSERT_TRUE(DrawsLikeTwin(e, target, small, a, twin, doubled, b)) << "scale 2";
    }
}

// With a current mask, a masked member writes exactly its twin's pixels for
// every position, size and clip rectangle.
TEST_F(KernelTableTest, MaskedMembersEqualTheirTwins) {
    for (const auto& e : AllKernels()) {
        if (e.shape != Shape::Masked) continue;
        SCOPED_TRACE(e.name);
        const KernelEntry& twin = *FindKernel(e.plainTwin);
        for (int trial = 0; trial < 400; ++trial) {
            TestSprite source;
            Make(source, Range(1, 70), Range(1, 40));
            FillRandomBlocks(source);
            source.BuildOpacityMask();
            ASSERT_NE(source.GetOpacityMask(), nullptr);
            CSprite target;
            Make(target, 80, 48);
            FillRandom(target, rng);
            CallArgs a = RandomArgs(e, target, source);
            if (trial % 2 == 0) {  // whole groups more often than chance gives
                a.sx = 16 * Range(0, 2) + Range(0, 1) * Range(0, 15);
                a.sy = 4 * Range(0, 5);
                a.sw = Range(10, 70);
                a.sh = Range(2, 40);
                target.SetClipRect(0, 0, 80, 48);
            }
            ASSERT_TRUE(DrawsLikeTwin(e, target, source, a, twin, source, a)) << "trial " << trial;
        }
    }
}

// An indexed source draws like an ordinary sprite holding the palette colours
// its indices select, for every depth code.
TEST_F(KernelTableTest, FromIndexedMembersEqualTwinsOnTheExpandedSource) {
    const int32_t bitsOf[5] = {0, 1, 2, 4, 8};
    const int32_t minWords[5] = {0, 6, 8, 20, 260};
    for (const auto& e : AllKernels()) {
        if (e.shape != Shape::FromIndexed) continue;
        SCOPED_TRACE(e.name);
        const KernelEntry& twin = *FindKernel(e.plainTwin);
        for (uint32_t depth = 1; depth <= 4; ++depth) {
            const int32_t bits = bitsOf[depth];
            const int32_t words = minWords[depth] + 1;
            const int32_t pixelsWide = words * (32 / bits);
            TestSprite indexed;
            Make(indexed, words, 6);
            FillRandom(indexed, rng);
            indexed.SetDepthCode(depth);
            CSprite expanded;
            Make(expanded, pixelsWide, 5);
            for (int32_t y = 0; y < 5; ++y)
                for (int32_t x = 0; x < pixelsWide; ++x) {
                    const uint32_t word = *indexed.PixelAt(x / (32 / bits), y + 1);
                    const uint32_t shift = 32 - bits * (x % (32 / bits) + 1);
                    const uint32_t index = (word >> shift) & ((1u << bits) - 1);
                    *expanded.PixelAt(x, y) = *indexed.PixelAt(4 + static_cast<int32_t>(index), 0);
                }
            for (int trial = 0; trial < 30; ++trial) {
                CSprite target;
                Make(target, 40, 8);
                FillRandom(target, rng);
                CallArgs a;
                a.dx = Range(-5, 30);
                a.dy = Range(-3, 6);
                a.sx = Range(-5, pixelsWide);
                a.sy = Range(-2, 5);
                a.sw = Range(0, 45);
                a.sh = Range(0, 7);
                ASSERT_TRUE(DrawsLikeTwin(e, target, indexed, a, twin, expanded, a))
                    << "depth " << depth << " trial " << trial;
            }
            // An indexed source too narrow for its palette row draws nothing.
            TestSprite narrow;
            Make(narrow, minWords[depth] - 1, 6);
            FillRandom(narrow, rng);
            narrow.SetDepthCode(depth);
            CSprite target;
            Make(target, 40, 8);
            FillRandom(target, rng);
            const auto before = Pixels(target);
            Call(e, target, narrow, CallArgs{0, 0, 0, 0, 0, 0, 20, 4});
            EXPECT_EQ(Pixels(target), before);
        }
        // An ordinary sprite is not an indexed source.
        CSprite plain;
        Make(plain, 300, 6);
        FillRandom(plain, rng);
        CSprite target;
        Make(target, 40, 8);
        const auto before = Pixels(target);
        Call(e, target, plain, CallArgs{0, 0, 0, 0, 0, 0, 20, 4});
        EXPECT_EQ(Pixels(target), before);
    }
}

// Tone amounts are limited to 256 (values negative as signed included); a
// strength of 0 draws nothing except in the tone copy, which writes the tint
// with alpha 0.
TEST_F(KernelTableTest, ToneAmountsAreLimitedAndZeroStrengthDrawsNothing) {
    for (const auto& e : AllKernels()) {
        if (e.shape != Shape::PlainTone && e.shape != Shape::StretchedTone) continue;
        SCOPED_TRACE(e.name);
        const bool isCopy = std::string(e.name).rfind("DrawCopy", 0) == 0;
        for (int trial = 0; trial < 30; ++trial) {
            Trial draw;
            NewTrial(e, draw);
            auto& [source, target, a] = draw;
            a.rp = 256;
            a.gp = Range(0, 256);
            a.bp = 256;
            a.am = 256;
            CSprite expected;
            CopyState(target, expected);
            Call(e, expected, source, a);
            CallArgs over = a;
            over.rp = 300;
            over.bp = 0xFFFFFFFFu;
            over.am = trial % 2 ? 300 : 0x80000000u;
            CSprite actual;
            CopyState(target, actual);
            Call(e, actual, source, over);
            ASSERT_EQ(Pixels(actual), Pixels(expected));

            if (isCopy) continue;
            const auto before = Pixels(target);
            a.am = 0;
            Call(e, target, source, a);
            ASSERT_EQ(Pixels(target), before);
        }
    }
}

}  // namespace
