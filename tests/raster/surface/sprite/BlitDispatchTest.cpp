// Draw-mode dispatch: every code against a direct call of the kernel it names,
// mirroring, the high-quality path, empty sources, refused codes and names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using blend_test::CopyState;
using blend_test::Fill;
using blend_test::FillRandom;
using blend_test::Make;
using blend_test::Pixels;

class BlitDispatchTest : public blend_test::KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        raster_test::ResetBlitDispatch();
    }
    void TearDown() override { raster_test::ResetBlitDispatch(); }
};

constexpr uint8_t kOpacity = 100;
constexpr uint32_t kToneColour = 0x80C04020u;
// Red 300 (above 256: counts as 256), green 128, blue 7.
constexpr uint32_t kPacked = (300u << 18) | (128u << 9) | 7u;
constexpr uint32_t kRp = 300, kGp = 128, kBp = 7, kAm = 100;

struct Geometry {
    int32_t dx = 2, dy = 1, sx = 1, sy = 2, w = 9, h = 6;            // one-to-one
    int32_t tdx = 1, tdy = 1, tdw = 13, tdh = 9, tsw = 7, tsh = 8;  // stretched (same sx, sy)
};

using KernelCall = std::function<void(CSprite&, const CSprite&, const Geometry&)>;

struct Row {
    uint32_t number;
    KernelCall plain;
    KernelCall stretched;
};

#define PR g.dx, g.dy, s, g.sx, g.sy, g.w, g.h
#define SR g.tdx, g.tdy, g.tdw, g.tdh, s, g.sx, g.sy, g.tsw, g.tsh
#define TONE kToneColour, kRp, kGp, kBp, kAm
#define ROW(number, plainCall, stretchedCall)                                                              \
    Row {                                                                                                  \
        number, [](CSprite& d, [[maybe_unused]] const CSprite& s, const Geometry& g) { d.plainCall; }, \
            [](CSprite& d, [[maybe_unused]] const CSprite& s, const Geometry& g) { d.stretchedCall; } \
    }

