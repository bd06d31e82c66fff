#pragma once
// Installable diagram rasteriser: the fill kernels and stroke drivers of
// CSprite (DiagramMembers.inc) forward to the rasteriser installed here, and
// return false while none is installed (the default).
//
// This is a stand-in seam: the scan converter replaces it, and its members
// then do the work themselves. Until then the seam lets the shape builders be
// exercised end to end and lets tests observe exactly which kernel a builder
// reaches with which arguments.
#include <cstdint>

class CSprite;
class DiagramInfo;

class IDiagramRasteriser {
public:
    virtual ~IDiagramRasteriser() = default;

    // level is one of 0, 1, 2, 4, 8, 16 (the kernel's sub-scanline count).
    // FillDiagramMaskAa<level>: alpha from value times coverage, colour kept.
    virtual bool FillMask(CSprite& target, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h,
                          DiagramInfo& record, uint8_t value) = 0;
    // FillDiagramAa<level>: colour laid over source-over at coverage x opacity.
    virtual bool Fill(CSprite& target, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h,
                      DiagramInfo& record, uint32_t colour, uint8_t opacity) = 0;
    // FillDiagramAlphaAa<level>: alpha union with coverage x opacity.
    virtual bool FillAlpha(CSprite& target, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h,
                           DiagramInfo& record, uint8_t opacity) = 0;
    // StrokeDiagram / StrokeDiagramAlpha.
    virtual bool Stroke(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,
                        int32_t width, uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t opacity) = 0;
    virtual bool StrokeAlpha(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,
                             int32_t width, int32_t level, DiagramInfo* scratch, uint8_t opacity) = 0;
};

// Installs the rasteriser (null removes it); returns the one installed before.
// Not owned. GUI thread only, like every raster operation.
IDiagramRasteriser* SetDiagramRasteriser(IDiagramRasteriser* rasteriser) noexcept;
IDiagramRasteriser* GetDiagramRasteriser() noexcept;
