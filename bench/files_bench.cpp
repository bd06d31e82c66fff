// Small reads and writes through the buffered file against the plain one: the
// image loader reads a header and then row after row, and every plain Read is a
// system call.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/files/FFile.h"
#include "foundation/files/SFile.h"

namespace {

constexpr uint32_t kFileSize = 8 << 20;
constexpr uint32_t kRow = 3 * 1000;

class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "oc-files-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_folder = pattern;
        m_file = m_folder + "/image.bmp";
        std::vector<char> bytes(kFileSize, 'x');
        FILE* f = std::fopen(m_file.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    const std::string& File() const { return m_file; }
    std::string Other() const { return m_folder + "/out.bin"; }

private:
    std::string m_folder;
    std::string m_file;
};

Scratch& Files() {
    static Scratch scratch;
    return scratch;
}

template <class File>
void ReadRows(benchmark::State& state) {
    std::vector<char> row(kRow);
    for (auto _ : state) {
        File file;
        file.Open(Files().File().c_str(), "rb", 0x20);
        file.Read(row.data(), 14);
        file.Read(row.data(), 40);
        while (file.Read(row.data(), kRow) == kRow) {
        }
        file.Close();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kFileSize);
}

template <class File>
void WriteSmallPieces(benchmark::State& state) {
    const std::vector<char> piece(static_cast<size_t>(state.range(0)), 'y');
    const uint32_t pieces = kFileSize / static_cast<uint32_t>(piece.size());
    for (auto _ : state) {
        File file;
        file.Open(Files().Other().c_str(), "wb", 0x20);
        for (uint32_t i = 0; i < pieces; ++i) {
            file.Write(piece.data(), static_cast<uint32_t>(piece.size()));
        }
        file.Close();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pieces * int64_t(piece.size()));
}

BENCHMARK_TEMPLATE(ReadRows, CFFile);
BENCHMARK_TEMPLATE(ReadRows, CSFile);
BENCHMARK_TEMPLATE(WriteSmallPieces, CFFile)->Arg(100)->Arg(4096);
BENCHMARK_TEMPLATE(WriteSmallPieces, CSFile)->Arg(100)->Arg(4096);

}  // namespace
