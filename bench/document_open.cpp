// Opening a document in a fresh process: the time LoadFile takes and the peak
// resident memory, against the file's size. The aim is a 50 MB document open
// in under a second with a peak of at most three times the file's size.
//
//   document_open --write <file> [objects]   writes the generated document of
//                                            the document benchmarks (2500
//                                            objects: about 52 MB)
//   document_open <file>                     opens it and prints the figures
//
// Run the second form as its own process (each run is a cold start of the
// document code); `/usr/bin/time -v` reports the same peak as "Maximum
// resident set size".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/DocumentGenerator.h"
#include "document/model/QDXCtrl.h"

namespace {

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0 / 1e6;  // ru_maxrss is in kilobytes
}

int Write(const char* path, int objects) {
    const std::string text = bench::GeneratedDocument(objects);
    if (text.empty()) {
        std::fprintf(stderr, "the generated document does not load\n");
        return 1;
    }
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    std::printf("%s: %.1f MB\n", path, double(text.size()) / 1e6);
    return 0;
}

int Open(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    std::fseek(file, 0, SEEK_END);
    const double fileMB = double(std::ftell(file)) / 1e6;
    std::fclose(file);

    const double before = PeakResidentMB();
    const auto t0 = std::chrono::steady_clock::now();
    CQDXCtrl document;
    const int32_t result = document.LoadFile(path);
    const auto t1 = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    const double peak = PeakResidentMB();
    std::printf("load %s: result %d, %.1f MB in %.3f s (%.0f MB/s); peak RSS %.1f MB (%.2f x file; %.1f MB before)\n",
                path, int(result), fileMB, seconds, fileMB / seconds, peak, peak / fileMB, before);
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write") == 0) return Write(argv[2], argc >= 4 ? std::atoi(argv[3]) : 2500);
    if (argc == 2) return Open(argv[1]);
    std::fprintf(stderr, "usage: document_open --write <file> [objects] | document_open <file>\n");
    return 2;
}
