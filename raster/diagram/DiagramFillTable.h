#pragma once
// The diagram fills by target and anti-alias level, for the callers that pick
// one at run time (the shape builders and the stroke drivers): one table row
// per target, one column per level 0, 1, 2, 4, 8, 16.
#include <cstdint>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace diagram_fill {

using ValueFill = bool (CSprite::*)(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, uint8_t);
using ColourFill = bool (CSprite::*)(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, uint32_t, uint8_t);

// Column of a level in the tables, or -1 for any other number.
constexpr int LevelSlot(int32_t level) noexcept {
    switch (level) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 2;
    case 4: return 3;
    case 8: return 4;
    case 16: return 5;
    default: return -1;
    }
}

inline constexpr ValueFill kMask[6] = {&CSprite::FillDiagramMaskAa0, &CSprite::FillDiagramMaskAa1,
                                       &CSprite::FillDiagramMaskAa2, &CSprite::FillDiagramMaskAa4,
                                       &CSprite::FillDiagramMaskAa8, &CSprite::FillDiagramMaskAa16};
inline constexpr ColourFill kPlain[6] = {&CSprite::FillDiagramAa0, &CSprite::FillDiagramAa1,
                                         &CSprite::FillDiagramAa2, &CSprite::FillDiagramAa4,
                                         &CSprite::FillDiagramAa8, &CSprite::FillDiagramAa16};
inline constexpr ValueFill kAlpha[6] = {&CSprite::FillDiagramAlphaAa0, &CSprite::FillDiagramAlphaAa1,
                                        &CSprite::FillDiagramAlphaAa2, &CSprite::FillDiagramAlphaAa4,
                                        &CSprite::FillDiagramAlphaAa8, &CSprite::FillDiagramAlphaAa16};
inline constexpr ColourFill kColourOnly[6] = {&CSprite::FillDiagramColorAa0, &CSprite::FillDiagramColorAa1,
                                              &CSprite::FillDiagramColorAa2, &CSprite::FillDiagramColorAa4,
                                              &CSprite::FillDiagramColorAa8, &CSprite::FillDiagramColorAa16};

// The table's fill of the level over (x, y, w, h), only while the raster
// library is started; false without drawing for another level or before
// start-up (the fills themselves do not test the ready flag).
inline bool FillAtLevel(const ValueFill (&fills)[6], CSprite& sprite, int32_t level, int32_t x, int32_t y,
                        int32_t w, int32_t h, DiagramInfo& record, uint8_t value) {
    const int slot = LevelSlot(level);
    if (slot < 0 || RasterPixelMode != 1) return false;
    return (sprite.*fills[slot])(x, y, w, h, record, value);
}

inline bool FillAtLevel(const ColourFill (&fills)[6], CSprite& sprite, int32_t level, int32_t x, int32_t y,
                        int32_t w, int32_t h, DiagramInfo& record, uint32_t colour, uint8_t opacity) {
    const int slot = LevelSlot(level);
    if (slot < 0 || RasterPixelMode != 1) return false;
    return (sprite.*fills[slot])(x, y, w, h, record, colour, opacity);
}

}  // namespace diagram_fill
