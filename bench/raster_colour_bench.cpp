// Colour-processing kernels over 1920 x 1080, on noise (every pixel random,
// alpha included) and on a smooth image (gradients: runs of equal or slowly
// changing colours, opaque):
//   AdjustHSV             hue shift in place (with the one-entry conversion cache)
//   MulSaturation         saturation scaling by the mean and by the luma grey
//   ApplyColorMatrix4x5   a full 4 x 5 colour matrix in place
//   ReplaceColor          key replacement in place (when the sprite has it)
// Each times the kernel and a memcpy of the same bytes (1920 x 1080 x 4) in
// the same iteration, taking turns at going first, and reports
//   Mpixel/s = pixels per second of the kernel alone,
//   speed_vs_memcpy = memcpy time / kernel time (1: as fast as copying the image).
// The image is restored (untimed) before every timed call.
//
// The colour matrix also runs against OpenCV's cv::transform on the same
// pixels in place (CV_8UC4, a 4 x 5 float matrix with the same coefficients in
// BGRA order; single-threaded), reporting speed = OpenCV time / kernel time.
// OpenCV rounds each channel where the kernel truncates; the work is the same.
// That comparison is built only when OpenCV is found (see CMakeLists.txt).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/TimeInTurns.h"
#include "raster/colour/ColourMatrix.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

#if OC_BENCH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr size_t kPixels = size_t(kWidth) * kHeight;

enum Input { kNoise, kSmooth };

// The sprite the kernels work on, its initial pixels, and a target for the
// memcpy of the same bytes.
struct Frame {
    CSprite sprite;
    std::vector<uint32_t> initial;
    std::vector<uint32_t> copy;

    explicit Frame(Input input) : initial(kPixels), copy(kPixels) {
        InitRasterLibrary(1);
        sprite.Create(kWidth, kHeight, false);
        std::mt19937 rng(14121);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                uint32_t p = rng();
                if (input == kSmooth) {
                    const uint32_t r = uint32_t(x) * 255 / kWidth, g = uint32_t(y) * 255 / kHeight;
                    const uint32_t b = (uint32_t(x) + uint32_t(y)) * 255 / (kWidth + kHeight);
                    p = 0xFF000000u | (r << 16) | (g << 8) | b;
                }
                initial[size_t(y) * kWidth + x] = p;
            }
        Reset();
    }
    void Reset() {
        for (int32_t y = 0; y < kHeight; ++y)
            std::memcpy(sprite.PixelAt(0, y), &initial[size_t(y) * kWidth], size_t(kWidth) * 4);
    }
    void Memcpy() { std::memcpy(copy.data(), initial.data(), kPixels * 4); }
};

void Report(benchmark::State& state, double kernelSeconds, double referenceSeconds, const char* speedName,
            const char* referenceName) {
    const double n = double(state.iterations());
    state.counters["Mpixel/s"] = kernelSeconds > 0 ? n * double(kPixels) / kernelSeconds / 1e6 : 0;
    state.counters[speedName] = kernelSeconds > 0 ? referenceSeconds / kernelSeconds : 0;
    state.counters["kernel_ms"] = kernelSeconds / n * 1e3;
    state.counters[referenceName] = referenceSeconds / n * 1e3;
}

template <class Kernel>
void VsMemcpy(benchmark::State& state, Input input, Kernel kernel) {
    Frame f(input);
    double ours = 0, copy = 0;
    bench::TimeInTurns(
        state, [&f] { f.Reset(); }, [&f, &kernel] { kernel(f.sprite); }, [&f] { f.Memcpy(); }, ours, copy);
    Report(state, ours, copy, "speed_vs_memcpy", "memcpy_ms");
}

// A full 4 x 5 matrix (every coefficient and constant in use, alpha row
// included), packed and folded as the renderer does; it packs to the 4x5 shape.
struct Matrix4x5 {
    int32_t packed[colour_matrix::kSimpleSize] = {};
    int32_t count = 0;
    Matrix4x5() {
        static constexpr double kRows[4][5] = {{0.393, 0.769, 0.189, 0.1, -12.75},
                                               {0.349, 0.686, 0.168, -0.2, 5.1},
                                               {-0.272, 0.534, 0.131, 0.25, 25.5},
                                               {0.1, -0.2, 0.3, 0.75, 31.875}};
        int32_t full[colour_matrix::kExtendedSize] = {};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 5; ++c) full[9 * r + 2 * c] = int32_t(kRows[r][c] * 65536);
        count = ColorMatrix::CompactSimpleForm(full, packed);
        ColorMatrix::ApplyOpacity(packed, count, 255);
    }
};

void BM_AdjustHSV(benchmark::State& state, Input input) {
    VsMemcpy(state, input, [](CSprite& s) { s.AdjustHSV(0, 0, kWidth, kHeight, 40, 24, -8); });
}

