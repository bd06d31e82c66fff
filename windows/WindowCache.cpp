// The cached window's cache and painting.
//
// A cached window keeps its content in its cache sprite, of the window's
// size, and is put on the screen by the raster surface's draw-mode dispatch
// applied to parts of that cache with the window's draw mode, level, tone
// colour and factors. The composition calls Paint once per dirty cell.
#include "windows/Window.h"

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr uint32_t kHighQualityBit = 0x80;

// The size rule of window caches: a side of 16384 or more is refused unless
// the cache is a strip (width up to 500000, height up to 256).
bool CacheSizeAllowed(int32_t width, int32_t height) noexcept {
    return IsSpriteSizeAllowed(width, height) && IsRasterReady();
}

// The three factors packed as the tone kernels read them: red in bits 18-26,
// green in 9-17, blue in 0-8.
uint32_t PackFactors(int32_t red, int32_t green, int32_t blue) noexcept {
    return ((uint32_t(red) & 0x1FFu) << 18) | ((uint32_t(green) & 0x1FFu) << 9) | (uint32_t(blue) & 0x1FFu);
}

}  // namespace

CQRKWnd::~CQRKWnd() {
    // The base destructor takes a window still in a tree out of it quietly.
    m_cache.Release();
}

void CQRKWnd::PaintStretched(int32_t dx, int32_t dy, int32_t dw, int32_t dh, CSprite& target, int32_t sx, int32_t sy,
                             int32_t sw, int32_t sh) {
    // A mode with the dispatch's high-quality bit is no window draw mode.
    if (!IsCreated() || !m_visible || (m_drawMode & kHighQualityBit) != 0) return;
    target.BlitByModeStretched(dx, dy, dw, dh, m_cache, sx, sy, sw, sh, m_drawMode, m_level, m_toneColour,
                               PackFactors(m_redFactor, m_greenFactor, m_blueFactor));
}

void CQRKWnd::Paint(int32_t dx, int32_t dy, CSprite& target, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (!IsCreated() || !m_visible || (m_drawMode & kHighQualityBit) != 0) return;
    target.BlitByMode(dx, dy, m_cache, sx, sy, w, h, m_drawMode, m_level, m_toneColour,
                      PackFactors(m_redFactor, m_greenFactor, m_blueFactor));
}

bool CQRKWnd::CreateCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    if (!CacheSizeAllowed(width, height)) return false;
    // A window created again after Close reuses nothing: the cache was released.
    return m_cache.Create(width, height, true);
}

bool CQRKWnd::ResizeCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    if (!CacheSizeAllowed(width, height)) return false;
    return m_cache.RecreateIfReady(width, height);
}

void CQRKWnd::ReleaseCache() {
    m_cache.Release();
    m_width = 0;
    m_height = 0;
}
