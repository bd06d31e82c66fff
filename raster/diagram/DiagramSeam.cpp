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
    }

OC_DIAGRAM_FILL_LEVEL(0)
OC_DIAGRAM_FILL_LEVEL(1)
OC_DIAGRAM_FILL_LEVEL(2)
OC_DIAGRAM_FILL_LEVEL(4)
OC_DIAGRAM_FILL_LEVEL(8)
OC_DIAGRAM_FILL_LEVEL(16)

#undef OC_DIAGRAM_FILL_LEVEL

bool CSprite::StrokeDiagram(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                            uint32_t colour, int32_t level, DiagramInfo* scratch, uint8_t opacity) {
    IDiagramRasteriser* r = g_rasteriser.Get();
    return r != nullptr && r->Stroke(*this, x, y, w, h, record, width, colour, level, scratch, opacity);
}

bool CSprite::StrokeDiagramAlpha(int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& record, int32_t width,
                                 int32_t level, DiagramInfo* scratch, uint8_t opacity) {
    IDiagramRasteriser* r = g_rasteriser.Get();
    return r != nullptr && r->StrokeAlpha(*this, x, y, w, h, record, width, level, scratch, opacity);
}
