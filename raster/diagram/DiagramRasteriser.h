#pragma once
// Installable diagram rasteriser: the fill kernels of CSprite
// (DiagramMembers.inc) forward to the rasteriser installed here, and return
// false while none is installed (the default). The stroke drivers are real
// and reach the rasteriser through the fills.
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
    // FillDiagramColorAa<level>: the colour bytes mixed toward the colour,
    // alpha kept. Not drawn by default.
    virtual bool FillColour(CSprite& target, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h,
                            DiagramInfo& record, uint32_t colour, uint8_t opacity);
};

// Installs the rasteriser (null removes it); returns the one installed before.
// Not owned. GUI thread only, like every raster operation.
IDiagramRasteriser* SetDiagramRasteriser(IDiagramRasteriser* rasteriser) noexcept;
IDiagramRasteriser* GetDiagramRasteriser() noexcept;
