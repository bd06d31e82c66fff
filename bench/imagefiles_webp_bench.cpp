// Saving a 2048 x 2048 sprite as WebP against libwebp's own cwebp with the
// same settings (lossless: quality 70, method 4, exact; lossy: the default
// preset at quality 75). Every row's time is processor time, so that a busy
// machine does not decide the comparison: ours is this thread's (EncodeWebP:
// import and encoding; SaveWebPFile: the same plus the file write), cwebp's is
// the child process's less the time it reports for reading its input. Sizes
// are reported as counters. The cwebp rows are skipped without cwebp.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "foundation/containers/MemoryBlock.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kSide = 2048;

// Smooth gradients with mild noise and a soft alpha edge: photo-like content.
void PaintPhotoLike(CSprite& s) {
    std::mt19937 rng(1);
    for (int32_t y = 0; y < kSide; ++y) {
        for (int32_t x = 0; x < kSide; ++x) {
            const uint32_t n = rng() % 12;
            const uint32_t r = (uint32_t(x) / 8 + n) & 0xFF;
            const uint32_t g = (uint32_t(y) / 8 + n) & 0xFF;
            const uint32_t b = (uint32_t(x + y) / 16 + n * 2) & 0xFF;
            const uint32_t a = x < 256 ? uint32_t(x) : 255u;
            *s.PixelAt(x, y) = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

class Fixture {
public:
    Fixture() {
        InitRasterLibrary(1);
        std::string pattern = (std::filesystem::temp_directory_path() / "oc-webp-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        if (!sprite.Create(kSide, kSide, false)) std::abort();
        PaintPhotoLike(sprite);
        // The same pixels as a PAM file for cwebp.
        pam = folder + "/in.pam";
        FILE* f = std::fopen(pam.c_str(), "wb");
        if (f == nullptr) std::abort();
        std::fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", kSide, kSide);
        std::string row(size_t(kSide) * 4, '\0');
        for (int32_t y = 0; y < kSide; ++y) {
            for (int32_t x = 0; x < kSide; ++x) {
                const uint32_t p = *sprite.PixelAt(x, y);
                row[size_t(x) * 4 + 0] = char(p >> 16);
                row[size_t(x) * 4 + 1] = char(p >> 8);
                row[size_t(x) * 4 + 2] = char(p);
                row[size_t(x) * 4 + 3] = char(p >> 24);
            }
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
    }
    ~Fixture() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    CSprite sprite;
    std::string folder;
    std::string pam;
};

double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double ChildSeconds() {
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void SaveOurs(benchmark::State& state, float quality) {
    Fixture& fx = Shared();
    const std::string out = fx.folder + "/ours.webp";
    for (auto _ : state) {
        const double start = ThreadSeconds();
        if (!SaveWebPFile(fx.sprite, out.c_str(), quality)) state.SkipWithError("SaveWebPFile failed");
        state.SetIterationTime(ThreadSeconds() - start);
    }
    state.counters["bytes"] = double(std::filesystem::file_size(out));
}

void SaveCwebp(benchmark::State& state, const char* options) {
    Fixture& fx = Shared();
    if (std::system("command -v cwebp >/dev/null 2>&1") != 0) {
        state.SkipWithError("cwebp is not installed");
        return;
    }
    const std::string out = fx.folder + "/cwebp.webp";
    const std::string command = "cwebp -v " + std::string(options) + " '" + fx.pam + "' -o '" + out + "' 2>&1";
    for (auto _ : state) {
        const double start = ChildSeconds();
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            state.SkipWithError("cannot run cwebp");
            return;
        }
        std::string text;
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
        pclose(pipe);
        const double used = ChildSeconds() - start;
        const size_t at = text.find("Time to read input:");
        if (at == std::string::npos) {
            state.SkipWithError("cwebp printed no reading time");
            return;
        }
        state.SetIterationTime(used - std::atof(text.c_str() + at + 19));
    }
    state.counters["bytes"] = double(std::filesystem::file_size(out));
}

void EncodeOurs(benchmark::State& state, float quality) {
    Fixture& fx = Shared();
    uint32_t bytes = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        CMemoryBlock<unsigned char> out;
        if (!EncodeWebP(fx.sprite, out, quality)) state.SkipWithError("EncodeWebP failed");
        bytes = out.GetCount();
        state.SetIterationTime(ThreadSeconds() - start);
    }
    state.counters["bytes"] = double(bytes);
}

void BM_EncodeWebP_Lossless(benchmark::State& state) { EncodeOurs(state, kWebPLossless); }
void BM_SaveWebPFile_Lossless(benchmark::State& state) { SaveOurs(state, kWebPLossless); }
void BM_Cwebp_Lossless(benchmark::State& state) { SaveCwebp(state, "-lossless -q 70 -m 4 -exact"); }
void BM_EncodeWebP_Q75(benchmark::State& state) { EncodeOurs(state, 75.0f); }
void BM_SaveWebPFile_Q75(benchmark::State& state) { SaveOurs(state, 75.0f); }
void BM_Cwebp_Q75(benchmark::State& state) { SaveCwebp(state, "-q 75 -m 4"); }

BENCHMARK(BM_EncodeWebP_Lossless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);
BENCHMARK(BM_SaveWebPFile_Lossless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);
BENCHMARK(BM_Cwebp_Lossless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);
BENCHMARK(BM_EncodeWebP_Q75)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(8);
BENCHMARK(BM_SaveWebPFile_Q75)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(8);
BENCHMARK(BM_Cwebp_Q75)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(8);

}  // namespace
