// JPEG through libjpeg-turbo.
//
// libjpeg's default error handler ends the program; ours jumps back to the
// caller instead. As with libpng, every call that can fail runs in a plain
// function (ReadHeader, ReadPixels, WriteAll) with only scalar locals and its
// own jump point, and the C++ code around it owns the memory.
//
// Decoding asks libjpeg-turbo for B, G, R, A bytes straight into the pixel rows
// (greyscale, RGB and YCbCr alike). CMYK and YCCK come out as CMYK and are
// converted here. The inks are taken as stored inverted, Adobe's convention:
// Photoshop and the other writers store them so, and the common readers
// (ImageMagick, the browsers) read every CMYK file that way, with or without
// Adobe's marker.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "platform/image/ImageCodec.h"
#include "platform/image/ImageCodecDetail.h"

namespace platform::image_detail {
namespace {

struct JpegErrors {
    jpeg_error_mgr manager;  // first: libjpeg sees a jpeg_error_mgr*
    jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

// Warnings are ignored, except that data ending before the image does is a
// failure (libjpeg would fill the rest with grey and carry on).
void OnJpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) OnJpegError(info);
}

void OutputNothing(j_common_ptr) {}

void InitErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    errors.manager.emit_message = OnJpegMessage;
    errors.manager.output_message = OutputNothing;
}

// ---- Reading ----

struct JpegReader {
    jpeg_decompress_struct info;
    JpegErrors errors;
    bool created = false;
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool cmyk = false;
    uint32_t* pixels = nullptr;   // width x height, packed
    uint8_t* inkRow = nullptr;    // one row of CMYK samples
};

// Whether the entropy-coded data after the first scan's header can stand for
// the image: a scan that starts DC values spends at least a bit on every block
// of its components. (An interleaved scan codes whole MCUs, so it holds at
// least the blocks counted here.)
bool IsFirstScanBacked(const jpeg_decompress_struct& info) {
    uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info* component = info.cur_comp_info[i];
        blocks += uint64_t(component->width_in_blocks) * component->height_in_blocks;
    }
    // A sequential scan codes every coefficient whatever its header says.
    const bool startsDc = !info.progressive_mode || (info.Ss == 0 && info.Ah == 0);
    const uint64_t bits = startsDc ? uint64_t(info.src->bytes_in_buffer) * 8 : 0;
    return IsBackedByData(info.image_width, info.image_height, blocks, bits);
}

bool ReadHeader(JpegReader* r) {
    if (setjmp(r->errors.jump)) return false;
    jpeg_create_decompress(&r->info);
    r->created = true;
    jpeg_mem_src(&r->info, r->data, static_cast<unsigned long>(r->size));
    if (jpeg_read_header(&r->info, TRUE) != JPEG_HEADER_OK) return false;
    r->cmyk = r->info.jpeg_color_space == JCS_CMYK || r->info.jpeg_color_space == JCS_YCCK;
    r->info.out_color_space = r->cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    // Refuse sizes no sprite can take, and sizes the data cannot describe,
    // before libjpeg allocates for them.
    if (!IsDecodedSizeAllowed(r->info.image_width, r->info.image_height) || !IsFirstScanBacked(r->info)) {
        return false;
    }
    r->info.mem->max_memory_to_use = 1L << 30;
    jpeg_start_decompress(&r->info);
    return r->info.output_components == 4;
}

