#include "raster/surface/sprite/SpriteView.h"

#include "raster/surface/sprite/RasterLibrary.h"

CSpriteView::~CSpriteView() {
    // The bitmap first, then the device (either side unlinks a selection).
    m_bitmap.reset();
    m_device.reset();
}

bool CSpriteView::CreateGdiObjects(platform::ISurfaceDevice* reference) {
    if (m_pixels == nullptr || reference == nullptr) return false;
    if (m_device != nullptr) return true;
    std::unique_ptr<platform::ISurfaceDevice> device = reference->CreateCompatibleDevice();
    if (device == nullptr) return false;
    std::unique_ptr<platform::ISurfaceBitmap> bitmap = reference->CreateCompatibleBitmap(m_width, m_height);
    if (bitmap == nullptr) return false;  // the device goes with `device`
    m_device = std::move(device);
    m_bitmap = std::move(bitmap);
    return true;
}

bool CSpriteView::DeleteGdiObjects() {
    if (m_selected) return false;
    if (m_device != nullptr) {
        m_device.reset();
        m_bitmap.reset();
    }
    return true;
}

void CSpriteView::Release() {
    if (!DeleteGdiObjects()) throw this;
    CSprite::Release();
}

platform::ISurfaceDevice* CSpriteView::SelectBitmap() {
    if (m_pixels == nullptr || m_selected || m_device == nullptr) return nullptr;
    m_savedObject = m_device->SelectBitmap(m_bitmap.get());
    m_selected = true;
    return m_device.get();
}

void CSpriteView::DeselectBitmap() {
    if (!m_selected) return;
    m_device->SelectBitmap(m_savedObject);
    m_selected = false;
}

bool CSpriteView::Upload() {
    if (m_pixels == nullptr || m_selected || m_device == nullptr) return false;
    return m_device->SetBitmapRows(*m_bitmap, 0, m_height, m_pixels, m_width) == m_height;
}

bool CSpriteView::ReadBack() {
    if (m_pixels == nullptr || m_selected || m_device == nullptr) return false;
    return m_device->GetBitmapRows(*m_bitmap, 0, m_height, m_pixels, m_width) == m_height;
}

bool CSpriteView::PrepareShow(platform::ISurfaceDevice* target) {
    if (m_pixels == nullptr || m_selected) return false;
    if (!CreateGdiObjects(target)) return false;
    if (RasterPixelMode != 1) return false;
    return Upload();
}

bool CSpriteView::StretchBltTo(platform::ISurfaceDevice* target, int32_t x, int32_t y, int32_t w, int32_t h,
                               int32_t sourceX, int32_t sourceY, int32_t sourceW, int32_t sourceH,
                               uint32_t rasterOperation) {
    // A target that reads memory directly (the window) is shown the pixels
    // themselves: no device objects, no upload.
    if (m_pixels != nullptr && !m_selected && target != nullptr && IsRasterReady() &&
        target->StretchFromMemory(x, y, w, h, m_pixels, m_width, m_height, m_stride, sourceX, sourceY, sourceW,
                                  sourceH, rasterOperation))
        return true;
    if (!PrepareShow(target)) return false;
    m_savedObject = m_device->SelectBitmap(m_bitmap.get());
    const bool drawn = target->StretchBlt(x, y, w, h, *m_device, sourceX, sourceY, sourceW, sourceH, rasterOperation);
    m_device->SelectBitmap(m_savedObject);
    return drawn;
}

bool CSpriteView::BitBltTo(platform::ISurfaceDevice* target, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t sourceX, int32_t sourceY, uint32_t rasterOperation) {
    if (!PrepareShow(target)) return false;
    m_savedObject = m_device->SelectBitmap(m_bitmap.get());
    const bool drawn = target->BitBlt(x, y, w, h, *m_device, sourceX, sourceY, rasterOperation);
    m_device->SelectBitmap(m_savedObject);
    return drawn;
}
