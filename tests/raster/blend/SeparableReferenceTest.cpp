// The separable blend modes against independent references, over every
// (destination, source) byte pair of opaque pixels:
//   - the blend functions of the W3C Compositing and Blending Level 1
//     recommendation, evaluated in double precision on values / 255;
//   - pixman's PDF separable operators, composited on the same pixels.
// Opaque pixels make the full-form Alpha member write B itself, so the kernel
// result is compared channel by channel with the reference blend value. Our
// modes take full intensity as 256 where the reference takes 255 and truncate
// where it is exact, hence the small tolerances.
#include <gtest/gtest.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "raster/blend/SeparableFormulas.h"
#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

// Pixel (x, y) of the destination holds red x, green 255 - x, blue x; of the
// source red y, green 255 - y, blue 255 - y. Each channel thus meets every one
// of the 65,536 byte pairs exactly once, with different pairs in the three
// channels of a pixel (a mix-up of channels shows).
uint32_t DestinationPixel(uint32_t x) { return 0xFF000000u | (x << 16) | ((255 - x) << 8) | x; }
uint32_t SourcePixel(uint32_t y) { return 0xFF000000u | (y << 16) | ((255 - y) << 8) | (255 - y); }

void MakePairGrid(CSprite& destination, CSprite& source) {
    Make(destination, 256, 256);
    Make(source, 256, 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            *destination.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)) = DestinationPixel(x);
            *source.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)) = SourcePixel(y);
        }
}

// Calls check(d, s, result) for every channel of every pixel of a drawn grid.
template <class Check>
void ForEachPair(const CSprite& drawn, const Check& check) {
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            const uint32_t r = *drawn.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y));
            const uint32_t d = DestinationPixel(x), s = SourcePixel(y);
            for (int shift : {16, 8, 0}) check((d >> shift) & 0xFF, (s >> shift) & 0xFF, (r >> shift) & 0xFF);
        }
}

// W3C blend functions on [0, 1].
double Multiply(double b, double s) { return b * s; }
double ScreenRef(double b, double s) { return b + s - b * s; }
double HardLightRef(double b, double s) { return s <= 0.5 ? Multiply(b, 2 * s) : ScreenRef(b, 2 * s - 1); }
double OverlayRef(double b, double s) { return HardLightRef(s, b); }
double DarkenRef(double b, double s) { return std::min(b, s); }
double LightenRef(double b, double s) { return std::max(b, s); }
double ColorDodgeRef(double b, double s) {
    if (b == 0) return 0;
    if (s == 1) return 1;
    return std::min(1.0, b / (1 - s));
}
double ColorBurnRef(double b, double s) {
    if (b == 1) return 1;
    if (s == 0) return 0;
    return 1 - std::min(1.0, (1 - b) / s);
}
double SoftLightRef(double b, double s) {
    if (s <= 0.5) return b - (1 - 2 * s) * b * (1 - b);
    const double dd = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
    return b + (2 * s - 1) * (dd - b);
}
double DifferenceRef(double b, double s) { return std::fabs(b - s); }
double ExclusionRef(double b, double s) { return b + s - 2 * b * s; }
double LinearBurnRef(double b, double s) { return std::clamp(b + s - 1, 0.0, 1.0); }
double LinearLightRef(double b, double s) { return std::clamp(b + 2 * s - 1, 0.0, 1.0); }

struct ModeCase {
    const char* name;
    blend::PlainFn member;      // full form, Alpha method
    double (*reference)(double backdrop, double source);
    int tolerance;              // against the reference rounded to a byte
    pixman_op_t pixmanOp;       // PIXMAN_OP_CLEAR: pixman has no such operator
    int pixmanTolerance;
};

const std::vector<ModeCase>& Modes() {
    static const std::vector<ModeCase> modes = {
        {"Darken", &CSprite::BlendDarkenAlpha, DarkenRef, 0, PIXMAN_OP_DARKEN, 0},
        {"Lighten", &CSprite::BlendLightenAlpha, LightenRef, 0, PIXMAN_OP_LIGHTEN, 0},
        {"Difference", &CSprite::BlendDifferenceAlpha, DifferenceRef, 0, PIXMAN_OP_DIFFERENCE, 0},
        {"Screen", &CSprite::BlendScreenAlpha, ScreenRef, 1, PIXMAN_OP_SCREEN, 1},
        {"Exclusion", &CSprite::BlendExclusionAlpha, ExclusionRef, 1, PIXMAN_OP_EXCLUSION, 1},
        {"ColorBurn", &CSprite::BlendColorBurnAlpha, ColorBurnRef, 1, PIXMAN_OP_COLOR_BURN, 1},
        {"ColorDodge", &CSprite::BlendColorDodgeAlpha, ColorDodgeRef, 1, PIXMAN_OP_COLOR_DODGE, 1},
        // pixman rounds SoftLight's dark half down where we round up (both within
        // 1 of the exact value), e.g. d = 39, s = 0: exact 5.96, pixman 5, ours 7.
        {"SoftLight", &CSprite::BlendSoftLightAlpha, SoftLightRef, 1, PIXMAN_OP_SOFT_LIGHT, 2},
        {"LinearBurn", &CSprite::BlendLinearBurnAlpha, LinearBurnRef, 1, PIXMAN_OP_CLEAR, 0},
        {"LinearLight", &CSprite::BlendLinearLightAlpha, LinearLightRef, 1, PIXMAN_OP_CLEAR, 0},
        {"Overlay", &CSprite::BlendOverlayAlpha, OverlayRef, 2, PIXMAN_OP_OVERLAY, 2},
        {"HardLight", &CSprite::BlendHardLightAlpha, HardLightRef, 2, PIXMAN_OP_HARD_LIGHT, 2},
    };
    return modes;
}

