// RCG records against PNG (libpng, zlib level 6) and lossless WebP on the
// same 2048 x 2048 pixels: a photo-like image (smooth colour fields with fine
// noise) and flat art (a few flat colours in shapes). Every benchmark reports
// the coded size in bytes, the size as a share of the 4-byte pixels and the
// speed in megapixels per second, so codecs compare row by row.
#include <benchmark/benchmark.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kSide = 2048;
constexpr double kPixels = double(kSide) * kSide;

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t Clamp(double v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v); }

// Smooth fields of colour with a little sensor-like noise, opaque.
void PaintPhoto(CSprite& s) {
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) {
            const double u = x / 2048.0, v = y / 2048.0;
            const double noise = static_cast<double>(Hash(static_cast<uint32_t>(y * kSide + x)) & 7) - 3.5;
            const double r = 128 + 90 * std::sin(6.0 * u + 2.0 * v) + 30 * std::sin(23.0 * v) + noise;
            const double g = 110 + 80 * std::sin(4.0 * v - 3.0 * u + 1.0) + 20 * std::cos(31.0 * u) + noise;
            const double b = 100 + 70 * std::cos(5.0 * u * v + 9.0 * v) + noise;
            *s.PixelAt(x, y) = 0xFF000000u | Clamp(r) << 16 | Clamp(g) << 8 | Clamp(b);
        }
}

// Flat art: background, rectangles, discs, outlines and a transparent margin.
void PaintFlat(CSprite& s) {
    static const uint32_t palette[6] = {0xFFE8402Au, 0xFF2A6FE8u, 0xFF30B050u, 0xFFF0C020u, 0xFF202020u, 0xFF9050C0u};
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) {
            uint32_t c = 0xFFF6F2EAu;
            if (x < 64 || y < 64) c = 0x00000000u;
            for (int k = 0; k < 24; ++k) {
                const int32_t cx = static_cast<int32_t>(Hash(k * 7 + 1) % kSide);
                const int32_t cy = static_cast<int32_t>(Hash(k * 7 + 2) % kSide);
                const int32_t r = 60 + static_cast<int32_t>(Hash(k * 7 + 3) % 200);
                const int64_t d = int64_t(x - cx) * (x - cx) + int64_t(y - cy) * (y - cy);
                if (k % 2 == 0) {
                    if (d < int64_t(r) * r) c = palette[k % 6];
                    if (d >= int64_t(r) * r && d < int64_t(r + 3) * (r + 3)) c = 0xFF000000u;
                } else if (std::abs(x - cx) < r && std::abs(y - cy) < r / 2) {
                    c = palette[k % 6];
                }
            }
            *s.PixelAt(x, y) = c;
        }
}

struct Images {
    CSprite photo;
    CSprite flat;
    Images() {
        InitRasterLibrary(1);
        photo.Create(kSide, kSide, false);
        flat.Create(kSide, kSide, false);
        PaintPhoto(photo);
        PaintFlat(flat);
    }
};

Images& TheImages() {
    static Images images;
    return images;
}

const CSprite& Image(int64_t which) { return which == 0 ? TheImages().photo : TheImages().flat; }

void Report(benchmark::State& state, uint64_t bytes) {
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["size_pct"] = 100.0 * static_cast<double>(bytes) / (kPixels * 4);
    state.counters["Mpix/s"] = benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(state.range(0) == 0 ? "photo" : "flat");
}

int32_t DecodeRecord(CSprite& sprite, const CMemoryBlock<unsigned char>& record) {
    return DecodeRcg(sprite, record.GetBuffer(), record.GetCount());
}

void RcgEncode(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    const int32_t level = static_cast<int32_t>(state.range(1));
    uint64_t bytes = 0;
    for (auto _ : state) {
        CMemoryBlock<unsigned char> record;
        if (!RcgEncodeRecord(record, image, kRcgTypeArgb, level)) {
            state.SkipWithError("encode failed");
            return;
        }
        bytes = record.GetCount();
        benchmark::DoNotOptimize(record.GetBuffer());
    }
    Report(state, bytes);
}

void RcgDecode(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    CMemoryBlock<unsigned char> record;
    if (!RcgEncodeRecord(record, image, kRcgTypeArgb, static_cast<int32_t>(state.range(1)))) {
        state.SkipWithError("encode failed");
        return;
    }
    CSprite out;
    if (DecodeRecord(out, record) != 0 ||
        std::memcmp(out.GetPixels(), image.GetPixels(), static_cast<size_t>(kPixels) * 4) != 0) {
        state.SkipWithError("decode differs");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeRecord(out, record));
        benchmark::ClobberMemory();
    }
    Report(state, record.GetCount());
}

