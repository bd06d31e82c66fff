#pragma once
// CSprite: the one image type of the system.
//
// A sprite is a block of 32-bit pixels 0xAARRGGBB (bytes B, G, R, A in memory),
// straight alpha, rows `stride` words apart. Every canvas, window cache, back
// buffer, font strip and scratch image is a sprite. The pixel operations
// (fills, kernels, loaders) are members declared by the fragments included at
// the end of the class body; they all clip first through the virtual clipping
// operations below and do nothing when nothing is left.
//
// Storage layout of a sprite made here, width W and height H:
//   W x H pixel words | ceil(W / 16) x ceil(H / 4) opacity-mask bytes | >= 4 spare bytes
// The mask area is reserved by every creation and resize so that building the
// mask never reallocates.
//
// Opacity mask: one byte per 16 x 4 pixel cell, rows of ceil(W / 16) bytes. The
// four 4 x 4 blocks of a cell are described left to right by the bit pairs
// 7/6, 5/4, 3/2, 1/0: the high bit of a pair = all 16 alphas are 255, the low
// bit = all 16 alphas are 0, both clear = mixed (or not a whole block).
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

// The size rule: false when (width | height) has a bit of 0xFFFFC000 set and
// also width > 500000 or height > 256. Both sides below 16384 always pass; a
// strip up to 500000 wide passes when at most 256 high. Negative sizes pass the
// rule (the operations refuse them themselves).
inline bool IsSpriteSizeAllowed(int32_t width, int32_t height) noexcept {
    if (((static_cast<uint32_t>(width) | static_cast<uint32_t>(height)) & 0xFFFFC000u) == 0) return true;
    return !(width > 500000 || height > 256);
}

// Records that member families take by pointer (shape outlines, gradient points).
class DiagramInfo;
struct MixGradationPoint;

class CSprite {
public:
    // Depth codes (flags bits 0-2): 0 = 32-bit ARGB; 1..4 = indexed with
    // 1, 2, 4, 8 bits per pixel (width counts words, row 0 is the palette header).
    static constexpr uint32_t kDepthMask = 7;

    CSprite() noexcept = default;
    virtual ~CSprite();

    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;
    // Moving hands the storage block over; the source is left empty.
    CSprite(CSprite&& other) noexcept;
    CSprite& operator=(CSprite&& other) noexcept;

    // ---- Construction and storage (true on success) ----

    // Makes the image of a sprite that has none. No ready test and no size rule,
    // but a size whose byte count does not fit 32 bits is refused. 0 x 0 takes
    // no block (the pixels point at a shared dummy word).
    bool Create(int32_t width, int32_t height, bool fillOpaque);
    // The size rule and the ready flag, then Create.
    bool CreateWithinLimits(int32_t width, int32_t height, bool fillOpaque);
    // New size, reusing the block when it is large enough (it never shrinks;
    // growth in 256 KiB steps). Pixel contents are undefined afterwards. The new
    // block is allocated before the old one is freed, so a failed allocation
    // (std::bad_alloc) leaves the old image intact.
    bool ResizeUncleared(int32_t width, int32_t height);
    // ResizeUncleared, then every pixel 0 (transparent black).
    bool RecreateIfReady(int32_t width, int32_t height);
    // Frees the block and empties the sprite.
    void Release();

    // ---- Clipping ----

    // Sets the clip rectangle (right and bottom exclusive), clamped to the image;
    // a right/bottom before the left/top gives an empty rectangle.
    void SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept;

