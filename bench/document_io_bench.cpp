// Document load and save throughput on a generated document of about 10 MB:
// 500 objects of 200 shape factors each, one object of 2000 factors, and one
// Diagram factor with a path of 10000 nodes. Figures are MB/s of document text
// (bytes_per_second). Save counts SaveString; SaveFile adds the file layer.
// x_read is the time of a load or save over the time of reading the same bytes
// once (read_MBps); the aims are 100 MB/s for loading and 200 MB/s for saving.
// The generated document is in bench/DocumentGenerator.h; document_open
// measures a load in a fresh process with its peak memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "bench/DocumentGenerator.h"
#include "document/model/QDXCtrl.h"

namespace {

const std::string& DocumentText() {
    static const std::string text = bench::GeneratedDocument(500);
    return text;
}

// Seconds spent reading every byte of the text once (counting its line feeds):
// the floor any reader of the text sits on.
double ReadSeconds(const std::string& text) {
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    size_t lines = 0;
    const char* const end = text.data() + text.size();
    for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))) != nullptr;
         ++p)
        ++lines;
    benchmark::DoNotOptimize(lines);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Sets the ratio counter: time per iteration over the time of reading the text.
void ReportReadRatio(benchmark::State& state, double seconds, double readSeconds) {
    state.counters["x_read"] = readSeconds > 0 ? seconds / readSeconds : 0;
    state.counters["read_MBps"] = readSeconds > 0 ? double(DocumentText().size()) / 1e6 / readSeconds : 0;
}

void BM_Load(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string& text = DocumentText();
    if (text.empty()) {
        state.SkipWithError("generated document does not load");
        return;
    }
    CQDXCtrl doc;
    std::string buffer;
    double seconds = 0, readSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = text;
        readSeconds += ReadSeconds(text);
        state.ResumeTiming();
        const auto t0 = Clock::now();
        if (doc.LoadText(buffer.data()) != 0) state.SkipWithError("load failed");
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MB"] = double(text.size()) / 1e6;
    ReportReadRatio(state, seconds, readSeconds);
}

void BM_SaveString(benchmark::State& state) {
    const std::string& text = DocumentText();
    CQDXCtrl doc;
    if (text.empty() || doc.LoadString(text.c_str()) != 0) {
        state.SkipWithError("generated document does not load");
        return;
    }
    CStr_base<16384> out;
    double seconds = 0, readSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        readSeconds += ReadSeconds(text);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        if (!doc.SaveString(out)) state.SkipWithError("save failed");
        benchmark::DoNotOptimize(out.GetText());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    ReportReadRatio(state, seconds, readSeconds);
}

void BM_SaveFile(benchmark::State& state) {
    const std::string& text = DocumentText();
    CQDXCtrl doc;
    if (text.empty() || doc.LoadString(text.c_str()) != 0) {
        state.SkipWithError("generated document does not load");
        return;
    }
    const std::string path = (std::filesystem::temp_directory_path() / "document_io_bench.qdx").string();
    for (auto _ : state) {
        if (!doc.SaveFile(path.c_str())) state.SkipWithError("save failed");
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
