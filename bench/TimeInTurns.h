#pragma once
// Timing ours against a reference in the same benchmark iteration.
#include <benchmark/benchmark.h>

#include <chrono>

namespace bench {

// Runs a and b once per iteration, taking turns at going first so neither
// always finds the caches warmed by the other; prepare() runs untimed before
// each. Adds the seconds spent in each to aSeconds and bSeconds.
template <class Prepare, class A, class B>
void TimeInTurns(benchmark::State& state, Prepare&& prepare, A&& a, B&& b, double& aSeconds, double& bSeconds) {
    using Clock = std::chrono::steady_clock;
    auto timed = [&prepare](auto& f) {
        prepare();
        const auto t0 = Clock::now();
        f();
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(Clock::now() - t0).count();
    };
    bool aFirst = true;
    for (auto _ : state) {
        if (aFirst) {
            aSeconds += timed(a);
            bSeconds += timed(b);
        } else {
            bSeconds += timed(b);
            aSeconds += timed(a);
        }
        aFirst = !aFirst;
    }
}

}  // namespace bench
