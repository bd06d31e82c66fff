// Document load and save throughput on a generated document of about 10 MB:
// 500 objects of 200 shape factors each, one object of 2000 factors, and one
// Diagram factor with a path of 10000 nodes. Figures are MB/s of document text
// (bytes_per_second). Save counts SaveString; SaveFile adds the file layer.
#include <benchmark/benchmark.h>

#include <cstdio>
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

void BM_Load(benchmark::State& state) {
    const std::string& text = DocumentText();
    if (text.empty()) {
        state.SkipWithError("generated document does not load");
        return;
    }
    CQDXCtrl doc;
    std::string buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = text;
        state.ResumeTiming();
        if (doc.LoadText(buffer.data()) != 0) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MB"] = double(text.size()) / 1e6;
}

void BM_SaveString(benchmark::State& state) {
    const std::string& text = DocumentText();
    CQDXCtrl doc;
    if (text.empty() || doc.LoadString(text.c_str()) != 0) {
        state.SkipWithError("generated document does not load");
        return;
    }
    CStr_base<16384> out;
    for (auto _ : state) {
        if (!doc.SaveString(out)) state.SkipWithError("save failed");
        benchmark::DoNotOptimize(out.GetText());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
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