class SeparableReferenceTest : public KernelTest {};

TEST_F(SeparableReferenceTest, OpaquePairsFollowTheW3CBlendFunctions) {
    for (const ModeCase& mode : Modes()) {
        SCOPED_TRACE(mode.name);
        CSprite destination, source;
        MakePairGrid(destination, source);
        (destination.*mode.member)(0, 0, source, 0, 0, 256, 256);
        int worst = 0;
        uint32_t worstD = 0, worstS = 0;
        ForEachPair(destination, [&](uint32_t d, uint32_t s, uint32_t result) {
            const double expected = 255.0 * mode.reference(d / 255.0, s / 255.0);
            const int off = std::abs(static_cast<int>(result) - static_cast<int>(std::lround(expected)));
            if (off > worst) {
                worst = off;
                worstD = d;
                worstS = s;
            }
        });
        EXPECT_LE(worst, mode.tolerance) << "worst at d " << worstD << ", s " << worstS;
        // Every pixel stays opaque.
        for (uint32_t p : Pixels(destination)) ASSERT_EQ(p >> 24, 0xFFu);
    }
}

// VividLight has no W3C function: it is the burn of d by 2s below s = 128 and
// the dodge of d by 2s - 256 from 128 on, with exact quotients.
TEST_F(SeparableReferenceTest, OpaquePairsFollowTheVividLightQuotients) {
    CSprite destination, source;
    MakePairGrid(destination, source);
    destination.BlendVividLightAlpha(0, 0, source, 0, 0, 256, 256);
    int mismatches = 0;
    ForEachPair(destination, [&](uint32_t d, uint32_t s, uint32_t result) {
        uint32_t expected;
        if (s == 0) {
            expected = d == 255 ? 255 : 0;
        } else if (s < 128) {
            const uint32_t q = 255 * (255 - d) / (2 * s);
            expected = q >= 255 ? 0 : 255 - q;
        } else {
            expected = std::min<uint32_t>(255, 255 * d / (511 - 2 * s));
        }
        if (result != expected && ++mismatches <= 5) ADD_FAILURE() << "d " << d << ", s " << s << ": " << result;
    });
    EXPECT_EQ(mismatches, 0);
}

// pixman's PDF operators on the same opaque pixels: with both alphas 1 their
// result is the blend function itself.
TEST_F(SeparableReferenceTest, OpaquePairsAgreeWithPixmanPdfOperators) {
    for (const ModeCase& mode : Modes()) {
        if (mode.pixmanOp == PIXMAN_OP_CLEAR) continue;
        SCOPED_TRACE(mode.name);
        CSprite destination, source;
        MakePairGrid(destination, source);
        std::vector<uint32_t> dst = Pixels(destination);
        std::vector<uint32_t> src = Pixels(source);
        pixman_image_t* ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, 256, 256, src.data(), 256 * 4);
        pixman_image_t* pd = pixman_image_create_bits(PIXMAN_a8r8g8b8, 256, 256, dst.data(), 256 * 4);
        ASSERT_NE(ps, nullptr);
        ASSERT_NE(pd, nullptr);
        pixman_image_composite32(mode.pixmanOp, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, 256, 256);
        pixman_image_unref(ps);
        pixman_image_unref(pd);

        (destination.*mode.member)(0, 0, source, 0, 0, 256, 256);
        int worst = 0;
        size_t worstAt = 0;
        const std::vector<uint32_t> ours = Pixels(destination);
        for (size_t i = 0; i < ours.size(); ++i) {
            ASSERT_EQ(dst[i] >> 24, 0xFFu);
            for (int shift : {16, 8, 0}) {
                const int off = std::abs(static_cast<int>((ours[i] >> shift) & 0xFF) -
                                         static_cast<int>((dst[i] >> shift) & 0xFF));
                if (off > worst) {
                    worst = off;
                    worstAt = i;
                }
            }
        }
        EXPECT_LE(worst, mode.pixmanTolerance)
            << std::hex << "ours 0x" << ours[worstAt] << ", pixman 0x" << dst[worstAt] << " at pixel " << std::dec
            << worstAt;
    }
}

}  // namespace