    // Clips x, y, w, h to the clip rectangle; returns the remaining width, and
    // sets w = h = 0 (result 0) when nothing is left.
    virtual int32_t ClipRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const;
    // Clips a one-to-one copy of source (sx, sy, w, h) to (dx, dy) of this
    // sprite: against the source's image and this sprite's clip rectangle.
    // w = h = 0 when nothing is left.
    virtual void ClipBlit(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy, int32_t& w,
                          int32_t& h) const;
    // ClipBlit with a third sprite read alongside the source (a mask or a map
    // at (tx, ty)): clipped against the source, then against the third, each
    // move of the destination corner moving the other two corners with it, so
    // the three stay paired. w = h = 0 when nothing is left.
    void ClipBlitPaired(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy,
                        const CSprite& third, int32_t& tx, int32_t& ty, int32_t& w, int32_t& h) const;
    // As ClipBlit for an indexed source: its pixel width is width x pixels per
    // word, its pixel rows start after the header row.
    virtual void ClipBlitIndexed(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy,
                                 int32_t& w, int32_t& h) const;
    // Clips a scaled copy of the source rectangle (sx, sy, sw, sh) into the
    // destination rectangle (dx, dy, dw, dh). For the clipped destination column
    // i (0 <= i < dw) and row j the kernels sample the source pixel
    //   (sx + ((startX + i * stepX) >> 16), sy + ((startY + j * stepY) >> 16))
    // computed in 64 bits; that pixel always lies inside the source rectangle,
    // which lies inside the source image. Nothing to draw: dw = dh = 0 (the four
    // step outputs are then meaningless).
    virtual void ClipBlitStretched(int32_t& dx, int32_t& dy, int32_t& dw, int32_t& dh, int64_t& stepX,
                                   int64_t& stepY, int64_t& startX, int64_t& startY, const CSprite& source,
                                   int32_t& sx, int32_t& sy, int32_t& sw, int32_t& sh) const;

    // ---- Mask and queries ----

    // Builds the block opacity mask from the current pixels (nothing without
    // pixels or before the raster library is started).
    void BuildOpacityMask();
    // Marks the block opacity mask absent (its area stays reserved): for when
    // the pixels change behind the mask's back.
    void DropOpacityMask() noexcept { m_opacityMask = nullptr; }
    // True when every pixel of the clipped rectangle has alpha 0, or nothing is left.
    bool IsRectTransparent(int32_t x, int32_t y, int32_t w, int32_t h) const;
    // Ready: IsRectTransparent over the whole image; not ready: false.
    bool IsTransparentIfReady() const;
    // Ready and inside the image: the pixel with its alpha byte cleared; else 0.
    uint32_t GetPixelRGB(int32_t x, int32_t y) const;
    // Every pixel of the clipped rectangle becomes pixel AND mask.
    void AndPixels(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask);
    // Clips as ClipBlit, then counts the positions where
    // (destination AND mask) == (source AND mask).
    int32_t CountMatchingPixels(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                int32_t h, uint32_t mask) const;

    // ---- Accessors ----

    bool HasImage() const noexcept { return m_pixels != nullptr; }
    uint32_t* GetPixels() noexcept { return m_pixels; }
    const uint32_t* GetPixels() const noexcept { return m_pixels; }
    uint32_t* GetPixelOrigin() noexcept { return m_pixelOrigin; }
    const uint32_t* GetPixelOrigin() const noexcept { return m_pixelOrigin; }
    // Address of pixel (x, y); no bounds test.
    uint32_t* PixelAt(int32_t x, int32_t y) noexcept {
        return m_pixels + (static_cast<int64_t>(y) * m_stride + x);
    }
    const uint32_t* PixelAt(int32_t x, int32_t y) const noexcept {
        return m_pixels + (static_cast<int64_t>(y) * m_stride + x);
    }
    int32_t GetWidth() const noexcept { return m_width; }
    int32_t GetHeight() const noexcept { return m_height; }
    int32_t GetStride() const noexcept { return m_stride; }
    int32_t GetClipLeft() const noexcept { return m_clipLeft; }
    int32_t GetClipTop() const noexcept { return m_clipTop; }
    int32_t GetClipRight() const noexcept { return m_clipRight; }
    int32_t GetClipBottom() const noexcept { return m_clipBottom; }
    // Null, or the block opacity mask (rows of ceil(width / 16) bytes).
    const uint8_t* GetOpacityMask() const noexcept { return m_opacityMask; }
    int32_t GetMaskStride() const noexcept { return (m_width + 15) >> 4; }
    uint32_t GetDepthCode() const noexcept { return m_flags & kDepthMask; }
    uint32_t GetFlags() const noexcept { return m_flags; }
    // Byte count of the storage block (0 when none is held).
    uint32_t GetStorageSize() const noexcept { return m_storage.GetCount(); }

protected:
    // Sets the image fields for a W x H image at the start of the block.
    void SetImageFields(uint32_t* pixels, int32_t width, int32_t height) noexcept;
    bool ResizeImpl(int32_t width, int32_t height, bool clear);

