#pragma once
// Shared pieces of the codecs in platform/image/; not for other callers.
#include <cstddef>
#include <cstdint>

#include "platform/image/ImageCodec.h"

namespace platform::image_detail {

// Gives `out` a width x height pixel block (not cleared); false, with `out`
// empty, for a size outside the decoder limits or when memory is short.
bool AllocatePixels(DecodedPixels& out, uint64_t width, uint64_t height) noexcept;

bool DecodePng(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;
bool DecodeBmp(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;

// Whether the rows describe an image an encoder can read.
bool IsValidRows(const PixelRows& rows) noexcept;

inline const uint8_t* RowAt(const PixelRows& rows, int32_t y) noexcept {
    return static_cast<const uint8_t*>(rows.firstRow) + ptrdiff_t(y) * rows.stride;
}

}  // namespace platform::image_detail