// The table of the mode codes, written out from the list of modes: plain and
// stretched kernel of every number, with their extra arguments.
std::vector<Row> ModeTable() {
    using namespace draw_mode;
    return {
        ROW(kCopy, DrawCopy(PR), DrawCopyStretched(SR)),
        ROW(kAlpha, DrawAlphaC(PR), DrawAlphaCStretched(SR)),
        ROW(kBlend, DrawBlendC(PR, kOpacity), DrawBlendCStretched(SR, kOpacity)),
        ROW(kLayer, DrawLayerC(PR), DrawLayerCStretched(SR)),
        ROW(kLayerBlend, DrawLayerCOpacity(PR, kOpacity), DrawLayerCStretchedOpacity(SR, kOpacity)),
        ROW(kAlphaBlend, DrawAlphaCOpacity(PR, kOpacity), DrawAlphaCStretchedOpacity(SR, kOpacity)),
        ROW(kMixAlpha, DrawAlpha(PR), DrawAlphaStretched(SR)),
        ROW(kMixBlend, DrawBlend(PR, kOpacity), DrawBlendStretched(SR, kOpacity)),
        ROW(kMixLayer, DrawLayer(PR), DrawLayerStretched(SR)),
        ROW(kMixLayerBlend, DrawLayerOpacity(PR, kOpacity), DrawLayerStretchedOpacity(SR, kOpacity)),
        ROW(kMixAlphaBlend, DrawAlphaOpacity(PR, kOpacity), DrawAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kCopyA, DrawCopyA(PR), DrawCopyAStretched(SR)),
        ROW(kMulA, BlendMulA(PR), BlendMulAStretched(SR)),
        ROW(kAddA, BlendAddA(PR), BlendAddAStretched(SR)),
        ROW(kSubA, BlendSubA(PR), BlendSubAStretched(SR)),
        ROW(kFillA, FillRectA(g.dx, g.dy, g.w, g.h, kOpacity), FillRectA(g.tdx, g.tdy, g.tdw, g.tdh, kOpacity)),
        ROW(kBlendAlpha, ScaleAlpha(g.dx, g.dy, g.w, g.h, kOpacity),
            ScaleAlpha(g.tdx, g.tdy, g.tdw, g.tdh, kOpacity)),
        ROW(kCopyTone, DrawCopyTone(PR, TONE), DrawCopyToneStretched(SR, TONE)),
        ROW(kTone, DrawBlendToneC(PR, TONE), DrawBlendToneCStretched(SR, TONE)),
        ROW(kAlphaTone, DrawAlphaToneC(PR, TONE), DrawAlphaToneCStretched(SR, TONE)),
        ROW(kLayerTone, DrawLayerToneC(PR, TONE), DrawLayerToneCStretched(SR, TONE)),
        ROW(kMixTone, DrawBlendTone(PR, TONE), DrawBlendToneStretched(SR, TONE)),
        ROW(kMixAlphaTone, DrawAlphaTone(PR, TONE), DrawAlphaToneStretched(SR, TONE)),
        ROW(kMixLayerTone, DrawLayerTone(PR, TONE), DrawLayerToneStretched(SR, TONE)),
        ROW(kMulC, BlendMulCImmediate(PR), BlendMulCImmediateStretched(SR)),
        ROW(kAddC, BlendAddCImmediate(PR), BlendAddCImmediateStretched(SR)),
        ROW(kSubC, BlendSubCImmediate(PR), BlendSubCImmediateStretched(SR)),
        ROW(kScreen, BlendScreenCAlpha(PR), BlendScreenCAlphaStretched(SR)),
        ROW(kOverlay, BlendOverlayCAlpha(PR), BlendOverlayCAlphaStretched(SR)),
        ROW(kHardLight, BlendHardLightCAlpha(PR), BlendHardLightCAlphaStretched(SR)),
        ROW(kMul, BlendMulImmediate(PR), BlendMulImmediateStretched(SR)),
        ROW(kAdd, BlendAddImmediate(PR), BlendAddImmediateStretched(SR)),
        ROW(kSub, BlendSubImmediate(PR), BlendSubImmediateStretched(SR)),
        ROW(kMixScreen, BlendScreenAlpha(PR), BlendScreenAlphaStretched(SR)),
        ROW(kMixOverlay, BlendOverlayAlpha(PR), BlendOverlayAlphaStretched(SR)),
        ROW(kMixHardLight, BlendHardLightAlpha(PR), BlendHardLightAlphaStretched(SR)),
        ROW(kScreenBlend, BlendScreenCAlphaOpacity(PR, kOpacity), BlendScreenCAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kOverlayBlend, BlendOverlayCAlphaOpacity(PR, kOpacity),
            BlendOverlayCAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kHardLightBlend, BlendHardLightCAlphaOpacity(PR, kOpacity),
            BlendHardLightCAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kMixScreenBlend, BlendScreenAlphaOpacity(PR, kOpacity), BlendScreenAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kMixOverlayBlend, BlendOverlayAlphaOpacity(PR, kOpacity),
            BlendOverlayAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kMixHardLightBlend, BlendHardLightAlphaOpacity(PR, kOpacity),
            BlendHardLightAlphaStretchedOpacity(SR, kOpacity)),
        ROW(kMulBlendC, BlendMulCImmediateOpacity(PR, kOpacity), BlendMulCImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kAddBlendC, BlendAddCImmediateOpacity(PR, kOpacity), BlendAddCImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kSubBlendC, BlendSubCImmediateOpacity(PR, kOpacity), BlendSubCImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kMulBlend, BlendMulImmediateOpacity(PR, kOpacity), BlendMulImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kAddBlend, BlendAddImmediateOpacity(PR, kOpacity), BlendAddImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kSubBlend, BlendSubImmediateOpacity(PR, kOpacity), BlendSubImmediateStretchedOpacity(SR, kOpacity)),
        ROW(kMixBack, DrawBack(PR), DrawBackStretched(SR)),
        ROW(kMixBackBlend, DrawBackOpacity(PR, kOpacity), DrawBackStretchedOpacity(SR, kOpacity)),
        ROW(kBack, DrawBackC(PR), DrawBackCStretched(SR)),
        ROW(kBackBlend, DrawBackCOpacity(PR, kOpacity), DrawBackCStretchedOpacity(SR, kOpacity)),
        ROW(kMixBackTone, DrawBackTone(PR, TONE), DrawBackToneStretched(SR, TONE)),
        ROW(kBackTone, DrawBackToneC(PR, TONE), DrawBackToneCStretched(SR, TONE)),
        ROW(kCopyC, DrawCopyC(PR), DrawCopyCStretched(SR)),
    };
}

