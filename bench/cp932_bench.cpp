// Code page 932 <-> UTF-16 on 1 MB of mixed Japanese and ASCII text: the wide
// string's conversions against a bare iconv call on the same text, to show what
// the wrapper (size query, ASCII runs, the Windows patches, the string) costs.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <bit>
#include <string>
#include <vector>

#include "foundation/strings/UStr.h"

namespace {

const char* Utf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// About 1 MB of text: lines of a settings file and a document, half Japanese.
const std::string& SampleCp932() {
    static const std::string text = [] {
        const std::string lines =
            "[\xE3\x82\xAA\xE3\x83\x96\xE3\x82\xB8\xE3\x82\xA7\xE3\x82\xAF\xE3\x83\x88]\r\n"
            "name=\xE8\x83\x8C\xE6\x99\xAF\xE3\x83\xAC\xE3\x82\xA4\xE3\x83\xA4\xE3\x83\xBC 01\r\n"
            "path=C:\\\xE7\x94\xBB\xE5\x83\x8F\\\xE7\xB4\xA0\xE6\x9D\x90\\texture_0001.png\r\n"
            "comment=\xE3\x81\x93\xE3\x81\xAE\xE7\xB7\x9A\xE3\x81\xAF\xE5\xA4\xAA\xE3\x81\x95 4.5 px "
            "\xE3\x81\xA7\xE6\x8F\x8F\xE3\x81\x8D\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82\r\n"
            "size=1920,1080 opacity=255 mode=Normal\r\n";
        std::string utf8;
        while (utf8.size() < (1u << 20)) utf8 += lines;
        std::string cp932(utf8.size(), '\0');
        iconv_t cd = iconv_open("CP932", "UTF-8");
        char* in = utf8.data();
        size_t inLeft = utf8.size();
        char* out = cp932.data();
        size_t outLeft = cp932.size();
        iconv(cd, &in, &inLeft, &out, &outLeft);
        iconv_close(cd);
        cp932.resize(cp932.size() - outLeft);
        return cp932;
    }();
    return text;
}

void BM_FromCP932(benchmark::State& state) {
    const std::string& text = SampleCp932();
    CUStr_base<1024> s;
    for (auto _ : state) {
        bool ok = s.FromCP932(text.c_str(), false);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(s.GetText());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_FromCP932);

void BM_IconvDecodeBare(benchmark::State& state) {
    const std::string& text = SampleCp932();
    std::vector<char16_t> out(text.size() + 1);
    iconv_t cd = iconv_open(Utf16Name(), "CP932");
    for (auto _ : state) {
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        char* o = reinterpret_cast<char*>(out.data());
        size_t outLeft = out.size() * sizeof(char16_t);
        size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_IconvDecodeBare);

const std::u16string& SampleUtf16() {
    static const std::u16string text = [] {
        CUStr_base<1024> s;
        s.FromCP932(SampleCp932().c_str(), false);
        return std::u16string(s.GetText(), size_t(s.GetLength()));
    }();
    return text;
}

void BM_FromWide(benchmark::State& state) {
    const std::u16string& text = SampleUtf16();
    CStr_base<64> s;
    for (auto _ : state) {
        bool ok = s.FromWide(text.c_str(), true);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(s.GetText());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_FromWide);

void BM_IconvEncodeBare(benchmark::State& state) {
    const std::u16string& text = SampleUtf16();
    std::vector<char> out(text.size() * 2 + 1);
    iconv_t cd = iconv_open("CP932", Utf16Name());
    for (auto _ : state) {
        char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
        size_t inLeft = text.size() * sizeof(char16_t);
        char* o = out.data();
        size_t outLeft = out.size();
        size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_IconvEncodeBare);

}  // namespace
