// The fill members of the diagram rasteriser: each is the scan converter of
// its level (DiagramScan.h) feeding one span operation (CoverageSpans.h).
// Level 0 counts any coverage as full, so its mask target writes the value
// itself (MaskValueSpan::Whole) where the other levels write v + (v >> 7).
#include "raster/diagram/DiagramScan.h"
#include "raster/surface/sprite/CoverageSpans.h"
#include "raster/surface/sprite/Sprite.h"

using coverage::AlphaUnionSpan;
using coverage::ColourOnlySpan;
using coverage::ColourOverSpan;
using coverage::MaskValueSpan;
using coverage::PixelValueSpan;
using diagram::ScanConverter;

// ---- plain: source-over in the colour ----

bool CSprite::FillDiagramAa0(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<0>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}
bool CSprite::FillDiagramAa1(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<1>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}
bool CSprite::FillDiagramAa2(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<2>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}
bool CSprite::FillDiagramAa4(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<4>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}
bool CSprite::FillDiagramAa8(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<8>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}
bool CSprite::FillDiagramAa16(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c, uint8_t o) {
    return ScanConverter<16>(r).Fill(*this, x, y, w, h, ColourOverSpan(c, o));
}

// ---- colour only: the colour bytes mixed toward the colour, alpha kept ----

bool CSprite::FillDiagramColorAa0(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                  uint8_t o) {
    return ScanConverter<0>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}
bool CSprite::FillDiagramColorAa1(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                  uint8_t o) {
    return ScanConverter<1>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}
bool CSprite::FillDiagramColorAa2(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                  uint8_t o) {
    return ScanConverter<2>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}
bool CSprite::FillDiagramColorAa4(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                  uint8_t o) {
    return ScanConverter<4>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}
bool CSprite::FillDiagramColorAa8(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                  uint8_t o) {
    return ScanConverter<8>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}
bool CSprite::FillDiagramColorAa16(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t c,
                                   uint8_t o) {
    return ScanConverter<16>(r).Fill(*this, x, y, w, h, ColourOnlySpan(c, o));
}

// ---- mask: alpha := coverage x value, colour kept ----

bool CSprite::FillDiagramMaskAa0(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<0>(r).Fill(*this, x, y, w, h, MaskValueSpan::Whole(v));
}
bool CSprite::FillDiagramMaskAa1(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<1>(r).Fill(*this, x, y, w, h, MaskValueSpan(v));
}
bool CSprite::FillDiagramMaskAa2(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<2>(r).Fill(*this, x, y, w, h, MaskValueSpan(v));
}
bool CSprite::FillDiagramMaskAa4(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<4>(r).Fill(*this, x, y, w, h, MaskValueSpan(v));
}
bool CSprite::FillDiagramMaskAa8(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<8>(r).Fill(*this, x, y, w, h, MaskValueSpan(v));
}
bool CSprite::FillDiagramMaskAa16(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t v) {
    return ScanConverter<16>(r).Fill(*this, x, y, w, h, MaskValueSpan(v));
}

// ---- alpha: union of coverage x opacity over the alpha, colour kept ----

bool CSprite::FillDiagramAlphaAa0(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<0>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}
bool CSprite::FillDiagramAlphaAa1(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<1>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}
bool CSprite::FillDiagramAlphaAa2(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<2>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}
bool CSprite::FillDiagramAlphaAa4(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<4>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}
bool CSprite::FillDiagramAlphaAa8(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<8>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}
bool CSprite::FillDiagramAlphaAa16(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint8_t o) {
    return ScanConverter<16>(r).Fill(*this, x, y, w, h, AlphaUnionSpan(o));
}

// ---- every covered pixel becomes the value ----

bool CSprite::FillDiagramPixelAa0(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r, uint32_t value,
                                  uint8_t gate) {
    return ScanConverter<0>(r).Fill(*this, x, y, w, h, PixelValueSpan(value, gate));
}