#undef PR
#undef SR
#undef TONE
#undef ROW

struct Scene {
    CSprite source, destination;
};

void MakeScene(Scene& scene, uint32_t seed) {
    std::mt19937 rng(seed);
    Make(scene.source, 14, 12);
    Make(scene.destination, 16, 12);
    FillRandom(scene.source, rng);
    FillRandom(scene.destination, rng);
}

TEST_F(BlitDispatchTest, EveryCodeRunsItsTableKernel) {
    const std::vector<Row> table = ModeTable();
    ASSERT_EQ(table.size(), 55u);
    const Geometry g;
    for (size_t i = 0; i < table.size(); ++i) {
        const Row& row = table[i];
        ASSERT_EQ(row.number, i + 1) << "the table lists every number once, in order";
        const uint32_t code = draw_mode::Code(row.number);
        SCOPED_TRACE(DrawModeName(code));
        Scene scene;
        MakeScene(scene, 1000 + row.number);
        const std::vector<uint32_t> before = Pixels(scene.destination);

        // One-to-one; the high-quality bit is ignored there.
        for (uint32_t variant : {code, code | draw_mode::kHighQuality}) {
            CSprite viaDispatch, direct;
            CopyState(scene.destination, viaDispatch);
            CopyState(scene.destination, direct);
            viaDispatch.BlitByMode(g.dx, g.dy, scene.source, g.sx, g.sy, g.w, g.h, variant, kOpacity, kToneColour,
                                   kPacked);
            row.plain(direct, scene.source, g);
            EXPECT_EQ(Pixels(viaDispatch), Pixels(direct)) << "plain, code " << std::hex << variant;
            EXPECT_NE(Pixels(direct), before) << "the case must show the kernel";
        }
        // Stretched.
        {
            CSprite viaDispatch, direct;
            CopyState(scene.destination, viaDispatch);
            CopyState(scene.destination, direct);
            viaDispatch.BlitByModeStretched(g.tdx, g.tdy, g.tdw, g.tdh, scene.source, g.sx, g.sy, g.tsw, g.tsh, code,
                                            kOpacity, kToneColour, kPacked);
            row.stretched(direct, scene.source, g);
            EXPECT_EQ(Pixels(viaDispatch), Pixels(direct)) << "stretched";
            EXPECT_NE(Pixels(direct), before);
        }
    }
}

TEST_F(BlitDispatchTest, MirroredOneToOneDrawShowsTheMirroredSourceWindow) {
    // A 10 x 1 source 0..9 drawn at -3 with a horizontal mirror: the clipped
    // destination columns 0..6 show what a full mirrored draw puts there.
    CSprite source, destination;
    Make(source, 10, 1);
    Make(destination, 10, 1);
    for (int32_t x = 0; x < 10; ++x) *source.PixelAt(x, 0) = 0xFF000000u | static_cast<uint32_t>(x);
    Fill(destination, 0xAAAAAAAAu);
    destination.BlitByMode(-3, 0, source, 0, 0, 10, 1, 0x74000001u, 255, 0, 0);
    const std::vector<uint32_t> expected = {0xFF000006u, 0xFF000005u, 0xFF000004u, 0xFF000003u, 0xFF000002u,
                                            0xFF000001u, 0xFF000000u, 0xAAAAAAAAu, 0xAAAAAAAAu, 0xAAAAAAAAu};
    EXPECT_EQ(Pixels(destination), expected);
}

