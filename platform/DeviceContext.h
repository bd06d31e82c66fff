#pragma once
// The part of a drawing device that the foundation library draws on.
//
// A device context stands for a window's client area or an off-screen surface;
// its implementations come with the raster surface and the window glue.
#include <cstdint>

namespace platform {

class IDeviceContext {
public:
    virtual ~IDeviceContext() = default;
    // Fills the pixels left <= x < right, top <= y < bottom with one opaque
    // colour given as 0x00BBGGRR; a rectangle with right <= left or
    // bottom <= top covers no pixel. Returns false when the device failed.
    virtual bool FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colorref) = 0;
};

}  // namespace platform
