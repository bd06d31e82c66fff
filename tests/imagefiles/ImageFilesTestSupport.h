#pragma once
// Helpers for the image-file tests: a fixture with the raster library started
// and a fresh temporary folder; sprites painted pixel by pixel; PAM files (the
// plainest RGBA format the external tools read and write) written and read
// here, around the code under test.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imagefiles/GdiPlus.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/support/TempFolder.h"

namespace imagefiles_test {

class ImageFilesTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        InitRasterLibrary(1);
    }
    void TearDown() override {
        InitRasterLibrary(1);
        TempFolderTest::TearDown();
    }
};

template <class PixelFn>
CSprite Painted(int32_t w, int32_t h, PixelFn pixel) {
    CSprite s;
    EXPECT_TRUE(s.Create(w, h, false));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *s.PixelAt(x, y) = pixel(x, y);
    return s;
}

inline std::vector<uint32_t> Pixels(const CSprite& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) out.push_back(*s.PixelAt(x, y));
    return out;
}

// Random colours; a quarter of the pixels have alpha 0 (keeping their colour),
// a quarter alpha 255, the rest anything.
inline CSprite NoiseWithAlpha(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    return Painted(w, h, [&](int32_t, int32_t) {
        const uint32_t colour = rng() & 0xFFFFFF;
        const uint32_t pick = rng() & 3;
        const uint32_t alpha = pick == 0 ? 0 : pick == 1 ? 255 : (rng() & 0xFF);
        return (alpha << 24) | colour;
    });
}

// Smooth colour with a little noise and an alpha ramp: compresses the way a
// photograph does, so lossy sizes fall with the quality.
inline CSprite PhotoLike(int32_t w, int32_t h, uint32_t seed, bool withAlpha) {
    std::mt19937 rng(seed);
    return Painted(w, h, [&](int32_t x, int32_t y) {
        const uint32_t n = rng() % 24;
        const uint32_t r = (uint32_t(x * 255 / (w > 1 ? w - 1 : 1)) + n) & 0xFF;
        const uint32_t g = (uint32_t(y * 255 / (h > 1 ? h - 1 : 1)) + n) & 0xFF;
        const uint32_t b = (uint32_t((x + y) * 3) + n) & 0xFF;
        const uint32_t a = withAlpha ? uint32_t(x * 255 / (w > 1 ? w - 1 : 1)) : 255u;
        return (a << 24) | (r << 16) | (g << 8) | b;
    });
}

// ASCII (temporary-folder) paths as UTF-16.
inline std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// ---- PAM (P7, RGB_ALPHA, 8-bit) ----

inline void WritePam(const std::string& path, const std::vector<uint32_t>& argb, int32_t w, int32_t h) {
    std::string text = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                       "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (uint32_t p : argb) {
        text.push_back(char(p >> 16));
        text.push_back(char(p >> 8));
        text.push_back(char(p));
        text.push_back(char(p >> 24));
    }
    testsupport::WriteText(path, text);
}

// Reads a P7 file of depth 4 (RGBA) or 3 (RGB, alpha 255) into ARGB words.
inline bool ReadPam(const std::string& path, std::vector<uint32_t>& argb, int32_t& w, int32_t& h) {
    const std::string text = testsupport::ReadText(path);
    const size_t end = text.find("ENDHDR\n");
    if (text.compare(0, 3, "P7\n") != 0 || end == std::string::npos) return false;
    int depth = 0;
    w = h = 0;
    std::sscanf(text.c_str() + text.find("WIDTH"), "WIDTH %d", &w);
    std::sscanf(text.c_str() + text.find("HEIGHT"), "HEIGHT %d", &h);
    std::sscanf(text.c_str() + text.find("DEPTH"), "DEPTH %d", &depth);
    const size_t start = end + 7;
    if ((depth != 3 && depth != 4) || text.size() != start + size_t(w) * h * depth) return false;
    argb.clear();
    for (size_t i = start; i < text.size(); i += depth) {
        const auto byte = [&](size_t k) { return uint32_t(uint8_t(text[i + k])); };
        const uint32_t a = depth == 4 ? byte(3) : 255u;
        argb.push_back((a << 24) | (byte(0) << 16) | (byte(1) << 8) | byte(2));
    }
    return true;
}

// ---- external tools ----

inline bool HaveTool(const char* name) {
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// ImageMagick's convert; prefer the packaged binary over wrappers in front of it.
inline std::string ConvertTool() {
    return HaveTool("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
}

// Runs a shell command; returns its exit status and (when asked) its output.
inline int RunTool(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
    const int status = pclose(pipe);
    if (output != nullptr) *output = text;
    return status;
}

// While alive, files this process writes cannot grow beyond `bytes`: a write past
// that fails (EFBIG) instead of ending the process, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

}  // namespace imagefiles_test