// Reference for a mirrored draw: the unmirrored draw into a scratch copy whose
// rectangle is then mirrored by hand; pixels outside the rectangle untouched.
TEST_F(BlitDispatchTest, MirrorTypesMatchAHandMirroredDraw) {
    const Geometry g;
    for (uint32_t type = 1; type <= 3; ++type) {
        for (uint32_t number : {draw_mode::kCopy, draw_mode::kMixAlpha, draw_mode::kMixBlend}) {
            SCOPED_TRACE(testing::Message() << "type " << type << " mode " << number);
            Scene scene;
            MakeScene(scene, 7 * type + number);
            // The whole rectangle lies inside both sprites, so the mirrored
            // source window is the caller's window.
            CSprite mirrored, reference;
            CopyState(scene.destination, mirrored);
            mirrored.BlitByMode(g.dx, g.dy, scene.source, g.sx, g.sy, g.w, g.h,
                                draw_mode::Code(number) | (type << 26), kOpacity, 0, 0);
            // Reference: mirror the destination rectangle by hand, draw, mirror back.
            CopyState(scene.destination, reference);
            auto flip = [&](CSprite& sp) {
                std::vector<uint32_t> block;
                for (int32_t y = 0; y < g.h; ++y)
                    for (int32_t x = 0; x < g.w; ++x) block.push_back(*sp.PixelAt(g.dx + x, g.dy + y));
                for (int32_t y = 0; y < g.h; ++y)
                    for (int32_t x = 0; x < g.w; ++x) {
                        const int32_t fx = (type & 1) ? g.w - 1 - x : x;
                        const int32_t fy = (type & 2) ? g.h - 1 - y : y;
                        *sp.PixelAt(g.dx + x, g.dy + y) = block[static_cast<size_t>(fy * g.w + fx)];
                    }
            };
            flip(reference);
            reference.BlitByMode(g.dx, g.dy, scene.source, g.sx, g.sy, g.w, g.h, draw_mode::Code(number), kOpacity,
                                 0, 0);
            flip(reference);
            EXPECT_EQ(Pixels(mirrored), Pixels(reference));
        }
    }
}

TEST_F(BlitDispatchTest, MirroredMagnifiedStretchedDrawIsNotCutShort) {
    // 4 x 1 source magnified to 8 x 1 with a horizontal mirror: the whole
    // destination shows the reversed magnified source.
    CSprite source, plain, mirrored;
    Make(source, 4, 1);
    for (int32_t x = 0; x < 4; ++x) *source.PixelAt(x, 0) = 0xFF000010u + static_cast<uint32_t>(x);
    Make(plain, 8, 1);
    Make(mirrored, 8, 1);
    Fill(plain, 0);
    Fill(mirrored, 0);
    plain.BlitByModeStretched(0, 0, 8, 1, source, 0, 0, 4, 1, 0x70000001u, 255, 0, 0);
    mirrored.BlitByModeStretched(0, 0, 8, 1, source, 0, 0, 4, 1, 0x74000001u, 255, 0, 0);
    std::vector<uint32_t> expected = Pixels(plain);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Pixels(mirrored), expected);
    EXPECT_EQ(expected.front(), 0xFF000013u);

    // With the clip rectangle ending at column 6, the six visible columns are
    // those of the full mirrored draw and column 6.. stays as it was.
    Fill(mirrored, 0x11111111u);
    mirrored.SetClipRect(0, 0, 6, 1);
    mirrored.BlitByModeStretched(0, 0, 8, 1, source, 0, 0, 4, 1, 0x74000001u, 255, 0, 0);
    std::vector<uint32_t> clipped(expected.begin(), expected.begin() + 6);
    clipped.push_back(0x11111111u);
    clipped.push_back(0x11111111u);
    EXPECT_EQ(Pixels(mirrored), clipped);
}

