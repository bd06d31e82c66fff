#pragma once
// CSpriteView: a sprite that can also live on a drawing device.
//
// The view owns a memory device and a device-compatible bitmap of its size.
// Showing copies the pixels into the bitmap and blits the bitmap to a target
// device; drawing with the device (text, solid fills) goes into the bitmap
// between SelectBitmap and DeselectBitmap, and ReadBack copies the result into
// the pixels for raster work.
//
// States: no device objects (after construction, DeleteGdiObjects, Release);
// objects present, bitmap not selected; bitmap selected. Transfers, blits,
// DeleteGdiObjects and Release require the bitmap not to be selected. The
// objects are not resized with the sprite: after a size change the owner calls
// DeleteGdiObjects so that the next show makes them at the new size.
#include <memory>

#include "platform/Surface.h"
#include "raster/surface/sprite/Sprite.h"

class CSpriteView : public CSprite {
public:
    CSpriteView() noexcept = default;
    ~CSpriteView() override;

    CSpriteView(const CSpriteView&) = delete;
    CSpriteView& operator=(const CSpriteView&) = delete;

    // Makes the memory device and a bitmap of the sprite's size, both
    // compatible with the reference device. False without pixels, without a
    // reference or when a device object cannot be made; true at once when the
    // memory device exists already (the bitmap is not resized).
    bool CreateGdiObjects(platform::ISurfaceDevice* reference);
    // Deletes the device and then the bitmap; false (nothing done) while the
    // bitmap is selected, true otherwise.
    bool DeleteGdiObjects();
    // DeleteGdiObjects, then the sprite's Release. While the bitmap is selected
    // this is a broken invariant: the view throws a pointer to itself.
    void Release();

    // Selects the bitmap into the memory device and returns the device for
    // drawing; null without pixels, without a device or when already selected.
    platform::ISurfaceDevice* SelectBitmap();
    // Selects the saved object back; nothing unless selected.
    void DeselectBitmap();

    // Pixels into the bitmap / bitmap into the pixels (all four bytes of each
    // pixel). False without pixels, without a device or while selected, and
    // when the device did not transfer every row.
    bool Upload();
    bool ReadBack();

    // Shows the pixels: makes the device objects if needed, uploads, and
    // stretches (sourceX, sourceY, sourceW, sourceH) of the image onto
    // (x, y, w, h) of the target. False when a step fails (including the
    // device's blit), before the raster library is started, or while selected.
    // A target that can stretch from memory gets the sprite's own pixels
    // instead, without the device objects or the upload.
    bool StretchBltTo(platform::ISurfaceDevice* target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sourceX,
                      int32_t sourceY, int32_t sourceW, int32_t sourceH, uint32_t rasterOperation);
    // As StretchBltTo with a one-to-one copy.
    bool BitBltTo(platform::ISurfaceDevice* target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sourceX,
                  int32_t sourceY, uint32_t rasterOperation);

    bool IsBitmapSelected() const noexcept { return m_selected; }
    bool HasGdiObjects() const noexcept { return m_device != nullptr; }
    // The bitmap and the memory device (null when not made).
    platform::ISurfaceBitmap* GetBitmap() const noexcept { return m_bitmap.get(); }
    platform::ISurfaceDevice* GetMemoryDevice() const noexcept { return m_device.get(); }

private:
    // Shared steps 1-4 of the two show operations.
    bool PrepareShow(platform::ISurfaceDevice* target);

    std::unique_ptr<platform::ISurfaceBitmap> m_bitmap;
    std::unique_ptr<platform::ISurfaceDevice> m_device;
    platform::ISurfaceBitmap* m_savedObject = nullptr;
    bool m_selected = false;
};
