#pragma once
// Shared pieces of the codecs in platform/image/; not for other callers.
#include <cstddef>
#include <cstdint>

#include "platform/image/ImageCodec.h"

namespace platform::image_detail {

// Gives `out` a width x height pixel block (not cleared); false, with `out`
// empty, for a size outside IsDecodedSizeAllowed or when memory is short.
bool AllocatePixels(DecodedPixels& out, uint64_t width, uint64_t height) noexcept;

// Whether the file's data can stand for a width x height image: it needs at
// least `needed` units (bytes, bits: the codec's choice) to describe the image
// and holds at most `available`. Images of up to kUnbackedPixels always pass.
bool IsBackedByData(uint64_t width, uint64_t height, uint64_t needed, uint64_t available) noexcept;

// The most raw bytes one byte of a deflate stream expands to: a dynamic block
// can code a 258-byte match at distance 1 in two bits.
constexpr uint64_t kDeflateMaxRatio = 1032;
// Pixels one byte of run-length bitmap data may cover (see ImageCodec.cpp).
constexpr uint64_t kRunLengthPixelsPerByte = 8192;

bool DecodePng(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;
bool DecodeBmp(const uint8_t* data, size_t size, DecodedPixels& out) noexcept;

// Whether the rows describe an image an encoder can read.
bool IsValidRows(const PixelRows& rows) noexcept;

inline const uint8_t* RowAt(const PixelRows& rows, int32_t y) noexcept {
    return static_cast<const uint8_t*>(rows.firstRow) + ptrdiff_t(y) * rows.stride;
}

}  // namespace platform::image_detail
