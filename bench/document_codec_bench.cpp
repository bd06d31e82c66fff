// Image-as-text codec throughput. Encode counts input bytes, decode counts input
// text bytes (symbols), as MB/s in bytes_per_second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "document/text/Text128Codec.h"

namespace {

std::vector<uint8_t> RandomBytes(size_t n) {
    std::mt19937 rng(12345);
    std::vector<uint8_t> data(n);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    return data;
}

template <unsigned N>
void BM_Encode(benchmark::State& state) {
    const auto data = RandomBytes(size_t(state.range(0)));
    CStr_base<N> text;
    for (auto _ : state) {
        EncodeText128(text, data.data(), uint32_t(data.size()));
        benchmark::DoNotOptimize(text.GetText());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

template <unsigned N>
void BM_Decode(benchmark::State& state) {
    const auto data = RandomBytes(size_t(state.range(0)));
    CStr_base<N> text;
    EncodeText128(text, data.data(), uint32_t(data.size()));
    std::vector<uint8_t> out(DecodeText128(text, nullptr, 0));
    for (auto _ : state) {
        const uint32_t n = DecodeText128(text, out.data(), uint32_t(out.size()));
        if (n != data.size()) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.GetLength());
}

BENCHMARK(BM_Encode<64>)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Encode<16384>)->Arg(1 << 20);
BENCHMARK(BM_Decode<64>)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Decode<16384>)->Arg(1 << 20);

}  // namespace