void BM_MulSaturation(benchmark::State& state, Input input, uint32_t grey) {
    // 1.5 in 16.16: more saturated, so channels clamp now and then.
    VsMemcpy(state, input, [grey](CSprite& s) { s.MulSaturationByGrey(0, 0, kWidth, kHeight, 0x18000, grey); });
}

void BM_ColorMatrix4x5(benchmark::State& state, Input input) {
    const Matrix4x5 m;
    if (m.count != 20) {
        state.SkipWithError("the matrix did not pack to 4x5");
        return;
    }
    VsMemcpy(state, input, [&m](CSprite& s) { s.ApplyColorMatrix4x5(0, 0, kWidth, kHeight, m.packed); });
}

#if OC_BENCH_OPENCV
void BM_ColorMatrix4x5VsOpenCV(benchmark::State& state, Input input) {
    cv::setNumThreads(1);
    const Matrix4x5 m;
    // Memory holds B, G, R, A per pixel: our channel c is OpenCV's kBgra[c].
    static constexpr int kBgra[4] = {2, 1, 0, 3};
    cv::Mat coefficients(4, 5, CV_32F);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) coefficients.at<float>(kBgra[r], kBgra[c]) = float(m.packed[5 * r + c]) / 65536;
        coefficients.at<float>(kBgra[r], 4) = float(m.packed[5 * r + 4]) / 65536;
    }
    Frame f(input);
    cv::Mat pixels(kHeight, kWidth, CV_8UC4, f.sprite.GetPixels(), size_t(f.sprite.GetStride()) * 4);
    // Same work: both results agree within the one level of rounding.
    f.sprite.ApplyColorMatrix4x5(0, 0, kWidth, kHeight, m.packed);
    const std::vector<uint32_t> expected(f.sprite.GetPixels(), f.sprite.GetPixels() + kPixels);
    f.Reset();
    cv::transform(pixels, pixels, coefficients);
    const uint8_t* a = reinterpret_cast<const uint8_t*>(expected.data());
    const uint8_t* b = reinterpret_cast<const uint8_t*>(f.sprite.GetPixels());
    for (size_t i = 0; i < kPixels * 4; ++i)
        if (std::abs(int(a[i]) - int(b[i])) > 1) {
            state.SkipWithError("cv::transform does not compute the same matrix");
            return;
        }
    double ours = 0, theirs = 0;
    bench::TimeInTurns(
        state, [&f] { f.Reset(); }, [&] { f.sprite.ApplyColorMatrix4x5(0, 0, kWidth, kHeight, m.packed); },
        [&] { cv::transform(pixels, pixels, coefficients); }, ours, theirs);
    Report(state, ours, theirs, "speed_vs_opencv", "opencv_ms");
}
#endif

// Key replacement: a colour of the image replaced wherever it occurs (a band
// of the smooth image, a few pixels of the noise). The member arrives with the
// replacement kernels; until then the case is left out.
template <class S>
concept HasReplaceColor = requires(S& s) {
    s.ReplaceColor(int32_t{}, int32_t{}, int32_t{}, int32_t{}, uint32_t{}, uint32_t{});
};

template <class S>
void BM_ReplaceColor(benchmark::State& state, Input input) {
    const uint32_t key = input == kSmooth ? 0xFF404020u : 0xFF123456u;
    VsMemcpy(state, input, [key](S& s) { s.ReplaceColor(0, 0, kWidth, kHeight, key, 0x00FF8000u); });
}

template <class S>
void RegisterReplaceColor(const std::string& inputName, Input input) {
    if constexpr (HasReplaceColor<S>)
        benchmark::RegisterBenchmark(("ReplaceColor/" + inputName).c_str(), BM_ReplaceColor<S>, input);
}

void Register() {
    for (const auto& [name, input] : {std::pair<std::string, Input>{"noise", kNoise}, {"smooth", kSmooth}}) {
        benchmark::RegisterBenchmark(("AdjustHSV/" + name).c_str(), BM_AdjustHSV, input);
        benchmark::RegisterBenchmark(("MulSaturation/mean/" + name).c_str(), BM_MulSaturation, input, 0u);
        benchmark::RegisterBenchmark(("MulSaturation/luma/" + name).c_str(), BM_MulSaturation, input, 3u);
        benchmark::RegisterBenchmark(("ColorMatrix4x5/" + name).c_str(), BM_ColorMatrix4x5, input);
#if OC_BENCH_OPENCV
        benchmark::RegisterBenchmark(("ColorMatrix4x5VsOpenCV/" + name).c_str(), BM_ColorMatrix4x5VsOpenCV, input);
#endif
        RegisterReplaceColor<CSprite>(name, input);
    }
}

const int kRegistered = (Register(), 0);

}  // namespace
