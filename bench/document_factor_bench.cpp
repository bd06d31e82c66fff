// Factor text throughput: parsing and writing the shape and path family, as
// MB/s of factor text in bytes_per_second. A mix like a drawing's (short lines
// and shapes with direct and palette colours, reals, a few paths) and one path
// factor of 10000 nodes.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXFactor.h"

namespace {

std::vector<std::string> MixedTexts(size_t count) {
    std::mt19937 rng(99);
    auto n = [&](int range) { return std::to_string(int(rng() % uint32_t(range)) - range / 4); };
    auto colour = [&]() {
        char buffer[16];
        if (rng() % 4 == 0) {
            std::snprintf(buffer, sizeof buffer, "P%x", unsigned(0x40000000u | (rng() & 0x3FF0000)));
        } else {
            std::snprintf(buffer, sizeof buffer, "%x", unsigned(rng() & 0xFFFFFF));
        }
        return std::string(buffer);
    };
    auto real = [&]() { return std::to_string(double(rng() % 628318) / 100000.0); };
    std::vector<std::string> texts;
    for (size_t i = 0; i < count; ++i) {
        switch (rng() % 6) {
        case 0:
            texts.push_back("Line(" + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(64) + "," +
                            colour() + ",255)");
            break;
        case 1:
            texts.push_back("Circle(" + n(4000) + "," + n(4000) + "," + n(800) + "," + colour() + ",200)");
            break;
        case 2:
            texts.push_back("Arc(" + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," +
                            n(4000) + "," + real() + "," + real() + "," + n(64) + "," + colour() + ",255)");
            break;
        case 3:
            texts.push_back("BoxA(" + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(64) + ",128)");
            break;
        case 4: {
            std::string t = "Diagram(" + n(4000) + "," + n(4000) + "," + colour() + ",255,qdxpath(";
            for (int k = 0; k < 8; ++k) t += "Line(" + n(4000) + "," + n(4000) + "),";
            t += "Return))";
            texts.push_back(t);
            break;
        }
        default:
            texts.push_back("Pie(" + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," + n(4000) + "," +
                            n(4000) + "," + real() + "," + real() + "," + colour() + ",255)");
            break;
        }
    }
    // Canonical form, as a saved document holds it.
    QDXFactor f;
    CStr_base<1024> out;
    for (std::string& t : texts) {
        f.Reset();
        if (f.ParseText(t.c_str()) && f.WriteText(out)) t = out.GetText();
    }
    return texts;
}

std::vector<std::string> LongPath() {
    std::string t = "Frame(0,0,16,ff,255,qdxpath(";
    for (int k = 0; k < 10000; ++k) t += "Line(" + std::to_string(k * 3) + "," + std::to_string(k * 7 % 4000) + "),";
    t.back() = ')';
    t += ")";
    return {t};
}

size_t TotalBytes(const std::vector<std::string>& texts) {
    size_t total = 0;
    for (const std::string& t : texts) total += t.size();
    return total;
}

void Parse(benchmark::State& state, const std::vector<std::string>& texts) {
    auto factor = std::make_unique<QDXFactor>();
    for (auto _ : state) {
        for (const std::string& t : texts) {
            factor->Reset();
            if (!factor->ParseText(t.c_str())) state.SkipWithError("parse failed");
        }
        benchmark::DoNotOptimize(factor->Kind);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TotalBytes(texts)));
}

void Write(benchmark::State& state, const std::vector<std::string>& texts) {
    std::vector<std::unique_ptr<QDXFactor>> factors;
    for (const std::string& t : texts) {
        factors.push_back(std::make_unique<QDXFactor>());
        factors.back()->ParseText(t.c_str());
    }
    CStr_base<1024> out;
    for (auto _ : state) {
        for (const auto& f : factors) {
            if (!f->WriteText(out)) state.SkipWithError("write failed");
            benchmark::DoNotOptimize(out.GetText());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TotalBytes(texts)));
}

void BM_ParseMixed(benchmark::State& state) { Parse(state, MixedTexts(10000)); }
void BM_WriteMixed(benchmark::State& state) { Write(state, MixedTexts(10000)); }
void BM_ParseLongPath(benchmark::State& state) { Parse(state, LongPath()); }
void BM_WriteLongPath(benchmark::State& state) { Write(state, LongPath()); }

BENCHMARK(BM_ParseMixed);
BENCHMARK(BM_WriteMixed);
BENCHMARK(BM_ParseLongPath);
BENCHMARK(BM_WriteLongPath);

}  // namespace