TEST_F(BlitDispatchTest, MaskAwareKernelsAreChosenAsTheModesSay) {
    // A stale mask shows which kernel ran: the mask says "opaque" for blocks
    // that are now transparent, so the block-mask kernel copies them while the
    // plain kernels skip them.
    CSprite source;
    Make(source, 16, 8);
    Fill(source, 0xFF336699u);
    source.BuildOpacityMask();
    ASSERT_NE(source.GetOpacityMask(), nullptr);
    Fill(source, 0x00112233u);
    struct Case {
        uint32_t code;
        uint8_t opacity;
        bool masked;
    };
    const Case cases[] = {
        {0x70000002u, 100, true},  {0x70000006u, 255, true},  {0x70000006u, 254, false},
        {0x70000007u, 7, true},    {0x7000000Bu, 255, true},  {0x7000000Bu, 128, false},
        {0x70000004u, 0, true},    {0x70000005u, 255, true},  {0x70000005u, 200, false},
        {0x70000009u, 3, true},    {0x7000000Au, 255, true},  {0x7000000Au, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " opacity " << std::dec << int(c.opacity));
        CSprite destination;
        Make(destination, 16, 8);
        Fill(destination, 0xFF000000u);
        destination.BlitByMode(0, 0, source, 0, 0, 16, 8, c.code, c.opacity, 0, 0);
        EXPECT_EQ(*destination.PixelAt(5, 5) != 0xFF000000u, c.masked);
    }
    // The ready-guarded whole and opacity wrappers make the same choice.
    CSprite destination;
    Make(destination, 16, 8);
    Fill(destination, 0xFF000000u);
    destination.DrawAlphaOpacityIfReady(0, 0, source, 0, 0, 16, 8, 254);
    EXPECT_EQ(*destination.PixelAt(5, 5), 0xFF000000u);
    destination.DrawAlphaOpacityIfReady(0, 0, source, 0, 0, 16, 8, 255);
    EXPECT_NE(*destination.PixelAt(5, 5), 0xFF000000u);
    Fill(destination, 0xFF000000u);
    destination.DrawAlphaWholeIfReady(0, 0, source);
    EXPECT_NE(*destination.PixelAt(5, 5), 0xFF000000u);
}

TEST_F(BlitDispatchTest, RefusedAndNameOnlyCodesDrawNothing) {
    Scene scene;
    MakeScene(scene, 5);
    const std::vector<uint32_t> before = Pixels(scene.destination);
    std::vector<uint32_t> codes = {0x70000000u, 0x70000038u, 0x70000079u, 0x60000001u, 0xF0000001u};
    for (uint32_t n = 0x7A; n <= 0x7F; ++n) codes.push_back(0x70000000u | n);
    for (int bit = 8; bit <= 25; ++bit) codes.push_back(0x70000001u | (1u << bit));
    const size_t plainCount = codes.size();
    for (size_t i = 0; i < plainCount; ++i) codes.push_back(codes[i] | 0x0C000000u);  // mirrored: mirrors twice
    for (uint32_t code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        scene.destination.BlitByMode(1, 1, scene.source, 0, 0, 8, 8, code, 255, 0, 0);
        scene.destination.BlitByModeStretched(1, 1, 9, 7, scene.source, 0, 0, 8, 8, code, 255, 0, 0);
        scene.destination.BlitByModeStretched(1, 1, 9, 7, scene.source, 0, 0, 8, 8, code | 0x80u, 255, 0, 0);
        ASSERT_EQ(Pixels(scene.destination), before);
    }
}

TEST_F(BlitDispatchTest, NothingHappensBeforeTheLibraryIsStarted) {
    Scene scene;
    MakeScene(scene, 9);
    const std::vector<uint32_t> before = Pixels(scene.destination);
    raster_test::ResetRasterLibrary();
    scene.destination.BlitByMode(0, 0, scene.source, 0, 0, 8, 8, 0x7C000001u, 255, 0, 0);
    scene.destination.BlitByModeStretched(0, 0, 9, 9, scene.source, 0, 0, 8, 8, 0x70000081u, 255, 0, 0);
    CSprite empty;
    scene.destination.BlitByModeStretched(0, 0, 9, 9, empty, 0, 0, 8, 8, 0x70000001u, 255, 0, 0);
    DrawSpriteMixAlpha(scene.destination, 0, 0, scene.source, 0, 0, 8, 8);
    scene.destination.DrawCopyCIfReady(0, 0, scene.source);
    InitRasterLibrary(1);
    EXPECT_EQ(Pixels(scene.destination), before);
    EXPECT_FALSE(BlitDispatchContext().ScalingSprite().HasImage());
}

