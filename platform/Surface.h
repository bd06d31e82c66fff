#pragma once
// Drawing devices and device-compatible bitmaps: the part of a graphics device
// interface that sprite views need to show their pixels and to read back what
// other code drew.
//
// A device stands for a window's client area or for an off-screen memory
// device; a bitmap is drawn on after it is selected into a memory device.
// Pixel transfers use 32-bit top-down rows, one word 0xAARRGGBB per pixel
// (bytes B, G, R, A). The window surface comes with the window glue; the
// in-memory implementation below serves off-screen drawing and tests.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/DeviceContext.h"

namespace platform {

// Raster operations keep their Windows values; SRCCOPY is the one every
// device must support.
inline constexpr uint32_t SRCCOPY = 0x00CC0020;

class ISurfaceBitmap {
public:
    virtual ~ISurfaceBitmap() = default;
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
};

class ISurfaceDevice : public IDeviceContext {
public:
    // A memory device compatible with this one (no bitmap selected); null on failure.
    virtual std::unique_ptr<ISurfaceDevice> CreateCompatibleDevice() = 0;
    // A bitmap compatible with this device, width x height; null on failure.
    virtual std::unique_ptr<ISurfaceBitmap> CreateCompatibleBitmap(int32_t width, int32_t height) = 0;

    // Selects a bitmap (made by a compatible device) into this memory device
    // and returns the one selected before (null when none was). Selecting null
    // leaves the device without a bitmap. The device does not own the bitmap.
    virtual ISurfaceBitmap* SelectBitmap(ISurfaceBitmap* bitmap) = 0;

    // Copies `lines` rows of `width` words each, top-down and contiguous, into
    // the bitmap starting at row `startLine` (the bitmap must not be selected
    // into a device). Returns the number of rows copied; 0 on failure.
    virtual int32_t SetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, const uint32_t* rows,
                                  int32_t width) = 0;
    // The reverse transfer: bitmap rows into `rows`. Returns the rows copied.
    virtual int32_t GetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, uint32_t* rows,
                                  int32_t width) = 0;

    // Copies the rectangle (sx, sy, sw, sh) of the source device's selected
    // bitmap into (x, y, w, h) of this device, scaled by nearest sampling, with
    // a raster operation. False when the operation is not supported or a device
    // has nothing to draw on/from.
    virtual bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx,
                            int32_t sy, int32_t sw, int32_t sh, uint32_t rasterOperation) = 0;
    // One-to-one copy of (sx, sy, w, h) of the source to (x, y).
    virtual bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx, int32_t sy,
                        uint32_t rasterOperation) = 0;

    // Copies the rectangle (sx, sy, sw, sh) of a block of pixels held in
    // memory (`width` x `height` words, rows `stride` words apart, top-down)
    // onto (x, y, w, h) of this device, scaled by nearest sampling. A device
    // that can read the caller's memory directly (a window that presents) saves
    // the copy into a compatible bitmap; the memory is read only during the
    // call. False when the device does not offer it (the default) or cannot do
    // it: the caller then goes through a compatible bitmap and StretchBlt.
    virtual bool StretchFromMemory(int32_t /*x*/, int32_t /*y*/, int32_t /*w*/, int32_t /*h*/,
                                   const uint32_t* /*pixels*/, int32_t /*width*/, int32_t /*height*/,
                                   int32_t /*stride*/, int32_t /*sx*/, int32_t /*sy*/, int32_t /*sw*/, int32_t /*sh*/,
                                   uint32_t /*rasterOperation*/) {
        return false;
    }

    // The pixels of the bitmap selected into this device, when they are held
    // in memory (rows of `width` words, top-down): how a blit reads its source.
    // Null when there are none.
    virtual const uint32_t* GetSelectedPixels(int32_t& width, int32_t& height) const = 0;
};

// A bitmap held in memory: width x height words, rows top-down.
class CMemorySurfaceDevice;

class CMemorySurfaceBitmap final : public ISurfaceBitmap {
public:
    CMemorySurfaceBitmap(int32_t width, int32_t height);
    int32_t GetWidth() const override { return m_width; }
    int32_t GetHeight() const override { return m_height; }
    uint32_t* GetPixels() { return m_pixels.data(); }
    const uint32_t* GetPixels() const { return m_pixels.data(); }
    // True while the bitmap is selected into a device.
    bool IsSelected() const { return m_device != nullptr; }
    ~CMemorySurfaceBitmap() override;

    CMemorySurfaceBitmap(const CMemorySurfaceBitmap&) = delete;
    CMemorySurfaceBitmap& operator=(const CMemorySurfaceBitmap&) = delete;

private:
    friend class CMemorySurfaceDevice;
    int32_t m_width;
    int32_t m_height;
    std::vector<uint32_t> m_pixels;
    // The device the bitmap is selected into; both sides clear the link when
    // they go away, whichever goes first.
    CMemorySurfaceDevice* m_device = nullptr;
};

// A device that draws into the memory bitmap selected into it. Used as the
// memory device of sprite views, and (with a bitmap selected) as a target that
// tests can look at. Only SRCCOPY is supported by the blits; row transfers
// into or out of a bitmap that is selected into a device are refused, and a
// bitmap can be selected into one device at a time, as GDI requires.
class CMemorySurfaceDevice final : public ISurfaceDevice {
public:
    CMemorySurfaceDevice() = default;
    ~CMemorySurfaceDevice() override;

    bool FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colorref) override;
    std::unique_ptr<ISurfaceDevice> CreateCompatibleDevice() override;
    std::unique_ptr<ISurfaceBitmap> CreateCompatibleBitmap(int32_t width, int32_t height) override;
    ISurfaceBitmap* SelectBitmap(ISurfaceBitmap* bitmap) override;
    int32_t SetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, const uint32_t* rows,
                          int32_t width) override;
    int32_t GetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, uint32_t* rows,
                          int32_t width) override;
    bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh, uint32_t rasterOperation) override;
    bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx, int32_t sy,
                uint32_t rasterOperation) override;

    const uint32_t* GetSelectedPixels(int32_t& width, int32_t& height) const override;

    CMemorySurfaceDevice(const CMemorySurfaceDevice&) = delete;
    CMemorySurfaceDevice& operator=(const CMemorySurfaceDevice&) = delete;

    // The selected bitmap, or null.
    CMemorySurfaceBitmap* GetSelectedBitmap() const { return m_selected; }

private:
    friend class CMemorySurfaceBitmap;
    CMemorySurfaceBitmap* m_selected = nullptr;
};

}  // namespace platform
