// PNG saving of a 2048 x 2048 photo-like image with alpha: our encoder into
// memory, the whole save (encoder + atomic file replace), and decoding the
// result. ImageMagick's `convert` at the same zlib level (-quality 65: level 6,
// adaptive filters) is timed once before the loop, start-up and reading its raw
// input included, and shown as counters beside ours.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imagefiles/GdiPlus.h"
#include "platform/Utf8.h"
#include "platform/image/ImageCodec.h"

namespace {

constexpr int32_t kSide = 2048;

// Gradients with mild noise, and an alpha ramp with a transparent corner.
const std::vector<uint32_t>& PhotoLike() {
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(kSide) * kSide);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < kSide; ++y) {
            for (int32_t x = 0; x < kSide; ++x) {
                const uint32_t n = rng() & 7;
                const uint32_t r = ((x >> 3) + n) & 0xFF, g = ((y >> 3) + n) & 0xFF, b = (((x + y) >> 4) + n) & 0xFF;
                const uint32_t a = x < 256 && y < 256 ? 0 : 255 - (y >> 4);
                p[size_t(y) * kSide + x] = a << 24 | r << 16 | g << 8 | b;
            }
        }
        return p;
    }();
    return pixels;
}

std::string Scratch(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

platform::PixelRows Rows() {
    platform::PixelRows rows;
    rows.firstRow = PhotoLike().data();
    rows.width = rows.height = kSide;
    rows.stride = ptrdiff_t(kSide) * 4;
    return rows;
}

void BM_EncodePngLevel6(benchmark::State& state) {
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!platform::EncodePng(Rows(), 6, out)) state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(out.size());
    state.counters["Mpixel/s"] = benchmark::Counter(double(kSide) * kSide / 1e6 * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodePngLevel6)->Unit(benchmark::kMillisecond);

void BM_SavePng32VersusConvert(benchmark::State& state) {
    // ImageMagick once, outside the loop.
    const std::string raw = Scratch("oc-png-bench.rgba");
    const std::string theirs = Scratch("oc-png-bench-convert.png");
    double convertMs = -1, convertBytes = -1;
    if (std::system("command -v convert >/dev/null 2>&1") == 0) {
        if (FILE* f = std::fopen(raw.c_str(), "wb")) {
            for (uint32_t p : PhotoLike()) {
                const unsigned char rgba[4] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)};
                std::fwrite(rgba, 1, 4, f);
            }
            std::fclose(f);
            const std::string command = "convert -size 2048x2048 -depth 8 rgba:'" + raw + "' -quality 65 '" + theirs + "'";
            const auto start = std::chrono::steady_clock::now();
            if (std::system(command.c_str()) == 0) {
                convertMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                convertBytes = double(std::filesystem::file_size(theirs));
            }
        }
    }
    const std::string ours = Scratch("oc-png-bench-ours.png");
    std::u16string path;
    platform::Utf8ToUtf16(ours.data(), ours.size(), path);
    for (auto _ : state) {
        if (!GDIPlusDLL::SavePng32(path.c_str(), PhotoLike().data(), kSide, kSide)) state.SkipWithError("save failed");
    }
    state.counters["bytes"] = double(std::filesystem::file_size(ours));
    state.counters["convert_ms"] = convertMs;
    state.counters["convert_bytes"] = convertBytes;
    std::error_code error;
    std::filesystem::remove(raw, error);
    std::filesystem::remove(theirs, error);
    std::filesystem::remove(ours, error);
}
BENCHMARK(BM_SavePng32VersusConvert)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
    std::vector<uint8_t> file;
    platform::EncodePng(Rows(), 6, file);
    platform::DecodedPixels image;
    for (auto _ : state) {
        if (!platform::DecodeImage(file.data(), file.size(), image)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.pixels.get());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(kSide) * kSide / 1e6 * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);

}  // namespace