TEST_F(BlitDispatchTest, EmptySourceActsAsTransparent) {
    CSprite empty;
    struct Case {
        uint32_t code;
        uint8_t opacity;
        uint32_t expected;  // from destination 0xC8102030
    };
    const Case cases[] = {
        {0x70000001u, 0, 0x00000000u},                                // COPY: cleared
        {0x70000012u, 0, 0x00000000u},                                // COPYTONE
        {0x7C000001u, 0, 0x00000000u},                                // COPY mirrored: mirror bits ignored
        {0x7000000Cu, 0, 0x00102030u},                                // COPYA: alpha 0
        {0x7000001Fu, 0, 0x00102030u},                                // MUL
        {0x70000010u, 0x40, 0x40102030u},                             // FILLA: the opacity as alpha
        {0x7000002Eu, 64, (((0xC8u * 192) >> 8) << 24) | 0x102030u},  // MULBLEND: x 192/256
        {0x70000011u, 128, (0x64u << 24) | 0x102030u},                // BLENDALPHA: x 128/256
        {0x70000002u, 255, 0xC8102030u},                              // ALPHA: nothing
        {0x70000081u, 255, 0xC8102030u},                              // high quality: nothing
        {0x74000007u, 255, 0xC8102030u},                              // MIXALPHA mirrored: nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        CSprite destination;
        Make(destination, 6, 5);
        Fill(destination, 0xC8102030u);
        destination.BlitByModeStretched(1, 1, 3, 2, empty, 0, 0, 10, 10, c.code, c.opacity, 0, 0);
        EXPECT_EQ(*destination.PixelAt(2, 2), c.expected);
        EXPECT_EQ(*destination.PixelAt(0, 0), 0xC8102030u);
        EXPECT_EQ(*destination.PixelAt(4, 3), 0xC8102030u);
    }
}

TEST_F(BlitDispatchTest, HighQualityAveragesTheFourTimesEnlargedSource) {
    // An 8 x 8 opaque source onto 4 x 4: the 16 x 16 nearest enlargement turns
    // every source pixel into a 2 x 2 block, so each destination pixel is the
    // truncated mean of a 2 x 2 group of source pixels.
    std::mt19937 rng(3);
    CSprite source, destination;
    Make(source, 8, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) *source.PixelAt(x, y) = 0xFF000000u | (rng() & 0xFFFFFFu);
    Make(destination, 6, 6);
    Fill(destination, 0x12345678u);
    destination.BlitByModeStretched(1, 1, 4, 4, source, 0, 0, 8, 8, 0x70000081u, 255, 0, 0);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            uint32_t expected = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                uint32_t sum = 0;
                for (int32_t v = 0; v < 2; ++v)
                    for (int32_t u = 0; u < 2; ++u) sum += (*source.PixelAt(2 * x + u, 2 * y + v) >> shift) & 0xFF;
                expected |= (sum / 4) << shift;
            }
            EXPECT_EQ(*destination.PixelAt(1 + x, 1 + y), expected) << x << "," << y;
        }
    EXPECT_EQ(*destination.PixelAt(0, 0), 0x12345678u);
    EXPECT_EQ(*destination.PixelAt(5, 5), 0x12345678u);

    // Mirrored high quality: the same image turned left-right.
    CSprite mirrored;
    Make(mirrored, 6, 6);
    Fill(mirrored, 0x12345678u);
    mirrored.BlitByModeStretched(1, 1, 4, 4, source, 0, 0, 8, 8, 0x74000081u, 255, 0, 0);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(*mirrored.PixelAt(1 + x, 1 + y), *destination.PixelAt(4 - x, 1 + y));
}

