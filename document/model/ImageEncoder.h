#pragma once
// The seam through which the document encodes a canvas as WebP bytes.
// Process-wide; the image-file layer's encoder by default. Tests install their
// own; with none installed (null) every encoding fails (so a bitmap object
// whose stored text is empty cannot be written).
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"
#include "raster/surface/sprite/Sprite.h"

class IWebPEncoder {
public:
    virtual ~IWebPEncoder() = default;

    // Encodes the sprite's pixels (width x height, rows of its stride) into out,
    // which is empty on entry: lossless for a negative quality, else lossy at
    // quality 0..100. False when nothing was encoded.
    virtual bool Encode(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) = 0;
};

// The image-file layer's WebP encoder, installed from the start.
IWebPEncoder& DefaultWebPEncoder() noexcept;
// Installs the encoder (null: none); returns the one it replaces.
IWebPEncoder* SetWebPEncoder(IWebPEncoder* encoder) noexcept;
IWebPEncoder* GetWebPEncoder() noexcept;

// Encodes through the installed encoder: false without one, before the raster
// library is started, for a sprite without pixels, or when the encoder fails.
// out is emptied first.
bool EncodeSpriteWebP(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality);