// The stream container's unpack alone (levels that write a container).
void RcgUnpack(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    CMemoryBlock<unsigned char> record;
    if (!RcgEncodeRecord(record, image, kRcgTypeArgb, static_cast<int32_t>(state.range(1))) ||
        (RcgGet16(record.GetBuffer() + kRcgOffsetType) & kRcgTypeStreamFlag) == 0) {
        state.SkipWithError("no container at this level");
        return;
    }
    for (auto _ : state) {
        RcgScratchGuard scratch;
        uint32_t innerSize = 0;
        benchmark::DoNotOptimize(
            RcgUnpackStreams(RcgSharedRecordBlock(), innerSize, record.GetBuffer(), record.GetCount()));
        benchmark::ClobberMemory();
    }
    Report(state, record.GetCount());
}

// --- libpng, 8-bit RGBA from the BGRA words, zlib level 6 ---

struct PngBuffer {
    std::vector<uint8_t> bytes;
    size_t read = 0;
};

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* b = static_cast<PngBuffer*>(png_get_io_ptr(png));
    b->bytes.insert(b->bytes.end(), data, data + n);
}
void PngFlush(png_structp) {}
void PngRead(png_structp png, png_bytep data, png_size_t n) {
    auto* b = static_cast<PngBuffer*>(png_get_io_ptr(png));
    if (b->read + n > b->bytes.size()) png_error(png, "short");
    std::memcpy(data, b->bytes.data() + b->read, n);
    b->read += n;
}

bool PngEncode(const CSprite& s, PngBuffer& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = 0; y < kSide; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(s.PixelAt(0, y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool PngDecode(PngBuffer& in, CSprite& s) {
    in.read = 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &in, PngRead);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    for (int32_t y = 0; y < kSide; ++y) png_read_row(png, reinterpret_cast<png_bytep>(s.PixelAt(0, y)), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void PngEncodeBench(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    uint64_t bytes = 0;
    for (auto _ : state) {
        PngBuffer out;
        out.bytes.reserve(8u << 20);
        if (!PngEncode(image, out)) {
            state.SkipWithError("png encode failed");
            return;
        }
        bytes = out.bytes.size();
    }
    Report(state, bytes);
}

void PngDecodeBench(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    PngBuffer coded;
    PngEncode(image, coded);
    CSprite out;
    out.Create(kSide, kSide, false);
    if (!PngDecode(coded, out) || std::memcmp(out.GetPixels(), image.GetPixels(), size_t(kPixels) * 4) != 0) {
        state.SkipWithError("png decode differs");
        return;
    }
    for (auto _ : state) {
        PngDecode(coded, out);
        benchmark::ClobberMemory();
    }
    Report(state, coded.bytes.size());
}

// --- lossless WebP through the simple API ---

void WebpEncodeBench(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    uint64_t bytes = 0;
    for (auto _ : state) {
        uint8_t* out = nullptr;
        bytes = WebPEncodeLosslessBGRA(reinterpret_cast<const uint8_t*>(image.GetPixels()), kSide, kSide, kSide * 4,
                                       &out);
        WebPFree(out);
        if (bytes == 0) {
            state.SkipWithError("webp encode failed");
            return;
        }
    }
    Report(state, bytes);
}

void WebpDecodeBench(benchmark::State& state) {
    const CSprite& image = Image(state.range(0));
    uint8_t* coded = nullptr;
    const size_t size = WebPEncodeLosslessBGRA(reinterpret_cast<const uint8_t*>(image.GetPixels()), kSide, kSide,
                                               kSide * 4, &coded);
    CSprite out;
    out.Create(kSide, kSide, false);
    uint8_t* target = reinterpret_cast<uint8_t*>(out.GetPixels());
    const size_t targetSize = size_t(kPixels) * 4;
    for (auto _ : state) {
        if (WebPDecodeBGRAInto(coded, size, target, targetSize, kSide * 4) == nullptr) {
            state.SkipWithError("webp decode failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    WebPFree(coded);
    Report(state, size);
}

// range(0): 0 photo, 1 flat art; range(1): coding level.
BENCHMARK(RcgEncode)->ArgsProduct({{0, 1}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(RcgDecode)->ArgsProduct({{0, 1}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(RcgUnpack)->ArgsProduct({{0, 1}, {2, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(PngEncodeBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PngDecodeBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(WebpEncodeBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(WebpDecodeBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