    CMemoryBlock<unsigned char> m_storage;
    uint32_t* m_pixels = nullptr;
    uint32_t* m_pixelOrigin = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
    int32_t m_clipLeft = 0;
    int32_t m_clipTop = 0;
    int32_t m_clipRight = 0;
    int32_t m_clipBottom = 0;
    uint8_t* m_opacityMask = nullptr;
    uint32_t m_flags = 0;

public:
    // Members of the pixel-operation families, declared by their owners.
#include "raster/surface/fill/FillMembers.inc"
public:
#include "raster/blend/BlendMembers.inc"
public:
#include "raster/surface/sprite/LoadMembers.inc"
public:
#include "raster/blend/ArithMembers.inc"
public:
#include "raster/blend/SeparableMembers.inc"
public:
#include "raster/surface/sprite/DispatchMembers.inc"
public:
#include "raster/filter/FilterMembers.inc"
public:
#include "raster/surface/sprite/GlyphMembers.inc"
public:
#include "raster/surface/fill/PixelMoveMembers.inc"
public:
#include "raster/surface/fill/IndexedMembers.inc"
public:
#include "raster/surface/gradient/GradientMembers.inc"
public:
#include "raster/surface/gradient/ColorModelGradientMembers.inc"
public:
#include "raster/surface/gradient/TransitionMembers.inc"
public:
#include "raster/surface/shape/ShapeMembers.inc"
public:
#include "raster/surface/shape/SubpixelMembers.inc"
public:
#include "raster/surface/shape/OffsetBlitMembers.inc"
public:
#include "raster/diagram/DiagramMembers.inc"
public:
#include "raster/colour/ComponentMembers.inc"
public:
#include "raster/colour/ColorSpaceBlendMembers.inc"
public:
#include "raster/colour/ShiftMembers.inc"
public:
#include "raster/colour/PlaneMembers.inc"
public:
#include "raster/colour/MatrixMembers.inc"
public:
#include "raster/colour/SaturationMembers.inc"
public:
#include "raster/colour/BrightnessMembers.inc"
public:
#include "raster/colour/LookupMembers.inc"
public:
#include "raster/colour/ReplaceFactorMembers.inc"
public:
#include "raster/filter/FormulaMembers.inc"
public:
#include "raster/colour/ReplaceMembers.inc"
public:
#include "raster/filter/RotateMembers.inc"
public:
#include "raster/filter/ScrollMembers.inc"
public:
#include "raster/filter/MapMembers.inc"
public:
#include "raster/filter/MeasureMembers.inc"
public:
#include "raster/filter/BlurMembers.inc"
public:
#include "raster/filter/DistAlphaMembers.inc"
public:
#include "raster/filter/AntiMoireMembers.inc"
public:
#include "raster/filter/SphereMembers.inc"
public:
};

// CSprite::ClipRect against explicit bounds instead of a clip rectangle.
int32_t ClipRectToBounds(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t& x, int32_t& y,
                         int32_t& w, int32_t& h) noexcept;
// The destination half of CSprite::ClipBlit against explicit bounds (the source
// is not tested). Returns the new dx, or 0 when nothing is left.
int32_t ClipBlitToBounds(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t& dx, int32_t& dy,
                         int32_t& sx, int32_t& sy, int32_t& w, int32_t& h) noexcept;
