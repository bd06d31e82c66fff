#include "raster/surface/sprite/RasterScratch.h"

#include <new>

unsigned char* CRasterScratch::ScratchBytes(uint64_t needed, uint64_t allocate) {
    if (m_block.GetCount() >= needed && m_block.GetBuffer() != nullptr) return m_block.GetBuffer();
    if (allocate < needed) allocate = needed;
    m_block.Free();
    if (allocate > UINT32_MAX) throw std::bad_alloc();
    return m_block.Alloc(static_cast<uint32_t>(allocate));
}

void CRasterScratch::Reset() noexcept {
    m_work.Release();
    m_block.Free();
}

CRasterScratch& RasterScratch() {
    static CRasterScratch scratch;
    return scratch;
}

void raster_test::ResetRasterScratch() { RasterScratch().Reset(); }
