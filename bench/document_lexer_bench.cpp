// The lexical tools at the rate the document reader needs them: every factor
// text of a document is split into its arguments, and the factor parser tests up
// to 306 keywords per text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "document/text/TextLexer.h"

namespace {

// About 1 MB of factor argument lists of the kinds a document holds: short
// numeric lists, quoted names with escapes, nested path lists and Japanese names.
const std::vector<std::string>& ArgumentLists() {
    static const std::vector<std::string> lists = [] {
        const char* const shapes[] = {
            "120,340,560,780,0xFF204080,255,1)",
            "\"Layer \\\"A\\\"\",12,-4,0.500000000,1.000000000,0)",
            "qdxpath(Line(1600,3200),CircleCurve(4800,3200,3200,3200,t),Arc(0,0,16,16),Jump(5,5)),0xFF000000,3)",
            "\"\x83\x8C\x83\x43\x83\x84\x81\x5C\x82\x50\",array(mixgradinfo(0,0xFF0000FF),mixgradinfo(255,0x40FF00FF)),2)",
            "'single, quoted',[1,2,3],{4,5},6)",
        };
        std::vector<std::string> out;
        size_t total = 0;
        for (size_t i = 0; total < (1u << 20); ++i) {
            out.emplace_back(shapes[i % 5]);
            total += out.back().size();
        }
        return out;
    }();
    return lists;
}

template <unsigned N>
void BM_SplitArguments(benchmark::State& state) {
    const std::vector<std::string>& lists = ArgumentLists();
    CStrArray_base<N> items;
    size_t bytes = 0;
    for (auto _ : state) {
        uint32_t count = 0;
        for (const std::string& text : lists) {
            const char* end = nullptr;
            count += SplitArguments(items, text.c_str(), &end);
            bytes += text.size();
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(int64_t(bytes));
}
BENCHMARK(BM_SplitArguments<64>)->Name("SplitArguments/64");
BENCHMARK(BM_SplitArguments<1024>)->Name("SplitArguments/1024");

// A factor text tested against 306 keywords that share their first bytes with
// it, the way the parser's keyword table does.
void BM_KeywordPrefixMatch(benchmark::State& state) {
    std::vector<std::string> keywords;
    for (int i = 0; i < 306; ++i) keywords.push_back("DrawObject" + std::to_string(i) + "(");
    const char* text = "DrawObject305(\"a\",1,2)";
    for (auto _ : state) {
        int matches = 0;
        for (const std::string& k : keywords) matches += KeywordPrefixMatch(text, k.c_str());
        benchmark::DoNotOptimize(matches);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 306);
}
BENCHMARK(BM_KeywordPrefixMatch);

}  // namespace
