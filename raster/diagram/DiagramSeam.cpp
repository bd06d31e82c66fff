// The diagram kernels of CSprite as forwarders to the installed rasteriser.
#include "raster/diagram/DiagramRasteriser.h"

#include "foundation/util/ServiceSlot.h"
#include "raster/surface/sprite/Sprite.h"

namespace {
CServiceSlot<IDiagramRasteriser> g_rasteriser;
}  // namespace

IDiagramRasteriser* SetDiagramRasteriser(IDiagramRasteriser* rasteriser) noexcept {
    return g_rasteriser.Install(rasteriser);
}

IDiagramRasteriser* GetDiagramRasteriser() noexcept { return g_rasteriser.Get(); }

bool IDiagramRasteriser::FillColour(CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t, DiagramInfo&, uint32_t,
                                    uint8_t) {
    return false;
}

#define OC_DIAGRAM_FILL_LEVEL(n)                                                                              \
    bool CSprite::FillDiagramMaskAa##n(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,        \
                                       uint8_t value) {                                                        \
        IDiagramRasteriser* r = g_rasteriser.Get();                                                            \
        return r != nullptr && r->FillMask(*this, n, x, y, w, h, record, value);                               \
    }                                                                                                          \
    bool CSprite::FillDiagramAa##n(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,            \
                                   uint32_t colour, uint8_t opacity) {                                         \
        IDiagramRasteriser* r = g_rasteriser.Get();                                                            \
        return r != nullptr && r->Fill(*this, n, x, y, w, h, record, colour, opacity);                         \
    }                                                                                                          \
    bool CSprite::FillDiagramAlphaAa##n(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,       \
                                        uint8_t opacity) {                                                     \
        IDiagramRasteriser* r = g_rasteriser.Get();                                                            \
        return r != nullptr && r->FillAlpha(*this, n, x, y, w, h, record, opacity);                            \
    }                                                                                                          \
    bool CSprite::FillDiagramColorAa##n(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record,       \
                                        uint32_t colour, uint8_t opacity) {                                    \
        IDiagramRasteriser* r = g_rasteriser.Get();                                                            \
        return r != nullptr && r->FillColour(*this, n, x, y, w, h, record, colour, opacity);                   \
    }

OC_DIAGRAM_FILL_LEVEL(0)
OC_DIAGRAM_FILL_LEVEL(1)
OC_DIAGRAM_FILL_LEVEL(2)
OC_DIAGRAM_FILL_LEVEL(4)
OC_DIAGRAM_FILL_LEVEL(8)
OC_DIAGRAM_FILL_LEVEL(16)

#undef OC_DIAGRAM_FILL_LEVEL
