#include "platform/Surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace platform {

CMemorySurfaceBitmap::CMemorySurfaceBitmap(int32_t width, int32_t height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0u) {}

CMemorySurfaceBitmap::~CMemorySurfaceBitmap() {
    if (m_device != nullptr) m_device->m_selected = nullptr;
}

CMemorySurfaceDevice::~CMemorySurfaceDevice() {
    if (m_selected != nullptr) m_selected->m_device = nullptr;
}

bool CMemorySurfaceDevice::FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                         uint32_t colorref) {
    if (m_selected == nullptr) return false;
    // 0x00BBGGRR becomes the pixel 0x00RRGGBB: a device writes no alpha.
    const uint32_t pixel = ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
    const int32_t x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int32_t x1 = std::min(right, m_selected->m_width), y1 = std::min(bottom, m_selected->m_height);
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = m_selected->m_pixels.data() + static_cast<size_t>(y) * m_selected->m_width;
        std::fill(row + x0, row + std::max(x0, x1), pixel);
    }
    return true;
}

std::unique_ptr<ISurfaceDevice> CMemorySurfaceDevice::CreateCompatibleDevice() {
    return std::unique_ptr<ISurfaceDevice>(new (std::nothrow) CMemorySurfaceDevice());
}

std::unique_ptr<ISurfaceBitmap> CMemorySurfaceDevice::CreateCompatibleBitmap(int32_t width, int32_t height) {
    if (width < 0 || height < 0) return nullptr;
    try {
        return std::make_unique<CMemorySurfaceBitmap>(width, height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

ISurfaceBitmap* CMemorySurfaceDevice::SelectBitmap(ISurfaceBitmap* bitmap) {
    auto* memory = dynamic_cast<CMemorySurfaceBitmap*>(bitmap);
    if (bitmap != nullptr && (memory == nullptr || (memory->m_device != nullptr && memory->m_device != this)))
        return nullptr;
    CMemorySurfaceBitmap* previous = m_selected;
    if (previous != nullptr) previous->m_device = nullptr;
    m_selected = memory;
    if (memory != nullptr) memory->m_device = this;
    return previous;
}

namespace {

// The memory bitmap behind an interface reference, when it may take a row
// transfer (it is ours and not selected into a device).
CMemorySurfaceBitmap* TransferTarget(ISurfaceBitmap& bitmap) {
    auto* memory = dynamic_cast<CMemorySurfaceBitmap*>(&bitmap);
    if (memory == nullptr || memory->IsSelected()) return nullptr;
    return memory;
}

}  // namespace

int32_t CMemorySurfaceDevice::SetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines,
                                            const uint32_t* rows, int32_t width) {
    CMemorySurfaceBitmap* target = TransferTarget(bitmap);
    if (target == nullptr || rows == nullptr || lines <= 0 || width <= 0) return 0;
    const int32_t copyWidth = std::min(width, target->GetWidth());
    int32_t copied = 0;
    for (int32_t r = 0; r < lines; ++r) {
        const int64_t row = static_cast<int64_t>(startLine) + r;
        if (row < 0 || row >= target->GetHeight()) continue;
        std::memcpy(target->GetPixels() + static_cast<size_t>(row) * target->GetWidth(),
                    rows + static_cast<size_t>(r) * width, static_cast<size_t>(copyWidth) * 4);
        ++copied;
    }
    return copied;
}

int32_t CMemorySurfaceDevice::GetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines,
                                            uint32_t* rows, int32_t width) {
    CMemorySurfaceBitmap* source = TransferTarget(bitmap);
    if (source == nullptr || rows == nullptr || lines <= 0 || width <= 0) return 0;
    const int32_t copyWidth = std::min(width, source->GetWidth());
    int32_t copied = 0;
    for (int32_t r = 0; r < lines; ++r) {
        const int64_t row = static_cast<int64_t>(startLine) + r;
        if (row < 0 || row >= source->GetHeight()) continue;
        std::memcpy(rows + static_cast<size_t>(r) * width,
                    source->GetPixels() + static_cast<size_t>(row) * source->GetWidth(),
                    static_cast<size_t>(copyWidth) * 4);
        ++copied;
    }
    return copied;
}

const uint32_t* CMemorySurfaceDevice::GetSelectedPixels(int32_t& width, int32_t& height) const {
    if (m_selected == nullptr) return nullptr;
    width = m_selected->GetWidth();
    height = m_selected->GetHeight();
    return m_selected->GetPixels();
}

bool CMemorySurfaceDevice::StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source,
                                      int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t rasterOperation) {
    if (rasterOperation != SRCCOPY || m_selected == nullptr) return false;
    int32_t srcWidth = 0, srcHeight = 0;
    const uint32_t* srcPixels = source.GetSelectedPixels(srcWidth, srcHeight);
    if (srcPixels == nullptr) return false;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return true;

    // Drawing from the bitmap onto itself: sample a copy.
    std::vector<uint32_t> copy;
    if (srcPixels == m_selected->GetPixels()) {
        copy.assign(srcPixels, srcPixels + static_cast<size_t>(srcWidth) * srcHeight);
        srcPixels = copy.data();
    }

    const int32_t dstWidth = m_selected->GetWidth(), dstHeight = m_selected->GetHeight();
    uint32_t* dst = m_selected->GetPixels();
    // Destination pixel i samples source sx + floor((i + 1/2) x sw / w).
    const int64_t j0 = std::max<int64_t>(0, -static_cast<int64_t>(y));
    const int64_t j1 = std::min<int64_t>(h, static_cast<int64_t>(dstHeight) - y);
    const int64_t i0 = std::max<int64_t>(0, -static_cast<int64_t>(x));
    const int64_t i1 = std::min<int64_t>(w, static_cast<int64_t>(dstWidth) - x);
    for (int64_t j = j0; j < j1; ++j) {
        const int64_t srow = sy + (2 * j + 1) * sh / (2 * static_cast<int64_t>(h));
        if (srow < 0 || srow >= srcHeight) continue;
        const uint32_t* s = srcPixels + srow * srcWidth;
        uint32_t* d = dst + (y + j) * dstWidth + x;
        for (int64_t i = i0; i < i1; ++i) {
            const int64_t scol = sx + (2 * i + 1) * sw / (2 * static_cast<int64_t>(w));
            if (scol < 0 || scol >= srcWidth) continue;
            d[i] = s[scol];
        }
    }
    return true;
}

bool CMemorySurfaceDevice::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx,
                                  int32_t sy, uint32_t rasterOperation) {
    return StretchBlt(x, y, w, h, source, sx, sy, w, h, rasterOperation);
}

}  // namespace platform
