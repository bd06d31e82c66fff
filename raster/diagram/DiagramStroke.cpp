// Stand-in for the stroke drivers until they land: they draw nothing and
// report false, as when no level or outline is usable.
#include "raster/surface/sprite/Sprite.h"

bool CSprite::StrokeDiagram(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, int32_t, uint32_t, int32_t,
                            DiagramInfo*, uint8_t) {
    return false;
}

bool CSprite::StrokeDiagramAlpha(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, int32_t, int32_t, DiagramInfo*,
                                 uint8_t) {
    return false;
}