// (a x b) / 255 rounded, for bytes.
inline uint32_t MulDiv255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Inverted inks: a stored byte is 255 - ink, so red = (255 - C)(255 - K) / 255
// is the product of the stored bytes.
void InksToPixels(const uint8_t* ink, uint32_t* out, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, ink += 4) {
        const uint32_t k = ink[3];
        const uint32_t r = MulDiv255(ink[0], k);
        const uint32_t g = MulDiv255(ink[1], k);
        const uint32_t b = MulDiv255(ink[2], k);
        out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

bool ReadPixels(JpegReader* r) {
    if (setjmp(r->errors.jump)) return false;
    const uint32_t width = r->info.output_width;
    while (r->info.output_scanline < r->info.output_height) {
        uint32_t* row = r->pixels + size_t(r->info.output_scanline) * width;
        JSAMPROW target = r->cmyk ? r->inkRow : reinterpret_cast<JSAMPROW>(row);
        if (jpeg_read_scanlines(&r->info, &target, 1) != 1) return false;
        if (r->cmyk) InksToPixels(r->inkRow, row, width);
    }
    jpeg_finish_decompress(&r->info);
    return true;
}

// ---- Writing ----

struct JpegWriter {
    jpeg_compress_struct info;
    JpegErrors errors;
    bool created = false;
    const PixelRows* rows = nullptr;
    int quality = 75;
    unsigned char* buffer = nullptr;  // malloc'ed by libjpeg's memory destination
    unsigned long size = 0;
};

bool WriteAll(JpegWriter* w) {
    if (setjmp(w->errors.jump)) return false;
    jpeg_create_compress(&w->info);
    w->created = true;
    jpeg_mem_dest(&w->info, &w->buffer, &w->size);
    const PixelRows& rows = *w->rows;
    w->info.image_width = JDIMENSION(rows.width);
    w->info.image_height = JDIMENSION(rows.height);
    const bool alpha = rows.layout == PixelLayout::Bgra32;
    w->info.input_components = alpha ? 4 : 3;
    w->info.in_color_space = alpha ? JCS_EXT_BGRA : JCS_EXT_BGR;
    jpeg_set_defaults(&w->info);
    jpeg_set_quality(&w->info, w->quality, TRUE);
    jpeg_start_compress(&w->info, TRUE);
    for (int32_t y = 0; y < rows.height; ++y) {
        // libjpeg does not write through the row; its prototype is not const.
        JSAMPROW row = const_cast<JSAMPROW>(RowAt(rows, y));
        if (jpeg_write_scanlines(&w->info, &row, 1) != 1) return false;
    }
    jpeg_finish_compress(&w->info);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPixels& out) noexcept {
    if (size > static_cast<unsigned long>(-1)) return false;
    JpegReader* reader = new (std::nothrow) JpegReader();
    if (reader == nullptr) return false;
    std::unique_ptr<JpegReader> owner(reader);
    std::unique_ptr<uint8_t[]> inkRow;
    reader->data = data;
    reader->size = size;
    InitErrors(reader->errors);
    reader->info.err = &reader->errors.manager;
    bool ok = ReadHeader(reader) &&
              AllocatePixels(out, reader->info.output_width, reader->info.output_height);
    if (ok && reader->cmyk) {
        inkRow.reset(new (std::nothrow) uint8_t[size_t(reader->info.output_width) * 4]);
        reader->inkRow = inkRow.get();
        ok = inkRow != nullptr;
    }
    if (ok) {
        reader->pixels = out.pixels.get();
        ok = ReadPixels(reader);
    }
    if (reader->created) jpeg_destroy_decompress(&reader->info);
    if (!ok) out = DecodedPixels();
    return ok;
}

}  // namespace platform::image_detail

namespace platform {

bool EncodeJpeg(const PixelRows& rows, int quality, std::vector<uint8_t>& out) noexcept {
    out.clear();
    if (!image_detail::IsValidRows(rows) || rows.width > JPEG_MAX_DIMENSION ||
        rows.height > JPEG_MAX_DIMENSION) {
        return false;
    }
    image_detail::JpegWriter* writer = new (std::nothrow) image_detail::JpegWriter();
    if (writer == nullptr) return false;
    std::unique_ptr<image_detail::JpegWriter> owner(writer);
    writer->rows = &rows;
    writer->quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    image_detail::InitErrors(writer->errors);
    writer->info.err = &writer->errors.manager;
    bool ok = image_detail::WriteAll(writer);
    if (writer->created) jpeg_destroy_compress(&writer->info);
    if (ok) {
        try {
            out.assign(writer->buffer, writer->buffer + writer->size);
        } catch (const std::bad_alloc&) {
            out.clear();
            ok = false;
        }
    }
    std::free(writer->buffer);
    return ok;
}

}  // namespace platform
