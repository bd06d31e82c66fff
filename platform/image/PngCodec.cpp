// PNG through libpng.
//
// libpng reports errors by longjmp to the setjmp of the caller. A longjmp must
// not cross a C++ frame with live destructors, so every call that can fail runs
// in a plain function (ReadHeader, ReadPixels, WriteAll) whose only locals are
// scalars and which sets its own jump point; the C++ code around them owns the
// memory and the libpng structures and destroys them on every path.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/image/ImageCodec.h"
#include "platform/image/ImageCodecDetail.h"

namespace platform::image_detail {
namespace {

// ---- Reading ----

// Trivially destructible: it lives across the jump points.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    uint32_t storedBits = 0;  // bits a pixel as stored, before the transformations
    png_bytepp rows = nullptr;
};

// Errors are reported by the result alone; nothing is printed.
void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// Reads the header and sets the transformations that give 8-bit B, G, R, A.
bool ReadHeader(PngReader* r) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, r, ReadFromMemory);
    png_read_info(r->png, r->info);
    const int colorType = png_get_color_type(r->png, r->info);
    const int bitDepth = png_get_bit_depth(r->png, r->info);
    const bool hasTransparency = png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;
    r->storedBits = uint32_t(bitDepth) * png_get_channels(r->png, r->info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    if (hasTransparency) png_set_tRNS_to_alpha(r->png);
    if (bitDepth == 16) png_set_scale_16(r->png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(r->png);
    }
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency) {
        png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_bgr(r->png);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    r->width = png_get_image_width(r->png, r->info);
    r->height = png_get_image_height(r->png, r->info);
    return png_get_rowbytes(r->png, r->info) == size_t(r->width) * 4;
}

bool ReadPixels(PngReader* r) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_image(r->png, r->rows);
    png_read_end(r->png, nullptr);
    return true;
}

class ReaderGuard {
public:
    explicit ReaderGuard(PngReader& r) : m_reader(r) {}
    ~ReaderGuard() { png_destroy_read_struct(&m_reader.png, &m_reader.info, nullptr); }
    ReaderGuard(const ReaderGuard&) = delete;
    ReaderGuard& operator=(const ReaderGuard&) = delete;

private:
    PngReader& m_reader;
};

// ---- Writing ----

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const PixelRows* rows = nullptr;
    int level = 6;
    uint8_t* buffer = nullptr;  // malloc'ed, grown by the write callback
    size_t size = 0;
    size_t capacity = 0;
};

void WriteToMemory(png_structp png, png_bytep data, size_t count) {
    PngWriter* w = static_cast<PngWriter*>(png_get_io_ptr(png));
    if (count > w->capacity - w->size) {
        size_t capacity = w->capacity < 65536 ? 65536 : w->capacity;
        while (capacity - w->size < count) {
            if (capacity > SIZE_MAX / 2) png_error(png, "too large");
            capacity *= 2;
        }
        uint8_t* grown = static_cast<uint8_t*>(std::realloc(w->buffer, capacity));
        if (grown == nullptr) png_error(png, "out of memory");
        w->buffer = grown;
        w->capacity = capacity;
    }
    std::memcpy(w->buffer + w->size, data, count);
    w->size += count;
}

void FlushNothing(png_structp) {}

bool WriteAll(PngWriter* w) {
    if (setjmp(png_jmpbuf(w->png))) return false;
    const PixelRows& rows = *w->rows;
    const bool alpha = rows.layout == PixelLayout::Bgra32;
    png_set_write_fn(w->png, w, WriteToMemory, FlushNothing);
    png_set_IHDR(w->png, w->info, png_uint_32(rows.width), png_uint_32(rows.height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(w->png, w->level);
    png_set_filter(w->png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(w->png, w->info);
    png_set_bgr(w->png);
    for (int32_t y = 0; y < rows.height; ++y) {
        // libpng does not write through the row; its prototype is not const.
        png_write_row(w->png, const_cast<png_bytep>(RowAt(rows, y)));
    }
    png_write_end(w->png, w->info);
    return true;
}

class WriterGuard {
public:
    explicit WriterGuard(PngWriter& w) : m_writer(w) {}
    ~WriterGuard() {
        png_destroy_write_struct(&m_writer.png, &m_writer.info);
        std::free(m_writer.buffer);
    }
    WriterGuard(const WriterGuard&) = delete;
    WriterGuard& operator=(const WriterGuard&) = delete;

private:
    PngWriter& m_writer;
};

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedPixels& out) noexcept {
    PngReader reader;
    reader.data = data;
    reader.size = size;
    ReaderGuard guard(reader);
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (reader.png == nullptr) return false;
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr || !ReadHeader(&reader)) return false;
    // The filtered rows hold a filter byte a row and the packed samples (an
    // interlaced image holds more); the rest of the file must be able to
    // inflate to that much.
    const uint64_t width = reader.width;
    const uint64_t height = reader.height;
    if (!IsDecodedSizeAllowed(width, height)) return false;  // first: the product must not overflow
    const uint64_t rowData = height + width * height * reader.storedBits / 8;
    if (!IsBackedByData(width, height, rowData, uint64_t(size - reader.position) * kDeflateMaxRatio)) {
        return false;
    }
    if (!AllocatePixels(out, width, height)) return false;
    std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[reader.height]);
    if (rows == nullptr) {
        out = DecodedPixels();
        return false;
    }
    for (png_uint_32 y = 0; y < reader.height; ++y) {
        rows[y] = reinterpret_cast<png_bytep>(out.Row(int32_t(y)));
    }
    reader.rows = rows.get();
    if (!ReadPixels(&reader)) {
        out = DecodedPixels();
        return false;
    }
    return true;
}

}  // namespace platform::image_detail

namespace platform {

bool EncodePng(const PixelRows& rows, int level, std::vector<uint8_t>& out) noexcept {
    out.clear();
    if (!image_detail::IsValidRows(rows)) return false;
    image_detail::PngWriter writer;
    writer.rows = &rows;
    writer.level = level < 0 ? 0 : level > 9 ? 9 : level;
    image_detail::WriterGuard guard(writer);
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, image_detail::OnPngError,
                                         image_detail::OnPngWarning);
    if (writer.png == nullptr) return false;
    writer.info = png_create_info_struct(writer.png);
    if (writer.info == nullptr || !image_detail::WriteAll(&writer)) return false;
    try {
        out.assign(writer.buffer, writer.buffer + writer.size);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace platform