TEST_F(BlitDispatchTest, HighQualitySizeLimitsAndScalingSpriteReuse) {
    CSprite source, destination;
    Make(source, 64, 48);
    Fill(source, 0xFF204080u);
    Make(destination, 2050, 1540);
    Fill(destination, 0u);
    // Too wide, too high, empty: nothing at all.
    destination.BlitByModeStretched(0, 0, 2049, 10, source, 0, 0, 64, 48, 0x70000081u, 255, 0, 0);
    destination.BlitByModeStretched(0, 0, 10, 1537, source, 0, 0, 64, 48, 0x70000081u, 255, 0, 0);
    destination.BlitByModeStretched(0, 0, 0, 10, source, 0, 0, 64, 48, 0x70000081u, 255, 0, 0);
    EXPECT_EQ(*destination.PixelAt(0, 0), 0u);
    EXPECT_FALSE(BlitDispatchContext().ScalingSprite().HasImage());

    // The largest allowed destination is drawn.
    destination.BlitByModeStretched(0, 0, 2048, 1536, source, 0, 0, 64, 48, 0x70000081u, 255, 0, 0);
    EXPECT_EQ(*destination.PixelAt(0, 0), 0xFF204080u);
    EXPECT_EQ(*destination.PixelAt(2047, 1535), 0xFF204080u);
    EXPECT_EQ(*destination.PixelAt(2048, 1535), 0u);
    const CSprite& scaling = BlitDispatchContext().ScalingSprite();
    EXPECT_GE(scaling.GetWidth(), 4 * 2048);
    EXPECT_GE(scaling.GetHeight(), 4 * 1536);
    const uint32_t block = scaling.GetStorageSize();

    // A smaller draw reuses the block.
    destination.BlitByModeStretched(0, 0, 100, 50, source, 0, 0, 64, 48, 0x70000081u, 255, 0, 0);
    EXPECT_EQ(BlitDispatchContext().ScalingSprite().GetStorageSize(), block);
    EXPECT_EQ(BlitDispatchContext().ScalingSprite().GetWidth(), 400);
}

TEST_F(BlitDispatchTest, ToneAmountFollowsTheOpacity) {
    // The strength passed to the tone kernels is opacity + (opacity >> 7).
    Scene scene;
    MakeScene(scene, 11);
    for (uint32_t opacity : {255u, 128u, 127u, 0u}) {
        SCOPED_TRACE(opacity);
        const uint32_t amount = opacity + (opacity >> 7);
        CSprite viaDispatch, direct;
        CopyState(scene.destination, viaDispatch);
        CopyState(scene.destination, direct);
        viaDispatch.BlitByMode(0, 0, scene.source, 0, 0, 10, 10, 0x70000017u, static_cast<uint8_t>(opacity), kToneColour,
                               kPacked);
        direct.DrawAlphaTone(0, 0, scene.source, 0, 0, 10, 10, kToneColour, kRp, kGp, kBp, amount);
        EXPECT_EQ(Pixels(viaDispatch), Pixels(direct));
    }
}

TEST(DrawModeNameTest, NamesOfCodes) {
    struct Case {
        uint32_t code;
        const char* name;
    };
    const Case cases[] = {
        {0x70000001u, "COPY"},
        {0x70000006u, "ALPHABLEND"},
        {0x70000013u, "TONE"},
        {0x7000001Eu, "HARDLIGHT"},
        {0x7000002Au, "MIXHARDLIGHTBLEND"},
        {0x70000030u, "SUBBLEND"},
        {0x70000037u, "COPYC"},
        {0x70000081u, "HQ_COPY"},
        {0x700000B7u, "HQ_COPYC"},
        {0x7000007Au, "EX_MIXRAMATRIX"},
        {0x7000007Fu, "EX_COLORMATRIX"},
        {0x700000FFu, "HQ_EX_COLORMATRIX"},
        {0x70000000u, "???"},
        {0x70000038u, "???"},
        {0x70000079u, "???"},
        {0x74000001u, "???"},
        {0x70000101u, "???"},
        {0x00000001u, "???"},
    };
    for (const Case& c : cases) EXPECT_EQ(DrawModeName(c.code), c.name) << std::hex << c.code;
    int named = 0;
    for (uint32_t n = 1; n <= 0x37; ++n) named += draw_mode::NumberName(n) != nullptr;
    EXPECT_EQ(named, 55);
}

}  // namespace
