// Reading and writing a settings text of about 1 MB: sections of a few dozen
// values nested three deep, keys and values of typical length, some values with
// escapes and two-byte characters. Bytes per second are the text's size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "foundation/settings/IniExCtrl.h"

namespace {

using Tree = CIniExCtrl_base<32, 32, 64>;

std::string MakeText(size_t targetBytes) {
    std::string text;
    uint32_t n = 0;
    auto values = [&](int depth, int count) {
        for (int v = 0; v < count; ++v, ++n) {
            text.append(size_t(depth), '\t');
            text += "Key" + std::to_string(v);
            text += '=';
            switch (n % 4) {
            case 0: text += std::to_string(n * 2654435761u); break;
            case 1: text += "C:\\\\Users\\\\name\\\\file" + std::to_string(n) + ".qdx"; break;
            case 2: text += "\x83\x65\x83\x4c\x83\x58\x83\x67\\nline two\\tcolumn"; break;
            default: text += "true"; break;
            }
            text += '\n';
        }
    };
    for (int top = 0; text.size() < targetBytes; ++top) {
        text += "[Section" + std::to_string(top) + "]\n";
        values(1, 20);
        for (int mid = 0; mid < 4; ++mid) {
            text += "\t[Group" + std::to_string(mid) + "]\n";
            values(2, 12);
            text += "\t\t[Detail]\n";
            values(3, 6);
            text += "\t\t[EndSection]\n";
            text += "\t[EndSection]\n";
        }
        text += "[EndSection]\n";
    }
    return text;
}

const std::string& Text() {
    static const std::string text = MakeText(1u << 20);
    return text;
}

void BM_ParseSettings1MB(benchmark::State& state) {
    const std::string& text = Text();
    Tree tree;
    for (auto _ : state) {
        const bool ok = tree.Parse(text.c_str(), true);
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseSettings1MB)->Unit(benchmark::kMillisecond);

void BM_WriteSettings1MB(benchmark::State& state) {
    Tree tree;
    tree.Parse(Text().c_str(), true);
    CStr_base<1024> out;
    int64_t bytes = 0;
    for (auto _ : state) {
        out.SetLength(0);
        tree.WriteSectionToString(out, tree.GetRoot(), 0, false);
        bytes += out.GetLength();
        benchmark::DoNotOptimize(out.GetText());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteSettings1MB)->Unit(benchmark::kMillisecond);

}  // namespace
