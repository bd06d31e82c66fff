#pragma once
// Draw-mode codes: how one sprite is drawn onto another.
//
// A code is 0x70000000 plus: bit 27 vertical mirroring, bit 26 horizontal
// mirroring, bit 7 high quality (stretched draws only), bits 0-6 the mode
// number 0x01..0x37. A code with any of bits 8-25 set draws nothing; the
// numbers 0x7A..0x7F have names but draw nothing either.
#include <cstdint>
#include <string>

#include "raster/surface/sprite/Sprite.h"

namespace draw_mode {

constexpr uint32_t kBase = 0x70000000u;
constexpr uint32_t kMirrorVertical = 0x08000000u;
constexpr uint32_t kMirrorHorizontal = 0x04000000u;
constexpr uint32_t kHighQuality = 0x00000080u;
constexpr uint32_t kNumberMask = 0x0000007Fu;

// Mode numbers (the low 7 bits of a code).
enum Number : uint32_t {
    kCopy = 0x01, kAlpha, kBlend, kLayer, kLayerBlend, kAlphaBlend, kMixAlpha, kMixBlend, kMixLayer,
    kMixLayerBlend, kMixAlphaBlend, kCopyA, kMulA, kAddA, kSubA, kFillA, kBlendAlpha, kCopyTone, kTone,
    kAlphaTone, kLayerTone, kMixTone, kMixAlphaTone, kMixLayerTone, kMulC, kAddC, kSubC, kScreen, kOverlay,
    kHardLight, kMul, kAdd, kSub, kMixScreen, kMixOverlay, kMixHardLight, kScreenBlend, kOverlayBlend,
    kHardLightBlend, kMixScreenBlend, kMixOverlayBlend, kMixHardLightBlend, kMulBlendC, kAddBlendC,
    kSubBlendC, kMulBlend, kAddBlend, kSubBlend, kMixBack, kMixBackBlend, kBack, kBackBlend, kMixBackTone,
    kBackTone, kCopyC,
    kLastDrawing = kCopyC,
    kExMixRaMatrix = 0x7A, kExCopyRaMatrix, kExMixXyMatrix, kExCopyXyMatrix, kExColorExMatrix, kExColorMatrix,
};

// The plain code of a mode number.
constexpr uint32_t Code(uint32_t number) noexcept { return kBase | number; }

// The name of a mode number ("COPY", ..., "EX_COLORMATRIX"), or null.
const char* NumberName(uint32_t number) noexcept;

}  // namespace draw_mode

// Text form of a code: the mode's name, "HQ_" before it for 0x70000080 to
// 0x700000FF, "???" for any code that has no name (mirror bits included).
std::string DrawModeName(uint32_t code);

// Ready-guarded alpha and layer draws that take the block-mask kernel when the
// source carries an opacity mask, else the plain kernel.
void DrawSpriteAlpha(CSprite& destination, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                     int32_t w, int32_t h);
void DrawSpriteLayer(CSprite& destination, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                     int32_t w, int32_t h);
void DrawSpriteMixAlpha(CSprite& destination, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                        int32_t w, int32_t h);
void DrawSpriteMixLayer(CSprite& destination, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                        int32_t w, int32_t h);

// The state of the stretched dispatcher: the scaling sprite of its high-quality
// path, made on first use and kept (its block only grows) until exit or Reset.
class CBlitDispatchContext {
public:
    // The scaling sprite sized for a 4x supersampled draw of w x h pixels
    // (cleared to 0), or null when it cannot be had.
    CSprite* PrepareScalingSprite(int32_t w, int32_t h);
    const CSprite& ScalingSprite() const noexcept { return m_scaling; }
    void Reset() noexcept { m_scaling.Release(); }

private:
    CSprite m_scaling;
};

// The process-wide context used by CSprite::BlitByModeStretched.
CBlitDispatchContext& BlitDispatchContext();

namespace raster_test {
// Releases the scaling sprite, as at program start.
void ResetBlitDispatch();
}  // namespace raster_test
