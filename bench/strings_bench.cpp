// Pooled narrow strings against std::string with the default allocator.
//
// Each workload runs once over CStr_base and once over std::string; the *Ratio
// benchmarks time both within the same iteration and report
// ratio = pooled time / std::string time (below 1: the pooled string is faster).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/strings/Str.h"

namespace {

// Texts of 17 to 200 bytes: longer than std::string's in-object buffer, so both
// sides allocate.
const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        uint32_t seed = 1;
        for (int i = 0; i < 256; ++i) {
            seed = seed * 1103515245u + 12345u;
            t.push_back(std::string(17 + (seed >> 16) % 184, char('a' + i % 26)));
        }
        return t;
    }();
    return texts;
}

template <unsigned N>
struct Pooled {
    using String = CStr_base<N>;
    static void Assign(String& s, const std::string& t) { s.Assign(t.c_str()); }
    static void Append(String& s, const std::string& t) { s.Append(t.c_str()); }
    static void AppendChar(String& s, char c) { s.AppendChar(c); }
    static void Free(String& s) { s.Free(); }
    static size_t Length(const String& s) { return size_t(s.GetLength()); }
};

struct Std {
    using String = std::string;
    static void Assign(String& s, const std::string& t) { s.assign(t.c_str()); }
    static void Append(String& s, const std::string& t) { s.append(t.c_str()); }
    static void AppendChar(String& s, char c) { s.push_back(c); }
    static void Free(String& s) { String().swap(s); }
    static size_t Length(const String& s) { return s.size(); }
};

// Many short strings assigned, appended to (growing past their first buffer)
// and freed, the way names and keys churn in the editor.
template <class Impl>
size_t Churn() {
    const std::vector<std::string>& texts = Texts();
    std::vector<typename Impl::String> strings(1024);
    size_t total = 0;
    uint32_t seed = 7;
    for (int op = 0; op < 20000; ++op) {
        seed = seed * 1103515245u + 12345u;
        typename Impl::String& s = strings[(seed >> 8) & 1023];
        const std::string& t = texts[(seed >> 18) & 255];
        switch ((seed >> 28) & 3) {
        case 0: Impl::Assign(s, t); break;
        case 1: Impl::Append(s, t); break;
        case 2: Impl::Free(s); break;
        default:
            Impl::Assign(s, t);
            Impl::Append(s, t);
            break;
        }
        total += Impl::Length(s);
        if (Impl::Length(s) > 2000) Impl::Free(s);
    }
    return total;
}

// One text built up from short pieces to about 1 MB.
template <class Impl>
size_t BuildText() {
    const std::vector<std::string>& texts = Texts();
    typename Impl::String s;
    for (int i = 0; Impl::Length(s) < (1u << 20); ++i) Impl::Append(s, texts[i & 255]);
    return Impl::Length(s);
}

// One byte at a time, 64 KB, in many strings of moderate size.
template <class Impl>
size_t ByteAppends() {
    size_t total = 0;
    for (int k = 0; k < 64; ++k) {
        typename Impl::String s;
        for (int i = 0; i < 1024; ++i) Impl::AppendChar(s, char('a' + i % 26));
        total += Impl::Length(s);
    }
    return total;
}

template <size_t (*Work)()>
void BM_Run(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Work());
}

// Both sides in the same iteration, taking turns at going first so that neither
// always inherits the other's freed memory.
template <size_t (*Pooled)(), size_t (*Standard)()>
void BM_Ratio(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    double pooled = 0;
    double standard = 0;
    bool pooledFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool runPooled = (turn == 0) == pooledFirst;
            const auto t0 = Clock::now();
            benchmark::DoNotOptimize(runPooled ? Pooled() : Standard());
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            (runPooled ? pooled : standard) += seconds;
        }
        pooledFirst = !pooledFirst;
    }
    state.counters["ratio"] = standard > 0 ? pooled / standard : 0;
}

BENCHMARK(BM_Run<Churn<Pooled<64>>>)->Name("Churn/CStr_base<64>");
BENCHMARK(BM_Run<Churn<Std>>)->Name("Churn/std::string");
BENCHMARK(BM_Ratio<Churn<Pooled<64>>, Churn<Std>>)->Name("ChurnRatio/pooled_over_std");

BENCHMARK(BM_Run<BuildText<Pooled<1024>>>)->Name("BuildText/CStr_base<1024>");
BENCHMARK(BM_Run<BuildText<Pooled<16384>>>)->Name("BuildText/CStr_base<16384>");
BENCHMARK(BM_Run<BuildText<Std>>)->Name("BuildText/std::string");
BENCHMARK(BM_Ratio<BuildText<Pooled<1024>>, BuildText<Std>>)->Name("BuildTextRatio/pooled1024_over_std");

BENCHMARK(BM_Run<ByteAppends<Pooled<64>>>)->Name("ByteAppends/CStr_base<64>");
BENCHMARK(BM_Run<ByteAppends<Std>>)->Name("ByteAppends/std::string");
BENCHMARK(BM_Ratio<ByteAppends<Pooled<64>>, ByteAppends<Std>>)->Name("ByteAppendsRatio/pooled_over_std");

}  // namespace
